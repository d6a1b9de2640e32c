// Popups: a control whose children are shown, while it is open, next to a target control,
// either in a top-most window of their own (TvxPopupForm, hosting a transparent scene of
// which the popup is the root) or as an overlay inside the current scene. The drop-down
// lists of the combo boxes open this way.
//
// Closing: a popup opened without StaysOpen enters a process-wide list of open popups
// (oldest first). Escape closes it; so does the activation leaving its window: going to
// the window of an older open popup closes only the newer ones, going anywhere else
// closes every listed popup, newest first (CloseAllPopups). A popup with StaysOpen is
// closed only by code, by its own window's close, or when it is freed.
//
// Placement: the popup's top-left point is worked out against the target (PlacementTarget,
// else the popup's parent) in the target's coordinates, or against PlacementRectangle when
// that is not all zero or there is no target; then mapped to the scene (cut to whole
// units) and, for a window, to the screen.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/win/Popups.h"
#include "vg2d/core/Controls.h"

namespace vg {

class TvxScene;
class TvxPopupForm;

RTL_ENUM(TvxPlacement, vgPlacementBottom, vgPlacementTop, vgPlacementLeft, vgPlacementRight, vgPlacementCenter,
         vgPlacementAbsolute, vgPlacementMouse);

// Where an open popup shows: a window of its own, or an overlay in the current scene.
enum class TvxPopupHost { Window, Overlay };

class TvxPopup : public TvxControl {
  RTL_CLASS(TvxPopup, TvxControl)
public:
  explicit TvxPopup(rtl::TComponent* AOwner);
  ~TvxPopup() override;
  // Closes an open popup first.
  void BeforeDestruction() override;

  // ---- state ------------------------------------------------------------------------------
  bool IsOpen() const { return isOpen_; }
  // Opens or closes on a change; at design time nothing opens.
  void SetIsOpen(bool Value);
  bool StaysOpen() const { return staysOpen_; }
  void SetStaysOpen(bool Value) { staysOpen_ = Value; }
  TvxPopupHost Host() const { return host_; }
  void SetHost(TvxPopupHost Value) { host_ = Value; }

  // ---- placement --------------------------------------------------------------------------
  TvxPlacement Placement() const { return placement_; }
  void SetPlacement(TvxPlacement Value) { placement_ = Value; }
  // The control the popup is placed against; forgotten when it is freed.
  TvxVisualObject* PlacementTarget() const { return placementTarget_; }
  void SetPlacementTarget(TvxVisualObject* Value);
  // A rectangle in the target's coordinates that stands for the target's bounds when it
  // is not all zero. Its fields are written; the setter leaves it alone.
  TvxBounds* PlacementRectangle() const { return placementRectangle_.get(); }
  void SetPlacementRectangle(TvxBounds*) {}
  float HorizontalOffset() const { return horizontalOffset_; }
  void SetHorizontalOffset(float Value) { horizontalOffset_ = Value; }
  float VerticalOffset() const { return verticalOffset_; }
  void SetVerticalOffset(float Value) { verticalOffset_ = Value; }
  // With StaysOpen, a popup in a window follows its target every 10 ms.
  bool DragWithParent() const { return dragWithParent_; }
  void SetDragWithParent(bool Value) { dragWithParent_ = Value; }
  // The style of the popup's own scene (else the style of the scene it opens from).
  TvxResources* PopupStyle() const { return popupStyle_; }
  void SetPopupStyle(TvxResources* Value);

  // ---- opening and closing ----------------------------------------------------------------
  // Places the popup (the window, or the popup in the overlay) by Placement. A window stays
  // wholly on the screen: one that does not fit below (above, right of, left of) its target
  // opens on the other side when it fits there, and is then moved in as far as needed.
  virtual void ApplyPlacement();
  // Opens with StaysOpen and runs the loop until a result is set (the window's
  // ModalResult, or mrCancel when the popup closes or the application ends); closes and
  // answers the result. Without a run (during a close, or when already open) answers 0.
  virtual win::TModalResult PopupModal();
  // Opens; an open popup closes instead.
  virtual void Popup();
  virtual void ClosePopup();

