#include "servers/hdasim/HdaCsvArchive.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/rtl/StringUtils.h"
#include "servers/hdasim/HdaTime.h"

namespace {

// Splits a line at commas; a field in double quotes may hold commas and doubled quotes.
// False on a quote left open or text after a closing quote.
bool SplitFields(const std::string& line, std::vector<std::string>& fields) {
  fields.clear();
  size_t pos = 0;
  for (;;) {
    std::string field;
    size_t start = pos;
    while (start < line.size() && line[start] == ' ')
      ++start;
    if (start < line.size() && line[start] == '"') {
      size_t at = start + 1;
      for (;;) {
        if (at >= line.size()) return false;
        if (line[at] == '"') {
          if (at + 1 < line.size() && line[at + 1] == '"') {
            field += '"';
            at += 2;
            continue;
          }
          ++at;
          break;
        }
        field += line[at++];
      }
      while (at < line.size() && line[at] == ' ')
        ++at;
      if (at < line.size() && line[at] != ',') return false;
      pos = at;
    } else {
      const size_t comma = line.find(',', pos);
      field = Trim(line.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos));
      pos = comma == std::string::npos ? line.size() : comma;
    }
    fields.push_back(std::move(field));
    if (pos >= line.size()) return true;
    ++pos;  // past the comma
  }
}

bool ParseNumber(const std::string& text, double& number) {
  const std::string trimmed = Trim(text);
  if (trimmed.empty()) return false;
  const char* last = trimmed.data() + trimmed.size();
  const auto result = std::from_chars(trimmed.data(), last, number);
  return result.ec == std::errc() && result.ptr == last && std::isfinite(number);
}

std::optional<uint32_t> ParseQuality(const std::string& text) {
  const std::string trimmed = Trim(text);
  const bool hex = trimmed.size() > 2 && trimmed[0] == '0' && (trimmed[1] == 'x' || trimmed[1] == 'X');
  const char* first = trimmed.data() + (hex ? 2 : 0);
  const char* last = trimmed.data() + trimmed.size();
  if (first == last) return std::nullopt;
  uint32_t quality = 0;
  const auto result = std::from_chars(first, last, quality, hex ? 16 : 10);
  if (result.ec != std::errc() || result.ptr != last || quality > DA_QUALITY_MASK) return std::nullopt;
  return quality;
}

}  // namespace

void ParseCsvHistory(std::istream& in, const std::string& fileName, HdaCsvItem& item,
                     std::vector<std::string>& diagnostics) {
  std::vector<HdaSample> samples;
  std::vector<std::string> fields;
  std::string line;
  bool typeKnown = false;
  bool firstLine = true;
  for (size_t number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == '#') continue;
    const bool header = firstLine;
    firstLine = false;
    auto report = [&](const std::string& reason) {
      diagnostics.push_back(Format("%s:%zu: %s", fileName.c_str(), number, reason.c_str()));
    };
    if (!SplitFields(line, fields)) {
      report("unbalanced quotes");
      continue;
    }
    const auto time = HdaParseIsoTime(Trim(fields[0]));
    if (!time) {
      if (!header) report(Format("'%s' is not an ISO 8601 UTC time stamp", Trim(fields[0]).c_str()));
      continue;
    }
    if (fields.size() < 2 || fields.size() > 3) {
      report("expected <time>,<value>[,<quality>]");
      continue;
    }
    if (*time < HdaEpoch) {
      report("time stamp before 2000-01-01, where history begins");
      continue;
    }
    if (Trim(fields[1]).empty()) {
      report("no value");
      continue;
    }
    uint32_t quality = DA_QUALITY_GOOD;
    if (fields.size() == 3) {
      const auto parsed = ParseQuality(fields[2]);
      if (!parsed) {
        report(Format("'%s' is not an OPC quality (0 to 65535, or 0x0 to 0xFFFF)", Trim(fields[2]).c_str()));
        continue;
      }
      quality = *parsed;
    }
    double value = 0;
    const bool numeric = ParseNumber(fields[1], value);
    if (!typeKnown) {
      item.Type = numeric ? hvtR8 : hvtBSTR;
      typeKnown = true;
    }
    if (item.Type == hvtR8 && !numeric) {
      report(Format("'%s' is not a number", fields[1].c_str()));
      continue;
    }
    samples.push_back(HdaSample{*time, item.Type == hvtR8 ? HdaValue(value) : HdaValue(fields[1]), HDA_RAW | quality});
  }
  std::stable_sort(samples.begin(), samples.end(),
                   [](const HdaSample& a, const HdaSample& b) { return a.Time < b.Time; });
  // Of samples at one time the last written wins: keep the last of each run.
  std::vector<HdaSample> unique;
  for (size_t i = 0; i < samples.size(); ++i)
    if (i + 1 == samples.size() || samples[i + 1].Time != samples[i].Time) unique.push_back(std::move(samples[i]));
  item.Samples = std::move(unique);
}

HdaCsvArchive LoadCsvArchive(const std::string& folder) {
  namespace fs = std::filesystem;
  HdaCsvArchive archive;
  std::error_code error;
  std::vector<fs::path> files;
  fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
  if (error) {
    archive.Diagnostics.push_back(Format("%s: %s", folder.c_str(), error.message().c_str()));
    return archive;
  }
  for (const fs::recursive_directory_iterator end; it != end; it.increment(error)) {
    if (error) {
      archive.Diagnostics.push_back(Format("%s: %s", folder.c_str(), error.message().c_str()));
      break;
    }
    const fs::path& path = it->path();
    if (it->is_regular_file(error) && SameText(path.extension().string(), ".csv")) files.push_back(path);
  }
  std::sort(files.begin(), files.end());

  for (const fs::path& path : files) {
    const std::string relative = fs::relative(path, folder, error).generic_string();
    std::string itemId;
    bool usable = !error;
    fs::path parts = fs::path(relative).parent_path() / path.stem();
    for (const fs::path& part : parts) {
      const std::string name = part.string();
      if (name.empty() || name.find('.') != std::string::npos) usable = false;
      itemId += (itemId.empty() ? "" : ".") + name;
    }
    if (!usable) {
      archive.Diagnostics.push_back(Format("%s: a folder or file name holds a dot; file skipped", relative.c_str()));
      continue;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      archive.Diagnostics.push_back(Format("%s: cannot be opened", relative.c_str()));
      continue;
    }
    HdaCsvItem item;
    item.ItemId = itemId;
    item.RelativePath = relative;
    ParseCsvHistory(in, relative, item, archive.Diagnostics);
    archive.Items.push_back(std::move(item));
  }
  return archive;
}
