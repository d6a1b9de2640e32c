// The scene's input: the window's mouse, keys, characters and drops reach the objects of the
// tree. An object is found by casting the pick ray of the pointer through the canvas into the
// tree, among the objects drawn in screen space first and then among those drawn through the
// camera; it gets the pointer in its own coordinates and the ray in its local space.
//
// Hit test: the roots are examined from the last to the first (the scene's own design objects,
// hidden roots and, in design mode, locked roots are skipped); each eligible root's answer
// replaces the previous one. A root answers with the object found below it; when only the
// root itself is hit, the root answers only when it is hit-testable, the scene is not being
// designed and AllowDrag is off. So with AllowDrag on a press on empty space finds nothing
// and, with the left button, moves the window.
#include <algorithm>
#include <cmath>

#include "platform/rtl/CodePage.h"
#include "platform/win/Display.h"
#include "platform/win/Graphics.h"
#include "platform/win/InputMethod.h"
#include "scene3d/ObjectLayer.h"
#include "scene3d/SceneControl.h"
#include "vg2d/core/VisualObjects.h"

namespace dx {

namespace {

constexpr float SearchDistance = 65535.0f;

int Round(float V) { return static_cast<int>(std::lround(V)); }

// The control a window move or resize acts on: the scene's owner when it is a control, else
// the scene's form.
win::TControl* MovedControl(win::TControl* Scene) {
  if (auto* c = dynamic_cast<win::TControl*>(Scene->Owner())) return c;
  return win::GetParentForm(Scene);
}

// Runs Fire, the class library's handling that fires the scene's own mouse event; false when
// the event's handler freed the scene. Without a handler nothing is watched.
template <class F>
bool OwnEventKeptScene(rtl::TComponent* Scene, bool Assigned, F&& Fire) {
  if (!Assigned) {
    Fire();
    return true;
  }
  TdxFreeWatch alive(Scene);
  Fire();
  return !alive.Gone();
}

TdxDragObject DragObjectOf(const win::TDropData& Data) {
  TdxDragObject d;
  for (const std::u16string& f : Data.Files) d.Files.push_back(rtl::WideToUtf8(f));
  if (!d.Files.empty()) d.Data = d.Files.front();
  else if (!Data.Text.empty()) d.Data = Data.Text;
  return d;
}

}  // namespace

// ---- hit test ---------------------------------------------------------------------------------

TdxVisualObject* TdxScene::ObjectAtPoint(float X, float Y) {
  if (!canvas_) return nullptr;
  TdxVisualObject* root = GetRoot();
  TdxVisualObject* result = nullptr;
  for (size_t i = objects_.size(); i-- > 0;) {
    auto* v = dynamic_cast<TdxVisualObject*>(objects_[i]);
    if (!v) break;
    if (v->Tag() == DesignObjectTag || (!designing_ && !v->Visible()) || (designing_ && v->Locked())) continue;
    float distance = SearchDistance;
    TdxVisualObject* found = v->ObjectAtPoint(dxProjectionScreen, distance, X, Y);
    if (!found) {
      distance = SearchDistance;
      found = v->ObjectAtPoint(dxProjectionCamera, distance, X, Y);
    }
    // The last root draws over the others: the first answer counts, and only where a root has
    // none does the search go on to the roots drawn below it.
    result = found && found != root ? found : v->HitTest() && !designing_ && !allowDrag_ ? v : nullptr;
    if (result) break;
  }
  return result;
}

float TdxScene::SnapValue(float Value) const {
  if (!designSnapToGrid_ || DesignSnapStep == 0) return Value;
  return std::nearbyint(Value / DesignSnapStep) * DesignSnapStep;
}

void TdxScene::LocalRay(TdxVisualObject* Obj, TdxVector& Point, TdxVector& RayPos, TdxVector& RayDir) const {
  Point = Obj->AbsoluteToLocal({lastPoint_.X, lastPoint_.Y, 0, 1});
  TdxVector pos{}, dir{};
  if (canvas_) canvas_->PickRay(Obj->Projection() == dxProjectionScreen, lastPoint_.X, lastPoint_.Y, pos, dir);
  RayPos = Obj->AbsoluteToLocalVector(pos);
  RayDir = Obj->AbsoluteToLocalVector(dir);
}

void TdxScene::SendMouseDown(TdxVisualObject* Obj, rtl::TMouseButton Button, rtl::TShiftState Shift) {
  TdxVector p, pos, dir;
  LocalRay(Obj, p, pos, dir);
  Obj->MouseDown(Button, Shift, p.X, p.Y, pos, dir);
}

void TdxScene::SendMouseMove(TdxVisualObject* Obj, rtl::TShiftState Shift) {
  TdxVector p, pos, dir;
  LocalRay(Obj, p, pos, dir);
  Obj->MouseMove(Shift, p.X, p.Y, 0, 0, pos, dir);
}

void TdxScene::SendMouseUp(TdxVisualObject* Obj, rtl::TMouseButton Button, rtl::TShiftState Shift) {
  TdxVector p, pos, dir;
  LocalRay(Obj, p, pos, dir);
  Obj->MouseUp(Button, Shift, p.X, p.Y, pos, dir);
}

void TdxScene::Unhover() {
  if (TdxVisualObject* h = hovered_) {
    hovered_ = nullptr;
    h->MouseLeave();
  }
}

// ---- mouse ------------------------------------------------------------------------------------

void TdxScene::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, int X, int Y) {
  if (!OwnEventKeptScene(this, static_cast<bool>(OnMouseDown), [&] { inherited::MouseDown(Button, Shift, X, Y); }))
    return;
  if (!canvas_) return;
  if (!designing_ && !Focused() && CanFocus()) SetFocus();
  lastPoint_ = {static_cast<float>(X), static_cast<float>(Y), 0, 1};
  snapPoint_ = {SnapValue(lastPoint_.X), SnapValue(lastPoint_.Y), 0, 1};
  prevSnapPoint_ = snapPoint_;
  if (designing_) {
    DesignMouseDown(Button, Shift);
    return;
  }
  if (TdxVisualObject* o = ObjectAtPoint(lastPoint_.X, lastPoint_.Y)) SendMouseDown(o, Button, Shift);
  else if (allowDrag_ && Button == rtl::mbLeft) BeginWindowDrag();
}

