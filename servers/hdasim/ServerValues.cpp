#include "servers/hdasim/ServerValues.h"

#include <cmath>
#include <cstring>

#include "platform/rtl/StringUtils.h"
#include "servers/hdasim/ServerTime.h"
#include "opc/_opcda.h"

LPWSTR TaskString(const std::string& text) {
  const std::u16string wide = Utf8ToUtf16(text);
  LPWSTR copy = TaskArray<WCHAR>(wide.size() + 1);
  if (copy) std::memcpy(copy, wide.c_str(), (wide.size() + 1) * sizeof(WCHAR));
  return copy;
}

HRESULT HResultOf(HdaStatus status) {
  switch (status) {
    case HdaStatus::Ok: return S_OK;
    case HdaStatus::MoreData: return OPC_S_MOREDATA;
    case HdaStatus::NoData: return OPC_S_NODATA;
    case HdaStatus::Inserted: return OPC_S_INSERTED;
    case HdaStatus::Replaced: return OPC_S_REPLACED;
    case HdaStatus::UnknownItem: return OPC_E_INVALIDHANDLE;
    case HdaStatus::InvalidDataType: return OPC_E_INVALIDDATATYPE;
    case HdaStatus::InvalidAggregate: return OPC_E_INVALIDAGGREGATE;
    case HdaStatus::InvalidAttribute: return OPC_E_INVALIDATTRID;
    case HdaStatus::InvalidTime: return E_INVALIDARG;
    case HdaStatus::OutOfRange: return OPC_E_RANGE;
    case HdaStatus::MaxExceeded: return OPC_E_MAXEXCEEDED;
    case HdaStatus::DataExists: return OPC_E_DATAEXISTS;
    case HdaStatus::NoDataExists: return OPC_E_NODATAEXISTS;
  }
  return E_FAIL;
}

HRESULT ValueToVariant(const HdaValue& value, VARIANT& variant) {
  VariantInit(&variant);
  if (const auto* number = std::get_if<double>(&value)) {
    variant.vt = VT_R8;
    variant.dblVal = *number;
  } else if (const auto* integer = std::get_if<int32_t>(&value)) {
    variant.vt = VT_I4;
    variant.lVal = *integer;
  } else if (const auto* text = std::get_if<std::string>(&value)) {
    const std::u16string wide = Utf8ToUtf16(*text);
    BSTR bstr = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!bstr) return E_OUTOFMEMORY;
    variant.vt = VT_BSTR;
    variant.bstrVal = bstr;
  }
  return S_OK;
}

HRESULT AttributeToVariant(const HdaValue& value, VARTYPE type, VARIANT& variant) {
  VariantInit(&variant);
  const double number = ToNumber(value);
  switch (type) {
    case VT_I2:
      variant.vt = VT_I2;
      variant.iVal = static_cast<SHORT>(number);
      return S_OK;
    case VT_BOOL:
      variant.vt = VT_BOOL;
      variant.boolVal = number != 0 ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    case VT_CY:
      // Currency counts ten-thousandths.
      variant.vt = VT_CY;
      variant.cyVal.int64 = std::llround(number * 10000);
      return S_OK;
    default: return ValueToVariant(value, variant);
  }
}

bool VariantToValue(const VARIANT& variant, HdaValue& value) {
  switch (variant.vt) {
    case VT_R8: value = variant.dblVal; return true;
    case VT_R4: value = static_cast<double>(variant.fltVal); return true;
    case VT_I4: value = static_cast<int32_t>(variant.lVal); return true;
    case VT_INT: value = static_cast<int32_t>(variant.intVal); return true;
    case VT_I2: value = static_cast<int32_t>(variant.iVal); return true;
    case VT_I1: value = static_cast<int32_t>(variant.cVal); return true;
    case VT_UI1: value = static_cast<int32_t>(variant.bVal); return true;
    case VT_UI2: value = static_cast<int32_t>(variant.uiVal); return true;
    case VT_UI4: value = static_cast<double>(variant.ulVal); return true;
    case VT_UINT: value = static_cast<double>(variant.uintVal); return true;
    case VT_I8: value = static_cast<double>(variant.llVal); return true;
    case VT_UI8: value = static_cast<double>(variant.ullVal); return true;
    case VT_BOOL: value = static_cast<int32_t>(variant.boolVal ? 1 : 0); return true;
    case VT_BSTR:
      value = Utf16ToUtf8(variant.bstrVal ? std::u16string_view(variant.bstrVal, SysStringLen(variant.bstrVal))
                                          : std::u16string_view());
      return true;
    default: return false;
  }
}

