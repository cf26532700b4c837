#include "core/ChangesWindow.h"

#include <algorithm>

#include "core/Editor.h"
#include "core/MainFrame.h"
#include "gamedata/Backup.h"
#include "gamedata/PutBack.h"

namespace varnisk {

namespace {

constexpr int kWidth = 600, kHeight = 330;

Control& button(Form& form, const char* name, const char* caption, Rect r) {
    Control& c = form.add(ControlKind::Button, name, nullptr, r);
    c.caption = caption;
    return c;
}

std::string countText(std::size_t n) { return std::to_string(n) + (n == 1 ? " change" : " changes"); }

// The tab of the main window's page control that holds the control, and
// that page control.
void showTabOf(Form& main, const Control& control) {
    const Control* page = control.parent;
    while (page != nullptr && page->kind != ControlKind::Page) page = page->parent;
    if (page == nullptr || page->parent == nullptr) return;
    Control& pages = main.get("Onglets");
    int index = 0;
    for (const auto& c : main.controls()) {
        if (c.get() == page) {
            main.setIndex(pages, index);
            return;
        }
        if (c->kind == ControlKind::Page && c->parent == &pages) ++index;
    }
}

Control* selectedControl(Editor& e) {
    const Control& list = e.changesForm.get("List");
    if (list.index < 0 || list.index >= static_cast<int>(e.shownChanges.size())) return nullptr;
    return &e.main.get(e.shownChanges[static_cast<std::size_t>(list.index)].control);
}

}  // namespace

void buildChangesWindow(Form& form) {
    Control& summary = form.add(ControlKind::Caption, "Summary", nullptr, {8, 8, kWidth - 24, 17});
    summary.caption = "No changes to export";
    Control& list = form.add(ControlKind::Choice, "List", nullptr, {8, 28, kWidth - 24, kHeight - 100});
    list.style = ChoiceStyle::List;
    list.columns = {"File", "Value", "In the game", "In the sheet", "On disk now"};
    const int y = kHeight - 66;
    Control& one = button(form, "PutBack", "Put Back", {8, y, 90, 23});
    one.enabled = false;
    one.hint = "Puts the selected value back to the game's";
    Control& all = button(form, "PutBackAll", "Put Back All", {104, y, 90, 23});
    all.enabled = false;
    all.hint = "Puts every value back to the game's";
    Control& restore = button(form, "Restore", "Restore Originals...", {kWidth - 232, y, 120, 23});
    restore.hint = "Puts the game's files back as they were before Varnisk's first export, from their backups";
    button(form, "Close", "Close", {kWidth - 106, y, 90, 23});
    form.setSize(kWidth, kHeight);
}

void buildChangesButton(Form& main) {
    Control& c = main.add(ControlKind::Button, "ChangesButton", nullptr, {0, 0, 76, 18});
    c.visible = false;
    c.hint = "The values Export All will write (Ctrl+L)";
    placeChangesButton(main);
}

void placeChangesButton(Form& main) {
    Control* c = main.find("ChangesButton");
    if (c == nullptr) return;
    const Rect view = main.get("GLView").bounds;
    main.setBounds(*c, {view.left + view.width - c->bounds.width - 3, view.top + 3, c->bounds.width, c->bounds.height});
}

void wireChangesWindow(Editor& e) {
    Form& f = e.changesForm;
    f.get("Close").on.click = [&e](Control&) { e.changesForm.hide(); };
    f.get("Restore").on.click = [&e](Control&) {
        askAndRestoreGameFiles(e);
        refreshChanges(e);
    };
    f.get("List").on.change = [&e](Control&) {
        if (Control* c = selectedControl(e)) showTabOf(e.main, *c);
        refreshChanges(e);
    };
    f.get("List").on.doubleClick = [&e](Control&) {
        if (Control* c = selectedControl(e)) {
            showTabOf(e.main, *c);
            e.main.show();
            e.main.requestFocus(*c);
        }
    };
    f.get("PutBack").on.click = [&e](Control&) {
        Control* c = selectedControl(e);
        if (c == nullptr) return;
        Control& list = e.changesForm.get("List");
        const int at = list.index;
        const std::string what = e.shownChanges[static_cast<std::size_t>(at)].what;
        putBack(e, {c}, "Put back " + what);
        refreshChanges(e);
        // The next row is selected, so that values can be put back one
        // after another.
        if (list.index < 0 && !list.items.empty()) {
            e.changesForm.setIndex(list, std::min(at, static_cast<int>(list.items.size()) - 1));
            refreshChanges(e);
        }
    };
    f.get("PutBackAll").on.click = [&e](Control&) {
        std::vector<Control*> controls;
        for (const PendingChange& row : e.pending.changes()) controls.push_back(&e.main.get(row.control));
        putBack(e, controls, "Put back all");
        refreshChanges(e);
    };
    f.onShow = [&e] { refreshChanges(e); };
    e.main.get("ChangesButton").on.click = [&e](Control&) { showChanges(e); };
}

void refreshChangesButton(Editor& e) {
    Form& main = e.main;
    Control& badge = main.get("ChangesButton");
    const std::size_t n = e.pending.count();
    main.setCaption(badge, n > 0 ? countText(n) : "");
    main.setVisible(badge, n > 0);
}

void refreshChanges(Editor& e) {
    const std::vector<PendingChange> rows = e.pending.changes();
    const Form& main = e.main;

    Form& f = e.changesForm;
    if (!f.visible()) {
        e.shownChanges = rows;
        return;
    }
    std::array<std::size_t, 3> byFile{};
    std::vector<std::string> items;
    for (const PendingChange& row : rows) {
        ++byFile[static_cast<std::size_t>(row.file)];
        const GameValue& v = gameValues()[row.value];
        std::string disk;
        for (const DiskChange& d : e.lastDiskCheck) {
            if (d.value == row.value) disk = readableValue(v, d.disk);
        }
        std::string sheet = readableValue(v, row.sheet);
        if (main.get(row.control).mark == Mark::DoesNotFit) sheet += " (does not fit)";
        items.push_back(std::string(gameFileName(row.file)) + "\t" + row.what + "\t" + readableValue(v, row.game) + "\t" +
                        sheet + "\t" + disk);
    }
    const std::string summary = rows.empty() ? "No changes to export: the game's files hold every value of the sheet"
                                             : countText(rows.size()) + " to export: " + countsByFile(byFile);
    Control& list = f.get("List");
    // The selection stays on its value while the rows change around it.
    std::string selected;
    if (list.index >= 0 && list.index < static_cast<int>(e.shownChanges.size())) {
        selected = e.shownChanges[static_cast<std::size_t>(list.index)].control;
    }
    e.shownChanges = rows;
    f.setCaption(f.get("Summary"), summary);
    f.setItems(list, std::move(items));
    int index = -1;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].control == selected) index = static_cast<int>(i);
    }
    f.setIndex(list, index);
    f.setEnabled(f.get("PutBack"), index >= 0);
    f.setEnabled(f.get("PutBackAll"), !rows.empty());
}

void showChanges(Editor& e) {
    e.changesForm.show();
    refreshChanges(e);
}

}  // namespace varnisk
