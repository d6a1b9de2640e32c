// The object inspector: a tree view listing the published properties (and, when asked, the
// events) of one component, one row per property sorted by name, its value as text on the
// right half. Objects held by value (fonts, brushes, positions ...) are expanded as child
// rows; a property holding a 2D object shows that object's name. The selected row gets an
// in-place editor: a text box for numbers and strings, a popup box of the value names for
// enumerations, or an "Edit..." button for objects that have a designer (see
// RegisterInspectorDesigner). Edits go into the component at once.
//
// Each row is a tree item that keeps the instance owning its property in its TagObject and
// the property's name in its TagString; its value label is a child of it. The editor that
// covers a row keeps that row's label (hidden meanwhile) in its own TagObject.
//
// The inspector watches the inspected component and every component it lists: when one
// is freed the list is built again (without it). An object met twice while listing (a
// cycle) is shown by its class name and not expanded again.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "platform/rtl/Lists.h"
#include "vg2d/controls/TreeView.h"

namespace vg {

class TvxButton;
class TvxLabel;
class TvxTextBox;
class TvxPopupBox;

// Opens the designer of an object shown by the inspector ("Edit..."): Obj is the value of
// the property, Inspected the component the inspector shows.
using TvxInspectorDesigner = std::function<void(rtl::TObject* Obj, rtl::TComponent* Inspected)>;
// Registers the designer of a class and its descendants (the newest registration of the
// nearest class wins); nil takes it back.
void RegisterInspectorDesigner(rtl::TClass AClass, TvxInspectorDesigner Designer);
// The designer for Obj's class, or nil.
TvxInspectorDesigner FindInspectorDesigner(const rtl::TObject* Obj);

class TvxInspector : public TvxTreeView {
  RTL_CLASS(TvxInspector, TvxTreeView)
public:
  explicit TvxInspector(rtl::TComponent* AOwner);
  ~TvxInspector() override;

  rtl::TStrings* DisabledProperties() const { return disabledProperties_.get(); }
  // Copies the names.
  void SetDisabledProperties(rtl::TStrings* Value);
  rtl::TComponent* SelectedObject() const { return selectedObject_; }
  void SetSelectedObject(rtl::TComponent* Value);
  bool ShowProperties() const { return showProperties_; }
  void SetShowProperties(bool Value);
  bool ShowEvents() const { return showEvents_; }
  void SetShowEvents(bool Value);

  // Lists the selected object's properties again.
  void Rebuild();
  // The row of a property of Instance (the selected object or a listed sub-object), or nil.
  TvxTreeViewItem* FindRow(const rtl::TObject* Instance, const std::string& PropName) const;
  // The label that shows a row's value, or nil.
  static TvxLabel* ValueLabel(const TvxTreeViewItem* Row);
  // Shows the editor of the selected row.
  void ShowEditor();
  // The visible editor (the edit button when none is).
  TvxVisualObject* CurrentEditor() const;
  TvxTextBox* TextEditor() const { return textEditor_; }
  // The editor of enumeration rows: a popup box of the enumeration's value names.
  TvxPopupBox* EnumEditor() const { return enumEditor_; }
  TvxButton* EditButton() const { return editButton_; }
  // The editors' event: writes the editor's value into the property, or opens the designer.
  void EditorChange(rtl::TObject* Sender);

  void SetSelected(TvxTreeViewItem* Item) override;
  void DialogKey(uint16_t& Key, rtl::TShiftState Shift) override;

protected:
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;
  void VScrollChange(rtl::TObject* Sender) override;

private:
  void AddProperties(TvxObject* Parent, rtl::TObject* Instance, std::set<const rtl::TObject*>& Listed);
  void PlaceEditor(TvxVisualObject* Editor);
  template <class T>
  T* MakeEditor();
  void Watch(rtl::TComponent* Component);
  void ForgetWatched();
  // The three editors (nil for one already freed).
  std::array<TvxVisualObject*, 3> Editors() const;
  // The selected item when it is a row (it keeps an instance).
  TvxTreeViewItem* SelectedRow() const;

  std::unique_ptr<rtl::TStringList> disabledProperties_;
  rtl::TComponent* selectedObject_ = nullptr;
  bool showProperties_ = true;
  bool showEvents_ = false;
  TvxButton* editButton_ = nullptr;
  TvxTextBox* textEditor_ = nullptr;
  TvxPopupBox* enumEditor_ = nullptr;
  // The components listed besides the selected object (watched for their freeing).
  std::set<rtl::TComponent*> watched_;
  bool rebuilding_ = false;
};

}  // namespace vg
