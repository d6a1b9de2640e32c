// Exceptions of the class library, and its number and text conversions.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

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

}  // namespace rtl
