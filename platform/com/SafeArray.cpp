#include <cstring>

#include "platform/com/OleAuto.h"
#include "platform/com/TaskMemory.h"
#include "platform/com/VariantView.h"

namespace {

// The descriptor is preceded by 16 bytes holding the element interface id (FADF_HAVEIID) or,
// in its last 4 bytes, the element VARTYPE (FADF_HAVEVARTYPE).
constexpr size_t kPrefixBytes = 16;
constexpr ULONG kMaxLocks = 0xFFFF;
constexpr USHORT kElementOwnership = FADF_BSTR | FADF_VARIANT | FADF_UNKNOWN | FADF_DISPATCH;
constexpr USHORT kForeignData = FADF_AUTO | FADF_STATIC | FADF_EMBEDDED;

size_t DescriptorBytes(UINT cDims) { return sizeof(SAFEARRAY) + (cDims - 1) * sizeof(SAFEARRAYBOUND); }

BYTE* PrefixOf(SAFEARRAY* psa) { return reinterpret_cast<BYTE*>(psa) - kPrefixBytes; }

void StoreVartype(SAFEARRAY* psa, VARTYPE vt) {
  DWORD stored = vt;
  std::memcpy(PrefixOf(psa) + kPrefixBytes - sizeof stored, &stored, sizeof stored);
}

void StoreIid(SAFEARRAY* psa, const IID& iid) { std::memcpy(PrefixOf(psa), &iid, sizeof iid); }

bool ElementCount(const SAFEARRAY* psa, size_t& count) {
  count = 1;
  for (USHORT d = 0; d < psa->cDims; ++d) {
    size_t n = psa->rgsabound[d].cElements;
    if (n != 0 && count > SIZE_MAX / n) return false;
    count *= n;
  }
  return true;
}

bool DataBytes(const SAFEARRAY* psa, size_t& bytes) {
  size_t count;
  if (!ElementCount(psa, count) || (psa->cbElements && count > SIZE_MAX / psa->cbElements)) return false;
  bytes = count * psa->cbElements;
  return true;
}

BYTE* ElementAt(const SAFEARRAY* psa, size_t index) {
  return static_cast<BYTE*>(psa->pvData) + index * psa->cbElements;
}

// Frees what one element owns; plain values need nothing.
void ReleaseElement(const SAFEARRAY* psa, BYTE* element) {
  if (psa->fFeatures & FADF_BSTR) {
    SysFreeString(*reinterpret_cast<BSTR*>(element));
  } else if (psa->fFeatures & FADF_VARIANT) {
    VariantClear(reinterpret_cast<VARIANT*>(element));
  } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
    if (IUnknown* unknown = *reinterpret_cast<IUnknown**>(element)) unknown->Release();
  }
}

// Frees what elements [first, last) own and zeroes them.
void ReleaseElements(SAFEARRAY* psa, size_t first, size_t last) {
  if (!psa->pvData || first >= last) return;
  if (psa->fFeatures & kElementOwnership)
    for (size_t i = first; i < last; ++i) ReleaseElement(psa, ElementAt(psa, i));
  std::memset(ElementAt(psa, first), 0, (last - first) * psa->cbElements);
}

// Copies one element into zeroed storage the caller owns.
HRESULT CopyElement(const SAFEARRAY* psa, const BYTE* from, BYTE* to) {
  if (psa->fFeatures & FADF_BSTR) {
    BSTR source = *reinterpret_cast<const BSTR*>(from);
    BSTR copy = nullptr;
    if (source) {
      copy = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(source), SysStringByteLen(source));
      if (!copy) return E_OUTOFMEMORY;
    }
    *reinterpret_cast<BSTR*>(to) = copy;
  } else if (psa->fFeatures & FADF_VARIANT) {
    VariantInit(reinterpret_cast<VARIANT*>(to));
    return VariantCopy(reinterpret_cast<VARIANT*>(to), reinterpret_cast<const VARIANT*>(from));
  } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
    IUnknown* unknown = *reinterpret_cast<IUnknown* const*>(from);
    if (unknown) unknown->AddRef();
    *reinterpret_cast<IUnknown**>(to) = unknown;
  } else {
    std::memcpy(to, from, psa->cbElements);
  }
  return S_OK;
}

