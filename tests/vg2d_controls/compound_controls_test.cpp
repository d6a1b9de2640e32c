// Editor rows: the value labels of the track bar and angle bar rows, values handed to and
// from the inner controls, their change events passed on, and the parts written and read
// back under the row's property names.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ControlScene.h"
#include "platform/rtl/ObjectText.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/TypInfo.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/CompoundControls.h"

namespace compound_controls_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

class CompoundControls : public vgtest::ControlsTest {};

}  // namespace

TEST_F(CompoundControls, TrackBarRowShowsWholeOrFormattedValues) {
  ControlScene s;
  auto* row = s.Add(new TvxCompoundTrackBar(nullptr), 10, 10);
  EXPECT_EQ(row->Width(), 200.0f);
  EXPECT_EQ(row->Height(), 20.0f);
  EXPECT_EQ(row->TextLabel()->Text(), u"Caption");
  EXPECT_EQ(row->TextLabel()->Width(), 70.0f);
  EXPECT_EQ(row->ValueLabel()->Text(), u"0");
  // Setting the inner bar directly leaves the label until the next refresh.
  row->TrackBar()->SetValue(12);
  EXPECT_EQ(row->ValueLabel()->Text(), u"0");

  row->TrackBar()->SetFrequency(1);
  row->SetSuffix(u" rpm");
  row->SetValue(37.4f);
  EXPECT_EQ(row->Value(), 37.0f);
  EXPECT_EQ(row->ValueLabel()->Text(), u"37 rpm");

  row->TrackBar()->SetFrequency(0);
  row->SetSuffix(u"");
  row->SetDecimalDigits(1);
  row->SetValue(37.8f);
  EXPECT_EQ(row->ValueLabel()->Text(), u"37.8");
  row->SetValue(-0.04f);
  EXPECT_EQ(row->Value(), 0.0f);  // the bar keeps its range
  EXPECT_EQ(row->ValueLabel()->Text(), u"0.0");

  // A step with a fraction formats even whole values.
  row->TrackBar()->SetFrequency(0.5f);
  row->SetDecimalDigits(2);
  row->SetValue(2);
  EXPECT_EQ(row->ValueLabel()->Text(), u"2.00");
}

TEST_F(CompoundControls, AngleRowTruncatesTowardsZeroWithADegreeSign) {
  ControlScene s;
  auto* row = s.Add(new TvxCompoundAngleBar(nullptr), 10, 10);
  EXPECT_EQ(row->ValueLabel()->Text(), u"0");
  row->SetValue(-45.7f);
  EXPECT_EQ(row->ValueLabel()->Text(), u"-45\u00B0");
  int changes = 0;
  rtl::TObject* sender = nullptr;
  row->OnChange = [&](rtl::TObject* Sender) {
    ++changes;
    sender = Sender;
  };
  row->AngleButton()->SetValue(90.2f);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(sender, row->AngleButton());
  EXPECT_EQ(row->ValueLabel()->Text(), u"90\u00B0");
}

TEST_F(CompoundControls, RowsPassTheirInnerControlsChangesOn) {
  ControlScene s;
  auto* track = s.Add(new TvxCompoundTrackBar(nullptr), 0, 0);
  auto* text = s.Add(new TvxCompoundTextBox(nullptr), 0, 30);
  auto* number = s.Add(new TvxCompoundNumberBox(nullptr), 0, 60);
  EXPECT_EQ(text->Height(), 21.0f);
  std::vector<rtl::TObject*> senders;
  for (TvxCompoundControl* row : std::initializer_list<TvxCompoundControl*>{track, text, number})
    row->OnChange = [&](rtl::TObject* Sender) { senders.push_back(Sender); };
  track->SetValue(40);
  ASSERT_EQ(senders.size(), 1u);
  EXPECT_EQ(senders[0], track->TrackBar());

  text->SetValue(u"Valtek");
  EXPECT_EQ(text->TextBox()->Text(), u"Valtek");
  uint16_t enter = win::VK_RETURN;
  char16_t none = 0;
  text->TextBox()->KeyDown(enter, none, {});  // Enter reports the changed text
  ASSERT_EQ(senders.size(), 2u);
  EXPECT_EQ(senders[1], text->TextBox());
  EXPECT_EQ(text->Value(), u"Valtek");

  // A memo row hands out the memo's text and reports the memo's change.
  auto* memo = s.Add(new TvxCompoundMemo(nullptr), 0, 90);
  EXPECT_EQ(memo->Height(), 60.0f);
  memo->OnChange = [&](rtl::TObject* Sender) { senders.push_back(Sender); };
  memo->SetValue(u"line one\r\nline two");
  EXPECT_EQ(memo->Memo()->Text(), u"line one\r\nline two");
  memo->Memo()->Change();
  ASSERT_EQ(senders.size(), 3u);
  EXPECT_EQ(senders[2], memo->Memo());
  EXPECT_EQ(memo->Value(), u"line one\r\nline two");

  // The number box's own rules hold: the row reads back what the box keeps.
  number->NumberBox()->SetMax(50);
  number->SetValue(80);
  EXPECT_EQ(number->Value(), 50.0f);
}

