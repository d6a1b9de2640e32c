// Whatever a 3D object's stored properties hold, its text reads back to the same values: a
// value a class leaves out of its text as the default must be the value the class starts
// with, and a clamp between properties must not hang on the order the text gives them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/loop/Application.h"
#include "platform/rtl/TypInfo.h"
#include "scene3d/Animations.h"
#include "scene3d/CanvasLayers.h"
#include "scene3d/GuiControls.h"
#include "scene3d/Library.h"
#include "scene3d/Objects.h"
#include "scene3d/TextBox3D.h"
#include "vg2d/controls/ControlsLibrary.h"

namespace object_text_defaults_test {

namespace {

using namespace dx;

class DxObjectTextDefaults : public ::testing::Test {
protected:
  void SetUp() override {
    vg::ControlsStartup();
    SceneLibraryStartup();
  }
  void TearDown() override {
    rtl::Application->ProcessMessages();
    FreeDxAniThread();
    SceneLibraryShutdown();
    vg::ControlsShutdown();
  }

  // The object made from Text, or a failure naming the class.
  static std::unique_ptr<TdxObject> ReadBack(const std::string& Text, const std::string& ClassName) {
    std::unique_ptr<TdxObject> back = CreateDxObjectFromText(nullptr, Text);
    EXPECT_NE(back, nullptr) << ClassName << " does not read back:\n" << Text;
    return back;
  }
};

// Each stored float property of a new object of every registered class is set to its
// default, to 0 and to 1 in turn; the text written then, read back, must give that value
// again, not the value the class's constructor gives (a layer's 256, a text box's height of 2).
TEST_F(DxObjectTextDefaults, AFloatAtItsDefaultZeroOrOneReadsBackInEveryClass) {
  int checked = 0;
  for (const TdxClassEntry& entry : DxClassList()) {
    const std::string name = entry.Class->Name;
    for (const rtl::TPropInfo* p : rtl::GetPropInfos(entry.Class)) {
      if (p->Kind() != rtl::tkFloat || !p->SetFloat) continue;
      std::vector<double> probes = {0.0, 1.0};
      if (p->DefaultMode == rtl::TDefaultMode::Value) probes.push_back(p->DefaultFloat);
      for (double value : probes) {
        std::unique_ptr<rtl::TObject> made = rtl::CreateObjectByName(name);
        auto* object = dynamic_cast<TdxObject*>(made.get());
        ASSERT_NE(object, nullptr) << name;
        rtl::SetFloatProp(object, p, value);
        if (rtl::GetFloatProp(object, p) != value || !rtl::IsStoredProp(object, p)) continue;
        const std::string text = SaveDxObjectToText(object);
        const std::unique_ptr<TdxObject> back = ReadBack(text, name);
        if (!back) continue;
        EXPECT_EQ(rtl::GetFloatProp(back.get(), p), value) << name << "." << p->Name << "\n" << text;
        EXPECT_EQ(SaveDxObjectToText(back.get()), text) << name << "." << p->Name;
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 100) << "the registered classes' floats were looked at";
}

// Each text property of an object's values (its material's colours, its font's family) is set
// to the value a new value of that kind holds and to its declared default in turn; the text
// written then must read back to it. Shapes and the GUI plane start their materials in a
// random colour, so their text must carry the colour even when it is the new material's.
TEST_F(DxObjectTextDefaults, AValuesTextAtItsStartOrDefaultReadsBackInEveryClass) {
  int checked = 0;
  for (const TdxClassEntry& entry : DxClassList()) {
    const std::string name = entry.Class->Name;
    for (const rtl::TPropInfo* p : rtl::GetPropInfos(entry.Class)) {
      if (p->Kind() != rtl::tkClass || rtl::IsComponentReference(p)) continue;
      const rtl::TClass valueClass = p->PropType->ClassType();
      if (!valueClass) continue;
      const std::unique_ptr<rtl::TObject> fresh = valueClass->Factory ? valueClass->Create() : nullptr;
      for (const rtl::TPropInfo* q : rtl::GetPropInfos(valueClass)) {
        if (q->Kind() != rtl::tkLString || !q->SetStr) continue;
        std::vector<std::string> probes;
        if (q->DefaultMode == rtl::TDefaultMode::Value) probes.push_back(q->DefaultStr);
        if (fresh) probes.push_back(rtl::GetStrProp(fresh.get(), q));
        for (const std::string& value : probes) {
          std::unique_ptr<rtl::TObject> made = rtl::CreateObjectByName(name);
          auto* object = dynamic_cast<TdxObject*>(made.get());
          ASSERT_NE(object, nullptr) << name;
          rtl::TObject* part = rtl::GetObjectProp(object, p);
          if (!part) continue;
          rtl::SetStrProp(part, q, value);
          if (rtl::GetStrProp(part, q) != value || !rtl::IsStoredProp(part, q)) continue;
          const std::string text = SaveDxObjectToText(object);
          const std::unique_ptr<TdxObject> back = ReadBack(text, name);
          if (!back) continue;
          EXPECT_EQ(rtl::GetStrProp(rtl::GetObjectProp(back.get(), p), q), value)
              << name << "." << p->Name << "." << q->Name << "\n" << text;
          EXPECT_EQ(SaveDxObjectToText(back.get()), text) << name << "." << p->Name << "." << q->Name;
          ++checked;
        }
      }
    }
  }
  EXPECT_GT(checked, 20) << "the registered classes' values were looked at";
}

// Texts written before the diffuse colour was always written leave it out at #FF707070, the
// new material's colour: every class with a material (an extruded shape's back and wall
// materials too) reads such a text in that colour, not in the random colour its objects start
// with.
TEST_F(DxObjectTextDefaults, AMaterialWithoutItsDiffuseLineReadsInTheColourLeftOut) {
  int checked = 0;
  for (const TdxClassEntry& entry : DxClassList()) {
    const std::string name = entry.Class->Name;
    for (const std::string material : {"Material", "MaterialBack", "MaterialLeft"}) {
      if (!rtl::GetPropInfo(entry.Class, material)) continue;
      std::unique_ptr<rtl::TObject> made = rtl::CreateObjectByName(name);
      rtl::SetStrProp(made.get(), material + ".Diffuse", "#FF102030");
      std::string text = SaveDxObjectToText(dynamic_cast<TdxObject*>(made.get()));
      const std::string line = "  " + material + ".Diffuse = '#FF102030'\r\n";
      ASSERT_NE(text.find(line), std::string::npos) << name << "\n" << text;
      text.erase(text.find(line), line.size());
      const std::unique_ptr<TdxObject> back = ReadBack(text, name);
      ASSERT_NE(back, nullptr);
      EXPECT_EQ(rtl::GetStrProp(back.get(), material + ".Diffuse"), "#FF707070") << name << "\n" << text;
      ++checked;
    }
  }
  EXPECT_GT(checked, 20) << "the shapes, their back and wall materials and the GUI plane were looked at";
}

TEST_F(DxObjectTextDefaults, LayerAndTextBoxSizesOfOneSurviveARoundTrip) {
  auto layer = std::make_unique<TdxGUICanvasLayer>(nullptr);
  layer->SetWidth(0);
  layer->SetHeight(1);
  std::string text = SaveDxObjectToText(layer.get());
  auto back = ReadBack(text, "TdxGUICanvasLayer");
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(static_cast<TdxVisualObject*>(back.get())->Width(), 0);
  EXPECT_EQ(static_cast<TdxVisualObject*>(back.get())->Height(), 1);

  auto box = std::make_unique<TdxTextBox3D>(nullptr);
  box->SetHeight(1);
  text = SaveDxObjectToText(box.get());
  back = ReadBack(text, "TdxTextBox3D");
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(static_cast<TdxVisualObject*>(back.get())->Height(), 1);
}

// The selection's MinSize raises its sides when set in code; read from text, the sides are
// the ones written, so both orders of the two lines give one object.
TEST_F(DxObjectTextDefaults, TheSelectionsSidesReadBackWhateverTheOrderOfTheText) {
  const std::string heightFirst = "object S: TdxGUISelection\r\n  Height = 3\r\n  MinSize = 40\r\nend\r\n";
  const std::string minFirst = "object S: TdxGUISelection\r\n  MinSize = 40\r\n  Height = 3\r\nend\r\n";
  std::vector<std::string> written;
  for (const std::string& text : {heightFirst, minFirst}) {
    auto made = ReadBack(text, "TdxGUISelection");
    ASSERT_NE(made, nullptr);
    auto* s = static_cast<TdxGUISelection*>(made.get());
    EXPECT_EQ(s->MinSize(), 40);
    EXPECT_EQ(s->Height(), 3) << text;
    EXPECT_EQ(s->Width(), 100) << text;
    written.push_back(SaveDxObjectToText(s));
    auto again = ReadBack(written.back(), "TdxGUISelection");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(SaveDxObjectToText(again.get()), written.back());
  }
  EXPECT_EQ(written[0], written[1]);
  // Set in code, the minimum still raises the sides at once.
  TdxGUISelection s(nullptr);
  s.SetMinSize(200);
  EXPECT_EQ(s.Width(), 200);
  EXPECT_EQ(s.Height(), 200);
}

}  // namespace

}  // namespace object_text_defaults_test
