// The port combo box: a drop-down list of the 2D controls bound to one setting of a serial
// port (its name, baud rate, data bits, stop bits, parity or flow control). It lists the
// values the setting can take, shows the port's current one, and writes the one picked back
// into the port (at once with AutoApply, else when ApplySettings is called).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "serial/CPort.h"
#include "vg2d/controls/ComboBoxes.h"

namespace cport {

RTL_ENUM_OF(TComProperty, std::uint8_t, cpNone, cpPort, cpBaudRate, cpDataBits, cpStopBits, cpParity, cpFlowControl);

// The value chosen in a port combo box, for each kind of setting, and what it is bound to.
class TComSelect : public rtl::TObject {
  RTL_CLASS(TComSelect, rtl::TObject)
public:
  std::string Port;
  TBaudRate BaudRate = br9600;
  TDataBits DataBits = dbEight;
  TStopBits StopBits = sbOneStopBit;
  TParityBits Parity = prNone;
  TFlowControl FlowControl = fcNone;
  vg::TvxWideStrings* Items = nullptr;
  TComProperty ComProperty = cpNone;
  TCustomComPort* ComPort = nullptr;
  bool AutoApply = false;

  // The texts of a kind's values, in the order of the list (for cpPort the machine's ports,
  // EnumComPorts).
  static std::vector<std::string> KindTexts(TComProperty Kind);
  // Takes Text as the value of the selection's kind (the port name unchanged).
  void SelectText(const std::string& Text);
  // The bound port's current value of the selection's kind, as the list writes it.
  std::string PortValueText() const;
  // Writes the selection's value of its kind into the bound port.
  void ApplyToPort() const;
};

class TComComboBox : public vg::TvxHudStringComboBox {
  RTL_CLASS(TComComboBox, vg::TvxHudStringComboBox)
public:
  explicit TComComboBox(rtl::TComponent* AOwner);
  ~TComComboBox() override;

  TCustomComPort* ComPort() const { return select_.ComPort; }
  // Binds the box to a port (and is told when the port is freed), then shows its value.
  void SetComPort(TCustomComPort* Value);
  TComProperty ComProperty() const { return select_.ComProperty; }
  // Fills the list with the kind's values (for cpPort the machine's ports: EComPort code 23
  // when they cannot be listed) and selects the port's current value, or the first item
  // without a port.
  void SetComProperty(TComProperty Value);
  bool AutoApply() const { return select_.AutoApply; }
  void SetAutoApply(bool Value) { select_.AutoApply = Value; }
  // The selected item's text, empty when none is selected.
  std::string Text() const;
  // Selects the item of that text; a text that is not in the list changes nothing.
  void SetText(const std::string& Value);
  const TComSelect& Selection() const { return select_; }

  // Writes the selected value into the bound port; nothing without a port, for cpNone, or
  // while no item is selected (a port whose value the list does not hold keeps it).
  void ApplySettings();
  // Selects the item of the bound port's current value and takes it as the selection; when
  // the list does not hold it, no item is selected. Without a port, or for cpNone, the first
  // item is selected.
  void UpdateSettings();

protected:
  // The user picked an item: the selection takes it, AutoApply writes it into the port, and
  // OnChange follows. Items selected by the program change the selection only.
  void Change() override;
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

private:
  // Selects an item without it counting as the user's pick.
  void SelectIndex(int Index);
  TComSelect select_;
  bool programSelects_ = false;
};

}  // namespace cport
