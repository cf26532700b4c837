#pragma once

#include "form/Form.h"

namespace varnisk {

class Editor;

// The window "Changes to Export": every value Export All would write, one row
// each under the heads "File", "Value", "In the game", "In the sheet" and
// "On disk now" (filled for a value another program changed since Varnisk
// read it), with how many there are. Selecting a row shows its field in the
// main window (its tab comes forward; a double click puts the focus in it);
// "Put Back" puts the selected value back to the game's, "Put Back All"
// every value, each as one undoable step; "Restore Originals..." puts the
// game's files back from their backups after asking; "Close" hides the
// window.
//
// Controls: Summary (caption), List (a list), PutBack, PutBackAll, Restore,
// Close.
void buildChangesWindow(Form& form);
void wireChangesWindow(Editor& editor);

// Brings the rows, the summary and the buttons up to date; the main
// window's ChangesButton says how many changes there are.
void refreshChanges(Editor& editor);

// The main window's ChangesButton: how many changes there are, shown while
// there are any.
void refreshChangesButton(Editor& editor);

// Shows the window (Ctrl+L, the main window's ChangesButton).
void showChanges(Editor& editor);

// The main window's button that opens the list: "12 changes", shown while
// there are any, over the preview's top right corner.
void buildChangesButton(Form& main);
void placeChangesButton(Form& main);

}  // namespace varnisk
