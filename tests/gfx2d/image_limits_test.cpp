// Images that announce a huge size in a few bytes: the codec refuses them from the header,
// before the decoder takes memory for the pixels. Under AddressSanitizer any single
// allocation above 1 GiB aborts this program, so a decoder that allocates first fails here
// at once instead of filling the machine's memory.
#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <climits>
#include <cstring>
#include <tuple>
#include <string>
#include <vector>

#include "platform/gfx2d/ImageCodec.h"

namespace image_limits_test {

#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options() { return "max_allocation_size_mb=1024:allocator_may_return_null=0"; }
#endif

namespace {

using namespace gfx2d;

constexpr int64_t Limit = int64_t{1} << 28;
constexpr int64_t NoLimit = INT64_MAX;
// 20,000 x 20,000 pixels: 1.6 GB at four bytes a pixel (the TIFF reader refuses by itself
// what overflows 2 GB).
constexpr uint32_t Huge = 20000;

std::vector<uint8_t> Encoded(const std::string& Format) {
  std::vector<uint32_t> pixels(4 * 3, 0xFF336699u);
  std::vector<uint8_t> out;
  EXPECT_TRUE(EncodeImage(pixels.data(), 4, 3, Format, -1, out)) << Format;
  return out;
}

void Le16(std::vector<uint8_t>& D, size_t At, uint32_t V) {
  D.at(At) = static_cast<uint8_t>(V);
  D.at(At + 1) = static_cast<uint8_t>(V >> 8);
}
void Le32(std::vector<uint8_t>& D, size_t At, uint32_t V) {
  Le16(D, At, V & 0xFFFF);
  Le16(D, At + 2, V >> 16);
}
uint32_t Le32At(const std::vector<uint8_t>& D, size_t At) {
  return D.at(At) | D.at(At + 1) << 8 | D.at(At + 2) << 16 | uint32_t{D.at(At + 3)} << 24;
}
void Be16(std::vector<uint8_t>& D, size_t At, uint32_t V) {
  D.at(At) = static_cast<uint8_t>(V >> 8);
  D.at(At + 1) = static_cast<uint8_t>(V);
}
void Be32(std::vector<uint8_t>& D, size_t At, uint32_t V) {
  Be16(D, At, V >> 16);
  Be16(D, At + 2, V & 0xFFFF);
}

uint32_t Crc32(const uint8_t* P, size_t N) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < N; ++i) {
    c ^= P[i];
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return ~c;
}

// The same small image with its header saying W x H, for each format the codec reads.
std::vector<uint8_t> Bmp(uint32_t W, uint32_t H) {
  auto d = Encoded("bmp");
  Le32(d, 18, W);
  Le32(d, 22, H);
  return d;
}

std::vector<uint8_t> Png(uint32_t W, uint32_t H) {
  auto d = Encoded("png");
  Be32(d, 16, W);  // IHDR data starts at 16, its CRC covers type and data
  Be32(d, 20, H);
  Be32(d, 29, Crc32(d.data() + 12, 17));
  return d;
}

std::vector<uint8_t> Jpeg(uint32_t W, uint32_t H) {
  auto d = Encoded("jpeg");
  for (size_t i = 2; i + 8 < d.size(); ++i)
    if (d[i] == 0xFF && (d[i + 1] == 0xC0 || d[i + 1] == 0xC2)) {
      Be16(d, i + 5, H);
      Be16(d, i + 7, W);
      return d;
    }
  ADD_FAILURE() << "no frame header";
  return d;
}

std::vector<uint8_t> Gif(uint32_t W, uint32_t H) {
  // Screen and single frame W x H, two-colour table, one LZW-coded pixel.
  std::vector<uint8_t> d = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0x80, 0, 0, 0xff, 0, 0, 0, 0, 0,
                            ',', 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 0x44, 1, 0, ';'};
  Le16(d, 6, W);
  Le16(d, 8, H);
  Le16(d, 24, W);
  Le16(d, 26, H);
  return d;
}

