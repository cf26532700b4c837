#include <gtest/gtest.h>

#include <cstring>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "base/Bytes.h"
#include "core/Editor.h"
#include "datasets/LoadDataSet.h"
#include "editing/PreviewFeed.h"
#include "game/ExeLayout.h"
#include "game/GameData.h"
#include "game/SavedState.h"
#include "game/TeamNames.h"
#include "ui/ScriptedUi.h"
#include "valuesets/DataSetFormats.h"
#include "../gamedata/TestGame.h"

using namespace varnisk;
using namespace varnisk::testgame;

namespace {

using Row = std::array<int, 10>;  // a camera row as shown: X, Y, Z, Dir., Pitch, Roll, four details

constexpr const char* kLoadFilter =
    "All readable files|*.car;*.cam;*.tyr|Car datas file (*.car)|*.car|Camset file (*.cam)|*.cam|"
    "Tyreset file (*.tyr)|*.tyr|All (*.*)|*.*";

std::int16_t s16(int v) { return static_cast<std::int16_t>(v); }
std::size_t at(int i) { return static_cast<std::size_t>(i); }

// Distinct values for every camera row, none of them what the generated game
// shows.
Row sampleRow(int k) {
    return {-123 - k, 37 + 2 * k, 58 + k, 15 + k, -7 - k, 3 + k, 1001 + k, 1002 + 3 * k, 1003 + k, 1004 + k};
}

// Camera record k as a car data file keeps it: X, Z, Y (the cockpit's Y 5
// lower), the angles in 182nds of a degree, the details as shown.
GameData::CameraRecord carRecord(const Row& r, int k) {
    const int y = k == 0 ? r[1] - 5 : r[1];
    return {s16(r[0]), s16(r[2]), s16(y), s16(182 * r[3]), s16(182 * r[4]), s16(182 * r[5]),
            s16(r[6]), s16(r[7]),  s16(r[8]), s16(r[9])};
}

// As a camera set keeps it: X, Z and Y doubled, no offset for the cockpit.
GameData::CameraRecord gameRecord(const Row& r) {
    return {s16(2 * r[0]), s16(2 * r[2]), s16(2 * r[1]), s16(182 * r[3]), s16(182 * r[4]), s16(182 * r[5]),
            s16(r[6]),     s16(r[7]),     s16(r[8]),     s16(r[9])};
}

// The field that shows column j of camera record k; 0 for the T-Cam row's Y
// and Z, which have no field.
int cameraField(int k, int j) {
    const int base = k == 0 ? 105 : k == 11 ? 106 : k;
    const int n = base + 10 * j;
    return n == 116 || n == 126 ? 0 : n;
}

void expectRow(TestGame& g, int k, const Row& row) {
    for (int j = 0; j < 10; ++j) {
        const int n = cameraField(k, j);
        if (n == 0) continue;
        EXPECT_EQ(g.text(num("LMDEdit", n)), std::to_string(row[at(j)])) << "record " << k << " column " << j;
    }
}

void addCameraFields(std::set<std::string>& names, int k) {
    for (int j = 0; j < 10; ++j) {
        if (const int n = cameraField(k, j); n != 0) names.insert(num("LMDEdit", n));
    }
}

// A panel shows a game colour 0xAARRGGBB as 0x00BBGGRR.
std::uint32_t panelOf(std::uint32_t game) {
    return ((game >> 16) & 0xFFu) | (game & 0xFF00u) | ((game & 0xFFu) << 16);
}

std::string brandCaption(int position) {
    return position == 0 ? "Bridgestone" : position == 1 ? "Michelin" : kDefaultTeamNames[1];
}

// The names of the controls whose state differs between two sheets.
std::set<std::string> changedNames(const std::vector<std::string>& before, const std::vector<std::string>& after) {
    EXPECT_EQ(before.size(), after.size());
    std::set<std::string> out;
    for (std::size_t i = 0; i < std::min(before.size(), after.size()); ++i) {
        if (before[i] != after[i]) out.insert(before[i].substr(0, before[i].find('|')));
    }
    return out;
}

::testing::AssertionResult onlyChanged(const std::set<std::string>& changed, const std::set<std::string>& allowed) {
    for (const std::string& name : changed) {
        if (!allowed.contains(name)) return ::testing::AssertionFailure() << name << " changed";
    }
    return ::testing::AssertionSuccess();
}

// A version 3 file: the short header, no external wheel pairs, no names.
Bytes versionThree(SaveMasks m, const GameData& values, const std::array<int, 11>& brands = {}) {
    m.extWheelMask = 0;
    m.nameMask = 0;
    Bytes b = encodeCarData(m, values, brands);
    bytes::putU16(b, 0, 3);
    b.erase(b.begin() + 16, b.begin() + 20);
    return b;
}

// The four tyre records (+0 X, +4 Z, +8 Y) and the texts LMDTP1..12 show
// for them: X, Y, Z of each tyre in hundredths.
constexpr std::array<GameData::TyreRecord, 4> kTyres{{
    {0.71f, -0.23f, 1.15f}, {-0.72f, -0.24f, 1.16f}, {0.73f, -0.25f, -1.79f}, {-0.74f, -0.26f, -1.8f}}};
constexpr std::array<const char*, 12> kTyreTexts{"71", "115", "-23", "-72", "116", "-24",
                                                 "73", "-179", "-25", "-74", "-180", "-26"};

// Dashboard X, Z, Y, wheel X, Z, Y, and the texts of LMDSW0..2, LMDDB0..2.
constexpr std::array<float, 6> kCockpit{0.5f, 0.25f, 0.125f, 0.25f, 0.5f, -0.375f};
constexpr std::array<const char*, 3> kWheelTexts{"25", "52.5", "50"};
constexpr std::array<const char*, 3> kDashTexts{"100.6", "75.5", "53"};

void expectCockpitTexts(TestGame& g) {
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(g.text(num("LMDSW", i)), kWheelTexts[at(i)]) << i;
        EXPECT_EQ(g.text(num("LMDDB", i)), kDashTexts[at(i)]) << i;
    }
}

std::set<std::string> cockpitFields() {
    std::set<std::string> out;
    for (int i = 0; i < 3; ++i) {
        out.insert(num("LMDSW", i));
        out.insert(num("LMDDB", i));
    }
    return out;
}

// A headerless car data file: every camera record, the chase pair, the
// team blocks, the tyres and the brand codes; the cockpit blocks only when
// asked (580 bytes, else 556).
Bytes headerless(const GameData& v, const std::array<std::uint32_t, 11>& codes, bool cockpit) {
    Bytes out;
    for (const GameData::CameraRecord& r : v.cameras) {
        for (std::int16_t x : r) bytes::addI16(out, x);
    }
    bytes::addI16(out, v.chase[0]);
    bytes::addI16(out, v.chase[1]);
    for (const GameData::ShortPair& p : v.tcam) {
        bytes::addI16(out, p[0]);
        bytes::addI16(out, p[1]);
    }
    for (const GameData::Pair& p : v.helmets) {
        bytes::addF32(out, p[0]);
        bytes::addF32(out, p[1]);
    }
    for (std::uint32_t c : v.arms) bytes::addU32(out, c);
    for (std::uint32_t c : v.rims) bytes::addU32(out, c);
    for (const GameData::TyreRecord& r : v.tyres) {
        for (float f : r) bytes::addF32(out, f);
    }
    for (std::uint32_t c : codes) bytes::addU32(out, c);
    if (cockpit) {
        for (float f : v.cockpit) bytes::addF32(out, f);
    }
    return out;
}

