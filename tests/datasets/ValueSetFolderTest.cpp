#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "registry/StoreRegistry.h"
#include "ui/ScriptedUi.h"
#include "valuesets/DataSetFormats.h"
#include "../gamedata/TestGame.h"

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

// --- the files used last ---

namespace {

// An editor over the system's registry, whose store is `store`, loading
// value sets from `sets` through the Load dialog.
struct OverTheStore {
    OverTheStore(const fs::path& store, const fs::path& start, fs::path from)
        : registry((::setenv(kRegistryFileVariable, store.c_str(), 1), makeSystemRegistry())),
          editor{ui, *registry, {start.string()}},
          sets(std::move(from)) {}
    bool load(const std::string& name) {
        ui.queue(ScriptedUi::OpenAnswer{(sets / name).string()});
        return editor.dispatch([&] { editor.main.userClick(editor.main.get("LoadButton")); });
    }
    ScriptedUi ui;
    std::unique_ptr<Registry> registry;
    Editor editor;
    fs::path sets;
};

// What the Load dialog offers now (it is cancelled).
std::vector<std::string> offered(TestGame& g) {
    g.click("LoadButton");
    EXPECT_EQ(g.ui.dialogs().back().kind, "open");
    return g.ui.dialogs().back().file.recentFiles;
}

std::vector<std::string> names(std::initializer_list<fs::path> paths) {
    std::vector<std::string> out;
    for (const fs::path& p : paths) out.push_back(p.string());
    return out;
}

}  // namespace

// Loads and saves alike put their file first; a file used again moves up
// rather than showing twice; a file that is gone is left out.
TEST_F(ValueSetFolder, TheLoadDialogOffersTheFilesUsedLastMostRecentFirst) {
    EXPECT_EQ(offered(g()), std::vector<std::string>{});
    const fs::path sets = folder("sets");
    const fs::path other = folder("other");
    ASSERT_TRUE(save(sets / "all.cam", 2));
    ASSERT_TRUE(save(sets / "teams.car", 1));
    fs::copy_file(sets / "all.cam", other / "copy.cam");
    ASSERT_TRUE(load(other / "copy.cam"));
    EXPECT_EQ(offered(g()), names({other / "copy.cam", sets / "teams.car", sets / "all.cam"}));

    ASSERT_TRUE(load(sets / "all.cam"));
    EXPECT_EQ(offered(g()), names({sets / "all.cam", other / "copy.cam", sets / "teams.car"}));
    // A name of the same file in another spelling is the same file.
    ASSERT_TRUE(load(sets / "." / "teams.car"));
    EXPECT_EQ(offered(g()), names({sets / "teams.car", sets / "all.cam", other / "copy.cam"}));

    // A failed load is no file used.
    EXPECT_FALSE(load(sets / "absent.car"));
    fs::remove(other / "copy.cam");
    EXPECT_EQ(offered(g()), names({sets / "teams.car", sets / "all.cam"}));
    // The one gone makes room for the next.
    ASSERT_TRUE(save(sets / "more.cam", 2));
    EXPECT_EQ(g().registry.readRecentFiles(), names({sets / "more.cam", sets / "teams.car", sets / "all.cam"}));
}

TEST_F(ValueSetFolder, TheEightFilesUsedLastAreKept) {
    const fs::path sets = folder("sets");
    std::vector<std::string> expected;
    for (int i = 0; i < 11; ++i) {
        const fs::path p = sets / ("set" + std::to_string(i) + ".tyr");
        writeBytes(p, Bytes(22, 0));
        ASSERT_TRUE(load(p));
        expected.insert(expected.begin(), p.string());
    }
    expected.resize(8);
    EXPECT_EQ(offered(g()), expected);
    EXPECT_EQ(g().registry.readRecentFiles(), expected);
}

