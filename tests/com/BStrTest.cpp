#include <gtest/gtest.h>

#include <cstring>

#include "platform/win32.h"

namespace {

DWORD PrefixOf(BSTR bstr) {
  DWORD prefix;
  std::memcpy(&prefix, reinterpret_cast<BYTE*>(bstr) - sizeof prefix, sizeof prefix);
  return prefix;
}

}  // namespace

TEST(TaskMemory, AllocReallocFreeFollowTheDocumentedEdges) {
  void* empty = CoTaskMemAlloc(0);
  EXPECT_NE(empty, nullptr);  // a zero-length item, still a valid pointer
  CoTaskMemFree(empty);
  CoTaskMemFree(nullptr);

  auto* block = static_cast<char*>(CoTaskMemRealloc(nullptr, 4));  // null pv allocates
  ASSERT_NE(block, nullptr);
  std::memcpy(block, "abc", 4);
  block = static_cast<char*>(CoTaskMemRealloc(block, 4096));
  ASSERT_NE(block, nullptr);
  EXPECT_STREQ(block, "abc");  // contents kept up to the shorter size
  EXPECT_EQ(CoTaskMemRealloc(block, 0), nullptr);  // frees the block
}

TEST(BStr, LengthPrefixAndTerminator) {
  BSTR text = SysAllocString(u"hello");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(PrefixOf(text), 10u);  // bytes, not characters
  EXPECT_EQ(SysStringLen(text), 5u);
  EXPECT_EQ(SysStringByteLen(text), 10u);
  EXPECT_EQ(text[5], u'\0');
  SysFreeString(text);

  BSTR empty = SysAllocString(u"");
  ASSERT_NE(empty, nullptr);  // an empty BSTR is not a null one
  EXPECT_EQ(SysStringLen(empty), 0u);
  SysFreeString(empty);

  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysStringByteLen(nullptr), 0u);
  SysFreeString(nullptr);
}

TEST(BStr, EmbeddedNullsAndLengths) {
  const OLECHAR source[] = {u'a', u'\0', u'b', u'\0', u'c'};
  BSTR text = SysAllocStringLen(source, 5);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(SysStringLen(text), 5u);
  EXPECT_EQ(std::memcmp(text, source, sizeof source), 0);
  EXPECT_EQ(text[5], u'\0');
  SysFreeString(text);

  BSTR blank = SysAllocStringLen(nullptr, 3);  // allocated without a source
  ASSERT_NE(blank, nullptr);
  EXPECT_EQ(SysStringLen(blank), 3u);
  EXPECT_EQ(blank[3], u'\0');
  SysFreeString(blank);

  // Byte strings keep an odd length and are not translated.
  BSTR bytes = SysAllocStringByteLen("abc", 3);
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(SysStringByteLen(bytes), 3u);
  EXPECT_EQ(SysStringLen(bytes), 1u);
  EXPECT_EQ(std::memcmp(bytes, "abc\0\0", 5), 0);
  SysFreeString(bytes);

  EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);  // beyond the 32-bit prefix
}

TEST(BStr, Reallocation) {
  BSTR text = SysAllocString(u"abcdef");
  ASSERT_TRUE(SysReAllocStringLen(&text, text + 2, 3));  // the source may be the old string
  EXPECT_EQ(std::u16string(text, SysStringLen(text)), u"cde");

  ASSERT_TRUE(SysReAllocStringLen(&text, nullptr, 5));
  EXPECT_EQ(SysStringLen(text), 5u);
  EXPECT_EQ(std::u16string(text, 3), u"cde");

  ASSERT_TRUE(SysReAllocString(&text, u"xy"));
  EXPECT_EQ(std::u16string(text, SysStringLen(text)), u"xy");
  SysFreeString(text);

  BSTR none = nullptr;
  ASSERT_TRUE(SysReAllocString(&none, u"new"));
  EXPECT_EQ(SysStringLen(none), 3u);
  SysFreeString(none);
  EXPECT_FALSE(SysReAllocString(nullptr, u"x"));
}
