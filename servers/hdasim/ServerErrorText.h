#pragma once
// The English texts of the OPC result codes that the historian hands out.

#include <string>

#include "platform/win32.h"

// False for a code that is not one of the OPC codes; the system texts cover the rest.
bool OpcErrorText(HRESULT code, std::u16string& text);
