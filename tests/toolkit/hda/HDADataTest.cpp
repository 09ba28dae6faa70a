// The HDA data model: ownership of list elements, item handles, deep value copies, the
// date-time array's growth and the quality and status texts.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "toolkit/hda/ZelkHDAData.h"
#include "toolkit/hda/ZelkHDAHandleTable.h"

namespace {

// A value item that notes when it is freed.
class TracedValue : public TZelkHDAValueItem {
public:
  TracedValue(std::vector<int>& freed, int id) : FFreed(freed), FId(id) {}
  ~TracedValue() override { FFreed.push_back(FId); }

private:
  std::vector<int>& FFreed;
  int FId;
};

std::string ListErrorText(const std::function<void()>& action) {
  try {
    action();
  } catch (const EListError& e) {
    return e.Message();
  }
  return "(no EListError)";
}

// Only compared, never called: the lists keep their server as a plain reference.
TZelkHDAServer* StandInServer() {
  static char standIn;
  return reinterpret_cast<TZelkHDAServer*>(&standIn);
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
    EXPECT_TRUE(freed.empty()) << "a put frees nothing";
    EXPECT_EQ(3, values.Count());
  }
  EXPECT_EQ((std::vector<int>{2, 7, 0}), freed);
  delete replaced;
  EXPECT_EQ((std::vector<int>{2, 7, 0, 1}), freed);

  freed.clear();
  TZelkHDAValueList values;
  values.Add(new TracedValue(freed, 0));
  values.Add(new TracedValue(freed, 1));
  values.Clear();
  EXPECT_EQ((std::vector<int>{1, 0}), freed);
  EXPECT_EQ(0, values.Count());
  values.Add(new TracedValue(freed, 2));
  EXPECT_EQ(1, values.Count()) << "a cleared list takes new elements";

  EXPECT_EQ("List index out of bounds (1)", ListErrorText([&] { values.Items(1); }));
  EXPECT_EQ("List index out of bounds (-1)", ListErrorText([&] { values.SetItems(-1, nullptr); }));
}

TEST(HDADataTest, ItemsBindTheirItemsAndForgetHandlesOnlyWhenAdded) {
  TZelkHDAItems first(nullptr);
  TZelkHDAItem* item = first.AddItem("X");
  EXPECT_EQ(item, first.Items(0));
  EXPECT_EQ("X", item->ItemId);
  EXPECT_EQ(&first, item->HdaItems);
  EXPECT_EQ(0u, item->ServerHandle());
  EXPECT_EQ(0u, item->Aggregate());
  EXPECT_EQ(0u, item->CancelID());
  EXPECT_EQ(S_OK, item->LastHResult);
  EXPECT_TRUE(item->LastValue.IsNull());
  EXPECT_EQ(0u, item->LastTimeStamp.dwLowDateTime | item->LastTimeStamp.dwHighDateTime);
  EXPECT_EQ(0, item->Values()->Count());
  EXPECT_FALSE(first.SkipRepeatedValues());

  // Moving a resolved item with Add makes the next read ask for its handle again ...
  item->SetServerHandle(42);
  TZelkHDAItems second(nullptr);
  second.Add(item);
  EXPECT_EQ(&second, item->HdaItems);
  EXPECT_EQ(0u, item->ServerHandle());
  second.Extract(item);

  // ... placing it with a put keeps the handle.
  item->SetServerHandle(42);
  TZelkHDAItem* displaced = second.AddItem("Y");
  second.SetItems(0, item);
  EXPECT_EQ(&second, item->HdaItems);
  EXPECT_EQ(42u, item->ServerHandle());
  EXPECT_EQ(item, second.Items(0));
  delete displaced;

  // A refused put leaves the item where it was.
  TZelkHDAItems third(nullptr);
  EXPECT_EQ("List index out of bounds (0)", ListErrorText([&] { third.SetItems(0, item); }));
  EXPECT_EQ(&second, item->HdaItems);

  // The first list gives up its copy of the pointer so that only the second frees the item.
  first.Extract(item);
  EXPECT_EQ(0, first.Count());
}

TEST(HDADataTest, ClientHandlesAreUniqueAmongLiveItems) {
  TZelkHDAItems items(nullptr);
  std::vector<uint32_t> handles;
  for (int i = 0; i < 50; ++i) handles.push_back(items.AddItem("I" + std::to_string(i))->ClientHandle());
  std::sort(handles.begin(), handles.end());
  EXPECT_EQ(handles.end(), std::adjacent_find(handles.begin(), handles.end()));
  EXPECT_EQ(handles.end(), std::find(handles.begin(), handles.end(), 0u));

  // The caller's own handle replaces the identity, not the reservation.
  TZelkHDAItem* item = items.Items(0);
  item->SetClientHandle(7);
  EXPECT_EQ(7u, item->ClientHandle());
}

