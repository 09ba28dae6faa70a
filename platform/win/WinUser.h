#pragma once
// Clipboard formats registered by name, as Windows numbers them.

#include "platform/com/WinTypes.h"

#define ERROR_INVALID_NAME 123L

extern "C" {
// The process's id for the format name: the same (case-insensitive) name gives the same id,
// counted from 0xC000. 0 with ERROR_INVALID_NAME for an empty name, ERROR_INVALID_PARAMETER for
// a null or over-long (more than 255 characters) one, ERROR_NOT_ENOUGH_MEMORY once all 16384
// ids are taken.
UINT RegisterClipboardFormatW(LPCWSTR lpszFormat);
}