namespace {

void FreeVariants(VARIANT* variants, DWORD count) {
  if (!variants) return;
  for (DWORD i = 0; i < count; ++i) VariantClear(&variants[i]);
  CoTaskMemFree(variants);
}

void FreeStrings(LPWSTR* strings, DWORD count) {
  if (!strings) return;
  for (DWORD i = 0; i < count; ++i) CoTaskMemFree(strings[i]);
  CoTaskMemFree(strings);
}

void ClearItem(OPCHDA_ITEM& item) {
  CoTaskMemFree(item.pftTimeStamps);
  CoTaskMemFree(item.pdwQualities);
  FreeVariants(item.pvDataValues, item.dwCount);
  item.pftTimeStamps = nullptr;
  item.pdwQualities = nullptr;
  item.pvDataValues = nullptr;
  item.dwCount = 0;
}

void ClearModified(OPCHDA_MODIFIEDITEM& item) {
  CoTaskMemFree(item.pftTimeStamps);
  CoTaskMemFree(item.pdwQualities);
  FreeVariants(item.pvDataValues, item.dwCount);
  CoTaskMemFree(item.pftModificationTime);
  CoTaskMemFree(item.pEditType);
  FreeStrings(item.szUser, item.dwCount);
  const OPCHANDLE client = item.hClient;
  item = OPCHDA_MODIFIEDITEM{};
  item.hClient = client;
}

void ClearAnnotation(OPCHDA_ANNOTATION& annotation) {
  CoTaskMemFree(annotation.ftTimeStamps);
  FreeStrings(annotation.szAnnotation, annotation.dwNumValues);
  CoTaskMemFree(annotation.ftAnnotationTime);
  FreeStrings(annotation.szUser, annotation.dwNumValues);
  const OPCHANDLE client = annotation.hClient;
  annotation = OPCHDA_ANNOTATION{};
  annotation.hClient = client;
}

// Allocates the three arrays of an item record for `count` values; unless zeroed, the caller
// must write every element.
bool AllocateItem(OPCHDA_ITEM& item, size_t count, bool zeroed = true) {
  item.pftTimeStamps = TaskArray<FILETIME>(count, zeroed);
  item.pdwQualities = TaskArray<DWORD>(count, zeroed);
  item.pvDataValues = TaskArray<VARIANT>(count, zeroed);
  if (item.pftTimeStamps && item.pdwQualities && item.pvDataValues) {
    item.dwCount = static_cast<DWORD>(count);
    return true;
  }
  // Nothing was written into the values yet: the blocks go as they are.
  ClearItem(item);
  return false;
}

}  // namespace

void FreeItemArray(OPCHDA_ITEM* items, DWORD count) {
  if (!items) return;
  for (DWORD i = 0; i < count; ++i) ClearItem(items[i]);
  CoTaskMemFree(items);
}

void FreeModifiedArray(OPCHDA_MODIFIEDITEM* items, DWORD count) {
  if (!items) return;
  for (DWORD i = 0; i < count; ++i) ClearModified(items[i]);
  CoTaskMemFree(items);
}

void FreeAttributeArray(OPCHDA_ATTRIBUTE* attributes, DWORD count) {
  if (!attributes) return;
  for (DWORD i = 0; i < count; ++i) {
    CoTaskMemFree(attributes[i].ftTimeStamps);
    FreeVariants(attributes[i].vAttributeValues, attributes[i].dwNumValues);
  }
  CoTaskMemFree(attributes);
}

void FreeAnnotationArray(OPCHDA_ANNOTATION* annotations, DWORD count) {
  if (!annotations) return;
  for (DWORD i = 0; i < count; ++i) ClearAnnotation(annotations[i]);
  CoTaskMemFree(annotations);
}

HRESULT FillItem(OPCHDA_ITEM& item, const std::vector<HdaSample>& samples) {
  if (!AllocateItem(item, samples.size())) return E_OUTOFMEMORY;
  for (size_t i = 0; i < samples.size(); ++i) {
    item.pftTimeStamps[i] = FileTimeOf(samples[i].Time);
    item.pdwQualities[i] = samples[i].Quality;
    if (FAILED(ValueToVariant(samples[i].Value, item.pvDataValues[i]))) {
      ClearItem(item);
      return E_OUTOFMEMORY;
    }
  }
  return S_OK;
}

