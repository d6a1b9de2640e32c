#include "platform/rtl/TypInfo.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <unordered_map>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Component.h"

namespace rtl {

namespace {

bool SameName(const std::string& a, const std::string& b) { return SameText(a, b); }

bool LessName(const TPropInfo* a, const TPropInfo* b) {
  return CompareText(a->Name, b->Name) < 0;
}

std::string Trimmed(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

[[noreturn]] void Unknown(const std::string& path) {
  throw EPropertyError("Unknown property: \"" + path + "\"");
}

[[noreturn]] void InvalidType(const TPropInfo* p) {
  throw EPropertyError("Invalid property type: " + p->Name);
}

[[noreturn]] void CannotConvert(const TPropInfo* p) {
  throw EConvertError("Cannot convert the value for property " + p->Name);
}

[[noreturn]] void ReadOnly(const TPropInfo* p) {
  throw EPropertyError("Property " + p->Name + " is read-only");
}

bool IsOrdinal(TTypeKind k) {
  return k == tkInteger || k == tkChar || k == tkWChar || k == tkEnumeration || k == tkSet || k == tkInt64;
}

std::string IntText(int64_t v) { return IntToStr(v); }

// Text of the variant-style conversions: 8-bit strings are in the system code page.
std::u16string Widen(const std::string& s) { return CodePageToWide(s, DefaultSystemCodePage); }
std::string Narrow(const std::u16string& w) { return WideToCodePage(w, DefaultSystemCodePage); }

int64_t FloatToOrd(double v, const TPropInfo* p) {
  const double r = std::nearbyint(v);
  if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0))
    throw EConvertError("Value out of range for property " + p->Name);
  return static_cast<int64_t>(r);
}

TTypeInfo MakeOrdinal(std::string name, TTypeKind kind, TOrdType ord, int64_t min, int64_t max) {
  TTypeInfo t;
  t.Name = std::move(name);
  t.Kind = kind;
  t.OrdType = ord;
  t.MinValue = min;
  t.MaxValue = max;
  return t;
}

}  // namespace

// ---- type information of the built-in types ----------------------------------------------

const TTypeInfo* BooleanTypeInfo() {
  static const TTypeInfo info = DefineEnum<int>("Boolean", {{"False", 0}, {"True", 1}});
  return &info;
}

namespace detail {

const TTypeInfo* IntegerTypeInfo(bool isSigned, int bytes) {
  static const TTypeInfo s8 = MakeOrdinal("ShortInt", tkInteger, otSByte, INT8_MIN, INT8_MAX);
  static const TTypeInfo u8 = MakeOrdinal("Byte", tkInteger, otUByte, 0, UINT8_MAX);
  static const TTypeInfo s16 = MakeOrdinal("SmallInt", tkInteger, otSWord, INT16_MIN, INT16_MAX);
  static const TTypeInfo u16 = MakeOrdinal("Word", tkInteger, otUWord, 0, UINT16_MAX);
  static const TTypeInfo s32 = MakeOrdinal("Integer", tkInteger, otSLong, INT32_MIN, INT32_MAX);
  static const TTypeInfo u32 = MakeOrdinal("Cardinal", tkInteger, otULong, 0, UINT32_MAX);
  static const TTypeInfo s64 = MakeOrdinal("Int64", tkInt64, otSLong, INT64_MIN, INT64_MAX);
  switch (bytes) {
    case 1: return isSigned ? &s8 : &u8;
    case 2: return isSigned ? &s16 : &u16;
    case 4: return isSigned ? &s32 : &u32;
    default: return &s64;
  }
}

const TTypeInfo* CharTypeInfo() {
  static const TTypeInfo info = MakeOrdinal("Char", tkChar, otUByte, 0, 255);
  return &info;
}

const TTypeInfo* WideCharTypeInfo() {
  static const TTypeInfo info = MakeOrdinal("WideChar", tkWChar, otUWord, 0, 65535);
  return &info;
}

const TTypeInfo* FloatTypeInfo(TFloatType type) {
  static const TTypeInfo infos[] = {
      [] { TTypeInfo t; t.Name = "Single"; t.Kind = tkFloat; t.FloatType = ftSingle; return t; }(),
      [] { TTypeInfo t; t.Name = "Double"; t.Kind = tkFloat; t.FloatType = ftDouble; return t; }(),
      [] { TTypeInfo t; t.Name = "Extended"; t.Kind = tkFloat; t.FloatType = ftExtended; return t; }()};
  return &infos[type];
}

const TTypeInfo* StringTypeInfo() {
  static const TTypeInfo info = [] { TTypeInfo t; t.Name = "AnsiString"; t.Kind = tkLString; return t; }();
  return &info;
}

const TTypeInfo* WideStringTypeInfo() {
  static const TTypeInfo info = [] { TTypeInfo t; t.Name = "WideString"; t.Kind = tkWString; return t; }();
  return &info;
}

void BadDefault(const std::string& prop) {
  throw EPropertyError("Default value does not fit property " + prop);
}

void WrongClass(const std::string& prop) {
  throw EPropertyError("Invalid property value: object does not fit " + prop);
}

}  // namespace detail

