#include "app/core/Msg_3D_Unit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "ecu/Calc_Unit.h"
#include "ecu/Config_Unit.h"
#include "ecu/Language.h"
#include "ecu/Language_En.h"
#include "ecu/Session.h"

namespace app {

namespace {

std::string SensorTableName() {
  return std::filesystem::path(ecu::Session().ConfigData.SensorTableFileName).filename().string();
}

std::string OldVersionText() {
  return ecu::LngText("MSG_OLD_Version") + " <<BrivonGAS>>. " + ecu::LngText("MSG_New_Version") + " " +
         "3.02; 2.54; x.44";
}

}  // namespace

std::optional<TMessageContent> ComposeMessage(std::uint8_t Kind, const std::string& Text) {
  TMessageContent m;
  m.Buttons = {MsgButton_OK};
  switch (Kind) {
    case 1: m.Text = OldVersionText(); break;
    case 2: m.Text = OldVersionText() + "3.02; 2.54; x.44 " + ecu::LngText("MSG_New_Version_NoLoader"); break;
    case 3: m.Text = ecu::LngText("Error_MSG_Run_ACB"); break;
    case 4:
      m.Text = ecu::LngText("Label_PSW_Warning");
      m.Buttons = {MsgButton_OK, MsgButton_Setting};
      break;
    case 5:
      m.Text = ecu::LngText("Label_PSW_Ok");
      m.CountdownMs = 3000;
      break;
    case 6:
    case 7:
    case 8:
      m.Text = ecu::LngText("Error_Sure") + " ?";
      m.Buttons = {MsgButton_Yes, MsgButton_No};
      break;
    case 9: m.Text = ecu::LngText("Label_PSW_Def"), m.CountdownMs = 5000; break;
    case 10: m.Text = ecu::LngText("Label_PSW_Clr"), m.CountdownMs = 5000; break;
    case 11: m.Text = ecu::LngText("Label_PSW_Set"), m.CountdownMs = 5000; break;
    case Message_SensorTableMissing:
      // The request names what is wrong with the file; a request that names nothing is taken
      // for a missing file.
      m.Text = "\"" + SensorTableName() + "\" " +
               ecu::LngText(ecu::IsSensorTableFault(Text) ? Text : std::string(ecu::SensorTableNotFound)) + ". " +
               ecu::LngText("Error_Temperature");
      break;
    case Message_ScriptError: m.Text = Text; break;
    case 14: m.Text = ecu::LngText("Text_Full_File"); break;
    case Message_NewerVersionNeeded: m.Text = ecu::LngText("Error_Version"); break;
    default: return std::nullopt;
  }
  return m;
}

float MessageFontSize(float ProgramFontSize) {
  return std::isnan(ProgramFontSize) ? MinMessageFontSize
                                     : std::clamp(ProgramFontSize, MinMessageFontSize, MaxMessageFontSize);
}

std::string MessageButtonCaption(int Code) {
  switch (Code) {
    case MsgButton_OK: return "OK";
    case MsgButton_Yes: return ecu::LngText("Error_Yes");
    case MsgButton_No: return ecu::LngText("Error_No");
    case MsgButton_Cancel: return ecu::LngText("Error_Cancel");
    case MsgButton_Setting: return ecu::LngText("Error_Setting");
    default: return std::string();
  }
}

bool MessageButtonCloses(std::uint8_t Kind) { return Kind == 1 || Kind == 3 || Kind == 5 || (Kind >= 9 && Kind <= 15); }

std::string MessageCountdownText(std::int32_t RemainingMs) {
  char seconds[32];
  std::snprintf(seconds, sizeof(seconds), "%.1f", RemainingMs / 1000.0);
  return ecu::LngText("URL_Msg_Loader_Close") + " " + seconds + " " + ecu::LngText("Dim_Sec_Long");
}

void MessageEnglishText(std::string& Text) {
  static const ecu::TLngEntry table[] = {
      {"Window_3D_MSG", "Message"},
      {"URL_Msg_Loader_Close", "The window closes in"},
      {"Error_Yes", "Yes"},
      {"Error_No", "No"},
      {"Error_Cancel", "Cancel"},
      {"Error_Setting", "Setting"},
      {"MSG_Not_Written",
       "The change was not written to the ECU: the connection to it was lost. Once the ECU answers again, check its "
       "values and enter the change again."},
      {"MSG_Not_Written_Replaced",
       "The change was not written to the ECU: a command given before its write began took its place. Check the "
       "values and enter the change again."},
      {"MSG_Not_Written_Reading",
       "The change was not written to the ECU: the ECU was being read again, and its values take the change's "
       "place. Once it has been read, check its values and enter the change again."},
      {"MSG_Not_Written_No_Link",
       "The change was not written to the ECU: no ECU answers. Once it answers, its values are read again and take "
       "the change's place: check them then and enter the change again."},
      {"ACB_Not_Started_Reading",
       "The automatic calibration was not started: the ECU is being read again, and the run would keep values the "
       "read replaces. Start it once the ECU has been read."},
      {"MSG_Not_Written_Closed",
       "The change was not written to the ECU: its write had not ended when the program closed. Check the ECU's "
       "values when the program starts again."},
  };
  for (const ecu::TLngEntry& e : table)
    if (ecu::IsLngKey(e.Key)) {
      Text = e.Text;
      return;
    }
}

bool RequestMessage(std::uint8_t Kind, const std::string& Text) {
  if (!Model().Actions.MainWindowShown) return false;
  if (Model().Messages.ShowPending || Model().Messages.MessageWindowShown) {
    Model().Messages.Waiting.push_back({Kind, Text});
    return false;
  }
  Model().Messages.MessageKind = Kind;
  Model().Messages.MessageText = Text;
  Model().Messages.ShowPending = true;
  return true;
}

bool MessageHeld(std::uint8_t Kind, const std::string& Text) {
  const TMessageState& m = Model().Messages;
  if ((m.MessageWindowShown || m.ShowPending) && m.MessageKind == Kind && m.MessageText == Text) return true;
  return std::any_of(m.Waiting.begin(), m.Waiting.end(),
                     [&](const TMessageRequest& R) { return R.Kind == Kind && R.Text == Text; });
}

void BeginMessageShow() {
  Model().Messages.ShowPending = false;
  Model().Messages.MessageWindowShown = 1;
}

void StartMessageCountdown(std::int32_t Milliseconds) {
  Model().Messages.CountdownMs = Milliseconds;
  Model().Messages.CountdownTicks = Milliseconds / MessageCountdownIntervalMs;
}

bool MessageCountdownTick(std::string& Label) {
  if (Model().Messages.CountdownTicks <= 0) return false;
  --Model().Messages.CountdownTicks;
  Model().Messages.CountdownMs -= MessageCountdownIntervalMs;
  Label = MessageCountdownText(Model().Messages.CountdownMs);
  return true;
}

void StopMessageCountdown() {
  Model().Messages.CountdownTicks = 0;
  Model().Messages.CountdownMs = 0;
}

void BeginEndingMessage(const std::string& Text) {
  Model().Messages.Waiting.clear();
  Model().Messages.ShowPending = false;
  Model().Messages.MessageKind = Message_ScriptError;
  Model().Messages.MessageText = Text;
  Model().Messages.EndsProgram = true;
}

TMessageClosed EndMessageShow() {
  TMessageClosed result;
  const bool wasShown = Model().Messages.MessageWindowShown != 0;
  Model().Messages.MessageWindowShown = 0;
  StopMessageCountdown();
  result.EndProgram = wasShown && (Model().Messages.MessageKind == Message_NewerVersionNeeded || Model().Messages.EndsProgram);
  Model().Messages.EndsProgram = false;
  if (result.EndProgram) {
    // The program ends: nothing waiting is shown any more.
    Model().Messages.Waiting.clear();
    return result;
  }
  if (!Model().Messages.ShowPending && !Model().Messages.Waiting.empty()) {
    Model().Messages.MessageKind = Model().Messages.Waiting.front().Kind;
    Model().Messages.MessageText = std::move(Model().Messages.Waiting.front().Text);
    Model().Messages.Waiting.pop_front();
    Model().Messages.ShowPending = true;
    result.ShowNext = true;
  }
  return result;
}

TMessageWithdrawn WithdrawMessage(std::uint8_t Kind, const std::string& Text) {
  TMessageWithdrawn result;
  std::erase_if(Model().Messages.Waiting, [&](const TMessageRequest& R) { return R.Kind == Kind && R.Text == Text; });
  const bool current = Model().Messages.MessageKind == Kind && Model().Messages.MessageText == Text;
  if (!current) return result;
  if (Model().Messages.MessageWindowShown) {
    result.CloseShown = true;
  } else if (Model().Messages.ShowPending) {
    if (Model().Messages.Waiting.empty()) {
      Model().Messages.ShowPending = false;
      result.CancelShow = true;
    } else {
      Model().Messages.MessageKind = Model().Messages.Waiting.front().Kind;
      Model().Messages.MessageText = std::move(Model().Messages.Waiting.front().Text);
      Model().Messages.Waiting.pop_front();
    }
  }
  return result;
}

TWindowRect WaitWindowCentred(const TWindowRect& Main) {
  return {Main.Left + (Main.Width - WaitWindowSize) / 2, Main.Top + (Main.Height - WaitWindowSize) / 2,
          WaitWindowSize, WaitWindowSize};
}

TWindowRect WaitWindowShrunk(const TWindowRect& Main) {
  return {Main.Left + Main.Width - WaitWindowShrunkSize - 7, Main.Top + 27, WaitWindowShrunkSize,
          WaitWindowShrunkSize};
}

TWindowRect SecondaryWindowPlace(const TWindowRect& Main, int Width, int Height) {
  return {Main.Left, Main.Top + 22, Width, Height};
}

}  // namespace app
