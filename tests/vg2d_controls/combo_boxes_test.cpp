// The drop-down text boxes on a form: the combo track bar's popup window under the box,
// its track writing the box's text with a point whatever the locale, and the box reading
// its text back.
#include <SDL.h>
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "FormScene.h"
#include "platform/rtl/SysUtils.h"
#include "vg2d/controls/ComboBoxes.h"

using namespace vg;

namespace {

class ComboBoxes : public vgtest::FormScene {
protected:
  // A press and release at a point of the form.
  void Click(int X, int Y) {
    win::SimulateMouseButton(form.get(), rtl::mbLeft, true, X, Y);
    win::SimulateMouseButton(form.get(), rtl::mbLeft, false, X, Y);
  }
};

// Switches the C library to a locale that writes a decimal comma, for one scope.
class CommaLocale {
public:
  CommaLocale() : old_(std::setlocale(LC_ALL, nullptr)) { std::setlocale(LC_ALL, "de_DE.utf8"); }
  ~CommaLocale() { std::setlocale(LC_ALL, old_.c_str()); }

private:
  std::string old_;
};

}  // namespace

TEST_F(ComboBoxes, TheTrackBarDropsDownUnderTheBoxAndItsTrackWritesTheText) {
  auto* box = new TvxComboTrackBar(form.get());
  root->AddObject(box);
  box->SetBounds(20, 20, 80, 22);
  box->SetMax(10);
  EXPECT_EQ(box->Popup()->Parent(), root) << "the popup lives beside the box";
  int changes = 0;
  box->OnChange = [&](rtl::TObject* S) {
    EXPECT_EQ(S, box);
    ++changes;
  };
  Settle();
  // A press in the text area opens nothing; one on the arrow drops the track down.
  Click(20 + 10, 31);
  EXPECT_FALSE(box->Popup()->IsOpen());
  Click(20 + 74, 31);
  ASSERT_TRUE(box->Popup()->IsOpen());
  win::TCustomForm* w = box->Popup()->PopupForm();
  EXPECT_EQ(w->Left(), 100 + 20);
  EXPECT_EQ(w->Top(), 80 + 42);
  EXPECT_EQ(w->Width(), 100) << "never narrower than 100";
  EXPECT_EQ(w->Height(), 30);

  {
    CommaLocale comma;
    box->TrackBar()->SetValue(2.5f);
    EXPECT_EQ(box->Text(), u"2.500");
    EXPECT_EQ(box->SelLength(), 5);
    EXPECT_EQ(changes, 1);
    box->TrackBar()->SetValue(7);
    EXPECT_EQ(box->Text(), u"7");
    // What it wrote reads back.
    box->SetText(u"3.25");
    box->Change();
    EXPECT_FLOAT_EQ(box->Value(), 3.25f);
    box->SetText(u"1,5");
    box->Change();
    EXPECT_FLOAT_EQ(box->Value(), 1.5f);
  }
  box->SetText(u"-");
  EXPECT_THROW(box->Change(), rtl::EConvertError);
  EXPECT_FLOAT_EQ(box->Value(), 1.5f);

  // The arrow again closes it; the caret is back in the focused box.
  Click(20 + 74, 31);
  EXPECT_FALSE(box->Popup()->IsOpen());
  EXPECT_TRUE(box->IsFocused());
  ASSERT_NE(box->Caret(), nullptr);
  EXPECT_TRUE(box->Caret()->Visible());
  box->OnChange = {};
  Settle();
}

TEST_F(ComboBoxes, TheHudTrackBarTakesTheHudStyles) {
  TvxHudComboTrackBar box(nullptr);
  EXPECT_EQ(box.Resource(), "hudcombotextboxstyle");
  EXPECT_EQ(box.Popup()->Resource(), "hudcombopopupstyle");
  EXPECT_EQ(box.TrackBar()->Resource(), "hudtrackbarstyle");
  EXPECT_EQ(box.Text(), u"0");
  EXPECT_FLOAT_EQ(box.Width(), 100);
  EXPECT_FLOAT_EQ(box.Height(), 22);
  // The built-in style has the parts.
  EXPECT_NE(box.Style(), nullptr);
  EXPECT_NE(box.FindResource("content"), nullptr);
}
