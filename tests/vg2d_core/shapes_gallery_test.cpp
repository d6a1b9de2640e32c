// Every shape and effect drawn into one picture, compared with the reference picture in
// the test data folder. The picture is also written into the build tree's test-output folder
// (shapes_gallery.png) for a look. GASCAL_UPDATE_GALLERY=1 writes a new reference.
#include <gtest/gtest.h>

#include <string>

#include "ReferencePicture.h"
#include "ShapeScene.h"
#include "vg2d/core/BitmapEffects.h"
#include "vg2d/core/ImageShapes.h"
#include "vg2d/core/Shapes.h"

namespace shapes_gallery_test {

using namespace vg;

namespace {

template <class T> T* Colour(T* S, TvxColor Fill, TvxColor Stroke = 0xFF202020u, float Thickness = 2) {
  S->Fill()->SetSolidColor(Fill);
  S->Stroke()->SetSolidColor(Stroke);
  S->SetStrokeThickness(Thickness);
  return S;
}

template <class E> E* Effect(TvxVisualObject* Object, E* Effect) {
  Object->AddObject(Effect);
  return Effect;
}

}  // namespace

TEST(ShapesGallery, MatchesTheReferencePicture) {
  vgtest::ShapeScene s(480, 240);
  s.root->Visual()->SetBounds(0, 0, 480, 240);
  // Row 1: the plain shapes.
  Colour(s.Add(new TvxRectangle(nullptr), 10, 10, 60, 40), 0xFF4080C0u);
  auto* corners = Colour(s.Add(new TvxRectangle(nullptr), 80, 10, 60, 40), 0xFFC08040u);
  corners->SetxRadius(12);
  corners->SetyRadius(12);
  corners->SetCornerType(vgCornerInnerRound);
  corners->SetSides(TvxSides{vgSideTop, vgSideBottom});
  Colour(s.Add(new TvxRoundRect(nullptr), 150, 10, 60, 40), 0xFF40C080u);
  auto* callout = Colour(s.Add(new TvxCalloutRectangle(nullptr), 220, 10, 60, 40), 0xFFFFFFFFu, 0xFFC02020u);
  callout->SetxRadius(10);
  callout->SetyRadius(10);
  callout->SetCornerType(vgCornerBevel);
  auto* line = Colour(s.Add(new TvxLine(nullptr), 290, 10, 50, 40), 0, 0xFF8020C0u, 3);
  line->SetStrokeCap(vgCapRound);
  Colour(s.Add(new TvxEllipse(nullptr), 350, 10, 60, 40), 0xFFE0C020u);
  Colour(s.Add(new TvxCircle(nullptr), 420, 10, 50, 40), 0xFF20A0A0u);
  // Row 2: pies, arcs, blur shapes, paths, dashes.
  auto* pie = Colour(s.Add(new TvxPie(nullptr), 10, 70, 50, 50), 0xFFC04080u);
  pie->SetStartAngle(30);
  pie->SetEndAngle(300);
  auto* arc = Colour(s.Add(new TvxArc(nullptr), 70, 70, 50, 50), 0, 0xFF2060C0u, 4);
  arc->SetEndAngle(220);
  Colour(s.Add(new TvxBlurRectangle(nullptr), 130, 70, 60, 50), 0xFF3070F0u);
  Colour(s.Add(new TvxBlurRoundRect(nullptr), 200, 70, 60, 50), 0xFFF07030u);
  auto* path = Colour(s.Add(new TvxPath(nullptr), 270, 70, 60, 50), 0xFF60B030u);
  path->Data()->SetData("M 0,10 L 10,0 L 20,10 L 15,10 L 15,20 L 5,20 L 5,10 Z");
  path->SetWrapMode(vgPathFit);
  Colour(s.Add(new TvxScrollArrowLeft(nullptr), 340, 70, 30, 50), 0xFF404040u, 0xFF404040u, 1);
  auto* dashed = Colour(s.Add(new TvxRectangle(nullptr), 380, 70, 90, 50), 0xFFF0F0F0u, 0xFF000000u, 2);
  dashed->SetStrokeDash(vgDashDashDot);
  // Row 3: the effects, each on a rounded rectangle.
  auto effectHost = [&](float X, TvxColor C) {
    auto* r = Colour(s.Add(new TvxRectangle(nullptr), X, 150, 60, 40), C);
    r->SetxRadius(8);
    r->SetyRadius(8);
    return r;
  };
  Effect(effectHost(20, 0xFF4080C0u), new TvxShadowEffect(nullptr));
  Effect(effectHost(100, 0xFF4080C0u), new TvxGlowEffect(nullptr));
  Effect(effectHost(180, 0xFF4080C0u), new TvxInnerGlowEffect(nullptr));
  Effect(effectHost(260, 0xFF808080u), new TvxBevelEffect(nullptr));
  Effect(effectHost(340, 0xFF4080C0u), new TvxBlurEffect(nullptr));
  auto* reflected = effectHost(410, 0xFF4080C0u);
  reflected->SetBounds(410, 140, 60, 40);
  Effect(reflected, new TvxReflectionEffect(nullptr));
  s.Paint();

  TvxBitmap picture(480, 240);
  std::copy(s.canvas->BufferBits(), s.canvas->BufferBits() + 480 * 240, picture.Bits());
  vgtest::ExpectReferencePicture(picture, "shapes_gallery.png", VG2D_CORE_TEST_DATA);
}

}  // namespace shapes_gallery_test
