// The OPC server enumerator over a registry the test writes: classes by implemented and
// required categories through both list interfaces, the details of a class (and of one
// without ProgID), ProgID look-ups, and its registration beside the historian.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "opc/_OPCCOMN.h"
#include "platform/PlatformExtensions.h"
#include "servers/DemoServers.h"
#include "servers/serverlist/ServerListObject.h"
#include "servers/serverlist/ServerListRegistration.h"
#include "tests/support/RegistrySnapshot.h"

namespace {

ZELK_DEFINE_GUID(CLSID_ListDa2, 0x7E51C001, 0x33A0, 0x4B1E, 0x8D, 0x20, 0x10, 0x21, 0x32, 0x43, 0x54, 0x65);
ZELK_DEFINE_GUID(CLSID_ListDa23, 0x7E51C002, 0x33A0, 0x4B1E, 0x8D, 0x20, 0x10, 0x21, 0x32, 0x43, 0x54, 0x65);
ZELK_DEFINE_GUID(CLSID_ListNoProgId, 0x7E51C003, 0x33A0, 0x4B1E, 0x8D, 0x20, 0x10, 0x21, 0x32, 0x43, 0x54, 0x65);
ZELK_DEFINE_GUID(CLSID_ListNeedsBatch, 0x7E51C004, 0x33A0, 0x4B1E, 0x8D, 0x20, 0x10, 0x21, 0x32, 0x43, 0x54, 0x65);
ZELK_DEFINE_GUID(CLSID_ListUnregistered, 0x7E51C0FF, 0x33A0, 0x4B1E, 0x8D, 0x20, 0x10, 0x21, 0x32, 0x43, 0x54, 0x65);

void WriteClass(REFCLSID clsid, const std::string& progId, std::vector<CATID> implemented) {
  TComClassInfo info;
  info.ClassId = clsid;
  info.ProgId = progId;
  info.Description = progId.empty() ? "" : "Server " + progId;
  info.ImplementedCategories = std::move(implemented);
  ASSERT_EQ(RegisterClassKeys(info), S_OK);
}

void WriteRequiredCategory(REFCLSID clsid, REFCATID category) {
  OLECHAR classId[39], categoryId[39];
  StringFromGUID2(clsid, classId, 39);
  StringFromGUID2(category, categoryId, 39);
  const std::u16string path = std::u16string(u"CLSID\\") + classId + u"\\Required Categories\\" + categoryId;
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

template <class TEnum>
std::vector<GUID> Drain(TEnum* classes) {
  std::vector<GUID> all;
  GUID batch[3];
  ULONG fetched = 0;
  while (SUCCEEDED(classes->Next(3, batch, &fetched)) && fetched > 0) all.insert(all.end(), batch, batch + fetched);
  classes->Release();
  std::sort(all.begin(), all.end(), [](const GUID& a, const GUID& b) { return a.Data1 < b.Data1; });
  return all;
}

std::u16string Take(LPOLESTR text) {
  std::u16string copy = text ? text : u"(null)";
  CoTaskMemFree(text);
  return copy;
}

LPOLESTR const Poison = reinterpret_cast<LPOLESTR>(0x1);

class ServerList : public testing::Test {
protected:
  void SetUp() override {
    WriteClass(CLSID_ListDa2, "Zelk.Test.Da2.1", {CATID_OPCDAServer20});
    WriteClass(CLSID_ListDa23, "Zelk.Test.Da23.1", {CATID_OPCDAServer20, CATID_OPCDAServer30});
    WriteClass(CLSID_ListNoProgId, "", {CATID_OPCDAServer20});
    WriteClass(CLSID_ListNeedsBatch, "Zelk.Test.NeedsBatch.1", {CATID_OPCHDAServer10});
    WriteRequiredCategory(CLSID_ListNeedsBatch, CATID_OPCBatchServer10);
  }

  TRegistrySnapshot FRegistry;
  ComPtr<TOpcServerList> FList{new TOpcServerList};
};

}  // namespace

TEST_F(ServerList, ClassesByImplementedAndRequiredCategories) {
  CATID da[] = {CATID_OPCDAServer20, CATID_OPCDAServer30};
  IOPCEnumGUID* classes = nullptr;
  ASSERT_EQ(FList->EnumClassesOfCategories(2, da, 0, nullptr, &classes), S_OK);
  EXPECT_EQ(Drain(classes), (std::vector<GUID>{CLSID_ListDa2, CLSID_ListDa23, CLSID_ListNoProgId}))
      << "a class in both categories once";

  // A class that requires a category is left out unless the client takes that category or any.
  CATID hda[] = {CATID_OPCHDAServer10};
  CATID batch[] = {CATID_OPCBatchServer10};
  ASSERT_EQ(FList->EnumClassesOfCategories(1, hda, 0, nullptr, &classes), S_OK);
  EXPECT_TRUE(Drain(classes).empty());
  ASSERT_EQ(FList->EnumClassesOfCategories(1, hda, 1, batch, &classes), S_OK);
  EXPECT_EQ(Drain(classes), std::vector<GUID>{CLSID_ListNeedsBatch});
  ASSERT_EQ(FList->EnumClassesOfCategories(1, hda, ULONG(-1), nullptr, &classes), S_OK);
  EXPECT_EQ(Drain(classes), std::vector<GUID>{CLSID_ListNeedsBatch});

  // The older interface hands out an IEnumGUID over the same answer, and sees new classes.
  WriteClass(CLSID_ListUnregistered, "Zelk.Test.Late.1", {CATID_OPCDAServer30});
  IEnumGUID* older = nullptr;
  ASSERT_EQ(static_cast<IOPCServerList*>(FList.Get())->EnumClassesOfCategories(1, da + 1, 0, nullptr, &older), S_OK);
  EXPECT_EQ(Drain(older), (std::vector<GUID>{CLSID_ListDa23, CLSID_ListUnregistered}));

  // Refused requests leave the enumerator null.
  classes = reinterpret_cast<IOPCEnumGUID*>(0x1);
  EXPECT_EQ(FList->EnumClassesOfCategories(0, da, 0, nullptr, &classes), E_INVALIDARG);
  EXPECT_EQ(classes, nullptr);
  EXPECT_EQ(FList->EnumClassesOfCategories(1, nullptr, 0, nullptr, &classes), E_INVALIDARG);
  EXPECT_EQ(FList->EnumClassesOfCategories(1, da, 2, nullptr, &classes), E_INVALIDARG);
  EXPECT_EQ(FList->EnumClassesOfCategories(1, da, 0, nullptr, static_cast<IOPCEnumGUID**>(nullptr)), E_INVALIDARG);
}

TEST_F(ServerList, ClassDetailsThroughBothInterfaces) {
  TComClassInfo full;
  full.ClassId = CLSID_ListUnregistered;
  full.ProgId = "Zelk.Test.Full.1";
  full.VersionIndependentProgId = "Zelk.Test.Full";
  full.Description = "Full test server";
  ASSERT_EQ(RegisterClassKeys(full), S_OK);

  LPOLESTR progId = Poison, userType = Poison, verInd = Poison;
  ASSERT_EQ(FList->GetClassDetails(CLSID_ListUnregistered, &progId, &userType, &verInd), S_OK);
  EXPECT_EQ(Take(progId), u"Zelk.Test.Full.1");
  EXPECT_EQ(Take(userType), u"Full test server");
  EXPECT_EQ(Take(verInd), u"Zelk.Test.Full");
  ASSERT_EQ(FList->GetClassDetails(CLSID_ListDa2, &progId, &userType, &verInd), S_OK);
  EXPECT_EQ(Take(progId), u"Zelk.Test.Da2.1");
  EXPECT_EQ(Take(userType), u"Server Zelk.Test.Da2.1");
  EXPECT_EQ(Take(verInd), u"") << "none registered";
  ASSERT_EQ(FList->GetClassDetails(CLSID_ListDa23, &progId, &userType), S_OK);
  EXPECT_EQ(Take(progId) + Take(userType), u"Zelk.Test.Da23.1Server Zelk.Test.Da23.1");

  // A class without ProgID, or not registered at all, leaves every out-parameter null.
  progId = userType = verInd = Poison;
  EXPECT_EQ(FList->GetClassDetails(CLSID_ListNoProgId, &progId, &userType, &verInd), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(progId, nullptr);
  EXPECT_EQ(userType, nullptr);
  EXPECT_EQ(verInd, nullptr);
  progId = userType = Poison;
  EXPECT_EQ(FList->GetClassDetails(CLSID_ListNeedsBatch, &progId, &userType), S_OK);
  EXPECT_EQ(Take(progId), u"Zelk.Test.NeedsBatch.1");
  CoTaskMemFree(userType);
  EXPECT_EQ(FList->GetClassDetails(GUID_NULL, &progId, &userType), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(progId, nullptr);
  EXPECT_EQ(userType, nullptr);
  EXPECT_EQ(FList->GetClassDetails(CLSID_ListDa2, &progId, nullptr, &verInd), E_INVALIDARG);

  CLSID clsid = CLSID_ListDa2;
  EXPECT_EQ(FList->CLSIDFromProgID(u"Zelk.Test.Full", &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_ListUnregistered);
  EXPECT_EQ(FList->CLSIDFromProgID(u"Zelk.Test.Nothing.1", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(clsid, GUID_NULL);
}

TEST_F(ServerList, RegisteredBesideTheHistorianInNoCategory) {
  ASSERT_EQ(RegisterDemoServers(), S_OK);
  ComPtr<IOPCServerList2> service;
  ASSERT_EQ(CoCreateInstance(CLSID_OPCServerList, nullptr, CLSCTX_ALL, IID_IOPCServerList2,
                             reinterpret_cast<void**>(service.GetAddressOf())),
            S_OK);
  ComPtr<IOPCServerList> older;
  EXPECT_EQ(service.As(&older), S_OK);

  CATID hda[] = {CATID_OPCHDAServer10};
  IOPCEnumGUID* classes = nullptr;
  ASSERT_EQ(service->EnumClassesOfCategories(1, hda, 0, nullptr, &classes), S_OK);
  const std::vector<GUID> found = Drain(classes);
  EXPECT_NE(std::find(found.begin(), found.end(), CLSID_ZelkHDASim), found.end());
  EXPECT_NE(std::find(found.begin(), found.end(), CLSID_ZelkHDASimMinimal), found.end());
  ASSERT_EQ(service->EnumClassesOfCategories(ULONG(-1), nullptr, ULONG(-1), nullptr, &classes), S_OK);
  const std::vector<GUID> all = Drain(classes);
  EXPECT_NE(std::find(all.begin(), all.end(), CLSID_OPCServerList), all.end());
  CATID opcTypes[] = {CATID_OPCDAServer10,    CATID_OPCDAServer20,    CATID_OPCDAServer30, CATID_OPCBatchServer10,
                      CATID_OPCBatchServer20, CATID_OPCDXServer10,    CATID_OPCHDAServer10, CATID_OPCAEServer10};
  ASSERT_EQ(service->EnumClassesOfCategories(8, opcTypes, ULONG(-1), nullptr, &classes), S_OK);
  const std::vector<GUID> opc = Drain(classes);
  EXPECT_EQ(std::find(opc.begin(), opc.end(), CLSID_OPCServerList), opc.end()) << "never lists itself";

  // Without the enumerator the historian is still there; revoking all withdraws both.
  TDemoServerOptions withoutList;
  withoutList.ServerList = false;
  ASSERT_EQ(RegisterDemoServers(withoutList), S_OK);
  ComPtr<IUnknown> object;
  EXPECT_EQ(CoCreateInstance(CLSID_OPCServerList, nullptr, CLSCTX_ALL, IID_IUnknown,
                             reinterpret_cast<void**>(object.GetAddressOf())),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(CoCreateInstance(CLSID_ZelkHDASim, nullptr, CLSCTX_ALL, IID_IUnknown,
                             reinterpret_cast<void**>(object.GetAddressOf())),
            S_OK);
  object.Reset();
  RevokeDemoServers();
  EXPECT_EQ(CoCreateInstance(CLSID_ZelkHDASim, nullptr, CLSCTX_ALL, IID_IUnknown,
                             reinterpret_cast<void**>(object.GetAddressOf())),
            REGDB_E_CLASSNOTREG);
}
