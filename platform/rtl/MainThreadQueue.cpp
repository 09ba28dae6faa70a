#include "platform/rtl/MainThreadQueue.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <iterator>
#include <memory>
#include <mutex>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/MessageSeam.h"

namespace {

struct TSyncRequest {
  bool Done = false;
  std::exception_ptr Error;
};

struct TQueuedCall {
  TThreadProcedure Proc;
  TSyncRequest* Request;  // null for a Queue'd call; else the waiting caller's
};

using TWakeHook = std::shared_ptr<const std::function<void()>>;

struct TMainThreadQueue {
  std::mutex Lock;
  std::condition_variable Posted;     // the main thread waits here for work
  std::condition_variable Completed;  // synchronizing threads wait here for their call
  std::deque<TQueuedCall> Pending;
  // Taken from Pending, not yet run; main thread only. A routine that pumps again (a modal
  // loop, a WaitFor) continues this list first, so posting order holds across nesting.
  std::deque<TQueuedCall> Running;
  TWakeHook WakeHook;
  bool Ended = false;
};

// Never destroyed: threads may still post while (and after) static objects are destroyed.
TMainThreadQueue& TheQueue() {
  static auto* queue = new TMainThreadQueue;
  return *queue;
}

void Post(TThreadProcedure proc, TSyncRequest* request) {
  TMainThreadQueue& queue = TheQueue();
  TWakeHook hook;
  {
    std::lock_guard lock(queue.Lock);
    if (queue.Ended && request)
      throw EThread("Cannot synchronize: the main thread has ended");
    queue.Pending.push_back({std::move(proc), request});
    hook = queue.WakeHook;
  }
  queue.Posted.notify_one();
  if (hook)
    (*hook)();
}

void RunCall(TMainThreadQueue& queue, TQueuedCall call) {
  if (!call.Request) {
    try {
      call.Proc();
    } catch (const std::exception& error) {
      HandleApplicationException(error);
    } catch (...) {
      HandleApplicationException(Exception("Unknown exception"));
    }
    return;
  }
  std::exception_ptr error;
  try {
    call.Proc();
  } catch (...) {
    error = std::current_exception();
  }
  call.Proc = nullptr;  // its captures go before the caller resumes
  {
    std::lock_guard lock(queue.Lock);
    call.Request->Error = std::move(error);  // the caller alone owns the exception from now on
    call.Request->Done = true;
  }
  queue.Completed.notify_all();
}

// Captures the main thread during static initialisation and, at exit, releases threads that
// still wait in Synchronize: nobody will pump for them any more.
struct TProcessLifetime {
  TProcessLifetime() { MainThreadId(); }
  ~TProcessLifetime() {
    TMainThreadQueue& queue = TheQueue();
    std::deque<TQueuedCall> abandoned;
    {
      std::lock_guard lock(queue.Lock);
      queue.Ended = true;
      for (TQueuedCall& call : queue.Pending) {
        if (call.Request) {
          call.Request->Error = std::make_exception_ptr(EThread("Cannot synchronize: the main thread has ended"));
          call.Request->Done = true;
          abandoned.push_back(std::move(call));
        }
      }
      std::erase_if(queue.Pending, [](const TQueuedCall& call) { return call.Request != nullptr; });
    }
    queue.Completed.notify_all();
  }
};

const TProcessLifetime processLifetime;

}  // namespace

std::thread::id MainThreadId() {
  static const std::thread::id id = std::this_thread::get_id();
  return id;
}

bool IsMainThread() { return std::this_thread::get_id() == MainThreadId(); }

void Synchronize(TThreadProcedure proc) {
  if (IsMainThread()) {
    proc();
    return;
  }
  TMainThreadQueue& queue = TheQueue();
  TSyncRequest request;
  Post(std::move(proc), &request);
  std::unique_lock lock(queue.Lock);
  queue.Completed.wait(lock, [&] { return request.Done; });
  if (request.Error)
    std::rethrow_exception(request.Error);
}

void Queue(TThreadProcedure proc) { Post(std::move(proc), nullptr); }

bool CheckSynchronize(int timeoutMs) {
  if (!IsMainThread())
    throw EThread("CheckSynchronize called from a thread that is not the main thread");
  TMainThreadQueue& queue = TheQueue();
  {
    std::unique_lock lock(queue.Lock);
    auto posted = [&] { return !queue.Pending.empty(); };
    if (queue.Running.empty()) {
      if (timeoutMs < 0)
        queue.Posted.wait(lock, posted);
      else if (timeoutMs > 0)
        queue.Posted.wait_for(lock, std::chrono::milliseconds(timeoutMs), posted);
      queue.Running.swap(queue.Pending);
    } else {
      std::move(queue.Pending.begin(), queue.Pending.end(), std::back_inserter(queue.Running));
      queue.Pending.clear();
    }
  }
  if (queue.Running.empty())
    return false;
  while (!queue.Running.empty()) {
    TQueuedCall call = std::move(queue.Running.front());
    queue.Running.pop_front();
    RunCall(queue, std::move(call));
  }
  return true;
}

void SetWakeMainThread(std::function<void()> hook) {
  TWakeHook shared = hook ? std::make_shared<const std::function<void()>>(std::move(hook)) : nullptr;
  TMainThreadQueue& queue = TheQueue();
  std::lock_guard lock(queue.Lock);
  queue.WakeHook = std::move(shared);
}
