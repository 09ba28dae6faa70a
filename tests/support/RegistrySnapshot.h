#pragma once
// Tests that write class keys of their own start from an empty HKEY_CLASSES_ROOT and give
// back, when they end, the registry they found, so that classes they register never show in
// another test's enumeration of the same process.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/PlatformExtensions.h"

class TRegistrySnapshot {
public:
  TRegistrySnapshot() : FPath(testing::TempDir() + "zelk-registry-" + std::to_string(getpid()) + ".txt") {
    std::string error;
    FSaved = SaveRegistryFile(FPath, error);
    EXPECT_TRUE(FSaved) << error;
    ClearRegistry();
  }
  ~TRegistrySnapshot() {
    ClearRegistry();
    std::string error;
    if (FSaved) {
      EXPECT_TRUE(LoadRegistryFile(FPath, error)) << error;
    }
    std::remove(FPath.c_str());
  }
  TRegistrySnapshot(const TRegistrySnapshot&) = delete;
  TRegistrySnapshot& operator=(const TRegistrySnapshot&) = delete;

private:
  const std::string FPath;
  bool FSaved = false;
};
