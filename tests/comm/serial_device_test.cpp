#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <termios.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "platform/comm/SerialPort.h"
#include "platform/comm/Speed.h"
#include "tests/WaitFor.h"
#include "tests/comm/PtyPair.h"

namespace serial_device_test {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class SerialDevice : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(pty.path.empty());
    ASSERT_EQ(0, dev.Open(pty.path));
  }
  // Waits until the input queue holds Count bytes.
  bool Queued(std::uint32_t Count) {
    return testwait::WaitFor([&] {
      std::uint32_t errors = 0;
      comm::COMSTAT stat;
      return dev.ClearCommError(errors, stat) == 0 && stat.cbInQue == Count;
    });
  }
  PtyPair pty;
  comm::TSerialDevice dev;
};

TEST_F(SerialDevice, LineSettingsReachTheTerminal) {
  comm::DCB dcb;  // 9600 8N1, no flow control
  ASSERT_EQ(0, dev.SetCommState(dcb));
  termios t{};
  ASSERT_EQ(0, tcgetattr(pty.master, &t));
  EXPECT_EQ(B9600, cfgetospeed(&t));
  EXPECT_EQ(B9600, cfgetispeed(&t));
  EXPECT_EQ(CS8, t.c_cflag & CSIZE);
  EXPECT_EQ(0u, t.c_cflag & (PARENB | CSTOPB | CRTSCTS));
  EXPECT_EQ(0u, t.c_iflag & (IXON | IXOFF | ICRNL | INPCK));
  EXPECT_EQ(0u, t.c_lflag & (ICANON | ECHO | ISIG));
  EXPECT_EQ(0u, t.c_oflag & OPOST);

  dcb.ByteSize = 7;
  dcb.Parity = 3;  // mark
  dcb.StopBits = 2;
  dcb.fOutX = dcb.fInX = true;
  dcb.fOutxCtsFlow = true;
  dcb.fRtsControl = comm::RTS_CONTROL_HANDSHAKE;
  dcb.BaudRate = 31250;  // no standard constant
  ASSERT_EQ(0, dev.SetCommState(dcb));
  ASSERT_EQ(0, tcgetattr(pty.master, &t));
  // (A pseudo-terminal keeps eight bits without parity whatever it is told.)
  EXPECT_EQ(CSTOPB | CRTSCTS, t.c_cflag & (CSTOPB | CRTSCTS));
  EXPECT_EQ(IXON | IXOFF, t.c_iflag & (IXON | IXOFF));
  EXPECT_EQ(17, t.c_cc[VSTART]);
  EXPECT_EQ(19, t.c_cc[VSTOP]);
  std::uint32_t in = 0, out = 0;
  ASSERT_EQ(0, comm::GetSpeed(pty.master, in, out));
  EXPECT_EQ(31250u, out);

  dcb = comm::DCB{};
  dcb.ByteSize = 5;
  dcb.StopBits = 1;  // one and a half: what a UART gives for "two" at five bits
  ASSERT_EQ(0, dev.SetCommState(dcb));
  ASSERT_EQ(0, tcgetattr(pty.master, &t));
  EXPECT_EQ(CSTOPB, t.c_cflag & CSTOPB);
}

