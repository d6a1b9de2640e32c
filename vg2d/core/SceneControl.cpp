#include "vg2d/core/SceneControl.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

#include "platform/loop/Application.h"
#include "platform/rtl/Filer.h"
#include "platform/win/Display.h"
#include "platform/win/Graphics.h"
#include "platform/win/Hints.h"
#include "vg2d/core/Controls.h"
#include "vg2d/core/DesignEditor.h"
#include "vg2d/core/Frame.h"
#include "vg2d/core/Registry.h"
#include "vg2d/core/Styles.h"

namespace vg {

namespace {

int sceneCount = 0;

// A float coordinate to the nearest whole pixel (halves to even), saturated to the int range.
int RoundPixel(float V) {
  return static_cast<int>(std::clamp<int64_t>(Round(V), std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

int SceneCount() { return sceneCount; }
void CountSceneHostIn() { ++sceneCount; }
int CountSceneHostOut() { return --sceneCount; }

win::TCompositionFont CompositionFontOf(const TvxFont& Font) {
  win::TCompositionFont f;
  // The size in whole points, turned into pixels of the screen (rounded, halves away from
  // zero) as the character height.
  const int64_t points = RoundPixel(Font.Size());
  const int64_t scaled = points * win::ScreenPixelsPerInch;
  constexpr int64_t PointsPerInch = 72;
  const int64_t pixels = (scaled < 0 ? scaled - PointsPerInch / 2 : scaled + PointsPerInch / 2) / PointsPerInch;
  f.Height = -static_cast<int>(
      std::clamp<int64_t>(pixels, -std::numeric_limits<int>::max(), std::numeric_limits<int>::max()));
  f.Weight = Font.Style() == vgFontBold || Font.Style() == vgFontBoldItalic ? 700 : 400;
  f.Italic = Font.Style() == vgFontItalic || Font.Style() == vgFontBoldItalic;
  f.FaceName = Font.Family();
  return f;
}

rtl::TClass TvxCustomScene::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxCustomScene>().Build();
  return &info;
}

rtl::TClass TvxScene::StaticClass() {
  using S = TvxScene;
  static const rtl::TClassInfo info = rtl::DefineClass<S>()
                                          .Property("Align", &S::Align, &S::SetAlign)
                                          .Default(win::alNone)
                                          .Property("AnimatedCaret", &S::AnimatedCaret, &S::SetAnimatedCaret)
                                          .Default(true)
                                          .Property("Fill", &S::Fill, &S::SetFill)
                                          .Property("Transparency", &S::Transparency, &S::SetTransparency)
                                          .Default(false)
                                          .Property("Style", &S::Style, &S::SetStyle)
                                          .Property("TabStop", &S::TabStop, &S::SetTabStop)
                                          .Default(false)
                                          .Property("ActiveControl", &S::ActiveControl, &S::SetActiveControl)
                                          .Build();
  return &info;
}

namespace {
// What a designed scene does its own way.
TvxDesignKind SceneDesignKind() {
  TvxDesignKind k;
  k.RootClass = "TvxBackground";
  k.FileFilter = "Vector Scene Files|*.scene2d;*.s2d";
  k.StylesOfInnerControls = true;
  k.HidesRoot = true;
  k.InsertOwnedBySelection = true;
  k.KeepsUnknownInsertText = true;
  k.LowerCaseStyleNames = true;
  return k;
}
}  // namespace

TvxCustomScene::TvxCustomScene(rtl::TComponent* AOwner)
    : win::TCustomControl(AOwner), TvxSceneHost(this, SceneDesignKind()) {
  AddScene(this);
  SetShowHint(true);
  SetControlStyle({win::csCaptureMouse, win::csOpaque, win::csDoubleClicks, win::csActionClient});
  OnDragOver = TDragOverEvent(this, &TvxCustomScene::ControlDragOver, "ControlDragOver");
  OnDragDrop = TDragDropEvent(this, &TvxCustomScene::ControlDragDrop, "ControlDragDrop");
  if (!DefaultCanvasClass) throw rtl::EInvalidOperation("The 2D library is not started");
  canvas_ = DefaultCanvasClass->Create(100, 100);
  canvas_->SetScene(this);
  fill_ = std::make_unique<TvxBrush>(vgBrushNone, 0xFF000000u);
  fill_->OnChange = rtl::TNotifyEvent(this, &TvxCustomScene::FillChanged, "FillChanged");
  win::TCustomControl::SetBounds(0, 0, 100, 100);
  ++sceneCount;
}

TvxCustomScene::~TvxCustomScene() = default;

void TvxCustomScene::BeforeDestruction() {
  Destroying();
  if (loadTimer_) rtl::Application->StopTimer(loadTimer_);
  loadTimer_ = 0;
  if (style_) style_->RemoveSceneRef(this);
  style_ = nullptr;
  // The animation ticker stays: the library's shut-down frees it.
  --sceneCount;
  if (frame_) frame_->SetSceneObject(nullptr);
  frame_ = nullptr;
  formCopy_ = nullptr;  // the frame that made it frees it
  dropTarget_ = nullptr;
  dragSource_ = nullptr;
  FreeRoots();
  RemoveScene(this);
  inherited::BeforeDestruction();
}

// ---- properties -------------------------------------------------------------------------------

void TvxCustomScene::DefineProperties(rtl::TFiler* Filer) {
  inherited::DefineProperties(Filer);
  DefineDesignProperties(Filer);
}

namespace {
// Updates the actions of the visible controls in the tree, depth first, entering only
// visible objects. False when an update freed a control: the walk stops there, the next
// idle time walks again.
bool InitiateTreeActions(TvxVisualObject* Object) {
  if (!Object->Visible()) return true;
  if (auto* c = dynamic_cast<TvxControl*>(Object); c && c->GetAction()) {
    TvxFreeWatch watch(c);
    c->InitiateAction();
    if (watch.Gone()) return false;
  }
  for (size_t i = 0; i < Object->Children().size(); ++i)
    if (TvxVisualObject* v = Object->Children()[i]->Visual(); v && !InitiateTreeActions(v)) return false;
  return true;
}
}  // namespace

void TvxCustomScene::InitiateAction() {
  inherited::InitiateAction();
  if (TvxObject* root = GetRoot(); root && root->IsVisual()) InitiateTreeActions(root->Visual());
}

void TvxCustomScene::Loaded() {
  inherited::Loaded();
  savedCursor_ = Cursor();
  DesignLoaded();
  // One full repaint once loading has settled.
  loadTimer_ = rtl::Application->StartTimer(1, [this] {
    rtl::Application->StopTimer(loadTimer_);
    loadTimer_ = 0;
    AddUpdateRect(MakeRect(0, 0, 65535, 65535));
  });
}

void TvxCustomScene::GetChildren(const rtl::TGetChildProc& Proc, rtl::TComponent* Root) {
  inherited::GetChildren(Proc, Root);
  for (TvxObject* o : roots_)
    if (o->Stored()) Proc(o);
}

void TvxCustomScene::SetFill(TvxBrush* Value) {
  if (Value && Value != fill_.get()) fill_->Assign(Value);
}

void TvxCustomScene::FillChanged(rtl::TObject*) {
  updateRects_.clear();
  AddUpdateRect(MakeRect(0, 0, static_cast<float>(Width()), static_cast<float>(Height())));
}

void TvxCustomScene::SetTransparency(bool Value) {
  if (Value == transparency_) return;
  transparency_ = Value;
  AddUpdateRect(MakeRect(0, 0, 10000, 10000));
}

void TvxCustomScene::SetFrame(TvxFrame* Value) {
  if (Value == frame_) return;
  frame_ = Value;
  if (Value) Value->FreeNotification(this);
}

void TvxCustomScene::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != rtl::opRemove) return;
  for (TvxVisualObject** ref : {&dropTarget_, &dragSource_})
    if (*ref && static_cast<rtl::TComponent*>(*ref) == AComponent) *ref = nullptr;
  if (frame_ && static_cast<rtl::TComponent*>(frame_) == AComponent) frame_ = nullptr;
  if (formCopy_ == AComponent) formCopy_ = nullptr;
  if (dragControl_ == AComponent) dragControl_ = nullptr;
  ForgetReferences(AComponent);
}

// ---- window -----------------------------------------------------------------------------------

bool TvxCustomScene::OnLayeredForm() const {
  return transparency_ && !designTime_ && dynamic_cast<win::TCustomForm*>(Parent()) != nullptr;
}

void TvxCustomScene::ResizeCanvas() {
  // A buffer that cannot be had is reported; the scene then paints nothing until a size
  // it can have.
  try {
    canvas_->ResizeBuffer(Width(), Height());
  } catch (const rtl::Exception&) {
    rtl::Application->HandleException(this);
  }
}

void TvxCustomScene::CreateHandle() {
  inherited::CreateHandle();
  ResizeCanvas();
  RealignRoot();
  AddUpdateRect(MakeRect(0, 0, static_cast<float>(Width()), static_cast<float>(Height())));
  if (OnLayeredForm()) {
    static_cast<win::TCustomForm*>(Parent())->SetLayered(true);
    UpdateLayered();
    AddUpdateRect(MakeRect(0, 0, 65535, 65535));
  }
}

void TvxCustomScene::CreateWnd() {
  inherited::CreateWnd();
  win::RegisterDragDrop(this, this);
}

void TvxCustomScene::DestroyWnd() {
  win::RevokeDragDrop(this);
  inherited::DestroyWnd();
}

void TvxCustomScene::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (canvas_ && HandleAllocated()) {
    ResizeCanvas();
    RealignRoot();
  }
}

win::LRESULT TvxCustomScene::WndProc(win::MSG& Message) {
  switch (Message.message) {
    case WM_SCENEREPAINT: {
      win::MSG m;
      while (rtl::PeekMessage(m, Handle(), WM_SCENEREPAINT, WM_SCENEREPAINT, rtl::PM_REMOVE)) {
      }
      Paint();
      return 0;
    }
    case win::WM_ERASEBKGND:
      // Asked for its picture with a target (a scene above this one drawing what lies under
      // it), the scene gives what it painted last, unless a paint is due.
      if (const gfx2d::PixelTarget* dc = win::DCFromParam(Message.wParam); dc && UpdateRegion().empty())
        CopyToDC(*dc, MakeRect(0, 0, static_cast<float>(Width()), static_cast<float>(Height())));
      return 1;
    case win::WM_GETDLGCODE:
      return win::DLGC_WANTARROWS | win::DLGC_WANTTAB | win::DLGC_WANTCHARS;
    case win::WM_KEYDOWN:
    case win::WM_KEYUP: {
      std::uint16_t key = static_cast<std::uint16_t>(Message.wParam);
      char16_t ch = 0;
      const rtl::TShiftState shift = win::KeyDataToShiftState(Message.lParam);
      if (Message.message == win::WM_KEYDOWN) KeyDown(key, ch, shift);
      else KeyUp(key, ch, shift);
      return 0;
    }
    case win::WM_CHAR:
      HandleChar(static_cast<char16_t>(Message.wParam));
      return 0;
    case win::CM_WANTTEXTINPUT:
      return dynamic_cast<IvxTextInput*>(focused_) ? 1 : 0;
    case win::WM_IME_STARTCOMPOSITION:
      inherited::WndProc(Message);
      PlaceComposition();
      return 1;
    case win::WM_IME_COMPOSITION: {
      if (!(Message.lParam & win::GCS_RESULTSTR)) return inherited::WndProc(Message);
      // The finished text reaches the focused object character by character.
      for (char16_t c : win::ImmGetCompositionString(win::GCS_RESULTSTR)) {
        std::uint16_t key = 0;
        char16_t ch = c;
        KeyDown(key, ch, {});
      }
      // A Korean input method composes one syllable after the other at the caret.
      if (win::InputLanguageId() == win::LANG_ID_KOREAN) rtl::PostMessage(Handle(), win::WM_IME_STARTCOMPOSITION, 0, 0);
      return 0;
    }
    case win::CM_HINTSHOW:
      inherited::WndProc(Message);
      if (auto* info = reinterpret_cast<win::THintInfo*>(Message.lParam)) HintShow(*info);
      return 0;
    case win::CM_MOUSELEAVE: SetHovered(nullptr); return 0;
    case win::CM_DESIGNHITTEST: {
      const win::TPoint p = win::PointFromParam(Message.lParam);
      return designTime_ && Designer().HitTest(MakePoint(static_cast<float>(p.X), static_cast<float>(p.Y))) ? 1 : 0;
    }
    case win::CM_SHOWINGCHANGED:
      AddUpdateRect(MakeRect(0, 0, static_cast<float>(Width()), static_cast<float>(Height())));
      return 0;
    default:
      return inherited::WndProc(Message);
  }
}

// ---- mouse ------------------------------------------------------------------------------------

namespace {
// The control a window move or resize acts on: the scene's owner when it is a control,
// else the scene's form.
win::TControl* MovedControl(win::TControl* Scene) {
  if (auto* c = dynamic_cast<win::TControl*>(Scene->Owner())) return c;
  return win::GetParentForm(Scene);
}
// The point (X, Y) of the scene in the client coordinates of the control a window move acts on.
TvxPoint MovedControlPoint(const win::TControl* Scene, const win::TControl* Owner, float X, float Y) {
  const win::TPoint o = Owner->ScreenToClient(Scene->ClientToScreen({0, 0}));
  return MakePoint(X + static_cast<float>(o.X), Y + static_cast<float>(o.Y));
}
}  // namespace

void TvxCustomScene::BeginWindowDrag() {
  win::TControl* owner = MovedControl(this);
  if (!owner) return;
  moving_ = true;
  // The press's point: every move of the window is worked out from the events' points.
  dragStart_ = MovedControlPoint(this, owner, lastRaw_.X, lastRaw_.Y);
}

void TvxCustomScene::BeginWindowResize() {
  win::TControl* owner = MovedControl(this);
  if (!owner) return;
  resizing_ = true;
  dragStart_ = MovedControlPoint(this, owner, lastRaw_.X, lastRaw_.Y);
  resizeSize_ = {owner->Width(), owner->Height()};
}

void TvxCustomScene::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, int X, int Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (!Focused() && CanFocus()) SetFocus();
  lastRaw_ = MakePoint(static_cast<float>(X), static_cast<float>(Y));
  mousePos_ = DesignSnapped(lastRaw_);
  if (designTime_) {
    Designer().Press(Button, Shift, lastRaw_);
    return;
  }
  // Only the left button moves or sizes the window; another one on empty space or on a grip
  // does nothing.
  TvxVisualObject* o = ObjectAtPoint(mousePos_);
  if (!o) {
    if (Button == rtl::mbLeft) BeginWindowDrag();
    return;
  }
  if (dynamic_cast<IvxSizeGrip*>(o)) {
    if (Button == rtl::mbLeft) BeginWindowResize();
    return;
  }
  const TvxPoint p = o->AbsoluteToLocal(mousePos_);
  TvxFreeWatch alive(o);
  o->MouseDown(Button, Shift, p.X, p.Y);
  if (!alive.Gone() && o->DragMode() == vgDragAutomatic) o->BeginAutoDrag();
}

