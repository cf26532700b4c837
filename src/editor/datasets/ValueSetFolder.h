#pragma once

#include <string>
#include <vector>

namespace varnisk {

class Editor;

// The folder the Load and Save dialogs open in: the one value set files were
// last loaded from or saved to, kept in the registry across runs, while it is
// still a folder; else the user's documents folder.
std::string valueSetFolder(Editor& editor);

// The value set files loaded or saved last, most recent first, at most
// kRecentFileCount, kept in the registry across runs; files that are no
// longer there are left out.
std::vector<std::string> recentValueSets(Editor& editor);

// Keeps the folder of a value set file just loaded or saved for the next
// dialog and the next run, and puts the file first among the recent ones
// (once: an earlier mention of it goes). A registry that cannot be written
// is no error: the dialogs then open where they did before and offer what
// they did this run. It is said once: a folder that cannot be kept each
// time, the list of recent files the first time until it is kept again.
void rememberValueSetFolder(Editor& editor, const std::string& path);

}  // namespace varnisk
