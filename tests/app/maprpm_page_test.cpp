// The map page's rules without a window: focus, selection, editing, stepping within the
// limits, the cell data, the live cell and its trail, "Clear" and "Default".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/Colors_3D_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/MapRPM_Page.h"
#include "app/core/Model.h"
#include "ecu/Live_Data.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Session.h"
#include "platform/loop/Application.h"
#include "platform/loop/Timer.h"
#include "tests/ecu/FreshModel.h"
#include "tools/linkrec/Recorder.h"

namespace maprpm_page_test {

namespace {

using app::TMapRPMItem;
using Key = app::TMapRPMKey;

class Page : public linkrec::Recorder {
public:
  int Redraws = 0;
  void RedrawMapRPM() override { ++Redraws; }
};

class MapRPMPageTest : public ::testing::Test {
protected:
  void SetUp() override {
    rtl::Application->Reset();
    rtl::Application->SetClock(&clock);
    app::CreateMainTimers();
    ecu::Session().Link.LinkUp = 1;
  }
  void TearDown() override {
    rtl::Application->SetClock(nullptr);
    rtl::Application->Reset();
  }

  static std::string& Text(int Row, int Col) { return app::Model().MapRPM.MapRPMTexts[Row][Col]; }
  static int Flag(int Row, int Col) { return app::Model().MapRPM.MapRPMFlags[Row][Col]; }
  // Focuses an item with the keys, from nothing focused.
  static void FocusByKeys(TMapRPMItem At) {
    for (int i = 0; i < At.Row; ++i) app::MapRPMKeyDown(Key::Right, false);
    for (int j = 0; j < At.Col; ++j) app::MapRPMKeyDown(Key::Down, false);
  }
  // Steps one item by a press on it (editing on, it alone selected) and a key.
  static std::string Step(TMapRPMItem At, Key Arrow) {
    app::MapRPMMouseDown(At, true);
    app::MapRPMMouseUp(At);
    app::MapRPMKeyDown(Arrow, false);
    app::MapRPMMouseDown(At, false);
    return Text(At.Row, At.Col);
  }
  static std::string Range(TMapRPMItem At) {
    std::string min, max;
    EXPECT_TRUE(app::MapRPMRange(At, min, max));
    return min + ".." + max;
  }
  std::vector<std::uint8_t> RequestsWithin(double Ms) {
    std::vector<std::uint8_t> seen;
    for (double t = 0; t < Ms; t += 10) {
      clock.Advance(10);
      if (ecu::Session().Link.TaskRequest != 0) {
        seen.push_back(ecu::Session().Link.TaskRequest);
        requestTime = rtl::GetTickCount();
        ecu::Session().Link.TaskRequest = 0;
      }
    }
    return seen;
  }

