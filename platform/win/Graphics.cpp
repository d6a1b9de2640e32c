#include "platform/win/Graphics.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/gfx2d/Brush.h"
#include "platform/gfx2d/Fonts.h"
#include "platform/gfx2d/Graphics.h"
#include "platform/gfx2d/Path.h"
#include "platform/rtl/SysUtils.h"

namespace win {

namespace {

gfx2d::ARGB ToARGB(TColor C) {
  const auto u = static_cast<std::uint32_t>(C);
  return 0xFF000000u | ((u & 0xFF) << 16) | (u & 0xFF00) | ((u >> 16) & 0xFF);
}

gfx2d::Font ToFont(const TFont& F) {
  int style = gfx2d::FontStyleRegular;
  if (F.Style.Contains(fsBold)) style |= gfx2d::FontStyleBold;
  if (F.Style.Contains(fsItalic)) style |= gfx2d::FontStyleItalic;
  if (F.Style.Contains(fsUnderline)) style |= gfx2d::FontStyleUnderline;
  if (F.Style.Contains(fsStrikeOut)) style |= gfx2d::FontStyleStrikeout;
  return {gfx2d::ResolveFontFamily(F.Name), static_cast<float>(std::abs(std::int64_t{F.Height()})), style};
}

// Text laid out from its top-left corner, on one line, trailing blanks counted.
gfx2d::StringFormat TextFormat() {
  gfx2d::StringFormat f;
  f.Flags = gfx2d::StringFormatFlagsNoWrap | gfx2d::StringFormatFlagsNoClip |
            gfx2d::StringFormatFlagsMeasureTrailingSpaces;
  return f;
}

void Order(int& A, int& B) {
  if (A > B) std::swap(A, B);
}

// A x B / C rounded half away from zero, as the class library rounds font sizes; 0 on overflow.
int ScaleRounded(int A, int B, int C) {
  const std::int64_t p = std::int64_t{A} * B;
  const std::int64_t q = (p < 0 ? p - C / 2 : p + C / 2) / C;
  return q < INT32_MIN || q > INT32_MAX ? 0 : static_cast<int>(q);
}

int CeilPixels(float V) {
  if (!(V > 0)) return 0;
  return static_cast<int>(std::min(std::ceil(static_cast<double>(V)), 1e9));
}

}  // namespace

// ---- TFont --------------------------------------------------------------------------------------

rtl::TClass TFont::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TFont>().Build();
  return &info;
}

int TFont::Size() const { return -ScaleRounded(height_, 72, ScreenPixelsPerInch); }

void TFont::SetSize(int Value) { height_ = -ScaleRounded(Value, ScreenPixelsPerInch, 72); }

void TFont::Assign(const rtl::TPersistent* Source) {
  const auto* from = dynamic_cast<const TFont*>(Source);
  if (!from) return inherited::Assign(Source);
  Name = from->Name;
  Color = from->Color;
  Style = from->Style;
  height_ = from->height_;
}

// ---- canvas ---------------------------------------------------------------------------------------

rtl::TClass TCanvas::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TCanvas>().Build();
  return &info;
}

TCanvas::TCanvas(TBitmap& Owner) : owner_(Owner) {}

TCanvas::~TCanvas() = default;

gfx2d::Graphics* TCanvas::Graphics() {
  if (graphics_) return graphics_.get();
  if (owner_.bits_.empty()) return nullptr;
  image_.reset(gfx2d::Image::FromPixels(owner_.bits_.data(), owner_.width_, owner_.height_));
  if (!image_) return nullptr;
  graphics_ = std::make_unique<gfx2d::Graphics>(*image_);
  // Shapes fall on whole pixels, as the class library draws them; text keeps its smoothing.
  graphics_->SetSmoothingMode(gfx2d::SmoothingMode::None);
  return graphics_.get();
}

void TCanvas::Flush() const {
  if (image_) image_->Flush();
}

void TCanvas::Release() {
  Flush();
  graphics_.reset();
  image_.reset();
}

void TCanvas::FillRect(const TRect& R) {
  if (brush_.Style == bsClear || R.Empty()) return;
  gfx2d::Graphics* g = Graphics();
  if (!g) return;
  const gfx2d::SolidBrush b(ToARGB(brush_.Color));
  g->FillRectangle(b, {static_cast<float>(R.Left), static_cast<float>(R.Top), static_cast<float>(R.Width()),
                       static_cast<float>(R.Height())});
}

