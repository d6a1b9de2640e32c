// Exceptions of the class library, and its number and text conversions.
#pragma once

#include <concepts>
#include <cstdint>
#include <exception>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace rtl {

// Root of the class library's exceptions. ClassName() is what the application
// object's exception handler shows beside the message.
class Exception : public std::exception {
public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }
  virtual const char* ClassName() const noexcept { return "Exception"; }

private:
  std::string message_;
};

#define RTL_EXCEPTION(Name, Base)                                              \
  class Name : public Base {                                                   \
  public:                                                                      \
    using Base::Base;                                                          \
    const char* ClassName() const noexcept override { return #Name; }          \
  }

RTL_EXCEPTION(EAbort, Exception);
RTL_EXCEPTION(EConvertError, Exception);
RTL_EXCEPTION(EInvalidCast, Exception);
RTL_EXCEPTION(EInvalidOperation, Exception);
RTL_EXCEPTION(EInvalidArgument, Exception);
RTL_EXCEPTION(ERangeError, Exception);
RTL_EXCEPTION(EListError, Exception);
RTL_EXCEPTION(EStringListError, Exception);
RTL_EXCEPTION(EComponentError, Exception);
RTL_EXCEPTION(EClassNotFound, Exception);
RTL_EXCEPTION(EPropertyError, Exception);
RTL_EXCEPTION(EPropertyConvertError, Exception);
RTL_EXCEPTION(EStreamError, Exception);
RTL_EXCEPTION(EReadError, EStreamError);
RTL_EXCEPTION(EWriteError, EStreamError);
RTL_EXCEPTION(EFilerError, EStreamError);
RTL_EXCEPTION(EFOpenError, EStreamError);
RTL_EXCEPTION(EFCreateError, EStreamError);
RTL_EXCEPTION(EResNotFound, Exception);
RTL_EXCEPTION(EThread, Exception);

// A failed operating-system call: the message and the system's error code.
class EOSError : public Exception {
public:
  EOSError(std::string message, int errorCode) : Exception(std::move(message)), ErrorCode(errorCode) {}
  const char* ClassName() const noexcept override { return "EOSError"; }
  int ErrorCode;
};

// ---------------------------------------------------------------------------
// Conversions. All of them are independent of the process locale: the decimal
// separator is always ".", the thousands separator ",".

std::string IntToStr(std::int64_t Value);
// Upper-case hexadecimal with at least Digits digits. Negative values show their
// two's complement in the width of their type (8 digits up to 32 bits, else 16).
std::string IntToHex(std::uint64_t Value, int Digits);
template <std::integral T>
std::string IntToHex(T Value, int Digits) {
  if constexpr (sizeof(T) <= 4)
    return IntToHex(static_cast<std::uint64_t>(static_cast<std::uint32_t>(static_cast<std::int32_t>(Value))), Digits);
  else
    return IntToHex(static_cast<std::uint64_t>(Value), Digits);
}

// Leading blanks, a sign, and the hexadecimal prefixes "$", "x" and "0x" are accepted;
// anything else raises EConvertError "'%s' is not a valid integer value".
int StrToInt(const std::string& S);
std::int64_t StrToInt64(const std::string& S);
int StrToIntDef(const std::string& S, int Default);
std::int64_t StrToInt64Def(const std::string& S, std::int64_t Default);
bool TryStrToInt(const std::string& S, int& Value);
bool TryStrToInt64(const std::string& S, std::int64_t& Value);

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// ffGeneral with 15 significant digits: "0.1", "1E15", "1E-5".
std::string FloatToStr(double Value);
// Precision is the number of significant digits (at most 18). Digits is the minimum
// number of exponent digits for ffGeneral/ffExponent and the number of decimals for
// ffFixed/ffNumber/ffCurrency.
std::string FloatToStrF(double Value, TFloatFormat Format, int Precision, int Digits);
// Format characters: 0 # . , E+ E- e+ e-, "xx" and 'xx' literals, up to three
// sections separated by ";" (positive;negative;zero).
std::string FormatFloat(const std::string& Format, double Value);
double StrToFloat(const std::string& S);
double StrToFloatDef(const std::string& S, double Default);
bool TryStrToFloat(const std::string& S, double& Value);

// One argument of Format. Built implicitly from the supported argument types.
struct TVarRec {
  enum Kind { vtInteger, vtFloat, vtString, vtPointer };
  Kind VType;
  std::int64_t VInteger = 0;
  bool Is64 = false;  // the integer came from a 64-bit type (affects %x and %u)
  double VFloat = 0;
  std::string_view VString;
  const void* VPointer = nullptr;

  template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char>)
  TVarRec(T v) : VType(vtInteger), VInteger(static_cast<std::int64_t>(v)), Is64(sizeof(T) > 4) {}
  template <std::floating_point T>
  TVarRec(T v) : VType(vtFloat), VFloat(static_cast<double>(v)) {}
  TVarRec(char c) = delete;
  TVarRec(bool) = delete;
  TVarRec(const std::string& s) : VType(vtString), VString(s) {}
  TVarRec(std::string_view s) : VType(vtString), VString(s) {}
  TVarRec(const char* s) : VType(vtString), VString(s ? s : "") {}
  TVarRec(const void* p) : VType(vtPointer), VPointer(p) {}
};

