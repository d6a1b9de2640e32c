#include "vg2d/controls/BrushDesigner.h"

// The designer window and the shared designer; the brush dialog and the colour button are in
// BrushDialog.cpp.

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/loop/Application.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TypInfo.h"
#include "vg2d/controls/BitmapEditor.h"
#include "vg2d/controls/BrushDesigner_Internal.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ColorControls.h"
#include "vg2d/controls/Expanders.h"
#include "vg2d/controls/FormContent.h"
#include "vg2d/controls/GradientEditor.h"
#include "vg2d/controls/Indicators.h"
#include "vg2d/controls/InputQuery.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/controls/ListBox.h"
#include "vg2d/controls/NumberBox.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Controls.h"
#include "vg2d/core/Geometry.h"
#include "vg2d/core/ImageShapes.h"
#include "vg2d/core/SceneControl.h"
#include "vg2d/core/Shapes.h"

namespace vg {

namespace brush_designer_internal {

void PlaceOverOpener(TvxBrushDesign& D) {
  if (win::ActiveForm() && win::ActiveForm() != &D)
    PlaceOverActiveForm(&D);
  else
    D.SetPosition(win::poScreenCenter);
}

}  // namespace brush_designer_internal

namespace {

TvxBrushDesign* sharedDesigner = nullptr;

template <class T>
T* TagOf(const std::vector<std::pair<TvxListBoxItem*, T*>>& Items, TvxListBoxItem* Item) {
  for (const auto& [i, t] : Items)
    if (i == Item) return t;
  return nullptr;
}

template <class T>
TvxListBoxItem* ItemOf(const std::vector<std::pair<TvxListBoxItem*, T*>>& Items, const T* Tag) {
  for (const auto& [i, t] : Items)
    if (t == Tag) return i;
  return nullptr;
}

uint8_t ByteOf(float Value) { return ClampByte(Trunc(Value)); }

TvxColor ColorOfBoxes(TvxNumberBox* const Boxes[4]) {
  return MakeColor(ByteOf(Boxes[0]->Value()), ByteOf(Boxes[1]->Value()), ByteOf(Boxes[2]->Value()),
                   ByteOf(Boxes[3]->Value()));
}

template <class T>
T* Make(rtl::TComponent* Owner, TvxObject* Parent, TvxAlign Align = vaNone) {
  auto* o = new T(Owner);
  Parent->AddObject(o);
  if constexpr (std::is_base_of_v<TvxVisualObject, T>) o->SetAlign(Align);
  return o;
}

}  // namespace

// ---- gradient angle ---------------------------------------------------------------------------

void SetGradientAngle(TvxGradient& Gradient, float Angle) {
  const double a = Angle * M_PI / 180;
  const double c = std::cos(a), s = std::sin(a);
  const auto stretch = [](double v) {
    if (v == 0) return 1.0;
    const double k = std::fabs(1 / v);
    return (k >= 1 && k <= 1.42) ? k : 1.0;
  };
  const double d = std::max(stretch(c), stretch(s)) * 0.5;
  Gradient.StartPosition()->SetPoint({static_cast<float>(0.5 - c * d), static_cast<float>(0.5 + s * d)});
  Gradient.StopPosition()->SetPoint({static_cast<float>(0.5 + c * d), static_cast<float>(0.5 - s * d)});
}

bool GradientAngle(const TvxGradient& Gradient, float& Angle) {
  const double dx = Gradient.StopPosition()->X() - Gradient.StartPosition()->X();
  const double dy = Gradient.StopPosition()->Y() - Gradient.StartPosition()->Y();
  if (dx == 0) return false;
  double angle = -std::atan(dy / dx) * 180 / M_PI;
  if (dx < 0) angle -= 180;
  Angle = static_cast<float>(angle);
  return true;
}

// ---- TvxBrushDesign ---------------------------------------------------------------------------

std::function<bool(std::u16string& Name)> TvxBrushDesign::AskResourceName = [](std::u16string& Name) {
  return InputQuery(u"New TvxBrushObject", u"Enter resource name:", Name);
};

rtl::TClass TvxBrushDesign::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxBrushDesign>().Build();
  return &info;
}

