#include "scene3d/ObjectLayer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <typeinfo>
#include <utility>

#include "platform/loop/Application.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Filer.h"
#include "platform/win/Hints.h"
#include "platform/win/InputMethod.h"
#include "scene3d/Canvas.h"
#include "scene3d/PublishedLayout.h"
#include "scene3d/SceneControl.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/Controls.h"
#include "vg2d/core/DesignEditor.h"
#include "vg2d/core/Registry.h"
#include "vg2d/core/SceneControl.h"
#include "vg2d/core/Styles.h"
#include "vg2d/core/UpdateRects.h"

namespace dx {

namespace {

// The drop target of a drag over any object layer. It is cleared when the object leaves its
// host (every layer's Notification compares it).
vg::TvxVisualObject* dropTarget2D = nullptr;

// What a designed layer does its own way.
vg::TvxDesignKind LayerDesignKind() {
  vg::TvxDesignKind k;
  k.RootClass = "TvxLayout";
  k.FileFilter = "Vector Scene Files|*.scene2d";
  k.SquareEdgeGrips = true;
  k.SortedClasses = true;
  k.PlaceCaptionByName = false;
  k.DashedDecorations = true;
  k.ItemsKeepTheirPlace = true;
  k.SnapsAtTolerance = true;
  return k;
}

// Whole pixels around a float edge, saturated (dirty rectangles are stored unclipped).
int PixelFloor(float V) { return std::isnan(V) ? 0 : static_cast<int>(std::clamp(std::floor(V), -1e9f, 1e9f)); }
int PixelCeil(float V) { return std::isnan(V) ? 0 : static_cast<int>(std::clamp(std::ceil(V), -1e9f, 1e9f)); }

}  // namespace

vg::TvxVisualObject* ObjectLayerDropTarget() { return dropTarget2D; }

// ---- classes ------------------------------------------------------------------------------------------

rtl::TClass TdxCustomObjectLayer::StaticClass() {
  using L = TdxCustomObjectLayer;
  static const rtl::TClassInfo info = rtl::DefineClass<L>()
                                          .Property("CanFocused", &L::CanFocused, &L::SetCanFocused)
                                          .Default(true)
                                          .Property("ActiveControl", &L::ActiveControl, &L::SetActiveControl)
                                          .Property("AnimatedCaret", &L::AnimatedCaret, &L::SetAnimatedCaret)
                                          .Default(true)
                                          .Build();
  return &info;
}

rtl::TClass TdxObjectLayer::StaticClass() {
  using L = TdxObjectLayer;
  static const rtl::TClassInfo info = PublishLayout(rtl::DefineClass<L>())
                                          .Property("Fill", &L::Fill, &L::SetFill)
                                          .Property("Style", &L::Style, &L::SetStyle)
                                          .Property("Resolution", &L::Resolution, &L::SetResolution)
                                          .Default(60)
                                          .Build();
  return &info;
}

rtl::TClass TdxGUIObjectLayer::StaticClass() {
  using L = TdxGUIObjectLayer;
  static const rtl::TClassInfo info = rtl::DefineClass<L>()
                                          .Property("AllowDrag", &L::AllowDrag, &L::SetAllowDrag)
                                          .Default(false)
                                          .Property("LayerAlign", &L::LayerAlign, &L::SetLayerAlign)
                                          .Default(dxLayerNone)
                                          .Property("Fill", &L::Fill, &L::SetFill)
                                          .Property("Style", &L::Style, &L::SetStyle)
                                          .Property("ZWrite", &L::ZWrite, &L::SetZWrite)
                                          .Default(false)
                                          .Build();
  return &info;
}

rtl::TClass TdxVGLayer::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxVGLayer>().Build();
  return &info;
}

rtl::TClass TdxScreenVGLayer::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxScreenVGLayer>().Build();
  return &info;
}

void RegisterDxLayerClasses() {
  rtl::RegisterClasses<TdxCustomLayer, TdxCustomBufferLayer, TdxCustomObjectLayer>();
  RegisterDxClasses("Shapes", {TdxBufferLayer::StaticClass(), TdxObjectLayer::StaticClass()});
  RegisterDxClasses("GUI", {TdxGUIObjectLayer::StaticClass()});
  rtl::RegisterClasses<TdxVGLayer, TdxScreenVGLayer>();
}

// ---- life ---------------------------------------------------------------------------------------------