bool TPropInfo::Writable() const {
  switch (Kind()) {
    case tkFloat: return static_cast<bool>(SetFloat);
    case tkLString: return static_cast<bool>(SetStr);
    case tkWString: return static_cast<bool>(SetWStr);
    case tkClass: return static_cast<bool>(SetObj);
    case tkMethod: return static_cast<bool>(SetMethod);
    default: return static_cast<bool>(SetOrd);
  }
}

// ---- looking properties up -----------------------------------------------------------------

namespace {

// A class's published properties with its parents', in both orders. Built once per class,
// the first time someone asks (class records do not change once defined), and kept for
// the life of the program.
struct TPropLists {
  std::vector<const TPropInfo*> Declared;
  std::vector<const TPropInfo*> Sorted;
};

const TPropLists& PropLists(TClass AClass) {
  static std::shared_mutex mutex;
  static auto* cache = new std::unordered_map<TClass, std::unique_ptr<const TPropLists>>;
  {
    std::shared_lock lock(mutex);
    if (auto it = cache->find(AClass); it != cache->end()) return *it->second;
  }
  // Built without the lock (the parent's lists take it themselves); a thread that built the
  // same lists meanwhile wins and these are dropped.
  auto lists = std::make_unique<TPropLists>();
  if (AClass->Parent) lists->Declared = PropLists(AClass->Parent).Declared;
  std::vector<const TPropInfo*>& list = lists->Declared;
  for (const auto& p : AClass->Properties) {
    auto same = std::find_if(list.begin(), list.end(), [&](const TPropInfo* q) { return SameName(q->Name, p->Name); });
    if (same != list.end()) *same = p.get();
    else list.push_back(p.get());
  }
  lists->Sorted = list;
  std::stable_sort(lists->Sorted.begin(), lists->Sorted.end(), LessName);
  std::unique_lock lock(mutex);
  return *cache->try_emplace(AClass, std::move(lists)).first->second;
}

const std::vector<const TPropInfo*> kNoProperties;

}  // namespace

const std::vector<const TPropInfo*>& GetPropInfos(TClass AClass) {
  return AClass ? PropLists(AClass).Declared : kNoProperties;
}

const std::vector<const TPropInfo*>& GetPropList(TClass AClass, bool SortList) {
  if (!AClass) return kNoProperties;
  return SortList ? PropLists(AClass).Sorted : PropLists(AClass).Declared;
}

const TPropInfo* GetPropInfo(TClass AClass, const std::string& PropName) {
  for (TClass c = AClass; c; c = c->Parent)
    for (const auto& p : c->Properties)
      if (SameName(p->Name, PropName)) return p.get();
  return nullptr;
}

const TPropInfo* GetPropInfo(const TObject* Instance, const std::string& PropName) {
  return Instance ? GetPropInfo(Instance->ClassType(), PropName) : nullptr;
}

const TPropInfo* FindPropInfo(const TObject* Instance, const std::string& PropName) {
  const TPropInfo* p = GetPropInfo(Instance, PropName);
  if (!p) Unknown(PropName);
  return p;
}

