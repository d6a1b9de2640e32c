// A small modal file dialog of the program's own, for opening and for saving: a form showing
// the folder it lists, that folder's subfolders (".." first, for the folder above) and its
// files that match the filter, a name box and OK and Cancel. A click on a listed file puts
// its name in the box; a double click on a folder, or OK while a folder is selected or named
// in the box, lists that folder instead; a double click on a file takes it. OK takes the name
// in the box (relative names are taken in the folder listed, a name without an extension
// gets DefaultExt).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/InputTypes.h"
#include "platform/win/Forms.h"

namespace vg {

class TvxBitmap;
class TvxButton;
class TvxFileDialogForm;
class TvxLabel;
class TvxScene;
class TvxTextBox;
class TvxTreeView;
class TvxTreeViewItem;

class TvxFileDialog {
public:
  // "Description|*.png;*.jpg|Other|*.bmp": the patterns of every entry are listed.
  std::string Filter;
  std::string DefaultExt;
  std::string Title;
  // In: the name offered (its folder is listed); out: the chosen file.
  std::string FileName;
  // The folder listed when FileName names none; the working folder when empty.
  std::string InitialDir;

  // Shows the dialog modally; true with FileName set when the user chose OK with a name.
  bool Execute();
  // Runs with every dialog's window as it shows, just before its modal loop (for callers
  // that drive dialogs opened by others, such as tests).
  static std::function<void(TvxFileDialogForm& Form)> OnAnyShow;

  // The patterns of a filter ("*.png"), lower case, in order.
  static std::vector<std::string> FilterPatterns(const std::string& Filter);
  // The regular files of Folder whose names match one of the patterns (case ignored, "*"
  // and "?" as wildcards; every file without patterns), sorted by name.
  static std::vector<std::string> ListFiles(const std::string& Folder, const std::vector<std::string>& Patterns);
  // The folders in Folder whose names do not begin with a dot, sorted by name.
  static std::vector<std::string> ListFolders(const std::string& Folder);
  // The full name of what the user typed: inside Folder unless absolute, with DefaultExt
  // when it has no extension. Empty for an empty name.
  static std::string ResolveName(const std::string& Folder, const std::string& Typed, const std::string& DefaultExt);
  // The folder the dialog lists first.
  std::string Folder() const;
};

// Picture files as the open dialogs offer them: the filter of the default image codec's file
// types ("Images|*.bmp;*.jpg;..."), and a chosen file decoded into a picture of its own. A
// file that holds no picture raises EReadError naming it (and the codec's reason), so that
// the loop tells the user and nothing that was to take the picture has changed.
std::string ImageFileFilter();
std::unique_ptr<TvxBitmap> ReadPictureFile(const std::string& FileName);

// The dialog's window.
class TvxFileDialogForm : public win::TForm {
  RTL_CLASS(TvxFileDialogForm, win::TForm)
public:
  TvxFileDialogForm(rtl::TComponent* AOwner, const TvxFileDialog& Dialog);

  // Lists Folder (made absolute and plain); a folder that cannot be read lists nothing but
  // "..". The name box keeps what it holds.
  void OpenFolder(const std::string& Folder);
  const std::string& Folder() const { return folder_; }
  // The chosen file once the window closed with OK.
  const std::string& Chosen() const { return chosen_; }

  TvxLabel* FolderLabel() const { return folderLabel_; }
  TvxTreeView* List() const { return list_; }
  TvxTextBox* NameBox() const { return nameBox_; }
  TvxButton* OkButton() const { return ok_; }
  TvxButton* CancelButton() const { return cancel_; }
  // The listed entry of that text ("..", a folder's name followed by "/", a file's name).
  TvxTreeViewItem* Entry(const std::u16string& Text) const;

private:
  void ListChange(rtl::TObject* Sender);
  void ListDblClick(rtl::TObject* Sender);
  void ListMouseUp(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y);
  void OkClick(rtl::TObject* Sender);
  // Closes with OK on the name in the box; a name of a folder opens it instead.
  void Take(const std::string& Typed);

  const std::vector<std::string> patterns_;
  const std::string defaultExt_;
  std::string folder_;
  std::string chosen_;
  // The entry double clicked, taken at the release: the list goes on handling the press
  // after its double click is reported, and must find the entries it pressed.
  std::string doubleClicked_;
  TvxScene* scene_ = nullptr;
  TvxLabel* folderLabel_ = nullptr;
  TvxTreeView* list_ = nullptr;
  TvxTextBox* nameBox_ = nullptr;
  TvxButton* ok_ = nullptr;
  TvxButton* cancel_ = nullptr;
};

}  // namespace vg
