// The parameter codec and the firmware families: lists, encoders and decoders byte by byte.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "FreshModel.h"
#include "TempDir.h"
#include "ecu/Calc_Unit.h"
#include "ecu/Check_Versions.h"
#include "ecu/Config_Unit.h"
#include "ecu/Live_Data.h"
#include "ecu/Reply_Decoders.h"
#include "ecu/Session.h"
#include "ecu/Transmit_Unit.h"
#include "tools/linkrec/Recorder.h"

namespace codec_test {

namespace {

using namespace ecu;
using Bytes = std::vector<std::uint8_t>;

// A sensor table whose entry i is (1023 - i) x 2 tenths: 40 degrees is the reading 823.
class CodecTest : public ::testing::Test {
protected:
  void SetUp() override {
    Session().ConfigData.SensorTableFileName = dir / "gascal.dat";
    std::string data;
    for (int i = 0; i < SensorTableEntries; ++i) {
      const int v = (1023 - i) * 2;
      data += static_cast<char>(v & 0xFF);
      data += static_cast<char>(v >> 8);
    }
    ecu_test::WriteFile(Session().ConfigData.SensorTableFileName, data);
  }

  Bytes Pack() {
    Bytes out(3 * Session().Link.ReadList.Count);
    out.resize(static_cast<std::size_t>(Param_Pack_List(config, out)));
    return out;
  }
  Bytes Triple(std::uint8_t Code) {
    std::array<std::uint8_t, 3> t{};
    EXPECT_TRUE(Param_Encode(Code, config, t));
    return Bytes(t.begin(), t.end());
  }

  // A parameter reply of the full read list's 49 values, each 0 until Put sets it.
  static Bytes FullParamReply() {
    Bytes reply(2 + 2 * 49 + 1, 0);
    reply[0] = 25;
    reply[1] = '$';
    return reply;
  }
  static void Put(Bytes& Reply, int Value, std::uint8_t High, std::uint8_t Low) {
    Reply[2 + 2 * Value] = High;
    Reply[3 + 2 * Value] = Low;
  }

