// The port window: owns the serial port component ComPort and the link's timers, and handles
// the port's events (after open, after close, received characters) and its failures.
#pragma once

#include <string>

#include "platform/loop/Timer.h"
#include "platform/rtl/Component.h"

namespace cport {
class TComPort;
}

namespace ecu {

class TForm_3D_Port : public rtl::TComponent {
  RTL_CLASS(TForm_3D_Port, rtl::TComponent)
public:
  // Sets Form_3D_Port; the destructor clears it again.
  explicit TForm_3D_Port(rtl::TComponent* AOwner);
  ~TForm_3D_Port() override;

  // Owned by the form. 9600 baud, 8 data bits, no parity, one stop bit, no flow control, read interval 500 ms.
  cport::TComPort* ComPort;
  rtl::TTimer* Timer_Select_ComPort;  // 100 ms, off
  rtl::TTimer* Timer_Connect;         // 5000 ms, off: the step time-out
  rtl::TTimer* Timer_Sending;         // off: the send tick

  void ComPortAfterOpen(rtl::TObject* Sender);
  void ComPortAfterClose(rtl::TObject* Sender);
  void ComPortRxChar(rtl::TObject* Sender, int Count);
  // The window closes: the search (if any) ends.
  void Close();
};

extern TForm_3D_Port* Form_3D_Port;

// Opens the configured port when the machine lists it; true when it is then open.
bool OpenConfiguredPort();
// Whether the machine's port list holds Port_Name.
bool IsPortListed();
// The port-closed and port-error paths.
void Port_Closed();
void Port_Closed_Reset();
void Port_Error();
// The automatic port search. Not built yet: both steps leave the link as it is.
void Port_Search_Step();
void Port_Search_Next();

}  // namespace ecu
