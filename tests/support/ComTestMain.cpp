// The COM tests run with the main thread in a single-threaded apartment, as the GUI thread
// of the program is; calls into it arrive while a test pumps CheckSynchronize.

#include <gtest/gtest.h>

#include "platform/win32.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) != S_OK) return 1;
  const int result = RUN_ALL_TESTS();
  CoUninitialize();
  return result;
}
