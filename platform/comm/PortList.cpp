#include "platform/comm/PortList.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "platform/rtl/FileReader.h"
#include "platform/rtl/SysUtils.h"

namespace comm {

namespace fs = std::filesystem;

namespace {

// A UART port's type as the serial core reports it; -1 when it cannot be told.
int UartType(const fs::path& ttyEntry, const fs::path& devDir, const std::string& name, bool isUartDriver) {
  std::string text;
  int type = -1;
  try {
    if (rtl::ReadRegularFile((ttyEntry / "type").string(), text, 64)) {
      std::istringstream in(text);
      if (in >> type) return type;
    }
  } catch (const rtl::Exception&) {
    // unreadable: told from the device below
  }
  type = -1;
  if (!isUartDriver) return -1;
  const int fd = ::open((devDir / name).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return 0;
  serial_struct info{};
  type = ::ioctl(fd, TIOCGSERIAL, &info) == 0 ? info.type : 0;
  ::close(fd);
  return type;
}

std::string ListedName(const std::string& name) {
  if (name.size() > 4 && name.compare(0, 4, "ttyS") == 0 &&
      std::all_of(name.begin() + 4, name.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
      name.size() <= 8)
    return "COM" + std::to_string(std::stoi(name.substr(4)) + 1);
  return name;
}

std::string& CurrentRoot() {
  static std::string root = "/";
  return root;
}

}  // namespace

void SetPortListRoot(const std::string& root) { CurrentRoot() = root.empty() ? "/" : root; }

int ListSerialPorts(std::vector<std::string>& names) { return ListSerialPorts(names, CurrentRoot()); }

int ListSerialPorts(std::vector<std::string>& names, const std::string& root) {
  names.clear();
  const fs::path base(root.empty() ? "/" : root);
  const fs::path ttyDir = base / "sys/class/tty";
  const fs::path devDir = base / "dev";
  std::error_code ec;
  fs::directory_iterator it(ttyDir, ec);
  if (ec) return ec.value();
  std::vector<std::string> entries;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) return ec.value();
    entries.push_back(it->path().filename().string());
  }
  std::sort(entries.begin(), entries.end());
  for (const std::string& name : entries) {
    const fs::path entry = ttyDir / name;
    std::error_code e;
    const bool hasDevice = fs::exists(entry / "device", e);
    if (!hasDevice) {
      if (name.compare(0, 6, "rfcomm") == 0) names.push_back(name);
      continue;
    }
    const fs::path driver = fs::read_symlink(entry / "device/driver", e);
    const bool isUartDriver = !e && driver.filename() == "serial8250";
    const bool isUartPort = isUartDriver || fs::exists(entry / "type", e);
    if (isUartPort && UartType(entry, devDir, name, isUartDriver) <= 0) continue;
    names.push_back(ListedName(name));
  }
  if (const char* extra = std::getenv(kExtraPortsVariable)) {
    std::string list(extra);
    std::size_t start = 0;
    while (start <= list.size()) {
      std::size_t end = list.find(':', start);
      if (end == std::string::npos) end = list.size();
      std::string name = list.substr(start, end - start);
      if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
      start = end + 1;
    }
  }
  return 0;
}

}  // namespace comm
