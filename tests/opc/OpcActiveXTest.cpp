// The shared COM routines of the OPC client code, driven through small scripted servers.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "opc/_OPCCOMN.h"
#include "opc/_opcactivex.h"
#include "platform/PlatformExtensions.h"
#include "platform/rtl/MessageSeam.h"

namespace {

ZELK_DEFINE_GUID(IID_ITestSink, 0x5A1E0001, 0x0000, 0x4000, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01);

// A connection point that records what it is asked and answers as scripted.
class TScriptedPoint : public TComObject<IConnectionPoint> {
public:
  HRESULT AdviseResult = S_OK;
  DWORD CookieToGive = 41;
  HRESULT UnadviseResult = S_OK;
  std::vector<DWORD> Unadvised;
  IUnknown* AdvisedSink = nullptr;

  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override {
    AdvisedSink = pUnkSink;
    if (SUCCEEDED(AdviseResult)) *pdwCookie = CookieToGive;
    return AdviseResult;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD dwCookie) override {
    Unadvised.push_back(dwCookie);
    return UnadviseResult;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }
};

// A server with one connection point for IID_ITestSink.
class TScriptedContainer : public TComObject<IConnectionPointContainer> {
public:
  ComPtr<TScriptedPoint> Point{new TScriptedPoint};

  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override {
    *ppCP = nullptr;
    if (!(riid == IID_ITestSink)) return CONNECT_E_NOCONNECTION;
    *ppCP = Point.Get();
    Point->AddRef();
    return S_OK;
  }
};

// A data object that records its advise calls.
class TScriptedDataObject : public TComObject<IDataObject> {
public:
  HRESULT DAdviseResult = S_OK;
  FORMATETC Format = {};
  DWORD Advf = 0;
  IAdviseSink* Sink = nullptr;
  std::vector<DWORD> Unadvised;

  HRESULT STDMETHODCALLTYPE GetData(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* pformatetc, DWORD advf, IAdviseSink* pAdvSink,
                                    DWORD* pdwConnection) override {
    Format = *pformatetc;
    Advf = advf;
    Sink = pAdvSink;
    *pdwConnection = 77;  // a failing server may still write here
    return DAdviseResult;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD dwConnection) override {
    Unadvised.push_back(dwConnection);
    return dwConnection == 77 ? S_OK : OLE_E_NOCONNECTION;
  }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

  static constexpr HRESULT OLE_E_NOCONNECTION = static_cast<HRESULT>(0x80040004);
};

class TPlainObject : public TComObject<IOPCShutdown> {
public:
  HRESULT STDMETHODCALLTYPE ShutdownRequest(LPCWSTR) override { return S_OK; }
};

}  // namespace

TEST(OpcActiveX, ConnectionPointAdviseAndUnadvise) {
  ComPtr<TScriptedContainer> server(new TScriptedContainer);
  ComPtr<TPlainObject> sink(new TPlainObject);
  IUnknown* serverUnknown = server->Identity();

  DWORD cookie = 0;
  EXPECT_EQ(ConnectionPointAdvise(serverUnknown, IID_ITestSink, sink->Identity(), cookie), S_OK);
  EXPECT_EQ(cookie, 41u);
  EXPECT_EQ(server->Point->AdvisedSink, sink->Identity());

  // The point's own failure comes back as it is.
  server->Point->AdviseResult = CONNECT_E_ADVISELIMIT;
  cookie = 5;
  EXPECT_EQ(ConnectionPointAdvise(serverUnknown, IID_ITestSink, sink->Identity(), cookie), CONNECT_E_ADVISELIMIT);
  EXPECT_EQ(cookie, 5u);

  // No server, no container, no point: E_FAIL, cookie untouched.
  EXPECT_EQ(ConnectionPointAdvise(nullptr, IID_ITestSink, sink->Identity(), cookie), E_FAIL);
  EXPECT_EQ(ConnectionPointAdvise(sink->Identity(), IID_ITestSink, sink->Identity(), cookie), E_FAIL);
  EXPECT_EQ(ConnectionPointAdvise(serverUnknown, IID_IOPCShutdown, sink->Identity(), cookie), E_FAIL);
  EXPECT_EQ(cookie, 5u);

  EXPECT_EQ(ConnectionPointUnadvise(serverUnknown, IID_ITestSink, 41), S_OK);
  // A cookie of 0 never reaches the server; every failure reads E_FAIL.
  EXPECT_EQ(ConnectionPointUnadvise(serverUnknown, IID_ITestSink, 0), E_FAIL);
  server->Point->UnadviseResult = CONNECT_E_NOCONNECTION;
  EXPECT_EQ(ConnectionPointUnadvise(serverUnknown, IID_ITestSink, 42), E_FAIL);
  EXPECT_EQ(ConnectionPointUnadvise(nullptr, IID_ITestSink, 41), E_FAIL);
  EXPECT_EQ(ConnectionPointUnadvise(sink->Identity(), IID_ITestSink, 41), E_FAIL);
  EXPECT_EQ(ConnectionPointUnadvise(serverUnknown, IID_IOPCShutdown, 41), E_FAIL);
  EXPECT_EQ(server->Point->Unadvised, (std::vector<DWORD>{41, 42}));
}

