#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "SecondCars.h"
#include "editing/PreviewFeed.h"
#include "game/ExeLayout.h"
#include "game/TeamNames.h"
#include "gamedata/TyreData.h"
#include "numeric/Numbers.h"
#include "../gamedata/TestGame.h"

using namespace varnisk;
using namespace varnisk::testgame;

namespace {

constexpr int kCopy = 0, kSwap = 1;

// Everything the sheet shows of one team that "Apply" moves.
struct TeamView {
    std::string name, slot, cockpitCaption, tyreCaption, tcamCaption;
    std::uint32_t arm = 0, rim = 0;
    std::array<std::string, 6> numbers;  // helmet Y, Z, external wheel Y, Z, T-cam Y, Z
    int brand = 0;
    std::string brandCaption;
    bool operator==(const TeamView&) const = default;
};

void PrintTo(const TeamView& v, std::ostream* os) {
    *os << "{" << v.name << " | " << v.slot << " | " << v.cockpitCaption << " | " << v.tyreCaption << " | "
        << v.tcamCaption << " | arm " << v.arm << " rim " << v.rim << " |";
    for (const std::string& n : v.numbers) *os << " " << n;
    *os << " | brand " << v.brand << " " << v.brandCaption << "}";
}

TeamView teamView(TestGame& g, int t) {
    TeamView v;
    v.name = g.editor.game.names[static_cast<std::size_t>(t)];
    v.slot = g.text(num("LMDSlot", t));
    v.cockpitCaption = g.caption(num("Panel", t + 46));
    v.tyreCaption = g.caption(num("PanelTT", t + 1));
    v.tcamCaption = g.caption(num("PanelTC", t));
    v.arm = g.get(num("PanelAC", t)).colour;
    v.rim = g.get(num("PanelRC", t)).colour;
    v.numbers = {g.text(num("LMDHP", t)), g.text(num("LMDHP", t + 20)), g.text(num("LMDEW", t)),
                 g.text(num("LMDEW", t + 20)), g.text(num("LMDTC", t)), g.text(num("LMDTC", t + 20))};
    v.brand = g.get(num("UpDown", t + 1)).position;
    v.brandCaption = g.caption(num("PanelTT", t + 21));
    return v;
}

// The fields no team operation may touch: cameras, cockpit, tyre positions.
std::vector<std::string> sharedTexts(TestGame& g) {
    std::vector<std::string> out;
    for (const auto& c : g.editor.main.controls()) {
        const std::string& n = c->name;
        if (n.rfind("LMDEdit", 0) == 0 || n.rfind("LMDSW", 0) == 0 || n.rfind("LMDDB", 0) == 0 ||
            n.rfind("LMDTP", 0) == 0) {
            out.push_back(n + "=" + c->text);
        }
    }
    return out;
}

// A brand as the user leaves it: the selector and its caption.
void setBrand(TestGame& g, int team, int position) {
    g.setPosition(num("UpDown", team + 1), position);
    g.editor.main.setCaption(g.get(num("PanelTT", team + 21)), tyreBrandCaption(position));
}

struct TeamOps : ::testing::Test {
    TestGame g;

    void SetUp() override { ASSERT_TRUE(g.importAll()); }

    // Picks the operation and the two teams (-1: none), then presses "Apply".
    bool apply(int op, int from, int to) {
        Form& f = g.editor.main;
        return g.editor.dispatch([&] {
            f.userChoose(f.get("LMDTeamOp"), op);
            f.setIndex(f.get("LMDTeam1"), from);
            f.setIndex(f.get("LMDTeam2"), to);
            f.userClick(f.get("LMDButton8"));
        });
    }
    // The preview already shows `team`, so that only "Apply" can ask for
    // the car again.
    void showing(int team) {
        carRefresh(g.editor, team);
        g.editor.preview.ReloadCarShape = false;
    }
    std::string status() { return g.caption("Status"); }
    // After "Apply": the preview shows the first chosen team and asks for its
    // car again, the status is cleared and the sheet is ready.
    void expectShowsAfterApply(int team, const std::string& name) {
        EXPECT_EQ(g.editor.preview.LastShownTeam, team);
        EXPECT_TRUE(g.editor.preview.ReloadCarShape);
        EXPECT_EQ(g.editor.preview.CarTeamKey, name);
        EXPECT_EQ(status(), "");
        EXPECT_EQ(g.editor.SheetReady, 1);
        EXPECT_TRUE(g.ui.errors().empty());
    }
};

}  // namespace

