// The main window's status line: the messages in force (errors and warnings from the ECU's
// live data, the receiving notice, ...) shown one at a time in their own colours, rotating
// every two seconds; with none in force, the engine's working hours on gas and on petrol.
// The line itself is the link's app::TControl::DynamicIND (HudLabel_DynamicIND).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace rtl {
class TTimer;
}

namespace app {

constexpr int StatusMessageCapacity = 10;
constexpr std::uint32_t StatusRotationMs = 2000;

class DynamicIND_Class {
public:
  DynamicIND_Class();
  ~DynamicIND_Class();
  DynamicIND_Class(const DynamicIND_Class&) = delete;
  DynamicIND_Class& operator=(const DynamicIND_Class&) = delete;

  // Entries 1..Count of the messages in force, at index 0..Count-1.
  std::array<std::string, StatusMessageCapacity> Colors;
  std::array<std::string, StatusMessageCapacity> Texts;
  // The language key each text was looked up by (empty for a text of no key, such as a
  // write's failure), so that a new language can give it anew.
  std::array<std::string, StatusMessageCapacity> Keys;
  std::uint8_t Count = 0;
  std::uint8_t Current = 0;  // entry shown last, 1..Count
  // The rotation's timer, made by CreateStatusMessages; until then, and after
  // FreeStatusMessages, the status line takes no messages.
  std::unique_ptr<rtl::TTimer> Timer_DynamicIND;

  bool Created() const { return Timer_DynamicIND != nullptr; }
  // Empty, without its timer: the state at program start.
  void Reset();
};

// The status line. The main window creates it (and resets the status byte of the previous
// live-data reply that the link's decoder remembers for the status line:
// ecu::LiveData.StatusPrevious := 192); FreeStatusMessages stops and frees the rotation's
// timer.
void CreateStatusMessages();
void FreeStatusMessages();

// Shows the text at once in the colour and restarts the two-second rotation.
void ShowStatusMessage(const std::string& Color, const std::string& Text);
// Adds a message (no duplicate texts, at most ten: an eleventh is not kept) and shows it.
void AddStatusMessage(const std::string& Color, const std::string& Text);
// Removes a message when it is in force; then shows the next one.
void RemoveStatusMessage(const std::string& Text);
// Tick of the rotation: the next message, or the working hours when none is in force.
void ShowNextStatusMessage();
// A new language: the messages in force take their texts in it (those looked up by a key of
// the status line), and the line shows the one it showed, or the working hours, in it now.
// The language's file is read meanwhile.
void StatusMessagesInLanguage();
// Script instructions 24 and 25: "DynamicIND_Receiv_On" in force, and its replacement by
// "DynamicIND_Receiv_Off".
void StatusReceiveOn();
void StatusReceiveOff();
// The working-hours text shown while no message is in force.
std::string WorkingHoursText();

}  // namespace app
