#include "servers/hdasim/HdaGeneratedSignal.h"

#include <cmath>
#include <numbers>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringUtils.h"
#include "servers/hdasim/HdaTime.h"

HdaGeneratedSignal::HdaGeneratedSignal(const HdaSignalDefinition& definition)
    : FDefinition(definition), FPeriodTicks(definition.PeriodSeconds * HdaTicksPerSecond) {
  if (definition.PeriodSeconds <= 0 || definition.Cycle <= 0)
    throw Exception(Format("Signal %s: period and cycle must be positive", definition.ItemId));
  if (definition.GapCycleSeconds == 0) {
    FSlotsPerGapCycle = 1;
    FPresentSlots = 1;
  } else {
    if (definition.GapCycleSeconds % definition.PeriodSeconds != 0 ||
        definition.GapFromSecond % definition.PeriodSeconds != 0 || definition.GapFromSecond <= 0 ||
        definition.GapFromSecond >= definition.GapCycleSeconds)
      throw Exception(Format("Signal %s: the gap rule does not fall on samples", definition.ItemId));
    FSlotsPerGapCycle = definition.GapCycleSeconds / definition.PeriodSeconds;
    FPresentSlots = definition.GapFromSecond / definition.PeriodSeconds;
  }
}

int64_t HdaGeneratedSignal::SlotOf(int64_t index) const {
  return index / FPresentSlots * FSlotsPerGapCycle + index % FPresentSlots;
}

int64_t HdaGeneratedSignal::LowerBound(int64_t time) const {
  if (time <= HdaEpoch) return 0;
  const int64_t since = time - HdaEpoch;
  // First slot at or after the time; the samples before it are the present slots before it.
  const int64_t slot = since / FPeriodTicks + (since % FPeriodTicks != 0);
  const int64_t inCycle = slot % FSlotsPerGapCycle;
  return slot / FSlotsPerGapCycle * FPresentSlots + (inCycle < FPresentSlots ? inCycle : FPresentSlots);
}

double HdaGeneratedSignal::NumberOfSlot(int64_t slot) const {
  const HdaSignalDefinition& d = FDefinition;
  const int64_t phase = slot % d.Cycle;
  switch (d.Shape) {
    case HdaShape::Ramp:
      return d.Offset + d.Amplitude * static_cast<double>(phase);
    case HdaShape::Sine:
      return d.Offset + d.Amplitude * std::sin(2 * std::numbers::pi * static_cast<double>(phase) / d.Cycle);
    case HdaShape::Triangle: {
      const double x = static_cast<double>(phase) / d.Cycle;
      return d.Offset + d.Amplitude * (x < 0.5 ? 2 * x : 2 - 2 * x);
    }
    case HdaShape::Square:
      return d.Offset + (2 * phase < d.Cycle ? d.Amplitude : 0);
    case HdaShape::Text:
      break;
  }
  return static_cast<double>(slot);
}

HdaValue HdaGeneratedSignal::ValueAt(int64_t index) const {
  const int64_t slot = SlotOf(index);
  switch (FDefinition.Type) {
    case hvtBSTR:
      return std::string(FDefinition.TextPrefix) + std::to_string(slot);
    case hvtI4:
      return static_cast<int32_t>(std::lround(NumberOfSlot(slot)));
    default:
      return NumberOfSlot(slot);
  }
}

uint32_t HdaGeneratedSignal::QualityOfSlot(int64_t slot) const {
  if (FDefinition.BadCycleSeconds != 0) {
    const int64_t cycle = slot * FDefinition.PeriodSeconds / FDefinition.BadCycleSeconds;
    if (cycle % 2 == 1) return HDA_RAW | DA_QUALITY_BAD;
  }
  return HDA_RAW | DA_QUALITY_GOOD;
}

void HdaGeneratedSignal::CopyNumbers(int64_t first, int64_t count, bool reverse, int64_t* times, double* values,
                                     uint32_t* qualities) const {
  if (FDefinition.Type == hvtBSTR) throw Exception(Format("Signal %s holds text", FDefinition.ItemId));
  const int64_t step = reverse ? -1 : 1;
  const bool gapless = FSlotsPerGapCycle == 1;
  const bool plainRamp = gapless && FDefinition.Shape == HdaShape::Ramp && FDefinition.BadCycleSeconds == 0;
  if (plainRamp) {
    // The hot path of large raw reads: no division or call per sample.
    const double offset = FDefinition.Offset, amplitude = FDefinition.Amplitude;
    const int64_t cycle = FDefinition.Cycle;
    int64_t phase = first % cycle;
    int64_t time = TimeOfSlot(first);
    const int64_t timeStep = step * FPeriodTicks;
    for (int64_t i = 0; i < count; ++i) {
      times[i] = time;
      values[i] = offset + amplitude * static_cast<double>(phase);
      qualities[i] = HDA_RAW | DA_QUALITY_GOOD;
      time += timeStep;
      phase += step;
      if (phase == cycle) phase = 0;
      if (phase < 0) phase = cycle - 1;
    }
    return;
  }
  const bool whole = FDefinition.Type == hvtI4;
  for (int64_t i = 0; i < count; ++i) {
    const int64_t slot = SlotOf(first + i * step);
    times[i] = TimeOfSlot(slot);
    const double number = NumberOfSlot(slot);
    values[i] = whole ? static_cast<double>(std::lround(number)) : number;
    qualities[i] = QualityOfSlot(slot);
  }
}
