#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "TestGame.h"
#include "base/Errors.h"
#include "gamedata/Backup.h"

using namespace varnisk;
using namespace varnisk::testgame;

namespace {

using Messages = std::vector<std::string>;

const std::string kSavedStateNotExported =
    "Sorry but as f1gstate.sav file hadn't been found, tyre brands havn't been exported.";
const std::string kArchiveNotExported = "As cars wad file hadn't been found, tyre positions haven't been exported";

gg::GameSpec version(int v) {
    gg::GameSpec s;
    s.versionByte = v;
    return s;
}

// The 16 bytes of every version's brand string place that lies in the file.
std::vector<std::string> brandPlaces(const Bytes& exe) {
    std::vector<std::string> out;
    for (int v : {0, 70, 102}) {
        const std::uint64_t at = *gg::brandStringOffset(v);
        out.push_back(at + 16 <= exe.size() ? textAt(exe, at, 16) : std::string());
    }
    return out;
}

}  // namespace

// What the sheet shows for the game's values is no change of them: values
// that Import All rounds (odd camera positions, helmets in hundredths, names
// in title case, an alpha byte other than opaque, a brand code team 1's word
// disagrees with) stay as the files hold them.
TEST(ExportAll, AnUntouchedSheetChangesNoByteAndKeepsNoBackup) {
    for (int v : {102, 0}) {
        TestGame g(version(v));
        const GameBytes original = g.files();
        ASSERT_TRUE(g.importAll()) << v;
        const std::vector<std::string> sheet = sheetState(g.editor.main);

        ASSERT_TRUE(g.exportAll()) << v;
        EXPECT_TRUE(g.ui.errors().empty()) << v;
        EXPECT_TRUE(g.ui.messages().empty()) << v;
        EXPECT_EQ(g.caption("Status"), "Nothing to export") << v;
        EXPECT_TRUE(g.files() == original) << "an untouched export changed the files, version " << v;
        for (const auto& entry : fs::directory_iterator(g.folder())) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name == "GP4.exe" || name == "f1gstate.sav" || name == "cars.wad") << name << " was written";
        }
        ASSERT_TRUE(g.importAll()) << v;
        EXPECT_EQ(sheetState(g.editor.main), sheet) << v;
    }
}

