// The vector path of the 2D library: figures of straight and cubic Bezier segments,
// built by moves, lines, curves, arcs, rectangles and ellipses or from SVG path text,
// flattened into polygons, and streamed as the binary property "Path".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/TypInfo.h"
#include "vg2d/core/Geometry.h"
#include "vg2d/core/ResourceLinks.h"

namespace rtl {
class TStream;
}

namespace vg {

// A curve point comes in threes: first control point, second control point, end point.
// A close point holds the start of the figure it closes.
enum TvxPathPointKind : uint8_t {
  vgPathPointMoveTo = 0,
  vgPathPointLineTo = 1,
  vgPathPointCurveTo = 2,
  vgPathPointClose = 3
};

struct TvxPathPoint {
  TvxPathPointKind Kind = vgPathPointMoveTo;
  TvxPoint Point;
  bool operator==(const TvxPathPoint&) const = default;
};

RTL_ENUM(TvxCorner, vgCornerTopLeft, vgCornerTopRight, vgCornerBottomLeft, vgCornerBottomRight);
using TvxCorners = rtl::TSet<TvxCorner>;
inline constexpr TvxCorners AllCorners{vgCornerTopLeft, vgCornerTopRight, vgCornerBottomLeft, vgCornerBottomRight};

RTL_ENUM(TvxCornerType, vgCornerRound, vgCornerBevel, vgCornerInnerRound, vgCornerInnerLine);

// Ends a closed figure in the polygons of FlattenToPolygon.
inline constexpr TvxPoint ClosePolygonMarker{65535, 65535};

class TvxPathData : public rtl::TPersistent, public TvxResourceValue<TvxPathData, &IvxLinkTarget::GetResourcePath> {
  RTL_CLASS(TvxPathData, rtl::TPersistent)
public:
  TvxPathData() = default;
  ~TvxPathData() override;

  // A path holds at most this many points: what is added beyond them (by building, by path
  // text or by the "Path" property) is left out, so that showing and resizing a path take a
  // bounded time.
  static constexpr size_t MaxPoints = 65536;

  // ---- building (fires no OnChange) ------------------------------------------------------
  void MoveTo(const TvxPoint& P);
  void MoveToRel(const TvxPoint& D);
  void LineTo(const TvxPoint& P);
  void LineToRel(const TvxPoint& D);
  void HLineTo(float X);
  void HLineToRel(float DX);
  void VLineTo(float Y);
  void VLineToRel(float DY);
  void CurveTo(const TvxPoint& C1, const TvxPoint& C2, const TvxPoint& E);
  void CurveToRel(const TvxPoint& C1, const TvxPoint& C2, const TvxPoint& E);
  void SmoothCurveTo(const TvxPoint& C2, const TvxPoint& E);
  void SmoothCurveToRel(const TvxPoint& C2, const TvxPoint& E);
  void ClosePath();
  // Four curves from the left middle point clockwise; the figure is left open.
  void AddEllipse(const TvxRect& R);
  // A clockwise closed figure with the given corners shaped as CornerType (the others
  // square); radii above half the side are cut to half the side.
  void AddRectangle(const TvxRect& R, float XRadius, float YRadius, TvxCorners Corners,
                    TvxCornerType CornerType);
  // An elliptic arc of Radius around Center; angles in degrees.
  void AddArc(const TvxPoint& Center, const TvxPoint& Radius, float StartAngle, float SweepAngle);
  // The SVG elliptical arc from the last point to To, ending at To whatever its radii. A zero
  // radius, or one too large for the arc to be told from its chord, draws a straight line;
  // an arc to the point it starts from adds nothing.
  void ArcTo(const TvxPoint& Radius, float XAxisRotation, bool LargeArc, bool Sweep, const TvxPoint& To);

  // Empties the path and fires OnChange.
  void Clear();

  // ---- reading and changing --------------------------------------------------------------
  TvxPoint LastPoint() const;
  bool IsEmpty() const { return points_.empty(); }
  int Count() const { return static_cast<int>(points_.size()); }
  const std::vector<TvxPathPoint>& Points() const { return points_; }
  TvxRect GetBounds() const;
  void Scale(float SX, float SY);
  // The path as polygon points (curves flattened); a closed figure ends with its start
  // point and ClosePolygonMarker. Size is the path's width and height.
  void FlattenToPolygon(std::vector<TvxPoint>& Polygon, TvxPoint& Size, float Flatness) const;

  // ---- resource ------------------------------------------------------------------------
  // The path of the resource object this path stands for (looked up by ResourceName on
  // first use), or nil.
  TvxPathData* GetResourcePath() { return ResourceValue(); }

  void Assign(const rtl::TPersistent* Source) override;

  // ---- SVG path text -----------------------------------------------------------------------
  std::string GetData() const;
  // Parses SVG path text ("M L C S H V Q T A Z", absolute and relative). Malformed
  // commands are dropped; nothing is raised. Fires OnChange once.
  void SetData(const std::string& Value);

  // ---- "Path" property -----------------------------------------------------------------------
  // A 32-bit count, then 12-byte records (kind, 3 zero bytes, X, Y), little-endian.
  void WritePath(rtl::TStream& Stream) const;
  // Also reads packed 9-byte records. A count that does not match the bytes raises
  // rtl::EReadError and leaves the path as it was; fires OnChange when read.
  void ReadPath(rtl::TStream& Stream);

  rtl::TNotifyEvent OnChange;

protected:
  void DefineProperties(rtl::TFiler* Filer) override;

private:
  void Add(TvxPathPointKind Kind, const TvxPoint& P) {
    if (points_.size() < MaxPoints) points_.push_back({Kind, P});
  }
  // An ellipse of radii RX, RY around (CX, CY), its axes turned by the angle of cosine Cos and
  // sine Sin.
  struct TArcFrame {
    double CX, CY, RX, RY, Cos, Sin;
  };
  void ArcSegment(const TArcFrame& Frame, double Angle, double Sweep, bool First);
  void ArcSegments(const TArcFrame& Frame, double Start, double Sweep, bool First);
  void Changed() { OnChange(this); }
  void LinkChanged() override { Changed(); }

  TvxPoint startPoint_;
  std::vector<TvxPathPoint> points_;
};

}  // namespace vg
