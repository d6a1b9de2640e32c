// IvxScene: the host of a 2D object tree, as every object of the tree sees it. The scene
// control and the 3D library's object layer implement it; an object reaches its host only
// through this interface, so a tree behaves the same in a window and inside a 3D scene.
//
// The host is not owned by the objects that refer to it, and it is never freed through
// the interface. Rules every implementation keeps:
// - Notification(Obj, opRemove) clears every reference the host holds to Obj (focused,
//   captured, hovered, selected, design drop target, active control). The tree calls it
//   for every object of a subtree that leaves the host or is freed (a root leaving the
//   host included), before the object's host reference is cleared, so the host never
//   keeps a freed object.
// - RemoveObject takes a root object out of the host (not freeing it) after that
//   notification.
// - SetFocused with the object already focused calls neither KillFocus nor EnterFocus.
#pragma once

#include <string>

#include "platform/rtl/Component.h"
#include "vg2d/core/Geometry.h"

namespace vg {

class TvxObject;
class TvxVisualObject;
class TvxControl;
class TvxResources;
class TvxCanvas;
class TvxFont;

class IvxScene {
public:
  // Makes Obj a root of the host (leaving its parent, or another host, first: SetParent
  // (nil)); nothing for nil.
  virtual void AddObject(TvxObject* Obj) = 0;
  // Takes the root Obj out of the host after telling Notification; does not free it.
  virtual void RemoveObject(TvxObject* Obj) = 0;
  virtual void BeginWindowDrag() = 0;
  virtual void BeginWindowResize() = 0;
  // Records a rectangle to redraw, in scene coordinates.
  virtual void AddUpdateRect(const TvxRect& R) = 0;
  // Design time: creates an object of a registered class.
  virtual void InsertObject(const std::string& ClassName) = 0;
  virtual TvxControl* GetActiveControl() = 0;
  virtual bool GetDisableUpdate() = 0;
  virtual void SetDisableUpdate(bool Value) = 0;
  virtual bool GetDesignTime() = 0;
  virtual TvxCanvas* GetCanvas() = 0;
  // The first root object; nil without one.
  virtual TvxObject* GetRoot() = 0;
  // The component that owns the host.
  virtual rtl::TComponent* GetOwner() = 0;
  // The host itself, as a component; hosts are compared through it.
  virtual rtl::TComponent* GetComponent() = 0;
  virtual TvxResources* GetStyle() = 0;
  virtual void SetStyle(TvxResources* Value) = 0;
  virtual bool GetTransparency() = 0;
  // The first root, when there is one, updates its style.
  virtual void UpdateStyle() = 0;
  // On opRemove: forget every reference to AComponent.
  virtual void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) = 0;
  // Design time: the selected object and the object a drop would go into.
  virtual TvxVisualObject* GetSelected() = 0;
  virtual TvxVisualObject* GetDesignPlaceObject() = 0;
  // The pending dirty rectangles (Index below the count).
  virtual int GetUpdateRectsCount() = 0;
  virtual TvxRect GetUpdateRect(int Index) = 0;
  // Takes the window's mouse capture for a non-nil value, releases it for nil.
  virtual void SetCaptured(TvxVisualObject* Value) = 0;
  virtual TvxVisualObject* GetCaptured() = 0;
  // When Value differs from the focused object: KillFocus on the old one, EnterFocus on
  // the new one.
  virtual void SetFocused(TvxVisualObject* Value) = 0;
  virtual TvxVisualObject* GetFocused() = 0;
  virtual void SetDesignEditObject(TvxVisualObject* Value) = 0;
  // The last mouse position in scene coordinates.
  virtual TvxPoint GetMousePos() = 0;
  // P rounded to whole pixels, from client to screen coordinates.
  virtual TvxPoint LocalToScreen(const TvxPoint& P) = 0;
  virtual void BeginVCLDrag(TvxVisualObject* Obj) = 0;
  // Design time: selects Obj when it is a visual object of this host.
  virtual void SetSelected(TvxVisualObject* Obj) = 0;
  virtual bool GetAnimatedCaret() = 0;
  // Answers whether an on-screen keyboard was shown for the control.
  virtual bool ShowKeyboard(TvxControl* Control) = 0;
  virtual void HideKeyboard(TvxControl* Control) = 0;

protected:
  ~IvxScene() = default;
};

// The host interface of a component, when it is a host (the interface query of streams
// that nest a root object under its host); nil otherwise.
inline IvxScene* SceneOf(rtl::TComponent* AComponent) { return dynamic_cast<IvxScene*>(AComponent); }

// A control that takes typed text (an editor, or a list that selects by the letter typed).
// While one has its host's focus, the window's text input and its input method are on;
// otherwise keys are only keys. The host places the input method's composition at the
// control's composition point, in the control's font.
class IvxTextInput {
public:
  // Where composed text goes, in the control's own coordinates: the caret's x and the top
  // of its line; a control without a caret answers its top-left corner.
  virtual TvxPoint GetCompositionPoint() { return {0, 0}; }
  // The font typed text shows in; nil when the control has none of its own.
  virtual TvxFont* GetCompositionFont() { return nullptr; }

protected:
  ~IvxTextInput() = default;
};

}  // namespace vg
