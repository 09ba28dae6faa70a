#pragma once
// The standard COM interfaces: class factory, enumerators, data transfer, global interface
// table. Method order and identifiers as Windows publishes them.

#include "platform/com/WinTypes.h"

struct IMoniker;
struct IStream;
struct IStorage;

typedef WORD CLIPFORMAT;
typedef HANDLE HBITMAP;
typedef HANDLE HMETAFILEPICT;
typedef HANDLE HENHMETAFILE;

ZELK_DEFINE_GUID(IID_IClassFactory, 0x00000001, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
struct IClassFactory : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) = 0;
  virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) = 0;
};
ZELK_DECLARE_UUIDOF(IClassFactory, IID_IClassFactory);

ZELK_DEFINE_GUID(IID_IEnumUnknown, 0x00000100, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
struct IEnumUnknown : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, IUnknown** rgelt, ULONG* pceltFetched) = 0;
  virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
  virtual HRESULT STDMETHODCALLTYPE Clone(IEnumUnknown** ppenum) = 0;
};
ZELK_DECLARE_UUIDOF(IEnumUnknown, IID_IEnumUnknown);

// Next hands out strings allocated with CoTaskMemAlloc; the caller frees them.
ZELK_DEFINE_GUID(IID_IEnumString, 0x00000101, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
struct IEnumString : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, LPOLESTR* rgelt, ULONG* pceltFetched) = 0;
  virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
  virtual HRESULT STDMETHODCALLTYPE Clone(IEnumString** ppenum) = 0;
};
ZELK_DECLARE_UUIDOF(IEnumString, IID_IEnumString);

ZELK_DEFINE_GUID(IID_IEnumGUID, 0x0002E000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
struct IEnumGUID : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, GUID* rgelt, ULONG* pceltFetched) = 0;
  virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
  virtual HRESULT STDMETHODCALLTYPE Clone(IEnumGUID** ppenum) = 0;
};
ZELK_DECLARE_UUIDOF(IEnumGUID, IID_IEnumGUID);
typedef IEnumGUID IEnumCLSID;
typedef IEnumGUID IEnumCATID;
#define IID_IEnumCLSID IID_IEnumGUID
#define IID_IEnumCATID IID_IEnumGUID

// Data transfer.
typedef enum tagTYMED {
  TYMED_HGLOBAL = 1,
  TYMED_FILE = 2,
  TYMED_ISTREAM = 4,
  TYMED_ISTORAGE = 8,
  TYMED_GDI = 16,
  TYMED_MFPICT = 32,
  TYMED_ENHMF = 64,
  TYMED_NULL = 0,
} TYMED;

typedef enum tagDVASPECT {
  DVASPECT_CONTENT = 1,
  DVASPECT_THUMBNAIL = 2,
  DVASPECT_ICON = 4,
  DVASPECT_DOCPRINT = 8,
} DVASPECT;

typedef enum tagADVF {
  ADVF_NODATA = 1,
  ADVF_PRIMEFIRST = 2,
  ADVF_ONLYONCE = 4,
  ADVF_DATAONSTOP = 64,
  ADVFCACHE_NOHANDLER = 8,
  ADVFCACHE_FORCEBUILTIN = 16,
  ADVFCACHE_ONSAVE = 32,
} ADVF;

typedef enum tagDATADIR {
  DATADIR_GET = 1,
  DATADIR_SET = 2,
} DATADIR;

typedef struct tagDVTARGETDEVICE {
  DWORD tdSize;
  WORD tdDriverNameOffset;
  WORD tdDeviceNameOffset;
  WORD tdPortNameOffset;
  WORD tdExtDevmodeOffset;
  BYTE tdData[1];
} DVTARGETDEVICE;

typedef struct tagFORMATETC {
  CLIPFORMAT cfFormat;
  DVTARGETDEVICE* ptd;
  DWORD dwAspect;
  LONG lindex;
  DWORD tymed;
} FORMATETC, *LPFORMATETC;

