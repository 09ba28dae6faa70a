#pragma once
// OPC Common 1.10: the common custom interfaces, the server browser class and the server categories.

#include "platform/win32.h"

// Component categories under which servers register, with the descriptions they register them by.
ZELK_DEFINE_GUID(CATID_OPCDAServer10, 0x63D5F430, 0xCFE4, 0x11D1, 0xB2, 0xC8, 0x00, 0x60, 0x08, 0x3B, 0xA1, 0xFB);
ZELK_DEFINE_GUID(CATID_OPCDAServer20, 0x63D5F432, 0xCFE4, 0x11D1, 0xB2, 0xC8, 0x00, 0x60, 0x08, 0x3B, 0xA1, 0xFB);
ZELK_DEFINE_GUID(CATID_OPCDAServer30, 0xCC603642, 0x66D7, 0x48F1, 0xB6, 0x9A, 0xB6, 0x25, 0xE7, 0x36, 0x52, 0xD7);
ZELK_DEFINE_GUID(CATID_XMLDAServer10, 0x3098EDA4, 0xA006, 0x48B2, 0xA2, 0x7F, 0x24, 0x74, 0x53, 0x95, 0x94, 0x08);
ZELK_DEFINE_GUID(CATID_OPCHDAServer10, 0x7DE5B060, 0xE089, 0x11D2, 0xA5, 0xE6, 0x00, 0x00, 0x86, 0x33, 0x93, 0x99);
ZELK_DEFINE_GUID(CATID_OPCAEServer10, 0x58E13251, 0xAC87, 0x11D1, 0x84, 0xD5, 0x00, 0x60, 0x8C, 0xB8, 0xA7, 0xE9);
ZELK_DEFINE_GUID(CATID_OPCBatchServer10, 0xA8080DA0, 0xE23E, 0x11D2, 0xAF, 0xA7, 0x00, 0xC0, 0x4F, 0x53, 0x94, 0x21);
ZELK_DEFINE_GUID(CATID_OPCBatchServer20, 0x843DE67B, 0xB0C9, 0x11D4, 0xA0, 0xB7, 0x00, 0x01, 0x02, 0xA9, 0x80, 0xB1);
ZELK_DEFINE_GUID(CATID_OPCDXServer10, 0xA0C85BB8, 0x4161, 0x4FD6, 0x86, 0x55, 0xBB, 0x58, 0x46, 0x01, 0xC9, 0xE0);

#define OPC_CATEGORY_DESCRIPTION_DA10 u"OPC Data Access Servers Version 1.0"
#define OPC_CATEGORY_DESCRIPTION_DA20 u"OPC Data Access Servers Version 2.0"
#define OPC_CATEGORY_DESCRIPTION_DA30 u"OPC Data Access Servers Version 3.0"
#define OPC_CATEGORY_DESCRIPTION_XMLDA10 u"OPC XML Data Access Servers Version 1.0"
#define OPC_CATEGORY_DESCRIPTION_HDA10 u"OPC History Data Access Servers Version 1.0"
#define OPC_CATEGORY_DESCRIPTION_AE10 u"OPC Alarm & Event Server Version 1.0"
#define OPC_CATEGORY_DESCRIPTION_BATCH10 u"OPC Batch Server Version 1.0"
#define OPC_CATEGORY_DESCRIPTION_BATCH20 u"OPC Batch Server Version 2.0"

// The server browser that lists the OPC servers of a computer.
ZELK_DEFINE_GUID(CLSID_OPCServerList, 0x13486D51, 0x4821, 0x11D2, 0xA4, 0x94, 0x3C, 0xB3, 0x06, 0xC1, 0x00, 0x00);

ZELK_DEFINE_GUID(IID_IOPCShutdown, 0xF31DFDE1, 0x07B6, 0x11D2, 0xB2, 0xD8, 0x00, 0x60, 0x08, 0x3B, 0xA1, 0xFB);
struct IOPCShutdown : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE ShutdownRequest(LPCWSTR szReason) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCShutdown, IID_IOPCShutdown);

ZELK_DEFINE_GUID(IID_IOPCCommon, 0xF31DFDE2, 0x07B6, 0x11D2, 0xB2, 0xD8, 0x00, 0x60, 0x08, 0x3B, 0xA1, 0xFB);
struct IOPCCommon : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetLocaleID(LCID dwLcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetLocaleID(LCID* pdwLcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryAvailableLocaleIDs(DWORD* pdwCount, LCID** pdwLcid) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetErrorString(HRESULT dwError, LPWSTR* ppString) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetClientName(LPCWSTR szName) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCCommon, IID_IOPCCommon);

ZELK_DEFINE_GUID(IID_IOPCServerList, 0x13486D50, 0x4821, 0x11D2, 0xA4, 0x94, 0x3C, 0xB3, 0x06, 0xC1, 0x00, 0x00);
struct IOPCServerList : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE EnumClassesOfCategories(ULONG cImplemented, CATID rgcatidImpl[], ULONG cRequired,
                                                            CATID rgcatidReq[], IEnumGUID** ppenumClsid) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetClassDetails(REFCLSID clsid, LPOLESTR* ppszProgID, LPOLESTR* ppszUserType) = 0;
  virtual HRESULT STDMETHODCALLTYPE CLSIDFromProgID(LPCOLESTR szProgId, LPCLSID clsid) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCServerList, IID_IOPCServerList);

ZELK_DEFINE_GUID(IID_IOPCEnumGUID, 0x55C382C8, 0x21C7, 0x4E88, 0x96, 0xC1, 0xBE, 0xCF, 0xB1, 0xE3, 0xF4, 0x83);
struct IOPCEnumGUID : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, GUID* rgelt, ULONG* pceltFetched) = 0;
  virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
  virtual HRESULT STDMETHODCALLTYPE Clone(IOPCEnumGUID** ppenum) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCEnumGUID, IID_IOPCEnumGUID);
typedef IOPCEnumGUID* LPOPCENUMGUID;

ZELK_DEFINE_GUID(IID_IOPCServerList2, 0x9DD0B56C, 0xAD9E, 0x43EE, 0x83, 0x05, 0x48, 0x7F, 0x31, 0x88, 0xBF, 0x7A);
struct IOPCServerList2 : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE EnumClassesOfCategories(ULONG cImplemented, CATID rgcatidImpl[], ULONG cRequired,
                                                            CATID rgcatidReq[], IOPCEnumGUID** ppenumClsid) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetClassDetails(REFCLSID clsid, LPOLESTR* ppszProgID, LPOLESTR* ppszUserType,
                                                    LPOLESTR* ppszVerIndProgID) = 0;
  virtual HRESULT STDMETHODCALLTYPE CLSIDFromProgID(LPCOLESTR szProgId, LPCLSID clsid) = 0;
};
ZELK_DECLARE_UUIDOF(IOPCServerList2, IID_IOPCServerList2);
