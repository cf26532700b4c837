#pragma once

#include "registry/Registry.h"

namespace varnisk::app {

class FormWindow;

// Opens the main window as the last run left it: its zoom, its size and its
// place, as long as its place is still on a screen (else in the middle of
// the screen) and no larger than the screen now is. On a first run, or with
// a place that cannot be read, the zoom is the screen's (defaultZoom) and
// the window stands in the middle of the screen.
void placeMainWindow(FormWindow& main, Registry& registry);

// Keeps the main window's zoom, size and place for the next run.
RegistryWrite keepMainWindowPlace(const FormWindow& main, Registry& registry);

}  // namespace varnisk::app
