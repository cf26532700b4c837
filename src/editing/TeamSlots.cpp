#include "editing/TeamSlots.h"

#include "core/Editor.h"
#include "gamedata/ExeLayout.h"
#include "gamedata/FieldSheet.h"

namespace varnisk {

void wireTeamSlots(Editor& editor) {
    for (int t = 0; t < 11; ++t) {
        editor.main.get(fieldName("LMDSlot", t)).on.change = [&editor](Control& c) { lmdSlot0Change(editor, c); };
    }
}

void lmdSlot0Change(Editor& editor, Control& field) {
    const int t = field.number();
    if (t < 0 || t > 10) return;
    // An emptied field leaves the stored name as it was.
    showTeamName(editor, t, field.text.empty() ? editor.game.names[t] : field.text);
}

void showTeamName(Editor& editor, int t, const std::string& name) {
    editor.game.names[t] = name;
    const std::string shown = mister(name);
    Form& f = editor.main;
    f.setCaption(f.get(fieldName("Panel", t + 46)), shown);
    f.setCaption(f.get(fieldName("PanelTT", t + 1)), shown);
    f.setCaption(f.get(fieldName("PanelTC", t)), shown);
}

}  // namespace varnisk
