#include "servers/DemoServers.h"

#include "servers/serverlist/ServerListRegistration.h"

HRESULT RegisterDemoServers(const TDemoServerOptions& options) {
  RevokeDemoServers();
  HRESULT hr = RegisterHdaSimServers(options.HdaSim);
  if (SUCCEEDED(hr) && options.ServerList) hr = RegisterOpcServerList();
  if (FAILED(hr)) RevokeDemoServers();
  return hr;
}

void RevokeDemoServers() {
  RevokeOpcServerList();
  RevokeHdaSimServers();
}
