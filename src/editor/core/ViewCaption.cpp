#include "core/ViewCaption.h"

#include <algorithm>

#include "core/Editor.h"
#include "editing/MouseActions.h"
#include "gamedata/FieldSheet.h"

namespace varnisk {

namespace {

bool isChase(int n) { return n == 101 || n == 102; }

// The camera record whose row has this base number.
int recordOfBase(int base) { return base == 105 ? 0 : base == 106 ? 11 : base; }

}  // namespace

void buildViewCaption(Form& main) {
    Control& c = main.add(ControlKind::Caption, "ViewCaption", nullptr, {0, 0, 200, 16});
    c.align = Align::Left;
    placeViewCaption(main);
}

void placeViewCaption(Form& main) {
    Control* c = main.find("ViewCaption");
    if (c == nullptr) return;
    const Rect view = main.get("GLView").bounds;
    main.setBounds(*c, {view.left + 3, view.top + 3, c->bounds.width, c->bounds.height});
}

std::string viewCaptionText(Editor& e) {
    const int n = e.CurrentCamField;
    const std::string camera = isChase(n) ? "Chase Cameras" : cameraRowCaption(recordOfBase(rowBase(n)));
    const int team = e.preview.LastShownTeam;
    const Control* name = team >= 0 && team <= 10 ? e.main.find(fieldName("PanelTC", team)) : nullptr;
    return name == nullptr ? camera : camera + " \xB7 " + name->caption;
}

void refreshViewCaption(Editor& e) {
    Form& f = e.main;
    f.setCaption(f.get("ViewCaption"), viewCaptionText(e));
    std::vector<Control*> row;
    if (isChase(e.CurrentCamField)) {
        row = {&f.get("LMDEdit101"), &f.get("LMDEdit102")};
    } else {
        const int base = rowBase(e.CurrentCamField);
        for (int j = 0; j < 10; ++j) {
            if (Control* c = f.find(fieldName("LMDEdit", base + 10 * j))) row.push_back(c);
        }
    }
    for (Control* c : e.highlightedRow) {
        if (std::find(row.begin(), row.end(), c) == row.end()) f.setHighlighted(*c, false);
    }
    for (Control* c : row) f.setHighlighted(*c, true);
    e.highlightedRow = std::move(row);
}

}  // namespace varnisk
