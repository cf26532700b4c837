#include "core/Editor.h"

#include "core/MainFrame.h"
#include "form/Errors.h"
#include "gamedata/FieldSheet.h"

namespace varnisk {

Editor::Editor(Ui& port, Options options)
    : ui(port), StartDir(std::move(options.startDir)), dispatcher_([&port](const std::string& text) { port.error(text); }) {
    buildFieldSheet(main);
    buildMainFrame(main);
    buildCreditsWindow(credits);
    wire();

    credits.setSize(264, 195);
    save.setSize(480, 314);
    main.setMinSize(kMinWidth, kMinHeight);
    // The first sizing of the main window runs its resize handler.
    main.setSize(kStartWidth, kStartHeight);
}

void Editor::wire() {
    main.onResize = [this] { formResize(); };
    main.get("ImportButton").on.click = [this](Control&) { importAll(); };
    main.get("AboutButton").on.click = [this](Control&) { aboutClick(); };
    credits.get("Button1").on.click = [this](Control&) { credits.hide(); };
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
    bool ok = dispatch([this] { importAll(); });
    return ok && !terminated();
}

void Editor::importAll() {
    // Reading the game comes with the game files; until then the sheet keeps
    // its start values.
}

void Editor::formResize() {
    layoutMainFrame(main);
    drag.PressedCamField = "LMDEdit" + std::to_string(CurrentCamField);
    ui.repaintPreview();
}

void Editor::aboutClick() { credits.show(); }

}  // namespace varnisk
