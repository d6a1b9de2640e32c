#include "app/ui/Window_Page.h"

#include <algorithm>

#include "app/ui/Window_3D.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TypInfo.h"
#include "vg2d/controls/TabControl.h"

namespace app {

rtl::TClass TWindowPage::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TWindowPage>().Build();
  return &info;
}

TWindowPage::TWindowPage(rtl::TComponent* AOwner) : rtl::TComponent(AOwner) {
  if (auto* window = dynamic_cast<TWindow_3D*>(AOwner)) window->pages_.push_back(this);
}

void TWindowPage::BeforeDestruction() {
  if (TWindow_3D* window = Window()) std::erase(window->pages_, this);
  inherited::BeforeDestruction();
}

TWindow_3D* TWindowPage::Window() const { return dynamic_cast<TWindow_3D*>(Owner()); }

std::string TWindowPage::PageName() const {
  std::string name = "the page " + (Name().empty() ? std::string(ClassName()) : Name());
  if (const TWindow_3D* window = Window()) name += " of " + window->WindowName();
  return name;
}

bool TWindowPage::Shown() const { return root_ && root_->Visible(); }

void TWindowPage::ReadPageText(const std::string& ResourceName, vg::TvxTabItem* Item) {
  ReadComponentText(this, ResourceName, "The page text " + ResourceName);
  // The text's 2D roots are the visual objects it made that stand in no 2D parent.
  vg::TvxVisualObject* root = nullptr;
  int roots = 0;
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* v = dynamic_cast<vg::TvxVisualObject*>(Components(i)); v && !v->Parent()) {
      root = v;
      ++roots;
    }
  if (roots != 1)
    throw rtl::EReadError("The page text " + ResourceName + " must hold one 2D root, not " + std::to_string(roots));
  root_ = root;
  item_ = Item;
  if (!Item) return;
  if (vg::TvxTabControl* tabs = Item->TabControl()) tabs->AddObject(root);
  Item->SetLayout(root);
  if (vg::TvxTabControl* tabs = Item->TabControl()) tabs->Realign();
}

}  // namespace app
