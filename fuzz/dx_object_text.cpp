// 3D object text (pasted objects, scene files): any text makes a 3D object or nothing, and
// never an object of another class; the text written from what it made makes a tree that
// is written again the same (from the second writing on where the tree holds animations,
// see HoldsAnimation).
#include <cstdlib>
#include <memory>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "platform/loop/Application.h"
#include "scene3d/Animations.h"
#include "scene3d/CanvasLayers.h"
#include "scene3d/GuiControls.h"
#include "scene3d/TextBox3D.h"
#include "scene3d/Values.h"
#include "vg2d/core/Library.h"

using namespace dx;

// The font library caches what text measuring asks of it until the back end shuts down, in
// memory the leak check cannot trace; libFuzzer's check after an input would report it.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

// Whether the tree holds an animation. Enabled animations start when their tree has loaded and
// set their property to their start value; one without time to run sets its end value at once
// and is written disabled. So the first text may hold such an end value where the next load's
// running animations set their start values, and only the next text is the tree's fixed point.
bool HoldsAnimation(const TdxObject& Object) {
  if (Object.Is<TdxAnimation>()) return true;
  for (int i = 0; i < Object.ChildrenCount(); ++i)
    if (HoldsAnimation(*Object.Children(i))) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool registered = [] {
    // Values are registered as well: text naming them must make nothing.
    rtl::RegisterClasses<TdxObject, TdxFloatAnimation, TdxColorAnimation, TdxBitmapObject, TdxPosition, TdxBounds>();
    // The 3D controls and canvas layers; the text layer and the text box measure and lay out
    // through the 2D library.
    vg::LibraryStartup();
    // What the font code keeps is made on first use; making it now, before the exit handler
    // is registered, keeps it alive until that handler has run.
    std::make_unique<TdxTextBox3D>(nullptr)->TextWidth(u"warm up");
    std::make_unique<TdxGUIText>(nullptr)->SetText(u"warm up");
    std::atexit([] { vg::LibraryShutdown(); });
    rtl::RegisterClasses<TdxTextBox3D, TdxCanvasLayer, TdxGUICanvasLayer, TdxGUILayout, TdxGUIPlane, TdxGUIImage,
                         TdxGUIText, TdxGUISelection, TdxScreenImage, TdxScreenDummy>();
    return true;
  }();
  (void)registered;
  {
    const std::unique_ptr<TdxObject> made =
        CreateDxObjectFromText(nullptr, std::string(reinterpret_cast<const char*>(Data), Size));
    if (made) {
      fuzz::Check(made->Is<TdxObject>(), "text makes an object that is no 3D object");
      std::string text = SaveDxObjectToText(made.get());
      std::unique_ptr<TdxObject> again = CreateDxObjectFromText(nullptr, text);
      fuzz::Check(again != nullptr, "written 3D object text does not read back");
      if (HoldsAnimation(*made)) {
        text = SaveDxObjectToText(again.get());
        again = CreateDxObjectFromText(nullptr, text);
        fuzz::Check(again != nullptr, "written 3D object text does not read back");
      }
      fuzz::CheckSame(text, SaveDxObjectToText(again.get()), "3D object text changes on a round trip");
    }
  }
  rtl::Application->ProcessMessages();
  FreeDxAniThread();
  return 0;
}