  ecu_test::FreshModel fresh;
  rtl::TTestClock clock{0.0};
  Page page;
  double requestTime = -1;
};

TEST_F(MapRPMPageTest, CellsStepByOneHundredthWithinTheirLimits) {
  EXPECT_EQ(Step({3, 4}, Key::Up), "1.01");
  EXPECT_EQ(Step({3, 4}, Key::Right), "1.02");
  EXPECT_EQ(Step({3, 4}, Key::Down), "1.01");
  EXPECT_EQ(Step({3, 4}, Key::Left), "1.00");
  Text(2, 2) = "1.99";
  EXPECT_EQ(Step({2, 2}, Key::Up), "1.99");
  Text(2, 2) = "0.01";
  EXPECT_EQ(Step({2, 2}, Key::Down), "0.01");
  // A value whose binary form lies just below its text steps from the text's value.
  Text(2, 2) = "1.16";
  EXPECT_EQ(Step({2, 2}, Key::Up), "1.17");
  Text(2, 2) = "0.29";
  EXPECT_EQ(Step({2, 2}, Key::Down), "0.28");
}

TEST_F(MapRPMPageTest, RPMBreakPointsStepByAHundredRisingAndWithinTheirLimits) {
  // Row 1: below 500 only 0, and 0 up is 500 only where row 2 leaves room for it.
  EXPECT_EQ(Step({1, 0}, Key::Up), "0");  // the default row 2 is 500
  Text(2, 0) = "600";
  EXPECT_EQ(Step({1, 0}, Key::Up), "500");
  EXPECT_EQ(Step({1, 0}, Key::Down), "0");
  // Row 2 after an empty row 1 stays at 500 or more; it stays below row 3.
  EXPECT_EQ(Step({2, 0}, Key::Down), "500");
  Text(3, 0) = "700";
  EXPECT_EQ(Step({2, 0}, Key::Up), "600");
  EXPECT_EQ(Step({2, 0}, Key::Up), "600");
  // A row steps above its previous one.
  Text(5, 0) = "1600";
  EXPECT_EQ(Step({5, 0}, Key::Down), "1600");
  // The last row is capped at 8000.
  Text(8, 0) = "7900";
  EXPECT_EQ(Step({8, 0}, Key::Up), "8000");
  EXPECT_EQ(Step({8, 0}, Key::Up), "8000");
}

TEST_F(MapRPMPageTest, TimeBreakPointsStepByATenthRisingAndWithinTheirLimits) {
  EXPECT_EQ(Step({0, 1}, Key::Down), "0.0");
  EXPECT_EQ(Step({0, 1}, Key::Up), "0.1");
  EXPECT_EQ(Step({0, 2}, Key::Down), "0.9");
  Text(0, 2) = "0.2";
  EXPECT_EQ(Step({0, 2}, Key::Down), "0.2");  // no lower than column 1 + 0.1
  Text(0, 11) = "21.9";
  EXPECT_EQ(Step({0, 11}, Key::Up), "21.9");  // column 12 is 22.0
  Text(0, 12) = "23.0";
  EXPECT_EQ(Step({0, 12}, Key::Up), "23.0");
  Text(0, 12) = "22.9";
  EXPECT_EQ(Step({0, 12}, Key::Up), "23.0");
}

TEST_F(MapRPMPageTest, SelectedNeighbouringBreakPointsMoveTogether) {
  app::SelectMapRPMRect({3, 0}, {4, 0});  // 1000 and 1500
  app::Model().MapRPM.Editing = true;
  for (int k = 0; k < 6; ++k) app::MapRPMKeyDown(Key::Up, false);
  EXPECT_EQ(Text(3, 0), "1600");
  EXPECT_EQ(Text(4, 0), "1900");  // stopped below 2000
  app::SelectMapRPMRect({0, 7}, {0, 8});  // 7.0 and 9.0
  for (int k = 0; k < 40; ++k) app::MapRPMKeyDown(Key::Down, false);
  EXPECT_EQ(Text(0, 7), "5.1");
  EXPECT_EQ(Text(0, 8), "5.2");
}

TEST_F(MapRPMPageTest, RangesFollowTheSteppingLimits) {
  EXPECT_EQ(Range({1, 0}), "0..400");
  EXPECT_EQ(Range({2, 0}), "500..900");
  EXPECT_EQ(Range({5, 0}), "1600..2400");
  EXPECT_EQ(Range({8, 0}), "3100..8000");
  EXPECT_EQ(Range({0, 1}), "0.0..0.9");
  EXPECT_EQ(Range({0, 7}), "5.1..8.9");
  EXPECT_EQ(Range({0, 12}), "18.1..23.0");
  EXPECT_EQ(Range({4, 9}), "0.01..1.99");
  std::string min, max;
  EXPECT_FALSE(app::MapRPMRange({0, 0}, min, max));
  EXPECT_FALSE(app::MapRPMRange({9, 1}, min, max));

  EXPECT_EQ(app::MapRPMCellData(), "");
  FocusByKeys({5, 0});
  EXPECT_EQ(app::MapRPMCellData(), "R.P.M. = 2000;  Range 1600..2400 r.p.m.");
  app::MapRPMKeyDown(Key::Down, false);
  EXPECT_EQ(app::MapRPMCellData(), "Factor = 1.00;  Range 0.01..1.99");
  app::MapRPMMouseMove({0, 3});
  EXPECT_EQ(app::MapRPMCellData(), "Petrol time = 2.0;  Range 1.1..2.9 ms");
}

TEST_F(MapRPMPageTest, TheFocusStaysWithinTheGrid) {
  app::MapRPMKeyDown(Key::Left, false);
  app::MapRPMKeyDown(Key::Up, false);
  EXPECT_EQ(app::Model().MapRPM.Focused, (TMapRPMItem{0, 0}));
  for (int k = 0; k < 12; ++k) app::MapRPMKeyDown(Key::Right, false);
  for (int k = 0; k < 20; ++k) app::MapRPMKeyDown(Key::Down, false);
  EXPECT_EQ(app::Model().MapRPM.Focused, (TMapRPMItem{8, 12}));
  app::MapRPMKeyDown(Key::Left, false);
  app::MapRPMKeyDown(Key::Up, false);
  EXPECT_EQ(app::Model().MapRPM.Focused, (TMapRPMItem{7, 11}));
  EXPECT_FALSE(app::Model().MapRPM.Editing);
  EXPECT_EQ(Text(7, 11), "1.00");
}

TEST_F(MapRPMPageTest, ShiftSelectedCellsStepTogetherAndAreWrittenOnceAfterTheDelay) {
  FocusByKeys({2, 3});
  app::MapRPMKeyDown(Key::Shift, true);
  app::MapRPMKeyDown(Key::Right, true);
  app::MapRPMKeyDown(Key::Shift, true);  // the key's repeat keeps the anchor
  app::MapRPMKeyDown(Key::Down, true);
  int selected = 0;
  for (int i = 0; i < 9; ++i)
    for (int j = 0; j < 13; ++j) selected += Flag(i, j) == 1;
  EXPECT_EQ(selected, 4);
  EXPECT_EQ(Flag(3, 4), 1);
  EXPECT_FALSE(app::Model().MapRPM.Editing);
  app::MapRPMShiftReleased();
  EXPECT_TRUE(app::Model().MapRPM.Editing);
  for (int k = 0; k < 3; ++k) {
    app::MapRPMKeyDown(Key::Up, false);
    clock.Advance(500);
  }
  for (auto [i, j] : {std::pair{2, 3}, {3, 3}, {2, 4}, {3, 4}}) EXPECT_EQ(Text(i, j), "1.03");
  EXPECT_EQ(Text(4, 4), "1.00");
  EXPECT_EQ(Text(2, 5), "1.00");
  // The last step was at 1000 ms, then 500 ms passed: the write comes 1500 ms after the step.
  EXPECT_EQ(RequestsWithin(3000), (std::vector<std::uint8_t>{24}));
  EXPECT_EQ(requestTime, 2500);
  // Ending the editing shows the changed cells as not default.
  app::MapRPMKeyDown(Key::Enter, false);
  EXPECT_FALSE(app::Model().MapRPM.Editing);
  EXPECT_EQ(Flag(2, 3), 2);
  EXPECT_EQ(Flag(4, 4), 0);
}

TEST_F(MapRPMPageTest, AShiftWhoseReleaseWasMissedStillAnchorsAtTheFocusNextTime) {
  FocusByKeys({1, 1});
  app::MapRPMKeyDown(Key::Shift, true);  // released while a write ran: no release reaches the page
  app::MapRPMKeyDown(Key::Down, false);
  app::MapRPMKeyDown(Key::Shift, true);
  app::MapRPMKeyDown(Key::Right, true);
  EXPECT_EQ(app::Model().MapRPM.Anchor, (TMapRPMItem{2, 2}));
  EXPECT_EQ(Flag(1, 2), 1);
  EXPECT_EQ(Flag(2, 2), 1);
  EXPECT_EQ(Flag(1, 1), 0);
}

TEST_F(MapRPMPageTest, TheMouseFocusesSelectsAndDragsARectangleOfCells) {
  app::MapRPMMouseMove({4, 6});
  EXPECT_EQ(app::Model().MapRPM.Focused, (TMapRPMItem{4, 6}));
  EXPECT_FALSE(app::Model().MapRPM.Editing);
  app::MapRPMMouseDown({4, 6}, true);
  EXPECT_TRUE(app::Model().MapRPM.Editing);
  EXPECT_TRUE(app::Model().MapRPM.Dragging);
  app::MapRPMMouseMove({6, 7});
  app::MapRPMMouseMove({0, 8});  // over the header: the drag keeps to cells
  app::MapRPMMouseUp({0, 8});
  EXPECT_FALSE(app::Model().MapRPM.Dragging);
  EXPECT_EQ(Flag(0, 8), 0);
  EXPECT_EQ(Flag(4, 8), 1);
  EXPECT_EQ(Flag(1, 6), 1);
  EXPECT_EQ(Flag(5, 6), 0);
  // While editing, the pointer moves the focus but keeps what it selected for the keys.
  app::MapRPMMouseMove({7, 2});
  EXPECT_EQ(app::Model().MapRPM.Focused, (TMapRPMItem{7, 2}));
  app::MapRPMKeyDown(Key::Up, false);
  EXPECT_EQ(Text(1, 6), "1.01");
  EXPECT_EQ(Text(4, 8), "1.01");
  EXPECT_EQ(Text(7, 2), "1.00");
  // A press on a break point selects it without a drag; the right button ends the editing.
  app::MapRPMMouseDown({3, 0}, true);
  EXPECT_FALSE(app::Model().MapRPM.Dragging);
  EXPECT_EQ(Flag(3, 0), 1);
  EXPECT_EQ(Flag(1, 6), 2);
  app::MapRPMMouseDown({3, 0}, false);
  EXPECT_FALSE(app::Model().MapRPM.Editing);
  EXPECT_EQ(Flag(3, 0), 0);
  // Outside editing the pointer clears a selection.
  app::SelectMapRPMRect({1, 1}, {2, 2});
  app::MapRPMMouseMove({5, 5});
  EXPECT_EQ(Flag(1, 1), 0);
}

TEST_F(MapRPMPageTest, EnterAndEscapeTurnEditingOnAndOff) {
  app::MapRPMKeyDown(Key::Enter, false);  // nothing focused
  EXPECT_FALSE(app::Model().MapRPM.Editing);
  FocusByKeys({1, 1});
  app::MapRPMKeyDown(Key::Enter, false);
  EXPECT_TRUE(app::Model().MapRPM.Editing);
  EXPECT_EQ(Flag(1, 1), 1);
  app::MapRPMKeyDown(Key::Down, false);
  EXPECT_EQ(Text(1, 1), "0.99");
  app::MapRPMKeyDown(Key::Escape, false);
  EXPECT_FALSE(app::Model().MapRPM.Editing);
  EXPECT_EQ(Flag(1, 1), 2);
  app::MapRPMKeyDown(Key::Down, false);  // moves the focus again
  EXPECT_EQ(app::Model().MapRPM.Focused, (TMapRPMItem{1, 2}));
  EXPECT_EQ(Text(1, 1), "0.99");
}

TEST_F(MapRPMPageTest, NothingHappensWhileAWriteTaskRuns) {
  FocusByKeys({2, 2});
  app::MapRPMKeyDown(Key::Enter, false);
  ecu::Session().Link.TaskRunning = 1;
  const int redraws = page.Redraws;
  app::MapRPMKeyDown(Key::Up, false);
  app::MapRPMKeyDown(Key::Escape, false);
  app::MapRPMMouseMove({5, 5});
  app::MapRPMMouseDown({5, 5}, true);
  app::MapRPMShiftReleased();
  app::MapRPMClear();
  app::MapRPMDefault();
  EXPECT_EQ(page.Redraws, redraws);
  EXPECT_EQ(Text(2, 2), "1.00");
  EXPECT_EQ(app::Model().MapRPM.Focused, (TMapRPMItem{2, 2}));
  EXPECT_TRUE(app::Model().MapRPM.Editing);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
  EXPECT_EQ(RequestsWithin(3000), (std::vector<std::uint8_t>{}));
}

TEST_F(MapRPMPageTest, ClearSetsTheSelectedCellsOrAllOfThemAndWritesTheMap) {
  Text(2, 0) = "600";
  for (int i = 1; i <= 8; ++i)
    for (int j = 1; j <= 12; ++j) Text(i, j) = "1.50";
  app::SelectMapRPMRect({2, 0}, {3, 2});
  app::MapRPMClear();
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 24);
  EXPECT_EQ(Text(2, 1), "1.00");
  EXPECT_EQ(Text(3, 2), "1.00");
  EXPECT_EQ(Text(4, 2), "1.50");
  EXPECT_EQ(Text(2, 0), "600");  // break points are not cleared
  EXPECT_EQ(Flag(2, 1), 0);
  EXPECT_EQ(Flag(2, 0), 2);
  EXPECT_EQ(Flag(4, 2), 2);