// One edited value changes exactly its own bytes; an edit typed back to the
// game's value changes nothing, not even the saved state's checksum.
TEST(ExportAll, AnEditChangesExactlyItsBytes) {
    struct Case {
        const char* what;
        std::function<void(TestGame&)> edit;
        std::vector<std::pair<std::uint64_t, std::size_t>> exe, sav;  // the ranges that may change
    };
    const gg::ExeLayout l = gg::exeLayout(102);
    const std::vector<Case> cases = {
        {"a camera X", [](TestGame& g) { g.edit("LMDEdit3", "44"); }, {{l.cameras + 20 * 3, 2}}, {}},
        {"a helmet Z", [](TestGame& g) { g.edit("LMDHP23", "-9"); }, {{l.helmets + 8 * 3, 4}}, {}},
        {"team 0's T-cam Y, in its table and the T-cam record",
         [](TestGame& g) { g.edit("LMDTC0", "5"); }, {{l.tcam + 2, 2}, {l.cameras + 20 * 11 + 4, 2}}, {}},
        {"an arm colour", [](TestGame& g) { g.setColour("PanelAC6", 0x00112233); }, {{l.arms + 4 * 6, 4}}, {}},
        {"a name", [](TestGame& g) { g.edit("LMDSlot6", "Quick"); }, {{l.names + 32 * 6, 32}}, {}},
        {"a brand, with the checksum", [](TestGame& g) { g.setPosition("UpDown4", 0); }, {},
         {{gg::kBrandCodesOffset + 12, 4}, {gg::kDefaultSavedStateSize - 4, 4}}},
        {"a value typed back", [](TestGame& g) {
             const std::string was = g.text("LMDEdit13");
             g.edit("LMDEdit13", "99");
             g.edit("LMDEdit13", was);
         }, {}, {}},
        {"a brand set back", [](TestGame& g) {
             const int was = g.get("UpDown4").position;
             g.setPosition("UpDown4", 1 - was);
             g.setPosition("UpDown4", was);
         }, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestGame g;
        const GameBytes original = g.files();
        ASSERT_TRUE(g.importAll());
        c.edit(g);
        ASSERT_TRUE(g.exportAll());
        EXPECT_TRUE(g.ui.errors().empty());
        const GameBytes now = g.files();
        std::vector<gg::ByteRange> exeRanges, savRanges;
        for (auto [at, n] : c.exe) exeRanges.push_back({c.what, at, n});
        for (auto [at, n] : c.sav) savRanges.push_back({c.what, at, n});
        EXPECT_TRUE(sameOutside(original.exe, now.exe, exeRanges));
        EXPECT_TRUE(sameOutside(original.sav, now.sav, savRanges));
        EXPECT_TRUE(original.wad == now.wad);
        EXPECT_EQ(original.exe != now.exe, !c.exe.empty());
        EXPECT_EQ(original.sav != now.sav, !c.sav.empty());
    }
}

TEST(ExportAll, CameraFieldsReachTheirRecords) {
    TestGame g;
    ASSERT_TRUE(g.importAll());
    struct Case { const char* field; const char* value; int record; int stored; std::int16_t expected; };
    const std::vector<Case> cases = {
        {"LMDEdit3", "100", 3, 0, 200},        // X of "Camera 2"
        {"LMDEdit13", "7", 3, 2, 14},          // Y is stored third
        {"LMDEdit23", "-5", 3, 1, -10},        // Z is stored second
        {"LMDEdit33", "180", 3, 3, 32760},     // the largest angle that fits
        {"LMDEdit43", "-2", 3, 4, -364},
        {"LMDEdit53", "-180", 3, 5, -32760},
        {"LMDEdit63", "3", 3, 6, 3},           // details are stored as shown
        {"LMDEdit93", "-1", 3, 9, -1},
        {"LMDEdit2", "16383", 2, 0, 32766},    // the largest position that fits
        {"LMDEdit105", "-3", 0, 0, -6},        // the cockpit row
        {"LMDEdit1", "8", 1, 0, 16},           // the "Camera 10" row
        {"LMDEdit106", "9", 11, 0, 18},        // the T-cam row
        {"LMDEdit166", "2", 11, 6, 2},
    };
    for (const Case& c : cases) g.edit(c.field, c.value);
    g.edit("LMDEdit101", "300");
    g.edit("LMDEdit102", "-4");
    ASSERT_TRUE(g.exportAll());
    const Bytes exe = g.exe();
    for (const Case& c : cases) EXPECT_EQ(i16At(exe, g.cameraAt(c.record, c.stored)), c.expected) << c.field;
    EXPECT_EQ(i16At(exe, g.layout().chase), 600);
    EXPECT_EQ(i16At(exe, g.layout().chase + gg::kChaseSecondOffset), -8);
    // An untouched record keeps its (even) values.
    for (int f = 0; f < 10; ++f) EXPECT_EQ(i16At(exe, g.cameraAt(4, f)), g.spec.values.cameras[4][f]) << f;
}

TEST(ExportAll, TeamZeroTCamFieldsGoToTheTCamRecordAndTheTable) {
    TestGame g;
    ASSERT_TRUE(g.importAll());
    g.edit("LMDTC0", "12");
    g.edit("LMDTC20", "-7");
    g.edit("LMDTC5", "-3");
    g.edit("LMDTC25", "40");
    ASSERT_TRUE(g.exportAll());
    const Bytes exe = g.exe();
    const std::uint64_t table = g.layout().tcam;
    EXPECT_EQ(i16At(exe, g.cameraAt(11, 2)), 24);   // record Y = 2 x LMDTC0
    EXPECT_EQ(i16At(exe, g.cameraAt(11, 1)), -14);  // record Z = 2 x LMDTC20
    EXPECT_EQ(i16At(exe, table + 2), 184);          // table Y = 2 x 12 + 160
    EXPECT_EQ(i16At(exe, table + 0), -136);         // table Z = 2 x -7 - 122
    EXPECT_EQ(i16At(exe, table + 4 * 5 + 2), 154);
    EXPECT_EQ(i16At(exe, table + 4 * 5 + 0), -42);
    EXPECT_EQ(i16At(exe, table + 4 * 6 + 2), g.spec.values.tcam[6][1]);
}

TEST(ExportAll, TeamValuesReachTheirTablesInBothLayouts) {
    struct Case { int version; std::uint32_t companionBase; };
    for (Case c : {Case{102, 6573951u}, Case{0, 6552071u}}) {
        TestGame g(version(c.version));
        ASSERT_TRUE(g.importAll());
        g.edit("LMDHP3", "45");
        g.edit("LMDHP23", "-7");
        g.edit("LMDEW3", "60.8");
        g.edit("LMDEW23", "-1.5");
        g.setColour("PanelAC3", 0x00563412);
        g.setColour("PanelAC0", 0x00010101);
        g.setColour("PanelRC3", 0x00563412);
        g.setColour("PanelRC4", 0x00ABCDEF);
        g.setColour("PanelRC10", 0x00FF0000);
        ASSERT_TRUE(g.exportAll()) << c.version;
        const Bytes exe = g.exe();
        const gg::ExeLayout l = g.layout();
        // Pairs are Z, Y.
        EXPECT_EQ(f32At(exe, l.helmets + 8 * 3 + 4), 0.45f) << c.version;
        EXPECT_EQ(f32At(exe, l.helmets + 8 * 3), -0.07f) << c.version;
        EXPECT_EQ(f32At(exe, l.extWheel + 8 * 3 + 4), 0.304f) << c.version;
        EXPECT_EQ(f32At(exe, l.extWheel + 8 * 3), -0.0075f) << c.version;
        // Arms are opaque, rims have no alpha.
        EXPECT_EQ(u32At(exe, l.arms + 4 * 3), 0xFF123456u) << c.version;
        EXPECT_EQ(u32At(exe, l.arms + 4 * 0), 0xFF010101u) << c.version;
        EXPECT_EQ(u32At(exe, l.arms + 4 * 7), g.spec.values.arms[7]) << c.version;
        EXPECT_EQ(u32At(exe, gg::rimOffset(l, 3)), 0x00123456u) << c.version;
        EXPECT_EQ(u32At(exe, gg::rimOffset(l, 10)), 0x000000FFu) << c.version;
        EXPECT_EQ(u32At(exe, gg::rimOffset(l, 4)), 0x00EFCDABu) << c.version;
        EXPECT_EQ(u32At(exe, l.rimCompanion), c.companionBase + 0x00EFCDABu) << c.version;
        EXPECT_EQ(u32At(exe, gg::rimOffset(l, 6)), g.spec.values.rims[6]) << c.version;
    }
}

TEST(ExportAll, NamesAreWrittenFromTheSlotsPaddedTo32Bytes) {
    TestGame g;
    const Bytes original = g.exe();
    ASSERT_TRUE(g.importAll());
    g.edit("LMDSlot2", "Fast Lane Racing");
    g.edit("LMDSlot3", "Thirty Two Characters Long Name!");
    g.edit("LMDSlot4", "");  // an emptied field keeps the team's name
    ASSERT_TRUE(g.exportAll());
    const Bytes exe = g.exe();
    auto name = [&](const Bytes& b, int t) { return textAt(b, g.layout().names + 32 * static_cast<std::uint64_t>(t), 32); };
    EXPECT_EQ(name(exe, 2), padded("Fast Lane Racing", 32));
    EXPECT_EQ(name(exe, 3), "Thirty Two Characters Long Name!");
    // Names nobody edited keep their bytes, in whatever case the game has them.
    for (int t : {0, 1, 4, 5, 6, 7, 8, 9, 10}) EXPECT_EQ(name(exe, t), name(original, t)) << t;
    EXPECT_EQ(g.caption("Status"), "Exported 2 values: GP4.exe 2");
}

// A value its place cannot hold stops Export All before any file changes,
// named by its label, and its field is marked as not fitting meanwhile.
TEST(ExportAll, AValueThatDoesNotFitIsRefusedByName) {
    struct Case { const char* field; const char* text; const char* error; };
    for (Case c : {Case{"LMDEdit3", "99999", "Camera 2 \xB7 X: 99999 does not fit; it must lie between -16384 and 16383. Nothing was exported."},
                   Case{"LMDEdit33", "181", "Camera 2 \xB7 Dir.: 181 does not fit; it must lie between -180 and 180. Nothing was exported."},
                   Case{"LMDEdit63", "-32769", "Camera 2 \xB7 Car Details Rear: -32769 does not fit; it must lie between -32768 and 32767. Nothing was exported."},
                   Case{"LMDEdit102", "16384", "Chase Cameras \xB7 Z: 16384 does not fit; it must lie between -16384 and 16383. Nothing was exported."},
                   // Team 0's T-cam Y also goes, doubled, into the T-cam record.
                   Case{"LMDTC0", "16304", "T-Cam Y of Northwind Racing: 16304 does not fit; it must lie between -16384 and 16303. Nothing was exported."},
                   Case{"LMDTC25", "-16324", "T-Cam Z of \xC9quipe Lumiverre: -16324 does not fit; it must lie between -16323 and 16444. Nothing was exported."},
                   Case{"LMDEW3", "1e41", "St. Wheel Y of Ormsby Dynamics: 1e41 does not fit; it must lie between -6.80564693277058E40 and 6.80564693277058E40. Nothing was exported."}}) {
        SCOPED_TRACE(c.field);
        TestGame g;
        ASSERT_TRUE(g.importAll());
        const GameBytes before = g.files();
        g.edit("LMDEdit4", "12");  // a value that fits is not written either
        g.edit(c.field, c.text);
        EXPECT_EQ(g.get(c.field).mark, Mark::DoesNotFit);
        EXPECT_FALSE(g.exportAll());
        ASSERT_FALSE(g.ui.errors().empty());
        EXPECT_EQ(g.ui.errors().back(), c.error);
        EXPECT_TRUE(g.files() == before);
        EXPECT_FALSE(fs::exists(g.folder() / "GP4.exe.varnisk-backup"));
    }
}

TEST(ExportAll, BrandsGoToTheSavedStateWithAMatchingChecksum) {
    TestGame g;
    ASSERT_TRUE(g.importAll());
    const int positions[11] = {0, 2, 1, 0, 1, 0, 1, 1, 0, 0, 1};
    for (int t = 0; t < 11; ++t) g.setPosition(num("UpDown", t + 1), positions[t]);
    ASSERT_TRUE(g.exportAll());
    Bytes sav = g.sav();
    for (int t = 0; t < 11; ++t) {
        // Team 1's third position (its own brand) counts as Michelin.
        const std::uint32_t code = positions[t] == 0 ? 0x03350335u : 0x03340334u;
        EXPECT_EQ(u32At(sav, gg::kBrandCodesOffset + 4 * static_cast<std::uint64_t>(t)), code) << t;
    }
    EXPECT_EQ(u32At(sav, sav.size() - 4), gg::savedStateChecksum(sav));
    EXPECT_EQ(textAt(g.exe(), *gg::brandStringOffset(102), 16), padded("mclaren", 16));

    ASSERT_TRUE(g.exportAll());
    EXPECT_EQ(g.sav(), sav);
}

TEST(ExportAll, TheChecksumStaysRightOverManyExportsAndChangesMadeElsewhere) {
    TestGame g;
    ASSERT_TRUE(g.importAll());
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        g.setPosition("UpDown1", round % 2);
        g.setPosition("UpDown5", (round / 2) % 2);
        if (round == 3) {
            // The game rewrites its saved state between two exports: a byte
            // before the codes and the checksum change.
            Bytes changed = g.sav();
            changed[100] = static_cast<std::uint8_t>(changed[100] + 1);
            putU32(changed, changed.size() - 4, gg::savedStateChecksum(changed));
            writeBytes(g.savPath(), changed);
        }
        ASSERT_TRUE(g.exportAll()) << g.ui.errors().back();
        const Bytes sav = g.sav();
        EXPECT_EQ(u32At(sav, gg::kBrandCodesOffset), round % 2 ? 0x03340334u : 0x03350335u);
        EXPECT_EQ(u32At(sav, sav.size() - 4), gg::savedStateChecksum(sav));
    }
}

