#include "tools/ecusim/Ecu.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace ecusim {

namespace {

void PutWord(Frame& out, std::size_t at, unsigned value) {
  out[at] = static_cast<std::uint8_t>(value >> 8);
  out[at + 1] = static_cast<std::uint8_t>(value);
}

void PutText(Frame& out, std::size_t at, const std::string& text, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) out[at + i] = static_cast<std::uint8_t>(i < text.size() ? text[i] : ' ');
}

// Engine speed as the ECU measures it: the period in units of 2 microseconds.
unsigned RpmPeriod(int rpm) {
  if (rpm <= 0) return 0xFFFF;
  return static_cast<unsigned>(std::min(30000000 / rpm, 0xFFFE));
}

// Reply data cut or padded to the block length the identification announced.
Frame Sized(Frame data, std::size_t length) {
  data.resize(length, 0);
  return data;
}

}  // namespace

std::uint8_t Checksum(const std::uint8_t* data, std::size_t count) {
  std::uint8_t sum = 0;
  for (std::size_t i = 0; i < count; ++i) sum = static_cast<std::uint8_t>(sum + data[i]);
  return sum;
}

Frame MakeFrame(std::uint8_t address, std::uint8_t command, const Frame& data) {
  Frame frame{address, command};
  frame.insert(frame.end(), data.begin(), data.end());
  frame.push_back(Checksum(frame.data(), frame.size()));
  return frame;
}

std::string HexText(const Frame& frame) {
  std::string text;
  char hex[4];
  for (std::uint8_t b : frame) {
    std::snprintf(hex, sizeof hex, "%02X", b);
    if (!text.empty()) text += ' ';
    text += hex;
  }
  return text;
}

const std::vector<std::uint8_t>& ParamReadOrder() {
  static const std::vector<std::uint8_t> order{
      '_', 'Z', 'A', 'B', 'C', 155, 'R', '\\', 159, 'D', 165, 156, 'E', 130, 131, 166, 167, 129,
      'O', '[', 132, 133, 'S', 'T', 'U', 'V', 'W', 'X', 'F', 'G', 157, 158, 'H', 'I', 'J', 'Y',
      164, 163, 146, 147, 148, 149, 150, 151, 152, 153, 154, 168, 169, 170, 171, 172};
  return order;
}

std::array<std::uint8_t, 3> PointCodes(int point) {
  // Points 0..5 use "a".."r"; "s".."u" are skipped; points 6..8 use "v".."~".
  const int first = point < 6 ? 'a' + 3 * point : 'v' + 3 * (point - 6);
  return {static_cast<std::uint8_t>(first), static_cast<std::uint8_t>(first + 1),
          static_cast<std::uint8_t>(first + 2)};
}

bool HasLongParamBlock(const std::string& firmware) {
  if (firmware.size() != 4 || firmware[1] != '.') return false;
  for (int i : {0, 2, 3})
    if (firmware[i] < '0' || firmware[i] > '9') return false;
  const int v = (firmware[0] - '0') * 100 + (firmware[2] - '0') * 10 + (firmware[3] - '0');
  return (v >= 155 && v <= 199) || (v >= 357 && v <= 399);
}

void EcuState::SetFirmware(const std::string& version) {
  Firmware = version;
  ParamBlockLength = HasLongParamBlock(version) ? 104 : 98;
}

void EcuState::SetCfgName(const std::string& name) {
  CfgName.fill(255);
  for (std::size_t i = 0; i < name.size() && i < CfgName.size(); ++i) CfgName[i] = static_cast<std::uint8_t>(name[i]);
}

std::string EcuState::CfgNameText() const {
  std::string text;
  for (std::uint8_t b : CfgName) {
    if (b == 0 || b == 255) break;
    text += static_cast<char>(b);
  }
  return text;
}

namespace {

struct DiagramPoint {
  double Petrol, Gas;
};

std::array<DiagramPoint, 9> DiagramPoints(const EcuState& s) {
  std::array<DiagramPoint, 9> points{};
  for (int i = 0; i < 9; ++i) {
    const auto codes = PointCodes(i);
    points[static_cast<std::size_t>(i)] = {static_cast<double>(s.Params[codes[2]] & 0x7FFF),
                                           static_cast<double>(s.Params[codes[1]])};
  }
  return points;
}

}  // namespace

