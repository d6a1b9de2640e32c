#include "vg2d/controls/Expanders.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Filer.h"
#include "platform/win/Menus.h"
#include "vg2d/controls/FileDialog.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/core/Canvas.h"
#include "vg2d/core/Geometry.h"
#include "vg2d/core/ImageShapes.h"
#include "vg2d/core/Scene.h"
#include "vg2d/core/TextForms.h"

namespace vg {

// ---- TvxExpanderButton --------------------------------------------------------------------

rtl::TClass TvxExpanderButton::StaticClass() {
  using B = TvxExpanderButton;
  static const rtl::TClassInfo info =
      rtl::DefineClass<B>().Property("CanFocused", &B::CanFocused, &B::SetCanFocused).Default(false).Build();
  return &info;
}

TvxExpanderButton::TvxExpanderButton(rtl::TComponent* AOwner) : TvxCustomButton(AOwner) { SetCanFocused(false); }

// ---- TvxExpander --------------------------------------------------------------------------

rtl::TClass TvxExpander::StaticClass() {
  using E = TvxExpander;
  static const rtl::TClassInfo info = rtl::DefineClass<E>()
                                          .Property("Font", &E::Font, &E::SetFont)
                                          .Property("TextAlign", &E::TextAlign, &E::SetTextAlign)
                                          .Property("Text", &E::Text, &E::SetText)
                                          .Property("AutoTranslate", &E::AutoTranslate, &E::SetAutoTranslate)
                                          .Default(true)
                                          .Property("IsExpanded", &E::IsExpanded, &E::SetIsExpanded)
                                          .Default(true)
                                          .Property("IsChecked", &E::IsChecked, &E::SetIsChecked)
                                          .Default(true)
                                          .Property("ShowCheck", &E::ShowCheck, &E::SetShowCheck)
                                          .Event("OnCheckChange", &E::OnCheckChange)
                                          .Build();
  return &info;
}

TvxExpander::TvxExpander(rtl::TComponent* AOwner) : TvxTextControl(AOwner) {
  SetWidth(130);
  SetHeight(130);
  SetAutoTranslate(true);
  content_ = new TvxContent(this);
  content_->SetParent(this);
  content_->SetClipChildren(false);
  content_->SetHitTest(false);
  content_->SetLocked(true);
  content_->SetStored(false);
  content_->Padding()->SetRect(MakeRect(0, 25, 0, 0));
  content_->SetBounds(0, 0, Width(), Height());
}

void TvxExpander::DefineProperties(rtl::TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineProperty(
      "ContentSize", [this](rtl::TReader& Reader) { content_->SetHeight(StringToFloatDot(Reader.ReadString())); },
      [this](rtl::TWriter& Writer) { Writer.WriteString(FloatToStringDot(content_->Height())); }, true);
}

void TvxExpander::AddObject(TvxObject* AObject) {
  if (content_ && AObject != content_ && AObject != Style())
    content_->AddObject(AObject);
  else
    inherited::AddObject(AObject);
}

void TvxExpander::SetIsChecked(bool Value) {
  if (Value == isChecked_) return;
  isChecked_ = Value;
  content_->SetEnabled(isChecked_);
  if (checkBox_) checkBox_->SetIsChecked(isChecked_);
}

void TvxExpander::SetShowCheck(bool Value) {
  if (Value == showCheck_) return;
  showCheck_ = Value;
  if (checkBox_) checkBox_->SetVisible(showCheck_);
}

void TvxExpander::CheckChanged(rtl::TObject*) {
  if (!checkBox_) return;
  isChecked_ = checkBox_->IsChecked();
  content_->SetEnabled(isChecked_);
  OnCheckChange(this);
}

void TvxExpander::ButtonClicked(rtl::TObject*) { SetIsExpanded(!isExpanded_); }

void TvxExpander::ApplyStyle() {
  inherited::ApplyStyle();
  if (auto* box = FindPart<TvxCheckBox>(this, "checkbox")) {
    checkBox_ = box;
    box->SetVisible(showCheck_);
    box->SetIsChecked(isChecked_);
    box->OnChange = rtl::TNotifyEvent(this, &TvxExpander::CheckChanged);
  }
  if (auto* button = FindPart<TvxCustomButton>(this, "button")) {
    button_ = button;
    button->OnClick = rtl::TNotifyEvent(this, &TvxExpander::ButtonClicked);
    button->ApplyResource();
    button->StartTriggerAnimation(this, "IsExpanded");
    button->SetCanFocused(false);
  }
  StartTriggerAnimation(this, "IsExpanded");
}

void TvxExpander::FreeStyle() {
  button_ = nullptr;
  checkBox_ = nullptr;
  inherited::FreeStyle();
}

void TvxExpander::SetIsExpanded(bool Value) {
  if (Value == isExpanded_) return;
  isExpanded_ = Value;
  if (!Style()) ApplyResource();
  if (isExpanded_) {
    content_->SetVisible(true);
    if (button_) SetHeight(button_->Height() + content_->Height());
    Repaint();
  } else {
    Repaint();
    content_->SetVisible(false);
    if (button_) SetHeight(button_->Height());
  }
  StartTriggerAnimation(this, "IsExpanded");
  if (button_) button_->StartTriggerAnimation(this, "IsExpanded");
}

void TvxExpander::Realign() {
  if (Loading() || realigning_) return;
  realigning_ = true;
  inherited::Realign();
  if (isExpanded_)
    content_->SetBounds(0, content_->Padding()->Top(), Width(), Height() - content_->Padding()->Top());
  realigning_ = false;
}

// ---- TvxPopupBox --------------------------------------------------------------------------

rtl::TClass TvxPopupBox::StaticClass() {
  using P = TvxPopupBox;
  static const rtl::TClassInfo info = rtl::DefineClass<P>()
                                          .Property("BindingSource", &P::BindingSource, &P::SetBindingSource)
                                          .Property("Items", &P::Items, &P::SetItems)
                                          .Property("ItemIndex", &P::ItemIndex, &P::SetItemIndex)
                                          .Event("OnChange", &P::OnChange)
                                          .Build();
  return &info;
}

TvxPopupBox::TvxPopupBox(rtl::TComponent* AOwner)
    : TvxCustomButton(AOwner),
      items_(std::make_unique<TvxWideStringList>()),
      menu_(std::make_unique<win::TPopupMenu>(nullptr)) {
  SetCanFocused(true);
  SetHeight(21);
  static_cast<TvxWideStringList*>(items_.get())->OnChange = [this](rtl::TObject*) { ItemsChanged(); };
}

TvxPopupBox::~TvxPopupBox() = default;

void TvxPopupBox::SetItemIndex(int Value) {
  if (Value == itemIndex_) return;
  itemIndex_ = Value;
  if (itemIndex_ >= 0 && items_->Count() > 0) {
    inherited::SetText(itemIndex_ < items_->Count() ? items_->Get(itemIndex_) : std::u16string());
  } else {
    inherited::SetText({});
    itemIndex_ = -1;
  }
  OnChange(this);
}

void TvxPopupBox::SetText(const std::u16string& Value) {
  if (items_->Count() == 0) {
    itemIndex_ = -1;
    inherited::SetText({});
    return;
  }
  itemIndex_ = items_->IndexOf(Value);
  inherited::SetText(itemIndex_ >= 0 ? Value : std::u16string());
}

void TvxPopupBox::Click() {
  TvxFreeWatch self(this);
  inherited::Click();
  if (!self.Gone()) DoPopup();
}

void TvxPopupBox::DoPopup() {
  while (menu_->Count() > 0) delete menu_->Items(menu_->Count() - 1);
  for (int i = 0; i < items_->Count(); ++i) {
    win::TMenuItem* item = menu_->Add(items_->Get(i), [this, i](rtl::TObject*) { SetItemIndex(i); });
    item->SetChecked(i == itemIndex_);
  }
  if (!Scene()) return;
  const int count = items_->Count();
  const float y = static_cast<float>(Trunc(Height() / 2 - static_cast<float>((count * 20) / 2)));
  const TvxPoint at = Scene()->LocalToScreen(LocalToAbsolute({0, y}));
  menu_->SetPopupComponent(this);
  menu_->Popup(static_cast<int>(Round(at.X)), static_cast<int>(Round(at.Y)));
}

rtl::TPropValue TvxPopupBox::GetData() { return Text(); }

void TvxPopupBox::SetData(const rtl::TPropValue& Value) {
  if (std::holds_alternative<std::monostate>(Value)) {
    SetItemIndex(-1);
  } else if (const auto* m = std::get_if<rtl::TMethod>(&Value)) {
    OnChange = rtl::TNotifyEvent::FromMethod(*m);
  } else if (const auto* i = std::get_if<int64_t>(&Value)) {
    SetItemIndex(static_cast<int>(std::clamp<int64_t>(*i, -1, 1 << 30)));
  } else if (const auto* s = std::get_if<std::u16string>(&Value)) {
    if (s->empty()) {
      SetItemIndex(-1);
    } else if (const int found = items_->IndexOf(*s); found >= 0) {
      SetItemIndex(found);
    } else {
      inherited::SetText(*s);
    }
  }
}

rtl::TClass TvxHudPopupBox::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudPopupBox>().Build();
  return &info;
}

