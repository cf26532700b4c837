#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestGame.h"
#include "game/TeamNames.h"
#include "gamedata/FieldSheet.h"
#include "gamedata/TyreData.h"

using namespace varnisk;
using namespace varnisk::testgame;

namespace {

const std::string kNoSavedState =
    "Sorry but f1gstate.sav file can't be found.\r\nYou have to run GP4 once to built it.\r\n"
    "Default Tyre Brands will be used.";
const std::string kNoArchive =
    "Sorry but cars.wad file can't be found.\r\nDefault tyre positions will be used.\r\n"
    "Tyre positions won't be exported to GP4.\r\nDefault positions will be stored in any .car file saved.";
const std::string kUnknownVersion = "Sorry, you use an unknown GP4 version\r\nDefault team names will be used.";
const std::string kNoCollisionEntry = "impossible to find car_collision_mesh.ct in the wad";

using Messages = std::vector<std::string>;

gg::GameSpec withValues(const gg::GameValues& v) {
    gg::GameSpec s;
    s.values = v;
    return s;
}

}  // namespace

// ---------------------------------------------------------------- cameras

TEST(ImportAll, ShowsEveryCameraRecordInItsRow) {
    TestGame g;
    ASSERT_TRUE(g.importAll());
    const gg::GameValues& v = g.spec.values;
    // Stored X, Z, Y, Dir, Pitch, Roll, details; shown X, Y, Z, Dir, Pitch, Roll, details.
    const int storedOfColumn[10] = {0, 2, 1, 3, 4, 5, 6, 7, 8, 9};
    for (int k = 0; k < 12; ++k) {
        const int base = cameraRowBase(k);
        for (int column = 0; column < 10; ++column) {
            const int n = base + 10 * column;
            if (n == 116 || n == 126) continue;
            const int stored = v.cameras[k][storedOfColumn[column]];
            const int shown = column < 3 ? stored / 2 : column < 6 ? stored / 182 : stored;
            EXPECT_EQ(g.text(num("LMDEdit", n)), std::to_string(shown)) << "record " << k << " column " << column;
        }
    }
    EXPECT_EQ(g.text("LMDEdit101"), std::to_string(v.chase[0] / 2));
    EXPECT_EQ(g.text("LMDEdit102"), std::to_string(v.chase[1] / 2));
    EXPECT_TRUE(g.ui.messages().empty());
    EXPECT_TRUE(g.ui.errors().empty());
}

TEST(ImportAll, HalvesPositionsAndDividesAnglesTruncatingTowardZero) {
    gg::GameValues v = gg::demoValues();
    //            X     Z     Y    Dir   Pitch   Roll    details
    v.cameras[2] = {-7, 9, -9, 364, -365, 181, 3, 0, 2, 1};
    v.cameras[0] = {100, 3, -1, -182, 32767, -32768, 0, 1, 2, 3};
    v.cameras[11] = {11, 2000, 1000, 546, -1, 183, 2, 3, 0, 1};
    v.chase = {561, -561};
    TestGame g(withValues(v));
    ASSERT_TRUE(g.importAll());

    struct Case { const char* field; const char* shown; };
    for (Case c : {Case{"LMDEdit2", "-3"}, {"LMDEdit12", "-4"}, {"LMDEdit22", "4"}, {"LMDEdit32", "2"},
                   {"LMDEdit42", "-2"}, {"LMDEdit52", "0"}, {"LMDEdit62", "3"}, {"LMDEdit72", "0"},
                   {"LMDEdit82", "2"}, {"LMDEdit92", "1"},
                   {"LMDEdit105", "50"}, {"LMDEdit115", "0"}, {"LMDEdit125", "1"}, {"LMDEdit135", "-1"},
                   {"LMDEdit145", "180"}, {"LMDEdit155", "-180"}, {"LMDEdit195", "3"},
                   {"LMDEdit106", "5"}, {"LMDEdit136", "3"}, {"LMDEdit146", "0"}, {"LMDEdit156", "1"},
                   {"LMDEdit166", "2"}, {"LMDEdit196", "1"},
                   {"LMDEdit101", "280"}, {"LMDEdit102", "-280"}}) {
        EXPECT_EQ(g.text(c.field), c.shown) << c.field;
    }
    // The T-cam record's own Y and Z show nowhere: team 0's T-cam fields come
    // from the T-cam table.
    EXPECT_EQ(g.text("LMDTC0"), std::to_string((v.tcam[0][1] - 160) / 2));
    EXPECT_EQ(g.text("LMDTC20"), std::to_string((v.tcam[0][0] + 122) / 2));
    EXPECT_EQ(g.text("LMDEdit103"), "T-Cam Tab");
}

