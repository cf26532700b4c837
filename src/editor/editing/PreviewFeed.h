#pragma once

#include "form/Control.h"

namespace varnisk {

class Editor;

// The change handlers that hand the values of the cockpit, the tyres and the
// team on show to the preview (and the cockpit and tyre values to GameData),
// converting field texts back into the game's units.

// Whether a change handler of the sheet may act on the field's text: the
// sheet is ready, and the text is neither empty nor a lone minus sign.
bool sheetTextReady(const Editor& editor, const Control& field);

// A tyre position field changed: the four tyre records of GameData are taken
// from all twelve fields.
void changeTP(Editor& editor, Control& field);

// A steering wheel or dashboard field changed or was clicked.
void changeSW(Editor& editor, Control& field);

// A T-cam, external wheel or helmet field changed or was clicked.
void lmdChangeHelmet(Editor& editor, Control& field);

// Hands team t's helmet, external wheel, T-cam, colours and car to the
// preview and asks for a frame.
void carRefresh(Editor& editor, int team);

// The "Rear Cam" / "Front Cam" button: shows the chase camera, turned.
void switchClick(Editor& editor);

// Attaches the handlers above to their fields and to the button.
void wirePreviewFeed(Editor& editor);

}  // namespace varnisk
