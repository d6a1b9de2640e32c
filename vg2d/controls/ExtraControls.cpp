#include "vg2d/controls/ExtraControls.h"

#include <algorithm>
#include <cmath>

#include "platform/rtl/CodePage.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/core/Colors.h"
#include "vg2d/core/Geometry.h"

namespace vg {

// ---- TvxIPhoneButton ---------------------------------------------------------------------------

rtl::TClass TvxIPhoneButton::StaticClass() {
  using B = TvxIPhoneButton;
  static const rtl::TClassInfo info =
      rtl::DefineClass<B>().Property("Background", &B::Background, &B::SetBackground).Build();
  return &info;
}

TvxIPhoneButton::TvxIPhoneButton(rtl::TComponent* AOwner)
    : TvxBitmapButton(AOwner), background_(std::make_unique<TvxBrush>(vgBrushSolid, 0xFF808080u)) {
  background_->OnChange = rtl::TNotifyEvent(this, &TvxIPhoneButton::BackgroundChanged);
}

TvxIPhoneButton::~TvxIPhoneButton() = default;

void TvxIPhoneButton::ApplyStyle() {
  inherited::ApplyStyle();
  if (auto* shape = FindPart<TvxShape>(this, "background")) shape->SetFill(background_.get());
}

void TvxIPhoneButton::BackgroundChanged(rtl::TObject*) {
  if (auto* shape = FindPart<TvxShape>(this, "background")) shape->SetFill(background_.get());
}

// ---- TvxImageListBoxItem -----------------------------------------------------------------------

rtl::TClass TvxImageListBoxItem::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxImageListBoxItem>().Build();
  return &info;
}

TvxImageListBoxItem::TvxImageListBoxItem(rtl::TComponent* AOwner) : TvxListBoxItem(AOwner) {}

void TvxImageListBoxItem::TagStringChanged() {
  if (auto* text = FindPart<TvxText>(this, "text")) text->SetText(FileNameOf(TagString()));
}

std::u16string TvxImageListBoxItem::FileNameOf(const std::u16string& Path) {
  const size_t cut = Path.find_last_of(u"\\:/");
  return cut == std::u16string::npos ? Path : Path.substr(cut + 1);
}

void TvxImageListBoxItem::ApplyStyle() {
  inherited::ApplyStyle();
  auto* box = dynamic_cast<TvxImageListBox*>(ListBox());
  if (!box) return;
  if (auto* border = FindPart<TvxVisualObject>(this, "textborder")) border->SetVisible(box->ShowFileName());
  if (auto* text = FindPart<TvxText>(this, "text")) text->SetText(FileNameOf(TagString()));
}

// ---- image list boxes --------------------------------------------------------------------------

rtl::TClass TvxImageListBox::StaticClass() {
  using L = TvxImageListBox;
  static const rtl::TClassInfo info = rtl::DefineClass<L>()
                                          .Property("ShowFileName", &L::ShowFileName, &L::SetShowFileName)
                                          .Default(false)
                                          .Property("UseThumbnails", &L::UseThumbnails, &L::SetUseThumbnails)
                                          .Default(true)
                                          .Property("ItemHeight", &L::ItemHeight, &L::SetItemHeight)
                                          .Build();
  return &info;
}

TvxImageListBox::TvxImageListBox(rtl::TComponent* AOwner) : TvxListBox(AOwner) {
  imageItemHeight_ = static_cast<float>(Trunc(Width()));
  SetResource("listboxstyle");
}

void TvxImageListBox::SetItemHeight(float Value) {
  if (Value == imageItemHeight_) return;
  imageItemHeight_ = Value;
  BeginUpdate();
  for (int i = 0; i < Count(); ++i)
    if (TvxListBoxItem* item = ItemByIndex(i)) item->SetHeight(Value);
  EndUpdate();
  Realign();
}

void TvxImageListBox::Clear() {
  for (int i = 0; i < Count(); ++i)
    if (TvxListBoxItem* item = ItemByIndex(i)) item->SetTag(0);
  inherited::Clear();
}

void TvxImageListBox::BeginAutoDrag() {
  TvxListBoxItem* item = Selected();
  auto* image = item ? dynamic_cast<TvxImage*>(item->TagObject()) : nullptr;
  if (image && Scene()) Scene()->BeginVCLDrag(image);
}