// ---- TvxBitmapStateButton -----------------------------------------------------------------

rtl::TClass TvxBitmapStateButton::StaticClass() {
  using B = TvxBitmapStateButton;
  static const rtl::TClassInfo info = rtl::DefineClass<B>()
                                          .Property("Bitmap", &B::Bitmap, &B::SetBitmap)
                                          .Property("BitmapHot", &B::BitmapHot, &B::SetBitmapHot)
                                          .Property("BitmapDown", &B::BitmapDown, &B::SetBitmapDown)
                                          .Build();
  return &info;
}

TvxBitmapStateButton::TvxBitmapStateButton(rtl::TComponent* AOwner)
    : TvxCustomButton(AOwner),
      bitmap_(std::make_unique<TvxBitmap>(1, 1)),
      bitmapHot_(std::make_unique<TvxBitmap>(1, 1)),
      bitmapDown_(std::make_unique<TvxBitmap>(1, 1)) {
  bitmap_->OnChange = [this](rtl::TObject*) { Repaint(); };
  SetWidth(64);
  SetHeight(64);
}

TvxBitmapStateButton::~TvxBitmapStateButton() = default;

void TvxBitmapStateButton::StartTriggerAnimation(TvxObject* AInstance, const std::string& ATrigger) {
  inherited::StartTriggerAnimation(AInstance, ATrigger);
  if (ATrigger.find("IsPressed") != std::string::npos) Repaint();
}