void TCanvas::StrokeAndFill(bool AnEllipse, int Left, int Top, int Right, int Bottom) {
  Order(Left, Right);
  Order(Top, Bottom);
  if (Right == Left || Bottom == Top) return;
  gfx2d::Graphics* g = Graphics();
  if (!g) return;
  const auto l = static_cast<float>(Left), t = static_cast<float>(Top);
  const auto w = static_cast<float>(Right - Left), h = static_cast<float>(Bottom - Top);
  if (brush_.Style == bsSolid) {
    const gfx2d::SolidBrush b(ToARGB(brush_.Color));
    gfx2d::Path p;
    if (AnEllipse)
      p.AddEllipse({l, t, w, h});
    else
      p.AddRectangle({l, t, w, h});
    g->FillPath(b, p);
  }
  if (pen_.Style == psClear) return;
  // The outline lies inside the rectangle: its centre line half a pen width in.
  const float pw = static_cast<float>(std::max(1, pen_.Width));
  const gfx2d::RectF inner{l + pw / 2, t + pw / 2, std::max(0.0f, w - pw), std::max(0.0f, h - pw)};
  const gfx2d::SolidBrush stroke(ToARGB(pen_.Color));
  const gfx2d::Pen pen(&stroke, pw);
  if (AnEllipse)
    g->DrawEllipse(pen, inner);
  else
    g->DrawRectangle(pen, inner);
}

void TCanvas::Rectangle(int Left, int Top, int Right, int Bottom) { StrokeAndFill(false, Left, Top, Right, Bottom); }

void TCanvas::Ellipse(int Left, int Top, int Right, int Bottom) { StrokeAndFill(true, Left, Top, Right, Bottom); }

void TCanvas::LineTo(int X, int Y) {
  const TPoint from = penPos_;
  penPos_ = {X, Y};
  if (pen_.Style == psClear || (from.X == X && from.Y == Y)) return;
  gfx2d::Graphics* g = Graphics();
  if (!g) return;
  // Through the pixel centres, from the first pixel's near edge up to the last pixel's near
  // edge, so the end point is left out.
  const double dx = X - from.X, dy = Y - from.Y, len = std::hypot(dx, dy);
  const double ux = dx / len / 2, uy = dy / len / 2;
  const gfx2d::PointF a{static_cast<float>(from.X + 0.5 - ux), static_cast<float>(from.Y + 0.5 - uy)};
  const gfx2d::PointF b{static_cast<float>(X + 0.5 - ux), static_cast<float>(Y + 0.5 - uy)};
  const gfx2d::SolidBrush stroke(ToARGB(pen_.Color));
  g->DrawLine(gfx2d::Pen(&stroke, static_cast<float>(std::max(1, pen_.Width))), a, b);
}

void TCanvas::TextOut(int X, int Y, const std::u16string& Text) {
  gfx2d::Graphics* g = Graphics();
  if (!g || Text.empty()) return;
  const gfx2d::Font f = ToFont(font_);
  const gfx2d::RectF at{static_cast<float>(X), static_cast<float>(Y), 0, 0};
  gfx2d::RectF bounds;
  if (!g->MeasureString(Text, f, at, TextFormat(), bounds)) return;
  const int w = CeilPixels(bounds.Width), h = CeilPixels(bounds.Height);
  if (brush_.Style == bsSolid) {
    const gfx2d::SolidBrush back(ToARGB(brush_.Color));
    g->FillRectangle(back, {static_cast<float>(X), static_cast<float>(Y), static_cast<float>(w), static_cast<float>(h)});
  }
  g->DrawString(Text, f, at, TextFormat(), gfx2d::SolidBrush(ToARGB(font_.Color)));
  penPos_ = {X + w, Y};
}

int TCanvas::TextWidth(const std::u16string& Text) {
  gfx2d::Graphics* g = Graphics();
  gfx2d::RectF bounds;
  if (!g || Text.empty() || !g->MeasureString(Text, ToFont(font_), {}, TextFormat(), bounds)) return 0;
  return CeilPixels(bounds.Width);
}

int TCanvas::TextHeight(const std::u16string& Text) {
  gfx2d::Graphics* g = Graphics();
  gfx2d::RectF bounds;
  if (!g || Text.empty() || !g->MeasureString(Text, ToFont(font_), {}, TextFormat(), bounds)) return 0;
  return CeilPixels(bounds.Height);
}

TColor TCanvas::Pixel(int X, int Y) const {
  if (X < 0 || Y < 0 || X >= owner_.width_ || Y >= owner_.height_) return -1;
  Flush();
  const std::uint32_t p = owner_.bits_[static_cast<size_t>(Y) * static_cast<size_t>(owner_.width_) + X];
  return RGB(static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF));
}

void TCanvas::SetPixel(int X, int Y, TColor Color) {
  if (X < 0 || Y < 0 || X >= owner_.width_ || Y >= owner_.height_) return;
  Flush();
  owner_.bits_[static_cast<size_t>(Y) * static_cast<size_t>(owner_.width_) + X] = ToARGB(Color);
  if (image_) image_->MarkDirty();
}

void TCanvas::StretchDraw(const TRect& R, const TGraphic* Graphic) {
  if (!Graphic || Graphic->Empty() || R.Empty()) return;
  Graphic->Draw(*this, R);
}

