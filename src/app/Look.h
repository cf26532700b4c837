#pragma once

class QApplication;

namespace varnisk::app {

// The look of the whole program: the classic style on the button-face
// colour, and a small sans font of 11 pixels (the layout of the windows was
// drawn for 8-point text).
void applyLook(QApplication& app);

}  // namespace varnisk::app
