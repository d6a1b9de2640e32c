// TvxFrame shows the root object of another scene control inside this tree: the root is
// borrowed (re-parented into the frame and laid over it) and given back when the frame
// lets the scene go or is freed. A scene already shown in another frame is shown through
// a new copy of the form that holds it, made when the frame first paints. A frame being
// designed borrows nothing: it paints a preview of the scene's root.
#pragma once

#include <memory>

#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/VisualObjects.h"

namespace vg {

class TvxCustomScene;

class TvxFrame : public TvxVisualObject {
  RTL_CLASS(TvxFrame, TvxVisualObject)
public:
  explicit TvxFrame(rtl::TComponent* AOwner);
  void BeforeDestruction() override;

  TvxCustomScene* SceneObject() const { return sceneObject_; }
  void SetSceneObject(TvxCustomScene* Value);
  // A scene shown by another frame waits for this frame's next paint.
  bool Pending() const { return pending_; }
  void Paint() override;

protected:
  void GetChildren(const rtl::TGetChildProc& Proc, rtl::TComponent* Root) override;
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

private:
  void Attach();
  void GiveBack();
  // Design time: the scene's visible root, laid out to the frame's size, painted into the
  // preview bitmap, which is drawn over the frame.
  void PaintPreview();

  TvxCustomScene* sceneObject_ = nullptr;
  bool pending_ = false;
  std::unique_ptr<TvxBitmap> preview_;
};

}  // namespace vg
