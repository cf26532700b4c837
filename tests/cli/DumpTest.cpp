#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "base/CodePage.h"
#include "cli/Dump.h"
#include "registry/Registry.h"

using namespace varnisk;
using namespace varnisk::cli;

namespace {

std::vector<std::string> keysOf(const DumpJson& object) {
    std::vector<std::string> keys;
    for (auto it = object.begin(); it != object.end(); ++it) keys.push_back(it.key());
    return keys;
}

}  // namespace

TEST(CliDump, TheWriterPutsTopLevelMembersAndControlsOnLinesOfTheirOwn) {
    const DumpJson doc = {{"status", "x"},
                          {"list", {1, 2.5, true, nullptr, "a\"b", -0.0, 1e300, 3.0}},
                          {"controls", {{"A", {{"kind", "edit"}, {"n", -7}}}, {"B", DumpJson::object()}}},
                          {"state", {{"e", DumpJson::array()}, {"u", 4294967295u}, {"bad", std::nan("")}}}};
    EXPECT_EQ(dumpText(doc),
              "{\"status\": \"x\",\n"
              "\"list\": [1, 2.5, true, null, \"a\\\"b\", -0.0, 1e+300, 3.0],\n"
              "\"controls\": {\"A\": {\"kind\": \"edit\", \"n\": -7},\n"
              "  \"B\": {}},\n"
              "\"state\": {\"e\": [], \"u\": 4294967295, \"bad\": null}}\n");
}

TEST(CliDump, SinglePrecisionValuesAreWrittenShortestAndReadBackExactly) {
    struct Case { float value; const char* text; };
    const float inf = std::numeric_limits<float>::infinity();
    for (const Case& c : {Case{-0.0f, "-0.0"}, Case{1e-45f, "1e-45"}, Case{3.4028235e38f, "3.4028235e+38"},
                          Case{100000.0f, "1e+05"}, Case{0.0001f, "1e-04"}, Case{1234567.9f, "1234567.9"},
                          Case{83886.08f, "83886.08"}, Case{std::nanf(""), "null"}, Case{-inf, "null"}}) {
        EXPECT_EQ(jsonFloat(c.value), c.text) << c.text;
    }
    // Across the whole range: the fewest digits that name the float, and the
    // library reads them back as that float.
    for (std::uint64_t bits = 0; bits <= 0xFFFFFFFFu; bits += 65521) {
        const float f = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
        if (!std::isfinite(f)) continue;
        char buffer[32];
        auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, f);
        std::string shortest(buffer, end);
        if (shortest.find_first_of(".e") == std::string::npos) shortest += ".0";
        const std::string text = jsonFloat(f);
        ASSERT_EQ(text, shortest) << bits;
        ASSERT_EQ(static_cast<float>(DumpJson::parse(text).get<double>()), f) << text;
    }
}

TEST(CliDump, TextsAreTheCodePagesCharactersWithTheLibrarysEscapes) {
    struct Case { std::string cp1252; std::string json; };
    for (const Case& c : {Case{"plain", "\"plain\""},
                          Case{"a\"b\\c/", "\"a\\\"b\\\\c/\""},
                          Case{"\b\f\n\r\t\x01\x1f\x7f", "\"\\b\\f\\n\\r\\t\\u0001\\u001f\x7f\""},
                          Case{"\x80\x8d\x9f\xa0\xe9\xff", "\"\u20ac\u008d\u0178\u00a0\u00e9\u00ff\""}}) {
        EXPECT_EQ(jsonString(c.cp1252), c.json);
        EXPECT_EQ(DumpJson::parse(c.json).get<std::string>(), cp1252ToUtf8(c.cp1252));
    }
}

TEST(CliDump, TheDumpReadsBackAsTheDocumentItWasWrittenFrom) {
    ScriptedUi ui;
    MemoryRegistry registry;
    Editor editor(ui, registry, {"/nowhere"});
    editor.ManualWadPath = "C:\\Spiele\\\xC9quipe \"GP\"\\cars.wad";
    editor.game.names[0] = "\x80 \x8d\x9d \xe9\xff \b\f\x01 \"\\";
    editor.game.cockpit = {0.0035f, -0.0f, 1e-45f, 3.4028235e38f, 100000.0f, -1.8051f};
    editor.game.CollisionEntry = 4120;
    SceneState scene;
    scene.view = true;
    scene.frames = 2;
    scene.lastFrame.row = 101;
    scene.lastFrame.perspective = {58, 80, 40000};
    scene.lastFrame.chaseAngle = 79.16428813016317;
    scene.lastFrame.slotsCalled = {10, 6};
    editor.drag.DragStartFloat = 0.45f;

    const DumpJson doc = dumpDocument(editor, ui, scene);
    const std::string text = dumpState(editor, ui, scene);
    EXPECT_EQ(text, dumpText(doc));
    const DumpJson read = DumpJson::parse(text);
    EXPECT_EQ(read, doc);
    EXPECT_EQ(keysOf(read), (std::vector<std::string>{"status", "messages", "errors", "controls", "state"}));
    EXPECT_EQ(keysOf(read["state"]), (std::vector<std::string>{"SheetReady", "CurrentCamField", "GameFound", "drag",
                                                               "GameData", "PreviewState", "Preview", "history",
                                                               "save"}));

    const DumpJson& game = read["state"]["GameData"];
    EXPECT_EQ(game["names"][0].get<std::string>(), cp1252ToUtf8(editor.game.names[0]));
    for (std::size_t k = 0; k < editor.game.cockpit.size(); ++k) {
        const float back = static_cast<float>(game["cockpit"][k].get<double>());
        EXPECT_EQ(std::bit_cast<std::uint32_t>(back), std::bit_cast<std::uint32_t>(editor.game.cockpit[k])) << k;
    }
    EXPECT_EQ(read["state"]["Preview"]["WadPath"].get<std::string>(), cp1252ToUtf8(editor.ManualWadPath));
    for (const char* part : {"\"cockpit\": [0.0035, -0.0, 1e-45, 3.4028235e+38, 1e+05, -1.8051]",
                             "\"CollisionEntry\": 4120", "\"DragStartFloat\": 0.45",
                             // The preview's doubles: whole numbers stay whole.
                             "\"lastFrame\": {\"row\": 101, \"fieldOfView\": 58, \"near\": 80, \"far\": 40000, "
                             "\"chaseAngle\": 79.16428813016317, \"slotsCalled\": [10, 6]}",
                             "\"shapes\": {\"8\": null, \"10\": null}"}) {
        EXPECT_NE(text.find(part), std::string::npos) << part;
    }
}
