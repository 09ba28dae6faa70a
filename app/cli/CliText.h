#pragma once
// How values and result codes read on the terminal. Everything here may come from a server,
// so control characters in its texts are escaped and never reach the terminal as they are.

#include <string>

#include "platform/win32.h"

// Numbers in full precision, True/False, text with control characters escaped as \n, \t,
// \xNN; "(empty)" and "(null)"; another type by its conversion to text, else "(type 0xNNNN)".
std::string CliValueText(const VARIANT& value);
// Control characters escaped as above.
std::string CliSafeText(const std::string& text);
// The code's symbolic name: S_OK, E_FAIL ... and the OPC names (S_MOREDATA); else 0xNNNNNNNN.
std::string CliResultName(HRESULT code);
// The name and, where there is one, the message: "E_UNKNOWNITEMNAME (The item ...)".
std::string CliResultText(HRESULT code);
