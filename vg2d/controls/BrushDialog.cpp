// The brush dialog (a modal designer working on a copy of its brush), the dialogs that wrap
// it, and the colour button that opens it on the solid page.
#include "vg2d/controls/BrushDesigner.h"

#include <algorithm>
#include <memory>

#include "vg2d/controls/BrushDesigner_Internal.h"
#include "vg2d/controls/ListBox.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Geometry.h"
#include "vg2d/core/SceneControl.h"
#include "vg2d/core/Shapes.h"

namespace vg {

// ---- TvxBrushDialog ---------------------------------------------------------------------------

rtl::TClass TvxBrushDialog::StaticClass() {
  using D = TvxBrushDialog;
  static const rtl::TClassInfo info = rtl::DefineClass<D>()
                                          .Property("ShowStyles", &D::ShowStyles, &D::SetShowStyles)
                                          .Default(DefaultShowStyles)
                                          .Property("ShowBrushList", &D::ShowBrushList, &D::SetShowBrushList)
                                          .Default(true)
                                          .Property("ShowMakeResource", &D::ShowMakeResource, &D::SetShowMakeResource)
                                          .Default(false)
                                          .Property("Title", &D::Title, &D::SetTitle)
                                          .Build();
  return &info;
}

TvxBrushDialog::TvxBrushDialog(rtl::TComponent* AOwner)
    : rtl::TComponent(AOwner), brush_(std::make_unique<TvxBrush>(vgBrushSolid, 0xFF808080)) {}

TvxBrushDialog::~TvxBrushDialog() = default;

void TvxBrushDialog::SetComponent(rtl::TComponent* Value) {
  if (Value == component_) return;
  if (component_) component_->RemoveFreeNotification(this);
  component_ = Value;
  if (component_) component_->FreeNotification(this);
}

void TvxBrushDialog::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == rtl::opRemove && AComponent == component_) component_ = nullptr;
}

bool TvxBrushDialog::Execute() {
  std::unique_ptr<TvxBrushDesign> form = std::make_unique<TvxBrushDesign>(nullptr);
  TvxBrushDesign& d = *form;
  d.BrushList()->SetVisible(showBrushList_);
  if (component_)
    d.SetDesignObject(component_);
  else
    d.BrushList()->SetVisible(false);
  d.HudWindow()->SetText(title_);
  d.Tabs()->SetItemIndex(-1);
  for (TvxBrushStyle s : brush_designer_internal::TabStyles) d.Tab(s)->SetVisible(showStyles_.Contains(s));
  d.Tabs()->Realign();
  d.OkButton()->SetVisible(true);
  d.CancelButton()->SetVisible(true);
  d.SetBrush(brush_.get());
  d.MakeResourceRow()->SetVisible(showMakeResource_);
  d.Root()->SetHeight(d.Root()->Height() - 1);
  d.Scene()->RealignRoot();
  TvxVisualObject* row = d.ButtonRow();
  const TvxBounds& m = *d.HudWindow()->Margins();
  const int64_t height = Trunc(row->Position()->Y() + row->Height() + m.Top() + m.Bottom());
  d.SetBounds(d.Left(), d.Top(), d.Width(), static_cast<int>(std::clamp<int64_t>(height, 1, 4096)));
  d.SetPosition(position_);
  if (position_ == win::poDesigned) brush_designer_internal::PlaceOverOpener(d);

  if (OnShow || OnAnyShow) {
    auto hook = OnShow ? OnShow : OnAnyShow;
    d.OnShow = [&d, hook](rtl::TObject*) { hook(d); };
  }
  return d.ShowModal() == win::mrOk;
}

std::function<void(TvxBrushDesign&)> TvxBrushDialog::OnAnyShow;

// ---- TvxColorButton ---------------------------------------------------------------------------

rtl::TClass TvxColorButton::StaticClass() {
  using B = TvxColorButton;
  static const rtl::TClassInfo info = rtl::DefineClass<B>()
                                          .Property("AutoTranslate", &B::AutoTranslate, &B::SetAutoTranslate)
                                          .Default(false)
                                          .Property("Color", &B::Color, &B::SetColor)
                                          .Property("UseStandardDialog", &B::UseStandardDialog, &B::SetUseStandardDialog)
                                          .Default(true)
                                          .Event("OnChange", &B::OnChange)
                                          .Build();
  return &info;
}

TvxColorButton::TvxColorButton(rtl::TComponent* AOwner) : TvxCustomButton(AOwner) { SetAutoTranslate(false); }

void TvxColorButton::ApplyStyle() {
  inherited::ApplyStyle();
  if (auto* shape = FindPart<TvxShape>(this, "fill")) {
    fill_ = shape;
    fill_->Fill()->SetColor(color_);
  }
}

void TvxColorButton::FreeStyle() {
  fill_ = nullptr;
  inherited::FreeStyle();
}

void TvxColorButton::SetColor(const std::string& Value) {
  color_ = Value;
  if (fill_) fill_->Fill()->SetColor(color_);
  if (!Loading()) OnChange(this);
}

void TvxColorButton::Click() {
  TvxFreeWatch self(this);
  inherited::Click();
  if (self.Gone()) return;
  TvxBrush brush(vgBrushSolid, 0xFF808080);
  brush.SetSolidColor(StringToColor(color_));
  TvxBrushDialog dialog(nullptr);
  dialog.SetBrush(&brush);
  dialog.SetShowStyles({vgBrushSolid});
  dialog.SetShowBrushList(false);
  // The colour dialog opens in the middle of the screen.
  dialog.SetPosition(win::poScreenCenter);
  if (!dialog.Execute() || self.Gone()) return;
  brush.Assign(dialog.Brush());
  const TvxColor picked = useStandardDialog_ ? (brush.Color() | 0xFF000000) : brush.Color();
  SetColor(ColorToString(picked));
}

bool EditBrushDialog(TvxBrush* Brush, TvxBrushStyles Styles, bool ShowBrushList,
                     const std::function<void(TvxBrushDesign&)>& OnShow) {
  if (!Brush) return false;
  TvxBrushDialog dialog(nullptr);
  dialog.SetBrush(Brush);
  dialog.SetShowStyles(Styles);
  dialog.SetShowBrushList(ShowBrushList);
  dialog.OnShow = OnShow;
  if (!dialog.Execute()) return false;
  Brush->Assign(dialog.Brush());
  return true;
}

bool EditGradientDialog(TvxGradient* Gradient, const std::function<void(TvxBrushDesign&)>& OnShow) {
  if (!Gradient) return false;
  TvxBrushDialog dialog(nullptr);
  dialog.Brush()->SetStyle(vgBrushGradient);
  dialog.Brush()->SetGradient(Gradient);
  dialog.SetShowStyles({vgBrushGradient});
  dialog.SetShowBrushList(false);
  dialog.OnShow = OnShow;
  if (!dialog.Execute()) return false;
  Gradient->Assign(dialog.Brush()->Gradient());
  return true;
}

}  // namespace vg
