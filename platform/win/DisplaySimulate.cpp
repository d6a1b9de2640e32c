// The simulated input of the tests and tools: SDL events made as the display would deliver
// them and handed to the forms through the same translation as real ones.
#include <SDL.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/win/Display.h"
#include "platform/win/Display_Internal.h"
#include "platform/win/Forms.h"
#include "platform/win/InputMethod.h"

namespace win {

namespace {

Uint16 ShiftToSdlMods(rtl::TShiftState S) {
  Uint16 m = 0;
  if (S.Contains(rtl::ssShift)) m |= KMOD_LSHIFT;
  if (S.Contains(rtl::ssCtrl)) m |= KMOD_LCTRL;
  if (S.Contains(rtl::ssAlt)) m |= KMOD_LALT;
  return m;
}

// A window event of the kind Event for Form's window, as the window system sends it.
void InjectWindowEvent(TCustomForm* Form, std::uint8_t Event) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = display_internal::IdOf(Form);
  e.window.event = Event;
  display_internal::Inject(e);
}

}  // namespace

void SimulateMouseMove(TCustomForm* Form, int X, int Y) {
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.windowID = display_internal::IdOf(Form);
  e.motion.x = X;
  e.motion.y = Y;
  display_internal::Inject(e);
}

void SimulateMouseButton(TCustomForm* Form, rtl::TMouseButton Button, bool Down, int X, int Y, int Clicks) {
  SDL_Event e{};
  e.type = Down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  e.button.windowID = display_internal::IdOf(Form);
  e.button.button = Button == rtl::mbLeft ? SDL_BUTTON_LEFT : Button == rtl::mbRight ? SDL_BUTTON_RIGHT : SDL_BUTTON_MIDDLE;
  e.button.clicks = static_cast<Uint8>(Clicks);
  e.button.x = X;
  e.button.y = Y;
  display_internal::Inject(e);
}

void SimulateMouseWheel(TCustomForm* Form, int Notches) {
  SDL_Event e{};
  e.type = SDL_MOUSEWHEEL;
  e.wheel.windowID = display_internal::IdOf(Form);
  e.wheel.y = Notches;
  display_internal::Inject(e);
}

void SimulateMouseLeave(TCustomForm* Form) {
  InjectWindowEvent(Form, SDL_WINDOWEVENT_LEAVE);
}

void SimulateKey(TCustomForm* Form, std::int32_t SdlKey, bool Down, rtl::TShiftState Shift) {
  SDL_Event e{};
  e.type = Down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.windowID = display_internal::IdOf(Form);
  e.key.state = Down ? SDL_PRESSED : SDL_RELEASED;
  e.key.keysym.sym = SdlKey;
  e.key.keysym.mod = ShiftToSdlMods(Shift);
  display_internal::Inject(e);
}

void SimulateKeyStroke(TCustomForm* Form, std::int32_t SdlKey, rtl::TShiftState Shift) {
  // The modifiers go down first and up last, each changing the state the next event has.
  static constexpr std::pair<rtl::TShiftStateItem, std::int32_t> modifiers[] = {
      {rtl::ssCtrl, SDLK_LCTRL}, {rtl::ssAlt, SDLK_LALT}, {rtl::ssShift, SDLK_LSHIFT}};
  rtl::TShiftState held;
  for (const auto& [item, key] : modifiers)
    if (Shift.Contains(item)) {
      held.Include(item);
      SimulateKey(Form, key, true, held);
    }
  SimulateKey(Form, SdlKey, true, held);
  SimulateKey(Form, SdlKey, false, held);
  for (auto it = std::rbegin(modifiers); it != std::rend(modifiers); ++it)
    if (Shift.Contains(it->first)) {
      held.Exclude(it->first);
      SimulateKey(Form, it->second, false, held);
    }
}

void SimulateText(TCustomForm* Form, const std::string& Utf8) {
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  e.text.windowID = display_internal::IdOf(Form);
  SDL_strlcpy(e.text.text, Utf8.c_str(), sizeof(e.text.text));
  display_internal::Inject(e);
}

void SimulateTextEditing(TCustomForm* Form, const std::string& Utf8) {
  SDL_Event e{};
  e.type = SDL_TEXTEDITING;
  e.edit.windowID = display_internal::IdOf(Form);
  SDL_strlcpy(e.edit.text, Utf8.c_str(), sizeof(e.edit.text));
  e.edit.start = static_cast<Sint32>(TypedText(Utf8).size());  // the cursor after the text
  display_internal::Inject(e);
}

void SimulateDrop(TCustomForm* Form, const std::vector<std::string>& Files, const std::string& Text, int X, int Y) {
  const Uint32 id = display_internal::IdOf(Form);
  SimulateMouseMove(Form, X, Y);
  SDL_Event e{};
  e.drop.windowID = id;
  e.type = SDL_DROPBEGIN;
  display_internal::Inject(e);
  for (const std::string& f : Files) {
    e.type = SDL_DROPFILE;
    e.drop.file = SDL_strdup(f.c_str());
    display_internal::Inject(e);
  }
  if (!Text.empty()) {
    e.type = SDL_DROPTEXT;
    e.drop.file = SDL_strdup(Text.c_str());
    display_internal::Inject(e);
  }
  e.type = SDL_DROPCOMPLETE;
  e.drop.file = nullptr;
  display_internal::Inject(e);
}

void SimulateFocus(TCustomForm* Form, bool Gained) {
  InjectWindowEvent(Form, Gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST);
}

void SimulateClose(TCustomForm* Form) {
  InjectWindowEvent(Form, SDL_WINDOWEVENT_CLOSE);
}

}  // namespace win
