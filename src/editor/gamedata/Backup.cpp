#include "gamedata/Backup.h"

#include <algorithm>
#include <cstdio>
#include <list>
#include <optional>
#include <sstream>
#include <string_view>

#include "base/Errors.h"
#include "core/Editor.h"
#include "files/FileTransaction.h"
#include "files/GameLock.h"
#include "game/GameFileSizes.h"
#include "gamedata/GameFolder.h"
#include "gamedata/Recovery.h"

namespace varnisk {

namespace {

// The archive's backup of ranges, refused as damaged when it is far larger
// than a backup of a few ranges can be, before it is read.
std::string readRangeBackupText(const std::string& path) {
    ByteFile file(path, ByteFile::Mode::ReadOnly);
    if (file.size() > kMaxRangeBackupSize) {
        throw FileError("The backup of the archive's patched bytes is damaged: it is " + sizeText(file.size()) +
                        ", far larger than a backup of a few ranges.");
    }
    std::vector<std::uint8_t> b = file.read(0, static_cast<std::size_t>(file.size()));
    return std::string(b.begin(), b.end());
}

void writeText(const std::string& path, const std::string& text) {
    replaceFile(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

constexpr const char* kRangeHeader = "varnisk-backup ranges 1";

// A decimal count of digits only (no sign, no blanks) that fits in 64 bits.
bool parseCount(std::string_view text, std::uint64_t& out) {
    if (text.empty() || text.size() > 20) return false;
    std::uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        const auto d = static_cast<std::uint64_t>(c - '0');
        if (v > (UINT64_MAX - d) / 10) return false;
        v = v * 10 + d;
    }
    out = v;
    return true;
}

}  // namespace

std::string backupPath(const std::string& path) { return path + kBackupSuffix; }

void keepWholeBackup(const std::string& path, std::span<const std::uint8_t> original) {
    const std::string backup = backupPath(path);
    if (fileExists(backup)) return;
    replaceFile(backup, original);
}

void keepWholeBackup(const ByteFile& file) {
    // The file is read only when it has no backup yet.
    if (!fileExists(backupPath(file.path()))) replaceFile(backupPath(file.path()), file.read(0, static_cast<std::size_t>(file.size())));
}

std::string encodeRangeBackup(std::uint64_t fileSize, const std::vector<Patch>& ranges) {
    std::ostringstream out;
    out << kRangeHeader << "\n";
    out << "size " << fileSize << "\n";
    for (const Patch& r : ranges) {
        out << r.offset << ' ';
        char hex[3];
        for (std::uint8_t b : r.bytes) {
            std::snprintf(hex, sizeof hex, "%02X", b);
            out << hex;
        }
        out << "\n";
    }
    return out.str();
}

std::vector<Patch> decodeRangeBackup(const std::string& text, std::uint64_t& fileSize) {
    std::istringstream in(text);
    std::string line;
    auto damaged = [] { return FileError("The backup of the archive's patched bytes is damaged."); };
    if (!std::getline(in, line) || line != kRangeHeader) throw damaged();
    if (!std::getline(in, line) || line.rfind("size ", 0) != 0) throw damaged();
    if (!parseCount(std::string_view(line).substr(5), fileSize)) throw damaged();
    std::vector<Patch> ranges;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        std::size_t space = line.find(' ');
        if (space == std::string::npos || space == 0) throw damaged();
        Patch p;
        if (!parseCount(std::string_view(line).substr(0, space), p.offset)) throw damaged();
        const std::string hex = line.substr(space + 1);
        // A range must lie inside a file of the size named above.
        if (hex.empty() || hex.size() % 2 != 0 || p.offset > fileSize || hex.size() / 2 > fileSize - p.offset) {
            throw damaged();
        }
        for (std::size_t i = 0; i < hex.size(); i += 2) {
            unsigned v = 0;
            for (std::size_t k = 0; k < 2; ++k) {
                const char c = hex[i + k];
                unsigned d = c >= '0' && c <= '9' ? unsigned(c - '0') : c >= 'A' && c <= 'F' ? unsigned(c - 'A' + 10) : 16u;
                if (d == 16) throw damaged();
                v = v * 16 + d;
            }
            p.bytes.push_back(static_cast<std::uint8_t>(v));
        }
        ranges.push_back(std::move(p));
    }
    return ranges;
}

void keepRangeBackup(const ByteFile& file, const std::vector<Patch>& patches) {
    const std::string backup = backupPath(file.path());
    std::vector<Patch> kept;
    std::uint64_t size = file.size();
    if (fileExists(backup)) {
        try {
            kept = decodeRangeBackup(readRangeBackupText(backup), size);
        } catch (const FileError&) {
            throw FileError(fileNameOf(backup) + " is damaged, so the archive's original bytes cannot be kept in it");
        }
    }
    bool added = false;
    for (const Patch& p : patches) {
        const bool covered = std::any_of(kept.begin(), kept.end(), [&](const Patch& k) {
            return k.offset <= p.offset && p.offset + p.bytes.size() <= k.offset + k.bytes.size();
        });
        if (covered) continue;
        kept.push_back({p.offset, file.read(p.offset, p.bytes.size())});
        added = true;
    }
    if (added) writeText(backup, encodeRangeBackup(size, kept));
}

namespace {

// The kept ranges made disjoint: a byte kept twice takes its value from the
// range kept first, which holds it as it was before any export.
std::vector<Patch> firstKeptBytes(const std::vector<Patch>& ranges) {
    std::vector<Patch> out;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> covered;  // [begin, end)
    for (const Patch& r : ranges) {
        std::vector<std::pair<std::uint64_t, std::uint64_t>> pieces{{r.offset, r.offset + r.bytes.size()}};
        for (const auto& [cb, ce] : covered) {
            std::vector<std::pair<std::uint64_t, std::uint64_t>> left;
            for (const auto& [b, e] : pieces) {
                if (ce <= b || e <= cb) {
                    left.push_back({b, e});
                    continue;
                }
                if (b < cb) left.push_back({b, cb});
                if (ce < e) left.push_back({ce, e});
            }
            pieces = std::move(left);
        }
        for (const auto& [b, e] : pieces) {
            const auto from = r.bytes.begin() + static_cast<std::ptrdiff_t>(b - r.offset);
            out.push_back({b, std::vector<std::uint8_t>(from, from + static_cast<std::ptrdiff_t>(e - b))});
        }
        covered.push_back({r.offset, r.offset + r.bytes.size()});
    }
    return out;
}

FileError nothingRestored(const std::string& why) { return FileError(why + " Nothing was restored."); }

}  // namespace

std::vector<std::string> filesWithBackups(Editor& e) {
    std::vector<std::string> out;
    for (const std::string& path : {gameFile(e, kExeName), gameFile(e, kSavedStateName), wadPath(e)}) {
        if (!path.empty() && fileExists(backupPath(path))) out.push_back(fileNameOf(path));
    }
    return out;
}

void askAndRestoreGameFiles(Editor& e) {
    const std::vector<std::string> files = filesWithBackups(e);
    if (files.empty()) {
        e.ui.message("There is no backup of the game files to restore: Varnisk keeps one when it first changes a file.");
        return;
    }
    Question q;
    q.title = "Restore Originals";
    q.text = "Put " + fileNameList(files) +
             " back as they were before Varnisk's first export, from the backups beside them?\r\n\r\n"
             "Every value Varnisk exported into them since goes back; the backups are removed afterwards. The sheet "
             "keeps its values: what differs from the restored files shows as changes to export.";
    q.answers = {"Restore", "Cancel"};
    q.defaultAnswer = 1;
    q.escapeAnswer = 1;
    q.unattendedAnswer = 0;
    q.unattendedNote = "Restoring " + fileNameList(files) + " from their backups.";
    if (e.ui.ask(q) != 0) return;
    restoreGameFiles(e);
}

void restoreGameFiles(Editor& e) {
    std::optional<GameLock> lock;
    if (const std::string folder = gameFolder(e); !folder.empty()) lock.emplace(folder);
    recoverGameFiles(e);
    // Every backup is checked and every change worked out before any file
    // changes; then the files change together.
    FileTransaction change(journalPath(e), "Restore");
    std::list<ByteFile> open;  // stays in place while the change holds it; opened for writing by add
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> recreate;
    std::vector<std::string> restored, backups;

    // A backup is checked by its size before it is read: it must be the
    // size of the file it was made of, or of a file of its kind when that is
    // gone.
    auto wholeBackup = [&](const std::string& path, std::uint64_t limit) {
        const std::string backup = backupPath(path);
        if (!fileExists(backup)) return;
        ByteFile kept(backup, ByteFile::Mode::ReadOnly);
        if (!fileExists(path)) {
            if (kept.size() > limit) {
                throw nothingRestored(fileNameOf(backup) + " is " + sizeText(kept.size()) + ", far larger than " +
                                      fileNameOf(path) + " can be: it is damaged.");
            }
            recreate.emplace_back(path, kept.read(0, static_cast<std::size_t>(kept.size())));
        } else {
            ByteFile& file = open.emplace_back(path);
            if (file.size() != kept.size()) {
                throw nothingRestored(fileNameOf(backup) + " is not the size of " + fileNameOf(path) +
                                      ": it is damaged, or " + fileNameOf(path) + " is no longer the file it was made of.");
            }
            if (file.size() > limit) {
                throw nothingRestored(fileNameOf(path) + " is " + sizeText(file.size()) +
                                      ", far larger than the game's file can be.");
            }
            change.add(file, differences(file.read(0, static_cast<std::size_t>(file.size())),
                                         kept.read(0, static_cast<std::size_t>(kept.size()))));
        }
        restored.push_back(fileNameOf(path));
        backups.push_back(backup);
    };
    wholeBackup(gameFile(e, kExeName), kMaxExeSize);
    wholeBackup(gameFile(e, kSavedStateName), kMaxSavedStateSize);

    const std::string wad = wadPath(e);
    if (!wad.empty() && fileExists(backupPath(wad))) {
        const std::string backup = backupPath(wad);
        std::uint64_t size = 0;
        std::vector<Patch> ranges;
        try {
            ranges = decodeRangeBackup(readRangeBackupText(backup), size);
        } catch (const FileError&) {
            throw nothingRestored(fileNameOf(backup) + " is damaged.");
        }
        ByteFile& archive = open.emplace_back(wad);
        if (archive.size() != size) {
            throw nothingRestored(fileNameOf(wad) + " is no longer the file its backup was made of.");
        }
        // The decoder keeps every range inside the size, so now inside the file.
        change.add(archive, changedPatches(archive, firstKeptBytes(ranges)));
        restored.push_back(fileNameOf(wad));
        backups.push_back(backup);
    }
    if (restored.empty()) {
        e.ui.message("There is no backup of the game files to restore.");
        return;
    }

    change.commit();
    // The backups go last: until every file is back, they are what is left.
    try {
        for (const auto& [path, bytes] : recreate) replaceFile(path, bytes);
        for (const std::string& backup : backups) removeFile(backup);
    } catch (const FileError& failure) {
        throw FileError(std::string("Restore could not finish: ") + failure.what() +
                        ". The game files that were there are back as before the first export; the backups left over hold the same.");
    }

    // The sheet now differs from the files where they went back.
    e.pending.takeAgain();
    e.ui.message("Restored as they were before the first export: " + fileNameList(restored) + ".");
}

}  // namespace varnisk
