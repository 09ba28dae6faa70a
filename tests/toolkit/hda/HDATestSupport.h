#pragma once
// The HDA component tests: a component that opens its protected parts, a fixture that
// registers the fake server and records message boxes, and a pump for the main thread.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "FakeHDAServer.h"
#include "platform/rtl/MainThreadQueue.h"
#include "platform/rtl/MessageSeam.h"
#include "tests/support/RaisedMessage.h"
#include "toolkit/com/ZelkCOMLink.h"
#include "toolkit/hda/ZelkHDA.h"

class TTestHDAServer : public TZelkHDAServer {
public:
  using TZelkHDAServer::TZelkHDAServer;
  using TZelkHDAServer::CheckResult;
  using TZelkHDAServer::fRaiseException;
  using TZelkHDAServer::fSyncUpdateCapabilities;
  using TZelkHDAServer::GetSyncReadIntf;
  using TZelkHDAServer::GetSyncUpdateIntf;
};

// Runs the main-thread queue until Done holds or TimeoutMs passed; returns Done().
inline bool PumpUntil(const std::function<bool()>& Done, int TimeoutMs = 5000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  while (!Done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    CheckSynchronize(5);
  }
  return true;
}

inline void PumpFor(int Ms) { PumpUntil([] { return false; }, Ms); }

// A component connected to the fake server with the script the test set up.
class FakeHDATest : public testing::Test {
protected:
  void SetUp() override {
    RegisterFakeHDAServer();
    TFakeHDAServer::NextScript = Script;
  }
  void TearDown() override { TFakeHDAServer::NextScript = {}; }

  // Connects a new component to a fake server made with Script.
  void Connect() {
    TFakeHDAServer::NextScript = Script;
    Server.SetServerName(kFakeHDAProgId);
    Server.SetActive(true);
    Fake = TFakeHDAServer::Last;
    FakeHold = Fake;
  }

  TFakeHDAScript Script;
  std::vector<std::string> Boxes;
  TScopedMessageBoxHandler BoxHandler{[this](const std::string& text, const std::string& caption, unsigned) {
    Boxes.push_back(caption + ": " + text);
    return IDOK;
  }};
  TTestHDAServer Server{nullptr};
  TFakeHDAServer* Fake = nullptr;
  ComPtr<IOPCHDA_Server> FakeHold;  // keeps the fake alive after the component let go of it
};
