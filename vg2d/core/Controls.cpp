#include "vg2d/core/Controls.h"

#include <algorithm>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "vg2d/core/Registry.h"
#include "vg2d/core/Styles.h"

namespace vg {

namespace {

// Locks AObject and every visual object below it: locked style parts run the control's
// trigger animations and are not hit by the mouse on their own.
void SetLockedRecursive(TvxObject* AObject) {
  if (AObject->IsVisual()) AObject->Visual()->SetLocked(true);
  for (TvxObject* c : AObject->Children()) SetLockedRecursive(c);
}

// A copy of Source owned by Owner, unnamed as a resource; nil for nil or an object that
// is not visual.
std::unique_ptr<TvxVisualObject> CloneStyle(TvxObject* Source, rtl::TComponent* Owner) {
  if (!Source || !Source->IsVisual()) return nullptr;
  std::unique_ptr<TvxVisualObject> copy(static_cast<TvxVisualObject*>(Source->Clone(Owner)));
  copy->SetResourceName({});
  return copy;
}

}  // namespace

// ---- TvxControl ------------------------------------------------------------------------------

rtl::TClass TvxControl::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxControl>()
          .Property("Resource", &TvxControl::Resource, &TvxControl::SetResource)
          .Property("TabOrder", &TvxControl::GetTabOrder, &TvxControl::SetTabOrder)
          .Default(-1)
          .Build();
  return &info;
}

TvxControl::TvxControl(rtl::TComponent* AOwner) : TvxVisualObject(AOwner) {}

TvxControl::~TvxControl() = default;

namespace {
std::u16string Wide(const std::string& S) { return rtl::CodePageToWide(S, rtl::DefaultSystemCodePage); }
}  // namespace

void TvxControl::BeforeDestruction() {
  actionLink_.reset();
  SetBindingSource(nullptr);
  while (!bindingObjects_.empty()) RemoveBindingObject(bindingObjects_.back());
  inherited::BeforeDestruction();
}

std::string TvxControl::StyleNameOf(const std::string& ClassName) {
  return (ClassName.size() > 3 ? ClassName.substr(3) : std::string()) + "style";
}

void TvxControl::SetResource(const std::string& Value) {
  resource_ = Value;
  needStyle_ = true;
  if (!Loading() && UpdateCount() == 0) ApplyResource();
}

std::unique_ptr<TvxVisualObject> TvxControl::FindStyleResource() {
  IvxScene* host = Scene();
  TvxObject* hostStyle = host && host->GetStyle() ? host->GetStyle()->Root() : nullptr;
  if (!resource_.empty()) {
    TvxObject* found = hostStyle ? hostStyle->FindResource(resource_) : nullptr;
    if (!found)
      if (TvxObject* builtIn = LoadedDefaultStyle()) found = builtIn->FindResource(resource_);
    if (!found) found = dynamic_cast<TvxObject*>(FindResourceObject(resource_));
    if (found && found->IsVisual()) return CloneStyle(found, this);
  }
  TvxObject* builtIn = DefaultStyle();
  const std::string own = resource_.empty() ? StyleNameOf(ClassName()) : resource_;
  if (resource_.empty())
    for (TvxObject* p = Parent(); p; p = p->Parent()) {
      auto* above = dynamic_cast<TvxControl*>(p);
      const std::string name = above ? above->ContentStyleName(this, own) : std::string();
      if (name.empty()) continue;
      if (!rtl::SameText(name, own)) {
        TvxObject* found = hostStyle ? hostStyle->FindResource(name) : nullptr;
        if (!found && builtIn) found = builtIn->FindResource(name);
        if (found && found->IsVisual()) return CloneStyle(found, this);
      }
      break;
    }
  if (hostStyle)
    if (TvxObject* found = hostStyle->FindResource(own)) return CloneStyle(found, this);
  if (!builtIn) return nullptr;
  TvxObject* found = builtIn->FindResource(own);
  if (!found && resource_.empty())
    if (rtl::TClass parent = ClassType()->Parent) found = builtIn->FindResource(StyleNameOf(parent->Name));
  return CloneStyle(found, this);
}

std::string TvxControl::ContentStyleName(TvxControl*, const std::string&) { return {}; }

