#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "platform/PlatformExtensions.h"

namespace {

class RegistryFile : public testing::Test {
protected:
  void SetUp() override {
    ClearRegistry();
    FPath = (std::filesystem::temp_directory_path() / ("zelk_registry_" + std::to_string(getpid()) + ".txt")).string();
  }
  void TearDown() override {
    ClearRegistry();
    std::filesystem::remove(FPath);
  }

  void WriteFile(const std::string& text) { std::ofstream(FPath, std::ios::binary) << text; }
  std::string ReadFile() {
    std::ifstream file(FPath, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }
  // The error of loading text, empty when it loads.
  std::string LoadError(const std::string& text) {
    WriteFile(text);
    std::string error;
    const bool loaded = LoadRegistryFile(FPath, error);
    EXPECT_EQ(loaded, error.empty());
    return error.empty() ? error : error.substr(FPath.size());
  }

  std::string FPath;
};

std::vector<BYTE> Value(const char16_t* keyPath, const char16_t* name, DWORD* type = nullptr) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  DWORD size = 0;
  std::vector<BYTE> data;
  if (RegQueryValueExW(key, name, nullptr, type, nullptr, &size) == ERROR_SUCCESS) {
    data.resize(size);
    RegQueryValueExW(key, name, nullptr, type, data.data(), &size);
  }
  RegCloseKey(key);
  return data;
}

std::u16string Text(const char16_t* keyPath, const char16_t* name) {
  const std::vector<BYTE> data = Value(keyPath, name);
  std::u16string text(data.size() / 2, u'\0');
  std::memcpy(text.data(), data.data(), text.size() * 2);
  if (!text.empty() && text.back() == 0) text.pop_back();
  return text;
}

void Set(const char16_t* keyPath, const char16_t* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
  RegCloseKey(key);
}

}  // namespace

TEST_F(RegistryFile, ReadsEveryValueForm) {
  EXPECT_EQ(LoadError("Zelk Registry 1\r\n"
                      "; a comment\n"
                      "\n"
                      "[Zelk.Server.1\\CLSID]\n"
                      "@=\"{5A1E0401-7C1D-4E55-9B11-203142536475}\"\n"
                      "[CLSID\\{X}]\n"
                      "\"Quote\"=\"say \\\"hi\\\"\\\\ \\u00e9 é \\0x\"\n"
                      "\"Path\"=expand:\"%HOME%\"\n"
                      "\"Count\"=dword:2A\n"
                      "\"Big\"=qword:100000000\n"
                      "\"Blob\"=hex:01,ff\n"
                      "\"None\"=hex:\n"
                      "\"Raw\"=hex(7):61,00,00,00,00,00\n"),
            "");
  EXPECT_EQ(Text(u"zelk.server.1\\clsid", nullptr), u"{5A1E0401-7C1D-4E55-9B11-203142536475}");
  EXPECT_EQ(Text(u"CLSID\\{X}", u"Quote"), std::u16string(u"say \"hi\"\\ é é \0x", 16));
  DWORD type = 0;
  EXPECT_EQ(Value(u"CLSID\\{X}", u"Path", &type).size(), 14u);
  EXPECT_EQ(type, DWORD(REG_EXPAND_SZ));
  EXPECT_EQ(Value(u"CLSID\\{X}", u"Count", &type), (std::vector<BYTE>{0x2A, 0, 0, 0}));
  EXPECT_EQ(type, DWORD(REG_DWORD));
  EXPECT_EQ(Value(u"CLSID\\{X}", u"Big", &type), (std::vector<BYTE>{0, 0, 0, 0, 1, 0, 0, 0}));
  EXPECT_EQ(type, DWORD(REG_QWORD));
  EXPECT_EQ(Value(u"CLSID\\{X}", u"Blob", &type), (std::vector<BYTE>{1, 0xFF}));
  EXPECT_EQ(type, DWORD(REG_BINARY));
  EXPECT_TRUE(Value(u"CLSID\\{X}", u"None", &type).empty());
  EXPECT_EQ(Value(u"CLSID\\{X}", u"Raw", &type).size(), 6u);
  EXPECT_EQ(type, DWORD(REG_MULTI_SZ));
}

