#pragma once
// What the historian knows of one item besides its history's edits: where its samples come
// from and the attributes it reports.

#include <memory>
#include <string>

#include "servers/hdasim/HdaSampleSource.h"

struct HdaItem {
  std::string ItemId;
  std::unique_ptr<HdaSampleSource> Source;
  bool Stepped = false;
  std::string Description;
  std::string EngUnits;
  std::string DeriveEquation;
  std::string NodeName;
  std::string ProcessName;
  std::string SourceName;
  std::string SourceType;
  double NormalMinimum = 0;
  double NormalMaximum = 0;
  // Shortest and longest time between samples, in seconds.
  double MinTimeInterval = 0;
  double MaxTimeInterval = 0;
  // Values an update may write to a numeric item; others are refused with OutOfRange.
  double LowEntryLimit = 0;
  double HighEntryLimit = 0;
};
