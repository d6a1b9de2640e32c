// The library's start-up and shut-down: classes registered by category, the default
// canvas and image-filter classes, the built-in style, counting, and everything given
// back at the end.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/rtl/Streams.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/BitmapEffects.h"
#include "vg2d/core/Shapes.h"
#include "vg2d/core/Canvas.h"
#include "vg2d/core/CanvasGdiPlus.h"
#include "vg2d/core/Controls.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "vg2d/core/Library.h"
#include "vg2d/core/Registry.h"
#include "vg2d/core/Styles.h"
#include "vg2d/core/WideStrings.h"
#include "tests/vg2d_core/SavedText.h"

namespace library_test {

using namespace vg;

namespace {

bool Listed(const std::string& Category, rtl::TClass Class) {
  return ObjectClassList && std::any_of(ObjectClassList->begin(), ObjectClassList->end(),
                                        [&](const auto& e) { return e.Category == Category && e.Class == Class; });
}

using vgtest::TextOf;

TEST(Library, StartUpRegistersByCategoryAndShutDownUndoesIt) {
  ASSERT_FALSE(LibraryStarted());
  ASSERT_EQ(DefaultCanvasClass, nullptr);
  ASSERT_EQ(DefaultFilterClass, nullptr);
  const bool controlKnownBefore = rtl::GetClass("TvxControl") != nullptr;
  LibraryStartup();
  EXPECT_TRUE(LibraryStarted());
  EXPECT_EQ(rtl::GetClass("TvxControl"), rtl::ClassOf<TvxControl>());
  EXPECT_EQ(rtl::GetClass("TvxBitmap"), rtl::ClassOf<TvxBitmap>());
  EXPECT_EQ(rtl::GetClass("TvxWideStringList"), rtl::ClassOf<TvxWideStringList>());
  EXPECT_TRUE(Listed("Resources", rtl::ClassOf<TvxBrushObject>()));
  EXPECT_TRUE(Listed("Resources", rtl::ClassOf<TvxPathObject>()));
  EXPECT_TRUE(Listed("Resources", rtl::ClassOf<TvxBitmapObject>()));
  EXPECT_TRUE(Listed("Windows", rtl::ClassOf<TvxBackground>()));
  EXPECT_TRUE(Listed("Animations", rtl::ClassOf<TvxFloatAnimation>()));
  EXPECT_EQ(rtl::GetClass("TvxPathSwitcher"), rtl::ClassOf<TvxPathSwitcher>());
  EXPECT_EQ(rtl::GetClass("TvxCalloutRectangle"), rtl::ClassOf<TvxCalloutRectangle>());
  EXPECT_EQ(rtl::GetClass("TvxReflectionEffect"), rtl::ClassOf<TvxReflectionEffect>());
  EXPECT_FALSE(Listed("Resources", rtl::ClassOf<TvxControl>()));  // streams only
  EXPECT_EQ(DefaultCanvasClass, TvxCanvasGdiPlus::ClassRef());
  EXPECT_EQ(DefaultFilterClass, TvxFilterClassOf<TvxFilterGdiPlus>::Instance());
  // The built-in style is there to be read.
  ASSERT_NE(DefaultStyle(), nullptr);
  EXPECT_NE(DefaultStyle()->FindResource("buttonstyle"), nullptr);

  // Counted: a second start-up and its shut-down change nothing.
  LibraryStartup();
  LibraryShutdown();
  EXPECT_TRUE(LibraryStarted());
  EXPECT_EQ(DefaultCanvasClass, TvxCanvasGdiPlus::ClassRef());

  LibraryShutdown();
  EXPECT_FALSE(LibraryStarted());
  EXPECT_EQ(DefaultCanvasClass, nullptr);
  EXPECT_EQ(DefaultFilterClass, nullptr);
  EXPECT_EQ(LoadedDefaultStyle(), nullptr);
  EXPECT_EQ(ObjectClassList, nullptr);
  EXPECT_EQ(rtl::GetClass("TvxBrushObject"), nullptr);
  EXPECT_EQ(rtl::GetClass("TvxControl") != nullptr, controlKnownBefore);
  LibraryShutdown();  // one too many does nothing
  EXPECT_FALSE(LibraryStarted());
}

TEST(Library, ACanvasClassSetBeforeStartUpStays) {
  // A canvas class of the program's own, never used to make a canvas here.
  struct OwnCanvasClass : TvxCanvasClass {
    rtl::TClass ClassInfo() const override { return rtl::ClassOf<TvxCanvas>(); }
    std::unique_ptr<TvxCanvas> Create(int, int) const override { return nullptr; }
    std::unique_ptr<TvxCanvas> CreateFromBitmap(TvxBitmap*) const override { return nullptr; }
  } own;
  DefaultCanvasClass = &own;
  LibraryStartup();
  EXPECT_EQ(DefaultCanvasClass, &own);
  EXPECT_EQ(DefaultFilterClass, TvxFilterClassOf<TvxFilterGdiPlus>::Instance());
  LibraryShutdown();
  EXPECT_EQ(DefaultCanvasClass, &own);
  DefaultCanvasClass = nullptr;
}

TEST(Library, ABitmapStreamsItsPictureAfterStartUpAlone) {
  auto picture = [] {
    std::unique_ptr<TvxBitmapObject> o(new TvxBitmapObject(nullptr));
    o->Bitmap()->SetSize(2, 2);
    o->Bitmap()->Bits()[0] = 0xFFFF0000u;
    o->Bitmap()->Bits()[3] = 0x80000080u;  // half-transparent blue, premultiplied
    return o;
  };
  EXPECT_EQ(TextOf(picture().get()).find("Bitmap.PNG"), std::string::npos);  // no codec yet
  LibraryStartup();
  {
    const std::string text = TextOf(picture().get());
    EXPECT_NE(text.find("Bitmap.PNG"), std::string::npos) << text;
    rtl::TMemoryStream s;
    s.Write(text.data(), static_cast<int64_t>(text.size()));
    s.SetPosition(0);
    std::unique_ptr<rtl::TComponent> back(CreateObjectFromText(nullptr, &s));
    auto* read = dynamic_cast<TvxBitmapObject*>(back.get());
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->Bitmap()->Width(), 2);
    EXPECT_EQ(read->Bitmap()->Bits()[0], 0xFFFF0000u);
    EXPECT_EQ(read->Bitmap()->Bits()[1], 0u);
    EXPECT_EQ(read->Bitmap()->Bits()[3], 0x80000080u);
  }
  LibraryShutdown();
}

}  // namespace

}  // namespace library_test