TEST_F(RegistryFile, SaveAndLoadGiveBackTheSameBytes) {
  const std::u16string description = u"Zelk \"HDA\" \\ Ω 😀 line\nbreak";
  Set(u"CLSID\\{S}", nullptr, REG_SZ, description.c_str(), DWORD((description.size() + 1) * 2));
  const char16_t lone[] = {u'a', 0xD800, u'b', 0};
  Set(u"CLSID\\{S}", u"Lone", REG_SZ, lone, sizeof lone);
  Set(u"CLSID\\{S}", u"Unterminated", REG_SZ, u"ab", 4);
  Set(u"CLSID\\{S}", u"Odd", REG_SZ, "abc", 3);
  const DWORD number = 0xDEADBEEF;
  Set(u"CLSID\\{S}", u"Number", REG_DWORD, &number, 4);
  Set(u"CLSID\\{S}", u"ShortNumber", REG_DWORD, &number, 2);
  Set(u"CLSID\\{S}\\Implemented Categories\\{C}", nullptr, REG_NONE, nullptr, 0);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, u"Session", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);

  std::string error;
  ASSERT_TRUE(SaveRegistryFile(FPath, error)) << error;
  const std::string saved = ReadFile();
  EXPECT_EQ(saved.rfind("Zelk Registry 1\n", 0), 0u);
  EXPECT_NE(saved.find("[CLSID\\{S}\\Implemented Categories\\{C}]\n"), std::string::npos);
  EXPECT_NE(saved.find("\"Number\"=dword:deadbeef\n"), std::string::npos);
  // Volatile keys are not saved.
  EXPECT_EQ(saved.find("Session"), std::string::npos);

  ClearRegistry();
  EXPECT_TRUE(Value(u"CLSID\\{S}", u"Number").empty());
  ASSERT_TRUE(LoadRegistryFile(FPath, error)) << error;
  EXPECT_EQ(Text(u"CLSID\\{S}", nullptr), description);
  EXPECT_EQ(Value(u"CLSID\\{S}", u"Lone"), std::vector<BYTE>(reinterpret_cast<const BYTE*>(lone),
                                                             reinterpret_cast<const BYTE*>(lone) + sizeof lone));
  EXPECT_EQ(Value(u"CLSID\\{S}", u"Unterminated"), (std::vector<BYTE>{'a', 0, 'b', 0}));
  EXPECT_EQ(Value(u"CLSID\\{S}", u"Odd"), (std::vector<BYTE>{'a', 'b', 'c'}));
  EXPECT_EQ(Value(u"CLSID\\{S}", u"ShortNumber"), (std::vector<BYTE>{0xEF, 0xBE}));
  EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"CLSID\\{S}\\Implemented Categories\\{C}", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  RegCloseKey(key);
  // Saving what was loaded writes the same text.
  const std::string first = saved;
  ASSERT_TRUE(SaveRegistryFile(FPath, error));
  EXPECT_EQ(ReadFile(), first);
}

TEST_F(RegistryFile, MalformedLinesAreReportedWithTheirNumberAndChangeNothing) {
  Set(u"Existing", u"Kept", REG_SZ, u"yes", 8);
  EXPECT_EQ(LoadError("Zelk Registry 2\n"), ":1: the file does not start with \"Zelk Registry 1\"");
  EXPECT_EQ(LoadError(""), ":1: the file does not start with \"Zelk Registry 1\"");
  EXPECT_EQ(LoadError("Zelk Registry 1\n\"A\"=\"b\"\n"), ":2: a value comes before the first [key] line");
  EXPECT_EQ(LoadError("Zelk Registry 1\n[A]\n\"B\"=\"unterminated\n"), ":3: unterminated quoted text");
  EXPECT_EQ(LoadError("Zelk Registry 1\n[A]\n\"B\"=dword:123456789\n"), ":3: expected 1 to 8 hex digits");
  EXPECT_EQ(LoadError("Zelk Registry 1\n[A]\n\"B\"=hex:1,2\n"), ":3: expected two hex digits at column 9");
  EXPECT_EQ(LoadError("Zelk Registry 1\n[A]\n\"B\"=hex(x):00\n"), ":3: expected a value type number");
  EXPECT_EQ(LoadError("Zelk Registry 1\n[A]\n\"B\"=\"x\" trailing\n"), ":3: unexpected text at column 8");
  EXPECT_EQ(LoadError("Zelk Registry 1\n[A]\n\"B\"=\"\\q\"\n"), ":3: unknown escape at column 6");
  EXPECT_EQ(LoadError("Zelk Registry 1\n[A]\n\"B\"=\"\\u12\"\n"), ":3: \\u takes exactly 4 hex digits");
  EXPECT_EQ(LoadError("Zelk Registry 1\n[A]\nB=1\n"), ":3: expected '\"' at column 1");
  EXPECT_EQ(LoadError("Zelk Registry 1\n[\\A]\n"), ":2: a key path does not start with a backslash");
  EXPECT_EQ(LoadError("Zelk Registry 1\n[A\n"), ":2: a key line ends with ']'");
  EXPECT_EQ(LoadError("Zelk Registry 1\n[" + std::string(256, 'k') + "]\n"),
            ":2: a key name is longer than 255 characters or the path too deep");
  std::string deep;
  for (int i = 0; i < 513; ++i) deep += "k\\";
  EXPECT_EQ(LoadError("Zelk Registry 1\n[" + deep + "]\n"),
            ":2: a key name is longer than 255 characters or the path too deep");

  // Valid lines ahead of a bad one were not applied.
  EXPECT_EQ(LoadError("Zelk Registry 1\n[Existing]\n\"Kept\"=\"no\"\n[New]\n\"X\"=dword:\n"),
            ":5: expected 1 to 8 hex digits");
  EXPECT_EQ(Text(u"Existing", u"Kept"), u"yes");
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"New", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);

  std::string error;
  EXPECT_FALSE(LoadRegistryFile(FPath + ".missing", error));
  EXPECT_NE(error.find("cannot open the file"), std::string::npos);
}

TEST_F(RegistryFile, KeyNamesTheFormatCannotHoldFailTheSave) {
  const char16_t name[] = {u'A', u'\n', 0};
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  WriteFile("previous");
  std::string error;
  EXPECT_FALSE(SaveRegistryFile(FPath, error));
  EXPECT_NE(error.find("cannot hold"), std::string::npos);
  // The old file stays as it was.
  EXPECT_EQ(ReadFile(), "previous");
}

TEST_F(RegistryFile, ClearingLeavesOpenHandlesDeleted) {
  Set(u"Zelk.Clear", u"V", REG_SZ, u"x", 4);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"Zelk.Clear", 0, KEY_READ, &key), ERROR_SUCCESS);
  ClearRegistry();
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"V", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  WCHAR name[8];
  DWORD length = 8;
  EXPECT_EQ(RegEnumKeyExW(HKEY_CLASSES_ROOT, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
}
