#include "platform/win/Menus.h"

#include <algorithm>
#include <cmath>

#include "platform/gfx2d/Graphics.h"
#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "platform/win/InputMethod.h"

namespace win {

namespace {

// The menu whose window shows, which has the keyboard; at most one.
TPopupMenu* openMenu = nullptr;

// The look of an open menu (opaque ARGB).
constexpr std::uint32_t MenuBack = 0xFFF5F5F5u, MenuFrame = 0xFF9A9A9Au, MenuText = 0xFF000000u,
                        MenuDisabledText = 0xFF9A9A9Au, MenuHot = 0xFF1072C5u, MenuHotText = 0xFFFFFFFFu;
constexpr float MenuFontSize = 11;

gfx2d::Font MenuFont() {
  auto family = gfx2d::FontFamily::GenericSansSerif();
  return {family ? family->Name() : std::string("sans-serif"), MenuFontSize, gfx2d::FontStyleRegular};
}

gfx2d::StringFormat CaptionFormat() {
  gfx2d::StringFormat f;
  f.Flags = gfx2d::StringFormatFlagsNoWrap | gfx2d::StringFormatFlagsMeasureTrailingSpaces;
  f.LineAlign = gfx2d::StringAlignment::Center;
  return f;
}

// Takes an open menu window off its menu and hides it; it is freed once the handler that may
// be running in it has returned.
void Dismiss(std::unique_ptr<TPopupMenuWindow>& Window) {
  Window->Detach();
  Window->Hide();
  Window.release()->Release();
}

}  // namespace

// ---- TMenuItem ------------------------------------------------------------------------------

rtl::TClass TMenuItem::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TMenuItem>().Build();
  return &info;
}

TMenuItem::TMenuItem(rtl::TComponent* AOwner) : rtl::TComponent(AOwner) {}

void TMenuItem::Click() {
  if (enabled_) OnClick(this);
}

TMenuItem* TMenuItem::Add(const std::u16string& Caption, rtl::TNotifyEvent OnClick) {
  auto item = std::make_unique<TMenuItem>(this);
  item->SetCaption(Caption);
  item->OnClick = std::move(OnClick);
  items_.push_back(item.get());
  return item.release();
}

void TMenuItem::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == rtl::opRemove) items_.erase(std::remove(items_.begin(), items_.end(), AComponent), items_.end());
}

// ---- TPopupMenuWindow -----------------------------------------------------------------------

rtl::TClass TPopupMenuWindow::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TPopupMenuWindow>().Build();
  return &info;
}

TPopupMenuWindow::TPopupMenuWindow(TPopupMenu* Menu, TMenuItem* Parent)
    : TCustomForm(nullptr), menu_(Menu), parent_(Parent) {
  SetBorderStyle(bsNone);
  SetFormStyle(fsStayOnTop);
  SetColor(MenuBack);
  if (parent_) parent_->FreeNotification(this);
}

TPopupMenuWindow::~TPopupMenuWindow() { StopScrolling(); }

void TPopupMenuWindow::Detach() {
  StopScrolling();
  if (sub_) Dismiss(sub_);
  if (parent_) parent_->RemoveFreeNotification(this);
  parent_ = nullptr;
  menu_ = nullptr;
}

void TPopupMenuWindow::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != rtl::opRemove || AComponent != parent_) return;
  // The item whose submenu this is went: the window shows nothing any more.
  parent_ = nullptr;
  menu_ = nullptr;
  StopScrolling();
  Hide();
}

int TPopupMenuWindow::ItemCount() const {
  if (!menu_) return 0;
  return parent_ ? parent_->Count() : menu_->Count();
}

TMenuItem* TPopupMenuWindow::Item(int Index) const { return parent_ ? parent_->Items(Index) : menu_->Items(Index); }

int TPopupMenuWindow::ArrowAt(int Y) const {
  if (!scrolls_) return 0;
  if (Y < 1 + ItemHeight) return -1;
  if (Y >= 1 + (rows_ + 1) * ItemHeight) return 1;
  return 0;
}

