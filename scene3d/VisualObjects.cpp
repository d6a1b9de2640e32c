// The 3D visual object: its published properties, tree hooks, matrices, look, size, painting,
// physics body and stream. Its input and hit tests are in VisualObjectsInput.cpp.
#include "scene3d/VisualObjects.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>

#include "platform/rtl/Filer.h"
#include "scene3d/Canvas.h"
#include "scene3d/ValueText.h"
#include "vg2d/core/Geometry.h"
#include "vg2d/core/VisualObjects.h"

namespace dx {

rtl::TClass TdxVisualObject::StaticClass() {
  using V = TdxVisualObject;
  static const rtl::TClassInfo info =
      rtl::DefineClass<V>()
          .Property("IsMouseOver", &V::IsMouseOver)
          .Stored(false)
          .Property("IsFocused", &V::IsFocused)
          .Stored(false)
          .Property("IsDragOver", &V::IsDragOver)
          .Stored(false)
          .Property("IsVisible", &V::Visible)
          .Stored(false)
          .Property("Cursor", &V::Cursor, &V::SetCursor)
          .Default(0)
          .Property("DragMode", &V::DragMode, &V::SetDragMode)
          .Default(dxDragManual)
          .Property("DragDisableHighlight", &V::DragDisableHighlight, &V::SetDragDisableHighlight)
          .Default(false)
          .Property("DesignHide", &V::DesignHide, &V::SetDesignHide)
          .Default(false)
          .Property("Hint", &V::Hint, &V::SetHint)
          .Property("ShowHint", &V::ShowHint, &V::SetShowHint)
          .Default(false)
          .Property("Position", &V::Position, &V::SetPosition)
          .Property("Scale", &V::Scale, &V::SetScale)
          .Property("RotateAngle", &V::RotateAngle, &V::SetRotateAngle)
          // The sizes are always written: most classes start with sizes of their own, and a
          // size left out as a default would read back as the class's.
          .Property("Width", &V::Width, &V::SetWidth)
          .NoDefault()
          .Property("Height", &V::Height, &V::SetHeight)
          .NoDefault()
          .Property("Depth", &V::Depth, &V::SetDepth)
          .NoDefault()
          .Property("Opacity", &V::Opacity, &V::SetOpacity)
          .NoDefault()
          .Property("HitTest", &V::HitTest, &V::SetHitTest)
          .Default(true)
          .Property("Locked", &V::Locked, &V::SetLocked)
          .Default(false)
          .Property("TwoSide", &V::TwoSide, &V::SetTwoSide)
          .Default(false)
          .Property("Visible", &V::Visible, &V::SetVisible)
          .Default(true)
          .Property("ZWrite", &V::ZWrite, &V::SetZWrite)
          .Default(true)
          .Event("OnMouseUp", &V::OnMouseUp)
          .Event("OnMouseDown", &V::OnMouseDown)
          .Event("OnMouseMove", &V::OnMouseMove)
          .Event("OnMouseWheel", &V::OnMouseWheel)
          .Event("OnClick", &V::OnClick)
          .Event("OnDblClick", &V::OnDblClick)
          .Event("OnCollision", &V::OnCollision)
          .Event("OnKeyUp", &V::OnKeyUp)
          .Event("OnKeyDown", &V::OnKeyDown)
          .Event("OnPaint", &V::OnPaint)
          .Event("OnBeforePaint", &V::OnBeforePaint)
          .Event("OnDragEnter", &V::OnDragEnter)
          .Event("OnDragDrop", &V::OnDragDrop)
          .Event("OnDragEnd", &V::OnDragEnd)
          .Event("OnDragLeave", &V::OnDragLeave)
          .Event("OnDragOver", &V::OnDragOver)
          .Build();
  return &info;
}

TdxVisualObject::TdxVisualObject(rtl::TComponent* AOwner)
    : TdxObject(AOwner),
      position_(std::make_unique<TdxPosition>()),
      scale_(std::make_unique<TdxPosition>(TdxPoint3D{1, 1, 1})),
      rotateAngle_(std::make_unique<TdxPosition>()),
      velocity_(std::make_unique<TdxPosition>()),
      margins_(std::make_unique<TdxBounds>()),
      padding_(std::make_unique<TdxBounds>()) {
  position_->OnChange = [this](rtl::TObject*) { RecalcMatrix(); };
  scale_->OnChange = [this](rtl::TObject*) { RecalcMatrix(); };
  rotateAngle_->OnChangeX = [this](rtl::TObject*) { RotateAxis(0); };
  rotateAngle_->OnChangeY = [this](rtl::TObject*) { RotateAxis(1); };
  rotateAngle_->OnChangeZ = [this](rtl::TObject*) { RotateAxis(2); };
  // Setting the three angles at once (a stream, Assign) turns by each change in turn.
  rotateAngle_->OnChange = [this](rtl::TObject*) { RotateChanged(); };
  margins_->OnChange = [this](rtl::TObject*) { Realign(); };
  padding_->OnChange = [this](rtl::TObject*) { PaddingChanged(); };
}

TdxVisualObject::~TdxVisualObject() = default;

void TdxVisualObject::BeforeDestruction() {
  // The tree goes first (the host hears of the subtree); the body goes while the host lives.
  DestroyBody();
  if (popupMenu_) RemoveFreeNotification(popupMenu_);
  popupMenu_ = nullptr;
  inherited::BeforeDestruction();
}

void TdxVisualObject::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == rtl::opRemove && AComponent == popupMenu_) popupMenu_ = nullptr;
}

