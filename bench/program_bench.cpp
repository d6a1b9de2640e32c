// The program itself polling the ECU, measured from outside. `gascal` runs as a process of its
// own, started as an installer starts it (its own folder and settings, the graphics check, every
// window), on the X server named by DISPLAY: run this under Xvfb,
//   xvfb-run -a -s '-screen 0 1280x1024x24' bench_program
// The ECU is the simulator on a pseudo-terminal, in this process, so that only the program's
// own processor time, memory and thread switches are counted. Each run waits until the program
// polls live data, lets it settle, then measures for the benchmark's argument in seconds:
// - gap_min_ms, gap_p10_ms, gap_median_ms, gap_p90_ms, gap_max_ms: from the last byte of a reply
//   leaving the ECU to the first byte of the next request reaching it (the reply delay is 60 ms;
//   on a busy machine the upper figures are mostly the waits of threads for a processor);
// - rss_mb: the program's resident memory at the end; llvm_mapped: 1 while the OpenGL
//   driver's compiler library is mapped into it;
// - ctx_switches_per_s: voluntary and involuntary switches of all its threads;
// - cpu_percent: its processor time (user and system, all threads) as a share of one core;
// - replies_per_s: replies the ECU sent.
// Programs: GASCAL_BENCH_PROGRAMS="name=path;name=path" (default: this build's app/gascal, as
// "this"); GASCAL_BENCH_ROUNDS rounds (default 1) alternate between them, so that every program
// sees the same machine.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tools/ecusim/Simulator.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string ReadFile(const fs::path& Path) {
  std::ifstream f(Path);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// A "Name:  value" field of a /proc status file.
double StatusField(const std::string& Text, const std::string& Name) {
  const std::size_t at = Text.find("\n" + Name + ":");
  return at == std::string::npos ? 0 : std::atof(Text.c_str() + at + Name.size() + 2);
}

// What /proc tells of a process: processor seconds of all its threads (dead ones included),
// thread switches of the living ones, resident memory.
struct Sample {
  double CpuSeconds = 0;
  double Switches = 0;
  double RssMb = 0;
  bool LlvmMapped = false;
};

Sample Measure(pid_t Pid) {
  Sample s;
  const fs::path proc = "/proc/" + std::to_string(Pid);
  // Fields 14 and 15 of stat, after the command name in parentheses.
  const std::string stat = ReadFile(proc / "stat");
  const std::size_t close = stat.rfind(')');
  if (close != std::string::npos) {
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    double utime = 0, stime = 0;
    for (int i = 3; i <= 15 && (fields >> field); ++i) {
      if (i == 14) utime = std::atof(field.c_str());
      if (i == 15) stime = std::atof(field.c_str());
    }
    s.CpuSeconds = (utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
  }
  std::error_code ec;
  for (const auto& task : fs::directory_iterator(proc / "task", ec)) {
    const std::string status = "\n" + ReadFile(task.path() / "status");
    s.Switches += StatusField(status, "voluntary_ctxt_switches") + StatusField(status, "nonvoluntary_ctxt_switches");
  }
  s.RssMb = StatusField("\n" + ReadFile(proc / "status"), "VmRSS") / 1024.0;
  s.LlvmMapped = ReadFile(proc / "maps").find("libLLVM") != std::string::npos;
  return s;
}

// The ECU's side of the wire: when each reply's last byte went out and when the next request
// came.
class Wire {
public:
  explicit Wire(ecusim::Simulator& Sim) : sim_(Sim) {
    Sim.OnTrace = [this](char Direction, const ecusim::Frame& Frame, const std::string& Note) {
      if (Direction != '>' || Frame.size() < 2 || !Note.empty()) return;
      const auto now = Clock::now();
      const ecusim::Simulator::Counters stats = sim_.Stats();
      std::lock_guard lock(mutex_);
      if (Frame[1] == '#') ++livePolls_;
      // A request that follows a reply whose last byte is out (not a resend after a lost one).
      if (stats.Sent > sentBefore_ && !stats.MidReply && measuring_)
        gaps_.push_back(std::chrono::duration<double, std::milli>(now - stats.LastSentAt).count());
      sentBefore_ = stats.Sent;
    };
  }
  int LivePolls() {
    std::lock_guard lock(mutex_);
    return livePolls_;
  }
  void SetMeasuring(bool On) {
    std::lock_guard lock(mutex_);
    measuring_ = On;
  }
  std::vector<double> Gaps() {
    std::lock_guard lock(mutex_);
    return gaps_;
  }

private:
  ecusim::Simulator& sim_;
  std::mutex mutex_;
  int livePolls_ = 0;
  unsigned sentBefore_ = 0;
  bool measuring_ = false;
  std::vector<double> gaps_;
};

// The program in a folder of its own whose settings name the ECU's port.
class Program {
public:
  Program(const std::string& Path, const std::string& Port) {
    char name[] = "/tmp/gascal-program-bench-XXXXXX";
    folder_ = mkdtemp(name);
    // The program's runtime folder is its own (no one else may enter): else it takes the
    // user's shared name for its single instance and closes any other copy polling meanwhile.
    fs::create_directories(folder_ / "run");
    fs::permissions(folder_ / "run", fs::perms::owner_all, fs::perm_options::replace);
    std::ofstream(folder_ / "gascal.ini") << "Port_Name                    " << Port
                                          << " {}\r\nSearch_Port                  False {}\r\n";
    // Everything the child needs is made before the fork: this process has threads.
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
      const std::string v = *e;
      if (v.rfind("XDG_RUNTIME_DIR=", 0) != 0 && v.rfind("GASCAL_EXTRA_PORTS=", 0) != 0 &&
          v.rfind("SDL_VIDEODRIVER=", 0) != 0)
        env.push_back(v);
    }
    env.push_back("XDG_RUNTIME_DIR=" + (folder_ / "run").string());
    env.push_back("GASCAL_EXTRA_PORTS=" + Port);
    env.push_back("SDL_VIDEODRIVER=x11");
    std::vector<char*> envp;
    for (std::string& v : env) envp.push_back(v.data());
    envp.push_back(nullptr);
    const std::string folder = folder_.string(), log = (folder_ / "output.log").string();
    pid_ = fork();
    if (pid_ == 0) {
      if (chdir(folder.c_str()) != 0) _exit(126);
      const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (out >= 0) {
        dup2(out, 1);
        dup2(out, 2);
      }
      char* const argv[] = {const_cast<char*>(Path.c_str()), nullptr};
      execve(Path.c_str(), argv, envp.data());
      _exit(127);
    }
  }
  ~Program() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int status = 0;
      for (int i = 0; i < 100 && waitpid(pid_, &status, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      if (waitpid(pid_, &status, WNOHANG) == 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
      }
    }
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }
  pid_t Pid() const { return pid_; }
  bool Running() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }
  std::string Output() const { return ReadFile(folder_ / "output.log"); }