int TPopupMenuWindow::ItemAt(int X, int Y) const {
  if (!menu_ || X < 0 || X >= Width() || Y < 1) return -1;
  int row = (Y - 1) / ItemHeight;
  if (scrolls_) {
    if (row < 1 || row > rows_) return -1;
    row += top_ - 1;
  }
  return row < ItemCount() ? row : -1;
}

TRect TPopupMenuWindow::ItemRect(int Index) const {
  const int row = scrolls_ ? Index - top_ + 1 : Index;
  if (Index < 0 || (scrolls_ && (row < 1 || row > rows_))) return {};
  const int top = Top() + 1 + row * ItemHeight;
  return {Left(), top, Left() + Width(), top + ItemHeight};
}

void TPopupMenuWindow::Measure(int& AWidth, int& AHeight) const {
  std::uint32_t pixel = 0;
  std::unique_ptr<gfx2d::Image> scratch(gfx2d::Image::FromPixels(&pixel, 1, 1));
  float widest = 0;
  bool submenus = false;
  if (scratch) {
    gfx2d::Graphics g(*scratch);
    for (int i = 0; i < ItemCount(); ++i) {
      gfx2d::RectF bounds;
      if (g.MeasureString(Item(i)->Caption(), MenuFont(), {0, 0, 10000, ItemHeight}, CaptionFormat(), bounds))
        widest = std::max(widest, bounds.Width);
      submenus = submenus || Item(i)->Count() > 0;
    }
  }
  // A submenu's arrow takes the right margin's place, and a little more.
  const int width = static_cast<int>(std::ceil(widest)) + 2 * TextMargin + (submenus ? TextMargin / 2 : 0);
  AWidth = std::max(width, 2 * TextMargin);
  AHeight = std::max(1, ItemCount()) * ItemHeight + 2;
}

void TPopupMenuWindow::Fit(int AWidth, int AHeight, int AreaHeight) {
  hot_ = -1;
  top_ = 0;
  scrolls_ = AHeight > AreaHeight;
  if (scrolls_) {
    // Whole rows between the two arrow rows, at least one.
    rows_ = std::max(1, (AreaHeight - 2) / ItemHeight - 2);
    AHeight = (rows_ + 2) * ItemHeight + 2;
  }
  SetBounds(Left(), Top(), AWidth, AHeight);
}

void TPopupMenuWindow::Layout(int X, int Y) {
  if (!menu_) return;
  CloseSubmenu();
  int w = 0, h = 0;
  Measure(w, h);
  const TRect area = ScreenWorkArea();
  Fit(w, h, area.Height());
  w = Width();
  h = Height();
  int x = X, y = Y;
  leftward_ = x + w > area.Right && X - w >= area.Left;
  if (leftward_) x = X - w;
  if (y + h > area.Bottom && Y - h >= area.Top) y = Y - h;
  x = std::max(area.Left, std::min(x, area.Right - w));
  y = std::max(area.Top, std::min(y, area.Bottom - h));
  SetBounds(x, y, w, h);
}

void TPopupMenuWindow::LayoutBeside(const TRect& Row, bool Leftward) {
  if (!menu_) return;
  int w = 0, h = 0;
  Measure(w, h);
  const TRect area = ScreenWorkArea();
  Fit(w, h, area.Height());
  w = Width();
  h = Height();
  // On the side the cascade runs to, else on the other (so a submenu never covers the menus
  // it comes from).
  const bool rightFits = Row.Right + w <= area.Right, leftFits = Row.Left - w >= area.Left;
  leftward_ = Leftward ? leftFits || !rightFits : !rightFits && leftFits;
  int x = leftward_ ? Row.Left - w : Row.Right;
  x = std::max(area.Left, std::min(x, area.Right - w));
  // The first item's row level with the parent's row.
  int y = Row.Top - 1 - (scrolls_ ? ItemHeight : 0);
  y = std::max(area.Top, std::min(y, area.Bottom - h));
  SetBounds(x, y, w, h);
}

