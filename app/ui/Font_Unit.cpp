#include "app/ui/Font_Unit.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
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
#include "vg2d/controls/Memo.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Canvas.h"

namespace app {

namespace {

void SetFont(vg::TvxFont* Font, bool Family, bool Size, bool Style) {
  if (Family) Font->SetFamily(Model().Settings.Font_Name);
  if (Size) Font->SetSize(Model().Settings.Font_Size);
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
// A line of text is about this many times its font's size high.
constexpr float LineHeight = 1.2f;
// Sizes are tried in steps of this much.
constexpr float FitStep = 0.5f;

// The width of each of Texts on one line in Font's family and style at Size.
float WidestText(vg::TvxCanvas* Canvas, const vg::TvxFont* Font, float Size, const std::vector<std::u16string>& Texts) {
  Canvas->Font()->Assign(Font);
  Canvas->Font()->SetSize(Size);
  float widest = 0;
  for (const std::u16string& t : Texts)
    if (!t.empty()) widest = std::max(widest, Canvas->TextWidth(t));
  return widest;
}

// The texts a control shows on one line and the width it has for them; false for a control
// whose text wraps, scrolls or is not shown on one line.
bool OneLineTexts(vg::TvxObject* Control, std::vector<std::u16string>& Texts, float& Width, vg::TvxFont*& Font) {
  if (auto* combo = dynamic_cast<vg::TvxComboTextBox*>(Control)) {
    Texts.push_back(combo->Text());
    for (int i = 0; i < combo->Items()->Count(); ++i) Texts.push_back(combo->Items()->Get(i));
    Width = vg::RectWidth(combo->GetContentRect());
    Font = combo->Font();
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
  Texts.push_back(t->Text());
  Width = part->Width();
  Font = t->Font();
  return true;
}

// The font a fitted control shows its one line in (none for a control that is not fitted).
vg::TvxFont* FittedFont(vg::TvxObject* Control) {
  std::vector<std::u16string> texts;
  float width = 0;
  vg::TvxFont* font = nullptr;
  return OneLineTexts(Control, texts, width, font) ? font : nullptr;
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
  std::vector<std::u16string> texts;
  float width = 0;
  vg::TvxFont* font = nullptr;
  if (!canvas || !OneLineTexts(Control, texts, width, font)) return;
  width -= 2 * FitMargin;
  if (width <= 0) return;
  float size = font->Size();
  const float floor = std::min(size, SmallestFittedSize);
  float widest = WidestText(canvas, font, size, texts);
  if (widest <= width) return;
  // Text grows about in step with the size: start there, then step down until it fits.
  size = std::max(floor, std::floor(size * width / widest / FitStep) * FitStep);
  while (size > floor && WidestText(canvas, font, size, texts) > width) size = std::max(floor, size - FitStep);
  font->SetSize(size);
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

void SetControlFont(vg::TvxObject* Control, bool Family, bool Size, int Role, bool Style) {
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

void ApplyFontsToTree(vg::TvxObject* Root) {
  std::vector<vg::TvxObject*> named;
  for (vg::TvxObject* o : TreeObjects(Root))
    if (!o->Name().empty()) {
      SetControlFont(o, true, true, ColorKeptByLink(o) ? -1 : 0, true);
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
  // The port's name is cut to its room in the new font.
  Main.FitPortName();
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
