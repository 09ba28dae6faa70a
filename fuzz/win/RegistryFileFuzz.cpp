// The registry file reader on arbitrary bytes. What it loads the writer must save so that it
// loads back the same: save, clear, load the saved file, save again, same text.

#include <cstdint>
#include <string>

#include "fuzz/ScratchFile.h"
#include "platform/win/RegistryFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TScratchFile file("registry");
  ClearRegistry();
  file.Write(data, size);
  std::string error;
  if (!LoadRegistryFile(file.Path(), error)) return 0;

  if (!SaveRegistryFile(file.Path(), error)) return 0;  // a key name the format cannot hold
  const std::string saved = file.Read();
  ClearRegistry();
  if (!LoadRegistryFile(file.Path(), error)) __builtin_trap();
  if (!SaveRegistryFile(file.Path(), error) || file.Read() != saved) __builtin_trap();
  return 0;
}