double EcuState::DiagramGas(double Petrol) const {
  const auto pts = DiagramPoints(*this);
  if (Petrol <= pts[0].Petrol) return pts[0].Gas;
  for (std::size_t i = 1; i < pts.size(); ++i)
    if (Petrol <= pts[i].Petrol) {
      const double span = pts[i].Petrol - pts[i - 1].Petrol;
      if (span <= 0) return pts[i].Gas;
      return pts[i - 1].Gas + (pts[i].Gas - pts[i - 1].Gas) * (Petrol - pts[i - 1].Petrol) / span;
    }
  return pts.back().Gas;
}

double EcuState::DiagramPetrol(double Gas) const {
  const auto pts = DiagramPoints(*this);
  for (std::size_t i = 1; i < pts.size(); ++i) {
    const double lo = std::min(pts[i - 1].Gas, pts[i].Gas), hi = std::max(pts[i - 1].Gas, pts[i].Gas);
    if (Gas < lo || Gas > hi) continue;
    if (hi == lo) return pts[i - 1].Petrol;
    return pts[i - 1].Petrol + (pts[i].Petrol - pts[i - 1].Petrol) * (Gas - pts[i - 1].Gas) / (pts[i].Gas - pts[i - 1].Gas);
  }
  return Gas < pts[0].Gas ? pts[0].Petrol : pts.back().Petrol;
}

EcuState DefaultState() {
  EcuState s;
  auto& p = s.Params;
  p['Z'] = 1315;                 // scaling of the pressure readings
  p['A'] = 400;                  // switch-over temperature, as a sensor reading
  p['C'] = 30000000 / 1500;      // switch-over r.p.m. as a period
  p['R'] = 128 * 256 + 0x02;     // no switch-over time; the MAP is saved
  p['\\'] = 128 * 256;           // LPG
  p[159] = 0x0004;               // switch over on a hot engine
  p['D'] = 0x0100;
  p['E'] = 4 * 256 + 1;          // r.p.m. prescaler 1:1
  p['S'] = 1 * 256;
  p['T'] = 100;                  // level thresholds
  p['U'] = 250;
  p['V'] = 400;
  p['W'] = 550;
  p['X'] = 700;
  p[146] = 0x0100;
  p[147] = 64 * 256;             // 50 %
  p[148] = 39 * 256;             // 30 %
  p[149] = 0x0180;
  p[150] = 13 * 256;             // 10 %
  p[151] = 13 * 256;
  p[152] = 500;
  p[153] = 64 * 256;
  // Calibration diagram: petrol time -> gas time, points 1 and 2 flagged as the ECU keeps them.
  const int petrol[9] = {2000, 2500, 3000, 3500, 4500, 5500, 7000, 9000, 11000};
  for (int i = 0; i < 9; ++i) {
    const auto codes = PointCodes(i);
    const int gas = petrol[i] * 118 / 100;
    const int slope = i == 0 ? 128 : (gas - petrol[i - 1] * 118 / 100) * 128 / (petrol[i] - petrol[i - 1]);
    p[codes[0]] = static_cast<std::uint16_t>(slope);
    p[codes[1]] = static_cast<std::uint16_t>(gas);
    p[codes[2]] = static_cast<std::uint16_t>(petrol[i] | (i == 1 || i == 2 ? 0x8000 : 0));
  }
  s.CfgName.fill(255);
  for (int k = 0; k < s.MapPointCount; ++k) {
    s.MapGas.push_back(static_cast<std::uint8_t>(40 + 2 * k));
    s.MapPetrol.push_back(static_cast<std::uint8_t>(38 + 2 * k));
  }
  for (int rpm : {0, 500, 1000, 1500, 2000, 2500, 3000, 4000}) {
    const unsigned period = rpm == 0 ? 0xFFFF : 30000000u / static_cast<unsigned>(rpm);
    s.MapImage.push_back(static_cast<std::uint8_t>(period >> 8));
    s.MapImage.push_back(static_cast<std::uint8_t>(period));
  }
  for (int t : {0, 10, 20, 30, 40, 50, 70, 90, 120, 150, 180, 220}) s.MapImage.push_back(static_cast<std::uint8_t>(t));
  s.MapImage.insert(s.MapImage.end(), 8 * 12, 128);  // every factor 1.00
  return s;
}

