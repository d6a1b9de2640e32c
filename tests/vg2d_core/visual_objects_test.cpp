// Visual objects through a fake host: defaults, hit test edges, dimming of disabled
// objects, rotation, matrices, update rectangles, effects and painting on pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>

#include "FakeScene.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/CanvasGdiPlus.h"
#include "vg2d/core/Effects.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "vg2d/core/Shapes.h"
#include "vg2d/core/VisualObjects.h"

namespace visual_objects_test {

using namespace vg;
using vgtest::Box;
using vgtest::FakeScene;

namespace {

template <class T = TvxVisualObject>
T* Make(TvxObject* Parent = nullptr) {
  auto* o = new T(nullptr);
  if (Parent) Parent->AddObject(o);
  return o;
}

void ExpectRect(const TvxRect& R, float L, float T, float Rt, float B) {
  EXPECT_FLOAT_EQ(R.Left, L);
  EXPECT_FLOAT_EQ(R.Top, T);
  EXPECT_FLOAT_EQ(R.Right, Rt);
  EXPECT_FLOAT_EQ(R.Bottom, B);
}

// An effect that reaches Grow pixels beyond its object and makes its image opaque green.
class GreenHalo : public TvxEffect {
public:
  GreenHalo(float Grow) : TvxEffect(nullptr), grow(Grow) {}
  TvxRect GetRect(const TvxRect& R) override {
    TvxRect r = R;
    InflateRectF(r, grow, grow);
    return r;
  }
  TvxPoint GetOffset() override { return {grow, grow}; }
  void ProcessEffect(TvxCanvas*, TvxBitmap* B, float) override {
    ++processed;
    for (int i = 0; i < B->Width() * B->Height(); ++i) B->Bits()[i] = 0xFF00FF00u;
  }
  float grow;
  int processed = 0;
};

// The cairo canvas as the library's canvas and codec classes, for as long as it lives.
struct Painted {
  Painted(int W, int H) : canvas(TvxCanvasGdiPlus::ClassRef()->Create(W, H)), scene(canvas.get()) {
    canvas->Clear(0);
    DefaultCanvasClass = TvxCanvasGdiPlus::ClassRef();
    DefaultFilterClass = TvxFilterClassOf<TvxFilterGdiPlus>::Instance();
  }
  ~Painted() {
    DefaultCanvasClass = nullptr;
    DefaultFilterClass = nullptr;
  }
  uint32_t At(int X, int Y) const { return canvas->BufferBits()[Y * canvas->Width() + X]; }
  std::unique_ptr<TvxCanvas> canvas;
  FakeScene scene;
};

TEST(VisualObjects, Defaults) {
  TvxObjectPtr holder(Make());
  TvxVisualObject* o = holder->Visual();
  EXPECT_EQ(o->Width(), 50);
  EXPECT_EQ(o->Height(), 50);
  EXPECT_EQ(o->Position()->GetPoint(), (TvxPoint{0, 0}));
  EXPECT_EQ(o->Scale()->GetPoint(), (TvxPoint{1, 1}));
  EXPECT_EQ(o->RotateCenter()->GetPoint(), (TvxPoint{0.5f, 0.5f}));
  EXPECT_EQ(o->Opacity(), 1);
  EXPECT_TRUE(o->Visible() && o->Enabled() && o->HitTest() && o->CanClipped());
  EXPECT_FALSE(o->Locked() || o->ClipChildren() || o->CanFocused());
  EXPECT_EQ(o->Align(), vaNone);
  EXPECT_EQ(o->LocalMatrix(), IdentityMatrix);

  o->SetOpacity(1.5f);
  EXPECT_EQ(o->Opacity(), 1);
  o->SetOpacity(-1);
  EXPECT_EQ(o->Opacity(), 0);
}

TEST(VisualObjects, DesignModeTurnsNegativeSizesIntoMirroring) {
  FakeScene scene;
  TvxObjectPtr root(Make());
  scene.AddObject(root.get());
  auto* o = Make(root.get());
  o->SetWidth(-20);
  EXPECT_EQ(o->Width(), -20);  // at run time the value stays
  scene.designTime = true;
  o->SetWidth(-30);
  EXPECT_EQ(o->Width(), 30);
  EXPECT_EQ(o->Scale()->X(), -1);
}

TEST(VisualObjects, EffectTriggersFollowTheLastItemAboutTheInstance) {
  TvxObjectPtr holder(Make());
  TvxVisualObject* o = holder->Visual();
  auto* e = new TvxEffect(nullptr);
  o->AddObject(e);
  ASSERT_TRUE(o->HasEffects());
  e->SetTrigger("IsVisible=true;IsMouseOver=true");
  o->ApplyTriggerEffect(o, "IsMouseOver");
  EXPECT_FALSE(e->Enabled());
  EXPECT_FALSE(o->HasEffects());
  e->SetTrigger("IsMouseOver=false;Unknown=1");
  o->ApplyTriggerEffect(o, "ismouseover");
  EXPECT_TRUE(e->Enabled());
  EXPECT_TRUE(o->HasEffects());
  e->SetTrigger("Unknown=1;IsMouseOver");
  o->ApplyTriggerEffect(o, "Unknown");
  EXPECT_FALSE(e->Enabled());
}

TEST(VisualObjects, PointInObjectExcludesTheEdges) {
  FakeScene scene;
  TvxObjectPtr root(Make());
  scene.AddObject(root.get());
  auto* o = Make(root.get());
  o->SetBounds(10, 20, 50, 30);
  EXPECT_FALSE(o->PointInObject(10, 30));
  EXPECT_FALSE(o->PointInObject(30, 20));
  EXPECT_TRUE(o->PointInObject(10.5f, 20.5f));
  EXPECT_FALSE(o->PointInObject(60, 30));
  EXPECT_FALSE(o->PointInObject(30, 50));
  EXPECT_TRUE(o->PointInObject(59.5f, 49.5f));
}

TEST(VisualObjects, DisabledObjectsBelowTheRootsChildrenAreDimmed) {
  FakeScene scene;
  TvxObjectPtr root(Make());
  scene.AddObject(root.get());
  auto* direct = Make(root.get());
  auto* nested = Make(Make(root.get()));
  direct->SetEnabled(false);
  nested->SetEnabled(false);
  nested->SetOpacity(0.5f);
  EXPECT_FLOAT_EQ(direct->GetAbsoluteOpacity(), 1);
  EXPECT_FLOAT_EQ(nested->GetAbsoluteOpacity(), 0.4f);
  nested->SetEnabled(true);
  EXPECT_FLOAT_EQ(nested->GetAbsoluteOpacity(), 0.5f);
}

TEST(VisualObjects, RotateAngleIsNormalised) {
  TvxObjectPtr holder(Make());
  TvxVisualObject* o = holder->Visual();
  o->SetRotateAngle(540);
  EXPECT_FLOAT_EQ(o->RotateAngle(), 180);
  o->SetRotateAngle(-190);
  EXPECT_FLOAT_EQ(o->RotateAngle(), 170);
  o->SetRotateAngle(270);
  EXPECT_FLOAT_EQ(o->RotateAngle(), 270);
}

TEST(VisualObjects, LocalMatrixWithAndWithoutRotation) {
  TvxObjectPtr holder(Make());
  TvxVisualObject* o = holder->Visual();
  o->SetBounds(10, 20, 40, 20);
  o->Scale()->SetPoint({2, 3});
  const TvxMatrix& m = o->LocalMatrix();
  EXPECT_EQ(m.m11, 2);
  EXPECT_EQ(m.m22, 3);
  EXPECT_EQ(m.m31, 10);
  EXPECT_EQ(m.m32, 20);
  EXPECT_EQ(m.m12, 0);
  EXPECT_EQ(m.m21, 0);

  // A quarter turn about the centre (20, 10): the centre stays, the top-left corner goes
  // to (30, -10) before scale and position.
  o->Scale()->SetPoint({1, 1});
  o->SetRotateAngle(90);
  const TvxPoint centre = o->LocalToAbsolute({20, 10});
  EXPECT_NEAR(centre.X, 30, 1e-4);
  EXPECT_NEAR(centre.Y, 30, 1e-4);
  const TvxPoint corner = o->LocalToAbsolute({0, 0});
  EXPECT_NEAR(corner.X, 40, 1e-4);
  EXPECT_NEAR(corner.Y, 10, 1e-4);
  const TvxPoint back = o->AbsoluteToLocal(corner);
  EXPECT_NEAR(back.X, 0, 1e-4);
  EXPECT_NEAR(back.Y, 0, 1e-4);
}

TEST(VisualObjects, UpdateRectGrowsForFocusAndDesignSelection) {
  FakeScene scene;
  TvxObjectPtr root(Make());
  scene.AddObject(root.get());
  auto* o = Make(root.get());
  o->SetBounds(100, 100, 40, 20);
  ExpectRect(o->GetUpdateRect(), 100, 100, 140, 120);

  o->SetCanFocused(true);
  scene.SetFocused(o);
  o->RecalcUpdateRect();
  ExpectRect(o->GetUpdateRect(), 95, 95, 145, 125);
  scene.SetFocused(nullptr);

  scene.SetSelected(o);
  o->RecalcUpdateRect();
  ExpectRect(o->GetUpdateRect(), 96, 83, 144, 124);
  scene.selected = nullptr;

  scene.placeObject = o;
  o->RecalcUpdateRect();
  ExpectRect(o->GetUpdateRect(), 99, 79, 259, 121);
}

TEST(VisualObjects, ChangesReportTheOldAndTheNewArea) {
  FakeScene scene;
  TvxObjectPtr root(Make());
  root->Visual()->SetBounds(0, 0, 400, 300);
  scene.AddObject(root.get());
  auto* o = Make(root.get());
  o->SetBounds(10, 10, 20, 20);
  scene.dirty.clear();
  o->Position()->SetPoint({100, 50});
  EXPECT_TRUE(scene.Covered({10, 10, 30, 30}));
  EXPECT_TRUE(scene.Covered({100, 50, 120, 70}));

  scene.dirty.clear();
  o->BeginUpdate();
  o->SetOpacity(0.5f);
  EXPECT_TRUE(scene.dirty.empty());
  o->EndUpdate();
}

TEST(VisualObjects, EffectImageSizesUseTheAbsoluteScaleAndAreClamped) {
  int w = -1, h = -1;
  EffectBitmapSize({-10, 0, -110.7f, 20.9f}, w, h);
  EXPECT_EQ(w, 100);
  EXPECT_EQ(h, 20);
  EffectBitmapSize({0, 0, 1e30f, std::numeric_limits<float>::infinity()}, w, h);
  EXPECT_EQ(w, MaxEffectBitmapSide);
  EXPECT_EQ(h, MaxEffectBitmapSide);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EffectBitmapSize({nan, 0, 5, nan}, w, h);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
}

TEST(VisualObjects, EachEffectKeepsItsOwnImage) {
  Painted p(200, 120);
  TvxObjectPtr root(Make());
  root->Visual()->SetBounds(0, 0, 200, 120);
  p.scene.AddObject(root.get());
  auto* box = Make<Box>(root.get());
  box->SetBounds(40, 40, 20, 20);
  auto* small = new GreenHalo(2);
  auto* large = new GreenHalo(10);
  box->AddObject(small);
  box->AddObject(large);
  ASSERT_TRUE(box->HasEffects());

  p.scene.Paint();
  ASSERT_NE(small->Image(), nullptr);
  ASSERT_NE(large->Image(), nullptr);
  EXPECT_EQ(small->Image()->Width(), 24);
  EXPECT_EQ(large->Image()->Width(), 40);
  EXPECT_EQ(p.At(32, 50), 0xFF00FF00u);  // the larger halo, under the object
  EXPECT_EQ(p.At(50, 50), 0xFF3060C0u);  // the object over its effects

  // The cached paint draws each effect's own image again, without processing.
  p.canvas->Clear(0);
  p.scene.AddUpdateRect({0, 0, 200, 120});
  p.scene.Paint();
  EXPECT_EQ(small->processed, 1);
  EXPECT_EQ(large->processed, 1);
  EXPECT_EQ(p.At(32, 50), 0xFF00FF00u);
  EXPECT_EQ(p.At(50, 50), 0xFF3060C0u);

  // A mirrored object still gets images of positive size.
  box->Scale()->SetPoint({-1, 1});
  box->SetEffectsDirty();
  p.scene.AddUpdateRect({0, 0, 200, 120});
  p.scene.Paint();
  EXPECT_EQ(large->Image()->Width(), 40);
}

// An effect that stands in for its object's paint: the object's own paint is left out, also
// when the effect came disabled and was enabled later; without one (or with it disabled)
// the object paints.
TEST(VisualObjects, AnEffectThatReplacesThePaintLeavesTheObjectsPaintOut) {
  class Replacing : public GreenHalo {
  public:
    Replacing() : GreenHalo(0) { SetFlags(true, false); }
  };
  Painted p(60, 40);
  TvxObjectPtr root(Make());
  p.scene.AddObject(root.get());
  root->Visual()->SetBounds(0, 0, 60, 40);
  auto* plain = Make<Box>(root.get());
  plain->SetBounds(0, 0, 20, 20);
  auto* replaced = Make<Box>(root.get());
  replaced->SetBounds(30, 0, 20, 20);
  auto* effect = new Replacing();
  effect->SetEnabled(false);
  replaced->AddObject(effect);
  auto paint = [&] {
    p.scene.AddUpdateRect({0, 0, 60, 40});
    p.scene.Paint();
  };
  paint();
  EXPECT_EQ(p.At(40, 10), 0xFF3060C0u) << "a disabled effect replaces nothing";
  effect->SetEnabled(true);
  paint();
  EXPECT_EQ(effect->processed, 1);
  // The effect's image in the object's place, the object's own paint not over it.
  EXPECT_EQ(p.At(40, 10), 0xFF00FF00u);
  EXPECT_EQ(p.At(10, 10), 0xFF3060C0u);
}

TEST(VisualObjects, ScreenshotIsTheObjectAloneAtItsRoundedSize) {
  Painted p(10, 10);
  TvxObjectPtr root(Make());
  p.scene.AddObject(root.get());
  auto* box = Make<Box>(root.get());
  box->color = 0xFF102030u;
  box->SetBounds(100, 100, 30.6f, 10.4f);
  box->SetRotateAngle(30);
  auto* inner = Make<Box>(box);
  inner->color = 0xFFFFFFFFu;
  inner->SetBounds(20, 0, 40, 5);  // sticks out: cut off
  std::unique_ptr<TvxBitmap> shot = box->MakeScreenshot();
  ASSERT_EQ(shot->Width(), 31);
  ASSERT_EQ(shot->Height(), 10);
  EXPECT_EQ(shot->Bits()[5 * 31 + 5], 0xFF102030u);
  EXPECT_EQ(shot->Bits()[2 * 31 + 25], 0xFFFFFFFFu);
  EXPECT_EQ(box->Position()->X(), 100);  // the object is back where it was
  EXPECT_FLOAT_EQ(box->RotateAngle(), 30);
}

// Paints a small tree: a panel with a title bar on top, a side bar on the left, a client
// area with a centred box, and a disabled box two levels below the root. Set
// GASCAL_TREE_PNG to a file name to keep the picture.
TEST(VisualObjects, PaintsATreeIntoTheCanvas) {
  Painted p(320, 240);
  TvxObjectPtr root(Make<Box>(nullptr));
  auto* panel = static_cast<Box*>(root.get());
  panel->color = 0xFFE0E0E0u;
  panel->SetBounds(0, 0, 320, 240);
  panel->Margins()->SetRect({10, 10, 10, 10});
  p.scene.AddObject(panel);
  auto* client = Make<Box>(panel);
  client->color = 0xFFFFFFFFu;
  client->SetAlign(vaClient);
  auto* title = Make<Box>(panel);
  title->color = 0xFF2040A0u;
  title->SetHeight(30);
  title->SetAlign(vaTop);
  auto* side = Make<Box>(panel);
  side->color = 0xFF40A040u;
  side->SetWidth(60);
  side->SetAlign(vaLeft);
  side->Padding()->SetRect({0, 5, 5, 0});
  auto* centred = Make<Box>(client);
  centred->color = 0xFFC03030u;
  centred->SetBounds(0, 0, 80, 40);
  centred->SetAlign(vaCenter);
  auto* disabled = Make<Box>(client);
  disabled->color = 0xFF000000u;
  disabled->SetBounds(20, 140, 40, 20);
  disabled->SetEnabled(false);

  p.scene.Paint();
  if (const char* file = std::getenv("GASCAL_TREE_PNG")) {
    TvxBitmap shot(0, 0);
    shot.Assign(p.canvas.get());
    shot.SaveToFile(file);
  }
  EXPECT_EQ(p.At(5, 5), 0xFFE0E0E0u);     // the panel's margin
  EXPECT_EQ(p.At(160, 20), 0xFF2040A0u);  // the title bar (10..310 x 10..40)
  EXPECT_EQ(p.At(40, 100), 0xFF40A040u);  // the side bar (10..70 x 45..230)
  EXPECT_EQ(p.At(72, 100), 0xFFE0E0E0u);  // its right padding
  EXPECT_EQ(p.At(100, 50), 0xFFFFFFFFu);  // the client (75..310 x 40..230)
  ExpectRect(centred->GetParentedRect(), 77, 75, 157, 115);
  EXPECT_EQ(p.At(212, 135), 0xFFC03030u);  // absolute (152, 115) .. (232, 155)
  // The disabled box paints at 0.8: black over white gives 51 (0.2 x 255).
  EXPECT_NEAR(static_cast<int>(p.At(110, 190) & 0xFFu), 51, 1);
  EXPECT_EQ(p.scene.dirty.size(), 0u);
}

// A canvas that counts the clip rectangles painting intersects.
class ClipCountingCanvas : public TvxCanvasGdiPlus {
public:
  using TvxCanvasGdiPlus::TvxCanvasGdiPlus;
  void IntersectClipRect(const TvxRect& R) override {
    ++clips;
    TvxCanvasGdiPlus::IntersectClipRect(R);
  }
  int clips = 0;
};

// A clipping parent sets its clip for the children it would cut only: a leaf inside it paints
// the same without. One that crosses its edge, reaches into a pixel the edge cuts or has
// children of its own is clipped; so is one moved out later.
TEST(VisualObjects, AClipIsSetOnlyForTheChildrenItWouldCut) {
  ClipCountingCanvas canvas(100, 60);
  canvas.Clear(0);
  FakeScene scene(&canvas);
  TvxObjectPtr root(Make<Box>());
  static_cast<Box*>(root.get())->color = 0xFFFFFFFFu;
  root->Visual()->SetBounds(0, 0, 100, 60);
  scene.AddObject(root.get());
  auto* clip = Make<Box>(root.get());
  clip->color = 0xFF808080u;
  clip->SetBounds(20.5f, 10, 50, 40);  // 20.5..70.5 x 10..50
  clip->SetClipChildren(true);
  auto* inside = Make<Box>(clip);
  inside->color = 0xFF0000FFu;
  inside->SetBounds(5, 5, 10, 10);
  auto* crossing = Make<Box>(clip);
  crossing->color = 0xFFFF0000u;
  crossing->SetBounds(40, 5, 20, 10);
  auto* parent = Make<Box>(clip);
  parent->SetBounds(5, 20, 10, 10);
  Make<Box>(parent)->SetBounds(0, 0, 10, 10);
  auto* edge = Make<Box>(clip);
  edge->SetBounds(1.2f, 32, 5, 5);  // a pixel from the clip's edge, which halves a pixel
  auto* hairline = Make<TvxLine>(clip);  // a stroke of width 0 reaches past its bounds
  hairline->SetLineType(vgLineVertical);
  hairline->SetStrokeThickness(0);
  hairline->SetBounds(48, 5, 1.5f, 30);
  auto* line = Make<TvxLine>(clip);  // as far from the edge, but thinner than a pixel
  line->SetLineType(vgLineVertical);
  line->SetStrokeThickness(0.5f);
  line->SetBounds(20, 5, 1.5f, 30);
  auto paint = [&] {
    canvas.clips = 0;
    scene.dirty.assign(1, MakeRect(0, 0, 100, 60));
    scene.Paint();
    return canvas.clips;
  };
  // One clip for the clipping object's own painting, one each for four of its children.
  EXPECT_EQ(paint(), 5);
  auto at = [&](int X, int Y) { return canvas.BufferBits()[Y * 100 + X]; };
  EXPECT_EQ(at(30, 20), 0xFF0000FFu);
  EXPECT_EQ(at(65, 20), 0xFFFF0000u);
  EXPECT_EQ(at(75, 20), 0xFFFFFFFFu);  // the crossing child beyond the clip
  inside->SetBounds(5, 35, 10, 10);    // now across the bottom edge
  EXPECT_EQ(paint(), 6);
  EXPECT_EQ(at(30, 48), 0xFF0000FFu);
  EXPECT_EQ(at(30, 52), 0xFFFFFFFFu);
}

}  // namespace

}  // namespace visual_objects_test
