#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <string>
#include <system_error>
#include <vector>

#include "archive/Archive.h"
#include "base/Errors.h"
#include "files/GameFiles.h"
#include "../gamedata/TestGame.h"

using namespace varnisk;
using namespace varnisk::testgame;

namespace {

using Messages = std::vector<std::string>;

std::array<std::uint8_t, kEntryNameSize> rawName(const std::string& s);

const std::string kNotAnArchive = "Sorry but you didn't selected a cars wad.\r\nCurrent cars.wad will be used.";

// An archive of its own, outside the game folder.
fs::path writeArchive(const TempFolder& dir, const gg::GameSpec& spec, const std::string& name = "other.wad") {
    writeBytes(dir.path / name, gg::buildArchive(spec));
    return dir.path / name;
}

}  // namespace

TEST(Archive, FindsTheCollisionEntryWhereverItStands) {
    // More entries than one read of the directory takes.
    struct Case { int entries; int collisionIndex; };
    for (Case c : {Case{8, -1}, Case{8, 0}, Case{300, 255}, Case{300, 256}, Case{300, 299}, Case{1, 0}}) {
        TempFolder dir;
        gg::GameSpec spec;
        spec.archiveEntries = c.entries;
        spec.collisionIndex = c.collisionIndex;
        const ByteFile archive(writeArchive(dir, spec).string());
        const std::optional<ArchiveEntry> found = findArchiveEntry(archive, isCollisionEntry);
        ASSERT_TRUE(found.has_value()) << c.entries << " " << c.collisionIndex;
        EXPECT_EQ(found->index, *gg::collisionEntryIndex(spec));
        EXPECT_EQ(found->name, "cars\\car_collision_mesh.ct");
        EXPECT_EQ(found->offset, gg::collisionEntryOffset(spec));
        EXPECT_EQ(found->size, gg::kCollisionDataSize);
    }
}

TEST(Archive, ReadsTheDirectoryInOrderAcrossReads) {
    TempFolder dir;
    gg::GameSpec spec;
    spec.archiveEntries = 260;
    const ByteFile archive(writeArchive(dir, spec).string());
    const std::vector<gg::ArchiveEntry> expected = gg::archiveDirectory(spec);
    std::vector<std::string> seen;
    EXPECT_FALSE(findArchiveEntry(archive, [&](StoredName name) {
                     seen.push_back(storedName(name));
                     return false;
                 }).has_value());
    ASSERT_EQ(seen.size(), expected.size());
    for (std::size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], expected[i].name) << i;
    for (int i : {0, 1, 255, 256, 258}) {
        const std::string wantedName = expected[static_cast<std::size_t>(i)].name;
        const std::optional<ArchiveEntry> found =
            findArchiveEntry(archive, [&](StoredName name) { return storedName(name) == wantedName; });
        ASSERT_TRUE(found.has_value()) << i;
        EXPECT_EQ(found->index, i);
        EXPECT_EQ(found->name, wantedName);
        EXPECT_EQ(found->offset, expected[static_cast<std::size_t>(i)].offset) << i;
        EXPECT_EQ(found->size, expected[static_cast<std::size_t>(i)].size) << i;
    }
}

TEST(Archive, ADirectoryLongerThanTheFileOrANegativeCountIsAFileError) {
    TempFolder dir;
    gg::GameSpec spec;
    Bytes bytes = gg::buildArchive(spec);
    const std::uint64_t size = bytes.size();
    for (std::uint32_t count : {static_cast<std::uint32_t>((size - 4) / 136 + 1), 0x7FFFFFFFu, 0x80000000u}) {
        putU32(bytes, 0, count);
        writeBytes(dir.path / "bad.wad", bytes);
        const ByteFile archive((dir.path / "bad.wad").string());
        EXPECT_THROW(findArchiveEntry(archive, [](StoredName) { return true; }), FileError) << count;
    }
    // The four bytes of the count alone: an empty directory.
    writeBytes(dir.path / "empty.wad", Bytes{0, 0, 0, 0});
    EXPECT_FALSE(findArchiveEntry(ByteFile((dir.path / "empty.wad").string()), isCollisionEntry).has_value());
}

