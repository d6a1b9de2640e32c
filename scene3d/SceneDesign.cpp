// The scene at design time: its mouse handlers edit the tree instead of routing input.
//
// A press selects the object under the pointer (Ctrl adds others to a multi-selection, a
// double click runs the selection's DesignClick, an empty place selects the root); a press
// on a handle of the selection resizes or turns it; a press on a selected object that takes
// design input itself (an object layer) goes to that object unless Shift is held. A drag
// moves the selection in the plane through it parallel to XoY (XoZ with Ctrl), Alt orbits
// the design camera rig, Shift pans it while no object but the root is selected, and the
// wheel brings the design camera nearer. Every ray-plane step skips a ray that meets its
// plane nowhere ahead, and a turn measures its angle with the cosine held to [-1, 1] and
// none on the axis, so no position, size or angle is ever NaN or infinite.
//
// The design menu adds objects of the registered 3D classes, hides, orders, deletes, copies
// and pastes the selection as component text through the system clipboard, loads an object
// from a ".scene3d" file and shows or hides the design grid. No designer is attached: nothing
// names new objects or hears of changes.
#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/TypInfo.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Display.h"
#include "platform/win/Menus.h"
#include "scene3d/SceneControl.h"
#include "scene3d/Shapes.h"

namespace dx {

TdxDesignMessageProc DesignShowMessage;

namespace {

// A file loaded into a scene is component text of one object; larger files are refused.
constexpr std::int64_t MaxSceneFileSize = 64 << 20;
// Degrees the rig turns per pixel of an Alt-drag.
constexpr float OrbitDegreesPerPixel = 0.3f;

bool Finite(const TdxVector& V) { return std::isfinite(V.X) && std::isfinite(V.Y) && std::isfinite(V.Z); }

TdxVisualObject* VisualParent(const TdxVisualObject* O) { return dynamic_cast<TdxVisualObject*>(O->Parent()); }

// A class name as the menu shows it: without a leading "Tdx".
std::string WithoutPrefix(const std::string& ClassName) {
  return ClassName.compare(0, 3, "Tdx") == 0 ? ClassName.substr(3) : ClassName;
}

std::u16string Wide(const std::string& S) { return rtl::Utf8ToWide(S); }

// A published "Text" property, when the object has one, becomes the class name as the menu
// shows it.
void NameText(TdxVisualObject* O) {
  const rtl::TPropInfo* p = rtl::GetPropInfo(O, "Text");
  if (!p) return;
  const std::string text = WithoutPrefix(O->ClassName());
  if (p->Kind() == rtl::tkWString && p->SetWStr) rtl::SetWideStrProp(O, p, Wide(text));
  else if (p->Kind() == rtl::tkLString && p->SetStr) rtl::SetStrProp(O, p, text);
}

vg::TvxDesignMenuItem Command(std::u16string Caption, std::function<void()> Action, bool Checked = false, int Tag = 0) {
  vg::TvxDesignMenuItem item;
  item.Caption = std::move(Caption);
  item.Action = std::move(Action);
  item.Checked = Checked;
  item.Tag = Tag;
  return item;
}

vg::TvxDesignMenuItem Submenu(std::u16string Caption, std::vector<vg::TvxDesignMenuItem> Items) {
  vg::TvxDesignMenuItem item;
  item.Caption = std::move(Caption);
  item.Items = std::move(Items);
  return item;
}

void Message(const char16_t* Text) {
  if (DesignShowMessage) DesignShowMessage(Text);
}

}  // namespace

bool DesignHandleCentre(const TdxVisualObject& Obj, TdxDesignHandle Handle, float Offset, TdxVector& Centre) {
  const float w = Obj.Width() / 2, h = Obj.Height() / 2, d = Obj.Depth() / 2;
  const bool camera = Obj.Projection() == dxProjectionCamera;
  switch (Handle) {
    case TdxDesignHandle::Resize1:
      Centre = {w, -h, d, 1};
      return Obj.DesignResizable();
    case TdxDesignHandle::Resize2:
      Centre = {-w, h, d, 1};
      return Obj.DesignResizable();
    case TdxDesignHandle::RotateX:
      Centre = {0, 0, d + Offset, 1};
      return Obj.DesignRotatable() && camera;
    case TdxDesignHandle::RotateY:
      Centre = {w + Offset, 0, 0, 1};
      return Obj.DesignRotatable() && camera;
    case TdxDesignHandle::RotateZ:
      Centre = {0, -h - Offset, 0, 1};
      return Obj.DesignRotatable();
  }
  return false;
}

namespace {

TdxDesignDrag DragOf(TdxDesignHandle Handle) {
  switch (Handle) {
    case TdxDesignHandle::Resize1: return TdxDesignDrag::ResizeWidthDepth;
    case TdxDesignHandle::Resize2: return TdxDesignDrag::ResizeWidthHeight;
    case TdxDesignHandle::RotateX: return TdxDesignDrag::RotateX;
    case TdxDesignHandle::RotateY: return TdxDesignDrag::RotateY;
    case TdxDesignHandle::RotateZ: return TdxDesignDrag::RotateZ;
  }
  return TdxDesignDrag::None;
}

}  // namespace

// ---- state --------------------------------------------------------------------------------------

void TdxScene::SetDesignTime(bool Value) {
  if (Value == designing_) return;
  designing_ = Value;
  designDrag_ = TdxDesignDrag::None;
  designList_.clear();
  if (designGrid_) designGrid_->SetVisible(Value);
  // A designed scene shows on an opaque form, as one made while designing does; back at run
  // time a transparent scene hands its form whole frames again.
  if (transparency_ && OnForm() && HandleAllocated()) static_cast<win::TCustomForm*>(Parent())->SetLayered(!Value);
  RepaintScene();
}

TdxCamera* TdxScene::ViewCamera() const {
  if (designing_ && camera_ && camera_->LookingThrough()) return camera_;
  if ((designing_ || usingDesignCamera_) && designCamera_) return designCamera_;
  return camera_;
}

void TdxScene::FollowViewCamera() {
  if (canvas_) canvas_->SetCamera(ViewCamera());
}

void TdxScene::UpdateHandleMetrics(const TdxVisualObject& Selection) {
  if (Selection.Projection() == dxProjectionScreen) {
    handleOffset_ = 10;
    handleSize_ = 3;
    return;
  }
  handleOffset_ = 1.8f;
  if (!canvas_ || !canvas_->Camera()) return;
  const TdxMatrix eye = canvas_->Camera()->CameraAbsoluteMatrix();
  const float distance =
      dxVectorLength(dxVectorSubtract(Selection.AbsolutePosition(), {eye.M[3][0], eye.M[3][1], eye.M[3][2], 1}));
  const float scale = canvas_->GetProjectionMatrix().M[1][1];
  const float size = 0.18f * 0.14f * distance / scale;
  if (std::isfinite(size) && scale > 0) handleSize_ = size;
}

bool TdxScene::DesignRay(TdxProjection AProjection, const TdxVector& Point, TdxVector& RayPos,
                         TdxVector& RayDir) const {
  if (!canvas_) return false;
  canvas_->PickRay(AProjection == dxProjectionScreen, Point.X, Point.Y, RayPos, RayDir);
  return Finite(RayPos) && Finite(RayDir);
}

bool TdxScene::DesignMeet(TdxProjection AProjection, const TdxVector& Point, const TdxVector& PlanePoint,
                          const TdxVector& Normal, TdxVector& Meeting) const {
  TdxVector pos, dir;
  if (!DesignRay(AProjection, Point, pos, dir)) return false;
  TdxVector at;
  if (!dxRayPlaneIntersect(pos, dir, PlanePoint, Normal, at) || !Finite(at)) return false;
  Meeting = at;
  return true;
}

void TdxScene::ChangeSelection(TdxVisualObject* Obj, bool Announce) {
  if (Obj == selected_) return;
  selected_ = Obj;
  RepaintScene();
  if (Obj && Announce) Obj->DesignInsert();
}

void TdxScene::DesignSelect(TdxVisualObject* Obj) {
  if (Obj && Obj->Scene() != this) return;
  ChangeSelection(Obj, true);
}

// ---- mouse ----------------------------------------------------------------------------------------

void TdxScene::MakeDesignRoot() {
  rtl::TComponent* owner = Owner();
  auto root = std::make_unique<TdxVisualObject>(owner);
  // Named like a designer names it: the first free "Root<n>" among the owner's components.
  if (owner)
    for (int n = 1;; ++n) {
      const std::string name = "Root" + std::to_string(n);
      if (!owner->FindComponent(name)) {
        root->SetName(name);
        break;
      }
    }
  AddObject(root.release());
}

void TdxScene::DesignMouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift) {
  FollowViewCamera();
  TdxVisualObject* root = GetRoot();
  if (!root) {
    MakeDesignRoot();
    return;
  }
  // A press on a handle of the selection keeps the selection and drags that handle.
  if (TdxVisualObject* sel = selected_; sel && sel != root) {
    TdxVector pos, dir;
    if (DesignRay(sel->Projection(), prevSnapPoint_, pos, dir)) {
      UpdateHandleMetrics(*sel);
      pos = sel->AbsoluteToLocalVector({pos.X, pos.Y, pos.Z, 1});
      dir = dxVectorNormalize(sel->AbsoluteToLocalVector({dir.X, dir.Y, dir.Z, 0}));
      for (int i = 0; i < DesignHandleCount; ++i) {
        const auto handle = static_cast<TdxDesignHandle>(i);
        TdxVector centre;
        if (DesignHandleCentre(*sel, handle, handleOffset_, centre) && Finite(pos) && Finite(dir) &&
            dxRayHitsSphere(pos, dir, centre, 2 * handleSize_)) {
          designDrag_ = DragOf(handle);
          RepaintScene();
          return;
        }
      }
    }
  }
  TdxVisualObject* hit = ObjectAtPoint(lastPoint_.X, lastPoint_.Y);
  TdxFreeWatch scene(this);
  if (hit && hit == selected_ && Shift.Contains(rtl::ssDouble)) {
    TdxFreeWatch alive(hit);
    hit->DesignClick();
    if (scene.Gone()) return;
    if (alive.Gone()) hit = nullptr;
  }
  // An object that takes design input itself gets the press, unless Shift keeps it here.
  if (hit && hit == selected_ && hit->DesignMousePassThrough() && !Shift.Contains(rtl::ssShift)) {
    SendMouseDown(hit, Button, Shift);
    return;
  }
  if (Button == rtl::mbRight) {
    TdxFreeWatch alive(hit);
    ShowDesignMenu();
    if (scene.Gone()) return;
    if (alive.Gone()) hit = nullptr;
  }
  root = GetRoot();
  if (hit) {
    if (Shift.Contains(rtl::ssCtrl) && hit != selected_) {
      const auto at = std::find(designList_.begin(), designList_.end(), hit);
      if (at == designList_.end())
        designList_.push_back(hit);
      else if (selected_)
        *at = selected_;
      else
        designList_.erase(at);
      return;
    }
    designList_.clear();
    TdxFreeWatch alive(hit);
    ChangeSelection(hit, true);
    if (scene.Gone() || alive.Gone()) return;
    if (hit != root && selected_ == hit) designDrag_ = TdxDesignDrag::Move;
    return;
  }
  designList_.clear();
  ChangeSelection(root, true);
}

