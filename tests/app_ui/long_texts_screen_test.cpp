// Texts longer than their controls, on a real X screen (Xvfb) against the ECU simulator: the
// window's caption with a file's name after the splitter moved, a language with longer words,
// then one with very long texts. Every caption stays within its control: the window's, a
// tab's, a label's and a group box's line is cut at its end with an ellipsis, and the combo box
// beside a long label looks as it did in English. A German-like language at the design size and
// enlarged, the program font at 20 and the window at its smallest and back: every text is drawn
// within its control, whole or cut with an ellipsis, the File menu's items too, and the caption
// comes back between the title row's buttons and the icons.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "app/ui/Page_CFG.h"
#include "app/ui/Window_3D.h"
#include "ecu/Config_Unit.h"
#include "ecu/Session.h"
#include "platform/gfx3d/GlDevice.h"
#include "platform/rtl/CodePage.h"
#include "tests/app_ui/SimulatorScreen.h"
#include "tools/ecusim/Ecu.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/ListBox.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Canvas.h"
#include "vg2d/core/TextShape.h"

namespace long_texts_screen_test {

namespace {

using namespace std::chrono_literals;

TEST(LongTextsScreen, EveryCaptionStaysWithinItsControl) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(apptest::RunUnderXvfb("LongTextsScreenChild.*"), 0) << "the run under Xvfb failed (its output is above)";
}

class LongTextsScreenChild : public apptest::SimulatorScreenTest {
protected:
  void SetUp() override {
    SimulatorScreenTest::SetUp();
    folder.Write("Language/Lang.lng",
                 "Page_CFG Grundeinstellungsseitenuebersicht\r\n"
                 "CFG_Config_PG_RPM Umschaltdrehzahlschwellenwerteinstellungsbereich\r\n");
    const std::string veryLong(400, 'W');
    folder.Write("Language/Lang2.lng", "Page_CFG " + veryLong + "\r\nCFG_Config_PG_RPM " + veryLong +
                                           "\r\nCFG_Config " + veryLong + "\r\n");
  }
  void Choose(const std::u16string& Name) {
    vg::TvxHudStringListBox* list = main->Parts().HudStringListBox_Menu_LNG;
    for (int i = 0; i < list->Items()->Count(); ++i)
      if (list->Items()->Get(i) == Name) main->ChooseLanguage(i);
    // The new texts are fitted by the fonts applied a moment later.
    ASSERT_TRUE(RunUntilActionsDone()) << "the fonts were not applied to the new texts";
  }
  // What a control's text part draws.
  static std::u16string Shown(vg::TvxTextControl* Control) {
    auto* part = vg::FindPart<vg::TvxText>(Control, "text");
    return part ? part->ShownText() : u"<no part>";
  }
  static bool CutWithEllipsis(const std::u16string& Shown, const std::u16string& Whole) {
    return !Shown.empty() && Shown.back() == u'\u2026' && Whole.rfind(Shown.substr(0, Shown.size() - 1), 0) == 0;
  }
  // Gives the configuration a file's name as the ECU keeps it, and the caption anew; false when
  // the ECU was not read. After the link went down and up (a busy machine starves it for its
  // step time-out), the read puts the name the ECU keeps in place of the configuration's and
  // builds the caption again: a name given during that read, or kept only in the program, is
  // gone with it.
  bool NameTheConfiguration(const std::string& Name) {
    sim->Modify([&](ecusim::EcuState& State) { State.SetCfgName(Name); });
    if (!RunUntilEcuRead()) return false;
    ecu::Session().ConfigData.Configuration->Cfg_Name = Name;
    main->UpdateMainCaption();
    return true;
  }
  // Whether the screen rectangle [Left, Right) x [Top, Bottom) of the dark title row holds a
  // pixel of light text.
  static bool AnyText(const vgtest::Screenshot& Screen, float Left, float Right, float Top, float Bottom) {
    for (int y = std::max(static_cast<int>(Top), 0); y < std::min(static_cast<int>(Bottom), Screen.height); ++y)
      for (int x = std::max(static_cast<int>(Left), 0); x < std::min(static_cast<int>(Right), Screen.width); ++x) {
        const std::uint32_t p = Screen.At(x, y);
        if (std::min({(p >> 16) & 255u, (p >> 8) & 255u, p & 255u}) > 150) return true;
      }
    return false;
  }
  // Whether Object and every visual parent of it are visible.
  static bool Showing(vg::TvxVisualObject* Object) {
    for (vg::TvxObject* o = Object; o; o = o->Parent())
      if (o->IsVisual() && !o->Visual()->Visible()) return false;
    return true;
  }
  // The size of Text (unwrapped) in Part's font as it is drawn: at the part's own scale.
  static vg::TvxRect DrawnRect(vg::TvxText* Part, const std::u16string& Text) {
    vg::TvxCanvas* c = Part->GetCanvas();
    if (!c) return {0, 0, 0, 0};
    const vg::TvxMatrix kept = c->Matrix();
    c->SetMatrix(Part->GetAbsoluteMatrix());
    c->Font()->Assign(Part->Font());
    vg::TvxRect r{0, 0, 0, 0};
    c->MeasureText(r, r, Text, false, vg::vgTextAlignNear, vg::vgTextAlignNear);
    c->SetMatrix(kept);
    return r;
  }
  static float DrawnWidth(vg::TvxText* Part, const std::u16string& Line) {
    return vg::RectWidth(DrawnRect(Part, Line));
  }
  // Every one-line text part shown under Root (and the items of Lists) is drawn within its
  // part: whole, or its beginning cut with an ellipsis.
  static void ExpectDrawnWithin(vg::TvxObject* Root, std::vector<vg::TvxStringListBox*> Lists = {}) {
    std::vector<vg::TvxText*> parts;
    for (vg::TvxObject* o : app::TreeObjects(Root))
      if (auto* t = dynamic_cast<vg::TvxText*>(o); t && t->Trimmed()) parts.push_back(t);
    for (vg::TvxStringListBox* list : Lists)
      for (int i = 0; i < list->Count(); ++i)
        if (auto* t = vg::FindPart<vg::TvxText>(list->ItemByIndex(i), "text")) parts.push_back(t);
    int seen = 0;
    for (vg::TvxText* t : parts) {
      if (t->WordWrap() || t->Text().empty() || t->Width() <= 0 || !Showing(t)) continue;
      ++seen;
      const std::u16string shown = t->ShownText();
      const std::string name = t->Owner() ? t->Owner()->Name() : std::string();
      EXPECT_LE(DrawnWidth(t, shown), t->Width() + 0.01f) << name << " draws \"" << rtl::WideToUtf8(shown) << "\"";
      if (shown != t->Text()) {
        EXPECT_TRUE(CutWithEllipsis(shown, t->Text())) << name << " draws \"" << rtl::WideToUtf8(shown) << "\"";
      }
    }
    EXPECT_GT(seen, 0);
  }
  // Whether a light pixel of text lies in the screen column at Object's right edge (its last
  // column inside) over its height.
  bool TextAtRightEdge(const vgtest::Screenshot& Screen, vg::TvxVisualObject* Object) const {
    const int top = OnScreen(Object).second;
    const auto [right, bottom] = OnScreen(Object, Object->Width(), Object->Height());
    return AnyText(Screen, static_cast<float>(right - 1), static_cast<float>(right), static_cast<float>(top),
                   static_cast<float>(bottom));
  }
  // The German-like language: longer words everywhere, a few labels and a menu item longer
  // than their room.
  void WriteGerman() {
    std::string text;
    for (const char* line :
         {"File Datei", "Language Sprache", "Save Speichern", "Load Laden", "Default Standardwerte wiederherstellen",
          "Exit Beenden", "Page_CFG Einstellungen", "Page_ACB Automatische Kalibrierung", "CFG_Config Konfiguration",
          "CFG_Config_RPM_Prescaler Drehzahlteiler fuer das Drehzahlsignal",
          "CFG_Config_PG_Temper Umschalten auf Gas, wenn die Verdampfertemperatur hoeher ist als",
          "CFG_Config_PG_RPM Umschalten auf Gas, wenn die Motordrehzahl hoeher ist als",
          "CFG_Config_PG_Time Verzoegerung der Gaseinspritzventile zwischen den Zylindern",
          "CFG_Config_Injection Art der Benzineinspritzung", "CFG_User Angaben zum Einbau",
          "CFG_User_Install_KM Kilometerstand beim Einbau", "CFG_User_Gas_Jets Durchmesser der Gasduesen"})
      text += std::string(line) + "\r\n";
    folder.Write("Language/Deutsch.lng", text);
  }
  // The window's texts, its File menu open, within their controls at the window's size now.
  void ExpectMainTextsWithin(const std::string& PictureName) {
    main->ShowMenu(true);
    ASSERT_TRUE(RunUntilActionsDone());
    const app::TPageCFGParts& p = main->PageCFG()->Parts();
    ExpectDrawnWithin(main->Parts().HudWindow_3D_GEN, {main->Parts().HudStringListBox_Menu_File});
    vgtest::Screenshot screen;
    ASSERT_TRUE(ReadScreen(screen));
    KeepWindowPicture(screen, PictureName);
    // A cut label ends in its ellipsis, not in a letter cut at its edge.
    for (vg::TvxHudLabel* label : {p.HudLabel_CFG_PG_RPM, p.HudLabel_CFG_PG_Temper, p.HudLabel_CFG_PG_Time}) {
      EXPECT_TRUE(CutWithEllipsis(Shown(label), label->Text())) << label->Name();
      EXPECT_FALSE(TextAtRightEdge(screen, label)) << label->Name() << " is cut at its edge";
    }
    main->CloseMenus();
    RunFor(200ms);
  }

