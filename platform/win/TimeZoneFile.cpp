// Compiled zone files (TZif) as the time-zone database installs them. The file is read whole
// and every count is checked against what is left before anything is indexed.

#include <cstring>
#include <fstream>
#include <limits>

#include "platform/win/CivilTime.h"
#include "platform/win/TimeZoneRules.h"

namespace {

constexpr size_t kMaxFileSize = 1 << 20;
// UT offsets a zone file may state (seconds).
constexpr int32_t kMinUtOffset = -89999;
constexpr int32_t kMaxUtOffset = 93599;

class TByteReader {
 public:
  TByteReader(const std::string& bytes) : FBytes(bytes) {}

  size_t Left() const { return FBytes.size() - FPos; }
  bool Skip(uint64_t count) {
    if (count > Left()) return false;
    FPos += size_t(count);
    return true;
  }
  const char* Here() const { return FBytes.data() + FPos; }
  uint8_t Byte() { return uint8_t(FBytes[FPos++]); }
  int64_t BigEndian(int size) {
    uint64_t value = 0;
    for (int i = 0; i < size; ++i) value = value << 8 | Byte();
    // Sign-extend 32-bit values.
    return size == 4 ? int64_t(int32_t(uint32_t(value))) : int64_t(value);
  }

 private:
  const std::string& FBytes;
  size_t FPos = 0;
};

struct THeader {
  char Version;
  uint32_t UtIndicators, StdIndicators, LeapSeconds, Transitions, Types, NameChars;

  uint64_t DataSize(int timeSize) const {
    return uint64_t(Transitions) * (timeSize + 1) + uint64_t(Types) * 6 + NameChars +
           uint64_t(LeapSeconds) * (timeSize + 4) + StdIndicators + UtIndicators;
  }
};

bool ReadHeader(TByteReader& reader, int timeSize, THeader& header) {
  if (reader.Left() < 44 || std::memcmp(reader.Here(), "TZif", 4) != 0) return false;
  header.Version = reader.Here()[4];
  reader.Skip(20);
  header.UtIndicators = uint32_t(reader.BigEndian(4));
  header.StdIndicators = uint32_t(reader.BigEndian(4));
  header.LeapSeconds = uint32_t(reader.BigEndian(4));
  header.Transitions = uint32_t(reader.BigEndian(4));
  header.Types = uint32_t(reader.BigEndian(4));
  header.NameChars = uint32_t(reader.BigEndian(4));
  return header.Types >= 1 && header.Types <= 256 && header.NameChars >= 1 &&
         header.DataSize(timeSize) <= reader.Left();
}

// Seconds since 1970 as ticks; instants before the ticks' range collapse onto its start,
// later ones are dropped.
bool SecondsToTicks(int64_t seconds, int64_t& ticks) {
  constexpr int64_t kMin = (std::numeric_limits<int64_t>::min() + kUnixEpochTicks) / kTicksPerSecond + 1;
  constexpr int64_t kMax = (std::numeric_limits<int64_t>::max() - kUnixEpochTicks) / kTicksPerSecond - 1;
  if (seconds > kMax) return false;
  ticks = seconds < kMin ? std::numeric_limits<int64_t>::min() + 1 : seconds * kTicksPerSecond + kUnixEpochTicks;
  return true;
}

bool ReadData(TByteReader& reader, const THeader& header, int timeSize, TZoneSource& zone) {
  std::vector<int64_t> times(header.Transitions);
  for (auto& time : times) time = reader.BigEndian(timeSize);
  std::vector<uint8_t> typeOfTransition(header.Transitions);
  for (auto& type : typeOfTransition) {
    type = reader.Byte();
    if (type >= header.Types) return false;
  }
  std::vector<TZonePeriod> types(header.Types);
  std::vector<uint8_t> nameAt(header.Types);
  for (size_t i = 0; i < types.size(); ++i) {
    auto utOffset = int32_t(reader.BigEndian(4));
    if (utOffset < kMinUtOffset || utOffset > kMaxUtOffset) return false;
    types[i].Offset = utOffset * kTicksPerSecond;
    types[i].IsDst = reader.Byte() != 0;
    nameAt[i] = reader.Byte();
    if (nameAt[i] >= header.NameChars) return false;
  }
  std::string chars(reader.Here(), header.NameChars);
  reader.Skip(header.NameChars);
  reader.Skip(uint64_t(header.LeapSeconds) * (timeSize + 4) + header.StdIndicators + header.UtIndicators);
  for (size_t i = 0; i < types.size(); ++i) types[i].Name = ZoneNameIndex(zone, chars.substr(nameAt[i]).c_str());

  // Before the first change the first standard-time type holds (the C library's choice).
  size_t initial = 0;
  while (initial < types.size() && types[initial].IsDst) ++initial;
  zone.Periods.assign(1, types[initial == types.size() ? 0 : initial]);
  zone.Periods[0].At = std::numeric_limits<int64_t>::min();
  for (size_t i = 0; i < times.size(); ++i) {
    if (i > 0 && times[i] <= times[i - 1]) return false;
    TZonePeriod period = types[typeOfTransition[i]];
    if (!SecondsToTicks(times[i], period.At)) break;
    zone.Periods.push_back(period);
  }
  return true;
}

}  // namespace

bool LoadZoneFile(const std::string& Path, TZoneSource& Zone) {
  std::ifstream file(Path, std::ios::binary);
  if (!file) return false;
  std::string bytes;
  bytes.resize(kMaxFileSize + 1);
  file.read(bytes.data(), std::streamsize(bytes.size()));
  bytes.resize(size_t(file.gcount()));
  if (bytes.size() > kMaxFileSize) return false;

  TByteReader reader(bytes);
  THeader header;
  if (!ReadHeader(reader, 4, header)) return false;
  TZoneSource zone;
  int timeSize = 4;
  if (header.Version >= '2') {
    // Version 2 and later repeat the data with 64-bit times after the first block.
    reader.Skip(header.DataSize(4));
    if (!ReadHeader(reader, 8, header)) return false;
    timeSize = 8;
  }
  if (!ReadData(reader, header, timeSize, zone)) return false;
  if (timeSize == 8 && reader.Left() > 1 && reader.Byte() == '\n') {
    std::string_view rest(reader.Here(), reader.Left());
    size_t end = rest.find('\n');
    TYearlyRule rule;
    if (end != std::string_view::npos && ParsePosixTimeZone(rest.substr(0, end), rule)) zone.Rule = rule;
  }
  Zone = std::move(zone);
  return true;
}
