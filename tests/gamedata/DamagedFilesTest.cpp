// Damaged game files: whatever a file holds or lacks, Import All and Export
// All end with a message or an error, never a crash, and an export that
// fails leaves every game file as it was.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <random>

#include "TestGame.h"

namespace varnisk::testgame {
namespace {

// Every run of import and export on the installation: no crash, and an
// export that reports an error changes no file.
void importAndExport(TestGame& g) {
    g.importAll();
    const GameBytes before = g.files();
    const std::size_t errors = g.ui.errors().size();
    g.exportAll();
    if (g.ui.errors().size() > errors) {
        EXPECT_EQ(g.files(), before) << g.ui.errors().back();
    }
}

TEST(DamagedFiles, GameFilesCutAtAnyLengthGiveMessagesNotCrashes) {
    struct Cut {
        const char* file;
        std::vector<std::uint64_t> lengths;
    };
    gg::GameSpec spec;
    const gg::ExeLayout l = gg::exeLayout(spec.versionByte);
    const std::vector<Cut> cuts = {
        {"exe", {0, 1, 312, 313, l.cockpit + 30, l.rims + 40, l.names + 10, l.tcam, l.chase + 3, l.cameras + 239}},
        {"sav", {0, 4, 5, 96932, 96932 + 43, 96932 + 44, 96932 + 47}},
        {"wad", {0, 3, 4, 100, 4 + 136 * 3, gg::collisionEntryOffset(spec) + 100}},
    };
    for (const Cut& cut : cuts) {
        for (std::uint64_t length : cut.lengths) {
            SCOPED_TRACE(std::string(cut.file) + " cut to " + std::to_string(length));
            TestGame g(spec);
            const fs::path path = std::string(cut.file) == "exe" ? g.exePath() : std::string(cut.file) == "sav" ? g.savPath() : g.wadPath();
            Bytes b = readBytes(path);
            b.resize(std::min<std::uint64_t>(length, b.size()));
            writeBytes(path, b);
            importAndExport(g);
            if (std::string(cut.file) == "exe") {
                EXPECT_FALSE(g.ui.errors().empty());
            }
        }
    }
}

// An import that fails part way, after it turned the sheet's change
// handlers off, leaves them as it found them: the fields edited afterwards
// still reach the preview and the export.
TEST(DamagedFiles, AFailedImportLeavesTheChangeHandlersOn) {
    struct Damage {
        const char* what;
        std::function<void(TestGame&)> apply;
    };
    const gg::ExeLayout l = gg::exeLayout(gg::GameSpec{}.versionByte);
    for (const Damage& d : {Damage{"exe cut inside the names", [&](TestGame& g) {
                                       Bytes b = g.exe();
                                       b.resize(l.names + 10);
                                       writeBytes(g.exePath(), b);
                                   }},
                            Damage{"archive directory of -1 entries", [](TestGame& g) {
                                       Bytes wad = g.wad();
                                       putU32(wad, 0, 0xFFFFFFFFu);
                                       writeBytes(g.wadPath(), wad);
                                   }}}) {
        SCOPED_TRACE(d.what);
        TestGame g;
        ASSERT_TRUE(g.importAll());
        d.apply(g);
        EXPECT_FALSE(g.importAll());
        ASSERT_EQ(g.ui.errors().size(), 1u);
        EXPECT_EQ(g.editor.SheetReady, 1);
        g.edit("LMDTP1", "55");
        EXPECT_EQ(g.editor.game.tyres[0][0], 0.55f);
        g.edit("LMDSW1", "45");
        EXPECT_EQ(g.editor.game.cockpit[5], -0.45f);
    }
}

TEST(DamagedFiles, ArchiveDirectoriesThatLieGiveAClearError) {
    for (std::int32_t count : {-1, 5000000, 2147483647}) {
        SCOPED_TRACE(count);
        TestGame g;
        Bytes wad = g.wad();
        putU32(wad, 0, static_cast<std::uint32_t>(count));
        writeBytes(g.wadPath(), wad);
        g.importAll();
        ASSERT_EQ(g.ui.errors().size(), 1u);
        EXPECT_NE(g.ui.errors()[0].find("cars.wad is damaged"), std::string::npos) << g.ui.errors()[0];
    }
}

TEST(DamagedFiles, ACollisionEntryPointingPastTheEndIsReportedAndNeverWritten) {
    TestGame g;
    Bytes wad = g.wad();
    const int ct = *gg::collisionEntryIndex(g.spec);
    putU32(wad, 4 + 136 * static_cast<std::uint64_t>(ct) + 128, static_cast<std::uint32_t>(wad.size() - 10));
    writeBytes(g.wadPath(), wad);
    g.importAll();
    ASSERT_EQ(g.ui.errors().size(), 1u);
    EXPECT_NE(g.ui.errors()[0].find("beyond the end"), std::string::npos) << g.ui.errors()[0];
    EXPECT_FALSE(g.editor.game.CollisionEntry.has_value());
}

TEST(DamagedFiles, RandomBytesInEveryFileNeverCrash) {
    std::mt19937 random(20261210);
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        gg::GameSpec spec;
        spec.versionByte = round % 3 == 0 ? 0 : 102;
        spec.archiveEntries = 20;
        TestGame g(spec);
        for (const fs::path& path : {g.exePath(), g.savPath(), g.wadPath()}) {
            Bytes b = readBytes(path);
            // Scribble over the start (version byte, directory) and some bytes anywhere.
            for (std::size_t i = 0; i < std::min<std::size_t>(b.size(), 400); ++i) {
                if (random() % 4 == 0) b[i] = static_cast<std::uint8_t>(random());
            }
            for (int i = 0; i < 2000 && !b.empty(); ++i) b[random() % b.size()] = static_cast<std::uint8_t>(random());
            writeBytes(path, b);
        }
        importAndExport(g);
    }
}

}  // namespace
}  // namespace varnisk::testgame

