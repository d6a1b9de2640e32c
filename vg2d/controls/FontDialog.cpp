#include "vg2d/controls/FontDialog.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <utility>

#include "platform/gfx2d/Fonts.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "vg2d/controls/BrushDesigner.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ColorControls.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/FormContent.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/SceneControl.h"
#include "vg2d/core/TextShape.h"

namespace vg {

namespace {

constexpr const char* What = "font dialog";

// The number a size box's text holds ("," taken as the decimal point); false for none.
bool SizeOfText(const std::u16string& Text, double& Size) {
  std::string text = rtl::Trim(rtl::WideToUtf8(Text));
  std::replace(text.begin(), text.end(), ',', '.');
  return rtl::TryStrToFloat(text, Size) && std::isfinite(Size);
}

// A size as the box shows it: whole, or with the decimals it needs (at most two).
std::u16string SizeText(float Size) {
  std::string text = rtl::Format("%.2f", static_cast<double>(Size));
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return rtl::Utf8ToWide(text);
}

// The index of the entry of List that is Text, letter case ignored; -1 when none.
int IndexOfText(TvxStringListBox* List, const std::u16string& Text) {
  const std::string wanted = rtl::WideToUtf8(Text);
  for (int i = 0; i < List->Items()->Count(); ++i)
    if (rtl::SameText(rtl::WideToUtf8(List->Items()->Get(i)), wanted)) return i;
  return -1;
}

}  // namespace

const char16_t* const FontStyleNames[FontStyleCount] = {u"Regular", u"Bold", u"Italic", u"Bold Italic", u"Underline", u"Strikeout"};
const int FontDialogSizes[16] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};

rtl::TClass TvxFontDialogForm::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxFontDialogForm>().Build();
  return &info;
}

TvxFontDialogForm::TvxFontDialogForm(rtl::TComponent* AOwner) : win::TForm(AOwner) {
  SetBorderStyle(win::bsNone);
  SetBounds(100, 40, 460, 392);
  TvxVisualObject* root = LoadFormContent(this, ContentResourceName, true, scene_);
  window_ = dynamic_cast<TvxHudWindow*>(root);
  if (!window_) throw rtl::EReadError("The font dialog's content is no Hud window");
  familyBox_ = NeedPart<TvxTextBox>(root, "familyBox", What);
  familyList_ = NeedPart<TvxStringListBox>(root, "familyList", What);
  styleList_ = NeedPart<TvxStringListBox>(root, "styleList", What);
  sizeBox_ = NeedPart<TvxTextBox>(root, "sizeBox", What);
  sizeList_ = NeedPart<TvxStringListBox>(root, "sizeList", What);
  sizeMessage_ = NeedPart<TvxText>(root, "sizeMessage", What);
  colorRow_ = NeedPart<TvxVisualObject>(root, "colorRow", What);
  colorButton_ = NeedPart<TvxButton>(root, "btnColor", What);
  colorSwatch_ = NeedPart<TvxColorBox>(root, "colorSwatch", What);
  sample_ = NeedPart<TvxText>(root, "sample", What);
  ok_ = NeedPart<TvxButton>(root, "btnOk", What);
  cancel_ = NeedPart<TvxButton>(root, "btnCancel", What);

  SetStyleCount(FontStyleCount);
  for (int size : FontDialogSizes) sizeList_->Items()->Add(rtl::Utf8ToWide(std::to_string(size)));

  using F = TvxFontDialogForm;
  familyList_->OnChange = rtl::TNotifyEvent(this, &F::FamilyListChange);
  familyBox_->OnChangeTracking = rtl::TNotifyEvent(this, &F::FamilyBoxChange);
  styleList_->OnChange = [this](rtl::TObject*) { UpdateSample(); };
  sizeBox_->OnChangeTracking = rtl::TNotifyEvent(this, &F::SizeBoxChange);
  sizeList_->OnChange = rtl::TNotifyEvent(this, &F::SizeListChange);
  colorButton_->OnClick = rtl::TNotifyEvent(this, &F::ColorClick);
  ok_->OnClick = rtl::TNotifyEvent(this, &F::OkClick);
}

