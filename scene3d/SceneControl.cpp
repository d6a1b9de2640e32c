#include "scene3d/SceneControl.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/loop/Application.h"
#include "platform/rtl/Filer.h"
#include "platform/win/Display.h"
#include "platform/win/Hints.h"
#include "platform/win/InputMethod.h"
#include "platform/win/Menus.h"
#include "scene3d/Animations.h"
#include "scene3d/Library.h"
#include "scene3d/ObjectLayer.h"
#include "scene3d/Shapes.h"
#include "scene3d/ValueText.h"

namespace dx {

namespace {
int sceneCount = 0;
}  // namespace

int DxSceneCount() { return sceneCount; }

rtl::TClass TdxScene::StaticClass() {
  using S = TdxScene;
  static const rtl::TClassInfo info = rtl::DefineClass<S>()
                                          .Property("Align", &S::Align, &S::SetAlign)
                                          .Default(win::alNone)
                                          .Property("AlignRoot", &S::AlignRoot, &S::SetAlignRoot)
                                          .Default(true)
                                          .Property("AllowDrag", &S::AllowDrag, &S::SetAllowDrag)
                                          .Default(false)
                                          .Property("ActiveControl", &S::ActiveControl, &S::SetActiveControl)
                                          .Property("Lighting", &S::Lighting, &S::SetLighting)
                                          .Default(true)
                                          .Property("Quality", &S::Quality, &S::SetQuality)
                                          .Property("FillColor", &S::FillColor, &S::SetFillColor)
                                          .Property("AmbientColor", &S::AmbientColor, &S::SetAmbientColor)
                                          .Property("Camera", &S::Camera, &S::SetCamera)
                                          .Property("Transparency", &S::Transparency, &S::SetTransparency)
                                          .Default(false)
                                          .Property("RealTime", &S::RealTime, &S::SetRealTime)
                                          .Default(false)
                                          .Property("RealTimeSleep", &S::RealTimeSleep, &S::SetRealTimeSleep)
                                          .Property("InvisibleAtRuntime", &S::InvisibleAtRuntime,
                                                    &S::SetInvisibleAtRuntime)
                                          .Default(false)
                                          .Property("UsingDesignCamera", &S::UsingDesignCamera,
                                                    &S::SetUsingDesignCamera)
                                          .Default(true)
                                          .Property("TabStop", &S::TabStop, &S::SetTabStop)
                                          .Default(false)
                                          .Event("OnMouseMove", &S::OnMouseMove)
                                          .Event("OnMouseDown", &S::OnMouseDown)
                                          .Event("OnMouseUp", &S::OnMouseUp)
                                          .Event("OnMouseWheel", &S::OnMouseWheel)
                                          .Build();
  return &info;
}

TdxScene::TdxScene(rtl::TComponent* AOwner) : win::TCustomControl(AOwner) {
  SetShowHint(true);
  OnDragOver = TDragOverEvent(this, &TdxScene::ControlDragOver, "ControlDragOver");
  OnDragDrop = TDragDropEvent(this, &TdxScene::ControlDragDrop, "ControlDragDrop");
  SetControlStyle(ControlStyle() + win::TControlStyle{win::csCaptureMouse, win::csOpaque, win::csDoubleClicks});
  win::TCustomControl::SetBounds(0, 0, 100, 100);
  designing_ = ComponentState().Contains(rtl::csDesigning);
  // The design camera rig: the scene's own objects, never stored, never hit.
  auto own = [](TdxVisualObject* O) {
    O->SetTag(DesignObjectTag);
    O->SetLocked(true);
    O->SetStored(false);
  };
  designDummyA_ = new TdxDummy(this);
  own(designDummyA_);
  AddObject(designDummyA_);
  designDummyB_ = new TdxDummy(this);
  own(designDummyB_);
  designDummyA_->AddObject(designDummyB_);
  designDummyB_->RotateAngle()->SetX(20);
  designCamera_ = new TdxCamera(this);
  own(designCamera_);
  designDummyB_->AddObject(designCamera_);
  designCamera_->Position()->SetPoint({0, -20, 0});
  designGrid_ = new TdxGrid(this);
  own(designGrid_);
  designGrid_->SetWidth(50);
  designGrid_->SetHeight(50);
  designGrid_->SetFrequency(1);
  designGrid_->SetMarks(4);
  designGrid_->SetVisible(designing_);
  AddObject(designGrid_);
  ++sceneCount;
}

TdxScene::~TdxScene() = default;

void TdxScene::BeforeDestruction() {
  Destroying();
  --sceneCount;
  if (rtl::Application->OnIdle == rtl::TIdleEvent(this, &TdxScene::DoIdle, "DoIdle")) rtl::Application->OnIdle = nullptr;
  if (pauseTimer_) rtl::Application->StopTimer(pauseTimer_);
  pauseTimer_ = 0;
  designMenu_.reset();
  designList_.clear();
  DeleteChildren();
  designDummyA_ = designDummyB_ = nullptr;
  designCamera_ = nullptr;
  designGrid_ = nullptr;
  captured_ = hovered_ = focused_ = selected_ = activeControl_ = dropTarget_ = nullptr;
  WatchDragObject(nullptr);
  camera_ = nullptr;
  physics_.reset();
  // The window goes with the control; the canvas goes first, and only once.
  DestroyHandle();
  canvas_.reset();
  // The shared animation clock goes with the last scene, also when the form took the window
  // down before the scene itself was freed (DestroyWnd then ran while the scene still counted).
  if (sceneCount == 0) FreeDxAniThread();
  inherited::BeforeDestruction();
  if (sceneCount == 0) SceneLibraryLastSceneGone();
}

// ---- roots ------------------------------------------------------------------------------------

TdxObject* TdxScene::GetObject(int Index) const {
  if (Index < 0 || Index >= GetCount()) return nullptr;
  return objects_[static_cast<size_t>(Index)];
}

TdxVisualObject* TdxScene::GetRoot() const {
  for (size_t i = objects_.size(); i-- > 0;)
    if (auto* v = dynamic_cast<TdxVisualObject*>(objects_[i]); v && !v->Locked()) return v;
  return nullptr;
}

void TdxScene::DeleteChildren() {
  while (!objects_.empty()) {
    TdxObject* o = objects_.front();
    objects_.erase(objects_.begin());
    if (o->Parent()) o->SetParent(nullptr);
    o->SetScene(nullptr);
    o->Free();
  }
}

void TdxScene::AddObject(TdxObject* Obj) {
  if (!Obj) return;
  if (Obj->Parent()) Obj->SetParent(nullptr);
  if (Obj->Scene() && Obj->Scene() != this) Obj->Scene()->RemoveObject(Obj);
  if (std::find(objects_.begin(), objects_.end(), Obj) == objects_.end()) objects_.push_back(Obj);
  Obj->SetScene(this);
  if (auto* v = dynamic_cast<TdxVisualObject*>(Obj); v && !IsDestroying()) v->Repaint();
  if (auto* c = dynamic_cast<TdxCamera*>(Obj); c && designing_ && c->Tag() != DesignObjectTag) SetCamera(c);
}

void TdxScene::RemoveObject(TdxObject* Obj) {
  objects_.erase(std::remove(objects_.begin(), objects_.end(), Obj), objects_.end());
  if (!IsDestroying()) Invalidate();
}

void TdxScene::Watch(rtl::TComponent* Old, rtl::TComponent* New) {
  if (Old && Old != New) Old->RemoveFreeNotification(this);
  if (New) New->FreeNotification(this);
}

void TdxScene::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != rtl::opRemove || !AComponent) return;
  const bool focusGoes = focused_ && static_cast<rtl::TComponent*>(focused_) == AComponent;
  IdxCamera* going = nullptr;
  for (TdxCamera* c : {camera_, designCamera_})
    if (c && static_cast<rtl::TComponent*>(c) == AComponent) going = c;
  for (TdxVisualObject** ref : {&captured_, &selected_, &hovered_, &focused_, &activeControl_, &dropTarget_})
    if (*ref && static_cast<rtl::TComponent*>(*ref) == AComponent) *ref = nullptr;
  if (dragObject_ == AComponent) dragObject_ = nullptr;
  // A hint that names the object closes without touching it.
  win::CancelHintFor(AComponent);
  std::erase_if(designList_, [AComponent](TdxVisualObject* O) { return static_cast<rtl::TComponent*>(O) == AComponent; });
  if (focusGoes && !IsDestroying()) win::UpdateTextInput();
  if (camera_ && static_cast<rtl::TComponent*>(camera_) == AComponent) camera_ = nullptr;
  if (designCamera_ && static_cast<rtl::TComponent*>(designCamera_) == AComponent) designCamera_ = nullptr;
  if (designDummyA_ && static_cast<rtl::TComponent*>(designDummyA_) == AComponent) designDummyA_ = nullptr;
  if (designDummyB_ && static_cast<rtl::TComponent*>(designDummyB_) == AComponent) designDummyB_ = nullptr;
  if (dragControl_ == AComponent) dragControl_ = nullptr;
  // The canvas lets go of a camera that goes: the pointer's hit tests read it.
  if (canvas_ && going && canvas_->Camera() == going) FollowViewCamera();
  // The canvas's frame takes what the layer presented while its buffer is still there.
  if (behindLayer_ && static_cast<rtl::TComponent*>(behindLayer_) == AComponent) {
    CatchUpFrame();
    behindLayer_ = nullptr;
  }
}

