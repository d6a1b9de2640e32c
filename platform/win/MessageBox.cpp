#include "platform/win/MessageBox.h"

#include <SDL.h>

#include "platform/rtl/CodePage.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"

namespace win {

void ShowMessage(const std::u16string& Text) {
  DisplayNeeded();
  TCustomForm* active = ActiveForm();
  SDL_Window* parent = active ? active->Window() : nullptr;
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, "", rtl::WideToUtf8(Text).c_str(), parent);
}

}  // namespace win
