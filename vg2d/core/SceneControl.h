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

// The number of scene controls alive.
int SceneCount();

// The input method's composition font for a font of the library: its size in pixels as
// the character height, bold and italic from its style, its family.
win::TCompositionFont CompositionFontOf(const TvxFont& Font);

class TvxCustomScene : public win::TCustomControl, public IvxScene, public win::IDropTarget {
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
  TvxResources* Style() const { return style_; }
  TvxControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TvxControl* Value);
  bool AnimatedCaret() const { return animatedCaret_; }
  void SetAnimatedCaret(bool Value) { animatedCaret_ = Value; }
  bool DesignSnapToGrid() const { return designSnapToGrid_; }
  bool DesignSnapToLines() const { return designSnapToLines_; }
  bool DesignSnapGridShow() const { return designSnapGridShow_; }
  TvxCanvas* Canvas() const { return canvas_.get(); }
  const std::vector<TvxRect>& UpdateRects() const { return updateRects_; }
  TvxVisualObject* Hovered() const { return hovered_; }
  // The frame that shows this scene's root inside another tree (the scene then does not
  // paint), and the form copy a frame made of this scene's form.
  TvxFrame* Frame() const { return frame_; }
  void SetFrame(TvxFrame* Value);
  rtl::TComponent* FormCopy() const { return formCopy_; }
  void SetFormCopy(rtl::TComponent* Value) { formCopy_ = Value; }
  int RootCount() const { return static_cast<int>(roots_.size()); }
  TvxObject* Roots(int Index) const { return roots_[static_cast<size_t>(Index)]; }
  bool Moving() const { return moving_; }
  bool Resizing() const { return resizing_; }

  // The object under a point in scene coordinates: the roots from the last to the first.
  TvxVisualObject* ObjectAtPoint(const TvxPoint& P);
  // Lays the first root out over the whole control (turned roots with width and height
  // exchanged).
  void RealignRoot();
  // Paints the pending dirty rectangles (nothing while a frame shows the scene, while a
  // paint runs, or without dirty rectangles).
  void Paint() override;
  // Keys as the objects get them (Key a virtual-key code, KeyChar a UTF-16 unit); both
  // may be cleared by the objects.
  void KeyDown(std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift);
  void KeyUp(std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift);

  // ---- IvxScene -------------------------------------------------------------------------------
  void AddObject(TvxObject* Obj) override;
  void RemoveObject(TvxObject* Obj) override;
  void BeginWindowDrag() override;
  void BeginWindowResize() override;
  void AddUpdateRect(const TvxRect& R) override;
  void InsertObject(const std::string& ClassName) override;
  TvxControl* GetActiveControl() override { return activeControl_; }
  bool GetDisableUpdate() override { return disableUpdate_; }
  void SetDisableUpdate(bool Value) override { disableUpdate_ = Value; }
  bool GetDesignTime() override { return designTime_; }
  TvxCanvas* GetCanvas() override { return canvas_.get(); }
  TvxObject* GetRoot() override { return roots_.empty() ? nullptr : roots_.front(); }
  // The scene's owner; the component's own GetOwner (const) stays visible beside it.
  using rtl::TComponent::GetOwner;
  rtl::TComponent* GetOwner() override { return Owner(); }
  rtl::TComponent* GetComponent() override { return this; }
  TvxResources* GetStyle() override { return style_; }
  void SetStyle(TvxResources* Value) override;
  bool GetTransparency() override { return transparency_; }
  void UpdateStyle() override;
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;
  TvxVisualObject* GetSelected() override { return selected_; }
  TvxVisualObject* GetDesignPlaceObject() override { return designPlaceObject_; }
  int GetUpdateRectsCount() override { return static_cast<int>(updateRects_.size()); }
  TvxRect GetUpdateRect(int Index) override { return updateRects_[static_cast<size_t>(Index)]; }
  void SetCaptured(TvxVisualObject* Value) override;
  TvxVisualObject* GetCaptured() override { return captured_; }
  void SetFocused(TvxVisualObject* Value) override;
  TvxVisualObject* GetFocused() override { return focused_; }
  void SetDesignEditObject(TvxVisualObject* Value) override { designEditObject_ = Value; }
  TvxPoint GetMousePos() override { return mousePos_; }
  TvxPoint LocalToScreen(const TvxPoint& P) override;
  void BeginVCLDrag(TvxVisualObject* Obj) override;
  void SetSelected(TvxVisualObject* Obj) override;
  bool GetAnimatedCaret() override { return animatedCaret_; }
  bool ShowKeyboard(TvxControl*) override { return false; }
  void HideKeyboard(TvxControl*) override {}

  // ---- drops from other programs --------------------------------------------------------------
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
  void PaintHandler() override;
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, int X, int Y) override;
  void MouseMove(rtl::TShiftState Shift, int X, int Y) override;
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, int X, int Y) override;
  bool DoMouseWheel(rtl::TShiftState Shift, int WheelDelta, const win::TPoint& MousePos) override;

private:
  void FillChanged(rtl::TObject* Sender);
  bool OnLayeredForm() const;
  void UpdateLayered();
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
  std::vector<TvxObject*> roots_;
  std::vector<TvxRect> updateRects_;
  bool disableUpdate_ = false;
  bool designTime_ = false;
  bool transparency_ = false;
  bool animatedCaret_ = true;
  bool painting_ = false;
  bool designSnapToGrid_ = false;
  bool designSnapToLines_ = true;
  bool designSnapGridShow_ = false;
  TvxResources* style_ = nullptr;
  TvxControl* activeControl_ = nullptr;
  TvxVisualObject* selected_ = nullptr;
  TvxVisualObject* captured_ = nullptr;
  TvxVisualObject* hovered_ = nullptr;
  TvxVisualObject* focused_ = nullptr;
  TvxVisualObject* designPlaceObject_ = nullptr;
  TvxVisualObject* designEditObject_ = nullptr;
  TvxVisualObject* dropTarget_ = nullptr;
  TvxFrame* frame_ = nullptr;
  rtl::TComponent* formCopy_ = nullptr;
  TvxPoint mousePos_{};
  TvxPoint lastRaw_{};
  win::TPoint dragStartCursor_{};    // screen point where a window move or resize began
  win::TRect dragStartBounds_{};     // the owner's bounds then
  bool moving_ = false;
  bool resizing_ = false;
  rtl::TCursor savedCursor_ = rtl::crDefault;
  unsigned long long loadTimer_ = 0;
  win::TCustomControl* dragControl_ = nullptr;  // carries an object through a control drag
  TvxVisualObject* dragSource_ = nullptr;
  std::vector<std::uint32_t> layeredBits_;  // the frame handed to a layered form
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