  // The screen's pixels over an object, as a list.
  std::vector<std::uint32_t> PixelsOver(const vgtest::Screenshot& Screen, vg::TvxVisualObject* Object) const {
    std::vector<std::uint32_t> pixels;
    const auto [left, top] = OnScreen(Object);
    for (int y = top; y < top + static_cast<int>(Object->Height()); ++y)
      for (int x = left; x < left + static_cast<int>(Object->Width()); ++x) pixels.push_back(Screen.At(x, y));
    return pixels;
  }
};

TEST_F(LongTextsScreenChild, Run) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  ShowMain();
  vgtest::Screenshot screen;
  ASSERT_TRUE(RunUntil([&] { return StatusShowed(u"Data loaded"); }, 8s)) << "the ECU was not read";
  // The picture to compare with is taken once the start-up is over (logo, fonts).
  ASSERT_TRUE(RunUntilActionsDone()) << "the start-up's actions never ended";
  const app::TPageCFGParts& p = main->PageCFG()->Parts();
  vg::TvxTabItem* setup = main->Parts().TabItems[0];
  vg::TvxHudLabel* rpm = p.HudLabel_CFG_PG_RPM;
  vgtest::Screenshot english;
  ASSERT_TRUE(ReadScreen(english));

  // Longer words: cut at their ends, the combo box beside the label untouched.
  Choose(u"Lang");
  EXPECT_TRUE(CutWithEllipsis(Shown(setup), setup->Text())) << rtl::WideToUtf8(Shown(setup));
  EXPECT_TRUE(CutWithEllipsis(Shown(rpm), rpm->Text())) << rtl::WideToUtf8(Shown(rpm));
  ASSERT_TRUE(ReadScreen(screen));
  KeepWindowPicture(screen, "setup_long_words.png");
  EXPECT_EQ(PixelsOver(screen, p.HudComboTextBox_CFG_PG_RPM), PixelsOver(english, p.HudComboTextBox_CFG_PG_RPM))
      << "the label runs under the combo box";

