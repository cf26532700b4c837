#pragma once

#include "form/Control.h"

namespace varnisk {

class Editor;

// The arm and rim colour panels: a click shows the panel's team in the
// preview, a double-click opens the colour dialog.
void wireColourPanels(Editor& editor);

// Click: the preview refresh for the panel's team.
void lmdColor0Change(Editor& editor, Control& panel);

// Double-click: the colour dialog with the panel's colour as its first custom
// colour; pure black comes back as 0x010101. The refresh follows either way.
void editColor(Editor& editor, Control& panel);

}  // namespace varnisk