private:
  fs::path folder_;
  pid_t pid_ = -1;
};

double Percentile(std::vector<double> Values, double P) {
  if (Values.empty()) return 0;
  std::sort(Values.begin(), Values.end());
  return Values[std::min(Values.size() - 1, static_cast<std::size_t>(P * static_cast<double>(Values.size())))];
}

void BM_ProgramPolling(benchmark::State& State, const std::string& Path) {
  if (!std::getenv("DISPLAY")) {
    State.SkipWithError("no X server: run under xvfb-run");
    return;
  }
  const std::string link = "/tmp/gascal-program-bench-ecu-" + std::to_string(getpid());
  ecusim::SimulatorOptions options;
  options.LinkPath = link;
  ecusim::Simulator sim(ecusim::DefaultState(), options);
  Wire wire(sim);
  sim.Start();
  for (auto _ : State) {
    Program program(Path, link);
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (wire.LivePolls() < 10 && program.Running() && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (wire.LivePolls() < 10) {
      State.SkipWithError(("the program does not poll: " + program.Output()).c_str());
      break;
    }
    std::this_thread::sleep_for(std::chrono::seconds(3));  // settled
    const ecusim::Simulator::Counters stats0 = sim.Stats();
    const Sample s0 = Measure(program.Pid());
    wire.SetMeasuring(true);
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(State.range(0)));
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const Sample s1 = Measure(program.Pid());
    wire.SetMeasuring(false);
    const std::vector<double> gaps = wire.Gaps();
    State.counters["gap_min_ms"] = gaps.empty() ? 0 : *std::min_element(gaps.begin(), gaps.end());
    State.counters["gap_p10_ms"] = Percentile(gaps, 0.1);
    State.counters["gap_median_ms"] = Percentile(gaps, 0.5);
    State.counters["gap_p90_ms"] = Percentile(gaps, 0.9);
    State.counters["gap_max_ms"] = gaps.empty() ? 0 : *std::max_element(gaps.begin(), gaps.end());
    State.counters["rss_mb"] = s1.RssMb;
    State.counters["llvm_mapped"] = s1.LlvmMapped ? 1 : 0;
    State.counters["ctx_switches_per_s"] = (s1.Switches - s0.Switches) / wall;
    State.counters["cpu_percent"] = 100 * (s1.CpuSeconds - s0.CpuSeconds) / wall;
    State.counters["replies_per_s"] = (sim.Stats().Sent - stats0.Sent) / wall;
  }
  sim.Stop();
}

std::vector<std::pair<std::string, std::string>> Programs() {
  std::vector<std::pair<std::string, std::string>> list;
  if (const char* given = std::getenv("GASCAL_BENCH_PROGRAMS")) {
    std::stringstream s(given);
    std::string item;
    while (std::getline(s, item, ';')) {
      const std::size_t eq = item.find('=');
      if (eq != std::string::npos) list.emplace_back(item.substr(0, eq), item.substr(eq + 1));
    }
  }
  if (list.empty()) {
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof(self) - 1) > 0)
      list.emplace_back("this", (fs::path(self).parent_path().parent_path() / "app/gascal").string());
  }
  return list;
}

}  // namespace

int main(int argc, char** argv) {
  const char* roundsText = std::getenv("GASCAL_BENCH_ROUNDS");
  const int rounds = std::max(1, roundsText ? std::atoi(roundsText) : 1);
  for (int round = 1; round <= rounds; ++round)
    for (const auto& [name, path] : Programs())
      benchmark::RegisterBenchmark(("BM_ProgramPolling/" + name + "/round" + std::to_string(round)).c_str(),
                                   [path = path](benchmark::State& State) { BM_ProgramPolling(State, path); })
          ->Arg(30)
          ->Iterations(1)
          ->Unit(benchmark::kSecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
