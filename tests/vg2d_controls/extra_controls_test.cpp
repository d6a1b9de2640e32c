// The small extra controls in their built-in styles: the picture viewer's layout, zoom and
// data, the plot grid's lines, the image list boxes and their items, the drop target and
// the picture button's background.
#include <gtest/gtest.h>

#include <cfloat>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ControlScene.h"
#include "platform/rtl/Streams.h"
#include "vg2d/controls/ExtraControls.h"
#include "vg2d/controls/Tracks.h"

namespace extra_controls_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

class ExtraControls : public vgtest::ControlsTest {
protected:
  // A viewer whose viewport is 400 x 300 while it shows no bars, holding a 100 x 50 picture.
  TvxImageViewer* MakeViewer(ControlScene& S) {
    auto* viewer = S.Add(new TvxImageViewer(nullptr), 0, 0);
    viewer->SetBounds(0, 0, 400, 300);
    viewer->Realign();
    const float dw = 400 - viewer->ViewportWidth();
    const float dh = 300 - viewer->ViewportHeight();
    viewer->SetBounds(0, 0, 400 + dw, 300 + dh);
    TvxBitmap picture(100, 50);
    picture.Clear(0xFF3060C0u);
    viewer->SetBitmap(&picture);
    return viewer;
  }
};

// Counts the lines a paint draws, and ends a paint that draws far more lines than any picture
// here can show with an exception, so that a paint that would never end fails the test.
class LineCountingCanvas : public TvxCanvasGdiPlus {
public:
  using TvxCanvasGdiPlus::TvxCanvasGdiPlus;
  void DrawLine(const TvxPoint& P1, const TvxPoint& P2, float Opacity) override {
    if (++lines > 200000) throw std::runtime_error("the paint draws far more lines than it can show");
    TvxCanvasGdiPlus::DrawLine(P1, P2, Opacity);
  }
  long lines = 0;
};

// A 120 x 120 picture on a line-counting canvas with a plot grid at (10, 10).
struct GridScene {
  GridScene() {
    s.canvas = std::make_unique<LineCountingCanvas>(120, 120);
    s.scene.canvas = s.canvas.get();
    grid = s.Add(new TvxPlotGrid(nullptr), 10, 10);
    grid->LineFill()->SetSolidColor(0xFF000000u);
  }
  long Lines() const { return static_cast<LineCountingCanvas*>(s.canvas.get())->lines; }
  // The red channel at (X, Y) of the picture: 255 where nothing was drawn on the white.
  int Shade(int X, int Y) const { return RedOf(s.At(X, Y)); }
  ControlScene s{120, 120};
  TvxPlotGrid* grid = nullptr;
};

}  // namespace

TEST_F(ExtraControls, ViewerCentresASmallPictureAndScrollsALargeOne) {
  ControlScene s(640, 480);
  TvxImageViewer* viewer = MakeViewer(s);
  ASSERT_EQ(viewer->ViewportWidth(), 400.0f);
  ASSERT_EQ(viewer->ViewportHeight(), 300.0f);
  TvxImage* image = viewer->Image();
  EXPECT_EQ(image->Parent(), viewer->Content());
  EXPECT_EQ(image->Width(), 100.0f);
  EXPECT_EQ(image->Position()->X(), 150.0f);
  EXPECT_EQ(image->Position()->Y(), 125.0f);

  viewer->SetBitmapScale(2);
  EXPECT_EQ(image->Width(), 200.0f);
  EXPECT_EQ(image->Height(), 100.0f);
  EXPECT_EQ(image->Position()->X(), 100.0f);
  EXPECT_EQ(image->Position()->Y(), 100.0f);
  EXPECT_FALSE(viewer->HScrollBar()->Visible());
  // The rectangle behind the picture follows it.
  EXPECT_EQ(viewer->Background()->Position()->X(), 100.0f);
  EXPECT_EQ(viewer->Background()->Width(), 200.0f);

  // Wider than the viewport: the picture keeps its x and the box scrolls sideways, centred.
  viewer->SetBitmapScale(5);
  EXPECT_EQ(image->Width(), 500.0f);
  EXPECT_EQ(image->Height(), 250.0f);
  EXPECT_EQ(image->Position()->X(), 100.0f);
  EXPECT_EQ(image->Position()->Y(), static_cast<float>(Round((viewer->ViewportHeight() - 250) / 2)));
  TvxScrollBar* bar = viewer->HScrollBar();
  ASSERT_TRUE(bar->Visible());
  EXPECT_EQ(bar->Max(), 600.0f);
  EXPECT_EQ(bar->Value(), (bar->Max() - bar->ViewportSize()) / 2);

  // A new, larger picture lays the viewer out again.
  TvxBitmap tall(20, 200);
  viewer->SetBitmap(&tall);
  EXPECT_EQ(image->Height(), 1000.0f);
  EXPECT_TRUE(viewer->VScrollBar()->Visible());
}

