#include "scene3d/Library.h"

#include "platform/win/MessageBox.h"
#include "scene3d/Animations.h"
#include "scene3d/BitmapList.h"
#include "scene3d/CanvasLayers.h"
#include "scene3d/GuiControls.h"
#include "scene3d/MeshData.h"
#include "scene3d/ObjectLayer.h"
#include "scene3d/SceneControl.h"
#include "scene3d/SceneObjects.h"
#include "scene3d/Shapes.h"
#include "scene3d/TextBox3D.h"
#include "scene3d/Values.h"

namespace dx {

namespace {
bool started = false;
bool shutdownWaiting = false;

void FreeShared() {
  FreeDxAniThread();
  FreeDxClassList();
  shutdownWaiting = false;
}
}  // namespace

void SceneLibraryStartup() {
  if (started) return;
  started = true;
  shutdownWaiting = false;
  rtl::RegisterClasses<TdxBitmap, TdxPosition, TdxMeshData, TdxMaterial, TdxBitmapRect, TdxBounds>();
  rtl::RegisterClasses<TdxScene, TdxObject, TdxVisualObject>();
  rtl::RegisterClasses<TdxBitmapStream, TdxBitmapCollection, TdxBitmapList>();
  RegisterDxSceneObjectClasses();
  RegisterDxShapeClasses();
  RegisterDxClasses("Resources", {TdxBitmapObject::StaticClass()});
  RegisterDxAnimationClasses();
  RegisterDxLayerClasses();
  RegisterDxCanvasLayerClasses();
  RegisterDxTextBoxClasses();
  RegisterDxGuiControlClasses();
  DesignShowMessage = win::ShowMessage;
}

void SceneLibraryShutdown() {
  if (!started) return;
  started = false;
  DesignShowMessage = nullptr;
  if (DxSceneCount() > 0) {
    shutdownWaiting = true;
    return;
  }
  FreeShared();
}

bool SceneLibraryStarted() { return started; }

void SceneLibraryLastSceneGone() {
  if (shutdownWaiting) FreeShared();
}

}  // namespace dx
