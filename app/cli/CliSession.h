#pragma once
// One connection of zelk-hda-read to its server and everything the command line asks of it.

#include <ostream>

#include "app/cli/CliOptions.h"
#include "toolkit/hda/ZelkHDA.h"

class TCliSession {
public:
  TCliSession(const TCliOptions& Options, std::ostream& Out);

  // Connects, then writes the status, the aggregates, the item list and the read, as asked,
  // in that order. Raises what connecting or a request raises.
  void Run();

private:
  // The component, with the server object's interface open to the item listing.
  class TServer : public TZelkHDAServer {
  public:
    using TZelkHDAServer::TZelkHDAServer;
    using TZelkHDAServer::GetOPCHDAServer;
  };

  void WriteStatus();
  void WriteAggregates();
  void WriteItemList();

  const TCliOptions& FOptions;
  std::ostream& FOut;
  TServer FServer{nullptr};
};