  ecu::Session().Link.TaskRequest = 0;
  app::MapRPMClear();
  int ones = 0;
  for (int i = 1; i <= 8; ++i)
    for (int j = 1; j <= 12; ++j) ones += Text(i, j) == "1.00";
  EXPECT_EQ(ones, 96);
  EXPECT_EQ(Text(2, 0), "600");
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 24);
}

TEST_F(MapRPMPageTest, DefaultRestoresTheDefaultMapAndWritesIt) {
  Text(3, 0) = "1200";
  Text(5, 5) = "0.70";
  FocusByKeys({5, 5});
  app::MapRPMKeyDown(Key::Enter, false);
  app::MapRPMDefault();
  EXPECT_EQ(Text(3, 0), "1000");
  EXPECT_EQ(Text(5, 5), "1.00");
  EXPECT_EQ(Flag(5, 5), 0);
  EXPECT_EQ(app::Model().MapRPM.Focused, (TMapRPMItem{0, 0}));
  EXPECT_FALSE(app::Model().MapRPM.Editing);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 24);
}

TEST_F(MapRPMPageTest, TheLiveCellFollowsSpeedAndPetrolTime) {
  auto live = [](int RPM, int Time) {
    ecu::Session().LiveData.LiveRPM = RPM;
    ecu::Session().LiveData.LivePetrolTimeAvg = Time;
    app::MarkMapRPMLiveCell();
    return app::Model().MapRPM.LiveCell;
  };
  EXPECT_EQ(live(2200, 3500), (TMapRPMItem{5, 4}));
  EXPECT_EQ(live(2000, 3000), (TMapRPMItem{4, 3}));  // the break points must lie below
  EXPECT_EQ(live(0, 3500), (TMapRPMItem{1, 4}));
  EXPECT_EQ(live(9000, 30000), (TMapRPMItem{8, 12}));
  EXPECT_EQ(live(800, 0), (TMapRPMItem{2, 1}));
  // A first time break point above the time: no live cell, and the trail does not grow.
  Text(0, 1) = "0.5";
  const std::size_t trail = app::Model().MapRPM.Trail.size();
  EXPECT_EQ(live(800, 300).Col, 0);
  EXPECT_EQ(app::Model().MapRPM.Trail.size(), trail);
  EXPECT_EQ(app::MapRPMItemLook(2, 0), app::TMapRPMLook::Plain);
}

