#pragma once
// Shared pieces of the historian tests: a historian on a fixed clock and time helpers.

#include <memory>
#include <optional>
#include <vector>

#include "servers/hdasim/HdaHistorian.h"

constexpr int64_t Sec = HdaTicksPerSecond;

// 2000-01-01 plus the given hours, minutes and seconds.
inline int64_t Epoch(int64_t hours, int64_t minutes = 0, int64_t seconds = 0) {
  return HdaEpoch + hours * HdaTicksPerHour + minutes * HdaTicksPerMinute + seconds * Sec;
}

// The fixed "now" of the tests: 2000-01-02T12:34:56Z.
inline const int64_t TestNow = Epoch(36, 34, 56);

inline std::unique_ptr<HdaHistorian> MakeHistorian(int64_t now = TestNow, uint32_t maxReturnValues = 1'000'000) {
  HdaHistorianOptions options;
  options.Clock = [now] { return now; };
  options.MaxReturnValues = maxReturnValues;
  return std::make_unique<HdaHistorian>(std::move(options));
}

inline std::vector<HdaSample> ReadAll(HdaRawCursor& cursor) {
  std::vector<HdaSample> samples(cursor.Remaining());
  samples.resize(cursor.Read(samples.data(), samples.size()));
  return samples;
}

struct RawAnswer {
  HdaStatus Status;
  std::vector<HdaSample> Samples;
};

inline RawAnswer ReadRaw(const HdaHistorian& historian, const char* itemId, int64_t start, int64_t end,
                         uint32_t maxValues = 0, bool bounds = false) {
  std::optional<HdaRawCursor> cursor;
  const HdaStatus status = historian.ReadRaw(historian.FindItem(itemId), {start, end, maxValues, bounds}, cursor);
  return {status, cursor ? ReadAll(*cursor) : std::vector<HdaSample>()};
}