TvxBrushDesign::TvxBrushDesign(rtl::TComponent* AOwner) : win::TForm(AOwner) {
  SetBorderStyle(win::bsNone);
  SetCaption("Brush Designer");
  SetBounds(0, 0, 335, 461);
  Build();
}

TvxBrushDesign::~TvxBrushDesign() {
  if (sharedDesigner == this) sharedDesigner = nullptr;
  for (TvxBrush* b : watchedBrushes_) b->RemoveFreeNotify(&freed_);
  UnwatchResources();
}

void TvxBrushDesign::Build() {
  scene_ = new TvxScene(this);
  scene_->SetTransparency(true);
  scene_->SetParent(this);
  scene_->SetAlign(win::alClient);
  root_ = new TvxBackground(this);
  root_->SetAlign(vaClient);
  root_->Margins()->SetRect(MakeRect(4, 4, 4, 4));
  root_->SetHitTest(false);
  scene_->AddObject(root_);

  hudWindow_ = Make<TvxHudWindow>(this, root_, vaContents);
  hudWindow_->Margins()->SetRect(MakeRect(20, 40, 20, 13));
  hudWindow_->SetText(u"Brush Designer");
  hudWindow_->Font()->SetSize(11);
  hudWindow_->Font()->SetStyle(vgFontBold);
  hudWindow_->SetTextAlign(vgTextAlignNear);
  hudWindow_->Fill()->SetColor("#F5333333");

  brushList_ = Make<TvxListBox>(this, hudWindow_, vaTop);
  brushList_->SetResource("hudlistboxstyle");
  brushList_->SetHeight(100);
  brushList_->Padding()->SetRect(MakeRect(0, 0, 0, 4));
  brushList_->OnChange = rtl::TNotifyEvent(this, &TvxBrushDesign::BrushListChange);

  tabs_ = Make<TvxTabControl>(this, hudWindow_, vaTop);
  tabs_->SetResource("hudtabcontrolstyle");
  tabs_->SetBounds(0, 200, 295, 259);
  // The visible tabs share the row, so each can be reached and read in the window's width.
  tabs_->SetFullSize(true);
  tabs_->Padding()->SetRect(MakeRect(0, 3, 0, 0));
  const char16_t* captions[5] = {u"None", u"Solid", u"Gradient", u"Bitmap", u"Resource"};
  TvxVisualObject* pages[5] = {};
  for (int i = 0; i < 5; ++i) {
    auto* item = new TvxTabItem(this);
    item->SetResource("hudtabitemstyle");
    item->SetText(captions[i]);
    item->Font()->SetSize(11);
    if (i > 0) {
      auto* page = new TvxRectangle(this);
      page->Fill()->SetStyle(vgBrushNone);
      page->Stroke()->SetStyle(vgBrushNone);
      tabs_->AddObject(page);
      page->Margins()->SetRect(MakeRect(8, 8, 8, 8));
      item->SetLayout(page);
      pages[i] = page;
    }
    tabs_->AddObject(item);
    tabItems_[i] = item;
  }

  // The colour column of the solid and gradient pages: quad, picker, boxes and swatch.
  // Its rows start at Top (the gradient page keeps the top of the column for the kind and
  // the angle) and are RowHeight high.
  const auto colourPage = [this](TvxVisualObject* Page, TvxColorQuad*& Quad, TvxColorPicker*& Picker,
                                 TvxNumberBox* (&Boxes)[4], TvxTextBox*& Hex, TvxColorBox*& Swatch, float SwatchWidth,
                                 float Top, float RowHeight) {
    auto* bottom = Make<TvxLayout>(this, Page, vaBottom);
    bottom->SetHeight(30);
    Swatch = Make<TvxColorBox>(this, bottom, vaLeft);
    Swatch->SetWidth(SwatchWidth);
    Swatch->Padding()->SetRect(MakeRect(0, 6, 0, 0));
    auto* column = Make<TvxLayout>(this, Page, vaRight);
    column->SetWidth(94);
    const char16_t* names[4] = {u"R", u"G", u"B", u"A"};
    for (int i = 0; i < 4; ++i) {
      auto* row = Make<TvxLayout>(this, column);
      row->SetBounds(0, Top + RowHeight * static_cast<float>(i), 94, RowHeight);
      auto* label = Make<TvxLabel>(this, row, vaLeft);
      label->SetWidth(20);
      label->SetText(names[i]);
      label->SetResource("hudlabelstyle");
      auto* box = Make<TvxNumberBox>(this, row, vaClient);
      box->SetResource("hudnumberboxstyle");
      box->SetMax(255);
      box->SetValueType(vgValueInteger);
      box->SetHorzIncrement(1);
      box->SetVertIncrement(5);
      box->Padding()->SetRect(MakeRect(0, 2, 0, 2));
      Boxes[i] = box;
    }
    auto* hexRow = Make<TvxLayout>(this, column);
    hexRow->SetBounds(0, Top + RowHeight * 4, 94, RowHeight);
    Hex = Make<TvxTextBox>(this, hexRow, vaClient);
    Hex->SetResource("hudtextboxstyle");
    Hex->Padding()->SetRect(MakeRect(0, 2, 0, 2));
    Picker = Make<TvxColorPicker>(this, Page, vaRight);
    Picker->SetWidth(22);
    Picker->Padding()->SetRect(MakeRect(1, 0, 0, 0));
    Quad = Make<TvxColorQuad>(this, Page, vaClient);
    // Room for the ring that marks the colour at the quad's edges.
    Quad->Padding()->SetRect(MakeRect(6, 6, 6, 6));
    Quad->SetAlpha(1);
    Quad->SetColorBox(Swatch);
    Picker->SetHue(0.5f);
    Picker->SetColorQuad(Quad);
    return column;
  };
  colourPage(pages[1], solidQuad_, solidPicker_, solidBoxes_, solidHex_, solidSwatch_, 161, 0, 26);
  solidQuad_->OnChange = rtl::TNotifyEvent(this, &TvxBrushDesign::SolidQuadChange);
  for (TvxNumberBox* b : solidBoxes_) b->OnChange = rtl::TNotifyEvent(this, &TvxBrushDesign::SolidBoxChange);
  solidHex_->OnChange = rtl::TNotifyEvent(this, &TvxBrushDesign::SolidHexChange);

  // The gradient strip spans the page's whole width; the kind and the angle sit at the top
  // right under it, over the column's rows.
  gradEditor_ = Make<TvxGradientEdit>(this, pages[2], vaTop);
  gradEditor_->SetHeight(26);
  gradEditor_->Padding()->SetRect(MakeRect(-8, 10, -8, -4));
  TvxVisualObject* gradColumn =
      colourPage(pages[2], gradQuad_, gradPicker_, gradBoxes_, gradHex_, gradSwatch_, 136, 40, 24);
  gradKind_ = Make<TvxPopupBox>(this, gradColumn, vaTopRight);
  gradKind_->SetResource("hudpopupboxstyle");
  gradKind_->SetBounds(0, 8, 53, 22);
  gradKind_->Items()->Add(u"Linear");
  gradKind_->Items()->Add(u"Radial");
  gradKind_->SetItemIndex(0);
  gradAngle_ = Make<TvxAngleButton>(this, gradColumn, vaTopRight);
  gradAngle_->SetResource("hudanglebuttonstyle");
  gradAngle_->SetBounds(55, 0, 39, 38);
  gradAngle_->SetFrequency(5);
  gradAngle_->SetValue(-90);
  gradAngleLabel_ = Make<TvxLabel>(this, gradAngle_, vaCenter);
  gradAngleLabel_->SetResource("hudlabelstyle");
  gradAngleLabel_->SetBounds(0, 0, 30, 14);
  gradAngleLabel_->Font()->SetSize(8);
  gradAngleLabel_->SetText(u"-90");
  gradEditor_->SetColorPicker(gradPicker_);
  gradQuad_->OnChange = rtl::TNotifyEvent(this, &TvxBrushDesign::GradQuadChange);
  for (TvxNumberBox* b : gradBoxes_) b->OnChange = rtl::TNotifyEvent(this, &TvxBrushDesign::GradBoxChange);
  gradHex_->OnChange = rtl::TNotifyEvent(this, &TvxBrushDesign::GradHexChange);
  gradEditor_->OnChange = rtl::TNotifyEvent(this, &TvxBrushDesign::GradEditorChange);
  gradKind_->OnChange = rtl::TNotifyEvent(this, &TvxBrushDesign::GradKindChange);
  gradAngle_->OnChange = rtl::TNotifyEvent(this, &TvxBrushDesign::GradAngleChange);

  auto* tileRow = Make<TvxLayout>(this, pages[3], vaBottom);
  tileRow->SetHeight(30);
  btnSelectBitmap_ = Make<TvxButton>(this, tileRow, vaLeft);
  btnSelectBitmap_->SetResource("hudbuttonstyle");
  btnSelectBitmap_->SetText(u"Select...");
  btnSelectBitmap_->Font()->SetSize(11);
  btnSelectBitmap_->SetWidth(70);
  btnSelectBitmap_->Padding()->SetRect(MakeRect(0, 4, 6, 4));
  btnSelectBitmap_->OnClick = rtl::TNotifyEvent(this, &TvxBrushDesign::SelectBitmapClick);
  auto* tileLabel = Make<TvxLabel>(this, tileRow, vaLeft);
  tileLabel->SetResource("hudlabelstyle");
  tileLabel->SetWidth(60);
  tileLabel->SetText(u"TileMode");
  tileMode_ = Make<TvxPopupBox>(this, tileRow, vaClient);
  tileMode_->SetResource("hudpopupboxstyle");
  tileMode_->Padding()->SetRect(MakeRect(0, 5, 0, 4));
  for (const char16_t* mode : {u"vgWrapTile", u"vgWrapTileOriginal", u"vgWrapTileStretch"}) tileMode_->Items()->Add(mode);
  tileMode_->SetItemIndex(0);
  tileMode_->OnChange = rtl::TNotifyEvent(this, &TvxBrushDesign::TileModeChange);
  bitmapImage_ = Make<TvxImage>(this, pages[3], vaClient);
  bitmapImage_->SetWrapMode(vgImageFit);

  resList_ = Make<TvxListBox>(this, pages[4], vaClient);
  resList_->SetResource("hudlistboxstyle");
  resList_->Padding()->SetRect(MakeRect(8, 8, 8, 8));
  resList_->OnChange = rtl::TNotifyEvent(this, &TvxBrushDesign::ResListChange);

  buttonRow_ = Make<TvxLayout>(this, hudWindow_, vaTop);
  buttonRow_->SetBounds(0, 460, 295, 33);
  buttonRow_->Margins()->SetRect(MakeRect(5, 5, 5, 5));
  const auto button = [this](TvxVisualObject* Parent, const char16_t* Text, TvxAlign Align) {
    auto* b = Make<TvxButton>(this, Parent, Align);
    b->SetResource("hudbuttonstyle");
    b->SetText(Text);
    b->Font()->SetSize(11);
    b->SetWidth(70);
    b->Padding()->SetRect(MakeRect(4, 0, 0, 0));
    return b;
  };
  btnOk_ = button(buttonRow_, u"OK", vaRight);
  btnCancel_ = button(buttonRow_, u"Cancel", vaRight);
  btnOk_->SetVisible(false);
  btnCancel_->SetVisible(false);
  btnOk_->OnClick = [this](rtl::TObject*) { SetModalResult(win::mrOk); };
  btnCancel_->OnClick = [this](rtl::TObject*) { SetModalResult(win::mrCancel); };
  makeResRow_ = Make<TvxLayout>(this, buttonRow_, vaLeft);
  makeResRow_->SetWidth(120);
  btnMakeRes_ = button(makeResRow_, u"Make a Resource", vaClient);
  btnMakeRes_->OnClick = rtl::TNotifyEvent(this, &TvxBrushDesign::MakeResClick);

  // The strips lie in the order they were made: the brush list, the tabs, the buttons.
  // Strips of one edge go by their places, and each took a place as it came (the tabs one
  // above the list's), so the order is set again.
  brushList_->Position()->SetY(0);
  tabs_->Position()->SetY(1);
  buttonRow_->Position()->SetY(2);
  hudWindow_->Realign();
  // The window is never smaller than this, however the buttons end it.
  SetMinSize(350, 420);

  tabs_->SetItemIndex(1);
  tabs_->OnChange = rtl::TNotifyEvent(this, &TvxBrushDesign::TabChange);
}

