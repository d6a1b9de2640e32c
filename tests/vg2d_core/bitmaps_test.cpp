#include <gtest/gtest.h>

#include "vg2d/core/Bitmaps.h"

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "PaintFakes.h"
#include "platform/rtl/Streams.h"
#include "platform/win/Graphics.h"
#include "vg2d/core/Canvas.h"

namespace bitmaps_test {

namespace {

using namespace vg;

struct EventLog {
  std::string text;
  void Hook(TvxBitmap& B) {
    B.OnChange = [this](rtl::TObject*) { text += "change;"; };
    B.OnBeforeRealloc = [this](rtl::TObject*) { text += "before;"; };
    B.OnFreePixels = [this](rtl::TObject*) { text += "free;"; };
    B.OnAfterRealloc = [this](rtl::TObject*) { text += "after;"; };
  }
};

TEST(BitmapSize, EmptyBitmapHasNoPixelsAndNothingToWrite) {
  vgtest::FilterScope codec;
  EventLog log;  // outlives the bitmap, which reports freeing its pixels
  TvxBitmap b;
  log.Hook(b);
  EXPECT_TRUE(b.IsEmpty());
  EXPECT_EQ(b.Bits(), nullptr);
  b.Clear(0xFFFFFFFF);
  EXPECT_EQ(log.text, "");
  vgtest::RecordingFiler filer(&b);
  EXPECT_FALSE(filer.binaries.at("PNG").HasData);
}

TEST(BitmapSize, NewSizeReallocatesTransparentAndNotifiesOnce) {
  EventLog log;
  TvxBitmap b(3, 2);
  b.Clear(0xFF102030);
  log.Hook(b);
  b.SetSize(3, 2);
  EXPECT_EQ(log.text, "");
  EXPECT_EQ(b.Bits()[5], 0xFF102030u);
  b.SetHandle(&log);
  b.SetSize(4, 4);
  EXPECT_EQ(log.text, "before;free;after;change;");
  EXPECT_EQ(b.Handle(), nullptr);
  EXPECT_TRUE(b.NeedUpdate());
  EXPECT_EQ(std::vector<uint32_t>(b.Bits(), b.Bits() + 16), std::vector<uint32_t>(16, 0));
}

TEST(BitmapSize, RefusesNegativeAndHugeSizesLeavingTheBitmap) {
  EventLog log;
  TvxBitmap b(2, 2);
  log.Hook(b);
  EXPECT_THROW(b.SetSize(-4, -4), rtl::EInvalidArgument);
  EXPECT_THROW(b.SetSize(-1, 5), rtl::EInvalidArgument);
  EXPECT_THROW(b.SetSize(70000, 70000), rtl::EInvalidArgument);  // overflows 32 bits
  EXPECT_THROW(b.SetSize(2147483647, 2), rtl::EInvalidArgument);
  EXPECT_EQ(b.Width(), 2);
  EXPECT_EQ(b.Height(), 2);
  EXPECT_NE(b.Bits(), nullptr);
  EXPECT_EQ(log.text, "");
  b.SetSize(0, 100);
  EXPECT_TRUE(b.IsEmpty());
  EXPECT_EQ(b.Bits(), nullptr);
}

TEST(BitmapPixels, ClearRectTruncatesRoundsAndClips) {
  EventLog log;
  TvxBitmap b(10, 10);
  log.Hook(b);
  b.SetNeedUpdate(false);
  b.ClearRect({-5, -5, 3.6f, 2.4f}, 0x80FF0000);
  const uint32_t c = PremultiplyAlpha(0x80FF0000);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) EXPECT_EQ(b.Bits()[y * 10 + x], x <= 3 && y <= 1 ? c : 0u) << x << "," << y;
  EXPECT_TRUE(b.NeedUpdate());
  EXPECT_EQ(log.text, "");
  b.ClearRect({8, 8, 1e30f, 1e30f}, 0xFFFFFFFF);  // clipped at the edges
  EXPECT_EQ(b.Bits()[99], 0xFFFFFFFFu);
  b.ClearRect({20, 20, 30, 30}, 0xFF00FF00);  // outside: nothing
  b.ClearRect({std::nanf(""), 0, 2, 2}, 0xFF0000FF);
  EXPECT_EQ(b.Bits()[11], 0xFF0000FFu);
}

TEST(BitmapPixels, AlphaOperations) {
  TvxBitmap b(2, 2);
  b.Bits()[1] = 0xFFFFFFFF;
  b.Bits()[2] = PremultiplyAlpha(0x80FF0000);
  // Every operation that changes the pixels asks a host's copy (a texture) to be made again.
  b.SetNeedUpdate(false);
  b.InvertAlpha();
  EXPECT_TRUE(b.NeedUpdate());
  EXPECT_EQ(b.Bits()[0], 0xFF000000u);  // transparent becomes opaque black
  EXPECT_EQ(b.Bits()[1], 0u);
  EXPECT_EQ(b.CreateMask(), (std::vector<uint8_t>{0xFF, 0x00, 0x7F, 0xFF}));

  TvxBitmap s(2, 1);
  s.Bits()[0] = 0x80808080;
  s.SetColorKeepAlpha(0xFF00FF00);
  EXPECT_EQ(s.Bits()[0], PremultiplyAlpha(ApplyOpacity(0xFF00FF00, 128 / 255.0f)));
  EXPECT_EQ(s.Bits()[1], 0u);

  // A mask shifted one column right: pixel 1 takes mask byte 0.
  TvxBitmap m(2, 1);
  m.Clear(0xFFFFFFFF);
  m.ApplyMask({255, 0}, 1, 0);
  EXPECT_EQ(m.Bits()[0], 0xFFFFFFFFu);
  EXPECT_EQ(m.Bits()[1], 0u);
  m.ApplyMask({255}, 0, 0);  // too small to be this bitmap's mask
  EXPECT_EQ(m.Bits()[0], 0xFFFFFFFFu);

  TvxBitmap f(1, 3);
  for (int i = 0; i < 3; ++i) f.Bits()[i] = static_cast<uint32_t>(i);
  f.SetNeedUpdate(false);
  f.FlipVertical();
  EXPECT_TRUE(f.NeedUpdate());
  EXPECT_EQ(std::vector<uint32_t>(f.Bits(), f.Bits() + 3), (std::vector<uint32_t>{2, 1, 0}));
  EXPECT_EQ(f.GetScanline(2), f.Bits() + 2);
  EXPECT_EQ(f.GetScanline(3), nullptr);
}

TEST(BitmapPng, OpaqueAsJpegOtherwisePngAndReadsBack) {
  vgtest::FilterScope codec;
  TvxBitmap b(2, 2);
  b.Clear(0xFF336699);
  vgtest::RecordingFiler filer(&b);
  ASSERT_TRUE(filer.binaries.at("PNG").HasData);
  std::string data = filer.Written("PNG");
  EXPECT_EQ(vgtest::FakeFilter::LastFormat, "jpeg");
  EXPECT_EQ(vgtest::FakeFilter::LastParams, "quality=100");

  b.Bits()[3] = 0xFE336699;
  data = filer.Written("PNG");
  EXPECT_EQ(vgtest::FakeFilter::LastFormat, "png");
  EXPECT_EQ(vgtest::FakeFilter::LastParams, "");

  // Read from the middle of a stream: the rest is decoded.
  TvxBitmap back;
  int changes = 0;
  back.OnChange = [&](rtl::TObject*) { ++changes; };
  vgtest::RecordingFiler reader(&back);
  rtl::TStringStream s("xyz" + data);
  s.SetPosition(3);
  reader.binaries.at("PNG").Read(s);
  ASSERT_EQ(back.Width(), 2);
  EXPECT_EQ(back.Bits()[3], 0xFE336699u);
  EXPECT_EQ(changes, 1);

  rtl::TStringStream garbage("not an image");
  changes = 0;
  back.ReadPNG(garbage);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(back.Bits()[3], 0xFE336699u);

  rtl::TStringStream stream(data);
  TvxBitmap created(stream);
  EXPECT_EQ(created.Height(), 2);
}

TEST(BitmapAssign, CopiesPixelsOrTheResourceReference) {
  TvxBitmap a(2, 1);
  a.Bits()[1] = 0xFF00FF00;
  TvxBitmap b;
  int changes = 0;
  b.OnChange = [&](rtl::TObject*) { ++changes; };
  b.Assign(&a);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(b.Width(), 2);
  EXPECT_EQ(b.Bits()[1], 0xFF00FF00u);

  auto* res = new vgtest::FakeResource("Logo");
  TvxBitmap named;
  named.SetResourceName("Logo");
  EXPECT_EQ(named.GetResourceBitmap(), &res->bitmap);
  b.Assign(&named);
  EXPECT_EQ(changes, 2);  // one change for the new link
  EXPECT_EQ(b.Resource(), res);
  EXPECT_EQ(b.ResourceName(), "Logo");
  EXPECT_EQ(b.Width(), 2);  // own pixels untouched
  res->Free();
  EXPECT_EQ(b.Resource(), nullptr);
}

TEST(BitmapAssign, TakesAClassLibraryBitmapsSizeAndPixelsAndDropsALink) {
  auto* res = new vgtest::FakeResource("Logo");
  TvxBitmap b;
  b.SetResourceName("Logo");
  ASSERT_EQ(b.GetResourceBitmap(), &res->bitmap);
  int changes = 0;
  b.OnChange = [&](rtl::TObject*) { ++changes; };
  win::TBitmap picture;
  picture.SetSize(3, 2);
  picture.ScanLine(1)[2] = 0x80402010u;  // half-transparent, premultiplied
  picture.ScanLine(0)[0] = 0xFF0000FFu;
  b.Assign(&picture);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(b.Resource(), nullptr) << "its own pixels now, not the resource's";
  EXPECT_EQ(b.ResourceName(), "");
  ASSERT_EQ(b.Width(), 3);
  ASSERT_EQ(b.Height(), 2);
  EXPECT_EQ(b.Bits()[5], 0x80402010u);
  EXPECT_EQ(b.Bits()[0], 0xFF0000FFu);
  EXPECT_EQ(b.Bits()[1], 0u);
  // An empty one empties.
  win::TBitmap none;
  b.Assign(&none);
  EXPECT_TRUE(b.IsEmpty());
  res->Free();
}

TEST(BitmapAssign, GivesAClassLibraryBitmapItsSizeAndPixels) {
  TvxBitmap b(3, 2);
  b.Bits()[5] = 0x80402010u;
  b.Bits()[1] = 0xFF0000FFu;
  win::TBitmap picture;
  picture.SetSize(7, 7);
  picture.ScanLine(0)[0] = 0xFFFFFFFFu;
  picture.Assign(&b);
  ASSERT_EQ(picture.Width(), 3);
  ASSERT_EQ(picture.Height(), 2);
  EXPECT_EQ(std::vector<uint32_t>(picture.Bits(), picture.Bits() + 6),
            (std::vector<uint32_t>{0, 0xFF0000FFu, 0, 0, 0, 0x80402010u}));
  // And back as it was.
  TvxBitmap back;
  back.Assign(&picture);
  EXPECT_EQ(std::vector<uint32_t>(back.Bits(), back.Bits() + 6), std::vector<uint32_t>(b.Bits(), b.Bits() + 6));
  TvxBitmap empty;
  picture.Assign(&empty);
  EXPECT_EQ(picture.Width(), 0);
  EXPECT_EQ(picture.Bits(), nullptr);
}

// A graphic of the class library of another kind than the bitmap: it fills the left half of
// where it is drawn red, and the first pixel of its middle row magenta (the key's own colour).
class HalfGraphic : public win::TGraphic {
  RTL_CLASS(HalfGraphic, win::TGraphic)
public:
  HalfGraphic(int W, int H) : w_(W), h_(H) {}
  int Width() const override { return w_; }
  int Height() const override { return h_; }
  std::unique_ptr<win::TGraphic> Clone() const override { return std::make_unique<HalfGraphic>(w_, h_); }

protected:
  void Draw(win::TCanvas& C, const win::TRect& R) const override {
    C.Brush().Color = win::clRed;
    C.FillRect({R.Left, R.Top, R.Left + R.Width() / 2, R.Bottom});
    C.SetPixel(R.Left, R.Top + R.Height() / 2, win::RGB(255, 0, 255));
  }

private:
  int w_, h_;
};

}  // namespace

