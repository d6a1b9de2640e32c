// The design editor of a 2D tree: what a designed host (TvxSceneHost with its design time
// set) does with presses, moves, releases, the Delete key and its design menu. A press
// selects an object (Ctrl adds others to a multi-selection, a double click runs its
// DesignClick), the selection shows a frame with eight resize grips and a rotation handle,
// and dragging moves, resizes or turns it: positions snap to the grid, a moved object snaps
// to the edges and centres of its siblings (snap lines, drawn while they hold; the frame
// and the lines are plain or dashed as the host's kind says), a dragged grip snaps to their
// edges, and with Alt the object moves into the object under the mouse without moving on
// screen. The menu inserts, deletes, hides, orders, copies and pastes objects (through one
// text buffer of the program, not the system clipboard), loads a tree from a file, copies
// styles into the host's own style resources, edits the tab order and sets the snap options.
//
// No window of the program is designed; hosts are put into design time by tests only.
// The dialogs the editor opens (the open-file dialog, the tab-order window, the message
// box that says why a copy failed) belong to the control library, which supplies them at
// its start-up.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Events.h"
#include "platform/rtl/InputTypes.h"
#include "vg2d/core/Geometry.h"

namespace win {
class TPopupMenu;
}

namespace vg {

class TvxCanvas;
class TvxControl;
class TvxObject;
class TvxSceneHost;
class TvxVisualObject;

// ---- what the control library supplies -------------------------------------------------------

// Asks for a file to open; true with FileName set when one was chosen.
using TvxDesignOpenFileProc = std::function<bool(const std::string& Filter, std::string& FileName)>;
extern TvxDesignOpenFileProc DesignOpenFileDialog;
// Shows the tab order of Control's siblings and lets the user change it (modal).
using TvxDesignTabOrderProc = std::function<void(TvxVisualObject* Control)>;
extern TvxDesignTabOrderProc DesignTabOrderDialog;
// Shows a message of the editor and waits until the user has read it (modal).
using TvxDesignMessageProc = std::function<void(const std::u16string& Text)>;
extern TvxDesignMessageProc DesignMessageDialog;

// The text "Copy to clipboard" leaves for every designed host of the program to paste.
std::string& DesignClipboard();

// The name a control's style part gets in a host's own style resources: its Resource, else
// its class name without the "Tvx" prefix followed by "Style" ("ButtonStyle"), all in lower
// case with LowerCase ("buttonstyle"). Style look-ups ignore case, so either names the same
// part as the built-in "buttonstyle".
std::string DesignStyleName(TvxControl* Control, bool LowerCase);

// One entry of the design menu: a command, or a submenu when it has items.
struct TvxDesignMenuItem {
  std::u16string Caption;
  bool Checked = false;
  int Tag = 0;
  std::function<void()> Action;
  std::vector<TvxDesignMenuItem> Items;
};

// Runs the entry of Items at the caption path ("Grid", "Snap to grid"; accelerator marks do
// not count); false when there is no such entry or it is a submenu.
bool ChooseDesignMenuItem(std::vector<TvxDesignMenuItem> Items, const std::vector<std::u16string>& Path);
// Pops Items up at the screen point in a new menu that Holder keeps (the one it kept goes);
// a submenu entry opens its items in a submenu beside its row, its parent staying open.
// Holder must live while the menu is on the screen.
void PopupDesignMenu(std::unique_ptr<win::TPopupMenu>& Holder, const std::vector<TvxDesignMenuItem>& Items, int X,
                     int Y);

class TvxDesignEditor {
public:
  // The grips of the selection, in the order a press tests them.
  enum TGrip {
    gripRotate,
    gripTopLeft,
    gripTopRight,
    gripBottomLeft,
    gripBottomRight,
    gripTopMiddle,
    gripBottomMiddle,
    gripLeftMiddle,
    gripRightMiddle,
    gripCount
  };
  // What the left button drags: nothing, the selection, or one of its grips (TGrip).
  static constexpr int dragNone = -2;
  static constexpr int dragMove = -1;
  // Half the side of a grip's square, the tolerance of snap lines and that of grip snapping
  // (whether a distance of exactly the tolerance snaps is the host kind's choice:
  // TvxDesignKind::SnapsAtTolerance).
  static constexpr float GripHalf = 3;
  static constexpr float LineTolerance = 2;
  static constexpr float GripTolerance = 4;

  explicit TvxDesignEditor(TvxSceneHost& Host);
  ~TvxDesignEditor();
  TvxDesignEditor(const TvxDesignEditor&) = delete;
  TvxDesignEditor& operator=(const TvxDesignEditor&) = delete;

  // ---- options --------------------------------------------------------------------------------
  bool SnapToGrid() const { return snapToGrid_; }
  void SetSnapToGrid(bool Value) { snapToGrid_ = Value; }
  bool SnapToLines() const { return snapToLines_; }
  void SetSnapToLines(bool Value) { snapToLines_ = Value; }
  // Stored and toggled; no grid is drawn.
  bool SnapGridShow() const { return snapGridShow_; }
  void SetSnapGridShow(bool Value) { snapGridShow_ = Value; }
  float SnapGridSize() const { return snapGridSize_; }
  void SetSnapGridSize(float Value) { snapGridSize_ = Value; }
  // V cut toward zero to the grid while snapping to it (a zero step snaps nothing).
  float SnapValue(float V) const;
  // The menu opens only while set (it is from the start).
  bool MenuEnabled() const { return menuEnabled_; }
  void SetMenuEnabled(bool Value) { menuEnabled_ = Value; }

