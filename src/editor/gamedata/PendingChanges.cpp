#include "gamedata/PendingChanges.h"

#include <algorithm>
#include <cstring>

#include "base/Errors.h"
#include "core/Editor.h"
#include "files/GameFiles.h"
#include "gamedata/GameFolder.h"

namespace varnisk {

namespace {

std::size_t fileIndex(GameFileKind file) { return static_cast<std::size_t>(file); }

std::vector<std::uint8_t> joined(const std::vector<Patch>& places) {
    std::vector<std::uint8_t> out;
    for (const Patch& p : places) out.insert(out.end(), p.bytes.begin(), p.bytes.end());
    return out;
}

}  // namespace

std::string diskChangeLine(const DiskChange& c) {
    const GameValue& v = gameValues()[c.value];
    return std::string(gameFileName(c.file)) + " \xB7 " + c.what + ": " + readableValue(v, c.read) + " when read, " +
           readableValue(v, c.disk) + " on disk now, " + readableValue(v, c.sheet) + " in the sheet";
}

void PendingChanges::attach() {
    const std::vector<GameValue>& table = gameValues();
    entries_.resize(table.size());
    trackedIndex_.resize(table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        Control& c = editor_.main.get(table[i].control);
        auto [it, added] = byControl_.emplace(&c, tracked_.size());
        if (added) {
            tracked_.push_back({&c, {}, false, {}, false});
            c.watched = true;
        }
        Tracked& t = tracked_[it->second];
        if (table[i].primary) {
            t.values.insert(t.values.begin(), i);
        } else {
            t.values.push_back(i);
        }
        trackedIndex_[i] = it->second;
        if (!table[i].primary) secondBrand_ = i;
    }
}

const GameValue* PendingChanges::valueOf(const Control& control) const {
    auto it = byControl_.find(&control);
    if (it == byControl_.end()) return nullptr;
    return &gameValues()[tracked_[it->second].values.front()];
}

std::string PendingChanges::filePath(GameFileKind file) const {
    Editor& e = editor_;
    switch (file) {
    case GameFileKind::Exe: return gameFile(e, kExeName);
    case GameFileKind::SavedState: return gameFile(e, kSavedStateName);
    case GameFileKind::Archive: return wadPath(e);
    }
    return {};
}

bool PendingChanges::fileUsable(GameFileKind file) const {
    try {
        const std::string path = filePath(file);
        return !path.empty() && fileExists(path);
    } catch (const FileError&) {
        return false;  // no game folder
    }
}

void PendingChanges::takeFile(GameFileKind file, bool mustFit) {
    const std::vector<GameValue>& table = gameValues();
    const std::size_t index = fileIndex(file);
    std::vector<std::size_t> values;
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i].file != file) continue;
        entries_[i] = {};
        values.push_back(i);
    }
    fileTaken_[index] = false;
    if (fileUsable(file)) {
        ByteFile bytes(filePath(file), ByteFile::Mode::ReadOnly);
        std::vector<Patch*> places;
        for (std::size_t i : values) {
            entries_[i].places = valuePatches(table[i], editor_.game, editor_.main);
            for (Patch& p : entries_[i].places) places.push_back(&p);
        }
        if (!readPlaces(bytes, places)) {
            for (std::size_t i : values) entries_[i] = {};
            if (mustFit) {
                throw FileError(fileNameOf(bytes.path()) +
                                " is too short for the values Varnisk writes into it; no game file was changed.");
            }
        } else {
            fileTaken_[index] = true;
            for (std::size_t i : values) entries_[i].known = !entries_[i].places.empty();
        }
    }
    // Each control's value for what the files hold, from the first entry that
    // knows it.
    for (Tracked& t : tracked_) {
        bool ofThisFile = false;
        for (std::size_t i : t.values) ofThisFile = ofThisFile || table[i].file == file;
        if (!ofThisFile) continue;
        t.known = false;
        for (std::size_t i : t.values) {
            if (!entries_[i].known) continue;
            t.known = true;
            if (table[i].file != file) break;  // the value came from another file
            // As Import All shows the bytes; where they name no value (a brand
            // word that is none), as the sheet shows it.
            const std::optional<std::string> value = valueFromBytes(table[i], joined(entries_[i].places));
            t.value = value ? *value : controlValue(*t.control);
            break;
        }
        refresh(t);
    }
    recount();
}

