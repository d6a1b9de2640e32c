#include "scene3d/SceneControl.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/gfx2d/Blend.h"
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
  Watch(camera_, Value);
  camera_ = Value;
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

void TdxScene::RepaintScene() {
  if (IsLoading() || IsDestroying() || !HandleAllocated()) return;
  damageWhole_ = true;
  damage_.clear();
  RequestFrame(nullptr);
}

void TdxScene::RepaintSceneRect(int Left, int Top, int Right, int Bottom) {
  if (IsLoading() || IsDestroying() || !HandleAllocated()) return;
  const win::TRect r = win::IntersectRect({Left, Top, Right, Bottom}, ClientRect());
  if (r.Empty()) return;
  const auto contains = [](const win::TRect& Outer, const win::TRect& Inner) {
    return win::IntersectRect(Inner, Outer) == Inner;
  };
  if (!damageWhole_ &&
      std::none_of(damage_.begin(), damage_.end(), [&](const win::TRect& d) { return contains(d, r); })) {
    // A rectangle covers those it contains.
    std::erase_if(damage_, [&](const win::TRect& d) { return contains(r, d); });
    damage_.push_back(r);
    if (damage_.size() > static_cast<size_t>(MaxSceneDamageRects)) {
      win::TRect all = damage_.front();
      for (const win::TRect& d : damage_) all = win::UnionRect(all, d);
      damage_.assign(1, all);
    }
  }
  RequestFrame(&r);
}

void TdxScene::RequestFrame(const win::TRect* Part) {
  if (transparency_ && OnForm()) {
    win::MSG m;
    if (!rtl::PeekMessage(m, Handle(), WM_DXSCENERENDER, WM_DXSCENERENDER, rtl::PM_NOREMOVE))
      rtl::PostMessage(Handle(), WM_DXSCENERENDER, 0, 0);
  } else if (Part) {
    InvalidateRect(*Part);
  } else {
    Invalidate();
  }
}

void TdxScene::Paint() { RenderScene(); }

void TdxScene::PaintHandler() {
  // What the scene asked for is in its damage already; anything else was asked by the window
  // system or the form, and means the whole view.
  for (const win::TRect& r : TakeUpdateRegion()) {
    if (damageWhole_) break;
    const bool asked =
        std::any_of(damage_.begin(), damage_.end(), [&](const win::TRect& d) { return win::IntersectRect(r, d) == r; });
    if (!asked) {
      damageWhole_ = true;
      damage_.clear();
    }
  }
  if (damage_.empty()) damageWhole_ = true;
  DrawDamage();
}

void TdxScene::RenderScene() {
  if (rendering_ || !canvas_) return;
  if (damage_.empty()) damageWhole_ = true;
  DrawDamage();
}

void TdxScene::DrawDamage() {
  if (rendering_ || !canvas_) return;
  const bool whole = std::exchange(damageWhole_, false);
  std::vector<win::TRect> rects = std::exchange(damage_, {});
  if (!whole && rects.empty()) return;
  DrawFrame(whole, std::move(rects));
}

