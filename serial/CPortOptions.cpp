// The option objects of the serial port component: time-outs, flow control, parity and queue
// sizes, each published and applying itself through its port.
#include "serial/CPort.h"

namespace cport {

using rtl::DefineClass;

// ---- option objects -------------------------------------------------------------------

rtl::TClass TComTimeouts::StaticClass() {
  using T = TComTimeouts;
  static const rtl::TClassInfo info =
      DefineClass<T>()
          .Property("ReadInterval", &T::ReadInterval, &T::SetReadInterval).Default(-1)
          .Property("ReadTotalMultiplier", &T::ReadTotalMultiplier, &T::SetReadTotalMultiplier).Default(0)
          .Property("ReadTotalConstant", &T::ReadTotalConstant, &T::SetReadTotalConstant).Default(0)
          .Property("WriteTotalMultiplier", &T::WriteTotalMultiplier, &T::SetWriteTotalMultiplier).Default(100)
          .Property("WriteTotalConstant", &T::WriteTotalConstant, &T::SetWriteTotalConstant).Default(1000)
          .Build();
  return &info;
}

void TComTimeouts::Changed() {
  if (comPort_) comPort_->ApplyTimeouts();
}

rtl::TClass TComFlowControl::StaticClass() {
  using F = TComFlowControl;
  static const rtl::TClassInfo info =
      DefineClass<F>()
          .Property("FlowControl", &F::FlowControl, &F::SetFlowControl).Stored(false)
          .Property("OutCTSFlow", &F::OutCTSFlow, &F::SetOutCTSFlow).NoDefault()
          .Property("OutDSRFlow", &F::OutDSRFlow, &F::SetOutDSRFlow).NoDefault()
          .Property("ControlDTR", &F::ControlDTR, &F::SetControlDTR).NoDefault()
          .Property("ControlRTS", &F::ControlRTS, &F::SetControlRTS).NoDefault()
          .Property("XonXoffOut", &F::XonXoffOut, &F::SetXonXoffOut).NoDefault()
          .Property("XonXoffIn", &F::XonXoffIn, &F::SetXonXoffIn).NoDefault()
          .Property("DSRSensitivity", &F::DSRSensitivity, &F::SetDSRSensitivity).Default(false)
          .Property("TxContinueOnXoff", &F::TxContinueOnXoff, &F::SetTxContinueOnXoff).Default(false)
          .Property("XonChar", &F::XonChar, &F::SetXonChar).Default(17)
          .Property("XoffChar", &F::XoffChar, &F::SetXoffChar).Default(19)
          .Build();
  return &info;
}

void TComFlowControl::Changed() {
  if (comPort_) comPort_->ApplyDCB();
}

TFlowControl TComFlowControl::FlowControl() const {
  if (controlRTS_ == rtsHandshake && outCTSFlow_ && !xonXoffIn_ && !xonXoffOut_) return fcHardware;
  if (controlRTS_ == rtsDisable && !outCTSFlow_ && xonXoffIn_ && xonXoffOut_) return fcSoftware;
  if (controlRTS_ == rtsDisable && !outCTSFlow_ && !xonXoffIn_ && !xonXoffOut_) return fcNone;
  return fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl Value) {
  if (Value != fcCustom) {
    controlRTS_ = rtsDisable;
    outCTSFlow_ = false;
    xonXoffIn_ = false;
    xonXoffOut_ = false;
    if (Value == fcHardware) {
      controlRTS_ = rtsHandshake;
      outCTSFlow_ = true;
    } else if (Value == fcSoftware) {
      xonXoffIn_ = true;
      xonXoffOut_ = true;
    }
  }
  Changed();
}

rtl::TClass TComParity::StaticClass() {
  using T = TComParity;
  static const rtl::TClassInfo info = DefineClass<T>()
                                          .Property("Bits", &T::Bits, &T::SetBits).NoDefault()
                                          .Property("Check", &T::Check, &T::SetCheck).Default(false)
                                          .Property("Replace", &T::Replace, &T::SetReplace).Default(false)
                                          .Property("ReplaceChar", &T::ReplaceChar, &T::SetReplaceChar).Default(0)
                                          .Build();
  return &info;
}

void TComParity::Changed() {
  if (comPort_) comPort_->ApplyDCB();
}

rtl::TClass TComBuffer::StaticClass() {
  using T = TComBuffer;
  static const rtl::TClassInfo info = DefineClass<T>()
                                          .Property("InputSize", &T::InputSize, &T::SetInputSize).Default(1024)
                                          .Property("OutputSize", &T::OutputSize, &T::SetOutputSize).Default(1024)
                                          .Build();
  return &info;
}

void TComBuffer::Changed() {
  if (comPort_) comPort_->ApplyBuffer();
}
}  // namespace cport
