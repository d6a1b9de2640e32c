// Fonts from memory: any bytes are added as a font or refused; every family a font brings
// is found afterwards. The back end comes down after every input, taking its temporary font
// files with it, so that inputs do not pile files up and each runs as the first would.
#include "fuzz/FuzzSupport.h"
#include "platform/gfx2d/Backend.h"
#include "platform/gfx2d/Fonts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  gfx2d::Startup();
  const gfx2d::MemoryFont font = gfx2d::AddFontFromMemory(Data, Size);
  for (const std::string& family : font.Families)
    fuzz::Check(gfx2d::FontFamilyExists(family), "a family added from memory is not found");
  if (!font.Key.empty()) gfx2d::ReleaseMemoryFont(font.Key);
  gfx2d::Shutdown();
  return 0;
}
