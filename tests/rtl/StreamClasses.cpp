#include "StreamClasses.h"

#include "platform/rtl/ObjectText.h"

namespace streamtest {

TClass TStop::StaticClass() {
  static const TClassInfo info = DefineClass<TStop>()
                                     .Property("Color", &TStop::Color, &TStop::Color).Default(0)
                                     .Property("Offset", &TStop::Offset, &TStop::Offset).FloatType(ftExtended)
                                     .Property("Tag", &TStop::Tag, &TStop::Tag)
                                     .Build();
  return &info;
}

TClass TStyle::StaticClass() {
  static const TClassInfo info = DefineClass<TStyle>()
                                     .Property("Color", &TStyle::Color, &TStyle::Color).Default(0)
                                     .Property("Stops", &TStyle::GetStops, &TStyle::SetStops)
                                     .Build();
  return &info;
}

void TStyle::DefineProperties(TFiler* Filer) {
  Filer->DefineProperty(
      "Rect", [this](TReader& r) { Rect = r.ReadString(); }, [this](TWriter& w) { w.WriteString(Rect); },
      !Rect.empty());
  Filer->DefineBinaryProperty(
      "Data",
      [this](TStream& s) {
        Data.resize(static_cast<size_t>(s.Size()));
        s.ReadBuffer(Data.data(), s.Size());
      },
      [this](TStream& s) { s.WriteBuffer(Data.data(), static_cast<int64_t>(Data.size())); }, !Data.empty());
}

TClass TPanel::StaticClass() {
  static const TClassInfo info = DefineClass<TPanel>()
                                     .Property("Small", &TPanel::Small, &TPanel::Small).Default(0)
                                     .Property("Medium", &TPanel::Medium, &TPanel::Medium).Default(0)
                                     .Property("Big", &TPanel::Big, &TPanel::Big).Default(0)
                                     .Property("Huge", &TPanel::Huge, &TPanel::Huge).Default(0)
                                     .Property("Unsigned", &TPanel::Unsigned, &TPanel::Unsigned).Default(0)
                                     .Property("Flag", &TPanel::Flag, &TPanel::Flag).Default(false)
                                     .Property("Kind", &TPanel::Kind, &TPanel::Kind).Default(pkFlat)
                                     .Property("Kinds", &TPanel::Kinds, &TPanel::Kinds).Default(TPanelKinds{})
                                     .Property("Width", &TPanel::Width, &TPanel::Width).FloatType(ftExtended)
                                     .Property("Ratio", &TPanel::Ratio, &TPanel::Ratio)
                                     .Property("Letter", &TPanel::Letter, &TPanel::Letter).Default('a')
                                     .Property("Caption", &TPanel::Caption, &TPanel::Caption)
                                     .Property("Text", &TPanel::Text, &TPanel::Text)
                                     .Property("Style", &TPanel::Style, &TPanel::SetStyle)
                                     .Property("Lines", &TPanel::Lines, &TPanel::SetLines)
                                     .Property("Partner", &TPanel::Partner, &TPanel::SetPartner)
                                     .Event("OnClick", &TPanel::OnClick)
                                     .Event("OnResize", &TPanel::OnResize)
                                     .Method("PanelClick", &TPanel::PanelClick)
                                     .Method("PanelResize", &TPanel::PanelResize)
                                     .Build();
  return &info;
}

TClass TLabel::StaticClass() {
  static const TClassInfo info = DefineClass<TLabel>().Build();
  return &info;
}

TRegisterStreamClasses::TRegisterStreamClasses() { RegisterClasses<TPanel, TLabel>(); }
TRegisterStreamClasses::~TRegisterStreamClasses() {
  UnRegisterClass(TPanel::StaticClass());
  UnRegisterClass(TLabel::StaticClass());
}

std::string Bytes(TMemoryStream& s) {
  return std::string(static_cast<const char*>(static_cast<const TMemoryStream&>(s).Memory()),
                     static_cast<size_t>(s.Size()));
}

std::string WriteRoot(TComponent* Root) {
  TMemoryStream s;
  {
    TWriter w(&s);
    w.WriteRootComponent(Root);
  }
  return Bytes(s);
}

void ReadRoot(const std::string& bytes, TComponent* Root, const TReaderError& OnError) {
  TStringStream s(bytes);
  TReader r(&s);
  r.OnError = OnError;
  r.ReadRootComponent(Root);
}

std::string ToText(const std::string& Binary) {
  TStringStream in(Binary), out;
  ObjectBinaryToText(&in, &out);
  return out.DataString();
}

std::string ToBinary(const std::string& Text) {
  TStringStream in(Text), out;
  ObjectTextToBinary(&in, &out);
  return out.DataString();
}

}  // namespace streamtest
