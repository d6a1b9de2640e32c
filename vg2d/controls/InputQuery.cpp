#include "vg2d/controls/InputQuery.h"

#include <memory>

#include "platform/rtl/CodePage.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/FormContent.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/SceneControl.h"

namespace vg {

namespace {

constexpr const char* What = "input box";

}  // namespace

rtl::TClass TvxInputQueryForm::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxInputQueryForm>().Build();
  return &info;
}

TvxInputQueryForm::TvxInputQueryForm(rtl::TComponent* AOwner) : win::TForm(AOwner) {
  SetBorderStyle(win::bsNone);
  SetBounds(200, 150, 360, 136);
  TvxVisualObject* root = LoadFormContent(this, ContentResourceName, true, scene_);
  window_ = dynamic_cast<TvxHudWindow*>(root);
  if (!window_) throw rtl::EReadError("The input box's content is no Hud window");
  prompt_ = NeedPart<TvxLabel>(root, "prompt", What);
  edit_ = NeedPart<TvxTextBox>(root, "value", What);
  ok_ = NeedPart<TvxButton>(root, "btnOk", What);
  cancel_ = NeedPart<TvxButton>(root, "btnCancel", What);
}

void TvxInputQueryForm::Prepare(const std::u16string& Caption, const std::u16string& Prompt,
                                const std::u16string& Value) {
  SetCaption(rtl::WideToUtf8(Caption));
  window_->SetText(Caption);
  prompt_->SetText(Prompt);
  edit_->SetText(Value);
  edit_->SelectAll();
  scene_->SetActiveControl(edit_);
}

bool InputQuery(const std::u16string& Caption, const std::u16string& Prompt, std::u16string& Value) {
  auto form = std::make_unique<TvxInputQueryForm>(nullptr);
  form->Prepare(Caption, Prompt, Value);
  PlaceOverActiveForm(form.get());
  if (form->ShowModal() != win::mrOk) return false;
  Value = form->Edit()->Text();
  return true;
}

std::u16string InputBox(const std::u16string& Caption, const std::u16string& Prompt, const std::u16string& Default) {
  std::u16string value = Default;
  InputQuery(Caption, Prompt, value);
  return value;
}

}  // namespace vg
