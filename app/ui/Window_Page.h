// A page of a window: a component owned by its window, with a component text of its own
// (app/ui/forms) whose root object is the page itself, so that the page's controls keep
// their names (TWindow_3D::FindPart finds them) and the text's events bind to the page
// class's published methods. The text's one 2D root becomes the page of a tab item: it goes
// into the item's tab control and is the item's Layout, shown while the item is selected.
//
// A page class derives from TWindowPage, publishes its handlers (FormHandlers), reads its text
// with ReadPageText and binds its parts once (BindFormParts with a TPartBinder, Window_Parts.h).
#pragma once

#include <string>

#include "platform/rtl/Component.h"

namespace vg {
class TvxTabItem;
class TvxVisualObject;
}  // namespace vg

namespace app {

class TWindow_3D;

class TWindowPage : public rtl::TComponent {
  RTL_CLASS(TWindowPage, rtl::TComponent)
public:
  // Owned by Window, which lists it among its pages.
  explicit TWindowPage(rtl::TComponent* AOwner);
  void BeforeDestruction() override;

  // Reads the page's text (a compiled-in resource) into this page and makes its one 2D
  // root the page of Item. A problem of the text raises rtl::EReadError listing every one
  // with its line (ReadComponentText); a text without exactly one 2D root raises too.
  void ReadPageText(const std::string& ResourceName, vg::TvxTabItem* Item);

  TWindow_3D* Window() const;
  vg::TvxVisualObject* Root() const { return root_; }
  vg::TvxTabItem* Item() const { return item_; }
  // The page's name in messages ("the page Page_CFG of Form_3D_GEN").
  std::string PageName() const;
  // Whether the page is on screen: its tab control shows only the selected item's page. A page
  // in no tab control is shown while its root is visible.
  bool Shown() const;
  // The tab control has selected another item (the window calls it for each of its pages):
  // a page that left its drawing for later because it was hidden draws now, while Shown().
  virtual void PageShown() {}

private:
  vg::TvxVisualObject* root_ = nullptr;
  vg::TvxTabItem* item_ = nullptr;
};

}  // namespace app
