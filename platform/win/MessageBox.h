// The class library's message box: a modal box of the display that shows one text with an
// OK button, over the active form. It returns when the user has closed it.
#pragma once

#include <string>

namespace win {

// Shows Text and waits for OK. Where the display cannot show a box (a display without
// windows), nothing is shown and it returns at once.
void ShowMessage(const std::u16string& Text);

}  // namespace win
