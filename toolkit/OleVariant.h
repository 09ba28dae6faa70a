#pragma once
// OleVariant: a VARIANT that owns what it holds. Copies are deep (strings and arrays are
// duplicated), destruction clears it, and a new one is VT_EMPTY.

#include <cstdint>
#include <string>

#include "platform/win32.h"

class OleVariant {
public:
  OleVariant() { VariantInit(&FValue); }
  OleVariant(const OleVariant& other);
  OleVariant(OleVariant&& other) noexcept;
  OleVariant& operator=(const OleVariant& other);
  OleVariant& operator=(OleVariant&& other) noexcept;
  ~OleVariant() { VariantClear(&FValue); }

  // VT_I4, VT_R8, VT_BOOL and VT_BSTR values.
  explicit OleVariant(int32_t value);
  explicit OleVariant(double value);
  explicit OleVariant(bool value);
  explicit OleVariant(const std::string& text);
  // Without it a literal would pick the bool constructor.
  explicit OleVariant(const char* text) : OleVariant(std::string(text)) {}

  // A VT_NULL value: "no value", as opposed to the empty (unassigned) one.
  static OleVariant Null();

  // Replaces the value with a deep copy of source. Source is untrusted: on failure (a type a
  // VARIANT may not hold, no memory) the value is left VT_EMPTY and the code is returned.
  HRESULT CopyFrom(const VARIANT& source);
  // Takes over what source holds and leaves source VT_EMPTY, without copying.
  void Attach(VARIANT& source);
  void Clear() { VariantClear(&FValue); }

  VARTYPE VarType() const { return FValue.vt; }
  bool IsEmpty() const { return FValue.vt == VT_EMPTY; }
  bool IsNull() const { return FValue.vt == VT_NULL; }

  const VARIANT& Value() const { return FValue; }
  // For out-parameters and in-place edits; what is written there is owned by this object.
  VARIANT* Ptr() { return &FValue; }

private:
  VARIANT FValue;
};