void TdxScene::MouseMove(rtl::TShiftState Shift, int X, int Y) {
  if (!OwnEventKeptScene(this, static_cast<bool>(OnMouseMove), [&] { inherited::MouseMove(Shift, X, Y); })) return;
  if (!canvas_) return;
  rtl::TCursor cursor = savedCursor_;
  win::TControl* owner = MovedControl(this);
  if (moving_ || resizing_) {
    if (!owner) return;
    // The pointer in the owner's client coordinates, through the screen.
    const win::TPoint p = owner->ScreenToClient(win::TControl::ClientToScreen({X, Y}));
    if (moving_) {
      owner->SetBounds(owner->Left() + Round(static_cast<float>(p.X) - prevSnapPoint_.X),
                       owner->Top() + Round(static_cast<float>(p.Y) - prevSnapPoint_.Y), owner->Width(),
                       owner->Height());
    } else {
      // The window grows by the pointer's travel, and never below one pixel.
      resizeWidth_ += Round(static_cast<float>(p.X) - lastPoint_.X);
      resizeHeight_ += Round(static_cast<float>(p.Y) - lastPoint_.Y);
      owner->SetBounds(owner->Left(), owner->Top(), std::max(1, resizeWidth_), std::max(1, resizeHeight_));
      lastPoint_ = {static_cast<float>(X), static_cast<float>(Y), 0, 1};
    }
    return;
  }
  snapPoint_ = {SnapValue(static_cast<float>(X)), SnapValue(static_cast<float>(Y)), 0, 1};
  lastPoint_ = {static_cast<float>(X), static_cast<float>(Y), 0, 1};
  if (designing_) {
    // The cursor stays as it is while designing.
    DesignMouseMove(Shift);
    return;
  }
  if (captured_) {
    SendMouseMove(captured_, Shift);
    return;
  }
  if (TdxVisualObject* o = ObjectAtPoint(lastPoint_.X, lastPoint_.Y)) {
    cursor = o->Cursor();
    TdxFreeWatch alive(o);
    if (o != hovered_) {
      Unhover();
      if (!alive.Gone()) {
        hovered_ = o;
        o->MouseEnter();
      }
    }
    if (!alive.Gone()) SendMouseMove(o, Shift);
  } else {
    Unhover();
  }
  prevSnapPoint_ = snapPoint_;
  SetCursor(cursor);
}

void TdxScene::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, int X, int Y) {
  if (!OwnEventKeptScene(this, static_cast<bool>(OnMouseUp), [&] { inherited::MouseUp(Button, Shift, X, Y); })) return;
  if (!canvas_) return;
  if (moving_ || resizing_) {
    moving_ = resizing_ = false;
    SetMouseCapture(false);
  }
  if (designing_) {
    DesignMouseUp(Button, Shift);
    return;
  }
  if (TdxVisualObject* o = captured_ ? captured_ : ObjectAtPoint(lastPoint_.X, lastPoint_.Y))
    SendMouseUp(o, Button, Shift);
}

