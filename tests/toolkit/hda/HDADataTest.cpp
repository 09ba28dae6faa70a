// The HDA data model: element ownership, item handles, deep value copies, the date-time
// array's growth and the quality and status texts.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "opc/_opcactivex.h"
#include "tests/support/RaisedMessage.h"
#include "toolkit/hda/ZelkHDABlockCache.h"
#include "toolkit/hda/ZelkHDAData.h"
#include "toolkit/hda/ZelkHDAHandleTable.h"

namespace {

class TracedValue : public TZelkHDAValueItem {
public:
  TracedValue(std::vector<int>& freed, int id) : FFreed(freed), FId(id) {}
  ~TracedValue() override { FFreed.push_back(FId); }

private:
  std::vector<int>& FFreed;
  int FId;
};

// Records its id when its last reference goes, so that the order values are released in shows.
class ReleaseProbe : public IUnknown {
public:
  ReleaseProbe(std::vector<int>& released, int id) : FReleased(released), FId(id) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefs; }
  ULONG STDMETHODCALLTYPE Release() override {
    if (--FRefs == 0) FReleased.push_back(FId);
    return FRefs;
  }

private:
  std::vector<int>& FReleased;
  int FId;
  ULONG FRefs = 1;
};

VARIANT UnknownValue(IUnknown* object) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_UNKNOWN;
  value.punkVal = object;
  return value;
}

}  // namespace

TEST(HDADataTest, ListsFreeTheirElementsLastToFirstAndPutOnlyStores) {
  std::vector<int> freed;
  TracedValue* replaced;
  {
    TZelkHDAValueList values;
    for (int id = 0; id < 3; ++id) values.Add(new TracedValue(freed, id));
    replaced = static_cast<TracedValue*>(values.Items(1));
    values.SetItems(1, new TracedValue(freed, 7));
    EXPECT_TRUE(freed.empty());
  }
  EXPECT_EQ((std::vector<int>{2, 7, 0}), freed);
  delete replaced;

  TZelkHDAValueList values;
  values.Add(new TracedValue(freed, 8));
  values.Add(new TracedValue(freed, 9));
  values.Clear();
  EXPECT_EQ((std::vector<int>{2, 7, 0, 1, 9, 8}), freed);
  EXPECT_EQ(0, values.Count());
  EXPECT_EQ("List index out of bounds (0)", Raised<EListError>([&] { values.Items(0); }));
}

TEST(HDADataTest, ItemHandles) {
  TZelkHDAItems first(nullptr), second(nullptr), third(nullptr);
  TZelkHDAItem* item = first.AddItem("X");
  EXPECT_EQ(&first, item->HdaItems);
  EXPECT_EQ(0u, item->ServerHandle());
  EXPECT_TRUE(item->LastValue.IsNull());

  // Moving a resolved item with Add makes it ask again; a put keeps its handle.
  item->SetServerHandle(42);
  second.Add(item);
  EXPECT_EQ(&second, item->HdaItems);
  EXPECT_EQ(0u, item->ServerHandle());
  item->SetServerHandle(42);
  TZelkHDAItem* displaced = third.AddItem("Y");
  third.SetItems(0, item);
  EXPECT_EQ(&third, item->HdaItems);
  EXPECT_EQ(42u, item->ServerHandle());
  delete displaced;
  EXPECT_EQ("List index out of bounds (1)", Raised<EListError>([&] { second.SetItems(1, item); }));
  EXPECT_EQ(&third, item->HdaItems) << "a refused put leaves the item bound";
  first.Extract(item);
  second.Extract(item);

  std::vector<uint32_t> handles;
  for (int i = 0; i < 50; ++i) handles.push_back(first.AddItem("I")->ClientHandle());
  handles.push_back(item->ClientHandle());
  std::sort(handles.begin(), handles.end());
  EXPECT_EQ(handles.end(), std::adjacent_find(handles.begin(), handles.end()));
  EXPECT_NE(0u, handles.front());
}

TEST(HDADataTest, HandleTableNeverHandsOutAHandleInUse) {
  TZelkHDAHandleTable table(2, 3);
  EXPECT_EQ(2u, table.Acquire());
  EXPECT_EQ(3u, table.Acquire());
  EXPECT_EQ(1u, table.Acquire()) << "wraps round past 0";
  EXPECT_EQ("No free client handle", Raised([&] { table.Acquire(); }));
  table.Release(3);
  EXPECT_EQ(3u, table.Acquire()) << "found by skipping those in use";
  table.Release(1);
  table.Release(2);
  EXPECT_EQ(1u, table.Acquire());
}

