// Values and result codes as the command-line client writes them: numbers in full, server
// text never reaching the terminal with its control characters.

#include <gtest/gtest.h>

#include "app/cli/CliText.h"
#include "opc/_OPCHDA.h"
#include "opc/_opcda.h"
#include "toolkit/OleVariant.h"

namespace {

std::string TextOf(VARTYPE type, void (*set)(VARIANT&)) {
  OleVariant value;
  value.Ptr()->vt = type;
  set(*value.Ptr());
  return CliValueText(value.Value());
}

TEST(CliText, ValuesInFullAndEscaped) {
  EXPECT_EQ(CliValueText(OleVariant(0.1).Value()), "0.1");
  EXPECT_EQ(CliValueText(OleVariant(1.0 / 3).Value()), "0.333333333333333");
  EXPECT_EQ(CliValueText(OleVariant(720.0).Value()), "720");
  EXPECT_EQ(CliValueText(OleVariant(-1e300).Value()), "-1e+300");
  EXPECT_EQ(CliValueText(OleVariant(int32_t{-7}).Value()), "-7");
  EXPECT_EQ(CliValueText(OleVariant(true).Value()), "True");
  EXPECT_EQ(CliValueText(OleVariant(false).Value()), "False");
  EXPECT_EQ(CliValueText(OleVariant().Value()), "(empty)");
  EXPECT_EQ(CliValueText(OleVariant::Null().Value()), "(null)");
  EXPECT_EQ(TextOf(VT_R4, [](VARIANT& v) { v.fltVal = 0.1f; }), "0.1");
  EXPECT_EQ(TextOf(VT_UI8, [](VARIANT& v) { v.ullVal = 18446744073709551615ULL; }), "18446744073709551615");
  EXPECT_EQ(TextOf(VT_I8, [](VARIANT& v) { v.llVal = INT64_MIN; }), "-9223372036854775808");
  EXPECT_EQ(TextOf(VT_UI1, [](VARIANT& v) { v.bVal = 255; }), "255");
  // A type without a text form is named, not guessed.
  EXPECT_EQ(TextOf(VT_UNKNOWN, [](VARIANT& v) { v.punkVal = nullptr; }), "(type 0x000D)");

  EXPECT_EQ(CliValueText(OleVariant("Sample 7").Value()), "Sample 7");
  EXPECT_EQ(CliValueText(OleVariant("a\nb\tc\r\x1b[2J\x7f").Value()), "a\\nb\\tc\\r\\x1B[2J\\x7F");
  EXPECT_EQ(CliValueText(OleVariant("Grüße").Value()), "Grüße");
  EXPECT_EQ(TextOf(VT_BSTR, [](VARIANT& v) { v.bstrVal = nullptr; }), "");
}

TEST(CliText, ResultCodesByName) {
  EXPECT_EQ(CliResultName(S_OK), "S_OK");
  EXPECT_EQ(CliResultName(S_FALSE), "S_FALSE");
  EXPECT_EQ(CliResultName(E_NOTIMPL), "E_NOTIMPL");
  EXPECT_EQ(CliResultName(OPC_S_MOREDATA), "S_MOREDATA");
  EXPECT_EQ(CliResultName(OPC_S_NODATA), "S_NODATA");
  EXPECT_EQ(CliResultName(static_cast<HRESULT>(0x80012345)), "0x80012345");
  EXPECT_EQ(CliResultText(OPC_E_INVALIDAGGREGATE), "E_INVALIDAGGREGATE (The aggregate requested is not valid.)");
  // The message's own line break does not break the line it is written in.
  EXPECT_EQ(CliResultText(OPC_E_BADTYPE),
            "E_BADTYPE (The server cannot convert the data between the requested data type and the canonical data)");
  EXPECT_EQ(CliResultText(E_FAIL), "E_FAIL");
}

}  // namespace
