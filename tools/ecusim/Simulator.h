// The ECU on the master side of a pseudo-terminal: a tool opens the slave side as its serial
// port. A worker thread reads requests, lets the Ecu answer them and writes the replies at the
// pace of a 9600 baud line, with the faults it has been told to inject.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/ecusim/Ecu.h"

namespace ecusim {

enum class FaultKind {
  Drop,          // no reply
  Garble,        // one byte changed: the checksum no longer holds
  Truncate,      // the last Param bytes (at least one) left out
  Extend,        // one byte too many
  WrongAddress,  // another address, with a checksum that holds
  Delay,         // sent Param ms late
  Duplicate,     // sent twice, the copy Param ms after the first
};

struct Fault {
  FaultKind Kind = FaultKind::Drop;
  int Every = 0;              // 0: the next matching reply only; N: every Nth matching reply
  int Param = 0;
  std::uint8_t Command = 0;   // 0: replies to any command; else only replies to this command
};

// "drop", "garble@3", "delay=700", "duplicate=100@5/#": kind, =Param, @Every, /command character.
bool ParseFault(const std::string& text, Fault& fault);

struct SimulatorOptions {
  std::string LinkPath;      // when set, a symbolic link to the slave that follows every reopen
  bool LineTiming = true;    // pace requests and replies at 9600 baud
  int FrameGapMs = 30;       // an incomplete request older than this is thrown away
};

class Simulator {
public:
  explicit Simulator(EcuState state = DefaultState(), SimulatorOptions options = {});
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Opens a new pseudo-terminal and starts answering; raises rtl::EOSError when no
  // pseudo-terminal can be opened. After Stop, Start again is "unplug and plug in": the tool's
  // port hangs up at Stop and the ECU comes back under a new slave path (the link follows).
  void Start();
  // Stops the thread and closes our end; replies not yet sent are lost. The ECU's state stays.
  void Stop();
  bool Running() const;
  std::string SlavePath() const;

  void AddFault(const Fault& fault);
  void ClearFaults();
  // A silent ECU reads requests and answers none.
  void SetSilent(bool silent);

  EcuState State() const;
  void Modify(const std::function<void(EcuState&)>& change);

  struct Counters {
    unsigned Requests = 0;  // complete request frames
    unsigned Ignored = 0;   // invalid requests and thrown-away bytes
    unsigned Replies = 0;   // requests answered (dropped and faulted replies included)
    unsigned Faulted = 0;   // replies changed by a fault
    unsigned Sent = 0;      // replies whose last byte has gone out on the line
    bool MidReply = false;  // a reply is part-way out on the line
    std::chrono::steady_clock::time_point LastSentAt{};  // when the last of them went out
    std::size_t LastSentBytes = 0;                       // and its length
  };
  Counters Stats() const;

  // Called on the worker thread: '>' for a request, '<' for a reply (note says what was done).
  // Set it before Start.
  std::function<void(char direction, const Frame& frame, const std::string& note)> OnTrace;

private:
  using Clock = std::chrono::steady_clock;
  struct Outgoing {
    Frame Bytes;
    Clock::time_point Start;
    std::size_t Sent = 0;
  };
  struct ActiveFault {
    Fault Rule;
    int Seen = 0;
  };

  void Run();
  void ReadRequests(Clock::time_point now);
  void HandleRequest(const Frame& request, Clock::time_point arrival, Clock::time_point now);
  void SendDue(Clock::time_point now);
  Clock::time_point ByteDue(const Outgoing& out, std::size_t index) const;
  void ClosePty();

  SimulatorOptions options_;
  mutable std::mutex mutex_;  // guards ecu_, faults_, silent_, stats_, slavePath_
  Ecu ecu_;
  std::vector<ActiveFault> faults_;
  bool silent_ = false;
  Counters stats_;
  std::string slavePath_;
  Clock::time_point started_ = Clock::now();

  // Owned by the worker thread while it runs.
  int master_ = -1, slave_ = -1, wake_ = -1;
  std::thread thread_;
  Frame rx_;
  Clock::time_point rxFirst_, rxLast_;
  std::deque<Outgoing> tx_;
  Clock::time_point lineFree_;
};

}  // namespace ecusim
