#pragma once
// In-process server modules from a plugin folder: every *.so that exports DllGetClassObject
// and DllRegisterServer is loaded, registered (its DllRegisterServer writes its classes into
// HKEY_CLASSES_ROOT, InprocServer32 naming the module) and kept loaded. The module resolves
// the registry functions against the program, which must therefore export its symbols.

#include <string>
#include <vector>

#include "platform/com/WinTypes.h"

// The environment variable naming the plugin folders, separated by ':'.
inline constexpr const char* ComPluginPathVariable = "ZELK_COM_PLUGIN_PATH";

struct TComPluginResult {
  std::string Path;
  HRESULT Result;     // S_OK when the module is loaded and registered
  std::string Error;  // why the module was skipped
};

// Loads the folder's modules in name order. A module that cannot be loaded, lacks one of the
// two exports, or whose registration fails is skipped; its entry says why. A missing folder
// gives no entries.
std::vector<TComPluginResult> LoadComPlugins(const std::string& folder);

// LoadComPlugins for each folder named by ZELK_COM_PLUGIN_PATH; a line on stderr tells of
// each module skipped.
std::vector<TComPluginResult> LoadComPluginsFromEnvironment();
