#include "platform/rtl/Component.h"

#include <algorithm>

namespace rtl {

namespace {

bool IsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

// While a component is being removed, the receivers already told about it, so that one
// reached both through the free-notification list and through the owner tree (or
// through several owners on the way down) hears of it once. A stack of records lives in
// the frames of the removals in progress (per thread).
struct TRemoval {
  const TComponent* Subject;
  std::vector<const TComponent*> Told;
  TRemoval* Prev;
};
thread_local TRemoval* gRemovals = nullptr;

class TRemovalScope {
public:
  explicit TRemovalScope(const TComponent* subject) {
    for (TRemoval* r = gRemovals; r; r = r->Prev)
      if (r->Subject == subject) return;  // an outer removal of the same component records
    record_.emplace_back(TRemoval{subject, {}, gRemovals});
    gRemovals = &record_.back();
  }
  ~TRemovalScope() {
    if (!record_.empty()) gRemovals = record_.back().Prev;
  }
  TRemovalScope(const TRemovalScope&) = delete;
  TRemovalScope& operator=(const TRemovalScope&) = delete;

private:
  std::vector<TRemoval> record_;  // at most one entry; a vector keeps its address stable
};

// True the first time Receiver is told of Subject's removal during the current removal.
bool FirstNotice(const TComponent* subject, const TComponent* receiver) {
  for (TRemoval* r = gRemovals; r; r = r->Prev)
    if (r->Subject == subject) {
      if (std::find(r->Told.begin(), r->Told.end(), receiver) != r->Told.end()) return false;
      r->Told.push_back(receiver);
      return true;
    }
  return true;
}

// A receiver that is freed while it is being told must not be told again later.
void Forget(const TComponent* receiver) {
  for (TRemoval* r = gRemovals; r; r = r->Prev) std::erase(r->Told, receiver);
}

}  // namespace

bool IsValidIdent(const std::string& Ident) {
  if (Ident.empty() || !IsAlpha(Ident[0])) return false;
  return std::all_of(Ident.begin() + 1, Ident.end(), [](char c) { return IsAlpha(c) || (c >= '0' && c <= '9'); });
}

TClass TComponent::StaticClass() {
  static const TClassInfo info = DefineClass<TComponent>()
                                     .Property("Name", &TComponent::Name, &TComponent::SetName).Stored(false)
                                     .Property("Tag", &TComponent::Tag, &TComponent::SetTag).Default(0)
                                     .Build();
  return &info;
}

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  Teardown();
  Forget(this);
}

void TComponent::BeforeDestruction() {
  Destroying();
  Teardown();
}

void TComponent::Teardown() {
  TRemovalScope scope(this);
  RemoveFreeNotifications();
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::Destroying() {
  if (componentState_.Contains(csDestroying)) return;
  componentState_.Include(csDestroying);
  for (TComponent* c : components_) c->Destroying();
}

void TComponent::Deliver(TComponent* Receiver, TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && !FirstNotice(AComponent, Receiver)) return;
  Receiver->Notification(AComponent, Operation);
}

void TComponent::RemoveFreeNotifications() {
  while (!freeNotifies_.empty()) {
    TComponent* other = freeNotifies_.back();
    freeNotifies_.pop_back();
    std::erase(other->freeNotifies_, this);
    Deliver(other, this, opRemove);
  }
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* instance = components_.back();
    if (instance->componentState_.Contains(csFreeNotification)) {
      RemoveComponent(instance);
    } else {
      components_.pop_back();
      instance->owner_ = nullptr;
    }
    instance->Free();
  }
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return components_[static_cast<size_t>(Index)];
}

int TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  auto it = std::find(owner_->components_.begin(), owner_->components_.end(), this);
  return static_cast<int>(it - owner_->components_.begin());
}

void TComponent::SetComponentIndex(int Value) {
  if (!owner_) return;
  auto& list = owner_->components_;
  const int count = static_cast<int>(list.size());
  const int current = ComponentIndex();
  Value = std::clamp(Value, 0, count - 1);
  if (Value == current) return;
  list.erase(list.begin() + current);
  list.insert(list.begin() + Value, this);
}

TComponent* TComponent::FindComponent(const std::string& AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameText(c->name_, AName)) return c;
  return nullptr;
}

void TComponent::ValidateRename(TComponent* AComponent, const std::string& CurName, const std::string& NewName) {
  if (!AComponent || NewName.empty() || SameText(CurName, NewName)) return;
  TComponent* holder = FindComponent(NewName);
  if (holder && holder != AComponent) throw EComponentError("A component named " + NewName + " already exists");
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->owner_ == this) return;
  for (TComponent* o = this; o; o = o->owner_)
    if (o == AComponent) throw EComponentError("A component cannot own itself or its owners");
  // Refuse a taken name before anything changes hands.
  if (!AComponent->name_.empty() && FindComponent(AComponent->name_))
    throw EComponentError("A component named " + AComponent->name_ + " already exists");
  if (AComponent->owner_) AComponent->owner_->RemoveComponent(AComponent);
  components_.push_back(AComponent);
  AComponent->owner_ = this;
  if (componentState_.Contains(csDesigning)) AComponent->SetDesigning(true);
  Deliver(this, AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->owner_ != this) return;
  {
    TRemovalScope scope(AComponent);
    Deliver(this, AComponent, opRemove);
  }
  // A notification may already have taken it out (by freeing or moving it).
  auto it = std::find(components_.begin(), components_.end(), AComponent);
  if (it != components_.end()) {
    components_.erase(it);
    AComponent->owner_ = nullptr;
  }
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
  for (size_t i = components_.size(); i-- > 0;)
    if (i < components_.size()) Deliver(components_[i], AComponent, Operation);
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (!owner_ || AComponent->owner_ != owner_) {
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), AComponent) == freeNotifies_.end()) {
      freeNotifies_.push_back(AComponent);
      AComponent->FreeNotification(this);
    }
  }
  componentState_.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent) return;
  std::erase(freeNotifies_, AComponent);
  std::erase(AComponent->freeNotifies_, this);
}

void TComponent::SetName(const std::string& NewName) {
  if (name_ == NewName) return;
  if (!NewName.empty() && !IsValidIdent(NewName))
    throw EComponentError("Component name \"" + NewName + "\" is not valid");
  if (owner_) owner_->ValidateRename(this, name_, NewName);
  else ValidateRename(nullptr, name_, NewName);
  ChangeName(NewName);
}

std::string TComponent::GetNamePath() const { return name_; }

void TComponent::Loaded() { componentState_.Exclude(csLoading); }

void TComponent::GetChildren(const TGetChildProc&, TComponent*) {}

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
  if (Value) componentState_.Include(csDesigning);
  else componentState_.Exclude(csDesigning);
  if (SetChildren)
    for (TComponent* c : components_) c->SetDesigning(Value, true);
}

}  // namespace rtl
