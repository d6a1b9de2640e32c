// Helpers shared by the memo's files (Memo.cpp, MemoLayout.cpp, MemoEditing.cpp).
#pragma once

#include <string>

namespace vg::memo_internal {

inline int Length(const std::u16string& S) { return static_cast<int>(S.size()); }

}  // namespace vg::memo_internal