void TdxScene::GetChildren(const rtl::TGetChildProc& Proc, rtl::TComponent* Root) {
  inherited::GetChildren(Proc, Root);
  for (TdxObject* o : objects_)
    if (o->Stored()) Proc(o);
}

// ---- properties -------------------------------------------------------------------------------

void TdxScene::SetActiveControl(TdxVisualObject* Value) {
  if (Value == activeControl_) return;
  Watch(activeControl_, Value);
  activeControl_ = Value;
  if (Value && !IsLoading()) Value->SetFocus();
}

void TdxScene::SetQuality(TdxQuality Value) {
  if (Value == quality_) return;
  quality_ = Value;
  if (canvas_) canvas_->SetQuality(Value);
  RepaintScene();
}

std::string TdxScene::FillColor() const { return dxColorToText(fillColor_); }

void TdxScene::SetFillColor(const std::string& Value) {
  const TdxColor c = dxTextToColor(Value);
  if (c == fillColor_) return;
  fillColor_ = c;
  RepaintScene();
}

std::string TdxScene::AmbientColor() const { return dxColorToText(ambientColor_); }

void TdxScene::SetAmbientColor(const std::string& Value) {
  const TdxColor c = dxTextToColor(Value);
  if (c == ambientColor_) return;
  ambientColor_ = c;
  RepaintScene();
}

