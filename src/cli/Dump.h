#pragma once

#include <string>

#include "core/Editor.h"
#include "platform/ScriptedUi.h"

namespace varnisk::cli {

// The editor's whole state as one JSON object: the status text, every
// message and error shown so far, every named control of every window with
// the properties of its kind, and the state beside the sheet.
std::string dumpState(Editor& editor, const ScriptedUi& ui);

// A text of the program's code page as a JSON string (with quotes).
std::string jsonString(const std::string& cp1252);

// A single-precision value with enough digits to give it back exactly.
std::string jsonFloat(float value);

}  // namespace varnisk::cli