const TPropInfo* ResolvePropPath(const TObject* Instance, const std::string& Path, TObject*& Target) {
  if (!Instance) throw EPropertyError("Cannot resolve property \"" + Path + "\" of nil");
  TObject* obj = const_cast<TObject*>(Instance);
  size_t start = 0;
  for (;;) {
    const size_t dot = Path.find('.', start);
    const std::string part = Path.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    const TPropInfo* p = GetPropInfo(obj, part);
    if (!p) Unknown(Path);
    if (dot == std::string::npos) {
      Target = obj;
      return p;
    }
    if (p->Kind() != tkClass) Unknown(Path);
    obj = p->GetObj(obj);
    if (!obj) throw EPropertyError("Cannot resolve property \"" + Path + "\": " + part + " is nil");
    start = dot + 1;
  }
}

bool IsPublishedProp(const TObject* Instance, const std::string& Path) {
  try {
    TObject* target = nullptr;
    ResolvePropPath(Instance, Path, target);
    return true;
  } catch (const EPropertyError&) {
    return false;
  }
}

TTypeKind PropType(const TObject* Instance, const std::string& Path) {
  TObject* target = nullptr;
  return ResolvePropPath(Instance, Path, target)->Kind();
}

bool IsStoredProp(const TObject* Instance, const TPropInfo* PropInfo) {
  if (PropInfo->StoredFn) return PropInfo->StoredFn(Instance);
  return PropInfo->StoredValue;
}

bool IsComponentReference(const TPropInfo* PropInfo) {
  if (PropInfo->Kind() != tkClass) return false;
  TClass cls = PropInfo->PropType->ClassType();
  return cls && cls->InheritsFrom(TComponent::StaticClass());
}

bool IsDefaultPropertyValue(const TObject* Instance, const TPropInfo* p) {
  if (p->DefaultMode == TDefaultMode::NoDefault) return false;
  const bool given = p->DefaultMode == TDefaultMode::Value;
  switch (p->Kind()) {
    case tkFloat: {
      const double value = GetFloatProp(Instance, p), def = given ? p->DefaultFloat : 0.0;
      // A Single holds its default rounded to single precision.
      if (p->PropType->FloatType == ftSingle) return static_cast<float>(value) == static_cast<float>(def);
      return value == def;
    }
    case tkLString: return GetStrProp(Instance, p) == (given ? p->DefaultStr : std::string());
    case tkWString: return GetWideStrProp(Instance, p) == (given ? p->DefaultWStr : std::u16string());
    case tkMethod: return !GetMethodProp(Instance, p).Assigned();
    case tkClass: return IsComponentReference(p) && GetObjectProp(Instance, p) == nullptr;
    default: return given && GetOrdProp(Instance, p) == p->DefaultOrd;
  }
}

// ---- typed access ------------------------------------------------------------------------

int64_t GetOrdProp(const TObject* Instance, const TPropInfo* PropInfo) {
  if (!IsOrdinal(PropInfo->Kind())) InvalidType(PropInfo);
  return PropInfo->GetOrd(Instance);
}

void SetOrdProp(TObject* Instance, const TPropInfo* PropInfo, int64_t Value) {
  const TTypeInfo* t = PropInfo->PropType;
  if (!IsOrdinal(t->Kind)) InvalidType(PropInfo);
  if (!PropInfo->SetOrd) ReadOnly(PropInfo);
  bool ok = true;
  if (t->Kind == tkSet) {
    for (int64_t bit = 0; bit < 64; ++bit)
      if ((static_cast<uint64_t>(Value) >> bit) & 1u)
        ok = ok && bit >= t->MinValue && bit <= t->MaxValue && !GetEnumName(t->CompType(), bit).empty();
  } else if (t->Kind == tkEnumeration) {
    ok = !GetEnumName(t, Value).empty();
  } else if (t->Kind != tkInt64) {
    ok = Value >= t->MinValue && Value <= t->MaxValue;
  }
  if (!ok) throw EPropertyError("Invalid property value " + IntText(Value) + " for " + PropInfo->Name);
  PropInfo->SetOrd(Instance, Value);
}

std::string GetEnumProp(const TObject* Instance, const TPropInfo* PropInfo) {
  if (PropInfo->Kind() != tkEnumeration) InvalidType(PropInfo);
  return GetEnumName(PropInfo->PropType, PropInfo->GetOrd(Instance));
}

