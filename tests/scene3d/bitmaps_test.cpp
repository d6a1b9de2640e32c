// The 3D bitmap: size, mapping and change events, the canvases that hold its textures, copies
// to and from 2D bitmaps, and its "PNG" property; the named bitmap resources.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Filer.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Graphics.h"
#include "scene3d/Bitmaps.h"
#include "scene3d/FilterGdiPlus.h"
#include "scene3d/Materials.h"
#include "scene3d/Objects.h"
#include "scene3d/Shapes.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/Brushes.h"
#include "vg2d/core/FilterGdiPlus.h"

namespace bitmaps_test {

namespace {

using namespace dx;

// Records the textures it is told to drop, in order, into a log shared by several canvases.
class RecordingCanvas : public IdxBitmapCanvas {
public:
  RecordingCanvas(std::string Name, std::vector<std::string>& Log) : name_(std::move(Name)), log_(Log) {}
  void DestroyBitmapHandle(TdxBitmap& Bitmap) override {
    log_.push_back(name_ + ":" + std::to_string(Bitmap.Width()) + "x" + std::to_string(Bitmap.Height()));
  }

private:
  std::string name_;
  std::vector<std::string>& log_;
};

// Sets the default codecs of both libraries for a test and puts the old ones back.
class DxCodecs : public ::testing::Test {
protected:
  void SetUp() override {
    saved2D_ = vg::DefaultFilterClass;
    saved3D_ = DefaultFilterClass;
    vg::DefaultFilterClass = vg::TvxFilterClassOf<vg::TvxFilterGdiPlus>::Instance();
    DefaultFilterClass = TdxFilterClassOf<TdxFilterGdiPlus>::Instance();
  }
  void TearDown() override {
    vg::DefaultFilterClass = saved2D_;
    DefaultFilterClass = saved3D_;
  }

private:
  const vg::TvxFilterClass* saved2D_ = nullptr;
  const TdxFilterClass* saved3D_ = nullptr;
};

void Fill(TdxBitmap& B, std::uint8_t Alpha) {
  std::uint32_t* bits = nullptr;
  ASSERT_TRUE(B.Map(bits, true));
  for (int i = 0; i < B.Width() * B.Height(); ++i)
    bits[i] = static_cast<std::uint32_t>(Alpha) << 24 | static_cast<std::uint32_t>(i * 7 % Alpha);
  B.Unmap();
}

TEST(DxBitmap, SizeRulesAndPixels) {
  TdxBitmap b;
  EXPECT_FALSE(b.NeedUpdate());
  b.SetSize(3, 2);
  EXPECT_TRUE(b.NeedUpdate());
  ASSERT_NE(b.Bits(), nullptr);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(b.Bits()[i], 0u);

  b.Clear(0xFF102030);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(b.Bits()[i], 0xFF102030u);

  b.SetSize(-5, 3);
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 3);
  std::uint32_t* bits = reinterpret_cast<std::uint32_t*>(&b);
  EXPECT_FALSE(b.Map(bits, true));
  EXPECT_EQ(bits, nullptr);
  b.SetNeedUpdate(false);
  b.Clear(0xFFFFFFFF);
  EXPECT_FALSE(b.NeedUpdate()) << "no pixels, nothing to clear";

  EXPECT_THROW(b.SetSize(70000, 70000), rtl::EInvalidArgument);
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 3);
}

TEST(DxBitmap, OnlyAMappingForWritingNotifies) {
  TdxBitmap b(2, 2);
  int changes = 0;
  b.OnChange = [&](rtl::TObject*) { ++changes; };
  b.SetNeedUpdate(false);
  std::uint32_t* bits = nullptr;
  ASSERT_TRUE(b.Map(bits, false));
  b.Unmap();
  EXPECT_EQ(changes, 0);
  EXPECT_FALSE(b.NeedUpdate());

  ASSERT_TRUE(b.Map(bits, true));
  bits[3] = 0xFF00FF00;
  EXPECT_EQ(changes, 0) << "not before Unmap";
  b.Unmap();
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(b.NeedUpdate());
  b.Unmap();
  EXPECT_EQ(changes, 1) << "the write is forgotten after Unmap";

  b.SetSize(4, 4);
  b.Clear(0);
  EXPECT_EQ(changes, 1) << "resizing and clearing leave the notification to the caller";
}

