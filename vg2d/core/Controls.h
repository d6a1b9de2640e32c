// TvxControl: the base of every styled control. A control draws nothing of its own: its
// look is a style, a tree of shapes, texts and animations found by name in a style
// resource and inserted, as a copy, as the control's first child. Also here: the binding
// of a control's data to other controls, the filled control that is the root of style
// trees (TvxBackground), and the resource objects that carry a brush, a path or a bitmap
// under a name for the paint values of a tree.
//
// Where a control looks for its style, the first hit winning:
//   1. with a Resource name: the host's style, the built-in style (when already loaded),
//      then the live resource objects (FindResourceObject);
//   2. the host's style: the Resource name, or else the name derived from the class
//      (class name without its first three characters, plus "style": TvxButton looks for
//      "Buttonstyle"; case is ignored);
//   3. the built-in style (loaded now if it was not): the Resource name, or else the
//      derived name of the class, then that of its parent class. The parent class is tried
//      only here, never in the host's style.
// A control without a Resource first asks the controls above it, nearest first, for the
// name to use in place of its derived one (ContentStyleName); the first that answers
// decides, and its name is tried in the host's style and then in the built-in style before
// the steps above. So plain content in a Hud list takes the Hud look.
// The style is looked up lazily: on the first paint, on SetResource outside loading, or
// on UpdateStyle.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Actions.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/Brushes.h"
#include "vg2d/core/PathData.h"
#include "vg2d/core/VisualObjects.h"

namespace vg {

class TvxControlActionLink;

class TvxControl : public TvxVisualObject {
  RTL_CLASS(TvxControl, TvxVisualObject)
public:
  explicit TvxControl(rtl::TComponent* AOwner);
  ~TvxControl() override;
  // Leaves the binding source and lets every bound control go, while the control is whole.
  void BeforeDestruction() override;

  // ---- style ----------------------------------------------------------------------------
  // The applied style tree: always the first child while set; owned by the control.
  TvxVisualObject* Style() const { return style_; }
  // Whether the style is still to be looked up and applied.
  bool NeedStyle() const { return needStyle_; }
  // The name of the style part to use; empty means the name derived from the class.
  const std::string& Resource() const { return resource_; }
  // Stores the name and re-applies the style at once, unless loading or updating.
  void SetResource(const std::string& Value);
  // The style part name derived from a class name: "TvxHudButton" gives "HudButtonstyle".
  static std::string StyleNameOf(const std::string& ClassName);
  // A new copy of the style part this control uses (see the head of this file), owned by
  // the control but not yet its child; nil when there is none.
  std::unique_ptr<TvxVisualObject> FindStyleResource();
  // The style name that Inner, a control without a Resource somewhere below this one,
  // looks up in place of its derived Name; empty when this control has no say (the look-up
  // asks further up). None here.
  virtual std::string ContentStyleName(TvxControl* Inner, const std::string& Name);
  // Looks the style up and applies it, only while NeedStyle: the new tree becomes the first
  // child, aligned to the contents, not stored with the control and locked (so its parts
  // run the control's trigger animations); the old tree is freed after FreeStyle.
  void ApplyResource() override;
  // Re-applies the style (the children first), unless loading or being destroyed.
  void UpdateStyle() override;
  // The style's parts first, then the other children.
  TvxObject* FindResource(const std::string& Name) override;
  // A control gets its style at its first paint at the latest.
  void BeforePaint() override;
  // Frees the children; the style reference goes first.
  void DeleteChildren() override;

  // Whether the hint is translated (TranslateText) when the style is applied.
  bool AutoTranslate() const { return autoTranslate_; }
  void SetAutoTranslate(bool Value) { autoTranslate_ = Value; }

  // ---- data binding -------------------------------------------------------------------
  // The control whose data this one follows. Source and bound controls subscribe to each
  // other's free notification, so that neither keeps the other once it is freed.
  TvxControl* BindingSource() const { return bindingSource_; }
  void SetBindingSource(TvxControl* Value);
  // Appends AObject to the controls that follow this one's data (once) and hands it the
  // data at once; returns its index.
  int AddBindingObject(TvxControl* AObject);
  void RemoveBindingObject(TvxControl* AObject);
  int BindingObjectCount() const { return static_cast<int>(bindingObjects_.size()); }
  // Hands GetData to every bound control, in order (controls call it when their value
  // changes).
  void UpdateBindings();

  // ---- action ---------------------------------------------------------------------------
  // The action whose caption, enabled state, hint, visibility and execute handler the
  // control shows while its own values still equal the action's; forgotten when it is
  // freed. Nil frees the link.
  virtual rtl::TBasicAction* GetAction() const;
  void SetAction(rtl::TBasicAction* Value);
  // Has the action update itself (its OnUpdate), when there is one.
  virtual void InitiateAction();
  // The text a text control shows as a custom action's caption; controls without a text
  // answer false and take none.
  virtual bool GetActionText(std::u16string&) const { return false; }
  virtual void SetActionText(const std::u16string&) {}

protected:
  // Takes a custom action's values; with CheckDefaults (the action was set while loading)
  // only those the control still has at their defaults.
  virtual void ActionChange(rtl::TBasicAction* Sender, bool CheckDefaults);
  // Descendants take their style parts here (FindResource on the style) and set them up.
  // The base shows the focus again on a focused control and translates the hint.
  virtual void ApplyStyle();
  // Called just before the style tree is freed (or taken away): descendants drop their
  // references to style parts here.
  virtual void FreeStyle() {}

