#include <gtest/gtest.h>

#include "ecu/Calc_Unit.h"

#include <cmath>
#include <filesystem>
#include <functional>
#include <iomanip>
#include <string>
#include <limits>
#include <vector>

#include "ecu/Config_Unit.h"
#include "ecu/Session.h"
#include "platform/rtl/SysUtils.h"
#include "tests/Fifo.h"
#include "tests/ecu/FreshModel.h"
#include "tests/ecu/TempDir.h"
#include "tools/linkrec/Recorder.h"

namespace calc_unit_test {

using namespace ecu;

namespace {

std::pair<int, int> Bytes(void (*f)(std::int32_t, std::uint8_t&, std::uint8_t&), std::int32_t v) {
  std::uint8_t h = 0xAA, l = 0xAA;
  f(v, h, l);
  return {h, l};
}

TEST(Calc, RPMAndPeriods) {
  EXPECT_EQ(PeriodToRPM(0x00, 0x00), 0);
  EXPECT_EQ(PeriodToRPM(0xFF, 0xFF), 0);
  EXPECT_EQ(PeriodToRPM(0x0E, 0xA6), 8000);
  EXPECT_EQ(PeriodToRPM(0x00, 0x01), 8000);
  EXPECT_EQ(PeriodToRPM(0x75, 0x30), 1000);

  EXPECT_EQ(Bytes(RPMToPeriodBytes, 1000), std::make_pair(0x75, 0x30));
  EXPECT_EQ(Bytes(RPMToPeriodBytes, 800), std::make_pair(0x92, 0x7C));
  EXPECT_EQ(Bytes(RPMToPeriodBytes, 0), std::make_pair(0, 0));
  EXPECT_EQ(Bytes(RPMToPeriodBytes, -5), std::make_pair(0, 0));
  // Below the slowest encodable speed the period is clamped, never wrapped.
  for (std::int32_t rpm : {457, 400, 1, 100}) {
    const auto [h, l] = Bytes(RPMToPeriodBytes, rpm);
    EXPECT_EQ(PeriodToRPM(static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(l)), 457) << rpm;
  }
  const auto [h, l] = Bytes(RPMToPeriodBytes, 458);
  EXPECT_EQ(PeriodToRPM(static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(l)), 458);
  EXPECT_NE(Bytes(RPMToPeriodBytes, 40000000), std::make_pair(0, 0));
}

TEST(Calc, AnalogueScaling) {
  const ecu_test::FreshModel fresh;
  EXPECT_EQ(ADCToScaled(0x00, 0x00), 0);
  EXPECT_EQ(ADCToScaled(0x03, 0xFF), 448);
  EXPECT_EQ(ADCToScaled(0x02, 0x00), 224);
  EXPECT_EQ(ADCToScaled(0x00, 0xE4), 100);
  EXPECT_EQ(ADCToScaled(0xFC, 0x01), ADCToScaled(0x00, 0x01));
  EXPECT_EQ(ADCTimesTwo(0x03, 0xFF), 2046);
  EXPECT_EQ(ADCTimesTwo(0xFC, 0x01), 2);

  EXPECT_EQ(ScaleForECU(10, 45, 1315), 1026);
  EXPECT_EQ(ScaleForECU(1, 100, 1315), 228);
  EXPECT_EQ(ScaleForECU(1, 448, 1315), 1022);
  EXPECT_EQ(ScaleForECU(1, 0, 1315), 0);
  std::uint8_t h = 0, l = 0;
  ScaleToBytes(10, 45, h, l);  // no configuration: the default factor
  EXPECT_EQ(h, 0x04);
  EXPECT_EQ(l, 0x02);
  HalfToBytes(1001, h, l);
  EXPECT_EQ(h, 0x01);
  EXPECT_EQ(l, 0xF4);
}

TEST(Calc, ScaleForECUEndsForEveryFactor) {
  auto shown = [](std::int64_t n, int k, int p90) {
    const double d = p90 * 0.2046 * 0.8479;
    const double x = n * 100 / d + 0.5;
    return std::isnan(x) ? 0 : static_cast<std::int64_t>(std::min(x, 2147483647.0)) / k;
  };
  for (int p90 : {1315, 577, 576, 300, 100, 1, 0, -5}) {
    for (int k : {1, 10}) {
      for (int v = 0; v <= 200; v += 3) {
        const std::int32_t n = ScaleForECU(k, v, p90);
        ASSERT_GE(n, 0);
        ASSERT_LE(n, 0xFFFF);
        if (p90 <= 0) {
          EXPECT_EQ(n, 0);
          continue;
        }
        // Nothing nearer exists among the neighbours.
        const auto dist = [&](std::int64_t m) { return std::llabs(shown(m, k, p90) - v); };
        if (n > 0) {
          EXPECT_LE(dist(n), dist(n - 1)) << p90 << " " << k << " " << v;
        }
        EXPECT_LE(dist(n), dist(n + 1)) << p90 << " " << k << " " << v;
        if (p90 >= 577) {
          EXPECT_EQ(dist(n), 0) << p90 << " " << k << " " << v;
        }
      }
    }
  }
  EXPECT_EQ(ScaleForECU(0, 45, 1315), ScaleForECU(1, 45, 1315));
  EXPECT_EQ(ScaleForECU(1, -5, 1315), 0);
}

TEST(Calc, SignedPercentageByte) {
  auto encode = [](int p, int r = 100, int s = 32768) {
    std::uint8_t h = 0, l = 0;
    PercentToBytes(p, r, s, h, l);
    return std::make_pair(int(h), int(l));
  };
  EXPECT_EQ(encode(50), std::make_pair(64, 163));
  EXPECT_EQ(encode(-50).first, 0xC0);
  EXPECT_EQ(encode(1).first, 2);
  EXPECT_EQ(encode(4).first, 6);
  EXPECT_EQ(encode(99).first, 127);
  EXPECT_EQ(encode(0), std::make_pair(5, 0));
  EXPECT_EQ(encode(30, 0), std::make_pair(5, 0));
  for (int p = 1; p <= 99; ++p) EXPECT_NE(encode(p).first, 5) << p;
  // Out of range: clamped to the largest code, not wrapped to "-0".
  EXPECT_EQ(encode(100).first, 127);
  EXPECT_EQ(encode(500).first, 127);
  EXPECT_EQ(encode(-150).first, 0xFF);
}

TEST(Calc, NumbersAndTexts) {
  EXPECT_EQ(FloatToInt(2.9), 2);
  EXPECT_EQ(FloatToInt(-2.9), -2);
  EXPECT_EQ(FloatToInt((23.0 / 25 * 16 + 1.5) * 1000), 16220);  // just below 16220 in binary
  EXPECT_EQ(FloatToInt(std::nan("")), 0);
  EXPECT_EQ(FloatToInt(-2147483648.0), INT32_MIN);
  EXPECT_THROW(FloatToInt(std::numeric_limits<double>::infinity()), rtl::EConvertError);
  EXPECT_THROW(FloatToInt(3e9), rtl::EConvertError);
  {
    // Truncation after rounding to 15 significant digits, for every kind of value: far from
    // integers, a few units of the last place from them on either side, and results of the
    // arithmetic the diagram does.
    const auto byText = [](double v) {
      rtl::TryStrToFloat(rtl::FloatToStrF(v, rtl::ffGeneral, 15, 0), v);
      return static_cast<std::int32_t>(std::trunc(v));
    };
    std::vector<double> values;
    for (double n : {1.0, 2.0, 7.0, 100.0, 16220.0, 99999.0, 123456789.0, 2147483647.0}) {
      for (double sign : {1.0, -1.0}) {
        double up = sign * n, down = sign * n;
        values.push_back(sign * n);
        for (int k = 0; k < 40; ++k) {
          values.push_back(up = std::nextafter(up, HUGE_VAL));
          values.push_back(down = std::nextafter(down, -HUGE_VAL));
        }
        for (double r : {1e-16, 4e-15, 5e-15, 6e-15, 1e-14, 2e-14, 1e-13, 0.3, 0.5, 0.99})
          values.push_back(sign * (n + n * r)), values.push_back(sign * (n - n * r));
      }
    }
    for (int a = 1; a < 60; ++a)
      for (int b = 1; b < 30; ++b) values.push_back((a / 25.0 * b + 1.5) * 1000), values.push_back(a * 0.1 * b);
    for (double v : values) {
      if (std::fabs(v) >= 2147483647.0) continue;
      EXPECT_EQ(FloatToInt(v), byText(v)) << std::setprecision(17) << v;
    }
  }

  EXPECT_EQ(TextToFloat("1,5"), 1.5);
  EXPECT_EQ(TextToFloat("1.5"), 1.5);
  EXPECT_EQ(TextToFloat(""), 0.0);
  EXPECT_THROW(TextToFloat("abc"), rtl::EConvertError);

  EXPECT_EQ(PercentOf(-250, 3), -7);

  EXPECT_EQ(FormatTenths(123), "12.3");
  EXPECT_EQ(FormatThousandths(12345), "12.34");
  EXPECT_EQ(FormatHundredths(1234), "12.30");  // three significant digits
  EXPECT_EQ(LevelToVoltText(1023), "5.00");
  EXPECT_EQ(LevelToVoltText(512), "2.50");
  EXPECT_EQ(LevelToVoltText(248), "1.21");
  EXPECT_EQ(LevelToVoltText(55), "0.27");
}

TEST(Calc, HexColoursAndFontStyles) {
  EXPECT_EQ(HexByteToInt("a5"), 165);
  for (const char* bad : {"5", "zz", "0x", "1g"}) EXPECT_EQ(HexByteToInt(bad), -1) << bad;
  EXPECT_EQ(UpperCaseASCII("ab\xE0z"), "AB\xE0Z");

  EXPECT_EQ(ColorToARGBText(0x000000FF), "#FFFF0000");
  EXPECT_EQ(ColorToARGBText(0x00332211), "#FF112233");
  EXPECT_EQ(ColorToARGBText(0x80000005), "#FFFFFFFF");  // the window colour
  TColor c = 0x00ABCDEF;
  EXPECT_TRUE(ARGBTextToColor("#80112233", c));
  EXPECT_EQ(c, 0x00332211u);
  EXPECT_TRUE(ARGBTextToColor("#ffa4f964", c));
  EXPECT_EQ(c, 0x0064F9A4u);
  for (const char* bad : {"", "#", "#FF11223", "#FF1122334", "FF112233X", "#FF11G233", "#FF 12233"}) {
    c = 0x00ABCDEF;
    EXPECT_FALSE(ARGBTextToColor(bad, c)) << bad;
    EXPECT_EQ(c, 0x00ABCDEFu) << bad;
  }

  EXPECT_EQ(FontStyleToIndex(fsBold | fsItalic), 3);
  EXPECT_EQ(FontStyleToIndex(fsBold | fsUnderline), 0);
  EXPECT_EQ(IndexToFontStyle(4), 0);
  EXPECT_EQ(FontStyleToText(7), "vgFontRegular");
  EXPECT_EQ(TextToFontStyle("vgfontbold"), 0);
}

// Records the message window's requests.
class RecordingHost : public linkrec::Recorder {
public:
  bool shown = true;
  std::vector<int> messages;
  std::vector<std::string> texts;
  bool MainWindowShown() const override { return shown; }
  void ShowMessageWindow(std::uint8_t kind, const std::string& text) override {
    messages.push_back(kind);
    texts.push_back(text);
    Recorder::ShowMessageWindow(kind, text);
  }
};

class SensorTable : public ::testing::Test {
protected:
  void SetUp() override { Session().ConfigData.SensorTableFileName = dir / "gascal.dat"; }
  void WriteTable(std::vector<std::int16_t> entries, std::size_t bytes = 2048) {
    entries.resize(1024, 0);
    std::string data;
    for (std::int16_t e : entries) {
      data += static_cast<char>(static_cast<std::uint16_t>(e) & 0xFF);
      data += static_cast<char>(static_cast<std::uint16_t>(e) >> 8);
    }
    data.resize(bytes);
    ecu_test::WriteFile(Session().ConfigData.SensorTableFileName, data);
  }
  ecu_test::FreshModel fresh;
  ecu_test::TempDir dir;
  RecordingHost host;
};

// The degrees held are those that go out and come back unchanged: 40 reads back as 39 from
// the entry 399, and 39 goes out as the entry 385 (38); beyond the table, its ends.
TEST_F(SensorTable, TemperatureAsCarriedGoesOutAndComesBackUnchanged) {
  std::vector<std::int16_t> table(1024, 100);  // a whole table, its end at 10.0 degrees
  table[0] = 1500, table[1] = 399, table[2] = 385;
  WriteTable(table);
  EXPECT_EQ(TemperatureAsCarried(40), 38);
  EXPECT_EQ(TemperatureAsCarried(38), 38);
  EXPECT_EQ(TemperatureAsCarried(3276), 150);
  EXPECT_EQ(TemperatureAsCarried(-3276), 10);
  for (std::int32_t t = -100; t <= 200; ++t) {
    const std::int32_t held = TemperatureAsCarried(t).value();
    std::uint8_t h = 0, l = 0;
    ASSERT_TRUE(TemperatureToSensorBytes(held, h, l));
    EXPECT_EQ(SensorTableValue(h, l).value() / 10, held) << t;
  }
  WriteTable(std::vector<std::int16_t>(1024, -105));  // negative tenths are cut toward zero, as the decoder cuts them
  EXPECT_EQ(TemperatureAsCarried(-20), -10);
  Session().ConfigData.SensorTableFileName = dir / "none.dat";
  EXPECT_EQ(TemperatureAsCarried(40), std::nullopt);
}

TEST_F(SensorTable, LooksUpReadingsAndTheNearestEntry) {
  std::vector<std::int16_t> t(1024, -400);
  t[0] = 1200, t[1] = 900, t[2] = 700, t[3] = 475, t[4] = 465, t[5] = 440;
  t[300] = 450;
  t[301] = -100;
  WriteTable(t);
  EXPECT_EQ(SensorTableValue(0x01, 0x2C), 450);
  EXPECT_EQ(SensorTableValue(0xFD, 0x2C), 450);  // upper bits masked
  EXPECT_EQ(SensorTableValue(0x01, 0x2D), -100);

  std::uint8_t h = 9, l = 9;
  ASSERT_TRUE(TemperatureToSensorBytes(47, h, l));  // 475 and 465 equally near 470: the later wins
  EXPECT_EQ(h, 0);
  EXPECT_EQ(l, 4);
  ASSERT_TRUE(TemperatureToSensorBytes(200, h, l));
  EXPECT_EQ(l, 0);
  ASSERT_TRUE(TemperatureToSensorBytes(-40, h, l));  // along the flat run up to the first farther entry
  EXPECT_EQ(h, 0x01);
  EXPECT_EQ(l, 0x2B);
  EXPECT_TRUE(host.messages.empty());

  for (int i = 0; i < 1024; ++i) t[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(1000 - i);
  WriteTable(t);
  ASSERT_TRUE(TemperatureToSensorBytes(-300, h, l));  // beyond the last entry: the walk ends there
  EXPECT_EQ(h, 0x03);
  EXPECT_EQ(l, 0xFF);
}

TEST_F(SensorTable, MissingOrEmptyTableShowsTheMessageOnceUntilReadable) {
  std::uint8_t h = 9, l = 9;
  host.shown = false;
  EXPECT_EQ(SensorTableValue(0, 1), std::nullopt);
  EXPECT_TRUE(host.messages.empty());  // waits for the main window
  host.shown = true;
  EXPECT_EQ(SensorTableValue(0, 1), std::nullopt);
  EXPECT_FALSE(TemperatureToSensorBytes(20, h, l));
  EXPECT_EQ(h, 9);
  EXPECT_EQ(l, 9);
  EXPECT_EQ(host.messages, std::vector<int>{12});

  WriteTable({7, 8});
  EXPECT_EQ(SensorTableValue(0, 1), 8);
  EXPECT_EQ(Session().ConfigData.SensorTableMessageArmed, 1);

  for (std::size_t bytes : {0u, 1u}) {
    WriteTable({7, 8}, bytes);
    EXPECT_EQ(SensorTableValue(0, 0), std::nullopt) << bytes;
    EXPECT_FALSE(TemperatureToSensorBytes(0, h, l)) << bytes;
  }
  EXPECT_EQ(host.messages, (std::vector<int>{12, 12}));
}

// The table is read only from a regular file: a FIFO of its name (which would hold the GUI
// thread in the open until some writer came), a device or a folder is no table.
TEST_F(SensorTable, AFifoADeviceOrAFolderIsNoTableAndIsNotWaitedOn) {
  host.shown = true;
  testfifo::Fifo fifo(Session().ConfigData.SensorTableFileName);
  ASSERT_TRUE(fifo.Made());
  EXPECT_TRUE(testfifo::ReturnsWithin(5000, [] { EXPECT_EQ(SensorTableValue(0, 1), std::nullopt); }, fifo));
  EXPECT_EQ(host.messages, std::vector<int>{12}) << "said once";
  EXPECT_EQ(host.texts, std::vector<std::string>{SensorTableNotRegular}) << "not as a missing table";
  for (const std::string& other : {std::string("/dev/zero"), dir / "folder.dat"}) {
    std::filesystem::create_directories(dir / "folder.dat");
    Session().ConfigData.SensorTableFileName = other;
    EXPECT_EQ(SensorTableValue(0, 1), std::nullopt) << other;
  }
}

// A table is 2048 bytes: a file of another size is none (a random file of 100 MB had given
// temperatures of -2063.4 degrees), and the message says what is wrong with the file, once
// until a good table is read again.
TEST_F(SensorTable, AFileThatIsNoTableIsNotUsedAndTheMessageSaysWhy) {
  const std::string file = Session().ConfigData.SensorTableFileName;
  const auto rearm = [&] {
    WriteTable({700, 500});
    EXPECT_EQ(SensorTableValue(0, 0), 700);
  };
  struct Case {
    std::function<void()> Make;
    const char* Fault;
  };
  const Case cases[] = {
      {[&] { WriteTable({700, 500, 300}, 5); }, SensorTableTooShort},
      {[&] { WriteTable({700}, 1); }, SensorTableTooShort},
      {[&] { WriteTable({}, 0); }, SensorTableTooShort},
      {[&] { WriteTable({700, 500}, 2049); }, SensorTableTooLong},
      {[&] { std::filesystem::resize_file(file, std::uintmax_t{100} << 20); }, SensorTableTooLong},
      {[&] { std::filesystem::remove(file); }, SensorTableNotFound},
      {[&] {
         std::filesystem::remove(file);
         std::filesystem::create_directories(file);
       },
       SensorTableNotRegular},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(file);
    rearm();
    c.Make();
    host.texts.clear();
    SCOPED_TRACE(c.Fault);
    EXPECT_EQ(SensorTableValue(0, 0), std::nullopt);
    std::uint8_t h = 9, l = 9;
    EXPECT_FALSE(TemperatureToSensorBytes(-100, h, l));
    EXPECT_EQ(h * 256 + l, 9 * 256 + 9);
    EXPECT_EQ(host.texts, std::vector<std::string>{c.Fault}) << "said once";
    EXPECT_TRUE(IsSensorTableFault(c.Fault));
  }
  EXPECT_FALSE(IsSensorTableFault(""));
  EXPECT_FALSE(IsSensorTableFault("Error_Temperature"));
}

}  // namespace

}  // namespace calc_unit_test
