// The commands and replies against the ECU simulator: a full connect fills the configuration,
// and the write tasks put exactly the encoded lists on the wire.
#include <gtest/gtest.h>

#include <algorithm>

#include "LinkFixture.h"
#include "ecu/Check_Versions.h"
#include "ecu/Session.h"
#include "ecu/Transmit_Unit.h"

namespace commands_sim_test {

namespace {

using namespace linktest;

class CommandsSimTest : public SimLinkTest {
protected:
  // The last written request with this command.
  Bytes LastWritten(std::uint8_t Command) const {
    Bytes found;
    for (const auto& e : wire.Of('W'))
      if (e.Frame[1] == Command) found = e.Frame;
    return found;
  }
  Bytes Encoded(std::uint8_t Command) const {
    Bytes frame{25, Command};
    Bytes triples(3 * ecu::Session().Link.ReadList.Count);
    ecu::Param_Pack_List(*ecu::Session().ConfigData.Configuration, triples);
    frame.insert(frame.end(), triples.begin(), triples.end());
    std::uint8_t sum = 0;
    for (std::uint8_t b : frame) sum = static_cast<std::uint8_t>(sum + b);
    frame.push_back(sum);
    return frame;
  }
  std::uint16_t SimParam(std::uint8_t Code) const { return sim->State().Params[Code]; }
};

TEST_F(CommandsSimTest, ConnectFillsTheConfigurationFromTheEcu) {
  OpenPort();
  ASSERT_TRUE(RunUntil("#"));
  const ecu::Configuration_Class& c = *ecu::Session().ConfigData.Configuration;
  EXPECT_EQ(c.ECU_Name, "GASCAL ECU SIM");
  EXPECT_EQ(c.Firmware_Version, "2.10");
  EXPECT_EQ(ecu::Session().LiveData.FirmwareVersion100, 210);
  EXPECT_EQ(c.Work_Gas, 300);
  EXPECT_EQ(c.Param_90, 1315);
  EXPECT_EQ(c.PG_RPM, 1500);
  EXPECT_EQ(c.PG_Time, 0);
  EXPECT_EQ(c.Save_Map, 1);
  EXPECT_EQ(c.LPG_on, 1);
  EXPECT_EQ(c.PG_GAS_Hot_Engine, 1);
  EXPECT_EQ(c.RPM_PreScaler, "1:1");
  EXPECT_EQ(c.Level_Type, ecu::LevelTypeName(1));
  EXPECT_EQ((std::array<int, 5>{c.Level1, c.Level2, c.Level3, c.Level4, c.Level5}),
            (std::array<int, 5>{100, 250, 400, 550, 700}));
  EXPECT_EQ((std::array<int, 5>{c.Param_147, c.Param_148, c.Param_150, c.Param_151, c.Param_153}),
            (std::array<int, 5>{50, 30, 10, 10, 50}));
  EXPECT_EQ(c.Param_152, 1000);
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointX[8], 11000);
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY[8], 11000 * 118 / 100);
  EXPECT_EQ(ecu::Session().ConfigData.MapPointsGas[1], 42 * 128 / 10);
  EXPECT_EQ(ecu::Session().ConfigData.MapPointsPetrol[31], (38 + 62) * 128 / 10);
}

TEST_F(CommandsSimTest, WriteTasksPutTheEncodedListsOnTheWire) {
  OpenPort();
  ASSERT_TRUE(RunUntil("#"));
  ecu::Session().ConfigData.Configuration->Level2 = 333;
  ecu::Session().ConfigData.Configuration->PG_RPM = 2000;
  ecu::Session().ConfigData.Configuration->GP_Buzzer = 1;
  ecu::Session().Link.TaskRequest = 22;
  ASSERT_TRUE(RunUntil("12#"));
  ecu::Param_Write_List1();
  const Bytes list1 = Encoded('2');
  EXPECT_EQ(Hex(LastWritten('1')), "19 31 31 45 C0");
  EXPECT_EQ(LastWritten('2'), list1);
  for (std::size_t i = 2; i + 3 < list1.size(); i += 3) {
    EXPECT_EQ(SimParam(list1[i]), list1[i + 1] << 8 | list1[i + 2]) << int(list1[i]);
    // The ECU's answer to the list: the program knows what the ECU holds now.
    EXPECT_EQ(ecu::Session().Link.ReceivedParams[list1[i]], SimParam(list1[i])) << int(list1[i]);
  }

  ecu::Session().ConfigData.DiagramPointY[4] = 6000;
  ecu::Session().ConfigData.FlaggedPoint = 6;
  ecu::Session().Link.TaskRequest = 23;
  ASSERT_TRUE(RunUntil("13#"));
  ecu::Param_Write_List2();
  const Bytes list2 = Encoded('3');
  ASSERT_EQ(list2.size(), 84u);
  EXPECT_EQ(Hex(LastWritten('1')), "19 31 31 54 CF");
  EXPECT_EQ(LastWritten('3'), list2);
  EXPECT_EQ(SimParam('n'), 6000);
  EXPECT_EQ(SimParam('x') & 0x8000, 0x8000);  // point 6 flagged
  for (std::size_t i = 2; i + 3 < list2.size(); i += 3)
    EXPECT_EQ(SimParam(list2[i]), list2[i + 1] << 8 | list2[i + 2]) << int(list2[i]);
}

}  // namespace

}  // namespace commands_sim_test