void SetEnumProp(TObject* Instance, const TPropInfo* PropInfo, const std::string& Value) {
  if (PropInfo->Kind() != tkEnumeration) InvalidType(PropInfo);
  const int64_t v = GetEnumValue(PropInfo->PropType, Value);
  if (v < 0 && GetEnumName(PropInfo->PropType, v).empty())
    throw EPropertyConvertError("Invalid property element: " + Value);
  SetOrdProp(Instance, PropInfo, v);
}

std::string GetSetProp(const TObject* Instance, const TPropInfo* PropInfo, bool Brackets) {
  if (PropInfo->Kind() != tkSet) InvalidType(PropInfo);
  return SetToString(PropInfo->PropType, PropInfo->GetOrd(Instance), Brackets);
}

void SetSetProp(TObject* Instance, const TPropInfo* PropInfo, const std::string& Value) {
  if (PropInfo->Kind() != tkSet) InvalidType(PropInfo);
  SetOrdProp(Instance, PropInfo, StringToSet(PropInfo->PropType, Value));
}

double GetFloatProp(const TObject* Instance, const TPropInfo* PropInfo) {
  if (PropInfo->Kind() != tkFloat) InvalidType(PropInfo);
  return PropInfo->GetFloat(Instance);
}

void SetFloatProp(TObject* Instance, const TPropInfo* PropInfo, double Value) {
  if (PropInfo->Kind() != tkFloat) InvalidType(PropInfo);
  if (!PropInfo->SetFloat) ReadOnly(PropInfo);
  PropInfo->SetFloat(Instance, Value);
}

std::string GetStrProp(const TObject* Instance, const TPropInfo* PropInfo) {
  if (PropInfo->Kind() != tkLString) InvalidType(PropInfo);
  return PropInfo->GetStr(Instance);
}

void SetStrProp(TObject* Instance, const TPropInfo* PropInfo, const std::string& Value) {
  if (PropInfo->Kind() != tkLString) InvalidType(PropInfo);
  if (!PropInfo->SetStr) ReadOnly(PropInfo);
  PropInfo->SetStr(Instance, Value);
}

std::u16string GetWideStrProp(const TObject* Instance, const TPropInfo* PropInfo) {
  if (PropInfo->Kind() != tkWString) InvalidType(PropInfo);
  return PropInfo->GetWStr(Instance);
}

void SetWideStrProp(TObject* Instance, const TPropInfo* PropInfo, const std::u16string& Value) {
  if (PropInfo->Kind() != tkWString) InvalidType(PropInfo);
  if (!PropInfo->SetWStr) ReadOnly(PropInfo);
  PropInfo->SetWStr(Instance, Value);
}

TObject* GetObjectProp(const TObject* Instance, const TPropInfo* PropInfo) {
  if (PropInfo->Kind() != tkClass) InvalidType(PropInfo);
  return PropInfo->GetObj(Instance);
}

void SetObjectProp(TObject* Instance, const TPropInfo* PropInfo, TObject* Value) {
  if (PropInfo->Kind() != tkClass) InvalidType(PropInfo);
  if (!PropInfo->SetObj) ReadOnly(PropInfo);
  PropInfo->SetObj(Instance, Value);
}

TMethod GetMethodProp(const TObject* Instance, const TPropInfo* PropInfo) {
  if (PropInfo->Kind() != tkMethod) InvalidType(PropInfo);
  return PropInfo->GetMethod(Instance);
}

void SetMethodProp(TObject* Instance, const TPropInfo* PropInfo, const TMethod& Value) {
  if (PropInfo->Kind() != tkMethod) InvalidType(PropInfo);
  if (!PropInfo->SetMethod) ReadOnly(PropInfo);
  if (Value.Assigned() && !(Value.Signature && *Value.Signature == *PropInfo->PropType->MethodSignature))
    throw EPropertyError("Method " + Value.Name + " does not match the signature of " + PropInfo->Name);
  PropInfo->SetMethod(Instance, Value);
}