void TdxVisualObject::SetPopupMenu(rtl::TComponent* Value) {
  if (Value == popupMenu_) return;
  if (popupMenu_) RemoveFreeNotification(popupMenu_);
  popupMenu_ = Value;
  if (popupMenu_) FreeNotification(popupMenu_);
}

TdxVisualObject* TdxVisualObject::VisualParent() const { return dynamic_cast<TdxVisualObject*>(Parent()); }

// ---- tree hooks -----------------------------------------------------------------------------------

void TdxVisualObject::ChildAdded(TdxObject* Child) {
  auto* v = dynamic_cast<TdxVisualObject*>(Child);
  if (v && projection_ == dxProjectionScreen) v->SetProjection(dxProjectionScreen);
  if (v) {
    // It has a new parent: its matrix and opacity come from this object now.
    v->InvalidateMatrix();
    v->InvalidateOpacity();
    if (v->align_ != dxNone) AlignedChildComes(v);
  }
  if (IsLoading()) return;
  InvalidateMatrix();
  Realign();
  Repaint();
}

void TdxVisualObject::ChildRemoved(TdxObject* Child) {
  if (auto* v = dynamic_cast<TdxVisualObject*>(Child)) {
    v->InvalidateMatrix();
    v->InvalidateOpacity();
  }
  if (IsDestroying()) return;
  Realign();
  Repaint();
}

// ---- matrices ---------------------------------------------------------------------------------------

void TdxVisualObject::RotateAxis(int Axis) {
  static const TdxVector axes[3] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
  TdxPosition& r = *rotateAngle_;
  const float now[3] = {r.X(), r.Y(), r.Z()};
  const float before[3] = {r.Saved().X, r.Saved().Y, r.Saved().Z};
  const float change = dxNormalizeAngle(now[Axis] - before[Axis]);
  // An angle that is no number turns nothing: the orientation stays as it was.
  if (change != 0 && std::isfinite(change)) {
    // X and Z turn the other way round from Y, as the designer's handles expect.
    const float angle = Axis == 1 ? change : -change;
    quaternion_ = dxQuaternionMultiply(quaternion_, dxQuaternionFromAxisAngle(axes[Axis], angle));
    RecalcMatrix();
  }
  // Keep the angle in range and note it as the point of the next change; twice, so that
  // Saved ends up equal to the point.
  TdxPoint3D p = r.Point();
  float* c = Axis == 0 ? &p.X : Axis == 1 ? &p.Y : &p.Z;
  *c = dxNormalizeAngle(*c);
  r.SetPointNoChange(p);
  r.SetPointNoChange(p);
}

