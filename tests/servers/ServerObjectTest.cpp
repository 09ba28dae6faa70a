// The historian object as a client meets it: registration, IOPCCommon, IOPCHDA_Server, the
// browser, attributes, the reduced variant and shutdown requests.

#include <algorithm>

#include "opc/_opcda.h"
#include "platform/rtl/StringUtils.h"
#include "tests/servers/ServerTestSupport.h"

namespace {

std::u16string TakeString(LPWSTR text) {
  std::u16string copy = text ? text : u"";
  CoTaskMemFree(text);
  return copy;
}

std::vector<std::u16string> Drain(IEnumString* strings) {
  std::vector<std::u16string> all;
  LPOLESTR batch[8];
  ULONG fetched = 0;
  HRESULT hr;
  do {
    hr = strings->Next(8, batch, &fetched);
    for (ULONG i = 0; i < fetched; ++i) all.push_back(TakeString(batch[i]));
  } while (hr == S_OK);
  strings->Release();
  return all;
}

class TShutdownSink : public TComObject<IOPCShutdown> {
public:
  HRESULT STDMETHODCALLTYPE ShutdownRequest(LPCWSTR szReason) override {
    Reasons.push_back(szReason);
    return S_OK;
  }
  std::vector<std::u16string> Reasons;
};

}  // namespace

TEST_F(ServerTest, RegisteredByProgIdInTheHdaCategory) {
  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID(u"Zelk.HDASim", &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_ZelkHDASim);
  LPOLESTR progId = nullptr;
  ASSERT_EQ(ProgIDFromCLSID(CLSID_ZelkHDASim, &progId), S_OK);
  EXPECT_EQ(TakeString(progId), u"Zelk.HDASim.1");

  ComPtr<ICatInformation> categories;
  ASSERT_EQ(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_ALL, IID_ICatInformation,
                             reinterpret_cast<void**>(categories.GetAddressOf())),
            S_OK);
  EXPECT_EQ(categories->IsClassOfCategories(CLSID_ZelkHDASim, 1, &CATID_OPCHDAServer10, 0, nullptr), S_OK);
  EXPECT_EQ(categories->IsClassOfCategories(CLSID_ZelkHDASimMinimal, 1, &CATID_OPCHDAServer10, 0, nullptr), S_OK);
  LPWSTR description = nullptr;
  ASSERT_EQ(categories->GetCategoryDesc(CATID_OPCHDAServer10, 0x409, &description), S_OK);
  EXPECT_EQ(TakeString(description), OPC_CATEGORY_DESCRIPTION_HDA10);

  for (const IID& iid : {IID_IOPCCommon, IID_IConnectionPointContainer, IID_IOPCHDA_Server, IID_IOPCHDA_SyncRead,
                         IID_IOPCHDA_SyncUpdate, IID_IOPCHDA_SyncAnnotations, IID_IOPCHDA_AsyncRead,
                         IID_IOPCHDA_AsyncUpdate, IID_IOPCHDA_AsyncAnnotations, IID_IOPCHDA_Playback}) {
    ComPtr<IUnknown> part;
    EXPECT_EQ(FServer->QueryInterface(iid, reinterpret_cast<void**>(part.GetAddressOf())), S_OK);
  }
}