HRESULT ElementIndex(const SAFEARRAY* psa, const LONG* rgIndices, size_t& index) {
  index = 0;
  size_t stride = 1;
  for (USHORT d = 0; d < psa->cDims; ++d) {
    const SAFEARRAYBOUND& bound = psa->rgsabound[psa->cDims - 1 - d];
    int64_t offset = int64_t(rgIndices[d]) - bound.lLbound;
    if (offset < 0 || offset >= int64_t(bound.cElements)) return DISP_E_BADINDEX;
    index += size_t(offset) * stride;
    stride *= bound.cElements;
  }
  return S_OK;
}

// Runs action on the element at rgIndices with the array locked, as Windows does.
template <class Action>
HRESULT WithElement(SAFEARRAY* psa, LONG* rgIndices, Action action) {
  if (!psa || !rgIndices) return E_INVALIDARG;
  size_t index;
  HRESULT hr = ElementIndex(psa, rgIndices, index);
  if (FAILED(hr)) return hr;
  hr = SafeArrayLock(psa);
  if (FAILED(hr)) return hr;
  hr = action(ElementAt(psa, index));
  SafeArrayUnlock(psa);
  return hr;
}

}  // namespace

HRESULT SafeArrayAllocDescriptor(UINT cDims, SAFEARRAY** ppsaOut) {
  if (!ppsaOut || cDims == 0 || cDims > 0xFFFF) return E_INVALIDARG;
  *ppsaOut = nullptr;
  auto* block = static_cast<BYTE*>(CoTaskMemAlloc(kPrefixBytes + DescriptorBytes(cDims)));
  if (!block) return E_OUTOFMEMORY;
  std::memset(block, 0, kPrefixBytes + DescriptorBytes(cDims));
  auto* psa = reinterpret_cast<SAFEARRAY*>(block + kPrefixBytes);
  psa->cDims = USHORT(cDims);
  *ppsaOut = psa;
  return S_OK;
}

HRESULT SafeArrayAllocDescriptorEx(VARTYPE vt, UINT cDims, SAFEARRAY** ppsaOut) {
  UINT size = ElementSize(vt);
  if (size == 0) return E_INVALIDARG;
  HRESULT hr = SafeArrayAllocDescriptor(cDims, ppsaOut);
  if (FAILED(hr)) return hr;
  SAFEARRAY* psa = *ppsaOut;
  psa->cbElements = size;
  if (vt == VT_UNKNOWN) {
    psa->fFeatures = FADF_UNKNOWN | FADF_HAVEIID;
    StoreIid(psa, IID_IUnknown);
  } else if (vt == VT_DISPATCH) {
    psa->fFeatures = FADF_DISPATCH | FADF_HAVEIID;
    StoreIid(psa, kDispatchInterfaceId);
  } else {
    psa->fFeatures = FADF_HAVEVARTYPE | (vt == VT_BSTR ? FADF_BSTR : 0) | (vt == VT_VARIANT ? FADF_VARIANT : 0);
    StoreVartype(psa, vt);
  }
  return S_OK;
}

HRESULT SafeArrayAllocData(SAFEARRAY* psa) {
  if (!psa) return E_INVALIDARG;
  size_t bytes;
  if (!DataBytes(psa, bytes)) return E_OUTOFMEMORY;
  void* data = CoTaskMemAlloc(bytes);
  if (!data) return E_OUTOFMEMORY;
  std::memset(data, 0, bytes);
  psa->pvData = data;
  return S_OK;
}

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound) {
  if (!rgsabound) return nullptr;
  SAFEARRAY* psa;
  if (FAILED(SafeArrayAllocDescriptorEx(vt, cDims, &psa))) return nullptr;
  for (UINT d = 0; d < cDims; ++d) psa->rgsabound[cDims - 1 - d] = rgsabound[d];
  if (FAILED(SafeArrayAllocData(psa))) {
    SafeArrayDestroyDescriptor(psa);
    return nullptr;
  }
  return psa;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
  SAFEARRAYBOUND bound = {cElements, lLbound};
  return SafeArrayCreate(vt, 1, &bound);
}

