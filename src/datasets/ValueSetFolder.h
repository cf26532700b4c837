#pragma once

#include <string>

namespace varnisk {

class Editor;

// The folder the Load and Save dialogs open in: the one value set files were
// last loaded from or saved to, kept in the registry across runs, while it is
// still a folder; else the user's documents folder.
std::string valueSetFolder(Editor& editor);

// Keeps the folder of a value set file just loaded or saved for the next
// dialog and the next run. A registry that cannot be written is no error:
// the dialogs then open where they did before.
void rememberValueSetFolder(Editor& editor, const std::string& path);

}  // namespace varnisk
