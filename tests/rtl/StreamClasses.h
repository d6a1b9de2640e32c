// Sample classes for the component stream tests: a panel with published properties of
// every kind, an owned style with a collection and defined properties, string lists,
// component references, events and nested child panels.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Collections.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/TypInfo.h"

namespace streamtest {

using namespace rtl;

RTL_ENUM(TPanelKind, pkFlat, pkRaised, pkSunken);
using TPanelKinds = TSet<TPanelKind>;

class TStop : public TCollectionItem {
  RTL_CLASS(TStop, TCollectionItem)
public:
  int32_t Color = 0;
  double Offset = 0;
  std::string Tag;
};

// An owned value object: a collection, and two defined properties (text and binary).
class TStyle : public TPersistent {
  RTL_CLASS(TStyle, TPersistent)
public:
  TStyle() : Stops(std::make_unique<TOwnedCollection>(this, TStop::StaticClass())) {}
  TCollection* GetStops() const { return Stops.get(); }
  void SetStops(TCollection* v) { Stops->Assign(v); }

  int32_t Color = 0;
  std::unique_ptr<TCollection> Stops;
  std::string Rect;            // defined property "Rect" (a string)
  std::vector<uint8_t> Data;   // defined binary property "Data"

protected:
  void DefineProperties(TFiler* Filer) override;
};

class TPanel : public TComponent {
  RTL_CLASS(TPanel, TComponent)
public:
  explicit TPanel(TComponent* AOwner) : TComponent(AOwner) {}
  ~TPanel() override {
    SetPartner(nullptr);
    while (!children_.empty()) children_.back()->SetParentPanel(nullptr);
    if (parent_) parent_->RemoveChild(this);
  }

  TStyle* Style() const { return style_.get(); }
  void SetStyle(TStyle* v) { style_->Assign(v); }
  TStringList* Lines() const { return lines_.get(); }
  void SetLines(TStringList* v) { lines_->Assign(v); }
  TPanel* Partner() const { return partner_; }
  void SetPartner(TPanel* v) {
    if (partner_) partner_->RemoveFreeNotification(this);
    partner_ = v;
    if (v) v->FreeNotification(this);
  }

  void PanelClick(TObject*) { ++Clicks; }
  void PanelResize(TObject*, int w) { LastWidth = w; }

  // The tree of panels (the stream's nesting).
  const std::vector<TPanel*>& Children() const { return children_; }
  TPanel* ParentPanel() const { return parent_; }
  void SetParentPanel(TPanel* p) {
    if (parent_) parent_->RemoveChild(this);
    parent_ = p;
    if (p) p->children_.push_back(this);
  }

  int8_t Small = 0;
  int16_t Medium = 0;
  int32_t Big = 0;
  int64_t Huge = 0;
  uint32_t Unsigned = 0;
  bool Flag = false;
  TPanelKind Kind = pkFlat;
  TPanelKinds Kinds;
  double Width = 0;
  float Ratio = 0;
  char Letter = 'a';
  std::string Caption;
  std::u16string Text;
  TNotifyEvent OnClick;
  TEvent<void(TObject*, int)> OnResize;

  int Clicks = 0;
  int LastWidth = 0;
  int LoadedCalls = 0;
  bool WasLoadingInLoaded = false;

  bool HasParent() const override { return true; }

protected:
  void GetChildren(const TGetChildProc& Proc, TComponent*) override {
    for (TPanel* c : children_) Proc(c);
  }
  void SetParentComponent(TComponent* Value) override { SetParentPanel(dynamic_cast<TPanel*>(Value)); }
  void Loaded() override {
    WasLoadingInLoaded = ComponentState().Contains(csLoading);
    ++LoadedCalls;
    inherited::Loaded();
  }
  void Notification(TComponent* AComponent, TOperation Operation) override {
    if (Operation == opRemove && AComponent == partner_) partner_ = nullptr;
    inherited::Notification(AComponent, Operation);
  }

private:
  void RemoveChild(TPanel* c) { std::erase(children_, c); }

  const std::unique_ptr<TStyle> style_ = std::make_unique<TStyle>();
  const std::unique_ptr<TStringList> lines_ = std::make_unique<TStringList>();
  TPanel* partner_ = nullptr;
  TPanel* parent_ = nullptr;
  std::vector<TPanel*> children_;
};

// A class whose stream is read as TPanel's sibling in error tests.
class TLabel : public TPanel {
  RTL_CLASS(TLabel, TPanel)
public:
  using TPanel::TPanel;
};

// Registers the sample classes for the duration of a test.
struct TRegisterStreamClasses {
  TRegisterStreamClasses();
  ~TRegisterStreamClasses();
};

// Bytes of a memory stream.
std::string Bytes(TMemoryStream& s);
// The root written into a new memory stream.
std::string WriteRoot(TComponent* Root);
// Reads a whole stream into Root.
void ReadRoot(const std::string& Bytes, TComponent* Root, const TReaderError& OnError = nullptr);
std::string ToText(const std::string& Binary);
std::string ToBinary(const std::string& Text);

}  // namespace streamtest
