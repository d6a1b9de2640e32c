// The 3D scene control: a windowed control that hosts a 3D object tree. It keeps the root
// objects, makes a canvas of the default class with its window, draws one frame per render
// request and hands the frame to its form: a transparent scene on a form gives the form whole
// frames with per-pixel alpha (the form's layered update), any other scene copies its frame
// into the form's frame and presents it. It routes the window's mouse, keyboard and drop input
// to the objects along pick rays (SceneInput.cpp), keeps hover, capture and focus, moves or
// resizes its form when asked, and with RealTime on it ticks and draws from the idle handler.
//
// Frames draw what changed. The scene keeps its damage: the whole view (RepaintScene: any 3D
// change, the camera, the fill, a resize, a reset or the quality) or client rectangles
// (RepaintSceneRect: what changed of a layer lying one to one on the screen; more than 20
// become their union). A transparent scene on a form posts WM_DXSCENERENDER to its window
// (one at a time); the handler takes every further such message off the queue and draws the
// damage once. Any other scene invalidates the rectangles and draws on WM_PAINT; a part of the
// paint region the scene did not ask for means the whole view. A request made while a frame
// is being drawn keeps its damage for the next frame, which it asks for.
//
// A frame of rectangles where only object layers that lie one to one on the screen draw
// anything (the normal window: a GUI layer over the fill) is composed without the device: the
// fill, then each layer's buffer in drawing order, premultiplied, into the canvas's frame; the
// textures catch up at the next device frame. Where that composition is one layer's buffer as
// it stands (one layer from the client's corner over all of it, the fill transparent black:
// every window of the program), the frame is presented straight from the buffer and the
// canvas's frame catches up only when something needs it (FrameBuffer, a frame composed or
// drawn otherwise, the layer leaving). Any other frame of rectangles is drawn on the device
// held to their bounds (scissored) and only those are read back; the whole view is a whole
// device frame. Only the rectangles drawn reach the form.
//
// References: captured, hovered, focused, selected, the camera, the active control, the drop
// target and the object being dragged are plain pointers that the tree (and free
// notifications, for objects outside it) clears before the object goes.
//
// A designed scene edits its tree instead (SceneDesign.cpp): a press selects, handles on the
// selection resize or turn it, a drag moves it in a plane, Alt and Shift drags orbit and pan
// the design camera rig, the wheel brings the design camera nearer, Delete frees the selection,
// and the right button opens the design menu. No window of the program is designed; only
// tests switch design time on.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win/Forms.h"
#include "scene3d/Canvas.h"
#include "scene3d/Objects.h"
#include "scene3d/SceneObjects.h"
#include "scene3d/VisualObjects.h"
#include "vg2d/core/DesignEditor.h"

namespace win {
class TPopupMenu;
}

namespace dx {

class TdxGrid;

// The render request a transparent scene posts to itself.
constexpr win::UINT WM_DXSCENERENDER = rtl::WM_USER + 0x1F5;
// The snap step of design moves, in scene units.
inline constexpr float DesignSnapStep = 0.25f;

// The number of 3D scene controls alive.
int DxSceneCount();
// More damaged rectangles than this draw as their union.
inline constexpr int MaxSceneDamageRects = 20;

// What the left button drags in a designed scene: nothing, the selection, or the selection by
// one of its handles (see TdxDesignHandle).
enum class TdxDesignDrag { None, Move, ResizeWidthDepth, ResizeWidthHeight, RotateX, RotateY, RotateZ };

// The handles of a designed selection, in the order a press tests them. Centres in the
// selection's local space (W, H, D its sizes, O the handle offset): resize 1 at (W/2, -H/2,
// D/2), resize 2 at (-W/2, H/2, D/2), rotate X at (0, 0, D/2 + O), rotate Y at (W/2 + O, 0, 0),
// rotate Z at (0, -H/2 - O, 0). The resize handles belong to resizable objects, the rotation
// handles to rotatable ones, rotate X and Y only to objects seen through the camera.
enum class TdxDesignHandle { Resize1, Resize2, RotateX, RotateY, RotateZ };
inline constexpr int DesignHandleCount = 5;

// Where the handle lies on Obj with the given offset; false when Obj has no such handle.
bool DesignHandleCentre(const TdxVisualObject& Obj, TdxDesignHandle Handle, float Offset, TdxVector& Centre);

// Colours of the design selection: its frame and resize handles, its rotation handles, the
// handle being dragged, and the outline of every handle.
inline constexpr TdxColor DesignFrameColor = 0xFF5B91DEu;
inline constexpr TdxColor DesignRotateColor = 0xFF5BDE91u;
inline constexpr TdxColor DesignDraggedColor = 0xFFFF5010u;
inline constexpr TdxColor DesignOutlineColor = 0xAA000000u;

// What a designed scene shows its messages with: the window layer's message box, set by the
// library's start-up; tests may answer it. The open-file dialog is the design editors' shared
// one (vg::DesignOpenFileDialog), the clipboard the window layer's.
using TdxDesignMessageProc = std::function<void(const std::u16string& Text)>;
extern TdxDesignMessageProc DesignShowMessage;

// How a frame was made: the whole view on the device, a part of it on the device (held to
// the part and read back alone), or composed without the device.
enum class TdxFrameKind { None, Device, DevicePart, Composed };

class TdxCustomObjectLayer;

class TdxScene : public win::TCustomControl, public IdxScene, public win::IDropTarget, private IdxFrameKeeper {
  RTL_CLASS(TdxScene, win::TCustomControl)
public:
  explicit TdxScene(rtl::TComponent* AOwner);
  ~TdxScene() override;
  void BeforeDestruction() override;

