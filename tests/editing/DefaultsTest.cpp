#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "SecondCars.h"
#include "editing/Defaults.h"
#include "game/Colours.h"
#include "game/ExeLayout.h"
#include "game/TeamNames.h"
#include "gamedata/FieldSheet.h"
#include "gamedata/TyreData.h"
#include "numeric/Numbers.h"
#include "ui/ScriptedUi.h"
#include "../gamedata/TestGame.h"

using namespace varnisk;
using namespace varnisk::testgame;

namespace {

// The Defaults buttons after an import of the generated game.
struct Defaults : ::testing::Test {
    TestGame g;

    void SetUp() override { ASSERT_TRUE(g.importAll()); }

    bool press(const char* button) { return g.click(button); }
    std::string status() { return g.caption("Status"); }
    const GameData& game() { return g.editor.game; }
    const PreviewState& preview() { return g.editor.preview; }
};

// Texts of a family's fields for the given numbers.
std::vector<std::string> texts(TestGame& g, const char* family, const std::vector<int>& numbers) {
    std::vector<std::string> out;
    for (int n : numbers) out.push_back(g.text(num(family, n)));
    return out;
}

std::vector<int> teamPairNumbers() {
    std::vector<int> out;
    for (int t = 0; t < 11; ++t) {
        out.push_back(t);
        out.push_back(t + 20);
    }
    return out;
}

// The camera fields as "Default" on the Cameras tab leaves them, a few
// values from each kind of row.
struct CamText {
    const char* field;
    const char* text;
};
constexpr CamText kDefaultCamTexts[] = {
    {"LMDEdit4", "30"},       {"LMDEdit14", "-116"},  {"LMDEdit24", "13"},   {"LMDEdit34", "-180"},
    {"LMDEdit64", "26866"},   {"LMDEdit61", "-32768"}, {"LMDEdit1", "0"},    {"LMDEdit11", "160"},
    {"LMDEdit105", "0"},      {"LMDEdit115", "-48"},  {"LMDEdit125", "14"},  {"LMDEdit175", "72"},
    {"LMDEdit106", "0"},      {"LMDEdit136", "0"},    {"LMDEdit146", "-10"}, {"LMDEdit176", "1280"},
    {"LMDEdit5", "-40"},      {"LMDEdit35", "175"},   {"LMDEdit73", "-1"},   {"LMDEdit66", "-26610"},
    {"LMDEdit101", "-768"},   {"LMDEdit102", "192"},  {"LMDEdit103", "T-Cam Tab"},
};

void expectDefaultCameras(TestGame& g, const char* camera4Z) {
    for (const CamText& c : kDefaultCamTexts) EXPECT_EQ(g.text(c.field), c.text) << c.field;
    EXPECT_EQ(g.text("LMDEdit25"), camera4Z);
    // Every row from the table, column j in field base + 10 j.
    for (int k = 0; k < 12; ++k) {
        const int base = cameraRowBase(k);
        for (int j = 0; j < 10; ++j) {
            const int n = base + 10 * j;
            if (n == 116 || n == 126 || n == 25) continue;
            EXPECT_EQ(g.text(num("LMDEdit", n)), std::to_string(kDefaultCameras[static_cast<std::size_t>(k)][static_cast<std::size_t>(j)]))
                << "record " << k << " column " << j;
        }
    }
}

const std::array<const char*, 12> kDefaultTyreTexts{"70", "114", "-23", "-72", "114", "-23",
                                                    "70", "-181", "-23", "-71", "-181", "-23"};

void expectDefaultTyres(TestGame& g) {
    for (int n = 1; n <= 12; ++n) EXPECT_EQ(g.text(num("LMDTP", n)), kDefaultTyreTexts[static_cast<std::size_t>(n - 1)]) << n;
    // Tyre j: +0 from field 3j-2, +4 from field 3j, +8 from field 3j-1.
    for (int j = 1; j <= 4; ++j) {
        const GameData::TyreRecord& r = g.editor.game.tyres[static_cast<std::size_t>(j - 1)];
        auto field = [&](int n) { return toFloat32(parseFloat(g.text(num("LMDTP", n))) / 100); };
        EXPECT_EQ(r[0], field(3 * j - 2)) << j;
        EXPECT_EQ(r[1], field(3 * j)) << j;
        EXPECT_EQ(r[2], field(3 * j - 1)) << j;
    }
    EXPECT_EQ(g.editor.game.tyres[0][0], 0.7f);
    EXPECT_EQ(g.editor.game.tyres[3][2], -1.81f);
}

void expectDefaultCockpit(TestGame& g) {
    const std::array<const char*, 3> sw{"-0.6", "45", "3"}, db{"-0.6", "62.5", "13"};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(g.text(num("LMDSW", k)), sw[static_cast<std::size_t>(k)]) << k;
        EXPECT_EQ(g.text(num("LMDDB", k)), db[static_cast<std::size_t>(k)]) << k;
    }
    // Dashboard X, Z, Y, wheel X, Z, Y.
    const std::array<float, 6>& c = g.editor.game.cockpit;
    EXPECT_FLOAT_EQ(c[0], -0.006f);
    EXPECT_FLOAT_EQ(c[1], 0.05f);
    EXPECT_FLOAT_EQ(c[2], -0.005f);
    EXPECT_FLOAT_EQ(c[3], -0.006f);
    EXPECT_FLOAT_EQ(c[4], 0.03f);
    EXPECT_EQ(c[5], -0.45f);
}

