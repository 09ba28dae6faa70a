#pragma once
// The main-thread queue: one queue serves Synchronize (run on the main thread and wait) and
// Queue (post and go on). The main thread is the thread that ran the program's static
// initialisation. A GUI event loop installs a wake-up hook and pumps with CheckSynchronize;
// tests and console programs call CheckSynchronize themselves.

#include <functional>
#include <thread>

using TThreadProcedure = std::function<void()>;

std::thread::id MainThreadId();
bool IsMainThread();

// Runs proc on the main thread and waits for it; on the main thread it runs at once.
// An exception raised by proc is re-raised in the calling thread. Once the program is exiting
// (static objects are being destroyed) nobody pumps any more: a waiting or later call raises
// EThread instead of waiting forever.
void Synchronize(TThreadProcedure proc);

// Posts proc to the main thread and returns at once; on the main thread it is still queued.
void Queue(TThreadProcedure proc);

// Main thread only (elsewhere it raises EThread): runs every queued routine in posting order.
// Waits up to timeoutMs for the first one when none is queued; a negative timeout waits without
// limit. Returns true when at least one ran. Exceptions of Queue'd routines go to the
// application's exception display (see MessageSeam.h).
bool CheckSynchronize(int timeoutMs = 0);

// Called (from any thread) whenever something is queued, so that an event loop can wake up
// and call CheckSynchronize. Pass an empty function to remove the hook.
void SetWakeMainThread(std::function<void()> hook);