void TvxCustomScene::MouseMove(rtl::TShiftState Shift, int X, int Y) {
  inherited::MouseMove(Shift, X, Y);
  rtl::TCursor cursor = savedCursor_;
  if (moving_ || resizing_) {
    // The event's point, never a question where the pointer is now: the window keeps the
    // pressed point under the point of each move (which the window layer gives as the window
    // lies now), and a grip adds each move's travel to the size.
    win::TControl* owner = MovedControl(this);
    const float x = static_cast<float>(X), y = static_cast<float>(Y);
    if (owner && moving_) {
      const TvxPoint p = MovedControlPoint(this, owner, x, y);
      owner->SetBounds(RoundPixel(static_cast<float>(owner->Left()) + p.X - dragStart_.X),
                       RoundPixel(static_cast<float>(owner->Top()) + p.Y - dragStart_.Y), owner->Width(),
                       owner->Height());
    }
    if (owner && resizing_) {
      resizeSize_ = {RoundPixel(x - lastRaw_.X + static_cast<float>(resizeSize_.X)),
                     RoundPixel(y - lastRaw_.Y + static_cast<float>(resizeSize_.Y))};
      // A grip never makes the window smaller than one pixel.
      owner->SetBounds(owner->Left(), owner->Top(), std::max(1, resizeSize_.X), std::max(1, resizeSize_.Y));
      SetCursor(savedCursor_);
    }
    lastRaw_ = MakePoint(x, y);
    return;
  }
  lastRaw_ = MakePoint(static_cast<float>(X), static_cast<float>(Y));
  mousePos_ = DesignSnapped(lastRaw_);
  if (designTime_) {
    Designer().Move(Shift, lastRaw_);
    return;
  }
  if (captured_) {
    const TvxPoint p = captured_->AbsoluteToLocal(mousePos_);
    captured_->MouseMove(Shift, p.X, p.Y, 0, 0);
    return;
  }
  TvxVisualObject* o = ObjectAtPoint(mousePos_);
  if (!o) {
    SetHovered(nullptr);
  } else {
    SetHint(o->ShowHint() ? o->Hint() : std::u16string());
    cursor = dynamic_cast<IvxSizeGrip*>(o) ? win::crSizeNWSE : o->Cursor();
    TvxFreeWatch alive(o);
    SetHovered(o);
    if (!alive.Gone()) {
      const TvxPoint p = o->AbsoluteToLocal(mousePos_);
      o->MouseMove(Shift, p.X, p.Y, 0, 0);
    }
  }
  SetCursor(cursor);
}

