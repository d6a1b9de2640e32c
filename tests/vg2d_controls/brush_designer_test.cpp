// The brush dialog driven from inside its modal loop: the pages it offers, the solid page's
// hex box and its boxes, the gradient page's stops and angle, OK and Cancel; the shared
// designer freed once when closed; brush resources made only under a valid name.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "ControlScene.h"
#include "platform/loop/Application.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/ObjectText.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/TypInfo.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "platform/win/WinTypes.h"
#include "tests/TestOutput.h"
#include "tests/loop/Later.h"
#include "tests/vg2d_controls/ModalSteps.h"
#include "tests/vg2d_core/ReferencePicture.h"
#include "vg2d/controls/BitmapEditor.h"
#include "vg2d/controls/BrushDesigner.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ColorControls.h"
#include "vg2d/controls/Expanders.h"
#include "vg2d/controls/GradientEditor.h"
#include "vg2d/controls/Indicators.h"
#include "vg2d/controls/ListBox.h"
#include "vg2d/controls/NumberBox.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Controls.h"
#include "vg2d/core/SceneControl.h"
#include "vg2d/core/Shapes.h"
#include "vg2d/core/TextShape.h"

namespace brush_designer_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

class BrushDesigner : public vgtest::ControlsTest {
protected:
  static void TypeInto(TvxTextBox* Box, const std::u16string& Text) {
    Box->SetText(Text);
    uint16_t key = win::VK_RETURN;
    char16_t ch = 0;
    Box->KeyDown(key, ch, {});
  }
  static std::vector<float> Boxes(TvxBrushDesign& D) {
    return {D.SolidBox(0)->Value(), D.SolidBox(1)->Value(), D.SolidBox(2)->Value(), D.SolidBox(3)->Value()};
  }
};

}  // namespace

TEST_F(BrushDesigner, TheSolidDialogShowsOneTabAndItsHexBoxDrivesTheColourUntilCancel) {
  TvxBrush brush(vgBrushSolid, 0xFF808080);
  brush.SetSolidColor(0xFF2060A0);
  bool shown = false;
  const bool ok = EditBrushDialog(&brush, {vgBrushSolid}, false, [&](TvxBrushDesign& D) {
    shown = true;
    EXPECT_TRUE(D.Showing());
    EXPECT_FALSE(D.Tab(vgBrushNone)->Visible());
    EXPECT_TRUE(D.Tab(vgBrushSolid)->Visible());
    EXPECT_FALSE(D.Tab(vgBrushGradient)->Visible());
    EXPECT_FALSE(D.Tab(vgBrushBitmap)->Visible());
    EXPECT_FALSE(D.Tab(vgBrushResource)->Visible());
    EXPECT_TRUE(D.Tab(vgBrushSolid)->IsSelected());
    EXPECT_FALSE(D.BrushList()->Visible());
    EXPECT_FALSE(D.MakeResourceRow()->Visible());
    EXPECT_TRUE(D.OkButton()->Visible());
    EXPECT_TRUE(D.CancelButton()->Visible());
    // The page opens on the brush's colour.
    EXPECT_EQ(Boxes(D), (std::vector<float>{0x20, 0x60, 0xA0, 0xFF}));
    EXPECT_EQ(D.SolidHex()->Text(), u"#FF2060A0");

    TypeInto(D.SolidHex(), u"#80FF0000");
    EXPECT_EQ(Boxes(D), (std::vector<float>{255, 0, 0, 128}));
    EXPECT_EQ(D.SolidSwatch()->Color(), 0x80FF0000u);
    EXPECT_EQ(D.SolidPicker()->Hue(), 0.0f);
    EXPECT_EQ(D.SolidQuad()->Sat(), 1.0f);
    EXPECT_EQ(D.SolidQuad()->Lum(), 0.5f);
    EXPECT_FLOAT_EQ(D.SolidQuad()->Alpha(), 128.0f / 255);
    D.CancelButton()->Click();
  });
  EXPECT_TRUE(shown);
  EXPECT_FALSE(ok);
  EXPECT_EQ(brush.Color(), 0xFF2060A0u);  // Cancel copies nothing back
}

