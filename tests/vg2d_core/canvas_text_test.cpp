// Text on the concrete canvas: the layout rectangle and alignment rules of measuring and
// drawing, the 0.99 opacity of opaque text, rendering hints under scaling, family
// fallback, private fonts and outlines. A sheet of labels is written to
// /tmp/gascal_text_sheet.png for a look by eye.
#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "platform/gfx2d/Fonts.h"
#include "platform/rtl/Streams.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/CanvasGdiPlus.h"
#include "vg2d/core/PathData.h"
#include "vg2d/core/TextForms.h"

namespace canvas_text_test {

using namespace vg;

namespace {

const std::string TahomaFile = std::string(gfx2d::WineFontDir) + "/tahoma.ttf";
bool HaveTahoma() { return std::filesystem::exists(TahomaFile); }

uint8_t Alpha(uint32_t P) { return static_cast<uint8_t>(P >> 24); }

uint8_t MaxAlpha(const TvxCanvas& C) {
  uint8_t a = 0;
  for (int i = 0; i < C.Width() * C.Height(); ++i) a = std::max(a, Alpha(C.BufferBits()[i]));
  return a;
}

std::vector<uint32_t> Pixels(const TvxCanvas& C) {
  return {C.BufferBits(), C.BufferBits() + static_cast<size_t>(C.Width()) * C.Height()};
}

// The bounds of the painted pixels: left, top, right, bottom (exclusive).
TvxRect InkBounds(const TvxCanvas& C) {
  int l = C.Width(), t = C.Height(), r = 0, b = 0;
  for (int y = 0; y < C.Height(); ++y)
    for (int x = 0; x < C.Width(); ++x)
      if (Alpha(C.BufferBits()[y * C.Width() + x])) {
        l = std::min(l, x), t = std::min(t, y), r = std::max(r, x + 1), b = std::max(b, y + 1);
      }
  return {float(l), float(t), float(r), float(b)};
}

}  // namespace

TEST(CanvasText, MeasureFollowsTheRectangleAndAlignmentRules) {
  TvxCanvasGdiPlus c(300, 100);
  const std::u16string text = u"Injector 3";

  // No wrap: the text is laid out in a box of no width at the rectangle's left side.
  TvxRect r{10, 10, 200, 30};
  c.MeasureText(r, r, text, false, vgTextAlignNear, vgTextAlignCenter);
  EXPECT_FLOAT_EQ(r.Left, 10);
  EXPECT_GT(RectWidth(r), 30);
  EXPECT_LT(RectWidth(r), 120);
  EXPECT_NEAR((r.Top + r.Bottom) / 2, 20, 0.01);  // centred on the rectangle's middle

  TvxRect empty{10, 10, 200, 30};
  c.MeasureText(empty, empty, u"", false, vgTextAlignNear, vgTextAlignCenter);
  EXPECT_EQ(empty, (TvxRect{10, 10, 10, 30}));
  TvxRect cut{10, 10, 200, 30};
  c.MeasureText(cut, cut, std::u16string(u"\0abc", 4), true, vgTextAlignNear, vgTextAlignNear);
  EXPECT_EQ(cut, (TvxRect{10, 10, 200, 30}));  // the text ends at its first NUL

  // In a box of no width, centre and far alignment centre or end the text on its left.
  const float w = RectWidth(r);
  TvxRect centred{100, 10, 100, 30}, far{100, 10, 100, 30};
  c.MeasureText(centred, centred, text, false, vgTextAlignCenter, vgTextAlignNear);
  c.MeasureText(far, far, text, false, vgTextAlignFar, vgTextAlignFar);
  EXPECT_NEAR(centred.Left, 100 - w / 2, 0.01);
  EXPECT_NEAR(far.Right, 100, 0.01);
  EXPECT_NEAR(centred.Top, 10, 0.01);
  EXPECT_NEAR(far.Bottom, 30, 0.01);

  // With wrapping the width holds and lines are added.
  TvxRect wrapped{0, 0, 60, 100};
  c.MeasureText(wrapped, wrapped, u"Injector timing correction", true, vgTextAlignNear, vgTextAlignNear);
  EXPECT_LE(wrapped.Right, 60.01f);
  EXPECT_GT(RectHeight(wrapped), 2 * RectHeight(r));
  TvxRect wrappedFar{0, 0, 200, 100};
  c.MeasureText(wrappedFar, wrappedFar, text, true, vgTextAlignFar, vgTextAlignNear);
  EXPECT_NEAR(wrappedFar.Right, 200, 0.01);
  // Near and far are the left and right sides whatever the direction of the script.
  const std::u16string hebrew = u"\u05D0\u05D1\u05D2 \u05D3\u05D4";
  TvxRect rtlNear{0, 0, 200, 30}, rtlFar{0, 0, 200, 30};
  c.MeasureText(rtlNear, rtlNear, hebrew, true, vgTextAlignNear, vgTextAlignNear);
  c.MeasureText(rtlFar, rtlFar, hebrew, true, vgTextAlignFar, vgTextAlignNear);
  EXPECT_NEAR(rtlNear.Left, 0, 0.01);
  EXPECT_NEAR(rtlFar.Right, 200, 0.01);
  EXPECT_LT(rtlNear.Right, 100);

  EXPECT_EQ(c.TextWidth(u""), 0);
  EXPECT_GT(c.TextWidth(u"ab"), c.TextWidth(u"a"));
  EXPECT_GT(c.TextWidth(u"a"), 0);
  c.Font()->SetSize(22);
  EXPECT_NEAR(c.TextWidth(text), 2 * w, 0.2 * w);
}

TEST(CanvasText, MeasuringWithoutAGraphicsGivesTheSameBounds) {
  TvxCanvasGdiPlus buffered(100, 40);
  TvxBitmap noPixels;
  TvxCanvasGdiPlus bare(&noPixels);
  ASSERT_EQ(bare.Graphics(), nullptr);
  TvxRect a{5, 5, 90, 30}, b = a;
  buffered.MeasureText(a, a, u"RPM 2500", false, vgTextAlignCenter, vgTextAlignCenter);
  bare.MeasureText(b, b, u"RPM 2500", false, vgTextAlignCenter, vgTextAlignCenter);
  EXPECT_EQ(a, b);
  EXPECT_EQ(bare.Graphics(), nullptr);
}

TEST(CanvasText, FillTextDrawsOpaqueTextAt99PercentAndWhereItWasMeasured) {
  TvxCanvasGdiPlus c(200, 60);
  c.Clear(0);
  c.Fill()->SetSolidColor(0xFF000000u);
  c.Font()->SetSize(30);
  const TvxRect box{10, 10, 190, 50};
  c.FillText(box, box, u"HIM", false, 1, vgTextAlignCenter, vgTextAlignCenter);
  EXPECT_EQ(MaxAlpha(c), 252);  // 255 x 0.99, truncated

  TvxRect measured = box;  // measured with the box's width kept
  c.MeasureText(measured, box, u"HIM", true, vgTextAlignCenter, vgTextAlignCenter);
  const TvxRect ink = InkBounds(c);
  EXPECT_GE(ink.Left, measured.Left - 1);
  EXPECT_LE(ink.Right, measured.Right + 1);
  EXPECT_GE(ink.Top, measured.Top - 1);
  EXPECT_LE(ink.Bottom, measured.Bottom + 1);
  EXPECT_NEAR((ink.Left + ink.Right) / 2, 100, 3);

  c.Clear(0);
  c.FillText(box, box, u"HIM", false, 0.5f, vgTextAlignCenter, vgTextAlignCenter);
  EXPECT_EQ(MaxAlpha(c), 127);

  // Underline and strikeout add their lines to the glyphs.
  c.Clear(0);
  c.FillText(box, box, u"HIM", false, 1, vgTextAlignCenter, vgTextAlignCenter);
  const auto plain = Pixels(c);
  c.Font()->SetStyle(vgFontUnderline);
  c.Clear(0);
  c.FillText(box, box, u"HIM", false, 1, vgTextAlignCenter, vgTextAlignCenter);
  EXPECT_GT(InkBounds(c).Bottom, ink.Bottom + 1);
  c.Font()->SetStyle(vgFontStrikeout);
  c.Clear(0);
  c.FillText(box, box, u"HIM", false, 1, vgTextAlignCenter, vgTextAlignCenter);
  EXPECT_NE(Pixels(c), plain);
  EXPECT_EQ(InkBounds(c).Bottom, ink.Bottom);
  c.Font()->SetStyle(vgFontRegular);

  c.Clear(0);
  c.FillText(box, box, u"", false, 1, vgTextAlignCenter, vgTextAlignCenter);
  c.Fill()->SetStyle(vgBrushNone);
  c.FillText(box, box, u"HIM", false, 1, vgTextAlignCenter, vgTextAlignCenter);
  EXPECT_EQ(MaxAlpha(c), 0);
}

TEST(CanvasText, ScaledTextIsDrawnAntialiasedAndTheHintComesBack) {
  auto draw = [](bool ClearType, float Scale, gfx2d::TextRenderingHint* After) {
    TvxCanvasGdiPlus c(240, 60);
    c.Clear(0);
    c.Fill()->SetSolidColor(0xFF000000u);
    c.Font()->SetClearType(ClearType);
    c.Font()->SetSize(13);
    c.SetMatrix({Scale, 0, 0, 0, Scale, 0, 0, 0, 1});
    const TvxRect box{3, 3, 150, 30};
    c.FillText(box, box, u"Lambda 0.98", false, 1, vgTextAlignNear, vgTextAlignNear);
    if (After) *After = c.Graphics()->GetTextRenderingHint();
    return Pixels(c);
  };
  gfx2d::TextRenderingHint after{};
  const auto scaledClearType = draw(true, 1.5f, &after);
  EXPECT_EQ(after, gfx2d::TextRenderingHint::ClearTypeGridFit);
  EXPECT_EQ(scaledClearType, draw(false, 1.5f, nullptr));
  EXPECT_NE(draw(true, 1, nullptr), draw(false, 1, nullptr));  // grid fitting shows at scale 1

  TvxCanvasGdiPlus c(50, 20);
  EXPECT_EQ(c.Graphics()->GetTextRenderingHint(), gfx2d::TextRenderingHint::SystemDefault);
  c.Font()->SetClearType(false);
  EXPECT_EQ(c.Graphics()->GetTextRenderingHint(), gfx2d::TextRenderingHint::AntiAlias);
  c.SetMatrix({1.5f, 0, 0, 0, 1.5f, 0, 0, 0, 1});
  c.Font()->SetClearType(true);
  TvxRect r{0, 0, 40, 20};
  c.MeasureText(r, r, u"x", false, vgTextAlignNear, vgTextAlignNear);
  EXPECT_EQ(c.Graphics()->GetTextRenderingHint(), gfx2d::TextRenderingHint::ClearTypeGridFit);
}

TEST(CanvasText, FamiliesFallBackToTheGenericSansSerif) {
  TvxCanvasGdiPlus c(10, 10);
  EXPECT_EQ(c.FontFamily()->Name(), HaveTahoma() ? "Tahoma" : gfx2d::GenericSansSerifFamily());
  c.Font()->SetFamily("No Such Family 42");
  ASSERT_NE(c.FontFamily(), nullptr);
  EXPECT_EQ(c.FontFamily()->Name(), gfx2d::GenericSansSerifFamily());
  EXPECT_GT(c.TextWidth(u"fallback"), 0);
  c.Font()->SetFamily("DejaVu Sans Mono");
  EXPECT_EQ(c.FontFamily()->Name(), "DejaVu Sans Mono");
  EXPECT_FLOAT_EQ(c.TextWidth(u"iiii"), c.TextWidth(u"WWWW"));
}

TEST(CanvasText, TextToPathGivesClosedOutlinesOrLeavesThePathAlone) {
  TvxCanvasGdiPlus c(10, 10);
  c.Font()->SetFamily("DejaVu Sans");
  c.Font()->SetSize(40);
  TvxPathData path;
  path.SetData("M 0 0 L 5 5");
  const auto before = path.Points();
  EXPECT_FALSE(c.TextToPath(&path, {0, 0, 200, 60}, u"", false, vgTextAlignNear, vgTextAlignNear));
  EXPECT_EQ(path.Points(), before);

  const TvxRect box{0, 0, 300, 60};
  ASSERT_TRUE(c.TextToPath(&path, box, u"PATH 0", false, vgTextAlignNear, vgTextAlignCenter));
  const auto& pts = path.Points();
  ASSERT_GT(pts.size(), 20u);
  EXPECT_EQ(pts.front().Kind, vgPathPointMoveTo);
  EXPECT_EQ(pts.back().Kind, vgPathPointClose);
  int figures = 0;
  for (size_t i = 1; i < pts.size(); ++i)
    if (pts[i].Kind == vgPathPointMoveTo) {
      ++figures;
      EXPECT_EQ(pts[i - 1].Kind, vgPathPointClose) << i;  // every contour is closed
    }
  EXPECT_GE(figures, 5);  // P, A, T, H and the two contours of 0, less one
  const TvxRect bounds = path.GetBounds();
  EXPECT_GE(bounds.Left, 0);
  EXPECT_LT(bounds.Right, 200);
  EXPECT_NEAR((bounds.Top + bounds.Bottom) / 2, 30, 4);

  // The outline lies where the text is drawn.
  TvxRect measured = box;
  c.MeasureText(measured, box, u"PATH 0", false, vgTextAlignNear, vgTextAlignCenter);
  EXPECT_GE(bounds.Left, measured.Left - 1);
  EXPECT_LE(bounds.Right, measured.Right + 1);

  // Wrapped in a narrow box the words go onto lines of their own.
  TvxPathData wrapped;
  ASSERT_TRUE(c.TextToPath(&wrapped, {0, 0, 120, 200}, u"PATH 0", true, vgTextAlignNear, vgTextAlignNear));
  EXPECT_LE(wrapped.GetBounds().Right, 121);
  EXPECT_GT(RectHeight(wrapped.GetBounds()), 1.5f * RectHeight(bounds));

  if (!HaveTahoma()) GTEST_SKIP() << "no Tahoma, which lacks an italic face";
  c.Font()->SetFamily("Tahoma");
  c.Font()->SetStyle(vgFontItalic);
  const auto text = path.Points();
  EXPECT_FALSE(c.TextToPath(&path, box, u"italic", false, vgTextAlignNear, vgTextAlignNear));
  EXPECT_EQ(path.Points(), text);
  // Drawing takes the first style the family has instead of a slanted regular face.
  auto drawn = [](TvxFontStyle Style) {
    TvxCanvasGdiPlus d(120, 40);
    d.Clear(0);
    d.Fill()->SetSolidColor(0xFF000000u);
    d.Font()->SetFamily("Tahoma");
    d.Font()->SetSize(24);
    d.Font()->SetStyle(Style);
    d.FillText({0, 0, 120, 40}, {}, u"italic", false, 1, vgTextAlignNear, vgTextAlignNear);
    EXPECT_GT(MaxAlpha(d), 0);
    return Pixels(d);
  };
  EXPECT_EQ(drawn(vgFontItalic), drawn(vgFontRegular));
  EXPECT_NE(drawn(vgFontBold), drawn(vgFontRegular));
}

// The outline holds every glyph wherever the text is laid out: far from the origin, on
// either side of it, and along a line longer than any scratch surface would be.
TEST(CanvasText, TextToPathHoldsEveryGlyphWhereverTheTextIsLaidOut) {
  TvxCanvasGdiPlus c(10, 10);
  c.Font()->SetFamily("DejaVu Sans");
  c.Font()->SetSize(11);
  const auto outline = [&](const std::u16string& Text, const TvxRect& Box, TvxPathData& Path) {
    EXPECT_TRUE(c.TextToPath(&Path, Box, Text, false, vgTextAlignNear, vgTextAlignNear));
  };
  TvxPathData home;
  outline(u"Path", {0, 0, 100, 20}, home);
  ASSERT_GT(home.Count(), 100);
  for (const TvxPoint at : {TvxPoint{100, 0}, TvxPoint{200, 0}, TvxPoint{-5000, 0}, TvxPoint{0, 3000},
                            TvxPoint{40000, -20000}}) {
    SCOPED_TRACE(PointToString(at));
    TvxPathData moved;
    outline(u"Path", {at.X, at.Y, at.X + 100, at.Y + 20}, moved);
    ASSERT_EQ(moved.Count(), home.Count());
    for (int i = 0; i < home.Count(); ++i) {
      EXPECT_EQ(moved.Points()[i].Kind, home.Points()[i].Kind) << i;
      EXPECT_NEAR(moved.Points()[i].Point.X - at.X, home.Points()[i].Point.X, 0.02f) << i;
      EXPECT_NEAR(moved.Points()[i].Point.Y - at.Y, home.Points()[i].Point.Y, 0.02f) << i;
    }
  }

  // A long line spans its measured width, at the origin and far from it.
  const std::u16string line = u"The quick brown fox jumps over the lazy dog";
  for (const TvxRect& box : {TvxRect{0, 0, 10, 20}, TvxRect{-3000, 2000, -2990, 2020},
                             TvxRect{100000, 70000, 100010, 70020}, TvxRect{-100000, -70000, -99990, -69980}}) {
    TvxRect measured = box;
    c.MeasureText(measured, box, line, false, vgTextAlignNear, vgTextAlignNear);
    ASSERT_GT(RectWidth(measured), 200);
    TvxPathData laid;
    outline(line, box, laid);
    const TvxRect bounds = laid.GetBounds();
    EXPECT_NEAR(bounds.Left, measured.Left, 2) << RectToString(box);
    EXPECT_NEAR(bounds.Right, measured.Right, 2) << RectToString(box);  // the "g" of "dog" is there
    EXPECT_GT(bounds.Bottom, measured.Top + 8) << RectToString(box);
  }
}

TEST(CanvasText, FontsFromStreamsAreReadFromThePositionOn) {
  if (!HaveTahoma()) GTEST_SKIP() << "no font file to read";
  std::ifstream in(TahomaFile, std::ios::binary);
  const std::string font{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  rtl::TMemoryStream s;
  const std::string prefix = "not a font";
  s.Write(prefix.data(), static_cast<int64_t>(prefix.size()));
  s.Write(font.data(), static_cast<int64_t>(font.size()));

  {
    TvxCanvasGdiPlus c(60, 30);
    s.SetPosition(static_cast<int64_t>(s.Size()));
    c.AddFontFromStream(&s);  // nothing left to read
    ASSERT_NE(c.FontCollection(), nullptr);
    EXPECT_TRUE(c.FontCollection()->Families().empty());
    s.SetPosition(0);
    c.AddFontFromStream(&s);  // the prefix makes it no font
    EXPECT_TRUE(c.FontCollection()->Families().empty());
    s.SetPosition(static_cast<int64_t>(prefix.size()));
    c.AddFontFromStream(&s);
    EXPECT_EQ(c.FontCollection()->Families(), std::vector<std::string>{"Tahoma"});
    c.Font()->SetFamily("tahoma");
    EXPECT_EQ(c.FontFamily()->Name(), "tahoma");
    c.Font()->SetSize(16);
    c.FillText({0, 0, 60, 30}, {}, u"Tahoma", false, 1, vgTextAlignNear, vgTextAlignNear);
    EXPECT_GT(MaxAlpha(c), 0);
  }
  // The font file went with the canvas that brought it; text of that family still draws
  // (from Wine's folder, or with the fallback).
  TvxCanvasGdiPlus d(60, 30);
  d.Font()->SetFamily("tahoma");
  d.Font()->SetSize(16);
  d.FillText({0, 0, 60, 30}, {}, u"Tahoma", false, 1, vgTextAlignNear, vgTextAlignNear);
  EXPECT_GT(MaxAlpha(d), 0);
}

TEST(CanvasText, OddTextsSizesAndRectanglesNeverBreakTheCanvas) {
  TvxCanvasGdiPlus c(64, 32);
  c.Fill()->SetSolidColor(0xFF000000u);
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  // A bad size or rectangle draws nothing and leaves a measured rectangle as step one
  // left it.
  for (float size : {0.0f, -5.0f, nan, inf, 1e9f}) {
    c.Font()->SetSize(size);
    TvxRect r{1, 2, 30, 20};
    c.MeasureText(r, r, u"abc", true, vgTextAlignNear, vgTextAlignNear);
    EXPECT_EQ(r, (TvxRect{1, 2, 30, 20})) << size;
    c.Clear(0);
    c.FillText({0, 0, 64, 32}, {}, u"abc", true, 1, vgTextAlignNear);
    EXPECT_EQ(MaxAlpha(c), 0) << size;
    TvxPathData p;
    EXPECT_FALSE(c.TextToPath(&p, {0, 0, 64, 32}, u"abc", true, vgTextAlignNear, vgTextAlignNear)) << size;
  }
  c.Font()->SetSize(12);
  for (const TvxRect& bad : {TvxRect{nan, 0, 10, 10}, TvxRect{0, 0, inf, 10}}) {
    TvxRect r = bad;
    c.MeasureText(r, r, u"abc", true, vgTextAlignNear, vgTextAlignNear);
    EXPECT_TRUE(std::isnan(r.Left) || std::isinf(r.Right));
    c.FillText(bad, bad, u"abc", true, 1, vgTextAlignCenter);
  }
  // Random UTF-16, lone surrogates and controls included, in random boxes.
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  for (int i = 0; i < 200; ++i) {
    std::u16string text;
    for (int n = next() % 24; n > 0; --n) text += static_cast<char16_t>(next() >> 8);
    const TvxRect box{float(next() % 80) - 20, float(next() % 40) - 10, float(next() % 100), float(next() % 60)};
    TvxRect r = box;
    c.MeasureText(r, box, text, next() % 2, TvxTextAlign(next() % 3), TvxTextAlign(next() % 3));
    EXPECT_TRUE(std::isfinite(r.Left) && std::isfinite(r.Bottom));
    c.FillText(box, box, text, next() % 2, 0.7f, TvxTextAlign(next() % 3), TvxTextAlign(next() % 3));
    TvxPathData p;
    c.TextToPath(&p, box, text, next() % 2, vgTextAlignCenter, vgTextAlignFar);
    for (const auto& pt : p.Points()) ASSERT_TRUE(std::isfinite(pt.Point.X) && std::isfinite(pt.Point.Y));
  }
  ASSERT_NE(c.Graphics(), nullptr);
  EXPECT_TRUE(c.Graphics()->Ok());
}

// A text of millions of units is laid out up to its first MaxLaidText units: measuring and
// drawing it take what that part takes, and a surrogate pair at the cut is not split.
TEST(CanvasText, AHugeTextIsLaidOutUpToTheBound) {
  auto c = TvxCanvasGdiPlus::ClassRef()->Create(200, 40);
  const size_t most = TvxCanvasGdiPlus::MaxLaidText;
  std::u16string head(most - 1, u'i');
  head += u"\U0001F600";  // straddles the bound: left out whole
  const std::u16string huge = head + std::u16string(4'000'000, u'W');
  const auto measure = [&](const std::u16string& Text) {
    TvxRect r{0, 0, 100000, 40};
    c->MeasureText(r, r, Text, false, vgTextAlignNear, vgTextAlignNear);
    return r;
  };
  const TvxRect whole = measure(huge);
  EXPECT_EQ(whole, measure(std::u16string(most - 1, u'i')));
  EXPECT_GT(whole.Right, 0);
  // Wrapped, a shorter part: wrapping shapes the rest again for every line.
  const auto wrapped = [&](const std::u16string& Text) {
    TvxRect r{0, 0, 300, 100000};
    c->MeasureText(r, r, Text, true, vgTextAlignNear, vgTextAlignNear);
    return r;
  };
  const std::u16string words = u"Gas ";
  std::u16string many;
  while (many.size() < 3 * TvxCanvasGdiPlus::MaxWrappedText) many += words;
  EXPECT_EQ(wrapped(many), wrapped(many.substr(0, TvxCanvasGdiPlus::MaxWrappedText)));
  EXPECT_GT(wrapped(many).Bottom, 100);
  c->Fill()->SetSolidColor(0xFF000000u);
  c->FillText({0, 0, 200, 40}, {0, 0, 200, 40}, huge, false, 1, vgTextAlignNear, vgTextAlignNear);
  EXPECT_GT(MaxAlpha(*c), 0);
  TvxPathData outline;
  EXPECT_TRUE(c->TextToPath(&outline, {0, 0, 200, 40}, huge, false, vgTextAlignNear, vgTextAlignNear));
}

TEST(CanvasText, SheetOfLabels) {
  TvxCanvasGdiPlus c(420, 300);
  c.Clear(0xFFF4F4F4u);
  c.Stroke()->SetSolidColor(0xFFB0B0B0u);
  c.SetStrokeThickness(1);
  c.Fill()->SetSolidColor(0xFF202020u);
  const TvxTextAlign aligns[] = {vgTextAlignNear, vgTextAlignCenter, vgTextAlignFar};
  for (int i = 0; i < 3; ++i) {
    const TvxRect r{10, 10 + i * 30.0f, 200, 35 + i * 30.0f};
    c.DrawRect(r, 0, 0, AllCorners, 1);
    c.FillText(r, r, u"Reducer temperature", false, 1, aligns[i], aligns[i]);
  }
  const TvxRect wrap{220, 10, 410, 95};
  c.DrawRect(wrap, 0, 0, AllCorners, 1);
  c.FillText(wrap, wrap, u"Gas injection time is corrected by the reducer pressure", true, 1, vgTextAlignCenter,
             vgTextAlignCenter);
  c.Font()->SetStyle(vgFontBold);
  c.Font()->SetSize(16);
  c.FillText({10, 110, 410, 135}, {}, u"Калибровка  การปรับเทียบ  Calibration", false, 1, vgTextAlignNear);
  c.Font()->SetStyle(vgFontUnderline);
  c.Fill()->SetStyle(vgBrushGradient);
  c.FillText({10, 140, 410, 165}, {}, u"Underlined, gradient fill", false, 1, vgTextAlignNear);
  c.Font()->SetStyle(vgFontRegular);
  c.Font()->SetSize(48);
  TvxPathData outline;
  ASSERT_TRUE(c.TextToPath(&outline, {10, 170, 410, 290}, u"gascal", false, vgTextAlignCenter, vgTextAlignCenter));
  c.Fill()->SetStyle(vgBrushSolid);
  c.Fill()->SetSolidColor(0xFF3A7BD5u);
  c.FillPath(&outline, outline.GetBounds(), 1);
  c.SetStrokeThickness(1.5f);
  c.Stroke()->SetSolidColor(0xFF102040u);
  c.DrawPath(&outline, outline.GetBounds(), 1);
  EXPECT_GT(MaxAlpha(c), 0);

  cairo_surface_t* s = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(c.BufferBits()),
                                                           CAIRO_FORMAT_ARGB32, c.Width(), c.Height(), c.Width() * 4);
  EXPECT_EQ(cairo_surface_write_to_png(s, "/tmp/gascal_text_sheet.png"), CAIRO_STATUS_SUCCESS);
  cairo_surface_destroy(s);
}

}  // namespace canvas_text_test
