// The language look-ups of one live-data reply (the file loaded, the status and error texts
// looked up, the file let go) with a language file of 1 and 51 MB: with the file unchanged
// since its last reading, and with every load finding another file (two languages taken in
// turn), which is what every reply cost while each load read the file again.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "ecu/Language.h"
#include "ecu/Session.h"

namespace {

namespace fs = std::filesystem;

const char* const ReplyKeys[] = {"DynamicIND_Engine_on", "DynamicIND_Low_pressure", "DynamicIND_Normal_pressure",
                                 "DynamicIND_Not_Save_Data", "DynamicIND_Error", "DynamicIND_Errors_NotPresent",
                                 "DynamicIND_Errors_ECU_Works"};

// A folder with two language files of about Megabytes each, written an hour ago.
fs::path MakeFolder(int Megabytes) {
  const fs::path dir = fs::temp_directory_path() / ("gascal-bench-lng-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::string text;
  for (int i = 0; text.size() < static_cast<std::size_t>(Megabytes) << 20; ++i)
    text += "Key_" + std::to_string(i) + " The text of key number " + std::to_string(i) + "\r\n";
  for (const char* key : ReplyKeys) text += std::string(key) + " translated\r\n";
  for (const char* name : {"A.lng", "B.lng"}) {
    std::ofstream(dir / name, std::ios::binary) << text;
    timespec old{};
    ::clock_gettime(CLOCK_REALTIME, &old);
    old.tv_sec -= 3600;
    const timespec times[2] = {old, old};
    ::utimensat(AT_FDCWD, (dir / name).c_str(), times, 0);
  }
  return dir;
}

void Reply() {
  ecu::LoadLanguageFile();
  for (const char* key : ReplyKeys) benchmark::DoNotOptimize(ecu::LngText(key));
  ecu::FreeLanguageFile();
}

void BM_ReplyTextsFileUnchanged(benchmark::State& state) {
  const fs::path dir = MakeFolder(static_cast<int>(state.range(0)));
  ecu::TSession session;
  const ecu::TSessionScope inForce(session);
  ecu::Session().Texts.LanguageDir = dir.string();
  ecu::Session().Texts.CurrentLanguage = "A";
  Reply();  // the first reading
  const std::uint64_t reads = ecu::Session().Texts.FileReads;
  for (auto _ : state) Reply();
  state.counters["file_reads"] = static_cast<double>(ecu::Session().Texts.FileReads - reads);
  fs::remove_all(dir);
}
BENCHMARK(BM_ReplyTextsFileUnchanged)->Arg(1)->Arg(51)->Unit(benchmark::kMicrosecond);

void BM_ReplyTextsFileReadEachTime(benchmark::State& state) {
  const fs::path dir = MakeFolder(static_cast<int>(state.range(0)));
  ecu::TSession session;
  const ecu::TSessionScope inForce(session);
  ecu::Session().Texts.LanguageDir = dir.string();
  bool a = false;
  const std::uint64_t reads = ecu::Session().Texts.FileReads;
  for (auto _ : state) {
    ecu::Session().Texts.CurrentLanguage = (a = !a) ? "A" : "B";
    Reply();
  }
  state.counters["file_reads"] = static_cast<double>(ecu::Session().Texts.FileReads - reads);
  fs::remove_all(dir);
}
BENCHMARK(BM_ReplyTextsFileReadEachTime)->Arg(1)->Arg(51)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
