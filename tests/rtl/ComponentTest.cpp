#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/Component.h"

namespace {

// Records what it is told, and its own destruction, in a shared journal.
class TProbe : public TComponent {
public:
  TProbe(TComponent* owner, std::string name, std::vector<std::string>* journal)
      : TComponent(nullptr), FJournal(journal) {
    SetName(name);  // named before insertion, so the insertion news can show the name
    if (owner)
      owner->InsertComponent(this);
  }
  ~TProbe() override {
    if (FJournal)
      FJournal->push_back("free " + Name() +
                          (ComponentState().Contains(TComponentStateFlag::csDestroying) ? " destroying" : ""));
  }
  std::string ClassName() const override { return "TProbe"; }
  using TComponent::SetDesigning;

  // The component most recently reported removed; nulled like a real reference would be.
  TComponent* Watched = nullptr;

protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (FJournal && component != this)
      FJournal->push_back(Name() + (operation == TOperation::opInsert ? " +" : " -") + component->Name());
    if (operation == TOperation::opRemove && component == Watched)
      Watched = nullptr;
  }

private:
  std::vector<std::string>* FJournal;
};

using Journal = std::vector<std::string>;

// Ignores every notification, the base one included.
class TDeaf : public TComponent {
public:
  using TComponent::TComponent;

protected:
  void Notification(TComponent*, TOperation) override {}
};

TEST(Component, OwnerDestroysOwnedComponentsNewestFirst) {
  Journal journal;
  auto* owner = new TProbe(nullptr, "Owner", &journal);
  auto* a = new TProbe(owner, "A", &journal);
  auto* b = new TProbe(owner, "B", &journal);
  new TProbe(b, "B1", &journal);
  EXPECT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(owner->Components(0), a);
  EXPECT_EQ(owner->Components(1), b);
  EXPECT_EQ(a->Owner(), owner);
  EXPECT_THROW(owner->Components(2), EListError);
  EXPECT_THROW(owner->Components(-1), EListError);

  journal.clear();
  delete owner;
  // No removal news while an owner frees what it owns.
  // A subclass's destructor runs before the base marks the owner as destroying; the owned
  // components are freed after that, the newest first.
  EXPECT_EQ(journal, (Journal{"free Owner", "free B destroying", "free B1 destroying", "free A destroying"}));
}

TEST(Component, ComponentFreedAloneLeavesItsOwnerAndSiblingsAreTold) {
  Journal journal;
  TProbe owner(nullptr, "Owner", &journal);
  auto* a = new TProbe(&owner, "A", &journal);
  new TProbe(&owner, "B", &journal);
  // Insertions reach the owner and every owned component.
  EXPECT_EQ(journal, (Journal{"Owner +A", "A +B", "Owner +B"}));

  journal.clear();
  delete a;
  EXPECT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.FindComponent("a"), nullptr);
  EXPECT_EQ(journal, (Journal{"free A", "B -A", "Owner -A"}));
}

TEST(Component, NamesAreIdentifiersUniqueAmongSiblingsIgnoringCase) {
  TComponent owner(nullptr);
  TComponent a(&owner);
  a.SetName("Server_1");
  EXPECT_EQ(owner.FindComponent("SERVER_1"), &a);
  EXPECT_EQ(owner.FindComponent(""), nullptr);

  for (const char* bad : {"1Server", "Server 1", "Server-1", "Sérver", " "}) {
    try {
      a.SetName(bad);
      ADD_FAILURE() << bad;
    } catch (const EComponentError& e) {
      EXPECT_EQ(e.Message(), std::string("'") + bad + "' is not a valid component name");
    }
  }
  EXPECT_EQ(a.Name(), "Server_1");

  TComponent b(&owner);
  try {
    b.SetName("server_1");
    ADD_FAILURE();
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), "A component named server_1 already exists");
  }
  EXPECT_EQ(b.Name(), "");
  a.SetName("SERVER_1");  // a change of case only is no clash with itself
  EXPECT_EQ(a.Name(), "SERVER_1");
  a.SetName("");
  b.SetName("Server_1");  // the name is free again; empty names never clash
  EXPECT_EQ(owner.FindComponent("server_1"), &b);

  TComponent loose1(nullptr), loose2(nullptr);
  loose1.SetName("Same");
  loose2.SetName("Same");  // without an owner nothing to clash with
}

