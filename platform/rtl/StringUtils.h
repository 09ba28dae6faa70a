#pragma once
// Text handling: UTF-8 std::string everywhere, UTF-16 at the boundaries.

#include <cstdint>
#include <string>
#include <string_view>

// Exact conversions. Invalid input (a lone surrogate, a malformed or overlong UTF-8 sequence,
// a code point above U+10FFFF) becomes U+FFFD; nothing is dropped silently.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Trim removes leading and trailing blanks and control characters (codes up to 32).
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// ASCII case rules, as the settings text and name=value lists need them.
bool SameText(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);
std::string LowerCase(std::string_view text);
std::string UpperCase(std::string_view text);

std::string IntToStr(int64_t value);
std::string IntToHex(uint64_t value, int digits);
// Decimal (optionally signed) or hexadecimal with a leading '$' or "0x"; surrounding blanks
// are not accepted. Raises EConvertError "'<text>' is not a valid integer value".
int32_t StrToInt(std::string_view text);
int64_t StrToInt64(std::string_view text);
int32_t StrToIntDef(std::string_view text, int32_t defaultValue);
bool TryStrToInt(std::string_view text, int32_t& value);
bool TryStrToInt64(std::string_view text, int64_t& value);

// printf-style formatting into a std::string (C locale for numbers).
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
