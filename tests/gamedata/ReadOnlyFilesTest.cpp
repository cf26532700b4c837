#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <string>
#include <vector>

#include "TestGame.h"
#include "gamedata/Backup.h"

using namespace varnisk;
using namespace varnisk::testgame;

// Reading a game file never needs write access and never changes its
// permissions; a change to a read-only file is refused before anything is
// written. The read-only mark is the file's mode, so these tests hold for the
// superuser too, whom the system lets write any file.

namespace {

constexpr ::mode_t kReadOnly = 0444;

::mode_t modeOf(const fs::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

void setMode(const fs::path& p, ::mode_t mode) { ASSERT_EQ(::chmod(p.c_str(), mode), 0) << p; }

// Every entry of the game folder with its bytes and mode: what must stay
// the same when nothing may change (no backup, journal or temporary file
// appears either). The empty lock file an export leaves is no change.
std::map<std::string, std::pair<Bytes, ::mode_t>> folderState(const fs::path& folder) {
    std::map<std::string, std::pair<Bytes, ::mode_t>> out;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename() == "varnisk.lock" && fs::file_size(entry.path()) == 0) continue;
        out[entry.path().filename().string()] = {readBytes(entry.path()), modeOf(entry.path())};
    }
    return out;
}

// Edits that change all three files: a camera value (GP4.exe), team 0's
// brand (f1gstate.sav) and a tyre position (cars.wad).
void editAllThree(TestGame& g) {
    g.edit("LMDEdit3", "77");
    g.setPosition("UpDown1", g.get("UpDown1").position == 0 ? 1 : 0);
    g.edit("LMDTP1", "55");
}

// "Manual Cars wad" with the dialog answered by the path.
bool chooseArchive(TestGame& g, const fs::path& archive) {
    ScriptedUi::Answer answer{ScriptedUi::OpenAnswer{archive.string()}};
    g.ui.queue(std::move(answer));
    return g.click("LMDButton4");
}

}  // namespace

TEST(ReadOnlyGameFiles, AGameWhoseFilesAreReadOnlyIsImportedAndKeepsItsModes) {
    TestGame g;
    for (const fs::path& p : {g.exePath(), g.savPath(), g.wadPath()}) setMode(p, kReadOnly);
    const auto before = folderState(g.folder());

    ASSERT_TRUE(g.importAll());
    EXPECT_TRUE(g.ui.errors().empty());
    EXPECT_EQ(g.caption("Status"), "Import Done");
    EXPECT_TRUE(g.editor.game.CollisionEntry.has_value());
    // The sheet is the one a writable copy of the same game gives.
    TestGame writable;
    ASSERT_TRUE(writable.importAll());
    auto withoutPath = [](TestGame& t) {
        std::vector<std::string> s = sheetState(t.editor.main);
        std::erase_if(s, [](const std::string& line) { return line.starts_with("LMDPath|"); });
        return s;
    };
    EXPECT_EQ(withoutPath(g), withoutPath(writable));
    EXPECT_EQ(g.ui.messages(), writable.ui.messages());

    // The archive chosen by hand is read the same way.
    const fs::path other = g.folder() / "other.wad";
    fs::copy_file(g.wadPath(), other);
    setMode(other, kReadOnly);
    ASSERT_TRUE(chooseArchive(g, other));
    EXPECT_EQ(g.editor.ManualWadPath, other.string());
    EXPECT_EQ(modeOf(other), kReadOnly);
    fs::remove(other);

    EXPECT_EQ(folderState(g.folder()), before);
}

TEST(ReadOnlyGameFiles, AnExportIntoAReadOnlyFileNamesItAndChangesNothing) {
    struct Case {
        const char* name;
        fs::path (TestGame::*path)() const;
    };
    for (const Case& c : {Case{"GP4.exe", &TestGame::exePath}, Case{"f1gstate.sav", &TestGame::savPath},
                          Case{"cars.wad", &TestGame::wadPath}}) {
        SCOPED_TRACE(c.name);
        TestGame g;
        ASSERT_TRUE(g.importAll());
        setMode((g.*c.path)(), kReadOnly);
        editAllThree(g);
        g.editor.main.setCaption(g.get("Status"), "before");
        const auto before = folderState(g.folder());

        EXPECT_FALSE(g.exportAll());
        ASSERT_EQ(g.ui.errors().size(), 1u);
        EXPECT_EQ(g.ui.errors()[0], std::string("Export All failed: ") + c.name + " is read-only. No game file was changed.");
        EXPECT_EQ(folderState(g.folder()), before);
        EXPECT_EQ(g.caption("Status"), "before");

        // Once writable again, the same export goes through.
        setMode((g.*c.path)(), 0644);
        EXPECT_TRUE(g.exportAll());
        EXPECT_EQ(g.caption("Status"), "Exported 3 values: GP4.exe 1, f1gstate.sav 1, cars.wad 1");
        EXPECT_FALSE(fs::exists(g.folder() / "varnisk.journal"));
    }
}

// Only a file the export changes needs to be writable.
TEST(ReadOnlyGameFiles, AReadOnlyFileThatTheExportLeavesAloneDoesNotStopIt) {
    TestGame g;
    ASSERT_TRUE(g.importAll());
    // The first export rounds what the game holds to what the sheet shows;
    // after it, an export changes only what was edited.
    ASSERT_TRUE(g.exportAll());
    setMode(g.wadPath(), kReadOnly);
    setMode(g.savPath(), kReadOnly);
    const Bytes wad = g.wad(), sav = g.sav(), exe = g.exe();
    g.edit("LMDEdit3", "77");
    EXPECT_TRUE(g.exportAll());
    EXPECT_EQ(g.ui.errors(), std::vector<std::string>{});
    EXPECT_TRUE(g.exe() != exe);
    EXPECT_TRUE(g.wad() == wad);
    EXPECT_TRUE(g.sav() == sav);
    EXPECT_EQ(modeOf(g.wadPath()), kReadOnly);
    EXPECT_EQ(modeOf(g.savPath()), kReadOnly);
}

TEST(ReadOnlyGameFiles, ARestoreIntoAReadOnlyFileNamesItAndChangesNothing) {
    TestGame g;
    ASSERT_TRUE(g.importAll());
    editAllThree(g);
    ASSERT_TRUE(g.exportAll());
    setMode(g.savPath(), kReadOnly);
    const auto before = folderState(g.folder());

    EXPECT_FALSE(g.editor.dispatch([&] { restoreGameFiles(g.editor); }));
    ASSERT_EQ(g.ui.errors().size(), 1u);
    EXPECT_EQ(g.ui.errors()[0], "Restore failed: f1gstate.sav is read-only. No game file was changed.");
    EXPECT_EQ(folderState(g.folder()), before);
}
