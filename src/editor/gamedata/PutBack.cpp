#include "gamedata/PutBack.h"

#include "core/Editor.h"
#include "editing/ColourPanels.h"
#include "gamedata/TyreData.h"
#include "numeric/Numbers.h"

namespace varnisk {

void putControlValue(Editor& e, Control& c, const std::string& value) {
    switch (c.kind) {
    case ControlKind::Edit: e.main.setText(c, value); break;
    case ControlKind::Colour:
        e.main.setColour(c, static_cast<std::uint32_t>(std::stoul(value)));
        lmdColor0Change(e, c);  // the preview shows the team
        break;
    case ControlKind::UpDown: showBrand(e, c.number() - 1, parseInt(value)); break;
    default: break;
    }
}

void putBack(Editor& e, const std::vector<Control*>& controls, const std::string& stepName) {
    e.history.nameStep(stepName);
    for (Control* c : controls) {
        if (!e.pending.modified(*c)) continue;
        putControlValue(e, *c, e.pending.gameValueOf(*c));
    }
}

void takeTheirs(Editor& e, const std::vector<DiskChange>& changes) {
    e.history.recordStep("Take theirs", [&] {
        e.pending.takeFromDisk(changes);
        for (const DiskChange& change : changes) {
            if (change.diskValue.empty() || !gameValues()[change.value].primary) continue;
            putControlValue(e, e.main.get(change.control), change.diskValue);
        }
    });
}

}  // namespace varnisk
