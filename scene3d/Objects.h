// TdxObject: the node of every 3D object tree (visual objects, animations, cameras, lights,
// layers, bitmap resources), the class list by category that the designer shows, and the
// conversions of an object tree to and from the component text form.
//
// Ownership: a node owns its children (the tree frees them); its component owner, when it
// has one, is independent of its tree parent. Whichever frees an object first, the object
// leaves the other.
//
// The host: every object of a tree holds the same IdxScene reference (the scene control
// that shows the tree), refreshed whenever the object joins a parent. Before an object
// leaves the host, by removal from its parent or by being freed, the host hears of it and
// of every object below it (Notification, opRemove), so the host never keeps a reference
// to an object that is no longer in its tree.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "scene3d/Maths.h"
#include "vg2d/core/Easing.h"

namespace dx {

class TdxCamera;
class TdxCanvas;
class TdxObject;
class TdxPhysics;
class TdxVisualObject;

// The host of a 3D object tree, as the objects of the tree see it.
class IdxScene {
public:
  // Makes Obj a root of the host (it leaves its parent first); nothing for nil.
  virtual void AddObject(TdxObject* Obj) = 0;
  // Takes the root Obj out of the host's roots without freeing it.
  virtual void RemoveObject(TdxObject* Obj) = 0;
  // On opRemove: forget every reference to AComponent (selection, focus, capture, hover).
  virtual void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) = 0;
  // Whether the scene is being edited in a designer: animations then jump to their end.
  virtual bool GetDesignTime() const = 0;
  // Whether the scene ticks its tree itself (the idle-time loop) instead of the animation clock.
  virtual bool GetRealTime() const = 0;
  // The host itself, as a component; the stream nests root objects under it.
  virtual rtl::TComponent* GetComponent() = 0;

  // ---- what visual objects ask of their host ----
  // Draws the whole view again soon; asked many times before a frame, it draws once.
  virtual void RepaintScene() = 0;
  // Draws again soon only [Left, Right) x [Top, Bottom) of the view, in client pixels: what
  // changed of a layer lying one to one on the screen. A host that cannot draw parts of its
  // view draws all of it.
  virtual void RepaintSceneRect(int, int, int, int) { RepaintScene(); }
  // The canvas the view is drawn on; nil while there is none.
  virtual TdxCanvas* GetCanvas() = 0;
  // The size of the view in pixels: the area in which the screen layers are placed.
  virtual int GetClientWidth() = 0;
  virtual int GetClientHeight() = 0;
  // When Value differs from the focused object: KillFocus on the old one, EnterFocus on the
  // new one. Nil takes the focus away.
  virtual void SetFocused(TdxVisualObject* Value) = 0;
  virtual TdxVisualObject* GetFocused() = 0;
  // The object that holds the mouse; a non-nil value also takes the window's mouse capture,
  // nil releases it.
  virtual void SetCaptured(TdxVisualObject* Value) = 0;
  virtual TdxVisualObject* GetCaptured() = 0;
  // The object that takes the focus once the view is loaded.
  virtual TdxVisualObject* GetActiveControl() = 0;
  // The last pointer point: (x, y, 0) in client pixels.
  virtual TdxVector GetMousePos() = 0;
  // A client point to screen pixels, rounded.
  virtual void ClientToScreen(float X, float Y, int& ScreenX, int& ScreenY) = 0;
  // Starts a drag of Obj: a 3D object whose DragMode is automatic was pressed, or a 2D object
  // of one of the host's object layers starts one. Obj is the drag's source for the objects it
  // passes over, and its DragEnd (3D or 2D) runs when the drag ends.
  virtual void BeginVCLDrag(rtl::TComponent* Obj) = 0;
  // Design time: whether a designer shows Obj as selected (it gets a selection box).
  virtual bool IsDesignSelected(TdxVisualObject* Obj) = 0;
  // The camera the view is drawn through (nil: the canvas's own view).
  virtual TdxCamera* GetCamera() = 0;
  virtual void SetCamera(TdxCamera* Value) = 0;
  // A host that draws nothing at run time makes no bodies.
  virtual bool GetInvisibleAtRuntime() = 0;
  // The physics engine; with Create, made (of the default class) when there is none yet.
  // Nil when no engine class is named.
  virtual TdxPhysics* GetPhysics(bool Create) = 0;

protected:
  ~IdxScene() = default;
};

