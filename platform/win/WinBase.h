#pragma once
// The Windows base services the code base uses: the computer's name and the thread's last
// error.

#include "platform/com/WinTypes.h"

#define MAX_COMPUTERNAME_LENGTH 15

extern "C" {
// This machine's host name as Windows shows its NetBIOS name: the first label of the host
// name in upper case, at most MAX_COMPUTERNAME_LENGTH characters. nSize goes in as the
// buffer's size in characters and comes out as the characters written without the null;
// when the buffer is too small: FALSE, ERROR_BUFFER_OVERFLOW and the size needed with the null.
BOOL GetComputerNameW(LPWSTR lpBuffer, LPDWORD nSize);

// Per thread.
DWORD GetLastError();
void SetLastError(DWORD dwErrCode);
}
