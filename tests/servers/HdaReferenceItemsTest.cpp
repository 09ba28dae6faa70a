// The reference items answer exactly as documented, and the address space and attributes
// describe them.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "servers/hdasim/HdaAttributes.h"
#include "tests/servers/HdaTestSupport.h"

namespace {

// The definitions, written out again independently of the signal table.
double RampAt(int64_t time) {
  return static_cast<double>((time - HdaEpoch) / (10 * Sec) % 1000);
}
double SineAt(int64_t time) {
  return 50 + 50 * std::sin(2 * std::numbers::pi * static_cast<double>((time - HdaEpoch) / Sec) / 600);
}

HdaSample Exact(const HdaHistorian& historian, const char* itemId, int64_t time) {
  auto sample = historian.View(historian.FindItem(itemId)).At(time);
  EXPECT_TRUE(sample.has_value()) << itemId << " has no sample at " << HdaFormatIsoTime(time);
  return sample.value_or(HdaSample{});
}

bool Present(const HdaHistorian& historian, const char* itemId, int64_t time) {
  return historian.View(historian.FindItem(itemId)).At(time).has_value();
}

}  // namespace

TEST(HdaReferenceItems, ValuesAtChosenTimes) {
  const auto historian = MakeHistorian();
  const uint32_t goodRaw = HDA_RAW | DA_QUALITY_GOOD;

  HdaSample s = Exact(*historian, "Test.Ramp", HdaEpoch);
  EXPECT_EQ(s.Value, HdaValue(0.0));
  EXPECT_EQ(s.Quality, goodRaw);
  EXPECT_EQ(Exact(*historian, "Test.Ramp", Epoch(1)).Value, HdaValue(360.0));
  EXPECT_EQ(Exact(*historian, "Test.Ramp", Epoch(2, 46, 30)).Value, HdaValue(999.0));
  EXPECT_EQ(Exact(*historian, "Test.Ramp", Epoch(2, 46, 40)).Value, HdaValue(0.0));  // n = 1000 wraps
  EXPECT_EQ(Exact(*historian, "Test.Ramp", Epoch(24)).Value, HdaValue(640.0));
  EXPECT_FALSE(Present(*historian, "Test.Ramp", Epoch(0, 0, 5)));
  EXPECT_FALSE(Present(*historian, "Test.Ramp", HdaEpoch - 10 * Sec));

  EXPECT_EQ(Exact(*historian, "Test.Sine", HdaEpoch).Value, HdaValue(50.0));
  EXPECT_NEAR(ToNumber(Exact(*historian, "Test.Sine", Epoch(0, 2, 30)).Value), 100.0, 1e-9);
  EXPECT_NEAR(ToNumber(Exact(*historian, "Test.Sine", Epoch(0, 7, 30)).Value), 0.0, 1e-9);
  EXPECT_NEAR(ToNumber(Exact(*historian, "Test.Sine", Epoch(0, 1, 40)).Value), 50 + 25 * std::sqrt(3.0), 1e-9);
  EXPECT_TRUE(Present(*historian, "Test.Sine", Epoch(5, 0, 1)));

  s = Exact(*historian, "Test.Step", Epoch(0, 9));
  EXPECT_EQ(s.Value, HdaValue(int32_t(9)));
  EXPECT_EQ(s.Quality, goodRaw);
  EXPECT_EQ(Exact(*historian, "Test.Step", Epoch(0, 10)).Value, HdaValue(int32_t(0)));
  EXPECT_EQ(Exact(*historian, "Test.Step", Epoch(1, 3)).Value, HdaValue(int32_t(3)));
  EXPECT_FALSE(Present(*historian, "Test.Step", Epoch(0, 0, 30)));

  EXPECT_EQ(Exact(*historian, "Test.Text", HdaEpoch).Value, HdaValue(std::string("Sample 0")));
  EXPECT_EQ(Exact(*historian, "Test.Text", Epoch(24)).Value, HdaValue(std::string("Sample 24")));
  EXPECT_FALSE(Present(*historian, "Test.Text", Epoch(24, 30)));

  // Gaps: minutes 0-29 present with Ramp's values, 30-59 absent.
  EXPECT_EQ(Exact(*historian, "Test.Gaps", Epoch(0, 29, 50)).Value, HdaValue(179.0));
  EXPECT_FALSE(Present(*historian, "Test.Gaps", Epoch(0, 30)));
  EXPECT_FALSE(Present(*historian, "Test.Gaps", Epoch(0, 45)));
  EXPECT_FALSE(Present(*historian, "Test.Gaps", Epoch(0, 59, 50)));
  EXPECT_EQ(Exact(*historian, "Test.Gaps", Epoch(0, 60)).Value, HdaValue(360.0));
  EXPECT_EQ(Exact(*historian, "Test.Gaps", Epoch(25, 29, 50)).Value, HdaValue(RampAt(Epoch(25, 29, 50))));

  // Bad: odd hours since the epoch have bad quality, even hours good; values as Ramp.
  EXPECT_EQ(Exact(*historian, "Test.Bad", Epoch(0, 59, 50)).Quality, goodRaw);
  s = Exact(*historian, "Test.Bad", Epoch(1));
  EXPECT_EQ(s.Quality, HDA_RAW | DA_QUALITY_BAD);
  EXPECT_EQ(s.Value, HdaValue(360.0));
  EXPECT_EQ(Exact(*historian, "Test.Bad", Epoch(1, 59, 50)).Quality, HDA_RAW | DA_QUALITY_BAD);
  EXPECT_EQ(Exact(*historian, "Test.Bad", Epoch(2)).Quality, goodRaw);
  EXPECT_EQ(Exact(*historian, "Test.Bad", Epoch(35, 10)).Quality, HDA_RAW | DA_QUALITY_BAD);
}

