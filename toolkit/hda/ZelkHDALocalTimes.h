#pragma once
// Server time stamps (UTC FILETIMEs) as the local date-times the data model holds.

#include <cstdint>

#include "platform/rtl/DateTime.h"
#include "platform/win32.h"

// UTC FILETIMEs as local date-times, exactly as FileTimeToLocalDateTime gives them, but
// asking the time-zone rules once per hour of time stamps: within an hour whose two ends have
// the same bias, every time stamp has it.
class TZelkLocalTimes {
public:
  TDateTime Convert(const FILETIME& TimeStamp);

private:
  void LearnHour(int64_t Hour);

  int64_t FHour = -1;
  bool FUniform = false;  // the hour has one bias
  int64_t FBiasMs = 0;
};
