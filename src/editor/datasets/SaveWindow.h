#pragma once

#include "form/Form.h"
#include "valuesets/SaveSelection.h"

namespace varnisk {

class Editor;

// The window "Choose Datas to Save": a column of camera boxes, a grid of
// eight boxes for each team and the three shared blocks, "Save" and the
// select toggle.
//
// Boxes: CBCam1 .. CBCam12 select camera records 0 .. 11 (so the box
// captioned "T-Cam" selects the record of the "Camera 10" row and "Camera
// 10" the T-Cam record), CBCam13 the chase pair, CBCam14 "All" of the
// column; CB<10t+c> (c = 1..7) team t's T-cam, helmet, external wheel, arm
// colour, rim colour, brand and name, CBA<10t+1> "All" of the row;
// CBSTWheel, CBDash and CBTyres the shared blocks.
void buildSaveWindow(Form& form);

// Attaches the window's handlers; "Save File" of the main window shows it.
void wireSaveWindow(Editor& editor);

// The masks the boxes select.
SaveMasks computeSaveSelection(const Form& form);

// Each showing: everything ticked on the first showing after an import, and
// the rows labelled with the teams' names once they are known.
void formShow(Editor& editor);

// The select toggle: unticks everything when everything was last ticked,
// else ticks everything.
void toggleSelection(Editor& editor);

}  // namespace varnisk
