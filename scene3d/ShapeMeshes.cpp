#include "scene3d/ShapeMeshes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numbers>
#include <numeric>
#include <utility>

namespace dx {

namespace {

constexpr float Pi = std::numbers::pi_v<float>;

// Builds a table; vertices are added first, then triangles.
class TBuilder {
public:
  std::uint16_t Add(float X, float Y, float Z, float U, float V) {
    t_.Vertices.push_back(dxMeshVertex(X, Y, Z, 0, 0, 0, U, V));
    return static_cast<std::uint16_t>(t_.Vertices.size() - 1);
  }
  // As given: the caller knows the corners run clockwise seen from outside.
  void Triangle(std::uint16_t A, std::uint16_t B, std::uint16_t C) { t_.Indexes.insert(t_.Indexes.end(), {A, B, C}); }
  // For a solid that is convex about the origin: the corners are put in the order that runs
  // clockwise seen from outside.
  void Outward(std::uint16_t A, std::uint16_t B, std::uint16_t C) {
    const TdxVector a = At(A), b = At(B), c = At(C);
    const TdxVector n = dxVectorCross(dxVectorSubtract(b, a), dxVectorSubtract(c, a));
    const TdxVector centroid = dxVectorScale(dxVectorAdd(dxVectorAdd(a, b), c), 1.0f / 3);
    if (dxVectorDot(n, centroid) > 0) std::swap(B, C);
    Triangle(A, B, C);
  }
  // The square A, B, C, D (in order round it) as (A, B, C) and (A, C, D), turned outwards.
  void Square(std::uint16_t A, std::uint16_t B, std::uint16_t C, std::uint16_t D) {
    Outward(A, B, C);
    Outward(A, C, D);
  }
  std::uint16_t Count() const { return static_cast<std::uint16_t>(t_.Vertices.size()); }
  // The surface from vertex First on is smooth: where two of its vertices lie at one place (the
  // two sides of a texture seam), both get the sum of their normals.
  void Smooth(std::uint16_t First) { smoothFrom_.push_back(First); }
  // Normals from the cross products of the triangles (their areas count), or from their unit
  // normals.
  TdxMeshTable Done(bool UnitNormals = false) {
    SumNormals(UnitNormals);
    for (size_t k = 0; k < smoothFrom_.size(); ++k)
      ShareNormals(smoothFrom_[k], k + 1 < smoothFrom_.size() ? smoothFrom_[k + 1] : t_.Vertices.size());
    return std::move(t_);
  }

private:
  void ShareNormals(size_t First, size_t Last) {
    std::vector<bool> done(Last - First, false);
    std::vector<size_t> group;
    for (size_t i = First; i < Last; ++i) {
      if (done[i - First]) continue;
      const TdxMeshVertex& a = t_.Vertices[i];
      group.assign(1, i);
      for (size_t j = i + 1; j < Last; ++j) {
        const TdxMeshVertex& b = t_.Vertices[j];
        if (a.X == b.X && a.Y == b.Y && a.Z == b.Z) group.push_back(j);
      }
      float nx = 0, ny = 0, nz = 0;
      for (size_t k : group) {
        nx += t_.Vertices[k].NX;
        ny += t_.Vertices[k].NY;
        nz += t_.Vertices[k].NZ;
      }
      for (size_t k : group) {
        done[k - First] = true;
        t_.Vertices[k].NX = nx;
        t_.Vertices[k].NY = ny;
        t_.Vertices[k].NZ = nz;
      }
    }
  }
  TdxVector At(std::uint16_t I) const {
    const TdxMeshVertex& v = t_.Vertices[I];
    return {v.X, v.Y, v.Z, 1};
  }
  // Each vertex: the sum over its triangles, each turned to the side it faces.
  void SumNormals(bool Unit) {
    for (size_t t = 0; t + 2 < t_.Indexes.size(); t += 3) {
      const std::uint16_t a = t_.Indexes[t], b = t_.Indexes[t + 1], c = t_.Indexes[t + 2];
      TdxVector n = dxVectorCross(dxVectorSubtract(At(c), At(a)), dxVectorSubtract(At(b), At(a)));
      if (Unit) n = dxVectorNormalize(n);
      for (std::uint16_t i : {a, b, c}) {
        t_.Vertices[i].NX += n.X;
        t_.Vertices[i].NY += n.Y;
        t_.Vertices[i].NZ += n.Z;
      }
    }
  }

