#include "platform/win/KnownComputers.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "platform/win/NameCase.h"
#include "platform/win/WinBase.h"

namespace {

constexpr size_t MaxKnownComputers = 4096;

bool IsLoopbackOrMulticast(const std::string& address) {
  return address.rfind("127.", 0) == 0 || address == "::1" || address.rfind("fe00:", 0) == 0 ||
         address.rfind("ff0", 0) == 0 || address.rfind("::ffff:127.", 0) == 0;
}

// The NetBIOS form of a host name; empty when the name does not make one.
std::u16string NetBiosName(const std::string& host) {
  std::u16string name;
  for (char c : host.substr(0, host.find('.'))) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    const bool digit = c >= '0' && c <= '9';
    if (!letter && !digit && c != '-' && c != '_') return {};
    if (name.size() < MAX_COMPUTERNAME_LENGTH) name += char16_t(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  return name;
}

void SortUnique(std::vector<std::u16string>& names) {
  std::sort(names.begin(), names.end(),
            [](const auto& a, const auto& b) { return CompareNamesIgnoringCase(a, b) < 0; });
  names.erase(std::unique(names.begin(), names.end(),
                          [](const auto& a, const auto& b) { return SameNameIgnoringCase(a, b); }),
              names.end());
}

}  // namespace

std::vector<std::u16string> ComputerNamesFromHosts(std::istream& hosts) {
  std::vector<std::u16string> names;
  std::string line;
  while (names.size() < MaxKnownComputers && std::getline(hosts, line)) {
    line = line.substr(0, line.find('#'));
    std::istringstream fields(line);
    std::string address;
    if (!(fields >> address) || IsLoopbackOrMulticast(address)) continue;
    for (std::string host; names.size() < MaxKnownComputers && fields >> host;)
      if (std::u16string name = NetBiosName(host); !name.empty() && name != u"LOCALHOST") names.push_back(name);
  }
  SortUnique(names);
  return names;
}

std::vector<std::u16string> KnownComputerNames() {
  std::ifstream hosts("/etc/hosts");
  std::vector<std::u16string> names = ComputerNamesFromHosts(hosts);
  WCHAR self[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (GetComputerNameW(self, &size)) names.emplace_back(self, size);
  SortUnique(names);
  return names;
}
