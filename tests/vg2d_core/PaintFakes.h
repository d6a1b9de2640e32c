// Stand-ins for what the paint values meet outside this folder: a resource object of a
// 2D tree, a small image codec with a format of its own, and a filer that records the
// binary properties an object defines.
#pragma once

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Component.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/TypInfo.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/Brushes.h"
#include "vg2d/core/PathData.h"
#include "vg2d/core/Registry.h"
#include "vg2d/core/ResourceLinks.h"

namespace vgtest {

// A named resource object holding a brush, a bitmap and a path, listed among the live
// objects while it exists; tells the values that refer to it when it is freed.
class FakeResource : public rtl::TComponent, public vg::IvxLinkTarget, public vg::IvxResourceObject {
  RTL_CLASS(FakeResource, rtl::TComponent)
public:
  explicit FakeResource(const std::string& Name, bool HoldsBrush = true, bool HoldsBitmap = true,
                        bool HoldsPath = true)
      : rtl::TComponent(nullptr), name_(Name), holdsBrush_(HoldsBrush), holdsBitmap_(HoldsBitmap),
        holdsPath_(HoldsPath) {
    vg::AddObjectInstance(this);
  }
  ~FakeResource() override {
    vg::RemoveObjectInstance(this);
    for (auto* n : std::vector<vg::IvxFreeNotification*>(notify_)) n->FreeNotification(this);
  }
  void AddFreeNotify(vg::IvxFreeNotification* AObject) override { notify_.push_back(AObject); }
  void RemoveFreeNotify(vg::IvxFreeNotification* AObject) override {
    std::erase(notify_, AObject);
  }
  bool Stored() const override { return true; }
  const std::string& ResourceName() const override { return name_; }
  vg::TvxBrush* GetResourceBrush() override { return holdsBrush_ ? &brush : nullptr; }
  vg::TvxBitmap* GetResourceBitmap() override { return holdsBitmap_ ? &bitmap : nullptr; }
  vg::TvxPathData* GetResourcePath() override { return holdsPath_ ? &path : nullptr; }
  size_t Listeners() const { return notify_.size(); }

  vg::TvxBrush brush{vg::vgBrushSolid, 0xFF112233};
  vg::TvxBitmap bitmap{2, 2};
  vg::TvxPathData path;

private:
  std::string name_;
  bool holdsBrush_, holdsBitmap_, holdsPath_;
  std::vector<vg::IvxFreeNotification*> notify_;
};


// An image codec with its own format: "FAKE", a format letter ('J' jpeg, 'P' png), the
// width and height as 32-bit integers, then the pixels. It remembers the last format
// and parameters it was asked to save with.
class FakeFilter : public vg::TvxFilter {
  RTL_CLASS(FakeFilter, vg::TvxFilter)
public:
  static inline std::string LastFormat;
  static inline std::string LastParams;

  bool LoadFromFile(const std::string&, float, vg::TvxBitmap&) override { return false; }
  bool LoadThumbnailFromFile(const std::string&, float, float, bool, vg::TvxBitmap&) override { return false; }
  bool SaveToFile(const std::string&, vg::TvxBitmap&, const std::string&) override { return false; }

  bool SaveToStream(rtl::TStream& Stream, vg::TvxBitmap& Bitmap, const std::string& Format,
                    const std::string& Params) override {
    LastFormat = Format;
    LastParams = Params;
    const char header[5] = {'F', 'A', 'K', 'E', Format == "jpeg" ? 'J' : 'P'};
    const int32_t size[2] = {Bitmap.Width(), Bitmap.Height()};
    Stream.WriteBuffer(header, 5);
    Stream.WriteBuffer(size, 8);
    if (!Bitmap.IsEmpty()) Stream.WriteBuffer(Bitmap.Bits(), int64_t{4} * Bitmap.Width() * Bitmap.Height());
    return true;
  }

  bool LoadFromStream(rtl::TStream& Stream, vg::TvxBitmap& Bitmap) override {
    char header[5];
    int32_t size[2];
    if (Stream.Read(header, 5) != 5 || std::memcmp(header, "FAKE", 4) != 0) return false;
    if (Stream.Read(size, 8) != 8) return false;
    vg::TvxBitmap decoded;
    decoded.SetSize(size[0], size[1]);  // the bitmap refuses sizes it cannot hold
    const int64_t bytes = int64_t{4} * decoded.Width() * decoded.Height();
    if (bytes > 0 && Stream.Read(decoded.Bits(), bytes) != bytes) return false;
    Bitmap.Assign(&decoded);
    return true;
  }
};

// Sets DefaultFilterClass to the fake codec for the life of the object.
class FilterScope {
public:
  FilterScope() { vg::DefaultFilterClass = vg::TvxFilterClassOf<FakeFilter>::Instance(); }
  ~FilterScope() { vg::DefaultFilterClass = nullptr; }
};

// Records the binary properties an object defines and runs their writers and readers.
class RecordingFiler : public rtl::TFiler {
  RTL_CLASS(RecordingFiler, rtl::TFiler)
public:
  struct Binary {
    rtl::TStreamProc Read, Write;
    bool HasData;
  };
  explicit RecordingFiler(rtl::TPersistent* Instance) { CallDefineProperties(Instance, this); }
  void DefineProperty(const std::string&, rtl::TReaderProc, rtl::TWriterProc, bool) override {}
  void DefineBinaryProperty(const std::string& Name, rtl::TStreamProc ReadData, rtl::TStreamProc WriteData,
                            bool HasData) override {
    binaries[Name] = {std::move(ReadData), std::move(WriteData), HasData};
  }
  // The bytes the property's writer produces.
  std::string Written(const std::string& Name) {
    rtl::TStringStream s;
    binaries.at(Name).Write(s);
    return s.DataString();
  }
  std::map<std::string, Binary> binaries;
};

}  // namespace vgtest
