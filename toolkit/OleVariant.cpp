#include "toolkit/OleVariant.h"

#include <new>

#include "platform/rtl/StringUtils.h"

OleVariant::OleVariant(const OleVariant& other) {
  VariantInit(&FValue);
  CopyFrom(other.FValue);
}

OleVariant::OleVariant(OleVariant&& other) noexcept : FValue(other.FValue) { VariantInit(&other.FValue); }

OleVariant& OleVariant::operator=(const OleVariant& other) {
  if (this != &other) CopyFrom(other.FValue);
  return *this;
}

OleVariant& OleVariant::operator=(OleVariant&& other) noexcept {
  if (this != &other) Attach(other.FValue);
  return *this;
}

OleVariant::OleVariant(int32_t value) {
  VariantInit(&FValue);
  FValue.vt = VT_I4;
  FValue.lVal = value;
}

OleVariant::OleVariant(double value) {
  VariantInit(&FValue);
  FValue.vt = VT_R8;
  FValue.dblVal = value;
}

OleVariant::OleVariant(bool value) {
  VariantInit(&FValue);
  FValue.vt = VT_BOOL;
  FValue.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

OleVariant::OleVariant(const std::string& text) {
  VariantInit(&FValue);
  const std::u16string wide = Utf8ToUtf16(text);
  FValue.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (!FValue.bstrVal) throw std::bad_alloc();
  FValue.vt = VT_BSTR;
}

OleVariant OleVariant::Null() {
  OleVariant value;
  value.FValue.vt = VT_NULL;
  return value;
}

HRESULT OleVariant::CopyFrom(const VARIANT& source) {
  // Copy first: source may live inside this value.
  VARIANT copy;
  VariantInit(&copy);
  const HRESULT hr = VariantCopy(&copy, &source);
  if (FAILED(hr)) {
    VariantClear(&FValue);
    return hr;
  }
  Attach(copy);
  return S_OK;
}

void OleVariant::Attach(VARIANT& source) {
  VariantClear(&FValue);
  FValue = source;
  VariantInit(&source);
}
