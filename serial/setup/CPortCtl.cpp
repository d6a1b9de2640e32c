#include "serial/setup/CPortCtl.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Lists.h"
#include "vg2d/core/WideStrings.h"

namespace cport {

namespace {

template <class E>
void AddAll(std::vector<std::string>& Texts, E Last, std::string (*ToStr)(E)) {
  for (int v = 0; v <= static_cast<int>(Last); ++v) Texts.push_back(ToStr(static_cast<E>(v)));
}

}  // namespace

// ---- TComSelect ------------------------------------------------------------------------------

rtl::TClass TComSelect::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TComSelect>().Build();
  return &info;
}

std::vector<std::string> TComSelect::KindTexts(TComProperty Kind) {
  std::vector<std::string> texts;
  switch (Kind) {
    case cpNone: break;
    case cpPort: {
      rtl::TStringList ports;
      EnumComPorts(&ports);
      for (int i = 0; i < ports.Count(); ++i) texts.push_back(ports[i]);
      break;
    }
    case cpBaudRate: AddAll(texts, br256000, &BaudRateToStr); break;
    case cpDataBits: AddAll(texts, dbEight, &DataBitsToStr); break;
    case cpStopBits: AddAll(texts, sbTwoStopBits, &StopBitsToStr); break;
    case cpParity: AddAll(texts, prSpace, &ParityToStr); break;
    case cpFlowControl: AddAll(texts, fcCustom, &FlowControlToStr); break;
  }
  return texts;
}

void TComSelect::SelectText(const std::string& Text) {
  switch (ComProperty) {
    case cpNone: break;
    case cpPort: Port = Text; break;
    case cpBaudRate: BaudRate = StrToBaudRate(Text); break;
    case cpDataBits: DataBits = StrToDataBits(Text); break;
    case cpStopBits: StopBits = StrToStopBits(Text); break;
    case cpParity: Parity = StrToParity(Text); break;
    case cpFlowControl: FlowControl = StrToFlowControl(Text); break;
  }
}

std::string TComSelect::PortValueText() const {
  if (!ComPort) return std::string();
  switch (ComProperty) {
    case cpNone: break;
    case cpPort: return ComPort->Port();
    case cpBaudRate: return BaudRateToStr(ComPort->BaudRate());
    case cpDataBits: return DataBitsToStr(ComPort->DataBits());
    case cpStopBits: return StopBitsToStr(ComPort->StopBits());
    case cpParity: return ParityToStr(ComPort->Parity()->Bits());
    case cpFlowControl: return FlowControlToStr(ComPort->FlowControl()->FlowControl());
  }
  return std::string();
}

void TComSelect::ApplyToPort() const {
  if (!ComPort) return;
  switch (ComProperty) {
    case cpNone: break;
    case cpPort: ComPort->SetPort(Port); break;
    case cpBaudRate: ComPort->SetBaudRate(BaudRate); break;
    case cpDataBits: ComPort->SetDataBits(DataBits); break;
    case cpStopBits: ComPort->SetStopBits(StopBits); break;
    case cpParity: ComPort->Parity()->SetBits(Parity); break;
    case cpFlowControl: ComPort->FlowControl()->SetFlowControl(FlowControl); break;
  }
}

// ---- TComComboBox ----------------------------------------------------------------------------

rtl::TClass TComComboBox::StaticClass() {
  using C = TComComboBox;
  static const rtl::TClassInfo info = rtl::DefineClass<C>()
                                          .Property("ComPort", &C::ComPort, &C::SetComPort)
                                          .Property("ComProperty", &C::ComProperty, &C::SetComProperty)
                                          .Default(cpNone)
                                          .Property("AutoApply", &C::AutoApply, &C::SetAutoApply)
                                          .Default(false)
                                          .Property("Text", &C::Text, &C::SetText)
                                          .NoDefault()
                                          .Build();
  return &info;
}

TComComboBox::TComComboBox(rtl::TComponent* AOwner) : vg::TvxHudStringComboBox(AOwner) {
  select_.Items = Items();
}

TComComboBox::~TComComboBox() = default;

void TComComboBox::SetComPort(TCustomComPort* Value) {
  if (Value == select_.ComPort) return;
  if (select_.ComPort) select_.ComPort->RemoveFreeNotification(this);
  select_.ComPort = Value;
  if (Value) {
    Value->FreeNotification(this);
    UpdateSettings();
  }
}

void TComComboBox::SetComProperty(TComProperty Value) {
  select_.ComProperty = Value;
  const std::vector<std::string> texts = TComSelect::KindTexts(Value);
  Items()->BeginUpdate();
  Items()->Clear();
  for (const std::string& t : texts) Items()->Add(rtl::Utf8ToWide(t));
  Items()->EndUpdate();
  if (Items()->Count() == 0) return;
  if (select_.ComPort)
    UpdateSettings();
  else
    SelectIndex(0);
}

std::string TComComboBox::Text() const {
  const int i = ItemIndex();
  return i >= 0 && i < Items()->Count() ? rtl::WideToUtf8(Items()->Get(i)) : std::string();
}

void TComComboBox::SetText(const std::string& Value) {
  const int i = Items()->IndexOf(rtl::Utf8ToWide(Value));
  if (i < 0) return;
  SelectIndex(i);
  select_.SelectText(Value);
}

void TComComboBox::ApplySettings() {
  if (!select_.ComPort || select_.ComProperty == cpNone || ItemIndex() < 0) return;
  select_.ApplyToPort();
}

void TComComboBox::UpdateSettings() {
  if (!select_.ComPort || select_.ComProperty == cpNone) {
    if (Items()->Count() > 0) SelectIndex(0);
    return;
  }
  const std::string value = select_.PortValueText();
  const int i = Items()->IndexOf(rtl::Utf8ToWide(value));
  SelectIndex(i);
  if (i >= 0) select_.SelectText(value);
}

void TComComboBox::SelectIndex(int Index) {
  const bool was = programSelects_;
  programSelects_ = true;
  try {
    SetItemIndex(Index);
  } catch (...) {
    programSelects_ = was;
    throw;
  }
  programSelects_ = was;
}

void TComComboBox::Change() {
  if (programSelects_) return;
  select_.SelectText(Text());
  if (select_.AutoApply) ApplySettings();
  inherited::Change();
}

void TComComboBox::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == rtl::opRemove && AComponent == select_.ComPort) {
    select_.ComPort = nullptr;
    if (Items()->Count() > 0) SelectIndex(0);
  }
}

}  // namespace cport
