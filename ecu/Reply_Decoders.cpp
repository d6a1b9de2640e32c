#include "ecu/Reply_Decoders.h"

#include "ecu/Calc_Unit.h"
#include "ecu/Check_Versions.h"
#include "ecu/Host.h"
#include "ecu/Instruction_Unit.h"
#include "ecu/Live_Data.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Procedures_Unit.h"
#include "ecu/Session.h"
#include "ecu/Transmit_Unit.h"
#include "platform/rtl/SysUtils.h"

namespace ecu {

namespace {

// A field lies wholly inside the reply when it ends before the checksum.
bool Has(std::span<const std::uint8_t> Frame, int Offset, int Size) {
  return Offset + Size <= static_cast<int>(Frame.size()) - 1;
}

std::string Characters(std::span<const std::uint8_t> Frame, int Offset, int Count) {
  return std::string(reinterpret_cast<const char*>(Frame.data()) + Offset, static_cast<std::size_t>(Count));
}

std::int32_t Big24(std::span<const std::uint8_t> Frame, int Offset) {
  return (Frame[Offset] << 16) | (Frame[Offset + 1] << 8) | Frame[Offset + 2];
}

std::span<const std::uint8_t> Reply() { return {Session().Link.RxFrame.data(), Session().Link.RxExpectedLength}; }

void TakeBlockLength(const std::optional<std::uint8_t>& Value, std::uint8_t& Length) {
  if (Value && *Value <= MaxBlockLength) Length = *Value;
}

}  // namespace

TIdentification ReadIdentification(std::span<const std::uint8_t> Frame) {
  TIdentification id;
  if (Has(Frame, 2, 1)) id.LayoutNumber = Frame[2];
  if (Has(Frame, 3, 16)) id.ECU_Name = rtl::Trim(Characters(Frame, 3, 16));
  if (Has(Frame, 19, 10)) id.ECU_Info = Characters(Frame, 19, 10);
  if (Has(Frame, 29, 4)) id.Firmware_Version = Characters(Frame, 29, 4);
  if (Has(Frame, 33, 3)) id.Work_Gas = Big24(Frame, 33);
  if (Has(Frame, 36, 3)) id.Work_Petrol = Big24(Frame, 36);
  for (int i = 0; i < 5; ++i)
    if (Has(Frame, 39 + i, 1)) id.BlockLengths[i] = Frame[39 + i];
  return id;
}

std::string ReadCfgName(std::span<const std::uint8_t> Frame) {
  std::string name;
  for (int i = 2; i <= 9 && Has(Frame, i, 1); ++i) {
    if (Frame[i] == 0 || Frame[i] == 255) break;
    name += static_cast<char>(Frame[i]);
  }
  return name;
}

std::string CfgNameToFileName(const std::string& Name) {
  std::string result = Name;
  bool dotsOnly = true;
  for (char& c : result) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 32 || b == 127 || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos) c = '_';
    if (c != '.') dotsOnly = false;
  }
  if (dotsOnly) result.assign(result.size(), '_');
  return result;
}

void DecodePointRecords(std::span<const std::uint8_t> Frame) {
  int decoded = 0;
  for (int i = 0; i < DiagramPointCount; ++i) {
    const int at = 2 + 6 * i;
    if (!Has(Frame, at, 6)) break;
    Point_Params_Received(i, Frame.subspan(static_cast<std::size_t>(at)).first<6>());
    decoded = i + 1;
    // The ECU keeps the slope x 128, as the encoder sends it.
    Session().ConfigData.DiagramSlopes[i] = HiLoToWord(Frame[at], Frame[at + 1]) / 128.0;
    Session().ConfigData.DiagramPointY[i] = HiLoToWord(Frame[at + 2], Frame[at + 3]);
    Session().ConfigData.DiagramPointX[i] = (Frame[at + 4] & 0x7F) * 256 + Frame[at + 5];
    if (Frame[at + 4] & 0x80) Session().ConfigData.FlaggedPoint = static_cast<std::uint8_t>(i);
  }
  Point_Params_Hold(decoded);
}

void Decode_Identification() {
  const TIdentification id = ReadIdentification(Reply());
  if (Session().ConfigData.Configuration) {
    Configuration_Class& c = *Session().ConfigData.Configuration;
    if (id.ECU_Name) c.ECU_Name = *id.ECU_Name;
    if (id.ECU_Info) c.ECU_Info = *id.ECU_Info;
    if (id.Firmware_Version) c.Firmware_Version = *id.Firmware_Version;
    if (id.Work_Gas) c.Work_Gas = *id.Work_Gas;
    if (id.Work_Petrol) c.Work_Petrol = *id.Work_Petrol;
  }
  // A text that is no version gives no family.
  if (id.Firmware_Version)
    Session().LiveData.FirmwareVersion100 = FirmwareVersionFromText(*id.Firmware_Version).value_or(0);
  TakeBlockLength(id.BlockLengths[0], Session().Link.LiveDataLength);
  TakeBlockLength(id.BlockLengths[1], Session().Link.ParamBlockLength);
  TakeBlockLength(id.BlockLengths[2], Session().Link.PointBlockLength);
  if (id.BlockLengths[3]) Session().Link.BlockReserved = *id.BlockLengths[3];
  TakeBlockLength(id.BlockLengths[4], Session().ConfigData.MapPointCount);
  if (!id.LayoutNumber) return;
  Session().Link.LayoutNumber = *id.LayoutNumber;
  if (Session().Link.LayoutNumber > 39) {
    if (Session().Hosts.Host) Session().Hosts.Host->ShowMessageWindow(15, std::string());
  } else {
    Check_Versions();
  }
}

void Decode_CfgName() {
  if (!Session().ConfigData.Configuration) return;
  Configuration_Class& c = *Session().ConfigData.Configuration;
  c.Cfg_Name = ReadCfgName(Reply());
  if (c.Cfg_Name.empty()) {
    if (Session().Hosts.Host) Session().Hosts.Host->SetCfgFileNames(std::string(), std::string());
    return;
  }
  const std::string fileName = CfgNameToFileName(c.Cfg_Name);
  const std::string fullName = Session().ConfigData.ConfigDir + "/" + fileName + ".cfg";
  if (Session().Hosts.Host) Session().Hosts.Host->SetCfgFileNames(fileName, fullName);
  ReadCustomerFromFile(fullName);
  if (Session().Hosts.Host) Session().Hosts.Host->ConfigToUserPage();
}

void Decode_Params() {
  if (!Session().ConfigData.Configuration) return;
  Decode_Param_Reply(Reply(), *Session().ConfigData.Configuration);
  if (Session().Hosts.Host) Session().Hosts.Host->ConfigToCFGPage();
}

void Decode_Points() {
  DecodePointRecords(Reply());
  Session().ConfigData.SelectedPoint = -1;
  if (Session().Hosts.Host) {
    Session().Hosts.Host->RedrawCalibrationDiagram();
    Session().Hosts.Host->PushDiagramHistory();
  }
}

}  // namespace ecu