TEST_F(ExtraControls, ViewerZoomsWithTheWheelWithinItsLimits) {
  ControlScene s(640, 480);
  TvxImageViewer* viewer = MakeViewer(s);
  s.scene.MouseMove({}, 200, 150);
  EXPECT_TRUE(s.scene.MouseWheel({}, 120));
  EXPECT_FLOAT_EQ(viewer->BitmapScale(), 1.04f);
  EXPECT_FLOAT_EQ(viewer->Image()->Width(), 104.0f);
  s.scene.MouseWheel({}, -240);
  EXPECT_FLOAT_EQ(viewer->BitmapScale(), 0.96f);

  viewer->SetBitmapScale(9.99f);
  s.scene.MouseWheel({}, 120);
  EXPECT_EQ(viewer->BitmapScale(), 10.0f);
  viewer->SetBitmapScale(0.02f);
  s.scene.MouseWheel({}, -120);
  EXPECT_EQ(viewer->BitmapScale(), 0.01f);
  viewer->SetBitmapScale(-3);
  EXPECT_EQ(viewer->BitmapScale(), 0.01f);

  // Without scaling the wheel is the scroll box's: the scale stays.
  viewer->SetBitmapScale(5);
  viewer->SetMouseScaling(false);
  viewer->SetAnimated(false);
  const float before = viewer->HScrollPos();
  s.scene.MouseWheel({}, -120);
  EXPECT_EQ(viewer->BitmapScale(), 5.0f);
  EXPECT_GT(viewer->HScrollPos(), before);
}

TEST_F(ExtraControls, ViewerDataIsItsPicture) {
  ControlScene s(640, 480);
  TvxImageViewer* viewer = MakeViewer(s);
  EXPECT_EQ(std::get<rtl::TObject*>(viewer->GetData()), viewer->Bitmap());
  TvxBitmap other(30, 40);
  viewer->SetData(static_cast<rtl::TObject*>(&other));
  EXPECT_EQ(viewer->Bitmap()->Width(), 30);
  EXPECT_EQ(viewer->Image()->Height(), 40.0f);
  // An object that is not a bitmap is taken as a file name: no such file, nothing changes.
  viewer->SetData(std::string("/nonexistent/picture.png"));
  EXPECT_EQ(viewer->Bitmap()->Width(), 30);
  viewer->SetData(std::string());
  EXPECT_TRUE(viewer->Bitmap()->IsEmpty());
  viewer->SetData(static_cast<rtl::TObject*>(&other));
  viewer->SetData(rtl::TPropValue{});
  EXPECT_TRUE(viewer->Bitmap()->IsEmpty());

  // Its picture and background are not written with it; its own settings are.
  viewer->SetBitmapScale(3);
  viewer->SetShowBackground(true);
  EXPECT_TRUE(viewer->Background()->Visible());
  rtl::TMemoryStream stream;
  viewer->SaveToBinaryStream(&stream);
  stream.SetPosition(0);
  auto copy = std::make_unique<TvxImageViewer>(nullptr);
  copy->LoadFromBinaryStream(&stream);
  EXPECT_EQ(copy->BitmapScale(), 3.0f);
  EXPECT_TRUE(copy->ShowBackground());
  EXPECT_EQ(copy->Content()->GetChildrenCount(), 2);
  EXPECT_EQ(copy->Cursor(), -21);
  EXPECT_TRUE(copy->MouseTracking());
}

