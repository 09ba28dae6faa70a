// Reading the registry file (format in RegistryFile.h). The whole file is parsed before the
// registry is touched, so a malformed line leaves the registry as it was.

#include <cstring>
#include <fstream>
#include <mutex>

#include "platform/rtl/StringUtils.h"
#include "platform/win/RegistryFile.h"
#include "platform/win/RegistryStore.h"

namespace {

struct TFileKey {
  std::vector<std::u16string> Path;
  std::vector<TRegistryValue> Values;
};

// Raised with the reason a line is malformed.
struct TLineError {
  std::string Reason;
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<BYTE> Bytes(const std::u16string& text) {
  std::vector<BYTE> bytes((text.size() + 1) * sizeof(WCHAR));
  std::memcpy(bytes.data(), text.c_str(), bytes.size());
  return bytes;
}

// Reads one line's text from position pos onwards.
class TLineReader {
public:
  explicit TLineReader(std::string_view line) : FLine(line) {}

  bool AtEnd() const { return FPos == FLine.size(); }
  bool Skip(std::string_view expected) {
    if (FLine.substr(FPos, expected.size()) != expected) return false;
    FPos += expected.size();
    return true;
  }
  void Expect(std::string_view expected, const char* what) {
    if (!Skip(expected)) throw TLineError{Format("expected %s at column %zu", what, FPos + 1)};
  }
  void ExpectEnd() {
    if (!AtEnd()) throw TLineError{Format("unexpected text at column %zu", FPos + 1)};
  }

  // A quoted string with its escapes.
  std::u16string Quoted() {
    Expect("\"", "'\"'");
    std::u16string text;
    size_t runStart = FPos;
    auto flushRun = [&] { text += Utf8ToUtf16(FLine.substr(runStart, FPos - runStart)); };
    while (true) {
      if (AtEnd()) throw TLineError{"unterminated quoted text"};
      const char c = FLine[FPos];
      if (c == '"') break;
      if (c != '\\') {
        ++FPos;
        continue;
      }
      flushRun();
      ++FPos;
      text += Escape();
      runStart = FPos;
    }
    flushRun();
    ++FPos;
    return text;
  }

  // Up to maxDigits hex digits as a number.
  uint64_t HexNumber(size_t maxDigits) {
    uint64_t number = 0;
    size_t digits = 0;
    for (int d; !AtEnd() && (d = HexDigit(FLine[FPos])) >= 0; ++FPos, ++digits) number = number * 16 + unsigned(d);
    if (digits == 0 || digits > maxDigits) throw TLineError{Format("expected 1 to %zu hex digits", maxDigits)};
    return number;
  }

  // "xx,xx,..." to the end of the line; nothing at all is no bytes.
  std::vector<BYTE> HexBytes() {
    std::vector<BYTE> bytes;
    while (!AtEnd()) {
      if (!bytes.empty()) Expect(",", "','");
      const int high = FPos < FLine.size() ? HexDigit(FLine[FPos]) : -1;
      const int low = FPos + 1 < FLine.size() ? HexDigit(FLine[FPos + 1]) : -1;
      if (high < 0 || low < 0) throw TLineError{Format("expected two hex digits at column %zu", FPos + 1)};
      bytes.push_back(BYTE(high * 16 + low));
      FPos += 2;
    }
    return bytes;
  }

  DWORD Decimal() {
    uint64_t number = 0;
    size_t digits = 0;
    for (; !AtEnd() && FLine[FPos] >= '0' && FLine[FPos] <= '9' && digits < 10; ++FPos, ++digits)
      number = number * 10 + unsigned(FLine[FPos] - '0');
    if (digits == 0 || number > 0xFFFFFFFFu) throw TLineError{"expected a value type number"};
    return DWORD(number);
  }

private:
  char16_t Escape() {
    if (AtEnd()) throw TLineError{"unterminated quoted text"};
    switch (FLine[FPos++]) {
      case '\\': return u'\\';
      case '"': return u'"';
      case 'n': return u'\n';
      case 'r': return u'\r';
      case 't': return u'\t';
      case '0': return u'\0';
      case 'u': {
        // Exactly four digits: the text after them may start with a hex digit.
        char16_t unit = 0;
        for (int i = 0; i < 4; ++i, ++FPos) {
          const int digit = AtEnd() ? -1 : HexDigit(FLine[FPos]);
          if (digit < 0) throw TLineError{"\\u takes exactly 4 hex digits"};
          unit = char16_t(unit * 16 + digit);
        }
        return unit;
      }
      default: throw TLineError{Format("unknown escape at column %zu", FPos - 1)};
    }
  }

