// The registry file reader on arbitrary bytes. What it loads the writer must save so that it
// loads back the same: save, clear, load the saved file, save again, same text.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/win/RegistryFile.h"

namespace {

// One file per process, rewritten for each input.
class TScratchFile {
public:
  TScratchFile() : FPath("/tmp/zelk-registry-fuzz-" + std::to_string(getpid()) + ".txt") {}
  ~TScratchFile() { std::remove(FPath.c_str()); }
  const std::string& Path() const { return FPath; }

  void Write(const uint8_t* data, size_t size) const {
    std::ofstream(FPath, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), std::streamsize(size));
  }
  std::string Read() const {
    std::ifstream in(FPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

private:
  std::string FPath;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TScratchFile file;
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