TEST_F(ExtraControls, PlotGridDrawsStrongCentreLinesMarkedLinesAndFaintOnes) {
  ControlScene s(120, 120);
  auto* grid = s.Add(new TvxPlotGrid(nullptr), 10, 10);
  grid->SetBounds(10, 10, 100, 100);
  EXPECT_EQ(grid->Frequency(), 5.0f);
  EXPECT_EQ(grid->Marks(), 25.0f);
  EXPECT_EQ(grid->LineFill()->Color(), 0xFF505050u);
  grid->SetFrequency(0);
  EXPECT_EQ(grid->Frequency(), 0.001f);
  grid->SetFrequency(5);
  grid->SetMarks(2);  // every 10th unit in full colour
  grid->LineFill()->SetSolidColor(0xFF000000u);
  s.PaintAll(0xFFFFFFFFu);

  // Columns away from every horizontal line: y = 10 + 52.5 lies between lines at 50 and 55.
  const int y = 10 + 53;
  const auto shade = [&](int X) { return RedOf(s.At(10 + X, y)); };
  // The centre line, 2 thick at 50..52.
  EXPECT_LT(shade(50), 30);
  EXPECT_LT(shade(51), 30);
  // Offset 10 both ways is full colour, offset 5 both ways faint; between lines, nothing.
  EXPECT_LT(shade(60), 30);
  EXPECT_LT(shade(40), 30);
  EXPECT_GT(shade(55), 120);
  EXPECT_LT(shade(55), 200);
  EXPECT_GT(shade(45), 120);
  EXPECT_LT(shade(45), 200);
  EXPECT_GT(shade(57), 240);
  EXPECT_GT(shade(43), 240);
  // The last lines lie at offset 45 (95 and 5); offset 50 would lie on the edge.
  EXPECT_LT(shade(95), 200);
  EXPECT_LT(shade(5), 200);
  EXPECT_GT(shade(0), 240);
}

