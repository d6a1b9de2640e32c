#include "vg2d/controls/FileDialog.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>

#include "platform/rtl/CodePage.h"
#include "platform/win/Forms.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TreeView.h"
#include "vg2d/core/SceneControl.h"

namespace vg {

namespace {

std::string Lower(std::string S) {
  std::transform(S.begin(), S.end(), S.begin(), [](unsigned char C) { return static_cast<char>(std::tolower(C)); });
  return S;
}

// "*" and "?" wildcards over the whole name.
bool Matches(const std::string& Name, const std::string& Pattern) {
  size_t n = 0, p = 0, star = std::string::npos, mark = 0;
  while (n < Name.size()) {
    if (p < Pattern.size() && (Pattern[p] == '?' || Pattern[p] == Name[n])) {
      ++n;
      ++p;
    } else if (p < Pattern.size() && Pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < Pattern.size() && Pattern[p] == '*') ++p;
  return p == Pattern.size();
}

}  // namespace

std::vector<std::string> TvxFileDialog::FilterPatterns(const std::string& Filter) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= Filter.size()) {
    const size_t bar = Filter.find('|', start);
    parts.push_back(Filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  std::vector<std::string> patterns;
  // Descriptions and pattern lists alternate; the pattern lists are the odd entries.
  for (size_t i = 1; i < parts.size(); i += 2) {
    size_t s = 0;
    const std::string& list = parts[i];
    while (s <= list.size()) {
      const size_t semi = list.find(';', s);
      std::string one = list.substr(s, semi == std::string::npos ? std::string::npos : semi - s);
      one.erase(0, one.find_first_not_of(' '));
      one.erase(one.find_last_not_of(' ') + 1);
      if (!one.empty()) patterns.push_back(Lower(one));
      if (semi == std::string::npos) break;
      s = semi + 1;
    }
  }
  return patterns;
}

std::vector<std::string> TvxFileDialog::ListFiles(const std::string& Folder, const std::vector<std::string>& Patterns) {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(Folder.empty() ? "." : Folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const std::string name = it->path().filename().string();
    const std::string lower = Lower(name);
    if (Patterns.empty() ||
        std::any_of(Patterns.begin(), Patterns.end(), [&](const std::string& P) { return Matches(lower, P); }))
      names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string TvxFileDialog::ResolveName(const std::string& Folder, const std::string& Typed,
                                       const std::string& DefaultExt) {
  if (Typed.empty()) return {};
  std::filesystem::path p(Typed);
  if (p.is_relative() && !Folder.empty()) p = std::filesystem::path(Folder) / p;
  if (!p.has_extension() && !DefaultExt.empty()) p += "." + DefaultExt;
  return p.string();
}

std::string TvxFileDialog::Folder() const {
  if (!FileName.empty()) {
    const std::filesystem::path parent = std::filesystem::path(FileName).parent_path();
    if (!parent.empty()) return parent.string();
  }
  return InitialDir.empty() ? std::filesystem::current_path().string() : InitialDir;
}

bool TvxFileDialog::Execute() {
  const std::string folder = Folder();
  auto form = std::make_unique<win::TForm>(nullptr);
  form->SetCaption(Title.empty() ? std::string("Choose a file") : Title);
  form->SetBounds(120, 100, 420, 330);
  auto* scene = new TvxScene(form.get());
  scene->SetParent(form.get());
  scene->SetAlign(win::alClient);
  auto* root = new TvxBackground(form.get());
  scene->AddObject(root);
  root->SetAlign(vaClient);

  auto* list = new TvxTreeView(form.get());
  root->AddObject(list);
  list->SetBounds(10, 10, 400, 240);
  list->SetHideSelectionUnfocused(false);
  auto* name = new TvxTextBox(form.get());
  root->AddObject(name);
  name->SetBounds(10, 260, 400, 22);
  name->SetText(rtl::Utf8ToWide(std::filesystem::path(FileName).filename().string()));
  for (const std::string& file : ListFiles(folder, FilterPatterns(Filter))) {
    auto* item = new TvxTreeViewItem(form.get());
    item->SetText(rtl::Utf8ToWide(file));
    list->AddObject(item);
  }
  list->OnChange = [list, name](rtl::TObject*) {
    if (list->Selected()) name->SetText(list->Selected()->Text());
  };
  auto* ok = new TvxButton(form.get());
  root->AddObject(ok);
  ok->SetBounds(230, 294, 85, 24);
  ok->SetText(u"OK");
  ok->SetDefault(true);
  ok->SetModalResult(win::mrOk);
  auto* cancel = new TvxButton(form.get());
  root->AddObject(cancel);
  cancel->SetBounds(325, 294, 85, 24);
  cancel->SetText(u"Cancel");
  cancel->SetCancel(true);
  cancel->SetModalResult(win::mrCancel);

  if (form->ShowModal() != win::mrOk) return false;
  const std::string chosen = ResolveName(folder, rtl::WideToUtf8(name->Text()), DefaultExt);
  if (chosen.empty()) return false;
  FileName = chosen;
  return true;
}

}  // namespace vg
