// Text drawn through a scaling transform (a window made larger scales its whole layer) keeps its
// letter spacing: a line is as wide as the same line set at the scaled size, so letters are not
// spread apart by positions rounded in the unscaled units.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "Pixels.h"
#include "platform/gfx2d/Backend.h"
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

}  // namespace

}  // namespace scaled_text_test