  TdxMeshTable t_;
  std::vector<std::uint16_t> smoothFrom_;
};

// Step K of N from -0.5 to 0.5; every face reaches a shared edge through the same steps, so
// the vertices of neighbouring faces meet exactly.
float Step(int K, int N) { return -0.5f + static_cast<float>(K) / static_cast<float>(N); }

// A face of the box: a grid of (Across + 1) x (Along + 1) vertices, P(i, j) adding the vertex
// at step i across and step j along.
template <class Place>
void GridFace(TBuilder& B, int Across, int Along, Place P) {
  std::vector<std::uint16_t> v;
  for (int j = 0; j <= Along; ++j)
    for (int i = 0; i <= Across; ++i) v.push_back(P(i, j));
  const auto at = [&](int I, int J) { return v[static_cast<size_t>(J * (Across + 1) + I)]; };
  for (int j = 0; j < Along; ++j)
    for (int i = 0; i < Across; ++i) B.Square(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1));
}

}  // namespace

TdxMeshTable dxMakePlaneMesh() {
  TBuilder b;
  for (int r = 0; r <= 10; ++r)
    for (int c = 0; c <= 10; ++c)
      b.Add(-0.5f + 0.1f * static_cast<float>(c), -0.5f + 0.1f * static_cast<float>(r), -0.5f,
            0.1f * static_cast<float>(c), 1 - 0.1f * static_cast<float>(r));
  for (int r = 0; r < 10; ++r)
    for (int c = 0; c < 10; ++c) {
      const auto a = static_cast<std::uint16_t>(11 * r + c);
      b.Triangle(static_cast<std::uint16_t>(a + 11), static_cast<std::uint16_t>(a + 12), a);
      b.Triangle(static_cast<std::uint16_t>(a + 1), a, static_cast<std::uint16_t>(a + 12));
    }
  return b.Done();
}

TdxMeshTable dxMakeCubeMesh() {
  TBuilder b;
  // The z = -0.5 face (vertices 0 .. 48), then the z = +0.5 face (49 .. 97): vertex 7 r + c of
  // a face at x = 0.5 - c/6, y = 0.5 - r/6.
  for (const float z : {-0.5f, 0.5f}) {
    const std::uint16_t first = b.Count();
    for (int r = 0; r <= 6; ++r)
      for (int c = 0; c <= 6; ++c) {
        const float x = Step(6 - c, 6), y = Step(6 - r, 6);
        b.Add(x, y, z, z < 0 ? 0.5f - x : x + 0.5f, 0.5f - y);
      }
    const auto at = [first](int R, int C) { return static_cast<std::uint16_t>(first + 7 * R + C); };
    for (int r = 0; r < 6; ++r)
      for (int c = 0; c < 6; ++c) {
        // Both faces are cut along the same diagonal, each turned to its own outside.
        if (z < 0) {
          b.Triangle(at(r, c), at(r + 1, c + 1), at(r + 1, c));
          b.Triangle(at(r + 1, c + 1), at(r, c), at(r, c + 1));
        } else {
          b.Triangle(at(r, c), at(r + 1, c + 1), at(r, c + 1));
          b.Triangle(at(r + 1, c + 1), at(r, c), at(r + 1, c));
        }
      }
  }
  // The sides, 6 squares round the box and 7 along Z; U runs round the box, V = 0.5 - z.
  using Side = std::array<float, 2> (*)(int);
  static constexpr Side sides[4] = {
      [](int I) { return std::array<float, 2>{Step(I, 6), -0.5f}; },     // y = -0.5
      [](int I) { return std::array<float, 2>{0.5f, Step(I, 6)}; },      // x = +0.5
      [](int I) { return std::array<float, 2>{Step(6 - I, 6), 0.5f}; },  // y = +0.5
      [](int I) { return std::array<float, 2>{-0.5f, Step(6 - I, 6)}; }, // x = -0.5
  };
  for (Side side : sides)
    GridFace(b, 6, 7, [&](int I, int J) {
      const std::array<float, 2> xy = side(I);
      const float z = Step(J, 7);
      return b.Add(xy[0], xy[1], z, static_cast<float>(I) / 6, 0.5f - z);
    });
  return b.Done();
}

