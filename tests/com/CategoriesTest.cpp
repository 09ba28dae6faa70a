#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "com/TestServer.h"

namespace {

ZELK_DEFINE_GUID(CATID_TestA, 0x5A1E0301, 0x7C1D, 0x4E55, 0x9B, 0x11, 0x20, 0x31, 0x42, 0x53, 0x64, 0x75);
ZELK_DEFINE_GUID(CATID_TestB, 0x5A1E0302, 0x7C1D, 0x4E55, 0x9B, 0x11, 0x20, 0x31, 0x42, 0x53, 0x64, 0x75);
ZELK_DEFINE_GUID(CATID_TestRequired, 0x5A1E0303, 0x7C1D, 0x4E55, 0x9B, 0x11, 0x20, 0x31, 0x42, 0x53, 0x64, 0x75);
ZELK_DEFINE_GUID(CATID_Unregistered, 0x5A1E03FF, 0x7C1D, 0x4E55, 0x9B, 0x11, 0x20, 0x31, 0x42, 0x53, 0x64, 0x75);
ZELK_DEFINE_GUID(CLSID_InA, 0x5A1E0311, 0x7C1D, 0x4E55, 0x9B, 0x11, 0x20, 0x31, 0x42, 0x53, 0x64, 0x75);
ZELK_DEFINE_GUID(CLSID_InAB, 0x5A1E0312, 0x7C1D, 0x4E55, 0x9B, 0x11, 0x20, 0x31, 0x42, 0x53, 0x64, 0x75);
ZELK_DEFINE_GUID(CLSID_InANeedsRequired, 0x5A1E0313, 0x7C1D, 0x4E55, 0x9B, 0x11, 0x20, 0x31, 0x42, 0x53, 0x64, 0x75);

void RegisterClass(REFCLSID clsid, std::vector<CATID> implemented) {
  TComClassInfo info;
  info.ClassId = clsid;
  info.Description = "categorised test class";
  info.ImplementedCategories = std::move(implemented);
  ASSERT_EQ(RegisterClassKeys(info), S_OK);
}

void WriteKey(const std::u16string& path, const char16_t* valueName = nullptr, const std::u16string& value = u"") {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  if (valueName) {
    EXPECT_EQ(RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             DWORD((value.size() + 1) * sizeof(WCHAR))),
              ERROR_SUCCESS);
  }
  RegCloseKey(key);
}

std::u16string Text(REFGUID guid) {
  OLECHAR text[39];
  StringFromGUID2(guid, text, 39);
  return text;
}

std::vector<GUID> Drain(IEnumGUID* guids) {
  std::vector<GUID> all;
  GUID batch[4];
  ULONG fetched = 0;
  HRESULT hr;
  do {
    hr = guids->Next(4, batch, &fetched);
    all.insert(all.end(), batch, batch + fetched);
  } while (hr == S_OK);
  guids->Release();
  return all;
}

bool Has(const std::vector<GUID>& list, REFGUID guid) { return std::find(list.begin(), list.end(), guid) != list.end(); }

class Categories : public testing::Test {
protected:
  void SetUp() override {
    RegisterClass(CLSID_InA, {CATID_TestA});
    RegisterClass(CLSID_InAB, {CATID_TestA, CATID_TestB});
    RegisterClass(CLSID_InANeedsRequired, {CATID_TestA});
    WriteKey(u"CLSID\\" + Text(CLSID_InANeedsRequired) + u"\\Required Categories\\" + Text(CATID_TestRequired));
    WriteKey(u"Component Categories\\" + Text(CATID_TestA), u"409", u"Test category A");
    WriteKey(u"Component Categories\\" + Text(CATID_TestB), u"407", u"Testkategorie B");
    ASSERT_EQ(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                               IID_ICatInformation, reinterpret_cast<void**>(FManager.GetAddressOf())),
              S_OK);
  }

  std::vector<GUID> Classes(ULONG cImpl, const CATID* impl, ULONG cReq, const CATID* req) {
    IEnumGUID* classes = nullptr;
    EXPECT_EQ(FManager->EnumClassesOfCategories(cImpl, impl, cReq, req, &classes), S_OK);
    return classes ? Drain(classes) : std::vector<GUID>{};
  }

  ComPtr<ICatInformation> FManager;
};

}  // namespace

