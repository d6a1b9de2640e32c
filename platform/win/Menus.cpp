#include "platform/win/Menus.h"

#include <algorithm>
#include <cmath>

#include "platform/gfx2d/Graphics.h"

namespace win {

namespace {

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

// ---- TPopupMenuWindow -----------------------------------------------------------------------

rtl::TClass TPopupMenuWindow::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TPopupMenuWindow>().Build();
  return &info;
}

TPopupMenuWindow::TPopupMenuWindow(TPopupMenu* Menu) : TCustomForm(nullptr), menu_(Menu) {
  SetBorderStyle(bsNone);
  SetFormStyle(fsStayOnTop);
  SetColor(MenuBack);
}

int TPopupMenuWindow::ItemAt(int X, int Y) const {
  if (!menu_ || X < 0 || X >= Width() || Y < 1) return -1;
  const int i = (Y - 1) / ItemHeight;
  return i < menu_->Count() ? i : -1;
}

void TPopupMenuWindow::Layout(int X, int Y) {
  if (!menu_) return;
  std::uint32_t pixel = 0;
  std::unique_ptr<gfx2d::Image> scratch(gfx2d::Image::FromPixels(&pixel, 1, 1));
  float widest = 0;
  if (scratch) {
    gfx2d::Graphics g(*scratch);
    for (int i = 0; i < menu_->Count(); ++i) {
      gfx2d::RectF bounds;
      if (g.MeasureString(menu_->Items(i)->Caption(), MenuFont(), {0, 0, 10000, ItemHeight}, CaptionFormat(), bounds))
        widest = std::max(widest, bounds.Width);
    }
  }
  const int width = static_cast<int>(std::ceil(widest)) + 2 * TextMargin;
  hot_ = -1;
  SetBounds(X, Y, std::max(width, 2 * TextMargin), std::max(1, menu_->Count()) * ItemHeight + 2);
}

void TPopupMenuWindow::SetHot(int Index) {
  if (!menu_) return;
  if (Index >= 0 && !menu_->Items(Index)->Enabled()) Index = -1;
  if (Index == hot_) return;
  hot_ = Index;
  Invalidate();
}

void TPopupMenuWindow::MouseDown(rtl::TMouseButton, rtl::TShiftState, int X, int Y) {
  if (menu_ && ItemAt(X, Y) < 0) menu_->CloseMenu();
}

void TPopupMenuWindow::MouseMove(rtl::TShiftState, int X, int Y) { SetHot(ItemAt(X, Y)); }

void TPopupMenuWindow::MouseUp(rtl::TMouseButton Button, rtl::TShiftState, int X, int Y) {
  if (Button != rtl::mbLeft) return;
  const int i = ItemAt(X, Y);
  if (i >= 0 && menu_->Items(i)->Enabled()) menu_->ItemChosen(i);
}

LRESULT TPopupMenuWindow::WndProc(MSG& Message) {
  if (menu_ && Message.message == WM_KEYDOWN) {
    const int n = menu_->Count();
    switch (Message.wParam) {
      case VK_ESCAPE: menu_->CloseMenu(); return 0;
      case VK_RETURN:
        if (hot_ >= 0) menu_->ItemChosen(hot_);
        return 0;
      case VK_UP:
      case VK_DOWN: {
        // The next enabled item in that direction, round the list.
        const int step = Message.wParam == VK_UP ? -1 : 1;
        int i = hot_;
        for (int k = 0; k < n; ++k) {
          i = ((i < 0 && step < 0 ? 0 : i) + step + n) % n;
          if (menu_->Items(i)->Enabled()) {
            SetHot(i);
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
    for (int i = 0; i < menu_->Count(); ++i) {
      const TMenuItem* item = menu_->Items(i);
      const gfx2d::RectF row{1, static_cast<float>(1 + i * ItemHeight), w - 2, static_cast<float>(ItemHeight)};
      if (i == hot_) g.FillRectangle(gfx2d::SolidBrush(MenuHot), row);
      const std::uint32_t colour = !item->Enabled() ? MenuDisabledText : i == hot_ ? MenuHotText : MenuText;
      if (item->Checked())
        g.DrawString(u"\u2713", MenuFont(), {2, row.Y, TextMargin - 2.0f, row.Height}, CaptionFormat(),
                     gfx2d::SolidBrush(colour));
      g.DrawString(item->Caption(), MenuFont(), {TextMargin - 1.0f, row.Y, row.Width, row.Height}, CaptionFormat(),
                   gfx2d::SolidBrush(colour));
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
  if (window_) {
    window_->Detach();
    window_->Hide();
    window_.release()->Release();
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
  OnPopup(this);
  if (!window_) window_ = std::make_unique<TPopupMenuWindow>(this);
  window_->Layout(X, Y);
  window_->ShowNoActivate();
  window_->Invalidate();
}

void TPopupMenu::CloseMenu() {
  if (window_ && window_->Showing()) window_->Hide();
}

bool TPopupMenu::IsOpen() const { return window_ && window_->Showing(); }

void TPopupMenu::ItemChosen(int Index) {
  if (Index < 0 || Index >= Count()) return;
  TMenuItem* item = items_[static_cast<std::size_t>(Index)];
  CloseMenu();
  item->Click();
}

void TPopupMenu::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != rtl::opRemove) return;
  if (AComponent == popupComponent_) popupComponent_ = nullptr;
  items_.erase(std::remove(items_.begin(), items_.end(), AComponent), items_.end());
}

}  // namespace win