std::string FormatBuf(std::string_view Format, std::span<const TVarRec> Args);

// The class library's Format: %[index:][-][width][.precision]type with the types
// d u x e f g n m p s; width and precision may be "*" (taken from the arguments).
// A bad directive or an argument of the wrong type raises EConvertError.
template <class... A>
std::string Format(std::string_view Fmt, const A&... Args) {
  if constexpr (sizeof...(A) == 0) {
    return FormatBuf(Fmt, {});
  } else {
    const TVarRec recs[] = {TVarRec(Args)...};
    return FormatBuf(Fmt, recs);
  }
}

// ASCII only: bytes of 8-bit code pages above 0x7F are left as they are.
std::string UpperCase(std::string_view S);
std::string LowerCase(std::string_view S);
int CompareStr(std::string_view S1, std::string_view S2);
int CompareText(std::string_view S1, std::string_view S2);
bool SameStr(std::string_view S1, std::string_view S2);
bool SameText(std::string_view S1, std::string_view S2);
// Remove characters up to and including the blank.
std::string Trim(std::string_view S);
std::string TrimLeft(std::string_view S);
std::string TrimRight(std::string_view S);

// UseBoolStrs false gives "-1"/"0", true gives "True"/"False".
std::string BoolToStr(bool B, bool UseBoolStrs = false);
// "True"/"False" in any case, or a number (non-zero is true); otherwise
// EConvertError "'%s' is not a valid boolean value".
bool StrToBool(const std::string& S);
bool TryStrToBool(const std::string& S, bool& Value);

std::string QuotedStr(std::string_view S);
std::string AnsiQuotedStr(std::string_view S, char Quote);
// Reads a quoted text at the start of Src (doubled quotes stand for one) and moves Src
// past its closing quote. Returns "" and leaves Src alone when Src does not start with
// Quote; an unterminated text runs to the end.
std::string AnsiExtractQuotedStr(std::string_view& Src, char Quote);

enum TReplaceFlag : unsigned { rfReplaceAll = 1, rfIgnoreCase = 2 };
using TReplaceFlags = unsigned;
std::string StringReplace(std::string_view S, std::string_view OldPattern, std::string_view NewPattern,
                          TReplaceFlags Flags);

// File names use "/"; names read from files may use "\", which is accepted too.
constexpr char PathDelim = '/';
std::string IncludeTrailingPathDelimiter(std::string_view S);
std::string ExtractFileName(std::string_view FileName);
std::string ExtractFilePath(std::string_view FileName);
std::string ExtractFileExt(std::string_view FileName);
std::string ChangeFileExt(std::string_view FileName, std::string_view Extension);

}  // namespace rtl