  // ---- roots ----------------------------------------------------------------------------------
  int GetCount() const { return static_cast<int>(objects_.size()); }
  // Nil outside the list.
  TdxObject* GetObject(int Index) const;
  // The last root that is a visual object and not locked (the scene's own design objects are
  // locked); nil when there is none.
  TdxVisualObject* GetRoot() const;
  // Takes every root out of the list, the first first, clears its links and frees it.
  void DeleteChildren();

  // ---- frames ---------------------------------------------------------------------------------
  // Draws one frame now: the damage, or the whole view when there is none (nothing without a
  // canvas or while a frame is being drawn).
  virtual void RenderScene();
  // Hands the canvas's whole frame to the layered form.
  void UpdateLayer();
  // How many frames were drawn (BeginScene reached, or composed), for tests and statistics.
  int FrameCount() const { return frames_; }
  // How the last frame was made and the client rectangles it drew.
  TdxFrameKind LastFrameKind() const { return lastFrame_; }
  // Whether the last frame was presented straight from a layer's buffer.
  bool LastFrameFromLayer() const { return lastFromLayer_; }
  // The canvas's frame (Width x Height pixels, nil without one), brought up to date with what
  // the last frames presented straight from a layer.
  std::uint32_t* FrameBuffer();
  const std::vector<win::TRect>& LastFrameRects() const { return lastRects_; }

  // ---- properties -----------------------------------------------------------------------------
  bool AlignRoot() const { return alignRoot_; }
  void SetAlignRoot(bool Value) { alignRoot_ = Value; }
  bool AllowDrag() const { return allowDrag_; }
  void SetAllowDrag(bool Value) { allowDrag_ = Value; }
  TdxVisualObject* ActiveControl() const { return activeControl_; }
  // Stores it and, unless loading, the object takes the focus (when it can).
  void SetActiveControl(TdxVisualObject* Value);
  bool Lighting() const { return lighting_; }
  void SetLighting(bool Value) { lighting_ = Value; }
  TdxQuality Quality() const { return quality_; }
  // A change reaches the canvas when there is one; before that the canvas takes it at creation.
  void SetQuality(TdxQuality Value);
  // "#AARRGGBB"; a different colour is stored and the control invalidated.
  std::string FillColor() const;
  void SetFillColor(const std::string& Value);
  TdxColor FillColorValue() const { return fillColor_; }
  std::string AmbientColor() const;
  void SetAmbientColor(const std::string& Value);
  TdxCamera* Camera() const { return camera_; }
  bool Transparency() const { return transparency_; }
  void SetTransparency(bool Value) { transparency_ = Value; }
  bool RealTime() const { return realTime_; }
  // A change makes this scene the application's idle handler (unless designing).
  void SetRealTime(bool Value);
  int RealTimeSleep() const { return realTimeSleep_; }
  void SetRealTimeSleep(int Value) { realTimeSleep_ = Value; }
  bool InvisibleAtRuntime() const { return invisibleAtRuntime_; }
  void SetInvisibleAtRuntime(bool Value) { invisibleAtRuntime_ = Value; }
  bool UsingDesignCamera() const { return usingDesignCamera_; }
  void SetUsingDesignCamera(bool Value) { usingDesignCamera_ = Value; }
  bool DesignSnapToGrid() const { return designSnapToGrid_; }
  void SetDesignSnapToGrid(bool Value) { designSnapToGrid_ = Value; }
  bool DesignSnapToLines() const { return designSnapToLines_; }
  void SetDesignSnapToLines(bool Value) { designSnapToLines_ = Value; }
  bool DesignSnapGridShow() const { return designSnapGridShow_; }
  void SetDesignSnapGridShow(bool Value);
  // The design camera rig: dummy A turns the view about Z, dummy B (its child) tilts it about X,
  // the camera (B's child) stands at Position.Y = minus its distance from the rig's centre.
  TdxDummy* DesignDummyA() const { return designDummyA_; }
  TdxDummy* DesignDummyB() const { return designDummyB_; }
  TdxCamera* DesignCamera() const { return designCamera_; }
  // The camera frames are drawn and pointed through. Designing: Camera while a design click looks
  // through it (TdxCamera::LookingThrough), else the design camera; at run time the design
  // camera while UsingDesignCamera, else Camera (nil: the canvas's own view).
  TdxCamera* ViewCamera() const;
  // The design grid: 50 x 50 at the scene's centre, seen only while designing, and then only
  // with DesignSnapGridShow (it hides by opacity).
  TdxGrid* DesignGrid() const { return designGrid_; }