void expectDefaultNames(TestGame& g) {
    for (int t = 0; t < 11; ++t) {
        const std::string& name = kDefaultTeamNames[static_cast<std::size_t>(t)];
        const std::string shown = mister(name);
        EXPECT_EQ(g.text(num("LMDSlot", t)), name) << t;
        EXPECT_EQ(g.editor.game.names[static_cast<std::size_t>(t)], name) << t;
        EXPECT_EQ(g.caption(num("Panel", t + 46)), shown) << t;
        EXPECT_EQ(g.caption(num("PanelTT", t + 1)), shown) << t;
        EXPECT_EQ(g.caption(num("PanelTC", t)), shown) << t;
    }
}

struct TeamRow {
    int team;
    const char* tcY;
    const char* tcZ;
    const char* hpY;
    const char* hpZ;
    std::uint32_t rimPanel;
    std::uint32_t armPanel;
};
// Panel colours are 0x00BBGGRR: the stock game colours with red and blue
// exchanged.
constexpr TeamRow kTeamRows[] = {
    {0, "-62", "63", "-15", "1", 0x263036u, 0x2429eeu},
    {3, "-75", "62", "-26", "2", 0x242021u, 0xd7b76bu},
    {4, "-65", "63", "-16", "1", 0x010000u, 0x9fe6f4u},
    {10, "-85", "58", "-33", "-3", 0xe1e9e9u, 0x834f21u},
};

void expectDefaultTeamValues(TestGame& g) {
    for (const TeamRow& r : kTeamRows) {
        EXPECT_EQ(g.text(num("LMDTC", r.team)), r.tcY) << r.team;
        EXPECT_EQ(g.text(num("LMDTC", r.team + 20)), r.tcZ) << r.team;
        EXPECT_EQ(g.text(num("LMDHP", r.team)), r.hpY) << r.team;
        EXPECT_EQ(g.text(num("LMDHP", r.team + 20)), r.hpZ) << r.team;
        EXPECT_EQ(g.get(num("PanelRC", r.team)).colour, r.rimPanel) << r.team;
        EXPECT_EQ(g.get(num("PanelAC", r.team)).colour, r.armPanel) << r.team;
    }
    for (int t = 0; t < 11; ++t) {
        const DefaultTeamValues& v = kDefaultTeamValues[static_cast<std::size_t>(t)];
        EXPECT_EQ(g.text(num("LMDTC", t)), formatGeneral(v.tcamY)) << t;
        EXPECT_EQ(g.text(num("LMDTC", t + 20)), formatGeneral(v.tcamZ)) << t;
        EXPECT_EQ(g.text(num("LMDHP", t)), formatGeneral(v.helmetY)) << t;
        EXPECT_EQ(g.text(num("LMDHP", t + 20)), formatGeneral(v.helmetZ)) << t;
        EXPECT_EQ(g.get(num("PanelRC", t)).colour, gameToColour(v.rim)) << t;
        EXPECT_EQ(g.get(num("PanelAC", t)).colour, gameToColour(v.arm)) << t;
        EXPECT_EQ(g.get(num("UpDown", t + 1)).position, kDefaultBrands[static_cast<std::size_t>(t)]) << t;
        EXPECT_EQ(g.caption(num("PanelTT", t + 21)), tyreBrandCaption(kDefaultBrands[static_cast<std::size_t>(t)])) << t;
    }
}

}  // namespace