TEST_F(BrushDesigner, OkCopiesTheEditedBrushAndTheNumberBoxesSetTheChannels) {
  TvxBrush brush(vgBrushSolid, 0xFF808080);
  brush.SetSolidColor(0x40102030);
  const bool ok = EditBrushDialog(&brush, {vgBrushSolid}, false, [&](TvxBrushDesign& D) {
    // Loading keeps the alpha.
    EXPECT_EQ(D.SolidBox(3)->Value(), 0x40);
    D.SolidBox(1)->SetValue(200);
    uint16_t key = win::VK_RETURN;
    char16_t ch = 0;
    D.SolidBox(1)->KeyDown(key, ch, {});
    EXPECT_EQ(D.SolidHex()->Text(), u"#4010C830");
    D.OkButton()->Click();
  });
  EXPECT_TRUE(ok);
  EXPECT_EQ(brush.Style(), vgBrushSolid);
  EXPECT_EQ(brush.Color(), 0x4010C830u);
}

TEST_F(BrushDesigner, TheGradientPageEditsStopsKindAndAngle) {
  TvxBrush brush(vgBrushSolid, 0xFF808080);
  brush.SetStyle(vgBrushGradient);
  SetGradientAngle(*brush.Gradient(), 0);  // horizontal
  const bool ok = EditBrushDialog(&brush, {vgBrushSolid, vgBrushGradient}, false, [&](TvxBrushDesign& D) {
    EXPECT_TRUE(D.Tab(vgBrushGradient)->IsSelected());
    EXPECT_TRUE(D.GradientAngleButton()->Visible());
    EXPECT_FLOAT_EQ(D.GradientAngleButton()->Value(), 0);
    TvxGradientEdit* e = D.GradientEditor();
    ASSERT_EQ(e->Gradient()->Points()->Count(), 2);
    // A stop added in the middle, then its colour typed in.
    e->MouseDown(rtl::mbLeft, {rtl::ssLeft}, e->Width() / 2, 2);
    e->MouseUp(rtl::mbLeft, {}, e->Width() / 2, 2);
    ASSERT_EQ(e->Gradient()->Points()->Count(), 3);
    EXPECT_EQ(e->CurrentPoint(), 1);
    TypeInto(D.GradientHex(), u"#FFFF0000");
    EXPECT_EQ(e->Gradient()->Points()->GetPoint(1)->IntColor(), 0xFFFF0000u);
    EXPECT_EQ(D.GradientBox(0)->Value(), 255);

    // Another stop, dragged along the strip and then off it downwards, which removes it; the
    // dialog's brush follows every step.
    TvxGradientPoints* stops = D.Brush()->Gradient()->Points();
    const float strip = e->Width() - 20;
    e->MouseDown(rtl::mbLeft, {rtl::ssLeft}, 10 + strip * 0.25f, 2);
    e->MouseUp(rtl::mbLeft, {}, 10 + strip * 0.25f, 2);
    ASSERT_EQ(stops->Count(), 4);
    EXPECT_EQ(e->CurrentPoint(), 1);
    const TvxRect marker = e->GetPointRect(1);
    const float mx = (marker.Left + marker.Right) / 2, my = (marker.Top + marker.Bottom) / 2;
    e->MouseDown(rtl::mbLeft, {rtl::ssLeft}, mx, my);
    e->MouseMove({rtl::ssLeft}, mx + strip * 0.1f, my, strip * 0.1f, 0);
    e->MouseUp(rtl::mbLeft, {}, mx + strip * 0.1f, my);
    EXPECT_NEAR(stops->GetPoint(1)->Offset(), 0.35f, 1e-4);
    EXPECT_NEAR(e->Gradient()->Points()->GetPoint(1)->Offset(), 0.35f, 1e-4);
    const TvxRect moved = e->GetPointRect(1);
    const float nx = (moved.Left + moved.Right) / 2;
    e->MouseDown(rtl::mbLeft, {rtl::ssLeft}, nx, my);
    e->MouseMove({rtl::ssLeft}, nx, e->Height() + 12, 0, e->Height() + 12 - my);
    e->MouseUp(rtl::mbLeft, {}, nx, e->Height() + 12);
    ASSERT_EQ(stops->Count(), 3);
    EXPECT_EQ(stops->GetPoint(1)->IntColor(), 0xFFFF0000u) << "the red stop is left";
    D.GradientAngleButton()->SetValue(45);
    EXPECT_EQ(D.GradientAngleLabel()->Text(), u"45");
    D.OkButton()->Click();
  });
  ASSERT_TRUE(ok);
  EXPECT_EQ(brush.Style(), vgBrushGradient);
  ASSERT_EQ(brush.Gradient()->Points()->Count(), 3);
  EXPECT_EQ(brush.Gradient()->Points()->GetPoint(1)->IntColor(), 0xFFFF0000u);
  EXPECT_NEAR(brush.Gradient()->StartPosition()->X(), 0, 1e-5);
  EXPECT_NEAR(brush.Gradient()->StartPosition()->Y(), 1, 1e-5);
  EXPECT_NEAR(brush.Gradient()->StopPosition()->X(), 1, 1e-5);
  EXPECT_NEAR(brush.Gradient()->StopPosition()->Y(), 0, 1e-5);

  // A radial gradient hides the angle; EditGradientDialog offers the gradient page alone.
  brush.Gradient()->SetStyle(vgRadialGradient);
  TvxGradient g;
  g.Assign(brush.Gradient());
  EditGradientDialog(&g, [&](TvxBrushDesign& D) {
    EXPECT_FALSE(D.GradientAngleButton()->Visible());
    EXPECT_FALSE(D.Tab(vgBrushSolid)->Visible());
    EXPECT_TRUE(D.Tab(vgBrushGradient)->IsSelected());
    D.CancelButton()->Click();
  });
  // The kind chosen reaches the gradient on OK, and back again with the angle shown.
  TvxGradient linear;
  ASSERT_TRUE(linear.IsLinear());
  ASSERT_TRUE(EditGradientDialog(&linear, [&](TvxBrushDesign& D) {
    D.GradientKind()->SetItemIndex(1);
    EXPECT_FALSE(D.GradientAngleButton()->Visible());
    D.OkButton()->Click();
  }));
  EXPECT_FALSE(linear.IsLinear()) << "the radial kind was not taken";
  ASSERT_TRUE(EditGradientDialog(&linear, [&](TvxBrushDesign& D) {
    D.GradientKind()->SetItemIndex(0);
    EXPECT_TRUE(D.GradientAngleButton()->Visible());
    D.OkButton()->Click();
  }));
  EXPECT_TRUE(linear.IsLinear()) << "the linear kind was not taken";
}