// ---------------------------------------------------------------- copy

TEST_F(TeamOps, CopyHoldsTheBrandToTheTargetsSelector) {
    struct Case {
        int sourceBrand;
        int shown;
        const char* caption;
    };
    for (Case c : {Case{2, 1, "Michelin"}, Case{0, 0, "Bridgestone"}, Case{1, 1, "Michelin"}}) {
        setBrand(g, 1, c.sourceBrand);
        setBrand(g, 3, c.sourceBrand == 0 ? 1 : 0);
        ASSERT_TRUE(apply(kCopy, 1, 3));
        EXPECT_EQ(g.get("UpDown4").position, c.shown) << c.sourceBrand;
        EXPECT_EQ(g.caption("PanelTT24"), c.caption) << c.sourceBrand;
        EXPECT_EQ(g.get("UpDown2").position, c.sourceBrand);
    }
    EXPECT_TRUE(g.ui.errors().empty());
}

TEST_F(TeamOps, CopyGivesTheTargetEveryPerTeamValueAndShowsTheSource) {
    colourSecondCars(g);
    setBrand(g, 5, 1);
    setBrand(g, 8, 0);
    const TeamView source = teamView(g, 5);
    ASSERT_NE(teamView(g, 8), source);
    std::vector<TeamView> others;
    for (int t = 0; t < 11; ++t) others.push_back(teamView(g, t));
    const std::vector<std::string> shared = sharedTexts(g);
    showing(5);
    g.editor.main.setCaption(g.get("Status"), "Import Done");

    ASSERT_TRUE(apply(kCopy, 5, 8));
    EXPECT_EQ(teamView(g, 8), source);
    EXPECT_EQ(mister(g.editor.game.names[8]), g.caption("PanelTC8"));
    for (int t = 0; t < 11; ++t) {
        if (t == 8) continue;
        EXPECT_EQ(teamView(g, t), others[static_cast<std::size_t>(t)]) << t;
    }
    expectSecondCarsKept(g);
    EXPECT_EQ(sharedTexts(g), shared);

    expectShowsAfterApply(5, source.name);
}

// ---------------------------------------------------------------- swap

TEST_F(TeamOps, SwapExchangesTwoTeamsAndKeepsTheRest) {
    colourSecondCars(g);
    setBrand(g, 0, 0);
    setBrand(g, 2, 1);
    const TeamView a = teamView(g, 0), b = teamView(g, 2);
    ASSERT_NE(a.name, b.name);
    ASSERT_NE(a.arm, b.arm);
    ASSERT_NE(a.rim, b.rim);
    ASSERT_NE(a.numbers, b.numbers);
    const TeamView team1 = teamView(g, 1);
    const std::vector<std::string> shared = sharedTexts(g);
    const GameData before = g.editor.game;
    showing(0);

    ASSERT_TRUE(apply(kSwap, 0, 2));
    EXPECT_EQ(teamView(g, 0), b);
    EXPECT_EQ(teamView(g, 2), a);
    EXPECT_EQ(teamView(g, 1), team1);
    EXPECT_EQ(g.get("PanelAC20").colour, 0x00102030u);
    EXPECT_EQ(g.get("PanelAC22").colour, 0x00102032u);
    expectSecondCarsKept(g);
    EXPECT_EQ(sharedTexts(g), shared);
    EXPECT_EQ(g.editor.game.cockpit, before.cockpit);
    EXPECT_EQ(g.editor.game.tyres, before.tyres);
    EXPECT_EQ(g.editor.game.cameras, before.cameras);

    expectShowsAfterApply(0, b.name);
}

