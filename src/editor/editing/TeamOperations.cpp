#include "editing/TeamOperations.h"

#include <array>
#include <cstdint>
#include <string>

#include "core/Editor.h"
#include "editing/PreviewFeed.h"
#include "editing/TeamSlots.h"
#include "gamedata/FieldSheet.h"
#include "gamedata/TyreData.h"

namespace varnisk {

namespace {

// Everything that belongs to one team, as it is held: texts as texts,
// colours as colour values.
struct TeamValues {
    std::string name;
    std::uint32_t arm = 0, rim = 0;
    std::array<std::string, 6> numbers;  // helmet Y, Z, external wheel Y, Z, T-cam Y, Z
    int brand = 0;
    std::string slotText;
};

constexpr std::array<const char*, 3> kNumberFamilies{"LMDHP", "LMDEW", "LMDTC"};

TeamValues valuesOf(Editor& e, int t) {
    const Form& f = e.main;
    TeamValues v;
    v.name = e.game.names[static_cast<std::size_t>(t)];
    v.arm = f.get(fieldName("PanelAC", t)).colour;
    v.rim = f.get(fieldName("PanelRC", t)).colour;
    for (std::size_t k = 0; k < kNumberFamilies.size(); ++k) {
        v.numbers[2 * k] = f.get(fieldName(kNumberFamilies[k], t)).text;
        v.numbers[2 * k + 1] = f.get(fieldName(kNumberFamilies[k], t + 20)).text;
    }
    v.brand = f.get(fieldName("UpDown", t + 1)).position;
    v.slotText = f.get(fieldName("LMDSlot", t)).text;
    return v;
}

void giveTo(Editor& e, int t, const TeamValues& v) {
    Form& f = e.main;
    e.game.names[static_cast<std::size_t>(t)] = v.name;
    f.setColour(f.get(fieldName("PanelAC", t)), v.arm);
    f.setColour(f.get(fieldName("PanelRC", t)), v.rim);
    for (std::size_t k = 0; k < kNumberFamilies.size(); ++k) {
        f.setText(f.get(fieldName(kNumberFamilies[k], t)), v.numbers[2 * k]);
        f.setText(f.get(fieldName(kNumberFamilies[k], t + 20)), v.numbers[2 * k + 1]);
    }
    // The selector holds the brand to its own range: only team 1's has a
    // third brand.
    showBrand(e, t, v.brand);
    f.setText(f.get(fieldName("LMDSlot", t)), v.slotText);
    // The name field's handler relabels the captions only when its text
    // changes: two emptied name fields would leave the captions showing the
    // names that were moved away.
    const std::string& name = e.game.names[static_cast<std::size_t>(t)];
    if (!name.empty()) showTeamName(e, t, name);
}

}  // namespace

void lmdButton8Click(Editor& e) {
    const Form& f = e.main;
    const int from = f.get("LMDTeam1").index;
    const int to = f.get("LMDTeam2").index;
    if (from < 0 || from > 10 || to < 0 || to > 10) return;
    const bool swap = f.get("LMDTeamOp").index == 1;

    HandlersPaused paused(e);
    const TeamValues source = valuesOf(e, from);
    const TeamValues target = valuesOf(e, to);
    giveTo(e, to, source);
    if (swap) giveTo(e, from, target);
    paused.resume();
    e.preview.ReloadCarShape = true;
    carRefresh(e, from);
}

}  // namespace varnisk
