// Number and spin boxes: how a value is shown and read back, clamping, the conversion
// error of a text that is no number, mouse drags and arrow keys, the spin buttons, data,
// and the classes start-up registers for the text editors.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ControlScene.h"
#include "platform/loop/Application.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/NumberBox.h"
#include "vg2d/core/Registry.h"

namespace number_box_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

class NumberBoxes : public vgtest::ControlsTest {
protected:
  template <class T = TvxNumberBox>
  T* Place(ControlScene& S) {
    auto* b = S.Add(new T(nullptr), 10, 10);
    b->OnChange = [this](rtl::TObject*) { ++changes; };
    b->OnChangeTracking = [this](rtl::TObject*) { ++tracking; };
    return b;
  }
  int changes = 0, tracking = 0;
};

}  // namespace

TEST_F(NumberBoxes, AValueIsShownWithItsDigitsOrAsAWholeNumber) {
  ControlScene s;
  auto* b = Place(s);
  EXPECT_EQ(b->Text(), u"0");
  EXPECT_EQ(b->FilterChar(), u"0123456789.,-+");
  b->SetValueType(vgValueFloat);
  b->SetValue(3.14159f);
  EXPECT_EQ(b->Text(), u"3.14");
  b->SetValue(3);
  EXPECT_EQ(b->Text(), u"3");
  b->SetDecimalDigits(3);
  b->SetValue(2.5f);
  EXPECT_EQ(b->Text(), u"2.500");
  // Integers show the whole part, and Value keeps its fraction until Change.
  b->SetValueType(vgValueInteger);
  b->SetValue(3.7f);
  EXPECT_EQ(b->Text(), u"3");
  EXPECT_FLOAT_EQ(b->Value(), 3.7f);
  b->SetValue(-2.9f);  // below Min: clamped to 0
  EXPECT_EQ(b->Text(), u"0");
  // Setting Value fires no OnChangeTracking and leaves Modified alone.
  EXPECT_EQ(tracking, 0);
  b->SetFocus();
  b->SetValue(9);
  EXPECT_FALSE(b->Modified());
  // Clamping: Max first, then Min, so Min wins when it is above Max.
  b->SetValue(99);
  EXPECT_FLOAT_EQ(b->Value(), 10);
  b->SetMin(20);
  EXPECT_FLOAT_EQ(b->Value(), 10);  // the bounds only store
  b->SetValue(5);
  EXPECT_FLOAT_EQ(b->Value(), 20);
  EXPECT_EQ(b->Text(), u"20");
}

TEST_F(NumberBoxes, ChangeReadsTheTextBackAndRefusesATextThatIsNoNumber) {
  ControlScene s;
  auto* b = Place(s);
  b->SetMax(100);
  b->SetValueType(vgValueFloat);
  b->SetFocus();
  b->SetText(u"42.25");
  b->Change();
  EXPECT_FLOAT_EQ(b->Value(), 42.25f);
  EXPECT_EQ(b->Text(), u"42.25");
  EXPECT_EQ(changes, 1);
  b->SetText(u"250");
  b->Change();
  EXPECT_FLOAT_EQ(b->Value(), 100);
  EXPECT_EQ(b->Text(), u"100");
  // Empty text, a lone sign: the conversion error, and the value stays.
  for (const char16_t* bad : {u"", u"-"}) {
    b->SetText(bad);
    try {
      b->Change();
      ADD_FAILURE() << "no error for a text that is no number";
    } catch (const rtl::EConvertError& e) {
      EXPECT_EQ(std::string(e.what()), "'" + rtl::WideToUtf8(bad) + "' is not a valid floating point value");
    }
    EXPECT_FLOAT_EQ(b->Value(), 100);
    EXPECT_EQ(b->Text(), bad);
  }
  // Leaving the box with such a text reports the error to the application and moves on.
  std::string reported;
  rtl::Application->OnException = [&](rtl::TObject*, const std::exception& E) { reported = E.what(); };
  auto* other = s.Add(new TvxNumberBox(nullptr), 10, 60);
  other->SetFocus();
  rtl::Application->OnException = {};
  EXPECT_EQ(reported, "'-' is not a valid floating point value");
  EXPECT_EQ(s.scene.focused, other);
}