Ecu::Ecu(EcuState state) : state_(std::move(state)) {}

std::size_t Ecu::RequestLength(std::uint8_t command) const {
  switch (command) {
    case cmd::NameWrite:
    case cmd::WriteList1:
    case cmd::WriteList2:
    case cmd::RpmWriteData:
      return announced_;
    case cmd::Handshake: case cmd::Identify: case cmd::Live: case cmd::NameRead: case cmd::Params:
    case cmd::Points: case cmd::MapGas: case cmd::MapPetrol: case cmd::EraseGas: case cmd::ErasePetrol:
    case cmd::ClearErrors: case cmd::Mode: case cmd::Announce: case cmd::RpmHeader: case cmd::RpmChunk:
    case cmd::RpmWriteBegin:
      return 5;
    default:
      return 0;
  }
}

std::optional<Frame> Ecu::Answer(const Frame& request, double seconds) {
  if (request.size() < 3 || request[0] != state_.Address) return std::nullopt;
  if (request.size() != RequestLength(request[1])) return std::nullopt;
  if (Checksum(request.data(), request.size() - 1) != request.back()) return std::nullopt;
  auto reply = Reply(request, seconds);
  if (reply) lastRequest_ = request;
  return reply;
}

std::optional<Frame> Ecu::Reply(const Frame& request, double seconds) {
  const std::uint8_t c = request[1];
  const std::uint8_t a = state_.Address;
  const Frame ack = MakeFrame(a, c);
  switch (c) {
    case cmd::Handshake:
      return MakeFrame(a, c, {state_.IdentLength});
    case cmd::Identify:
      return MakeFrame(a, c, Identification());
    case cmd::Live:
      return MakeFrame(a, c, LiveData(seconds));
    case cmd::NameRead:
      return MakeFrame(a, c, Frame(state_.CfgName.begin(), state_.CfgName.end()));
    case cmd::Params:
      return MakeFrame(a, c, ParamBlock());
    case cmd::Points:
      return MakeFrame(a, c, PointBlock());
    case cmd::EraseGas:
      std::fill(state_.MapGas.begin(), state_.MapGas.end(), 0);
      [[fallthrough]];
    case cmd::MapGas:
      return MakeFrame(a, c, MapBlock(state_.MapGas));
    case cmd::ErasePetrol:
      std::fill(state_.MapPetrol.begin(), state_.MapPetrol.end(), 0);
      [[fallthrough]];
    case cmd::MapPetrol:
      return MakeFrame(a, c, MapBlock(state_.MapPetrol));
    case cmd::ClearErrors:
      state_.Live.Errors1 = state_.Live.Errors2 = 0;
      return ack;
    case cmd::Mode: {
      const std::uint8_t data = request[3];
      state_.ModeData = data;
      if (data & 4) state_.Live.WorkMode = 4;
      else if (data == 1 || data == 2) state_.Live.WorkMode = data;
      return ack;
    }
    case cmd::Announce:
      if (request[3] < 4) return std::nullopt;
      announced_ = request[3];
      return ack;
    case cmd::NameWrite:
      if (request.size() != 11) return std::nullopt;
      std::copy(request.begin() + 2, request.begin() + 10, state_.CfgName.begin());
      MarkSaved();
      return ack;
    case cmd::WriteList1:
    case cmd::WriteList2:
      if ((request.size() - 3) % 3 != 0) return std::nullopt;
      WriteTriples(request);
      MarkSaved();
      return ack;
    case cmd::RpmHeader:
      return MakeFrame(a, c, {state_.MapRows, state_.MapCols});
    case cmd::RpmChunk: {
      const std::size_t n = request[2];
      if (n < 1 || n > 64) return std::nullopt;
      return MakeFrame(a, c, RpmChunk(n, request == lastRequest_));
    }
    case cmd::RpmWriteBegin: {
      const unsigned rows = request[2] >= 2 && request[2] <= 8 ? request[2] : 8;
      const unsigned cols = request[3] >= 2 && request[3] <= 12 ? request[3] : 12;
      rpmWriteTotal_ = rows * (cols + 2) + cols + 2;
      rpmWrite_.clear();
      return ack;
    }
    case cmd::RpmWriteData:
      // The same frame again is a resend after a lost acknowledgement, not more data.
      if (request != lastRequest_ && RpmWrite(Frame(request.begin() + 2, request.end() - 1))) MarkSaved();
      return ack;
    default:
      return std::nullopt;
  }
}

