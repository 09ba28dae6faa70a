#pragma once
// The time texts of the command line. Times are held as UTC FILETIME ticks while the options
// are worked out, so that "an hour before" is an hour of real time across a clock change, and
// become local date-times only for the toolkit's calls.

#include <cstdint>
#include <string_view>

#include "platform/rtl/DateTime.h"
#include "platform/win/CivilTime.h"

// "now"; "now-<n>s|m|h|d"; a local "YYYY-MM-DD HH:MM:SS" (a "T" may stand for the blank, and
// ".fff" milliseconds may follow); the same ending in "Z" for UTC. Raises EConvertError
// naming the text for anything else, a date that does not exist included.
int64_t ParseCliTime(std::string_view text, int64_t nowTicks);

int64_t SystemTicksNow();
TDateTime TicksToLocalDateTime(int64_t ticks);
// "YYYY-MM-DD HH:MM:SS.fff", local.
std::string FormatCliTime(TDateTime localTime);
