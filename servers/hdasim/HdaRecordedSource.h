#pragma once
// History read from a file: samples held in memory, sorted by time, one per time stamp.

#include <vector>

#include "servers/hdasim/HdaSampleSource.h"

class HdaRecordedSource : public HdaSampleSource {
public:
  // `samples` must be sorted by time without duplicates; values of `type`, qualities with
  // their history flags.
  HdaRecordedSource(HdaVarType type, std::vector<HdaSample> samples);

  HdaVarType Type() const override { return FType; }
  int64_t LowerBound(int64_t time) const override;
  int64_t TimeAt(int64_t index) const override { return FSamples[static_cast<size_t>(index)].Time; }
  HdaValue ValueAt(int64_t index) const override { return FSamples[static_cast<size_t>(index)].Value; }
  uint32_t QualityAt(int64_t index) const override { return FSamples[static_cast<size_t>(index)].Quality; }
  void CopyNumbers(int64_t first, int64_t count, bool reverse, int64_t* times, double* values,
                   uint32_t* qualities) const override;

private:
  HdaVarType FType;
  std::vector<HdaSample> FSamples;
};