TEST_F(ServerTest, MinimalVariantOffersRawReadsOnly) {
  ComPtr<IUnknown> minimal;
  ASSERT_EQ(CreateByProgId(u"Zelk.HDASim.Minimal.1", minimal), S_OK);
  ComPtr<IUnknown> part;
  for (const IID& iid : {IID_IOPCCommon, IID_IConnectionPointContainer, IID_IOPCHDA_SyncUpdate, IID_IOPCHDA_AsyncRead,
                         IID_IOPCHDA_Playback}) {
    EXPECT_EQ(minimal->QueryInterface(iid, reinterpret_cast<void**>(part.ReleaseAndGetAddressOf())), E_NOINTERFACE);
    EXPECT_EQ(part.Get(), nullptr);
  }
  ComPtr<IOPCHDA_Server> server;
  ComPtr<IOPCHDA_SyncRead> read;
  ASSERT_EQ(minimal.As(&server), S_OK);
  ASSERT_EQ(minimal.As(&read), S_OK);

  LPWSTR id = const_cast<LPWSTR>(u"Test.Ramp");
  OPCHANDLE client = 7, *handles = nullptr;
  HRESULT* errors = nullptr;
  ASSERT_EQ(server->GetItemHandles(1, &id, &client, &handles, &errors), S_OK);
  OPCHANDLE handle = handles[0];
  CoTaskMemFree(handles);
  CoTaskMemFree(errors);

  OPCHDA_TIME start = Time(At(1)), end = Time(At(1, 1));
  OPCHDA_ITEM* items = nullptr;
  ASSERT_EQ(read->ReadRaw(&start, &end, 0, FALSE, 1, &handle, &items, &errors), S_OK);
  EXPECT_EQ(items[0].dwCount, 6u);
  EXPECT_EQ(items[0].hClient, 7u);
  FreeItems(items, 1);
  CoTaskMemFree(errors);

  DWORD aggregate = OPCHDA_AVERAGE;
  FILETIME stamp = ToFileTime(At(1));
  OPCHDA_MODIFIEDITEM* modified = nullptr;
  EXPECT_EQ(read->ReadProcessed(&start, &end, Seconds(60), 1, &handle, &aggregate, &items, &errors), E_NOTIMPL);
  EXPECT_EQ(read->ReadAtTime(1, &stamp, 1, &handle, &items, &errors), E_NOTIMPL);
  EXPECT_EQ(read->ReadModified(&start, &end, 0, 1, &handle, &modified, &errors), E_NOTIMPL);
  EXPECT_EQ(items, nullptr);
  EXPECT_EQ(errors, nullptr);
}

TEST_F(ServerTest, CommonInterface) {
  ComPtr<IOPCCommon> common = Interface<IOPCCommon>();
  LCID locale = 0;
  EXPECT_EQ(common->SetLocaleID(0x0409), S_OK);
  EXPECT_EQ(common->GetLocaleID(&locale), S_OK);
  EXPECT_EQ(locale, 0x0409u);
  EXPECT_EQ(common->SetLocaleID(0x0407), E_INVALIDARG);
  DWORD count = 0;
  LCID* locales = nullptr;
  ASSERT_EQ(common->QueryAvailableLocaleIDs(&count, &locales), S_OK);
  EXPECT_TRUE(std::find(locales, locales + count, 0x0409u) != locales + count);
  CoTaskMemFree(locales);

  LPWSTR text = nullptr;
  ASSERT_EQ(common->GetErrorString(OPC_S_MOREDATA, &text), S_OK);
  EXPECT_EQ(TakeString(text), u"There is more data satisfying the query than was returned.");
  ASSERT_EQ(common->GetErrorString(OPC_E_INVALIDHANDLE, &text), S_OK);
  EXPECT_EQ(TakeString(text), u"The value of the handle is invalid.");
  ASSERT_EQ(common->GetErrorString(E_OUTOFMEMORY, &text), S_OK);
  EXPECT_FALSE(TakeString(text).empty());
  EXPECT_EQ(common->GetErrorString(static_cast<HRESULT>(0xC0FFEE01), &text), E_INVALIDARG);
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(common->SetClientName(nullptr), E_INVALIDARG);
}