TEST_F(BrushDesigner, AnglesAndPositionsConvertBothWays) {
  TvxGradient g;
  const auto at = [&](float Angle) {
    SetGradientAngle(g, Angle);
    return std::vector<float>{g.StartPosition()->X(), g.StartPosition()->Y(), g.StopPosition()->X(),
                              g.StopPosition()->Y()};
  };
  const auto near = [](std::vector<float> A, std::vector<float> B) {
    for (size_t i = 0; i < A.size(); ++i)
      if (std::fabs(A[i] - B[i]) > 1e-4f) return false;
    return true;
  };
  EXPECT_TRUE(near(at(0), {0, 0.5f, 1, 0.5f}));
  EXPECT_TRUE(near(at(-90), {0.5f, 0, 0.5f, 1}));
  EXPECT_TRUE(near(at(45), {0, 1, 1, 0}));
  EXPECT_TRUE(near(at(30), {0, 0.788675f, 1, 0.211325f}));
  float angle = 7;
  SetGradientAngle(g, 30);
  ASSERT_TRUE(GradientAngle(g, angle));
  EXPECT_NEAR(angle, 30, 1e-3);
  g.StartPosition()->SetPoint({1, 0.5f});
  g.StopPosition()->SetPoint({0, 0.5f});
  ASSERT_TRUE(GradientAngle(g, angle));
  EXPECT_NEAR(angle, -180, 1e-3);
  g.StartPosition()->SetPoint({0.5f, 0});
  g.StopPosition()->SetPoint({0.5f, 1});
  angle = 7;
  EXPECT_FALSE(GradientAngle(g, angle));  // no horizontal extent: the button keeps its value
  EXPECT_EQ(angle, 7);
}

TEST_F(BrushDesigner, TheSharedDesignerEditsTheLiveBrushAndIsFreedOnceWhenClosed) {
  TvxBrush brush(vgBrushSolid, 0xFF808080);
  brush.SetSolidColor(0xFF336699);
  TvxBrushDesign* d = ShowBrushDesigner(&brush, nullptr);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(SharedBrushDesigner(), d);
  EXPECT_EQ(ShowBrushDesigner(&brush, nullptr), d);  // one at a time
  EXPECT_FALSE(d->OkButton()->Visible());
  TypeInto(d->SolidHex(), u"#FF00FF00");
  EXPECT_EQ(brush.Color(), 0xFF00FF00u);  // at once
  d->Close();
  EXPECT_EQ(SharedBrushDesigner(), nullptr);
  rtl::Application->ProcessMessages();  // the deferred free
  TvxBrushDesign* again = ShowBrushDesigner(nullptr, nullptr);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->Brush(), nullptr);
  again->Close();
  rtl::Application->ProcessMessages();
  EXPECT_EQ(SharedBrushDesigner(), nullptr);
}

