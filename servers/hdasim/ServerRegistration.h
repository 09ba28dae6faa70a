#pragma once
// Registration of the simulation historian as COM classes of this process. The program, the
// command-line client and the tests call RegisterHdaSimServers at start-up; clients then
// reach the historian only through CoCreateInstance by ProgID:
//   "Zelk.HDASim.1" (version-independent "Zelk.HDASim"): every OPC HDA 1.20 interface;
//   "Zelk.HDASim.Minimal.1": IOPCHDA_Server and IOPCHDA_SyncRead only, no processed,
//     at-time or modified reads (E_NOTIMPL).
// Both are registered in the OPC HDA 1.0 server category and share one historian, as the
// clients of one server process share its history.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32.h"

ZELK_DEFINE_GUID(CLSID_ZelkHDASim, 0xADC15054, 0x4164, 0x4CA3, 0x96, 0x94, 0xD4, 0xBB, 0xB8, 0x55, 0xBC, 0x34);
ZELK_DEFINE_GUID(CLSID_ZelkHDASimMinimal, 0x5F3475EE, 0xB74C, 0x441E, 0xA5, 0x99, 0xF5, 0xD6, 0xF6, 0x93, 0x2D, 0xD6);

struct THdaSimOptions {
  // "Now" as FILETIME ticks (UTC); empty: the system clock.
  std::function<int64_t()> Clock;
  uint32_t MaxReturnValues = 1'000'000;
  // Folder of recorded history (CSV files); unset: the folder named by ZELK_HDASIM_DATA; empty: none.
  std::optional<std::string> DataFolder;
};

// Registers both classes on a new historian; calling it again replaces the earlier
// registration (objects already created keep their historian). Must run inside an apartment.
HRESULT RegisterHdaSimServers(const THdaSimOptions& options = {});
// Withdraws the class objects; the registry keys stay, as an uninstalled server's would not.
void RevokeHdaSimServers();
// What went wrong loading recorded history at the last registration ("<file>:<line>: <reason>").
std::vector<std::string> HdaSimDiagnostics();
// Makes every live historian object ask its clients to disconnect (IOPCShutdown).
void RequestHdaSimShutdown(const std::string& reason);