// ---------------------------------------------------------------- team values

TEST(ImportAll, ConvertsTCamHelmetAndWheelValuesPerTeam) {
    gg::GameValues v = gg::demoValues();
    // T-cam pairs are Z, Y.
    v.tcam[0] = {-123, 161};
    v.tcam[1] = {-121, 159};
    v.tcam[2] = {-130, 100};
    v.tcam[3] = {-119, 165};
    // Helmet and wheel pairs are Z, Y.
    v.helmets[0] = {-0.125f, 0.125f};
    v.helmets[1] = {0.5625f, 0.375f};
    v.helmets[2] = {0.245f, -0.0625f};
    v.helmets[3] = {0.285f, 1.5f};
    v.extWheel[0] = {-0.03125f, 0.03125f};
    v.extWheel[1] = {0.304f, 0.09375f};
    v.extWheel[2] = {0.0f, 0.5f};
    v.extWheel[3] = {-0.0001f, 0.0045f};
    TestGame g(withValues(v));
    ASSERT_TRUE(g.importAll());

    struct Case { int team; const char* tcY; const char* tcZ; const char* hpY; const char* hpZ; const char* ewY; const char* ewZ; };
    for (Case c : {Case{0, "0", "0", "12", "-12", "6.2", "-6.2"},
                   Case{1, "0", "0", "38", "56", "18.8", "60.8"},
                   Case{2, "-30", "-4", "-6", "25", "100", "0"},
                   Case{3, "2", "1", "150", "28", "0.9", "0"}}) {
        EXPECT_EQ(g.text(num("LMDTC", c.team)), c.tcY) << c.team;
        EXPECT_EQ(g.text(num("LMDTC", c.team + 20)), c.tcZ) << c.team;
        EXPECT_EQ(g.text(num("LMDHP", c.team)), c.hpY) << c.team;
        EXPECT_EQ(g.text(num("LMDHP", c.team + 20)), c.hpZ) << c.team;
        EXPECT_EQ(g.text(num("LMDEW", c.team)), c.ewY) << c.team;
        EXPECT_EQ(g.text(num("LMDEW", c.team + 20)), c.ewZ) << c.team;
    }
}

TEST(ImportAll, ConvertsTheCockpitToOneDecimalInGeneralForm) {
    // dashboard X, Z, Y, wheel X, Z, Y
    struct Case {
        std::array<float, 6> stored;
        const char* sw0; const char* sw1; const char* sw2; const char* db0; const char* db1; const char* db2;
    };
    for (const Case& c : {Case{{0.0625f, -0.03125f, 0.25f, 0.125f, -0.03125f, 0.0625f}, "12.5", "96.2", "-3.1", "13.1", "88", "-3.2"},
                          Case{{0.2f, 0.5f, -0.631f, -0.0001f, 1.23456f, 0.1f}, "0", "100", "123.5", "40.6", "-0.1", "103"}}) {
        gg::GameValues v = gg::demoValues();
        v.cockpit = c.stored;
        TestGame g(withValues(v));
        ASSERT_TRUE(g.importAll());
        EXPECT_EQ(g.text("LMDSW0"), c.sw0);
        EXPECT_EQ(g.text("LMDSW1"), c.sw1);
        EXPECT_EQ(g.text("LMDSW2"), c.sw2);
        EXPECT_EQ(g.text("LMDDB0"), c.db0);
        EXPECT_EQ(g.text("LMDDB1"), c.db1);
        EXPECT_EQ(g.text("LMDDB2"), c.db2);
    }
}

TEST(ImportAll, ColoursLoseTheirAlphaAndExchangeRedAndBlue) {
    gg::GameValues v = gg::demoValues();
    v.arms[0] = 0x00123456;
    v.arms[1] = 0xFF123456;
    v.rims[2] = 0xFF000000;
    v.rims[4] = 0x00ABCDEF;
    v.rims[10] = 0xFF0000FF;
    TestGame g(withValues(v));
    ASSERT_TRUE(g.importAll());
    EXPECT_EQ(g.get("PanelAC0").colour, 0x00563412u);
    EXPECT_EQ(g.get("PanelAC1").colour, 0x00563412u);
    EXPECT_EQ(g.get("PanelRC2").colour, 0u);
    EXPECT_EQ(g.get("PanelRC4").colour, 0x00EFCDABu);
    EXPECT_EQ(g.get("PanelRC10").colour, 0x00FF0000u);
    EXPECT_EQ(g.get("PanelAC5").colour, 0x00822A5Au);  // demo 0xFF5A2A82
    for (int t = 0; t < 11; ++t) {
        EXPECT_TRUE(g.get(num("PanelAC", t)).enabled);
        EXPECT_FALSE(g.get(num("PanelAC", t + 20)).enabled) << t;
        EXPECT_FALSE(g.get(num("PanelRC", t + 20)).enabled) << t;
    }
}

