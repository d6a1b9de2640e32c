#include "vg2d/controls/TabOrderEditor.h"

#include <algorithm>
#include <memory>

#include "platform/rtl/CodePage.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/FormContent.h"
#include "vg2d/controls/ListBox.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Controls.h"
#include "vg2d/core/SceneControl.h"

namespace vg {

rtl::TClass TvxTabOrderForm::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxTabOrderForm>().Build();
  return &info;
}

TvxTabOrderForm::TvxTabOrderForm(rtl::TComponent* AOwner) : win::TForm(AOwner) {
  SetBorderStyle(win::bsNone);
  SetCaption("TabOrder Editor");
  SetBounds(200, 150, 400, 300);
  SetPosition(win::poScreenCenter);
  scene_ = new TvxScene(this);
  scene_->SetParent(this);
  scene_->SetAlign(win::alClient);
  scene_->SetTransparency(true);
  window_ = new TvxHudWindow(this);
  window_->SetShowSizeGrip(false);
  window_->SetText(u"TabOrder Editor");
  scene_->AddObject(window_);
  auto button = [this](const char16_t* Text, float Y) {
    auto* b = new TvxHudButton(this);
    window_->AddObject(b);
    b->SetBounds(static_cast<float>(Width()) - 70, Y, 50, 26);
    b->SetText(Text);
    return b;
  };
  up_ = button(u"Up", 50);
  down_ = button(u"Down", 90);
  list_ = new TvxHudListBox(this);
  window_->AddObject(list_);
  list_->SetAlign(vaClient);
  list_->Padding()->SetRect(MakeRect(26, 45, 86, 33));
  list_->SetHideSelectionUnfocused(false);
  list_->SetItemHeight(20);
  up_->OnClick = [this](rtl::TObject*) { MoveChosen(-1); };
  down_->OnClick = [this](rtl::TObject*) { MoveChosen(1); };
}

void TvxTabOrderForm::Prepare(TvxVisualObject* Control) {
  parent_ = Control && Control->Parent() ? Control->Parent()->Visual() : nullptr;
  Fill();
  const auto at = std::find(controls_.begin(), controls_.end(), Control);
  if (at != controls_.end()) list_->SetItemIndex(static_cast<int>(at - controls_.begin()));
}

TvxVisualObject* TvxTabOrderForm::ControlAt(int Index) const {
  return Index >= 0 && Index < static_cast<int>(controls_.size()) ? controls_[static_cast<size_t>(Index)] : nullptr;
}

void TvxTabOrderForm::Fill() {
  TvxVisualObject* chosen = ControlAt(list_->ItemIndex());
  list_->BeginUpdate();
  list_->Clear();
  controls_.clear();
  std::vector<TvxVisualObject*> all;
  if (parent_) parent_->GetTabOrderList(all, false);
  // Every control there, whether or not it takes the focus now; not the parent's look.
  const auto* parentControl = dynamic_cast<TvxControl*>(parent_);
  for (TvxVisualObject* c : all)
    if (dynamic_cast<TvxControl*>(c) && !(parentControl && c == parentControl->Style())) controls_.push_back(c);
  for (TvxVisualObject* c : controls_) {
    auto* item = new TvxListBoxItem(list_->Owner());
    item->SetText(rtl::Utf8ToWide(c->Name().empty() ? c->ClassName() : c->Name()));
    list_->AddObject(item);
  }
  list_->EndUpdate();
  const auto at = std::find(controls_.begin(), controls_.end(), chosen);
  list_->SetItemIndex(at != controls_.end() ? static_cast<int>(at - controls_.begin()) : (controls_.empty() ? -1 : 0));
}

void TvxTabOrderForm::MoveChosen(int Step) {
  const int i = list_->ItemIndex();
  TvxVisualObject* chosen = ControlAt(i);
  // The chosen control takes its neighbour's place in the list (a step of one in the tab
  // order where nothing unlisted lies between them); the first stays first, the last last.
  TvxVisualObject* neighbour = ControlAt(i + Step);
  if (!chosen || !neighbour) return;
  chosen->SetTabOrder(neighbour->GetTabOrder());
  Fill();
}

void EditTabOrderDialog(TvxVisualObject* Control) {
  auto form = std::make_unique<TvxTabOrderForm>(nullptr);
  form->Prepare(Control);
  form->ShowModal();
}

}  // namespace vg
