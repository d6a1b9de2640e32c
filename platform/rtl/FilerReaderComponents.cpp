// The filer's reader of components: the root and its children, their properties and
// collections, the fixups of references and the defined properties.
#include "platform/rtl/Filer.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Collections.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Filer_Internal.h"
#include "platform/rtl/Streams.h"

namespace rtl {

namespace {

TComponent* FindNestedComponent(TComponent* Root, const std::string& Name) {
  TComponent* current = nullptr;
  size_t start = 0;
  bool first = true;
  for (;;) {
    const size_t dot = Name.find('.', start);
    const std::string part = Name.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    if (part.empty()) return nullptr;
    if (first) {
      if (Root && SameText(Root->Name(), part)) current = Root;
      else if (Root) current = Root->FindComponent(part);
      if (!current && filer_internal::GlobalFinder()) current = filer_internal::GlobalFinder()(part);
      first = false;
    } else {
      current = current->FindComponent(part);
    }
    if (!current || dot == std::string::npos) return current;
    start = dot + 1;
  }
}

}  // namespace
// ---- reading components ------------------------------------------------------------------------

TComponent* TReader::ReadRootComponent(TComponent* Root) {
  ReadSignature();
  TFilerFlags flags;
  int32_t pos;
  componentOffset_ = Offset();
  ReadPrefix(flags, pos);
  const std::string className = ReadStr();
  componentClass_ = className;
  std::unique_ptr<TComponent> created;
  TComponent* result = Root;
  if (!result) {
    TClass cls = FindClass(className);
    if (!cls->InheritsFrom(TComponent::StaticClass())) throw EReadError("Class " + className + " is not a component");
    created = OwnedAs<TComponent>(cls->Create(nullptr));
    result = created.get();
  }
  std::string name = ReadStr();
  if (OnSetName) OnSetName(this, result, name);
  root_ = result;
  owner_ = result;
  loaded_.clear();
  fixups_.clear();
  try {
    if (!name.empty() && name != result->Name()) result->SetName(name);
    result->IncludeState(csLoading);
    result->IncludeState(csReading);
    loaded_.push_back(result);
    ReadData(result);
    result->ExcludeState(csReading);
    ResolveFixups();
    const std::vector<TComponent*> loaded = std::move(loaded_);
    loaded_.clear();
    for (TComponent* c : loaded) c->Loaded();
  } catch (...) {
    for (TComponent* c : loaded_) {
      c->ExcludeState(csReading);
      c->ExcludeState(csLoading);
    }
    loaded_.clear();
    fixups_.clear();
    throw;
  }
  return created.release();
}

void TReader::ReadProperties(TPersistent* Instance) {
  while (!EndOfList()) ReadProperty(Instance);
  ReadListEnd();
}

void TReader::ReadData(TComponent* Instance) {
  while (!EndOfList()) ReadProperty(Instance);
  ReadListEnd();
  TComponent* saved = parent_;
  parent_ = Instance;
  try {
    while (!EndOfList()) ReadComponent();
    ReadListEnd();
  } catch (...) {
    parent_ = saved;
    throw;
  }
  parent_ = saved;
}

TComponent* TReader::ReadComponent() {
  TNesting nest(*this);
  TFilerFlags flags;
  int32_t pos;
  componentOffset_ = Offset();
  ReadPrefix(flags, pos);
  const std::string className = ReadStr();
  componentClass_ = className;
  std::string name = ReadStr();
  TComponent* result = nullptr;
  std::unique_ptr<TComponent> created;  // held until it is read, then its owner's
  try {
    if (flags & ffInherited) {
      result = owner_ ? owner_->FindComponent(name) : nullptr;
      if (!result || !result->ClassType()->ClassNameIs(className))
        throw EReadError("Ancestor for '" + name + "' not found");
    } else {
      TClass cls = GetClass(className);
      if (!cls || !cls->InheritsFrom(TComponent::StaticClass())) throw EClassNotFound("Class " + className + " not found");
      created = OwnedAs<TComponent>(cls->Create(owner_));
      result = created.get();
      if (OnSetName) OnSetName(this, result, name);
      if (!name.empty()) result->SetName(name);
    }
  } catch (const filer_internal::EStreamCorrupt&) {
    throw;
  } catch (const Exception& e) {
    created.reset();
    if (!Error(e.Message())) throw;
    SkipComponent(false);
    return nullptr;
  }
  const size_t loadedMark = loaded_.size();
  result->IncludeState(csLoading);
  result->IncludeState(csReading);
  if (!(flags & ffInherited)) loaded_.push_back(result);
  try {
    if (parent_ && result->HasParent()) result->SetParentComponent(parent_);
    ReadData(result);
  } catch (...) {
    // The component and those read inside it leave the list of loaded components; the
    // ones still owned (not freed with it) are no longer loading.
    std::vector<TComponent*> dropped(loaded_.begin() + static_cast<std::ptrdiff_t>(loadedMark), loaded_.end());
    loaded_.resize(loadedMark);
    if (created) created.reset();
    else result->ExcludeState(csReading);
    if (owner_)
      for (int i = 0; i < owner_->ComponentCount(); ++i) {
        TComponent* c = owner_->Components(i);
        if (std::find(dropped.begin(), dropped.end(), c) != dropped.end()) {
          c->ExcludeState(csReading);
          c->ExcludeState(csLoading);
        }
      }
    throw;
  }
  result->ExcludeState(csReading);
  (void)created.release();  // read: from here on its owner frees it
  return result;
}

void TReader::ReadProperty(TPersistent* Instance) {
  propertyOffset_ = Offset();
  const std::string path = ReadShortString();
  propertyPath_ = path;
  const int64_t valueStart = Offset();
  try {
    TPersistent* target = Instance;
    size_t start = 0;
    size_t dot;
    while ((dot = path.find('.', start)) != std::string::npos) {
      const std::string part = path.substr(start, dot - start);
      const TPropInfo* p = GetPropInfo(target, part);
      TPersistent* next = p && p->Kind() == tkClass ? dynamic_cast<TPersistent*>(p->GetObj(target)) : nullptr;
      if (!next) PropertyError("Property " + path + " does not exist");
      target = next;
      start = dot + 1;
    }
    const std::string last = path.substr(start);
    if (const TPropInfo* p = last.empty() ? nullptr : GetPropInfo(target, last)) {
      ReadPropValue(target, p);
    } else {
      propName_ = last;
      propFound_ = false;
      CallDefineProperties(target, this);
      propName_.clear();
      if (!propFound_) PropertyError("Property " + path + " does not exist");
    }
  } catch (const filer_internal::EStreamCorrupt&) {
    propName_.clear();
    throw;
  } catch (const Exception& e) {
    propName_.clear();
    const std::string message = "Error reading " + path + ": " + e.Message();
    if (!Error(message)) throw EReadError(message);
    SeekTo(valueStart);
    SkipValue();
  }
}

void TReader::ReadPropValue(TPersistent* Instance, const TPropInfo* Prop) {
  switch (Prop->Kind()) {
    case tkInteger:
    case tkInt64: return SetOrdProp(Instance, Prop, ReadInt64());
    case tkChar: return SetOrdProp(Instance, Prop, static_cast<unsigned char>(ReadChar()));
    case tkWChar: return SetOrdProp(Instance, Prop, ReadWideChar());
    case tkEnumeration:
      if (Prop->PropType == BooleanTypeInfo()) return SetOrdProp(Instance, Prop, ReadBoolean() ? 1 : 0);
      return SetEnumProp(Instance, Prop, ReadIdent());
    case tkSet: {
      const TTypeInfo* comp = Prop->PropType->CompType();
      uint64_t bits = 0;
      for (const std::string& name : ReadSetNames()) {
        const int64_t v = GetEnumValue(comp, name);
        if (v < 0 || v >= 64) PropertyError("Invalid property element: " + name);
        bits |= uint64_t{1} << v;
      }
      return SetOrdProp(Instance, Prop, static_cast<int64_t>(bits));
    }
    case tkFloat: {
      double v = ReadFloat();
      if (Prop->PropType->FloatType == ftSingle) v = filer_internal::SingleRange(v);
      return SetFloatProp(Instance, Prop, v);
    }
    case tkLString: return SetStrProp(Instance, Prop, ReadString());
    case tkWString: return SetWideStrProp(Instance, Prop, ReadWideString());
    case tkClass: {
      const TValueType next = NextValue();
      if (next == vaCollection) {
        auto* collection = dynamic_cast<TCollection*>(GetObjectProp(Instance, Prop));
        if (!collection) PropertyError("Invalid property value");
        ReadValue();
        return ReadItems(collection);
      }
      if (IsComponentReference(Prop)) {
        if (next == vaNil) {
          ReadValue();
          return SetObjectProp(Instance, Prop, nullptr);
        }
        if (next != vaIdent) PropertyError("Invalid property value");
        // Resolved by name once the whole stream is read (it may name a later component).
        fixups_.push_back({Instance, Prop, ReadIdent()});
        return;
      }
      if (next == vaNil) {  // an owned value: there is nothing to clear
        ReadValue();
        return;
      }
      PropertyError("Invalid property value");
    }
    case tkMethod: {
      if (NextValue() == vaNil) {
        ReadValue();
        return SetMethodProp(Instance, Prop, TMethod{});
      }
      if (NextValue() != vaIdent) PropertyError("Invalid property value");
      const std::string method = ReadIdent();
      if (!root_) PropertyError("Method " + method + " not found");
      return SetMethodProp(Instance, Prop, MethodByName(root_, method));
    }
    default: PropertyError("Invalid property type: " + Prop->Name);
  }
}

void TReader::ReadCollection(TCollection* Collection) {
  CheckValue(vaCollection);
  ReadItems(Collection);
}

void TReader::ReadItems(TCollection* Collection) {
  TNesting nest(*this);
  Collection->BeginUpdate();
  try {
    Collection->Clear();
    while (!EndOfList()) {
      bool hasOrder;
      int64_t order;
      ReadItemPrefix(hasOrder, order);
      TCollectionItem* item = Collection->Add();
      TNesting inner(*this);
      while (!EndOfList()) ReadProperty(item);
      ReadListEnd();
    }
    ReadListEnd();
  } catch (...) {
    Collection->EndUpdate();
    throw;
  }
  Collection->EndUpdate();
}

void TReader::ResolveFixups() {
  const std::vector<TFixup> fixups = std::move(fixups_);
  fixups_.clear();
  for (const TFixup& f : fixups) {
    try {
      TComponent* target = FindNestedComponent(root_, f.Name);
      if (!target) throw EReadError("Unresolved reference to '" + f.Name + "'");
      SetObjectProp(f.Instance, f.Prop, target);  // refuses a component of the wrong class
    } catch (const Exception& e) {
      const std::string message = "Error reading " + f.Prop->Name + ": " + e.Message();
      if (!Error(message)) throw EReadError(message);
    }
  }
}

void TReader::DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc, bool) {
  if (propFound_ || !ReadData || !SameText(Name, propName_)) return;
  propFound_ = true;
  ReadData(*this);
}

void TReader::DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc, bool) {
  if (propFound_ || !ReadData || !SameText(Name, propName_)) return;
  propFound_ = true;
  const std::vector<uint8_t> bytes = ReadBinary();
  TMemoryStream data;
  data.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  data.SetPosition(0);
  ReadData(data);
}

}  // namespace rtl
