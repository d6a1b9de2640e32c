#include "app/ui/Page_MAP.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/core/General_Unit.h"
#include "app/core/Model.h"
#include "app/core/Window_Texts.h"
#include "app/ui/Main_3D_Unit.h"
#include "app/ui/Window_Parts.h"
#include "platform/loop/Timer.h"
#include "platform/rtl/TypInfo.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/core/Shapes.h"

namespace app {

namespace {

constexpr float GridMargin = 3;
constexpr float CellRadius = 3;
constexpr float FrameOpacity = 0.35f;  // a frame without the focus
constexpr const char* DarkText = "#FF000000";
constexpr const char* LightText = "#FFFFFFFF";

// The relative luminance of "#AARRGGBB" (sRGB), for the text drawn on a background.
double Luminance(const std::string& Color) {
  if (Color.size() != 9 || Color[0] != '#') return 0;
  const unsigned long argb = std::strtoul(Color.c_str() + 1, nullptr, 16);
  auto channel = [](unsigned long v) {
    const double c = static_cast<double>(v & 0xFF) / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(argb >> 16) + 0.7152 * channel(argb >> 8) + 0.0722 * channel(argb);
}

// Black or white, whichever stands out more against Background.
const char* TextOn(const std::string& Background) {
  const double l = Luminance(Background);
  return (l + 0.05) / 0.05 >= 1.05 / (l + 0.05) ? DarkText : LightText;
}

std::u16string Ascii(const std::string& Text) { return std::u16string(Text.begin(), Text.end()); }

}  // namespace

rtl::TClass TPage_MAP::StaticClass() {
  static const rtl::TClassInfo info = FormHandlers(rtl::DefineClass<TPage_MAP>()).Build();
  return &info;
}

TPage_MAP::TPage_MAP(rtl::TComponent* AOwner) : TWindowPage(AOwner) { SetName("Page_MAP"); }

void TPage_MAP::Load(vg::TvxTabItem* Item) {
  ReadPageText("PAGE_MAP", Item);
  BindFormParts(TPartBinder(this, PageName()), parts_);
  BuildGrid();
  RedrawMapRPM();
}

void TPage_MAP::BuildGrid() {
  vg::TvxHudPanel* panel = parts_.HudPanel_3D_MapRPM;
  for (int i = 0; i < MapRPMRowCount; ++i)
    for (int j = 0; j < MapRPMColumnCount; ++j) {
      TMapCell& cell = cells_[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
      cell.Frame = new vg::TvxHudPanel(this);
      cell.Frame->SetHitTest(false);
      cell.Frame->SetOpacity(FrameOpacity);
      panel->AddObject(cell.Frame);
      cell.Background = new vg::TvxRectangle(this);
      cell.Background->SetHitTest(false);
      cell.Background->SetxRadius(CellRadius);
      cell.Background->SetyRadius(CellRadius);
      cell.Background->Stroke()->SetStyle(vg::vgBrushNone);
      cell.Background->SetVisible(false);
      panel->AddObject(cell.Background);
      cell.Label = new vg::TvxHudLabel(this);
      cell.Label->SetWordWrap(false);
      cell.Label->SetTextAlign(vg::vgTextAlignCenter);
      cell.Label->SetVertTextAlign(vg::vgTextAlignCenter);
      cell.Label->SetHitTest(true);
      cell.Label->OnMouseMove = vg::TvxMouseMoveEvent(this, &TPage_MAP::CellMouseMove);
      cell.Label->OnMouseDown = vg::TvxMouseEvent(this, &TPage_MAP::CellMouseDown);
      cell.Label->OnMouseUp = vg::TvxMouseEvent(this, &TPage_MAP::CellMouseUp);
      cell.Label->OnKillFocus = rtl::TNotifyEvent(this, &TPage_MAP::CellKillFocus);
      panel->AddObject(cell.Label);
    }
  PlaceGrid();
}

void TPage_MAP::PlaceGrid() {
  const vg::TvxHudPanel* panel = parts_.HudPanel_3D_MapRPM;
  cellWidth_ = std::max(1.0f, (panel->Width() - 2 * GridMargin) / MapRPMRowCount);
  cellHeight_ = std::max(1.0f, (panel->Height() - 2 * GridMargin) / MapRPMColumnCount);
  for (int i = 0; i < MapRPMRowCount; ++i)
    for (int j = 0; j < MapRPMColumnCount; ++j) {
      const TMapCell& cell = Cell(i, j);
      if (!cell.Frame) return;
      const float x = GridMargin + static_cast<float>(i) * cellWidth_;
      const float y = GridMargin + static_cast<float>(j) * cellHeight_;
      cell.Frame->Position()->SetPoint({x, y});
      cell.Frame->SetWidth(cellWidth_);
      cell.Frame->SetHeight(cellHeight_);
      for (vg::TvxVisualObject* inner : {static_cast<vg::TvxVisualObject*>(cell.Background),
                                         static_cast<vg::TvxVisualObject*>(cell.Label)}) {
        inner->Position()->SetPoint({x + GridMargin, y + GridMargin});
        inner->SetWidth(std::max(1.0f, cellWidth_ - 2 * GridMargin));
        inner->SetHeight(std::max(1.0f, cellHeight_ - 2 * GridMargin));
      }
    }
}

TMapRPMItem TPage_MAP::ItemAtPanelPoint(float X, float Y) const {
  if (cellWidth_ <= 0 || cellHeight_ <= 0) return {};
  const int row = static_cast<int>(std::floor((X - GridMargin) / cellWidth_));
  const int col = static_cast<int>(std::floor((Y - GridMargin) / cellHeight_));
  if (row < 0 || col < 0 || row >= MapRPMRowCount || col >= MapRPMColumnCount) return {};
  return {row, col};
}

TMapRPMItem TPage_MAP::ItemAtLabelPoint(rtl::TObject* Sender, float X, float Y) const {
  // Through the panel's coordinates, so that a move reported to the label where a press
  // began still names the item under the pointer.
  const auto* label = dynamic_cast<vg::TvxVisualObject*>(Sender);
  if (!label) return {};
  return ItemAtPanelPoint(label->Position()->X() + X, label->Position()->Y() + Y);
}

void TPage_MAP::ApplyGridFont() {
  // The settings' family and style; the size as set, at least 11 and at most half a cell's
  // height, so that a value always fits its cell.
  const float size = std::clamp(Model().Settings.Font_Size, 11.0f, std::max(11.0f, cellHeight_ / 2));
  const int style = std::clamp(Model().Settings.Font_Style, 0, 3);
  if (gridFontName_ == Model().Settings.Font_Name && gridFontSize_ == size && gridFontStyle_ == style) return;
  gridFontName_ = Model().Settings.Font_Name;
  gridFontSize_ = size;
  gridFontStyle_ = style;
  for (const auto& row : cells_)
    for (const TMapCell& cell : row) {
      cell.Label->Font()->SetFamily(gridFontName_);
      cell.Label->Font()->SetSize(size);
      cell.Label->Font()->SetStyle(static_cast<vg::TvxFontStyle>(style));
    }
}

void TPage_MAP::PageShown() {
  if (redrawPending_) RedrawMapRPM();
}

void TPage_MAP::RedrawMapRPM() {
  if (!Cell(0, 0).Label) return;
  redrawPending_ = !Shown();
  if (redrawPending_) return;
  ApplyGridFont();
  // The time break points' kind name, once per language (the store may be gone by now).
  if (timeKindLanguage_ != CurrentLanguage()) {
    timeKindLanguage_ = CurrentLanguage();
    Model().MapRPM.TimeKindText = KeyTextReadingFile(MapRPMTimeKindKey);
  }
  for (int i = 0; i < MapRPMRowCount; ++i)
    for (int j = 0; j < MapRPMColumnCount; ++j) {
      const TMapCell& cell = Cell(i, j);
      const std::u16string text =
          Ascii(Model().MapRPM.MapRPMTexts[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)]);
      if (cell.Label->Text() != text) cell.Label->SetText(text);
      const TMapRPMLook look = MapRPMItemLook(i, j);
      const std::string background = MapRPMLookColor(look);
      const bool shown = look != TMapRPMLook::Plain && !background.empty();
      cell.Background->SetVisible(shown);
      if (shown) cell.Background->Fill()->SetColor(background);
      cell.Label->FontFill()->SetColor(shown ? TextOn(background) : Model().Settings.Font_Color);
      const bool focused = MapRPMItemKind(Model().MapRPM.Focused) != TMapRPMItemKind::None &&
                           Model().MapRPM.Focused == TMapRPMItem{i, j};
      cell.Frame->SetOpacity(focused ? 1.0f : FrameOpacity);
    }
  vg::TvxHudLabel* data = parts_.HudLabel_3D_MapRPM_CellData;
  // Set only when changed: a live-data reply redraws, and the label need not repaint then.
  if (const std::u16string text = ShownText(MapRPMCellData()); data->Text() != text) data->SetText(text);
  data->FontFill()->SetColor(MapRPMCellDataColor());
}

void TPage_MAP::UpdateTailTimer() {
  if (auto* main = dynamic_cast<TForm_3D_GEN*>(Window()))
    if (rtl::TTimer* timer = main->Timer_3D_MapRPM_Tail()) timer->SetEnabled(Model().MapRPM.TrailTimerOn);
}

void TPage_MAP::MarkMapRPMLiveCell() {
  app::MarkMapRPMLiveCell();
  UpdateTailTimer();
}

void TPage_MAP::TailTick() {
  MapRPMTrailTick();
  UpdateTailTimer();
}

void TPage_MAP::MapKeyDown(std::uint16_t Key, rtl::TShiftState Shift) {
  TMapRPMKey key;
  switch (Key) {
    case win::VK_LEFT: key = TMapRPMKey::Left; break;
    case win::VK_RIGHT: key = TMapRPMKey::Right; break;
    case win::VK_UP: key = TMapRPMKey::Up; break;
    case win::VK_DOWN: key = TMapRPMKey::Down; break;
    case win::VK_RETURN: key = TMapRPMKey::Enter; break;
    case win::VK_ESCAPE: key = TMapRPMKey::Escape; break;
    case win::VK_SHIFT: key = TMapRPMKey::Shift; break;
    default: return;
  }
  MapRPMKeyDown(key, Shift.Contains(rtl::ssShift));
  const TMapRPMItem focused = Model().MapRPM.Focused;
  if (key == TMapRPMKey::Enter && Model().MapRPM.Editing && MapRPMItemKind(focused) != TMapRPMItemKind::None) {
    // The label is focusable only while it holds the focus, so Tab and the mouse pass the
    // grid by as before.
    vg::TvxHudLabel* label = Cell(focused.Row, focused.Col).Label;
    label->SetCanFocused(true);
    label->SetFocus();
  }
}

void TPage_MAP::CellKillFocus(rtl::TObject* Sender) {
  if (auto* label = dynamic_cast<vg::TvxHudLabel*>(Sender)) label->SetCanFocused(false);
}

void TPage_MAP::ShiftReleased() { MapRPMShiftReleased(); }

void TPage_MAP::HudButton_3D_MapRPM_ClearClick(rtl::TObject*) { MapRPMClear(); }
void TPage_MAP::HudButton_3D_MapRPM_DefaultClick(rtl::TObject*) { MapRPMDefault(); }

void TPage_MAP::CellMouseMove(rtl::TObject* Sender, rtl::TShiftState, float X, float Y, float, float) {
  MapRPMMouseMove(ItemAtLabelPoint(Sender, X, Y));
}

void TPage_MAP::CellMouseDown(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState, float X, float Y) {
  if (Button == rtl::mbMiddle) return;
  MapRPMMouseDown(ItemAtLabelPoint(Sender, X, Y), Button == rtl::mbLeft);
}

void TPage_MAP::CellMouseUp(rtl::TObject* Sender, rtl::TMouseButton, rtl::TShiftState, float X, float Y) {
  MapRPMMouseUp(ItemAtLabelPoint(Sender, X, Y));
}

}  // namespace app
