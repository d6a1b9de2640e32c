// The tab-order window of the design editor: a modal window (400 x 300, "TabOrder Editor",
// centred on the screen) listing the controls beside the selected one (its parent's
// controls, those that take no focus too, but not the parent's own look) in tab order, the
// selected one chosen; "Up" and "Down" move the chosen control before the previous or after
// the next listed control and list again, the moved control still chosen.
#pragma once

#include <vector>

#include "platform/win/Forms.h"

namespace vg {

class TvxButton;
class TvxHudListBox;
class TvxHudWindow;
class TvxScene;
class TvxVisualObject;

class TvxTabOrderForm : public win::TForm {
  RTL_CLASS(TvxTabOrderForm, win::TForm)
public:
  explicit TvxTabOrderForm(rtl::TComponent* AOwner);

  // Lists the controls beside Control and chooses it.
  void Prepare(TvxVisualObject* Control);
  // Lists the parent's controls in tab order again, the chosen control still chosen (the
  // first when none was).
  void Fill();
  // The control of a listed entry; nil outside the list.
  TvxVisualObject* ControlAt(int Index) const;

  TvxScene* Scene() const { return scene_; }
  TvxHudWindow* Window() const { return window_; }
  TvxHudListBox* List() const { return list_; }
  TvxButton* UpButton() const { return up_; }
  TvxButton* DownButton() const { return down_; }

private:
  void MoveChosen(int Step);

  TvxScene* scene_ = nullptr;
  TvxHudWindow* window_ = nullptr;
  TvxHudListBox* list_ = nullptr;
  TvxButton* up_ = nullptr;
  TvxButton* down_ = nullptr;
  TvxVisualObject* parent_ = nullptr;
  std::vector<TvxVisualObject*> controls_;
};

// Shows the window for Control modally (the design editor's "Tab Order...").
void EditTabOrderDialog(TvxVisualObject* Control);

}  // namespace vg
