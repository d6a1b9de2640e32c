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

// Owners with fewer components look names up by walking them.
constexpr size_t NameIndexFrom = 32;

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
    EraseFromBack(other->freeNotifies_, this);
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
      UnindexName(instance);
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
  if (names_) return FindByKey(UpperCase(AName));
  for (TComponent* c : components_)
    if (SameText(c->name_, AName)) return c;
  return nullptr;
}

TComponent* TComponent::FindByKey(const std::string& Key) const {
  const auto it = names_->find(Key);
  return it == names_->end() ? nullptr : it->second;
}

void TComponent::IndexName(TComponent* AComponent) {
  if (!names_) {
    if (components_.size() < NameIndexFrom) return;
    names_ = std::make_unique<std::unordered_map<std::string, TComponent*>>();
    for (TComponent* c : components_)
      if (!c->name_.empty()) names_->emplace(UpperCase(c->name_), c);
    return;
  }
  if (!AComponent->name_.empty()) names_->emplace(UpperCase(AComponent->name_), AComponent);
}

void TComponent::UnindexName(TComponent* AComponent) {
  if (!names_ || AComponent->name_.empty()) return;
  const auto it = names_->find(UpperCase(AComponent->name_));
  if (it != names_->end() && it->second == AComponent) names_->erase(it);
}

void TComponent::ChangeName(const std::string& NewName) {
  if (owner_) owner_->UnindexName(this);
  name_ = NewName;
  if (owner_) owner_->IndexName(this);
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
  IndexName(AComponent);
  if (componentState_.Contains(csDesigning)) AComponent->SetDesigning(true);
  Deliver(this, AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->owner_ != this) return;
  {
    TRemovalScope scope(AComponent);
    Deliver(this, AComponent, opRemove);
  }
  // A notification may already have taken it out (by freeing or moving it). An owner
  // being freed removes its components from the back.
  if (EraseFromBack(components_, AComponent)) {
    UnindexName(AComponent);
    AComponent->owner_ = nullptr;
  }
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
}

bool TComponent::SubscribedTo(const TComponent* AComponent) const {
  // The relation is kept on both sides: search the shorter list.
  if (freeNotifies_.size() <= AComponent->freeNotifies_.size()) return ContainsFromBack(freeNotifies_, AComponent);
  return ContainsFromBack(AComponent->freeNotifies_, this);
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (!SubscribedTo(AComponent)) {
    freeNotifies_.push_back(AComponent);
    AComponent->freeNotifies_.push_back(this);
  }
  componentState_.Include(csFreeNotification);
  AComponent->componentState_.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent || !SubscribedTo(AComponent)) return;
  EraseFromBack(freeNotifies_, AComponent);
  EraseFromBack(AComponent->freeNotifies_, this);
}

void TComponent::SetName(const std::string& NewName) {
  if (name_ == NewName) return;
  if (!NewName.empty() && !IsValidIdent(NewName))
    throw EComponentError("Component name \"" + NewName + "\" is not valid");
  // A stream holds a name in a short string: a longer one could be set but never written.
  if (NewName.size() > 255)
    throw EComponentError("Component name " + NewName.substr(0, 32) + "... is longer than 255 characters");
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