rtl::TClass TvxHudImageListBox::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudImageListBox>().Build();
  return &info;
}

TvxHudImageListBox::TvxHudImageListBox(rtl::TComponent* AOwner) : TvxImageListBox(AOwner) {
  SetResource("HudListBoxStyle");
}

rtl::TClass TvxHorzImageListBox::StaticClass() {
  using L = TvxHorzImageListBox;
  static const rtl::TClassInfo info = rtl::DefineClass<L>()
                                          .Property("ListStyle", &L::ListStyle, &L::SetListStyle)
                                          .Default(vgListHorizontal)
                                          .Build();
  return &info;
}

TvxHorzImageListBox::TvxHorzImageListBox(rtl::TComponent* AOwner) : TvxImageListBox(AOwner) {
  SetItemHeight(0);
  SetItemWidth(static_cast<float>(Trunc(Height() + 10)));
  SetListStyle(vgListHorizontal);
  SetResource("ListBoxStyle");
}

rtl::TClass TvxHudHorzImageListBox::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudHorzImageListBox>().Build();
  return &info;
}

TvxHudHorzImageListBox::TvxHudHorzImageListBox(rtl::TComponent* AOwner) : TvxHorzImageListBox(AOwner) {
  SetResource("HudListBoxStyle");
}

// ---- TvxDropTarget -----------------------------------------------------------------------------

rtl::TClass TvxDropTarget::StaticClass() {
  using D = TvxDropTarget;
  static const rtl::TClassInfo info = rtl::DefineClass<D>()
                                          .Property("Filter", &D::Filter, &D::SetFilter)
                                          .Property("Font", &D::Font, &D::SetFont)
                                          .Property("Text", &D::Text, &D::SetText)
                                          .Event("OnDroped", &D::OnDroped)
                                          .Build();
  return &info;
}

TvxDropTarget::TvxDropTarget(rtl::TComponent* AOwner) : TvxTextControl(AOwner) {
  SetDragDisableHighlight(true);
  SetWidth(120);
  SetHeight(120);
}

void TvxDropTarget::DragOver(const TvxDragObject& Data, const TvxPoint& Point, bool& Accept) {
  inherited::DragOver(Data, Point, Accept);
  Accept = true;
}

void TvxDropTarget::DragDrop(const TvxDragObject& Data, const TvxPoint& Point) {
  TvxFreeWatch self(this);
  inherited::DragDrop(Data, Point);
  if (!self.Gone()) OnDroped(this, Data, Point);
}

// ---- TvxPlotGrid -------------------------------------------------------------------------------

rtl::TClass TvxPlotGrid::StaticClass() {
  using G = TvxPlotGrid;
  static const rtl::TClassInfo info = rtl::DefineClass<G>()
                                          .Property("LineFill", &G::LineFill, &G::SetLineFill)
                                          .Property("Marks", &G::Marks, &G::SetMarks)
                                          .Default(25.0f)
                                          .Property("Frequency", &G::Frequency, &G::SetFrequency)
                                          .Default(5.0f)
                                          .Build();
  return &info;
}

TvxPlotGrid::TvxPlotGrid(rtl::TComponent* AOwner)
    : TvxVisualObject(AOwner), lineFill_(std::make_unique<TvxBrush>(vgBrushSolid, 0xFF505050u)) {
  lineFill_->OnChange = rtl::TNotifyEvent(this, &TvxPlotGrid::LineFillChanged);
}

TvxPlotGrid::~TvxPlotGrid() = default;

void TvxPlotGrid::LineFillChanged(rtl::TObject*) { Repaint(); }

void TvxPlotGrid::SetMarks(float Value) {
  if (Value == marks_) return;
  marks_ = Value;
  Repaint();
}

void TvxPlotGrid::SetFrequency(float Value) {
  if (Value == frequency_) return;
  frequency_ = std::max(Value, 0.001f);
  Repaint();
}