bool TdxScene::DoMouseWheel(rtl::TShiftState Shift, int WheelDelta, const win::TPoint& MousePos) {
  bool handled = false;
  // A scene freed by its handler has used the turn: the form passes it on to no parent.
  if (!OwnEventKeptScene(this, static_cast<bool>(OnMouseWheel),
                         [&] { handled = inherited::DoMouseWheel(Shift, WheelDelta, MousePos); }))
    return true;
  if (!canvas_) return true;
  if (designing_) {
    DesignWheel(WheelDelta);
    return true;
  }
  if (captured_) {
    captured_->MouseWheel(Shift, WheelDelta, handled);
    return true;
  }
  for (TdxVisualObject* o = ObjectAtPoint(snapPoint_.X, snapPoint_.Y); o && !handled;) {
    TdxFreeWatch alive(o);
    o->MouseWheel(Shift, WheelDelta, handled);
    if (alive.Gone()) break;
    o = dynamic_cast<TdxVisualObject*>(o->Parent());
  }
  return true;
}

void TdxScene::BeginWindowDrag() {
  moving_ = true;
  SetMouseCapture(true);
}

void TdxScene::BeginWindowResize() {
  win::TControl* owner = MovedControl(this);
  if (!owner) return;
  resizing_ = true;
  resizeWidth_ = owner->Width();
  resizeHeight_ = owner->Height();
  SetMouseCapture(true);
}

void TdxScene::SetCaptured(TdxVisualObject* Value) {
  captured_ = Value;
  SetMouseCapture(Value != nullptr);
}

void TdxScene::SetFocused(TdxVisualObject* Value) {
  if (Value == focused_) return;
  TdxVisualObject* old = focused_;
  focused_ = Value;
  if (old) old->KillFocus();
  if (Value && focused_ == Value) Value->EnterFocus();
  win::UpdateTextInput();
}

void TdxScene::ClientToScreen(float X, float Y, int& ScreenX, int& ScreenY) {
  const win::TPoint s = win::TControl::ClientToScreen({Round(X), Round(Y)});
  ScreenX = s.X;
  ScreenY = s.Y;
}

bool TdxScene::HintAt(int X, int Y, std::u16string& Text, win::TRect& CursorRect, const void** Data) {
  Text.clear();
  TdxVisualObject* o = ObjectAtPoint(static_cast<float>(X), static_cast<float>(Y));
  if (!o || !o->ShowHint()) return false;
  TdxHintInfo info;
  info.CursorX = X;
  info.CursorY = Y;
  if (o->HintShow(info)) {
    Text = info.HintStr;
    CursorRect = {info.Left, info.Top, info.Right, info.Bottom};
    if (Data) *Data = info.HintData ? info.HintData : static_cast<rtl::TComponent*>(o);
    return true;
  }
  Text = o->Hint();
  CursorRect = {X - 10, Y - 10, X + 10, Y + 10};
  if (Data) *Data = static_cast<rtl::TComponent*>(o);
  return true;
}

// ---- input method -------------------------------------------------------------------------------

void TdxScene::PlaceComposition() {
  // Without an object that takes text: the default 3D font (its size in points, as pixels of
  // the screen), at the focused object's corner (the scene's own corner when nothing is focused).
  const TdxFont defaults;
  win::TCompositionFont font;
  font.Height = -static_cast<int>(
      std::lround(static_cast<double>(Round(defaults.Size())) * win::ScreenPixelsPerInch / 72.0));
  font.Weight = defaults.Style() == dxFontBold || defaults.Style() == dxFontBoldItalic ? 700 : 400;
  font.Italic = defaults.Style() == dxFontItalic || defaults.Style() == dxFontBoldItalic;
  font.FaceName = defaults.Family();
  win::TCompositionForm form;
  form.Style = win::CFS_RECT;
  form.Area = ClientRect();
  form.CurrentPos = {Left(), Top()};
  TdxTextInputInfo input;
  if (focused_ && focused_->TextInput(input)) {
    font = input.Font;
    form.CurrentPos = {Round(input.X), Round(input.Y)};
  } else if (focused_) {
    TdxVector p =
        focused_->LocalToAbsolute({-focused_->Width() / 2, -focused_->Height() / 2, -focused_->Depth() / 2, 1});
    if (canvas_) p = canvas_->ClientPoint(focused_->Projection() == dxProjectionScreen, p);
    form.CurrentPos = {Round(p.X), Round(p.Y)};
  }
  if (win::InputLanguageId() == win::LANG_ID_KOREAN) {
    form.Area.Left = form.CurrentPos.X;
    form.Area.Top = form.CurrentPos.Y + 1;
    form.Area.Bottom += 1;
  }
  win::ImmSetCompositionFont(this, font);
  win::ImmSetCompositionWindow(this, form);
}

