#include "vg2d/controls/ControlsLibrary.h"

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/win/MessageBox.h"
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

// The controls by category, in the order of the design lists ("Add object"). Classes that
// streams must know but no list shows (bases, parts of other controls, cells) are registered
// for streams only.
void RegisterControlClasses() {
  using rtl::ClassOf;
  RegisterForStreams({ClassOf<TvxTextControl>(), ClassOf<TvxCustomButton>(), ClassOf<TvxCustomTrack>(),
                      ClassOf<TvxCustomTextBox>(), ClassOf<TvxBitmapTrackBar>(), ClassOf<TvxScrollContent>(),
                      ClassOf<TvxComboListBox>(), ClassOf<TvxWindow>(), ClassOf<TvxBrushDialog>()});
  RegisterInCategory("Popup", {ClassOf<TvxPopup>(), ClassOf<TvxMessagePopup>()});
  RegisterForStreams({ClassOf<TvxSelectionItem>(), ClassOf<TvxThumb>(), ClassOf<TvxExpanderButton>()});
  RegisterInCategory("Windows", {ClassOf<TvxSizeGrip>(), ClassOf<TvxCloseButton>()});
  RegisterInCategory("Boxes", {ClassOf<TvxCheckBox>(), ClassOf<TvxPathCheckBox>(), ClassOf<TvxRadioButton>(),
                               ClassOf<TvxGroupBox>(), ClassOf<TvxPopupBox>()});
  RegisterInCategory("Controls", {ClassOf<TvxPanel>(), ClassOf<TvxLabel>(), ClassOf<TvxValueLabel>(),
                                  ClassOf<TvxImageControl>(), ClassOf<TvxProgressBar>(), ClassOf<TvxTrack>(),
                                  ClassOf<TvxScrollBar>(), ClassOf<TvxSmallScrollBar>(), ClassOf<TvxAniIndicator>(),
                                  ClassOf<TvxExpander>(), ClassOf<TvxTrackBar>(), ClassOf<TvxSplitter>()});
  RegisterInCategory("Tool and Status",
                     {ClassOf<TvxStatusBar>(), ClassOf<TvxToolBar>(), ClassOf<TvxToolButton>(), ClassOf<TvxToolPathButton>()});
  RegisterInCategory("Buttons", {ClassOf<TvxButton>(), ClassOf<TvxRoundButton>(), ClassOf<TvxCircleButton>(),
                                 ClassOf<TvxBitmapButton>(), ClassOf<TvxPathButton>(), ClassOf<TvxSpeedButton>(),
                                 ClassOf<TvxCornerButton>(), ClassOf<TvxColorButton>(), ClassOf<TvxAngleButton>(),
                                 ClassOf<TvxBitmapStateButton>(), ClassOf<TvxPopupButton>()});
  RegisterInCategory("HUD", {ClassOf<TvxHudPanel>(), ClassOf<TvxHudWindow>(), ClassOf<TvxHudButton>(),
                             ClassOf<TvxHudSpeedButton>(), ClassOf<TvxHudAngleButton>(), ClassOf<TvxHudTrack>(),
                             ClassOf<TvxHudTrackBar>(), ClassOf<TvxHudScrollBar>(), ClassOf<TvxHudPopupBox>(),
                             ClassOf<TvxHudLabel>(), ClassOf<TvxHudCheckBox>(), ClassOf<TvxHudRadioButton>(),
                             ClassOf<TvxHudGroupBox>(), ClassOf<TvxHudCloseButton>(), ClassOf<TvxHudStatusBar>(),
                             ClassOf<TvxHudSizeGrip>(), ClassOf<TvxHudRoundButton>(), ClassOf<TvxHudCornerButton>(),
                             ClassOf<TvxHudCircleButton>()});
  RegisterInCategory("Layout", {ClassOf<TvxLayout>(), ClassOf<TvxScaledLayout>(), ClassOf<TvxGridLayout>(),
                                ClassOf<TvxSplitLayout>(), ClassOf<TvxNonVGLayout>()});
  RegisterInCategory("Controls", {ClassOf<TvxScrollBox>(), ClassOf<TvxVertScrollBox>(), ClassOf<TvxFramedScrollBox>(),
                                  ClassOf<TvxFramedVertScrollBox>()});
  RegisterInCategory("Lists", {ClassOf<TvxListBox>(), ClassOf<TvxComboBox>(), ClassOf<TvxStringListBox>(),
                               ClassOf<TvxStringComboBox>(), ClassOf<TvxHorzListBox>()});
  RegisterInCategory("Items", {ClassOf<TvxListBoxItem>()});
  RegisterInCategory("HUD", {ClassOf<TvxHudListBox>(), ClassOf<TvxHudHorzListBox>(), ClassOf<TvxHudComboBox>(),
                             ClassOf<TvxHudStringListBox>(), ClassOf<TvxHudStringComboBox>()});
  RegisterInCategory("Trees", {ClassOf<TvxTreeView>()});
  RegisterInCategory("Items", {ClassOf<TvxTreeViewItem>()});
  RegisterInCategory("Text Edits", {ClassOf<TvxTextBox>(), ClassOf<TvxRoundTextBox>(), ClassOf<TvxNumberBox>(),
                                    ClassOf<TvxSpinBox>(), ClassOf<TvxComboTextBox>(), ClassOf<TvxComboTrackBar>(),
                                    ClassOf<TvxTextBoxClearBtn>()});
  RegisterInCategory("HUD", {ClassOf<TvxHudTextBox>(), ClassOf<TvxHudNumberBox>(), ClassOf<TvxHudRoundTextBox>(),
                             ClassOf<TvxHudSpinBox>(), ClassOf<TvxHudComboTextBox>(), ClassOf<TvxHudComboTrackBar>()});
  RegisterInCategory("Text Edits", {ClassOf<TvxMemo>()});
  RegisterInCategory("HUD", {ClassOf<TvxHudMemo>()});
  RegisterInCategory("Colors", {ClassOf<TvxHueTrackBar>(), ClassOf<TvxAlphaTrackBar>(), ClassOf<TvxBWTrackBar>(),
                                ClassOf<TvxColorQuad>(), ClassOf<TvxColorPicker>(), ClassOf<TvxGradientEdit>(),
                                ClassOf<TvxColorBox>(), ClassOf<TvxColorPanel>(), ClassOf<TvxComboColorBox>()});
  RegisterInCategory("HUD", {ClassOf<TvxHudHueTrackBar>(), ClassOf<TvxHudAlphaTrackBar>(), ClassOf<TvxHudBWTrackBar>(),
                             ClassOf<TvxHudComboColorBox>()});
  RegisterInCategory("Controls", {ClassOf<TvxTabControl>()});
  RegisterInCategory("HUD", {ClassOf<TvxHudTabControl>()});
  RegisterInCategory("Items", {ClassOf<TvxTabItem>(), ClassOf<TvxHudTabItem>()});
  RegisterInCategory("Ext. Controls", {ClassOf<TvxIPhoneButton>(), ClassOf<TvxImageListBox>(),
                                       ClassOf<TvxHorzImageListBox>(), ClassOf<TvxDropTarget>(), ClassOf<TvxImageViewer>()});
  RegisterInCategory("Math", {ClassOf<TvxPlotGrid>()});
  RegisterInCategory("HUD", {ClassOf<TvxHudImageListBox>(), ClassOf<TvxHudHorzImageListBox>()});
  RegisterInCategory("Items", {ClassOf<TvxImageListBoxItem>()});
  RegisterInCategory("Compound", {ClassOf<TvxCompoundTrackBar>(), ClassOf<TvxCompoundAngleBar>(),
                                  ClassOf<TvxCompoundTextBox>(), ClassOf<TvxCompoundMemo>(),
                                  ClassOf<TvxCompoundNumberBox>(), ClassOf<TvxCompoundPopupBox>(),
                                  ClassOf<TvxCompoundColorButton>(), ClassOf<TvxCompoundImage>()});
  RegisterInCategory("Design", {ClassOf<TvxInspector>()});
  RegisterForStreams({ClassOf<TvxCustomGrid>(), ClassOf<TvxTextCell>(), ClassOf<TvxCheckCell>(),
                      ClassOf<TvxProgressCell>(), ClassOf<TvxPopupCell>(), ClassOf<TvxImageCell>(),
                      ClassOf<TvxStringColumn>()});
  RegisterInCategory("Grid", {ClassOf<TvxGrid>(), ClassOf<TvxStringGrid>(), ClassOf<TvxHeader>()});
  RegisterInCategory("Grid Columns", {ClassOf<TvxColumn>(), ClassOf<TvxCheckColumn>(), ClassOf<TvxProgressColumn>(),
                                      ClassOf<TvxPopupColumn>(), ClassOf<TvxImageColumn>()});
  RegisterInCategory("Items", {ClassOf<TvxHeaderItem>()});
}

// The inspector's editors of the values it cannot edit in a line.
void RegisterDesigners() {
  using rtl::ClassOf;
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

}  // namespace

void ControlsStartup() {
  if (startCount++ != 0) return;
  LibraryStartup();
  registered.clear();
  RegisterControlClasses();
  RegisterVgControlsResources();
  RegisterDesigners();
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
  DesignMessageDialog = win::ShowMessage;
}

void ControlsShutdown() {
  if (startCount == 0 || --startCount != 0) return;
  CloseAllPopups();
  UnregisterDesigners();
  DesignOpenFileDialog = nullptr;
  DesignTabOrderDialog = nullptr;
  DesignMessageDialog = nullptr;
  for (auto it = registered.rbegin(); it != registered.rend(); ++it) rtl::UnRegisterClass(*it);
  registered.clear();
  LibraryShutdown();
}

}  // namespace vg
