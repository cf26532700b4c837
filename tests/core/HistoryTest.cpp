#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "cli/Dump.h"
#include "../gamedata/TestGame.h"

using namespace varnisk;
using namespace varnisk::testgame;
using varnisk::cli::DumpJson;
using varnisk::cli::dumpDocument;
using varnisk::cli::dumpText;

namespace {

using Names = std::vector<std::string>;

// A generated game, imported, with the events a person sends.
struct Undo : ::testing::Test {
    TestGame g;
    Editor& e = g.editor;

    void SetUp() override { ASSERT_TRUE(g.importAll()); }

    Form& formOf(std::string_view qualified) { return *e.findControl(qualified).form; }
    Control& control(std::string_view qualified) { return *e.findControl(qualified).control; }

    bool click(std::string_view name) {
        return e.dispatch([&] { formOf(name).userClick(control(name)); });
    }
    // Clicks into the field, empties it and types the text key by key, each
    // its own event, as varnisk-cli's "type" does.
    void type(std::string_view name, const std::string& text) {
        click(name);
        retype(name, text);
    }
    void retype(std::string_view name, const std::string& text) {
        Control& c = control(name);
        e.dispatch([&] { e.main.userEdit(c, ""); });
        for (char ch : text) e.dispatch([&] { e.main.userTypeKey(c, ch); });
    }
    // One key at the field's cursor, as the window sends it.
    void key(std::string_view name, char ch) {
        Control& c = control(name);
        e.dispatch([&] { e.main.userTypeKeyAt(c, ch, c.text.size(), 0); });
    }
    void drag(std::string_view name, MouseButton button, Point from, Point to) {
        Control& c = control(name);
        g.ui.setCursor(from);
        e.dispatch([&] { e.main.userPress(c, button); });
        g.ui.setCursor({(from.x + to.x) / 2, (from.y + to.y) / 2});
        e.dispatch([&] { e.main.userMove(); });
        g.ui.setCursor(to);
        e.dispatch([&] { e.main.userMove(); });
        e.dispatch([&] { e.main.userRelease(); });
    }
    void undo() { e.dispatch([&] { e.undo(); }); }
    void redo() { e.dispatch([&] { e.redo(); }); }

    // Everything the dump shows but the status panel, the messages and the
    // history itself, which undo changes on purpose.
    std::string state() {
        DumpJson doc = dumpDocument(e, g.ui);
        doc.erase("status");
        doc.erase("messages");
        doc.erase("errors");
        doc["controls"].erase("Status");
        doc["state"].erase("history");
        return dumpText(doc);
    }
};

}  // namespace

