// Reply decoders and the live-data display, fed golden replies through Link.RxFrame.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <string>
#include <vector>

#include "FreshModel.h"
#include "TempDir.h"
#include "app/core/Dynamic_IND_Unit.h"
#include "app/core/Model.h"
#include "ecu/Check_Versions.h"
#include "ecu/Config_Unit.h"
#include "ecu/Host.h"
#include "ecu/Instruction_Unit.h"
#include "ecu/Language.h"
#include "ecu/Live_Data.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Procedures_Unit.h"
#include "ecu/Reply_Decoders.h"
#include "ecu/Session.h"
#include "ecu/Transmit_Unit.h"
#include "tools/linkrec/Recorder.h"

namespace replies_test {

namespace {

using namespace ecu;
using app::TControl;
using Bytes = std::vector<std::uint8_t>;

// The core with its windows recorded, the display's colours named by role and its calls
// listed.
class DisplayRecorder : public linkrec::Recorder {
public:
  std::vector<std::string> Calls;
  std::string FileName, FullFileName;

  std::string ColorText(TColorRole C) const override {
    switch (C) {
      case TColorRole::Petrol: return "petrol";
      case TColorRole::Automat: return "automat";
      case TColorRole::Gas: return "gas";
      case TColorRole::Txt_Complete: return "complete";
      case TColorRole::Txt_Error: return "error";
      case TColorRole::Txt_Information: return "information";
      case TColorRole::Neutral: return "neutral";
      default: return Recorder::ColorText(C);
    }
  }
  void ApplyIndicatorFontSizes() override { Calls.push_back("fonts"); }
  void ShowStatusMessage(TColorRole C, const std::string& T) override {
    Calls.push_back("show " + T + " " + ColorText(C));
    Recorder::ShowStatusMessage(C, T);
  }
  void CloseWaitWindow() override { Calls.push_back("wait closed"); }
  void RedrawCalibrationDiagram() override { Calls.push_back("redraw"); }
  void PushDiagramHistory() override {
    Calls.push_back("history");
    Recorder::PushDiagramHistory();
  }
  void ConfigToUserPage() override { Calls.push_back("user page"); }
  void SetCfgFileNames(const std::string& F, const std::string& Full) override {
    FileName = F;
    FullFileName = Full;
    Recorder::SetCfgFileNames(F, Full);
  }
  std::vector<std::string> Circles() {
    std::vector<std::string> c;
    for (int i = 0; i < 7; ++i) c.push_back(Control(app::LevelCircle(i)).Color);
    return c;
  }
};

class RepliesTest : public ::testing::Test {
protected:
  void SetUp() override {
    Session().ConfigData.Configuration = std::make_unique<Configuration_Class>();
    Session().ConfigData.ConfigDir = dir.Path().string();
    Session().Link.LinkUp = 1;
  }
  // Puts a reply into Link.RxFrame as the link layer accepts it: checksum last.
  void Receive(Bytes Data, std::uint8_t Command) {
    Bytes frame{25, Command};
    frame.insert(frame.end(), Data.begin(), Data.end());
    std::uint8_t sum = 0;
    for (std::uint8_t b : frame) sum = static_cast<std::uint8_t>(sum + b);
    frame.push_back(sum);
    std::copy(frame.begin(), frame.end(), Session().Link.RxFrame.begin());
    Session().Link.RxExpectedLength = static_cast<std::uint8_t>(frame.size());
  }
  static Bytes Identification(const std::string& Firmware, std::uint8_t Layout = 21) {
    Bytes d(42, ' ');
    d[0] = Layout;
    const std::string name = "  GASCAL ECU  ", info = "SEQ 4 CYL ";
    std::copy(name.begin(), name.end(), d.begin() + 1);
    std::copy(info.begin(), info.end(), d.begin() + 17);
    std::copy(Firmware.begin(), Firmware.end(), d.begin() + 27);
    const Bytes tail{0, 1, 44, 0, 4, 176, 37, 104, 54, 7, 32};
    std::copy(tail.begin(), tail.end(), d.begin() + 31);
    return d;
  }