// ---------------------------------------------------------------- names

TEST(ImportAll, ShowsNamesTitleCasedInSlotsAndCaptions) {
    gg::GameValues v = gg::demoValues();
    v.names[0] = "ALPHA TEAM";
    v.names[1] = std::string("AB\0CD", 5);   // letters after a NUL are kept
    v.names[2] = " LEADING BLANK";           // title case looks from the second character on
    v.names[3] = "\xC9QUIPE \xC9T\xC9";      // only a..z change case
    v.names[4] = "nORTH  SOUTH-EAST";
    TestGame g(withValues(v));
    ASSERT_TRUE(g.importAll());
    struct Case { int team; std::string shown; };
    for (const Case& c : {Case{0, "Alpha Team"}, Case{1, "Abcd"}, Case{2, " leading Blank"},
                          Case{3, "\xC9quipe \xE9t\xE9"}, Case{4, "North  South-east"},
                          Case{7, "Saltmarsh Halvard Engineering Gp"}, Case{10, "Ardenwick Racing Team"}}) {
        EXPECT_EQ(g.text(num("LMDSlot", c.team)), c.shown) << c.team;
        EXPECT_EQ(g.caption(num("Panel", c.team + 46)), c.shown) << c.team;
        EXPECT_EQ(g.caption(num("PanelTT", c.team + 1)), c.shown) << c.team;
        EXPECT_EQ(g.caption(num("PanelTC", c.team)), c.shown) << c.team;
        EXPECT_EQ(g.editor.game.names[static_cast<std::size_t>(c.team)], c.shown) << c.team;
    }
    EXPECT_TRUE(g.editor.game.namesRead);
}

TEST(ImportAll, ImportingAgainKeepsTheTitleCasedNames) {
    TestGame g;
    ASSERT_TRUE(g.importAll());
    ASSERT_EQ(g.editor.game.names[4], "Talloway Grand Prix");
    ASSERT_TRUE(g.importAll());
    for (int t = 0; t < 11; ++t) {
        EXPECT_EQ(g.editor.game.names[static_cast<std::size_t>(t)], g.text(num("LMDSlot", t))) << t;
    }
    // An emptied name field is no change: the game keeps its own bytes.
    const Bytes before = g.exe();
    g.edit("LMDSlot4", "");
    EXPECT_FALSE(g.editor.pending.modified(g.get("LMDSlot4")));
    ASSERT_TRUE(g.exportAll());
    EXPECT_TRUE(g.exe() == before);
}

// Right after an import the sheet holds what the files hold: no control is
// marked and nothing is pending, whatever the version, the rounding of the
// values or a missing file.
TEST(ImportAll, LeavesNoValueMarkedOrPending) {
    struct Case { const char* what; gg::GameSpec spec; };
    std::vector<Case> cases;
    for (int v : {102, 0, 70, 55}) {
        gg::GameSpec s;
        s.versionByte = v;
        cases.push_back({"version", s});
    }
    gg::GameSpec noArchive;
    noArchive.withArchive = false;
    cases.push_back({"no archive", noArchive});
    gg::GameSpec noCollision;
    noCollision.collisionIndex = -2;
    cases.push_back({"no collision entry", noCollision});
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.what) + " " + std::to_string(c.spec.versionByte));
        TestGame g(c.spec);
        ASSERT_TRUE(g.importAll());
        for (const auto& control : g.editor.main.controls()) {
            EXPECT_EQ(control->mark, Mark::None) << control->name << ": " << control->markNote;
        }
        EXPECT_TRUE(g.editor.pending.changes().empty());
        EXPECT_EQ(g.editor.pending.count(), 0u);
        EXPECT_FALSE(g.get("ChangesButton").visible);
    }
}