TEST_F(ExtraControls, PlotGridsOfAnySizeAndFrequencyPaintOnlyTheLinesTheClipShows) {
  constexpr float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    float w, h, frequency, angle;
  };
  for (const Case& k : {Case{70000, 100, 0.001f, 0}, Case{3e8f, 100, 5, 0}, Case{100, 3e8f, 5, 0}, Case{inf, 100, 5, 0},
                        Case{100, inf, 0.001f, 0}, Case{FLT_MAX, FLT_MAX, 0.001f, 0}, Case{70000, 70000, 0.001f, 30},
                        Case{nan, 100, 5, 0}, Case{100, nan, 0.001f, 0}, Case{-50, 100, 5, 0}, Case{100, 100, nan, 0},
                        Case{100, 100, inf, 0}, Case{100, 100, -3, 0}}) {
    SCOPED_TRACE(std::to_string(k.w) + " x " + std::to_string(k.h) + " every " + std::to_string(k.frequency) +
                 " turned " + std::to_string(k.angle));
    GridScene g;
    g.grid->SetBounds(10, 10, k.w, k.h);
    g.grid->SetFrequency(k.frequency);
    g.grid->SetRotateAngle(k.angle);
    g.s.PaintAll(0xFFFFFFFFu);
    // At most ten lines a pixel across the box around the (turned) picture, both ways.
    EXPECT_LE(g.Lines(), 4000);
  }

  // Wide as 3e8 at the default frequency: its centre lies far to the right, and the lines
  // left of it fall every 5 units from the grid's left edge, as its own arithmetic puts them
  // (the offset of the edge itself is half the width: no line there).
  GridScene wide;
  wide.grid->SetBounds(10, 10, 3e8f, 100);
  wide.s.PaintAll(0xFFFFFFFFu);
  const int y = 10 + 53;  // between the horizontal lines at 50 and 55
  EXPECT_GT(wide.Shade(10, y), 240);
  for (int x = 11; x < 120; ++x) {
    if ((x - 10) % 5 == 0)
      EXPECT_LT(wide.Shade(x, y), 200) << x;
    else
      EXPECT_GT(wide.Shade(x, y), 240) << x;
  }
  EXPECT_LT(wide.Shade(70, 10 + 55), 200);
  // A small repaint draws the few lines that cross it, in the same places.
  const long before = wide.Lines();
  wide.s.canvas->ClearRect(MakeRect(40, 40, 60, 60), 0xFFFFFFFFu);
  wide.s.scene.dirty.assign(1, MakeRect(40, 40, 60, 60));
  wide.s.scene.Paint();
  EXPECT_LE(wide.Lines() - before, 20);
  EXPECT_LT(wide.Shade(50, y), 200);
  EXPECT_GT(wide.Shade(52, y), 240);

  // At frequency 0.001 the lines lie closer than pixels: the grid covers its whole face.
  GridScene dense;
  dense.grid->SetBounds(10, 10, 70000, 100);
  dense.grid->SetFrequency(0.001f);
  dense.s.PaintAll(0xFFFFFFFFu);
  for (int x = 10; x < 120; x += 7)
    for (int yy = 10; yy < 110; yy += 9) EXPECT_LT(dense.Shade(x, yy), 240) << x << ", " << yy;
  EXPECT_GT(dense.Shade(5, 5), 250);

  // A frequency that is no number, or infinite, leaves the centre lines alone.
  for (const float frequency : {nan, inf}) {
    GridScene centre;
    centre.grid->SetBounds(10, 10, 100, 100);
    centre.grid->SetFrequency(frequency);
    centre.s.PaintAll(0xFFFFFFFFu);
    EXPECT_EQ(centre.Lines(), 2);
    EXPECT_LT(centre.Shade(60, 30), 30);
    EXPECT_LT(centre.Shade(30, 61), 30);
    EXPECT_GT(centre.Shade(65, 30), 240);
  }
}

TEST_F(ExtraControls, ImageListItemsShowTheirFileNameOnlyWhenAsked) {
  ControlScene s;
  auto* list = s.Add(new TvxImageListBox(nullptr), 0, 0);
  EXPECT_EQ(list->ItemHeight(), 100.0f);
  EXPECT_EQ(list->GetItemClassName(), "TvxImageListBoxItem");
  auto* item = new TvxImageListBoxItem(nullptr);
  item->SetTagString(u"C:\\Pictures\\Engine\\bay.png");
  list->AddObject(item);
  item->ApplyResource();
  auto* text = dynamic_cast<TvxText*>(item->FindResource("text"));
  auto* border = dynamic_cast<TvxVisualObject*>(item->FindResource("textborder"));
  ASSERT_NE(text, nullptr);
  ASSERT_NE(border, nullptr);
  EXPECT_EQ(text->Text(), u"bay.png");
  EXPECT_FALSE(border->Visible());
  list->SetShowFileName(true);
  item->UpdateStyle();
  border = dynamic_cast<TvxVisualObject*>(item->FindResource("textborder"));
  ASSERT_NE(border, nullptr);
  EXPECT_TRUE(border->Visible());
  EXPECT_EQ(TvxImageListBoxItem::FileNameOf(u"D:photo.jpg"), u"photo.jpg");
  EXPECT_EQ(TvxImageListBoxItem::FileNameOf(u"plain"), u"plain");

  // The item height reaches every item; the thumbnail reference goes with the thumbnail.
  list->SetItemHeight(64);
  EXPECT_EQ(item->Height(), 64.0f);
  auto* thumb = new TvxImage(nullptr);
  item->AddObject(thumb);
  item->SetTagObject(thumb);
  thumb->Free();
  EXPECT_EQ(item->TagObject(), nullptr);
}