TEST_F(SerialDevice, SettingsTermiosCannotCarryAreRefused) {
  auto refused = [this](auto change) {
    comm::DCB dcb;
    change(dcb);
    return dev.SetCommState(dcb) == EINVAL;
  };
  EXPECT_TRUE(refused([](comm::DCB& d) { d.fOutxDsrFlow = true; }));
  EXPECT_TRUE(refused([](comm::DCB& d) { d.fDsrSensitivity = true; }));
  EXPECT_TRUE(refused([](comm::DCB& d) { d.fDtrControl = comm::DTR_CONTROL_HANDSHAKE; }));
  EXPECT_TRUE(refused([](comm::DCB& d) { d.fRtsControl = comm::RTS_CONTROL_TOGGLE; }));
  EXPECT_TRUE(refused([](comm::DCB& d) { d.fOutxCtsFlow = true; }));  // CTS without RTS handshake
  EXPECT_TRUE(refused([](comm::DCB& d) { d.fNull = true; }));
  EXPECT_TRUE(refused([](comm::DCB& d) { d.fParity = d.fErrorChar = true; d.ErrorChar = '?'; }));
  EXPECT_TRUE(refused([](comm::DCB& d) { d.EvtChar = '\r'; }));
  EXPECT_TRUE(refused([](comm::DCB& d) { d.StopBits = 1; }));  // 1.5 with eight bits
  EXPECT_TRUE(refused([](comm::DCB& d) { d.ByteSize = 5; d.StopBits = 2; }));
  EXPECT_TRUE(refused([](comm::DCB& d) { d.ByteSize = 9; }));
  EXPECT_TRUE(refused([](comm::DCB& d) { d.BaudRate = 0; }));
  EXPECT_TRUE(refused([](comm::DCB& d) { d.BaudRate = 0xFFFFFFFFu; }));
  EXPECT_TRUE(refused([](comm::DCB& d) { d.fOutX = true; d.XonChar = d.XoffChar = 1; }));
  // What does map is accepted, including checked parity with NUL replacement.
  EXPECT_FALSE(refused([](comm::DCB& d) { d.fParity = d.fErrorChar = true; d.Parity = 2; }));
  EXPECT_FALSE(refused([](comm::DCB& d) { d.fDtrControl = comm::DTR_CONTROL_ENABLE; d.fTXContinueOnXoff = true; }));
}

TEST_F(SerialDevice, TransfersBytesUnchangedBothWays) {
  ASSERT_EQ(0, dev.SetCommState(comm::DCB{}));
  const unsigned char out[5] = {0x0D, 0x0A, 0x11, 0x13, 0x03};
  std::uint32_t n = 0;
  ASSERT_EQ(0, dev.Write(out, 5, n));
  EXPECT_EQ(5u, n);
  EXPECT_EQ(std::vector<unsigned char>(out, out + 5), pty.Receive());

  pty.Send({0xFF, 0x00, 0x7F, 0x1A});
  comm::COMMTIMEOUTS t;
  t.ReadIntervalTimeout = 100;
  ASSERT_EQ(0, dev.SetCommTimeouts(t));
  unsigned char in[16] = {};
  const auto start = Clock::now();
  ASSERT_EQ(0, dev.Read(in, sizeof in, n));
  // A short reply ends at the interval time-out after its last byte.
  EXPECT_GE(Clock::now() - start, 90ms);
  ASSERT_EQ(4u, n);
  EXPECT_EQ(0xFF, in[0]);
  EXPECT_EQ(0x00, in[1]);
  EXPECT_EQ(0x7F, in[2]);
  EXPECT_EQ(0x1A, in[3]);
}

TEST_F(SerialDevice, ReadTimeoutsFollowTheirRules) {
  unsigned char in[8];
  std::uint32_t n = 99;
  comm::COMMTIMEOUTS t;
  t.ReadIntervalTimeout = comm::MAXDWORD;  // return at once with what is there
  ASSERT_EQ(0, dev.SetCommTimeouts(t));
  ASSERT_EQ(0, dev.Read(in, sizeof in, n));
  EXPECT_EQ(0u, n);
  pty.Send({1, 2});
  ASSERT_TRUE(Queued(2));
  ASSERT_EQ(0, dev.Read(in, sizeof in, n));
  EXPECT_EQ(2u, n);

  t = comm::COMMTIMEOUTS{};
  t.ReadTotalTimeoutConstant = 60;  // total limit, nothing arrives
  ASSERT_EQ(0, dev.SetCommTimeouts(t));
  auto start = Clock::now();
  ASSERT_EQ(0, dev.Read(in, sizeof in, n));
  EXPECT_EQ(0u, n);
  EXPECT_GE(Clock::now() - start, 55ms);

  // Wait for the first byte, then return with what is there.
  t.ReadIntervalTimeout = comm::MAXDWORD;
  t.ReadTotalTimeoutMultiplier = comm::MAXDWORD;
  t.ReadTotalTimeoutConstant = 60000;  // only a guard: the byte comes long before
  ASSERT_EQ(0, dev.SetCommTimeouts(t));
  std::thread peer([this] {
    std::this_thread::sleep_for(30ms);
    pty.Send({7});
  });
  ASSERT_EQ(0, dev.Read(in, sizeof in, n));
  peer.join();
  EXPECT_EQ(1u, n);
  EXPECT_EQ(7, in[0]);
}

