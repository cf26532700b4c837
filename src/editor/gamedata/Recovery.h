#pragma once

#include <string>

namespace varnisk {

class Editor;

// The rollback journal of the game in use (see FileTransaction).
std::string journalPath(Editor& editor);

// Run first by every operation that touches the game files (the start-up
// import, Import All, Export All, restore): removes temporary files Varnisk
// left beside them, and puts the files back from the journal of a change
// that was cut off, telling the user what happened. Does nothing when no
// game folder is known. Throws FileError when the files cannot be put back;
// the journal then stays for the next try.
void recoverGameFiles(Editor& editor);

}  // namespace varnisk
