#include "platform/rtl/Actions.h"

#include <algorithm>

#include "platform/rtl/TypInfo.h"

namespace rtl {

// ---- TBasicAction ----------------------------------------------------------------------------

TClass TBasicAction::StaticClass() {
  static const TClassInfo info = DefineClass<TBasicAction>()
                                     .Event("OnExecute", &TBasicAction::OnExecute)
                                     .Event("OnUpdate", &TBasicAction::OnUpdate)
                                     .Build();
  return &info;
}

TBasicAction::TBasicAction(TComponent* AOwner) : TComponent(AOwner) {}

void TBasicAction::BeforeDestruction() {
  while (!links_.empty()) links_.back()->SetAction(nullptr);
  inherited::BeforeDestruction();
}

bool TBasicAction::Execute() {
  if (!OnExecute) return false;
  OnExecute(this);
  return true;
}

bool TBasicAction::Update() {
  if (!OnUpdate) return false;
  OnUpdate(this);
  return true;
}

void TBasicAction::Change() {
  // A link may leave while it is told.
  const std::vector<TBasicActionLink*> links = links_;
  for (TBasicActionLink* l : links)
    if (std::find(links_.begin(), links_.end(), l) != links_.end()) l->OnChange(this);
}

// ---- TBasicActionLink ------------------------------------------------------------------------

TClass TBasicActionLink::StaticClass() {
  static const TClassInfo info = DefineClass<TBasicActionLink>().Build();
  return &info;
}

namespace {
int boundActionLinks = 0;
}  // namespace

TBasicActionLink::~TBasicActionLink() { SetAction(nullptr); }

void TBasicActionLink::SetAction(TBasicAction* Value) {
  if (Value == action_) return;
  if (action_) {
    std::erase(action_->links_, this);
    --boundActionLinks;
  }
  action_ = Value;
  if (action_) {
    action_->links_.push_back(this);
    ++boundActionLinks;
  }
}

int TBasicActionLink::BoundLinks() { return boundActionLinks; }

// ---- TCustomAction ---------------------------------------------------------------------------

TClass TCustomAction::StaticClass() {
  static const TClassInfo info = DefineClass<TCustomAction>()
                                     .Property("Caption", &TCustomAction::Caption, &TCustomAction::SetCaption)
                                     .Property("Enabled", &TCustomAction::Enabled, &TCustomAction::SetEnabled)
                                     .Default(true)
                                     .Property("Hint", &TCustomAction::Hint, &TCustomAction::SetHint)
                                     .Property("Visible", &TCustomAction::Visible, &TCustomAction::SetVisible)
                                     .Default(true)
                                     .Build();
  return &info;
}

TCustomAction::TCustomAction(TComponent* AOwner) : TBasicAction(AOwner) {}

template <class F>
void TCustomAction::ForEachLink(F&& Write) {
  const std::vector<TBasicActionLink*> links = Links();
  for (TBasicActionLink* l : links)
    if (auto* link = dynamic_cast<TActionLink*>(l)) Write(*link);
}

// Each setter writes the new value into the clients that still show the old one (the
// links compare with the action's value before it changes), then stores it.
void TCustomAction::SetCaption(const std::string& Value) {
  if (Value == caption_) return;
  ForEachLink([&](TActionLink& l) {
    if (l.IsCaptionLinked()) l.SetCaption(Value);
  });
  caption_ = Value;
  Change();
}

void TCustomAction::SetEnabled(bool Value) {
  if (Value == enabled_) return;
  ForEachLink([&](TActionLink& l) {
    if (l.IsEnabledLinked()) l.SetEnabled(Value);
  });
  enabled_ = Value;
  Change();
}

void TCustomAction::SetHint(const std::string& Value) {
  if (Value == hint_) return;
  ForEachLink([&](TActionLink& l) {
    if (l.IsHintLinked()) l.SetHint(Value);
  });
  hint_ = Value;
  Change();
}

void TCustomAction::SetVisible(bool Value) {
  if (Value == visible_) return;
  ForEachLink([&](TActionLink& l) {
    if (l.IsVisibleLinked()) l.SetVisible(Value);
  });
  visible_ = Value;
  Change();
}

void TCustomAction::SetOnExecute(const TNotifyEvent& Value) {
  if (Value == OnExecute) return;
  ForEachLink([&](TActionLink& l) {
    if (l.IsOnExecuteLinked()) l.SetOnExecute(Value);
  });
  OnExecute = Value;
  Change();
}

// ---- TActionLink -----------------------------------------------------------------------------

TClass TActionLink::StaticClass() {
  static const TClassInfo info = DefineClass<TActionLink>().Build();
  return &info;
}

bool TActionLink::DoShowHint(std::string& HintStr) {
  bool show = true;
  if (TCustomAction* a = Custom(); a && a->OnHint) a->OnHint(HintStr, show);
  return show;
}

}  // namespace rtl