// ---------------------------------------------------------------- cameras

TEST(DefaultCameras, BeforeAnyImportCamera4KeepsItsOldZ) {
    ScriptedUi ui;
    MemoryRegistry registry;
    Editor editor{ui, registry, {"/"}};
    ASSERT_TRUE(editor.dispatch([&] { editor.main.userClick(editor.main.get("DefaultButton")); }));
    EXPECT_TRUE(ui.errors().empty());
    EXPECT_EQ(editor.main.get("LMDEdit25").text, "26");
    EXPECT_EQ(editor.main.get("LMDEdit146").text, "-10");
    EXPECT_EQ(editor.main.get("LMDEdit101").text, "-768");
    EXPECT_EQ(editor.main.get("Status").caption, "Default Cameras Positions");
}

TEST(DefaultCameras, Camera4ZDependsOnTheImportedVersion) {
    struct Case {
        int versionByte;
        const char* camera4Z;
    };
    for (Case c : {Case{0, "26"}, Case{102, "-20"}, Case{70, "-20"}}) {
        gg::GameSpec spec;
        spec.versionByte = c.versionByte;
        TestGame g(spec);
        ASSERT_TRUE(g.importAll()) << c.versionByte;
        ASSERT_TRUE(g.click("DefaultButton"));
        EXPECT_EQ(g.text("LMDEdit25"), c.camera4Z) << c.versionByte;
        EXPECT_TRUE(g.ui.errors().empty()) << c.versionByte;
    }
}

TEST_F(Defaults, CamerasPutEveryRowAndTheChaseBack) {
    // The rear chase view is on show; a reset of the rows keeps it there.
    ASSERT_TRUE(press("Switch"));
    ASSERT_EQ(g.editor.CurrentCamField, 101);
    const int repaints = g.ui.repaints();
    ASSERT_TRUE(press("DefaultButton"));
    expectDefaultCameras(g, "-20");
    EXPECT_FALSE(g.get("LMDEdit103").enabled);
    EXPECT_EQ(status(), "Default Cameras Positions");
    EXPECT_EQ(g.editor.CurrentCamField, 101);
    EXPECT_GT(g.ui.repaints(), repaints);
    EXPECT_TRUE(g.ui.errors().empty());
}

// ---------------------------------------------------------------- status texts

TEST_F(Defaults, EachButtonNamesWhatItReset) {
    struct Case {
        const char* button;
        const char* status;
    };
    for (Case c : {Case{"DefaultButton", "Default Cameras Positions"}, {"DefaultTC", "Default T-Cam Positions"},
                   {"LMDButton5", "Default Helmets Positions"},      {"LMDButton6", "Default Ext. Wheel Pos."},
                   {"LMDButton3", "Default Rim colors"},             {"LMDButton2", "Default Arm colors"},
                   {"DefaultWheelButton", "Default Cockpit Positions"}, {"DefaultTP", "Default Tyre Positions"},
                   {"LMDButton1", "Default Tyre brands"},            {"LMDButton7", "Default Teams Datas"},
                   {"DefaultCockpitButton", "Reset to default"}}) {
        g.editor.main.setCaption(g.get("Status"), "something else");
        EXPECT_TRUE(press(c.button)) << c.button;
        EXPECT_EQ(status(), c.status) << c.button;
    }
    EXPECT_TRUE(g.ui.errors().empty());
}

