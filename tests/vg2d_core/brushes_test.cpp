#include <gtest/gtest.h>

#include "vg2d/core/Brushes.h"

#include <cmath>
#include <string>
#include <vector>

#include "PaintFakes.h"
#include "platform/win/Graphics.h"

namespace brushes_test {

namespace {

using namespace vg;

// The published properties a stream would write: stored and not at their default.
std::vector<std::string> WrittenProps(const rtl::TObject* Obj) {
  std::vector<std::string> names;
  for (const rtl::TPropInfo* p : rtl::GetPropInfos(Obj->ClassType()))
    if (rtl::IsStoredProp(Obj, p) && !rtl::IsDefaultPropertyValue(Obj, p)) names.push_back(p->Name);
  return names;
}

TEST(Gradient, NewGradientRunsFromBlackToWhite) {
  TvxGradient g;
  ASSERT_EQ(g.Points()->Count(), 2);
  EXPECT_EQ(g.Points()->GetPoint(0)->GetColor(), "#FF000000");
  EXPECT_EQ(g.Points()->GetPoint(1)->Offset(), 1.0f);
  EXPECT_EQ(g.StopPosition()->GetPoint(), (TvxPoint{0, 1}));
  EXPECT_EQ(g.InterpolateColor(0.5f), 0xFF7F7F7Fu);
  EXPECT_EQ(g.InterpolateColor(std::nanf("")), 0xFF000000u);
  EXPECT_EQ(g.InterpolateColor(7), 0xFFFFFFFFu);
}

TEST(Gradient, InterpolatesStopsInCollectionOrder) {
  TvxGradient g;
  g.Points()->GetPoint(0)->SetOffset(0.2f);
  g.Points()->GetPoint(1)->SetOffset(0.6f);
  auto* third = static_cast<TvxGradientPoint*>(g.Points()->Add());
  third->SetColor("#FFFF0000");
  third->SetOffset(1);
  EXPECT_EQ(g.InterpolateColor(0.1f), 0xFF000000u);  // before the first stop
  EXPECT_EQ(g.InterpolateColor(0.6f), 0xFFFFFFFFu);
  EXPECT_EQ(g.InterpolateColor(0.8f), 0xFFFF8080u);  // 255 + Trunc(-127.5)
  g.Points()->Delete(2);
  g.Points()->Delete(1);
  EXPECT_EQ(g.InterpolateColor(0.5f), 0xFF000000u);  // one stop: its colour everywhere
  EXPECT_EQ(g.InterpolateColor(0.9f), 0xFF000000u);
  g.Points()->Delete(0);
  EXPECT_EQ(g.InterpolateColor(0.5f), 0u);  // no stop
}

TEST(Gradient, PartsNotifyAndAssignCopiesTheKindsObjects) {
  TvxGradient g;
  int changes = 0;
  g.OnChange = [&](rtl::TObject* s) {
    EXPECT_EQ(s, &g);
    ++changes;
  };
  g.StartPosition()->SetX(0.5f);
  g.RadialTransform()->SetRotateAngle(30);
  g.SetStyle(vgRadialGradient);
  g.SetStyle(vgRadialGradient);
  EXPECT_EQ(changes, 3);

  TvxGradient radial;
  radial.SetStyle(vgRadialGradient);
  radial.RadialTransform()->SetRotateAngle(45);
  radial.StartPosition()->SetX(9);
  changes = 0;
  g.Assign(&radial);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(g.RadialTransform()->RotateAngle(), 45);
  EXPECT_EQ(g.StartPosition()->X(), 0.5f);  // the linear parts keep their values

  EXPECT_EQ(WrittenProps(&radial), (std::vector<std::string>{"Points", "Style", "RadialTransform"}));
}

TEST(Gradient, AssignCopiesEveryStopWhateverTheCountsAndKeepsStopsOfTheSameCount) {
  TvxGradient three;
  three.Points()->Clear();
  const std::pair<float, TvxColor> stops[] = {{0, 0x80102030u}, {0.25f, 0xFFA0B0C0u}, {1, 0x00FFFFFFu}};
  for (const auto& [offset, color] : stops) {
    auto* p = static_cast<TvxGradientPoint*>(three.Points()->Add());
    p->SetOffset(offset);
    p->SetIntColor(color);
  }
  TvxGradient g;  // two stops: made anew
  g.Assign(&three);
  ASSERT_EQ(g.Points()->Count(), 3);
  TvxGradientPoint* kept = g.Points()->GetPoint(1);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(g.Points()->GetPoint(i)->IntColor(), stops[i].second) << i;
    EXPECT_EQ(g.Points()->GetPoint(i)->Offset(), stops[i].first) << i;
  }
  // As many stops again: copied into the stops there are.
  three.Points()->GetPoint(1)->SetIntColor(0x01020304u);
  three.Points()->GetPoint(1)->SetOffset(0.75f);
  g.Points()->Assign(three.Points());
  EXPECT_EQ(g.Points()->GetPoint(1), kept);
  EXPECT_EQ(kept->IntColor(), 0x01020304u);
  EXPECT_EQ(kept->Offset(), 0.75f);
  EXPECT_EQ(g.Points()->GetPoint(2)->IntColor(), 0x00FFFFFFu);
  // Fewer: the list shrinks to the source's.
  TvxGradient two;
  g.Assign(&two);
  ASSERT_EQ(g.Points()->Count(), 2);
  EXPECT_EQ(g.Points()->GetPoint(1)->GetColor(), "#FFFFFFFF");
}

TEST(Brush, DefaultSolidBrushWritesNothingAndColorAloneAfterAChange) {
  TvxBrush b(vgBrushSolid, 0xFFFFFFFF);
  EXPECT_TRUE(WrittenProps(&b).empty());
  b.SetColor("#FF000000");
  EXPECT_EQ(WrittenProps(&b), std::vector<std::string>{"Color"});
  EXPECT_EQ(rtl::GetStrProp(&b, "Color"), "#FF000000");
  b.SetStyle(vgBrushGradient);
  EXPECT_EQ(WrittenProps(&b), (std::vector<std::string>{"Style", "Gradient"}));

  TvxBrush none(vgBrushNone, 0xFF000000);
  none.SetSolidColor(0xFF00FF00);  // a colour matters only to a solid brush
  EXPECT_TRUE(WrittenProps(&none).empty());
}

TEST(Brush, NotifiesOncePerRealChange) {
  TvxBrush b(vgBrushSolid, 0xFFFFFFFF);
  int changes = 0;
  b.OnChange = [&](rtl::TObject*) { ++changes; };
  b.SetColor("#FFFFFFFF");
  b.SetSolidColor(0xFFFFFFFF);
  b.SetStyle(vgBrushSolid);
  EXPECT_EQ(changes, 0);
  b.SetColor("Red");
  EXPECT_EQ(b.Color(), 0xFFFF0000u);
  b.Gradient()->SetStyle(vgRadialGradient);
  b.Bitmap()->SetWrapMode(vgWrapTileStretch);
  b.Bitmap()->Bitmap()->SetSize(4, 4);  // pixels are not the brush's business
  EXPECT_EQ(changes, 3);

  TvxBrush src(vgBrushNone, 0);
  src.SetStyle(vgBrushGradient);
  src.Gradient()->Points()->GetPoint(1)->SetColor("#FF0000FF");
  changes = 0;
  b.Assign(&src);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(b.Style(), vgBrushGradient);
  EXPECT_EQ(b.DefaultStyle(), vgBrushNone);
  EXPECT_EQ(b.Gradient()->Points()->GetPoint(1)->IntColor(), 0xFF0000FFu);
}

TEST(Brush, HandlerInstalledWhileAssignIsSilentStaysAndHearsTheChange) {
  TvxBrush b(vgBrushSolid, 0xFFFFFFFF);
  std::vector<std::string> heard;
  b.OnChange = [&](rtl::TObject*) { heard.push_back("old"); };
  // Whoever watches the gradient wires the brush up afresh while the brush copies.
  b.Gradient()->OnChange = [&](rtl::TObject*) {
    b.OnChange = [&](rtl::TObject*) { heard.push_back("new"); };
  };
  TvxBrush src(vgBrushGradient, 0);
  b.Assign(&src);
  EXPECT_EQ(heard, std::vector<std::string>{"new"});
}

TEST(Brush, ColorTextOfGradientBrushSetsFirstStop) {
  TvxBrush b(vgBrushGradient, 0xFF000000);
  int changes = 0;
  b.OnChange = [&](rtl::TObject*) { ++changes; };
  b.SetColor("#FF00FF00");
  EXPECT_EQ(b.Color(), 0xFF00FF00u);
  EXPECT_EQ(b.Gradient()->Points()->GetPoint(0)->IntColor(), 0xFF00FF00u);
  // The first stop alone changing still repaints.
  b.Gradient()->Points()->GetPoint(0)->SetIntColor(0);
  b.SetColor("#FF00FF00");
  EXPECT_EQ(changes, 2);
}

TEST(Brush, ResourceBrushReportsTheNamedBrushColour) {
  TvxBrush b(vgBrushResource, 0xFF445566);
  b.Resource()->SetResourceName("Missing");
  EXPECT_EQ(b.GetSolidColor(), 0xFF445566u);

  auto* res = new vgtest::FakeResource("Accent");
  b.Resource()->SetResourceName("Accent");
  EXPECT_EQ(b.GetSolidColor(), 0xFF112233u);
  EXPECT_EQ(b.Resource()->Resource(), res);

  // A ring of resource brushes ends instead of recursing for ever.
  res->brush.SetStyle(vgBrushResource);
  res->brush.Resource()->SetResourceName("Accent");
  EXPECT_EQ(b.GetSolidColor(), 0xFF112233u);

  TvxBrush copy(vgBrushSolid, 0);
  copy.Assign(&b);
  EXPECT_EQ(copy.Resource()->Resource(), res);
  EXPECT_EQ(copy.Color(), 0xFF112233u);
  res->Free();
  EXPECT_EQ(b.Resource()->Resource(), nullptr);
  EXPECT_EQ(b.GetSolidColor(), 0xFF445566u);
}

TEST(Brush, VisualBrushDropsFreedObject) {
  auto* obj = new vgtest::FakeResource("Pic");
  TvxVisual v;
  int changes = 0;
  v.OnChange = [&](rtl::TObject*) { ++changes; };
  v.SetVisualObject(obj);
  v.SetVisualObject(obj);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(obj->Listeners(), 1u);
  obj->Free();
  EXPECT_EQ(v.VisualObject(), nullptr);
  rtl::TComponent plain(nullptr);
  v.SetVisualObject(&plain);  // not an object of a 2D tree: refused
  EXPECT_EQ(v.VisualObject(), nullptr);
}

TEST(Font, DefaultsEventsAndStoredValues) {
  TvxFont f;
  EXPECT_EQ(f.Size(), 11);
  EXPECT_EQ(f.Family(), "Tahoma");
  EXPECT_TRUE(f.ClearType());
  EXPECT_TRUE(WrittenProps(&f).empty());
  int changes = 0;
  f.OnChange = [&](rtl::TObject*) { ++changes; };
  f.SetSize(11);
  f.SetFamily("Tahoma");
  f.SetSize(13);
  f.SetStyle(vgFontBold);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(WrittenProps(&f), (std::vector<std::string>{"Size", "Style"}));
  EXPECT_EQ(rtl::GetEnumProp(&f, "Style"), "vgFontBold");
  TvxFont g;
  changes = 0;
  g.OnChange = [&](rtl::TObject*) { ++changes; };
  g.Assign(&f);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(g.Size(), 13);
}

TEST(Font, TakesAndGivesTheClassLibrarysFont) {
  win::TFont lib;
  lib.Name = "Verdana";
  lib.SetHeight(-13);
  lib.Style.Include(win::fsBold);
  TvxFont f;
  int changes = 0;
  f.OnChange = [&](rtl::TObject*) { ++changes; };
  f.Assign(&lib);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(f.Family(), "Verdana");
  EXPECT_EQ(f.Size(), 13);
  EXPECT_EQ(f.Style(), vgFontBold);
  // A cell height counts as its absolute value; italic with bold is bold italic; a set with
  // underline is no style of ours and leaves it.
  lib.SetHeight(15);
  lib.Style.Include(win::fsItalic);
  f.Assign(&lib);
  EXPECT_EQ(f.Size(), 15);
  EXPECT_EQ(f.Style(), vgFontBoldItalic);
  lib.Style = win::TFontStyles{win::fsItalic, win::fsUnderline};
  f.Assign(&lib);
  EXPECT_EQ(f.Style(), vgFontBoldItalic);
  lib.Style = {};
  f.Assign(&lib);
  EXPECT_EQ(f.Style(), vgFontRegular);

  // Back: the height is minus the rounded size; underline or strike-out leave the set.
  f.SetSize(14.6f);
  f.SetStyle(vgFontItalic);
  win::TFont out;
  out.Style.Include(win::fsUnderline);
  out.Assign(&f);
  EXPECT_EQ(out.Name, "Verdana");
  EXPECT_EQ(out.Height(), -15);
  EXPECT_EQ(out.Style, win::TFontStyles{win::fsItalic});
  f.SetStyle(vgFontStrikeout);
  out.Style = win::TFontStyles{win::fsBold, win::fsUnderline};
  out.Assign(&f);
  EXPECT_EQ(out.Style, (win::TFontStyles{win::fsBold, win::fsUnderline}));
  f.SetSize(NAN);
  out.Assign(&f);
  EXPECT_EQ(out.Height(), 0);
}

}  // namespace

}  // namespace brushes_test
