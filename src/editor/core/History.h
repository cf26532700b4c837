#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/StoreMembers.h"

namespace varnisk {

class Control;
class Editor;
class Form;

// The undo history of the user's operations.
//
// A step is one operation of the user that changed what the user edits: the
// values of the main window's controls and the save window's boxes, and the
// members of the editor's stores that their lists (forEachMember, see
// base/StoreMembers.h) mark as edits: the values read from the game and what
// the preview draws. What the lists mark as following the edits is put back
// with them. A click, a whole drag from press to release, a colour chosen, a
// load, Import All, a default button, a team copy or swap: each is one step,
// named by the button's caption or by the control's name. Keys typed into one
// field, one after another, make one step until another control is used.
//
// Operations that write files (Export All, saving a value set, restoring the
// backups) are never steps: their changes stay when steps around them are
// undone, and the history stays as it was.
//
// Each step keeps only what it changed, before and after, packed in one
// string: a keystroke costs a few dozen bytes.
//
// The editor reports its operations: `operationStarted` and `operationEnded`
// around each event a front end dispatches, `userEvent` from the forms'
// hooks as the event reaches its control.
class History {
public:
    explicit History(Editor& editor);

    History(const History&) = delete;
    History& operator=(const History&) = delete;

    // --- reports from the editor ---
    void operationStarted();
    void operationEnded();
    // The user acted on a control; typing is a key or an edit of its text.
    void userEvent(Form& form, Control& control, bool typing);
    // The sheet's edits reached the game or a value set file, or were
    // replaced by the game's values: from the end of the running operation,
    // the sheet holds no unkept edits.
    void editsKept();
    // Names the step of the running operation (a put back names its value).
    void nameStep(std::string name);
    // Runs `body` as a step of its own named `name`, inside an operation
    // that makes none (Export All taking another program's values, a file
    // dropped onto the window). A body that fails is passed on, and what it
    // changed before is a step all the same, as a click's that fails.
    void recordStep(const std::string& name, const std::function<void()>& body);

    // --- the user's commands ---
    // Undo puts every value of the last step back as it was before it; redo
    // applies it again. Both return the step's name, empty when there was
    // nothing to undo or redo (or a drag is under way).
    std::string undo();
    std::string redo();

    // --- what it holds ---
    // The names of the steps undo and redo would take, oldest first.
    std::vector<std::string> undoNames() const;
    std::vector<std::string> redoNames() const;
    // Whether the sheet holds edits that were not exported or saved since the
    // last import, export or save.
    bool hasUnkeptEdits() const;
    // The bytes the history keeps, the buffers of its snapshots included.
    std::size_t memoryBytes() const;

    // The user's operations on this control write files: they are never
    // steps.
    void writesFiles(const Control& control) { fileWriters_.push_back(&control); }

    // Without recording, every operation runs as if there were no history
    // (the baseline of the benchmark); on by default.
    void setRecording(bool on) { recording_ = on; }

private:
    // One value the history keeps, written to and read back from bytes.
    struct Slot {
        std::function<void(std::string&)> write;
        std::function<void(std::string_view)> read;
        bool defining = true;  // a change of it alone makes a step
    };
    // The values of every slot, one after another.
    struct Image {
        std::string bytes;
        std::vector<std::uint32_t> ends;
        std::string_view at(std::size_t slot) const;
    };
    struct Step {
        std::string name;
        std::string changes;  // packed: per slot its number, before and after
        const Control* control = nullptr;
        bool typing = false;
        std::uint64_t id = 0;
    };

    void addSlots();
    void addControls(Form& form);
    // A member of a store with its role in undo: a store by its own list,
    // an array element by element, anything else as one slot.
    template <class T>
    void addMember(T& member, UndoRole role);
    template <class T>
    void addValue(T& value, bool defining);
    void take(Image& image) const;
    bool mouseHeld() const;
    void closeStep();
    // Packs what differs between two images; whether a defining slot did.
    bool packChanges(const Image& before, const Image& after, std::string& out) const;
    // Writes the before or after values of a step's changes into the stores.
    void apply(const Step& step, bool after);
    // Moves the newest step of `from` onto `to` and applies it (its after
    // values for a redo, its before values for an undo); the step's name.
    std::string moveStep(std::vector<Step>& from, std::vector<Step>& to, bool after);
    std::uint64_t topId() const { return undo_.empty() ? 0 : undo_.back().id; }

    Editor& editor_;
    std::vector<Slot> slots_;
    std::vector<Step> undo_;
    std::vector<Step> redo_;

    int depth_ = 0;         // dispatches under way, nested ones included
    bool open_ = false;     // a step is being recorded
    Step pending_;          // its name and kind
    Image before_;          // the values when it began
    Image after_;           // scratch for its end

    std::vector<const Control*> fileWriters_;
    const Control* lastControl_ = nullptr;  // the control of the last user event
    bool mergeable_ = false;  // the last step may take in the next keys
    bool keptPending_ = false;
    std::uint64_t keptId_ = 0;
    std::uint64_t nextId_ = 1;
    bool recording_ = true;
};

}  // namespace varnisk
