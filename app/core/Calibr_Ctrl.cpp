#include "app/core/Calibr_Ctrl.h"

#include <algorithm>

#include "app/core/Calibr_Draw.h"
#include "app/core/Calibr_Unit.h"
#include "app/core/Core_Host.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "ecu/Link_State.h"
#include "ecu/Session.h"
#include "platform/loop/Timer.h"

namespace app {

namespace {

constexpr int LastPoint = ecu::DiagramPointCount - 1;
constexpr std::uint8_t MaxKeyRepeatFactor = 20;

std::int32_t& Selected() { return ecu::Session().ConfigData.SelectedPoint; }
bool IsPoint(std::int32_t Index) { return Index >= 0 && Index <= LastPoint; }
bool LinkUp() { return ecu::Session().Link.LinkUp != 0; }

// The idle point as the ECU flags it, kept within the points.
int IdlePoint() { return std::min<int>(ecu::Session().ConfigData.FlaggedPoint, LastPoint); }

// With the Idle_Points setting the idle point and the one before it cannot be taken.
bool LockedIdlePoint(int Index) {
  const int idle = IdlePoint();
  return Model().Settings.Idle_Points && idle != 0 && (Index == idle - 1 || Index == idle);
}

// The anchor about which moving an end point rescales the curve.
int AnchorForLastPoint() {
  int a = Model().Diagram.FixedPoint;
  if (Model().Settings.Idle_Points && a < IdlePoint()) a = IdlePoint();
  return std::clamp(a, 0, LastPoint);
}
int AnchorForFirstPoint() {
  int a = Model().Diagram.FixedPoint;
  const int idle = IdlePoint();
  // With the idle point at 0 there is nothing before it to keep: the fixed point anchors.
  if (Model().Settings.Idle_Points && idle != 0 && !(a > 0 && a < idle)) a = idle - 1;
  return std::clamp(a, 0, LastPoint);
}

// Ends a drag: the edit goes to the ECU and the selection is dropped.
void FinishDrag() {
  Model().Diagram.PointTracking = 0;
  Model().Diagram.PointHeld = 0;
  QueueDiagramTransmit();
  Selected() = -1;
  Model().Diagram.PointMoved = 0;
  PlaceDiagramPoints();
}

// The held point follows the pointer at (X, Y) of the drawing, keeping the place in its
// marker where it was grabbed (the marker's corner lies half its size from the point).
void FollowPointer(double X, double Y) {
  const std::int32_t sel = Selected();
  if (!IsPoint(sel)) return;
  const auto s = static_cast<std::size_t>(sel);
  MoveDiagramPointX(X - Model().Diagram.GrabX - (Model().Diagram.PointPixelX[s] - Model().Diagram.MarkerWidth / 2));
  MoveDiagramPointY(Y - Model().Diagram.GrabY - (Model().Diagram.PointPixelY[s] - Model().Diagram.MarkerHeight / 2));
}

}  // namespace

void SelectDiagramPoint(int Number, rtl::TMouseButton Button) {
  const int index = Number - 1;
  if (!IsPoint(index)) return;
  if (Button == rtl::mbLeft) {
    if (!LockedIdlePoint(index)) {
      Model().Diagram.PointTracking = 1;
      Model().Diagram.PointMoved = 1;
      Selected() = index;
    }
  } else if (Button == rtl::mbRight && index >= 1 && index <= LastPoint - 1) {
    if (Model().Diagram.FixedPoint == index && Model().Diagram.FixedPointOn) {
      Model().Diagram.FixedPoint = 0;
      Model().Diagram.FixedPointOn = 0;
    } else {
      Model().Diagram.FixedPoint = static_cast<std::uint8_t>(index);
      Model().Diagram.FixedPointOn = 1;
    }
    Selected() = -1;
  }
  ShowSelectedPointValues();
}

void ReleaseDiagramPoint(rtl::TMouseButton Button) {
  if (Button == rtl::mbLeft) {
    Model().Diagram.PointTracking = 0;
    Selected() = -1;
  }
  DrawDiagramState();
}

double KeyRepeatStep(double Step) {
  rtl::TTimer* timer = Model().Diagram.Timer_CLB_3D_Btn;
  if (!timer) return Step;
  if (timer->Enabled()) {
    Model().Diagram.KeyRepeatFactor = std::min<std::uint8_t>(Model().Diagram.KeyRepeatFactor + 1, MaxKeyRepeatFactor);
    Step *= Model().Diagram.KeyRepeatFactor;
    timer->SetEnabled(false);
  }
  timer->SetEnabled(true);
  return Step;
}

void KeyRepeatEnded() {
  if (Model().Diagram.Timer_CLB_3D_Btn) Model().Diagram.Timer_CLB_3D_Btn->SetEnabled(false);
  Model().Diagram.KeyRepeatFactor = 1;
}

void MoveDiagramPointX(double Delta) {
  const bool keys = !Model().Diagram.PointHeld;
  if (keys) BeginDiagramEdit();
  const std::int32_t sel = Selected();
  // The end points never move along X.
  if (sel >= 1 && sel <= LastPoint - 1) {
    const auto s = static_cast<std::size_t>(sel);
    if (keys) Delta = KeyRepeatStep(Delta);
    const double x = Model().Diagram.PointPixelX[s] + Delta;
    if (Model().Diagram.PointPixelX[s - 1] < x && x < Model().Diagram.PointPixelX[s + 1])
      Model().Diagram.PointPixelX[s] = x;
    if (keys) PlaceDiagramPoints();
  }
  if (keys) QueueDiagramTransmit();
}

void MoveDiagramPointY(double Delta) {
  const std::int32_t sel = Selected();
  if (!IsPoint(sel)) return;
  const bool keys = !Model().Diagram.PointHeld;
  if (keys) {
    BeginDiagramEdit();
    Delta = KeyRepeatStep(Delta);
  }
  const double h = std::max(Model().Diagram.DiagramHeight, 0.0);
  auto& py = Model().Diagram.PointPixelY;
  const double y = std::clamp(py[static_cast<std::size_t>(sel)] + Delta, 0.0, h);
  if (sel != 0 && sel != LastPoint) {
    py[static_cast<std::size_t>(sel)] = y;
  } else {
    // An end point rescales the points beyond the anchor about the anchor's height, or,
    // with no anchor before point 8, the whole curve moves with point 0.
    std::array<double, ecu::DiagramPointCount> t = py;
    if (sel == LastPoint) {
      const auto a = static_cast<std::size_t>(AnchorForLastPoint());
      const double ratio = (t[a] - y) / (t[a] - t[LastPoint]);
      for (std::size_t k = a + 1; k <= LastPoint; ++k) t[k] = t[a] - (t[a] - t[k]) * ratio;
    } else {
      const auto a = static_cast<std::size_t>(AnchorForFirstPoint());
      if (a != 0) {
        const double ratio = (y - t[a]) / (py[0] - t[a]);
        for (std::size_t k = 0; k < a; ++k) t[k] = t[a] - (t[a] - t[k]) * ratio;
      } else {
        for (double& v : t) v += Delta;
      }
    }
    // A move that would take any point out of the drawing is dropped; so is one whose ratio
    // has no value (anchor and end point at one height): the test fails for NaN.
    if (std::all_of(t.begin(), t.end(), [h](double v) { return v >= 0 && v <= h; })) py = t;
  }
  if (keys) {
    PlaceDiagramPoints();
    QueueDiagramTransmit();
  }
}

void RedrawDiagram() {
  if (Model().CoreHost) Model().CoreHost->RedrawCalibrationDiagram();
}

void DrawDiagramState() {
  if (Model().CoreHost) Model().CoreHost->DrawDiagramState();
  ShowSelectedPointValues();
}

void ShowSelectedPointValues() {
  const std::string text = SelectedPointText();
  if (!text.empty() && Model().CoreHost) Model().CoreHost->ShowDiagramPosition(text);
}

void ShowCursorValues(double X, double Y) {
  const std::string text = CursorText(X, Y);
  if (!text.empty() && Model().CoreHost) Model().CoreHost->ShowDiagramPosition(text);
}

void ShowHistoryPanel(double X, double Y) {
  if (Model().Diagram.HistoryPanelOpen) return;
  Model().Diagram.HistoryPanelOpen = true;
  Model().Diagram.HistoryPanelX = static_cast<float>(X);
  Model().Diagram.HistoryPanelY = static_cast<float>(Y);
  if (Model().CoreHost) Model().CoreHost->ShowDiagramHistoryPanel();
  QueueAction(Action_HistoryPanelFonts, 100);
}

void HistoryStepBack() {
  if (LinkUp()) DiagramHistoryBack();
}

void HistoryStepForward() {
  if (LinkUp()) DiagramHistoryForward();
}

void DiagramMarkerMouseDown(int Number, rtl::TMouseButton Button, double X, double Y) {
  if (!IsPoint(Number - 1)) return;
  BeginDiagramEdit();
  SelectDiagramPoint(Number, Button);
  if (!LinkUp()) DrawDiagramState();
  Model().Diagram.PointMoved = 0;
  Model().Diagram.PointHeld = 1;
  Model().Diagram.GrabX = static_cast<float>(X);
  Model().Diagram.GrabY = static_cast<float>(Y);
}

void DiagramMarkerMouseMove(int Number, double X, double Y) {
  if (!IsPoint(Number - 1)) return;
  if (!Model().Diagram.PointTracking) {
    // Hovering marks the point and shows its values; it does not make it movable by keys.
    SelectDiagramPoint(Number, rtl::mbLeft);
    Model().Diagram.PointTracking = 0;
    Model().Diagram.PointMoved = 0;
  }
  if (Model().Diagram.PointHeld) {
    Model().Diagram.PointMoved = 1;
    MoveDiagramPointX(X - Model().Diagram.GrabX);
    MoveDiagramPointY(Y - Model().Diagram.GrabY);
    PlaceDiagramPoints();
  } else if (!LinkUp()) {
    DrawDiagramState();
  }
}

void DiagramMarkerMouseUp(int Number) {
  if (!IsPoint(Number - 1)) return;
  Model().Diagram.PointHeld = 0;
  if (Model().Diagram.PointMoved) {
    Model().Diagram.PointTracking = 0;
    QueueDiagramTransmit();
    Selected() = -1;
    Model().Diagram.PointMoved = 0;
  }
  PlaceDiagramPoints();
}

void DiagramMouseDown(rtl::TMouseButton Button, double X, double Y) {
  if (Button == rtl::mbRight) {
    ShowHistoryPanel(X, Y);
    return;
  }
  ReleaseDiagramPoint(Button);
  if (!LinkUp()) DrawDiagramState();
}

void DiagramMouseMove(bool LeftDown, double X, double Y) {
  CloseHistoryPanel();
  ShowCursorValues(X, Y);
  if (!Model().Diagram.PointHeld) {
    if (!Model().Diagram.PointTracking) ReleaseDiagramPoint(rtl::mbLeft);
    if (!LinkUp()) DrawDiagramState();
  } else if (!LeftDown) {
    FinishDrag();
  } else {
    Model().Diagram.PointMoved = 1;
    FollowPointer(X, Y);
    PlaceDiagramPoints();
  }
}

void DiagramMouseUp(double X, double Y) {
  if (!Model().Diagram.PointHeld) return;
  FollowPointer(X, Y);
  FinishDrag();
}

void DiagramKeyDown(TDiagramKey Key) {
  switch (Key) {
    case TDiagramKey::Escape:
      if (Selected() != -1) ReleaseDiagramPoint(rtl::mbLeft);
      break;
    case TDiagramKey::Left:
    case TDiagramKey::Right:
      if (Model().Diagram.PointTracking) MoveDiagramPointX(Key == TDiagramKey::Left ? -1.0 : 1.0);
      break;
    case TDiagramKey::Up:
    case TDiagramKey::Down:
      if (Model().Diagram.PointTracking) MoveDiagramPointY(Key == TDiagramKey::Up ? -1.0 : 1.0);
      break;
  }
}

}  // namespace app
