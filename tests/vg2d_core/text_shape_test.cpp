// The text shape against a canvas whose measuring is fixed, so the sizes and matrices it
// hands over can be checked exactly; and one real drawing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ShapeScene.h"
#include "platform/rtl/CodePage.h"
#include "vg2d/core/Shapes.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "vg2d/core/TextShape.h"
#include "tests/TestOutput.h"

namespace text_shape_test {

using namespace vg;

namespace {

// Measures every text as Measured (from the rectangle's top-left) and records the
// rectangles and matrices of FillText.
class MeasuringCanvas : public TvxCanvasGdiPlus {
public:
  using TvxCanvasGdiPlus::TvxCanvasGdiPlus;
  TvxRect measured = MakeRect(0, 0, 50, 12);
  std::vector<TvxRect> filled;
  std::vector<TvxMatrix> multiplied;
  int measures = 0;
  void MeasureText(TvxRect& R, const TvxRect&, const std::u16string& Text, bool, TvxTextAlign,
                   TvxTextAlign) override {
    ++measures;
    if (Text.empty()) R = {};
    else R = MakeRect(R.Left, R.Top, R.Left + RectWidth(measured), R.Top + RectHeight(measured));
  }
  void FillText(const TvxRect& R, const TvxRect& Clip, const std::u16string& Text, bool WordWrap, float Opacity,
                TvxTextAlign H, TvxTextAlign V) override {
    filled.push_back(R);
    TvxCanvasGdiPlus::FillText(R, Clip, Text, WordWrap, Opacity, H, V);
  }
  void MultiplyMatrix(const TvxMatrix& M) override {
    multiplied.push_back(M);
    TvxCanvasGdiPlus::MultiplyMatrix(M);
  }
};

struct TextScene {
  TextScene() : canvas(200, 100), scene(&canvas), root(new TvxVisualObject(nullptr)) {
    root->Visual()->SetBounds(0, 0, 200, 100);
    scene.AddObject(root.get());
    text = new TvxText(nullptr);
    root->AddObject(text);
    text->SetBounds(10, 10, 80, 36);
  }
  void Paint() {
    canvas.Clear(0);
    scene.dirty.assign(1, MakeRect(0, 0, 200, 100));
    scene.Paint();
  }
  MeasuringCanvas canvas;
  vgtest::FakeScene scene;
  TvxObjectPtr root;
  TvxText* text;
};

}  // namespace

TEST(TextShape, AutoSizeTakesTheMeasuredWidthPlusHalfTheFontSize) {
  TextScene s;
  s.text->Font()->SetSize(11);
  s.text->SetWordWrap(false);
  s.text->SetAutoSize(true);  // empty text: unchanged
  EXPECT_FLOAT_EQ(s.text->Width(), 80);
  s.text->SetText(u"Hello");
  EXPECT_FLOAT_EQ(s.text->Width(), 55.5f);
  EXPECT_FLOAT_EQ(s.text->Height(), 36);  // centred vertically: keeps its height
  s.text->SetVertTextAlign(vgTextAlignNear);
  s.text->Realign();
  EXPECT_FLOAT_EQ(s.text->Height(), 12);
  // With word wrap only the height follows; changing WordWrap alone resizes nothing (the
  // text is measured again for what it paints, not for its size).
  s.canvas.measured = MakeRect(0, 0, 30, 24);
  s.text->SetWordWrap(true);
  EXPECT_FLOAT_EQ(s.text->Width(), 55.5f);
  EXPECT_FLOAT_EQ(s.text->Height(), 12);
  s.text->SetText(u"Hello world");
  EXPECT_FLOAT_EQ(s.text->Width(), 55.5f);
  EXPECT_FLOAT_EQ(s.text->Height(), 24);
  // Not in a scene: no canvas, no resizing.
  TvxText loose(nullptr);
  loose.SetBounds(0, 0, 10, 10);
  loose.SetAutoSize(true);
  loose.SetText(u"x");
  EXPECT_FLOAT_EQ(loose.Width(), 10);
}

TEST(TextShape, StretchScalesTheMeasuredTextToTheBoundsAndSwitchesAutoSizeOff) {
  TextScene s;
  s.text->SetAutoSize(true);
  s.text->SetStretch(true);
  EXPECT_FALSE(s.text->AutoSize());
  s.text->SetStretch(false);
  EXPECT_FALSE(s.text->AutoSize());
  s.text->SetStretch(true);
  s.canvas.measured = MakeRect(0, 0, 40, 12);
  s.text->SetText(u"AB");
  s.canvas.multiplied.clear();
  s.Paint();
  ASSERT_EQ(s.canvas.multiplied.size(), 1u);
  EXPECT_FLOAT_EQ(s.canvas.multiplied[0].m11, 2);
  EXPECT_FLOAT_EQ(s.canvas.multiplied[0].m22, 3);
  const float g = s.text->Font()->Size() / 3;
  EXPECT_EQ(s.canvas.filled.back(), MakeRect(-g, -g, 40 + g, 12 + g));
  s.text->SetText(u"");
  s.canvas.multiplied.clear();
  s.Paint();
  ASSERT_EQ(s.canvas.multiplied.size(), 1u);
  EXPECT_EQ(s.canvas.multiplied[0], IdentityMatrix);
}

TEST(TextShape, DrawsBlackInItsBoundsAndIsHitWithinThem) {
  TextScene s;
  s.text->Font()->SetSize(20);
  s.text->SetText(u"WWW");
  s.Paint();
  EXPECT_EQ(s.canvas.filled.back(), MakeRect(0, 0, 80, 36));
  int inked = 0;
  for (int y = 10; y < 46; ++y)
    for (int x = 10; x < 90; ++x) {
      const uint32_t p = s.canvas.BufferBits()[y * 200 + x];
      if (AlphaOf(p) > 128) {
        ++inked;
        EXPECT_EQ(p & 0x00FFFFFFu, 0u);
      }
    }
  EXPECT_GT(inked, 30);
  for (int y = 0; y < 100; ++y) EXPECT_EQ(s.canvas.BufferBits()[y * 200 + 150], 0u);
  EXPECT_TRUE(s.text->PointInObject(50, 20));
  EXPECT_FALSE(s.text->PointInObject(95, 20));
  EXPECT_FALSE(s.text->Fill()->ColorStored());  // black is the text's default
  EXPECT_FALSE(s.text->Stroke()->StyleStored());
}

TEST(TextShape, LinesAreAsHighAsTheFontsCellWhenMeasuredAndDrawn) {
  auto canvas = TvxCanvasGdiPlus::ClassRef()->Create(220, 60);
  canvas->Clear(0xFFFFFFFFu);
  canvas->Font()->SetFamily("Tahoma");
  canvas->Font()->SetSize(11);
  canvas->Fill()->SetSolidColor(0xFF000000u);
  TvxRect one = MakeRect(0, 0, 1000, 1000), two = one;
  canvas->MeasureText(one, one, u"Label", false, vgTextAlignNear, vgTextAlignNear);
  canvas->MeasureText(two, two, u"Label\nSecond line", false, vgTextAlignNear, vgTextAlignNear);
  // Tahoma's cell (its Windows ascent plus descent) is about 1.21 em: 13.3 px at size 11.
  // Other fonts have their own cell; a line is never lower than the em.
  EXPECT_GE(RectHeight(one), 11);
  EXPECT_NEAR(RectHeight(two), 2 * RectHeight(one), 0.5f);
  if (static_cast<TvxCanvasGdiPlus*>(canvas.get())->FontFamily()->Name() == "Tahoma") {
    EXPECT_NEAR(RectHeight(one), 13.3f, 0.3f);
  }
  // Drawn the same: two lines near-aligned in a box as high as measured fit in it.
  const TvxRect box = MakeRect(4, 4, 4 + RectWidth(two), 4 + RectHeight(two));
  canvas->FillText(box, box, u"Label\nSecond line", false, 1, vgTextAlignNear, vgTextAlignNear);
  canvas->Stroke()->SetSolidColor(0xFFFF0000u);
  canvas->DrawRect(box, 0, 0, AllCorners, 1);
  TvxBitmap picture(220, 60);
  std::copy(canvas->BufferBits(), canvas->BufferBits() + 220 * 60, picture.Bits());
  TvxFilterGdiPlus().SaveToFile(testout::Path("text_lines.png"), picture, "");
}

// A line of text on a white ground, as a label shows it.
struct GroundedText {
  explicit GroundedText(TvxTextAlign Align, bool WordWrap = false) : s(300, 40) {
    auto* ground = s.Add(new TvxRectangle(nullptr), 0, 0, 300, 40);
    ground->Fill()->SetSolidColor(0xFFFFFFFFu);
    ground->Stroke()->SetStyle(vgBrushNone);
    text = s.Add(new TvxText(nullptr), 10, 10, 280, 20);
    text->Font()->SetSize(11);
    text->SetWordWrap(WordWrap);
    text->SetHorzTextAlign(Align);
  }
  vgtest::ShapeScene s;
  TvxText* text;
};

// A changed value repaints where its characters changed (with what they share at either end
// left out while it stays in place), and the picture is the one a whole repaint gives. What
// cannot be told so (another script, wrapped lines) repaints whole.
TEST(TextShape, AChangedValueRepaintsWhereItsCharactersChangedAndLooksAsIfPaintedWhole) {
  struct Case {
    TvxTextAlign align;
    bool wrap;
    std::u16string from, to;
    float mostWidth;  // of the repainted part; 0 for all of the text's update rectangle
  };
  const std::u16string gas = u"Point = 4 -> Gas, ms = 12.34;  Petrol, ms = 9.00;";
  const std::u16string gasNow = u"Point = 4 -> Gas, ms = 12.43;  Petrol, ms = 9.00;";
  const Case cases[] = {
      {vgTextAlignCenter, false, gas, gasNow, 60},                      // same width: both ends stay
      {vgTextAlignNear, false, u"Value = 1", u"Value = 1234;", 120},    // longer: the start stays
      {vgTextAlignNear, false, u"Value = 1234;", u"Value = 1", 120},    // shorter: its old end goes
      {vgTextAlignCenter, false, u"ab", u"abcdefgh", 120},             // centred, wider: moved whole
      {vgTextAlignFar, false, u"x = 5;", u"x = 55;", 120},              // the end stays
      {vgTextAlignNear, false, u"\u05E9\u05DC\u05D5\u05DD 1", u"\u05E9\u05DC\u05D5\u05DD 2", 0},
      {vgTextAlignNear, true, u"Value = 1", u"Value = 2", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(rtl::WideToUtf8(c.from) + " -> " + rtl::WideToUtf8(c.to));
    GroundedText changed(c.align, c.wrap);
    changed.text->SetText(c.from);
    changed.s.Paint();
    const TvxRect whole = changed.text->GetUpdateRect();
    changed.text->SetText(c.to);
    ASSERT_FALSE(changed.s.scene.dirty.empty());
    const TvxRect asked = changed.s.scene.DirtyUnion();
    if (c.mostWidth > 0) {
      EXPECT_LE(RectWidth(asked), c.mostWidth);
    } else {
      EXPECT_GE(RectWidth(asked), RectWidth(whole));
    }
    changed.s.scene.Paint();  // what was asked for only, over the earlier picture
    GroundedText fresh(c.align, c.wrap);
    fresh.text->SetText(c.to);
    fresh.s.Paint();
    int differ = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 300; ++x) differ += changed.s.At(x, y) != fresh.s.At(x, y);
    EXPECT_EQ(differ, 0);
  }
}

// Kept within its bounds (Trimmed): a line too long is cut at its end with an ellipsis (never
// inside a surrogate pair) and cut again for a new width; wrapped lines end at the bounds'
// bottom; a text that fits is drawn whole. Nothing is inked beyond the bounds, as an
// untrimmed text is.
TEST(TextShape, ATrimmedTextStaysInItsBoundsAndALongLineEndsWithAnEllipsis) {
  const auto inkFrom = [](GroundedText& g, int Left, int Top) {
    int inked = 0;
    for (int y = Top; y < 40; ++y)
      for (int x = Left; x < 300; ++x) inked += (g.s.At(x, y) & 0xFFu) < 0x80u;
    return inked;
  };
  const std::u16string line(60, u'W');
  GroundedText plain(vgTextAlignNear);
  plain.text->SetBounds(10, 4, 100, 20);
  plain.text->SetText(line);
  plain.s.Paint();
  EXPECT_GT(inkFrom(plain, 112, 0), 100) << "an untrimmed line runs on";

  GroundedText cut(vgTextAlignNear);
  cut.text->SetBounds(10, 4, 100, 20);
  cut.text->SetTrimmed(true);
  cut.text->SetText(line);
  cut.s.Paint();
  const std::u16string shown = cut.text->ShownText();
  ASSERT_GE(shown.size(), 3u);
  EXPECT_EQ(shown.back(), u'\u2026');
  EXPECT_EQ(shown.substr(0, shown.size() - 1), std::u16string(shown.size() - 1, u'W'));
  EXPECT_EQ(inkFrom(cut, 112, 0), 0);
  EXPECT_GT(inkFrom(cut, 90, 0), 0) << "the ellipsis is drawn at the end";
  EXPECT_LE(cut.text->GetUpdateRect().Right, 112);
  // Wider: more of it.
  cut.text->SetWidth(200);
  EXPECT_GT(cut.text->ShownText().size(), shown.size());
  // A line that fits is whole.
  cut.text->SetText(u"WW");
  EXPECT_EQ(cut.text->ShownText(), u"WW");
  // Characters of two units are kept whole.
  std::u16string faces;
  for (int i = 0; i < 40; ++i) faces += u"\U0001F600";
  cut.text->SetWidth(100);
  cut.text->SetText(faces);
  const std::u16string facesShown = cut.text->ShownText();
  ASSERT_GE(facesShown.size(), 1u);
  EXPECT_EQ(facesShown.size() % 2, 1u) << "whole pairs before the ellipsis";

  // Wrapped lines stop at the bounds' bottom (with the glyphs' margin).
  GroundedText wrapped(vgTextAlignNear, true);
  wrapped.text->SetBounds(10, 4, 100, 14);
  wrapped.text->SetTrimmed(true);
  std::u16string words;
  for (int i = 0; i < 30; ++i) words += u"word ";
  wrapped.text->SetText(words);
  wrapped.s.Paint();
  EXPECT_EQ(wrapped.text->ShownText(), words);
  EXPECT_EQ(inkFrom(wrapped, 0, 4 + 14 + 4), 0);
  EXPECT_GT(inkFrom(wrapped, 0, 4), 0);
}

// A trimmed line is cut as it is drawn: measured at its scale (glyphs scaled are not as wide
// as the same glyphs at scale 1), whatever the canvas's matrix when it is asked, and cut again
// when a parent's scale changes though its own width stays.
TEST(TextShape, ATrimmedLineIsCutAtTheScaleItIsDrawnWith) {
  // Ten units a character at scale 1, eleven at any other scale.
  class ScaleCanvas : public MeasuringCanvas {
  public:
    using MeasuringCanvas::MeasuringCanvas;
    void MeasureText(TvxRect& R, const TvxRect&, const std::u16string& Text, bool, TvxTextAlign,
                     TvxTextAlign) override {
      const float unit = Matrix().m11 == 1 && Matrix().m22 == 1 ? 10.0f : 11.0f;
      R = MakeRect(R.Left, R.Top, R.Left + unit * static_cast<float>(Text.size()), R.Top + 12);
    }
  };
  ScaleCanvas canvas(400, 100);
  vgtest::FakeScene scene(&canvas);
  TvxObjectPtr root(new TvxVisualObject(nullptr));
  root->Visual()->SetBounds(0, 0, 400, 100);
  scene.AddObject(root.get());
  auto* layout = new TvxVisualObject(nullptr);
  root->AddObject(layout);
  layout->SetBounds(0, 0, 200, 50);
  auto* text = new TvxText(nullptr);
  layout->AddObject(text);
  text->SetBounds(0, 0, 95, 20);
  text->SetWordWrap(false);
  text->SetTrimmed(true);
  text->SetText(u"WWWWWWWWW");
  EXPECT_EQ(text->ShownText(), u"WWWWWWWWW") << "90 of 95 at scale 1";
  // Enlarged: 99 of 95, cut (eight characters with the ellipsis are 88).
  layout->Scale()->SetPoint({1.5f, 1.5f});
  canvas.SetMatrix(IdentityMatrix);
  EXPECT_EQ(text->ShownText(), u"WWWWWWW\u2026");
  // And back.
  layout->Scale()->SetPoint({1, 1});
  canvas.SetMatrix(MatrixMultiply(IdentityMatrix, CreateRotationMatrix(0.5f)));
  EXPECT_EQ(text->ShownText(), u"WWWWWWWWW");
}

}  // namespace text_shape_test