TEST(ExportAll, Team1sBrandStringIsWrittenForEveryVersionThatHasOne) {
    for (int v : {102, 0, 70}) {
        TestGame g(version(v));
        ASSERT_TRUE(g.importAll());
        const std::uint64_t at = *gg::brandStringOffset(v);
        for (auto [position, word] : {std::pair{0, "bridgestone"}, std::pair{2, "mclaren"}, std::pair{1, "michelin"}}) {
            g.setPosition("UpDown2", position);
            ASSERT_TRUE(g.exportAll()) << v;
            EXPECT_EQ(textAt(g.exe(), at, 16), padded(word, 16)) << v << " " << word;
        }
    }
}

TEST(ExportAll, AnUnknownVersionWritesNoNamesAndOnlyItsOwnBrandString) {
    struct Case { int version; bool hasBrandString; };
    for (Case c : {Case{55, false}, Case{70, true}}) {
        TestGame g(version(c.version));
        const Bytes original = g.exe();
        ASSERT_TRUE(g.importAll());
        g.edit("LMDSlot3", "New Name");
        g.edit("LMDSlot0", "Other Name");
        g.setPosition("UpDown2", 2);
        ASSERT_TRUE(g.exportAll()) << c.version;
        const Bytes exe = g.exe();
        const gg::ExeLayout l = g.layout();
        EXPECT_EQ(textAt(exe, l.names, 352), textAt(original, l.names, 352)) << c.version;
        std::vector<std::string> places = brandPlaces(original);
        if (c.hasBrandString) places[1] = padded("mclaren", 16);  // version 70's place
        EXPECT_EQ(brandPlaces(exe), places) << c.version;
        EXPECT_EQ(g.caption("Status").rfind("Exported ", 0), 0u) << g.caption("Status");
    }
}

