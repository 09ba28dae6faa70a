#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SettingsText.h"
#include "platform/rtl/Streams.h"

using namespace std::string_literals;

namespace {

enum class TColour { clNone, clRed, clGreen };

// Every setter call, and Loaded, go into Log with whether the component was loading.
class TSample : public TComponent {
public:
  using TComponent::TComponent;
  std::string ClassName() const override { return "TSample"; }

  const std::string& Text() const { return FText; }
  void SetText(const std::string& v) { Note("Text"); FText = v; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool v) { Note("Enabled"); FEnabled = v; }
  int32_t Count() const { return FCount; }
  void SetCount(int32_t v) { Note("Count"); FCount = v; }
  TColour Colour() const { return FColour; }
  void SetColour(TColour v) { Note("Colour"); FColour = v; }
  std::string Version() const { return "1.0"; }
  int64_t Big() const { return FBig; }
  void SetBig(int64_t v) { Note("Big"); FBig = v; }

  const TPropertyList& PublishedProperties() const override {
    static const TPropertyList properties(
        TComponent::PublishedProperties(),
        {StringProperty<TSample>("Text", &TSample::Text, &TSample::SetText),
         BooleanProperty<TSample>("Enabled", &TSample::Enabled, &TSample::SetEnabled),
         IntegerProperty<TSample>("Count", &TSample::Count, &TSample::SetCount),
         EnumProperty<TSample, TColour>("Colour", {"clNone", "clRed", "clGreen"}, &TSample::Colour,
                                        &TSample::SetColour),
         StringProperty<TSample>("Version", &TSample::Version),
         Int64Property<TSample>("Big", &TSample::Big, &TSample::SetBig)});
    return properties;
  }

  std::vector<std::string> Log;

protected:
  void Loaded() override {
    Note("Loaded");
    TComponent::Loaded();
  }

private:
  void Note(const std::string& what) {
    Log.push_back(what + (ComponentState().Contains(TComponentStateFlag::csLoading) ? "*" : ""));
  }
  std::string FText;
  bool FEnabled = false;
  int32_t FCount = 0;
  TColour FColour = TColour::clNone;
  int64_t FBig = 0;
};

// Adds a property after the inherited ones, replaces Version in place and hides Big.
class TDerived : public TSample {
public:
  using TSample::TSample;
  std::string ClassName() const override { return "TDerived"; }
  const std::string& Extra() const { return FExtra; }
  void SetExtra(const std::string& v) { FExtra = v; }

  const TPropertyList& PublishedProperties() const override {
    static const TPropertyList properties = [this] {
      TPropertyList list(TSample::PublishedProperties(),
                         {StringProperty<TDerived>("Extra", &TDerived::Extra, &TDerived::SetExtra),
                          StringProperty<TDerived>("Version", [](const TDerived&) { return std::string("2.0"); })});
      list.Remove("big");
      return list;
    }();
    return properties;
  }

private:
  std::string FExtra;
};

// Holds a sub-component streamed as a nested object.
class THolder : public TSample {
public:
  explicit THolder(TComponent* owner) : TSample(owner), FInner(new TSample(this)) {}
  std::string ClassName() const override { return "THolder"; }
  TSample* Inner() const { return FInner; }

