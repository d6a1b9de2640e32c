#include "vg2d/core/Library.h"

#include "vg2d/core/DesignEditor.h"

#include "vg2d/core/Frame.h"
#include "vg2d/core/SceneControl.h"

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/gfx2d/Backend.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/BitmapEffects.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/Bounds.h"
#include "vg2d/core/Brushes.h"
#include "vg2d/core/Canvas.h"
#include "vg2d/core/CanvasGdiPlus.h"
#include "vg2d/core/Controls.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "vg2d/core/ImageShapes.h"
#include "vg2d/core/PathData.h"
#include "vg2d/core/Registry.h"
#include "vg2d/core/Selection.h"
#include "vg2d/core/Shapes.h"
#include "vg2d/core/Styles.h"
#include "vg2d/core/TextShape.h"
#include "vg2d/core/WideStrings.h"
#include "vg2d_core_resources.h"

namespace vg {

namespace {

int startCount = 0;

// What start-up did, so that shut-down undoes just that.
struct TStartupRecord {
  std::vector<rtl::TClass> Registered;
  const TvxCanvasClass* CanvasClassBefore = nullptr;
  const TvxFilterClass* FilterClassBefore = nullptr;
  bool StartedBackend = false;
};
TStartupRecord record;

// Registers each class for streams (a class registered already stays as it is).
void RegisterForStreams(std::initializer_list<rtl::TClass> Classes) {
  for (rtl::TClass c : Classes) {
    if (rtl::GetClass(c->Name) == c) continue;
    rtl::RegisterClass(c);
    record.Registered.push_back(c);
  }
}

// Registers each class for streams and lists it under Category.
void RegisterInCategory(const std::string& Category, std::initializer_list<rtl::TClass> Classes) {
  for (rtl::TClass c : Classes) AddObjectClass(Category, c);
  RegisterForStreams(Classes);
}

// The library's classes, by category, in the order of the design lists. Classes of the
// controls and of the other parts of the library join their category here as they come.
void RegisterLibraryClasses() {
  using rtl::ClassOf;
  RegisterForStreams({ClassOf<TvxBitmap>(), ClassOf<TvxPathData>(), ClassOf<TvxBrush>(), ClassOf<TvxBounds>(),
                      ClassOf<TvxPosition>(), ClassOf<TvxGradient>(), ClassOf<TvxGradientPoints>(),
                      ClassOf<TvxGradientPoint>(), ClassOf<TvxVisual>()});
  RegisterForStreams({ClassOf<TvxResources>(), ClassOf<TvxObject>(), ClassOf<TvxContent>(), ClassOf<TvxControl>()});
  RegisterForStreams({ClassOf<TvxWideStrings>(), ClassOf<TvxWideStringList>()});
  RegisterInCategory("Resources", {ClassOf<TvxBrushObject>(), ClassOf<TvxPathObject>(), ClassOf<TvxBitmapObject>()});
  // The layered-window entry point and OLE have no counterpart here: the window layer
  // presents layered output itself.
  // The published scene too: forms stream their scenes under its name.
  RegisterForStreams({ClassOf<TvxCustomScene>(), ClassOf<TvxScene>()});
  RegisterInCategory("Layout", {ClassOf<TvxFrame>()});
  // ("Popup": the controls library)
  RegisterInCategory("Animations",
                     {ClassOf<TvxColorAnimation>(), ClassOf<TvxGradientAnimation>(), ClassOf<TvxFloatAnimation>(),
                      ClassOf<TvxRectAnimation>(), ClassOf<TvxBitmapAnimation>(), ClassOf<TvxColorKeyAnimation>(),
                      ClassOf<TvxFloatKeyAnimation>(), ClassOf<TvxPathAnimation>(), ClassOf<TvxPathSwitcher>()});
  RegisterInCategory("Effects", {ClassOf<TvxShadowEffect>(), ClassOf<TvxBlurEffect>(), ClassOf<TvxGlowEffect>(),
                                  ClassOf<TvxInnerGlowEffect>(), ClassOf<TvxBevelEffect>(), ClassOf<TvxReflectionEffect>()});
  RegisterInCategory("Shapes",
                     {ClassOf<TvxLine>(), ClassOf<TvxRectangle>(), ClassOf<TvxSidesRectangle>(),
                      ClassOf<TvxBlurRectangle>(), ClassOf<TvxRoundRect>(), ClassOf<TvxBlurRoundRect>(),
                      ClassOf<TvxEllipse>(), ClassOf<TvxCircle>(), ClassOf<TvxArc>(), ClassOf<TvxPie>(),
                      ClassOf<TvxText>(), ClassOf<TvxPath>(), ClassOf<TvxImage>(), ClassOf<TvxPaintBox>(),
                      ClassOf<TvxScrollArrowLeft>(), ClassOf<TvxScrollArrowRight>(), ClassOf<TvxCalloutRectangle>()});
  RegisterInCategory("Design", {ClassOf<TvxSelection>(), ClassOf<TvxSelectionPoint>(), ClassOf<TvxDesignFrame>()});
  RegisterInCategory("Windows", {ClassOf<TvxBackground>()});
  // The controls library adds the rest, each class after those of its category here ("Windows",
  // "Layout", "Design"), so the lists read as if one start-up had registered them all.
}

}  // namespace

void LibraryStartup() {
  if (startCount++ != 0) return;
  record = {};
  RegisterLibraryClasses();
  RegisterVgCoreResources();
  record.FilterClassBefore = DefaultFilterClass;
  DefaultFilterClass = TvxFilterClassOf<TvxFilterGdiPlus>::Instance();
  record.CanvasClassBefore = DefaultCanvasClass;
  if (!DefaultCanvasClass) DefaultCanvasClass = TvxCanvasGdiPlus::ClassRef();
  record.StartedBackend = !gfx2d::IsStarted();
  if (record.StartedBackend) StartupGdiPlus();
}

void LibraryShutdown() {
  if (startCount == 0 || --startCount != 0) return;
  if (record.StartedBackend) ShutdownGdiPlus();
  // (the open-popup list)
  FreeAniThread();
  FreeDefaultStyle();
  FreeLibraryLists();
  DesignClipboard().clear();
  for (auto it = record.Registered.rbegin(); it != record.Registered.rend(); ++it) rtl::UnRegisterClass(*it);
  DefaultFilterClass = record.FilterClassBefore;
  DefaultCanvasClass = record.CanvasClassBefore;
  record = {};
}

bool LibraryStarted() { return startCount > 0; }

}  // namespace vg
