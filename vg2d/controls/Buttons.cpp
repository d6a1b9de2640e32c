#include "vg2d/controls/Buttons.h"

#include <algorithm>
#include <limits>

#include "platform/win/Forms.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/StyleParts.h"

namespace vg {

namespace {

// Repeat clicking: the first repeat after this long, then one click per RepeatInterval.
constexpr uint32_t RepeatDelay = 500;
constexpr uint32_t RepeatInterval = 100;

bool Inside(const TvxVisualObject& O, float X, float Y) {
  return X >= 0 && X <= O.Width() && Y >= 0 && Y <= O.Height();
}

// Places a glyph part by Layout: docked to one side with its extent Size and Spacing
// towards the caption, or centred with both extents Size and Spacing all round.
void LayoutGlyph(TvxVisualObject* Part, TvxButtonLayout Layout, float Size, float Spacing) {
  TvxBounds* pad = Part->Padding();
  switch (Layout) {
    case vgGlyphLeft:
      Part->SetAlign(vaLeft);
      Part->SetWidth(Size);
      pad->SetRight(Spacing);
      break;
    case vgGlyphRight:
      Part->SetAlign(vaRight);
      Part->SetWidth(Size);
      pad->SetLeft(Spacing);
      break;
    case vgGlyphTop:
      Part->SetAlign(vaTop);
      Part->SetHeight(Size);
      pad->SetBottom(Spacing);
      break;
    case vgGlyphBottom:
      Part->SetAlign(vaBottom);
      Part->SetHeight(Size);
      pad->SetTop(Spacing);
      break;
    case vgGlyphCenter:
      Part->SetAlign(vaCenter);
      Part->SetWidth(Size);
      Part->SetHeight(Size);
      pad->SetRect({Spacing, Spacing, Spacing, Spacing});
      break;
  }
}

// A rounded screen coordinate, kept inside the int range.
int ScreenCoordinate(float V) {
  return static_cast<int>(
      std::clamp<int64_t>(Round(V), std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

void PadAllRound(TvxVisualObject* Part, float Value) { Part->Padding()->SetRect({Value, Value, Value, Value}); }

}  // namespace

// ---- TvxCustomButton ---------------------------------------------------------------------------

rtl::TClass TvxCustomButton::StaticClass() {
  using B = TvxCustomButton;
  static const rtl::TClassInfo info =
      rtl::DefineClass<B>()
          .Property("Action", &B::GetAction, &B::SetAction)
          .Property("AutoTranslate", &B::AutoTranslate, &B::SetAutoTranslate)
          .Default(true)
          .Property("StaysPressed", &B::StaysPressed, &B::SetStaysPressed)
          .Default(false)
          .Property("IsPressed", &B::IsPressed, &B::SetIsPressed)
          .Default(false)
          .Property("CanFocused", &B::CanFocused, &B::SetCanFocused)
          .Default(true)
          .Property("DisableFocusEffect", &B::DisableFocusEffect, &B::SetDisableFocusEffect)
          .Default(false)
          .Property("Font", &B::Font, &B::SetFont)
          .Property("ModalResult", &B::ModalResult, &B::SetModalResult)
          .Default(0)
          .Property("TextAlign", &B::TextAlign, &B::SetTextAlign)
          .Default(vgTextAlignCenter)
          .Property("Text", &B::Text, &B::SetText)
          .Property("RepeatClick", &B::RepeatClick, &B::SetRepeatClick)
          .Default(false)
          .Property("WordWrap", &B::WordWrap, &B::SetWordWrap)
          .Default(false)
          .Build();
  return &info;
}

TvxCustomButton::TvxCustomButton(rtl::TComponent* AOwner) : TvxTextControl(AOwner) {
  SetAutoTranslate(true);
  SetWordWrap(false);
  SetWidth(80);
  SetHeight(22);
  SetAutoCapture(true);
  SetCanFocused(true);
}

TvxCustomButton::~TvxCustomButton() = default;

void TvxCustomButton::PressedTriggers() {
  StartTriggerAnimation(this, "IsPressed");
  ApplyTriggerEffect(this, "IsPressed");
}

void TvxCustomButton::ApplyStyle() {
  inherited::ApplyStyle();
  PressedTriggers();
}

void TvxCustomButton::SetIsPressed(bool Value) {
  if (!staysPressed_ || Value == isPressed_) return;
  isPressed_ = Value;
  PressedTriggers();
}

void TvxCustomButton::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (self.Gone() || Button != rtl::mbLeft) return;
  tracking_ = true;
  if (staysPressed_) {
    isPressed_ = !isPressed_;
  } else {
    isPressed_ = true;
    if (repeatClick_) ArmRepeat();
  }
  PressedTriggers();
}

void TvxCustomButton::MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) {
  TvxFreeWatch self(this);
  inherited::MouseMove(Shift, X, Y, Dx, Dy);
  if (self.Gone() || !Shift.Contains(rtl::ssLeft) || !tracking_ || staysPressed_) return;
  const bool inside = Inside(*this, X, Y);
  if (inside == isPressed_) return;
  isPressed_ = inside;
  PressedTriggers();
}

void TvxCustomButton::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  if (tracking_) {
    if (repeatTimer_) repeatTimer_->SetEnabled(false);
    tracking_ = false;
    if (!staysPressed_) {
      isPressed_ = false;
      PressedTriggers();
    }
  }
  inherited::MouseUp(Button, Shift, X, Y);
}

void TvxCustomButton::Click() {
  if (modalResult_ != 0 && Scene())
    if (win::TCustomForm* form = win::OwnerForm(Scene()->GetComponent())) form->SetModalResult(modalResult_);
  inherited::Click();
}

void TvxCustomButton::DblClick() {
  TvxFreeWatch self(this);
  inherited::DblClick();
  if (!self.Gone()) Click();
}

void TvxCustomButton::KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
  TvxFreeWatch self(this);
  inherited::KeyDown(Key, KeyChar, Shift);
  if (!self.Gone() && (Key == win::VK_RETURN || Key == win::VK_SPACE)) Click();
}

