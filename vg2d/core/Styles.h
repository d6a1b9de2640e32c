// Style resources: the component that holds a host's style tree (TvxResources) and the
// built-in style compiled into the program (the resource "DEFAULTVXSTYLE", component-stream
// text or binary), from which every control takes its look when neither its own Resource
// nor its host's style names a part for it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Component.h"
#include "platform/rtl/Lists.h"
#include "vg2d/core/Objects.h"

namespace vg {

// A host's style: the style text (Resource, or a file named by FileName) and the tree
// built from it. The hosts that use it register with AddSceneRef; every change of the
// tree makes them re-apply their controls' styles (IvxScene::UpdateStyle). A host that
// registers also subscribes to the component's free notification and forgets it then.
class TvxResources : public rtl::TComponent {
  RTL_CLASS(TvxResources, rtl::TComponent)
public:
  explicit TvxResources(rtl::TComponent* AOwner);
  ~TvxResources() override;

  // The style as component-stream text; changing it rebuilds the tree. Streams carry the
  // tree in the binary property "ResourcesBin" instead.
  rtl::TStrings* Resource() const { return resource_.get(); }
  void SetResource(rtl::TStrings* Value) { resource_->Assign(Value); }
  // The tree built from the text; nil when the text is empty or yields no object.
  TvxObject* Root() const { return root_.get(); }
  // Takes Value as the tree (the text stays as it is); the hosts re-apply their styles.
  void SetRootObject(TvxObjectPtr Value);
  // A file of style text, looked for in the program's folder first, then as given. A
  // missing file leaves the text as it is.
  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& Value);

  void AddSceneRef(IvxScene* AScene);
  void RemoveSceneRef(IvxScene* AScene);
  // Every registered host re-applies its styles.
  void UpdateScenes();

protected:
  void DefineProperties(rtl::TFiler* Filer) override;
  void Loaded() override;

private:
  void ResourceChanged(rtl::TObject* Sender);
  void ReadResources(rtl::TStream& Stream);
  void WriteResources(rtl::TStream& Stream, bool Copy);
  // Takes a newly built tree (or nil) as the root.
  void SetRoot(rtl::TComponent* Made);
  void LoadFromFileName();

  const std::unique_ptr<rtl::TStringList> resource_;
  TvxObjectPtr root_;
  std::vector<IvxScene*> scenes_;
  std::string fileName_;
};

// The name of the built-in style resource.
inline constexpr const char* DefaultStyleResourceName = "DEFAULTVXSTYLE";

// The built-in style tree, read from the resource on the first call after the resource is
// registered (library start-up) and kept; nil before that and when it yields no object.
TvxObject* DefaultStyle();
// The tree only when it was read already (no reading).
TvxObject* LoadedDefaultStyle();
// Frees the tree (library shut-down); the next DefaultStyle reads it again.
void FreeDefaultStyle();

}  // namespace vg
