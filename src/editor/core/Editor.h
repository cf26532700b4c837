#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/StoreMembers.h"
#include "core/History.h"
#include "core/PreviewState.h"
#include "editing/DragState.h"
#include "editing/FramePlan.h"
#include "form/Dispatcher.h"
#include "form/Form.h"
#include "game/GameData.h"
#include "game/SavedState.h"
#include "gamedata/PendingChanges.h"
#include "gamedata/TyreData.h"
#include "registry/Registry.h"
#include "ui/Ui.h"
#include "valuesets/SaveSelection.h"

namespace varnisk {

// The application: its three windows, the stores beside the field sheet, the
// drag state and the ports to the world outside. Each front end (the window,
// varnisk-cli) and each test makes one and forwards the user's events to its
// forms through `dispatch`. Nothing else is global.
class Editor {
public:
    struct Options {
        std::string startDir;  // the directory current at start (the base of CamTextures)
    };

    Editor(Ui& ui, Registry& registry, Options options);

    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    Ui& ui;
    Registry& registry;

    Form main{"TForm1", "Varnisk 6.6"};       // the main window with the field sheet
    Form credits{"TForm2", "Credits"};         // the credits window
    Form save{"TFormSave", "Choose Datas to Save"};  // the save selection window
    Form changesForm{"TFormChanges", "Changes to Export"};  // the list of changes

    // Readiness count: the change handlers of the sheet do nothing while 0.
    int SheetReady = 0;
    // The camera field whose camera the preview shows.
    int CurrentCamField = 105;
    bool GameFound = false;
    std::string StartDir;

    // The values read from the game's files.
    GameData game;
    // The archive chosen with "Manual Cars wad"; empty: the game's own.
    std::string ManualWadPath;
    // Where the last archive read keeps its collision entry.
    CollisionLookup collisionLookup;
    // How far f1gstate.sav's checksum got before the brand codes.
    SavedStatePrefix savedStatePrefix;

    DragState drag;
    PreviewState preview;
    // Whether a view of the preview has run its set-up (its host says so),
    // and what its next frame shows.
    bool viewOpen = false;
    FramePlan frame;
    SaveState saveWindow;
    // The user was told this run that the list of recent value set files
    // could not be kept, and not since it was.
    bool recentFilesLossTold = false;
    // The user's steps, for undo and redo.
    History history{*this};
    // What the game's files hold as last read or written, and which values
    // of the sheet differ from it.
    PendingChanges pending{*this};
    // The rows the list of changes shows, and what the last look at the
    // files on disk found.
    std::vector<PendingChange> shownChanges;
    std::vector<DiskChange> lastDiskCheck;
    // The fields of the camera row the preview shows, marked highlighted.
    std::vector<Control*> highlightedRow;

    // The windows, main window first.
    std::array<Form*, 4> forms() { return {&main, &credits, &save, &changesForm}; }

    // What a step of the user's on a control is called: a button's caption,
    // a value's label ("Camera 3 \xB7 Pitch"), or the control's name.
    std::string describe(const Form& form, const Control& control) const;

    // Looks whether another program changed, in the game's files, values the
    // sheet holds other values for (the window does when it gains the focus
    // again); tells the user of those not told before. Reads only those
    // values' places; a file that cannot be read is passed over.
    void checkGameFiles();

    // Finds a control by its name on the main window ("LMDEdit12") or by its
    // window's class name, a point and its name ("TFormSave.CB57"), without
    // regard to letter case. Returns nullptr when there is none.
    struct Found {
        Form* form = nullptr;
        Control* control = nullptr;
    };
    Found findControl(std::string_view qualifiedName);

    // Runs one event of a front end as an operation (see Dispatcher); the
    // history hears where each operation begins and ends.
    bool dispatch(const std::function<void()>& operation);
    bool terminated() const { return dispatcher_.terminated(); }
    int exitCode() const { return dispatcher_.exitCode(); }

    // The start-up import, run once before the main window is shown. When it
    // fails, the user is asked for another game folder until one imports;
    // returns false when the program is to end instead.
    bool startUp();

    // Asks the preview for a frame that shows the state as it will stand:
    // the running operation plans it as its last step (when a view is open)
    // and the view draws it. What planning asks for is part of that frame.
    void requestFrame();
    // Plans the next frame now, as part of the running operation (the
    // frame a `render` draws at once).
    void planFrameNow();
    // A view has run its set-up (what it asked for is part of it: no frame
    // follows), or has gone with its context.
    void viewSetUp() {
        viewOpen = true;
        frameAsked_ = false;
    }
    void viewReleased() { viewOpen = false; }

    // The message of the status panel; editing clears it with "".
    void setStatus(const std::string& text);

