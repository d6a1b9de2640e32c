// The class library's types of mouse and keyboard input, shared by the windows and by the
// object trees that windows hand their input to: the state of the modifier keys and mouse
// buttons during an event, the mouse button of a press, and cursor identifiers.
#pragma once

#include <cstdint>

#include "platform/rtl/TypInfo.h"

namespace rtl {

// ssDouble marks the second press of a double click.
RTL_ENUM(TShiftStateItem, ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble);
using TShiftState = TSet<TShiftStateItem>;

RTL_ENUM(TMouseButton, mbLeft, mbRight, mbMiddle);

// A cursor identifier: 0 is the default cursor, negative values the standard ones.
using TCursor = int16_t;
constexpr TCursor crDefault = 0;
// The resize cursors of splitters: a horizontal and a vertical double arrow.
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;

}  // namespace rtl
