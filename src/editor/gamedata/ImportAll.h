#pragma once

#include <array>

namespace varnisk {

class Editor;
class Form;

// "Import All": fills the whole sheet from the game's files.
void importAll(Editor& editor);

// GP4.exe's version byte and every value block but the names and the brand
// string, into the editor's GameData.
void readGameBlocks(Editor& editor);

// The eleven team names, when the version's names block is known; otherwise
// a message, and the names stay as they were.
void getNames(Editor& editor);

// The cockpit's six game values (dashboard X, Z, Y, wheel X, Z, Y) as the
// texts of the steering wheel and dashboard fields.
void showCockpit(Form& form, const std::array<float, 6>& cockpit);

}  // namespace varnisk
