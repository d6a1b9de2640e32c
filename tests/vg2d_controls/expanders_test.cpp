// The expander folding to its header and enabling its content, its content height through
// a stream; the popup box's index and text rules and its menu; the bitmap state button's
// three pictures; the image control's dropped files and images, and its click's open dialog.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ControlScene.h"
#include "platform/loop/Application.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Streams.h"
#include "platform/win/Forms.h"
#include "platform/win/Menus.h"
#include "tests/loop/Later.h"
#include "tests/vg2d_controls/ModalSteps.h"
#include "tests/vg2d_core/SavedText.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/Expanders.h"
#include "vg2d/controls/FileDialog.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/TreeView.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "vg2d/core/ImageShapes.h"
#include "vg2d/core/Registry.h"

namespace expanders_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

class Expanders : public vgtest::ControlsTest {};

using vgtest::TextOf;

}  // namespace

TEST_F(Expanders, AnExpanderFoldsToItsHeaderAndItsCheckEnablesTheContent) {
  ControlScene s;
  auto* e = s.Add(new TvxExpander(nullptr), 10, 10);
  EXPECT_EQ(e->Width(), 130.0f);
  ASSERT_NE(e->Style(), nullptr);
  auto* inside = new TvxVisualObject(nullptr);
  e->AddObject(inside);
  EXPECT_EQ(inside->Parent(), e->Content());
  // Unfolded, the content fills the expander under the header.
  EXPECT_EQ(e->Content()->Height(), 105.0f);
  EXPECT_EQ(e->Content()->Position()->Y(), 25.0f);

  e->SetIsExpanded(false);
  EXPECT_EQ(e->Height(), 25.0f);
  EXPECT_FALSE(e->Content()->Visible());
  e->Content()->SetHeight(100);
  e->SetIsExpanded(true);
  EXPECT_EQ(e->Height(), 125.0f);
  EXPECT_TRUE(e->Content()->Visible());
  // Clicking the header button folds it again.
  auto* button = dynamic_cast<TvxCustomButton*>(e->FindResource("button"));
  ASSERT_NE(button, nullptr);
  EXPECT_FALSE(button->CanFocused());
  button->Click();
  EXPECT_FALSE(e->IsExpanded());
  EXPECT_EQ(e->Height(), 25.0f);
  e->SetIsExpanded(true);

  // The check box shows only with ShowCheck; clearing it disables the whole content.
  auto* check = dynamic_cast<TvxCheckBox*>(e->FindResource("checkbox"));
  ASSERT_NE(check, nullptr);
  EXPECT_FALSE(check->Visible());
  e->SetShowCheck(true);
  EXPECT_TRUE(check->Visible());
  int checkChanges = 0;
  e->OnCheckChange = [&](rtl::TObject*) { ++checkChanges; };
  check->SetIsChecked(false);
  EXPECT_FALSE(e->IsChecked());
  EXPECT_FALSE(inside->GetAbsoluteEnabled());
  EXPECT_EQ(checkChanges, 1);
  e->SetIsChecked(true);
  EXPECT_TRUE(check->IsChecked());
  EXPECT_TRUE(inside->GetAbsoluteEnabled());
}

TEST_F(Expanders, AnExpanderKeepsItsContentHeightAndChildrenThroughAStream) {
  ControlScene s;
  auto* e = s.Add(new TvxExpander(nullptr), 0, 0);
  e->SetHeight(105.5f);
  e->Realign();
  EXPECT_EQ(e->Content()->Height(), 80.5f);
  auto* inside = new TvxPanel(nullptr);
  inside->SetName("Inside");
  e->AddObject(inside);
  const std::string text = TextOf(e);
  delete e;
  EXPECT_NE(text.find("ContentSize = '80.500'"), std::string::npos) << text;
  EXPECT_NE(text.find("ShowCheck = False"), std::string::npos) << text;
  rtl::TMemoryStream in;
  in.Write(text.data(), static_cast<int64_t>(text.size()));
  in.SetPosition(0);
  std::unique_ptr<rtl::TComponent> loaded(CreateObjectFromText(nullptr, &in));
  auto* back = dynamic_cast<TvxExpander*>(loaded.get());
  ASSERT_NE(back, nullptr);
  EXPECT_FLOAT_EQ(back->Content()->Height(), 80.5f);
  ASSERT_EQ(back->Content()->GetChildrenCount(), 1);
  EXPECT_NE(dynamic_cast<TvxPanel*>(back->Content()->GetChild(0)), nullptr);
}