// Sender, the clock's time in seconds, the seconds since the previous tick.
using TdxProcessTickEvent = rtl::TEvent<void(rtl::TObject* Sender, double Time, float DeltaTime)>;

class TdxObject : public rtl::TComponent {
  RTL_CLASS(TdxObject, rtl::TComponent)
public:
  explicit TdxObject(rtl::TComponent* AOwner);
  ~TdxObject() override;
  // Tells the host, leaves the parent (or the host) and frees the children while the
  // object is whole; then the component's part.
  void BeforeDestruction() override;

  // ---- the tree ---------------------------------------------------------------------------
  TdxObject* Parent() const { return parent_; }
  // Leaves the old parent (or the host) and joins Value as its last child; nil only leaves.
  virtual void SetParent(TdxObject* Value);
  // Appends AObject (taking it from its old parent or host) and gives its subtree this
  // object's host. Adding an object twice keeps one entry; adding this object or one of
  // its ancestors does nothing.
  virtual void AddObject(TdxObject* AObject);
  // Takes AObject out of the children without freeing it; the host hears of its subtree.
  virtual void RemoveObject(TdxObject* AObject);
  // Frees every child, the first one first; each child's parent is cleared before it goes.
  virtual void DeleteChildren();
  // This object, then each child's subtree in order.
  void AddObjectsToList(std::vector<TdxObject*>& List);
  int ChildrenCount() const { return static_cast<int>(children_.size()); }
  // Nil for an index outside the children.
  TdxObject* Children(int Index) const;
  // Moves the object to the end of its parent's children (drawn last, hit first) / to the front.
  void BringToFront();
  void SendToBack();

  // ---- the host -----------------------------------------------------------------------------
  IdxScene* Scene() const { return scene_; }
  // Sets the host of this object and its whole subtree.
  void SetScene(IdxScene* Value);
  // Whether the host is being edited in a designer.
  bool InDesign() const { return scene_ && scene_->GetDesignTime(); }

  // ---- kind hooks the visual object answers -------------------------------------------------
  // False for a visual object that is not visible: animations below it do not run.
  virtual bool Shown() const { return true; }
  // Whether the trigger animations of the parent reach into this object: a visual object
  // that is locked and not hit-testable is part of its parent's look and follows its state.
  virtual bool FollowsParentTriggers() const { return false; }

  // ---- streams and names ------------------------------------------------------------------
  bool Stored() const { return stored_; }
  void SetStored(bool Value) { stored_ = Value; }
  const std::string& ResourceName() const { return resourceName_; }
  virtual void SetResourceName(const std::string& Value);

  // ---- time -----------------------------------------------------------------------------------
  // Ticks the children from the last to the first, then fires OnTick.
  virtual void ProcessTick(double Time, float DeltaTime);
  TdxProcessTickEvent OnTick;

  // ---- animations among the children ------------------------------------------------------
  // Starts, in child order, every child animation whose Name or ResourceName is AName
  // (case ignored); StopAnimation stops them from the last child to the first.
  virtual void StartAnimation(const std::string& AName);
  virtual void StopAnimation(const std::string& AName);
  // Stops the triggered animations, then offers ATrigger to every child animation; parts
  // of the object's look (FollowsParentTriggers) pass it on to their own children.
  virtual void StartTriggerAnimation(rtl::TObject* AInstance, const std::string& ATrigger);
  virtual void StopTriggerAnimation(rtl::TObject* AInstance);
  // Stops every child float or colour animation of the property path (case ignored).
  void StopFloatAnimations(const std::string& PropertyPath);
  // Animates the float property at PropertyPath (dotted, "Position.Z") from its current
  // value to NewValue over Duration seconds, after stopping the animations of that path.
  // The animation is a child of this object and frees itself once it has finished.
  void StartFloatAnimation(const std::string& PropertyPath, float NewValue, float Duration = 0.2f,
                           vg::TvxAnimationType AnimationType = vg::vgAnimationIn,
                           vg::TvxInterpolationType Interpolation = vg::vgInterpolationLinear);
  // The same, returning once the animation has finished (the message loop runs meanwhile),
  // or at once when a handler frees this object meanwhile. Do not touch the object after
  // the call unless you know it lives.
  void StartFloatAnimationWait(const std::string& PropertyPath, float NewValue, float Duration = 0.2f,
                               vg::TvxAnimationType AnimationType = vg::vgAnimationIn,
                               vg::TvxInterpolationType Interpolation = vg::vgInterpolationLinear);

