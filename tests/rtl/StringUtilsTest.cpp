#include <gtest/gtest.h>

#include <climits>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringUtils.h"

namespace {

const char16_t Fffd = u'\xFFFD';

std::u16string FromUtf8(const char* bytes, size_t length) { return Utf8ToUtf16(std::string_view(bytes, length)); }

}  // namespace

TEST(Utf8ToUtf16, EncodesEveryPlaneBoundaryExactly) {
  EXPECT_EQ(Utf8ToUtf16(""), u"");
  EXPECT_EQ(Utf8ToUtf16("A\xC3\xA9"), u"A\u00E9");
  EXPECT_EQ(Utf8ToUtf16("\xEF\xBF\xBF"), std::u16string(1, u'\xFFFF'));
  EXPECT_EQ(Utf8ToUtf16("\xF0\x90\x80\x80"), (std::u16string{0xD800, 0xDC00}));
  EXPECT_EQ(Utf8ToUtf16("\xF4\x8F\xBF\xBF"), (std::u16string{0xDBFF, 0xDFFF}));
  EXPECT_EQ(FromUtf8("a\0b", 3), (std::u16string{u'a', 0, u'b'}));
}

TEST(Utf8ToUtf16, MalformedInputGivesOneReplacementPerMaximalSubpart) {
  // Overlong forms, encoded surrogates and code points above U+10FFFF break at their second
  // byte, so every byte is replaced on its own.
  EXPECT_EQ(Utf8ToUtf16("\xC0\x80"), std::u16string(2, Fffd));
  EXPECT_EQ(Utf8ToUtf16("\xE0\x80\x80"), std::u16string(3, Fffd));
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), std::u16string(3, Fffd));
  EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), std::u16string(4, Fffd));
  EXPECT_EQ(Utf8ToUtf16("\xF8\x88\x80\x80\x80"), std::u16string(5, Fffd));
  EXPECT_EQ(Utf8ToUtf16("\xFF"), std::u16string(1, Fffd));
  EXPECT_EQ(Utf8ToUtf16("\x80x"), (std::u16string{Fffd, u'x'}));
  // A truncated sequence is one replacement, and the byte that cut it short is kept.
  EXPECT_EQ(Utf8ToUtf16("\xE2\x82"), std::u16string(1, Fffd));
  EXPECT_EQ(Utf8ToUtf16("\xE2\x82" "A"), (std::u16string{Fffd, u'A'}));
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98x"), (std::u16string{Fffd, u'x'}));
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\xE2\x82\xAC"), (std::u16string{Fffd, u'\x20AC'}));
}

TEST(Utf16ToUtf8, PairsSurrogatesAndReplacesLoneOnes) {
  EXPECT_EQ(Utf16ToUtf8(u"A\u00E9\u20AC"), "A\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDBFF, 0xDFFF}), "\xF4\x8F\xBF\xBF");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xFFFF')), "\xEF\xBF\xBF");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800}), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDC00, u'a'}), "\xEF\xBF\xBD" "a");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800, u'a'}), "\xEF\xBF\xBD" "a");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDC00, 0xD800}), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', 0, u'b'}), std::string("a\0b", 3));
}

TEST(Utf16ToUtf8, RoundTripsEveryScalarValue) {
  for (char32_t codePoint = 0; codePoint <= 0x10FFFF; ++codePoint) {
    if (codePoint >= 0xD800 && codePoint <= 0xDFFF) continue;
    std::u16string units;
    if (codePoint < 0x10000) {
      units = std::u16string(1, static_cast<char16_t>(codePoint));
    } else {
      units = {static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10)),
               static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF))};
    }
    const std::string utf8 = Utf16ToUtf8(units);
    ASSERT_EQ(Utf8ToUtf16(utf8), units) << std::hex << static_cast<uint32_t>(codePoint);
  }
}

TEST(Trim, RemovesBlanksAndControlCharactersOnly) {
  EXPECT_EQ(Trim(" \t\r\n x y \x01\x1F"), "x y");
  EXPECT_EQ(Trim(std::string_view("\0a\0", 3)), "a");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(""), "");
  EXPECT_EQ(TrimLeft("  a  "), "a  ");
  EXPECT_EQ(TrimRight("  a  "), "  a");
  // A no-break space (U+00A0) is text, not a blank; DEL is above 32.
  EXPECT_EQ(Trim("\xC2\xA0x\x7F"), "\xC2\xA0x\x7F");
}

