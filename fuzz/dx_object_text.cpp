// 3D object text (pasted objects, scene files): any text makes a 3D object or nothing, and
// never an object of another class; the text written from what it made makes a tree that
// is written again the same.
#include <memory>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "platform/loop/Application.h"
#include "scene3d/Animations.h"
#include "scene3d/Values.h"

using namespace dx;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool registered = [] {
    // Values are registered as well: text naming them must make nothing.
    rtl::RegisterClasses<TdxObject, TdxFloatAnimation, TdxColorAnimation, TdxBitmapObject, TdxPosition, TdxBounds>();
    return true;
  }();
  (void)registered;
  {
    const std::unique_ptr<TdxObject> made =
        CreateDxObjectFromText(nullptr, std::string(reinterpret_cast<const char*>(Data), Size));
    if (made) {
      fuzz::Check(made->Is<TdxObject>(), "text makes an object that is no 3D object");
      const std::string text = SaveDxObjectToText(made.get());
      const std::unique_ptr<TdxObject> again = CreateDxObjectFromText(nullptr, text);
      fuzz::Check(again != nullptr, "written 3D object text does not read back");
      fuzz::CheckSame(text, SaveDxObjectToText(again.get()), "3D object text changes on a round trip");
    }
  }
  rtl::Application->ProcessMessages();
  FreeDxAniThread();
  return 0;
}
