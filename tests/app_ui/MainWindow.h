// The program's main window under test: the libraries started as the program starts them,
// the program's state as at start, a work folder of its own (with "Config" and "Language")
// as the current directory, the windows' host installed (a recording one that keeps what the
// message and wait windows would show), and time on a test clock.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/Program_Windows.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "app/ui/Form_3D_Port.h"
#include "app/ui/Main_3D_Unit.h"
#include "app/ui/Window_Host.h"
#include "app_ui_resources.h"
#include "ecu/Link_State.h"
#include "ecu/Port_3D_Unit.h"
#include "platform/gfx3d/GlDevice.h"
#include "platform/loop/Application.h"
#include "platform/loop/Clock.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "scene3d/DxCanvas.h"
#include "scene3d/Library.h"
#include "serial/CPort.h"
#include "tests/TestOutput.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/FilterGdiPlus.h"

namespace apptest {

// The windows' host with the message and wait windows recorded.
class RecordingHost : public app::TWindowHost {
public:
  std::vector<std::string> Messages;   // "<kind>: <text>"
  std::vector<std::string> Withdrawn;  // the same, of the messages withdrawn
  // The messages go to the message window as well (when the test made one).
  bool MessagesShown = false;
  int WaitShown = 0;
  int WaitShrunk = 0;
  int WaitClosed = 0;
  int LinksLost = 0;              // times the link to the ECU went down
  int LiveDataSinceLinkLost = 0;  // live-data replies since then (the ECU has been read again)
  std::vector<std::u16string> TitlesAtCaptionUpdate;  // the title as each caption update found it
  void ShowMessageWindow(std::uint8_t Kind, const std::string& Text) override {
    Messages.push_back(std::to_string(Kind) + ": " + Text);
    if (MessagesShown) app::TWindowHost::ShowMessageWindow(Kind, Text);
  }
  void WithdrawMessageWindow(std::uint8_t Kind, const std::string& Text) override {
    Withdrawn.push_back(std::to_string(Kind) + ": " + Text);
    app::TWindowHost::WithdrawMessageWindow(Kind, Text);
  }
  void ShowWaitWindow() override { ++WaitShown; }
  void LinkLost() override {
    ++LinksLost;
    LiveDataSinceLinkLost = 0;
    app::TWindowHost::LinkLost();
  }
  void LiveDataReceived() override {
    ++LiveDataSinceLinkLost;
    app::TWindowHost::LiveDataReceived();
  }

  void ShrinkWaitWindow() override { ++WaitShrunk; }
  void CloseWaitWindow() override {
    ++WaitClosed;
    app::TWindowHost::CloseWaitWindow();
  }
  void UpdateMainCaption() override {
    if (app::TForm_3D_GEN* main = Main()) TitlesAtCaptionUpdate.push_back(main->TitleText());
    app::TWindowHost::UpdateMainCaption();
  }
};

// A folder of its own, the current directory while the object lives.
class WorkFolder {
public:
  WorkFolder() {
    char name[] = "/tmp/gascal-ui-XXXXXX";
    path_ = mkdtemp(name);
    std::filesystem::create_directories(path_ / "Config");
    std::filesystem::create_directories(path_ / "Language");
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(path_);
  }
  ~WorkFolder() {
    std::error_code ec;
    std::filesystem::current_path(old_, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& Path() const { return path_; }
  // The directory that was current before (where the test program runs).
  const std::filesystem::path& Origin() const { return old_; }
  void Write(const std::string& Name, const std::string& Text) const {
    std::ofstream(path_ / Name, std::ios::binary) << Text;
  }
  std::string Read(const std::string& Name) const {
    std::ifstream f(path_ / Name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }

private:
  std::filesystem::path path_;
  std::filesystem::path old_;
};

// The libraries started and ended as the program does it.
struct Libraries {
  Libraries() {
    rtl::Application->Reset();
    app::StartLibraries();
  }
  ~Libraries() {
    rtl::Application->ProcessMessages();
    app::EndLibraries();
  }
};

class MainWindowTest : public ::testing::Test {
protected:
  // The program's name, as the settings file takes it.
  static constexpr const char* Program = "/opt/gascal/bin/gascal";

  void SetUp() override {
    model = std::make_unique<app::TModel>();
    rtl::Application->SetClock(&clock);
    host = std::make_unique<RecordingHost>();
    // A port that is not there, and no search over the machine's ports.
    folder.Write("gascal.ini", "Port_Name                    /nonexistent/gascal-port {}\r\n"
                               "Search_Port                  False {}\r\n");
  }
  void TearDown() override {
    port.reset();
    main.reset();
    host.reset();
    rtl::Application->ProcessMessages();
    model.reset();
    rtl::Application->SetClock(nullptr);
  }
  // Makes the main window (the settings file and folders as the test prepared them).
  app::TForm_3D_GEN& Make() {
    main = app::TForm_3D_GEN::Create(Program);
    port = app::TForm_3D_PortView::Create();
    main->SetPortWindow(port->Link());
    return *main;
  }
  // Makes and shows it, and runs its start-up actions (logo, layout, fonts, fill) but not
  // the opening of the port (which comes a second later).
  app::TForm_3D_GEN& MakeAndShow() {
    Make();
    main->Show();
    Run(400);
    return *main;
  }
  // Lets Ms milliseconds of the test clock pass, in steps, handling what falls due.
  void Run(double Ms, double Step = 10) {
    for (double t = 0; t < Ms; t += Step) {
      clock.Advance(Step);
      win::PumpEvents();
      rtl::Application->ProcessMessages();
    }
  }
  // Runs the action queue until it is empty (at most 10 s of the test clock).
  void RunQueue() {
    for (int i = 0; i < 1000 && app::Model().Actions.ActionCount > 0; ++i) Run(10);
  }
  // What the window shows now, as a picture (written under Name in the build tree's test-output folder).
  std::unique_ptr<vg::TvxBitmap> Picture(const std::string& Name = {}) {
    rtl::Application->ProcessMessages();
    const std::vector<std::uint32_t> frame = main->PresentedFrame();
    auto b = std::make_unique<vg::TvxBitmap>();
    b->SetSize(main->Width(), main->Height());
    std::copy(frame.begin(), frame.end(), b->Bits());
    if (!Name.empty()) vg::TvxFilterGdiPlus().SaveToFile(testout::Path(Name), *b, "");
    return b;
  }

  Libraries libraries;
  WorkFolder folder;
  rtl::TTestClock clock{0.0};
  // The program's state as at start, fresh for each test.
  std::unique_ptr<app::TModel> model;
  std::unique_ptr<RecordingHost> host;
  std::unique_ptr<app::TForm_3D_GEN> main;
  std::unique_ptr<app::TForm_3D_PortView> port;
};

}  // namespace apptest