namespace {

// Counts the frees of the components it watches.
class FreeCounter : public rtl::TComponent {
public:
  using rtl::TComponent::TComponent;
  int frees = 0;

protected:
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override {
    rtl::TComponent::Notification(AComponent, Operation);
    if (Operation == rtl::opRemove) ++frees;
  }
};

}  // namespace

// Closing the modal designer (its window's close) ends the dialog; the window is freed once,
// and the shared designer open beside it stays the shared one.
TEST_F(BrushDesigner, TheModalDesignerIsFreedOnceAndLeavesTheSharedDesignerAlone) {
  TvxBrush live(vgBrushSolid, 0xFF808080);
  TvxBrushDesign* shared = ShowBrushDesigner(&live, nullptr);
  ASSERT_NE(shared, nullptr);
  auto counter = std::make_unique<FreeCounter>(nullptr);
  TvxBrush brush(vgBrushSolid, 0xFF808080);
  brush.SetSolidColor(0xFF112233);
  const bool ok = EditBrushDialog(&brush, {vgBrushSolid}, false, [&](TvxBrushDesign& D) {
    EXPECT_NE(&D, shared);
    D.FreeNotification(counter.get());
    TypeInto(D.SolidHex(), u"#FF445566");
    D.Close();
  });
  EXPECT_FALSE(ok) << "a closed window is a Cancel";
  EXPECT_EQ(brush.Color(), 0xFF112233u);
  EXPECT_EQ(counter->frees, 1);
  rtl::Application->ProcessMessages();  // where a deferred free would come
  EXPECT_EQ(counter->frees, 1);
  EXPECT_EQ(SharedBrushDesigner(), shared);
  EXPECT_EQ(ShowBrushDesigner(&live, nullptr), shared) << "no second shared designer";
  shared->Close();
  rtl::Application->ProcessMessages();
  EXPECT_EQ(SharedBrushDesigner(), nullptr);
}

TEST_F(BrushDesigner, AStreamedDialogOffersThePagesItsShowStylesName) {
  // The published properties, in the order a stream writes them.
  std::vector<std::string> names;
  for (const rtl::TPropInfo* p : rtl::GetPropList(TvxBrushDialog::StaticClass(), false)) names.push_back(p->Name);
  const std::vector<std::string> own{"ShowStyles", "ShowBrushList", "ShowMakeResource", "Title"};
  ASSERT_GE(names.size(), own.size());
  EXPECT_EQ(std::vector<std::string>(names.end() - 4, names.end()), own);

  auto text = [](TvxBrushDialog& D) {
    rtl::TMemoryStream bin;
    rtl::TWriter(&bin, 1024).WriteRootComponent(&D);
    bin.SetPosition(0);
    rtl::TMemoryStream out;
    rtl::ObjectBinaryToText(&bin, &out);
    return std::string(static_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size()));
  };
  TvxBrushDialog plain(nullptr);
  plain.SetName("Plain");
  EXPECT_EQ(text(plain).find("ShowStyles"), std::string::npos) << "every page is the default";

  rtl::TStringStream source(
      "object Fill: TvxBrushDialog\r\n  ShowStyles = [vgBrushSolid, vgBrushGradient]\r\n"
      "  ShowBrushList = False\r\n  Title = 'Fill'\r\nend\r\n");
  rtl::TMemoryStream bin;
  rtl::ObjectTextToBinary(&source, &bin);
  bin.SetPosition(0);
  TvxBrushDialog dialog(nullptr);
  rtl::TReader(&bin, 1024).ReadRootComponent(&dialog);
  EXPECT_EQ(dialog.ShowStyles(), (TvxBrushStyles{vgBrushSolid, vgBrushGradient}));
  EXPECT_FALSE(dialog.ShowBrushList());
  EXPECT_EQ(dialog.Title(), u"Fill");
  const std::string written = text(dialog);
  EXPECT_NE(written.find("ShowStyles = [vgBrushSolid, vgBrushGradient]"), std::string::npos) << written;
  EXPECT_LT(written.find("ShowStyles"), written.find("ShowBrushList")) << written;

  // The dialog offers just those pages (its picture is kept in the build tree's test-output folder, with
  // those of a dialog offering every page and one offering none).
  auto pages = [](TvxBrushDialog& D, const std::string& Picture) {
    std::vector<bool> shown;
    D.OnShow = [&](TvxBrushDesign& F) {
      for (TvxBrushStyle st : {vgBrushNone, vgBrushSolid, vgBrushGradient, vgBrushBitmap, vgBrushResource})
        shown.push_back(F.Tab(st)->Visible());
      rtl::Application->ProcessMessages();
      const std::vector<uint32_t> frame = F.PresentedFrame();
      TvxBitmap shot(F.ClientWidth(), F.ClientHeight());
      std::copy(frame.begin(), frame.end(), shot.Bits());
      shot.SaveToFile(testout::Path(Picture));
      F.CancelButton()->Click();
    };
    EXPECT_FALSE(D.Execute());
    return shown;
  };
  EXPECT_EQ(pages(dialog, "brush_dialog_two_styles.png"), (std::vector<bool>{false, true, true, false, false}));
  TvxBrushDialog every(nullptr);
  EXPECT_EQ(pages(every, "brush_dialog_every_style.png"), (std::vector<bool>{true, true, true, true, true}));
  TvxBrushDialog none(nullptr);
  none.SetShowStyles({});
  EXPECT_EQ(pages(none, "brush_dialog_no_style.png"), (std::vector<bool>{false, false, false, false, false}));
}