TEST(ExportAll, AFieldThatIsNoNumberChangesNoFile) {
    struct Case { const char* field; const char* text; const char* error; };
    // Each is named by its label.
    for (Case c : {Case{"LMDHP3", "abc", "Helmet Y of Ormsby Dynamics: 'abc' is not a valid integer value. Nothing was exported."},
                   Case{"LMDEdit33", "9.5", "Camera 2 \xB7 Dir.: '9.5' is not a valid integer value. Nothing was exported."},
                   Case{"LMDTC20", "", "T-Cam Z of Northwind Racing: '' is not a valid integer value. Nothing was exported."},
                   Case{"LMDEW2", "1,5", "St. Wheel Y of Kestrel Vale: '1,5' is not a valid floating point value. Nothing was exported."},
                   // The cockpit and tyre fields reach the game through their
                   // change handlers; a text those could not take stops the
                   // export as well.
                   Case{"LMDSW1", "1.2.3", "Steering Wheel \xB7 Y: '1.2.3' is not a valid floating point value. Nothing was exported."},
                   Case{"LMDTP5", "", "Front left tyre \xB7 Y: '' is not a valid floating point value. Nothing was exported."}}) {
        TestGame g;
        ASSERT_TRUE(g.importAll());
        const GameBytes before = g.files();
        g.edit("LMDEdit3", "77");  // a valid edit alongside must not reach the file either
        g.setPosition("UpDown1", 0);
        g.edit(c.field, c.text);  // its change handler may report the text already
        const std::string status = g.caption("Status");
        const std::size_t errors = g.ui.errors().size();
        EXPECT_FALSE(g.exportAll()) << c.field;
        ASSERT_EQ(g.ui.errors().size(), errors + 1) << c.field;
        EXPECT_EQ(g.ui.errors().back(), c.error) << c.field;
        EXPECT_EQ(g.caption("Status"), status) << c.field;
        EXPECT_TRUE(g.files() == before) << c.field << ": a game file changed";
    }
}