HRESULT SafeArrayDestroyData(SAFEARRAY* psa) {
  if (!psa) return E_INVALIDARG;
  if (psa->cLocks) return DISP_E_ARRAYISLOCKED;
  size_t count;
  if (!ElementCount(psa, count)) return E_INVALIDARG;
  ReleaseElements(psa, 0, count);
  // Storage the caller supplied stays with the caller, zeroed.
  if (!(psa->fFeatures & kForeignData)) {
    CoTaskMemFree(psa->pvData);
    psa->pvData = nullptr;
  }
  return S_OK;
}

HRESULT SafeArrayDestroyDescriptor(SAFEARRAY* psa) {
  if (!psa) return E_INVALIDARG;
  if (psa->cLocks) return DISP_E_ARRAYISLOCKED;
  CoTaskMemFree(PrefixOf(psa));
  return S_OK;
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
  if (!psa) return S_OK;
  if (psa->cLocks) return DISP_E_ARRAYISLOCKED;
  HRESULT hr = SafeArrayDestroyData(psa);
  if (FAILED(hr)) return hr;
  return SafeArrayDestroyDescriptor(psa);
}

UINT SafeArrayGetDim(SAFEARRAY* psa) { return psa ? psa->cDims : 0; }

UINT SafeArrayGetElemsize(SAFEARRAY* psa) { return psa ? psa->cbElements : 0; }

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) {
  if (!psa || !plLbound) return E_INVALIDARG;
  if (nDim < 1 || nDim > psa->cDims) return DISP_E_BADINDEX;
  *plLbound = psa->rgsabound[psa->cDims - nDim].lLbound;
  return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) {
  if (!psa || !plUbound) return E_INVALIDARG;
  if (nDim < 1 || nDim > psa->cDims) return DISP_E_BADINDEX;
  const SAFEARRAYBOUND& bound = psa->rgsabound[psa->cDims - nDim];
  *plUbound = LONG(int64_t(bound.lLbound) + bound.cElements - 1);
  return S_OK;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt) {
  if (!psa || !pvt) return E_INVALIDARG;
  if (psa->fFeatures & FADF_HAVEVARTYPE) {
    DWORD stored;
    std::memcpy(&stored, PrefixOf(psa) + kPrefixBytes - sizeof stored, sizeof stored);
    *pvt = VARTYPE(stored);
  } else if (psa->fFeatures & FADF_RECORD) {
    *pvt = VT_RECORD;
  } else if (psa->fFeatures & FADF_DISPATCH) {
    *pvt = VT_DISPATCH;
  } else if (psa->fFeatures & FADF_UNKNOWN) {
    *pvt = VT_UNKNOWN;
  } else {
    return E_INVALIDARG;
  }
  return S_OK;
}

HRESULT SafeArrayLock(SAFEARRAY* psa) {
  if (!psa) return E_INVALIDARG;
  if (psa->cLocks >= kMaxLocks) return E_UNEXPECTED;
  ++psa->cLocks;
  return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* psa) {
  if (!psa) return E_INVALIDARG;
  if (psa->cLocks == 0) return E_UNEXPECTED;
  --psa->cLocks;
  return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
  if (!psa || !ppvData) return E_INVALIDARG;
  HRESULT hr = SafeArrayLock(psa);
  *ppvData = SUCCEEDED(hr) ? psa->pvData : nullptr;
  return hr;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) { return SafeArrayUnlock(psa); }

