// The parameter codec: the ECU keeps its configuration as parameters, each named by a one-byte
// code and holding a 16-bit value (high byte first on the wire). This unit has the list of
// codes read with the parameter request, the two lists written with the "2" and "3" requests,
// the decoder of each readable code, the encoder of each writable code, and the packer that
// puts code, high byte and low byte of every listed parameter into a request. It also keeps
// the calibration points' shared values that the point codes carry.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "ecu/Config_Unit.h"
#include "ecu/Link_State.h"

namespace ecu {

// The code list in use is Link.ReadList.

// Count + 1, then the code at that position; a full list takes no more codes.
void ReadList_Add(std::uint8_t Code);
// The 49 codes of the parameter reply, and 170, 171, 172 when IsVersion155To199Or357To399.
void Param_Read_List_All();
// The 22 codes written with the "2" request.
void Param_Write_List1();
// The 27 codes written with the "3" request: slope, gas-time and petrol-time code of each of
// the nine calibration points.
void Param_Write_List2();

// Codes of calibration point 0..8: slope, gas time, petrol time.
std::array<std::uint8_t, 3> PointCodes(int Point);

// ConfigData.DiagramSlopes[0] := 1.0; for k = 1..8 |Y[k] - Y[k-1]| / (X[k] - X[k-1]), 1.0 where the
// petrol times are equal.
void CalcDiagramSlopes();

// Runs the code's decoder on the value bytes h, l into the configuration; codes without a
// decoder change nothing. A temperature that the sensor table cannot convert leaves its field.
void Param_Decode(std::uint8_t Code, std::uint8_t High, std::uint8_t Low, Configuration_Class& Config);
// The values a code's two bytes carry: those of the configuration and the calibration points
// that its encoder reads, and for "D" the gas type (Param_68 follows the gas type the page
// shows, while the ECU's "D" is never decoded); none for a code without an encoder.
std::optional<TParamValues> ParamValues(std::uint8_t Code, const Configuration_Class& Config);
// The code's triple (code, h, l): the bytes the ECU holds (Link.ReceivedParams) while the
// configuration's values for the code are those the bytes stand for (Link.HeldValues), else
// the values converted from the configuration and the calibration arrays; false (and Triple
// untouched) for a code without an encoder.
bool Param_Encode(std::uint8_t Code, const Configuration_Class& Config, std::array<std::uint8_t, 3>& Triple);
// Encodes every code of Link.ReadList in order into Out (3 bytes a code); returns the bytes
// written. Out must hold 3 x Link.ReadList.Count bytes. What was packed is kept
// (Link.WrittenParams) until the ECU takes it.
int Param_Pack_List(const Configuration_Class& Config, std::span<std::uint8_t> Out);
// The ECU answered the list request last built: it holds those bytes now, for the values they
// were packed from.
void Param_List_Taken();
// The points reply: the ECU sent this record (slope, gas time, petrol time) of calibration point
// Point, the bytes of its three codes; once the records are decoded, the codes of the first
// Points points hold the values the points stand at.
void Point_Params_Received(int Point, std::span<const std::uint8_t, 6> Record);
void Point_Params_Hold(int Points);

// The parameter reply (whole frame: address, command, values, checksum): the full read list
// is built and each value that lies wholly inside the frame's data is decoded; values beyond a
// short reply are left as they were.
void Decode_Param_Reply(std::span<const std::uint8_t> Frame, Configuration_Class& Config);

}  // namespace ecu
