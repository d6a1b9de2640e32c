#include "serial/setup/CPortSetup.h"

#include <libintl.h>

#include <functional>
#include <memory>

#include "platform/rtl/CodePage.h"
#include "serial/setup/CPortCtl.h"
#include "serial_setup_resources.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/FormContent.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Registry.h"
#include "vg2d/core/SceneControl.h"

namespace cport {

namespace {

constexpr const char* What = "port settings dialog";
constexpr const char* Domain = "cport";
const TComProperty Kinds[6] = {cpPort, cpBaudRate, cpDataBits, cpStopBits, cpParity, cpFlowControl};

// Texts of the tree under O, but not the port combo boxes' (their items are data).
void TranslateTree(vg::TvxObject* O, const std::function<std::u16string(const std::u16string&)>& Translate) {
  if (dynamic_cast<TComComboBox*>(O)) return;
  if (auto* t = dynamic_cast<vg::TvxTextControl*>(O)) t->SetText(Translate(t->Text()));
  for (vg::TvxObject* child : O->Children()) TranslateTree(child, Translate);
}

std::u16string Translated(const std::u16string& Text) {
  if (Text.empty()) return Text;
  return rtl::Utf8ToWide(::dgettext(Domain, rtl::WideToUtf8(Text).c_str()));
}

}  // namespace

rtl::TClass TComSetupFrm::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TComSetupFrm>().Build();
  return &info;
}

TComSetupFrm::TComSetupFrm(rtl::TComponent* AOwner) : win::TForm(AOwner) {
  SetBorderStyle(win::bsNone);
  SetCaption("Setup");
  SetBounds(100, 40, ClientWidthPx, ClientHeightPx + TitleHeightPx);
  SetPosition(win::poScreenCenter);
  root_ = vg::LoadFormContent(this, ContentResourceName, true, scene_);
  window_ = dynamic_cast<vg::TvxHudWindow*>(root_);
  if (!window_) throw rtl::EReadError("The port settings dialog's content is no Hud window");
  for (int i = 0; i < 6; ++i)
    combos_[static_cast<std::size_t>(i)] = vg::NeedPart<TComComboBox>(root_, "Combo" + std::to_string(i + 1), What);
  ok_ = vg::NeedPart<vg::TvxButton>(root_, "Button1", What);
  cancel_ = vg::NeedPart<vg::TvxButton>(root_, "Button2", What);
  FormCreate();
}

void TComSetupFrm::FillLists() {
  for (int i = 0; i < 6; ++i) combos_[static_cast<std::size_t>(i)]->SetComProperty(Kinds[i]);
}

void TComSetupFrm::FormCreate() {
  SetCaption(rtl::WideToUtf8(Translated(rtl::Utf8ToWide(Caption()))));
  TranslateTree(root_, &Translated);
}

bool EditComPort(TCustomComPort* Port) {
  if (!Port) return false;
  auto form = std::make_unique<TComSetupFrm>(nullptr);
  form->FillLists();
  for (int i = 0; i < 6; ++i) form->Combo(i)->SetComPort(Port);
  for (int i = 0; i < 6; ++i) form->Combo(i)->UpdateSettings();
  vg::PlaceOverActiveForm(form.get());
  if (form->ShowModal() != win::mrOk) return false;
  Port->BeginUpdate();
  try {
    for (int i = 0; i < 6; ++i) form->Combo(i)->ApplySettings();
  } catch (...) {
    Port->EndUpdate();
    throw;
  }
  Port->EndUpdate();
  return true;
}

void SetupDialogStartup() {
  const rtl::TClass combo = rtl::ClassOf<TComComboBox>();
  if (rtl::GetClass(combo->Name) != combo) {
    vg::AddObjectClass("Ports", combo);
    rtl::RegisterClass(combo);
  }
  RegisterSerialSetupResources();
}

void SetupDialogShutdown() {
  // Nothing but this start-up registers the combo box class.
  const rtl::TClass combo = rtl::ClassOf<TComComboBox>();
  if (rtl::GetClass(combo->Name) == combo) rtl::UnRegisterClass(combo);
}

}  // namespace cport
