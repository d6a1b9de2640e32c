// gascal-link: the ECU link without windows. Starts the GUI-thread loop, the serial port
// component, the link and the dialogue scripts against a named port, with the recording
// application, and prints each request and each reply as it is taken.
//
//   gascal-link PORT [--search] [--list NAMES] [--seconds N] [--reply-delay MS] [--address N] [--quiet]
//
// PORT is the configured port (Port_Name): a port name ("COM1") or a device path (a
// pseudo-terminal of gascal-ecusim). --list adds NAMES (separated by ":") to the machine's
// port list; without it PORT is added. --search turns Search_Port on: a configured port that
// is not listed, will not open or does not answer starts the automatic search over the port
// list. --seconds ends the run after N seconds (default: run until interrupted); --quiet
// prints only the search, the identification, the first poll and the summary.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/core/Dynamic_IND_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/MapRPM_Unit.h"
#include "app/core/Model.h"
#include "ecu/Check_Versions.h"
#include "ecu/Config_Unit.h"
#include "ecu/Host.h"
#include "ecu/Instruction_Unit.h"
#include "ecu/Live_Data.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Port_3D_Unit.h"
#include "ecu/Procedures_Unit.h"
#include "ecu/Session.h"
#include "ecu/Transmit_Unit.h"
#include "platform/comm/PortList.h"
#include "platform/loop/Application.h"
#include "platform/loop/Timer.h"
#include "platform/rtl/SysUtils.h"
#include "serial/CPort.h"
#include "tools/linkrec/Recorder.h"

namespace {

std::string Hex(const std::uint8_t* bytes, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    if (i) text += ' ';
    text += rtl::IntToHex(bytes[i], 2);
  }
  return text;
}

std::string CommandName(std::uint8_t c) {
  switch (c) {
    case '!': return "handshake";
    case '0': return "identification";
    case '#': return "live data";
    case ',': return "configuration name";
    case '$': return "parameters";
    case '%': return "calibration points";
    case '\'': return "gas MAP";
    case '(': return "petrol MAP";
    case ')': return "erase gas MAP";
    case '*': return "erase petrol MAP";
    case '&': return "clear errors";
    case '"': return "work mode";
    case '1': return "announce long frame";
    case '-': return "write configuration name";
    case '2': return "write list 1";
    case '3': return "write list 2";
    case '/': return "R.P.M. map header";
    case '7': return "R.P.M. map chunk";
    case '.': return "R.P.M. map write";
    case '6': return "R.P.M. map data";
    default: return "command " + rtl::IntToStr(c);
  }
}

std::string MapText(const std::array<std::int32_t, ecu::MapPointCapacity>& points) {
  std::string text;
  const int n = std::min<int>(ecu::Session().ConfigData.MapPointCount, ecu::MapPointCapacity);
  for (int i = 0; i < n && i < 8; ++i) text += (i ? " " : "") + rtl::IntToStr(points[i]);
  return text + (n > 8 ? " ..." : "");
}

// What the link took from a reply, as far as its decoders go.
std::string Decoded(const std::uint8_t* f, int count) {
  switch (f[1]) {
    case '!': return "ECU at address " + rtl::IntToStr(f[0]) + ", " + rtl::IntToStr(f[2]) + " bytes of identification";
    case '0': {
      const auto& c = *ecu::Session().ConfigData.Configuration;
      return "ECU found: \"" + c.ECU_Name + "\", info \"" + rtl::Trim(c.ECU_Info) + "\", firmware " +
             c.Firmware_Version + ", layout " + rtl::IntToStr(ecu::Session().Link.LayoutNumber) + ", " +
             rtl::IntToStr(c.Work_Gas) + " min on gas, " + rtl::IntToStr(c.Work_Petrol) +
             " min on petrol; blocks: live " + rtl::IntToStr(ecu::Session().Link.LiveDataLength) + ", parameters " +
             rtl::IntToStr(ecu::Session().Link.ParamBlockLength) + ", points " +
             rtl::IntToStr(ecu::Session().Link.PointBlockLength) + ", MAP points " +
             rtl::IntToStr(ecu::Session().ConfigData.MapPointCount);
    }
    case '#': {
      const int period = f[2] * 256 + f[3];
      const int rpm = (period == 0 || period == 0xFFFF) ? 0 : 30000000 / std::max(period, 3750);
      return "live data read, " + rtl::IntToStr(count - 3) + " bytes (engine at about " + rtl::IntToStr(rpm) +
             " r.p.m., work mode " + rtl::IntToStr(count > 38 ? f[38] & 7 : 0) + ")";
    }
    case '\'':
    case ')': return "gas MAP points " + MapText(ecu::Session().ConfigData.MapPointsGas);
    case '(':
    case '*': return "petrol MAP points " + MapText(ecu::Session().ConfigData.MapPointsPetrol);
    case '/': return "R.P.M. map " + rtl::IntToStr(f[2]) + " x " + rtl::IntToStr(f[3]);
    default:
      return count == 3 ? "acknowledged" : rtl::IntToStr(count - 3) + " data bytes";
  }
}

