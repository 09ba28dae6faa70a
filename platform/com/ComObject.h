#pragma once
// The reference-counted base of COM objects written in C++: TComObject<I1, I2, ...> answers
// QueryInterface for IUnknown and each listed interface and deletes itself on the last Release.
// A new object starts with no reference; hand it to a ComPtr (or AddRef it) at once.

#include <atomic>
#include <new>

#include "platform/com/ComBaseApi.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ObjIdl.h"

template <class First, class... Rest>
class TComObject : public First, public Rest... {
public:
  TComObject(const TComObject&) = delete;
  TComObject& operator=(const TComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown)
      *ppvObject = static_cast<IUnknown*>(static_cast<First*>(this));
    else if (!FindListed<First, Rest...>(riid, ppvObject))
      *ppvObject = FindOtherInterface(riid);
    if (!*ppvObject) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return FRefCount.fetch_add(1, std::memory_order_relaxed) + 1; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG count = FRefCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (count == 0) delete this;
    return count;
  }

  // The object's own IUnknown, without a new reference.
  IUnknown* Identity() { return static_cast<IUnknown*>(static_cast<First*>(this)); }

protected:
  TComObject() = default;
  virtual ~TComObject() = default;

  // Interfaces the list does not name, such as the base of a listed interface. The result is
  // the interface pointer without AddRef, or null.
  virtual void* FindOtherInterface(REFIID) { return nullptr; }

private:
  template <class I, class... More>
  bool FindListed(REFIID riid, void** ppvObject) {
    if (riid == __uuidof(I)) {
      *ppvObject = static_cast<I*>(this);
      return true;
    }
    if constexpr (sizeof...(More) > 0)
      return FindListed<More...>(riid, ppvObject);
    else
      return false;
  }

  std::atomic<ULONG> FRefCount{0};
};

// A class object that creates a new T (a TComObject) for each CreateInstance. Aggregation is
// refused; LockServer has nothing to do because server modules stay loaded.
template <class T>
class TComClassFactory : public TComObject<IClassFactory> {
public:
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override {
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    T* object = new (std::nothrow) T();
    if (!object) return E_OUTOFMEMORY;
    ComPtr<T> holder(object);
    return object->QueryInterface(riid, ppvObject);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};
