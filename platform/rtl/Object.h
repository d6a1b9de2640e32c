// The roots of the class library: TObject with its class metadata and the class registry,
// TPersistent, and the abstract filer through which persistent objects stream extra data.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/rtl/SysUtils.h"

namespace rtl {

class TObject;
class TPersistent;
class TComponent;
class TFiler;
class TReader;
class TWriter;
class TStream;
struct TClassInfo;
struct TPropInfo;
struct TMethodInfo;

namespace detail {
// The object whose SetField notifications are held (see TPersistent::SetField).
extern thread_local const TObject* heldNotifications;

// The nearest ancestor of C declared with RTL_CLASS (see there).
template <class C> struct TClassTag {
  using type = C;
};
void RtlNearestAbove();  // the real ones are hidden friends, found through the argument types
template <class C>
using NearestDeclaredAncestor =
    typename decltype(RtlNearestAbove(static_cast<C*>(nullptr), static_cast<const C*>(nullptr)))::type;
}  // namespace detail

// A class reference: the metadata record of a class, one per class, never freed.
using TClass = const TClassInfo*;

// Creates an instance of a class through its virtual constructor. Components get their
// owner; other classes ignore it.
using TClassFactory = std::function<std::unique_ptr<TObject>(TComponent* owner)>;

// What the runtime knows of a class: its name, its parent, how to create it, and its
// published properties and methods (own ones only; the parent chain holds the rest).
// Records are built with DefineClass (TypInfo.h) next to each class.
struct TClassInfo {
  std::string Name;
  TClass Parent = nullptr;
  TClassFactory Factory;                                  // empty for abstract classes
  std::vector<std::shared_ptr<const TPropInfo>> Properties;  // in declaration order
  std::vector<std::shared_ptr<const TMethodInfo>> Methods;   // the published-method table

  bool InheritsFrom(TClass other) const;
  // Case-insensitive comparison with the class name, as the registry does it.
  bool ClassNameIs(const std::string& name) const;
  // The virtual constructor. Like every class factory of the library it returns the new
  // object in a std::unique_ptr: the caller holds it until it is set up. A component made
  // with an Owner is in the owner's list already; if the caller lets the pointer go (an
  // exception while setting it up), the component is freed and leaves its owner; once it is
  // set up, the caller hands it over with release() and the owner frees it. Abstract
  // classes raise EInvalidOperation.
  std::unique_ptr<TObject> Create(TComponent* Owner = nullptr) const;
};

// The root of the class library.
//
// One way to free an object: Free(), delete, std::unique_ptr and an owner freeing its
// components all go through TObject's destroying operator delete, which runs
// BeforeDestruction while the whole object is intact, then the destructors, then gives the
// memory back. So an object tree can release its children and send its notifications from
// BeforeDestruction, and a thread can stop before its subclass's members go.
// An object that lives by value (a local or a member) has only its destructors run: classes
// whose BeforeDestruction does more than their base's must be made with new (or
// std::make_unique, or with an owner). TComponent's destructor does the component's part
// of BeforeDestruction when it did not run.
// A class that also implements interfaces names its TObject base first: g++ takes the
// call of the operator below with a pointer into the middle of an object for a wrong free
// and warns (an error here).
class TObject {
public:
  // The class's own type, as every class declared with RTL_CLASS restates it (see there).
  using ThisClass = TObject;
  static constexpr const char* RtlClassName = "TObject";
  template <class P, std::enable_if_t<!std::is_same_v<P, TObject>, int> = 0>
  friend detail::TClassTag<TObject> RtlNearestAbove(P*, const TObject*) {
    return {};
  }

  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  static TClass StaticClass();
  virtual TClass ClassType() const { return StaticClass(); }
  const std::string& ClassName() const { return ClassType()->Name; }
  bool InheritsFrom(TClass cls) const { return ClassType()->InheritsFrom(cls); }
  template <class T> bool Is() const;