TEST_F(MapRPMPageTest, TheTrailGrowsOnlyOnAChangeAndHoldsFiftyAtMost) {
  ecu::Session().LiveData.LivePetrolTimeAvg = 3500;
  auto at = [](int RPM) {
    ecu::Session().LiveData.LiveRPM = RPM;
    app::MarkMapRPMLiveCell();
  };
  at(2200);
  at(2300);
  EXPECT_EQ(app::Model().MapRPM.Trail.size(), 1u);
  EXPECT_FALSE(app::Model().MapRPM.TrailTimerOn);  // one entry: nothing for the timer to take
  at(2700);
  EXPECT_TRUE(app::Model().MapRPM.TrailTimerOn);
  // Sixty changes between rows 5 and 6: the oldest go first.
  for (int k = 0; k < 60; ++k) {
    ecu::Session().LiveData.LivePetrolTimeAvg = 1500 + 1000 * (k % 4);
    at(k % 2 ? 2200 : 2700);
  }
  ASSERT_EQ(app::Model().MapRPM.Trail.size(), 50u);
  EXPECT_EQ(app::Model().MapRPM.Trail.back(), app::Model().MapRPM.LiveCell);
  EXPECT_EQ(app::Model().MapRPM.Trail.front(), (TMapRPMItem{6, 4}));  // entry 11 of the 61 (k = 10)

  // The timer takes one entry per tick and stops below two.
  for (int k = 0; k < 49; ++k) app::MapRPMTrailTick();
  EXPECT_EQ(app::Model().MapRPM.Trail.size(), 1u);
  EXPECT_TRUE(app::Model().MapRPM.TrailTimerOn);
  app::MapRPMTrailTick();
  EXPECT_EQ(app::Model().MapRPM.Trail.size(), 1u);
  EXPECT_FALSE(app::Model().MapRPM.TrailTimerOn);
}