  std::string_view FLine;
  size_t FPos = 0;
};

std::vector<std::u16string> KeyPath(std::string_view text) {
  std::vector<std::u16string_view> names;
  const std::u16string path = Utf8ToUtf16(text);
  const LONG result = SplitKeyPath(path, names);
  if (result == ERROR_BAD_PATHNAME) throw TLineError{"a key path does not start with a backslash"};
  if (result != ERROR_SUCCESS) throw TLineError{"a key name is longer than 255 characters or the path too deep"};
  return std::vector<std::u16string>(names.begin(), names.end());
}

TRegistryValue ValueLine(std::string_view line) {
  TLineReader reader(line);
  TRegistryValue value;
  if (!reader.Skip("@")) {
    value.Name = reader.Quoted();
    if (value.Name.size() > MaxValueNameLength) throw TLineError{"a value name is longer than 16383 characters"};
  }
  reader.Expect("=", "'='");
  if (reader.Skip("dword:")) {
    const DWORD number = DWORD(reader.HexNumber(8));
    value.Type = REG_DWORD;
    value.Data.resize(sizeof number);
    std::memcpy(value.Data.data(), &number, sizeof number);
  } else if (reader.Skip("qword:")) {
    const uint64_t number = reader.HexNumber(16);
    value.Type = REG_QWORD;
    value.Data.resize(sizeof number);
    std::memcpy(value.Data.data(), &number, sizeof number);
  } else if (reader.Skip("hex:")) {
    value.Type = REG_BINARY;
    value.Data = reader.HexBytes();
  } else if (reader.Skip("hex(")) {
    value.Type = reader.Decimal();
    reader.Expect("):", "'):'");
    value.Data = reader.HexBytes();
  } else {
    value.Type = reader.Skip("expand:") ? REG_EXPAND_SZ : REG_SZ;
    value.Data = Bytes(reader.Quoted());
  }
  reader.ExpectEnd();
  return value;
}

bool Blank(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

void ParseFile(std::istream& file, std::vector<TFileKey>& keys, size_t& lineNumber) {
  std::string line;
  lineNumber = 0;
  bool sawHeader = false;
  while (std::getline(file, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!sawHeader) {
      if (line != "Zelk Registry 1") throw TLineError{"the file does not start with \"Zelk Registry 1\""};
      sawHeader = true;
    } else if (Blank(line) || line[0] == ';') {
      continue;
    } else if (line[0] == '[') {
      if (line.back() != ']' || line.size() < 2) throw TLineError{"a key line ends with ']'"};
      keys.push_back({KeyPath(std::string_view(line).substr(1, line.size() - 2)), {}});
    } else {
      if (keys.empty()) throw TLineError{"a value comes before the first [key] line"};
      keys.back().Values.push_back(ValueLine(line));
    }
  }
  if (!sawHeader) {
    lineNumber = 1;
    throw TLineError{"the file does not start with \"Zelk Registry 1\""};
  }
}

}  // namespace

bool LoadRegistryFile(const std::string& path, std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = Format("%s: cannot open the file: %s", path.c_str(), std::strerror(errno));
    return false;
  }
  std::vector<TFileKey> keys;
  size_t lineNumber = 0;
  try {
    ParseFile(file, keys, lineNumber);
  } catch (const TLineError& problem) {
    error = Format("%s:%zu: %s", path.c_str(), lineNumber, problem.Reason.c_str());
    return false;
  }
  if (file.bad()) {
    error = Format("%s: reading failed", path.c_str());
    return false;
  }

  std::unique_lock lock(RegistryLock());
  for (TFileKey& fileKey : keys) {
    std::shared_ptr<TRegistryKey> key = ClassesRootKey();
    for (const std::u16string& name : fileKey.Path) {
      bool created = false;
      key = key->AddSubKey(name, created);
    }
    for (TRegistryValue& value : fileKey.Values) key->SetValue(value.Name, value.Type, std::move(value.Data));
  }
  return true;
}
