// The link layer between the dialogue scripts and the serial port: sends each request a
// reply delay after it was built, resends it until a good reply comes, checks replies,
// restarts the dialogue after 5 s without a good reply, runs the handshake that finds the
// ECU, keeps the connection quality, and tells the host each change of the link's state
// (its phase, a reply awaited, the quality), which the application shows.
//
// Frame on the wire, both ways: address, command, data, checksum (sum of the bytes before
// it, modulo 256). All of it runs on the GUI thread; its buffers and flags are the link
// state (ecu/Link_State.h).
#pragma once

#include <cstdint>

#include "ecu/Link_State.h"

namespace ecu {

// The step time-out: no good reply for this long resets the link.
constexpr std::uint32_t StepTimeoutMs = 5000;
// Added to the port's read interval for the resend period.
constexpr std::uint32_t ResendMarginMs = 50;

// Sets Link.RxExpectedLength to DataLength + 3, or to 0 (no reply can match, so the request is
// resent until the step time-out) when that does not fit in a byte.
void ExpectReply(int DataLength);

// The send tick (Timer_Sending).
void Send_Tick();
void Frame_Write();
// Checks the reply in Link.RxFrame of which Count bytes were read; a good one runs the script on.
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

}  // namespace ecu
