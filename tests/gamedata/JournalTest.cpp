// The rollback journal: its format refuses anything cut short, changed or
// foreign, and the next start puts the files back only from a journal that
// matches them, telling the user either way.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TestGame.h"
#include "files/FileTransaction.h"
#include "files/Journal.h"
#include "gamedata/Backup.h"

namespace varnisk {
namespace {

using namespace testgame;

Journal sample() {
    Journal j;
    j.operation = "Export All";
    j.files.push_back({"/games/GP4/GP4.exe", 5000, {{10, {1, 2, 3}, {4, 5, 6}}, {4990, {7}, {8}}}});
    j.files.push_back({"/games/GP4/f1gstate.sav", 100, {{96, {0, 0, 0, 0}, {9, 9, 9, 9}}}});
    j.files.push_back({"/games/GP4/cars.wad", 64, {}});
    return j;
}

TEST(Journal, RoundTripsAndRefusesEveryCutAndEveryChangedByte) {
    const Journal j = sample();
    const std::vector<std::uint8_t> bytes = encodeJournal(j);
    ASSERT_EQ(decodeJournal(bytes), j);
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        EXPECT_FALSE(decodeJournal(std::span(bytes).first(n))) << "cut to " << n;
        std::vector<std::uint8_t> changed = bytes;
        changed[n] ^= 0x20;
        EXPECT_FALSE(decodeJournal(changed)) << "byte " << n << " changed";
    }
    std::vector<std::uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(decodeJournal(longer));
}

// A journal whose checksum holds but whose content does not (as another
// program's file could): a range outside its file, a count beyond the bytes.
TEST(Journal, RefusesAWellSealedJournalThatDoesNotHold) {
    auto reseal = [](std::vector<std::uint8_t> b) {
        b.resize(b.size() - 12);
        const std::uint64_t length = b.size() + 12;
        for (int i = 0; i < 8; ++i) b.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
        const std::uint32_t crc = crc32(b);
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(crc >> (8 * i)));
        return b;
    };
    Journal outside = sample();
    outside.files[0].ranges[1].offset = 4998;  // one byte at 4998 of a file of 4998
    outside.files[0].size = 4998;
    EXPECT_FALSE(decodeJournal(encodeJournal(outside)));

    std::vector<std::uint8_t> b = encodeJournal(sample());
    const std::size_t countAt = 18 + 4 + std::string("Export All").size();
    b[countAt] = 0xFF;  // 255 files, far more than the bytes hold
    EXPECT_FALSE(decodeJournal(reseal(b)));
    EXPECT_TRUE(decodeJournal(reseal(encodeJournal(sample()))));
}

TEST(Journal, DifferencesCoverEveryChangedByteAndNoMore) {
    const std::vector<std::uint8_t> a(100, 0);
    std::vector<std::uint8_t> b = a;
    b[3] = 1;
    b[10] = 2;   // within 16 bytes of the last: one range
    b[60] = 3;   // far: a range of its own
    b[99] = 4;
    const std::vector<Patch> d = differences(a, b);
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(d[0].offset, 3u);
    EXPECT_EQ(d[0].bytes.size(), 8u);
    EXPECT_EQ(d[1].offset, 60u);
    EXPECT_EQ(d[1].bytes, std::vector<std::uint8_t>{3});
    EXPECT_EQ(d[2].offset, 99u);
    EXPECT_TRUE(differences(a, a).empty());
}

// A game whose export was cut off after its journal was written and some
// of its patches made.
class CutOffExport : public ::testing::Test {
protected:
    TestGame g;
    GameBytes before;
    fs::path journal;

    void SetUp() override {
        before = g.files();
        ASSERT_TRUE(g.importAll());
        g.edit("LMDEdit3", "100");
        g.setPosition("UpDown1", 0);
        g.editTyre(1, 50, 150, -50);
        journal = g.folder() / "varnisk.journal";
        // Stopped right after GP4.exe was patched, before the rest.
        int steps = 0;
        setFileStepHook([&](FileStep step, const std::string& path) {
            if (step == FileStep::Write && fileNameOf(path) == "cars.wad") throw std::runtime_error("stop");
            ++steps;
            return StepFault::None;
        });
        try {
            g.editor.dispatch([&] { g.editor.main.userClick(g.get("ExportButton")); });
        } catch (const std::runtime_error&) {
        }
        setFileStepHook({});
        ASSERT_TRUE(fs::exists(journal));
        ASSERT_FALSE(g.exe() == before.exe);
    }