void TdxVisualObject::RotateChanged() {
  // SetPoint moved the old point to Saved; turn by each coordinate's change in turn. The
  // order is fixed (X, Y, Z), so a whole point gives one orientation.
  TdxPosition& r = *rotateAngle_;
  const TdxVector before = r.Saved();
  const TdxPoint3D after = r.Point();
  TdxPoint3D step{before.X, before.Y, before.Z};
  float* coords[3] = {&step.X, &step.Y, &step.Z};
  const float targets[3] = {after.X, after.Y, after.Z};
  for (int axis = 0; axis < 3; ++axis) {
    r.SetPointNoChange(step);
    r.SetPointNoChange(step);
    *coords[axis] = targets[axis];
    r.SetPointNoChange(step);  // Saved: the point before this axis turned
    RotateAxis(axis);
    step = r.Point();
  }
}

void TdxVisualObject::SetQuaternion(const TdxQuaternion& Value) {
  quaternion_ = Value;
  RecalcMatrix();
}

void TdxVisualObject::RecalcMatrix() {
  TdxVector dir{0, 0, 1, 0}, up{0, 1, 0, 0};
  if (rotateAngle_->IsEmpty()) {
    quaternion_ = IdentityQuaternion;
    rotateAngle_->SetPointNoChange({0, 0, 0});
  } else {
    const TdxMatrix r = dxQuaternionToMatrix(quaternion_);
    dir = dxVectorTransform(dir, r);
    up = dxVectorTransform(up, r);
  }
  const TdxVector right = dxVectorCross(up, dir);
  const float sx = scale_->X(), sy = scale_->Y(), sz = scale_->Z();
  localMatrix_ = {{{right.X * sx, right.Y * sx, right.Z * sx, 0},
                   {up.X * sy, up.Y * sy, up.Z * sy, 0},
                   {dir.X * sz, dir.Y * sz, dir.Z * sz, 0},
                   {position_->X(), position_->Y(), position_->Z(), 1}}};
  InvalidateMatrix();
  if (dynamic_ && body_)
    if (TdxPhysics* engine = Engine()) engine->SetBodyMatrix(body_, GetAbsoluteMatrix());
  Repaint();
}

void TdxVisualObject::InvalidateMatrix() {
  matrixInvalid_ = true;
  for (int i = 0; i < ChildrenCount(); ++i)
    if (auto* v = dynamic_cast<TdxVisualObject*>(Children(i))) v->InvalidateMatrix();
}

const TdxMatrix& TdxVisualObject::GetAbsoluteMatrix() const {
  if (!matrixInvalid_) return absoluteMatrix_;
  const TdxVisualObject* parent = VisualParent();
  absoluteMatrix_ = parent ? dxMatrixMultiply(localMatrix_, parent->GetAbsoluteMatrix()) : localMatrix_;
  matrixInvalid_ = false;
  if (collider_ && body_)
    if (TdxPhysics* engine = Engine()) engine->SetBodyMatrix(body_, absoluteMatrix_);
  return absoluteMatrix_;
}

void TdxVisualObject::SetAbsoluteMatrix(const TdxMatrix& Value) {
  absoluteMatrix_ = Value;
  matrixInvalid_ = false;
}

TdxMatrix TdxVisualObject::GetInverseAbsoluteMatrix() const {
  TdxMatrix m = GetAbsoluteMatrix();
  dxMatrixInvert(m);
  return m;
}

TdxVector TdxVisualObject::AbsoluteToLocal(const TdxVector& Point) const {
  return dxVectorTransform({Point.X, Point.Y, Point.Z, 1}, GetInverseAbsoluteMatrix());
}

TdxVector TdxVisualObject::LocalToAbsolute(const TdxVector& Point) const {
  return dxVectorTransform({Point.X, Point.Y, Point.Z, 1}, GetAbsoluteMatrix());
}

