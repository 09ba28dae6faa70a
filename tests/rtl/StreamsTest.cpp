#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Streams.h"
#include "tests/rtl/RtlTestSupport.h"

namespace {

std::string Contents(TMemoryStream& stream) {
  return std::string(reinterpret_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
}

TEST(MemoryStream, SeekingPastTheEndLeavesAZeroGap) {
  TMemoryStream stream;
  stream.WriteBuffer("ab", 2);
  EXPECT_EQ(stream.Seek(3, TSeekOrigin::soCurrent), 5);
  EXPECT_EQ(stream.Size(), 2);  // seeking alone does not grow it
  stream.WriteBuffer("c", 1);
  EXPECT_EQ(stream.Size(), 6);
  EXPECT_EQ(Contents(stream), std::string("ab\0\0\0c", 6));

  char buffer[8] = {};
  EXPECT_EQ(stream.Read(buffer, 8), 0);  // at the end
  EXPECT_EQ(stream.Seek(-2, TSeekOrigin::soEnd), 4);
  EXPECT_EQ(stream.Read(buffer, 8), 2);
  EXPECT_EQ(ErrorOf<EReadError>([&] { stream.ReadBuffer(buffer, 1); }), "Stream read error");

  EXPECT_THROW(stream.Seek(-7, TSeekOrigin::soEnd), EStreamError);
  EXPECT_THROW(stream.SetPosition(-1), EStreamError);
  EXPECT_EQ(stream.Position(), 6);  // a refused seek moves nothing

  stream.SetSize(3);  // the position follows a shrinking end
  EXPECT_EQ(stream.Position(), 3);
  EXPECT_THROW(stream.SetSize(-1), EStreamError);
  stream.Clear();
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(stream.Position(), 0);
}

TEST(MemoryStream, CopiesAndLoadsWholeStreams) {
  TMemoryStream source;
  source.WriteBuffer("0123456789", 10);
  source.SetPosition(2);
  TMemoryStream copy;
  EXPECT_EQ(copy.CopyFrom(source, 3), 3);  // from where source stands
  EXPECT_EQ(Contents(copy), "234");
  EXPECT_EQ(copy.CopyFrom(source, 0), 10);  // 0: all of it from the start
  EXPECT_EQ(Contents(copy), "2340123456789");
  EXPECT_THROW(copy.CopyFrom(source, 1), EReadError);  // source is at its end

  TMemoryStream loaded;
  loaded.WriteBuffer("old contents longer", 19);
  loaded.LoadFromStream(copy);
  EXPECT_EQ(Contents(loaded), "2340123456789");
  EXPECT_EQ(loaded.Position(), 0);
}

TEST(ReadStreamText, ReadsFromThePositionAndStopsJustPastTheLimit) {
  std::string data(200000, 'x');
  data[5] = 'a';
  data.back() = 'z';
  TMemoryStream stream;
  stream.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));

  stream.SetPosition(5);
  EXPECT_EQ(ReadStreamText(stream), data.substr(5));
  EXPECT_EQ(ReadStreamText(stream), "");  // at the end

  stream.SetPosition(5);
  EXPECT_EQ(ReadStreamText(stream, data.size() - 5), data.substr(5));  // the limit itself is allowed

  stream.SetPosition(5);
  const std::string cut = ReadStreamText(stream, 100);
  EXPECT_GT(cut.size(), 100u);
  EXPECT_LT(cut.size(), data.size() - 5);
  EXPECT_EQ(cut, data.substr(5, cut.size()));
  EXPECT_EQ(stream.Position(), 5 + static_cast<int64_t>(cut.size()));
}

class FileStreamTest : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/zelk-streams-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    FDir = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(FDir); }
  std::string PathOf(const std::string& name) const { return FDir + "/" + name; }

  std::string FDir;
};

TEST_F(FileStreamTest, OpeningFailuresNameTheFileAndTheCause) {
  const std::string missing = PathOf("missing.txt");
  EXPECT_EQ(ErrorOf<EFOpenError>([&] { TFileStream(missing, TFileMode::fmOpenRead); }),
            "Cannot open file \"" + missing + "\". No such file or directory");
  const std::string nowhere = PathOf("no/such/dir.txt");
  EXPECT_EQ(ErrorOf<EFOpenError>([&] { TFileStream(nowhere, TFileMode::fmCreate); }),
            "Cannot create file \"" + nowhere + "\". No such file or directory");
  EXPECT_EQ(ErrorOf<EFOpenError>([&] { TFileStream(FDir, TFileMode::fmOpenRead); }),
            "Cannot open file \"" + FDir + "\". Is a directory");
}

TEST_F(FileStreamTest, RoundTripsThroughTheFileSystem) {
  const std::string name = PathOf("data.bin");
  {
    TFileStream file(name, TFileMode::fmCreate);
    file.WriteBuffer("hello world", 11);
    file.SetSize(5);
    EXPECT_EQ(file.Size(), 5);
    EXPECT_EQ(file.Position(), 11);  // truncating leaves the position alone
    file.SetPosition(7);
    file.WriteBuffer("!", 1);  // past the end: the gap reads as zeros
  }
  TFileStream file(name, TFileMode::fmOpenRead);
  EXPECT_EQ(file.Size(), 8);
  char buffer[16] = {};
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 8);
  EXPECT_EQ(std::string(buffer, 8), std::string("hello\0\0!", 8));
  EXPECT_EQ(ErrorOf<EReadError>([&] { file.ReadBuffer(buffer, 1); }), "Stream read error");
  EXPECT_EQ(ErrorOf<EStreamError>([&] { file.WriteBuffer("x", 1); }), "Stream write error");
  EXPECT_THROW(file.Seek(-1, TSeekOrigin::soBeginning), EStreamError);

  TMemoryStream memory;
  memory.LoadFromFile(name);
  EXPECT_EQ(memory.Size(), 8);
  memory.SaveToFile(PathOf("copy.bin"));
  EXPECT_EQ(std::filesystem::file_size(PathOf("copy.bin")), 8u);

  TStringList lines;
  lines.SetText("a=1\nb=2");
  lines.SaveToFile(PathOf("lines.txt"));
  TStringList reread;
  reread.LoadFromFile(PathOf("lines.txt"));
  EXPECT_TRUE(reread.Equals(lines));
  EXPECT_EQ(std::filesystem::file_size(PathOf("lines.txt")), 10u);
}

}  // namespace
