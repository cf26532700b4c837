#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "../gamedata/TestGame.h"
#include "datasets/DataSetFormats.h"
#include "platform/ScriptedUi.h"
#include "platform/StoreRegistry.h"

using namespace varnisk;
using namespace varnisk::testgame;

// The Load and Save dialogs open in the folder value sets were last loaded
// from or saved to, kept in the registry across runs; the first time in the
// user's documents folder.

namespace {

// The home folder (with a Documents folder) and configuration folder point
// into a fresh folder for the test's length; the store file variable is put
// back after it.
class ValueSetFolder : public ::testing::Test {
protected:
    TempFolder root;
    fs::path documents;
    std::vector<std::pair<const char*, std::optional<std::string>>> saved;
    std::optional<TestGame> game;

    void SetUp() override {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", kRegistryFileVariable}) {
            const char* value = std::getenv(name);
            saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        ::setenv("HOME", (root.path / "home").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root.path / "home" / ".config").c_str(), 1);
        documents = root.path / "home" / "Documents";
        fs::create_directories(documents);
        game.emplace();
        ASSERT_TRUE(g().importAll());
    }
    void TearDown() override {
        for (const auto& [name, value] : saved) {
            if (value) ::setenv(name, value->c_str(), 1);
            else ::unsetenv(name);
        }
    }

    TestGame& g() { return *game; }
    fs::path folder(const char* name) {
        const fs::path p = root.path / name;
        fs::create_directories(p);
        return p;
    }
    bool load(const fs::path& p) {
        g().ui.queue(ScriptedUi::OpenAnswer{p.string()});
        return g().click("LoadButton");
    }
    bool save(const fs::path& p, int filter) {
        if (!g().click("SaveButton")) return false;
        g().ui.queue(ScriptedUi::SaveAnswer{p.string(), filter});
        return g().editor.dispatch([&] { g().editor.save.userClick(g().editor.save.get("LMDButton1")); });
    }
    // Where each dialog opens now: the Load dialog and the Save dialog,
    // both cancelled.
    std::pair<std::string, std::string> dialogFolders() {
        g().click("LoadButton");
        const std::string load = g().ui.dialogs().back().file.initialDir;
        g().click("SaveButton");
        g().editor.dispatch([&] { g().editor.save.userClick(g().editor.save.get("LMDButton1")); });
        EXPECT_EQ(g().ui.dialogs().back().kind, "save");
        return {load, g().ui.dialogs().back().file.initialDir};
    }
    std::pair<std::string, std::string> both(const fs::path& p) { return {p.string(), p.string()}; }
};

}  // namespace

TEST_F(ValueSetFolder, TheFirstDialogsOpenInTheDocumentsFolder) {
    EXPECT_EQ(dialogFolders(), both(documents));
    EXPECT_EQ(g().registry.readValueSetFolder(), std::nullopt);
}

TEST_F(ValueSetFolder, ALoadOrASaveIsRememberedForBothDialogs) {
    const fs::path sets = folder("sets");
    const fs::path other = folder("other");
    ASSERT_TRUE(save(sets / "all.cam", 2));
    EXPECT_EQ(g().registry.readValueSetFolder(), sets.string());
    EXPECT_EQ(dialogFolders(), both(sets));

    fs::copy_file(sets / "all.cam", other / "copy.cam");
    ASSERT_TRUE(load(other / "copy.cam"));
    EXPECT_EQ(g().registry.readValueSetFolder(), other.string());
    EXPECT_EQ(dialogFolders(), both(other));

    ASSERT_TRUE(save(sets / "all.car", 1));
    EXPECT_EQ(dialogFolders(), both(sets));
}

