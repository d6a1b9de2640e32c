#include "app/ui/Page_CLB.h"

#include <cmath>

#include "app/core/Calibr_Ctrl.h"
#include "app/core/Calibr_Draw.h"
#include "app/core/Calibr_Map.h"
#include "app/core/Calibr_Unit.h"
#include "app/core/Colors_3D_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "app/core/Window_Texts.h"
#include "app/ui/Font_Unit.h"
#include "app/ui/Main_3D_Unit.h"
#include "app/ui/Window_Parts.h"
#include "platform/rtl/TypInfo.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/core/ImageShapes.h"
#include "vg2d/core/Shapes.h"

namespace app {

namespace {

constexpr float MarkerSize = 14;
// MAP markers start at this size (a later size is kept when they are made again).
constexpr float MapMarkerSize = 10;

const std::string& RoleColor(int Role) { return Model().Colors.ColorTable[static_cast<std::size_t>(Role)]; }

// A whole number of pixels never reaches a control from a value that is not finite.
float Px(double V) { return std::isfinite(V) ? static_cast<float>(V) : 0.0f; }

// Moves O only when its place changes: every move repaints the old and the new place, and
// a redraw (one per live-data reply) puts most shapes where they already are.
void PlaceAt(vg::TvxVisualObject* O, float X, float Y, float W, float H) {
  if (O->Position()->X() == X && O->Position()->Y() == Y && O->Width() == W && O->Height() == H) return;
  O->SetBounds(X, Y, W, H);
}
void PlaceBox(vg::TvxVisualObject* O, const TBox& B) { PlaceAt(O, Px(B.X), Px(B.Y), Px(B.Width), Px(B.Height)); }

// Frees a shape (with its children) and forgets it.
template <class T>
void FreeShape(T*& O) {
  if (!O) return;
  O->Free();
  O = nullptr;
}
template <class List>
void FreeEach(List& L) {
  for (auto*& o : L) FreeShape(o);
}
template <class T>
void FreeAll(std::vector<T*>& List) {
  FreeEach(List);
  List.clear();
}

vg::TvxCircle* MakeCircle(vg::TvxObject* Parent, float Size, int Role) {
  auto* c = new vg::TvxCircle(nullptr);
  c->SetParent(Parent);
  c->SetWidth(Size);
  c->SetHeight(Size);
  c->Fill()->SetStyle(vg::vgBrushSolid);
  c->Fill()->SetColor(RoleColor(Role));
  c->Stroke()->SetStyle(vg::vgBrushNone);
  return c;
}

// A line drawn along its top edge (or its left edge when Vertical); it takes no mouse.
vg::TvxLine* MakeLine(vg::TvxObject* Parent, float Thickness, int Role, bool Vertical = false) {
  auto* l = new vg::TvxLine(nullptr);
  l->SetParent(Parent);
  l->SetLineType(Vertical ? vg::vgLineVertical : vg::vgLineHorizontal);
  l->SetStrokeThickness(Thickness);
  l->Stroke()->SetStyle(vg::vgBrushSolid);
  l->Stroke()->SetColor(RoleColor(Role));
  l->SetHitTest(false);
  return l;
}

// A segment of the given thickness from its start, turned about that start.
void PlaceSegment(vg::TvxLine* L, const TSegment& S) {
  const float t = L->StrokeThickness();
  // Setting the centre repaints even when it stays: only a new line takes it.
  if (L->RotateCenter()->X() != 0 || L->RotateCenter()->Y() != 0.5f) L->RotateCenter()->SetPoint({0, 0.5f});
  PlaceAt(L, Px(S.X), Px(S.Y - t / 2), Px(S.Length), t);
  L->SetRotateAngle(Px(S.Angle));
}

vg::TvxHudLabel* MakeLabel(vg::TvxObject* Parent, const std::string& Text) {
  auto* l = new vg::TvxHudLabel(nullptr);
  l->SetParent(Parent);
  l->SetAutoSize(false);
  l->SetWordWrap(false);
  l->SetHitTest(false);
  l->SetText(ShownText(Text));
  return l;
}

vg::TvxHudButton* MakeButton(vg::TvxObject* Parent, const TBox& Box, const std::string& Text) {
  auto* b = new vg::TvxHudButton(nullptr);
  b->SetParent(Parent);
  PlaceBox(b, Box);
  b->SetCursor(win::crHandPoint);
  b->SetText(ShownText(Text));
  return b;
}

void Recolor(vg::TvxCircle* C, int Role) { C->Fill()->SetColor(RoleColor(Role)); }

// The settings' font on every text of a panel made at run time (its parts have no names).
void PanelFonts(vg::TvxObject* Panel) {
  if (!Panel) return;
  SetControlFont(Panel, true, true, 0, true);
  for (int i = 0; i < Panel->GetChildrenCount(); ++i) PanelFonts(Panel->GetChild(i));
}

}  // namespace

rtl::TClass TPage_CLB::StaticClass() {
  static const rtl::TClassInfo info = FormHandlers(rtl::DefineClass<TPage_CLB>()).Build();
  return &info;
}

TPage_CLB::TPage_CLB(rtl::TComponent* AOwner) : TWindowPage(AOwner) { SetName("Page_CLB"); }

void TPage_CLB::Load(vg::TvxTabItem* Item) {
  ReadPageText("PAGE_CLB", Item);
  BindFormParts(TPartBinder(this, PageName()), parts_);
}

// ---- building and drawing -----------------------------------------------------------------------

void TPage_CLB::BuildCalibrationDiagram() {
  if (built_) return;
  built_ = true;
  if (auto* main = dynamic_cast<TForm_3D_GEN*>(Window()))
    app::Model().Diagram.Timer_CLB_3D_Btn = main->Timer_CLB_3D_Btn();
  TDiagramParts& d = diagram_;
  vg::TvxImage* plot = parts_.Image_CLB_Diagram;
  // Named, so that the page's fonts (applied when the page is selected) reach them as well.
  for (std::size_t i = 0; i < d.GasLabels.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    d.GasLabels[i] = MakeLabel(parts_.Image_CLB_Scale_Gas, {});
    d.GasLabels[i]->SetName("Label_CLB_Scale_Gas_" + n);
    d.PressureLabels[i] = MakeLabel(parts_.Image_CLB_Scale_Manifuld, {});
    d.PressureLabels[i]->SetName("Label_CLB_Scale_Manifuld_" + n);
    d.PetrolLabels[i] = MakeLabel(parts_.Image_CLB_Scale_Petrol, {});
    d.PetrolLabels[i]->SetName("Label_CLB_Scale_Petrol_" + n);
  }
  for (vg::TvxLine*& l : d.HorizontalGrid) l = MakeLine(plot, 0, Color_Diagram_Grid);
  for (vg::TvxLine*& l : d.VerticalGrid) l = MakeLine(plot, 0, Color_Diagram_Grid, true);
  for (vg::TvxLine*& l : d.Segments) l = MakeLine(plot, 2, Color_Diagram);
  for (std::size_t i = 0; i < d.Markers.size(); ++i) {
    vg::TvxCircle* m = MakeCircle(plot, MarkerSize, Color_Diagram);
    m->SetTag(static_cast<int>(i) + 1);
    m->OnMouseDown = vg::TvxMouseEvent(this, &TPage_CLB::MarkerMouseDown);
    m->OnMouseMove = vg::TvxMouseMoveEvent(this, &TPage_CLB::MarkerMouseMove);
    m->OnMouseUp = vg::TvxMouseEvent(this, &TPage_CLB::MarkerMouseUp);
    d.Markers[i] = m;
  }
  for (vg::TvxLine*& l : d.Guides) l = MakeLine(plot, 1, Color_Diagram_Marked);
  d.Guides[0]->SetLineType(vg::vgLineVertical);
  d.Guides[1]->SetLineType(vg::vgLineVertical);
  for (vg::TvxLine* l : d.Guides) l->SetVisible(false);
  d.ManifoldMarker = MakeCircle(plot, MarkerSize, Color_Diagram_Vacuum);
  d.GasMarker = MakeCircle(plot, MarkerSize, Color_Diagram_Gas);
  for (vg::TvxCircle* m : {d.ManifoldMarker, d.GasMarker}) m->SetHitTest(false);
  // Over the live markers, as the MAP shapes made at a redraw were before it; it takes no
  // mouse, so the plot and the markers keep theirs.
  d.MapArea = new vg::TvxLayout(nullptr);
  d.MapArea->SetParent(plot);
  d.MapArea->SetAlign(vg::vaClient);
  d.MapArea->SetHitTest(false);
  d.MapArea->SetClipChildren(true);
  PlaceScales();
  fontsPending_ = true;
  QueueDiagramFonts();
}

// The scale labels take the fonts through the action queue once the window is shown (the
// diagram is built with the configuration, before the window shows and starts its queue).
void TPage_CLB::QueueDiagramFonts() {
  if (!fontsPending_ || !Model().Actions.MainWindowShown) return;
  fontsPending_ = false;
  QueueAction(Action_DiagramFonts, 100);
}

void TPage_CLB::PlaceScales() {
  const TPageCLBParts& p = parts_;
  TDiagramFrame f;
  f.PlotWidth = p.Image_CLB_Diagram->Width();
  f.PlotHeight = p.Image_CLB_Diagram->Height();
  f.GasScaleWidth = p.Image_CLB_Scale_Gas->Width();
  f.GasScaleHeight = p.Image_CLB_Scale_Gas->Height();
  f.ManifoldScaleWidth = p.Image_CLB_Scale_Manifuld->Width();
  f.PetrolScaleWidth = p.Image_CLB_Scale_Petrol->Width();
  f.PetrolScaleHeight = p.Image_CLB_Scale_Petrol->Height();
  const TDiagramScales s = PlaceDiagramScales(f);
  TDiagramParts& d = diagram_;
  for (std::size_t i = 0; i < d.GasLabels.size(); ++i) {
    const std::pair<vg::TvxHudLabel*, const TScaleLabel*> labels[] = {
        {d.GasLabels[i], &s.GasLabels[i]}, {d.PressureLabels[i], &s.PressureLabels[i]},
        {d.PetrolLabels[i], &s.PetrolLabels[i]}};
    for (const auto& [label, place] : labels) {
      label->SetText(ShownText(place->Text));
      PlaceBox(label, place->Box);
    }
  }
  for (std::size_t i = 0; i < d.HorizontalGrid.size(); ++i) PlaceBox(d.HorizontalGrid[i], s.HorizontalGrid[i]);
  for (std::size_t i = 0; i < d.VerticalGrid.size(); ++i) PlaceBox(d.VerticalGrid[i], s.VerticalGrid[i]);
}

void TPage_CLB::PageShown() {
  if (redrawPending_) RedrawCalibrationDiagram();
}

void TPage_CLB::RedrawCalibrationDiagram() {
  if (!built_) return;
  redrawPending_ = !Shown();
  if (redrawPending_) return;
  QueueDiagramFonts();
  TDiagramParts& d = diagram_;
  vg::TvxImage* plot = parts_.Image_CLB_Diagram;
  TDiagramShapes shapes;
  if (!PlaceDiagramShapes(plot->Width(), plot->Height(), MarkerSize, MarkerSize, shapes)) return;
  for (std::size_t i = 0; i < d.Markers.size(); ++i) PlaceBox(d.Markers[i], shapes.Markers[i]);
  for (std::size_t k = 0; k < d.Segments.size(); ++k) PlaceSegment(d.Segments[k], shapes.Segments[k]);
  if (shapes.Proposal) {
    if (!d.ProposalMarkers[0]) {
      for (vg::TvxLine*& l : d.ProposalSegments) l = MakeLine(plot, 2, Color_Diagram_ReCalc);
      for (vg::TvxCircle*& m : d.ProposalMarkers) {
        m = MakeCircle(plot, MarkerSize, Color_Diagram_ReCalc);
        m->SetHitTest(false);
      }
    }
    for (std::size_t i = 0; i < d.ProposalMarkers.size(); ++i) PlaceBox(d.ProposalMarkers[i], shapes.ProposalMarkers[i]);
    for (std::size_t k = 0; k < d.ProposalSegments.size(); ++k)
      PlaceSegment(d.ProposalSegments[k], shapes.ProposalSegments[k]);
  } else {
    FreeEach(d.ProposalMarkers);
    FreeEach(d.ProposalSegments);
  }
  app::DrawDiagramState();
}

void TPage_CLB::DrawDiagramState() {
  if (!built_) return;
  if (!Shown() || redrawPending_) {
    if (Shown()) return RedrawCalibrationDiagram();
    redrawPending_ = true;
    return;
  }
  TDiagramParts& d = diagram_;
  vg::TvxImage* plot = parts_.Image_CLB_Diagram;
  const float mapSize = d.GasPoints.empty() ? MapMarkerSize : d.GasPoints.front()->Width();
  TDiagramLook look;
  if (!DiagramLook(plot->Width(), plot->Height(), mapSize, look)) return;
  for (std::size_t i = 0; i < d.Markers.size(); ++i) Recolor(d.Markers[i], look.MarkerColors[i]);
  for (std::size_t k = 0; k < d.Guides.size(); ++k) {
    d.Guides[k]->SetVisible(look.GuidesShown);
    if (look.GuidesShown) PlaceBox(d.Guides[k], look.Guides[k]);
  }
  DrawMapShapes(look);
  const float live = Px(look.LiveX);
  PlaceAt(d.GasMarker, live - MarkerSize / 2, Px(look.LiveGasY) - MarkerSize / 2, MarkerSize, MarkerSize);
  Recolor(d.GasMarker, Color_Diagram_Gas);
  d.ManifoldMarker->SetVisible(look.ManifoldShown);
  if (look.ManifoldShown) {
    PlaceAt(d.ManifoldMarker, live - MarkerSize / 2, Px(look.LiveManifoldY) - MarkerSize / 2, MarkerSize,
            MarkerSize);
    Recolor(d.ManifoldMarker, Color_Diagram_Vacuum);
  }
  Recolor(parts_.Circle_CLB_Gas, Color_Diagram_Gas);
  Recolor(parts_.Circle_CLB_Manifuld, Color_Diagram_Vacuum);
}

// The MAP shapes are kept from one redraw to the next while their numbers stay (a redraw
// comes with every live-data reply); they go when collection stops.
void TPage_CLB::DrawMapShapes(const TDiagramLook& Look) {
  if (!Look.SaveMap) return FreeMapShapes();
  TDiagramParts& d = diagram_;
  vg::TvxVisualObject* area = d.MapArea;
  const auto bars = static_cast<std::size_t>(Look.PairCount);
  if (d.PairBars.size() != bars) {
    FreeAll(d.PairBars);
    for (std::size_t k = 0; k < bars; ++k) d.PairBars.push_back(MakeLine(area, 2, Color_Map_Point_Line));
  }
  for (std::size_t k = 0; k < bars; ++k) {
    PlaceBox(d.PairBars[k], Look.PairBars[k]);
    // The fill tells a pair that asks for a correction; a line shows its stroke only.
    d.PairBars[k]->Fill()->SetColor(Look.PairWide[k] ? RoleColor(Color_Map_Point_Gas) : "#FF000000");
  }
  auto points = [&](const TMapPointShapes& S, std::vector<vg::TvxCircle*>& Markers, std::vector<vg::TvxLine*>& Lines,
                    int Role) {
    const auto n = static_cast<std::size_t>(S.Count);
    if (Markers.size() != n) {
      const float size = Markers.empty() ? MapMarkerSize : Markers.front()->Width();
      FreeAll(Markers);
      FreeAll(Lines);
      for (std::size_t k = 0; k + 1 < n; ++k) Lines.push_back(MakeLine(area, 2, Role));
      for (std::size_t k = 0; k < n; ++k) {
        Markers.push_back(MakeCircle(area, size, Role));
        Markers.back()->SetHitTest(false);
      }
    }
    for (std::size_t k = 0; k < n; ++k) PlaceBox(Markers[k], S.Markers[k]);
    for (std::size_t k = 0; k + 1 < n; ++k) PlaceSegment(Lines[k], S.Lines[k]);
  };
  points(Look.GasPoints, d.GasPoints, d.GasLines, Color_Map_Point_Gas);
  points(Look.PetrolPoints, d.PetrolPoints, d.PetrolLines, Color_Map_Point_Petrol);
}

void TPage_CLB::FreeMapShapes() {
  TDiagramParts& d = diagram_;
  FreeAll(d.PairBars);
  FreeAll(d.GasPoints);
  FreeAll(d.GasLines);
  FreeAll(d.PetrolPoints);
  FreeAll(d.PetrolLines);
}

void TPage_CLB::ShowDiagramPosition(const std::string& Text) {
  parts_.HudLabel_CLB_Position->SetText(ShownText(Text));
}

// ---- panels over the plot -----------------------------------------------------------------------

void TPage_CLB::ShowDiagramHistoryPanel() {
  TDiagramParts& d = diagram_;
  if (d.HistoryPanel) return;
  const THistoryPanelLayout l =
      HistoryPanelLayout(app::Model().Diagram.HistoryPanelX, app::Model().Diagram.HistoryPanelY);
  d.HistoryPanel = new vg::TvxHudPanel(nullptr);
  d.HistoryPanel->SetParent(parts_.Image_CLB_Diagram);
  PlaceBox(d.HistoryPanel, l.Panel);
  vg::TvxHudLabel* title = MakeLabel(d.HistoryPanel, KeyText("CLB_History_Diagram"));
  PlaceBox(title, l.Title);
  title->SetTextAlign(vg::vgTextAlignCenter);
  d.HistoryBack = MakeButton(d.HistoryPanel, l.Back, KeyText("CLB_History_Back"));
  d.HistoryBack->SetEnabled(CanStepBack());
  d.HistoryBack->OnClick = rtl::TNotifyEvent(this, &TPage_CLB::HistoryBackClick);
  d.HistoryForward = MakeButton(d.HistoryPanel, l.Forward, KeyText("CLB_History_Forward"));
  d.HistoryForward->SetEnabled(CanStepForward());
  d.HistoryForward->OnClick = rtl::TNotifyEvent(this, &TPage_CLB::HistoryForwardClick);
}

void TPage_CLB::CloseDiagramHistoryPanel() {
  TDiagramParts& d = diagram_;
  FreeShape(d.HistoryPanel);  // with its title and buttons
  d.HistoryBack = d.HistoryForward = nullptr;
}

void TPage_CLB::MapPromptChanged() {
  const TMapPrompt& m = app::Model().Diagram.MapPrompt;
  TDiagramParts& d = diagram_;
  if (!m.Open) {
    FreePrompt();
    return;
  }
  if (d.Prompt && (d.PromptSecond != nullptr) != m.YesNo) FreePrompt();
  if (!d.Prompt) {
    vg::TvxImage* plot = parts_.Image_CLB_Diagram;
    const TMapPromptLayout l = MapPromptLayout(plot->Width(), plot->Height(), m.YesNo);
    d.Prompt = new vg::TvxHudPanel(nullptr);
    d.Prompt->SetParent(plot);
    d.Prompt->SetOpacity(1);
    PlaceBox(d.Prompt, l.Outer);
    auto* inner = new vg::TvxHudPanel(nullptr);
    inner->SetParent(d.Prompt);
    PlaceBox(inner, l.Inner);
    d.PromptText = MakeLabel(inner, {});
    d.PromptText->SetBounds(0, 0, Px(l.Inner.Width), Px(l.Inner.Height));
    d.PromptText->SetWordWrap(true);
    d.PromptText->SetTextAlign(vg::vgTextAlignCenter);
    // The single button says OK in every language that does not name it otherwise.
    std::string first = KeyText(m.YesNo ? "Yes" : "OK");
    if (first.empty() && !m.YesNo) first = "OK";
    d.PromptFirst = MakeButton(d.Prompt, l.First, first);
    d.PromptFirst->OnClick = rtl::TNotifyEvent(this, &TPage_CLB::PromptFirstClick);
    if (m.YesNo) {
      d.PromptSecond = MakeButton(d.Prompt, l.Second, KeyText("No"));
      d.PromptSecond->OnClick = rtl::TNotifyEvent(this, &TPage_CLB::PromptSecondClick);
    }
  }
  d.PromptText->SetText(ShownKeyText(m.TextKey));
}

void TPage_CLB::FreePrompt() {
  TDiagramParts& d = diagram_;
  FreeShape(d.Prompt);  // with its inner panel, text and buttons
  d.PromptText = nullptr;
  d.PromptFirst = d.PromptSecond = nullptr;
}

void TPage_CLB::CloseMapPrompt() { app::CloseMapPrompt(); }

void TPage_CLB::EnableMapPointControls() { app::EnableMapPointControls(); }

void TPage_CLB::ShowMapPointControls() {
  const TMapPointControls c = MapPointControls();
  const TPageCLBParts& p = parts_;
  p.HudLabel_CLB_Scale_Manifuld->SetVisible(c.ScaleShown);
  p.Image_CLB_Scale_Manifuld->SetVisible(c.ScaleShown);
  for (vg::TvxHudButton* b : {p.HudButton_CLB_MAP_To_Count, p.HudButton_CLB_MAP_Del_Gas, p.HudButton_CLB_MAP_Del_Petrol})
    b->SetEnabled(c.ButtonsEnabled);
  p.Circle_CLB_Manifuld->SetVisible(c.LegendShown);
  p.HudLabel_CLB_Manifuld->SetVisible(c.LegendShown);
}

void TPage_CLB::ApplyPartFonts(std::uint8_t Code) {
  TDiagramParts& d = diagram_;
  switch (Code) {
    case Action_HistoryPanelFonts: PanelFonts(d.HistoryPanel); break;
    case Action_MapPromptFonts: PanelFonts(d.Prompt); break;
    case Action_DiagramFonts:
      for (std::size_t i = 0; i < d.GasLabels.size(); ++i)
        for (vg::TvxHudLabel* l : {d.GasLabels[i], d.PressureLabels[i], d.PetrolLabels[i]})
          SetControlFont(l, true, true, 0, true);
      break;
    default: break;
  }
}

// ---- input --------------------------------------------------------------------------------------

void TPage_CLB::DiagramKeyDown(std::uint16_t Key) {
  switch (Key) {
    case win::VK_ESCAPE: app::DiagramKeyDown(TDiagramKey::Escape); break;
    case win::VK_LEFT: app::DiagramKeyDown(TDiagramKey::Left); break;
    case win::VK_RIGHT: app::DiagramKeyDown(TDiagramKey::Right); break;
    case win::VK_UP: app::DiagramKeyDown(TDiagramKey::Up); break;
    case win::VK_DOWN: app::DiagramKeyDown(TDiagramKey::Down); break;
    default: break;
  }
}

void TPage_CLB::KeyRepeatEnded() { app::KeyRepeatEnded(); }

void TPage_CLB::Image_CLB_DiagramMouseDown(rtl::TObject*, rtl::TMouseButton Button, rtl::TShiftState, float X,
                                           float Y) {
  app::DiagramMouseDown(Button, X, Y);
}

void TPage_CLB::Image_CLB_DiagramMouseMove(rtl::TObject*, rtl::TShiftState Shift, float X, float Y, float, float) {
  app::DiagramMouseMove(Shift.Contains(rtl::ssLeft), X, Y);
}

void TPage_CLB::Image_CLB_DiagramMouseUp(rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, float X, float Y) {
  app::DiagramMouseUp(X, Y);
}

void TPage_CLB::MarkerMouseDown(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState, float X, float Y) {
  if (auto* m = dynamic_cast<vg::TvxVisualObject*>(Sender)) app::DiagramMarkerMouseDown(m->Tag(), Button, X, Y);
}

void TPage_CLB::MarkerMouseMove(rtl::TObject* Sender, rtl::TShiftState, float X, float Y, float, float) {
  if (auto* m = dynamic_cast<vg::TvxVisualObject*>(Sender)) app::DiagramMarkerMouseMove(m->Tag(), X, Y);
}

void TPage_CLB::MarkerMouseUp(rtl::TObject* Sender, rtl::TMouseButton, rtl::TShiftState, float, float) {
  if (auto* m = dynamic_cast<vg::TvxVisualObject*>(Sender)) app::DiagramMarkerMouseUp(m->Tag());
}

void TPage_CLB::HistoryBackClick(rtl::TObject*) { HistoryStepBack(); }
void TPage_CLB::HistoryForwardClick(rtl::TObject*) { HistoryStepForward(); }
void TPage_CLB::PromptFirstClick(rtl::TObject*) { MapPromptFirstButton(); }
void TPage_CLB::PromptSecondClick(rtl::TObject*) { MapPromptSecondButton(); }

void TPage_CLB::HudButton_CLB_MAP_StartClick(rtl::TObject*) { MapCollectionStart(); }
void TPage_CLB::HudButton_CLB_MAP_StopClick(rtl::TObject*) { MapCollectionStop(); }
void TPage_CLB::HudButton_CLB_MAP_To_CountClick(rtl::TObject*) { CheckMapPointCount(); }
void TPage_CLB::HudButton_CLB_MAP_Del_GasClick(rtl::TObject*) { DeleteGasMapPoints(); }
void TPage_CLB::HudButton_CLB_MAP_Del_PetrolClick(rtl::TObject*) { DeletePetrolMapPoints(); }

// ---- the end ------------------------------------------------------------------------------------

void TPage_CLB::Release() {
  if (!built_) return;
  built_ = false;
  app::Model().Diagram.Timer_CLB_3D_Btn = nullptr;
  CloseDiagramHistoryPanel();
  FreePrompt();
  FreeMapShapes();
  TDiagramParts& d = diagram_;
  FreeEach(d.ProposalMarkers);
  FreeEach(d.ProposalSegments);
  FreeEach(d.Guides);
  FreeEach(d.Markers);
  FreeEach(d.Segments);
  FreeEach(d.HorizontalGrid);
  FreeEach(d.VerticalGrid);
  FreeEach(d.GasLabels);
  FreeEach(d.PressureLabels);
  FreeEach(d.PetrolLabels);
  FreeShape(d.GasMarker);
  FreeShape(d.ManifoldMarker);
  FreeShape(d.MapArea);
}

}  // namespace app