void TvxPlotGrid::Paint() {
  TvxCanvas* c = GetCanvas();
  if (!c) return;
  c->Stroke()->Assign(lineFill_.get());
  const float opacity = GetAbsoluteOpacity();
  const TvxColor full = lineFill_->Color();
  const TvxColor faint = (full & 0x00FFFFFFu) | (static_cast<TvxColor>(std::lround(AlphaOf(full) * 0.4)) << 24);
  const auto isWhole = [](float V) { return V == std::trunc(V); };
  // Picks thickness and colour for the line at offset X, returning the thickness.
  const auto lineFor = [&](float X) {
    if (X == 0) {
      c->SetStrokeThickness(2);
      c->Stroke()->SetSolidColor(full);
      return 2.0f;
    }
    c->SetStrokeThickness(1);
    c->Stroke()->SetSolidColor(isWhole(X) && isWhole(X / frequency_ / marks_) ? full : faint);
    return 1.0f;
  };
  const float w = Width();
  const float h = Height();
  // Only the lines the paint can show are drawn: those near the clip's box (the whole grid
  // where the canvas cannot tell it), so that any size and frequency paints in a time bounded
  // by the area painted.
  TvxRect view = MakeRect(0, 0, w, h);
  c->ClipBounds(view);
  const TvxMatrix& m = c->Matrix();
  const double f = frequency_;
  // Offsets k x Frequency (k = 0, 1, ...) below Extent / 2 on both sides of the centre
  // Round(Extent / 2); Line(place) draws the line of each of those within [Lo, Hi] (with a
  // margin for the thickness and the smoothing). Scale is the device length of one unit across
  // the lines.
  const auto lines = [&](float Extent, float Lo, float Hi, double Scale, const auto& Line) {
    const float half = Extent / 2;
    if (!(half > 0)) return;
    const double centre = static_cast<float>(Round(half));
    if (!(f > 0) || !std::isfinite(f)) {
      Line(static_cast<float>(centre + lineFor(0) / 2));  // a step that is no number reaches no other line
      return;
    }
    // Lines closer on the device than MinLineSpacing are thinned to every stride-th (they
    // cover the area whole either way).
    const double spacing = f * Scale;
    if (!(spacing > 0)) return;
    const double stride = spacing < MinLineSpacing ? std::ceil(MinLineSpacing / spacing) : 1;
    const double last = std::ceil(static_cast<double>(half) / f);  // no later offset is below half
    const auto side = [&](double KLo, double KHi, bool Right) {
      KLo = std::max(KLo, Right ? 0.0 : 1.0);  // the centre line once
      KHi = std::min(KHi, last);
      if (!(KLo <= KHi)) return;
      double step = stride;
      if ((KHi - KLo) / step >= MaxLinesPerSide) step = std::ceil((KHi - KLo + 1) / MaxLinesPerSide);
      const double k0 = std::ceil(KLo / step) * step;
      const int64_t n =
          std::min<int64_t>(SaturatedInt(std::floor((KHi - k0) / step)) + 1, static_cast<int64_t>(MaxLinesPerSide));
      for (int64_t i = 0; i < n; ++i) {
        const double k = k0 + static_cast<double>(i) * step;
        const double offset = k * f;
        if (!(offset < half)) return;
        const float t = lineFor(static_cast<float>(offset));
        Line(static_cast<float>(Right ? centre + offset + t / 2 : centre - offset + t / 2));
      }
    };
    constexpr double margin = 2;
    side(std::ceil((Lo - centre - margin) / f), std::floor((Hi - centre + margin) / f), true);
    side(std::ceil((centre - Hi - margin) / f), std::floor((centre - Lo + margin) / f), false);
  };
  lines(w, view.Left, view.Right, std::hypot(m.m11, m.m12), [&](float X) { c->DrawLine({X, h}, {X, 0}, opacity); });
  lines(h, view.Top, view.Bottom, std::hypot(m.m21, m.m22), [&](float Y) { c->DrawLine({0, Y}, {w, Y}, opacity); });
}

// ---- TvxImageViewer ----------------------------------------------------------------------------

rtl::TClass TvxImageViewer::StaticClass() {
  using V = TvxImageViewer;
  static const rtl::TClassInfo info = rtl::DefineClass<V>()
                                          .Property("BackgroundFill", &V::BackgroundFill, &V::SetBackgroundFill)
                                          .Property("Bitmap", &V::Bitmap, &V::SetBitmap)
                                          .Property("BitmapScale", &V::BitmapScale, &V::SetBitmapScale)
                                          .Default(1.0f)
                                          .Property("ShowBackground", &V::ShowBackground, &V::SetShowBackground)
                                          .Default(false)
                                          .Property("MouseScaling", &V::MouseScaling, &V::SetMouseScaling)
                                          .Default(true)
                                          .Build();
  return &info;
}

