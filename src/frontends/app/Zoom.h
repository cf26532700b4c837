#pragma once

#include <functional>

#include <QRect>

#include "form/Control.h"

namespace varnisk::app {

// The zoom of the program's windows, one for all of them: every form
// window draws its controls at their bounds times the zoom, the program's
// font grows with it, and so do the style's marks (check boxes, radio
// buttons, scroll bars). The form model keeps its own units throughout.
namespace zoom {

// The zoom in percent (100 until set) and as a factor.
int percent();
double factor();

// Sets the zoom: the program's font, the style's marks and every window
// that listens follow at once. A percent that is not one of kZoomSteps
// takes the nearest step.
void set(int percent);

// Form units to pixels and back, each rounded to the nearest.
int toPixels(int units);
QRect toPixels(const Rect& bounds);  // its edges rounded, so that neighbours stay neighbours
int toUnits(int pixels);

// Called after every change of the zoom; returns a handle for unlisten.
int listen(std::function<void()> listener);
void unlisten(int handle);

}  // namespace zoom

}  // namespace varnisk::app
