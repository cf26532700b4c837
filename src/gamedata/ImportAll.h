#pragma once

namespace varnisk {

class Editor;

// "Import All": fills the whole sheet from the game's files.
void importAll(Editor& editor);

// GP4.exe's version byte and every value block but the names and the brand
// string, into the editor's GameData.
void readGameBlocks(Editor& editor);

// The eleven team names, when the version's names block is known; otherwise
// a message, and the names stay as they were.
void getNames(Editor& editor);

}  // namespace varnisk
