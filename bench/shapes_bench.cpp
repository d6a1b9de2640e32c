// The ready-made 3D shapes: making each solid's mesh, constructing spheres, the processor's
// part of a polygon fill (on the recording device, which draws nothing), and 1024 x 768
// frames on the OpenGL device of ten lines of extruded text and of tiled paths, their tiles far
// below a pixel or not (with the share of their face they cover), or of about two pixels with
// outlines of thousands of points, or seen from among those tiles.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "platform/gfx3d/FakeDevice.h"
#include "platform/gfx3d/GlDevice.h"
#include "scene3d/DxCanvas.h"
#include "scene3d/FilterGdiPlus.h"
#include "scene3d/Light.h"
#include "scene3d/ShapeMeshes.h"
#include "scene3d/Shapes.h"
#include "scene3d/Shapes3D.h"
#include "vg2d/core/Library.h"

using namespace dx;

namespace {

template <TdxMeshTable (*Make)()>
void BM_MakeMesh(benchmark::State& State) {
  for (auto _ : State) {
    TdxMeshTable t = Make();
    benchmark::DoNotOptimize(t.Vertices.data());
  }
}
BENCHMARK(BM_MakeMesh<dxMakePlaneMesh>)->Name("BM_MakeMesh/plane")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MakeMesh<dxMakeCubeMesh>)->Name("BM_MakeMesh/cube")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MakeMesh<dxMakeSphereMesh>)->Name("BM_MakeMesh/sphere")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MakeMesh<dxMakeCylinderMesh>)->Name("BM_MakeMesh/cylinder")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MakeMesh<dxMakeConeMesh>)->Name("BM_MakeMesh/cone")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MakeMesh<dxMakeRoundCubeMesh>)->Name("BM_MakeMesh/roundcube")->Unit(benchmark::kMicrosecond);

// A thousand spheres made and freed; the time is per sphere.
void BM_ConstructSpheres(benchmark::State& State) {
  std::vector<std::unique_ptr<TdxSphere>> spheres(1000);
  for (auto _ : State) {
    for (auto& s : spheres) s = std::make_unique<TdxSphere>(nullptr);
    State.PauseTiming();
    for (auto& s : spheres) s.reset();
    State.ResumeTiming();
  }
  State.SetItemsProcessed(State.iterations() * 1000);
}
BENCHMARK(BM_ConstructSpheres)->Unit(benchmark::kMillisecond);

// A closed outline of 1,000 points: both faces and the walls.
void BM_FillPolygon1000(benchmark::State& State) {
  auto recorder = std::make_shared<gfx3d::FakeRecorder>();
  dxDirectXStartup(gfx3d::FakeDirect3D(recorder, gfx3d::Availability::Ex));
  {
    TdxDirectXCanvas canvas(gfx3d::WindowHandle{1}, 1024, 768, false, dxLowQuality);
    // A window canvas makes its device for its first frame; without one the fill does nothing.
    if (!canvas.DeviceNeeded()) State.SkipWithError("no device");
    std::vector<vg::TvxPoint> outline;
    for (int k = 0; k < 999; ++k) {
      const double a = 2 * std::numbers::pi * k / 999;
      // A wavy ring: concave in places, as outlines are.
      const double r = 100 + 10 * std::sin(12 * a);
      outline.push_back({static_cast<float>(r * std::cos(a)), static_cast<float>(r * std::sin(a))});
    }
    outline.push_back(outline.front());
    outline.push_back({65535, 65535});
    for (auto _ : State) {
      canvas.FillPolygon({0, 0, 0, 1}, {4, 4, 1, 0}, {}, outline, 1, true, true, true);
      recorder->Calls.clear();
    }
  }
  dxDirectXShutdown();
}
BENCHMARK(BM_FillPolygon1000)->Unit(benchmark::kMicrosecond);

// Looks from (0, 0, Eye) down -Z, Y up.
class TFront final : public IdxCamera {
public:
  explicit TFront(float Eye = 30) : eye_(Eye) {}
  TdxMatrix CameraAbsoluteMatrix() const override {
    // Rows: right, the view direction, up, the eye.
    return {{{1, 0, 0, 0}, {0, 0, -1, 0}, {0, 1, 0, 0}, {0, 0, eye_, 1}}};
  }
  bool CameraTarget(TdxVector&) const override { return false; }

private:
  float eye_;
};