void TvxCustomButton::SetData(const rtl::TPropValue& Value) {
  if (const auto* m = std::get_if<rtl::TMethod>(&Value)) OnClick = rtl::TNotifyEvent::FromMethod(*m);
}

void TvxCustomButton::ArmRepeat() {
  if (!repeatTimer_) repeatTimer_ = std::make_unique<rtl::TTimer>(nullptr);
  repeatTimer_->SetEnabled(false);
  repeatTimer_->SetInterval(RepeatDelay);
  repeatTimer_->SetOnTimer(rtl::TNotifyEvent(this, &TvxCustomButton::FirstRepeat));
  repeatTimer_->SetEnabled(true);
}

void TvxCustomButton::FirstRepeat(rtl::TObject*) {
  // Each change restarts the period: the next tick comes one interval from now.
  repeatTimer_->SetOnTimer(rtl::TNotifyEvent(this, &TvxCustomButton::NextRepeat));
  repeatTimer_->SetInterval(RepeatInterval);
}

void TvxCustomButton::NextRepeat(rtl::TObject*) { Click(); }

// ---- TvxButton and its plain relatives ---------------------------------------------------------

rtl::TClass TvxButton::StaticClass() {
  using B = TvxButton;
  static const rtl::TClassInfo info = rtl::DefineClass<B>()
                                          .Property("Default", &B::Default, &B::SetDefault)
                                          .Default(false)
                                          .Property("Cancel", &B::Cancel, &B::SetCancel)
                                          .Default(false)
                                          .Build();
  return &info;
}

void TvxButton::DialogKey(uint16_t& Key, rtl::TShiftState Shift) {
  TvxFreeWatch self(this);
  inherited::DialogKey(Key, Shift);
  if (self.Gone()) return;
  if ((default_ && Key == win::VK_RETURN) || (cancel_ && Key == win::VK_ESCAPE)) {
    Key = 0;
    Click();
  }
}

rtl::TClass TvxHudButton::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudButton>().Build();
  return &info;
}

rtl::TClass TvxRoundButton::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxRoundButton>().Build();
  return &info;
}

rtl::TClass TvxHudRoundButton::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudRoundButton>().Build();
  return &info;
}

rtl::TClass TvxCircleButton::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxCircleButton>().Build();
  return &info;
}

