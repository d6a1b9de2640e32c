// The simulator's engine on gas: the petrol time its ECU's closed loop settles at follows the
// calibration diagram that the program writes.
#include <gtest/gtest.h>

#include "tools/ecusim/Ecu.h"

namespace ecusim_engine_test {

namespace {

using ecusim::Frame;

class EngineModel : public ::testing::Test {
protected:
  void SetUp() override {
    ecusim::EcuState s = ecusim::DefaultState();  // diagram: gas = 1.18 x petrol, 2000..11000 us
    s.Animate = false;
    s.Engine.On = true;  // needs 1.3 p + 800
    s.Engine.NoiseUs = 0;
    ecu = std::make_unique<ecusim::Ecu>(s);
  }
  void Mode(std::uint8_t Data) { ASSERT_TRUE(ecu->Answer(ecusim::MakeFrame(25, '"', {0, Data}), 0)); }
  // Petrol (Which 0) or gas (1) time of cylinder 1..4 in the next live-data reply.
  std::array<unsigned, 4> Live(int Which) {
    const auto reply = ecu->Answer(ecusim::MakeFrame(25, '#', {0, 0}), 0);
    std::array<unsigned, 4> t{};
    if (!reply) return t;
    for (int i = 0; i < 4; ++i) t[i] = (*reply)[2 + 18 + 8 * Which + 2 * i] * 256u + (*reply)[3 + 18 + 8 * Which + 2 * i];
    return t;
  }
  std::unique_ptr<ecusim::Ecu> ecu;
};

TEST_F(EngineModel, CylindersOnGasReportThePetrolTimeWhereTheDiagramGivesTheGasTheyNeed) {
  EXPECT_EQ(Live(0), (std::array<unsigned, 4>{3000, 3020, 2980, 3010}));
  EXPECT_EQ(Live(1), (std::array<unsigned, 4>{0, 0, 0, 0}));
  Mode(16 | 64 | 4);  // cylinders 1 and 3 on gas
  const auto petrol = Live(0), gas = Live(1);
  EXPECT_EQ(petrol[0], 3983u);  // 4700 / 1.18
  EXPECT_EQ(petrol[1], 3020u);
  EXPECT_EQ(petrol[2], static_cast<unsigned>((1.3 * 2980 + 800) / 1.18));
  EXPECT_NEAR(gas[0], 4700, 1);
  EXPECT_EQ(gas[1], 0u);

  // A diagram that gives the engine what it needs: the petrol time stays.
  auto& p = ecu->State().Params;
  for (int i = 0; i < 9; ++i) {
    const auto codes = ecusim::PointCodes(i);
    p[codes[1]] = static_cast<std::uint16_t>(1.3 * (p[codes[2]] & 0x7FFF) + 800);
  }
  EXPECT_NEAR(Live(0)[0], 3000, 1);

  // Beyond the diagram's reach the loop stops at its last point; petrol mode ends it all.
  ecu->State().Engine.GasSlope = 10;
  EXPECT_EQ(Live(0)[0], 11000u);
  Mode(1);
  EXPECT_EQ(Live(0)[0], 3000u);
  EXPECT_EQ(Live(1)[0], 0u);
  // A cylinder without petrol pulses has none on gas either.
  ecu->State().Live.PetrolTimes[3] = 0;
  ecu->State().Animate = true;
  Mode(240 | 4);
  EXPECT_EQ(Live(0)[3], 0u);
  EXPECT_EQ(Live(1)[3], 0u);
}

TEST_F(EngineModel, TheDiagramIsReadBothWaysWithinItsPoints) {
  const ecusim::EcuState& s = ecu->State();
  EXPECT_DOUBLE_EQ(s.DiagramGas(1000), 2360);  // level before the first point
  EXPECT_DOUBLE_EQ(s.DiagramGas(4000), 4720);
  EXPECT_DOUBLE_EQ(s.DiagramGas(20000), 12980);
  EXPECT_DOUBLE_EQ(s.DiagramPetrol(4720), 4000);
  EXPECT_DOUBLE_EQ(s.DiagramPetrol(0), 2000);
  EXPECT_DOUBLE_EQ(s.DiagramPetrol(99999), 11000);
}

}  // namespace

}  // namespace ecusim_engine_test
