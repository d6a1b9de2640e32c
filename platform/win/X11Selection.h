// The X display's clipboard (the CLIPBOARD selection) beyond text, which SDL2 does not
// reach: a client of its own (its own connection, an unmapped window and a thread) that
// offers data under one target while it owns the selection, and fetches what the owner
// offers. Data larger than one piece goes in pieces (INCR) both ways. Its answers reach
// the GUI thread through the loop; nothing here makes the GUI thread wait for another
// program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace win {

class TSelectionThread;

class TSelectionAgent {
public:
  // What a fetch found: the owner's data, the selection held by this agent itself (its
  // own data is then the answer), or nothing (no owner, the target refused, no answer in
  // time, or more data than MaxFetchBytes).
  enum class TFound { Data, Ours, Nothing };
  struct TFetchResult {
    TFound Found = TFound::Nothing;
    std::vector<std::uint8_t> Data;
    // For the target "TARGETS": the names of the targets the owner offers.
    std::vector<std::string> Targets;
  };
  using TFetchProc = std::function<void(TFetchResult)>;

  static constexpr std::size_t MaxFetchBytes = std::size_t{64} << 20;

  // A client of the display DisplayName names (nil: the environment's); nil when it cannot
  // be reached. Open on the GUI thread.
  static std::unique_ptr<TSelectionAgent> Open(const char* DisplayName = nullptr);
  // Stops the thread (answers not yet handed over are dropped) and leaves the display.
  ~TSelectionAgent();
  TSelectionAgent(const TSelectionAgent&) = delete;
  TSelectionAgent& operator=(const TSelectionAgent&) = delete;

  // Takes the selection and offers Data as Target (a MIME type) until another client takes
  // it; Lost runs on the GUI thread then (or at once when the selection could not be had).
  void Own(const std::string& Target, std::shared_ptr<const std::vector<std::uint8_t>> Data,
           std::function<void()> Lost);
  // Asks the selection's owner for Target ("TARGETS" for the list of what it offers);
  // Done runs on the GUI thread. Fetches are served one after the other.
  void Fetch(const std::string& Target, TFetchProc Done);

  // Data above this many bytes is handed over in pieces of this size (at most what one
  // request of the display can carry).
  void SetPieceSize(std::size_t Bytes);
  // A fetch gives up, and a transfer in pieces is dropped, after this long without progress.
  void SetTimeout(int Milliseconds);

private:
  explicit TSelectionAgent(std::unique_ptr<TSelectionThread> Thread);
  std::unique_ptr<TSelectionThread> thread_;
};

}  // namespace win