TvxCircleButton::TvxCircleButton(rtl::TComponent* AOwner) : TvxButton(AOwner) {
  SetWidth(21);
  SetHeight(21);
}

rtl::TClass TvxHudCircleButton::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudCircleButton>().Build();
  return &info;
}

rtl::TClass TvxPopupButton::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxPopupButton>().Build();
  return &info;
}

void TvxPopupButton::Click() {
  TvxFreeWatch self(this);
  inherited::Click();
  if (self.Gone() || !Scene()) return;
  auto* menu = dynamic_cast<IvxPopupMenu*>(PopupMenu());
  if (!menu) return;
  const TvxPoint at = Scene()->LocalToScreen(LocalToAbsolute({0, Height()}));
  menu->PopupFor(this, ScreenCoordinate(at.X), ScreenCoordinate(at.Y));
}

// ---- TvxBitmapButton ---------------------------------------------------------------------------

rtl::TClass TvxBitmapButton::StaticClass() {
  using B = TvxBitmapButton;
  static const rtl::TClassInfo info = rtl::DefineClass<B>()
                                          .Property("Bitmap", &B::Bitmap, &B::SetBitmap)
                                          .Property("BitmapLayout", &B::BitmapLayout, &B::SetBitmapLayout)
                                          .Default(vgGlyphLeft)
                                          .Property("BitmapSpacing", &B::BitmapSpacing, &B::SetBitmapSpacing)
                                          .Property("BitmapSize", &B::BitmapSize, &B::SetBitmapSize)
                                          .Default(32.0f)
                                          .Property("BitmapPadding", &B::BitmapPadding, &B::SetBitmapPadding)
                                          .Default(2.0f)
                                          .Build();
  return &info;
}

TvxBitmapButton::TvxBitmapButton(rtl::TComponent* AOwner)
    : TvxCustomButton(AOwner), bitmap_(std::make_unique<TvxBitmap>(1, 1)) {
  bitmap_->OnChange = rtl::TNotifyEvent(this, &TvxBitmapButton::BitmapChanged);
  SetWidth(50);
  SetHeight(60);
}

TvxBitmapButton::~TvxBitmapButton() = default;

void TvxBitmapButton::BitmapChanged(rtl::TObject*) {
  Repaint();
  ApplyStyle();
}

void TvxBitmapButton::SetLayoutValue(float& Field, float Value) {
  if (Field == Value) return;
  Field = Value;
  if (!Loading()) ApplyStyle();
}

void TvxBitmapButton::SetBitmapLayout(TvxButtonLayout Value) {
  if (bitmapLayout_ == Value) return;
  bitmapLayout_ = Value;
  if (!Loading()) ApplyStyle();
}
void TvxBitmapButton::SetBitmapSpacing(float Value) { SetLayoutValue(bitmapSpacing_, Value); }
void TvxBitmapButton::SetBitmapSize(float Value) { SetLayoutValue(bitmapSize_, Value); }
void TvxBitmapButton::SetBitmapPadding(float Value) { SetLayoutValue(bitmapPadding_, Value); }

void TvxBitmapButton::ApplyStyle() {
  inherited::ApplyStyle();
  if (auto* image = FindPart<TvxImage>(this, "image")) {
    image->SetBitmap(bitmap_.get());
    PadAllRound(image, bitmapPadding_);
    if (image->Bitmap()->Width() <= 1 || image->Bitmap()->Height() <= 1)
      image->SetAlign(vaNone);
    else
      LayoutGlyph(image, bitmapLayout_, bitmapSize_, bitmapSpacing_);
  }
  if (auto* text = FindPart<TvxVisualObject>(this, "text")) PadAllRound(text, bitmapPadding_);
}

rtl::TClass TvxToolButton::StaticClass() {
  using B = TvxToolButton;
  static const rtl::TClassInfo info = rtl::DefineClass<B>()
                                          .Property("CanFocused", &B::CanFocused, &B::SetCanFocused)
                                          .Default(false)
                                          .Property("BitmapLayout", &B::BitmapLayout, &B::SetBitmapLayout)
                                          .Default(vgGlyphTop)
                                          .Build();
  return &info;
}

TvxToolButton::TvxToolButton(rtl::TComponent* AOwner) : TvxBitmapButton(AOwner) {
  SetCanFocused(false);
  SetBitmapLayout(vgGlyphTop);
}

