// What the installer is told when the configured serial port cannot be opened at start: the
// port, its device and the system's reason, and for a refusal the one thing a Linux user
// does about it (be allowed to use serial devices).
#pragma once

#include <string>

namespace app {

// The message for Port (its device Device) refused with the system error Error. Group is the
// group owning the device (may be empty), User the user's login name (may be empty).
std::string PortFailureMessage(const std::string& Port, const std::string& Device, int Error,
                               const std::string& Group, const std::string& User);

// Opens the configured port (action 7) and, when it was refused, shows the installer why in
// the message window.
void OpenConfiguredPortAndReport();

}  // namespace app