TdxVector TdxVisualObject::AbsoluteToLocalVector(const TdxVector& V) const {
  TdxVector r = dxVectorTransform(V, GetInverseAbsoluteMatrix());
  r.W = V.W;
  return r;
}

TdxVector TdxVisualObject::LocalToAbsoluteVector(const TdxVector& V) const {
  TdxVector r = dxVectorTransform(V, GetAbsoluteMatrix());
  r.W = V.W;
  return r;
}

namespace {
TdxVector Row(const TdxMatrix& M, int R, float W) { return {M.M[R][0], M.M[R][1], M.M[R][2], W}; }
}  // namespace

TdxVector TdxVisualObject::AbsoluteRight() const { return Row(GetAbsoluteMatrix(), 0, 0); }
TdxVector TdxVisualObject::AbsoluteUp() const { return Row(GetAbsoluteMatrix(), 1, 0); }
TdxVector TdxVisualObject::AbsoluteDirection() const { return Row(GetAbsoluteMatrix(), 2, 0); }
TdxVector TdxVisualObject::AbsolutePosition() const { return Row(GetAbsoluteMatrix(), 3, 1); }

// ---- opacity, visibility, look -------------------------------------------------------------------------

void TdxVisualObject::SetOpacity(float Value) {
  if (std::isnan(Value)) return;
  Value = std::clamp(Value, 0.0f, 1.0f);
  if (Value == opacity_) return;
  opacity_ = Value;
  InvalidateOpacity();
  Repaint();
}

float TdxVisualObject::GetAbsoluteOpacity() const {
  if (!opacityInvalid_) return absoluteOpacity_;
  const TdxVisualObject* parent = VisualParent();
  absoluteOpacity_ = parent ? opacity_ * parent->GetAbsoluteOpacity() : opacity_;
  opacityInvalid_ = false;
  return absoluteOpacity_;
}

void TdxVisualObject::InvalidateOpacity() {
  opacityInvalid_ = true;
  for (int i = 0; i < ChildrenCount(); ++i)
    if (auto* v = dynamic_cast<TdxVisualObject*>(Children(i))) v->InvalidateOpacity();
}

void TdxVisualObject::SetVisible(bool Value) {
  if (Value == visible_) return;
  // Hiding takes the object off the screen as showing puts it there: either needs a frame
  // (asked for while the object is visible, the only time it asks).
  if (!Value) Repaint();
  visible_ = Value;
  if (!visible_) return;
  Repaint();
  if (IsLayer() && LayerAlign() != dxLayerNone && !IsLoading())
    if (TdxVisualObject* parent = VisualParent()) parent->Realign();
  StartTriggerAnimation(this, "IsVisible");
}

void TdxVisualObject::SetZWrite(bool Value) {
  if (Value == zWrite_) return;
  zWrite_ = Value;
  Repaint();
}

void TdxVisualObject::SetDesignHide(bool Value) {
  if (Value == designHide_) return;
  designHide_ = Value;
  if (InDesign()) Repaint();
}

void TdxVisualObject::SetProjection(TdxProjection Value) {
  projection_ = Value;
  for (int i = 0; i < ChildrenCount(); ++i)
    if (auto* v = dynamic_cast<TdxVisualObject*>(Children(i))) v->SetProjection(Value);
  Repaint();
}

TdxCanvas* TdxVisualObject::GetCanvas() const {
  if (canvas_) return canvas_;
  return Scene() ? Scene()->GetCanvas() : nullptr;
}

void TdxVisualObject::Repaint() {
  IdxScene* s = Scene();
  if (!visible_ || !s || IsDestroying()) return;
  if (s->GetRealTime() && !s->GetDesignTime()) return;
  s->RepaintScene();
}

void TdxVisualObject::RepaintRect(int Left, int Top, int Right, int Bottom) {
  IdxScene* s = Scene();
  if (!visible_ || !s || IsDestroying()) return;
  if (s->GetRealTime() && !s->GetDesignTime()) return;
  s->RepaintSceneRect(Left, Top, Right, Bottom);
}

