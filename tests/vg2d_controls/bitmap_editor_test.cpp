// The bitmap editor's handlers on a loaded picture: the crop frame's result in picture
// pixels at any scale and clipped to the picture, the scale label, Clear followed by OK,
// the resize boxes keeping the aspect ratio and the resize itself, and saving a loaded file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/loop/Application.h"
#include "platform/rtl/CodePage.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Display.h"
#include "platform/win/Graphics.h"
#include "tests/TestOutput.h"
#include "tests/loop/Later.h"
#include "vg2d/controls/BitmapEditor.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/controls/FileDialog.h"
#include "vg2d/controls/NumberBox.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/Selection.h"
#include "tests/TestOutput.h"

namespace bitmap_editor_test {

using namespace vg;

namespace {

// Each pixel tells where it lies.
uint32_t PixelAt(int X, int Y) { return 0xFF000000u | static_cast<uint32_t>(Y << 8 | X); }

class BitmapEditors : public ::testing::Test {
protected:
  void SetUp() override {
    ControlsStartup();
    editor = std::make_unique<TvxBitmapEditor>(nullptr);
    TvxBitmap picture(100, 80);
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 100; ++x) picture.GetScanline(y)[x] = PixelAt(x, y);
    BitmapEditorLoad(editor.get(), &picture);
  }
  void TearDown() override {
    editor.reset();
    rtl::Application->ProcessMessages();
    ControlsShutdown();
  }
  TvxControl* EditControl() { return static_cast<TvxControl*>(editor->Part("editControl")); }
  TvxButton* Button(const char* Name) { return static_cast<TvxButton*>(editor->Part(Name)); }
  std::unique_ptr<TvxBitmapEditor> editor;
};

}  // namespace

TEST_F(BitmapEditors, ALoadedPictureEnablesEditingAndShowsAtItsScale) {
  EXPECT_EQ(editor->Caption(), "Bitmap Editor");
  EXPECT_EQ(editor->Bitmap()->Width(), 100);
  EXPECT_TRUE(EditControl()->Enabled());
  EXPECT_TRUE(Button("btnOk")->Enabled());
  auto* preview = static_cast<TvxVisualObject*>(editor->Part("Preview"));
  EXPECT_EQ(preview->Width(), 100.0f);
  auto* label = static_cast<TvxLabel*>(editor->Part("labelScale"));
  editor->SetPreviewScale(2.5f);
  EXPECT_EQ(label->Text(), u"Scale: 250%");
  EXPECT_EQ(preview->Height(), 200.0f);
  editor->SetPreviewScale(1);
  EXPECT_EQ(label->Text(), u"Scale: 100%");
  // A nil bitmap changes nothing; a one-pixel-wide one enables nothing.
  BitmapEditorLoad(editor.get(), nullptr);
  EXPECT_EQ(editor->Bitmap()->Width(), 100);
  auto fresh = std::make_unique<TvxBitmapEditor>(nullptr);
  TvxBitmap thin(1, 30);
  BitmapEditorLoad(fresh.get(), &thin);
  EXPECT_EQ(fresh->Bitmap()->Height(), 30);
  EXPECT_FALSE(static_cast<TvxButton*>(fresh->Part("btnOk"))->Enabled());
}

