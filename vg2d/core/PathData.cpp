#include "vg2d/core/PathData.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "vg2d/core/Registry.h"
#include "vg2d/core/TextForms.h"

namespace vg {

// The points are streamed as the binary property "Path", not as the text of Data.
rtl::TClass TvxPathData::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxPathData>()
                                          .Property("Data", &TvxPathData::GetData, &TvxPathData::SetData).Stored(false)
                                          .Property("Resource", &TvxPathData::Resource, &TvxPathData::SetResource).Stored(false)
                                          .Property("ResourceName", &TvxPathData::ResourceName, &TvxPathData::SetResourceName)
                                          .Build();
  return &info;
}

namespace {

constexpr double Pi = std::numbers::pi;
// A curve is never cut into more points than this, whatever its coordinates, nor a whole
// path into more than MaxPolygonPoints.
constexpr int64_t MaxCurvePoints = 100000;
constexpr size_t MaxPolygonPoints = size_t{1} << 20;

TvxPoint Plus(const TvxPoint& A, const TvxPoint& B) { return {A.X + B.X, A.Y + B.Y}; }

}  // namespace

TvxPathData::~TvxPathData() = default;

// ---- building -------------------------------------------------------------------------------

void TvxPathData::MoveTo(const TvxPoint& P) {
  Add(vgPathPointMoveTo, P);
  startPoint_ = P;
}

void TvxPathData::MoveToRel(const TvxPoint& D) { MoveTo(Plus(LastPoint(), D)); }

void TvxPathData::LineTo(const TvxPoint& P) { Add(vgPathPointLineTo, P); }

void TvxPathData::LineToRel(const TvxPoint& D) { LineTo(Plus(LastPoint(), D)); }

void TvxPathData::HLineTo(float X) { LineTo({X, LastPoint().Y}); }

void TvxPathData::HLineToRel(float DX) {
  const TvxPoint last = LastPoint();
  LineTo({last.X + DX, last.Y});
}

void TvxPathData::VLineTo(float Y) { LineTo({LastPoint().X, Y}); }

void TvxPathData::VLineToRel(float DY) {
  const TvxPoint last = LastPoint();
  LineTo({last.X, last.Y + DY});
}

void TvxPathData::CurveTo(const TvxPoint& C1, const TvxPoint& C2, const TvxPoint& E) {
  Add(vgPathPointCurveTo, C1);
  Add(vgPathPointCurveTo, C2);
  Add(vgPathPointCurveTo, E);
}

void TvxPathData::CurveToRel(const TvxPoint& C1, const TvxPoint& C2, const TvxPoint& E) {
  const TvxPoint last = LastPoint();
  CurveTo(Plus(last, C1), Plus(last, C2), Plus(last, E));
}

void TvxPathData::SmoothCurveTo(const TvxPoint& C2, const TvxPoint& E) {
  TvxPoint c1 = C2;
  if (points_.size() >= 3) {
    const TvxPoint last = LastPoint();
    const TvxPoint prev = points_[points_.size() - 2].Point;
    c1 = {2 * last.X - prev.X, 2 * last.Y - prev.Y};
  }
  CurveTo(c1, C2, E);
}

void TvxPathData::SmoothCurveToRel(const TvxPoint& C2, const TvxPoint& E) {
  const TvxPoint last = LastPoint();
  TvxPoint c1 = Plus(last, C2);
  if (points_.size() >= 3) {
    const TvxPoint prev = points_[points_.size() - 2].Point;
    c1 = {2 * last.X - prev.X, 2 * last.Y - prev.Y};
  }
  CurveTo(c1, Plus(last, C2), Plus(last, E));
}

void TvxPathData::ClosePath() { Add(vgPathPointClose, startPoint_); }

void TvxPathData::Clear() {
  points_.clear();
  Changed();
}

void TvxPathData::AddEllipse(const TvxRect& R) {
  constexpr float K = 0.5522847498f;  // control-point distance of a quarter circle
  const float cx = (R.Left + R.Right) / 2, cy = (R.Top + R.Bottom) / 2;
  const float rx = RectWidth(R) / 2 * K, ry = RectHeight(R) / 2 * K;
  MoveTo({R.Left, cy});
  CurveTo({R.Left, cy - ry}, {cx - rx, R.Top}, {cx, R.Top});
  CurveTo({cx + rx, R.Top}, {R.Right, cy - ry}, {R.Right, cy});
  CurveTo({R.Right, cy + ry}, {cx + rx, R.Bottom}, {cx, R.Bottom});
  CurveTo({cx - rx, R.Bottom}, {R.Left, cy + ry}, {R.Left, cy});
}

