#include "platform/com/ComPlugins.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/com/InprocServerModules.h"
#include "platform/rtl/StringUtils.h"

namespace {

TComPluginResult LoadComPlugin(const std::string& path) {
  TComPluginResult result{path, S_OK, {}};
  TInprocServerModule module;
  result.Result = LoadInprocServerModule(path, module, result.Error);
  if (FAILED(result.Result)) return result;
  if (!module.RegisterServer) {
    result.Result = CO_E_ERRORINDLL;
    result.Error = "the module exports no DllRegisterServer";
    return result;
  }
  try {
    result.Result = module.RegisterServer();
  } catch (...) {
    result.Result = E_UNEXPECTED;
    result.Error = "DllRegisterServer raised an exception";
    return result;
  }
  if (FAILED(result.Result)) result.Error = Format("DllRegisterServer failed with 0x%08X", unsigned(result.Result));
  return result;
}

}  // namespace

std::vector<TComPluginResult> LoadComPlugins(const std::string& folder) {
  namespace fs = std::filesystem;
  std::vector<std::string> paths;
  std::error_code error;
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error))
    if (entry->path().extension() == ".so" && entry->is_regular_file(error)) paths.push_back(entry->path().string());
  std::sort(paths.begin(), paths.end());
  std::vector<TComPluginResult> results;
  for (const std::string& path : paths) results.push_back(LoadComPlugin(path));
  return results;
}

std::vector<TComPluginResult> LoadComPluginsFromEnvironment() {
  std::vector<TComPluginResult> results;
  const char* variable = std::getenv(ComPluginPathVariable);
  if (!variable) return results;
  const std::string folders = variable;
  for (size_t start = 0; start <= folders.size();) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    if (end > start)
      for (TComPluginResult& result : LoadComPlugins(folders.substr(start, end - start))) {
        if (FAILED(result.Result))
          std::fprintf(stderr, "COM plugin %s skipped: %s\n", result.Path.c_str(), result.Error.c_str());
        results.push_back(std::move(result));
      }
    start = end + 1;
  }
  return results;
}