std::vector<uint8_t> Tiff(uint32_t W, uint32_t H) {
  auto d = Encoded("tiff");
  EXPECT_EQ(d.at(0), 'I');
  const uint32_t ifd = d.at(4) | d.at(5) << 8 | d.at(6) << 16 | uint32_t{d.at(7)} << 24;
  const int count = d.at(ifd) | d.at(ifd + 1) << 8;
  int patched = 0;
  for (int i = 0; i < count; ++i) {
    const size_t e = ifd + 2 + 12 * static_cast<size_t>(i);
    const int tag = d.at(e) | d.at(e + 1) << 8;
    const int type = d.at(e + 2) | d.at(e + 3) << 8;
    if (tag != 256 && tag != 257) continue;
    const uint32_t v = tag == 256 ? W : H;
    if (type == 3)
      Le16(d, e + 8, v);
    else
      Le32(d, e + 8, v);
    ++patched;
  }
  EXPECT_EQ(patched, 2);
  return d;
}

std::vector<uint8_t> Ico(uint32_t W, uint32_t H) {
  // The directory says at most 256 (0) each way; the bitmap inside says W x 2H (image and mask).
  auto d = Encoded("ico");
  d.at(6) = static_cast<uint8_t>(W > 255 ? 0 : W);
  d.at(7) = static_cast<uint8_t>(H > 255 ? 0 : H);
  const uint32_t at = Le32At(d, 18);
  Le32(d, at + 4, W);
  Le32(d, at + 8, 2 * H);
  return d;
}

struct Maker {
  const char* name;
  std::vector<uint8_t> (*make)(uint32_t, uint32_t);
};
const Maker Makers[] = {{"bmp", Bmp}, {"png", Png}, {"jpeg", Jpeg}, {"gif", Gif}, {"tiff", Tiff}, {"ico", Ico}};

TEST(ImageLimits, CraftedHeadersStillDecodeAtASmallSize) {
  // The patched files are real images: at a small size they decode (or at least announce it).
  for (const Maker& m : Makers) {
    const auto data = m.make(4, 3);
    int w = 0, h = 0;
    ASSERT_TRUE(ReadImageSize(data.data(), data.size(), Limit, w, h)) << m.name;
    EXPECT_EQ(w, 4) << m.name;
    EXPECT_EQ(h, 3) << m.name;
    DecodedImage image;
    ASSERT_TRUE(DecodeImage(data.data(), data.size(), Limit, image)) << m.name;
    EXPECT_EQ(image.Width, 4) << m.name;
    EXPECT_EQ(image.Format, m.name);
  }
}

TEST(ImageLimits, HugeAnnouncedSizesAreRefusedBeforeTheyAreAllocated) {
  for (const Maker& m : Makers) {
    const auto data = m.make(Huge, Huge);
    ASSERT_LT(data.size(), 2000u) << m.name;
    int w = 0, h = 0;
    // The probe reads a size the data could fill without taking the pixels' memory...
    if (std::string(m.name) != "ico") {  // the icon reader takes no size from the bitmap inside
      const auto fillable = m.make(640, 480);
      ASSERT_TRUE(ReadImageSize(fillable.data(), fillable.size(), NoLimit, w, h)) << m.name;
      EXPECT_EQ(w, 640) << m.name;
      EXPECT_EQ(h, 480) << m.name;
    }
    // ...and refuses one over the limit, as the decoder does, and one that a file of this
    // size cannot fill whatever the limit.
    EXPECT_FALSE(ReadImageSize(data.data(), data.size(), Limit, w, h)) << m.name;
    EXPECT_FALSE(ReadImageSize(data.data(), data.size(), NoLimit, w, h)) << m.name;
    DecodedImage image;
    EXPECT_FALSE(DecodeImage(data.data(), data.size(), Limit, image)) << m.name;
    EXPECT_FALSE(DecodeImage(data.data(), data.size(), NoLimit, image)) << m.name;
    EXPECT_TRUE(image.Bits.empty());
    EXPECT_FALSE(DecodePremultiplied(data.data(), data.size(), NoLimit, [](int, int) -> uint32_t* {
      ADD_FAILURE() << "asked for pixels";
      return nullptr;
    })) << m.name;
    // Just over a small limit, too.
    const auto over = m.make(101, 100);
    EXPECT_FALSE(DecodeImage(over.data(), over.size(), 100 * 100, image)) << m.name;
    EXPECT_FALSE(ReadImageSize(over.data(), over.size(), 100 * 100, w, h)) << m.name;
  }
}

