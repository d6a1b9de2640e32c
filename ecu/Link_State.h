// The dialogue's state: the frame buffers and flags of the link layer, the dialogue script and
// its task flags, the reply block lengths of the identification, the code list of the
// parameter codec and the values the ECU last sent. All of it is touched on the GUI thread
// only; the link, the interpreter, the request builders and the decoders write it, the
// application reads it and writes the few fields marked so.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ecu {

constexpr int FrameBufferSize = 256;
using TFrameBuffer = std::array<std::uint8_t, FrameBufferSize>;

constexpr int ScriptCellCount = 100;

// The code list in use: the read list or one of the write lists (one at a time).
constexpr int ReadListCapacity = 100;
struct TReadList {
  std::uint8_t Count = 0;
  std::array<std::uint8_t, ReadListCapacity + 1> Codes{};  // 1..Count
  bool operator==(const TReadList&) const = default;
};

// The values of the configuration that one parameter's two bytes carry, as the codec compares
// them (ecu::ParamValues): the numbers and flags its encoder reads, and its text where it has one.
struct TParamValues {
  std::array<std::int64_t, 12> Numbers{};
  std::string Text;
  bool operator==(const TParamValues&) const = default;
};

// A parameter of a list written to the ECU: its bytes as sent and the values they carry (none
// when they carry none: a value the program could not convert went as the ECU's own bytes).
struct TParamWritten {
  std::uint8_t Code = 0;
  std::uint16_t Bytes = 0;
  std::optional<TParamValues> Values;
  bool operator==(const TParamWritten&) const = default;
};

struct TLinkState {
  // ---- Frames and link flags
  TFrameBuffer TxFrame{};                // request being built
  TFrameBuffer LastFrame{};              // request last written; byte 0 is the address
  TFrameBuffer RxFrame{};                // reply buffer, filled by the receive handler
  std::uint8_t TxLength = 0;             // length of the request in TxFrame
  std::uint8_t TxListLength = 0;         // length of the next long request
  std::uint8_t RxExpectedLength = 0;     // length of the reply the request expects; 0: none can match
  std::uint8_t FrameReady = 0;           // a newly built request waits for the send timer
  std::uint8_t TaskRequest = 0;          // dialogue task wanted next (written by the application too)
  std::uint8_t LinkUp = 0;               // the ECU has answered the handshake
  std::uint8_t PortOpen = 0;             // the port is open
  std::uint8_t HandshakeCount = 0;       // handshake requests built since the last reset
  std::uint8_t PortSearching = 0;        // the automatic port search runs
  std::uint8_t ACBRunning = 0;           // the automatic calibration runs (written by the application)
  std::uint8_t SettingsWindowShown = 0;  // written by the application
  std::int32_t ConnectQuality = 0;       // percent, 0..100
  std::int32_t QualityDecayStep = 0;     // percent per tick of the quality timer
  // A written request awaits its reply: set by each write, cleared by the good reply. A reply
  // that comes while none is awaited (a late copy of one already taken) is refused, so that it
  // can never be read as the reply to the request built after it.
  std::uint8_t ReplyAwaited = 0;
  // The next tick of the quality timer is the first after a good reply and only sets the pace.
  std::uint8_t QualityPacePending = 0;
  // While a reply is checked: the application-clock time its last byte was read; negative
  // otherwise. A request built meanwhile goes the reply delay after that byte, so that the
  // quiet time before the check and the check itself come out of the reply delay.
  double ReplyEndTime = -1;

  // ---- The dialogue script
  std::array<std::int32_t, ScriptCellCount + 1> ScriptCells{};  // cells 1..100 (entry 0 is not used)
  std::int32_t ScriptPos = 0;                                   // current cell; 0 before the first
  std::uint8_t ScriptErrorShown = 0;  // the script-error message has been shown in this run of the program
  std::uint8_t TaskRunning = 0;       // a write task (20..24) runs
  std::uint8_t WriteTask = 0;         // which one (0 when none)
  std::uint8_t SaveCfgPending = 0;    // set when a write task starts
  // The erasure (25..28) under way: set as its script is taken, cleared as the poll script
  // follows it (the ECU answered its request) or when the link's loss cuts it off.
  std::uint8_t EraseTask = 0;
  // Erasures the user asked for (25, 27, 28, each once) that wait behind another task, in the
  // order asked; the first is taken at an end cell at which no other task waits.
  std::array<std::uint8_t, 3> ErasesWaiting{};
  std::uint8_t ErasesWaitingCount = 0;
  // The connect script reads the ECU anew: set as it loads, cleared as the poll script follows
  // it. A write asked for meanwhile would carry what the read put into the configuration.
  std::uint8_t Reading = 0;
  // Reads begun since the program started (each load of the connect script).
  std::uint32_t ReadCount = 0;
  // The configuration holds values of a read that has not ended: set as the handshake of a
  // read is answered (its values come next), cleared as the poll script follows the read. A
  // loss of the link during the read leaves it set; the application clears it when it puts a
  // whole configuration in place (a load, the defaults).
  std::uint8_t ReadUnfinished = 0;

  // ---- Requests and replies
  // Extra bits of the work-mode command (bits 4..7 select cylinders 1..4; 240 all four),
  // written by the main window's work-mode buttons.
  std::uint8_t ModeCommandFlags = 0;
  // The reply block lengths from the identification reply (MapPointCount lives with the
  // configuration). A request for a block expects a reply of that length + 3.
  std::uint8_t LiveDataLength = 0;
  std::uint8_t ParamBlockLength = 0;
  std::uint8_t PointBlockLength = 0;
  std::uint8_t BlockReserved = 0;  // stored, not used
  std::uint8_t LayoutNumber = 0;   // byte 2 of the identification reply

  // ---- The parameter codec
  TReadList ReadList;
  // Read position in the parameter reply: the low byte of the value last decoded.
  std::int32_t RxIndex = 0;
  // What the ECU holds of each parameter: the value bytes it last sent, or last took in a write
  // (high byte first), and the values of the configuration those bytes stand for (none when they
  // stand for none: never sent, or a percentage without its value). A parameter whose values are
  // still these goes back to the ECU as these bytes, so that a write changes nothing the installer
  // left as it was (a temperature between two whole degrees, the bits no field keeps); a value the
  // program cannot convert (the sensor table is missing) goes back as the bytes too.
  std::array<std::uint16_t, 256> ReceivedParams{};
  std::array<std::optional<TParamValues>, 256> HeldValues{};
  // The parameters of the list request last built ("2" or "3"), taken as held once the ECU
  // answers it.
  std::vector<TParamWritten> WrittenParams;

  // Everything back to its state at program start.
  void Reset() { *this = TLinkState(); }
  bool operator==(const TLinkState&) const = default;
};

}  // namespace ecu