TEST(HDADataTest, HandleTableNeverHandsOutAHandleInUse) {
  TZelkHDAHandleTable table(2, 3);
  EXPECT_EQ(2u, table.Acquire());
  EXPECT_EQ(3u, table.Acquire());
  EXPECT_EQ(1u, table.Acquire()) << "wraps round past 0";
  try {
    table.Acquire();
    ADD_FAILURE() << "a full table hands out a handle";
  } catch (const Exception& e) {
    EXPECT_EQ("No free client handle", e.Message());
  }
  table.Release(3);
  table.Release(3);
  EXPECT_EQ(3u, table.Acquire()) << "the only free handle, found by skipping those in use";
  table.Release(1);
  table.Release(2);
  EXPECT_EQ(1u, table.Acquire()) << "freed handles come back in turn";
}

TEST(HDADataTest, ItemsFreeValuesAnnotationsAndAttributeValuesWithThem) {
  auto* items = new TZelkHDAItems(nullptr);
  TZelkHDAItem* item = items->AddItem("A");
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(u"history");
  item->Values()->AddNew(v);
  TZelkHDAAnnotations* annotations = item->Annotations();
  EXPECT_EQ(annotations, item->Annotations()) << "made once";
  annotations->AddNew()->Annotation = "checked";
  ASSERT_EQ(S_OK, item->LastValue.CopyFrom(v));
  VariantClear(&v);
  // Leak checking of the sanitizer build catches what the destructors miss.
  delete items;

  TZelkHDAItemAttributes attributes;
  TZelkHDAItemAttributesItem* attribute = attributes.AddNew();
  EXPECT_EQ(0u, attribute->ID);
  EXPECT_EQ(S_OK, attribute->LastHResult);
  TZelkHDAAttributeValues* values = attribute->AttributeValues();
  EXPECT_EQ(values, attribute->AttributeValues());
  VARIANT number;
  VariantInit(&number);
  number.vt = VT_R8;
  number.dblVal = 2.5;
  EXPECT_EQ(2.5, values->AddNew(number)->Value.Value().dblVal);
  EXPECT_EQ(0.0, values->Items(0)->TimeStamp);
}

TEST(HDADataTest, AddNewKeepsItsOwnCopyOfWhatTheServerHandedOver) {
  TZelkHDAValueList values;
  VARIANT text;
  VariantInit(&text);
  text.vt = VT_BSTR;
  text.bstrVal = SysAllocString(u"raw value");
  TZelkHDAValueItem* stored = values.AddNew(text);
  EXPECT_NE(text.bstrVal, stored->Value.Value().bstrVal);
  VariantClear(&text);
  ASSERT_EQ(VT_BSTR, stored->Value.VarType());
  EXPECT_EQ(std::u16string(u"raw value"), std::u16string(stored->Value.Value().bstrVal));
  EXPECT_EQ(0.0, stored->TimeStamp);
  EXPECT_EQ(0u, stored->hdaQuality);
  EXPECT_EQ(0, stored->Quality);
  EXPECT_EQ("", stored->UserID);

  // A value by reference is copied from where it points, not as a pointer into the server.
  LONG serverSlot = 5;
  VARIANT reference;
  VariantInit(&reference);
  reference.vt = VT_BYREF | VT_I4;
  reference.plVal = &serverSlot;
  stored = values.AddNew(reference);
  serverSlot = 6;
  ASSERT_EQ(VT_I4, stored->Value.VarType());
  EXPECT_EQ(5, stored->Value.Value().lVal);

  // A VARIANT that cannot be copied adds nothing.
  VARIANT broken;
  VariantInit(&broken);
  broken.vt = 0x0FFF;
  EXPECT_THROW(values.AddNew(broken), EOleSysError);
  EXPECT_EQ(2, values.Count());
}

