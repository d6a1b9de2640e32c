// The port window: owns the serial port component ComPort and the link's timers, handles the
// port's events (after open, after close, received characters) and its failures, opens the
// configured port, and runs the automatic port search. The window stays hidden except while
// the search runs; then it lists the machine's ports and shows the entry being tried and the
// progress. Its controls are kept here as plain state; the application draws them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ecu/Host.h"
#include "platform/loop/Timer.h"
#include "platform/rtl/Component.h"

namespace cport {
class TComPort;
}

namespace ecu {

// What the port window shows of one of its controls. Lines: the memo's lines; Max and Value:
// the progress bar; Left .. Height: the place within HudPanel_3D_Port (compact layout).
struct TPortControl {
  bool Visible = true;
  bool Enabled = true;
  std::string Text;
  std::string Color;
  std::vector<std::string> Lines;
  std::int32_t Max = 100;
  std::int32_t Value = 0;
  float Left = 0, Top = 0, Width = 0, Height = 0;
};

// The colour of the search label's texts.
inline constexpr const char* SearchTextColor = "#FF00FF00";

class TForm_3D_Port : public rtl::TComponent {
  RTL_CLASS(TForm_3D_Port, rtl::TComponent)
public:
  // Sets Form_3D_Port and installs the window's port as the link's (Hosts.Port); the
  // destructor undoes both.
  explicit TForm_3D_Port(rtl::TComponent* AOwner);
  // Closes the port while the form is still whole, before its components are freed.
  void BeforeDestruction() override;
  ~TForm_3D_Port() override;

  // Owned by the form. 9600 baud, 8 data bits, no parity, one stop bit, no flow control, read interval 500 ms.
  cport::TComPort* ComPort;
  rtl::TTimer* Timer_Select_ComPort;  // 100 ms, off: the search's pace
  rtl::TTimer* Timer_Connect;         // 5000 ms, off: the step time-out
  rtl::TTimer* Timer_Sending;         // off: the send tick

  TPortControl HudWindow_3D_Port;          // the window's caption
  TPortControl HudPanel_3D_Port;           // Width and Height place the compact layout
  TPortControl HudMemo_3D_Port;            // the ports listed, read-only
  TPortControl HudLabel_3D_Port_Name;      // "Name"
  TPortControl HudLabel_3D_Port_Number;    // number of the entry being tried
  TPortControl ProgressBar_3D_Port;
  TPortControl HudLabel_3D_Port_Search;    // "Search_Port" / "Finds_Port"
  TPortControl AniIndicator_3D_Port;       // disabled at start
  TPortControl HudLabel_3D_Port_Num;       // "Quantity"
  TPortControl HudPanel_3D_Port_Num;
  TPortControl HudPanel_3D_Port_Name;
  TPortControl HudLabel_3D_Port_Num_Data;  // number of ports listed
  TPortControl HudLabel_3D_Port_Name_Data; // name of the entry being tried

  // The window is shown (FormShow, then FormActivate) or closed (FormClose).
  void Show();
  void Close();
  bool Visible() const { return visible_; }

  void FormShow();
  void FormActivate();
  void Timer_Select_ComPortTimer();
  void ComPortAfterOpen(rtl::TObject* Sender);
  void ComPortAfterClose(rtl::TObject* Sender);
  // Received characters. The GUI thread never waits for bytes: each call takes only what
  // is in the port's input queue now (Count is not used), appends it to the reply being
  // received in Link.RxFrame and returns. The reply is judged as one read of Link.RxExpectedLength
  // bytes with the port's read time-outs would have judged it:
  // - the expected length reached: checked after the quiet time below;
  // - more bytes than expected: refused and the queues purged;
  // - the missing bytes not there in time (the read interval after the last byte, 500 ms
  //   here, and the read's total time-out when one is set; ReplyGiveUpAt): refused as a
  //   short reply. This time-out is a timer on the application clock.
  // Until the reply is judged, the send tick and the step time-out wait for it, as they
  // waited behind the blocking read (a short reply is refused before the resend goes).
  // The reply's times are those at which the port saw its bytes come (InputIdleTime), not
  // when this handler ran.
  void ComPortRxChar(rtl::TObject* Sender, int Count);
  // Bytes of the reply received so far and not yet judged.
  int ReplyBytesRead() const { return rxCount_; }

