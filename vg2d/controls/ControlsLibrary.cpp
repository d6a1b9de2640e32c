#include "vg2d/controls/ControlsLibrary.h"

#include <initializer_list>
#include <string>
#include <vector>

#include "vg2d/controls/BitmapEditor.h"
#include "vg2d/controls/BrushDesigner.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/ColorControls.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/CompoundControls.h"
#include "vg2d/controls/Expanders.h"
#include "vg2d/controls/ExtraControls.h"
#include "vg2d/controls/FileDialog.h"
#include "vg2d/controls/FontDialog.h"
#include "vg2d/controls/GradientEditor.h"
#include "vg2d/controls/Grid.h"
#include "vg2d/controls/Header.h"
#include "vg2d/controls/Indicators.h"
#include "vg2d/controls/Inspector.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/controls/ListBox.h"
#include "vg2d/controls/Memo.h"
#include "vg2d/controls/NumberBox.h"
#include "vg2d/controls/PathDesigner.h"
#include "vg2d/controls/Popups.h"
#include "vg2d/controls/ScrollBox.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TabOrderEditor.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/controls/TreeView.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/DesignEditor.h"
#include "vg2d/core/Library.h"
#include "vg2d/core/Registry.h"
#include "vg2d_controls_resources.h"

namespace vg {

namespace {

int startCount = 0;
// The classes start-up registered, to unregister them again.
std::vector<rtl::TClass> registered;

void RegisterForStreams(std::initializer_list<rtl::TClass> Classes) {
  for (rtl::TClass c : Classes) {
    if (rtl::GetClass(c->Name) == c) continue;
    rtl::RegisterClass(c);
    registered.push_back(c);
  }
}

void RegisterInCategory(const std::string& Category, std::initializer_list<rtl::TClass> Classes) {
  for (rtl::TClass c : Classes) AddObjectClass(Category, c);
  RegisterForStreams(Classes);
}

// Tracks, scroll bars, the small indicators and the tab control.
void RegisterRangeAndTabClasses() {
  using rtl::ClassOf;
  RegisterForStreams({ClassOf<TvxThumb>(), ClassOf<TvxCustomTrack>()});
  RegisterInCategory("Controls", {ClassOf<TvxProgressBar>(), ClassOf<TvxTrack>(), ClassOf<TvxScrollBar>(),
                                  ClassOf<TvxSmallScrollBar>(), ClassOf<TvxAniIndicator>(), ClassOf<TvxTrackBar>(),
                                  ClassOf<TvxSplitter>(), ClassOf<TvxTabControl>()});
  RegisterInCategory("Buttons", {ClassOf<TvxAngleButton>()});
  RegisterInCategory("HUD", {ClassOf<TvxHudAngleButton>(), ClassOf<TvxHudTrack>(), ClassOf<TvxHudTrackBar>(),
                             ClassOf<TvxHudScrollBar>(), ClassOf<TvxHudTabControl>()});
  RegisterInCategory("Items", {ClassOf<TvxTabItem>(), ClassOf<TvxHudTabItem>()});
}

// Scroll boxes, layouts and list boxes.
void RegisterListClasses() {
  using rtl::ClassOf;
  RegisterForStreams({ClassOf<TvxScrollContent>()});
  RegisterInCategory("Layouts", {ClassOf<TvxLayout>(), ClassOf<TvxGridLayout>(), ClassOf<TvxScaledLayout>(),
                                 ClassOf<TvxSplitLayout>(), ClassOf<TvxNonVGLayout>()});
  RegisterInCategory("Controls", {ClassOf<TvxScrollBox>(), ClassOf<TvxVertScrollBox>(),
                                  ClassOf<TvxFramedScrollBox>(), ClassOf<TvxFramedVertScrollBox>(),
                                  ClassOf<TvxListBox>(), ClassOf<TvxHorzListBox>()});
  RegisterInCategory("HUD", {ClassOf<TvxHudListBox>(), ClassOf<TvxHudHorzListBox>()});
  RegisterInCategory("Items", {ClassOf<TvxListBoxItem>()});
}

// The multi-line text editors.
void RegisterMemoClasses() {
  using rtl::ClassOf;
  RegisterInCategory("Text Edits", {ClassOf<TvxMemo>()});
  RegisterInCategory("HUD", {ClassOf<TvxHudMemo>()});
}

// Header, tree view and the design editors.
void RegisterDesignerClasses() {
  using rtl::ClassOf;
  RegisterInCategory("Controls", {ClassOf<TvxHeader>()});
  RegisterInCategory("Trees", {ClassOf<TvxTreeView>()});
  RegisterInCategory("Items", {ClassOf<TvxHeaderItem>(), ClassOf<TvxTreeViewItem>()});
  RegisterInCategory("Design", {ClassOf<TvxInspector>()});
  RegisterVgControlsResources();
  RegisterInspectorDesigner(ClassOf<TvxBitmap>(), EditBitmapInEditor);
  RegisterInspectorDesigner(ClassOf<TvxPathData>(), EditPathInDesigner);
  // Brushes open the shared designer on the live brush; gradients the modal gradient page.
  RegisterInspectorDesigner(ClassOf<TvxBrush>(), [](rtl::TObject* Obj, rtl::TComponent* Inspected) {
    ShowBrushDesigner(Obj, Inspected);
  });
  RegisterInspectorDesigner(ClassOf<TvxGradient>(), [](rtl::TObject* Obj, rtl::TComponent*) {
    if (auto* g = dynamic_cast<TvxGradient*>(Obj)) EditGradientDialog(g);
  });
  // Fonts the font dialog, without a colour: a 2D font has none.
  RegisterInspectorDesigner(ClassOf<TvxFont>(), [](rtl::TObject* Obj, rtl::TComponent*) {
    if (auto* f = dynamic_cast<TvxFont*>(Obj)) EditFontDialog(f);
  });
}

void UnregisterDesigners() {
  RegisterInspectorDesigner(rtl::ClassOf<TvxBitmap>(), nullptr);
  RegisterInspectorDesigner(rtl::ClassOf<TvxPathData>(), nullptr);
  RegisterInspectorDesigner(rtl::ClassOf<TvxBrush>(), nullptr);
  RegisterInspectorDesigner(rtl::ClassOf<TvxGradient>(), nullptr);
  RegisterInspectorDesigner(rtl::ClassOf<TvxFont>(), nullptr);
}

// Popups and the drop-down controls that open them.
void RegisterPopupClasses() {
  using rtl::ClassOf;
  RegisterInCategory("Popup", {ClassOf<TvxPopup>(), ClassOf<TvxMessagePopup>()});
  RegisterInCategory("Controls", {ClassOf<TvxComboListBox>(), ClassOf<TvxComboBox>(), ClassOf<TvxStringListBox>(),
                                  ClassOf<TvxStringComboBox>()});
  RegisterInCategory("Text Edits", {ClassOf<TvxComboTextBox>(), ClassOf<TvxComboTrackBar>()});
  RegisterInCategory("HUD", {ClassOf<TvxHudComboTextBox>(), ClassOf<TvxHudComboTrackBar>(),
                             ClassOf<TvxHudComboBox>(), ClassOf<TvxHudStringListBox>(),
                             ClassOf<TvxHudStringComboBox>()});
}

// The colour editors, the gradient editor, the expander and its neighbours.
void RegisterColorClasses() {
  using rtl::ClassOf;
  RegisterForStreams({ClassOf<TvxBitmapTrackBar>()});
  RegisterInCategory("Colors", {ClassOf<TvxHueTrackBar>(), ClassOf<TvxAlphaTrackBar>(), ClassOf<TvxBWTrackBar>(),
                                ClassOf<TvxColorQuad>(), ClassOf<TvxColorPicker>(), ClassOf<TvxColorBox>(),
                                ClassOf<TvxGradientEdit>(), ClassOf<TvxColorPanel>(), ClassOf<TvxComboColorBox>()});
  RegisterInCategory("HUD", {ClassOf<TvxHudHueTrackBar>(), ClassOf<TvxHudAlphaTrackBar>(), ClassOf<TvxHudBWTrackBar>(),
                             ClassOf<TvxHudPopupBox>(), ClassOf<TvxHudComboColorBox>()});
  RegisterInCategory("Controls", {ClassOf<TvxExpander>(), ClassOf<TvxPopupBox>(), ClassOf<TvxImageControl>()});
  RegisterInCategory("Buttons", {ClassOf<TvxExpanderButton>(), ClassOf<TvxBitmapStateButton>()});
  RegisterForStreams({ClassOf<TvxBrushDialog>()});
  RegisterInCategory("Buttons", {ClassOf<TvxColorButton>()});
}

// The picture button, image list boxes, drop target, plot grid and image viewer.
void RegisterExtraClasses() {
  using rtl::ClassOf;
  RegisterInCategory("Buttons", {ClassOf<TvxIPhoneButton>()});
  RegisterInCategory("Controls", {ClassOf<TvxImageListBox>(), ClassOf<TvxHorzImageListBox>(),
                                  ClassOf<TvxDropTarget>(), ClassOf<TvxImageViewer>()});
  RegisterInCategory("HUD", {ClassOf<TvxHudImageListBox>(), ClassOf<TvxHudHorzImageListBox>()});
  RegisterInCategory("Items", {ClassOf<TvxImageListBoxItem>()});
  RegisterInCategory("Shapes", {ClassOf<TvxPlotGrid>()});
}

// Grids, their columns and the columns' cells.
void RegisterGridClasses() {
  using rtl::ClassOf;
  RegisterForStreams({ClassOf<TvxCustomGrid>(), ClassOf<TvxTextCell>(), ClassOf<TvxCheckCell>(),
                      ClassOf<TvxProgressCell>(), ClassOf<TvxPopupCell>(), ClassOf<TvxImageCell>()});
  RegisterInCategory("Grids", {ClassOf<TvxGrid>(), ClassOf<TvxStringGrid>()});
  RegisterInCategory("Columns", {ClassOf<TvxColumn>(), ClassOf<TvxCheckColumn>(), ClassOf<TvxProgressColumn>(),
                                 ClassOf<TvxPopupColumn>(), ClassOf<TvxImageColumn>(), ClassOf<TvxStringColumn>()});
}

// The editor rows of a caption and one inner control.
void RegisterCompoundClasses() {
  using rtl::ClassOf;
  RegisterInCategory("Compound", {ClassOf<TvxCompoundTrackBar>(), ClassOf<TvxCompoundAngleBar>(),
                                  ClassOf<TvxCompoundTextBox>(), ClassOf<TvxCompoundMemo>(),
                                  ClassOf<TvxCompoundNumberBox>(), ClassOf<TvxCompoundPopupBox>(),
                                  ClassOf<TvxCompoundColorButton>(), ClassOf<TvxCompoundImage>()});
}

// The controls by category, in the order of the design lists.
void RegisterControlClasses() {
  using rtl::ClassOf;
  RegisterForStreams({ClassOf<TvxTextControl>(), ClassOf<TvxCustomButton>()});
  RegisterInCategory("Controls",
                     {ClassOf<TvxLabel>(), ClassOf<TvxValueLabel>(), ClassOf<TvxPanel>(), ClassOf<TvxSelectionItem>()});
  RegisterInCategory("Controls", {ClassOf<TvxCheckBox>(), ClassOf<TvxPathCheckBox>(), ClassOf<TvxRadioButton>(),
                                  ClassOf<TvxGroupBox>()});
  RegisterInCategory("Tool and Status", {ClassOf<TvxStatusBar>(), ClassOf<TvxToolBar>(), ClassOf<TvxSizeGrip>()});
  RegisterInCategory("Buttons", {ClassOf<TvxButton>(), ClassOf<TvxRoundButton>(), ClassOf<TvxCircleButton>(),
                                 ClassOf<TvxPopupButton>(), ClassOf<TvxBitmapButton>(), ClassOf<TvxToolButton>(),
                                 ClassOf<TvxPathButton>(), ClassOf<TvxToolPathButton>(), ClassOf<TvxSpeedButton>(),
                                 ClassOf<TvxCornerButton>(), ClassOf<TvxCloseButton>()});
  RegisterInCategory("HUD", {ClassOf<TvxHudLabel>(), ClassOf<TvxHudPanel>(), ClassOf<TvxHudStatusBar>(),
                             ClassOf<TvxHudButton>(), ClassOf<TvxHudRoundButton>(), ClassOf<TvxHudCircleButton>(),
                             ClassOf<TvxHudSpeedButton>(), ClassOf<TvxHudCornerButton>(), ClassOf<TvxHudCheckBox>(),
                             ClassOf<TvxHudRadioButton>(), ClassOf<TvxHudGroupBox>(), ClassOf<TvxHudCloseButton>(),
                             ClassOf<TvxHudSizeGrip>(), ClassOf<TvxHudWindow>()});
  RegisterInCategory("Windows", {ClassOf<TvxWindow>()});
  RegisterForStreams({ClassOf<TvxCustomTextBox>()});
  RegisterInCategory("Text Edits", {ClassOf<TvxTextBox>(), ClassOf<TvxRoundTextBox>(), ClassOf<TvxNumberBox>(),
                                    ClassOf<TvxSpinBox>(), ClassOf<TvxTextBoxClearBtn>()});
  RegisterInCategory("HUD", {ClassOf<TvxHudTextBox>(), ClassOf<TvxHudNumberBox>(), ClassOf<TvxHudRoundTextBox>(),
                             ClassOf<TvxHudSpinBox>()});
  RegisterRangeAndTabClasses();
  RegisterListClasses();
  RegisterMemoClasses();
  RegisterDesignerClasses();
  RegisterPopupClasses();
  RegisterColorClasses();
  RegisterExtraClasses();
  RegisterGridClasses();
  RegisterCompoundClasses();
}

}  // namespace

void ControlsStartup() {
  if (startCount++ != 0) return;
  LibraryStartup();
  registered.clear();
  RegisterControlClasses();
  // The design editor's dialogs.
  DesignOpenFileDialog = [](const std::string& Filter, std::string& FileName) {
    TvxFileDialog dialog;
    dialog.Filter = Filter;
    dialog.Title = "Load From File";
    if (!dialog.Execute()) return false;
    FileName = dialog.FileName;
    return true;
  };
  DesignTabOrderDialog = EditTabOrderDialog;
}

void ControlsShutdown() {
  if (startCount == 0 || --startCount != 0) return;
  CloseAllPopups();
  UnregisterDesigners();
  DesignOpenFileDialog = nullptr;
  DesignTabOrderDialog = nullptr;
  for (auto it = registered.rbegin(); it != registered.rend(); ++it) rtl::UnRegisterClass(*it);
  registered.clear();
  LibraryShutdown();
}

}  // namespace vg