TEST_F(ServerTest, ServerInterface) {
  ComPtr<IOPCHDA_Server> server = Interface<IOPCHDA_Server>();
  DWORD count = 0, *ids = nullptr;
  LPWSTR *names = nullptr, *descriptions = nullptr;
  VARTYPE* types = nullptr;
  ASSERT_EQ(server->GetItemAttributes(&count, &ids, &names, &descriptions, &types), S_OK);
  ASSERT_EQ(count, 19u);
  EXPECT_EQ(ids[0], DWORD(OPCHDA_DATA_TYPE));
  EXPECT_EQ(std::u16string(names[0]), OPCHDA_ATTRNAME_DATA_TYPE);
  EXPECT_EQ(types[0], VT_I2);
  EXPECT_EQ(ids[12], DWORD(OPCHDA_ITEMID));
  EXPECT_EQ(std::u16string(names[18]), OPCHDA_ATTRNAME_LOW_ENTRY_LIMIT);
  for (DWORD i = 0; i < count; ++i) {
    CoTaskMemFree(names[i]);
    CoTaskMemFree(descriptions[i]);
  }
  for (void* block : {static_cast<void*>(ids), static_cast<void*>(names), static_cast<void*>(descriptions),
                      static_cast<void*>(types)})
    CoTaskMemFree(block);

  ASSERT_EQ(server->GetAggregates(&count, &ids, &names, &descriptions), S_OK);
  ASSERT_EQ(count, 24u);
  EXPECT_EQ(ids[0], DWORD(OPCHDA_INTERPOLATIVE));
  EXPECT_EQ(ids[23], DWORD(OPCHDA_ANNOTATIONS));
  EXPECT_EQ(std::u16string(names[3]), OPCHDA_AGGRNAME_TIMEAVERAGE);
  for (DWORD i = 0; i < count; ++i) {
    CoTaskMemFree(names[i]);
    CoTaskMemFree(descriptions[i]);
  }
  for (void* block : {static_cast<void*>(ids), static_cast<void*>(names), static_cast<void*>(descriptions)})
    CoTaskMemFree(block);

  OPCHDA_SERVERSTATUS status{};
  FILETIME *current = nullptr, *started = nullptr;
  WORD major = 0, minor = 0, build = 0;
  DWORD maximum = 0;
  LPWSTR statusText = nullptr, vendor = nullptr;
  ASSERT_EQ(server->GetHistorianStatus(&status, &current, &started, &major, &minor, &build, &maximum, &statusText,
                                       &vendor),
            S_OK);
  EXPECT_EQ(status, OPCHDA_UP);
  EXPECT_EQ(ToTicks(*current), TestNow.load());
  EXPECT_EQ(maximum, 1'000'000u);
  EXPECT_EQ(TakeString(vendor), u"Zelk");
  EXPECT_FALSE(TakeString(statusText).empty());
  CoTaskMemFree(current);
  CoTaskMemFree(started);

  // Handles: per-item errors for unknown and empty ids; released handles no longer read.
  LPWSTR itemIds[] = {const_cast<LPWSTR>(u"Test.Sine"), const_cast<LPWSTR>(u"No.Such.Item"), const_cast<LPWSTR>(u"")};
  OPCHANDLE clients[] = {1, 2, 3}, *handles = nullptr;
  HRESULT* errors = nullptr;
  ASSERT_EQ(server->GetItemHandles(3, itemIds, clients, &handles, &errors), S_FALSE);
  EXPECT_EQ(errors[0], S_OK);
  EXPECT_NE(handles[0], 0u);
  EXPECT_EQ(errors[1], OPC_E_UNKNOWNITEMID);
  EXPECT_EQ(errors[2], OPC_E_INVALIDITEMID);
  OPCHANDLE sine = handles[0];
  CoTaskMemFree(handles);
  CoTaskMemFree(errors);
  ASSERT_EQ(server->ValidateItemIDs(3, itemIds, &errors), S_FALSE);
  EXPECT_EQ(errors[0], S_OK);
  EXPECT_EQ(errors[1], OPC_E_UNKNOWNITEMID);
  EXPECT_EQ(errors[2], OPC_E_INVALIDITEMID);
  CoTaskMemFree(errors);
  OPCHANDLE release[] = {sine, 0xBAD};
  ASSERT_EQ(server->ReleaseItemHandles(2, release, &errors), S_FALSE);
  EXPECT_EQ(errors[0], S_OK);
  EXPECT_EQ(errors[1], OPC_E_INVALIDHANDLE);
  CoTaskMemFree(errors);
  EXPECT_EQ(ReadRaw(sine, Time(At(1)), Time(At(2))).Error, OPC_E_INVALIDHANDLE);

  EXPECT_EQ(server->GetItemHandles(2, nullptr, clients, &handles, &errors), E_INVALIDARG);
  EXPECT_EQ(handles, nullptr);
  EXPECT_EQ(server->ReleaseItemHandles(1, nullptr, &errors), E_INVALIDARG);
}