    std::string startAgain(GameBytes& after) {
        ScriptedUi ui;
        MemoryRegistry registry{g.folder().string()};
        Editor editor{ui, registry, {g.folder().string()}};
        EXPECT_TRUE(editor.startUp());
        after = g.files();
        return ui.messages().empty() ? std::string() : ui.messages().front();
    }
};

TEST_F(CutOffExport, TheNextStartPutsEveryFileBackAndSaysSo) {
    GameBytes after;
    const std::string message = startAgain(after);
    EXPECT_TRUE(after == before);
    EXPECT_EQ(message,
              "The last Export All was cut off before it finished (Varnisk was stopped, or the computer lost power). "
              "GP4.exe, cars.wad, f1gstate.sav were put back as before it.");
    EXPECT_FALSE(fs::exists(journal));
}

// A disk that fails while the files are put back: the start goes on with a
// message, the journal stays, and the next start puts them back.
TEST_F(CutOffExport, PuttingBackThatFailsIsTriedAgainNextTime) {
    const GameBytes cutOff = g.files();
    setFileStepHook([](FileStep step, const std::string&) { return step == FileStep::Write ? StepFault::Fail : StepFault::None; });
    GameBytes after;
    const std::string message = startAgain(after);
    setFileStepHook({});
    EXPECT_EQ(message, "The game files could not be put back after a change that was cut off: I/O error 5. Varnisk "
                       "tries again the next time it opens them.");
    EXPECT_TRUE(after == cutOff);
    EXPECT_TRUE(fs::exists(journal));
    startAgain(after);
    EXPECT_TRUE(after == before);
}

TEST_F(CutOffExport, ADamagedOrForeignJournalIsNeverApplied) {
    const std::vector<std::pair<std::string, std::function<void()>>> damages = {
        {"a byte changed", [&] {
             Bytes b = readBytes(journal);
             b[b.size() / 2] ^= 1;
             writeBytes(journal, b);
         }},
        {"cut short", [&] {
             Bytes b = readBytes(journal);
             b.resize(b.size() - 1);
             writeBytes(journal, b);
         }},
        {"another program's file", [&] { writeBytes(journal, Bytes{'h', 'e', 'l', 'l', 'o'}); }},
    };
    const GameBytes cutOff = g.files();
    const Bytes original = readBytes(journal);
    for (const auto& [what, damage] : damages) {
        SCOPED_TRACE(what);
        writeBytes(journal, original);
        damage();
        const Bytes damaged = readBytes(journal);
        GameBytes after;
        const std::string message = startAgain(after);
        EXPECT_TRUE(after == cutOff);
        EXPECT_EQ(message.rfind("varnisk.journal, the record of a change to the game files that was cut off, is damaged", 0), 0u)
            << message;
        EXPECT_FALSE(fs::exists(journal));
        EXPECT_TRUE(readBytes(g.folder() / "varnisk.journal.not-applied") == damaged);
    }
}

// The game wrote its saved state after the cut-off export: putting back the
// old checksum would damage it, so nothing is put back.
TEST_F(CutOffExport, AFileChangedSinceIsNotOverwritten) {
    Bytes sav = g.sav();
    const std::uint64_t codes = 96932;
    for (std::uint64_t i = 0; i < 44; ++i) sav[codes + i] = static_cast<std::uint8_t>(0xA0 + i);
    putU32(sav, sav.size() - 4, gg::savedStateChecksum(sav));
    writeBytes(g.savPath(), sav);
    const GameBytes changed = g.files();
    GameBytes after;
    const std::string message = startAgain(after);
    EXPECT_TRUE(after == changed);
    EXPECT_EQ(message.rfind("The Export All that was cut off could not be undone: f1gstate.sav was changed since.", 0), 0u)
        << message;
    EXPECT_TRUE(fs::exists(g.folder() / "varnisk.journal.not-applied"));
}

TEST_F(CutOffExport, AnExportOrARestoreRollsBackFirstToo) {
    // Export All: the cut-off change is undone, then the export is made.
    ASSERT_TRUE(g.exportAll());
    EXPECT_EQ(g.ui.messages().back().rfind("The last Export All was cut off", 0), 0u);
    EXPECT_FALSE(fs::exists(journal));
    EXPECT_EQ(readBytes(g.folder() / "GP4.exe.varnisk-backup"), before.exe);
    // restore: back to the files before the first export.
    ASSERT_TRUE(g.editor.dispatch([&] { restoreGameFiles(g.editor); }));
    EXPECT_TRUE(g.files() == before);
}

}  // namespace
}  // namespace varnisk
