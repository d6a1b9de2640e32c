// One running copy per user: the channel through which a copy of the program that starts asks
// the copy already running to close, and through which the running copy hears it.
//
// The channel is a local stream socket named after the program's main window class, in the
// user's runtime folder ($XDG_RUNTIME_DIR, which only the user can enter); without one, a
// socket of the abstract namespace whose name carries the user's id. The running copy listens
// on it from a thread of its own and hands each request to the GUI thread; it answers only
// requests of its own user. A request holds its connection open: the copy that asked waits
// (bounded) until the running copy has closed, which ends the connection, so that it goes on
// only once the other has written its settings and given its serial port back. A close that
// takes longer than usual (it waits for a device to be put back first) says so on the held
// connections (AnnounceLongClose), and the waiting copies wait that much longer. A socket left
// behind by a copy that crashed answers nobody; it is taken for what it is and replaced.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace rtl {

class TSingleInstance {
public:
  // The channel of Name (letters, digits, "_", "-", "."; "TForm_3D_GEN").
  explicit TSingleInstance(std::string Name);
  // Stops listening, removes the socket (when it is still this copy's) and lets every copy
  // that asked go on.
  ~TSingleInstance();
  TSingleInstance(const TSingleInstance&) = delete;
  TSingleInstance& operator=(const TSingleInstance&) = delete;

  // Where the channel of Name lives: a path, or "@" and the abstract name.
  static std::string ChannelPath(const std::string& Name);

  enum class TAskResult {
    NoneRunning,  // no copy listens (none runs, or one crashed and left its socket)
    Closed,       // the running copy heard the request and has closed
    TimedOut      // the running copy heard it but had not closed within the time
  };
  // Asks the copy running on Name's channel to close and waits at most TimeoutMs for it; when
  // the running copy announces a longer close of Ms, until Ms + TimeoutMs from then.
  static TAskResult AskRunningToClose(const std::string& Name, int TimeoutMs);
  // The longest close announced that a waiting copy takes (ms).
  static constexpr int MaxAnnouncedCloseMs = 10 * 60 * 1000;

  // Listens on the channel; OnCloseRequest runs on the GUI thread for each request heard
  // (the thread that calls Listen must be the GUI thread). False, with Why, when the channel
  // cannot be made or another copy listens on it still.
  bool Listen(std::function<void()> OnCloseRequest, std::string* Why = nullptr);
  bool Listening() const;
  // Requests heard so far.
  int RequestCount() const;
  // This copy's close may take up to Ms more (ms from now): said to every copy that waits for
  // it, and to every one that asks meanwhile. Does nothing while not listening.
  void AnnounceLongClose(int Ms);

private:
  class TListener;
  std::string name_;
  std::unique_ptr<TListener> listener_;
};

}  // namespace rtl