TEST(HDADataTest, AddNewKeepsItsOwnCopyOfWhatTheServerHandedOver) {
  auto* items = new TZelkHDAItems(nullptr);
  TZelkHDAItem* item = items->AddItem("A");
  VARIANT text;
  VariantInit(&text);
  text.vt = VT_BSTR;
  text.bstrVal = SysAllocString(u"raw value");
  TZelkHDAValueItem* stored = item->Values()->AddNew(text);
  item->Annotations()->AddNew()->Annotation = "checked";
  VariantClear(&text);
  ASSERT_EQ(VT_BSTR, stored->Value.VarType());
  EXPECT_EQ(std::u16string(u"raw value"), std::u16string(stored->Value.Value().bstrVal));

  // A value by reference is copied from where it points, not as a pointer into the server.
  LONG serverSlot = 5;
  VARIANT reference;
  VariantInit(&reference);
  reference.vt = VT_BYREF | VT_I4;
  reference.plVal = &serverSlot;
  TZelkHDAItemAttributes attributes;
  TZelkHDAAttributeValue* attribute = attributes.AddNew()->AttributeValues()->AddNew(reference);
  serverSlot = 6;
  ASSERT_EQ(VT_I4, attribute->Value.VarType());
  EXPECT_EQ(5, attribute->Value.Value().lVal);

  VARIANT broken;
  VariantInit(&broken);
  broken.vt = 0x0FFF;
  EXPECT_THROW(item->Values()->AddNew(broken), EOleSysError);
  EXPECT_EQ(1, item->Values()->Count());
  // The sanitizer build's leak check sees what freeing the list misses.
  delete items;
}

TEST(HDADataTest, ValueItemsTheListMakesLiveInItsBlocksAndAreStillFreedLastToFirst) {
  std::vector<int> released;
  std::vector<ReleaseProbe> probes;
  for (int id = 0; id < 4; ++id) probes.emplace_back(released, id);
  std::vector<int> freed;
  {
    TZelkHDAValueList values;
    // Made by the list, taken over, a caller's own item and deep-copied, mixed.
    VARIANT taken = UnknownValue(&probes[0]);
    TZelkHDAValueItem* first = values.AddTaken(taken);
    EXPECT_EQ(VT_EMPTY, taken.vt) << "the list took the reference over";
    VARIANT copied = UnknownValue(&probes[1]);
    values.AddNew(copied);
    VariantClear(&copied);
    auto* own = new TracedValue(freed, 2);
    VARIANT ownValue = UnknownValue(&probes[2]);
    own->Value.Attach(ownValue);
    values.Add(own);
    // Far more than one block: earlier items stay where they are.
    VARIANT number;
    VariantInit(&number);
    number.vt = VT_R8;
    for (int j = 0; j < 5000; ++j) {
      number.dblVal = j;
      values.AddTaken(number)->hdaQuality = static_cast<uint32_t>(j);
    }
    VARIANT last = UnknownValue(&probes[3]);
    values.AddTaken(last);
    EXPECT_EQ(first, values.Items(0));
    EXPECT_EQ(&probes[0], first->Value.Value().punkVal);
    EXPECT_EQ(4999.0, values.Items(5002)->Value.Value().dblVal);
    EXPECT_EQ(4999u, values.Items(5002)->hdaQuality);
    EXPECT_TRUE(released.empty());
  }
  EXPECT_EQ((std::vector<int>{3, 2, 1, 0}), released);
  EXPECT_EQ((std::vector<int>{2}), freed);
  // A million values are written and read back once each: every byte counts.
  EXPECT_LE(sizeof(TZelkHDAValueItem), 48u);
}

template <class T>
T* TaskArray(size_t count) {
  return static_cast<T*>(CoTaskMemAlloc(count * sizeof(T)));
}

