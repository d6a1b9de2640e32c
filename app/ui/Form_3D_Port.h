// The port window as the installer sees it. The window owns the link's side of it (the serial
// port, the link's timers and the automatic port search: TPortLink), which keeps what
// the window shows as plain state; this window draws that state. It stays hidden except while
// the search runs: then it stands over the middle of the main window with the main window's
// fill and shows either the search text ("Search_Port", "Finds_Port") beside its busy
// indicator, or the machine's ports, their number, the entry being tried and the progress.
// Its close (the close button) ends the search as the link side's FormClose does.
#pragma once

#include <memory>

#include "app/core/Port_View.h"
#include "app/ui/Window_3D.h"
#include "app/ui/forms/Form_3D_Port.h"

namespace app {

class TForm_3D_PortView : public TWindow_3D {
  RTL_CLASS(TForm_3D_PortView, TWindow_3D)
public:
  // Reads the window's text, binds its parts and makes the link's side (which installs itself
  // as the link's port for as long as it lives); hidden.
  static std::unique_ptr<TForm_3D_PortView> Create();
  ~TForm_3D_PortView() override;
  // The link's side goes first, while the window is whole.
  void BeforeDestruction() override;

  TPortLink* Link() const { return link_; }
  const TPortParts& Parts() const { return parts_; }

  // The search begins (the host's ShowPortWindow): over the middle of the main window, shown.
  void ShowSearch();
  // What the link's side holds now onto the controls (the host's PortWindowChanged).
  void ShowState();
  // The search has ended (the host's ClosePortWindow).
  void CloseSearch();
  // The search label keeps its own colour.
  void FontsApplied() override { ShowState(); }
  // The main window: it takes the keys back when this window hides.
  win::TCustomForm* PopupParent() const override;

  // Published handlers.
  // The main window's fill, and its fonts at the next queue tick (action 6, 100 ms).
  void FormShow(rtl::TObject* Sender);
  // The link's side closes: a search still running stops.
  void FormClose(rtl::TObject* Sender, win::TCloseAction& Action);

protected:
  // The texts of the current language (the link's side's FormActivate), each time the window
  // activates.
  void LookUpTexts() override;
  explicit TForm_3D_PortView(rtl::TComponent* AOwner);

private:
  TPortParts parts_;
  TPortLink* link_ = nullptr;
  bool closing_ = false;
};

}  // namespace app