TvxTabItem* TvxBrushDesign::Tab(TvxBrushStyle Style) const {
  for (int i = 0; i < 5; ++i)
    if (brush_designer_internal::TabStyles[i] == Style) return tabItems_[i];
  return nullptr;
}

void TvxBrushDesign::DoClose(win::TCloseAction& Action) {
  win::TForm::DoClose(Action);
  // The shared designer goes when closed; a modal one is freed by its dialog.
  if (Modal()) return;
  Action = win::caFree;
  if (sharedDesigner == this) sharedDesigner = nullptr;
}

void TvxBrushDesign::SetBrush(TvxBrush* Value) {
  brush_ = Value;
  WatchBrushes();
  if (!brush_) return;
  TvxBrush* const b = brush_;
  const auto select = [this](TvxBrushStyle Style) {
    if (TvxTabItem* t = Tab(Style)) {
      const std::vector<TvxTabItem*> visible = tabs_->VisibleItems();
      for (size_t i = 0; i < visible.size(); ++i)
        if (visible[i] == t) tabs_->SetItemIndex(static_cast<int>(i));
    }
  };
  switch (b->Style()) {
    case vgBrushNone: select(vgBrushNone); break;
    case vgBrushSolid:
      solidPicker_->SetColor(b->Color());
      if (brush_ != b) return;
      gradEditor_->SetGradient(b->Gradient());
      select(vgBrushSolid);
      break;
    case vgBrushGradient: {
      solidPicker_->SetColor(b->Color());
      if (brush_ != b) return;
      gradEditor_->SetGradient(b->Gradient());
      gradKind_->SetItemIndex(static_cast<int>(b->Gradient()->Style()));
      float angle = 0;
      if (GradientAngle(*b->Gradient(), angle)) gradAngle_->SetValue(angle);
      gradAngle_->SetVisible(b->Gradient()->IsLinear());
      GradQuadChange(nullptr);
      select(vgBrushGradient);
      break;
    }
    case vgBrushBitmap:
      select(vgBrushBitmap);
      bitmapImage_->Bitmap()->Assign(b->Bitmap()->Bitmap());
      tileMode_->SetItemIndex(static_cast<int>(b->Bitmap()->WrapMode()));
      break;
    case vgBrushResource:
      select(vgBrushResource);
      FillResourceList();
      break;
    default: break;
  }
  for (int i = 0; i < brushList_->Count(); ++i)
    if (brushList_->ItemByIndex(i) == ItemOf(brushItems_, b)) brushList_->SetItemIndex(i);
}

