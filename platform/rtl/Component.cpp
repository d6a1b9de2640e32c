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
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::Destroying() {
  if (FComponentState.Contains(csDestroying)) return;
  FComponentState.Include(csDestroying);
  for (TComponent* c : FComponents) c->Destroying();
}

void TComponent::Deliver(TComponent* Receiver, TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && !FirstNotice(AComponent, Receiver)) return;
  Receiver->Notification(AComponent, Operation);
}

void TComponent::RemoveFreeNotifications() {
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    std::erase(other->FFreeNotifies, this);
    Deliver(other, this, opRemove);
  }
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* instance = FComponents.back();
    if (instance->FComponentState.Contains(csFreeNotification)) {
      RemoveComponent(instance);
    } else {
      FComponents.pop_back();
      instance->FOwner = nullptr;
    }
    instance->Free();
  }
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FComponents[static_cast<size_t>(Index)];
}

int TComponent::ComponentIndex() const {
  if (!FOwner) return -1;
  auto it = std::find(FOwner->FComponents.begin(), FOwner->FComponents.end(), this);
  return static_cast<int>(it - FOwner->FComponents.begin());
}

void TComponent::SetComponentIndex(int Value) {
  if (!FOwner) return;
  auto& list = FOwner->FComponents;
  const int count = static_cast<int>(list.size());
  const int current = ComponentIndex();
  Value = std::clamp(Value, 0, count - 1);
  if (Value == current) return;
  list.erase(list.begin() + current);
  list.insert(list.begin() + Value, this);
}

TComponent* TComponent::FindComponent(const std::string& AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* c : FComponents)
    if (SameText(c->FName, AName)) return c;
  return nullptr;
}

void TComponent::ValidateRename(TComponent* AComponent, const std::string& CurName, const std::string& NewName) {
  if (!AComponent || NewName.empty() || SameText(CurName, NewName)) return;
  TComponent* holder = FindComponent(NewName);
  if (holder && holder != AComponent) throw EComponentError("A component named " + NewName + " already exists");
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner == this) return;
  for (TComponent* o = this; o; o = o->FOwner)
    if (o == AComponent) throw EComponentError("A component cannot own itself or its owners");
  // Refuse a taken name before anything changes hands.
  if (!AComponent->FName.empty() && FindComponent(AComponent->FName))
    throw EComponentError("A component named " + AComponent->FName + " already exists");
  if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
  if (FComponentState.Contains(csDesigning)) AComponent->SetDesigning(true);
  Deliver(this, AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner != this) return;
  {
    TRemovalScope scope(AComponent);
    Deliver(this, AComponent, opRemove);
  }
  // A notification may already have taken it out (by freeing or moving it).
  auto it = std::find(FComponents.begin(), FComponents.end(), AComponent);
  if (it != FComponents.end()) {
    FComponents.erase(it);
    AComponent->FOwner = nullptr;
  }
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
  for (size_t i = FComponents.size(); i-- > 0;)
    if (i < FComponents.size()) Deliver(FComponents[i], AComponent, Operation);
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (!FOwner || AComponent->FOwner != FOwner) {
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end()) {
      FFreeNotifies.push_back(AComponent);
      AComponent->FreeNotification(this);
    }
  }
  FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent) return;
  std::erase(FFreeNotifies, AComponent);
  std::erase(AComponent->FFreeNotifies, this);
}

void TComponent::SetName(const std::string& NewName) {
  if (FName == NewName) return;
  if (!NewName.empty() && !IsValidIdent(NewName))
    throw EComponentError("Component name \"" + NewName + "\" is not valid");
  if (FOwner) FOwner->ValidateRename(this, FName, NewName);
  else ValidateRename(nullptr, FName, NewName);
  ChangeName(NewName);
}

std::string TComponent::GetNamePath() const { return FName; }

void TComponent::Loaded() { FComponentState.Exclude(csLoading); }

void TComponent::GetChildren(const TGetChildProc&, TComponent*) {}

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
  if (Value) FComponentState.Include(csDesigning);
  else FComponentState.Exclude(csDesigning);
  if (SetChildren)
    for (TComponent* c : FComponents) c->SetDesigning(Value, true);
}

}  // namespace rtl