namespace varnisk::testgame {
namespace {

#ifndef _WIN32  // POSIX pipes; the Windows build checks its devices in tests/windows
// A pipe, a folder or a device where a game file or a chosen file is
// expected: a clear word at once, never a wait for a writer.
TEST(DamagedFiles, WhatIsNoRegularFileIsRefusedAtOnce) {
    ::alarm(60);  // a hang ends the run instead of stalling it
    {
        SCOPED_TRACE("pipes as the saved state and the archive");
        TestGame g;
        fs::remove(g.savPath());
        fs::remove(g.wadPath());
        ASSERT_EQ(::mkfifo(g.savPath().c_str(), 0644), 0);
        ASSERT_EQ(::mkfifo(g.wadPath().c_str(), 0644), 0);
        ASSERT_TRUE(g.importAll());
        ASSERT_TRUE(g.exportAll());
        EXPECT_TRUE(g.ui.errors().empty());
        EXPECT_TRUE(fs::is_fifo(g.savPath()) && fs::is_fifo(g.wadPath()));
    }
    {
        SCOPED_TRACE("a pipe as the archive chosen by hand, a folder as GP4.exe");
        TestGame g;
        ASSERT_TRUE(g.importAll());
        const fs::path pipe = g.folder() / "other.wad";
        ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
        g.ui.queue(ScriptedUi::OpenAnswer{pipe.string()});
        EXPECT_FALSE(g.click("LMDButton4"));
        EXPECT_EQ(g.ui.errors().back(), "Not a regular file");
        EXPECT_TRUE(g.editor.ManualWadPath.empty());

        fs::create_directories(g.folder() / "elsewhere" / "GP4.exe");
        g.ui.queue(ScriptedUi::OpenAnswer{(g.folder() / "elsewhere" / "GP4.exe").string()});
        g.click("LMDPath");
        EXPECT_EQ(g.ui.messages().at(0), "GP4.exe is not a regular file.");
    }
    ::alarm(0);
}
#endif

}  // namespace
}  // namespace varnisk::testgame