TEST_F(SerialDevice, PurgeEmptiesTheInputQueue) {
  pty.Send({1, 2, 3});
  ASSERT_TRUE(Queued(3));
  std::uint32_t errors = 1;
  comm::COMSTAT stat;
  ASSERT_EQ(0, dev.ClearCommError(errors, stat));
  EXPECT_EQ(3u, stat.cbInQue);
  EXPECT_EQ(0u, errors);
  ASSERT_EQ(0, dev.PurgeComm(comm::PURGE_RXCLEAR | comm::PURGE_TXCLEAR | comm::PURGE_RXABORT));
  ASSERT_EQ(0, dev.ClearCommError(errors, stat));
  EXPECT_EQ(0u, stat.cbInQue);
  EXPECT_EQ(EINVAL, dev.PurgeComm(0x10));
}

TEST_F(SerialDevice, PseudoTerminalHasNoModemLinesAndNoErrorCounters) {
  std::uint32_t status = 0xFF;
  EXPECT_EQ(0, dev.GetCommModemStatus(status));
  EXPECT_EQ(0u, status);
  std::uint32_t errors = 0xFF;
  comm::COMSTAT stat;
  EXPECT_EQ(0, dev.ClearCommError(errors, stat));
  EXPECT_EQ(0u, errors);
}

TEST_F(SerialDevice, ClosedDeviceTouchesNothing) {
  dev.Close();
  EXPECT_FALSE(dev.IsOpen());
  unsigned char b[4] = {1, 2, 3, 4};
  std::uint32_t n = 9, v = 0;
  comm::COMSTAT stat;
  EXPECT_EQ(EBADF, dev.Write(b, 4, n));
  EXPECT_EQ(0u, n);
  EXPECT_EQ(EBADF, dev.Read(b, 4, n));
  EXPECT_EQ(EBADF, dev.PurgeComm(comm::PURGE_RXCLEAR));
  EXPECT_EQ(EBADF, dev.ClearCommError(v, stat));
  EXPECT_EQ(EBADF, dev.GetCommModemStatus(v));
  EXPECT_EQ(EBADF, dev.SetCommState(comm::DCB{}));
  EXPECT_TRUE(pty.Receive(50).empty());
}

TEST(SerialDeviceOpen, RefusesMissingNonTerminalAndBusyPorts) {
  comm::TSerialDevice dev;
  EXPECT_EQ(ENOENT, dev.Open("/nonexistent-gascal-dir/ttyX"));
  EXPECT_EQ(ENOENT, dev.Open(""));
  char file[] = "/tmp/gascal-notatty-XXXXXX";
  const int fd = mkstemp(file);
  ASSERT_GE(fd, 0);
  close(fd);
  EXPECT_EQ(ENOTTY, dev.Open(file));
  std::remove(file);
  EXPECT_FALSE(dev.IsOpen());

  PtyPair pty;
  ASSERT_EQ(0, dev.Open(pty.path));
  comm::TSerialDevice second;
  EXPECT_EQ(EBUSY, second.Open(pty.path));
  dev.Close();
  EXPECT_EQ(0, second.Open(pty.path));  // the exclusive hold ends with the close
}

TEST(SerialDeviceNames, ComNamesMapToUartDevices) {
  EXPECT_EQ("/dev/ttyS0", comm::DevicePath("COM1"));
  EXPECT_EQ("/dev/ttyS9", comm::DevicePath("com10"));
  EXPECT_EQ("/dev/COM0", comm::DevicePath("COM0"));
  EXPECT_EQ("/dev/ttyUSB0", comm::DevicePath("ttyUSB0"));
  EXPECT_EQ("/tmp/x/ttyV0", comm::DevicePath("/tmp/x/ttyV0"));
}

TEST(SerialDeviceNames, TheGroupOwningADeviceIsNamedWhenItCanBeTold) {
  PtyPair pty;
  struct stat st{};
  ASSERT_EQ(0, ::stat(pty.path.c_str(), &st));
  const struct group* g = ::getgrgid(st.st_gid);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(comm::DeviceGroupName(pty.path), g->gr_name);
  EXPECT_EQ(comm::DeviceGroupName("/nonexistent/gascal-tty"), "");
  EXPECT_EQ(comm::DeviceGroupName(""), "");
}

// ---------------------------------------------------------------------------------------