  // Frees the object: the same as delete.
  void Free() { delete this; }
  // Runs once, on every path that frees a heap object, before any destructor: the object is
  // still whole. Overrides call the inherited one. It must not raise (like a destructor).
  virtual void BeforeDestruction() {}

  // Every delete of a TObject comes here (the static type of the pointer may be any class
  // derived from it): BeforeDestruction, the virtual destructor, then the memory.
  static void operator delete(TObject* Obj, std::destroying_delete_t);
  // TObjects are made with the plain allocation, which the operator above gives back; a
  // class aligned beyond it does not compile. The usual deallocation only serves a
  // constructor that raises (the object never existed).
  static void* operator new(std::size_t Size);
  static void* operator new(std::size_t Size, std::align_val_t) = delete;
  static void* operator new(std::size_t, void* Place) noexcept { return Place; }
  static void operator delete(void* Memory) noexcept;
};

// Frees Obj (when set) and clears the reference before the object goes away.
template <class T> void FreeAndNil(T*& Obj) {
  T* tmp = Obj;
  Obj = nullptr;
  delete tmp;
}

// Narrows a new object from a class factory to the class the caller needs: nil (the object
// freed) when it is not a T.
template <class T> std::unique_ptr<T> OwnedAs(std::unique_ptr<TObject> Obj) {
  T* narrowed = dynamic_cast<T*>(Obj.get());
  if (!narrowed) return nullptr;
  (void)Obj.release();
  return std::unique_ptr<T>(narrowed);
}

// Declares a class's metadata accessors inside its body; the record itself is defined in
// the class's source file with DefineClass<Name>() (TypInfo.h), which takes the parent
// from Base. Base must be the nearest ancestor declared with RTL_CLASS (or TObject):
// naming another class, or skipping a declared one in between, fails to compile here.
// (Each declared class has a hidden friend RtlNearestAbove that overload resolution
// picks for pointers to its descendants, the nearest one winning; the check runs in
// ClassType's body, where the class is complete.) A class without the macro is a plain
// C++ helper: it answers with its nearest declared ancestor's record, and DefineClass,
// ClassOf, Is, RegisterClasses and property types refuse it at compile time.
#define RTL_CLASS(Name, Base)                                                                              \
public:                                                                                                    \
  using inherited = Base;                                                                                  \
  using ThisClass = Name;                                                                                  \
  static constexpr const char* RtlClassName = #Name;                                                       \
  static ::rtl::TClass StaticClass();                                                                      \
  ::rtl::TClass ClassType() const override {                                                               \
    static_assert(std::is_same_v<::rtl::detail::NearestDeclaredAncestor<Name>, Base>,                      \
                  "RTL_CLASS(" #Name ", " #Base "): " #Base " is not the nearest RTL_CLASS ancestor");     \
    return StaticClass();                                                                                  \
  }                                                                                                        \
  template <class P, std::enable_if_t<!std::is_same_v<P, Name>, int> = 0>                                  \
  friend ::rtl::detail::TClassTag<Name> RtlNearestAbove(P*, const Name*) {                                 \
    return {};                                                                                             \
  }                                                                                                        \
                                                                                                           \
private:

// The class record of C, which must declare itself with RTL_CLASS (a class without the
// macro would silently answer with its parent's record).
template <class C> TClass ClassOf() {
  static_assert(std::is_same_v<typename C::ThisClass, C>, "the class has no RTL_CLASS of its own");
  return C::StaticClass();
}

template <class T> bool TObject::Is() const { return InheritsFrom(ClassOf<T>()); }

// The class registry through which streams and callers create objects by class name.
// Registration is explicit (library start-up functions), never by static initialisers.
// Registering a class twice is harmless; another class under a taken name raises
// EFilerError ("A class named %s already exists").
void RegisterClass(TClass AClass);
void RegisterClasses(std::initializer_list<TClass> Classes);
// The same by type: RegisterClasses<TPanel, TLabel>().
template <class... C> void RegisterClasses() { RegisterClasses({ClassOf<C>()...}); }
void UnRegisterClass(TClass AClass);
// The registered class of that name (case-insensitive), or nil.
TClass GetClass(const std::string& ClassName);
// The same, raising EClassNotFound ("Class %s not found") when it is not registered.
TClass FindClass(const std::string& ClassName);
// Creates an instance of a registered class through its virtual constructor (see
// TClassInfo::Create for who owns it).
std::unique_ptr<TObject> CreateObjectByName(const std::string& ClassName, TComponent* Owner = nullptr);

class TPersistent : public TObject {
  RTL_CLASS(TPersistent, TObject)
public:
  // Copies Source into this object; classes that cannot, hand it to Source->AssignTo,
  // which raises EConvertError ("Cannot assign a %s to a %s") when nobody can.
  virtual void Assign(const TPersistent* Source);
  // The dotted path by which a property editor or a stream names this object: the
  // owner's path, a dot and the class name (components: their name).
  virtual std::string GetNamePath() const;

protected:
  // The setter helper: stores Value in Field when it differs and then notifies through
  // Changed: a member function of the class (void() or a handler taking the sender), or
  // an event member of the class (fired with this object as Sender), or nothing. Returns
  // whether Field changed. A setter is then one line:
  //   void SetSize(float Value) { SetField(size_, Value, &TFoo::OnChange); }
  // While a property-table Assign (AssignProperties, TypInfo.h) copies into this object,
  // the notifications are held: that Assign notifies once, as its class decides.
  template <class T, class V, class N = std::nullptr_t> bool SetField(T& Field, V&& Value, N Changed = nullptr) {
    if (Field == Value) return false;
    Field = std::forward<V>(Value);
    if constexpr (!std::is_same_v<N, std::nullptr_t>)
      if (detail::heldNotifications != this) Notify(Changed);
    return true;
  }

  virtual void AssignTo(TPersistent* Dest) const;
  // Lets a class stream values that are not published properties.
  virtual void DefineProperties(TFiler* Filer);
  // The object this one belongs to (for GetNamePath); nil here.
  virtual TPersistent* GetOwner() const { return nullptr; }
  friend class TFiler;

private:
  template <class M, class C> void Notify(M C::*Changed) {
    C* self = static_cast<C*>(this);
    if constexpr (std::is_function_v<M> && std::is_invocable_v<M C::*, C*>) (self->*Changed)();
    else (self->*Changed)(self);  // an event, or a handler taking the sender
  }
};

// Reader and writer callbacks of a defined property. A data property reads and writes
// values through the component reader and writer; a binary property gets the raw stream.
using TReaderProc = std::function<void(TReader& Reader)>;
using TWriterProc = std::function<void(TWriter& Writer)>;
using TStreamProc = std::function<void(TStream& Stream)>;

// The common base of the component stream's reader and writer, as persistent objects see
// it in DefineProperties: a writer calls WriteData when HasData is true; a reader calls
// ReadData when the stream holds the property.
class TFiler : public TObject {
  RTL_CLASS(TFiler, TObject)
public:
  virtual void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData,
                              bool HasData) = 0;
  virtual void DefineBinaryProperty(const std::string& Name, TStreamProc ReadData,
                                    TStreamProc WriteData, bool HasData) = 0;
  // The root component of the stream being read or written (nil when not a component).
  TComponent* Root() const { return root_; }
  // The ancestor whose values count as defaults (nil: none).
  TPersistent* Ancestor() const { return ancestor_; }
  // True when the stream serves a copy inside the program (a clone) and is no file: what
  // a file holds in a lossy form (an opaque picture as JPEG) is written exactly.
  bool Copying() const { return copying_; }
  void SetCopying(bool Value) { copying_ = Value; }

protected:
  static void CallDefineProperties(TPersistent* Instance, TFiler* Filer) {
    Instance->DefineProperties(Filer);
  }
  TComponent* root_ = nullptr;
  TPersistent* ancestor_ = nullptr;
  bool copying_ = false;
};

}  // namespace rtl
