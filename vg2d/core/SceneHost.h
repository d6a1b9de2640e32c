// TvxSceneHost: what every host of a 2D tree keeps and does the same way, shared by the
// scene control (a tree in a window) and the 3D library's object layer (a tree in a layer
// of a 3D scene). It holds the root objects, the pending dirty rectangles and the host's
// references into its tree (focused, captured, hovered, selected, design drop target,
// active control), keeps them valid through the tree's remove notifications, and carries
// the design editor (DesignEditor.h) with which a designed host edits its tree.
//
// A host derives from it beside its component base and supplies what differs: its size
// in host units, whether it is being destroyed, how it repaints as a whole, and the few
// design choices of its kind (DesignKind).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Component.h"
#include "platform/rtl/InputTypes.h"
#include "vg2d/core/Geometry.h"
#include "vg2d/core/Scene.h"

namespace rtl {
class TFiler;
}

namespace vg {

class TvxDesignEditor;

// The design choices that differ between the kinds of host.
struct TvxDesignKind {
  // The class of the root a first design press makes in an empty tree.
  std::string RootClass;
  // The filter of "Load From File...".
  std::string FileFilter;
  // Edge-middle grips drawn as squares (else as circles like the corner grips).
  bool SquareEdgeGrips = false;
  // "Add object" lists each category's classes sorted by name (else in registration order).
  bool SortedClasses = false;
  // The drop caption names the object by its name when it has one (else always by class).
  bool PlaceCaptionByName = true;
  // Editing a style also copies the styles of the controls inside the selection (else of
  // the controls inside the style copied).
  bool StylesOfInnerControls = false;
  // "Hide in Design-time" hides the root too (else it leaves the root alone).
  bool HidesRoot = false;
  // The selection's frame and the snap lines are drawn dashed (else as plain lines).
  bool DashedDecorations = false;
  // An object inserted under the selection belongs to the selection's owner (else to the
  // host's owner).
  bool InsertOwnedBySelection = false;
  // An inserted object whose class name holds "Item" stays where its list puts it (else it
  // goes to the menu's point as any other does).
  bool ItemsKeepTheirPlace = false;
  // A name that names no class is kept as the pending insert text (else it clears it).
  bool KeepsUnknownInsertText = false;
  // The style part a control without Resource gets is named in lower case ("buttonstyle",
  // as the built-in style names it; else "ButtonStyle").
  bool LowerCaseStyleNames = false;
  // Snap lines and grips take an edge at exactly their tolerance too, with room for the float
  // noise of a pointer that reached the tree through a 3D view (else only an edge strictly
  // closer than the tolerance).
  bool SnapsAtTolerance = false;
};

class TvxSceneHost : public IvxScene {
public:
  TvxSceneHost(const TvxSceneHost&) = delete;
  TvxSceneHost& operator=(const TvxSceneHost&) = delete;

  // ---- IvxScene, the same in every host ---------------------------------------------------
  void AddObject(TvxObject* Obj) override;
  void RemoveObject(TvxObject* Obj) override;
  void InsertObject(const std::string& ClassName) override;
  TvxControl* GetActiveControl() override { return activeControl_; }
  bool GetDisableUpdate() override { return disableUpdate_; }
  void SetDisableUpdate(bool Value) override { disableUpdate_ = Value; }
  bool GetDesignTime() override { return designTime_; }
  TvxObject* GetRoot() override { return roots_.empty() ? nullptr : roots_.front(); }
  TvxResources* GetStyle() override { return style_; }
  void SetStyle(TvxResources* Value) override;
  void UpdateStyle() override;
  TvxVisualObject* GetSelected() override { return selected_; }
  TvxVisualObject* GetDesignPlaceObject() override { return designPlaceObject_; }
  int GetUpdateRectsCount() override { return static_cast<int>(updateRects_.size()); }
  // An empty rectangle outside the list.
  TvxRect GetUpdateRect(int Index) override;
  TvxVisualObject* GetCaptured() override { return captured_; }
  void SetFocused(TvxVisualObject* Value) override;
  TvxVisualObject* GetFocused() override { return focused_; }
  void SetDesignEditObject(TvxVisualObject* Value) override { designEditObject_ = Value; }
  TvxPoint GetMousePos() override { return mousePos_; }
  void SetSelected(TvxVisualObject* Obj) override;
  bool GetAnimatedCaret() override { return animatedCaret_; }
  bool ShowKeyboard(TvxControl*) override { return false; }
  void HideKeyboard(TvxControl*) override {}