namespace {

// A point of the geodesic sphere before it becomes vertices: where it lies (in doubles, so
// that points alike by the solid's symmetry come out alike), its U round the Z axis, and
// whether it is a pole (where U means nothing).
struct TGeoPoint {
  double X, Y, Z;
  double U = 0;
  bool Pole = false;
};

}  // namespace

TdxMeshTable dxMakeSphereMesh() {
  constexpr int n = 6;  // each edge of the icosahedron cut in six
  constexpr double pi = std::numbers::pi;
  // The icosahedron with a corner on each pole: the top, five round z = 1/sqrt(5) at 0, 72 ...
  // degrees, five round z = -1/sqrt(5) half way between, the bottom.
  std::array<std::array<double, 3>, 12> corner;
  corner[0] = {0, 0, 1};
  const double z5 = 1 / std::sqrt(5.0), r5 = 2 / std::sqrt(5.0);
  for (int k = 0; k < 5; ++k) {
    const double up = 2 * pi * k / 5, down = 2 * pi * (k + 0.5) / 5;
    corner[size_t(1 + k)] = {r5 * std::cos(up), r5 * std::sin(up), z5};
    corner[size_t(6 + k)] = {r5 * std::cos(down), r5 * std::sin(down), -z5};
  }
  corner[11] = {0, 0, -1};
  std::vector<std::array<int, 3>> faces;
  for (int k = 0; k < 5; ++k) {
    const int u0 = 1 + k, u1 = 1 + (k + 1) % 5, l0 = 6 + k, l1 = 6 + (k + 1) % 5;
    faces.push_back({0, u0, u1});
    faces.push_back({u0, l0, u1});
    faces.push_back({u1, l0, l1});
    faces.push_back({11, l1, l0});
  }
  // Each face cut into n x n triangles, its points pushed out onto the sphere. A point is
  // known by the corners that make it and their weights, so the faces that share an edge share
  // its points, worked out once.
  std::vector<TGeoPoint> points;
  std::map<std::vector<std::pair<int, int>>, int> known;
  const auto point = [&](std::vector<std::pair<int, int>> Parts) {
    std::erase_if(Parts, [](const auto& P) { return P.second == 0; });
    std::sort(Parts.begin(), Parts.end());
    const auto [it, added] = known.emplace(Parts, static_cast<int>(points.size()));
    if (added) {
      double p[3] = {0, 0, 0};
      for (const auto& [c, w] : Parts)
        for (int i = 0; i < 3; ++i) p[i] += corner[size_t(c)][size_t(i)] * w;
      const double length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
      TGeoPoint g{0.5 * p[0] / length, 0.5 * p[1] / length, 0.5 * p[2] / length};
      g.Pole = Parts.size() == 1 && (Parts[0].first == 0 || Parts[0].first == 11);
      // U round the Z axis from the seam on the +X side (where points lie on it, they lie
      // on it exactly).
      if (!g.Pole) {
        const double phi = std::fabs(g.Y) < 1e-12 && g.X > 0 ? 0 : std::atan2(g.Y, g.X);
        g.U = phi < 0 ? phi / (2 * pi) + 1 : phi / (2 * pi);
      }
      points.push_back(g);
    }
    return it->second;
  };
  std::vector<std::array<int, 3>> triangles;
  for (const auto& f : faces) {
    const auto at = [&](int I, int J) { return point({{f[0], n - I - J}, {f[1], I}, {f[2], J}}); };
    for (int i = 0; i < n; ++i)
      for (int j = 0; i + j < n; ++j) {
        triangles.push_back({at(i, j), at(i + 1, j), at(i, j + 1)});
        if (i + j + 1 < n) triangles.push_back({at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)});
      }
  }
  // Points of one height by the symmetry lie at one height exactly: the z levels.
  std::vector<int> byHeight(points.size());
  std::iota(byHeight.begin(), byHeight.end(), 0);
  std::sort(byHeight.begin(), byHeight.end(), [&](int A, int B) { return points[size_t(A)].Z > points[size_t(B)].Z; });
  for (size_t k = 1; k < byHeight.size(); ++k) {
    TGeoPoint& p = points[size_t(byHeight[k])];
    const double above = points[size_t(byHeight[k - 1])].Z;
    if (above - p.Z < 1e-9) p.Z = above;
  }
  // A triangle across the seam (its corners' U more than half a turn apart) takes its corners
  // of small U once round further: those points have a second vertex at U + 1, which the
  // texture's wrapping makes the same place of the picture.
  std::vector<bool> across(triangles.size(), false), needsFar(points.size(), false);
  for (size_t t = 0; t < triangles.size(); ++t) {
    double lo = 1, hi = 0;
    for (int i : triangles[t])
      if (!points[size_t(i)].Pole) lo = std::min(lo, points[size_t(i)].U), hi = std::max(hi, points[size_t(i)].U);
    across[t] = hi - lo > 0.5;
    if (across[t])
      for (int i : triangles[t])
        if (!points[size_t(i)].Pole && points[size_t(i)].U < 0.5) needsFar[size_t(i)] = true;
  }
  const auto uIn = [&](size_t T, int I) {
    return points[size_t(I)].U + (across[T] && points[size_t(I)].U < 0.5 ? 1 : 0);
  };
  // Vertices level by level from the top, round each level by U, a level's second vertices
  // after it; a pole has a vertex for each triangle round it, in the middle of that triangle's
  // U, the top's first and the bottom's last.
  std::sort(byHeight.begin(), byHeight.end(), [&](int A, int B) {
    const TGeoPoint &a = points[size_t(A)], &b = points[size_t(B)];
    return a.Z != b.Z ? a.Z > b.Z : a.U < b.U;
  });
  TBuilder b;
  b.Smooth(0);
  const auto add = [&](int I, double U) {
    const TGeoPoint& p = points[size_t(I)];
    const double v = std::acos(std::clamp(p.Z / 0.5, -1.0, 1.0)) / pi;
    return b.Add(static_cast<float>(p.X), static_cast<float>(p.Y), static_cast<float>(p.Z), static_cast<float>(U),
                 static_cast<float>(v));
  };
  std::vector<std::uint16_t> near(points.size()), far(points.size()), pole(triangles.size());
  const auto poleFan = [&](int Pole) {
    std::vector<std::pair<double, size_t>> round;
    for (size_t t = 0; t < triangles.size(); ++t)
      if (std::find(triangles[t].begin(), triangles[t].end(), Pole) != triangles[t].end()) {
        double u = 0;
        for (int i : triangles[t])
          if (i != Pole) u += uIn(t, i) / 2;
        round.emplace_back(u, t);
      }
    std::sort(round.begin(), round.end());
    for (const auto& [u, t] : round) pole[t] = add(Pole, u);
  };
  poleFan(byHeight.front());
  for (size_t k = 1; k + 1 < byHeight.size();) {
    const size_t first = k;
    for (const double z = points[size_t(byHeight[k])].Z; k + 1 < byHeight.size() && points[size_t(byHeight[k])].Z == z;
         ++k)
      near[size_t(byHeight[k])] = add(byHeight[k], points[size_t(byHeight[k])].U);
    for (size_t j = first; j < k; ++j)
      if (needsFar[size_t(byHeight[j])]) far[size_t(byHeight[j])] = add(byHeight[j], points[size_t(byHeight[j])].U + 1);
  }
  poleFan(byHeight.back());
  for (size_t t = 0; t < triangles.size(); ++t) {
    std::uint16_t c[3];
    for (int k = 0; k < 3; ++k) {
      const int i = triangles[t][size_t(k)];
      c[k] = points[size_t(i)].Pole ? pole[t] : uIn(t, i) >= 1 ? far[size_t(i)] : near[size_t(i)];
    }
    b.Outward(c[0], c[1], c[2]);
  }
  return b.Done(true);
}

