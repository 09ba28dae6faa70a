#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "com/TestServer.h"
#include "platform/rtl/StringUtils.h"

namespace {

ZELK_DEFINE_GUID(CLSID_RoundTrip, 0x5A1E0201, 0x7C1D, 0x4E55, 0x9B, 0x11, 0x20, 0x31, 0x42, 0x53, 0x64, 0x75);
ZELK_DEFINE_GUID(CLSID_Creatable, 0x5A1E0202, 0x7C1D, 0x4E55, 0x9B, 0x11, 0x20, 0x31, 0x42, 0x53, 0x64, 0x75);
ZELK_DEFINE_GUID(CLSID_Unregistered, 0x5A1E02FF, 0x7C1D, 0x4E55, 0x9B, 0x11, 0x20, 0x31, 0x42, 0x53, 0x64, 0x75);

// Registers TTestServer under clsid for one test and revokes its class object afterwards.
class TRegisteredServer {
public:
  explicit TRegisteredServer(TComClassInfo info) {
    EXPECT_EQ(RegisterComClass<TTestServer>(info, &FCookie), S_OK);
  }
  ~TRegisteredServer() { Revoke(); }
  void Revoke() {
    if (FCookie) {
      EXPECT_EQ(CoRevokeClassObject(FCookie), S_OK);
    }
    FCookie = 0;
  }

private:
  DWORD FCookie = 0;
};

TComClassInfo ServerInfo(REFCLSID clsid, const std::string& progId) {
  TComClassInfo info;
  info.ClassId = clsid;
  info.ProgId = progId + ".1";
  info.VersionIndependentProgId = progId;
  info.Description = "Zelk test server";
  return info;
}

std::u16string ThisComputer() {
  WCHAR name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  EXPECT_TRUE(GetComputerNameW(name, &size));
  return std::u16string(name, size);
}

}  // namespace

