// Steps run from inside a modal form's loop. A form still open after its steps is ended with
// GaveUp, so that steps that fail to close it fail the test instead of hanging it.
#pragma once

#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "vg2d/core/VisualObjects.h"

namespace vgtest {

constexpr win::TModalResult GaveUp = 99;

inline void EndIfStillOpen(win::TCustomForm& Form) {
  if (Form.ModalResult() == win::mrNone) Form.SetModalResult(GaveUp);
}

// A left click in the middle of O.
inline void Click(win::TCustomForm* Form, vg::TvxVisualObject* O) {
  const vg::TvxRect r = O->GetAbsoluteRect();
  const int x = static_cast<int>((r.Left + r.Right) / 2), y = static_cast<int>((r.Top + r.Bottom) / 2);
  win::SimulateMouseMove(Form, x, y);
  win::SimulateMouseButton(Form, rtl::mbLeft, true, x, y);
  win::SimulateMouseButton(Form, rtl::mbLeft, false, x, y);
}

}  // namespace vgtest