namespace {

// A fan closing a round end of the given radius at X: the centre, then Sides rim vertices
// running clockwise seen from outside, so that the fan is (centre, 1, 2), (centre, 2, 3) ...;
// planar texture. An end of radius 0 (the cone's apex) is closed all the same, by triangles
// without area that draw nothing.
void EndFan(TBuilder& B, float X, int Sides, float Radius = 0.5f) {
  const std::uint16_t centre = B.Add(X, 0, 0, 0.5f, 0.5f);
  for (int k = 0; k < Sides; ++k) {
    // The angles of the mantle's vertices, so that the two meet exactly.
    const int m = X > 0 ? (Sides - k) % Sides : k;
    const float phi = 2 * Pi * static_cast<float>(m) / static_cast<float>(Sides);
    const float y = Radius * std::cos(phi), z = Radius * std::sin(phi);
    B.Add(X, y, z, 0.5f + y, 0.5f - z);
  }
  for (int k = 0; k < Sides; ++k)
    B.Outward(centre, static_cast<std::uint16_t>(centre + 1 + k), static_cast<std::uint16_t>(centre + 1 + (k + 1) % Sides));
}

// The mantle round the X axis: rings at Xs with Radii, Sides + 1 vertices each (the seam
// twice); U runs round the axis, V along it in ring order.
void Mantle(TBuilder& B, const std::vector<float>& Xs, const std::vector<float>& Radii, int Sides) {
  const std::uint16_t first = B.Count();
  B.Smooth(first);
  const int rings = static_cast<int>(Xs.size());
  for (int m = 0; m < rings; ++m)
    for (int i = 0; i <= Sides; ++i) {
      const float phi = 2 * Pi * static_cast<float>(i % Sides) / static_cast<float>(Sides);
      B.Add(Xs[size_t(m)], Radii[size_t(m)] * std::cos(phi), Radii[size_t(m)] * std::sin(phi),
            static_cast<float>(i) / static_cast<float>(Sides), static_cast<float>(m) / static_cast<float>(rings - 1));
    }
  const auto at = [&](int M, int I) { return static_cast<std::uint16_t>(first + M * (Sides + 1) + I); };
  for (int m = 0; m + 1 < rings; ++m)
    for (int i = 0; i < Sides; ++i) B.Square(at(m, i), at(m, i + 1), at(m + 1, i + 1), at(m + 1, i));
}

}  // namespace

