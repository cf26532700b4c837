#pragma once

#include "form/Form.h"

namespace varnisk {

inline constexpr const char* kAppTitle = "Varnisk 6.6";

// The outer size of the main window at start and its minimum.
inline constexpr int kStartWidth = 616, kStartHeight = 343;
inline constexpr int kMinWidth = 612, kMinHeight = 338;

// The window frame's borders and title bar that the outer size includes:
// the client area is the outer size less these.
inline constexpr int kFrameWidth = 8, kFrameHeight = 27;

// The command buttons, the status panel and the preview frame of the main
// window, beside the field sheet.
void buildMainFrame(Form& form);

// The preview's size for an outer window width: width less 293, and three
// quarters of that (remainder dropped) high.
struct PreviewSize {
    int width;
    int height;
};
PreviewSize previewSizeFor(int outerWidth);

// Lays the frame out for the window's current size: the page control keeps
// its width and fills the height, the preview grows with the window.
void layoutMainFrame(Form& form);

// The credits window: its text panel, the rule under the first line and "OK".
void buildCreditsWindow(Form& form);

}  // namespace varnisk
