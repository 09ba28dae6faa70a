#pragma once
// Where an item's unedited history comes from: a generated signal or a recorded file. Samples
// are numbered in time order from 0; a source knows nothing of "now" or of edits.

#include <cstdint>

#include "servers/hdasim/HdaTypes.h"

class HdaSampleSource {
public:
  virtual ~HdaSampleSource() = default;

  virtual HdaVarType Type() const = 0;
  // Number of samples with a time stamp before `time`, which is also the index of the first
  // sample at or after it.
  virtual int64_t LowerBound(int64_t time) const = 0;
  virtual int64_t TimeAt(int64_t index) const = 0;
  virtual HdaValue ValueAt(int64_t index) const = 0;
  // The full quality word, history flags included.
  virtual uint32_t QualityAt(int64_t index) const = 0;

  // Copies `count` samples starting at `first`, walking down from it when `reverse` is set.
  // Numeric sources only; the bulk path of raw reads.
  virtual void CopyNumbers(int64_t first, int64_t count, bool reverse, int64_t* times, double* values,
                           uint32_t* qualities) const = 0;
};
