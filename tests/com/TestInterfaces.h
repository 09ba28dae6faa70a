#pragma once
// Interfaces of the test servers.

#include "platform/win32.h"

// A counter: the object that the test plugin module serves.
ZELK_DEFINE_GUID(IID_ITestCounter, 0x5A1E0001, 0x7C1D, 0x4E55, 0x9B, 0x11, 0x20, 0x31, 0x42, 0x53, 0x64, 0x75);
struct ITestCounter : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Increment(LONG* value) = 0;
};
ZELK_DECLARE_UUIDOF(ITestCounter, IID_ITestCounter);

// The outgoing interface of the test server.
ZELK_DEFINE_GUID(IID_ITestEvents, 0x5A1E0002, 0x7C1D, 0x4E55, 0x9B, 0x11, 0x20, 0x31, 0x42, 0x53, 0x64, 0x75);
struct ITestEvents : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE OnTick(LONG value) = 0;
};
ZELK_DECLARE_UUIDOF(ITestEvents, IID_ITestEvents);

// A server that ticks its ITestEvents sinks from a worker thread of its own.
ZELK_DEFINE_GUID(IID_ITestServer, 0x5A1E0003, 0x7C1D, 0x4E55, 0x9B, 0x11, 0x20, 0x31, 0x42, 0x53, 0x64, 0x75);
struct ITestServer : IUnknown {
  // Starts the worker that calls OnTick(value) on every sink.
  virtual HRESULT STDMETHODCALLTYPE Tick(LONG value) = 0;
  // *finished is TRUE once the worker's calls returned; *result is what they returned.
  virtual HRESULT STDMETHODCALLTYPE TickResult(BOOL* finished, HRESULT* result) = 0;
};
ZELK_DECLARE_UUIDOF(ITestServer, IID_ITestServer);

// The class the test plugin module registers.
ZELK_DEFINE_GUID(CLSID_TestPluginCounter, 0x5A1E0101, 0x7C1D, 0x4E55, 0x9B, 0x11, 0x20, 0x31, 0x42, 0x53, 0x64, 0x75);
inline constexpr char16_t TestPluginProgId[] = u"Zelk.TestPluginCounter.1";
