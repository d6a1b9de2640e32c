// What the installer is told when the configured serial port cannot be opened at start: the
// port, its device (when its name is not the device's path) and the system's reason, and for a refusal the one thing a Linux user
// does about it (be allowed to use serial devices).
#pragma once

#include <cstdint>
#include <string>

namespace app {

// The message for Port (its device Device) refused with the system error Error. Group is the
// group owning the device (may be empty), User the user's login name (may be empty).
std::string PortFailureMessage(const std::string& Port, const std::string& Device, int Error,
                               const std::string& Group, const std::string& User);

// The message window's kind of that message.
constexpr std::uint8_t PortFailureMessageKind = 13;

// Opens the configured port (action 7) and, when it was refused, shows the installer why in
// the message window; the message's text (empty when none was shown). Once the ECU answers
// (on that port or on one the search found), the message no longer holds and is withdrawn.
std::string OpenConfiguredPortAndReport();

}  // namespace app