void TvxBitmapStateButton::MouseEnter() {
  TvxFreeWatch self(this);
  inherited::MouseEnter();
  if (!self.Gone()) Repaint();
}

void TvxBitmapStateButton::MouseLeave() {
  TvxFreeWatch self(this);
  inherited::MouseLeave();
  if (!self.Gone()) Repaint();
}

void TvxBitmapStateButton::Paint() {
  TvxCanvas* c = GetCanvas();
  if (!c) return;
  TvxBitmap* b = IsPressed() ? bitmapDown_.get() : IsMouseOver() ? bitmapHot_.get() : bitmap_.get();
  if (b->IsEmpty()) return;
  const TvxRect whole = MakeRect(0, 0, static_cast<float>(b->Width()), static_cast<float>(b->Height()));
  TvxRect fitted = whole;
  FitRect(fitted, GetLocalRect());
  c->DrawBitmap(b, whole, fitted, GetAbsoluteOpacity());
}

// ---- TvxImageControl ---------------------------------------------------------------------

namespace {

// Whether the file's extension is among the image types of the default codec.
bool IsImageFile(const std::string& FileName) {
  if (!DefaultFilterClass) return false;
  const auto dot = FileName.rfind('.');
  if (dot == std::string::npos || FileName.find('/', dot) != std::string::npos) return false;
  std::string ext = FileName.substr(dot);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::string types = ";" + DefaultFilterClass->Create()->GetFileTypes() + ";";
  return types.find(";*" + ext + ";") != std::string::npos;
}

}  // namespace

rtl::TClass TvxImageControl::StaticClass() {
  using I = TvxImageControl;
  static const rtl::TClassInfo info = rtl::DefineClass<I>()
                                          .Property("CanFocused", &I::CanFocused, &I::SetCanFocused)
                                          .Default(true)
                                          .Property("DisableFocusEffect", &I::DisableFocusEffect,
                                                    &I::SetDisableFocusEffect)
                                          .Default(false)
                                          .Property("EnableOpenDialog", &I::EnableOpenDialog, &I::SetEnableOpenDialog)
                                          .Default(true)
                                          .Property("Bitmap", &I::Bitmap, &I::SetBitmap)
                                          .Event("OnChange", &I::OnChange)
                                          .Build();
  return &info;
}

