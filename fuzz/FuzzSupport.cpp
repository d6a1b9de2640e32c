#include "fuzz/FuzzSupport.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fuzz {

namespace {

struct TScratch {
  std::string path;
  TScratch() {
    std::string pattern = (std::filesystem::temp_directory_path() / "gascal-fuzz-XXXXXX").string();
    Check(::mkdtemp(pattern.data()) != nullptr, "cannot make a scratch folder");
    path = pattern;
  }
  ~TScratch() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

}  // namespace

const std::string& ScratchDir() {
  static TScratch scratch;
  return scratch.path;
}

void WriteFile(const std::string& Path, const uint8_t* Data, size_t Size) {
  std::ofstream out(Path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(Data), static_cast<std::streamsize>(Size));
  out.close();
  Check(static_cast<bool>(out), "cannot write a scratch file");
}

void WriteFile(const std::string& Path, const std::string& Text) {
  WriteFile(Path, reinterpret_cast<const uint8_t*>(Text.data()), Text.size());
}

std::string ReadFile(const std::string& Path) {
  // Read in one go: the file targets read each save back, and a read by the character costs
  // them as much as a save.
  std::ifstream in(Path, std::ios::binary | std::ios::ate);
  std::string text;
  if (!in) return text;
  text.resize(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)));
  in.seekg(0);
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return text;
}

void CheckSame(const std::string& Expected, const std::string& Actual, const char* What) {
  if (Expected == Actual) return;
  size_t at = 0;
  while (at < Expected.size() && at < Actual.size() && Expected[at] == Actual[at]) ++at;
  const size_t line = Expected.rfind('\n', at) == std::string::npos ? 0 : Expected.rfind('\n', at) + 1;
  auto lineAt = [line](const std::string& s) {
    const size_t end = s.find('\n', line);
    return line >= s.size() ? std::string("<end>") : s.substr(line, end == std::string::npos ? end : end - line);
  };
  std::fprintf(stderr, "first difference at byte %zu:\n  was: %s\n  now: %s\n", at, lineAt(Expected).c_str(),
               lineAt(Actual).c_str());
  Check(false, What);
}

}  // namespace fuzz