class SerialEvents : public SerialDevice {
protected:
  // Waits with a stop that fires after stopAfter; returns the result and the mask.
  // A wait that is expected to end by itself gets a stop of a minute at least, a guard for a
  // loaded machine; one expected to be stopped (nothing to report) a short one.
  comm::TWaitResult Wait(std::uint32_t& mask, std::chrono::milliseconds stopAfter = 150ms) {
    comm::TWaitEvent stop;
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
    std::thread stopper([&] {
      std::unique_lock<std::mutex> hold(lock);
      ended.wait_for(hold, stopAfter, [&] { return done; });
      stop.Set();
    });
    int error = 0;
    const comm::TWaitResult r = dev.WaitCommEvent(mask, stop, error);
    {
      std::lock_guard<std::mutex> hold(lock);
      done = true;
    }
    ended.notify_one();
    stopper.join();
    return r;
  }
};

TEST_F(SerialEvents, ReceivedCharactersAreReportedOncePerArrival) {
  ASSERT_EQ(0, dev.SetCommMask(comm::EV_RXCHAR | comm::EV_TXEMPTY | comm::EV_CTS | comm::EV_ERR));
  std::uint32_t mask = 0;
  EXPECT_EQ(comm::TWaitResult::Stopped, Wait(mask));  // idle line

  pty.Send({1, 2, 3});
  ASSERT_EQ(comm::TWaitResult::Event, Wait(mask, 60s));
  EXPECT_EQ(comm::EV_RXCHAR, mask);
  // Bytes left unread do not raise the event again...
  EXPECT_EQ(comm::TWaitResult::Stopped, Wait(mask));
  // ...new ones do, also when a read took part of the queue meanwhile.
  unsigned char b[2];
  std::uint32_t n = 0;
  comm::COMMTIMEOUTS t;
  t.ReadIntervalTimeout = comm::MAXDWORD;
  dev.SetCommTimeouts(t);
  ASSERT_EQ(0, dev.Read(b, 2, n));
  pty.Send({4, 5});
  ASSERT_EQ(comm::TWaitResult::Event, Wait(mask, 60s));
  EXPECT_EQ(comm::EV_RXCHAR, mask);
  // After a purge, arrivals count afresh.
  ASSERT_EQ(0, dev.PurgeComm(comm::PURGE_RXCLEAR));
  pty.Send({6});
  ASSERT_EQ(comm::TWaitResult::Event, Wait(mask, 60s));
  EXPECT_EQ(comm::EV_RXCHAR, mask);
}

TEST_F(SerialEvents, BytesArrivingOneByOneAreGatheredIntoOneEvent) {
  // At 1200 baud a byte takes 8.3 ms; the wait that sees the first byte gathers for four
  // byte times (33 ms), so bytes sent soon after it join the first one's event.
  comm::DCB dcb;
  dcb.BaudRate = 1200;
  ASSERT_EQ(0, dev.SetCommState(dcb));
  ASSERT_EQ(0, dev.SetCommMask(comm::EV_RXCHAR));
  std::thread sender([&] {
    for (unsigned char b = 1; b <= 3; ++b) {
      pty.Send({b});
      std::this_thread::sleep_for(3ms);
    }
  });
  std::uint32_t mask = 0;
  const comm::TWaitResult r = Wait(mask, 60s);
  sender.join();
  ASSERT_EQ(comm::TWaitResult::Event, r);
  EXPECT_EQ(comm::EV_RXCHAR, mask);
  std::uint32_t errors = 0;
  comm::COMSTAT stat;
  ASSERT_EQ(0, dev.ClearCommError(errors, stat));
  EXPECT_GE(stat.cbInQue, 2u);
  // What arrived during the gathering is not reported a second time.
  if (stat.cbInQue == 3) {
    EXPECT_EQ(comm::TWaitResult::Stopped, Wait(mask));
  }
}

