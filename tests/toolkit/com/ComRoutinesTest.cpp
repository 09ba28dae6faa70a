// The COM transport's shared routines: result checks and their texts, strings and class ids,
// server-name resolution, the string-enumerator drain, the global-table entry and the
// transport's registration.

#include <gtest/gtest.h>

#include <memory>

#include "FakeOPCServer.h"
#include "toolkit/com/ZelkCOMLink.h"
#include "toolkit/com/ZelkCom.h"

namespace {

// Next fills the whole batch but claims 50 strings more, then reports the end; or, silent,
// answers S_OK without a string for ever.
class TUntrustedEnum : public TComObject<IEnumString> {
public:
  explicit TUntrustedEnum(bool silent) : FSilent(silent) {}
  HRESULT STDMETHODCALLTYPE Next(ULONG celt, LPOLESTR* rgelt, ULONG* pceltFetched) override {
    *pceltFetched = 0;
    if (FSilent) return S_OK;
    if (FDone) return S_FALSE;
    FDone = true;
    for (ULONG i = 0; i < celt; ++i) {
      rgelt[i] = static_cast<LPOLESTR>(CoTaskMemAlloc(2 * sizeof(OLECHAR)));
      rgelt[i][0] = u'x';
      rgelt[i][1] = 0;
    }
    *pceltFetched = celt + 50;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clone(IEnumString**) override { return E_NOTIMPL; }

private:
  const bool FSilent;
  bool FDone = false;
};

ComPtr<IEnumString> EnumOf(std::vector<std::u16string> strings) {
  return ComPtr<IEnumString>(new TEnumString(std::make_shared<const std::vector<std::u16string>>(std::move(strings))));
}

}  // namespace

TEST(ComRoutinesTest, ResultChecksRaiseOpcTextsOrThePlatformError) {
  EXPECT_NO_THROW(CheckOPCResult(S_FALSE));
  EXPECT_NO_THROW(CheckOPCResult(static_cast<HRESULT>(0x40041003)));  // S_MOREDATA
  EXPECT_EQ("E_BADTYPE The server cannot convert the data between the\r\nrequested data type and the canonical data",
            Raised<EOPCException>([] { CheckOPCResult(static_cast<HRESULT>(0xC0040004)); }));
  // Codes without an OPC message: the system's text, or the code.
  EXPECT_EQ("Unspecified error", Raised<EOleSysError>([] { CheckOPCResult(E_FAIL); }));
  EXPECT_EQ("Type mismatch", Raised<EOleSysError>([] { RaiseOPCError(static_cast<HRESULT>(0x80020005)); }));
  EXPECT_EQ("OLE error 8004ffff", Raised<EOleSysError>([] { RaiseOPCError(static_cast<HRESULT>(0x8004FFFF)); }));
  try {
    OleError(static_cast<HRESULT>(0x800706BA));
  } catch (const EOleSysError& e) {
    EXPECT_EQ(static_cast<HRESULT>(0x800706BA), e.ErrorCode());
  }
}

TEST(ComRoutinesTest, StringsClassIdsAndServerNames) {
  RegisterFakeServers();
  BSTR empty = AllocOleString("");
  ASSERT_NE(nullptr, empty);
  EXPECT_EQ(0u, SysStringLen(empty));
  SysFreeString(empty);
  EXPECT_EQ(kFakeClsId, ClsIdToString(CLSID_FakeOPCServer));

  CLSID clsId;
  EXPECT_TRUE(ServerNameToClsId(kFakeProgId, clsId));
  EXPECT_EQ(CLSID_FakeOPCServer, clsId);
  EXPECT_TRUE(ServerNameToClsId(LowerCase(kNoProgIdClsId), clsId));
  EXPECT_EQ(CLSID_FakeOPCServerNoProgId, clsId);
  EXPECT_FALSE(ServerNameToClsId("", clsId));
  EXPECT_FALSE(IsClsIdString("6C3A1E20-5B7D-4F1A-9E2C-1D0B3A4C5E60"));

  std::string caption = "old", id = "old";
  ResolveServerName(kFakeProgId, caption, id);
  EXPECT_EQ(kFakeClsId, caption) << "a ProgID comes back as its class id in both";
  EXPECT_EQ(kFakeClsId, id);
  ResolveServerName(LowerCase(kFakeClsId), caption, id);
  EXPECT_EQ(kFakeProgId, caption);
  EXPECT_EQ(kFakeClsId, id) << "normalised";
  ResolveServerName(LowerCase(kNoProgIdClsId), caption, id);
  EXPECT_EQ("", caption);
  EXPECT_EQ(LowerCase(kNoProgIdClsId), id);
  ResolveServerName("Some Server", caption, id);
  EXPECT_EQ("Some Server", caption);
  EXPECT_EQ("", id);
}

TEST(ComRoutinesTest, EnumStringsToListDrainsUpToTheFirstEmptyString) {
  TStringList list;
  list.Add("stale");
  EnumStringsToList(EnumOf({u"Plant", u"", u"Hidden"}).Get(), &list);
  EXPECT_EQ("Plant\r\n", list.Text());

  std::vector<std::u16string> many;
  for (int i = 0; i < 250; ++i) many.push_back(u"Item" + Utf8ToUtf16(IntToStr(i)));
  EnumStringsToList(EnumOf(many).Get(), &list);
  ASSERT_EQ(250, list.Count()) << "across batches of 100";
  EXPECT_EQ("Item249", list.Get(249));

  EnumStringsToList(ComPtr<IEnumString>(new TUntrustedEnum(false)).Get(), &list);
  EXPECT_EQ(100, list.Count()) << "a count beyond the batch is not read";
  EnumStringsToList(ComPtr<IEnumString>(new TUntrustedEnum(true)).Get(), &list);
  EXPECT_EQ(0, list.Count());
}

TEST(ComRoutinesTest, GlobalTableEntryHandsBackTheObjectUntilRevoked) {
  RegisterFakeServers();
  ComPtr<IUnknown> server;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FakeOPCServer, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                   reinterpret_cast<void**>(server.GetAddressOf())));
  TGIP entry(server.Get(), IID_IOPCCommon);
  ComPtr<IOPCCommon> common, direct;
  entry.GetIntf(reinterpret_cast<void**>(common.GetAddressOf()));
  ASSERT_EQ(S_OK, server.As(&direct));
  EXPECT_EQ(direct.Get(), common.Get());
  entry.RevokeIntf();
  EXPECT_FALSE(entry.Registered());
  EXPECT_THROW(entry.GetIntf(reinterpret_cast<void**>(common.ReleaseAndGetAddressOf())), EOleSysError);
  EXPECT_THROW(TGIP(server.Get(), IID_IEnumString), EOleSysError);
}

TEST(ComRoutinesTest, ComLinkRegistersTheComTransport) {
  RegisterFakeServers();
  EXPECT_EQ(coCOM, DefaultConnectionType());
  EXPECT_FALSE(ConnectionRegistered(coUA));
  EXPECT_FALSE(RegisterCOMLink()) << "the first record stays in force";
  std::string caption, clsId;
  GetServerNames(coCOM, LowerCase(kFakeClsId), caption, clsId);
  EXPECT_EQ(kFakeProgId, caption);
  EXPECT_EQ(kFakeClsId, clsId);
}