  // Very long texts: the same, and the group box's caption too.
  Choose(u"Lang2");
  EXPECT_TRUE(CutWithEllipsis(Shown(setup), setup->Text())) << rtl::WideToUtf8(Shown(setup));
  EXPECT_TRUE(CutWithEllipsis(Shown(rpm), rpm->Text()));
  EXPECT_TRUE(CutWithEllipsis(Shown(p.HudGroupBox_CFG), p.HudGroupBox_CFG->Text()));
  ASSERT_TRUE(ReadScreen(screen));
  KeepWindowPicture(screen, "setup_very_long_texts.png");
  EXPECT_EQ(PixelsOver(screen, p.HudComboTextBox_CFG_PG_RPM), PixelsOver(english, p.HudComboTextBox_CFG_PG_RPM));

  // The caption after the splitter moved (the parts it scales painted since), with a file's name
  // and the access code's buttons: cut to the room between the buttons and the icons, as it is
  // without the move.
  main->MoveSplitter(50);
  ASSERT_TRUE(RunUntilActionsDone());
  ASSERT_TRUE(NameTheConfiguration("Golf")) << "the ECU was not read";
  ASSERT_TRUE(main->EnterAccessCode(u"pelund7391"));
  vg::TvxHudWindow* window = main->Parts().HudWindow_3D_GEN;
  // (The fonts are applied again a moment after the buttons appear, the caption measured anew.)
  EXPECT_TRUE(RunUntil(
      [&] {
        const std::u16string title = main->TitleText();
        return CutWithEllipsis(window->Text(), title.substr(title.find_first_not_of(u' ')));
      },
      60s))
      << rtl::WideToUtf8(window->Text()) << " for the title " << rtl::WideToUtf8(main->TitleText());
  ASSERT_TRUE(RunUntilActionsDone()) << "the fonts were not applied to the new buttons";
  {
    auto* caption = vg::FindPart<vg::TvxText>(window, "text");
    ASSERT_NE(caption, nullptr);
    vg::TvxHudButton* settings = main->Parts().HudButton_3D_GEN_Settings;
    const float buttonsEnd = static_cast<float>(main->Left()) + settings->GetAbsoluteRect().Right;
    const float iconsStart = static_cast<float>(main->Left()) + main->CaptionIcons().Minimize->GetAbsoluteRect().Left;
    const vg::TvxRect row = caption->GetAbsoluteRect();
    const float top = static_cast<float>(main->Top()) + row.Top, bottom = static_cast<float>(main->Top()) + row.Bottom;
    ASSERT_TRUE(ReadScreen(screen));
    KeepWindowPicture(screen, "caption_after_splitter.png");
    // (What runs under the buttons and the icons is hidden by them: the cut is what tells.)
    EXPECT_TRUE(AnyText(screen, buttonsEnd + 8, iconsStart - 8, top, bottom)) << "the caption shows";
  }
}