void TvxFontDialogForm::SetSizeRange(float Min, float Max) {
  maxSize_ = std::isfinite(Max) ? std::clamp(Max, MinSize, MaxSize) : MaxSize;
  minSize_ = std::isfinite(Min) ? std::clamp(Min, MinSize, maxSize_) : MinSize;
}

void TvxFontDialogForm::SetStyleCount(int Count) {
  const int count = std::clamp(Count, 1, FontStyleCount);
  styleList_->Items()->BeginUpdate();
  styleList_->Items()->Clear();
  for (int i = 0; i < count; ++i) styleList_->Items()->Add(FontStyleNames[i]);
  styleList_->Items()->EndUpdate();
}

void TvxFontDialogForm::Prepare(const std::u16string& Title, const std::vector<std::string>& Families,
                                const TvxFont& Font, bool ShowColor, TvxColor Color) {
  syncing_ = true;
  SetCaption(rtl::WideToUtf8(Title));
  window_->SetText(Title);
  family_ = Font.Family();
  // One rebuild of the list for all the names, however many fonts there are.
  familyList_->BeginUpdate();
  familyList_->Items()->BeginUpdate();
  familyList_->Items()->Clear();
  for (const std::string& f : Families) familyList_->Items()->Add(rtl::Utf8ToWide(f));
  familyList_->Items()->EndUpdate();
  familyList_->EndUpdate();
  familyBox_->SetText(rtl::Utf8ToWide(family_));
  familyList_->SetItemIndex(IndexOfText(familyList_, familyBox_->Text()));
  const int style = static_cast<int>(Font.Style());
  styleList_->SetItemIndex(style < styleList_->Items()->Count() ? style : 0);
  ShowSize(std::clamp(std::isnan(Font.Size()) ? 11.0f : Font.Size(), minSize_, maxSize_));
  sizeMessage_->SetText(u"");
  showColor_ = ShowColor;
  colorRow_->SetVisible(ShowColor);
  SetTextColor(Color);
  syncing_ = false;
  familyBox_->SelectAll();
  scene_->SetActiveControl(familyBox_);
  UpdateSample();
}

void TvxFontDialogForm::TakeChoice(TvxFont& Font, TvxColor& Color) {
  const std::string family = rtl::Trim(rtl::WideToUtf8(familyBox_->Text()));
  Font.SetFamily(family.empty() ? family_ : family);
  Font.SetSize(size_);
  const int style = styleList_->ItemIndex();
  if (style >= 0 && style < static_cast<int>(std::size(FontStyleNames))) Font.SetStyle(static_cast<TvxFontStyle>(style));
  Color = color_;
}

void TvxFontDialogForm::SetTextColor(TvxColor Value) {
  color_ = Value;
  colorSwatch_->SetColor(Value);
  UpdateSample();
}

void TvxFontDialogForm::ColorClick(rtl::TObject*) {
  TvxBrush brush(vgBrushSolid, color_);
  if (EditBrushDialog(&brush, {vgBrushSolid}, false)) SetTextColor(brush.Color() | 0xFF000000u);
}

void TvxFontDialogForm::FamilyListChange(rtl::TObject*) {
  if (syncing_) return;
  const int i = familyList_->ItemIndex();
  if (i < 0 || i >= familyList_->Items()->Count()) return;
  syncing_ = true;
  familyBox_->SetText(familyList_->Items()->Get(i));
  syncing_ = false;
  UpdateSample();
}

void TvxFontDialogForm::FamilyBoxChange(rtl::TObject*) {
  if (syncing_) return;
  const int i = IndexOfText(familyList_, familyBox_->Text());
  if (i >= 0) {
    syncing_ = true;
    familyList_->SetItemIndex(i);
    syncing_ = false;
  }
  UpdateSample();
}

void TvxFontDialogForm::OkClick(rtl::TObject*) {
  double typed = 0;
  if (SizeOfText(sizeBox_->Text(), typed)) {
    size_ = static_cast<float>(std::clamp<double>(typed, minSize_, maxSize_));
    SetModalResult(win::mrOk);
    return;
  }
  sizeMessage_->SetText(u"Size takes a number from " + SizeText(minSize_) + u" to " + SizeText(maxSize_) + u".");
  scene_->SetActiveControl(sizeBox_);
  sizeBox_->SelectAll();
}

