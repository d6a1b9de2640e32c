// The context menu of the text editors (text box and memo): which of its standard items
// are enabled for the editor's state when the menu opens.
#pragma once

#include "platform/win/Clipboard.h"
#include "platform/win/Menus.h"

namespace vg {

// Cut and Delete need a selection in an editable text, Copy a selection, Paste an editable
// text and text on the clipboard, Select All a text not already wholly selected.
inline void EnableEditMenuItems(win::TPopupMenu* Menu, bool Selected, bool ReadOnly, bool AllSelected) {
  auto enable = [Menu](const char16_t* Caption, bool On) {
    if (win::TMenuItem* item = Menu->Find(Caption)) item->SetEnabled(On);
  };
  enable(u"Cut", Selected && !ReadOnly);
  enable(u"Copy", Selected);
  enable(u"Paste", !ReadOnly && win::ClipboardHasText());
  enable(u"Delete", Selected && !ReadOnly);
  enable(u"Select All", !AllSelected);
}

}  // namespace vg
