// Frames, the reply check and the connection quality, without a port.
#include <gtest/gtest.h>

#include "ecu/Session.h"
#include "tests/ecu/LinkFixture.h"

namespace linktest {
namespace {

using app::TControl;

class FrameTest : public LinkTest {
protected:
  // A handshake request as if written: the link awaits its four-byte reply.
  void HandshakeWritten() {
    ecu::Script_Connect_Load();
    ecu::Session().Link.ScriptPos = 1;  // the handshake cell ran
    ecu::Handshake_Send();
    ecu::Session().Link.LastFrame = ecu::Session().Link.TxFrame;
    ecu::Session().Link.FrameReady = 0;
    ecu::Session().Link.ReplyAwaited = 1;
  }
  void Reply(const Bytes& bytes) {
    std::copy(bytes.begin(), bytes.end(), ecu::Session().Link.RxFrame.begin());
    ecu::Frame_Check_Reply(static_cast<int>(bytes.size()));
  }
};

TEST_F(FrameTest, FinisherAddsTheChecksumAndArmsTheSendTimerWithTheReplyDelay) {
  ecu::Session().Link.LastFrame[0] = 25;
  ecu::Session().Link.TxLength = 5;
  ecu::BuildCommandFrame('#');
  EXPECT_EQ(Hex(Frame(ecu::Session().Link.TxFrame, 5)), "19 23 23 23 82");
  EXPECT_EQ(ecu::Session().Link.FrameReady, 1);
  EXPECT_TRUE(form->Timer_Sending->Enabled());
  EXPECT_EQ(form->Timer_Sending->Interval(), 60u);

  ecu::Handshake_Send();
  EXPECT_EQ(Hex(Frame(ecu::Session().Link.TxFrame, 5)), "19 21 21 21 7C");
  EXPECT_EQ(ecu::Session().Link.RxExpectedLength, 4);
  EXPECT_EQ(ecu::Session().Link.HandshakeCount, 1);

  // A long frame: the checksum wraps modulo 256 over all bytes before it.
  ecu::Session().Link.TxLength = 11;
  ecu::Session().Link.TxFrame = {25, '-', 'A', 'B', 'C', 'D', 255, 255, 255, 255};
  ecu::Frame_Finish();
  EXPECT_EQ(ecu::Session().Link.TxFrame[10], 0x4C);
}

TEST_F(FrameTest, NameRequestSendsEightBytesOfTheNamePaddedWith255) {
  ecu::Session().Link.LastFrame[0] = 25;
  const auto nameRequest = [](const std::string& Name) {
    ecu::Session().ConfigData.Configuration->Cfg_Name = Name;
    ecu::Session().Link.TxFrame.fill(0x55);
    ecu::Set_Name_Length();
    ecu::Request_Name_Write();
    EXPECT_EQ(ecu::Session().Link.TxLength, 11);
    EXPECT_EQ(ecu::Session().Link.RxExpectedLength, 3);
    return Hex(Frame(ecu::Session().Link.TxFrame, 11));
  };
  EXPECT_EQ(nameRequest("ABCD"), "19 2D 41 42 43 44 FF FF FF FF 4C");
  EXPECT_EQ(nameRequest(""), "19 2D FF FF FF FF FF FF FF FF 3E");
  EXPECT_EQ(nameRequest("ABCDEFGHIJ"), "19 2D 41 42 43 44 45 46 47 48 6A");  // only the first eight
}

TEST_F(FrameTest, GoodReplyRunsTheScriptOnAndShowsFullQuality) {
  HandshakeWritten();
  recorder->SetVisible(TControl::Connect_Condition, true);
  Reply({0x19, 0x21, 0x2A, 0x64});
  EXPECT_EQ(ecu::Session().Link.LinkUp, 1);
  EXPECT_EQ(ecu::Session().Link.ReplyAwaited, 0);
  EXPECT_FALSE(recorder->Control(TControl::Connect_Condition).Visible);
  EXPECT_EQ(recorder->Control(TControl::Port_Connect_Stabil).Text, "100%");
  // The identification request follows, sized by the handshake's data byte.
  EXPECT_EQ(Hex(Frame(ecu::Session().Link.TxFrame, 5)), "19 30 30 30 A9");
  EXPECT_EQ(ecu::Session().Link.RxExpectedLength, 45);
  EXPECT_TRUE(form->Timer_Connect->Enabled());
}

TEST_F(FrameTest, BadRepliesAreDroppedWithoutAnyEffect) {
  const std::vector<Bytes> bad = {
      {0x19, 0x21, 0x64},              // one byte short
      {0x19, 0x21, 0x2A, 0x64, 0x00},  // one byte long
      {0x1A, 0x21, 0x2A, 0x65},        // another address, checksum right
      {0x19, 0x22, 0x2A, 0x65},        // another command echo
      {0x19, 0x21, 0x2A, 0x65},        // checksum wrong
      {},                              // nothing read
  };
  for (const Bytes& reply : bad) {
    SCOPED_TRACE(Hex(reply));
    HandshakeWritten();
    const auto tx = ecu::Session().Link.TxFrame;
    Reply(reply);
    EXPECT_EQ(ecu::Session().Link.LinkUp, 0);
    EXPECT_EQ(ecu::Session().Link.ReplyAwaited, 1);
    EXPECT_EQ(ecu::Session().Link.ScriptPos, 1);
    EXPECT_EQ(ecu::Session().Link.TxFrame, tx);
  }
}

TEST_F(FrameTest, ReplyIsRefusedWhenNoWrittenRequestAwaitsIt) {
  HandshakeWritten();
  ecu::Session().Link.ReplyAwaited = 0;  // its reply was taken already: this is a late copy
  Reply({0x19, 0x21, 0x2A, 0x64});
  EXPECT_EQ(ecu::Session().Link.LinkUp, 0);
  EXPECT_EQ(ecu::Session().Link.ScriptPos, 1);
}

TEST_F(FrameTest, ReplyLengthsThatDoNotFitAByteAreRefused) {
  ecu::ExpectReply(252);
  EXPECT_EQ(ecu::Session().Link.RxExpectedLength, 255);
  ecu::ExpectReply(253);
  EXPECT_EQ(ecu::Session().Link.RxExpectedLength, 0);

  // A handshake announcing 253 bytes of identification: no reply to the request can match.
  HandshakeWritten();
  Reply({0x19, 0x21, 0xFD, 0x37});
  EXPECT_EQ(ecu::Session().Link.TxFrame[1], '0');
  EXPECT_EQ(ecu::Session().Link.RxExpectedLength, 0);
  ecu::Session().Link.ReplyAwaited = 1;
  const int pos = ecu::Session().Link.ScriptPos;
  for (int count : {0, 1, 2, 3}) {
    ecu::Frame_Check_Reply(count);
    EXPECT_EQ(ecu::Session().Link.ScriptPos, pos);
  }
}

TEST_F(FrameTest, IdentificationKeepsBlockLengthsThatWouldNotFit) {
  ecu::Session().Link.RxExpectedLength = 45;
  ecu::Session().Link.RxFrame.fill(' ');
  ecu::Session().Link.RxFrame[2] = 21;
  ecu::Session().Link.RxFrame[39] = 37;
  ecu::Session().Link.RxFrame[40] = 253;
  ecu::Session().Link.RxFrame[41] = 54;
  ecu::Session().Link.RxFrame[43] = 255;
  ecu::Session().Link.ParamBlockLength = 98;
  ecu::Decode_Identification();
  EXPECT_EQ(ecu::Session().Link.LiveDataLength, 37);
  EXPECT_EQ(ecu::Session().Link.ParamBlockLength, 98);
  EXPECT_EQ(ecu::Session().Link.PointBlockLength, 54);
  EXPECT_EQ(ecu::Session().ConfigData.MapPointCount, 32);
}

TEST_F(FrameTest, MapDecoderClearsTheTopBitsOfTheFirstByte) {
  ecu::Session().Link.RxExpectedLength = 3 + 32;
  ecu::Session().Link.RxFrame[2] = 228;
  ecu::Session().Link.RxFrame[3] = 100;
  ecu::Decode_MapGas();
  EXPECT_EQ(ecu::Session().ConfigData.MapPointsGas[0], 460);
  EXPECT_EQ(ecu::Session().ConfigData.MapPointsGas[1], 1280);
}

// ---- connection quality ---------------------------------------------------------------

TEST(QualityPace, DefaultsTakeTwoPercentEveryNinetyThreeMilliseconds) {
  std::int32_t step = 0, interval = 0;
  ecu::QualityPace(5000, 60, step, interval);
  EXPECT_EQ(step, 2);
  EXPECT_EQ(interval, 93);
  ecu::QualityPace(5000, 73, step, interval);
  EXPECT_EQ(interval, 93);
  // Any reply delay gives a pace, also one that leaves no time before the step time-out.
  for (std::int32_t d : {0, 1000, 4900, 4999, 5000, 9000, -50}) {
    ecu::QualityPace(5000, d, step, interval);
    EXPECT_GE(step, 1);
    EXPECT_LE(step, 100);
    EXPECT_GE(interval, 1);
  }
}

class QualityTest : public LinkTest {
protected:
  // Quality label texts and colours seen, with their times after the good reply.
  std::vector<linkrec::Record> Labels(const std::string& What) {
    return recorder->Find(What + " Port_Connect_Stabil ");
  }
};

TEST_F(QualityTest, FallsFromFullToZeroInFiftyTicksWithItsColourBands) {
  ecu::Connect_Quality_Full();
  EXPECT_EQ(recorder->Control(TControl::Port_Connect_Stabil).Text, "100%");
  clock.Advance(80);  // the first tick only sets the pace
  EXPECT_EQ(ecu::Session().Link.ConnectQuality, 100);
  clock.Advance(93);
  EXPECT_EQ(recorder->Control(TControl::Port_Connect_Stabil).Text, "98%");
  clock.Advance(93 * 4);
  EXPECT_EQ(recorder->Control(TControl::Port_Connect_Stabil).Text, "90%");
  EXPECT_EQ(clock.Now(), 545);
  clock.Advance(93 * 45);
  EXPECT_EQ(recorder->Control(TControl::Port_Connect_Stabil).Text, "0%");
  EXPECT_EQ(clock.Now(), 4730);

  // Colour at each percentage shown.
  const auto texts = Labels("text");
  const auto colors = Labels("color");
  ASSERT_EQ(texts.size(), colors.size());
  for (std::size_t i = 1; i < texts.size(); ++i) {
    const std::string t = texts[i].What.substr(texts[i].What.rfind(' ') + 1);
    const int q = rtl::StrToInt(t.substr(0, t.size() - 1));
    const std::string c = colors[i].What.substr(colors[i].What.rfind(' ') + 1);
    const char* expected = q <= 30 ? "#FFF60000" : q <= 50 ? "#FFE7A327" : q <= 60 ? "#FFE7C227" : q <= 70 ? "#FFFFFF00"
                         : q <= 80 ? "#FFDEE727" : q <= 90 ? "#FFBFE727" : "#FFA4F964";
    EXPECT_EQ(c, expected) << q;
  }
  EXPECT_EQ(recorder->QualityColor(91), "#FFA4F964");
  EXPECT_EQ(recorder->QualityColor(90), "#FFBFE727");
  EXPECT_EQ(recorder->QualityColor(31), "#FFE7A327");
  EXPECT_EQ(recorder->QualityColor(30), "#FFF60000");
}

TEST_F(QualityTest, DecaysAlsoWhenTheReplyDelayMatchesTheDecayInterval) {
  recorder->ReplyDelay = 73;  // pace interval 93 = reply delay + 20
  ecu::Connect_Quality_Full();
  clock.Advance(93);
  EXPECT_EQ(ecu::Session().Link.ConnectQuality, 100);
  clock.Advance(93 * 10);
  EXPECT_EQ(ecu::Session().Link.ConnectQuality, 80);
  clock.Advance(93 * 40);
  EXPECT_EQ(recorder->Control(TControl::Port_Connect_Stabil).Text, "0%");
}

}  // namespace
}  // namespace linktest
