// The brush designer: a borderless window whose surface is a 2D scene with a Hud window on
// it, editing one brush in place: its style (none, solid, gradient, bitmap, resource), its
// solid colour (a colour quad, a hue picker, R, G, B, A number boxes and a hex text box),
// its gradient (gradient editor, kind and angle), its bitmap's tile mode and its reference
// to a brush resource of the scene.
//
// The brush dialog shows a new designer modally with OK and Cancel and works on a copy of
// its brush; EditBrushDialog and EditGradientDialog wrap it. ShowBrushDesigner shows one
// shared designer, without OK and Cancel, that edits a brush directly. A designer is freed
// exactly once: the modal one by the dialog after its loop, the shared one when closed.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/rtl/Object.h"
#include "platform/win/Forms.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/core/Brushes.h"

namespace vg {

class IvxScene;
class TvxAngleButton;
class TvxBackground;
class TvxBrushObject;
class TvxButton;
class TvxColorBox;
class TvxColorPicker;
class TvxColorQuad;
class TvxGradientEdit;
class TvxHudWindow;
class TvxImage;
class TvxLabel;
class TvxLayout;
class TvxListBox;
class TvxListBoxItem;
class TvxNumberBox;
class TvxObject;
class TvxPopupBox;
class TvxScene;
class TvxShape;
class TvxTabControl;
class TvxTabItem;
class TvxTextBox;
class TvxVisualObject;

using TvxBrushStyles = rtl::TSet<TvxBrushStyle>;

// The angle button's value for a linear gradient's start and stop positions, and back.
// Positions with no horizontal extent give no angle (false).
bool GradientAngle(const TvxGradient& Gradient, float& Angle);
void SetGradientAngle(TvxGradient& Gradient, float Angle);

class TvxBrushDesign : public win::TForm {
  RTL_CLASS(TvxBrushDesign, win::TForm)
public:
  explicit TvxBrushDesign(rtl::TComponent* AOwner);
  ~TvxBrushDesign() override;

  // The brush edited in place (not owned); nil makes every handler do nothing. Loads the
  // page of the brush's style.
  void SetBrush(TvxBrush* Value);
  TvxBrush* Brush() const { return brush_; }
  // The object whose published brushes the brush list offers (the first is edited), and
  // whose scene's brush resources the resource page lists.
  void SetDesignObject(rtl::TComponent* Value);
  // The base followed by the next number of this window ("Brush1", "Brush2" ...).
  std::string UniqueName(const std::string& Base);
  // Creates a brush resource object of that name in the design object's scene, holding a
  // copy of the brush. The name is checked first: an invalid one raises and creates nothing.
  TvxBrushObject* MakeResource(const std::string& Name);

  // The parts, by the names the window gives them.
  TvxScene* Scene() const { return scene_; }
  TvxHudWindow* HudWindow() const { return hudWindow_; }
  TvxListBox* BrushList() const { return brushList_; }
  TvxTabControl* Tabs() const { return tabs_; }
  TvxTabItem* Tab(TvxBrushStyle Style) const;
  TvxColorQuad* SolidQuad() const { return solidQuad_; }
  TvxColorPicker* SolidPicker() const { return solidPicker_; }
  TvxNumberBox* SolidBox(int Channel) const { return solidBoxes_[Channel]; }  // 0 R, 1 G, 2 B, 3 A
  TvxTextBox* SolidHex() const { return solidHex_; }
  TvxButton* SelectBitmapButton() const { return btnSelectBitmap_; }
  TvxColorBox* SolidSwatch() const { return solidSwatch_; }
  TvxGradientEdit* GradientEditor() const { return gradEditor_; }
  TvxNumberBox* GradientBox(int Channel) const { return gradBoxes_[Channel]; }
  TvxTextBox* GradientHex() const { return gradHex_; }
  TvxPopupBox* GradientKind() const { return gradKind_; }
  TvxAngleButton* GradientAngleButton() const { return gradAngle_; }
  TvxLabel* GradientAngleLabel() const { return gradAngleLabel_; }
  TvxListBox* ResourceList() const { return resList_; }
  TvxVisualObject* ButtonRow() const { return buttonRow_; }
  TvxButton* OkButton() const { return btnOk_; }
  TvxButton* CancelButton() const { return btnCancel_; }
  TvxVisualObject* MakeResourceRow() const { return makeResRow_; }
  TvxButton* MakeResourceButton() const { return btnMakeRes_; }
  TvxBackground* Root() const { return root_; }