void TvxPathData::AddRectangle(const TvxRect& R, float XRadius, float YRadius, TvxCorners Corners,
                               TvxCornerType CornerType) {
  const float w = RectWidth(R), h = RectHeight(R);
  const float rx = 2 * XRadius > w ? w / 2 : XRadius;
  const float ry = 2 * YRadius > h ? h / 2 : YRadius;
  const float hx = rx / 2, hy = ry / 2;
  const float L = R.Left, T = R.Top, Rt = R.Right, B = R.Bottom;

  // One corner: the points of each corner kind, in the order top-left, top-right,
  // bottom-right, bottom-left (the outline runs clockwise).
  auto corner = [&](TvxCorner which, const TvxPoint& square, const TvxPoint& round1, const TvxPoint& round2,
                    const TvxPoint& inner1, const TvxPoint& inner2, const TvxPoint& end) {
    if (!Corners.Contains(which)) {
      LineTo(square);
      LineTo(end);
      return;
    }
    switch (CornerType) {
      case vgCornerRound: CurveTo(round1, round2, end); break;
      case vgCornerBevel: LineTo(end); break;
      case vgCornerInnerRound: CurveTo(inner1, inner2, end); break;
      case vgCornerInnerLine:
        LineTo(inner1);
        LineTo(inner2);
        LineTo(end);
        break;
    }
  };

  MoveTo({L, T + ry});
  corner(vgCornerTopLeft, {L, T}, {L, T + hy}, {L + hx, T}, {L + hx, T + ry}, {L + rx, T + hy}, {L + rx, T});
  LineTo({Rt - rx, T});
  corner(vgCornerTopRight, {Rt, T}, {Rt - hx, T}, {Rt, T + hy}, {Rt - rx, T + hy}, {Rt - hx, T + ry}, {Rt, T + ry});
  LineTo({Rt, B - ry});
  corner(vgCornerBottomRight, {Rt, B}, {Rt, B - hy}, {Rt - hx, B}, {Rt - hx, B - ry}, {Rt - rx, B - hy},
         {Rt - rx, B});
  LineTo({L + rx, B});
  corner(vgCornerBottomLeft, {L, B}, {L + hx, B}, {L, B - hy}, {L + rx, B - hy}, {L + hx, B - ry}, {L, B - ry});
  ClosePath();
}

// One Bezier segment of at most 90 degrees of the ellipse of Frame, from Angle on: the
// segment's start point (added by a move or a line when First), then three curve points.
// Everything up to the stored point is in double precision: an arc of a huge radius is a
// small difference of large numbers (its points lie far from its centre's axes).
void TvxPathData::ArcSegment(const TArcFrame& Frame, double Angle, double Sweep, bool First) {
  const double x0 = std::cos(Sweep / 2), y0 = std::sin(Sweep / 2);
  const double rot = Angle + Sweep / 2, cr = std::cos(rot), sr = std::sin(rot);
  auto map = [&](double x, double y) -> TvxPoint {
    const double ex = Frame.RX * (x * cr - y * sr), ey = Frame.RY * (x * sr + y * cr);
    return {static_cast<float>(Frame.CX + ex * Frame.Cos - ey * Frame.Sin),
            static_cast<float>(Frame.CY + ex * Frame.Sin + ey * Frame.Cos)};
  };
  const TvxPoint start = map(x0, -y0);
  if (y0 == 0) {  // no sweep: only the start point
    LineTo(start);
    return;
  }
  const double tx = (1 - x0) * 4 / 3;
  const double ty = y0 - tx * x0 / y0;
  if (First) {
    if (points_.empty()) MoveTo(start);
    else LineTo(start);
  }
  CurveTo(map(x0 + tx, -ty), map(x0 + tx, ty), map(x0, y0));
}

// The sweep (radians) cut into segments of 90 degrees from Start on; a segment ends the walk
// when the sweep it reaches is within 0.01 of the whole, the last taking the remainder.
void TvxPathData::ArcSegments(const TArcFrame& Frame, double Start, double Sweep, bool First) {
  double total = 0;
  bool done = false;
  while (!done) {
    const double prev = total;
    double local = Sweep < 0 ? -Pi / 2 : Pi / 2;
    total += local;
    if (Sweep < 0 ? total <= Sweep + 0.01 : total >= Sweep - 0.01) {
      local = Sweep - prev;
      done = true;
    }
    ArcSegment(Frame, Start, local, First);
    First = false;
    Start += local;
  }
}