void TvxCustomScene::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, int X, int Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  moving_ = false;
  resizing_ = false;
  if (designTime_) {
    Designer().Release();
    return;
  }
  TvxVisualObject* o = captured_ ? captured_ : ObjectAtPoint(mousePos_);
  if (!o) return;
  const TvxPoint p = o->AbsoluteToLocal(mousePos_);
  o->MouseUp(Button, Shift, p.X, p.Y);
}

bool TvxCustomScene::DoMouseWheel(rtl::TShiftState Shift, int WheelDelta, const win::TPoint& MousePos) {
  bool handled = inherited::DoMouseWheel(Shift, WheelDelta, MousePos);
  if (!designTime_) RouteWheel(Shift, WheelDelta, handled);
  return handled;
}

void TvxCustomScene::SetCaptured(TvxVisualObject* Value) {
  captured_ = Value;
  SetMouseCapture(Value != nullptr);
}

void TvxCustomScene::PlaceComposition() {
  auto* input = dynamic_cast<IvxTextInput*>(focused_);
  if (input)
    if (TvxFont* font = input->GetCompositionFont()) win::ImmSetCompositionFont(this, CompositionFontOf(*font));
  win::TCompositionForm form;
  form.Style = win::CFS_RECT;
  form.Area = ClientRect();
  if (focused_) {
    const TvxPoint p = focused_->LocalToAbsolute(input ? input->GetCompositionPoint() : MakePoint(0, 0));
    form.CurrentPos = {RoundPixel(p.X), RoundPixel(p.Y)};
  }
  if (win::InputLanguageId() == win::LANG_ID_KOREAN) {
    form.Area.Left = form.CurrentPos.X;
    form.Area.Top = form.CurrentPos.Y + 1;
    form.Area.Bottom += 1;
  }
  win::ImmSetCompositionWindow(this, form);
}