TEST(HdaReferenceItems, WholeStretchesMatchTheDefinitions) {
  const auto historian = MakeHistorian();
  // Two hours across the Ramp's wrap at 02:46:40.
  RawAnswer ramp = ReadRaw(*historian, "Test.Ramp", Epoch(1, 30), Epoch(3, 30));
  ASSERT_EQ(ramp.Samples.size(), 720u);
  for (size_t i = 0; i < ramp.Samples.size(); ++i) {
    const int64_t time = Epoch(1, 30) + static_cast<int64_t>(i) * 10 * Sec;
    ASSERT_EQ(ramp.Samples[i].Time, time);
    ASSERT_EQ(ramp.Samples[i].Value, HdaValue(RampAt(time))) << i;
  }
  RawAnswer sine = ReadRaw(*historian, "Test.Sine", Epoch(30), Epoch(30, 20));
  ASSERT_EQ(sine.Samples.size(), 1200u);
  for (const HdaSample& sample : sine.Samples)
    ASSERT_NEAR(ToNumber(sample.Value), SineAt(sample.Time), 1e-9);

  // Gaps: half of every hour, each sample where Ramp has the same value.
  RawAnswer gaps = ReadRaw(*historian, "Test.Gaps", Epoch(3), Epoch(5));
  ASSERT_EQ(gaps.Samples.size(), 360u);
  for (const HdaSample& sample : gaps.Samples) {
    ASSERT_LT((sample.Time - HdaEpoch) % HdaTicksPerHour, 30 * HdaTicksPerMinute);
    ASSERT_EQ(sample.Value, HdaValue(RampAt(sample.Time)));
  }
  RawAnswer bad = ReadRaw(*historian, "Test.Bad", Epoch(4), Epoch(6));
  ASSERT_EQ(bad.Samples.size(), 720u);
  for (const HdaSample& sample : bad.Samples) {
    const bool oddHour = (sample.Time - HdaEpoch) / HdaTicksPerHour % 2 == 1;
    ASSERT_EQ(sample.Quality, HDA_RAW | (oddHour ? DA_QUALITY_BAD : DA_QUALITY_GOOD));
  }
}