TdxCustomObjectLayer::TdxCustomObjectLayer(rtl::TComponent* AOwner)
    : TdxCustomBufferLayer(AOwner), vg::TvxSceneHost(this, LayerDesignKind()) {
  vg::AddScene(this);
  SetCanFocused(true);
  if (!vg::DefaultCanvasClass) throw rtl::EInvalidOperation("The 2D library is not started");
  // The canvas draws into the buffer's pixels; it has a pixel of its own until it is put there.
  canvas_ = vg::DefaultCanvasClass->Create(1, 1);
  canvas_->SetScene(this);
  DrawIntoBuffer();
  SetShowHint(true);
  SetDragDisableHighlight(true);
  SetWidth(8);
  SetDepth(8);
  SetAutoCapture(true);
  SetDesignMousePassThrough(true);
  fill_ = std::make_unique<vg::TvxBrush>(vg::vgBrushSolid, 0xFF505050u);
  fill_->OnChange = rtl::TNotifyEvent(this, &TdxCustomObjectLayer::FillChanged, "FillChanged");
  fill_->SetStyle(vg::vgBrushNone);
  vg::CountSceneHostIn();
}

TdxCustomObjectLayer::~TdxCustomObjectLayer() {
  // The buffer outlives this part of the layer: it must not call the watch afterwards.
  if (watched_) watched_->RemoveCanvas(&bufferWatch_);
}

void TdxCustomObjectLayer::BeforeDestruction() {
  Destroying();
  if (loadTimer_) rtl::Application->StopTimer(loadTimer_);
  loadTimer_ = 0;
  if (style_) style_->RemoveSceneRef(this);
  style_ = nullptr;
  // The last host of 2D objects takes the 2D animation ticker with it.
  if (vg::CountSceneHostOut() == 0) vg::FreeAniThread();
  // Every object of the tree leaves this host, the shared drop target included.
  for (vg::TvxObject* o : roots_) {
    std::vector<vg::TvxObject*> subtree;
    o->AddObjectsToList(subtree);
    for (vg::TvxObject* s : subtree)
      if (static_cast<rtl::TComponent*>(s) == static_cast<rtl::TComponent*>(dropTarget2D)) dropTarget2D = nullptr;
  }
  FreeRoots();
  vg::RemoveScene(this);
  inherited::BeforeDestruction();
}

void TdxCustomObjectLayer::DefineProperties(rtl::TFiler* Filer) {
  inherited::DefineProperties(Filer);
  DefineDesignProperties(Filer);
}

void TdxCustomObjectLayer::Loaded() {
  inherited::Loaded();
  defaultCursor_ = Cursor();
  DesignLoaded();
  // One full repaint once loading has settled. The timer goes with the layer.
  if (loadTimer_) rtl::Application->StopTimer(loadTimer_);
  loadTimer_ = rtl::Application->StartTimer(1, [this] {
    rtl::Application->StopTimer(loadTimer_);
    loadTimer_ = 0;
    AddUpdateRect(vg::MakeRect(0, 0, 65535, 65535));
  });
}

void TdxCustomObjectLayer::GetChildren(const rtl::TGetChildProc& Proc, rtl::TComponent* Root) {
  inherited::GetChildren(Proc, Root);
  for (vg::TvxObject* o : roots_)
    if (o->Stored()) Proc(o);
}

// ---- properties ---------------------------------------------------------------------------------------

void TdxCustomObjectLayer::SetFill(vg::TvxBrush* Value) {
  if (Value && Value != fill_.get()) fill_->Assign(Value);
}

void TdxCustomObjectLayer::FillChanged(rtl::TObject*) {
  updateRects_.clear();
  AddUpdateRect(vg::MakeRect(0, 0, static_cast<float>(BufferWidth()), static_cast<float>(BufferHeight())));
}

void TdxCustomObjectLayer::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != rtl::opRemove || !AComponent) return;
  if (dropTarget2D && static_cast<rtl::TComponent*>(dropTarget2D) == AComponent) dropTarget2D = nullptr;
  ForgetReferences(AComponent);
}

// ---- painting -----------------------------------------------------------------------------------------

void TdxCustomObjectLayer::AddUpdateRect(const vg::TvxRect& R) {
  if (disableUpdate_ || IsDestroying() || !canvas_ || !canvas_->BufferBits()) return;
  const vg::TvxRect r = vg::UpdateRectOf(R);
  if (std::isnan(r.Left) || std::isnan(r.Top) || std::isnan(r.Right) || std::isnan(r.Bottom)) return;
  const vg::TvxRect all = vg::MakeRect(0, 0, static_cast<float>(BufferWidth()), static_cast<float>(BufferHeight()));
  if (!vg::RectsIntersect(r, all)) return;
  updateRects_.push_back(r);
  ReportDirty(r);
}

