#include "app/ui/Font_Unit.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/core/Colors_3D_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/Model.h"
#include "app/ui/Main_3D_Unit.h"
#include "app/ui/Window_Page.h"
#include "scene3d/ObjectLayer.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/ListBox.h"
#include "vg2d/controls/Memo.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Canvas.h"
#include "vg2d/core/PathData.h"
#include "vg2d/core/Shapes.h"

namespace app {

namespace {

// Size: the size to set, none to leave it.
void SetFont(vg::TvxFont* Font, bool Family, std::optional<float> Size, bool Style) {
  if (Family) Font->SetFamily(Model().Settings.Font_Name);
  if (Size) Font->SetSize(*Size);
  if (Style) Font->SetStyle(static_cast<vg::TvxFontStyle>(std::clamp(Model().Settings.Font_Style, 0, 3)));
}

std::string RoleColor(int Role) {
  return Role < ColorRoleCount ? Model().Colors.ColorTable[static_cast<std::size_t>(Role)]
                               : Model().Colors.ColorTable[0];
}

// The controls whose colour the link sets as it goes (port state, work mode): they take the
// font but keep their colour.
bool ColorKeptByLink(const vg::TvxObject* Object) {
  const std::string& n = Object->Name();
  return n == "HudLabel_Port_Name" || n == "HudLabel_Work_Mode";
}

// A text that does not fit its control at the chosen size is not drawn smaller than this (the
// smallest readable size of the Hud look); one that does not fit even so is cut as before.
constexpr float SmallestFittedSize = 11;
// A fitted text keeps this much room at either end.
constexpr float FitMargin = 2;
// A fitted text's glyphs stay within its room, and this far off a frame its control draws
// around it (a button's edge).
constexpr float FrameGap = 1;
// Glyphs fitted to whole pixels may stand up to this much lower than their outlines.
constexpr float GridDrop = 1;
// A line of text is about this many times its font's size high.
constexpr float LineHeight = 1.2f;
// Sizes are tried in steps of this much.
constexpr float FitStep = 0.5f;

// The room a control has for its one line of text, and what it shows there.
struct TOneLine {
  std::vector<std::u16string> Texts;
  float Width = 0, Height = 0;
  vg::TvxFont* Font = nullptr;
  // How the line stands in its room's height.
  vg::TvxTextAlign VertAlign = vg::vgTextAlignCenter;
  // The frame the control draws around its text (a button's edge), kept clear above and below.
  float Frame = 0;
  // What the line is drawn in: measured at its scale and turn.
  vg::TvxVisualObject* Place = nullptr;
};

// How far Line's texts reach on one line in Font's family and style at Size: Width the
// widest line's advance; Top and Bottom where the glyphs' ink reaches up and down when the
// line stands in its room as the control places it (Ink false when nothing is drawn).
struct TLineReach {
  float Width = 0, Top = 0, Bottom = 0;
  bool Ink = false;
};
TLineReach LineReach(vg::TvxCanvas* Canvas, const vg::TvxFont* Font, float Size, const TOneLine& Line) {
  Canvas->Font()->Assign(Font);
  Canvas->Font()->SetSize(Size);
  TLineReach reach;
  std::set<char16_t> glyphs;
  for (const std::u16string& t : Line.Texts) {
    if (t.empty()) continue;
    reach.Width = std::max(reach.Width, Canvas->TextWidth(t));
    glyphs.insert(t.begin(), t.end());
  }
  // Up and down, the lines reach as far as the characters they have between them do.
  vg::TvxPathData ink;
  const vg::TvxRect room{0, 0, Line.Width, Line.Height};
  if (!glyphs.empty() && Canvas->TextToPath(&ink, room, std::u16string(glyphs.begin(), glyphs.end()), false,
                                            vg::vgTextAlignNear, Line.VertAlign)) {
    const vg::TvxRect r = ink.GetBounds();
    reach = {reach.Width, r.Top, r.Bottom, r.Bottom > r.Top};
  }
  return reach;
}

// The texts a control shows on one line and the room it has for them; false for a control
// whose text wraps, scrolls or is not shown on one line.
bool OneLineTexts(vg::TvxObject* Control, TOneLine& Line) {
  if (auto* combo = dynamic_cast<vg::TvxComboTextBox*>(Control)) {
    Line.Texts.push_back(combo->Text());
    for (int i = 0; i < combo->Items()->Count(); ++i) Line.Texts.push_back(combo->Items()->Get(i));
    const vg::TvxRect content = combo->GetContentRect();
    Line.Width = vg::RectWidth(content);
    Line.Height = vg::RectHeight(content);
    Line.Font = combo->Font();
    Line.Place = combo;
    return true;
  }
  // A list of texts (a menu) shows each item on one line, all in the list's font: the
  // narrowest item's text part is the room.
  if (auto* list = dynamic_cast<vg::TvxStringListBox*>(Control)) {
    for (int i = 0; i < list->Count(); ++i) {
      // (The items of a list not shown yet take their style now.)
      vg::TvxListBoxItem* item = list->ItemByIndex(i);
      item->ApplyResource();
      auto* part = vg::FindPart<vg::TvxText>(item, "text");
      if (!part || !part->Visible()) continue;
      if (!Line.Place || part->Width() < Line.Width) {
        Line.Width = part->Width();
        Line.Height = part->Height();
        Line.VertAlign = part->VertTextAlign();
        Line.Place = part;
      }
    }
    if (!Line.Place) return false;
    for (int i = 0; i < list->Items()->Count(); ++i) Line.Texts.push_back(list->Items()->Get(i));
    Line.Font = list->Font();
    return true;
  }
  auto* t = dynamic_cast<vg::TvxTextControl*>(Control);
  if (!t || t->WordWrap() || dynamic_cast<vg::TvxWindow*>(Control)) return false;
  auto* part = vg::FindPart<vg::TvxText>(t, "text");
  if (!part || !part->Visible()) return false;
  // A label wraps unless told otherwise, and most show one line all the same; one with room
  // for two lines or more is a text area (a message, a report), whose text wraps instead.
  if (auto* label = dynamic_cast<vg::TvxLabel*>(Control))
    if (label->WordWrap() && part->Height() >= 2 * LineHeight * t->Font()->Size()) return false;
  Line.Texts.push_back(t->Text());
  Line.Width = part->Width();
  Line.Height = part->Height();
  Line.VertAlign = part->VertTextAlign();
  if (auto* frame = dynamic_cast<vg::TvxShape*>(t->Style()); frame && frame->Stroke()->Style() != vg::vgBrushNone)
    Line.Frame = frame->StrokeThickness();
  Line.Font = t->Font();
  Line.Place = part;
  return true;
}

// The font a fitted control shows its one line in (none for a control that is not fitted).
vg::TvxFont* FittedFont(vg::TvxObject* Control) {
  TOneLine line;
  return OneLineTexts(Control, line) ? line.Font : nullptr;
}

// The controls among Objects that are fitted, of one kind (one class in one parent), take
// one size: the smallest any of them was fitted to, so that no label of a column or tab of a
// row stands out larger or smaller than its neighbours.
void EvenFittedSizes(const std::vector<vg::TvxObject*>& Objects) {
  struct TKind {
    const vg::TvxObject* Parent;
    rtl::TClass Class;
    bool operator<(const TKind& O) const {
      return Parent != O.Parent ? std::less<>()(Parent, O.Parent) : std::less<>()(Class, O.Class);
    }
  };
  std::map<TKind, float> smallest;
  for (vg::TvxObject* o : Objects)
    if (vg::TvxFont* f = FittedFont(o)) {
      auto [at, added] = smallest.try_emplace(TKind{o->Parent(), o->ClassType()}, f->Size());
      if (!added) at->second = std::min(at->second, f->Size());
    }
  for (vg::TvxObject* o : Objects)
    if (vg::TvxFont* f = FittedFont(o)) {
      const float size = smallest[TKind{o->Parent(), o->ClassType()}];
      if (f->Size() != size) f->SetSize(size);
    }
}

}  // namespace

void FitFontToControl(vg::TvxObject* Control) {
  auto* visual = dynamic_cast<vg::TvxVisualObject*>(Control);
  vg::TvxCanvas* canvas = visual ? visual->GetCanvas() : nullptr;
  TOneLine line;
  if (!canvas || !OneLineTexts(Control, line)) return;
  const float width = line.Width - 2 * FitMargin;
  if (width <= 0 || line.Height <= 0) return;
  vg::TvxFont* font = line.Font;
  float size = font->Size();
  const float floor = std::min(size, SmallestFittedSize);
  // Measured as the line is drawn, at its scale and turn (the canvas keeps those of whatever
  // it painted last).
  const vg::TvxMatrix kept = canvas->Matrix();
  canvas->SetMatrix(line.Place->GetAbsoluteMatrix());
  const float clear = line.Frame > 0 ? line.Frame + FrameGap : 0;
  const auto fits = [&](const TLineReach& R) {
    return R.Width <= width && (!R.Ink || (R.Top >= clear && R.Bottom + GridDrop <= line.Height - clear));
  };
  const TLineReach reach = LineReach(canvas, font, size, line);
  if (!fits(reach)) {
    // Text grows about in step with the size: start there, then step down until it fits.
    const float across = reach.Width > width ? width / reach.Width : 1.0f;
    const float up = reach.Ink ? (line.Height - 2 * clear - GridDrop) / (reach.Bottom - reach.Top) : 1.0f;
    size = std::max(floor, std::floor(size * std::min({across, up, 1.0f}) / FitStep) * FitStep);
    while (size > floor && !fits(LineReach(canvas, font, size, line))) size = std::max(floor, size - FitStep);
    font->SetSize(size);
  }
  canvas->SetMatrix(kept);
}

std::u16string CutWithEllipsis(const std::u16string& Text, float Width,
                               const std::function<float(const std::u16string&)>& Measure) {
  if (Measure(Text) <= Width) return Text;
  static const std::u16string Ellipsis = u"\u2026";
  const std::size_t first = Text.find_first_not_of(u' ');
  const std::u16string body = first == std::u16string::npos ? std::u16string() : Text.substr(first);
  auto cut = [&](std::size_t N) {
    std::u16string t = body.substr(0, N);
    t.erase(t.find_last_not_of(u' ') + 1);
    return t + Ellipsis;
  };
  if (Measure(Ellipsis) > Width) return {};
  // The longest beginning that fits with the ellipsis (a longer beginning is never narrower).
  std::size_t low = 0, high = body.size();
  while (low < high) {
    const std::size_t mid = (low + high + 1) / 2;
    if (Measure(cut(mid)) <= Width) low = mid;
    else high = mid - 1;
  }
  return cut(low);
}

namespace {

// SetControlFont at Size (none: the size is left as it is).
void SetControlFontAt(vg::TvxObject* Control, bool Family, std::optional<float> Size, int Role, bool Style) {
  if (auto* c = dynamic_cast<vg::TvxControl*>(Control)) c->ApplyResource();
  if (auto* t = dynamic_cast<vg::TvxTextControl*>(Control)) {
    SetFont(t->Font(), Family, Size, Style);
    if (Role >= 0) t->FontFill()->SetColor(RoleColor(Role));
  } else if (auto* b = dynamic_cast<vg::TvxCustomTextBox*>(Control)) {
    SetFont(b->Font(), Family, Size, Style);
    if (Role >= 0) b->FontFill()->SetColor(RoleColor(Role));
  } else if (auto* m = dynamic_cast<vg::TvxMemo*>(Control)) {
    SetFont(m->Font(), Family, Size, Style);
    if (Role >= 0) m->FontFill()->SetColor(RoleColor(Role));
  } else if (auto* l = dynamic_cast<vg::TvxStringListBox*>(Control)) {
    SetFont(l->Font(), Family, Size, Style);
  }
  if (Size) FitFontToControl(Control);
}

}  // namespace

void SetControlFont(vg::TvxObject* Control, bool Family, bool Size, int Role, bool Style) {
  SetControlFontAt(Control, Family, Size ? std::optional<float>(Model().Settings.Font_Size) : std::nullopt, Role,
                   Style);
}

void ApplyFontsToTree(vg::TvxObject* Root) { ApplyFontsToTree(Root, Model().Settings.Font_Size); }

void ApplyFontsToTree(vg::TvxObject* Root, float Size) {
  std::vector<vg::TvxObject*> named;
  for (vg::TvxObject* o : TreeObjects(Root))
    if (!o->Name().empty()) {
      SetControlFontAt(o, true, Size, ColorKeptByLink(o) ? -1 : 0, true);
      named.push_back(o);
    }
  EvenFittedSizes(named);
}

void ApplyFonts(TForm_3D_GEN& Main) {
  const TMainParts& p = Main.Parts();
  std::vector<vg::TvxObject*> sized;
  for (vg::TvxObject* o : TreeObjects(p.HudWindow_3D_GEN)) {
    if (o->Name().empty() || o == p.HudLabel_DynamicIND) continue;
    // The pages take their fonts when they are selected (actions 12..15).
    if (o->Owner() != &Main) continue;
    bool indicator = false;
    for (int i = 0; i < IndicatorCount; ++i) indicator |= o == p.IndicatorNames[i] || o == p.IndicatorValues[i];
    if (indicator) continue;
    if ((o == p.HudButton_3D_GEN_Flip || o == p.HudButton_3D_GEN_Settings) &&
        !static_cast<vg::TvxVisualObject*>(o)->Visible())
      continue;
    SetControlFont(o, true, true, ColorKeptByLink(o) ? -1 : 0, true);
    sized.push_back(o);
  }
  EvenFittedSizes(sized);
  for (int i = 0; i < IndicatorCount; ++i) {
    SetControlFont(p.IndicatorNames[i], true, false, IndicatorColorRole(i), false);
    SetControlFont(p.IndicatorValues[i], true, false, IndicatorColorRole(i), false);
  }
  Main.SetIndicatorNameFontSize();
  Main.SetIndicatorDataFontSize();
  SetControlFont(p.HudLabel_DynamicIND, true, false, 0, false);
  // The caption is measured again in the new font.
  Main.PlaceCaption();
  // The page in view takes the font now; the others take it when they are selected.
  ApplyPageFonts(Main, p.HudTabControl_GEN->ItemIndex());
  // The port's name and the status line's lines are cut to their room in the new font.
  Main.FitPortName();
  Main.FitStatusLine();
  for (TWindow_3D* w : TWindow_3D::Windows())
    if (w != &Main && w->Showing() && w->Root()) {
      ApplyFontsToTree(w->Root());
      w->FontsApplied();
    }
}

void ApplyPageFonts(TForm_3D_GEN& Main, int Page) {
  const auto& pages = Main.Pages();
  if (Page < 0 || Page >= static_cast<int>(pages.size())) return;
  if (vg::TvxVisualObject* root = pages[static_cast<std::size_t>(Page)]->Root()) ApplyFontsToTree(root);
}

}  // namespace app