void TvxCustomScene::HintShow(win::THintInfo& Info) {
  TvxVisualObject* o = ObjectAtPoint(MakePoint(static_cast<float>(Info.CursorPos.X), static_cast<float>(Info.CursorPos.Y)));
  if (!o || !o->ShowHint()) {
    Info.HintStr.clear();
    return;
  }
  Info.HintStr = o->Hint();
  const TvxRect r = o->GetAbsoluteRect();
  Info.CursorRect = {RoundPixel(r.Left), RoundPixel(r.Top), RoundPixel(r.Right), RoundPixel(r.Bottom)};
  Info.HintData = static_cast<rtl::TComponent*>(o);
}

TvxPoint TvxCustomScene::LocalToScreen(const TvxPoint& P) {
  const win::TPoint s = ClientToScreen({static_cast<int>(std::lround(P.X)), static_cast<int>(std::lround(P.Y))});
  return MakePoint(static_cast<float>(s.X), static_cast<float>(s.Y));
}

// ---- keys -------------------------------------------------------------------------------------

void TvxCustomScene::HandleChar(char16_t Ch) {
  if (Ch == 13) return;
  const rtl::TShiftState shift = win::KeyboardShiftState();
  std::uint16_t key = 0;
  char16_t ch = Ch;
  // Ctrl+A, C, V, X and Z reach the objects as their letters, pressed and released.
  static constexpr std::pair<char16_t, char16_t> chords[] = {{1, u'a'}, {3, u'c'}, {22, u'v'}, {24, u'x'}, {26, u'z'}};
  for (const auto& [code, letter] : chords)
    if (Ch == code) {
      ch = letter;
      KeyDown(key, ch, shift);
      key = 0;
      ch = letter;
      KeyUp(key, ch, shift);
      return;
    }
  KeyDown(key, ch, shift);
}

