// Windows of 2D controls: component text or binary read into a new form (a scene control
// whose roots are 2D controls) loads or is refused with the runtime's exception; a form that
// loads shows, paints, lays out again at another size and takes a click, keys and text
// without fault (a dialog a click opens is cancelled), and frees cleanly.
#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "platform/loop/Application.h"
#include "platform/loop/Clock.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/ObjectText.h"
#include "platform/rtl/Streams.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/core/Animations.h"

// A stream that makes the program ask for more than a window's worth of memory in one go is
// a finding (see image_decode.cpp); ASAN_OPTIONS may still override it.
extern "C" const char* __asan_default_options() { return "max_allocation_size_mb=512:allocator_may_return_null=0"; }
// The font library caches what text painting asks of it until the back end shuts down, in
// memory the leak check cannot trace; libFuzzer's check after an input would report it.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

// Text is turned into the binary form first; anything but text is read as binary.
bool LooksLikeText(const std::string& Bytes) {
  size_t i = 0;
  while (i < Bytes.size() && (Bytes[i] == ' ' || Bytes[i] == '\t' || Bytes[i] == '\r' || Bytes[i] == '\n')) ++i;
  return Bytes.compare(i, 4, "TPF0") != 0;
}

// Turns the loop a few times on the test clock. The display's events (a form shown or resized)
// are taken each turn as the program's loop takes them: left in SDL's queue, each input would
// leave allocations behind, and libFuzzer runs such an input again with a leak check.
void Settle(rtl::TTestClock& Clock) {
  for (int i = 0; i < 3; ++i) {
    win::PumpEvents();
    rtl::Application->ProcessMessages();
    Clock.Advance(40);
  }
  win::PumpEvents();
  rtl::Application->ProcessMessages();
}

void Click(win::TCustomForm* Form, int X, int Y) {
  win::SimulateMouseMove(Form, X, Y);
  win::SimulateMouseButton(Form, rtl::mbLeft, true, X, Y);
  win::SimulateMouseButton(Form, rtl::mbLeft, false, X, Y);
}

// Input from the display reaches the form from the loop, whose guard reports what a handler
// raises (a number box refusing text that is no number) and goes on; simulated input gets
// the same guard. Only the runtime's exceptions are reported so: anything else is a finding.
template <class F>
void Guarded(F Input) {
  try {
    Input();
  } catch (const rtl::Exception&) {
    rtl::Application->HandleException(nullptr);
  }
}

// Shows the form, paints it, lays it out again at another size and gives it input.
void Exercise(win::TForm* Form, rtl::TTestClock& Clock) {
  // Frames of thousands of pixels a side take seconds to paint under the sanitizers; how a
  // form bounds its size is for its unit tests, so here it shows at 1024 x 768 at most.
  Form->SetBounds(Form->Left(), Form->Top(), std::min(Form->Width(), 1024), std::min(Form->Height(), 768));
  Form->Show();
  Settle(Clock);
  Form->SetBounds(Form->Left(), Form->Top(), 97, 61);
  Settle(Clock);
  Form->SetBounds(Form->Left(), Form->Top(), 211, 149);
  Settle(Clock);
  Guarded([&] { Click(Form, 30, 30); });
  Guarded([&] { Click(Form, 105, 75); });
  Guarded([&] { win::SimulateMouseWheel(Form, -2); });
  Guarded([&] { win::SimulateKeyStroke(Form, SDLK_TAB); });
  Guarded([&] { win::SimulateText(Form, "ab\xC3\xA9"); });
  Guarded([&] { win::SimulateKeyStroke(Form, SDLK_DOWN); });
  Guarded([&] { win::SimulateKeyStroke(Form, SDLK_END, rtl::TShiftState{rtl::ssShift}); });
  Guarded([&] { win::SimulateKeyStroke(Form, SDLK_BACKSPACE); });
  Guarded([&] { win::SimulateKeyStroke(Form, SDLK_RETURN); });
  Guarded([&] { win::SimulateKeyStroke(Form, SDLK_SPACE); });
  Settle(Clock);
  Guarded([&] { Click(Form, 180, 130); });
  Guarded([&] { win::SimulateMouseLeave(Form); });
  Settle(Clock);
}

// Reads Bytes into a new form and, when they load, puts the form through its paces.
void Run(const std::string& Bytes, rtl::TTestClock& Clock) {
  {
    auto form = std::make_unique<win::TForm>(nullptr);
    bool loaded = false;
    try {
      const bool text = LooksLikeText(Bytes);
      rtl::TStringStream binary(text ? std::string() : Bytes);
      if (text) {
        rtl::TStringStream source(Bytes);
        rtl::ObjectTextToBinary(&source, &binary);
        binary.SetPosition(0);
      }
      rtl::TReader reader(&binary);
      reader.ReadRootComponent(form.get());
      loaded = true;
    } catch (const rtl::Exception&) {
      // refused with the runtime's error: what was read is freed with the form
    }
    if (loaded) Exercise(form.get(), Clock);
  }
  rtl::Application->ProcessMessages();
  vg::FreeAniThread();
}

// A small window whose first run makes what the font and canvas code keep for later.
const char* const WarmUp =
    "object TForm\r\n Width = 100\r\n Height = 60\r\n object TvxScene\r\n  Align = alClient\r\n"
    "  object TvxHudWindow\r\n   Align = vaClient\r\n   object TvxHudTextBox\r\n    Width = 80\r\n"
    "    Height = 20\r\n    Text = 'x'\r\n   end\r\n  end\r\n end\r\nend\r\n";

// The display's dummy driver, set before anything opens the display; the controls started
// once, on a test clock that the run moves on by hand (timers and style animations run
// when it does, the same on every run), and shut down at exit, so that what the font
// library keeps is let go before the leak check.
rtl::TTestClock& Started() {
  static rtl::TTestClock clock{0.0};
  static const bool once = [] {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    rtl::Application->SetClock(&clock);
    rtl::Application->OnException = [](rtl::TObject*, const std::exception&) {};
    vg::ControlsStartup();
    // A click may open a control's dialog (the image control's open dialog, the colour
    // button's brush dialog, an inspector's editor): nobody answers it here, so it is
    // cancelled as it shows, and the input goes on.
    win::TCustomForm::OnAnyModalShow = [](win::TCustomForm& Form) { Form.SetModalResult(win::mrCancel); };
    // What the font and canvas code keep is made on first use; making it now, before the
    // exit handler is registered, keeps it alive until that handler has run.
    Run(WarmUp, clock);
    std::atexit([] {
      rtl::Application->ProcessMessages();
      vg::FreeAniThread();
      vg::ControlsShutdown();
      win::CloseDisplay();
      rtl::Application->SetClock(nullptr);
    });
    return true;
  }();
  (void)once;
  return clock;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  Run(std::string(reinterpret_cast<const char*>(Data), Size), Started());
  return 0;
}
