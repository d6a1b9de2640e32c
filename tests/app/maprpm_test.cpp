// The R.P.M. map: defaults, the write frames, the cell encoding, the page's texts and the
// ".cfg" keys.
#include <gtest/gtest.h>

#include "app/core/Global_Unit.h"
#include "app/core/MapRPM_Unit.h"
#include "app/core/Model.h"
#include "ecu/Calc_Unit.h"
#include "ecu/FindUnit.h"
#include "ecu/Receiver_Unit.h"
#include "ecu/Session.h"
#include "platform/rtl/SysUtils.h"
#include "tests/ecu/LinkFixture.h"
#include "tests/ecu/TempDir.h"

namespace maprpm_test {

namespace {

using linktest::Bytes;
using linktest::Hex;

class MapRPMTest : public linktest::LinkTest {
protected:
  void SetUp() override {
    LinkTest::SetUp();
    ecu::Session().Link.LastFrame[0] = 25;
    app::SetDefaultMapRPM();
  }
  Bytes Tx() const { return linktest::Frame(ecu::Session().Link.TxFrame, ecu::Session().Link.TxLength); }
};

TEST_F(MapRPMTest, TheDefaultTableIsWrittenInFramesOf64And62Bytes) {
  EXPECT_EQ(app::Model().MapRPM.MapRPMTexts[0][0], "ms\\rpm");
  EXPECT_EQ(app::Model().MapRPM.MapRPMTexts[8][0], "4000");
  EXPECT_EQ(app::Model().MapRPM.MapRPMTexts[0][12], "22.0");
  EXPECT_EQ(app::Model().MapRPM.MapRPMTexts[3][5], "1.00");

  Bytes expected = {8, 12, 255, 255, 234, 96, 117, 48, 78, 32, 58, 152, 46, 224, 39, 16, 29, 76,
                    0, 10, 20, 30, 40, 50, 70, 90, 120, 150, 180, 220};
  expected.insert(expected.end(), 96, 128);
  EXPECT_EQ(app::MapRPMWriteData(), expected);

  app::PackMapRPMTable();
  app::Model().MapRPM.MapRPMTransfer.BeginMapRPMWrite();
  EXPECT_EQ(Hex(Tx()), "19 2E 08 0C 5B");
  EXPECT_EQ(ecu::Session().Link.RxExpectedLength, 3);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTransfer.MapRPMWriteTotal(), 126);
  std::vector<int> lengths, sums;
  Bytes sent;
  while (app::Model().MapRPM.MapRPMTransfer.MapRPMBytesWritten() <
         app::Model().MapRPM.MapRPMTransfer.MapRPMWriteTotal()) {
    app::Model().MapRPM.MapRPMTransfer.NextMapRPMWriteChunk();
    lengths.push_back(ecu::Session().Link.TxListLength);
    app::Model().MapRPM.MapRPMTransfer.FillMapRPMWriteChunk();
    EXPECT_EQ(ecu::Session().Link.TxFrame[1], '6');
    EXPECT_EQ(ecu::Session().Link.RxExpectedLength, 3);
    sums.push_back(ecu::Session().Link.TxFrame[ecu::Session().Link.TxLength - 1u]);
    sent.insert(sent.end(), ecu::Session().Link.TxFrame.begin() + 2,
                ecu::Session().Link.TxFrame.begin() + ecu::Session().Link.TxLength - 1);
  }
  EXPECT_EQ(lengths, (std::vector<int>{67, 65}));
  EXPECT_EQ(sums, (std::vector<int>{0x12, 0x4F}));
  EXPECT_EQ(sent, expected);
}

TEST_F(MapRPMTest, EveryCellValueReadsBackUnchanged) {
  for (int v = 1; v <= 199; ++v) EXPECT_EQ(app::DecodeMapCell(app::EncodeMapCell(static_cast<std::uint16_t>(v))), v) << v;
  EXPECT_EQ(app::EncodeMapCell(100), 128);
  EXPECT_EQ(app::EncodeMapCell(199), 255);
  EXPECT_EQ(app::EncodeMapCell(1), 2);
  EXPECT_EQ(app::EncodeMapCell(150), 192);
  EXPECT_EQ(app::EncodeMapCell(500), 255);  // beyond the limits: the loop still ends
}

TEST_F(MapRPMTest, ThePageShowsFactorsWithTwoDecimalsAndTimesWithOne) {
  for (const std::uint16_t v : {0, 1, 5, 9, 10, 11, 99, 100, 101, 199, 999, 1000, 1005, 12345, 65535}) {
    app::Model().MapRPM.MapRPMTable[0][3] = v;
    app::Model().MapRPM.MapRPMTable[2][7] = v;
    app::RefreshMapRPMCells();
    EXPECT_EQ(app::Model().MapRPM.MapRPMTexts[0][3], ecu::CommaToPoint(rtl::Format("%.1f", v / 10.0))) << v;
    EXPECT_EQ(app::Model().MapRPM.MapRPMTexts[2][7], ecu::CommaToPoint(rtl::Format("%.2f", v / 100.0))) << v;
  }
  EXPECT_EQ(app::Model().MapRPM.MapRPMTexts[0][3], "6553.5");
  EXPECT_EQ(app::Model().MapRPM.MapRPMTexts[2][7], "655.35");
}

TEST_F(MapRPMTest, AReadReplacesWhatTheHeaderCountsSelect) {
  app::Model().MapRPM.MapRPMTransfer.RequestMapRPMHeader();
  EXPECT_EQ(Hex(Tx()), "19 2F 2F 2F A6");
  EXPECT_EQ(ecu::Session().Link.RxExpectedLength, 5);
  ecu::Session().Link.RxFrame[2] = 2;
  ecu::Session().Link.RxFrame[3] = 13;  // outside 2..12: read as 12
  app::Model().MapRPM.MapRPMTransfer.ReadMapRPMHeader();
  EXPECT_EQ(app::Model().MapRPM.MapRPMTransfer.MapRPMTotalBytes(), 2 * 14 + 12);
  app::Model().MapRPM.MapRPMTransfer.RequestMapRPMChunk();
  EXPECT_EQ(Hex(Tx()), "19 37 28 28 A0");
  EXPECT_EQ(ecu::Session().Link.RxExpectedLength, 43);
  Bytes data = {255, 255, 0x1D, 0x4C, 0, 5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 55};
  data.insert(data.end(), 12, 64);
  data.insert(data.end(), 12, 255);
  std::copy(data.begin(), data.end(), ecu::Session().Link.RxFrame.begin() + 2);
  app::Model().MapRPM.MapRPMTransfer.StoreMapRPMChunk();
  ASSERT_EQ(app::Model().MapRPM.MapRPMTransfer.MapRPMBytesRead(),
            app::Model().MapRPM.MapRPMTransfer.MapRPMTotalBytes());
  app::Model().MapRPM.MapRPMTransfer.UnpackMapRPMTable();
  app::Model().MapRPM.MapRPMTransfer.RebuildMapRPMGrid();
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[1][0], 0);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[2][0], 4000);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[3][0], 1000);  // not read: kept
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[0][12], 55);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTexts[1][1], "0.50");
  EXPECT_EQ(app::Model().MapRPM.MapRPMTexts[2][12], "1.99");
  EXPECT_EQ(app::Model().MapRPM.MapRPMTexts[3][1], "1.00");
  EXPECT_EQ(app::Model().MapRPM.MapRPMFlags[2][12], 2);
  EXPECT_EQ(app::Model().MapRPM.MapRPMFlags[2][0], 2);
  EXPECT_EQ(app::Model().MapRPM.MapRPMFlags[3][1], 0);
  EXPECT_EQ(app::Model().MapRPM.MapRPMRows, 8);
}

