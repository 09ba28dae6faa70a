#include "app/cli/CliSession.h"

#include "app/cli/CliErrors.h"
#include "app/cli/CliHistoryRead.h"
#include "app/cli/CliItemList.h"
#include "app/cli/CliText.h"
#include "app/cli/CliTime.h"
#include "platform/rtl/StringUtils.h"
#include "toolkit/ZelkError.h"
#include "toolkit/com/ZelkCOMLink.h"

TCliSession::TCliSession(const TCliOptions& Options, std::ostream& Out) : FOptions(Options), FOut(Out) {
  FServer.SetServerName(FOptions.Server);
  FServer.SetComputerName(FOptions.Computer);
}

void TCliSession::Run() {
  FServer.SetActive(true);
  if (FOptions.Status) WriteStatus();
  if (FOptions.Aggregates) WriteAggregates();
  if (FOptions.List) WriteItemList();
  if (!FOptions.ItemId.empty()) TCliHistoryRead(FServer, FOptions, FOut).Run();
}

void TCliSession::WriteStatus() {
  const TServerStateRecord state = FServer.GetState();
  const auto line = [this](const char* name, const std::string& value) {
    FOut << Format("%-14s%s\n", name, CliSafeText(value).c_str());
  };
  line("Server", FOptions.Server);
  line("State", HdaServerStatusToString(state.ServerState));
  line("Status", state.StatusInfo);
  line("Current time", FormatCliTime(state.Currenttime));
  line("Start time", FormatCliTime(state.Starttime));
  line("Version", state.Version);
  line("Max values", IntToStr(state.MaxValues));
  line("Vendor", state.VendorInfo);
}

void TCliSession::WriteAggregates() {
  TZelkHDAAggregates* aggregates = FServer.Aggregates();
  FOut << Format("%5s  %-24s  %s\n", "ID", "Name", "Description");
  for (int i = 0; i < aggregates->Count(); ++i) {
    const TZelkHDAAggregatesItem* aggregate = aggregates->Items(i);
    FOut << Format("%5u  %-24s  %s\n", aggregate->ID, CliSafeText(aggregate->Name).c_str(),
                   CliSafeText(aggregate->Desc).c_str());
  }
}

void TCliSession::WriteItemList() {
  ComPtr<IOPCHDA_Server> server = FServer.GetOPCHDAServer();
  if (!server) throw ECliServerError(SSpecificationNotSupported);
  WriteItemIds(server.Get(), FOptions.ListBranch, FOut);
}