void TvxBrushDesign::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  win::TForm::Notification(AComponent, Operation);
  if (Operation != rtl::opRemove || AComponent != designObject_ || !designObject_) return;
  SetDesignObject(nullptr);
}

void TvxBrushDesign::Forget(rtl::TObject* AObject) {
  if (AObject == brush_) brush_ = nullptr;
  for (auto& [item, b] : brushItems_)
    if (b == AObject) b = nullptr;
  std::erase_if(watchedBrushes_, [AObject](TvxBrush* B) { return B == AObject; });
  for (auto it = resItems_.begin(); it != resItems_.end(); ++it) {
    if (it->second != AObject) continue;
    TvxListBoxItem* row = it->first;
    resItems_.erase(it);
    rtl::TEventMute quiet(resList_->OnChange);
    if (resList_->Selected() == row) resList_->SetItemIndex(-1);
    row->SetVisible(false);
    rtl::Application->ReleaseComponent(row);
    return;
  }
}

void TvxBrushDesign::WatchBrushes() {
  std::vector<TvxBrush*> now;
  if (brush_) now.push_back(brush_);
  for (const auto& [item, b] : brushItems_)
    if (b && std::find(now.begin(), now.end(), b) == now.end()) now.push_back(b);
  for (TvxBrush* b : watchedBrushes_)
    if (std::find(now.begin(), now.end(), b) == now.end()) b->RemoveFreeNotify(&freed_);
  for (TvxBrush* b : now) b->AddFreeNotify(&freed_);
  watchedBrushes_ = std::move(now);
}

