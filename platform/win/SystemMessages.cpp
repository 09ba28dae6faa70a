// FormatMessageW over the system message texts of the result codes this code base produces
// or meets. The texts are Windows' own (US English), without their closing CR LF.

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/win/WinBase.h"

namespace {

struct TSystemMessage {
  DWORD Id;
  const char16_t* Text;
};

// Sorted by id. Ids of the form 0x8007xxxx are looked up as the Win32 error xxxx instead.
constexpr TSystemMessage SystemMessages[] = {
    {0, u"The operation completed successfully."},
    {1, u"Incorrect function."},
    {2, u"The system cannot find the file specified."},
    {3, u"The system cannot find the path specified."},
    {5, u"Access is denied."},
    {6, u"The handle is invalid."},
    {8, u"Not enough memory resources are available to process this command."},
    {13, u"The data is invalid."},
    {14, u"Not enough memory resources are available to complete this operation."},
    {50, u"The request is not supported."},
    {53, u"The network path was not found."},
    {87, u"The parameter is incorrect."},
    {111, u"The file name is too long."},
    {120, u"This function is not supported on this system."},
    {122, u"The data area passed to a system call is too small."},
    {126, u"The specified module could not be found."},
    {127, u"The specified procedure could not be found."},
    {158, u"The segment is already unlocked."},
    {161, u"The specified path is invalid."},
    {183, u"Cannot create a file when that file already exists."},
    {234, u"More data is available."},
    {259, u"No more data is available."},
    {317, u"The system cannot find message text for message number 0x%1 in the message file for %2."},
    {998, u"Invalid access to memory location."},
    {1010, u"The configuration registry key is invalid."},
    {1018, u"Illegal operation attempted on a registry key that has been marked for deletion."},
    {1021, u"Cannot create a stable subkey under a volatile parent key."},
    {1222, u"The network is not present or not started."},
    {1722, u"The RPC server is unavailable."},
    {1726, u"The remote procedure call failed."},
    {1727, u"The remote procedure call failed and did not execute."},
    {15100, u"The specified resource language ID cannot be found in the image file."},
    {0x00080012, u"Not all the requested interfaces were available"},
    {0x8000000A, u"The data necessary to complete this operation is not yet available."},
    {0x80004001, u"Not implemented"},
    {0x80004002, u"No such interface supported"},
    {0x80004003, u"Invalid pointer"},
    {0x80004004, u"Operation aborted"},
    {0x80004005, u"Unspecified error"},
    {0x8000FFFF, u"Catastrophic failure"},
    {0x80010001, u"Call was rejected by callee."},
    {0x80010002, u"Call was canceled by the message filter."},
    {0x80010005, u"It is illegal to call out while inside message filter."},
    {0x80010007, u"The callee (server [not server application]) is not available and disappeared; all connections are invalid. The call may have executed."},
    {0x80010012, u"The callee (server [not server application]) is not available and disappeared; all connections are invalid. The call did not execute."},
    {0x80010100, u"System call failed."},
    {0x80010105, u"The server threw an exception."},
    {0x80010106, u"Cannot change thread mode after it is set."},
    {0x80010108, u"The object invoked has disconnected from its clients."},
    {0x8001010A, u"The message filter indicated that the application is busy."},
    {0x8001010E, u"The application called an interface that was marshalled for a different thread."},
    {0x8001011F, u"This operation returned because the timeout period expired."},
    {0x80020001, u"Unknown interface."},
    {0x80020003, u"Member not found."},
    {0x80020004, u"Parameter not found."},
    {0x80020005, u"Type mismatch."},
    {0x80020006, u"Unknown name."},
    {0x80020007, u"No named arguments."},
    {0x80020008, u"Bad variable type."},
    {0x80020009, u"Exception occurred."},
    {0x8002000A, u"Out of present range."},
    {0x8002000B, u"Invalid index."},
    {0x8002000C, u"Unknown language."},
    {0x8002000D, u"Memory is locked."},
    {0x8002000E, u"Invalid number of parameters."},
    {0x8002000F, u"Parameter not optional."},
    {0x80020010, u"Invalid callee."},
    {0x80020011, u"Does not support a collection."},
    {0x80020012, u"Division by zero."},
    {0x80040110, u"Class does not support aggregation (or class object is remote)"},
    {0x80040111, u"ClassFactory cannot supply requested class"},
    {0x80040150, u"Could not read key from registry"},
    {0x80040151, u"Could not write key to registry"},
    {0x80040152, u"Could not find the key in the registry"},
    {0x80040153, u"Invalid value for registry"},
    {0x80040154, u"Class not registered"},
    {0x80040155, u"Interface not registered"},
    {0x80040160, u"CATID does not exist"},
    {0x80040161, u"Description not found"},
    {0x800401F0, u"CoInitialize has not been called."},
    {0x800401F1, u"CoInitialize has already been called."},
    {0x800401F3, u"Invalid class string"},
    {0x800401F4, u"Invalid interface string"},
    {0x800401F8, u"DLL for class not found"},
    {0x800401F9, u"Error in the DLL"},
    {0x800401FD, u"Object is not connected to server"},
    // The interface facility is shared: for 0x8004020x Windows shows the COM+ event system's
    // texts, also for the connection-point codes of the same values (and none for the others).
    {0x80040201, u"An event was unable to invoke any of the subscribers"},
    {0x80040203, u"A syntax error occurred trying to evaluate a query string"},
    {0x80080005, u"Server execution failed"},
};

constexpr bool SortedById() {
  for (size_t i = 1; i < std::size(SystemMessages); ++i)
    if (SystemMessages[i - 1].Id >= SystemMessages[i].Id) return false;
  return true;
}
static_assert(SortedById(), "the message table is looked up by binary search");

const char16_t* FindSystemMessage(DWORD id) {
  if ((id & 0xFFFF0000u) == 0x80070000u) id &= 0xFFFFu;
  auto found = std::lower_bound(std::begin(SystemMessages), std::end(SystemMessages), id,
                                [](const TSystemMessage& m, DWORD wanted) { return m.Id < wanted; });
  return found != std::end(SystemMessages) && found->Id == id ? found->Text : nullptr;
}

bool IsUsEnglishOrDefault(DWORD languageId) {
  return languageId == 0 || languageId == MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT) ||
         languageId == MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT) ||
         languageId == MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
}