TEST_F(NumberBoxes, DraggingStepsOncePerMoveAndReportsOnceAtTheRelease) {
  ControlScene s;
  auto* b = Place(s);
  b->SetMax(100);
  b->SetValue(50);
  s.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, 40, 20);
  ASSERT_TRUE(b->Dragging());
  s.scene.MouseMove({rtl::ssLeft}, 40, 19);  // up one pixel: + VertIncrement
  EXPECT_FLOAT_EQ(b->Value(), 55);
  EXPECT_TRUE(b->DraggingVertically());
  s.scene.MouseMove({rtl::ssLeft}, 40, 60);  // down, however far: - VertIncrement
  EXPECT_FLOAT_EQ(b->Value(), 50);
  s.scene.MouseMove({rtl::ssLeft}, 41, 60);  // right: + HorzIncrement
  EXPECT_FLOAT_EQ(b->Value(), 51);
  EXPECT_FALSE(b->DraggingVertically());
  s.scene.MouseMove({rtl::ssLeft}, 41, 60);  // no move at all: - HorzIncrement
  EXPECT_FLOAT_EQ(b->Value(), 50);
  s.scene.MouseMove({rtl::ssLeft}, 30, 60);  // left
  EXPECT_FLOAT_EQ(b->Value(), 49);
  EXPECT_EQ(changes, 0);
  // While dragging a bar shows along the bottom edge (horizontal drag).
  s.PaintAll(0xFFFFFFFFu);
  const uint32_t bar = s.At(50, 10 + 22 - 3), above = s.At(50, 10 + 22 - 9);
  EXPECT_LT(bar & 0xFF, 0xD0u);
  EXPECT_EQ(above & 0xFFFFFF, 0xFFFFFFu);
  s.scene.MouseUp(rtl::mbLeft, {}, 30, 60);
  EXPECT_FALSE(b->Dragging());
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(b->Text(), u"49");
  // The bar is gone after the drag.
  s.PaintAll(0xFFFFFFFFu);
  EXPECT_EQ(s.At(50, 10 + 22 - 3) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(NumberBoxes, TypingAfterTheClickThatFocusesReplacesTheText) {
  ControlScene s;
  auto* b = Place(s);
  b->SetMax(5000);
  b->SetValue(1500);
  auto* level = s.Add(new TvxNumberBox(nullptr), 10, 50);
  level->SetMin(-255);
  level->SetMax(255);
  level->SetValue(255);
  auto* fraction = s.Add(new TvxNumberBox(nullptr), 10, 90);
  fraction->SetValueType(vgValueFloat);
  fraction->SetValue(2.5f);
  auto* spin = s.Add(new TvxSpinBox(nullptr), 10, 130);
  spin->SetMax(100);
  spin->SetValue(42);
  auto type = [&](const std::u16string& Typed) {
    for (char16_t c : Typed) {
      uint16_t k = 0;
      s.scene.KeyDown(k, c, {});
    }
  };
  auto click = [&](float Y, rtl::TShiftState Press = {rtl::ssLeft}) {
    s.scene.MouseDown(rtl::mbLeft, Press, 60, Y);
    s.scene.MouseUp(rtl::mbLeft, {}, 60, Y);
  };
  // The press selects the whole text and its release (which reads the text back) keeps that.
  click(20);
  EXPECT_EQ(b->SelText(), u"1500");
  type(u"2000");
  EXPECT_EQ(b->Text(), u"2000");
  uint16_t enter = win::VK_RETURN;
  char16_t none = 0;
  s.scene.KeyDown(enter, none, {});
  EXPECT_FLOAT_EQ(b->Value(), 2000);
  EXPECT_EQ(changes, 1);
  // A sign typed after the click starts a new number.
  click(60);
  type(u"-");
  EXPECT_EQ(level->Text(), u"-");
  // Read back in its shorter form, the whole text stays selected.
  click(100);
  EXPECT_EQ(fraction->Text(), u"2.5");
  EXPECT_EQ(fraction->SelText(), u"2.5");
  type(u"7");
  EXPECT_EQ(fraction->Text(), u"7");
  // A click into the focused box puts the caret there; a double click selects all again.
  click(100);
  EXPECT_EQ(fraction->SelLength(), 0);
  click(100, {rtl::ssLeft, rtl::ssDouble});
  type(u"3");
  EXPECT_EQ(fraction->Text(), u"3");
  // The spin box alike.
  click(141);
  EXPECT_EQ(s.scene.focused, spin);
  type(u"9");
  EXPECT_EQ(spin->Text(), u"9");
}

// A number of more digits than the box shows, entered and held to the box's range, shows the
// held number whole, also once the focus has left; so does a value given from code.
TEST_F(NumberBoxes, ALongNumberHeldToItsRangeShowsWhole) {
  ControlScene s;
  auto* b = Place(s);
  auto* other = s.Add(new TvxNumberBox(nullptr), 10, 60);
  b->SetMax(8000);
  b->SetValue(3000);
  // The box focused (its number selected) and twenty digits typed over it.
  const auto typeDigits = [&](char16_t Digit) {
    b->SetFocus();
    for (int i = 0; i < 20; ++i) {
      uint16_t k = 0;
      char16_t c = Digit;
      b->KeyDown(k, c, {});
    }
  };
  typeDigits(u'9');
  ASSERT_GT(b->FirstVisibleChar(), 1) << "twenty digits are wider than the box";
  uint16_t enter = win::VK_RETURN;
  char16_t none = 0;
  b->KeyDown(enter, none, {});
  EXPECT_EQ(b->Text(), u"8000");
  EXPECT_EQ(b->FirstVisibleChar(), 1);
  EXPECT_FLOAT_EQ(b->GetCharX(0), b->GetContentRect().Left);
  other->SetFocus();
  EXPECT_EQ(b->FirstVisibleChar(), 1);
  // Left without Enter; then a value from code.
  typeDigits(u'7');
  other->SetFocus();
  EXPECT_EQ(b->Text(), u"8000");
  EXPECT_EQ(b->FirstVisibleChar(), 1);
  typeDigits(u'1');
  b->SetValue(25);
  EXPECT_EQ(b->Text(), u"25");
  EXPECT_EQ(b->FirstVisibleChar(), 1);
}

// Whole numbers past what 64 bits hold show all their digits, as smaller ones do, and read
// back to the same value; a number of decimals that no format can show is held to 0 .. 18,
// so that setting a fraction never raises.
TEST_F(NumberBoxes, AVeryLargeValueShowsAllItsDigitsAndDecimalDigitsIsHeldToWhatCanBeShown) {
  ControlScene s;
  const auto check = [&](auto* Box) {
    Box->SetMin(-1e30f);
    Box->SetMax(1e30f);
    Box->SetValue(1e19f);
    EXPECT_EQ(Box->Text(), u"9999999980506447872");  // 1e19 in single precision
    Box->SetValue(-1e20f);
    EXPECT_EQ(Box->Text(), u"-100000002004087734272");
    Box->SetValue(-0.5f);
    EXPECT_EQ(Box->Text(), u"0");
    Box->SetValueType(vgValueFloat);
    Box->SetFocus();
    Box->SetText(u"100000002004087734272");
    Box->Change();
    EXPECT_FLOAT_EQ(Box->Value(), 1e20f);
    EXPECT_EQ(Box->Text(), u"100000002004087734272");

    Box->SetDecimalDigits(-3);
    EXPECT_EQ(Box->DecimalDigits(), 0);
    EXPECT_NO_THROW(Box->SetValue(2.5f));
    EXPECT_EQ(Box->Text(), u"3");
    Box->SetDecimalDigits(40);
    EXPECT_EQ(Box->DecimalDigits(), 18);
    Box->SetValue(0.25f);
    EXPECT_EQ(Box->Text(), u"0.250000000000000000");
  };
  {
    SCOPED_TRACE("number box");
    check(Place(s));
  }
  {
    SCOPED_TRACE("spin box");
    check(Place<TvxSpinBox>(s));
  }
}

// An infinite bound or step leaves the box at the largest number of that sign, shown in all
// its digits: never "INF", which its own Change would refuse at every Enter and on leaving.
TEST_F(NumberBoxes, AnInfiniteBoundOrStepLeavesATextTheBoxReadsBack) {
  ControlScene s;
  const float inf = std::numeric_limits<float>::infinity();
  const std::u16string largest = u"340282346638528859811704183484516925440";
  std::string reported;
  rtl::Application->OnException = [&](rtl::TObject*, const std::exception& E) { reported = E.what(); };
  auto* other = s.Add(new TvxNumberBox(nullptr), 10, 60);
  char16_t none = 0;
  const auto check = [&](auto* Box, auto Step) {
    Box->SetMax(inf);
    Box->SetValue(inf);
    EXPECT_EQ(Box->Text(), largest);
    EXPECT_EQ(Box->Value(), std::numeric_limits<float>::max());
    Box->SetFocus();
    uint16_t up = win::VK_UP, enter = win::VK_RETURN;
    Box->KeyDown(up, none, {});
    Box->KeyDown(enter, none, {});
    EXPECT_EQ(Box->Text(), largest);
    // An infinite step, then leaving.
    Box->SetMin(-inf);
    Step(Box, -inf);
    uint16_t down = win::VK_DOWN;
    Box->KeyDown(down, none, {});
    EXPECT_EQ(Box->Text(), u"-" + largest);
    other->SetFocus();
    EXPECT_EQ(Box->Value(), -std::numeric_limits<float>::max());
    EXPECT_EQ(reported, "");
  };
  {
    SCOPED_TRACE("number box");
    check(Place(s), [](TvxNumberBox* B, float V) { B->SetHorzIncrement(-V); });
  }
  {
    SCOPED_TRACE("spin box");
    check(Place<TvxSpinBox>(s), [](TvxSpinBox* B, float V) { B->SetIncrement(-V); });
  }
  rtl::Application->OnException = {};
  EXPECT_EQ(changes, 4);
}

TEST_F(NumberBoxes, ArrowStepsAreReportedAtEnterAndOnLeavingAsTypedTextIs) {
  // A program that saves on OnChange keeps what the installer stepped to.
  ControlScene s;
  auto* b = Place(s);
  auto* other = s.Add(new TvxNumberBox(nullptr), 10, 60);
  b->SetFocus();
  b->SetHorzIncrement(2);
  uint16_t up = win::VK_UP, down = win::VK_DOWN;
  char16_t none = 0;
  b->KeyDown(up, none, {});
  EXPECT_EQ(up, 0);
  EXPECT_FLOAT_EQ(b->Value(), 2);
  EXPECT_TRUE(b->Modified());
  EXPECT_EQ(changes, 0);  // not at each step
  b->KeyDown(down, none, {});
  b->KeyDown(up = win::VK_UP, none, {});
  b->KeyDown(up = win::VK_UP, none, {});
  EXPECT_FLOAT_EQ(b->Value(), 4);
  uint16_t enter = win::VK_RETURN;
  b->KeyDown(enter, none, {});
  EXPECT_EQ(changes, 1);
  EXPECT_FLOAT_EQ(b->Value(), 4);
  // Steps and then leaving: reported once more on the way out.
  b->KeyDown(down = win::VK_DOWN, none, {});
  other->SetFocus();
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(b->Text(), u"2");
  // Focusing again starts unmodified: leaving without a step reports nothing.
  b->SetFocus();
  other->SetFocus();
  EXPECT_EQ(changes, 2);
  // The spin box's keys are steps of the same kind.
  auto* spin = Place<TvxSpinBox>(s);
  spin->SetFocus();
  spin->KeyDown(up = win::VK_UP, none, {});
  other->SetFocus();
  EXPECT_FLOAT_EQ(spin->Value(), 1);
  EXPECT_EQ(changes, 3);
}

TEST_F(NumberBoxes, NotANumberIsIgnoredAndLaterStepsCountFromTheValueKept) {
  ControlScene s;
  auto* b = Place(s);
  b->SetMax(100);
  b->SetValue(7);
  b->SetValue(std::nanf(""));
  EXPECT_FLOAT_EQ(b->Value(), 7);
  EXPECT_EQ(b->Text(), u"7");
  b->SetData(static_cast<double>(std::nan("")));
  EXPECT_FLOAT_EQ(b->Value(), 7);
  b->SetFocus();
  uint16_t up = win::VK_UP;
  char16_t none = 0;
  b->KeyDown(up, none, {});
  EXPECT_FLOAT_EQ(b->Value(), 8);
  EXPECT_EQ(b->Text(), u"8");
  auto* spin = Place<TvxSpinBox>(s);
  spin->SetValue(3);
  spin->SetData(static_cast<double>(std::nan("")));
  EXPECT_FLOAT_EQ(spin->Value(), 3);
  EXPECT_EQ(spin->Text(), u"3");
}

TEST_F(NumberBoxes, TheSpinBoxStepsByItsButtonsAndKeys) {
  ControlScene s;
  auto* b = Place<TvxSpinBox>(s);
  EXPECT_EQ(b->TextAlign(), vgTextAlignCenter);
  ASSERT_NE(b->MinusButton(), nullptr);
  ASSERT_NE(b->PlusButton(), nullptr);
  b->SetIncrement(3);
  // Pressing plus focuses the box, steps and reports the change.
  const TvxPoint plus = b->PlusButton()->LocalToAbsolute({5, 5});
  s.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, plus.X, plus.Y);
  s.scene.MouseUp(rtl::mbLeft, {}, plus.X, plus.Y);
  EXPECT_EQ(s.scene.focused, b);
  EXPECT_FLOAT_EQ(b->Value(), 3);
  EXPECT_EQ(b->Text(), u"3");
  EXPECT_EQ(changes, 1);
  const TvxPoint minus = b->MinusButton()->LocalToAbsolute({5, 5});
  s.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, minus.X, minus.Y);
  s.scene.MouseUp(rtl::mbLeft, {}, minus.X, minus.Y);
  EXPECT_FLOAT_EQ(b->Value(), 0);
  EXPECT_EQ(changes, 2);
  uint16_t up = win::VK_UP;
  char16_t none = 0;
  b->KeyDown(up, none, {});
  EXPECT_FLOAT_EQ(b->Value(), 3);
  // Integers make a fractional step whole.
  b->SetValueType(vgValueFloat);
  b->SetIncrement(0.5f);
  b->SetValueType(vgValueInteger);
  EXPECT_FLOAT_EQ(b->Increment(), 1);
}

