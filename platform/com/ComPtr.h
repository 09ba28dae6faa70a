#pragma once
// A reference-holding interface pointer: AddRef when it takes a pointer, Release when it lets
// go of one.

#include <cstddef>
#include <utility>

#include "platform/com/WinTypes.h"

template <class T>
class ComPtr {
public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  ComPtr(T* p) : FPtr(p) { InternalAddRef(); }
  ComPtr(const ComPtr& other) : FPtr(other.FPtr) { InternalAddRef(); }
  ComPtr(ComPtr&& other) noexcept : FPtr(std::exchange(other.FPtr, nullptr)) {}
  template <class U>
  ComPtr(const ComPtr<U>& other) : FPtr(other.Get()) { InternalAddRef(); }
  ~ComPtr() { InternalRelease(); }

  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(FPtr, other.FPtr);
    return *this;
  }

  T* Get() const { return FPtr; }
  T* operator->() const { return FPtr; }
  explicit operator bool() const { return FPtr != nullptr; }

  // For out-parameters: releases what is held first.
  T** ReleaseAndGetAddressOf() {
    InternalRelease();
    return &FPtr;
  }
  T** GetAddressOf() { return &FPtr; }

  // Takes over a reference the caller owns, without AddRef.
  void Attach(T* p) {
    InternalRelease();
    FPtr = p;
  }
  // Hands the reference over to the caller.
  T* Detach() { return std::exchange(FPtr, nullptr); }
  void Reset() { InternalRelease(); }

  // Copies the pointer to an out-parameter with its own reference.
  HRESULT CopyTo(T** out) const {
    if (!out) return E_POINTER;
    *out = FPtr;
    InternalAddRef();
    return S_OK;
  }

  template <class U>
  HRESULT As(ComPtr<U>* out) const {
    if (!FPtr) return E_POINTER;
    return FPtr->QueryInterface(__uuidof(U), reinterpret_cast<void**>(out->ReleaseAndGetAddressOf()));
  }

  friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.FPtr == b.FPtr; }
  friend bool operator==(const ComPtr& a, std::nullptr_t) { return a.FPtr == nullptr; }

private:
  void InternalAddRef() const {
    if (FPtr) FPtr->AddRef();
  }
  void InternalRelease() {
    if (T* p = std::exchange(FPtr, nullptr)) p->Release();
  }

  T* FPtr = nullptr;
};
