#include "platform/com/AutomationNumber.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kMaxScale = 28;
constexpr size_t kMaxDecimalDigits = 29;
constexpr __int128 kDecimalLimit = __int128(1) << 96;  // a DECIMAL's mantissa stays below

__int128 PowerOfTen(int exponent) {
  __int128 power = 1;
  while (exponent-- > 0) power *= 10;
  return power;
}

__int128 Magnitude(__int128 value) { return value < 0 ? -value : value; }

// value / divisor rounded to nearest, ties to even.
__int128 RoundedQuotient(__int128 value, __int128 divisor) {
  __int128 quotient = value / divisor;
  __int128 twiceRemainder = Magnitude(value % divisor) * 2;
  if (twiceRemainder > divisor || (twiceRemainder == divisor && quotient % 2 != 0)) quotient += value < 0 ? -1 : 1;
  return quotient;
}

long double ApproximateValue(const AutomationNumber& number) {
  if (number.isReal) return number.real;
  return static_cast<long double>(number.mantissa) / std::pow(10.0L, number.scale);
}

// Rounds an exact value to the given number of decimals (ties to even).
__int128 Rescaled(const AutomationNumber& number, int scale) {
  if (number.scale <= scale) return number.mantissa * PowerOfTen(scale - number.scale);
  return RoundedQuotient(number.mantissa, PowerOfTen(number.scale - scale));
}

}  // namespace

