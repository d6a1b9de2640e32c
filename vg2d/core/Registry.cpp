#include "vg2d/core/Registry.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/ObjectText.h"
#include "platform/rtl/Streams.h"
#include "vg2d/core/WideStrings.h"

namespace vg {

std::vector<TObjectClassEntry>* ObjectClassList = nullptr;
rtl::TList* SceneList = nullptr;
TvxTranslateProc TranslateCallback;
TvxWideStrings* CollectList = nullptr;
TvxWideStringList* LanguageList = nullptr;
bool LanguageListReversed = false;

namespace {

struct TLiveSlot {
  rtl::TComponent* Object = nullptr;
  uint32_t Generation = 0;
  uint64_t Age = 0;  // when the object was listed
};

// The live objects in their slots, the freed slots waiting for reuse, each live object's
// slot, and the live objects in the order they were listed, for the look-ups that want the
// newest first.
struct TLiveList {
  std::vector<TLiveSlot> Slots;
  std::vector<uint32_t> Free;
  std::unordered_map<const rtl::TComponent*, uint32_t> SlotOf;
  std::map<uint64_t, uint32_t> ByAge;
  uint64_t NextAge = 0;
};
TLiveList* liveList = nullptr;

int SlotOfLive(const rtl::TComponent* AObject) {
  if (!liveList || !AObject) return -1;
  const auto it = liveList->SlotOf.find(AObject);
  return it == liveList->SlotOf.end() ? -1 : static_cast<int>(it->second);
}

// The reference number of a listed object: its slot and the slot's generation.
uint64_t ReferenceOf(int Slot) {
  return uint64_t{liveList->Slots[static_cast<size_t>(Slot)].Generation} << 32 | static_cast<uint32_t>(Slot);
}

rtl::TComponent* LiveObject(uint64_t Reference) {
  if (!liveList) return nullptr;
  const uint64_t slot = Reference & 0xFFFFFFFFu;
  if (slot >= liveList->Slots.size()) return nullptr;
  const TLiveSlot& s = liveList->Slots[static_cast<size_t>(slot)];
  return s.Generation == Reference >> 32 ? s.Object : nullptr;
}

// The newest live object for which Match holds; nil when none.
template <class F> rtl::TComponent* FindNewestLive(F Match) {
  if (!liveList) return nullptr;
  for (auto it = liveList->ByAge.rbegin(); it != liveList->ByAge.rend(); ++it)
    if (rtl::TComponent* c = liveList->Slots[it->second].Object; c && Match(c)) return c;
  return nullptr;
}

// Names in component streams that the stream's root does not own are looked up among the
// live objects, newest first.
rtl::TComponent* FindLiveComponent(const std::string& Name) {
  if (Name.empty()) return nullptr;
  return FindNewestLive([&](rtl::TComponent* c) { return rtl::SameText(c->Name(), Name); });
}

std::string VariantText(const rtl::TPropValue& V) {
  if (auto s = std::get_if<std::string>(&V)) return *s;
  if (auto w = std::get_if<std::u16string>(&V)) return rtl::WideToCodePage(*w, SystemCodePage);
  if (auto i = std::get_if<int64_t>(&V)) return rtl::IntToStr(*i);
  if (auto d = std::get_if<double>(&V)) return rtl::FloatToStr(*d);
  if (auto b = std::get_if<bool>(&V)) return *b ? "True" : "False";
  return {};
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

}  // namespace

// ---- object classes by category ----------------------------------------------------------

void AddObjectClass(const std::string& Category, rtl::TClass AClass) {
  if (!ObjectClassList) ObjectClassList = new std::vector<TObjectClassEntry>;
  ObjectClassList->insert(ObjectClassList->begin(), {Category, AClass});
  std::stable_sort(ObjectClassList->begin(), ObjectClassList->end(),
                   [](const TObjectClassEntry& a, const TObjectClassEntry& b) {
                     return rtl::CompareText(a.Category, b.Category) < 0;
                   });
}

void RegisterObjectClasses(const std::string& Category, std::initializer_list<rtl::TClass> Classes) {
  for (rtl::TClass c : Classes) {
    AddObjectClass(Category, c);
    rtl::RegisterClass(c);
  }
}

// ---- live objects ----------------------------------------------------------------------------

int AddObjectInstance(rtl::TComponent* AObject) {
  if (!liveList) {
    liveList = new TLiveList;
    rtl::SetFindGlobalComponent(FindLiveComponent);
  }
  if (!AObject) return -1;
  const int listed = SlotOfLive(AObject);
  if (listed >= 0) return listed;
  uint32_t slot;
  if (!liveList->Free.empty()) {
    slot = liveList->Free.back();
    liveList->Free.pop_back();
  } else {
    slot = static_cast<uint32_t>(liveList->Slots.size());
    liveList->Slots.emplace_back();
  }
  TLiveSlot& s = liveList->Slots[slot];
  s.Object = AObject;
  s.Age = liveList->NextAge++;
  liveList->SlotOf.emplace(AObject, slot);
  liveList->ByAge.emplace(s.Age, slot);
  return static_cast<int>(slot);
}

void RemoveObjectInstance(rtl::TComponent* AObject) {
  const int slot = SlotOfLive(AObject);
  if (slot < 0) return;
  TLiveSlot& s = liveList->Slots[static_cast<size_t>(slot)];
  liveList->SlotOf.erase(AObject);
  liveList->ByAge.erase(s.Age);
  s.Object = nullptr;
  ++s.Generation;  // references to the object stay invalid once the slot is reused
  liveList->Free.push_back(static_cast<uint32_t>(slot));
}

int ObjectInstanceSlots() { return liveList ? static_cast<int>(liveList->Slots.size()) : 0; }

rtl::TComponent* FindResourceObject(const std::string& Name) {
  return FindNewestLive([&](rtl::TComponent* c) {
    auto* resource = dynamic_cast<IvxResourceObject*>(c);
    return resource && resource->Stored() && rtl::SameText(resource->ResourceName(), Name);
  });
}

// ---- objects from component streams ------------------------------------------------------

void LoadObjectFromBinaryStream(rtl::TComponent* Instance, rtl::TStream* Stream) {
  rtl::TReader reader(Stream, 1024);
  reader.OnSetName = [](rtl::TReader*, rtl::TComponent*, std::string& Name) { Name.clear(); };
  reader.OnError = [](rtl::TReader*, const std::string&, bool& Handled) { Handled = true; };
  reader.ReadRootComponent(Instance);
}

namespace {

// Where the reader got to, as a report of a problem says it: the text's line when the
// stream came from text (Places), else the byte offset; the component's class; the property.
std::string PlaceOf(const rtl::TReader& Reader, const std::vector<rtl::TTextPlace>* Places, int64_t Start) {
  const bool inProperty = Reader.PropertyOffset() > Reader.ComponentOffset();
  const int64_t offset = (inProperty ? Reader.PropertyOffset() : Reader.ComponentOffset()) - Start;
  std::string place;
  if (offset < 0) {
    place = "At the start";
  } else if (Places) {
    const int line = rtl::TextLineAt(*Places, offset);
    place = line > 0 ? "Line " + std::to_string(line) : "At the start";
  } else {
    place = "At byte " + std::to_string(offset);
  }
  if (!Reader.ComponentClass().empty()) place += ", " + Reader.ComponentClass();
  if (inProperty) place += ", property " + Reader.PropertyPath();
  return place;
}

void Note(std::vector<std::string>* Problems, const std::string& Problem) {
  if (Problems) Problems->push_back(Problem);
}

rtl::TComponent* CreateFromBinary(rtl::TComponent* Owner, rtl::TStream* Stream,
                                  const std::vector<rtl::TTextPlace>* Places, std::vector<std::string>* Problems) {
  const int64_t start = Stream->Position();
  std::unique_ptr<rtl::TReader> reader;
  try {
    rtl::TClass cls;
    std::string className;
    {
      rtl::TReader header(Stream, 4096);
      header.ReadSignature();
      rtl::TFilerFlags flags;
      int32_t position;
      header.ReadPrefix(flags, position);
      className = header.ReadStr();
      cls = rtl::GetClass(className);
    }
    if (!cls || !cls->InheritsFrom(rtl::TComponent::StaticClass())) {
      const bool line = Places && !Places->empty();
      Note(Problems, (line ? "Line " + std::to_string(Places->front().Line) : std::string("At the start")) + ", " +
                         className + ": not a registered class");
      return nullptr;
    }
    // Held until it is loaded: an object that fails to load is freed and leaves Owner.
    std::unique_ptr<rtl::TComponent> object = rtl::OwnedAs<rtl::TComponent>(cls->Create(Owner));
    Stream->SetPosition(start);
    // As LoadObjectFromBinaryStream reads: names dropped, properties that cannot be read
    // skipped (and reported).
    reader = std::make_unique<rtl::TReader>(Stream, 1024);
    rtl::TReader* r = reader.get();
    reader->OnSetName = [](rtl::TReader*, rtl::TComponent*, std::string& Name) { Name.clear(); };
    reader->OnError = [r, Places, Problems, start](rtl::TReader*, const std::string& Message, bool& Handled) {
      Note(Problems, PlaceOf(*r, Places, start) + ": " + Message);
      Handled = true;
    };
    reader->ReadRootComponent(object.get());
    reader.reset();
    return object.release();
  } catch (const std::exception& e) {
    Note(Problems, (reader ? PlaceOf(*reader, Places, start) : std::string("At the start")) + ": " + e.what());
    return nullptr;
  }
}

}  // namespace

rtl::TComponent* CreateObjectFromStream(rtl::TComponent* Owner, rtl::TStream* Stream,
                                        std::vector<std::string>* Problems) {
  try {
    return CreateFromBinary(Owner, Stream, nullptr, Problems);
  } catch (const std::exception&) {
    return nullptr;  // no report could be made (out of memory)
  }
}

rtl::TComponent* CreateObjectFromText(rtl::TComponent* Owner, rtl::TStream* TextStream,
                                      std::vector<std::string>* Problems) {
  try {
    std::vector<rtl::TTextPlace> places;
    rtl::TMemoryStream binary;
    try {
      rtl::ObjectTextToBinary(TextStream, &binary, &places);
    } catch (const std::exception& e) {
      Note(Problems, e.what());  // "Line 3: ..."
      return nullptr;
    }
    binary.SetPosition(0);
    return CreateFromBinary(Owner, &binary, &places, Problems);
  } catch (const std::exception&) {
    return nullptr;
  }
}

rtl::TComponent* ReadObjectFromText(rtl::TComponent* Owner, rtl::TStream* TextStream, const std::string& What) {
  std::vector<std::string> problems;
  std::unique_ptr<rtl::TComponent> made(CreateObjectFromText(Owner, TextStream, &problems));
  if (made && problems.empty()) return made.release();
  std::string message = What + " cannot be read:";
  for (const std::string& p : problems) message += "\n" + p;
  if (problems.empty()) message += "\nthe object could not be made";
  throw rtl::EReadError(message);
}

// ---- scenes ------------------------------------------------------------------------------------

int AddScene(rtl::TObject* Scene) {
  if (!SceneList) SceneList = new rtl::TList;
  const int index = SceneList->IndexOf(Scene);
  return index >= 0 ? index : SceneList->Add(Scene);
}

void RemoveScene(rtl::TObject* Scene) {
  if (SceneList) SceneList->Remove(Scene);
}

// ---- shut-down ---------------------------------------------------------------------------------

void FreeLibraryLists() {
  delete ObjectClassList;
  ObjectClassList = nullptr;
  delete liveList;
  liveList = nullptr;
  delete SceneList;
  SceneList = nullptr;
}

// ---- translation ---------------------------------------------------------------------------------

std::u16string TranslateText(const std::u16string& Text) {
  if (Text.empty()) return {};
  if (TranslateCallback) {
    if (!TranslateCallback(Text).empty()) return TranslateCallback(Text);
    return Text;
  }
  if (CollectList) CollectList->Add(Text);
  if (!LanguageList) return Text;
  std::u16string result;
  if (!LanguageListReversed) {
    result = LanguageList->GetValue(Text);
  } else {
    const int index = LanguageList->IndexOfValue(Text);
    if (index >= 0) result = LanguageList->GetName(index);
  }
  return result.empty() ? Text : result;
}

// ---- references -------------------------------------------------------------------------------------

rtl::TPropValue ObjectToVariant(rtl::TComponent* AObject) {
  const int slot = SlotOfLive(AObject);
  return std::string(slot >= 0 ? "vgobj" + std::to_string(ReferenceOf(slot)) : "");
}

bool VariantIsObject(const rtl::TPropValue& V) { return StartsWith(VariantText(V), "vgobj"); }

rtl::TComponent* VariantToObject(const rtl::TPropValue& V) {
  const std::string text = VariantText(V);
  if (!StartsWith(text, "vgobj")) return nullptr;
  const std::string digits = text.substr(5, 20);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos)
    throw rtl::EConvertError("'" + digits + "' is not a valid integer value");
  uint64_t reference = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), reference);
  if (error != std::errc() || end != digits.data() + digits.size()) return nullptr;  // beyond 64 bits: nobody
  return LiveObject(reference);
}

