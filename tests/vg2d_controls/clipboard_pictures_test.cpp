// Pictures through the X display's clipboard, under Xvfb (whose server goes on as it is when
// its last client leaves): two clients hand data over in one piece and in pieces, an owner
// that never answers ends a fetch at its time-out while the loop runs on, the program's
// clipboard offers its picture to other programs and takes theirs, and the bitmap editor
// pastes one (the screen is captured with xwd; the editor's picture is written next to the
// test program as bitmap_editor_paste.png). The test runs this program again under
// xvfb-run (the child tests do the work); without it, skipped.
#include <gtest/gtest.h>

#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/loop/Application.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Display.h"
#include "platform/win/Graphics.h"
#include "platform/win/X11Selection.h"
#include "tests/vg2d_core/Screenshot.h"
#include "vg2d/controls/BitmapEditor.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "tests/TestOutput.h"

// Last: its macros (None, Bool, Status) would rename what the headers above declare.
#include <X11/Xlib.h>

namespace clipboard_pictures_test {

using namespace vg;
using win::TSelectionAgent;
using Found = TSelectionAgent::TFound;

namespace {

// Runs the loop until Done holds; false after Ms milliseconds (a guard for a loaded machine).
bool RunUntil(const std::function<bool()>& Done, int Ms = 60000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
  while (!Done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    win::PumpEvents();
    rtl::Application->ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

std::vector<std::uint8_t> Noise(size_t N) {
  std::vector<std::uint8_t> v(N);
  std::uint32_t x = 12345;
  for (auto& b : v) {
    x = x * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(x >> 16);
  }
  return v;
}

// What Agent fetches as Target.
std::optional<TSelectionAgent::TFetchResult> FetchNow(TSelectionAgent& Agent, const std::string& Target) {
  std::optional<TSelectionAgent::TFetchResult> r;
  Agent.Fetch(Target, [&](TSelectionAgent::TFetchResult R) { r = std::move(R); });
  EXPECT_TRUE(RunUntil([&] { return r.has_value(); })) << "no answer for " << Target;
  return r;
}

std::unique_ptr<win::TBitmap> Gradient(int W, int H, std::uint32_t Tint) {
  auto b = std::make_unique<win::TBitmap>();
  b->SetSize(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      b->ScanLine(y)[x] = 0xFF000000u | Tint | static_cast<std::uint32_t>((x * 255 / W) << 8 | (y * 255 / H));
  b->ScanLine(0)[0] = 0x80400000u;  // half-transparent red
  return b;
}

std::vector<std::uint32_t> Pixels(const win::TBitmap& B) {
  return {B.Bits(), B.Bits() + static_cast<size_t>(B.Width()) * B.Height()};
}

}  // namespace

TEST(ClipboardPicturesScreen, PicturesGoBothWaysThroughTheDisplaysClipboard) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(vgtest::RunUnderXvfb("ClipboardPicturesChild.*", VG2D_CORE_TEST_DATA "/xvfb-lsan.supp", "800x600x24"), 0)
      << "the run under Xvfb failed (its output is above)";
}

// The tests below close their last connection and open the next one right after: the
// screen must go on as it is when its last client leaves, not start afresh (which drops a
// client connecting meanwhile). First of the group, while no other client is connected.
TEST(ClipboardPicturesChild, TheScreenGoesOnWhenItsLastClientLeaves) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  Display* first = XOpenDisplay(nullptr);
  ASSERT_NE(first, nullptr);
  XInternAtom(first, "GASCAL_SCREEN_MARK", False);
  XCloseDisplay(first);
  // Time for the server to see the connection go (and, if it resets, to finish doing so).
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  Display* next = XOpenDisplay(nullptr);
  ASSERT_NE(next, nullptr);
  EXPECT_TRUE(XInternAtom(next, "GASCAL_SCREEN_MARK", True) != None)
      << "the server started afresh when its last client left";
  XCloseDisplay(next);
}

TEST(ClipboardPicturesChild, TwoClientsHandDataOverInOnePieceAndInPieces) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  auto a = TSelectionAgent::Open();
  auto b = TSelectionAgent::Open();
  ASSERT_TRUE(a && b);
  int lost = 0;
  auto big = std::make_shared<const std::vector<std::uint8_t>>(Noise(1500000));  // six default pieces
  a->Own("image/png", big, [&] { ++lost; });