TEST(ImportAll, AnEmptyFirstTeamNameLeavesEveryNameAlone) {
    gg::GameValues v = gg::demoValues();
    v.names[0] = "";
    TestGame g(withValues(v));
    ASSERT_TRUE(g.importAll());
    for (int t = 0; t < 11; ++t) {
        const std::string& builtIn = kDefaultTeamNames[static_cast<std::size_t>(t)];
        EXPECT_EQ(g.text(num("LMDSlot", t)), "") << t;
        EXPECT_EQ(g.caption(num("Panel", t + 46)), builtIn) << t;
        EXPECT_EQ(g.caption(num("PanelTT", t + 1)), builtIn) << t;
        EXPECT_EQ(g.caption(num("PanelTC", t)), builtIn) << t;
    }
    EXPECT_EQ(g.caption("Status"), "Import Done");
}

TEST(ImportAll, TheVersionByteChoosesTheLayoutAndWhetherNamesAreRead) {
    struct Case { int version; bool namesKnown; };
    for (Case c : {Case{102, true}, Case{0, true}, Case{70, false}, Case{55, false}, Case{255, false}}) {
        gg::GameSpec spec;
        spec.versionByte = c.version;
        TestGame g(spec);
        ASSERT_TRUE(g.importAll()) << c.version;
        const gg::GameValues& v = spec.values;
        // Values from the layout's places prove the layout.
        EXPECT_EQ(g.editor.game.version, c.version);
        EXPECT_EQ(g.text("LMDEdit105"), std::to_string(v.cameras[0][0] / 2)) << c.version;
        EXPECT_EQ(g.text("LMDEdit101"), std::to_string(v.chase[0] / 2)) << c.version;
        EXPECT_EQ(g.text("LMDTC5"), std::to_string((v.tcam[5][1] - 160) / 2)) << c.version;
        EXPECT_EQ(g.get("PanelAC2").colour, 0x001E1EC4u) << c.version;  // demo 0xFFC41E1E
        EXPECT_EQ(g.editor.game.namesRead, c.namesKnown) << c.version;
        if (c.namesKnown) {
            EXPECT_TRUE(g.ui.messages().empty()) << c.version;
            EXPECT_EQ(g.text("LMDSlot0"), "Northwind Racing") << c.version;
        } else {
            EXPECT_EQ(g.ui.messages(), Messages{kUnknownVersion}) << c.version;
            EXPECT_EQ(g.text("LMDSlot0"), "") << c.version;
            EXPECT_EQ(g.caption("PanelTC0"), kDefaultTeamNames[0]) << c.version;
        }
        EXPECT_EQ(g.caption("Status"), "Import Done") << c.version;
    }
}

// ---------------------------------------------------------------- the sheet as a whole

TEST(ImportAll, ReportsDoneAndReadiesTheSheet) {
    TestGame g;
    g.editor.CurrentCamField = 33;
    ASSERT_TRUE(g.importAll());
    EXPECT_EQ(g.caption("Status"), "Import Done");
    EXPECT_EQ(g.get("LMDPath").hint, "Actual Path: " + g.folder().string());
    EXPECT_EQ(g.editor.CurrentCamField, 105);
    EXPECT_EQ(g.editor.SheetReady, 1);
    EXPECT_TRUE(g.editor.GameFound);
    EXPECT_TRUE(g.ui.messages().empty());
    EXPECT_TRUE(g.ui.errors().empty());

    const std::vector<std::string> first = sheetState(g.editor.main);
    ASSERT_TRUE(g.importAll());
    EXPECT_EQ(sheetState(g.editor.main), first);
    EXPECT_EQ(g.editor.SheetReady, 1);
}

// ---------------------------------------------------------------- tyres

TEST(ImportAll, TyreFieldsAreHundredthsOfTheCollisionEntrysRecords) {
    gg::GameValues v = gg::demoValues();
    v.tyres = {{{0.71f, -0.24f, 1.15f}, {-0.125f, -0.225f, 1.125f}, {0.69f, -0.25f, -1.81f}, {-0.72f, -0.625f, -1.625f}}};
    // X, Y, Z of each record: stored +0, +8, +4.
    const std::vector<std::string> expected = {"71", "115", "-24", "-12", "112", "-22", "69", "-181", "-25", "-72", "-162", "-62"};
    // Entry 3 is named "...Rim_0003.ctx", which is no collision entry.
    for (int collisionIndex : {-1, 0, 4, 7}) {
        gg::GameSpec spec = withValues(v);
        spec.archiveEntries = 8;
        spec.collisionIndex = collisionIndex;
        TestGame g(spec);
        ASSERT_TRUE(g.importAll()) << collisionIndex;
        for (int n = 1; n <= 12; ++n) {
            EXPECT_EQ(g.text(num("LMDTP", n)), expected[static_cast<std::size_t>(n - 1)]) << collisionIndex << " LMDTP" << n;
        }
        ASSERT_TRUE(g.editor.game.CollisionEntry.has_value());
        EXPECT_EQ(*g.editor.game.CollisionEntry, gg::collisionEntryOffset(spec)) << collisionIndex;
        EXPECT_TRUE(g.ui.messages().empty()) << collisionIndex;
    }
}

