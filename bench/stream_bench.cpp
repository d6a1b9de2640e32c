// Reading a typical window stream: a form with 40 controls and about 450 stored
// properties (integers, texts, enumerations, floats, a nested font, events), from the
// binary form and from the text form.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "platform/rtl/Component.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/ObjectText.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/TypInfo.h"

namespace {

using namespace rtl;

RTL_ENUM(TAlignKind, akNone, akTop, akClient);

class TBenchFont : public TPersistent {
  RTL_CLASS(TBenchFont, TPersistent)
public:
  int32_t Size = 8;
  std::string Family = "Tahoma";
};

class TBenchControl : public TComponent {
  RTL_CLASS(TBenchControl, TComponent)
public:
  explicit TBenchControl(TComponent* AOwner) : TComponent(AOwner), font_(std::make_unique<TBenchFont>()) {}
  TBenchFont* Font() const { return font_.get(); }
  void SetFont(TBenchFont*) {}
  void ControlClick(TObject*) {}
  bool HasParent() const override { return true; }

  int32_t Left = 0, Top = 0, Width = 0, Height = 0, Color = 0;
  std::string Caption;
  bool Visible = true;
  TAlignKind Align = akNone;
  float Opacity = 1;
  double Scale = 1;
  TNotifyEvent OnClick;
  std::vector<TBenchControl*> Children;

protected:
  void GetChildren(const TGetChildProc& Proc, TComponent*) override {
    for (auto* c : Children) Proc(c);
  }
  void SetParentComponent(TComponent* Value) override {
    if (auto* p = dynamic_cast<TBenchControl*>(Value)) p->Children.push_back(this);
  }

private:
  std::unique_ptr<TBenchFont> font_;
};

}  // namespace

TClass TBenchFont::StaticClass() {
  static const TClassInfo info = DefineClass<TBenchFont>()
                                     .Property("Size", &TBenchFont::Size, &TBenchFont::Size).Default(8)
                                     .Property("Family", &TBenchFont::Family, &TBenchFont::Family)
                                     .Build();
  return &info;
}

TClass TBenchControl::StaticClass() {
  static const TClassInfo info = DefineClass<TBenchControl>()
                                     .Property("Left", &TBenchControl::Left, &TBenchControl::Left).Default(0)
                                     .Property("Top", &TBenchControl::Top, &TBenchControl::Top).Default(0)
                                     .Property("Width", &TBenchControl::Width, &TBenchControl::Width).Default(0)
                                     .Property("Height", &TBenchControl::Height, &TBenchControl::Height).Default(0)
                                     .Property("Color", &TBenchControl::Color, &TBenchControl::Color).Default(0)
                                     .Property("Caption", &TBenchControl::Caption, &TBenchControl::Caption)
                                     .Property("Visible", &TBenchControl::Visible, &TBenchControl::Visible).Default(true)
                                     .Property("Align", &TBenchControl::Align, &TBenchControl::Align).Default(akNone)
                                     .Property("Opacity", &TBenchControl::Opacity, &TBenchControl::Opacity).Default(1.0f)
                                     .Property("Scale", &TBenchControl::Scale, &TBenchControl::Scale).FloatType(ftExtended).Default(1.0)
                                     .Property("Font", &TBenchControl::Font, &TBenchControl::SetFont)
                                     .Event("OnClick", &TBenchControl::OnClick)
                                     .Method("ControlClick", &TBenchControl::ControlClick)
                                     .Build();
  return &info;
}

namespace {

std::string WindowStream() {
  RegisterClass(TBenchControl::StaticClass());
  TBenchControl form(nullptr);
  form.SetName("MainForm");
  form.Width = 800;
  form.Height = 600;
  form.Caption = "Calibration";
  for (int i = 0; i < 40; ++i) {
    auto* c = new TBenchControl(&form);
    c->SetName("Control" + std::to_string(i));
    c->Left = 8 + 90 * (i % 8);
    c->Top = 8 + 30 * (i / 8);
    c->Width = 85;
    c->Height = 25;
    c->Color = static_cast<int32_t>(0xFF202020u + static_cast<uint32_t>(i));
    c->Caption = "Label " + std::to_string(i);
    c->Align = i % 3 == 0 ? akTop : akNone;
    c->Opacity = 0.75f;
    c->Scale = 1.25;
    c->Font()->Size = 9;
    c->Font()->Family = "DejaVu Sans";
    c->OnClick = TNotifyEvent(&form, &TBenchControl::ControlClick, "ControlClick");
    form.Children.push_back(c);
  }
  TMemoryStream s;
  {
    TWriter w(&s);
    w.WriteRootComponent(&form);
  }
  return std::string(static_cast<const char*>(static_cast<const TMemoryStream&>(s).Memory()), static_cast<size_t>(s.Size()));
}

void BM_ReadWindowStream(benchmark::State& state) {
  const std::string bytes = WindowStream();
  for (auto _ : state) {
    TStringStream s(bytes);
    TBenchControl form(nullptr);
    TReader r(&s);
    r.ReadRootComponent(&form);
    benchmark::DoNotOptimize(form.ComponentCount());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_ReadWindowStream)->Unit(benchmark::kMicrosecond);

void BM_TextToBinary(benchmark::State& state) {
  TStringStream bin(WindowStream()), text;
  ObjectBinaryToText(&bin, &text);
  const std::string source = text.DataString();
  for (auto _ : state) {
    TStringStream in(source), out;
    ObjectTextToBinary(&in, &out);
    benchmark::DoNotOptimize(out.Size());
  }
}
BENCHMARK(BM_TextToBinary)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
