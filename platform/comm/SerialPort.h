// A serial device on termios, with the semantics of the Windows communications API that
// the serial port component is written against: a line-settings record (DCB), read and
// write time-outs (COMMTIMEOUTS) emulated on poll(), purge, queue status, modem lines,
// line-error counters and an event wait (WaitCommEvent) that can be cancelled.
//
// Every operation returns 0 on success or an errno value. A device whose descriptor is
// closed answers EBADF without making a system call, so a stale descriptor number is
// never touched.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

namespace comm {

// Event flags of the event mask.
inline constexpr std::uint32_t EV_RXCHAR = 0x0001;
inline constexpr std::uint32_t EV_RXFLAG = 0x0002;
inline constexpr std::uint32_t EV_TXEMPTY = 0x0004;
inline constexpr std::uint32_t EV_CTS = 0x0008;
inline constexpr std::uint32_t EV_DSR = 0x0010;
inline constexpr std::uint32_t EV_RLSD = 0x0020;
inline constexpr std::uint32_t EV_BREAK = 0x0040;
inline constexpr std::uint32_t EV_ERR = 0x0080;
inline constexpr std::uint32_t EV_RING = 0x0100;
inline constexpr std::uint32_t EV_RX80FULL = 0x0400;

// Purge flags.
inline constexpr std::uint32_t PURGE_TXABORT = 0x0001;
inline constexpr std::uint32_t PURGE_RXABORT = 0x0002;
inline constexpr std::uint32_t PURGE_TXCLEAR = 0x0004;
inline constexpr std::uint32_t PURGE_RXCLEAR = 0x0008;

// Modem status bits.
inline constexpr std::uint32_t MS_CTS_ON = 0x0010;
inline constexpr std::uint32_t MS_DSR_ON = 0x0020;
inline constexpr std::uint32_t MS_RING_ON = 0x0040;
inline constexpr std::uint32_t MS_RLSD_ON = 0x0080;

// Line-error bits.
inline constexpr std::uint32_t CE_RXOVER = 0x0001;
inline constexpr std::uint32_t CE_OVERRUN = 0x0002;
inline constexpr std::uint32_t CE_RXPARITY = 0x0004;
inline constexpr std::uint32_t CE_FRAME = 0x0008;
inline constexpr std::uint32_t CE_BREAK = 0x0010;
inline constexpr std::uint32_t CE_TXFULL = 0x0100;
inline constexpr std::uint32_t CE_IOE = 0x0400;
inline constexpr std::uint32_t CE_MODE = 0x8000;

inline constexpr std::uint32_t MAXDWORD = 0xFFFFFFFFu;

// DTR and RTS line control.
enum : std::uint8_t { DTR_CONTROL_DISABLE = 0, DTR_CONTROL_ENABLE = 1, DTR_CONTROL_HANDSHAKE = 2 };
enum : std::uint8_t {
  RTS_CONTROL_DISABLE = 0, RTS_CONTROL_ENABLE = 1, RTS_CONTROL_HANDSHAKE = 2, RTS_CONTROL_TOGGLE = 3
};

// Line settings. Settings that termios cannot carry are refused with EINVAL by
// SetCommState: DSR output flow, DSR sensitivity, DTR handshake, RTS toggle, discarding
// NUL bytes, an error replacement character other than NUL, an event character, CTS
// output flow without RTS handshake (or the reverse), 1.5 stop bits with more than five
// data bits, two stop bits with five, and a non-binary line.
struct DCB {
  std::uint32_t BaudRate = 9600;
  bool fBinary = true;
  bool fParity = false;            // check received parity
  bool fOutxCtsFlow = false;
  bool fOutxDsrFlow = false;
  std::uint8_t fDtrControl = DTR_CONTROL_DISABLE;
  bool fDsrSensitivity = false;
  bool fTXContinueOnXoff = false;  // Linux always goes on sending after it sent XOFF
  bool fOutX = false;
  bool fInX = false;
  bool fErrorChar = false;         // replace bytes with parity errors by ErrorChar
  bool fNull = false;
  std::uint8_t fRtsControl = RTS_CONTROL_DISABLE;
  std::uint16_t XonLim = 0;        // the kernel keeps its own thresholds
  std::uint16_t XoffLim = 0;
  std::uint8_t ByteSize = 8;       // 5..8
  std::uint8_t Parity = 0;         // 0 none, 1 odd, 2 even, 3 mark, 4 space
  std::uint8_t StopBits = 0;       // 0 one, 1 one and a half, 2 two
  char XonChar = 17;
  char XoffChar = 19;
  char ErrorChar = 0;
  char EofChar = 0;
  char EvtChar = 0;
};

// Milliseconds; MAXDWORD in ReadIntervalTimeout with both read totals 0 means "return at
// once with what is there"; with ReadTotalTimeoutMultiplier MAXDWORD too and a constant
// below MAXDWORD, "wait up to the constant for the first byte, then return at once".
// A total of 0 (multiplier and constant) means no total limit; an interval of 0 none.
struct COMMTIMEOUTS {
  std::uint32_t ReadIntervalTimeout = 0;
  std::uint32_t ReadTotalTimeoutMultiplier = 0;
  std::uint32_t ReadTotalTimeoutConstant = 0;
  std::uint32_t WriteTotalTimeoutMultiplier = 0;
  std::uint32_t WriteTotalTimeoutConstant = 0;
};

struct COMSTAT {
  std::uint32_t cbInQue = 0;
  std::uint32_t cbOutQue = 0;
};

// A manual-reset event on an eventfd: set from any thread, waited for with poll().
class TWaitEvent {
public:
  TWaitEvent();
  ~TWaitEvent();
  TWaitEvent(const TWaitEvent&) = delete;
  TWaitEvent& operator=(const TWaitEvent&) = delete;
  void Set();
  void Reset();
  bool IsSet() const;
  int Fd() const { return fd_; }

private:
  int fd_ = -1;
};

enum class TWaitResult { Event, Stopped, Failed };

// Maps a port name to a device path: "COMn" (any case) is "/dev/ttyS<n-1>", a name that
// begins with "/" is a path, any other name is a device under "/dev". An empty name gives
// an empty path.
std::string DevicePath(const std::string& portName);
// The name of the group that owns the device at Path ("dialout"); empty when it cannot be
// told.
std::string DeviceGroupName(const std::string& Path);

class TSerialDevice {
public:
  using Clock = std::chrono::steady_clock;