Frame Ecu::Identification() const {
  Frame d(42, 0);
  d[0] = state_.LayoutNumber;
  PutText(d, 1, state_.Name, 16);
  PutText(d, 17, state_.Info, 10);
  PutText(d, 27, state_.Firmware, 4);
  for (int i = 0; i < 3; ++i) {
    d[31 + i] = static_cast<std::uint8_t>(state_.MinutesGas >> (16 - 8 * i));
    d[34 + i] = static_cast<std::uint8_t>(state_.MinutesPetrol >> (16 - 8 * i));
  }
  d[37] = state_.LiveDataLength;
  d[38] = state_.ParamBlockLength;
  d[39] = state_.PointBlockLength;
  d[40] = state_.Reserved;
  d[41] = state_.MapPointCount;
  return Sized(std::move(d), state_.IdentLength);
}

Frame Ecu::LiveData(double seconds) {
  LiveValues v = state_.Live;
  if (state_.Animate) {
    // An idling engine: slow waves plus a little measurement noise.
    auto jitter = [this](int range) { return std::uniform_int_distribution<int>(-range, range)(noise_); };
    auto wave = [seconds](double period, double phase = 0) {
      return std::sin(2 * std::numbers::pi * seconds / period + phase);
    };
    auto reading = [](double value) { return static_cast<std::uint16_t>(std::clamp(value, 0.0, 1023.0)); };
    if (v.Rpm > 0) v.Rpm = std::max(1, v.Rpm + static_cast<int>(25 * wave(6.5)) + jitter(8));
    v.TempVapReading = reading(v.TempVapReading + 12 * wave(90) + jitter(1));
    v.TempGasReading = reading(v.TempGasReading + 6 * wave(120, 1) + jitter(1));
    v.PressVapReading = reading(v.PressVapReading + 4 * wave(11) + jitter(3));
    v.PressCollReading = reading(v.PressCollReading + 6 * wave(6.5, 1) + jitter(2));
    v.Level = reading(v.Level + jitter(2));
    v.Analog18Reading = reading(v.Analog18Reading + jitter(4));
    for (int i = 0; i < 4; ++i) {
      const double petrol = v.PetrolTimes[i] + 40 * wave(6.5) + jitter(30);
      v.PetrolTimes[i] = static_cast<std::uint16_t>(std::clamp(petrol, 0.0, 65535.0));
      v.GasTimes[i] = v.WorkMode == 4 ? static_cast<std::uint16_t>(std::min(petrol * 1.2, 65535.0)) : 0;
    }
  }
  for (int i = 0; i < 4; ++i)
    if (state_.Live.PetrolTimes[i] == 0) v.PetrolTimes[i] = 0;  // no pulse stays none
  if (state_.Engine.On) EngineOnGas(v);
  std::uint8_t status = static_cast<std::uint8_t>((v.Status & 0x70) | (v.Rpm > 0 ? 0x80 : 0));
  if (savedPulse_ > 0) {
    --savedPulse_;
    status = static_cast<std::uint8_t>((status & ~0x20) | 0x10);
  }
  Frame d(37, 0);
  PutWord(d, 0, RpmPeriod(v.Rpm));
  PutWord(d, 2, v.TempVapReading & 0x3FF);
  PutWord(d, 4, (v.TempGasReading & 0x3FF) | status << 8);
  PutWord(d, 6, v.Level & 0x3FF);
  PutWord(d, 8, v.PressVapReading & 0x3FF);
  PutWord(d, 10, v.PressCollReading & 0x3FF);
  PutWord(d, 16, v.Analog18Reading & 0x3FF);
  for (int i = 0; i < 4; ++i) {
    PutWord(d, 18 + 2 * i, v.PetrolTimes[i]);
    PutWord(d, 26 + 2 * i, v.GasTimes[i]);
  }
  d[34] = v.Errors1;
  d[35] = v.Errors2;
  d[36] = v.WorkMode;
  return Sized(std::move(d), state_.LiveDataLength);
}