bool TdxVisualObject::DrawsContent() const {
  // The base class draws nothing itself; a class derived from it may.
  return typeid(*this) != typeid(TdxVisualObject) || HandlersDraw();
}

bool TdxVisualObject::HandlersDraw() const {
  return OnPaint || OnBeforePaint || (isDragOver_ && !dragDisableHighlight_);
}

bool TdxVisualObject::PaintedAsChild() const {
  const bool design = InDesign();
  if (!visible_ && (!design || locked_)) return false;
  if (design && designHide_) return false;
  return std::fabs(scale_->X()) >= MinDrawnScale && std::fabs(scale_->Y()) >= MinDrawnScale &&
         std::fabs(scale_->Z()) >= MinDrawnScale;
}

// ---- size ------------------------------------------------------------------------------------------------

void TdxVisualObject::SetWidth(float Value) {
  if (Value == width_) return;
  width_ = Value;
  if (width_ < 0 && InDesign()) {
    width_ = -width_;
    scale_->SetX(-scale_->X());
  }
  SizeChanged();
}

void TdxVisualObject::SetHeight(float Value) {
  if (Value == height_) return;
  height_ = Value;
  if (height_ < 0 && InDesign()) {
    height_ = -height_;
    scale_->SetY(-scale_->Y());
  }
  SizeChanged();
}

void TdxVisualObject::SetDepth(float Value) {
  if (Value == depth_) return;
  depth_ = Value;
  if (depth_ < 0 && InDesign()) {
    depth_ = -depth_;
    scale_->SetZ(-scale_->Z());
  }
  SizeChanged();
}

void TdxVisualObject::SizeChanged() {
  if (!IsLoading()) {
    if (align_ != dxNone) ParentRealign();
    Realign();
    Repaint();
  }
  if (body_) RemakeBody();
}

void TdxVisualObject::ParentRealign() {
  if (TdxVisualObject* parent = VisualParent()) parent->Realign();
}

void TdxVisualObject::SetAlign(TdxAlign Value) {
  if (Value == align_) return;
  const bool comes = align_ == dxNone;
  align_ = Value;
  if (TdxVisualObject* parent = VisualParent(); parent && comes) parent->AlignedChildComes(this);
  ParentRealign();
}

void TdxVisualObject::PaddingChanged() { ParentRealign(); }

// ---- painting ----------------------------------------------------------------------------------------------------

void TdxVisualObject::ApplyLights() {
  for (int i = 0; i < ChildrenCount(); ++i)
    if (auto* v = dynamic_cast<TdxVisualObject*>(Children(i))) v->ApplyLights();
}

void TdxVisualObject::BeforePaint() { OnBeforePaint(this, GetCanvas()); }

void TdxVisualObject::Paint() {
  TdxCanvas* canvas = GetCanvas();
  if (!canvas) return;
  const bool design = InDesign();
  IdxScene* s = Scene();
  for (int i = 0; i < ChildrenCount(); ++i) {
    auto* c = dynamic_cast<TdxVisualObject*>(Children(i));
    if (!c) continue;
    if (!c->visible_ && (!design || c->locked_)) continue;
    if (design && c->designHide_) continue;
    const TdxPosition& sc = *c->scale_;
    if (std::fabs(sc.X()) >= MinDrawnScale && std::fabs(sc.Y()) >= MinDrawnScale &&
        std::fabs(sc.Z()) >= MinDrawnScale) {
      canvas->SetRenderState(c->zWrite_ ? rsDepthWriteOn : rsDepthWriteOff);
      canvas->SetRenderState(c->projection_ == dxProjectionScreen ? rsScreenSpace : rsCameraSpace);
      canvas->SetRenderState(c->twoSide_ ? rsCullNone : rsCullCCW);
      canvas->SetMatrix(c->GetAbsoluteMatrix());
      c->BeforePaint();
      c->Render();
      c->OnPaint(c, canvas);
      c->AfterPaint();
      c->Paint();
    }
    if (design && s && s->IsDesignSelected(c)) DrawDesignBox(c, canvas, 0xB200CC5A, false);
    if (c->isDragOver_ && !c->dragDisableHighlight_) DrawDesignBox(c, canvas, 0xB2005ACC, true);
  }
}

