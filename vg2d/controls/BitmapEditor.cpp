#include "vg2d/controls/BitmapEditor.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Graphics.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/FileDialog.h"
#include "vg2d/controls/NumberBox.h"
#include "vg2d/controls/ScrollBox.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/ImageShapes.h"
#include "vg2d/core/Registry.h"
#include "vg2d/core/SceneControl.h"
#include "vg2d/core/Selection.h"

namespace vg {

namespace {

constexpr float SlideSeconds = 0.3f;

}  // namespace

rtl::TClass TvxBitmapEditor::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxBitmapEditor>().Build();
  return &info;
}

TvxBitmapEditor::TvxBitmapEditor(rtl::TComponent* AOwner)
    : win::TForm(AOwner), bitmap_(std::make_unique<TvxBitmap>(1, 1)) {
  SetCaption("Bitmap Editor");
  SetBounds(100, 60, 600, 508);
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

  preview_ = Need<TvxPaintBox>("Preview");
  scrollBox_ = Need<TvxScrollBox>("ScrollBox1");
  trackScale_ = Need<TvxTrack>("trackScale");
  labelScale_ = Need<TvxLabel>("labelScale");
  editControl_ = Need<TvxControl>("editControl");
  btnOk_ = Need<TvxButton>("btnOk");
  cropButton_ = Need<TvxButton>("cropButton");
  btnPaste_ = Need<TvxButton>("btnPaste");
  resizeLayout_ = Need<TvxBackground>("resizeLayout");
  newWidth_ = Need<TvxNumberBox>("newWidth");
  newHeight_ = Need<TvxNumberBox>("newHeight");

  using E = TvxBitmapEditor;
  const auto click = [this](const char* Name, void (E::*Handler)(rtl::TObject*)) {
    Need<TvxButton>(Name)->OnClick = rtl::TNotifyEvent(this, Handler);
  };
  click("Button1", &E::LoadClick);
  click("btnSave", &E::SaveClick);
  click("btnPaste", &E::PasteClick);
  click("btnFit", &E::FitClick);
  click("btnOriginal", &E::OriginalClick);
  click("cropButton", &E::CropClick);
  click("Button3", &E::ClearClick);
  click("btnResize", &E::ResizeClick);
  click("Button4", &E::ResizeOkClick);
  click("Button5", &E::ResizeCancelClick);
  btnOk_->SetModalResult(win::mrOk);
  Need<TvxButton>("Button2")->SetModalResult(win::mrCancel);
  // Before the children, so that the crop frame lies over the picture.
  preview_->OnBeforePaint = TvxPaintEvent(this, &E::PreviewPaint);
  trackScale_->OnChange = rtl::TNotifyEvent(this, &E::ScaleChange);
  trackScale_->OnMouseDown = TvxMouseEvent(this, &E::TrackMouseDown);
  newWidth_->OnChange = rtl::TNotifyEvent(this, &E::NewWidthChange);
  newHeight_->OnChange = rtl::TNotifyEvent(this, &E::NewHeightChange);
  resizeLayout_->SetVisible(false);
}

TvxBitmapEditor::~TvxBitmapEditor() { win::ClipboardCancelRequests(this); }

TvxObject* TvxBitmapEditor::Part(const std::string& Name) const { return root_ ? FindNamedObject(root_, Name) : nullptr; }

template <class T>
T* TvxBitmapEditor::Need(const std::string& Name) const {
  T* part = dynamic_cast<T*>(Part(Name));
  if (!part) throw rtl::EReadError("The bitmap editor's content has no part " + Name);
  return part;
}

void TvxBitmapEditor::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == rtl::opRemove && AComponent == cropFrame_) cropFrame_ = nullptr;
}

float TvxBitmapEditor::PreviewScale() const { return trackScale_->Value(); }

void TvxBitmapEditor::SetPreviewScale(float Value) { trackScale_->SetValue(Value); }

