// Integer and date-time texts on arbitrary bytes. The first byte picks the date and time
// patterns; the rest is the text. A text that reads must also read through the raising form
// to the same value, and what the writer makes of the value must read back to it.

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringUtils.h"

namespace {

const TFormatSettings kSettings[] = {
    {},  // ISO 8601
    {"dd.mm.yyyy", "hh:nn:ss.zzz", "AM", "PM"},
    {"m/d/yy", "h:nn:ss ampm", "vorm.", "nachm."},
    {"yyyy\"年\"m\"月\"d\"日\"", "AM/PM h:n:s", "AM", "PM"},
};

void CheckInteger(std::string_view text) {
  int64_t value64 = 0;
  const bool read64 = TryStrToInt64(text, value64);
  int64_t raised64 = 0;
  try {
    raised64 = StrToInt64(text);
    if (!read64 || raised64 != value64) __builtin_trap();
  } catch (const EConvertError&) {
    if (read64) __builtin_trap();
  }
  if (read64 && StrToInt64(IntToStr(value64)) != value64) __builtin_trap();

  int32_t value32 = 0;
  const bool read32 = TryStrToInt(text, value32);
  if (StrToIntDef(text, 7) != (read32 ? value32 : 7)) __builtin_trap();
  if (read32 && StrToInt(IntToStr(value32)) != value32) __builtin_trap();
}

void CheckDateTime(std::string_view text, const TFormatSettings& settings) {
  TDateTime value = 0;
  const bool read = TryStrToDateTime(text, value, settings);
  try {
    const TDateTime raised = StrToDateTime(text, settings);
    if (!read || raised != value) __builtin_trap();
  } catch (const EConvertError&) {
    if (read) __builtin_trap();
  }
  if (!read) return;
  if (!std::isfinite(value)) __builtin_trap();
  // The writer leaves milliseconds out, so its text is compared, not the value.
  const std::string written = DateTimeToStr(value, settings);
  TDateTime reread = 0;
  if (!TryStrToDateTime(written, reread, settings) || DateTimeToStr(reread, settings) != written) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const TFormatSettings& settings = kSettings[data[0] % std::size(kSettings)];
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  CheckInteger(text);
  CheckDateTime(text, settings);
  return 0;
}