void TdxVisualObject::DrawDesignBox(TdxVisualObject* Child, TdxCanvas* Canvas, TdxColor Color, bool Filled) {
  Canvas->SetMatrix(Child->GetAbsoluteMatrix());
  Canvas->Material().SetDiffuseColor(Color);
  Canvas->SetRenderState(rsGouraudShading);
  Canvas->SetRenderState(rsDepthWriteOn);
  Canvas->SetRenderState(rsLightingOff);
  Canvas->SetRenderState(rsDiffuseOnly);
  const TdxVector size{Child->width_ + 0.01f, Child->height_ + 0.01f, Child->depth_ + 0.01f, 0};
  if (Filled)
    Canvas->FillCube({0, 0, 0, 1}, size, 0.4f);
  else
    Canvas->DrawCube({0, 0, 0, 1}, size, 0.4f);
}

// ---- physics --------------------------------------------------------------------------------------------------------

TdxPhysics* TdxVisualObject::EngineOf(IdxScene* AScene) {
  if (!AScene || AScene->GetInvisibleAtRuntime()) return nullptr;
  return AScene->GetPhysics(false);
}

void TdxVisualObject::CreateBody() {
  IdxScene* s = Scene();
  if (!s || s->GetDesignTime() || s->GetInvisibleAtRuntime() || body_) return;
  if (!collider_ && !dynamic_) return;
  // The engine is made for the first object that needs a body, never before.
  if (TdxPhysics* engine = s->GetPhysics(true)) body_ = CreateEngineBody(*engine, {width_, height_, depth_, 1});
  if (body_)
    if (TdxPhysics* engine = s->GetPhysics(false)) engine->SetBodyMatrix(body_, GetAbsoluteMatrix());
}

TdxBody TdxVisualObject::CreateEngineBody(TdxPhysics& Engine, const TdxVector& Size) {
  return Engine.CreateBoxBody(this, Size);
}

void TdxVisualObject::SceneChanged(IdxScene* Old) {
  // A body belongs to its host's engine: it never outlives the object's stay there.
  if (body_) {
    if (TdxPhysics* engine = EngineOf(Old)) engine->DestroyBody(body_);
    body_ = 0;
  }
  if (IsDestroying()) return;
  // The matrix kept may be that of the old place.
  InvalidateMatrix();
  CreateBody();
}

void TdxVisualObject::DestroyBody() {
  if (!body_) return;
  if (TdxPhysics* engine = Engine()) engine->DestroyBody(body_);
  body_ = 0;
}

void TdxVisualObject::RecreateBodies() {
  CreateBody();
  for (int i = 0; i < ChildrenCount(); ++i)
    if (auto* v = dynamic_cast<TdxVisualObject*>(Children(i))) v->RecreateBodies();
}

void TdxVisualObject::RemakeBody() {
  IdxScene* s = Scene();
  if (!s || s->GetDesignTime() || s->GetInvisibleAtRuntime()) return;
  DestroyBody();
  CreateBody();
}

void TdxVisualObject::SetDynamic(bool Value) {
  if (Value == dynamic_) return;
  dynamic_ = Value;
  RemakeBody();
}

void TdxVisualObject::SetCollider(bool Value) {
  if (Value == collider_) return;
  collider_ = Value;
  RemakeBody();
}

void TdxVisualObject::DoCollision(TdxVisualObject* Other, const TdxVector& Point, const TdxVector& Normal) {
  OnCollision(this, Other, Point, Normal);
}

