// The window layer's popup menu as a text box opens it: the window's size and place, the
// look of plain, disabled and lit items (a picture in /tmp for a look by eye), the keys and
// presses that choose an item or close the menu, and the keys of the program's windows, which
// the open menu has.
#include <gtest/gtest.h>

#include <SDL.h>
#include <cairo.h>

#include <memory>
#include <string>
#include <vector>

#include "ControlScene.h"
#include "platform/loop/Application.h"
#include "platform/rtl/CodePage.h"
#include "platform/win/Display.h"
#include "platform/win/InputMethod.h"
#include "platform/win/Menus.h"

namespace popup_menu_test {

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

// A form that takes text and records the characters it is sent.
class TypingForm : public win::TForm {
public:
  TypingForm() : win::TForm(nullptr) {
    SetBorderStyle(win::bsNone);
    SetBounds(200, 150, 300, 200);
  }
  std::u16string chars;
  win::LRESULT WndProc(win::MSG& M) override {
    if (M.message == win::CM_WANTTEXTINPUT) return 1;
    if (M.message == win::WM_CHAR) chars += static_cast<char16_t>(M.wParam);
    return win::TForm::WndProc(M);
  }
};

// While a menu is open it has the keys and the typed text of the program's windows without taking
// the activation, and no input method takes them; a press in it leaves the activation where it
// was, a press in another window closes it, and the window has its keys again. Opening a menu
// closes the one that is open.
TEST_F(PopupMenus, AnOpenMenuHasTheKeysWithoutTheActivationUntilAPressOutsideClosesIt) {
  auto owned = std::make_unique<TypingForm>();
  TypingForm& form = *owned;
  form.Show();
  ASSERT_EQ(win::ActiveForm(), &form);
  ASSERT_TRUE(win::TextInputActive());
  win::TPopupMenu menu(nullptr);
  std::vector<int> clicked;
  for (int i = 0; i < 3; ++i) menu.Add(u"Item", [&clicked, i](rtl::TObject*) { clicked.push_back(i); });
  menu.Popup(250, 180);
  win::TPopupMenuWindow* w = menu.Window();
  EXPECT_EQ(win::OpenPopupMenu(), &menu);
  EXPECT_EQ(win::ActiveForm(), &form);
  EXPECT_FALSE(win::TextInputActive()) << "an input method could take the menu's keys";
  win::SimulateKeyStroke(&form, SDLK_z);
  win::SimulateText(&form, "z");
  win::SimulateKeyStroke(&form, SDLK_DOWN);
  win::SimulateKeyStroke(&form, SDLK_DOWN);
  EXPECT_EQ(form.chars, u"");
  EXPECT_EQ(w->HotItem(), 1);
  // A press on the first item chooses it; the activation never left the form.
  const int row = win::TPopupMenuWindow::ItemHeight;
  win::SimulateMouseButton(w, rtl::mbLeft, true, 10, 1 + row / 2);
  EXPECT_EQ(win::ActiveForm(), &form);
  win::SimulateMouseButton(w, rtl::mbLeft, false, 10, 1 + row / 2);
  EXPECT_EQ(clicked, std::vector<int>{0});
  EXPECT_FALSE(menu.IsOpen());
  EXPECT_EQ(win::OpenPopupMenu(), nullptr);
  EXPECT_TRUE(win::TextInputActive());
  win::SimulateText(&form, "a");
  EXPECT_EQ(form.chars, u"a");

  // Escape closes it; so does a press in the form, which then has the keys.
  menu.Popup(250, 180);
  win::SimulateKeyStroke(&form, SDLK_ESCAPE);
  EXPECT_FALSE(menu.IsOpen());
  EXPECT_EQ(form.chars, u"a") << "the Escape that closed the menu reached the form";
  menu.Popup(250, 180);
  win::SimulateMouseButton(&form, rtl::mbLeft, true, 5, 5);
  win::SimulateMouseButton(&form, rtl::mbLeft, false, 5, 5);
  EXPECT_FALSE(menu.IsOpen()) << "a press outside left the menu open";
  win::SimulateText(&form, "b");
  EXPECT_EQ(form.chars, u"ab");

  // One menu is open at a time.
  win::TPopupMenu other(nullptr);
  other.Add(u"Other");
  menu.Popup(250, 180);
  other.Popup(260, 190);
  EXPECT_FALSE(menu.IsOpen());
  EXPECT_EQ(win::OpenPopupMenu(), &other);
  win::SimulateKeyStroke(&form, SDLK_ESCAPE);
  EXPECT_EQ(win::OpenPopupMenu(), nullptr);
  EXPECT_EQ(clicked, std::vector<int>{0});
}

TEST_F(PopupMenus, AMenuThatDoesNotFitBelowOrRightOfItsPointOpensAboveOrLeftOfIt) {
  const win::TRect a = win::ScreenWorkArea();
  win::TPopupMenu menu(nullptr);
  for (const char16_t* c : {u"Cut", u"Copy", u"Paste", u"Delete", u"Select All"}) menu.Add(c);
  menu.Popup(a.Left + 40, a.Top + 30);
  win::TPopupMenuWindow* w = menu.Window();
  EXPECT_EQ(w->Left(), a.Left + 40);
  EXPECT_EQ(w->Top(), a.Top + 30);
  // At the bottom right corner: above and left of the point, its corner on it.
  menu.Popup(a.Right - 5, a.Bottom - 5);
  EXPECT_EQ(w->Left(), a.Right - 5 - w->Width());
  EXPECT_EQ(w->Top(), a.Bottom - 5 - w->Height());
  // Low but too tall for the room above too: moved up just enough.
  win::TPopupMenu tall(nullptr);
  const int rows = (a.Height() - 2) / win::TPopupMenuWindow::ItemHeight - 1;
  for (int i = 0; i < rows; ++i) tall.Add(u"Item " + rtl::Utf8ToWide(std::to_string(i)));
  tall.Popup(a.Left + 10, a.Top + a.Height() / 2);
  win::TPopupMenuWindow* t = tall.Window();
  EXPECT_FALSE(t->Scrolls());
  EXPECT_EQ(t->Height(), rows * win::TPopupMenuWindow::ItemHeight + 2);
  EXPECT_EQ(t->Top() + t->Height(), a.Bottom);
  EXPECT_EQ(t->Left(), a.Left + 10);
  tall.CloseMenu();
  menu.CloseMenu();
}

TEST_F(PopupMenus, AMenuTallerThanTheScreenIsCutToItAndEveryItemCanBeReachedAndChosen) {
  const win::TRect a = win::ScreenWorkArea();
  const int row = win::TPopupMenuWindow::ItemHeight;
  win::TPopupMenu menu(nullptr);
  const int count = a.Height() / row + 20;
  std::vector<int> clicked;
  for (int i = 0; i < count; ++i)
    menu.Add(u"Class " + rtl::Utf8ToWide(std::to_string(i)), [&clicked, i](rtl::TObject*) { clicked.push_back(i); });
  menu.Popup(a.Left + 20, a.Bottom - 100);
  Settle();
  win::TPopupMenuWindow* w = menu.Window();
  ASSERT_TRUE(w->Scrolls());
  EXPECT_EQ(w->Top() + w->Height(), a.Bottom) << "no room below or above the point: moved in";
  EXPECT_LE(w->Height(), a.Height());
  EXPECT_GT(w->Height(), a.Height() - 4 * row);
  const int shown = w->VisibleItems();
  EXPECT_EQ(w->Height(), (shown + 2) * row + 2) << "an arrow row above and below the items";
  EXPECT_EQ(w->TopItem(), 0);
  // The first row is the upper arrow; the first item follows it.
  EXPECT_EQ(w->ItemAt(10, 1 + row / 2), -1);
  EXPECT_EQ(w->ItemAt(10, 1 + row + row / 2), 0);
  // The wheel scrolls to the end, and no further.
  for (int i = 0; i < count; ++i) w->Perform(win::WM_MOUSEWHEEL, static_cast<win::WPARAM>(-120 & 0xFFFF) << 16, 0);
  EXPECT_EQ(w->TopItem(), count - shown);
  EXPECT_EQ(w->ItemAt(10, 1 + shown * row + row / 2), count - 1);
  // The last item is chosen with the mouse.
  w->Perform(win::WM_LBUTTONUP, 0, win::MakePointParam(10, 1 + shown * row + row / 2));
  EXPECT_EQ(clicked, std::vector<int>{count - 1});
  // The mouse resting on the lower arrow scrolls down step by step; a press on the upper
  // one scrolls up one item.
  menu.Popup(a.Left + 20, a.Top);
  EXPECT_EQ(w->TopItem(), 0);
  w->Perform(win::WM_MOUSEMOVE, 0, win::MakePointParam(10, w->Height() - row / 2));
  for (int i = 0; i < 10; ++i) {
    clock.Advance(100);
    Settle();
  }
  const int scrolled = w->TopItem();
  EXPECT_GE(scrolled, 8);
  w->Perform(win::WM_MOUSEMOVE, 0, win::MakePointParam(10, w->Height() / 2));
  for (int i = 0; i < 10; ++i) {
    clock.Advance(100);
    Settle();
  }
  EXPECT_EQ(w->TopItem(), scrolled) << "scrolling stops when the mouse leaves the arrow";
  w->Perform(win::WM_LBUTTONDOWN, 0, win::MakePointParam(10, row / 2));
  EXPECT_EQ(w->TopItem(), scrolled - 1);
  // Keys bring the lit item into view: Up from none lights the last one.
  w->Perform(win::WM_MOUSEMOVE, 0, win::MakePointParam(-5, w->Height() / 2));
  ASSERT_EQ(w->HotItem(), -1);
  w->Perform(win::WM_KEYDOWN, win::VK_UP, 0);
  EXPECT_EQ(w->HotItem(), count - 1);
  EXPECT_EQ(w->TopItem(), count - shown);
  w->Perform(win::WM_KEYDOWN, win::VK_DOWN, 0);
  EXPECT_EQ(w->HotItem(), 0);
  EXPECT_EQ(w->TopItem(), 0);
  w->Perform(win::WM_KEYDOWN, win::VK_RETURN, 0);
  EXPECT_EQ(clicked, (std::vector<int>{count - 1, 0}));
  Settle();
}

TEST_F(PopupMenus, ASubmenuOpensBesideItsItemWhileItsMenuStaysOpen) {
  const win::TRect a = win::ScreenWorkArea();
  const int row = win::TPopupMenuWindow::ItemHeight;
  win::TPopupMenu menu(nullptr);
  std::vector<std::string> clicked;
  menu.Add(u"Delete", [&](rtl::TObject*) { clicked.push_back("Delete"); });
  win::TMenuItem* add = menu.Add(u"Add object");
  for (const char* c : {"Controls", "Shapes"}) {
    win::TMenuItem* category = add->Add(rtl::Utf8ToWide(c));
    for (int i = 0; i < 3; ++i) {
      const std::string name = std::string(c) + " " + std::to_string(i);
      category->Add(rtl::Utf8ToWide(name), [&clicked, name](rtl::TObject*) { clicked.push_back(name); });
    }
  }
  menu.Popup(a.Left + 100, a.Top + 50);
  Settle();
  win::TPopupMenuWindow* w = menu.Window();
  // Pointing at "Add object" opens its items right of its row, the first level with it.
  w->Perform(win::WM_MOUSEMOVE, 0, win::MakePointParam(10, 1 + row + row / 2));
  win::TPopupMenuWindow* sub = w->Submenu();
  ASSERT_NE(sub, nullptr);
  EXPECT_TRUE(sub->Showing());
  EXPECT_TRUE(w->Showing()) << "the menu stays open";
  EXPECT_EQ(sub->Left(), w->Left() + w->Width());
  EXPECT_EQ(sub->Top(), w->Top() + row);
  EXPECT_EQ(sub->ItemCount(), 2);
  // And its "Shapes" one level further; a command there closes every level, then runs.
  sub->Perform(win::WM_MOUSEMOVE, 0, win::MakePointParam(10, 1 + row + row / 2));
  win::TPopupMenuWindow* shapes = sub->Submenu();
  ASSERT_NE(shapes, nullptr);
  EXPECT_EQ(shapes->Left(), sub->Left() + sub->Width());
  EXPECT_EQ(shapes->Top(), sub->Top() + row);
  shapes->Perform(win::WM_LBUTTONUP, 0, win::MakePointParam(10, 1 + 2 * row + row / 2));
  EXPECT_EQ(clicked, std::vector<std::string>{"Shapes 2"});
  EXPECT_FALSE(menu.IsOpen());
  EXPECT_FALSE(shapes->Showing());
  Settle();
  // Pointing at a command closes the submenu another item opened; Escape closes only the
  // innermost level.
  menu.Popup(a.Left + 100, a.Top + 50);
  w->Perform(win::WM_MOUSEMOVE, 0, win::MakePointParam(10, 1 + row + row / 2));
  ASSERT_NE(w->Submenu(), nullptr);
  w->Perform(win::WM_MOUSEMOVE, 0, win::MakePointParam(10, 1 + row / 2));
  EXPECT_EQ(w->Submenu(), nullptr);
  EXPECT_EQ(w->HotItem(), 0);
  w->Perform(win::WM_KEYDOWN, win::VK_DOWN, 0);
  w->Perform(win::WM_KEYDOWN, win::VK_RIGHT, 0);
  ASSERT_NE(w->Submenu(), nullptr);
  EXPECT_TRUE(w->Submenu()->Showing());
  w->Perform(win::WM_KEYDOWN, win::VK_ESCAPE, 0);
  EXPECT_FALSE(w->Submenu()->Showing());
  EXPECT_TRUE(menu.IsOpen());
  Settle();
  // Near the right edge the submenu opens left of the menu, and its own submenu goes on to
  // the left rather than back over the menu.
  menu.Popup(a.Right - 10, a.Top + 50);
  EXPECT_EQ(w->Left() + w->Width(), a.Right - 10);
  w->Perform(win::WM_MOUSEMOVE, 0, win::MakePointParam(10, 1 + row + row / 2));
  sub = w->Submenu();
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(sub->Left() + sub->Width(), w->Left());
  sub->Perform(win::WM_MOUSEMOVE, 0, win::MakePointParam(10, 1 + row / 2));
  ASSERT_NE(sub->Submenu(), nullptr);
  EXPECT_EQ(sub->Submenu()->Left() + sub->Submenu()->Width(), sub->Left());
  menu.CloseMenu();
  EXPECT_FALSE(sub->Showing());
  Settle();
}

}  // namespace popup_menu_test