class Printer : public ecu::TLinkMonitor {
public:
  bool Quiet = false;
  int Polls = 0;
  double FirstPoll = -1, LastPoll = -1;
  bool Found = false;

  void FrameWritten(const std::uint8_t* Frame, int Length) override {
    if (!Quiet) Print(">", Hex(Frame, Length) + "  " + CommandName(Frame[1]));
  }
  void ReplyChecked(const std::uint8_t* Frame, int Count, bool Accepted) override {
    if (!Accepted) {
      Print("x", Hex(Frame, Count) + "  refused (" + rtl::IntToStr(Count) + " bytes, " +
                     rtl::IntToStr(ecu::Session().Link.RxExpectedLength) + " expected); the request goes again");
      return;
    }
    if (Frame[1] == '#') {
      if (FirstPoll < 0) FirstPoll = rtl::GetTickCount();
      LastPoll = rtl::GetTickCount();
      ++Polls;
    }
    const bool show = !Quiet || Frame[1] == '0' || (Frame[1] == '#' && Polls == 1);
    if (Frame[1] == '0') Found = true;
    if (show) Print("<", Hex(Frame, Count) + "\n           " + Decoded(Frame, Count));
  }
  static void Print(const char* Direction, const std::string& Text) {
    std::printf("%9.3f %s %s\n", rtl::GetTickCount() / 1000.0, Direction, Text.c_str());
    std::fflush(stdout);
  }
};

void Usage() {
  std::fprintf(stderr,
               "usage: gascal-link PORT [--search] [--list NAMES] [--seconds N] [--reply-delay MS] [--address N] "
               "[--quiet]\n");
}