void TvxFontDialogForm::SizeBoxChange(rtl::TObject*) {
  if (syncing_) return;
  // A size typed shows at once; a number beyond the sizes taken (a size half typed, such as
  // the 1 of 14 where 6 is the least) and a text that is no number leave the last size until
  // OK, which brings a number within them and asks for one where there is none.
  double typed = 0;
  if (!SizeOfText(sizeBox_->Text(), typed)) return;
  sizeMessage_->SetText(u"");
  if (typed < minSize_ || typed > maxSize_) return;
  size_ = static_cast<float>(typed);
  syncing_ = true;
  SelectSize();
  syncing_ = false;
  UpdateSample();
}

void TvxFontDialogForm::SizeListChange(rtl::TObject*) {
  if (syncing_) return;
  const int i = sizeList_->ItemIndex();
  if (i < 0 || i >= static_cast<int>(std::size(FontDialogSizes))) return;
  syncing_ = true;
  ShowSize(std::clamp(static_cast<float>(FontDialogSizes[i]), minSize_, maxSize_));
  sizeMessage_->SetText(u"");
  syncing_ = false;
  UpdateSample();
}

void TvxFontDialogForm::ShowSize(float Size) {
  size_ = Size;
  const bool quiet = std::exchange(syncing_, true);
  sizeBox_->SetText(SizeText(Size));
  SelectSize();
  syncing_ = quiet;
}

void TvxFontDialogForm::SelectSize() {
  const auto* at = std::find(std::begin(FontDialogSizes), std::end(FontDialogSizes), size_);
  sizeList_->SetItemIndex(at == std::end(FontDialogSizes) ? -1 : static_cast<int>(at - std::begin(FontDialogSizes)));
}

void TvxFontDialogForm::UpdateSample(rtl::TObject*) {
  if (syncing_) return;
  TvxFont font;
  const std::string family = rtl::Trim(rtl::WideToUtf8(familyBox_->Text()));
  font.SetFamily(family.empty() ? family_ : family);
  font.SetSize(size_);
  const int style = styleList_->ItemIndex();
  if (style >= 0 && style < static_cast<int>(std::size(FontStyleNames))) font.SetStyle(static_cast<TvxFontStyle>(style));
  sample_->SetFont(&font);
  if (showColor_) sample_->Fill()->SetSolidColor(color_);
}

// ---- TvxFontDialog ------------------------------------------------------------------------------

std::function<bool(TvxFontDialog& Dialog)> TvxFontDialog::Answer;
std::function<void(TvxFontDialogForm& Form)> TvxFontDialog::OnAnyShow;

bool TvxFontDialog::Execute() {
  if (Answer) return Answer(*this);
  auto form = std::make_unique<TvxFontDialogForm>(nullptr);
  form->SetSizeRange(MinSize, MaxSize);
  form->SetStyleCount(StyleCount);
  form->Prepare(Title, Families.empty() ? gfx2d::FontFamilies() : Families, Font, ShowColor, Color);
  PlaceOverActiveForm(form.get());
  if (OnAnyShow) {
    TvxFontDialogForm* shown = form.get();
    form->OnShow = [shown, hook = OnAnyShow](rtl::TObject*) { hook(*shown); };
  }
  if (form->ShowModal() != win::mrOk) return false;
  form->TakeChoice(Font, Color);
  SizeTyped = form->SizeBox()->Text();
  return true;
}

bool EditFontDialog(TvxFont* Font, TvxColor* Color) {
  if (!Font) return false;
  TvxFontDialog dialog;
  dialog.Font.Assign(Font);
  dialog.ShowColor = Color != nullptr;
  if (Color) dialog.Color = *Color;
  if (!dialog.Execute()) return false;
  Font->Assign(&dialog.Font);
  if (Color) *Color = dialog.Color;
  return true;
}

}  // namespace vg