TEST_F(ServerTest, AttributesReadAsCurrentValues) {
  const auto h = Handles({u"Test.Step", u"Test.Sine"});
  DWORD ids[] = {OPCHDA_DATA_TYPE, OPCHDA_STEPPED, OPCHDA_ITEMID, OPCHDA_MIN_TIME_INT, OPCHDA_NORMAL_MAXIMUM, 999};
  OPCHDA_TIME start = Time(At(1)), end = NoTime();
  OPCHDA_ATTRIBUTE* attributes = nullptr;
  HRESULT* errors = nullptr;
  ASSERT_EQ(Interface<IOPCHDA_SyncRead>()->ReadAttribute(&start, &end, h[0], 6, ids, &attributes, &errors), S_FALSE);
  EXPECT_EQ(errors[0], OPC_S_CURRENTVALUE);
  EXPECT_EQ(attributes[0].hClient, 1u);
  EXPECT_EQ(attributes[0].dwAttributeID, DWORD(OPCHDA_DATA_TYPE));
  ASSERT_EQ(attributes[0].dwNumValues, 1u);
  EXPECT_EQ(attributes[0].vAttributeValues[0].vt, VT_I2);
  EXPECT_EQ(attributes[0].vAttributeValues[0].iVal, VT_I4);
  EXPECT_EQ(attributes[1].vAttributeValues[0].vt, VT_BOOL);
  EXPECT_EQ(attributes[1].vAttributeValues[0].boolVal, VARIANT_TRUE);
  EXPECT_EQ(ValueOf(attributes[2].vAttributeValues[0]), TValue(std::string("Test.Step")));
  EXPECT_EQ(attributes[3].vAttributeValues[0].vt, VT_CY);
  EXPECT_EQ(ValueOf(attributes[3].vAttributeValues[0]), TValue(60.0));
  EXPECT_EQ(ValueOf(attributes[4].vAttributeValues[0]), TValue(9.0));
  EXPECT_EQ(errors[5], OPC_E_INVALIDATTRID);
  EXPECT_EQ(attributes[5].dwNumValues, 0u);
  for (DWORD i = 0; i < 6; ++i) {
    for (DWORD j = 0; j < attributes[i].dwNumValues; ++j) VariantClear(&attributes[i].vAttributeValues[j]);
    CoTaskMemFree(attributes[i].vAttributeValues);
    CoTaskMemFree(attributes[i].ftTimeStamps);
  }
  CoTaskMemFree(attributes);
  CoTaskMemFree(errors);

  EXPECT_EQ(Interface<IOPCHDA_SyncRead>()->ReadAttribute(&start, &end, 0xBAD, 1, ids, &attributes, &errors),
            OPC_E_INVALIDHANDLE);
  EXPECT_EQ(attributes, nullptr);
}

