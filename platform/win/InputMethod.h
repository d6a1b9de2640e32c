// Typed text and the input method.
//
// The display's text input is on only while the focused windowed control of the active
// form answers CM_WANTTEXTINPUT with nonzero (a scene whose focused object takes text) and
// no popup menu is open (it has the keys, Menus.h);
// otherwise keys arrive as keys only, so they work as shortcuts and no input method takes
// them (a key still types its character after its key-down: Display.h, TypedCharOf, and on
// X the keyboard map, Display_Internal.h). UpdateTextInput decides again; the forms call it
// when the activation or the focus moves, and so do scenes when the focus moves among their
// objects.
//
// SDL's text events become the messages of an input method: a text being composed
// (SDL_TEXTEDITING) gives the focused control WM_IME_STARTCOMPOSITION when a composition
// begins and WM_IME_COMPOSITION with GCS_COMPSTR; the text that ends a composition
// (SDL_TEXTINPUT after it) gives WM_IME_COMPOSITION with GCS_RESULTSTR. A control that does
// not handle the result gets its characters as WM_CHAR. Text typed without a composition
// comes as WM_CHAR units, as before. The strings are read with ImmGetCompositionString
// while the message is handled.
//
// Typed text holds characters only: ill-formed UTF-8 (a surrogate written as UTF-8
// included) and control characters are dropped; control characters come from keys.
//
// Where the composition goes: ImmSetCompositionWindow (a point kept inside an area, in the
// control's client coordinates) and ImmSetCompositionFont give the display the rectangle
// at which the input method shows its candidates: from the point to the area's right edge,
// one line of the composition font high.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win/Forms.h"

namespace win {

struct TCompositionForm {
  std::uint32_t Style = 0;  // CFS_RECT: CurrentPos kept inside Area; otherwise the client rectangle
  TPoint CurrentPos;
  TRect Area;
};

// What the composition is written in; Height in pixels, negative for the character height
// (the cell without the internal leading).
struct TCompositionFont {
  int Height = 0;
  int Weight = 400;
  bool Italic = false;
  std::string FaceName;
};

void ImmSetCompositionWindow(TWinControl* Control, const TCompositionForm& Form);
void ImmSetCompositionFont(TWinControl* Control, const TCompositionFont& Font);
// GCS_COMPSTR or GCS_RESULTSTR of the composition being handled; empty otherwise.
std::u16string ImmGetCompositionString(LPARAM Index);
// The language of the input method: LANG_ID_KOREAN when it writes Korean, 0 for any other.
// SDL does not tell, so the locale of the session's text (LC_ALL, LC_CTYPE, LANG) decides.
std::uint16_t InputLanguageId();

// Decides whether the display's text input is on (see the file comment). A composition in
// progress is dropped: it belonged to where the focus was.
void UpdateTextInput();
bool TextInputActive();
// The rectangle last given to the input method, in client coordinates of the form's window.
TRect TextInputRect();

// SDL's text as typed text (see the file comment).
std::u16string TypedText(const std::string& Utf8);

// What the display hands over: a text being composed (Finished false) or a finished text
// for Form's keyboard; a key going down (the input method let it through, so no
// composition is in progress).
void HandleTypedText(TCustomForm* Form, const std::string& Utf8, bool Finished);
void TypedKeyDown();
// The display closes.
void ResetTextInput();

// For tests and tools: the text being composed as SDL gives it (SDL_TEXTEDITING), and the
// input method's language (a negative value goes back to the locale's).
void SimulateTextEditing(TCustomForm* Form, const std::string& Utf8);
void SimulateInputLanguage(int LanguageId);

}  // namespace win