TEST_F(BitmapEditors, CropGivesTheFramedPixelsWhateverTheScale) {
  Button("cropButton")->Click();
  TvxSelection* frame = editor->CropFrame();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(Button("cropButton")->Text(), u"Full");
  // "Fit" first: the small picture is enlarged as far as the scale goes (3).
  const float s = editor->PreviewScale();
  EXPECT_EQ(s, 3.0f);
  EXPECT_EQ(frame->Position()->X(), 30.0f);
  EXPECT_EQ(frame->Position()->Y(), 24.0f);
  EXPECT_EQ(frame->Width(), 240.0f);
  EXPECT_EQ(frame->Height(), 192.0f);
  EXPECT_EQ(frame->Parent(), editor->Part("Preview"));

  // At scale 2 the frame doubles over the same part of the picture.
  editor->SetPreviewScale(2);
  EXPECT_EQ(frame->Position()->X(), 20.0f);
  EXPECT_EQ(frame->Width(), 160.0f);
  TvxBitmap result;
  BitmapEditorResult(editor.get(), &result);
  ASSERT_EQ(result.Width(), 80);
  ASSERT_EQ(result.Height(), 64);
  EXPECT_EQ(result.GetScanline(0)[0], PixelAt(10, 8));
  EXPECT_EQ(result.GetScanline(63)[79], PixelAt(89, 71));

  // A frame hanging over the picture's edge gives only what lies on the picture.
  frame->SetBounds(150, 120, 100, 100);  // picture pixels 75 .. 125, 60 .. 110
  BitmapEditorResult(editor.get(), &result);
  ASSERT_EQ(result.Width(), 25);
  ASSERT_EQ(result.Height(), 20);
  EXPECT_EQ(result.GetScanline(19)[24], PixelAt(99, 79));

  // "Full" drops the frame: the whole picture again.
  Button("cropButton")->Click();
  EXPECT_EQ(editor->CropFrame(), nullptr);
  EXPECT_EQ(Button("cropButton")->Text(), u"Crop");
  BitmapEditorResult(editor.get(), &result);
  EXPECT_EQ(result.Width(), 100);
  EXPECT_EQ(result.GetScanline(79)[99], PixelAt(99, 79));
  BitmapEditorResult(editor.get(), nullptr);  // nothing to fill
}

TEST_F(BitmapEditors, ClearThenOkGivesOnePixel) {
  Button("cropButton")->Click();
  editor->SetPreviewScale(2);
  Button("Button3")->Click();
  EXPECT_EQ(editor->CropFrame(), nullptr);
  EXPECT_FALSE(EditControl()->Enabled());
  EXPECT_TRUE(Button("btnOk")->Enabled());
  EXPECT_EQ(editor->PreviewScale(), 1.0f);
  EXPECT_EQ(Button("btnOk")->ModalResult(), win::mrOk);
  TvxBitmap result(5, 5);
  BitmapEditorResult(editor.get(), &result);
  EXPECT_EQ(result.Width(), 1);
  EXPECT_EQ(result.Height(), 1);
  EXPECT_EQ(result.GetScanline(0)[0], 0u);

  // A picture of one pixel is cleared too: Clear leaves one transparent pixel, whatever the
  // picture was.
  auto small = std::make_unique<TvxBitmapEditor>(nullptr);
  TvxBitmap dot(1, 1);
  dot.Clear(0xFFFF0000);
  BitmapEditorLoad(small.get(), &dot);
  static_cast<TvxButton*>(small->Part("Button3"))->Click();
  BitmapEditorResult(small.get(), &result);
  ASSERT_EQ(result.Width(), 1);
  EXPECT_EQ(result.GetScanline(0)[0], 0u) << "the cleared picture kept its pixel";
}

