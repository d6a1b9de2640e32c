// What the fuzz targets share: a scratch folder for targets that read files, and the check
// that stops a run on a broken round trip (libFuzzer and the replay tests both see the
// abort as a finding).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

// A folder of this process for the files a target writes; removed at exit.
const std::string& ScratchDir();
// Writes Size bytes of Data to Path (replacing it); aborts when it cannot.
void WriteFile(const std::string& Path, const uint8_t* Data, size_t Size);
void WriteFile(const std::string& Path, const std::string& Text);
// The whole file, or empty when it cannot be read.
std::string ReadFile(const std::string& Path);

// Aborts with What on standard error when Condition is false.
inline void Check(bool Condition, const char* What) {
  if (Condition) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", What);
  std::abort();
}

// Aborts with What when the texts differ, showing the first line where they do.
void CheckSame(const std::string& Expected, const std::string& Actual, const char* What);

}  // namespace fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);
