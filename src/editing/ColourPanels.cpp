#include "editing/ColourPanels.h"

#include <cstdio>

#include "core/Editor.h"

namespace varnisk {

namespace {

// The number after the seven letters of "PanelAC" / "PanelRC".
int panelNumber(const Control& panel) {
    const std::string digits = panel.name.substr(7);
    int n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return digits.empty() ? -1 : n;
}

}  // namespace

void wireColourPanels(Editor& editor) {
    for (const char* family : {"PanelAC", "PanelRC"}) {
        for (int base : {0, 20}) {
            for (int t = 0; t < 11; ++t) {
                Control& c = editor.main.get(family + std::to_string(base + t));
                c.on.click = [&editor](Control& panel) { lmdColor0Change(editor, panel); };
                c.on.doubleClick = [&editor](Control& panel) { editColor(editor, panel); };
            }
        }
    }
}

void lmdColor0Change(Editor& editor, Control& panel) { editor.carRefresh(panelNumber(panel)); }

void editColor(Editor& editor, Control& panel) {
    ColourDialogRequest request;
    request.colour = panel.colour;
    char entry[16];
    std::snprintf(entry, sizeof entry, "colorA=%06X", static_cast<unsigned>(resolveColour(panel.colour) & 0xFFFFFFu));
    request.customColours.push_back(entry);
    if (std::optional<std::uint32_t> chosen = editor.ui.chooseColour(request)) {
        editor.main.setColour(panel, *chosen == 0 ? 0x010101u : *chosen);
    }
    lmdColor0Change(editor, panel);
}

}  // namespace varnisk
