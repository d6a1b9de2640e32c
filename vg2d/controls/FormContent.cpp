#include "vg2d/controls/FormContent.h"

#include "platform/rtl/Streams.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "vg2d/core/Registry.h"
#include "vg2d/core/SceneControl.h"

namespace vg {

TvxVisualObject* LoadFormContent(win::TForm* Form, const char* ResourceName, bool Transparent, TvxScene*& Scene) {
  Scene = new TvxScene(Form);
  Scene->SetTransparency(Transparent);
  Scene->SetParent(Form);
  Scene->SetAlign(win::alClient);
  rtl::TResourceStream text(ResourceName);
  rtl::TComponent* made = ReadObjectFromText(Form, &text, std::string("The content ") + ResourceName);
  auto* root = dynamic_cast<TvxVisualObject*>(made);
  if (!root) {
    delete made;
    throw rtl::EReadError(std::string("The content ") + ResourceName + " is no visual object");
  }
  Scene->AddObject(root);
  root->SetAlign(vaClient);
  // The window's keys go to the scene, which hands them to its focused object.
  Form->SetActiveControl(Scene);
  return root;
}

void PlaceOverActiveForm(win::TForm* Form) {
  const win::TCustomForm* over = win::ActiveForm();
  if (!over || over == Form) return;
  const int left = over->Left() + (over->Width() - Form->Width()) / 2;
  const int top = over->Top() + (over->Height() - Form->Height()) / 2;
  // A small window near the screen's edge would push the dialog off it.
  const win::TRect r = win::KeepOnScreen({left, top, left + Form->Width(), top + Form->Height()});
  Form->SetBounds(r.Left, r.Top, Form->Width(), Form->Height());
}

}  // namespace vg