TEST_F(CompoundControls, PopupColourAndImageRowsHandOverTheirInnerControls) {
  ControlScene s;
  auto* popup = s.Add(new TvxCompoundPopupBox(nullptr), 0, 0);
  auto* colour = s.Add(new TvxCompoundColorButton(nullptr), 0, 30);
  auto* image = s.Add(new TvxCompoundImage(nullptr), 0, 60);
  EXPECT_EQ(popup->Height(), 21.0f);
  EXPECT_EQ(image->Height(), 60.0f);
  EXPECT_EQ(dynamic_cast<TvxControl*>(colour->ColorButton()->Parent())->Width(), 60.0f);
  std::vector<rtl::TObject*> senders;
  for (TvxCompoundControl* row : std::initializer_list<TvxCompoundControl*>{popup, colour, image})
    row->OnChange = [&](rtl::TObject* Sender) { senders.push_back(Sender); };

  popup->PopupBox()->Items()->Add(u"sequential");
  popup->PopupBox()->Items()->Add(u"venturi");
  popup->SetValue(1);
  EXPECT_EQ(popup->PopupBox()->Text(), u"venturi");
  EXPECT_EQ(popup->Value(), 1);
  ASSERT_EQ(senders.size(), 1u);
  EXPECT_EQ(senders[0], popup->PopupBox());

  colour->SetValue("#FF00FF00");
  EXPECT_EQ(colour->ColorButton()->Color(), "#FF00FF00");
  EXPECT_EQ(colour->Value(), "#FF00FF00");
  ASSERT_EQ(senders.size(), 2u);
  EXPECT_EQ(senders[1], colour->ColorButton());

  // The image control reports a new picture once it is styled (shown).
  image->Image()->ApplyResource();
  TvxBitmap picture(4, 3);
  image->Image()->SetData(static_cast<rtl::TObject*>(&picture));
  EXPECT_EQ(image->Image()->Bitmap()->Width(), 4);
  ASSERT_EQ(senders.size(), 3u);
  EXPECT_EQ(senders[2], image->Image());
  EXPECT_EQ(rtl::GetPropInfo(image, "Value"), nullptr);

  // The popup row writes its choice with the box's items and reads both back.
  rtl::TMemoryStream stream;
  popup->SaveToBinaryStream(&stream);
  stream.SetPosition(0);
  auto copy = std::make_unique<TvxCompoundPopupBox>(nullptr);
  copy->LoadFromBinaryStream(&stream);
  EXPECT_EQ(copy->PopupBox()->Items()->GetCount(), 2);
  EXPECT_EQ(copy->Value(), 1);
  EXPECT_EQ(copy->PopupBox()->Text(), u"venturi");
}

TEST_F(CompoundControls, PartsAreWrittenUnderTheRowsPropertiesAndReadBack) {
  ControlScene s;
  auto* row = s.Add(new TvxCompoundTrackBar(nullptr), 0, 0);
  row->TextLabel()->SetText(u"Pressure");
  row->TrackBar()->SetMax(200);
  row->SetValue(150);
  row->SetSuffix(u" kPa");
  rtl::TMemoryStream stream;
  row->SaveToBinaryStream(&stream);

  // The text form names the parts' properties through the row.
  stream.SetPosition(0);
  rtl::TMemoryStream text;
  rtl::ObjectBinaryToText(&stream, &text);
  const std::string written(static_cast<const char*>(text.Memory()), static_cast<size_t>(text.Size()));
  EXPECT_NE(written.find("TextLabel.Text = 'Pressure'"), std::string::npos) << written;
  EXPECT_NE(written.find("TrackBar.Max = 200"), std::string::npos) << written;
  EXPECT_EQ(written.find("object TvxTrackBar"), std::string::npos) << written;

  stream.SetPosition(0);
  auto copy = std::make_unique<TvxCompoundTrackBar>(nullptr);
  const int parts = copy->GetChildrenCount();
  copy->LoadFromBinaryStream(&stream);
  EXPECT_EQ(copy->GetChildrenCount(), parts);
  EXPECT_EQ(copy->TextLabel()->Text(), u"Pressure");
  EXPECT_EQ(copy->TrackBar()->Max(), 200.0f);
  EXPECT_EQ(copy->Value(), 150.0f);
  EXPECT_EQ(copy->Suffix(), u" kPa");
}

}  // namespace compound_controls_test
