#pragma once

#include <span>
#include <string>
#include <vector>

#include "files/GameFiles.h"
#include "game/ExeLayout.h"

namespace varnisk {

class Editor;

// Before Varnisk first changes a game file it keeps what the file held, beside
// it: GP4.exe and f1gstate.sav whole, as "GP4.exe.varnisk-backup" and
// "f1gstate.sav.varnisk-backup"; of cars.wad, far too large to copy, the
// original bytes of the ranges it patches, as text lines "offset hex-bytes"
// in "cars.wad.varnisk-backup". A backup is never overwritten, so it keeps
// the state before the first export; restoring removes it.

inline constexpr const char* kBackupSuffix = ".varnisk-backup";

std::string backupPath(const std::string& path);

// Keeps `original`, the file's content now, unless a backup exists.
void keepWholeBackup(const std::string& path, std::span<const std::uint8_t> original);
// The same, reading the file.
void keepWholeBackup(const ByteFile& file);

// Adds the original bytes of the patched ranges that the backup does not
// hold yet.
void keepRangeBackup(const ByteFile& file, const std::vector<Patch>& patches);

// A backup of ranges as text, and back.
std::string encodeRangeBackup(std::uint64_t fileSize, const std::vector<Patch>& ranges);
// Throws FileError with a clear text when the text is damaged.
std::vector<Patch> decodeRangeBackup(const std::string& text, std::uint64_t& fileSize);

// The names of the game's files that have a backup, GP4.exe first.
std::vector<std::string> filesWithBackups(Editor& editor);

// "Restore Originals..." of the window: asks first, naming the files that
// will go back and what becomes of the backups and the sheet; restores when
// the user says so. With no backup, says there is none.
void askAndRestoreGameFiles(Editor& editor);

// Puts GP4.exe, f1gstate.sav and the archive in use back from their backups
// and removes the backups; tells the user what was restored.
void restoreGameFiles(Editor& editor);

}  // namespace varnisk
