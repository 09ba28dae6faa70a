#pragma once
// Between the historian's values and the records the OPC HDA interfaces hand out: VARIANTs,
// task-allocated arrays and strings, and the result codes of the backend's outcomes.

#include <cstring>
#include <string>
#include <vector>

#include "opc/_OPCHDA.h"
#include "servers/hdasim/HdaAttributes.h"
#include "servers/hdasim/HdaHistorian.h"

// A task-allocated array (a count of 0 still gives a valid block); null when out of memory.
// Zeroed unless the caller writes every element anyway.
template <class T>
T* TaskArray(size_t count, bool zeroed = true) {
  void* block = CoTaskMemAlloc(count * sizeof(T));
  if (block && zeroed) std::memset(block, 0, count * sizeof(T));
  return static_cast<T*>(block);
}

// A task-allocated copy of a UTF-8 text; null when out of memory.
LPWSTR TaskString(const std::string& text);

// The item-level result code of an outcome.
HRESULT HResultOf(HdaStatus status);

// Writes the value into an empty VARIANT; E_OUTOFMEMORY when a BSTR cannot be made.
HRESULT ValueToVariant(const HdaValue& value, VARIANT& variant);
// An attribute value in the type the attribute table gives it (VT_I2, VT_BOOL, VT_CY ...).
HRESULT AttributeToVariant(const HdaValue& value, VARTYPE type, VARIANT& variant);
// Numbers of any size, booleans and texts; false for anything else.
bool VariantToValue(const VARIANT& variant, HdaValue& value);

// Free what the records hold and then the record array itself (null is allowed).
void FreeItemArray(OPCHDA_ITEM* items, DWORD count);
void FreeModifiedArray(OPCHDA_MODIFIEDITEM* items, DWORD count);
void FreeAttributeArray(OPCHDA_ATTRIBUTE* attributes, DWORD count);
void FreeAnnotationArray(OPCHDA_ANNOTATION* annotations, DWORD count);

// Fill one record, allocating its arrays; on failure the record holds nothing.
HRESULT FillItem(OPCHDA_ITEM& item, const std::vector<HdaSample>& samples);
// Copies the cursor's values in bulk (numeric items without conversion to HdaValue).
HRESULT FillItem(OPCHDA_ITEM& item, HdaRawCursor& cursor);
HRESULT FillModifiedItem(OPCHDA_MODIFIEDITEM& item, const std::vector<HdaModifiedSample>& records);
HRESULT FillAnnotation(OPCHDA_ANNOTATION& annotation, const std::vector<HdaAnnotation>& annotations);
