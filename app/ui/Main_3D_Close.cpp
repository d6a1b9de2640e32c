// The main window's close: a run of the automatic calibration stopped and a change waiting for
// its write sent before the port closes (the close waits for them, running the loop), then
// every step of the close run whatever fails, and what failed reported before the program ends.
#include <algorithm>
#include <exception>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/core/AutoCLB_Unit.h"
#include "app/core/Core_Host.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "app/core/Port_View.h"
#include "app/core/SaveLoad_Unit.h"
#include "app/core/Set_3D_Unit.h"
#include "app/core/Window_Session.h"
#include "app/ui/Form_3D_SET.h"
#include "app/ui/Main_3D_Unit.h"
#include "app/ui/Page_ACB.h"
#include "app/ui/Page_CFG.h"
#include "app/ui/Page_CLB.h"
#include "app/ui/Window_Host.h"
#include "platform/loop/Application.h"
#include "platform/loop/Timer.h"
#include "platform/win/Forms.h"

namespace app {

void TForm_3D_GEN::CloseUnattended() {
  // A close that waits (for a run's stop or for the writes) is nobody's to watch any more
  // once the system asks the program to end: its report goes to the error stream, and it
  // ends when its wait is over. A report a window shows already is the user's.
  if (closeState_ != TCloseState::Reporting && closeState_ != TCloseState::Closed) unattendedClose_ = true;
  Close();
}

void TForm_3D_GEN::EndProgram() {
  if (win::MainForm() == this) rtl::Application->Terminate();
}

void TForm_3D_GEN::AutoCalibrationEnded() {
  if (closeState_ != TCloseState::StoppingRun) return;
  // From the loop, not from inside the link's reply that ended the run: the close shuts the port.
  timerCloseWait_->SetEnabled(false);
  timerCloseWait_->SetInterval(1);
  timerCloseWait_->SetEnabled(true);
}

void TForm_3D_GEN::WritesAtCloseEnded() {
  if (closeState_ != TCloseState::Writing) return;
  // From the loop, not from inside the link's handling that ended the write: the close shuts
  // the port.
  timerCloseWait_->SetEnabled(false);
  timerCloseWait_->SetInterval(1);
  timerCloseWait_->SetEnabled(true);
}

void TForm_3D_GEN::Timer_CloseWaitTimer(rtl::TObject*) {
  timerCloseWait_->SetEnabled(false);
  if (closeState_ == TCloseState::StoppingRun) {
    runStopWaited_ = true;
  } else if (closeState_ == TCloseState::Writing) {
    // The bound passed, unless the writes ended (a 1 ms tick): a write asked for meanwhile (a
    // change made while the close waited) is waited for too, within the same bound.
    writesWaitOver_ = !(timerCloseWait_->Interval() == 1 && SendWritesAtClose());
    if (!writesWaitOver_) {
      timerCloseWait_->SetInterval(static_cast<std::uint32_t>(WritesAtCloseWaitMs()));
      timerCloseWait_->SetEnabled(true);
      return;
    }
  } else {
    return;
  }
  Close();
}

void TForm_3D_GEN::FinishEditing(TFinishReports& Reports) {
  try {
    pageCFG_->FinishNumberInEdit(Reports.Notes);
  } catch (const std::exception& e) {
    Reports.Failures.emplace_back(e.what());
  }
  try {
    pageCFG_->FinishCustomerInEdit();
  } catch (const std::exception& e) {
    Reports.Failures.emplace_back(e.what());
  }
}

void TForm_3D_GEN::TakeBoxInEdit() { pageCFG_->TakeBoxInEdit(); }

void TForm_3D_GEN::BeginCloseWait(std::int32_t Ms) {
  timerCloseWait_->SetEnabled(false);
  timerCloseWait_->SetInterval(static_cast<std::uint32_t>(Ms));
  timerCloseWait_->SetEnabled(true);
  // The window would otherwise stay as it was, for seconds with an ECU that stopped answering:
  // the installer would click again or pull the cable.
  if (TCoreHost* host = Model().CoreHost) host->ShowCloseWait();
  if (OnLongClose) OnLongClose(Ms);
}

bool TForm_3D_GEN::BeginWritesAtClose() {
  if (!SendWritesAtClose()) return false;
  closeState_ = TCloseState::Writing;
  BeginCloseWait(WritesAtCloseWaitMs());
  return true;
}

void TForm_3D_GEN::FormClose(rtl::TObject*, win::TCloseAction& Action) {
  switch (closeState_) {
    case TCloseState::StoppingRun:
      if (!runStopWaited_) {
        // Asked again while the run's stop reaches the ECU: the close waits with it.
        Action = win::caNone;
        return;
      }
      // The run's stop is done with: a change still waiting for its write goes out first.
      if (BeginWritesAtClose()) {
        Action = win::caNone;
        return;
      }
      break;
    case TCloseState::Writing:
      if (!writesWaitOver_ && WriteWaiting()) {
        // Asked again while a change is written: the close waits with it.
        Action = win::caNone;
        return;
      }
      break;
    case TCloseState::Closing:
      // Asked again by what the close itself runs (a message window closing): it goes on.
      Action = win::caNone;
      return;
    case TCloseState::Reporting:
    case TCloseState::Closed:
      closeState_ = TCloseState::Closed;
      EndProgram();
      return;
    case TCloseState::Open:
      // What does not reach the ECU from here on is told with the close's failures.
      Model().Actions.WritesAtClose = true;
      // What the installer typed and did not finish (no Enter, no Tab) is taken as finished, as
      // leaving its box takes it: else the number would be lost without a word. A number
      // becomes a change waiting for its write, which goes out below; what the finishing
      // reports (a text that is no number) is told with the close's failures.
      for (TWindow_3D* w : TWindow_3D::Windows())
        if (w->Showing()) w->FinishEditing(closeReports_);
      // A run of the automatic calibration stops first, and its stop reaches the ECU before
      // the port closes: else a cylinder could stay on gas.
      if (StopAutoCalibrationAtClose()) {
        closeState_ = TCloseState::StoppingRun;
        Action = win::caNone;
        BeginCloseWait(ACBCloseWaitMs());
        return;
      }
      // A change waiting for its write, or being written, reaches the ECU before the port
      // closes: else it would be lost without a word.
      if (BeginWritesAtClose()) {
        Action = win::caNone;
        return;
      }
      break;
  }
  closeState_ = TCloseState::Closing;
  // Every step runs, whatever an earlier one raised; what failed is reported at the end.
  std::vector<std::string> failures = std::exchange(closeReports_.Failures, {});
  const std::vector<std::string> notes = std::exchange(closeReports_.Notes, {});
  const auto step = [&failures](const std::function<void()>& Step) {
    try {
      Step();
    } catch (const std::exception& e) {
      failures.emplace_back(e.what());
    }
  };
  // A run whose stop did not reach the ECU in time, or could not (the link down).
  if (AutoCalibrationActive())
    failures.emplace_back("The automatic calibration was stopped, but the ECU had not taken its stop when the program "
                          "closed: check that the engine runs on petrol");
  // What does not reach the ECU from here on is told with the close's failures. A write still
  // waiting or under way now (the wait's bound passed) is cut off by the port's close: that
  // is what is told, not the link's loss that follows.
  Model().Actions.WritesAtClose = true;
  if (WriteWaiting()) {
    ReportNotWritten(TNotWritten::Closed);
    Model().Actions.NotWrittenReported = true;
  }
  Model().Actions.MainWindowShown = 0;
  if (Model().Actions.Timer_GEN_General) Model().Actions.Timer_GEN_General->SetEnabled(false);
  // An open menu's window goes with the main window.
  CloseMenus();
  if (portWindow_) StopPortLinkTimers(*portWindow_);
  timerMapRPMTail_->SetEnabled(false);
  // The connection quality decays on the port window's link: it stops with it, or its tick
  // would find no port window once the program takes its windows down.
  if (Model().CoreHost) Model().CoreHost->Timer_GEN_Connect_Stabil().SetEnabled(false);
  step([this] {
    if (portWindow_) ClosePortLinkPort(*portWindow_);
  });
  // The port's close arms the link's send timer again for a reconnect: stopped once more, or
  // its next tick would open the port the program has just let go of.
  if (portWindow_) StopPortLinkTimers(*portWindow_);
  // A change whose write did not reach the ECU: cut off, dropped, or under way at the close.
  if (std::string notWritten = TakeCloseNotWritten(); !notWritten.empty()) failures.push_back(std::move(notWritten));
  // A customer's detail taken from its box reaches the current configuration file, whether the
  // ECU answered or not (it holds none of them): else a close without the ECU would lose it.
  if (std::string notSaved = SaveCustomerAtClose(); !notSaved.empty()) failures.push_back(std::move(notSaved));
  step([this] { FreeCaptionIcons(); });
  step([this] { pageCLB_->Release(); });
  step([this] { pageACB_->Release(); });
  try {
    const TGeometry g = Geometry();
    SaveSettings({g.IndicatorWidth, g.Left, g.Top, g.Width, g.Height});
  } catch (const std::exception& e) {
    failures.push_back(SettingsNotSavedText(e.what()));
  }
  // A settings window still open is remembered (the file says so already): it is told that
  // the main window closes it, so that its close keeps its keys and writes its geometry.
  if (TWindow_3D* settings = WindowNamed("Form_3D_SET"); settings && settings->Showing()) {
    SetSettingsWindowShown(false);
    step([settings] { settings->Close(); });
    if (auto* form = dynamic_cast<TForm_3D_SET*>(settings))
      if (std::string failure = form->TakeCloseFailure(); !failure.empty()) failures.push_back(std::move(failure));
  }
  // The program ends with its main window: no other window stays to be used meanwhile.
  const std::vector<TWindow_3D*> windows = TWindow_3D::Windows();
  for (TWindow_3D* w : windows)
    if (w != this && w->Showing()) step([w] { w->Close(); });
  closeState_ = TCloseState::Closed;
  if (!failures.empty() || !notes.empty()) {
    // The same failure told twice (the settings window's keys go to the same file) is told once;
    // a number held to its range is told after the failures.
    std::vector<std::string> told = failures;
    told.insert(told.end(), notes.begin(), notes.end());
    std::string text;
    for (std::size_t i = 0; i < told.size(); ++i)
      if (std::find(told.begin(), told.begin() + static_cast<std::ptrdiff_t>(i), told[i]) ==
          told.begin() + static_cast<std::ptrdiff_t>(i))
        text += (text.empty() ? "" : "\n") + told[i];
    auto* host = dynamic_cast<TWindowHost*>(Model().CoreHost);
    if (host && host->ShowEndingMessage(text, !unattendedClose_)) {
      // The window goes, and the program stays until the report is read (whose close closes
      // the main window again, which then ends it).
      closeState_ = TCloseState::Reporting;
      Hide();
      Action = win::caNone;
      return;
    }
    // Only the standard error stream told it: whoever started the program learns a failure
    // from the exit status (a number held, and written, is none).
    if (!failures.empty()) endStatus_ = 1;
  }
  // The program ends when its main window has closed.
  EndProgram();
}

}  // namespace app
