#pragma once

namespace varnisk {

class Editor;

// "Apply" in the group of team operations: copies every per-team value of
// the first chosen team onto the second, or exchanges them, as the copy /
// swap choice says. Second-car colours, cameras, cockpit and tyre positions
// stay where they are.
void lmdButton8Click(Editor& editor);

}  // namespace varnisk
