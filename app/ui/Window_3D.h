// The base of the program's windows. A window is a frameless form whose whole content is one
// 3D scene (TdxScene) whose root holds one GUI object layer (TdxGUIObjectLayer) with the
// window's 2D controls. All of it is read from the window's component text, compiled into
// the program from app/ui/forms: the text's root object is the form itself, so every
// component keeps the name the text gives it (FindPart finds it) and a line such as
// "OnClick = HudButton_Work_ModeClick" binds the event to the published method of that name
// of the window's class.
//
// Each window binds once, after reading its text, into a typed struct of its parts written from
// the text at build time (BindFormParts, "app/ui/forms/<text>.h"), with a TPartBinder
// (Window_Parts.h), which raises naming the missing part and the window. The same header's
// FormHandlers publishes the handlers the text names.
//
// The layout rule of the main, settings and skin windows: the window's layout (the control
// that holds its content) is its client area less 26 x 44, placed at (13, 32) when the window
// is made; when the window is resized the layout is scaled, not laid out again.
//
// Texts are looked up when the window activates (LookUpTexts).
//
// Pages (Window_Page.h) are components owned by their window, each with a text of its own;
// FindPart looks into them too. Everything here runs on the GUI thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/win/Forms.h"

namespace dx {
class TdxScene;
class TdxGUIObjectLayer;
}  // namespace dx

namespace vg {
class TvxHudWindow;
class TvxVisualObject;
class TvxObject;
}  // namespace vg

namespace app {

class TModel;
class TWindowPage;

// The layout rule's margins: the layout is the client less these, at (LayoutLeft, LayoutTop).
constexpr int LayoutMarginWidth = 26;
constexpr int LayoutMarginHeight = 44;
constexpr int LayoutLeft = 13;
constexpr int LayoutTop = 32;

// What finishing the boxes being typed into tells at the program's end (TWindow_3D::FinishEditing).
struct TFinishReports {
  // A text that is no number: nothing of it was taken.
  std::vector<std::string> Failures;
  // A number held to its range: taken as held.
  std::vector<std::string> Notes;
};

class TWindow_3D : public win::TForm {
  RTL_CLASS(TWindow_3D, win::TForm)
public:
  explicit TWindow_3D(rtl::TComponent* AOwner);
  ~TWindow_3D() override;
  void BeforeDestruction() override;

  // Reads the window's component text (a compiled-in resource) into this form: the form's
  // properties, the scene, its layer and the 2D controls, with their names and handlers.
  // Then finds the scene, the layer and the layer's first root. Anything the text holds
  // that cannot be read (a class not registered, a property or value that does not fit, a
  // handler the class does not publish) raises rtl::EReadError listing every problem with
  // its line; a text without a scene or a layer raises too. Call it once, before Show.
  void ReadWindowText(const std::string& ResourceName);

  // The window's name in messages (its component name, "Form_3D_GEN").
  std::string WindowName() const;
  // The resource name of the text read.
  const std::string& TextName() const { return textName_; }
  dx::TdxScene* Scene() const { return scene_; }
  dx::TdxGUIObjectLayer* Layer() const { return layer_; }
  // The layer's first 2D root (the window's Hud window).
  vg::TvxVisualObject* Root() const { return root_; }

  // A component of the window or of one of its pages, by name; nil when none has it.
  rtl::TComponent* FindPart(const std::string& Name) const;
  // The window's pages in the order they were made.
  const std::vector<TWindowPage*>& Pages() const { return pages_; }

  // ---- the layout rule -----------------------------------------------------------------
  // Remembers the window's size as its design size and gives Layout the design layout:
  // client - 26 x 44 at (13, 32), scale 1.
  void PlaceLayout(vg::TvxVisualObject* Layout);
  // Scales the layout to the window's size now: X scale = (width - (design width - layout
  // design width)) / layout design width, Y likewise.
  void RescaleLayout();
  vg::TvxVisualObject* Layout() const { return layout_; }
  int DesignWidth() const { return designWidth_; }
  int DesignHeight() const { return designHeight_; }
  float LayoutDesignWidth() const { return layoutDesignWidth_; }
  float LayoutDesignHeight() const { return layoutDesignHeight_; }

  // Every window of the program alive now, in the order they were made (the model in force
  // keeps them; a window belongs to the model in force when it is made, which outlives it).
  static std::vector<TWindow_3D*> Windows();

  // The fonts were applied to this window's texts (action 6): a window whose texts keep a
  // colour of their own (the skin window's role) puts it back here.
  virtual void FontsApplied() {}
  // Whether the window stays above the program's other windows, also those shown or brought to
  // the front after it (a message, until it is answered): each of them, as it is activated,
  // puts it back above itself.
  virtual bool StaysAboveOthers() const { return false; }
  // The box the installer is typing into in this window, not finished with Enter nor by
  // leaving it, taken as finished, as leaving it would take it: the program ends, and what
  // was typed must not be lost. What that tells goes to Reports instead of the message window,
  // for the program's end to report: a text that is no number (nothing taken) to its Failures,
  // a number held to its range (taken as held) to its Notes. The default finishes nothing: a
  // window whose boxes take their text when left says how.
  virtual void FinishEditing(TFinishReports& /*Reports*/) {}

  win::LRESULT WndProc(win::MSG& Message) override;

protected:
  // The window's texts by language key, looked up each time the window activates; for a
  // language other than English the language's file is read first and freed afterwards.
  // A window with texts of its own overrides it; the default looks up nothing.
  virtual void LookUpTexts() {}

private:
  friend class TWindowPage;
  TModel* model_;
  std::string textName_;
  dx::TdxScene* scene_ = nullptr;
  dx::TdxGUIObjectLayer* layer_ = nullptr;
  vg::TvxVisualObject* root_ = nullptr;
  vg::TvxVisualObject* layout_ = nullptr;
  std::vector<TWindowPage*> pages_;
  int designWidth_ = 0, designHeight_ = 0;
  float layoutDesignWidth_ = 1, layoutDesignHeight_ = 1;
};

// Reads the component text ResourceName into Root (which is the text's root object and owns
// what it makes, whose published methods the text's events name). Problems are collected,
// each with its line, class and property, and raised together as one rtl::EReadError that
// names What. The text controls read keep their texts within their bounds (Trimmed).
void ReadComponentText(rtl::TComponent* Root, const std::string& ResourceName, const std::string& What);

// Every 2D object of a tree (Root included) in tree order.
std::vector<vg::TvxObject*> TreeObjects(vg::TvxObject* Root);

}  // namespace app