TEST_F(ExtraControls, HorizontalImageListsLayThumbnailsSideBySide) {
  ControlScene s;
  auto* list = s.Add(new TvxHorzImageListBox(nullptr), 0, 0);
  EXPECT_EQ(list->ItemHeight(), 0.0f);
  EXPECT_EQ(list->ItemWidth(), 110.0f);
  EXPECT_EQ(list->ListStyle(), vgListHorizontal);
  EXPECT_EQ(list->Resource(), "ListBoxStyle");
  EXPECT_EQ(TvxHudHorzImageListBox(nullptr).Resource(), "HudListBoxStyle");
  EXPECT_EQ(TvxHudImageListBox(nullptr).Resource(), "HudListBoxStyle");
  // The style names find the built-in list box styles whatever their case.
  EXPECT_NE(list->VScrollBar(), nullptr);
}

TEST_F(ExtraControls, DropTargetTakesEveryDragAndReportsTheDropLast) {
  ControlScene s;
  auto* target = s.Add(new TvxDropTarget(nullptr), 20, 20);
  EXPECT_EQ(target->Width(), 120.0f);
  EXPECT_TRUE(target->DragDisableHighlight());
  std::vector<std::string> heard;
  target->OnDragOver = [&](rtl::TObject*, const TvxDragObject&, const TvxPoint&, bool& Accept) {
    heard.push_back("over");
    Accept = false;
  };
  target->OnDragDrop = [&](rtl::TObject*, const TvxDragObject&, const TvxPoint&) { heard.push_back("drop"); };
  const TvxDragObject* reported = nullptr;
  target->OnDroped = [&](rtl::TObject* Sender, const TvxDragObject& Data, const TvxPoint&) {
    EXPECT_EQ(Sender, target);
    reported = &Data;
    heard.push_back("dropped");
  };
  TvxDragObject data;
  data.Files = {u"/tmp/a.cfg"};
  bool accept = false;
  target->DragOver(data, {40, 40}, accept);
  EXPECT_TRUE(accept);
  // Through the host: the refusing handler does not keep the drop away.
  s.scene.DragOver(data, {60, 60});
  s.scene.DragDrop(data, {60, 60});
  EXPECT_EQ(reported, &data);
  ASSERT_GE(heard.size(), 3u);
  EXPECT_EQ(heard[heard.size() - 2], "drop");
  EXPECT_EQ(heard.back(), "dropped");
}

TEST_F(ExtraControls, PictureButtonPaintsItsBackgroundBrush) {
  ControlScene s;
  auto* button = s.Add(new TvxIPhoneButton(nullptr), 10, 10);
  auto* background = dynamic_cast<TvxShape*>(button->FindResource("background"));
  ASSERT_NE(background, nullptr);
  EXPECT_EQ(background->Fill()->Color(), 0xFF808080u);
  // Editing the brush in place reaches the part.
  button->Background()->SetSolidColor(0xFF20A040u);
  EXPECT_EQ(background->Fill()->Color(), 0xFF20A040u);
  TvxBrush red(vgBrushSolid, 0xFFC02020u);
  button->SetBackground(&red);
  EXPECT_EQ(background->Fill()->Color(), 0xFFC02020u);
  // A new style takes the brush too.
  button->UpdateStyle();
  background = dynamic_cast<TvxShape*>(button->FindResource("background"));
  ASSERT_NE(background, nullptr);
  EXPECT_EQ(background->Fill()->Color(), 0xFFC02020u);
}

}  // namespace extra_controls_test
