// The path-data designer: a modal window (centred on the screen) with a memo for the text form of a path (SVG or
// XAML path syntax) and a preview of it, which takes the text whenever the memo reports a change
// (its text set or pasted, or typed and then left). Its content is the component text
// "TVXPATHDATADESIGNER"; the designer finds its parts there by resource name. The caller
// puts the path's text into the memo, shows the window modally and on OK writes the memo's
// text back (EditPathInDesigner does all three).
#pragma once

#include "platform/win/Forms.h"

namespace vg {

class TvxBackground;
class TvxMemo;
class TvxObject;
class TvxPath;
class TvxPathData;
class TvxScene;
class TvxVisualObject;

class TvxPathDataDesigner : public win::TForm {
  RTL_CLASS(TvxPathDataDesigner, win::TForm)
public:
  explicit TvxPathDataDesigner(rtl::TComponent* AOwner);

  static constexpr const char* ContentResourceName = "TVXPATHDATADESIGNER";

  TvxMemo* Memo() const { return memo_; }
  TvxPath* PreviewPath() const { return previewPath_; }
  TvxObject* Part(const std::string& Name) const;

  // The memo's change: the preview takes its text while the preview shows.
  void PathDataChange(rtl::TObject* Sender);
  // Replaces the memo's text by the clipboard's.
  void PasteClick(rtl::TObject* Sender);

private:
  TvxScene* scene_ = nullptr;
  TvxBackground* root_ = nullptr;
  TvxMemo* memo_ = nullptr;
  TvxPath* previewPath_ = nullptr;
  TvxVisualObject* previewLayout_ = nullptr;
};

// The inspector's designer of path data: the designer, modal, writing the text back on OK.
void EditPathInDesigner(rtl::TObject* Path, rtl::TComponent* Inspected);

}  // namespace vg
