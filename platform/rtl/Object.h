// The roots of the class library: TObject with its class metadata, and TPersistent.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/SysUtils.h"

namespace rtl {

class TObject;
class TPersistent;
class TComponent;
class TFiler;
struct TClassInfo;
struct TPropInfo;
struct TMethodInfo;

// A class reference: the metadata record of a class, one per class, never freed.
using TClass = const TClassInfo*;

// Creates an instance of a class through its virtual constructor. Components get their
// owner; other classes ignore it.
using TClassFactory = std::function<TObject*(TComponent* owner)>;

// What the runtime knows of a class: its name, its parent, how to create it, and its
// published properties and methods (own ones only; the parent chain holds the rest).
struct TClassInfo {
  std::string Name;
  TClass Parent = nullptr;
  TClassFactory Factory;                   // empty for abstract classes
  std::vector<const TPropInfo*> Properties;  // in declaration order
  std::vector<const TMethodInfo*> Methods;   // the published-method table

  bool InheritsFrom(TClass other) const;
};

class TObject {
public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  static TClass StaticClass();
  virtual TClass ClassType() const { return StaticClass(); }
  const std::string& ClassName() const { return ClassType()->Name; }
  bool InheritsFrom(TClass cls) const { return ClassType()->InheritsFrom(cls); }
  template <class T> bool Is() const { return InheritsFrom(T::StaticClass()); }
};

// Declares a class's metadata accessors inside its body. The record itself is defined
// in the class's source file (see TypInfo.h for the builder).
#define RTL_CLASS(Name, Base)                                                  \
public:                                                                        \
  using inherited = Base;                                                      \
  static ::rtl::TClass StaticClass();                                          \
  ::rtl::TClass ClassType() const override { return StaticClass(); }          \
                                                                               \
private:

class TPersistent : public TObject {
  RTL_CLASS(TPersistent, TObject)
public:
  // Copies Source into this object; classes that cannot, hand it to Source->AssignTo,
  // which raises EConvertError ("Cannot assign a %s to a %s") when nobody can.
  virtual void Assign(const TPersistent* Source);
  // The dotted path by which a property editor or a stream names this object.
  virtual std::string GetNamePath() const;

protected:
  virtual void AssignTo(TPersistent* Dest) const;
  // Lets a class stream values that are not published properties.
  virtual void DefineProperties(TFiler* Filer);
  virtual TPersistent* GetOwner() const { return nullptr; }
  friend class TFiler;
};

}  // namespace rtl