TEST(HDADataTest, AdoptedValuesBecomeItemsWhenAskedAndAreAllFreedOnce) {
  std::vector<int> released;
  std::vector<ReleaseProbe> probes;
  for (int id = 0; id < 5; ++id) probes.emplace_back(released, id);
  const FILETIME first{0x9E3E8000u, 0x01DA3C1Au};
  LONG slot = 5;
  {
    TZelkHDAValueList values;
    values.AddNew(UnknownValue(&probes[2]))->hdaQuality = 7;
    probes[2].Release();  // the list holds the only reference now

    auto* timeStamps = TaskArray<FILETIME>(4);
    auto* qualities = TaskArray<DWORD>(4);
    auto* data = TaskArray<VARIANT>(4);
    for (int j = 0; j < 4; ++j) {
      timeStamps[j] = FILETIME{first.dwLowDateTime + 10'000'000u * j, first.dwHighDateTime};
      qualities[j] = 0x000400C0u + j;
      VariantInit(&data[j]);
    }
    data[0].vt = VT_R8;
    data[0].dblVal = 1.5;
    data[1].vt = VT_BYREF | VT_I4;
    data[1].plVal = &slot;
    data[2] = UnknownValue(&probes[0]);
    data[3] = UnknownValue(&probes[1]);
    values.AdoptValues(4, timeStamps, qualities, data);
    EXPECT_TRUE(!timeStamps && !qualities && !data) << "the list owns the arrays now";
    slot = 6;  // what the server's reference pointed to is gone after the call

    ASSERT_EQ(5, values.Count());
    TZelkHDAValueItem* made = values.Items(1);
    EXPECT_EQ(made, values.Items(1)) << "made once";
    EXPECT_EQ(1.5, made->Value.Value().dblVal);
    EXPECT_EQ(0x000400C0u, made->hdaQuality);
    EXPECT_EQ(0x00C0, made->Quality);
    EXPECT_EQ(FileTimeToLocalDateTime(first), made->TimeStamp);
    EXPECT_EQ(5, values.Items(2)->Value.Value().lVal) << "a reference is copied when adopted";
    EXPECT_EQ(0x000400C3u, values.Items(4)->hdaQuality);

    // A made item can be taken out; the list frees the rest, made or not, each once.
    delete values.Extract(values.Items(4));
    EXPECT_EQ((std::vector<int>{1}), released);
    values.AddNew(UnknownValue(&probes[3]));
    probes[3].Release();
    EXPECT_EQ(7u, values.Items(0)->hdaQuality);
  }
  // Made items last to first, then the values never made.
  EXPECT_EQ((std::vector<int>{1, 3, 2, 0}), released);
  {
    // Made items are destroyed even where nothing was ever added to the list.
    TZelkHDAValueList onlyMade;
    auto* timeStamps = TaskArray<FILETIME>(1);
    auto* qualities = TaskArray<DWORD>(1);
    auto* data = TaskArray<VARIANT>(1);
    timeStamps[0] = first;
    qualities[0] = 0xC0;
    data[0] = UnknownValue(&probes[4]);
    onlyMade.AdoptValues(1, timeStamps, qualities, data);
    onlyMade.First();
  }
  EXPECT_EQ(4, released.back());

  TZelkHDAValueList values;
  auto* timeStamps = TaskArray<FILETIME>(1);
  auto* qualities = TaskArray<DWORD>(1);
  auto* data = TaskArray<VARIANT>(1);
  VariantInit(&data[0]);
  data[0].vt = VT_BYREF | 0x0FFF;
  data[0].byref = &slot;
  EXPECT_THROW(values.AdoptValues(1, timeStamps, qualities, data), EOleSysError);
  EXPECT_TRUE(timeStamps && qualities && data) << "a refused adoption leaves the arrays with the caller";
  values.AdoptValues(0, timeStamps, qualities, data);
  EXPECT_TRUE(timeStamps && qualities && data) << "no values, nothing to adopt";
  EXPECT_EQ(0, values.Count());
  CoTaskMemFree(timeStamps);
  CoTaskMemFree(qualities);
  CoTaskMemFree(data);
}

TEST(HDADataTest, ValueItemsTakenFromTheListOrRefilledAreFreedOnce) {
  TZelkHDAValueList values;
  VARIANT text;
  VariantInit(&text);
  text.vt = VT_BSTR;
  text.bstrVal = SysAllocString(u"kept");
  const BSTR server = text.bstrVal;
  TZelkHDAValueItem* stolen = values.AddTaken(text);
  EXPECT_EQ(server, stolen->Value.Value().bstrVal) << "taken over, not copied";

  // By reference points into the sender's memory: copied even when taking over.
  LONG slot = 5;
  VARIANT reference;
  VariantInit(&reference);
  reference.vt = VT_BYREF | VT_I4;
  reference.plVal = &slot;
  TZelkHDAValueItem* referenced = values.AddTaken(reference);
  slot = 6;
  EXPECT_EQ(VT_I4, referenced->Value.VarType());
  EXPECT_EQ(5, referenced->Value.Value().lVal);

  // The modification record: empty until written, freed with the item.
  EXPECT_EQ(0, stolen->ModificationTime());
  EXPECT_EQ(0u, stolen->EditType());
  EXPECT_EQ("", stolen->UserID());
  referenced->SetUserID("operator");
  referenced->SetEditType(2);
  referenced->SetModificationTime(46000.5);
  EXPECT_EQ("operator", referenced->UserID());
  EXPECT_EQ(2u, referenced->EditType());
  EXPECT_EQ(46000.5, referenced->ModificationTime());
  EXPECT_EQ(0, referenced->TimeStamp) << "the record is apart from the value's own fields";
  stolen->SetModification(46001, 1, "second");
  EXPECT_EQ("second", stolen->UserID());
  EXPECT_EQ("operator", referenced->UserID()) << "each item has its own record";

  // An item the list made can be taken out and deleted; the list's Clear leaves it alone, and
  // a null element too.
  TZelkHDAValueItem* extracted = values.Extract(stolen);
  delete extracted;
  {
    // So can an owner that knows it only as an object.
    TObjectList owner;
    owner.Add(values.Extract(referenced));
  }
  values.Add(nullptr);
  values.Clear();
  EXPECT_EQ(0, values.Count());
  VARIANT again;
  VariantInit(&again);
  again.vt = VT_I4;
  again.lVal = 1;
  EXPECT_EQ(1, values.AddTaken(again)->Value.Value().lVal) << "usable after Clear";
  // The sanitizer build sees a missed or doubled free.
}