rtl::TClass HalfGraphic::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<HalfGraphic>().Build();
  return &info;
}

namespace {

// Another graphic, or a picture holding one, is drawn over the magenta key at its size: what
// it draws comes opaque, what it leaves (and whatever it draws in the key's colour) stays
// transparent. A picture holding a bitmap gives that bitmap's pixels as they are; one holding
// nothing empties. Each is one change, and drops a resource link.
TEST(BitmapAssign, TakesAnyGraphicOrPictureOfTheClassLibraryThroughTheMagentaKey) {
  auto* res = new vgtest::FakeResource("Logo");
  TvxBitmap b;
  b.SetResourceName("Logo");
  ASSERT_EQ(b.GetResourceBitmap(), &res->bitmap);
  int changes = 0;
  b.OnChange = [&](rtl::TObject*) { ++changes; };
  const HalfGraphic half(4, 3);
  b.Assign(&half);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(b.ResourceName(), "");
  ASSERT_EQ(b.Width(), 4);
  ASSERT_EQ(b.Height(), 3);
  const uint32_t R = 0xFFFF0000u;
  EXPECT_EQ(std::vector<uint32_t>(b.Bits(), b.Bits() + 12),
            (std::vector<uint32_t>{R, R, 0, 0, 0, R, 0, 0, R, R, 0, 0}));
  EXPECT_TRUE(b.NeedUpdate());

  win::TPicture picture;
  picture.Assign(&half);
  TvxBitmap fromPicture(9, 9);
  fromPicture.Assign(&picture);
  EXPECT_EQ(std::vector<uint32_t>(fromPicture.Bits(), fromPicture.Bits() + 12),
            std::vector<uint32_t>(b.Bits(), b.Bits() + 12));
  // A picture of a bitmap: its pixels as they are, translucent ones too.
  win::TBitmap library;
  library.SetSize(2, 1);
  library.ScanLine(0)[1] = 0x80402010u;
  picture.Assign(&library);
  fromPicture.Assign(&picture);
  ASSERT_EQ(fromPicture.Width(), 2);
  EXPECT_EQ(fromPicture.Bits()[0], 0u);
  EXPECT_EQ(fromPicture.Bits()[1], 0x80402010u);
  picture.Assign(nullptr);
  fromPicture.Assign(&picture);
  EXPECT_TRUE(fromPicture.IsEmpty());
  res->Free();
}

// To a picture: a bitmap of the same size and pixels, in place of whatever it held.
TEST(BitmapAssign, GivesAClassLibraryPictureABitmapOfItsPixels) {
  TvxBitmap b(3, 2);
  b.Bits()[5] = 0x80402010u;
  b.Bits()[1] = 0xFF0000FFu;
  win::TPicture picture;
  const HalfGraphic before(7, 7);
  picture.Assign(&before);
  picture.Assign(&b);
  auto* held = dynamic_cast<win::TBitmap*>(picture.Graphic());
  ASSERT_NE(held, nullptr);
  ASSERT_EQ(held->Width(), 3);
  ASSERT_EQ(held->Height(), 2);
  EXPECT_EQ(std::vector<uint32_t>(held->Bits(), held->Bits() + 6),
            (std::vector<uint32_t>{0, 0xFF0000FFu, 0, 0, 0, 0x80402010u}));
  TvxBitmap back;
  back.Assign(&picture);
  EXPECT_EQ(std::vector<uint32_t>(back.Bits(), back.Bits() + 6), std::vector<uint32_t>(b.Bits(), b.Bits() + 6));
}

TEST(BitmapFiles, MissingFileChangesNothing) {
  vgtest::FilterScope codec;
  TvxBitmap b(1, 1);
  int changes = 0;
  b.OnChange = [&](rtl::TObject*) { ++changes; };
  b.LoadFromFile("/nonexistent/picture.png");
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(b.Width(), 1);
}

}  // namespace