void TCanvas::Draw(int X, int Y, const TGraphic* Graphic) {
  if (Graphic) StretchDraw({X, Y, X + Graphic->Width(), Y + Graphic->Height()}, Graphic);
}

// ---- graphic --------------------------------------------------------------------------------------

rtl::TClass TGraphic::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TGraphic>().Build();
  return &info;
}

// ---- bitmap ---------------------------------------------------------------------------------------

rtl::TClass TBitmap::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TBitmap>().Build();
  return &info;
}

TBitmap::TBitmap() : canvas_(new TCanvas(*this)) {}

TBitmap::~TBitmap() { canvas_->Release(); }

std::unique_ptr<TGraphic> TBitmap::Clone() const {
  auto copy = std::make_unique<TBitmap>();
  copy->Assign(this);
  return copy;
}

void TBitmap::Assign(const rtl::TPersistent* Source) {
  const auto* from = dynamic_cast<const TBitmap*>(Source);
  if (!from) return inherited::Assign(Source);
  if (from == this) return;
  const std::uint32_t* bits = from->Bits();
  canvas_->Release();
  bits_.assign(bits, bits ? bits + from->bits_.size() : bits);
  width_ = from->width_;
  height_ = from->height_;
}

void TBitmap::Draw(TCanvas& Canvas, const TRect& Rect) const {
  // Drawn onto its own canvas, the bitmap is read from a copy.
  std::vector<std::uint32_t> own;
  const std::uint32_t* bits = Bits();
  if (&Canvas.owner_ == this) {
    own.assign(bits, bits + bits_.size());
    bits = own.data();
  }
  gfx2d::Graphics* g = Canvas.Graphics();
  const std::unique_ptr<gfx2d::Image> source(
      gfx2d::Image::FromPixels(const_cast<std::uint32_t*>(bits), width_, height_));
  if (!g || !source) return;
  const gfx2d::InterpolationMode before = g->GetInterpolationMode();
  g->SetInterpolationMode(gfx2d::InterpolationMode::NearestNeighbor);
  g->DrawImage(*source,
               {static_cast<float>(Rect.Left), static_cast<float>(Rect.Top), static_cast<float>(Rect.Width()),
                static_cast<float>(Rect.Height())},
               {0, 0, static_cast<float>(width_), static_cast<float>(height_)});
  g->SetInterpolationMode(before);
}

void TBitmap::SetSize(int AWidth, int AHeight) {
  AWidth = std::max(0, AWidth);
  AHeight = std::max(0, AHeight);
  if (AWidth == width_ && AHeight == height_) return;
  if (static_cast<std::int64_t>(AWidth) * AHeight > MaxPixels)
    throw rtl::EInvalidArgument("Bitmap of " + std::to_string(AWidth) + " x " + std::to_string(AHeight) +
                                " pixels is too large");
  std::vector<std::uint32_t> bits(static_cast<size_t>(AWidth) * static_cast<size_t>(AHeight), 0);
  canvas_->Release();
  const int w = std::min(width_, AWidth), h = std::min(height_, AHeight);
  for (int y = 0; w > 0 && y < h; ++y)
    std::memcpy(&bits[static_cast<size_t>(y) * static_cast<size_t>(AWidth)],
                &bits_[static_cast<size_t>(y) * static_cast<size_t>(width_)], static_cast<size_t>(w) * 4);
  bits_.swap(bits);
  width_ = AWidth;
  height_ = AHeight;
}

std::uint32_t* TBitmap::ScanLine(int Row) {
  if (Row < 0 || Row >= height_ || width_ == 0)
    throw rtl::ERangeError("Scan line index out of range: " + std::to_string(Row));
  // Whoever writes the row directly is not seen by a surface kept over it: draw on anew.
  canvas_->Release();
  return &bits_[static_cast<size_t>(Row) * static_cast<size_t>(width_)];
}

const std::uint32_t* TBitmap::Bits() const {
  if (bits_.empty()) return nullptr;
  canvas_->Flush();
  return bits_.data();
}

// ---- picture --------------------------------------------------------------------------------------

rtl::TClass TPicture::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TPicture>().Build();
  return &info;
}

TPicture::TPicture() = default;

TPicture::~TPicture() = default;

void TPicture::SetGraphic(const TGraphic* Value) {
  if (Value == graphic_.get()) return;
  graphic_ = Value ? Value->Clone() : nullptr;
}

TBitmap* TPicture::Bitmap() {
  if (!dynamic_cast<TBitmap*>(graphic_.get())) graphic_ = std::make_unique<TBitmap>();
  return static_cast<TBitmap*>(graphic_.get());
}

void TPicture::Assign(const rtl::TPersistent* Source) {
  if (!Source) return SetGraphic(nullptr);
  if (const auto* p = dynamic_cast<const TPicture*>(Source)) return SetGraphic(p->Graphic());
  if (const auto* g = dynamic_cast<const TGraphic*>(Source)) return SetGraphic(g);
  inherited::Assign(Source);
}

}  // namespace win