void TdxScene::SetCamera(TdxCamera* Value) {
  if (Value == camera_) return;
  // A camera looked through by a design click is so only while it is the scene's camera.
  if (camera_ && camera_->LookingThrough()) camera_->StopLookingThrough();
  Watch(camera_, Value);
  camera_ = Value;
  // Pointer input before the next frame finds objects through the new camera, not the old one.
  FollowViewCamera();
  RepaintScene();
}

void TdxScene::SetRealTime(bool Value) {
  if (Value == realTime_) return;
  realTime_ = Value;
  if (!designing_) rtl::Application->OnIdle = rtl::TIdleEvent(this, &TdxScene::DoIdle, "DoIdle");
}

void TdxScene::SetDesignSnapGridShow(bool Value) {
  designSnapGridShow_ = Value;
  if (designGrid_) designGrid_->SetOpacity(Value ? 1.0f : 0.0f);
}

void TdxScene::DefineProperties(rtl::TFiler* Filer) {
  inherited::DefineProperties(Filer);
  auto floatOf = [](auto Get, auto Set) {
    return std::pair<rtl::TReaderProc, rtl::TWriterProc>{
        [Set](rtl::TReader& R) { Set(static_cast<float>(R.ReadFloat())); },
        [Get](rtl::TWriter& W) { W.WriteFloat(static_cast<double>(Get())); }};
  };
  // The pose of the design camera: what each reads is stored into the rig when it is there.
  auto [posRead, posWrite] = floatOf(
      [this] { return designCamera_ ? designCamera_->Position()->Y() : -20.0f; },
      [this](float V) {
        if (designCamera_) designCamera_->Position()->SetY(V);
      });
  Filer->DefineProperty("DesignCameraPos", posRead, posWrite, true);
  auto [zRead, zWrite] = floatOf(
      [this] { return designDummyA_ ? designDummyA_->RotateAngle()->Z() : 0.0f; },
      [this](float V) {
        if (designDummyA_) designDummyA_->RotateAngle()->SetZ(V);
      });
  Filer->DefineProperty("DesignCameraZAngle", zRead, zWrite, true);
  auto [xRead, xWrite] = floatOf(
      [this] { return designDummyB_ ? designDummyB_->RotateAngle()->X() : 20.0f; },
      [this](float V) {
        if (designDummyB_) designDummyB_->RotateAngle()->SetX(V);
      });
  Filer->DefineProperty("DesignCameraXAngle", xRead, xWrite, true);
  Filer->DefineProperty(
      "DesignSnapGridShow", [this](rtl::TReader& R) { SetDesignSnapGridShow(R.ReadBoolean() && designing_); },
      [this](rtl::TWriter& W) { W.WriteBoolean(designSnapGridShow_); }, true);
  Filer->DefineProperty(
      "DesignSnapToGrid", [this](rtl::TReader& R) { designSnapToGrid_ = R.ReadBoolean(); },
      [this](rtl::TWriter& W) { W.WriteBoolean(designSnapToGrid_); }, true);
  Filer->DefineProperty(
      "DesignSnapToLines", [this](rtl::TReader& R) { designSnapToLines_ = R.ReadBoolean(); },
      [this](rtl::TWriter& W) { W.WriteBoolean(designSnapToLines_); }, true);
}

