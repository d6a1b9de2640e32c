#include <gtest/gtest.h>

#include "platform/rtl/TypInfo.h"
#include "vg2d/core/Bounds.h"

namespace bounds_test {

using namespace vg;

TEST(Bounds, ChangeEventsFireOncePerRealChange) {
  TvxBounds bounds(MakeRect(0, 0, 0, 0));
  int changes = 0;
  bounds.OnChange = [&](rtl::TObject* sender) {
    EXPECT_EQ(sender, &bounds);
    ++changes;
  };
  bounds.SetLeft(0);
  EXPECT_EQ(changes, 0);
  bounds.SetLeft(2);
  EXPECT_EQ(changes, 1);
  bounds.SetRect(MakeRect(1, 2, 3, 4));
  EXPECT_EQ(changes, 2);
  bounds.SetRect(MakeRect(1, 2, 3, 4));
  EXPECT_EQ(changes, 2);
  TvxBounds other(MakeRect(1, 2, 3, 4));
  bounds.Assign(&other);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(bounds.PaddingRect(MakeRect(0, 0, 100, 50)), MakeRect(1, 2, 97, 46));
  EXPECT_FALSE(bounds.AllZero());
  EXPECT_FALSE(bounds.IsEmpty());
  EXPECT_TRUE(TvxBounds(MakeRect(5, 5, 5, 9)).IsEmpty());
}

TEST(Position, SetPointAlwaysFiresSettersOnlyOnChange) {
  TvxPosition pos(MakePoint(1, 2));
  int changes = 0;
  pos.OnChange = [&](rtl::TObject*) { ++changes; };
  pos.SetX(1);
  pos.SetY(2);
  EXPECT_EQ(changes, 0);
  pos.SetPoint(MakePoint(1, 2));
  EXPECT_EQ(changes, 1);
  pos.SetY(5);
  EXPECT_EQ(changes, 2);
  EXPECT_TRUE(pos.DiffersFromDefault());
}

TEST(Transform, MatrixFollowsItsPointsAndAngle) {
  TvxTransform t;
  int changes = 0;
  t.OnChange = [&](rtl::TObject*) { ++changes; };
  t.Scale()->SetPoint(MakePoint(2, 3));
  t.Position()->SetPoint(MakePoint(10, 20));
  EXPECT_EQ(changes, 2);
  TvxVector v = VectorTransform(MakeVector(1, 1), t.Matrix());
  EXPECT_FLOAT_EQ(v.X, 12);
  EXPECT_FLOAT_EQ(v.Y, 23);
  t.RotateCenter()->SetPoint(MakePoint(7, 7));  // not part of the matrix
  v = VectorTransform(MakeVector(1, 1), t.Matrix());
  EXPECT_FLOAT_EQ(v.X, 12);
  t.SetRotateAngle(90);  // rotation first, then scale and translation
  v = VectorTransform(MakeVector(1, 0), t.Matrix());
  EXPECT_NEAR(v.X, 10, 1e-5);
  EXPECT_NEAR(v.Y, 23, 1e-5);
  TvxTransform copy;
  int copyChanges = 0;
  copy.OnChange = [&](rtl::TObject*) { ++copyChanges; };
  copy.Assign(&t);
  EXPECT_EQ(copyChanges, 1);
  EXPECT_EQ(copy.Matrix(), t.Matrix());
  EXPECT_EQ(copy.RotateCenter()->GetPoint(), MakePoint(7, 7));
}

TEST(Transform, PublishedPropertiesReachThePointsByPath) {
  TvxTransform t;
  rtl::SetFloatProp(&t, "Scale.X", 4);
  rtl::SetFloatProp(&t, "RotateAngle", 0);
  EXPECT_FLOAT_EQ(t.Matrix().m11, 4);
  EXPECT_FLOAT_EQ(rtl::GetFloatProp(&t, "RotateCenter.Y"), 0.5);
  // The edges and coordinates stream as one text each, never one by one.
  TvxBounds bounds;
  EXPECT_FALSE(rtl::IsStoredProp(&bounds, rtl::FindPropInfo(&bounds, "Left")));
  EXPECT_FALSE(rtl::IsStoredProp(t.Position(), rtl::FindPropInfo(t.Position(), "X")));
  EXPECT_TRUE(rtl::IsStoredProp(&t, rtl::FindPropInfo(&t, "Scale")));
  rtl::SetFloatProp(&bounds, "Top", 3);
  EXPECT_TRUE(bounds.DiffersFromDefault());
  EXPECT_EQ(bounds.GetRect(), MakeRect(0, 3, 0, 0));
}

}  // namespace bounds_test
