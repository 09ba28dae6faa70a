// The toolkit vocabulary: state and quality texts, browse nodes and their list, item records,
// log messages, the component bases and the identities and ordinals other code relies on.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/ZelkIntf.h"

namespace {

const tZelkConnectionType kAllProtocols[] = {coXML, coCOM, coUA};

// Counts its destructions so that ownership can be checked.
class TCountedObject : public TObject {
public:
  explicit TCountedObject(int& destroyed) : FDestroyed(destroyed) {}
  ~TCountedObject() override { ++FDestroyed; }

private:
  int& FDestroyed;
};

class TFakeConnection : public TZelkImplements<TZelkIntfComponent, IZelkConnection> {
public:
  TFakeConnection(TComponent* AOwner, int& destroyed) : TZelkImplements(AOwner), FDestroyed(destroyed) {}
  void Connect(const std::string&, const std::string&, const std::string&, TStrings*, int32_t) override {}
  void Disconnect() override {}
  int32_t GetLocaleId() override { return 0; }
  bool SetOption(const std::string&, const std::string&) override { return false; }
  void SetLocaleId(int32_t) override {}
  int32_t Servertype() override { return 2; }
  TObject* GetObject() override { return this; }
  tZelkConnectionType Connectiontype() override { return coCOM; }
  bool SetClientName(const std::string&) override { return false; }
  bool DoTimer() override { return true; }

protected:
  ~TFakeConnection() override { ++FDestroyed; }

private:
  int& FDestroyed;
};

std::string Describe(const TZelkBrowseItem& item) {
  return "Name=" + item.Name() + "|ItemName=" + item.ItemName() + "|ItemPath=" + item.ItemPath() +
         "|NodeId=" + item.NodeId() + "|IsItem=" + std::to_string(item.IsItem()) +
         "|IsFolder=" + std::to_string(item.IsFolder()) + "|HasChilds=" + std::to_string(item.HasChilds()) +
         "|Tag=" + std::to_string(item.Tag()) + "|Kind=" + std::to_string(item.Kind());
}

TZelkBrowseItem* NewBrowseItem(const std::string& name) {
  auto* item = new TZelkBrowseItem;
  item->SetName(name);
  return item;
}

}  // namespace

TEST(ZelkIntf, ServerStateTexts) {
  const char* const ua[] = {"running", "failed", "no config", "suspended", "shutdown", "test", "commFault"};
  const char* const other[] = {"none", "running", "failed", "no config", "suspended", "test", "commFault"};
  for (int32_t state = 0; state <= 6; ++state) {
    EXPECT_EQ(ServerStateToString(state, coUA), ua[state]) << state;
    EXPECT_EQ(ServerStateToString(state, coCOM), other[state]) << state;
    EXPECT_EQ(ServerStateToString(state, coXML), other[state]) << state;
  }
  for (tZelkConnectionType protocol : kAllProtocols)
    for (int32_t state : {7, -1, 1000}) EXPECT_EQ(ServerStateToString(state, protocol), "unknown") << state;
}

TEST(ZelkIntf, DAQualityTexts) {
  EXPECT_EQ(QualityToString(0xC0, coCOM), "good");
  EXPECT_EQ(QualityToString(0xD8, coCOM), "goodLocalOverride");
  EXPECT_EQ(QualityToString(0x00, coCOM), "bad");
  EXPECT_EQ(QualityToString(0x04, coCOM), "badConfigurationError");
  EXPECT_EQ(QualityToString(0x40, coCOM), "uncertain");
  EXPECT_EQ(QualityToString(0x54, coCOM), "uncertainEUExceeded");
  EXPECT_EQ(QualityToString(0x80, coCOM), "");
  EXPECT_EQ(QualityToString(0x84, coCOM), "");
  // Limit bits are not decoded; bits above the low byte are ignored.
  EXPECT_EQ(QualityToString(0xC3, coCOM), "good");
  EXPECT_EQ(QualityToString(0x1C0, coCOM), "good");
  EXPECT_EQ(QualityToString(0x1B, coXML), "badCommFailure");
  EXPECT_EQ(DAQualityToString(0x47), "uncertainLastUsableValue");

  const std::vector<std::pair<int32_t, std::string>> substatus = {
      {0x04, "ConfigurationError"}, {0x08, "NotConnected"}, {0x0C, "DeviceFailure"}, {0x10, "SensorFailure"},
      {0x14, "LastKnownValue"},     {0x18, "CommFailure"},  {0x1C, "OutOfService"},  {0x44, "LastUsableValue"},
      {0x50, "SensorNotAccurate"},  {0x54, "EUExceeded"},   {0x58, "SubNormal"},     {0xD8, "LocalOverride"}};
  for (const auto& [bits, text] : substatus) EXPECT_EQ(QualitySubstatusToString(bits), text) << bits;
  for (int32_t bits : {0x00, 0x40, 0xC0, 0x05, 0x20, 0xDC, 0x1D8})
    EXPECT_EQ(QualitySubstatusToString(bits), "") << bits;
}

