#pragma once

#include <string>

namespace varnisk {

class Editor;

// "Load File": asks for a file, in the folder value sets were last loaded
// from or saved to, and loads it by the last three letters of its name, in
// any letter case: "car" a car data file, "cam" a camera set, "tyr" a tyre
// set. Any other name is refused with a FileError saying so.
//
// A load is all or nothing: the file is decoded whole first, and one that
// cannot be read, ends before the values it promises or has a damaged header
// is reported (FileError naming the file) without changing any field, name,
// brand or GameData. After a load the folder is remembered.
void loadDataSet(Editor& editor);

// What "Load File" does once its dialog named `path`: the same checks,
// messages and status, and the folder and the file remembered after a load.
void loadValueSetFile(Editor& editor, const std::string& path);

// A file dropped onto the main window, to be run through the editor's
// dispatch: loaded as by "Load File", as one undo step named as its step.
void loadDroppedFile(Editor& editor, const std::string& path);

// Whether a name ends in "car", "cam" or "tyr" in any letter case: a file
// "Load File" would try to load.
bool isValueSetName(const std::string& path);

// A car data file of any form: only the values it holds change, then the
// preview is brought up to date.
void loadCarData(Editor& editor, const std::string& path);

// A camera set: the records its size says it holds, and the chase values.
// No change handler runs.
void loadCameraSet(Editor& editor, const std::string& path);

// A tyre set: the brand selectors and their captions.
void loadTyreSet(Editor& editor, const std::string& path);

// After a car data file, its values shown and the change handlers live
// again: the preview takes the cockpit, the tyres, team 0's colours and values.
void finishCarLoad(Editor& editor);

}  // namespace varnisk
