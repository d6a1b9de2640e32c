#include "app/core/Port_Failure.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/core/General_Unit.h"
#include "app/core/Model.h"
#include "ecu/Host.h"
#include "ecu/Port_3D_Unit.h"
#include "ecu/Session.h"
#include "platform/comm/SerialPort.h"
#include "serial/CPort.h"

namespace app {

namespace {

std::string LoginName() {
  if (const struct passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name) return pw->pw_name;
  return {};
}

}  // namespace

std::string PortFailureMessage(const std::string& Port, const std::string& Device, int Error,
                               const std::string& Group, const std::string& User) {
  // A port named by its device's path is named once.
  std::string text = "The serial port \"" + Port + "\"" + (Device == Port ? std::string() : " (" + Device + ")") +
                     " cannot be opened: ";
  if (Error != EACCES && Error != EPERM) return text + std::strerror(Error) + ".";
  const std::string group = Group.empty() ? std::string("dialout") : Group;
  const std::string user = User.empty() ? std::string("<user>") : User;
  return text + "permission denied. This user may not use serial devices: " + Device + " belongs to the group \"" +
         group + "\". Add the user to it (sudo adduser " + user + " " + group +
         "), then log out and in again, and start the program anew.";
}

std::string OpenConfiguredPortAndReport() {
  const std::string port = Model().Settings.Port_Name;
  const std::string device = comm::DevicePath(port);
  cport::TComPort* com = ecu::Session().Form_3D_Port ? ecu::Session().Form_3D_Port->ComPort : nullptr;
  if (com) com->ForgetPortFailure();
  if (ecu::OpenConfiguredPort()) return {};
  // Only the configured port's own failure is told; a search that ran on reports nothing.
  if (!com || com->PortFailedError() == 0 || com->PortFailedText().find(device) == std::string::npos) return {};
  if (!ecu::Session().Hosts.Host) return {};
  std::string text =
      PortFailureMessage(port, device, com->PortFailedError(), comm::DeviceGroupName(device), LoginName());
  ecu::Session().Hosts.Host->ShowMessageWindow(PortFailureMessageKind, text);
  return text;
}

}  // namespace app
