// The image codec on real encoders: images made here are written and read back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/gfx2d/ImageCodec.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "vg2d/core/FilterGdiPlus.h"

namespace filter_gdi_plus_test {

namespace {

using namespace vg;
namespace fs = std::filesystem;

// A W x H bitmap whose pixels all differ: red follows x, green y; top-left is blue.
void Pattern(TvxBitmap& b, int W, int H, uint8_t Alpha = 255) {
  b.SetSize(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      b.Bits()[y * W + x] = PremultiplyAlpha(MakeColor(static_cast<uint8_t>(x * 255 / std::max(1, W - 1)),
                                                       static_cast<uint8_t>(y * 255 / std::max(1, H - 1)),
                                                       x == 0 && y == 0 ? 255 : 40, Alpha));
}

class TempDir {
public:
  TempDir() : path_(fs::temp_directory_path() / ("gascal-filter-" + std::to_string(::getpid()))) {
    fs::create_directories(path_);
  }
  ~TempDir() { fs::remove_all(path_); }
  std::string File(const std::string& Name) const { return (path_ / Name).string(); }

private:
  fs::path path_;
};

std::vector<uint8_t> Bytes(rtl::TMemoryStream& S) {
  const auto* p = static_cast<const uint8_t*>(S.Memory());
  return {p, p + S.Size()};
}

int MaxChannelDiff(uint32_t A, uint32_t B) {
  int d = 0;
  for (int s = 0; s < 32; s += 8) d = std::max(d, std::abs(int((A >> s) & 255) - int((B >> s) & 255)));
  return d;
}

bool Load(rtl::TMemoryStream& S, TvxBitmap& B) {
  S.SetPosition(0);
  return TvxFilterGdiPlus().LoadFromStream(S, B);
}

TEST(FilterGdiPlus, FileTypesAndEncoderLookup) {
  TvxFilterGdiPlus f;
  EXPECT_EQ(f.GetFileTypes(), "*.bmp;*.jpg;*.jpeg;*.png;*.tif;*.tiff;*.gif;*.ico");
  std::string clsid = "untouched";
  EXPECT_EQ(TvxFilterGdiPlus::GetEncoderClsid("image/JPEG", clsid), -1);
  EXPECT_EQ(clsid, "untouched");
  EXPECT_GE(TvxFilterGdiPlus::GetEncoderClsid("image/gif", clsid), 0);
  EXPECT_EQ(clsid, "gif");
  EXPECT_GE(TvxFilterGdiPlus::GetEncoderClsid("image/jpeg", clsid), 0);
  EXPECT_EQ(clsid, "jpeg");
}

TEST(FilterGdiPlus, PngRoundTripIsExactAtEveryAlpha) {
  for (uint8_t alpha : {uint8_t{255}, uint8_t{254}, uint8_t{128}, uint8_t{3}, uint8_t{0}}) {
    TvxBitmap src;
    Pattern(src, 7, 5, alpha);
    src.Bits()[34] = 0xFE336699u;  // premultiplied; came back 0xFE326698 when both ways cut
    rtl::TMemoryStream s;
    ASSERT_TRUE(TvxFilterGdiPlus().SaveToStream(s, src, "webp", ""));  // unknown names save PNG
    ASSERT_EQ(gfx2d::SniffImageFormat(Bytes(s).data(), Bytes(s).size()), "png");
    TvxBitmap back;
    ASSERT_TRUE(Load(s, back));
    ASSERT_EQ(back.Width(), 7);
    ASSERT_EQ(back.Height(), 5);
    for (int i = 0; i < 35; ++i) ASSERT_EQ(back.Bits()[i], src.Bits()[i]) << int{alpha} << " " << i;
  }
}

TEST(FilterGdiPlus, JpegBmpAndTiffByFormatName) {
  TvxBitmap src;
  Pattern(src, 16, 16);
  for (const char* format : {"JPG", "jpeg", "bmp", "TIFF"}) {
    rtl::TMemoryStream s;
    ASSERT_TRUE(TvxFilterGdiPlus().SaveToStream(s, src, format, "quality=90")) << format;
    const std::string sniffed = gfx2d::SniffImageFormat(Bytes(s).data(), Bytes(s).size());
    const std::string expected = rtl::LowerCase(format) == "jpg" ? "jpeg" : rtl::LowerCase(format);
    EXPECT_EQ(sniffed, expected);
    TvxBitmap back;
    ASSERT_TRUE(Load(s, back)) << format;
    ASSERT_EQ(back.Width(), 16);
    // JPEG is lossy: compare the mean difference; the others are exact.
    int total = 0, worst = 0;
    for (int i = 0; i < 256; ++i) {
      total += MaxChannelDiff(back.Bits()[i], src.Bits()[i]);
      worst = std::max(worst, MaxChannelDiff(back.Bits()[i], src.Bits()[i]));
    }
    if (expected == "jpeg")
      EXPECT_LE(total / 256, 6) << format;
    else
      EXPECT_EQ(worst, 0) << format;
  }
}

TEST(FilterGdiPlus, TranslucentTiffComesBackPremultipliedOnce) {
  TvxBitmap src(2, 1);
  src.Bits()[0] = PremultiplyAlpha(MakeColor(255, 0, 0, 128));
  src.Bits()[1] = PremultiplyAlpha(MakeColor(0, 200, 100, 64));
  rtl::TMemoryStream s;
  ASSERT_TRUE(TvxFilterGdiPlus().SaveToStream(s, src, "tif", ""));
  TvxBitmap back;
  ASSERT_TRUE(Load(s, back));
  EXPECT_LE(MaxChannelDiff(back.Bits()[0], src.Bits()[0]), 1);
  EXPECT_LE(MaxChannelDiff(back.Bits()[1], src.Bits()[1]), 1);
}

TEST(FilterGdiPlus, JpegQualityLastItemCountsAndBadQualityRaises) {
  TvxBitmap src;
  Pattern(src, 64, 64);
  auto size = [&](const std::string& params) {
    rtl::TMemoryStream s;
    EXPECT_TRUE(TvxFilterGdiPlus().SaveToStream(s, src, "jpeg", params));
    return s.Size();
  };
  EXPECT_EQ(size("quality=80 quality=20"), size("quality=20"));
  EXPECT_GT(size("quality=80"), size("quality=20"));
  // Items beyond the eleventh are ignored.
  EXPECT_EQ(size("a b c d e f g h i j quality=20 quality=80"), size("quality=20"));
  rtl::TMemoryStream s;
  EXPECT_THROW(TvxFilterGdiPlus().SaveToStream(s, src, "jpeg", "quality=high"), rtl::EConvertError);
}

TEST(FilterGdiPlus, SaveToFileFollowsTheExtension) {
  TempDir dir;
  TvxBitmap src;
  Pattern(src, 4, 4);
  TvxFilterGdiPlus f;
  // A failure says why: the extension, the file's error, the empty picture; the bitmap's own
  // save hands the codec's answer and its reason on.
  EXPECT_FALSE(f.SaveToFile(dir.File("a.webp"), src, ""));
  EXPECT_NE(f.FailureReason().find("\".webp\" is no picture format"), std::string::npos) << f.FailureReason();
  EXPECT_FALSE(fs::exists(dir.File("a.webp")));
  EXPECT_FALSE(f.SaveToFile(dir.File("noextension"), src, ""));
  EXPECT_NE(f.FailureReason().find("no extension"), std::string::npos) << f.FailureReason();
  EXPECT_FALSE(f.SaveToFile(dir.File("missing/a.png"), src, ""));  // cannot be created
  EXPECT_NE(f.FailureReason().find("Cannot create file"), std::string::npos) << f.FailureReason();
  TvxBitmap empty;
  EXPECT_FALSE(f.SaveToFile(dir.File("e.png"), empty, ""));
  EXPECT_EQ(f.FailureReason(), "the picture is empty");
  std::string why;
  const TvxFilterClass* before = DefaultFilterClass;
  DefaultFilterClass = nullptr;
  EXPECT_FALSE(src.SaveToFile(dir.File("z.png"), "", &why)) << "no codec class";
  EXPECT_FALSE(why.empty());
  DefaultFilterClass = TvxFilterClassOf<TvxFilterGdiPlus>::Instance();
  EXPECT_FALSE(src.SaveToFile(dir.File("z.txt"), "", &why));
  EXPECT_NE(why.find("\".txt\""), std::string::npos) << why;
  EXPECT_TRUE(src.SaveToFile(dir.File("z.png")));
  DefaultFilterClass = before;
  ASSERT_TRUE(f.SaveToFile(dir.File("a.JPEG"), src, "quality=100"));
  rtl::TMemoryStream s;
  s.LoadFromFile(dir.File("a.JPEG"));
  EXPECT_EQ(gfx2d::SniffImageFormat(Bytes(s).data(), Bytes(s).size()), "jpeg");
  EXPECT_EQ(f.GetImageSize(dir.File("a.JPEG")), MakePoint(4, 4));
  // GIF: a palette of the image's colours, transparency where alpha is below half.
  src.Bits()[0] = 0;
  ASSERT_TRUE(f.SaveToFile(dir.File("a.gif"), src, ""));
  TvxBitmap gif;
  ASSERT_TRUE(f.LoadFromFile(dir.File("a.gif"), 0, gif));
  ASSERT_EQ(gif.Width(), 4);
  ASSERT_EQ(gif.Height(), 4);
  for (int i = 0; i < 16; ++i) ASSERT_EQ(gif.Bits()[i], src.Bits()[i]) << i;
  rtl::TMemoryStream g;
  ASSERT_TRUE(f.SaveToStream(g, src, "GIF", ""));
  EXPECT_EQ(gfx2d::SniffImageFormat(Bytes(g).data(), Bytes(g).size()), "gif");
}

TEST(FilterGdiPlus, RotatedLoads) {
  TempDir dir;
  TvxBitmap src;
  Pattern(src, 40, 30);
  ASSERT_TRUE(TvxFilterGdiPlus().SaveToFile(dir.File("r.png"), src, ""));
  const uint32_t topLeft = src.Bits()[0];
  struct Case {
    float rotate;
    int w, h, x, y;  // where the source's top-left pixel lands
  } cases[] = {{0, 40, 30, 0, 0},    {90, 30, 40, 29, 0},  {450, 30, 40, 29, 0}, {180, 40, 30, 39, 29},
               {270, 30, 40, 0, 39}, {-90, 40, 30, 0, 0}, {90.5f, 30, 40, 29, 0}};
  for (const Case& c : cases) {
    TvxBitmap b;
    ASSERT_TRUE(TvxFilterGdiPlus().LoadFromFile(dir.File("r.png"), c.rotate, b));
    ASSERT_EQ(b.Width(), c.w) << c.rotate;
    ASSERT_EQ(b.Height(), c.h) << c.rotate;
    EXPECT_EQ(b.Bits()[c.y * c.w + c.x], topLeft) << c.rotate;
  }
  TvxBitmap b;
  ASSERT_TRUE(TvxFilterGdiPlus().LoadFromFile(dir.File("r.png"), 45, b));
  EXPECT_EQ(b.Width(), 49);
  EXPECT_EQ(b.Height(), 49);
  EXPECT_EQ(AlphaOf(b.Bits()[0]), 0);                   // corner outside the turned image
  EXPECT_EQ(AlphaOf(b.Bits()[24 * 49 + 24]), 255);      // centre inside it
}

TEST(FilterGdiPlus, ThumbnailsShrinkButNeverEnlarge) {
  TempDir dir;
  TvxBitmap src;
  Pattern(src, 100, 50);
  ASSERT_TRUE(TvxFilterGdiPlus().SaveToFile(dir.File("t.bmp"), src, ""));
  for (bool embedded : {true, false}) {
    TvxBitmap b;
    ASSERT_TRUE(TvxFilterGdiPlus().LoadThumbnailFromFile(dir.File("t.bmp"), 1000, 1000, embedded, b));
    EXPECT_EQ(b.Width(), 100);
    EXPECT_EQ(b.Height(), 50);
    ASSERT_TRUE(TvxFilterGdiPlus().LoadThumbnailFromFile(dir.File("t.bmp"), 50, 50, embedded, b));
    EXPECT_EQ(b.Width(), 50);
    EXPECT_EQ(b.Height(), 25);
    EXPECT_EQ(AlphaOf(b.Bits()[25 * 12 + 12]), 255);
  }
}

TEST(FilterGdiPlus, GifAndIcoDecode) {
  // A 1 x 1 GIF whose only pixel is palette entry 0, red.
  const uint8_t gif[] = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0xff, 0, 0, 0, 0, 0,
                         ',', 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 1, 0, ';'};
  rtl::TMemoryStream s;
  s.WriteBuffer(gif, sizeof gif);
  TvxBitmap b;
  ASSERT_TRUE(Load(s, b));
  ASSERT_EQ(b.Width(), 1);
  EXPECT_EQ(b.Bits()[0], 0xFFFF0000u);

  TvxBitmap src;
  Pattern(src, 16, 16, 128);
  std::vector<uint32_t> straight(src.Bits(), src.Bits() + 256);
  for (auto& p : straight) p = UnpremultiplyAlpha(p);
  std::vector<uint8_t> ico;
  ASSERT_TRUE(gfx2d::EncodeImage(straight.data(), 16, 16, "ico", -1, ico));
  rtl::TMemoryStream is;
  is.WriteBuffer(ico.data(), static_cast<int64_t>(ico.size()));
  ASSERT_TRUE(Load(is, b));
  ASSERT_EQ(b.Width(), 16);
  for (int i = 0; i < 256; ++i) ASSERT_LE(MaxChannelDiff(b.Bits()[i], src.Bits()[i]), 1) << i;
}

TEST(FilterGdiPlus, UndecodableDataLeavesTheBitmapAlone) {
  TempDir dir;
  TvxBitmap b;
  Pattern(b, 3, 2);
  const uint32_t first = b.Bits()[0];
  rtl::TMemoryStream s;
  s.WriteBuffer("\x89PNG\r\n\x1a\nnot really", 18);
  EXPECT_FALSE(Load(s, b));
  rtl::TMemoryStream e;
  EXPECT_FALSE(Load(e, b));
  {
    rtl::TFileStream f(dir.File("bad.png"), rtl::fmCreate);
    f.WriteBuffer("hello", 5);
  }
  EXPECT_FALSE(TvxFilterGdiPlus().LoadFromFile(dir.File("bad.png"), 90, b));
  EXPECT_FALSE(TvxFilterGdiPlus().LoadThumbnailFromFile(dir.File("bad.png"), 10, 10, true, b));
  EXPECT_EQ(TvxFilterGdiPlus().GetImageSize(dir.File("bad.png")), MakePoint(0, 0));
  EXPECT_THROW(TvxFilterGdiPlus().GetImageSize(dir.File("none.png")), rtl::EFOpenError);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.Height(), 2);
  EXPECT_EQ(b.Bits()[0], first);
}

TEST(FilterGdiPlus, ImagesOverTheBitmapLimitAreRefusedEverywhere) {
  // A small BMP whose header says 20,000 x 20,000 (400 million pixels).
  TvxBitmap src;
  Pattern(src, 4, 3);
  rtl::TMemoryStream s;
  ASSERT_TRUE(TvxFilterGdiPlus().SaveToStream(s, src, "bmp", ""));
  std::vector<uint8_t> data = Bytes(s);
  for (size_t at : {18u, 22u}) {
    const uint32_t huge = 20000;
    std::memcpy(&data[at], &huge, 4);
  }
  TempDir dir;
  {
    rtl::TFileStream f(dir.File("huge.bmp"), rtl::fmCreate);
    f.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
  }
  TvxFilterGdiPlus f;
  TvxBitmap b(1, 1);
  EXPECT_FALSE(f.LoadFromFile(dir.File("huge.bmp"), 0, b));
  EXPECT_FALSE(f.LoadThumbnailFromFile(dir.File("huge.bmp"), 64, 64, true, b));
  EXPECT_FALSE(f.LoadThumbnailFromFile(dir.File("huge.bmp"), 64, 64, false, b));
  EXPECT_EQ(f.GetImageSize(dir.File("huge.bmp")), MakePoint(0, 0));
  EXPECT_EQ(b.Width(), 1);
}

TEST(FilterGdiPlus, FuzzedFilesNeverCrashTheLoaders) {
  std::vector<std::vector<uint8_t>> seeds;
  TvxBitmap src;
  Pattern(src, 9, 7, 200);
  for (const char* format : {"png", "jpeg", "bmp", "tiff"}) {
    rtl::TMemoryStream s;
    ASSERT_TRUE(TvxFilterGdiPlus().SaveToStream(s, src, format, ""));
    seeds.push_back(Bytes(s));
  }
  std::vector<uint32_t> straight(63, 0x80FF8040u);
  seeds.emplace_back();
  ASSERT_TRUE(gfx2d::EncodeImage(straight.data(), 9, 7, "ico", -1, seeds.back()));
  std::mt19937 rng(424242);
  int decoded = 0;
  for (int i = 0; i < 800; ++i) {
    std::vector<uint8_t> data = seeds[static_cast<size_t>(i) % seeds.size()];
    const int flips = 1 + static_cast<int>(rng() % 8);
    for (int k = 0; k < flips; ++k) data[4 + rng() % (data.size() - 4)] = static_cast<uint8_t>(rng());
    if (rng() % 4 == 0) data.resize(rng() % data.size());
    rtl::TMemoryStream s;
    if (!data.empty()) s.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    TvxBitmap b(1, 1);
    b.Bits()[0] = 0x12345678u;
    if (Load(s, b)) {
      ++decoded;
      ASSERT_GT(b.Width() * b.Height(), 0);
    } else {
      ASSERT_EQ(b.Width(), 1);
      ASSERT_EQ(b.Bits()[0], 0x12345678u);
    }
    int w = 0, h = 0;
    gfx2d::ReadImageSize(data.data(), data.size(), MaxBitmapPixels, w, h);
  }
  EXPECT_GT(decoded, 0);
}

}  // namespace

}  // namespace filter_gdi_plus_test