// The working hours on the status line in a language with longer words: each of its lines is
// drawn on one line within the label, cut at its end with an ellipsis, the empty line between
// them kept, and no more lines than the label's height holds (wrapped, they reached behind the
// port's name and into the panel below).
TEST_F(LongTextsScreenChild, TheStatusLinesLinesStayWithinIt) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  folder.Write("Language/Stunden.lng",
               "Gas Fluessiggasbetrieb\r\nPetrol Benzinbetrieb\r\nDim_Hour_Long Betriebsstunden\r\n");
  ShowMain();
  ASSERT_TRUE(RunUntil([&] { return StatusShowed(u"Data loaded"); }, 8s)) << "the ECU was not read";
  Choose(u"Stunden");
  vg::TvxHudLabel* status = main->Parts().HudLabel_DynamicIND;
  auto* part = vg::FindPart<vg::TvxText>(status, "text");
  ASSERT_NE(part, nullptr);
  // The working hours show once no message is in force.
  ASSERT_TRUE(RunUntil([&] { return main->StatusLineText().starts_with(u"Fluessiggasbetrieb : "); }, 60s))
      << rtl::WideToUtf8(main->StatusLineText());
  const std::u16string whole = main->StatusLineText();
  const std::u16string gas = whole.substr(0, whole.find(u'\n'));
  const std::u16string petrol = whole.substr(whole.find(u"Benzinbetrieb"));
  RunFor(100ms);
  const std::u16string shown = status->Text();
  // Line by line: each within the width, the hours' lines cut at their end.
  std::vector<std::u16string> lines{u""};
  for (char16_t c : shown) {
    if (c == u'\n')
      lines.emplace_back();
    else
      lines.back() += c;
  }
  ASSERT_EQ(lines.size(), 3u) << "\"" << rtl::WideToUtf8(shown) << "\"";
  for (const std::u16string& line : lines) {
    EXPECT_EQ(line.find(u'\r'), std::u16string::npos);
    EXPECT_LE(DrawnWidth(part, line), part->Width() + 0.01f) << "\"" << rtl::WideToUtf8(line) << "\" is wider";
  }
  EXPECT_TRUE(CutWithEllipsis(lines[0], gas)) << rtl::WideToUtf8(lines[0]);
  EXPECT_EQ(lines[1], u"") << "the empty line between them";
  EXPECT_TRUE(CutWithEllipsis(lines[2], petrol)) << rtl::WideToUtf8(lines[2]);
  // The lines within the label's height.
  EXPECT_LE(vg::RectHeight(DrawnRect(part, shown)), part->Height() + 0.01f);
  vgtest::Screenshot screen;
  ASSERT_TRUE(ReadScreen(screen));
  KeepWindowPicture(screen, "status_line_long_words.png");
}

