#include "servers/serverlist/ServerListRegistration.h"

#include <mutex>

#include "servers/serverlist/ServerListObject.h"

namespace {

struct TRegistration {
  std::mutex Lock;
  DWORD Cookie = 0;
};

TRegistration& Registration() {
  static TRegistration registration;
  return registration;
}

void RevokeLocked(TRegistration& registration) {
  if (registration.Cookie) CoRevokeClassObject(registration.Cookie);
  registration.Cookie = 0;
}

}  // namespace

HRESULT RegisterOpcServerList() {
  TComClassInfo info;
  info.ClassId = CLSID_OPCServerList;
  info.ProgId = "Zelk.ServerList.1";
  info.VersionIndependentProgId = "Zelk.ServerList";
  info.Description = "Zelk OPC Server Enumerator";

  TRegistration& registration = Registration();
  std::lock_guard lock(registration.Lock);
  RevokeLocked(registration);
  return RegisterComClass<TOpcServerList>(info, &registration.Cookie);
}

void RevokeOpcServerList() {
  TRegistration& registration = Registration();
  std::lock_guard lock(registration.Lock);
  RevokeLocked(registration);
}