void Stop(int) { rtl::Application->Terminate(); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '-') {
    Usage();
    return 2;
  }
  const std::string port = argv[1];
  double seconds = 0;
  bool search = false;
  std::string list = port;
  // The program's state, for the tool's run.
  app::TModel model;
  linkrec::Recorder recorder;
  app::Settings_Class& settings = app::Model().Settings;
  Printer printer;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--seconds" && hasValue) seconds = rtl::StrToFloatDef(argv[++i], 0);
    else if (arg == "--reply-delay" && hasValue) settings.Reply_Delay = std::max(rtl::StrToIntDef(argv[++i], 60), 0);
    else if (arg == "--address" && hasValue) settings.Program_Code = static_cast<std::uint8_t>(rtl::StrToIntDef(argv[++i], 25));
    else if (arg == "--quiet") printer.Quiet = true;
    else if (arg == "--search") search = true;
    else if (arg == "--list" && hasValue) list = argv[++i];
    else {
      Usage();
      return 2;
    }
  }

  // The named ports join the port list, as devices the machine lists would.
  const char* extra = std::getenv(comm::kExtraPortsVariable);
  const std::string ports = (extra && *extra) ? std::string(extra) + ":" + list : list;
  setenv(comm::kExtraPortsVariable, ports.c_str(), 1);

  ecu::Session().ConfigData.Configuration = std::make_unique<ecu::Configuration_Class>();
  settings.Port_Name = port;
  settings.Search_Port = search;
  ecu::Session().PortSearch.StartPortName = port;
  recorder.OnRecord = [&printer](const linkrec::Record& r) {
    const bool searchRecord = r.What.rfind("port window", 0) == 0 || r.What.rfind("setting Port_Name", 0) == 0;
    if (searchRecord) {
      Printer::Print("*", r.What);
      return;
    }
    if (printer.Quiet) return;
    // What changes with every reply is left out: the quality, colours, the request indicator,
    // and the indicators and circles of the live data.
    for (const char* often : {"text Port_Connect_Stabil", "color ", "show Connect_Condition", "hide Connect_Condition",
                              "text IND_", "text CFG_LevelGas", "text Work_Mode", "show Circle", "hide Circle",
                              "show CFG_LevelGas", "hide CFG_LevelGas", "live data"})
      if (r.What.rfind(often, 0) == 0) return;
    Printer::Print("*", r.What);
  };
  const ecu::THostScope<ecu::TLinkMonitor> watching(ecu::Session().Hosts.Monitor, &printer);

  std::signal(SIGINT, Stop);
  std::signal(SIGTERM, Stop);
  auto* form = new ecu::TForm_3D_Port(nullptr);
  rtl::TTimer stop(nullptr);
  stop.SetEnabled(false);
  if (seconds > 0) {
    stop.SetInterval(static_cast<std::uint32_t>(seconds * 1000));
    stop.SetOnTimer([](rtl::TObject*) { rtl::Application->Terminate(); });
    stop.SetEnabled(true);
  }

  Printer::Print("*", "opening the configured port " + port + (search ? " (port search on)" : " (port search off)"));
  if (!ecu::OpenConfiguredPort() && !ecu::Session().Link.PortSearching) {
    Printer::Print("*", "the port is not listed or did not open" +
                            (form->ComPort->PortFailedText().empty() ? std::string() : " (" + form->ComPort->PortFailedText() + ")") +
                            "; retrying");
    // Without the search, the handshake step of the resend timer keeps trying the port.
    if (!form->Timer_Sending->Enabled()) ecu::Port_Closed();
  }
  rtl::Application->Run();

  delete form;
  if (printer.Found) {
    const ecu::Configuration_Class& c = *ecu::Session().ConfigData.Configuration;
    std::printf("identification: %s, info \"%s\", firmware %s (family %s), %d min on gas, %d min on petrol\n",
                c.ECU_Name.c_str(), c.ECU_Info.c_str(), c.Firmware_Version.c_str(),
                ecu::Session().LiveData.VersionFamily ? "1.55-1.99" : "other", c.Work_Gas, c.Work_Petrol);
    std::printf("configuration: file \"%s\", switch-over %d rpm %d C delay %d, prescaler %s, %s, level %s %d/%d/%d/%d/%d\n",
                c.Cfg_Name.c_str(), c.PG_RPM, c.PG_Temper, c.PG_Time, c.RPM_PreScaler.c_str(), c.LPG_on ? "LPG" : "CNG",
                c.Level_Type.c_str(), c.Level1, c.Level2, c.Level3, c.Level4, c.Level5);
    std::printf("calibration points (petrol:gas):");
    for (int i = 0; i < ecu::DiagramPointCount; ++i)
      std::printf(" %d:%d", ecu::Session().ConfigData.DiagramPointX[i], ecu::Session().ConfigData.DiagramPointY[i]);
    std::printf(
        "\nlive: mode %d, %d rpm, reducer %d/10 C, gas %d/10 C, pressures %d %d %d /100, level %d, "
        "petrol %d us, gas %d us, errors %02X %02X\n",
        ecu::Session().LiveData.WorkMode, ecu::Session().LiveData.LiveRPM, ecu::Session().LiveData.LiveTempVap,
        ecu::Session().LiveData.LiveTempGas, ecu::Session().LiveData.LivePressVap,
        ecu::Session().LiveData.LivePressColl, ecu::Session().LiveData.LivePressDiff, ecu::Session().LiveData.LiveLevel,
        ecu::Session().LiveData.LivePetrolTimeAvg, ecu::Session().LiveData.LiveGasTimeAvg,
        ecu::Session().LiveData.LastErrorBits1, ecu::Session().LiveData.LastErrorBits2);
    std::printf("R.P.M. map: break points");
    for (int i = 1; i <= app::Model().MapRPM.MapRPMRows; ++i)
      std::printf(" %s", app::Model().MapRPM.MapRPMTexts[i][0].c_str());
    std::printf(" r.p.m.; times");
    for (int j = 1; j <= app::Model().MapRPM.MapRPMCols; ++j)
      std::printf(" %s", app::Model().MapRPM.MapRPMTexts[0][j].c_str());
    std::printf(" ms; first row");
    for (int j = 1; j <= app::Model().MapRPM.MapRPMCols; ++j)
      std::printf(" %s", app::Model().MapRPM.MapRPMTexts[1][j].c_str());
    std::printf("\n");
  }
  const double span = (printer.LastPoll - printer.FirstPoll) / 1000.0;
  std::printf("summary: ECU %s, %d live-data polls", printer.Found ? "found and read" : "not found", printer.Polls);
  if (printer.Polls > 1 && span > 0) std::printf(", %.2f polls per second", (printer.Polls - 1) / span);
  std::printf("\n");
  // The timers the state holds go while the loop is still there.
  app::FreeStatusMessages();
  return printer.Found && printer.Polls > 0 ? 0 : 1;
}