  TSerialDevice() = default;
  ~TSerialDevice();
  TSerialDevice(const TSerialDevice&) = delete;
  TSerialDevice& operator=(const TSerialDevice&) = delete;

  // Opens the named port for reading and writing, non-blocking, without making it the
  // controlling terminal, exclusively (TIOCEXCL and an flock, so a second opener gets
  // EBUSY). Only terminals are accepted (ENOTTY otherwise). Puts the line in raw mode.
  int Open(const std::string& portName);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  const std::string& Path() const { return path_; }

  int SetCommState(const DCB& dcb);
  int SetCommTimeouts(const COMMTIMEOUTS& timeouts);
  COMMTIMEOUTS GetCommTimeouts() const;
  // Queue sizes: the kernel's queues are fixed, so only the input size is kept (it sets
  // the 80 % mark of EV_RX80FULL). Sizes must be positive.
  int SetupComm(std::int32_t inputSize, std::int32_t outputSize);

  // Blocking transfers bounded by the time-outs; a time-out is not an error, the count
  // tells how many bytes went through. A hang-up or device error gives its errno.
  int Read(void* buffer, std::uint32_t count, std::uint32_t& transferred);
  int Write(const void* buffer, std::uint32_t count, std::uint32_t& transferred);

  // PURGE_RXCLEAR and PURGE_TXCLEAR flush the queues; the abort flags have nothing to
  // abort (transfers are synchronous) and succeed.
  int PurgeComm(std::uint32_t flags);
  // Line errors since the last call (from the driver's error counters; none where the
  // device has no counters) and the queue fill.
  int ClearCommError(std::uint32_t& errors, COMSTAT& stat);
  // The modem lines; a device without modem lines (a pseudo-terminal) answers none.
  int GetCommModemStatus(std::uint32_t& status);

  // The event mask for WaitCommEvent (EV_ flags). Modem lines (EV_CTS, EV_DSR, EV_RLSD,
  // EV_RING) and error counters (EV_ERR, EV_BREAK) can only be sampled: a mask with them
  // wakes the wait every 50 ms on a device that has them. Without them an idle device
  // wakes nobody.
  int SetCommMask(std::uint32_t mask);
  std::uint32_t GetCommMask() const { return mask_; }
  // How received bytes are gathered into one EV_RXCHAR. The wait that sees new bytes arrive
  // reports them as soon as Count bytes have come since this call (a reply of Count bytes to a
  // request written after it, also when a reader takes part of it meanwhile), and otherwise
  // once the line has been quiet for QuietMs after the newest bytes; meanwhile it sleeps until
  // the line's pace says the rest is due, rather than waking once per byte. Count 0: no length
  // is known, and the quiet time (or an input queue 80 % full) ends the gathering. QuietMs 0:
  // four byte times at the line's speed, after which a UART's receive FIFO reports what it
  // holds. Any thread; Open sets both to 0.
  void SetReceiveTrigger(std::uint32_t Count, double QuietMs);
  std::uint32_t ReceiveTrigger() const { return rxTrigger_; }
  // Milliseconds since the newest byte that has come was seen arriving: by the event wait,
  // which watches as bytes come, or by a read that took it before the wait looked. -1 before
  // the first byte of this opening.
  double InputIdleMs() const;

