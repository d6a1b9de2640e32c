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

// The tasks that carry a change the program made to the ECU: the write tasks and the MAP-point
// correction (which writes the corrected points after erasing the gas MAP points).
constexpr bool CarriesChange(std::uint8_t Task) {
  return IsWriteTask(Task) || Task == static_cast<std::uint8_t>(TTask::MapCorrection);
}

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
// dropped, and the host told (THost::WriteNotSent).
void RequestTask(TTask Task);
// The task waiting to be taken (None when nothing waits).
TTask RequestedTask();

}  // namespace ecu