TEST_F(ValueSetFolder, AFailedLoadOrSaveIsNotRemembered) {
    const fs::path sets = folder("sets");
    ASSERT_TRUE(save(sets / "all.cam", 2));
    const fs::path elsewhere = folder("elsewhere");
    Bytes cut = readBytes(sets / "all.cam");
    cut.resize(100);
    writeBytes(elsewhere / "cut.cam", cut);
    writeBytes(elsewhere / "notes.txt", readBytes(sets / "all.cam"));
    for (const fs::path& p : {elsewhere / "missing.car", elsewhere / "cut.cam", elsewhere / "notes.txt"}) {
        SCOPED_TRACE(p.filename().string());
        EXPECT_FALSE(load(p));
        EXPECT_EQ(g().registry.readValueSetFolder(), sets.string());
    }
    EXPECT_FALSE(save(elsewhere / "no such folder" / "x.car", 1));
    EXPECT_EQ(g().registry.readValueSetFolder(), sets.string());
    EXPECT_EQ(dialogFolders(), both(sets));
}

TEST_F(ValueSetFolder, ARememberedFolderThatIsGoneGivesTheDocumentsFolder) {
    const fs::path sets = folder("sets");
    ASSERT_TRUE(save(sets / "all.cam", 2));
    fs::remove_all(sets);
    EXPECT_EQ(dialogFolders(), both(documents));
}

// The folder is kept in the program's own store: the next run's dialogs open
// there.
TEST_F(ValueSetFolder, TheFolderIsKeptForTheNextRun) {
    const fs::path store = root.path / "store" / "registry.ini";
    const fs::path sets = folder("sets");
    writeBytes(sets / "brands.tyr", Bytes(22, 0));
    {
        ScriptedUi ui;
        StoreRegistry registry(store, {});
        Editor editor{ui, registry, {root.path.string()}};
        ui.queue(ScriptedUi::OpenAnswer{(sets / "brands.tyr").string()});
        ASSERT_TRUE(editor.dispatch([&] { editor.main.userClick(editor.main.get("LoadButton")); }));
        EXPECT_EQ(editor.main.get("Status").caption, "Tyre Set loaded");
    }
    ScriptedUi ui;
    StoreRegistry registry(store, {});
    Editor editor{ui, registry, {root.path.string()}};
    editor.dispatch([&] { editor.main.userClick(editor.main.get("LoadButton")); });
    ASSERT_EQ(ui.dialogs().size(), 1u);
    EXPECT_EQ(ui.dialogs()[0].file.initialDir, sets.string());
}

// A store that cannot be written: the load says why the folder will be gone
// at the next start, and the dialogs still open there for this run.
TEST_F(ValueSetFolder, AFolderTheStoreCannotKeepIsSaidAndUsedForTheRun) {
    // Under a regular file no folder can be made, whoever runs the test.
    writeBytes(root.path / "plain-file", Bytes(1, 'x'));
    const fs::path store = root.path / "plain-file" / "varnisk" / "registry.ini";
    ::setenv(kRegistryFileVariable, store.c_str(), 1);
    const fs::path sets = folder("sets");
    writeBytes(sets / "brands.tyr", Bytes(22, 0));
    {
        ScriptedUi ui;
        std::unique_ptr<Registry> registry = makeSystemRegistry();
        Editor editor{ui, *registry, {root.path.string()}};
        ui.queue(ScriptedUi::OpenAnswer{(sets / "brands.tyr").string()});
        EXPECT_TRUE(editor.dispatch([&] { editor.main.userClick(editor.main.get("LoadButton")); }));
        EXPECT_EQ(editor.main.get("Status").caption, "Tyre Set loaded");
        const std::string lost = "The folder of your value sets could not be kept for the next start: " +
                                 store.string() + ": its folder " + store.parent_path().string() +
                                 " cannot be made: Not a directory. It is used for this run.";
        EXPECT_EQ(ui.messages(), std::vector<std::string>{lost});
        editor.dispatch([&] { editor.main.userClick(editor.main.get("LoadButton")); });
        ASSERT_EQ(ui.dialogs().size(), 2u);
        EXPECT_EQ(ui.dialogs()[1].file.initialDir, sets.string());
        EXPECT_EQ(ui.messages().size(), 1u);
    }
    EXPECT_EQ(makeSystemRegistry()->readValueSetFolder(), std::nullopt);
}
