// The meshes of the ready-made solid shapes, in the unit box (-0.5 .. 0.5 on each axis).
//
// Like every triangle the canvas draws, a triangle faces the side from which its corners run
// clockwise; a solid's triangles face outwards, so the canvas's back-face culling hides its
// inside. Normals are sums over the triangles that use a vertex, pointing to the side each
// triangle faces: the plane, the box, the cylinder, the cone and the rounded box sum the
// triangles' cross products (so a vertex's normal grows with the area around it), the sphere
// their unit normals. Where a round surface has two vertices at one place (the two sides of a
// texture seam, the rounded box's faces meeting on its edges), both get the sum of their
// normals, so the seam does not show in the light; sharp edges keep a vertex on each side.
// Texture coordinates run 0 .. 1 across each face or once round the solid.
#pragma once

#include <cstdint>
#include <vector>

#include "scene3d/Maths.h"

namespace dx {

struct TdxMeshTable {
  std::vector<TdxMeshVertex> Vertices;
  std::vector<std::uint16_t> Indexes;
};

// 11 x 11 vertices on z = -0.5, vertex 11 r + c at (-0.5 + 0.1 c, -0.5 + 0.1 r), U = 0.1 c and
// V = 1 - 0.1 r; two triangles a square, (a + 11, a + 12, a) and (a + 1, a, a + 12); facing +Z.
TdxMeshTable dxMakePlaneMesh();
// The box with its z = -0.5 and z = +0.5 faces (vertices 0 .. 48 and 49 .. 97) in 6 x 6
// squares and its four sides 6 squares across and 7 along Z.
TdxMeshTable dxMakeCubeMesh();
// Radius 0.5, poles on the Z axis: a geodesic sphere, the icosahedron with a corner on each
// pole and each edge cut in six, 720 triangles on 362 points in 47 levels of z. Vertices run
// level by level from the top, round each level by U; each pole has a vertex for each of its
// five triangles (vertices 0 .. 4 at z = +0.5, the last five at z = -0.5). U runs round the Z
// axis from +X, V from 0 at the top pole to 1 at the bottom one; a triangle across the seam
// takes its points there once round further (U + 1, the same place of a wrapping texture).
TdxMeshTable dxMakeSphereMesh();
// Radius 0.5 along the X axis, 18 sides, 5 segments, both ends closed by fans round a centre
// vertex (the x = +0.5 end first: triangles (0, 1, 2), (0, 2, 3) ...).
TdxMeshTable dxMakeCylinderMesh();
// Base circle of radius 0.5 at x = -0.5, apex at x = +0.5, 20 sides, 4 segments: made as the
// cylinder, the base closed by a fan round vertex 0, then the apex's end by a fan without area
// (200 triangles, of which the 20 of that fan and 20 next to the apex draw nothing).
TdxMeshTable dxMakeConeMesh();
// A box whose faces are flat from -0.42 to 0.42 and whose edges and corners are rounded with
// radius 0.08: each corner an eighth of a sphere in three steps of 30 degrees down from its
// pole on Z and three round, the edges strips of three squares, each flat face one square
// (204 triangles on 104 points). A triangle is textured as the face it leans towards most;
// U and V run 0.08 .. 0.92 across a face's flat part.
TdxMeshTable dxMakeRoundCubeMesh();

// The shared tables, made on first use.
const TdxMeshTable& dxPlaneMesh();
const TdxMeshTable& dxCubeMesh();
const TdxMeshTable& dxSphereMesh();
const TdxMeshTable& dxCylinderMesh();
const TdxMeshTable& dxConeMesh();
const TdxMeshTable& dxRoundCubeMesh();

}  // namespace dx