void TdxScene::DesignMouseMove(rtl::TShiftState Shift) {
  FollowViewCamera();
  const bool left = Shift.Contains(rtl::ssLeft);
  if (left && Shift.Contains(rtl::ssAlt)) {
    OrbitStep();
    prevSnapPoint_ = snapPoint_;
    return;
  }
  TdxFreeWatch scene(this);
  TdxVisualObject* sel = selected_;
  if (left && Shift.Contains(rtl::ssShift) && (!sel || sel == GetRoot()))
    PanStep(Shift);
  else if (left && sel && designDrag_ == TdxDesignDrag::Move)
    MoveStep(Shift);
  else if (left && sel &&
           (designDrag_ == TdxDesignDrag::ResizeWidthDepth || designDrag_ == TdxDesignDrag::ResizeWidthHeight))
    ResizeStep();
  else if (left && sel && designDrag_ != TdxDesignDrag::None)
    RotateStep();
  if (scene.Gone()) return;
  prevSnapPoint_ = snapPoint_;
  if (selected_ && selected_->DesignMousePassThrough()) SendMouseMove(selected_, Shift);
}

void TdxScene::DesignMouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift) {
  designList_.clear();
  TdxFreeWatch scene(this);
  if (selected_ && designDrag_ != TdxDesignDrag::None) {
    designDrag_ = TdxDesignDrag::None;
    if (TdxVisualObject* parent = VisualParent(selected_)) parent->Realign();
    if (scene.Gone()) return;
    SetMouseCapture(false);
    RepaintScene();
  }
  designDrag_ = TdxDesignDrag::None;
  if (selected_ && selected_->DesignMousePassThrough()) SendMouseUp(selected_, Button, Shift);
}

