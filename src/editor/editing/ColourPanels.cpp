#include "editing/ColourPanels.h"

#include <cstdio>

#include "core/Editor.h"
#include "editing/PreviewFeed.h"
#include "gamedata/FieldSheet.h"

namespace varnisk {

void wireColourPanels(Editor& editor) {
    for (const char* family : {"PanelAC", "PanelRC"}) {
        for (int base : {0, 20}) {
            for (int t = 0; t < 11; ++t) {
                Control& c = editor.main.get(fieldName(family, base + t));
                c.on.click = [&editor](Control& panel) { lmdColor0Change(editor, panel); };
                c.on.doubleClick = [&editor](Control& panel) { editColor(editor, panel); };
            }
        }
    }
}

void lmdColor0Change(Editor& editor, Control& panel) {
    // A second-car panel (20..30) has no fields of its own: it shows the team
    // it belongs to, in that team's first-car colours.
    const int n = panel.number();
    carRefresh(editor, n >= 20 ? n - 20 : n);
}

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