// A long language at the design size and enlarged: every text within its control.
TEST_F(LongTextsScreenChild, GermanTextsStayWithinTheirControlsAtEverySize) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  WriteGerman();
  ShowMain();
  ASSERT_TRUE(RunUntil([&] { return StatusShowed(u"Data loaded"); }, 8s)) << "the ECU was not read";
  Choose(u"Deutsch");
  ASSERT_EQ(main->Parts().HudButton_Menu_File->Text(), u"Datei");
  {
    SCOPED_TRACE("860 x 620");
    ExpectMainTextsWithin("german_design_size.png");
  }
  main->SetBounds(main->Left(), main->Top(), 1064, 817);
  ASSERT_TRUE(RunUntilSized(1064, 817));
  ASSERT_TRUE(RunUntilActionsDone());
  {
    SCOPED_TRACE("1064 x 817");
    ExpectMainTextsWithin("german_enlarged.png");
  }
}

// The program font at 20: the title row's texts stay off their buttons' frames.
TEST_F(LongTextsScreenChild, AtFontSizeTwentyTheTitleButtonsHoldTheirTexts) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  folder.Write("gascal.ini",
               "Port_Name                    " + link +
                   " {}\r\nSearch_Port                  False {}\r\nEnglish_Size                 20 {}\r\n");
  ShowMain();
  ASSERT_TRUE(RunUntil([&] { return StatusShowed(u"Data loaded"); }, 8s)) << "the ECU was not read";
  ASSERT_TRUE(main->EnterAccessCode(u"pelund7391"));
  ASSERT_TRUE(RunUntilActionsDone()) << "the fonts were not applied to the new buttons";
  ExpectDrawnWithin(main->Parts().HudWindow_3D_GEN);
  vgtest::Screenshot screen;
  ASSERT_TRUE(ReadScreen(screen));
  KeepWindowPicture(screen, "font_size_20.png");
  const app::TMainParts& p = main->Parts();
  for (vg::TvxHudButton* b : {p.HudButton_Menu_File, p.HudButton_Menu_LNG, p.HudButton_3D_GEN_Flip,
                              p.HudButton_3D_GEN_Settings, p.HudButton_Work_Mode}) {
    ASSERT_GE(b->Font()->Size(), 11.0f) << b->Name();
    // The two rows inside the frame, above and below, hold no glyph.
    const auto [left, top] = OnScreen(b);
    const auto [right, bottom] = OnScreen(b, b->Width(), b->Height());
    EXPECT_FALSE(AnyText(screen, left + 2.0f, right - 2.0f, bottom - 3.0f, bottom - 1.0f)) << b->Name();
    EXPECT_FALSE(AnyText(screen, left + 2.0f, right - 2.0f, top + 1.0f, top + 3.0f)) << b->Name();
  }
}

