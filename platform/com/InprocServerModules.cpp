#include "platform/com/InprocServerModules.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

namespace {

std::mutex ModulesLock;
std::map<std::string, TInprocServerModule>& LoadedModules() {
  static auto* modules = new std::map<std::string, TInprocServerModule>;
  return *modules;
}

}  // namespace

HRESULT LoadInprocServerModule(const std::string& path, TInprocServerModule& module, std::string& error) {
  std::lock_guard lock(ModulesLock);
  auto& modules = LoadedModules();
  if (auto found = modules.find(path); found != modules.end()) {
    module = found->second;
    return S_OK;
  }
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* reason = dlerror();
    error = reason ? reason : "the module cannot be loaded";
    return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
  }
  TInprocServerModule loaded;
  loaded.GetClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(dlsym(handle, "DllGetClassObject"));
  loaded.RegisterServer = reinterpret_cast<LPFNREGISTERSERVER>(dlsym(handle, "DllRegisterServer"));
  if (!loaded.GetClassObject) {
    dlclose(handle);
    error = "the module exports no DllGetClassObject";
    return CO_E_ERRORINDLL;
  }
  module = modules[path] = loaded;
  return S_OK;
}