void TvxBitmapEditor::SizePreview() {
  const float s = PreviewScale();
  preview_->SetWidth(static_cast<float>(bitmap_->Width()) * s);
  preview_->SetHeight(static_cast<float>(bitmap_->Height()) * s);
  scrollBox_->Realign();
}

void TvxBitmapEditor::PreviewPaint(rtl::TObject*, TvxCanvas* Canvas, const TvxRect&) {
  if (!Canvas || bitmap_->IsEmpty()) return;
  const float s = PreviewScale();
  Canvas->DrawBitmap(bitmap_.get(), sourceRect_,
                     {0, 0, RectWidth(sourceRect_) * s, RectHeight(sourceRect_) * s}, 1);
}

// ---- loading and saving --------------------------------------------------------------------------

void BitmapEditorLoad(TvxBitmapEditor* Editor, TvxBitmap* Bitmap) {
  if (!Editor || !Bitmap) return;
  Editor->fileName_.clear();
  Editor->bitmap_->Assign(Bitmap);
  Editor->sourceRect_ = {0, 0, static_cast<float>(Bitmap->Width()), static_cast<float>(Bitmap->Height())};
  Editor->SizePreview();
  if (Bitmap->Width() > 1) {
    Editor->editControl_->SetEnabled(true);
    Editor->btnOk_->SetEnabled(true);
  }
}

void BitmapEditorResult(TvxBitmapEditor* Editor, TvxBitmap* Bitmap) {
  if (!Editor || !Bitmap) return;
  TvxSelection* frame = Editor->cropFrame_;
  const TvxBitmap& source = *Editor->bitmap_;
  if (!frame || frame->Width() <= 0 || frame->Height() <= 0) {
    Bitmap->Assign(&source);
    return;
  }
  const float s = Editor->PreviewScale();
  const float x = frame->Position()->X(), y = frame->Position()->Y();
  const TvxRect r{x / s, y / s, (x + frame->Width()) / s, (y + frame->Height()) / s};
  Editor->sourceRect_ = r;
  // The part of the frame that lies on the picture; the frame keeps inside the preview,
  // but rounding may still reach a pixel beyond an edge.
  const int left = static_cast<int>(std::clamp<int64_t>(Round(r.Left), 0, source.Width()));
  const int top = static_cast<int>(std::clamp<int64_t>(Round(r.Top), 0, source.Height()));
  const int width = static_cast<int>(std::clamp<int64_t>(Round(RectWidth(r)), 0, source.Width() - left));
  const int height = static_cast<int>(std::clamp<int64_t>(Round(RectHeight(r)), 0, source.Height() - top));
  Bitmap->SetSize(width, height);
  for (int i = 0; i < height; ++i) {
    const uint32_t* from = source.Bits() + static_cast<size_t>(top + i) * source.Width() + left;
    std::copy(from, from + width, Bitmap->GetScanline(i));
  }
  Bitmap->BitmapChanged();
}

void TvxBitmapEditor::LoadFile(const std::string& FileName) {
  // Decoded into a picture of its own first: a file that gives none changes nothing here,
  // and the error (which "Load..." lets through to the loop) tells the user.
  const std::unique_ptr<TvxBitmap> loaded = ReadPictureFile(FileName);
  fileName_ = FileName;
  bitmap_->Assign(loaded.get());
  preview_->Repaint();
  sourceRect_ = {0, 0, static_cast<float>(bitmap_->Width()), static_cast<float>(bitmap_->Height())};
  SizePreview();
  editControl_->SetEnabled(true);
  btnOk_->SetEnabled(true);
}

// A file that holds no picture raises out of the handler, so the user is told.
void TvxBitmapEditor::LoadClick(rtl::TObject*) {
  TvxFileDialog dialog;
  dialog.Filter = ImageFileFilter();
  dialog.Title = "Load";
  if (dialog.Execute()) LoadFile(dialog.FileName);
}