  // ---- real time ------------------------------------------------------------------------------
  // The idle handler: with RealTime on one tick and frame, and "not done" so that it runs again
  // (after RealTimeSleep milliseconds when that is set).
  void DoIdle(rtl::TObject* Sender, bool& Done);
  // One frame of the loop: time, statistics, the roots' ticks, the physics, the frame.
  void RealTimeTick();
  float FramesPerSecond() const { return fps_; }
  float DeltaTime() const { return deltaTime_; }
  // Makes the physics engine of the default class when there is none.
  void CreatePhysics();

  // ---- input (SceneInput.cpp) -----------------------------------------------------------------
  // The object under a client point (see the file comment of SceneInput.cpp); nil when none.
  TdxVisualObject* ObjectAtPoint(float X, float Y);
  // Rounded to the snap step when snapping to the grid.
  float SnapValue(float Value) const;
  void BeginWindowDrag();
  void BeginWindowResize();
  bool Moving() const { return moving_; }
  bool Resizing() const { return resizing_; }
  TdxVisualObject* Hovered() const { return hovered_; }
  TdxVisualObject* Selected() const { return selected_; }
  TdxVisualObject* DropTarget() const { return dropTarget_; }
  // What a control drag carries: a 3D object, or a 2D object of an object layer; nil
  // outside a drag.
  rtl::TComponent* DragObject() const { return dragObject_; }
  // Keys as the objects get them; Tab (with a root) moves the focus instead.
  void KeyDown(std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift);
  void KeyUp(std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift);
  // The hint of the object under a client point: its text, and the square of 10 pixels
  // around the point in which it holds (an object layer answers for its 2D objects). False
  // when no object with ShowHint is there. Data, when given, gets what the hint names.
  bool HintAt(int X, int Y, std::u16string& Text, win::TRect& CursorRect, const void** Data = nullptr);