  // The selection changes hands on A's thread, a moment after Own.
  std::optional<TSelectionAgent::TFetchResult> r;
  ASSERT_TRUE(RunUntil([&] {
    r = FetchNow(*b, "TARGETS");
    return r && r->Found == Found::Data;
  }));
  EXPECT_NE(std::find(r->Targets.begin(), r->Targets.end(), "image/png"), r->Targets.end());
  EXPECT_NE(std::find(r->Targets.begin(), r->Targets.end(), "TARGETS"), r->Targets.end());
  r = FetchNow(*b, "image/png");
  ASSERT_TRUE(r && r->Found == Found::Data);
  EXPECT_TRUE(r->Data == *big) << "got " << r->Data.size() << " bytes";
  r = FetchNow(*a, "image/png");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->Found, Found::Ours) << "the owner asking itself";
  r = FetchNow(*b, "text/plain");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->Found, Found::Nothing) << "a target not offered";

  // Small pieces: ten bytes in three, then the closing empty one.
  a->SetPieceSize(4);
  auto small = std::make_shared<const std::vector<std::uint8_t>>(Noise(10));
  a->Own("image/png", small, [&] { ++lost; });
  ASSERT_TRUE(RunUntil([&] {
    r = FetchNow(*b, "image/png");
    return r && r->Found == Found::Data && r->Data.size() != big->size();
  }));
  EXPECT_TRUE(r->Data == *small);
  EXPECT_EQ(lost, 0);

  // Another client taking the selection tells the owner once.
  b->Own("image/png", big, nullptr);
  EXPECT_TRUE(RunUntil([&] { return lost == 1; }));
  r = FetchNow(*a, "image/png");
  ASSERT_TRUE(r && r->Found == Found::Data);
  EXPECT_TRUE(r->Data == *big);
  rtl::Application->ProcessMessages();
  EXPECT_EQ(lost, 1);
}

TEST(ClipboardPicturesChild, AnOwnerThatNeverAnswersEndsTheFetchAtItsTimeOut) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  Display* silent = XOpenDisplay(nullptr);
  ASSERT_NE(silent, nullptr);
  const Window w = XCreateSimpleWindow(silent, DefaultRootWindow(silent), 0, 0, 1, 1, 0, 0, 0);
  XSetSelectionOwner(silent, XInternAtom(silent, "CLIPBOARD", False), w, CurrentTime);
  XSync(silent, False);
  auto b = TSelectionAgent::Open();
  ASSERT_TRUE(b);
  // Two seconds: the loop's turn right after the fetch comes well before them, however busy
  // the machine.
  b->SetTimeout(2000);
  std::optional<TSelectionAgent::TFetchResult> r;
  const auto start = std::chrono::steady_clock::now();
  b->Fetch("image/png", [&](TSelectionAgent::TFetchResult R) { r = std::move(R); });
  rtl::Application->ProcessMessages();
  EXPECT_FALSE(r.has_value()) << "the loop goes on while the owner is asked";
  ASSERT_TRUE(RunUntil([&] { return r.has_value(); }));
  EXPECT_EQ(r->Found, Found::Nothing);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1950));
  // The next fetch is asked afresh once the owner is gone.
  XCloseDisplay(silent);
  r = FetchNow(*b, "image/png");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->Found, Found::Nothing);
}

