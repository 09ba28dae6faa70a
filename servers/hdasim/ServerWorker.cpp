#include "servers/hdasim/ServerWorker.h"

THdaSimWorker::THdaSimWorker() : FState(std::make_shared<TState>()) {
  FThread = std::thread([state = FState] { Run(state); });
}

THdaSimWorker::~THdaSimWorker() {
  {
    std::lock_guard lock(FState->Lock);
    FState->Stopping = true;
  }
  FState->Wake.notify_all();
  FThread.join();
}

void THdaSimWorker::Add(DWORD id, TStep step, TNotice onCancelled, bool repeating) {
  {
    std::lock_guard lock(FState->Lock);
    FState->Requests[id] = TRequest{std::move(step), std::move(onCancelled), TClock::now(), repeating};
  }
  FState->Wake.notify_all();
}

bool THdaSimWorker::Cancel(DWORD id) {
  {
    std::lock_guard lock(FState->Lock);
    auto found = FState->Requests.find(id);
    if (found == FState->Requests.end() || found->second.Cancelled) return false;
    found->second.Cancelled = true;
  }
  FState->Wake.notify_all();
  return true;
}

void THdaSimWorker::Run(const std::shared_ptr<TState>& state) {
  std::unique_lock lock(state->Lock);
  while (!state->Stopping) {
    auto next = state->Requests.end();
    for (auto it = state->Requests.begin(); it != state->Requests.end(); ++it) {
      if (it->second.Cancelled) {
        next = it;
        break;
      }
      if (next == state->Requests.end() || it->second.Due < next->second.Due) next = it;
    }
    if (next == state->Requests.end()) {
      state->Wake.wait(lock);
      continue;
    }
    TRequest& request = next->second;
    if (request.Cancelled) {
      TNotice notice = std::move(request.OnCancelled);
      state->Requests.erase(next);
      lock.unlock();
      notice();
      lock.lock();
      continue;
    }
    if (request.Due > TClock::now()) {
      state->Wake.wait_until(lock, request.Due);
      continue;
    }
    // A one-time request is done once it starts: its answer may reach the client before the
    // step returns, and the client must then find nothing left to cancel.
    if (!request.Repeating) {
      TStep step = std::move(request.Step);
      state->Requests.erase(next);
      lock.unlock();
      step();
      lock.lock();
      continue;
    }
    // The map may change while the step runs, but not this entry: only the worker erases.
    TStep step = request.Step;
    lock.unlock();
    const std::optional<TClock::time_point> again = step();
    lock.lock();
    if (!again && !request.Cancelled)
      state->Requests.erase(next);
    else if (again)
      request.Due = *again;
  }
}