HRESULT FillItem(OPCHDA_ITEM& item, HdaRawCursor& cursor) {
  if (cursor.Type() == hvtBSTR) {
    std::vector<HdaSample> samples(cursor.Remaining());
    samples.resize(cursor.Read(samples.data(), samples.size()));
    return FillItem(item, samples);
  }
  // Every element is written below, so nothing is zeroed first.
  if (!AllocateItem(item, cursor.Remaining(), false)) return E_OUTOFMEMORY;
  // Numbers travel through small buffers straight into the records.
  constexpr size_t Chunk = 4096;
  int64_t times[Chunk];
  double values[Chunk];
  uint32_t qualities[Chunk];
  const VARTYPE type = cursor.Type() == hvtI4 ? VT_I4 : VT_R8;
  size_t at = 0;
  while (const size_t count = cursor.Read(times, values, qualities, Chunk)) {
    for (size_t i = 0; i < count; ++i, ++at) {
      item.pftTimeStamps[at] = FileTimeOf(times[i]);
      item.pdwQualities[at] = qualities[i];
      VARIANT& variant = item.pvDataValues[at];
      VariantInit(&variant);
      if (std::isnan(values[i])) continue;  // a missing bound is VT_EMPTY
      variant.vt = type;
      if (type == VT_I4)
        variant.lVal = static_cast<LONG>(values[i]);
      else
        variant.dblVal = values[i];
    }
  }
  return S_OK;
}

HRESULT FillModifiedItem(OPCHDA_MODIFIEDITEM& item, const std::vector<HdaModifiedSample>& records) {
  const size_t count = records.size();
  item.dwCount = static_cast<DWORD>(count);
  item.pftTimeStamps = TaskArray<FILETIME>(count);
  item.pdwQualities = TaskArray<DWORD>(count);
  item.pvDataValues = TaskArray<VARIANT>(count);
  item.pftModificationTime = TaskArray<FILETIME>(count);
  item.pEditType = TaskArray<OPCHDA_EDITTYPE>(count);
  item.szUser = TaskArray<LPWSTR>(count);
  bool complete = item.pftTimeStamps && item.pdwQualities && item.pvDataValues && item.pftModificationTime &&
                  item.pEditType && item.szUser;
  for (size_t i = 0; complete && i < count; ++i) {
    const HdaModifiedSample& record = records[i];
    item.pftTimeStamps[i] = FileTimeOf(record.Time);
    item.pdwQualities[i] = record.Quality;
    item.pftModificationTime[i] = FileTimeOf(record.ModificationTime);
    item.pEditType[i] = static_cast<OPCHDA_EDITTYPE>(record.EditType);
    item.szUser[i] = TaskString(record.User);
    complete = item.szUser[i] && SUCCEEDED(ValueToVariant(record.Value, item.pvDataValues[i]));
  }
  if (complete) return S_OK;
  ClearModified(item);
  return E_OUTOFMEMORY;
}

HRESULT FillAnnotation(OPCHDA_ANNOTATION& annotation, const std::vector<HdaAnnotation>& annotations) {
  const size_t count = annotations.size();
  annotation.dwNumValues = static_cast<DWORD>(count);
  annotation.ftTimeStamps = TaskArray<FILETIME>(count);
  annotation.szAnnotation = TaskArray<LPWSTR>(count);
  annotation.ftAnnotationTime = TaskArray<FILETIME>(count);
  annotation.szUser = TaskArray<LPWSTR>(count);
  bool complete =
      annotation.ftTimeStamps && annotation.szAnnotation && annotation.ftAnnotationTime && annotation.szUser;
  for (size_t i = 0; complete && i < count; ++i) {
    annotation.ftTimeStamps[i] = FileTimeOf(annotations[i].Time);
    annotation.ftAnnotationTime[i] = FileTimeOf(annotations[i].CreationTime);
    annotation.szAnnotation[i] = TaskString(annotations[i].Text);
    annotation.szUser[i] = TaskString(annotations[i].User);
    complete = annotation.szAnnotation[i] && annotation.szUser[i];
  }
  if (complete) return S_OK;
  ClearAnnotation(annotation);
  return E_OUTOFMEMORY;
}
