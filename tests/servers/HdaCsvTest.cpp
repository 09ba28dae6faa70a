// Recorded history from CSV files: time stamps, line rules, diagnostics, and the recorded
// items served like generated ones.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "servers/hdasim/HdaAggregates.h"
#include "servers/hdasim/HdaAttributes.h"
#include "servers/hdasim/HdaCsvArchive.h"
#include "tests/servers/HdaTestSupport.h"

namespace fs = std::filesystem;

namespace {

HdaCsvItem Parse(const std::string& text, std::vector<std::string>& diagnostics) {
  std::istringstream in(text);
  HdaCsvItem item;
  ParseCsvHistory(in, "x.csv", item, diagnostics);
  return item;
}

class TempFolder {
public:
  TempFolder() : FPath(fs::temp_directory_path() / ("zelk_hdasim_" + std::to_string(getpid()))) {
    fs::remove_all(FPath);
    fs::create_directories(FPath);
  }
  ~TempFolder() { fs::remove_all(FPath); }
  void Write(const std::string& relative, const std::string& text) const {
    fs::create_directories((FPath / relative).parent_path());
    std::ofstream(FPath / relative, std::ios::binary) << text;
  }
  std::string Path() const { return FPath.string(); }

private:
  fs::path FPath;
};

}  // namespace

TEST(HdaCsv, IsoTimeStamps) {
  EXPECT_EQ(HdaParseIsoTime("2000-01-01T00:00:00Z"), HdaEpoch);
  EXPECT_EQ(HdaParseIsoTime("2000-01-01 00:00:00"), HdaEpoch);
  EXPECT_EQ(HdaParseIsoTime("2000-01-02T12:34:56.5Z"), TestNow + Sec / 2);
  EXPECT_EQ(HdaParseIsoTime("2000-01-02T12:34:56.0000001"), TestNow + 1);
  EXPECT_EQ(HdaParseIsoTime("2024-02-29T23:59:59Z"), HdaTicksFromUtc(2024, 2, 29, 23, 59, 59));
  EXPECT_EQ(HdaParseIsoTime("1601-01-01T00:00:00Z"), 0);
  for (const char* bad :
       {"2023-02-29T00:00:00Z", "2000-13-01T00:00:00Z", "2000-01-01T24:00:00Z", "2000-01-01T00:60:00Z",
        "2000-01-01T00:00:00.12345678Z", "2000-01-01T00:00:00.Z", "2000-01-01T00:00:00ZZ", "2000-01-01T00:00:00+01:00",
        "2000-01-01", "1600-12-31T00:00:00Z", " 2000-01-01T00:00:00Z", "2000-1-01T00:00:00Z", ""})
    EXPECT_FALSE(HdaParseIsoTime(bad).has_value()) << bad;
  EXPECT_EQ(HdaFormatIsoTime(TestNow), "2000-01-02T12:34:56Z");
  EXPECT_EQ(HdaFormatIsoTime(TestNow + 5), "2000-01-02T12:34:56.0000005Z");
  EXPECT_EQ(HdaFormatIsoTime(HdaTicksFromUtc(2100, 3, 1)), "2100-03-01T00:00:00Z");
}

