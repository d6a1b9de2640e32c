// Paint values inside a component stream: what is written, and that it reads back.
#include <gtest/gtest.h>

#include <string>

#include "PaintFakes.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/ObjectText.h"
#include "platform/rtl/Streams.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/Brushes.h"
#include "vg2d/core/PathData.h"

namespace paint_stream_test {

namespace {

using namespace vg;

// A shape-like component owning a fill, a path and a picture.
class PaintHolder : public rtl::TComponent {
  RTL_CLASS(PaintHolder, rtl::TComponent)
public:
  explicit PaintHolder(rtl::TComponent* AOwner = nullptr) : rtl::TComponent(AOwner) {}
  TvxBrush* Fill() const { return fill_.get(); }
  void SetFill(TvxBrush* Value) { fill_->Assign(Value); }
  TvxPathData* Shape() const { return shape_.get(); }
  void SetShape(TvxPathData* Value) { shape_->Assign(Value); }
  TvxBitmap* Picture() const { return picture_.get(); }
  void SetPicture(TvxBitmap* Value) { picture_->Assign(Value); }
  TvxFont* Font() const { return font_.get(); }
  void SetFont(TvxFont* Value) { font_->Assign(Value); }

private:
  std::unique_ptr<TvxBrush> fill_ = std::make_unique<TvxBrush>(vgBrushSolid, 0xFFFFFFFF);
  std::unique_ptr<TvxPathData> shape_ = std::make_unique<TvxPathData>();
  std::unique_ptr<TvxBitmap> picture_ = std::make_unique<TvxBitmap>();
  std::unique_ptr<TvxFont> font_ = std::make_unique<TvxFont>();
};

rtl::TClass PaintHolder::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<PaintHolder>()
                                          .Property("Fill", &PaintHolder::Fill, &PaintHolder::SetFill)
                                          .Property("Shape", &PaintHolder::Shape, &PaintHolder::SetShape)
                                          .Property("Picture", &PaintHolder::Picture, &PaintHolder::SetPicture)
                                          .Property("Font", &PaintHolder::Font, &PaintHolder::SetFont)
                                          .Build();
  return &info;
}

std::string Binary(PaintHolder& H) {
  rtl::TMemoryStream s;
  {
    rtl::TWriter w(&s);
    w.WriteRootComponent(&H);
  }
  return std::string(static_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

std::string Text(PaintHolder& H) {
  rtl::TStringStream bin(Binary(H)), text;
  rtl::ObjectBinaryToText(&bin, &text);
  return text.DataString();
}

void Read(const std::string& BinaryForm, PaintHolder& Into) {
  rtl::TStringStream s(BinaryForm);
  rtl::TReader r(&s);
  r.ReadRootComponent(&Into);
}

TEST(PaintStream, DefaultValuesWriteNothingAndAColourOnlyItself) {
  PaintHolder h;
  EXPECT_EQ(Text(h), "object PaintHolder\r\nend\r\n");
  h.Fill()->SetColor("#FF000000");
  EXPECT_EQ(Text(h), "object PaintHolder\r\n  Fill.Color = '#FF000000'\r\nend\r\n");
}

TEST(PaintStream, GradientPathPictureAndFontReadBack) {
  vgtest::FilterScope codec;
  PaintHolder h;
  h.Fill()->SetStyle(vgBrushGradient);
  h.Fill()->Gradient()->Points()->GetPoint(1)->SetColor("#FF123456");
  h.Fill()->Gradient()->SetStyle(vgRadialGradient);
  h.Shape()->SetData("M 0,0 L 10,0 L 10,10 Z");
  h.Picture()->SetSize(2, 1);
  h.Picture()->Bits()[1] = 0xFF00FF00;
  h.Font()->SetFamily("Sans");
  const std::string bin = Binary(h);

  PaintHolder back;
  Read(bin, back);
  EXPECT_EQ(back.Fill()->Style(), vgBrushGradient);
  EXPECT_EQ(back.Fill()->Gradient()->Style(), vgRadialGradient);
  ASSERT_EQ(back.Fill()->Gradient()->Points()->Count(), 2);
  EXPECT_EQ(back.Fill()->Gradient()->Points()->GetPoint(1)->IntColor(), 0xFF123456u);
  EXPECT_EQ(back.Shape()->Points(), h.Shape()->Points());
  ASSERT_EQ(back.Picture()->Width(), 2);
  EXPECT_EQ(back.Picture()->Bits()[1], 0xFF00FF00u);
  EXPECT_EQ(vgtest::FakeFilter::LastFormat, "png");  // one transparent pixel
  EXPECT_EQ(back.Font()->Family(), "Sans");
  EXPECT_EQ(back.Font()->Size(), 11);
}

}  // namespace

}  // namespace paint_stream_test