  // ---- design time (SceneDesign.cpp) -----------------------------------------------------------
  // The scene edits its tree with the mouse and the design menu. Taken from the component's
  // design state when the scene is made; no window of the program is ever edited, so only
  // tests switch it on afterwards.
  void SetDesignTime(bool Value);
  TdxDesignDrag DesignDrag() const { return designDrag_; }
  // The objects Ctrl-presses added beside the selection; emptied at every release.
  const std::vector<TdxVisualObject*>& DesignSelectionList() const { return designList_; }
  // Makes Obj (an object of this scene, or nil) the selection; a new one gets DesignInsert.
  void DesignSelect(TdxVisualObject* Obj);
  // The handles' size and offset in the selection's local units, this scene's own: 0.18 and
  // 1.8 at first; for a selection in screen space 3 and 10 pixels; through the camera the
  // size grows with the selection's distance, so a handle keeps its size on the screen.
  // Worked out at every press and every frame that draws the selection.
  float DesignHandleSize() const { return handleSize_; }
  float DesignHandleOffset() const { return handleOffset_; }
  // A name InsertObject was given that names a class outside the 3D objects.
  const std::string& PendingInsertText() const { return pendingInsertText_; }
  // Where the design menu was last opened, in screen pixels: (0, 0) before the first
  // menu, (-1, -1) after every insertion.
  win::TPoint DesignMenuPoint() const { return menuPoint_; }
  // Records the mouse's screen position as the menu point and pops the design menu up there.
  void ShowDesignMenu();
  // The menu on the screen; nil before the first one.
  win::TPopupMenu* DesignPopupMenu() const { return designMenu_.get(); }
  // The design menu as the selection and the options make it now: "Add object" (a submenu
  // per category of the 3D classes), "Hide in Design-time" (with a selection), "Order",
  // "Delete object", "Edit", "Load From File...", "Show grid". Empty without 3D classes.
  std::vector<vg::TvxDesignMenuItem> BuildDesignMenu();
  // Runs the entry at the caption path ("Add object", "Shapes", "Cube"); false when none.
  bool ChooseDesignMenu(const std::vector<std::u16string>& Path);
  // Makes an object of the named registered class: a child of the selection, or the root of
  // a scene without one. An unknown name clears PendingInsertText, a class that is not a 3D
  // object is kept there. With the menu point set, an object in screen space is placed there.
  void InsertObject(const std::string& ClassName);

  // ---- IdxScene -------------------------------------------------------------------------------
  void AddObject(TdxObject* Obj) override;
  void RemoveObject(TdxObject* Obj) override;
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;
  bool GetDesignTime() const override { return designing_; }
  bool GetRealTime() const override { return realTime_; }
  rtl::TComponent* GetComponent() override { return this; }
  // Ask for a frame of the whole view or of a client rectangle (see the file comment).
  void RepaintScene() override;
  void RepaintSceneRect(int Left, int Top, int Right, int Bottom) override;
  TdxCanvas* GetCanvas() override { return canvas_.get(); }
  int GetClientWidth() override { return Width(); }
  int GetClientHeight() override { return Height(); }
  void SetFocused(TdxVisualObject* Value) override;
  TdxVisualObject* GetFocused() override { return focused_; }
  void SetCaptured(TdxVisualObject* Value) override;
  TdxVisualObject* GetCaptured() override { return captured_; }
  TdxVisualObject* GetActiveControl() override { return activeControl_; }
  TdxVector GetMousePos() override { return lastPoint_; }
  void ClientToScreen(float X, float Y, int& ScreenX, int& ScreenY) override;
  void BeginVCLDrag(rtl::TComponent* Obj) override;
  // No designer is ever attached to a scene: the selection is drawn by the scene itself.
  bool IsDesignSelected(TdxVisualObject*) override { return false; }
  TdxCamera* GetCamera() override { return camera_; }
  void SetCamera(TdxCamera* Value) override;
  bool GetInvisibleAtRuntime() override { return invisibleAtRuntime_; }
  TdxPhysics* GetPhysics(bool Create) override;

  // ---- drops from other programs (points in screen pixels) ------------------------------------
  win::HRESULT DragEnter(const win::TDropData& Data, rtl::TShiftState Keys, const win::TPoint& Pt,
                         std::int32_t& Effect) override;
  win::HRESULT DragOver(rtl::TShiftState Keys, const win::TPoint& Pt, std::int32_t& Effect) override;
  win::HRESULT DragLeave() override;
  win::HRESULT Drop(const win::TDropData& Data, rtl::TShiftState Keys, const win::TPoint& Pt,
                    std::int32_t& Effect) override;

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  win::LRESULT WndProc(win::MSG& Message) override;

protected:
  void DefineProperties(rtl::TFiler* Filer) override;
  void Loaded() override;
  void GetChildren(const rtl::TGetChildProc& Proc, rtl::TComponent* Root) override;
  void CreateHandle() override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Paint() override;
  // Adds the paint region to the damage and draws it.
  void PaintHandler() override;
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, int X, int Y) override;
  void MouseMove(rtl::TShiftState Shift, int X, int Y) override;
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, int X, int Y) override;
  bool DoMouseWheel(rtl::TShiftState Shift, int WheelDelta, const win::TPoint& MousePos) override;