void TvxBrushDesign::UnwatchResources() {
  for (const auto& [item, res] : resItems_) res->RemoveFreeNotify(&freed_);
}

IvxScene* TvxBrushDesign::DesignScene() const {
  if (auto* s = dynamic_cast<TvxScene*>(designObject_)) return s;
  if (auto* o = dynamic_cast<TvxObject*>(designObject_)) return o->Scene();
  return nullptr;
}

void TvxBrushDesign::SetDesignObject(rtl::TComponent* Value) {
  if (designObject_ && designObject_ != Value) designObject_->RemoveFreeNotification(this);
  if (Value && Value != designObject_) Value->FreeNotification(this);
  designObject_ = Value;
  SetBrush(nullptr);
  brushList_->Clear();
  brushItems_.clear();
  brushList_->SetHeight(4);
  if (Value) {
    for (const rtl::TPropInfo* p : rtl::GetPropList(Value->ClassType(), false)) {
      if (p->Kind() != rtl::tkClass || !p->PropType->ClassType() || p->PropType->ClassType()->Name != "TvxBrush")
        continue;
      auto* brush = dynamic_cast<TvxBrush*>(rtl::GetObjectProp(Value, p));
      if (!brush) continue;
      auto* item = new TvxListBoxItem(this);
      item->SetHeight(23);
      brushItems_.emplace_back(item, brush);
      auto* label = new TvxLabel(this);
      label->SetAlign(vaClient);
      label->SetHitTest(false);
      label->SetText(rtl::Utf8ToWide(p->Name));
      item->AddObject(label);
      brushList_->AddObject(item);
      brushList_->SetHeight(brushList_->Height() + item->Height());
      if (!brush_) SetBrush(brush);
    }
  }
  WatchBrushes();
  brushList_->SetItemIndex(0);
}