// A GIF whose logical screen is huge around a frame of one pixel: 44 to 170 bytes that
// would make a picture of a gigabyte, under the old cap of 2^28 pixels.
std::vector<uint8_t> GifScreen(uint32_t W, uint32_t H, size_t Padding) {
  auto d = Gif(1, 1);
  Le16(d, 6, W);
  Le16(d, 8, H);
  // A comment block of Padding bytes before the trailer makes the file longer.
  d.pop_back();
  for (size_t left = Padding; left > 0;) {
    const size_t n = std::min<size_t>(left, 255);
    d.insert(d.end(), {0x21, 0xFE, static_cast<uint8_t>(n)});
    d.insert(d.end(), n, 'x');
    d.push_back(0);
    left -= n;
  }
  d.push_back(';');
  return d;
}

TEST(ImageLimits, AFewBytesCannotAnnounceMorePixelsThanTheyCouldHold) {
  EXPECT_EQ(ImagePixelLimit(100, NoLimit), 100 * MaxPixelsPerByte);
  EXPECT_EQ(ImagePixelLimit(100, 5000), 5000);
  EXPECT_EQ(ImagePixelLimit(SIZE_MAX, Limit), Limit);
  for (auto [w, h, padding] : {std::tuple{4098u, 62982u, 0u}, std::tuple{17922u, 14648u, 126u}}) {
    const auto data = GifScreen(w, h, padding);
    ASSERT_LE(data.size(), 170u);
    int pw = 0, ph = 0;
    EXPECT_FALSE(ReadImageSize(data.data(), data.size(), Limit, pw, ph)) << w << "x" << h;
    DecodedImage image;
    EXPECT_FALSE(DecodeImage(data.data(), data.size(), Limit, image)) << w << "x" << h;
  }
  // The same screen with a frame that could fill it: the file's size lets it through.
  const auto fits = GifScreen(300, 200, 0);
  DecodedImage image;
  ASSERT_TRUE(DecodeImage(fits.data(), fits.size(), Limit, image));
  EXPECT_EQ(image.Width, 300);
  EXPECT_EQ(image.Height, 200);
}

// A GIF's frame has a size of its own, which the decoder takes memory for whatever the
// screen says: a frame over the limit is refused from its descriptor, before and after
// other blocks, as the screen would be.
TEST(ImageLimits, AGifFrameLargerThanTheLimitIsRefusedWhateverItsScreen) {
  auto withFrame = [](uint32_t W, uint32_t H, bool ExtensionFirst) {
    auto d = Gif(4, 3);
    const size_t descriptor = 19;  // after the header, the screen and the two-colour table
    Le16(d, descriptor + 5, W);
    Le16(d, descriptor + 7, H);
    if (ExtensionFirst)  // a graphic control extension before the image
      d.insert(d.begin() + descriptor, {0x21, 0xF9, 4, 0, 0, 0, 0, 0});
    return d;
  };
  for (bool extension : {false, true}) {
    const auto huge = withFrame(65535, 65535, extension);
    int w = 0, h = 0;
    EXPECT_FALSE(ReadImageSize(huge.data(), huge.size(), Limit, w, h)) << extension;
    DecodedImage image;
    EXPECT_FALSE(DecodeImage(huge.data(), huge.size(), Limit, image)) << extension;
    // A frame with no usable code size, whose data holds a huge frame the decoder would read.
    auto hidden = withFrame(2, 2, extension);
    const size_t codeSize = hidden.size() - 6;  // code size, a sub-block of two bytes, its end, ';'
    ASSERT_EQ(hidden[codeSize], 2);
    ASSERT_EQ(hidden[codeSize + 2], 0x44);
    hidden[codeSize] = 0;
    const std::vector<uint8_t> inside = {0x2C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 2, 0x44, 1, 0};
    hidden.insert(hidden.begin() + static_cast<std::ptrdiff_t>(codeSize) + 1, static_cast<uint8_t>(inside.size()));
    hidden.insert(hidden.begin() + static_cast<std::ptrdiff_t>(codeSize) + 2, inside.begin(), inside.end());
    EXPECT_FALSE(DecodeImage(hidden.data(), hidden.size(), Limit, image)) << extension;
    // A frame within the screen decodes.
    const auto small = withFrame(2, 2, extension);
    EXPECT_TRUE(DecodeImage(small.data(), small.size(), Limit, image)) << extension;
    EXPECT_EQ(image.Width, 4);
  }
}

