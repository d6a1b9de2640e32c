// The simulator as the program meets it: the requests of the connect, poll and write scripts
// over the pseudo-terminal, and the replies checked byte by byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "ToolPort.h"
#include "tools/ecusim/Simulator.h"

namespace ecusim_dialogue_test {

namespace {

using ecusim::Simulator;

unsigned Word(const Bytes& f, std::size_t at) { return f.at(at) * 256u + f.at(at + 1); }

class EcuDialogue : public ::testing::Test {
protected:
  void Open(ecusim::EcuState state = ecusim::DefaultState()) {
    sim = std::make_unique<Simulator>(std::move(state));
    sim->Start();
    port = std::make_unique<ToolPort>(sim->SlavePath());
    ASSERT_TRUE(port->IsOpen());
  }
  void SetUp() override {
    ecusim::EcuState state = ecusim::DefaultState();
    state.Animate = false;
    Open(state);
  }
  void ExpectAck(const Bytes& request) {
    const Bytes ack = port->Ask(request, 4);
    ASSERT_EQ(ack.size(), 3u) << "request " << ecusim::HexText(request);
    EXPECT_EQ(ack[0], 25);
    EXPECT_EQ(ack[1], request[1]);
    EXPECT_TRUE(SumHolds(ack));
  }
  std::unique_ptr<Simulator> sim;
  std::unique_ptr<ToolPort> port;
};

TEST_F(EcuDialogue, ConnectScriptRequestsGetRepliesOfTheAnnouncedLengths) {
  EXPECT_EQ(port->Ask({0x19, 0x21, 0x21, 0x21, 0x7C}, 5), (Bytes{0x19, 0x21, 0x2A, 0x64}));

  const Bytes id = port->Ask({0x19, 0x30, 0x30, 0x30, 0xA9}, 46);  // one more than expected: none may come
  ASSERT_EQ(id.size(), 45u);
  EXPECT_TRUE(SumHolds(id));
  EXPECT_EQ(std::string(id.begin() + 3, id.begin() + 19), "GASCAL ECU SIM  ");
  EXPECT_EQ(std::string(id.begin() + 29, id.begin() + 33), "2.10");
  EXPECT_EQ((Bytes{id[33], id[34], id[35]}), (Bytes{0, 1, 44}));  // 300 minutes on gas
  EXPECT_EQ((Bytes(id.begin() + 39, id.begin() + 44)), (Bytes{37, 98, 54, 0, 32}));

  const Bytes name = port->Ask({0x19, 0x2C, 0x08, 0x08, 0x55}, 12);
  ASSERT_EQ(name.size(), 11u);
  EXPECT_EQ(name[2], 0xFF);  // no configuration name kept

  const Bytes params = port->Ask({0x19, 0x24, 0x24, 0x24, 0x85}, 102);
  ASSERT_EQ(params.size(), 101u);
  EXPECT_TRUE(SumHolds(params));
  EXPECT_EQ(Word(params, 2 + 2 * 1), 1315u);             // "Z"
  EXPECT_EQ(Word(params, 2 + 2 * 4), 20000u);            // "C": 1500 r.p.m. as a period
  EXPECT_EQ(Word(params, 2 + 2 * 23), 100u);             // "T": level 1
  EXPECT_EQ(params[2 + 2 * 39], 64);                     // 147: 50 %

  for (std::uint8_t map : {0x27, 0x28}) {
    const Bytes block = port->Ask(Req3(map), 36);
    ASSERT_EQ(block.size(), 35u);
    EXPECT_EQ(block[1], map);
    EXPECT_TRUE(SumHolds(block));
  }

  const Bytes points = port->Ask({0x19, 0x25, 0x25, 0x25, 0x88}, 58);
  ASSERT_EQ(points.size(), 57u);
  EXPECT_TRUE(SumHolds(points));
  EXPECT_EQ(Word(points, 2), 128u);                      // slope of point 0 is 1.0
  EXPECT_EQ(Word(points, 2 + 6 + 4), 0x8000u | 2500u);   // point 1: petrol time, flagged
  EXPECT_EQ(Word(points, 2 + 6 * 3 + 4), 3500u);         // point 3: not flagged

  EXPECT_EQ(port->Ask({0x19, 0x2F, 0x2F, 0x2F, 0xA6}, 6), (Bytes{0x19, 0x2F, 0x08, 0x0C, 0x5C}));
  const Bytes first = port->Ask({0x19, 0x37, 0x40, 0x40, 0xD0}, 68);
  const Bytes second = port->Ask({0x19, 0x37, 0x3C, 0x3C, 0xC8}, 64);
  ASSERT_EQ(first.size(), 67u);
  ASSERT_EQ(second.size(), 63u);
  EXPECT_TRUE(SumHolds(first) && SumHolds(second));
  Bytes map(first.begin() + 2, first.end() - 1);
  map.insert(map.end(), second.begin() + 2, second.end() - 1);
  EXPECT_EQ((Bytes(map.begin(), map.begin() + 4)), (Bytes{0xFF, 0xFF, 0xEA, 0x60}));  // 0 and 500 r.p.m.
  EXPECT_EQ(map[16 + 11], 220);                                                   // last time break point
  EXPECT_EQ(map.back(), 128);                                                      // factor 1.00

  const Bytes live = port->Ask({0x19, 0x23, 0x23, 0x23, 0x82}, 41);
  ASSERT_EQ(live.size(), 40u);
  EXPECT_TRUE(SumHolds(live));
  EXPECT_EQ(Word(live, 2), 0x927Cu);  // 800 r.p.m.
  EXPECT_EQ(live[6] & 0xF0, 0xC0);    // engine runs, pressure normal
  EXPECT_EQ(Word(live, 10), 270u);
  EXPECT_EQ(live[38], 1);             // petrol
  EXPECT_EQ(sim->Stats().Requests, 11u);
  EXPECT_EQ(sim->Stats().Ignored, 0u);
}

TEST_F(EcuDialogue, WritesChangeWhatLaterRequestsRead) {
  // Task 20: the configuration name.
  ExpectAck({0x19, 0x31, 0x31, 0x0B, 0x86});
  ExpectAck({0x19, 0x2D, 0x41, 0x42, 0x43, 0x44, 0xFF, 0xFF, 0xFF, 0xFF, 0x4C});
  const Bytes name = port->Ask({0x19, 0x2C, 0x08, 0x08, 0x55}, 11);
  ASSERT_EQ(name.size(), 11u);
  EXPECT_EQ(std::string(name.begin() + 2, name.begin() + 6), "ABCD");
  EXPECT_EQ(name[6], 0xFF);

  // Task 22: write list 1, 22 triples, 69 bytes.
  const std::uint8_t list1[] = {'Z', 'A', 'C', 'R', '\\', 159, 'D', 'E', 'S', 'T', 'U',
                                'V', 'W', 'X', 146, 147, 148, 149, 150, 151, 152, 153};
  Bytes write{0x32};
  for (std::uint8_t code : list1) write.insert(write.end(), {code, 0, 7});
  write[1 + 1] = 0x05;  // "Z" := 0x0524
  write[1 + 2] = 0x24;
  write[1 + 9 * 3 + 1] = 0x93;  // "T" := level 1 900 with two flags
  write[1 + 9 * 3 + 2] = 0x84;
  const Bytes frame = Req(write);
  ASSERT_EQ(frame.size(), 69u);
  ExpectAck({0x19, 0x31, 0x31, 0x45, 0xC0});
  ExpectAck(frame);
  const Bytes params = port->Ask(Req3('$'), 101);
  ASSERT_EQ(params.size(), 101u);
  EXPECT_EQ(Word(params, 2 + 2 * 1), 0x0524u);
  EXPECT_EQ(Word(params, 2 + 2 * 23), 0x9384u);
  EXPECT_EQ(Word(params, 2 + 2 * 45), 7u);   // 153
  EXPECT_EQ(Word(params, 2 + 2 * 3), 0u);    // "B" is not in the write list

  // Task 23: a point written with list 2 comes back in the point block.
  Bytes list2{0x33};
  for (int i = 0; i < 9; ++i) {
    const auto codes = ecusim::PointCodes(i);
    list2.insert(list2.end(), {codes[0], 0, 128, codes[1], 0x10, static_cast<std::uint8_t>(i),
                               codes[2], 0x0C, static_cast<std::uint8_t>(i)});
  }
  ASSERT_EQ(Req(list2).size(), 84u);
  ExpectAck({0x19, 0x31, 0x31, 0x54, 0xCF});
  ExpectAck(Req(list2));
  const Bytes points = port->Ask(Req3('%'), 57);
  ASSERT_EQ(points.size(), 57u);
  EXPECT_EQ(Word(points, 2 + 6 * 8 + 2), 0x1008u);
  EXPECT_EQ(Word(points, 2 + 6 * 8 + 4), 0x0C08u);

  // Task 17 (gas), then the live data: work mode 4 and the "data saved" bit after the writes.
  ExpectAck({0x19, 0x22, 0x00, 0xF4, 0x2F});
  const Bytes live = port->Ask(Req3('#'), 40);
  ASSERT_EQ(live.size(), 40u);
  EXPECT_EQ(live[38], 4);
  EXPECT_EQ(live[6] & 0x10, 0x10);
  EXPECT_EQ(sim->State().ModeData, 0xF4);

  // Task 27: erase the gas MAP points; the reply carries the erased block.
  const Bytes erased = port->Ask(Req3(')'), 35);
  ASSERT_EQ(erased.size(), 35u);
  EXPECT_EQ(erased[2], 0);
  EXPECT_EQ(port->Ask(Req3('\''), 35).at(20), 0);
  EXPECT_NE(port->Ask(Req3('('), 35).at(20), 0);  // petrol MAP untouched
}

TEST_F(EcuDialogue, RpmMapWrittenInTwoChunksReadsBack) {
  ExpectAck({0x19, 0x2E, 0x08, 0x0C, 0x5B});
  Bytes data{8, 12};
  for (int i = 0; i < 8; ++i) data.insert(data.end(), {0x75, 0x30});  // 1000 r.p.m. everywhere
  for (int j = 0; j < 12; ++j) data.push_back(static_cast<std::uint8_t>(5 * j));
  for (int c = 0; c < 96; ++c) data.push_back(static_cast<std::uint8_t>(100 + c));
  ASSERT_EQ(data.size(), 126u);
  for (auto [from, n] : {std::pair<int, int>{0, 64}, {64, 62}}) {
    ExpectAck(Req({0x31, 0x31, static_cast<std::uint8_t>(n + 3)}));
    Bytes body{0x36};
    body.insert(body.end(), data.begin() + from, data.begin() + from + n);
    const Bytes chunk = Req(body);
    ExpectAck(chunk);
    if (from == 0) ExpectAck(chunk);  // a resend after a lost acknowledgement adds nothing
  }
  EXPECT_EQ(port->Ask(Req3('/'), 5), (Bytes{0x19, 0x2F, 0x08, 0x0C, 0x5C}));
  const Bytes first = port->Ask(Req({0x37, 64, 64}), 67);
  const Bytes again = port->Ask(Req({0x37, 64, 64}), 67);  // resend: the same chunk
  const Bytes second = port->Ask(Req({0x37, 60, 60}), 63);
  ASSERT_EQ(first.size(), 67u);
  ASSERT_EQ(second.size(), 63u);
  EXPECT_EQ(again, first);
  Bytes read(first.begin() + 2, first.end() - 1);
  read.insert(read.end(), second.begin() + 2, second.end() - 1);
  EXPECT_EQ(read, Bytes(data.begin() + 2, data.end()));
}

TEST_F(EcuDialogue, LongParameterBlockForTheFamiliesThatSendIt) {
  ecusim::EcuState state = ecusim::DefaultState();
  state.SetFirmware("1.60");
  state.Params[172] = 0x1234;
  Open(state);
  const Bytes id = port->Ask(Req3('0'), 45);
  ASSERT_EQ(id.size(), 45u);
  EXPECT_EQ(id[40], 104);
  const Bytes params = port->Ask(Req3('$'), 108);
  ASSERT_EQ(params.size(), 107u);
  EXPECT_TRUE(SumHolds(params));
  EXPECT_EQ(Word(params, 2 + 2 * 51), 0x1234u);
}

TEST_F(EcuDialogue, LiveDataMovesAroundAnIdlingEngine) {
  Open();  // animated
  std::vector<unsigned> rpms;
  for (int i = 0; i < 6; ++i) {
    const Bytes live = port->Ask(Req3('#'), 40);
    ASSERT_EQ(live.size(), 40u);
    ASSERT_TRUE(SumHolds(live));
    const unsigned rpm = 30000000u / Word(live, 2);
    EXPECT_GE(rpm, 700u);
    EXPECT_LE(rpm, 900u);
    EXPECT_EQ(live[38], 1);
    EXPECT_EQ(Word(live, 28), 0u);  // no gas injection on petrol
    rpms.push_back(rpm);
  }
  EXPECT_NE(*std::min_element(rpms.begin(), rpms.end()), *std::max_element(rpms.begin(), rpms.end()));
}

TEST_F(EcuDialogue, RepliesTakeAtLeastTheirLineTime) {
  port->Send(Req3('$'));
  ASSERT_EQ(port->Read(101).size(), 101u);
  EXPECT_GE(port->ReplyMs(), 101 * ecusim::kByteTimeMs);
}

}  // namespace

}  // namespace ecusim_dialogue_test
