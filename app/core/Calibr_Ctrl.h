// Editing the calibration diagram with the mouse and the keyboard. The user drags the nine
// point markers, or moves the point chosen by a left press with the arrow keys; points 0 and
// 8 move only up and down and then rescale part of the curve about an anchor (the fixed point
// or the idle point). Editing works on the points' pixel positions (Diagram.PointPixelX/Y);
// every finished edit turns them back into times, redraws and, with the link up, is kept in
// the history and written to the ECU after the transmission delay (QueueDiagramTransmit).
//
// The main window hosts the handlers: three for the drawing (Image_CLB_Diagram), three for
// each marker, the arrow keys and Esc on the Graph page, and the history panel's buttons.
// Coordinates are pixels, in the drawing or in the pressed marker. GUI thread only.
#pragma once

#include "platform/rtl/InputTypes.h"

namespace app {

// ---- Operations ---------------------------------------------------------------------------

// Number is the marker's 1..9. The left button selects the point for moving (unless it is one
// of the two locked idle points); the right button fixes a point 1..7, or frees it when it is
// the fixed one. Then the read-out shows the selected point.
void SelectDiagramPoint(int Number, rtl::TMouseButton Button);
// Ends a selection (the left button drops it), then the state is drawn.
void ReleaseDiagramPoint(rtl::TMouseButton Button);
// Move the selected point by Delta pixels. While no marker is held these are key moves: the
// step grows with quick repeats, and the edit is placed and written at once.
void MoveDiagramPointX(double Delta);
void MoveDiagramPointY(double Delta);
// The step of an arrow key: within 300 ms of the previous one the multiplier grows by one (up
// to 20) and multiplies Step.
double KeyRepeatStep(double Step);
// Tick of Timer_CLB_3D_Btn: the repeat window has closed; the multiplier falls back to 1.
void KeyRepeatEnded();

// The full redraw, the state drawn over the curve and the read-outs, through the page.
void RedrawDiagram();
void DrawDiagramState();
void ShowSelectedPointValues();
void ShowCursorValues(double X, double Y);

// The history panel (a right press on the drawing); nothing when it is open already. Its
// buttons step only while the link is up.
void ShowHistoryPanel(double X, double Y);
void HistoryStepBack();
void HistoryStepForward();

// ---- Handlers -----------------------------------------------------------------------------

// A point marker (Number 1..9), X and Y in the marker.
void DiagramMarkerMouseDown(int Number, rtl::TMouseButton Button, double X, double Y);
void DiagramMarkerMouseMove(int Number, double X, double Y);
void DiagramMarkerMouseUp(int Number);
// The drawing, X and Y in it. LeftDown: the left button is held during the move.
void DiagramMouseDown(rtl::TMouseButton Button, double X, double Y);
void DiagramMouseMove(bool LeftDown, double X, double Y);
void DiagramMouseUp(double X, double Y);

// Keys of the Graph page.
enum class TDiagramKey { Escape, Left, Right, Up, Down };
void DiagramKeyDown(TDiagramKey Key);

}  // namespace app