TvxImageControl::TvxImageControl(rtl::TComponent* AOwner)
    : TvxControl(AOwner), bitmap_(std::make_unique<TvxBitmap>(1, 1)) {
  SetCanFocused(true);
  bitmap_->OnChange = [this](rtl::TObject*) { BitmapChanged(); };
}

TvxImageControl::~TvxImageControl() = default;

void TvxImageControl::ApplyStyle() {
  inherited::ApplyStyle();
  if (auto* image = FindPart<TvxImage>(this, "image")) {
    image_ = image;
    image_->Bitmap()->Assign(bitmap_.get());
  }
}

void TvxImageControl::FreeStyle() {
  image_ = nullptr;
  inherited::FreeStyle();
}

void TvxImageControl::BitmapChanged() {
  if (!image_) return;
  TvxRect fitted = MakeRect(0, 0, static_cast<float>(bitmap_->Width()), static_cast<float>(bitmap_->Height()));
  FitRect(fitted, image_->GetLocalRect());
  const auto side = [](float V) { return static_cast<int>(std::clamp<int64_t>(Round(V), 0, 8192)); };
  TvxBitmap* shown = image_->Bitmap();
  shown->SetSize(side(RectWidth(fitted)), side(RectHeight(fitted)));
  shown->Clear(0);
  if (!shown->IsEmpty() && !bitmap_->IsEmpty())
    if (TvxCanvas* c = shown->GetCanvas(); c && c->BeginScene()) {
      c->DrawBitmap(bitmap_.get(),
                    MakeRect(0, 0, static_cast<float>(bitmap_->Width()), static_cast<float>(bitmap_->Height())),
                    MakeRect(0, 0, static_cast<float>(shown->Width()), static_cast<float>(shown->Height())), 1);
      c->EndScene();
    }
  shown->BitmapChanged();
  image_->Repaint();
  OnChange(this);
}

// The open dialog offers the image files; a chosen file that holds no picture raises out of
// the click (the loop tells the user) and leaves the picture as it was.
void TvxImageControl::Click() {
  TvxFreeWatch self(this);
  inherited::Click();
  if (self.Gone() || !enableOpenDialog_) return;
  TvxFileDialog dialog;
  dialog.Filter = ImageFileFilter();
  dialog.Title = "Open";
  if (!dialog.Execute() || self.Gone()) return;
  const std::unique_ptr<TvxBitmap> picture = ReadPictureFile(dialog.FileName);
  if (!self.Gone()) bitmap_->Assign(picture.get());
}

void TvxImageControl::DragOver(const TvxDragObject& Data, const TvxPoint& Point, bool& Accept) {
  inherited::DragOver(Data, Point, Accept);
  if (!Data.Files.empty()) {
    const std::string first = rtl::WideToUtf8(Data.Files.front());
    std::error_code ec;
    Accept = std::filesystem::is_regular_file(first, ec) && IsImageFile(first);
  } else {
    Accept = dynamic_cast<TvxImage*>(Data.Source) != nullptr;
  }
}

void TvxImageControl::DragDrop(const TvxDragObject& Data, const TvxPoint& Point) {
  inherited::DragDrop(Data, Point);
  if (auto* image = dynamic_cast<TvxImage*>(Data.Source))
    bitmap_->Assign(image->Bitmap());
  else if (!Data.Files.empty())
    bitmap_->LoadFromFile(rtl::WideToUtf8(Data.Files.front()));
}

rtl::TPropValue TvxImageControl::GetData() { return static_cast<rtl::TObject*>(bitmap_.get()); }

void TvxImageControl::SetData(const rtl::TPropValue& Value) {
  if (std::holds_alternative<std::monostate>(Value)) {
    bitmap_->SetSize(1, 1);
  } else if (const auto* o = std::get_if<rtl::TObject*>(&Value)) {
    if (auto* p = dynamic_cast<rtl::TPersistent*>(*o)) bitmap_->Assign(p);
  } else if (const auto* s = std::get_if<std::u16string>(&Value)) {
    bitmap_->LoadFromFile(rtl::WideToUtf8(*s));
  }
}

}  // namespace vg