void TdxCustomObjectLayer::ReportDirty(const vg::TvxRect& R) {
  int x = 0, y = 0;
  if (!ScreenPlacement(x, y)) {
    Repaint();
    return;
  }
  const int l = std::clamp(PixelFloor(R.Left), 0, BufferWidth());
  const int t = std::clamp(PixelFloor(R.Top), 0, BufferHeight());
  const int r = std::clamp(PixelCeil(R.Right), l, BufferWidth());
  const int b = std::clamp(PixelCeil(R.Bottom), t, BufferHeight());
  // A pixel more on each side: the device filters the buffer linearly.
  auto at = [](int Origin, int V) {
    return static_cast<int>(std::clamp<long long>(static_cast<long long>(Origin) + V, -(1LL << 30), 1LL << 30));
  };
  RepaintRect(at(x, l - 1), at(y, t - 1), at(x, r + 1), at(y, b + 1));
}

bool TdxCustomObjectLayer::DrawsOnlyItsBuffer() const {
  const std::type_info& t = typeid(*this);
  return t == typeid(TdxCustomObjectLayer) || t == typeid(TdxObjectLayer) || t == typeid(TdxGUIObjectLayer) ||
         t == typeid(TdxVGLayer) || t == typeid(TdxScreenVGLayer);
}

bool TdxCustomObjectLayer::ComposesWithoutDevice(int& X, int& Y) const {
  if (!GetBuffer() || !TwoSide() || HandlersDraw() || OnUpdateBuffer || !DrawsOnlyItsBuffer()) return false;
  if (ModulationColorValue() != 0xFFFFFFFFu || GetAbsoluteOpacity() != 1.0f) return false;
  return ScreenPlacement(X, Y);
}

void TdxCustomObjectLayer::SetVisible(bool Value) {
  const bool was = Visible();
  inherited::SetVisible(Value);
  if (!was && Visible())
    AddUpdateRect(vg::MakeRect(0, 0, static_cast<float>(BufferWidth()), static_cast<float>(BufferHeight())));
}

void TdxCustomObjectLayer::BeforePaint() {
  const vg::TvxRect all = vg::MakeRect(0, 0, static_cast<float>(BufferWidth()), static_cast<float>(BufferHeight()));
  TdxBitmap* buffer = GetBuffer();
  if (buffer && (buffer->Width() != BufferWidth() || buffer->Height() != BufferHeight())) {
    AddUpdateRect(all);
    // The buffer takes its size now (as the buffer layer would next), so the canvas goes onto
    // its new pixels at once.
    buffer->SetSize(BufferWidth(), BufferHeight());
    if (BufferWidth() > 0 && BufferHeight() > 0) RealignRoot();
  }
  if (DrawIntoBuffer()) AddUpdateRect(all);
  inherited::BeforePaint();
}

void TdxCustomObjectLayer::TBufferWatch::DestroyBitmapHandle(TdxBitmap& Bitmap) {
  // The pixels go: the canvas takes a pixel of its own until it is put on the new ones.
  if (layer_.canvas_ && layer_.canvas_->BufferBits() == Bitmap.Bits() && !layer_.canvas_->OwnsBuffer())
    layer_.canvas_->SetBufferBits(nullptr, 1, 1);
}

bool TdxCustomObjectLayer::DrawIntoBuffer() {
  TdxBitmap* buffer = GetBuffer();
  if (buffer != watched_) {
    if (watched_) watched_->RemoveCanvas(&bufferWatch_);
    watched_ = buffer;
    if (buffer) buffer->AddCanvas(&bufferWatch_);
  }
  if (!canvas_ || !buffer) return false;
  std::uint32_t* bits = nullptr;
  // Only the address is taken here: nothing is written, so nothing is marked for upload.
  if (!buffer->Map(bits, false)) bits = nullptr;
  if (!bits) {
    // No pixels: the canvas keeps one of its own (text is still measured with it).
    if (!canvas_->OwnsBuffer()) canvas_->SetBufferBits(nullptr, 1, 1);
    return false;
  }
  if (canvas_->BufferBits() == bits && canvas_->Width() == buffer->Width() && canvas_->Height() == buffer->Height())
    return false;
  try {
    canvas_->SetBufferBits(bits, buffer->Width(), buffer->Height());
  } catch (const rtl::Exception&) {
    // A canvas that cannot draw there paints into pixels of its own, copied into the buffer.
    canvas_->SetBufferBits(nullptr, buffer->Width(), buffer->Height());
  }
  return true;
}

void TdxCustomObjectLayer::Render() {
  UpdateBuffer();
  inherited::Render();
}

