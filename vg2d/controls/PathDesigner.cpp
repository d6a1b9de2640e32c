#include "vg2d/controls/PathDesigner.h"

#include <memory>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Streams.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/Memo.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/core/ImageShapes.h"
#include "vg2d/core/PathData.h"
#include "vg2d/core/Registry.h"
#include "vg2d/core/SceneControl.h"

namespace vg {

namespace {

template <class T>
T* NeedPart(TvxObject* Root, const std::string& Name) {
  T* part = dynamic_cast<T*>(FindNamedObject(Root, Name));
  if (!part) throw rtl::EReadError("The path designer's content has no part " + Name);
  return part;
}

}  // namespace

rtl::TClass TvxPathDataDesigner::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxPathDataDesigner>().Build();
  return &info;
}

TvxPathDataDesigner::TvxPathDataDesigner(rtl::TComponent* AOwner) : win::TForm(AOwner) {
  SetCaption("Path Designer");
  SetBounds(90, 60, 682, 493);
  SetPosition(win::poScreenCenter);
  scene_ = new TvxScene(this);
  scene_->SetParent(this);
  scene_->SetAlign(win::alClient);
  rtl::TResourceStream text(ContentResourceName);
  rtl::TComponent* content = ReadObjectFromText(this, &text, std::string("The content ") + ContentResourceName);
  root_ = dynamic_cast<TvxBackground*>(content);
  if (!root_) {
    delete content;
    throw rtl::EReadError(std::string("The content ") + ContentResourceName + " is no background");
  }
  scene_->AddObject(root_);
  root_->SetAlign(vaClient);
  memo_ = NeedPart<TvxMemo>(root_, "PathData");
  previewPath_ = NeedPart<TvxPath>(root_, "previewPath");
  previewLayout_ = NeedPart<TvxVisualObject>(root_, "previewLayout");
  // The memo's change: its text set or pasted, or typed and then left (Tab, a button), so
  // typing does not parse and redraw the whole path at every key.
  memo_->OnChange = rtl::TNotifyEvent(this, &TvxPathDataDesigner::PathDataChange);
  NeedPart<TvxButton>(root_, "Button2")->SetModalResult(win::mrOk);
  NeedPart<TvxButton>(root_, "Button3")->SetModalResult(win::mrCancel);
  NeedPart<TvxButton>(root_, "Button1")->OnClick = rtl::TNotifyEvent(this, &TvxPathDataDesigner::PasteClick);
  scene_->SetActiveControl(memo_);
}

TvxObject* TvxPathDataDesigner::Part(const std::string& Name) const { return FindNamedObject(root_, Name); }

void TvxPathDataDesigner::PathDataChange(rtl::TObject*) {
  if (previewLayout_->Visible()) previewPath_->Data()->SetData(rtl::WideToUtf8(memo_->Text()));
}

void TvxPathDataDesigner::PasteClick(rtl::TObject*) {
  memo_->SelectAll();
  memo_->DeleteSelection();
  memo_->PasteFromClipboard();
}

void EditPathInDesigner(rtl::TObject* Path, rtl::TComponent*) {
  auto* path = dynamic_cast<TvxPathData*>(Path);
  if (!path) return;
  auto designer = std::make_unique<TvxPathDataDesigner>(nullptr);
  designer->Memo()->Lines()->SetTextStr(rtl::Utf8ToWide(path->GetData()));
  if (designer->ShowModal() == win::mrOk) path->SetData(rtl::WideToUtf8(designer->Memo()->Text()));
}

}  // namespace vg
