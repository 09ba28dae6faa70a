#include <cfloat>
#include <cmath>
#include <string>

#include "platform/com/AutomationNumber.h"
#include "platform/com/OleAuto.h"
#include "platform/com/VariantView.h"

namespace {

std::u16string_view TextOf(BSTR bstr) { return {bstr, SysStringLen(bstr)}; }

HRESULT StoreText(const std::u16string& text, VARIANT& result) {
  result.bstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
  if (!result.bstrVal) return E_OUTOFMEMORY;
  result.vt = VT_BSTR;
  return S_OK;
}

bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

bool SameLetters(std::u16string_view text, std::u16string_view lowercase) {
  if (text.size() != lowercase.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i] >= u'A' && text[i] <= u'Z' ? char16_t(text[i] + 32) : text[i];
    if (c != lowercase[i]) return false;
  }
  return true;
}

// "True"/"False" in any case (also as #TRUE#/#FALSE#), else a number that is not zero.
HRESULT BoolFromText(std::u16string_view text, VARIANT_BOOL& value) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (SameLetters(text, u"true") || SameLetters(text, u"#true#")) {
    value = VARIANT_TRUE;
  } else if (SameLetters(text, u"false") || SameLetters(text, u"#false#")) {
    value = VARIANT_FALSE;
  } else {
    AutomationNumber number;
    HRESULT hr = ParseNumberText(text, number);
    if (FAILED(hr)) return hr;
    value = number.IsZero() ? VARIANT_FALSE : VARIANT_TRUE;
  }
  return S_OK;
}

struct IntegerTarget {
  VARTYPE vt;
  __int128 lowest;
  __int128 highest;
};

constexpr IntegerTarget kIntegerTargets[] = {
    {VT_I1, INT8_MIN, INT8_MAX},     {VT_UI1, 0, UINT8_MAX},          {VT_I2, INT16_MIN, INT16_MAX},
    {VT_UI2, 0, UINT16_MAX},         {VT_I4, INT32_MIN, INT32_MAX},   {VT_UI4, 0, UINT32_MAX},
    {VT_INT, INT32_MIN, INT32_MAX},  {VT_UINT, 0, UINT32_MAX},        {VT_I8, INT64_MIN, INT64_MAX},
    {VT_UI8, 0, UINT64_MAX},
};

const IntegerTarget* FindIntegerTarget(VARTYPE vt) {
  for (const IntegerTarget& target : kIntegerTargets)
    if (target.vt == vt) return &target;
  return nullptr;
}

// Writes number as vt: an integer type, R4, R8, CY or DECIMAL.
HRESULT StoreNumber(const AutomationNumber& number, VARTYPE vt, VARIANT& result) {
  if (const IntegerTarget* target = FindIntegerTarget(vt)) {
    __int128 value;
    HRESULT hr = NumberToInteger(number, target->lowest, target->highest, value);
    if (FAILED(hr)) return hr;
    // Every integer member starts at the same address; the low bytes are the value.
    result.ullVal = static_cast<ULONGLONG>(value);
  } else if (vt == VT_R4 || vt == VT_R8) {
    double value;
    HRESULT hr = NumberToDouble(number, value);
    if (FAILED(hr)) return hr;
    if (vt == VT_R4) {
      if (std::isfinite(value) && std::fabs(value) > FLT_MAX) return DISP_E_OVERFLOW;
      result.fltVal = static_cast<float>(value);
    } else {
      result.dblVal = value;
    }
  } else if (vt == VT_CY) {
    HRESULT hr = NumberToCurrency(number, result.cyVal.int64);
    if (FAILED(hr)) return hr;
  } else {
    HRESULT hr = NumberToDecimal(number, result.decVal);
    if (FAILED(hr)) return hr;
  }
  result.vt = vt;
  return S_OK;
}

HRESULT ReadNumber(const VARIANT& source, AutomationNumber& number) {
  if (source.vt == VT_BSTR) return ParseNumberText(TextOf(source.bstrVal), number);
  return NumberFromVariant(source, number);
}

HRESULT ToText(const VARIANT& source, USHORT flags, VARIANT& result) {
  std::u16string text;
  if (source.vt == VT_BOOL && (flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL))) {
    text = source.boolVal ? u"True" : u"False";
  } else if (source.vt == VT_DATE) {
    if (!FormatDateText(source.date, text)) return DISP_E_OVERFLOW;
  } else if (source.vt != VT_EMPTY) {
    AutomationNumber number;
    HRESULT hr = NumberFromVariant(source, number);
    if (FAILED(hr)) return hr;
    text = FormatNumberText(number, source.vt == VT_R4);
  }
  return StoreText(text, result);
}