namespace {

class FakeCanvas : public vg::TvxCanvas {
  RTL_CLASS(FakeCanvas, vg::TvxCanvas)
public:
  explicit FakeCanvas(vg::TvxBitmap* B) : vg::TvxCanvas(B) { ++Live; }
  ~FakeCanvas() override { --Live; }
  static inline int Live = 0;
};

struct FakeCanvasClass : vg::TvxCanvasClass {
  rtl::TClass ClassInfo() const override { return FakeCanvas::StaticClass(); }
  std::unique_ptr<vg::TvxCanvas> Create(int, int) const override { return nullptr; }
  std::unique_ptr<vg::TvxCanvas> CreateFromBitmap(vg::TvxBitmap* B) const override {
    return std::make_unique<FakeCanvas>(B);
  }
};

TEST(BitmapCanvas, MadeOnFirstUseAndFreedWithThePixels) {
  const FakeCanvasClass canvasClass;
  vg::DefaultCanvasClass = &canvasClass;
  {
    vg::TvxBitmap b(4, 3);
    vg::TvxCanvas* c = b.GetCanvas();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(b.GetCanvas(), c);
    EXPECT_EQ(c->Bitmap(), &b);
    EXPECT_EQ(c->Width(), 4);
    EXPECT_EQ(c->Matrix(), vg::IdentityMatrix);
    b.SetSize(5, 5);
    EXPECT_EQ(FakeCanvas::Live, 0);
    EXPECT_EQ(b.GetCanvas()->Width(), 5);
    EXPECT_EQ(b.GetScanline(0), nullptr);  // the base class operation hands out no rows
  }
  EXPECT_EQ(FakeCanvas::Live, 0);
  vg::DefaultCanvasClass = nullptr;
}

rtl::TClass FakeCanvas::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<FakeCanvas>().Build();
  return &info;
}

}  // namespace

}  // namespace bitmaps_test