TEST_F(BitmapEditors, PasteShowsWhileTheClipboardHoldsAPictureAndTakesItAsALoadedOne) {
  const std::string file = (std::filesystem::temp_directory_path() / "bmpedit_paste.png").string();
  editor->Bitmap()->SaveToFile(file);
  editor->LoadFile(file);
  std::filesystem::remove(file);
  Button("cropButton")->Click();
  Button("Button3")->Click();  // Clear: nothing to edit
  ASSERT_FALSE(EditControl()->Enabled());
  TvxButton* paste = Button("btnPaste");
  win::ClipboardSetText(u"Gas");
  editor->Show();  // the window activates
  rtl::Application->ProcessMessages();
  EXPECT_FALSE(paste->Visible());

  win::TBitmap picture;
  picture.SetSize(40, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) picture.ScanLine(y)[x] = 0xFFFF0000u | static_cast<uint32_t>(x << 8 | y);
  win::ClipboardSetPicture(picture);
  editor->Perform(win::WM_ACTIVATE, win::WA_ACTIVE, 0);
  EXPECT_TRUE(paste->Visible());
  rtl::Application->ProcessMessages();
  // In its place in the column: under "Cancel", over the editing buttons.
  EXPECT_GT(paste->Position()->Y(), Button("Button2")->Position()->Y());
  EXPECT_LT(paste->Position()->Y(), EditControl()->Position()->Y());
  editor->SetPreviewScale(2);
  paste->Click();
  ASSERT_EQ(editor->Bitmap()->Width(), 40);
  ASSERT_EQ(editor->Bitmap()->Height(), 30);
  EXPECT_EQ(editor->Bitmap()->Bits()[29 * 40 + 39], 0xFFFF271Du);
  EXPECT_EQ(editor->FileName(), "") << "a pasted picture comes from no file";
  EXPECT_EQ(editor->SourceRect().Right, 40.0f);
  EXPECT_TRUE(EditControl()->Enabled());
  EXPECT_TRUE(Button("btnOk")->Enabled());
  auto* preview = static_cast<TvxVisualObject*>(editor->Part("Preview"));
  EXPECT_EQ(preview->Width(), 80.0f);
  // The preview shows it at once.
  rtl::Application->ProcessMessages();
  const TvxPoint p = preview->LocalToAbsolute({41, 31});  // picture pixel (20, 15)
  const uint32_t shown = editor->PresentedPixel(static_cast<int>(p.X), static_cast<int>(p.Y));
  EXPECT_EQ(shown >> 16 & 0xFF, 0xFFu) << std::hex << shown;
  EXPECT_NEAR(static_cast<int>(shown >> 8 & 0xFF), 20, 2) << std::hex << shown;
  EXPECT_NEAR(static_cast<int>(shown & 0xFF), 15, 2) << std::hex << shown;
  const std::vector<uint32_t>& frame = editor->PresentedFrame();
  TvxBitmap shot(600, 508);
  std::copy(frame.begin(), frame.end(), shot.Bits());
  shot.SaveToFile(testout::Path("bitmap_editor_pasted.png"));
  TvxBitmap result;
  BitmapEditorResult(editor.get(), &result);
  EXPECT_EQ(result.Width(), 40);

  // A text in its place hides the button again.
  win::ClipboardSetText(u"Petrol");
  editor->Perform(win::WM_ACTIVATE, win::WA_ACTIVE, 0);
  EXPECT_FALSE(paste->Visible());
  paste->Click();  // nothing to take
  EXPECT_EQ(editor->Bitmap()->Width(), 40);
  win::ClipboardSetText(u"");
}

TEST_F(BitmapEditors, TheResizeBoxesKeepTheAspectRatioAndOkResizes) {
  Button("btnResize")->Click();
  auto* w = static_cast<TvxNumberBox*>(editor->Part("newWidth"));
  auto* h = static_cast<TvxNumberBox*>(editor->Part("newHeight"));
  auto* panel = static_cast<TvxVisualObject*>(editor->Part("resizeLayout"));
  EXPECT_TRUE(panel->Visible());
  EXPECT_EQ(w->Value(), 100.0f);
  EXPECT_EQ(h->Value(), 80.0f);
  // Typed and confirmed.
  w->SetText(u"50");
  w->Change();
  EXPECT_EQ(h->Value(), 40.0f);
  h->SetText(u"60");
  h->Change();
  EXPECT_EQ(w->Value(), 75.0f);
  Button("Button4")->Click();  // waits for the panel to slide away
  EXPECT_FALSE(panel->Visible());
  EXPECT_EQ(editor->Bitmap()->Width(), 75);
  EXPECT_EQ(editor->Bitmap()->Height(), 60);
  EXPECT_EQ(editor->SourceRect().Right, 75.0f);
}

