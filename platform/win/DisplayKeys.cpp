// Key codes and characters: SDL key codes to virtual keys, and the character a key types.
#include "platform/win/Display.h"

#include <SDL.h>
#include <locale.h>
#include <wctype.h>

#include <deque>

#include "platform/win/Display_Internal.h"
#include "platform/win/InputMethod.h"
#include "platform/win/WinTypes.h"
#include "platform/win/WindowSystem.h"

namespace win {

std::uint16_t VirtualKeyOf(std::int32_t K) {
  if (K >= SDLK_a && K <= SDLK_z) return static_cast<std::uint16_t>('A' + (K - SDLK_a));
  if (K >= SDLK_0 && K <= SDLK_9) return static_cast<std::uint16_t>(K);
  if (K >= SDLK_F1 && K <= SDLK_F12) return static_cast<std::uint16_t>(VK_F1 + (K - SDLK_F1));
  if (K >= SDLK_KP_1 && K <= SDLK_KP_9) return static_cast<std::uint16_t>(VK_NUMPAD0 + 1 + (K - SDLK_KP_1));
  switch (K) {
    case SDLK_BACKSPACE:
      return VK_BACK;
    case SDLK_TAB:
      return VK_TAB;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return VK_RETURN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
      return VK_MENU;
    case SDLK_PAUSE:
      return VK_PAUSE;
    case SDLK_CAPSLOCK:
      return VK_CAPITAL;
    case SDLK_ESCAPE:
      return VK_ESCAPE;
    case SDLK_SPACE:
      return VK_SPACE;
    case SDLK_PAGEUP:
      return VK_PRIOR;
    case SDLK_PAGEDOWN:
      return VK_NEXT;
    case SDLK_END:
      return VK_END;
    case SDLK_HOME:
      return VK_HOME;
    case SDLK_LEFT:
      return VK_LEFT;
    case SDLK_UP:
      return VK_UP;
    case SDLK_RIGHT:
      return VK_RIGHT;
    case SDLK_DOWN:
      return VK_DOWN;
    case SDLK_INSERT:
      return VK_INSERT;
    case SDLK_DELETE:
      return VK_DELETE;
    case SDLK_APPLICATION:
      return VK_APPS;
    case SDLK_KP_0:
      return VK_NUMPAD0;
    case SDLK_KP_MULTIPLY:
      return VK_MULTIPLY;
    case SDLK_KP_PLUS:
      return VK_ADD;
    case SDLK_KP_MINUS:
      return VK_SUBTRACT;
    case SDLK_KP_PERIOD:
      return VK_DECIMAL;
    case SDLK_KP_DIVIDE:
      return VK_DIVIDE;
    case SDLK_SEMICOLON:
      return 0xBA;
    case SDLK_EQUALS:
      return 0xBB;
    case SDLK_COMMA:
      return 0xBC;
    case SDLK_MINUS:
      return 0xBD;
    case SDLK_PERIOD:
      return 0xBE;
    case SDLK_SLASH:
      return 0xBF;
    case SDLK_BACKQUOTE:
      return 0xC0;
    case SDLK_LEFTBRACKET:
      return 0xDB;
    case SDLK_BACKSLASH:
      return 0xDC;
    case SDLK_RIGHTBRACKET:
      return 0xDD;
    case SDLK_QUOTE:
      return 0xDE;
    default:
      return 0;
  }
}

char16_t ControlCharOf(std::uint16_t VirtualKey, rtl::TShiftState Shift) {
  const bool ctrl = Shift.Contains(rtl::ssCtrl) && !Shift.Contains(rtl::ssAlt);
  if (ctrl && VirtualKey >= 'A' && VirtualKey <= 'Z') return static_cast<char16_t>(VirtualKey - 'A' + 1);
  switch (VirtualKey) {
    case VK_BACK:
      return ctrl ? 127 : 8;
    case VK_TAB:
      return 9;
    case VK_RETURN:
      return ctrl ? 10 : 13;
    case VK_ESCAPE:
      return 27;
    default:
      return 0;
  }
}

namespace {

// Upper case of a letter and whether a character is a letter, by Unicode's tables (the
// C.UTF-8 locale), whatever the program's own locale; ASCII alone when that locale is missing.
locale_t UnicodeLocale() {
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  return utf8;
}

bool IsLetter(char32_t C) {
  if (C < 0x80) return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z');
  const locale_t l = UnicodeLocale();
  return l && iswalpha_l(static_cast<wint_t>(C), l);
}

char32_t UpperOf(char32_t C) {
  if (C < 0x80) return C >= 'a' && C <= 'z' ? C - 0x20 : C;
  const locale_t l = UnicodeLocale();
  return l ? static_cast<char32_t>(towupper_l(static_cast<wint_t>(C), l)) : C;
}

}  // namespace

char16_t TypedCharOf(std::int32_t SdlKey, std::uint16_t SdlMods) {
  if (SdlMods & (KMOD_CTRL | KMOD_ALT | KMOD_GUI | KMOD_MODE)) return 0;
  const bool shift = (SdlMods & KMOD_SHIFT) != 0;
  switch (SdlKey) {
    case SDLK_KP_DIVIDE:
      return u'/';
    case SDLK_KP_MULTIPLY:
      return u'*';
    case SDLK_KP_MINUS:
      return u'-';
    case SDLK_KP_PLUS:
      return u'+';
    case SDLK_KP_PERIOD:
      return SdlMods & KMOD_NUM ? u'.' : 0;
    default:
      break;
  }
  if (SdlKey >= SDLK_KP_1 && SdlKey <= SDLK_KP_0)
    return SdlMods & KMOD_NUM ? static_cast<char16_t>(SdlKey == SDLK_KP_0 ? u'0' : u'1' + (SdlKey - SDLK_KP_1)) : 0;
  // Key codes of keys that type nothing carry the scan-code mark; the rest are characters.
  if (SdlKey < 0x20 || SdlKey == 0x7F || (SdlKey & SDLK_SCANCODE_MASK)) return 0;
  auto c = static_cast<char32_t>(SdlKey);
  if (c > 0xFFFF || (c >= 0xD800 && c <= 0xDFFF) || (c >= 0x80 && c < 0xA0)) return 0;
  if (c == U' ') return u' ';
  if (IsLetter(c)) {
    if (shift != ((SdlMods & KMOD_CAPS) != 0)) c = UpperOf(c);
    return c > 0xFFFF ? 0 : static_cast<char16_t>(c);
  }
  return shift ? 0 : static_cast<char16_t>(c);
}

// ---- the characters of keys on X ----------------------------------------------------------------

namespace {

struct TKeyText {
  Uint32 eventType = 0;
  char32_t pending = 0;  // what the last key press types, for its key-down
  bool held = false;     // SDL's text events are on for the input method's finished text
  std::deque<std::u16string> texts;
};

TKeyText* keyText = nullptr;

std::u16string Utf16Of(char32_t C) {
  if (C == 0 || C > 0x10FFFF || (C >= 0xD800 && C <= 0xDFFF)) return {};
  if (C < 0x10000) return std::u16string(1, static_cast<char16_t>(C));
  return {static_cast<char16_t>(0xD800 + ((C - 0x10000) >> 10)), static_cast<char16_t>(0xDC00 + ((C - 0x10000) & 0x3FF))};
}

// Queues a text typed on the window with the keyboard focus (an event of the filter's own).
void QueueText(std::u16string Text, Uint32 Window) {
  if (Text.empty()) return;
  keyText->texts.push_back(std::move(Text));
  SDL_Event e{};
  e.type = keyText->eventType;
  e.user.windowID = Window;
  SDL_PushEvent(&e);
}

Uint32 KeyboardWindow() {
  SDL_Window* w = SDL_GetKeyboardFocus();
  return w ? SDL_GetWindowID(w) : 0;
}

void GiveBack() {
  if (!keyText || !keyText->held) return;
  keyText->held = false;
  SDL_EventState(SDL_TEXTINPUT, SDL_DISABLE);
}

}  // namespace

void display_internal::OpenKeyText(Uint32 EventType) {
  if (!keyText) keyText = new TKeyText;
  keyText->eventType = EventType;
}

void display_internal::CloseKeyText() {
  GiveBack();
  delete keyText;
  keyText = nullptr;
}

void display_internal::FilterKeyText(SDL_Event* E) {
  // Other threads push events of their own (the loop's wakes); the events looked at here come
  // from the window system, on the GUI thread that pumps.
  if (E->type != SDL_SYSWMEVENT && E->type != SDL_KEYDOWN && E->type != SDL_TEXTINPUT) return;
  if (!keyText) return;
  switch (E->type) {
    case SDL_SYSWMEVENT: {
      // Every X event ends what the press before it held; SDL hands the key-down and the text
      // of a press over before it reads the next event.
      GiveBack();
      // A press SDL made no key-down of (a key without a scan code of SDL's, as a key a test
      // tool mapped for a symbol the layout lacks) still types its character.
      if (keyText->pending) QueueText(Utf16Of(keyText->pending), KeyboardWindow());
      keyText->pending = 0;
      char32_t c = 0;
      switch (detail::XKeyPressOf(E->syswm.msg, c)) {
        case detail::TXKeyPress::Plain:
          keyText->pending = c;
          break;
        case detail::TXKeyPress::Finished:
          // Only SDL's text event tells what the input method finished (a key composed with a
          // dead key before it); the events are on for that one press.
          if (SDL_IsTextInputActive()) break;
          keyText->held = true;
          SDL_EventState(SDL_TEXTINPUT, SDL_ENABLE);
          break;
        default:
          break;
      }
      return;
    }
    case SDL_KEYDOWN:
      // A press the input method took (a dead key, the key composed with one) comes as a
      // key-down without its X event: it types nothing by itself.
      E->key.padding2 = 1;
      E->key.keysym.unused = keyText->pending;
      keyText->pending = 0;
      return;
    case SDL_TEXTINPUT: {
      // With text input on, SDL's text event types the press's character: the press's own
      // fallback would type it a second time.
      if (!keyText->held) {
        keyText->pending = 0;
        return;
      }
      keyText->texts.push_back(TypedText(E->text.text));
      const Uint32 window = E->text.windowID;
      *E = SDL_Event{};
      E->type = keyText->eventType;
      E->user.windowID = window;
      GiveBack();
      return;
    }
    default:
      return;
  }
}

bool display_internal::IsXKeyDown(const SDL_Event& KeyDown) {
  return KeyDown.type == SDL_KEYDOWN && KeyDown.key.padding2 == 1;
}

std::u16string display_internal::XTypedTextOf(const SDL_Event& KeyDown) {
  return IsXKeyDown(KeyDown) ? Utf16Of(KeyDown.key.keysym.unused) : std::u16string();
}

bool display_internal::IsKeyTextEvent(const SDL_Event& E) { return keyText && E.type == keyText->eventType; }

std::u16string display_internal::TakeKeyText() {
  if (!keyText || keyText->texts.empty()) return {};
  std::u16string t = std::move(keyText->texts.front());
  keyText->texts.pop_front();
  return t;
}

bool display_internal::TextInputOnForControls() {
  return SDL_IsTextInputActive() == SDL_TRUE && !(keyText && keyText->held);
}

void display_internal::EndKeyText() { GiveBack(); }

}  // namespace win