TEST(ExportAll, AFileCutShortAfterImportChangesNoFile) {
    enum class Which { Exe, Sav, Wad };
    struct Case { const char* what; Which file; std::int64_t keep; };
    const gg::ExeLayout l = gg::exeLayout(102);
    const gg::GameSpec plain;
    const auto ct = static_cast<std::int64_t>(gg::collisionEntryOffset(plain));
    for (Case c : {Case{"saved state one byte short", Which::Sav, 96979},
                   Case{"saved state without checksum", Which::Sav, 96976},
                   Case{"exe ending in the chase values", Which::Exe, static_cast<std::int64_t>(l.chase + 10)},
                   Case{"exe ending in the last camera", Which::Exe, static_cast<std::int64_t>(l.cameras + 239)},
                   Case{"archive ending in the tyre records", Which::Wad, ct + 200}}) {
        TestGame g;
        ASSERT_TRUE(g.importAll()) << c.what;
        const fs::path path = c.file == Which::Exe ? g.exePath() : c.file == Which::Sav ? g.savPath() : g.wadPath();
        Bytes cut = readBytes(path);
        cut.resize(static_cast<std::size_t>(c.keep));
        writeBytes(path, cut);
        const GameBytes before = g.files();
        g.edit("LMDEdit3", "77");
        g.setPosition("UpDown2", 2);
        g.setPosition("UpDown1", 1 - g.get("UpDown1").position);
        g.edit("LMDTP11", "50");    // the last tyre record's Y, its last float
        g.edit("LMDEdit196", "5");  // the last camera value
        g.editor.main.setCaption(g.get("Status"), "before");
        EXPECT_FALSE(g.exportAll()) << c.what << ": " << g.caption("Status");
        ASSERT_EQ(g.ui.errors().size(), 1u) << c.what;
        EXPECT_NE(g.ui.errors()[0].find(path.filename().string()), std::string::npos) << g.ui.errors()[0];
        EXPECT_TRUE(g.files() == before) << c.what << ": a game file changed";
        EXPECT_EQ(g.caption("Status"), "before") << c.what;
    }
}

TEST(ExportAll, ASavedStateJustLargeEnoughTakesCodesAndChecksum) {
    gg::GameSpec spec;
    spec.savedStateSize = 96980;  // the codes, then the checksum, nothing else after
    TestGame g(spec);
    ASSERT_TRUE(g.importAll());
    g.setPosition("UpDown4", 0);
    ASSERT_TRUE(g.exportAll());
    const Bytes sav = g.sav();
    ASSERT_EQ(sav.size(), 96980u);
    EXPECT_EQ(u32At(sav, gg::kBrandCodesOffset + 12), 0x03350335u);
    EXPECT_EQ(u32At(sav, 96976), gg::savedStateChecksum(sav));
}

