#include <gtest/gtest.h>

#include "com/AutomationTestSupport.h"

TEST(SafeArray, VectorShapeAndBounds) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_I4, -2, 5);
  ASSERT_NE(psa, nullptr);
  EXPECT_EQ(SafeArrayGetDim(psa), 1u);
  EXPECT_EQ(SafeArrayGetElemsize(psa), 4u);
  LONG bound = 0;
  EXPECT_EQ(SafeArrayGetLBound(psa, 1, &bound), S_OK);
  EXPECT_EQ(bound, -2);
  EXPECT_EQ(SafeArrayGetUBound(psa, 1, &bound), S_OK);
  EXPECT_EQ(bound, 2);
  bound = 99;
  EXPECT_EQ(SafeArrayGetLBound(psa, 2, &bound), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayGetLBound(psa, 0, &bound), DISP_E_BADINDEX);
  EXPECT_EQ(bound, 99);
  VARTYPE vt = VT_EMPTY;
  EXPECT_EQ(SafeArrayGetVartype(psa, &vt), S_OK);
  EXPECT_EQ(vt, VT_I4);

  LONG index = 2;
  LONG value = 1234;
  EXPECT_EQ(SafeArrayPutElement(psa, &index, &value), S_OK);
  value = 0;
  EXPECT_EQ(SafeArrayGetElement(psa, &index, &value), S_OK);
  EXPECT_EQ(value, 1234);
  for (LONG outside : {-3, 3}) {
    value = 55;
    EXPECT_EQ(SafeArrayGetElement(psa, &outside, &value), DISP_E_BADINDEX);
    EXPECT_EQ(value, 55);
    EXPECT_EQ(SafeArrayPutElement(psa, &outside, &value), DISP_E_BADINDEX);
  }
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);

  // Empty arrays are fine; element types an array cannot hold are not.
  SAFEARRAY* empty = SafeArrayCreateVector(VT_BSTR, 0, 0);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SafeArrayGetUBound(empty, 1, &bound), S_OK);
  EXPECT_EQ(bound, -1);
  EXPECT_EQ(SafeArrayDestroy(empty), S_OK);
  EXPECT_EQ(SafeArrayCreateVector(VT_EMPTY, 0, 1), nullptr);
  EXPECT_EQ(SafeArrayCreateVector(VT_NULL, 0, 1), nullptr);
  EXPECT_EQ(SafeArrayCreateVector(VT_ARRAY | VT_I4, 0, 1), nullptr);
  EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
}

TEST(SafeArray, LocksBlockDestruction) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_R8, 0, 3);
  double* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(psa, reinterpret_cast<void**>(&data)), S_OK);
  ASSERT_NE(data, nullptr);
  data[2] = 2.5;
  EXPECT_EQ(psa->cLocks, 1u);
  EXPECT_EQ(SafeArrayDestroy(psa), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(SafeArrayDestroyData(psa), DISP_E_ARRAYISLOCKED);
  SAFEARRAYBOUND bigger = {6, 0};
  EXPECT_EQ(SafeArrayRedim(psa, &bigger), DISP_E_ARRAYISLOCKED);
  LONG index = 2;
  double value = 0;
  EXPECT_EQ(SafeArrayGetElement(psa, &index, &value), S_OK);  // elements stay reachable
  EXPECT_EQ(value, 2.5);
  EXPECT_EQ(psa->cLocks, 1u);
  EXPECT_EQ(SafeArrayUnaccessData(psa), S_OK);
  EXPECT_EQ(SafeArrayUnaccessData(psa), E_UNEXPECTED);
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArray, StringElementsAreCopiedInAndOut) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 1, 2);
  EXPECT_EQ(psa->fFeatures & FADF_BSTR, FADF_BSTR);
  LONG index = 2;
  BSTR mine = SysAllocString(u"first");
  ASSERT_EQ(SafeArrayPutElement(psa, &index, mine), S_OK);
  SysFreeString(mine);  // the array holds its own copy
  mine = SysAllocString(u"second");
  ASSERT_EQ(SafeArrayPutElement(psa, &index, mine), S_OK);  // frees "first"
  SysFreeString(mine);

  BSTR out = nullptr;
  ASSERT_EQ(SafeArrayGetElement(psa, &index, &out), S_OK);
  EXPECT_EQ(TextOf(out), u"second");
  out[0] = u'X';
  SysFreeString(out);
  ASSERT_EQ(SafeArrayGetElement(psa, &index, &out), S_OK);
  EXPECT_EQ(TextOf(out), u"second");
  SysFreeString(out);

  index = 1;  // never written: a null BSTR comes back null
  out = SysAllocString(u"stale");
  BSTR stale = out;
  ASSERT_EQ(SafeArrayGetElement(psa, &index, &out), S_OK);
  EXPECT_EQ(out, nullptr);
  SysFreeString(stale);
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);  // frees "second"
}

