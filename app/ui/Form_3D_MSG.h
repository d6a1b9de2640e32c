// The message window TForm_3D_MSG: one message of the ECU link at a time (kinds 12, 13 and
// 15 are raised; the others are defined), with a text composed in the current language, up
// to three buttons and, for some kinds, a countdown after which it closes by itself. A
// request is shown 100 ms after it was made, and only once the main window has shown; a
// request made while one is pending or shown waits for its turn (app/core/Msg_3D_Unit.h).
// After kind 15 the main window closes, which ends the program. A message stays above the
// program's other windows, also those shown after it, until it is answered.
//
// TForm_3D_Wait, the wait window, is the busy indicator shown while a write task runs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/core/Msg_3D_Unit.h"
#include "app/ui/Window_3D.h"
#include "app/ui/forms/Form_3D_MSG.h"
#include "app/ui/forms/Form_3D_Wait.h"

namespace rtl {
class TTimer;
}

namespace vg {
class TvxAniIndicator;
class TvxHudButton;
class TvxHudLabel;
class TvxScrollBox;
}  // namespace vg

namespace app {

// What the message window shows of a text: all of it, or, beyond what wrapped text is laid
// out to (the drawing's limit), its start and an ellipsis.
std::u16string MessageShownText(const std::u16string& Text);

class TForm_3D_MSG : public TWindow_3D {
  RTL_CLASS(TForm_3D_MSG, TWindow_3D)
public:
  // Reads the window's text and binds its parts; hidden until a request shows.
  static std::unique_ptr<TForm_3D_MSG> Create();
  ~TForm_3D_MSG() override;

  // A request of the ECU link (ShowMessageWindow).
  void Request(std::uint8_t Kind, const std::string& Text);
  // The program's last message, shown at once with its fonts (the main window has closed, so
  // no queued action runs any more); its close ends the program.
  void ShowAtEnd(const std::string& Text);
  // A request that no longer holds goes: from those waiting, from the pending show, or, shown,
  // the window closes (and the next waiting request follows).
  void Withdraw(std::uint8_t Kind, const std::string& Text);

  const TMsgParts& Parts() const { return parts_; }
  // The label and buttons of the showing (nil / empty while hidden).
  vg::TvxHudLabel* MessageLabel() const { return label_; }
  // The scroll box the message label stands in (nil while hidden).
  vg::TvxScrollBox* MessageTextBox() const { return textBox_; }
  vg::TvxHudLabel* CountdownLabel() const { return countdown_; }
  const std::vector<vg::TvxHudButton*>& Buttons() const { return buttons_; }
  // Until it is answered the message stays above the program's other windows: it stays on top
  // (its text says so), and a window shown or brought to the front after it puts it back above.
  bool StaysAboveOthers() const override { return Showing(); }

  // Published handlers.
  void FormShow(rtl::TObject* Sender);
  void FormClose(rtl::TObject* Sender, win::TCloseAction& Action);
  void ButtonClick(rtl::TObject* Sender);

protected:
  explicit TForm_3D_MSG(rtl::TComponent* AOwner);

private:
  void Timer_3D_MSG_runTimer(rtl::TObject* Sender);
  void Timer_3D_MSGTimer(rtl::TObject* Sender);
  // Builds the label and buttons of the current request; false for a kind with no content.
  bool Build();
  void FreeShowing();
  void CopyMainFill();
  // The label as wide as the text's area and as high as its wrapped text in the label's font
  // (at least the area): a longer text scrolls, with the bar beside it.
  void FitMessageText();
  // The program's font on every text, at its size held to what the window can show to be read
  // (MessageFontSize), then the text fitted.
  void FontsApplied() override;

  TMsgParts parts_;
  rtl::TTimer* timerCountdown_ = nullptr;  // Timer_3D_MSG
  rtl::TTimer* timerRun_ = nullptr;        // Timer_3D_MSG_run
  vg::TvxScrollBox* textBox_ = nullptr;
  vg::TvxHudLabel* label_ = nullptr;
  vg::TvxHudLabel* countdown_ = nullptr;
  std::vector<vg::TvxHudButton*> buttons_;
};

class TForm_3D_Wait : public TWindow_3D {
  RTL_CLASS(TForm_3D_Wait, TWindow_3D)
public:
  static std::unique_ptr<TForm_3D_Wait> Create();
  ~TForm_3D_Wait() override;

  // 150 x 150 centred on the main window (Main), shown unless it shows already.
  void ShowCentred(const TWindowRect& Main);
  // 50 x 50 at the main window's top-right corner.
  void Shrink(const TWindowRect& Main);

  const TWaitParts& Parts() const { return parts_; }
  vg::TvxAniIndicator* Indicator() const { return parts_.AniIndicator_3D_Wait; }
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

  void FormShow(rtl::TObject* Sender);
  void FormClose(rtl::TObject* Sender, win::TCloseAction& Action);

protected:
  explicit TForm_3D_Wait(rtl::TComponent* AOwner);

private:
  TWaitParts parts_;
};

}  // namespace app
