#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "core/Editor.h"
#include "preview/SceneState.h"
#include "ui/ScriptedUi.h"

namespace varnisk::cli {

// The dump's document; members stay in the order they were added.
using DumpJson = nlohmann::ordered_json;

// The editor's whole state as one JSON object: the status text, every
// message and error shown so far, every named control of every window with
// the properties of its kind, and the state beside the sheet with the
// preview's (`scene`: the view's; by default, no view has been opened).
DumpJson dumpDocument(Editor& editor, const ScriptedUi& ui, const SceneState& scene = SceneState());

// The document as the dump writes it: each top-level member and each control
// on a line of its own, everything else on the line of its member, with
// ", " between elements and ": " after keys; a line break at the end.
// Whole numbers are written without a decimal point, other numbers with
// the fewest digits that give back the same double, and with ".0" where
// those digits alone would read as a whole number.
std::string dumpText(const DumpJson& document);

// dumpText(dumpDocument(editor, ui, scene)).
std::string dumpState(Editor& editor, const ScriptedUi& ui, const SceneState& scene);

// The pending changes: {"changes": [...], "onDisk": [...]}, each entry with
// its file, label ("what"), control and values as the list of changes shows
// them. Looks at the files on disk for "onDisk".
DumpJson changesDocument(Editor& editor);

// A text of the program's code page as a JSON string value.
DumpJson textValue(const std::string& cp1252);

// A single-precision value (null when not finite), held as the double that
// its shortest decimal names: written, it gives back the same float.
DumpJson singleValue(float value);

// A text of the program's code page as a JSON string (with quotes).
std::string jsonString(const std::string& cp1252);

// A single-precision value with enough digits to give it back exactly.
std::string jsonFloat(float value);

}  // namespace varnisk::cli
