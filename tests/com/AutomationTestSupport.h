#pragma once
// Small helpers for the automation type tests: a VARIANT that clears itself and an object
// that only counts its references.

#include <string>

#include "platform/win32.h"

struct ScopedVariant {
  VARIANT v;
  ScopedVariant() { VariantInit(&v); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  ~ScopedVariant() { VariantClear(&v); }
};

inline std::u16string TextOf(BSTR bstr) { return {bstr, SysStringLen(bstr)}; }

class ReferenceProbe : public IUnknown {
public:
  ULONG refs = 1;
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (riid != IID_IUnknown) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    *ppv = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
};