// ---------------------------------------------------------------- cockpit and tyres

TEST_F(Defaults, CockpitFillsItsFieldsAndTheGameAndShowsTheCockpitCamera) {
    g.editor.CurrentCamField = 7;
    g.editor.drag.PressedCamField = "LMDEdit7";
    g.editor.preview.ReloadDashboard = false;
    ASSERT_TRUE(press("DefaultWheelButton"));
    expectDefaultCockpit(g);
    EXPECT_EQ(g.editor.CurrentCamField, 105);
    EXPECT_EQ(g.editor.drag.PressedCamField, "LMDEdit105");
    EXPECT_TRUE(preview().ReloadDashboard);
}

TEST_F(Defaults, TyresFillTheTwelveFieldsAndTheFourRecords) {
    for (int n = 1; n <= 12; ++n) g.edit(num("LMDTP", n), "5");
    ASSERT_TRUE(press("DefaultTP"));
    expectDefaultTyres(g);
    EXPECT_TRUE(g.ui.errors().empty());
}

// ---------------------------------------------------------------- colours

TEST_F(Defaults, RimsResetOnlyTheFirstCar) {
    colourSecondCars(g);
    const std::uint32_t arm3 = g.get("PanelAC3").colour;
    ASSERT_TRUE(press("LMDButton3"));
    for (int t = 0; t < 11; ++t) {
        EXPECT_EQ(g.get(num("PanelRC", t)).colour, gameToColour(kDefaultTeamValues[static_cast<std::size_t>(t)].rim)) << t;
    }
    EXPECT_EQ(g.get("PanelRC4").colour, 0x010000u);
    EXPECT_EQ(g.get("PanelRC0").colour, 0x263036u);
    EXPECT_EQ(g.get("PanelAC3").colour, arm3);
    expectSecondCarsKept(g);
    EXPECT_EQ(preview().LastShownTeam, 0);
}

TEST_F(Defaults, ArmsResetOnlyTheFirstCar) {
    colourSecondCars(g);
    const std::uint32_t rim3 = g.get("PanelRC3").colour;
    ASSERT_TRUE(press("LMDButton2"));
    for (int t = 0; t < 11; ++t) {
        EXPECT_EQ(g.get(num("PanelAC", t)).colour, gameToColour(kDefaultTeamValues[static_cast<std::size_t>(t)].arm)) << t;
    }
    EXPECT_EQ(g.get("PanelAC0").colour, 0x2429eeu);
    EXPECT_EQ(g.get("PanelRC3").colour, rim3);
    expectSecondCarsKept(g);
    // The preview shows team 0 in its new arms.
    EXPECT_EQ(preview().LastShownTeam, 0);
    EXPECT_EQ(preview().ArmMaterial[0], toFloat32(0xee / 256.0L));
}

// ---------------------------------------------------------------- T-cam, helmets, external wheel

TEST_F(Defaults, TCamFillsThePairsAndTurnsThePreviewToTheTCam) {
    g.editor.CurrentCamField = 3;
    g.editor.drag.PressedCamField = "LMDEdit3";
    ASSERT_TRUE(press("DefaultTC"));
    for (const TeamRow& r : kTeamRows) {
        EXPECT_EQ(g.text(num("LMDTC", r.team)), r.tcY) << r.team;
        EXPECT_EQ(g.text(num("LMDTC", r.team + 20)), r.tcZ) << r.team;
    }
    for (int t = 0; t < 11; ++t) {
        const DefaultTeamValues& v = kDefaultTeamValues[static_cast<std::size_t>(t)];
        EXPECT_EQ(g.text(num("LMDTC", t)), formatGeneral(v.tcamY)) << t;
        EXPECT_EQ(g.text(num("LMDTC", t + 20)), formatGeneral(v.tcamZ)) << t;
    }
    EXPECT_EQ(g.editor.CurrentCamField, 106);
    EXPECT_EQ(g.editor.drag.PressedCamField, "LMDEdit106");
    EXPECT_EQ(preview().TCamCache, (std::array<std::int16_t, 2>{-62, 63}));
    EXPECT_EQ(preview().LastShownTeam, 0);
    EXPECT_EQ(status(), "Default T-Cam Positions");
}