void TvxPathData::AddArc(const TvxPoint& Center, const TvxPoint& Radius, float StartAngle, float SweepAngle) {
  if (!std::isfinite(StartAngle) || !std::isfinite(SweepAngle)) return;
  const double start = std::fmod(static_cast<double>(StartAngle), 360.0) * Pi / 180;
  const double sweep = std::clamp(static_cast<double>(SweepAngle), -360.0, 360.0) * Pi / 180;
  if (std::fabs(sweep) < 1e-10) return;
  ArcSegments({Center.X, Center.Y, Radius.X, Radius.Y, 1, 0}, start, sweep, true);
}

void TvxPathData::ArcTo(const TvxPoint& Radius, float XAxisRotation, bool LargeArc, bool Sweep, const TvxPoint& To) {
  const TvxPoint from = LastPoint();
  if (from == To) return;  // an arc to its own start point is no arc
  double rx = std::fabs(static_cast<double>(Radius.X)), ry = std::fabs(static_cast<double>(Radius.Y));
  if (!(rx > 0) || !(ry > 0) || !std::isfinite(XAxisRotation)) {  // no ellipse: a straight line
    LineTo(To);
    return;
  }
  const double phi = static_cast<double>(XAxisRotation) * Pi / 180;
  const double cp = std::cos(phi), sp = std::sin(phi);
  const double dx2 = (static_cast<double>(from.X) - To.X) / 2, dy2 = (static_cast<double>(from.Y) - To.Y) / 2;
  const double x1 = cp * dx2 + sp * dy2, y1 = -sp * dx2 + cp * dy2;
  const double L = x1 * x1 / (rx * rx) + y1 * y1 / (ry * ry);
  if (L > 1) {
    rx *= std::sqrt(L);
    ry *= std::sqrt(L);
  }
  const double rx2 = rx * rx, ry2 = ry * ry, x12 = x1 * x1, y12 = y1 * y1;
  const double den = rx2 * y12 + ry2 * x12;
  double sq = den > 0 ? (rx2 * ry2 - rx2 * y12 - ry2 * x12) / den : 0;
  if (!(sq > 0)) sq = 0;
  const double coef = (LargeArc != Sweep ? 1 : -1) * std::sqrt(sq);
  const double cx1 = coef * (rx * y1 / ry), cy1 = coef * -(ry * x1 / rx);
  const double cx = (static_cast<double>(from.X) + To.X) / 2 + (cp * cx1 - sp * cy1);
  const double cy = (static_cast<double>(from.Y) + To.Y) / 2 + (sp * cx1 + cp * cy1);

  // The angle from u to v, signed as their cross product. Taken from both the cross and the
  // dot product rather than from the arc cosine of the dot product alone, which near 1 (a
  // small sweep of a large ellipse) keeps only the square root of the precision.
  auto angleOf = [](double ux, double uy, double vx, double vy) {
    const double a = std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
    return std::isfinite(a) ? a : 0.0;
  };
  const double ux = (x1 - cx1) / rx, uy = (y1 - cy1) / ry;
  const double vx = (-x1 - cx1) / rx, vy = (-y1 - cy1) / ry;
  const double startAngle = angleOf(1, 0, ux, uy);
  double extent = angleOf(ux, uy, vx, vy);
  if (!Sweep && extent > 0) extent -= 2 * Pi;
  else if (Sweep && extent < 0) extent += 2 * Pi;
  const double startDeg = startAngle * 180 / Pi, extentDeg = extent * 180 / Pi;
  const double sweep = std::clamp(extentDeg, -360.0, 360.0) * Pi / 180;
  // An arc whose sweep is too small to tell (a radius so large that double precision loses
  // the end points against the centre) lies on its chord: the straight line is that arc.
  if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(sweep) || !std::isfinite(rx) ||
      !std::isfinite(ry) || std::fabs(sweep) < 1e-10) {
    LineTo(To);
    return;
  }
  // Continuing from the current point (no move or line first), on the ellipse turned by the
  // axis rotation around the centre.
  const size_t before = points_.size();
  ArcSegments({cx, cy, rx, ry, cp, sp}, std::fmod(startDeg, 360.0) * Pi / 180, sweep, false);
  // The arc ends at its end point: rounding does not move it.
  if (points_.size() > before) points_.back().Point = To;
}