void TPopupMenuWindow::ScrollBy(int Items) {
  if (!Showing()) StopScrolling();
  if (!scrolls_ || !Showing()) return;
  const int top = std::max(0, std::min(top_ + Items, ItemCount() - rows_));
  if (top == top_) return;
  top_ = top;
  CloseSubmenu();
  Invalidate();
}

void TPopupMenuWindow::ScrollIntoView(int Index) {
  if (!scrolls_ || Index < 0) return;
  if (Index < top_) ScrollBy(Index - top_);
  else if (Index >= top_ + rows_) ScrollBy(Index - top_ - rows_ + 1);
}

void TPopupMenuWindow::StartScrolling(int Direction) {
  if (Direction == scrollDirection_) return;
  StopScrolling();
  scrollDirection_ = Direction;
  scrollTimer_ = rtl::Application->StartTimer(60, [this] { ScrollBy(scrollDirection_); });
}

void TPopupMenuWindow::StopScrolling() {
  if (scrollTimer_) rtl::Application->StopTimer(scrollTimer_);
  scrollTimer_ = 0;
  scrollDirection_ = 0;
}

void TPopupMenuWindow::OpenSubmenu(int Index) {
  if (!menu_ || Index < 0 || Index >= ItemCount()) return;
  TMenuItem* item = Item(Index);
  if (!item->Enabled() || item->Count() == 0) return;
  if (sub_ && sub_->parent_ == item && sub_->Showing()) return;
  CloseSubmenu();
  sub_ = std::make_unique<TPopupMenuWindow>(menu_, item);
  sub_->LayoutBeside(ItemRect(Index), leftward_);
  sub_->ShowNoActivate();
  sub_->Invalidate();
}

void TPopupMenuWindow::CloseSubmenu() {
  if (!sub_) return;
  // The submenu may be the window whose handler runs this: it goes once that has returned.
  Dismiss(sub_);
}

void TPopupMenuWindow::SetHot(int Index) {
  if (!menu_) return;
  if (Index >= 0 && !Item(Index)->Enabled()) Index = -1;
  if (Index == hot_) return;
  hot_ = Index;
  Invalidate();
}

void TPopupMenuWindow::MouseDown(rtl::TMouseButton, rtl::TShiftState, int X, int Y) {
  if (!menu_) return;
  if (const int arrow = ArrowAt(Y); arrow != 0 && X >= 0 && X < Width()) {
    ScrollBy(arrow);
    return;
  }
  if (ItemAt(X, Y) < 0) menu_->CloseMenu();
}

void TPopupMenuWindow::MouseMove(rtl::TShiftState, int X, int Y) {
  if (!menu_) return;
  const int arrow = X >= 0 && X < Width() ? ArrowAt(Y) : 0;
  if (arrow != 0)
    StartScrolling(arrow);
  else
    StopScrolling();
  const int i = ItemAt(X, Y);
  SetHot(i);
  // Pointing at an item opens its submenu, or closes the one another item opened.
  if (i >= 0 && Item(i)->Count() > 0)
    OpenSubmenu(i);
  else if (i >= 0)
    CloseSubmenu();
}

void TPopupMenuWindow::MouseUp(rtl::TMouseButton Button, rtl::TShiftState, int X, int Y) {
  if (Button != rtl::mbLeft || !menu_) return;
  const int i = ItemAt(X, Y);
  if (i < 0 || !Item(i)->Enabled()) return;
  if (Item(i)->Count() > 0)
    OpenSubmenu(i);
  else
    menu_->ItemChosen(Item(i));
}

bool TPopupMenuWindow::DoMouseWheel(rtl::TShiftState, int WheelDelta, const TPoint&) {
  if (!scrolls_) return false;
  ScrollBy(WheelDelta > 0 ? -3 : 3);
  return true;
}

