#include "servers/hdasim/HdaTypes.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

HdaQualityClass QualityClassOf(uint32_t quality) {
  switch (quality & 0xC0) {
    case DA_QUALITY_GOOD:
      return HdaQualityClass::Good;
    case DA_QUALITY_UNCERTAIN:
      return HdaQualityClass::Uncertain;
    default:
      // 0x80 is not assigned by OPC DA; nothing good can be said about it.
      return HdaQualityClass::Bad;
  }
}

HdaVarType VarTypeOf(const HdaValue& value) {
  switch (value.index()) {
    case 1:
      return hvtR8;
    case 2:
      return hvtI4;
    case 3:
      return hvtBSTR;
    default:
      return hvtEmpty;
  }
}

bool IsEmpty(const HdaValue& value) {
  return std::holds_alternative<std::monostate>(value);
}

double ToNumber(const HdaValue& value) {
  if (const auto* number = std::get_if<double>(&value)) return *number;
  if (const auto* integer = std::get_if<int32_t>(&value)) return *integer;
  return std::numeric_limits<double>::quiet_NaN();
}

std::string ToText(const HdaValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* integer = std::get_if<int32_t>(&value)) return std::to_string(*integer);
  if (const auto* number = std::get_if<double>(&value)) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, *number);
    return std::string(buffer, result.ptr);
  }
  return {};
}

static bool ParseNumber(const std::string& text, double& number) {
  const char* first = text.data();
  const char* last = first + text.size();
  const auto result = std::from_chars(first, last, number);
  return result.ec == std::errc() && result.ptr == last && std::isfinite(number);
}

bool CoerceValue(const HdaValue& value, HdaVarType type, HdaValue& result) {
  if (IsEmpty(value)) return false;
  if (type == hvtBSTR) {
    result = ToText(value);
    return true;
  }
  double number = ToNumber(value);
  if (const auto* text = std::get_if<std::string>(&value)) {
    if (!ParseNumber(*text, number)) return false;
  }
  if (!std::isfinite(number)) return false;
  if (type == hvtR8) {
    result = number;
    return true;
  }
  if (type == hvtI4) {
    if (number != std::trunc(number) || number < std::numeric_limits<int32_t>::min() ||
        number > std::numeric_limits<int32_t>::max())
      return false;
    result = static_cast<int32_t>(number);
    return true;
  }
  return false;
}