TEST(OpcActiveX, DataObjectAdviseAndUnadvise) {
  ComPtr<TScriptedDataObject> server(new TScriptedDataObject);
  const UINT format = RegisterClipFormat("OPCSTMFORMATDATATIME");
  ASSERT_NE(format, 0u);

  DWORD connection = 9;
  EXPECT_EQ(DataObjectAdvise(server->Identity(), format, nullptr, connection), S_OK);
  EXPECT_EQ(connection, 77u);
  EXPECT_EQ(server->Format.cfFormat, format);
  EXPECT_EQ(server->Format.ptd, nullptr);
  EXPECT_EQ(server->Format.dwAspect, static_cast<DWORD>(DVASPECT_CONTENT));
  EXPECT_EQ(server->Format.lindex, -1);
  EXPECT_EQ(server->Format.tymed, static_cast<DWORD>(TYMED_HGLOBAL));
  EXPECT_EQ(server->Advf, static_cast<DWORD>(ADVF_PRIMEFIRST));

  // A failed advise leaves the connection 0, whatever the server wrote.
  server->DAdviseResult = E_OUTOFMEMORY;
  connection = 9;
  EXPECT_EQ(DataObjectAdvise(server->Identity(), format, nullptr, connection), E_OUTOFMEMORY);
  EXPECT_EQ(connection, 0u);

  // Without IDataObject nothing is touched.
  ComPtr<TPlainObject> plain(new TPlainObject);
  connection = 9;
  EXPECT_EQ(DataObjectAdvise(plain->Identity(), format, nullptr, connection), E_FAIL);
  EXPECT_EQ(DataObjectAdvise(nullptr, format, nullptr, connection), E_FAIL);
  EXPECT_EQ(connection, 9u);

  EXPECT_EQ(DataObjectUnadvise(server->Identity(), 77), S_OK);
  EXPECT_EQ(DataObjectUnadvise(server->Identity(), 78), TScriptedDataObject::OLE_E_NOCONNECTION);
  EXPECT_EQ(DataObjectUnadvise(plain->Identity(), 77), E_FAIL);
  EXPECT_EQ(DataObjectUnadvise(nullptr, 77), E_FAIL);
  EXPECT_EQ(server->Unadvised, (std::vector<DWORD>{77, 78}));
}

TEST(OpcActiveX, ReadClassesRootString) {
  const std::u16string key = u"CLSID\\{5A1E0002-0000-4000-8000-000000000002}";
  HKEY handle = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr),
            ERROR_SUCCESS);
  auto setString = [&](const char16_t* name, const std::u16string& text, DWORD type = REG_SZ) {
    ASSERT_EQ(RegSetValueExW(handle, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(char16_t))),
              ERROR_SUCCESS);
  };
  setString(u"", u"Zelk HDA Simulation Server");
  setString(u"Vendor", u"Zelk Ä");
  setString(u"Fits", std::u16string(127, u'x'));     // 256 bytes with the NUL
  setString(u"TooLong", std::u16string(128, u'y'));  // 258 bytes
  const DWORD number = 5;
  ASSERT_EQ(RegSetValueExW(handle, u"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4), ERROR_SUCCESS);
  const char16_t unterminated[] = {u'a', u'b', u'c'};
  ASSERT_EQ(RegSetValueExW(handle, u"NoNul", 0, REG_SZ, reinterpret_cast<const BYTE*>(unterminated), 6), ERROR_SUCCESS);
  RegCloseKey(handle);

  const std::string path = "CLSID\\{5A1E0002-0000-4000-8000-000000000002}";
  EXPECT_EQ(ReadClassesRootString(path, ""), "Zelk HDA Simulation Server");
  EXPECT_EQ(ReadClassesRootString("clsid\\{5a1e0002-0000-4000-8000-000000000002}", "VENDOR"), "Zelk Ä");
  EXPECT_EQ(ReadClassesRootString(path, "Fits"), std::string(127, 'x'));
  EXPECT_EQ(ReadClassesRootString(path, "TooLong"), "");
  EXPECT_EQ(ReadClassesRootString(path, "Number"), "");
  EXPECT_EQ(ReadClassesRootString(path, "NoNul"), "abc");
  EXPECT_EQ(ReadClassesRootString(path, "Missing"), "");
  EXPECT_EQ(ReadClassesRootString("CLSID\\{5A1E0003-0000-4000-8000-000000000003}", ""), "");

  EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str()), ERROR_SUCCESS);
}

TEST(OpcActiveX, ClipboardFormatsAndMessageBox) {
  const UINT data = RegisterClipFormat("OPCSTMFORMATDATA");
  EXPECT_GE(data, 0xC000u);
  EXPECT_EQ(RegisterClipFormat("opcstmformatdata"), data);
  EXPECT_NE(RegisterClipFormat("OPCSTMFORMATWRITECOMPLETE"), data);
  EXPECT_EQ(RegisterClipFormat(""), 0u);

  std::vector<std::string> shown;
  TScopedMessageBoxHandler handler([&](const std::string& text, const std::string& caption, unsigned flags) {
    shown.push_back(text + "|" + caption + "|" + std::to_string(flags));
    return IDOK;
  });
  ShowMessageBox("-2147467259", "Error");
  EXPECT_EQ(shown, (std::vector<std::string>{"-2147467259|Error|0"}));
}
