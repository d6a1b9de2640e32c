// The list of the machine's serial ports, in place of the registry's serial-port key.
#pragma once

#include <string>
#include <vector>

namespace comm {

// Environment variable with extra port names or device paths, separated by ":", that
// are listed after the machine's own ports (for pseudo-terminals of test peers and demos).
inline constexpr const char* kExtraPortsVariable = "GASCAL_EXTRA_PORTS";

// Fills names with the serial ports under root (normally "/"): every terminal in
// <root>sys/class/tty that has a device behind it (so no virtual consoles), Bluetooth
// RFCOMM terminals, and UART ports only where a UART is present (their "type" attribute,
// or TIOCGSERIAL on <root>dev/<name>, is not "unknown"). "ttyS<n>" is listed as
// "COM<n+1>", every other terminal by its device name. Then the extra names of the
// environment variable, each once. Returns 0, or the errno of reading the tty class.
int ListSerialPorts(std::vector<std::string>& names, const std::string& root);
// The same under the current root: "/" unless SetPortListRoot chose another (tests point
// it at a fake tree).
int ListSerialPorts(std::vector<std::string>& names);
void SetPortListRoot(const std::string& root);

}  // namespace comm