TEST(SafeArray, VariantAndInterfaceElements) {
  SAFEARRAY* variants = SafeArrayCreateVector(VT_VARIANT, 0, 1);
  ScopedVariant item, out;
  item.v.vt = VT_BSTR;
  item.v.bstrVal = SysAllocString(u"text");
  LONG index = 0;
  ASSERT_EQ(SafeArrayPutElement(variants, &index, &item.v), S_OK);
  ASSERT_EQ(SafeArrayGetElement(variants, &index, &out.v), S_OK);
  EXPECT_NE(out.v.bstrVal, item.v.bstrVal);
  EXPECT_EQ(TextOf(out.v.bstrVal), u"text");
  EXPECT_EQ(SafeArrayDestroy(variants), S_OK);

  ReferenceProbe first, second;
  SAFEARRAY* objects = SafeArrayCreateVector(VT_UNKNOWN, 0, 2);
  VARTYPE vt;
  EXPECT_EQ(SafeArrayGetVartype(objects, &vt), S_OK);
  EXPECT_EQ(vt, VT_UNKNOWN);
  ASSERT_EQ(SafeArrayPutElement(objects, &index, static_cast<IUnknown*>(&first)), S_OK);
  EXPECT_EQ(first.refs, 2u);
  ASSERT_EQ(SafeArrayPutElement(objects, &index, static_cast<IUnknown*>(&second)), S_OK);
  EXPECT_EQ(first.refs, 1u);  // replaced, so released
  EXPECT_EQ(second.refs, 2u);
  IUnknown* fetched = nullptr;
  ASSERT_EQ(SafeArrayGetElement(objects, &index, &fetched), S_OK);
  EXPECT_EQ(fetched, &second);
  EXPECT_EQ(second.refs, 3u);
  fetched->Release();

  SAFEARRAY* copy = nullptr;
  ASSERT_EQ(SafeArrayCopy(objects, &copy), S_OK);
  EXPECT_EQ(second.refs, 3u);
  EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
  EXPECT_EQ(SafeArrayDestroy(objects), S_OK);
  EXPECT_EQ(second.refs, 1u);
}

TEST(SafeArray, CopyIsDeepAndUnlocked) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 0, 1);
  LONG index = 0;
  BSTR text = SysAllocString(u"keep");
  SafeArrayPutElement(psa, &index, text);
  SysFreeString(text);
  SafeArrayLock(psa);
  SAFEARRAY* copy = reinterpret_cast<SAFEARRAY*>(1);
  ASSERT_EQ(SafeArrayCopy(psa, &copy), S_OK);
  EXPECT_EQ(copy->cLocks, 0u);
  VARTYPE vt;
  EXPECT_EQ(SafeArrayGetVartype(copy, &vt), S_OK);
  EXPECT_EQ(vt, VT_BSTR);
  BSTR* copied;
  SafeArrayAccessData(copy, reinterpret_cast<void**>(&copied));
  copied[0][0] = u'X';
  SafeArrayUnaccessData(copy);
  BSTR original;
  SafeArrayGetElement(psa, &index, &original);
  EXPECT_EQ(TextOf(original), u"keep");
  SysFreeString(original);
  SafeArrayUnlock(psa);
  EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);

  ASSERT_EQ(SafeArrayCopy(nullptr, &copy), S_OK);
  EXPECT_EQ(copy, nullptr);
}

TEST(SafeArray, TwoDimensionsStoreTheFirstFastest) {
  SAFEARRAYBOUND bounds[2] = {{2, 1}, {3, 10}};
  SAFEARRAY* psa = SafeArrayCreate(VT_I2, 2, bounds);
  ASSERT_NE(psa, nullptr);
  EXPECT_EQ(SafeArrayGetDim(psa), 2u);
  EXPECT_EQ(psa->rgsabound[0].lLbound, 10);  // kept in reverse order
  LONG bound;
  SafeArrayGetLBound(psa, 1, &bound);
  EXPECT_EQ(bound, 1);
  SafeArrayGetUBound(psa, 2, &bound);
  EXPECT_EQ(bound, 12);

  void* origin;
  void* nextInFirst;
  void* nextInSecond;
  LONG at[2] = {1, 10};
  ASSERT_EQ(SafeArrayPtrOfIndex(psa, at, &origin), S_OK);
  at[0] = 2;
  ASSERT_EQ(SafeArrayPtrOfIndex(psa, at, &nextInFirst), S_OK);
  at[0] = 1;
  at[1] = 11;
  ASSERT_EQ(SafeArrayPtrOfIndex(psa, at, &nextInSecond), S_OK);
  EXPECT_EQ(static_cast<BYTE*>(nextInFirst) - static_cast<BYTE*>(origin), 2);
  EXPECT_EQ(static_cast<BYTE*>(nextInSecond) - static_cast<BYTE*>(origin), 4);
  at[1] = 13;
  EXPECT_EQ(SafeArrayPtrOfIndex(psa, at, &origin), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArray, RedimKeepsElementsAndFreesTheDropped) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 0, 3);
  for (LONG i = 0; i < 3; ++i) {
    BSTR text = SysAllocStringLen(u"abc", UINT(i + 1));
    SafeArrayPutElement(psa, &i, text);
    SysFreeString(text);
  }
  SAFEARRAYBOUND smaller = {2, 0};
  ASSERT_EQ(SafeArrayRedim(psa, &smaller), S_OK);  // the third string is freed
  SAFEARRAYBOUND larger = {4, 5};
  ASSERT_EQ(SafeArrayRedim(psa, &larger), S_OK);
  LONG index = 6;
  BSTR out;
  ASSERT_EQ(SafeArrayGetElement(psa, &index, &out), S_OK);
  EXPECT_EQ(TextOf(out), u"ab");
  SysFreeString(out);
  index = 7;
  ASSERT_EQ(SafeArrayGetElement(psa, &index, &out), S_OK);
  EXPECT_EQ(out, nullptr);  // new elements start empty
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}