void TdxCustomObjectLayer::UpdateBuffer() {
  if (!GetBuffer() || updateRects_.empty() || painting_) return;
  if (DrawIntoBuffer())
    AddUpdateRect(vg::MakeRect(0, 0, static_cast<float>(BufferWidth()), static_cast<float>(BufferHeight())));
  std::vector<vg::TvxRect> painted = updateRects_;
  vg::MergeUpdateRects(painted, static_cast<size_t>(MaxLayerUpdateRects));
  PaintObjects();
  BufferPainted(painted);
}

void TdxCustomObjectLayer::BufferPainted(const std::vector<vg::TvxRect>& Rects) {
  TdxBitmap* buffer = GetBuffer();
  const std::uint32_t* src = canvas_ ? canvas_->BufferBits() : nullptr;
  if (!buffer || !src) return;
  const int w = std::min(buffer->Width(), canvas_->Width());
  const int h = std::min(buffer->Height(), canvas_->Height());
  std::uint32_t* bits = nullptr;
  if (!buffer->Map(bits, true)) return;
  // The canvas drew into the buffer itself, unless it could not be put there.
  const bool copy = src != bits;
  const int sw = canvas_->Width(), dw = buffer->Width();
  // The bounds of what was painted: only that part of the texture is uploaded again.
  int left = w, top = h, right = 0, bottom = 0;
  for (const vg::TvxRect& r : Rects) {
    const int l = std::clamp(PixelFloor(r.Left), 0, w);
    const int t = std::clamp(PixelFloor(r.Top), 0, h);
    const int rr = std::clamp(PixelCeil(r.Right), 0, w);
    const int b = std::clamp(PixelCeil(r.Bottom), 0, h);
    if (rr <= l || b <= t) continue;
    for (int y = t; copy && y < b; ++y)
      std::memcpy(bits + static_cast<size_t>(y) * static_cast<size_t>(dw) + static_cast<size_t>(l),
                  src + static_cast<size_t>(y) * static_cast<size_t>(sw) + static_cast<size_t>(l),
                  static_cast<size_t>(rr - l) * 4);
    left = std::min(left, l);
    top = std::min(top, t);
    right = std::max(right, rr);
    bottom = std::max(bottom, b);
  }
  buffer->UnmapRect(left, top, right, bottom);
}

void TdxCustomObjectLayer::PaintObjects() {
  if (painting_ || updateRects_.empty()) return;
  painting_ = true;
  struct TDone {
    TdxCustomObjectLayer* Layer;
    ~TDone() {
      Layer->updateRects_.clear();
      Layer->painting_ = false;
    }
  } done{this};
  vg::MergeUpdateRects(updateRects_, static_cast<size_t>(MaxLayerUpdateRects));
  vg::TvxCanvas* c = canvas_.get();
  if (!c || !c->BeginScene()) return;
  c->ResetClipRect();
  c->SetMatrix(vg::IdentityMatrix);
  c->SetClipRects(updateRects_);
  const bool clearOnly =
      fill_->Style() == vg::vgBrushNone || (fill_->Style() == vg::vgBrushSolid && (fill_->Color() >> 24) == 0);
  if (clearOnly) {
    // Premultiplied pixels: transparent is all zero, whatever colour the brush keeps.
    for (const vg::TvxRect& r : updateRects_) c->ClearRect(r, 0);
  } else {
    c->Fill()->Assign(fill_.get());
    c->FillRect(vg::MakeRect(-1, -1, static_cast<float>(BufferWidth()) + 1, static_cast<float>(BufferHeight()) + 1), 0,
                0, vg::AllCorners, 1.0f, vg::vgCornerRound);
  }
  PaintRoots(c, false);
  c->EndScene();
}

// ---- input --------------------------------------------------------------------------------------------

bool TdxCustomObjectLayer::RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) {
  TdxVector hit = Hit;
  if (!inherited::RayCastIntersect(RayPos, RayDir, hit)) return false;
  if (designTime_ || !Scene() || Scene()->GetCaptured() == this || allowDrag_) {
    Hit = hit;
    return true;
  }
  float x = 0, y = 0;
  if (!HitToBuffer(hit, x, y) || !ObjectAtPoint(x, y)) return false;
  Hit = hit;
  return true;
}