LRESULT TPopupMenuWindow::WndProc(MSG& Message) {
  // A press in a menu leaves the activation (and the window system's keyboard focus) with the
  // window the menu came from: the menu has that window's keys while it is open.
  if (Message.message == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
  // The mouse leaving the window ends a scroll its arrow started.
  if (Message.message == CM_MOUSELEAVE) StopScrolling();
  if (menu_ && Message.message == WM_KEYDOWN) {
    // The innermost open submenu takes the keys.
    if (sub_ && sub_->Showing()) return sub_->WndProc(Message);
    const int n = ItemCount();
    switch (Message.wParam) {
      case VK_ESCAPE:
      case VK_LEFT:
        if (parent_ || Message.wParam == VK_ESCAPE) {
          // A submenu closes alone; the menu's own window closes the menu.
          if (!parent_) {
            menu_->CloseMenu();
          } else {
            Hide();
          }
        }
        return 0;
      case VK_RIGHT:
        OpenSubmenu(hot_);
        return 0;
      case VK_RETURN:
        if (hot_ >= 0) {
          if (Item(hot_)->Count() > 0)
            OpenSubmenu(hot_);
          else
            menu_->ItemChosen(Item(hot_));
        }
        return 0;
      case VK_UP:
      case VK_DOWN: {
        // The next enabled item in that direction, round the list.
        const int step = Message.wParam == VK_UP ? -1 : 1;
        int i = hot_;
        for (int k = 0; k < n; ++k) {
          i = ((i < 0 && step < 0 ? 0 : i) + step + n) % n;
          if (Item(i)->Enabled()) {
            SetHot(i);
            ScrollIntoView(i);
            break;
          }
        }
        return 0;
      }
      default: break;
    }
  }
  return TCustomForm::WndProc(Message);
}

void TPopupMenuWindow::PaintHandler() {
  TakeUpdateRegion();
  if (!menu_) return;
  std::unique_ptr<gfx2d::Image> image(gfx2d::Image::FromPixels(FrameBits(), Width(), Height()));
  if (!image) return;
  {
    gfx2d::Graphics g(*image);
    const auto w = static_cast<float>(Width()), h = static_cast<float>(Height());
    g.FillRectangle(gfx2d::SolidBrush(MenuBack), {0, 0, w, h});
    const gfx2d::SolidBrush frameBrush(MenuFrame);
    g.DrawRectangle(gfx2d::Pen(&frameBrush), {0.5f, 0.5f, w - 1, h - 1});
    const int first = scrolls_ ? top_ : 0;
    const int shown = scrolls_ ? rows_ : ItemCount();
    const int offset = scrolls_ ? 1 : 0;
    for (int i = first; i < first + shown && i < ItemCount(); ++i) {
      const TMenuItem* item = Item(i);
      const gfx2d::RectF row{1, static_cast<float>(1 + (i - first + offset) * ItemHeight), w - 2,
                             static_cast<float>(ItemHeight)};
      if (i == hot_) g.FillRectangle(gfx2d::SolidBrush(MenuHot), row);
      const std::uint32_t colour = !item->Enabled() ? MenuDisabledText : i == hot_ ? MenuHotText : MenuText;
      if (item->Checked())
        g.DrawString(u"\u2713", MenuFont(), {2, row.Y, TextMargin - 2.0f, row.Height}, CaptionFormat(),
                     gfx2d::SolidBrush(colour));
      g.DrawString(item->Caption(), MenuFont(), {TextMargin - 1.0f, row.Y, row.Width, row.Height}, CaptionFormat(),
                   gfx2d::SolidBrush(colour));
      if (item->Count() > 0)
        g.DrawString(u"\u25B8", MenuFont(), {w - TextMargin, row.Y, TextMargin - 2.0f, row.Height}, CaptionFormat(),
                     gfx2d::SolidBrush(colour));
    }
    if (scrolls_) {
      // The arrows, greyed where the list ends.
      const gfx2d::StringFormat centred = [] {
        gfx2d::StringFormat f = CaptionFormat();
        f.Align = gfx2d::StringAlignment::Center;
        return f;
      }();
      const auto arrowRow = [&](int Row, const char16_t* Arrow, bool Live) {
        g.DrawString(Arrow, MenuFont(), {1, static_cast<float>(1 + Row * ItemHeight), w - 2, ItemHeight}, centred,
                     gfx2d::SolidBrush(Live ? MenuText : MenuDisabledText));
      };
      arrowRow(0, u"\u25B2", top_ > 0);
      arrowRow(rows_ + 1, u"\u25BC", top_ + rows_ < ItemCount());
    }
  }
  image->Flush();
  Present({ClientRect()});
}

// ---- TPopupMenu -----------------------------------------------------------------------------

rtl::TClass TPopupMenu::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TPopupMenu>().Build();
  return &info;
}

