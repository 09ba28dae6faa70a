// The enumeration of the OPC servers of a computer: through the OPC server enumerator service,
// or on this computer without it through the component categories of the class registry.

#include <algorithm>

#include "opc/_opcactivex.h"
#include "platform/rtl/StringUtils.h"
#include "toolkit/ZelkError.h"
#include "toolkit/com/ZelkCom.h"

namespace {

struct TCategory {
  tZelkServerSpec ServerType;
  CATID Id;
};

// In the order of enumeration.
constexpr TCategory kCategories[] = {
    {svr_DA10, CATID_OPCDAServer10},     {svr_DA20, CATID_OPCDAServer20},     {svr_DA30, CATID_OPCDAServer30},
    {svr_BA10, CATID_OPCBatchServer10},  {svr_BA20, CATID_OPCBatchServer20},  {svr_DX10, CATID_OPCDXServer10},
    {svr_HDA10, CATID_OPCHDAServer10},   {svr_AE10, CATID_OPCAEServer10},
};

// Class ids asked of the service's enumerator per call.
constexpr ULONG kBatchSize = 10;

// The enumerator each list interface hands out.
template <class TList>
struct TClassEnumerator;
template <>
struct TClassEnumerator<IOPCServerList2> {
  using Type = IOPCEnumGUID;
};
template <>
struct TClassEnumerator<IOPCServerList> {
  using Type = IEnumGUID;
};

// What GetClassDetails hands out, freed however the report of the class ends.
struct TClassDetailsOut {
  ~TClassDetailsOut() {
    CoTaskMemFree(ProgId);
    CoTaskMemFree(UserType);
    CoTaskMemFree(VerIndProgId);
  }
  LPOLESTR ProgId = nullptr;
  LPOLESTR UserType = nullptr;
  LPOLESTR VerIndProgId = nullptr;
};

HRESULT GetClassDetails(IOPCServerList2* List, REFCLSID ClsId, TClassDetailsOut& Out) {
  return List->GetClassDetails(ClsId, &Out.ProgId, &Out.UserType, &Out.VerIndProgId);
}

HRESULT GetClassDetails(IOPCServerList* List, REFCLSID ClsId, TClassDetailsOut& Out) {
  return List->GetClassDetails(ClsId, &Out.ProgId, &Out.UserType);
}

std::string OleText(LPCOLESTR Text) { return Text ? Utf16ToUtf8(Text) : std::string(); }

}  // namespace

std::vector<CATID> GetCategoryIds(tZelkServerSet ServerTypes) {
  std::vector<CATID> ids;
  for (const TCategory& category : kCategories)
    if (ServerTypes.Contains(category.ServerType)) ids.push_back(category.Id);
  return ids;
}

void TZelkCOMServerBrowser::Execute(tZelkServerSet Servertype, const std::string& Computer, const std::string&,
                                    int32_t Options, tZelkAddServerEvent AddServerEvent) {
  if (Servertype.Empty()) return;
  FOnAddServer = std::move(AddServerEvent);
  struct TForgetCallback {
    tZelkAddServerEvent& Callback;
    ~TForgetCallback() { Callback = nullptr; }
  } forget{FOnAddServer};

  const bool remote = !Trim(Computer).empty();
  ComPtr<IUnknown> enumerator;
  if (remote) {
    enumerator = TZelkCOMConnection::CreateServerObject(CLSID_OPCServerList, Computer);
    if (!enumerator) throw EOPCServerListException(SComputerPrefix + Computer + SComputerNotFound);
  } else {
    try {
      enumerator = TZelkCOMConnection::CreateServerObject(CLSID_OPCServerList, "");
    } catch (const std::exception&) {
      // Without the service on this computer the class registry answers.
    }
  }

  ComPtr<IOPCServerList2> list2;
  ComPtr<IOPCServerList> list;
  if (enumerator && FAILED(enumerator.As(&list2)) && FAILED(enumerator.As(&list))) {
    enumerator.Reset();
    if (remote) throw EOPCServerListException(SServerListNotFound);
  }

  const auto enumerate = [&](std::vector<CATID> CatIds, tZelkServerSet ServerType) {
    if (list2)
      EnumFromServerList(list2.Get(), std::move(CatIds), ServerType);
    else if (list)
      EnumFromServerList(list.Get(), std::move(CatIds), ServerType);
    else
      EnumFromRegistry(CatIds.front(), ServerType);
  };
  if ((Options & 2) || !enumerator) {
    for (const TCategory& category : kCategories)
      if (Servertype.Contains(category.ServerType)) enumerate({category.Id}, {category.ServerType});
  } else if (std::vector<CATID> ids = GetCategoryIds(Servertype); !ids.empty()) {
    // svr_UA alone has no category to ask for.
    enumerate(std::move(ids), {});
  }
}

template <class TList>
void TZelkCOMServerBrowser::EnumFromServerList(TList* List, std::vector<CATID> CatIds, tZelkServerSet ServerType) {
  ComPtr<typename TClassEnumerator<TList>::Type> classes;
  OleCheck(List->EnumClassesOfCategories(static_cast<ULONG>(CatIds.size()), CatIds.data(), 0, nullptr,
                                         classes.ReleaseAndGetAddressOf()));
  if (!classes) return;
  for (;;) {
    CLSID batch[kBatchSize] = {};
    ULONG fetched = 0;
    try {
      if (FAILED(classes->Next(kBatchSize, batch, &fetched))) return;
    } catch (...) {
      return;
    }
    // The service is another program: it may claim more class ids than there is room for.
    fetched = std::min(fetched, kBatchSize);
    if (fetched == 0) return;
    for (ULONG i = 0; i < fetched; ++i) {
      std::string caption, name;
      try {
        TClassDetailsOut details;
        // A class whose details cannot be read is still reported, without caption and name.
        if (SUCCEEDED(GetClassDetails(List, batch[i], details))) {
          caption = OleText(details.UserType);
          name = OleText(details.ProgId);
        }
      } catch (...) {
      }
      Report(caption, name, batch[i], ServerType);
    }
  }
}

void TZelkCOMServerBrowser::EnumFromRegistry(const CATID& CatId, tZelkServerSet ServerType) {
  ComPtr<ICatInformation> categories;
  if (FAILED(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ICatInformation,
                              reinterpret_cast<void**>(categories.ReleaseAndGetAddressOf()))))
    return;
  ComPtr<IEnumGUID> classes;
  OleCheck(categories->EnumClassesOfCategories(1, &CatId, 0, nullptr, classes.ReleaseAndGetAddressOf()));
  CLSID clsId;
  ULONG fetched = 0;
  while (classes->Next(1, &clsId, &fetched) == S_OK) {
    TClassDetailsOut details;
    // A class without ProgID cannot be connected to by name; the classes after it still are.
    if (FAILED(ProgIDFromCLSID(clsId, &details.ProgId))) continue;
    Report(ReadClassesRootString("CLSID\\" + ClsIdToString(clsId), ""), OleText(details.ProgId), clsId, ServerType);
  }
}

void TZelkCOMServerBrowser::Report(const std::string& Caption, const std::string& Name, REFCLSID ClsId,
                                   tZelkServerSet ServerType) {
  if (!FOnAddServer) return;
  try {
    FOnAddServer(Caption, Name, ClsIdToString(ClsId), ServerType);
  } catch (...) {
    // One server the caller could not take does not end the list.
  }
}
