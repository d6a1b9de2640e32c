// Run-time type information of published properties and methods.
//
// A published class declares itself with RTL_CLASS (Object.h) and its published face once,
// next to the class in its .cpp; the parent comes from the class (RTL_CLASS's Base):
//
//   class TFoo : public TBase {                         // header
//     RTL_CLASS(TFoo, TBase)
//   public:
//     float XRadius() const { return xRadius_; }
//     void SetXRadius(float Value) { SetField(xRadius_, Value, &TFoo::OnChange); }
//     void Assign(const TPersistent* Source) override;  // when it copies the table
//     rtl::TNotifyEvent OnChange;
//   private:
//     float xRadius_ = 0;
//   };
//
//   rtl::TClass TFoo::StaticClass() {                   // source
//     static const rtl::TClassInfo info = rtl::DefineClass<TFoo>()
//         .Property("XRadius", &TFoo::XRadius, &TFoo::SetXRadius).Default(0.0f)
//         .Event("OnClick", &TFoo::OnClick)
//         .Method("FormClick", &TFoo::FormClick)
//         .Build();
//     return &info;
//   }
//   void TFoo::Assign(const TPersistent* Source) {
//     if (!rtl::AssignProperties(this, Source)) return inherited::Assign(Source);
//     OnChange(this);
//   }
//
// Enumerations are declared with their value names in one go, in the header:
//
//   RTL_ENUM(TFooKind, fkNone, fkSome);                 // enum TFooKind { fkNone, fkSome };
//   RTL_ENUM_OF(TBarKind, std::uint8_t, bkOne, bkTwo);  // with an underlying type
//
// Property paths are dotted ("Fill.Color"): every part but the last names a published
// class property whose object holds the next part. Names compare without regard to case.
// Unknown names, wrong kinds, read-only targets and values that do not fit raise
// EPropertyError (EPropertyConvertError / EConvertError for text that does not convert).
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <variant>
#include <vector>

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"

namespace rtl {

enum TTypeKind {
  tkUnknown,
  tkInteger,      // 8/16/32-bit integers and their subranges
  tkChar,         // 8-bit character
  tkEnumeration,  // enumerations, Boolean among them
  tkFloat,        // Single, Double, Extended
  tkSet,          // set of an enumeration
  tkClass,        // object reference (owned persistent value or component reference)
  tkMethod,       // event
  tkWChar,        // UTF-16 code unit
  tkLString,      // 8-bit string (std::string)
  tkWString,      // wide string (std::u16string)
  tkInt64
};
enum TOrdType { otSByte, otUByte, otSWord, otUWord, otSLong, otULong };
enum TFloatType { ftSingle, ftDouble, ftExtended };

// A Pascal-style set of an enumeration whose values lie in 0..63.
template <class E> class TSet {
public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> elements) {
    for (E e : elements) Include(e);
  }
  static constexpr TSet FromBits(uint64_t bits) {
    TSet s;
    s.bits_ = bits;
    return s;
  }
  constexpr uint64_t Bits() const { return bits_; }
  constexpr bool Contains(E e) const { return InRange(e) && (bits_ >> Index(e)) & 1u; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr TSet& Include(E e) {
    if (InRange(e)) bits_ |= uint64_t{1} << Index(e);
    return *this;
  }
  constexpr TSet& Exclude(E e) {
    if (InRange(e)) bits_ &= ~(uint64_t{1} << Index(e));
    return *this;
  }
  constexpr TSet operator+(TSet o) const { return FromBits(bits_ | o.bits_); }
  constexpr TSet operator-(TSet o) const { return FromBits(bits_ & ~o.bits_); }
  constexpr TSet operator*(TSet o) const { return FromBits(bits_ & o.bits_); }
  constexpr TSet& operator+=(TSet o) { return *this = *this + o; }
  constexpr TSet& operator-=(TSet o) { return *this = *this - o; }
  constexpr TSet& operator*=(TSet o) { return *this = *this * o; }
  constexpr bool operator==(const TSet&) const = default;

private:
  static constexpr int64_t Index(E e) { return static_cast<int64_t>(e); }
  static constexpr bool InRange(E e) { return Index(e) >= 0 && Index(e) < 64; }
  uint64_t bits_ = 0;
};

struct TEnumName {
  std::string Name;
  int64_t Value;
};

struct TTypeInfo {
  std::string Name;  // empty for class types: use ClassType()->Name
  TTypeKind Kind = tkUnknown;
  TOrdType OrdType = otSLong;  // ordinal kinds
  int64_t MinValue = 0;        // ordinal kinds (sets: of their elements)
  int64_t MaxValue = 0;
  TFloatType FloatType = ftDouble;
  std::vector<TEnumName> EnumNames;        // enumerations, in value order
  const TTypeInfo* (*CompTypeFn)() = nullptr;  // sets: the element enumeration
  TClass (*ClassTypeFn)() = nullptr;           // classes (resolved lazily)
  const std::type_info* MethodSignature = nullptr;  // methods: the function type

