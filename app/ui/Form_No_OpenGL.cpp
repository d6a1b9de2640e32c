#include "app/ui/Form_No_OpenGL.h"

#include "app/core/Start_Unit.h"
#include "app/core/Window_Texts.h"
#include "platform/loop/Application.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/FormContent.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/core/Shapes.h"

namespace app {

namespace {
constexpr const char* What = "check window";
constexpr const char* Red = "#FFFF0000";
constexpr const char* White = "#FFFFFFFF";
}  // namespace

rtl::TClass TForm_No_OpenGL::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TForm_No_OpenGL>().Build();
  return &info;
}

TForm_No_OpenGL::TForm_No_OpenGL(rtl::TComponent* AOwner, std::string BaseName)
    : win::TForm(AOwner), baseName_(std::move(BaseName)) {
  SetName("Form_No_OpenGL");
  SetCaption("OpenGL");
  SetBorderStyle(win::bsSingle);
  // A border with the system menu only: no minimise or maximise.
  SetBorderIcons({win::biSystemMenu});
  SetFormStyle(win::fsStayOnTop);
  SetBounds(0, 0, ClientWidthPx, ClientHeightPx);
  vg::TvxVisualObject* root = vg::LoadFormContent(this, "FORM_NO_OPENGL", false, scene_);
  BindFormParts(root, What, parts_);
  const TNoOpenGLParts& p = parts_;
  p.Button_No_OpenGL->SetCursor(win::crHandPoint);
  p.Button_No_OpenGL->OnClick = rtl::TNotifyEvent(this, &TForm_No_OpenGL::Button_No_OpenGLClick);
  OnShow = rtl::TNotifyEvent(this, &TForm_No_OpenGL::FormShow);
  OnClose = win::TCloseEvent(this, &TForm_No_OpenGL::FormClose);
}

void TForm_No_OpenGL::FormShow(rtl::TObject*) {
  const TNoOpenGLText text = NoOpenGLText(baseName_);
  // Read before any language is current: decoded in the code page of the one it was read for.
  parts_.Label_No_OpenGL_Message->SetText(ShownText(text.Message, text.Language));
  parts_.Label_No_OpenGL_Message->Font()->SetFamily(text.FontName);
  parts_.Button_No_OpenGL->Font()->SetFamily(text.FontName);
  parts_.Label_No_OpenGL_Message->Font()->SetClearType(false);
  parts_.Button_No_OpenGL->Font()->SetClearType(false);
  // The styles first, so that they cannot take the colours back.
  parts_.Label_No_OpenGL_Message->ApplyResource();
  parts_.Label_No_OpenGL_Message->FontFill()->SetColor(White);
  parts_.Button_No_OpenGL->ApplyResource();
  parts_.Button_No_OpenGL->FontFill()->SetColor(Red);
}

void TForm_No_OpenGL::Button_No_OpenGLClick(rtl::TObject*) { Close(); }

void TForm_No_OpenGL::FormClose(rtl::TObject*, win::TCloseAction&) {
  if (win::MainForm() == this) rtl::Application->Terminate();
}

}  // namespace app
