#pragma once
// The server object's own thread for asynchronous requests. Each request is a step function
// that the worker runs when it is due; a repeating step (advise, playback) returns when it
// wants to run again, or nothing when the request is done. A request can be cancelled until
// its last step starts (a one-time request: until its step starts); the worker then drops it
// and runs its cancel notice, after any step already running.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/win32.h"

class THdaSimWorker {
public:
  using TClock = std::chrono::steady_clock;
  using TStep = std::function<std::optional<TClock::time_point>()>;
  using TNotice = std::function<void()>;

  THdaSimWorker();
  // Stops the thread after the step it runs; requests not yet done are dropped silently.
  ~THdaSimWorker();
  THdaSimWorker(const THdaSimWorker&) = delete;
  THdaSimWorker& operator=(const THdaSimWorker&) = delete;

  // Queues a request to run at once; ids are the cancel ids and unique while requests live.
  void Add(DWORD id, TStep step, TNotice onCancelled, bool repeating);
  // False when no request with this id is waiting or running (unknown, done or cancelled).
  bool Cancel(DWORD id);

private:
  struct TRequest {
    TStep Step;
    TNotice OnCancelled;
    TClock::time_point Due;
    bool Repeating = false;
    bool Cancelled = false;
  };
  struct TState {
    std::mutex Lock;
    std::condition_variable Wake;
    std::map<DWORD, TRequest> Requests;
    bool Stopping = false;
  };

  static void Run(const std::shared_ptr<TState>& state);

  std::shared_ptr<TState> FState;
  std::thread FThread;
};