// ---- TvxPathButton -----------------------------------------------------------------------------

rtl::TClass TvxPathButton::StaticClass() {
  using B = TvxPathButton;
  static const rtl::TClassInfo info =
      rtl::DefineClass<B>()
          .Property("Path", &B::Path, &B::SetPath)
          .Property("PathLayout", &B::PathLayout, &B::SetPathLayout)
          .Default(vgGlyphLeft)
          .Property("PathSpacing", &B::PathSpacing, &B::SetPathSpacing)
          .Property("PathSize", &B::PathSize, &B::SetPathSize)
          .Default(32.0f)
          .Property("PathPadding", &B::PathPadding, &B::SetPathPadding)
          .Default(2.0f)
          .Property("PathFill", &B::PathFill, &B::SetPathFill)
          .Property("PathStroke", &B::PathStroke, &B::SetPathStroke)
          .Property("PathStrokeThickness", &B::PathStrokeThickness, &B::SetPathStrokeThickness)
          .Stored(&B::ThicknessStored)
          .Property("PathStrokeCap", &B::PathStrokeCap, &B::SetPathStrokeCap)
          .Default(vgCapFlat)
          .Property("PathStrokeDash", &B::PathStrokeDash, &B::SetPathStrokeDash)
          .Default(vgDashSolid)
          .Property("PathStrokeJoin", &B::PathStrokeJoin, &B::SetPathStrokeJoin)
          .Default(vgJoinMiter)
          .Build();
  return &info;
}

TvxPathButton::TvxPathButton(rtl::TComponent* AOwner)
    : TvxCustomButton(AOwner),
      path_(std::make_unique<TvxPathData>()),
      pathFill_(std::make_unique<TvxBrush>(vgBrushSolid, 0xFFFFFFFFu)),
      pathStroke_(std::make_unique<TvxBrush>(vgBrushSolid, 0xFF000000u)) {
  path_->OnChange = rtl::TNotifyEvent(this, &TvxPathButton::GlyphChanged);
  pathFill_->OnChange = rtl::TNotifyEvent(this, &TvxPathButton::GlyphChanged);
  pathStroke_->OnChange = rtl::TNotifyEvent(this, &TvxPathButton::GlyphChanged);
  SetWidth(50);
  SetHeight(60);
}

TvxPathButton::~TvxPathButton() = default;

void TvxPathButton::GlyphChanged(rtl::TObject*) {
  Repaint();
  ApplyStyle();
}

template <class V>
void TvxPathButton::SetLayoutValue(V& Field, V Value) {
  if (Field == Value) return;
  Field = Value;
  if (!Loading()) ApplyStyle();
}

void TvxPathButton::SetPathLayout(TvxButtonLayout Value) { SetLayoutValue(pathLayout_, Value); }
void TvxPathButton::SetPathSpacing(float Value) { SetLayoutValue(pathSpacing_, Value); }
void TvxPathButton::SetPathSize(float Value) { SetLayoutValue(pathSize_, Value); }
void TvxPathButton::SetPathPadding(float Value) { SetLayoutValue(pathPadding_, Value); }
void TvxPathButton::SetPathStrokeThickness(float Value) { SetLayoutValue(pathStrokeThickness_, Value); }
void TvxPathButton::SetPathStrokeCap(TvxStrokeCap Value) { SetLayoutValue(pathStrokeCap_, Value); }
void TvxPathButton::SetPathStrokeDash(TvxStrokeDash Value) { SetLayoutValue(pathStrokeDash_, Value); }
void TvxPathButton::SetPathStrokeJoin(TvxStrokeJoin Value) { SetLayoutValue(pathStrokeJoin_, Value); }

