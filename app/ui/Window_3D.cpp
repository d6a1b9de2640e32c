#include "app/ui/Window_3D.h"

#include <algorithm>

#include "app/core/Model.h"
#include "app/core/Window_Texts.h"
#include "app/ui/Window_Page.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/ObjectText.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TypInfo.h"
#include "scene3d/ObjectLayer.h"
#include "scene3d/SceneControl.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/core/VisualObjects.h"

namespace app {

namespace {

// Where the reader got to, as a problem report says it: the text's line, the component's
// class and the property.
std::string PlaceOf(const rtl::TReader& Reader, const std::vector<rtl::TTextPlace>& Places) {
  const bool inProperty = Reader.PropertyOffset() > Reader.ComponentOffset();
  const int64_t offset = inProperty ? Reader.PropertyOffset() : Reader.ComponentOffset();
  const int line = offset < 0 ? 0 : rtl::TextLineAt(Places, offset);
  std::string place = line > 0 ? "Line " + std::to_string(line) : std::string("At the start");
  if (!Reader.ComponentClass().empty()) place += ", " + Reader.ComponentClass();
  if (inProperty) place += ", property " + Reader.PropertyPath();
  return place;
}

template <class T>
T* FirstOf(rtl::TComponent* Owner) {
  for (int i = 0; i < Owner->ComponentCount(); ++i)
    if (auto* c = dynamic_cast<T*>(Owner->Components(i))) return c;
  return nullptr;
}

}  // namespace

void ReadComponentText(rtl::TComponent* Root, const std::string& ResourceName, const std::string& What) {
  std::vector<std::string> problems;
  std::vector<rtl::TTextPlace> places;
  rtl::TMemoryStream binary;
  try {
    rtl::TResourceStream text(ResourceName);
    rtl::ObjectTextToBinary(&text, &binary, &places);
  } catch (const std::exception& e) {
    throw rtl::EReadError(What + " cannot be read: " + e.what());
  }
  binary.SetPosition(0);
  rtl::TReader reader(&binary, 4096);
  reader.OnError = [&](rtl::TReader*, const std::string& Message, bool& Handled) {
    problems.push_back(PlaceOf(reader, places) + ": " + Message);
    Handled = true;
  };
  try {
    reader.ReadRootComponent(Root);
  } catch (const std::exception& e) {
    problems.push_back(PlaceOf(reader, places) + ": " + e.what());
  }
  if (problems.empty()) {
    // Every caption stays within its control: a text longer than its room (a language's
    // longer words, a larger font) is cut there, a line with an ellipsis; so is every item of
    // a list of texts (a menu).
    for (int i = 0; i < Root->ComponentCount(); ++i)
      if (auto* text = dynamic_cast<vg::TvxTextControl*>(Root->Components(i)))
        text->SetTrimmed(true);
      else if (auto* list = dynamic_cast<vg::TvxStringListBox*>(Root->Components(i)))
        list->SetTrimmed(true);
    return;
  }
  std::string message = What + " cannot be read:";
  for (const std::string& p : problems) message += "\n" + p;
  throw rtl::EReadError(message);
}

std::vector<vg::TvxObject*> TreeObjects(vg::TvxObject* Root) {
  std::vector<vg::TvxObject*> out;
  if (!Root) return out;
  out.push_back(Root);
  for (std::size_t i = 0; i < out.size(); ++i)
    for (vg::TvxObject* child : out[i]->Children()) out.push_back(child);
  return out;
}

rtl::TClass TWindow_3D::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TWindow_3D>().Build();
  return &info;
}

TWindow_3D::TWindow_3D(rtl::TComponent* AOwner) : win::TForm(AOwner), model_(&Model()) {
  SetBorderStyle(win::bsNone);
  model_->Windows.push_back(this);
}

TWindow_3D::~TWindow_3D() = default;

void TWindow_3D::BeforeDestruction() {
  std::erase(model_->Windows, static_cast<rtl::TComponent*>(this));
  pages_.clear();
  inherited::BeforeDestruction();
}

std::vector<TWindow_3D*> TWindow_3D::Windows() {
  std::vector<TWindow_3D*> windows;
  for (rtl::TComponent* w : Model().Windows) windows.push_back(static_cast<TWindow_3D*>(w));
  return windows;
}

std::string TWindow_3D::WindowName() const { return Name().empty() ? std::string(ClassName()) : Name(); }

void TWindow_3D::ReadWindowText(const std::string& ResourceName) {
  textName_ = ResourceName;
  ReadComponentText(this, ResourceName, "The window text " + ResourceName);
  scene_ = FirstOf<dx::TdxScene>(this);
  if (!scene_) throw rtl::EReadError("The window text " + ResourceName + " holds no scene");
  layer_ = FirstOf<dx::TdxGUIObjectLayer>(this);
  if (!layer_) throw rtl::EReadError("The window text " + ResourceName + " holds no GUI layer");
  root_ = layer_->RootCount() > 0 ? dynamic_cast<vg::TvxVisualObject*>(layer_->Roots(0)) : nullptr;
  if (!root_) throw rtl::EReadError("The window text " + ResourceName + " gives its layer no 2D content");
  // The window's keys go to the scene, which hands them to its focused object.
  SetActiveControl(scene_);
}

win::LRESULT TWindow_3D::WndProc(win::MSG& Message) {
  const win::LRESULT result = inherited::WndProc(Message);
  if (Message.message == win::WM_ACTIVATE && Message.wParam != win::WA_INACTIVE) {
    // A window that waits for its answer stays above this one, which has just come to the front
    // (shown, shown again, or clicked where a window manager raises what is clicked).
    for (TWindow_3D* w : Windows())
      if (w != this && w->StaysAboveOthers()) win::StackFormAbove(w, this);
    const TLanguageFileScope file;
    LookUpTexts();
  }
  return result;
}

rtl::TComponent* TWindow_3D::FindPart(const std::string& Name) const {
  if (rtl::TComponent* c = FindComponent(Name)) return c;
  for (const TWindowPage* page : pages_)
    if (rtl::TComponent* c = page->FindComponent(Name)) return c;
  return nullptr;
}

void TWindow_3D::PlaceLayout(vg::TvxVisualObject* Layout) {
  layout_ = Layout;
  designWidth_ = Width();
  designHeight_ = Height();
  layoutDesignWidth_ = static_cast<float>(std::max(designWidth_ - LayoutMarginWidth, 1));
  layoutDesignHeight_ = static_cast<float>(std::max(designHeight_ - LayoutMarginHeight, 1));
  if (!layout_) return;
  layout_->Position()->SetPoint({static_cast<float>(LayoutLeft), static_cast<float>(LayoutTop)});
  layout_->SetWidth(layoutDesignWidth_);
  layout_->SetHeight(layoutDesignHeight_);
  layout_->Scale()->SetPoint({1, 1});
}

void TWindow_3D::RescaleLayout() {
  if (!layout_) return;
  const float sx = (static_cast<float>(Width()) - (static_cast<float>(designWidth_) - layoutDesignWidth_)) /
                   layoutDesignWidth_;
  const float sy = (static_cast<float>(Height()) - (static_cast<float>(designHeight_) - layoutDesignHeight_)) /
                   layoutDesignHeight_;
  layout_->Scale()->SetPoint({sx, sy});
}

}  // namespace app