void TdxScene::Loaded() {
  inherited::Loaded();
  savedCursor_ = Cursor();
  if (designSnapToLines_) designSnapToGrid_ = false;
}

// ---- window -----------------------------------------------------------------------------------

bool TdxScene::OnForm() const { return dynamic_cast<win::TCustomForm*>(Parent()) != nullptr; }

void TdxScene::CreateHandle() {
  inherited::CreateHandle();
  if (!HandleAllocated()) return;
  // The canvas always keeps its frame in memory: the form shows what the scene hands it.
  // A canvas whose buffer cannot be had is reported; the scene then draws nothing.
  if (DefaultCanvasClass && (designing_ || !invisibleAtRuntime_)) try {
      canvas_ = DefaultCanvasClass->CreateWithWindow(static_cast<gfx3d::WindowHandle>(Handle()), Width(), Height(),
                                                     true, quality_);
      canvas_->SetFrameKeeper(this);
    } catch (const rtl::Exception&) {
      rtl::Application->HandleException(this);
    }
  if (transparency_ && !designing_ && OnForm()) {
    static_cast<win::TCustomForm*>(Parent())->SetLayered(true);
    UpdateLayer();
  }
  RepaintScene();
}

void TdxScene::CreateWnd() {
  inherited::CreateWnd();
  win::RegisterDragDrop(this, this);
}

void TdxScene::DestroyWnd() {
  if (sceneCount == 0) FreeDxAniThread();
  canvas_.reset();
  behind_.clear();
  win::RevokeDragDrop(this);
  inherited::DestroyWnd();
}

void TdxScene::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (canvas_ && HandleAllocated()) {
    // A frame of the new size is drawn whole.
    if (canvas_->Width() != Width() || canvas_->Height() != Height()) behind_.clear();
    try {
      canvas_->ResizeBuffer(Width(), Height());
    } catch (const rtl::Exception&) {
      rtl::Application->HandleException(this);  // no buffer: nothing is drawn until one can be had
    }
    if (TdxVisualObject* root = GetRoot()) root->Realign();
    RepaintScene();
  }
}