  // Asks for a resource name ("New TvxBrushObject", "Enter resource name:"), offering the
  // name it is given; true with the name on OK. The input box asks unless replaced; nil
  // makes "Make a Resource" do nothing.
  static std::function<bool(std::u16string& Name)> AskResourceName;

protected:
  void DoClose(win::TCloseAction& Action) override;
  // A freed design object is forgotten with the brushes it offered.
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

private:
  // Told when a brush or a brush resource the designer refers to goes.
  class TFreed final : public IvxFreeNotification {
  public:
    explicit TFreed(TvxBrushDesign& D) : d_(D) {}
    void FreeNotification(rtl::TObject* AObject) override { d_.Forget(AObject); }

  private:
    TvxBrushDesign& d_;
  };

  void Build();
  // Drops every reference to a brush or resource object being freed; the row of a resource
  // is hidden at once and freed once the loop is back at its outermost level (it may not
  // go while the resource is still telling those that watch it).
  void Forget(rtl::TObject* AObject);
  // Watches the edited brush and the listed ones, and no others.
  void WatchBrushes();
  void UnwatchResources();
  // The scene of the design object as it is now.
  IvxScene* DesignScene() const;
  void SolidQuadChange(rtl::TObject* Sender);
  void SolidHexChange(rtl::TObject* Sender);
  void SolidBoxChange(rtl::TObject* Sender);
  void GradQuadChange(rtl::TObject* Sender);
  void GradEditorChange(rtl::TObject* Sender);
  void GradBoxChange(rtl::TObject* Sender);
  void GradHexChange(rtl::TObject* Sender);
  void GradKindChange(rtl::TObject* Sender);
  void GradAngleChange(rtl::TObject* Sender);
  void TabChange(rtl::TObject* Sender);
  void BrushListChange(rtl::TObject* Sender);
  void TileModeChange(rtl::TObject* Sender);
  void SelectBitmapClick(rtl::TObject* Sender);
  void ResListChange(rtl::TObject* Sender);
  void MakeResClick(rtl::TObject* Sender);
  void FillResourceList();
  void RepaintDesignObject();
  // The selected stop of the gradient editor, nil when none.
  TvxGradientPoint* CurrentStop() const;

  TvxBrush* brush_ = nullptr;
  // What the list items stand for.
  std::vector<std::pair<TvxListBoxItem*, TvxBrush*>> brushItems_;
  std::vector<std::pair<TvxListBoxItem*, TvxBrushObject*>> resItems_;
  rtl::TComponent* designObject_ = nullptr;
  TFreed freed_{*this};
  std::vector<TvxBrush*> watchedBrushes_;
  // While the handlers push values into the boxes, the boxes' own handlers stay quiet.
  bool pushing_ = false;

  TvxScene* scene_ = nullptr;
  TvxBackground* root_ = nullptr;
  TvxHudWindow* hudWindow_ = nullptr;
  TvxListBox* brushList_ = nullptr;
  TvxTabControl* tabs_ = nullptr;
  TvxTabItem* tabItems_[5] = {};
  TvxColorQuad* solidQuad_ = nullptr;
  TvxColorPicker* solidPicker_ = nullptr;
  TvxNumberBox* solidBoxes_[4] = {};
  TvxTextBox* solidHex_ = nullptr;
  TvxColorBox* solidSwatch_ = nullptr;
  TvxColorQuad* gradQuad_ = nullptr;
  TvxColorPicker* gradPicker_ = nullptr;
  TvxNumberBox* gradBoxes_[4] = {};
  TvxTextBox* gradHex_ = nullptr;
  TvxColorBox* gradSwatch_ = nullptr;
  TvxGradientEdit* gradEditor_ = nullptr;
  TvxPopupBox* gradKind_ = nullptr;
  TvxAngleButton* gradAngle_ = nullptr;
  TvxLabel* gradAngleLabel_ = nullptr;
  TvxImage* bitmapImage_ = nullptr;
  TvxButton* btnSelectBitmap_ = nullptr;
  TvxPopupBox* tileMode_ = nullptr;
  TvxListBox* resList_ = nullptr;
  TvxVisualObject* buttonRow_ = nullptr;
  TvxButton* btnOk_ = nullptr;
  TvxButton* btnCancel_ = nullptr;
  TvxVisualObject* makeResRow_ = nullptr;
  TvxButton* btnMakeRes_ = nullptr;
};

class TvxBrushDialog : public rtl::TComponent {
  RTL_CLASS(TvxBrushDialog, rtl::TComponent)
public:
  explicit TvxBrushDialog(rtl::TComponent* AOwner);
  ~TvxBrushDialog() override;

