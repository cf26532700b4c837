#pragma once

#include <string>

#include "form/Control.h"

namespace varnisk {

class Editor;

// The name fields, the brand selectors and the copy / swap choice.
void wireTeamSlots(Editor& editor);

// A change of a name field LMDSlot<t>: a non-empty text becomes team t's
// current name, and its title-cased form relabels the team's three name
// captions. It runs whatever SheetReady says.
void lmdSlot0Change(Editor& editor, Control& field);

// A click on LMDSlot<t>: the preview shows team t.
void lmdSlot0Click(Editor& editor, Control& field);

// The user moved the brand selector UpDown<k>: its caption PanelTT<k+20>
// names the brand it now holds.
void changeType(Editor& editor, Control& selector);

// The copy / swap choice relabels the two labels of its group so that the
// group reads "from .. to .." or "between .. and ..".
void lmdTeamOpChange(Editor& editor, Control& choice);

// Team t's current name becomes `name` and its title-cased form relabels the
// team's three name captions.
void showTeamName(Editor& editor, int team, const std::string& name);

}  // namespace varnisk