  // ---- the tree and the references into it ------------------------------------------------
  int RootCount() const { return static_cast<int>(roots_.size()); }
  TvxObject* Roots(int Index) const { return roots_[static_cast<size_t>(Index)]; }
  const std::vector<TvxRect>& UpdateRects() const { return updateRects_; }
  TvxVisualObject* Hovered() const { return hovered_; }
  TvxResources* Style() const { return style_; }
  TvxControl* ActiveControl() const { return activeControl_; }
  // Stores it; unless loading, the control takes the focus.
  void SetActiveControl(TvxControl* Value);
  bool AnimatedCaret() const { return animatedCaret_; }
  void SetAnimatedCaret(bool Value) { animatedCaret_ = Value; }

  // The object under a point in host coordinates: the roots from the last to the first; a
  // root that is not visual ends the search; a hidden root is passed over except at design
  // time.
  TvxVisualObject* ObjectAtPoint(const TvxPoint& P);
  // Lays the first root over the whole host (a root turned a quarter with its sides
  // exchanged); a root scaled to nothing stays as it is.
  void RealignRoot();
  // Gives the focus to the next (previous) visible, enabled, focusable object of the first
  // root's tab order, round to the focused one itself; false without a candidate.
  bool FocusNext(bool Backward);

  // ---- design time --------------------------------------------------------------------------
  // The host edits its tree with the mouse and the design menu. Taken from the component's
  // design state when the host is made; no window of the program is ever edited, so only
  // tests switch it on afterwards.
  void SetDesignTime(bool Value) { designTime_ = Value; }
  TvxDesignEditor& Designer() { return *designer_; }
  const TvxDesignKind& DesignKind() const { return designKind_; }
  bool DesignSnapToGrid() const;
  bool DesignSnapToLines() const;
  bool DesignSnapGridShow() const;

protected:
  // Self: the host as a component (the owner of what it makes for itself).
  TvxSceneHost(rtl::TComponent* Self, TvxDesignKind Kind);
  ~TvxSceneHost();

  // What each host supplies.
  virtual float HostWidth() = 0;
  virtual float HostHeight() = 0;
  virtual bool HostDestroying() = 0;
  // A root left the host: the whole host is to be drawn again.
  virtual void RootRemoved() = 0;
  // Root sides are whole host units (the layer's pixels) rather than exact quotients.
  virtual bool RoundsRootSides() const { return false; }
  // An object of the tree took the focus (the layer takes its 3D host's focus then).
  virtual void FocusTaken() {}

  // The part of Notification(opRemove) every host shares: forgets every reference to
  // AComponent, the style resources included.
  void ForgetReferences(rtl::TComponent* AComponent);
  // Frees the roots (the host's own teardown); each leaves the host first.
  void FreeRoots();
  // Makes Value hovered (MouseLeave on the old one, MouseEnter on the new one).
  void SetHovered(TvxVisualObject* Value);
  // Paints every visible root that meets a dirty rectangle once, then the design
  // decorations; the canvas's pen is set to its defaults first. AfterPaintToo: the roots'
  // AfterPaint and OnPaint run too.
  void PaintRoots(TvxCanvas* Canvas, bool AfterPaintToo);
  // The wheel at run time: the captured object, else the object under the mouse and its
  // visual parents until one takes it.
  void RouteWheel(rtl::TShiftState Shift, int WheelDelta, bool& Handled);
  // A mouse point as the host records it: snapped to the design grid while designed, else
  // as it is (a window that is not edited never moves its mouse to a grid).
  TvxPoint DesignSnapped(const TvxPoint& P) const;
  // The three stored design options.
  void DefineDesignProperties(rtl::TFiler* Filer);
  // After loading: snap lines switch snapping to the grid off.
  void DesignLoaded();

  rtl::TComponent* self_;
  std::vector<TvxObject*> roots_;
  std::vector<TvxRect> updateRects_;
  bool disableUpdate_ = false;
  bool designTime_ = false;
  bool animatedCaret_ = true;
  TvxResources* style_ = nullptr;
  TvxControl* activeControl_ = nullptr;
  TvxVisualObject* selected_ = nullptr;
  TvxVisualObject* captured_ = nullptr;
  TvxVisualObject* hovered_ = nullptr;
  TvxVisualObject* focused_ = nullptr;
  TvxVisualObject* designPlaceObject_ = nullptr;
  TvxVisualObject* designEditObject_ = nullptr;
  TvxPoint mousePos_{};

private:
  friend class TvxDesignEditor;
  TvxDesignKind designKind_;
  std::unique_ptr<TvxDesignEditor> designer_;
};

}  // namespace vg