TEST_F(MapRPMPageTest, BackgroundsShowTheLiveCellOverTheTrailOverTheFlags) {
  using Look = app::TMapRPMLook;
  Text(5, 5) = "1.20";
  app::ClearMapRPMSelection();
  app::SelectMapRPMRect({5, 3}, {5, 4});
  ecu::Session().LiveData.LivePetrolTimeAvg = 3500;
  ecu::Session().LiveData.LiveRPM = 2200;
  app::MarkMapRPMLiveCell();  // (5, 4)
  ecu::Session().LiveData.LiveRPM = 2700;
  app::MarkMapRPMLiveCell();  // (6, 4)
  EXPECT_EQ(app::MapRPMItemLook(5, 5), Look::NotDefault);
  EXPECT_EQ(app::MapRPMItemLook(5, 3), Look::Selected);
  EXPECT_EQ(app::MapRPMItemLook(5, 4), Look::Trail);
  EXPECT_EQ(app::MapRPMItemLook(6, 4), Look::Live);
  EXPECT_EQ(app::MapRPMItemLook(7, 4), Look::Plain);

  ecu::Session().LiveData.WorkMode = 4;
  EXPECT_EQ(app::MapRPMLookColor(Look::Live), "#FF00FF00");
  EXPECT_EQ(app::MapRPMLookColor(Look::Trail), "#FF006E01");
  ecu::Session().LiveData.WorkMode = 1;
  EXPECT_EQ(app::MapRPMLookColor(Look::Live), "#FFFFFF00");
  EXPECT_EQ(app::MapRPMLookColor(Look::Trail), "#FF858500");
  EXPECT_EQ(app::MapRPMLookColor(Look::Selected), "#FF0000FF");
  EXPECT_EQ(app::MapRPMLookColor(Look::NotDefault), app::Model().Colors.ColorTable[app::Color_Txt_Not_Default]);
  EXPECT_EQ(app::MapRPMLookColor(Look::Plain), "");
}