// ---- reading and changing -------------------------------------------------------------------

TvxPoint TvxPathData::LastPoint() const { return points_.empty() ? TvxPoint{} : points_.back().Point; }

TvxRect TvxPathData::GetBounds() const {
  if (points_.empty()) return {};
  // Starts from nothing rather than from some large value, so that a path anywhere (far from
  // the origin too) gets its own bounds. A coordinate that is not a number counts for nothing;
  // an axis that none of the points give a number on has no extent, at 0.
  constexpr float inf = std::numeric_limits<float>::infinity();
  TvxRect r{inf, inf, -inf, -inf};
  for (const TvxPathPoint& p : points_) {
    if (p.Kind == vgPathPointClose) continue;
    if (p.Point.X < r.Left) r.Left = p.Point.X;
    if (p.Point.X > r.Right) r.Right = p.Point.X;
    if (p.Point.Y < r.Top) r.Top = p.Point.Y;
    if (p.Point.Y > r.Bottom) r.Bottom = p.Point.Y;
  }
  if (r.Left > r.Right) r.Left = r.Right = 0;
  if (r.Top > r.Bottom) r.Top = r.Bottom = 0;
  // A flat path gets a sliver of extent: 0.001, or where that is below the float's step
  // (far out), the step.
  if (RectWidth(r) == 0) r.Right = std::max(r.Left + 0.001f, std::nextafter(r.Left, inf));
  if (RectHeight(r) == 0) r.Bottom = std::max(r.Top + 0.001f, std::nextafter(r.Top, inf));
  return r;
}

void TvxPathData::Scale(float SX, float SY) {
  for (TvxPathPoint& p : points_) {
    if (p.Kind == vgPathPointClose) continue;
    p.Point.X *= SX;
    p.Point.Y *= SY;
  }
}

void TvxPathData::FlattenToPolygon(std::vector<TvxPoint>& Polygon, TvxPoint& Size, float Flatness) const {
  Polygon.clear();
  Size = {};
  if (points_.empty()) return;
  const TvxRect b = GetBounds();
  double step = static_cast<double>(Flatness) * std::min(RectWidth(b) / 100.0, RectHeight(b) / 100.0);
  if (!(step >= 0.05)) step = 0.05;
  TvxPoint current, figureStart;
  const size_t n = points_.size();
  for (size_t i = 0; i < n; ++i) {
    const TvxPathPoint& p = points_[i];
    switch (p.Kind) {
      case vgPathPointMoveTo:
        Polygon.push_back(p.Point);
        figureStart = current = p.Point;
        break;
      case vgPathPointLineTo:
        Polygon.push_back(p.Point);
        current = p.Point;
        break;
      case vgPathPointCurveTo: {
        if (i + 2 >= n) {  // an incomplete curve ends the path
          i = n;
          break;
        }
        const TvxPoint p0 = current, c1 = p.Point, c2 = points_[i + 1].Point, e = points_[i + 2].Point;
        const double dist = std::hypot(static_cast<double>(c1.X) - e.X, static_cast<double>(c1.Y) - e.Y);
        const int64_t left = static_cast<int64_t>(MaxPolygonPoints - std::min(MaxPolygonPoints, Polygon.size()));
        const int64_t count = std::min(std::clamp<int64_t>(Round(dist / step), 2, MaxCurvePoints), left);
        if (count < 2) {  // the polygon is full: it ends here
          i = n;
          break;
        }
        const double cx = 3.0 * (c1.X - p0.X), bx = 3.0 * (c2.X - c1.X) - cx, ax = e.X - p0.X - cx - bx;
        const double cy = 3.0 * (c1.Y - p0.Y), by = 3.0 * (c2.Y - c1.Y) - cy, ay = e.Y - p0.Y - cy - by;
        for (int64_t k = 0; k < count; ++k) {
          const double t = static_cast<double>(k) / static_cast<double>(count - 1);
          Polygon.push_back({static_cast<float>(((ax * t + bx) * t + cx) * t + p0.X),
                             static_cast<float>(((ay * t + by) * t + cy) * t + p0.Y)});
        }
        current = e;
        i += 2;
        break;
      }
      case vgPathPointClose:
        Polygon.push_back(figureStart);
        Polygon.push_back(ClosePolygonMarker);
        current = figureStart;
        break;
      default: break;  // kinds this system does not know are skipped
    }
  }
  Size = {RectWidth(b), RectHeight(b)};
}