void TvxCustomScene::KeyDown(std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
  static constexpr std::uint16_t dialogKeys[] = {27, 13, 37, 39, 38, 40, 36, 35, 107, 109};
  if (std::find(std::begin(dialogKeys), std::end(dialogKeys), Key) != std::end(dialogKeys))
    if (TvxObject* root = GetRoot(); root && root->Visual()) {
      root->Visual()->DialogKey(Key, Shift);
      if (Key == 0) return;
    }
  if (Key == win::VK_ESCAPE)
    if (win::TCustomForm* f = win::ModalOwnerForm(Owner())) {
      f->SetModalResult(win::mrCancel);
      Key = 0;
      return;
    }
  TvxObject* root = GetRoot();
  if (Key != win::VK_TAB || !root || !root->Visual()) {
    if (focused_) focused_->KeyDown(Key, KeyChar, Shift);
    return;
  }
  Key = 0;
  FocusNext(Shift.Contains(rtl::ssShift));
}

void TvxCustomScene::KeyUp(std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
  if (designTime_) Designer().KeyUp(Key);
  if (focused_) focused_->KeyUp(Key, KeyChar, Shift);
}

// ---- drags ------------------------------------------------------------------------------------

TvxDragObject TvxCustomScene::MakeDragObject(const win::TDropData& Data) const {
  TvxDragObject d;
  d.Files = Data.Files;
  if (!Data.Files.empty()) d.Data = Data.Files.front();
  else if (!Data.Text.empty()) d.Data = Data.Text;
  return d;
}