TEST_F(NumberBoxes, DataIsTheValueAndAMethodBecomesOnChange) {
  ControlScene s;
  auto* b = Place(s);
  b->SetData(7.0);
  EXPECT_FLOAT_EQ(b->Value(), 7);
  EXPECT_EQ(std::get<double>(b->GetData()), 7.0);
  b->SetData(std::u16string(u"4"));
  EXPECT_FLOAT_EQ(b->Value(), 4);
  // A bound control follows the box's data when the change is reported.
  auto* follower = s.Add(new TvxNumberBox(nullptr), 10, 60);
  b->AddBindingObject(follower);
  b->SetFocus();
  b->SetText(u"6");
  b->Change();
  EXPECT_FLOAT_EQ(follower->Value(), 6);
}

TEST_F(NumberBoxes, StartUpRegistersTheTextEditorsByCategory) {
  for (const char* name : {"TvxCustomTextBox", "TvxTextBox", "TvxHudTextBox", "TvxRoundTextBox", "TvxHudRoundTextBox",
                           "TvxTextBoxClearBtn", "TvxNumberBox", "TvxHudNumberBox", "TvxSpinBox", "TvxHudSpinBox"})
    EXPECT_NE(rtl::GetClass(name), nullptr) << name;
  // Every text editor finds its own style in the built-in style.
  ControlScene s;
  for (TvxCustomTextBox* b : {static_cast<TvxCustomTextBox*>(new TvxTextBox(nullptr)),
                              static_cast<TvxCustomTextBox*>(new TvxHudTextBox(nullptr)),
                              static_cast<TvxCustomTextBox*>(new TvxRoundTextBox(nullptr)),
                              static_cast<TvxCustomTextBox*>(new TvxHudRoundTextBox(nullptr)),
                              static_cast<TvxCustomTextBox*>(new TvxTextBoxClearBtn(nullptr)),
                              static_cast<TvxCustomTextBox*>(new TvxHudNumberBox(nullptr)),
                              static_cast<TvxCustomTextBox*>(new TvxHudSpinBox(nullptr))}) {
    s.Add(b, 0, 0);
    ASSERT_NE(b->Style(), nullptr) << b->ClassName();
    // The Hud styles write in white.
    const bool hud = b->ClassName().find("Hud") != std::string::npos;
    EXPECT_EQ(b->FontFill()->Color(), hud ? 0xFFFFFFFFu : 0xFF000000u) << b->ClassName();
    EXPECT_NE(b->FindResource("content"), nullptr) << b->ClassName();
  }
  // The clear button empties its box.
  auto* clear = s.Add(new TvxTextBoxClearBtn(nullptr), 10, 100);
  clear->SetText(u"x");
  ASSERT_NE(clear->ClearButton(), nullptr);
  clear->ClearButton()->Click();
  EXPECT_EQ(clear->Text(), u"");
  EXPECT_EQ(s.scene.focused, clear);
}