  ecu_test::FreshModel fresh;
  DisplayRecorder display;
  linkrec::Recorder& recorder = display;
  ecu_test::TempDir dir;
};

TEST_F(RepliesTest, IdentificationFillsTheConfigurationAndTheFamily) {
  Receive(Identification("1.60"), '0');
  Decode_Identification();
  EXPECT_EQ(Session().ConfigData.Configuration->ECU_Name, "GASCAL ECU");
  EXPECT_EQ(Session().ConfigData.Configuration->ECU_Info, "SEQ 4 CYL ");
  EXPECT_EQ(Session().ConfigData.Configuration->Firmware_Version, "1.60");
  EXPECT_EQ(Session().ConfigData.Configuration->Work_Gas, 300);
  EXPECT_EQ(Session().ConfigData.Configuration->Work_Petrol, 1200);
  EXPECT_EQ(Session().Link.LayoutNumber, 21);
  EXPECT_EQ(Session().LiveData.FirmwareVersion100, 160);
  EXPECT_EQ((std::array<int, 4>{Session().Link.LiveDataLength, Session().Link.ParamBlockLength,
                                Session().Link.PointBlockLength, Session().ConfigData.MapPointCount}),
            (std::array<int, 4>{37, 104, 54, 32}));
  // The family: four indicators left, twice as tall; the rest hidden; MAP buttons disabled.
  EXPECT_EQ(Session().LiveData.VersionFamily, 1);
  EXPECT_EQ(display.Control(TControl::IND_TempVap).Top, 300);
  EXPECT_EQ(display.Control(TControl::IND_RPM).Height, 100);
  EXPECT_EQ(display.Control(TControl::IND_Gas_Data).Top, 36);
  EXPECT_FALSE(display.Control(TControl::IND_PressDiff).Visible);
  EXPECT_FALSE(recorder.Control(TControl::CLB_MAP_Start).Enabled);

  // A layout number above 39 shows message 15 and leaves the family as it was.
  Receive(Identification("2.10", 40), '0');
  Decode_Identification();
  EXPECT_EQ(recorder.Find("message 15").size(), 1u);
  EXPECT_EQ(Session().LiveData.VersionFamily, 1);

  Receive(Identification("2.10"), '0');
  Decode_Identification();
  EXPECT_EQ(Session().LiveData.VersionFamily, 0);
  EXPECT_EQ(display.Control(TControl::IND_PressDiff).Top, 350);
  EXPECT_TRUE(display.Control(TControl::IND_PressDiff).Visible);
  EXPECT_EQ(display.Control(TControl::IND_RPM).Height, 50);
}

TEST_F(RepliesTest, IdentificationRefusesWhatCannotBeUsed) {
  Receive(Identification("1.60"), '0');
  Decode_Identification();
  // Block lengths whose reply would not fit a byte are refused; a version that is no number
  // gives no family and raises nothing.
  Bytes bad = Identification("X.5?");
  bad[37] = 253;
  bad[38] = 255;
  bad[41] = 40;
  Receive(bad, '0');
  EXPECT_NO_THROW(Decode_Identification());
  EXPECT_EQ(Session().LiveData.FirmwareVersion100, 0);
  EXPECT_EQ(Session().LiveData.VersionFamily, 0);
  EXPECT_EQ(Session().Link.LiveDataLength, 37);
  EXPECT_EQ(Session().Link.ParamBlockLength, 104);
  EXPECT_EQ(Session().ConfigData.MapPointCount, 40);

  // A short reply decodes what it holds and leaves the block lengths.
  Bytes cut = Identification("2.20");
  cut.resize(34);
  cut[33] = 99;
  Receive(cut, '0');
  Decode_Identification();
  EXPECT_EQ(Session().ConfigData.Configuration->Firmware_Version, "2.20");
  EXPECT_EQ(Session().ConfigData.Configuration->Work_Petrol, 1200);
  EXPECT_EQ(Session().Link.LiveDataLength, 37);
}

TEST_F(RepliesTest, ConfigurationFileNameBecomesASafePath) {
  Receive({'A', 'B', 'C', 'D', 255, 255, 255, 255}, ',');
  Decode_CfgName();
  EXPECT_EQ(Session().ConfigData.Configuration->Cfg_Name, "ABCD");
  EXPECT_EQ(display.FileName, "ABCD");
  EXPECT_EQ(display.FullFileName, Session().ConfigData.ConfigDir + "/ABCD.cfg");
  EXPECT_EQ(display.Calls.back(), "user page");

  Receive({'.', '.', '/', 'x', '\\', 1, 0, 'z'}, ',');
  Decode_CfgName();
  EXPECT_EQ(Session().ConfigData.Configuration->Cfg_Name, std::string("../x\\\x01"));  // kept as the ECU sent it
  EXPECT_EQ(display.FullFileName, Session().ConfigData.ConfigDir + "/.._x__.cfg");
  EXPECT_EQ(CfgNameToFileName(".."), "__");
  EXPECT_EQ(CfgNameToFileName("a:b*?<>|\""), "a_b______");

  Receive({255, 'A', 'B', 0, 0, 0, 0, 0}, ',');
  Decode_CfgName();
  EXPECT_EQ(Session().ConfigData.Configuration->Cfg_Name, "");
  EXPECT_EQ(display.FullFileName, "");
}

TEST_F(RepliesTest, CalibrationPointsAndMapBlocks) {
  Bytes points(54, 0);
  for (int i = 0; i < 9; ++i) {
    points[6 * i + 1] = 128;                           // slope 1.0
    points[6 * i + 3] = static_cast<std::uint8_t>(i);  // gas time i
    points[6 * i + 5] = static_cast<std::uint8_t>(10 + i);
  }
  points[6 * 4 + 4] = 129;
  points[6 * 4 + 5] = 44;
  Session().ConfigData.SelectedPoint = 3;
  Receive(points, '%');
  Decode_Points();
  EXPECT_EQ(Session().ConfigData.DiagramPointX[4], 300);
  EXPECT_EQ(Session().ConfigData.FlaggedPoint, 4);
  EXPECT_EQ(Session().ConfigData.DiagramPointX[8], 18);
  EXPECT_EQ(Session().ConfigData.DiagramPointY[8], 8);
  EXPECT_EQ(Session().ConfigData.DiagramSlopes[2], 1.0);
  EXPECT_EQ(Session().ConfigData.SelectedPoint, -1);
  EXPECT_EQ(display.Calls, (std::vector<std::string>{"redraw", "history"}));

  // A short reply leaves the points it does not hold.
  points.resize(6 * 2);
  points[6 * 1 + 5] = 77;
  Receive(points, '%');
  Decode_Points();
  EXPECT_EQ(Session().ConfigData.DiagramPointX[1], 77);
  EXPECT_EQ(Session().ConfigData.DiagramPointX[8], 18);

  Bytes map(32, 100);
  map[0] = 228;
  Receive(map, '\'');
  Decode_MapGas();
  EXPECT_EQ(Session().ConfigData.MapPointsGas[0], 460);
  EXPECT_EQ(Session().ConfigData.MapPointsGas[31], 1280);
}

// A live-data reply (37 data bytes) with the given status byte, errors and work mode.
Bytes Live(std::uint8_t Status, std::uint8_t Errors1, std::uint8_t Errors2, std::uint8_t Mode, int Level = 500) {
  Bytes d(37, 0);
  d[0] = 0x92;  // 800 r.p.m.
  d[1] = 0x7C;
  d[4] = Status;
  d[6] = static_cast<std::uint8_t>(Level >> 8);
  d[7] = static_cast<std::uint8_t>(Level);
  d[8] = 0x03;  // reducer pressure 448
  d[9] = 0xFF;
  d[10] = 0x00;  // manifold 100
  d[11] = 228;
  const int petrol[4] = {3000, 0, 3100, 0};
  for (int i = 0; i < 4; ++i) {
    d[18 + 2 * i] = static_cast<std::uint8_t>(petrol[i] >> 8);
    d[19 + 2 * i] = static_cast<std::uint8_t>(petrol[i]);
  }
  d[34] = Errors1;
  d[35] = Errors2;
  d[36] = Mode;
  return d;
}

TEST_F(RepliesTest, LiveValuesAndTheGasLevel) {
  Session().ConfigData.Configuration->Level_Invert = 0;
  for (int k = 1; k <= 5; ++k) Session().ConfigData.Configuration->Level(k) = (k < 5 ? 100 * k : 600);
  Receive(Live(0xC0, 0, 0, 4), '#');
  DynamicIND_Update();
  EXPECT_EQ(Session().LiveData.LiveRPM, 800);
  EXPECT_EQ(Session().LiveData.LivePetrolTimeAvg, 3050);
  EXPECT_EQ(Session().LiveData.LiveGasTimeAvg, 0);
  EXPECT_EQ(Session().LiveData.LivePressDiff, 348);
  EXPECT_EQ(Session().LiveData.PetrolTimesOnGas[2], 3100);
  EXPECT_EQ(display.Control(TControl::IND_RPM_Data).Text, "800");
  EXPECT_EQ(display.Circles(),
            (std::vector<std::string>{"neutral", "gas", "gas", "gas", "gas", "neutral", "neutral"}));
  EXPECT_FALSE(display.Control(TControl::Circle_LevelGas_6).Visible);
  EXPECT_TRUE(display.Control(TControl::CFG_LevelGas).Visible);

  Receive(Live(0xC0, 0, 0, 4, 50), '#');
  DynamicIND_Update();
  EXPECT_EQ(display.Circles()[0], "#FFFF0000");  // every threshold above the level

  Receive(Live(0xC0, 0, 0, 1), '#');
  DynamicIND_Update();
  EXPECT_EQ(display.Circles(),
            (std::vector<std::string>{"neutral", "neutral", "neutral", "neutral", "neutral", "neutral", "petrol"}));
  EXPECT_FALSE(display.Control(TControl::CFG_LevelGas).Visible);

  // A reply too short for the times and the work mode leaves them.
  Bytes cut = Live(0xC0, 0, 0, 4);
  cut.resize(20);
  cut[1] = 0x7D;
  Receive(cut, '#');
  DynamicIND_Update();
  EXPECT_EQ(Session().LiveData.LivePetrolTimeAvg, 3050);
  EXPECT_EQ(Session().LiveData.WorkMode, 1);
}

TEST_F(RepliesTest, StatusBitsAndErrorMemoChangeOnlyWithTheEcu) {
  // Pressure low in two replies: one message.
  Receive(Live(0x80, 0, 0, 1), '#');
  DynamicIND_Update();
  DynamicIND_Update();
  EXPECT_EQ(std::count(app::Model().StatusMessages.Texts.begin(), app::Model().StatusMessages.Texts.end(),
                       LngText("DynamicIND_Low_pressure")),
            1);
  EXPECT_EQ(recorder.Find("status + " + LngText("DynamicIND_Low_pressure")).size(), 2u);
  EXPECT_EQ(display.Memo.size(), 2u);  // no errors: the two lines that say so

  // The engine stops while the automatic calibration runs.
  recorder.Control(TControl::ACB_Start).Pressed = true;
  Receive(Live(0x40, 0, 0, 1), '#');
  DynamicIND_Update();
  EXPECT_FALSE(recorder.Control(TControl::ACB_Start).Pressed);
  EXPECT_EQ(recorder.Find("auto calibration start/stop").size(), 1u);

  // Errors: one memo line per watched bit, in order.
  Receive(Live(0x40, 0x11, 0x0A, 1), '#');
  DynamicIND_Update();
  EXPECT_EQ(display.Memo.size(), 4u);  // TempVap, TempGas, LinkInject, ShortCircuit
  const auto memo = display.Memo;

  // With the family set the gas-temperature bit is not watched.
  Session().LiveData.VersionFamily = 1;
  Receive(Live(0x40, 0x01, 0x0A, 1), '#');
  DynamicIND_Update();
  EXPECT_EQ(display.Memo, memo);
  EXPECT_EQ(Session().LiveData.LastErrorBits1, 0x11);

  // No status work while the link is down (the start-up call).
  Session().Link.LinkUp = 0;
  recorder.ClearLog();
  Receive(Live(0x00, 0, 0, 1), '#');
  DynamicIND_Update();
  EXPECT_TRUE(recorder.Find("status").empty());
}

// The ECU's "data not saved" (bit 5), "data saved" (bit 4) and "engine runs" (bit 7) bits
// reach the status line as they change, not at every reply, and "data saved" closes the wait
// window the save opened.
TEST_F(RepliesTest, SavedDataAndEngineBitsShowTheirChanges) {
  Receive(Live(0xC0, 0, 0, 1), '#');  // engine on, pressure normal: as the status starts
  DynamicIND_Update();
  // What one reply with this status byte does to the status line and the wait window.
  const auto reply = [&](std::uint8_t Status) {
    recorder.ClearLog();
    display.Calls.clear();
    Receive(Live(Status, 0, 0, 1), '#');
    DynamicIND_Update();
    std::vector<std::string> seen;
    for (const linkrec::Record& r : recorder.Find("status ")) seen.push_back(r.What);
    for (const std::string& c : display.Calls)
      if (c.rfind("show ", 0) == 0 || c == "wait closed") seen.push_back(c);
    return seen;
  };
  const std::string notSaved = LngText("DynamicIND_Not_Save_Data"), saved = LngText("DynamicIND_Save_Data"),
                    off = LngText("DynamicIND_Engine_off"), on = LngText("DynamicIND_Engine_on");
  using Seen = std::vector<std::string>;

  EXPECT_EQ(reply(0xE0), Seen{"status + " + notSaved + " error"});
  EXPECT_EQ(reply(0xE0), Seen{});
  EXPECT_EQ(reply(0xC0), Seen{"status - " + notSaved});
  EXPECT_EQ(reply(0xC0), Seen{});

  EXPECT_EQ(reply(0xD0), (Seen{"show " + saved + " complete", "wait closed"}));
  EXPECT_EQ(reply(0xD0), Seen{});
  EXPECT_EQ(reply(0xC0), Seen{}) << "the bit going back shows nothing";
  EXPECT_EQ(reply(0xD0), (Seen{"show " + saved + " complete", "wait closed"}));
  // Both at once: the saved data are no longer the ECU's data.
  EXPECT_EQ(reply(0xE0), Seen{"status + " + notSaved + " error"});

  EXPECT_EQ(reply(0x60), Seen{"status + " + off + " error"});
  EXPECT_EQ(reply(0x60), Seen{});
  EXPECT_EQ(reply(0xE0), (Seen{"status - " + off, "show " + on + " complete"}));
  EXPECT_EQ(reply(0xE3), Seen{}) << "bits 0-1 carry the gas temperature";
  const auto& line = app::Model().StatusMessages;
  EXPECT_EQ(std::vector<std::string>(line.Texts.begin(), line.Texts.begin() + line.Count), Seen{notSaved});
}

}  // namespace

}  // namespace replies_test