  const TPropertyList& PublishedProperties() const override {
    static const TPropertyList properties(
        TSample::PublishedProperties(),
        {ObjectProperty<THolder>("Inner", [](const THolder& h) -> TComponent* { return h.Inner(); })});
    return properties;
  }

protected:
  void Loaded() override {
    Log.push_back(FInner->ComponentState().Contains(TComponentStateFlag::csLoading) ? "inner loading" : "inner done");
    TSample::Loaded();
  }

private:
  TSample* FInner;  // owned as a component
};

std::string ReadError(TComponent& component, const std::string& text) {
  try {
    LoadComponentText(component, text);
  } catch (const EReadError& e) {
    return e.Message();
  }
  return "no error";
}

std::string ParseError(const std::string& text) {
  try {
    ParseSettingsText(text);
  } catch (const EReadError& e) {
    return e.Message();
  }
  return "no error";
}

std::string StringRoundTrip(const std::string& value, std::string* written = nullptr) {
  TSample out(nullptr);
  out.SetText(value);
  const std::string text = SaveComponentText(out);
  if (written)
    *written = text;
  TSample in(nullptr);
  LoadComponentText(in, text);
  return in.Text();
}

TEST(SettingsText, WritesTheExactTextForm) {
  TSample sample(nullptr);
  sample.SetName("Sample1");
  sample.SetTag(7);
  sample.SetText("It's");
  sample.SetEnabled(true);
  sample.SetCount(-5);
  sample.SetColour(TColour::clGreen);
  sample.SetBig(int64_t{1} << 40);
  sample.SetDesignInfo({10, 0});
  EXPECT_EQ(SaveComponentText(sample),
            "object Sample1: TSample\r\n"
            "  Tag = 7\r\n"
            "  Text = 'It'#39's'\r\n"
            "  Enabled = True\r\n"
            "  Count = -5\r\n"
            "  Colour = clGreen\r\n"
            "  Version = '1.0'\r\n"
            "  Big = 1099511627776\r\n"
            "  Left = 10\r\n"
            "  Top = 0\r\n"
            "end\r\n");

  // Unnamed, no tag, no position, empty string left out; integers and Booleans always written.
  TSample plain(nullptr);
  EXPECT_EQ(SaveComponentText(plain),
            "object TSample\r\n"
            "  Enabled = False\r\n"
            "  Count = 0\r\n"
            "  Colour = clNone\r\n"
            "  Version = '1.0'\r\n"
            "  Big = 0\r\n"
            "end\r\n");

  TMemoryStream stream;
  stream.WriteBuffer("xy", 2);
  SaveComponentToStream(plain, stream);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size())),
            "xy" + SaveComponentText(plain));
}

TEST(SettingsText, StringsRoundTripWithCharacterCodes) {
  std::string written;
  EXPECT_EQ(StringRoundTrip("'", &written), "'");
  EXPECT_NE(written.find("  Text = #39\r\n"), std::string::npos);
  EXPECT_EQ(StringRoundTrip("a''b", &written), "a''b");
  EXPECT_NE(written.find("  Text = 'a'#39#39'b'\r\n"), std::string::npos);
  // é is one UTF-16 unit, U+1F600 a surrogate pair; tab, DEL and the line end are codes too.
  const std::string mixed = "caf\xC3\xA9 \xF0\x9F\x98\x80\tx\x7F\r\n~ ";
  EXPECT_EQ(StringRoundTrip(mixed, &written), mixed);
  EXPECT_NE(written.find("  Text = 'caf'#233' '#55357#56832#9'x'#127#13#10'~ '\r\n"), std::string::npos);
}

TEST(SettingsText, LongStringsAreCutEvery64Characters) {
  const std::string s64(64, 'a');
  std::string written;
  EXPECT_EQ(StringRoundTrip(s64, &written), s64);
  EXPECT_NE(written.find("  Text = '" + s64 + "'\r\n"), std::string::npos);

  EXPECT_EQ(StringRoundTrip(s64 + "b", &written), s64 + "b");
  EXPECT_NE(written.find("  Text = \r\n    '" + s64 + "' +\r\n    'b'\r\n  Enabled"), std::string::npos);

  const std::string s128 = s64 + std::string(64, 'c');
  EXPECT_EQ(StringRoundTrip(s128, &written), s128);
  EXPECT_NE(written.find("  Text = \r\n    '" + s64 + "' +\r\n    '" + std::string(64, 'c') + "'\r\n  Enabled"),
            std::string::npos);

  EXPECT_EQ(StringRoundTrip(s128 + "d", &written), s128 + "d");
  EXPECT_NE(written.find("'" + std::string(64, 'c') + "' +\r\n    'd'\r\n  Enabled"), std::string::npos);

  // The cut counts characters of the string, not of the written form.
  std::string accents;
  std::string codes;
  for (int i = 0; i < 64; ++i) {
    accents += "\xC3\xA9";
    codes += "#233";
  }
  EXPECT_EQ(StringRoundTrip(accents + "x", &written), accents + "x");
  EXPECT_NE(written.find("  Text = \r\n    " + codes + " +\r\n    'x'\r\n"), std::string::npos);
}

