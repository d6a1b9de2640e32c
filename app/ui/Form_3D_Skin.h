// The skin window TForm_3D_Skin: the program's colour (the main window's fill, solid or
// gradient, copied to the open windows), the font colour (colour role 0), the font, the
// colour of any of the roles 1..37, and "Default". Every change acts at once on the running
// windows (through the action queue, actions 5 and 6) and reaches the settings file when the
// main window closes.
#pragma once

#include <memory>

#include "app/ui/Window_3D.h"
#include "app/ui/forms/Form_3D_Skin.h"

namespace vg {
class TvxBrush;
}

namespace app {

struct TWindowFill;

// A brush shows a window fill: its style, colour and the colours of as many gradient points
// as both have.
void FillToBrush(const TWindowFill& F, vg::TvxBrush* Brush);

class TForm_3D_Skin : public TWindow_3D {
  RTL_CLASS(TForm_3D_Skin, TWindow_3D)
public:
  static std::unique_ptr<TForm_3D_Skin> Create();
  ~TForm_3D_Skin() override;

  const TSkinParts& Parts() const { return parts_; }
  // The role chosen in the list (1..37).
  int SelectedColorRole() const { return selectedRole_; }
  // The texts of the current language: captions, the roles list, the details button.
  void ApplyTexts();
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  // The details button keeps its role's colour.
  void FontsApplied() override { ShowSelectedRole(); }

  // Published handlers.
  void FormShow(rtl::TObject* Sender);
  void FormClose(rtl::TObject* Sender, win::TCloseAction& Action);
  void HudButton_Skin_ColorClick(rtl::TObject* Sender);
  void HudButton_Skin_Font_ColorClick(rtl::TObject* Sender);
  void HudButton_Skin_Font_TypeClick(rtl::TObject* Sender);
  void HudComboTextBox_Skin_DetalsChange(rtl::TObject* Sender);
  void HudButton_Skin_DetalsClick(rtl::TObject* Sender);
  void HudButton_Skin_DefaultClick(rtl::TObject* Sender);

protected:
  // The texts of the current language, each time the window activates.
  void LookUpTexts() override { ApplyTexts(); }
  explicit TForm_3D_Skin(rtl::TComponent* AOwner);

private:
  // The circles show the fill, the font colour and the selected role's colour.
  void ShowColors();
  // The details button: the selected role's description in its colour.
  void ShowSelectedRole();
  TSkinParts parts_;
  int selectedRole_ = 1;
  bool created_ = false;
  bool filling_ = false;
};

}  // namespace app