TEST(ImportAll, AnArchiveChangedSinceTheLastImportIsReadAgain) {
    gg::GameSpec spec;
    spec.archiveEntries = 8;
    spec.collisionIndex = 6;
    TestGame g(spec);
    ASSERT_TRUE(g.importAll());
    ASSERT_TRUE(g.exportAll());  // Varnisk's own write into the entry keeps what it knows
    ASSERT_TRUE(g.importAll());
    EXPECT_EQ(g.editor.game.CollisionEntry, gg::collisionEntryOffset(spec));

    // Another tool rewrites the archive with its collision entry elsewhere,
    // and then without one.
    for (int index : {1, -2}) {
        SCOPED_TRACE(index);
        gg::GameSpec other = spec;
        other.collisionIndex = index;
        writeBytes(g.wadPath(), gg::buildArchive(other));
        ASSERT_TRUE(g.importAll());
        if (index >= 0) {
            EXPECT_EQ(g.editor.game.CollisionEntry, gg::collisionEntryOffset(other));
        } else {
            EXPECT_FALSE(g.editor.game.CollisionEntry.has_value());
        }
    }
}

TEST(ImportAll, AMissingArchiveGivesTheDefaultTyrePositions) {
    gg::GameSpec spec;
    spec.withArchive = false;
    TestGame g(spec);
    ASSERT_TRUE(g.importAll());
    EXPECT_EQ(g.ui.messages(), Messages{kNoArchive});
    const std::vector<std::string> expected = {"70", "114", "-23", "-72", "114", "-23", "70", "-181", "-23", "-71", "-181", "-23"};
    for (int n = 1; n <= 12; ++n) EXPECT_EQ(g.text(num("LMDTP", n)), expected[static_cast<std::size_t>(n - 1)]) << n;
    EXPECT_FALSE(g.editor.game.CollisionEntry.has_value());
    EXPECT_EQ(g.caption("Status"), "Import Done");
}

TEST(ImportAll, AnArchiveWithoutCollisionEntrySaysSoAndKeepsTheFields) {
    struct Case { int entries; int collisionIndex; };
    for (Case c : {Case{8, -2}, Case{0, -1}}) {
        gg::GameSpec spec;
        spec.archiveEntries = c.entries;
        spec.collisionIndex = c.collisionIndex;
        TestGame g(spec);
        ASSERT_TRUE(g.importAll()) << c.entries;
        EXPECT_EQ(g.ui.messages(), Messages{kNoCollisionEntry}) << c.entries;
        for (int n = 1; n <= 12; ++n) EXPECT_EQ(g.text(num("LMDTP", n)), "") << n;
        EXPECT_FALSE(g.editor.game.CollisionEntry.has_value());
        EXPECT_EQ(g.caption("Status"), "Import Done");
    }
}

TEST(ImportAll, ADamagedArchiveDirectoryIsAnErrorWithAClearText) {
    // Entry counts: far more than the file holds, a directory one entry longer
    // than the file, a negative count.
    for (int which = 0; which < 3; ++which) {
        TestGame g;
        Bytes wad = g.wad();
        const std::uint32_t count = which == 0   ? 100000u
                                    : which == 1 ? static_cast<std::uint32_t>((wad.size() - 4) / 136 + 1)
                                                 : 0xFFFFFFFFu;
        putU32(wad, 0, count);
        writeBytes(g.wadPath(), wad);
        EXPECT_FALSE(g.importAll()) << count;
        ASSERT_EQ(g.ui.errors().size(), 1u) << count;
        const std::string& error = g.ui.errors()[0];
        EXPECT_NE(error.find("cars.wad"), std::string::npos) << error;
        EXPECT_NE(error.find("damaged"), std::string::npos) << error;
        EXPECT_FALSE(g.editor.terminated());
    }
}