  // Waits until an event of the mask occurs (its flags in mask), until stop is set
  // (Stopped; it wins over a pending event), or until the device fails (Failed, with the
  // errno in error: a hang-up is EIO). Received characters are reported once per arrival,
  // gathered as SetReceiveTrigger says: bytes still unread do not raise EV_RXCHAR again, and
  // wake nobody. The wait sleeps in poll(); it only wakes periodically while written bytes
  // wait to leave (EV_TXEMPTY), or while it watches modem lines and error counters of a
  // device that has them. Meant for one waiting thread at a time.
  TWaitResult WaitCommEvent(std::uint32_t& mask, const TWaitEvent& stop, int& error);

private:
  struct TCounters {
    std::uint32_t Frame = 0, Parity = 0, Overrun = 0, BufOverrun = 0, Break = 0;
  };
  // The driver's error counters; false where the device keeps none.
  bool ReadCounters(TCounters& counters) const;
  // The modem lines as MS_ bits; false where the device has none.
  bool ReadModemLines(std::uint32_t& status) const;
  // Sleeps while the bytes following the first new ones come in, as SetReceiveTrigger says;
  // true when the stop event came meanwhile.
  bool GatherReceived(const TWaitEvent& stop);
  // The input queue's fill, after taking account of what reads and purges took out of it
  // since the last look; false (with the errno) when it cannot be read.
  bool LookAtQueue(std::uint32_t& inQue, int& error);
  // Empties the arrival watch, noting a hang-up.
  void TakeArrivalEdges();
  // With queueLock_ held: Arrived bytes have come in all (read, purged or waiting); a count
  // higher than the last one seen is an arrival now. Gives the time of the newest arrival.
  Clock::time_point NoteArrivals(std::uint64_t Arrived);

  int fd_ = -1;
  int edges_ = -1;  // an epoll set watching fd_ for arrivals, edge-triggered
  std::string path_;
  bool isPty_ = false;
  COMMTIMEOUTS timeouts_;
  std::atomic<std::int32_t> inputSize_{4096};
  std::atomic<std::uint32_t> mask_{0};
  // The line's speed, for the receive gathering time.
  std::atomic<std::uint32_t> baudRate_{9600};
  std::atomic<std::uint32_t> bitsPerByte_{10};
  // The receive trigger as last set: a count and a quiet time (0: four byte times).
  std::atomic<std::uint32_t> rxTrigger_{0};
  std::atomic<std::int64_t> rxQuietNs_{0};

  // Received-character bookkeeping shared by the transfers and the event wait.
  std::mutex queueLock_;
  std::uint64_t consumed_ = 0;      // bytes taken out of the input queue by Read
  std::uint64_t purged_ = 0;        // bytes the input purges dropped
  std::uint64_t purges_ = 0;        // number of input purges
  std::uint64_t rxTriggerAt_ = 0;   // the count of bytes come at which the trigger holds (0: none)
  std::uint64_t seenArrived_ = 0;   // bytes come, as last seen
  std::atomic<std::int64_t> lastArrivalNs_{-1};  // when the newest were seen, steady clock
  std::atomic<bool> txPending_{false};
  // Set by a write that leaves bytes pending, so a wait asleep without a time-out starts
  // watching the output queue drain.
  TWaitEvent txWake_;

  // Owned by the waiting thread.
  std::uint32_t knownInQue_ = 0;
  std::uint64_t consumedSeen_ = 0;
  std::uint64_t purgesSeen_ = 0;
  bool hungUp_ = false;
  bool hasModemLines_ = false;
  bool hasCounters_ = false;
  std::uint32_t lastModem_ = 0;
  TCounters lastWaitCounters_;

  // Owned by ClearCommError (the GUI thread).
  TCounters lastClearCounters_;
};

}  // namespace comm