rtl::TPropValue MethodToVariant(const rtl::TMethod& Method) {
  auto* object = dynamic_cast<rtl::TComponent*>(Method.Data);
  const int slot = SlotOfLive(object);
  if (slot < 0 || !Method.Assigned() || !rtl::FindMethod(object->ClassType(), Method.Name)) return std::string();
  return "vgmet" + rtl::IntToHex(ReferenceOf(slot), 16) + Method.Name;
}

bool VariantIsMethod(const rtl::TPropValue& V) {
  const bool text = std::holds_alternative<std::string>(V) || std::holds_alternative<std::u16string>(V);
  return text && StartsWith(VariantText(V), "vgmet");
}

rtl::TMethod VariantToMethod(const rtl::TPropValue& V) {
  const std::string text = VariantText(V);
  if (!StartsWith(text, "vgmet")) return {};
  const std::string hex = text.substr(5, 16);
  if (hex.size() != 16 || hex.find_first_not_of("0123456789ABCDEFabcdef") != std::string::npos)
    throw rtl::EConvertError("'" + hex + "' is not a valid integer value");
  uint64_t reference = 0;
  std::from_chars(hex.data(), hex.data() + hex.size(), reference, 16);
  rtl::TComponent* object = LiveObject(reference);
  const rtl::TMethodInfo* method = object ? rtl::FindMethod(object->ClassType(), text.substr(21)) : nullptr;
  return method ? method->Bind(object) : rtl::TMethod{};
}

}  // namespace vg