  ecu_test::FreshModel fresh;
  ecu_test::TempDir dir;
  Configuration_Class config;  // the defaults of a new configuration
};

TEST_F(CodecTest, WriteList1OfTheDefaultConfigurationByteForByte) {
  Param_Write_List1();
  ASSERT_EQ(Session().Link.ReadList.Count, 22);
  const Bytes expected{
      'Z', 0x05, 0x23, 'A', 0x03, 0x37, 'C', 0x75, 0x30, 'R', 0x14, 0x08, '\\', 0x05, 0x12, 159, 0x42, 0x00,
      'D', 0x00, 0x72, 'E', 0x0A, 0x02, 'S', 0x07, 0x40, 'T', 0x20, 0x37, 'U', 0x00, 0x68, 'V', 0x00, 0x93,
      'W', 0x00, 0xB8, 'X', 0x00, 0xF8, 146, 0x00, 0xE4, 147, 0x40, 0x47, 148, 0x27, 0x2B, 149, 0x03, 0x37,
      150, 0x0D, 0x0A, 151, 0x0D, 0x0A, 152, 0x02, 0xBC, 153, 0x40, 0x17};
  EXPECT_EQ(Pack(), expected);
}

TEST_F(CodecTest, WriteList2CarriesSlopesGasAndPetrolTimesWithTheirFlags) {
  Session().ConfigData.DiagramPointX = {2000, 2500, 3000, 3500, 4500, 5500, 7000, 9000, 11000};
  Session().ConfigData.DiagramPointY = {2000, 2600, 3100, 3500, 4500, 5400, 7200, 9000, 10000};
  Session().ConfigData.FlaggedPoint = 5;
  CalcDiagramSlopes();
  Param_Write_List2();
  ASSERT_EQ(Session().Link.ReadList.Count, 27);
  const Bytes expected{
      'a', 0x00, 0x80, 'b', 0x07, 0xD0, 'c', 0x07, 0xD0,  // point 0: never flagged
      'd', 0x00, 0x99, 'e', 0x0A, 0x28, 'f', 0x89, 0xC4,  // points 1 and 2: always flagged
      'g', 0x00, 0x80, 'h', 0x0C, 0x1C, 'i', 0x8B, 0xB8,
      'j', 0x00, 0x66, 'k', 0x0D, 0xAC, 'l', 0x0D, 0xAC,
      'm', 0x00, 0x80, 'n', 0x11, 0x94, 'o', 0x11, 0x94,
      'p', 0x00, 0x73, 'q', 0x15, 0x18, 'r', 0x95, 0x7C,  // the flagged point
      'v', 0x00, 0x99, 'w', 0x1C, 0x20, 'x', 0x1B, 0x58,
      'y', 0x00, 0x73, 'z', 0x23, 0x28, '{', 0x23, 0x28,
      '|', 0x00, 0x40, '}', 0x27, 0x10, '~', 0x2A, 0xF8};
  EXPECT_EQ(Pack(), expected);

  // Point 0 stays unflagged even when the ECU flagged it; a petrol time beyond 15 bits is
  // sent as the largest one and does not set the flag by accident; equal petrol times give
  // the slope 1.
  Session().ConfigData.FlaggedPoint = 0;
  Session().ConfigData.DiagramPointX[0] = 0x8123;
  Session().ConfigData.DiagramPointX[4] = Session().ConfigData.DiagramPointX[3];
  CalcDiagramSlopes();
  EXPECT_EQ(Triple('c'), (Bytes{'c', 0x7F, 0xFF}));
  EXPECT_EQ(Triple('r'), (Bytes{'r', 0x15, 0x7C}));
  EXPECT_EQ(Triple('m'), (Bytes{'m', 0x00, 0x80}));
}

TEST_F(CodecTest, ValuesBeyondTheirParametersAreClampedNotWrapped) {
  config.PG_RPM = 2147483647;
  config.PG_Temper = -2147483647;
  config.RPM_PreScaler = "9:9";
  config.Level_Type = "Unknown";
  config.Level1 = 99999;
  config.Param_152 = 1000000;
  EXPECT_EQ(Triple('C'), (Bytes{'C', 0x0E, 0xA6}));  // 8000 r.p.m.
  EXPECT_EQ(Triple('A'), (Bytes{'A', 0x03, 0xFF}));  // the coldest entry
  EXPECT_EQ(Triple('E'), (Bytes{'E', 0x0A, 0x02}));  // the default prescaler
  EXPECT_EQ(Triple('S'), (Bytes{'S', 0x07, 0x40}));  // the default sensor type
  EXPECT_EQ(Triple('T'), (Bytes{'T', 0x23, 0xFF}));  // 1023 with Level_90
  EXPECT_EQ(Triple(152), (Bytes{152, 0xFF, 0xFF}));
  config.PG_RPM = 10;  // a cut "1000": the lowest speed a period carries
  EXPECT_EQ(Triple('C'), (Bytes{'C', 0xFF, 0xDE}));
  // Types and prescalers the ECU sent go back as they came.
  Session().Link.ReceivedParams['S'] = 0x0C40;
  Session().Link.ReceivedParams['E'] = 0x0A09;
  EXPECT_EQ(Triple('S'), (Bytes{'S', 0x0C, 0x40}));
  EXPECT_EQ(Triple('E'), (Bytes{'E', 0x0A, 0x09}));

  Param_Write_List2();
  Session().ConfigData.DiagramPointY[8] = 70000;
  Session().ConfigData.DiagramPointX[8] = 65535;
  Session().ConfigData.DiagramPointX[7] = -3;
  EXPECT_EQ(Triple('}'), (Bytes{'}', 0xFF, 0xFF}));
  EXPECT_EQ(Triple('~'), (Bytes{'~', 0x7F, 0xFF}));
  EXPECT_EQ(Triple('{'), (Bytes{'{', 0x00, 0x00}));
}

TEST_F(CodecTest, ReadListGrowsForTheWiderFamily) {
  for (auto [version, count] : {std::pair{160, 52}, {200, 49}, {357, 52}, {356, 49}, {0, 49}}) {
    Session().LiveData.FirmwareVersion100 = version;
    Param_Read_List_All();
    EXPECT_EQ(Session().Link.ReadList.Count, count) << version;
  }
  EXPECT_EQ(Session().Link.ReadList.Codes[1], '_');
  EXPECT_EQ(Session().Link.ReadList.Codes[49], 169);
  EXPECT_EQ(Session().Link.ReadList.Codes[52], 172);
}

TEST_F(CodecTest, BitFieldsOfRAndBackslash) {
  Param_Decode('R', 128, 10, config);
  EXPECT_EQ(config.PG_Time, 0);
  EXPECT_EQ(config.Save_Map, 1);
  EXPECT_EQ(config.Param_82_Bit3, 1);
  for (auto flag : {config.Param_82_Bit0, config.MonoInject, config.Param_82_Bit4, config.NoSequentInject,
                    config.Param_82_Bit6, config.Param_82_Bit7})
    EXPECT_EQ(flag, 0);
  EXPECT_EQ(Triple('R'), (Bytes{'R', 128, 10}));  // PG_Time 0 goes out as 128

  Param_Decode('\\', 7, 0x04 | 0x08, config);  // bit 2: CNG; bit 3 ignored
  EXPECT_EQ(config.LPG_on, 0);
  EXPECT_EQ(config.Param_92_High, 7);
  config.LPG_on = 1;
  EXPECT_EQ(Triple('\\'), (Bytes{'\\', 7, 0x00}));
  config.LPG_on = 0;
  EXPECT_EQ(Triple('\\'), (Bytes{'\\', 7, 0x04}));
}

TEST_F(CodecTest, LevelOneKeepsItsTenBitsApartFromTheFlags) {
  config.Level1 = 900;
  config.Level_Invert = 1;
  config.Level_90 = 0;
  config.GP_Buzzer = 1;
  EXPECT_EQ(Triple('T'), (Bytes{'T', 147, 132}));
  config.Level1 = 1023 + 1024 * 5;  // an edited file: the extra bits must not become flags
  config.Level_Invert = config.GP_Buzzer = 0;
  EXPECT_EQ(Triple('T'), (Bytes{'T', 0x03, 0xFF}));
  Param_Decode('T', 147, 132, config);
  EXPECT_EQ(config.Level1, 900);
  EXPECT_EQ(config.Level_Invert, 1);
  EXPECT_EQ(config.GP_Buzzer, 1);
  EXPECT_EQ(config.Level_90, 0);
}

class RecordingConfigHost : public linkrec::Recorder {
public:
  int Defaulted = 0;
  void ParameterDefaulted() override { ++Defaulted; }
};

TEST_F(CodecTest, PercentagesAndTheirMissingValue) {
  RecordingConfigHost host;
  Param_Decode(147, 64, 0, config);
  EXPECT_EQ(config.Param_147, 50);
  Param_Decode(147, 160, 0, config);
  EXPECT_EQ(config.Param_147, -25);
  EXPECT_EQ(host.Defaulted, 0);
  Param_Decode(147, 5, 0, config);
  EXPECT_EQ(config.Param_147, 50);
  Param_Decode(148, 0, 0, config);
  EXPECT_EQ(config.Param_148, 30);
  config.LPG_on = 0;
  Param_Decode(150, 5, 0, config);
  EXPECT_EQ(config.Param_150, 20);
  Param_Decode(153, 64, 99, config);
  EXPECT_EQ(config.Param_153, 50);  // whole part of 50.5
  Param_Decode(153, 5, 0, config);
  EXPECT_EQ(config.Param_153, 50);
  EXPECT_EQ(host.Defaulted, 4);
}

// A percentage goes out as "no value" when its reference is 0 (a reducer at 0 degrees for 150
// and 151, no pressure difference for 147 and 148, no reading for 153). The default stands in
// on the page, but a write would only give the ECU "no value" again, and asking for one would
// rewrite the ECU at every connect; the host is told only of what the write can carry.
TEST_F(CodecTest, AMissingValueTheWriteCannotCarryAsksForNoWrite) {
  RecordingConfigHost host;
  Session().LiveData.FirmwareVersion100 = 210;
  Bytes reply = FullParamReply();
  // 146 (value 38) and 152 (value 44) read nothing; 149 (value 41) reads 0.4 degrees; every
  // percentage came as "no value" (the bytes 0 of the others, or 5).
  Put(reply, 39, 5, 0);
  Put(reply, 41, 0x03, 0xFD);
  Put(reply, 42, 5, 0);
  Put(reply, 43, 5, 0);
  Put(reply, 45, 5, 0);
  Decode_Param_Reply(reply, config);
  EXPECT_EQ(config.Param_146, 0);
  EXPECT_EQ(config.Param_149, 0);
  EXPECT_EQ(config.Param_152, 0);
  EXPECT_EQ(config.Param_147, 50);
  EXPECT_EQ(config.Param_148, 30);
  EXPECT_EQ(config.Param_150, 10);
  EXPECT_EQ(config.Param_151, 10);
  EXPECT_EQ(config.Param_153, 50);
  for (std::uint8_t code : {147, 148, 150, 151, 153}) EXPECT_EQ(Triple(code)[1], 5) << int(code);
  EXPECT_EQ(host.Defaulted, 0) << "a write that cannot carry the defaults was asked for";

  // With a reference the write carries the default, and is asked for.
  Put(reply, 41, 0x03, 0x37);  // 40 degrees
  Decode_Param_Reply(reply, config);
  EXPECT_EQ(Triple(150)[1], 13);
  EXPECT_EQ(host.Defaulted, 2);  // 150 and 151
}

TEST_F(CodecTest, PrescalerOutsideTheListKeepsThePreviousOne) {
  Param_Decode('E', 9, 4, config);
  EXPECT_EQ(config.RPM_PreScaler, "1:4");
  EXPECT_EQ(config.Param_69_High, 9);
  Param_Decode('E', 9, 0, config);
  Param_Decode('E', 9, 7, config);
  EXPECT_EQ(config.RPM_PreScaler, "1:4");
  EXPECT_EQ(Triple('E'), (Bytes{'E', 9, 4}));
}

TEST_F(CodecTest, TemperaturesWithoutATableGoBackAsTheyCame) {
  Param_Decode('A', 0x03, 0x37, config);
  EXPECT_EQ(config.PG_Temper, 40);
  Session().Link.ReceivedParams['A'] = 0x0321;
  Session().ConfigData.SensorTableFileName = dir / "missing.dat";
  Param_Decode('A', 0x01, 0x00, config);
  EXPECT_EQ(config.PG_Temper, 40);
  EXPECT_EQ(Triple('A'), (Bytes{'A', 0x03, 0x21}));
}

TEST_F(CodecTest, ParameterReplyDecodesOnlyWhatItHolds) {
  // The full read list's values in order: "Z" is value 1, "T" value 23, 146 value 38.
  Session().LiveData.FirmwareVersion100 = 210;
  Bytes reply = FullParamReply();
  Put(reply, 1, 0x05, 0x00);    // Param_90 1280
  Put(reply, 23, 0x13, 0x20);   // "T": Level_Invert, Level1 800
  Put(reply, 38, 0x00, 0xE4);   // 146: 100
  Put(reply, 39, 0x40, 0x00);   // 147: 50
  Decode_Param_Reply(reply, config);
  EXPECT_EQ(config.Param_90, 1280);
  EXPECT_EQ(config.Level1, 800);
  EXPECT_EQ(config.Level_Invert, 1);
  EXPECT_EQ(config.Param_146, 100);
  EXPECT_EQ(Session().Link.RxIndex, 2 * 49 + 1);

  // A reply that ends after the "T" value leaves everything behind it unchanged.
  Configuration_Class fresh;
  Bytes shortReply(reply.begin(), reply.begin() + 2 + 2 * 24);
  shortReply.push_back(0);
  shortReply[2 + 2 * 24 - 1] = 0x21;  // low byte of "T"
  Decode_Param_Reply(shortReply, fresh);
  EXPECT_EQ(fresh.Level1, 3 * 256 + 0x21);
  EXPECT_EQ(fresh.Level2, Configuration_Class().Level2);
  EXPECT_EQ(fresh.Param_146, Configuration_Class().Param_146);
}

// A write carries, for every parameter whose value nobody changed, the very bytes the ECU sent
// (its own reading of a temperature, the bits no field keeps, a percentage's companion byte);
// only a value changed goes through the conversion. Walked over every code of both write lists,
// with a linear sensor table, a table of zeros and none.
TEST_F(CodecTest, AWriteSendsTheEcusOwnBytesForEveryValueNobodyChanged) {
  Session().LiveData.FirmwareVersion100 = 210;
  CreateConfiguration(dir / "none.cfg");
  Configuration_Class& c = *Session().ConfigData.Configuration;
  const std::pair<int, std::array<std::uint8_t, 2>> list1[] = {
      {1, {0x05, 0x23}},  {2, {0x01, 0x90}},  {4, {0xFF, 0xFE}},  {6, {0x80, 0x0E}},  {7, {0x80, 0x0B}},
      {8, {0x2A, 0x04}},  {9, {0x01, 0x00}},  {12, {0x04, 0x09}}, {22, {0x0C, 0x40}}, {23, {0x0C, 0x64}},
      {24, {0x84, 0x00}}, {25, {0x01, 0x90}}, {26, {0x02, 0x26}}, {27, {0x02, 0xBC}}, {38, {0x81, 0x00}},
      {39, {0x40, 0x11}}, {40, {0x27, 0x00}}, {41, {0x01, 0x80}}, {42, {0x0D, 0x0A}}, {43, {0x0D, 0x0A}},
      {44, {0x85, 0xF5}}, {45, {0x41, 0x77}}};
  Bytes params = FullParamReply(), points(57, 0);
  for (const auto& [value, hl] : list1) Put(params, value, hl[0], hl[1]);
  for (int i = 0; i < DiagramPointCount; ++i) {  // slopes of their own; points 0 and 5 flagged
    const int words[3] = {0x0123 + i, 2100 + 1300 * i, (2000 + 1000 * i) | (i == 0 || i == 5 ? 0x8000 : 0)};
    for (int w = 0; w < 3; ++w)
      Put(points, 3 * i + w, static_cast<std::uint8_t>(words[w] >> 8), static_cast<std::uint8_t>(words[w]));
  }
  const auto sent = [&](auto List) {
    List();
    CalcDiagramSlopes();  // as the "3" request does
    Bytes out(3 * Session().Link.ReadList.Count);
    out.resize(static_cast<std::size_t>(Param_Pack_List(c, out)));
    return out;
  };
  const auto asReceived = [&](auto List, const Bytes& Reply, auto At) {
    List();
    Bytes expected;
    for (int i = 1; i <= Session().Link.ReadList.Count; ++i) {
      const int at = At(i);
      expected.insert(expected.end(), {Session().Link.ReadList.Codes[i], Reply[at], Reply[at + 1]});
    }
    return expected;
  };
  const auto paramAt = [&](int i) { return 2 + 2 * list1[i - 1].first; };
  const auto pointAt = [](int i) { return 2 + 6 * ((i - 1) / 3) + 2 * ((i - 1) % 3); };
  const std::string tables[] = {"linear", "zeros", "none"};
  for (const std::string& table : tables) {
    SCOPED_TRACE(table);
    std::string data;
    for (int i = 0; i < SensorTableEntries; ++i) {  // -40.0 to 120.0 degrees
      const int v = table == "zeros" ? 0 : -400 + (i * 1600 + 511) / 1023;
      data += static_cast<char>(v & 0xFF);
      data += static_cast<char>((v >> 8) & 0xFF);
    }
    Session().ConfigData.SensorTableFileName = dir / (table + ".dat");
    if (table != "none") ecu_test::WriteFile(Session().ConfigData.SensorTableFileName, data);
    Decode_Param_Reply(params, c);
    DecodePointRecords(points);
    // A customer's phone taken from the page, every other box as it shows the ECU's values.
    TCFGPageValues page = ConfigToCFGPageValues();
    page.User_Phone = "5551234";
    LevelPageToConfig({double(c.Level1), double(c.Level2), double(c.Level3), double(c.Level4), double(c.Level5)}, page);
    EXPECT_EQ(sent(Param_Write_List1), asReceived(Param_Write_List1, params, paramAt));
    EXPECT_EQ(sent(Param_Write_List2), asReceived(Param_Write_List2, points, pointAt));
    // A file saved from the ECU's values and loaded while it answers holds what the ECU holds.
    SaveConfigFile(dir / "car1.cfg");
    ASSERT_TRUE(LoadConfigFileOverDefaults(dir / "car1.cfg"));
    std::array<std::uint8_t, 3> a{};
    ASSERT_TRUE(Param_Encode('A', c, a));
    EXPECT_EQ(a, (std::array<std::uint8_t, 3>{'A', 0x01, 0x90}));

    // A value changed goes through the conversion (without a table the ECU's bytes go; zeros
    // hold the page to the 0 they carry). The ECU holds what it took, which goes again while
    // the value stands, if the table then goes; a value it could not be sent goes once it can.
    Decode_Param_Reply(params, c);
    page = ConfigToCFGPageValues();
    page.PG_Temper = "30";
    CFG_Page_To_Config(page);
    Bytes expected = asReceived(Param_Write_List1, params, paramAt);
    if (table == "linear") TemperatureToSensorBytes(30, expected[4], expected[5]);
    EXPECT_EQ(sent(Param_Write_List1), expected);
    Param_List_Taken();
    Session().ConfigData.SensorTableFileName = dir / (table == "none" ? "linear.dat" : "gone.dat");
    if (table == "none") TemperatureToSensorBytes(30, expected[4], expected[5]);
    EXPECT_EQ(sent(Param_Write_List1), expected);
  }
}

TEST(FirmwareFamily, BordersOfBothTests) {
  const ecu_test::FreshModel fresh;
  auto family = [](const char* text) {
    Session().LiveData.FirmwareVersion100 = FirmwareVersionFromText(text).value_or(0);
    return std::pair{IsVersion155To199(), IsVersion155To199Or357To399()};
  };
  EXPECT_EQ(family("1.55"), (std::pair{true, true}));
  EXPECT_EQ(family("1.99"), (std::pair{true, true}));
  EXPECT_EQ(family("1.54"), (std::pair{false, false}));
  EXPECT_EQ(family("2.00"), (std::pair{false, false}));
  EXPECT_EQ(family("3.57"), (std::pair{false, true}));
  EXPECT_EQ(family("3.99"), (std::pair{false, true}));
  EXPECT_EQ(family("3.56"), (std::pair{false, false}));
  EXPECT_EQ(family("4.00"), (std::pair{false, false}));
}

TEST(FirmwareFamily, VersionTextsFromTheirDigits) {
  EXPECT_EQ(FirmwareVersionFromText("2.01"), 201);  // a float multiply would give 200
  EXPECT_EQ(FirmwareVersionFromText("2.10"), 210);
  EXPECT_EQ(FirmwareVersionFromText(" 1,60"), 160);
  EXPECT_EQ(FirmwareVersionFromText("3"), 300);
  EXPECT_EQ(FirmwareVersionFromText("1.5"), 150);
  for (std::string bad : {"", "    ", "v1.6", "1.6x", "1..6", ".60", "1.605", "1.\xFF" "0"})
    EXPECT_FALSE(FirmwareVersionFromText(bad).has_value()) << bad;
}

}  // namespace

}  // namespace codec_test