// Lit frames of Root on Canvas, seen from the front, each read back into the canvas's buffer as
// a layered window's; the covered pixels of the last one are counted, to see that it was drawn.
// With GASCAL_FRAME_DIR set, the last one is also written there as Name.png to look at.
void LitFrames(benchmark::State& State, TdxDirectXCanvas& Canvas, TdxVisualObject* Root, const std::string& Name,
               float Eye = 30) {
  TFront view(Eye);
  for (auto _ : State) {
    Canvas.ResetState();
    Canvas.SetCamera(&view);
    Canvas.SetMatrix(Root->GetAbsoluteMatrix());
    Root->ApplyLights();
    if (!Canvas.BeginScene()) {
      State.SkipWithError("no frame");
      break;
    }
    for (TdxRenderState s : {rsGouraudShading, rsCameraSpace, rsDepthWriteOn, rsLightingOn, rsTextureLinear, rsCullCCW})
      Canvas.SetRenderState(s);
    Canvas.Clear(0);
    Canvas.SetMatrix(Root->GetAbsoluteMatrix());
    Root->BeforePaint();
    Root->Render();
    Root->Paint();
    Canvas.EndScene();
    benchmark::DoNotOptimize(Canvas.Buffer()[0]);
  }
  int covered = 0;
  for (int i = 0; i < 1024 * 768; ++i) covered += Canvas.Buffer()[i] != 0;
  State.counters["covered_pixels"] = covered;
  if (const char* dir = std::getenv("GASCAL_FRAME_DIR")) {
    TdxBitmap picture;
    Canvas.AssignTo(&picture);
    TdxFilterGdiPlus().SaveToFile(std::string(dir) + "/" + Name + ".png", picture, "");
  }
}

// Ten lines of 20 characters as extruded text, lit, on a 1024 x 768 window canvas read back
// into its buffer as a layered window's.
void BM_Text3DFrame(benchmark::State& State) {
  std::string why;
  if (!gfx3d::GlAvailable(&why)) {
    State.SkipWithError(("no OpenGL through EGL: " + why).c_str());
    return;
  }
  dxDirectXStartup(gfx3d::OpenGlDirect3D());
  vg::LibraryStartup();  // the text outlines come from the 2D canvas
  {
    TdxDirectXCanvas canvas(0, 1024, 768, true, dxLowQuality);
    auto root = std::make_unique<TdxVisualObject>(nullptr);
    root->SetOwnCanvas(&canvas);
    auto* light = new TdxLight(nullptr);
    light->SetOwnCanvas(&canvas);
    light->RotateAngle()->SetX(90);
    root->AddObject(light);
    for (int i = 0; i < 10; ++i) {
      auto* t = new TdxText3D(nullptr);
      t->SetOwnCanvas(&canvas);
      t->SetWidth(16);
      t->SetHeight(2);
      t->Position()->SetY(static_cast<float>(9 - 2 * i));
      t->SetText(u"Reducer temp. " + std::u16string(1, u'0' + char16_t(i)) + u"1.5 C");
      root->AddObject(t);
    }
    LitFrames(State, canvas, root.get(), "text3d");
  }
  vg::LibraryShutdown();
  dxDirectXShutdown();
}
BENCHMARK(BM_Text3DFrame)->Unit(benchmark::kMillisecond);

// Lit frames of 1024 x 768 on the OpenGL device holding a tiled path 3 x 3 turned by 30 degrees,
// whose outline and place Shape gives, seen from (0, 0, Eye).
void TiledPathFrames(benchmark::State& State, const std::function<void(TdxPath3D&)>& Shape, const std::string& Name,
                     float Eye = 30) {
  std::string why;
  if (!gfx3d::GlAvailable(&why)) {
    State.SkipWithError(("no OpenGL through EGL: " + why).c_str());
    return;
  }
  dxDirectXStartup(gfx3d::OpenGlDirect3D());
  vg::LibraryStartup();
  {
    TdxDirectXCanvas canvas(0, 1024, 768, true, dxLowQuality);
    auto root = std::make_unique<TdxVisualObject>(nullptr);
    root->SetOwnCanvas(&canvas);
    auto* light = new TdxLight(nullptr);
    light->SetOwnCanvas(&canvas);
    root->AddObject(light);
    auto* path = new TdxPath3D(nullptr);
    path->SetOwnCanvas(&canvas);
    path->SetWrapMode(vg::vgPathTile);
    path->SetWidth(3);
    path->SetHeight(3);
    path->RotateAngle()->SetX(30);
    Shape(*path);
    root->AddObject(path);
    LitFrames(State, canvas, root.get(), Name, Eye);
  }
  vg::LibraryShutdown();
  dxDirectXShutdown();
}

