#pragma once

#include <string>
#include <vector>

#include "form/Control.h"
#include "gamedata/PendingChanges.h"

namespace varnisk {

class Editor;

// Puts a value (as controlValue gives it) into a value's control as the
// user's edit does: the change handlers run and the preview follows.
void putControlValue(Editor& editor, Control& control, const std::string& value);

// The controls' values back to what the game's files hold, as one step of
// the undo history named `stepName`.
void putBack(Editor& editor, const std::vector<Control*>& controls, const std::string& stepName);

// Another program's values (changes found on disk) into the sheet, and as
// what the files hold; one step of the undo history, "Take theirs".
void takeTheirs(Editor& editor, const std::vector<DiskChange>& changes);

}  // namespace varnisk