// ---------------------------------------------------------------- brands

TEST(ImportAll, BrandsComeFromTheSavedStateAndTeam1sFromTheExe) {
    gg::GameValues v = gg::demoValues();
    v.brandCodes[6] = 0;           // neither code: Michelin
    v.brandCodes[8] = 0x03350334;  // neither code: Michelin
    v.brand = "michelin";
    v.brandCodes[1] = gg::kBridgestoneCode;  // team 1's code is not used
    TestGame g(withValues(v));
    ASSERT_TRUE(g.importAll());
    const int expected[11] = {1, 1, 0, 1, 0, 1, 1, 0, 1, 0, 1};
    for (int t = 0; t < 11; ++t) {
        EXPECT_EQ(g.get(num("UpDown", t + 1)).position, expected[t]) << t;
        EXPECT_EQ(g.caption(num("PanelTT", t + 21)), expected[t] == 0 ? "Bridgestone" : "Michelin") << t;
    }
}

TEST(ImportAll, Team1sBrandFollowsTheBrandString) {
    struct Case { int version; const char* brand; int position; std::string caption; };
    for (const Case& c : {Case{102, "bridgestone", 0, "Bridgestone"}, Case{102, "michelin", 1, "Michelin"},
                          Case{102, "mclaren", 2, kDefaultTeamNames[1]}, Case{0, "mclaren", 2, kDefaultTeamNames[1]},
                          Case{70, "michelin", 1, "Michelin"}}) {
        gg::GameSpec spec;
        spec.versionByte = c.version;
        spec.values.brand = c.brand;
        TestGame g(spec);
        ASSERT_TRUE(g.importAll()) << c.brand;
        EXPECT_EQ(g.get("UpDown2").position, c.position) << c.version << " " << c.brand;
        EXPECT_EQ(g.caption("PanelTT22"), c.caption) << c.version << " " << c.brand;
    }
}

TEST(ImportAll, AnUnknownBrandStringLeavesTeam1sSelectorAsItWas) {
    gg::GameSpec spec;
    spec.values.brand = "mclaren";
    TestGame g(spec);
    ASSERT_TRUE(g.importAll());
    ASSERT_EQ(g.get("UpDown2").position, 2);
    // The words are compared case-sensitively.
    for (const char* brand : {"Michelin", "bridgestone tyre", ""}) {
        g.spec.values.brand = brand;
        gg::writeGame(g.folder(), g.spec);
        ASSERT_TRUE(g.importAll()) << brand;
        EXPECT_EQ(g.get("UpDown2").position, 2) << brand;
        EXPECT_EQ(g.caption("PanelTT22"), kDefaultTeamNames[1]) << brand;
    }
}

TEST(ImportAll, AMissingSavedStateGivesTheDefaultBrands) {
    gg::GameSpec spec;
    spec.withSavedState = false;
    spec.values.brand = "michelin";
    TestGame g(spec);
    ASSERT_TRUE(g.importAll());
    EXPECT_EQ(g.ui.messages(), Messages{kNoSavedState});
    const int expected[11] = {0, 2, 1, 1, 0, 0, 0, 0, 1, 1, 1};
    for (int t = 0; t < 11; ++t) {
        EXPECT_EQ(g.get(num("UpDown", t + 1)).position, expected[t]) << t;
        const std::string caption = expected[t] == 0 ? "Bridgestone" : expected[t] == 1 ? "Michelin" : kDefaultTeamNames[1];
        EXPECT_EQ(g.caption(num("PanelTT", t + 21)), caption) << t;
    }
    EXPECT_EQ(g.caption("Status"), "Import Done");
}

TEST(ImportAll, MissingFilesAreReportedInTheOrderTheyAreRead) {
    gg::GameSpec spec;
    spec.withSavedState = false;
    spec.withArchive = false;
    spec.versionByte = 55;
    TestGame g(spec);
    ASSERT_TRUE(g.importAll());
    EXPECT_EQ(g.ui.messages(), (Messages{kNoArchive, kNoSavedState, kUnknownVersion}));
    EXPECT_TRUE(g.ui.errors().empty());
}

// ---------------------------------------------------------------- finding and reading the files