std::string TvxBrushDesign::UniqueName(const std::string& Base) {
  SetTag(Tag() + 1);
  return Base + std::to_string(Tag());
}

TvxBrushObject* TvxBrushDesign::MakeResource(const std::string& Name) {
  IvxScene* const design = DesignScene();
  if (!design || !design->GetRoot() || !brush_) return nullptr;
  if (!rtl::IsValidIdent(Name)) throw rtl::EComponentError("\"" + Name + "\" is not a valid component name");
  rtl::TComponent* owner = design->GetComponent() ? design->GetComponent()->Owner() : nullptr;
  if (owner && owner->FindComponent(Name))
    throw rtl::EComponentError("A component named " + Name + " already exists");
  auto made = std::make_unique<TvxBrushObject>(owner);
  made->SetName(Name);
  made->SetResourceName(Name);
  made->SetBrush(brush_);
  TvxBrushObject* result = made.release();
  design->GetRoot()->AddObject(result);
  FillResourceList();
  return result;
}

void TvxBrushDesign::MakeResClick(rtl::TObject*) {
  IvxScene* const design = DesignScene();
  if (!design || !design->GetRoot() || !AskResourceName) return;
  std::u16string name = rtl::Utf8ToWide(UniqueName("Brush"));
  if (!AskResourceName(name)) return;
  MakeResource(rtl::WideToUtf8(name));
}

void TvxBrushDesign::FillResourceList() {
  IvxScene* const design = DesignScene();
  if (!design || !design->GetRoot() || !brush_) return;
  // The list keeps its index through Clear: it starts again from none, so that no row shows
  // selected while the brush refers to no resource and a click on any row, the only one
  // too, picks it. Filling picks nothing.
  rtl::TEventMute quiet(resList_->OnChange);
  resList_->Clear();
  resList_->SetItemIndex(-1);
  UnwatchResources();
  resItems_.clear();
  std::vector<TvxObject*> all;
  design->GetRoot()->AddObjectsToList(all);
  for (TvxObject* o : all) {
    auto* res = dynamic_cast<TvxBrushObject*>(o);
    if (!res) continue;
    auto* item = new TvxListBoxItem(this);
    resItems_.emplace_back(item, res);
    auto* label = new TvxLabel(this);
    label->SetAlign(vaClient);
    label->SetHitTest(false);
    label->SetText(rtl::Utf8ToWide(res->ResourceName()));
    item->AddObject(label);
    auto* swatch = new TvxRectangle(this);
    swatch->SetAlign(vaLeft);
    swatch->SetHitTest(false);
    swatch->Padding()->SetRect(MakeRect(2, 2, 2, 2));
    swatch->Fill()->SetStyle(vgBrushResource);
    swatch->Fill()->Resource()->SetResource(res);
    swatch->Stroke()->SetColor("#80FFFFFF");
    item->AddObject(swatch);
    resList_->AddObject(item);
    res->AddFreeNotify(&freed_);
    if (brush_->Resource()->Resource() == res) resList_->SetItemIndex(resList_->Count() - 1);
  }
}