// ---- keys -------------------------------------------------------------------------------------

void TdxScene::HandleChar(char16_t Ch) {
  // Enter is a key, never a character; Ctrl+A, C, V, X and Z arrive as their letters (the text
  // boxes of a GUI layer select all with Ctrl+A, as they do in a 2D scene).
  if (Ch == 13) return;
  switch (Ch) {
    case 1: Ch = u'a'; break;
    case 3: Ch = u'c'; break;
    case 22: Ch = u'v'; break;
    case 24: Ch = u'x'; break;
    case 26: Ch = u'z'; break;
    default: break;
  }
  std::uint16_t key = 0;
  KeyDown(key, Ch, win::KeyboardShiftState());
}

void TdxScene::KeyDown(std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
  if (Key != win::VK_TAB || !GetRoot()) {
    if (focused_) focused_->KeyDown(Key, KeyChar, Shift);
    return;
  }
  Key = 0;
  TabFocus(Shift.Contains(rtl::ssShift));
}

void TdxScene::KeyUp(std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
  if (designing_) DesignKeyUp(Key);
  if (focused_) focused_->KeyUp(Key, KeyChar, Shift);
}

void TdxScene::TabFocus(bool Backward) {
  // One list: the 3D objects, each object layer's 2D controls after it.
  std::vector<TdxTabEntry> list;
  GetRoot()->CollectVisibleObjects(list);
  const int n = static_cast<int>(list.size());
  // Where the focus is: the focused object, or the 2D object focused inside a focused layer.
  vg::TvxVisualObject* inner = nullptr;
  if (auto* layer = dynamic_cast<TdxCustomObjectLayer*>(focused_)) inner = layer->GetFocused();
  auto at = std::find_if(list.begin(), list.end(),
                         [&](const TdxTabEntry& E) { return focused_ && E.Object == focused_ && E.Flat == inner; });
  if (at == list.end())
    at = std::find_if(list.begin(), list.end(),
                      [&](const TdxTabEntry& E) { return focused_ && E.Object == focused_ && !E.Flat; });
  const int cur = at != list.end() ? static_cast<int>(at - list.begin()) : -1;
  auto tryAt = [&](int i) {
    const TdxTabEntry& e = list[static_cast<size_t>(i)];
    if (vg::TvxVisualObject* flat = e.Flat) {
      // Focused in its tree, the 2D object brings its layer the scene's focus.
      if (!flat->GetParentedVisible() || !flat->CanFocused() || !flat->GetAbsoluteEnabled()) return false;
      flat->SetFocus();
      return true;
    }
    TdxVisualObject* c = e.Object;
    if (!c->Visible() || !c->CanFocused() || c == focused_) return false;
    c->SetFocus();
    return true;
  };
  if (cur < 0) {
    // Nothing focused yet: the first candidate (the last one backwards) takes the focus.
    for (int k = 0; k < n; ++k)
      if (tryAt(Backward ? n - 1 - k : k)) return;
    return;
  }
  if (!Backward) {
    if (n >= 3)
      for (int i = cur + 1; i < n; ++i)
        if (tryAt(i)) return;
    for (int i = 0; i <= cur; ++i)
      if (tryAt(i)) return;
  } else {
    if (n >= 3)
      for (int i = cur - 1; i >= 0; --i)
        if (tryAt(i)) return;
    for (int i = n - 1; i >= cur; --i)
      if (tryAt(i)) return;
  }
}

// ---- drags within the program -----------------------------------------------------------------

TdxVisualObject* TdxScene::DropSearch(float X, float Y, const TdxDragObject& Data) {
  TdxVisualObject* root = GetRoot();
  if (!root || !canvas_) return nullptr;
  float distance = SearchDistance;
  if (TdxVisualObject* o = root->ObjectAtPointForDrop(dxProjectionScreen, distance, Data, X, Y)) return o;
  distance = SearchDistance;
  return root->ObjectAtPointForDrop(dxProjectionCamera, distance, Data, X, Y);
}

void TdxScene::SetDropTarget(TdxVisualObject* Value, const TdxDragObject& Data, const TdxVector& Point) {
  if (Value == dropTarget_) return;
  if (TdxVisualObject* old = dropTarget_) {
    dropTarget_ = nullptr;
    old->DragLeave();
  }
  dropTarget_ = Value;
  if (Value) Value->DragEnter(Data, Value->AbsoluteToLocal(Point));
}

