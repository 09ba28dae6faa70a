#pragma once
// Internal to the automation functions: the value of a numeric variant, held exactly where
// the type is exact (integers, currency, decimal) and as a double otherwise, with the
// conversions, comparison and text forms that VariantChangeType and VarCmp share.

#include <string>
#include <string_view>

#include "platform/com/OleAuto.h"

struct AutomationNumber {
  bool isReal = false;
  double real = 0;          // when isReal
  __int128 mantissa = 0;    // otherwise the value is mantissa / 10^scale
  int scale = 0;            // 0..28

  static AutomationNumber Exact(__int128 mantissa, int scale = 0) { return {false, 0, mantissa, scale}; }
  static AutomationNumber Real(double value) { return {true, value, 0, 0}; }
  bool IsZero() const { return isReal ? real == 0 : mantissa == 0; }
};

// EMPTY (0), BOOL (-1/0), the integers, R4, R8, CY, DATE and DECIMAL of a by-value variant;
// anything else is DISP_E_TYPEMISMATCH.
HRESULT NumberFromVariant(const VARIANT& value, AutomationNumber& number);

// Rounding is to nearest, ties to even; out of range is DISP_E_OVERFLOW.
HRESULT NumberToInteger(const AutomationNumber& number, __int128 lowest, __int128 highest, __int128& result);
HRESULT NumberToDouble(const AutomationNumber& number, double& result);
HRESULT NumberToCurrency(const AutomationNumber& number, LONGLONG& result);
HRESULT NumberToDecimal(const AutomationNumber& number, DECIMAL& result);

// The decimal digits of a non-negative value.
std::string DecimalDigits(__int128 magnitude);

// -1, 0 or 1.
int CompareNumbers(const AutomationNumber& a, const AutomationNumber& b);

// Exact value of digits * 10^exponent, when it fits a DECIMAL; with allowRounding, digits
// beyond 28 decimals or 96 bits are rounded away instead of refused.
bool ExactFromDigits(bool negative, std::string_view digits, int exponent, bool allowRounding,
                     AutomationNumber& number);

// Number text in the invariant form: optional blanks, sign or parentheses, thousands
// separators ',', decimal point '.', exponent e/E/d/D, or &H / &O for hexadecimal / octal.
// Not a number: DISP_E_TYPEMISMATCH; beyond a double: DISP_E_OVERFLOW.
HRESULT ParseNumberText(std::u16string_view text, AutomationNumber& number);
// Exact values in full without trailing zeros; reals with 15 (singlePrecision: 7) significant
// digits, switching to the E+nn form where %G does.
std::u16string FormatNumberText(const AutomationNumber& number, bool singlePrecision);

// Dates as MM/dd/yyyy HH:mm:ss; the time is left out at midnight and the date on day 0
// (1899-12-30). FormatDateText fails outside the years 100..9999.
bool FormatDateText(DATE date, std::u16string& text);
// MM/dd/yyyy or yyyy-MM-dd, optionally followed by a blank or 'T' and H:mm[:ss], or the time
// alone (day 0).
bool ParseDateText(std::u16string_view text, DATE& date);