void TdxCustomObjectLayer::LayerMouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TdxFreeWatch watch(this);
  inherited::LayerMouseDown(Button, Shift, X, Y);
  if (watch.Gone()) return;
  if (Scene() && !Scene()->GetDesignTime() && !designTime_) SetFocus();
  if (watch.Gone()) return;
  downPos_ = vg::MakePoint(X, Y);
  mousePos_ = DesignSnapped(vg::MakePoint(X, Y));
  dragStartPos_ = mousePos_;
  if (designTime_) {
    Designer().Press(Button, Shift, downPos_);
    return;
  }
  // Only the left button moves or sizes the window, as the scene's own press on empty space
  // does: another button on a size grip or on empty space does nothing.
  vg::TvxVisualObject* o = ObjectAtPoint(mousePos_.X, mousePos_.Y);
  if (o && dynamic_cast<vg::IvxSizeGrip*>(o)) {
    if (Button == rtl::mbLeft) BeginWindowResize();
    return;
  }
  if (o) {
    const vg::TvxPoint p = o->AbsoluteToLocal(mousePos_);
    vg::TvxFreeWatch alive(o);
    o->MouseDown(Button, Shift, p.X, p.Y);
    if (!alive.Gone() && o->DragMode() == vg::vgDragAutomatic) o->BeginAutoDrag();
    return;
  }
  if (allowDrag_ && Button == rtl::mbLeft) BeginWindowDrag();
}

void TdxCustomObjectLayer::LayerMouseMove(rtl::TShiftState Shift, float X, float Y) {
  TdxFreeWatch watch(this);
  inherited::LayerMouseMove(Shift, X, Y);
  if (watch.Gone()) return;
  rtl::TCursor cursor = defaultCursor_;
  if (moving_) {
    // The press point stays under the pointer: the travel in buffer pixels is a travel in the
    // layer's plane, on the screen its X-Y plane (one unit a pixel), through the camera its
    // X-Z plane (the buffer's rows run against Z).
    TdxVector d{X - dragStartPos_.X, Y - dragStartPos_.Y, 0, 0};
    if (!ScreenSpace())
      d = {d.X * Width() / static_cast<float>(std::max(BufferWidth(), 1)), 0,
           -d.Y * Depth() / static_cast<float>(std::max(BufferHeight(), 1)), 0};
    d = InParent(d);
    Position()->SetPoint(
        {Position()->X() + d.X, Position()->Y() + d.Y, Position()->Z() + (ScreenSpace() ? 0.0f : d.Z)});
    return;
  }
  if (resizing_) {
    resizeSize_.X += X - mousePos_.X;
    resizeSize_.Y += Y - mousePos_.Y;
    mousePos_ = vg::MakePoint(X, Y);
    if (!ScreenSpace()) {
      // Through the camera the buffer keeps its pixels a unit: Width and Depth take the size
      // in whole pixels, and the corner at -X, +Z (the buffer's first pixel) stays where it
      // is, turned or not.
      const float r = static_cast<float>(std::max(Resolution(), 1));
      SetWidth(std::max(static_cast<float>(dxRoundPixels(resizeSize_.X)), 1.0f) / r);
      SetDepth(std::max(static_cast<float>(dxRoundPixels(resizeSize_.Y)), 1.0f) / r);
      const TdxVector c = InParent({-Width() / 2, 0, Depth() / 2, 0});
      Position()->SetPoint({resizeCorner_.X - c.X, resizeCorner_.Y - c.Y, resizeCorner_.Z - c.Z});
      return;
    }
    SetWidth(static_cast<float>(dxRoundPixels(resizeSize_.X)));
    SetHeight(static_cast<float>(dxRoundPixels(resizeSize_.Y)));
    if (Position()->X() - Width() / 2 != resizeOrigin_.X) Position()->SetX(Width() / 2 + resizeOrigin_.X);
    if (Position()->Y() - Height() / 2 != resizeOrigin_.Y) Position()->SetY(Height() / 2 + resizeOrigin_.Y);
    return;
  }
  downPos_ = vg::MakePoint(X, Y);
  mousePos_ = DesignSnapped(vg::MakePoint(X, Y));
  if (designTime_) {
    Designer().Move(Shift, downPos_);
    if (watch.Gone()) return;
    dragStartPos_ = mousePos_;
    return;
  }
  if (vg::TvxVisualObject* c = captured_) {
    const vg::TvxPoint p = c->AbsoluteToLocal(mousePos_);
    c->MouseMove(Shift, p.X, p.Y, 0, 0);
    return;
  }
  vg::TvxVisualObject* o = ObjectAtPoint(mousePos_.X, mousePos_.Y);
  if (o) {
    cursor = dynamic_cast<vg::IvxSizeGrip*>(o) ? win::crSizeNWSE : o->Cursor();
    vg::TvxFreeWatch alive(o);
    SetHovered(o);
    if (watch.Gone()) return;
    if (!alive.Gone()) {
      const vg::TvxPoint p = o->AbsoluteToLocal(mousePos_);
      o->MouseMove(Shift, p.X, p.Y, 0, 0);
    }
  } else {
    SetHovered(nullptr);
  }
  if (watch.Gone()) return;
  dragStartPos_ = mousePos_;
  SetCursor(cursor);
}