TEST_F(MapRPMTest, ShownFactorsPackTruncatedToTheHundredthAndStayWithinTheLimits) {
  app::Model().MapRPM.MapRPMTexts[1][1] = "1.15";
  app::Model().MapRPM.MapRPMTexts[1][2] = "0,29";
  app::Model().MapRPM.MapRPMTexts[1][3] = "2.50";
  app::Model().MapRPM.MapRPMTexts[1][4] = "abc";
  app::Model().MapRPM.MapRPMTexts[1][5] = "1.159";
  app::Model().MapRPM.MapRPMTexts[2][0] = "300";
  app::Model().MapRPM.MapRPMTexts[3][0] = "1000.5";
  app::Model().MapRPM.MapRPMTexts[0][3] = "2.3";
  app::Model().MapRPM.MapRPMTexts[0][4] = "3.09";
  app::PackMapRPMTable();
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[1][1], 115);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[1][2], 29);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[1][3], 199);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[1][4], 100);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[1][5], 115);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[2][0], 500);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[3][0], 1000);  // not a whole number: left as it was
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[0][3], 23);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[0][4], 30);
}

TEST_F(MapRPMTest, CfgKeysRoundTripAndValuesFromAFileAreClamped) {
  ecu_test::TempDir dir;
  const std::string file = dir / "car1.cfg";
  app::Model().MapRPM.MapRPMTexts[4][7] = "1.16";
  app::Model().MapRPM.MapRPMTexts[5][0] = "2200";
  ecu::KeyFileOpen(file);
  app::SaveMapRPMTable();
  ecu::KeyFileSave(file);
  const std::string text = ecu_test::ReadFile(file);
  EXPECT_EQ(text.rfind("Cols_Number                  8 {}\r\nRows_Number                  12 {}\r\nCols_1 ", 0), 0u);
  EXPECT_NE(text.find("Cols_5                       2200 {}\r\n"), std::string::npos);
  EXPECT_NE(text.find("Rows_12                      22.0 {}\r\nCell_0_0                     1.00 {}\r\n"), std::string::npos);
  EXPECT_NE(text.find("Cell_3_6                     1.16 {}\r\n"), std::string::npos);

  // Saving and loading again and again keeps every value.
  for (int round = 0; round < 3; ++round) {
    app::SetDefaultMapRPM();
    ecu::KeyFileLoad(file);
    app::LoadMapRPMTable();
    ecu::KeyFileClose();
    ecu::KeyFileOpen(file);
    app::SaveMapRPMTable();
    ecu::KeyFileSave(file);
  }
  EXPECT_EQ(ecu_test::ReadFile(file), text);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[4][7], 116);
  EXPECT_EQ(app::Model().MapRPM.MapRPMFlags[4][7], 2);

  ecu_test::WriteFile(file, "Cell_0_0 9.99\r\nCell_0_1 0\r\nCols_1 100\r\nCols_2 90000\r\nRows_1 99\r\nRows_2 x\r\n");
  app::SetDefaultMapRPM();
  ecu::Session().ConfigData.ConfigLoadReport = {};
  ecu::KeyFileLoad(file);
  app::LoadMapRPMTable();
  ecu::KeyFileClose();
  std::array<int, 4> kinds{};
  for (const ecu::TConfigProblem& p : ecu::Session().ConfigData.ConfigLoadReport.Problems)
    ++kinds[static_cast<std::size_t>(p.Kind)];
  EXPECT_EQ(kinds, (std::array<int, 4>{116 - 6, 1, 5, 0}));  // missing, unreadable, out of range
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[1][1], 199);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[1][2], 1);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[1][0], 500);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[2][0], 8000);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[0][1], 230);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[0][2], 10);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[3][3], 100);

  // A configuration file without map keys leaves the table as it was.
  ecu::Session().ConfigData.Configuration = std::make_unique<ecu::Configuration_Class>();
  ecu_test::WriteFile(file, "Work_Gas 10\r\n");
  EXPECT_TRUE(ecu::LoadConfigFile(file));
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[1][1], 199);
  for (const ecu::TConfigProblem& p : ecu::Session().ConfigData.ConfigLoadReport.Problems)
    EXPECT_NE(p.Key.rfind("Cell_", 0), 0u);
}

}  // namespace

}  // namespace maprpm_test
