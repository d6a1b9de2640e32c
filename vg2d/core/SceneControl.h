// The scene control: a windowed control that hosts a 2D object tree. It owns a canvas of
// its own size, keeps the root objects, collects dirty rectangles, paints the roots into
// the canvas and copies the painted rectangles to its form; a transparent scene on a form
// gives the form whole frames with per-pixel alpha instead (the form's layered update).
// It routes the window's mouse, keyboard and drop input to the objects of its tree, keeps
// hover, capture and focus, walks the tab order, closes a modal form on Escape and moves
// or resizes its form when the user drags an empty spot or a size grip.
//
// Painting: a dirty rectangle either invalidates the window (its WM_PAINT paints the
// window's update region) or, for a transparent scene on a form, is queued and a deferred
// repaint message is posted; the handler drains every further such message and paints
// once. More than 20 dirty rectangles paint as their union.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/win/Forms.h"
#include "platform/win/InputMethod.h"
#include "vg2d/core/Brushes.h"
#include "vg2d/core/Canvas.h"
#include "vg2d/core/Scene.h"
#include "vg2d/core/SceneHost.h"
#include "vg2d/core/VisualObjects.h"

namespace win {
struct THintInfo;
}

namespace vg {

class TvxFrame;

// The deferred-repaint message of a transparent scene.
constexpr win::UINT WM_SCENEREPAINT = rtl::WM_USER + 123;
// More pending dirty rectangles than this paint as one union.
constexpr int MaxUpdateRects = 20;

// The number of hosts of 2D objects alive: the scene controls and the 3D object layers.
int SceneCount();
// A host other than the scene control (a 3D object layer) counts itself in when it is made
// and out when it goes; counting out answers the number left.
void CountSceneHostIn();
int CountSceneHostOut();

// The input method's composition font for a font of the library: its size in whole points
// at the screen's pixels an inch as the character height, bold and italic from its style,
// its family.
win::TCompositionFont CompositionFontOf(const TvxFont& Font);

class TvxCustomScene : public win::TCustomControl, public TvxSceneHost, public win::IDropTarget {
  RTL_CLASS(TvxCustomScene, win::TCustomControl)
public:
  explicit TvxCustomScene(rtl::TComponent* AOwner);
  ~TvxCustomScene() override;
  void BeforeDestruction() override;

  // ---- properties -----------------------------------------------------------------------------
  TvxBrush* Fill() const { return fill_.get(); }
  // Copies Value's settings into the scene's own brush.
  void SetFill(TvxBrush* Value);
  bool Transparency() const { return transparency_; }
  void SetTransparency(bool Value);
  TvxCanvas* Canvas() const { return canvas_.get(); }
  // The frame that shows this scene's root inside another tree (the scene then does not
  // paint), and the form copy a frame made of this scene's form.
  TvxFrame* Frame() const { return frame_; }
  void SetFrame(TvxFrame* Value);
  rtl::TComponent* FormCopy() const { return formCopy_; }
  void SetFormCopy(rtl::TComponent* Value) { formCopy_ = Value; }
  bool Moving() const { return moving_; }
  bool Resizing() const { return resizing_; }

  // Sizes the canvas's buffer to the control, reporting a buffer that cannot be had.
  void ResizeCanvas();
  // Paints the pending dirty rectangles (nothing while a frame shows the scene, while a
  // paint runs, or without dirty rectangles).
  void Paint() override;
  // Keys as the objects get them (Key a virtual-key code, KeyChar a UTF-16 unit); both
  // may be cleared by the objects.
  void KeyDown(std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift);
  void KeyUp(std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift);

  // ---- IvxScene: what the scene does its own way -----------------------------------------------
  void BeginWindowDrag() override;
  void BeginWindowResize() override;
  void AddUpdateRect(const TvxRect& R) override;
  TvxCanvas* GetCanvas() override { return canvas_.get(); }
  // The scene's owner; the component's own GetOwner (const) stays visible beside it.
  using rtl::TComponent::GetOwner;
  rtl::TComponent* GetOwner() override { return Owner(); }
  rtl::TComponent* GetComponent() override { return this; }
  bool GetTransparency() override { return transparency_; }
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;
  void SetCaptured(TvxVisualObject* Value) override;
  TvxPoint LocalToScreen(const TvxPoint& P) override;
  void BeginVCLDrag(TvxVisualObject* Obj) override;

