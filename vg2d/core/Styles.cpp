#include "vg2d/core/Styles.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/rtl/Filer.h"
#include "platform/rtl/Streams.h"
#include "vg2d/core/Registry.h"
#include "vg2d/core/Scene.h"
#include "vg2d/core/VisualObjects.h"

namespace vg {

namespace {

TvxObjectPtr& DefaultStyleTree() {
  static TvxObjectPtr tree;
  return tree;
}
bool defaultStyleRead = false;

// The component made from a stream as a 2D object; anything else is freed.
TvxObjectPtr AsObject(rtl::TComponent* Made) {
  std::unique_ptr<rtl::TComponent> held(Made);
  if (!dynamic_cast<TvxObject*>(Made)) return nullptr;
  return TvxObjectPtr(static_cast<TvxObject*>(held.release()));
}

// A style stream in either form: binary when it starts with the binary signature.
rtl::TComponent* ObjectFromStyleStream(rtl::TStream& Stream) {
  char signature[4] = {};
  const int64_t start = Stream.Position();
  const bool binary = Stream.Read(signature, 4) == 4 && std::memcmp(signature, "TPF0", 4) == 0;
  Stream.SetPosition(start);
  return binary ? CreateObjectFromStream(nullptr, &Stream) : CreateObjectFromText(nullptr, &Stream);
}

std::filesystem::path ProgramFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : exe.parent_path();
}

}  // namespace

// ---- the built-in style ----------------------------------------------------------------------

TvxObject* DefaultStyle() {
  // Read once the resource is there (library start-up registers it); a tree that fails to
  // build is not tried again.
  const void* data = nullptr;
  std::size_t size = 0;
  if (!defaultStyleRead && rtl::FindResourceData(DefaultStyleResourceName, data, size)) {
    defaultStyleRead = true;
    rtl::TResourceStream stream(DefaultStyleResourceName);
    DefaultStyleTree() = AsObject(ObjectFromStyleStream(stream));
  }
  return DefaultStyleTree().get();
}

TvxObject* LoadedDefaultStyle() { return DefaultStyleTree().get(); }

void FreeDefaultStyle() {
  DefaultStyleTree().reset();
  defaultStyleRead = false;
}

// ---- TvxResources ----------------------------------------------------------------------------

rtl::TClass TvxResources::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxResources>()
                                          .Property("Resource", &TvxResources::Resource, &TvxResources::SetResource)
                                          .Stored(false)
                                          .Property("FileName", &TvxResources::FileName, &TvxResources::SetFileName)
                                          .Build();
  return &info;
}

TvxResources::TvxResources(rtl::TComponent* AOwner)
    : rtl::TComponent(AOwner), resource_(std::make_unique<rtl::TStringList>()) {
  resource_->OnChange = rtl::TNotifyEvent(this, &TvxResources::ResourceChanged);
}

TvxResources::~TvxResources() = default;

void TvxResources::SetRoot(rtl::TComponent* Made) {
  root_.reset();
  root_ = AsObject(Made);
  if (root_ && root_->IsVisual()) root_->Visual()->SetDesignHideRecursive(false);
  UpdateScenes();
}

void TvxResources::SetRootObject(TvxObjectPtr Value) { SetRoot(Value.release()); }

void TvxResources::ResourceChanged(rtl::TObject*) {
  root_.reset();
  rtl::TMemoryStream text;
  resource_->SaveToStream(&text);
  rtl::TComponent* made = nullptr;
  if (text.Size() > 0) {
    text.SetPosition(0);
    made = CreateObjectFromText(nullptr, &text);
  }
  SetRoot(made);
}

void TvxResources::DefineProperties(rtl::TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      "ResourcesBin", [this](rtl::TStream& S) { ReadResources(S); },
      [this, copy = Filer->Copying()](rtl::TStream& S) { WriteResources(S, copy); },
      root_ != nullptr);
}

void TvxResources::ReadResources(rtl::TStream& Stream) {
  root_.reset();
  SetRoot(CreateObjectFromStream(nullptr, &Stream));
}

void TvxResources::WriteResources(rtl::TStream& Stream, bool Copy) {
  if (root_) root_->SaveToBinaryStream(&Stream, Copy);
}

void TvxResources::UpdateScenes() {
  // A host may unregister while it updates.
  const std::vector<IvxScene*> scenes = scenes_;
  for (IvxScene* s : scenes)
    if (std::find(scenes_.begin(), scenes_.end(), s) != scenes_.end()) s->UpdateStyle();
}

void TvxResources::AddSceneRef(IvxScene* AScene) {
  if (AScene && std::find(scenes_.begin(), scenes_.end(), AScene) == scenes_.end()) scenes_.push_back(AScene);
}

void TvxResources::RemoveSceneRef(IvxScene* AScene) {
  scenes_.erase(std::remove(scenes_.begin(), scenes_.end(), AScene), scenes_.end());
}

void TvxResources::Loaded() {
  inherited::Loaded();
  LoadFromFileName();
}

void TvxResources::SetFileName(const std::string& Value) {
  if (Value == fileName_) return;
  fileName_ = Value;
  if (!ComponentState().Contains(rtl::csLoading)) LoadFromFileName();
}

void TvxResources::LoadFromFileName() {
  if (fileName_.empty()) return;
  std::error_code ec;
  const std::filesystem::path besideProgram = ProgramFolder() / fileName_;
  std::string file;
  if (std::filesystem::is_regular_file(besideProgram, ec))
    file = besideProgram.string();
  else if (std::filesystem::is_regular_file(fileName_, ec))
    file = fileName_;
  else
    return;
  try {
    resource_->LoadFromFile(file);
  } catch (const rtl::Exception&) {
    // An unreadable file leaves the text as it is, as a missing one does.
  }
}

}  // namespace vg