void TvxBrushDesign::RepaintDesignObject() {
  if (auto* v = dynamic_cast<TvxVisualObject*>(designObject_)) v->Repaint();
}

TvxGradientPoint* TvxBrushDesign::CurrentStop() const {
  const int i = gradEditor_->CurrentPoint();
  TvxGradientPoints* points = gradEditor_->Gradient()->Points();
  return i >= 0 && i < points->Count() ? points->GetPoint(i) : nullptr;
}

void TvxBrushDesign::SolidQuadChange(rtl::TObject*) {
  if (!brush_) return;
  const TvxColor old = brush_->Color();
  solidQuad_->SetAlpha(static_cast<float>(AlphaOf(old)) / 255.0f);
  const TvxColor c = (HSLToRGB(solidQuad_->Hue(), solidQuad_->Sat(), solidQuad_->Lum()) & 0x00FFFFFF) |
                     (brush_->Color() & 0xFF000000);
  brush_->SetSolidColor(c);
  pushing_ = true;
  solidBoxes_[0]->SetValue(RedOf(c));
  solidBoxes_[1]->SetValue(GreenOf(c));
  solidBoxes_[2]->SetValue(BlueOf(c));
  solidBoxes_[3]->SetValue(AlphaOf(c));
  solidHex_->SetText(rtl::Utf8ToWide(ColorToString(c)));
  pushing_ = false;
}

void TvxBrushDesign::SolidHexChange(rtl::TObject*) {
  if (!brush_ || pushing_) return;
  brush_->SetSolidColor(StringToColor(rtl::WideToUtf8(solidHex_->Text())));
  solidPicker_->SetColor(brush_->Color());
}

void TvxBrushDesign::SolidBoxChange(rtl::TObject*) {
  if (!brush_ || pushing_) return;
  brush_->SetSolidColor(ColorOfBoxes(solidBoxes_));
  solidPicker_->SetColor(brush_->Color());
}

void TvxBrushDesign::GradQuadChange(rtl::TObject*) {
  if (!brush_) return;
  if (TvxGradientPoint* p = CurrentStop())
    p->SetIntColor((HSLToRGB(gradQuad_->Hue(), gradQuad_->Sat(), gradQuad_->Lum()) & 0x00FFFFFF) |
                   (p->IntColor() & 0xFF000000));
  brush_->SetGradient(gradEditor_->Gradient());
  const TvxColor c = gradSwatch_->Color();
  pushing_ = true;
  gradBoxes_[0]->SetValue(RedOf(c));
  gradBoxes_[1]->SetValue(GreenOf(c));
  gradBoxes_[2]->SetValue(BlueOf(c));
  gradBoxes_[3]->SetValue(AlphaOf(c));
  gradHex_->SetText(rtl::Utf8ToWide(ColorToString(c)));
  pushing_ = false;
  gradEditor_->Repaint();
}

void TvxBrushDesign::GradEditorChange(rtl::TObject*) {
  if (brush_) brush_->SetGradient(gradEditor_->Gradient());
}

void TvxBrushDesign::GradBoxChange(rtl::TObject*) {
  if (!brush_ || pushing_) return;
  if (TvxGradientPoint* p = CurrentStop()) p->SetIntColor(ColorOfBoxes(gradBoxes_));
  gradEditor_->UpdateColorPicker();
}

void TvxBrushDesign::GradHexChange(rtl::TObject*) {
  if (!brush_ || pushing_) return;
  if (TvxGradientPoint* p = CurrentStop()) p->SetIntColor(StringToColor(rtl::WideToUtf8(gradHex_->Text())));
  gradEditor_->UpdateColorPicker();
}

void TvxBrushDesign::GradKindChange(rtl::TObject*) {
  if (!brush_) return;
  const int kind = gradKind_->ItemIndex();
  gradEditor_->Gradient()->SetStyle(kind == 1 ? vgRadialGradient : vgLinearGradient);
  gradEditor_->UpdateColorPicker();
  gradAngle_->SetVisible(gradEditor_->Gradient()->IsLinear());
}

