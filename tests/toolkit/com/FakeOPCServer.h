#pragma once
// A scriptable OPC server object for the COM transport's tests: which interfaces it offers,
// whether it has a shutdown connection point, what IOPCCommon answers; it records what the
// client sent and can ask its clients to shut down. Registered as COM classes of the test
// binary. Also the tests' helper that reads what an action raised.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "opc/_OPCCOMN.h"
#include "opc/_opcda.h"
#include "platform/PlatformExtensions.h"
#include "platform/rtl/StringUtils.h"
#include "tests/support/RaisedMessage.h"
#include "toolkit/ZelkIntf.h"

struct TFakeServerScript {
  bool Common = true;            // offers IOPCCommon
  bool ConnectionPoints = true;  // offers IConnectionPointContainer (OPC 2 and later)
  bool ShutdownPoint = true;     // the container has a point for IOPCShutdown
  bool Browse = false;           // offers IOPCBrowse (DA 3)
};

class TFakeOPCServer : public TComObject<IOPCCommon, IConnectionPointContainer, IOPCBrowse> {
public:
  // What the next server created will do.
  static inline TFakeServerScript NextScript;
  // The live server created last, or null; not a reference.
  static inline TFakeOPCServer* Last = nullptr;

  TFakeOPCServer() : FScript(NextScript) {
    if (FScript.ShutdownPoint) FShutdown = &FPoints.Add(IID_IOPCShutdown);
    Last = this;
  }
  ~TFakeOPCServer() override {
    if (Last == this) Last = nullptr;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
    if ((riid == IID_IOPCCommon && !FScript.Common) ||
        (riid == IID_IConnectionPointContainer && !FScript.ConnectionPoints) ||
        (riid == IID_IOPCBrowse && !FScript.Browse)) {
      if (ppvObject) *ppvObject = nullptr;
      return E_NOINTERFACE;
    }
    return TComObject::QueryInterface(riid, ppvObject);
  }

  HRESULT STDMETHODCALLTYPE SetLocaleID(LCID dwLcid) override {
    Locale = dwLcid;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetLocaleID(LCID* pdwLcid) override {
    *pdwLcid = Locale;
    return GetLocaleIDResult;
  }
  HRESULT STDMETHODCALLTYPE QueryAvailableLocaleIDs(DWORD*, LCID**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetErrorString(HRESULT, LPWSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetClientName(LPCWSTR szName) override {
    ClientNames.push_back(Utf16ToUtf8(szName));
    return SetClientNameResult;
  }

  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override {
    return FPoints.EnumConnectionPoints(ppEnum);
  }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override {
    return FPoints.FindConnectionPoint(riid, ppCP);
  }

  HRESULT STDMETHODCALLTYPE GetProperties(DWORD, LPWSTR*, BOOL, DWORD, DWORD*, OPCITEMPROPERTIES**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Browse(LPWSTR, LPWSTR*, DWORD, OPCBROWSEFILTER, LPWSTR, LPWSTR, BOOL, BOOL, DWORD, DWORD*,
                                   BOOL*, DWORD*, OPCBROWSEELEMENT**) override {
    return E_NOTIMPL;
  }

  // Calls every advised shutdown sink, as a server going down does.
  HRESULT RequestShutdown() {
    return FShutdown->CallSinks<IOPCShutdown>([](IOPCShutdown* sink) { return sink->ShutdownRequest(u"maintenance"); });
  }
  size_t ShutdownSinks() const { return FShutdown ? FShutdown->Sinks().size() : 0; }

  LCID Locale = 0x0409;
  std::vector<std::string> ClientNames;
  HRESULT SetClientNameResult = S_OK;
  HRESULT GetLocaleIDResult = S_OK;

private:
  const TFakeServerScript FScript;
  TConnectionPoints FPoints{this};
  TConnectionPoint* FShutdown = nullptr;
};

// A class object that reports success but hands out no object.
class TEmptyHandedFactory : public TComObject<IClassFactory> {
public:
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, void** ppvObject) override {
    *ppvObject = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

// {6C3A1E20-5B7D-4F1A-9E2C-1D0B3A4C5E60}
ZELK_DEFINE_GUID(CLSID_FakeOPCServer, 0x6C3A1E20, 0x5B7D, 0x4F1A, 0x9E, 0x2C, 0x1D, 0x0B, 0x3A, 0x4C, 0x5E, 0x60);
// {6C3A1E21-5B7D-4F1A-9E2C-1D0B3A4C5E60}: the same server without a ProgID.
ZELK_DEFINE_GUID(CLSID_FakeOPCServerNoProgId, 0x6C3A1E21, 0x5B7D, 0x4F1A, 0x9E, 0x2C, 0x1D, 0x0B, 0x3A, 0x4C, 0x5E,
                 0x60);
// {6C3A1E22-5B7D-4F1A-9E2C-1D0B3A4C5E60}
ZELK_DEFINE_GUID(CLSID_EmptyHandedServer, 0x6C3A1E22, 0x5B7D, 0x4F1A, 0x9E, 0x2C, 0x1D, 0x0B, 0x3A, 0x4C, 0x5E, 0x60);

inline constexpr char kFakeProgId[] = "Zelk.Test.FakeOPC.1";
inline constexpr char kFakeClsId[] = "{6C3A1E20-5B7D-4F1A-9E2C-1D0B3A4C5E60}";
inline constexpr char kNoProgIdClsId[] = "{6C3A1E21-5B7D-4F1A-9E2C-1D0B3A4C5E60}";

// Registers the three classes once per process.
inline void RegisterFakeServers() {
  static const bool registered = [] {
    DWORD cookie = 0;
    TComClassInfo fake;
    fake.ClassId = CLSID_FakeOPCServer;
    fake.ProgId = kFakeProgId;
    fake.Description = "Zelk test OPC server";
    TComClassInfo bare;
    bare.ClassId = CLSID_FakeOPCServerNoProgId;
    bare.Description = "Zelk test OPC server without ProgID";
    TComClassInfo emptyHanded;
    emptyHanded.ClassId = CLSID_EmptyHandedServer;
    emptyHanded.ProgId = "Zelk.Test.EmptyHanded.1";
    ComPtr<IClassFactory> factory(new TEmptyHandedFactory);
    return RegisterComClass<TFakeOPCServer>(fake, &cookie) == S_OK &&
           RegisterComClass<TFakeOPCServer>(bare, &cookie) == S_OK &&
           RegisterComClass(emptyHanded, factory.Get(), &cookie) == S_OK;
  }();
  ASSERT_TRUE(registered);
}
