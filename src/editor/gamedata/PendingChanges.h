#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "form/Form.h"
#include "game/Patch.h"
#include "gamedata/GameValues.h"

namespace varnisk {

class Editor;

// One value Export All would write: a row of the list of changes. Texts as
// the list shows them (the program's code page).
struct PendingChange {
    std::size_t value = 0;  // index into gameValues()
    GameFileKind file = GameFileKind::Exe;
    std::string what;     // "Camera 3 \xB7 Pitch"
    std::string control;  // "LMDEdit43"
    std::string game;     // as the files held it when last read or written
    std::string sheet;    // as the sheet holds it
};

// A value Export All would write whose place another program changed since
// Varnisk last read or wrote it.
struct DiskChange {
    std::size_t value = 0;
    GameFileKind file = GameFileKind::Exe;
    std::string what;
    std::string control;
    std::string read;   // as Varnisk read or wrote it
    std::string disk;   // as the file holds it now
    std::string sheet;  // as the sheet holds it
    std::string diskValue;  // the control's value for the bytes on disk; empty when they name none
    std::vector<std::uint8_t> diskBytes;
};

// A change on disk as the messages name it: "GP4.exe \xB7 Camera 2 \xB7 X: 25
// when read, 30 on disk now, 44 in the sheet" (colours as "#RRGGBB").
std::string diskChangeLine(const DiskChange& change);

// What the game's files hold as Varnisk last read them (Import All) or wrote
// them (Export All), value by value: the bytes of each value's places, and the
// value its control showed for them. A control whose value differs from that
// is modified: it carries a mark (with the game's value as its note), it is
// a row of the list of changes, and it is what Export All writes. Nothing
// else is: values of a file that was not read, or whose place is not known,
// are never marked.
//
// A change of a followed control costs one comparison of that control; the
// rows are worked out only when asked for.
class PendingChanges {
public:
    explicit PendingChanges(Editor& editor) : editor_(editor) {}

    PendingChanges(const PendingChanges&) = delete;
    PendingChanges& operator=(const PendingChanges&) = delete;

    // Follows the main window's value controls; once its sheet is built.
    void attach();
    // The value a control holds (its first entry); nullptr for any other.
    const GameValue* valueOf(const Control& control) const;

    // --- what the files hold ---
    // After Import All: every file's values read again from the files as
    // they are now, each control's value as Import All shows those bytes. A
    // file that is missing holds none.
    void takeAfterImport();
    // After another archive was read ("Manual Cars wad"): its values.
    void takeArchive();
    // Before Export All: the files no earlier read holds (missing at the
    // import, or no import yet), read now, each control's value as Import
    // All would show the bytes. Throws FileError when a place lies beyond
    // the file's end.
    void takeFilesNotRead();
    // After Export All wrote these values (indexes into gameValues()): the
    // bytes written, and their controls' values as the sheet shows them.
    void wrote(const std::vector<std::size_t>& values, const std::vector<std::vector<Patch>>& written);
    // The bytes now on disk for these values become what the files hold, and
    // their controls' values those the bytes give (another program's values
    // taken into the sheet).
    void takeFromDisk(const std::vector<DiskChange>& changes);
    // The files read or written before, read again (restored from their
    // backups): each control's value as Import All shows the bytes.
    void takeAgain();
    // Forgets every file (a new game folder before its import).
    void forget();

    // --- what differs ---
    // Whether the control is followed and its value differs from the files'.
    bool modified(const Control& control) const;
    // The value the files hold for the control as the control would hold it;
    // empty when it is not followed.
    std::string gameValueOf(const Control& control) const;
    // The rows, grouped by file in the order GP4.exe, f1gstate.sav,
    // cars.wad, and within a file in the table's order.
    std::vector<PendingChange> changes() const;
    // The controls whose value differs from the files'.
    std::vector<const Control*> modifiedControls() const;
    // Whether any file's values are known (read or written).
    bool anyFileKnown() const { return fileTaken_[0] || fileTaken_[1] || fileTaken_[2]; }

    // --- the files on disk ---
    // Among the rows, those whose places on disk no longer hold what Varnisk
    // read or wrote there. Reads only those places; a file that is missing
    // or too short is left to Export All to report.
    std::vector<DiskChange> changedOnDisk() const;

    // --- the marks ---
    // Keeps the control's mark current (the form's watch hook calls it).
    void controlChanged(Control& control);
    // How many rows there are, kept as controls change (no pass over the
    // sheet); told to onCountChanged when it changes.
    std::size_t count() const { return count_; }
    std::function<void()> onCountChanged;
    // Without following, no control is marked and every value counts as
    // modified (how Export All worked before; the benchmark's baseline).
    void setFollowing(bool on);
    bool following() const { return following_; }

private:
    struct Entry {
        bool known = false;
        std::vector<Patch> places;  // offsets and the bytes the files held there
    };
    struct Tracked {
        Control* control = nullptr;
        std::vector<std::size_t> values;  // its entries, primary first
        bool known = false;
        std::string value;  // the control's value for what the files hold
        bool modified = false;
    };

    void takeFile(GameFileKind file, bool mustFit);
    std::string filePath(GameFileKind file) const;
    bool fileUsable(GameFileKind file) const;
    void refresh(Tracked& tracked);
    void recount();
    void refreshAll();
    bool rowListed(std::size_t value) const;
    const Tracked& trackedOf(std::size_t value) const { return tracked_[trackedIndex_[value]]; }

    Editor& editor_;
    std::vector<Entry> entries_;            // by value
    std::vector<std::size_t> trackedIndex_;  // by value: its control's place in tracked_
    std::vector<Tracked> tracked_;
    std::unordered_map<const Control*, std::size_t> byControl_;
    std::array<bool, 3> fileTaken_{};
    std::size_t modifiedCount_ = 0;
    std::size_t count_ = 0;
    std::size_t secondBrand_ = 0;  // the value of team 1's brand code
    bool following_ = true;
};

}  // namespace varnisk
