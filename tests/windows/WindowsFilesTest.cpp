// The game-file port on Windows: the read-only mark, the sharing rules of
// files another program holds open, the device names, and names outside
// ASCII, through Import All and Export All as a person meets them.
#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "files/GameFiles.h"
#include "files/GameLock.h"
#include "files/SystemText.h"
#include "../gamedata/TestGame.h"

using namespace varnisk;
using namespace varnisk::testgame;

namespace {

std::string errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const FileError& e) {
        return e.what();
    }
    return {};
}

// A handle another program holds on a file, with the sharing it allows.
class Held {
public:
    Held(const fs::path& path, DWORD access, DWORD share)
        : h_(CreateFileW(path.wstring().c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr)) {}
    ~Held() {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    bool ok() const { return h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_;
};

void setReadOnly(const fs::path& path, bool on) {
    const DWORD a = GetFileAttributesW(path.wstring().c_str());
    SetFileAttributesW(path.wstring().c_str(), on ? (a | FILE_ATTRIBUTE_READONLY) : (a & ~DWORD{FILE_ATTRIBUTE_READONLY}));
}

bool isReadOnly(const fs::path& path) {
    return (GetFileAttributesW(path.wstring().c_str()) & FILE_ATTRIBUTE_READONLY) != 0;
}

}  // namespace

TEST(WindowsFiles, AReadOnlyGameImportsAndItsExportNamesTheFileAndChangesNothing) {
    TestGame g;
    for (const fs::path& p : {g.exePath(), g.savPath(), g.wadPath()}) setReadOnly(p, true);
    ASSERT_TRUE(g.importAll()) << g.ui.errors().back();
    {
        ByteFile f(g.exePath().string());
        // The mark is the user's word: the export checks it itself, since the
        // system lets an administrator (and Wine's root) write anyway.
        EXPECT_TRUE(f.readOnly());
    }
    const GameBytes before = g.files();
    g.edit("LMDEdit12", "40");
    EXPECT_FALSE(g.exportAll());
    EXPECT_EQ(g.ui.errors().back(), "Export All failed: GP4.exe is read-only. No game file was changed.");
    EXPECT_EQ(g.files(), before);
    for (const fs::path& p : {g.exePath(), g.savPath(), g.wadPath()}) {
        EXPECT_TRUE(isReadOnly(p)) << p;  // Varnisk never changes the mark
        setReadOnly(p, false);
    }
    EXPECT_FALSE(fs::exists(g.folder() / "GP4.exe.varnisk-backup"));
}

TEST(WindowsFiles, AFileAnotherProgramHoldsIsReadWhereItSharesAndNeverHalfWritten) {
    TestGame g;
    {
        // The running game holds its executable for reading and lets others
        // read: Import All reads it, Export All is refused before any change.
        Held game(g.exePath(), GENERIC_READ, FILE_SHARE_READ);
        ASSERT_TRUE(game.ok());
        ASSERT_TRUE(g.importAll()) << g.ui.errors().back();
        const GameBytes before = g.files();
        g.edit("LMDEdit12", "40");
        EXPECT_FALSE(g.exportAll());
        EXPECT_NE(g.ui.errors().back().find("Access denied"), std::string::npos) << g.ui.errors().back();
        EXPECT_EQ(g.files(), before);
        EXPECT_FALSE(fs::exists(g.folder() / "varnisk.journal"));
    }
    {
        // A program that lets nobody else in: not even reading.
        Held locked(g.savPath(), GENERIC_READ | GENERIC_WRITE, 0);
        ASSERT_TRUE(locked.ok());
        EXPECT_EQ(errorOf([&] { ByteFile f(g.savPath().string()); }), "Access denied");
    }
    // Let go, the export goes through.
    EXPECT_TRUE(g.exportAll()) << g.ui.errors().back();
    EXPECT_EQ(i16At(g.exe(), g.cameraAt(2, 2)), 80);  // "Camera 1" Y, stored doubled
}

TEST(WindowsFiles, DevicesAndFoldersAreNoFiles) {
    TempFolder dir;
    fs::create_directories(dir.path / "folder");
    for (const std::string& p : {std::string("NUL"), (dir.path / "COM1.txt").string(), (dir.path / "con").string(),
                                 std::string("\\\\.\\PhysicalDrive0"), (dir.path / "folder").string()}) {
        SCOPED_TRACE(p);
        EXPECT_TRUE(otherThanFileAt(p));
        EXPECT_FALSE(fileExists(p));
        EXPECT_EQ(errorOf([&] { ByteFile f(p); }), "Not a regular file");
        EXPECT_EQ(errorOf([&] { readWholeFile(p); }), "Not a regular file");
    }
    EXPECT_EQ(errorOf([&] { ByteFile f((dir.path / "missing.bin").string()); }), "File not found");
    EXPECT_EQ(errorOf([&] { ByteFile f((dir.path / "no-folder" / "x.bin").string()); }), "File not found");
}

TEST(WindowsFiles, AGameInAFolderNamedOutsideAsciiImportsAndExports) {
    TempFolder dir;
    // "Grand Prix 4 – Ørsted 中" in UTF-8, as the program keeps paths.
    const std::string name = "Grand Prix 4 \xE2\x80\x93 \xC3\x98rsted \xE4\xB8\xAD";
    const fs::path folder = dir.path / systemPath(name);
    gg::writeGame(folder, gg::GameSpec{});
    ScriptedUi ui;
    MemoryRegistry registry(pathText(folder));
    Editor editor(ui, registry, {pathText(dir.path)});
    Form& f = editor.main;
    ASSERT_TRUE(editor.dispatch([&] { f.userClick(f.get("ImportButton")); })) << ui.errors().back();
    editor.dispatch([&] { f.userEdit(f.get("LMDEdit12"), "40"); });
    ASSERT_TRUE(editor.dispatch([&] { f.userClick(f.get("ExportButton")); })) << ui.errors().back();
    EXPECT_TRUE(fs::exists(folder / "GP4.exe.varnisk-backup"));
    EXPECT_EQ(f.get("LMDPath").hint, "Actual Path: " + pathText(folder));
    // A file of the folder is found by a name in another case.
    EXPECT_EQ(gameFilePath(pathText(folder), "gp4.EXE"), pathText(folder / "GP4.exe"));
}

TEST(WindowsFiles, ReplacingAFileHeldOpenFailsAndLeavesItAsItWas) {
    TempFolder dir;
    const fs::path path = dir.path / "set.car";
    writeBytes(path, Bytes{1, 2, 3});
    {
        Held reader(path, GENERIC_READ, FILE_SHARE_READ);
        ASSERT_TRUE(reader.ok());
        EXPECT_EQ(errorOf([&] { replaceFile(path.string(), Bytes{9}); }), "Access denied");
    }
    EXPECT_EQ(readBytes(path), (Bytes{1, 2, 3}));
    EXPECT_TRUE(temporaryLeftovers(path.string()).empty());
    replaceFile(path.string(), Bytes{9});
    EXPECT_EQ(readBytes(path), Bytes{9});
}

// One Varnisk writes a game at a time: the lock of its folder is the
// system's byte-range lock, held by one handle; a second export waits, then
// says so and changes nothing; once the lock goes, it exports.
TEST(WindowsFiles, ASecondCopyWaitsForTheGamesLock) {
    TestGame g;
    ASSERT_TRUE(g.importAll());
    g.edit("LMDEdit3", "100");
    const GameBytes before = g.files();
    setGameLockWait(std::chrono::milliseconds(200));
    {
        FileLock other((g.folder() / "varnisk.lock").string());
        ASSERT_TRUE(other.tryLock());
        FileLock third((g.folder() / "varnisk.lock").string());
        EXPECT_FALSE(third.tryLock());
        EXPECT_FALSE(g.exportAll());
        ASSERT_FALSE(g.ui.errors().empty());
        EXPECT_EQ(g.ui.errors().back().rfind("Another Varnisk is writing the game's files in ", 0), 0u) << g.ui.errors().back();
        EXPECT_TRUE(g.files() == before);
    }
    setGameLockWait(std::chrono::milliseconds(3000));
    ASSERT_TRUE(g.exportAll());
    EXPECT_NE(g.exe(), before.exe);
}