  // A reply of the expected length is checked only once the line has stayed quiet for three
  // byte times after its last byte: bytes that still follow make it longer than asked for,
  // and it is refused. The quiet time is a timer on the application clock (tests drive it
  // with the test clock) and it runs inside the reply delay: the next request goes the reply
  // delay after the reply's last byte. True while the quiet time runs.
  bool ReplyQuietRunning() const { return quietTimer_ != 0; }
  // Three byte times at the port's baud rate (1200 baud at the least), rounded up to whole
  // milliseconds (4 ms at 9600 baud): the send timer counts the reply delay in whole
  // milliseconds from the check, which so falls a whole number of them after the reply's
  // last byte, and the request goes the reply delay after that byte, not up to one later.
  double ReplyQuietMs() const;

private:
  // When a reply still short of its Target bytes, whose first bytes were read at Start and
  // whose last at Last, is given up, on the application clock: as the port's read
  // time-outs end one read of Target bytes begun at Start. +infinity when they set no
  // limit (the reply waits for its bytes); Start when they say "return at once with what
  // is there".
  double ReplyGiveUpAt(double Start, double Last, int Target) const;
  void StopReceiving();
  void ReceiveTimeoutTick();
  void StartReplyQuiet(int Count, double End);
  void StopReplyQuiet();
  void ReplyQuietTick();
  // Checks the Count bytes read into the reply buffer, whose last byte came at End, then
  // empties the port's buffers (unless the handlers closed or changed the port).
  void CheckReply(int Count, double End, std::uint64_t Changes);
  // The send tick and the step time-out wait for a reply being received or in its quiet
  // time; they run after its check only when it was not taken (a taken reply restarts both
  // timers).
  void LinkTimerTick(bool& Deferred, void (*Handler)());
  void RunDeferredTicks(bool ReplyTaken);

  bool visible_ = false;
  // Counts the port's openings and closings: a handler that finds it changed knows that the
  // port it was called for is gone.
  std::uint64_t portChanges_ = 0;
  // The reply being received: rxCount_ of rxTarget_ bytes (Link.RxExpectedLength when its first
  // byte came) are in Link.RxFrame, the first read at rxStart_, the last at rxLast_; receiveTimer_
  // gives it up when the rest does not come in time.
  int rxCount_ = 0;
  int rxTarget_ = 0;
  double rxStart_ = 0;
  double rxLast_ = 0;
  rtl::TApplication::TTimerId receiveTimer_ = 0;
  rtl::TApplication::TTimerId quietTimer_ = 0;
  int quietCount_ = 0;        // bytes of the reply waiting for the quiet time
  double quietEnd_ = 0;       // when its last byte was read
  std::uint64_t quietChanges_ = 0;
  bool sendDeferred_ = false;
  bool timeoutDeferred_ = false;

  // What the link sees of the window: the serial port, the link's timers and the search.
  class TPort : public TLinkPort {
  public:
    explicit TPort(TForm_3D_Port& Form) : form_(Form) {}
    bool Connected() const override;
    void Write(const std::uint8_t* Data, int Count, int ReplyLength) override;
    std::int32_t ReadInterval() const override;
    rtl::TTimer& SendTimer() override { return *form_.Timer_Sending; }
    rtl::TTimer& StepTimer() override { return *form_.Timer_Connect; }
    bool OpenConfigured() override;
    void SearchStep() override;
    void SearchNext() override;
    void Failed() override;
    void Closed() override;
    void SearchFound() override { form_.Close(); }

  private:
    TForm_3D_Port& form_;
  };
  TPort port_{*this};
  std::unique_ptr<THostScope<TLinkPort>> portScope_;
};

extern TForm_3D_Port* Form_3D_Port;

// The state of the automatic port search.
struct TPortSearchState {
  std::int32_t PortCount = 0;  // search entries: the ports listed, or (ports - 1) x 2 with a new port
  std::int32_t PortIndex = 0;  // entry being tried, -1 before the first; the previous count while the list is read
  std::vector<std::string> PortNames;  // the search entries in order
  std::uint8_t NewPortFound = 0;       // the last list read found a new port
  // Port_Name as loaded from the settings or last chosen by hand (written by the application).
  std::string StartPortName;

  // Everything back to its state at program start.
  void Reset() { *this = TPortSearchState(); }
  bool operator==(const TPortSearchState&) const = default;
};
extern TPortSearchState PortSearch;

// Opens the configured port when the machine lists it; true when it is then open. A port that
// is not listed, or that cannot be opened, starts the search when Search_Port is on.
bool OpenConfiguredPort();
// Whether the machine's port list holds Port_Name.
bool IsPortListed();
// Reads the port list into the memo: PortSearch.PortCount ports; the text names every port followed by
// ",", new ports first (the last new one also becomes Port_Name).
std::string Port_List_Read();
// A port that has appeared since the last list read (on the first read: the start port).
bool Is_New_Port(const std::string& Name);
// One step of the search: read the list, build the entries, show the window; go on to the
// first entry, or wait on Timer_Select_ComPort.
void Port_Search_Step();
// Opens the next entry that can be opened (its after-open event starts the handshake); after
// the last one the search starts again a second later.
void Port_Search_Next();
void Port_Window_Layout(bool Compact);
// The port-closed and port-error paths.
void Port_Closed();
void Port_Closed_Reset();
void Port_Error();

}  // namespace ecu
