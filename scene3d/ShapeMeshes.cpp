#include "scene3d/ShapeMeshes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
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

TdxMeshTable dxMakeSphereMesh() {
  constexpr int slices = 24, rings = 16;
  TBuilder b;
  b.Smooth(0);
  const std::uint16_t top = b.Add(0, 0, 0.5f, 0.5f, 0);
  for (int j = 1; j < rings; ++j) {
    const float theta = Pi * static_cast<float>(j) / rings;
    const float z = 0.5f * std::cos(theta), r = 0.5f * std::sin(theta);
    // One more vertex than slices: the texture's seam has a vertex on each side.
    for (int i = 0; i <= slices; ++i) {
      const float phi = 2 * Pi * static_cast<float>(i % slices) / slices;
      b.Add(r * std::cos(phi), r * std::sin(phi), z, static_cast<float>(i) / slices, static_cast<float>(j) / rings);
    }
  }
  const std::uint16_t bottom = b.Add(0, 0, -0.5f, 0.5f, 1);
  const auto at = [](int J, int I) { return static_cast<std::uint16_t>(1 + (J - 1) * (slices + 1) + I); };
  for (int i = 0; i < slices; ++i) b.Outward(top, at(1, i), at(1, i + 1));
  for (int j = 1; j + 1 < rings; ++j)
    for (int i = 0; i < slices; ++i) b.Square(at(j, i), at(j, i + 1), at(j + 1, i + 1), at(j + 1, i));
  for (int i = 0; i < slices; ++i) b.Outward(at(rings - 1, i), at(rings - 1, i + 1), bottom);
  return b.Done(true);
}

namespace {

// A fan closing a round end at X: the centre, then Sides rim vertices running clockwise seen
// from outside, so that the fan is (centre, 1, 2), (centre, 2, 3) ...; planar texture.
void EndFan(TBuilder& B, float X, int Sides) {
  const std::uint16_t centre = B.Add(X, 0, 0, 0.5f, 0.5f);
  for (int k = 0; k < Sides; ++k) {
    // The angles of the mantle's vertices, so that the two meet exactly.
    const int m = X > 0 ? (Sides - k) % Sides : k;
    const float phi = 2 * Pi * static_cast<float>(m) / static_cast<float>(Sides);
    const float y = 0.5f * std::cos(phi), z = 0.5f * std::sin(phi);
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
  EndFan(b, -0.5f, 20);
  Mantle(b, {-0.5f, -0.25f, 0, 0.25f, 0.5f}, {0.5f, 0.375f, 0.25f, 0.125f, 0}, 20);
  return b.Done();
}

TdxMeshTable dxMakeRoundCubeMesh() {
  constexpr float flat = 0.42f, radius = 0.08f;
  // Across each face: its rounded edge in two steps of 22.5 degrees, the flat part in one.
  const float arc = flat + radius * std::tan(Pi / 8);
  const std::array<float, 6> steps = {-0.5f, -arc, -flat, flat, arc, 0.5f};
  TBuilder b;
  b.Smooth(0);
  for (int axis = 0; axis < 3; ++axis)
    for (const float side : {-0.5f, 0.5f}) {
      const std::uint16_t first = b.Count();
      for (const float q : steps)
        for (const float p : steps) {
          // The point on the plain box's face, pulled onto the rounded box: the nearest point
          // of the inner box plus the radius towards it.
          float c[3];
          c[axis] = side;
          c[(axis + 1) % 3] = p;
          c[(axis + 2) % 3] = q;
          float inner[3], d[3];
          for (int k = 0; k < 3; ++k) {
            inner[k] = std::clamp(c[k], -flat, flat);
            d[k] = c[k] - inner[k];
          }
          const float len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
          for (int k = 0; k < 3; ++k) c[k] = inner[k] + radius * d[k] / len;
          b.Add(c[0], c[1], c[2], p + 0.5f, 0.5f - q);
        }
      const auto at = [first](int I, int J) { return static_cast<std::uint16_t>(first + J * 6 + I); };
      for (int j = 0; j < 5; ++j)
        for (int i = 0; i < 5; ++i) b.Square(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1));
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
