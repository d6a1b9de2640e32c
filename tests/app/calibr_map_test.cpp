// The MAP-point correction: what "To count" makes of the collected pairs, the proposal it
// computes, and the two answers that apply or discard it.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/core/Model.h"
#include "ecu/Language.h"
#include "ecu/Session.h"
#include "tests/app/DiagramFixture.h"

namespace calibr_map_test {

namespace {

using Points = std::vector<std::int32_t>;
Points Of(const std::array<std::int32_t, ecu::DiagramPointCount>& a) { return Points(a.begin(), a.end()); }

class MapCorrectionTest : public diagramtest::DiagramFixture {
protected:
  // A pair in band J, times in units of 10 us as the ECU reports them.
  static void Pair(int J, std::int32_t Gas, std::int32_t Petrol) {
    ecu::Session().ConfigData.MapPointsGas[static_cast<std::size_t>(J)] = Gas;
    ecu::Session().ConfigData.MapPointsPetrol[static_cast<std::size_t>(J)] = Petrol;
  }
  static std::string PromptKey() { return app::Model().Diagram.MapPrompt.TextKey; }
  // Runs the action queue past its delay (the prompt closes through action 11).
  void Settle() { clock.Advance(500); }
};

TEST_F(MapCorrectionTest, ToCountTellsWhyThereIsNothingToCorrect) {
  app::CheckMapPointCount();  // no pair at all
  EXPECT_TRUE(app::Model().Diagram.MapPrompt.Open);
  EXPECT_FALSE(app::Model().Diagram.MapPrompt.YesNo);
  EXPECT_EQ(PromptKey(), "MAP_Ctrl_No_Pair");
  app::MapPromptFirstButton();  // OK
  Settle();
  EXPECT_FALSE(app::Model().Diagram.MapPrompt.Open);

  Pair(4, 350, 300);  // within 1000 us of each other
  Pair(7, 0, 900);    // only half a pair
  app::CheckMapPointCount();
  EXPECT_EQ(PromptKey(), "MAP_Ctrl_No_Calc");
  app::MapPromptFirstButton();
  Settle();

  // 1200 us apart, but the gas time lies beyond the petrol time's segment and its end (4 ms)
  // is within 200 us of the petrol time.
  Pair(4, 500, 380);
  app::CheckMapPointCount();
  EXPECT_EQ(PromptKey(), "MAP_Ctrl_No_Pair");
  EXPECT_FALSE(app::HasMapProposal());
  EXPECT_EQ(Of(ecu::Session().ConfigData.DiagramPointY),
            (Points{2000, 3840, 5680, 7520, 10280, 13040, 14440, 15880, 17680}));
}

TEST_F(MapCorrectionTest, YesDrawsTheProposalAndYesAgainWritesItWithoutAHistoryEntry) {
  ecu::Session().Link.LinkUp = 1;
  Pair(10, 1450, 1300);
  app::CheckMapPointCount();
  ASSERT_TRUE(app::Model().Diagram.MapPrompt.YesNo);
  EXPECT_EQ(PromptKey(), "MAP_Ctrl");

  // "To count" again while the prompt is open changes nothing.
  Pair(11, 1450, 1300);
  const std::size_t prompts = page->Prompts.size();
  app::CheckMapPointCount();
  EXPECT_EQ(page->Prompts.size(), prompts);
  EXPECT_EQ(app::Model().Diagram.CorrectionCounts[5], 1);

  const int redraws = page->Redraws;
  app::MapPromptFirstButton();  // Yes
  const Points proposal{2000, 3840, 5680, 7520, 10280, 14540, 15940, 19062, 22965};
  EXPECT_EQ(Of(app::Model().Diagram.CorrectionPoints), proposal);
  EXPECT_EQ(PromptKey(), "MAP_Ctrl_Transmit");
  EXPECT_TRUE(app::Model().Diagram.MapPrompt.YesNo);
  EXPECT_GT(page->Redraws, redraws);
  ASSERT_TRUE(page->Shapes.Proposal);
  // The proposal's marker 7 sits at point 7's X and at its proposed gas time.
  EXPECT_DOUBLE_EQ(page->Shapes.ProposalMarkers[7].X, page->Shapes.Markers[7].X);
  EXPECT_NEAR(page->Shapes.ProposalMarkers[7].Y + 7, 377 - 377.0 / 32000 * 19062, 1e-9);
  EXPECT_EQ(Of(ecu::Session().ConfigData.DiagramPointY)[7], 15880);  // not applied yet

  app::MapPromptFirstButton();  // Yes again
  EXPECT_EQ(Of(ecu::Session().ConfigData.DiagramPointY), proposal);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 26);
  EXPECT_FALSE(app::HasMapProposal());
  EXPECT_FALSE(page->Shapes.Proposal);
  EXPECT_EQ(app::Model().Diagram.HistoryCount, 0);
  Settle();
  EXPECT_FALSE(app::Model().Diagram.MapPrompt.Open);
}

// Confirmed with the link down, the correction changes the diagram but cannot be written (the
// request would go to whatever answers next): the user is told. While the ECU is being read it
// is not applied: the read would replace it.
TEST_F(MapCorrectionTest, ACorrectionThatCannotBeWrittenIsReported) {
  const auto messages = [this] { return page->Find("message 13 "); };
  Pair(10, 1450, 1300);
  app::CheckMapPointCount();
  app::MapPromptFirstButton();  // Yes: the proposal
  const auto proposal = app::Model().Diagram.CorrectionPoints;
  app::MapPromptFirstButton();  // Yes: applied
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY, proposal);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0].What, "message 13 " + ecu::LngText("MSG_Not_Written_No_Link"));
  Settle();

  DefaultCurve();
  const auto curve = ecu::Session().ConfigData.DiagramPointY;
  ecu::Session().Link.LinkUp = 1;
  ecu::Session().Link.Reading = 1;
  app::CheckMapPointCount();
  app::MapPromptFirstButton();
  app::MapPromptFirstButton();
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY, curve);
  EXPECT_FALSE(app::HasMapProposal());
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
  ASSERT_EQ(messages().size(), 2u);
  EXPECT_EQ(messages()[1].What, "message 13 " + ecu::LngText("MSG_Not_Written_Reading"));
  Settle();
  EXPECT_FALSE(app::Model().Diagram.MapPrompt.Open);
}

