// Random input for the readers of outside data: SVG path text and the "Path" and "PNG"
// property values. Deterministic seeds, bounded counts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "PaintFakes.h"
#include "platform/rtl/Streams.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/PathData.h"

namespace paint_fuzz_test {

namespace {

using namespace vg;

std::string RandomText(std::mt19937& Rng, const std::string& Alphabet, size_t MaxLength) {
  std::uniform_int_distribution<size_t> len(0, MaxLength), pick(0, Alphabet.size() - 1);
  std::string s(len(Rng), ' ');
  for (char& c : s) c = Alphabet[pick(Rng)];
  return s;
}

bool Sane(const TvxPathData& P) {
  for (const auto& p : P.Points())
    if (!std::isfinite(p.Point.X) || !std::isfinite(p.Point.Y) || std::fabs(p.Point.X) > 1e6f ||
        std::fabs(p.Point.Y) > 1e6f)
      return false;
  return true;
}

TEST(PaintFuzz, SvgPathTextNeverFailsAndSaneResultsReadBack) {
  std::mt19937 rng(20260612);
  const std::string alphabet = "MmLlCcSsHhVvQqTtAaZz0123456789012345678901234567890.-e,,    \t+x";
  int roundTrips = 0;
  for (int i = 0; i < 6000; ++i) {
    const std::string text = RandomText(rng, alphabet, 80);
    TvxPathData p;
    ASSERT_NO_THROW(p.SetData(text)) << text;
    const std::string written = p.GetData();
    std::vector<TvxPoint> poly;
    TvxPoint size;
    p.FlattenToPolygon(poly, size, 0.25f);
    EXPECT_LE(poly.size(), 100000u * p.Points().size() + 2 * p.Points().size());
    if (!Sane(p)) continue;
    // What the path writes, it reads back as the same figure.
    TvxPathData back;
    back.SetData(written);
    ASSERT_EQ(back.Count(), p.Count()) << text << " -> " << written;
    for (int k = 0; k < p.Count(); ++k) EXPECT_EQ(back.Points()[k].Kind, p.Points()[k].Kind) << written;
    ++roundTrips;
  }
  EXPECT_GT(roundTrips, 1000);
}

TEST(PaintFuzz, PathPropertyReaderRefusesOrReadsWhatIsThere) {
  std::mt19937 rng(4242);
  std::uniform_int_distribution<int> byte(0, 255), small(-3, 12), length(0, 160);
  for (int i = 0; i < 6000; ++i) {
    std::string data(static_cast<size_t>(length(rng)), '\0');
    for (char& c : data) c = static_cast<char>(byte(rng));
    if (data.size() >= 4 && i % 2 == 0) {  // mostly plausible counts
      const int32_t count = small(rng);
      std::memcpy(data.data(), &count, 4);
    }
    TvxPathData p;
    rtl::TStringStream s(data);
    try {
      p.ReadPath(s);
      const int64_t available = static_cast<int64_t>(data.size()) - 4;
      EXPECT_TRUE(p.IsEmpty() || p.Count() * 9 <= available);
    } catch (const rtl::EReadError&) {
      EXPECT_TRUE(p.IsEmpty());
    }
    std::vector<TvxPoint> poly;
    TvxPoint size;
    p.FlattenToPolygon(poly, size, 0.25f);  // whatever kinds and coordinates were read
    (void)p.GetData();
  }
}

TEST(PaintFuzz, PngPropertyReaderKeepsTheBitmapWhole) {
  vgtest::FilterScope codec;
  std::mt19937 rng(777);
  std::uniform_int_distribution<int> byte(0, 255), dim(-2, 6), length(0, 200);
  for (int i = 0; i < 4000; ++i) {
    std::string data(static_cast<size_t>(length(rng)), '\0');
    for (char& c : data) c = static_cast<char>(byte(rng));
    if (i % 3 != 0 && data.size() >= 13) {  // the codec's header with odd sizes
      std::memcpy(data.data(), "FAKEP", 5);
      int32_t w = dim(rng), h = dim(rng);
      if (i % 7 == 0) w = h = 0x7FFFFFFF;
      std::memcpy(data.data() + 5, &w, 4);
      std::memcpy(data.data() + 9, &h, 4);
    }
    TvxBitmap b(1, 1);
    rtl::TStringStream s(data);
    s.SetPosition(i % 5 == 0 && !data.empty() ? 1 : 0);
    b.ReadPNG(s);
    ASSERT_GE(b.Width(), 0);
    ASSERT_GE(b.Height(), 0);
    if (!b.IsEmpty()) {
      ASSERT_NE(b.Bits(), nullptr);
      b.Clear(0xFFFFFFFF);  // every pixel of the claimed size is there
    }
  }
}

}  // namespace

}  // namespace paint_fuzz_test