TEST(Component, InsertComponentMovesBetweenOwnersAndRefusesClashesAndCycles) {
  TComponent first(nullptr), second(nullptr);
  auto* moved = new TComponent(&first);
  moved->SetName("Part");
  TComponent* other = new TComponent(&second);
  other->SetName("part");

  EXPECT_THROW(second.InsertComponent(moved), EComponentError);
  EXPECT_EQ(moved->Owner(), &first);
  EXPECT_EQ(first.ComponentCount(), 1);

  other->SetName("Other");
  second.InsertComponent(moved);
  EXPECT_EQ(moved->Owner(), &second);
  EXPECT_EQ(first.ComponentCount(), 0);
  EXPECT_EQ(second.ComponentCount(), 2);

  EXPECT_THROW(moved->InsertComponent(&second), EComponentError);
  EXPECT_THROW(moved->InsertComponent(moved), EComponentError);

  second.RemoveComponent(moved);
  EXPECT_EQ(moved->Owner(), nullptr);
  first.RemoveComponent(other);  // not first's: nothing happens
  EXPECT_EQ(other->Owner(), &second);
  delete moved;  // no owner any more: nobody else frees it
}

TEST(Component, FreeNotificationWorksBothWaysAndLeavesNoDanglingEntry) {
  Journal journal;
  {
    TProbe watcher(nullptr, "Watcher", &journal);
    auto* watched = new TProbe(nullptr, "Watched", &journal);
    watcher.Watched = watched;
    watched->FreeNotification(&watcher);
    watched->FreeNotification(&watcher);  // registered once only
    delete watched;
    EXPECT_EQ(watcher.Watched, nullptr);
    EXPECT_EQ(journal, (Journal{"free Watched", "Watcher -Watched"}));
  }  // the watcher's own going must not touch the freed one (ASan)

  journal.clear();
  {
    auto* watcher = new TProbe(nullptr, "Watcher", &journal);
    TProbe watched(nullptr, "Watched", &journal);
    watched.FreeNotification(watcher);
    watched.Watched = watcher;  // the registration is mutual
    delete watcher;
    EXPECT_EQ(watched.Watched, nullptr);
  }
  EXPECT_EQ(journal, (Journal{"free Watcher", "Watched -Watcher", "free Watched"}));

  journal.clear();
  {
    TProbe watcher(nullptr, "Watcher", &journal);
    auto* watched = new TProbe(nullptr, "Watched", &journal);
    watched->FreeNotification(&watcher);
    watched->RemoveFreeNotification(&watcher);
    delete watched;
  }
  EXPECT_EQ(journal, (Journal{"free Watched", "free Watcher"}));

  {
    TDeaf deaf(nullptr);
    auto* watched = new TComponent(nullptr);
    watched->FreeNotification(&deaf);
    delete watched;
  }  // the deaf one must not reach back to the freed one (ASan)
}

TEST(Component, StateFlagsReachOwnedComponents) {
  TProbe owner(nullptr, "Owner", nullptr);
  auto* early = new TProbe(&owner, "Early", nullptr);
  EXPECT_TRUE(owner.ComponentState().Empty());
  owner.SetDesigning(true);
  auto* late = new TComponent(&owner);
  EXPECT_TRUE(early->ComponentState().Contains(TComponentStateFlag::csDesigning));
  EXPECT_TRUE(late->ComponentState().Contains(TComponentStateFlag::csDesigning));
  EXPECT_FALSE(early->ComponentState().Contains(TComponentStateFlag::csLoading));
  owner.SetDesigning(false);
  EXPECT_FALSE(late->ComponentState().Contains(TComponentStateFlag::csDesigning));

  late->SetTag(-1);
  late->SetDesignInfo({4, 5});
  EXPECT_EQ(late->Tag(), -1);
  EXPECT_EQ(late->DesignInfo(), (TDesignInfo{4, 5}));
}

}  // namespace