void TvxBitmapEditor::SaveClick(rtl::TObject*) {
  TvxFileDialog dialog;
  dialog.DefaultExt = "png";
  dialog.Filter = "PNG Image|*.png|JPEG Image|*.jpeg|BMP Image|*.bmp";
  dialog.Title = "Save";
  dialog.FileName = fileName_;
  if (dialog.Execute()) SaveFile(dialog.FileName);
}

void TvxBitmapEditor::SaveFile(const std::string& FileName) {
  std::string why;
  if (!bitmap_->SaveToFile(FileName, {}, &why))
    throw rtl::EWriteError("The picture could not be saved to " + FileName + (why.empty() ? "" : ": " + why));
}

void TvxBitmapEditor::PasteClick(rtl::TObject*) {
  win::ClipboardRequestPicture(this, [this](const win::TBitmap* Picture) {
    if (Picture) PastePicture(*Picture);
  });
}

void TvxBitmapEditor::PastePicture(const win::TBitmap& Picture) {
  fileName_.clear();
  bitmap_->Assign(&Picture);
  sourceRect_ = {0, 0, static_cast<float>(bitmap_->Width()), static_cast<float>(bitmap_->Height())};
  SizePreview();
  preview_->Repaint();
  editControl_->SetEnabled(true);
  btnOk_->SetEnabled(true);
}

void TvxBitmapEditor::UpdatePasteButton() {
  win::ClipboardRequestHasPicture(this, [this](bool Has) { btnPaste_->SetVisible(Has); });
}

win::LRESULT TvxBitmapEditor::WndProc(win::MSG& Message) {
  const win::LRESULT result = inherited::WndProc(Message);
  // What the clipboard holds may have changed while another window was active.
  if (Message.message == win::WM_ACTIVATE && Message.wParam != win::WA_INACTIVE) UpdatePasteButton();
  return result;
}

// ---- scale -------------------------------------------------------------------------------------

void TvxBitmapEditor::ScaleChange(rtl::TObject*) {
  const float s = PreviewScale();
  SizePreview();
  if (cropFrame_ && previousScale_ != 0) {
    const float k = s / previousScale_;
    cropFrame_->SetBounds(cropFrame_->Position()->X() * k, cropFrame_->Position()->Y() * k,
                          cropFrame_->Width() * k, cropFrame_->Height() * k);
  }
  previousScale_ = s;
  labelScale_->SetText(u"Scale: " + rtl::Utf8ToWide(std::to_string(Round(s * 100))) + u"%");
}

void TvxBitmapEditor::TrackMouseDown(rtl::TObject*, rtl::TMouseButton, rtl::TShiftState Shift, float, float) {
  if (Shift.Contains(rtl::ssDouble)) SetPreviewScale(1);
}

void TvxBitmapEditor::FitClick(rtl::TObject*) {
  TvxRect r{0, 0, static_cast<float>(bitmap_->Width()), static_cast<float>(bitmap_->Height())};
  const float ratio = FitRect(r, scrollBox_->GetLocalRect());
  if (ratio > 0) SetPreviewScale(1 / ratio);
}

void TvxBitmapEditor::OriginalClick(rtl::TObject*) { SetPreviewScale(1); }

// ---- crop, clear, resize -------------------------------------------------------------------------

void TvxBitmapEditor::RemoveCropFrame() {
  if (!cropFrame_) return;
  delete cropFrame_;
  preview_->Repaint();
  cropButton_->SetText(u"Crop");
}

