#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/win/KnownComputers.h"
#include "platform/win32.h"

namespace {

std::u16string ThisComputer() {
  WCHAR name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  EXPECT_TRUE(GetComputerNameW(name, &size));
  return name;
}

// Every record of the container, read in one large buffer.
std::vector<NETRESOURCEW> Content(NETRESOURCEW* container, std::vector<BYTE>& buffer) {
  HANDLE enumeration = nullptr;
  EXPECT_EQ(WNetOpenEnumW(RESOURCE_GLOBALNET, RESOURCETYPE_ANY, 0, container, &enumeration), DWORD(NO_ERROR));
  buffer.assign(16384, 0);
  DWORD count = 0xFFFFFFFF;
  DWORD size = DWORD(buffer.size());
  std::vector<NETRESOURCEW> records;
  if (WNetEnumResourceW(enumeration, &count, buffer.data(), &size) == NO_ERROR) {
    const auto* first = reinterpret_cast<const NETRESOURCEW*>(buffer.data());
    records.assign(first, first + count);
  }
  WNetCloseEnum(enumeration);
  return records;
}

}  // namespace

TEST(NetworkNeighbourhood, NetworkWorkgroupAndComputers) {
  std::vector<BYTE> top, network, workgroup;
  std::vector<NETRESOURCEW> networks = Content(nullptr, top);
  ASSERT_EQ(networks.size(), 1u);
  EXPECT_EQ(networks[0].dwDisplayType, DWORD(RESOURCEDISPLAYTYPE_NETWORK));
  EXPECT_EQ(networks[0].dwUsage, DWORD(RESOURCEUSAGE_CONTAINER));
  EXPECT_EQ(networks[0].dwScope, DWORD(RESOURCE_GLOBALNET));
  EXPECT_EQ(networks[0].lpLocalName, nullptr);

  std::vector<NETRESOURCEW> domains = Content(&networks[0], network);
  ASSERT_EQ(domains.size(), 1u);
  EXPECT_EQ(domains[0].dwDisplayType, DWORD(RESOURCEDISPLAYTYPE_DOMAIN));
  EXPECT_EQ(std::u16string(domains[0].lpRemoteName), u"WORKGROUP");

  std::vector<NETRESOURCEW> computers = Content(&domains[0], workgroup);
  bool sawSelf = false;
  for (const NETRESOURCEW& computer : computers) {
    EXPECT_EQ(computer.dwDisplayType, DWORD(RESOURCEDISPLAYTYPE_SERVER));
    EXPECT_EQ(std::u16string(computer.lpRemoteName).substr(0, 2), u"\\\\");
    EXPECT_EQ(std::u16string(computer.lpComment), u"");
    // The strings lie inside the caller's buffer.
    EXPECT_GE(reinterpret_cast<BYTE*>(computer.lpRemoteName), workgroup.data());
    EXPECT_LT(reinterpret_cast<BYTE*>(computer.lpRemoteName), workgroup.data() + workgroup.size());
    sawSelf = sawSelf || std::u16string(computer.lpRemoteName) == u"\\\\" + ThisComputer();
  }
  EXPECT_TRUE(sawSelf);
  // A computer's shares are not listed.
  EXPECT_TRUE(Content(&computers[0], top).empty());
}

TEST(NetworkNeighbourhood, EnumerationResults) {
  HANDLE enumeration = nullptr;
  ASSERT_EQ(WNetOpenEnumW(RESOURCE_GLOBALNET, RESOURCETYPE_ANY, RESOURCEUSAGE_CONTAINER, nullptr, &enumeration),
            DWORD(NO_ERROR));
  // Too small for the one record: the size it needs.
  BYTE buffer[1024];
  DWORD count = 1;
  DWORD size = sizeof(NETRESOURCEW);
  EXPECT_EQ(WNetEnumResourceW(enumeration, &count, buffer, &size), DWORD(ERROR_MORE_DATA));
  EXPECT_GT(size, sizeof(NETRESOURCEW));
  const DWORD needed = size;
  EXPECT_EQ(WNetEnumResourceW(enumeration, &count, buffer, &size), DWORD(NO_ERROR));
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(size, needed);
  count = 1;
  EXPECT_EQ(WNetEnumResourceW(enumeration, &count, buffer, &size), DWORD(ERROR_NO_MORE_ITEMS));
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(WNetCloseEnum(enumeration), DWORD(NO_ERROR));
  EXPECT_EQ(WNetCloseEnum(enumeration), DWORD(ERROR_INVALID_HANDLE));
  EXPECT_EQ(WNetEnumResourceW(enumeration, &count, buffer, &size), DWORD(ERROR_INVALID_HANDLE));

  // Nothing is connected here.
  ASSERT_EQ(WNetOpenEnumW(RESOURCE_CONNECTED, RESOURCETYPE_ANY, 0, nullptr, &enumeration), DWORD(NO_ERROR));
  count = 0xFFFFFFFF;
  size = sizeof buffer;
  EXPECT_EQ(WNetEnumResourceW(enumeration, &count, buffer, &size), DWORD(ERROR_NO_MORE_ITEMS));
  WNetCloseEnum(enumeration);

  WCHAR otherName[] = u"OTHERDOMAIN";
  NETRESOURCEW other = {RESOURCE_GLOBALNET, RESOURCETYPE_ANY, RESOURCEDISPLAYTYPE_DOMAIN, RESOURCEUSAGE_CONTAINER,
                        nullptr, otherName, nullptr, nullptr};
  enumeration = reinterpret_cast<HANDLE>(1);
  EXPECT_EQ(WNetOpenEnumW(RESOURCE_GLOBALNET, RESOURCETYPE_ANY, 0, &other, &enumeration), DWORD(ERROR_BAD_NETPATH));
  EXPECT_EQ(enumeration, nullptr);
  other.dwUsage = RESOURCEUSAGE_CONNECTABLE;
  EXPECT_EQ(WNetOpenEnumW(RESOURCE_GLOBALNET, RESOURCETYPE_ANY, 0, &other, &enumeration), DWORD(ERROR_NOT_CONTAINER));
  EXPECT_EQ(WNetOpenEnumW(9, RESOURCETYPE_ANY, 0, nullptr, &enumeration), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(WNetOpenEnumW(RESOURCE_GLOBALNET, RESOURCETYPE_ANY, 0, nullptr, nullptr), DWORD(ERROR_INVALID_PARAMETER));
}

TEST(KnownComputers, NamesFromTheHostsFile) {
  std::istringstream hosts(
      "127.0.0.1 localhost\n"
      "127.0.1.1 builder.example.org builder\n"
      "::1 localhost ip6-localhost ip6-loopback\n"
      "ff02::1 ip6-allnodes\n"
      "# 10.0.0.9 commented\n"
      "10.0.0.5 historian.plant.example.org historian # the OPC server\n"
      "10.0.0.6 averyveryverylonghostname bad!name\n"
      "10.0.0.7 HISTORIAN\n"
      "192.168.1.2\n");
  EXPECT_EQ(ComputerNamesFromHosts(hosts), (std::vector<std::u16string>{u"AVERYVERYVERYLO", u"HISTORIAN"}));
}
