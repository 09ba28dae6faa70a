#include "servers/hdasim/HdaRecordedSource.h"

#include <algorithm>

HdaRecordedSource::HdaRecordedSource(HdaVarType type, std::vector<HdaSample> samples)
    : FType(type), FSamples(std::move(samples)) {}

int64_t HdaRecordedSource::LowerBound(int64_t time) const {
  const auto it = std::lower_bound(FSamples.begin(), FSamples.end(), time,
                                   [](const HdaSample& sample, int64_t t) { return sample.Time < t; });
  return it - FSamples.begin();
}

void HdaRecordedSource::CopyNumbers(int64_t first, int64_t count, bool reverse, int64_t* times, double* values,
                                    uint32_t* qualities) const {
  const int64_t step = reverse ? -1 : 1;
  for (int64_t i = 0; i < count; ++i) {
    const HdaSample& sample = FSamples[static_cast<size_t>(first + i * step)];
    times[i] = sample.Time;
    values[i] = ToNumber(sample.Value);
    qualities[i] = sample.Quality;
  }
}