TEST_F(BitmapEditors, ALoadedFileKeepsItsNameAndTheDialogListsMatchingFiles) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("bmpedit_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string file = (dir / "Picture.PNG").string();
  editor->Bitmap()->SaveToFile(file);
  std::FILE* other = std::fopen((dir / "notes.txt").string().c_str(), "w");
  ASSERT_NE(other, nullptr);
  std::fclose(other);

  auto fresh = std::make_unique<TvxBitmapEditor>(nullptr);
  fresh->LoadFile(file);
  EXPECT_EQ(fresh->FileName(), file);
  EXPECT_EQ(fresh->Bitmap()->Width(), 100);
  EXPECT_TRUE(static_cast<TvxButton*>(fresh->Part("btnOk"))->Enabled());

  const auto patterns = TvxFileDialog::FilterPatterns("PNG Image|*.png|JPEG Image|*.jpeg; *.jpg|BMP Image|*.bmp");
  EXPECT_EQ(patterns, (std::vector<std::string>{"*.png", "*.jpeg", "*.jpg", "*.bmp"}));
  EXPECT_EQ(TvxFileDialog::ListFiles(dir.string(), patterns), (std::vector<std::string>{"Picture.PNG"}));
  EXPECT_EQ(TvxFileDialog::ListFiles(dir.string(), {}).size(), 2u);
  EXPECT_EQ(TvxFileDialog::ResolveName(dir.string(), "copy", "png"), (dir / "copy.png").string());
  EXPECT_EQ(TvxFileDialog::ResolveName(dir.string(), "/tmp/x.bmp", "png"), "/tmp/x.bmp");
  EXPECT_EQ(TvxFileDialog::ResolveName(dir.string(), "", "png"), "");
  std::filesystem::remove_all(dir);
}

TEST_F(BitmapEditors, AFileThatHoldsNoPictureIsRefusedAndChangesNothing) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("bmpbad_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string good = (dir / "good.png").string(), bad = (dir / "bad.png").string();
  editor->Bitmap()->SaveToFile(good);
  std::FILE* f = std::fopen(bad.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs("no picture at all", f);
  std::fclose(f);

  // Over a loaded picture: the picture, its name and the editing stay.
  editor->LoadFile(good);
  for (const std::string& file : {bad, (dir / "missing.png").string()}) {
    SCOPED_TRACE(file);
    try {
      editor->LoadFile(file);
      ADD_FAILURE() << "the file is taken";
    } catch (const rtl::Exception& e) {
      EXPECT_NE(e.Message().find(file), std::string::npos) << e.Message();
    }
    EXPECT_EQ(editor->FileName(), good);
    EXPECT_EQ(editor->Bitmap()->Width(), 100);
    EXPECT_EQ(editor->Bitmap()->GetScanline(79)[99], PixelAt(99, 79));
    EXPECT_EQ(editor->SourceRect().Right, 100.0f);
    EXPECT_TRUE(EditControl()->Enabled());
  }
  // Through "Load..." and its dialog, as the user does it: the error reaches the loop's
  // handler, which tells the user, and the editor stays as it was.
  std::vector<std::string> told;
  rtl::Application->OnException = [&](rtl::TObject*, const std::exception& E) { told.push_back(E.what()); };
  editor->Show();
  rtl::Application->ProcessMessages();
  looptest::Later([&] {
    looptest::Later([&] {
      auto* d = dynamic_cast<TvxFileDialogForm*>(win::ActiveForm());
      ASSERT_NE(d, nullptr) << "the file dialog is the active window";
      d->NameBox()->SetText(rtl::Utf8ToWide(bad));
      d->OkButton()->Click();
    });
    Button("Button1")->Click();
  });
  rtl::Application->ProcessMessages();
  rtl::Application->OnException = nullptr;
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find(bad), std::string::npos) << told[0];
  EXPECT_EQ(editor->FileName(), good);
  EXPECT_EQ(editor->Bitmap()->Width(), 100);

  // In a fresh editor nothing becomes editable, nor can OK take the empty picture.
  auto fresh = std::make_unique<TvxBitmapEditor>(nullptr);
  EXPECT_THROW(fresh->LoadFile(bad), rtl::Exception);
  EXPECT_EQ(fresh->FileName(), "");
  EXPECT_FALSE(static_cast<TvxButton*>(fresh->Part("btnOk"))->Enabled());
  EXPECT_FALSE(static_cast<TvxControl*>(fresh->Part("editControl"))->Enabled());
  std::filesystem::remove_all(dir);
}