typedef struct tagSTGMEDIUM {
  DWORD tymed;
  union {
    HBITMAP hBitmap;
    HMETAFILEPICT hMetaFilePict;
    HENHMETAFILE hEnhMetaFile;
    HGLOBAL hGlobal;
    LPOLESTR lpszFileName;
    IStream* pstm;
    IStorage* pstg;
  };
  IUnknown* pUnkForRelease;
} STGMEDIUM, *LPSTGMEDIUM;

ZELK_DEFINE_GUID(IID_IEnumFORMATETC, 0x00000103, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
struct IEnumFORMATETC : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, FORMATETC* rgelt, ULONG* pceltFetched) = 0;
  virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
  virtual HRESULT STDMETHODCALLTYPE Clone(IEnumFORMATETC** ppenum) = 0;
};
ZELK_DECLARE_UUIDOF(IEnumFORMATETC, IID_IEnumFORMATETC);

ZELK_DEFINE_GUID(IID_IAdviseSink, 0x0000010F, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
struct IAdviseSink : IUnknown {
  virtual void STDMETHODCALLTYPE OnDataChange(FORMATETC* pFormatetc, STGMEDIUM* pStgmed) = 0;
  virtual void STDMETHODCALLTYPE OnViewChange(DWORD dwAspect, LONG lindex) = 0;
  virtual void STDMETHODCALLTYPE OnRename(IMoniker* pmk) = 0;
  virtual void STDMETHODCALLTYPE OnSave() = 0;
  virtual void STDMETHODCALLTYPE OnClose() = 0;
};
ZELK_DECLARE_UUIDOF(IAdviseSink, IID_IAdviseSink);

typedef struct tagSTATDATA {
  FORMATETC formatetc;
  DWORD advf;
  IAdviseSink* pAdvSink;
  DWORD dwConnection;
} STATDATA;

ZELK_DEFINE_GUID(IID_IEnumSTATDATA, 0x00000105, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
struct IEnumSTATDATA : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, STATDATA* rgelt, ULONG* pceltFetched) = 0;
  virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
  virtual HRESULT STDMETHODCALLTYPE Clone(IEnumSTATDATA** ppenum) = 0;
};
ZELK_DECLARE_UUIDOF(IEnumSTATDATA, IID_IEnumSTATDATA);

ZELK_DEFINE_GUID(IID_IDataObject, 0x0000010E, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
struct IDataObject : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetData(FORMATETC* pformatetcIn, STGMEDIUM* pmedium) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* pformatetc, STGMEDIUM* pmedium) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* pformatetc) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* pformatectIn, FORMATETC* pformatetcOut) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetData(FORMATETC* pformatetc, STGMEDIUM* pmedium, BOOL fRelease) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppenumFormatEtc) = 0;
  virtual HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* pformatetc, DWORD advf, IAdviseSink* pAdvSink,
                                            DWORD* pdwConnection) = 0;
  virtual HRESULT STDMETHODCALLTYPE DUnadvise(DWORD dwConnection) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** ppenumAdvise) = 0;
};
ZELK_DECLARE_UUIDOF(IDataObject, IID_IDataObject);

// Hands interface pointers between apartments. On this platform every apartment shares the
// one address space without proxies, so the table gives back the registered object itself.
ZELK_DEFINE_GUID(IID_IGlobalInterfaceTable, 0x00000146, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
ZELK_DEFINE_GUID(CLSID_StdGlobalInterfaceTable, 0x00000323, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
struct IGlobalInterfaceTable : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE RegisterInterfaceInGlobal(IUnknown* pUnk, REFIID riid, DWORD* pdwCookie) = 0;
  virtual HRESULT STDMETHODCALLTYPE RevokeInterfaceFromGlobal(DWORD dwCookie) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetInterfaceFromGlobal(DWORD dwCookie, REFIID riid, void** ppv) = 0;
};
ZELK_DECLARE_UUIDOF(IGlobalInterfaceTable, IID_IGlobalInterfaceTable);
