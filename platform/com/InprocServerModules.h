#pragma once
// In-process server modules (shared objects exporting DllGetClassObject). Each module is
// loaded once, by path, and stays loaded for the life of the process.

#include <string>

#include "platform/com/ComBaseApi.h"

struct TInprocServerModule {
  LPFNGETCLASSOBJECT GetClassObject = nullptr;
  LPFNREGISTERSERVER RegisterServer = nullptr;  // null when the module has none
};

// HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND) when the module cannot be loaded, CO_E_ERRORINDLL
// when it lacks DllGetClassObject; error then tells why.
HRESULT LoadInprocServerModule(const std::string& path, TInprocServerModule& module, std::string& error);