// An emptied name field keeps the team's last name; a swap of two such teams
// still has to carry the names' captions along with the names.
TEST_F(TeamOps, SwapOfTwoEmptiedNameFieldsMovesTheCaptionsWithTheNames) {
    g.edit("LMDSlot0", "");
    g.edit("LMDSlot2", "");
    const std::string name0 = g.editor.game.names[0], name2 = g.editor.game.names[2];
    ASSERT_NE(name0, name2);
    ASSERT_TRUE(apply(kSwap, 0, 2));
    EXPECT_EQ(g.editor.game.names[0], name2);
    EXPECT_EQ(g.editor.game.names[2], name0);
    for (int t : {0, 2}) {
        const std::string shown = mister(g.editor.game.names[static_cast<std::size_t>(t)]);
        EXPECT_EQ(g.caption(num("Panel", t + 46)), shown) << t;
        EXPECT_EQ(g.caption(num("PanelTT", t + 1)), shown) << t;
        EXPECT_EQ(g.caption(num("PanelTC", t)), shown) << t;
    }
}

// ---------------------------------------------------------------- edge cases

TEST_F(TeamOps, OntoItselfChangesNothingButStillRefreshes) {
    for (int op : {kCopy, kSwap}) {
        // The choice of the operation relabels its group: done before the
        // snapshot.
        g.editor.dispatch([&] { g.editor.main.userChoose(g.get("LMDTeamOp"), op); });
        showing(4);
        const std::vector<std::string> sheet = sheetState(g.editor.main);
        const std::array<std::string, 11> names = g.editor.game.names;
        ASSERT_TRUE(apply(op, 4, 4)) << op;
        EXPECT_EQ(sheetState(g.editor.main), sheet) << op;
        EXPECT_EQ(g.editor.game.names, names) << op;
        EXPECT_TRUE(g.editor.preview.ReloadCarShape) << op;
        EXPECT_EQ(g.editor.preview.LastShownTeam, 4) << op;
        EXPECT_EQ(g.editor.SheetReady, 1) << op;
    }
    EXPECT_TRUE(g.ui.errors().empty());
}

TEST_F(TeamOps, WithoutTwoChosenTeamsNothingHappens) {
    struct Case {
        int op, from, to;
    };
    for (Case c : {Case{kCopy, -1, 3}, Case{kCopy, 3, -1}, Case{kSwap, -1, -1}, Case{kSwap, 0, -1}}) {
        // The choice of the operation relabels its group: done before the
        // snapshot.
        g.editor.dispatch([&] { g.editor.main.userChoose(g.get("LMDTeamOp"), c.op); });
        g.editor.preview.ReloadCarShape = false;
        const std::vector<std::string> sheet = sheetState(g.editor.main);
        const std::array<std::string, 11> names = g.editor.game.names;
        const int repaints = g.ui.repaints();
        const int shown = g.editor.preview.LastShownTeam;
        ASSERT_TRUE(apply(c.op, c.from, c.to));
        EXPECT_EQ(sheetState(g.editor.main), sheet) << c.from << " " << c.to;
        EXPECT_EQ(g.editor.game.names, names) << c.from << " " << c.to;
        EXPECT_EQ(g.ui.repaints(), repaints) << c.from << " " << c.to;
        EXPECT_EQ(g.editor.preview.LastShownTeam, shown);
        EXPECT_FALSE(g.editor.preview.ReloadCarShape);
        EXPECT_EQ(status(), "Import Done");
    }
    EXPECT_TRUE(g.ui.errors().empty());
}

// ---------------------------------------------------------------- team slots

