#include "platform/win/InputMethod.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/win/Display.h"
#include "platform/win/Display_Internal.h"
#include "platform/win/Menus.h"

namespace win {

namespace {

// The line of a composition font when no font was set: 12 pixels.
constexpr int DefaultFontHeight = -12;

struct TImeState {
  bool composing = false;      // SDL_TEXTEDITING said a composition is in progress
  LPARAM handling = 0;         // what the WM_IME_COMPOSITION being handled carries
  std::u16string composition;  // GCS_COMPSTR
  std::u16string result;       // GCS_RESULTSTR
  int fontHeight = DefaultFontHeight;
  TRect rect{};
  int language = -1;  // set by a test; negative: the locale's
};

TImeState& State() {
  static TImeState s;
  return s;
}

// One line of the composition font, in pixels.
int LineHeight() {
  const int h = State().fontHeight;
  if (h > 0) return h;
  // A character height is the em; the line of a font is about a quarter more.
  return std::max(1, static_cast<int>(std::lround(static_cast<double>(-h) * 1.25)));
}

bool IsControl(char32_t C) { return C < 0x20 || (C >= 0x7F && C < 0xA0); }

// Sends the composition (What: GCS_COMPSTR or GCS_RESULTSTR) to the focused control of
// Form, after WM_IME_STARTCOMPOSITION when it begins one.
void Compose(TCustomForm* Form, const std::u16string& Text, bool Start, LPARAM What) {
  TWinControl* target = Form->ActiveControl() ? Form->ActiveControl() : Form;
  if (Start) target->Perform(WM_IME_STARTCOMPOSITION, 0, 0);
  TImeState& s = State();
  const LPARAM outer = s.handling;
  std::u16string& slot = What == GCS_RESULTSTR ? s.result : s.composition;
  const std::u16string saved = slot;
  slot = Text;
  s.handling = What;
  struct TRestore {
    TImeState& S;
    LPARAM Outer;
    std::u16string& Slot;
    const std::u16string& Saved;
    ~TRestore() {
      S.handling = Outer;
      Slot = Saved;
    }
  } restore{s, outer, slot, saved};
  target->Perform(WM_IME_COMPOSITION, 0, What);
}

}  // namespace

// ---- typed text -------------------------------------------------------------------------------

std::u16string TypedText(const std::string& Utf8) {
  std::u16string out;
  const auto* p = reinterpret_cast<const unsigned char*>(Utf8.data());
  const size_t n = Utf8.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char b = p[i];
    int len = 0;
    char32_t c = 0, min = 0;
    if (b < 0x80) {
      len = 1;
      c = b;
    } else if (b >= 0xC2 && b < 0xE0) {
      len = 2;
      c = b & 0x1F;
      min = 0x80;
    } else if (b >= 0xE0 && b < 0xF0) {
      len = 3;
      c = b & 0x0F;
      min = 0x800;
    } else if (b >= 0xF0 && b < 0xF5) {
      len = 4;
      c = b & 0x07;
      min = 0x10000;
    }
    bool ok = len > 0 && i + static_cast<size_t>(len) <= n;
    for (int k = 1; ok && k < len; ++k) {
      const unsigned char t = p[i + static_cast<size_t>(k)];
      if ((t & 0xC0) != 0x80) ok = false;
      else c = (c << 6) | (t & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are no characters.
    if (ok && (c < min || (c >= 0xD800 && c < 0xE000) || c > 0x10FFFF)) ok = false;
    if (!ok) {
      // The bad lead byte goes; its continuation bytes go as bad lead bytes in turn.
      ++i;
      continue;
    }
    i += static_cast<size_t>(len);
    if (IsControl(c)) continue;
    if (c < 0x10000) {
      out.push_back(static_cast<char16_t>(c));
    } else {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    }
  }
  return out;
}

void HandleTypedText(TCustomForm* Form, const std::string& Utf8, bool Finished) {
  if (!Form) return;
  TImeState& s = State();
  const std::u16string text = TypedText(Utf8);
  if (!Finished) {
    // An empty composition is one that was cleared: its end is the finished text, if any.
    if (text.empty()) return;
    const bool start = !s.composing;
    s.composing = true;
    Compose(Form, text, start, GCS_COMPSTR);
    return;
  }
  if (!s.composing) {
    for (char16_t c : text) Form->HandleChar(c);
    return;
  }
  s.composing = false;
  if (!text.empty()) Compose(Form, text, false, GCS_RESULTSTR);
}

void TypedKeyDown() { State().composing = false; }

std::u16string ImmGetCompositionString(LPARAM Index) {
  const TImeState& s = State();
  if (!(s.handling & Index)) return {};
  return Index == GCS_RESULTSTR ? s.result : Index == GCS_COMPSTR ? s.composition : std::u16string();
}

// ---- where the composition goes ---------------------------------------------------------------

void ImmSetCompositionFont(TWinControl*, const TCompositionFont& Font) {
  State().fontHeight = Font.Height != 0 ? Font.Height : DefaultFontHeight;
}

void ImmSetCompositionWindow(TWinControl* Control, const TCompositionForm& Form) {
  if (!Control) return;
  const TRect area = (Form.Style & CFS_RECT) ? Form.Area : Control->ClientRect();
  TPoint p = Form.CurrentPos;
  p.X = std::clamp(p.X, area.Left, std::max(area.Left, area.Right - 1));
  p.Y = std::clamp(p.Y, area.Top, std::max(area.Top, area.Bottom - 1));
  TRect r{p.X, p.Y, std::max(p.X + 1, area.Right), p.Y + LineHeight()};
  // Into the client coordinates of the form's window.
  if (TCustomForm* f = GetParentForm(Control)) {
    const TPoint o = f->ScreenToClient(Control->ClientToScreen({0, 0}));
    r = {r.Left + o.X, r.Top + o.Y, r.Right + o.X, r.Bottom + o.Y};
  }
  State().rect = r;
  if (!DisplayOpen()) return;
  SDL_Rect sr{r.Left, r.Top, r.Width(), r.Height()};
  SDL_SetTextInputRect(&sr);
}

TRect TextInputRect() { return State().rect; }

std::uint16_t InputLanguageId() {
  const int set = State().language;
  if (set >= 0) return static_cast<std::uint16_t>(set);
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* v = std::getenv(name);
    if (!v || !*v) continue;
    return std::strncmp(v, "ko", 2) == 0 ? LANG_ID_KOREAN : 0;
  }
  return 0;
}

void SimulateInputLanguage(int LanguageId) { State().language = LanguageId < 0 ? -1 : (LanguageId & 0xFFFF); }

// ---- on and off -------------------------------------------------------------------------------

bool TextInputActive() { return DisplayOpen() && display_internal::TextInputOnForControls(); }

void UpdateTextInput() {
  if (!DisplayOpen()) return;
  TCustomForm* f = ActiveForm();
  TWinControl* c = f ? (f->ActiveControl() ? f->ActiveControl() : f) : nullptr;
  // An open popup menu has the keys, and takes no text.
  const bool want = c && !OpenPopupMenu() && c->Perform(CM_WANTTEXTINPUT, 0, 0) != 0;
  display_internal::EndKeyText();
  TImeState& s = State();
  // Stopping the text input drops what the input method was composing.
  if (s.composing) {
    s.composing = false;
    if (SDL_IsTextInputActive()) SDL_StopTextInput();
  }
  const bool on = SDL_IsTextInputActive() == SDL_TRUE;
  if (want && !on) SDL_StartTextInput();
  if (!want && on) SDL_StopTextInput();
}

void ResetTextInput() {
  TImeState& s = State();
  s.composing = false;
  s.handling = 0;
  s.composition.clear();
  s.result.clear();
  s.fontHeight = DefaultFontHeight;
  s.rect = {};
}

}  // namespace win