void TdxScene::DesignWheel(int WheelDelta) {
  if (!designCamera_) return;
  designCamera_->Position()->SetY(designCamera_->Position()->Y() + static_cast<float>(WheelDelta) / 120);
}

void TdxScene::DesignKeyUp(std::uint16_t Key) {
  if (Key != win::VK_DELETE || !selected_) return;
  // A selected object layer that has a 2D object selected deletes that one: the layer goes
  // only when nothing inside it is selected.
  if (selected_->DesignDeleteInside()) {
    RepaintScene();
    return;
  }
  // Delete frees the selection, never the root (the menu's "Delete object" refuses it too).
  if (selected_ == GetRoot()) return;
  TdxVisualObject* gone = selected_;
  selected_ = nullptr;
  designDrag_ = TdxDesignDrag::None;
  gone->Free();
  RepaintScene();
}

// ---- drags ------------------------------------------------------------------------------------------

void TdxScene::OrbitStep() {
  if (designDummyA_)
    designDummyA_->RotateAngle()->SetZ(designDummyA_->RotateAngle()->Z() +
                                       OrbitDegreesPerPixel * (snapPoint_.X - prevSnapPoint_.X));
  if (designDummyB_)
    designDummyB_->RotateAngle()->SetX(designDummyB_->RotateAngle()->X() +
                                       OrbitDegreesPerPixel * (snapPoint_.Y - prevSnapPoint_.Y));
}