namespace {

struct TeamSlots : TeamOps {
    void type(std::string_view field, std::string_view text) {
        g.editor.dispatch([&] { g.editor.main.userType(g.get(field), text); });
    }
    void arrow(std::string_view selector, bool up) {
        g.editor.dispatch([&] { g.editor.main.userArrow(g.get(selector), up); });
    }
    void choose(int op) {
        g.editor.dispatch([&] { g.editor.main.userChoose(g.get("LMDTeamOp"), op); });
    }
    void expectCaptions(int t, const std::string& shown) {
        EXPECT_EQ(g.caption(num("Panel", t + 46)), shown) << t;
        EXPECT_EQ(g.caption(num("PanelTT", t + 1)), shown) << t;
        EXPECT_EQ(g.caption(num("PanelTC", t)), shown) << t;
    }
};

}  // namespace

TEST_F(TeamSlots, ATypedNameRelabelsTheCaptionsAndAnEmptiedFieldKeepsIt) {
    type("LMDSlot2", "ab cd");
    EXPECT_EQ(g.editor.game.names[2], "ab cd");
    expectCaptions(2, "Ab Cd");
    type("LMDSlot2", "");
    EXPECT_EQ(g.text("LMDSlot2"), "");
    EXPECT_EQ(g.editor.game.names[2], "ab cd");
    expectCaptions(2, "Ab Cd");
    // The other teams keep theirs.
    expectCaptions(3, g.text("LMDSlot3"));
    EXPECT_TRUE(g.ui.errors().empty());
}

TEST_F(TeamSlots, AClickOnANameShowsThatTeam) {
    showing(0);
    ASSERT_TRUE(g.click("LMDSlot5"));
    EXPECT_EQ(g.editor.preview.LastShownTeam, 5);
    EXPECT_EQ(g.editor.preview.CarTeamKey, g.editor.game.names[5]);
    EXPECT_TRUE(g.editor.preview.ReloadCarShape);
    EXPECT_EQ(g.editor.preview.HelmetOffset[0], toFloat32(parseFloat(g.text("LMDHP5")) / 100));
}

TEST_F(TeamSlots, AnArrowNamesTheBrandWithinTheSelectorsRange) {
    setBrand(g, 1, 1);
    g.editor.main.setCaption(g.get("Status"), "Import Done");
    arrow("UpDown2", true);
    EXPECT_EQ(g.get("UpDown2").position, 2);
    EXPECT_EQ(g.caption("PanelTT22"), tyreBrandCaption(2));
    EXPECT_EQ(g.caption("PanelTT22"), kDefaultTeamNames[1]);
    EXPECT_EQ(status(), "");
    arrow("UpDown2", false);
    arrow("UpDown2", false);
    EXPECT_EQ(g.caption("PanelTT22"), "Bridgestone");

    setBrand(g, 0, 1);
    arrow("UpDown1", true);
    EXPECT_EQ(g.get("UpDown1").position, 1);
    EXPECT_EQ(g.caption("PanelTT21"), "Michelin");
    arrow("UpDown1", false);
    EXPECT_EQ(g.caption("PanelTT21"), "Bridgestone");
    EXPECT_TRUE(g.ui.errors().empty());
}

TEST_F(TeamSlots, TheCopySwapChoiceRelabelsItsGroup) {
    const Rect label1 = g.get("Label1").bounds, label2 = g.get("Label2").bounds;
    struct Case {
        int op;
        const char* caption1;
        int left1;
        const char* caption2;
        int left2;
    };
    for (Case c : {Case{kSwap, "between", 70, "and", 148}, Case{kCopy, "from", 80, "to", 152}}) {
        choose(c.op);
        EXPECT_EQ(g.caption("Label1"), c.caption1) << c.op;
        EXPECT_EQ(g.caption("Label2"), c.caption2) << c.op;
        EXPECT_EQ(g.get("Label1").bounds, (Rect{c.left1, label1.top, label1.width, label1.height})) << c.op;
        EXPECT_EQ(g.get("Label2").bounds, (Rect{c.left2, label2.top, label2.width, label2.height})) << c.op;
    }
}