TPropValue GetPropValue(const TObject* Instance, const TPropInfo* p) {
  switch (p->Kind()) {
    case tkEnumeration:
      if (p->PropType == BooleanTypeInfo()) return p->GetOrd(Instance) != 0;
      return GetEnumProp(Instance, p);
    case tkSet: return GetSetProp(Instance, p);
    case tkFloat: return p->GetFloat(Instance);
    case tkLString: return p->GetStr(Instance);
    case tkWString: return p->GetWStr(Instance);
    case tkClass: return p->GetObj(Instance);
    case tkMethod: return p->GetMethod(Instance);
    case tkUnknown: InvalidType(p);
    default: return p->GetOrd(Instance);
  }
}

void SetPropValue(TObject* Instance, const TPropInfo* p, const TPropValue& Value) {
  const TTypeKind kind = p->Kind();
  auto nullValue = [&]() -> bool { return std::holds_alternative<std::monostate>(Value); };
  // Number from any numeric alternative, or nullopt.
  auto asOrd = [&]() -> std::optional<int64_t> {
    if (auto b = std::get_if<bool>(&Value)) return *b ? 1 : 0;
    if (auto i = std::get_if<int64_t>(&Value)) return *i;
    if (auto d = std::get_if<double>(&Value)) return FloatToOrd(*d, p);
    return std::nullopt;
  };
  auto asText = [&]() -> std::optional<std::string> {
    if (auto s = std::get_if<std::string>(&Value)) return *s;
    if (auto w = std::get_if<std::u16string>(&Value)) return Narrow(*w);
    return std::nullopt;
  };

  switch (kind) {
    case tkInteger:
    case tkInt64:
    case tkChar:
    case tkWChar: {
      if (auto v = asOrd()) return SetOrdProp(Instance, p, *v);
      if (auto s = asText()) {
        if (kind == tkChar && s->size() == 1) return SetOrdProp(Instance, p, static_cast<unsigned char>((*s)[0]));
        if (kind == tkWChar) {
          const std::u16string w = std::holds_alternative<std::u16string>(Value) ? std::get<std::u16string>(Value) : Widen(*s);
          if (w.size() == 1) return SetOrdProp(Instance, p, w[0]);
        }
        return SetOrdProp(Instance, p, StrToInt64(*s));
      }
      CannotConvert(p);
    }
    case tkEnumeration: {
      if (auto v = asOrd()) return SetOrdProp(Instance, p, *v);
      if (auto s = asText()) {
        const int64_t v = GetEnumValue(p->PropType, Trimmed(*s));
        if (v >= 0 || !GetEnumName(p->PropType, v).empty()) return SetOrdProp(Instance, p, v);
        try {
          return SetOrdProp(Instance, p, StrToInt64(*s));
        } catch (const EConvertError&) {
          throw EPropertyConvertError("Invalid property element: " + *s);
        }
      }
      CannotConvert(p);
    }
    case tkSet: {
      if (auto i = std::get_if<int64_t>(&Value)) return SetOrdProp(Instance, p, *i);
      if (auto s = asText()) return SetOrdProp(Instance, p, StringToSet(p->PropType, *s));
      CannotConvert(p);
    }
    case tkFloat: {
      if (auto d = std::get_if<double>(&Value)) return SetFloatProp(Instance, p, *d);
      if (auto i = std::get_if<int64_t>(&Value)) return SetFloatProp(Instance, p, static_cast<double>(*i));
      if (auto b = std::get_if<bool>(&Value)) return SetFloatProp(Instance, p, *b ? 1.0 : 0.0);
      if (auto s = asText()) return SetFloatProp(Instance, p, StrToFloat(*s));
      CannotConvert(p);
    }
    case tkLString:
    case tkWString: {
      std::string text;
      if (auto w = std::get_if<std::u16string>(&Value)) {
        if (kind == tkWString) return SetWideStrProp(Instance, p, *w);
        text = Narrow(*w);
      } else if (auto s = std::get_if<std::string>(&Value)) {
        text = *s;
      } else if (auto b = std::get_if<bool>(&Value)) {
        text = *b ? "True" : "False";
      } else if (auto i = std::get_if<int64_t>(&Value)) {
        text = IntText(*i);
      } else if (auto d = std::get_if<double>(&Value)) {
        text = FloatToStr(*d);
      } else if (!nullValue()) {
        CannotConvert(p);
      }
      if (kind == tkWString) return SetWideStrProp(Instance, p, Widen(text));
      return SetStrProp(Instance, p, text);
    }
    case tkClass: {
      if (auto o = std::get_if<TObject*>(&Value)) return SetObjectProp(Instance, p, *o);
      if (nullValue()) return SetObjectProp(Instance, p, nullptr);
      CannotConvert(p);
    }
    case tkMethod: {
      if (auto m = std::get_if<TMethod>(&Value)) return SetMethodProp(Instance, p, *m);
      if (nullValue()) return SetMethodProp(Instance, p, TMethod{});
      CannotConvert(p);
    }
    default: InvalidType(p);
  }
}

