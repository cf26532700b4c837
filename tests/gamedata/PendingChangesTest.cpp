#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "TestGame.h"
#include "base/Bytes.h"
#include "core/ChangesWindow.h"
#include "gamedata/Backup.h"
#include "gamedata/GameValues.h"

using namespace varnisk;
using namespace varnisk::testgame;

namespace {

std::set<std::string> marked(const Form& form) {
    std::set<std::string> out;
    for (const auto& c : form.controls()) {
        if (c->mark != Mark::None) out.insert(c->name);
    }
    return out;
}

// An editor that imports the same folder afresh: what the files hold, as the
// sheet shows it.
struct FreshImport {
    ScriptedUi ui;
    MemoryRegistry registry;
    Editor editor;
    explicit FreshImport(const fs::path& folder) : registry(folder.string()), editor(ui, registry, {folder.string()}) {
        editor.dispatch([&] { editor.main.userClick(editor.main.get("ImportButton")); });
    }
};

// The controls whose value differs from what a fresh import of the files
// shows: what the marks must be while the files are as last read.
std::set<std::string> differingFromFiles(TestGame& g) {
    FreshImport fresh(g.folder());
    std::set<std::string> out;
    for (const GameValue& v : gameValues()) {
        if (!v.primary) continue;
        const std::string now = controlValue(g.get(v.control));
        if (v.codec == ValueCodec::Name && now.empty()) continue;  // an emptied name keeps the game's
        if (!sameValue(v.codec, now, controlValue(fresh.editor.main.get(v.control)))) out.insert(v.control);
    }
    return out;
}

struct Marks : ::testing::Test {
    TestGame g;
    Editor& e = g.editor;
    void SetUp() override { ASSERT_TRUE(g.importAll()); }

    Form& formOf(std::string_view qualified) { return *e.findControl(qualified).form; }
    Control& control(std::string_view qualified) { return *e.findControl(qualified).control; }
    void click(std::string_view name) { e.dispatch([&] { formOf(name).userClick(control(name)); }); }
    void type(std::string_view name, const std::string& text) {
        Control& c = control(name);
        e.dispatch([&] { e.main.userClick(c); });
        e.dispatch([&] { e.main.userEdit(c, ""); });
        for (char ch : text) e.dispatch([&] { e.main.userTypeKey(c, ch); });
    }
    void choose(std::string_view name, int index) { e.dispatch([&] { e.main.userChoose(control(name), index); }); }
};

}  // namespace

