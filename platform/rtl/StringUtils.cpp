#include "platform/rtl/StringUtils.h"

#include <locale.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "platform/rtl/Exceptions.h"

namespace {

constexpr char32_t ReplacementCharacter = 0xFFFD;

bool IsTrailByte(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The range the first trail byte may take after a lead byte; the narrower ranges exclude
// overlong forms, encoded surrogates and code points above U+10FFFF.
struct LeadByteRule {
  int trailCount;
  unsigned char firstTrailMin;
  unsigned char firstTrailMax;
};

LeadByteRule RuleFor(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return {1, 0x80, 0xBF};
  if (lead == 0xE0) return {2, 0xA0, 0xBF};
  if (lead == 0xED) return {2, 0x80, 0x9F};
  if (lead >= 0xE1 && lead <= 0xEF) return {2, 0x80, 0xBF};
  if (lead == 0xF0) return {3, 0x90, 0xBF};
  if (lead >= 0xF1 && lead <= 0xF3) return {3, 0x80, 0xBF};
  if (lead == 0xF4) return {3, 0x80, 0x8F};
  return {0, 0, 0};  // ASCII, a stray trail byte, C0, C1 or F5..FF
}

// Decodes one code point at text[pos] and advances pos. A malformed sequence yields one
// U+FFFD for its maximal valid prefix, and decoding resumes at the first byte that broke it.
char32_t DecodeUtf8(std::string_view text, size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos++]);
  if (lead < 0x80) return lead;
  const LeadByteRule rule = RuleFor(lead);
  if (rule.trailCount == 0) return ReplacementCharacter;

  char32_t codePoint = lead & (0x3F >> rule.trailCount);
  for (int i = 0; i < rule.trailCount; ++i) {
    if (pos >= text.size()) return ReplacementCharacter;
    const auto trail = static_cast<unsigned char>(text[pos]);
    const bool valid = i == 0 ? trail >= rule.firstTrailMin && trail <= rule.firstTrailMax
                              : IsTrailByte(trail);
    if (!valid) return ReplacementCharacter;
    codePoint = (codePoint << 6) | (trail & 0x3F);
    ++pos;
  }
  return codePoint;
}

void AppendUtf8(std::string& out, char32_t codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (codePoint >> 18));
    out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Parses an integer of the given width. Decimal text must fit the signed range; hexadecimal
// text is a bit pattern of up to `bits` bits, so "$FFFFFFFF" reads as -1 for 32 bits.
bool ParseInteger(std::string_view text, int bits, int64_t& value) {
  size_t pos = 0;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) negative = text[pos++] == '-';

  bool hex = false;
  if (pos < text.size() && text[pos] == '$') {
    hex = true;
    pos += 1;
  } else if (pos + 1 < text.size() && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
    hex = true;
    pos += 2;
  }
  if (pos == text.size()) return false;

  const uint64_t signedMax = (uint64_t{1} << (bits - 1)) - 1;
  const uint64_t limit = hex ? signedMax * 2 + 1 : signedMax + (negative ? 1 : 0);
  const unsigned base = hex ? 16 : 10;
  uint64_t magnitude = 0;
  for (; pos < text.size(); ++pos) {
    const int digit = HexDigitValue(text[pos]);
    if (digit < 0 || static_cast<unsigned>(digit) >= base) return false;
    if (magnitude > (limit - digit) / base) return false;
    magnitude = magnitude * base + digit;
  }
  if (negative) magnitude = ~magnitude + 1;  // two's complement negation, defined for unsigned
  if (bits == 32) {
    value = static_cast<int32_t>(static_cast<uint32_t>(magnitude));
  } else {
    value = static_cast<int64_t>(magnitude);
  }
  return true;
}

[[noreturn]] void RaiseNotAnInteger(std::string_view text) {
  throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string result;
  result.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    const char32_t codePoint = DecodeUtf8(text, pos);
    if (codePoint < 0x10000) {
      result += static_cast<char16_t>(codePoint);
    } else {
      const char32_t offset = codePoint - 0x10000;
      result += static_cast<char16_t>(0xD800 + (offset >> 10));
      result += static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
    }
  }
  return result;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      const char16_t low = text[++i];
      AppendUtf8(result, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (low - 0xDC00));
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      AppendUtf8(result, ReplacementCharacter);
    } else {
      AppendUtf8(result, unit);
    }
  }
  return result;
}

std::string Trim(std::string_view text) { return TrimLeft(TrimRight(text)); }

std::string TrimLeft(std::string_view text) {
  size_t start = 0;
  while (start < text.size() && IsBlank(text[start])) ++start;
  return std::string(text.substr(start));
}

std::string TrimRight(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) --end;
  return std::string(text.substr(0, end));
}

bool SameText(std::string_view a, std::string_view b) { return CompareText(a, b) == 0; }

int CompareText(std::string_view a, std::string_view b) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    const auto ca = static_cast<unsigned char>(AsciiUpper(a[i]));
    const auto cb = static_cast<unsigned char>(AsciiUpper(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::string LowerCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = AsciiLower(c);
  return result;
}

std::string UpperCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = AsciiUpper(c);
  return result;
}

std::string IntToStr(int64_t value) { return std::to_string(value); }

std::string IntToHex(uint64_t value, int digits) {
  static const char HexDigits[] = "0123456789ABCDEF";
  std::string result;
  do {
    result.insert(result.begin(), HexDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  if (static_cast<int>(result.size()) < digits) result.insert(0, digits - result.size(), '0');
  return result;
}

int32_t StrToInt(std::string_view text) {
  int32_t value;
  if (!TryStrToInt(text, value)) RaiseNotAnInteger(text);
  return value;
}

int64_t StrToInt64(std::string_view text) {
  int64_t value;
  if (!TryStrToInt64(text, value)) RaiseNotAnInteger(text);
  return value;
}

int32_t StrToIntDef(std::string_view text, int32_t defaultValue) {
  int32_t value;
  return TryStrToInt(text, value) ? value : defaultValue;
}

bool TryStrToInt(std::string_view text, int32_t& value) {
  int64_t wide;
  if (!ParseInteger(text, 32, wide)) return false;
  value = static_cast<int32_t>(wide);
  return true;
}

bool TryStrToInt64(std::string_view text, int64_t& value) { return ParseInteger(text, 64, value); }

std::string Format(const char* format, ...) {
  // The GUI sets the process locale from the environment; numbers here stay in C form, so
  // this thread switches to the C locale for the call.
  static const locale_t ClassicLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
  const locale_t previousLocale = uselocale(ClassicLocale);
  va_list args;
  va_start(args, format);
  va_list measureArgs;
  va_copy(measureArgs, args);
  const int length = std::vsnprintf(nullptr, 0, format, measureArgs);
  va_end(measureArgs);
  std::string result;
  if (length > 0) {
    result.resize(static_cast<size_t>(length));
    // vsnprintf writes the terminating NUL into the string's own terminator slot.
    std::vsnprintf(result.data(), result.size() + 1, format, args);
  }
  va_end(args);
  uselocale(previousLocale);
  return result;
}
