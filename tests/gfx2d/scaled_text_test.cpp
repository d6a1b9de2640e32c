// Text drawn through a scaling transform (a window made larger scales its whole layer) keeps its
// letter spacing: a line is as wide as the same line set at the scaled size, so letters are not
// spread apart by positions rounded in the unscaled units.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "Pixels.h"
#include "platform/gfx2d/Backend.h"
#include "platform/gfx2d/Fonts.h"
#include "platform/gfx2d/Text.h"

namespace scaled_text_test {

namespace {

using namespace gfx2d;

class ScaledText : public ::testing::Test {
protected:
  void SetUp() override { Startup(); }
  void TearDown() override { Shutdown(); }
};

// The width on the device of Text in a font of Size drawn through a uniform Scale.
float DeviceWidth(const std::u16string& Text, const std::string& Family, float Size, float Scale,
                  TextRenderingHint Hint) {
  Surface s(1, 1);
  s.g->SetTextRenderingHint(Hint);
  s.g->SetWorldTransform(Matrix{Scale, 0, 0, Scale, 0, 0});
  StringFormat f;
  f.Flags = StringFormatFlagsNoClip | StringFormatFlagsNoWrap;
  RectF b;
  EXPECT_TRUE(s.g->MeasureString(Text, Font{Family, Size, FontStyleRegular}, {0, 0, 2000, 200}, f, b));
  return b.Width * Scale;
}

TEST_F(ScaledText, ALineScaledIsAsWideAsTheLineSetAtTheScaledSize) {
  const std::u16string text = u"Name Manual Phone Installed date Petrol injection";
  for (TextRenderingHint hint : {TextRenderingHint::ClearTypeGridFit, TextRenderingHint::AntiAlias}) {
    for (const char* family : {"DejaVu Sans", "Loma"}) {
      for (float size : {8.0f, 11.0f, 12.0f, 18.0f}) {
        for (float scale : {2.0f, 3.0f, 4.0f}) {
          const float scaled = DeviceWidth(text, family, size, scale, hint);
          const float set = DeviceWidth(text, family, size * scale, 1, hint);
          // The line set at the scaled size has its glyphs on whole pixels (half a pixel each
          // at most); positions rounded to whole units of the unscaled space would be off by
          // up to half the scale in pixels for each glyph, spreading the letters apart.
          EXPECT_NEAR(scaled, set, 0.5 * static_cast<double>(text.size()) + 1)
              << family << " " << size << " x " << scale << " hint " << static_cast<int>(hint);
        }
      }
    }
  }
}

// Text that is not fitted to the pixel grid stands in its words as it does through a scaled
// layer: its glyphs keep their own positions, whole pixels or not, at any transform.
TEST_F(ScaledText, UnfittedTextSetAtItsOwnSizeIsAsWideAsThroughAScale) {
  RegisterDefaultFonts();
  for (const std::u16string& text : {std::u16string(u"The computer does not support the OpenGL video mode."),
                                    std::u16string(u"\u041a\u043e\u043c\u043f\u044c\u044e\u0442\u0435\u0440 "
                                                   u"\u043d\u0435 \u043f\u043e\u0434\u0434\u0435\u0440\u0436"
                                                   u"\u0438\u0432\u0430\u0435\u0442")}) {
    for (float size : {11.0f, 13.0f, 14.0f}) {
      const float own = DeviceWidth(text, "Tahoma", size, 1, TextRenderingHint::AntiAlias);
      const float scaled = DeviceWidth(text, "Tahoma", size / 4, 4, TextRenderingHint::AntiAlias);
      // Rounded per glyph, the line's width drifts by up to half a pixel a glyph.
      EXPECT_NEAR(own, scaled, 1.0) << size;
    }
  }
}

// Drawn at its own size, unfitted text stands as it measures: each glyph where its advances put
// it, not moved on its own to the nearest pixel. A row of stems shows it: from one stem's ink
// to the next is the measured advance every time.
TEST_F(ScaledText, UnfittedGlyphsAreDrawnWhereTheirAdvancesPutThem) {
  RegisterDefaultFonts();
  const std::u16string row(16, u'I');
  for (float size : {13.0f, 14.0f, 17.0f}) {
    Surface s(400, 40);
    s.g->SetTextRenderingHint(TextRenderingHint::AntiAlias);
    StringFormat f;
    f.Flags = StringFormatFlagsNoClip | StringFormatFlagsNoWrap;
    const Font font{"Tahoma", size, FontStyleRegular};
    RectF b;
    ASSERT_TRUE(s.g->MeasureString(row, font, {0, 0, 400, 40}, f, b));
    const double advance = b.Width / static_cast<double>(row.size());
    s.g->DrawString(row, font, {2, 2, 396, 36}, f, SolidBrush(0xFF000000u));
    // Each stem's centre: the ink's mean column over a run of inked columns (the faint edges
    // that antialiasing spreads between two stems part them).
    std::vector<double> ink(static_cast<size_t>(s.width), 0.0);
    for (int x = 0; x < s.width; ++x)
      for (int y = 0; y < s.height; ++y) ink[static_cast<size_t>(x)] += s.Alpha(x, y);
    const double inked = *std::max_element(ink.begin(), ink.end()) / 4;
    std::vector<double> centres;
    double sum = 0, weight = 0;
    for (int x = 0; x < s.width; ++x) {
      const double column = ink[static_cast<size_t>(x)];
      if (column > inked) {
        sum += column * x;
        weight += column;
      } else if (weight > 0) {
        centres.push_back(sum / weight);
        sum = weight = 0;
      }
    }
    ASSERT_EQ(centres.size(), row.size()) << size;
    for (size_t i = 1; i < centres.size(); ++i)
      EXPECT_NEAR(centres[i] - centres[i - 1], advance, 0.2) << "size " << size << ", stem " << i;
  }
}

// A panel stretched sideways (the main window's splitter widens the port and work-mode panels by
// their horizontal scale) stretches its text with it: the line measures the same in its own
// units, so it is as much wider on the device as the stretch, and its ink spreads as far; the
// glyphs do not stay at their unstretched advances while each grows wider and runs into the next.
TEST_F(ScaledText, TextStretchedOneWayKeepsItsAdvancesInItsOwnUnits) {
  RegisterDefaultFonts();
  const std::u16string text = u"Petrol : 20.00 hours";
  const Font font{"Tahoma", 12, FontStyleRegular};
  StringFormat f;
  f.Flags = StringFormatFlagsNoClip | StringFormatFlagsNoWrap;
  // The ink's first and last columns of the text drawn at X 10 through the stretch.
  const auto inkSpan = [&](float SX, float SY, int& First, int& Last) {
    Surface s(600, 80);
    s.g->SetTextRenderingHint(TextRenderingHint::AntiAlias);
    s.g->SetWorldTransform(Matrix{SX, 0, 0, SY, 0, 0});
    s.g->DrawString(text, font, {10 / SX, 4 / SY, 500, 20}, f, SolidBrush(0xFF000000u));
    First = s.width;
    Last = -1;
    for (int x = 0; x < s.width; ++x)
      for (int y = 0; y < s.height; ++y)
        if (s.Alpha(x, y) > 64) {
          First = std::min(First, x);
          Last = std::max(Last, x);
        }
  };
  int first1 = 0, last1 = 0;
  inkSpan(1, 1, first1, last1);
  ASSERT_LT(first1, last1);
  for (const Matrix& m : {Matrix{1.4f, 0, 0, 1, 0, 0}, Matrix{1.8f, 0, 0, 1, 0, 0}, Matrix{0.7f, 0, 0, 1, 0, 0},
                          Matrix{1, 0, 0, 1.5f, 0, 0}, Matrix{2.5f, 0, 0, 1.5f, 0, 0}}) {
    RectF own, stretched;
    Surface plain(1, 1);
    plain.g->SetTextRenderingHint(TextRenderingHint::AntiAlias);
    ASSERT_TRUE(plain.g->MeasureString(text, font, {0, 0, 2000, 200}, f, own));
    Surface s(1, 1);
    s.g->SetTextRenderingHint(TextRenderingHint::AntiAlias);
    s.g->SetWorldTransform(m);
    ASSERT_TRUE(s.g->MeasureString(text, font, {0, 0, 2000, 200}, f, stretched));
    EXPECT_NEAR(stretched.Width, own.Width, 0.02 * own.Width) << m.m11 << " x " << m.m22;
    EXPECT_NEAR(stretched.Height, own.Height, 0.02 * own.Height) << m.m11 << " x " << m.m22;
    int first = 0, last = 0;
    inkSpan(m.m11, m.m22, first, last);
    ASSERT_LT(first, last);
    const double ink1 = last1 - first1 + 1, ink = last - first + 1;
    // A pixel or two at each end for the antialiased edges.
    EXPECT_NEAR(ink, ink1 * static_cast<double>(m.m11), 3) << m.m11 << " x " << m.m22;
  }
}

}  // namespace

}  // namespace scaled_text_test