  const TTypeInfo* CompType() const { return CompTypeFn ? CompTypeFn() : nullptr; }
  TClass ClassType() const { return ClassTypeFn ? ClassTypeFn() : nullptr; }
};

// How a property's default is given: the kind's implicit default (0, 0.0, empty text,
// nil; none for ordinals), an explicit Default(...), or "nodefault" (always written).
enum class TDefaultMode { Implicit, Value, NoDefault };

// One published property: its type and type-erased accessors of the matching kind
// (ordinal kinds use the Ord pair, floats Float, 8-bit strings Str, wide strings WStr,
// classes Obj, methods Method). A missing setter makes the property read-only.
struct TPropInfo {
  std::string Name;
  const TTypeInfo* PropType = nullptr;
  std::shared_ptr<const TTypeInfo> OwnType;  // holds PropType when narrowed for this property

  std::function<int64_t(const TObject*)> GetOrd;
  std::function<void(TObject*, int64_t)> SetOrd;
  std::function<double(const TObject*)> GetFloat;
  std::function<void(TObject*, double)> SetFloat;
  std::function<std::string(const TObject*)> GetStr;
  std::function<void(TObject*, const std::string&)> SetStr;
  std::function<std::u16string(const TObject*)> GetWStr;
  std::function<void(TObject*, const std::u16string&)> SetWStr;
  std::function<TObject*(const TObject*)> GetObj;
  std::function<void(TObject*, TObject*)> SetObj;
  std::function<TMethod(const TObject*)> GetMethod;
  std::function<void(TObject*, const TMethod&)> SetMethod;

  TDefaultMode DefaultMode = TDefaultMode::Implicit;
  int64_t DefaultOrd = 0;
  double DefaultFloat = 0;
  std::string DefaultStr;
  std::u16string DefaultWStr;

  bool StoredValue = true;                       // "stored false" when false
  std::function<bool(const TObject*)> StoredFn;  // stored predicate (member function)

