#pragma once
// The computers this machine knows by name, as the network neighbourhood lists them.

#include <istream>
#include <string>
#include <vector>

// NetBIOS-style names (first label, upper case, at most 15 characters) of the hosts file's
// entries that are not loopback or IPv6 multicast addresses; names with characters other than
// letters, digits, '-' and '_' are skipped. Sorted, without duplicates, at most 4096.
std::vector<std::u16string> ComputerNamesFromHosts(std::istream& hosts);

// This computer (GetComputerNameW) and the names of /etc/hosts, sorted, without duplicates.
std::vector<std::u16string> KnownComputerNames();
