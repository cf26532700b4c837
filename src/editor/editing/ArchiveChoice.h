#pragma once

namespace varnisk {

class Editor;

// "Manual Cars wad": the user points at another archive. One whose first
// directory entry's name starts with "c" is taken, and its tyre positions
// are read; any other file is refused with a message.
void changeCarswad(Editor& editor);

}  // namespace varnisk
