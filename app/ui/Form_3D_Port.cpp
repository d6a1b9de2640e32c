#include "app/ui/Form_3D_Port.h"

#include <cmath>
#include <utility>

#include "app/core/Colors_3D_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Port_View.h"
#include "app/ui/Form_3D_Skin.h"
#include "app/ui/Main_3D_Unit.h"
#include "app/ui/Text_Fit.h"
#include "app/ui/Window_Host.h"
#include "app/ui/Window_Parts.h"
#include "vg2d/controls/Indicators.h"
#include "vg2d/controls/Memo.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/WindowFrames.h"

namespace app {

namespace {

// What the link's side holds of a control: shown or not, and its text and colour.
void ShowLabel(vg::TvxHudLabel* Label, const TPortControlView& State, const std::u16string& Text) {
  Label->SetVisible(State.Visible);
  if (Label->Text() != Text) Label->SetText(Text);
  if (!State.Color.empty() && Label->FontFill()->GetColor() != State.Color) {
    // The style's own text colour must not come back over it later.
    Label->ApplyResource();
    Label->FontFill()->SetColor(State.Color);
  }
}

void ShowLabel(vg::TvxHudLabel* Label, const TPortControlView& State) { ShowLabel(Label, State, State.Text); }

// The place the compact layout gives a control (none before the first compact layout).
void Place(vg::TvxVisualObject* Object, const TPortControlView& State) {
  if (!(State.Width > 0 && State.Height > 0)) return;
  if (Object->Position()->X() != State.Left || Object->Position()->Y() != State.Top)
    Object->Position()->SetPoint({State.Left, State.Top});
  if (Object->Width() != State.Width) Object->SetWidth(State.Width);
  if (Object->Height() != State.Height) Object->SetHeight(State.Height);
}

}  // namespace

rtl::TClass TForm_3D_PortView::StaticClass() {
  static const rtl::TClassInfo info = FormHandlers(rtl::DefineClass<TForm_3D_PortView>()).Build();
  return &info;
}

TForm_3D_PortView::TForm_3D_PortView(rtl::TComponent* AOwner) : TWindow_3D(AOwner) {}

TForm_3D_PortView::~TForm_3D_PortView() = default;

void TForm_3D_PortView::BeforeDestruction() {
  // The port closes while the window it reports to is still whole.
  if (link_) FreePortLink(std::exchange(link_, nullptr));
  inherited::BeforeDestruction();
}

std::unique_ptr<TForm_3D_PortView> TForm_3D_PortView::Create() {
  auto form = std::unique_ptr<TForm_3D_PortView>(new TForm_3D_PortView(nullptr));
  form->ReadWindowText("FORM_3D_PORT");
  BindFormParts(TPartBinder(form.get(), form->WindowName()), form->parts_);
  const TPortParts& p = form->parts_;
  // The compact layout divides the panel as the text gives it.
  form->link_ = MakePortLink(form.get(), p.HudPanel_3D_Port->Width(), p.HudPanel_3D_Port->Height());
  return form;
}

win::TCustomForm* TForm_3D_PortView::PopupParent() const { return TWindowHost::Main(); }

void TForm_3D_PortView::ShowSearch() {
  if (Showing()) return;
  if (TForm_3D_GEN* main = TWindowHost::Main())
    SetBounds(main->Left() + (main->Width() - Width()) / 2, main->Top() + (main->Height() - Height()) / 2, Width(),
              Height());
  Show();
}

void TForm_3D_PortView::CloseSearch() {
  if (closing_ || !Showing()) return;
  Close();
}

void TForm_3D_PortView::FormShow(rtl::TObject*) {
  FillToBrush(Model().Colors.MainWindowFill, parts_.HudWindow_3D_Port->Fill());
  QueueAction(Action_ApplyFonts, 100);
  ShowState();
}

void TForm_3D_PortView::FormClose(rtl::TObject*, win::TCloseAction&) {
  if (!link_ || closing_) return;
  closing_ = true;
  try {
    ClosePortLink(*link_);
  } catch (...) {
    closing_ = false;
    throw;
  }
  closing_ = false;
}

void TForm_3D_PortView::LookUpTexts() {
  if (link_) ActivatePortLink(*link_);
}

void TForm_3D_PortView::ShowState() {
  if (!link_) return;
  const TPortWindowView s = PortWindowView(*link_);
  const TPortParts& p = parts_;
  const std::u16string& caption = s.HudWindow_3D_Port.Text;
  if (!caption.empty() && p.HudWindow_3D_Port->Text() != caption) {
    p.HudWindow_3D_Port->SetText(caption);
    SetCaption(s.Caption);
  }
  // The compact layout: the search text beside the busy indicator.
  ShowLabel(p.HudLabel_3D_Port_Search, s.HudLabel_3D_Port_Search);
  Place(p.HudLabel_3D_Port_Search, s.HudLabel_3D_Port_Search);
  p.AniIndicator_3D_Port->SetVisible(s.AniIndicator_3D_Port.Visible);
  Place(p.AniIndicator_3D_Port, s.AniIndicator_3D_Port);
  if (p.AniIndicator_3D_Port->Enabled() != s.AniIndicator_3D_Port.Enabled)
    p.AniIndicator_3D_Port->SetEnabled(s.AniIndicator_3D_Port.Enabled);
  // The full one: the ports, how many, the entry being tried and the progress.
  p.HudPanel_3D_Port_Num->SetVisible(s.HudPanel_3D_Port_Num.Visible);
  p.HudPanel_3D_Port_Name->SetVisible(s.HudPanel_3D_Port_Name.Visible);
  ShowLabel(p.HudLabel_3D_Port_Num, s.HudLabel_3D_Port_Num);
  ShowLabel(p.HudLabel_3D_Port_Num_Data, s.HudLabel_3D_Port_Num_Data);
  ShowLabel(p.HudLabel_3D_Port_Name, s.HudLabel_3D_Port_Name);
  ShowLabel(p.HudLabel_3D_Port_Number, s.HudLabel_3D_Port_Number);
  ShowLabel(p.HudLabel_3D_Port_Name_Data, s.HudLabel_3D_Port_Name_Data,
            FitLabelText(p.HudLabel_3D_Port_Name_Data, s.HudLabel_3D_Port_Name_Data.Text));
  vg::TvxHudMemo* memo = p.HudMemo_3D_Port;
  memo->SetVisible(s.HudMemo_3D_Port.Visible);
  bool same = memo->Lines()->Count() == static_cast<int>(s.HudMemo_3D_Port.Lines.size());
  for (int i = 0; same && i < memo->Lines()->Count(); ++i)
    same = memo->Lines()->Get(i) == s.HudMemo_3D_Port.Lines[static_cast<std::size_t>(i)];
  if (!same) {
    std::u16string text;
    for (std::size_t i = 0; i < s.HudMemo_3D_Port.Lines.size(); ++i)
      text += (i > 0 ? u"\r\n" : u"") + s.HudMemo_3D_Port.Lines[i];
    memo->SetText(text);
  }
  vg::TvxProgressBar* progress = p.ProgressBar_3D_Port;
  progress->SetVisible(s.ProgressBar_3D_Port.Visible);
  const auto max = static_cast<float>(s.ProgressBar_3D_Port.Max), value = static_cast<float>(s.ProgressBar_3D_Port.Value);
  if (progress->Max() != max) {
    progress->SetMax(max);
    progress->Realign();  // the bar follows a new range at its next layout
  }
  if (progress->Value() != value) progress->SetValue(value);
}

}  // namespace app