win::HRESULT TvxCustomScene::DragEnter(const win::TDropData& Data, rtl::TShiftState, const win::TPoint&,
                                       std::int32_t& Effect) {
  Effect = win::DROPEFFECT_NONE;
  TvxObject* root = GetRoot();
  if (!root || !root->Visual()) return win::E_UNEXPECTED;
  oleData_ = MakeDragObject(Data);
  oleActive_ = true;
  return win::S_OK;
}

win::HRESULT TvxCustomScene::DragOver(rtl::TShiftState, const win::TPoint& Pt, std::int32_t& Effect) {
  Effect = win::DROPEFFECT_NONE;
  TvxObject* root = GetRoot();
  if (!oleActive_ || !root || !root->Visual()) return win::S_OK;
  const win::TPoint c = ScreenToClient(Pt);
  const TvxPoint p = MakePoint(static_cast<float>(c.X), static_cast<float>(c.Y));
  TvxVisualObject* target = root->Visual()->FindTarget(p, oleData_);
  if (target != dropTarget_) {
    if (TvxVisualObject* old = dropTarget_) {
      dropTarget_ = nullptr;
      old->DragLeave();
    }
    dropTarget_ = target;
    if (target) target->DragEnter(oleData_, p);
  }
  if (dropTarget_) Effect = win::DROPEFFECT_LINK;
  return win::S_OK;
}

