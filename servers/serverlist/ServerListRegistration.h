#pragma once
// Registration of the OPC server enumerator as a COM class of this process, under the class
// id the OPC Common standard gives it (CLSID_OPCServerList), ProgID "Zelk.ServerList.1"
// (version-independent "Zelk.ServerList"). It is in no OPC category, so it never lists itself.
// Clients create it with CoCreateInstance(Ex) and ask it which classes implement which OPC
// categories; while it is not registered they fall back to the component-categories manager.

#include "platform/win32.h"

// Registers the class; calling it again replaces the earlier registration. Must run inside
// an apartment.
HRESULT RegisterOpcServerList();
// Withdraws the class object; the registry keys stay, as they do for the other demo servers.
void RevokeOpcServerList();