  // ---- component stream hooks -------------------------------------------------------------
  rtl::TComponent* GetParentComponent() const override;
  bool HasParent() const override { return true; }

protected:
  void GetChildren(const rtl::TGetChildProc& Proc, rtl::TComponent* Root) override;
  void SetParentComponent(rtl::TComponent* Value) override;
  // Hooks of the visual object: a child joined (its host already set); a child left; the
  // children changed order.
  virtual void ChildAdded(TdxObject*) {}
  virtual void ChildRemoved(TdxObject*) {}
  virtual void ChildrenReordered() {}
  // This object's host is now another than Old (nil: it had none); the children's host changes
  // after it.
  virtual void SceneChanged(IdxScene* /*Old*/) {}

private:
  friend std::string SaveDxObjectToText(TdxObject* Object);
  void Teardown();
  // The host hears of every object of AObject's subtree.
  void NotifySceneOfSubtree(TdxObject* AObject);
  // A root leaves its host.
  void LeaveHost();

  TdxObject* parent_ = nullptr;
  IdxScene* scene_ = nullptr;
  bool stored_ = true;
  bool tornDown_ = false;
  std::string resourceName_;
  std::vector<TdxObject*> children_;
};

// Knows whether a component it watches has been freed: code that fires a handler which may
// free the object asks Gone() before touching it again.
class TdxFreeWatch {
public:
  explicit TdxFreeWatch(rtl::TComponent* Object);
  ~TdxFreeWatch();
  TdxFreeWatch(const TdxFreeWatch&) = delete;
  TdxFreeWatch& operator=(const TdxFreeWatch&) = delete;
  bool Gone() const;

private:
  class TWatcher;
  std::unique_ptr<TWatcher> watcher_;
};

// ---- classes by category ----------------------------------------------------------------

struct TdxClassEntry {
  std::string Category;
  rtl::TClass Class;
};

// Adds each class to the category, in order, and registers it with the class registry so
// that streams create it by name.
void RegisterDxClasses(const std::string& Category, std::initializer_list<rtl::TClass> Classes);
// Every (category, class) pair in registration order; empty before the first registration.
const std::vector<TdxClassEntry>& DxClassList();
// The classes of one category (case ignored) in registration order.
std::vector<rtl::TClass> DxClassesOf(const std::string& Category);
// Library shut-down: forgets the pairs (the classes stay registered with the runtime until
// their owners take them back).
void FreeDxClassList();

// ---- objects as component text ----------------------------------------------------------

// The object and its stored subtree in the component text form; the root is written
// without a name, and the object keeps its own.
std::string SaveDxObjectToText(TdxObject* Object);
// A new object of the registered 3D object class that the text names, owned by AOwner and
// filled from the text; nil for text that does not parse, a class that is not registered
// or one that is not a 3D object class. The caller holds the object; it belongs to AOwner
// once released.
std::unique_ptr<TdxObject> CreateDxObjectFromText(rtl::TComponent* AOwner, const std::string& Text);
// Reads a binary component stream into Object and its children: a name is kept where it is
// free among its owner's components and dropped where it is taken (pasted objects never
// clash), and properties that cannot be read are skipped. A stream whose structure is
// broken raises EReadError.
void LoadDxObjectFromStream(TdxObject* Object, rtl::TStream* Stream);

}  // namespace dx