TdxMeshTable dxMakeCylinderMesh() {
  TBuilder b;
  EndFan(b, 0.5f, 18);
  EndFan(b, -0.5f, 18);
  Mantle(b, {0.5f, 0.3f, 0.1f, -0.1f, -0.3f, -0.5f}, {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f}, 18);
  return b.Done();
}

TdxMeshTable dxMakeConeMesh() {
  TBuilder b;
  // Made as the cylinder is, with both ends closed: the apex's end has no radius.
  EndFan(b, -0.5f, 20);
  EndFan(b, 0.5f, 20, 0);
  Mantle(b, {-0.5f, -0.25f, 0, 0.25f, 0.5f}, {0.5f, 0.375f, 0.25f, 0.125f, 0}, 20);
  return b.Done();
}

TdxMeshTable dxMakeRoundCubeMesh() {
  constexpr float flat = 0.42f, radius = 0.08f;
  // A sphere of the radius in 12 slices and 6 stacks, its poles on Z, cut into eighths and
  // moved out to the corners of the flat faces: each corner is an eighth of it, three steps of
  // 30 degrees down from its pole and three round; a strip of three squares joins two corners
  // along each edge, and one square (two triangles) fills each flat face.
  const float cosine[4] = {1, std::cos(Pi / 6), 0.5f, 0}, sine[4] = {0, 0.5f, std::sin(Pi / 3), 1};
  // The point of a corner (signs SX, SY, SZ) K steps down from its pole and M round from X
  // towards Y; every part that reaches the point makes it here, so they meet exactly.
  using TPoint = std::array<float, 3>;
  const auto at = [&](int SX, int SY, int SZ, int K, int M) -> TPoint {
    return {static_cast<float>(SX) * (flat + radius * sine[K] * cosine[M]),
            static_cast<float>(SY) * (flat + radius * sine[K] * sine[M]),
            static_cast<float>(SZ) * (flat + radius * cosine[K])};
  };
  std::vector<std::array<TPoint, 3>> triangles;
  const auto square = [&](const TPoint& A, const TPoint& B, const TPoint& C, const TPoint& D) {
    triangles.push_back({A, B, C});
    triangles.push_back({A, C, D});
  };
  for (const int sx : {-1, 1})
    for (const int sy : {-1, 1})
      for (const int sz : {-1, 1})
        for (int k = 0; k < 3; ++k)
          for (int m = 0; m < 3; ++m) {
            const auto p = [&](int K, int M) { return at(sx, sy, sz, K, M); };
            // Round the pole the squares shrink to triangles.
            if (k == 0)
              triangles.push_back({p(0, m), p(1, m + 1), p(1, m)});
            else
              square(p(k, m), p(k, m + 1), p(k + 1, m + 1), p(k + 1, m));
          }
  for (const int s1 : {-1, 1})
    for (const int s2 : {-1, 1})
      for (int j = 0; j < 3; ++j) {
        // Along X (the corners' meridians at 90 degrees), along Y (at 0), along Z (their rims).
        square(at(-1, s1, s2, j, 3), at(1, s1, s2, j, 3), at(1, s1, s2, j + 1, 3), at(-1, s1, s2, j + 1, 3));
        square(at(s1, -1, s2, j, 0), at(s1, 1, s2, j, 0), at(s1, 1, s2, j + 1, 0), at(s1, -1, s2, j + 1, 0));
        square(at(s1, s2, -1, 3, j), at(s1, s2, 1, 3, j), at(s1, s2, 1, 3, j + 1), at(s1, s2, -1, 3, j + 1));
      }
  for (const int side : {-1, 1}) {
    square(at(-1, -1, side, 0, 0), at(1, -1, side, 0, 0), at(1, 1, side, 0, 0), at(-1, 1, side, 0, 0));
    square(at(side, -1, -1, 3, 0), at(side, 1, -1, 3, 0), at(side, 1, 1, 3, 0), at(side, -1, 1, 3, 0));
    square(at(-1, side, -1, 3, 3), at(1, side, -1, 3, 3), at(1, side, 1, 3, 3), at(-1, side, 1, 3, 3));
  }
  // Each triangle is textured from the face it leans towards most (ties go to the first axis):
  // U, V as across that face, so they run 0.08 .. 0.92 over its flat part and on over the
  // rounding. A point has a vertex for each face whose triangles meet there.
  const auto faceOf = [&](const std::array<TPoint, 3>& T) {
    float out[3];
    for (int i = 0; i < 3; ++i) {
      const float c = (T[0][size_t(i)] + T[1][size_t(i)] + T[2][size_t(i)]) / 3;
      out[i] = c - std::clamp(c, -flat, flat);
    }
    int axis = 0;
    for (int i = 1; i < 3; ++i)
      if (std::fabs(out[i]) > std::fabs(out[axis])) axis = i;
    return std::pair<int, int>{axis, out[axis] < 0 ? 0 : 1};
  };
  TBuilder b;
  b.Smooth(0);
  for (int axis = 0; axis < 3; ++axis)
    for (int side = 0; side < 2; ++side) {
      std::map<TPoint, std::uint16_t> vertex;
      const auto use = [&](const TPoint& P) {
        const auto [it, added] = vertex.emplace(P, 0);
        // U, V as the plain box's face textures: U along the next axis, V against the one after.
        if (added)
          it->second = b.Add(P[0], P[1], P[2], P[size_t((axis + 1) % 3)] + 0.5f, 0.5f - P[size_t((axis + 2) % 3)]);
        return it->second;
      };
      for (const auto& t : triangles)
        if (faceOf(t) == std::pair<int, int>{axis, side}) b.Outward(use(t[0]), use(t[1]), use(t[2]));
    }
  return b.Done();
}

const TdxMeshTable& dxPlaneMesh() {
  static const TdxMeshTable table = dxMakePlaneMesh();
  return table;
}

const TdxMeshTable& dxCubeMesh() {
  static const TdxMeshTable table = dxMakeCubeMesh();
  return table;
}

const TdxMeshTable& dxSphereMesh() {
  static const TdxMeshTable table = dxMakeSphereMesh();
  return table;
}

const TdxMeshTable& dxCylinderMesh() {
  static const TdxMeshTable table = dxMakeCylinderMesh();
  return table;
}

const TdxMeshTable& dxConeMesh() {
  static const TdxMeshTable table = dxMakeConeMesh();
  return table;
}

const TdxMeshTable& dxRoundCubeMesh() {
  static const TdxMeshTable table = dxMakeRoundCubeMesh();
  return table;
}

}  // namespace dx
