// The design editor: selection, grips, snapping, the press/move/release of a drag and the
// painting of frames, grips and snap lines. Its commands, style copies and menu are in
// DesignEditorCommands.cpp.
#include "vg2d/core/DesignEditor.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <sstream>

#include "platform/rtl/FileReader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TypInfo.h"
#include "platform/win/Menus.h"
#include "vg2d/core/Canvas.h"
#include "vg2d/core/Controls.h"
#include "vg2d/core/Registry.h"
#include "vg2d/core/SceneHost.h"
#include "vg2d/core/Styles.h"
#include "vg2d/core/VisualObjects.h"
#include "vg2d/core/DesignEditor_Internal.h"

namespace vg {

TvxDesignOpenFileProc DesignOpenFileDialog;
TvxDesignTabOrderProc DesignTabOrderDialog;
TvxDesignMessageProc DesignMessageDialog;

std::string& DesignClipboard() {
  static std::string text;
  return text;
}

namespace {

constexpr TvxColor FrameColor = 0xFF1072C5u;
constexpr TvxColor GripColor = 0xFFFFFFFFu;
constexpr TvxColor HotGripColor = 0xFFFF0000u;
constexpr TvxColor PlaceColor = 0xFF5B91DEu;
// Edge-middle grips show only on sides longer than this.
constexpr float EdgeGripMinSide = 12;
constexpr float RotateStem = 10;

// To the nearest whole number, halves to even.
float RoundEven(float V) { return std::isfinite(V) ? std::nearbyint(V) : 0; }

bool InRect(const TvxPoint& P, const TvxRect& R) {
  return P.X >= R.Left && P.X <= R.Right && P.Y >= R.Top && P.Y <= R.Bottom;
}

// Whether O lies in Top's subtree (Top itself included).
bool Within(TvxObject* O, TvxObject* Top) {
  for (; O; O = O->Parent())
    if (O == Top) return true;
  return false;
}

// The absolute bounds of a local rectangle of O.
TvxRect AbsoluteBounds(TvxVisualObject* O, const TvxRect& R) {
  const TvxPoint p[4] = {O->LocalToAbsolute({R.Left, R.Top}), O->LocalToAbsolute({R.Right, R.Top}),
                         O->LocalToAbsolute({R.Right, R.Bottom}), O->LocalToAbsolute({R.Left, R.Bottom})};
  TvxRect r{p[0].X, p[0].Y, p[0].X, p[0].Y};
  for (const TvxPoint& q : p) {
    r.Left = std::min(r.Left, q.X);
    r.Top = std::min(r.Top, q.Y);
    r.Right = std::max(r.Right, q.X);
    r.Bottom = std::max(r.Bottom, q.Y);
  }
  return r;
}

// Parent coordinates of O's place, for the snap rules.
struct TPlace {
  float X, Y, W, H;
};
TPlace PlaceOf(TvxVisualObject* O) { return {O->Position()->X(), O->Position()->Y(), O->Width(), O->Height()}; }

// The ten snap rules, in the order they are tried: which axis, and the two coordinates
// (selection's, sibling's) that must meet.
struct TRule {
  bool Vertical;  // the rule moves along Y
  float Sel, Sib;
};
std::array<TRule, 10> Rules(const TPlace& S, const TPlace& O) {
  return {{{true, S.Y + RoundEven(S.H / 2), O.Y + RoundEven(O.H / 2)},
           {false, S.X + RoundEven(S.W / 2), O.X + RoundEven(O.W / 2)},
           {false, S.X, O.X},
           {true, S.Y, O.Y},
           {false, S.X + S.W, O.X},
           {true, S.Y + S.H, O.Y},
           {false, S.X, O.X + O.W},
           {true, S.Y, O.Y + O.H},
           {false, S.X + S.W, O.X + O.W},
           {true, S.Y + S.H, O.Y + O.H}}};
}

}  // namespace

std::string DesignStyleName(TvxControl* Control, bool LowerCase) {
  if (!Control->Resource().empty()) return Control->Resource();
  const std::string name = Control->ClassName();
  const std::string style = (name.size() > 3 ? name.substr(3) : std::string()) + "Style";
  return LowerCase ? rtl::LowerCase(style) : style;
}

TvxDesignEditor::TvxDesignEditor(TvxSceneHost& Host) : host_(Host) {}

TvxDesignEditor::~TvxDesignEditor() = default;

float TvxDesignEditor::SnapValue(float V) const {
  if (!snapToGrid_ || snapGridSize_ == 0 || !std::isfinite(V)) return V;
  return std::trunc(V / snapGridSize_) * snapGridSize_;
}

TvxVisualObject* TvxDesignEditor::Selection() const { return host_.selected_; }

void TvxDesignEditor::Forget(rtl::TComponent* AComponent) {
  if (!AComponent) {
    selectionList_.clear();
    snapObjects_.clear();
    return;
  }
  auto same = [AComponent](TvxVisualObject* O) { return static_cast<rtl::TComponent*>(O) == AComponent; };
  std::erase_if(selectionList_, same);
  std::erase_if(snapObjects_, same);
}

// ---- grips --------------------------------------------------------------------------------------

TvxRect TvxDesignEditor::GripRect(TGrip Grip, const TvxRect& Bounds) {
  const float l = Bounds.Left, t = Bounds.Top, r = Bounds.Right, b = Bounds.Bottom;
  const float cx = (l + r) / 2, cy = (t + b) / 2, g = GripHalf;
  auto at = [g](float X, float Y) { return TvxRect{X - g, Y - g, X + g, Y + g}; };
  switch (Grip) {
    case gripRotate: return {cx - g, t - RotateStem - g, cx + g, t - RotateStem + g};
    case gripTopLeft: return at(l, t);
    case gripTopRight: return at(r, t);
    case gripBottomLeft: return at(l, b);
    case gripBottomRight: return at(r, b);
    case gripTopMiddle: return at(cx, t);
    case gripBottomMiddle: return at(cx, b);
    case gripLeftMiddle: return at(l, cy);
    case gripRightMiddle: return at(r, cy);
    default: return {};
  }
}

int TvxDesignEditor::GripAt(const TvxPoint& P) {
  TvxVisualObject* sel = Selection();
  if (!sel || sel->DesignResizeLocked()) return -1;
  const TvxPoint local = sel->AbsoluteToLocal(P);
  const TvxRect bounds = sel->GetLocalRect();
  for (int g = 0; g < gripCount; ++g)
    if (InRect(local, GripRect(static_cast<TGrip>(g), bounds))) return g;
  return -1;
}

// ---- repaints -------------------------------------------------------------------------------------

void TvxDesignEditor::RepaintGrips() {
  TvxVisualObject* sel = Selection();
  if (!sel) return;
  // The frame, the grips and the rotation handle above it.
  TvxRect r = sel->GetLocalRect();
  InflateRectF(r, GripHalf + 2, GripHalf + 2);
  r.Top -= RotateStem + GripHalf;
  host_.AddUpdateRect(AbsoluteBounds(sel, r));
}

void TvxDesignEditor::RepaintAll() {
  host_.updateRects_.clear();
  host_.AddUpdateRect({0, 0, host_.HostWidth(), host_.HostHeight()});
}

void TvxDesignEditor::SetPlaceObject(TvxVisualObject* Value) {
  TvxVisualObject* old = host_.designPlaceObject_;
  if (old == Value) return;
  auto caption = [this](TvxVisualObject* O) {
    TvxRect a = O->GetAbsoluteRect();
    InflateRectF(a, 1, 1);
    a.Top -= 20;
    a.Right = std::max(a.Right, a.Left + 160);
    host_.AddUpdateRect(a);
  };
  if (old) caption(old);
  host_.designPlaceObject_ = Value;
  if (Value) caption(Value);
}

// The lines drawn for the snap partners: each alignment that holds exactly, in the
// selection's parent's coordinates, as (x1, y1, x2, y2).
namespace {
std::vector<TvxRect> SnapSegments(TvxVisualObject* Sel, const std::vector<TvxVisualObject*>& Partners) {
  std::vector<TvxRect> lines;
  const TPlace s = PlaceOf(Sel);
  for (TvxVisualObject* o : Partners) {
    const TPlace p = PlaceOf(o);
    const float top = std::min(s.Y, p.Y), bottom = std::max(s.Y + s.H, p.Y + p.H);
    const float left = std::min(s.X, p.X), right = std::max(s.X + s.W, p.X + p.W);
    for (const TRule& r : Rules(s, p)) {
      if (r.Sel != r.Sib) continue;
      const float at = r.Sel + 0.5f;
      const TvxRect line = r.Vertical ? TvxRect{left, at, right, at} : TvxRect{at, top, at, bottom};
      if (std::none_of(lines.begin(), lines.end(), [&](const TvxRect& L) {
            return L.Left == line.Left && L.Top == line.Top && L.Right == line.Right && L.Bottom == line.Bottom;
          }))
        lines.push_back(line);
    }
  }
  return lines;
}
}  // namespace

void TvxDesignEditor::RepaintSnapLines() {
  TvxVisualObject* sel = Selection();
  TvxVisualObject* parent = design_internal::VisualParentOf(sel);
  if (!parent || snapObjects_.empty()) return;
  for (TvxRect line : SnapSegments(sel, snapObjects_)) {
    InflateRectF(line, 1, 1);
    host_.AddUpdateRect(AbsoluteBounds(parent, line));
  }
}

// ---- press, move, release -------------------------------------------------------------------------

void TvxDesignEditor::MakeRoot() {
  rtl::TClass c = rtl::GetClass(host_.designKind_.RootClass);
  if (!c) return;
  std::unique_ptr<TvxObject> root = rtl::OwnedAs<TvxObject>(c->Create(host_.GetOwner()));
  if (!root) return;
  host_.AddObject(root.release());
  host_.RealignRoot();
}

void TvxDesignEditor::Press(rtl::TMouseButton Button, rtl::TShiftState Shift, const TvxPoint& Raw) {
  downPos_ = Raw;
  dragStart_ = host_.mousePos_;
  snapObjects_.clear();
  if (host_.roots_.empty()) MakeRoot();
  if (Button == rtl::mbRight) {
    insertPos_ = host_.mousePos_;
    ShowMenu();
    return;
  }
  if (Button != rtl::mbLeft) return;
  if (const int g = GripAt(Raw); g >= 0) {
    drag_ = g;
    OnDesignSelection(host_.self_);
    return;
  }
  TvxVisualObject* sel = Selection();
  // The object under the pointer itself: the grid snaps where a drag goes, not what is pressed.
  TvxVisualObject* hit = host_.ObjectAtPoint(Raw);
  if (hit && hit == sel && Shift.Contains(rtl::ssDouble)) {
    TvxFreeWatch alive(hit);
    hit->DesignClick();
    if (alive.Gone()) return;
  }
  if (Shift.Contains(rtl::ssCtrl) && hit && hit != sel) {
    const auto at = std::find(selectionList_.begin(), selectionList_.end(), hit);
    if (at == selectionList_.end())
      selectionList_.push_back(hit);
    else if (sel)
      *at = sel;
    else
      selectionList_.erase(at);
    return;
  }
  selectionList_.clear();
  Select(hit);
  if (hit && Selection() == hit) drag_ = dragMove;
}

void TvxDesignEditor::Select(TvxVisualObject* Obj) {
  if (Obj && (!Obj->Scene() || Obj->Scene()->GetComponent() != host_.GetComponent())) return;
  RepaintGrips();
  TvxVisualObject* old = Selection();
  if (old) old->Repaint();
  host_.selected_ = Obj;
  if (old) old->RecalcUpdateRect();
  hot_ = {};
  if (Obj) {
    TvxFreeWatch alive(Obj);
    Obj->RecalcUpdateRect();
    Obj->DesignSelect();
    if (alive.Gone()) return;
  }
  OnDesignSelection(host_.self_);
  if (TvxVisualObject* now = Selection()) {
    now->Repaint();
    RepaintGrips();
  }
}

void TvxDesignEditor::Move(rtl::TShiftState Shift, const TvxPoint& Raw) {
  downPos_ = Raw;
  TvxVisualObject* sel = Selection();
  if (sel && !sel->DesignResizeLocked()) {
    const TvxPoint local = sel->AbsoluteToLocal(host_.mousePos_);
    const TvxRect bounds = sel->GetLocalRect();
    for (int g = 0; g < gripCount; ++g) {
      const TvxRect grip = GripRect(static_cast<TGrip>(g), bounds);
      const bool in = InRect(local, grip);
      if (in == hot_[static_cast<size_t>(g)]) continue;
      hot_[static_cast<size_t>(g)] = in;
      TvxRect wide = grip;
      InflateRectF(wide, 2, 2);
      host_.AddUpdateRect(AbsoluteBounds(sel, wide));
    }
  }
  if (sel && Shift.Contains(rtl::ssLeft)) {
    if (drag_ == dragMove)
      MoveStep(Shift);
    else if (drag_ == gripRotate)
      RotateStep();
    else if (drag_ >= 0)
      GripStep();
  }
  dragStart_ = host_.mousePos_;
}

void TvxDesignEditor::MoveStep(rtl::TShiftState Shift) {
  TvxVisualObject* sel = Selection();
  TvxVisualObject* parent = design_internal::VisualParentOf(sel);
  TvxPoint d{host_.mousePos_.X - dragStart_.X, host_.mousePos_.Y - dragStart_.Y};
  if (parent) d = parent->AbsoluteToLocalVector(d);
  RepaintGrips();
  RepaintSnapLines();
  snapObjects_.clear();
  sel->Position()->SetPoint({SnapValue(sel->Position()->X() + d.X), SnapValue(sel->Position()->Y() + d.Y)});
  SnapLines(true);
  RepaintSnapLines();
  RepaintGrips();

  // The object a drop would go into: the one under the mouse, the selection's own tree
  // left out (an object cannot go into itself or below itself).
  const bool wasLocked = sel->Locked();
  sel->SetLocked(true);
  TvxVisualObject* target = host_.ObjectAtPoint(downPos_);
  sel->SetLocked(wasLocked);
  if (target && (target == parent || Within(target, sel))) target = nullptr;
  SetPlaceObject(target);
  if (!target || !Shift.Contains(rtl::ssAlt)) return;
  const TvxPoint origin = sel->LocalToAbsolute({0, 0});
  TvxFreeWatch alive(sel);
  RepaintGrips();
  target->AddObject(sel);
  if (alive.Gone() || sel->Parent() != target) return;
  // Leaving its old parent told the host to forget it; it is still the one being edited.
  host_.selected_ = sel;
  sel->Position()->SetPoint(target->AbsoluteToLocal(origin));
  SetPlaceObject(nullptr);
  RepaintGrips();
}

void TvxDesignEditor::SnapLines(bool Apply) {
  TvxVisualObject* sel = Selection();
  TvxVisualObject* parent = design_internal::VisualParentOf(sel);
  if (!snapToLines_ || !parent) return;
  for (TvxObject* c : parent->Children()) {
    TvxVisualObject* o = c->Visual();
    if (!o || o == sel || !o->Visible()) continue;
    const TPlace p = PlaceOf(o);
    for (const TRule& r : Rules(PlaceOf(sel), p)) {
      if (!Snaps(r.Sel, r.Sib, LineTolerance)) continue;
      const float shift = r.Sib - r.Sel;
      if (Apply && shift != 0) {
        TvxPosition* pos = sel->Position();
        if (r.Vertical)
          pos->SetY(pos->Y() + shift);
        else
          pos->SetX(pos->X() + shift);
        // The mouse moves with the object, so the next step starts from where it lies now.
        const TvxPoint a = parent->LocalToAbsoluteVector(r.Vertical ? TvxPoint{0, shift} : TvxPoint{shift, 0});
        host_.mousePos_.X += a.X;
        host_.mousePos_.Y += a.Y;
      }
      if (std::find(snapObjects_.begin(), snapObjects_.end(), o) == snapObjects_.end()) snapObjects_.push_back(o);
      break;
    }
  }
}

TvxPoint TvxDesignEditor::SnapGrip(const TvxPoint& Local) {
  TvxVisualObject* sel = Selection();
  TvxVisualObject* parent = design_internal::VisualParentOf(sel);
  if (!snapToLines_ || !parent) return Local;
  RepaintSnapLines();
  snapObjects_.clear();
  SnapLines(false);
  TvxPoint p = parent->AbsoluteToLocal(sel->LocalToAbsolute(Local));
  for (TvxVisualObject* o : snapObjects_) {
    const TPlace t = PlaceOf(o);
    for (float x : {t.X, t.X + t.W})
      if (Snaps(p.X, x, GripTolerance)) p.X = x;
    for (float y : {t.Y, t.Y + t.H})
      if (Snaps(p.Y, y, GripTolerance)) p.Y = y;
  }
  return sel->AbsoluteToLocal(parent->LocalToAbsolute(p));
}

bool TvxDesignEditor::Snaps(float From, float To, float Tolerance) const {
  const float distance = std::fabs(To - From);
  if (!host_.designKind_.SnapsAtTolerance) return distance < Tolerance;
  // A pointer mapped through a 3D view comes with float noise: a few units in the last place
  // of its coordinates, more after the many steps of a long drag, so that an edge meant to lie
  // at exactly the tolerance may lie a hair beyond it. The comparison leaves it a 64th of a
  // unit, and as much again for every 65536 units of the coordinates compared: far less than
  // a pixel, far more than the noise.
  const float size = std::max(std::fabs(From), std::fabs(To));
  return distance <= Tolerance + (1 + size / 65536) / 64;
}

void TvxDesignEditor::RotateStep() {
  TvxVisualObject* sel = Selection();
  TvxVisualObject* parent = design_internal::VisualParentOf(sel);
  // Everything in the parent's space, where the angle is measured.
  auto inParent = [parent](const TvxPoint& A) { return parent ? parent->AbsoluteToLocal(A) : A; };
  const TvxPoint c = inParent(
      sel->LocalToAbsolute({sel->RotateCenter()->X() * sel->Width(), sel->RotateCenter()->Y() * sel->Height()}));
  const TvxPoint from = inParent(dragStart_), to = inParent(host_.mousePos_);
  const double ax = from.X - c.X, ay = from.Y - c.Y, bx = to.X - c.X, by = to.Y - c.Y;
  const double la = std::hypot(ax, ay), lb = std::hypot(bx, by);
  // On the centre the direction is unknown: no turn.
  if (!(la > 1e-6) || !(lb > 1e-6)) return;
  const double cosine = std::clamp((ax * bx + ay * by) / (la * lb), -1.0, 1.0);
  const double degrees = std::acos(cosine) * 180.0 / 3.14159265358979323846;
  const double cross = ax * by - ay * bx;
  // Angles grow clockwise on the screen (Y downwards), as a positive cross product turns:
  // the handle follows the pointer.
  RepaintGrips();
  sel->SetRotateAngle(sel->RotateAngle() + static_cast<float>(cross > 0 ? degrees : -degrees));
  RepaintGrips();
}

void TvxDesignEditor::GripStep() {
  TvxVisualObject* sel = Selection();
  const TvxPoint p = SnapGrip(sel->AbsoluteToLocal(host_.mousePos_));
  TvxRect r = sel->GetLocalRect();
  switch (drag_) {
    case gripTopLeft: r.Left = p.X, r.Top = p.Y; break;
    case gripTopRight: r.Right = p.X, r.Top = p.Y; break;
    case gripBottomLeft: r.Left = p.X, r.Bottom = p.Y; break;
    case gripBottomRight: r.Right = p.X, r.Bottom = p.Y; break;
    case gripTopMiddle: r.Top = p.Y; break;
    case gripBottomMiddle: r.Bottom = p.Y; break;
    case gripLeftMiddle: r.Left = p.X; break;
    case gripRightMiddle: r.Right = p.X; break;
    default: return;
  }
  RepaintGrips();
  sel->SetBoundsRect(r);
  RepaintSnapLines();
  RepaintGrips();
}

void TvxDesignEditor::Release() {
  SetPlaceObject(nullptr);
  RepaintSnapLines();
  snapObjects_.clear();
  // A move and every resize leave the selection where its parent's layout wants it.
  if (drag_ == dragMove || (drag_ >= 0 && drag_ != gripRotate)) Realigned();
  drag_ = dragNone;
}

void TvxDesignEditor::Realigned() {
  TvxVisualObject* sel = Selection();
  if (!sel) return;
  if (TvxVisualObject* parent = design_internal::VisualParentOf(sel))
    parent->Realign();
  else if (!sel->Parent() && std::find(host_.roots_.begin(), host_.roots_.end(), sel) != host_.roots_.end())
    host_.RealignRoot();
}

void TvxDesignEditor::KeyUp(std::uint16_t Key) {
  TvxVisualObject* sel = Selection();
  // The root stays: a host's tree is never left without it.
  if (Key != 46 || !sel || sel == host_.GetRoot()) return;
  TvxFreeWatch alive(sel);
  Select(nullptr);
  if (!alive.Gone()) sel->Free();
}

bool TvxDesignEditor::HitTest(const TvxPoint& P) {
  if (host_.roots_.empty() || drag_ != dragNone || host_.ObjectAtPoint(P)) return true;
  TvxVisualObject* sel = Selection();
  return sel && InRect(P, sel->GetAbsoluteRect());
}

// ---- painting ---------------------------------------------------------------------------------------

void TvxDesignEditor::Paint(TvxCanvas* Canvas) {
  TvxVisualObject* sel = Selection();
  const bool dashed = host_.designKind_.DashedDecorations;
  if (sel && !sel->DesignResizeLocked() && sel->Scene() == &host_) {
    Canvas->SetMatrix(sel->GetAbsoluteMatrix());
    const TvxRect r = sel->GetLocalRect();
    TvxRect f = r;
    InflateRectF(f, -0.5f, -0.5f);
    Canvas->SetStrokeThickness(1);
    Canvas->Stroke()->SetStyle(vgBrushSolid);
    Canvas->Stroke()->SetSolidColor(FrameColor);
    Canvas->Fill()->SetStyle(vgBrushSolid);
    Canvas->SetStrokeDash(dashed ? vgDashDash : vgDashSolid);
    Canvas->DrawRect(f, 0, 0, AllCorners, 1, vgCornerRound);
    Canvas->SetStrokeDash(vgDashSolid);
    const float cx = (r.Left + r.Right) / 2;
    Canvas->DrawLine({cx, r.Top}, {cx, r.Top - RotateStem}, 1);
    const bool squares = host_.designKind_.SquareEdgeGrips;
    for (int g = 0; g < gripCount; ++g) {
      const auto grip = static_cast<TGrip>(g);
      const bool edge = grip >= gripTopMiddle;
      if ((grip == gripTopMiddle || grip == gripBottomMiddle) && !(RectWidth(r) > EdgeGripMinSide)) continue;
      if ((grip == gripLeftMiddle || grip == gripRightMiddle) && !(RectHeight(r) > EdgeGripMinSide)) continue;
      const TvxRect gr = GripRect(grip, r);
      Canvas->Fill()->SetSolidColor(hot_[static_cast<size_t>(g)] ? HotGripColor : GripColor);
      if (edge && squares) {
        Canvas->FillRect(gr, 0, 0, AllCorners, 1, vgCornerRound);
        Canvas->DrawRect(gr, 0, 0, AllCorners, 1, vgCornerRound);
      } else {
        Canvas->FillEllipse(gr, 1);
        Canvas->DrawEllipse(gr, 1);
      }
    }
  }
  if (TvxVisualObject* parent = design_internal::VisualParentOf(sel);
      parent && drag_ != dragNone && !snapObjects_.empty()) {
    Canvas->SetMatrix(parent->GetAbsoluteMatrix());
    Canvas->SetStrokeThickness(1);
    Canvas->Stroke()->SetStyle(vgBrushSolid);
    Canvas->Stroke()->SetSolidColor(FrameColor);
    Canvas->SetStrokeDash(dashed ? vgDashDash : vgDashSolid);
    for (const TvxRect& l : SnapSegments(sel, snapObjects_)) Canvas->DrawLine({l.Left, l.Top}, {l.Right, l.Bottom}, 1);
    Canvas->SetStrokeDash(vgDashSolid);
  }
  if (TvxVisualObject* place = host_.designPlaceObject_) {
    Canvas->SetMatrix(IdentityMatrix);
    const TvxRect a = place->GetAbsoluteRect();
    Canvas->SetStrokeThickness(1);
    Canvas->Stroke()->SetStyle(vgBrushSolid);
    Canvas->Stroke()->SetSolidColor(PlaceColor);
    Canvas->DrawRect(a, 0, 0, AllCorners, 1, vgCornerRound);
    const TvxRect strip{a.Left, a.Top - 19, a.Left + 160, a.Top};
    Canvas->Fill()->SetStyle(vgBrushSolid);
    Canvas->Fill()->SetSolidColor(PlaceColor);
    Canvas->FillRect(strip, 0, 0, AllCorners, 1, vgCornerRound);
    const std::string name =
        host_.designKind_.PlaceCaptionByName && !place->Name().empty() ? place->Name() : place->ClassName();
    TvxRect text = strip;
    InflateRectF(text, -2, -2);
    Canvas->Fill()->SetSolidColor(0xFFFFFFFFu);
    Canvas->Font()->SetFamily("Tahoma");
    Canvas->Font()->SetSize(9);
    Canvas->FillText(text, text, u"ALT-drag to place into [" + design_internal::Wide(name) + u"]", false, 1,
                     vgTextAlignNear);
  }
}

}  // namespace vg