void Ecu::EngineOnGas(LiveValues& v) {
  const EngineModel& e = state_.Engine;
  // The cylinders on gas: those of the mode command's cylinder bits, all four without any.
  const unsigned cylinders = (state_.ModeData & 0xF0) ? state_.ModeData >> 4 : 0xF;
  for (int i = 0; i < 4; ++i) {
    const double p = v.PetrolTimes[i];
    if (v.WorkMode != 4 || !(cylinders & (1u << i)) || p == 0) {
      v.GasTimes[i] = 0;
      continue;
    }
    const double settled = state_.DiagramPetrol(e.GasSlope * p + e.GasOffset);
    const int noise = e.NoiseUs > 0 ? std::uniform_int_distribution<int>(-e.NoiseUs, e.NoiseUs)(noise_) : 0;
    v.PetrolTimes[i] = static_cast<std::uint16_t>(std::clamp(settled + noise, 1.0, 65535.0));
    v.GasTimes[i] = static_cast<std::uint16_t>(std::clamp(state_.DiagramGas(settled), 0.0, 65535.0));
  }
}

Frame Ecu::ParamBlock() const {
  const auto& order = ParamReadOrder();
  Frame d(state_.ParamBlockLength, 0);
  for (std::size_t k = 0; k < order.size() && 2 * k + 1 < d.size(); ++k) PutWord(d, 2 * k, state_.Params[order[k]]);
  return d;
}

Frame Ecu::PointBlock() const {
  Frame d(9 * 6, 0);
  for (int i = 0; i < 9; ++i) {
    const auto codes = PointCodes(i);
    for (int j = 0; j < 3; ++j) PutWord(d, 6 * i + 2 * j, state_.Params[codes[j]]);
  }
  return Sized(std::move(d), state_.PointBlockLength);
}

Frame Ecu::MapBlock(const std::vector<std::uint8_t>& points) const {
  return Sized(points, state_.MapPointCount);
}

Frame Ecu::RpmChunk(std::size_t count, bool repeat) {
  // A read runs through the image from its start ("/" header request), chunk by chunk; the same
  // chunk request twice in a row is a resend and gets the same bytes again. (A map has at most
  // 8 x 14 + 12 = 124 bytes, so two real chunks in a row never have the same size.)
  if (lastRequest_.size() > 1 && lastRequest_[1] == cmd::RpmHeader) rpmReadPos_ = 0;
  if (repeat) rpmReadPos_ = rpmChunkStart_;
  rpmChunkStart_ = rpmReadPos_;
  Frame d(count, 0xFF);
  const auto& image = state_.MapImage;
  for (std::size_t i = 0; i < count && rpmReadPos_ + i < image.size(); ++i) d[i] = image[rpmReadPos_ + i];
  rpmReadPos_ += count;
  return d;
}

bool Ecu::RpmWrite(const Frame& data) {
  if (rpmWriteTotal_ == 0) return false;  // no write begun
  rpmWrite_.insert(rpmWrite_.end(), data.begin(), data.end());
  if (rpmWrite_.size() < rpmWriteTotal_) return false;
  const unsigned rows = rpmWrite_[0], cols = rpmWrite_[1];
  const bool fits = rows >= 2 && rows <= 8 && cols >= 2 && cols <= 12 && rows * (cols + 2) + cols + 2 == rpmWriteTotal_;
  if (fits) {
    state_.MapRows = static_cast<std::uint8_t>(rows);
    state_.MapCols = static_cast<std::uint8_t>(cols);
    state_.MapImage.assign(rpmWrite_.begin() + 2, rpmWrite_.begin() + static_cast<std::ptrdiff_t>(rpmWriteTotal_));
  }
  rpmWrite_.clear();
  rpmWriteTotal_ = 0;
  return fits;
}

void Ecu::WriteTriples(const Frame& request) {
  for (std::size_t i = 2; i + 3 < request.size(); i += 3)
    state_.Params[request[i]] = static_cast<std::uint16_t>(request[i + 1] << 8 | request[i + 2]);
}

}  // namespace ecusim
