// Runs every file of the folders (or the files) given through the target's
// LLVMFuzzerTestOneInput, in name order: the corpus replay of the normal test build, where
// a finding shows as a sanitizer report or an abort.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "fuzz/FuzzSupport.h"

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const fs::path arg = argv[i];
    if (fs::is_directory(arg)) {
      for (const auto& entry : fs::directory_iterator(arg))
        if (entry.is_regular_file()) inputs.push_back(entry.path());
    } else {
      inputs.push_back(arg);
    }
  }
  std::sort(inputs.begin(), inputs.end());
  if (inputs.empty()) {
    std::fprintf(stderr, "replay: no inputs\n");
    return 1;
  }
  for (const fs::path& input : inputs) {
    const std::string bytes = fuzz::ReadFile(input.string());
    std::fprintf(stderr, "replay: %s (%zu bytes)\n", input.filename().c_str(), bytes.size());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  std::fprintf(stderr, "replay: %zu inputs\n", inputs.size());
  return 0;
}
