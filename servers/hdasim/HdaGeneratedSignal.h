#pragma once
// A signal computed from its definition: slot k lies at HdaEpoch + k * period, its value is a
// function of k, so any sample is found and computed by arithmetic, with no storage.

#include <string>

#include "servers/hdasim/HdaSampleSource.h"
#include "servers/hdasim/HdaTime.h"

enum class HdaShape {
  Ramp,      // Offset + Amplitude * (k mod Cycle)
  Sine,      // Offset + Amplitude * sin(2 pi k / Cycle)
  Triangle,  // Offset + Amplitude * (rises 0..1 over the first half of Cycle, falls back over the second)
  Square,    // Offset + Amplitude while (k mod Cycle) < Cycle / 2, else Offset
  Text,      // TextPrefix followed by k in decimal
};

struct HdaSignalDefinition {
  const char* ItemId;
  HdaVarType Type;
  int64_t PeriodSeconds;
  HdaShape Shape;
  int64_t Cycle;  // slots per repetition of the shape
  double Offset;
  double Amplitude;
  const char* TextPrefix;
  // Gaps: no samples in the part of every GapCycleSeconds from GapFromSecond on (0: no gaps).
  int64_t GapCycleSeconds;
  int64_t GapFromSecond;
  // Quality bad in every odd BadCycleSeconds since the epoch (0: always good).
  int64_t BadCycleSeconds;
  bool Stepped;
  const char* Description;
  const char* EngUnits;
  double NormalMinimum;
  double NormalMaximum;
  const char* Equation;
};

class HdaGeneratedSignal : public HdaSampleSource {
public:
  // Raises Exception when the definition is inconsistent (a gap rule that does not fall on slots).
  explicit HdaGeneratedSignal(const HdaSignalDefinition& definition);

  const HdaSignalDefinition& Definition() const { return FDefinition; }

  HdaVarType Type() const override { return FDefinition.Type; }
  int64_t LowerBound(int64_t time) const override;
  int64_t TimeAt(int64_t index) const override { return TimeOfSlot(SlotOf(index)); }
  HdaValue ValueAt(int64_t index) const override;
  uint32_t QualityAt(int64_t index) const override { return QualityOfSlot(SlotOf(index)); }
  void CopyNumbers(int64_t first, int64_t count, bool reverse, int64_t* times, double* values,
                   uint32_t* qualities) const override;

private:
  int64_t SlotOf(int64_t index) const;
  int64_t TimeOfSlot(int64_t slot) const { return HdaEpoch + slot * FPeriodTicks; }
  double NumberOfSlot(int64_t slot) const;
  uint32_t QualityOfSlot(int64_t slot) const;

  HdaSignalDefinition FDefinition;
  int64_t FPeriodTicks;
  // Presence pattern in slots: of every FSlotsPerGapCycle slots the first FPresentSlots exist.
  int64_t FSlotsPerGapCycle;
  int64_t FPresentSlots;
};