void TvxBitmapEditor::CropClick(rtl::TObject*) {
  if (cropFrame_) {
    RemoveCropFrame();
    return;
  }
  FitClick(nullptr);
  const float s = PreviewScale();
  const float w = static_cast<float>(bitmap_->Width()), h = static_cast<float>(bitmap_->Height());
  auto frame = std::make_unique<TvxSelection>(this);
  frame->SetBounds(static_cast<float>(Trunc(w * 0.1f * s)), static_cast<float>(Trunc(h * 0.1f * s)), w * 0.8f * s,
                   static_cast<float>(Trunc(h * 0.8f * s)));
  cropFrame_ = frame.get();
  FreeNotification(cropFrame_);
  preview_->AddObject(frame.release());
  previousScale_ = s;
  cropButton_->SetText(u"Full");
}

void TvxBitmapEditor::ClearClick(rtl::TObject*) {
  editControl_->SetEnabled(false);
  btnOk_->SetEnabled(true);
  RemoveCropFrame();
  SetPreviewScale(1);
  // One transparent pixel, also where the picture had only one (its size would not change).
  bitmap_->SetSize(1, 1);
  bitmap_->Clear(0);
  sourceRect_ = {0, 0, 1, 1};
  SizePreview();
}

void TvxBitmapEditor::ResizeClick(rtl::TObject*) {
  syncingSize_ = true;
  newWidth_->SetValue(static_cast<float>(bitmap_->Width()));
  newHeight_->SetValue(static_cast<float>(bitmap_->Height()));
  syncingSize_ = false;
  resizeLayout_->Position()->SetY(-resizeLayout_->Height());
  resizeLayout_->SetVisible(true);
  resizeLayout_->BringToFront();
  resizeLayout_->AnimateFloat("Position.Y", 0, SlideSeconds);
}

void TvxBitmapEditor::NewWidthChange(rtl::TObject*) {
  if (syncingSize_ || bitmap_->Width() == 0) return;
  syncingSize_ = true;
  newHeight_->SetValue(static_cast<float>(
      Round(static_cast<double>(bitmap_->Height()) / bitmap_->Width() * newWidth_->Value())));
  syncingSize_ = false;
}

void TvxBitmapEditor::NewHeightChange(rtl::TObject*) {
  if (syncingSize_ || bitmap_->Height() == 0) return;
  syncingSize_ = true;
  newWidth_->SetValue(static_cast<float>(
      Round(static_cast<double>(bitmap_->Width()) / bitmap_->Height() * newHeight_->Value())));
  syncingSize_ = false;
}

void TvxBitmapEditor::HideResize() {
  resizeLayout_->AnimateFloatWait("Position.Y", -resizeLayout_->Height(), SlideSeconds);
  resizeLayout_->SetVisible(false);
}

void TvxBitmapEditor::ResizeOkClick(rtl::TObject*) {
  const std::string kept = fileName_;
  const int w = static_cast<int>(std::clamp<int64_t>(Trunc(newWidth_->Value()), 1, 4000));
  const int h = static_cast<int>(std::clamp<int64_t>(Trunc(newHeight_->Value()), 1, 4000));
  TvxBitmap resized(w, h);
  if (TvxCanvas* c = resized.GetCanvas(); c && c->BeginScene()) {
    c->DrawBitmap(bitmap_.get(), {0, 0, static_cast<float>(bitmap_->Width()), static_cast<float>(bitmap_->Height())},
                  {0, 0, static_cast<float>(w), static_cast<float>(h)}, 1);
    c->EndScene();
  }
  BitmapEditorLoad(this, &resized);
  fileName_ = kept;
  HideResize();
}

void TvxBitmapEditor::ResizeCancelClick(rtl::TObject*) { HideResize(); }

}  // namespace vg

namespace vg {

void EditBitmapInEditor(rtl::TObject* Bitmap, rtl::TComponent*) {
  auto* bitmap = dynamic_cast<TvxBitmap*>(Bitmap);
  if (!bitmap) return;
  auto editor = std::make_unique<TvxBitmapEditor>(nullptr);
  BitmapEditorLoad(editor.get(), bitmap);
  if (editor->ShowModal() == win::mrOk) BitmapEditorResult(editor.get(), bitmap);
}

}  // namespace vg
