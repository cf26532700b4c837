#pragma once

namespace varnisk {

class Editor;

// "Export All": converts the sheet into GameData, then patches GP4.exe,
// cars.wad and f1gstate.sav. Every field is converted and every write is
// checked to fit in its file before the first byte of any file changes.
void exportAll(Editor& editor);

// The first phase alone: the sheet's fields into GameData's raw values.
void sheetToGameData(Editor& editor);

}  // namespace varnisk
