#pragma once
// The command line of zelk-hda-read: what it asks for, read into TCliOptions and checked as a
// whole, so that a run starts only with a request that makes sense.

#include <cstdint>
#include <string>
#include <vector>

#include "app/cli/CliErrors.h"

enum class TCliReadMethod { Raw, Processed, AtTime, Modified };

struct TCliOptions {
  bool Help = false;
  std::string Server = "Zelk.HDASim.1";
  std::string Computer;  // empty: this computer
  bool Status = false;
  bool Aggregates = false;
  bool List = false;
  std::string ListBranch;  // empty: the root
  std::string ItemId;      // empty: no read
  TCliReadMethod Method = TCliReadMethod::Raw;
  int64_t StartTicks = 0;  // UTC FILETIME ticks
  int64_t EndTicks = 0;
  uint32_t MaxValues = 0;  // 0: all
  bool Bounds = false;
  std::string Aggregate;  // a name or a numeric id, resolved against the server's table
  double IntervalSeconds = 60;
  std::vector<int64_t> AtTicks;
};

// args without the program name. Relative times count back from nowTicks. Raises
// ECliUsageError.
TCliOptions ParseCliOptions(const std::vector<std::string>& args, int64_t nowTicks);

const char* CliHelpText();