  // ---- drops from other programs --------------------------------------------------------------
  win::HRESULT DragEnter(const win::TDropData& Data, rtl::TShiftState Keys, const win::TPoint& Pt,
                         std::int32_t& Effect) override;
  win::HRESULT DragOver(rtl::TShiftState Keys, const win::TPoint& Pt, std::int32_t& Effect) override;
  win::HRESULT DragLeave() override;
  win::HRESULT Drop(const win::TDropData& Data, rtl::TShiftState Keys, const win::TPoint& Pt,
                    std::int32_t& Effect) override;

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  win::LRESULT WndProc(win::MSG& Message) override;
  // On a layered form the scene's windowed children show in its picture: what one of them
  // presents is painted again with the scene.
  bool PresentChild(win::TWinControl* Child, const std::vector<win::TRect>& Rects) override;

protected:
  float HostWidth() override { return static_cast<float>(Width()); }
  float HostHeight() override { return static_cast<float>(Height()); }
  bool HostDestroying() override { return ComponentState().Contains(rtl::csDestroying); }
  void RootRemoved() override { Invalidate(); }
  void DefineProperties(rtl::TFiler* Filer) override;
  void Loaded() override;
  // The scene's own action, then those of the visible controls of its first root's tree,
  // so that the controls' actions update with the form's.
  void InitiateAction() override;
  void GetChildren(const rtl::TGetChildProc& Proc, rtl::TComponent* Root) override;
  void CreateHandle() override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void PaintHandler() override;
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, int X, int Y) override;
  void MouseMove(rtl::TShiftState Shift, int X, int Y) override;
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, int X, int Y) override;
  bool DoMouseWheel(rtl::TShiftState Shift, int WheelDelta, const win::TPoint& MousePos) override;

private:
  void FillChanged(rtl::TObject* Sender);
  bool OnLayeredForm() const;
  // Hands the layered form the given client rectangles of the canvas's pixels (all of them
  // without any), with the scene's windowed children painted over them.
  void UpdateLayered(const std::vector<win::TRect>& Rects = {});
  // Copies the rectangle R of the canvas to DC; an opaque scene's pixels are copied as the
  // window shows them, opaque (what a clear left shows its colour, not what lies under it).
  void CopyToDC(const gfx2d::PixelTarget& DC, const TvxRect& R);
  // Draws what lies under the scene in its parent (the parent's background and paint, then
  // the custom controls before the scene that meet it, theirs inside them too) into the
  // canvas within the dirty rectangles: the background of a transparent scene that is not
  // on a form.
  void DrawParentBackground();
  void HandleChar(char16_t Ch);
  // Puts the input method's composition at the focused object (its composition point when
  // it takes text), in its font.
  void PlaceComposition();
  // Answers CM_HINTSHOW: the object at the hint's point, when it shows a hint.
  void HintShow(win::THintInfo& Info);
  TvxDragObject MakeDragObject(const win::TDropData& Data) const;
  void ControlDragOver(rtl::TObject* Sender, rtl::TObject* Source, int X, int Y, int State, bool& Accept);
  void ControlDragDrop(rtl::TObject* Sender, rtl::TObject* Source, int X, int Y);
  TvxVisualObject* ControlDragTarget(rtl::TObject* Source, int X, int Y, TvxDragObject& Data);

  std::unique_ptr<TvxCanvas> canvas_;
  std::unique_ptr<TvxBrush> fill_;
  bool transparency_ = false;
  bool painting_ = false;
  TvxVisualObject* dropTarget_ = nullptr;
  TvxFrame* frame_ = nullptr;
  rtl::TComponent* formCopy_ = nullptr;
  TvxPoint lastRaw_{};
  TvxPoint dragStart_{};   // where a window move began, in the moved control's client coordinates
  win::TPoint resizeSize_{};  // the size a window resize has reached (may be below the window's)
  bool moving_ = false;
  bool resizing_ = false;
  rtl::TCursor savedCursor_ = rtl::crDefault;
  unsigned long long loadTimer_ = 0;
  win::TCustomControl* dragControl_ = nullptr;  // carries an object through a control drag
  TvxVisualObject* dragSource_ = nullptr;
  TvxDragObject oleData_;
  bool oleActive_ = false;
};

class TvxScene : public TvxCustomScene {
  RTL_CLASS(TvxScene, TvxCustomScene)
public:
  explicit TvxScene(rtl::TComponent* AOwner) : TvxCustomScene(AOwner) {}
};

// The marker of a size grip: pressing an object that implements it resizes the scene's
// form, and the mouse over it shows the diagonal sizing cursor.
class IvxSizeGrip {
public:
  virtual ~IvxSizeGrip() = default;
};

}  // namespace vg
