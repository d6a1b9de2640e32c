// A small modal file dialog of the program's own: a form listing the files of one folder
// that match the filter, a name box and OK and Cancel. A click on a listed file puts its
// name in the box; OK takes the name in the box (relative names are taken in the folder,
// a name without an extension gets DefaultExt).
#pragma once

#include <string>
#include <vector>

namespace vg {

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

  // The patterns of a filter ("*.png"), lower case, in order.
  static std::vector<std::string> FilterPatterns(const std::string& Filter);
  // The regular files of Folder whose names match one of the patterns (case ignored, "*"
  // and "?" as wildcards; every file without patterns), sorted by name.
  static std::vector<std::string> ListFiles(const std::string& Folder, const std::vector<std::string>& Patterns);
  // The full name of what the user typed: inside Folder unless absolute, with DefaultExt
  // when it has no extension. Empty for an empty name.
  static std::string ResolveName(const std::string& Folder, const std::string& Typed, const std::string& DefaultExt);
  // The folder the dialog lists.
  std::string Folder() const;
};

}  // namespace vg