// Down to the smallest size with Flip and Settings shown and back: the caption returns to its
// room between the buttons and the icons, also after a configuration file is loaded.
TEST_F(LongTextsScreenChild, TheCaptionComesBackAfterTheSmallestSize) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  ShowMain();
  ASSERT_TRUE(RunUntil([&] { return StatusShowed(u"Data loaded"); }, 8s)) << "the ECU was not read";
  ASSERT_TRUE(main->EnterAccessCode(u"pelund7391"));
  ASSERT_TRUE(RunUntilActionsDone()) << "the fonts were not applied to the new buttons";
  const int width = main->Width(), height = main->Height();
  main->SetBounds(main->Left(), main->Top(), 400, 300);
  ASSERT_TRUE(RunUntilSized(400, 300));
  ASSERT_TRUE(RunUntilActionsDone());
  main->SetBounds(main->Left(), main->Top(), width, height);
  ASSERT_TRUE(RunUntilSized(width, height));
  ASSERT_TRUE(RunUntilActionsDone());
  vg::TvxHudWindow* window = main->Parts().HudWindow_3D_GEN;
  auto* caption = vg::FindPart<vg::TvxText>(window, "text");
  ASSERT_NE(caption, nullptr);
  for (const char* step : {"grown back", "a file loaded"}) {
    SCOPED_TRACE(step);
    const std::u16string title = main->TitleText();
    const std::u16string whole = title.substr(title.find_first_not_of(u' '));
    EXPECT_TRUE(window->Text() == title || CutWithEllipsis(window->Text(), whole)) << rtl::WideToUtf8(window->Text());
    // The caption's line stands (unmirrored) in its room and is drawn there.
    const float buttonsEnd = main->Parts().HudButton_3D_GEN_Settings->GetAbsoluteRect().Right;
    const float iconsStart = main->CaptionIcons().Minimize->GetAbsoluteRect().Left;
    const vg::TvxRect at = caption->GetAbsoluteRect();
    EXPECT_GT(caption->GetAbsoluteMatrix().m11, 0) << "the caption is mirrored";
    EXPECT_GE(at.Left, buttonsEnd);
    EXPECT_LE(at.Right, iconsStart);
    vgtest::Screenshot screen;
    ASSERT_TRUE(ReadScreen(screen));
    KeepWindowPicture(screen, std::string("caption_") + (step[0] == 'g' ? "grown_back" : "file_loaded") + ".png");
    const float top = static_cast<float>(main->Top()) + at.Top, bottom = static_cast<float>(main->Top()) + at.Bottom;
    const float left = static_cast<float>(main->Left());
    EXPECT_TRUE(AnyText(screen, left + buttonsEnd + 8, left + iconsStart - 8, top, bottom)) << "the caption shows";
    ASSERT_TRUE(NameTheConfiguration("Golf")) << "the ECU was not read";
    ASSERT_TRUE(RunUntilActionsDone());
  }
}

}  // namespace

}  // namespace long_texts_screen_test
