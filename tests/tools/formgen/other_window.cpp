// must not compile: no matching function for call to.*FormHandlers
// The text's handlers are published on its own window class only, not on another that
// happens to have methods of the same names.
#include "Test_Form.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/TypInfo.h"

namespace app {

class TOtherForm : public rtl::TComponent {
  RTL_CLASS(TOtherForm, rtl::TComponent)
public:
  using TComponent::TComponent;
  void FormShow(rtl::TObject* Sender);
  void Button_OKClick(rtl::TObject* Sender);
};

rtl::TClass TOtherForm::StaticClass() {
  static const rtl::TClassInfo info = FormHandlers(rtl::DefineClass<TOtherForm>()).Build();
  return &info;
}

}  // namespace app