TEST_F(Defaults, HelmetFillsThePairsAndHandsTeam0ToThePreview) {
    const std::vector<std::string> tcam = texts(g, "LMDTC", teamPairNumbers());
    ASSERT_TRUE(press("LMDButton5"));
    for (const TeamRow& r : kTeamRows) {
        EXPECT_EQ(g.text(num("LMDHP", r.team)), r.hpY) << r.team;
        EXPECT_EQ(g.text(num("LMDHP", r.team + 20)), r.hpZ) << r.team;
    }
    EXPECT_EQ(preview().HelmetOffset, (std::array<float, 2>{-0.15f, 0.01f}));
    EXPECT_EQ(texts(g, "LMDTC", teamPairNumbers()), tcam);
    EXPECT_EQ(g.editor.CurrentCamField, 105);
}

TEST_F(Defaults, WheelRestoresTheImportedTexts) {
    const std::vector<std::string> imported = texts(g, "LMDEW", teamPairNumbers());
    g.edit("LMDEW0", "12.3");
    g.edit("LMDEW25", "-4");
    g.edit("LMDEW10", "");
    ASSERT_NE(texts(g, "LMDEW", teamPairNumbers()), imported);
    ASSERT_TRUE(press("LMDButton6"));
    EXPECT_EQ(texts(g, "LMDEW", teamPairNumbers()), imported);
    const GameData& d = game();
    EXPECT_EQ(preview().ExtWheelOffset,
              (std::array<float, 2>{toFloat32(parseFloat(imported[0]) / 200 + d.wheelRef[0]),
                                    toFloat32(parseFloat(imported[1]) / 200 + d.wheelRef[1])}));
    EXPECT_EQ(status(), "Default Ext. Wheel Pos.");
    EXPECT_TRUE(g.ui.errors().empty());
}

// ---------------------------------------------------------------- Slots tab and all

TEST_F(Defaults, TeamRestoresNamesAndEveryPerTeamGroupAndShowsTeam0) {
    colourSecondCars(g);
    g.editor.main.setPosition(g.get("UpDown1"), 1);
    g.edit("LMDSlot3", "someone else");
    g.editor.preview.ReloadCarShape = false;
    ASSERT_EQ(preview().LastShownTeam, 0);
    ASSERT_TRUE(press("LMDButton7"));
    expectDefaultNames(g);
    expectDefaultTeamValues(g);
    expectSecondCarsKept(g);
    EXPECT_EQ(preview().LastShownTeam, 0);
    EXPECT_TRUE(preview().ReloadCarShape);
    EXPECT_EQ(preview().CarTeamKey, kDefaultTeamNames[0]);
    EXPECT_EQ(preview().TCamCache, (std::array<std::int16_t, 2>{-62, 63}));
    EXPECT_EQ(preview().HelmetOffset, (std::array<float, 2>{-0.15f, 0.01f}));
    EXPECT_EQ(g.editor.CurrentCamField, 106);
    EXPECT_EQ(status(), "Default Teams Datas");
    EXPECT_TRUE(g.ui.errors().empty());
}

TEST_F(Defaults, AllResetsEveryGroupButTheSecondCar) {
    colourSecondCars(g);
    ASSERT_TRUE(press("DefaultCockpitButton"));
    expectDefaultCameras(g, "-20");
    expectDefaultTyres(g);
    expectDefaultCockpit(g);
    expectDefaultNames(g);
    expectDefaultTeamValues(g);
    expectSecondCarsKept(g);
    EXPECT_EQ(status(), "Reset to default");
    EXPECT_TRUE(g.ui.errors().empty());
}