// A graphic control or application extension whose first sub-block is empty: the decoder
// reads that 0 as the block and the bytes after it as more sub-blocks, up to the next empty
// one. What follows them is a frame to the decoder, however the same bytes would read as
// blocks from the 0 on: a frame of 20617 x 18254 (376 MB) behind a screen of one pixel.
TEST(ImageLimits, AGifFrameBehindAnEmptyFirstExtensionBlockIsRefused) {
  for (uint8_t label : {0xF9, 0xFF}) {
    auto d = Gif(1, 1);
    d.resize(19);  // the header, the screen and the two-colour table
    d.insert(d.end(), {0x21, label, 0});
    // To the decoder a sub-block of 0x21 bytes; read on from the 0 it would be an extension
    // with one sub-block of 32 bytes that swallows the descriptor below.
    d.insert(d.end(), {0x21, 0x01, 32});
    d.resize(d.size() + 31, 0);
    d.push_back(0);  // the decoder's empty block
    const std::vector<uint8_t> frame = {0x2C, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 0x4C, 1, 0, ';'};
    d.insert(d.end(), frame.begin(), frame.end());
    const size_t descriptor = d.size() - frame.size();
    Le16(d, descriptor + 5, 20617);
    Le16(d, descriptor + 7, 18254);
    int w = 0, h = 0;
    EXPECT_FALSE(ReadImageSize(d.data(), d.size(), Limit, w, h)) << int{label};
    DecodedImage image;
    EXPECT_FALSE(DecodeImage(d.data(), d.size(), Limit, image)) << int{label};
    // The same file with a frame of one pixel decodes: the walk reads it where the decoder does.
    Le16(d, descriptor + 5, 1);
    Le16(d, descriptor + 7, 1);
    ASSERT_TRUE(DecodeImage(d.data(), d.size(), Limit, image)) << int{label};
    EXPECT_EQ(image.Width, 1);
  }
}

TEST(ImageLimits, DecodingIntoATargetAsksOnceAtTheEndAndPremultiplies) {
  // Half-transparent pixels: the target gets them premultiplied, rounded as PremultiplyPixel.
  std::vector<uint32_t> pixels(5 * 2, 0x80FF4020u);
  pixels[3] = 0x00123456u;
  std::vector<uint8_t> png;
  ASSERT_TRUE(EncodeImage(pixels.data(), 5, 2, "png", -1, png));
  std::vector<uint32_t> target;
  int asked = 0;
  ASSERT_TRUE(DecodePremultiplied(png.data(), png.size(), Limit, [&](int W, int H) {
    ++asked;
    EXPECT_EQ(W, 5);
    EXPECT_EQ(H, 2);
    target.assign(static_cast<size_t>(W) * H, 0xDEADBEEFu);
    return target.data();
  }));
  EXPECT_EQ(asked, 1);
  for (size_t i = 0; i < pixels.size(); ++i) EXPECT_EQ(target[i], PremultiplyPixel(pixels[i])) << i;
  EXPECT_EQ(target[0], 0x80802010u);
  // A target that answers nothing refuses the image.
  EXPECT_FALSE(DecodePremultiplied(png.data(), png.size(), Limit, [](int, int) -> uint32_t* { return nullptr; }));
  // Broken data never asks.
  png.resize(png.size() / 2);
  EXPECT_FALSE(DecodePremultiplied(png.data(), png.size(), Limit, [&](int, int) {
    ++asked;
    return target.data();
  }));
  EXPECT_EQ(asked, 1);
}

