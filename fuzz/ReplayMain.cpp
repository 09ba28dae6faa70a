// Runs a fuzz harness over saved inputs, without libFuzzer: each file named on the command
// line, or each file in a named folder. The normal builds use it to replay the seed corpus
// and the inputs that once failed.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool Replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "%s: cannot be read\n", file.c_str());
    return false;
  }
  // Exactly the input's size, so AddressSanitizer sees a read past its end.
  const std::vector<uint8_t> input((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(input.data(), input.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    std::error_code error;
    if (fs::is_directory(argv[i], error)) {
      for (const fs::directory_entry& entry : fs::directory_iterator(argv[i]))
        if (entry.is_regular_file()) files.push_back(entry.path());
    } else if (fs::exists(argv[i], error)) {
      files.emplace_back(argv[i]);
    } else {
      std::fprintf(stderr, "%s: no such file or folder\n", argv[i]);
      return 2;
    }
  }
  // An empty or misnamed corpus would pass without running anything.
  if (files.empty()) {
    std::fprintf(stderr, "usage: %s <file or folder>...; no input files given\n", argv[0]);
    return 2;
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    std::printf("%s\n", file.c_str());
    std::fflush(stdout);  // the last name printed is the input that crashed
    if (!Replay(file)) return 1;
  }
  std::printf("%zu inputs replayed\n", files.size());
  return 0;
}
