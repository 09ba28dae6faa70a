#pragma once
// The Windows base services the code base uses: the computer's name, the thread's last error,
// global and local memory, and the system message texts of result codes.

#include <cstdarg>

#include "platform/com/WinTypes.h"

#define MAX_COMPUTERNAME_LENGTH 15

typedef HANDLE HLOCAL;

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
#define LMEM_FIXED 0x0000
#define LMEM_MOVEABLE 0x0002
#define LMEM_ZEROINIT 0x0040
#define LHND (LMEM_MOVEABLE | LMEM_ZEROINIT)
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_STRING 0x00000400
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FF

#define LANG_NEUTRAL 0x00
#define LANG_ENGLISH 0x09
#define SUBLANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define SUBLANG_SYS_DEFAULT 0x02
#define SUBLANG_ENGLISH_US 0x01
#define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))
#define PRIMARYLANGID(lgid) ((WORD)(lgid) & 0x3ff)
#define SUBLANGID(lgid) ((WORD)(lgid) >> 10)

#define NO_ERROR 0L
#define ERROR_NOT_LOCKED 158L
#define ERROR_MR_MID_NOT_FOUND 317L
#define ERROR_RESOURCE_LANG_NOT_FOUND 15100L

extern "C" {
// This machine's host name as Windows shows its NetBIOS name: the first label of the host
// name in upper case, at most MAX_COMPUTERNAME_LENGTH characters. nSize goes in as the
// buffer's size in characters and comes out as the characters written without the null;
// when the buffer is too small: FALSE, ERROR_BUFFER_OVERFLOW and the size needed with the null.
BOOL GetComputerNameW(LPWSTR lpBuffer, LPDWORD nSize);

// Per thread.
DWORD GetLastError();
void SetLastError(DWORD dwErrCode);

// Fixed memory is its own handle; moveable memory is reached through GlobalLock, which
// counts. Handles are checked: a stale or foreign one fails with ERROR_INVALID_HANDLE.
HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
LPVOID GlobalLock(HGLOBAL hMem);
// TRUE while still locked; FALSE with NO_ERROR once unlocked, with ERROR_NOT_LOCKED when it
// was not locked.
BOOL GlobalUnlock(HGLOBAL hMem);
SIZE_T GlobalSize(HGLOBAL hMem);
// Null when freed, else hMem.
HGLOBAL GlobalFree(HGLOBAL hMem);
HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes);
HLOCAL LocalFree(HLOCAL hMem);

// The system message text of a result code (a Win32 error, or an HRESULT; one of
// FACILITY_WIN32 gives the Win32 error's text), ending in CR LF as on Windows. Supported:
// FORMAT_MESSAGE_FROM_SYSTEM with FORMAT_MESSAGE_IGNORE_INSERTS, FORMAT_MESSAGE_ALLOCATE_BUFFER
// (*(LPWSTR*)lpBuffer receives LocalAlloc memory) and FORMAT_MESSAGE_MAX_WIDTH_MASK (no line
// end). Returns the characters written without the null; 0 and ERROR_MR_MID_NOT_FOUND for a
// code without text, ERROR_INSUFFICIENT_BUFFER when nSize is too small.
DWORD FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPWSTR lpBuffer,
                     DWORD nSize, va_list* Arguments);
}
