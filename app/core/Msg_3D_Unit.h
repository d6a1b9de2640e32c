// The message and wait windows' rules, which need no window: which requests are shown and
// when, what a message of each kind says and which buttons it offers, its countdown, what
// closing it leads to, and where the wait window stands. The windows (app/ui) draw what these
// say. GUI thread only.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace app {

// Message kinds the ECU link raises.
enum : std::uint8_t {
  Message_SensorTableMissing = 12,
  Message_ScriptError = 13,
  Message_OwnText = 13,  // the request's own text: the script error and the program's own reports
  Message_NewerVersionNeeded = 15,
};
constexpr std::uint8_t LastMessageKind = 15;

// Button codes of the message window.
enum TMessageButton : int { MsgButton_OK = 1, MsgButton_Yes = 2, MsgButton_No = 3, MsgButton_Cancel = 4, MsgButton_Setting = 5 };

// A request is shown this long after it was made, so that a request made inside a dialogue
// step returns before the window opens.
constexpr int MessageShowDelayMs = 100;
// The countdown's tick.
constexpr int MessageCountdownIntervalMs = 100;

// The message window draws its texts in the program's font held to the sizes at which its text
// area can be read: not below the smallest readable size of the Hud look, nor above the
// largest of the program's font track (four lines of the area at once). A font size the
// settings file or the font dialog gives beyond these (6 or 72) would leave a report unread.
constexpr float MinMessageFontSize = 11;
constexpr float MaxMessageFontSize = 20;
float MessageFontSize(float ProgramFontSize);

// What a message shows.
struct TMessageContent {
  std::string Text;
  std::vector<int> Buttons;   // button codes, left to right (one to three)
  std::int32_t CountdownMs = 0;  // 0: no countdown
};

// The text, buttons and countdown of a kind in the current language (the language store
// loaded for a language other than English); Text is the request's own text (kind 13). No
// content for kind 0 and kinds above 15: such a window closes at once.
std::optional<TMessageContent> ComposeMessage(std::uint8_t Kind, const std::string& Text);
// A button's caption ("OK" for OK, the language texts for the others).
std::string MessageButtonCaption(int Code);
// Whether a button press closes the window of this kind (1, 3, 5 and 9..15).
bool MessageButtonCloses(std::uint8_t Kind);
// The countdown label: the "URL_Msg_Loader_Close" text, the seconds left with one decimal
// and the "Dim_Sec_Long" text, separated by blanks.
std::string MessageCountdownText(std::int32_t RemainingMs);

// The English texts of the message window's keys that no other table has (its title, the
// countdown label, the Yes, No, Cancel and Setting captions): sets Text when the key being
// looked up (ecu::Texts.CurrentLngKey) is one of them.
void MessageEnglishText(std::string& Text);

struct TMessageRequest {
  std::uint8_t Kind = 0;
  std::string Text;
};

// What the windows hold of the requests.
struct TMessageState {
  // The request shown or about to be shown.
  std::uint8_t MessageKind = 0;
  std::string MessageText;
  std::uint8_t MessageWindowShown = 0;
  // A request is waiting for its deferred show.
  bool ShowPending = false;
  // Requests made while one was pending or shown, in order: each is shown after the one
  // before it has closed, so that a later request never changes what closing the shown
  // window does.
  std::deque<TMessageRequest> Waiting;
  // The countdown of the shown message.
  std::int32_t CountdownMs = 0;
  std::int32_t CountdownTicks = 0;
  std::uint8_t WaitWindowShown = 0;
  // The message shown is the program's last: its close ends the program.
  bool EndsProgram = false;

  // Everything back to its state at program start.
  void Reset() { *this = TMessageState(); }
};

// A request of the ECU link. Dropped (false) before the main window has shown. While another
// is pending or shown it waits its turn (false). Otherwise it becomes the current request and
// the caller starts the deferred show (true).
bool RequestMessage(std::uint8_t Kind, const std::string& Text);
// The message window shows this request, or holds it to show next (pending or waiting).
bool MessageHeld(std::uint8_t Kind, const std::string& Text);
// The deferred show is due: the current request is being shown.
void BeginMessageShow();
// Starts the shown message's countdown (ticks = the time divided by the tick).
void StartMessageCountdown(std::int32_t Milliseconds);
// One tick of the countdown: while ticks remain, the time drops by a tick and Label takes
// the countdown text (true); when none remains the window is to close (false).
bool MessageCountdownTick(std::string& Label);
// A button was pressed: the countdown stops.
void StopMessageCountdown();

// The program's last message (what went wrong while the main window closed, which has already
// closed): it becomes the request shown now, with its own text (kind 13), whatever waited or
// was pending, and its close ends the program.
void BeginEndingMessage(const std::string& Text);

// What follows the close of the message window.
struct TMessageClosed {
  bool EndProgram = false;  // it showed kind 15 or the program's last message: the program ends
  bool ShowNext = false;    // a waiting request became current: start the deferred show
};
TMessageClosed EndMessageShow();

// A request that no longer holds (what it reported has been put right) is withdrawn: taken
// out of the waiting ones; when it is the current request and still pending, the next
// waiting one takes its place, or nothing shows; when it is shown, its window is to close.
struct TMessageWithdrawn {
  bool CloseShown = false;   // the window showing it is to close (as a close by the user)
  bool CancelShow = false;   // it was pending and nothing else waits: the deferred show stops
};
TMessageWithdrawn WithdrawMessage(std::uint8_t Kind, const std::string& Text);

// A window's place on the screen.
struct TWindowRect {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool operator==(const TWindowRect&) const = default;
};
constexpr int WaitWindowSize = 150;
constexpr int WaitWindowShrunkSize = 50;
// The wait window while a write runs: 150 x 150, centred on the main window.
TWindowRect WaitWindowCentred(const TWindowRect& Main);
// The shrunk wait window: 50 x 50 at the main window's top-right corner (left + width - 57,
// top + 27).
TWindowRect WaitWindowShrunk(const TWindowRect& Main);
// A secondary window opens at the main window's left and top + 22 with its own size.
TWindowRect SecondaryWindowPlace(const TWindowRect& Main, int Width, int Height);

}  // namespace app