void TvxPathButton::ApplyStyle() {
  inherited::ApplyStyle();
  if (auto* glyph = FindPart<TvxPath>(this, "path")) {
    glyph->SetData(path_.get());
    glyph->SetFill(pathFill_.get());
    glyph->SetStroke(pathStroke_.get());
    glyph->SetStrokeThickness(pathStrokeThickness_);
    glyph->SetStrokeCap(pathStrokeCap_);
    glyph->SetStrokeDash(pathStrokeDash_);
    glyph->SetStrokeJoin(pathStrokeJoin_);
  }
  if (auto* owner = FindPart<TvxVisualObject>(this, "pathowner")) {
    PadAllRound(owner, pathPadding_);
    if (path_->IsEmpty())
      owner->SetAlign(vaNone);
    else
      LayoutGlyph(owner, pathLayout_, pathSize_, pathSpacing_);
  }
  if (auto* text = FindPart<TvxVisualObject>(this, "text")) PadAllRound(text, pathPadding_);
}

rtl::TClass TvxToolPathButton::StaticClass() {
  using B = TvxToolPathButton;
  static const rtl::TClassInfo info = rtl::DefineClass<B>()
                                          .Property("CanFocused", &B::CanFocused, &B::SetCanFocused)
                                          .Default(false)
                                          .Property("PathLayout", &B::PathLayout, &B::SetPathLayout)
                                          .Default(vgGlyphTop)
                                          .Build();
  return &info;
}

TvxToolPathButton::TvxToolPathButton(rtl::TComponent* AOwner) : TvxPathButton(AOwner) {
  SetCanFocused(false);
  SetPathLayout(vgGlyphTop);
}

// ---- TvxSpeedButton ----------------------------------------------------------------------------

rtl::TClass TvxSpeedButton::StaticClass() {
  using B = TvxSpeedButton;
  static const rtl::TClassInfo info = rtl::DefineClass<B>()
                                          .Property("CanFocused", &B::CanFocused, &B::SetCanFocused)
                                          .Default(false)
                                          .Property("RepeatClick", &B::RepeatClick, &B::SetRepeatClick)
                                          .Default(true)
                                          .Build();
  return &info;
}

TvxSpeedButton::TvxSpeedButton(rtl::TComponent* AOwner) : TvxCustomButton(AOwner) {
  SetCanFocused(false);
  SetRepeatClick(true);
  SetWidth(23);
  SetHeight(23);
  SetText({});
}

rtl::TClass TvxHudSpeedButton::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudSpeedButton>().Build();
  return &info;
}

// ---- TvxCornerButton ---------------------------------------------------------------------------

rtl::TClass TvxCornerButton::StaticClass() {
  using B = TvxCornerButton;
  static const rtl::TClassInfo info = rtl::DefineClass<B>()
                                          .Property("xRadius", &B::xRadius, &B::SetxRadius)
                                          .Default(3.0f)
                                          .Property("yRadius", &B::yRadius, &B::SetyRadius)
                                          .Default(3.0f)
                                          .Property("Corners", &B::Corners, &B::SetCorners)
                                          .Default(AllCorners)
                                          .Property("CornerType", &B::CornerType, &B::SetCornerType)
                                          .Default(vgCornerRound)
                                          .Property("Sides", &B::Sides, &B::SetSides)
                                          .Default(AllSides)
                                          .Build();
  return &info;
}

TvxCornerButton::TvxCornerButton(rtl::TComponent* AOwner) : TvxCustomButton(AOwner) {}

template <class V>
void TvxCornerButton::SetShapeValue(V& Field, V Value) {
  if (Field == Value) return;
  Field = Value;
  ApplyStyle();
}

void TvxCornerButton::SetxRadius(float Value) { SetShapeValue(xRadius_, Value); }
void TvxCornerButton::SetyRadius(float Value) { SetShapeValue(yRadius_, Value); }
void TvxCornerButton::SetCorners(TvxCorners Value) { SetShapeValue(corners_, Value); }
void TvxCornerButton::SetCornerType(TvxCornerType Value) { SetShapeValue(cornerType_, Value); }
void TvxCornerButton::SetSides(TvxSides Value) { SetShapeValue(sides_, Value); }

void TvxCornerButton::ApplyStyle() {
  inherited::ApplyStyle();
  if (auto* back = FindPart<TvxRectangle>(this, "Background")) {
    back->SetCornerType(cornerType_);
    back->SetCorners(corners_);
    back->SetxRadius(xRadius_);
    back->SetyRadius(yRadius_);
    back->SetSides(sides_);
  }
}

rtl::TClass TvxHudCornerButton::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudCornerButton>().Build();
  return &info;
}

}  // namespace vg