std::string DecimalDigits(__int128 magnitude) {
  char buffer[40];
  char* first = buffer + sizeof buffer;
  do {
    *--first = char('0' + int(magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  return std::string(first, buffer + sizeof buffer);
}

HRESULT NumberFromVariant(const VARIANT& value, AutomationNumber& number) {
  switch (value.vt) {
    case VT_EMPTY: number = AutomationNumber::Exact(0); break;
    case VT_BOOL: number = AutomationNumber::Exact(value.boolVal); break;
    case VT_I1: number = AutomationNumber::Exact(value.cVal); break;
    case VT_UI1: number = AutomationNumber::Exact(value.bVal); break;
    case VT_I2: number = AutomationNumber::Exact(value.iVal); break;
    case VT_UI2: number = AutomationNumber::Exact(value.uiVal); break;
    case VT_I4: number = AutomationNumber::Exact(value.lVal); break;
    case VT_UI4: number = AutomationNumber::Exact(value.ulVal); break;
    case VT_INT: number = AutomationNumber::Exact(value.intVal); break;
    case VT_UINT: number = AutomationNumber::Exact(value.uintVal); break;
    case VT_I8: number = AutomationNumber::Exact(value.llVal); break;
    case VT_UI8: number = AutomationNumber::Exact(value.ullVal); break;
    case VT_CY: number = AutomationNumber::Exact(value.cyVal.int64, 4); break;
    case VT_R4: number = AutomationNumber::Real(value.fltVal); break;
    case VT_R8: number = AutomationNumber::Real(value.dblVal); break;
    case VT_DATE: number = AutomationNumber::Real(value.date); break;
    case VT_DECIMAL: {
      const DECIMAL& dec = value.decVal;
      if (dec.scale > kMaxScale || (dec.sign & ~DECIMAL_NEG)) return E_INVALIDARG;
      __int128 mantissa = (__int128(dec.Hi32) << 64) | dec.Lo64;
      number = AutomationNumber::Exact(dec.sign ? -mantissa : mantissa, dec.scale);
      break;
    }
    default:
      return DISP_E_TYPEMISMATCH;
  }
  return S_OK;
}

HRESULT NumberToInteger(const AutomationNumber& number, __int128 lowest, __int128 highest, __int128& result) {
  if (number.isReal) {
    // nearbyint rounds ties to even in the default rounding mode.
    double rounded = std::nearbyint(number.real);
    if (std::isnan(rounded) || rounded < static_cast<long double>(lowest) ||
        rounded > static_cast<long double>(highest))
      return DISP_E_OVERFLOW;
    result = static_cast<__int128>(rounded);
    return S_OK;
  }
  __int128 value = Rescaled(number, 0);
  if (value < lowest || value > highest) return DISP_E_OVERFLOW;
  result = value;
  return S_OK;
}

HRESULT NumberToDouble(const AutomationNumber& number, double& result) {
  if (number.isReal) {
    result = number.real;
  } else if (number.scale == 0 && Magnitude(number.mantissa) <= (__int128(1) << 53)) {
    result = static_cast<double>(number.mantissa);
  } else {
    // Through text, so that the result is the correctly rounded double.
    std::string text = number.mantissa < 0 ? "-" : "";
    text += DecimalDigits(Magnitude(number.mantissa));
    text += "e-";
    text += std::to_string(number.scale);
    result = std::strtod(text.c_str(), nullptr);
  }
  return S_OK;
}

HRESULT NumberToCurrency(const AutomationNumber& number, LONGLONG& result) {
  __int128 units;
  if (number.isReal) {
    long double scaled = std::nearbyint(static_cast<long double>(number.real) * 10000);
    if (std::isnan(scaled) || scaled < static_cast<long double>(INT64_MIN) ||
        scaled > static_cast<long double>(INT64_MAX))
      return DISP_E_OVERFLOW;
    units = static_cast<__int128>(scaled);
  } else {
    units = Rescaled(number, 4);
    if (units < INT64_MIN || units > INT64_MAX) return DISP_E_OVERFLOW;
  }
  result = static_cast<LONGLONG>(units);
  return S_OK;
}

HRESULT NumberToDecimal(const AutomationNumber& number, DECIMAL& result) {
  AutomationNumber exact = number;
  if (number.isReal) {
    if (!(std::fabs(number.real) < static_cast<double>(kDecimalLimit))) return DISP_E_OVERFLOW;
    // 15 significant digits, as a double is converted for display.
    char text[32];
    std::snprintf(text, sizeof text, "%.14e", std::fabs(number.real));
    std::string digits(1, text[0]);
    digits.append(text + 2, 14);
    int exponent = std::atoi(std::strchr(text, 'e') + 1) - 14;
    if (!ExactFromDigits(number.real < 0, digits, exponent, true, exact)) return DISP_E_OVERFLOW;
  } else if (Magnitude(number.mantissa) >= kDecimalLimit) {
    return DISP_E_OVERFLOW;
  }
  __int128 magnitude = Magnitude(exact.mantissa);
  result = DECIMAL{};
  result.scale = BYTE(exact.scale);
  result.sign = exact.mantissa < 0 ? DECIMAL_NEG : 0;
  result.Hi32 = ULONG(magnitude >> 64);
  result.Lo64 = ULONGLONG(magnitude);
  return S_OK;
}

int CompareNumbers(const AutomationNumber& a, const AutomationNumber& b) {
  if (!a.isReal && !b.isReal) {
    // Exact values are below 2^97 and scales at most 28 apart, which fits 2^190 only in
    // theory: align them only while the product stays inside 127 bits.
    int scale = a.scale > b.scale ? a.scale : b.scale;
    const AutomationNumber& lower = a.scale < b.scale ? a : b;
    if (Magnitude(lower.mantissa) < (__int128(1) << 126) / PowerOfTen(scale - lower.scale)) {
      __int128 left = a.mantissa * PowerOfTen(scale - a.scale);
      __int128 right = b.mantissa * PowerOfTen(scale - b.scale);
      return left < right ? -1 : left > right ? 1 : 0;
    }
  }
  long double left = ApproximateValue(a);
  long double right = ApproximateValue(b);
  return left < right ? -1 : left > right ? 1 : 0;
}

bool ExactFromDigits(bool negative, std::string_view digits, int exponent, bool allowRounding,
                     AutomationNumber& number) {
  while (!digits.empty() && digits.front() == '0') digits.remove_prefix(1);
  while (!digits.empty() && digits.back() == '0') {
    digits.remove_suffix(1);
    ++exponent;
  }
  if (digits.empty()) {
    number = AutomationNumber::Exact(0);
    return true;
  }
  if (exponent >= 0) {
    if (digits.size() + size_t(exponent) > kMaxDecimalDigits) return false;
    __int128 mantissa = 0;
    for (char digit : digits) mantissa = mantissa * 10 + (digit - '0');
    mantissa *= PowerOfTen(exponent);
    if (mantissa >= kDecimalLimit) return false;
    number = AutomationNumber::Exact(negative ? -mantissa : mantissa);
    return true;
  }
  // Keep as many digits as a DECIMAL holds: at most 28 decimals and 96 bits.
  int scale = -exponent;
  size_t drop = 0;
  if (scale > kMaxScale) drop = size_t(scale - kMaxScale);
  if (digits.size() > kMaxDecimalDigits + drop) drop = digits.size() - kMaxDecimalDigits;
  for (;; ++drop) {
    if (drop && !allowRounding) return false;
    if (drop > size_t(scale)) return false;
    __int128 mantissa = 0;
    size_t kept = drop < digits.size() ? digits.size() - drop : 0;
    for (size_t i = 0; i < kept; ++i) mantissa = mantissa * 10 + (digits[i] - '0');
    if (drop) {
      // Round on the dropped digits: above half up, below down, exactly half to even.
      std::string_view rest = drop <= digits.size() ? digits.substr(kept) : std::string_view();
      bool overHalf = false, half = false;
      if (drop <= digits.size()) {
        half = rest.front() == '5' && rest.find_first_not_of('0', 1) == std::string_view::npos;
        overHalf = rest.front() > '5' || (rest.front() == '5' && !half);
      }
      if (overHalf || (half && mantissa % 2 != 0)) ++mantissa;
    }
    if (mantissa < kDecimalLimit) {
      number = AutomationNumber::Exact(negative ? -mantissa : mantissa, scale - int(drop));
      return true;
    }
  }
}