void TvxControl::ApplyResource() {
  if (!needStyle_) return;
  needStyle_ = false;
  std::unique_ptr<TvxVisualObject> style = FindStyleResource();
  if (!style) return;
  IvxScene* host = Scene();
  const bool quietHost = host && Loading();
  const bool hostWasQuiet = host ? host->GetDisableUpdate() : false;
  if (quietHost) host->SetDisableUpdate(true);
  if (TvxVisualObject* old = style_) {
    FreeStyle();
    style_ = nullptr;
    old->Free();
  }
  // Aligned before it has a parent: the control lays it out when it is added.
  style->SetAlign(vaContents);
  style->SetDesignHide(false);
  style_ = style.get();
  AddObject(style.release());
  style_->SetIndex(0);
  style_->SetStored(false);
  SetLockedRecursive(style_);
  ApplyStyle();
  if (quietHost) host->SetDisableUpdate(hostWasQuiet);
  SetEffectsDirty();
  OnApplyResource(this);
}

void TvxControl::ApplyStyle() {
  IvxScene* host = Scene();
  if (host && IsFocused() && CanFocused() && !DisableFocusEffect()) {
    RecalcUpdateRect();
    Repaint();
    StartTriggerAnimation(this, "IsFocused");
    ApplyTriggerEffect(this, "IsFocused");
  }
  if (autoTranslate_ && ShowHint() && !Hint().empty() && !Designing()) SetHint(TranslateText(Hint()));
}

void TvxControl::UpdateStyle() {
  const rtl::TComponentState state = ComponentState();
  if (state.Contains(rtl::csLoading) || state.Contains(rtl::csDestroying)) return;
  inherited::UpdateStyle();
  needStyle_ = true;
  ApplyResource();
}

TvxObject* TvxControl::FindResource(const std::string& Name) {
  if (style_)
    if (TvxObject* found = style_->FindResource(Name)) return found;
  return inherited::FindResource(Name);
}

void TvxControl::BeforePaint() {
  inherited::BeforePaint();
  ApplyResource();
}

void TvxControl::DeleteChildren() {
  DropStyle();
  inherited::DeleteChildren();
}

void TvxControl::ChildRemoving(TvxObject* AObject) {
  if (AObject == style_) DropStyle();
  inherited::ChildRemoving(AObject);
}

void TvxControl::DropStyle() {
  if (!style_) return;
  FreeStyle();
  style_ = nullptr;
}

void TvxControl::Loaded() {
  inherited::Loaded();
  if (Scene() && Scene()->GetActiveControl() == this) SetFocus();
}

void TvxControl::EnterFocus() {
  ApplyResource();
  inherited::EnterFocus();
}

void TvxControl::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != rtl::opRemove) return;
  if (AComponent == bindingSource_) bindingSource_ = nullptr;
  // A freed action unlinks its links before its notification arrives.
  if (actionLink_ && (!actionLink_->Action() || AComponent == actionLink_->Action())) SetAction(nullptr);
  const auto it = std::find(bindingObjects_.begin(), bindingObjects_.end(), AComponent);
  if (it != bindingObjects_.end()) bindingObjects_.erase(it);
}

// ---- action ----------------------------------------------------------------------------------

rtl::TBasicAction* TvxControl::GetAction() const { return actionLink_ ? actionLink_->Action() : nullptr; }

void TvxControl::SetAction(rtl::TBasicAction* Value) {
  if (!Value) {
    if (rtl::TBasicAction* old = GetAction()) RemoveFreeNotification(old);
    actionLink_.reset();
    return;
  }
  if (!actionLink_) actionLink_ = std::make_unique<TvxControlActionLink>(this);
  if (rtl::TBasicAction* old = GetAction(); old && old != Value) RemoveFreeNotification(old);
  actionLink_->SetAction(Value);
  actionLink_->OnChange = rtl::TNotifyEvent(this, &TvxControl::DoActionChange);
  ActionChange(Value, Value->ComponentState().Contains(rtl::csLoading));
  Value->FreeNotification(this);
}

void TvxControl::InitiateAction() {
  if (actionLink_) actionLink_->Update();
}

void TvxControl::DoActionChange(rtl::TObject* Sender) {
  if (Sender && Sender == GetAction()) ActionChange(GetAction(), false);
}