TEST_F(BrushDesigner, TheBrushListOffersAnObjectsBrushesAndResourcesNeedAValidName) {
  ControlScene s;
  auto* shape = s.Add(new TvxRectangle(nullptr), 0, 0);
  shape->Fill()->SetSolidColor(0xFF123456);
  auto design = std::make_unique<TvxBrushDesign>(nullptr);
  design->SetDesignObject(shape);
  // Fill and Stroke: 4 + 2 x 23 high, the first one edited.
  EXPECT_EQ(design->BrushList()->Count(), 2);
  EXPECT_EQ(design->BrushList()->Height(), 50.0f);
  EXPECT_EQ(design->Brush(), shape->Fill());
  EXPECT_EQ(design->BrushList()->ItemIndex(), 0);
  EXPECT_EQ(design->UniqueName("Brush"), "Brush1");
  EXPECT_EQ(design->UniqueName("Brush"), "Brush2");

  const int before = s.root->GetChildrenCount();
  EXPECT_THROW(design->MakeResource("not a name"), rtl::Exception);
  EXPECT_EQ(s.root->GetChildrenCount(), before);  // nothing made
  TvxBrushObject* made = design->MakeResource("RedBrush");
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->Parent(), s.root.get());
  EXPECT_EQ(made->Brush()->Color(), 0xFF123456u);
  EXPECT_EQ(design->ResourceList()->Count(), 1);

  // A design object freed while the designer is open takes its brushes with it.
  delete shape;
  EXPECT_EQ(design->Brush(), nullptr);
  EXPECT_EQ(design->BrushList()->Count(), 0);
}

TEST_F(BrushDesigner, AColourButtonTakesThePickedColourOpaqueFromTheStandardRoadAndNothingOnCancel) {
  ControlScene s;
  auto* button = s.Add(new TvxColorButton(nullptr), 10, 10);
  EXPECT_EQ(button->Color(), "#FF000000");
  EXPECT_TRUE(button->UseStandardDialog());
  auto* fill = dynamic_cast<TvxShape*>(button->FindResource("fill"));
  ASSERT_NE(fill, nullptr);
  int changes = 0;
  button->OnChange = [&](rtl::TObject*) { ++changes; };
  button->SetColor("#80102030");
  EXPECT_EQ(fill->Fill()->Color(), 0x80102030u);
  EXPECT_EQ(changes, 1);

  struct Hook {
    explicit Hook(std::function<void(TvxBrushDesign&)> F) { TvxBrushDialog::OnAnyShow = std::move(F); }
    ~Hook() { TvxBrushDialog::OnAnyShow = nullptr; }
  };
  {
    Hook cancel([](TvxBrushDesign& D) {
      EXPECT_FALSE(D.Tab(vgBrushGradient)->Visible());
      TypeInto(D.SolidHex(), u"#40FF0000");
      D.CancelButton()->Click();
    });
    button->Click();
  }
  EXPECT_EQ(button->Color(), "#80102030");
  EXPECT_EQ(changes, 1);
  {
    Hook ok([](TvxBrushDesign& D) {
      TypeInto(D.SolidHex(), u"#40FF0000");
      D.OkButton()->Click();
    });
    button->Click();
    EXPECT_EQ(button->Color(), "#FFFF0000");  // opaque on the standard road
    button->SetUseStandardDialog(false);
    button->Click();
    EXPECT_EQ(button->Color(), "#40FF0000");
  }
  EXPECT_EQ(changes, 3);
}