  TTypeKind Kind() const { return PropType->Kind; }
  bool Writable() const;
};

// One entry of a class's published-method table.
struct TMethodInfo {
  std::string Name;
  const std::type_info* Signature = nullptr;
  TMethodCode Code;
  // A reference to this method of Instance (which must be of the declaring class).
  std::function<TMethod(TObject* Instance)> Bind;
};

// A property value of any kind, for GetPropValue/SetPropValue. Enumerations and sets
// travel as their names ("vgAlignNone", "[a,b]"), Booleans as bool.
using TPropValue =
    std::variant<std::monostate, bool, int64_t, double, std::string, std::u16string, TObject*, TMethod>;

// ---- type information of C++ types -------------------------------------------------

const TTypeInfo* BooleanTypeInfo();

template <class E> TTypeInfo DefineEnum(std::string Name, std::initializer_list<std::pair<const char*, E>> Values) {
  TTypeInfo info;
  info.Name = std::move(Name);
  info.Kind = tkEnumeration;
  bool first = true;
  for (const auto& [name, value] : Values) {
    const auto v = static_cast<int64_t>(value);
    info.EnumNames.push_back({name, v});
    info.MinValue = first || v < info.MinValue ? v : info.MinValue;
    info.MaxValue = first || v > info.MaxValue ? v : info.MaxValue;
    first = false;
  }
  info.OrdType = info.MinValue >= 0 && info.MaxValue < 256 ? otUByte
                 : info.MinValue >= 0 && info.MaxValue < 65536 ? otUWord
                                                               : otSLong;
  return info;
}

namespace detail {
// Whether a stringised enumerator list holds names only (no "= value").
constexpr bool PlainEnumerators(const char* List) {
  for (; *List; ++List)
    if (*List == '=') return false;
  return true;
}
// The names of a stringised enumerator list ("a, b, c"), valued 0, 1, 2, ...
std::vector<std::pair<std::string, int64_t>> SplitEnumerators(const char* List);
TTypeInfo DefineEnumNames(std::string Name, const std::vector<std::pair<std::string, int64_t>>& Values);
}  // namespace detail

// Declares an enumeration and its type information (with the value names) at once, in the
// header, in the enumeration's namespace: RTL_ENUM(TFooKind, fkNone, fkSome) is
// enum TFooKind { fkNone, fkSome } plus RtlTypeInfo(TFooKind*), which streams and
// GetEnumName find by argument-dependent lookup. Values count from 0; an enumerator with
// "= value" fails to compile. RTL_ENUM_OF gives the enumeration an underlying type.
#define RTL_ENUM(Name, ...)     \
  enum Name { __VA_ARGS__ };    \
  RTL_ENUM_INFO_(Name, __VA_ARGS__)
#define RTL_ENUM_OF(Name, Type, ...) \
  enum Name : Type { __VA_ARGS__ };  \
  RTL_ENUM_INFO_(Name, __VA_ARGS__)
#define RTL_ENUM_INFO_(Name, ...)                                                                        \
  inline const ::rtl::TTypeInfo* RtlTypeInfo(Name*) {                                                    \
    static_assert(::rtl::detail::PlainEnumerators(#__VA_ARGS__), "RTL_ENUM: values count from 0, no = value"); \
    static const ::rtl::TTypeInfo info =                                                                 \
        ::rtl::detail::DefineEnumNames(#Name, ::rtl::detail::SplitEnumerators(#__VA_ARGS__));            \
    return &info;                                                                                        \
  }                                                                                                      \
  static_assert(true)

template <class E> const TTypeInfo* EnumTypeInfo() { return RtlTypeInfo(static_cast<E*>(nullptr)); }

template <class E> const TTypeInfo* SetTypeInfo() {
  static const TTypeInfo info = [] {
    TTypeInfo t;
    t.Name = "set of " + EnumTypeInfo<E>()->Name;
    t.Kind = tkSet;
    t.OrdType = otULong;
    t.MinValue = EnumTypeInfo<E>()->MinValue;
    t.MaxValue = EnumTypeInfo<E>()->MaxValue;
    t.CompTypeFn = &EnumTypeInfo<E>;
    return t;
  }();
  return &info;
}

template <class T> const TTypeInfo* ClassTypeInfo() {
  static const TTypeInfo info = [] {
    TTypeInfo t;
    t.Kind = tkClass;
    t.ClassTypeFn = &ClassOf<T>;
    return t;
  }();
  return &info;
}

template <class Sig> const TTypeInfo* EventTypeInfo() {
  static const TTypeInfo info = [] {
    TTypeInfo t;
    t.Name = std::is_same_v<Sig, void(TObject*)> ? "TNotifyEvent" : "TMethod";
    t.Kind = tkMethod;
    t.MethodSignature = &typeid(Sig);
    return t;
  }();
  return &info;
}

namespace detail {
const TTypeInfo* IntegerTypeInfo(bool isSigned, int bytes);
const TTypeInfo* CharTypeInfo();
const TTypeInfo* WideCharTypeInfo();
const TTypeInfo* FloatTypeInfo(TFloatType type);
const TTypeInfo* StringTypeInfo();
const TTypeInfo* WideStringTypeInfo();

template <class T> struct IsSet : std::false_type {};
template <class E> struct IsSet<TSet<E>> : std::true_type {
  using Element = E;
};
template <class T> struct EventSig;
template <class Sig> struct EventSig<TEvent<Sig>> {
  using type = Sig;
};
[[noreturn]] void BadDefault(const std::string& prop);
[[noreturn]] void WrongClass(const std::string& prop);
}  // namespace detail

// The type information of a property value type V.
template <class V> const TTypeInfo* TypeInfoOf() {
  if constexpr (std::is_same_v<V, bool>) return BooleanTypeInfo();
  else if constexpr (std::is_same_v<V, char>) return detail::CharTypeInfo();
  else if constexpr (std::is_same_v<V, char16_t>) return detail::WideCharTypeInfo();
  else if constexpr (std::is_integral_v<V>) {
    static_assert(sizeof(V) <= 4 || std::is_signed_v<V>, "unsigned 64-bit properties are not supported");
    return detail::IntegerTypeInfo(std::is_signed_v<V>, sizeof(V));
  } else if constexpr (std::is_enum_v<V>) return EnumTypeInfo<V>();
  else if constexpr (detail::IsSet<V>::value) return SetTypeInfo<typename detail::IsSet<V>::Element>();
  else if constexpr (std::is_same_v<V, float>) return detail::FloatTypeInfo(ftSingle);
  else if constexpr (std::is_same_v<V, double>) return detail::FloatTypeInfo(ftDouble);
  else if constexpr (std::is_same_v<V, std::string>) return detail::StringTypeInfo();
  else if constexpr (std::is_same_v<V, std::u16string>) return detail::WideStringTypeInfo();
  else if constexpr (std::is_pointer_v<V> && std::is_base_of_v<TObject, std::remove_cv_t<std::remove_pointer_t<V>>>)
    return ClassTypeInfo<std::remove_cv_t<std::remove_pointer_t<V>>>();
  else if constexpr (IsEvent<V>::value) return EventTypeInfo<typename detail::EventSig<V>::type>();
  else static_assert(sizeof(V) == 0, "type cannot be published");
}

// ---- the class builder ------------------------------------------------------------------

// Builds the record of class C, whose parent is the one its RTL_CLASS names.
template <class C> class TClassBuilder {
  static_assert(std::is_same_v<typename C::ThisClass, C>, "the class has no RTL_CLASS of its own");

public:
  explicit TClassBuilder(std::string Name) { info_.Name = std::move(Name); }

  // A published property. Getter: a const member function returning the value, or a data
  // member. Setter: a member function taking the value, a data member, or nullptr for a
  // read-only property.
  template <class G, class S = std::nullptr_t> TClassBuilder& Property(std::string Name, G Getter, S Setter = nullptr) {
    using V = std::remove_cvref_t<decltype(CallGet(Getter, std::declval<const C&>()))>;
    auto p = std::make_shared<TPropInfo>();
    p->Name = std::move(Name);
    p->PropType = TypeInfoOf<V>();
    const std::string pname = p->Name;
    auto self = [pname](const TObject* o) -> const C& {
      const C* c = dynamic_cast<const C*>(o);
      if (!c) detail::WrongClass(pname);
      return *c;
    };
    auto get = [Getter, self](const TObject* o) -> V { return CallGet(Getter, self(o)); };
    [[maybe_unused]] auto set = [Setter, self](TObject* o, V v) { CallSet(Setter, const_cast<C&>(self(o)), std::move(v)); };
    constexpr bool writable = !std::is_same_v<S, std::nullptr_t>;
    if constexpr (std::is_same_v<V, char>) {  // 0..255 whatever the sign of char
      p->GetOrd = [get](const TObject* o) { return static_cast<int64_t>(static_cast<unsigned char>(get(o))); };
      if constexpr (writable) p->SetOrd = [set](TObject* o, int64_t v) { set(o, static_cast<char>(v)); };
    } else if constexpr (std::is_integral_v<V> || std::is_enum_v<V>) {
      p->GetOrd = [get](const TObject* o) { return static_cast<int64_t>(get(o)); };
      if constexpr (writable) p->SetOrd = [set](TObject* o, int64_t v) { set(o, static_cast<V>(v)); };
    } else if constexpr (detail::IsSet<V>::value) {
      p->GetOrd = [get](const TObject* o) { return static_cast<int64_t>(get(o).Bits()); };
      if constexpr (writable)
        p->SetOrd = [set](TObject* o, int64_t v) { set(o, V::FromBits(static_cast<uint64_t>(v))); };
    } else if constexpr (std::is_floating_point_v<V>) {
      p->GetFloat = [get](const TObject* o) { return static_cast<double>(get(o)); };
      if constexpr (writable) p->SetFloat = [set](TObject* o, double v) { set(o, static_cast<V>(v)); };
    } else if constexpr (std::is_same_v<V, std::string>) {
      p->GetStr = get;
      if constexpr (writable) p->SetStr = [set](TObject* o, const std::string& v) { set(o, v); };
    } else if constexpr (std::is_same_v<V, std::u16string>) {
      p->GetWStr = get;
      if constexpr (writable) p->SetWStr = [set](TObject* o, const std::u16string& v) { set(o, v); };
    } else if constexpr (std::is_pointer_v<V>) {
      using T = std::remove_cv_t<std::remove_pointer_t<V>>;
      p->GetObj = [get](const TObject* o) -> TObject* { return const_cast<T*>(get(o)); };
      if constexpr (writable)
        p->SetObj = [set, pname](TObject* o, TObject* v) {
          T* typed = dynamic_cast<T*>(v);
          if (v && !typed) detail::WrongClass(pname);
          set(o, typed);
        };
    } else {  // events
      p->GetMethod = [get](const TObject* o) { return get(o).ToMethod(); };
      if constexpr (writable) p->SetMethod = [set](TObject* o, const TMethod& m) { set(o, V::FromMethod(m)); };
    }
    info_.Properties.push_back(p);
    last_ = p;
    return *this;
  }

  // A published event held in a data member (read and written directly).
  template <class Sig, class D> TClassBuilder& Event(std::string Name, TEvent<Sig> D::*Field) {
    return Property(std::move(Name), Field, Field);
  }

  // The default of the last property: a value of the property's kind.
  template <class T> TClassBuilder& Default(const T& Value) {
    TPropInfo& p = *last_;
    p.DefaultMode = TDefaultMode::Value;
    const TTypeKind k = p.Kind();
    if constexpr (detail::IsSet<T>::value) {
      if (k != tkSet) detail::BadDefault(p.Name);
      p.DefaultOrd = static_cast<int64_t>(Value.Bits());
    } else if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) {
      if (k == tkFloat) p.DefaultFloat = static_cast<double>(static_cast<int64_t>(Value));
      else if (k == tkInteger || k == tkInt64 || k == tkChar || k == tkWChar || k == tkEnumeration)
        p.DefaultOrd = static_cast<int64_t>(Value);
      else detail::BadDefault(p.Name);
    } else if constexpr (std::is_floating_point_v<T>) {
      if (k != tkFloat) detail::BadDefault(p.Name);
      p.DefaultFloat = static_cast<double>(Value);
    } else if constexpr (std::is_convertible_v<const T&, std::u16string>) {
      if (k != tkWString) detail::BadDefault(p.Name);
      p.DefaultWStr = Value;
    } else if constexpr (std::is_convertible_v<const T&, std::string>) {
      if (k != tkLString) detail::BadDefault(p.Name);
      p.DefaultStr = Value;
    } else {
      static_assert(sizeof(T) == 0, "unsupported default value");
    }
    return *this;
  }
  // "nodefault": the last property is always written.
  TClassBuilder& NoDefault() {
    last_->DefaultMode = TDefaultMode::NoDefault;
    return *this;
  }
  // "stored false" / "stored true".
  TClassBuilder& Stored(bool Value) {
    last_->StoredValue = Value;
    last_->StoredFn = nullptr;
    return *this;
  }
  // Stored predicate: a const member function answering whether to write the property.
  template <class D> TClassBuilder& Stored(bool (D::*Predicate)() const) {
    const std::string pname = last_->Name;
    last_->StoredFn = [Predicate, pname](const TObject* o) {
      const C* c = dynamic_cast<const C*>(o);
      if (!c) detail::WrongClass(pname);
      return (c->*Predicate)();
    };
    return *this;
  }
  // Narrows the last (integer) property to a subrange.
  TClassBuilder& Range(int64_t Min, int64_t Max) {
    auto t = std::make_shared<TTypeInfo>(*last_->PropType);
    t->MinValue = Min;
    t->MaxValue = Max;
    last_->OwnType = t;
    last_->PropType = t.get();
    return *this;
  }
  // Marks the last (double) property as Extended.
  TClassBuilder& FloatType(TFloatType Type) {
    auto t = std::make_shared<TTypeInfo>(*last_->PropType);
    t->FloatType = Type;
    t->Name = Type == ftSingle ? "Single" : Type == ftDouble ? "Double" : "Extended";
    last_->OwnType = t;
    last_->PropType = t.get();
    return *this;
  }

  // An entry of the published-method table: streams bind events to it by name.
  template <class R, class D, class... Args> TClassBuilder& Method(std::string Name, R (D::*Member)(Args...)) {
    auto m = std::make_shared<TMethodInfo>();
    m->Name = Name;
    m->Signature = &typeid(R(Args...));
    m->Code = TMethodCode::Of(Member);
    m->Bind = [Member, Name](TObject* o) {
      C* c = dynamic_cast<C*>(o);
      if (!c) detail::WrongClass(Name);
      return TEvent<R(Args...)>(c, Member, Name).ToMethod();
    };
    info_.Methods.push_back(m);
    return *this;
  }

  TClassInfo Build() {
    if constexpr (!std::is_same_v<C, TObject>) {
      static_assert(std::is_base_of_v<typename C::inherited, C>, "RTL_CLASS names a base the class does not have");
      info_.Parent = ClassOf<typename C::inherited>();
    }
    if constexpr (!std::is_abstract_v<C>) {
      if constexpr (std::is_base_of_v<TComponent, C> && std::is_constructible_v<C, TComponent*>)
        info_.Factory = [](TComponent* owner) -> std::unique_ptr<TObject> { return std::make_unique<C>(owner); };
      else if constexpr (std::is_default_constructible_v<C>)
        info_.Factory = [](TComponent*) -> std::unique_ptr<TObject> { return std::make_unique<C>(); };
    }
    return std::move(info_);
  }

private:
  template <class G> static decltype(auto) CallGet(G g, const C& c) {
    if constexpr (std::is_invocable_v<G, const C&>) return std::invoke(g, c);
    else return std::invoke(g, const_cast<C&>(c));
  }
  template <class S, class V> static void CallSet(S s, C& c, V&& v) {
    if constexpr (std::is_same_v<S, std::nullptr_t>) {
      (void)c;
      (void)v;
    } else if constexpr (std::is_member_object_pointer_v<S>) c.*s = std::forward<V>(v);
    else std::invoke(s, c, std::forward<V>(v));
  }

  TClassInfo info_;
  std::shared_ptr<TPropInfo> last_;
};

// The record of C under the name its RTL_CLASS gives, or under another registry name.
template <class C> TClassBuilder<C> DefineClass() { return TClassBuilder<C>(C::RtlClassName); }
template <class C> TClassBuilder<C> DefineClass(std::string Name) { return TClassBuilder<C>(std::move(Name)); }

// The property-table Assign. When Source is of Dest's class or a descendant, copies each
// published property of Dest's class that Dest can write and Source would store (its
// stored clause, read on Source), in declaration order, through Dest's setters: values,
// owned persistent objects (whose setters copy them with Assign), component references
// (as references). Events are not copied: a handler belongs to whoever hooked it. Dest's
// SetField notifications are held meanwhile, so the caller notifies once. Assigning an
// object to itself copies nothing. Returns false, copying nothing, for any other Source.
bool AssignProperties(TPersistent* Dest, const TPersistent* Source);

// ---- looking properties up --------------------------------------------------------------

// All published properties of a class in declaration order, the parents' first. A class
// that redeclares an inherited property replaces it in the parent's place. The list is
// built once per class and kept (any thread); nil gives an empty list.
const std::vector<const TPropInfo*>& GetPropInfos(TClass AClass);
// The same, sorted by name (case-insensitive) when SortList is true.
const std::vector<const TPropInfo*>& GetPropList(TClass AClass, bool SortList = true);
// A property of the class by its name (no path); nil when there is none.
const TPropInfo* GetPropInfo(TClass AClass, const std::string& PropName);
const TPropInfo* GetPropInfo(const TObject* Instance, const std::string& PropName);
// The same, raising EPropertyError ("Unknown property: "Name"") when there is none.
const TPropInfo* FindPropInfo(const TObject* Instance, const std::string& PropName);
// Follows a dotted path to the object that holds its last part; returns that part's
// property and sets Target. Raises EPropertyError for unknown parts, parts that are not
// class properties, and nil objects on the way.
const TPropInfo* ResolvePropPath(const TObject* Instance, const std::string& Path, TObject*& Target);
bool IsPublishedProp(const TObject* Instance, const std::string& Path);
TTypeKind PropType(const TObject* Instance, const std::string& Path);

// Whether a stream writes the property: its stored clause, and whether the value differs
// from the default (ordinals: only with a Default; floats/strings/methods/references: the
// implicit default 0, empty, nil unless given; nodefault: never default).
bool IsStoredProp(const TObject* Instance, const TPropInfo* PropInfo);
bool IsDefaultPropertyValue(const TObject* Instance, const TPropInfo* PropInfo);
// A class property whose objects are components: references by name, not owned values.
bool IsComponentReference(const TPropInfo* PropInfo);

// ---- typed access (PropInfo: a property of Instance's own class chain) ------------------

int64_t GetOrdProp(const TObject* Instance, const TPropInfo* PropInfo);  // integer, char, enum, set
void SetOrdProp(TObject* Instance, const TPropInfo* PropInfo, int64_t Value);  // range-checked
std::string GetEnumProp(const TObject* Instance, const TPropInfo* PropInfo);
void SetEnumProp(TObject* Instance, const TPropInfo* PropInfo, const std::string& Value);
std::string GetSetProp(const TObject* Instance, const TPropInfo* PropInfo, bool Brackets = true);
void SetSetProp(TObject* Instance, const TPropInfo* PropInfo, const std::string& Value);
double GetFloatProp(const TObject* Instance, const TPropInfo* PropInfo);
void SetFloatProp(TObject* Instance, const TPropInfo* PropInfo, double Value);
std::string GetStrProp(const TObject* Instance, const TPropInfo* PropInfo);
void SetStrProp(TObject* Instance, const TPropInfo* PropInfo, const std::string& Value);
std::u16string GetWideStrProp(const TObject* Instance, const TPropInfo* PropInfo);
void SetWideStrProp(TObject* Instance, const TPropInfo* PropInfo, const std::u16string& Value);
TObject* GetObjectProp(const TObject* Instance, const TPropInfo* PropInfo);
void SetObjectProp(TObject* Instance, const TPropInfo* PropInfo, TObject* Value);
TMethod GetMethodProp(const TObject* Instance, const TPropInfo* PropInfo);
void SetMethodProp(TObject* Instance, const TPropInfo* PropInfo, const TMethod& Value);
TPropValue GetPropValue(const TObject* Instance, const TPropInfo* PropInfo);
void SetPropValue(TObject* Instance, const TPropInfo* PropInfo, const TPropValue& Value);

// ---- typed access by name or dotted path ------------------------------------------------

int64_t GetOrdProp(const TObject* Instance, const std::string& Path);
void SetOrdProp(TObject* Instance, const std::string& Path, int64_t Value);
std::string GetEnumProp(const TObject* Instance, const std::string& Path);
void SetEnumProp(TObject* Instance, const std::string& Path, const std::string& Value);
std::string GetSetProp(const TObject* Instance, const std::string& Path, bool Brackets = true);
void SetSetProp(TObject* Instance, const std::string& Path, const std::string& Value);
double GetFloatProp(const TObject* Instance, const std::string& Path);
void SetFloatProp(TObject* Instance, const std::string& Path, double Value);
std::string GetStrProp(const TObject* Instance, const std::string& Path);
void SetStrProp(TObject* Instance, const std::string& Path, const std::string& Value);
std::u16string GetWideStrProp(const TObject* Instance, const std::string& Path);
void SetWideStrProp(TObject* Instance, const std::string& Path, const std::u16string& Value);
TObject* GetObjectProp(const TObject* Instance, const std::string& Path);
void SetObjectProp(TObject* Instance, const std::string& Path, TObject* Value);
TMethod GetMethodProp(const TObject* Instance, const std::string& Path);
void SetMethodProp(TObject* Instance, const std::string& Path, const TMethod& Value);
// Variant-style access: the value converted from or to the property's kind. Text converts
// to numbers (EConvertError when it is not one), enumeration names, sets "[a,b]" and
// Booleans ("True"/"False", any case).
TPropValue GetPropValue(const TObject* Instance, const std::string& Path);
void SetPropValue(TObject* Instance, const std::string& Path, const TPropValue& Value);

// ---- enumerations and sets --------------------------------------------------------------

// The name of an enumeration value; empty for a value without a name.
std::string GetEnumName(const TTypeInfo* TypeInfo, int64_t Value);
// The value of a name (case-insensitive), or -1 when there is none.
int64_t GetEnumValue(const TTypeInfo* TypeInfo, const std::string& Name);
// A set value as its element names, "[a,b]" (or "a,b" without brackets).
std::string SetToString(const TTypeInfo* SetType, int64_t Value, bool Brackets = true);
// The inverse; brackets and blanks are optional. An unknown element raises
// EPropertyConvertError ("Invalid property element: %s").
int64_t StringToSet(const TTypeInfo* SetType, const std::string& Value);

// ---- published methods and event binding --------------------------------------------------

// A published method of the class or its parents by name (case-insensitive); nil if none.
const TMethodInfo* FindMethod(TClass AClass, const std::string& Name);
// A reference to Root's published method of that name; raises EPropertyError
// ("Method %s not found") when Root's class has no such method.
TMethod MethodByName(TObject* Root, const std::string& Name);
// Binds the event property at EventPath of Instance to Root's published method
// MethodName, as a stream line "OnClick = FormClick" does. A method of another signature
// raises EPropertyError.
void BindEvent(TObject* Instance, const std::string& EventPath, TObject* Root, const std::string& MethodName);

}  // namespace rtl
