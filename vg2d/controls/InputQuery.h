// The input box: a small modal window whose surface is a 2D scene with a Hud window on it,
// its caption the title, a prompt, a text box and OK and Cancel. Enter takes OK, Escape and
// the window's close button Cancel. Its content is the component text "TVXINPUTQUERY".
#pragma once

#include <string>

#include "platform/win/Forms.h"

namespace vg {

class TvxButton;
class TvxHudWindow;
class TvxLabel;
class TvxScene;
class TvxTextBox;
class TvxVisualObject;

class TvxInputQueryForm : public win::TForm {
  RTL_CLASS(TvxInputQueryForm, win::TForm)
public:
  explicit TvxInputQueryForm(rtl::TComponent* AOwner);

  static constexpr const char* ContentResourceName = "TVXINPUTQUERY";

  // The title in the caption, the prompt above the box, and the text offered, selected
  // and with the focus, as the window shows.
  void Prepare(const std::u16string& Caption, const std::u16string& Prompt, const std::u16string& Value);

  TvxScene* Scene() const { return scene_; }
  TvxHudWindow* Window() const { return window_; }
  TvxLabel* Prompt() const { return prompt_; }
  TvxTextBox* Edit() const { return edit_; }
  TvxButton* OkButton() const { return ok_; }
  TvxButton* CancelButton() const { return cancel_; }

private:
  TvxScene* scene_ = nullptr;
  TvxHudWindow* window_ = nullptr;
  TvxLabel* prompt_ = nullptr;
  TvxTextBox* edit_ = nullptr;
  TvxButton* ok_ = nullptr;
  TvxButton* cancel_ = nullptr;
};

// Asks for a text: the box offers Value; on OK Value takes the typed text and the answer is
// true; on Cancel Value is left as it was and the answer is false. The window lies over
// the middle of the active window (of the screen's top left area when none is active).
bool InputQuery(const std::u16string& Caption, const std::u16string& Prompt, std::u16string& Value);
// The same, answering the typed text on OK and Default otherwise.
std::u16string InputBox(const std::u16string& Caption, const std::u16string& Prompt, const std::u16string& Default);

}  // namespace vg
