#include "platform/rtl/Component.h"

#include <algorithm>
#include <array>
#include <optional>
#include <unordered_set>

namespace rtl {

namespace {

bool IsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

// The receivers already told of one removal. Most removals tell a handful, kept in place;
// a removal broadcast through a large owner tree moves to a hash set.
class TToldSet {
public:
  // True when Receiver was not told yet; it counts as told from now on.
  bool Add(const TComponent* Receiver) {
    if (!many_.empty()) return many_.insert(Receiver).second;
    const auto end = few_.begin() + static_cast<std::ptrdiff_t>(count_);
    if (std::find(few_.begin(), end, Receiver) != end) return false;
    if (count_ < few_.size()) {
      few_[count_++] = Receiver;
      return true;
    }
    many_.insert(few_.begin(), few_.end());
    count_ = 0;
    many_.insert(Receiver);
    return true;
  }
  void Remove(const TComponent* Receiver) {
    if (!many_.empty()) {
      many_.erase(Receiver);
      return;
    }
    const auto end = few_.begin() + static_cast<std::ptrdiff_t>(count_);
    const auto it = std::find(few_.begin(), end, Receiver);
    if (it == end) return;
    *it = few_[--count_];
  }

private:
  std::array<const TComponent*, 16> few_{};
  size_t count_ = 0;
  std::unordered_set<const TComponent*> many_;
};

// While a component is being removed, the receivers already told about it, so that one
// reached both through the free-notification list and through the owner tree (or
// through several owners on the way down) hears of it once. A stack of records lives in
// the frames of the removals in progress (per thread).
struct TRemoval {
  const TComponent* Subject;
  TToldSet Told;
  TRemoval* Prev;
};
thread_local TRemoval* gRemovals = nullptr;

class TRemovalScope {
public:
  explicit TRemovalScope(const TComponent* subject) {
    for (TRemoval* r = gRemovals; r; r = r->Prev)
      if (r->Subject == subject) return;  // an outer removal of the same component records
    record_.emplace(TRemoval{subject, {}, gRemovals});
    gRemovals = &*record_;
  }
  ~TRemovalScope() {
    if (record_) gRemovals = record_->Prev;
  }
  TRemovalScope(const TRemovalScope&) = delete;
  TRemovalScope& operator=(const TRemovalScope&) = delete;

private:
  std::optional<TRemoval> record_;
};

// True the first time Receiver is told of Subject's removal during the current removal.
bool FirstNotice(const TComponent* subject, const TComponent* receiver) {
  for (TRemoval* r = gRemovals; r; r = r->Prev)
    if (r->Subject == subject) return r->Told.Add(receiver);
  return true;
}

// A receiver that is freed while it is being told must not be told again later.
void Forget(const TComponent* receiver) {
  for (TRemoval* r = gRemovals; r; r = r->Prev) r->Told.Remove(receiver);
}

// Removes Item from List, looking from the back (lists shrink from the back when trees are
// freed); false when it is not there.
bool EraseFromBack(std::vector<TComponent*>& List, const TComponent* Item) {
  for (size_t i = List.size(); i-- > 0;)
    if (List[i] == Item) {
      List.erase(List.begin() + static_cast<std::ptrdiff_t>(i));
      return true;
    }
  return false;
}

bool ContainsFromBack(const std::vector<TComponent*>& List, const TComponent* Item) {
  return std::find(List.rbegin(), List.rend(), Item) != List.rend();
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
  // Freed from the heap, BeforeDestruction did this already and nothing is left to do; a
  // component that lived by value gets the component's part of it here.
  TComponent::BeforeDestruction();
  Forget(this);
}

void TComponent::BeforeDestruction() {
  Destroying();
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
    EraseFromBack(other->FFreeNotifies, this);
    Deliver(other, this, opRemove);
  }
}

void TComponent::DestroyComponents() {
  const bool outer = !freeingComponents_;
  freeingComponents_ = true;
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
  if (outer) freeingComponents_ = false;
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
  // A notification may already have taken it out (by freeing or moving it). An owner
  // being freed removes its components from the back.
  if (EraseFromBack(FComponents, AComponent)) AComponent->FOwner = nullptr;
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
  // Its components are being freed (with it, or all of them): they hear of a removal
  // through their own subscriptions only.
  if (Operation == opRemove && (FComponentState.Contains(csDestroying) || freeingComponents_)) return;
  for (size_t i = FComponents.size(); i-- > 0;)
    if (i < FComponents.size()) Deliver(FComponents[i], AComponent, Operation);
}

bool TComponent::SubscribedTo(const TComponent* AComponent) const {
  // The relation is kept on both sides: search the shorter list.
  if (FFreeNotifies.size() <= AComponent->FFreeNotifies.size()) return ContainsFromBack(FFreeNotifies, AComponent);
  return ContainsFromBack(AComponent->FFreeNotifies, this);
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (!SubscribedTo(AComponent)) {
    FFreeNotifies.push_back(AComponent);
    AComponent->FFreeNotifies.push_back(this);
  }
  FComponentState.Include(csFreeNotification);
  AComponent->FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent || !SubscribedTo(AComponent)) return;
  EraseFromBack(FFreeNotifies, AComponent);
  EraseFromBack(AComponent->FFreeNotifies, this);
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
