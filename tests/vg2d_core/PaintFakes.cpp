#include "PaintFakes.h"

namespace vgtest {

rtl::TClass FakeResource::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<FakeResource>().Build();
  return &info;
}

rtl::TClass FakeFilter::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<FakeFilter>().Build();
  return &info;
}

rtl::TClass RecordingFiler::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<RecordingFiler>().Build();
  return &info;
}

}  // namespace vgtest
