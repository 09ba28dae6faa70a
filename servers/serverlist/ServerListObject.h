#pragma once
// The server enumerator's COM object: IOPCServerList2 and IOPCServerList over the class
// registry (ServerCatalog.h). Both interfaces answer alike; the newer one hands out the
// version-independent ProgID too and an IOPCEnumGUID instead of an IEnumGUID.
//
// Where the standard leaves room:
// - A category count of (ULONG)-1 stands for "any category"; an empty list of implemented
//   categories, or a count without a list, is E_INVALIDARG.
// - GetClassDetails of a class without a ProgID fails with REGDB_E_CLASSNOTREG and leaves
//   every out-parameter null; a missing description or version-independent ProgID is given as
//   an empty string.

#include "opc/_OPCCOMN.h"
#include "platform/PlatformExtensions.h"

class TOpcServerList : public TComObject<IOPCServerList2, IOPCServerList> {
public:
  // IOPCServerList2 and IOPCServerList
  HRESULT STDMETHODCALLTYPE EnumClassesOfCategories(ULONG cImplemented, CATID rgcatidImpl[], ULONG cRequired,
                                                    CATID rgcatidReq[], IOPCEnumGUID** ppenumClsid) override;
  HRESULT STDMETHODCALLTYPE EnumClassesOfCategories(ULONG cImplemented, CATID rgcatidImpl[], ULONG cRequired,
                                                    CATID rgcatidReq[], IEnumGUID** ppenumClsid) override;
  HRESULT STDMETHODCALLTYPE GetClassDetails(REFCLSID clsid, LPOLESTR* ppszProgID, LPOLESTR* ppszUserType,
                                            LPOLESTR* ppszVerIndProgID) override;
  HRESULT STDMETHODCALLTYPE GetClassDetails(REFCLSID clsid, LPOLESTR* ppszProgID, LPOLESTR* ppszUserType) override;
  HRESULT STDMETHODCALLTYPE CLSIDFromProgID(LPCOLESTR szProgId, LPCLSID clsid) override;
};
