#include "platform/rtl/Object.h"

#include "platform/rtl/TypInfo.h"

namespace rtl {

namespace detail {
thread_local const TObject* heldNotifications = nullptr;
}  // namespace detail

namespace {

// The registered classes. Touched on the GUI thread only; never freed (class records
// live as long as the program).
std::vector<TClass>& Registry() {
  static auto* classes = new std::vector<TClass>;
  return *classes;
}

}  // namespace

bool TClassInfo::InheritsFrom(TClass other) const {
  for (TClass c = this; c; c = c->Parent)
    if (c == other) return true;
  return false;
}

bool TClassInfo::ClassNameIs(const std::string& name) const { return SameText(Name, name); }

std::unique_ptr<TObject> TClassInfo::Create(TComponent* Owner) const {
  if (!Factory) throw EInvalidOperation("Cannot create an instance of the abstract class " + Name);
  return Factory(Owner);
}

// Out of line on purpose: inlined into a destructor, the compiler takes the call for a
// deallocation of a pointer into the middle of an object and warns.
void TObject::operator delete(TObject* Obj, std::destroying_delete_t) {
  Obj->BeforeDestruction();
  void* memory = dynamic_cast<void*>(Obj);  // the most derived object starts here
  Obj->~TObject();
  ::operator delete(memory);
}

void* TObject::operator new(std::size_t Size) { return ::operator new(Size); }

void TObject::operator delete(void* Memory) noexcept { ::operator delete(Memory); }

TClass TObject::StaticClass() {
  static const TClassInfo info = DefineClass<TObject>("TObject").Build();
  return &info;
}

void RegisterClass(TClass AClass) {
  if (!AClass) return;
  for (TClass c : Registry()) {
    if (c == AClass) return;
    if (c->ClassNameIs(AClass->Name)) throw EFilerError("A class named " + AClass->Name + " already exists");
  }
  Registry().push_back(AClass);
}

void RegisterClasses(std::initializer_list<TClass> Classes) {
  for (TClass c : Classes) RegisterClass(c);
}

void UnRegisterClass(TClass AClass) {
  auto& r = Registry();
  std::erase(r, AClass);
}

TClass GetClass(const std::string& ClassName) {
  for (TClass c : Registry())
    if (c->ClassNameIs(ClassName)) return c;
  return nullptr;
}

TClass FindClass(const std::string& ClassName) {
  TClass c = GetClass(ClassName);
  if (!c) throw EClassNotFound("Class " + ClassName + " not found");
  return c;
}

std::unique_ptr<TObject> CreateObjectByName(const std::string& ClassName, TComponent* Owner) {
  return FindClass(ClassName)->Create(Owner);
}

TClass TPersistent::StaticClass() {
  static const TClassInfo info = DefineClass<TPersistent>().Build();
  return &info;
}

void TPersistent::Assign(const TPersistent* Source) {
  if (Source) {
    Source->AssignTo(this);
    return;
  }
  AssignTo(this);  // assigning nil: the class decides, the base refuses
}

void TPersistent::AssignTo(TPersistent* Dest) const {
  // Source is this object; when called for a nil source, this == Dest.
  const std::string source = Dest == this ? std::string("nil") : ClassName();
  throw EConvertError("Cannot assign a " + source + " to a " + Dest->ClassName());
}

std::string TPersistent::GetNamePath() const {
  std::string path = ClassName();
  if (const TPersistent* owner = GetOwner()) {
    const std::string ownerPath = owner->GetNamePath();
    if (!ownerPath.empty()) path = ownerPath + "." + path;
  }
  return path;
}

void TPersistent::DefineProperties(TFiler*) {}

TClass TFiler::StaticClass() {
  static const TClassInfo info = DefineClass<TFiler>().Build();
  return &info;
}

}  // namespace rtl
