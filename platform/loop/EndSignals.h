// The system's requests to end the program, heard on the GUI thread.
//
// While a TEndSignals lives, the signals by which a user, a terminal or the system asks a
// program to end (SIGTERM, SIGINT, SIGHUP: the terminal hung up, SIGQUIT: the terminal's quit
// key) no longer end the process where it stands: each runs OnRequest with the signal's number
// on the GUI thread, which closes the program as its user would (its settings written, its
// port given back, its channel removed). Signals that carry no request of the user and by
// default kill a program that cannot answer them are ignored: SIGPIPE and SIGXFSZ (the write
// to a closed pipe or beyond the file-size limit then fails and is reported by the writer) and
// SIGUSR1 and SIGUSR2, which mean nothing to this program.
//
// The handler only writes the number to a pipe (all it may do in a signal handler); a thread
// of its own reads it and queues the request for the GUI thread, so a signal wakes the loop
// whatever it waits on. What was installed for each signal before comes back when the object
// goes. One object at a time; made before anything else installs handlers (a library that
// installs its own only where none is set, as SDL does for SIGTERM and SIGINT, then leaves
// these alone).
#pragma once

#include <signal.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace rtl {

class TEndSignals {
public:
  // Raises EInvalidOperation while another object lives, EOSError when the pipe or the thread
  // cannot be had.
  explicit TEndSignals(std::function<void(int Signal)> OnRequest);
  ~TEndSignals();
  TEndSignals(const TEndSignals&) = delete;
  TEndSignals& operator=(const TEndSignals&) = delete;

  // The signals that become requests, and those ignored.
  static const std::vector<int>& RequestSignals();
  static const std::vector<int>& IgnoredSignals();

private:
  class TReader;
  std::unique_ptr<TReader> reader_;
  int readFd_ = -1;
  int writeFd_ = -1;
  // Each signal's handling as it was before.
  std::vector<std::pair<int, struct sigaction>> before_;
};

}  // namespace rtl
