#pragma once
// Component categories: which registered classes implement or require which categories.

#include "platform/com/ObjIdl.h"

#define CAT_E_CATIDNOEXIST ((HRESULT)0x80040160L)
#define CAT_E_NODESCRIPTION ((HRESULT)0x80040161L)

ZELK_DEFINE_GUID(CLSID_StdComponentCategoriesMgr, 0x0002E005, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

typedef struct tagCATEGORYINFO {
  CATID catid;
  LCID lcid;
  OLECHAR szDescription[128];
} CATEGORYINFO, *LPCATEGORYINFO;

ZELK_DEFINE_GUID(IID_IEnumCATEGORYINFO, 0x0002E011, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
struct IEnumCATEGORYINFO : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, CATEGORYINFO* rgelt, ULONG* pceltFetched) = 0;
  virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
  virtual HRESULT STDMETHODCALLTYPE Clone(IEnumCATEGORYINFO** ppenum) = 0;
};
ZELK_DECLARE_UUIDOF(IEnumCATEGORYINFO, IID_IEnumCATEGORYINFO);

ZELK_DEFINE_GUID(IID_ICatInformation, 0x0002E013, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
struct ICatInformation : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE EnumCategories(LCID lcid, IEnumCATEGORYINFO** ppenumCategoryInfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCategoryDesc(REFCATID rcatid, LCID lcid, LPWSTR* pszDesc) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumClassesOfCategories(ULONG cImplemented, const CATID rgcatidImpl[],
                                                            ULONG cRequired, const CATID rgcatidReq[],
                                                            IEnumGUID** ppenumClsid) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsClassOfCategories(REFCLSID rclsid, ULONG cImplemented,
                                                        const CATID rgcatidImpl[], ULONG cRequired,
                                                        const CATID rgcatidReq[]) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumImplCategoriesOfClass(REFCLSID rclsid, IEnumGUID** ppenumCatid) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumReqCategoriesOfClass(REFCLSID rclsid, IEnumGUID** ppenumCatid) = 0;
};
ZELK_DECLARE_UUIDOF(ICatInformation, IID_ICatInformation);
typedef ICatInformation* LPCATINFORMATION;