void TdxScene::WatchDragObject(rtl::TComponent* Obj) {
  auto outside = [](rtl::TComponent* O) { return O && !dynamic_cast<TdxObject*>(O); };
  if (Obj == dragObject_) return;
  if (outside(dragObject_)) dragObject_->RemoveFreeNotification(this);
  dragObject_ = Obj;
  if (outside(Obj)) Obj->FreeNotification(this);
}

void TdxScene::BeginVCLDrag(rtl::TComponent* Obj) {
  captured_ = nullptr;
  SetMouseCapture(false);
  if (!dragControl_) {
    // One carrier per scene, made on the first drag and kept.
    auto* c = new win::TCustomControl(this);
    c->SetParent(this);
    c->SetBounds(0, 0, 0, 0);
    c->OnEndDrag = [this](rtl::TObject*, rtl::TObject*, int, int) {
      rtl::TComponent* o = dragObject_;
      WatchDragObject(nullptr);
      // The dragged object itself hears that its drag ended, a 3D or a 2D one.
      if (auto* v = dynamic_cast<TdxVisualObject*>(o)) v->DragEnd();
      else if (auto* flat = dynamic_cast<vg::TvxVisualObject*>(o)) flat->DragEnd();
    };
    dragControl_ = c;
  }
  WatchDragObject(Obj);
  dragControl_->BeginDrag(true);
}

void TdxScene::ControlDragOver(rtl::TObject*, rtl::TObject* Source, int X, int Y, int, bool& Accept) {
  Accept = false;
  if (!GetRoot() || !canvas_) return;
  TdxDragObject data;
  data.Source = Source == dragControl_ && dragObject_ ? static_cast<rtl::TObject*>(dragObject_) : Source;
  const TdxVector point{static_cast<float>(X), static_cast<float>(Y), 0, 1};
  TdxVisualObject* found = DropSearch(point.X, point.Y, data);
  if (found && static_cast<rtl::TObject*>(found) == data.Source) return;
  if (dropTarget_) dropTarget_->DragOver(data, dropTarget_->AbsoluteToLocal(point), Accept);
  SetDropTarget(found, data, point);
  if (!dropTarget_) Accept = false;
}

void TdxScene::ControlDragDrop(rtl::TObject*, rtl::TObject* Source, int X, int Y) {
  TdxVisualObject* t = dropTarget_;
  if (!t) return;
  TdxDragObject data;
  data.Source = Source == dragControl_ && dragObject_ ? static_cast<rtl::TObject*>(dragObject_) : Source;
  dropTarget_ = nullptr;
  t->DragDrop(data, t->AbsoluteToLocal({static_cast<float>(X), static_cast<float>(Y), 0, 1}));
}

// ---- drops from other programs ----------------------------------------------------------------

win::HRESULT TdxScene::DragEnter(const win::TDropData& Data, rtl::TShiftState, const win::TPoint&,
                                 std::int32_t& Effect) {
  Effect = win::DROPEFFECT_NONE;
  if (!GetRoot()) return win::E_UNEXPECTED;
  oleData_ = DragObjectOf(Data);
  oleActive_ = true;
  return win::S_OK;
}

win::HRESULT TdxScene::DragOver(rtl::TShiftState, const win::TPoint& Pt, std::int32_t& Effect) {
  Effect = win::DROPEFFECT_NONE;
  if (!oleActive_) return win::S_OK;
  const win::TPoint c = ScreenToClient(Pt);
  const TdxVector point{static_cast<float>(c.X), static_cast<float>(c.Y), 0, 1};
  TdxVisualObject* found = DropSearch(point.X, point.Y, oleData_);
  SetDropTarget(found, oleData_, point);
  if (found) Effect = win::DROPEFFECT_LINK;
  return win::S_OK;
}

win::HRESULT TdxScene::DragLeave() {
  if (TdxVisualObject* old = dropTarget_) {
    dropTarget_ = nullptr;
    old->DragLeave();
  }
  oleActive_ = false;
  oleData_ = {};
  return win::S_OK;
}

win::HRESULT TdxScene::Drop(const win::TDropData& Data, rtl::TShiftState, const win::TPoint& Pt, std::int32_t&) {
  if (TdxVisualObject* t = dropTarget_; t && oleActive_) {
    const win::TPoint c = ScreenToClient(Pt);
    dropTarget_ = nullptr;
    t->DragDrop(DragObjectOf(Data), t->AbsoluteToLocal({static_cast<float>(c.X), static_cast<float>(c.Y), 0, 1}));
  }
  oleActive_ = false;
  oleData_ = {};
  return win::S_OK;
}

}  // namespace dx
