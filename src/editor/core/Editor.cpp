#include "core/Editor.h"

#include "base/Errors.h"
#include "core/ChangesWindow.h"
#include "core/MainFrame.h"
#include "core/ViewCaption.h"
#include "datasets/LoadDataSet.h"
#include "datasets/SaveWindow.h"
#include "editing/ColourPanels.h"
#include "editing/Defaults.h"
#include "editing/MouseActions.h"
#include "editing/PreviewFeed.h"
#include "editing/TeamOperations.h"
#include "editing/TeamSlots.h"
#include <algorithm>
#include "editing/ArchiveChoice.h"
#include "gamedata/Backup.h"
#include "gamedata/ExportAll.h"
#include "gamedata/FieldSheet.h"
#include "gamedata/GameFolder.h"
#include "gamedata/ImportAll.h"

namespace varnisk {

Editor::Editor(Ui& port, Registry& registryPort, Options options)
    : ui(port),
      registry(registryPort),
      StartDir(std::move(options.startDir)),
      dispatcher_([&port](const std::string& text) { port.error(text); }) {
    buildFieldSheet(main);
    buildMainFrame(main);
    buildChangesButton(main);
    buildViewCaption(main);
    buildCreditsWindow(credits);
    buildSaveWindow(save);
    buildChangesWindow(changesForm);
    pending.attach();
    main.onWatchedChange = [this](Control& c) { pending.controlChanged(c); };
    pending.onCountChanged = [this] { refreshChangesButton(*this); };
    wire();

    credits.setSize(264, 195);
    save.setSize(480, 314);
    main.setMinSize(kMinWidth, kMinHeight);
    // The first sizing of the main window runs its resize handler.
    main.setSize(kStartWidth, kStartHeight);
    refreshViewCaption(*this);
}

void Editor::wire() {
    main.onResize = [this] { formResize(); };
    main.get("ImportButton").on.click = [this](Control&) { importAll(*this); };
    main.get("ExportButton").on.click = [this](Control&) { varnisk::exportAll(*this); };
    main.get("LoadButton").on.click = [this](Control&) { loadDataSet(*this); };
    main.get("LMDPath").on.click = [this](Control&) { chooseGP4Path(*this); };
    main.get("LMDButton4").on.click = [this](Control&) { changeCarswad(*this); };
    main.get("LMDButton8").on.click = [this](Control&) { lmdButton8Click(*this); };
    main.get("AboutButton").on.click = [this](Control&) { aboutClick(); };
    credits.get("Button1").on.click = [this](Control&) { credits.hide(); };
    wireColourPanels(*this);
    wireTeamSlots(*this);
    wireMouseActions(*this);
    wirePreviewFeed(*this);
    wireDefaults(*this);
    wireSaveWindow(*this);
    wireChangesWindow(*this);
    for (Form* f : forms()) {
        f->onUserEvent = [this, f](Control& c, bool typing) { history.userEvent(*f, c, typing); };
    }
    history.writesFiles(main.get("ExportButton"));
    history.writesFiles(main.get("SaveButton"));
    history.writesFiles(save.get("LMDButton1"));
}

bool Editor::dispatch(const std::function<void()>& operation) {
    const bool ok = runStep(operation);
    // The frame the operation asked for is planned as its last step, a step
    // of its own for the history and for an error it meets (a camera value
    // that holds no number).
    if (frameAsked_ && viewOpen && !terminated()) runStep([this] { planFrameNow(); });
    return ok;
}

bool Editor::runStep(const std::function<void()>& step) {
    history.operationStarted();
    const bool ok = dispatcher_.run(step);
    history.operationEnded();
    afterOperation();
    return ok;
}

void Editor::requestFrame() {
    frameAsked_ = true;
    ui.repaintPreview();
}

void Editor::planFrameNow() {
    struct Planned {
        bool& asked;
        ~Planned() { asked = false; }
    } planned{frameAsked_};
    planFrame(*this);
}

void Editor::afterOperation() {
    // The list follows every edit while it is open; the caption over the
    // preview and the highlighted row follow the camera and team on show.
    if (changesForm.visible()) refreshChanges(*this);
    refreshViewCaption(*this);
}

std::string Editor::describe(const Form& form, const Control& control) const {
    if (control.kind == ControlKind::Button && !control.caption.empty()) return control.caption;
    if (&form == &main) {
        if (const GameValue* value = pending.valueOf(control)) return valueLabel(*value, main);
        return control.name;
    }
    return form.className() + "." + control.name;
}

void Editor::checkGameFiles() {
    try {
        lastDiskCheck = pending.changedOnDisk();
    } catch (const FileError&) {
        return;  // Export All says what is wrong with a file it cannot read
    }
    std::vector<DiskChange> untold;
    for (const DiskChange& change : lastDiskCheck) {
        const std::pair<std::size_t, std::vector<std::uint8_t>> key{change.value, change.diskBytes};
        if (std::find(toldOnDisk_.begin(), toldOnDisk_.end(), key) != toldOnDisk_.end()) continue;
        toldOnDisk_.push_back(key);
        untold.push_back(change);
    }
    if (changesForm.visible()) refreshChanges(*this);
    if (untold.empty()) return;
    std::string text = "Another program changed values in the game's files since Varnisk read them, and the sheet "
                       "holds other values for them:";
    for (const DiskChange& c : untold) text += "\r\n" + diskChangeLine(c);
    text += "\r\nExport All will ask before it overwrites them.";
    ui.message(text);
}

void Editor::undo() { takeHistoryStep(false); }

void Editor::redo() { takeHistoryStep(true); }

void Editor::takeHistoryStep(bool redo) {
    const std::string key = preview.CarTeamKey;
    const std::string name = redo ? history.redo() : history.undo();
    if (name.empty()) {
        setStatus(redo ? "Nothing to redo" : "Nothing to undo");
        return;
    }
    // The values came back as they were; a view that already drew another
    // team's car loads the shape of the one now on show (a view that drew
    // nothing yet reads it anyway).
    if (preview.CarTeamKey != key) preview.ReloadCarShape = true;
    requestFrame();
    setStatus((redo ? "Redone: " : "Undone: ") + name);
}

void Editor::keptInFile(const std::vector<const Control*>& controls) {
    for (const Control* c : controls) savedValues_[c] = controlValue(*c);
}

bool Editor::hasUnkeptEdits() const {
    if (!history.hasUnkeptEdits()) return false;
    if (!pending.anyFileKnown()) return true;
    for (const Control* c : pending.modifiedControls()) {
        auto saved = savedValues_.find(c);
        if (saved == savedValues_.end() || saved->second != controlValue(*c)) return true;
    }
    return false;
}

bool Editor::mayClose(const std::function<CloseAnswer()>& ask) {
    if (!hasUnkeptEdits()) return true;
    switch (ask()) {
    case CloseAnswer::Discard: return true;
    case CloseAnswer::Cancel: return false;
    case CloseAnswer::Export: break;
    }
    const bool ok = dispatch([this] { main.userClick(main.get("ExportButton")); });
    return ok && !terminated() && !hasUnkeptEdits();
}

Editor::Found Editor::findControl(std::string_view qualifiedName) {
    Form* form = &main;
    std::string_view name = qualifiedName;
    if (auto dot = qualifiedName.find('.'); dot != std::string_view::npos) {
        std::string_view cls = qualifiedName.substr(0, dot);
        form = nullptr;
        for (Form* f : forms()) {
            if (lowerName(f->className()) == lowerName(cls)) form = f;
        }
        if (form == nullptr) return {};
        name = qualifiedName.substr(dot + 1);
    }
    Control* c = form->find(name);
    if (c == nullptr) return {};
    return {form, c};
}

bool Editor::startUp() {
    bool ok = dispatch([this] { importAll(*this); });
    // A registered game whose files cannot be read must not lock the user
    // out: after its error comes the chooser, until a game imports or the
    // user gives up.
    while (!ok && !terminated()) ok = dispatch([this] { chooseGameAfterFailedImport(*this); });
    return ok && !terminated();
}

void Editor::formResize() {
    layoutMainFrame(main);
    placeChangesButton(main);
    placeViewCaption(main);
    drag.PressedCamField = "LMDEdit" + std::to_string(CurrentCamField);
    requestFrame();
}

void Editor::aboutClick() { credits.show(); }

void Editor::setStatus(const std::string& text) { main.setCaption(main.get("Status"), text); }

}  // namespace varnisk