void TdxScene::PanStep(rtl::TShiftState Shift) {
  TdxDummy* a = designDummyA_;
  if (!a) return;
  const TdxVector normal = Shift.Contains(rtl::ssCtrl) ? a->AbsoluteDirection() : a->AbsoluteUp();
  TdxVector from, to;
  if (!DesignMeet(dxProjectionCamera, prevSnapPoint_, a->AbsolutePosition(), normal, from) ||
      !DesignMeet(dxProjectionCamera, lastPoint_, a->AbsolutePosition(), normal, to))
    return;
  // The rig moves against the pointer, so the scene follows it.
  const TdxVector p = dxVectorAdd(a->Position()->Vector(), dxVectorSubtract(from, to));
  if (Finite(p)) a->Position()->SetVector(p);
}

void TdxScene::MoveStep(rtl::TShiftState Shift) {
  TdxVisualObject* sel = selected_;
  const TdxVector normal = Shift.Contains(rtl::ssCtrl) ? TdxVector{0, 1, 0, 0} : TdxVector{0, 0, 1, 0};
  TdxVector from, to;
  if (!DesignMeet(sel->Projection(), prevSnapPoint_, sel->AbsolutePosition(), normal, from) ||
      !DesignMeet(sel->Projection(), lastPoint_, sel->AbsolutePosition(), normal, to))
    return;
  if (TdxVisualObject* parent = VisualParent(sel)) {
    from = parent->AbsoluteToLocal(from);
    to = parent->AbsoluteToLocal(to);
  }
  TdxVector p = dxVectorAdd(sel->Position()->Vector(), dxVectorSubtract(to, from));
  if (sel->Projection() == dxProjectionScreen) {
    p.X = std::nearbyint(p.X);
    p.Y = std::nearbyint(p.Y);
  }
  if (Finite(p)) sel->Position()->SetVector(p);
}

