#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace varnisk {

// The zoom of the windows: the form's geometry and its fonts drawn at a
// percentage of their own size, one of these steps.
inline constexpr std::array<int, 7> kZoomSteps{100, 125, 150, 175, 200, 250, 300};

// The step after or before `percent` (the nearest step when it is none);
// the last or the first step stays where it is.
int zoomIn(int percent);
int zoomOut(int percent);
// The step nearest to `percent`, the smaller of two as near.
int nearestZoom(int percent);

// A size in pixels of the screen (or of a form, in its own units).
struct Extent {
    int width = 0;
    int height = 0;
};

// The largest step at which a form of `form` (its outer size) fits into
// `screen`; the first step when none does.
int largestZoomThatFits(Extent form, Extent screen);

// The zoom a first start takes: what the screen's density asks for (its
// pixels per inch against the 96 the form was drawn for), and at least
// what makes the window about half the screen's width, so that a large
// screen of ordinary density shows text a person can read. Never more than
// fits the screen. A density that is not a positive number counts as 96.
int defaultZoom(double pixelsPerInch, Extent form, Extent screen);

// Where the main window was and how it was drawn when the program last
// ended: its zoom, the place of its top left corner on the screen, and the
// form's own size (outer, in the form's units, before zooming).
struct WindowPlace {
    int zoom = 100;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const WindowPlace&) const = default;
};

// Kept as one line of five whole numbers: "zoom x y width height". A text
// that is not that (damaged, edited by hand into nonsense, sizes out of all
// reason) is nullopt, and the program starts as on its first run. A zoom
// between steps takes the nearest step.
std::optional<WindowPlace> parseWindowPlace(std::string_view text);
std::string windowPlaceText(const WindowPlace& place);

}  // namespace varnisk
