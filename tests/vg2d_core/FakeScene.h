// A host for 2D trees in tests and benchmarks: implements IvxScene, records the dirty
// rectangles, focus, capture, hover and design selection, and paints its roots into a
// canvas the way a scene does. Any real host must pass the tests written against it.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/rtl/Component.h"
#include "vg2d/core/Canvas.h"
#include "vg2d/core/Objects.h"
#include "vg2d/core/Scene.h"
#include "vg2d/core/VisualObjects.h"

namespace vgtest {

class FakeScene : public rtl::TComponent, public vg::IvxScene {
public:
  explicit FakeScene(vg::TvxCanvas* Canvas = nullptr) : rtl::TComponent(nullptr), canvas(Canvas) {}
  ~FakeScene() override {
    // Roots are not owned by the host; they leave it.
    while (!roots.empty()) roots.front()->SetParent(nullptr);
  }

  // ---- what the host records ---------------------------------------------------------------
  std::vector<vg::TvxObject*> roots;
  std::vector<vg::TvxRect> dirty;
  vg::TvxVisualObject* focused = nullptr;
  vg::TvxVisualObject* captured = nullptr;
  vg::TvxVisualObject* hovered = nullptr;
  vg::TvxVisualObject* selected = nullptr;
  vg::TvxVisualObject* placeObject = nullptr;
  std::vector<const rtl::TComponent*> removed;  // every Notification(opRemove)
  bool designTime = false;
  bool disableUpdate = false;
  bool mouseCaptured = false;
  int focusChanges = 0;
  vg::TvxCanvas* canvas = nullptr;

  // The union of the dirty rectangles (all zero when there are none).
  vg::TvxRect DirtyUnion() const {
    if (dirty.empty()) return {};
    vg::TvxRect r = dirty.front();
    for (const auto& d : dirty) vg::UnionRectF(vg::TvxRect(r), d, r);
    return r;
  }
  // Whether any dirty rectangle covers R.
  bool Covered(const vg::TvxRect& R) const {
    return std::any_of(dirty.begin(), dirty.end(), [&](const vg::TvxRect& d) {
      return d.Left <= R.Left && d.Top <= R.Top && d.Right >= R.Right && d.Bottom >= R.Bottom;
    });
  }

  // Paints every visual root and its children into the canvas, clipped to the dirty
  // rectangles (grown to whole pixels), then forgets them.
  void Paint() {
    if (!canvas || dirty.empty()) return;
    std::vector<vg::TvxRect> clip;
    for (const vg::TvxRect& d : dirty)
      clip.push_back({std::floor(d.Left), std::floor(d.Top), std::ceil(d.Right), std::ceil(d.Bottom)});
    canvas->SetMatrix(vg::IdentityMatrix);
    canvas->SetClipRects(clip);
    for (vg::TvxObject* root : roots)
      if (vg::TvxVisualObject* v = root->Visual(); v && v->Visible()) {
        canvas->SetMatrix(v->GetAbsoluteMatrix());
        v->BeforePaint();
        v->Paint();
        v->AfterPaint();
        v->PaintChildren();
      }
    canvas->ResetClipRect();
    dirty.clear();
  }

