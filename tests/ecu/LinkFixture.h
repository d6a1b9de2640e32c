// The ECU link under test: a test clock on the GUI thread, the program's state as at start,
// the application core with its windows recorded, and the port window. SimLinkTest adds the
// ECU simulator on a pseudo-terminal, opened as the link's port.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/core/Model.h"
#include "ecu/Config_Unit.h"
#include "ecu/Host.h"
#include "ecu/Instruction_Unit.h"
#include "ecu/Live_Data.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Port_3D_Unit.h"
#include "ecu/Procedures_Unit.h"
#include "ecu/Receiver_Unit.h"
#include "ecu/Session.h"
#include "platform/comm/PortList.h"
#include "platform/loop/Application.h"
#include "platform/loop/Timer.h"
#include "serial/CPort.h"
#include "tools/ecusim/Simulator.h"
#include "tools/linkrec/Recorder.h"

namespace linktest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Frame(const ecu::TFrameBuffer& buffer, int count) {
  return Bytes(buffer.begin(), buffer.begin() + count);
}

inline std::string Hex(const Bytes& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string text;
  for (std::uint8_t b : bytes) {
    if (!text.empty()) text += ' ';
    text += digits[b >> 4];
    text += digits[b & 15];
  }
  return text;
}

// Whether the simulator is through the reply it was sending and the port has it all: bytes
// beyond the length the link expects (a reply too long) have reached the port's queue. The
// simulator's last write can be on its way through the pseudo-terminal still.
inline bool ReplyAllAtPort(ecu::TForm_3D_Port* Form, const ecusim::Simulator& Sim) {
  const ecusim::Simulator::Counters stats = Sim.Stats();
  return !stats.MidReply &&
         (stats.LastSentBytes <= ecu::Session().Link.RxExpectedLength || Form->ComPort->InputCount() > 0);
}

// Handles the GUI thread's calls until Done holds or RealMs pass, on a test clock that only
// moves to let a reply's quiet time pass: once the simulator (when there is one) is through
// the reply it was sending and the port has all of it, the clock goes forward by that quiet
// time and the link checks the reply. Nothing else moves the clock. RealMs is a guard against
// a wait that never ends, a minute by default, for a loaded machine.
inline bool PumpLink(rtl::TTestClock& Clock, ecu::TForm_3D_Port* Form, const ecusim::Simulator* Sim,
                     const std::function<bool()>& Done, int RealMs = 60000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(RealMs);
  for (;;) {
    rtl::Application->ProcessMessages();
    if (Form && Form->ReplyQuietRunning() && (!Sim || ReplyAllAtPort(Form, *Sim))) {
      Clock.Advance(Form->ReplyQuietMs());
      continue;
    }
    if (Done()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(300));
  }
}

class LinkTest : public ::testing::Test {
protected:
  void SetUp() override {
    rtl::Application->Reset();
    rtl::Application->SetClock(&clock);
    model = std::make_unique<app::TModel>();
    ecu::Session().ConfigData.Configuration = std::make_unique<ecu::Configuration_Class>();
    recorder = std::make_unique<linkrec::Recorder>();
    form = new ecu::TForm_3D_Port(nullptr);
  }
  void TearDown() override {
    watching.reset();
    delete form;
    recorder.reset();
    model.reset();
    rtl::Application->ProcessMessages();
    rtl::Application->OnException = nullptr;
    rtl::Application->SetClock(nullptr);
    rtl::Application->Reset();
  }

  // Installs a monitor of the wire until the test ends (or another one, or none).
  void Watch(ecu::TLinkMonitor* Monitor) {
    watching.reset();
    if (Monitor) watching = std::make_unique<ecu::THostScope<ecu::TLinkMonitor>>(ecu::Session().Hosts.Monitor, Monitor);
  }

  rtl::TTestClock clock{0.0};
  // The program's state as at start, fresh for each test.
  std::unique_ptr<app::TModel> model;
  std::unique_ptr<linkrec::Recorder> recorder;
  ecu::TForm_3D_Port* form = nullptr;
  std::unique_ptr<ecu::THostScope<ecu::TLinkMonitor>> watching;
};

