#include "app/ui/Form_3D_MSG.h"

#include <algorithm>
#include <cmath>

#include "app/core/Colors_3D_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "app/core/Window_Texts.h"
#include "app/ui/Font_Unit.h"
#include "app/ui/Form_3D_Skin.h"
#include "app/ui/Main_3D_Unit.h"
#include "app/ui/Window_Host.h"
#include "app/ui/Window_Parts.h"
#include "platform/loop/Timer.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/Indicators.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/controls/ScrollBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/CanvasGdiPlus.h"

namespace app {

namespace {

// The width of the message text's scroll bar (the scroll box's style).
constexpr float MessageScrollBarWidth = 16;
constexpr float ButtonWidth = 96;
constexpr float ButtonHeight = 28;
constexpr float ButtonGap = 12;

TWindowRect MainRect() {
  TForm_3D_GEN* main = TWindowHost::Main();
  if (!main) return {};
  return {main->Left(), main->Top(), main->Width(), main->Height()};
}

// Runs F with the language store loaded for a language other than English.
template <class F>
void WithLanguage(F&& Body) {
  const TLanguageFileScope file(TLanguageFileScope::Always);
  Body();
}

}  // namespace

std::u16string MessageShownText(const std::u16string& Text) {
  // Wrapped text is laid out only so far: a longer one is cut there, and says so.
  constexpr std::size_t limit = vg::TvxCanvasGdiPlus::MaxWrappedText;
  if (Text.size() <= limit) return Text;
  std::size_t end = limit - 1;
  if (end > 0 && Text[end] >= 0xDC00 && Text[end] <= 0xDFFF) --end;  // not half a pair
  return Text.substr(0, end) + u"\u2026";
}

// ---- TForm_3D_MSG ---------------------------------------------------------------------------------

rtl::TClass TForm_3D_MSG::StaticClass() {
  using F = TForm_3D_MSG;
  // The buttons are made in code; their handler is published as well.
  static const rtl::TClassInfo info =
      FormHandlers(rtl::DefineClass<F>()).Method("ButtonClick", &F::ButtonClick).Build();
  return &info;
}

TForm_3D_MSG::TForm_3D_MSG(rtl::TComponent* AOwner) : TWindow_3D(AOwner) {
  auto make = [this](void (TForm_3D_MSG::*Tick)(rtl::TObject*)) {
    auto* t = new rtl::TTimer(this);
    t->SetEnabled(false);
    t->SetInterval(MessageCountdownIntervalMs);
    t->SetOnTimer(rtl::TNotifyEvent(this, Tick));
    return t;
  };
  timerCountdown_ = make(&TForm_3D_MSG::Timer_3D_MSGTimer);
  timerRun_ = make(&TForm_3D_MSG::Timer_3D_MSG_runTimer);
  timerRun_->SetInterval(MessageShowDelayMs);
}

TForm_3D_MSG::~TForm_3D_MSG() = default;

std::unique_ptr<TForm_3D_MSG> TForm_3D_MSG::Create() {
  auto form = std::unique_ptr<TForm_3D_MSG>(new TForm_3D_MSG(nullptr));
  form->ReadWindowText("FORM_3D_MSG");
  BindFormParts(TPartBinder(form.get(), form->WindowName()), form->parts_);
  return form;
}

void TForm_3D_MSG::Request(std::uint8_t Kind, const std::string& Text) {
  if (RequestMessage(Kind, Text)) timerRun_->SetEnabled(true);
}

void TForm_3D_MSG::ShowAtEnd(const std::string& Text) {
  timerRun_->SetEnabled(false);
  if (Showing()) Close();
  BeginEndingMessage(Text);
  Show();
  FontsApplied();
}

void TForm_3D_MSG::Withdraw(std::uint8_t Kind, const std::string& Text) {
  const TMessageWithdrawn w = WithdrawMessage(Kind, Text);
  if (w.CancelShow) timerRun_->SetEnabled(false);
  if (w.CloseShown) Close();
}

void TForm_3D_MSG::Timer_3D_MSG_runTimer(rtl::TObject*) {
  timerRun_->SetEnabled(false);
  // The main window may have closed meanwhile: then nothing shows.
  if (!Model().Actions.MainWindowShown) {
    Model().Messages.ShowPending = false;
    Model().Messages.Waiting.clear();
    return;
  }
  Show();
}

void TForm_3D_MSG::CopyMainFill() { FillToBrush(Model().Colors.MainWindowFill, parts_.HudWindow_3D_MSG->Fill()); }

void TForm_3D_MSG::FormShow(rtl::TObject*) {
  BeginMessageShow();
  CopyMainFill();
  // In the middle of the main window.
  const TWindowRect main = MainRect();
  if (main.Width > 0) SetBounds(main.Left + (main.Width - Width()) / 2, main.Top + (main.Height - Height()) / 2, Width(), Height());
  bool built = false;
  WithLanguage([&] {
    SetCaption(KeyText("Message"));
    parts_.HudWindow_3D_MSG->SetText(ShownKeyText("Window_3D_MSG"));
    built = Build();
  });
  if (!built) {
    // No content: the window closes at the countdown's first tick.
    Model().Messages.CountdownTicks = 0;
    timerCountdown_->SetEnabled(true);
    return;
  }
  QueueAction(Action_ApplyFonts, 100);
}

bool TForm_3D_MSG::Build() {
  FreeShowing();
  const std::optional<TMessageContent> content =
      ComposeMessage(Model().Messages.MessageKind, Model().Messages.MessageText);
  if (!content) return false;
  vg::TvxHudPanel* txt = parts_.HudPanel_3d_MSG_Txt;
  // The text stays inside its area: a text taller than the area scrolls in it (the label grows
  // to the text's height inside a scroll box, see FitMessageText).
  textBox_ = new vg::TvxScrollBox(this);
  textBox_->SetName("ScrollBox_3D_MSG_Text");
  textBox_->SetParent(txt);
  textBox_->Position()->SetPoint({8, 8});
  textBox_->SetWidth(txt->Width() - 16 - (content->CountdownMs > 0 ? 36 : 0));
  textBox_->SetHeight(txt->Height() - 16 - (content->CountdownMs > 0 ? 22 : 0));
  textBox_->SetAutoHide(true);
  textBox_->ApplyResource();
  for (vg::TvxScrollBar* bar : {textBox_->VScrollBar(), textBox_->HScrollBar()})
    if (bar) bar->SetResource("hudscrollbarstyle");
  label_ = new vg::TvxHudLabel(this);
  label_->SetName("HudLabel_3D_MSG_Text");
  label_->SetParent(textBox_);
  label_->Position()->SetPoint({0, 0});
  label_->SetWidth(textBox_->Width());
  label_->SetHeight(textBox_->Height());
  label_->SetWordWrap(true);
  label_->SetTextAlign(vg::vgTextAlignCenter);
  // The program's own reports quote what the installer typed whole.
  label_->SetText(MessageShownText(ReportShownText(content->Text)));
  FitMessageText();

  vg::TvxHudPanel* panel = parts_.HudPanel_3D_MSG_Buttons;
  const int n = static_cast<int>(std::min<std::size_t>(content->Buttons.size(), 3));
  float x = (panel->Width() - (n * ButtonWidth + (n - 1) * ButtonGap)) / 2;
  for (int i = 0; i < n; ++i) {
    const int code = content->Buttons[static_cast<std::size_t>(i)];
    auto* b = new vg::TvxHudButton(this);
    b->SetName("HudButton_3D_MSG_" + std::to_string(i + 1));
    b->SetParent(panel);
    b->SetTag(code);
    b->Position()->SetPoint({x, (panel->Height() - ButtonHeight) / 2});
    b->SetWidth(ButtonWidth);
    b->SetHeight(ButtonHeight);
    b->SetText(ShownText(MessageButtonCaption(code)));
    b->OnClick = rtl::TNotifyEvent(this, &TForm_3D_MSG::ButtonClick);
    buttons_.push_back(b);
    x += ButtonWidth + ButtonGap;
  }
  if (content->CountdownMs > 0) {
    countdown_ = new vg::TvxHudLabel(this);
    countdown_->SetName("HudLabel_3D_MSG_Countdown");
    countdown_->SetParent(txt);
    countdown_->Position()->SetPoint({8, txt->Height() - 28});
    countdown_->SetWidth(txt->Width() - 16);
    countdown_->SetHeight(20);
    countdown_->SetWordWrap(false);
    StartMessageCountdown(content->CountdownMs);
    countdown_->SetText(ShownText(MessageCountdownText(Model().Messages.CountdownMs)));
    parts_.AniIndicator_3D_MSG->SetVisible(true);
    parts_.AniIndicator_3D_MSG->SetEnabled(true);
    timerCountdown_->SetEnabled(true);
  }
  return true;
}

void TForm_3D_MSG::FitMessageText() {
  if (!label_ || !textBox_) return;
  const float width = textBox_->Width(), height = textBox_->Height();
  float textHeight = 0;
  auto measure = [&](float Width) {
    vg::TvxCanvas* canvas = label_->GetCanvas();
    if (!canvas || label_->Text().empty()) return 0.0f;
    canvas->Font()->Assign(label_->Font());
    vg::TvxRect r{0, 0, Width, 1e6f};
    canvas->MeasureText(r, r, label_->Text(), true, vg::vgTextAlignNear, vg::vgTextAlignNear);
    return r.Bottom;
  };
  float w = width;
  textHeight = measure(w);
  // Taller than the area: the scroll bar takes its side, the text wraps to the rest and reads
  // from the left, as a report does.
  const bool scrolls = textHeight > height;
  if (scrolls) {
    w = std::max(1.0f, width - MessageScrollBarWidth);
    textHeight = measure(w);
  }
  label_->SetTextAlign(scrolls ? vg::vgTextAlignNear : vg::vgTextAlignCenter);
  label_->SetWidth(w);
  label_->SetHeight(std::max(height, std::ceil(textHeight)));
}

void TForm_3D_MSG::FontsApplied() {
  // The program's font, at a size the text's area can be read in.
  if (Root()) ApplyFontsToTree(Root(), MessageFontSize(Model().Settings.Font_Size));
  FitMessageText();
}

void TForm_3D_MSG::Timer_3D_MSGTimer(rtl::TObject*) {
  std::string text;
  bool goesOn = false;
  WithLanguage([&] { goesOn = MessageCountdownTick(text); });
  if (goesOn) {
    if (countdown_) countdown_->SetText(ShownText(text));
    return;
  }
  timerCountdown_->SetEnabled(false);
  Close();
}

void TForm_3D_MSG::ButtonClick(rtl::TObject*) {
  StopMessageCountdown();
  timerCountdown_->SetEnabled(false);
  parts_.AniIndicator_3D_MSG->SetEnabled(false);
  if (MessageButtonCloses(Model().Messages.MessageKind)) Close();
}

void TForm_3D_MSG::FreeShowing() {
  // Freed by the loop: a button's own click may be what closes the window. Each gives up its
  // name at once, so that a showing built before the loop frees them (the window shown again
  // in the turn it closed) can take the names.
  auto release = [](vg::TvxVisualObject* Part) {
    Part->SetVisible(false);
    Part->SetName("");
    rtl::Application->ReleaseComponent(Part);
  };
  for (vg::TvxHudButton* b : buttons_) release(b);
  buttons_.clear();
  for (vg::TvxHudLabel** l : {&label_, &countdown_})
    if (*l) {
      release(*l);
      *l = nullptr;
    }
  if (textBox_) {
    release(textBox_);
    textBox_ = nullptr;
  }
}

void TForm_3D_MSG::FormClose(rtl::TObject*, win::TCloseAction&) {
  timerCountdown_->SetEnabled(false);
  timerRun_->SetEnabled(false);
  parts_.AniIndicator_3D_MSG->SetEnabled(false);
  parts_.AniIndicator_3D_MSG->SetVisible(false);
  FreeShowing();
  const TMessageClosed closed = EndMessageShow();
  if (closed.EndProgram) {
    if (TForm_3D_GEN* main = TWindowHost::Main()) main->Close();
    return;
  }
  if (closed.ShowNext) timerRun_->SetEnabled(true);
}

// ---- TForm_3D_Wait --------------------------------------------------------------------------------

rtl::TClass TForm_3D_Wait::StaticClass() {
  static const rtl::TClassInfo info = FormHandlers(rtl::DefineClass<TForm_3D_Wait>()).Build();
  return &info;
}

TForm_3D_Wait::TForm_3D_Wait(rtl::TComponent* AOwner) : TWindow_3D(AOwner) {}

TForm_3D_Wait::~TForm_3D_Wait() = default;

std::unique_ptr<TForm_3D_Wait> TForm_3D_Wait::Create() {
  auto form = std::unique_ptr<TForm_3D_Wait>(new TForm_3D_Wait(nullptr));
  // A busy sign: the window the installer types in keeps the keyboard while it shows.
  form->SetNoActivate(true);
  form->ReadWindowText("FORM_3D_WAIT");
  BindFormParts(TPartBinder(form.get(), form->WindowName()), form->parts_);
  return form;
}

void TForm_3D_Wait::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
  // The indicator keeps its margin of 4 of 150 at every size.
  if (parts_.AniIndicator_3D_Wait) {
    const float side = static_cast<float>(std::min(Width(), Height()));
    const float margin = side * 4 / 150;
    parts_.AniIndicator_3D_Wait->Position()->SetPoint({margin, margin});
    parts_.AniIndicator_3D_Wait->SetWidth(side - 2 * margin);
    parts_.AniIndicator_3D_Wait->SetHeight(side - 2 * margin);
  }
}

void TForm_3D_Wait::ShowCentred(const TWindowRect& Main) {
  const TWindowRect r = WaitWindowCentred(Main);
  SetBounds(r.Left, r.Top, r.Width, r.Height);
  if (!Model().Messages.WaitWindowShown) Show();
}

void TForm_3D_Wait::Shrink(const TWindowRect& Main) {
  const TWindowRect r = WaitWindowShrunk(Main);
  SetBounds(r.Left, r.Top, r.Width, r.Height);
}

void TForm_3D_Wait::FormShow(rtl::TObject*) {
  Model().Messages.WaitWindowShown = 1;
  parts_.AniIndicator_3D_Wait->SetEnabled(true);
}

void TForm_3D_Wait::FormClose(rtl::TObject*, win::TCloseAction&) {
  Model().Messages.WaitWindowShown = 0;
  parts_.AniIndicator_3D_Wait->SetEnabled(false);
}

}  // namespace app
