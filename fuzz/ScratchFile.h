#pragma once
// For harnesses whose reader takes a path: one file per process, rewritten for each input,
// removed at exit.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

class TScratchFile {
public:
  explicit TScratchFile(const std::string& label)
      : FPath("/tmp/zelk-fuzz-" + label + "-" + std::to_string(getpid())) {}
  ~TScratchFile() { std::remove(FPath.c_str()); }
  TScratchFile(const TScratchFile&) = delete;
  TScratchFile& operator=(const TScratchFile&) = delete;

  const std::string& Path() const { return FPath; }
  void Write(const uint8_t* data, size_t size) const {
    std::ofstream(FPath, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), std::streamsize(size));
  }
  std::string Read() const {
    std::ifstream in(FPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

private:
  std::string FPath;
};