    // The handlers of the frame.
    void formResize();
    void aboutClick();

    // Ctrl+Z and Ctrl+Y: take back the last step or apply again the last one
    // taken back; the status panel names it, the preview follows.
    void undo();
    void redo();
    // The sheet's edits reached the game, or the game's values replaced them
    // (an import, an export).
    void editsKept() {
        history.editsKept();
        savedValues_.clear();
    }
    // A value set file now holds these controls' values as they stand.
    void keptInFile(const std::vector<const Control*>& controls);
    // Whether the sheet holds edits that neither reached the game nor a value
    // set file that holds them: a value that differs from the game's files
    // and from what the last save of it holds (or any edit since the last
    // import or export, before anything is known of the files).
    bool hasUnkeptEdits() const;

    // What the user answered when asked, on closing the main window, about
    // edits not yet exported or saved.
    enum class CloseAnswer { Export, Discard, Cancel };
    // Whether the main window may close now. With unkept edits the user is
    // asked: Export runs Export All and closes only when it kept them,
    // Discard closes, Cancel keeps the window open.
    bool mayClose(const std::function<CloseAnswer()>& ask);

private:
    void wire();
    // Undo or redo one step; the status panel names it, the preview follows.
    void takeHistoryStep(bool redo);

    // Runs one step of an operation: the history hears where it begins and
    // ends, an error ends it, and what follows every operation follows.
    bool runStep(const std::function<void()>& step);
    // After every operation: the list of changes and its button follow.
    void afterOperation();

    Dispatcher dispatcher_;
    bool frameAsked_ = false;
    // The values saved value set files hold, since the last import or export.
    std::unordered_map<const Control*, std::string> savedValues_;
    // The changes on disk the user was told of.
    std::vector<std::pair<std::size_t, std::vector<std::uint8_t>>> toldOnDisk_;
};

// Turns the sheet's change handlers off (SheetReady 0) while a load, an
// import or a reset writes its values, so that no write runs them. `resume`
// ends the pause with the handlers on (1), as after work that filled the
// sheet. A pause that ends without it, because the work threw or because the
// handlers were only to be held for a moment, gives back the count it found:
// a failed import or load does not leave the handlers off.
class HandlersPaused {
public:
    explicit HandlersPaused(Editor& editor) : editor_(editor), before_(editor.SheetReady) { editor.SheetReady = 0; }
    ~HandlersPaused() {
        if (!resumed_) editor_.SheetReady = before_;
    }
    HandlersPaused(const HandlersPaused&) = delete;
    HandlersPaused& operator=(const HandlersPaused&) = delete;

    void resume() {
        editor_.SheetReady = 1;
        resumed_ = true;
    }

private:
    Editor& editor_;
    int before_;
    bool resumed_ = false;
};

// The editor's state beside its windows (see base/StoreMembers.h): its own
// values and its stores, in the order the dump writes them, then what the
// dump leaves out. The objects that serve the windows (the pending changes,
// the rows the list of changes shows) are not listed.
// Where the dump writes the state of the view that draws the preview: its
// host holds it (SceneState), not the editor.
struct ViewState {};
inline constexpr ViewState kViewState{};

template <class Visit>
void forEachMember(Editor& e, Visit&& visit) {
    // A count the handlers raise and lower around their own work.
    visit("SheetReady", e.SheetReady, kNoUndo);
    // The camera shown: a step puts it back as it was when the step began,
    // but selecting a camera alone is no step.
    visit("CurrentCamField", e.CurrentCamField, kFollowsEdits);
    // Whether the game was found says where the files are.
    visit("GameFound", e.GameFound, kNoUndo);
    visit("drag", e.drag, kFollowsEdits);
    visit("GameData", e.game, kEdit);
    visit("PreviewState", e.preview, kEdit);
    // What the preview's frames drew, and the steps themselves.
    visit("Preview", kViewState, kNoUndo);
    visit("history", e.history, kNoUndo);
    visit("save", e.saveWindow, kFollowsEdits);
    // Where the program and the archive in use are, what the last reads of
    // the files found, and what the user was told.
    visit("StartDir", e.StartDir, kNoUndoNoDump);
    visit("ManualWadPath", e.ManualWadPath, kNoUndoNoDump);
    visit("collisionLookup", e.collisionLookup, kNoUndoNoDump);
    visit("savedStatePrefix", e.savedStatePrefix, kNoUndoNoDump);
    visit("recentFilesLossTold", e.recentFilesLossTold, kNoUndoNoDump);
    // Whether a view is open and what its next frame shows: the frames'
    // own, planned anew for every frame.
    visit("viewOpen", e.viewOpen, kNoUndoNoDump);
    visit("frame", e.frame, kNoUndoNoDump);
}

}  // namespace varnisk
