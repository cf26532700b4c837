#pragma once

#include <QColor>

#include "form/Control.h"

class QApplication;
class QFont;

namespace varnisk::app {

// The look of the whole program: the classic style on the button-face
// colour, its marks grown with the zoom, and lookFont() (the layout of the
// windows was drawn for 8-point text).
void applyLook(QApplication& app);

// The program's font: a condensed sans of 10 pixels at a zoom of 100
// percent (installed on Debian by fonts-dejavu-core), grown with the zoom.
QFont lookFont(int zoomPercent = 100);

// The marks of values that differ from the game's files: a pale tint behind
// a marked value (amber for a change, red for a value its place cannot
// hold), and the stronger accent of the same hue for small markers. Both
// are invalid colours for Mark::None.
QColor markTint(Mark mark);
QColor markAccent(Mark mark);

// The camera on show: the bar under its fields and the caption over the
// preview (a steel blue, apart from the marks' hues).
QColor viewAccent();

}  // namespace varnisk::app
