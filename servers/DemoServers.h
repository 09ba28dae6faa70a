#pragma once
// Every demo server of this code base in one registration, for the clients' start-up: the
// simulation historian (both of its classes) and the OPC server enumerator.

#include "servers/hdasim/ServerRegistration.h"

struct TDemoServerOptions {
  THdaSimOptions HdaSim;
  // False leaves the enumerator unregistered, so that clients find the servers through the
  // component-categories manager instead.
  bool ServerList = true;
};

// Registers the demo servers, replacing an earlier registration; on failure none stays
// registered. Must run inside an apartment.
HRESULT RegisterDemoServers(const TDemoServerOptions& options = {});
// Withdraws the class objects of all of them (registered or not).
void RevokeDemoServers();