TEST(ExportAll, AMissingSavedStateStillWritesTheRest) {
    gg::GameSpec spec;
    spec.withSavedState = false;
    TestGame g(spec);
    ASSERT_TRUE(g.importAll());  // default brands: team 1 at its own brand
    g.edit("LMDEdit3", "100");
    ASSERT_TRUE(g.exportAll());
    ASSERT_FALSE(g.ui.messages().empty());
    EXPECT_EQ(g.ui.messages().back(), kSavedStateNotExported);
    EXPECT_TRUE(g.ui.errors().empty());
    // The default brands' team 1 word differs from the game's.
    EXPECT_EQ(g.caption("Status"), "Exported 2 values: GP4.exe 2");
    const Bytes exe = g.exe();
    EXPECT_EQ(textAt(exe, *gg::brandStringOffset(102), 16), padded("mclaren", 16));
    EXPECT_EQ(i16At(exe, g.cameraAt(3, 0)), 200);
    EXPECT_FALSE(fs::exists(g.savPath()));
}

TEST(ExportAll, AMissingArchiveOrCollisionEntryIsReportedAndTheRestWritten) {
    struct Case { bool withArchive; int collisionIndex; std::string message; };
    for (const Case& c : {Case{false, -1, kArchiveNotExported},
                          Case{true, -2, "As no car_collision_mesh.ct was found in the wad, tyre positions haven't been exported"}}) {
        gg::GameSpec spec;
        spec.withArchive = c.withArchive;
        spec.collisionIndex = c.collisionIndex;
        TestGame g(spec);
        ASSERT_TRUE(g.importAll());
        const Bytes wad = c.withArchive ? g.wad() : Bytes{};
        g.edit("LMDEdit3", "100");
        g.setPosition("UpDown1", 0);
        ASSERT_TRUE(g.exportAll()) << c.message;
        EXPECT_EQ(g.ui.messages().back(), c.message);
        EXPECT_EQ(g.caption("Status"), "Exported 2 values: GP4.exe 1, f1gstate.sav 1");
        EXPECT_EQ(i16At(g.exe(), g.cameraAt(3, 0)), 200);
        EXPECT_EQ(u32At(g.sav(), gg::kBrandCodesOffset), 0x03350335u);
        if (c.withArchive) {
            EXPECT_EQ(g.wad(), wad);
        } else {
            EXPECT_FALSE(fs::exists(g.wadPath()));
        }
    }
}

TEST(ExportAll, WritesTheFilesWhateverTheCaseOfTheirNames) {
    const gg::GameSpec spec = mixedCaseNames();
    TestGame g(spec);
    ASSERT_TRUE(g.importAll());
    g.edit("LMDEdit3", "100");
    g.setPosition("UpDown1", 0);
    g.edit("LMDTP1", "50");
    ASSERT_TRUE(g.exportAll());
    EXPECT_TRUE(g.ui.messages().empty());
    EXPECT_EQ(i16At(g.exe(), g.cameraAt(3, 0)), 200);
    EXPECT_EQ(u32At(g.sav(), gg::kBrandCodesOffset), 0x03350335u);
    EXPECT_EQ(f32At(g.wad(), gg::collisionEntryOffset(spec) + gg::kTyreRecordOffsets[0]), 0.5f);
    // No entry of the plain name joined the folder (where names ignore case,
    // asking whether one exists would find the game's own).
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(g.folder())) names.insert(entry.path().filename().string());
    for (const char* name : {"GP4.exe", "f1gstate.sav", "cars.wad"}) {
        EXPECT_EQ(names.count(name), 0u) << name << " was created beside the game's own file";
    }
}

// ---------------------------------------------------------------- backups