void TdxCustomObjectLayer::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y,
                                   const TdxVector& RayPos, const TdxVector& RayDir) {
  released_ = false;
  TdxFreeWatch watch(this);
  inherited::MouseUp(Button, Shift, X, Y, RayPos, RayDir);
  if (!watch.Gone() && !released_) EndPress(Button, Shift);
}

void TdxCustomObjectLayer::LayerMouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  released_ = true;
  TdxFreeWatch watch(this);
  inherited::LayerMouseUp(Button, Shift, X, Y);
  if (!watch.Gone()) EndPress(Button, Shift);
}

void TdxCustomObjectLayer::EndPress(rtl::TMouseButton Button, rtl::TShiftState Shift) {
  moving_ = resizing_ = false;
  if (designTime_) {
    Designer().Release();
    return;
  }
  vg::TvxVisualObject* o = captured_ ? captured_ : ObjectAtPoint(mousePos_.X, mousePos_.Y);
  if (!o) return;
  const vg::TvxPoint p = o->AbsoluteToLocal(mousePos_);
  o->MouseUp(Button, Shift, p.X, p.Y);
}

void TdxCustomObjectLayer::MouseWheel(rtl::TShiftState Shift, int WheelDelta, bool& Handled) {
  TdxFreeWatch watch(this);
  inherited::MouseWheel(Shift, WheelDelta, Handled);
  if (watch.Gone() || designTime_) return;
  RouteWheel(Shift, WheelDelta, Handled);
}

void TdxCustomObjectLayer::KeyDown(std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
  if (focused_) focused_->KeyDown(Key, KeyChar, Shift);
}

void TdxCustomObjectLayer::KeyUp(std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
  // A designed scene hands Delete to the layer through its selection (DesignDeleteInside),
  // whether the layer has the focus or not; only elsewhere does the focus bring it here.
  if (designTime_ && !InDesign()) Designer().KeyUp(Key);
  if (focused_) focused_->KeyUp(Key, KeyChar, Shift);
}

bool TdxCustomObjectLayer::DesignDeleteInside() {
  // Only a 2D object below the root is deleted inside: the root never goes (a layer's tree is
  // never left without it), so with the root selected, as with nothing, the layer goes.
  if (!designTime_ || !selected_ || selected_ == GetRoot()) return false;
  // The selected 2D object goes, nothing stays selected, and the layer stays.
  Designer().KeyUp(win::VK_DELETE);
  return true;
}

void TdxCustomObjectLayer::MouseLeave() {
  TdxFreeWatch watch(this);
  inherited::MouseLeave();
  if (!watch.Gone()) SetHovered(nullptr);
}

void TdxCustomObjectLayer::EnterFocus() {
  TdxFreeWatch watch(this);
  inherited::EnterFocus();
  if (watch.Gone()) return;
  // A 2D object that took the focus brought the layer its focus: it keeps it. Only a layer
  // focused for itself gives the focus to the first control of its tab order.
  if (GetFocused()) return;
  vg::TvxObject* root = GetRoot();
  if (!root || !root->Visual()) return;
  std::vector<vg::TvxVisualObject*> list;
  root->Visual()->GetTabOrderList(list, true);
  for (vg::TvxVisualObject* c : list)
    if (c && c->GetParentedVisible() && c->CanFocused()) {
      c->SetFocus();
      return;
    }
}

void TdxCustomObjectLayer::CollectVisibleObjects(std::vector<TdxTabEntry>& List) {
  if (!Visible()) return;
  inherited::CollectVisibleObjects(List);
  vg::TvxObject* root = GetRoot();
  if (!root || !root->Visual()) return;
  std::vector<vg::TvxVisualObject*> flat;
  root->Visual()->GetTabOrderList(flat, true);
  for (vg::TvxVisualObject* c : flat)
    if (c) List.push_back({this, c});
}

void TdxCustomObjectLayer::KillFocus() {
  TdxFreeWatch watch(this);
  inherited::KillFocus();
  if (!watch.Gone()) SetFocused(nullptr);
}

bool TdxCustomObjectLayer::ClientToBuffer(float X, float Y, float& BX, float& BY) {
  TdxCanvas* canvas = TdxVisualObject::GetCanvas();
  if (!canvas) return false;
  TdxVector pos, dir;
  canvas->PickRay(ScreenSpace(), X, Y, pos, dir);
  const TdxVector localPos = AbsoluteToLocal(pos);
  const TdxVector localDir = dxVectorNormalize(AbsoluteToLocalVector({dir.X, dir.Y, dir.Z, 0}));
  TdxVector hit;
  if (!TdxCustomBufferLayer::RayCastIntersect(localPos, localDir, hit)) return false;
  return HitToBuffer(hit, BX, BY);
}

