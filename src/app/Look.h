#pragma once

class QApplication;
class QFont;

namespace varnisk::app {

// The look of the whole program: the classic style on the button-face
// colour, and lookFont() (the layout of the windows was drawn for 8-point
// text).
void applyLook(QApplication& app);

// The program's font: a condensed sans of 10 pixels (installed on Debian by
// fonts-dejavu-core).
QFont lookFont();

}  // namespace varnisk::app