// A directory longer than any archive holds is refused from its count,
// before any of it is read, even where the (sparse) file is long enough to
// hold it; a directory of the most entries passes.
TEST(Archive, ACountAboveTheMostEntriesIsRefusedBeforeTheDirectoryIsRead) {
    static_assert(kMaxArchiveEntries == 1 << 20);
    TempFolder dir;
    const fs::path path = dir.path / "sparse.wad";
    struct Case { std::uint32_t count; bool refused; };
    for (const Case c : {Case{(1u << 20) + 1, true}, Case{0x7FFFFFFFu, true}, Case{1u << 20, false}}) {
        SCOPED_TRACE(c.count);
        Bytes head(4, 0);
        putU32(head, 0, c.count);
        writeBytes(path, head);
        // Sparse: nothing is written. Where the system makes no file that
        // long, a count above the most is refused all the same: it is tested
        // before the file's length.
        std::error_code ec;
        fs::resize_file(path, kDirectoryStart + std::uint64_t{kDirectoryEntrySize} * c.count, ec);
        if (ec && !c.refused) continue;
        const ByteFile archive(path.string());
        const auto start = std::chrono::steady_clock::now();
        if (!c.refused) {
            EXPECT_EQ(archiveEntryCount(archive), c.count);
            continue;
        }
        const std::string said = "sparse.wad is damaged: its directory claims " + std::to_string(c.count) +
                                 " entries, more than the 1048576 an archive holds.";
        for (int way = 0; way < 3; ++way) {
            try {
                if (way == 0) archiveEntryCount(archive);
                if (way == 1) findArchiveEntry(archive, [](StoredName) { return false; });
                if (way == 2) ArchiveIndex(archive, path.string(), storedName);
                ADD_FAILURE() << "taken, way " << way;
            } catch (const FileError& e) {
                EXPECT_EQ(e.what(), said);
            }
        }
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.0);
    }
}

// The index gives what a scan for the first entry of the key gives, reading
// the one record it points at; names of the same key keep directory order.
TEST(ArchiveIndex, GivesTheFirstEntryOfEachKey) {
    TempFolder dir;
    gg::GameSpec spec;
    spec.archiveEntries = 600;
    const fs::path path = writeArchive(dir, spec);
    const ByteFile archive(path.string());
    // A key that makes many names one: their last character.
    const ArchiveIndex::Key last = [](StoredName n) {
        const std::string s = storedName(n);
        return s.empty() ? std::string() : s.substr(s.size() - 1);
    };
    for (const ArchiveIndex::Key key : {ArchiveIndex::Key{storedName}, last}) {
        const ArchiveIndex index(archive, path.string(), key);
        EXPECT_TRUE(index.readFrom(path.string(), archive.stamp()));
        EXPECT_FALSE(index.readFrom(path.string() + "x", archive.stamp()));
        ASSERT_EQ(index.size(), 600u);
        for (const gg::ArchiveEntry& e : gg::archiveDirectory(spec)) {
            const std::string wanted = key(rawName(e.name));
            const std::optional<ArchiveEntry> first =
                findArchiveEntry(archive, [&](StoredName n) { return key(n) == wanted; });
            ASSERT_TRUE(first.has_value());
            const ArchiveIndex::Found found = index.find(archive, wanted);
            ASSERT_TRUE(found.entry.has_value()) << e.name;
            EXPECT_EQ(found.entry->index, first->index) << e.name;
            EXPECT_EQ(found.entry->name, first->name);
            EXPECT_EQ(found.entry->offset, first->offset);
            EXPECT_EQ(found.entry->size, first->size);
        }
        const ArchiveIndex::Found none = index.find(archive, "no such name at all");
        EXPECT_FALSE(none.entry.has_value());
        EXPECT_FALSE(none.changed);
    }
}

namespace {

std::array<std::uint8_t, kEntryNameSize> rawName(const std::string& s) {
    std::array<std::uint8_t, kEntryNameSize> raw{};
    for (std::size_t i = 0; i < s.size() && i < raw.size(); ++i) raw[i] = static_cast<std::uint8_t>(s[i]);
    return raw;
}

bool endsInCt(const std::string& s) { return s.size() >= 3 && s.compare(s.size() - 3, 3, ".ct") == 0; }

}  // namespace

