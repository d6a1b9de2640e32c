// The test text's parts, binding and handlers, used as a window uses them: this compiles.
#include <tuple>

#include "Test_Form.h"
#include "platform/rtl/TypInfo.h"
#include "tests/tools/formgen/TestClasses.h"

namespace app {

class TTestForm : public rtl::TComponent {
  RTL_CLASS(TTestForm, rtl::TComponent)
public:
  using TComponent::TComponent;
  void FormShow(rtl::TObject* Sender);
  void Button_OKClick(rtl::TObject* Sender);
  TTestFormParts Parts;
};

rtl::TClass TTestForm::StaticClass() {
  static const rtl::TClassInfo info = FormHandlers(rtl::DefineClass<TTestForm>()).Build();
  return &info;
}

void Use(TTestForm& Form, const TPartBinder& Bind) {
  BindFormParts(Bind, Form.Parts);
  // Panel_Row_1 and _2 are one array, typed by their class.
  static_assert(std::tuple_size_v<decltype(Form.Parts.Panel_Row)> == 2);
  TTestPanel* second = Form.Parts.Panel_Row[1];
  TTestLabel* title = Form.Parts.Label_Title;
  Form.Parts.Button_OK->Press();
  (void)second;
  (void)title;
}

}  // namespace app
