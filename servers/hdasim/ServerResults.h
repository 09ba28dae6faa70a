#pragma once
// The per-item answer of one request: the record array and the parallel error array, both
// task-allocated, owned until handed to the client (synchronous calls) or until the callbacks
// that carry them have run (asynchronous ones).

#include "servers/hdasim/ServerValues.h"

template <class TRecord, void (*FreeRecords)(TRecord*, DWORD)>
class THdaResults {
public:
  explicit THdaResults(DWORD count)
      : FCount(count), FRecords(TaskArray<TRecord>(count)), FErrors(TaskArray<HRESULT>(count)) {}
  ~THdaResults() {
    FreeRecords(FRecords, FCount);
    CoTaskMemFree(FErrors);
  }
  THdaResults(const THdaResults&) = delete;
  THdaResults& operator=(const THdaResults&) = delete;

  bool Allocated() const { return FRecords && FErrors; }
  DWORD Count() const { return FCount; }
  TRecord* Records() const { return FRecords; }
  HRESULT* Errors() const { return FErrors; }

  // S_OK when every entry succeeded, S_FALSE when some failed.
  HRESULT Status() const {
    for (DWORD i = 0; i < FCount; ++i)
      if (FAILED(FErrors[i])) return S_FALSE;
    return S_OK;
  }

  // Gives both arrays to the caller and returns Status().
  HRESULT HandOut(TRecord** records, HRESULT** errors) {
    const HRESULT status = Status();
    *records = FRecords;
    *errors = FErrors;
    FRecords = nullptr;
    FErrors = nullptr;
    FCount = 0;
    return status;
  }

  // Gives only the error array to the caller: updates answer no records synchronously.
  HRESULT HandOutErrors(HRESULT** errors) {
    const HRESULT status = Status();
    *errors = FErrors;
    FErrors = nullptr;
    return status;
  }

private:
  DWORD FCount;
  TRecord* FRecords;
  HRESULT* FErrors;
};

using THdaItemResults = THdaResults<OPCHDA_ITEM, FreeItemArray>;
using THdaModifiedResults = THdaResults<OPCHDA_MODIFIEDITEM, FreeModifiedArray>;
using THdaAttributeResults = THdaResults<OPCHDA_ATTRIBUTE, FreeAttributeArray>;
using THdaAnnotationResults = THdaResults<OPCHDA_ANNOTATION, FreeAnnotationArray>;

inline void FreeNothing(OPCHANDLE* handles, DWORD) { CoTaskMemFree(handles); }
// Updates and annotation inserts answer with the items' client handles.
using THdaHandleResults = THdaResults<OPCHANDLE, FreeNothing>;
