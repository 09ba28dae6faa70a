// The lists' and items' requests reach their server component, and destroying a list or an
// item makes the component forget the requests that write into it.

#include <gtest/gtest.h>

#include <memory>

#include "HDATestSupport.h"

namespace {

using HdaForwarders = FakeHDATest;

TEST_F(HdaForwarders, RequestsGoToTheListsServerAndKeepTheirCancelIds) {
  Connect();
  TZelkHDAItems items(&Server);
  TZelkHDAItem* a = items.AddItem("A");
  EXPECT_EQ(items.SyncReadRaw(0, 0, 2, 0), S_OK);
  EXPECT_EQ(a->Values()->Count(), 2);
  EXPECT_EQ(items.AsyncAdviseRaw(1, 60, 7), S_OK);
  EXPECT_EQ(items.CancelID(), Fake->Requests[0].CancelID);
  TZelkHDAItemAttributes attributes;
  attributes.AddNew()->ID = OPCHDA_DESCRIPTION;
  EXPECT_EQ(a->AsyncReadAttribute(1, 2, &attributes, 8), S_OK);
  EXPECT_EQ(a->CancelID(), Fake->Requests[1].CancelID);
  EXPECT_EQ(items.AsyncReadCancel(items.CancelID()), S_OK);
  EXPECT_EQ(Fake->Cancels, (std::vector<DWORD>{Fake->Requests[0].CancelID}));

  TZelkHDAItems orphans(nullptr);
  EXPECT_EQ(Raised<EOPCException>([&] { orphans.SyncReadRaw(0, 0, 0, 0); }), "Not connected to server");
}

TEST_F(HdaForwarders, DestroyedListsAndItemsReceiveNothingLate) {
  int events = 0;
  Server.OnReadComplete = [&](HRESULT, TZelkHDAItems*, uint32_t, TZelkHDAEventType) { return ++events, S_OK; };
  Server.OnReadAttributeComplete = [&](HRESULT, TZelkHDAItem*, TZelkHDAItemAttributes*, uint32_t) {
    return ++events, S_OK;
  };
  Connect();
  auto items = std::make_unique<TZelkHDAItems>(&Server);
  items->AddItem("A");
  items->AsyncReadRaw(1, 2, 0, 0, 1);
  TZelkHDAItems kept(&Server);
  auto item = std::unique_ptr<TZelkHDAItem>(new TZelkHDAItem(&kept));
  item->ItemId = "B";
  auto attributes = std::make_unique<TZelkHDAItemAttributes>();
  attributes->AddNew()->ID = OPCHDA_DESCRIPTION;
  item->AsyncReadAttribute(1, 2, attributes.get(), 2);
  TZelkHDAItemAttributes otherAttributes;
  otherAttributes.AddNew()->ID = OPCHDA_DESCRIPTION;
  item->AsyncReadAttribute(1, 2, &otherAttributes, 3);

  items.reset();
  attributes.reset();
  item.reset();
  Fake->DeliverRead(Fake->Requests[0]);
  Fake->DeliverAttributes(Fake->Requests[1], S_OK, {OPCHDA_DESCRIPTION});
  Fake->DeliverAttributes(Fake->Requests[2], S_OK, {OPCHDA_DESCRIPTION});
  PumpFor(50);
  EXPECT_EQ(events, 0);
  EXPECT_EQ(otherAttributes.Items(0)->AttributeValues()->Count(), 0);
}

}  // namespace
