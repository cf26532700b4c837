#include "editing/TeamSlots.h"

#include "core/Editor.h"
#include "editing/PreviewFeed.h"
#include "game/ExeLayout.h"
#include "gamedata/FieldSheet.h"
#include "gamedata/TyreData.h"

namespace varnisk {

void wireTeamSlots(Editor& editor) {
    Form& f = editor.main;
    for (int t = 0; t < 11; ++t) {
        Control& slot = f.get(fieldName("LMDSlot", t));
        slot.on.change = [&editor](Control& c) { lmdSlot0Change(editor, c); };
        slot.on.click = [&editor](Control& c) { lmdSlot0Click(editor, c); };
        f.get(fieldName("UpDown", t + 1)).on.click = [&editor](Control& c) { changeType(editor, c); };
    }
    f.get("LMDTeamOp").on.change = [&editor](Control& c) { lmdTeamOpChange(editor, c); };
}

void lmdSlot0Change(Editor& editor, Control& field) {
    const int t = field.number();
    if (t < 0 || t > 10) return;
    // An emptied field leaves the stored name as it was.
    showTeamName(editor, t, field.text.empty() ? editor.game.names[t] : field.text);
}

void lmdSlot0Click(Editor& editor, Control& field) { carRefresh(editor, field.number()); }

void changeType(Editor& editor, Control& selector) {
    showBrandCaption(editor, selector.number() - 1);
    editor.setStatus("");
}

void lmdTeamOpChange(Editor& editor, Control& choice) {
    struct Labels {
        int left1;
        const char* caption1;
        int left2;
        const char* caption2;
    };
    static constexpr Labels kCopy{80, "from", 152, "to"}, kSwap{70, "between", 148, "and"};
    const Labels* labels = choice.index == 0 ? &kCopy : choice.index == 1 ? &kSwap : nullptr;
    if (labels == nullptr) return;
    Form& f = editor.main;
    auto place = [&f](const char* name, int left, const char* caption) {
        Control& label = f.get(name);
        Rect r = label.bounds;
        r.left = left;
        f.setBounds(label, r);
        f.setCaption(label, caption);
    };
    place("Label1", labels->left1, labels->caption1);
    place("Label2", labels->left2, labels->caption2);
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
