// Fonts from memory: any bytes are added as a font or refused; every family a font brings
// is found afterwards.
#include "fuzz/FuzzSupport.h"
#include "platform/gfx2d/Backend.h"
#include "platform/gfx2d/Fonts.h"

namespace {

// Brings the back end down at exit, and with it the temporary font files. Made after the
// first font is added, so that it goes before the font state it releases.
struct TShutdownAtExit {
  ~TShutdownAtExit() { gfx2d::Shutdown(); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  gfx2d::Startup();
  const std::vector<std::string> families = gfx2d::AddFontFromMemory(Data, Size);
  static TShutdownAtExit shutdown;
  for (const std::string& family : families)
    fuzz::Check(gfx2d::FontFamilyExists(family), "a family added from memory is not found");
  return 0;
}