TEST_F(ServerTest, BrowsingTheAddressSpace) {
  ComPtr<IOPCHDA_Browser> browser;
  HRESULT* errors = reinterpret_cast<HRESULT*>(1);
  ASSERT_EQ(Interface<IOPCHDA_Server>()->CreateBrowse(0, nullptr, nullptr, nullptr, browser.GetAddressOf(), &errors),
            S_OK);
  CoTaskMemFree(errors);
  IEnumString* names = nullptr;
  ASSERT_EQ(browser->GetEnum(OPCHDA_BRANCH, &names), S_OK);
  EXPECT_EQ(Drain(names), (std::vector<std::u16string>{u"Test", u"Plant"}));
  ASSERT_EQ(browser->GetEnum(OPCHDA_LEAF, &names), S_FALSE);  // nothing at the root
  EXPECT_TRUE(Drain(names).empty());
  ASSERT_EQ(browser->GetEnum(OPCHDA_FLAT, &names), S_OK);
  const std::vector<std::u16string> flat = Drain(names);
  EXPECT_EQ(flat.size(), 15u);
  EXPECT_EQ(flat.front(), u"Test.Ramp");
  EXPECT_EQ(browser->ChangeBrowsePosition(OPCHDA_BROWSE_UP, u""), E_FAIL);

  LPWSTR text = nullptr;
  ASSERT_EQ(browser->ChangeBrowsePosition(OPCHDA_BROWSE_DOWN, u"Plant"), S_OK);
  ASSERT_EQ(browser->ChangeBrowsePosition(OPCHDA_BROWSE_DOWN, u"Area1"), S_OK);
  ASSERT_EQ(browser->GetBranchPosition(&text), S_OK);
  EXPECT_EQ(TakeString(text), u"Plant.Area1");
  ASSERT_EQ(browser->GetItemID(u"Boiler1", &text), S_OK);
  EXPECT_EQ(TakeString(text), u"Plant.Area1.Boiler1");
  EXPECT_EQ(browser->ChangeBrowsePosition(OPCHDA_BROWSE_DOWN, u"Nowhere"), E_INVALIDARG);
  ASSERT_EQ(browser->ChangeBrowsePosition(OPCHDA_BROWSE_DIRECT, u"Test"), S_OK);
  ASSERT_EQ(browser->GetEnum(OPCHDA_ITEMS, &names), S_OK);
  EXPECT_EQ(Drain(names), (std::vector<std::u16string>{u"Ramp", u"Sine", u"Step", u"Text", u"Gaps", u"Bad"}));
  ASSERT_EQ(browser->GetItemID(u"Sine", &text), S_OK);
  EXPECT_EQ(TakeString(text), u"Test.Sine");
  ASSERT_EQ(browser->GetItemID(u"Plant.Area2.Pump1.Speed", &text), S_OK);  // as a flat list names it
  EXPECT_EQ(TakeString(text), u"Plant.Area2.Pump1.Speed");
  EXPECT_EQ(browser->GetItemID(u"Nothing", &text), E_INVALIDARG);
  ASSERT_EQ(browser->ChangeBrowsePosition(OPCHDA_BROWSE_UP, u""), S_OK);
  ASSERT_EQ(browser->GetBranchPosition(&text), S_OK);
  EXPECT_EQ(TakeString(text), u"");

  // Filters on attributes: stepped items only, and a filter the server cannot take.
  DWORD attributes[] = {OPCHDA_STEPPED, 999};
  OPCHDA_OPERATORCODES operators[] = {OPCHDA_EQUAL, OPCHDA_EQUAL};
  VARIANT values[2];
  VariantInit(&values[0]);
  VariantInit(&values[1]);
  values[0].vt = VT_BOOL;
  values[0].boolVal = VARIANT_TRUE;
  values[1].vt = VT_I4;
  ComPtr<IOPCHDA_Browser> filtered;
  ComPtr<IOPCHDA_Server> server = Interface<IOPCHDA_Server>();
  ASSERT_EQ(server->CreateBrowse(2, attributes, operators, values, filtered.GetAddressOf(), &errors), S_FALSE);
  EXPECT_EQ(errors[0], S_OK);
  EXPECT_EQ(errors[1], OPC_E_INVALIDATTRID);
  CoTaskMemFree(errors);
  ASSERT_EQ(filtered->ChangeBrowsePosition(OPCHDA_BROWSE_DIRECT, u"Test"), S_OK);
  ASSERT_EQ(filtered->GetEnum(OPCHDA_LEAF, &names), S_OK);
  EXPECT_EQ(Drain(names), (std::vector<std::u16string>{u"Step", u"Text"}));
}

TEST_F(ServerTest, ShutdownRequestReachesTheSink) {
  ComPtr<IConnectionPointContainer> container = Interface<IConnectionPointContainer>();
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(IID_IOPCShutdown, point.GetAddressOf()), S_OK);
  ComPtr<TShutdownSink> sink(new TShutdownSink);
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(sink.Get(), &cookie), S_OK);
  RequestHdaSimShutdown("maintenance");
  // Delivered through the client's apartment, not during the request.
  EXPECT_TRUE(sink->Reasons.empty());
  EXPECT_TRUE(PumpUntil([&] { return !sink->Reasons.empty(); }));
  EXPECT_EQ(sink->Reasons, (std::vector<std::u16string>{u"maintenance"}));
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  RequestHdaSimShutdown("again");
  while (CheckSynchronize(0)) {
  }
  EXPECT_EQ(sink->Reasons.size(), 1u);
}
