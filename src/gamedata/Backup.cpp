#include "gamedata/Backup.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "core/Editor.h"
#include "form/Errors.h"
#include "gamedata/GameFolder.h"

namespace varnisk {

namespace {

std::string readText(const std::string& path) {
    std::vector<std::uint8_t> b = readWholeFile(path);
    return std::string(b.begin(), b.end());
}

void writeText(const std::string& path, const std::string& text) {
    replaceFile(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

constexpr const char* kRangeHeader = "varnisk-backup ranges 1";

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
    auto damaged = [] { return FileError("The backup of the archive's patched bytes is damaged; nothing was restored."); };
    if (!std::getline(in, line) || line != kRangeHeader) throw damaged();
    if (!std::getline(in, line) || line.rfind("size ", 0) != 0) throw damaged();
    try {
        std::size_t used = 0;
        fileSize = std::stoull(line.substr(5), &used);
        if (used != line.size() - 5) throw damaged();
    } catch (const std::logic_error&) {
        throw damaged();
    }
    std::vector<Patch> ranges;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        std::size_t space = line.find(' ');
        if (space == std::string::npos || space == 0) throw damaged();
        Patch p;
        try {
            std::size_t used = 0;
            p.offset = std::stoull(line.substr(0, space), &used);
            if (used != space) throw damaged();
        } catch (const std::logic_error&) {
            throw damaged();
        }
        const std::string hex = line.substr(space + 1);
        if (hex.empty() || hex.size() % 2 != 0) throw damaged();
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
    if (fileExists(backup)) kept = decodeRangeBackup(readText(backup), size);
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

void restoreGameFiles(Editor& e) {
    std::vector<std::string> restored;
    auto restoreWhole = [&](const std::string& path) {
        const std::string backup = backupPath(path);
        if (!fileExists(backup)) return;
        replaceFile(path, readWholeFile(backup));
        std::remove(backup.c_str());
        restored.push_back(fileNameOf(path));
    };
    restoreWhole(gameFile(e, kExeName));
    restoreWhole(gameFile(e, kSavedStateName));
    const std::string wad = wadPath(e);
    if (!wad.empty() && fileExists(backupPath(wad))) {
        std::uint64_t size = 0;
        std::vector<Patch> ranges = decodeRangeBackup(readText(backupPath(wad)), size);
        ByteFile archive(wad);
        if (archive.size() != size) {
            throw FileError(fileNameOf(wad) + " is no longer the file its backup was made of; it was not restored.");
        }
        for (const Patch& r : ranges) {
            if (!archive.fits(r.offset, r.bytes.size())) throw FileError(kReadBeyondEnd);
        }
        for (const Patch& r : ranges) archive.write(r.offset, r.bytes);
        std::remove(backupPath(wad).c_str());
        restored.push_back(fileNameOf(wad));
    }
    if (restored.empty()) {
        e.ui.message("There is no backup of the game files to restore.");
        return;
    }
    std::string list;
    for (const std::string& name : restored) list += (list.empty() ? "" : ", ") + name;
    e.ui.message("Restored as they were before the first export: " + list + ".");
}

}  // namespace varnisk
