// The file dialog as an open dialog is used: a folder's subfolders listed before its matching
// files, a double click on a folder or on ".." going there, OK on a folder's entry or on a
// typed folder opening it, and a file taken from another folder than the first.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ControlScene.h"
#include "platform/loop/Application.h"
#include "platform/rtl/CodePage.h"
#include "platform/win/Display.h"
#include "tests/loop/Later.h"
#include "tests/vg2d_controls/ModalSteps.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/FileDialog.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/TreeView.h"

namespace file_dialog_test {

using namespace vg;
namespace fs = std::filesystem;

namespace {

// dir: a.png, notes.txt, sub/ (b.png, deeper/), .hidden/
class FileDialogs : public vgtest::ControlsTest {
protected:
  void SetUp() override {
    ControlsTest::SetUp();
    dir = fs::temp_directory_path() / ("filedlg_" + std::to_string(getpid()));
    fs::create_directories(dir / "sub" / "deeper");
    fs::create_directories(dir / ".hidden");
    for (const fs::path& f : {dir / "a.png", dir / "notes.txt", dir / "sub" / "b.png"}) {
      std::FILE* file = std::fopen(f.string().c_str(), "w");
      ASSERT_NE(file, nullptr);
      std::fclose(file);
    }
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
    ControlsTest::TearDown();
  }
  fs::path dir;
};

// Runs Steps on the dialog from inside its modal loop.
void InTheDialog(std::function<void(TvxFileDialogForm&)> Steps) {
  looptest::Later([Steps] {
    auto* d = dynamic_cast<TvxFileDialogForm*>(win::ActiveForm());
    ASSERT_NE(d, nullptr) << "the file dialog is the active window";
    Steps(*d);
    vgtest::EndIfStillOpen(*d);
  });
}

std::vector<std::u16string> Entries(TvxFileDialogForm& D) {
  std::vector<std::u16string> texts;
  for (int i = 0; i < D.List()->Count(); ++i) texts.push_back(D.List()->ItemByIndex(i)->Text());
  return texts;
}

// The list lays its entries out as it paints.
void Settle() { rtl::Application->ProcessMessages(); }

void DoubleClick(TvxFileDialogForm& D, TvxVisualObject* O) {
  Settle();
  ASSERT_NE(O, nullptr);
  const TvxRect r = O->GetAbsoluteRect();
  const int x = static_cast<int>((r.Left + r.Right) / 2), y = static_cast<int>((r.Top + r.Bottom) / 2);
  win::SimulateMouseMove(&D, x, y);
  win::SimulateMouseButton(&D, rtl::mbLeft, true, x, y);
  win::SimulateMouseButton(&D, rtl::mbLeft, false, x, y);
  win::SimulateMouseButton(&D, rtl::mbLeft, true, x, y, 2);
  win::SimulateMouseButton(&D, rtl::mbLeft, false, x, y, 2);
}

void Click(TvxFileDialogForm& D, TvxVisualObject* O) {
  Settle();
  ASSERT_NE(O, nullptr);
  vgtest::Click(&D, O);
}

void TypeIntoNameBox(TvxFileDialogForm& D, const std::string& Text) {
  Click(D, D.NameBox());
  D.NameBox()->SelectAll();
  win::SimulateText(&D, Text);
}

}  // namespace

TEST_F(FileDialogs, FoldersComeFirstAndADoubleClickGoesIntoOneAndUpAgain) {
  TvxFileDialog dialog;
  dialog.Filter = "PNG Image|*.png";
  dialog.InitialDir = dir.string();
  InTheDialog([this](TvxFileDialogForm& D) {
    EXPECT_EQ(D.Folder(), dir.string());
    EXPECT_EQ(D.FolderLabel()->Text(), rtl::Utf8ToWide(dir.string()));
    EXPECT_EQ(Entries(D), (std::vector<std::u16string>{u"..", u"sub/", u"a.png"}));
    DoubleClick(D, D.Entry(u"sub/"));
    EXPECT_EQ(D.Folder(), (dir / "sub").string());
    EXPECT_EQ(Entries(D), (std::vector<std::u16string>{u"..", u"deeper/", u"b.png"}));
    EXPECT_EQ(D.NameBox()->Text(), u"") << "nothing is chosen yet";
    DoubleClick(D, D.Entry(u".."));
    EXPECT_EQ(D.Folder(), dir.string());
    // A click shows the entry in the box; OK on a folder's entry opens it.
    Click(D, D.Entry(u"sub/"));
    EXPECT_EQ(D.NameBox()->Text(), u"sub/");
    Click(D, D.OkButton());
    EXPECT_EQ(D.Folder(), (dir / "sub").string());
    EXPECT_EQ(D.ModalResult(), win::mrNone);
    Click(D, D.Entry(u"b.png"));
    EXPECT_EQ(D.NameBox()->Text(), u"b.png");
    DoubleClick(D, D.Entry(u"b.png"));
  });
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.FileName, (dir / "sub" / "b.png").string());
}

TEST_F(FileDialogs, ATypedFolderIsOpenedAndATypedNameIsTakenInTheFolderShown) {
  TvxFileDialog dialog;
  dialog.Filter = "PNG Image|*.png|BMP Image|*.bmp";
  dialog.DefaultExt = "png";
  dialog.FileName = (dir / "a.png").string();
  InTheDialog([this](TvxFileDialogForm& D) {
    EXPECT_EQ(D.Folder(), dir.string());
    EXPECT_EQ(D.NameBox()->Text(), u"a.png");
    TypeIntoNameBox(D, (dir / "sub" / "deeper").string());
    win::SimulateKeyStroke(&D, SDLK_RETURN);
    EXPECT_EQ(D.Folder(), (dir / "sub" / "deeper").string());
    EXPECT_EQ(Entries(D), (std::vector<std::u16string>{u".."}));
    TypeIntoNameBox(D, "copy");
    win::SimulateKeyStroke(&D, SDLK_RETURN);
  });
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.FileName, (dir / "sub" / "deeper" / "copy.png").string());

  // The top of the file system has nothing above it; Cancel chooses nothing.
  InTheDialog([](TvxFileDialogForm& D) {
    D.OpenFolder("/");
    EXPECT_EQ(D.Folder(), "/");
    EXPECT_EQ(D.Entry(u".."), nullptr);
    EXPECT_NE(D.Entry(u"tmp/"), nullptr);
    Click(D, D.CancelButton());
  });
  dialog.FileName.clear();
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(dialog.FileName, "");
}

}  // namespace file_dialog_test