// A reply whose length the reader announced comes as one event, as soon as its last byte is
// in: not one per byte, nor a few bytes at a time, nor after the quiet time. The quiet time is
// the longest the device takes (a minute) and the wait's guard longer still: an event that
// came a minute or more after the last byte went is the quiet time's.
TEST_F(SerialEvents, BytesOfAnAnnouncedLengthAreReportedOnceTheLastIsIn) {
  ASSERT_EQ(0, dev.SetCommMask(comm::EV_RXCHAR));
  dev.SetReceiveTrigger(20, 60000);
  EXPECT_EQ(20u, dev.ReceiveTrigger());
  Clock::time_point last;
  std::thread sender = pty.SendPaced(20, 1042us, &last);  // 9600 baud
  std::uint32_t mask = 0;
  const comm::TWaitResult r = Wait(mask, 90s);
  const auto reported = Clock::now();
  sender.join();
  ASSERT_EQ(comm::TWaitResult::Event, r);
  EXPECT_LT(reported - last, 60s) << "it waited for the quiet time";
  EXPECT_EQ(comm::EV_RXCHAR, mask);
  std::uint32_t errors = 0;
  comm::COMSTAT stat;
  ASSERT_EQ(0, dev.ClearCommError(errors, stat));
  EXPECT_EQ(20u, stat.cbInQue);
  EXPECT_EQ(comm::TWaitResult::Stopped, Wait(mask));
}

// Fewer bytes than announced come as one event once the line has been quiet for the quiet
// time after the last of them; a new announcement holds for the next bytes.
TEST_F(SerialEvents, FewerBytesThanAnnouncedAreReportedWhenTheLineFallsQuiet) {
  ASSERT_EQ(0, dev.SetCommMask(comm::EV_RXCHAR));
  dev.SetReceiveTrigger(20, 100);
  Clock::time_point last;
  std::thread sender = pty.SendPaced(8, 1042us, &last);
  std::uint32_t mask = 0;
  const comm::TWaitResult r = Wait(mask, 60s);
  const auto reported = Clock::now();
  sender.join();
  ASSERT_EQ(comm::TWaitResult::Event, r);
  std::uint32_t errors = 0;
  comm::COMSTAT stat;
  ASSERT_EQ(0, dev.ClearCommError(errors, stat));
  EXPECT_EQ(8u, stat.cbInQue);
  EXPECT_GE(reported - last, 100ms);
  EXPECT_EQ(comm::TWaitResult::Stopped, Wait(mask));

  ASSERT_EQ(0, dev.PurgeComm(comm::PURGE_RXCLEAR));
  dev.SetReceiveTrigger(3, 1000);
  sender = pty.SendPaced(3, 1042us, &last);
  ASSERT_EQ(comm::TWaitResult::Event, Wait(mask, 60s));
  sender.join();
  ASSERT_EQ(0, dev.ClearCommError(errors, stat));
  EXPECT_EQ(3u, stat.cbInQue);
}

// The announced bytes count from the announcement: when a reader took the first ones, the rest
// is reported as soon as it is in. The quiet time is a minute and the waits' guard longer, so an
// event a minute or more after the last byte is the quiet time's: only the announced count ends
// the second wait in time; the first ends as the queue's 80 % mark (8 of an input size of 10)
// is reached.
TEST_F(SerialEvents, AnnouncedBytesCountFromTheAnnouncementThoughAReaderTookSome) {
  ASSERT_EQ(0, dev.SetCommMask(comm::EV_RXCHAR));
  comm::COMMTIMEOUTS t;
  t.ReadIntervalTimeout = comm::MAXDWORD;
  ASSERT_EQ(0, dev.SetCommTimeouts(t));
  ASSERT_EQ(0, dev.SetupComm(10, 10));
  dev.SetReceiveTrigger(20, 60000);
  Clock::time_point last;
  std::thread sender = pty.SendPaced(8, 1042us, &last);
  std::uint32_t mask = 0;
  ASSERT_EQ(comm::TWaitResult::Event, Wait(mask, 90s));
  auto reported = Clock::now();
  sender.join();
  EXPECT_LT(reported - last, 60s) << "the full queue was not reported";
  unsigned char first[20];
  std::uint32_t n = 0;
  ASSERT_EQ(0, dev.Read(first, sizeof first, n));
  EXPECT_EQ(8u, n);
  ASSERT_EQ(0, dev.SetupComm(4096, 4096));
  sender = pty.SendPaced(12, 1042us, &last);
  const comm::TWaitResult r = Wait(mask, 90s);
  reported = Clock::now();
  sender.join();
  ASSERT_EQ(comm::TWaitResult::Event, r);
  EXPECT_LT(reported - last, 60s) << "it waited for the quiet time";
  std::uint32_t errors = 0;
  comm::COMSTAT stat;
  ASSERT_EQ(0, dev.ClearCommError(errors, stat));
  EXPECT_EQ(12u, stat.cbInQue);
}

