#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"

namespace {

ZELK_DEFINE_GUID(SampleGuid, 0x0123ABCD, 0x4567, 0x89EF, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF);
constexpr char16_t SampleText[] = u"{0123ABCD-4567-89EF-0123-456789ABCDEF}";

}  // namespace

TEST(GuidText, StringFromGUID2WritesBracedUpperCaseAndChecksTheBuffer) {
  OLECHAR text[39];
  EXPECT_EQ(StringFromGUID2(SampleGuid, text, 39), 39);
  EXPECT_EQ(std::u16string(text), SampleText);

  // One character short of the terminating null: nothing is written.
  OLECHAR shortBuffer[38] = {u'x'};
  EXPECT_EQ(StringFromGUID2(SampleGuid, shortBuffer, 38), 0);
  EXPECT_EQ(shortBuffer[0], u'x');
  EXPECT_EQ(StringFromGUID2(SampleGuid, nullptr, 39), 0);

  // Data4 bytes are written in memory order, Data1..3 as numbers.
  constexpr GUID highBits = {0xFFFFFFFF, 0x0001, 0x8000, {0xFF, 0x00, 0x0F, 0xF0, 0x10, 0x01, 0xA0, 0x0A}};
  StringFromGUID2(highBits, text, 39);
  EXPECT_EQ(std::u16string(text), u"{FFFFFFFF-0001-8000-FF00-0FF01001A00A}");
}

TEST(GuidText, StringFromCLSIDAllocatesWithTheTaskAllocator) {
  LPOLESTR text = nullptr;
  ASSERT_EQ(StringFromCLSID(SampleGuid, &text), S_OK);
  EXPECT_EQ(std::u16string(text), SampleText);
  CoTaskMemFree(text);

  ASSERT_EQ(StringFromIID(IID_IUnknown, &text), S_OK);
  EXPECT_EQ(std::u16string(text), u"{00000000-0000-0000-C000-000000000046}");
  CoTaskMemFree(text);

  EXPECT_EQ(StringFromCLSID(SampleGuid, nullptr), E_INVALIDARG);
}

TEST(GuidText, CLSIDFromStringAcceptsOnlyTheBracedForm) {
  CLSID clsid;
  EXPECT_EQ(CLSIDFromString(SampleText, &clsid), S_OK);
  EXPECT_EQ(clsid, SampleGuid);
  EXPECT_EQ(CLSIDFromString(u"{0123abcd-4567-89ef-0123-456789abcdef}", &clsid), S_OK);
  EXPECT_EQ(clsid, SampleGuid);

  // A null string is the null class id.
  clsid = SampleGuid;
  EXPECT_EQ(CLSIDFromString(nullptr, &clsid), S_OK);
  EXPECT_EQ(clsid, GUID_NULL);

  const char16_t* malformed[] = {
      u"0123ABCD-4567-89EF-0123-456789ABCDEF",    // no braces (and no such ProgID)
      u"{0123ABCD-4567-89EF-0123-456789ABCDEF",   // no closing brace
      u"{0123ABCD-4567-89EF-0123-456789ABCDE}",   // one digit short
      u"{0123ABCD-4567-89EF-0123-456789ABCDEF0}", // one digit long
      u"{0123ABCD-4567-89EF-0123-456789ABCDEF}x", // trailing text
      u"{0123ABCD-4567-89EF-0123-456789ABCDEG}",  // not a hex digit
      u"{0123ABCD+4567-89EF-0123-456789ABCDEF}",  // wrong separator
      u"{0123ABC-D4567-89EF-0123-456789ABCDEF}",  // separator out of place
      u"",
  };
  for (const char16_t* text : malformed) {
    clsid = SampleGuid;
    EXPECT_EQ(CLSIDFromString(text, &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(clsid, GUID_NULL);
  }
  EXPECT_EQ(CLSIDFromString(SampleText, nullptr), E_INVALIDARG);
}

TEST(GuidText, IIDFromStringRejectsMalformedTextWithInvalidArg) {
  IID iid;
  EXPECT_EQ(IIDFromString(u"{00000000-0000-0000-c000-000000000046}", &iid), S_OK);
  EXPECT_EQ(iid, IID_IUnknown);
  EXPECT_EQ(IIDFromString(u"00000000-0000-0000-C000-000000000046", &iid), E_INVALIDARG);
  EXPECT_EQ(iid, GUID_NULL);
  EXPECT_EQ(IIDFromString(nullptr, &iid), S_OK);
  EXPECT_EQ(iid, GUID_NULL);
}