void TdxScene::ResizeStep() {
  TdxVisualObject* sel = selected_;
  const bool widthDepth = designDrag_ == TdxDesignDrag::ResizeWidthDepth;
  const TdxVector normal = widthDepth ? sel->AbsoluteUp() : sel->AbsoluteDirection();
  TdxVector from, to;
  if (!DesignMeet(sel->Projection(), prevSnapPoint_, sel->AbsolutePosition(), normal, from) ||
      !DesignMeet(sel->Projection(), lastPoint_, sel->AbsolutePosition(), normal, to))
    return;
  const TdxVector d = dxVectorSubtract(sel->AbsoluteToLocal(to), sel->AbsoluteToLocal(from));
  if (!Finite(d)) return;
  TdxFreeWatch alive(sel);
  if (widthDepth) {
    sel->SetWidth(sel->Width() + d.X);
    if (!alive.Gone()) sel->SetDepth(sel->Depth() + d.Z);
  } else {
    sel->SetWidth(sel->Width() - d.X);
    if (!alive.Gone()) sel->SetHeight(sel->Height() + d.Y);
  }
}

void TdxScene::RotateStep() {
  TdxVisualObject* sel = selected_;
  int axis = 0;
  TdxVector normal, handle;
  switch (designDrag_) {
    case TdxDesignDrag::RotateX:
      axis = 0, normal = sel->AbsoluteRight(), handle = {0, 0, 1, 0};
      break;
    case TdxDesignDrag::RotateY:
      axis = 1, normal = sel->AbsoluteUp(), handle = {1, 0, 0, 0};
      break;
    case TdxDesignDrag::RotateZ:
      axis = 2, normal = sel->AbsoluteDirection(), handle = {0, -1, 0, 0};
      break;
    default: return;
  }
  TdxVector at;
  if (!DesignMeet(sel->Projection(), lastPoint_, sel->AbsolutePosition(), normal, at)) return;
  TdxVector p = sel->AbsoluteToLocal(at);
  // The direction to the pointer within the plane of the turn; on the axis there is none.
  float* along[3] = {&p.X, &p.Y, &p.Z};
  *along[axis] = 0;
  p.W = 0;
  const float length = dxVectorLength(p);
  if (!(length > 1e-6f) || !std::isfinite(length)) return;
  const float degrees = dxRadToDeg(dxArcCos(dxVectorDot(handle, p) / length));
  if (!std::isfinite(degrees) || degrees == 0) return;
  // The handle turns onto the pointer: by +degrees about the axis (right-handed) when the
  // pointer lies on the positive side of the handle, else back. A growing angle turns about
  // X and Z the other way round from Y, so their angles change by the opposite amount.
  const TdxVector cross = dxVectorCross(handle, p);
  const float side[3] = {cross.X, cross.Y, cross.Z};
  float turn = side[axis] >= 0 ? degrees : -degrees;
  if (axis != 1) turn = -turn;
  TdxPosition* angles = sel->RotateAngle();
  switch (axis) {
    case 0: angles->SetX(angles->X() + turn); break;
    case 1: angles->SetY(angles->Y() + turn); break;
    default: angles->SetZ(angles->Z() + turn); break;
  }
}

// ---- drawing ------------------------------------------------------------------------------------------

void TdxScene::DrawDesignSelection(TdxCanvas& C) {
  TdxVisualObject* sel = selected_;
  if (!sel || sel == GetRoot() || !C.Camera()) return;
  UpdateHandleMetrics(*sel);
  C.SetRenderState(sel->Projection() == dxProjectionScreen ? rsScreenSpace : rsCameraSpace);
  C.SetMatrix(sel->GetAbsoluteMatrix());
  C.SetRenderState(rsDepthWriteOn);
  C.SetRenderState(rsLightingOff);
  C.SetRenderState(rsDiffuseOnly);
  TdxMaterial m;
  m.SetLighting(false);
  m.SetDiffuseColor(DesignFrameColor);
  C.SetMaterial(m);
  C.DrawCube({0, 0, 0, 1}, {sel->Width(), sel->Height(), sel->Depth(), 0}, 1);
  const float s = handleSize_;
  const TdxVector box{3 * s, s, 3 * s, 0};
  for (int i = 0; i < DesignHandleCount; ++i) {
    const auto handle = static_cast<TdxDesignHandle>(i);
    TdxVector centre;
    if (!DesignHandleCentre(*sel, handle, handleOffset_, centre)) continue;
    const bool resize = handle == TdxDesignHandle::Resize1 || handle == TdxDesignHandle::Resize2;
    m.SetDiffuseColor(designDrag_ == DragOf(handle) ? DesignDraggedColor
                      : resize                      ? DesignFrameColor
                                                    : DesignRotateColor);
    C.SetMaterial(m);
    C.FillCube(centre, box, 1);
    m.SetDiffuseColor(DesignOutlineColor);
    C.SetMaterial(m);
    C.DrawCube(centre, box, 1);
  }
  C.SetRenderState(rsTextureModulate);
  C.SetRenderState(rsLightingOn);
}

