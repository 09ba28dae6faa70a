#pragma once
// Recorded history: a folder of CSV files, one per item. The file's path below the folder
// names the item: folders are branches, the file name without ".csv" (any case) is the item
// name, the item id joins them with dots ("Site/Line1/Speed.csv" is "Site.Line1.Speed"). A
// name holding a dot, or an id another item already has, is reported and the file skipped.
//
// Each line: <time>,<value>[,<quality>]
//   time     UTC ISO 8601, "2024-03-01T12:00:00Z" (see HdaParseIsoTime); not before 2000-01-01
//   value    a number makes the item VT_R8, anything else VT_BSTR; the first sample's value
//            decides for the whole file, and a later value that is not a number in a VT_R8
//            file is malformed. A value may be put in double quotes (a doubled quote inside
//            stands for one) to hold commas or blanks; numbers may have blanks around them.
//   quality  the OPC quality, decimal (192) or hexadecimal with 0x (0xC0), 0 to 0xFFFF;
//            good (192) when left out.
// Blank lines and lines starting with '#' are skipped, as is a first line whose first field
// is not a time (a header such as "time,value,quality"). The lines may come in any order:
// samples are sorted by time, and of several at one time the last line wins. A malformed line
// is reported as "<file>:<line>: <reason>" and skipped; nothing stops the loading.

#include <istream>
#include <string>
#include <vector>

#include "servers/hdasim/HdaTypes.h"

struct HdaCsvItem {
  std::string ItemId;
  std::string RelativePath;  // with '/' between folders
  HdaVarType Type = hvtR8;
  std::vector<HdaSample> Samples;  // sorted, one per time, qualities with HDA_RAW
};

struct HdaCsvArchive {
  std::vector<HdaCsvItem> Items;  // in path order
  std::vector<std::string> Diagnostics;
};

// Reads one file's lines into item (Type and Samples); `fileName` only labels diagnostics.
void ParseCsvHistory(std::istream& in, const std::string& fileName, HdaCsvItem& item,
                     std::vector<std::string>& diagnostics);

// Every *.csv below the folder. A folder that cannot be read is one diagnostic.
HdaCsvArchive LoadCsvArchive(const std::string& folder);