TEST_F(Expanders, APopupBoxPicksItsTextFromItsItemsAndOpensAMenuCentredOnIt) {
  ControlScene s;
  auto* box = s.Add(new TvxPopupBox(nullptr), 40, 60);
  EXPECT_EQ(box->Height(), 21.0f);
  EXPECT_EQ(box->ItemIndex(), -1);
  int changes = 0;
  box->OnChange = [&](rtl::TObject*) { ++changes; };
  box->Items()->Add(u"Linear");
  box->Items()->Add(u"Radial");
  box->Items()->Add(u"Other");

  box->SetItemIndex(1);
  EXPECT_EQ(box->Text(), u"Radial");
  EXPECT_EQ(changes, 1);
  box->SetItemIndex(5);  // past the end: empty text, the index kept
  EXPECT_EQ(box->Text(), u"");
  EXPECT_EQ(box->ItemIndex(), 5);
  box->SetText(u"Linear");
  EXPECT_EQ(box->ItemIndex(), 0);
  EXPECT_EQ(box->Text(), u"Linear");
  box->SetText(u"Square");
  EXPECT_EQ(box->ItemIndex(), -1);
  EXPECT_EQ(box->Text(), u"");
  EXPECT_EQ(changes, 2);  // setting the text reports nothing

  box->SetData(std::u16string(u"Other"));
  EXPECT_EQ(box->ItemIndex(), 2);
  box->SetData(rtl::TPropValue{});
  EXPECT_EQ(box->ItemIndex(), -1);
  box->SetData(int64_t{0});
  EXPECT_EQ(box->Text(), u"Linear");

  // A click opens the menu with the chosen item ticked, 19 units above the box
  // (Trunc(10.5 - 30)); choosing an item selects it.
  box->Click();
  win::TPopupMenu* menu = box->Menu();
  ASSERT_EQ(menu->Count(), 3);
  EXPECT_TRUE(menu->Items(0)->Checked());
  EXPECT_FALSE(menu->Items(1)->Checked());
  ASSERT_TRUE(menu->IsOpen());
  EXPECT_EQ(menu->Window()->Left(), 40);
  EXPECT_EQ(menu->Window()->Top(), 60 - 19);
  menu->ItemChosen(2);
  EXPECT_EQ(box->ItemIndex(), 2);
  EXPECT_EQ(box->Text(), u"Other");
  box->Click();  // a second opening has the items once, the new one ticked
  ASSERT_EQ(menu->Count(), 3);
  EXPECT_TRUE(menu->Items(2)->Checked());
  menu->CloseMenu();
}

TEST_F(Expanders, ABitmapStateButtonPaintsThePictureOfItsStateFittedIntoItself) {
  ControlScene s;
  auto* b = s.Add(new TvxBitmapStateButton(nullptr), 0, 0);
  EXPECT_EQ(b->Width(), 64.0f);
  b->Bitmap()->SetSize(32, 16);
  b->Bitmap()->Clear(0xFFFF0000);
  b->BitmapHot()->SetSize(8, 8);
  b->BitmapHot()->Clear(0xFF00FF00);
  b->BitmapDown()->SetSize(128, 64);
  b->BitmapDown()->Clear(0xFF0000FF);
  s.PaintAll(0xFF000000);
  // Not enlarged and centred: 32 x 16 in the middle of 64 x 64.
  EXPECT_EQ(s.At(32, 32), 0xFFFF0000u);
  EXPECT_EQ(s.At(32, 20), 0xFF000000u);
  EXPECT_EQ(s.At(10, 32), 0xFF000000u);

  s.scene.MouseMove({}, 30, 30);
  s.PaintAll(0xFF000000);
  EXPECT_EQ(s.At(32, 32), 0xFF00FF00u);
  EXPECT_EQ(s.At(26, 32), 0xFF000000u);  // 8 x 8 from 28 to 36

  s.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, 30, 30);
  s.PaintAll(0xFF000000);
  // 128 x 64 shrunk to 64 x 32, centred.
  EXPECT_EQ(s.At(2, 32), 0xFF0000FFu);
  EXPECT_EQ(s.At(2, 12), 0xFF000000u);
  s.scene.MouseUp(rtl::mbLeft, {}, 30, 30);
}

