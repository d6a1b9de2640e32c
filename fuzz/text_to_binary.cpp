// The text-to-binary converter: text converts or is refused with EParserError; the binary
// it makes converts to text, and that text is stable (text -> binary -> text gives it again).
#include "fuzz/FuzzSupport.h"
#include "tests/rtl/StreamClasses.h"

using rtl::Exception;
using streamtest::ToBinary;
using streamtest::ToText;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  std::string binary;
  try {
    binary = ToBinary(std::string(reinterpret_cast<const char*>(Data), Size));
  } catch (const Exception&) {
    return 0;
  }
  std::string text, again, binaryAgain;
  try {
    text = ToText(binary);
    binaryAgain = ToBinary(text);
    again = ToText(binaryAgain);
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s\n", e.Message().c_str());
    fuzz::Check(false, "binary made from text does not convert to text and back");
  }
  fuzz::CheckSame(text, again, "the text of converted text changes on a second round trip");
  fuzz::Check(binaryAgain == ToBinary(again), "the binary of converted text changes on a second round trip");
  return 0;
}