TEST(DxBitmap, CanvasesDropTheirTexturesOnResizeAndFreeLastFirst) {
  std::vector<std::string> log;
  RecordingCanvas first("first", log), second("second", log);
  {
    TdxBitmap b(2, 2);
    b.AddCanvas(&first);
    b.AddCanvas(&second);
    b.AddCanvas(&first);
    EXPECT_EQ(b.Canvases().size(), 2u);

    b.SetSize(2, 2);
    EXPECT_TRUE(log.empty()) << "the same size changes nothing";
    b.SetSize(5, 1);
    EXPECT_EQ(log, (std::vector<std::string>{"second:2x2", "first:2x2"}));
    log.clear();
    b.RemoveCanvas(&second);
  }
  EXPECT_EQ(log, (std::vector<std::string>{"first:5x1"}));
}

TEST(DxBitmap, CanvasMayTakeItselfOffWhileDroppingItsTexture) {
  struct Leaving : IdxBitmapCanvas {
    int calls = 0;
    void DestroyBitmapHandle(TdxBitmap& Bitmap) override {
      ++calls;
      Bitmap.RemoveCanvas(this);
    }
  } a, b;
  {
    TdxBitmap bitmap(1, 1);
    bitmap.AddCanvas(&a);
    bitmap.AddCanvas(&b);
    bitmap.SetSize(2, 2);
    EXPECT_TRUE(bitmap.Canvases().empty());
    bitmap.AddCanvas(&a);
  }
  EXPECT_EQ(a.calls, 2);
  EXPECT_EQ(b.calls, 1);
}

TEST(DxBitmap, CopiesToAndFrom2DBitmaps) {
  vg::TvxBitmap flat(3, 2);
  for (int i = 0; i < 6; ++i) flat.Bits()[i] = 0x80000000u + static_cast<std::uint32_t>(i);
  TdxBitmap b;
  int changes = 0;
  b.OnChange = [&](rtl::TObject*) { ++changes; };
  b.Assign(&flat);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(b.NeedUpdate());
  ASSERT_EQ(b.Width(), 3);
  ASSERT_EQ(b.Height(), 2);
  EXPECT_EQ(std::memcmp(b.Bits(), flat.Bits(), 24), 0);

  TdxBitmap copy(7, 7);
  copy.Assign(&b);
  ASSERT_EQ(copy.Width(), 3);
  EXPECT_EQ(std::memcmp(copy.Bits(), flat.Bits(), 24), 0);

  copy.Clear(0xFFABCDEF);
  vg::TvxBitmap back;
  int flatChanges = 0;
  back.OnChange = [&](rtl::TObject*) { ++flatChanges; };
  back.Assign(&copy);
  EXPECT_EQ(back.Width(), 3);
  EXPECT_EQ(back.Height(), 2);
  EXPECT_EQ(back.Bits()[5], 0xFFABCDEFu);
  EXPECT_GE(flatChanges, 1);

  vg::TvxFont notABitmap;
  EXPECT_THROW(b.Assign(&notABitmap), rtl::EConvertError);
}

TEST(DxBitmap, CopiesToAndFromTheClassLibrarysBitmaps) {
  win::TBitmap picture;
  picture.SetSize(3, 2);
  picture.ScanLine(1)[2] = 0x80402010u;  // half-transparent, premultiplied: taken as it is
  picture.ScanLine(0)[0] = 0xFF0000FFu;
  TdxBitmap b(5, 5);
  int changes = 0;
  b.OnChange = [&](rtl::TObject*) { ++changes; };
  b.SetNeedUpdate(false);
  b.Assign(&picture);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(b.NeedUpdate());
  ASSERT_EQ(b.Width(), 3);
  ASSERT_EQ(b.Height(), 2);
  EXPECT_EQ(std::memcmp(b.Bits(), picture.Bits(), 24), 0);

  b.Clear(0xFFABCDEF);
  win::TBitmap back;
  back.Assign(&b);
  ASSERT_EQ(back.Width(), 3);
  ASSERT_EQ(back.Height(), 2);
  EXPECT_EQ(back.ScanLine(1)[2], 0xFFABCDEFu);
  EXPECT_EQ(std::memcmp(back.Bits(), b.Bits(), 24), 0);
  TdxBitmap empty;
  back.Assign(&empty);
  EXPECT_EQ(back.Bits(), nullptr);
  // A picture of the class library takes a bitmap of the same size and pixels, in place of
  // what it held.
  win::TPicture held;
  held.Assign(&picture);
  held.Assign(&b);
  auto* taken = dynamic_cast<win::TBitmap*>(held.Graphic());
  ASSERT_NE(taken, nullptr);
  ASSERT_EQ(taken->Width(), 3);
  ASSERT_EQ(taken->Height(), 2);
  EXPECT_EQ(std::memcmp(taken->Bits(), b.Bits(), 24), 0);
}