// The outline a right triangle 10^-Arg across: 1e-19 and 1e-3 give tiles far below a pixel,
// spread over the face at the golden ratio of pixels a tile; 1e-1 31 x 31 tiles of a few
// pixels, 1 four by four.
void BM_TiledPathFrame(benchmark::State& State) {
  const std::string extent = "1e-" + std::to_string(State.range(0));
  TiledPathFrames(
      State, [&](TdxPath3D& Path) { Path.Path()->SetData("M 0 0 L " + extent + " 0 L 0 " + extent + " Z"); },
      "tiled_path_" + std::to_string(State.range(0)));
}
BENCHMARK(BM_TiledPathFrame)->Arg(19)->Arg(3)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// Squares of Arg thousandths tiled 3 x 3 straight before the eye (not turned), the eye
// Distance units from the front face: face_share is the share of the face's pixels (as its
// picture spans them, a square) covered, which the tiles beyond its right and bottom edges
// take above 1.
void SquareTilesFrames(benchmark::State& State, float Distance) {
  const std::string side = std::to_string(State.range(0) / 1000.0);
  TiledPathFrames(
      State,
      [&](TdxPath3D& Path) {
        Path.RotateAngle()->SetX(0);
        Path.Path()->SetData("M 0 0 L " + side + " 0 L " + side + " " + side + " L 0 " + side + " Z");
      },
      "square_tiles_" + std::to_string(State.range(0)) + "_" + std::to_string(State.range(1)), Distance + 0.5f);
  const double face = 3 * 384 / (Distance * std::tan(std::numbers::pi / 8));
  State.counters["face_pixels"] = face;
  State.counters["face_share"] = State.counters["covered_pixels"] / (std::min(face, 1024.0) * std::min(face, 768.0));
}

// Squares of 0.02, 151 x 151 tiles, whose face is 84 pixels across 33 units away, 28 at 100:
// each tile under a pixel.
void BM_SmallSquareTilesFrame(benchmark::State& State) { SquareTilesFrames(State, static_cast<float>(State.range(1))); }
BENCHMARK(BM_SmallSquareTilesFrame)
    ->Args({20, 33})
    ->Args({20, 41})
    ->Args({20, 60})
    ->Args({20, 100})
    ->Unit(benchmark::kMillisecond);

// Squares of 0.002, 1,501 x 1,501 tiles, the eye a tenth of the second Arg from them: 1.7
// units, where the face spans 1,636 pixels of which the frame shows the middle, and 3.2, where
// the frame shows it whole, 869 pixels across.
void BM_TinySquareTilesFrame(benchmark::State& State) {
  SquareTilesFrames(State, static_cast<float>(State.range(1)) / 10);
}
BENCHMARK(BM_TinySquareTilesFrame)->Args({2, 17})->Args({2, 32})->Unit(benchmark::kMillisecond);

// A circle 0.047 across of N line points as a path's outline, in colours of its own (not the
// random one of a new shape), so that frames compare.
void TiledCircle(TdxPath3D& Path, int N) {
  vg::TvxPathData circle;
  for (int k = 0; k < N; ++k) {
    const double a = 2 * std::numbers::pi * k / N;
    const vg::TvxPoint p{static_cast<float>(0.0235 * (1 + std::cos(a))),
                         static_cast<float>(0.0235 * (1 + std::sin(a)))};
    if (k == 0)
      circle.MoveTo(p);
    else
      circle.LineTo(p);
  }
  circle.ClosePath();
  Path.SetPath(&circle);
  Path.Material()->SetDiffuseColor(0xFFE04030);
  Path.MaterialBack()->SetDiffuseColor(0xFF3040E0);
  Path.MaterialLeft()->SetDiffuseColor(0xFF30C040);
}

// The path at Z 8, its outline a circle 0.047 across of Arg line points, seen from the eye at
// Z Eye.
void TiledCircleAtEight(benchmark::State& State, const std::string& Name, float Eye) {
  const auto n = static_cast<int>(State.range(0));
  TiledPathFrames(
      State,
      [n](TdxPath3D& Path) {
        TiledCircle(Path, n);
        Path.Position()->SetZ(8);
      },
      Name + std::to_string(n), Eye);
}

// The path 22 units from the eye: 65 x 65 tiles of about two pixels each.
void BM_TiledCircleFrame(benchmark::State& State) { TiledCircleAtEight(State, "tiled_circle_", 30); }
BENCHMARK(BM_TiledCircleFrame)->Arg(3)->Arg(2000)->Arg(8000)->Arg(30000)->UseRealTime()->Unit(benchmark::kMillisecond);

// The same path about the origin seen from (0, 0, 1), among its tiles: of the tile field,
// turned by 30 degrees, a part lies behind the eye, a part between it and the near plane, a
// part crosses either, and the rest, before the near plane, shows tiles of up to 44 pixels.
void BM_TiledCircleAmongTilesFrame(benchmark::State& State) {
  const auto n = static_cast<int>(State.range(0));
  TiledPathFrames(
      State, [n](TdxPath3D& Path) { TiledCircle(Path, n); }, "tiled_circle_among_" + std::to_string(n), 1);
}
BENCHMARK(BM_TiledCircleAmongTilesFrame)
    ->Arg(2000)
    ->Arg(8000)
    ->Arg(30000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The path of BM_TiledCircleFrame seen from (0, 0, 1): wholly behind the eye.
void BM_TiledCircleBehindTheEyeFrame(benchmark::State& State) { TiledCircleAtEight(State, "tiled_circle_behind_", 1); }
BENCHMARK(BM_TiledCircleBehindTheEyeFrame)->Arg(30000)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
