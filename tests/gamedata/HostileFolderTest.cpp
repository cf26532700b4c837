// A game folder that somebody else has filled: a journal Varnisk did not
// write for it, links and pipes where temporary files go, a second Varnisk
// writing the same game, files far larger than the game's own. Varnisk
// touches only the game's files, one copy writes at a time, and nothing is
// read that a real file of its kind could not need.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "TestGame.h"
#include "base/Errors.h"
#include "files/FileTransaction.h"
#include "files/GameLock.h"
#include "files/Journal.h"
#include "gamedata/Backup.h"

namespace varnisk {
namespace {

using namespace testgame;

// A new editor starting on the game, as the next run of Varnisk would.
struct NextStart {
    explicit NextStart(const fs::path& folder) : registry(folder.string()), editor(ui, registry, {folder.string()}) {
        started = editor.startUp();
    }
    std::string message() const { return ui.messages().empty() ? std::string() : ui.messages().front(); }
    ScriptedUi ui;
    MemoryRegistry registry;
    Editor editor;
    bool started = false;
};

struct HooksReset {
    ~HooksReset() {
        setFileStepHook({});
        setTemporaryNameHook({});
        setGameLockWait(std::chrono::milliseconds(3000));
    }
};

// A journal sealed as Varnisk seals its own, naming `victim`: its "before"
// bytes are what a rollback would write there.
void plantJournal(const fs::path& folder, const std::vector<std::pair<fs::path, Bytes>>& victims) {
    Journal j;
    j.operation = "Export All";
    for (const auto& [path, wanted] : victims) {
        const Bytes now = readBytes(path);
        j.files.push_back({path.string(), now.size(), {{0, wanted, Bytes(now.begin(), now.begin() + static_cast<std::ptrdiff_t>(wanted.size()))}}});
    }
    writeBytes(folder / "varnisk.journal", encodeJournal(j));
}

// A journal is applied to the game's own files and nothing else, whatever
// else it names and however whole it is; one naming another file is kept
// aside unapplied, and the game's files named beside it stay as they are.
TEST(PlantedJournal, OneNamingAnotherFileIsNeverApplied) {
    TestGame g;
    TempFolder elsewhere;
    const fs::path profile = elsewhere.path / ".profile";
    writeBytes(profile, Bytes{'e', 'c', 'h', 'o', ' ', 'h', 'i', '\n'});
    const Bytes evil{'r', 'm', ' ', '-', 'r', 'f', '~', '\n'};
    const GameBytes before = g.files();

    struct Case {
        const char* what;
        std::vector<std::pair<fs::path, Bytes>> names;
        std::string named;
    };
    const Case cases[] = {
        {"a file outside the folder", {{profile, evil}}, profile.string()},
        {"the game's own file, then another", {{g.exePath(), Bytes{1, 2}}, {profile, evil}}, profile.string()},
        {"another file in the game folder", {{g.folder() / "notes.txt", Bytes{9}}}, (g.folder() / "notes.txt").string()},
        {"the game's file by another path", {{g.folder() / "." / "GP4.exe", Bytes{1, 2}}},
         (g.folder() / "." / "GP4.exe").string()},
        {"the game's file twice", {{g.exePath(), Bytes{1, 2}}, {g.exePath(), Bytes{1, 2}}}, g.exePath().string()},
    };
    writeBytes(g.folder() / "notes.txt", Bytes{7});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        plantJournal(g.folder(), c.names);
        NextStart next(g.folder());
        EXPECT_TRUE(next.started);
        EXPECT_EQ(next.message(), "varnisk.journal names " + fileNameOf(c.named) +
                                      ", which is not one of this game's files, so it was not applied: Varnisk puts back "
                                      "only the game's own files. It was kept as varnisk.journal.not-applied. If the game "
                                      "misbehaves, 'restore' puts its files back as they were before Varnisk's first export.");
        EXPECT_EQ(readBytes(profile), (Bytes{'e', 'c', 'h', 'o', ' ', 'h', 'i', '\n'}));
        EXPECT_EQ(readBytes(g.folder() / "notes.txt"), Bytes{7});
        EXPECT_TRUE(g.files() == before);
        EXPECT_FALSE(fs::exists(g.folder() / "varnisk.journal"));
        EXPECT_TRUE(fs::exists(g.folder() / "varnisk.journal.not-applied"));
    }
}

// A journal that is a link is no journal of Varnisk's: nothing it leads to
// is read or applied.
TEST(PlantedJournal, AJournalThatIsALinkIsSetAside) {
    TestGame g;
    ASSERT_TRUE(g.importAll());
    g.edit("LMDEdit3", "100");
    // A genuine journal of this game, kept elsewhere and linked in.
    TempFolder elsewhere;
    Journal j;
    j.operation = "Export All";
    const Bytes exe = g.exe();
    j.files.push_back({g.exePath().string(), exe.size(), {{10, Bytes{0x55}, Bytes{exe[10]}}}});
    writeBytes(elsewhere.path / "j", encodeJournal(j));
    fs::create_symlink(elsewhere.path / "j", g.folder() / "varnisk.journal");
    NextStart next(g.folder());
    EXPECT_EQ(next.message().rfind("varnisk.journal, the record of a change to the game files that was cut off, is damaged", 0), 0u)
        << next.message();
    EXPECT_EQ(g.exe(), exe);
    EXPECT_TRUE(fs::is_symlink(g.folder() / "varnisk.journal.not-applied"));
}

// What somebody may plant where a temporary file goes.
enum class Plant { Dangling, ToAFile, ToAPipe, AFile };

void plant(Plant kind, const fs::path& at, const fs::path& elsewhere) {
    switch (kind) {
    case Plant::Dangling:
        fs::create_symlink(elsewhere / "nothing-here", at);
        break;
    case Plant::ToAFile:
        writeBytes(elsewhere / "target", Bytes{1, 2, 3});
        fs::create_symlink(elsewhere / "target", at);
        break;
    case Plant::ToAPipe:
        ASSERT_EQ(::mkfifo((elsewhere / "pipe").c_str(), 0600), 0);
        fs::create_symlink(elsewhere / "pipe", at);
        break;
    case Plant::AFile:
        writeBytes(at, Bytes{4, 5});
        break;
    }
}

// Whatever was planted is as it was: the link still a link, its target
// untouched, nothing created where it pointed.
void expectUntouched(Plant kind, const fs::path& at, const fs::path& elsewhere) {
    switch (kind) {
    case Plant::Dangling:
        EXPECT_TRUE(fs::is_symlink(at));
        EXPECT_FALSE(fs::exists(elsewhere / "nothing-here"));
        break;
    case Plant::ToAFile:
        EXPECT_TRUE(fs::is_symlink(at));
        EXPECT_EQ(readBytes(elsewhere / "target"), (Bytes{1, 2, 3}));
        break;
    case Plant::ToAPipe:
        EXPECT_TRUE(fs::is_symlink(at));
        EXPECT_TRUE(fs::is_fifo(elsewhere / "pipe"));
        break;
    case Plant::AFile:
        EXPECT_EQ(readBytes(at), (Bytes{4, 5}));
        break;
    }
}

// Every temporary file of an export (the backups', the journal's) meets
// something planted at the first name it tries: it is never opened, another
// name is drawn, and the export is whole. The names Varnisk once used
// ("GP4.exe.varnisk-backup.varnisk-tmp") are not used at all.
TEST(PlantedTemporaryFiles, AreNeverOpenedAndTheExportIsWhole) {
    HooksReset reset;
    for (Plant kind : {Plant::Dangling, Plant::ToAFile, Plant::ToAPipe, Plant::AFile}) {
        SCOPED_TRACE(static_cast<int>(kind));
        TestGame g;
        TempFolder elsewhere;
        const GameBytes original = g.files();
        ASSERT_TRUE(g.importAll());
        g.edit("LMDEdit3", "100");
        g.setPosition("UpDown1", 0);
        g.editTyre(1, 50, 150, -50);
        const fs::path oldName = g.folder() / "GP4.exe.varnisk-backup.varnisk-tmp";
        fs::create_symlink(elsewhere.path / "old-name-target", oldName);

        std::vector<fs::path> planted;
        int drawn = 0;
        setTemporaryNameHook([&](const std::string& path) {
            const fs::path name = path + ".varnisk-tmp-planted" + std::to_string(drawn++);
            if (planted.empty() || planted.back().string().rfind(path, 0) != 0) {
                const fs::path sub = elsewhere.path / std::to_string(planted.size());
                fs::create_directories(sub);
                plant(kind, name, sub);
                planted.push_back(name);
            }
            return name.string();
        });
        ASSERT_TRUE(g.exportAll()) << (g.ui.errors().empty() ? "" : g.ui.errors().back());
        setTemporaryNameHook({});
        // The backups of GP4.exe, f1gstate.sav and cars.wad and the journal.
        EXPECT_EQ(planted.size(), 4u);
        for (std::size_t i = 0; i < planted.size(); ++i) expectUntouched(kind, planted[i], elsewhere.path / std::to_string(i));
        EXPECT_TRUE(fs::is_symlink(oldName));
        EXPECT_FALSE(fs::exists(elsewhere.path / "old-name-target"));
        EXPECT_EQ(readBytes(g.folder() / "GP4.exe.varnisk-backup"), original.exe);
        EXPECT_EQ(readBytes(g.folder() / "f1gstate.sav.varnisk-backup"), original.sav);
        EXPECT_NE(g.exe(), original.exe);
        EXPECT_FALSE(fs::exists(g.folder() / "varnisk.journal"));
        // restore gives the original back.
        ASSERT_TRUE(g.editor.dispatch([&] { restoreGameFiles(g.editor); }));
        EXPECT_TRUE(g.files() == original);
    }
}

// A saved value set is written the same way: a link planted at the first
// temporary name is not followed.
TEST(PlantedTemporaryFiles, ReplacingAFileNeverWritesThroughALink) {
    HooksReset reset;
    TempFolder dir, elsewhere;
    const std::string path = (dir.path / "out.car").string();
    writeBytes(elsewhere.path / "victim", Bytes{1, 2, 3});
    fs::create_symlink(elsewhere.path / "victim", dir.path / "out.car.varnisk-tmp-aaaaaaaaaaaa");
    int drawn = 0;
    setTemporaryNameHook([&](const std::string& p) {
        return drawn++ == 0 ? p + ".varnisk-tmp-aaaaaaaaaaaa" : p + ".varnisk-tmp-bbbbbbbbbbbb";
    });
    replaceFile(path, Bytes{9, 9});
    EXPECT_EQ(drawn, 2);
    EXPECT_EQ(readBytes(path), (Bytes{9, 9}));
    EXPECT_EQ(readBytes(elsewhere.path / "victim"), (Bytes{1, 2, 3}));
    EXPECT_FALSE(fs::exists(dir.path / "out.car.varnisk-tmp-bbbbbbbbbbbb"));
}

// Two names drawn for one file differ, and both carry the mark.
TEST(PlantedTemporaryFiles, NamesCannotBeKnownInAdvance) {
    const std::string a = temporaryNameFor("/g/GP4.exe"), b = temporaryNameFor("/g/GP4.exe");
    EXPECT_NE(a, b);
    EXPECT_TRUE(isTemporaryNameOf(fileNameOf(a), "GP4.exe")) << a;
    EXPECT_TRUE(isTemporaryNameOf(fileNameOf(b), "GP4.exe")) << b;
    EXPECT_FALSE(isTemporaryNameOf("GP4.exe.varnisk-tmp", "GP4.exe"));
    EXPECT_FALSE(isTemporaryNameOf("GP4.exe.varnisk-tmp-ABCDEFGHIJKL", "GP4.exe"));
    EXPECT_FALSE(isTemporaryNameOf("GP4.exe.varnisk-tmp-abc", "GP4.exe"));
}

// Leftovers are Varnisk's own temporary files only: regular files with the
// mark beside the game's files. A link with the mark, or a file without it,
// stays.
TEST(PlantedTemporaryFiles, OnlyVarnisksOwnLeftoversAreRemoved) {
    TestGame g;
    TempFolder elsewhere;
    const std::vector<std::string> leftovers = {"GP4.exe.varnisk-backup.varnisk-tmp-0123456789ab",
                                                "f1gstate.sav.varnisk-tmp-abcdefghijkl",
                                                "cars.wad.varnisk-backup.varnisk-tmp-zzzzzzzzzzzz",
                                                "varnisk.journal.varnisk-tmp-000000000000"};
    for (const std::string& name : leftovers) writeBytes(g.folder() / name, Bytes{1, 2});
    const std::vector<std::string> kept = {"notes.varnisk-tmp-0123456789ab", "GP4.exe.varnisk-tmp-short",
                                           "GP4.exe.varnisk-tmp"};
    for (const std::string& name : kept) writeBytes(g.folder() / name, Bytes{3});
    writeBytes(elsewhere.path / "target", Bytes{5});
    fs::create_symlink(elsewhere.path / "target", g.folder() / "GP4.exe.varnisk-tmp-linklinklink");
    ASSERT_TRUE(g.editor.startUp());
    for (const std::string& name : leftovers) EXPECT_FALSE(fs::exists(g.folder() / name)) << name;
    for (const std::string& name : kept) EXPECT_TRUE(fs::exists(g.folder() / name)) << name;
    EXPECT_TRUE(fs::is_symlink(g.folder() / "GP4.exe.varnisk-tmp-linklinklink"));
    EXPECT_EQ(readBytes(elsewhere.path / "target"), Bytes{5});
    EXPECT_TRUE(g.ui.messages().empty());
}

// Another Varnisk holds the game's lock (this FileLock stands for it): an
// export waits, then says so and changes nothing; an import reads the files
// but leaves the other's journal alone, which only the lock's holder may
// take for one that was cut off.
TEST(SecondCopy, WaitsForTheLockAndChangesNothingWithoutIt) {
    HooksReset reset;
    TestGame g;
    ASSERT_TRUE(g.importAll());
    g.edit("LMDEdit3", "100");
    const GameBytes before = g.files();
    setGameLockWait(std::chrono::milliseconds(200));
    const std::string busy = "Another Varnisk is writing the game's files in " + g.folder().string() +
                             " (or is asking its user before it does). Varnisk changed nothing; try again when it has "
                             "finished.";
    {
        FileLock other((g.folder() / "varnisk.lock").string());
        ASSERT_TRUE(other.tryLock());
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(g.exportAll());
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
        ASSERT_FALSE(g.ui.errors().empty());
        EXPECT_EQ(g.ui.errors().back(), busy);
        EXPECT_TRUE(g.files() == before);
        EXPECT_FALSE(fs::exists(g.folder() / "GP4.exe.varnisk-backup"));

        EXPECT_FALSE(g.editor.dispatch([&] { restoreGameFiles(g.editor); }));
        EXPECT_EQ(g.ui.errors().back(), busy);

        // The other's export is under way: its journal is there.
        plantJournal(g.folder(), {{g.exePath(), Bytes{0x11}}});
        NextStart next(g.folder());
        EXPECT_TRUE(next.started);
        EXPECT_EQ(next.message().find("Another Varnisk is writing"), 0u) << next.message();
        EXPECT_TRUE(fs::exists(g.folder() / "varnisk.journal"));
        EXPECT_TRUE(g.files() == before);
    }
    // Once it lets go, the export goes through (after putting back the
    // journal left, which here stands for a cut-off export).
    ASSERT_TRUE(g.exportAll());
    EXPECT_FALSE(fs::exists(g.folder() / "varnisk.journal"));
    EXPECT_EQ(readBytes(g.folder() / "GP4.exe.varnisk-backup")[0], 0x11);
}

// A lock file somebody replaced by a link or a pipe is never opened; the
// export says what is wrong and changes nothing.
TEST(SecondCopy, ALockFileThatIsNoFileStopsTheExport) {
    TestGame g;
    TempFolder elsewhere;
    ASSERT_TRUE(g.importAll());
    g.edit("LMDEdit3", "100");
    const GameBytes before = g.files();
    fs::remove(g.folder() / "varnisk.lock");
    fs::create_symlink(elsewhere.path / "lock-target", g.folder() / "varnisk.lock");
    EXPECT_FALSE(g.exportAll());
    EXPECT_EQ(g.ui.errors().back(),
              "varnisk.lock in the game folder cannot be used: Not a regular file. Varnisk changed nothing; remove it if "
              "it is not a plain file of Varnisk's.");
    EXPECT_FALSE(fs::exists(elsewhere.path / "lock-target"));
    EXPECT_TRUE(g.files() == before);
    fs::remove(g.folder() / "varnisk.lock");
    ASSERT_EQ(::mkfifo((g.folder() / "varnisk.lock").c_str(), 0600), 0);
    EXPECT_FALSE(g.exportAll());
    EXPECT_TRUE(g.files() == before);
}

// The values one of the two writers exports, by round: a camera's X and a
// team's brand, so that GP4.exe and f1gstate.sav both change.
struct Values {
    int cameraX;
    int brand;
};

// Exports `rounds` times from a child process, alternating two sets of
// values of its own; exits 0 when every export said it was done.
pid_t exporter(const fs::path& folder, int rounds, Values a, Values b) {
    const pid_t child = ::fork();
    if (child != 0) return child;
    setGameLockWait(std::chrono::milliseconds(20000));
    int failures = 0;
    {
        NextStart run(folder);
        for (int r = 0; r < rounds; ++r) {
            const Values v = r % 2 == 0 ? a : b;
            run.editor.dispatch([&] { run.editor.main.userEdit(run.editor.main.get("LMDEdit3"), std::to_string(v.cameraX)); });
            run.editor.main.setPosition(run.editor.main.get("UpDown1"), v.brand);
            const bool ok = run.editor.dispatch([&] { run.editor.main.userClick(run.editor.main.get("ExportButton")); });
            const std::string& status = run.editor.main.get("Status").caption;
            if (!ok || (status.rfind("Exported ", 0) != 0 && status != "Nothing to export")) ++failures;
        }
    }
    ::_exit(failures == 0 ? 0 : 1);
}

// Starts Varnisk on the game again and again from a child process; exits 0
// when none of the starts found a journal to put back (every export beside
// it finishes, so a journal it rolled back would be one still being written).
pid_t importer(const fs::path& folder, int rounds) {
    const pid_t child = ::fork();
    if (child != 0) return child;
    setGameLockWait(std::chrono::milliseconds(20000));
    int rolledBack = 0;
    for (int r = 0; r < rounds; ++r) {
        NextStart run(folder);
        for (const std::string& m : run.ui.messages()) rolledBack += m.find("cut off") != std::string::npos;
    }
    ::_exit(rolledBack == 0 ? 0 : 1);
}

int exitCode(pid_t child) {
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Two Varnisks export different values into one game at the same time while
// a third starts on it over and over. Every export holds the lock: the
// backups are the original files, the files hold one whole export's values
// with a valid checksum, and the starts never roll back a live export.
TEST(SecondCopy, TwoExportersAndAnImporterNeverMixOrLoseTheOriginal) {
    // VARNISK_LOCK_ROUNDS asks for a longer run than ./test makes.
    const char* asked = std::getenv("VARNISK_LOCK_ROUNDS");
    const int kRounds = asked ? std::max(1, std::atoi(asked)) : 40;
    for (int attempt = 0; attempt < 3; ++attempt) {
        SCOPED_TRACE(attempt);
        TestGame g;
        const GameBytes original = g.files();
        const pid_t one = exporter(g.folder(), kRounds, {101, 0}, {102, 1});
        const pid_t two = exporter(g.folder(), kRounds, {201, 1}, {202, 0});
        const pid_t three = importer(g.folder(), kRounds);
        EXPECT_EQ(exitCode(one), 0);
        EXPECT_EQ(exitCode(two), 0);
        EXPECT_EQ(exitCode(three), 0);
        EXPECT_EQ(readBytes(g.folder() / "GP4.exe.varnisk-backup"), original.exe);
        EXPECT_EQ(readBytes(g.folder() / "f1gstate.sav.varnisk-backup"), original.sav);
        EXPECT_FALSE(fs::exists(g.folder() / "varnisk.journal"));
        const Bytes sav = g.sav();
        EXPECT_EQ(u32At(sav, sav.size() - 4), gg::savedStateChecksum(sav));
        // The last export's values, camera and brand together.
        NextStart last(g.folder());
        const std::string x = last.editor.main.get("LMDEdit3").text;
        const int brand = last.editor.main.get("UpDown1").position;
        EXPECT_TRUE((x == "102" && brand == 1) || (x == "202" && brand == 0)) << x << " " << brand;
        ASSERT_TRUE(last.editor.dispatch([&] { restoreGameFiles(last.editor); }));
        EXPECT_TRUE(g.files() == original);
    }
}

// Bytes of memory the process has used at most, from the system.
long peakKilobytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Runs the operation in a child process and gives its peak memory growth in
// MB (the parent's memory is the child's start) and its time.
struct Cost {
    double megabytes = 0, seconds = 0;
    int exit = -1;
};
Cost costOf(const std::function<int()>& operation) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        const long base = peakKilobytes();
        const int code = operation();
        const long grown = peakKilobytes() - base;
        ::_exit(code == 0 ? static_cast<int>(std::min<long>(grown / 1024, 250)) + 1 : 0);
    }
    const int code = exitCode(child);
    Cost c;
    c.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    c.exit = code;
    c.megabytes = code > 0 ? code - 1 : -1;
    return c;
}

