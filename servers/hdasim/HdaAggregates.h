#pragma once
// Processed reads: the standard aggregates over resample intervals.
//
// Intervals. Forward (start < end): [start + i r, start + (i+1) r), the last cut at end;
// backward (start > end): (start - (i+1) r, start - i r], the last cut at end, newest first.
// Every value carries its interval's time stamp (the interval's start in the direction of the
// read), except the *ACTUALTIME aggregates, which carry the time of the sample they chose.
// A resample interval of 0 makes one interval of the whole range. More intervals than the
// server's maximum fail with MaxExceeded; start equal to end, or a negative interval, with
// InvalidTime. Within an interval, samples are taken in time order whatever the direction.
//
// Qualities. Every calculated value has HDA_CALCULATED, plus HDA_PARTIAL when the interval is
// shorter than the resample interval or reaches before the epoch or after now. An interval
// wholly outside history [epoch, now] gives no value (empty) with HDA_NODATA | bad.
// "Value" aggregates (marked V below) use only the good samples; their OPC quality is good
// when every sample of the interval was good and uncertain when some were left out; with
// samples but no good one the value is empty with HDA_CALCULATED | bad; with no sample at all
// it is empty with HDA_NODATA | bad.
//
// Rules, one per aggregate (HDA: as OPC HDA 1.20 states it; UA: where HDA is silent or vague,
// as OPC UA Part 13 defines the matching aggregate; own: neither says enough):
//  1 INTERPOLATIVE     HDA  the at-time value at the interval's time stamp (raw when a sample
//                           stands there, else interpolated; HdaHistoryView::ValueAtTime)
//  2 TOTAL             UA   TIMEAVERAGE times the interval's length in seconds
//  3 AVERAGE         V HDA  arithmetic mean of the samples
//  4 TIMEAVERAGE     V UA   time-weighted mean: the good values at both interval ends
//                           (interpolated between the good neighbours, stepped items holding)
//                           and the good samples inside, joined by straight lines (stepped:
//                           held); bad samples are bridged. No good value before the start:
//                           the mean starts at the first one (uncertain). No good value after
//                           the end: the last is held (uncertain).
//  5 COUNT             HDA  number of samples of any quality, VT_I4
//  6 STDEV           V UA   sample standard deviation (n - 1); one sample gives 0
//  7 MINIMUMACTUALTIME V HDA smallest value, stamped with its (first) sample's time
//  8 MINIMUM         V HDA  smallest value
//  9 MAXIMUMACTUALTIME V HDA largest value, stamped with its (first) sample's time
// 10 MAXIMUM         V HDA  largest value
// 11 START             UA   first sample (any quality; the value keeps the item's type and
//                           the OPC quality is the sample's)
// 12 END               UA   last sample, likewise
// 13 DELTA           V UA   last value minus first value
// 14 REGSLOPE        V own  least-squares slope, value per second (x: seconds from the time
//                           stamp); fewer than two sample times: empty, calculated | bad
// 15 REGCONST        V own  that line's value at the interval's time stamp
// 16 REGDEV          V own  root mean square of the residuals about that line (divides by n)
// 17 VARIANCE        V UA   sample variance (n - 1); one sample gives 0
// 18 RANGE           V HDA  largest minus smallest value
// 19 DURATIONGOOD      HDA  seconds of the interval (up to now) in which the quality is good;
//                           each sample's quality lasts until the next sample, the quality at
//                           the interval's start is the previous sample's (UA)
// 20 DURATIONBAD       HDA  the same for bad quality (uncertain counts as neither)
// 21 PERCENTGOOD       UA   DURATIONGOOD as percent (0-100) of the interval's length
// 22 PERCENTBAD        UA   DURATIONBAD likewise
// 23 WORSTQUALITY      HDA  the worst OPC quality word (bad < uncertain < good) of the samples,
//                           VT_I4
// 24 ANNOTATIONS       HDA  number of annotations stamped inside the interval, VT_I4
// Value aggregates give VT_R8, except MINIMUM, MAXIMUM and their ACTUALTIME forms, which keep
// the item's type. Text items answer only INTERPOLATIVE (holding the previous text), COUNT,
// START, END, the durations and percentages, WORSTQUALITY and ANNOTATIONS; the rest is
// InvalidDataType for the item.

#include <cstdint>
#include <vector>

#include "servers/hdasim/HdaHistoryView.h"

constexpr uint32_t HDA_AGG_INTERPOLATIVE = 1;
constexpr uint32_t HDA_AGG_TOTAL = 2;
constexpr uint32_t HDA_AGG_AVERAGE = 3;
constexpr uint32_t HDA_AGG_TIMEAVERAGE = 4;
constexpr uint32_t HDA_AGG_COUNT = 5;
constexpr uint32_t HDA_AGG_STDEV = 6;
constexpr uint32_t HDA_AGG_MINIMUMACTUALTIME = 7;
constexpr uint32_t HDA_AGG_MINIMUM = 8;
constexpr uint32_t HDA_AGG_MAXIMUMACTUALTIME = 9;
constexpr uint32_t HDA_AGG_MAXIMUM = 10;
constexpr uint32_t HDA_AGG_START = 11;
constexpr uint32_t HDA_AGG_END = 12;
constexpr uint32_t HDA_AGG_DELTA = 13;
constexpr uint32_t HDA_AGG_REGSLOPE = 14;
constexpr uint32_t HDA_AGG_REGCONST = 15;
constexpr uint32_t HDA_AGG_REGDEV = 16;
constexpr uint32_t HDA_AGG_VARIANCE = 17;
constexpr uint32_t HDA_AGG_RANGE = 18;
constexpr uint32_t HDA_AGG_DURATIONGOOD = 19;
constexpr uint32_t HDA_AGG_DURATIONBAD = 20;
constexpr uint32_t HDA_AGG_PERCENTGOOD = 21;
constexpr uint32_t HDA_AGG_PERCENTBAD = 22;
constexpr uint32_t HDA_AGG_WORSTQUALITY = 23;
constexpr uint32_t HDA_AGG_ANNOTATIONS = 24;

struct HdaAggregateInfo {
  uint32_t Id;
  const char* Name;
  const char* Description;
};

// Every aggregate the historian offers, in id order (the names OPC HDA publishes).
const std::vector<HdaAggregateInfo>& HdaAggregateTable();

struct HdaProcessedRequest {
  int64_t Start = 0;
  int64_t End = 0;
  int64_t ResampleInterval = 0;  // ticks
  uint32_t Aggregate = 0;
};

// `annotationTimes`: the item's annotation time stamps, sorted. Ok, or NoData when no interval
// has a value; InvalidAggregate, InvalidDataType, InvalidTime, MaxExceeded leave no values.
HdaStatus CalculateProcessed(const HdaHistoryView& view, const std::vector<int64_t>& annotationTimes,
                             const HdaProcessedRequest& request, uint32_t serverMaximum,
                             std::vector<HdaSample>& values);
