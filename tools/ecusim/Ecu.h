// The simulated ECU: its state and how it answers each request frame.
// Pure logic without I/O; Simulator puts it on a pseudo-terminal.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace ecusim {

using Frame = std::vector<std::uint8_t>;

// One byte on a 9600 baud 8N1 line: start bit, 8 data bits, stop bit.
constexpr double kByteTimeMs = 10.0 * 1000.0 / 9600.0;

// Command bytes the ECU knows.
namespace cmd {
constexpr std::uint8_t Handshake = '!', Identify = '0', Live = '#', NameRead = ',', Params = '$', Points = '%',
                       MapGas = '\'', MapPetrol = '(', EraseGas = ')', ErasePetrol = '*', ClearErrors = '&',
                       Mode = '"', Announce = '1', NameWrite = '-', WriteList1 = '2', WriteList2 = '3',
                       RpmHeader = '/', RpmChunk = '7', RpmWriteBegin = '.', RpmWriteData = '6';
}

// Sum of the bytes, modulo 256.
std::uint8_t Checksum(const std::uint8_t* data, std::size_t count);
// address, command, data, checksum.
Frame MakeFrame(std::uint8_t address, std::uint8_t command, const Frame& data = {});
// "19 21 2A 64"
std::string HexText(const Frame& frame);

// The parameter codes in the order of the parameter reply: 49 codes, 52 for the firmware
// families that carry three more.
const std::vector<std::uint8_t>& ParamReadOrder();
// Slope, gas-time and petrol-time codes of calibration point 0..8.
std::array<std::uint8_t, 3> PointCodes(int point);
// Firmware text "d.dd" whose family sends the long parameter block (1.55..1.99, 3.57..3.99).
bool HasLongParamBlock(const std::string& firmware);

// Live values as the ECU measures them; raw readings as they travel on the wire.
struct LiveValues {
  int Rpm = 800;                        // 0 = engine stopped
  std::uint16_t TempVapReading = 620;   // 10-bit temperature-sensor readings
  std::uint16_t TempGasReading = 540;
  std::uint8_t Status = 0xC0;           // bits 4..7: data saved, data not saved, pressure normal, engine runs
  std::uint16_t Level = 560;            // 10-bit level-sensor reading
  std::uint16_t PressVapReading = 270;  // 10-bit pressure readings (270 is about 1.18 bar)
  std::uint16_t PressCollReading = 75;
  std::uint16_t Analog18Reading = 300;
  std::array<std::uint16_t, 4> PetrolTimes{3000, 3020, 2980, 3010};  // microseconds
  std::array<std::uint16_t, 4> GasTimes{0, 0, 0, 0};                // used as they stand when not animated
  std::uint8_t Errors1 = 0, Errors2 = 0;
  std::uint8_t WorkMode = 1;            // 1 petrol, 2 automat, 4 gas
};

// The engine on gas. For the petrol time p it takes on petrol the engine needs the gas time
// GasSlope * p + GasOffset; the petrol ECU's closed loop then settles at the petrol time p'
// at which the ECU's calibration diagram gives that gas time (within the diagram's petrol
// range), so a cylinder on gas reports p' and the diagram's gas time there. When the diagram
// matches the engine, p' = p.
struct EngineModel {
  bool On = false;
  double GasSlope = 1.3, GasOffset = 800;  // microseconds
  int NoiseUs = 10;                        // measurement noise of p', +-
};

struct EcuState {
  std::uint8_t Address = 25;
  // Identification.
  std::uint8_t IdentLength = 42;        // data bytes of the identification reply, sent with the handshake
  std::uint8_t LayoutNumber = 21;
  std::string Name = "GASCAL ECU SIM";  // 16 characters on the wire, blank-padded
  std::string Info = "SEQ 4 CYL";       // 10 characters
  std::string Firmware = "2.10";        // "d.dd"
  std::uint32_t MinutesGas = 300, MinutesPetrol = 1200;
  std::uint8_t LiveDataLength = 37, ParamBlockLength = 98, PointBlockLength = 54, Reserved = 0,
               MapPointCount = 32;
  // Parameters by code (value = high byte * 256 + low byte); the calibration points live here too.
  std::array<std::uint16_t, 256> Params{};
  std::array<std::uint8_t, 8> CfgName{};  // 255 = no character
  std::vector<std::uint8_t> MapGas, MapPetrol;
  // R.P.M. map: R r.p.m. break points, C time break points; image = R period pairs, C time
  // bytes, R x C cell bytes (the layout of a read).
  std::uint8_t MapRows = 8, MapCols = 12;
  std::vector<std::uint8_t> MapImage;
  std::uint8_t ModeData = 1;  // data byte of the last work-mode command
  LiveValues Live;
  bool Animate = true;        // live values move around their set values
  EngineModel Engine;

  // The calibration diagram's gas time at petrol time Petrol (straight lines between the
  // points, level beyond them), and the petrol time at which it gives Gas (within the range
  // of the points' petrol times).
  double DiagramGas(double Petrol) const;
  double DiagramPetrol(double Gas) const;
  // Sets the firmware text and the parameter block length its family sends.
  void SetFirmware(const std::string& version);
  void SetCfgName(const std::string& name);
  std::string CfgNameText() const;
};

// A plausible engine at idle on petrol, with a calibration diagram, MAP points and the
// default R.P.M. map.
EcuState DefaultState();

class Ecu {
public:
  explicit Ecu(EcuState state = DefaultState());

  // Length of a request frame with this command byte; 0 when no such request can be framed
  // (unknown command, or a long frame that no announcement has sized).
  std::size_t RequestLength(std::uint8_t command) const;
  // The reply to one request, or nothing when the request is not valid (wrong length,
  // address, checksum or content): the ECU ignores it. seconds drives the live values.
  std::optional<Frame> Answer(const Frame& request, double seconds);

  EcuState& State() { return state_; }
  const EcuState& State() const { return state_; }

private:
  std::optional<Frame> Reply(const Frame& request, double seconds);
  Frame Identification() const;
  Frame LiveData(double seconds);
  // The cylinders on gas under the engine model.
  void EngineOnGas(LiveValues& v);
  Frame ParamBlock() const;
  Frame PointBlock() const;
  Frame MapBlock(const std::vector<std::uint8_t>& points) const;
  Frame RpmChunk(std::size_t count, bool repeat);
  bool RpmWrite(const Frame& data);
  void WriteTriples(const Frame& request);
  void MarkSaved() { savedPulse_ = 3; }

  EcuState state_;
  std::uint8_t announced_ = 0;          // length of the next long request
  Frame lastRequest_;
  std::size_t rpmReadPos_ = 0, rpmChunkStart_ = 0;
  Frame rpmWrite_;
  std::size_t rpmWriteTotal_ = 0;
  int savedPulse_ = 0;                  // live replies still flagging "data saved"
  std::minstd_rand noise_{25};
};

}  // namespace ecusim
