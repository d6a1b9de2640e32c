// The meshes of the ready-made solids: their layout, the triangles they start with, their
// normals and texture coordinates, and that each solid is closed and faces outwards.
#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "scene3d/ShapeMeshes.h"

namespace shape_meshes_test {

using namespace dx;
using ::testing::ElementsAre;

namespace {

std::vector<std::uint16_t> Triangle(const TdxMeshTable& T, size_t K) {
  return {T.Indexes[3 * K], T.Indexes[3 * K + 1], T.Indexes[3 * K + 2]};
}

TdxVector Position(const TdxMeshVertex& V) { return {V.X, V.Y, V.Z, 1}; }
TdxVector Normal(const TdxMeshVertex& V) { return {V.NX, V.NY, V.NZ, 0}; }

// The cross product of a triangle's edges, which is its area twice over.
TdxVector Cross(const TdxMeshTable& T, size_t K) {
  const TdxVector a = Position(T.Vertices[T.Indexes[3 * K]]), b = Position(T.Vertices[T.Indexes[3 * K + 1]]),
                  c = Position(T.Vertices[T.Indexes[3 * K + 2]]);
  return dxVectorCross(dxVectorSubtract(b, a), dxVectorSubtract(c, a));
}

// Every edge of a triangle with an area, its ends matched by place, must belong to exactly two
// such triangles, once in each direction; and every such triangle must run clockwise seen
// from outside (the solids are convex about the origin).
using Place = std::tuple<float, float, float>;

Place PlaceOf(const TdxMeshVertex& V) { return {V.X, V.Y, V.Z}; }

void ExpectClosedAndFacingOut(const TdxMeshTable& T, const std::string& Name) {
  std::map<std::pair<Place, Place>, int> edges;
  const auto place = [&](std::uint16_t I) { return PlaceOf(T.Vertices[I]); };
  int inward = 0;
  for (size_t k = 0; k < T.Indexes.size() / 3; ++k) {
    const TdxVector n = Cross(T, k);
    if (dxVectorLength(n) < 1e-7f) continue;
    const std::vector<std::uint16_t> t = Triangle(T, k);
    TdxVector centre{};
    for (std::uint16_t i : t) centre = dxVectorAdd(centre, Position(T.Vertices[i]));
    if (dxVectorDot(n, centre) >= 0) ++inward;
    for (int e = 0; e < 3; ++e) ++edges[{place(t[size_t(e)]), place(t[size_t((e + 1) % 3)])}];
  }
  EXPECT_EQ(inward, 0) << Name;
  int open = 0;
  for (const auto& [edge, count] : edges) {
    const auto back = edges.find({edge.second, edge.first});
    if (count != 1 || back == edges.end() || back->second != 1) ++open;
  }
  EXPECT_EQ(open, 0) << Name;
}

TEST(ShapeMeshes, ThePlaneIsAnElevenByElevenGridOnTheBackFace) {
  const TdxMeshTable& p = dxPlaneMesh();
  ASSERT_EQ(p.Vertices.size(), 121u);
  ASSERT_EQ(p.Indexes.size(), 600u);
  EXPECT_THAT(Triangle(p, 0), ElementsAre(11, 12, 0));
  EXPECT_THAT(Triangle(p, 1), ElementsAre(1, 0, 12));
  EXPECT_THAT(Triangle(p, 199), ElementsAre(109, 108, 120));
  for (int r = 0; r <= 10; ++r)
    for (int c = 0; c <= 10; ++c) {
      const TdxMeshVertex& v = p.Vertices[size_t(11 * r + c)];
      EXPECT_NEAR(v.X, -0.5 + 0.1 * c, 1e-6);
      EXPECT_NEAR(v.Y, -0.5 + 0.1 * r, 1e-6);
      EXPECT_EQ(v.Z, -0.5f);
      EXPECT_NEAR(v.TU, 0.1 * c, 1e-6);
      EXPECT_NEAR(v.TV, 1 - 0.1 * r, 1e-6);
      EXPECT_EQ(v.NX, 0);
      EXPECT_EQ(v.NY, 0);
    }
  // 0.01 for each triangle at the vertex.
  EXPECT_NEAR(p.Vertices[0].NZ, 0.02, 1e-6);
  EXPECT_NEAR(p.Vertices[10].NZ, 0.01, 1e-6);
  EXPECT_NEAR(p.Vertices[110].NZ, 0.01, 1e-6);
  EXPECT_NEAR(p.Vertices[120].NZ, 0.02, 1e-6);
  EXPECT_NEAR(p.Vertices[5].NZ, 0.03, 1e-6);
  EXPECT_NEAR(p.Vertices[60].NZ, 0.06, 1e-6);
}

TEST(ShapeMeshes, TheBoxHasItsSubdividedFacesNormalsAndTextureRules) {
  const TdxMeshTable& c = dxCubeMesh();
  ASSERT_EQ(c.Indexes.size(), 1440u);
  EXPECT_THAT(Triangle(c, 0), ElementsAre(0, 8, 7));
  EXPECT_THAT(Triangle(c, 1), ElementsAre(8, 0, 1));
  EXPECT_THAT(Triangle(c, 2), ElementsAre(1, 9, 8));
  EXPECT_THAT(Triangle(c, 3), ElementsAre(9, 1, 2));
  EXPECT_THAT(Triangle(c, 72), ElementsAre(49, 57, 50));
  EXPECT_THAT(Triangle(c, 73), ElementsAre(57, 49, 56));
  for (int k = 0; k < 98; ++k) EXPECT_EQ(c.Vertices[size_t(k)].Z, k < 49 ? -0.5f : 0.5f) << k;
  // Sums of the triangles' cross products: two at a corner, six inside the face.
  EXPECT_NEAR(c.Vertices[0].NZ, -0.0556, 1e-4);
  EXPECT_NEAR(c.Vertices[8].NZ, -0.1667, 1e-4);
  EXPECT_NEAR(c.Vertices[57].NZ, 0.1667, 1e-4);
  for (const TdxMeshVertex& v : c.Vertices) {
    // Texture coordinates run 0 .. 1 across each face.
    if (v.Z == -0.5f && v.NZ < 0) {
      EXPECT_NEAR(v.TU, 0.5 - v.X, 1e-6);
      EXPECT_NEAR(v.TV, 0.5 - v.Y, 1e-6);
    } else if (v.Z == 0.5f && v.NZ > 0) {
      EXPECT_NEAR(v.TU, v.X + 0.5, 1e-6);
      EXPECT_NEAR(v.TV, 0.5 - v.Y, 1e-6);
    } else {
      EXPECT_NEAR(v.TV, 0.5 - v.Z, 1e-6);
      const float u = v.NY < 0 ? v.X + 0.5f : v.NX > 0 ? v.Y + 0.5f : v.NY > 0 ? 0.5f - v.X : 0.5f - v.Y;
      EXPECT_NEAR(v.TU, u, 1e-6);
      // The sides are cut in sevenths along Z.
      EXPECT_NEAR(std::remainder((v.Z + 0.5) * 7, 1.0), 0, 1e-5);
    }
  }
  ExpectClosedAndFacingOut(c, "cube");
}

TEST(ShapeMeshes, TheCylinderRunsAlongXWithFannedEnds) {
  const TdxMeshTable& c = dxCylinderMesh();
  EXPECT_EQ(c.Indexes.size(), 648u);
  EXPECT_THAT(Triangle(c, 0), ElementsAre(0, 1, 2));
  EXPECT_THAT(Triangle(c, 1), ElementsAre(0, 2, 3));
  EXPECT_THAT(Triangle(c, 2), ElementsAre(0, 3, 4));
  // The x = +0.5 end's centre, then its rim: sums of cross products along +X.
  EXPECT_EQ(c.Vertices[0].X, 0.5f);
  EXPECT_NEAR(c.Vertices[0].NX, 1.539, 1e-3);
  EXPECT_NEAR(c.Vertices[1].NX, 0.171, 1e-3);
  EXPECT_NEAR(std::hypot(c.Vertices[1].Y, c.Vertices[1].Z), 0.5, 1e-6);
  for (const TdxMeshVertex& v : c.Vertices) {
    EXPECT_LE(std::fabs(v.X), 0.5f);
    const double r = std::hypot(v.Y, v.Z);
    EXPECT_TRUE(r < 1e-6 || std::fabs(r - 0.5) < 1e-6) << r;
    // Segments at x = -0.5, -0.3, ... 0.5.
    EXPECT_NEAR(std::remainder((v.X + 0.5) * 5, 1.0), 0, 1e-5);
  }
  ExpectClosedAndFacingOut(c, "cylinder");
}

TEST(ShapeMeshes, TheConeNarrowsFromItsBaseToTheApex) {
  const TdxMeshTable& c = dxConeMesh();
  // Made as the cylinder: a fan of 20 at the base, one at the apex, four rings of 20 squares.
  EXPECT_EQ(c.Indexes.size(), 600u);
  EXPECT_THAT(Triangle(c, 0), ElementsAre(0, 1, 2));
  EXPECT_THAT(Triangle(c, 1), ElementsAre(0, 2, 3));
  // The apex's fan follows the base's, and has no area: it draws nothing.
  for (size_t k = 20; k < 40; ++k) {
    EXPECT_EQ(c.Vertices[Triangle(c, k)[0]].X, 0.5f);
    EXPECT_EQ(dxVectorLength(Cross(c, k)), 0) << k;
  }
  EXPECT_GT(dxVectorLength(Cross(c, 40)), 0);
  EXPECT_EQ(c.Vertices[0].X, -0.5f);
  EXPECT_LT(c.Vertices[0].NX, 0);
  for (const TdxMeshVertex& v : c.Vertices) {
    const double r = std::hypot(v.Y, v.Z);
    if (v.X == -0.5f) EXPECT_TRUE(r < 1e-6 || std::fabs(r - 0.5) < 1e-6);
    else EXPECT_NEAR(r, 0.5 * (0.5 - v.X), 1e-6);
  }
  ExpectClosedAndFacingOut(c, "cone");
}

// Distinct places of a table's vertices, and for each the places it shares a triangle edge with.
std::map<Place, std::set<Place>> Neighbours(const TdxMeshTable& T) {
  std::map<Place, std::set<Place>> around;
  for (size_t k = 0; k < T.Indexes.size() / 3; ++k) {
    const std::vector<std::uint16_t> t = Triangle(T, k);
    for (int e = 0; e < 3; ++e) {
      const Place a = PlaceOf(T.Vertices[t[size_t(e)]]), b = PlaceOf(T.Vertices[t[size_t((e + 1) % 3)]]);
      if (a != b) around[a].insert(b), around[b].insert(a);
    }
  }
  return around;
}

// A geodesic sphere: the icosahedron's faces cut six ways, 720 triangles on 362 points in 47
// levels, the icosahedron's twelve corners with five neighbours, the rest with six.
TEST(ShapeMeshes, TheSphereIsACutIcosahedronWithItsPolesOnZAndOutwardNormals) {
  const TdxMeshTable& s = dxSphereMesh();
  EXPECT_EQ(s.Indexes.size(), 2160u);
  std::set<float> levels;
  for (const TdxMeshVertex& v : s.Vertices) levels.insert(v.Z);
  EXPECT_EQ(levels.size(), 47u);
  const std::map<Place, std::set<Place>> around = Neighbours(s);
  EXPECT_EQ(around.size(), 362u);
  std::map<size_t, int> valence;
  for (const auto& [place, next] : around) ++valence[next.size()];
  EXPECT_EQ(valence, (std::map<size_t, int>{{5, 12}, {6, 350}}));
  // Each triangle takes its texture from one stretch of U: none runs back across the seam.
  for (size_t k = 0; k < s.Indexes.size() / 3; ++k) {
    float lo = 1, hi = 0;
    for (std::uint16_t i : Triangle(s, k)) lo = std::min(lo, s.Vertices[i].TU), hi = std::max(hi, s.Vertices[i].TU);
    EXPECT_LT(hi - lo, 0.25f) << k;
  }
  // The poles come first and last, a vertex for each of their five triangles.
  for (size_t k = 0; k < 5; ++k) {
    EXPECT_EQ(s.Vertices[k].Z, 0.5f);
    EXPECT_EQ(s.Vertices[s.Vertices.size() - 1 - k].Z, -0.5f);
  }
  EXPECT_NE(s.Vertices[5].Z, 0.5f);
  EXPECT_EQ(Position(s.Vertices.front()), (TdxVector{0, 0, 0.5f, 1}));
  EXPECT_EQ(Position(s.Vertices.back()), (TdxVector{0, 0, -0.5f, 1}));
  EXPECT_EQ(s.Vertices.front().TV, 0);
  EXPECT_EQ(s.Vertices.back().TV, 1);
  for (const TdxMeshVertex& v : s.Vertices) {
    EXPECT_NEAR(dxVectorLength(Position(v)) , 0.5, 1e-6) << v.X << " " << v.Y << " " << v.Z;
    // Along the radius, outwards; V grows from the top down.
    const TdxVector n = dxVectorNormalize(Normal(v)), p = dxVectorNormalize(Position(v));
    EXPECT_GT(dxVectorDot(n, p), 0.99f);
    EXPECT_NEAR(v.TV, std::acos(v.Z / 0.5) / M_PI, 1e-5);
  }
  ExpectClosedAndFacingOut(s, "sphere");
}

// The rounding is an eighth of a sphere at each corner, three steps down from its pole on Z and
// three round, joined by strips of three squares along the edges; each flat face is one square.
TEST(ShapeMeshes, TheRoundedBoxIsFlatToPoint42AndRoundedBeyond) {
  const TdxMeshTable& r = dxRoundCubeMesh();
  EXPECT_EQ(r.Indexes.size(), 612u);
  EXPECT_EQ(Neighbours(r).size(), 104u);
  int flat = 0;
  for (size_t k = 0; k < r.Indexes.size() / 3; ++k) {
    int onFace = 0;
    for (std::uint16_t i : Triangle(r, k)) onFace += std::fabs(r.Vertices[i].Z) == 0.5f;
    flat += onFace == 3;
  }
  EXPECT_EQ(flat, 4) << "the two faces on Z";
  for (const TdxMeshVertex& v : r.Vertices) {
    // Every point lies 0.08 from the inner box of +-0.42.
    double d2 = 0;
    for (float c : {v.X, v.Y, v.Z}) {
      const double out = std::fabs(c) > 0.42 ? std::fabs(c) - 0.42 : 0;
      d2 += out * out;
    }
    EXPECT_NEAR(std::sqrt(d2), 0.08, 1e-6);
    // On a face's flat part U and V run 0.08 .. 0.92.
    if (v.Z == 0.5f) {
      EXPECT_NEAR(v.TU, v.X + 0.5, 1e-6);
      EXPECT_GE(v.TU, 0.08f - 1e-6f);
      EXPECT_LE(v.TU, 0.92f + 1e-6f);
    }
    EXPECT_GT(dxVectorDot(Normal(v), Position(v)), 0);
  }
  ExpectClosedAndFacingOut(r, "roundcube");
}

}  // namespace

}  // namespace shape_meshes_test