void TvxBrushDesign::GradAngleChange(rtl::TObject*) {
  if (!brush_) return;
  SetGradientAngle(*gradEditor_->Gradient(), gradAngle_->Value());
  gradEditor_->UpdateColorPicker();
  gradAngleLabel_->SetText(rtl::Utf8ToWide(std::to_string(Trunc(gradAngle_->Value()))));
}

void TvxBrushDesign::TabChange(rtl::TObject*) {
  if (!brush_) return;
  const std::vector<TvxTabItem*> visible = tabs_->VisibleItems();
  const int index = tabs_->ItemIndex();
  if (index < 0 || index >= static_cast<int>(visible.size())) return;
  TvxBrushStyle style = vgBrushNone;
  for (int i = 0; i < 5; ++i)
    if (tabItems_[i] == visible[static_cast<size_t>(index)]) style = brush_designer_internal::TabStyles[i];
  brush_->SetStyle(style);
  if (style == vgBrushGradient) {
    GradQuadChange(nullptr);
    gradAngleLabel_->SetText(rtl::Utf8ToWide(std::to_string(Trunc(gradAngle_->Value()))));
  }
  const bool makes = style != vgBrushResource && style != vgBrushNone;
  btnMakeRes_->SetVisible(makes);
  if (!makes) FillResourceList();
}

void TvxBrushDesign::BrushListChange(rtl::TObject*) {
  if (!brush_ || !DesignScene() || !designObject_) return;
  if (TvxListBoxItem* item = brushList_->Selected())
    if (TvxBrush* b = TagOf(brushItems_, item)) SetBrush(b);
}

// The bitmap page's picture goes through the bitmap editor; on OK it becomes the picture
// and a copy of it the brush's bitmap.
void TvxBrushDesign::SelectBitmapClick(rtl::TObject*) {
  auto editor = std::make_unique<TvxBitmapEditor>(nullptr);
  BitmapEditorLoad(editor.get(), bitmapImage_->Bitmap());
  if (editor->ShowModal() != win::mrOk) return;
  BitmapEditorResult(editor.get(), bitmapImage_->Bitmap());
  if (brush_) brush_->Bitmap()->Bitmap()->Assign(bitmapImage_->Bitmap());
  RepaintDesignObject();
  bitmapImage_->Repaint();
}

void TvxBrushDesign::TileModeChange(rtl::TObject*) {
  if (!brush_) return;
  const int mode = tileMode_->ItemIndex();
  if (mode >= 0 && mode <= static_cast<int>(vgWrapTileStretch))
    brush_->Bitmap()->SetWrapMode(static_cast<TvxWrapMode>(mode));
  RepaintDesignObject();
}

void TvxBrushDesign::ResListChange(rtl::TObject*) {
  if (!brush_ || !DesignScene() || !DesignScene()->GetRoot()) return;
  TvxListBoxItem* item = resList_->Selected();
  TvxBrushObject* res = item ? TagOf(resItems_, item) : nullptr;
  if (!res) return;
  brush_->Assign(res->Brush());
  brush_->Resource()->SetResource(res);
  brush_->SetStyle(vgBrushResource);
}

TvxBrushDesign* ShowBrushDesigner(rtl::TObject* Target, rtl::TComponent* Owner) {
  if (!sharedDesigner) sharedDesigner = new TvxBrushDesign(nullptr);
  TvxBrushDesign* d = sharedDesigner;
  if (!Target) {
    d->SetDesignObject(nullptr);
    d->SetBrush(nullptr);
  } else if (auto* b = dynamic_cast<TvxBrush*>(Target)) {
    d->SetDesignObject(Owner);
    d->SetBrush(b);
  } else if (auto* o = dynamic_cast<TvxObject*>(Target)) {
    d->SetDesignObject(o);
  }
  // Placed as the modal designer is when it comes; one showing already stays where it is.
  if (!d->Showing()) brush_designer_internal::PlaceOverOpener(*d);
  d->Show();
  return d;
}

TvxBrushDesign* SharedBrushDesigner() { return sharedDesigner; }

}  // namespace vg
