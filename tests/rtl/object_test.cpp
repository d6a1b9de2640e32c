#include <gtest/gtest.h>

#include "platform/rtl/Object.h"

namespace {

TEST(TPersistentAssign, RefusesUnrelatedClassesWithTheLibraryMessage) {
  rtl::TPersistent a, b;
  try {
    a.Assign(&b);
    FAIL() << "Assign did not raise";
  } catch (const rtl::EConvertError& e) {
    EXPECT_STREQ("Cannot assign a TPersistent to a TPersistent", e.what());
  }
  EXPECT_TRUE(a.Is<rtl::TPersistent>());
  EXPECT_EQ("TPersistent", a.ClassName());
}

}  // namespace
