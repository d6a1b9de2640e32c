// 3D object text (pasted objects, scene files): any text makes a 3D object or nothing, and
// never an object of another class; the text written from what it made makes a tree that
// is written again the same.
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