TEST(HdaCsv, LinesSortedDuplicatesAndMalformed) {
  std::vector<std::string> diagnostics;
  HdaCsvItem item = Parse(
      "time,value,quality\r\n"
      "# comment\n"
      "2000-01-01T00:00:20Z,2.5\n"
      "\n"
      "2000-01-01T00:00:00Z, 1e3 ,0x40\n"
      "2000-01-01T00:00:10Z,7,192\n"
      "2000-01-01T00:00:20Z,3.5,0\n"      // same time as line 3: this one wins
      "2000-01-01T00:00:30Z,abc\n"        // 8: not a number in a numeric file
      "2000-01-01T00:00:40Z,1,0x10000\n"  // 9: quality too large
      "2000-01-01T00:00:40Z,1,2,3\n"      // 10: too many fields
      "yesterday,1\n"                     // 11: not a time
      "1999-12-31T23:59:59Z,1\n"          // 12: before history
      "2000-01-01T00:00:50Z,\n"           // 13: no value
      "2000-01-01T00:00:50Z,-0.25,-1\n",  // 14: negative quality
      diagnostics);
  EXPECT_EQ(item.Type, hvtR8);
  ASSERT_EQ(item.Samples.size(), 3u);
  EXPECT_EQ(item.Samples[0].Time, HdaEpoch);
  EXPECT_EQ(item.Samples[0].Value, HdaValue(1000.0));
  EXPECT_EQ(item.Samples[0].Quality, HDA_RAW | 0x40u);
  EXPECT_EQ(item.Samples[1].Quality, HDA_RAW | 0xC0u);
  EXPECT_EQ(item.Samples[2].Value, HdaValue(3.5));
  EXPECT_EQ(item.Samples[2].Quality, HDA_RAW | 0u);
  ASSERT_EQ(diagnostics.size(), 7u);
  EXPECT_EQ(diagnostics[0], "x.csv:8: 'abc' is not a number");
  EXPECT_EQ(diagnostics[1].rfind("x.csv:9: ", 0), 0u);
  EXPECT_EQ(diagnostics[2], "x.csv:10: expected <time>,<value>[,<quality>]");
  EXPECT_EQ(diagnostics[3], "x.csv:11: 'yesterday' is not an ISO 8601 UTC time stamp");
  EXPECT_EQ(diagnostics[4].rfind("x.csv:12: ", 0), 0u);
  EXPECT_EQ(diagnostics[5], "x.csv:13: no value");
  EXPECT_EQ(diagnostics[6].rfind("x.csv:14: ", 0), 0u);

  // Text: the first value decides; quotes keep commas, blanks and doubled quotes.
  diagnostics.clear();
  item = Parse(
      "2000-01-01T01:00:00Z,\"started, \"\"A\"\" \"\n"
      "2000-01-01T00:00:00Z,idle\n"
      "2000-01-01T02:00:00Z,42\n"
      "2000-01-01T03:00:00Z,\"open\n"
      "2000-01-01T03:00:00Z,\"x\" y\n",
      diagnostics);
  EXPECT_EQ(item.Type, hvtBSTR);
  ASSERT_EQ(item.Samples.size(), 3u);
  EXPECT_EQ(item.Samples[0].Value, HdaValue(std::string("idle")));
  EXPECT_EQ(item.Samples[1].Value, HdaValue(std::string("started, \"A\" ")));
  EXPECT_EQ(item.Samples[2].Value, HdaValue(std::string("42")));
  EXPECT_EQ(diagnostics, (std::vector<std::string>{"x.csv:4: unbalanced quotes", "x.csv:5: unbalanced quotes"}));

  // A first line that is a malformed sample, not a header, is still reported when later.
  diagnostics.clear();
  item = Parse("2000-01-01T00:00:00Z,1\nnot a header\n", diagnostics);
  EXPECT_EQ(item.Samples.size(), 1u);
  EXPECT_EQ(diagnostics.size(), 1u);
}