// What crossed the wire, on the application's clock.
struct WireEvent {
  double Time;
  char Kind;  // 'W' request written, 'A' reply accepted, 'R' reply refused
  Bytes Frame;
};

class WireLog : public ecu::TLinkMonitor {
public:
  std::vector<WireEvent> Events;
  void FrameWritten(const std::uint8_t* Frame, int Length) override {
    Events.push_back({rtl::GetTickCount(), 'W', Bytes(Frame, Frame + Length)});
  }
  void ReplyChecked(const std::uint8_t* Frame, int Count, bool Accepted) override {
    Events.push_back({rtl::GetTickCount(), Accepted ? 'A' : 'R', Bytes(Frame, Frame + Count)});
  }
  std::vector<WireEvent> Of(char Kind) const {
    std::vector<WireEvent> found;
    for (const auto& e : Events)
      if (e.Kind == Kind) found.push_back(e);
    return found;
  }
  // Command bytes of the requests written, as a text ("!0,$").
  std::string Commands() const {
    std::string text;
    for (const auto& e : Events)
      if (e.Kind == 'W') text += static_cast<char>(e.Frame[1]);
    return text;
  }
};

class SimLinkTest : public LinkTest {
protected:
  void SetUp() override {
    LinkTest::SetUp();
    sim = std::make_unique<ecusim::Simulator>(InitialState(), Options());
    sim->Start();
    path = sim->SlavePath();
    setenv(comm::kExtraPortsVariable, path.c_str(), 1);
    recorder->PortName = path;
    Watch(&wire);
  }
  void TearDown() override {
    Watch(nullptr);
    delete form;
    form = nullptr;
    sim->Stop();
    unsetenv(comm::kExtraPortsVariable);
    LinkTest::TearDown();
  }

  // The simulated ECU and how it runs; a fixture may choose others.
  virtual ecusim::EcuState InitialState() const { return ecusim::DefaultState(); }
  virtual ecusim::SimulatorOptions Options() const { return {}; }

  // Opens the port: the link starts the connect script, whose handshake goes out in 60 ms.
  void OpenPort() {
    form->ComPort->SetPort(path);
    form->ComPort->Open();
  }

  // Handles the GUI thread's calls (the port's events) until Done holds or RealMs pass (a
  // guard of a minute by default; a shorter RealMs is a stretch of real time in which
  // something may or may not happen, not a guard).
  // A reply waiting for the line to fall quiet gets its quiet time on the test clock, once
  // the simulator has put the whole reply on the line (so that bytes which belong to it
  // are there when the link looks).
  bool Pump(const std::function<bool()>& Done, int RealMs = 60000) {
    return PumpLink(clock, form, sim.get(), Done, RealMs);
  }

  // Waits until the simulator has read every request written (it takes them at line pace).
  void SimHasRead() {
    const unsigned writes = static_cast<unsigned>(wire.Of('W').size());
    EXPECT_TRUE(Pump([&] { return sim->Stats().Requests >= writes; }));
  }

  std::size_t Replies() const { return wire.Of('A').size() + wire.Of('R').size(); }

  // Moves the clock by Ms; when that writes a request, waits for its reply to be checked.
  // True when a request was written.
  bool Advance(double Ms) {
    const std::size_t writes = wire.Of('W').size();
    const std::size_t replies = Replies();
    clock.Advance(Ms);
    if (wire.Of('W').size() == writes) return false;
    Pump([&] { return Replies() > replies; });
    return true;
  }

  // Runs request after request until the written commands end with Tail or Max requests went.
  bool RunUntil(const std::string& Tail, int Max = 40) {
    for (int i = 0; i < Max; ++i) {
      const std::string c = wire.Commands();
      if (c.size() >= Tail.size() && c.compare(c.size() - Tail.size(), Tail.size(), Tail) == 0) return true;
      if (!Advance(recorder->ReplyDelay)) return false;
    }
    return false;
  }

  std::unique_ptr<ecusim::Simulator> sim;
  std::string path;
  WireLog wire;
};

}  // namespace linktest