// A camera set of `size` bytes holding records first..last (and the chase
// pair) from sampleRow, the rest filled with a pattern the loader must not
// take.
Bytes cameraSet(std::size_t size, int first, int last, bool chase) {
    Bytes out;
    for (int k = first; k <= last; ++k) {
        for (std::int16_t x : gameRecord(sampleRow(k))) bytes::addI16(out, x);
    }
    if (chase) {
        bytes::addI16(out, -1402);
        bytes::addI16(out, 466);
    }
    out.resize(size, 0x5A);
    return out;
}

Bytes tyreSet(const std::vector<std::uint16_t>& positions) {
    Bytes out;
    for (std::uint16_t p : positions) bytes::addU16(out, p);
    return out;
}

// The generated game, imported, and the user's way of loading a file.
struct LoadDataSet : ::testing::Test {
    TestGame g;

    void SetUp() override { ASSERT_TRUE(g.importAll()); }

    fs::path place(const std::string& name, const Bytes& content) {
        const fs::path p = g.folder() / name;
        writeBytes(p, content);
        return p;
    }
    bool load(const fs::path& p) {
        g.ui.queue(ScriptedUi::OpenAnswer{p.string()});
        return g.click("LoadButton");
    }
    std::vector<std::string> sheet() { return sheetState(g.editor.main); }
    std::string status() { return g.caption("Status"); }
    std::string lastError() { return g.ui.errors().empty() ? std::string() : g.ui.errors().back(); }
    // Writes a field while the change handlers are idle.
    void quietEdit(const char* name, const std::string& text) {
        g.editor.SheetReady = 0;
        g.edit(name, text);
        g.editor.SheetReady = 1;
    }
};

// A version 4 file holding only team 3's helmet pair (Z 0.31, Y -0.47).
Bytes teamThreeHelmet() {
    SaveMasks m;
    m.helmetMask = 1u << 3;
    GameData v;
    v.helmets[3] = {0.31f, -0.47f};
    return encodeCarData(m, v, {});
}

}  // namespace

// --- choosing the file ---

TEST_F(LoadDataSet, AsksWithItsTitleAndFilterAndACancelChangesNothing) {
    const auto before = sheet();
    const std::size_t errors = g.ui.errors().size(), messages = g.ui.messages().size();
    ASSERT_TRUE(g.click("LoadButton"));  // nothing queued: the dialog is cancelled
    ASSERT_FALSE(g.ui.dialogs().empty());
    const ScriptedUi::DialogSeen& d = g.ui.dialogs().back();
    EXPECT_EQ(d.kind, "open");
    EXPECT_EQ(d.file.title, "Load CamSet");
    EXPECT_EQ(d.file.filter, kLoadFilter);
    EXPECT_EQ(sheet(), before);
    EXPECT_EQ(g.ui.errors().size(), errors);
    EXPECT_EQ(g.ui.messages().size(), messages);
}

TEST_F(LoadDataSet, NamesNotEndingInAKnownKindAreRefusedByName) {
    const auto before = sheet();
    const std::size_t messages = g.ui.messages().size();
    for (const char* name : {"helmet.car.bak", "helmet.txt", "helmet.ca", "helmet.cars", "helmet.tyre", "ar"}) {
        SCOPED_TRACE(name);
        const std::size_t errors = g.ui.errors().size();
        EXPECT_FALSE(load(place(name, teamThreeHelmet())));
        ASSERT_EQ(g.ui.errors().size(), errors + 1);
        EXPECT_EQ(lastError(), std::string(name) + " is not a value set file: its name must end in .car, .cam or .tyr.");
        EXPECT_EQ(sheet(), before);
        EXPECT_EQ(g.ui.messages().size(), messages);
    }
}

TEST_F(LoadDataSet, TheKindIsTakenFromTheNameInAnyLetterCase) {
    ASSERT_TRUE(load(place("HELMET.CAR", teamThreeHelmet())));
    EXPECT_EQ(g.text("LMDHP3"), "-47");
    EXPECT_EQ(status(), "Camset loaded");

    ASSERT_TRUE(load(place("cameras.Cam", cameraSet(244, 0, 11, true))));
    expectRow(g, 4, sampleRow(4));
    EXPECT_EQ(status(), "Camset loaded");

    ASSERT_TRUE(load(place("brands.tYR", tyreSet({1, 2, 0, 0, 1, 1, 1, 0, 0, 0, 0}))));
    EXPECT_EQ(g.get("UpDown2").position, 2);
    EXPECT_EQ(status(), "Tyre Set loaded");
}

// --- car data files, versions 4 and 3 ---

TEST_F(LoadDataSet, AVersionFourFileChangesOnlyWhatItHolds) {
    ASSERT_NE(g.text("LMDHP3"), "-47");
    ASSERT_NE(g.text("LMDHP23"), "31");
    // The second car's panels are disabled by every load.
    g.editor.main.setEnabled(g.get("PanelRC23"), true);
    g.editor.main.setEnabled(g.get("PanelAC25"), true);
    const auto before = sheet();
    const auto names = g.editor.game.names;
    const int repaints = g.ui.repaints();

    ASSERT_TRUE(load(place("helmet.car", teamThreeHelmet())));
    EXPECT_EQ(g.text("LMDHP3"), "-47");
    EXPECT_EQ(g.text("LMDHP23"), "31");
    EXPECT_FALSE(g.get("PanelRC23").enabled);
    EXPECT_FALSE(g.get("PanelAC25").enabled);
    // No other per-team field, no camera field, no external wheel field.
    EXPECT_EQ(changedNames(before, sheet()),
              (std::set<std::string>{"LMDHP3", "LMDHP23", "PanelRC23", "PanelAC25", "Status"}));
    EXPECT_EQ(g.editor.game.helmets[3], (GameData::Pair{0.31f, -0.47f}));
    EXPECT_EQ(g.editor.game.names, names);
    EXPECT_EQ(g.editor.SheetReady, 1);
    EXPECT_EQ(status(), "Camset loaded");
    EXPECT_GT(g.ui.repaints(), repaints);
}