TEST(ZelkIntf, UAStatusTexts) {
  EXPECT_EQ(QualityToString(static_cast<int32_t>(0x80000000), coUA), "bad");
  EXPECT_EQ(QualityToString(0x40000000, coUA), "uncertain");
  EXPECT_EQ(QualityToString(0, coUA), "good");
  EXPECT_EQ(QualityToString(static_cast<int32_t>(0xC0000000), coUA), "bad");
  // The whole value counts, and no DA substatus is appended.
  EXPECT_EQ(QualityToString(0xD8, coUA), "good");
  EXPECT_EQ(UAStatusToString(0x40000018), "uncertain");
}

TEST(ZelkIntf, BrowseItemDefaultsIdentityAndCopy) {
  TZelkBrowseItem item;
  EXPECT_EQ(Describe(item), "Name=|ItemName=|ItemPath=|NodeId=|IsItem=0|IsFolder=1|HasChilds=1|Tag=0|Kind=0");
  EXPECT_EQ(item.ItemId(), "");

  // The first item name also becomes the node id; a second one leaves it.
  item.SetItemName("Plant.Tank1");
  EXPECT_EQ(item.NodeId(), "Plant.Tank1");
  item.SetItemName("Plant.Tank2");
  EXPECT_EQ(item.ItemName(), "Plant.Tank2");
  EXPECT_EQ(item.NodeId(), "Plant.Tank1");

  item.SetItemPath("Area");
  EXPECT_EQ(item.ItemId(), "Plant.Tank1");
  item.SetNodeId("");
  EXPECT_EQ(item.ItemId(), "Area//Plant.Tank2");
  item.SetItemPath("");
  EXPECT_EQ(item.ItemId(), "Plant.Tank2");

  TZelkBrowseItem source;
  source.SetName("Level");
  source.SetItemPath("Path");
  source.SetNodeId("ns=2;Level");
  source.SetItemName("Tank.Level");
  source.SetIsItem(true);
  source.SetIsFolder(false);
  source.SetHasChilds(false);
  source.SetTag(7);
  source.SetKind(3);
  TZelkBrowseItem copy;
  copy.Assign(&source);
  EXPECT_EQ(
      Describe(copy),
      "Name=Level|ItemName=Tank.Level|ItemPath=Path|NodeId=ns=2;Level|IsItem=1|IsFolder=0|HasChilds=0|Tag=7|Kind=3");
  copy.Assign(nullptr);
  EXPECT_EQ(copy.Name(), "Level");
}