TEST_F(DxCodecs, PngPropertyPicksJpegForOpaqueBitmapsAndPngOtherwise) {
  TdxBitmap opaque(1, 1), translucent(1, 1);
  Fill(opaque, 255);
  Fill(translucent, 254);
  rtl::TMemoryStream jpg, png;
  opaque.WritePNG(jpg);
  translucent.WritePNG(png);
  ASSERT_GT(jpg.Size(), 4);
  ASSERT_GT(png.Size(), 4);
  const auto* j = static_cast<const unsigned char*>(jpg.Memory());
  const auto* p = static_cast<const unsigned char*>(png.Memory());
  EXPECT_TRUE(j[0] == 0xFF && j[1] == 0xD8) << "JPEG";
  EXPECT_TRUE(p[0] == 0x89 && p[1] == 'P' && p[2] == 'N' && p[3] == 'G') << "PNG";

  TdxBitmap empty;
  rtl::TMemoryStream none;
  empty.WritePNG(none);
  EXPECT_EQ(none.Size(), 0);
}

TEST_F(DxCodecs, ACopyInsideTheProgramKeepsEveryPixelOfAnOpaquePicture) {
  // Sharp red and blue blocks, opaque: as JPEG every edge between them would smear.
  std::unique_ptr<TdxImage> source(new TdxImage(nullptr));
  TdxBitmap* b = source->Bitmap();
  b->SetSize(16, 16);
  std::uint32_t* bits = nullptr;
  ASSERT_TRUE(b->Map(bits, true));
  for (int i = 0; i < 256; ++i) bits[i] = (i % 16 / 4 + i / 64) % 2 ? 0xFFFF0000u : 0xFF0000FFu;
  b->Unmap();
  rtl::TMemoryStream copy;
  {
    rtl::TWriter writer(&copy, 4096);
    writer.SetCopying(true);
    writer.WriteRootComponent(source.get());
  }
  copy.SetPosition(0);
  std::unique_ptr<TdxImage> back(new TdxImage(nullptr));
  LoadDxObjectFromStream(back.get(), &copy);
  ASSERT_EQ(back->Bitmap()->Width(), 16);
  ASSERT_EQ(back->Bitmap()->Height(), 16);
  EXPECT_EQ(std::memcmp(back->Bitmap()->Bits(), b->Bits(), 256 * 4), 0);
  // The object's text (files, the clipboard) holds it as JPEG still.
  EXPECT_NE(SaveDxObjectToText(source.get()).find("FFD8FF"), std::string::npos);
}

TEST_F(DxCodecs, PngPropertyReadsBackAndLeavesTheBitmapOnBadData) {
  TdxBitmap source(5, 3);
  Fill(source, 200);
  rtl::TMemoryStream data;
  source.WritePNG(data);

  data.SetPosition(0);
  TdxBitmap back(data);
  ASSERT_EQ(back.Width(), 5);
  ASSERT_EQ(back.Height(), 3);
  EXPECT_EQ(std::memcmp(back.Bits(), source.Bits(), 5 * 3 * 4), 0) << "PNG is lossless";

  int changes = 0;
  back.OnChange = [&](rtl::TObject*) { ++changes; };
  data.SetPosition(0);
  back.ReadPNG(data);
  EXPECT_EQ(changes, 1);

  rtl::TStringStream garbage("this is not an image");
  back.ReadPNG(garbage);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(back.Width(), 5);
  EXPECT_EQ(std::memcmp(back.Bits(), source.Bits(), 5 * 3 * 4), 0);
}

TEST(DxBitmapResources, MaterialsFindBitmapsByNameWhileTheResourceLives) {
  struct Resource : IdxBitmapResource {
    TdxBitmap bitmap{1, 1};
    TdxBitmap* ResourceBitmap() override { return &bitmap; }
  } a, b;
  dxAddBitmapResource("", &a);
  dxAddBitmapResource("Wood", &b);
  EXPECT_EQ(dxFindResourceBitmap("wood"), &b.bitmap) << "names ignore case";
  EXPECT_EQ(dxFindResourceBitmap(""), nullptr);
  dxRenameBitmapResource(&a, "WOOD");
  EXPECT_EQ(dxFindResourceBitmap("Wood"), &a.bitmap) << "the first entry of a name counts";
  dxRemoveBitmapResource(&a);
  EXPECT_EQ(dxFindResourceBitmap("Wood"), &b.bitmap);
  TdxMaterial m;
  m.SetBitmap("wood");
  EXPECT_EQ(m.GetBitmap(), &b.bitmap);
  dxRemoveBitmapResource(&b);
  EXPECT_EQ(dxFindResourceBitmap("Wood"), nullptr);
  EXPECT_EQ(m.GetBitmap(), nullptr);
}

}  // namespace

}  // namespace bitmaps_test
