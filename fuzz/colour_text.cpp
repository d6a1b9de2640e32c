// Colour text: any text gives a colour, whose text gives the same colour back.
#include "fuzz/FuzzSupport.h"
#include "vg2d/core/Colors.h"

using namespace vg;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const TvxColor colour = StringToColor(std::string(reinterpret_cast<const char*>(Data), Size));
  const std::string text = ColorToString(colour);
  fuzz::Check(StringToColor(text) == colour, "a colour's text reads back as another colour");
  fuzz::Check(ColorToString(StringToColor(text)) == text, "colour text changes on a round trip");
  return 0;
}
