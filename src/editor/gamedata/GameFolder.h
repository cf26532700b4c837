#pragma once

#include <string>

namespace varnisk {

class Editor;

inline constexpr const char* kExeName = "GP4.exe";
inline constexpr const char* kSavedStateName = "f1gstate.sav";
inline constexpr const char* kArchiveName = "cars.wad";

// The game folder as the registry names it, when GP4.exe is in it; empty
// text otherwise. Changes nothing.
std::string gameFolder(const Editor& editor);

// The same look-up, remembered: sets GameFound to whether the game was there,
// and leaves it as it was when the registry could not be read. Import All and
// the game folder's chooser look the game up this way.
std::string findGameAndRemember(Editor& editor);

// "Manual GP4 Path": the user points at GP4.exe; the choice is written to the
// registry and imported. Ends the program when no game is found afterwards.
void chooseGP4Path(Editor& editor);

// After the start-up import failed: the chooser as when no game is found.
// A chosen game is imported; when none is chosen, or the chosen one cannot
// be taken, the program ends.
void chooseGameAfterFailedImport(Editor& editor);

// The path of one of the game's files in the game folder. Throws
// "File not found" when no game folder is known: a game file is never looked
// for anywhere else.
std::string gameFile(const Editor& editor, const std::string& name);

// The archive in use: the one chosen by hand, else cars.wad in the game
// folder (empty text when no game folder is known).
std::string wadPath(const Editor& editor);

}  // namespace varnisk