TEST(ClipboardPicturesChild, TheProgramsPictureGoesToOtherProgramsAndTheirsIsPasted) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  ControlsStartup();
  {
    win::DisplayNeeded();
    ASSERT_EQ(win::VideoDriver(), "x11");
    auto other = TSelectionAgent::Open();
    ASSERT_TRUE(other);

    // The program's picture reaches another program as PNG of the same pixels, and its
    // text is gone for everyone.
    win::ClipboardSetText(u"Reducer");
    std::unique_ptr<win::TBitmap> mine = Gradient(60, 40, 0x000000FFu);
    win::ClipboardSetPicture(*mine);
    EXPECT_FALSE(win::ClipboardHasText());
    std::optional<TSelectionAgent::TFetchResult> r;
    ASSERT_TRUE(RunUntil([&] {
      r = FetchNow(*other, "image/png");
      return r && r->Found == Found::Data;
    }));
    win::TBitmap received;
    ASSERT_TRUE(win::DecodeClipboardPicture(r->Data.data(), r->Data.size(), received));
    EXPECT_EQ(Pixels(received), Pixels(*mine));

    // Another program's picture reaches the program; a request cancelled hears nothing.
    std::unique_ptr<win::TBitmap> theirs = Gradient(320, 200, 0x00FF0000u);
    auto png = std::make_shared<std::vector<std::uint8_t>>();
    ASSERT_TRUE(win::EncodeClipboardPicture(*theirs, *png));
    other->Own("image/png", png, nullptr);
    ASSERT_TRUE(RunUntil([&] {
      auto owner = FetchNow(*other, "TARGETS");
      return owner && owner->Found == Found::Ours;
    }));
    int cancelledAnswers = 0;
    const int token = 0;
    win::ClipboardRequestPicture(&token, [&](const win::TBitmap*) { ++cancelledAnswers; });
    win::ClipboardCancelRequests(&token);
    std::optional<std::vector<std::uint32_t>> pasted;
    bool answered = false;
    win::ClipboardRequestPicture(&answered, [&](const win::TBitmap* P) {
      answered = true;
      if (P) pasted = Pixels(*P);
    });
    ASSERT_TRUE(RunUntil([&] { return answered; }));
    ASSERT_TRUE(pasted.has_value());
    EXPECT_TRUE(*pasted == Pixels(*theirs));
    EXPECT_EQ(cancelledAnswers, 0);

    // The editor offers "Paste" and shows the pasted picture on the screen.
    auto editor = std::make_unique<TvxBitmapEditor>(nullptr);
    editor->SetBounds(20, 20, 600, 508);
    auto* paste = static_cast<TvxButton*>(editor->Part("btnPaste"));
    EXPECT_FALSE(paste->Visible());
    editor->Show();
    // The editor opens in the middle of the screen.
    const int ex = editor->Left(), ey = editor->Top();
    ASSERT_TRUE(RunUntil([&] { return paste->Visible(); })) << "the clipboard holds a picture";
    paste->Click();
    ASSERT_TRUE(RunUntil([&] { return editor->Bitmap()->Width() == 320; }));
    EXPECT_EQ(editor->Bitmap()->Height(), 200);
    EXPECT_EQ(editor->Bitmap()->Bits()[199 * 320 + 319], theirs->ScanLine(199)[319]);
    auto* preview = static_cast<TvxVisualObject*>(editor->Part("Preview"));
    const TvxPoint at = preview->LocalToAbsolute({300.5f, 100.5f});
    const int sx = ex + static_cast<int>(at.X), sy = ey + static_cast<int>(at.Y);
    const std::uint32_t want = theirs->ScanLine(100)[300];
    const std::string shot = "/tmp/gascal-paste-" + std::to_string(getpid()) + ".xwd";
    vgtest::Screenshot s;
    const bool seen = RunUntil([&] {
      return std::system(("xwd -root -silent -out " + shot).c_str()) == 0 && vgtest::ReadXwd(shot, s) &&
             s.width > sx && s.height > sy && vgtest::Near(s.At(sx, sy), want);
    });
    std::remove(shot.c_str());
    EXPECT_TRUE(seen) << "the screen shows " << std::hex << (s.width > sx && s.height > sy ? s.At(sx, sy) : 0) << " for " << want;
    if (ex >= 0 && ey >= 0 && s.width >= ex + 600 && s.height >= ey + 508) {
      TvxBitmap picture(600, 508);
      for (int y = 0; y < 508; ++y)
        for (int x = 0; x < 600; ++x) picture.Bits()[y * 600 + x] = s.At(ex + x, ey + y);
      EXPECT_TRUE(TvxFilterGdiPlus().SaveToFile(testout::Path("bitmap_editor_paste.png"), picture, ""));
    }

    // A text copied in the program takes the picture's place for everyone.
    win::ClipboardSetText(u"Gas");
    EXPECT_TRUE(RunUntil([&] {
      r = FetchNow(*other, "image/png");
      return r && r->Found == Found::Nothing;
    }));
    editor->Perform(win::WM_ACTIVATE, win::WA_ACTIVE, 0);
    EXPECT_TRUE(RunUntil([&] { return !paste->Visible(); }));
    EXPECT_EQ(win::ClipboardGetText(), u"Gas");
    editor.reset();
  }
  rtl::Application->ProcessMessages();
  win::CloseDisplay();
  ControlsShutdown();
}

}  // namespace clipboard_pictures_test