TEST(SettingsText, ReadingIsLenientAboutLayout) {
  TSample sample(nullptr);
  LoadComponentText(sample,
                    "object S: TSample\n"
                    "\tTEXT='It''s' + 'a'#98 +\n"
                    "\n"
                    "             #99'd'\n"
                    "colour = CLRED\n"
                    "Enabled = true\n"
                    "Count = +12\n"
                    "END\n\n");
  EXPECT_EQ(sample.Text(), "It'sabcd");
  EXPECT_EQ(sample.Colour(), TColour::clRed);
  EXPECT_TRUE(sample.Enabled());
  EXPECT_EQ(sample.Count(), 12);
  EXPECT_EQ(sample.Name(), "S");

  // Raw UTF-8 inside quotes is taken as it is.
  LoadComponentText(sample, "object TSample\r\n  Text = 'Gr\xC3\xBC\xC3\x9F'\r\nend");
  EXPECT_EQ(sample.Text(), "Gr\xC3\xBC\xC3\x9F");
  EXPECT_EQ(sample.Name(), "");
}

TEST(SettingsText, AppliesInFileOrderWhileLoadingThenCallsLoadedOnce) {
  TSample sample(nullptr);
  sample.SetCount(99);
  sample.Log.clear();
  LoadComponentText(sample,
                    "object TSample\r\n"
                    "  Big = -9223372036854775808\r\n"
                    "  Text = 'x'\r\n"
                    "  Version = 'ignored'\r\n"
                    "  Enabled = True\r\n"
                    "  Tag = 5\r\n"
                    "  Top = -3\r\n"
                    "end\r\n");
  EXPECT_EQ(sample.Log, (std::vector<std::string>{"Big*", "Text*", "Enabled*", "Loaded*"}));
  EXPECT_FALSE(sample.ComponentState().Contains(TComponentStateFlag::csLoading));
  EXPECT_EQ(sample.Count(), 99);  // absent properties keep their values
  EXPECT_EQ(sample.Big(), INT64_MIN);
  EXPECT_EQ(sample.Tag(), 5);
  EXPECT_EQ(sample.DesignInfo(), (TDesignInfo{0, -3}));
}

TEST(SettingsText, ApplyErrorsNamePropertyAndLine) {
  TSample sample(nullptr);
  EXPECT_EQ(ReadError(sample, "object Foo: TSample\r\n  Count = 1\r\n  Bar = 2\r\nend\r\n"),
            "Error reading Foo on line 3: Property Bar does not exist");
  // What was applied before the error stays; loading ends without Loaded.
  EXPECT_EQ(sample.Count(), 1);
  EXPECT_EQ(sample.Log, (std::vector<std::string>{"Count*"}));
  EXPECT_FALSE(sample.ComponentState().Contains(TComponentStateFlag::csLoading));

  const std::string int32Range = "an integer from -2147483648 to 2147483647";
  const std::pair<std::string, std::string> cases[] = {
      {"Count = 'x'", "Property Count expects " + int32Range},
      {"Count = 2147483648", "Property Count expects " + int32Range},
      {"Left = 'x'", "Property Left expects " + int32Range},
      {"Enabled = 1", "Property Enabled expects True or False"},
      {"Colour = clBlue", "Property Colour expects one of clNone, clRed, clGreen"},
      {"Text = 12", "Property Text expects a string"},
      {"object Text: TSample\n end", "Property Text expects a string"},
      {"Big = True", "Property Big expects an integer"},
      {"Big = 9223372036854775808", "Integer value out of range"}};
  for (const auto& [line, reason] : cases)
    EXPECT_EQ(ReadError(sample, "object TSample\n " + line + "\nend"), "Error reading TSample on line 2: " + reason);
}