  // ---- IvxScene ------------------------------------------------------------------------------
  void AddObject(vg::TvxObject* Obj) override {
    if (!Obj) return;
    if (Obj->Parent() || (Obj->Scene() && Obj->Scene() != this)) Obj->SetParent(nullptr);
    if (std::find(roots.begin(), roots.end(), Obj) == roots.end()) roots.push_back(Obj);
    Obj->SetScene(this);
    if (vg::TvxVisualObject* v = Obj->Visual()) {
      v->RecalcUpdateRect();
      v->RecalcAbsolute();
      v->Repaint();
    }
  }
  void RemoveObject(vg::TvxObject* Obj) override {
    Notification(Obj, rtl::opRemove);
    Obj->SetScene(nullptr);
    roots.erase(std::remove(roots.begin(), roots.end(), Obj), roots.end());
  }
  void BeginWindowDrag() override {}
  void BeginWindowResize() override {}
  // Like the scene control: beyond 20 pending rectangles they merge into one.
  void AddUpdateRect(const vg::TvxRect& R) override {
    if (dirty.size() < 20) {
      dirty.push_back(R);
      return;
    }
    vg::TvxRect all = DirtyUnion();
    vg::UnionRectF(vg::TvxRect(all), R, all);
    dirty.assign(1, all);
  }
  void InsertObject(const std::string&) override {}
  vg::TvxControl* GetActiveControl() override { return nullptr; }
  bool GetDisableUpdate() override { return disableUpdate; }
  void SetDisableUpdate(bool Value) override { disableUpdate = Value; }
  bool GetDesignTime() override { return designTime; }
  vg::TvxCanvas* GetCanvas() override { return canvas; }
  vg::TvxObject* GetRoot() override { return roots.empty() ? nullptr : roots.front(); }
  rtl::TComponent* GetOwner() override { return Owner(); }
  rtl::TComponent* GetComponent() override { return this; }
  vg::TvxResources* GetStyle() override { return nullptr; }
  void SetStyle(vg::TvxResources*) override {}
  bool GetTransparency() override { return false; }
  void UpdateStyle() override {
    if (vg::TvxObject* root = GetRoot()) root->UpdateStyle();
  }
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override {
    if (Operation != rtl::opRemove) return;
    removed.push_back(AComponent);
    for (vg::TvxVisualObject** ref : {&focused, &captured, &hovered, &selected, &placeObject})
      if (*ref && static_cast<rtl::TComponent*>(*ref) == AComponent) *ref = nullptr;
  }
  vg::TvxVisualObject* GetSelected() override { return selected; }
  vg::TvxVisualObject* GetDesignPlaceObject() override { return placeObject; }
  int GetUpdateRectsCount() override { return static_cast<int>(dirty.size()); }
  vg::TvxRect GetUpdateRect(int Index) override { return dirty[static_cast<size_t>(Index)]; }
  void SetCaptured(vg::TvxVisualObject* Value) override {
    captured = Value;
    mouseCaptured = Value != nullptr;
  }
  vg::TvxVisualObject* GetCaptured() override { return captured; }
  void SetFocused(vg::TvxVisualObject* Value) override {
    if (Value == focused) return;
    focused = Value;
    ++focusChanges;
  }
  vg::TvxVisualObject* GetFocused() override { return focused; }
  void SetDesignEditObject(vg::TvxVisualObject*) override {}
  vg::TvxPoint GetMousePos() override { return {}; }
  vg::TvxPoint LocalToScreen(const vg::TvxPoint& P) override { return P; }
  void BeginVCLDrag(vg::TvxVisualObject*) override {}
  void SetSelected(vg::TvxVisualObject* Obj) override {
    if (!Obj || Obj->Scene() != this) return;
    selected = Obj;
    Obj->DesignSelect();
  }
  bool GetAnimatedCaret() override { return true; }
  bool ShowKeyboard(vg::TvxControl*) override { return false; }
  void HideKeyboard(vg::TvxControl*) override {}
};

// A visual object that fills its rectangle with one colour, for painting tests.
class Box : public vg::TvxVisualObject {
public:
  explicit Box(rtl::TComponent* AOwner, vg::TvxColor Color = 0xFF3060C0u) : vg::TvxVisualObject(AOwner), color(Color) {}
  void Paint() override {
    ++paints;
    vg::TvxCanvas* c = GetCanvas();
    c->Fill()->SetStyle(vg::vgBrushSolid);
    c->Fill()->SetSolidColor(color);
    c->FillRect(GetLocalRect(), 0, 0, vg::AllCorners, GetAbsoluteOpacity());
  }
  vg::TvxColor color;
  int paints = 0;
};

}  // namespace vgtest
