#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Streams.h"
#include "tests/rtl/RtlTestSupport.h"

namespace {

TStringList* Lines(TStringList& list, std::initializer_list<const char*> lines) {
  for (const char* line : lines)
    list.Add(line);
  return &list;
}

TEST(StringList, IndexErrorsNameTheIndex) {
  TStringList list;
  Lines(list, {"a", "b"});
  EXPECT_EQ(ErrorOf<EListError>([&] { list.Get(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(ErrorOf<EListError>([&] { list.Put(2, "x"); }), "List index out of bounds (2)");
  EXPECT_EQ(ErrorOf<EListError>([&] { list.Objects(2); }), "List index out of bounds (2)");
  EXPECT_EQ(ErrorOf<EListError>([&] { list.SetObjects(-1, nullptr); }), "List index out of bounds (-1)");
  EXPECT_EQ(ErrorOf<EListError>([&] { list.Delete(2); }), "List index out of bounds (2)");
  EXPECT_EQ(ErrorOf<EListError>([&] { list.Insert(3, "x"); }), "List index out of bounds (3)");
  list.Insert(2, "c");  // at Count: appends
  EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\n");
}

TEST(StringList, NameValueLines) {
  TStringList list;
  Lines(list, {"plain", "Host=alpha", "expr=b=c", "empty=", "=anonymous"});
  EXPECT_EQ(list.Values("HOST"), "alpha");
  EXPECT_EQ(list.Names(2), "expr");
  EXPECT_EQ(list.ValueFromIndex(2), "b=c");
  EXPECT_EQ(list.Values("expr"), "b=c");
  // A line without '=' has neither name nor value and matches no name.
  EXPECT_EQ(list.Names(0), "");
  EXPECT_EQ(list.ValueFromIndex(0), "");
  EXPECT_EQ(list.IndexOfName("plain"), -1);
  EXPECT_EQ(list.IndexOfName(""), 4);
  EXPECT_EQ(list.IndexOfName("Empty"), 3);
  EXPECT_EQ(list.Values("missing"), "");

  list.SetValues("host", "beta");  // first match, in place, under the name as given
  EXPECT_EQ(list.Get(1), "host=beta");
  list.SetValues("host", "");  // an empty value keeps the key
  EXPECT_EQ(list.Get(1), "host=");
  list.SetValues("port", "");  // and appends a missing one
  list.SetValues("user", "me");
  EXPECT_EQ(list.Count(), 7);
  EXPECT_EQ(list.Get(5), "port=");
  EXPECT_EQ(list.Get(6), "user=me");
  list.SetValueFromIndex(2, "d");
  EXPECT_EQ(list.Get(2), "expr=d");
}

TEST(StringList, TextSplitsAtEveryLineBreakStyle) {
  TStringList list;
  list.SetText("a\r\nb\nc\rd");
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\nd\r\n");
  list.SetText(list.Text());  // a final break adds no line
  EXPECT_EQ(list.Count(), 4);

  list.SetText("\n\r\r\n\nx");  // LF, CR, CR LF, LF: four empty lines
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(list.Get(3), "");
  EXPECT_EQ(list.Get(4), "x");
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Text(), "");
}

TEST(StringList, SortedListsKeepOrderAndApplyDuplicates) {
  TStringList list;
  Lines(list, {"delta", "Bravo", "alpha", "charlie"});
  list.SetSorted(true);
  EXPECT_EQ(list.Text(), "alpha\r\nBravo\r\ncharlie\r\ndelta\r\n");

  EXPECT_EQ(list.Add("BRAVO"), 1);  // dupIgnore: the index of the one there
  EXPECT_EQ(list.Count(), 4);
  list.SetDuplicates(TDuplicates::dupError);
  EXPECT_EQ(ErrorOf<EListError>([&] { list.Add("ALPHA"); }), "String list does not allow duplicates");
  list.SetDuplicates(TDuplicates::dupAccept);
  EXPECT_EQ(list.Add("bravo"), 2);  // after its equal
  EXPECT_EQ(list.Add("echo"), 5);
  EXPECT_EQ(ErrorOf<EListError>([&] { list.Insert(0, "x"); }), "Operation not allowed on sorted list");
  EXPECT_EQ(ErrorOf<EListError>([&] { list.Put(0, "x"); }), "Operation not allowed on sorted list");

  int index = -1;
  EXPECT_TRUE(list.Find("BRAVO", index));
  EXPECT_EQ(index, 1);  // the first of the equal lines
  EXPECT_FALSE(list.Find("cat", index));
  EXPECT_EQ(index, 3);  // where it would go
  EXPECT_EQ(list.IndexOf("DELTA"), 4);

  list.SetCaseSensitive(true);  // re-sorts: capitals first
  EXPECT_EQ(list.Get(0), "Bravo");
  EXPECT_EQ(list.IndexOf("DELTA"), -1);
  EXPECT_EQ(list.IndexOf("delta"), 4);
  EXPECT_EQ(list.Get(1), "alpha");

  TStringList unsorted;
  Lines(unsorted, {"b", "a"});
  EXPECT_TRUE(unsorted.Find("A", index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(unsorted.Find("c", index));
  EXPECT_EQ(index, 2);
}

TEST(StringList, ObjectsPerLineAndOwnership) {
  Journal freed;
  {
    TStringList list(true);
    list.SetSorted(true);
    auto* b = new TProbe("b", freed);
    list.AddObject("b", b);
    list.AddObject("a", new TProbe("a", freed));
    list.AddObject("c", nullptr);
    EXPECT_EQ(list.Objects(1), b);  // the object travels with its line
    EXPECT_EQ(list.IndexOfObject(b), 1);
    list.SetObjects(1, b);
    EXPECT_TRUE(freed.empty());
    list.SetObjects(1, new TProbe("b2", freed));
    EXPECT_EQ(freed, Journal{"b"});
    list.AddObject("d", new TProbe("d", freed));
    list.Delete(0);
    EXPECT_EQ(freed, (Journal{"b", "a"}));
    list.AddObject("e", new TProbe("e", freed));
    freed.clear();
    list.Clear();
    EXPECT_EQ(freed, (Journal{"e", "d", "b2"}));
    list.AddObject("f", new TProbe("f", freed));
  }
  EXPECT_EQ(freed.back(), "f");

  TProbe kept("kept", freed);
  {
    TStringList borrowed;
    borrowed.AddObject("k", &kept);
    borrowed.Delete(0);
    borrowed.AddObject("k", &kept);
  }
  EXPECT_EQ(freed.back(), "f");
}

TEST(StringList, AssignCopiesLinesAndFiresOneChange) {
  TStringList source;
  Journal freed;
  TProbe shared("shared", freed);
  Lines(source, {"x=1", "y=2"});
  source.SetObjects(1, &shared);

  TStringList target;
  Lines(target, {"old"});
  int changes = 0;
  target.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &target);
    ++changes;
  };
  target.Assign(&source);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(target.Equals(source));
  EXPECT_EQ(target.Objects(1), &shared);
  target.Assign(&target);
  EXPECT_EQ(target.Count(), 2);

  target.BeginUpdate();
  target.BeginUpdate();
  target.Add("z");
  target.Delete(0);
  target.EndUpdate();
  EXPECT_EQ(changes, 1);
  target.EndUpdate();
  EXPECT_EQ(changes, 2);
  target.BeginUpdate();
  target.EndUpdate();  // nothing changed: no event
  target.SetText("a\nb\nc");
  EXPECT_EQ(changes, 3);

  TPersistent other;
  EXPECT_EQ(ErrorOf<EConvertError>([&] { target.Assign(&other); }), "Cannot assign a TPersistent to a TStringList");
  EXPECT_EQ(ErrorOf<EConvertError>([&] { target.Assign(nullptr); }), "Cannot assign a nil to a TStringList");
  EXPECT_EQ(ErrorOf<EConvertError>([&] { other.Assign(&target); }), "Cannot assign a TStringList to a TPersistent");
  EXPECT_TRUE(freed.empty());  // neither list owned it
}

TEST(StringList, StreamsHoldUtf8Text) {
  TMemoryStream stream;
  stream.WriteBuffer("skip\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F" "e\nzwei", 19);
  stream.SetPosition(4);  // loading reads the rest of the stream
  TStringList list;
  list.LoadFromStream(stream);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Get(0), "Gr\xC3\xBC\xC3\x9F" "e");

  TMemoryStream saved;
  list.SaveToStream(saved);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(saved.Memory()), saved.Size()),
            "Gr\xC3\xBC\xC3\x9F" "e\r\nzwei\r\n");
}

}  // namespace
