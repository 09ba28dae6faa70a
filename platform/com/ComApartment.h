#pragma once
// Calls across apartments. Objects here have no proxies: an interface pointer calls straight
// into its object on whatever thread holds it. A server that calls back a client therefore
// captures the client's apartment (CurrentApartment() on the client's thread, for example
// during Advise) and runs each callback through it:
//   - the main thread's single-threaded apartment runs calls from the main-thread queue, so
//     they arrive while the main thread pumps CheckSynchronize (or its GUI event loop);
//   - another single-threaded apartment runs them when its thread calls PumpApartment;
//   - the multithreaded apartment runs them at once on the calling thread.
// A call into an apartment whose threads have left it (CoUninitialize, or thread end) fails
// with RPC_E_DISCONNECTED and never runs.

#include <functional>
#include <memory>

#include "platform/com/ComBaseApi.h"

class TApartment {
public:
  virtual ~TApartment() = default;

  // APTTYPE_MAINSTA, APTTYPE_STA or APTTYPE_MTA.
  virtual APTTYPE Type() const = 0;
  // False once every thread has left the apartment.
  virtual bool IsAlive() const = 0;
  // The calling thread belongs to this apartment.
  virtual bool IsCurrent() const = 0;

  // Runs call in the apartment and waits for it. A single-threaded apartment that waits here
  // for another one keeps running the calls made into itself, so two apartments calling each
  // other do not deadlock. Returns call's result, RPC_E_DISCONNECTED when the apartment is
  // gone (before or while waiting), RPC_E_SERVERFAULT when call raised an exception.
  virtual HRESULT Call(const std::function<HRESULT()>& call) = 0;

  // Queues call for the apartment and returns at once: S_OK, or RPC_E_DISCONNECTED when the
  // apartment is gone. Calls posted to one apartment run in posting order; an exception that
  // escapes one is dropped. Into the multithreaded apartment the call runs before Post returns.
  virtual HRESULT Post(std::function<void()> call) = 0;
};

using TApartmentPtr = std::shared_ptr<TApartment>;

// The apartment of the calling thread: the one it entered with CoInitializeEx, else the
// multithreaded apartment while one exists (implicit membership, as on Windows), else null.
TApartmentPtr CurrentApartment();

// Runs the calls queued for the calling thread's single-threaded apartment, waiting up to
// timeoutMs for the first when none is queued (INFINITE waits without limit). On the main
// thread this is CheckSynchronize. Returns true when at least one call ran; false at once on
// a thread outside any single-threaded apartment.
bool PumpApartment(DWORD timeoutMs = 0);