TEST(CompareText, FoldsAsciiLettersOnly) {
  EXPECT_TRUE(SameText("Server.Name", "sERVER.nAME"));
  EXPECT_FALSE(SameText("abc", "abcd"));
  EXPECT_FALSE(SameText("\xC3\xA9", "\xC3\x89"));  // é and É stay different
  EXPECT_EQ(CompareText("abc", "ABC"), 0);
  EXPECT_LT(CompareText("ab", "abc"), 0);
  EXPECT_GT(CompareText("b", "A"), 0);
  // Letters fold to upper case, so '_' (0x5F) sorts after every letter.
  EXPECT_GT(CompareText("a_", "AB"), 0);
  EXPECT_GT(CompareText("\xC3\xA9", "z"), 0);
  EXPECT_EQ(LowerCase("MiXeD 1\xC3\x89"), "mixed 1\xC3\x89");
  EXPECT_EQ(UpperCase("MiXeD 1\xC3\xA9"), "MIXED 1\xC3\xA9");
}

TEST(IntToStr, WritesFullRange) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(-42), "-42");
  EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0, 0), "0");
  EXPECT_EQ(IntToHex(0xDEADBEEF, 2), "DEADBEEF");
  EXPECT_EQ(IntToHex(UINT64_MAX, 1), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(IntToHex(0x80004005, 8), "80004005");
}

TEST(StrToInt, AcceptsDecimalAndHexadecimalAtTheLimits) {
  EXPECT_EQ(StrToInt("2147483647"), INT32_MAX);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(StrToInt("+7"), 7);
  EXPECT_EQ(StrToInt("-0"), 0);
  EXPECT_EQ(StrToInt("007"), 7);
  EXPECT_EQ(StrToInt("$FF"), 255);
  EXPECT_EQ(StrToInt("0x1F"), 31);
  EXPECT_EQ(StrToInt("0X1f"), 31);
  EXPECT_EQ(StrToInt("-$10"), -16);
  // Hexadecimal is a bit pattern of the full width.
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(StrToInt("$80004005"), static_cast<int32_t>(0x80004005));
  EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
  EXPECT_EQ(StrToInt64("4294967296"), int64_t{1} << 32);
}

TEST(StrToInt, RejectsMalformedAndOverflowingText) {
  for (const char* text : {"", "-", "+", "$", "0x", " 1", "1 ", "1e3", "12a", "--1", "0x-1", "$G",
                           "2147483648", "-2147483649", "$100000000", "99999999999999999999"}) {
    int32_t value = 0;
    EXPECT_FALSE(TryStrToInt(text, value)) << text;
    EXPECT_EQ(StrToIntDef(text, -5), -5) << text;
  }
  for (const char* text : {"9223372036854775808", "-9223372036854775809", "$10000000000000000", ""}) {
    int64_t value = 0;
    EXPECT_FALSE(TryStrToInt64(text, value)) << text;
  }
  EXPECT_EQ(StrToIntDef("12", -5), 12);
  try {
    StrToInt("12a");
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'12a' is not a valid integer value");
  }
  EXPECT_THROW(StrToInt64(""), EConvertError);
  EXPECT_THROW(StrToInt(std::string_view("1\0", 2)), EConvertError);
}

TEST(Format, WritesAnyLength) {
  EXPECT_EQ(Format("%d items values loaded", 3), "3 items values loaded");
  EXPECT_EQ(Format("%s", ""), "");
  EXPECT_EQ(Format("%.3f|%x|%08X", 1.5, 255u, 0x80004005u), "1.500|ff|80004005");
  const std::string longText(100000, 'x');
  const std::string formatted = Format("<%s>%d", longText.c_str(), 42);
  EXPECT_EQ(formatted.size(), longText.size() + 4);
  EXPECT_EQ(formatted.substr(formatted.size() - 4), "x>42");
}

TEST(EListError, NamesTheIndex) {
  EXPECT_STREQ(EListError::IndexOutOfBounds(-1).what(), "List index out of bounds (-1)");
  EXPECT_EQ(EListError::IndexOutOfBounds(5000000000).Message(), "List index out of bounds (5000000000)");
}
