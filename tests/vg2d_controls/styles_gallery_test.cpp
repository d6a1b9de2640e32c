// Every built-in control style in each state (normal, hover, pressed or checked, focused,
// disabled) on a dark and on a light background, painted into one picture written next to
// the test program (controls_gallery.png) for a look. Each state the style shows must
// change the control's pixels.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ControlScene.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "tests/TestOutput.h"

namespace styles_gallery_test {

using namespace vg;

namespace {

class StylesGallery : public vgtest::ControlsTest {};

enum TState { Normal, Hover, Pressed, Focused, Disabled, StateCount };
constexpr int CellW = 100;
constexpr int CellH = 34;
constexpr TvxColor Dark = 0xFF202020u;
constexpr TvxColor Light = 0xFFE8E8E8u;

struct TRow {
  std::string Name;
  std::function<TvxControl*()> Make;
  bool Checks;  // the "pressed" column shows the checked state
};

template <class T>
TRow Row(const char* Name, bool Checks = false) {
  return {Name, [] { return new T(nullptr); }, Checks};
}

void PutInState(TvxControl* C, TState S, bool Checks) {
  switch (S) {
    case Hover: C->MouseEnter(); break;
    case Pressed:
      if (auto* two = dynamic_cast<TvxTwoStateControl*>(C); two && Checks)
        two->SetIsChecked(true);
      else
        C->MouseDown(rtl::mbLeft, {rtl::ssLeft}, 2, 2);
      break;
    case Focused:  // straight to the control: several cells show the focus at once
      static_cast<TvxVisualObject*>(C)->EnterFocus();
      break;
    case Disabled: C->SetEnabled(false); break;
    default: break;
  }
}

}  // namespace

TEST_F(StylesGallery, EveryStateAStyleShowsChangesTheControlsLook) {
  const std::vector<TRow> rows = {
      Row<TvxButton>("Button"),           Row<TvxHudButton>("HudButton"),
      Row<TvxRoundButton>("RoundButton"), Row<TvxHudRoundButton>("HudRoundButton"),
      Row<TvxCircleButton>("Circle"),     Row<TvxHudCircleButton>("HudCircle"),
      Row<TvxPopupButton>("Popup"),       Row<TvxSpeedButton>("Speed"),
      Row<TvxCornerButton>("Corner"),     Row<TvxHudCornerButton>("HudCorner"),
      Row<TvxBitmapButton>("Bitmap"),     Row<TvxToolButton>("Tool"),
      Row<TvxPathButton>("Path"),         Row<TvxToolPathButton>("ToolPath"),
      Row<TvxCheckBox>("Check", true),    Row<TvxHudCheckBox>("HudCheck", true),
      Row<TvxRadioButton>("Radio", true), Row<TvxHudRadioButton>("HudRadio", true),
  };
  const int width = CellW * StateCount * 2;
  const int height = CellH * static_cast<int>(rows.size() + 3);
  vgtest::ControlScene s(width, height);
  // The two backgrounds, side by side.
  for (int half = 0; half < 2; ++half) {
    auto* back = new vgtest::Box(nullptr, half == 0 ? Dark : Light);
    s.root->AddObject(back);
    back->SetBounds(static_cast<float>(half * CellW * StateCount), 0, static_cast<float>(CellW * StateCount),
                    static_cast<float>(height));
  }
  // The controls sit in a holder: the core dims disabled objects below the root's children.
  auto* holder = new TvxVisualObject(nullptr);
  s.root->AddObject(holder);
  holder->SetBounds(0, 0, static_cast<float>(width), static_cast<float>(height));
  // cells[row][half * StateCount + state]
  std::vector<std::vector<TvxControl*>> cells(rows.size());
  for (size_t r = 0; r < rows.size(); ++r)
    for (int half = 0; half < 2; ++half)
      for (int st = Normal; st < StateCount; ++st) {
        TvxControl* c = rows[r].Make();
        holder->AddObject(c);
        c->Position()->SetPoint({static_cast<float>((half * StateCount + st) * CellW + 8),
                                 static_cast<float>(static_cast<int>(r) * CellH + 6)});
        // The glyph buttons are made for tool bars: here they take a button's size.
        if (c->Height() > CellH - 8) {
          c->SetWidth(80);
          c->SetHeight(24);
        }
        if (auto* t = dynamic_cast<TvxTextControl*>(c); t && c->Width() > 40) t->SetText(u"Text");
        // Each radio button in a group of its own, so that all the checked ones stay checked.
        if (auto* radio = dynamic_cast<TvxRadioButton*>(c))
          radio->SetGroupName(std::to_string(r * 100 + cells[r].size()));
        c->ApplyResource();
        PutInState(c, static_cast<TState>(st), rows[r].Checks);
        cells[r].push_back(c);
      }
  // A last band of the plain containers and captions.
  const float y0 = static_cast<float>(rows.size() * CellH + 4);
  for (int half = 0; half < 2; ++half) {
    const float x0 = static_cast<float>(half * CellW * StateCount + 8);
    auto put = [&](TvxControl* C, float X, float W, float H) {
      holder->AddObject(C);
      C->SetBounds(x0 + X, y0, W, H);
      return C;
    };
    static_cast<TvxLabel*>(put(new TvxLabel(nullptr), 0, 60, 18))->SetText(u"Label");
    static_cast<TvxLabel*>(put(new TvxHudLabel(nullptr), 64, 60, 18))->SetText(u"HudLabel");
    put(new TvxPanel(nullptr), 130, 60, 90);
    put(new TvxHudPanel(nullptr), 196, 60, 90);
    static_cast<TvxGroupBox*>(put(new TvxGroupBox(nullptr), 262, 110, 90))->SetText(u"Group");
    static_cast<TvxGroupBox*>(put(new TvxHudGroupBox(nullptr), 378, 110, 90))->SetText(u"HudGroup");
  }
  s.PaintAll();
  clock.Advance(400);
  s.PaintAll();

  TvxBitmap picture(width, height);
  std::copy(s.canvas->BufferBits(), s.canvas->BufferBits() + width * height, picture.Bits());
  ASSERT_TRUE(TvxFilterGdiPlus().SaveToFile(testout::Path("controls_gallery.png"), picture, ""));

  // The pixels of a cell that differ from those of the normal cell beside it.
  auto differing = [&](size_t R, int Half, int St) {
    int n = 0;
    for (int y = 0; y < CellH; ++y)
      for (int x = 0; x < CellW; ++x) {
        const int py = static_cast<int>(R) * CellH + y;
        n += s.At((Half * StateCount + St) * CellW + x, py) != s.At((Half * StateCount) * CellW + x, py) ? 1 : 0;
      }
    return n;
  };
  for (size_t r = 0; r < rows.size(); ++r)
    for (int half = 0; half < 2; ++half) {
      const std::string where = rows[r].Name + (half == 0 ? " on dark" : " on light");
      EXPECT_GT(differing(r, half, Hover), 10) << where << ": hover";
      EXPECT_GT(differing(r, half, Pressed), 10) << where << ": pressed or checked";
      EXPECT_GT(differing(r, half, Disabled), 10) << where << ": disabled";
      if (cells[r][0]->CanFocused()) {
        EXPECT_GT(differing(r, half, Focused), 10) << where << ": focused";
      }
    }
}

}  // namespace styles_gallery_test
