#pragma once

#include <string>

#include "form/Form.h"

namespace varnisk {

class Editor;

// What the preview shows, said over its top left corner by the caption
// "ViewCaption" ("Camera 4 · <team>"; the window draws it over the frame, not
// into the picture a render writes), and the fields of that camera's row
// marked as highlighted on the Cameras and Details tabs.
void buildViewCaption(Form& main);
void placeViewCaption(Form& main);

// The caption's text for the camera and team on show.
std::string viewCaptionText(Editor& editor);

// Brings the caption and the highlighted row up to date.
void refreshViewCaption(Editor& editor);

}  // namespace varnisk