  // While open in a window: the window and its scene.
  TvxPopupForm* PopupForm() const { return form_; }
  TvxScene* PopupScene() const { return scene_; }
  // While open as an overlay: the layer that catches the clicks around the popup.
  TvxVisualObject* Overlay() const { return overlay_; }
  bool Closing() const { return closing_; }
  win::TModalResult ModalResult() const { return modalResult_; }
  // The window layer's press (win::CurrentMousePress) during which the popup last closed;
  // 0 when it closed outside a press. A control that toggles the popup on a press asks it,
  // so that the press that took the activation away does not open the popup again.
  unsigned ClosedAtPress() const { return closedAtPress_; }

  // Escape closes an open popup without StaysOpen.
  void DialogKey(uint16_t& Key, rtl::TShiftState Shift) override;
  // At design time: a dashed outline.
  void Paint() override;

  rtl::TNotifyEvent OnClosePopup;

protected:
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;
  // The control the placement is worked out against: PlacementTarget, else the parent.
  virtual TvxVisualObject* PlacementAnchor() const;

private:
  friend class TvxPopupForm;
  // The top-left point of a placement: absolute when there is a target, truncated.
  TvxPoint PlacementPoint(TvxPlacement Placement, TvxVisualObject* Target) const;
  // A point in scene coordinates of Via's scene (or this popup's when Via has none) on the
  // screen.
  win::TPoint ScreenPoint(const TvxPoint& P, TvxVisualObject* Via) const;
  // Moves the window's top-left to the screen point, kept wholly on the screen.
  void PlaceWindow(int X, int Y);
  void OpenInWindow();
  void OpenAsOverlay();
  void Watch(rtl::TComponent*& Field, rtl::TComponent* Value);
  void StopFollowing();

  bool isOpen_ = false;
  bool staysOpen_ = false;
  TvxPopupHost host_ = TvxPopupHost::Window;
  TvxPlacement placement_ = vgPlacementBottom;
  TvxVisualObject* placementTarget_ = nullptr;
  const std::unique_ptr<TvxBounds> placementRectangle_;
  float horizontalOffset_ = 0;
  float verticalOffset_ = 0;
  bool dragWithParent_ = false;
  TvxResources* popupStyle_ = nullptr;

  rtl::TComponent* savedParent_ = nullptr;  // a TvxObject
  rtl::TComponent* savedFocus_ = nullptr;   // a TvxVisualObject
  TvxPoint savedScale_{1, 1};
  TvxPopupForm* form_ = nullptr;  // frees itself (deferred) once released
  TvxScene* scene_ = nullptr;     // owned by the window
  TvxVisualObject* overlay_ = nullptr;
  unsigned long long followTimer_ = 0;
  bool closing_ = false;
  bool destroying_ = false;
  win::TModalResult modalResult_ = win::mrNone;
  bool modalRun_ = false;
  unsigned closedAtPress_ = 0;
};

// A popup that stays open, hangs centred below the top of its window (or below its
// target) and follows it, and that disables the scene it opens from during a modal run.
class TvxMessagePopup : public TvxPopup {
  RTL_CLASS(TvxMessagePopup, TvxPopup)
public:
  explicit TvxMessagePopup(rtl::TComponent* AOwner);
  bool DisableScene() const { return disableScene_; }
  void SetDisableScene(bool Value) { disableScene_ = Value; }
  void ApplyPlacement() override;
  win::TModalResult PopupModal() override;

protected:
  // Only PlacementTarget: without one the popup goes by its window.
  TvxVisualObject* PlacementAnchor() const override { return PlacementTarget(); }

private:
  bool disableScene_ = true;
};

// The window of an open popup: it hosts the popup's scene and closes the popups the
// activation leaves behind.
class TvxPopupForm : public win::TPopupForm {
  RTL_CLASS(TvxPopupForm, win::TPopupForm)
public:
  TvxPopupForm(win::TCustomForm* AOwnerForm, TvxPopup* APopup);
  TvxPopup* Popup() const { return popup_; }
  // The window is closing by itself (its close, not the popup's).
  bool Closing() const { return closing_; }

protected:
  void ActivationLeft(win::TCustomForm* Next) override;
  void DoClose(win::TCloseAction& Action) override;

private:
  friend class TvxPopup;
  TvxPopup* popup_;
  bool closing_ = false;
};

// The popups open without StaysOpen, oldest first.
const std::vector<TvxPopup*>& OpenPopups();
// Closes every popup of the list, newest first.
void CloseAllPopups();

}  // namespace vg