// ---- assignment -----------------------------------------------------------------------------

void TvxPathData::Assign(const rtl::TPersistent* Source) {
  AssignValue(Source, [this](const TvxPathData& src) {
    points_ = src.points_;
    startPoint_ = src.startPoint_;
  });
}

// ---- SVG path text --------------------------------------------------------------------------

std::string TvxPathData::GetData() const {
  std::string s;
  // Each coordinate in the float text form: a whole value as its digits, any other with
  // three decimals, so 15.000001 is "15.000" and -0.0004 is "-0.000". The text so reads back
  // to within half a thousandth; the "Path" stream keeps the exact values.
  auto xy = [&s](const TvxPoint& p) {
    s += FloatToStringDot(p.X);
    s += ',';
    s += FloatToStringDot(p.Y);
    s += ' ';
  };
  const size_t n = points_.size();
  for (size_t i = 0; i < n; ++i) {
    const TvxPathPoint& p = points_[i];
    switch (p.Kind) {
      case vgPathPointMoveTo:
        s += "M ";
        xy(p.Point);
        break;
      case vgPathPointLineTo:
        s += "L ";
        xy(p.Point);
        break;
      case vgPathPointCurveTo:
        if (i + 2 >= n) return s;  // an incomplete curve ends the path
        s += "C ";
        xy(p.Point);
        xy(points_[i + 1].Point);
        xy(points_[i + 2].Point);
        i += 2;
        break;
      case vgPathPointClose: s += "Z "; break;
      default: break;
    }
  }
  return s;
}

namespace {

// Reads numbers and points of SVG path text; a malformed number raises EConvertError.
class TSvgReader {
public:
  explicit TSvgReader(std::string Text) : s_(std::move(Text)) {}

  size_t Pos() const { return pos_; }
  bool AtEnd() const { return pos_ >= s_.size(); }
  char Peek() const { return AtEnd() ? '\0' : s_[pos_]; }
  void Skip() { ++pos_; }
  void SkipBlanks() {
    while (!AtEnd() && s_[pos_] == ' ') ++pos_;
  }
  void SkipBlanksAndCommas() {
    while (!AtEnd() && (s_[pos_] == ' ' || s_[pos_] == ',')) ++pos_;
  }
  // A point follows when the next character is a digit or "-" (a number beginning with
  // "." does not continue a command).
  bool NumberFollows() const {
    const char c = Peek();
    return (c >= '0' && c <= '9') || c == '-';
  }

  float Number() {
    SkipBlanksAndCommas();
    const size_t start = pos_;
    if (Peek() == '-') ++pos_;
    while (!AtEnd()) {
      const char c = s_[pos_];
      const bool digit = (c >= '0' && c <= '9') || c == '.' || c == 'e';
      const bool exponentSign = c == '-' && pos_ > start && s_[pos_ - 1] == 'e';
      if (!digit && !exponentSign) break;
      ++pos_;
    }
    const double v = rtl::StrToFloat(s_.substr(start, pos_ - start));
    SkipBlanksAndCommas();
    // A number no float can hold is as malformed as one that is no number.
    if (!(std::fabs(v) <= FLT_MAX)) throw rtl::EConvertError("Number out of range");
    return static_cast<float>(v);
  }

  TvxPoint Point() {
    const float x = Number();
    const float y = Number();
    return {x, y};
  }

private:
  std::string s_;
  size_t pos_ = 0;
};

bool IsCommandLetter(char c) { return c != '\0' && std::strchr("zmlchvsqtaZMLCHVSQTA", c) != nullptr; }

}  // namespace