bool TdxCustomObjectLayer::HintShow(TdxHintInfo& Info) {
  float x = 0, y = 0;
  if (!ClientToBuffer(static_cast<float>(Info.CursorX), static_cast<float>(Info.CursorY), x, y)) return false;
  vg::TvxVisualObject* o = ObjectAtPoint(x, y);
  if (!o || !o->ShowHint()) return false;
  Info.HintStr = o->Hint();
  // The hint holds while the pointer stays over the object as it shows in the host's client
  // area: the bounds of its corners there (the object itself on a layer lying one to one on
  // the screen).
  float left = 0, top = 0, right = 0, bottom = 0;
  for (int i = 0; i < 4; ++i) {
    const vg::TvxPoint corner = o->LocalToAbsolute(vg::MakePoint(i % 2 ? o->Width() : 0, i / 2 ? o->Height() : 0));
    const TdxVector c = BufferToClient(corner);
    left = i ? std::min(left, c.X) : c.X;
    top = i ? std::min(top, c.Y) : c.Y;
    right = i ? std::max(right, c.X) : c.X;
    bottom = i ? std::max(bottom, c.Y) : c.Y;
  }
  Info.Left = static_cast<int>(std::trunc(left));
  Info.Top = static_cast<int>(std::trunc(top));
  Info.Right = static_cast<int>(std::trunc(right));
  Info.Bottom = static_cast<int>(std::trunc(bottom));
  Info.HintData = static_cast<rtl::TComponent*>(o);
  return true;
}

bool TdxCustomObjectLayer::TextInput(TdxTextInputInfo& Info) {
  auto* input = dynamic_cast<vg::IvxTextInput*>(focused_);
  if (!input) return false;
  if (vg::TvxFont* font = input->GetCompositionFont()) Info.Font = vg::CompositionFontOf(*font);
  // The composition point in buffer pixels, where it shows in the host's client area.
  const TdxVector a = BufferToClient(focused_->LocalToAbsolute(input->GetCompositionPoint()));
  Info.X = a.X;
  Info.Y = a.Y;
  return true;
}

vg::TvxDragObject TdxCustomObjectLayer::Drag2D(const TdxDragObject& Data) const {
  vg::TvxDragObject d;
  // A drag a 2D object started is carried by the host with that object as its source.
  d.Source = Data.Source;
  for (const std::string& f : Data.Files) d.Files.push_back(rtl::Utf8ToWide(f));
  d.Data = Data.Data;
  return d;
}

void TdxCustomObjectLayer::DragOver(const TdxDragObject& Data, const TdxVector& Point, bool& Accept) {
  TdxFreeWatch watch(this);
  inherited::DragOver(Data, Point, Accept);
  if (watch.Gone() || Accept) return;
  const TdxVector a = LocalToAbsolute(Point);
  float x = 0, y = 0;
  if (!ClientToBuffer(a.X, a.Y, x, y)) return;
  const vg::TvxDragObject d = Drag2D(Data);
  const vg::TvxPoint p = vg::MakePoint(x, y);
  vg::TvxObject* root = GetRoot();
  vg::TvxVisualObject* target = root && root->Visual() ? root->Visual()->FindTarget(p, d) : nullptr;
  if (target != dropTarget2D) {
    if (vg::TvxVisualObject* old = dropTarget2D) {
      dropTarget2D = nullptr;
      old->DragLeave();
    }
    dropTarget2D = target;
    if (target) target->DragEnter(d, p);
  }
  Accept = target != nullptr;
}

void TdxCustomObjectLayer::DragDrop(const TdxDragObject& Data, const TdxVector& Point) {
  TdxFreeWatch watch(this);
  inherited::DragDrop(Data, Point);
  if (watch.Gone()) return;
  const TdxVector a = LocalToAbsolute(Point);
  float x = 0, y = 0;
  if (!ClientToBuffer(a.X, a.Y, x, y)) return;
  if (vg::TvxVisualObject* t = dropTarget2D) {
    const vg::TvxDragObject d = Drag2D(Data);
    const vg::TvxPoint p = vg::MakePoint(x, y);
    vg::TvxFreeWatch alive(t);
    t->DragLeave();
    if (!alive.Gone()) t->DragDrop(d, p);
  }
  dropTarget2D = nullptr;
}

// ---- IvxScene: capture, focus, window moves -----------------------------------------------------------

