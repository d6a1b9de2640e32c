// Positions, bounds and bitmap resource objects: change events, copies, their stream forms
// ("Point", "NewRect", the older "Rect") and the names materials find bitmaps by.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/Filer.h"
#include "platform/rtl/ObjectText.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "scene3d/Values.h"

namespace positions_bounds_test {

using namespace dx;

namespace {

// The text form of the properties Value writes, one "Name = Value" per line.
std::string StreamedProperties(const rtl::TPersistent& Value) {
  rtl::TMemoryStream binary;
  {
    rtl::TWriter writer(&binary, 1024);
    writer.WriteProperties(&Value);
  }
  binary.SetPosition(0);
  std::string out;
  rtl::TReader reader(&binary, 1024);
  while (reader.BytesLeft() > 0) {
    out += reader.ReadStr() + " = ";
    out += reader.ReadString() + ";";
  }
  return out;
}

// Reads "Name = 'text'" as a stream would, into Value.
void ReadTextProperty(rtl::TPersistent& Value, const std::string& Name, const std::string& Text) {
  rtl::TMemoryStream binary;
  {
    rtl::TWriter writer(&binary, 1024);
    writer.WriteStr(Name);
    writer.WriteString(Text);
    writer.WriteListEnd();
  }
  binary.SetPosition(0);
  rtl::TReader reader(&binary, 1024);
  reader.ReadProperties(&Value);
}

TEST(DxPosition, EventsFireOnlyOnChangeTheSpecificOneWinsAndSavedKeepsThePreviousPoint) {
  TdxPosition p({1, 1, 1});
  std::vector<std::string> fired;
  p.OnChange = [&](rtl::TObject*) { fired.push_back("change"); };
  p.SetX(1);
  EXPECT_TRUE(fired.empty());
  p.SetX(2);
  p.OnChangeX = [&](rtl::TObject*) { fired.push_back("x"); };
  p.SetX(3);
  p.SetY(4);  // Y has no handler of its own
  EXPECT_EQ(fired, (std::vector<std::string>{"change", "x", "change"}));
  EXPECT_EQ(p.Saved(), (TdxVector{2, 1, 1, 1}));
  p.SetPointNoChange({7, 8, 9});
  EXPECT_EQ(fired.size(), 3u);
  EXPECT_EQ(p.Saved(), (TdxVector{3, 4, 1, 1}));
  TdxPosition q;
  q.SetPoint({-1, 0, 2});
  p.Assign(&q);
  EXPECT_EQ(fired.size(), 4u);
  EXPECT_EQ(p.Vector(), (TdxVector{-1, 0, 2, 1}));
  EXPECT_EQ(p.Saved(), (TdxVector{-1, 0, 2, 1}));
  TdxBounds other;
  EXPECT_THROW(p.Assign(&other), rtl::EConvertError);
}

TEST(DxPosition, PointIsStreamedOnlyWhenItLeavesTheDefault) {
  TdxPosition p({1, 1, 1});
  p.SetPoint({1, 1, 1});
  EXPECT_EQ(StreamedProperties(p), "");
  p.SetY(2);
  EXPECT_EQ(StreamedProperties(p), "Point = (1,2,1);");
  TdxPosition read({1, 1, 1});
  int changes = 0;
  read.OnChange = [&](rtl::TObject*) { ++changes; };
  ReadTextProperty(read, "Point", "(0.5,-2,1E-5)");
  EXPECT_EQ(read.Point(), (TdxPoint3D{0.5f, -2, 1e-5f}));
  EXPECT_EQ(changes, 1);
}

// A point text that is cut short, has a coordinate too many or too few, or holds something
// that is no number is refused as a wrong value of any other type is, and the point keeps
// what it had.
TEST(DxPosition, MalformedPointTextIsRefusedAndChangesNothing) {
  TdxPosition p({1, 1, 1});
  for (const char* bad : {"(a,b,c", "(1,2,3", "(1,2)", "(1,2,3,4)", "1,2,3", "(1,,3)", "(1,2,3)x", "x(1,2,3)",
                          "", "()", "(1;2;3)"}) {
    EXPECT_THROW(ReadTextProperty(p, "Point", bad), rtl::EReadError) << bad;
    EXPECT_EQ(p.Point(), (TdxPoint3D{1, 1, 1})) << bad;
  }
  ReadTextProperty(p, "Point", " ( 4 , -5.25 ,6 ) ");
  EXPECT_EQ(p.Point(), (TdxPoint3D{4, -5.25f, 6}));
  TdxBounds b;
  EXPECT_THROW(ReadTextProperty(b, "Rect", "(10,20,30"), rtl::EReadError);
  EXPECT_THROW(ReadTextProperty(b, "NewRect", "(1,2,3,4,5,6"), rtl::EReadError);
  EXPECT_EQ(b.Left(), 0);
}

TEST(DxBounds, NewRectHoldsAllSixInOrderAndIsLeftOutWhenAllAreZero) {
  TdxBounds b;
  EXPECT_EQ(StreamedProperties(b), "");
  int changes = 0;
  b.OnChange = [&](rtl::TObject*) { ++changes; };
  b.SetLeft(1);
  b.SetTop(2);
  b.SetRight(3);
  b.SetBottom(4);
  b.SetRight(3);
  EXPECT_EQ(changes, 4);
  EXPECT_EQ(StreamedProperties(b), "NewRect = (1,2,3,4,0,0);");

  TdxBounds read;
  read.OnChange = [&](rtl::TObject*) { ++changes; };
  changes = 0;
  ReadTextProperty(read, "NewRect", "(1,2,3,4,5.5,6)");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(read.Left(), 1);
  EXPECT_EQ(read.Bottom(), 4);
  EXPECT_EQ(read.ZNear(), 5.5f);
  EXPECT_EQ(read.ZFar(), 6);
  TdxBounds copy;
  copy.Assign(&read);
  EXPECT_EQ(StreamedProperties(copy), "NewRect = (1,2,3,4,5.500,6);");  // "." whatever the locale
}

TEST(DxBounds, OlderRectIsReadAndBrokenNewRectChangesNothing) {
  TdxBounds b;
  b.SetZNear(7);
  ReadTextProperty(b, "Rect", "(10,20,30,40)");
  EXPECT_EQ(b.Left(), 10);
  EXPECT_EQ(b.Bottom(), 40);
  EXPECT_EQ(b.ZNear(), 7);
  EXPECT_THROW(ReadTextProperty(b, "NewRect", "(1,2,3)"), rtl::Exception);
  EXPECT_THROW(ReadTextProperty(b, "NewRect", "(1,2,x,4,5,6)"), rtl::Exception);
  EXPECT_EQ(b.Left(), 10);
  EXPECT_EQ(b.ZNear(), 7);
}

TEST(DxBitmapObject, ListedUnderItsNameOrLaterResourceNameWhileItLives) {
  auto* a = new TdxBitmapObject(nullptr);
  a->Bitmap()->SetSize(2, 3);
  EXPECT_EQ(dxFindResourceBitmap("Wood"), nullptr);
  a->SetName("Wood");
  EXPECT_EQ(dxFindResourceBitmap("wood"), a->Bitmap());
  a->SetResourceName("Oak");
  EXPECT_EQ(dxFindResourceBitmap("Wood"), nullptr);
  EXPECT_EQ(dxFindResourceBitmap("OAK"), a->Bitmap());
  a->SetResourceName("");  // an empty resource name keeps the entry's name
  EXPECT_EQ(dxFindResourceBitmap("Oak"), a->Bitmap());

  a->Free();
  EXPECT_EQ(dxFindResourceBitmap("Oak"), nullptr);
}

}  // namespace

}  // namespace positions_bounds_test
