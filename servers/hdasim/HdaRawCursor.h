#pragma once
// The answer of a raw read, copied out in portions into the caller's arrays.
//
// Time domain: start is included and end excluded in both directions. Start before end reads
// forward over [start, end); start after end reads backward over (end, start], newest first;
// start equal to end gives the one sample standing exactly at that time. History exists from
// HdaEpoch to now; nothing lies outside.
// Bounds: the bound on the start side is the sample at or before start (forward) or at or
// after start (backward), on the end side the sample at or after end (forward) or at or
// before end (backward). A sample standing exactly at start is the start bound and appears
// once. A side with no such sample gives a value with no data (empty, NaN in numeric arrays)
// at the requested time with quality HDA_NOBOUND | bad. Bounds count against the limit.
// Limit: maxValues 0 means the server's maximum; a larger maxValues is cut to it too. When
// the limit cuts the answer, Status is MoreData. When the answer holds no real sample it is
// empty and Status is NoData.

#include <vector>

#include "servers/hdasim/HdaHistoryView.h"

struct HdaRawRequest {
  int64_t Start = 0;
  int64_t End = 0;
  uint32_t MaxValues = 0;
  bool Bounds = false;
};

// A cursor reads the item's source, so it must not outlive the historian that made it.
class HdaRawCursor {
public:
  HdaRawCursor(HdaHistoryView view, const HdaRawRequest& request, uint32_t serverMaximum);

  HdaStatus Status() const { return FStatus; }
  HdaVarType Type() const { return FView.Type(); }
  // Values in the whole answer, and those not yet read.
  size_t Count() const { return FCount; }
  size_t Remaining() const { return FRemaining; }

  // Copy the next values, up to capacity; return how many were copied. The numeric form is
  // for VT_R8 and VT_I4 items (raises Exception on a text item); the sample form for any.
  size_t Read(int64_t* times, double* values, uint32_t* qualities, size_t capacity);
  size_t Read(HdaSample* samples, size_t capacity);

private:
  // Takes up to `capacity` values from the current run; calls copyRun(first, count, reverse,
  // offset) for source stretches and copySample(sample, offset) for single ones.
  template <class CopyRun, class CopySample>
  size_t Take(size_t capacity, CopyRun copyRun, CopySample copySample);

  HdaHistoryView FView;
  std::vector<HdaRun> FRuns;  // in answer order
  bool FReverse = false;
  size_t FRun = 0;
  int64_t FDoneInRun = 0;
  size_t FCount = 0;
  size_t FRemaining = 0;
  HdaStatus FStatus = HdaStatus::NoData;
};