TEST_F(BrushDesigner, TheBitmapPageTakesItsPictureThroughTheBitmapEditor) {
  TvxBrush brush(vgBrushBitmap, 0xFF808080);
  brush.Bitmap()->Bitmap()->SetSize(4, 3);
  TvxBrushDesign* d = ShowBrushDesigner(&brush, nullptr);
  ASSERT_NE(d, nullptr);
  ASSERT_NE(d->SelectBitmapButton(), nullptr);
  // From inside the editor's modal loop: clear the picture and confirm.
  looptest::Later([] {
    auto* editor = dynamic_cast<TvxBitmapEditor*>(win::ActiveForm());
    ASSERT_NE(editor, nullptr);
    editor->ClearClick(nullptr);
    editor->SetModalResult(win::mrOk);
  });
  d->SelectBitmapButton()->Click();
  EXPECT_EQ(brush.Bitmap()->Bitmap()->Width(), 1) << "Clear and OK give a 1 x 1 picture to the brush";
  EXPECT_EQ(brush.Bitmap()->Bitmap()->Height(), 1);
  d->Close();
  rtl::Application->ProcessMessages();
}

// The resource page opens with no row selected while the brush refers to no resource, so a
// click on the only listed resource picks it; a brush that refers to one opens on its row.
TEST_F(BrushDesigner, AClickOnTheOnlyListedResourcePicksIt) {
  ControlScene s;
  auto* shape = s.Add(new TvxRectangle(nullptr), 0, 0);
  auto* resource = new TvxBrushObject(nullptr);
  resource->SetResourceName("Chrome");
  resource->Brush()->SetSolidColor(0xFF10E020);
  s.root->AddObject(resource);
  TvxBrushDesign* d = ShowBrushDesigner(shape, nullptr);
  ASSERT_NE(d, nullptr);
  d->Tabs()->SetItemIndex(4);
  clock.Advance(400);
  rtl::Application->ProcessMessages();
  TvxListBox* list = d->ResourceList();
  ASSERT_EQ(list->Count(), 1);
  EXPECT_EQ(list->ItemIndex(), -1) << "the brush refers to no resource yet";
  EXPECT_EQ(shape->Fill()->Resource()->Resource(), nullptr);
  vgtest::Click(d, list->ItemByIndex(0));
  EXPECT_EQ(list->ItemIndex(), 0);
  EXPECT_EQ(shape->Fill()->Style(), vgBrushResource);
  EXPECT_EQ(shape->Fill()->Resource()->Resource(), resource);
  EXPECT_EQ(shape->Fill()->Color(), 0xFF10E020u);

  // Opened again on that brush, the page shows its resource selected.
  d->Close();
  rtl::Application->ProcessMessages();
  d = ShowBrushDesigner(shape, nullptr);
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(d->Tab(vgBrushResource)->IsSelected());
  EXPECT_EQ(d->ResourceList()->ItemIndex(), 0);
  d->Close();
  rtl::Application->ProcessMessages();
}

