// Strings a graphics keeps laid out between draws: a kept layout draws and measures exactly as
// a new one would, whatever changed since (place, font, wrapping width, hint, scale), and what
// is kept stays bounded.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Pixels.h"
#include "platform/gfx2d/Backend.h"
#include "platform/gfx2d/Text.h"

namespace text_layout_cache_test {

namespace {

using namespace gfx2d;

class TextLayoutCache : public ::testing::Test {
protected:
  void SetUp() override { Startup(); }
  void TearDown() override { Shutdown(); }
};

StringFormat Format(StringAlignment Align, StringAlignment LineAlign, bool Wrap) {
  StringFormat f;
  f.Flags = StringFormatFlagsNoClip | (Wrap ? 0 : StringFormatFlagsNoWrap);
  f.Align = Align;
  f.LineAlign = LineAlign;
  return f;
}

// What a graphics that keeps nothing yet measures: a new one on a pixel of its own, set up
// with Hint and Transform.
RectF FreshMeasure(const std::u16string& Text, const Font& F, const RectF& R, const StringFormat& Format,
                   TextRenderingHint Hint, const Matrix& Transform = Matrix()) {
  Surface s(1, 1);
  s.g->SetTextRenderingHint(Hint);
  s.g->SetWorldTransform(Transform);
  RectF b;
  EXPECT_TRUE(s.g->MeasureString(Text, F, R, Format, b));
  return b;
}

void ExpectSame(const RectF& A, const RectF& B, const char* What) {
  EXPECT_FLOAT_EQ(A.X, B.X) << What;
  EXPECT_FLOAT_EQ(A.Y, B.Y) << What;
  EXPECT_FLOAT_EQ(A.Width, B.Width) << What;
  EXPECT_FLOAT_EQ(A.Height, B.Height) << What;
}

TEST_F(TextLayoutCache, AKeptLayoutMeasuresAsANewOneWhateverChanged) {
  Surface s(1, 1);
  const std::u16string text = u"Gas, ms = 12.34; wrapped words here";
  Font f{"DejaVu Sans", 13, FontStyleRegular};
  const StringFormat centred = Format(StringAlignment::Center, StringAlignment::Center, false);
  RectF b;
  ASSERT_TRUE(s.g->MeasureString(text, f, {10, 20, 300, 40}, centred, b));
  EXPECT_EQ(s.g->KeptTextLayouts(), 1u);
  // Another place of the same width or none: the same layout, placed there.
  const RectF places[] = {{-50, 7, 300, 40}, {10, 20, 120, 9}, {0, 0, 0, 0}};
  for (const RectF& r : places) {
    ASSERT_TRUE(s.g->MeasureString(text, f, r, centred, b));
    ExpectSame(b, FreshMeasure(text, f, r, centred, TextRenderingHint::SystemDefault), "moved");
  }
  EXPECT_EQ(s.g->KeptTextLayouts(), 1u);
  // Each of these lays the text out anew.
  struct Step {
    const char* What;
    Font F;
    RectF R;
    StringFormat Format;
  } steps[] = {
      {"bigger", {"DejaVu Sans", 20, FontStyleRegular}, {10, 20, 300, 40}, centred},
      {"bold", {"DejaVu Sans", 13, FontStyleBold}, {10, 20, 300, 40}, centred},
      {"another family", {"DejaVu Serif", 13, FontStyleRegular}, {10, 20, 300, 40}, centred},
      {"left", f, {10, 20, 300, 40}, Format(StringAlignment::Near, StringAlignment::Far, false)},
      {"wrapped narrow", f, {10, 20, 60, 40}, Format(StringAlignment::Far, StringAlignment::Near, true)},
      {"wrapped wider", f, {10, 20, 90, 40}, Format(StringAlignment::Far, StringAlignment::Near, true)},
  };
  for (const Step& st : steps) {
    ASSERT_TRUE(s.g->MeasureString(text, st.F, st.R, st.Format, b));
    ExpectSame(b, FreshMeasure(text, st.F, st.R, st.Format, TextRenderingHint::SystemDefault), st.What);
  }
  // A changed text.
  ASSERT_TRUE(s.g->MeasureString(u"Gas, ms = 12.35", f, {10, 20, 300, 40}, centred, b));
  ExpectSame(b, FreshMeasure(u"Gas, ms = 12.35", f, {10, 20, 300, 40}, centred, TextRenderingHint::SystemDefault),
             "another text");
  // The hint, and the transform's scale (grid fitting measures whole pixels of the device).
  for (TextRenderingHint h : {TextRenderingHint::ClearTypeGridFit, TextRenderingHint::AntiAlias}) {
    for (float scale : {1.0f, 1.37f, 1.0f}) {
      s.g->SetTextRenderingHint(h);
      s.g->SetWorldTransform(Matrix{scale, 0, 0, scale, 3, 4});
      ASSERT_TRUE(s.g->MeasureString(text, f, {10, 20, 300, 40}, centred, b));
      ExpectSame(b, FreshMeasure(text, f, {10, 20, 300, 40}, centred, h, Matrix{scale, 0, 0, scale, 3, 4}),
                 "hint and scale");
    }
  }
}

TEST_F(TextLayoutCache, AKeptLayoutDrawsTheSamePixelsAsANewOne) {
  const std::u16string text = u"100%";
  const Font f{"DejaVu Sans", 15, FontStyleBold};
  const StringFormat format = Format(StringAlignment::Center, StringAlignment::Center, false);
  SolidBrush white(0xFFFFFFFFu);
  Surface kept(80, 30), fresh(80, 30);
  kept.g->SetTextRenderingHint(TextRenderingHint::ClearTypeGridFit);
  kept.g->DrawString(text, f, {0, 0, 40, 30}, format, white);  // laid out here first
  std::fill(kept.bits.begin(), kept.bits.end(), 0u);
  kept.image->MarkDirty();
  kept.g->DrawString(text, f, {40, 0, 40, 30}, format, white);  // then drawn elsewhere
  fresh.g->SetTextRenderingHint(TextRenderingHint::ClearTypeGridFit);
  fresh.g->DrawString(text, f, {40, 0, 40, 30}, format, white);
  kept.image->Flush();
  fresh.image->Flush();
  EXPECT_GT(fresh.CountPainted(), 20);
  EXPECT_EQ(kept.bits, fresh.bits);
  EXPECT_EQ(kept.g->KeptTextLayouts(), 1u);
}

// Drawn again in a scaled or turned space, and measured there, a string is not laid out again.
TEST_F(TextLayoutCache, AStringDrawnAgainUnderTheSameScaleIsNotLaidOutAgain) {
  Surface s(100, 40);
  const Font f{"DejaVu Sans", 12, FontStyleRegular};
  const StringFormat format = Format(StringAlignment::Center, StringAlignment::Center, false);
  SolidBrush white(0xFFFFFFFFu);
  for (TextRenderingHint h : {TextRenderingHint::ClearTypeGridFit, TextRenderingHint::AntiAlias}) {
    s.g->SetTextRenderingHint(h);
    for (const Matrix& m : {Matrix{1.5f, 0, 0, 1.25f, 2, 3}, Matrix{0.8f, 0.6f, -0.6f, 0.8f, 40, 1}, Matrix{}}) {
      const size_t before = s.g->TextLayoutsMade();
      for (int i = 0; i < 5; ++i) {
        s.g->SetWorldTransform({m.m11, m.m12, m.m21, m.m22, m.dx + static_cast<float>(i), m.dy});
        s.g->DrawString(u"1234 rpm", f, {0, 0, 60, 20}, format, white);
        RectF b;
        s.g->MeasureString(u"1234 rpm", f, {0, 0, 60, 20}, format, b);
      }
      EXPECT_EQ(s.g->TextLayoutsMade(), before + 1);
    }
  }
}

TEST_F(TextLayoutCache, WhatIsKeptStaysBounded) {
  Surface s(1, 1);
  const Font f{"DejaVu Sans", 11, FontStyleRegular};
  const StringFormat format = Format(StringAlignment::Near, StringAlignment::Near, false);
  RectF b;
  for (int i = 0; i < 1000; ++i) {
    const std::string n = std::to_string(i);
    s.g->MeasureString(std::u16string(n.begin(), n.end()), f, {0, 0, 100, 20}, format, b);
  }
  EXPECT_LE(s.g->KeptTextLayouts(), 128u);
  // The most recent are there: measuring one again keeps the count.
  const size_t kept = s.g->KeptTextLayouts();
  s.g->MeasureString(u"999", f, {0, 0, 100, 20}, format, b);
  EXPECT_EQ(s.g->KeptTextLayouts(), kept);
  // A long text is laid out for its use only.
  const std::u16string longText(2000, u'x');
  Surface t(1, 1);
  ASSERT_TRUE(t.g->MeasureString(longText, f, {0, 0, 100, 20}, format, b));
  EXPECT_EQ(t.g->KeptTextLayouts(), 0u);
  ExpectSame(b, FreshMeasure(longText, f, {0, 0, 100, 20}, format, TextRenderingHint::SystemDefault), "long");
}

}  // namespace

}  // namespace text_layout_cache_test