private:
  bool OnForm() const;
  bool IsLoading() const { return ComponentState().Contains(rtl::csLoading); }
  bool IsDestroying() const { return ComponentState().Contains(rtl::csDestroying); }
  // ---- frames ----
  // A layer a frame lays on the window without the device, with its buffer's pixel (0, 0)
  // at client point (X, Y).
  struct TComposedLayer {
    TdxCustomObjectLayer* Layer;
    int X, Y;
  };
  void RequestFrame(const win::TRect* Part);
  // Draws the damage (nothing when there is none or a frame is being drawn).
  void DrawDamage();
  void DrawFrame(bool Whole, std::vector<win::TRect> Rects);
  void DrawDeviceFrame(const win::TRect& Part, bool Whole);
  // Whether only object layers lying one to one on the screen draw anything; they are listed
  // in drawing order.
  bool PlanComposition(std::vector<TComposedLayer>& Layers) const;
  bool PlanChildren(const TdxVisualObject* Parent, std::vector<TComposedLayer>& Layers) const;
  // The layer whose buffer is the composition of Layers over the fill; nil when none is.
  TdxCustomObjectLayer* DirectLayer(const std::vector<TComposedLayer>& Layers) const;
  // Brings the layers' buffers up to date, as a device frame would before drawing them; false
  // when a handler freed one (the next frame then draws the whole view).
  bool UpdateComposedLayers(const std::vector<TComposedLayer>& Layers);
  void ComposeFrame(const std::vector<win::TRect>& Rects, const std::vector<TComposedLayer>& Layers);
  // Copies into the canvas's frame what was presented straight from a layer since (the canvas
  // asks too, before it hands its frame out).
  void CatchUpFrame() override;
  // Hands the rectangles of the canvas's frame, or of the AWidth x AHeight pixels Bits (client
  // point (0, 0) first, rows without padding), to the form.
  void Present(const std::vector<win::TRect>& Rects);
  void Present(const std::vector<win::TRect>& Rects, const std::uint32_t* Bits, int AWidth, int AHeight);
  // Design mode: three lines of mouse hints at the top left of the view.
  void DrawDesignHints(TdxCanvas& C);
  void Watch(rtl::TComponent* Old, rtl::TComponent* New);
  // Makes Obj the object the control drag carries; a 2D object (outside the 3D tree, whose
  // removals the scene hears of anyway) is watched while it is carried.
  void WatchDragObject(rtl::TComponent* Obj);
  // Input helpers (SceneInput.cpp).
  void SendMouseDown(TdxVisualObject* Obj, rtl::TMouseButton Button, rtl::TShiftState Shift);
  void SendMouseMove(TdxVisualObject* Obj, rtl::TShiftState Shift);
  void SendMouseUp(TdxVisualObject* Obj, rtl::TMouseButton Button, rtl::TShiftState Shift);
  void LocalRay(TdxVisualObject* Obj, TdxVector& Point, TdxVector& RayPos, TdxVector& RayDir) const;
  void Unhover();
  void HandleChar(char16_t Ch);
  // Puts the input method's composition where the focused object takes typed text, else at
  // its corner.
  void PlaceComposition();
  void TabFocus(bool Backward);
  TdxVisualObject* DropSearch(float X, float Y, const TdxDragObject& Data);
  void ControlDragOver(rtl::TObject* Sender, rtl::TObject* Source, int X, int Y, int State, bool& Accept);
  void ControlDragDrop(rtl::TObject* Sender, rtl::TObject* Source, int X, int Y);
  void SetDropTarget(TdxVisualObject* Value, const TdxDragObject& Data, const TdxVector& Point);
  // Design time (SceneDesign.cpp).
  void DesignMouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift);
  void DesignMouseMove(rtl::TShiftState Shift);
  void DesignMouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift);
  void DesignWheel(int WheelDelta);
  void DesignKeyUp(std::uint16_t Key);
  // The selection's frame and handles, over the frame's objects.
  void DrawDesignSelection(TdxCanvas& C);
  // The canvas looks through the view camera as it is now (the rig may have moved since the last
  // frame), or through none when there is none: it never keeps a camera the scene let go of,
  // which may be freed before the next frame.
  void FollowViewCamera();
  void UpdateHandleMetrics(const TdxVisualObject& Selection);
  // The pick ray of a client point for objects drawn with AProjection, in scene space.
  bool DesignRay(TdxProjection AProjection, const TdxVector& Point, TdxVector& RayPos, TdxVector& RayDir) const;
  // Where the pick ray of a client point meets a plane; false when it runs along the plane,
  // meets it behind its start or at no finite point.
  bool DesignMeet(TdxProjection AProjection, const TdxVector& Point, const TdxVector& PlanePoint,
                  const TdxVector& Normal, TdxVector& Meeting) const;
  void ChangeSelection(TdxVisualObject* Obj, bool Announce);
  void MakeDesignRoot();
  void OrbitStep();
  void PanStep(rtl::TShiftState Shift);
  void MoveStep(rtl::TShiftState Shift);
  void ResizeStep();
  void RotateStep();
  void HideSelection();
  void DeleteSelection();
  void CopySelection();
  void PasteFromClipboard();
  void LoadFromFile();

  std::unique_ptr<TdxCanvas> canvas_;
  std::vector<TdxObject*> objects_;
  TdxVisualObject* selected_ = nullptr;
  TdxVisualObject* captured_ = nullptr;
  TdxVisualObject* hovered_ = nullptr;
  TdxVisualObject* focused_ = nullptr;
  TdxVisualObject* activeControl_ = nullptr;
  TdxVisualObject* dropTarget_ = nullptr;
  rtl::TComponent* dragObject_ = nullptr;  // the object a control drag carries (3D or 2D)
  TdxCamera* camera_ = nullptr;
  TdxDummy* designDummyA_ = nullptr;
  TdxDummy* designDummyB_ = nullptr;
  TdxCamera* designCamera_ = nullptr;
  TdxGrid* designGrid_ = nullptr;
  win::TCustomControl* dragControl_ = nullptr;
  std::unique_ptr<TdxPhysics> physics_;
  // Mouse state: the last pointer point, the snapped one and the previous snapped one.
  TdxVector lastPoint_{0, 0, 0, 1};
  TdxVector snapPoint_{0, 0, 0, 1};
  TdxVector prevSnapPoint_{0, 0, 0, 1};
  bool moving_ = false;
  bool resizing_ = false;
  int resizeWidth_ = 0;
  int resizeHeight_ = 0;
  // Drops from other programs.
  TdxDragObject oleData_;
  bool oleActive_ = false;
  bool designing_ = false;
  bool transparency_ = false;
  bool allowDrag_ = false;
  bool designSnapToGrid_ = false;
  bool designSnapToLines_ = true;
  bool designSnapGridShow_ = true;
  bool alignRoot_ = true;
  bool rendering_ = false;
  bool lighting_ = true;
  TdxColor fillColor_ = 0xFF303030u;
  TdxColor ambientColor_ = 0xFF202020u;
  TdxQuality quality_ = dxLowQuality;
  bool realTime_ = false;
  int realTimeSleep_ = 0;
  bool invisibleAtRuntime_ = false;
  bool usingDesignCamera_ = true;
  rtl::TCursor savedCursor_ = rtl::crDefault;
  // Real-time statistics: seconds on the application clock.
  double lastTime_ = 0;
  double accumulated_ = 0;
  int frameCounter_ = 0;
  float fps_ = 0;
  float deltaTime_ = 0;
  unsigned long long pauseTimer_ = 0;  // runs while the loop rests RealTimeSleep ms
  int frames_ = 0;
  // The damage: the whole view, or these client rectangles.
  bool damageWhole_ = false;
  std::vector<win::TRect> damage_;
  TdxFrameKind lastFrame_ = TdxFrameKind::None;
  std::vector<win::TRect> lastRects_;
  bool lastFromLayer_ = false;
  // Where the canvas's frame is behind the form: client rectangles presented straight from
  // behindLayer_'s buffer (more than MaxSceneDamageRects become their union).
  TdxCustomObjectLayer* behindLayer_ = nullptr;
  std::vector<win::TRect> behind_;
  // Design time.
  std::vector<TdxVisualObject*> designList_;
  TdxDesignDrag designDrag_ = TdxDesignDrag::None;
  float handleSize_ = 0.18f;
  float handleOffset_ = 1.8f;
  std::string pendingInsertText_;
  win::TPoint menuPoint_{0, 0};
  std::unique_ptr<win::TPopupMenu> designMenu_;
};

}  // namespace dx
