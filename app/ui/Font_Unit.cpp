#include "app/ui/Font_Unit.h"

#include <algorithm>

#include "app/core/Colors_3D_Unit.h"
#include "app/core/General_Unit.h"
#include "app/ui/Main_3D_Unit.h"
#include "app/ui/Window_Page.h"
#include "scene3d/ObjectLayer.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/Memo.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/WindowFrames.h"

namespace app {

namespace {

void SetFont(vg::TvxFont* Font, bool Family, bool Size, bool Style) {
  if (Family) Font->SetFamily(Settings.Font_Name);
  if (Size) Font->SetSize(Settings.Font_Size);
  if (Style) Font->SetStyle(static_cast<vg::TvxFontStyle>(std::clamp(Settings.Font_Style, 0, 3)));
}

std::string RoleColor(int Role) {
  return Role < ColorRoleCount ? Colors.ColorTable[static_cast<std::size_t>(Role)] : Colors.ColorTable[0];
}

// The controls whose colour the link sets as it goes (port state, work mode): they take the
// font but keep their colour.
bool ColorKeptByLink(const vg::TvxObject* Object) {
  const std::string& n = Object->Name();
  return n == "HudLabel_Port_Name" || n == "HudLabel_Work_Mode";
}

}  // namespace

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
}

void ApplyFontsToTree(vg::TvxObject* Root) {
  for (vg::TvxObject* o : TreeObjects(Root))
    if (!o->Name().empty()) SetControlFont(o, true, true, ColorKeptByLink(o) ? -1 : 0, true);
}

void ApplyFonts(TForm_3D_GEN& Main) {
  const TMainParts& p = Main.Parts();
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
  }
  for (int i = 0; i < IndicatorCount; ++i) {
    SetControlFont(p.IndicatorNames[i], true, false, IndicatorColorRole(i), false);
    SetControlFont(p.IndicatorValues[i], true, false, IndicatorColorRole(i), false);
  }
  Main.SetIndicatorNameFontSize();
  Main.SetIndicatorDataFontSize();
  SetControlFont(p.HudLabel_DynamicIND, true, false, 0, false);
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
