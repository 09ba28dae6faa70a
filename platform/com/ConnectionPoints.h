#pragma once
// Connection points for server objects. A server that implements IConnectionPointContainer
// holds a TConnectionPoints member, adds one point per outgoing interface, forwards its two
// container methods to it, and calls its clients' sinks through the points:
//
//   class TServer : public TComObject<IServer, IConnectionPointContainer> {
//     TConnectionPoints FPoints{this};
//     TConnectionPoint& FCallback = FPoints.Add(IID_ICallback);
//     HRESULT EnumConnectionPoints(IEnumConnectionPoints** e) override { return FPoints.EnumConnectionPoints(e); }
//     HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** p) override { return FPoints.FindConnectionPoint(iid, p); }
//     void Notify() { FCallback.CallSinks<ICallback>([](ICallback* sink) { return sink->Changed(); }); }
//   };
//
// Each sink is called in the apartment it was advised from (see ComApartment.h).

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/com/ComApartment.h"
#include "platform/com/ComBaseApi.h"
#include "platform/com/ComPtr.h"
#include "platform/com/OCIdl.h"

// One outgoing interface of a server object. The point lives inside the server object and
// shares its reference count: a client holding the point keeps the server alive.
class TConnectionPoint final : public IConnectionPoint {
public:
  TConnectionPoint(IConnectionPointContainer* container, REFIID iid) : FContainer(container), FIID(iid) {}
  TConnectionPoint(const TConnectionPoint&) = delete;
  TConnectionPoint& operator=(const TConnectionPoint&) = delete;
  ~TConnectionPoint() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return FContainer->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return FContainer->Release(); }

  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* pIID) override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
  // Refuses a sink without the point's interface with CONNECT_E_CANNOTCONNECT, and a caller
  // outside any apartment with CO_E_NOTINITIALIZED; cookies are never 0 and never reused.
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD dwCookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** ppEnum) override;

  // An advised sink: the point's interface of the sink, as IUnknown, and the apartment of the
  // thread that advised it.
  struct TSink {
    DWORD Cookie;
    ComPtr<IUnknown> Sink;
    TApartmentPtr Apartment;
  };

  REFIID Interface() const { return FIID; }
  std::vector<TSink> Sinks() const;
  bool IsAdvised(DWORD cookie) const;

  // Calls call with each sink, one after another, inside the sink's apartment, and waits for
  // each. Sinks may unadvise (themselves or others) during a call: a sink unadvised before
  // its call runs is skipped. Returns S_OK, or the first failure, for example
  // RPC_E_DISCONNECTED for a sink whose apartment is gone; the other sinks are called anyway.
  template <class Sink>
  HRESULT CallSinks(const std::function<HRESULT(Sink*)>& call) const {
    return CallEach([&call](IUnknown* sink) { return call(AsSink<Sink>(sink)); });
  }

  // Queues call for each sink in its apartment and returns at once. The server object stays
  // alive until the calls have run. Returns S_OK, or the first failure to queue.
  template <class Sink>
  HRESULT PostToSinks(std::function<void(Sink*)> call) {
    return PostEach([call = std::move(call)](IUnknown* sink) { call(AsSink<Sink>(sink)); });
  }

private:
  template <class Sink>
  static Sink* AsSink(IUnknown* sink) {
    // The stored pointer came from QueryInterface for the point's interface.
    return static_cast<Sink*>(static_cast<void*>(sink));
  }
  HRESULT CallEach(const std::function<HRESULT(IUnknown*)>& call) const;
  HRESULT PostEach(std::function<void(IUnknown*)> call);

  IConnectionPointContainer* const FContainer;
  const IID FIID;
  mutable std::mutex FLock;
  std::vector<TSink> FSinks;
  DWORD FLastCookie = 0;
};

// The connection points of one server object and the IConnectionPointContainer methods over
// them. Add every point while the server object is being built.
class TConnectionPoints {
public:
  explicit TConnectionPoints(IConnectionPointContainer* container) : FContainer(container) {}

  TConnectionPoint& Add(REFIID iid);
  // Null when the object has no point for iid.
  TConnectionPoint* Find(REFIID iid) const;

  HRESULT EnumConnectionPoints(IEnumConnectionPoints** ppEnum);
  // CONNECT_E_NOCONNECTION when the object has no point for riid.
  HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP);

private:
  IConnectionPointContainer* const FContainer;
  std::vector<std::unique_ptr<TConnectionPoint>> FPoints;
};
