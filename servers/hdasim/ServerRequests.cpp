#include "servers/hdasim/ServerRequests.h"

#include <optional>

#include "servers/hdasim/ServerTime.h"
#include "opc/_opcda.h"

namespace {

// Allocates the results and runs fill(i, record) for each known item; unknown handles get
// OPC_E_INVALIDHANDLE. Every record carries its item's client handle.
template <class TResults, class TFill>
std::unique_ptr<TResults> ForEachItem(const std::vector<THdaItemRef>& items, TFill fill) {
  auto results = std::make_unique<TResults>(static_cast<DWORD>(items.size()));
  if (!results->Allocated()) return nullptr;
  for (size_t i = 0; i < items.size(); ++i) {
    auto& record = results->Records()[i];
    record.hClient = items[i].Client;
    results->Errors()[i] = items[i].Item < 0 ? OPC_E_INVALIDHANDLE : fill(i, record);
  }
  return results;
}

std::unique_ptr<THdaHandleResults> HandleResults(const std::vector<THdaItemRef>& items) {
  auto results = std::make_unique<THdaHandleResults>(static_cast<DWORD>(items.size()));
  if (!results->Allocated()) return nullptr;
  for (size_t i = 0; i < items.size(); ++i) {
    results->Records()[i] = items[i].Client;
    results->Errors()[i] = OPC_E_INVALIDHANDLE;
  }
  return results;
}

// An item's outcome, kept as the item's code when filling its record succeeded.
HRESULT Combine(HdaStatus status, HRESULT filled) { return FAILED(filled) ? filled : HResultOf(status); }

}  // namespace

std::unique_ptr<THdaItemResults> Execute(const HdaHistorian& historian, const THdaRawRead& request) {
  return ForEachItem<THdaItemResults>(request.Items, [&](size_t i, OPCHDA_ITEM& record) {
    std::optional<HdaRawCursor> cursor;
    const HdaStatus status = historian.ReadRaw(request.Items[i].Item, request.Request, cursor);
    if (FAILED(HResultOf(status)) || !cursor) return HResultOf(status);
    return Combine(status, FillItem(record, *cursor));
  });
}

std::unique_ptr<THdaItemResults> Execute(const HdaHistorian& historian, const THdaProcessedRead& request) {
  return ForEachItem<THdaItemResults>(request.Items, [&](size_t i, OPCHDA_ITEM& record) {
    record.haAggregate = request.Aggregates[i];
    std::vector<HdaSample> values;
    const HdaStatus status = historian.ReadProcessed(
        request.Items[i].Item, {request.Start, request.End, request.Interval, request.Aggregates[i]}, values);
    // An aggregate that the item's type does not allow is one the item does not offer.
    if (status == HdaStatus::InvalidDataType) return OPC_E_NOT_AVAIL;
    if (FAILED(HResultOf(status))) return HResultOf(status);
    return Combine(status, FillItem(record, values));
  });
}

std::unique_ptr<THdaItemResults> Execute(const HdaHistorian& historian, const THdaAtTimeRead& request) {
  return ForEachItem<THdaItemResults>(request.Items, [&](size_t i, OPCHDA_ITEM& record) {
    std::vector<HdaSample> values;
    const HdaStatus status = historian.ReadAtTime(request.Items[i].Item, request.Times, values);
    if (FAILED(HResultOf(status))) return HResultOf(status);
    return Combine(status, FillItem(record, values));
  });
}

std::unique_ptr<THdaModifiedResults> Execute(const HdaHistorian& historian, const THdaModifiedRead& request) {
  return ForEachItem<THdaModifiedResults>(request.Items, [&](size_t i, OPCHDA_MODIFIEDITEM& record) {
    std::vector<HdaModifiedSample> records;
    const HdaStatus status =
        historian.ReadModified(request.Items[i].Item, request.Start, request.End, request.MaxValues, records);
    if (FAILED(HResultOf(status))) return HResultOf(status);
    return Combine(status, FillModifiedItem(record, records));
  });
}