TEST_F(NumberBoxes, StreamsCarryTheirValuesAndLeaveOutTheDefaults) {
  auto* saved = new TvxHudNumberBox(nullptr);
  saved->SetMax(5000);
  saved->SetValue(60);
  auto* spin = new TvxSpinBox(nullptr);
  auto* box = new TvxTextBox(nullptr);
  box->SetText(u"port");
  box->SetPassword(true);
  auto textOf = [](TvxObject* O) {
    rtl::TMemoryStream m;
    O->SaveToTextStream(&m);
    return std::string(static_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
  };
  const std::string number = textOf(saved), plain = textOf(box), spinText = textOf(spin);
  // Defaults stay out of the stream.
  for (const char* quiet : {"Cursor", "CanFocused", "TextAlign", "ShowCaret", "DecimalDigits", "ValueType"}) {
    EXPECT_EQ(number.find(quiet), std::string::npos) << quiet << " in\n" << number;
    EXPECT_EQ(spinText.find(quiet), std::string::npos) << quiet << " in\n" << spinText;
  }
  EXPECT_NE(plain.find("Password = True"), std::string::npos) << plain;
  delete saved;
  delete spin;
  delete box;
  rtl::TMemoryStream in;
  in.Write(number.data(), static_cast<int64_t>(number.size()));
  in.SetPosition(0);
  std::unique_ptr<rtl::TComponent> loaded(CreateObjectFromText(nullptr, &in));
  auto* n = dynamic_cast<TvxHudNumberBox*>(loaded.get());
  ASSERT_NE(n, nullptr);
  EXPECT_FLOAT_EQ(n->Max(), 5000);
  EXPECT_FLOAT_EQ(n->Value(), 60);
  EXPECT_EQ(n->Text(), u"60");
  rtl::TMemoryStream in2;
  in2.Write(plain.data(), static_cast<int64_t>(plain.size()));
  in2.SetPosition(0);
  std::unique_ptr<rtl::TComponent> loadedBox(CreateObjectFromText(nullptr, &in2));
  auto* t = dynamic_cast<TvxTextBox*>(loadedBox.get());
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Text(), u"port");
  EXPECT_TRUE(t->Password());
}

}  // namespace number_box_test