TEST_F(Categories, ClassesOfCategoriesHonourImplementedAndRequiredLists) {
  const CATID onlyB[] = {CATID_TestB};
  std::vector<GUID> found = Classes(1, onlyB, ULONG(-1), nullptr);
  EXPECT_TRUE(Has(found, CLSID_InAB));
  EXPECT_FALSE(Has(found, CLSID_InA));

  // Any required categories allowed: all three classes of A.
  const CATID onlyA[] = {CATID_TestA};
  found = Classes(1, onlyA, ULONG(-1), nullptr);
  EXPECT_TRUE(Has(found, CLSID_InA) && Has(found, CLSID_InAB) && Has(found, CLSID_InANeedsRequired));

  // No required category allowed: the class that needs one drops out.
  found = Classes(1, onlyA, 0, nullptr);
  EXPECT_TRUE(Has(found, CLSID_InA));
  EXPECT_FALSE(Has(found, CLSID_InANeedsRequired));
  const CATID required[] = {CATID_TestRequired};
  EXPECT_TRUE(Has(Classes(1, onlyA, 1, required), CLSID_InANeedsRequired));

  // Any implemented category: every class.
  found = Classes(ULONG(-1), nullptr, ULONG(-1), nullptr);
  EXPECT_TRUE(Has(found, CLSID_InA) && Has(found, CLSID_InAB));

  const CATID nobody[] = {CATID_Unregistered};
  EXPECT_TRUE(Classes(1, nobody, ULONG(-1), nullptr).empty());

  IEnumGUID* classes = reinterpret_cast<IEnumGUID*>(this);
  EXPECT_EQ(FManager->EnumClassesOfCategories(0, onlyA, ULONG(-1), nullptr, &classes), E_INVALIDARG);
  EXPECT_EQ(classes, nullptr);
  EXPECT_EQ(FManager->EnumClassesOfCategories(1, nullptr, ULONG(-1), nullptr, &classes), E_INVALIDARG);
  EXPECT_EQ(FManager->EnumClassesOfCategories(1, onlyA, 1, nullptr, &classes), E_INVALIDARG);
}

TEST_F(Categories, CategoriesOfOneClass) {
  const CATID onlyB[] = {CATID_TestB};
  EXPECT_EQ(FManager->IsClassOfCategories(CLSID_InAB, 1, onlyB, ULONG(-1), nullptr), S_OK);
  EXPECT_EQ(FManager->IsClassOfCategories(CLSID_InA, 1, onlyB, ULONG(-1), nullptr), S_FALSE);

  IEnumGUID* categories = nullptr;
  ASSERT_EQ(FManager->EnumImplCategoriesOfClass(CLSID_InAB, &categories), S_OK);
  std::vector<GUID> implemented = Drain(categories);
  EXPECT_EQ(implemented.size(), 2u);
  EXPECT_TRUE(Has(implemented, CATID_TestA) && Has(implemented, CATID_TestB));

  ASSERT_EQ(FManager->EnumReqCategoriesOfClass(CLSID_InANeedsRequired, &categories), S_OK);
  EXPECT_EQ(Drain(categories), std::vector<GUID>{CATID_TestRequired});
  EXPECT_EQ(FManager->EnumImplCategoriesOfClass(CATID_Unregistered, &categories), REGDB_E_CLASSNOTREG);
}

TEST_F(Categories, DescriptionsFallBackToEnglish) {
  LPWSTR description = nullptr;
  ASSERT_EQ(FManager->GetCategoryDesc(CATID_TestA, 0x407, &description), S_OK);
  EXPECT_EQ(std::u16string(description), u"Test category A");
  CoTaskMemFree(description);
  ASSERT_EQ(FManager->GetCategoryDesc(CATID_TestB, 0x407, &description), S_OK);
  EXPECT_EQ(std::u16string(description), u"Testkategorie B");
  CoTaskMemFree(description);
  EXPECT_EQ(FManager->GetCategoryDesc(CATID_TestB, 0x409, &description), CAT_E_NODESCRIPTION);
  EXPECT_EQ(description, nullptr);
  EXPECT_EQ(FManager->GetCategoryDesc(CATID_Unregistered, 0x409, &description), CAT_E_CATIDNOEXIST);

  IEnumCATEGORYINFO* infos = nullptr;
  ASSERT_EQ(FManager->EnumCategories(0x409, &infos), S_OK);
  CATEGORYINFO info;
  bool sawA = false;
  while (infos->Next(1, &info, nullptr) == S_OK) {
    if (info.catid != CATID_TestA) continue;
    sawA = true;
    EXPECT_EQ(std::u16string(info.szDescription), u"Test category A");
    EXPECT_EQ(info.lcid, 0x409u);
  }
  infos->Release();
  EXPECT_TRUE(sawA);
}