TEST(HDADataTest, DateTimeListGrowsByEightSlots) {
  TDateTimeList times;
  EXPECT_EQ(0, times.Capacity());
  for (int i = 0; i < 8; ++i) EXPECT_EQ(i, times.Add(45000.0 + i));
  EXPECT_EQ(8, times.Capacity());
  EXPECT_EQ(8, times.Add(45008.0));
  EXPECT_EQ(16, times.Capacity());
  EXPECT_EQ(9, times.Count());
  for (int i = 0; i < 9; ++i) EXPECT_EQ(45000.0 + i, times.Get(i)) << "kept through growth";
  for (int i = 9; i < 17; ++i) times.Add(1.0);
  EXPECT_EQ(24, times.Capacity()) << "never doubles";
  times.Put(3, 1.5);
  EXPECT_EQ(1.5, times.Get(3));

  EXPECT_EQ("List index out of bounds (17)", ListErrorText([&] { times.Get(17); }));
  EXPECT_EQ("List index out of bounds (-1)", ListErrorText([&] { times.Put(-1, 0); }));

  times.Clear();
  EXPECT_EQ(0, times.Count());
  EXPECT_EQ(0, times.Capacity());
  EXPECT_EQ("List index out of bounds (0)", ListErrorText([&] { times.Get(0); }));
  EXPECT_EQ(0, times.Add(2.0));
  EXPECT_EQ(8, times.Capacity());
}

TEST(HDADataTest, QualityAndStatusTexts) {
  EXPECT_EQ("raw", HdaQualityToString(0x40000));
  EXPECT_EQ("rawnodata", HdaQualityToString(0x240000));
  EXPECT_EQ("extradatainterpolatedrawcalculatednoboundnodatadatalostconversion", HdaQualityToString(0xFF0000));
  EXPECT_EQ("", HdaQualityToString(0xC0));
  EXPECT_EQ("", HdaQualityToString(0x1000000)) << "bit 24 is not an HDA flag word";
  EXPECT_EQ("calculated", HdaQualityToString(0xFF0800C0));

  EXPECT_EQ("up", HdaServerStatusToString(1));
  EXPECT_EQ("down", HdaServerStatusToString(2));
  EXPECT_EQ("indeterminate", HdaServerStatusToString(3));
  EXPECT_EQ("unknown", HdaServerStatusToString(0));
  EXPECT_EQ("unknown", HdaServerStatusToString(4));
  EXPECT_EQ("unknown", HdaServerStatusToString(-1));

  TZelkHDAValueItem value;
  value.Quality = 0xC0;
  EXPECT_TRUE(value.IsGoodQuality());
  EXPECT_EQ("good", value.QualityAsString());
  value.Quality = 0xD8;
  EXPECT_TRUE(value.IsGoodQuality());
  EXPECT_EQ("goodLocalOverride", value.QualityAsString());
  value.Quality = 0x40;
  EXPECT_FALSE(value.IsGoodQuality());
  value.Quality = 0x00;
  EXPECT_FALSE(value.IsGoodQuality());
  value.Quality = 0x1C0;
  EXPECT_EQ("good", value.QualityAsString()) << "vendor bits above the low byte are ignored";
  value.hdaQuality = 0x2400C0;
  EXPECT_EQ("rawnodata", value.HdaQualityAsString());
}

TEST(HDADataTest, UpdateRequestsRefuseMissingOwnersAndHandles) {
  try {
    TZelkHDAUpdateItems refused(nullptr);
    ADD_FAILURE() << "an update list without a server";
  } catch (const Exception& e) {
    EXPECT_EQ("fHdaServer=nil", e.Message());
  }
  try {
    TZelkHDAUpdateItem refused(nullptr, 5);
    ADD_FAILURE() << "an update item without a list";
  } catch (const Exception& e) {
    EXPECT_EQ("fHdaUpdateItems=nil", e.Message());
  }

  TZelkHDAUpdateItems updates(StandInServer());
  EXPECT_EQ(StandInServer(), updates.HdaServer());
  TZelkHDAUpdateItem* entry = updates.AddItem(17);
  EXPECT_EQ(&updates, entry->HdaUpdateItems());
  EXPECT_EQ(17u, entry->ServerHandle());
  EXPECT_EQ(64u, entry->Quality);
  EXPECT_TRUE(entry->Value.IsNull());
  EXPECT_EQ(0.0, entry->TimeStamp);

  TZelkHDAUpdateItem* unresolved = updates.AddItem(0);
  try {
    unresolved->ServerHandle();
    ADD_FAILURE() << "an entry without a handle reaches the server";
  } catch (const Exception& e) {
    EXPECT_EQ("ServerHandle=0", e.Message());
  }

  TZelkHDAUpdateItems other(StandInServer());
  auto* moved = new TZelkHDAUpdateItem(&other, 3);
  updates.SetItems(1, moved);
  EXPECT_EQ(&updates, moved->HdaUpdateItems());
  delete unresolved;
}
