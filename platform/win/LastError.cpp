#include "platform/win/WinBase.h"

namespace {

thread_local DWORD LastError = ERROR_SUCCESS;

}  // namespace

DWORD GetLastError() { return LastError; }

void SetLastError(DWORD dwErrCode) { LastError = dwErrCode; }
