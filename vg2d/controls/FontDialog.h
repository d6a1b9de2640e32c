// The font dialog: a modal window whose surface is a 2D scene with a Hud window on it,
// choosing a font's family (from the installed families, or any name typed), its style
// (regular, bold, italic, bold italic, underline, strikeout) and size, and, where the
// caller asks for one, a text colour; a sample shows the choice. OK takes the choice,
// Cancel, Escape and the close button leave everything as it was. The size box takes
// whatever is typed; OK with a size that is no number says so beside the sample ("Size
// takes a number from 1 to 1000") and leaves the dialog open with the box's text selected.
// The window's content is the component text "TVXFONTDIALOG".
//
// Callers set Font (and Color with ShowColor), call Execute and on true read them back;
// EditFontDialog does all of it for one font.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/win/Forms.h"
#include "vg2d/core/Brushes.h"

namespace vg {

class TvxButton;
class TvxColorBox;
class TvxHudWindow;
class TvxScene;
class TvxStringListBox;
class TvxText;
class TvxTextBox;
class TvxVisualObject;

// The style list's entries, in the order of TvxFontStyle.
inline constexpr int FontStyleCount = 6;
extern const char16_t* const FontStyleNames[FontStyleCount];
// The sizes the size list offers.
extern const int FontDialogSizes[16];

class TvxFontDialogForm : public win::TForm {
  RTL_CLASS(TvxFontDialogForm, win::TForm)
public:
  explicit TvxFontDialogForm(rtl::TComponent* AOwner);

  static constexpr const char* ContentResourceName = "TVXFONTDIALOG";
  // The sizes the dialog takes unless its caller narrows them (SetSizeRange); a number typed
  // beyond them is brought to the nearer end.
  static constexpr float MinSize = 1;
  static constexpr float MaxSize = 1000;
  // The sizes taken from now on (Min at least 1 and at most Max, Max at most 1000).
  void SetSizeRange(float Min, float Max);
  // The styles offered: the first Count of FontStyleNames (Regular at least, all six at most),
  // for a caller that keeps only those; a font of another style opens on Regular.
  void SetStyleCount(int Count);

  // Loads the title, the families offered and the font (and, with ShowColor, its colour)
  // into the parts; the family list selects the font's family when it offers it.
  void Prepare(const std::u16string& Title, const std::vector<std::string>& Families, const TvxFont& Font,
               bool ShowColor, TvxColor Color);
  // The choice as it stands: family (the typed name, or the font's own when the box is
  // empty), size (the size box's number; while it holds none, the last it held), style, and
  // the colour.
  void TakeChoice(TvxFont& Font, TvxColor& Color);
  // The size as the box gives it: the last number typed within the sizes taken (after OK,
  // the box's number brought within them).
  float ChosenSize() const { return size_; }
  // OK: ends the dialog with mrOk when the size box holds a number; otherwise says what the
  // box takes and gives it the focus with its text selected.
  void OkClick(rtl::TObject* Sender);

  TvxColor TextColor() const { return color_; }
  // The colour shown in the swatch and the sample, always opaque.
  void SetTextColor(TvxColor Value);
  // Asks for a colour with the brush dialog's solid page; a cancelled dialog changes nothing.
  void ColorClick(rtl::TObject* Sender);

  TvxScene* Scene() const { return scene_; }
  TvxHudWindow* Window() const { return window_; }
  TvxTextBox* FamilyBox() const { return familyBox_; }
  TvxStringListBox* FamilyList() const { return familyList_; }
  TvxStringListBox* StyleList() const { return styleList_; }
  TvxTextBox* SizeBox() const { return sizeBox_; }
  TvxStringListBox* SizeList() const { return sizeList_; }
  // Says what the size box takes after an OK it refused; empty otherwise.
  TvxText* SizeMessage() const { return sizeMessage_; }
  TvxVisualObject* ColorRow() const { return colorRow_; }
  TvxButton* ColorButton() const { return colorButton_; }
  TvxColorBox* ColorSwatch() const { return colorSwatch_; }
  TvxText* Sample() const { return sample_; }
  TvxButton* OkButton() const { return ok_; }
  TvxButton* CancelButton() const { return cancel_; }

private:
  void FamilyListChange(rtl::TObject* Sender);
  void FamilyBoxChange(rtl::TObject* Sender);
  void SizeBoxChange(rtl::TObject* Sender);
  void SizeListChange(rtl::TObject* Sender);
  // Shows a size in the box.
  void ShowSize(float Size);
  // Selects the list entry of the chosen size, none when it offers no such size.
  void SelectSize();
  void UpdateSample(rtl::TObject* Sender = nullptr);

  float minSize_ = MinSize;
  float maxSize_ = MaxSize;
  float size_ = 12;
  TvxColor color_ = 0xFF000000u;
  bool showColor_ = false;
  std::string family_;
  // While the parts are loaded or follow each other, their handlers stay quiet.
  bool syncing_ = false;

  TvxScene* scene_ = nullptr;
  TvxHudWindow* window_ = nullptr;
  TvxTextBox* familyBox_ = nullptr;
  TvxStringListBox* familyList_ = nullptr;
  TvxStringListBox* styleList_ = nullptr;
  TvxTextBox* sizeBox_ = nullptr;
  TvxStringListBox* sizeList_ = nullptr;
  TvxText* sizeMessage_ = nullptr;
  TvxVisualObject* colorRow_ = nullptr;
  TvxButton* colorButton_ = nullptr;
  TvxColorBox* colorSwatch_ = nullptr;
  TvxText* sample_ = nullptr;
  TvxButton* ok_ = nullptr;
  TvxButton* cancel_ = nullptr;
};

class TvxFontDialog {
public:
  // In: the font offered; out, after OK: the font chosen.
  TvxFont Font;
  // Whether the colour is offered; Color is the text colour, in and out (opaque once picked).
  bool ShowColor = false;
  TvxColor Color = 0xFF000000u;
  std::u16string Title = u"Font";
  // The families offered; the installed ones when empty.
  std::vector<std::string> Families;
  // The sizes taken (TvxFontDialogForm::SetSizeRange).
  float MinSize = TvxFontDialogForm::MinSize;
  float MaxSize = TvxFontDialogForm::MaxSize;
  // The styles offered (TvxFontDialogForm::SetStyleCount): all six unless narrowed.
  int StyleCount = FontStyleCount;
  // Out, after OK: the size box's text as typed (Font's size is that number brought within
  // MinSize..MaxSize), so that a caller can say when the size taken is not the one typed.
  std::u16string SizeTyped;

  // Shows the dialog modally; true when the user chose OK. With Answer set, Answer is asked
  // instead and no window shows.
  bool Execute();

  // Stands in for the user (tests, and callers that drive the dialog themselves): gets the
  // dialog as preset, may change Font and Color, and answers OK (true) or Cancel.
  static std::function<bool(TvxFontDialog& Dialog)> Answer;
  // Runs with every dialog's window as it shows, just before its modal loop (for callers
  // that drive dialogs opened by others, such as tests).
  static std::function<void(TvxFontDialogForm& Form)> OnAnyShow;
};

// Edits Font (and *Color when given, the colour then being offered) in the font dialog;
// they change only on OK.
bool EditFontDialog(TvxFont* Font, TvxColor* Color = nullptr);

}  // namespace vg
