// A host for 2D trees in tests and benchmarks: implements IvxScene, records the dirty
// rectangles, focus, capture, hover and design selection, paints its roots into a canvas
// and routes mouse, keyboard and drag input into its tree the way a scene does (points in
// scene coordinates). Any real host must pass the tests written against it.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
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
  vg::TvxPoint mousePos{};
  bool animatedCaret = true;
  vg::TvxVisualObject* dropTarget = nullptr;
  std::vector<vg::TvxVisualObject*> dragged;  // every BeginVCLDrag

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

  // ---- input, as a scene routes it ------------------------------------------------------------
  // The roots last to first; a root that is not visual ends the search.
  vg::TvxVisualObject* ObjectAtPoint(const vg::TvxPoint& P) {
    for (size_t i = roots.size(); i-- > 0;) {
      vg::TvxVisualObject* v = roots[i]->Visual();
      if (!v) return nullptr;
      if (v->Visible() || designTime)
        if (vg::TvxVisualObject* hit = v->ObjectAtPoint(P)) return hit;
    }
    return nullptr;
  }
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
    mousePos = {X, Y};
    if (vg::TvxVisualObject* o = ObjectAtPoint(mousePos)) {
      const vg::TvxPoint p = o->AbsoluteToLocal(mousePos);
      vg::TvxFreeWatch alive(o);
      o->MouseDown(Button, Shift, p.X, p.Y);
      if (!alive.Gone() && o->DragMode() == vg::vgDragAutomatic) o->BeginAutoDrag();
    }
  }
  void MouseMove(rtl::TShiftState Shift, float X, float Y) {
    mousePos = {X, Y};
    if (captured) {
      const vg::TvxPoint p = captured->AbsoluteToLocal(mousePos);
      captured->MouseMove(Shift, p.X, p.Y, 0, 0);
      return;
    }
    vg::TvxVisualObject* o = ObjectAtPoint(mousePos);
    if (o != hovered) {
      if (vg::TvxVisualObject* old = hovered) {
        hovered = nullptr;
        old->MouseLeave();
      }
      hovered = o;
      if (o) o->MouseEnter();
    }
    if (o) {
      const vg::TvxPoint p = o->AbsoluteToLocal(mousePos);
      o->MouseMove(Shift, p.X, p.Y, 0, 0);
    }
  }
  // The window moves the mouse before it releases a button; the fake takes the point here.
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
    mousePos = {X, Y};
    vg::TvxVisualObject* o = captured ? captured : ObjectAtPoint(mousePos);
    if (!o) return;
    const vg::TvxPoint p = o->AbsoluteToLocal(mousePos);
    o->MouseUp(Button, Shift, p.X, p.Y);
  }
  bool MouseWheel(rtl::TShiftState Shift, int WheelDelta) {
    bool handled = false;
    if (captured) {
      captured->MouseWheel(Shift, WheelDelta, handled);
      return handled;
    }
    for (vg::TvxVisualObject* o = ObjectAtPoint(mousePos); o && !handled;) {
      o->MouseWheel(Shift, WheelDelta, handled);
      vg::TvxObject* p = o->Parent();
      o = p ? p->Visual() : nullptr;
    }
    return handled;
  }
  void KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
    static constexpr uint16_t dialogKeys[] = {27, 13, 37, 39, 38, 40, 36, 35, 107, 109};
    if (std::find(std::begin(dialogKeys), std::end(dialogKeys), Key) != std::end(dialogKeys))
      if (vg::TvxObject* root = GetRoot(); root && root->Visual()) {
        root->Visual()->DialogKey(Key, Shift);
        if (Key == 0) return;
      }
    if (Key != 9 || !GetRoot() || !GetRoot()->Visual()) {
      if (focused) focused->KeyDown(Key, KeyChar, Shift);
      return;
    }
    Key = 0;
    std::vector<vg::TvxVisualObject*> list;
    GetRoot()->Visual()->GetTabOrderList(list, true);
    if (list.empty()) return;
    const int n = static_cast<int>(list.size());
    const int at = focused ? static_cast<int>(std::find(list.begin(), list.end(), focused) - list.begin()) : -1;
    const bool back = Shift.Contains(rtl::ssShift);
    // From the entry after (before) the focused one round to the focused one itself.
    const int from = at < 0 || at >= n ? (back ? n - 1 : 0) : (back ? at - 1 + n : at + 1) % n;
    for (int k = 0; k < n; ++k) {
      vg::TvxVisualObject* c = list[static_cast<size_t>(((back ? from - k : from + k) % n + n) % n)];
      if (c->GetParentedVisible() && c->CanFocused() && c->GetAbsoluteEnabled()) {
        c->SetFocus();
        return;
      }
    }
  }
  void KeyUp(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
    if (focused) focused->KeyUp(Key, KeyChar, Shift);
  }
  // A drag over the first root at P: the target under it hears enter, over and leave.
  void DragOver(const vg::TvxDragObject& Data, const vg::TvxPoint& P) {
    vg::TvxObject* root = GetRoot();
    vg::TvxVisualObject* target = root && root->Visual() ? root->Visual()->FindTarget(P, Data) : nullptr;
    if (target == dropTarget) return;
    if (vg::TvxVisualObject* old = dropTarget) {
      dropTarget = nullptr;
      old->DragLeave();
    }
    dropTarget = target;
    if (target) target->DragEnter(Data, P);
  }
  void DragDrop(const vg::TvxDragObject& Data, const vg::TvxPoint& P) {
    if (vg::TvxVisualObject* t = dropTarget) {
      dropTarget = nullptr;
      t->DragDrop(Data, P);
    }
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
    for (vg::TvxVisualObject** ref : {&focused, &captured, &hovered, &selected, &placeObject, &dropTarget})
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
    vg::TvxVisualObject* old = focused;
    focused = Value;
    ++focusChanges;
    if (old) old->KillFocus();
    // The old object's handlers may have freed the new one (its remove notification then
    // cleared the focus), as the real hosts allow.
    if (Value && focused == Value) Value->EnterFocus();
  }
  vg::TvxVisualObject* GetFocused() override { return focused; }
  void SetDesignEditObject(vg::TvxVisualObject*) override {}
  vg::TvxPoint GetMousePos() override { return mousePos; }
  vg::TvxPoint LocalToScreen(const vg::TvxPoint& P) override { return P; }
  void BeginVCLDrag(vg::TvxVisualObject* Obj) override { dragged.push_back(Obj); }
  void SetSelected(vg::TvxVisualObject* Obj) override {
    if (!Obj || Obj->Scene() != this) return;
    selected = Obj;
    Obj->DesignSelect();
  }
  bool GetAnimatedCaret() override { return animatedCaret; }
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
