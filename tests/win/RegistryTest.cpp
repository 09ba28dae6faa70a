#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/PlatformExtensions.h"

namespace {

const HKEY Sentinel = reinterpret_cast<HKEY>(uintptr_t(0xBAD0));

class Registry : public testing::Test {
protected:
  void SetUp() override { ClearRegistry(); }
  void TearDown() override { ClearRegistry(); }

  HKEY Create(const char16_t* path, REGSAM access = KEY_ALL_ACCESS, DWORD options = REG_OPTION_NON_VOLATILE) {
    HKEY key = Sentinel;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, path, 0, nullptr, options, access, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    return key;
  }
};

LONG SetString(HKEY key, const char16_t* name, const std::u16string& text) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        DWORD((text.size() + 1) * sizeof(WCHAR)));
}

}  // namespace

TEST_F(Registry, CreateOpenAndCloseKeys) {
  HKEY key = Sentinel;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, u"CLSID\\{A}\\ProgID", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                            nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, DWORD(REG_CREATED_NEW_KEY));
  EXPECT_NE(key, nullptr);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  // A closed handle stays invalid.
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);

  // Names compare case-insensitively, also beyond ASCII.
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, u"clsid\\{a}\\progid", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ,
                            nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, DWORD(REG_OPENED_EXISTING_KEY));
  RegCloseKey(key);
  RegCloseKey(Create(u"Zähler.Ω"));
  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"ZÄHLER.ω", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);

  // Relative to an open key; an empty or null subkey opens the same key again.
  HKEY clsid = Sentinel;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"CLSID", 0, KEY_READ, &clsid), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExW(clsid, u"{A}\\ProgID\\", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyExW(clsid, nullptr, 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_NE(key, clsid);
  RegCloseKey(key);
  RegCloseKey(clsid);

  // Failures clear the out-parameter.
  key = Sentinel;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"CLSID\\{B}", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  key = Sentinel;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"\\CLSID", 0, KEY_READ, &key), ERROR_BAD_PATHNAME);
  EXPECT_EQ(key, nullptr);
  key = Sentinel;
  EXPECT_EQ(RegOpenKeyExW(clsid, u"{A}", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"CLSID", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
  key = Sentinel;
  EXPECT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, std::u16string(256, u'k').c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, std::u16string(256, u'k').c_str(), 0, KEY_READ, &key),
            ERROR_INVALID_PARAMETER);

  // The predefined key needs no closing and survives it.
  EXPECT_EQ(RegCloseKey(HKEY_CLASSES_ROOT), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"CLSID", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, QueryValueSizesAndTypes) {
  HKEY key = Create(u"Zelk.Sizes");
  ASSERT_EQ(SetString(key, nullptr, u"Default"), ERROR_SUCCESS);
  ASSERT_EQ(SetString(key, u"Name", u"Zelk"), ERROR_SUCCESS);
  const DWORD answer = 42;
  ASSERT_EQ(RegSetValueExW(key, u"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&answer), sizeof answer),
            ERROR_SUCCESS);
  // Stored as written: no terminating null here.
  ASSERT_EQ(RegSetValueExW(key, u"Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(u"ab"), 4), ERROR_SUCCESS);

  // A null data pointer asks for type and size only; sizes are bytes with the null.
  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"name", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_EQ(size, 10u);
  EXPECT_EQ(RegQueryValueExW(key, u"Bare", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 4u);

  // Too small: ERROR_MORE_DATA with the size needed and the type; the buffer is not touched.
  WCHAR text[8] = {u'x', 0};
  size = 8;
  type = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"Name", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 10u);
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_EQ(text[0], u'x');
  size = sizeof text;
  EXPECT_EQ(RegQueryValueExW(key, u"Name", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 10u);
  EXPECT_EQ(std::u16string(text), u"Zelk");

  // The default value answers to both a null and an empty name.
  size = sizeof text;
  EXPECT_EQ(RegQueryValueExW(key, u"", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(text), u"Default");

  DWORD number = 0;
  size = sizeof number;
  EXPECT_EQ(RegQueryValueExW(key, u"NUMBER", nullptr, &type, reinterpret_cast<BYTE*>(&number), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD(REG_DWORD));
  EXPECT_EQ(number, 42u);
  EXPECT_EQ(size, 4u);

  // Rewriting a value changes its type and size.
  const BYTE blob[3] = {1, 2, 3};
  ASSERT_EQ(RegSetValueExW(key, u"Number", 0, REG_BINARY, blob, 3), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExW(key, u"Number", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD(REG_BINARY));
  EXPECT_EQ(size, 3u);

  type = 99;
  size = 99;
  EXPECT_EQ(RegQueryValueExW(key, u"Missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(type, 99u);
  EXPECT_EQ(size, 99u);
  DWORD reserved = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"Name", &reserved, &type, nullptr, &size), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegQueryValueExW(key, u"Name", nullptr, &type, reinterpret_cast<BYTE*>(text), nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegSetValueExW(key, u"Null", 0, REG_SZ, nullptr, 2), ERROR_NOACCESS);

  // A key that never had a default value has none.
  HKEY bare = Create(u"Zelk.Sizes\\Bare");
  EXPECT_EQ(RegQueryValueExW(bare, nullptr, nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(bare);
  RegCloseKey(key);
}

TEST_F(Registry, AccessRightsOfTheHandle) {
  RegCloseKey(Create(u"Zelk.Rights"));
  HKEY reader = Sentinel;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"Zelk.Rights", 0, KEY_READ, &reader), ERROR_SUCCESS);
  EXPECT_EQ(SetString(reader, u"Name", u"x"), ERROR_ACCESS_DENIED);
  HKEY created = Sentinel;
  EXPECT_EQ(RegCreateKeyExW(reader, u"Sub", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, &created, nullptr),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(created, nullptr);
  RegCloseKey(reader);

  HKEY writer = Sentinel;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"Zelk.Rights", 0, KEY_WRITE, &writer), ERROR_SUCCESS);
  EXPECT_EQ(SetString(writer, u"Name", u"x"), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(writer, u"Name", nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
  WCHAR name[8];
  DWORD length = 8;
  EXPECT_EQ(RegEnumKeyExW(writer, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_ACCESS_DENIED);
  RegCloseKey(writer);
}

TEST_F(Registry, EnumerationOrderAndBufferSizes) {
  for (const char16_t* name : {u"Keys\\beta", u"Keys\\Alpha", u"Keys\\gamma_long_name", u"Keys\\_under"})
    RegCloseKey(Create(name));
  HKEY keys = Sentinel;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"Keys", 0, KEY_READ, &keys), ERROR_SUCCESS);

  // Windows lists subkeys by their upper-case names: '_' (0x5F) after the capitals.
  std::vector<std::u16string> names;
  WCHAR name[256];
  FILETIME written = {0, 0};
  DWORD index = 0;
  for (;; ++index) {
    DWORD length = 256;
    const LONG result = RegEnumKeyExW(keys, index, name, &length, nullptr, nullptr, nullptr, &written);
    if (result != ERROR_SUCCESS) {
      EXPECT_EQ(result, ERROR_NO_MORE_ITEMS);
      break;
    }
    EXPECT_EQ(length, std::char_traits<char16_t>::length(name));
    names.emplace_back(name, length);
  }
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Alpha", u"beta", u"gamma_long_name", u"_under"}));
  // 2020-01-01 in FILETIME ticks: the write time is the clock's.
  EXPECT_GT((ULONGLONG(written.dwHighDateTime) << 32) | written.dwLowDateTime, 132223104000000000ULL);

  // The length goes in with room for the null and comes out without it; too small leaves
  // buffer and length as they were.
  DWORD length = 5;
  name[0] = u'x';
  EXPECT_EQ(RegEnumKeyExW(keys, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  EXPECT_EQ(length, 5u);
  EXPECT_EQ(name[0], u'x');
  length = 6;
  EXPECT_EQ(RegEnumKeyExW(keys, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(length, 5u);
  EXPECT_EQ(std::u16string(name), u"Alpha");

  EXPECT_EQ(RegEnumKeyExW(keys, 0, nullptr, &length, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegEnumKeyExW(keys, 0, name, nullptr, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
  RegCloseKey(keys);
}

TEST_F(Registry, DeletingKeys) {
  RegCloseKey(Create(u"Zelk.Delete\\Child"));
  HKEY child = Sentinel;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"Zelk.Delete\\Child", 0, KEY_ALL_ACCESS, &child), ERROR_SUCCESS);

  // Only a key without subkeys can go.
  EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u"Zelk.Delete"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u"ZELK.DELETE\\CHILD"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u"Zelk.Delete\\Child"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u""), ERROR_ACCESS_DENIED);

  // A handle to the deleted key still closes, but reaches nothing.
  EXPECT_EQ(SetString(child, u"Name", u"x"), ERROR_KEY_DELETED);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(child, u"Name", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(RegDeleteKeyW(child, u""), ERROR_KEY_DELETED);
  HKEY again = Sentinel;
  EXPECT_EQ(RegOpenKeyExW(child, nullptr, 0, KEY_READ, &again), ERROR_KEY_DELETED);
  EXPECT_EQ(again, nullptr);
  EXPECT_EQ(RegCloseKey(child), ERROR_SUCCESS);

  // An empty subkey name deletes the handle's own key.
  HKEY parent = Create(u"Zelk.Delete");
  EXPECT_EQ(RegDeleteKeyW(parent, u""), ERROR_SUCCESS);
  RegCloseKey(parent);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"Zelk.Delete", 0, KEY_READ, &parent), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, VolatileKeys) {
  RegCloseKey(Create(u"Zelk.Volatile", KEY_ALL_ACCESS, REG_OPTION_VOLATILE));
  HKEY key = Sentinel;
  EXPECT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, u"Zelk.Volatile\\Kept", 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_CHILD_MUST_BE_VOLATILE);
  EXPECT_EQ(key, nullptr);
  RegCloseKey(Create(u"Zelk.Volatile\\Gone", KEY_ALL_ACCESS, REG_OPTION_VOLATILE));
  EXPECT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, u"Zelk.Other", 0, nullptr, 0x10, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, ThreadsWriteAndReadTogether) {
  // Each thread writes its own keys while reading everyone's; the sanitizer checks the rest.
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i) {
        const std::u16string path = u"Threads\\T" + std::u16string(1, char16_t(u'0' + t)) + u"\\" +
                                    std::u16string(1, char16_t(u'A' + i % 26));
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(SetString(key, nullptr, path), ERROR_SUCCESS);
        DWORD size = 0;
        EXPECT_EQ(RegQueryValueExW(key, nullptr, nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
        EXPECT_EQ(size, (path.size() + 1) * sizeof(WCHAR));
        RegCloseKey(key);
      }
    });
  for (std::thread& thread : threads) thread.join();
  HKEY threadsKey = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"Threads\\T3", 0, KEY_READ, &threadsKey), ERROR_SUCCESS);
  WCHAR name[8];
  DWORD length = 8;
  EXPECT_EQ(RegEnumKeyExW(threadsKey, 25, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(RegEnumKeyExW(threadsKey, 26, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  RegCloseKey(threadsKey);
}