TEST(SettingsText, MalformedTextIsRejectedBeforeAnythingIsApplied) {
  EXPECT_EQ(ParseError(""), "Error reading settings text on line 1: Text is empty");
  EXPECT_EQ(ParseError("thing TSample\r\nend\r\n"), "Error reading settings text on line 1: Expected \"object\"");
  EXPECT_EQ(ParseError("object A: \r\nend\r\n"), "Error reading settings text on line 1: Invalid object header");
  const std::pair<std::string, std::string> cases[] = {
      {"  Text = 'abc", "Unterminated string"},
      {"  Text = 'a'#", "Invalid character code"},
      {"  Text = #65536", "Character code out of range"},
      {"  Text = #99999999999999999999", "Character code out of range"},
      {"  Text = 'a' 'b'", "Invalid string value"},
      {"  Text = 'a' + 1", "String expected after \"+\""},
      {"  Count = 1 2", "Invalid property value"},
      {"  Count = [1]", "Invalid property value"},
      {"  Count = +-5", "Invalid property value"},
      {"  Count 1", "Expected \"=\""},
      {"  = 1", "Property name expected"},
      {"  object TSample\r\n  end", "A nested object needs a name"},
      {"  Te\0t = 1"s, "Invalid character #0"},
      {"  Text = '" + std::string(70000, 'a') + "'", "Line too long"}};
  for (const auto& [line, reason] : cases)
    EXPECT_EQ(ParseError("object A: TSample\r\n" + line + "\r\nend\r\n"), "Error reading A on line 2: " + reason);
  EXPECT_EQ(ParseError("object A: TSample\r\n  Text = 'a' +\r\n"),
            "Error reading A on line 2: String continues past the end of the text");
  EXPECT_EQ(ParseError("object A: TSample\r\n  Count = 1\r\n"), "Error reading A on line 1: Missing end");
  EXPECT_EQ(ParseError("object A: TSample\r\nend\r\nend\r\n"), "Error reading settings text on line 3: Text after the final end");
  EXPECT_EQ(ParseError("object A: TSample\r\n  object TSample\r\n  end\r\nend\r\n"),
            "Error reading A on line 2: A nested object needs a name");
  EXPECT_EQ(ParseError("object A: TSample\r\n  Te\0t = 1\r\nend"s),
            "Error reading A on line 2: Invalid character #0");
  EXPECT_EQ(ParseError("object A: TSample\r\n  Text = '" + std::string(70000, 'a') + "'\r\nend\r\n"),
            "Error reading A on line 2: Line too long");
  EXPECT_EQ(ParseError(std::string(9u << 20, ' ')), "Settings text too large");

  std::string deep;
  for (int i = 0; i < 100; ++i)
    deep += "object A" + std::to_string(i) + ": T\r\n";
  EXPECT_EQ(ParseError(deep), "Error reading A31 on line 33: Objects nested too deeply");

  // Binary garbage of every byte value, and every truncation of a valid text, fail cleanly.
  std::string garbage;
  for (int i = 0; i < 4096; ++i)
    garbage += static_cast<char>((i * 7919) % 256);
  EXPECT_THROW(ParseSettingsText(garbage), EReadError);
  const std::string valid = "object A: TSample\r\n  Text = \r\n    'x' +\r\n    #233'y'\r\n  Count = 1\r\nend\r\n";
  for (size_t length = 0; length + 3 < valid.size(); ++length)
    EXPECT_THROW(ParseSettingsText(valid.substr(0, length)), EReadError) << length;

  // A syntax error late in the text leaves the component untouched.
  TSample sample(nullptr);
  EXPECT_NE(ReadError(sample, "object B: TSample\r\n  Count = 4\r\n  Text = #\r\nend\r\n"), "no error");
  EXPECT_EQ(sample.Count(), 0);
  EXPECT_EQ(sample.Name(), "");
  EXPECT_TRUE(sample.Log.empty());
}

