// The dialogue tasks the application asks the link for, by the numbers the script runner
// takes them by (Link.TaskRequest). A request waits until the poll script reaches its end
// cell; a newer request replaces one still waiting.
#pragma once

#include <cstdint>

namespace ecu {

enum class TTask : std::uint8_t {
  None = 0,
  Connect = 16,          // reconnect and read everything
  GasMode = 17,          // with the gas cylinder mask
  PetrolMode = 18,
  Mode1 = 19,
  WriteNameAndPage = 20,  // the configuration file's name, then the configuration page
  WriteAll = 21,         // the whole configuration: name, page, calibration points, R.P.M. map
  WritePage = 22,        // the configuration page
  WritePoints = 23,      // the calibration points
  WriteMapRPM = 24,      // the R.P.M. map
  ClearErrors = 25,
  MapCorrection = 26,    // erases the gas MAP points first
  EraseGasMap = 27,
  ErasePetrolMap = 28,
};

// The tasks that write to the ECU (20..24, by their numbers).
constexpr bool IsWriteTask(std::uint8_t Task) { return Task >= 20 && Task <= 24; }
constexpr bool IsWriteTask(TTask Task) { return IsWriteTask(static_cast<std::uint8_t>(Task)); }

// The tasks that ask the ECU to erase what it keeps: its errors (25), its gas MAP points with the
// corrected calibration points written after (26), its gas or petrol MAP points (27, 28). Their
// scripts have no end step of their own: the ECU has done one once it has answered the task's
// request, and the poll script that then follows marks it done (Link.EraseTask).
constexpr bool IsEraseTask(std::uint8_t Task) { return Task >= 25 && Task <= 28; }

// The erasures the user asks for by a button (25, 27, 28): one asked for while another task
// waits for its turn waits behind it, in the order asked (Link.ErasesWaiting), and a task asked
// for while one waits goes before it; neither takes the other's place.
constexpr bool WaitsItsTurn(std::uint8_t Task) { return Task == 25 || Task == 27 || Task == 28; }

// The tasks that carry a change the program made to the ECU: the write tasks and the erasures
// (the MAP-point correction writes the corrected points after erasing the gas MAP points).
constexpr bool CarriesChange(std::uint8_t Task) { return IsWriteTask(Task) || IsEraseTask(Task); }

// The write task that sends a change of a transmit kind (1 the whole configuration, 2 the
// configuration page, 3 the calibration points, 4 the R.P.M. map); None for another kind.
constexpr TTask WriteTaskOfKind(int Kind) {
  return Kind >= 1 && Kind <= 4 ? static_cast<TTask>(20 + Kind) : TTask::None;
}

// Asks the link of the session in force for Task at the poll script's next end cell; it takes
// the place of a task still waiting. While the link is down nothing but Connect (or None) is
// taken: a task asked for then would go to whatever answers next, which may be another ECU.
// A write asked for while another write waits makes the two one write of the whole
// configuration; a task carrying a change (CarriesChange) that another task replaces is
// dropped, and the host told (THost::WriteNotSent). An erasure the user asks for
// (WaitsItsTurn) is not replaced: it waits behind the other task, and is taken at an end cell
// at which no other task waits. Connect (a read of what may be another ECU) drops the erasures
// waiting, and the host is told of each.
void RequestTask(TTask Task);
// The task waiting to be taken (None when nothing waits; an erasure waiting behind it is not
// counted).
TTask RequestedTask();

}  // namespace ecu
