#pragma once

#include <string_view>

#include "form/Control.h"

namespace varnisk {

class Editor;

// Typing, dragging on a field and dragging in the preview. All three only
// write field text; the preview learns of a change through the field's own
// change handler.

// The number of a camera field from its name: 32 for "LMDEdit32".
int camFieldNumber(std::string_view name);

// The base number of the camera row that shows field n: n mod 10 below 105
// (0 standing for 10), 105 or 106 above. Not for the chase fields 101, 102.
int rowBase(int n);

// Whether field n is a "Dir." field whose row's Pitch moves with it.
bool isDirectionField(int n);

// The key filter of the numeric fields: backspace and the characters of
// "-1234567890." pass, anything else is discarded with a beep.
void numericKey(Editor& editor, char& ch);

// Camera fields: the press records the cursor and the field's value, each
// move writes that value plus the horizontal distance in pixels.
void clicdown(Editor& editor, Control& field);
void cameraFieldMove(Editor& editor);
// A release on a field of either drag family ends the field drag.
void clicup(Editor& editor);

// The float family (T-cam, external wheel, helmet, tyre, cockpit fields).
void clicdownTP(Editor& editor, Control& field);
void moveTP(Editor& editor);

// The preview: left moves the camera over the ground, right raises it,
// middle turns it.
void downgl(Editor& editor, MouseButton button);
void movegl(Editor& editor);
void upgl(Editor& editor);

// A change or click of a camera field: the preview shows the camera of the
// last pressed camera field.
void cameraChange(Editor& editor, Control& field);

// Attaches the handlers above to the camera fields, the float family and the
// preview.
void wireMouseActions(Editor& editor);

}  // namespace varnisk
