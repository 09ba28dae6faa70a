#include "servers/hdasim/HdaSignalTable.h"

// Every generated item, in browse order. Slot k lies at 2000-01-01T00:00:00Z + k * period
// (UTC); n in the descriptions is that k. A sample's quality is raw and good unless the row
// says otherwise.
//
// Reference items (exact, relied upon by tests and clients):
//   Test.Ramp  every 10 s    VT_R8    n mod 1000
//   Test.Sine  every 1 s     VT_R8    50 + 50 sin(2 pi n / 600)
//   Test.Step  every 60 s    VT_I4    n mod 10, stepped
//   Test.Text  every 3600 s  VT_BSTR  "Sample " followed by n in decimal
//   Test.Gaps  every 10 s    VT_R8    as Test.Ramp (same value at the same time), but no
//                                     samples in minutes 30 to 59 of every hour
//   Test.Bad   every 10 s    VT_R8    as Test.Ramp, OPC quality bad (0x00) in every odd hour
//                                     since the epoch (01:00-01:59, 03:00-03:59, ...)
// The plant items are smooth made-up process signals for the demonstration.
const std::vector<HdaSignalDefinition>& HdaGeneratedSignals() {
  //  item id, type, period s, shape, cycle, offset, amplitude, text prefix,
  //  gap cycle s, gap from s, bad cycle s, stepped, description, units, normal min, normal max, equation
  static const std::vector<HdaSignalDefinition> table = {
      {"Test.Ramp", hvtR8, 10, HdaShape::Ramp, 1000, 0, 1, "", 0, 0, 0, false, "Ramp 0 to 999, every 10 s",
       "", 0, 999, "n mod 1000"},
      {"Test.Sine", hvtR8, 1, HdaShape::Sine, 600, 50, 50, "", 0, 0, 0, false,
       "Sine of period 10 min, every 1 s", "", 0, 100, "50 + 50 sin(2 pi n / 600)"},
      {"Test.Step", hvtI4, 60, HdaShape::Ramp, 10, 0, 1, "", 0, 0, 0, true, "Steps 0 to 9, every 60 s", "", 0,
       9, "n mod 10"},
      {"Test.Text", hvtBSTR, 3600, HdaShape::Text, 1, 0, 0, "Sample ", 0, 0, 0, true, "Text, every hour", "",
       0, 0, "\"Sample \" n"},
      {"Test.Gaps", hvtR8, 10, HdaShape::Ramp, 1000, 0, 1, "", 3600, 1800, 0, false,
       "Ramp with no samples in minutes 30 to 59 of every hour", "", 0, 999, "n mod 1000"},
      {"Test.Bad", hvtR8, 10, HdaShape::Ramp, 1000, 0, 1, "", 0, 0, 3600, false,
       "Ramp with bad quality in every odd hour", "", 0, 999, "n mod 1000"},
      {"Plant.Area1.Boiler1.Temperature", hvtR8, 5, HdaShape::Sine, 17280, 180, 12, "", 0, 0, 0, false,
       "Boiler outlet temperature", "degC", 160, 200, "180 + 12 sin(2 pi n / 17280)"},
      {"Plant.Area1.Boiler1.Pressure", hvtR8, 5, HdaShape::Sine, 2880, 12.5, 1.5, "", 0, 0, 0, false,
       "Drum pressure", "bar", 10, 15, "12.5 + 1.5 sin(2 pi n / 2880)"},
      {"Plant.Area1.Boiler1.Flow", hvtR8, 10, HdaShape::Triangle, 720, 20, 30, "", 0, 0, 0, false,
       "Feed water flow", "m3/h", 20, 50, "20 + 30 triangle(n / 720)"},
      {"Plant.Area1.Boiler1.Level", hvtR8, 30, HdaShape::Sine, 240, 55, 10, "", 0, 0, 0, false, "Drum level",
       "%", 40, 70, "55 + 10 sin(2 pi n / 240)"},
      {"Plant.Area1.Boiler1.ValvePosition", hvtR8, 10, HdaShape::Ramp, 100, 0, 1, "", 0, 0, 0, false,
       "Feed valve position", "%", 0, 100, "n mod 100"},
      {"Plant.Area1.Boiler1.Running", hvtI4, 60, HdaShape::Square, 480, 0, 1, "", 0, 0, 0, true,
       "Burner running (1) or stopped (0)", "", 0, 1, "1 in the first 4 h of every 8 h"},
      {"Plant.Area1.Boiler1.Batch", hvtBSTR, 1800, HdaShape::Text, 1, 0, 0, "Batch ", 0, 0, 0, true,
       "Current batch", "", 0, 0, "\"Batch \" n"},
      {"Plant.Area2.Pump1.Speed", hvtR8, 2, HdaShape::Triangle, 3600, 900, 600, "", 0, 0, 0, false,
       "Pump speed", "rpm", 900, 1500, "900 + 600 triangle(n / 3600)"},
      {"Plant.Area2.Pump1.Current", hvtR8, 2, HdaShape::Sine, 1800, 42, 6, "", 0, 0, 0, false, "Motor current",
       "A", 30, 50, "42 + 6 sin(2 pi n / 1800)"},
  };
  return table;
}