void TdxScene::DrawFrame(bool Whole, std::vector<win::TRect> Rects) {
  rendering_ = true;
  struct TGuard {
    TdxScene* Scene;
    ~TGuard() {
      Scene->rendering_ = false;
      // What was asked for while the frame was drawn is drawn by the next one.
      if (Scene->IsDestroying() || !Scene->HandleAllocated()) return;
      if (Scene->damageWhole_) Scene->RequestFrame(nullptr);
      for (const win::TRect& r : Scene->damage_) Scene->RequestFrame(&r);
    }
  } guard{this};
  const win::TRect client = ClientRect();
  if (Whole) Rects.assign(1, client);
  std::vector<TComposedLayer> layers;
  // Where only layers lying one to one on the screen draw, no frame needs the device, whole or not.
  const bool composed = canvas_->HasBuffer() && PlanComposition(layers);
  TdxCustomObjectLayer* direct = composed ? DirectLayer(layers) : nullptr;
  // Any other frame draws into the canvas's frame, which first takes what it missed (a whole
  // frame draws over all of it).
  if (!direct || direct != behindLayer_) {
    if (Whole) behind_.clear();
    CatchUpFrame();
  }
  lastFromLayer_ = false;
  if (composed) {
    const bool updated = UpdateComposedLayers(layers);
    const TdxBitmap* buffer = direct ? direct->GetBuffer() : nullptr;
    ++frames_;
    lastFrame_ = TdxFrameKind::Composed;
    lastRects_ = Rects;
    if (updated && buffer && buffer->Bits() && buffer->Width() >= client.Right && buffer->Height() >= client.Bottom) {
      // The layer's buffer is the frame: it is presented as it stands.
      behindLayer_ = direct;
      behind_.insert(behind_.end(), Rects.begin(), Rects.end());
      if (Whole) {
        // Nothing of the canvas's frame is what the form shows: its memory goes back until a
        // frame needs it.
        behind_.assign(1, client);
        canvas_->RenewBuffer();
      } else if (behind_.size() > static_cast<size_t>(MaxSceneDamageRects)) {
        win::TRect all = behind_.front();
        for (const win::TRect& r : behind_) all = win::UnionRect(all, r);
        behind_.assign(1, all);
      }
      lastFromLayer_ = true;
      Present(Rects, buffer->Bits(), buffer->Width(), buffer->Height());
      return;
    }
    CatchUpFrame();
    if (updated) ComposeFrame(Rects, layers);
    Present(Rects);
    return;
  }
  // On the device: the bounds of the rectangles.
  win::TRect part = Rects.front();
  for (const win::TRect& r : Rects) part = win::UnionRect(part, r);
  DrawDeviceFrame(part, Whole || part == client);
  const gfx3d::RECT drawn = canvas_->FrameRect();
  lastRects_.assign(1, {drawn.left, drawn.top, drawn.right, drawn.bottom});
  lastFrame_ = lastRects_.front() == client ? TdxFrameKind::Device : TdxFrameKind::DevicePart;
  Present(lastRects_);
}

void TdxScene::DrawDeviceFrame(const win::TRect& Part, bool Whole) {
  TdxCanvas& c = *canvas_;
  c.SetFrameRect(Whole ? gfx3d::RECT{} : gfx3d::RECT{Part.Left, Part.Top, Part.Right, Part.Bottom});
  c.ResetState();
  c.SetLighting(lighting_);
  c.SetAmbientColor(ambientColor_);
  if (camera_) c.SetCamera(camera_);
  if (designing_ || usingDesignCamera_) {
    if (designCamera_) c.SetCamera(designCamera_);
    if (designGrid_) designGrid_->SetVisible(designing_);
  }
  const std::vector<TdxObject*> roots = objects_;
  for (TdxObject* o : roots)
    if (auto* v = dynamic_cast<TdxVisualObject*>(o); v && v->Visible()) {
      c.SetMatrix(v->GetAbsoluteMatrix());
      v->ApplyLights();
    }
  if (c.BeginScene()) {
    ++frames_;
    for (TdxRenderState s : {rsGouraudShading, rsCameraSpace, rsDepthWriteOn, rsLightingOn, rsTextureLinear, rsCullCCW})
      c.SetRenderState(s);
    c.Clear(fillColor_);
    for (TdxObject* o : roots)
      if (auto* v = dynamic_cast<TdxVisualObject*>(o); v && v->Visible()) {
        c.SetMatrix(v->GetAbsoluteMatrix());
        v->BeforePaint();
        v->Render();
        v->Paint();
      }
    if (designing_) {
      DrawDesignSelection(c);
      DrawDesignHints(c);
    }
  }
  c.EndScene();
}