TPopupMenu::TPopupMenu(rtl::TComponent* AOwner) : rtl::TComponent(AOwner) {}

TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::BeforeDestruction() {
  if (window_) Dismiss(window_);
  if (openMenu == this) {
    openMenu = nullptr;
    UpdateTextInput();
  }
  if (popupComponent_) popupComponent_->RemoveFreeNotification(this);
  popupComponent_ = nullptr;
  inherited::BeforeDestruction();
}

TMenuItem* TPopupMenu::Add(const std::u16string& Caption, rtl::TNotifyEvent OnClick) {
  auto item = std::make_unique<TMenuItem>(this);
  item->SetCaption(Caption);
  item->OnClick = std::move(OnClick);
  items_.push_back(item.get());
  return item.release();
}

TMenuItem* TPopupMenu::Find(const std::u16string& Caption) const {
  for (TMenuItem* i : items_)
    if (i->Caption() == Caption) return i;
  return nullptr;
}

void TPopupMenu::SetPopupComponent(rtl::TComponent* Value) {
  if (Value == popupComponent_) return;
  if (popupComponent_) popupComponent_->RemoveFreeNotification(this);
  popupComponent_ = Value;
  if (Value) Value->FreeNotification(this);
}

void TPopupMenu::Popup(int X, int Y) {
  if (openMenu && openMenu != this) openMenu->CloseMenu();
  OnPopup(this);
  if (!window_) window_ = std::make_unique<TPopupMenuWindow>(this);
  window_->Layout(X, Y);
  window_->ShowNoActivate();
  window_->Invalidate();
  openMenu = this;
  // The keys are the menu's: no input method takes them meanwhile.
  UpdateTextInput();
}

void TPopupMenu::CloseMenu() {
  if (window_) {
    window_->CloseSubmenu();
    if (window_->Showing()) window_->Hide();
  }
  if (openMenu != this) return;
  openMenu = nullptr;
  UpdateTextInput();
}

bool TPopupMenu::IsOpen() const { return window_ && window_->Showing(); }

TPopupMenu* OpenPopupMenu() { return openMenu && openMenu->IsOpen() ? openMenu : nullptr; }

void CloseMenuOutside(const TCustomForm* Form) {
  TPopupMenu* menu = OpenPopupMenu();
  if (!menu) return;
  const auto* window = dynamic_cast<const TPopupMenuWindow*>(Form);
  if (!window || window->Menu() != menu) menu->CloseMenu();
}

void TPopupMenu::ItemChosen(int Index) {
  if (Index < 0 || Index >= Count()) return;
  ItemChosen(items_[static_cast<std::size_t>(Index)]);
}

void TPopupMenu::ItemChosen(TMenuItem* Item) {
  if (!Item) return;
  CloseMenu();
  Item->Click();
}

void TPopupMenu::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != rtl::opRemove) return;
  if (AComponent == popupComponent_) popupComponent_ = nullptr;
  items_.erase(std::remove(items_.begin(), items_.end(), AComponent), items_.end());
}

}  // namespace win
