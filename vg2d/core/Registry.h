// The 2D library's process-wide services: object classes by category, the list of live
// objects through which named resources are found, objects created from component streams
// (binary or text), the list of scenes, the text-translation hooks, and object and method
// references carried as text in property values. GUI thread only.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/rtl/Component.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/TypInfo.h"

namespace rtl {
class TStream;
}

namespace vg {

class TvxWideStrings;
class TvxWideStringList;

// ---- object classes by category ----------------------------------------------------------

struct TObjectClassEntry {
  std::string Category;
  rtl::TClass Class;
};

// The registered (category, class) pairs, sorted by category without regard to case; nil
// until the first class is added.
extern std::vector<TObjectClassEntry>* ObjectClassList;

void AddObjectClass(const std::string& Category, rtl::TClass AClass);
// Adds each class to the category and registers it with the runtime, so that streams can
// create it by name.
void RegisterObjectClasses(const std::string& Category, std::initializer_list<rtl::TClass> Classes);

// ---- live objects and resources ----------------------------------------------------------

// What resource look-ups ask of a live object; the 2D object class answers it.
class IvxResourceObject {
public:
  virtual ~IvxResourceObject() = default;
  // Whether the object is written with its parent (resources that are not are skipped).
  virtual bool Stored() const = 0;
  virtual const std::string& ResourceName() const = 0;
};

// The live objects are listed in slots (made when the first object is added). A destroyed
// object's slot is reused by a later object, with the slot's generation counted up, so the
// list holds as many slots as objects lived at once, and a reference to a destroyed object
// (its slot and generation) never names the object that took the slot over. Finding an
// object's slot costs the same however many objects there are.

// Lists the object unless it is listed already; returns its slot.
int AddObjectInstance(rtl::TComponent* AObject);
// Takes the object off the list (objects call it when they are destroyed).
void RemoveObjectInstance(rtl::TComponent* AObject);
// How many slots the list has (live objects and freed slots waiting for reuse).
int ObjectInstanceSlots();
// The newest live object that is stored and whose resource name equals Name (ASCII case
// ignored); nil when none. Searches the live objects only, not the entries of destroyed ones.
rtl::TComponent* FindResourceObject(const std::string& Name);

// ---- objects from component streams ------------------------------------------------------

// Reads a component stream into Instance the way 2D objects load: names in the stream are
// dropped (loaded objects are unnamed) and properties or values that cannot be read are
// skipped. Corrupt streams raise EReadError.
void LoadObjectFromBinaryStream(rtl::TComponent* Instance, rtl::TStream* Stream);
// Creates an object of the registered class named in the binary stream at Stream's
// position, owned by Owner, and loads it from the stream as LoadObjectFromBinaryStream does.
// Nil when anything fails; an object made before the failure is freed. With Problems given,
// it receives one line for the failure and for each property that was skipped, saying what
// could not be read and where: the component's class, the property, and the byte offset.
rtl::TComponent* CreateObjectFromStream(rtl::TComponent* Owner, rtl::TStream* Stream,
                                        std::vector<std::string>* Problems = nullptr);
// The same from the text form; the place of a problem is the text's line ("Line 12,
// TvxButton, property Fill.Color: ..."), and malformed text is one ("Line 3: ..."). A caller
// that takes no text with problems (a window's content) refuses the object when Problems is
// not empty.
rtl::TComponent* CreateObjectFromText(rtl::TComponent* Owner, rtl::TStream* TextStream,
                                      std::vector<std::string>* Problems = nullptr);
// CreateObjectFromText for text that must read whole (a window's content, named What in the
// message): raises EReadError listing every problem when there is any, and frees what was
// made.
rtl::TComponent* ReadObjectFromText(rtl::TComponent* Owner, rtl::TStream* TextStream, const std::string& What);

// ---- scenes ------------------------------------------------------------------------------------

// Every 2D scene control and 3D layer that hosts a 2D tree; nil until the first is added.
extern rtl::TList* SceneList;
int AddScene(rtl::TObject* Scene);
void RemoveScene(rtl::TObject* Scene);

// ---- translation hooks (all unset by default) ----------------------------------------------

using TvxTranslateProc = std::function<std::u16string(const std::u16string& Text)>;
extern TvxTranslateProc TranslateCallback;
extern TvxWideStrings* CollectList;      // receives every text passed for translation
extern TvxWideStringList* LanguageList;  // name=value pairs
extern bool LanguageListReversed;        // look texts up by value instead of by name

// The text's translation through the hooks, or the text itself.
std::u16string TranslateText(const std::u16string& Text);

// ---- shut-down -------------------------------------------------------------------------------

// Frees the category list, the live-object list and the scene list (the library's
// shut-down); each is made again when next needed. Objects alive meanwhile are no longer
// found by name or reference. The translation hooks belong to whoever set them.
void FreeLibraryLists();

// ---- references in property values -----------------------------------------------------------
// An object is referred to by a number of its live-object slot (the low 32 bits) and that
// slot's generation (the high 32 bits). An object reference is "vgobj" and that number in
// decimal; a method reference is "vgmet", the number of its object as 16 hexadecimal digits
// and the method's published name. Both are resolved through the live-object list, so a
// reference to a destroyed object (or forged text) gives nil, never a stale pointer, and
// never the object that reuses the slot.

// "" for an object that is not in the live-object list.
rtl::TPropValue ObjectToVariant(rtl::TComponent* AObject);
bool VariantIsObject(const rtl::TPropValue& V);
// Nil for text that is no object reference and for objects no longer alive; a malformed
// number raises EConvertError.
rtl::TComponent* VariantToObject(const rtl::TPropValue& V);
// "" unless the method is a published method of a live-listed object.
rtl::TPropValue MethodToVariant(const rtl::TMethod& Method);
bool VariantIsMethod(const rtl::TPropValue& V);
// An unset method for text that is no method reference, a dead object or an unknown
// method; a malformed number raises EConvertError.
rtl::TMethod VariantToMethod(const rtl::TPropValue& V);

}  // namespace vg
