// gascal-ecusim: an ECU on a pseudo-terminal, for trying the program without a car.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>
#include <string>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "tools/ecusim/Simulator.h"

namespace {

const char* const kUsage =
    "usage: gascal-ecusim [options]\n"
    "  --link PATH       keep a symbolic link PATH to the pseudo-terminal the tool opens\n"
    "  --address N       ECU address (program code), default 25\n"
    "  --firmware D.DD   firmware version, default 2.10\n"
    "  --still           live values do not move\n"
    "  --no-line-time    answer at once instead of at the pace of 9600 baud\n"
    "  --engine A,B      the engine on gas needs gas time A x p + B for petrol time p (us);\n"
    "                    cylinders on gas report the petrol time the diagram settles at\n"
    "  --fault SPEC      inject a fault (may be repeated); SPEC as on the control input\n"
    "  --silent          start without answering\n"
    "  --trace           print every request and reply\n"
    "Control input, one command a line on standard input:\n"
    "  KIND[=PARAM][@EVERY][/C]  fault on the next reply (or every EVERYth; /C: only replies to\n"
    "                            command character C); KIND is drop, garble, truncate (PARAM bytes),\n"
    "                            extend, address, delay (PARAM ms) or duplicate (PARAM ms apart)\n"
    "  clear | silent | talk | close | open | status | quit\n";

std::mutex outputLock;

void Say(const std::string& line) {
  std::lock_guard lock(outputLock);
  std::cout << line << std::endl;
}

void AnnouncePort(const ecusim::Simulator& sim, const std::string& link) {
  Say("port: " + sim.SlavePath() + (link.empty() ? "" : " (link: " + link + ")"));
}

// One control command; false to quit.
bool Control(ecusim::Simulator& sim, const std::string& line, const std::string& link) {
  ecusim::Fault fault;
  if (line.empty()) return true;
  if (line == "quit") return false;
  if (line == "clear") sim.ClearFaults();
  else if (line == "silent") sim.SetSilent(true);
  else if (line == "talk") sim.SetSilent(false);
  else if (line == "close") sim.Stop();
  else if (line == "open") {
    sim.Start();
    AnnouncePort(sim, link);
  } else if (line == "status") {
    const auto c = sim.Stats();
    Say("status: " + std::string(sim.Running() ? "open " + sim.SlavePath() : "closed") +
        ", requests " + std::to_string(c.Requests) + ", ignored " + std::to_string(c.Ignored) + ", replies " +
        std::to_string(c.Replies) + ", faulted " + std::to_string(c.Faulted));
  } else if (ecusim::ParseFault(line, fault)) sim.AddFault(fault);
  else Say("unknown command: " + line);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  ecusim::EcuState state = ecusim::DefaultState();
  ecusim::SimulatorOptions options;
  std::vector<ecusim::Fault> faults;
  bool trace = false, silent = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    ecusim::Fault fault;
    if (arg == "--link" && hasValue) options.LinkPath = argv[++i];
    else if (arg == "--address" && hasValue) {
      const int address = std::atoi(argv[++i]);
      if (address < 0 || address > 255) {
        std::cerr << "gascal-ecusim: the address must be 0..255\n";
        return 2;
      }
      state.Address = static_cast<std::uint8_t>(address);
    } else if (arg == "--firmware" && hasValue) state.SetFirmware(argv[++i]);
    else if (arg == "--still") state.Animate = false;
    else if (arg == "--no-line-time") options.LineTiming = false;
    else if (arg == "--engine" && hasValue) {
      double a = 0, b = 0;
      char extra = 0;
      if (std::sscanf(argv[++i], "%lf,%lf%c", &a, &b, &extra) != 2 || !std::isfinite(a) || !std::isfinite(b)) {
        std::cerr << "gascal-ecusim: --engine takes two numbers, A,B\n";
        return 2;
      }
      state.Engine = {true, a, b, state.Engine.NoiseUs};
    }
    else if (arg == "--fault" && hasValue && ecusim::ParseFault(argv[i + 1], fault)) {
      faults.push_back(fault);
      ++i;
    } else if (arg == "--silent") silent = true;
    else if (arg == "--trace") trace = true;
    else {
      std::cerr << (arg == "--help" ? "" : "gascal-ecusim: bad argument " + arg + "\n") << kUsage;
      return arg == "--help" ? 0 : 2;
    }
  }

  // SIGINT and SIGTERM end the program cleanly (the link is removed).
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);  // before the worker thread starts, so it inherits the mask
  const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);

  ecusim::Simulator sim(state, options);
  if (trace)
    sim.OnTrace = [](char direction, const ecusim::Frame& frame, const std::string& note) {
      Say(std::string(1, direction) + " " + ecusim::HexText(frame) + (note.empty() ? "" : "  [" + note + "]"));
    };
  for (const auto& f : faults) sim.AddFault(f);
  sim.SetSilent(silent);
  try {
    sim.Start();
  } catch (const rtl::EOSError& e) {
    std::cerr << "gascal-ecusim: " << e.Message() << " (" << std::strerror(e.ErrorCode) << ")\n";
    return 1;
  }
  std::string banner = "gascal-ecusim: ECU " + std::to_string(state.Address) + ", firmware " + state.Firmware;
  if (state.Engine.On) {
    char engine[96];
    std::snprintf(engine, sizeof engine, ", an engine that needs gas time %g x p + %g us on gas", state.Engine.GasSlope,
                  state.Engine.GasOffset);
    banner += engine;
  } else {
    banner += ", no engine (cylinders on gas report no petrol time)";
  }
  Say(banner);
  AnnouncePort(sim, options.LinkPath);

  bool stdinOpen = true;
  std::string pending;
  for (;;) {
    pollfd fds[2] = {{signalFd, POLLIN, 0}, {stdinOpen ? STDIN_FILENO : -1, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) continue;
    if (fds[0].revents != 0) break;
    if (fds[1].revents == 0) continue;
    char buffer[256];
    const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
      stdinOpen = false;  // keep answering until a signal ends us
      continue;
    }
    pending.append(buffer, static_cast<std::size_t>(n));
    bool quit = false;
    for (std::size_t eol; !quit && (eol = pending.find('\n')) != std::string::npos;) {
      std::string line = pending.substr(0, eol);
      pending.erase(0, eol + 1);
      while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
      try {
        quit = !Control(sim, line, options.LinkPath);
      } catch (const rtl::Exception& e) {
        Say("error: " + e.Message());
      }
    }
    if (quit) break;
  }
  sim.Stop();
  return 0;
}