win::LRESULT TdxScene::WndProc(win::MSG& Message) {
  switch (Message.message) {
    case WM_DXSCENERENDER: {
      // A burst of requests gives one frame. A quit asked for meanwhile stays with the
      // application: the queue never hands it out.
      win::MSG m;
      win::TCustomForm* form = win::GetParentForm(this);
      const rtl::HWND from = form && form->HandleAllocated() ? form->Handle() : Handle();
      while (rtl::PeekMessage(m, from, WM_DXSCENERENDER, WM_DXSCENERENDER, rtl::PM_REMOVE)) {
      }
      if (!IsDestroying()) DrawDamage();
      return 0;
    }
    case win::WM_ERASEBKGND:
      return 1;
    case win::WM_GETDLGCODE:
      return win::DLGC_WANTARROWS | win::DLGC_WANTTAB | win::DLGC_WANTCHARS;
    case win::CM_DESIGNHITTEST:
      return 1;
    case win::WM_KEYDOWN:
    case win::WM_KEYUP: {
      std::uint16_t key = static_cast<std::uint16_t>(Message.wParam);
      char16_t ch = 0;
      const rtl::TShiftState shift = win::KeyDataToShiftState(Message.lParam);
      if (Message.message == win::WM_KEYDOWN) KeyDown(key, ch, shift);
      else KeyUp(key, ch, shift);
      return inherited::WndProc(Message);
    }
    case win::WM_CHAR:
      HandleChar(static_cast<char16_t>(Message.wParam));
      return inherited::WndProc(Message);
    case win::CM_WANTTEXTINPUT: {
      TdxTextInputInfo input;
      return focused_ && focused_->TextInput(input) ? 1 : 0;
    }
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
    case win::CM_HINTSHOW: {
      inherited::WndProc(Message);
      auto* info = reinterpret_cast<win::THintInfo*>(Message.lParam);
      if (!info) return 0;
      std::u16string text;
      win::TRect rect;
      const void* data = nullptr;
      if (HintAt(info->CursorPos.X, info->CursorPos.Y, text, rect, &data)) {
        info->HintStr = text;
        info->CursorRect = rect;
        info->HintData = data;
      } else {
        info->HintStr.clear();
      }
      return 0;
    }
    case win::CM_MOUSELEAVE:
      inherited::WndProc(Message);
      Unhover();
      return 0;
    default:
      return inherited::WndProc(Message);
  }
}

// ---- real time --------------------------------------------------------------------------------

void TdxScene::DoIdle(rtl::TObject*, bool& Done) {
  Done = true;
  if (!realTime_ || pauseTimer_) return;
  RealTimeTick();
  if (realTimeSleep_ > 0) {
    // The loop never sleeps: it rests on a timer, serving messages meanwhile.
    pauseTimer_ = rtl::Application->StartTimer(realTimeSleep_, [this] {
      rtl::Application->StopTimer(pauseTimer_);
      pauseTimer_ = 0;
    });
    return;
  }
  Done = false;
}

void TdxScene::RealTimeTick() {
  // Seconds from the application clock's start, in double: no coarse steps, no wrap.
  const double now = rtl::GetTickCount() / 1000.0;
  if (lastTime_ == 0) lastTime_ = now;
  double delta = now - lastTime_;
  if (!(delta > 0)) delta = 0.001;
  lastTime_ = now;
  deltaTime_ = static_cast<float>(delta);
  accumulated_ += delta;
  ++frameCounter_;
  if (accumulated_ > 1.0) {
    fps_ = static_cast<float>(frameCounter_ / accumulated_);
    accumulated_ = 0;
    frameCounter_ = 0;
  }
  TdxFreeWatch watch(this);
  for (size_t i = 0; i < objects_.size(); ++i) {
    objects_[i]->ProcessTick(lastTime_, deltaTime_);
    if (watch.Gone()) return;
  }
  if (physics_) {
    if (physics_->CameraWorld()) physics_->Update(physics_->CameraWorld(), deltaTime_);
    if (physics_->ScreenWorld()) physics_->Update(physics_->ScreenWorld(), deltaTime_);
  }
  RenderScene();
}

void TdxScene::CreatePhysics() {
  if (!physics_) physics_ = CreateDefaultPhysics(this);
}

TdxPhysics* TdxScene::GetPhysics(bool Create) {
  if (Create) CreatePhysics();
  return physics_.get();
}

}  // namespace dx
