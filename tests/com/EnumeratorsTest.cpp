#include <gtest/gtest.h>

#include <string>

#include "platform/PlatformExtensions.h"

namespace {

// Counts its own references so that tests can see what an enumerator holds.
class TTracked : public TComObject<IClassFactory> {
public:
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

ULONG References(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

}  // namespace

TEST(Enumerators, NextDeliversWhatIsLeftAndAnswersSFalseWhenShort) {
  ComPtr<IEnumString> strings;
  ASSERT_EQ(CreateEnumString({u"one", u"two", u"three"}, strings.GetAddressOf()), S_OK);

  LPOLESTR batch[5] = {};
  ULONG fetched = 99;
  EXPECT_EQ(strings->Next(2, batch, &fetched), S_OK);
  EXPECT_EQ(fetched, 2u);
  EXPECT_EQ(std::u16string(batch[0]), u"one");
  EXPECT_EQ(std::u16string(batch[1]), u"two");
  CoTaskMemFree(batch[0]);
  CoTaskMemFree(batch[1]);

  EXPECT_EQ(strings->Next(5, batch, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 1u);
  EXPECT_EQ(std::u16string(batch[0]), u"three");
  CoTaskMemFree(batch[0]);

  EXPECT_EQ(strings->Next(1, batch, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
  // Fetching none of none is complete.
  EXPECT_EQ(strings->Next(0, batch, &fetched), S_OK);
}

TEST(Enumerators, NullFetchedCountIsAllowedOnlyForOneElement) {
  ComPtr<IEnumGUID> guids;
  ASSERT_EQ(CreateEnumGUID({IID_IUnknown, IID_IClassFactory}, guids.GetAddressOf()), S_OK);
  GUID batch[2];
  EXPECT_EQ(guids->Next(2, batch, nullptr), E_INVALIDARG);
  EXPECT_EQ(guids->Next(1, batch, nullptr), S_OK);
  EXPECT_EQ(batch[0], IID_IUnknown);
  EXPECT_EQ(guids->Next(1, nullptr, nullptr), E_POINTER);
  // The refused calls did not move the position.
  EXPECT_EQ(guids->Next(1, batch, nullptr), S_OK);
  EXPECT_EQ(batch[0], IID_IClassFactory);
}

TEST(Enumerators, SkipResetAndCloneKeepTheirOwnPositions) {
  ComPtr<IEnumGUID> guids;
  ASSERT_EQ(CreateEnumGUID({IID_IUnknown, IID_IClassFactory, IID_IEnumGUID}, guids.GetAddressOf()), S_OK);
  EXPECT_EQ(guids->Skip(1), S_OK);

  ComPtr<IEnumGUID> clone;
  ASSERT_EQ(guids->Clone(clone.GetAddressOf()), S_OK);
  GUID next;
  ULONG fetched = 0;
  EXPECT_EQ(clone->Next(1, &next, &fetched), S_OK);
  EXPECT_EQ(next, IID_IClassFactory);

  // Skipping past the end stops there and says so.
  EXPECT_EQ(guids->Skip(5), S_FALSE);
  EXPECT_EQ(guids->Next(1, &next, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);

  // The clone was not moved by the original.
  EXPECT_EQ(clone->Next(1, &next, &fetched), S_OK);
  EXPECT_EQ(next, IID_IEnumGUID);

  EXPECT_EQ(guids->Reset(), S_OK);
  EXPECT_EQ(guids->Next(1, &next, &fetched), S_OK);
  EXPECT_EQ(next, IID_IUnknown);
  EXPECT_EQ(guids->Clone(nullptr), E_POINTER);
}

TEST(Enumerators, UnknownEnumeratorHandsOutReferences) {
  ComPtr<TTracked> object(new TTracked);
  ASSERT_EQ(References(object->Identity()), 1u);
  {
    ComPtr<IEnumUnknown> objects;
    ASSERT_EQ(CreateEnumUnknown({ComPtr<IUnknown>(object->Identity())}, objects.GetAddressOf()), S_OK);
    EXPECT_EQ(References(object->Identity()), 2u);
    IUnknown* delivered = nullptr;
    ASSERT_EQ(objects->Next(1, &delivered, nullptr), S_OK);
    EXPECT_EQ(delivered, object->Identity());
    EXPECT_EQ(References(object->Identity()), 3u);
    delivered->Release();
  }
  EXPECT_EQ(References(object->Identity()), 1u);
}

TEST(ComObject, QueryInterfaceFollowsTheIdentityRules) {
  ComPtr<TTracked> object(new TTracked);
  IUnknown* unknown = nullptr;
  ASSERT_EQ(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  EXPECT_EQ(unknown, object->Identity());
  unknown->Release();

  void* other = &other;
  EXPECT_EQ(object->QueryInterface(IID_IEnumString, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

  ComPtr<IClassFactory> factory;
  EXPECT_EQ(object.As(&factory), S_OK);
  EXPECT_EQ(References(object->Identity()), 2u);
}