  // Every style with a page of its own.
  static constexpr TvxBrushStyles DefaultShowStyles{vgBrushNone, vgBrushSolid, vgBrushGradient, vgBrushBitmap,
                                                     vgBrushResource};

  TvxBrushStyles ShowStyles() const { return showStyles_; }
  void SetShowStyles(TvxBrushStyles Value) { showStyles_ = Value; }
  bool ShowBrushList() const { return showBrushList_; }
  void SetShowBrushList(bool Value) { showBrushList_ = Value; }
  bool ShowMakeResource() const { return showMakeResource_; }
  void SetShowMakeResource(bool Value) { showMakeResource_ = Value; }
  const std::u16string& Title() const { return title_; }
  void SetTitle(const std::u16string& Value) { title_ = Value; }
  // The brush edited: solid $FF808080 at first; SetBrush copies.
  TvxBrush* Brush() const { return brush_.get(); }
  void SetBrush(TvxBrush* Value) { brush_->Assign(Value); }
  // The object whose brushes the list offers; nil hides the list.
  rtl::TComponent* Component() const { return component_; }
  void SetComponent(rtl::TComponent* Value);
  // Where the designer shows: as designed (the default), over the middle of the active
  // window, kept on the screen, or in the middle of the screen when no window is active;
  // poScreenCenter (the colour button's colour dialog) in the middle of the screen.
  win::TPosition Position() const { return position_; }
  void SetPosition(win::TPosition Value) { position_ = Value; }

  // Shows a new designer modally on Brush; true when it closed with OK. OnShow runs as the
  // window shows, just before its modal loop (for callers that drive it, such as tests).
  bool Execute();
  std::function<void(TvxBrushDesign&)> OnShow;
  // Runs for every dialog without an OnShow of its own (for callers that drive dialogs
  // opened by others, such as tests).
  static std::function<void(TvxBrushDesign&)> OnAnyShow;

protected:
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

private:
  TvxBrushStyles showStyles_ = DefaultShowStyles;
  bool showBrushList_ = true;
  bool showMakeResource_ = false;
  std::u16string title_ = u"Brush";
  const std::unique_ptr<TvxBrush> brush_;
  rtl::TComponent* component_ = nullptr;
  win::TPosition position_ = win::poDesigned;
};

// A push button that shows Color (colour text) in its style's part "fill" and lets the
// user pick another colour with the brush dialog's solid page. With UseStandardDialog the
// picked colour comes back opaque, as from the platform's colour chooser. A cancelled
// dialog changes nothing and reports nothing.
class TvxColorButton : public TvxCustomButton {
  RTL_CLASS(TvxColorButton, TvxCustomButton)
public:
  explicit TvxColorButton(rtl::TComponent* AOwner);

  const std::string& Color() const { return color_; }
  // Stores the text and shows it; reports the change unless loading.
  void SetColor(const std::string& Value);
  bool UseStandardDialog() const { return useStandardDialog_; }
  void SetUseStandardDialog(bool Value) { useStandardDialog_ = Value; }

  // The button's click, then the dialog.
  void Click() override;

  rtl::TNotifyEvent OnChange;

protected:
  void ApplyStyle() override;
  void FreeStyle() override;

private:
  std::string color_ = "#FF000000";
  bool useStandardDialog_ = true;
  TvxShape* fill_ = nullptr;
};

// Edits Brush in a modal brush dialog offering Styles; Brush changes only on OK.
bool EditBrushDialog(TvxBrush* Brush, TvxBrushStyles Styles, bool ShowBrushList, 
                     const std::function<void(TvxBrushDesign&)>& OnShow = {});
// Edits Gradient on the gradient page alone; it changes only on OK.
bool EditGradientDialog(TvxGradient* Gradient, const std::function<void(TvxBrushDesign&)>& OnShow = {});
// Shows the shared designer (made when none is open) on Target: nil, a brush (of Owner) or
// an object whose brushes it lists. Every change reaches the brush at once.
TvxBrushDesign* ShowBrushDesigner(rtl::TObject* Target, rtl::TComponent* Owner);
// The shared designer while one is open.
TvxBrushDesign* SharedBrushDesigner();

}  // namespace vg