TEST(ImportAll, FindsTheGameFilesWhateverTheCaseOfTheirNames) {
    const gg::GameSpec spec = mixedCaseNames();
    TestGame g(spec);
    ASSERT_TRUE(g.importAll());
    EXPECT_TRUE(g.ui.messages().empty());
    EXPECT_TRUE(g.ui.errors().empty());
    const gg::GameValues& v = spec.values;
    EXPECT_EQ(g.text("LMDEdit105"), std::to_string(v.cameras[0][0] / 2));
    EXPECT_EQ(g.text("LMDTP1"), "71");
    EXPECT_EQ(g.get("UpDown1").position, 1);
    EXPECT_EQ(g.text("LMDSlot0"), "Northwind Racing");
}

TEST(ImportAll, AnExeShorterThanItsBlocksIsReadBeyondItsEnd) {
    const gg::ExeLayout l = gg::exeLayout(102);
    for (std::uint64_t size : {std::uint64_t{1000}, l.tcam + 2, l.cameras + 239}) {
        gg::GameSpec spec;
        spec.exeSize = size;
        TestGame g(spec);
        EXPECT_FALSE(g.importAll()) << size;
        EXPECT_EQ(g.ui.errors(), Messages{"GP4.exe could not be read: Read beyond end of file. It is too short to be the "
                                          "game's executable."})
            << size;
        EXPECT_NE(g.caption("Status"), "Import Done") << size;
    }
}

#ifndef _WIN32  // POSIX file modes
// Reading needs no write access (see ReadOnlyFilesTest.cpp); a file that may
// not be read at all is "Access denied".
TEST(ImportAll, AnExeWithoutReadPermissionIsAccessDenied) {
    if (::geteuid() == 0) GTEST_SKIP() << "the superuser may read any file";
    TestGame g;
    fs::permissions(g.exePath(), fs::perms::owner_write);
    EXPECT_FALSE(g.importAll());
    EXPECT_EQ(g.ui.errors(), Messages{"Access denied"});
}
#endif

// ---------------------------------------------------------------- locating the game

namespace {

struct NoRegisteredGame : ::testing::Test {
    TempFolder dir;
    ScriptedUi ui;
    MemoryRegistry registry;
    Editor editor{ui, registry, {dir.path.string()}};
};

}  // namespace

TEST_F(NoRegisteredGame, StartUpAsksForTheGameAndEndsWhenNoneIsChosen) {
    gg::writeGame(dir.path, {});
    ui.queue(ScriptedUi::Cancel{});
    EXPECT_FALSE(editor.startUp());
    EXPECT_TRUE(editor.terminated());
    EXPECT_EQ(ui.messages(), (Messages{"Please choose your GP4 folder", "Sorry but Varnisk will now terminate."}));
    ASSERT_EQ(ui.dialogs().size(), 1u);
    EXPECT_EQ(ui.dialogs()[0].kind, "open");
    EXPECT_TRUE(ui.errors().empty());
    EXPECT_FALSE(registry.readGameFolder().has_value());
}

TEST_F(NoRegisteredGame, AFolderWithoutTheExeCountsAsNoGame) {
    gg::GameSpec spec;
    spec.withExe = false;
    gg::writeGame(dir.path, spec);
    registry.writeGameFolder(dir.path.string());
    ui.queue(ScriptedUi::Cancel{});
    EXPECT_FALSE(editor.startUp());
    EXPECT_TRUE(editor.terminated());
    EXPECT_EQ(ui.messages(), (Messages{"Please choose your GP4 folder", "Sorry but Varnisk will now terminate."}));
}

TEST_F(NoRegisteredGame, ChoosingTheExeRegistersItsFolderAndImports) {
    gg::writeGame(dir.path, {});
    const std::string exe = (dir.path / "GP4.exe").string();
    ui.queue(ScriptedUi::OpenAnswer{exe});
    EXPECT_TRUE(editor.startUp());
    EXPECT_FALSE(editor.terminated());
    EXPECT_EQ(registry.readGameFolder(), dir.path.string());
    EXPECT_EQ(ui.messages(), Messages{"Please choose your GP4 folder"});
    EXPECT_TRUE(ui.errors().empty());
    EXPECT_EQ(editor.main.get("Status").caption, "Import Done");
    EXPECT_EQ(editor.main.get("LMDSlot0").text, "Northwind Racing");
    EXPECT_EQ(editor.SheetReady, 1);
}

