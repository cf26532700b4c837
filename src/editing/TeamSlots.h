#pragma once

#include <string>

#include "form/Control.h"

namespace varnisk {

class Editor;

void wireTeamSlots(Editor& editor);

// A change of a name field LMDSlot<t>: a non-empty text becomes team t's
// current name, and its title-cased form relabels the team's three name
// captions. It runs whatever SheetReady says.
void lmdSlot0Change(Editor& editor, Control& field);

// Team t's current name becomes `name` and its title-cased form relabels the
// team's three name captions.
void showTeamName(Editor& editor, int team, const std::string& name);

}  // namespace varnisk
