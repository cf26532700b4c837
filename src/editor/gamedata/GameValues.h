#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "form/Form.h"
#include "game/GameData.h"
#include "game/Patch.h"

namespace varnisk {

// Every value of the sheet that Export All writes into the game's files, one
// entry per control and file: where it lies, how the field shows it, how it
// is stored, which values its place can hold, and what it is called. Export
// All, the markers of changed values, the list of changes, the check for
// files another program changed and the names of undo steps all read this
// one table.

// The game's files, in the order the list of changes groups them.
enum class GameFileKind { Exe, SavedState, Archive };
inline constexpr std::array<GameFileKind, 3> kGameFileKinds{GameFileKind::Exe, GameFileKind::SavedState,
                                                           GameFileKind::Archive};
// "GP4.exe", "f1gstate.sav", "cars.wad".
const char* gameFileName(GameFileKind file);

// How many values there are per file, as the status and the list of
// changes say it: "GP4.exe 10, f1gstate.sav 2" (files without any left out).
std::string countsByFile(const std::array<std::size_t, 3>& counts);

// How a value is shown in its control and stored in its file.
enum class ValueCodec {
    CameraPosition,  // int16, twice the field (X, Y, Z of a camera record)
    CameraAngle,     // int16, 182 times the field (Dir., Pitch, Roll)
    CameraDetail,    // int16 as shown
    Chase,           // int16, twice the field
    TcamY,           // int16, twice the field plus 160 (team 0's also the T-cam record's Y)
    TcamZ,           // int16, twice the field less 122 (team 0's also the T-cam record's Z)
    Helmet,          // float32, the field in hundredths
    ExtWheel,        // float32, the field in two-hundredths
    Cockpit,         // float32 of the cockpit block, kept in GameData by the fields' handlers
    Arm,             // colour dword with an opaque top byte
    Rim,             // colour dword (team 4's with its companion dword)
    Name,            // 32 bytes of text
    BrandString,     // team 1's 16-byte brand word in GP4.exe
    BrandCode,       // f1gstate.sav's 32-bit brand code
    Tyre,            // float32 of a tyre record, kept in GameData by the fields' handlers
};

struct GameValue {
    std::string control;  // "LMDEdit43"
    GameFileKind file;
    ValueCodec codec;
    // What the codec needs besides: the camera record and column; the team;
    // the cockpit field (0..5: LMDSW0..2, LMDDB0..2); the tyre record and
    // coordinate (0 X, 1 Y, 2 Z).
    int record = -1;
    int column = -1;
    int team = -1;
    // The control's first entry: the file its value is shown from. Team 1's
    // brand selector also writes its code into the saved state, a second
    // entry that is listed only when that code changes.
    bool primary = true;
};

// The table, in the order the list of changes shows it: GP4.exe's values
// (cameras row by row, chase, cockpit, then team by team), f1gstate.sav's,
// cars.wad's.
const std::vector<GameValue>& gameValues();

// What a control's value is, as one text: an edit's text, a panel's colour
// as a decimal Windows colour (system colours resolved), a selector's
// position in decimal.
std::string controlValue(const Control& control);

// Whether two values of the codec's control are the same value: numbers
// compare as numbers ("7.0" is "7"), anything that is no number as text.
bool sameValue(ValueCodec codec, const std::string& a, const std::string& b);

// A value as the list of changes and the messages show it: the text, the
// colour's decimal value, a brand's caption.
std::string shownValue(const GameValue& value, const std::string& controlValue);

// A shown value as a person reads it in the window and in messages: a
// colour as "#RRGGBB", anything else as shownValue gives it.
std::string readableValue(const GameValue& value, const std::string& shown);

// The label of a value: "Camera 3 \xB7 Pitch", "Helmet Y of <team>", with
// the team's name as the sheet's captions show it (the program's code page).
std::string valueLabel(const GameValue& value, const Form& main);

// The place of a value in its file with the bytes Export All writes there,
// one patch per place (team 0's T-cam values and team 4's rim colour have
// two). Bytes come from GameData as sheetToGameData leaves it, brands from
// their selectors. Empty when the value has no known place: names of a
// version whose names were not read, a brand word of an unknown version, tyre
// records without a collision entry.
std::vector<Patch> valuePatches(const GameValue& value, const GameData& game, const Form& main);

// The control's value for the bytes of its places (as valuePatches orders
// them, one after another), as Import All would show it; nullopt when the
// bytes name none (a brand word that is no brand).
std::optional<std::string> valueFromBytes(const GameValue& value, std::span<const std::uint8_t> bytes);

// Why the control's value cannot be stored in its place: "99999 does not
// fit; it must lie between -16384 and 16383"; nullopt when it fits, and for
// a text that is no number (Export All's conversion says so).
std::optional<std::string> valueDoesNotFit(const GameValue& value, const Control& control);

// Throws ConversionError naming the first of the chosen values (table
// order) whose field text is no number of its field's kind: "Camera 1 \xB7
// Y: '' is not a valid integer value." followed by `tail`.
void requireNumbers(const Form& main, const std::function<bool(const GameValue&)>& chosen, const std::string& tail);

}  // namespace varnisk
