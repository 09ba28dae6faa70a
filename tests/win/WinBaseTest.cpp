#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <string>
#include <thread>

#include "platform/win32.h"

TEST(ComputerName, UpperCaseFirstLabelOfTheHostName) {
  char host[256] = {};
  ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
  std::string expected = std::string(host).substr(0, std::string(host).find('.')).substr(0, MAX_COMPUTERNAME_LENGTH);
  for (char& c : expected) c = char(std::toupper(static_cast<unsigned char>(c)));

  WCHAR name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  ASSERT_TRUE(GetComputerNameW(name, &size));
  EXPECT_EQ(size, expected.size());
  EXPECT_EQ(std::u16string(name), std::u16string(expected.begin(), expected.end()));

  // Exactly the name's length leaves no room for the null: the size needed comes back.
  DWORD tooSmall = DWORD(expected.size());
  SetLastError(0);
  EXPECT_FALSE(GetComputerNameW(name, &tooSmall));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_BUFFER_OVERFLOW));
  EXPECT_EQ(tooSmall, expected.size() + 1);
  EXPECT_FALSE(GetComputerNameW(name, nullptr));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST(LastError, IsPerThread) {
  SetLastError(ERROR_ACCESS_DENIED);
  std::thread([] {
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    SetLastError(ERROR_INVALID_HANDLE);
  }).join();
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
}

TEST(GlobalMemory, MoveableBlocksCountTheirLocks) {
  HGLOBAL block = GlobalAlloc(GHND, 10);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalSize(block), 10u);
  BYTE* data = static_cast<BYTE*>(GlobalLock(block));
  ASSERT_NE(data, nullptr);
  EXPECT_NE(static_cast<void*>(data), block);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(data[i], 0) << "GMEM_ZEROINIT";
  EXPECT_EQ(GlobalLock(block), data);
  EXPECT_TRUE(GlobalUnlock(block));
  SetLastError(ERROR_ACCESS_DENIED);
  EXPECT_FALSE(GlobalUnlock(block));
  EXPECT_EQ(GetLastError(), DWORD(NO_ERROR));
  EXPECT_FALSE(GlobalUnlock(block));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_LOCKED));
  EXPECT_EQ(GlobalFree(block), nullptr);

  // A freed handle is refused, not used.
  EXPECT_EQ(GlobalLock(block), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
  SetLastError(NO_ERROR);
  EXPECT_EQ(GlobalSize(block), 0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
  SetLastError(NO_ERROR);
  EXPECT_FALSE(GlobalUnlock(block));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
  EXPECT_EQ(GlobalFree(block), block);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
  int local = 0;
  EXPECT_EQ(GlobalFree(&local), &local);
  EXPECT_EQ(GlobalFree(nullptr), nullptr);

  // Nothing to lock in an empty moveable block.
  HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(GlobalLock(empty), nullptr);
  EXPECT_EQ(GlobalFree(empty), nullptr);
  EXPECT_EQ(GlobalAlloc(0x8000, 4), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST(GlobalMemory, FixedBlocksAreTheirOwnAddress) {
  HGLOBAL block = GlobalAlloc(GPTR, 3);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalLock(block), block);
  std::memcpy(block, "abc", 3);
  EXPECT_TRUE(GlobalUnlock(block));
  EXPECT_EQ(GlobalSize(block), 3u);
  // Local and global memory are one heap.
  EXPECT_EQ(LocalFree(block), nullptr);
  HLOCAL local = LocalAlloc(LPTR, 0);
  ASSERT_NE(local, nullptr);
  EXPECT_EQ(GlobalSize(local), 0u);
  EXPECT_EQ(GlobalFree(local), nullptr);
}

TEST(ClipboardFormats, SameNameSameIdFrom0xC000) {
  const UINT first = RegisterClipboardFormatW(u"Zelk Test Format");
  EXPECT_GE(first, 0xC000u);
  EXPECT_LE(first, 0xFFFFu);
  EXPECT_EQ(RegisterClipboardFormatW(u"ZELK test FORMAT"), first);
  const UINT second = RegisterClipboardFormatW(u"Zelk Test Format 2");
  EXPECT_EQ(second, first + 1);
  EXPECT_EQ(RegisterClipboardFormatW(u"Zelk Test Format"), first);

  SetLastError(0);
  EXPECT_EQ(RegisterClipboardFormatW(u""), 0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_NAME));
  EXPECT_EQ(RegisterClipboardFormatW(nullptr), 0u);
  EXPECT_EQ(RegisterClipboardFormatW(std::u16string(256, u'f').c_str()), 0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_NE(RegisterClipboardFormatW(std::u16string(255, u'f').c_str()), 0u);
}