  void Loaded() override;
  void EnterFocus() override;
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;
  bool ResourcesVisible() const override { return false; }
  void ChildRemoving(TvxObject* AObject) override;

private:
  // The style was freed or taken away by someone else: FreeStyle, then forget it.
  void DropStyle();
  void DoActionChange(rtl::TObject* Sender);

  std::unique_ptr<TvxControlActionLink> actionLink_;

  TvxVisualObject* style_ = nullptr;
  bool needStyle_ = true;
  std::vector<TvxControl*> bindingObjects_;
  TvxControl* bindingSource_ = nullptr;
  bool autoTranslate_ = false;
  std::string resource_;
};

// The link between a control and its action: the action writes a changed value into the
// control while the control's value still equals the action's; a hint asked for the
// control goes through the action's OnHint and is always shown.
class TvxControlActionLink : public rtl::TActionLink {
  RTL_CLASS(TvxControlActionLink, rtl::TActionLink)
public:
  explicit TvxControlActionLink(TvxControl* AClient = nullptr) : client_(AClient) {}
  TvxControl* Client() const { return client_; }

  bool IsCaptionLinked() override;
  bool IsEnabledLinked() override;
  bool IsHintLinked() override;
  bool IsVisibleLinked() override;
  bool IsOnExecuteLinked() override;
  void SetCaption(const std::string& Value) override;
  void SetEnabled(bool Value) override;
  void SetHint(const std::string& Value) override;
  void SetVisible(bool Value) override;
  void SetOnExecute(const rtl::TNotifyEvent& Value) override;
  bool DoShowHint(std::string& HintStr) override;

private:
  TvxControl* client_;
};

// The filled control: the root of style trees and a plain coloured area. While its fill
// is not "none" it paints the fill instead of its style.
class TvxBackground : public TvxControl {
  RTL_CLASS(TvxBackground, TvxControl)
public:
  explicit TvxBackground(rtl::TComponent* AOwner);
  ~TvxBackground() override;

  // Solid #FFE0E0E0 at creation.
  TvxBrush* Fill() const { return fill_.get(); }
  void SetFill(TvxBrush* Value) { fill_->Assign(Value); }

  void Paint() override;
  void PaintChildren() override;

protected:
  virtual void FillChanged(rtl::TObject* Sender);

private:
  const std::unique_ptr<TvxBrush> fill_;
};

// The resource objects: each carries one value, published under the value's name, for the
// brushes, bitmaps and paths of a tree that name it by ResourceName. Renamed while its
// ResourceName is empty, a resource object takes its new Name as its ResourceName, so one
// placed in a form is found under its component name.
class TvxBrushObject : public TvxObject {
  RTL_CLASS(TvxBrushObject, TvxObject)
public:
  explicit TvxBrushObject(rtl::TComponent* AOwner);
  ~TvxBrushObject() override;
  // Solid opaque white at creation.
  TvxBrush* Brush() const { return brush_.get(); }
  void SetBrush(TvxBrush* Value) { brush_->Assign(Value); }
  TvxBrush* GetResourceBrush() override { return brush_.get(); }
  void SetName(const std::string& NewName) override;

private:
  const std::unique_ptr<TvxBrush> brush_;
};

class TvxPathObject : public TvxObject {
  RTL_CLASS(TvxPathObject, TvxObject)
public:
  explicit TvxPathObject(rtl::TComponent* AOwner);
  ~TvxPathObject() override;
  // Empty at creation.
  TvxPathData* Path() const { return path_.get(); }
  void SetPath(TvxPathData* Value) { path_->Assign(Value); }
  TvxPathData* GetResourcePath() override { return path_.get(); }
  void SetName(const std::string& NewName) override;

private:
  const std::unique_ptr<TvxPathData> path_;
};

class TvxBitmapObject : public TvxObject {
  RTL_CLASS(TvxBitmapObject, TvxObject)
public:
  explicit TvxBitmapObject(rtl::TComponent* AOwner);
  ~TvxBitmapObject() override;
  // 1 x 1 at creation.
  TvxBitmap* Bitmap() const { return bitmap_.get(); }
  void SetBitmap(TvxBitmap* Value) { bitmap_->Assign(Value); }
  TvxBitmap* GetResourceBitmap() override { return bitmap_.get(); }
  void SetName(const std::string& NewName) override;

private:
  const std::unique_ptr<TvxBitmap> bitmap_;
};

}  // namespace vg