TEST(ZelkIntf, BrowseItemsAppendCopiesAndOwnTheirEntries) {
  TZelkBrowseItems list;
  list.Add(NewBrowseItem("a"));
  list.Add(NewBrowseItem("b"));
  TZelkBrowseItems source;
  source.Add(NewBrowseItem("c"));
  source.Add(nullptr);  // absent entries are skipped
  source.Add(NewBrowseItem("d"));
  source.Add(NewBrowseItem("e"));

  list.Assign(&source);
  ASSERT_EQ(list.Count(), 5);
  const char* const names[] = {"a", "b", "c", "d", "e"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(list.GetBrowseItem(i)->Name(), names[i]);
  EXPECT_NE(list.GetBrowseItem(2), source.GetBrowseItem(0));
  source.GetBrowseItem(0)->SetName("changed");
  source.Clear();
  EXPECT_EQ(list.GetBrowseItem(2)->Name(), "c");
  EXPECT_THROW(list.GetBrowseItem(5), EListError);

  // A browser sees the owning list as a list of browse items.
  TListOf<TZelkBrowseItem>* asBrowseList = &list;
  EXPECT_EQ(asBrowseList->Items(4)->Name(), "e");

  // Deleting frees the entry; the destructor frees the rest (ASan reports a leak otherwise).
  list.Delete(0);
  EXPECT_EQ(list.GetBrowseItem(0)->Name(), "b");
}

TEST(ZelkIntf, BrowseEnumeratorWalksForwardAndStopsAtTheEnd) {
  TZelkBrowseItems empty;
  EXPECT_FALSE(empty.GetEnumerator()->MoveNext());

  TZelkBrowseItems list;
  list.Add(NewBrowseItem("x"));
  list.Add(NewBrowseItem("y"));
  auto enumerator = list.GetEnumerator();
  std::vector<std::string> seen;
  while (enumerator->MoveNext()) seen.push_back(enumerator->Current()->Name());
  EXPECT_EQ(seen, (std::vector<std::string>{"x", "y"}));
  EXPECT_FALSE(enumerator->MoveNext());
  EXPECT_EQ(enumerator->Current()->Name(), "y");
}

TEST(ZelkIntf, ItemRecordsAndLogMessages) {
  // A new property holds the integer 1, everything else 0.
  TZelkItemProperty property;
  EXPECT_EQ(property.Value().VarType(), VT_I4);
  EXPECT_EQ(property.Value().Value().lVal, 1);
  EXPECT_EQ(property.Id() | property.Datatype() | property.Tag() | property.FQuality | property.StatusCode(), 0);
  EXPECT_EQ(property.Description(), "");
  property.FStatusCode = static_cast<int32_t>(0xC0040203);
  EXPECT_EQ(property.Error(), -1073479165);
  EXPECT_EQ(property.StatusCode(), property.Error());

  TZelkItemData item;
  EXPECT_EQ(item.ServerHandle(), -1);
  EXPECT_TRUE(item.Value().IsEmpty());

  TZelkLogMsg source;
  source.LogTime = 45000.5;
  source.LogSeverity = -3;
  source.LogType = 0xFFFFFFFF;
  source.Msg = "connected";
  source.Detail = "to Zelk.HDASim.1";
  TZelkLogMsg copy;
  copy.Assign(&source);
  EXPECT_EQ(copy.LogTime, 45000.5);
  EXPECT_EQ(copy.LogSeverity, -3);
  EXPECT_EQ(copy.LogType, 0xFFFFFFFFu);
  EXPECT_EQ(copy.Msg + "|" + copy.Detail, "connected|to Zelk.HDASim.1");
  // Anything else goes to the base class, which refuses it.
  TStringList other;
  EXPECT_THROW(copy.Assign(&other), EConvertError);
  EXPECT_THROW(copy.Assign(nullptr), EConvertError);
}

TEST(ZelkIntf, IntfComponentChecksItsOwner) {
  int destroyed = 0;
  TComponent plainOwner(nullptr);
  try {
    new TFakeConnection(&plainOwner, destroyed);
    FAIL() << "a plain component was accepted as owner";
  } catch (const EOPCException& e) {
    EXPECT_STREQ(e.what(), "Owner is not inherited from TZelkComponent");
  }

  ComPtr<IZelkConnection> orphan(new TFakeConnection(nullptr, destroyed));
  auto* orphanObject = static_cast<TZelkIntfComponent*>(static_cast<TFakeConnection*>(orphan->GetObject()));
  EXPECT_EQ(orphanObject->Owner(), nullptr);
  try {
    orphanObject->GetHandler();
    FAIL() << "GetHandler without owner";
  } catch (const EOPCException& e) {
    EXPECT_STREQ(e.what(), "Owner has nil value");
  }

  TZelkComponent owner(nullptr);
  ComPtr<IZelkConnection> owned(new TFakeConnection(&owner, destroyed));
  EXPECT_EQ(static_cast<TFakeConnection*>(owned->GetObject())->GetHandler(), &owner);
}

TEST(ZelkIntf, IntfComponentIsReferenceCounted) {
  int destroyed = 0;
  auto* object = new TFakeConnection(nullptr, destroyed);
  ComPtr<IZelkConnection> connection(object);

  // Interfaces of the object share one count and one identity.
  ComPtr<IUnknown> identity;
  ASSERT_EQ(connection.As(&identity), S_OK);
  EXPECT_EQ(identity.Get(), static_cast<IUnknown*>(static_cast<TZelkIntfComponent*>(object)));
  ComPtr<IUnknown> identityAgain;
  ComPtr<IZelkConnection> back;
  ASSERT_EQ(identity.As(&back), S_OK);
  EXPECT_EQ(back.Get(), connection.Get());
  ASSERT_EQ(back.As(&identityAgain), S_OK);
  EXPECT_EQ(identityAgain.Get(), identity.Get());

  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(connection->QueryInterface(IID_IZelkDAConnection, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(connection->QueryInterface(IID_IZelkConnection, nullptr), E_POINTER);

  identity.Reset();
  identityAgain.Reset();
  back.Reset();
  EXPECT_EQ(destroyed, 0);
  connection.Reset();
  EXPECT_EQ(destroyed, 1);
}

TEST(ZelkIntf, BaseComponentDisposesOfPostedPayloads) {
  // The base has no queue, so a payload posted to it must not be lost.
  int destroyed = 0;
  TZelkComponent component(nullptr);
  component.PostMsg(1025, 0, new TCountedObject(destroyed));
  EXPECT_EQ(destroyed, 1);
  component.PostMsg(1025, 0, nullptr);
  TZelkMsg message(1030, 5, nullptr);
  component.HandleMsg(&message);
  EXPECT_EQ(destroyed, 1);
}

TEST(ZelkIntf, ServerSetBitsAndOrdinals) {
  EXPECT_EQ(tZelkServerSet({svr_DA10}).Bits(), 0x001);
  EXPECT_EQ(tZelkServerSet({svr_HDA10}).Bits(), 0x080);
  EXPECT_EQ(tZelkServerSet({svr_UA}).Bits(), 0x100);
  EXPECT_EQ(tZelkServerSet({svr_DA20, svr_DA30, svr_AE10, svr_BA10, svr_BA20, svr_DX10}).Bits(), 0x07E);
  tZelkServerSet set = tZelkServerSet::FromBits(0xFFFF);
  EXPECT_EQ(set.Bits(), 0x1FF);
  set.Exclude(svr_DA30);
  EXPECT_FALSE(set.Contains(svr_DA30));
  EXPECT_TRUE(set.Contains(svr_UA));
  EXPECT_TRUE(tZelkServerSet().Empty());
  EXPECT_EQ((tZelkServerSet{svr_DA10} | tZelkServerSet{svr_HDA10}), (tZelkServerSet{svr_HDA10, svr_DA10}));

  EXPECT_EQ(coXML, 0);
  EXPECT_EQ(coCOM, 1);
  EXPECT_EQ(coUA, 2);

  // Each requested data type is the variant type code of the same name; 15 has none.
  const std::pair<ZelkADatatype, int> types[] = {
      {vtEMPTY, VT_EMPTY},     {vtNULL, VT_NULL},
      {vtI2, VT_I2},           {vtI4, VT_I4},
      {vtR4, VT_R4},           {vtR8, VT_R8},
      {vtCY, VT_CY},           {vtDATE, VT_DATE},
      {vtBSTR, VT_BSTR},       {vtDISPATCH, VT_DISPATCH},
      {vtERROR, VT_ERROR},     {vtBOOL, VT_BOOL},
      {vtVARIANT, VT_VARIANT}, {vtUNKNOWN, VT_UNKNOWN},
      {vtDECIMAL, VT_DECIMAL}, {vtundef, 15},
      {vtI1, VT_I1},           {vtUI1, VT_UI1},
      {vtUI2, VT_UI2},         {vtUI4, VT_UI4},
      {vtI8, VT_I8},           {vtUI8, VT_UI8},
      {vtINT, VT_INT},         {vtUINT, VT_UINT},
      {vtVOID, VT_VOID},       {vtHRESULT, VT_HRESULT},
      {vtPTR, VT_PTR},         {vtSAFEARRAY, VT_SAFEARRAY},
      {vtCARRAY, VT_CARRAY},   {vtUSERDEFINED, VT_USERDEFINED},
      {vtLPSTR, VT_LPSTR},     {vtLPWSTR, VT_LPWSTR},
  };
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(types[i].first, i);
    EXPECT_EQ(types[i].first, types[i].second);
  }
}

TEST(ZelkIntf, InterfaceIdentities) {
  const std::pair<GUID, GUID> ids[] = {
      {IID_IZelkServerBrowser, {0xEE37583A, 0xB0C2, 0x41C2, {0xA2, 0x63, 0xCE, 0xAE, 0x06, 0x01, 0xCD, 0x55}}},
      {IID_IZelkGroup, {0x0B39CD52, 0x407F, 0x4983, {0xA1, 0xEF, 0x33, 0xE3, 0x6A, 0xCA, 0xA2, 0xC3}}},
      {IID_IZelkBrowser, {0xB17D0EFD, 0xA7E8, 0x4DA3, {0xBC, 0x3B, 0xDE, 0x22, 0xAE, 0x3E, 0x73, 0xE9}}},
      {IID_IZelkConnection, {0x2E0EDBB1, 0xC374, 0x4575, {0xB7, 0xAC, 0x0C, 0xCB, 0xAB, 0x09, 0x73, 0xB9}}},
      {IID_IZelkDAConnection, {0xB64D9A7C, 0x1FA9, 0x4AC3, {0x90, 0x49, 0x3C, 0x36, 0x44, 0x85, 0x80, 0xDD}}}};
  for (const auto& [declared, published] : ids) EXPECT_TRUE(declared == published);
  EXPECT_TRUE(__uuidof(IZelkDAConnection) == IID_IZelkDAConnection);
  EXPECT_TRUE(__uuidof(IZelkServerBrowser) == IID_IZelkServerBrowser);
}
