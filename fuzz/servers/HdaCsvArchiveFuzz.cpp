// The recorded-history CSV reader on arbitrary bytes. Whatever it keeps is history the
// server can serve: one sample per time, sorted, from 2000 on, in the file's one type, with a
// raw quality, at a time that writes and reads back unchanged.

#include <cstdint>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "servers/hdasim/HdaCsvArchive.h"
#include "servers/hdasim/HdaTime.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  HdaCsvItem item;
  std::vector<std::string> diagnostics;
  ParseCsvHistory(in, "fuzz.csv", item, diagnostics);

  int64_t previous = HdaEpoch - 1;
  for (const HdaSample& sample : item.Samples) {
    if (sample.Time <= previous) __builtin_trap();
    previous = sample.Time;
    if (HdaParseIsoTime(HdaFormatIsoTime(sample.Time)) != sample.Time) __builtin_trap();
    if (VarTypeOf(sample.Value) != item.Type) __builtin_trap();
    if ((sample.Quality & ~DA_QUALITY_MASK) != HDA_RAW) __builtin_trap();
  }
  return 0;
}