TEST(HDADataTest, BlockCacheKeepsFullBlocksOnly) {
  constexpr size_t full = TZelkHDABlockCache::kBlockBytes;
  void* block = TZelkHDABlockCache::Acquire(full);
  void* small = TZelkHDABlockCache::Acquire(1024);
  TZelkHDABlockCache::Release(block, full);
  TZelkHDABlockCache::Release(small, 1024);
  // The sanitizer's heap never hands a freed block straight back, so only the cache can.
  EXPECT_EQ(block, TZelkHDABlockCache::Acquire(full)) << "the full block kept, the small one not";
  TZelkHDABlockCache::Release(block, full);
}

TEST(HDADataTest, DateTimeListGrowsByEightSlots) {
  TDateTimeList times;
  for (int i = 0; i < 8; ++i) times.Add(45000.0 + i);
  EXPECT_EQ(8, times.Capacity());
  EXPECT_EQ(8, times.Add(45008.0));
  EXPECT_EQ(16, times.Capacity());
  for (int i = 0; i < 9; ++i) EXPECT_EQ(45000.0 + i, times.Get(i));
  for (int i = 9; i < 17; ++i) times.Add(1.0);
  EXPECT_EQ(24, times.Capacity()) << "never doubles";
  EXPECT_EQ("List index out of bounds (17)", Raised<EListError>([&] { times.Get(17); }));
  EXPECT_EQ("List index out of bounds (-1)", Raised<EListError>([&] { times.Put(-1, 0); }));
  times.Clear();
  EXPECT_EQ(0, times.Count());
  EXPECT_EQ(0, times.Capacity());
  EXPECT_EQ(0, times.Add(2.0));
}

TEST(HDADataTest, QualityAndStatusTexts) {
  EXPECT_EQ("raw", HdaQualityToString(0x40000));
  EXPECT_EQ("rawnodata", HdaQualityToString(0x240000));
  EXPECT_EQ("extradatainterpolatedrawcalculatednoboundnodatadatalostconversion", HdaQualityToString(0xFF0000));
  EXPECT_EQ("", HdaQualityToString(0xC0));
  EXPECT_EQ("", HdaQualityToString(0x1000000));
  EXPECT_EQ("unknown", HdaServerStatusToString(0));
  EXPECT_EQ("up", HdaServerStatusToString(1));
  EXPECT_EQ("down", HdaServerStatusToString(2));
  EXPECT_EQ("indeterminate", HdaServerStatusToString(3));
  EXPECT_EQ("unknown", HdaServerStatusToString(4));

  TZelkHDAValueItem value;
  value.Quality = 0xD8;
  value.hdaQuality = 0x2400D8;
  EXPECT_TRUE(value.IsGoodQuality());
  EXPECT_EQ("goodLocalOverride", value.QualityAsString());
  EXPECT_EQ("rawnodata", value.HdaQualityAsString());
  value.Quality = 0x40;
  EXPECT_FALSE(value.IsGoodQuality());
  value.Quality = 0x1C0;
  EXPECT_EQ("good", value.QualityAsString()) << "only the low byte is read";
}

TEST(HDADataTest, UpdateRequestsRefuseMissingOwnersAndHandles) {
  EXPECT_EQ("fHdaServer=nil", Raised([] { TZelkHDAUpdateItems(nullptr); }));
  EXPECT_EQ("fHdaUpdateItems=nil", Raised([] { TZelkHDAUpdateItem(nullptr, 5); }));

  // Only compared, never called: the list keeps its server as a plain reference.
  static char serverStandIn;
  TZelkHDAUpdateItems updates(reinterpret_cast<TZelkHDAServer*>(&serverStandIn));
  TZelkHDAUpdateItem* entry = updates.AddItem(17);
  EXPECT_EQ(&updates, entry->HdaUpdateItems());
  EXPECT_EQ(17u, entry->ServerHandle());
  EXPECT_EQ(64u, entry->Quality);
  EXPECT_TRUE(entry->Value.IsNull());
  EXPECT_EQ("ServerHandle=0", Raised([&] { updates.AddItem(0)->ServerHandle(); }));
}