void TvxControl::ActionChange(rtl::TBasicAction* Sender, bool CheckDefaults) {
  auto* action = dynamic_cast<rtl::TCustomAction*>(Sender);
  if (!action) return;
  std::u16string text;
  if (GetActionText(text) && (!CheckDefaults || text.empty() || text == Wide(Name())))
    SetActionText(Wide(action->Caption()));
  if (!CheckDefaults || Enabled()) SetEnabled(action->Enabled());
  if (!CheckDefaults || Hint().empty()) SetHint(Wide(action->Hint()));
  if (!CheckDefaults || Visible()) SetVisible(action->Visible());
  if (!CheckDefaults || !OnClick) OnClick = action->OnExecute;
}

// ---- TvxControlActionLink --------------------------------------------------------------------

rtl::TClass TvxControlActionLink::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxControlActionLink>().Build();
  return &info;
}

bool TvxControlActionLink::IsCaptionLinked() {
  std::u16string text;
  return inherited::IsCaptionLinked() && client_ && client_->GetActionText(text) && text == Wide(Custom()->Caption());
}

bool TvxControlActionLink::IsEnabledLinked() {
  return inherited::IsEnabledLinked() && client_ && client_->Enabled() == Custom()->Enabled();
}

bool TvxControlActionLink::IsHintLinked() {
  return inherited::IsHintLinked() && client_ && client_->Hint() == Wide(Custom()->Hint());
}

bool TvxControlActionLink::IsVisibleLinked() {
  return inherited::IsVisibleLinked() && client_ && client_->Visible() == Custom()->Visible();
}

bool TvxControlActionLink::IsOnExecuteLinked() {
  return inherited::IsOnExecuteLinked() && client_ && client_->OnClick == Action()->OnExecute;
}

void TvxControlActionLink::SetCaption(const std::string& Value) {
  if (IsCaptionLinked()) client_->SetActionText(Wide(Value));
}

void TvxControlActionLink::SetEnabled(bool Value) {
  if (IsEnabledLinked()) client_->SetEnabled(Value);
}

void TvxControlActionLink::SetHint(const std::string& Value) {
  if (IsHintLinked()) client_->SetHint(Wide(Value));
}

void TvxControlActionLink::SetVisible(bool Value) {
  if (IsVisibleLinked()) client_->SetVisible(Value);
}

void TvxControlActionLink::SetOnExecute(const rtl::TNotifyEvent& Value) {
  if (IsOnExecuteLinked()) client_->OnClick = Value;
}

bool TvxControlActionLink::DoShowHint(std::string& HintStr) {
  inherited::DoShowHint(HintStr);
  return true;
}

// ---- data binding --------------------------------------------------------------------------

void TvxControl::SetBindingSource(TvxControl* Value) {
  if (Value == bindingSource_) return;
  if (TvxControl* old = bindingSource_) {
    bindingSource_ = nullptr;
    old->RemoveBindingObject(this);
  }
  bindingSource_ = Value;
  if (bindingSource_) bindingSource_->AddBindingObject(this);
}

int TvxControl::AddBindingObject(TvxControl* AObject) {
  if (!AObject) return -1;
  auto it = std::find(bindingObjects_.begin(), bindingObjects_.end(), AObject);
  if (it != bindingObjects_.end()) return static_cast<int>(it - bindingObjects_.begin());
  FreeNotification(AObject);
  bindingObjects_.push_back(AObject);
  const int index = static_cast<int>(bindingObjects_.size()) - 1;
  UpdateBindings();
  return index;
}

void TvxControl::RemoveBindingObject(TvxControl* AObject) {
  const auto it = std::find(bindingObjects_.begin(), bindingObjects_.end(), AObject);
  if (it == bindingObjects_.end()) return;
  bindingObjects_.erase(it);
  // The two stay subscribed while either still refers to the other.
  if (AObject != bindingSource_ && AObject->bindingSource_ != this) RemoveFreeNotification(AObject);
}

void TvxControl::UpdateBindings() {
  const rtl::TPropValue data = GetData();
  // A control that leaves the list while it takes the data is not handed it twice.
  const std::vector<TvxControl*> bound = bindingObjects_;
  for (TvxControl* c : bound)
    if (std::find(bindingObjects_.begin(), bindingObjects_.end(), c) != bindingObjects_.end()) c->SetData(data);
}

// ---- TvxContent ------------------------------------------------------------------------------