// ---- by path ---------------------------------------------------------------------------------

#define RTL_BY_PATH_GET(Result, Name)                                        \
  Result Name(const TObject* Instance, const std::string& Path) {            \
    TObject* target = nullptr;                                               \
    const TPropInfo* p = ResolvePropPath(Instance, Path, target);            \
    return Name(target, p);                                                  \
  }
#define RTL_BY_PATH_SET(Type, Name)                                          \
  void Name(TObject* Instance, const std::string& Path, Type Value) {        \
    TObject* target = nullptr;                                               \
    const TPropInfo* p = ResolvePropPath(Instance, Path, target);            \
    Name(target, p, Value);                                                  \
  }

RTL_BY_PATH_GET(int64_t, GetOrdProp)
RTL_BY_PATH_SET(int64_t, SetOrdProp)
RTL_BY_PATH_GET(std::string, GetEnumProp)
RTL_BY_PATH_SET(const std::string&, SetEnumProp)
RTL_BY_PATH_SET(const std::string&, SetSetProp)
RTL_BY_PATH_GET(double, GetFloatProp)
RTL_BY_PATH_SET(double, SetFloatProp)
RTL_BY_PATH_GET(std::string, GetStrProp)
RTL_BY_PATH_SET(const std::string&, SetStrProp)
RTL_BY_PATH_GET(std::u16string, GetWideStrProp)
RTL_BY_PATH_SET(const std::u16string&, SetWideStrProp)
RTL_BY_PATH_GET(TObject*, GetObjectProp)
RTL_BY_PATH_SET(TObject*, SetObjectProp)
RTL_BY_PATH_GET(TMethod, GetMethodProp)
RTL_BY_PATH_SET(const TMethod&, SetMethodProp)
RTL_BY_PATH_GET(TPropValue, GetPropValue)
RTL_BY_PATH_SET(const TPropValue&, SetPropValue)

#undef RTL_BY_PATH_GET
#undef RTL_BY_PATH_SET

std::string GetSetProp(const TObject* Instance, const std::string& Path, bool Brackets) {
  TObject* target = nullptr;
  const TPropInfo* p = ResolvePropPath(Instance, Path, target);
  return GetSetProp(target, p, Brackets);
}

// ---- enumerations and sets -------------------------------------------------------------------

std::string GetEnumName(const TTypeInfo* TypeInfo, int64_t Value) {
  if (!TypeInfo) return {};
  for (const auto& e : TypeInfo->EnumNames)
    if (e.Value == Value) return e.Name;
  return {};
}

int64_t GetEnumValue(const TTypeInfo* TypeInfo, const std::string& Name) {
  if (!TypeInfo) return -1;
  for (const auto& e : TypeInfo->EnumNames)
    if (SameName(e.Name, Name)) return e.Value;
  return -1;
}

std::string SetToString(const TTypeInfo* SetType, int64_t Value, bool Brackets) {
  const TTypeInfo* comp = SetType ? SetType->CompType() : nullptr;
  std::string text;
  for (int64_t bit = 0; bit < 64; ++bit) {
    if (!((static_cast<uint64_t>(Value) >> bit) & 1u)) continue;
    std::string name = GetEnumName(comp, bit);
    if (name.empty()) name = IntText(bit);
    if (!text.empty()) text += ',';
    text += name;
  }
  return Brackets ? "[" + text + "]" : text;
}