// ---- the design menu ----------------------------------------------------------------------------------

void TdxScene::ShowDesignMenu() {
  // At the press that opens it, wherever the pointer went since.
  menuPoint_ = win::TControl::ClientToScreen(
      {static_cast<int>(std::lround(lastPoint_.X)), static_cast<int>(std::lround(lastPoint_.Y))});
  vg::PopupDesignMenu(designMenu_, BuildDesignMenu(), menuPoint_.X, menuPoint_.Y);
}

std::vector<vg::TvxDesignMenuItem> TdxScene::BuildDesignMenu() {
  std::vector<vg::TvxDesignMenuItem> menu;
  const std::vector<TdxClassEntry>& classes = DxClassList();
  if (classes.empty()) return menu;
  // A submenu per category, in the order the categories first come; each item inserts the
  // very class it stands for.
  std::vector<vg::TvxDesignMenuItem> categories;
  for (const TdxClassEntry& e : classes) {
    const std::u16string category = Wide(e.Category);
    auto cat = std::find_if(categories.begin(), categories.end(),
                            [&](const vg::TvxDesignMenuItem& I) { return I.Caption == category; });
    if (cat == categories.end()) {
      categories.push_back(Submenu(category, {}));
      cat = std::prev(categories.end());
    }
    const std::string name = e.Class->Name;
    cat->Items.push_back(Command(Wide(WithoutPrefix(name)), [this, name] { InsertObject(name); }, false, 255));
  }
  menu.push_back(Submenu(u"Add object", std::move(categories)));
  if (selected_)
    menu.push_back(Command(u"Hide in Design-time", [this] { HideSelection(); }, selected_->DesignHide()));
  menu.push_back(Submenu(u"Order", {Command(u"Bring to front",
                                            [this] {
                                              if (selected_) selected_->BringToFront();
                                            }),
                                    Command(u"Send to back", [this] {
                                      if (selected_) selected_->SendToBack();
                                    })}));
  menu.push_back(Command(u"Delete object", [this] { DeleteSelection(); }));
  menu.push_back(Submenu(u"Edit", {Command(u"Copy to clipboard", [this] { CopySelection(); }),
                                   Command(u"Paste from clipboard", [this] { PasteFromClipboard(); })}));
  menu.push_back(Command(u"Load From File...", [this] { LoadFromFile(); }));
  const bool show = designSnapGridShow_;
  menu.push_back(Command(u"Show grid", [this, show] { SetDesignSnapGridShow(!show); }, show));
  return menu;
}

bool TdxScene::ChooseDesignMenu(const std::vector<std::u16string>& Path) {
  return vg::ChooseDesignMenuItem(BuildDesignMenu(), Path);
}

