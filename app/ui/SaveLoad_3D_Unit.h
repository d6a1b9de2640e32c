// The save/load window TForm_3D_SaveLoad: a small window, on top, in which the installer
// picks or types the name of a configuration file of the "Config" folder to save or load.
// The File menu of the main window runs RunFileMenuAction with its item's index: Save and
// Load show the window, Default (New) resets the configuration without it. The names, the
// file operations and what they change are the core's (app/core/SaveLoad_Unit.h).
//
// Its text is app/ui/forms/Form_3D_SaveLoad.txt. GUI thread.
#pragma once

#include <memory>

#include "app/core/SaveLoad_Unit.h"
#include "app/ui/Main_3D_Unit.h"
#include "app/ui/Window_3D.h"
#include "app/ui/forms/Form_3D_SaveLoad.h"

namespace app {

class TForm_3D_SaveLoad : public TWindow_3D, public IFileMenuActions {
  RTL_CLASS(TForm_3D_SaveLoad, TWindow_3D)
public:
  explicit TForm_3D_SaveLoad(rtl::TComponent* AOwner);
  // Makes the window from its text and binds its parts; it shows only when asked.
  static std::unique_ptr<TForm_3D_SaveLoad> Create();
  const TSaveLoadParts& Parts() const { return parts_; }
  TFileMenuMode Mode() const { return mode_; }
  bool Shown() const { return shown_; }

  // Save: the window with the configuration's name and a "Save" button; Load: the window
  // with a "Load" button. Either shows the window (again, when it is shown already).
  void Open(TFileMenuMode Mode);
  // The File menu's item Index (0 Save, 1 Load, 2 Default): Save and Load open the window,
  // Default resets the configuration (NewConfiguration) without it.
  void RunFileMenuAction(int Index) override;

  // Kept at 200 x 200 at least, its layout scaled to the size.
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

  // ---- handlers (published, bound by the window text)
  // At the main window's left edge, 22 below its top; the title; the list of files; the
  // fonts through the action queue.
  void FormShow(rtl::TObject* Sender);
  void FormClose(rtl::TObject* Sender, win::TCloseAction& Action);
  void HudStringListBox_3D_SL_ListChange(rtl::TObject* Sender);
  // The name cut to what the ECU keeps; the run button enabled only with a name.
  void HudTextBox_3D_SL_NameChangeTracking(rtl::TObject* Sender);
  // Saves or loads the name; the window hides when that was done, and stays open with the
  // name (and the message window telling why) when it was not.
  void HudButton_3D_SL_RunClick(rtl::TObject* Sender);

protected:
  // The title in the current language, each time the window activates.
  void LookUpTexts() override;

private:
  void FillList();

  TSaveLoadParts parts_;
  TFileMenuMode mode_ = TFileMenuMode::Save;
  bool shown_ = false;
  bool created_ = false;
};

}  // namespace app