TEST(ImageLimits, HeadersPlacingPartsPastTheDataAreRefusedBeforeTheyAreAllocated) {
  // A BMP's pixel offset, info header size and colour count, an icon's bitmap offset and
  // colour count: the modules reserve a buffer reaching that far before they announce a size.
  struct Case {
    const char* what;
    std::vector<uint8_t> data;
  };
  std::vector<Case> cases;
  cases.push_back({"bmp pixel offset", Bmp(4, 3)});
  Le32(cases.back().data, 10, 0x60000000);
  cases.push_back({"bmp info header size", Bmp(4, 3)});
  Le32(cases.back().data, 14, 0x50000000);
  cases.push_back({"bmp colour count", Bmp(4, 3)});
  Le32(cases.back().data, 14 + 32, 0x1C000000);
  cases.push_back({"ico bitmap offset", Ico(4, 3)});
  Le32(cases.back().data, 18, 0x60000000);
  cases.push_back({"ico colour count", Ico(4, 3)});
  Le32(cases.back().data, Le32At(cases.back().data, 18) + 32, 0x1C000000);
  cases.push_back({"ico entries", Ico(4, 3)});
  Le16(cases.back().data, 4, 0xFFFF);
  // The icon module reads the colour count even where the header says it is too short to
  // hold one.
  cases.push_back({"ico colour count of a short header", Ico(4, 3)});
  Le32(cases.back().data, Le32At(cases.back().data, 18), 8);
  Le32(cases.back().data, Le32At(cases.back().data, 18) + 32, 0x50892D46);
  // An icon's bitmap whose header starts like a PNG file is read as an info header all the
  // same, with its colour count: the icon module looks at no signature.
  cases.push_back({"ico colour count of a bitmap starting like a PNG", Ico(4, 3)});
  std::memcpy(&cases.back().data.at(Le32At(cases.back().data, 18)), "\x89PNG", 4);
  Le32(cases.back().data, Le32At(cases.back().data, 18) + 32, 0x1C000000);
  for (const Case& c : cases) {
    int w = 0, h = 0;
    EXPECT_FALSE(ReadImageSize(c.data.data(), c.data.size(), NoLimit, w, h)) << c.what;
    DecodedImage image;
    EXPECT_FALSE(DecodeImage(c.data.data(), c.data.size(), NoLimit, image)) << c.what;
  }
  // The end of the data is still a place a header may name.
  auto edge = Bmp(4, 3);
  Le32(edge, 10, static_cast<uint32_t>(edge.size()));
  int w = 0, h = 0;
  EXPECT_TRUE(ReadImageSize(edge.data(), edge.size(), NoLimit, w, h));
}

TEST(ImageLimits, AnIconKeepsItsBitmapBesideAPngItCannotRead) {
  // The icon module passes over a PNG entry (its width stands where a bitmap says it is not
  // compressed) and decodes the bitmap beside it; the PNG's chunks are no colour table.
  const auto one = Ico(4, 3);
  const auto png = Png(4, 3);
  std::vector<uint8_t> d(6 + 2 * 16);
  Le16(d, 2, 1);
  Le16(d, 4, 2);
  std::copy(one.begin() + 6, one.begin() + 22, d.begin() + 6);  // the bitmap's entry, then the PNG's
  std::copy(one.begin() + 6, one.begin() + 22, d.begin() + 22);
  const uint32_t bitmapAt = static_cast<uint32_t>(d.size());
  Le32(d, 6 + 12, bitmapAt);
  d.insert(d.end(), one.begin() + Le32At(one, 18), one.end());
  Le32(d, 22 + 8, static_cast<uint32_t>(png.size()));
  Le32(d, 22 + 12, static_cast<uint32_t>(d.size()));
  d.insert(d.end(), png.begin(), png.end());
  int w = 0, h = 0;
  ASSERT_TRUE(ReadImageSize(d.data(), d.size(), Limit, w, h));
  EXPECT_EQ(w, 4);
  DecodedImage image;
  ASSERT_TRUE(DecodeImage(d.data(), d.size(), Limit, image));
  EXPECT_EQ(image.Height, 3);
}

}  // namespace

}  // namespace image_limits_test