TvxImageViewer::TvxImageViewer(rtl::TComponent* AOwner) : TvxScrollBox(AOwner) {
  SetResource("framedscrollboxstyle");
  const auto prepare = [this](TvxVisualObject* Part) {
    Part->SetLocked(true);
    Part->SetStored(false);
    Part->SetHitTest(false);
    AddObject(Part);
  };
  background_ = new TvxRectangle(this);
  background_->Stroke()->SetStyle(vgBrushNone);
  background_->SetVisible(false);
  prepare(background_);
  image_ = new TvxImage(this);
  image_->SetWrapMode(vgImageStretch);
  // The image repaints on a change of its bitmap; the viewer lays itself out after it.
  const rtl::TNotifyEvent imageOwn = image_->Bitmap()->OnChange;
  image_->Bitmap()->OnChange = [this, imageOwn](rtl::TObject* Sender) {
    imageOwn(Sender);
    ImageChanged(Sender);
  };
  prepare(image_);
  SetMouseTracking(true);
  SetCursor(win::crHandPoint);
}

void TvxImageViewer::ImageChanged(rtl::TObject*) { Realign(); }

void TvxImageViewer::SetShowBackground(bool Value) {
  showBackground_ = Value;
  background_->SetVisible(Value);
}

void TvxImageViewer::SetBitmapScale(float Value) {
  if (Value == bitmapScale_) return;
  bitmapScale_ = std::clamp(Value, 0.01f, 10.0f);
  TvxFreeWatch self(this);
  Realign();
  if (!self.Gone()) Center();
}

void TvxImageViewer::MouseWheel(rtl::TShiftState Shift, int WheelDelta, bool& Handled) {
  TvxFreeWatch self(this);
  if (mouseScaling_) {
    SetBitmapScale(bitmapScale_ + static_cast<float>(WheelDelta) / 120 * 0.04f);
    Handled = true;
  }
  if (!self.Gone()) inherited::MouseWheel(Shift, WheelDelta, Handled);
}

rtl::TPropValue TvxImageViewer::GetData() { return static_cast<rtl::TObject*>(Bitmap()); }

void TvxImageViewer::SetData(const rtl::TPropValue& Value) {
  const auto* text = std::get_if<std::string>(&Value);
  const auto* wide = std::get_if<std::u16string>(&Value);
  if (std::holds_alternative<std::monostate>(Value) || (text && text->empty()) || (wide && wide->empty())) {
    Bitmap()->SetSize(0, 0);
    return;
  }
  if (const auto* o = std::get_if<rtl::TObject*>(&Value); o && dynamic_cast<TvxBitmap*>(*o)) {
    Bitmap()->Assign(static_cast<TvxBitmap*>(*o));
    return;
  }
  Bitmap()->LoadFromFile(text ? *text : rtl::WideToUtf8(PropValueToText(Value)));
}

TvxRect TvxImageViewer::GetContentBounds() {
  if (!image_ || !background_) return inherited::GetContentBounds();  // still being made
  TvxBitmap* b = Bitmap();
  image_->SetWidth(static_cast<float>(b->Width()) * bitmapScale_);
  image_->SetHeight(static_cast<float>(b->Height()) * bitmapScale_);
  if (Content() && Viewport()) {
    if (image_->Width() < Viewport()->Width())
      image_->Position()->SetX(static_cast<float>(Round((Viewport()->Width() - image_->Width()) / 2)));
    if (image_->Height() < Viewport()->Height())
      image_->Position()->SetY(static_cast<float>(Round((Viewport()->Height() - image_->Height()) / 2)));
  }
  background_->SetBounds(image_->Position()->X(), image_->Position()->Y(), image_->Width(), image_->Height());
  TvxRect r{0, 0, 0, 0};
  UnionRectF(TvxRect(r), image_->GetParentedRect(), r);
  return r;
}

}  // namespace vg