bool TdxScene::PlanComposition(std::vector<TComposedLayer>& Layers) const {
  if (designing_) return false;
  // Roots are drawn through the camera: a root that draws anything needs the device.
  for (TdxObject* o : objects_) {
    auto* v = dynamic_cast<TdxVisualObject*>(o);
    if (!v || !v->Visible()) continue;
    if (v->DrawsContent() || !PlanChildren(v, Layers)) return false;
  }
  return true;
}

bool TdxScene::PlanChildren(const TdxVisualObject* Parent, std::vector<TComposedLayer>& Layers) const {
  // The walk of TdxVisualObject::Paint.
  for (int i = 0; i < Parent->ChildrenCount(); ++i) {
    auto* c = dynamic_cast<TdxVisualObject*>(Parent->Children(i));
    if (!c || !c->PaintedAsChild()) continue;
    int x = 0, y = 0;
    if (auto* layer = dynamic_cast<TdxCustomObjectLayer*>(c); layer && layer->ComposesWithoutDevice(x, y))
      Layers.push_back({layer, x, y});
    else if (c->DrawsContent())
      return false;
    if (!PlanChildren(c, Layers)) return false;
  }
  return true;
}

TdxCustomObjectLayer* TdxScene::DirectLayer(const std::vector<TComposedLayer>& Layers) const {
  // Over transparent black the composition of one buffer is the buffer; the layer must cover
  // the client area from its corner (its buffer takes BufferWidth x BufferHeight at its update).
  if (fillColor_ != 0 || Layers.size() != 1) return nullptr;
  const TComposedLayer& l = Layers.front();
  if (l.X != 0 || l.Y != 0 || l.Layer->BufferWidth() < Width() || l.Layer->BufferHeight() < Height()) return nullptr;
  return l.Layer;
}

bool TdxScene::UpdateComposedLayers(const std::vector<TComposedLayer>& Layers) {
  for (const TComposedLayer& l : Layers) {
    TdxFreeWatch watch(l.Layer);
    l.Layer->BeforePaint();
    if (!watch.Gone()) l.Layer->UpdateBuffer();
    if (watch.Gone()) {
      // A handler freed a layer: the tree is not what was planned, so the next frame draws it all.
      damageWhole_ = true;
      damage_.clear();
      return false;
    }
  }
  return true;
}

void TdxScene::CatchUpFrame() {
  if (behind_.empty()) return;
  const std::vector<win::TRect> rects = std::exchange(behind_, {});
  std::uint32_t* frame = canvas_ ? canvas_->Buffer() : nullptr;
  const TdxBitmap* buffer = behindLayer_ ? behindLayer_->GetBuffer() : nullptr;
  if (!frame || !buffer) return;
  const int w = canvas_->Width();
  const win::TRect bounds{0, 0, w, canvas_->Height()};
  const win::TRect covered{0, 0, buffer->Bits() ? buffer->Width() : 0, buffer->Bits() ? buffer->Height() : 0};
  for (const win::TRect& r0 : rects) {
    const win::TRect r = win::IntersectRect(r0, bounds);
    if (r.Empty()) continue;
    // What was presented: the buffer over transparent black, which is the buffer itself.
    for (int y = r.Top; y < r.Bottom; ++y) {
      std::uint32_t* row = frame + static_cast<size_t>(y) * static_cast<size_t>(w);
      std::fill(row + r.Left, row + r.Right, 0u);
      const win::TRect on = win::IntersectRect({r.Left, y, r.Right, y + 1}, covered);
      if (!on.Empty())
        std::memcpy(row + on.Left,
                    buffer->Bits() + static_cast<size_t>(y) * static_cast<size_t>(buffer->Width()) +
                        static_cast<size_t>(on.Left),
                    static_cast<size_t>(on.Width()) * 4);
    }
  }
}

std::uint32_t* TdxScene::FrameBuffer() {
  CatchUpFrame();
  return canvas_ ? canvas_->Buffer() : nullptr;
}