// A resource freed while the designer lists it is forgotten at once: its row hides, choosing
// it picks nothing, the other rows still pick theirs, and the rows go once the loop has had
// its turn. A brush freed while the shared designer edits it (one given without an owner) is
// forgotten too: typing into the designer then changes nothing.
TEST_F(BrushDesigner, AResourceOrABrushFreedWhileTheDesignerHoldsItIsForgotten) {
  ControlScene s;
  auto* shape = s.Add(new TvxRectangle(nullptr), 0, 0);
  TvxBrushObject* resources[2] = {new TvxBrushObject(nullptr), new TvxBrushObject(nullptr)};
  for (int i = 0; i < 2; ++i) {
    resources[i]->SetResourceName(i == 0 ? "Chrome" : "Matte");
    resources[i]->Brush()->SetSolidColor(i == 0 ? 0xFF10E020 : 0xFF2040A0);
    s.root->AddObject(resources[i]);
  }
  TvxBrushDesign* d = ShowBrushDesigner(shape, nullptr);
  ASSERT_NE(d, nullptr);
  d->Tabs()->SetItemIndex(4);
  clock.Advance(400);
  rtl::Application->ProcessMessages();
  TvxListBox* list = d->ResourceList();
  ASSERT_EQ(list->Count(), 2);
  TvxListBoxItem* chromeRow = list->ItemByIndex(0);
  delete resources[0];
  EXPECT_FALSE(chromeRow->Visible());
  list->SetItemIndex(0);  // what a click on its row does
  EXPECT_EQ(shape->Fill()->Resource()->Resource(), nullptr);
  vgtest::Click(d, list->ItemByIndex(1));
  EXPECT_EQ(shape->Fill()->Resource()->Resource(), resources[1]);
  EXPECT_EQ(shape->Fill()->Color(), 0xFF2040A0u);
  // The chosen one freed: its row hides unselected, and the brush refers to nothing.
  delete resources[1];
  EXPECT_EQ(list->ItemIndex(), -1);
  EXPECT_EQ(shape->Fill()->Resource()->Resource(), nullptr);
  rtl::Application->ProcessMessages();
  EXPECT_EQ(list->Count(), 0);
  d->Close();
  rtl::Application->ProcessMessages();

  auto brush = std::make_unique<TvxBrush>(vgBrushSolid, 0xFF808080);
  d = ShowBrushDesigner(brush.get(), nullptr);
  ASSERT_NE(d, nullptr);
  brush.reset();
  EXPECT_EQ(d->Brush(), nullptr);
  TypeInto(d->SolidHex(), u"#FF00FF00");
  d->SolidBox(0)->SetValue(12);
  d->SolidBox(0)->Change();
  d->Close();
  rtl::Application->ProcessMessages();
}

// The designer as its stream lays it out: the brush list above the tabs, the gradient strip
// across the whole tab, the resource list inset in its page, and never smaller than
// 350 x 420, however its buttons end it.
TEST_F(BrushDesigner, TheDesignerIsLaidOutInTheOrderOfItsStreamAndKeepsItsMinimumSize) {
  ControlScene s;
  auto* shape = s.Add(new TvxRectangle(nullptr), 0, 0);
  TvxBrushDesign* d = ShowBrushDesigner(shape, nullptr);
  ASSERT_NE(d, nullptr);
  rtl::Application->ProcessMessages();
  const TvxRect list = d->BrushList()->GetAbsoluteRect(), tabs = d->Tabs()->GetAbsoluteRect();
  EXPECT_LE(list.Bottom, tabs.Top) << "the brush list comes first";
  d->Tabs()->SetItemIndex(2);
  clock.Advance(400);
  rtl::Application->ProcessMessages();
  const TvxRect strip = d->GradientEditor()->GetAbsoluteRect();
  EXPECT_NEAR(strip.Left, tabs.Left, 1.0f);
  EXPECT_NEAR(strip.Right, tabs.Right, 1.0f);
  const TvxRect page = d->Tab(vgBrushResource)->Layout()->GetAbsoluteRect();
  d->Tabs()->SetItemIndex(4);
  clock.Advance(400);
  rtl::Application->ProcessMessages();
  const TvxRect res = d->ResourceList()->GetAbsoluteRect();
  // The page's own margin and the list's padding.
  EXPECT_NEAR(res.Left - page.Left, 16.0f, 0.5f);
  EXPECT_NEAR(page.Right - res.Right, 16.0f, 0.5f);
  EXPECT_EQ(d->ClientWidth(), 350);
  d->SetBounds(d->Left(), d->Top(), 200, 200);
  EXPECT_EQ(d->ClientWidth(), 350);
  EXPECT_EQ(d->ClientHeight(), 420);
  d->Close();
  rtl::Application->ProcessMessages();

  // The dialog sizes the window by its buttons, but never below 420: the brush list makes
  // it taller, the window without it keeps the minimum.
  for (bool list : {false, true}) {
    SCOPED_TRACE(list ? "with the brush list" : "without the brush list");
    TvxBrushDialog dialog(nullptr);
    if (list) dialog.SetComponent(shape);
    dialog.SetShowMakeResource(true);
    int height = 0, buttons = 0;
    dialog.OnShow = [&](TvxBrushDesign& D) {
      height = D.ClientHeight();
      const TvxRect ok = D.OkButton()->GetAbsoluteRect();
      buttons = static_cast<int>(ok.Bottom);
      D.CancelButton()->Click();
    };
    EXPECT_FALSE(dialog.Execute());
    EXPECT_GT(height, buttons);
    if (list) {
      EXPECT_GT(height, 420);
    } else {
      EXPECT_EQ(height, 420);
    }
  }
}

