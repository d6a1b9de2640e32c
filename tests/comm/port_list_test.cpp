#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/comm/PortList.h"

namespace port_list_test {

namespace {

namespace fs = std::filesystem;

// A fake /sys/class/tty and /dev under a temporary root.
class FakeSysTree : public ::testing::Test {
protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("gascal-sys-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "sys/class/tty");
    fs::create_directories(root / "dev");
    ::unsetenv(comm::kExtraPortsVariable);
  }
  void TearDown() override {
    fs::remove_all(root);
    ::unsetenv(comm::kExtraPortsVariable);
  }
  // A terminal entry; driver names the device's driver ("" = no device behind it);
  // uartType < 0 means no "type" attribute.
  void Tty(const std::string& name, const std::string& driver, int uartType = -1) {
    const fs::path entry = root / "sys/class/tty" / name;
    fs::create_directories(entry);
    if (!driver.empty()) {
      fs::create_directories(root / "sys/bus/drivers" / driver);
      fs::create_directories(entry / "device");
      fs::create_directory_symlink(root / "sys/bus/drivers" / driver, entry / "device/driver");
    }
    if (uartType >= 0) std::ofstream(entry / "type") << uartType << "\n";
  }
  std::vector<std::string> List() {
    std::vector<std::string> names;
    EXPECT_EQ(0, comm::ListSerialPorts(names, root.string()));
    return names;
  }
  fs::path root;
};

TEST_F(FakeSysTree, ListsRealSerialDevicesOnly) {
  Tty("console", "");
  Tty("ptmx", "");
  Tty("tty0", "");
  Tty("tty12", "");
  Tty("ttyS0", "port", 4);         // a 16550A
  Tty("ttyS1", "port", 0);         // no UART behind this line
  Tty("ttyS9", "serial8250", 4);
  Tty("ttyS3", "serial8250");      // no type attribute, no device node to probe: left out
  Tty("ttyUSB0", "ftdi_sio");
  Tty("ttyACM0", "cdc_acm");
  Tty("rfcomm0", "");
  std::vector<std::string> names = List();
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::string>{"COM1", "COM10", "rfcomm0", "ttyACM0", "ttyUSB0"}), names);
}

TEST_F(FakeSysTree, ExtraPortsFromTheEnvironmentFollowOnce) {
  Tty("ttyS2", "port", 4);
  ::setenv(comm::kExtraPortsVariable, "/tmp/x/ttyV0::COM3:/dev/pts/7", 1);
  EXPECT_EQ((std::vector<std::string>{"COM3", "/tmp/x/ttyV0", "/dev/pts/7"}), List());
}

TEST_F(FakeSysTree, MissingTtyClassIsAnError) {
  fs::remove_all(root / "sys");
  std::vector<std::string> names{"stale"};
  EXPECT_EQ(ENOENT, comm::ListSerialPorts(names, root.string()));
  EXPECT_TRUE(names.empty());
}

}  // namespace

}  // namespace port_list_test