DWORD Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

}  // namespace

DWORD FormatMessageW(DWORD dwFlags, LPCVOID /*lpSource*/, DWORD dwMessageId, DWORD dwLanguageId, LPWSTR lpBuffer,
                     DWORD nSize, va_list* /*Arguments*/) {
  constexpr DWORD Supported = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                              FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_MAX_WIDTH_MASK;
  const DWORD width = dwFlags & FORMAT_MESSAGE_MAX_WIDTH_MASK;
  // Line wrapping at a given width is not offered; no width or the mask (one line) is.
  if (!(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) || (dwFlags & ~Supported) || (width && width != 0xFF) || !lpBuffer)
    return Fail(ERROR_INVALID_PARAMETER);
  if (!IsUsEnglishOrDefault(dwLanguageId)) return Fail(ERROR_RESOURCE_LANG_NOT_FOUND);
  const char16_t* found = FindSystemMessage(dwMessageId);
  if (!found) return Fail(ERROR_MR_MID_NOT_FOUND);
  std::u16string text = found;
  // Inserts are filled from arguments, which this layer does not take.
  if (!(dwFlags & FORMAT_MESSAGE_IGNORE_INSERTS) && text.find(u'%') != std::u16string::npos)
    return Fail(ERROR_INVALID_PARAMETER);
  if (width != 0xFF) text += u"\r\n";

  const DWORD length = DWORD(text.size());
  LPWSTR target = lpBuffer;
  if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    const SIZE_T chars = std::max<SIZE_T>(nSize, length + 1);
    target = static_cast<LPWSTR>(LocalAlloc(LMEM_FIXED, chars * sizeof(WCHAR)));
    if (!target) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    *reinterpret_cast<LPWSTR*>(lpBuffer) = target;
  } else if (nSize < length + 1) {
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  std::memcpy(target, text.c_str(), (length + 1) * sizeof(WCHAR));
  return length;
}