TEST(Backups, TheFirstExportKeepsTheOriginalsAndLaterOnesKeepThem) {
    TestGame g;
    const GameBytes original = g.files();
    ASSERT_TRUE(g.importAll());
    g.edit("LMDEdit3", "100");
    g.setPosition("UpDown1", 0);
    g.editTyre(1, 50, 150, -50);
    ASSERT_TRUE(g.exportAll());

    const fs::path exeBackup = g.folder() / "GP4.exe.varnisk-backup";
    const fs::path savBackup = g.folder() / "f1gstate.sav.varnisk-backup";
    const fs::path wadBackup = g.folder() / "cars.wad.varnisk-backup";
    ASSERT_TRUE(fs::exists(exeBackup));
    ASSERT_TRUE(fs::exists(savBackup));
    ASSERT_TRUE(fs::exists(wadBackup));
    EXPECT_TRUE(readBytes(exeBackup) == original.exe);
    EXPECT_TRUE(readBytes(savBackup) == original.sav);
    const std::string wadText = readText(wadBackup);
    EXPECT_EQ(wadText.rfind("varnisk-backup ranges 1\n", 0), 0u) << wadText;

    g.edit("LMDEdit3", "-50");
    g.edit("LMDSlot2", "Another Name");
    g.setPosition("UpDown2", 0);
    g.editTyre(2, 100, 300, 200);
    ASSERT_TRUE(g.exportAll());
    EXPECT_TRUE(readBytes(exeBackup) == original.exe);
    EXPECT_TRUE(readBytes(savBackup) == original.sav);
    // The archive's backup keeps the ranges it held and adds the original
    // bytes of the tyre record changed for the first time.
    const std::string grown = readText(wadBackup);
    EXPECT_EQ(grown.rfind(wadText, 0), 0u) << grown;
    EXPECT_GT(grown.size(), wadText.size());
}

TEST(Backups, AnExportThatChangesNothingKeepsNoBackup) {
    TestGame g;
    ASSERT_TRUE(g.importAll());
    // A value changed and put back again: nothing left to change.
    g.edit("LMDEdit3", "77");
    g.edit("LMDEdit3", g.editor.pending.gameValueOf(g.get("LMDEdit3")));
    ASSERT_TRUE(g.exportAll());
    EXPECT_EQ(g.caption("Status"), "Nothing to export");
    for (const char* name : {"GP4.exe.varnisk-backup", "f1gstate.sav.varnisk-backup", "cars.wad.varnisk-backup"}) {
        EXPECT_FALSE(fs::exists(g.folder() / name)) << name;
    }
}

TEST(Backups, RestoringPutsEveryFileBackAndRemovesTheBackups) {
    TestGame g;
    const GameBytes original = g.files();
    ASSERT_TRUE(g.importAll());
    g.edit("LMDEdit3", "100");
    g.setPosition("UpDown1", 0);
    g.editTyre(0, 50, 150, -50);
    ASSERT_TRUE(g.exportAll());
    g.edit("LMDSlot2", "Another Name");
    g.editTyre(3, 100, 300, 200);
    ASSERT_TRUE(g.exportAll());
    ASSERT_FALSE(g.files() == original);

    EXPECT_TRUE(g.editor.dispatch([&] { restoreGameFiles(g.editor); }));
    EXPECT_TRUE(g.ui.errors().empty());
    const GameBytes restored = g.files();
    EXPECT_TRUE(restored.exe == original.exe);
    EXPECT_TRUE(restored.sav == original.sav);
    EXPECT_TRUE(restored.wad == original.wad);
    for (const char* name : {"GP4.exe", "f1gstate.sav", "cars.wad"}) {
        EXPECT_FALSE(fs::exists(g.folder() / (std::string(name) + ".varnisk-backup"))) << name;
    }
}

