#include <cstring>

#include "platform/com/OleAuto.h"
#include "platform/com/VariantView.h"

namespace {

bool IsInterfaceType(VARTYPE vt) { return vt == VT_UNKNOWN || vt == VT_DISPATCH; }

// A deep copy of a by-value (or shallow byref) variant into dest, which holds nothing yet.
HRESULT CopyValue(const VARIANT& view, VARIANT& dest) {
  dest = view;
  if (view.vt & VT_BYREF) return S_OK;
  if (view.vt & VT_ARRAY) {
    HRESULT hr = SafeArrayCopy(view.parray, &dest.parray);
    if (FAILED(hr)) VariantInit(&dest);
    return hr;
  }
  if (view.vt == VT_BSTR && view.bstrVal) {
    // By byte length, so that odd-length byte strings survive.
    dest.bstrVal = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(view.bstrVal), SysStringByteLen(view.bstrVal));
    if (!dest.bstrVal) {
      VariantInit(&dest);
      return E_OUTOFMEMORY;
    }
  } else if (IsInterfaceType(view.vt) && view.punkVal) {
    view.punkVal->AddRef();
  }
  return S_OK;
}

}  // namespace

bool IsValidVariantType(VARTYPE vt) {
  if (vt & (VT_VECTOR | VT_RESERVED)) return false;
  VARTYPE base = vt & VT_TYPEMASK;
  bool byref = vt & VT_BYREF;
  bool array = vt & VT_ARRAY;
  switch (base) {
    case VT_EMPTY:
    case VT_NULL:
      return !byref && !array;
    case VT_VARIANT:
      return byref || array;
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_BOOL:
    case VT_UNKNOWN:
    case VT_DECIMAL:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
      return true;
    default:
      return false;
  }
}

UINT ElementSize(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
      return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
      return 8;
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH:
      return sizeof(void*);
    case VT_DECIMAL:
      return sizeof(DECIMAL);
    case VT_VARIANT:
      return sizeof(VARIANT);
    default:
      return 0;
  }
}

HRESULT ReadThroughReference(const VARIANT& src, VARIANT& view) {
  view = src;
  if (!(src.vt & VT_BYREF)) return S_OK;
  if (!src.byref) return E_INVALIDARG;
  VARTYPE base = src.vt & ~VT_BYREF;
  if (base == VT_VARIANT) {
    const VARIANT& inner = *src.pvarVal;
    if (inner.vt == (VT_BYREF | VT_VARIANT)) return E_INVALIDARG;
    if (!IsValidVariantType(inner.vt)) return DISP_E_BADVARTYPE;
    return ReadThroughReference(inner, view);
  }
  view.llVal = 0;
  if (base & VT_ARRAY) {
    view.parray = *src.pparray;
  } else if (base == VT_DECIMAL) {
    view.decVal = *src.pdecVal;
  } else {
    std::memcpy(&view.llVal, src.byref, ElementSize(base));
  }
  view.vt = base;
  return S_OK;
}

HRESULT ReplaceVariant(VARIANT& dest, VARIANT& value) {
  HRESULT hr = VariantClear(&dest);
  if (FAILED(hr)) {
    VariantClear(&value);
    return hr;
  }
  dest = value;
  return S_OK;
}

void VariantInit(VARIANTARG* pvarg) {
  if (pvarg) pvarg->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANTARG* pvarg) {
  if (!pvarg) return E_INVALIDARG;
  if (!IsValidVariantType(pvarg->vt)) return DISP_E_BADVARTYPE;
  if (!(pvarg->vt & VT_BYREF)) {
    if (pvarg->vt & VT_ARRAY) {
      HRESULT hr = SafeArrayDestroy(pvarg->parray);
      if (FAILED(hr)) return hr;
    } else if (pvarg->vt == VT_BSTR) {
      SysFreeString(pvarg->bstrVal);
    } else if (IsInterfaceType(pvarg->vt) && pvarg->punkVal) {
      pvarg->punkVal->Release();
    }
  }
  pvarg->vt = VT_EMPTY;
  return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc) {
  if (!pvargDest || !pvargSrc) return E_INVALIDARG;
  if (!IsValidVariantType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
  if (pvargDest == pvargSrc) return S_OK;
  VARIANT copy;
  HRESULT hr = CopyValue(*pvargSrc, copy);
  if (FAILED(hr)) return hr;
  return ReplaceVariant(*pvargDest, copy);
}

HRESULT VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc) {
  if (!pvarDest || !pvargSrc) return E_INVALIDARG;
  if (!IsValidVariantType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
  VARIANT view;
  HRESULT hr = ReadThroughReference(*pvargSrc, view);
  if (FAILED(hr)) return hr;
  VARIANT copy;
  hr = CopyValue(view, copy);
  if (FAILED(hr)) return hr;
  return ReplaceVariant(*pvarDest, copy);
}
