// OleVariant owns its VARIANT: copies are deep, failures leave it empty.

#include <gtest/gtest.h>

#include "toolkit/OleVariant.h"

TEST(OleVariant, CopiesAreDeepAndMovesTakeOver) {
  OleVariant text(std::string("Ä tank"));
  ASSERT_EQ(text.VarType(), VT_BSTR);
  EXPECT_EQ(std::u16string(text.Value().bstrVal), u"Ä tank");

  OleVariant copy(text);
  EXPECT_NE(copy.Value().bstrVal, text.Value().bstrVal);
  EXPECT_EQ(std::u16string(copy.Value().bstrVal), u"Ä tank");

  OleVariant moved(std::move(copy));
  EXPECT_TRUE(copy.IsEmpty());
  EXPECT_EQ(std::u16string(moved.Value().bstrVal), u"Ä tank");

  moved = moved;  // self-assignment keeps the value
  EXPECT_EQ(std::u16string(moved.Value().bstrVal), u"Ä tank");
  moved = OleVariant(2.5);
  EXPECT_EQ(moved.VarType(), VT_R8);
  EXPECT_EQ(moved.Value().dblVal, 2.5);

  EXPECT_TRUE(OleVariant().IsEmpty());
  EXPECT_TRUE(OleVariant::Null().IsNull());
  EXPECT_EQ(OleVariant(true).Value().boolVal, VARIANT_TRUE);
  EXPECT_EQ(OleVariant(int32_t{-7}).Value().lVal, -7);
  const OleVariant literal("tag");  // a string, not the bool a pointer converts to
  ASSERT_EQ(literal.VarType(), VT_BSTR);
  EXPECT_EQ(std::u16string(literal.Value().bstrVal), u"tag");
}

TEST(OleVariant, CopyFromUntrustedData) {
  OleVariant value(int32_t{5});
  VARIANT bad;
  VariantInit(&bad);
  bad.vt = 0x7FFF;  // no such type
  EXPECT_EQ(value.CopyFrom(bad), DISP_E_BADVARTYPE);
  EXPECT_TRUE(value.IsEmpty());

  VARIANT server;
  VariantInit(&server);
  server.vt = VT_BSTR;
  server.bstrVal = SysAllocString(u"from server");
  EXPECT_EQ(value.CopyFrom(server), S_OK);
  EXPECT_NE(value.Value().bstrVal, server.bstrVal);
  VariantClear(&server);
  EXPECT_EQ(std::u16string(value.Value().bstrVal), u"from server");

  // Copying a value onto itself keeps it.
  EXPECT_EQ(value.CopyFrom(value.Value()), S_OK);
  EXPECT_EQ(std::u16string(value.Value().bstrVal), u"from server");
}