HRESULT SafeArrayPtrOfIndex(SAFEARRAY* psa, LONG* rgIndices, void** ppvData) {
  if (!psa || !rgIndices || !ppvData) return E_INVALIDARG;
  size_t index;
  HRESULT hr = ElementIndex(psa, rgIndices, index);
  if (FAILED(hr)) return hr;
  *ppvData = ElementAt(psa, index);
  return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
  if (!pv) return E_INVALIDARG;
  return WithElement(psa, rgIndices,
                     [&](BYTE* element) { return CopyElement(psa, element, static_cast<BYTE*>(pv)); });
}

HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
  return WithElement(psa, rgIndices, [&](BYTE* element) -> HRESULT {
    if (psa->fFeatures & FADF_VARIANT) {
      if (!pv) return E_INVALIDARG;
      return VariantCopy(reinterpret_cast<VARIANT*>(element), static_cast<VARIANT*>(pv));
    }
    if (psa->fFeatures & (FADF_BSTR | FADF_UNKNOWN | FADF_DISPATCH)) {
      // The value is the pointer itself; copy it in, then let the old one go.
      void* stored = nullptr;
      HRESULT hr = CopyElement(psa, reinterpret_cast<BYTE*>(&pv), reinterpret_cast<BYTE*>(&stored));
      if (FAILED(hr)) return hr;
      ReleaseElement(psa, element);
      std::memcpy(element, &stored, sizeof stored);
      return S_OK;
    }
    if (!pv) return E_INVALIDARG;
    std::memcpy(element, pv, psa->cbElements);
    return S_OK;
  });
}

HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut) {
  if (!ppsaOut) return E_INVALIDARG;
  *ppsaOut = nullptr;
  if (!psa) return S_OK;
  SAFEARRAY* copy;
  HRESULT hr = SafeArrayAllocDescriptor(psa->cDims, &copy);
  if (FAILED(hr)) return hr;
  std::memcpy(PrefixOf(copy), PrefixOf(psa), kPrefixBytes + DescriptorBytes(psa->cDims));
  copy->cLocks = 0;
  copy->pvData = nullptr;
  copy->fFeatures &= ~kForeignData;
  if (psa->pvData) {
    size_t count;
    ElementCount(psa, count);
    hr = SafeArrayAllocData(copy);
    for (size_t i = 0; SUCCEEDED(hr) && i < count; ++i) hr = CopyElement(psa, ElementAt(psa, i), ElementAt(copy, i));
    if (FAILED(hr)) {
      SafeArrayDestroy(copy);
      return hr;
    }
  }
  *ppsaOut = copy;
  return S_OK;
}

HRESULT SafeArrayRedim(SAFEARRAY* psa, SAFEARRAYBOUND* psaboundNew) {
  if (!psa || !psaboundNew || (psa->fFeatures & (FADF_FIXEDSIZE | kForeignData))) return E_INVALIDARG;
  if (psa->cLocks) return DISP_E_ARRAYISLOCKED;
  size_t oldCount;
  if (!ElementCount(psa, oldCount)) return E_INVALIDARG;
  // The changed dimension varies slowest, so elements keep their places.
  SAFEARRAYBOUND oldBound = psa->rgsabound[0];
  psa->rgsabound[0] = *psaboundNew;
  size_t newCount, newBytes;
  if (!ElementCount(psa, newCount) || !DataBytes(psa, newBytes)) {
    psa->rgsabound[0] = oldBound;
    return E_OUTOFMEMORY;
  }
  if (newCount < oldCount) ReleaseElements(psa, newCount, oldCount);
  // Size 0 would free the block; keep one byte so pvData stays valid.
  void* data = CoTaskMemRealloc(psa->pvData, newBytes ? newBytes : 1);
  if (!data) {
    psa->rgsabound[0] = oldBound;
    return E_OUTOFMEMORY;
  }
  psa->pvData = data;
  if (newCount > oldCount) std::memset(ElementAt(psa, oldCount), 0, (newCount - oldCount) * psa->cbElements);
  return S_OK;
}