void TdxVisualObject::ProcessTick(double Time, float DeltaTime) {
  TdxFreeWatch watch(this);
  inherited::ProcessTick(Time, DeltaTime);
  if (watch.Gone()) return;
  IdxScene* s = Scene();
  if (s && s->GetInvisibleAtRuntime()) return;
  TdxPhysics* engine = Engine();
  if (dynamic_ && body_ && engine) TakeBodyMatrix(*engine);
  const TdxVector v = velocity_->Vector();
  if (v.X != 0 || v.Y != 0 || v.Z != 0) {
    const TdxVector step = LocalToAbsoluteVector({v.X, v.Y, v.Z, 0});
    position_->SetPoint({position_->X() + step.X * DeltaTime, position_->Y() + step.Y * DeltaTime,
                         position_->Z() + step.Z * DeltaTime});
    if (watch.Gone()) return;
    if (colliseTrack_ && body_ && engine) {
      std::vector<TdxVisualObject*> hits;
      engine->FindCollisions(this, hits);
    }
  }
}

void TdxVisualObject::TakeBodyMatrix(TdxPhysics& Engine) {
  // The object's own absolute matrix is the body's as read, so a collider's body is handed
  // back exactly what it gave and stays as it was (at rest, asleep).
  const TdxMatrix absolute = Engine.GetBodyMatrix(body_);
  const TdxVisualObject* parent = VisualParent();
  localMatrix_ = parent ? dxMatrixMultiply(absolute, parent->GetInverseAbsoluteMatrix()) : absolute;
  quaternion_ = dxQuaternionFromMatrix(localMatrix_);
  position_->SetPointNoChange({localMatrix_.M[3][0], localMatrix_.M[3][1], localMatrix_.M[3][2]});
  SetAbsoluteMatrix(absolute);
  // The children ticked before this object: a dynamic one took its body's matrix into the
  // space this object had then, and takes it again into the new one.
  TakeBodyMatrices(Engine);
}

void TdxVisualObject::TakeBodyMatrices(TdxPhysics& Engine) {
  for (int i = 0; i < ChildrenCount(); ++i) {
    auto* v = dynamic_cast<TdxVisualObject*>(Children(i));
    if (!v) continue;
    if (v->dynamic_ && v->body_) {
      v->TakeBodyMatrix(Engine);
    } else {
      v->matrixInvalid_ = true;
      v->TakeBodyMatrices(Engine);
    }
  }
}

// ---- stream
// -----------------------------------------------------------------------------------------------------------

namespace {

// "(x,y,z,w)": the imaginary part, then the real part. Raises EConvertError for a number
// that does not read.
TdxQuaternion QuaternionFromText(std::string Text) {
  float v[4] = {};
  std::string token = dxGetToken(Text, ",()");
  // Text opening with "(" gives an empty first token: what stood before the parenthesis.
  if (token.empty()) token = dxGetToken(Text, ",()");
  for (int i = 0; i < 4; ++i) {
    if (i > 0) token = dxGetToken(Text, ",()");
    v[i] = dxTextToFloat(token);
  }
  return {{v[0], v[1], v[2], 0}, v[3]};
}

}  // namespace

void TdxVisualObject::DefineProperties(rtl::TFiler* Filer) {
  inherited::DefineProperties(Filer);
  const TdxQuaternion& q = quaternion_;
  const bool any = q.ImagPart.X != 0 || q.ImagPart.Y != 0 || q.ImagPart.Z != 0 || q.RealPart != 0;
  Filer->DefineProperty(
      "Quanternion", [this](rtl::TReader& Reader) { quaternion_ = QuaternionFromText(Reader.ReadString()); },
      [this](rtl::TWriter& Writer) {
        const TdxQuaternion& w = quaternion_;
        Writer.WriteString("(" + dxFloatToText(w.ImagPart.X) + "," + dxFloatToText(w.ImagPart.Y) + "," +
                           dxFloatToText(w.ImagPart.Z) + "," + dxFloatToText(w.RealPart) + ")");
      },
      any);
}

void TdxVisualObject::Loaded() {
  inherited::Loaded();
  // The orientation read from the stream counts, whatever the angles turned while they were
  // read (their property comes first).
  RecalcMatrix();
  if (ChildrenCount() > 0) Realign();
  if (Scene() && Scene()->GetActiveControl() == this) SetFocus();
}

}  // namespace dx