  // ---- state ----------------------------------------------------------------------------------
  const std::vector<TvxVisualObject*>& SelectionList() const { return selectionList_; }
  // The siblings the last snap matched, each once.
  const std::vector<TvxVisualObject*>& SnapObjects() const { return snapObjects_; }
  int Dragging() const { return drag_; }
  bool GripHot(TGrip Grip) const { return hot_[static_cast<size_t>(Grip)]; }
  // A name InsertObject was given that names a class outside the 2D objects (in a scene, also
  // one that names no class).
  const std::string& PendingInsertText() const { return pendingInsertText_; }
  // Where the menu inserts, in host coordinates; (-1, -1) when not set.
  TvxPoint InsertPos() const { return insertPos_; }
  void SetInsertPos(const TvxPoint& P) { insertPos_ = P; }
  // Fires after the selection changes or an object is inserted; Sender is the host.
  rtl::TNotifyEvent OnDesignSelection;

  // A grip's square in the selection's local coordinates, for a selection of Bounds.
  static TvxRect GripRect(TGrip Grip, const TvxRect& Bounds);
  // The grip of the selection at a host point, tested in the press order; -1 for none, and
  // always -1 without a selection or for a resize-locked one.
  int GripAt(const TvxPoint& P);

  // ---- input (points in host coordinates; the host has set its mouse position first) ---------
  void Press(rtl::TMouseButton Button, rtl::TShiftState Shift, const TvxPoint& Raw);
  void Move(rtl::TShiftState Shift, const TvxPoint& Raw);
  void Release();
  // Delete frees the selection and leaves nothing selected; never the root. The key is
  // not cleared.
  void KeyUp(std::uint16_t Key);
  // Whether a press at P is the editor's: a tree without roots, a drag under way, an object
  // under the point or the selection's area.
  bool HitTest(const TvxPoint& P);
  // The selection's frame and grips, the snap lines and the drop caption, over the roots.
  void Paint(TvxCanvas* Canvas);

  // ---- commands -----------------------------------------------------------------------------
  // Makes Obj (an object of this host, or nil) the selection.
  void Select(TvxVisualObject* Obj);
  // Creates an object of a registered class under the selection, or as the root of an
  // empty tree; see the design menu's "Add object".
  void Insert(const std::string& ClassName);
  // Frees the selection and selects its visual parent (else the root); never the root.
  void DeleteSelection();
  // Hides the selection at design time or shows it again; a hidden selection passes to its
  // visual parent. The root only where the host's kind hides it.
  void ToggleDesignHide();
  void BringToFront();
  void SendToBack();
  // The selection's text into the buffer; what the stream cannot hold (a reference whose
  // path is too long) leaves the buffer as it was, and the message dialog says why.
  void Copy();
  // A copy of the buffer's object under the selection (else under the root, else as the
  // root); nothing from an empty buffer.
  void Paste();
  // A tree from a file of component text, placed as a paste is.
  void LoadFromFile();
  void EditDefaultStyle();
  void EditCustomStyle();
  void EditTabOrder();
  // The "Grid" entries by tag (1 show, 2 grid, 3 lines, 4 disabled) with the entry's new
  // check state; the whole host repaints.
  void GridChoice(int Tag, bool Checked);

  // ---- the menu -------------------------------------------------------------------------------
  // The menu as the selection and options make it now.
  std::vector<TvxDesignMenuItem> BuildMenu();
  // Runs the entry at the caption path ("Grid", "Snap to grid"); false when there is none.
  bool Choose(const std::vector<std::u16string>& Path);
  // Pops the menu up at the mouse (nothing while disabled); a submenu entry pops its items.
  void ShowMenu();
  // The menu on the screen, nil when none was shown.
  win::TPopupMenu* Menu() const { return menu_.get(); }

  // The host's references change: forget every one to AComponent.
  void Forget(rtl::TComponent* AComponent);

private:
  TvxVisualObject* Selection() const;
  void SetDrag(int Drag) { drag_ = Drag; }
  void RepaintGrips();
  void RepaintSnapLines();
  void SetPlaceObject(TvxVisualObject* Value);
  void MakeRoot();
  void MoveStep(rtl::TShiftState Shift);
  void RotateStep();
  void GripStep();
  // The first rule of the snap lines that holds for each visible sibling; with Apply the
  // selection moves onto it and the mouse position with it.
  void SnapLines(bool Apply);
  TvxPoint SnapGrip(const TvxPoint& Local);
  // Whether a coordinate at From snaps onto To, Tolerance units away at most.
  bool Snaps(float From, float To, float Tolerance) const;
  void Realigned();
  // Parents Obj under the selection, else the root, else makes it the root.
  void Place(TvxObject* Obj);
  // The object a component text makes (nil for an empty text); what cannot be read of it is
  // told, the text named as What.
  TvxObject* ReadObject(const std::string& Text, const std::string& What);
  // Copies Control's style into the host's style resources as Name (with SetResource the
  // control then takes it as its Resource), and the styles of the controls inside, each
  // under its own style name; then the tree takes its styles anew.
  void CopyStyles(TvxControl* Control, const std::string& Name, bool SetResource);
  void RepaintAll();

  TvxSceneHost& host_;
  bool snapToGrid_ = false;
  bool snapToLines_ = true;
  bool snapGridShow_ = false;
  float snapGridSize_ = 1;
  bool menuEnabled_ = true;
  std::vector<TvxVisualObject*> selectionList_;
  std::vector<TvxVisualObject*> snapObjects_;
  int drag_ = dragNone;
  std::array<bool, gripCount> hot_{};
  std::string pendingInsertText_;
  TvxPoint insertPos_{-1, -1};
  TvxPoint downPos_{};    // the raw point of the last press or move
  TvxPoint dragStart_{};  // the mouse position of the last step
  std::unique_ptr<win::TPopupMenu> menu_;
};

}  // namespace vg