TEST_F(MapCorrectionTest, NoDiscardsTheProposalAndLeavesThePoints) {
  Pair(0, 1450, 1300);
  app::CheckMapPointCount();
  app::MapPromptFirstButton();
  ASSERT_TRUE(app::HasMapProposal());
  app::MapPromptSecondButton();  // No
  EXPECT_FALSE(app::HasMapProposal());
  EXPECT_FALSE(page->Shapes.Proposal);
  EXPECT_EQ(Of(ecu::Session().ConfigData.DiagramPointY),
            (Points{2000, 3840, 5680, 7520, 10280, 13040, 14440, 15880, 17680}));
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
  Settle();
  EXPECT_FALSE(app::Model().Diagram.MapPrompt.Open);

  // No at once just closes.
  app::CheckMapPointCount();
  app::MapPromptSecondButton();
  Settle();
  EXPECT_FALSE(app::Model().Diagram.MapPrompt.Open);
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY[5], 13040);
}

TEST_F(MapCorrectionTest, IdlePointsKeepTheirGasTimes) {
  app::Model().Settings.Idle_Points = true;
  ASSERT_EQ(ecu::Session().ConfigData.FlaggedPoint, 2);
  Pair(3, 1450, 1300);
  // A pair that would correct points 1 and 2.
  Pair(4, 380, 250);
  app::CheckMapPointCount();
  app::MapPromptFirstButton();
  EXPECT_EQ(Of(app::Model().Diagram.CorrectionPoints),
            (Points{2000, 3840, 5680, 7520, 10280, 14540, 15940, 18840, 22465}));
}

TEST_F(MapCorrectionTest, CorrectedPointsStayBetweenPointZeroAndTheCeiling) {
  // Point 8 near the ceiling: a correction of 4 ms there is cut at 32 ms, and being the last
  // point corrected nothing is extrapolated.
  ecu::Session().ConfigData.DiagramPointY[8] = 31000;
  Pair(20, 2450, 2050);
  // Point 1 close to point 0: 1.4 ms less would fall below point 0's gas time.
  ecu::Session().ConfigData.DiagramPointY[1] = 3000;
  Pair(2, 250, 390);
  app::CheckMapPointCount();
  app::MapPromptFirstButton();
  const Points c = Of(app::Model().Diagram.CorrectionPoints);
  EXPECT_EQ(c[8], 32000);
  EXPECT_EQ(c[7], 15880 + 4000);
  EXPECT_EQ(c[1], 2000);
  EXPECT_EQ(c[2], 5680 - 1400);
}

TEST_F(MapCorrectionTest, EqualPetrolTimesBeyondTheCorrectionAreNotExtrapolated) {
  // A curve from a file whose last points share one petrol time: nothing lies beyond point 5
  // to continue the curve over, so those points keep their gas times (no division by zero).
  for (std::size_t i = 5; i < ecu::DiagramPointCount; ++i) ecu::Session().ConfigData.DiagramPointX[i] = 12000;
  Pair(1, 1150, 950);
  app::CheckMapPointCount();
  app::MapPromptFirstButton();
  const Points c = Of(app::Model().Diagram.CorrectionPoints);
  EXPECT_EQ(c[5], 13040 + 2000);
  EXPECT_EQ((Points{c[6], c[7], c[8]}), (Points{14440, 15880, 17680}));
  for (double r : app::Model().Diagram.CorrectionRatios) EXPECT_TRUE(std::isfinite(r));
}