int64_t StringToSet(const TTypeInfo* SetType, const std::string& Value) {
  const TTypeInfo* comp = SetType ? SetType->CompType() : nullptr;
  std::string s = Trimmed(Value);
  if (!s.empty() && s.front() == '[') {
    if (s.size() < 2 || s.back() != ']') throw EPropertyConvertError("Invalid property element: " + Value);
    s = s.substr(1, s.size() - 2);
  }
  uint64_t bits = 0;
  size_t start = 0;
  while (start <= s.size()) {
    const size_t comma = s.find(',', start);
    const std::string name = Trimmed(s.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (!name.empty()) {
      const int64_t v = GetEnumValue(comp, name);
      if (v < 0 || v >= 64) throw EPropertyConvertError("Invalid property element: " + name);
      bits |= uint64_t{1} << v;
    } else if (comma != std::string::npos) {
      throw EPropertyConvertError("Invalid property element: " + Value);
    }
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return static_cast<int64_t>(bits);
}

// ---- published methods -----------------------------------------------------------------------

const TMethodInfo* FindMethod(TClass AClass, const std::string& Name) {
  for (TClass c = AClass; c; c = c->Parent)
    for (const auto& m : c->Methods)
      if (SameName(m->Name, Name)) return m.get();
  return nullptr;
}

TMethod MethodByName(TObject* Root, const std::string& Name) {
  const TMethodInfo* m = Root ? FindMethod(Root->ClassType(), Name) : nullptr;
  if (!m) throw EPropertyError("Method " + Name + " not found");
  return m->Bind(Root);
}

void BindEvent(TObject* Instance, const std::string& EventPath, TObject* Root, const std::string& MethodName) {
  TObject* target = nullptr;
  const TPropInfo* p = ResolvePropPath(Instance, EventPath, target);
  if (p->Kind() != tkMethod) InvalidType(p);
  SetMethodProp(target, p, MethodByName(Root, MethodName));
}

// ---- enumerations declared with RTL_ENUM ----------------------------------------------------

namespace detail {

std::vector<std::pair<std::string, int64_t>> SplitEnumerators(const char* List) {
  std::vector<std::pair<std::string, int64_t>> names;
  std::string name;
  auto flush = [&] {
    if (!name.empty()) names.emplace_back(name, static_cast<int64_t>(names.size()));
    name.clear();
  };
  for (const char* c = List; *c; ++c) {
    if (*c == ',') flush();
    else if (!std::isspace(static_cast<unsigned char>(*c))) name += *c;
  }
  flush();
  return names;
}

TTypeInfo DefineEnumNames(std::string Name, const std::vector<std::pair<std::string, int64_t>>& Values) {
  TTypeInfo info;
  info.Name = std::move(Name);
  info.Kind = tkEnumeration;
  for (const auto& [name, value] : Values) info.EnumNames.push_back({name, value});
  info.MinValue = 0;
  info.MaxValue = Values.empty() ? 0 : Values.back().second;
  info.OrdType = info.MaxValue < 256 ? otUByte : info.MaxValue < 65536 ? otUWord : otSLong;
  return info;
}

}  // namespace detail

// ---- the property-table Assign ----------------------------------------------------------------

bool AssignProperties(TPersistent* Dest, const TPersistent* Source) {
  if (!Dest || !Source || !Source->InheritsFrom(Dest->ClassType())) return false;
  if (Source == Dest) return true;
  // Holds Dest's SetField notifications for the copy, then restores an outer hold.
  struct THold {
    const TObject* saved;
    explicit THold(const TObject* held) : saved(detail::heldNotifications) { detail::heldNotifications = held; }
    ~THold() { detail::heldNotifications = saved; }
  } hold(Dest);
  for (const TPropInfo* p : GetPropInfos(Dest->ClassType())) {
    if (p->Kind() == tkMethod || !p->Writable() || !IsStoredProp(Source, p)) continue;
    switch (p->Kind()) {
      case tkFloat: p->SetFloat(Dest, p->GetFloat(Source)); break;
      case tkLString: p->SetStr(Dest, p->GetStr(Source)); break;
      case tkWString: p->SetWStr(Dest, p->GetWStr(Source)); break;
      case tkClass: p->SetObj(Dest, p->GetObj(Source)); break;
      default: p->SetOrd(Dest, p->GetOrd(Source)); break;
    }
  }
  return true;
}

}  // namespace rtl