// A save the codec refuses (a name whose extension is no picture format, a folder no file can
// be made in) says so, naming the file and why, and writes nothing; through "Save..." the
// error reaches the loop's handler, which tells the user, as "Load..." does.
TEST_F(BitmapEditors, AFailedSaveSaysWhyAndWritesNothing) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("bmpsave_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string text = (dir / "z.txt").string(), good = (dir / "good.png").string();
  for (const auto& [file, why] : {std::pair<std::string, std::string>{text, "\".txt\" is no picture format"},
                                  {"/proc/x.png", "Cannot create file"},
                                  {(dir / "no" / "x.png").string(), "Cannot create file"}}) {
    SCOPED_TRACE(file);
    try {
      editor->SaveFile(file);
      ADD_FAILURE() << "the save went through";
    } catch (const rtl::EWriteError& e) {
      const std::string& m = e.Message();
      const size_t named = m.find("could not be saved to " + file + ": ");
      EXPECT_NE(named, std::string::npos) << m;
      EXPECT_NE(m.find(why, named == std::string::npos ? 0 : named), std::string::npos) << "no reason: " << m;
    }
    EXPECT_FALSE(std::filesystem::exists(file));
  }
  EXPECT_NO_THROW(editor->SaveFile(good));
  EXPECT_TRUE(std::filesystem::exists(good));

  std::vector<std::string> told;
  rtl::Application->OnException = [&](rtl::TObject*, const std::exception& E) { told.push_back(E.what()); };
  editor->Show();
  rtl::Application->ProcessMessages();
  for (const std::string& file : {text, std::string("/proc/x.png")}) {
    looptest::Later([&] {
      looptest::Later([&] {
        auto* d = dynamic_cast<TvxFileDialogForm*>(win::ActiveForm());
        ASSERT_NE(d, nullptr) << "the file dialog is the active window";
        d->NameBox()->SetText(rtl::Utf8ToWide(file));
        d->OkButton()->Click();
      });
      Button("btnSave")->Click();
    });
    rtl::Application->ProcessMessages();
  }
  rtl::Application->OnException = nullptr;
  ASSERT_EQ(told.size(), 2u) << "a failed save told nothing";
  EXPECT_NE(told[0].find(text), std::string::npos) << told[0];
  EXPECT_NE(told[1].find("/proc/x.png"), std::string::npos) << told[1];
  EXPECT_FALSE(std::filesystem::exists(text));
  EXPECT_EQ(editor->Bitmap()->Width(), 100) << "the picture stays";
  std::filesystem::remove_all(dir);
}

// The scale track taken by a double click, on its thumb or beside it, as the user gives one:
// two presses, the second a double one.
TEST_F(BitmapEditors, ADoubleClickOnTheScaleTrackSetsScaleOne) {
  editor->Show();
  rtl::Application->ProcessMessages();
  auto* track = static_cast<TvxTrack*>(editor->Part("trackScale"));
  auto* thumb = dynamic_cast<TvxVisualObject*>(track->FindResource("thumb"));
  ASSERT_NE(thumb, nullptr);
  const auto doubleClick = [&](TvxPoint At) {
    const int x = static_cast<int>(At.X), y = static_cast<int>(At.Y);
    win::SimulateMouseMove(editor.get(), x, y);
    win::SimulateMouseButton(editor.get(), rtl::mbLeft, true, x, y);
    win::SimulateMouseButton(editor.get(), rtl::mbLeft, false, x, y);
    win::SimulateMouseButton(editor.get(), rtl::mbLeft, true, x, y, 2);
    win::SimulateMouseButton(editor.get(), rtl::mbLeft, false, x, y, 2);
    rtl::Application->ProcessMessages();
  };
  const auto middle = [](TvxVisualObject* O) {
    const TvxRect r = O->GetAbsoluteRect();
    return TvxPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  };
  editor->SetPreviewScale(2.5f);
  rtl::Application->ProcessMessages();
  doubleClick(middle(thumb));
  EXPECT_EQ(editor->PreviewScale(), 1.0f) << "on the thumb";
  // Beside the thumb, near the track's right end: the first press steps a page there.
  const TvxRect r = track->GetAbsoluteRect();
  doubleClick({r.Right - 3, (r.Top + r.Bottom) / 2});
  EXPECT_EQ(editor->PreviewScale(), 1.0f) << "beside the thumb";
  auto* label = static_cast<TvxLabel*>(editor->Part("labelScale"));
  EXPECT_EQ(label->Text(), u"Scale: 100%");
}

