// must not compile: Button_OKClick.* is not a member|no member named.*Button_OKClick
// The text binds OnClick to Button_OKClick, which the window class does not have.
#include "Test_Form.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/TypInfo.h"

namespace app {

class TTestForm : public rtl::TComponent {
  RTL_CLASS(TTestForm, rtl::TComponent)
public:
  using TComponent::TComponent;
  void FormShow(rtl::TObject* Sender);
  void Button_OkClick(rtl::TObject* Sender);
};

rtl::TClass TTestForm::StaticClass() {
  static const rtl::TClassInfo info = FormHandlers(rtl::DefineClass<TTestForm>()).Build();
  return &info;
}

}  // namespace app
