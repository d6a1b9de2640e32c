// Helpers shared by the design editor's files (DesignEditor.cpp, DesignEditorCommands.cpp).
#pragma once

#include <string>

#include "vg2d/core/VisualObjects.h"

namespace vg::design_internal {

inline TvxVisualObject* VisualParentOf(TvxVisualObject* O) {
  return O && O->Parent() ? O->Parent()->Visual() : nullptr;
}

inline std::u16string Wide(const std::string& S) { return std::u16string(S.begin(), S.end()); }

}  // namespace vg::design_internal