TEST(ProgIds, RoundTripThroughTheRegistry) {
  TRegisteredServer server(ServerInfo(CLSID_RoundTrip, "Zelk.RoundTrip"));
  CLSID clsid;
  EXPECT_EQ(CLSIDFromProgID(u"Zelk.RoundTrip.1", &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_RoundTrip);
  EXPECT_EQ(CLSIDFromProgIDEx(u"Zelk.RoundTrip", &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_RoundTrip);

  LPOLESTR progId = nullptr;
  ASSERT_EQ(ProgIDFromCLSID(CLSID_RoundTrip, &progId), S_OK);
  EXPECT_EQ(std::u16string(progId), u"Zelk.RoundTrip.1");
  CoTaskMemFree(progId);

  // CLSIDFromString takes a registered ProgID too.
  clsid = GUID_NULL;
  EXPECT_EQ(CLSIDFromString(u"Zelk.RoundTrip.1", &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_RoundTrip);

  clsid = CLSID_RoundTrip;
  EXPECT_EQ(CLSIDFromProgID(u"Zelk.NoSuchServer.1", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(clsid, GUID_NULL);
  EXPECT_EQ(CLSIDFromProgID(u"", &clsid), CO_E_CLASSSTRING);
  // A path into the registry is no ProgID.
  EXPECT_EQ(CLSIDFromProgID(u"Zelk.RoundTrip.1\\CLSID", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromProgID(nullptr, &clsid), E_INVALIDARG);
  EXPECT_EQ(CLSIDFromProgID(u"Zelk.RoundTrip.1", nullptr), E_INVALIDARG);

  progId = reinterpret_cast<LPOLESTR>(&clsid);
  EXPECT_EQ(ProgIDFromCLSID(CLSID_Unregistered, &progId), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(progId, nullptr);
  EXPECT_EQ(ProgIDFromCLSID(CLSID_RoundTrip, nullptr), E_INVALIDARG);
}

TEST(ClassObjects, CoCreateInstanceResults) {
  TRegisteredServer registration(ServerInfo(CLSID_Creatable, "Zelk.Creatable"));
  ComPtr<ITestServer> server;
  EXPECT_EQ(CoCreateInstance(CLSID_Creatable, nullptr, CLSCTX_INPROC_SERVER, IID_ITestServer, reinterpret_cast<void**>(server.GetAddressOf())), S_OK);
  ASSERT_TRUE(server);
  EXPECT_EQ(References(server.Get()), 1u);
  // An in-process class answers a local-server request as well.
  ComPtr<IConnectionPointContainer> container;
  EXPECT_EQ(CoCreateInstance(CLSID_Creatable, nullptr, CLSCTX_LOCAL_SERVER, IID_IConnectionPointContainer, reinterpret_cast<void**>(container.GetAddressOf())),
            S_OK);

  void* object = &object;
  EXPECT_EQ(CoCreateInstance(CLSID_Creatable, nullptr, CLSCTX_ALL, IID_ITestCounter, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  object = &object;
  EXPECT_EQ(CoCreateInstance(CLSID_Unregistered, nullptr, CLSCTX_ALL, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(CoCreateInstance(CLSID_Creatable, nullptr, CLSCTX_ALL, IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(CoCreateInstance(CLSID_Creatable, server.Get(), CLSCTX_ALL, IID_ITestServer, &object),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(CoCreateInstance(CLSID_Creatable, server.Get(), CLSCTX_ALL, IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(CoCreateInstance(CLSID_Creatable, nullptr, 0, IID_IUnknown, &object), E_INVALIDARG);

  std::thread([] {
    void* outside = &outside;
    EXPECT_EQ(CoCreateInstance(CLSID_Creatable, nullptr, CLSCTX_ALL, IID_IUnknown, &outside), CO_E_NOTINITIALIZED);
    EXPECT_EQ(outside, nullptr);
  }).join();

  // Revoked: the keys stay, but nothing can create the class any more.
  registration.Revoke();
  EXPECT_EQ(CoCreateInstance(CLSID_Creatable, nullptr, CLSCTX_ALL, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(CoRevokeClassObject(12345678), E_INVALIDARG);
}

TEST(ClassObjects, CoCreateInstanceExOnThisAndOtherComputers) {
  TRegisteredServer registration(ServerInfo(CLSID_Creatable, "Zelk.Creatable"));
  const std::u16string computer = Utf8ToUtf16(LowerCase(Utf16ToUtf8(ThisComputer())));
  char host[256] = {};
  ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
  // The computer name in any case, the host's DNS name and the loopback name are all local.
  const std::u16string local[] = {computer, Utf8ToUtf16(host), u"localhost", u""};
  for (const std::u16string& name : local) {
    std::u16string writable = name;
    COSERVERINFO info = {0, writable.data(), nullptr, 0};
    MULTI_QI qi = {&IID_ITestServer, nullptr, E_FAIL};
    EXPECT_EQ(CoCreateInstanceEx(CLSID_Creatable, nullptr, CLSCTX_ALL, &info, 1, &qi), S_OK) << Utf16ToUtf8(name);
    EXPECT_EQ(qi.hr, S_OK);
    ASSERT_NE(qi.pItf, nullptr);
    EXPECT_EQ(qi.pItf->Release(), 0u);
  }

  std::u16string other = u"no-such-computer";
  COSERVERINFO remote = {0, other.data(), nullptr, 0};
  MULTI_QI unreachable[2] = {{&IID_IUnknown, nullptr, S_OK}, {&IID_ITestServer, nullptr, S_OK}};
  EXPECT_EQ(CoCreateInstanceEx(CLSID_Creatable, nullptr, CLSCTX_REMOTE_SERVER, &remote, 2, unreachable),
            HRESULT(0x800706BA));
  for (const MULTI_QI& qi : unreachable) {
    EXPECT_EQ(qi.hr, HRESULT(0x800706BA));
    EXPECT_EQ(qi.pItf, nullptr);
  }

  // Some interfaces: the object is created and the missing ones say so.
  MULTI_QI partial[3] = {{&IID_ITestServer, nullptr, E_FAIL},
                         {&IID_ITestCounter, nullptr, E_FAIL},
                         {&IID_IConnectionPointContainer, nullptr, E_FAIL}};
  EXPECT_EQ(CoCreateInstanceEx(CLSID_Creatable, nullptr, CLSCTX_INPROC_SERVER, nullptr, 3, partial),
            CO_S_NOTALLINTERFACES);
  EXPECT_EQ(partial[0].hr, S_OK);
  EXPECT_EQ(partial[1].hr, E_NOINTERFACE);
  EXPECT_EQ(partial[1].pItf, nullptr);
  EXPECT_EQ(partial[2].hr, S_OK);
  ASSERT_NE(partial[0].pItf, nullptr);
  EXPECT_EQ(partial[2].pItf->Release(), 1u);
  EXPECT_EQ(partial[0].pItf->Release(), 0u);

  MULTI_QI none = {&IID_ITestCounter, nullptr, S_OK};
  EXPECT_EQ(CoCreateInstanceEx(CLSID_Creatable, nullptr, CLSCTX_INPROC_SERVER, nullptr, 1, &none), E_NOINTERFACE);
  EXPECT_EQ(none.hr, E_NOINTERFACE);
  EXPECT_EQ(CoCreateInstanceEx(CLSID_Creatable, nullptr, CLSCTX_INPROC_SERVER, nullptr, 0, &none), E_INVALIDARG);
  EXPECT_EQ(CoCreateInstanceEx(CLSID_Creatable, nullptr, CLSCTX_INPROC_SERVER, nullptr, 1, nullptr), E_INVALIDARG);
}

TEST(GlobalInterfaceTable, HoldsAndHandsOutReferences) {
  ComPtr<IGlobalInterfaceTable> table;
  ASSERT_EQ(CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IGlobalInterfaceTable, reinterpret_cast<void**>(table.GetAddressOf())),
            S_OK);
  ComPtr<TTestSink> sink(new TTestSink);
  DWORD cookie = 0;
  ASSERT_EQ(table->RegisterInterfaceInGlobal(sink->Identity(), IID_ITestEvents, &cookie), S_OK);
  EXPECT_NE(cookie, 0u);
  EXPECT_EQ(References(sink->Identity()), 2u);

  // Another thread, in the multithreaded apartment, fetches its own reference.
  std::thread([&] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ITestEvents* events = nullptr;
    EXPECT_EQ(table->GetInterfaceFromGlobal(cookie, IID_ITestEvents, reinterpret_cast<void**>(&events)), S_OK);
    EXPECT_EQ(static_cast<void*>(events), static_cast<void*>(static_cast<ITestEvents*>(sink.Get())));
    EXPECT_EQ(References(sink->Identity()), 3u);
    events->Release();
    CoUninitialize();
  }).join();

  void* missing = &missing;
  EXPECT_EQ(table->GetInterfaceFromGlobal(cookie + 1000, IID_ITestEvents, &missing), E_INVALIDARG);
  EXPECT_EQ(missing, nullptr);
  DWORD refused = 7;
  EXPECT_EQ(table->RegisterInterfaceInGlobal(sink->Identity(), IID_ITestCounter, &refused), E_NOINTERFACE);
  EXPECT_EQ(refused, 0u);
  EXPECT_EQ(table->RegisterInterfaceInGlobal(nullptr, IID_IUnknown, &refused), E_INVALIDARG);

  EXPECT_EQ(table->RevokeInterfaceFromGlobal(cookie), S_OK);
  EXPECT_EQ(References(sink->Identity()), 1u);
  EXPECT_EQ(table->RevokeInterfaceFromGlobal(cookie), E_INVALIDARG);
  EXPECT_EQ(table->GetInterfaceFromGlobal(cookie, IID_ITestEvents, &missing), E_INVALIDARG);
}