void PendingChanges::takeAfterImport() {
    for (GameFileKind file : kGameFileKinds) takeFile(file, false);
}

void PendingChanges::takeArchive() { takeFile(GameFileKind::Archive, false); }

void PendingChanges::takeFilesNotRead() {
    for (GameFileKind file : kGameFileKinds) {
        if (!fileTaken_[fileIndex(file)] && fileUsable(file)) takeFile(file, true);
    }
}

void PendingChanges::takeAgain() {
    for (GameFileKind file : kGameFileKinds) {
        if (fileTaken_[fileIndex(file)]) takeFile(file, false);
    }
}

void PendingChanges::forget() {
    for (Entry& e : entries_) e = {};
    fileTaken_ = {};
    for (Tracked& t : tracked_) {
        t.known = false;
        refresh(t);
    }
    recount();
}

void PendingChanges::wrote(const std::vector<std::size_t>& values, const std::vector<std::vector<Patch>>& written) {
    for (std::size_t k = 0; k < values.size(); ++k) {
        Entry& entry = entries_[values[k]];
        entry.places = written[k];
        entry.known = !entry.places.empty();
        fileTaken_[fileIndex(gameValues()[values[k]].file)] = true;
    }
    for (std::size_t i : values) {
        Tracked& t = tracked_[trackedIndex_[i]];
        t.known = true;
        t.value = controlValue(*t.control);
        refresh(t);
    }
    recount();
}

void PendingChanges::takeFromDisk(const std::vector<DiskChange>& changes) {
    for (const DiskChange& c : changes) {
        Entry& entry = entries_[c.value];
        std::size_t at = 0;
        for (Patch& p : entry.places) {
            std::copy_n(c.diskBytes.begin() + static_cast<std::ptrdiff_t>(at), p.bytes.size(), p.bytes.begin());
            at += p.bytes.size();
        }
        Tracked& t = tracked_[trackedIndex_[c.value]];
        if (!c.diskValue.empty() && t.values.front() == c.value) t.value = c.diskValue;
        refresh(t);
    }
    recount();
}

bool PendingChanges::modified(const Control& control) const {
    auto it = byControl_.find(&control);
    return it != byControl_.end() && tracked_[it->second].modified;
}

std::string PendingChanges::gameValueOf(const Control& control) const {
    auto it = byControl_.find(&control);
    if (it == byControl_.end() || !tracked_[it->second].known) return {};
    return tracked_[it->second].value;
}

void PendingChanges::refresh(Tracked& t) {
    const GameValue& v = gameValues()[t.values.front()];
    Mark mark = Mark::None;
    std::string note;
    bool modified = false;
    if (!following_) {
        modified = true;
    } else if (t.known) {
        const std::string now = controlValue(*t.control);
        // An emptied name field keeps the game's name: it is no change.
        const bool same = sameValue(v.codec, now, t.value) || (v.codec == ValueCodec::Name && now.empty());
        if (std::optional<std::string> misfit = valueDoesNotFit(v, *t.control); misfit && !same) {
            mark = Mark::DoesNotFit;
            note = *misfit;
            modified = true;
        } else if (!same) {
            mark = Mark::Modified;
            note = "In the game: " + readableValue(v, shownValue(v, t.value));
            modified = true;
        }
    }
    const bool brand = v.codec == ValueCodec::BrandString || v.codec == ValueCodec::BrandCode;
    const bool flipped = modified != t.modified;
    if (flipped) modified ? ++modifiedCount_ : --modifiedCount_;
    t.modified = modified;
    editor_.main.setMark(*t.control, mark, std::move(note));
    // The rows change with a flip, and team 1's brand code row with either
    // brand selector's value.
    if (flipped || brand) recount();
}

void PendingChanges::recount() {
    // One row per modified control, and team 1's brand code when it changes.
    std::size_t n = modifiedCount_;
    if (!tracked_.empty() && trackedOf(secondBrand_).modified && rowListed(secondBrand_) &&
        trackedOf(secondBrand_).values.front() != secondBrand_) {
        ++n;
    }
    if (n == count_) return;
    count_ = n;
    if (onCountChanged) onCountChanged();
}