TEST_F(Defaults, NoResetTouchesTheGameFiles) {
    const GameBytes before = g.files();
    for (const char* button : {"DefaultButton", "DefaultTC", "LMDButton6", "DefaultTP", "LMDButton1", "LMDButton3",
                               "LMDButton2", "LMDButton5", "DefaultWheelButton", "LMDButton7", "DefaultCockpitButton"}) {
        EXPECT_TRUE(press(button)) << button;
    }
    EXPECT_TRUE(g.files() == before);
}

// With no game read, every per-team field is still empty: the reset fills
// them all before the preview reads team 0's.
TEST(DefaultAllBeforeImport, FillsEveryGroupWithoutAnError) {
    ScriptedUi ui;
    MemoryRegistry registry;
    Editor editor{ui, registry, {"/"}};
    ASSERT_EQ(editor.main.get("LMDHP0").text, "");
    ASSERT_EQ(editor.main.get("LMDEW20").text, "");
    EXPECT_TRUE(editor.dispatch([&] { editor.main.userClick(editor.main.get("DefaultCockpitButton")); }));
    EXPECT_TRUE(ui.errors().empty()) << (ui.errors().empty() ? "" : ui.errors().front());
    Form& f = editor.main;
    auto text = [&](const std::string& name) { return f.get(name).text; };

    EXPECT_EQ(text("LMDEdit25"), "26");
    EXPECT_EQ(text("LMDEdit146"), "-10");
    EXPECT_EQ(text("LMDEdit101"), "-768");
    for (int n = 1; n <= 12; ++n) EXPECT_EQ(text(num("LMDTP", n)), kDefaultTyreTexts[static_cast<std::size_t>(n - 1)]) << n;
    EXPECT_EQ(editor.game.tyres[0], (GameData::TyreRecord{0.7f, -0.23f, 1.14f}));
    EXPECT_EQ(text("LMDSW1"), "45");
    EXPECT_EQ(text("LMDDB1"), "62.5");
    EXPECT_EQ(editor.game.cockpit[5], -0.45f);
    for (int t = 0; t < 11; ++t) {
        const auto i = static_cast<std::size_t>(t);
        const DefaultTeamValues& v = kDefaultTeamValues[i];
        EXPECT_EQ(text(num("LMDSlot", t)), kDefaultTeamNames[i]) << t;
        EXPECT_EQ(editor.game.names[i], kDefaultTeamNames[i]) << t;
        EXPECT_EQ(f.get(num("PanelTC", t)).caption, mister(kDefaultTeamNames[i])) << t;
        EXPECT_EQ(text(num("LMDTC", t)), formatGeneral(v.tcamY)) << t;
        EXPECT_EQ(text(num("LMDTC", t + 20)), formatGeneral(v.tcamZ)) << t;
        EXPECT_EQ(text(num("LMDEW", t)), "0") << t;
        EXPECT_EQ(text(num("LMDEW", t + 20)), "0") << t;
        EXPECT_EQ(text(num("LMDHP", t)), formatGeneral(v.helmetY)) << t;
        EXPECT_EQ(text(num("LMDHP", t + 20)), formatGeneral(v.helmetZ)) << t;
        EXPECT_EQ(f.get(num("PanelAC", t)).colour, gameToColour(v.arm)) << t;
        EXPECT_EQ(f.get(num("PanelRC", t)).colour, gameToColour(v.rim)) << t;
        EXPECT_EQ(f.get(num("UpDown", t + 1)).position, kDefaultBrands[i]) << t;
    }
    EXPECT_EQ(editor.preview.LastShownTeam, 0);
    EXPECT_EQ(editor.preview.CarTeamKey, kDefaultTeamNames[0]);
    EXPECT_EQ(f.get("Status").caption, "Reset to default");
}
