#include "platform/com/ConnectionPoints.h"

#include <algorithm>

#include "platform/com/Enumerators.h"

namespace {

struct TEnumConnectionsPolicy {
  struct Stored {
    ComPtr<IUnknown> Sink;
    DWORD Cookie;
  };
  using Element = CONNECTDATA;
  static HRESULT Copy(const Stored& from, Element& to) {
    to.pUnk = from.Sink.Get();
    to.pUnk->AddRef();
    to.dwCookie = from.Cookie;
    return S_OK;
  }
  static void Clear(Element& element) {
    element.pUnk->Release();
    element.pUnk = nullptr;
  }
};

using TEnumConnections = TEnumerator<IEnumConnections, TEnumConnectionsPolicy>;
using TEnumConnectionPoints = TEnumerator<IEnumConnectionPoints, TEnumInterfacePolicy<IConnectionPoint>>;

}  // namespace

HRESULT TConnectionPoint::QueryInterface(REFIID riid, void** ppvObject) {
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  if (riid != IID_IUnknown && riid != IID_IConnectionPoint) return E_NOINTERFACE;
  *ppvObject = static_cast<IConnectionPoint*>(this);
  AddRef();
  return S_OK;
}

HRESULT TConnectionPoint::GetConnectionInterface(IID* pIID) {
  if (!pIID) return E_POINTER;
  *pIID = FIID;
  return S_OK;
}

HRESULT TConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC) {
  if (!ppCPC) return E_POINTER;
  *ppCPC = FContainer;
  FContainer->AddRef();
  return S_OK;
}

HRESULT TConnectionPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie) {
  if (!pdwCookie) return E_POINTER;
  *pdwCookie = 0;
  if (!pUnkSink) return E_POINTER;
  // Without an apartment there is no thread to call the sink on.
  TApartmentPtr apartment = CurrentApartment();
  if (!apartment) return CO_E_NOTINITIALIZED;
  ComPtr<IUnknown> sink;
  if (FAILED(pUnkSink->QueryInterface(FIID, reinterpret_cast<void**>(sink.ReleaseAndGetAddressOf()))) || !sink)
    return CONNECT_E_CANNOTCONNECT;
  std::lock_guard lock(FLock);
  if (FLastCookie == 0xFFFFFFFF) return CONNECT_E_ADVISELIMIT;
  *pdwCookie = ++FLastCookie;
  FSinks.push_back({*pdwCookie, std::move(sink), std::move(apartment)});
  return S_OK;
}

HRESULT TConnectionPoint::Unadvise(DWORD dwCookie) {
  TSink removed;
  {
    std::lock_guard lock(FLock);
    auto found = std::find_if(FSinks.begin(), FSinks.end(), [dwCookie](const TSink& s) { return s.Cookie == dwCookie; });
    if (found == FSinks.end()) return CONNECT_E_NOCONNECTION;
    removed = std::move(*found);
    FSinks.erase(found);
  }
  // The sink is released here, outside the lock: its last Release may call back into us.
  return S_OK;
}

HRESULT TConnectionPoint::EnumConnections(IEnumConnections** ppEnum) {
  if (!ppEnum) return E_POINTER;
  std::vector<TEnumConnectionsPolicy::Stored> connections;
  for (TSink& sink : Sinks()) connections.push_back({std::move(sink.Sink), sink.Cookie});
  return TEnumConnections::Create(std::move(connections), ppEnum);
}

std::vector<TConnectionPoint::TSink> TConnectionPoint::Sinks() const {
  std::lock_guard lock(FLock);
  return FSinks;
}

bool TConnectionPoint::IsAdvised(DWORD cookie) const {
  std::lock_guard lock(FLock);
  return std::any_of(FSinks.begin(), FSinks.end(), [cookie](const TSink& s) { return s.Cookie == cookie; });
}

HRESULT TConnectionPoint::CallEach(const std::function<HRESULT(IUnknown*)>& call) const {
  HRESULT first = S_OK;
  for (const TSink& sink : Sinks()) {
    // Checked again inside the apartment: an Unadvise that ran there before this call wins.
    auto callIfAdvised = [this, &sink, &call] { return IsAdvised(sink.Cookie) ? call(sink.Sink.Get()) : S_OK; };
    const HRESULT hr = sink.Apartment->Call(callIfAdvised);
    if (FAILED(hr) && SUCCEEDED(first)) first = hr;
  }
  return first;
}

HRESULT TConnectionPoint::PostEach(std::function<void(IUnknown*)> call) {
  HRESULT first = S_OK;
  auto shared = std::make_shared<const std::function<void(IUnknown*)>>(std::move(call));
  for (const TSink& sink : Sinks()) {
    // The reference to this point keeps the server object alive until the call has run.
    auto callIfAdvised = [self = ComPtr<TConnectionPoint>(this), sink, shared] {
      if (self->IsAdvised(sink.Cookie)) (*shared)(sink.Sink.Get());
    };
    const HRESULT hr = sink.Apartment->Post(std::move(callIfAdvised));
    if (FAILED(hr) && SUCCEEDED(first)) first = hr;
  }
  return first;
}

TConnectionPoint& TConnectionPoints::Add(REFIID iid) {
  FPoints.push_back(std::make_unique<TConnectionPoint>(FContainer, iid));
  return *FPoints.back();
}

TConnectionPoint* TConnectionPoints::Find(REFIID iid) const {
  for (const auto& point : FPoints)
    if (point->Interface() == iid) return point.get();
  return nullptr;
}

HRESULT TConnectionPoints::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) {
  if (!ppEnum) return E_POINTER;
  std::vector<ComPtr<IConnectionPoint>> points;
  for (const auto& point : FPoints) points.emplace_back(point.get());
  return TEnumConnectionPoints::Create(std::move(points), ppEnum);
}

HRESULT TConnectionPoints::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) {
  if (!ppCP) return E_POINTER;
  *ppCP = Find(riid);
  if (!*ppCP) return CONNECT_E_NOCONNECTION;
  (*ppCP)->AddRef();
  return S_OK;
}