// A restore checks every backup before it changes anything: a damaged one
// is named and no file changes, and every backup stays.
TEST(Backups, ADamagedBackupIsNamedAndNothingIsRestored) {
    struct Case {
        const char* what;
        std::function<void(TestGame&)> damage;
        const char* error;
    };
    const Case cases[] = {
        {"empty GP4.exe backup", [](TestGame& g) { writeBytes(g.folder() / "GP4.exe.varnisk-backup", {}); },
         "GP4.exe.varnisk-backup is not the size of GP4.exe: it is damaged, or GP4.exe is no longer the file it was "
         "made of. Nothing was restored."},
        {"cut saved-state backup",
         [](TestGame& g) {
             Bytes b = readBytes(g.folder() / "f1gstate.sav.varnisk-backup");
             b.resize(b.size() - 1);
             writeBytes(g.folder() / "f1gstate.sav.varnisk-backup", b);
         },
         "f1gstate.sav.varnisk-backup is not the size of f1gstate.sav: it is damaged, or f1gstate.sav is no longer "
         "the file it was made of. Nothing was restored."},
        {"garbled archive backup",
         [](TestGame& g) {
             std::string t = readText(g.folder() / "cars.wad.varnisk-backup");
             t.back() = 'x';
             t += "zz\n";
             writeBytes(g.folder() / "cars.wad.varnisk-backup", Bytes(t.begin(), t.end()));
         },
         "cars.wad.varnisk-backup is damaged. Nothing was restored."},
        {"archive backup beyond the end",
         [](TestGame& g) {
             const std::string t = readText(g.folder() / "cars.wad.varnisk-backup") +
                                   std::to_string(g.wad().size() - 1) + " 0102\n";
             writeBytes(g.folder() / "cars.wad.varnisk-backup", Bytes(t.begin(), t.end()));
         },
         "cars.wad.varnisk-backup is damaged. Nothing was restored."},
        {"archive of another size",
         [](TestGame& g) {
             Bytes w = g.wad();
             w.push_back(0);
             writeBytes(g.wadPath(), w);
         },
         "cars.wad is no longer the file its backup was made of. Nothing was restored."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestGame g;
        ASSERT_TRUE(g.importAll());
        g.edit("LMDEdit3", "100");
        g.setPosition("UpDown1", 0);
        g.editTyre(0, 50, 150, -50);
        ASSERT_TRUE(g.exportAll());
        c.damage(g);
        const GameBytes before = g.files();
        std::vector<Bytes> backups;
        for (const char* name : {"GP4.exe", "f1gstate.sav", "cars.wad"}) {
            backups.push_back(readBytes(g.folder() / (std::string(name) + ".varnisk-backup")));
        }
        EXPECT_FALSE(g.editor.dispatch([&] { restoreGameFiles(g.editor); }));
        ASSERT_FALSE(g.ui.errors().empty());
        EXPECT_EQ(g.ui.errors().back(), c.error);
        EXPECT_TRUE(g.files() == before);
        std::size_t i = 0;
        for (const char* name : {"GP4.exe", "f1gstate.sav", "cars.wad"}) {
            EXPECT_TRUE(readBytes(g.folder() / (std::string(name) + ".varnisk-backup")) == backups[i++]) << name;
        }
    }
}

// A saved state lost since the export comes back from its backup.
TEST(Backups, RestoreBringsBackAMissingSavedState) {
    TestGame g;
    const GameBytes original = g.files();
    ASSERT_TRUE(g.importAll());
    g.setPosition("UpDown1", 0);
    ASSERT_TRUE(g.exportAll());
    fs::remove(g.savPath());
    ASSERT_TRUE(g.editor.dispatch([&] { restoreGameFiles(g.editor); }));
    EXPECT_TRUE(g.files() == original);
    EXPECT_FALSE(fs::exists(g.folder() / "f1gstate.sav.varnisk-backup"));
}

// Varnisk's own temporary files left by a process that was stopped are
// removed by the next start; nothing else is.
TEST(Backups, LeftoverTemporaryFilesAreRemovedAtTheNextStart) {
    TestGame g;
    const std::vector<std::string> leftovers = {"GP4.exe.varnisk-backup.varnisk-tmp-a1b2c3d4e5f6",
                                                "f1gstate.sav.varnisk-backup.varnisk-tmp-a1b2c3d4e5f6",
                                                "cars.wad.varnisk-backup.varnisk-tmp-a1b2c3d4e5f6",
                                                "f1gstate.sav.varnisk-tmp-a1b2c3d4e5f6", "varnisk.journal.varnisk-tmp-a1b2c3d4e5f6"};
    for (const std::string& name : leftovers) writeBytes(g.folder() / name, Bytes{1, 2});
    writeBytes(g.folder() / "notes.varnisk-tmp", Bytes{3});
    ASSERT_TRUE(g.editor.startUp());
    for (const std::string& name : leftovers) EXPECT_FALSE(fs::exists(g.folder() / name)) << name;
    EXPECT_TRUE(fs::exists(g.folder() / "notes.varnisk-tmp"));
    EXPECT_TRUE(g.ui.messages().empty());
}

// The archive's range backup takes plain decimal numbers and ranges inside
// the size it names; anything else is damage, not a number read leniently.
TEST(Backups, TheRangeBackupTakesOnlyPlainNumbersAndRangesInsideTheFile) {
    const std::string head = "varnisk-backup ranges 1\n";
    std::uint64_t size = 0;
    const std::vector<Patch> ok = decodeRangeBackup(head + "size 10\n8 0A0B\n", size);
    EXPECT_EQ(size, 10u);
    ASSERT_EQ(ok.size(), 1u);
    EXPECT_EQ(ok[0].offset, 8u);
    EXPECT_EQ(ok[0].bytes, (std::vector<std::uint8_t>{0x0A, 0x0B}));
    for (const std::string body : {"size +10\n", "size  10\n", "size -1\n", "size 99999999999999999999\n",
                                   "size 10\n+8 0A\n", "size 10\n 8 0A\n", "size 10\n9 0A0B\n", "size 10\n11 \n",
                                   "size 10\n18446744073709551615 0A\n", "size 10\n8 0a\n"}) {
        EXPECT_THROW(decodeRangeBackup(head + body, size), FileError) << body;
    }
}