TEST_F(Expanders, AnImageControlTakesDroppedImageFilesAndImagesAndShowsThemFitted) {
  ControlScene s;
  auto* control = s.Add(new TvxImageControl(nullptr), 0, 0);
  control->SetBounds(0, 0, 106, 106);
  control->Realign();
  auto* image = dynamic_cast<TvxImage*>(control->FindResource("image"));
  ASSERT_NE(image, nullptr);
  int changes = 0;
  control->OnChange = [&](rtl::TObject*) { ++changes; };

  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "gascal_image_control_test";
  std::filesystem::create_directories(dir);
  TvxBitmap red(200, 50);
  red.Clear(0xFFFF0000);
  TvxFilterGdiPlus codec;
  const std::string png = (dir / "red.png").string(), txt = (dir / "note.txt").string();
  ASSERT_TRUE(codec.SaveToFile(png, red, ""));
  { std::ofstream(txt) << "text"; }

  bool accept = true;
  control->DragOver({nullptr, {rtl::Utf8ToWide(txt)}, {}}, {5, 5}, accept);
  EXPECT_FALSE(accept);
  control->DragOver({nullptr, {rtl::Utf8ToWide((dir / "missing.png").string())}, {}}, {5, 5}, accept);
  EXPECT_FALSE(accept);
  control->DragOver({nullptr, {rtl::Utf8ToWide(png)}, {}}, {5, 5}, accept);
  EXPECT_TRUE(accept);
  control->DragDrop({nullptr, {rtl::Utf8ToWide(png)}, {}}, {5, 5});
  EXPECT_EQ(control->Bitmap()->Width(), 200);
  EXPECT_GE(changes, 1);
  // Fitted into the 100 x 100 part: 100 x 25.
  EXPECT_EQ(image->Bitmap()->Width(), 100);
  EXPECT_EQ(image->Bitmap()->Height(), 25);

  TvxImage source(nullptr);
  source.Bitmap()->SetSize(10, 20);
  control->DragOver({&source, {}, {}}, {5, 5}, accept);
  EXPECT_TRUE(accept);
  control->DragDrop({&source, {}, {}}, {5, 5});
  EXPECT_EQ(control->Bitmap()->Height(), 20);
  EXPECT_EQ(image->Bitmap()->Height(), 20);  // not enlarged
  control->DragOver({control, {}, {}}, {5, 5}, accept);
  EXPECT_FALSE(accept);

  control->SetData(rtl::TPropValue{});
  EXPECT_EQ(control->Bitmap()->Width(), 1);
  control->SetData(rtl::Utf8ToWide(png));
  EXPECT_EQ(control->Bitmap()->Width(), 200);
  std::filesystem::remove_all(dir);
}

// A click shows the open dialog on the image files; the file chosen there becomes the picture,
// Cancel changes nothing, a file that holds no picture raises the library's read error and
// leaves the picture, and without EnableOpenDialog no dialog comes.
TEST_F(Expanders, AClickLoadsTheImageFileChosenInTheOpenDialog) {
  ControlScene s;
  auto* control = s.Add(new TvxImageControl(nullptr), 0, 0);
  control->SetBounds(0, 0, 106, 106);
  control->Realign();
  int clicks = 0;
  control->OnClick = [&](rtl::TObject*) { ++clicks; };
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("gascal_image_click_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  TvxBitmap red(40, 30);
  red.Clear(0xFFFF0000);
  const std::string png = (dir / "red.png").string(), broken = (dir / "broken.png").string();
  ASSERT_TRUE(TvxFilterGdiPlus().SaveToFile(png, red, ""));
  { std::ofstream(broken) << "no picture at all"; }
  { std::ofstream(dir / "note.txt") << "text"; }

  // Answers the next open dialog: notes what it lists, names Chosen and takes it with OK
  // (Cancel when Chosen is empty).
  std::vector<std::u16string> listed;
  const auto answer = [&](const std::string& Chosen) {
    looptest::Later([&, Chosen] {
      auto* d = dynamic_cast<TvxFileDialogForm*>(win::ActiveForm());
      ASSERT_NE(d, nullptr) << "the open dialog is the active window";
      d->OpenFolder(dir.string());
      listed.clear();
      for (int i = 0; i < d->List()->Count(); ++i) listed.push_back(d->List()->ItemByIndex(i)->Text());
      d->NameBox()->SetText(rtl::Utf8ToWide(Chosen));
      if (Chosen.empty())
        d->CancelButton()->Click();
      else
        d->OkButton()->Click();
      vgtest::EndIfStillOpen(*d);
    });
  };
  // Whatever the click does, the answer has run once the loop has had its turn.
  const auto click = [&] {
    control->Click();
    rtl::Application->ProcessMessages();
  };
  answer(png);
  click();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(listed, (std::vector<std::u16string>{u"..", u"broken.png", u"red.png"})) << "image files only";
  EXPECT_EQ(control->Bitmap()->Width(), 40);
  EXPECT_EQ(control->Bitmap()->GetScanline(0)[0], 0xFFFF0000u);

  answer("");
  click();
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(control->Bitmap()->Width(), 40);

  answer(broken);
  try {
    click();
    ADD_FAILURE() << "a file without a picture is taken";
  } catch (const rtl::EReadError& e) {
    EXPECT_NE(e.Message().find(broken), std::string::npos) << e.Message();
  }
  rtl::Application->ProcessMessages();
  EXPECT_EQ(control->Bitmap()->Width(), 40);

  control->SetEnableOpenDialog(false);
  bool dialogCame = false;
  looptest::Later([&] {
    if (auto* d = dynamic_cast<TvxFileDialogForm*>(win::ActiveForm())) {
      dialogCame = true;
      d->SetModalResult(vgtest::GaveUp);
    }
  });
  click();
  EXPECT_FALSE(dialogCame);
  EXPECT_EQ(clicks, 4);
  std::filesystem::remove_all(dir);
}

}  // namespace expanders_test
