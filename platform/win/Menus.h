// Popup menus: a list of captioned items, each enabled or not, each with its OnClick, that
// pops up at a screen point in a borderless window of its own on top of the others. The
// window lists the items one under the other, greys the disabled ones and lights the one
// under the mouse; releasing the left button over an enabled item hides the menu and then
// clicks the item. Escape, or a press outside the items, hides the menu without a click.
// A menu freed from inside one of its item's handlers hands its window to the loop's
// deferred free, so the window's own handler returns safely.
//
// An item with items of its own opens a submenu: pointing at it (or clicking it, or Right
// while it is lit) opens a window of its items beside its row, while the menu it belongs to
// stays open; Escape or Left closes the innermost one. Choosing an item anywhere closes them
// all.
//
// While a menu is open it has the keyboard, as a menu the window system tracks has: every key
// and typed text that arrives for any of the program's windows goes to its window (the innermost
// open submenu's), and the display's text input is off meanwhile, so no input method holds a
// key. It takes neither the activation nor the window system's keyboard focus: those stay with
// the window the menu came from, whose keys it takes, so once it closes (Escape, a choice, a
// press anywhere but in its windows, the keyboard going to another window) the keys reach that
// window again. One menu is open at a time: opening one closes another.
//
// Every menu window stays on the screen's work area: a menu that does not fit below and
// right of its point opens above or left of it (a submenu on the other side of its parent,
// and its own submenus go on to that side), and is moved in where neither side has room. One taller than the work area is cut to it
// and scrolls: arrow rows at its top and bottom scroll it while the mouse is over them (and
// a step at each press), the wheel scrolls it, and the Up and Down keys scroll the lit item
// into view.
#pragma once

#include <cstdint>
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

  // The items of the submenu this item opens (none: the item is a command), owned by it.
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int Index) const { return items_.at(static_cast<std::size_t>(Index)); }
  // Appends a new item to the submenu, owned by this item, and answers it.
  TMenuItem* Add(const std::u16string& Caption, rtl::TNotifyEvent OnClick = {});

  rtl::TNotifyEvent OnClick;

protected:
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

private:
  std::u16string caption_;
  bool enabled_ = true;
  bool checked_ = false;
  std::vector<TMenuItem*> items_;
};

class TPopupMenu;

// The window an open menu (or one of its submenus) shows its items in.
class TPopupMenuWindow : public TCustomForm {
  RTL_CLASS(TPopupMenuWindow, TCustomForm)
public:
  // The window of the menu's own items, or (Parent set) of the submenu of Parent.
  explicit TPopupMenuWindow(TPopupMenu* Menu, TMenuItem* Parent = nullptr);
  ~TPopupMenuWindow() override;

  // Height of one item and the space left and right of the captions, in pixels.
  static constexpr int ItemHeight = 22;
  static constexpr int TextMargin = 20;

  // The number of items this window lists, and one of them.
  int ItemCount() const;
  TMenuItem* Item(int Index) const;
  // The item index at a client point; -1 outside the items (and on the scroll arrows).
  int ItemAt(int X, int Y) const;
  // The item the mouse is over (-1: none).
  int HotItem() const { return hot_; }
  // Sizes the window for its items and places its top-left at (X, Y), kept on the screen:
  // above Y where it does not fit below, left of X where it does not fit right of it, moved
  // in where neither fits; cut to the screen's height (scrolling) when taller.
  void Layout(int X, int Y);
  // Sizes the window and places it beside Row (a screen rectangle of the parent menu's
  // item), its first item level with the row: right of it, or left of it when Leftward (the
  // way the cascade runs), on the other side where that side has no room; moved up where
  // it does not fit below.
  void LayoutBeside(const TRect& Row, bool Leftward = false);
  // Whether the window opened to the left of its point or row.
  bool Leftward() const { return leftward_; }
  // Whether the window shows only a part of its items, and the first item it shows.
  bool Scrolls() const { return scrolls_; }
  int TopItem() const { return top_; }
  int VisibleItems() const { return scrolls_ ? rows_ : ItemCount(); }
  // Scrolls by Items (negative: up), within the list.
  void ScrollBy(int Items);
  // The open submenu's window, nil when none is open.
  TPopupMenuWindow* Submenu() const { return sub_.get(); }
  // Opens the submenu of the item (an enabled one with items), closing another one.
  void OpenSubmenu(int Index);
  void CloseSubmenu();
  // The screen rectangle of an item's row (clipped to nothing when scrolled out of view).
  TRect ItemRect(int Index) const;
  // The menu is going: the window forgets it and does nothing more.
  void Detach();
  // The menu the window shows items of; nil once detached.
  TPopupMenu* Menu() const { return menu_; }

protected:
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, int X, int Y) override;
  void MouseMove(rtl::TShiftState Shift, int X, int Y) override;
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, int X, int Y) override;
  bool DoMouseWheel(rtl::TShiftState Shift, int WheelDelta, const TPoint& MousePos) override;
  void PaintHandler() override;
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;
  LRESULT WndProc(MSG& Message) override;

private:
  void SetHot(int Index);
  // Width and full height for the items; the height the screen leaves decides scrolling.
  void Measure(int& AWidth, int& AHeight) const;
  void Fit(int AWidth, int AHeight, int AreaHeight);
  // -1 over the upper scroll arrow, 1 over the lower one, 0 elsewhere.
  int ArrowAt(int Y) const;
  void StartScrolling(int Direction);
  void StopScrolling();
  void ScrollIntoView(int Index);

  TPopupMenu* menu_;
  TMenuItem* parent_;
  int hot_ = -1;
  bool scrolls_ = false;
  int top_ = 0;   // first item shown while scrolling
  int rows_ = 0;  // item rows shown while scrolling
  int scrollDirection_ = 0;
  bool leftward_ = false;
  std::uint64_t scrollTimer_ = 0;
  std::unique_ptr<TPopupMenuWindow> sub_;
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

  // Fires OnPopup, then shows the items with the window's top-left at the screen point
  // (kept on the screen, see above); another menu that is open closes first.
  virtual void Popup(int X, int Y);
  // Hides the window of an open menu and of its submenus.
  void CloseMenu();
  bool IsOpen() const;
  // The window of the menu, nil before the first Popup.
  TPopupMenuWindow* Window() const { return window_.get(); }
  // The item's click, as the window gives it: the menu (all its windows) closes first.
  void ItemChosen(int Index);
  void ItemChosen(TMenuItem* Item);

  rtl::TNotifyEvent OnPopup;

protected:
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

private:
  std::vector<TMenuItem*> items_;
  rtl::TComponent* popupComponent_ = nullptr;
  std::unique_ptr<TPopupMenuWindow> window_;
};

// The popup menu open now, nil when none: it has the keyboard (see above).
TPopupMenu* OpenPopupMenu();
// The user pressed in Form, or the window system gave its window the keyboard (nil: the keyboard
// left the program's windows): an open menu closes unless Form is one of its windows.
void CloseMenuOutside(const TCustomForm* Form);

}  // namespace win
