// Popup menus: a list of captioned items, each enabled or not, each with its OnClick, that
// pops up at a screen point in a borderless window of its own on top of the others. The
// window lists the items one under the other, greys the disabled ones and lights the one
// under the mouse; releasing the left button over an enabled item hides the menu and then
// clicks the item. Escape, or a press outside the items, hides the menu without a click.
// A menu freed from inside one of its item's handlers hands its window to the loop's
// deferred free, so the window's own handler returns safely.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "platform/win/Forms.h"

namespace win {

class TMenuItem : public rtl::TComponent {
  RTL_CLASS(TMenuItem, rtl::TComponent)
public:
  explicit TMenuItem(rtl::TComponent* AOwner);

  const std::u16string& Caption() const { return caption_; }
  void SetCaption(const std::u16string& Value) { caption_ = Value; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value) { enabled_ = Value; }
  // A checked item shows a tick before its caption.
  bool Checked() const { return checked_; }
  void SetChecked(bool Value) { checked_ = Value; }
  // Fires OnClick, when the item is enabled.
  virtual void Click();

  rtl::TNotifyEvent OnClick;

private:
  std::u16string caption_;
  bool enabled_ = true;
  bool checked_ = false;
};

class TPopupMenu;

// The window an open menu shows its items in.
class TPopupMenuWindow : public TCustomForm {
  RTL_CLASS(TPopupMenuWindow, TCustomForm)
public:
  TPopupMenuWindow(TPopupMenu* Menu);

  // Height of one item and the space left and right of the captions, in pixels.
  static constexpr int ItemHeight = 22;
  static constexpr int TextMargin = 20;

  // The item index at a client point; -1 outside the items.
  int ItemAt(int X, int Y) const;
  // The item the mouse is over (-1: none).
  int HotItem() const { return hot_; }
  // Sizes the window for the menu's items and places it with its top-left at (X, Y).
  void Layout(int X, int Y);
  // The menu is going: the window forgets it and does nothing more.
  void Detach() { menu_ = nullptr; }

protected:
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, int X, int Y) override;
  void MouseMove(rtl::TShiftState Shift, int X, int Y) override;
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, int X, int Y) override;
  void PaintHandler() override;
  LRESULT WndProc(MSG& Message) override;

private:
  void SetHot(int Index);

  TPopupMenu* menu_;
  int hot_ = -1;
};

class TPopupMenu : public rtl::TComponent {
  RTL_CLASS(TPopupMenu, rtl::TComponent)
public:
  explicit TPopupMenu(rtl::TComponent* AOwner);
  ~TPopupMenu() override;
  void BeforeDestruction() override;

  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int Index) const { return items_.at(static_cast<std::size_t>(Index)); }
  // Appends a new item, owned by the menu, and answers it.
  TMenuItem* Add(const std::u16string& Caption, rtl::TNotifyEvent OnClick = {});
  // The first item with that caption; nil when none.
  TMenuItem* Find(const std::u16string& Caption) const;

  // The component the menu was last opened for; forgotten when it is freed.
  rtl::TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(rtl::TComponent* Value);

  // Fires OnPopup, then shows the items with the window's top-left at the screen point.
  virtual void Popup(int X, int Y);
  // Hides the window of an open menu.
  void CloseMenu();
  bool IsOpen() const;
  // The window of the menu, nil before the first Popup.
  TPopupMenuWindow* Window() const { return window_.get(); }
  // The item's click, as the window gives it: the menu closes first.
  void ItemChosen(int Index);

  rtl::TNotifyEvent OnPopup;

protected:
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

private:
  std::vector<TMenuItem*> items_;
  rtl::TComponent* popupComponent_ = nullptr;
  std::unique_ptr<TPopupMenuWindow> window_;
};

}  // namespace win
