// The link layer between the dialogue scripts and the serial port: sends each request a
// reply delay after it was built, resends it until a good reply comes, checks replies,
// restarts the dialogue after 5 s without a good reply, runs the handshake that finds the
// ECU, and shows the link's state (connection quality, port name, link buttons).
//
// Frame on the wire, both ways: address, command, data, checksum (sum of the bytes before
// it, modulo 256). All of it runs on the GUI thread; the buffers below are its single
// globals.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace ecu {

constexpr int FrameBufferSize = 256;
using TFrameBuffer = std::array<std::uint8_t, FrameBufferSize>;

extern TFrameBuffer TxFrame;              // request being built
extern TFrameBuffer LastFrame;            // request last written; byte 0 is the address
extern TFrameBuffer RxFrame;              // reply buffer, filled by the receive handler
extern std::uint8_t TxLength;             // length of the request in TxFrame
extern std::uint8_t TxListLength;         // length of the next long request
extern std::uint8_t RxExpectedLength;     // length of the reply the request expects; 0: none can match
extern std::uint8_t FrameReady;           // a newly built request waits for the send timer
extern std::uint8_t TaskRequest;          // dialogue task wanted next
extern std::uint8_t LinkUp;               // the ECU has answered the handshake
extern std::uint8_t PortOpen;             // the port is open
extern std::uint8_t HandshakeCount;       // handshake requests built since the last reset
extern std::uint8_t PortSearching;        // the automatic port search runs
extern std::uint8_t ACBRunning;           // the automatic calibration runs (set by the application)
extern std::uint8_t SettingsWindowShown;  // set by the application
extern std::int32_t ConnectQuality;       // percent, 0..100
extern std::int32_t QualityDecayStep;     // percent per tick of the quality timer
// A written request awaits its reply: set by each write, cleared by the good reply. A reply
// that comes while none is awaited (a late copy of one already taken) is refused, so that it
// can never be read as the reply to the request built after it.
extern std::uint8_t ReplyAwaited;
// The next tick of the quality timer is the first after a good reply and only sets the pace.
extern std::uint8_t QualityPacePending;
// While a reply is checked: the application-clock time its last byte was read; negative
// otherwise. A request built meanwhile goes the reply delay after that byte, so that the
// quiet time before the check and the check itself come out of the reply delay.
extern double ReplyEndTime;

// The step time-out: no good reply for this long resets the link.
constexpr std::uint32_t StepTimeoutMs = 5000;
// Added to the port's read interval for the resend period.
constexpr std::uint32_t ResendMarginMs = 50;

// Sets RxExpectedLength to DataLength + 3, or to 0 (no reply can match, so the request is
// resent until the step time-out) when that does not fit in a byte.
void ExpectReply(int DataLength);

// The send tick (Timer_Sending).
void Send_Tick();
void Frame_Write();
// Checks the reply in RxFrame of which Count bytes were read; a good one runs the script on.
void Frame_Check_Reply(int Count);
// The step time-out (Timer_Connect).
void Reply_Timeout();

void Handshake_Send();
void Handshake_Step();   // script instruction 30
void Handshake_Reply();  // script instruction 31

void Link_After_Open();
void Link_Reset();

void Connect_Quality_Full();
void UpdateConnectQuality();  // tick of Timer_GEN_Connect_Stabil
void Quality_Decay();
void Quality_Show_Zero();
// The pace of the decay for a step time-out T and reply delay D (milliseconds): percent per
// tick and tick interval. Ends for every D; when no step of 1..100 percent brings the quality
// to 0 inside T - D, the whole 100 goes in one tick.
void QualityPace(std::int32_t T, std::int32_t D, std::int32_t& Step, std::int32_t& Interval);
// "#AARRGGBB" of the quality label for a percentage.
std::string QualityColor(std::int32_t Quality);

void Link_Buttons_Enable();
void Port_Search_Button_Show(bool Show);

// Clears every dialogue buffer and flag (program start; tests).
void Link_Clear();

}  // namespace ecu
