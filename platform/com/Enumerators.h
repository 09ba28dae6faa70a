#pragma once
// Ready enumerators over a fixed list: strings (IEnumString), GUIDs (IEnumGUID), objects
// (IEnumUnknown), and the template behind them for the other IEnumXxx interfaces. Clones share
// the list and keep their own position. Next follows the enumerator contract of Windows: S_OK
// when it delivered celt elements, S_FALSE when fewer; pceltFetched may be null only when
// celt is 1.

#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "platform/com/ComObject.h"

// How an element is handed out: Copy gives the caller its own copy (or reference), Clear
// takes back a copy when a later element of the same Next fails.
struct TEnumStringPolicy {
  using Stored = std::u16string;
  using Element = LPOLESTR;
  static HRESULT Copy(const Stored& from, Element& to);
  static void Clear(Element& element);
};

template <class T>
struct TEnumValuePolicy {
  using Stored = T;
  using Element = T;
  static HRESULT Copy(const Stored& from, Element& to) {
    to = from;
    return S_OK;
  }
  static void Clear(Element&) {}
};

template <class I>
struct TEnumInterfacePolicy {
  using Stored = ComPtr<I>;
  using Element = I*;
  static HRESULT Copy(const Stored& from, Element& to) {
    to = from.Get();
    if (to) to->AddRef();
    return S_OK;
  }
  static void Clear(Element& element) {
    if (element) element->Release();
    element = nullptr;
  }
};

template <class Interface, class Policy>
class TEnumerator : public TComObject<Interface> {
public:
  using Stored = typename Policy::Stored;
  using Element = typename Policy::Element;
  using TItems = std::shared_ptr<const std::vector<Stored>>;

  explicit TEnumerator(TItems items, size_t position = 0) : FItems(std::move(items)), FPosition(position) {}

  HRESULT STDMETHODCALLTYPE Next(ULONG celt, Element* rgelt, ULONG* pceltFetched) override {
    if (pceltFetched) *pceltFetched = 0;
    if (!rgelt) return E_POINTER;
    if (celt > 1 && !pceltFetched) return E_INVALIDARG;
    std::lock_guard<std::mutex> lock(FLock);
    ULONG fetched = 0;
    for (; fetched < celt && FPosition + fetched < FItems->size(); ++fetched) {
      const HRESULT hr = Policy::Copy((*FItems)[FPosition + fetched], rgelt[fetched]);
      if (FAILED(hr)) {
        while (fetched > 0) Policy::Clear(rgelt[--fetched]);
        return hr;
      }
    }
    FPosition += fetched;
    if (pceltFetched) *pceltFetched = fetched;
    return fetched == celt ? S_OK : S_FALSE;
  }

  HRESULT STDMETHODCALLTYPE Skip(ULONG celt) override {
    std::lock_guard<std::mutex> lock(FLock);
    const size_t left = FItems->size() - FPosition;
    if (celt > left) {
      FPosition = FItems->size();
      return S_FALSE;
    }
    FPosition += celt;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Reset() override {
    std::lock_guard<std::mutex> lock(FLock);
    FPosition = 0;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Clone(Interface** ppenum) override {
    if (!ppenum) return E_POINTER;
    std::lock_guard<std::mutex> lock(FLock);
    return Create(FItems, FPosition, ppenum);
  }

  static HRESULT Create(TItems items, size_t position, Interface** ppenum) {
    if (!ppenum) return E_POINTER;
    *ppenum = nullptr;
    auto* enumerator = new (std::nothrow) TEnumerator(std::move(items), position);
    if (!enumerator) return E_OUTOFMEMORY;
    *ppenum = enumerator;
    enumerator->AddRef();
    return S_OK;
  }

  static HRESULT Create(std::vector<Stored> items, Interface** ppenum) {
    return Create(std::make_shared<const std::vector<Stored>>(std::move(items)), 0, ppenum);
  }

private:
  const TItems FItems;
  std::mutex FLock;
  size_t FPosition;
};

using TEnumString = TEnumerator<IEnumString, TEnumStringPolicy>;
using TEnumGUID = TEnumerator<IEnumGUID, TEnumValuePolicy<GUID>>;
using TEnumUnknown = TEnumerator<IEnumUnknown, TEnumInterfacePolicy<IUnknown>>;

inline HRESULT CreateEnumString(std::vector<std::u16string> items, IEnumString** ppenum) {
  return TEnumString::Create(std::move(items), ppenum);
}
inline HRESULT CreateEnumGUID(std::vector<GUID> items, IEnumGUID** ppenum) {
  return TEnumGUID::Create(std::move(items), ppenum);
}
inline HRESULT CreateEnumUnknown(std::vector<ComPtr<IUnknown>> items, IEnumUnknown** ppenum) {
  return TEnumUnknown::Create(std::move(items), ppenum);
}