// The idle time runs from when the newest bytes were seen coming: by the wait as they came, or
// by a read that took them before any wait looked.
TEST_F(SerialEvents, TheIdleTimeRunsFromTheNewestArrivalSeen) {
  ASSERT_EQ(0, dev.SetCommMask(comm::EV_RXCHAR));
  comm::COMMTIMEOUTS t;
  t.ReadIntervalTimeout = comm::MAXDWORD;
  ASSERT_EQ(0, dev.SetCommTimeouts(t));
  EXPECT_EQ(-1, dev.InputIdleMs());
  dev.SetReceiveTrigger(2, 0);
  // A quiet stretch before the bytes: an idle time counted from anything older than their
  // arrival is at least this much too long.
  std::this_thread::sleep_for(100ms);
  const auto sent = Clock::now();
  pty.Send({1, 2});
  std::uint32_t mask = 0;
  ASSERT_EQ(comm::TWaitResult::Event, Wait(mask, 60s));
  std::this_thread::sleep_for(50ms);
  const double idle = dev.InputIdleMs();
  EXPECT_GE(idle, 50);
  // The bytes cannot have come before they were sent, however late the wait saw them.
  const double sinceSent = std::chrono::duration<double, std::milli>(Clock::now() - sent).count();
  EXPECT_LE(idle, sinceSent + 1);
  // Bytes no wait has looked at: the read that takes them sees them come.
  pty.Send({3});
  ASSERT_TRUE(Queued(3));
  unsigned char b[3];
  std::uint32_t n = 0;
  const auto read = Clock::now();
  ASSERT_EQ(0, dev.Read(b, 3, n));
  EXPECT_EQ(3u, n);
  const double idleAfterRead = dev.InputIdleMs();
  const double sinceRead = std::chrono::duration<double, std::milli>(Clock::now() - read).count();
  EXPECT_LE(idleAfterRead, sinceRead + 1);
}

TEST_F(SerialEvents, WrittenBytesLeavingRaiseTxEmpty) {
  ASSERT_EQ(0, dev.SetCommMask(comm::EV_TXEMPTY));
  const unsigned char b[3] = {1, 2, 3};
  std::uint32_t n = 0, mask = 0;
  ASSERT_EQ(0, dev.Write(b, 3, n));
  ASSERT_EQ(comm::TWaitResult::Event, Wait(mask, 60s));
  EXPECT_EQ(comm::EV_TXEMPTY, mask);
  EXPECT_EQ(comm::TWaitResult::Stopped, Wait(mask));
}

TEST_F(SerialEvents, AWriteWakesAWaitThatSleepsWithNothingPending) {
  ASSERT_EQ(0, dev.SetCommMask(comm::EV_TXEMPTY));
  // The write comes while the wait already sleeps with nothing to watch: it must wake it.
  std::thread writer([&] {
    std::this_thread::sleep_for(100ms);
    const unsigned char b[1] = {7};
    std::uint32_t n = 0;
    EXPECT_EQ(0, dev.Write(b, 1, n));
  });
  std::uint32_t mask = 0;
  const comm::TWaitResult r = Wait(mask, 60s);
  writer.join();
  ASSERT_EQ(comm::TWaitResult::Event, r) << "the wait ended only by its stop";
  EXPECT_EQ(comm::EV_TXEMPTY, mask);
}

TEST_F(SerialEvents, StopWinsOverAPendingEventAndHangUpEndsTheWait) {
  ASSERT_EQ(0, dev.SetCommMask(comm::EV_RXCHAR));
  pty.Send({1});
  ASSERT_TRUE(Queued(1));
  comm::TWaitEvent stop;
  stop.Set();
  std::uint32_t mask = 0;
  int error = 0;
  EXPECT_EQ(comm::TWaitResult::Stopped, dev.WaitCommEvent(mask, stop, error));
  stop.Reset();
  EXPECT_FALSE(stop.IsSet());

  ASSERT_EQ(comm::TWaitResult::Event, dev.WaitCommEvent(mask, stop, error));
  pty.CloseMaster();
  ::close(pty.slave);  // the last other holder of the slave
  pty.slave = -1;
  EXPECT_EQ(comm::TWaitResult::Failed, Wait(mask, 60s));
}

}  // namespace

}  // namespace serial_device_test