TEST(SettingsText, NestedObjectsWriteAndReadIntoTheSubComponent) {
  THolder holder(nullptr);
  holder.SetName("H");
  holder.Inner()->SetText("in");
  holder.Inner()->SetTag(3);
  const std::string text = SaveComponentText(holder);
  EXPECT_NE(text.find("  Big = 0\r\n"
                      "  object Inner: TSample\r\n"
                      "    Tag = 3\r\n"
                      "    Text = 'in'\r\n"
                      "    Enabled = False\r\n"),
            std::string::npos);
  EXPECT_TRUE(text.ends_with("    Big = 0\r\n  end\r\nend\r\n"));

  THolder copy(nullptr);
  copy.Log.clear();
  copy.Inner()->Log.clear();
  LoadComponentText(copy, text);
  EXPECT_EQ(copy.Inner()->Text(), "in");
  EXPECT_EQ(copy.Inner()->Tag(), 3);
  // The inner component's properties were applied while it was loading, and it had finished
  // loading before its holder's Loaded ran.
  EXPECT_EQ(copy.Inner()->Log, (std::vector<std::string>{"Text*", "Enabled*", "Count*", "Colour*", "Big*", "Loaded*"}));
  EXPECT_EQ(copy.Log.back(), "Loaded*");
  EXPECT_EQ(copy.Log[copy.Log.size() - 2], "inner done");

  EXPECT_EQ(ReadError(copy, "object H: THolder\r\n  object Inner: TOther\r\n  end\r\nend\r\n"),
            "Error reading H on line 2: Property Inner holds a TSample, not a TOther");
  EXPECT_EQ(ReadError(copy, "object H: THolder\r\n  Inner = 1\r\nend\r\n"),
            "Error reading H on line 2: Property Inner expects an object");
  EXPECT_EQ(ReadError(copy, "object H: THolder\r\n  object Inner: TSample\r\n    Nope = 1\r\n  end\r\nend\r\n"),
            "Error reading Inner on line 3: Property Nope does not exist");
  EXPECT_FALSE(copy.Inner()->ComponentState().Contains(TComponentStateFlag::csLoading));
}

TEST(SettingsText, SubclassesExtendOverrideAndHideProperties) {
  TDerived derived(nullptr);
  derived.SetExtra("e");
  derived.SetBig(5);
  EXPECT_EQ(SaveComponentText(derived),
            "object TDerived\r\n"
            "  Enabled = False\r\n"
            "  Count = 0\r\n"
            "  Colour = clNone\r\n"
            "  Version = '2.0'\r\n"
            "  Extra = 'e'\r\n"
            "end\r\n");
  EXPECT_EQ(ReadError(derived, "object TDerived\r\n  Big = 1\r\nend\r\n"),
            "Error reading TDerived on line 2: Property Big does not exist");
}

TEST(SettingsText, LoadedNameIsMadeUniqueAmongSiblings) {
  TComponent owner(nullptr);
  TComponent other(&owner);
  other.SetName("Client");
  TComponent other1(&owner);
  other1.SetName("Client_1");
  TSample sample(&owner);
  LoadComponentText(sample, "object CLIENT: TSample\r\nend\r\n");
  EXPECT_EQ(sample.Name(), "CLIENT_2");
  LoadComponentText(sample, "object Fresh: TSample\r\nend\r\n");
  EXPECT_EQ(sample.Name(), "Fresh");
}

TEST(SettingsText, StreamLoadingStopsAfterTheObject) {
  TSample first(nullptr), second(nullptr);
  first.SetText("one");
  second.SetText("two");
  TMemoryStream stream;
  SaveComponentToStream(first, stream);
  SaveComponentToStream(second, stream);
  const int64_t firstEnd = static_cast<int64_t>(SaveComponentText(first).size());

  stream.SetPosition(0);
  TSample a(nullptr), b(nullptr);
  LoadComponentFromStream(a, stream);
  EXPECT_EQ(stream.Position(), firstEnd);
  LoadComponentFromStream(b, stream);
  EXPECT_EQ(stream.Position(), stream.Size());
  EXPECT_EQ(a.Text(), "one");
  EXPECT_EQ(b.Text(), "two");
  EXPECT_THROW(LoadComponentFromStream(b, stream), EReadError);

  const std::string huge(9u << 20, ' ');
  TMemoryStream hugeStream;
  hugeStream.WriteBuffer(huge.data(), static_cast<int64_t>(huge.size()));
  hugeStream.SetPosition(0);
  try {
    LoadComponentFromStream(b, hugeStream);
    ADD_FAILURE() << "a text past the limit was read";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Settings text too large");
  }
}

}  // namespace
