// The classes the 2D libraries register at start-up: every category with its classes in the
// order of registration, the classes streams know without listing them, and the design menu's
// "Add object" that shows the categories.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ControlScene.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Forms.h"
#include "vg2d/core/DesignEditor.h"
#include "vg2d/core/Registry.h"
#include "vg2d/core/SceneControl.h"

namespace registration_test {

using namespace vg;

namespace {

using Table = std::vector<std::pair<std::string, std::vector<std::string>>>;

// Every category with its classes, in the order start-up registers them (a category named
// again adds to its list).
const Table& Expected() {
  static const Table table = {
      {"Resources", {"TvxBrushObject", "TvxPathObject", "TvxBitmapObject"}},
      {"Layout", {"TvxFrame"}},
      {"Popup", {"TvxPopup", "TvxMessagePopup"}},
      {"Animations",
       {"TvxColorAnimation", "TvxGradientAnimation", "TvxFloatAnimation", "TvxRectAnimation", "TvxBitmapAnimation",
        "TvxColorKeyAnimation", "TvxFloatKeyAnimation", "TvxPathAnimation", "TvxPathSwitcher"}},
      {"Effects",
       {"TvxShadowEffect", "TvxBlurEffect", "TvxGlowEffect", "TvxInnerGlowEffect", "TvxBevelEffect",
        "TvxReflectionEffect"}},
      {"Shapes",
       {"TvxLine", "TvxRectangle", "TvxSidesRectangle", "TvxBlurRectangle", "TvxRoundRect", "TvxBlurRoundRect",
        "TvxEllipse", "TvxCircle", "TvxArc", "TvxPie", "TvxText", "TvxPath", "TvxImage", "TvxPaintBox",
        "TvxScrollArrowLeft", "TvxScrollArrowRight", "TvxCalloutRectangle"}},
      {"Design", {"TvxSelection", "TvxSelectionPoint", "TvxDesignFrame"}},
      {"Windows", {"TvxBackground", "TvxSizeGrip", "TvxCloseButton"}},
      {"Boxes", {"TvxCheckBox", "TvxPathCheckBox", "TvxRadioButton", "TvxGroupBox", "TvxPopupBox"}},
      {"Controls",
       {"TvxPanel", "TvxLabel", "TvxValueLabel", "TvxImageControl", "TvxProgressBar", "TvxTrack", "TvxScrollBar",
        "TvxSmallScrollBar", "TvxAniIndicator", "TvxExpander", "TvxTrackBar", "TvxSplitter"}},
      {"Tool and Status", {"TvxStatusBar", "TvxToolBar", "TvxToolButton", "TvxToolPathButton"}},
      {"Buttons",
       {"TvxButton", "TvxRoundButton", "TvxCircleButton", "TvxBitmapButton", "TvxPathButton", "TvxSpeedButton",
        "TvxCornerButton", "TvxColorButton", "TvxAngleButton", "TvxBitmapStateButton", "TvxPopupButton"}},
      {"HUD",
       {"TvxHudPanel", "TvxHudWindow", "TvxHudButton", "TvxHudSpeedButton", "TvxHudAngleButton", "TvxHudTrack",
        "TvxHudTrackBar", "TvxHudScrollBar", "TvxHudPopupBox", "TvxHudLabel", "TvxHudCheckBox", "TvxHudRadioButton",
        "TvxHudGroupBox", "TvxHudCloseButton", "TvxHudStatusBar", "TvxHudSizeGrip", "TvxHudRoundButton",
        "TvxHudCornerButton", "TvxHudCircleButton"}},
      {"Layout", {"TvxLayout", "TvxScaledLayout", "TvxGridLayout", "TvxSplitLayout", "TvxNonVGLayout"}},
      {"Controls", {"TvxScrollBox", "TvxVertScrollBox", "TvxFramedScrollBox", "TvxFramedVertScrollBox"}},
      {"Lists", {"TvxListBox", "TvxComboBox", "TvxStringListBox", "TvxStringComboBox", "TvxHorzListBox"}},
      {"Items", {"TvxListBoxItem"}},
      {"HUD",
       {"TvxHudListBox", "TvxHudHorzListBox", "TvxHudComboBox", "TvxHudStringListBox", "TvxHudStringComboBox"}},
      {"Trees", {"TvxTreeView"}},
      {"Items", {"TvxTreeViewItem"}},
      {"Text Edits",
       {"TvxTextBox", "TvxRoundTextBox", "TvxNumberBox", "TvxSpinBox", "TvxComboTextBox", "TvxComboTrackBar",
        "TvxTextBoxClearBtn"}},
      {"HUD",
       {"TvxHudTextBox", "TvxHudNumberBox", "TvxHudRoundTextBox", "TvxHudSpinBox", "TvxHudComboTextBox",
        "TvxHudComboTrackBar"}},
      {"Text Edits", {"TvxMemo"}},
      {"HUD", {"TvxHudMemo"}},
      {"Colors",
       {"TvxHueTrackBar", "TvxAlphaTrackBar", "TvxBWTrackBar", "TvxColorQuad", "TvxColorPicker", "TvxGradientEdit",
        "TvxColorBox", "TvxColorPanel", "TvxComboColorBox"}},
      {"HUD", {"TvxHudHueTrackBar", "TvxHudAlphaTrackBar", "TvxHudBWTrackBar", "TvxHudComboColorBox"}},
      {"Controls", {"TvxTabControl"}},
      {"HUD", {"TvxHudTabControl"}},
      {"Items", {"TvxTabItem", "TvxHudTabItem"}},
      {"Ext. Controls", {"TvxIPhoneButton", "TvxImageListBox", "TvxHorzImageListBox", "TvxDropTarget", "TvxImageViewer"}},
      {"Math", {"TvxPlotGrid"}},
      {"HUD", {"TvxHudImageListBox", "TvxHudHorzImageListBox"}},
      {"Items", {"TvxImageListBoxItem"}},
      {"Compound",
       {"TvxCompoundTrackBar", "TvxCompoundAngleBar", "TvxCompoundTextBox", "TvxCompoundMemo", "TvxCompoundNumberBox",
        "TvxCompoundPopupBox", "TvxCompoundColorButton", "TvxCompoundImage"}},
      {"Design", {"TvxInspector"}},
      {"Grid", {"TvxGrid", "TvxStringGrid", "TvxHeader"}},
      {"Grid Columns", {"TvxColumn", "TvxCheckColumn", "TvxProgressColumn", "TvxPopupColumn", "TvxImageColumn"}},
      {"Items", {"TvxHeaderItem"}},
  };
  return table;
}

// Classes streams create by name that no category lists.
const std::vector<std::string> StreamedOnly = {
    "TvxBitmap",      "TvxPathData",      "TvxBrush",        "TvxBounds",          "TvxPosition",
    "TvxGradient",    "TvxGradientPoints", "TvxGradientPoint", "TvxVisual",         "TvxResources",
    "TvxObject",      "TvxContent",       "TvxControl",      "TvxWideStrings",     "TvxWideStringList",
    "TvxCustomScene", "TvxSelectionItem", "TvxThumb",        "TvxExpanderButton",  "TvxTextCell",
    "TvxCheckCell",   "TvxProgressCell",  "TvxPopupCell",    "TvxStringColumn"};

// The categories as the list keeps them: by category without regard to case, the classes of
// one category newest first.
struct Caseless {
  bool operator()(const std::string& A, const std::string& B) const { return rtl::CompareText(A, B) < 0; }
};
using Categories = std::map<std::string, std::vector<std::string>, Caseless>;

Categories Listed() {
  Categories listed;
  for (const TObjectClassEntry& e : *ObjectClassList) listed[e.Category].push_back(e.Class->Name);
  return listed;
}

// What the list holds after start-up when it holds the table.
Categories ExpectedListed() {
  Categories expected;
  for (const auto& [category, classes] : Expected()) {
    std::vector<std::string>& list = expected[category];
    for (const std::string& name : classes) list.insert(list.begin(), name);  // the newest first
  }
  return expected;
}

class Registration : public vgtest::ControlsTest {};

TEST_F(Registration, StartUpListsEveryCategoryAsTheDesignListsShowThem) {
  ASSERT_NE(ObjectClassList, nullptr);
  const Categories expected = ExpectedListed(), listed = Listed();
  std::vector<std::string> categories, wanted;
  for (const auto& [category, classes] : listed) categories.push_back(category);
  for (const auto& [category, classes] : expected) wanted.push_back(category);
  EXPECT_EQ(categories, wanted);
  for (const auto& [category, classes] : expected) {
    const auto it = listed.find(category);
    ASSERT_NE(it, listed.end()) << category;
    EXPECT_EQ(it->second, classes) << category;
    for (const std::string& name : classes) EXPECT_NE(rtl::GetClass(name), nullptr) << name;
  }
  for (const std::string& name : StreamedOnly) {
    EXPECT_NE(rtl::GetClass(name), nullptr) << name;
    for (const TObjectClassEntry& e : *ObjectClassList) EXPECT_NE(e.Class->Name, name) << e.Category;
  }
}

TEST_F(Registration, AddObjectOffersEachCategoryWithItsClasses) {
  auto form = std::make_unique<win::TForm>(nullptr);
  auto* scene = new TvxScene(form.get());
  scene->SetDesignTime(true);
  const std::vector<TvxDesignMenuItem> menu = scene->Designer().BuildMenu();
  const auto add = std::find_if(menu.begin(), menu.end(), [](const auto& I) { return I.Caption == u"Add object"; });
  ASSERT_NE(add, menu.end());
  const Categories expected = ExpectedListed();
  ASSERT_EQ(add->Items.size(), expected.size());
  auto category = add->Items.begin();
  for (const auto& [name, classes] : expected) {
    EXPECT_EQ(category->Caption, std::u16string(name.begin(), name.end()));
    std::vector<std::u16string> captions, wanted;
    for (const TvxDesignMenuItem& i : category->Items) captions.push_back(i.Caption);
    for (const std::string& c : classes) wanted.emplace_back(c.begin() + 3, c.end());  // without "Tvx"
    EXPECT_EQ(captions, wanted) << name;
    ++category;
  }
  form.reset();
}

}  // namespace

}  // namespace registration_test
