// Every designer closed while a box in it has the focus and holds typed text that was not
// entered: the box loses the focus only because its window is torn down, which reports
// nothing, so no handler runs on parts freed before it (the tests run under ASan), and the
// close keeps what was edited as it was.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "ControlScene.h"
#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "tests/loop/Later.h"
#include "tests/vg2d_controls/ModalSteps.h"
#include "vg2d/controls/BitmapEditor.h"
#include "vg2d/controls/BrushDesigner.h"
#include "vg2d/controls/FontDialog.h"
#include "vg2d/controls/Inspector.h"
#include "vg2d/controls/Memo.h"
#include "vg2d/controls/NumberBox.h"
#include "vg2d/controls/PathDesigner.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/PathData.h"
#include "vg2d/core/SceneControl.h"
#include "vg2d/core/Shapes.h"

namespace designer_teardown_test {

using namespace vg;
using looptest::Later;

namespace {

enum class Closing { CloseButton, WindowManager };

const char* NameOf(Closing How) { return How == Closing::CloseButton ? "the close button" : "the window's close"; }

// Gives Box the focus with a click and types Text into it, without Enter.
void FocusAndType(win::TCustomForm& Form, TvxVisualObject* Box, const std::string& Text) {
  ASSERT_NE(Box, nullptr);
  vgtest::Click(&Form, Box);
  ASSERT_TRUE(Box->IsFocused());
  win::SimulateText(&Form, Text);
}

// Closes Form as the user does: the close button of its Hud window, or the window manager.
void CloseAs(win::TCustomForm& Form, TvxHudWindow* Window, Closing How) {
  if (How == Closing::WindowManager) {
    win::SimulateClose(&Form);
    return;
  }
  Window->ApplyResource();  // the close button is a part of its style
  rtl::Application->ProcessMessages();
  auto* close = dynamic_cast<TvxVisualObject*>(Window->FindResource("close"));
  ASSERT_NE(close, nullptr);
  vgtest::Click(&Form, close);
}

// Runs Steps on the active window, of class F, from inside its modal loop.
template <class F>
void InTheWindow(std::function<void(F&)> Steps) {
  Later([Steps] {
    auto* f = dynamic_cast<F*>(win::ActiveForm());
    ASSERT_NE(f, nullptr) << "the designer is the active window";
    Steps(*f);
    vgtest::EndIfStillOpen(*f);
  });
}

class DesignerTeardown : public vgtest::ControlsTest {};

}  // namespace

TEST_F(DesignerTeardown, TheBrushDialogClosedOverAnEditedBoxIsACancel) {
  // Each kind of box of the solid and the gradient page, closed both ways.
  using Box = std::function<TvxVisualObject*(TvxBrushDesign&)>;
  const std::pair<const char*, Box> boxes[] = {
      {"solid hex", [](TvxBrushDesign& D) { return D.SolidHex(); }},
      {"solid R", [](TvxBrushDesign& D) { return D.SolidBox(0); }},
      {"gradient hex", [](TvxBrushDesign& D) { return D.GradientHex(); }},
      {"gradient A", [](TvxBrushDesign& D) { return D.GradientBox(3); }},
  };
  for (const auto& [name, box] : boxes)
    for (Closing how : {Closing::CloseButton, Closing::WindowManager}) {
      SCOPED_TRACE(std::string(name) + ", " + NameOf(how));
      TvxBrush brush(vgBrushSolid, 0xFF808080);
      brush.SetSolidColor(0xFF2060A0);
      const bool gradient = std::string(name).rfind("gradient", 0) == 0;
      if (gradient) brush.SetStyle(vgBrushGradient);
      const TvxColor stop = brush.Gradient()->Points()->GetPoint(0)->IntColor();
      bool typed = false;
      const bool ok = EditBrushDialog(&brush, {vgBrushSolid, vgBrushGradient}, false, [&](TvxBrushDesign& D) {
        Later([&] {
          EXPECT_TRUE(D.Tab(gradient ? vgBrushGradient : vgBrushSolid)->IsSelected());
          auto* edit = dynamic_cast<TvxCustomTextBox*>(box(D));
          FocusAndType(D, edit, "1");
          typed = edit && edit->Modified();
          CloseAs(D, D.HudWindow(), how);
          vgtest::EndIfStillOpen(D);
        });
      });
      EXPECT_TRUE(typed);
      EXPECT_FALSE(ok) << "closing is a Cancel";
      EXPECT_EQ(brush.Style(), gradient ? vgBrushGradient : vgBrushSolid);
      EXPECT_EQ(brush.Color(), 0xFF2060A0u);
      EXPECT_EQ(brush.Gradient()->Points()->GetPoint(0)->IntColor(), stop);
    }
}

TEST_F(DesignerTeardown, TheSharedBrushDesignerFreedOverAnEditedBoxRunsNoHandler) {
  TvxBrush brush(vgBrushSolid, 0xFF808080);
  brush.SetSolidColor(0xFF336699);
  TvxBrushDesign* d = ShowBrushDesigner(&brush, nullptr);
  ASSERT_NE(d, nullptr);
  FocusAndType(*d, d->SolidBox(2), "7");
  ASSERT_TRUE(d->SolidBox(2)->Modified());
  CloseAs(*d, d->HudWindow(), Closing::CloseButton);
  EXPECT_EQ(SharedBrushDesigner(), nullptr);
  rtl::Application->ProcessMessages();  // the deferred free
  EXPECT_EQ(brush.Color(), 0xFF336699u) << "text never entered is not taken";
}

TEST_F(DesignerTeardown, TheBitmapEditorClosedOverAnEditedSizeBoxKeepsThePicture) {
  TvxBitmap picture(40, 20);
  for (const char* which : {"newWidth", "newHeight"}) {
    SCOPED_TRACE(which);
    InTheWindow<TvxBitmapEditor>([&](TvxBitmapEditor& E) {
      E.ResizeClick(nullptr);
      clock.Advance(400);  // the size panel slides in
      rtl::Application->ProcessMessages();
      auto* box = dynamic_cast<TvxNumberBox*>(E.Part(which));
      FocusAndType(E, box, "9");
      EXPECT_TRUE(box && box->Modified());
      win::SimulateClose(&E);
    });
    EditBitmapInEditor(&picture, nullptr);
    EXPECT_EQ(picture.Width(), 40);
    EXPECT_EQ(picture.Height(), 20);
  }
}

TEST_F(DesignerTeardown, ThePathDesignerClosedOverAnEditedMemoKeepsThePath) {
  auto path = std::make_unique<TvxPathData>();
  path->SetData("M 0,0 L 10,10");
  const std::string before = path->GetData();
  InTheWindow<TvxPathDataDesigner>([](TvxPathDataDesigner& D) {
    FocusAndType(D, D.Memo(), " L 30,0");
    EXPECT_TRUE(D.Memo()->Modified());
    win::SimulateClose(&D);
  });
  EditPathInDesigner(path.get(), nullptr);
  EXPECT_EQ(path->GetData(), before);
}

TEST_F(DesignerTeardown, TheFontDialogClosedOverAnEditedBoxKeepsTheFont) {
  for (bool family : {true, false})
    for (Closing how : {Closing::CloseButton, Closing::WindowManager}) {
      SCOPED_TRACE(std::string(family ? "family" : "size") + ", " + NameOf(how));
      TvxFont font;
      font.SetFamily("DejaVu Sans");
      font.SetSize(11);
      InTheWindow<TvxFontDialogForm>([&](TvxFontDialogForm& D) {
        TvxCustomTextBox* box = family ? static_cast<TvxCustomTextBox*>(D.FamilyBox()) : D.SizeBox();
        FocusAndType(D, box, family ? "x" : "4");
        EXPECT_TRUE(box->Modified());
        CloseAs(D, D.Window(), how);
      });
      EXPECT_FALSE(EditFontDialog(&font));
      EXPECT_EQ(font.Family(), "DejaVu Sans");
      EXPECT_EQ(font.Size(), 11.0f);
    }
}

// A window that inspects a shape of its own, freed while the inspector's text editor holds
// a value typed for the shape, which goes first.
TEST_F(DesignerTeardown, AnInspectorFreedWithItsObjectOverAnEditedValueWritesNothing) {
  auto form = std::make_unique<win::TForm>(nullptr);
  form->SetBounds(100, 80, 320, 240);
  auto* scene = new TvxScene(form.get());
  scene->SetParent(form.get());
  scene->SetAlign(win::alClient);
  auto* root = new TvxVisualObject(form.get());
  scene->AddObject(root);
  auto* inspector = new TvxInspector(form.get());
  root->AddObject(inspector);
  inspector->SetBounds(10, 10, 280, 200);
  auto* shape = new TvxRectangle(form.get());
  root->AddObject(shape);
  form->Show();
  rtl::Application->ProcessMessages();
  inspector->SetSelectedObject(shape);
  inspector->SetSelected(inspector->FindRow(shape, "Opacity"));
  TvxTextBox* editor = inspector->TextEditor();
  FocusAndType(*form, editor, "0");
  EXPECT_TRUE(editor->Modified());
  EXPECT_EQ(shape->Opacity(), 1.0f);
  form.reset();
  rtl::Application->ProcessMessages();
}

}  // namespace designer_teardown_test