TEST_F(BrushDesigner, EveryTabAndEveryListedNameCanBeReachedAndRead) {
  ControlScene s;
  auto* shape = s.Add(new TvxRectangle(nullptr), 0, 0);
  auto* resource = new TvxBrushObject(nullptr);
  resource->SetResourceName("Chrome");
  s.root->AddObject(resource);
  TvxBrushDesign* d = ShowBrushDesigner(shape, nullptr);
  ASSERT_NE(d, nullptr);
  rtl::Application->ProcessMessages();
  // The five tabs share the row inside the window, each at least as wide as its caption.
  TvxTabControl* tabs = d->Tabs();
  const TvxBrushStyle styles[] = {vgBrushNone, vgBrushSolid, vgBrushGradient, vgBrushBitmap, vgBrushResource};
  TvxCanvas* canvas = d->Scene()->Canvas();
  ASSERT_NE(canvas, nullptr);
  for (int i = 0; i < 5; ++i) {
    TvxTabItem* tab = d->Tab(styles[i]);
    SCOPED_TRACE(rtl::WideToUtf8(tab->Text()));
    const TvxRect r = tab->GetAbsoluteRect();
    EXPECT_GE(r.Left, 0);
    EXPECT_LE(r.Right, static_cast<float>(d->ClientWidth()));
    canvas->Font()->Assign(tab->Font());
    TvxRect text = MakeRect(0, 0, 1000, 100);
    canvas->MeasureText(text, text, tab->Text(), false, vgTextAlignNear, vgTextAlignNear);
    EXPECT_LE(RectWidth(text), tab->Width());
    // A click on its middle selects it.
    const int x = static_cast<int>((r.Left + r.Right) / 2), y = static_cast<int>((r.Top + r.Bottom) / 2);
    win::SimulateMouseMove(d, x, y);
    win::SimulateMouseButton(d, rtl::mbLeft, true, x, y);
    win::SimulateMouseButton(d, rtl::mbLeft, false, x, y);
    rtl::Application->ProcessMessages();
    EXPECT_EQ(tabs->ItemIndex(), i);
  }
  // The brush list and the resource list name their entries in the Hud text colour.
  ASSERT_EQ(d->BrushList()->Count(), 2);
  ASSERT_EQ(d->ResourceList()->Count(), 1);
  for (TvxListBoxItem* item : {d->BrushList()->ItemByIndex(0), d->ResourceList()->ItemByIndex(0)}) {
    TvxLabel* label = nullptr;
    for (TvxObject* c : item->Children())
      if (auto* l = dynamic_cast<TvxLabel*>(c)) label = l;
    ASSERT_NE(label, nullptr);
    auto* text = dynamic_cast<TvxText*>(label->FindResource("text"));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Fill()->Color(), 0xFFFFFFFFu) << rtl::WideToUtf8(label->Text());
  }
  // As the installer sees it: the solid page and the resource page side by side, over a
  // dark desktop.
  const int w = canvas->Width(), h = canvas->Height();
  TvxBitmap picture(2 * w, h);
  for (int page = 0; page < 2; ++page) {
    tabs->SetItemIndex(page == 0 ? 1 : 4);
    clock.Advance(400);
    d->Scene()->Invalidate();
    rtl::Application->ProcessMessages();
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint32_t p = canvas->BufferBits()[y * w + x];
        const uint32_t a = p >> 24, back = 0xFF3C4650u;
        uint32_t out = 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8)
          out |= (((p >> shift) & 0xFF) + ((back >> shift) & 0xFF) * (255 - a) / 255) << shift;
        picture.Bits()[y * 2 * w + page * w + x] = out;
      }
  }
  d->Close();
  rtl::Application->ProcessMessages();
  vgtest::ExpectReferencePicture(picture, "brush_designer.png", VG2D_CONTROLS_TEST_DATA);
}

}  // namespace brush_designer_test
