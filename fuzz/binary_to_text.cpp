// The binary-to-text converter: a stream converts or is refused with EReadError; the text it
// writes is read back by the text reader, and converts to the same text again.
#include "fuzz/FuzzSupport.h"
#include "tests/rtl/StreamClasses.h"

using rtl::Exception;
using streamtest::ToBinary;
using streamtest::ToText;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  std::string text;
  try {
    text = ToText(std::string(reinterpret_cast<const char*>(Data), Size));
  } catch (const Exception&) {
    return 0;
  }
  std::string again;
  try {
    again = ToText(ToBinary(text));
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s\n", e.Message().c_str());
    fuzz::Check(false, "text converted from a binary stream is refused by the text reader");
  }
  fuzz::CheckSame(text, again, "text converted from a binary stream changes on a round trip");
  return 0;
}
