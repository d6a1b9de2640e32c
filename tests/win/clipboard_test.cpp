// Pictures on the clipboard with no other program about (SDL's dummy driver): the program's
// own picture comes back as it was put, one thing at a time with text, and the PNG form the
// display exchanges keeps the pixels.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gfx2d/ImageCodec.h"
#include "platform/loop/Application.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Graphics.h"

namespace clipboard_test {

using namespace win;

namespace {

std::unique_ptr<TBitmap> Picture(int W, int H) {
  auto b = std::make_unique<TBitmap>();
  b->SetSize(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) b->ScanLine(y)[x] = 0xFF000000u | static_cast<std::uint32_t>(y << 8 | x);
  b->ScanLine(0)[1] = 0x80402010u;  // half-transparent
  return b;
}

std::vector<std::uint32_t> Pixels(const TBitmap& B) {
  return {B.Bits(), B.Bits() + static_cast<size_t>(B.Width()) * B.Height()};
}

// What the clipboard answers, asked the way a paste asks.
std::optional<std::vector<std::uint32_t>> Pasted() {
  std::optional<std::vector<std::uint32_t>> got;
  bool answered = false;
  ClipboardRequestPicture(&answered, [&](const TBitmap* P) {
    answered = true;
    if (P) got = Pixels(*P);
  });
  EXPECT_TRUE(answered) << "the program holds the answer: it comes at once";
  return got;
}

bool HasPicture() {
  std::optional<bool> has;
  ClipboardRequestHasPicture(&has, [&](bool H) { has = H; });
  EXPECT_TRUE(has.has_value());
  return has.value_or(false);
}

struct ClipboardPictures : ::testing::Test {
  void TearDown() override { ClipboardSetText(u""); }
};

}  // namespace

TEST_F(ClipboardPictures, APictureComesBackAsItWasPutAndTakesTheTextsPlace) {
  ClipboardSetText(u"Reducer");
  ASSERT_TRUE(ClipboardHasText());
  EXPECT_FALSE(HasPicture());
  EXPECT_FALSE(Pasted().has_value());

  std::unique_ptr<TBitmap> put = Picture(5, 3);
  ClipboardSetPicture(*put);
  put->ScanLine(2)[4] = 0;  // the clipboard keeps its own copy
  EXPECT_TRUE(HasPicture());
  EXPECT_FALSE(ClipboardHasText()) << "the clipboard holds one thing";
  const auto pasted = Pasted();
  ASSERT_TRUE(pasted.has_value());
  EXPECT_EQ(*pasted, Pixels(*Picture(5, 3)));
  EXPECT_EQ(Pasted(), pasted) << "a paste leaves the picture there";

  // A text takes its place; so does an empty picture.
  ClipboardSetText(u"Gas");
  EXPECT_FALSE(HasPicture());
  EXPECT_FALSE(Pasted().has_value());
  EXPECT_EQ(ClipboardGetText(), u"Gas");
  ClipboardSetPicture(*Picture(2, 2));
  ClipboardSetPicture(TBitmap());
  EXPECT_FALSE(HasPicture());
  EXPECT_FALSE(ClipboardHasText());
}

TEST_F(ClipboardPictures, ThePngFormKeepsThePixelsAndRefusesWhatIsNoPicture) {
  // Premultiplied colours, half-transparent ones included, survive the straight colours
  // of PNG.
  std::unique_ptr<TBitmap> put = Picture(7, 4);
  put->ScanLine(3)[6] = 0x40201008u;
  put->ScanLine(3)[5] = 0x00000000u;
  std::vector<std::uint8_t> png;
  ASSERT_TRUE(EncodeClipboardPicture(*put, png));
  EXPECT_EQ(gfx2d::SniffImageFormat(png.data(), png.size()), "png");
  TBitmap back;
  ASSERT_TRUE(DecodeClipboardPicture(png.data(), png.size(), back));
  EXPECT_EQ(Pixels(back), Pixels(*put));

  EXPECT_FALSE(EncodeClipboardPicture(TBitmap(), png));
  const std::string junk = "image/png but not one";
  std::unique_ptr<TBitmap> kept = Picture(2, 1);
  EXPECT_FALSE(DecodeClipboardPicture(reinterpret_cast<const std::uint8_t*>(junk.data()), junk.size(), *kept));
  EXPECT_FALSE(DecodeClipboardPicture(nullptr, 0, *kept));
  EXPECT_EQ(Pixels(*kept), Pixels(*Picture(2, 1))) << "a refused picture changes nothing";
}

}  // namespace clipboard_test