// A registered game that cannot be imported at start: its error, then the
// chooser, until a game imports or the user cancels.
TEST(StartUp, AFailedImportLeadsToTheChooser) {
    TempFolder dir;
    gg::GameSpec broken;
    broken.exeSize = 1000;
    gg::writeGame(dir.path, broken);
    TempFolder good;
    gg::writeGame(good.path, {});
    const std::string brokenExe = (dir.path / "GP4.exe").string();
    const std::string goodExe = (good.path / "GP4.exe").string();
    const Messages choose{"Please choose your GP4 folder"};
    const Messages end{"Please choose your GP4 folder", "Sorry but Varnisk will now terminate."};

    struct Case {
        const char* what;
        std::vector<ScriptedUi::Answer> answers;
        bool started;
        Messages messages;
        std::size_t errors;
        std::string registered;
    };
    const Case cases[] = {
        {"cancelled", {ScriptedUi::Cancel{}}, false, end, 1, dir.path.string()},
        {"another file", {ScriptedUi::OpenAnswer{(dir.path / "cars.wad").string()}}, false, end, 1, dir.path.string()},
        {"a working game", {ScriptedUi::OpenAnswer{goodExe}}, true, choose, 1, good.path.string()},
        {"the same game, then a working one",
         {ScriptedUi::OpenAnswer{brokenExe}, ScriptedUi::OpenAnswer{goodExe}},
         true,
         {"Please choose your GP4 folder", "Please choose your GP4 folder"},
         2,
         good.path.string()},
    };
    for (const Case& c : cases) {
        ScriptedUi ui;
        MemoryRegistry registry;
        registry.writeGameFolder(dir.path.string());
        Editor editor{ui, registry, {dir.path.string()}};
        for (const ScriptedUi::Answer& a : c.answers) ui.queue(a);
        EXPECT_EQ(editor.startUp(), c.started) << c.what;
        EXPECT_EQ(editor.terminated(), !c.started) << c.what;
        EXPECT_EQ(ui.messages(), c.messages) << c.what;
        EXPECT_EQ(ui.errors(), Messages(c.errors, "GP4.exe could not be read: Read beyond end of file. It is too short to "
                                                  "be the game's executable."))
            << c.what;
        EXPECT_EQ(ui.dialogs().size(), c.answers.size()) << c.what;
        EXPECT_EQ(registry.readGameFolder(), c.registered) << c.what;
        if (c.started) {
            EXPECT_EQ(editor.main.get("Status").caption, "Import Done") << c.what;
            EXPECT_EQ(editor.main.get("LMDSlot0").text, "Northwind Racing") << c.what;
        }
    }
}

TEST(ManualGamePath, CancellingOrChoosingAnotherFileChangesNothing) {
    TestGame g;
    ASSERT_TRUE(g.importAll());
    const std::vector<std::string> sheet = sheetState(g.editor.main);
    // Cancelled, a file that is not GP4.exe, a GP4.exe that does not exist.
    g.ui.queue(ScriptedUi::Cancel{});
    g.ui.queue(ScriptedUi::OpenAnswer{g.savPath().string()});
    g.ui.queue(ScriptedUi::OpenAnswer{(g.folder() / "missing" / "GP4.exe").string()});
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(g.click("LMDPath")) << i;
        EXPECT_EQ(g.registry.readGameFolder(), g.folder().string()) << i;
    }
    EXPECT_TRUE(g.ui.messages().empty());
    EXPECT_TRUE(g.ui.errors().empty());
    EXPECT_FALSE(g.editor.terminated());
    EXPECT_EQ(sheetState(g.editor.main), sheet);
}

TEST(ManualGamePath, ChoosingAnotherGamesExeRegistersAndImportsIt) {
    TestGame g;
    ASSERT_TRUE(g.importAll());
    TempFolder other;
    gg::GameSpec spec;
    spec.versionByte = 0;
    spec.values.chase = {100, 200};
    spec.values.names[0] = "OTHER TEAM";
    gg::writeGame(other.path, spec);
    g.ui.queue(ScriptedUi::OpenAnswer{(other.path / "GP4.exe").string()});
    EXPECT_TRUE(g.click("LMDPath"));
    EXPECT_EQ(g.registry.readGameFolder(), other.path.string());
    EXPECT_EQ(g.text("LMDEdit101"), "50");
    EXPECT_EQ(g.text("LMDSlot0"), "Other Team");
    EXPECT_EQ(g.get("LMDPath").hint, "Actual Path: " + other.path.string());
    EXPECT_EQ(g.editor.game.version, 0);
    EXPECT_TRUE(g.ui.messages().empty());
    EXPECT_FALSE(g.editor.terminated());
}