void TdxScene::InsertObject(const std::string& ClassName) {
  rtl::TClass c = rtl::GetClass(ClassName);
  if (!c) {
    pendingInsertText_.clear();
    return;
  }
  if (!c->InheritsFrom(rtl::ClassOf<TdxObject>())) {
    pendingInsertText_ = ClassName;
    return;
  }
  TdxVisualObject* sel = selected_;
  // With roots but no selection there is nowhere to put it.
  if (!sel && GetRoot()) return;
  try {
    std::unique_ptr<TdxObject> made = rtl::OwnedAs<TdxObject>(c->Create(Owner()));
    if (!made) return;
    TdxObject* obj = made.get();
    if (sel)
      sel->AddObject(made.release());
    else
      AddObject(made.release());
    auto* v = dynamic_cast<TdxVisualObject*>(obj);
    // Placed where the menu was opened: the point of the scene's window, in screen space.
    const bool placed = menuPoint_.X > 0 && dynamic_cast<win::TWinControl*>(Owner());
    const win::TPoint at = placed ? ScreenToClient(menuPoint_) : win::TPoint{};
    menuPoint_ = {-1, -1};
    if (!v) return;
    if (sel) {
      NameText(v);
      if (placed && v->Projection() == dxProjectionScreen) {
        const TdxVector local = sel->AbsoluteToLocal({static_cast<float>(at.X), static_cast<float>(at.Y), 0, 1});
        v->Position()->SetX(local.X + v->Width() / 2);
        v->Position()->SetY(local.Y + v->Height() / 2);
      }
    } else if (placed) {
      v->Position()->SetX(static_cast<float>(at.X));
      v->Position()->SetY(static_cast<float>(at.Y));
    }
    ChangeSelection(v, true);
  } catch (const rtl::Exception&) {
    // The scene stays as the failure left it.
  }
}

void TdxScene::HideSelection() {
  TdxVisualObject* sel = selected_;
  if (!sel || sel == GetRoot()) return;
  sel->SetDesignHide(!sel->DesignHide());
  if (sel->DesignHide())
    if (TdxVisualObject* parent = VisualParent(sel)) ChangeSelection(parent, false);
  RepaintScene();
}

void TdxScene::DeleteSelection() {
  TdxVisualObject* sel = selected_;
  TdxVisualObject* root = GetRoot();
  if (!sel || sel == root) return;
  TdxVisualObject* parent = VisualParent(sel);
  TdxFreeWatch alive(sel);
  ChangeSelection(parent ? parent : root, true);
  if (alive.Gone()) return;
  if (selected_ == sel) selected_ = nullptr;
  sel->Free();
}

void TdxScene::CopySelection() {
  if (!selected_) return;
  // What the stream cannot hold (a reference whose path is too long) is said; the clipboard
  // keeps what it had.
  try {
    win::ClipboardSetText(Wide(SaveDxObjectToText(selected_)));
  } catch (const rtl::Exception& e) {
    Message(Wide("Error copy object to clipboard: " + e.Message()).c_str());
  }
}

void TdxScene::PasteFromClipboard() {
  const std::u16string text = win::ClipboardGetText();
  if (text.empty() || !selected_) return;
  TdxVisualObject* sel = selected_;
  try {
    std::unique_ptr<TdxObject> made = CreateDxObjectFromText(Owner(), rtl::WideToUtf8(text));
    if (!made) {
      Message(u"No object in clipboard");
      return;
    }
    TdxObject* obj = made.get();
    sel->AddObject(made.release());
    // A copy is captioned like a new object of its class.
    if (auto* v = dynamic_cast<TdxVisualObject*>(obj)) {
      NameText(v);
      ChangeSelection(v, true);
    }
  } catch (const rtl::Exception&) {
    Message(u"Error paste object from clipboard");
  }
}

void TdxScene::LoadFromFile() {
  std::string file;
  if (!vg::DesignOpenFileDialog || !vg::DesignOpenFileDialog("3D Scene Files|*.scene3d", file)) return;
  try {
    std::string text;
    {
      rtl::TFileStream in(file, rtl::fmOpenRead | rtl::fmShareDenyWrite);
      const std::int64_t size = in.Size();
      if (size > MaxSceneFileSize) throw rtl::EReadError("The file is too large for a scene: " + file);
      text.resize(static_cast<size_t>(size));
      if (size > 0) in.ReadBuffer(text.data(), size);
    }
    std::unique_ptr<TdxObject> made = CreateDxObjectFromText(Owner(), text);
    if (!made) return;
    // Under the selection, else under the root; a scene without either takes it as its root.
    if (TdxVisualObject* parent = selected_ ? selected_ : GetRoot())
      parent->AddObject(made.release());
    else
      AddObject(made.release());
  } catch (const rtl::Exception& e) {
    if (DesignShowMessage) DesignShowMessage(Wide(e.Message()));
  }
}

}  // namespace dx
