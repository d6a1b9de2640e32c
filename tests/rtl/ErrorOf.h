// The message of the exception of class E that f throws, or "no exception".
#pragma once

#include <string>

namespace rtltest {

template <class E, class F>
std::string ErrorOf(F f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  }
  return "no exception";
}

}  // namespace rtltest