// A hand is seldom quite still: the mouse moves a little between the second press on the
// thumb and its release, and the scale the double click set stays 1.
TEST_F(BitmapEditors, ADoubleClickOnTheThumbKeepsScaleOneThoughTheMouseMovesBeforeTheRelease) {
  editor->Show();
  rtl::Application->ProcessMessages();
  auto* track = static_cast<TvxTrack*>(editor->Part("trackScale"));
  auto* thumb = dynamic_cast<TvxVisualObject*>(track->FindResource("thumb"));
  ASSERT_NE(thumb, nullptr);
  editor->SetPreviewScale(2.5f);
  rtl::Application->ProcessMessages();
  const TvxRect r = thumb->GetAbsoluteRect();
  const int x = static_cast<int>((r.Left + r.Right) / 2), y = static_cast<int>((r.Top + r.Bottom) / 2);
  win::SimulateMouseMove(editor.get(), x, y);
  win::SimulateMouseButton(editor.get(), rtl::mbLeft, true, x, y);
  win::SimulateMouseButton(editor.get(), rtl::mbLeft, false, x, y);
  win::SimulateMouseButton(editor.get(), rtl::mbLeft, true, x, y, 2);
  win::SimulateMouseMove(editor.get(), x + 2, y + 1);
  win::SimulateMouseButton(editor.get(), rtl::mbLeft, false, x + 2, y + 1, 2);
  rtl::Application->ProcessMessages();
  EXPECT_EQ(editor->PreviewScale(), 1.0f);
  EXPECT_EQ(static_cast<TvxLabel*>(editor->Part("labelScale"))->Text(), u"Scale: 100%");
  // A later press on the thumb drags it as before.
  const TvxRect moved = thumb->GetAbsoluteRect();
  const int mx = static_cast<int>((moved.Left + moved.Right) / 2), my = static_cast<int>((moved.Top + moved.Bottom) / 2);
  win::SimulateMouseMove(editor.get(), mx, my);
  win::SimulateMouseButton(editor.get(), rtl::mbLeft, true, mx, my);
  win::SimulateMouseMove(editor.get(), mx + 30, my);
  win::SimulateMouseButton(editor.get(), rtl::mbLeft, false, mx + 30, my);
  rtl::Application->ProcessMessages();
  EXPECT_GT(editor->PreviewScale(), 1.0f);
}

TEST_F(BitmapEditors, TheShownEditorDrawsThePictureUnderTheCropFrame) {
  editor->Show();
  Button("cropButton")->Click();
  editor->SetPreviewScale(2);
  rtl::Application->ProcessMessages();
  const std::vector<uint32_t>& frame = editor->PresentedFrame();
  ASSERT_EQ(frame.size(), static_cast<size_t>(600 * 508));
  TvxBitmap shot(600, 508);
  std::copy(frame.begin(), frame.end(), shot.Bits());
  shot.SaveToFile(testout::Path("bitmap_editor.png"));
  // The preview's top-left pixel shows the picture's first pixel (black with x = y = 0).
  auto* preview = static_cast<TvxVisualObject*>(editor->Part("Preview"));
  const TvxPoint p = preview->LocalToAbsolute({1, 1});
  EXPECT_EQ(frame[static_cast<size_t>(p.Y) * 600 + static_cast<size_t>(p.X)] & 0xFFFFFFu, 0u);
  // The crop frame's dashed blue edge runs along its top.
  const TvxPoint edge = editor->CropFrame()->LocalToAbsolute({0.5f, 20});
  const uint32_t c = frame[static_cast<size_t>(edge.Y) * 600 + static_cast<size_t>(edge.X)];
  EXPECT_GT(c & 0xFF, (c >> 16 & 0xFF) + 60) << std::hex << c;
}

}  // namespace bitmap_editor_test