// Every kind of operation moves the marks with the values: after each one,
// exactly the controls whose value differs from a fresh import of the files
// are marked, and the count of changes follows.
TEST_F(Marks, FollowEveryKindOfOperation) {
    const fs::path saved = g.folder() / "set.car";
    const fs::path cams = g.folder() / "set.cam";
    struct Case {
        const char* what;
        std::function<void()> op;
    };
    const std::vector<Case> cases = {
        {"a value typed", [&] { type("LMDEdit12", "40"); }},
        {"a value typed back", [&] {
             const std::string was = g.text("LMDEdit22");
             type("LMDEdit22", "77");
             type("LMDEdit22", was);
         }},
        {"the same value in another form", [&] { type("LMDEW3", g.text("LMDEW3") + "0"); }},
        {"a field drag", [&] {
             g.ui.setCursor({100, 100});
             e.dispatch([&] { e.main.userPress(control("LMDEdit105"), MouseButton::Left); });
             g.ui.setCursor({130, 100});
             e.dispatch([&] { e.main.userMove(); });
             e.dispatch([&] { e.main.userRelease(); });
         }},
        {"a brand arrow", [&] { e.dispatch([&] { e.main.userArrow(control("UpDown1"), g.get("UpDown1").position == 0); }); }},
        {"team 1's brand", [&] { e.dispatch([&] { e.main.userArrow(control("UpDown2"), false); }); }},
        {"a colour chosen", [&] {
             g.ui.queue(ScriptedUi::ColourAnswer{0x123456});
             e.dispatch([&] { e.main.userDoubleClick(control("PanelRC3")); });
         }},
        {"a name", [&] { type("LMDSlot6", "Quick Racing"); }},
        {"an emptied name", [&] { type("LMDSlot7", ""); }},
        {"a tyre", [&] { type("LMDTP4", "-90"); }},
        {"the cockpit", [&] { type("LMDSW2", "-12.3"); }},
        {"undo", [&] { e.dispatch([&] { e.undo(); }); }},
        {"undo again", [&] { e.dispatch([&] { e.undo(); }); }},
        {"redo", [&] { e.dispatch([&] { e.redo(); }); }},
        {"a team copy", [&] {
             choose("LMDTeamOp", 0);
             choose("LMDTeam1", 0);
             choose("LMDTeam2", 5);
             click("LMDButton8");
         }},
        {"a team swap", [&] {
             choose("LMDTeamOp", 1);
             choose("LMDTeam1", 2);
             choose("LMDTeam2", 8);
             click("LMDButton8");
         }},
        {"Default T-Cam", [&] { click("DefaultTC"); }},
        {"Default Brands", [&] { click("LMDButton1"); }},
        {"Default All", [&] { click("DefaultCockpitButton"); }},
        {"Import All", [&] { click("ImportButton"); }},
        {"a car data file saved from an edited sheet, imported over, then loaded", [&] {
             type("LMDEdit4", "-3");
             type("LMDHP5", "12");
             click("SaveButton");
             g.ui.queue(ScriptedUi::SaveAnswer{saved.string(), 1});
             click("TFormSave.LMDButton1");
             click("ImportButton");
             g.ui.queue(ScriptedUi::OpenAnswer{saved.string()});
             click("LoadButton");
         }},
        {"a camera set", [&] {
             click("ImportButton");
             type("LMDEdit5", "9");
             click("SaveButton");
             g.ui.queue(ScriptedUi::SaveAnswer{cams.string(), 2});
             click("TFormSave.LMDButton1");
             click("ImportButton");
             g.ui.queue(ScriptedUi::OpenAnswer{cams.string()});
             click("LoadButton");
         }},
        {"a tyre set", [&] {
             Bytes tyr;
             for (int t = 0; t < 11; ++t) bytes::addU16(tyr, static_cast<std::uint16_t>(t % 2));
             writeBytes(g.folder() / "set.tyr", tyr);
             g.ui.queue(ScriptedUi::OpenAnswer{(g.folder() / "set.tyr").string()});
             click("LoadButton");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.op();
        ASSERT_TRUE(g.ui.errors().empty()) << g.ui.errors().back();
        const std::set<std::string> expected = differingFromFiles(g);
        EXPECT_EQ(marked(e.main), expected);
        EXPECT_EQ(e.pending.changes().size(), e.pending.count());
        EXPECT_EQ(g.get("ChangesButton").visible, !expected.empty());
        for (const std::string& name : expected) {
            const GameValue& v = *e.pending.valueOf(g.get(name));
            const std::string game = controlValue(FreshImport(g.folder()).editor.main.get(name));
            EXPECT_EQ(g.get(name).markNote, "In the game: " + readableValue(v, shownValue(v, game))) << name;
        }
    }
    // An export writes them all: nothing is marked, and the files now show
    // what the sheet shows.
    ASSERT_FALSE(marked(e.main).empty());
    ASSERT_TRUE(g.exportAll());
    EXPECT_TRUE(marked(e.main).empty());
    EXPECT_EQ(e.pending.count(), 0u);
    EXPECT_FALSE(g.get("ChangesButton").visible);
}

// The list of changes groups them by file, GP4.exe first, and puts values
// back as the user would, each put back one step of the undo history.
TEST_F(Marks, TheListGroupsByFileAndPutsBack) {
    type("LMDTP1", "55");
    g.setPosition("UpDown4", 1 - g.get("UpDown4").position);
    type("LMDEdit43", "-4");
    type("LMDSlot2", "Another Name");
    const std::vector<PendingChange> rows = e.pending.changes();
    std::vector<std::string> seen;
    for (const PendingChange& r : rows) seen.push_back(std::string(gameFileName(r.file)) + " \xB7 " + r.what + ": " + r.game + " > " + r.sheet);
    EXPECT_EQ(seen, (std::vector<std::string>{"GP4.exe \xB7 Camera 2 \xB7 Pitch: -30 > -4",
                                              "GP4.exe \xB7 Name of Team 3: Kestrel Vale > Another Name",
                                              "f1gstate.sav \xB7 Tyre brand of Ormsby Dynamics: Michelin > Bridgestone",
                                              "cars.wad \xB7 Front right tyre \xB7 X: 71 > 55"}));

    showChanges(e);
    Form& list = e.changesForm;
    ASSERT_TRUE(list.visible());
    EXPECT_EQ(list.get("Summary").caption, "4 changes to export: GP4.exe 2, f1gstate.sav 1, cars.wad 1");
    ASSERT_EQ(list.get("List").items.size(), 4u);
    EXPECT_EQ(list.get("List").items[0], "GP4.exe\tCamera 2 \xB7 Pitch\t-30\t-4\t");
    EXPECT_FALSE(list.get("PutBack").enabled);

    // Selecting a row shows its field's tab; Put Back takes it back.
    e.dispatch([&] { list.userChoose(list.get("List"), 3); });
    EXPECT_EQ(g.get("Onglets").index, 3);  // Tyres
    EXPECT_TRUE(list.get("PutBack").enabled);
    click("TFormChanges.PutBack");
    EXPECT_EQ(g.text("LMDTP1"), "71");
    EXPECT_EQ(e.history.undoNames().back(), "Put back Front right tyre \xB7 X");
    ASSERT_EQ(list.get("List").items.size(), 3u);
    EXPECT_EQ(list.get("Summary").caption, "3 changes to export: GP4.exe 2, f1gstate.sav 1");
    // The selection moves on to the row now in the place of the one put
    // back, here the last.
    EXPECT_EQ(list.get("List").index, 2);
    EXPECT_TRUE(list.get("PutBack").enabled);

    // Typing while the list is open updates its row.
    type("LMDEdit43", "-3");
    EXPECT_EQ(list.get("List").items[0], "GP4.exe\tCamera 2 \xB7 Pitch\t-30\t-3\t");
    // A value that does not fit says so; a colour reads as #RRGGBB.
    type("LMDEdit43", "200");
    EXPECT_EQ(list.get("List").items[0], "GP4.exe\tCamera 2 \xB7 Pitch\t-30\t200 (does not fit)\t");
    type("LMDEdit43", "-3");
    g.ui.queue(ScriptedUi::ColourAnswer{0x00563412});
    e.dispatch([&] { e.main.userDoubleClick(control("PanelAC0")); });
    EXPECT_EQ(list.get("List").items[1], "GP4.exe\tArm colour of Northwind Racing\t#" +
                                             readableValue(*e.pending.valueOf(g.get("PanelAC0")), e.pending.gameValueOf(g.get("PanelAC0"))).substr(1) +
                                             "\t#123456\t");
    EXPECT_EQ(g.get("PanelAC0").markNote.rfind("In the game: #", 0), 0u) << g.get("PanelAC0").markNote;

    const std::size_t steps = e.history.undoNames().size();
    click("TFormChanges.PutBackAll");
    EXPECT_TRUE(marked(e.main).empty());
    EXPECT_TRUE(list.get("List").items.empty());
    EXPECT_EQ(list.get("Summary").caption, "No changes to export: the game's files hold every value of the sheet");
    EXPECT_EQ(e.history.undoNames().size(), steps + 1);
    EXPECT_EQ(e.history.undoNames().back(), "Put back all");
    EXPECT_EQ(g.caption("Panel48"), "Kestrel Vale");  // the name's captions follow

    e.dispatch([&] { e.undo(); });
    EXPECT_EQ(marked(e.main), (std::set<std::string>{"LMDEdit43", "LMDSlot2", "PanelAC0", "UpDown4"}));
    ASSERT_TRUE(g.exportAll());
    EXPECT_EQ(g.caption("Status"), "Exported 4 values: GP4.exe 3, f1gstate.sav 1");
    click("TFormChanges.Close");
    EXPECT_FALSE(list.visible());
}

// ---------------------------------------------------------------- on disk

namespace {

// Another program writes camera 2's X (LMDEdit3) into GP4.exe.
void writeCameraX(TestGame& g, std::int16_t stored) {
    Bytes exe = g.exe();
    putI16(exe, g.cameraAt(3, 0), stored);
    writeBytes(g.exePath(), exe);
}

}  // namespace

// A value the user edited that another program changed in the file since:
// Export All asks, and each answer does what it says to the byte.
TEST(OnDisk, ExportAllAsksAndEachAnswerHolds) {
    struct Case {
        const char* what;
        std::optional<int> answer;  // none: unattended (varnisk-cli)
        std::int16_t cameraX;       // what GP4.exe holds afterwards
        const char* sheetX;
        bool written;               // whether the other edit went out
        const char* status;
    };
    for (const Case& c : {Case{"Overwrite", 0, 88, "44", true, "Exported 2 values: GP4.exe 2"},
                          Case{"Take theirs", 1, 60, "30", true, "Exported 1 value: GP4.exe 1"},
                          Case{"Cancel", 2, 60, "44", false, "Export cancelled"},
                          Case{"unattended", std::nullopt, 88, "44", true, "Exported 2 values: GP4.exe 2"}}) {
        SCOPED_TRACE(c.what);
        TestGame g;
        ASSERT_TRUE(g.importAll());
        ASSERT_EQ(g.text("LMDEdit3"), "850");
        g.edit("LMDEdit3", "44");
        g.edit("LMDEdit4", "50");
        writeCameraX(g, 60);
        // Another value nobody edited, changed by the other program too,
        // asks nothing and stays the other program's.
        Bytes exe = g.exe();
        putI16(exe, g.cameraAt(5, 0), 1234);
        writeBytes(g.exePath(), exe);

        const std::vector<DiskChange> onDisk = g.editor.pending.changedOnDisk();
        ASSERT_EQ(onDisk.size(), 1u);
        EXPECT_EQ(onDisk[0].what, "Camera 2 \xB7 X");
        EXPECT_EQ(onDisk[0].read, "850");
        EXPECT_EQ(onDisk[0].disk, "30");
        EXPECT_EQ(onDisk[0].sheet, "44");

        if (c.answer) g.ui.queue(ScriptedUi::QuestionAnswer{*c.answer});
        EXPECT_TRUE(g.exportAll());
        ASSERT_EQ(g.ui.questions().size(), 1u);
        EXPECT_EQ(g.ui.questions()[0].answers, (std::vector<std::string>{"Overwrite", "Take theirs", "Cancel"}));
        EXPECT_NE(g.ui.questions()[0].text.find("GP4.exe \xB7 Camera 2 \xB7 X: 850 when read, 30 on disk now, 44 in the sheet"),
                  std::string::npos)
            << g.ui.questions()[0].text;
        EXPECT_EQ(g.ui.messages().size(), c.answer ? 0u : 1u);
        const Bytes after = g.exe();
        EXPECT_EQ(i16At(after, g.cameraAt(3, 0)), c.cameraX);
        EXPECT_EQ(i16At(after, g.cameraAt(4, 0)), c.written ? 100 : g.spec.values.cameras[4][0]);
        EXPECT_EQ(i16At(after, g.cameraAt(5, 0)), 1234);
        EXPECT_EQ(g.text("LMDEdit3"), c.sheetX);
        EXPECT_EQ(g.caption("Status"), c.status);
        if (std::string(c.what) == "Take theirs") {
            // Taking theirs is one step: undone, the sheet's value is a change
            // again, and the next export writes it without asking.
            EXPECT_EQ(g.editor.history.undoNames().back(), "Take theirs");
            g.editor.dispatch([&] { g.editor.undo(); });
            EXPECT_EQ(g.text("LMDEdit3"), "44");
            EXPECT_EQ(g.get("LMDEdit3").mark, Mark::Modified);
            EXPECT_TRUE(g.exportAll());
            EXPECT_EQ(g.ui.questions().size(), 1u);
            EXPECT_EQ(i16At(g.exe(), g.cameraAt(3, 0)), 88);
        }
    }
}

// The window's look at the files when it gains the focus: it tells of a
// conflict once, and the list shows the value on disk.
TEST(OnDisk, TheCheckTellsOfEachConflictOnce) {
    TestGame g;
    ASSERT_TRUE(g.importAll());
    g.editor.dispatch([&] { g.editor.checkGameFiles(); });
    EXPECT_TRUE(g.ui.messages().empty());
    g.edit("LMDEdit3", "44");
    writeCameraX(g, 60);
    g.editor.dispatch([&] { g.editor.checkGameFiles(); });
    ASSERT_EQ(g.ui.messages().size(), 1u);
    EXPECT_NE(g.ui.messages()[0].find("Camera 2 \xB7 X: 850 when read, 30 on disk now, 44 in the sheet"), std::string::npos);
    g.editor.dispatch([&] { g.editor.checkGameFiles(); });
    EXPECT_EQ(g.ui.messages().size(), 1u);
    showChanges(g.editor);
    EXPECT_EQ(g.editor.changesForm.get("List").items[0], "GP4.exe\tCamera 2 \xB7 X\t850\t44\t30");
    // The file gone: the check says nothing (Export All will).
    fs::remove(g.exePath());
    g.editor.dispatch([&] { g.editor.checkGameFiles(); });
    EXPECT_EQ(g.ui.messages().size(), 1u);
    EXPECT_TRUE(g.ui.errors().empty());
}

// A camera set loaded into another editor of the same game changes only
// what it holds that differs from the files.
TEST(OnDisk, ALoadedCameraSetWritesOnlyWhatDiffers) {
    TestGame g;
    ASSERT_TRUE(g.importAll());
    const fs::path cams = g.folder() / "set.cam";
    g.edit("LMDEdit3", "44");
    g.click("SaveButton");
    g.ui.queue(ScriptedUi::SaveAnswer{cams.string(), 2});
    g.editor.dispatch([&] { g.editor.save.userClick(g.editor.save.get("LMDButton1")); });
    ASSERT_TRUE(fs::exists(cams));
    FreshImport other(g.folder());
    other.editor.dispatch([&] { other.editor.main.userClick(other.editor.main.get("ExportButton")); });
    EXPECT_EQ(other.editor.main.get("Status").caption, "Nothing to export");
    const GameBytes before = g.files();
    other.ui.queue(ScriptedUi::OpenAnswer{cams.string()});
    other.editor.dispatch([&] { other.editor.main.userClick(other.editor.main.get("LoadButton")); });
    other.editor.dispatch([&] { other.editor.main.userClick(other.editor.main.get("ExportButton")); });
    ASSERT_TRUE(other.ui.errors().empty()) << other.ui.errors().front();
    EXPECT_EQ(other.editor.main.get("Status").caption, "Exported 1 value: GP4.exe 1");
    EXPECT_TRUE(sameOutside(before.exe, g.exe(), {{"camera 2 X", g.cameraAt(3, 0), 2}}));
    EXPECT_EQ(i16At(g.exe(), g.cameraAt(3, 0)), 88);
}

// Restoring the backups puts the files back under the sheet: what was
// exported is a change again.
TEST(OnDisk, ARestoreMakesTheExportedValuesChangesAgain) {
    TestGame g;
    ASSERT_TRUE(g.importAll());
    g.edit("LMDEdit3", "44");
    ASSERT_TRUE(g.exportAll());
    EXPECT_EQ(g.get("LMDEdit3").mark, Mark::None);
    ASSERT_TRUE(g.editor.dispatch([&] { restoreGameFiles(g.editor); }));
    EXPECT_EQ(g.get("LMDEdit3").mark, Mark::Modified);
    EXPECT_EQ(g.get("LMDEdit3").markNote, "In the game: 850");
    ASSERT_EQ(g.editor.pending.changes().size(), 1u);
    EXPECT_TRUE(g.editor.pending.changedOnDisk().empty());
}

// The window's "Restore Originals..." asks first, naming the files; Cancel
// changes nothing, Restore puts them back and the exported values show as
// changes again.
TEST(OnDisk, RestoreFromTheWindowAsksFirst) {
    TestGame g;
    const GameBytes original = g.files();
    ASSERT_TRUE(g.importAll());
    auto restore = [&] { g.editor.dispatch([&] { g.editor.changesForm.userClick(g.editor.changesForm.get("Restore")); }); };
    restore();
    ASSERT_EQ(g.ui.messages().size(), 1u);
    EXPECT_EQ(g.ui.messages()[0].rfind("There is no backup of the game files to restore", 0), 0u);
    EXPECT_TRUE(g.ui.questions().empty());

    g.edit("LMDEdit3", "44");
    g.setPosition("UpDown1", 1 - g.get("UpDown1").position);
    ASSERT_TRUE(g.exportAll());
    const GameBytes exported = g.files();
    g.ui.queue(ScriptedUi::QuestionAnswer{1});  // Cancel
    restore();
    ASSERT_EQ(g.ui.questions().size(), 1u);
    EXPECT_EQ(g.ui.questions()[0].text.rfind("Put GP4.exe, f1gstate.sav back as they were before Varnisk's first export", 0), 0u)
        << g.ui.questions()[0].text;
    EXPECT_TRUE(g.files() == exported);

    g.ui.queue(ScriptedUi::QuestionAnswer{0});  // Restore
    restore();
    EXPECT_TRUE(g.ui.errors().empty());
    EXPECT_TRUE(g.files() == original);
    EXPECT_EQ(g.get("LMDEdit3").mark, Mark::Modified);
    EXPECT_EQ(g.editor.pending.count(), 2u);
}

// The caption over the preview names the camera and team on show, and the
// fields of that camera's row are highlighted, whatever made them change.
TEST_F(Marks, TheViewCaptionAndTheHighlightedRowFollowTheCameraAndTeamOnShow) {
    auto highlighted = [&] {
        std::set<std::string> out;
        for (const auto& c : e.main.controls()) {
            if (c->highlighted) out.insert(c->name);
        }
        return out;
    };
    EXPECT_EQ(g.caption("ViewCaption"), "Cockpit \xB7 Northwind Racing");
    EXPECT_EQ(highlighted(), (std::set<std::string>{"LMDEdit105", "LMDEdit115", "LMDEdit125", "LMDEdit135", "LMDEdit145",
                                                    "LMDEdit155", "LMDEdit165", "LMDEdit175", "LMDEdit185", "LMDEdit195"}));
    // A click into the field, as a person's: the press chooses its camera.
    g.ui.setCursor({0, 0});
    e.dispatch([&] { e.main.userPress(control("LMDEdit3"), MouseButton::Left); });
    e.dispatch([&] { e.main.userRelease(); });
    type("LMDEdit3", "44");
    EXPECT_EQ(g.caption("ViewCaption"), "Camera 2 \xB7 Northwind Racing");
    EXPECT_EQ(highlighted(), (std::set<std::string>{"LMDEdit3", "LMDEdit13", "LMDEdit23", "LMDEdit33", "LMDEdit43",
                                                    "LMDEdit53", "LMDEdit63", "LMDEdit73", "LMDEdit83", "LMDEdit93"}));
    click("PanelAC4");  // shows team 4
    EXPECT_EQ(g.caption("ViewCaption"), "Camera 2 \xB7 Talloway Grand Prix");
    click("Switch");  // the chase camera
    EXPECT_EQ(g.caption("ViewCaption"), "Chase Cameras \xB7 Talloway Grand Prix");
    EXPECT_EQ(highlighted(), (std::set<std::string>{"LMDEdit101", "LMDEdit102"}));
    e.dispatch([&] { e.undo(); });  // the turn to the chase camera is taken back: Camera 2 again
    EXPECT_EQ(g.caption("ViewCaption"), "Camera 2 \xB7 Talloway Grand Prix");
    EXPECT_EQ(highlighted().count("LMDEdit3"), 1u);
}