HRESULT ToDate(const VARIANT& source, VARIANT& result) {
  if (source.vt == VT_BSTR) {
    if (!ParseDateText(TextOf(source.bstrVal), result.date)) return DISP_E_TYPEMISMATCH;
  } else {
    AutomationNumber number;
    HRESULT hr = NumberFromVariant(source, number);
    if (SUCCEEDED(hr)) hr = NumberToDouble(number, result.date);
    if (FAILED(hr)) return hr;
    SYSTEMTIME unused;
    if (!VariantTimeToSystemTime(result.date, &unused)) return DISP_E_OVERFLOW;
  }
  result.vt = VT_DATE;
  return S_OK;
}

HRESULT ToBool(const VARIANT& source, VARIANT& result) {
  if (source.vt == VT_BSTR) {
    HRESULT hr = BoolFromText(TextOf(source.bstrVal), result.boolVal);
    if (FAILED(hr)) return hr;
  } else {
    AutomationNumber number;
    HRESULT hr = NumberFromVariant(source, number);
    if (FAILED(hr)) return hr;
    result.boolVal = number.IsZero() ? VARIANT_FALSE : VARIANT_TRUE;
  }
  result.vt = VT_BOOL;
  return S_OK;
}

// Another interface of the same object, or DISP_E_TYPEMISMATCH.
HRESULT ToInterface(const VARIANT& source, VARTYPE vt, VARIANT& result) {
  if (source.vt != VT_UNKNOWN && source.vt != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
  result.punkVal = nullptr;
  if (source.punkVal) {
    const IID& iid = vt == VT_DISPATCH ? kDispatchInterfaceId : IID_IUnknown;
    void* converted = nullptr;
    if (FAILED(source.punkVal->QueryInterface(iid, &converted))) return DISP_E_TYPEMISMATCH;
    result.punkVal = static_cast<IUnknown*>(converted);
  }
  result.vt = vt;
  return S_OK;
}

// Converts a by-value source into result, which holds nothing yet.
HRESULT Convert(const VARIANT& source, USHORT flags, VARTYPE vt, VARIANT& result) {
  VariantInit(&result);
  VARTYPE from = source.vt;
  if (vt == VT_EMPTY) return S_OK;
  if (from == vt) return VariantCopy(&result, &source);
  if ((from | vt) & VT_ARRAY) return DISP_E_TYPEMISMATCH;  // arrays only to their own type
  if (vt == VT_NULL) {
    if (from != VT_EMPTY) return DISP_E_TYPEMISMATCH;
    result.vt = VT_NULL;
    return S_OK;
  }
  if (from == VT_NULL || from == VT_ERROR || vt == VT_ERROR) return DISP_E_TYPEMISMATCH;
  // An object would need its value property, which this platform does not call.
  if (vt == VT_UNKNOWN || vt == VT_DISPATCH) return ToInterface(source, vt, result);
  if (from == VT_UNKNOWN || from == VT_DISPATCH) return DISP_E_TYPEMISMATCH;
  if (vt == VT_BSTR) return ToText(source, flags, result);
  if (vt == VT_DATE) return ToDate(source, result);
  if (vt == VT_BOOL) return ToBool(source, result);
  AutomationNumber number;
  HRESULT hr = ReadNumber(source, number);
  if (FAILED(hr)) return hr;
  return StoreNumber(number, vt, result);
}

}  // namespace

HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID, USHORT wFlags, VARTYPE vt) {
  if (!pvargDest || !pvarSrc) return E_INVALIDARG;
  if (!IsValidVariantType(pvarSrc->vt)) return DISP_E_BADVARTYPE;
  if ((vt & VT_BYREF) || !IsValidVariantType(vt)) return DISP_E_BADVARTYPE;
  VARIANT source;
  HRESULT hr = ReadThroughReference(*pvarSrc, source);
  if (FAILED(hr)) return hr;
  VARIANT result;
  hr = Convert(source, wFlags, vt, result);
  if (FAILED(hr)) return hr;
  // Clearing comes last: the source may be the destination or live inside it.
  return ReplaceVariant(*pvargDest, result);
}

HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt) {
  return VariantChangeTypeEx(pvargDest, pvarSrc, LOCALE_USER_DEFAULT, wFlags, vt);
}
