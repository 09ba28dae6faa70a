#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/com/AutomationNumber.h"
#include "platform/rtl/CivilDate.h"

namespace {

constexpr int kExponentCap = 100000;  // far beyond any double; keeps the arithmetic in range

bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r') || c == u'\u00A0'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

std::u16string Widen(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// Reads text from left to right; every read either consumes what it wants or nothing.
class TextScanner {
public:
  explicit TextScanner(std::u16string_view text) : text_(text) {}

  bool AtEnd() const { return pos_ == text_.size(); }
  char16_t Peek() const { return AtEnd() ? u'\0' : text_[pos_]; }
  void Skip() { ++pos_; }
  bool Take(char16_t c) {
    if (Peek() != c) return false;
    ++pos_;
    return true;
  }
  bool TakeAnyCase(char16_t lower) { return Take(lower) || Take(char16_t(lower - u'a' + u'A')); }
  void SkipBlanks() {
    while (!AtEnd() && IsBlank(Peek())) ++pos_;
  }
  // An unsigned decimal number of 1..maxDigits digits.
  bool Number(unsigned maxDigits, unsigned& value, unsigned* digits = nullptr) {
    unsigned count = 0;
    value = 0;
    while (count < maxDigits && IsDigit(Peek())) {
      value = value * 10 + unsigned(Peek() - u'0');
      ++pos_;
      ++count;
    }
    if (digits) *digits = count;
    return count > 0;
  }

private:
  std::u16string_view text_;
  size_t pos_ = 0;
};

// &H or &O digits, already past the '&'.
HRESULT ParseRadixDigits(TextScanner& scanner, unsigned __int128& value) {
  unsigned radix = scanner.TakeAnyCase(u'h') ? 16 : scanner.TakeAnyCase(u'o') ? 8 : 0;
  if (radix == 0) return DISP_E_TYPEMISMATCH;
  bool any = false;
  value = 0;
  for (;; scanner.Skip()) {
    char16_t c = scanner.Peek();
    unsigned digit = IsDigit(c) ? unsigned(c - u'0')
                     : (c >= u'a' && c <= u'f') ? unsigned(c - u'a' + 10)
                     : (c >= u'A' && c <= u'F') ? unsigned(c - u'A' + 10)
                                                : radix;
    if (digit >= radix) break;
    value = value * radix + digit;
    if (value > UINT64_MAX) return DISP_E_OVERFLOW;
    any = true;
  }
  return any ? S_OK : DISP_E_TYPEMISMATCH;
}

// Decimal digits with ',' between integer digits, an optional '.' fraction and exponent.
bool ParseDecimalDigits(TextScanner& scanner, std::string& digits, int& exponent) {
  bool point = false;
  for (;; scanner.Skip()) {
    char16_t c = scanner.Peek();
    if (IsDigit(c)) {
      digits += char(c);
      if (point) --exponent;
    } else if (c == u',' && !point && !digits.empty()) {
      continue;
    } else if (c == u'.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits.empty()) return false;
  if (scanner.TakeAnyCase(u'e') || scanner.TakeAnyCase(u'd')) {
    bool negative = scanner.Take(u'-');
    if (!negative) scanner.Take(u'+');
    if (!IsDigit(scanner.Peek())) return false;
    int value = 0;
    for (; IsDigit(scanner.Peek()); scanner.Skip())
      if (value < kExponentCap) value = value * 10 + (scanner.Peek() - u'0');
    exponent += negative ? -value : value;
  }
  return true;
}

// :mm[:ss] after the hour.
bool ParseTimeAfterHour(TextScanner& scanner, unsigned hour, SYSTEMTIME& time) {
  unsigned minute, second = 0, digits;
  if (!scanner.Take(u':') || !scanner.Number(2, minute, &digits) || digits != 2) return false;
  if (scanner.Take(u':') && (!scanner.Number(2, second, &digits) || digits != 2)) return false;
  if (hour > 23 || minute > 59 || second > 59) return false;
  time.wHour = WORD(hour);
  time.wMinute = WORD(minute);
  time.wSecond = WORD(second);
  return true;
}

// H:mm[:ss]
bool ParseTime(TextScanner& scanner, SYSTEMTIME& time) {
  unsigned hour;
  return scanner.Number(2, hour) && ParseTimeAfterHour(scanner, hour, time);
}

}  // namespace

HRESULT ParseNumberText(std::u16string_view text, AutomationNumber& number) {
  TextScanner scanner(text);
  scanner.SkipBlanks();
  bool parenthesised = scanner.Take(u'(');
  if (parenthesised) scanner.SkipBlanks();
  bool negative = scanner.Take(u'-');
  if (!negative) scanner.Take(u'+');

  unsigned __int128 radixValue = 0;
  std::string digits;
  int exponent = 0;
  bool radix = scanner.Take(u'&');
  if (radix) {
    HRESULT hr = ParseRadixDigits(scanner, radixValue);
    if (FAILED(hr)) return hr;
  } else if (!ParseDecimalDigits(scanner, digits, exponent)) {
    return DISP_E_TYPEMISMATCH;
  }

  scanner.SkipBlanks();
  if (parenthesised) {
    if (negative || !scanner.Take(u')')) return DISP_E_TYPEMISMATCH;
    negative = true;
    scanner.SkipBlanks();
  }
  if (!scanner.AtEnd()) return DISP_E_TYPEMISMATCH;

  if (radix) {
    auto value = __int128(radixValue);
    number = AutomationNumber::Exact(negative ? -value : value);
    return S_OK;
  }
  if (ExactFromDigits(negative, digits, exponent, false, number)) return S_OK;
  std::string normal = negative ? "-" : "";
  normal += digits;
  normal += 'e';
  normal += std::to_string(exponent);
  double value = std::strtod(normal.c_str(), nullptr);
  if (std::isinf(value)) return DISP_E_OVERFLOW;
  number = AutomationNumber::Real(value);
  return S_OK;
}

std::u16string FormatNumberText(const AutomationNumber& number, bool singlePrecision) {
  if (number.isReal) {
    if (number.real == 0) return u"0";  // also for -0
    char text[40];
    std::snprintf(text, sizeof text, singlePrecision ? "%.7G" : "%.15G", number.real);
    return Widen(text);
  }
  std::string digits = DecimalDigits(number.mantissa < 0 ? -number.mantissa : number.mantissa);
  std::string text = number.mantissa < 0 ? "-" : "";
  auto scale = size_t(number.scale);
  if (scale == 0) return Widen(text + digits);
  if (digits.size() <= scale) digits = std::string(scale + 1 - digits.size(), '0') + digits;
  std::string fraction = digits.substr(digits.size() - scale);
  fraction.erase(fraction.find_last_not_of('0') + 1);
  text += digits.substr(0, digits.size() - scale);
  if (!fraction.empty()) text += '.' + fraction;
  return Widen(text);
}

bool FormatDateText(DATE date, std::u16string& text) {
  SYSTEMTIME st;
  if (!VariantTimeToSystemTime(date, &st)) return false;
  bool onDayZero = st.wYear == 1899 && st.wMonth == 12 && st.wDay == 30;
  bool atMidnight = st.wHour == 0 && st.wMinute == 0 && st.wSecond == 0;
  char buffer[64];
  if (onDayZero)
    std::snprintf(buffer, sizeof buffer, "%02u:%02u:%02u", st.wHour, st.wMinute, st.wSecond);
  else if (atMidnight)
    std::snprintf(buffer, sizeof buffer, "%02u/%02u/%04u", st.wMonth, st.wDay, st.wYear);
  else
    std::snprintf(buffer, sizeof buffer, "%02u/%02u/%04u %02u:%02u:%02u", st.wMonth, st.wDay, st.wYear, st.wHour,
                  st.wMinute, st.wSecond);
  text = Widen(buffer);
  return true;
}

bool ParseDateText(std::u16string_view text, DATE& date) {
  TextScanner scanner(text);
  scanner.SkipBlanks();
  SYSTEMTIME st = {1899, 12, 0, 30, 0, 0, 0, 0};
  unsigned first, second, third, digits;
  if (!scanner.Number(4, first, &digits)) return false;
  if (scanner.Peek() == u':') {
    if (digits > 2 || !ParseTimeAfterHour(scanner, first, st)) return false;
  } else {
    bool usFormat = digits <= 2 && scanner.Take(u'/');
    bool isoFormat = !usFormat && digits == 4 && scanner.Take(u'-');
    if (!usFormat && !isoFormat) return false;
    char16_t separator = usFormat ? u'/' : u'-';
    if (!scanner.Number(2, second) || !scanner.Take(separator) || !scanner.Number(4, third, &digits)) return false;
    unsigned year = usFormat ? third : first;
    unsigned month = usFormat ? first : second;
    unsigned day = usFormat ? second : third;
    if ((usFormat && digits != 4) || (isoFormat && digits > 2)) return false;
    if (year < 100 || month < 1 || month > 12 || day < 1 || day > CivilDaysInMonth(year, month)) return false;
    st.wYear = WORD(year);
    st.wMonth = WORD(month);
    st.wDay = WORD(day);
    bool blank = IsBlank(scanner.Peek());
    scanner.SkipBlanks();
    if (!scanner.AtEnd() && ((!blank && !scanner.Take(u'T')) || !ParseTime(scanner, st))) return false;
  }
  scanner.SkipBlanks();
  return scanner.AtEnd() && SystemTimeToVariantTime(&st, &date);
}
