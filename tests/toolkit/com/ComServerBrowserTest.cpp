// The COM server enumeration against the demo enumerator service, the class registry without
// it, and a scripted service: one pass and type by type, the category order, a class without
// ProgID in the registry walk, an enumerator that claims more than it delivers, unreadable
// details, a raising callback, and the failures of a named computer. Last, the server browser
// component on the demo servers with and without the service.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FakeOPCServer.h"
#include "servers/DemoServers.h"
#include "servers/serverlist/ServerListRegistration.h"
#include "tests/support/RegistrySnapshot.h"
#include "toolkit/ZelkComn.h"
#include "toolkit/com/ZelkCOMLink.h"
#include "toolkit/com/ZelkCom.h"

namespace {

ZELK_DEFINE_GUID(CLSID_BrowseA, 0x7E51D001, 0x33A0, 0x4B1E, 0x8D, 0x20, 0x10, 0x21, 0x32, 0x43, 0x54, 0x65);
ZELK_DEFINE_GUID(CLSID_BrowseB, 0x7E51D002, 0x33A0, 0x4B1E, 0x8D, 0x20, 0x10, 0x21, 0x32, 0x43, 0x54, 0x65);
ZELK_DEFINE_GUID(CLSID_BrowseNoProgId, 0x7E51D003, 0x33A0, 0x4B1E, 0x8D, 0x20, 0x10, 0x21, 0x32, 0x43, 0x54, 0x65);
ZELK_DEFINE_GUID(CLSID_BrowseC, 0x7E51D004, 0x33A0, 0x4B1E, 0x8D, 0x20, 0x10, 0x21, 0x32, 0x43, 0x54, 0x65);

const std::string A = "{7E51D001-33A0-4B1E-8D20-102132435465}";
const std::string B = "{7E51D002-33A0-4B1E-8D20-102132435465}";
const std::string NoProgId = "{7E51D003-33A0-4B1E-8D20-102132435465}";
const std::string C = "{7E51D004-33A0-4B1E-8D20-102132435465}";
// 128 characters: with its NUL more than the 256 bytes the registry caption may take.
const std::string LongCaption(128, 'x');

// What the scripted service does; Classes are answered for every category asked.
struct TListScript {
  bool List2 = true;
  bool List = true;
  std::vector<CLSID> Classes;
  ULONG ExtraClaimed = 0;  // Next claims this many class ids more than it delivers
  CLSID Unreadable = GUID_NULL;  // GetClassDetails fails for it
  HRESULT EnumResult = S_OK;
};

// Delivers up to celt of the script's class ids per Next, and claims ExtraClaimed more.
class TScriptedClassEnum : public TComObject<IOPCEnumGUID, IEnumGUID> {
public:
  explicit TScriptedClassEnum(const TListScript& Script) : FScript(Script) {}
  HRESULT STDMETHODCALLTYPE Next(ULONG celt, GUID* rgelt, ULONG* pceltFetched) override {
    ULONG delivered = 0;
    for (; delivered < celt && FPosition < FScript.Classes.size(); ++delivered)
      rgelt[delivered] = FScript.Classes[FPosition++];
    *pceltFetched = delivered ? delivered + FScript.ExtraClaimed : 0;
    return delivered == celt ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clone(IOPCEnumGUID**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clone(IEnumGUID**) override { return E_NOTIMPL; }

private:
  const TListScript FScript;
  size_t FPosition = 0;
};

class TScriptedServerList : public TComObject<IOPCServerList2, IOPCServerList> {
public:
  static inline TListScript Script;
  static inline int Created = 0;
  // The categories of each EnumClassesOfCategories, and which interface was asked.
  static inline std::vector<std::string> Asked;

  TScriptedServerList() { ++Created; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
    if ((riid == IID_IOPCServerList2 && !Script.List2) || (riid == IID_IOPCServerList && !Script.List)) {
      *ppvObject = nullptr;
      return E_NOINTERFACE;
    }
    return TComObject::QueryInterface(riid, ppvObject);
  }
  HRESULT STDMETHODCALLTYPE EnumClassesOfCategories(ULONG cImplemented, CATID rgcatidImpl[], ULONG, CATID[],
                                                    IOPCEnumGUID** ppenumClsid) override {
    return Enumerate("2:", cImplemented, rgcatidImpl, ppenumClsid);
  }
  HRESULT STDMETHODCALLTYPE EnumClassesOfCategories(ULONG cImplemented, CATID rgcatidImpl[], ULONG, CATID[],
                                                    IEnumGUID** ppenumClsid) override {
    return Enumerate("1:", cImplemented, rgcatidImpl, ppenumClsid);
  }
  HRESULT STDMETHODCALLTYPE GetClassDetails(REFCLSID clsid, LPOLESTR* ppszProgID, LPOLESTR* ppszUserType,
                                            LPOLESTR* ppszVerIndProgID) override {
    *ppszVerIndProgID = nullptr;
    return GetClassDetails(clsid, ppszProgID, ppszUserType);
  }
  HRESULT STDMETHODCALLTYPE GetClassDetails(REFCLSID clsid, LPOLESTR* ppszProgID, LPOLESTR* ppszUserType) override {
    if (clsid == Script.Unreadable) return E_FAIL;
    const std::string id = ClsIdToString(clsid).substr(1, 8);
    *ppszProgID = Copy(u"Prog." + Utf8ToUtf16(id));
    *ppszUserType = Copy(u"Caption " + Utf8ToUtf16(id));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CLSIDFromProgID(LPCOLESTR, LPCLSID) override { return E_NOTIMPL; }

private:
  template <class TEnum>
  static HRESULT Enumerate(std::string asked, ULONG count, const CATID ids[], TEnum** classes) {
    for (ULONG i = 0; i < count; ++i) asked += ClsIdToString(ids[i]).substr(1, 8) + " ";
    Asked.push_back(asked);
    if (FAILED(Script.EnumResult)) return Script.EnumResult;
    ComPtr<TScriptedClassEnum> enumerator(new TScriptedClassEnum(Script));
    return enumerator->QueryInterface(__uuidof(TEnum), reinterpret_cast<void**>(classes));
  }
  static LPOLESTR Copy(const std::u16string& text) {
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
    std::copy(text.c_str(), text.c_str() + text.size() + 1, copy);
    return copy;
  }
};

std::string ThisComputer() {
  WCHAR name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  EXPECT_TRUE(GetComputerNameW(name, &size));
  return Utf16ToUtf8(std::u16string(name, size));
}

void WriteClass(REFCLSID clsid, const std::string& progId, const std::string& description,
                std::vector<CATID> implemented) {
  TComClassInfo info;
  info.ClassId = clsid;
  info.ProgId = progId;
  info.Description = description;
  info.ImplementedCategories = std::move(implemented);
  ASSERT_EQ(RegisterClassKeys(info), S_OK);
}

class ComServerBrowser : public testing::Test {
protected:
  void SetUp() override {
    WriteClass(CLSID_BrowseA, "Zelk.Test.A.1", "Server A", {CATID_OPCDAServer20});
    WriteClass(CLSID_BrowseB, "Zelk.Test.B.1", "Server B", {CATID_OPCDAServer20, CATID_OPCDAServer30});
    WriteClass(CLSID_BrowseNoProgId, "", "Server without ProgID", {CATID_OPCDAServer20});
    WriteClass(CLSID_BrowseC, "Zelk.Test.C.1", LongCaption, {CATID_OPCDAServer20, CATID_OPCHDAServer10});
    TScriptedServerList::Script = TListScript();
    TScriptedServerList::Created = 0;
    TScriptedServerList::Asked.clear();
  }
  void TearDown() override {
    RevokeOpcServerList();
    if (FScriptedCookie) CoRevokeClassObject(FScriptedCookie);
  }

  void UseScriptedService() {
    TComClassInfo info;
    info.ClassId = CLSID_OPCServerList;
    ASSERT_EQ(RegisterComClass<TScriptedServerList>(info, &FScriptedCookie), S_OK);
  }

  // Each report as "caption|name|class id|type bits".
  std::vector<std::string> Run(tZelkServerSet Types, int32_t Options, const std::string& Computer = "") {
    std::vector<std::string> reports;
    ComPtr<IZelkServerBrowser> browser(new TZelkCOMServerBrowser);
    browser->Execute(Types, Computer, "", Options,
                     [&](const std::string& Caption, const std::string& Name, const std::string& ClsId,
                         tZelkServerSet ServerType) {
                       reports.push_back(Caption + "|" + Name + "|" + ClsId + "|" + std::to_string(ServerType.Bits()));
                     });
    return reports;
  }

  TRegistrySnapshot FRegistry;
  DWORD FScriptedCookie = 0;
};

using TReports = std::vector<std::string>;
const std::string DA20 = std::to_string(tZelkServerSet{svr_DA20}.Bits());
const std::string DA30 = std::to_string(tZelkServerSet{svr_DA30}.Bits());
const std::string HDA = std::to_string(tZelkServerSet{svr_HDA10}.Bits());

}  // namespace

TEST(ComServerCategories, IdsInEnumerationOrder) {
  EXPECT_EQ(GetCategoryIds({svr_AE10, svr_HDA10, svr_DX10, svr_BA20, svr_BA10, svr_DA30, svr_DA20, svr_DA10, svr_UA}),
            (std::vector<CATID>{CATID_OPCDAServer10, CATID_OPCDAServer20, CATID_OPCDAServer30, CATID_OPCBatchServer10,
                                CATID_OPCBatchServer20, CATID_OPCDXServer10, CATID_OPCHDAServer10,
                                CATID_OPCAEServer10}));
  EXPECT_TRUE(GetCategoryIds({svr_UA}).empty());
}

TEST_F(ComServerBrowser, ServiceInOnePassAndTypeByType) {
  ASSERT_EQ(RegisterOpcServerList(), S_OK);
  // One pass: each class once with the empty type set; the class without ProgID has no
  // details to give and is still reported.
  EXPECT_EQ(Run({svr_DA20, svr_DA30}, 0),
            (TReports{"Server A|Zelk.Test.A.1|" + A + "|0", "Server B|Zelk.Test.B.1|" + B + "|0",
                      "||" + NoProgId + "|0", LongCaption + "|Zelk.Test.C.1|" + C + "|0"}));
  // Type by type in table order, whatever order the set was given in.
  EXPECT_EQ(Run({svr_HDA10, svr_DA30}, 2),
            (TReports{"Server B|Zelk.Test.B.1|" + B + "|" + DA30, LongCaption + "|Zelk.Test.C.1|" + C + "|" + HDA}));
  EXPECT_TRUE(Run({svr_AE10}, 0).empty());
}

TEST_F(ComServerBrowser, RegistryWithoutTheServiceTypeByTypeAndPastAClassWithoutProgId) {
  // Even one pass is asked type by type; the class without ProgID is passed over and the one
  // after it still reported; a caption too long for the registry read is empty.
  EXPECT_EQ(Run({svr_DA20, svr_DA30}, 0),
            (TReports{"Server A|Zelk.Test.A.1|" + A + "|" + DA20, "Server B|Zelk.Test.B.1|" + B + "|" + DA20,
                      "|Zelk.Test.C.1|" + C + "|" + DA20, "Server B|Zelk.Test.B.1|" + B + "|" + DA30}));

  // A service without either list interface is no service on this computer.
  TScriptedServerList::Script.List2 = TScriptedServerList::Script.List = false;
  UseScriptedService();
  EXPECT_EQ(Run({svr_HDA10}, 0), (TReports{"|Zelk.Test.C.1|" + C + "|" + HDA}));
  EXPECT_EQ(TScriptedServerList::Created, 1);
  EXPECT_TRUE(TScriptedServerList::Asked.empty());
}

TEST_F(ComServerBrowser, EmptyAndUaOnlySets) {
  UseScriptedService();
  TScriptedServerList::Script.Classes = {CLSID_BrowseA};
  EXPECT_TRUE(Run({}, 0).empty());
  EXPECT_EQ(TScriptedServerList::Created, 0) << "an empty set creates nothing";
  EXPECT_TRUE(Run({svr_UA}, 0).empty());
  EXPECT_TRUE(Run({svr_UA}, 2).empty());
  EXPECT_EQ(TScriptedServerList::Created, 2);
  EXPECT_TRUE(TScriptedServerList::Asked.empty()) << "UA has no category to ask for";
}

TEST_F(ComServerBrowser, ScriptedServiceIsUntrusted) {
  UseScriptedService();
  // Twelve class ids, each batch claimed 40 larger than it is: only what was asked for counts.
  TScriptedServerList::Script.Classes.assign(12, CLSID_BrowseA);
  TScriptedServerList::Script.Classes[3] = CLSID_BrowseB;
  TScriptedServerList::Script.ExtraClaimed = 40;
  TScriptedServerList::Script.Unreadable = CLSID_BrowseB;
  std::vector<std::string> reports = Run({svr_DA10, svr_HDA10}, 0);
  EXPECT_EQ(TScriptedServerList::Asked, (std::vector<std::string>{"2:63D5F430 7DE5B060 "}));
  ASSERT_EQ(reports.size(), 20u) << "two batches of ten";
  EXPECT_EQ(reports[0], "Caption 7E51D001|Prog.7E51D001|" + A + "|0");
  EXPECT_EQ(reports[3], "||" + B + "|0") << "unreadable details";

  // Through the older interface, type by type; a raising callback loses only its own report.
  TScriptedServerList::Script = TListScript();
  TScriptedServerList::Script.List2 = false;
  TScriptedServerList::Script.Classes = {CLSID_BrowseA, CLSID_BrowseB};
  TScriptedServerList::Asked.clear();
  std::vector<std::string> taken;
  ComPtr<IZelkServerBrowser> browser(new TZelkCOMServerBrowser);
  browser->Execute({svr_DA20, svr_DA10}, "", "", 2,
                   [&](const std::string&, const std::string& Name, const std::string&, tZelkServerSet) {
                     if (Name == "Prog.7E51D001") throw EOPCException("refused");
                     taken.push_back(Name);
                   });
  EXPECT_EQ(taken, (std::vector<std::string>{"Prog.7E51D002", "Prog.7E51D002"}));
  EXPECT_EQ(TScriptedServerList::Asked, (std::vector<std::string>{"1:63D5F430 ", "1:63D5F432 "}));

  // A refused category enumeration is the platform's COM error.
  TScriptedServerList::Script.EnumResult = E_ACCESSDENIED;
  EXPECT_EQ(Raised<EOleSysError>([&] { Run({svr_DA20}, 0); }), "Access is denied");
}

TEST_F(ComServerBrowser, NamedComputers) {
  // An unreachable computer: the platform's answer, and nothing reported.
  EXPECT_EQ(Raised<EOleSysError>([&] { Run({svr_DA20}, 0, "ZELK-NO-SUCH-HOST"); }), "The RPC server is unavailable");

  // This computer by name: the service is required there, and must offer a list interface.
  EXPECT_EQ(Raised<EOleSysError>([&] { Run({svr_DA20}, 0, ThisComputer()); }), "Class not registered");
  UseScriptedService();
  TScriptedServerList::Script.List2 = TScriptedServerList::Script.List = false;
  EXPECT_EQ(Raised<EOPCServerListException>([&] { Run({svr_DA20}, 2, ThisComputer()); }),
            "Error: interface IOPCServerList not found");
  TScriptedServerList::Script.List = true;
  TScriptedServerList::Script.Classes = {CLSID_BrowseC};
  EXPECT_EQ(Run({svr_DA20}, 2, ThisComputer()), (TReports{"Caption 7E51D004|Prog.7E51D004|" + C + "|" + DA20}));
}

TEST_F(ComServerBrowser, ServerBrowserListsTheDemoHistoriansWithAndWithoutTheService) {
  for (const bool withService : {true, false}) {
    SCOPED_TRACE(withService ? "with the service" : "from the registry");
    TDemoServerOptions options;
    options.ServerList = withService;
    ASSERT_EQ(RegisterDemoServers(options), S_OK);
    TZelkServerBrowser browser(nullptr);
    browser.SetServertype({svr_HDA10, svr_DA20});
    browser.Execute(true);
    const int32_t full = browser.FindServer("Zelk.HDASim.1");
    ASSERT_GE(full, 0);
    EXPECT_EQ(browser.Items(full)->ServerCaption(), "Zelk HDA Simulation Server");
    EXPECT_EQ(browser.Items(full)->ServerClsId(), ClsIdToString(CLSID_ZelkHDASim));
    EXPECT_EQ(browser.Items(full)->ServerType(), tZelkServerSet{svr_HDA10});
    const int32_t minimal = browser.FindServer("Zelk.HDASim.Minimal.1");
    ASSERT_GE(minimal, 0);
    EXPECT_EQ(browser.Items(minimal)->ServerCaption(), "Zelk HDA Simulation Server (minimal)");
    EXPECT_GE(browser.FindServer("Zelk.Test.A.1"), 0);
    EXPECT_EQ(browser.FindServer("Zelk.ServerList.1"), -1) << "the service is in no category";
  }
  RevokeDemoServers();
}