// The list lives in the program's own store: the next run's Load dialog
// offers it.
TEST_F(ValueSetFolder, TheFilesUsedLastAreKeptForTheNextRun) {
    const fs::path store = root.path / "store" / "registry.ini";
    const fs::path sets = folder("sets");
    writeBytes(sets / "brands.tyr", Bytes(22, 0));
    writeBytes(sets / "more brands.TYR", Bytes(22, 0));
    {
        ScriptedUi ui;
        StoreRegistry registry(store, {});
        Editor editor{ui, registry, {root.path.string()}};
        for (const char* name : {"brands.tyr", "more brands.TYR"}) {
            ui.queue(ScriptedUi::OpenAnswer{(sets / name).string()});
            ASSERT_TRUE(editor.dispatch([&] { editor.main.userClick(editor.main.get("LoadButton")); }));
        }
        EXPECT_TRUE(ui.messages().empty());
    }
    ScriptedUi ui;
    StoreRegistry registry(store, {});
    Editor editor{ui, registry, {root.path.string()}};
    editor.dispatch([&] { editor.main.userClick(editor.main.get("LoadButton")); });
    ASSERT_EQ(ui.dialogs().size(), 1u);
    EXPECT_EQ(ui.dialogs()[0].file.recentFiles, names({sets / "more brands.TYR", sets / "brands.tyr"}));
}

// A store that can no longer be written: the first load that cannot keep the
// folder and the list says so in one message, the next ones say nothing, and
// the dialog offers the files used this run.
TEST_F(ValueSetFolder, AListTheStoreCannotKeepIsSaidOnceAndUsedForTheRun) {
    const fs::path store = root.path / "store" / "registry.ini";
    const fs::path sets = folder("sets");
    for (const char* name : {"a.tyr", "b.tyr", "c.tyr"}) writeBytes(sets / name, Bytes(22, 0));
    OverTheStore over(store, root.path, sets);
    ASSERT_TRUE(over.load("a.tyr"));
    EXPECT_TRUE(over.ui.messages().empty());
    // A folder in the store's place is never replaced, nor read.
    fs::remove(store);
    fs::create_directory(store);
    ASSERT_TRUE(over.load("b.tyr"));
    EXPECT_EQ(over.ui.messages(), std::vector<std::string>{"The folder of your value sets could not be kept for the next "
                                                      "start: " + store.string() +
                                                      ": not a regular file but a folder. It is used for this run."});
    ASSERT_TRUE(over.load("c.tyr"));
    EXPECT_EQ(over.ui.messages().size(), 1u);
    over.editor.dispatch([&] { over.editor.main.userClick(over.editor.main.get("LoadButton")); });
    EXPECT_EQ(over.ui.dialogs().back().file.recentFiles, names({sets / "c.tyr", sets / "b.tyr"}));
}

// A name the store cannot hold fails the list alone: that is said once.
TEST_F(ValueSetFolder, AFileNameTheStoreCannotHoldIsSaidOnce) {
    const fs::path store = root.path / "store" / "registry.ini";
    const fs::path sets = folder("sets");
    for (const char* name : {"a.tyr", "line\nbreak.tyr", "b.tyr"}) writeBytes(sets / name, Bytes(22, 0));
    OverTheStore over(store, root.path, sets);
    ASSERT_TRUE(over.load("a.tyr"));
    ASSERT_TRUE(over.load("line\nbreak.tyr"));
    EXPECT_EQ(over.ui.messages(), std::vector<std::string>{"The list of your recent value set files could not be kept for "
                                                      "the next start: " + store.string() +
                                                      ": the file's name holds a line break, which the store cannot "
                                                      "keep. It is used for this run."});
    ASSERT_TRUE(over.load("b.tyr"));
    EXPECT_EQ(over.ui.messages().size(), 1u);
    EXPECT_EQ(makeSystemRegistry()->readRecentFiles(), names({sets / "a.tyr"}));
    EXPECT_EQ(makeSystemRegistry()->readValueSetFolder(), sets.string());
}
