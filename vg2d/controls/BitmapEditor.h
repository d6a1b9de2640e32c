// The bitmap editor: a modal window (centred on the screen) that loads or pastes a picture, shows it
// scaled (the track, "Fit" and "1:1"), crops it with a selection frame, resizes it, clears it to 1 x 1
// and saves it, and hands the result back. "Paste" shows while the clipboard holds a picture. Its
// content is the component text "TVXBITMAPEDITOR";
// the editor finds its parts there by resource name.
//
// Callers make an editor without owner, BitmapEditorLoad it, show it modally and on OK take
// BitmapEditorResult, then free it.
#pragma once

#include <memory>
#include <string>

#include "platform/win/Forms.h"
#include "vg2d/core/Geometry.h"

namespace win {
class TBitmap;
}

namespace vg {

class TvxBackground;
class TvxBitmap;
class TvxButton;
class TvxControl;
class TvxLabel;
class TvxNumberBox;
class TvxObject;
class TvxPaintBox;
class TvxScene;
class TvxScrollBox;
class TvxSelection;
class TvxTrack;
class TvxVisualObject;
class TvxCanvas;
class TvxBitmapEditor;

void BitmapEditorLoad(TvxBitmapEditor* Editor, TvxBitmap* Bitmap);
void BitmapEditorResult(TvxBitmapEditor* Editor, TvxBitmap* Bitmap);

class TvxBitmapEditor : public win::TForm {
  RTL_CLASS(TvxBitmapEditor, win::TForm)
public:
  explicit TvxBitmapEditor(rtl::TComponent* AOwner);
  ~TvxBitmapEditor() override;

  // Makes the content from the component text of that name (the scene's root); a root of
  // another class or a missing part raises EReadError.
  static constexpr const char* ContentResourceName = "TVXBITMAPEDITOR";

  TvxBitmap* Bitmap() const { return bitmap_.get(); }
  const TvxRect& SourceRect() const { return sourceRect_; }
  TvxSelection* CropFrame() const { return cropFrame_; }
  const std::string& FileName() const { return fileName_; }
  float PreviewScale() const;
  void SetPreviewScale(float Value);
  // A named part of the content (nil when there is none).
  TvxObject* Part(const std::string& Name) const;
  TvxScene* Scene() const { return scene_; }

  // The handlers the content's controls call.
  void LoadClick(rtl::TObject* Sender);
  // Loads a file as "Load..." does after its dialog. A file that gives no picture raises
  // EReadError naming it and leaves the editor as it was.
  void LoadFile(const std::string& FileName);
  // Saves the picture as "Save..." does after its dialog (the format follows the extension).
  // A save that fails raises EWriteError naming the file and why.
  void SaveFile(const std::string& FileName);
  // A failed save raises out of the handler, so the user is told.
  void SaveClick(rtl::TObject* Sender);
  // Takes the clipboard's picture (when it comes) as a loaded one.
  void PasteClick(rtl::TObject* Sender);
  void ScaleChange(rtl::TObject* Sender);
  void FitClick(rtl::TObject* Sender);
  void OriginalClick(rtl::TObject* Sender);
  void CropClick(rtl::TObject* Sender);
  void ClearClick(rtl::TObject* Sender);
  void ResizeClick(rtl::TObject* Sender);
  void NewWidthChange(rtl::TObject* Sender);
  void NewHeightChange(rtl::TObject* Sender);
  void ResizeOkClick(rtl::TObject* Sender);
  void ResizeCancelClick(rtl::TObject* Sender);

  // Shows the picture in place of the one edited, as a loaded one.
  void PastePicture(const win::TBitmap& Picture);
  // "Paste" shows while the clipboard holds a picture; asked each time the window activates.
  void UpdatePasteButton();

  win::LRESULT WndProc(win::MSG& Message) override;

protected:
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

private:
  friend void BitmapEditorLoad(TvxBitmapEditor* Editor, TvxBitmap* Bitmap);
  friend void BitmapEditorResult(TvxBitmapEditor* Editor, TvxBitmap* Bitmap);
  template <class T>
  T* Need(const std::string& Name) const;
  void PreviewPaint(rtl::TObject* Sender, TvxCanvas* Canvas, const TvxRect& ARect);
  void TrackMouseDown(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y);
  // The preview follows the bitmap's size at the current scale.
  void SizePreview();
  void RemoveCropFrame();
  void HideResize();

  std::unique_ptr<TvxBitmap> bitmap_;
  TvxRect sourceRect_{0, 0, 1, 1};
  TvxSelection* cropFrame_ = nullptr;
  float previousScale_ = 1;
  std::string fileName_;
  TvxScene* scene_ = nullptr;
  TvxBackground* root_ = nullptr;
  TvxPaintBox* preview_ = nullptr;
  TvxScrollBox* scrollBox_ = nullptr;
  TvxTrack* trackScale_ = nullptr;
  TvxLabel* labelScale_ = nullptr;
  TvxControl* editControl_ = nullptr;
  TvxButton* btnOk_ = nullptr;
  TvxButton* cropButton_ = nullptr;
  TvxButton* btnPaste_ = nullptr;
  TvxBackground* resizeLayout_ = nullptr;
  TvxNumberBox* newWidth_ = nullptr;
  TvxNumberBox* newHeight_ = nullptr;
  bool syncingSize_ = false;
};

// Copies Bitmap into the editor and shows it; nil leaves the editor as it is.
void BitmapEditorLoad(TvxBitmapEditor* Editor, TvxBitmap* Bitmap);
// Bitmap takes the editor's picture, or the part under the crop frame in picture pixels
// (clipped to the picture); nothing for nil.
void BitmapEditorResult(TvxBitmapEditor* Editor, TvxBitmap* Bitmap);

}  // namespace vg

namespace vg {

// The inspector's designer of bitmaps: the editor, modal, writing the result back on OK.
void EditBitmapInEditor(rtl::TObject* Bitmap, rtl::TComponent* Inspected);

}  // namespace vg
