#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "com/AutomationTestSupport.h"

namespace {

// Loads a value into an (empty) ScopedVariant.
void SetI4(ScopedVariant& var, LONG value) {
  VariantClear(&var.v);
  var.v.vt = VT_I4;
  var.v.lVal = value;
}
void SetR8(ScopedVariant& var, double value) {
  VariantClear(&var.v);
  var.v.vt = VT_R8;
  var.v.dblVal = value;
}
void SetText(ScopedVariant& var, const char16_t* text) {
  VariantClear(&var.v);
  var.v.vt = VT_BSTR;
  var.v.bstrVal = SysAllocString(text);
}

// The result of converting source to vt, or the failure code with the destination's old type.
struct Conversion {
  HRESULT hr;
  ScopedVariant out;
};

void Convert(const VARIANT& source, VARTYPE vt, Conversion& result, USHORT flags = 0) {
  result.hr = VariantChangeTypeEx(&result.out.v, &source, LOCALE_INVARIANT, flags, vt);
}

}  // namespace

TEST(Variant, ClearFreesWhatTheVariantOwnsButNotWhatItReferences) {
  ReferenceProbe object;
  VARIANT unknown;
  unknown.vt = VT_UNKNOWN;
  unknown.punkVal = &object;
  object.AddRef();
  EXPECT_EQ(VariantClear(&unknown), S_OK);
  EXPECT_EQ(unknown.vt, VT_EMPTY);
  EXPECT_EQ(object.refs, 1u);

  BSTR owned = SysAllocString(u"kept");
  VARIANT byref;
  byref.vt = VT_BYREF | VT_BSTR;
  byref.pbstrVal = &owned;
  EXPECT_EQ(VariantClear(&byref), S_OK);
  EXPECT_EQ(byref.vt, VT_EMPTY);
  EXPECT_EQ(TextOf(owned), u"kept");  // byref targets belong to someone else
  SysFreeString(owned);

  VARIANT bad;
  bad.vt = 15;
  EXPECT_EQ(VariantClear(&bad), DISP_E_BADVARTYPE);
  EXPECT_EQ(bad.vt, 15);
  bad.vt = VT_VARIANT;  // only valid behind VT_BYREF or VT_ARRAY
  EXPECT_EQ(VariantClear(&bad), DISP_E_BADVARTYPE);

  VARIANT locked;
  locked.vt = VT_ARRAY | VT_I4;
  locked.parray = SafeArrayCreateVector(VT_I4, 0, 2);
  SafeArrayLock(locked.parray);
  EXPECT_EQ(VariantClear(&locked), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(locked.vt, VT_ARRAY | VT_I4);  // nothing lost: still holds the array
  SafeArrayUnlock(locked.parray);
  EXPECT_EQ(VariantClear(&locked), S_OK);
}

TEST(Variant, CopyIsDeep) {
  ScopedVariant original, copy;
  SetText(original, u"abc");
  SetR8(copy, 1);
  ASSERT_EQ(VariantCopy(&copy.v, &original.v), S_OK);
  ASSERT_EQ(copy.v.vt, VT_BSTR);
  EXPECT_NE(copy.v.bstrVal, original.v.bstrVal);
  copy.v.bstrVal[0] = u'X';
  EXPECT_EQ(TextOf(original.v.bstrVal), u"abc");

  // Onto itself: nothing happens, nothing is freed.
  EXPECT_EQ(VariantCopy(&original.v, &original.v), S_OK);
  EXPECT_EQ(TextOf(original.v.bstrVal), u"abc");

  ReferenceProbe object;
  ScopedVariant unknown, unknownCopy;
  unknown.v.vt = VT_UNKNOWN;
  unknown.v.punkVal = &object;
  object.AddRef();
  ASSERT_EQ(VariantCopy(&unknownCopy.v, &unknown.v), S_OK);
  EXPECT_EQ(object.refs, 3u);
  VariantClear(&unknownCopy.v);
  VariantClear(&unknown.v);
  EXPECT_EQ(object.refs, 1u);

  ScopedVariant decimal, decimalCopy;
  decimal.v.decVal.Lo64 = 12345;
  decimal.v.decVal.Hi32 = 7;
  decimal.v.decVal.scale = 2;
  decimal.v.decVal.sign = DECIMAL_NEG;
  decimal.v.vt = VT_DECIMAL;
  ASSERT_EQ(VariantCopy(&decimalCopy.v, &decimal.v), S_OK);
  EXPECT_EQ(std::memcmp(&decimalCopy.v.decVal, &decimal.v.decVal, sizeof(DECIMAL)), 0);

  // A bad source fails before the destination is touched.
  VARIANT bad;
  bad.vt = 0x7F;
  EXPECT_EQ(VariantCopy(&copy.v, &bad), DISP_E_BADVARTYPE);
  EXPECT_EQ(copy.v.vt, VT_BSTR);
}

TEST(Variant, CopyOfArraysCopiesTheElements) {
  ScopedVariant strings, stringsCopy;
  strings.v.vt = VT_ARRAY | VT_BSTR;
  strings.v.parray = SafeArrayCreateVector(VT_BSTR, 0, 2);
  LONG index = 1;
  BSTR element = SysAllocString(u"one");
  SafeArrayPutElement(strings.v.parray, &index, element);
  SysFreeString(element);
  ASSERT_EQ(VariantCopy(&stringsCopy.v, &strings.v), S_OK);
  EXPECT_NE(stringsCopy.v.parray, strings.v.parray);
  BSTR* copied;
  SafeArrayAccessData(stringsCopy.v.parray, reinterpret_cast<void**>(&copied));
  copied[1][0] = u'X';
  SafeArrayUnaccessData(stringsCopy.v.parray);
  SafeArrayGetElement(strings.v.parray, &index, &element);
  EXPECT_EQ(TextOf(element), u"one");
  SysFreeString(element);

  ScopedVariant variants, variantsCopy, item, fetched;
  variants.v.vt = VT_ARRAY | VT_VARIANT;
  variants.v.parray = SafeArrayCreateVector(VT_VARIANT, 0, 1);
  SetText(item, u"inner");
  index = 0;
  SafeArrayPutElement(variants.v.parray, &index, &item.v);
  ASSERT_EQ(VariantCopy(&variantsCopy.v, &variants.v), S_OK);
  VARIANT* inner;
  SafeArrayAccessData(variantsCopy.v.parray, reinterpret_cast<void**>(&inner));
  EXPECT_EQ(inner[0].vt, VT_BSTR);
  inner[0].bstrVal[0] = u'X';
  SafeArrayUnaccessData(variantsCopy.v.parray);
  SafeArrayGetElement(variants.v.parray, &index, &fetched.v);
  EXPECT_EQ(TextOf(fetched.v.bstrVal), u"inner");
}

TEST(Variant, CopyKeepsReferencesCopyIndFollowsThem) {
  SHORT number = 42;
  VARIANT byref;
  byref.vt = VT_BYREF | VT_I2;
  byref.piVal = &number;
  ScopedVariant copy;
  ASSERT_EQ(VariantCopy(&copy.v, &byref), S_OK);
  EXPECT_EQ(copy.v.vt, VT_BYREF | VT_I2);
  EXPECT_EQ(copy.v.piVal, &number);

  ASSERT_EQ(VariantCopyInd(&copy.v, &byref), S_OK);
  EXPECT_EQ(copy.v.vt, VT_I2);
  EXPECT_EQ(copy.v.iVal, 42);

  // A byref VARIANT holding a byref value is followed both times.
  BSTR text = SysAllocString(u"deep");
  VARIANT inner;
  inner.vt = VT_BYREF | VT_BSTR;
  inner.pbstrVal = &text;
  VARIANT outer;
  outer.vt = VT_BYREF | VT_VARIANT;
  outer.pvarVal = &inner;
  ASSERT_EQ(VariantCopyInd(&copy.v, &outer), S_OK);
  EXPECT_EQ(copy.v.vt, VT_BSTR);
  EXPECT_NE(copy.v.bstrVal, text);
  EXPECT_EQ(TextOf(copy.v.bstrVal), u"deep");

  // In place.
  VARIANT inPlace = outer;
  ASSERT_EQ(VariantCopyInd(&inPlace, &inPlace), S_OK);
  EXPECT_EQ(inPlace.vt, VT_BSTR);
  EXPECT_EQ(TextOf(inPlace.bstrVal), u"deep");
  VariantClear(&inPlace);
  SysFreeString(text);
}

TEST(VariantChangeType, IntegerRangesAndRounding) {
  ScopedVariant source;
  Conversion result;
  result.out.v.vt = VT_R8;
  result.out.v.dblVal = 7;
  SetI4(source, 0x7FFFFFFF);
  Convert(source.v, VT_I2, result);
  EXPECT_EQ(result.hr, DISP_E_OVERFLOW);
  EXPECT_EQ(result.out.v.vt, VT_R8);  // a failed conversion leaves the destination alone
  EXPECT_EQ(result.out.v.dblVal, 7);

  SetI4(source, -1);
  Convert(source.v, VT_UI1, result);
  EXPECT_EQ(result.hr, DISP_E_OVERFLOW);
  Convert(source.v, VT_I1, result);
  EXPECT_EQ(result.hr, S_OK);
  EXPECT_EQ(result.out.v.vt, VT_I1);
  EXPECT_EQ(result.out.v.cVal, -1);

  // Ties go to the even neighbour.
  const struct {
    double value;
    LONG expected;
  } rounding[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {0.5, 0}, {1.4999, 1}, {2.5000001, 3}};
  for (const auto& check : rounding) {
    SetR8(source, check.value);
    Convert(source.v, VT_I4, result);
    EXPECT_EQ(result.hr, S_OK) << check.value;
    EXPECT_EQ(result.out.v.lVal, check.expected) << check.value;
  }

  SetR8(source, 2147483647.5);  // rounds to 2^31
  Convert(source.v, VT_I4, result);
  EXPECT_EQ(result.hr, DISP_E_OVERFLOW);
  SetR8(source, 9223372036854775808.0);
  Convert(source.v, VT_I8, result);
  EXPECT_EQ(result.hr, DISP_E_OVERFLOW);
  SetR8(source, NAN);
  Convert(source.v, VT_I4, result);
  EXPECT_EQ(result.hr, DISP_E_OVERFLOW);

  ScopedVariant big;
  big.v.vt = VT_UI8;
  big.v.ullVal = UINT64_MAX;
  Convert(big.v, VT_I8, result);
  EXPECT_EQ(result.hr, DISP_E_OVERFLOW);
  Convert(big.v, VT_R8, result);
  EXPECT_EQ(result.out.v.dblVal, 18446744073709551616.0);

  ScopedVariant currency;
  currency.v.vt = VT_CY;
  currency.v.cyVal.int64 = 25000;  // 2.5
  Convert(currency.v, VT_I2, result);
  EXPECT_EQ(result.out.v.iVal, 2);
  SetR8(source, 1.23456);
  Convert(source.v, VT_CY, result);
  EXPECT_EQ(result.out.v.cyVal.int64, 12346);
}

TEST(VariantChangeType, TextToNumbers) {
  const struct {
    const char16_t* text;
    HRESULT hr;
    LONG value;
  } checks[] = {
      {u"12", S_OK, 12},          {u" -12 ", S_OK, -12},     {u"+7", S_OK, 7},
      {u"1,234", S_OK, 1234},     {u"12.5", S_OK, 12},       {u"13.5", S_OK, 14},
      {u"1e3", S_OK, 1000},       {u"(5)", S_OK, -5},        {u"&HFF", S_OK, 255},
      {u"&o17", S_OK, 15},        {u".5", S_OK, 0},          {u"abc", DISP_E_TYPEMISMATCH, 0},
      {u"", DISP_E_TYPEMISMATCH, 0}, {u"12abc", DISP_E_TYPEMISMATCH, 0}, {u"1e", DISP_E_TYPEMISMATCH, 0},
      {u"3000000000", DISP_E_OVERFLOW, 0}, {u"&H", DISP_E_TYPEMISMATCH, 0},
  };
  ScopedVariant source;
  for (const auto& check : checks) {
    Conversion result;
    SetText(source, check.text);
    Convert(source.v, VT_I4, result);
    EXPECT_EQ(result.hr, check.hr) << std::string(check.text, check.text + std::char_traits<char16_t>::length(check.text));
    if (check.hr == S_OK) {
      EXPECT_EQ(result.out.v.lVal, check.value);
    }
  }

  Conversion result;
  SetText(source, u"0.1");
  Convert(source.v, VT_R8, result);
  EXPECT_EQ(result.out.v.dblVal, 0.1);
  SetText(source, u"1e400");
  Convert(source.v, VT_R8, result);
  EXPECT_EQ(result.hr, DISP_E_OVERFLOW);
  SetText(source, u"1e39");
  Convert(source.v, VT_R4, result);
  EXPECT_EQ(result.hr, DISP_E_OVERFLOW);
  SetText(source, u"12.34567");
  Convert(source.v, VT_CY, result);
  EXPECT_EQ(result.out.v.cyVal.int64, 123457);
  SetText(source, u"-1.5");
  Convert(source.v, VT_DECIMAL, result);
  ASSERT_EQ(result.out.v.vt, VT_DECIMAL);
  EXPECT_EQ(result.out.v.decVal.sign, DECIMAL_NEG);
  EXPECT_EQ(result.out.v.decVal.scale, 1);
  EXPECT_EQ(result.out.v.decVal.Lo64, 15u);
  SetText(source, u"79228162514264337593543950336");  // 2^96
  Convert(source.v, VT_DECIMAL, result);
  EXPECT_EQ(result.hr, DISP_E_OVERFLOW);
}

TEST(VariantChangeType, NumbersToText) {
  ScopedVariant source;
  Conversion result;
  SetR8(source, 2.5);
  Convert(source.v, VT_BSTR, result);
  EXPECT_EQ(TextOf(result.out.v.bstrVal), u"2.5");
  SetR8(source, 1.0 / 3);
  Convert(source.v, VT_BSTR, result);
  EXPECT_EQ(TextOf(result.out.v.bstrVal), u"0.333333333333333");
  SetR8(source, 1e20);
  Convert(source.v, VT_BSTR, result);
  EXPECT_EQ(TextOf(result.out.v.bstrVal), u"1E+20");

  ScopedVariant single;
  single.v.vt = VT_R4;
  single.v.fltVal = 0.1f;
  Convert(single.v, VT_BSTR, result);
  EXPECT_EQ(TextOf(result.out.v.bstrVal), u"0.1");

  ScopedVariant currency;
  currency.v.vt = VT_CY;
  currency.v.cyVal.int64 = -15000;
  Convert(currency.v, VT_BSTR, result);
  EXPECT_EQ(TextOf(result.out.v.bstrVal), u"-1.5");

  ScopedVariant wide;
  wide.v.vt = VT_I8;
  wide.v.llVal = INT64_MIN;
  Convert(wide.v, VT_BSTR, result);
  EXPECT_EQ(TextOf(result.out.v.bstrVal), u"-9223372036854775808");

  ScopedVariant empty;
  Convert(empty.v, VT_BSTR, result);
  EXPECT_EQ(result.hr, S_OK);
  ASSERT_NE(result.out.v.bstrVal, nullptr);
  EXPECT_EQ(SysStringLen(result.out.v.bstrVal), 0u);
}

TEST(VariantChangeType, Booleans) {
  ScopedVariant truth;
  truth.v.vt = VT_BOOL;
  truth.v.boolVal = VARIANT_TRUE;
  Conversion result;
  Convert(truth.v, VT_I4, result);
  EXPECT_EQ(result.out.v.lVal, -1);
  Convert(truth.v, VT_BSTR, result);
  EXPECT_EQ(TextOf(result.out.v.bstrVal), u"-1");
  Convert(truth.v, VT_BSTR, result, VARIANT_ALPHABOOL);
  EXPECT_EQ(TextOf(result.out.v.bstrVal), u"True");
  // A boolean goes to the unsigned types by way of VT_I2, where -1 does not fit.
  Convert(truth.v, VT_UINT, result);
  EXPECT_EQ(result.hr, DISP_E_OVERFLOW);

  ScopedVariant source;
  SetI4(source, 5);
  Convert(source.v, VT_BOOL, result);
  EXPECT_EQ(result.out.v.boolVal, VARIANT_TRUE);
  SetR8(source, 0.0);
  Convert(source.v, VT_BOOL, result);
  EXPECT_EQ(result.out.v.boolVal, VARIANT_FALSE);
  const struct {
    const char16_t* text;
    HRESULT hr;
    VARIANT_BOOL value;
  } texts[] = {{u"True", S_OK, VARIANT_TRUE},  {u" false ", S_OK, VARIANT_FALSE}, {u"#TRUE#", S_OK, VARIANT_TRUE},
               {u"0", S_OK, VARIANT_FALSE},    {u"-2", S_OK, VARIANT_TRUE},       {u"yes", DISP_E_TYPEMISMATCH, 0}};
  for (const auto& check : texts) {
    SetText(source, check.text);
    Convert(source.v, VT_BOOL, result);
    EXPECT_EQ(result.hr, check.hr);
    if (check.hr == S_OK) {
      EXPECT_EQ(result.out.v.boolVal, check.value);
    }
  }
}

TEST(VariantChangeType, Dates) {
  ScopedVariant date;
  date.v.vt = VT_DATE;
  date.v.date = 36526.5;
  Conversion result;
  Convert(date.v, VT_BSTR, result);
  EXPECT_EQ(TextOf(result.out.v.bstrVal), u"01/01/2000 12:00:00");
  date.v.date = 36526;
  Convert(date.v, VT_BSTR, result);
  EXPECT_EQ(TextOf(result.out.v.bstrVal), u"01/01/2000");
  date.v.date = 0.75;
  Convert(date.v, VT_BSTR, result);
  EXPECT_EQ(TextOf(result.out.v.bstrVal), u"18:00:00");
  date.v.date = 2.5;
  Convert(date.v, VT_I4, result);
  EXPECT_EQ(result.out.v.lVal, 2);

  const struct {
    const char16_t* text;
    HRESULT hr;
    DATE value;
  } texts[] = {
      {u"2000-01-01", S_OK, 36526},         {u"01/01/2000 12:00", S_OK, 36526.5}, {u"2000-01-01T18:00:00", S_OK, 36526.75},
      {u"12:00:00", S_OK, 0.5},             {u"1899-12-29 06:00", S_OK, -1.25},   {u"2001-02-29", DISP_E_TYPEMISMATCH, 0},
      {u"13/01/2000", DISP_E_TYPEMISMATCH, 0}, {u"25:00", DISP_E_TYPEMISMATCH, 0}, {u"36526", DISP_E_TYPEMISMATCH, 0},
  };
  ScopedVariant source;
  for (const auto& check : texts) {
    SetText(source, check.text);
    Convert(source.v, VT_DATE, result);
    EXPECT_EQ(result.hr, check.hr);
    if (check.hr == S_OK) {
      EXPECT_DOUBLE_EQ(result.out.v.date, check.value);
    }
  }

  SetR8(source, 3000000);  // after 9999-12-31
  Convert(source.v, VT_DATE, result);
  EXPECT_EQ(result.hr, DISP_E_OVERFLOW);
}

TEST(VariantChangeType, EmptyNullErrorObjectsAndArrays) {
  ScopedVariant empty, null, error, number;
  null.v.vt = VT_NULL;
  error.v.vt = VT_ERROR;
  error.v.scode = DISP_E_PARAMNOTFOUND;
  SetI4(number, 3);
  Conversion result;

  Convert(empty.v, VT_I4, result);
  EXPECT_EQ(result.hr, S_OK);
  EXPECT_EQ(result.out.v.lVal, 0);
  Convert(null.v, VT_I4, result);
  EXPECT_EQ(result.hr, DISP_E_TYPEMISMATCH);
  Convert(null.v, VT_BSTR, result);
  EXPECT_EQ(result.hr, DISP_E_TYPEMISMATCH);
  Convert(null.v, VT_NULL, result);
  EXPECT_EQ(result.out.v.vt, VT_NULL);
  Convert(number.v, VT_NULL, result);
  EXPECT_EQ(result.hr, DISP_E_TYPEMISMATCH);
  Convert(number.v, VT_EMPTY, result);
  EXPECT_EQ(result.out.v.vt, VT_EMPTY);
  Convert(error.v, VT_I4, result);
  EXPECT_EQ(result.hr, DISP_E_TYPEMISMATCH);
  Convert(number.v, VT_ERROR, result);
  EXPECT_EQ(result.hr, DISP_E_TYPEMISMATCH);
  Convert(error.v, VT_ERROR, result);
  EXPECT_EQ(result.out.v.scode, DISP_E_PARAMNOTFOUND);
  Convert(number.v, VT_VARIANT, result);
  EXPECT_EQ(result.hr, DISP_E_BADVARTYPE);
  Convert(number.v, 15, result);
  EXPECT_EQ(result.hr, DISP_E_BADVARTYPE);

  ReferenceProbe object;
  ScopedVariant unknown;
  unknown.v.vt = VT_UNKNOWN;
  unknown.v.punkVal = &object;
  object.AddRef();
  Convert(unknown.v, VT_I4, result);
  EXPECT_EQ(result.hr, DISP_E_TYPEMISMATCH);
  Convert(unknown.v, VT_UNKNOWN, result);
  EXPECT_EQ(result.out.v.punkVal, &object);
  EXPECT_EQ(object.refs, 3u);
  VariantClear(&result.out.v);
  VariantClear(&unknown.v);
  EXPECT_EQ(object.refs, 1u);

  ScopedVariant array;
  array.v.vt = VT_ARRAY | VT_I4;
  array.v.parray = SafeArrayCreateVector(VT_I4, 0, 3);
  Convert(array.v, VT_ARRAY | VT_I4, result);
  EXPECT_EQ(result.hr, S_OK);
  EXPECT_NE(result.out.v.parray, array.v.parray);
  Convert(array.v, VT_ARRAY | VT_R8, result);
  EXPECT_EQ(result.hr, DISP_E_TYPEMISMATCH);
  Convert(array.v, VT_I4, result);
  EXPECT_EQ(result.hr, DISP_E_TYPEMISMATCH);
  Convert(number.v, VT_ARRAY | VT_I4, result);
  EXPECT_EQ(result.hr, DISP_E_TYPEMISMATCH);
}

TEST(VariantChangeType, InPlaceAndByReference) {
  ScopedVariant value;
  SetI4(value, 12);
  ASSERT_EQ(VariantChangeType(&value.v, &value.v, 0, VT_BSTR), S_OK);
  EXPECT_EQ(TextOf(value.v.bstrVal), u"12");
  ASSERT_EQ(VariantChangeType(&value.v, &value.v, 0, VT_R8), S_OK);
  EXPECT_EQ(value.v.dblVal, 12);

  SetText(value, u"not a number");
  EXPECT_EQ(VariantChangeType(&value.v, &value.v, 0, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(TextOf(value.v.bstrVal), u"not a number");  // kept on failure

  LONG referenced = 77;
  VARIANT byref;
  byref.vt = VT_BYREF | VT_I4;
  byref.plVal = &referenced;
  Conversion result;
  Convert(byref, VT_R8, result);
  EXPECT_EQ(result.out.v.vt, VT_R8);
  EXPECT_EQ(result.out.v.dblVal, 77);
}

TEST(VarCmp, ComparesAcrossTypes) {
  auto make = [](VARTYPE vt, auto assign) {
    VARIANT v;
    v.vt = vt;
    assign(v);
    return v;
  };
  VARIANT i4One = make(VT_I4, [](VARIANT& v) { v.lVal = 1; });
  VARIANT i4Minus = make(VT_I4, [](VARIANT& v) { v.lVal = -1; });
  VARIANT i4Zero = make(VT_I4, [](VARIANT& v) { v.lVal = 0; });
  VARIANT r8One = make(VT_R8, [](VARIANT& v) { v.dblVal = 1.0; });
  VARIANT r8Half = make(VT_R8, [](VARIANT& v) { v.dblVal = 2.5; });
  VARIANT i2Two = make(VT_I2, [](VARIANT& v) { v.iVal = 2; });
  VARIANT cyHalf = make(VT_CY, [](VARIANT& v) { v.cyVal.int64 = 25000; });
  VARIANT ui8Max = make(VT_UI8, [](VARIANT& v) { v.ullVal = UINT64_MAX; });
  VARIANT i8Max = make(VT_I8, [](VARIANT& v) { v.llVal = INT64_MAX; });
  VARIANT boolTrue = make(VT_BOOL, [](VARIANT& v) { v.boolVal = VARIANT_TRUE; });
  VARIANT boolFalse = make(VT_BOOL, [](VARIANT& v) { v.boolVal = VARIANT_FALSE; });
  VARIANT dateOne = make(VT_DATE, [](VARIANT& v) { v.date = 1.0; });
  VARIANT decimal = make(VT_DECIMAL, [](VARIANT&) {});
  decimal.decVal = DECIMAL{};
  decimal.decVal.Lo64 = 25;
  decimal.decVal.scale = 1;
  decimal.vt = VT_DECIMAL;
  VARIANT empty = make(VT_EMPTY, [](VARIANT&) {});
  VARIANT null = make(VT_NULL, [](VARIANT&) {});
  ScopedVariant lowerA, upperA, upperB, ab, one, blank;
  SetText(lowerA, u"a");
  SetText(upperA, u"A");
  SetText(upperB, u"B");
  SetText(ab, u"ab");
  SetText(one, u"1");
  SetText(blank, u"");
  VARIANT byrefOne = make(VT_BYREF | VT_I4, [&](VARIANT& v) { v.plVal = &i4One.lVal; });

  const struct {
    VARIANT* left;
    VARIANT* right;
    ULONG flags;
    HRESULT expected;
  } checks[] = {
      {&i4One, &r8One, 0, VARCMP_EQ},           {&i2Two, &r8Half, 0, VARCMP_LT},
      {&cyHalf, &r8Half, 0, VARCMP_EQ},         {&decimal, &cyHalf, 0, VARCMP_EQ},
      {&ui8Max, &i8Max, 0, VARCMP_GT},          {&boolTrue, &i4Minus, 0, VARCMP_EQ},
      {&boolTrue, &boolFalse, 0, VARCMP_LT},    {&dateOne, &r8One, 0, VARCMP_EQ},
      {&empty, &i4Zero, 0, VARCMP_EQ},          {&empty, &i4Minus, 0, VARCMP_GT},
      {&empty, &empty, 0, VARCMP_EQ},           {&empty, &blank.v, 0, VARCMP_EQ},
      {&empty, &lowerA.v, 0, VARCMP_LT},        {&null, &i4One, 0, VARCMP_NULL},
      {&i4One, &null, 0, VARCMP_NULL},          {&null, &null, 0, VARCMP_NULL},
      {&one.v, &i4One, 0, VARCMP_GT},           {&i4One, &one.v, 0, VARCMP_LT},
      {&lowerA.v, &upperB.v, 0, VARCMP_LT},     {&lowerA.v, &upperA.v, 0, VARCMP_LT},
      {&upperA.v, &lowerA.v, 0, VARCMP_GT},     {&lowerA.v, &upperA.v, NORM_IGNORECASE, VARCMP_EQ},
      {&ab.v, &upperA.v, NORM_IGNORECASE, VARCMP_GT}, {&byrefOne, &i4One, 0, VARCMP_EQ},
  };
  for (size_t i = 0; i < std::size(checks); ++i)
    EXPECT_EQ(VarCmp(checks[i].left, checks[i].right, LOCALE_USER_DEFAULT, checks[i].flags), checks[i].expected)
        << "check " << i;

  ScopedVariant array;
  array.v.vt = VT_ARRAY | VT_I4;
  array.v.parray = SafeArrayCreateVector(VT_I4, 0, 1);
  EXPECT_EQ(VarCmp(&array.v, &i4One, 0, 0), DISP_E_TYPEMISMATCH);
  VARIANT bad = make(15, [](VARIANT&) {});
  EXPECT_EQ(VarCmp(&bad, &i4One, 0, 0), DISP_E_BADVARTYPE);
}

TEST(VariantTime, ToAndFromSystemTime) {
  SYSTEMTIME st;
  ASSERT_TRUE(VariantTimeToSystemTime(0.0, &st));
  EXPECT_EQ(st.wYear, 1899);
  EXPECT_EQ(st.wMonth, 12);
  EXPECT_EQ(st.wDay, 30);
  EXPECT_EQ(st.wDayOfWeek, 6);  // a Saturday
  ASSERT_TRUE(VariantTimeToSystemTime(2.5, &st));
  EXPECT_EQ(st.wYear, 1900);
  EXPECT_EQ(st.wMonth, 1);
  EXPECT_EQ(st.wDay, 1);
  EXPECT_EQ(st.wHour, 12);
  // Below zero the fraction still runs forward from midnight.
  ASSERT_TRUE(VariantTimeToSystemTime(-1.25, &st));
  EXPECT_EQ(st.wDay, 29);
  EXPECT_EQ(st.wHour, 6);
  ASSERT_TRUE(VariantTimeToSystemTime(36526.0 + 59.6 / 86400, &st));  // rounds to the second
  EXPECT_EQ(st.wMinute, 1);
  EXPECT_EQ(st.wSecond, 0);
  EXPECT_EQ(st.wMilliseconds, 0);
  ASSERT_TRUE(VariantTimeToSystemTime(-657434.0, &st));
  EXPECT_EQ(st.wYear, 100);
  EXPECT_FALSE(VariantTimeToSystemTime(-657435.0, &st));
  EXPECT_FALSE(VariantTimeToSystemTime(2958466.0, &st));

  DATE date;
  SYSTEMTIME noon = {2000, 1, 0, 1, 12, 0, 0, 999};
  ASSERT_TRUE(SystemTimeToVariantTime(&noon, &date));
  EXPECT_EQ(date, 36526.5);  // milliseconds are ignored
  SYSTEMTIME early = {1899, 12, 0, 29, 6, 0, 0, 0};
  ASSERT_TRUE(SystemTimeToVariantTime(&early, &date));
  EXPECT_EQ(date, -1.25);
  SYSTEMTIME overflowingDay = {2001, 2, 0, 29, 0, 0, 0, 0};
  ASSERT_TRUE(SystemTimeToVariantTime(&overflowingDay, &date));  // runs on to March 1
  SYSTEMTIME march = {2001, 3, 0, 1, 0, 0, 0, 0};
  DATE marchDate;
  SystemTimeToVariantTime(&march, &marchDate);
  EXPECT_EQ(date, marchDate);
  SYSTEMTIME dayZero = {2001, 3, 0, 0, 0, 0, 0, 0};
  ASSERT_TRUE(SystemTimeToVariantTime(&dayZero, &date));
  EXPECT_EQ(date, marchDate - 1);
  SYSTEMTIME badMonth = {2001, 13, 0, 1, 0, 0, 0, 0};
  EXPECT_FALSE(SystemTimeToVariantTime(&badMonth, &date));
  SYSTEMTIME badDay = {2001, 1, 0, 32, 0, 0, 0, 0};
  EXPECT_FALSE(SystemTimeToVariantTime(&badDay, &date));
  SYSTEMTIME badHour = {2001, 1, 0, 1, 24, 0, 0, 0};
  EXPECT_FALSE(SystemTimeToVariantTime(&badHour, &date));
  SYSTEMTIME badYear = {99, 1, 0, 1, 0, 0, 0, 0};
  EXPECT_FALSE(SystemTimeToVariantTime(&badYear, &date));
}
