// The binary component reader: a stream reads into a new root of its class or is refused
// with the runtime's exception; what was read writes, reads back and writes the same bytes.
#include <memory>

#include "fuzz/FuzzSupport.h"
#include "tests/rtl/StreamClasses.h"

using namespace rtl;

namespace {

std::unique_ptr<TComponent> Read(const std::string& Bytes) {
  TStringStream s(Bytes);
  TReader r(&s);
  return std::unique_ptr<TComponent>(r.ReadRootComponent(nullptr));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static streamtest::TRegisterStreamClasses registered;
  std::unique_ptr<TComponent> root;
  try {
    root = Read(std::string(reinterpret_cast<const char*>(Data), Size));
  } catch (const Exception&) {
    return 0;
  }
  std::string first, second;
  try {
    first = streamtest::WriteRoot(root.get());
    auto copy = Read(first);
    second = streamtest::WriteRoot(copy.get());
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s\n", e.Message().c_str());
    fuzz::Check(false, "a component read from a stream does not write and read back");
  }
  fuzz::Check(first == second, "a component written, read back and written again gives other bytes");
  return 0;
}
