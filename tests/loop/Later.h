// Runs a call from the message loop, after what is queued now: a posted message to a
// window handle of its own, so that the call comes from inside a modal loop too.
#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "platform/loop/Messages.h"

namespace looptest {

inline void Later(std::function<void()> F) {
  static std::vector<std::function<void()>> pending;
  static const rtl::HWND wnd = rtl::AllocateHWnd([](rtl::MSG& M) -> rtl::LRESULT {
    std::function<void()> f = std::move(pending[M.wParam]);
    f();
    return 0;
  });
  pending.push_back(std::move(F));
  rtl::PostMessage(wnd, rtl::WM_USER, pending.size() - 1, 0);
}

}  // namespace looptest