TEST_F(LoadDataSet, CameraRecordsShowInTheirRowsAndTheTcamRowKeepsTeamZerosFields) {
    SaveMasks m;
    m.cameraMask = 1u | (1u << 5) | (1u << 11);
    m.globalMask = kChaseBit;
    GameData v;
    for (int k : {0, 5, 11}) v.cameras[at(k)] = carRecord(sampleRow(k), k);
    v.chase = {-701, 233};
    const auto before = sheet();

    ASSERT_TRUE(load(place("cams.car", encodeCarData(m, v, {}))));
    // The cockpit's Y comes back 5 higher than it is kept.
    for (int k : {0, 5, 11}) expectRow(g, k, sampleRow(k));
    EXPECT_EQ(g.text("LMDEdit115"), "37");
    EXPECT_EQ(g.text("LMDEdit101"), "-701");
    EXPECT_EQ(g.text("LMDEdit102"), "233");
    std::set<std::string> allowed{"LMDEdit101", "LMDEdit102", "Status"};
    for (int k : {0, 5, 11}) addCameraFields(allowed, k);
    // Rows 1..4 and 6..10, LMDTC0 and LMDTC20 (the T-Cam row's Y and Z) stay.
    EXPECT_TRUE(onlyChanged(changedNames(before, sheet()), allowed));
}

// A brand position the file kind does not hold (0 Bridgestone, 1 Michelin,
// 2 for team 1 alone) is damage: the load is refused whole, naming the file
// and the team.
TEST_F(LoadDataSet, BrandPositionsOutsideTheFileKindAreRefused) {
    struct Case { const char* file; int team; int position; const char* error; };
    for (Case c : {Case{"brands.car", 0, 2, "brands.car is damaged: the tyre brand of team 1 is 2, where a file holds 0 (Bridgestone), 1 (Michelin). Nothing was loaded."},
                   Case{"brands.car", 1, 3, "brands.car is damaged: the tyre brand of team 2 is 3, where a file holds 0 (Bridgestone), 1 (Michelin) or 2 (the team's own). Nothing was loaded."},
                   Case{"brands.car", 4, -1, "brands.car is damaged: the tyre brand of team 5 is -1, where a file holds 0 (Bridgestone), 1 (Michelin). Nothing was loaded."},
                   Case{"brands.tyr", 1, 5, "brands.tyr is damaged: the tyre brand of team 2 is 5, where a file holds 0 (Bridgestone), 1 (Michelin) or 2 (the team's own). Nothing was loaded."},
                   Case{"brands.tyr", 10, 0xFFFF, "brands.tyr is damaged: the tyre brand of team 11 is 65535, where a file holds 0 (Bridgestone), 1 (Michelin). Nothing was loaded."}}) {
        SCOPED_TRACE(c.error);
        std::array<int, 11> brands{};
        std::vector<std::uint16_t> tyr(11, 0);
        brands[at(c.team)] = c.position;
        tyr[at(c.team)] = static_cast<std::uint16_t>(c.position);
        SaveMasks m;
        m.brandMask = 0x07FF;
        m.cameraMask = 1;
        GameData values;
        values.cameras[0][0] = 77;
        const Bytes bytes = std::string(c.file).ends_with(".car") ? encodeCarData(m, values, brands) : tyreSet(tyr);
        const auto before = sheet();
        const std::size_t errors = g.ui.errors().size();
        EXPECT_FALSE(load(place(c.file, bytes)));
        ASSERT_EQ(g.ui.errors().size(), errors + 1);
        EXPECT_EQ(g.ui.errors().back(), c.error);
        EXPECT_EQ(sheet(), before);
    }
}