TEST(HdaCsv, RecordedItemsInTheHistorian) {
  TempFolder folder;
  folder.Write("Site/Line1/Speed.csv",
               "time,value\n"
               "2000-01-01T00:02:00Z,30\n"
               "2000-01-01T00:00:00Z,10\n"
               "2000-01-01T00:01:00Z,20\n"
               "2000-01-01T00:03:00Z,oops\n"
               "2000-01-03T00:00:00Z,99\n");  // after now: not yet history
  folder.Write("Site/Notes.CSV", "2000-01-01T00:00:00Z,shift A\n2000-01-01T08:00:00Z,shift B\n");
  folder.Write("Site/Bad.Name.csv", "2000-01-01T00:00:00Z,1\n");
  folder.Write("Test/Ramp.csv", "2000-01-01T00:00:00Z,1\n");
  folder.Write("Site/readme.txt", "not history");

  HdaHistorianOptions options;
  options.Clock = [] { return TestNow; };
  options.DataFolder = folder.Path();
  HdaHistorian historian(options);

  const std::vector<std::string>& diagnostics = historian.Diagnostics();
  ASSERT_EQ(diagnostics.size(), 3u);
  EXPECT_EQ(diagnostics[0], "Site/Bad.Name.csv: a folder or file name holds a dot; file skipped");
  EXPECT_EQ(diagnostics[1], "Site/Line1/Speed.csv:5: 'oops' is not a number");
  EXPECT_EQ(diagnostics[2], "Test/Ramp.csv: the item id Test.Ramp is taken; file skipped");

  const int speed = historian.FindItem("Site.Line1.Speed");
  const int notes = historian.FindItem("Site.Notes");
  ASSERT_GE(speed, 0);
  ASSERT_GE(notes, 0);
  EXPECT_EQ(historian.FindItem("Site.readme"), -1);
  const HdaBranch* site = historian.AddressSpace().FindBranch("Site");
  ASSERT_NE(site, nullptr);
  EXPECT_EQ(site->Items(), std::vector<int>{notes});
  EXPECT_NE(site->FindBranch("Line1"), nullptr);

  RawAnswer answer = ReadRaw(historian, "Site.Line1.Speed", HdaEpoch, TestNow + HdaTicksPerDay, 0, true);
  ASSERT_EQ(answer.Samples.size(), 4u);  // three samples and a missing end bound
  EXPECT_EQ(answer.Samples[2].Value, HdaValue(30.0));
  EXPECT_EQ(answer.Samples[3].Quality, HDA_NOBOUND | DA_QUALITY_BAD);
  EXPECT_EQ(ReadRaw(historian, "Site.Notes", Epoch(9), HdaEpoch).Samples[0].Value, HdaValue(std::string("shift B")));

  std::vector<HdaSample> values;
  historian.ReadAtTime(speed, {Epoch(0, 0, 30), Epoch(1)}, values);
  EXPECT_EQ(values[0].Value, HdaValue(15.0));
  EXPECT_EQ(values[1].Quality, HDA_INTERPOLATED | DA_QUALITY_UNCERTAIN);  // past the last sample
  historian.ReadProcessed(speed, {HdaEpoch, Epoch(0, 3), 0, HDA_AGG_AVERAGE}, values);
  EXPECT_EQ(values[0].Value, HdaValue(20.0));
  historian.ReadProcessed(notes, {HdaEpoch, Epoch(9), 0, HDA_AGG_COUNT}, values);
  EXPECT_EQ(values[0].Value, HdaValue(int32_t(2)));

  EXPECT_EQ(historian.Update({{speed, hetReplace, Epoch(0, 1), 25.0, DA_QUALITY_GOOD}}, "ann")[0], HdaStatus::Ok);
  EXPECT_EQ(historian.View(speed).At(Epoch(0, 1))->Value, HdaValue(25.0));

  HdaValue value;
  historian.ReadAttribute(speed, HDA_ATTR_NORMAL_MAXIMUM, value);
  EXPECT_EQ(value, HdaValue(99.0));
  historian.ReadAttribute(speed, HDA_ATTR_MIN_TIME_INT, value);
  EXPECT_EQ(value, HdaValue(60.0));
  historian.ReadAttribute(notes, HDA_ATTR_DATA_TYPE, value);
  EXPECT_EQ(value, HdaValue(int32_t(hvtBSTR)));
  historian.ReadAttribute(notes, HDA_ATTR_SOURCE_NAME, value);
  EXPECT_EQ(value, HdaValue(std::string("Site/Notes.CSV")));
}

TEST(HdaCsv, MissingFolderAndEnvironment) {
  HdaHistorianOptions options;
  options.Clock = [] { return TestNow; };
  options.DataFolder = "/nonexistent/zelk/hdasim";
  HdaHistorian historian(options);
  ASSERT_EQ(historian.Diagnostics().size(), 1u);
  EXPECT_EQ(historian.Diagnostics()[0].rfind("/nonexistent/zelk/hdasim: ", 0), 0u);
  EXPECT_GE(historian.FindItem("Test.Ramp"), 0);

  setenv("ZELK_HDASIM_DATA", "/srv/history", 1);
  EXPECT_EQ(HdaDataFolderFromEnvironment(), "/srv/history");
  unsetenv("ZELK_HDASIM_DATA");
  EXPECT_EQ(HdaDataFolderFromEnvironment(), "");
}
