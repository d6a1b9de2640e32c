#include "PaintFakes.h"

namespace vgtest {

rtl::TClass FakeResource::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<FakeResource, rtl::TComponent>("FakeResource").Build();
  return &info;
}

rtl::TClass FakeFilter::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<FakeFilter, vg::TvxFilter>("FakeFilter").Build();
  return &info;
}

rtl::TClass RecordingFiler::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<RecordingFiler, rtl::TFiler>("RecordingFiler").Build();
  return &info;
}

}  // namespace vgtest
