#pragma once

namespace varnisk {

class Editor;

// "Save" of the selection window: gathers the sheet's values, asks for a
// file name (in the folder of the last value set loaded or saved, see
// ValueSetFolder.h, which then remembers this file's folder) and writes a car data file with the ticked sections (first
// filter) or a camera set with every camera (second filter). The file is
// written beside its place and then put there, so a failed save leaves an
// existing file as it was.
void saveDataSet(Editor& editor);

}  // namespace varnisk
