#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"

namespace {

constexpr DWORD FromSystem = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

// The text FormatMessageW gives for code; empty when it gives none.
std::u16string Message(DWORD code) {
  WCHAR text[512];
  const DWORD length = FormatMessageW(FromSystem, nullptr, code, 0, text, 512, nullptr);
  if (length == 0) return {};
  EXPECT_EQ(length, std::char_traits<char16_t>::length(text));
  return std::u16string(text, length);
}

}  // namespace

TEST(FormatMessage, WindowsTextsOfTheCodesTheCodeBaseMeets) {
  EXPECT_EQ(Message(0x800706BA), u"The RPC server is unavailable.\r\n");
  EXPECT_EQ(Message(RPC_S_SERVER_UNAVAILABLE), u"The RPC server is unavailable.\r\n");
  EXPECT_EQ(Message(DWORD(E_ACCESSDENIED)), u"Access is denied.\r\n");
  // Facility-Win32 codes take the Win32 text, not the header's comment.
  EXPECT_EQ(Message(DWORD(E_INVALIDARG)), u"The parameter is incorrect.\r\n");
  EXPECT_EQ(Message(DWORD(E_OUTOFMEMORY)), u"Not enough memory resources are available to complete this operation.\r\n");
  EXPECT_EQ(Message(DWORD(E_FAIL)), u"Unspecified error\r\n");
  EXPECT_EQ(Message(DWORD(CO_E_NOTINITIALIZED)), u"CoInitialize has not been called.\r\n");
  EXPECT_EQ(Message(DWORD(REGDB_E_CLASSNOTREG)), u"Class not registered\r\n");
  EXPECT_EQ(Message(DWORD(CLASS_E_NOAGGREGATION)), u"Class does not support aggregation (or class object is remote)\r\n");
  EXPECT_EQ(Message(DWORD(RPC_E_DISCONNECTED)), u"The object invoked has disconnected from its clients.\r\n");
  EXPECT_EQ(Message(DWORD(DISP_E_TYPEMISMATCH)), u"Type mismatch.\r\n");
  EXPECT_EQ(Message(DWORD(CAT_E_CATIDNOEXIST)), u"CATID does not exist\r\n");
  EXPECT_EQ(Message(DWORD(S_OK)), u"The operation completed successfully.\r\n");
  // S_FALSE is 1, and 1 is ERROR_INVALID_FUNCTION.
  EXPECT_EQ(Message(DWORD(S_FALSE)), u"Incorrect function.\r\n");
  // The connection-point codes share their values with the COM+ event system's.
  EXPECT_EQ(Message(DWORD(CONNECT_E_ADVISELIMIT)), u"An event was unable to invoke any of the subscribers\r\n");
  EXPECT_EQ(Message(DWORD(CONNECT_E_NOCONNECTION)), u"");
  EXPECT_EQ(GetLastError(), DWORD(ERROR_MR_MID_NOT_FOUND));
  // Inserts stay as they are.
  EXPECT_EQ(Message(ERROR_MR_MID_NOT_FOUND),
            u"The system cannot find message text for message number 0x%1 in the message file for %2.\r\n");
}

TEST(FormatMessage, UnknownCodesBuffersAndFlags) {
  WCHAR text[64] = {u'x', 0};
  SetLastError(0);
  // An OPC code is no system message.
  EXPECT_EQ(FormatMessageW(FromSystem, nullptr, 0xC0040004, 0, text, 64, nullptr), 0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_MR_MID_NOT_FOUND));
  EXPECT_EQ(text[0], u'x');

  // "Access is denied.\r\n" is 19 characters: 20 with the null fit, 19 do not.
  EXPECT_EQ(FormatMessageW(FromSystem, nullptr, 5, 0, text, 20, nullptr), 19u);
  EXPECT_EQ(FormatMessageW(FromSystem, nullptr, 5, 0, text, 19, nullptr), 0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));

  // The width mask drops the line end.
  EXPECT_EQ(FormatMessageW(FromSystem | FORMAT_MESSAGE_MAX_WIDTH_MASK, nullptr, 5, 0, text, 64, nullptr), 17u);
  EXPECT_EQ(std::u16string(text), u"Access is denied.");

  // The buffer comes from LocalAlloc; nSize is the least it holds.
  LPWSTR allocated = nullptr;
  EXPECT_EQ(FormatMessageW(FromSystem | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, 0x800706BA,
                           MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(&allocated), 0, nullptr),
            32u);
  ASSERT_NE(allocated, nullptr);
  EXPECT_EQ(std::u16string(allocated), u"The RPC server is unavailable.\r\n");
  EXPECT_EQ(GlobalSize(allocated), 33 * sizeof(WCHAR));
  EXPECT_EQ(LocalFree(allocated), nullptr);
  allocated = nullptr;
  EXPECT_EQ(FormatMessageW(FromSystem | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, 5, 0,
                           reinterpret_cast<LPWSTR>(&allocated), 100, nullptr),
            19u);
  EXPECT_EQ(GlobalSize(allocated), 100 * sizeof(WCHAR));
  LocalFree(allocated);

  EXPECT_EQ(FormatMessageW(FromSystem, nullptr, 5, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text, 64, nullptr), 19u);
  EXPECT_EQ(FormatMessageW(FromSystem, nullptr, 5, 0x407, text, 64, nullptr), 0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_LANG_NOT_FOUND));
  // What this layer does not offer says so instead of guessing.
  EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_STRING, u"%1", 0, 0, text, 64, nullptr), 0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_MR_MID_NOT_FOUND, 0, text, 64, nullptr), 0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(FormatMessageW(FromSystem, nullptr, 5, 0, nullptr, 64, nullptr), 0u);
}
