// The serial port component's texts: the messages of its failures and the text forms of its
// settings (as the settings store and the port combo box write and read them).
#include "serial/CPort.h"

#include <libintl.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "platform/comm/SerialPort.h"

namespace cport {

// ---- failures -------------------------------------------------------------------------

namespace {

const char* const kComErrorTexts[] = {
    "Unable to open com port",
    "WriteFile function failed",
    "ReadFile function failed",
    "Invalid Async parameter",
    "PurgeComm function failed",
    "Unable to get async status",
    "SetCommState function failed",
    "SetCommTimeouts failed",
    "SetupComm function failed",
    "ClearCommError function failed",
    "GetCommModemStatus function failed",
    "EscapeCommFunction function failed",
    "TransmitCommChar function failed",
    "Cannot set property while connected",
    "EnumPorts function failed",
    "Failed to store settings",
    "Failed to load settings",
    "Link (un)registration failed",
    "Cannot change led state if ComPort is selected",
    "Cannot wait for event if event thread is created",
    "WaitForEvent method failed",
    "A component is linked to OnRxBuf event",
    "Registry error",
};
constexpr const char* kDomain = "cport";

// " (win error code: %d)" through the text domain, with the code put in place.
std::string WinCodeSuffix(int Code) {
  std::string text = ::dgettext(kDomain, " (win error code: %d)");
  const std::size_t at = text.find("%d");
  if (at != std::string::npos) text.replace(at, 2, std::to_string(Code));
  return text;
}

}  // namespace

const std::string& ComErrorMessage(int Code) {
  // Translated once, on first use.
  static const std::vector<std::string> table = [] {
    std::vector<std::string> t;
    for (const char* text : kComErrorTexts) t.emplace_back(::dgettext(kDomain, text));
    return t;
  }();
  static const std::string none;
  return Code >= 1 && Code <= static_cast<int>(table.size()) ? table[Code - 1] : none;
}

std::string PortFailureText(int Code, const std::string& Port, int Error) {
  return ComErrorMessage(Code) + " \"" + Port + "\" (" + comm::DevicePath(Port) + "): " + std::strerror(Error) +
         WinCodeSuffix(Error);
}

EComPort::EComPort(int ACode) : rtl::Exception(ComErrorMessage(ACode)), Code(ACode) {}

EComPort EComPort::CreateWin(int ACode, int AWinCode) {
  EComPort e(ACode);
  e.WinCode = AWinCode;
  e.SetMessage(e.Message() + WinCodeSuffix(AWinCode));
  return e;
}

// ---- enumerations ---------------------------------------------------------------------

// ---- text forms -----------------------------------------------------------------------

namespace {

const char* const kBaudTexts[] = {"Custom", "110",   "300",   "600",   "1200",   "2400",   "4800",   "9600",
                                  "14400",  "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
const std::int32_t kBaudRates[] = {0,     110,   300,   600,   1200,   2400,   4800,   9600,
                                   14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
const char* const kStopTexts[] = {"1", "1.5", "2"};
const char* const kDataTexts[] = {"5", "6", "7", "8"};
const char* const kParityTexts[] = {"None", "Odd", "Even", "Mark", "Space"};
const char* const kFlowTexts[] = {"Hardware", "Software", "None", "Custom"};
const char* const kDTRTexts[] = {"Disable", "Enable", "Handshake"};
const char* const kRTSTexts[] = {"Disable", "Enable", "Handshake", "Toggle"};

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

template <class E, std::size_t N> E FromText(const char* const (&texts)[N], const std::string& text, E fallback) {
  const std::string upper = Upper(text);
  for (std::size_t i = 0; i < N; ++i)
    if (Upper(texts[i]) == upper) return static_cast<E>(i);
  return fallback;
}

template <std::size_t N> std::string ToText(const char* const (&texts)[N], unsigned index) {
  return index < N ? texts[index] : "";
}

}  // namespace

std::string BaudRateToStr(TBaudRate Value) { return ToText(kBaudTexts, Value); }
std::string StopBitsToStr(TStopBits Value) { return ToText(kStopTexts, Value); }
std::string DataBitsToStr(TDataBits Value) { return ToText(kDataTexts, Value); }
std::string ParityToStr(TParityBits Value) { return ToText(kParityTexts, Value); }
std::string FlowControlToStr(TFlowControl Value) { return ToText(kFlowTexts, Value); }
std::string DTRToStr(TDTRFlowControl Value) { return ToText(kDTRTexts, Value); }
std::string RTSToStr(TRTSFlowControl Value) { return ToText(kRTSTexts, Value); }
std::string BoolToStr(bool Value) { return Value ? "Yes" : "No"; }

std::string CharToStr(char Value) {
  const unsigned code = static_cast<unsigned char>(Value);
  if (code >= 33 && code <= 127) return std::string(1, Value);
  return "#" + std::to_string(code);
}

TBaudRate StrToBaudRate(const std::string& Text) { return FromText(kBaudTexts, Text, br9600); }
TStopBits StrToStopBits(const std::string& Text) { return FromText(kStopTexts, Text, sbOneStopBit); }
TDataBits StrToDataBits(const std::string& Text) { return FromText(kDataTexts, Text, dbEight); }
TParityBits StrToParity(const std::string& Text) { return FromText(kParityTexts, Text, prNone); }
TFlowControl StrToFlowControl(const std::string& Text) { return FromText(kFlowTexts, Text, fcCustom); }
TDTRFlowControl StrToDTR(const std::string& Text) { return FromText(kDTRTexts, Text, dtrDisable); }
TRTSFlowControl StrToRTS(const std::string& Text) { return FromText(kRTSTexts, Text, rtsDisable); }
bool StrToBool(const std::string& Text) { return Upper(Text) == "YES"; }

char StrToChar(const std::string& Text) {
  if (Text.empty()) return 0;
  if (Text.size() >= 2 && Text[0] == '#') {
    // A code that does not fit a character is as wrong as a text that is no number.
    const std::string digits = Text.substr(1);
    int code = 0;
    for (char c : digits) {
      if (c < '0' || c > '9' || code > 255) throw rtl::EConvertError("'" + digits + "' is not a valid integer value");
      code = code * 10 + (c - '0');
    }
    if (code > 255) throw rtl::EConvertError("'" + digits + "' is not a valid integer value");
    return static_cast<char>(code);
  }
  return Text[0];
}

std::int32_t BaudRateToInt(TBaudRate Value) { return Value < std::size(kBaudRates) ? kBaudRates[Value] : 0; }

}  // namespace cport