TEST_F(Undo, EveryKindOfOperationIsOneStepThatUndoAndRedoPutBackExactly) {
    const fs::path saved = g.folder() / "set.car";
    struct Case {
        const char* what;
        std::function<void()> before;  // brings the sheet where the step starts
        std::function<void()> step;
        const char* name;
    };
    const std::vector<Case> cases = {
        {"typing", [] {}, [&] { type("LMDEdit12", "40"); }, "Camera 1 \xB7 Y"},
        {"a field drag", [] {}, [&] { drag("LMDEdit12", MouseButton::Left, {100, 100}, {140, 90}); }, "Camera 1 \xB7 Y"},
        {"a view drag", [] {}, [&] { drag("GLView", MouseButton::Left, {100, 100}, {110, 70}); }, "GLView"},
        {"a colour chosen",
         [] {},
         [&] {
             g.ui.queue(ScriptedUi::ColourAnswer{0x123456});
             e.dispatch([&] { e.main.userDoubleClick(control("PanelAC3")); });
         },
         "Arm colour of Ormsby Dynamics"},
        {"a team shown", [] {}, [&] { click("PanelRC4"); }, "Rim colour of Talloway Grand Prix"},
        {"a brand arrow", [] {}, [&] { e.dispatch([&] { e.main.userArrow(control("UpDown2"), true); }); }, "Tyre brand of Bluefern Motorsport"},
        // The click into a name shows that team: a step of its own.
        {"a team renamed", [&] { click("LMDSlot2"); }, [&] { retype("LMDSlot2", "Blue Team"); }, "Name of Team 3"},
        {"the chase turned", [] {}, [&] { click("Switch"); }, "Rear Cam"},
        {"Default T-Cam", [] {}, [&] { click("DefaultTC"); }, "Default T-Cam"},
        {"Default All", [] {}, [&] { click("DefaultCockpitButton"); }, "Default All"},
        {"a team copy",
         [&] {
             e.dispatch([&] { e.main.userChoose(control("LMDTeam1"), 0); });
             e.dispatch([&] { e.main.userChoose(control("LMDTeam2"), 5); });
         },
         [&] { click("LMDButton8"); },
         "Apply"},
        {"a team swap",
         [&] {
             e.dispatch([&] { e.main.userChoose(control("LMDTeamOp"), 1); });
             e.dispatch([&] { e.main.userChoose(control("LMDTeam1"), 1); });
             e.dispatch([&] { e.main.userChoose(control("LMDTeam2"), 7); });
         },
         [&] { click("LMDButton8"); },
         "Apply"},
        {"a save window box", [&] { click("SaveButton"); }, [&] { click("TFormSave.CBCam3"); }, "TFormSave.CBCam3"},
        {"Import All over edits", [&] { type("LMDEdit105", "-7"); type("LMDHP3", "0.5"); }, [&] { click("ImportButton"); },
         "Import All"},
        {"a load",
         [&] {
             type("LMDEdit12", "77");
             type("LMDEW2", "1.25");
             click("SaveButton");
             g.ui.queue(ScriptedUi::SaveAnswer{saved.string(), 1});
             click("TFormSave.LMDButton1");
             click("ImportButton");
         },
         [&] {
             g.ui.queue(ScriptedUi::OpenAnswer{saved.string()});
             click("LoadButton");
         },
         "Load File"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.before();
        const Names names = e.history.undoNames();
        const std::string before = state();
        c.step();
        ASSERT_TRUE(g.ui.errors().empty()) << g.ui.errors().back();
        const std::string after = state();
        ASSERT_NE(after, before);
        Names more = names;
        more.push_back(c.name);
        EXPECT_EQ(e.history.undoNames(), more);

        undo();
        EXPECT_EQ(state(), before);
        EXPECT_EQ(e.main.get("Status").caption, std::string("Undone: ") + c.name);
        EXPECT_EQ(e.history.undoNames(), names);
        EXPECT_EQ(e.history.redoNames(), Names{c.name});
        redo();
        EXPECT_EQ(state(), after);
        EXPECT_EQ(e.main.get("Status").caption, std::string("Redone: ") + c.name);
        EXPECT_EQ(e.history.undoNames(), more);
        EXPECT_TRUE(e.history.redoNames().empty());
    }
}

TEST_F(Undo, KeysIntoOneFieldAreOneStepUntilAnotherControlIsUsed) {
    const std::string first = g.text("LMDEdit12"), other = g.text("LMDEdit22");
    for (char ch : std::string("12")) key("LMDEdit12", ch);
    for (char ch : std::string("34")) key("LMDEdit12", ch);
    EXPECT_EQ(e.history.undoNames(), (Names{"Import All", "Camera 1 \xB7 Y"}));
    key("LMDEdit22", '5');
    click("LMDEdit12");  // back into the first field: its keys start a new step
    key("LMDEdit12", '6');
    EXPECT_EQ(e.history.undoNames(), (Names{"Import All", "Camera 1 \xB7 Y", "Camera 1 \xB7 Z", "Camera 1 \xB7 Y"}));
    EXPECT_EQ(g.text("LMDEdit12"), first + "12346");

    undo();
    EXPECT_EQ(g.text("LMDEdit12"), first + "1234");
    undo();
    EXPECT_EQ(g.text("LMDEdit22"), other);
    undo();
    EXPECT_EQ(g.text("LMDEdit12"), first);  // all four keys at once
}

TEST_F(Undo, KeysThatTakeBackWhatTheyTypedLeaveNoStep) {
    key("LMDEdit12", '9');
    key("LMDEdit12", '\b');
    EXPECT_EQ(e.history.undoNames(), Names{"Import All"});
    EXPECT_FALSE(e.history.hasUnkeptEdits());
}

TEST_F(Undo, ANewStepAfterAnUndoDropsTheRedoSide) {
    type("LMDEdit12", "40");
    type("LMDEdit22", "41");
    undo();
    EXPECT_EQ(e.history.redoNames(), Names{"Camera 1 \xB7 Z"});
    click("DefaultCockpitButton");
    EXPECT_TRUE(e.history.redoNames().empty());
    EXPECT_EQ(e.history.undoNames(), (Names{"Import All", "Camera 1 \xB7 Y", "Default All"}));
    redo();
    EXPECT_EQ(e.main.get("Status").caption, "Nothing to redo");
}

TEST_F(Undo, RedoListsTheStepsTakenBackOldestFirst) {
    type("LMDEdit12", "40");
    click("DefaultTC");
    click("DefaultCockpitButton");
    undo();
    undo();
    EXPECT_EQ(e.history.redoNames(), (Names{"Default T-Cam", "Default All"}));
    redo();
    EXPECT_EQ(e.main.get("Status").caption, "Redone: Default T-Cam");
}

TEST_F(Undo, FileWritesAreNoStepsAndUndoLeavesTheFilesAlone) {
    const std::string imported = g.text("LMDEdit12");
    type("LMDEdit12", "40");
    ASSERT_TRUE(g.exportAll());
    const GameBytes exported = g.files();
    click("SaveButton");
    g.ui.queue(ScriptedUi::SaveAnswer{(g.folder() / "set.car").string(), 1});
    click("TFormSave.LMDButton1");
    EXPECT_EQ(e.history.undoNames(), (Names{"Import All", "Camera 1 \xB7 Y"}));

    undo();
    EXPECT_EQ(g.text("LMDEdit12"), imported);
    EXPECT_EQ(g.files(), exported);
    redo();
    EXPECT_EQ(g.text("LMDEdit12"), "40");
    EXPECT_EQ(g.files(), exported);
}

TEST_F(Undo, ADragIsOneStepFromPressToReleaseAndCannotBeUndoneHalfWay) {
    Control& field = control("LMDEdit12");
    const std::string start = field.text;
    g.ui.setCursor({0, 0});
    e.dispatch([&] { e.main.userPress(field, MouseButton::Left); });
    g.ui.setCursor({25, 0});
    e.dispatch([&] { e.main.userMove(); });
    undo();  // the drag is under way: nothing to take back yet
    EXPECT_EQ(e.history.undoNames(), Names{"Import All"});
    g.ui.setCursor({30, 0});
    e.dispatch([&] { e.main.userMove(); });
    e.dispatch([&] { e.main.userRelease(); });
    EXPECT_NE(field.text, start);
    EXPECT_EQ(e.history.undoNames(), (Names{"Import All", "Camera 1 \xB7 Y"}));
    undo();
    EXPECT_EQ(field.text, start);
}

TEST_F(Undo, EditsAreUnkeptUntilAnImportExportOrSaveAndUndoCanMakeThemSoAgain) {
    EXPECT_FALSE(e.hasUnkeptEdits());
    type("LMDEdit12", "40");
    EXPECT_TRUE(e.hasUnkeptEdits());
    ASSERT_TRUE(g.exportAll());
    EXPECT_FALSE(e.hasUnkeptEdits());
    undo();  // the sheet now differs from what was exported
    EXPECT_TRUE(e.hasUnkeptEdits());
    redo();
    EXPECT_FALSE(e.hasUnkeptEdits());
    key("LMDEdit12", '1');  // keys after an export start a step of their own
    EXPECT_TRUE(e.hasUnkeptEdits());
    click("SaveButton");
    g.ui.queue(ScriptedUi::SaveAnswer{(g.folder() / "set.cam").string(), 2});
    click("TFormSave.LMDButton1");
    EXPECT_FALSE(e.hasUnkeptEdits());
    type("LMDEdit22", "5");
    ASSERT_TRUE(g.importAll());
    EXPECT_FALSE(e.hasUnkeptEdits());
}

// An edit is kept by a save only when the saved file holds it: a camera set
// keeps the cameras, not a helmet; a car data file what its boxes select.
TEST_F(Undo, ASaveKeepsOnlyTheEditsTheFileHolds) {
    auto save = [&](const char* name, int filter, const std::vector<const char*>& untick) {
        click("SaveButton");
        for (const char* box : untick) click(box);
        g.ui.queue(ScriptedUi::SaveAnswer{(g.folder() / name).string(), filter});
        click("TFormSave.LMDButton1");
        ASSERT_TRUE(g.ui.errors().empty()) << g.ui.errors().back();
    };
    type("LMDHP3", "12");
    type("LMDEdit12", "40");
    save("cams.cam", 2, {});
    EXPECT_TRUE(e.hasUnkeptEdits());  // the helmet is in no file
    int asked = 0;
    EXPECT_FALSE(e.mayClose([&] { ++asked; return Editor::CloseAnswer::Cancel; }));
    EXPECT_EQ(asked, 1);
    undo();  // the camera is back as the game has it; the helmet stays
    undo();  // the helmet too: what is left is nothing
    EXPECT_FALSE(e.hasUnkeptEdits());
    redo();
    redo();
    EXPECT_TRUE(e.hasUnkeptEdits());
    // A car data file with every box ticked but team 3's helmet keeps the
    // camera, not the helmet; with the helmet ticked, both.
    save("most.car", 1, {"TFormSave.CB32"});
    EXPECT_TRUE(e.hasUnkeptEdits());
    save("all.car", 1, {"TFormSave.CB32"});  // ticked again
    EXPECT_FALSE(e.hasUnkeptEdits());
    type("LMDHP3", "13");  // changed again since the save
    EXPECT_TRUE(e.hasUnkeptEdits());
}



// An undo shows the camera that was shown before the step, even when the
// camera was chosen after the step before (which made no step of its own).
TEST_F(Undo, AnUndoShowsTheCameraShownBeforeTheStep) {
    click("DefaultCockpitButton");
    // Camera 10 chosen: its field pressed, then the preview.
    g.ui.setCursor({0, 0});
    e.dispatch([&] { e.main.userPress(control("LMDEdit1"), MouseButton::Left); });
    e.dispatch([&] { e.main.userRelease(); });
    e.dispatch([&] { e.main.userPress(control("GLView"), MouseButton::Left); });
    e.dispatch([&] { e.main.userRelease(); });
    ASSERT_EQ(e.CurrentCamField, 1);
    drag("LMDEdit105", MouseButton::Left, {100, 100}, {130, 100});
    EXPECT_EQ(e.CurrentCamField, 105);
    undo();
    EXPECT_EQ(e.CurrentCamField, 1);
    redo();
    EXPECT_EQ(e.CurrentCamField, 105);
}

TEST_F(Undo, ClosingWithUnkeptEditsAsksAndExportsWhenTold) {
    int asked = 0;
    auto answer = [&](Editor::CloseAnswer a) {
        return [&asked, a] {
            ++asked;
            return a;
        };
    };
    EXPECT_TRUE(e.mayClose(answer(Editor::CloseAnswer::Cancel)));  // nothing to lose: no question
    EXPECT_EQ(asked, 0);

    type("LMDEdit12", "40");
    const GameBytes files = g.files();
    EXPECT_FALSE(e.mayClose(answer(Editor::CloseAnswer::Cancel)));
    EXPECT_TRUE(e.mayClose(answer(Editor::CloseAnswer::Discard)));
    EXPECT_EQ(g.files(), files);
    EXPECT_EQ(asked, 2);

    EXPECT_TRUE(e.mayClose(answer(Editor::CloseAnswer::Export)));
    EXPECT_NE(g.files().exe, files.exe);
    EXPECT_FALSE(e.history.hasUnkeptEdits());
}

TEST_F(Undo, AFailedExportOnClosingKeepsTheWindowOpen) {
    type("LMDEdit12", "not a number");
    EXPECT_FALSE(e.mayClose([] { return Editor::CloseAnswer::Export; }));
    EXPECT_FALSE(g.ui.errors().empty());
}

TEST_F(Undo, TenThousandStepsStayWithinAFewMegabytes) {
    const char* fields[] = {"LMDEdit12", "LMDHP3", "LMDEdit105", "LMDTP4"};
    for (int i = 0; i < 10000; ++i) {
        Control& c = control(fields[i % 4]);
        const std::string value = std::to_string(1000 + i % 97);
        e.dispatch([&] { e.main.userEdit(c, value); });
    }
    ASSERT_EQ(e.history.undoNames().size(), 10001u);
    const std::size_t bytes = e.history.memoryBytes();
    std::printf("history of 10,000 edits: %zu bytes\n", bytes);
    EXPECT_LT(bytes, 4u << 20);
    for (int i = 0; i < 10000; ++i) e.undo();
    EXPECT_EQ(e.history.undoNames(), Names{"Import All"});
    EXPECT_FALSE(e.history.hasUnkeptEdits());
}

namespace {

// The kinds of value the stores hold that this test can change.
template <class T>
constexpr bool changeable = std::is_arithmetic_v<T> || std::is_same_v<T, std::string>;
template <class T, std::size_t N>
constexpr bool changeable<std::array<T, N>> = changeable<T>;

template <class T>
void changeValue(T& v) {
    if constexpr (std::is_same_v<T, bool>) {
        v = !v;
    } else if constexpr (std::is_arithmetic_v<T>) {
        v = v == T(1) ? T(2) : T(1);
    } else if constexpr (std::is_same_v<T, std::string>) {
        v += 'x';
    } else {
        for (auto& element : v) changeValue(element);
    }
}

// Changes each member of the editor's stores, as their lists give them, in
// a step, and sees undo do with it what its role says.
struct MemberCheck {
    Undo& test;

    template <class T>
    void operator()(const std::string& path, T& member, UndoRole role) {
        if constexpr (HasMemberList<T>) {
            forEachMember(member, [&](const char* name, auto& inner, auto use) {
                (*this)(path + "." + name, inner, lesserRole(role, decltype(use)::undo));
            });
        } else if constexpr (changeable<T>) {
            check(path, member, role);
        } else {
            EXPECT_EQ(role, UndoRole::None) << path << ": a kind of value this test does not change";
        }
    }

    template <class T>
    void check(const std::string& path, T& member, UndoRole role) {
        SCOPED_TRACE(path);
        Editor& e = test.e;
        const T before = member;
        const Names steps = e.history.undoNames();
        e.history.recordStep("change", [&] { changeValue(member); });
        const T after = member;
        ASSERT_FALSE(after == before);
        if (role == UndoRole::Edit) {
            EXPECT_EQ(e.history.undoNames().size(), steps.size() + 1);
            test.undo();
            EXPECT_TRUE(member == before);
            test.redo();
            EXPECT_TRUE(member == after);
            test.undo();
            return;
        }
        // Alone it makes no step; with an edit, undo puts it back or leaves it.
        EXPECT_EQ(e.history.undoNames(), steps);
        member = before;
        e.history.recordStep("change", [&] {
            changeValue(member);
            changeValue(e.game.cockpit[0]);
        });
        test.undo();
        EXPECT_TRUE(member == (role == UndoRole::Follows ? before : after));
        member = before;
    }
};

}  // namespace

// A member added to a store's list is undone as its role there says, and a
// member whose value this test cannot change is one undo leaves alone.
TEST_F(Undo, EveryMemberOfTheStoresListsIsUndoneAsItsRoleSays) {
    MemberCheck check{*this};
    forEachMember(e, [&](const char* name, auto& member, auto use) { check(name, member, decltype(use)::undo); });
}