TEST(Archive, OnlyANameEndingInDotCtOnceItsNulsAreGoneIsTheCollisionEntry) {
    using namespace std::string_literals;
    struct Case { std::string stored; bool collision; };
    for (const Case& c : {Case{"cars\\car_collision_mesh.ct", true}, Case{".ct", true}, Case{"a.ctx", false},
                          Case{"a.CT", false}, Case{"ct", false}, Case{"a.c", false}, Case{"", false},
                          Case{"x.c"s + std::string(50, '\0') + "t", true},      // NUL bytes inside do not count
                          Case{".\0c\0t"s, true},
                          Case{std::string(30, 'a') + ".ct", true},             // across an 8- and a 32-byte step
                          Case{std::string(125, 'a') + ".ct", true},            // the name fills the field
                          Case{std::string(125, 'a') + ".cx", false},
                          Case{"\xFF\xFE.ct", true}}) {
        const auto raw = rawName(c.stored);
        EXPECT_EQ(isCollisionEntry(raw), c.collision) << storedName(raw);
    }
    // Against the plain rule, on names of few letters scattered through the field.
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    const char letters[] = {'.', 'c', 't', 'x', '\0', '\0', '\0', '\0'};
    for (int round = 0; round < 20000; ++round) {
        std::array<std::uint8_t, kEntryNameSize> raw{};
        const std::uint32_t placed = next() % 8;
        for (std::uint32_t k = 0; k < placed; ++k) {
            raw[(next() >> 8) % kEntryNameSize] = static_cast<std::uint8_t>(letters[(next() >> 8) % 8]);
        }
        if (next() % 2 == 0) {  // often the three letters themselves, somewhere
            std::size_t at = (next() >> 8) % (kEntryNameSize - 2);
            raw[at] = '.';
            raw[at + 1] = 'c';
            raw[at + 2] = 't';
        }
        ASSERT_EQ(isCollisionEntry(raw), endsInCt(storedName(raw))) << "round " << round;
    }
}

// ---------------------------------------------------------------- "Manual Cars wad"

TEST(ManualArchive, AChosenArchiveGivesTheTyreFieldsAndTakesTheExport) {
    TestGame g;
    ASSERT_TRUE(g.importAll());
    TempFolder other;
    gg::GameSpec otherSpec;
    otherSpec.archiveEntries = 5;
    otherSpec.collisionIndex = 2;
    otherSpec.values.tyres = {{{0.5f, -0.25f, 1.25f}, {-0.5f, -0.25f, 1.25f}, {0.75f, -0.5f, -2.0f}, {-0.75f, -0.5f, -2.0f}}};
    const fs::path chosen = writeArchive(other, otherSpec);
    const Bytes gameWad = g.wad();

    g.ui.queue(ScriptedUi::OpenAnswer{chosen.string()});
    ASSERT_TRUE(g.click("LMDButton4"));
    EXPECT_TRUE(g.ui.messages().empty());
    EXPECT_EQ(g.editor.ManualWadPath, chosen.string());
    const std::vector<std::string> expected = {"50", "125", "-25", "-50", "125", "-25", "75", "-200", "-50", "-75", "-200", "-50"};
    for (int n = 1; n <= 12; ++n) EXPECT_EQ(g.text(num("LMDTP", n)), expected[static_cast<std::size_t>(n - 1)]) << n;
    ASSERT_TRUE(g.editor.game.CollisionEntry.has_value());
    EXPECT_EQ(*g.editor.game.CollisionEntry, gg::collisionEntryOffset(otherSpec));

    g.edit("LMDTP10", "-87.5");
    ASSERT_TRUE(g.exportAll());
    const Bytes written = readBytes(chosen);
    EXPECT_EQ(f32At(written, gg::collisionEntryOffset(otherSpec) + gg::kTyreRecordOffsets[3]), -0.875f);
    EXPECT_TRUE(sameOutside(gg::buildArchive(otherSpec), written, gg::archiveValueRanges(otherSpec)));
    EXPECT_EQ(g.wad(), gameWad);
}

TEST(ManualArchive, AFileThatIsNoArchiveIsRefusedAndNothingChanges) {
    TestGame g;
    ASSERT_TRUE(g.importAll());
    TempFolder other;
    const std::string notes("\x08\x00\x00\x00" "data\\car.gp4", 16);  // its first name starts with 'd'
    writeBytes(other.path / "notes.wad", Bytes(notes.begin(), notes.end()));
    writeBytes(other.path / "tiny.wad", Bytes{'c', 'a', 'r'});
    const std::vector<std::string> sheet = sheetState(g.editor.main);
    for (const char* name : {"notes.wad", "tiny.wad"}) {
        g.ui.queue(ScriptedUi::OpenAnswer{(other.path / name).string()});
        ASSERT_TRUE(g.click("LMDButton4")) << name;
        EXPECT_EQ(g.ui.messages().back(), kNotAnArchive) << name;
    }
    EXPECT_EQ(g.ui.messages().size(), 2u);
    EXPECT_TRUE(g.ui.errors().empty());
    EXPECT_EQ(g.editor.ManualWadPath, "");
    EXPECT_EQ(sheetState(g.editor.main), sheet);

    g.ui.queue(ScriptedUi::Cancel{});
    ASSERT_TRUE(g.click("LMDButton4"));
    EXPECT_EQ(g.ui.messages().size(), 2u);
    EXPECT_EQ(g.editor.ManualWadPath, "");
}
