#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Lists.h"
#include "tests/rtl/RtlTestSupport.h"

namespace {

// Records each notification and whether the list still held the item at that moment.
class TRecordingList : public TList {
public:
  Journal Events;

protected:
  void Notify(void* item, TListNotification action) override {
    static const char* const names[] = {"added", "extracted", "deleted"};
    Events.push_back(std::string(names[static_cast<int>(action)]) + " " + *static_cast<std::string*>(item) +
                     (IndexOf(item) >= 0 ? " (listed)" : ""));
  }
};

int item1 = 1, item2 = 2, item3 = 3;

TEST(List, IndexErrorsNameTheIndex) {
  TList list;
  EXPECT_EQ(ErrorOf<EListError>([&] { list.First(); }), "List index out of bounds (0)");
  EXPECT_EQ(ErrorOf<EListError>([&] { list.Last(); }), "List index out of bounds (-1)");
  list.Add(&item1);
  list.Add(&item2);
  EXPECT_EQ(ErrorOf<EListError>([&] { list.Get(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(ErrorOf<EListError>([&] { list.Put(2, &item3); }), "List index out of bounds (2)");
  EXPECT_EQ(ErrorOf<EListError>([&] { list.Insert(3, &item3); }), "List index out of bounds (3)");
  EXPECT_EQ(ErrorOf<EListError>([&] { list.Exchange(0, 2); }), "List index out of bounds (2)");
  EXPECT_EQ(ErrorOf<EListError>([&] { list.Move(-1, 0); }), "List index out of bounds (-1)");
  EXPECT_EQ(ErrorOf<EListError>([&] { list.SetCount(-1); }), "List count out of bounds (-1)");
  EXPECT_EQ(ErrorOf<EListError>([&] { list.SetCapacity(1); }), "List capacity out of bounds (1)");
  EXPECT_EQ(list.Count(), 2);  // nothing above changed the list
}

TEST(List, EditingKeepsOrder) {
  TList list;
  EXPECT_EQ(list.Add(&item1), 0);
  EXPECT_EQ(list.Add(&item3), 1);
  list.Insert(1, &item2);
  list.Insert(3, nullptr);  // at Count: appends
  EXPECT_EQ(list.IndexOf(&item2), 1);
  EXPECT_EQ(list.IndexOf(nullptr), 3);
  EXPECT_EQ(list.Remove(nullptr), 3);
  EXPECT_EQ(list.Remove(nullptr), -1);

  list.Move(0, 2);  // 2 3 1
  EXPECT_EQ(list.Get(0), &item2);
  EXPECT_EQ(list.Get(2), &item1);
  list.Move(2, 1);  // 2 1 3
  list.Exchange(0, 2);
  EXPECT_EQ(list.First(), &item3);
  EXPECT_EQ(list.Get(1), &item1);

  list.Sort([](void* a, void* b) { return *static_cast<int*>(a) - *static_cast<int*>(b); });
  EXPECT_EQ(list.Get(2), &item3);
  // A comparison that raises leaves the order alone.
  EXPECT_THROW(list.Sort([](void*, void*) -> int { throw EListError("x"); }), EListError);
  EXPECT_EQ(list.Get(0), &item1);

  list.SetCount(5);
  EXPECT_EQ(list.Get(4), nullptr);
  list.SetCount(1);
  EXPECT_EQ(list.Last(), &item1);
}

TEST(List, NotifyComesAfterTheChange) {
  std::string a = "a", b = "b", c = "c";
  TRecordingList list;
  list.Add(&a);
  list.Add(nullptr);  // nulls are not reported
  list.Put(1, &b);
  list.Put(1, &c);
  list.Put(1, &c);  // the same element again: no news
  EXPECT_EQ(list.Extract(&a), &a);
  EXPECT_EQ(list.Extract(&a), nullptr);
  list.Add(&a);
  list.Add(&b);
  list.Clear();
  EXPECT_EQ(list.Events, (Journal{"added a (listed)", "added b (listed)", "deleted b", "added c (listed)",
                                  "extracted a", "added a (listed)", "added b (listed)", "deleted b",
                                  "deleted a", "deleted c"}));
}

// Stands placeholders in for strings "k<key>" and makes each on first use, counting the makes.
class TLazyList : public TRecordingList {
public:
  void AddLazy(uint64_t firstKey, int count) { AddPlaceholders(firstKey, count); }
  bool HoldsPlaceholder(int index) const { return IsPlaceholder(Stored(index)); }
  std::vector<std::string*> Made;

protected:
  void* MakeElement(uint64_t key) override {
    Made.push_back(new std::string("k" + std::to_string(key)));
    return Made.back();
  }
};

std::string Text(void* item) { return *static_cast<std::string*>(item); }

TEST(List, PlaceholdersAreMadeIntoElementsOnFirstUseOnly) {
  TLazyList list;
  std::string plain = "plain";
  list.Add(&plain);
  list.AddLazy((uint64_t{1} << 62) - 2, 2);  // keys use 63 bits
  list.AddLazy(7, 3);
  EXPECT_EQ(list.Count(), 6);
  EXPECT_EQ(Text(list.Get(2)), "k4611686018427387903");
  EXPECT_EQ(list.Get(2), list.Get(2)) << "made once, then stored";
  EXPECT_EQ(list.Made.size(), 1u);

  // Reordering and dropping move or forget placeholders without making them.
  list.Exchange(1, 5);  // plain k9 k..903 k7 k8 k..902
  list.Move(4, 0);      // k8 plain k9 k..903 k7 k..902
  list.Delete(2);       // k8 plain k..903 k7 k..902
  std::string other = "other";
  list.Put(3, &other);  // k8 plain k..903 other k..902
  EXPECT_EQ(list.Made.size(), 1u);
  EXPECT_TRUE(list.HoldsPlaceholder(0));
  EXPECT_EQ(Text(list.First()), "k8");
  EXPECT_EQ(Text(list.Last()), "k4611686018427387902");
  EXPECT_EQ(list.Made.size(), 3u);

  list.AddLazy(1, 2);
  list.Sort([](void* a, void* b) { return Text(a).compare(Text(b)); });
  EXPECT_EQ(Text(list.Get(0)), "k1") << "sorting sees made elements";
  EXPECT_EQ(Text(list.Get(6)), "plain");
  EXPECT_EQ(list.Made.size(), 5u);
  // Only what was added as an element is reported; made elements and placeholders never are.
  EXPECT_EQ(list.Events, (Journal{"added plain (listed)", "added other (listed)"}));
  for (std::string* made : list.Made) delete made;
}

TEST(List, OddValuesAreElementsInAListWithoutPlaceholders) {
  // Lists of small numbers cast to pointers are common: only placeholder lists read the low bit.
  TList numbers;
  numbers.Add(reinterpret_cast<void*>(uintptr_t{3}));
  EXPECT_EQ(numbers.Get(0), reinterpret_cast<void*>(uintptr_t{3}));
  numbers.Sort([](void*, void*) { return 0; });
  EXPECT_EQ(numbers.First(), reinterpret_cast<void*>(uintptr_t{3}));
}

TEST(ObjectList, FreesWhatLeavesExceptByExtract) {
  Journal freed;
  {
    TObjectList list;
    for (const char* name : {"1", "2", "3", "4", "5", "6"})
      list.Add(new TProbe(name, freed));
    list.Delete(0);
    EXPECT_EQ(freed, Journal{"1"});
    list.Remove(list.Items(0));
    EXPECT_EQ(freed, (Journal{"1", "2"}));

    TObject* const extracted = list.Extract(list.Items(0));
    EXPECT_EQ(freed.size(), 2u);
    EXPECT_EQ(list.Count(), 3);
    delete extracted;

    TObject* const fourth = list.Items(0);
    list.SetItems(0, fourth);  // storing what is there already keeps it alive
    EXPECT_EQ(freed.size(), 3u);
    list.SetItems(0, new TProbe("7", freed));
    EXPECT_EQ(freed.back(), "4");

    list.Add(new TProbe("8", freed));
    freed.clear();
    list.Clear();
    EXPECT_EQ(freed, (Journal{"8", "6", "5", "7"}));

    list.Add(new TProbe("9", freed));
    list.Add(new TProbe("10", freed));
    freed.clear();
  }
  EXPECT_EQ(freed, (Journal{"10", "9"}));  // the destructor clears last to first too

  TProbe kept("kept", freed);
  {
    TObjectList borrowed(false);
    borrowed.Add(&kept);
    borrowed.Delete(0);
    borrowed.Add(&kept);
  }
  EXPECT_EQ(freed, (Journal{"10", "9"}));
}

// Something else comes first in memory, so its TObject part has a different address.
struct TTagged {
  virtual ~TTagged() = default;
  int Tag = 7;
};
class TItem : public TTagged, public TProbe {
public:
  using TProbe::TProbe;
};

TEST(ListOf, TypedListsStoreTheObjectAddress) {
  Journal freed;
  {
    TObjectListOf<TItem> owning;
    auto* b = new TItem("b", freed);
    auto* a = new TItem("a", freed);
    owning.Add(b);
    owning.Insert(1, a);
    EXPECT_EQ(owning.Items(1), a);
    EXPECT_EQ(owning.IndexOf(a), 1);
    EXPECT_EQ(static_cast<TObject*>(owning.TList::Get(1)), static_cast<TObject*>(a));
    owning.Sort([](TItem* x, TItem* y) { return x->Name().compare(y->Name()); });
    EXPECT_EQ(owning.First(), a);
    EXPECT_EQ(owning.Last()->Tag, 7);
    EXPECT_EQ(ErrorOf<EListError>([&] { owning.Items(2); }), "List index out of bounds (2)");

    // A plain typed list stores by Put without freeing what it replaces.
    TListOf<TItem> view;
    view.Add(a);
    view.SetItems(0, b);
    EXPECT_TRUE(freed.empty());
  }
  EXPECT_EQ(freed, (Journal{"b", "a"}));
}

}  // namespace
