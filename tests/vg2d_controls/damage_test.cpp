// What a change leaves on the screen: only the damaged rectangles are painted again, and
// they must cover what the changed object painted before as well as what it paints now,
// text that reaches outside its control included. Each change is painted as the scenes
// paint (the dirty rectangles alone) and compared with a whole repaint of the same tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ControlScene.h"
#include "platform/rtl/CodePage.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "vg2d/core/Shapes.h"
#include "tests/TestOutput.h"

namespace damage_test {

using namespace vg;

namespace {

constexpr std::uint32_t Desk = 0xFF304050u;

class Damage : public vgtest::ControlsTest {
protected:
  void SetUp() override {
    ControlsTest::SetUp();
    scene = std::make_unique<vgtest::ControlScene>(360, 200);
    // An opaque desk under everything, as a window's fill: a repaint starts from it.
    auto* desk = new TvxRectangle(nullptr);
    scene->root->AddObject(desk);
    desk->SetAlign(vaClient);
    desk->Fill()->SetSolidColor(Desk);
    desk->Stroke()->SetStyle(vgBrushNone);
  }
  void TearDown() override {
    scene.reset();
    ControlsTest::TearDown();
  }
  // A label 60 x 20 whose caption, at 22 points without wrapping, reaches far outside it.
  TvxLabel* Label(float X, float Y, TvxTextAlign Align, bool Wrap = false) {
    auto* l = scene->Add(new TvxLabel(nullptr), X, Y);
    l->SetBounds(X, Y, 60, 20);
    l->SetWordWrap(Wrap);
    l->SetTextAlign(Align);
    l->Font()->SetSize(22);
    l->FontFill()->SetSolidColor(0xFFFFFFFFu);
    l->SetText(u"Switch to gas when RPM >");
    return l;
  }
  // Paints the damage of Change, then the whole tree; the number of pixels that differ.
  // Keep names a picture of the damage's painting, written in the build tree's test-output folder.
  int PixelsAWholeRepaintChanges(const std::function<void()>& Change, const char* Keep = nullptr) {
    scene->PaintAll(Desk);
    Change();
    scene->scene.Paint();
    const std::uint32_t* bits = scene->canvas->BufferBits();
    const std::vector<std::uint32_t> partial(bits, bits + scene->canvas->Width() * scene->canvas->Height());
    if (Keep) {
      TvxBitmap picture(scene->canvas->Width(), scene->canvas->Height());
      std::copy(partial.begin(), partial.end(), picture.Bits());
      TvxFilterGdiPlus().SaveToFile(testout::Path(Keep), picture, "");
    }
    scene->PaintAll(Desk);
    int differ = 0;
    for (size_t i = 0; i < partial.size(); ++i) differ += partial[i] != bits[i] ? 1 : 0;
    return differ;
  }
  std::unique_ptr<vgtest::ControlScene> scene;
};

}  // namespace

TEST_F(Damage, ALabelWhoseTextReachesOutsideItLeavesNothingBehindWhenItsFontShrinksGrowsOrItHides) {
  TvxLabel* near = Label(10, 20, vgTextAlignNear);
  TvxLabel* centre = Label(150, 70, vgTextAlignCenter);
  TvxLabel* far = Label(290, 120, vgTextAlignFar);
  TvxLabel* wrapped = Label(150, 150, vgTextAlignNear, true);
  scene->PaintAll(Desk);
  // The captions do reach outside the labels: light pixels right of the near one, on both
  // sides of the centred one, left of the far one, below the wrapped one.
  const auto lightIn = [&](int X0, int Y0, int X1, int Y1) {
    int n = 0;
    for (int y = Y0; y < Y1; ++y)
      for (int x = X0; x < X1; ++x) n += ((scene->At(x, y) >> 8) & 0xFF) > 0xA0 ? 1 : 0;
    return n;
  };
  ASSERT_GT(lightIn(75, 20, 200, 40), 20);
  ASSERT_GT(lightIn(60, 70, 145, 90), 20);
  ASSERT_GT(lightIn(215, 70, 300, 90), 20);
  ASSERT_GT(lightIn(150, 172, 210, 200), 20);
  ASSERT_GT(lightIn(150, 120, 285, 140), 20);

  for (TvxLabel* l : {near, centre, far, wrapped}) {
    SCOPED_TRACE(rtl::WideToUtf8(l->Text()) + " at " + std::to_string(l->Position()->X()));
    EXPECT_EQ(PixelsAWholeRepaintChanges([l] { l->Font()->SetSize(8); }, l == near ? "damage_font_smaller.png" : nullptr),
              0)
        << "smaller";
    EXPECT_EQ(PixelsAWholeRepaintChanges([l] { l->Font()->SetSize(26); }), 0) << "larger";
    EXPECT_EQ(PixelsAWholeRepaintChanges([l] { l->SetText(u"RPM"); }), 0) << "shorter";
    EXPECT_EQ(PixelsAWholeRepaintChanges([l] { l->SetText(u"Switch to gas when the engine is warm"); }), 0)
        << "longer";
    EXPECT_EQ(PixelsAWholeRepaintChanges([l] { l->Position()->SetX(l->Position()->X() - 7); }), 0) << "moved";
    EXPECT_EQ(PixelsAWholeRepaintChanges([l] { l->SetWidth(45); }), 0) << "narrower";
    EXPECT_EQ(PixelsAWholeRepaintChanges([l] { l->SetVisible(false); }), 0) << "hidden";
    EXPECT_EQ(PixelsAWholeRepaintChanges([l] { l->SetVisible(true); }), 0) << "shown";
  }
  // A change of the whole tree's font at once, as the program's font setting does it.
  EXPECT_EQ(PixelsAWholeRepaintChanges([&] {
              for (TvxLabel* l : {near, centre, far, wrapped}) l->Font()->SetSize(9);
            }),
            0);
}

}  // namespace damage_test
