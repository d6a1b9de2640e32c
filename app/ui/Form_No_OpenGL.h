// The check window TForm_No_OpenGL: what a machine without OpenGL sees instead of the
// program. A plain window of the 2D controls only (it must show where the 3D windows cannot),
// 393 x 217, caption "OpenGL", with a red panel carrying the message in white, in the
// settings' language and font, and a flat "OK" in red. OK or the window's close ends the
// program.
#pragma once

#include <string>

#include "app/ui/forms/Form_No_OpenGL.h"
#include "platform/win/Forms.h"

namespace vg {
class TvxScene;
class TvxVisualObject;
}  // namespace vg

namespace app {

class TForm_No_OpenGL : public win::TForm {
  RTL_CLASS(TForm_No_OpenGL, win::TForm)
public:
  static constexpr int ClientWidthPx = 393;
  static constexpr int ClientHeightPx = 217;

  // BaseName names the settings file ("<BaseName>.ini") of the current directory.
  TForm_No_OpenGL(rtl::TComponent* AOwner, std::string BaseName);

  const TNoOpenGLParts& Parts() const { return parts_; }
  vg::TvxScene* Scene() const { return scene_; }

  // Localises the message (settings language and font).
  void FormShow(rtl::TObject* Sender);
  void Button_No_OpenGLClick(rtl::TObject* Sender);
  // The program ends with this window when it is the main window.
  void FormClose(rtl::TObject* Sender, win::TCloseAction& Action);

private:
  std::string baseName_;
  vg::TvxScene* scene_ = nullptr;
  TNoOpenGLParts parts_;
};

}  // namespace app