TEST_F(MapCorrectionTest, OnlyTheArraysThirtyTwoEntriesAreRead) {
  // An ECU that reports a longer MAP block: the bands beyond the arrays do not exist.
  ecu::Session().ConfigData.MapPointCount = 200;
  for (int j = 0; j < ecu::MapPointCapacity; ++j) Pair(j, 1450, 1300);
  app::CheckMapPointCount();
  EXPECT_EQ(app::Model().Diagram.CorrectionCounts[5], ecu::MapPointCapacity);
  ecu::Session().ConfigData.Configuration->Save_Map = 1;
  app::TDiagramLook look;
  ASSERT_TRUE(app::DiagramLook(549, 377, 10, look));
  EXPECT_EQ(look.PairCount, ecu::MapPointCapacity);
  EXPECT_EQ(look.GasPoints.Count, ecu::MapPointCapacity);
  for (int k = 0; k < look.GasPoints.Count; ++k)
    EXPECT_TRUE(std::isfinite(look.GasPoints.Markers[static_cast<std::size_t>(k)].Y));
}

TEST_F(MapCorrectionTest, CollectionButtonsSwitchSaveMapAndWriteThePage) {
  auto& cfg = *ecu::Session().ConfigData.Configuration;
  app::MapCollectionStart();  // link down: switched, but the controls stay as they are
  EXPECT_EQ(cfg.Save_Map, 1);
  EXPECT_EQ(page->MapControls, 0);
  cfg.Save_Map = 0;

  ecu::Session().Link.LinkUp = 1;
  app::Model().Settings.Map_Point = true;
  app::MapCollectionStart();
  EXPECT_EQ(cfg.Save_Map, 1);
  EXPECT_EQ(page->MapControls, 1);
  EXPECT_TRUE(app::MapPointControls().ButtonsEnabled);
  EXPECT_TRUE(app::MapPointControls().LegendShown);
  EXPECT_TRUE(app::Model().Diagram.ManifoldMarkerShown);
  app::MapCollectionStart();  // already on: nothing more
  EXPECT_EQ(page->MapControls, 1);
  clock.Advance(1500);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 22);

  ecu::Session().Link.TaskRequest = 0;
  app::MapCollectionStop();
  EXPECT_EQ(cfg.Save_Map, 0);
  EXPECT_FALSE(app::MapPointControls().ScaleShown);
  EXPECT_FALSE(app::Model().Diagram.ManifoldMarkerShown);

  // Both buttons within one poll cycle: the petrol erasure waits behind the gas one.
  app::DeleteGasMapPoints();
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 27);
  app::DeletePetrolMapPoints();
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 27);
  EXPECT_EQ(ecu::Session().Link.ErasesWaitingCount, 1);
  EXPECT_EQ(ecu::Session().Link.ErasesWaiting[0], 28);
}

// "Delete MAP points" with no ECU answering cannot be sent: nothing is asked, and each press
// is told. The collection switched while the ECU is read again is refused as an edit of the
// page is: the configuration keeps the switch the read gives it, and nothing is written.
TEST_F(MapCorrectionTest, AnErasureWithTheLinkDownAndASwitchDuringAReadAreReported) {
  const auto messages = [this](const char* Key) { return page->Find("message 13 " + ecu::LngText(Key)).size(); };
  auto& cfg = *ecu::Session().ConfigData.Configuration;
  cfg.Save_Map = 1;
  app::DeleteGasMapPoints();
  app::DeletePetrolMapPoints();
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
  EXPECT_EQ(messages("MSG_Not_Written_No_Link"), 2u);

  ecu::Session().Link.LinkUp = 1;
  ecu::Session().Link.Reading = 1;
  ++ecu::Session().Link.ReadCount;
  app::MapCollectionStop();
  EXPECT_EQ(cfg.Save_Map, 1);
  EXPECT_EQ(messages("MSG_Not_Written_Reading"), 1u);
  clock.Advance(3000);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
  cfg.Save_Map = 0;
  app::MapCollectionStart();
  EXPECT_EQ(cfg.Save_Map, 0);
  EXPECT_EQ(page->MapControls, 0);
  // An erasure asked for during the read waits for its end, which the ECU's points then follow.
  app::DeleteGasMapPoints();
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 27);
  EXPECT_EQ(messages("MSG_Not_Written_No_Link"), 2u);
}

}  // namespace

}  // namespace calibr_map_test