void TvxContent::Realign() {
  TvxObject* p = Parent();
  const auto loading = [](TvxObject* O) { return O->ComponentState().Contains(rtl::csLoading); };
  if (p && !loading(p)) inherited::Realign();
  if (realigningParent_ || Loading() || !p || !p->IsVisual() || loading(p)) return;
  realigningParent_ = true;
  p->Visual()->Realign();
  realigningParent_ = false;
}

// ---- TvxBackground ---------------------------------------------------------------------------

rtl::TClass TvxBackground::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxBackground>().Property("Fill", &TvxBackground::Fill, &TvxBackground::SetFill).Build();
  return &info;
}

TvxBackground::TvxBackground(rtl::TComponent* AOwner)
    : TvxControl(AOwner), fill_(std::make_unique<TvxBrush>(vgBrushSolid, 0xFFE0E0E0u)) {
  fill_->OnChange = rtl::TNotifyEvent(this, &TvxBackground::FillChanged);
}

TvxBackground::~TvxBackground() = default;

void TvxBackground::FillChanged(rtl::TObject*) { Repaint(); }

void TvxBackground::Paint() {
  if (fill_->Style() == vgBrushNone) return;
  TvxCanvas* canvas = GetCanvas();
  if (!canvas) return;
  canvas->Fill()->Assign(fill_.get());
  canvas->FillRect(GetLocalRect(), 0, 0, AllCorners, GetAbsoluteOpacity());
}

void TvxBackground::PaintChildren() {
  IvxScene* host = Scene();
  const bool transparentRoot = !Parent() && host && host->GetRoot() == this && host->GetTransparency();
  TvxVisualObject* style = Style();
  if (!style || (fill_->Style() == vgBrushNone && !transparentRoot)) return inherited::PaintChildren();
  // The fill (or the transparent host) stands in for the style: the style is painted at
  // no opacity, set quietly so that painting asks the host for no new repaint.
  auto setQuietly = [&](float Opacity) {
    const bool wasQuiet = host && host->GetDisableUpdate();
    if (host) host->SetDisableUpdate(true);
    style->SetOpacity(Opacity);
    if (host) host->SetDisableUpdate(wasQuiet);
  };
  const float opacity = style->Opacity();
  setQuietly(0);
  inherited::PaintChildren();
  if (Style() == style) setQuietly(opacity);
}

// ---- resource objects ---------------------------------------------------------------------------

namespace {
void TakeNameAsResourceName(TvxObject* Object) {
  if (Object->ResourceName().empty()) Object->SetResourceName(Object->Name());
}
}  // namespace

rtl::TClass TvxBrushObject::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxBrushObject>().Property("Brush", &TvxBrushObject::Brush, &TvxBrushObject::SetBrush).Build();
  return &info;
}

TvxBrushObject::TvxBrushObject(rtl::TComponent* AOwner)
    : TvxObject(AOwner), brush_(std::make_unique<TvxBrush>(vgBrushSolid, 0xFFFFFFFFu)) {}

TvxBrushObject::~TvxBrushObject() = default;

void TvxBrushObject::SetName(const std::string& NewName) {
  inherited::SetName(NewName);
  TakeNameAsResourceName(this);
}

rtl::TClass TvxPathObject::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxPathObject>().Property("Path", &TvxPathObject::Path, &TvxPathObject::SetPath).Build();
  return &info;
}

TvxPathObject::TvxPathObject(rtl::TComponent* AOwner) : TvxObject(AOwner), path_(std::make_unique<TvxPathData>()) {}

TvxPathObject::~TvxPathObject() = default;

void TvxPathObject::SetName(const std::string& NewName) {
  inherited::SetName(NewName);
  TakeNameAsResourceName(this);
}

rtl::TClass TvxBitmapObject::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxBitmapObject>()
                                          .Property("Bitmap", &TvxBitmapObject::Bitmap, &TvxBitmapObject::SetBitmap)
                                          .Build();
  return &info;
}

TvxBitmapObject::TvxBitmapObject(rtl::TComponent* AOwner)
    : TvxObject(AOwner), bitmap_(std::make_unique<TvxBitmap>(1, 1)) {}

TvxBitmapObject::~TvxBitmapObject() = default;

void TvxBitmapObject::SetName(const std::string& NewName) {
  inherited::SetName(NewName);
  TakeNameAsResourceName(this);
}

}  // namespace vg