TEST(HdaReferenceItems, AddressSpaceAndAttributes) {
  const auto historian = MakeHistorian();
  const HdaAddressSpace& space = historian->AddressSpace();
  ASSERT_NE(space.Root().FindBranch("Test"), nullptr);
  ASSERT_NE(space.Root().FindBranch("Plant"), nullptr);
  EXPECT_TRUE(space.Root().Items().empty());

  const HdaBranch* test = space.FindBranch("Test");
  ASSERT_NE(test, nullptr);
  std::vector<std::string> names;
  for (int index : test->Items())
    names.push_back(historian->Item(index).ItemId);
  EXPECT_EQ(names,
            (std::vector<std::string>{"Test.Ramp", "Test.Sine", "Test.Step", "Test.Text", "Test.Gaps", "Test.Bad"}));

  const HdaBranch* boiler = space.FindBranch("Plant.Area1.Boiler1");
  ASSERT_NE(boiler, nullptr);
  EXPECT_EQ(boiler->Path(), "Plant.Area1.Boiler1");
  EXPECT_EQ(boiler->Parent()->Path(), "Plant.Area1");
  EXPECT_EQ(boiler->Items().size(), 7u);
  EXPECT_TRUE(boiler->Branches().empty());
  EXPECT_EQ(space.FindBranch("Plant.Area1.Boiler"), nullptr);
  EXPECT_EQ(space.FindBranch(""), &space.Root());
  EXPECT_EQ(historian->FindItem("test.ramp"), -1);  // ids are exact
  EXPECT_EQ(ItemNameOf("Plant.Area1.Boiler1.Level"), "Level");
  EXPECT_EQ(BranchPathOf("Plant.Area1.Boiler1.Level"), "Plant.Area1.Boiler1");
  EXPECT_EQ(ItemNameOf("Loose"), "Loose");
  EXPECT_EQ(BranchPathOf("Loose"), "");
  EXPECT_EQ(historian->FindItem("Plant.Area1.Boiler1"), -1);

  // Attributes: the published ids in order, and every item answers each of them.
  const auto& table = HdaAttributeTable();
  ASSERT_EQ(table.size(), 19u);
  for (size_t i = 0; i < table.size(); ++i)
    EXPECT_EQ(table[i].Id, i + 1);
  EXPECT_STREQ(table[12].Name, "ItemID");

  const int step = historian->FindItem("Test.Step");
  HdaValue value;
  ASSERT_EQ(historian->ReadAttribute(step, HDA_ATTR_DATA_TYPE, value), HdaStatus::Ok);
  EXPECT_EQ(value, HdaValue(int32_t(hvtI4)));
  ASSERT_EQ(historian->ReadAttribute(step, HDA_ATTR_STEPPED, value), HdaStatus::Ok);
  EXPECT_EQ(value, HdaValue(int32_t(1)));
  ASSERT_EQ(historian->ReadAttribute(step, HDA_ATTR_ITEMID, value), HdaStatus::Ok);
  EXPECT_EQ(value, HdaValue(std::string("Test.Step")));
  ASSERT_EQ(historian->ReadAttribute(historian->FindItem("Test.Ramp"), HDA_ATTR_STEPPED, value), HdaStatus::Ok);
  EXPECT_EQ(value, HdaValue(int32_t(0)));
  ASSERT_EQ(historian->ReadAttribute(historian->FindItem("Test.Text"), HDA_ATTR_DATA_TYPE, value), HdaStatus::Ok);
  EXPECT_EQ(value, HdaValue(int32_t(hvtBSTR)));
  ASSERT_EQ(historian->ReadAttribute(historian->FindItem("Test.Gaps"), HDA_ATTR_MAX_TIME_INT, value), HdaStatus::Ok);
  EXPECT_EQ(value, HdaValue(1810.0));  // 29:50 to the next hour
  EXPECT_EQ(historian->ReadAttribute(step, 0, value), HdaStatus::InvalidAttribute);
  EXPECT_EQ(historian->ReadAttribute(step, 20, value), HdaStatus::InvalidAttribute);
  EXPECT_EQ(historian->ReadAttribute(-1, HDA_ATTR_ITEMID, value), HdaStatus::UnknownItem);
  EXPECT_EQ(historian->ReadAttribute(historian->ItemCount(), HDA_ATTR_ITEMID, value), HdaStatus::UnknownItem);
  for (int item = 0; item < historian->ItemCount(); ++item)
    for (const auto& attribute : table)
      ASSERT_EQ(historian->ReadAttribute(item, attribute.Id, value), HdaStatus::Ok);

  const HdaHistorianStatus status = historian->Status();
  EXPECT_EQ(status.StartTime, TestNow);
  EXPECT_EQ(status.CurrentTime, TestNow);
  EXPECT_EQ(status.MaxReturnValues, 1'000'000u);
}
