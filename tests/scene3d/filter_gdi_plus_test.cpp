// The 3D image codec on the 2D codec: files and streams into 3D bitmaps and back.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/rtl/Streams.h"
#include "scene3d/FilterGdiPlus.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/FilterGdiPlus.h"

namespace filter_gdi_plus_test {

namespace {

using namespace dx;
namespace fs = std::filesystem;

class DxFilterGdiPlus : public ::testing::Test {
protected:
  void SetUp() override {
    saved_ = vg::DefaultFilterClass;
    vg::DefaultFilterClass = vg::TvxFilterClassOf<vg::TvxFilterGdiPlus>::Instance();
    fs::create_directories(dir_);
  }
  void TearDown() override {
    vg::DefaultFilterClass = saved_;
    fs::remove_all(dir_);
  }
  std::string File(const std::string& Name) const { return (dir_ / Name).string(); }

  // A W x H picture whose pixels all differ, saved as PNG (lossless).
  std::string SavePattern(const std::string& Name, int W, int H) {
    vg::TvxBitmap b(W, H);
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        b.Bits()[y * W + x] = 0xFF000000u | static_cast<std::uint32_t>(x % 256) << 16 |
                              static_cast<std::uint32_t>(y % 256) << 8 | static_cast<std::uint32_t>((x * y) % 256);
    const std::string path = File(Name);
    EXPECT_TRUE(vg::TvxFilterGdiPlus().SaveToFile(path, b, ""));
    return path;
  }

  TdxFilterGdiPlus filter_;

private:
  const vg::TvxFilterClass* saved_ = nullptr;
  fs::path dir_ = fs::temp_directory_path() / ("gascal-dxfilter-" + std::to_string(::getpid()));
};

TEST_F(DxFilterGdiPlus, PngFileGivesThePixelsOfThe2DBitmapWithOneChange) {
  const std::string path = SavePattern("pattern.png", 200, 100);
  vg::TvxBitmap flat;
  flat.LoadFromFile(path);
  ASSERT_EQ(flat.Width(), 200);

  TdxBitmap b;
  int changes = 0;
  b.OnChange = [&](rtl::TObject*) { ++changes; };
  ASSERT_TRUE(filter_.LoadFromFile(path, 0, b));
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(b.NeedUpdate());
  ASSERT_EQ(b.Width(), 200);
  ASSERT_EQ(b.Height(), 100);
  EXPECT_EQ(std::memcmp(b.Bits(), flat.Bits(), 200 * 100 * 4), 0);

  // A quarter turn is the 2D codec's.
  ASSERT_TRUE(filter_.LoadFromFile(path, 90, b));
  EXPECT_EQ(b.Width(), 100);
  EXPECT_EQ(b.Height(), 200);
}

TEST_F(DxFilterGdiPlus, FailedLoadsLeaveTheBitmap) {
  TdxBitmap b(4, 4);
  b.Clear(0xFF112233);
  int changes = 0;
  b.OnChange = [&](rtl::TObject*) { ++changes; };
  EXPECT_FALSE(filter_.LoadFromFile(File("missing.png"), 0, b));
  EXPECT_FALSE(filter_.LoadThumbnailFromFile(File("missing.png"), 10, 10, true, b));
  rtl::TStringStream garbage("not an image at all");
  EXPECT_FALSE(filter_.LoadFromStream(garbage, b));
  EXPECT_EQ(changes, 0);
  ASSERT_EQ(b.Width(), 4);
  EXPECT_EQ(b.Bits()[15], 0xFF112233u);

  vg::DefaultFilterClass = nullptr;
  rtl::TMemoryStream out;
  EXPECT_FALSE(filter_.SaveToStream(out, b, "png", ""));
  EXPECT_EQ(filter_.GetImageSize(SavePattern("x.png", 2, 2)), dxPoint3D(0, 0, 0));
}

TEST_F(DxFilterGdiPlus, SizeThumbnailsAndFileTypes) {
  const std::string path = SavePattern("big.png", 640, 480);
  EXPECT_EQ(filter_.GetImageSize(path), dxPoint3D(640, 480, 0));
  TdxBitmap thumb;
  ASSERT_TRUE(filter_.LoadThumbnailFromFile(path, 64, 64, false, thumb));
  EXPECT_EQ(thumb.Width(), 64);
  EXPECT_EQ(thumb.Height(), 48);
  EXPECT_EQ(filter_.GetFileTypes(), "*.bmp;*.jpg;*.jpeg;*.png;*.tif;*.tiff;*.gif");
}

TEST_F(DxFilterGdiPlus, SavedStreamsAndFilesLoadBack) {
  TdxBitmap b(7, 5);
  std::uint32_t* bits = nullptr;
  ASSERT_TRUE(b.Map(bits, true));
  for (int i = 0; i < 35; ++i) bits[i] = 0x80000000u | static_cast<std::uint32_t>(i);
  b.Unmap();

  rtl::TMemoryStream png;
  ASSERT_TRUE(filter_.SaveToStream(png, b, "png", ""));
  png.SetPosition(0);
  TdxBitmap back;
  ASSERT_TRUE(filter_.LoadFromStream(png, back));
  ASSERT_EQ(back.Width(), 7);
  EXPECT_EQ(std::memcmp(back.Bits(), b.Bits(), 35 * 4), 0);

  const std::string path = File("saved.png");
  ASSERT_TRUE(filter_.SaveToFile(path, b, ""));
  TdxBitmap fromFile;
  ASSERT_TRUE(filter_.LoadFromFile(path, 0, fromFile));
  EXPECT_EQ(std::memcmp(fromFile.Bits(), b.Bits(), 35 * 4), 0);

  // Saving reads the pixels only: no change event, nothing to upload.
  int changes = 0;
  b.OnChange = [&](rtl::TObject*) { ++changes; };
  b.SetNeedUpdate(false);
  rtl::TMemoryStream jpg;
  ASSERT_TRUE(filter_.SaveToStream(jpg, b, "jpg", "quality=100"));
  EXPECT_EQ(changes, 0);
  EXPECT_FALSE(b.NeedUpdate());
}

}  // namespace

}  // namespace filter_gdi_plus_test