void TdxScene::ComposeFrame(const std::vector<win::TRect>& Rects, const std::vector<TComposedLayer>& Layers) {
  std::uint32_t* frame = canvas_->Buffer();
  const int w = canvas_->Width();
  const win::TRect bounds{0, 0, w, canvas_->Height()};
  for (const win::TRect& r0 : Rects) {
    const win::TRect r = win::IntersectRect(r0, bounds);
    if (r.Empty()) continue;
    // The fill as the device clears to it, then each buffer over it as the device blends it.
    for (int y = r.Top; y < r.Bottom; ++y) {
      std::uint32_t* row = frame + static_cast<size_t>(y) * static_cast<size_t>(w);
      std::fill(row + r.Left, row + r.Right, fillColor_);
    }
    for (const TComposedLayer& l : Layers) {
      const TdxBitmap* buffer = l.Layer->GetBuffer();
      if (!buffer || !buffer->Bits()) continue;
      const win::TRect on = win::IntersectRect(r, {l.X, l.Y, l.X + std::min(buffer->Width(), l.Layer->BufferWidth()),
                                                   l.Y + std::min(buffer->Height(), l.Layer->BufferHeight())});
      if (on.Empty()) continue;
      for (int y = on.Top; y < on.Bottom; ++y)
        gfx2d::BlendRowOver(frame + static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(on.Left),
                            buffer->Bits() + static_cast<size_t>(y - l.Y) * static_cast<size_t>(buffer->Width()) +
                                static_cast<size_t>(on.Left - l.X),
                            static_cast<size_t>(on.Width()));
    }
  }
}

void TdxScene::DrawDesignHints(TdxCanvas& C) {
  static const std::u16string hints[3] = {
      u"Alt+mouse - rotate scene | Shift+mouse - move scene",
      u"Mouse - move object in (XoY) | Ctrl + Mouse - move object in (XoZ)",
      u"Shift+mouse - move layer object in (XoY) | Hold Shift - design menu of object layers"};
  C.SetRenderState(rsScreenSpace);
  C.SetMatrix(IdentityMatrix);
  TdxMaterial m;
  m.SetLighting(false);
  m.SetDiffuseColor(0x8091DE5B);
  C.SetMaterial(m);
  TdxFont f;
  f.SetSize(9);
  f.SetStyle(dxFontRegular);
  C.Font().Assign(&f);
  for (int i = 0; i < 3; ++i) C.FillText(hints[i], 0, static_cast<float>(10 * i), 1);
}

void TdxScene::Present(const std::vector<win::TRect>& Rects) {
  if (canvas_ && canvas_->HasBuffer()) Present(Rects, canvas_->Buffer(), canvas_->Width(), canvas_->Height());
}

void TdxScene::Present(const std::vector<win::TRect>& Rects, const std::uint32_t* Bits, int AWidth, int AHeight) {
  if (!Bits) return;
  // A designed scene's form is not layered (the design view is opaque): its frames are copied
  // into the form's frame like those of any opaque scene.
  if (transparency_ && OnForm() && !designing_) {
    if (!HandleAllocated()) return;
    auto* owner = dynamic_cast<win::TWinControl*>(Owner());
    auto* form = dynamic_cast<win::TCustomForm*>(Parent());
    if (!owner || !owner->HandleAllocated() || !form) return;
    form->UpdateLayered(Bits, AWidth, AHeight, AWidth, owner->Left() + Left(), owner->Top() + Top(), Rects);
    return;
  }
  // An opaque scene copies its frame into the form's frame under it.
  const gfx2d::PixelTarget dc = GetDC();
  if (!dc.Bits) return;
  for (const win::TRect& r : Rects)
    gfx2d::CopyPixels(Bits, AWidth, AHeight, r.Left, r.Top, r.Width(), r.Height(), dc, r.Left, r.Top);
  PresentRects(Rects);
}

void TdxScene::UpdateLayer() {
  CatchUpFrame();
  if (canvas_) Present({{0, 0, canvas_->Width(), canvas_->Height()}});
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
