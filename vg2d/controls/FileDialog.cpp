#include "vg2d/controls/FileDialog.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/TreeView.h"
#include "vg2d/core/Bitmaps.h"
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

// The entry of the folder above, and the mark that ends a folder's entry.
constexpr char16_t UpEntry[] = u"..";
constexpr char16_t FolderMark = u'/';

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

std::vector<std::string> TvxFileDialog::ListFolders(const std::string& Folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(Folder.empty() ? "." : Folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!name.empty() && name[0] != '.' && it->is_directory(ec)) names.push_back(name);
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

std::function<void(TvxFileDialogForm& Form)> TvxFileDialog::OnAnyShow;

bool TvxFileDialog::Execute() {
  auto form = std::make_unique<TvxFileDialogForm>(nullptr, *this);
  if (OnAnyShow) {
    TvxFileDialogForm* shown = form.get();
    form->OnShow = [shown, hook = OnAnyShow](rtl::TObject*) { hook(*shown); };
  }
  if (form->ShowModal() != win::mrOk || form->Chosen().empty()) return false;
  FileName = form->Chosen();
  return true;
}

// ---- picture files ------------------------------------------------------------------------------

std::string ImageFileFilter() {
  return "Images|" + (DefaultFilterClass ? DefaultFilterClass->Create()->GetFileTypes() : std::string());
}

std::unique_ptr<TvxBitmap> ReadPictureFile(const std::string& FileName) {
  auto picture = std::make_unique<TvxBitmap>(1, 1);
  bool ok = false;
  std::string why;
  if (DefaultFilterClass) {
    const std::unique_ptr<TvxFilter> codec = DefaultFilterClass->Create();
    try {
      ok = codec->LoadFromFile(FileName, 0, *picture);
      if (!ok && !codec->FailureReason().empty()) why = ": " + codec->FailureReason();
    } catch (const rtl::Exception& e) {
      why = ": " + e.Message();
    }
  }
  if (!ok || picture->IsEmpty())
    throw rtl::EReadError("The file " + FileName + " holds no picture that can be read" + why);
  return picture;
}

// ---- the window ---------------------------------------------------------------------------------

rtl::TClass TvxFileDialogForm::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxFileDialogForm>().Build();
  return &info;
}

TvxFileDialogForm::TvxFileDialogForm(rtl::TComponent* AOwner, const TvxFileDialog& Dialog)
    : win::TForm(AOwner), patterns_(TvxFileDialog::FilterPatterns(Dialog.Filter)), defaultExt_(Dialog.DefaultExt) {
  SetCaption(Dialog.Title.empty() ? std::string("Choose a file") : Dialog.Title);
  SetBounds(120, 100, 420, 356);
  scene_ = new TvxScene(this);
  scene_->SetParent(this);
  scene_->SetAlign(win::alClient);
  auto* root = new TvxBackground(this);
  scene_->AddObject(root);
  root->SetAlign(vaClient);

  folderLabel_ = new TvxLabel(this);
  root->AddObject(folderLabel_);
  folderLabel_->SetBounds(10, 6, 400, 20);
  folderLabel_->SetTextAlign(vgTextAlignNear);
  list_ = new TvxTreeView(this);
  root->AddObject(list_);
  list_->SetBounds(10, 30, 400, 240);
  list_->SetHideSelectionUnfocused(false);
  list_->OnChange = rtl::TNotifyEvent(this, &TvxFileDialogForm::ListChange);
  list_->OnDblClick = rtl::TNotifyEvent(this, &TvxFileDialogForm::ListDblClick);
  list_->OnMouseUp = TvxMouseEvent(this, &TvxFileDialogForm::ListMouseUp);
  nameBox_ = new TvxTextBox(this);
  root->AddObject(nameBox_);
  nameBox_->SetBounds(10, 282, 400, 22);
  nameBox_->SetText(rtl::Utf8ToWide(std::filesystem::path(Dialog.FileName).filename().string()));
  ok_ = new TvxButton(this);
  root->AddObject(ok_);
  ok_->SetBounds(230, 320, 85, 24);
  ok_->SetText(u"OK");
  ok_->SetDefault(true);
  ok_->OnClick = rtl::TNotifyEvent(this, &TvxFileDialogForm::OkClick);
  cancel_ = new TvxButton(this);
  root->AddObject(cancel_);
  cancel_->SetBounds(325, 320, 85, 24);
  cancel_->SetText(u"Cancel");
  cancel_->SetCancel(true);
  cancel_->SetModalResult(win::mrCancel);
  OpenFolder(Dialog.Folder());
}

void TvxFileDialogForm::OpenFolder(const std::string& Folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path p = fs::absolute(Folder.empty() ? fs::path(".") : fs::path(Folder), ec);
  if (ec) p = Folder;
  std::string plain = p.lexically_normal().string();
  while (plain.size() > 1 && plain.back() == '/') plain.pop_back();
  folder_ = plain;
  folderLabel_->SetText(rtl::Utf8ToWide(folder_));
  list_->Clear();
  const auto add = [this](const std::u16string& Text) {
    auto* item = new TvxTreeViewItem(nullptr);
    item->SetText(Text);
    list_->AddObject(item);
  };
  if (fs::path(folder_) != fs::path(folder_).root_path()) add(UpEntry);
  for (const std::string& name : TvxFileDialog::ListFolders(folder_)) add(rtl::Utf8ToWide(name) + FolderMark);
  for (const std::string& name : TvxFileDialog::ListFiles(folder_, patterns_)) add(rtl::Utf8ToWide(name));
}

TvxTreeViewItem* TvxFileDialogForm::Entry(const std::u16string& Text) const {
  for (int i = 0; i < list_->Count(); ++i)
    if (TvxTreeViewItem* item = list_->ItemByIndex(i); item && item->Text() == Text) return item;
  return nullptr;
}

// The box shows what OK acts on: a file's name, or a folder's entry.
void TvxFileDialogForm::ListChange(rtl::TObject*) {
  if (const TvxTreeViewItem* item = list_->Selected()) nameBox_->SetText(item->Text());
}

void TvxFileDialogForm::ListDblClick(rtl::TObject*) {
  if (const TvxTreeViewItem* item = list_->Selected()) doubleClicked_ = rtl::WideToUtf8(item->Text());
}

void TvxFileDialogForm::ListMouseUp(rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, float, float) {
  const std::string entry = std::move(doubleClicked_);
  doubleClicked_.clear();
  Take(entry);
}

void TvxFileDialogForm::OkClick(rtl::TObject*) { Take(rtl::WideToUtf8(nameBox_->Text())); }

void TvxFileDialogForm::Take(const std::string& Typed) {
  if (Typed.empty()) return;
  std::filesystem::path p(Typed);
  if (p.is_relative()) p = std::filesystem::path(folder_) / p;
  std::error_code ec;
  if (std::filesystem::is_directory(p, ec)) {
    OpenFolder(p.string());
    nameBox_->SetText(u"");
    return;
  }
  chosen_ = TvxFileDialog::ResolveName(folder_, Typed, defaultExt_);
  SetModalResult(win::mrOk);
}

}  // namespace vg