void PendingChanges::refreshAll() {
    for (Tracked& t : tracked_) refresh(t);
}

void PendingChanges::controlChanged(Control& control) {
    auto it = byControl_.find(&control);
    if (it != byControl_.end()) refresh(tracked_[it->second]);
}

void PendingChanges::setFollowing(bool on) {
    following_ = on;
    refreshAll();
}

bool PendingChanges::rowListed(std::size_t value) const {
    const Tracked& t = trackedOf(value);
    if (!t.modified || !entries_[value].known) return false;
    // The first entry that knows its place is the control's row; another one
    // (team 1's brand code) only when its bytes change.
    for (std::size_t i : t.values) {
        if (i == value) return true;
        if (entries_[i].known) break;
    }
    if (!following_) return true;
    const std::vector<Patch> now = valuePatches(gameValues()[value], editor_.game, editor_.main);
    const std::vector<Patch>& was = entries_[value].places;
    if (now.size() != was.size()) return true;
    for (std::size_t k = 0; k < now.size(); ++k) {
        if (now[k].bytes != was[k].bytes) return true;
    }
    return false;
}

std::vector<PendingChange> PendingChanges::changes() const {
    const std::vector<GameValue>& table = gameValues();
    std::vector<PendingChange> out;
    for (GameFileKind file : kGameFileKinds) {
        for (std::size_t i = 0; i < table.size(); ++i) {
            if (table[i].file != file || !rowListed(i)) continue;
            const GameValue& v = table[i];
            const Tracked& t = trackedOf(i);
            PendingChange row;
            row.value = i;
            row.file = file;
            row.what = valueLabel(v, editor_.main);
            row.control = v.control;
            const std::string game = v.primary ? t.value : valueFromBytes(v, joined(entries_[i].places)).value_or("");
            row.game = t.known ? shownValue(v, game) : "";
            row.sheet = shownValue(v, controlValue(*t.control));
            out.push_back(std::move(row));
        }
    }
    return out;
}

std::vector<const Control*> PendingChanges::modifiedControls() const {
    std::vector<const Control*> out;
    for (const Tracked& t : tracked_) {
        if (t.modified) out.push_back(t.control);
    }
    return out;
}

std::vector<DiskChange> PendingChanges::changedOnDisk() const {
    const std::vector<GameValue>& table = gameValues();
    std::vector<DiskChange> out;
    for (GameFileKind file : kGameFileKinds) {
        std::vector<std::size_t> values;
        for (std::size_t i = 0; i < table.size(); ++i) {
            if (table[i].file == file && rowListed(i)) values.push_back(i);
        }
        if (values.empty() || !fileUsable(file)) continue;
        ByteFile bytes(filePath(file), ByteFile::Mode::ReadOnly);
        std::vector<std::vector<Patch>> now;
        std::vector<Patch*> places;
        for (std::size_t i : values) now.push_back(entries_[i].places);
        for (auto& list : now) {
            for (Patch& p : list) places.push_back(&p);
        }
        if (!readPlaces(bytes, places)) continue;
        for (std::size_t k = 0; k < values.size(); ++k) {
            const std::size_t i = values[k];
            const std::vector<std::uint8_t> was = joined(entries_[i].places);
            const std::vector<std::uint8_t> disk = joined(now[k]);
            if (was == disk) continue;
            const GameValue& v = table[i];
            DiskChange c;
            c.value = i;
            c.file = file;
            c.what = valueLabel(v, editor_.main);
            c.control = v.control;
            c.read = shownValue(v, valueFromBytes(v, was).value_or("?"));
            const std::optional<std::string> diskValue = valueFromBytes(v, disk);
            c.disk = diskValue ? shownValue(v, *diskValue) : "?";
            c.diskValue = diskValue.value_or("");
            c.sheet = shownValue(v, controlValue(*trackedOf(i).control));
            c.diskBytes = disk;
            out.push_back(std::move(c));
        }
    }
    return out;
}

}  // namespace varnisk
