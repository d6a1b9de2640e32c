// The window layer's popup menu as a text box opens it: the window's size and place, the
// look of plain, disabled and lit items (a picture in /tmp for a look by eye), and the
// keys and presses that choose an item or close the menu.
#include <gtest/gtest.h>

#include <cairo.h>

#include <vector>

#include "ControlScene.h"
#include "platform/loop/Application.h"
#include "platform/win/Menus.h"

namespace {

// With the library started, as the program has it when a text box opens its menu (the
// drawing back end's font caches are released at the end).
class PopupMenus : public vgtest::ControlsTest {
protected:
  // Lets the window paint what it was asked to.
  static void Settle() { rtl::Application->ProcessMessages(); }
};

int Red(uint32_t P) { return static_cast<int>((P >> 16) & 0xFF); }
int Blue(uint32_t P) { return static_cast<int>(P & 0xFF); }

}  // namespace

TEST_F(PopupMenus, ItemsAreListedGreyedAndLitAndAnEnabledOneIsChosenOnce) {
  win::TPopupMenu menu(nullptr);
  std::vector<int> clicked;
  for (int i = 0; i < 3; ++i)
    menu.Add(i == 0   ? u"Cut"
             : i == 1 ? u"Paste"
                      : u"Select All",
             [&clicked, i](rtl::TObject*) { clicked.push_back(i); });
  menu.Items(1)->SetEnabled(false);
  int popups = 0;
  menu.OnPopup = [&](rtl::TObject*) { ++popups; };
  menu.Popup(100, 200);
  Settle();
  win::TPopupMenuWindow* w = menu.Window();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(popups, 1);
  EXPECT_TRUE(menu.IsOpen());
  EXPECT_EQ(w->Left(), 100);
  EXPECT_EQ(w->Top(), 200);
  const int row = win::TPopupMenuWindow::ItemHeight;
  EXPECT_EQ(w->Height(), 3 * row + 2);
  EXPECT_GT(w->Width(), 2 * win::TPopupMenuWindow::TextMargin);  // room for the longest caption
  // The mouse over the first item lights it; over the disabled one, nothing is lit.
  w->Perform(win::WM_MOUSEMOVE, 0, win::MakePointParam(10, 1 + row / 2));
  EXPECT_EQ(w->HotItem(), 0);
  Settle();
  // A picture of the open menu.
  std::vector<uint32_t> frame = w->PresentedFrame();
  ASSERT_EQ(frame.size(), static_cast<size_t>(w->Width() * w->Height()));
  cairo_surface_t* s = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(frame.data()),
                                                           CAIRO_FORMAT_RGB24, w->Width(), w->Height(), w->Width() * 4);
  EXPECT_EQ(cairo_surface_write_to_png(s, "/tmp/gascal_popup_menu.png"), CAIRO_STATUS_SUCCESS);
  cairo_surface_destroy(s);
  // The lit row is blue with white text; the others light grey with dark or grey text.
  EXPECT_GT(Blue(w->PresentedPixel(w->Width() - 4, 1 + row / 2)), 150);
  EXPECT_LT(Red(w->PresentedPixel(w->Width() - 4, 1 + row / 2)), 60);
  EXPECT_GT(Red(w->PresentedPixel(w->Width() - 4, 1 + row + row / 2)), 200);
  auto darkest = [&](int Row) {
    int d = 255;
    for (int x = win::TPopupMenuWindow::TextMargin; x < w->Width() - 4; ++x)
      for (int y = 1 + Row * row + 4; y < 1 + (Row + 1) * row - 4; ++y) d = std::min(d, Red(w->PresentedPixel(x, y)));
    return d;
  };
  EXPECT_LT(darkest(2), 60);   // enabled text: black
  EXPECT_GT(darkest(1), 100);  // disabled text: grey
  w->Perform(win::WM_MOUSEMOVE, 0, win::MakePointParam(10, 1 + row + row / 2));
  EXPECT_EQ(w->HotItem(), -1);
  // Releasing over the disabled item does nothing; over an enabled one it closes, then clicks.
  w->Perform(win::WM_LBUTTONUP, 0, win::MakePointParam(10, 1 + row + row / 2));
  EXPECT_TRUE(menu.IsOpen());
  EXPECT_TRUE(clicked.empty());
  w->Perform(win::WM_LBUTTONUP, 0, win::MakePointParam(10, 1 + 2 * row + row / 2));
  EXPECT_FALSE(menu.IsOpen());
  EXPECT_EQ(clicked, std::vector<int>{2});
  // Keys: Down skips the disabled item, Enter chooses; Escape closes without a click.
  menu.Popup(0, 0);
  w->Perform(win::WM_KEYDOWN, win::VK_DOWN, 0);
  EXPECT_EQ(w->HotItem(), 0);
  w->Perform(win::WM_KEYDOWN, win::VK_DOWN, 0);
  EXPECT_EQ(w->HotItem(), 2);
  w->Perform(win::WM_KEYDOWN, win::VK_RETURN, 0);
  EXPECT_EQ(clicked, (std::vector<int>{2, 2}));
  menu.Popup(0, 0);
  w->Perform(win::WM_KEYDOWN, win::VK_ESCAPE, 0);
  EXPECT_FALSE(menu.IsOpen());
  // A press outside the items closes the menu too.
  menu.Popup(0, 0);
  w->Perform(win::WM_LBUTTONDOWN, 0, win::MakePointParam(10, w->Height() + 5));
  EXPECT_FALSE(menu.IsOpen());
  EXPECT_EQ(clicked.size(), 2u);
  // An item freed by its owner leaves the menu.
  delete menu.Items(1);
  EXPECT_EQ(menu.Count(), 2);
  EXPECT_EQ(menu.Find(u"Paste"), nullptr);
}

TEST_F(PopupMenus, AnItemMayFreeItsMenuAndTheWindowGoesLater) {
  auto* menu = new win::TPopupMenu(nullptr);
  bool ran = false;
  menu->Add(u"Close", [&](rtl::TObject*) {
    ran = true;
    delete menu;
  });
  menu->Popup(5, 5);
  win::TPopupMenuWindow* w = menu->Window();
  w->Perform(win::WM_LBUTTONUP, 0, win::MakePointParam(10, 1 + win::TPopupMenuWindow::ItemHeight / 2));
  EXPECT_TRUE(ran);
  // The window outlived its handler and is hidden; it does nothing more.
  EXPECT_FALSE(w->Showing());
  w->Perform(win::WM_KEYDOWN, win::VK_RETURN, 0);
  EXPECT_EQ(w->ItemAt(10, 5), -1);
}