win::HRESULT TvxCustomScene::DragLeave() {
  if (TvxVisualObject* old = dropTarget_) {
    dropTarget_ = nullptr;
    old->DragLeave();
  }
  oleActive_ = false;
  oleData_ = {};
  return win::S_OK;
}

win::HRESULT TvxCustomScene::Drop(const win::TDropData& Data, rtl::TShiftState, const win::TPoint& Pt,
                                  std::int32_t&) {
  if (oleActive_ && dropTarget_) {
    const win::TPoint c = ScreenToClient(Pt);
    TvxVisualObject* t = dropTarget_;
    dropTarget_ = nullptr;
    t->DragDrop(MakeDragObject(Data), MakePoint(static_cast<float>(c.X), static_cast<float>(c.Y)));
  }
  oleActive_ = false;
  oleData_ = {};
  return win::S_OK;
}

void TvxCustomScene::BeginVCLDrag(TvxVisualObject* Obj) {
  if (!dragControl_) {
    auto* c = new win::TCustomControl(this);
    c->SetParent(this);
    c->SetBounds(0, 0, 0, 0);
    c->OnEndDrag = [this](rtl::TObject*, rtl::TObject*, int, int) {
      TvxVisualObject* o = dragSource_;
      dragSource_ = nullptr;
      if (o) o->DragEnd();
    };
    dragControl_ = c;
  }
  dragSource_ = Obj;
  dragControl_->BeginDrag(true);
}

TvxVisualObject* TvxCustomScene::ControlDragTarget(rtl::TObject* Source, int X, int Y, TvxDragObject& Data) {
  TvxObject* root = GetRoot();
  if (!root || !root->Visual()) return nullptr;
  Data.Source = Source == dragControl_ && dragSource_ ? static_cast<rtl::TObject*>(dragSource_) : Source;
  return root->Visual()->FindTarget(MakePoint(static_cast<float>(X), static_cast<float>(Y)), Data);
}

void TvxCustomScene::ControlDragOver(rtl::TObject*, rtl::TObject* Source, int X, int Y, int, bool& Accept) {
  Accept = false;
  TvxDragObject data;
  TvxVisualObject* target = ControlDragTarget(Source, X, Y, data);
  if (!GetRoot()) return;
  const TvxPoint p = MakePoint(static_cast<float>(X), static_cast<float>(Y));
  if (target && static_cast<rtl::TObject*>(target) == data.Source) {
    if (TvxVisualObject* old = dropTarget_) {
      dropTarget_ = nullptr;
      old->DragLeave();
    }
    return;
  }
  if (dropTarget_) dropTarget_->DragOver(data, p, Accept);
  if (target != dropTarget_) {
    if (TvxVisualObject* old = dropTarget_) {
      dropTarget_ = nullptr;
      old->DragLeave();
    }
    dropTarget_ = target;
    if (target) target->DragEnter(data, p);
  }
  if (!dropTarget_) Accept = false;
}

void TvxCustomScene::ControlDragDrop(rtl::TObject*, rtl::TObject* Source, int X, int Y) {
  if (TvxVisualObject* t = dropTarget_) {
    TvxDragObject data;
    ControlDragTarget(Source, X, Y, data);
    dropTarget_ = nullptr;
    t->DragDrop(data, MakePoint(static_cast<float>(X), static_cast<float>(Y)));
  }
}

}  // namespace vg