// A float that is no number, or too large for its field, is damage found
// before anything changes: the load is all or nothing for the header-less
// form too, and the message names the file and the value.
TEST_F(LoadDataSet, AFloatNoFieldCanShowIsRefusedBeforeAnythingChanges) {
    GameData v;
    v.helmets[2] = {0.5f, std::numeric_limits<float>::quiet_NaN()};
    SaveMasks helmet;
    helmet.helmetMask = 0x0004;
    helmet.cameraMask = 1;
    v.cameras[0][0] = 77;
    GameData oversized;
    oversized.tyres = kTyres;
    oversized.tyres[1][2] = 1e30f;
    SaveMasks tyres;
    tyres.globalMask = kTyresBit;
    struct Case { const char* file; Bytes bytes; std::string error; };
    const std::vector<Case> cases = {
        {"helmet.car", encodeCarData(helmet, v, {}), "helmet.car is damaged: team 3's helmet is not a number. Nothing was loaded."},
        {"tyres.car", encodeCarData(tyres, oversized, {}), "tyres.car is damaged: a tyre position is far too large ("},
        // Neither 3 nor 4 in front: the header-less form, every float NaN.
        {"junk.car", Bytes(kHeaderlessCockpitSize, 0xFF), "junk.car is damaged: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const auto before = sheet();
        const GameData game = g.editor.game;
        EXPECT_FALSE(load(place(c.file, c.bytes)));
        ASSERT_FALSE(g.ui.errors().empty());
        EXPECT_EQ(g.ui.errors().back().rfind(c.error, 0), 0u) << g.ui.errors().back();
        EXPECT_NE(g.ui.errors().back().find("Nothing was loaded."), std::string::npos);
        EXPECT_EQ(sheet(), before);
        EXPECT_EQ(std::memcmp(&g.editor.game.cockpit, &game.cockpit, sizeof game.cockpit), 0);
        EXPECT_EQ(g.editor.game.tyres, game.tyres);
    }
}

TEST_F(LoadDataSet, TyresDashboardAndWheelBlocks) {
    SaveMasks m;
    m.globalMask = kTyresBit | kDashboardBit | kWheelBit;
    GameData v;
    v.tyres = kTyres;
    v.cockpit = kCockpit;
    const auto before = sheet();

    ASSERT_TRUE(load(place("blocks.car", encodeCarData(m, v, {}))));
    for (int n = 1; n <= 12; ++n) EXPECT_EQ(g.text(num("LMDTP", n)), kTyreTexts[at(n - 1)]) << n;
    expectCockpitTexts(g);
    for (std::size_t i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(g.editor.game.cockpit[i], kCockpit[i]) << i;
    for (std::size_t j = 0; j < 4; ++j) {
        for (std::size_t i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(g.editor.game.tyres[j][i], kTyres[j][i]) << j << " " << i;
    }
    std::set<std::string> allowed = cockpitFields();
    for (int n = 1; n <= 12; ++n) allowed.insert(num("LMDTP", n));
    allowed.insert("Status");
    EXPECT_TRUE(onlyChanged(changedNames(before, sheet()), allowed));
}

TEST_F(LoadDataSet, CockpitFieldsAreShownFromGameDataWhenTheFileHoldsNoCockpit) {
    const std::string wheelY = g.text("LMDSW1"), dashZ = g.text("LMDDB2");
    quietEdit("LMDSW1", "12");
    quietEdit("LMDDB2", "7");
    ASSERT_TRUE(load(place("helmet.car", teamThreeHelmet())));
    EXPECT_EQ(g.text("LMDSW1"), wheelY);
    EXPECT_EQ(g.text("LMDDB2"), dashZ);
}

TEST_F(LoadDataSet, VersionFourShowsExternalWheelPairs) {
    SaveMasks m;
    m.extWheelMask = 1u << 7;
    GameData v;
    v.extWheel[7] = {0.0625f, -0.1f};  // Z, Y
    const auto before = sheet();
    ASSERT_TRUE(load(place("wheel.car", encodeCarData(m, v, {}))));
    EXPECT_EQ(g.text("LMDEW7"), "-20");
    EXPECT_EQ(g.text("LMDEW27"), "12.5");
    EXPECT_TRUE(onlyChanged(changedNames(before, sheet()), {"LMDEW7", "LMDEW27", "Status"}));
}

TEST_F(LoadDataSet, AVersionThreeFileNeverTouchesExternalWheelFieldsOrNames) {
    // A text finer than the field's tenths: only showing it from GameData
    // would change it.
    g.edit("LMDEW5", "12.34");
    SaveMasks m;
    m.cameraMask = 1u << 2;
    m.helmetMask = m.armMask = m.rimMask = m.brandMask = 1u << 5;
    m.globalMask = kChaseBit;
    GameData v;
    v.cameras[2] = carRecord(sampleRow(2), 2);
    v.chase = {-701, 233};
    v.helmets[5] = {0.31f, -0.47f};
    v.arms[5] = 0xFF102030u;
    v.rims[5] = 0x00405060u;
    std::array<int, 11> brands{};
    brands[5] = g.get("UpDown6").position == 0 ? 1 : 0;
    const auto names = g.editor.game.names;
    const auto before = sheet();

    ASSERT_TRUE(load(place("three.car", versionThree(m, v, brands))));
    expectRow(g, 2, sampleRow(2));
    EXPECT_EQ(g.text("LMDEdit101"), "-701");
    EXPECT_EQ(g.text("LMDHP5"), "-47");
    EXPECT_EQ(g.text("LMDHP25"), "31");
    EXPECT_EQ(g.get("PanelAC5").colour, 0x302010u);
    EXPECT_EQ(g.get("PanelRC5").colour, 0x605040u);
    EXPECT_EQ(g.get("UpDown6").position, brands[5]);
    EXPECT_EQ(g.text("LMDEW5"), "12.34");
    for (const auto& line : changedNames(before, sheet())) EXPECT_NE(line.rfind("LMDEW", 0), 0u) << line;
    EXPECT_EQ(g.editor.game.names, names);
    EXPECT_EQ(g.editor.preview.CarTeamKey, names[0]);
}

TEST_F(LoadDataSet, LoadedNamesReachGameDataThePreviewAndTheSaveWindowButNotTheNameFields) {
    const auto names = g.editor.game.names;
    std::vector<std::string> slots;
    for (int t = 0; t < 11; ++t) slots.push_back(g.text(num("LMDSlot", t)));
    // Two names: the first byte is kept as it is, the rest lower-cased, zero
    // bytes dropped.
    Bytes file = encodeCarData(SaveMasks{}, GameData{}, {});
    bytes::putU16(file, 18, 0x0500);
    for (const std::string& raw : {std::string("sAUBER\0 PETRONAS", 16), std::string("JORDAN")}) {
        Bytes field(32, 0);
        std::copy(raw.begin(), raw.end(), field.begin());
        file.insert(file.end(), field.begin(), field.end());
    }
    const auto before = sheet();

    ASSERT_TRUE(load(place("names.car", file)));
    EXPECT_EQ(g.editor.game.names[0], "sauber petronas");
    EXPECT_EQ(g.editor.game.names[1], "Jordan");
    for (std::size_t t = 2; t < 11; ++t) EXPECT_EQ(g.editor.game.names[t], names[t]) << t;
    EXPECT_EQ(g.editor.preview.CarTeamKey, "sauber petronas");
    for (int t = 0; t < 11; ++t) EXPECT_EQ(g.text(num("LMDSlot", t)), slots[at(t)]) << t;
    EXPECT_TRUE(onlyChanged(changedNames(before, sheet()), {"Status"}));

    ASSERT_TRUE(g.click("SaveButton"));
    EXPECT_EQ(g.editor.save.get("Label1").caption, "Sauber Petronas");
    EXPECT_EQ(g.editor.save.get("Label2").caption, "Jordan");
    EXPECT_EQ(g.editor.save.get("Label3").caption, mister(names[2]));
}

TEST_F(LoadDataSet, ThePreviewTakesTeamZerosValuesAfterALoad) {
    carRefresh(g.editor, 4);
    SaveMasks m;
    m.helmetMask = m.armMask = m.rimMask = 1u;
    GameData v;
    v.helmets[0] = {0.12f, -0.34f};
    v.arms[0] = 0xFF102030u;
    v.rims[0] = 0x00405060u;
    ASSERT_TRUE(load(place("team0.car", encodeCarData(m, v, {}))));
    const PreviewState& p = g.editor.preview;
    EXPECT_EQ(p.LastShownTeam, 0);
    EXPECT_EQ(p.HelmetOffset, (std::array<float, 2>{-0.34f, 0.12f}));
    EXPECT_EQ(p.ArmMaterial, (std::array<float, 4>{0x10 / 256.0f, 0x20 / 256.0f, 0x30 / 256.0f, 1.0f}));
    EXPECT_EQ(p.RimMaterial, (std::array<float, 4>{0x40 / 256.0f, 0x50 / 256.0f, 0x60 / 256.0f, 1.0f}));
    EXPECT_EQ(p.CarTeamKey, g.editor.game.names[0]);
    EXPECT_EQ(g.editor.SheetReady, 1);
}

// --- headerless car data files ---

TEST(LoadDataSetHeaderless, EverythingIsShownAndTheCockpitOnlyFromAFileOf580Bytes) {
    GameData v;
    for (int k = 0; k < 12; ++k) v.cameras[at(k)] = carRecord(sampleRow(k), k);
    v.chase = {-701, 233};
    for (int t = 0; t < 11; ++t) {
        const std::size_t i = at(t);
        v.tcam[i] = {s16(2 * (40 + t) - 122), s16(2 * (-30 - t) + 160)};  // fields Z 40+t, Y -30-t
        v.helmets[i] = {static_cast<float>(10 + t) / 100.0f, static_cast<float>(-20 - t) / 100.0f};
        v.arms[i] = 0xFF000000u | (0x00102030u + 0x00010101u * static_cast<std::uint32_t>(t));
        v.rims[i] = 0x00405060u + 0x00010203u * static_cast<std::uint32_t>(t);
    }
    v.tyres = kTyres;
    v.cockpit = kCockpit;
    const std::array<std::uint32_t, 11> codes{kBridgestoneCode, 0x03350336u, 0,           kMichelinCode,
                                              kBridgestoneCode, 1,           0xFFFFFFFFu, kBridgestoneCode,
                                              0x35033503u,      kBridgestoneCode, 2};
    const std::array<int, 11> positions{0, 1, 1, 1, 0, 1, 1, 0, 1, 0, 1};

    for (bool cockpit : {false, true}) {
        SCOPED_TRACE(cockpit ? "580 bytes" : "556 bytes");
        TestGame g;
        ASSERT_TRUE(g.importAll());
        for (int t = 0; t < 11; ++t) g.setPosition(num("UpDown", t + 1), positions[at(t)] == 0 ? 1 : 0);
        g.setPosition("UpDown2", 2);
        // Texts GameData's cockpit does not hold: only a cockpit from the
        // file may replace them.
        g.editor.SheetReady = 0;
        g.edit("LMDSW1", "12");
        g.edit("LMDDB0", "7");
        g.editor.SheetReady = 1;
        std::vector<std::string> wheel, ext;
        for (int i = 0; i < 3; ++i) wheel.push_back(g.text(num("LMDSW", i)) + "|" + g.text(num("LMDDB", i)));
        for (int t = 0; t < 11; ++t) ext.push_back(g.text(num("LMDEW", t)) + "|" + g.text(num("LMDEW", t + 20)));
        const auto names = g.editor.game.names;

        const Bytes file = headerless(v, codes, cockpit);
        ASSERT_EQ(file.size(), cockpit ? 580u : 556u);
        const fs::path p = g.folder() / "old.car";
        writeBytes(p, file);
        g.ui.queue(ScriptedUi::OpenAnswer{p.string()});
        ASSERT_TRUE(g.click("LoadButton"));

        for (int k = 0; k < 12; ++k) expectRow(g, k, sampleRow(k));
        EXPECT_EQ(g.text("LMDEdit101"), "-701");
        EXPECT_EQ(g.text("LMDEdit102"), "233");
        for (int t = 0; t < 11; ++t) {
            SCOPED_TRACE(::testing::Message() << "team " << t);
            const std::size_t i = at(t);
            EXPECT_EQ(g.text(num("LMDTC", t)), std::to_string(-30 - t));
            EXPECT_EQ(g.text(num("LMDTC", t + 20)), std::to_string(40 + t));
            EXPECT_EQ(g.text(num("LMDHP", t)), std::to_string(-20 - t));
            EXPECT_EQ(g.text(num("LMDHP", t + 20)), std::to_string(10 + t));
            EXPECT_EQ(g.get(num("PanelAC", t)).colour, panelOf(v.arms[i]));
            EXPECT_EQ(g.get(num("PanelRC", t)).colour, panelOf(v.rims[i]));
            EXPECT_FALSE(g.get(num("PanelAC", t + 20)).enabled);
            EXPECT_FALSE(g.get(num("PanelRC", t + 20)).enabled);
            EXPECT_EQ(g.get(num("UpDown", t + 1)).position, positions[i]);
            EXPECT_EQ(g.caption(num("PanelTT", t + 21)), brandCaption(positions[i]));
            // The form holds no external wheel pairs.
            EXPECT_EQ(g.text(num("LMDEW", t)) + "|" + g.text(num("LMDEW", t + 20)), ext[i]);
        }
        for (int n = 1; n <= 12; ++n) EXPECT_EQ(g.text(num("LMDTP", n)), kTyreTexts[at(n - 1)]) << n;
        if (cockpit) {
            expectCockpitTexts(g);
            for (std::size_t i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(g.editor.game.cockpit[i], kCockpit[i]) << i;
        } else {
            for (int i = 0; i < 3; ++i) {
                EXPECT_EQ(g.text(num("LMDSW", i)) + "|" + g.text(num("LMDDB", i)), wheel[at(i)]) << i;
            }
        }
        EXPECT_EQ(g.editor.game.names, names);
        EXPECT_EQ(g.editor.SheetReady, 1);
        EXPECT_EQ(g.caption("Status"), "Camset loaded");
    }
}

// --- camera sets ---

TEST(LoadDataSetCameraSet, TheSizeDecidesWhichRecordsAndWhetherTheChaseIsTaken) {
    struct Case {
        std::size_t size;
        int first, last;
        bool chase;
    };
    for (const Case& c : {Case{244, 0, 11, true}, Case{224, 0, 10, true}, Case{204, 1, 10, true},
                          Case{200, 1, 10, false}, Case{190, 1, 9, false}, Case{203, 1, 9, false},
                          Case{210, 1, 9, true}, Case{230, 0, 9, true}, Case{400, 0, 9, true},
                          // Far beyond what is read of a value set file.
                          Case{200000, 0, 9, true}}) {
        SCOPED_TRACE(::testing::Message() << c.size << " bytes");
        TestGame g;
        ASSERT_TRUE(g.importAll());
        g.edit("LMDEdit101", "-9");  // the user's own chase value
        const auto before = sheetState(g.editor.main);
        const int repaints = g.ui.repaints();
        const int camField = g.editor.CurrentCamField;
        const fs::path p = g.folder() / "set.cam";
        writeBytes(p, cameraSet(c.size, c.first, c.last, c.chase));
        g.ui.queue(ScriptedUi::OpenAnswer{p.string()});
        ASSERT_TRUE(g.click("LoadButton"));

        std::set<std::string> allowed{"Status"};
        for (int k = c.first; k <= c.last; ++k) {
            expectRow(g, k, sampleRow(k));
            addCameraFields(allowed, k);
        }
        if (c.chase) {
            EXPECT_EQ(g.text("LMDEdit101"), "-701");
            EXPECT_EQ(g.text("LMDEdit102"), "233");
            allowed.insert({"LMDEdit101", "LMDEdit102"});
        }
        // Records outside the file, the T-Cam row's team fields and, without
        // a chase pair, LMDEdit101/102 keep their texts.
        EXPECT_TRUE(onlyChanged(changedNames(before, sheetState(g.editor.main)), allowed));
        EXPECT_EQ(g.caption("Status"), "Camset loaded");
        EXPECT_EQ(g.editor.SheetReady, 1);
        // No change handler ran: one repaint at the end, the previewed
        // camera field as it was.
        EXPECT_EQ(g.ui.repaints(), repaints + 1);
        EXPECT_EQ(g.editor.CurrentCamField, camField);
    }
}

TEST_F(LoadDataSet, CameraSetValuesAreHalvedAndAnglesDividedTruncatingTowardZero) {
    Bytes file = cameraSet(244, 0, 11, true);
    const GameData::CameraRecord odd{-7, 9, -1, -365, 365, -181, 5, -6, 7, -8};  // X, Z, Y, ...
    for (std::size_t j = 0; j < 10; ++j) bytes::putI16(file, 4 * 20 + 2 * j, odd[j]);
    bytes::putI16(file, 240, -3);
    bytes::putI16(file, 242, 5);
    ASSERT_TRUE(load(place("odd.cam", file)));
    expectRow(g, 4, {-3, 0, 4, -2, 2, 0, 5, -6, 7, -8});
    EXPECT_EQ(g.text("LMDEdit101"), "-1");
    EXPECT_EQ(g.text("LMDEdit102"), "2");
}

TEST_F(LoadDataSet, ACameraSetSavedByTheProgramLoadsBackTheSameCameras) {
    const std::vector<std::pair<const char*, const char*>> edits{
        {"LMDEdit105", "17"}, {"LMDEdit115", "-43"}, {"LMDEdit125", "29"}, {"LMDEdit33", "-91"},
        {"LMDEdit106", "-77"}, {"LMDEdit176", "1111"}, {"LMDEdit10", "-55"}, {"LMDEdit101", "-333"}};
    for (const auto& [field, text] : edits) g.edit(field, text);
    std::vector<std::string> cameraFields{"LMDEdit101", "LMDEdit102"};
    for (int k = 0; k < 12; ++k) {
        for (int j = 0; j < 10; ++j) {
            if (const int n = cameraField(k, j); n != 0) cameraFields.push_back(num("LMDEdit", n));
        }
    }
    std::vector<std::string> saved;
    for (const std::string& f : cameraFields) saved.push_back(g.text(f));

    const fs::path p = g.folder() / "round.cam";
    ASSERT_TRUE(g.click("SaveButton"));
    g.ui.queue(ScriptedUi::SaveAnswer{p.string(), 2});
    ASSERT_TRUE(g.editor.dispatch([&] { g.editor.save.userClick(g.editor.save.get("LMDButton1")); }));
    ASSERT_EQ(readBytes(p).size(), 244u);

    for (const auto& [field, text] : edits) g.edit(field, "1");
    ASSERT_TRUE(load(p));
    for (std::size_t i = 0; i < cameraFields.size(); ++i) EXPECT_EQ(g.text(cameraFields[i]), saved[i]) << cameraFields[i];
    EXPECT_EQ(g.text("LMDEdit115"), "-43");
}

// --- tyre sets ---

TEST_F(LoadDataSet, ATyreSetSetsTheBrandSelectorsAndTheirCaptions) {
    const std::vector<std::uint16_t> stored{0, 2, 1, 1, 0, 1, 1, 1, 0, 1, 0};
    const std::array<int, 11> expected{0, 2, 1, 1, 0, 1, 1, 1, 0, 1, 0};
    for (int t = 0; t < 11; ++t) g.setPosition(num("UpDown", t + 1), expected[at(t)] == 0 ? 1 : 0);
    const auto before = sheet();
    g.editor.SheetReady = 0;

    ASSERT_TRUE(load(place("brands.tyr", tyreSet(stored))));
    EXPECT_EQ(g.editor.SheetReady, 0);
    g.editor.SheetReady = 1;
    std::set<std::string> allowed{"Status"};
    for (int t = 0; t < 11; ++t) {
        SCOPED_TRACE(::testing::Message() << "team " << t);
        EXPECT_EQ(g.get(num("UpDown", t + 1)).position, expected[at(t)]);
        EXPECT_EQ(g.caption(num("PanelTT", t + 21)), brandCaption(expected[at(t)]));
        allowed.insert({num("UpDown", t + 1), num("PanelTT", t + 21)});
    }
    EXPECT_EQ(status(), "Tyre Set loaded");
    EXPECT_TRUE(onlyChanged(changedNames(before, sheet()), allowed));
}

// --- failures ---

TEST_F(LoadDataSet, AMissingFileIsReportedAndChangesNothing) {
    const auto before = sheet();
    for (const char* name : {"absent.car", "absent.cam", "absent.tyr"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(load(g.folder() / name));
        EXPECT_EQ(lastError(), std::string(name) + " could not be read: File not found. Nothing was loaded.");
        EXPECT_EQ(sheet(), before);
        EXPECT_EQ(g.editor.SheetReady, 1);
    }
}

TEST_F(LoadDataSet, TinyCarDataFilesAreReadBeyondTheirEnd) {
    Bytes v4 = encodeCarData(SaveMasks{}, GameData{}, {});
    v4.resize(10);
    const Bytes v3{3, 0, 0, 0, 0, 0, 0, 0};
    const auto before = sheet();
    for (const Bytes& file : {Bytes{}, Bytes{0x04}, Bytes{0x04, 0x00}, v4, v3}) {
        SCOPED_TRACE(::testing::Message() << file.size() << " bytes");
        EXPECT_FALSE(load(place("tiny.car", file)));
        EXPECT_EQ(lastError(), "tiny.car is damaged: Read beyond end of file. Nothing was loaded.");
        EXPECT_EQ(sheet(), before);
        EXPECT_EQ(g.editor.SheetReady, 1);
    }
}

TEST_F(LoadDataSet, ATruncatedFileLeavesTheChangeHandlersLive) {
    SaveMasks m;
    m.cameraMask = 1u << 3;
    m.helmetMask = m.armMask = m.rimMask = 1u;
    GameData v;
    v.cameras[3] = carRecord(sampleRow(3), 3);
    v.helmets[0] = {0.12f, -0.34f};
    Bytes sectioned = encodeCarData(m, v, {});
    sectioned.resize(sectioned.size() - 2);  // ends inside team 0's rim colour
    Bytes old = headerless(v, {}, false);
    old.resize(300);
    Bytes tyres = tyreSet({1, 2, 0});
    tyres.pop_back();

    struct Case {
        const char* name;
        Bytes file;
    };
    const std::vector<Case> cases{{"cut.car", sectioned},
                                  {"old.car", old},
                                  {"cut.cam", cameraSet(100, 0, 0, false)},
                                  {"cut.tyr", tyres}};
    int helmet = 50;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(load(place(c.name, c.file)));
        EXPECT_EQ(lastError(), std::string(c.name) + " is damaged: Read beyond end of file. Nothing was loaded.");
        EXPECT_EQ(g.editor.SheetReady, 1);
        // Every selector shows the caption of the position it holds.
        for (int t = 0; t < 11; ++t) {
            EXPECT_EQ(g.caption(num("PanelTT", t + 21)), brandCaption(g.get(num("UpDown", t + 1)).position)) << t;
        }
        ++helmet;
        g.edit("LMDHP0", std::to_string(helmet));
        EXPECT_FLOAT_EQ(g.editor.preview.HelmetOffset[0], static_cast<float>(helmet) / 100.0f);
    }
}

TEST_F(LoadDataSet, AHeaderNamingMissingCamerasOrTeamsIsADamagedFile) {
    struct Case {
        const char* what;
        SaveMasks masks;
        bool three;
    };
    auto masks = [](std::uint16_t SaveMasks::*member, std::uint16_t value) {
        SaveMasks m;
        m.cameraMask = 0x0001;
        m.helmetMask = 0x0001;
        m.*member = value;
        return m;
    };
    const std::vector<Case> cases{
        {"T-cam of a twelfth team", masks(&SaveMasks::tcamMask, 0x0800), false},
        {"a thirteenth camera", masks(&SaveMasks::cameraMask, 0x1000), false},
        {"helmet of team 15", masks(&SaveMasks::helmetMask, 0x8001), false},
        {"a fifth shared block", masks(&SaveMasks::globalMask, 0x0010), false},
        {"a twelfth name", masks(&SaveMasks::nameMask, 0x0FFF), false},
        {"brand of a twelfth team, version 3", masks(&SaveMasks::brandMask, 0x0801), true},
    };
    const auto before = sheet();
    const GameData::CameraRecord record0 = g.editor.game.cameras[0];
    const auto helmets = g.editor.game.helmets;
    const auto names = g.editor.game.names;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SaveMasks& m = c.masks;
        Bytes file;
        for (std::uint16_t w : {std::uint16_t{4}, m.cameraMask, m.tcamMask, m.helmetMask, m.armMask, m.rimMask,
                                m.brandMask, m.globalMask, m.extWheelMask, m.nameMask}) {
            bytes::addU16(file, w);
        }
        if (c.three) {
            bytes::putU16(file, 0, 3);
            file.resize(16);
        }
        // Enough values after the header for every section it names.
        for (int i = 0; i < 600; ++i) bytes::addI16(file, s16(1000 + i));
        EXPECT_FALSE(load(place("team7.car", file)));
        EXPECT_NE(lastError().find("team7.car"), std::string::npos) << lastError();
        EXPECT_NE(lastError().find("damaged"), std::string::npos) << lastError();
        EXPECT_EQ(sheet(), before);
        EXPECT_EQ(g.editor.game.cameras[0], record0);
        EXPECT_EQ(g.editor.game.helmets, helmets);
        EXPECT_EQ(g.editor.game.names, names);
        EXPECT_EQ(g.editor.SheetReady, 1);
    }
}

TEST_F(LoadDataSet, AFieldThatDoesNotConvertStopsTheLoadBeforeAnySectionIsRead) {
    SaveMasks m;
    m.cameraMask = 1u << 3;
    m.helmetMask = 1u;
    m.globalMask = kChaseBit | kTyresBit;
    GameData v;
    v.cameras[3] = carRecord(sampleRow(3), 3);
    v.helmets[0] = {0.12f, -0.34f};
    v.chase = {-701, 233};
    v.tyres = kTyres;
    const Bytes file = encodeCarData(m, v, {});

    struct Case {
        const char* field;
        const char* text;
    };
    for (const Case& c : {Case{"LMDHP4", "abc"}, Case{"LMDTC27", "12a"}, Case{"LMDEW10", "x1"}}) {
        SCOPED_TRACE(c.field);
        const std::string former = g.text(c.field);
        quietEdit(c.field, c.text);
        const auto before = sheet();
        const auto cameras = g.editor.game.cameras;
        EXPECT_FALSE(load(place("stopped.car", file)));
        EXPECT_NE(lastError().find(std::string("'") + c.text + "'"), std::string::npos) << lastError();
        EXPECT_EQ(sheet(), before);
        EXPECT_EQ(g.editor.game.cameras, cameras);
        EXPECT_EQ(g.editor.SheetReady, 1);
        quietEdit(c.field, former);
    }
}

// --- all or nothing ---

namespace {

// GameData's values that a load may change, to compare before and after.
void expectSameValues(const GameData& a, const GameData& b) {
    EXPECT_EQ(a.cameras, b.cameras);
    EXPECT_EQ(a.chase, b.chase);
    EXPECT_EQ(a.tcam, b.tcam);
    EXPECT_EQ(a.helmets, b.helmets);
    EXPECT_EQ(a.extWheel, b.extWheel);
    EXPECT_EQ(a.arms, b.arms);
    EXPECT_EQ(a.rims, b.rims);
    EXPECT_EQ(a.tyres, b.tyres);
    EXPECT_EQ(a.cockpit, b.cockpit);
    EXPECT_EQ(a.names, b.names);
    EXPECT_EQ(a.brandCodes, b.brandCodes);
}

// Values unlike the generated game's in every block a value set holds.
GameData otherValues() {
    GameData v;
    for (int k = 0; k < 12; ++k) v.cameras[at(k)] = carRecord(sampleRow(k), k);
    v.chase = {-701, 233};
    for (int t = 0; t < 11; ++t) {
        const float f = static_cast<float>(t + 1) / 64.0f;
        v.tcam[at(t)] = {s16(30 + t), s16(-40 - t)};
        v.helmets[at(t)] = {f, -f};
        v.extWheel[at(t)] = {2 * f, -2 * f};
        v.arms[at(t)] = 0xFF102030u + static_cast<std::uint32_t>(t);
        v.rims[at(t)] = 0xFF405060u + static_cast<std::uint32_t>(t);
        v.names[at(t)] = "Cut Team " + std::to_string(t);
    }
    v.tyres = kTyres;
    v.cockpit = kCockpit;
    return v;
}

}  // namespace

// A file that ends before the values it promises is refused whole, wherever
// it is cut: no field, name, brand or GameData value changes, the status
// stays, and the message names the file.
TEST_F(LoadDataSet, AFileCutAnywhereChangesNothing) {
    const GameData v = otherValues();
    SaveMasks all;
    all.cameraMask = 0x0FFF;
    all.tcamMask = all.helmetMask = all.extWheelMask = all.armMask = all.rimMask = all.brandMask = all.nameMask = 0x07FF;
    all.globalMask = 0x000F;
    const std::array<int, 11> brands{1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1};
    std::array<std::uint32_t, 11> codes{};
    codes.fill(0x03350335u);

    struct Case {
        const char* name;
        Bytes whole;
        std::vector<std::size_t> cuts;
    };
    const Bytes v4 = encodeCarData(all, v, brands);
    const Bytes v3 = versionThree(all, v, brands);
    const std::vector<Case> cases{
        {"full.car", v4, {1, 2, 19, 20, 21, 260, 600, v4.size() - 32, v4.size() - 1}},
        {"three.car", v3, {3, 15, 16, 300, v3.size() - 1}},
        {"old.car", headerless(v, codes, true), {2, 20, 243, 244, 400, 555}},
        {"cameras.cam", cameraSet(244, 0, 11, true), {1, 19, 20, 100, 179}},
        {"brands.tyr", tyreSet({1, 2, 0, 1, 0, 1, 0, 1, 0, 1, 0}), {1, 2, 11, 21}},
    };
    g.editor.main.setCaption(g.get("Status"), "kept");
    const auto before = sheet();
    const GameData values = g.editor.game;
    const std::string teamKey = g.editor.preview.CarTeamKey;
    for (const Case& c : cases) {
        // The whole file loads: each cut below would change something.
        for (std::size_t cut : c.cuts) {
            SCOPED_TRACE(::testing::Message() << c.name << " cut to " << cut << " of " << c.whole.size() << " bytes");
            ASSERT_LT(cut, c.whole.size());
            const Bytes part(c.whole.begin(), c.whole.begin() + static_cast<std::ptrdiff_t>(cut));
            const std::size_t errors = g.ui.errors().size();
            EXPECT_FALSE(load(place(c.name, part)));
            ASSERT_EQ(g.ui.errors().size(), errors + 1);
            EXPECT_EQ(lastError(), std::string(c.name) + " is damaged: Read beyond end of file. Nothing was loaded.");
            EXPECT_EQ(sheet(), before);
            expectSameValues(g.editor.game, values);
            EXPECT_EQ(g.editor.preview.CarTeamKey, teamKey);
            EXPECT_EQ(g.editor.SheetReady, 1);
        }
    }
    // Whole, every one of them loads and changes fields beside the status.
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(load(place(c.name, c.whole)));
        std::set<std::string> changed = changedNames(before, sheet());
        changed.erase("Status");
        EXPECT_FALSE(changed.empty());
        ASSERT_TRUE(g.importAll());
        g.editor.main.setCaption(g.get("Status"), "kept");
    }
}

// The sheet's per-team values are taken into GameData only once every field
// converts: a field that does not stops the load with GameData as it was.
TEST_F(LoadDataSet, AFieldThatDoesNotConvertLeavesGameDataAsItWas) {
    quietEdit("LMDHP2", "33");  // shown, not yet in GameData
    quietEdit("LMDHP4", "abc");
    const GameData values = g.editor.game;
    EXPECT_FALSE(load(place("stopped.car", teamThreeHelmet())));
    EXPECT_NE(lastError().find("'abc'"), std::string::npos) << lastError();
    expectSameValues(g.editor.game, values);
}

// --- files dropped onto the window ---

namespace {

// A game's sheet with its folder's name put as "<game>", to compare the
// sheets of two games.
std::vector<std::string> sheetOf(TestGame& g) {
    std::vector<std::string> out = sheetState(g.editor.main);
    const std::string folder = g.folder().string();
    for (std::string& line : out) {
        for (std::size_t at = line.find(folder); at != std::string::npos; at = line.find(folder, at)) {
            line.replace(at, folder.size(), "<game>");
        }
    }
    return out;
}

}  // namespace

// A dropped file loads exactly as the same file chosen in the Load dialog:
// the same fields, GameData, status, messages, steps and remembered folder.
TEST(LoadDataSetDropped, ADroppedFileLoadsAsTheSameFileChosenInTheLoadDialog) {
    TempFolder sets;
    Bytes cut = cameraSet(244, 0, 11, true);
    cut.resize(100);
    struct Case {
        const char* name;
        Bytes file;
        bool loads;
    };
    const std::vector<Case> cases{{"dropped.CAM", cameraSet(244, 0, 11, true), true},
                                  {"brands.Tyr", tyreSet({1, 2, 0, 0, 1, 1, 1, 0, 0, 0, 0}), true},
                                  {"cut.cam", cut, false},
                                  {"notes.txt", cameraSet(244, 0, 11, true), false},
                                  {"absent.car", {}, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path p = sets.path / c.name;
        if (!c.file.empty()) writeBytes(p, c.file);
        TestGame chosen, dropped;
        ASSERT_TRUE(chosen.importAll());
        ASSERT_TRUE(dropped.importAll());
        const auto before = sheetState(dropped.editor.main);
        const auto stepsBefore = dropped.editor.history.undoNames();

        chosen.ui.queue(ScriptedUi::OpenAnswer{p.string()});
        EXPECT_EQ(chosen.click("LoadButton"), c.loads);
        EXPECT_EQ(dropped.editor.dispatch([&] { loadDroppedFile(dropped.editor, p.string()); }), c.loads);

        EXPECT_EQ(sheetOf(dropped), sheetOf(chosen));
        EXPECT_EQ(dropped.editor.game.cameras, chosen.editor.game.cameras);
        EXPECT_EQ(dropped.ui.errors(), chosen.ui.errors());
        EXPECT_EQ(dropped.ui.messages(), chosen.ui.messages());
        EXPECT_EQ(dropped.editor.history.undoNames(), chosen.editor.history.undoNames());
        EXPECT_EQ(dropped.registry.readValueSetFolder(), chosen.registry.readValueSetFolder());
        EXPECT_EQ(dropped.registry.readRecentFiles(), chosen.registry.readRecentFiles());
        // No dialog is asked for.
        EXPECT_TRUE(dropped.ui.dialogs().empty());
        if (c.loads) {
            EXPECT_NE(sheetState(dropped.editor.main), before);
            EXPECT_EQ(dropped.registry.readValueSetFolder(), sets.path.string());
            EXPECT_EQ(dropped.registry.readRecentFiles(), std::vector<std::string>{p.string()});
        } else {
            EXPECT_EQ(sheetState(dropped.editor.main), before);
            EXPECT_EQ(dropped.editor.history.undoNames(), stepsBefore);
            EXPECT_EQ(dropped.registry.readValueSetFolder(), std::nullopt);
        }
    }
}

TEST_F(LoadDataSet, ADroppedCameraSetIsOneStepThatUndoPutsWhollyBack) {
    const auto before = sheet();
    const GameData gameBefore = g.editor.game;
    const std::size_t steps = g.editor.history.undoNames().size();
    const fs::path p = place("dropped.cam", cameraSet(244, 0, 11, true));

    ASSERT_TRUE(g.editor.dispatch([&] { loadDroppedFile(g.editor, p.string()); }));
    for (int k : {1, 4, 10}) expectRow(g, k, sampleRow(k));
    EXPECT_EQ(status(), "Camset loaded");
    const auto loaded = sheet();
    ASSERT_EQ(g.editor.history.undoNames().size(), steps + 1);
    EXPECT_EQ(g.editor.history.undoNames().back(), "Load File");

    g.editor.dispatch([&] { g.editor.undo(); });
    EXPECT_EQ(status(), "Undone: Load File");
    EXPECT_TRUE(onlyChanged(changedNames(before, sheet()), {"Status"}));
    EXPECT_EQ(g.editor.game.cameras, gameBefore.cameras);
    EXPECT_EQ(g.editor.game.chase, gameBefore.chase);

    g.editor.dispatch([&] { g.editor.redo(); });
    EXPECT_TRUE(onlyChanged(changedNames(loaded, sheet()), {"Status"}));
    expectRow(g, 4, sampleRow(4));
}

// A drop that fails ends the keys typed before it, as a click on Load File
// does: the keys typed after it are a step of their own.
TEST_F(LoadDataSet, KeysTypedAfterAFailedDropAreAStepOfTheirOwn) {
    Bytes cut = cameraSet(244, 0, 11, true);
    cut.resize(100);
    const fs::path p = place("cut.cam", cut);
    g.edit("LMDEdit4", "5");
    EXPECT_FALSE(g.editor.dispatch([&] { loadDroppedFile(g.editor, p.string()); }));
    g.edit("LMDEdit4", "57");
    g.editor.dispatch([&] { g.editor.undo(); });
    EXPECT_EQ(g.text("LMDEdit4"), "5");
}