void TvxPathData::SetData(const std::string& Value) {
  std::string text;
  text.reserve(Value.size());
  for (char c : Value)
    if (c != '\t' && c != '\n' && c != '\r') text += c;
  points_.clear();
  startPoint_ = {};
  TSvgReader r(std::move(text));

  auto execute = [&](char cmd) {
    switch (cmd) {
      case 'z':
      case 'Z': ClosePath(); break;
      case 'M':
        MoveTo(r.Point());
        while (r.NumberFollows()) LineTo(r.Point());
        break;
      case 'm':
        MoveToRel(r.Point());
        while (r.NumberFollows()) LineToRel(r.Point());
        break;
      case 'L':
        do LineTo(r.Point());
        while (r.NumberFollows());
        break;
      case 'l':
        do LineToRel(r.Point());
        while (r.NumberFollows());
        break;
      case 'C':
      case 'c':
        do {
          const TvxPoint c1 = r.Point(), c2 = r.Point(), e = r.Point();
          if (cmd == 'C') CurveTo(c1, c2, e);
          else CurveToRel(c1, c2, e);
        } while (r.NumberFollows());
        break;
      case 'S':
      case 's':
        do {
          const TvxPoint c2 = r.Point(), e = r.Point();
          if (cmd == 'S') SmoothCurveTo(c2, e);
          else SmoothCurveToRel(c2, e);
        } while (r.NumberFollows());
        break;
      case 'H': HLineTo(r.Number()); break;
      case 'h': HLineToRel(r.Number()); break;
      case 'V': VLineTo(r.Number()); break;
      case 'v': VLineToRel(r.Number()); break;
      case 'Q':
      case 'q':  // quadratic segments are read and dropped
        r.Point();
        r.Point();
        break;
      case 'T':
      case 't': r.Point(); break;
      case 'A':
      case 'a': {
        const TvxPoint radius = r.Point();
        const float rotation = r.Number();
        const TvxPoint flags = r.Point();
        TvxPoint to = r.Point();
        if (cmd == 'a') to = Plus(LastPoint(), to);
        ArcTo(radius, rotation, flags.X == 1, flags.Y == 1, to);
        break;
      }
      default: break;
    }
  };

  while (true) {
    const size_t roundStart = r.Pos();
    r.SkipBlanks();
    std::string letters;
    while (IsCommandLetter(r.Peek())) {
      letters += r.Peek();
      r.Skip();
    }
    if (letters.empty()) break;  // the end, or a character that is no command
    for (char cmd : letters) {
      const size_t count = points_.size();
      const TvxPoint start = startPoint_;
      try {
        execute(cmd);
      } catch (const rtl::EConvertError&) {
        // a malformed number drops this command; parsing goes on
      }
      // Relative steps can run past what a float holds: such points cannot be written as
      // path text, and the whole command goes.
      for (size_t i = count; i < points_.size(); ++i)
        if (!std::isfinite(points_[i].Point.X) || !std::isfinite(points_[i].Point.Y)) {
          points_.resize(count);
          startPoint_ = start;
          break;
        }
    }
    if (r.Pos() == roundStart) break;
  }
  Changed();
}

// ---- "Path" property ----------------------------------------------------------------------------

void TvxPathData::WritePath(rtl::TStream& Stream) const {
  const auto count = static_cast<int32_t>(points_.size());
  std::vector<uint8_t> bytes(4 + 12 * points_.size(), 0);
  std::memcpy(bytes.data(), &count, 4);
  uint8_t* rec = bytes.data() + 4;
  for (const TvxPathPoint& p : points_) {
    rec[0] = p.Kind;
    std::memcpy(rec + 4, &p.Point.X, 4);
    std::memcpy(rec + 8, &p.Point.Y, 4);
    rec += 12;
  }
  Stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TvxPathData::ReadPath(rtl::TStream& Stream) {
  int32_t count = 0;
  Stream.ReadBuffer(&count, 4);
  std::vector<TvxPathPoint> points;
  if (count > 0) {
    const int64_t available = Stream.Size() - Stream.Position();
    const int64_t recordSize = available / count == 9 ? 9 : 12;
    if (static_cast<int64_t>(count) * recordSize > available)
      throw rtl::EReadError("Path data holds fewer points than its count of " + rtl::IntToStr(count));
    std::vector<uint8_t> bytes(static_cast<size_t>(count * recordSize));
    Stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    count = static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(count), MaxPoints));
    points.resize(static_cast<size_t>(count));
    const int offset = recordSize == 9 ? 1 : 4;
    for (int32_t i = 0; i < count; ++i) {
      const uint8_t* rec = bytes.data() + i * recordSize;
      points[i].Kind = static_cast<TvxPathPointKind>(rec[0]);
      std::memcpy(&points[i].Point.X, rec + offset, 4);
      std::memcpy(&points[i].Point.Y, rec + offset + 4, 4);
    }
  } else if (count < 0) {
    throw rtl::EReadError("Path data has a negative point count");
  }
  points_ = std::move(points);
  Changed();
}

void TvxPathData::DefineProperties(rtl::TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      "Path", [this](rtl::TStream& S) { ReadPath(S); }, [this](rtl::TStream& S) { WritePath(S); },
      !points_.empty());
}

}  // namespace vg
