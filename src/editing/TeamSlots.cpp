#include "editing/TeamSlots.h"

#include "core/Editor.h"
#include "gamedata/ExeLayout.h"

namespace varnisk {

void wireTeamSlots(Editor& editor) {
    for (int t = 0; t < 11; ++t) {
        editor.main.get("LMDSlot" + std::to_string(t)).on.change = [&editor](Control& c) { lmdSlot0Change(editor, c); };
    }
}

void lmdSlot0Change(Editor& editor, Control& field) {
    const int t = field.number();
    if (t < 0 || t > 10) return;
    if (!field.text.empty()) editor.game.names[t] = field.text;
    const std::string shown = mister(editor.game.names[t]);
    Form& f = editor.main;
    f.setCaption(f.get("Panel" + std::to_string(t + 46)), shown);
    f.setCaption(f.get("PanelTT" + std::to_string(t + 1)), shown);
    f.setCaption(f.get("PanelTC" + std::to_string(t)), shown);
}

}  // namespace varnisk