void TdxCustomObjectLayer::SetCaptured(vg::TvxVisualObject* Value) {
  captured_ = Value;
  IdxScene* s = Scene();
  if (!s) return;
  if (Value)
    s->SetCaptured(this);
  else if (s->GetCaptured() == this)
    s->SetCaptured(nullptr);
}

void TdxCustomObjectLayer::BeginWindowDrag() {
  IdxScene* s = Scene();
  if (LayerAlign() == dxLayerContents && s)
    if (auto* scene = dynamic_cast<TdxScene*>(s->GetComponent()); scene && scene->AllowDrag()) scene->BeginWindowDrag();
  moving_ = true;
  dragStartPos_ = mousePos_;
  if (s) s->SetCaptured(this);
}

void TdxCustomObjectLayer::BeginWindowResize() {
  IdxScene* s = Scene();
  const TdxLayerAlign a = LayerAlign();
  if (s && (a == dxLayerRight || a == dxLayerBottom || a == dxLayerMostBottom || a == dxLayerMostRight ||
            a == dxLayerContents))
    if (auto* scene = dynamic_cast<TdxScene*>(s->GetComponent())) scene->BeginWindowResize();
  resizing_ = true;
  dragStartPos_ = mousePos_;
  resizeOrigin_ = vg::MakePoint(static_cast<float>(dxRoundPixels(Position()->X() - Width() / 2)),
                                static_cast<float>(dxRoundPixels(Position()->Y() - Height() / 2)));
  resizeSize_ = vg::MakePoint(Width(), Height());
  // Through the camera: the size in buffer pixels, and the corner at -X, +Z in the parent's space.
  if (!ScreenSpace()) {
    resizeCorner_ = dxVectorAdd(Position()->Vector(), InParent({-Width() / 2, 0, Depth() / 2, 0}));
    resizeSize_ = vg::MakePoint(static_cast<float>(BufferWidth()), static_cast<float>(BufferHeight()));
  }
  if (s) s->SetCaptured(this);
}

TdxVector TdxCustomObjectLayer::BufferToClient(const vg::TvxPoint& P) const {
  // On the screen a buffer pixel is a unit of the layer's X-Y plane; through the camera the
  // buffer spreads over its X-Z plane, the buffer's rows running from the far edge (+Z) on, as
  // a press is taken into the buffer.
  TdxVector local{P.X - Width() / 2, P.Y - Height() / 2, 0, 1};
  if (!ScreenSpace()) {
    const float bw = static_cast<float>(std::max(BufferWidth(), 1));
    const float bh = static_cast<float>(std::max(BufferHeight(), 1));
    local = {P.X / bw * Width() - Width() / 2, 0, Depth() / 2 - P.Y / bh * Depth(), 1};
  }
  const TdxVector a = LocalToAbsolute(local);
  if (IdxScene* s = Scene(); s && s->GetCanvas()) return s->GetCanvas()->ClientPoint(ScreenSpace(), a);
  return a;
}

TdxVector TdxCustomObjectLayer::InParent(const TdxVector& V) const {
  const TdxVector a = LocalToAbsoluteVector({V.X, V.Y, V.Z, 0});
  if (auto* parent = dynamic_cast<TdxVisualObject*>(Parent())) return parent->AbsoluteToLocalVector(a);
  return a;
}

vg::TvxPoint TdxCustomObjectLayer::LocalToScreen(const vg::TvxPoint& P) {
  const TdxVector a = BufferToClient(P);
  const float x = static_cast<float>(dxRoundPixels(a.X)), y = static_cast<float>(dxRoundPixels(a.Y));
  int sx = static_cast<int>(x), sy = static_cast<int>(y);
  if (IdxScene* s = Scene()) s->ClientToScreen(x, y, sx, sy);
  return vg::MakePoint(static_cast<float>(sx), static_cast<float>(sy));
}

void TdxCustomObjectLayer::BeginVCLDrag(vg::TvxVisualObject* Obj) {
  // The 3D host carries the 2D object itself, so every object the drag passes over, 2D or
  // 3D, sees it as the source, and its drag's end reaches it from the host.
  IdxScene* s = Scene();
  if (!s || !Obj) return;
  s->BeginVCLDrag(Obj);
}

// ---- GUI layer ----------------------------------------------------------------------------------------

TdxGUIObjectLayer::TdxGUIObjectLayer(rtl::TComponent* AOwner) : TdxCustomObjectLayer(AOwner) {
  SetProjection(dxProjectionScreen);
  SetWidth(256);
  SetHeight(256);
  SetZWrite(false);
}

}  // namespace dx