TEST_F(MapRPMPageTest, TheCellDataTurnsRedWhileTheLiveCellCorrects) {
  app::Model().Settings.Font_Color = "#FFEEEEEE";
  ecu::Session().LiveData.LivePetrolTimeAvg = 3500;
  ecu::Session().LiveData.LiveRPM = 2200;
  app::MarkMapRPMLiveCell();
  EXPECT_EQ(app::MapRPMCellDataColor(), "#FFEEEEEE");
  Text(5, 4) = "0.95";
  app::MarkMapRPMLiveCell();
  EXPECT_EQ(app::MapRPMCellDataColor(), "#FFFF0000");
  ecu::Session().LiveData.LivePetrolTimeAvg = 0;  // no live cell (the first break point is 0.0)
  Text(0, 1) = "0.1";
  app::MarkMapRPMLiveCell();
  EXPECT_EQ(app::MapRPMCellDataColor(), "#FFEEEEEE");
}

TEST_F(MapRPMPageTest, ARebuildOfTheGridEndsFocusAndEditing) {
  FocusByKeys({3, 3});
  app::MapRPMKeyDown(Key::Enter, false);
  app::MapRPMMouseDown({3, 3}, true);
  app::Model().MapRPM.MapRPMTransfer.RebuildMapRPMGrid();
  EXPECT_EQ(app::Model().MapRPM.Focused, (TMapRPMItem{0, 0}));
  EXPECT_FALSE(app::Model().MapRPM.Editing);
  EXPECT_FALSE(app::Model().MapRPM.Dragging);
  EXPECT_EQ(Flag(3, 3), 0);
  app::MapRPMKeyDown(Key::Up, false);  // moves nothing, steps nothing
  EXPECT_EQ(Text(3, 3), "1.00");
}

}  // namespace

}  // namespace maprpm_page_test