std::unique_ptr<THdaAttributeResults> Execute(const HdaHistorian& historian, const THdaAttributeRead& request) {
  auto results = std::make_unique<THdaAttributeResults>(static_cast<DWORD>(request.Attributes.size()));
  if (!results->Allocated()) return nullptr;
  const FILETIME now = FileTimeOf(historian.Now());
  for (size_t i = 0; i < request.Attributes.size(); ++i) {
    OPCHDA_ATTRIBUTE& record = results->Records()[i];
    record.hClient = request.Item.Client;
    record.dwAttributeID = request.Attributes[i];
    HdaValue value;
    const HdaStatus status = historian.ReadAttribute(request.Item.Item, request.Attributes[i], value);
    HRESULT& error = results->Errors()[i];
    if (FAILED(HResultOf(status))) {
      error = HResultOf(status);
      continue;
    }
    // Attributes have no history here: one current value, stamped now.
    record.ftTimeStamps = TaskArray<FILETIME>(1);
    record.vAttributeValues = TaskArray<VARIANT>(1);
    if (!record.ftTimeStamps || !record.vAttributeValues) {
      error = E_OUTOFMEMORY;
      continue;
    }
    record.dwNumValues = 1;
    record.ftTimeStamps[0] = now;
    VARTYPE type = VT_EMPTY;
    for (const HdaAttributeInfo& info : HdaAttributeTable())
      if (info.Id == request.Attributes[i]) type = info.Type;
    error = AttributeToVariant(value, type, record.vAttributeValues[0]);
    if (SUCCEEDED(error)) error = OPC_S_CURRENTVALUE;
  }
  return results;
}

std::unique_ptr<THdaAnnotationResults> Execute(const HdaHistorian& historian, const THdaAnnotationRead& request) {
  return ForEachItem<THdaAnnotationResults>(request.Items, [&](size_t i, OPCHDA_ANNOTATION& record) {
    std::vector<HdaAnnotation> annotations;
    const HdaStatus status = historian.ReadAnnotations(request.Items[i].Item, request.Start, request.End, annotations);
    if (FAILED(HResultOf(status))) return HResultOf(status);
    return Combine(status, FillAnnotation(record, annotations));
  });
}

std::unique_ptr<THdaHandleResults> Execute(HdaHistorian& historian, const THdaValueUpdate& request) {
  auto results = HandleResults(request.Items);
  if (!results) return nullptr;
  // The edits of one call are applied as one batch.
  std::vector<HdaEdit> edits;
  std::vector<size_t> positions;
  for (size_t i = 0; i < request.Items.size(); ++i) {
    if (request.Items[i].Item < 0) continue;
    if (FAILED(request.Refused[i])) {
      results->Errors()[i] = request.Refused[i];
      continue;
    }
    edits.push_back(request.Edits[i]);
    positions.push_back(i);
  }
  const std::vector<HdaStatus> outcomes = historian.Update(edits, request.User);
  for (size_t k = 0; k < positions.size(); ++k) results->Errors()[positions[k]] = HResultOf(outcomes[k]);
  return results;
}

std::unique_ptr<THdaHandleResults> Execute(HdaHistorian& historian, const THdaRawDelete& request) {
  auto results = HandleResults(request.Items);
  if (!results) return nullptr;
  for (size_t i = 0; i < request.Items.size(); ++i) {
    const int item = request.Items[i].Item;
    if (item >= 0)
      results->Errors()[i] = HResultOf(historian.DeleteRaw(item, request.Start, request.End, request.User));
  }
  return results;
}

std::unique_ptr<THdaHandleResults> Execute(HdaHistorian& historian, const THdaAnnotationInsert& request) {
  auto results = HandleResults(request.Items);
  if (!results) return nullptr;
  for (size_t i = 0; i < request.Items.size(); ++i) {
    if (request.Items[i].Item < 0) continue;
    HRESULT result = S_OK;
    for (const HdaAnnotation& annotation : request.Annotations[i]) {
      const HRESULT one = HResultOf(historian.InsertAnnotation(request.Items[i].Item, annotation.Time, annotation.Text,
                                                               annotation.User));
      if (FAILED(one) && SUCCEEDED(result)) result = one;
    }
    results->Errors()[i] = result;
  }
  return results;
}
