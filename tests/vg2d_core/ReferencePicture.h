// The comparison of a drawn picture with a reference picture kept in a test data folder.
// The picture is written under its file name into the build tree's test-output folder, for a look;
// GASCAL_UPDATE_GALLERY=1 copies it over the reference instead of comparing (the test is
// then skipped). Call it as the last step of a test: a skip or a failed assertion only
// returns from here.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/TestOutput.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/FilterGdiPlus.h"

namespace vgtest {

inline void ExpectReferencePicture(vg::TvxBitmap& Picture, const std::string& FileName, const std::string& DataFolder) {
  vg::TvxFilterGdiPlus png;
  const std::string kept = testout::Path(FileName);
  ASSERT_TRUE(png.SaveToFile(kept, Picture, ""));
  const std::string reference = DataFolder + "/" + FileName;
  if (const char* update = std::getenv("GASCAL_UPDATE_GALLERY"); update && std::string(update) == "1") {
    std::filesystem::create_directories(DataFolder);
    std::filesystem::copy_file(kept, reference, std::filesystem::copy_options::overwrite_existing);
    GTEST_SKIP() << "reference written to " << reference;
  }
  vg::TvxBitmap expected;
  ASSERT_TRUE(png.LoadFromFile(reference, 0, expected)) << reference;
  // Back through the file format, then pixel by pixel: a channel may differ by a little
  // (rounding in the back end); a few pixels may differ more (anti-aliasing).
  vg::TvxBitmap drawn;
  ASSERT_TRUE(png.LoadFromFile(kept, 0, drawn));
  ASSERT_EQ(expected.Width(), drawn.Width());
  ASSERT_EQ(expected.Height(), drawn.Height());
  int off = 0;
  for (int i = 0; i < drawn.Width() * drawn.Height(); ++i)
    for (int shift = 0; shift < 32; shift += 8) {
      const int a = static_cast<int>((drawn.Bits()[i] >> shift) & 0xFF);
      const int b = static_cast<int>((expected.Bits()[i] >> shift) & 0xFF);
      if (std::abs(a - b) > 8) {
        ++off;
        break;
      }
    }
  EXPECT_LE(off, drawn.Width() * drawn.Height() / 500) << "pixels that differ from " << reference;
}

}  // namespace vgtest