// Sparse files far larger than the game's own: each is refused by its size,
// before it is read, naming the file; an export, a restore and a start take
// little memory and time.
TEST(GiantFiles, AreRefusedBeforeTheyAreRead) {
    struct Case {
        const char* what;
        std::function<void(TestGame&)> grow;
        std::function<bool(TestGame&)> run;
        std::string error;
    };
    const std::uint64_t giant = std::uint64_t{1536} << 20;
    auto sparse = [&](const fs::path& p) { fs::resize_file(p, giant); };
    const Case cases[] = {
        {"a saved state of 1.5 GB, exported",
         [&](TestGame& g) { sparse(g.savPath()); },
         [](TestGame& g) { return g.exportAll(); },
         "f1gstate.sav is 1,536 MB, far larger than the game's saved state can be: it is not the game's file."},
        {"an executable of 1.5 GB, exported",
         [&](TestGame& g) { sparse(g.exePath()); },
         [](TestGame& g) { return g.exportAll(); },
         "GP4.exe is 1,536 MB, far larger than the game's executable can be: it is not the game's file."},
        {"an executable of 1.5 GB, imported",
         [&](TestGame& g) { sparse(g.exePath()); },
         [](TestGame& g) { return g.importAll(); },
         "GP4.exe is 1,536 MB, far larger than the game's executable can be: it is not the game's file."},
        {"a backup of 1.5 GB, restored",
         [&](TestGame& g) {
             ASSERT_TRUE(g.exportAll());
             sparse(g.folder() / "GP4.exe.varnisk-backup");
         },
         [](TestGame& g) { return g.editor.dispatch([&] { restoreGameFiles(g.editor); }); },
         "GP4.exe.varnisk-backup is not the size of GP4.exe: it is damaged, or GP4.exe is no longer the file it was "
         "made of. Nothing was restored."},
        {"a backup of 1.5 GB of a missing file, restored",
         [&](TestGame& g) {
             ASSERT_TRUE(g.exportAll());
             sparse(g.folder() / "f1gstate.sav.varnisk-backup");
             fs::remove(g.savPath());
         },
         [](TestGame& g) { return g.editor.dispatch([&] { restoreGameFiles(g.editor); }); },
         "f1gstate.sav.varnisk-backup is 1,536 MB, far larger than f1gstate.sav can be: it is damaged. Nothing was "
         "restored."},
        {"an archive backup of 1.5 GB, restored",
         [&](TestGame& g) {
             ASSERT_TRUE(g.exportAll());
             sparse(g.folder() / "cars.wad.varnisk-backup");
         },
         [](TestGame& g) { return g.editor.dispatch([&] { restoreGameFiles(g.editor); }); },
         "cars.wad.varnisk-backup is damaged. Nothing was restored."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestGame g;
        ASSERT_TRUE(g.importAll());
        g.edit("LMDEdit3", "100");
        g.setPosition("UpDown1", 0);
        g.editTyre(1, 50, 150, -50);
        c.grow(g);
        if (::testing::Test::HasFatalFailure()) return;
        g.edit("LMDEdit3", "120");
        g.setPosition("UpDown1", 1);
        const Cost cost = costOf([&] {
            const bool ok = c.run(g);
            const std::string error = g.ui.errors().empty() ? "" : g.ui.errors().back();
            if (ok || error != c.error) {
                std::fprintf(stderr, "%s: %s\n", ok ? "succeeded" : "failed", error.c_str());
                return 1;
            }
            return 0;
        });
        EXPECT_GT(cost.exit, 0) << "the operation did not fail as expected";
        EXPECT_LT(cost.megabytes, 100) << "peak memory grew by " << cost.megabytes << " MB";
        EXPECT_LT(cost.seconds, 5.0);
    }
}

// A journal of millions of empty ranges (as a crafted one could be) is
// refused as damaged at once; a transaction with more changes than a
// journal may hold writes them in fewer, wider ranges that still put
// every byte back.
TEST(GiantFiles, AJournalHasLimitsOfItsOwn) {
    Journal j;
    j.operation = "Export All";
    j.files.push_back({"/g/GP4.exe", 1000, {}});
    for (int i = 0; i < 3; ++i) j.files[0].ranges.push_back({static_cast<std::uint64_t>(i), {1}, {2}});
    EXPECT_TRUE(decodeJournal(encodeJournal(j)));
    Journal empty = j;
    empty.files[0].ranges[1] = {5, {}, {}};
    EXPECT_FALSE(decodeJournal(encodeJournal(empty)));
    Journal many = j;
    many.files[0].size = 1u << 20;
    many.files[0].ranges.assign(kMaxJournalRanges + 1, {0, {1}, {2}});
    EXPECT_FALSE(decodeJournal(encodeJournal(many)));
    Journal files = j;
    files.files.assign(kMaxJournalFiles + 1, j.files[0]);
    EXPECT_FALSE(decodeJournal(encodeJournal(files)));

    TempFolder dir;
    const fs::path path = dir.path / "f.bin";
    const std::size_t size = 4 * kMaxJournalRanges * 4;
    Bytes original(size);
    for (std::size_t i = 0; i < size; ++i) original[i] = static_cast<std::uint8_t>(i * 7);
    writeBytes(path, original);
    std::vector<Patch> changes;  // a byte in every four: a range each, four times too many
    for (std::size_t i = 0; i < size; i += 4) changes.push_back({i, {static_cast<std::uint8_t>(~original[i])}});
    {
        ByteFile file(path.string());
        FileTransaction change((dir.path / "varnisk.journal").string(), "Export All");
        change.add(file, changes);
        setFileStepHook([](FileStep step, const std::string& p) {
            return step == FileStep::Remove && fileNameOf(p) == "varnisk.journal" ? StepFault::Fail : StepFault::None;
        });
        EXPECT_THROW(change.commit(), FileError);  // fails at its end: the journal stays
        setFileStepHook({});
    }
    // The files went back on failure; the journal, read back, is whole and
    // within the limits.
    const std::optional<Journal> read = decodeJournal(readBytes(dir.path / "varnisk.journal"));
    ASSERT_TRUE(read);
    EXPECT_LE(read->files[0].ranges.size(), kMaxJournalRanges);
    EXPECT_EQ(readBytes(path), original);
}

}  // namespace
}  // namespace varnisk
