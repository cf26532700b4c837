// Export All and restore under a failing disk and a sudden stop: the file
// port's step hook fails, or ends the process at, each step of a full run in
// turn. After each, the next operation (the start-up import of a new editor)
// must find every game file as it was before, or as a clean run leaves it:
// all three files in step, the saved state's checksum valid, no journal and
// no temporary file left, and no backup lost.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "TestGame.h"
#include "base/Errors.h"
#include "files/GameFiles.h"
#include "gamedata/Backup.h"

namespace varnisk {
namespace {

using namespace testgame;

gg::GameSpec smallGame() {
    gg::GameSpec spec;
    spec.withCarShapes = false;
    return spec;
}

// Edits that change all three files: a camera and a name in GP4.exe, the
// brand of team 1 (the saved state's codes and checksum, and the brand
// string of GP4.exe), a tyre position in cars.wad.
void importAndEdit(TestGame& g) {
    ASSERT_TRUE(g.importAll());
    g.edit("LMDEdit3", "100");
    g.edit("LMDSlot2", "Another Name");
    g.setPosition("UpDown1", 0);
    g.setPosition("UpDown2", 0);
    g.editTyre(1, 50, 150, -50);
}

bool checksumValid(const Bytes& sav) {
    return sav.size() >= 5 && gg::savedStateChecksum(sav) == u32At(sav, sav.size() - 4);
}

const char* const kBackups[] = {"GP4.exe.varnisk-backup", "f1gstate.sav.varnisk-backup", "cars.wad.varnisk-backup"};

// The names in the folder that are neither a game file, a backup nor the
// (empty) lock file.
std::vector<std::string> strayFiles(const fs::path& folder) {
    std::vector<std::string> stray;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        bool known = name == "GP4.exe" || name == "f1gstate.sav" || name == "cars.wad" ||
                     (name == "varnisk.lock" && fs::file_size(entry.path()) == 0);
        for (const char* b : kBackups) known = known || name == b;
        if (!known) stray.push_back(name);
    }
    return stray;
}

// Counts the steps of an operation, failing or stopping at one of them.
struct StepPlan {
    StepFault fault = StepFault::None;
    int at = -1;  // 0-based
    int seen = 0;
};

void installHook(StepPlan& plan) {
    setFileStepHook([&plan](FileStep, const std::string&) {
        return plan.seen++ == plan.at ? plan.fault : StepFault::None;
    });
}

struct HookReset {
    ~HookReset() { setFileStepHook({}); }
};

// Runs the operation in a child process that the hook stops at step `at`;
// returns the child's exit code.
int runStopped(const std::function<void()>& operation, int at) {
    const pid_t child = ::fork();
    if (child == 0) {
        StepPlan plan{StepFault::Stop, at};
        installHook(plan);
        operation();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The next operation on the game files: a new editor starting up.
struct NextStart {
    explicit NextStart(const fs::path& folder) : registry(folder.string()), editor(ui, registry, {folder.string()}) {
        started = editor.startUp();
    }
    ScriptedUi ui;
    MemoryRegistry registry;
    Editor editor;
    bool started = false;
};

class FaultInjection : public ::testing::Test {
protected:
    // The files before the operation and after a clean run of it, and its
    // number of steps.
    GameBytes before, clean;
    int steps = 0;

    void measure(const std::function<void(TestGame&)>& prepare, const std::function<void(TestGame&)>& operation) {
        TestGame g(smallGame());
        prepare(g);
        before = g.files();
        StepPlan counting;
        HookReset reset;
        installHook(counting);
        operation(g);
        setFileStepHook({});
        steps = counting.seen;
        clean = g.files();
        ASSERT_TRUE(g.ui.errors().empty()) << g.ui.errors().front();
        ASSERT_FALSE(clean.exe == before.exe);
        ASSERT_FALSE(clean.sav == before.sav);
        ASSERT_FALSE(clean.wad == before.wad);
        ASSERT_GT(steps, 10);
    }

    // After the next start-up: the files are as before or as after a clean
    // run, in step, and nothing of Varnisk's is left over but backups.
    void expectWholeState(const fs::path& folder, const NextStart& next) {
        ASSERT_TRUE(next.started) << (next.ui.errors().empty() ? "" : next.ui.errors().front());
        const GameBytes now{readBytes(folder / "GP4.exe"), readBytes(folder / "f1gstate.sav"), readBytes(folder / "cars.wad")};
        EXPECT_TRUE(now == before || now == clean) << "GP4.exe " << (now.exe == before.exe ? "before" : now.exe == clean.exe ? "clean" : "other")
                                                   << ", f1gstate.sav " << (now.sav == before.sav ? "before" : now.sav == clean.sav ? "clean" : "other")
                                                   << ", cars.wad " << (now.wad == before.wad ? "before" : now.wad == clean.wad ? "clean" : "other");
        EXPECT_TRUE(checksumValid(now.sav));
        EXPECT_EQ(strayFiles(folder), std::vector<std::string>{});
    }

    // The full backups that exist hold the files as they were before.
    void expectBackupsWhole(const fs::path& folder) {
        if (fs::exists(folder / kBackups[0])) {
            EXPECT_TRUE(readBytes(folder / kBackups[0]) == before.exe);
        }
        if (fs::exists(folder / kBackups[1])) {
            EXPECT_TRUE(readBytes(folder / kBackups[1]) == before.sav);
        }
    }
};

TEST_F(FaultInjection, AnExportFailingAtAnyStepChangesNoFile) {
    measure(importAndEdit, [](TestGame& g) { ASSERT_TRUE(g.exportAll()); });
    for (int at = 0; at < steps; ++at) {
        SCOPED_TRACE("failing step " + std::to_string(at) + " of " + std::to_string(steps));
        TestGame g(smallGame());
        importAndEdit(g);
        {
            HookReset reset;
            StepPlan plan{StepFault::Fail, at};
            installHook(plan);
            EXPECT_FALSE(g.exportAll());
        }
        ASSERT_EQ(g.ui.errors().size(), 1u);
        EXPECT_NE(g.ui.errors()[0].find("No game file was changed."), std::string::npos) << g.ui.errors()[0];
        EXPECT_TRUE(g.files() == before);
        expectBackupsWhole(g.folder());
        NextStart next(g.folder());
        expectWholeState(g.folder(), next);
        EXPECT_TRUE(next.ui.messages().empty());
        // A second try, with a sound disk, makes the clean export.
        importAndEdit(g);
        ASSERT_TRUE(g.exportAll());
        EXPECT_TRUE(g.files() == clean);
    }
}

TEST_F(FaultInjection, AnExportStoppedAtAnyStepIsUndoneByTheNextStart) {
    measure(importAndEdit, [](TestGame& g) { ASSERT_TRUE(g.exportAll()); });
    int rolledBack = 0;
    for (int at = 0; at < steps; ++at) {
        SCOPED_TRACE("stopped at step " + std::to_string(at) + " of " + std::to_string(steps));
        TestGame g(smallGame());
        importAndEdit(g);
        ASSERT_EQ(runStopped([&] { g.exportAll(); }, at), kStoppedByHook);
        NextStart next(g.folder());
        expectWholeState(g.folder(), next);
        if (!next.ui.messages().empty()) {
            ++rolledBack;
            EXPECT_NE(next.ui.messages()[0].find("The last Export All was cut off"), std::string::npos)
                << next.ui.messages()[0];
        }
        expectBackupsWhole(g.folder());
    }
    // The stops between the journal and its removal were rolled back.
    EXPECT_GT(rolledBack, 5);
}

// restore after a clean export: fails or stops at every step.
class RestoreFaults : public FaultInjection {
protected:
    static void exported(TestGame& g) {
        importAndEdit(g);
        ASSERT_TRUE(g.exportAll());
    }
    static void restore(TestGame& g) { g.editor.dispatch([&] { restoreGameFiles(g.editor); }); }

    // The files are the exported ones with every backup whole, or the
    // original ones.
    void expectRestoredOrNot(const fs::path& folder) {
        const GameBytes now{readBytes(folder / "GP4.exe"), readBytes(folder / "f1gstate.sav"), readBytes(folder / "cars.wad")};
        if (now == before) {
            for (const char* b : kBackups) EXPECT_TRUE(fs::exists(folder / b)) << b << " was lost";
        } else {
            EXPECT_TRUE(now == clean) << "neither exported nor restored";
        }
    }
};

TEST_F(RestoreFaults, ARestoreFailingOrStoppedAtAnyStepRestoresAllOrNothing) {
    // Here `before` is the exported state and `clean` the restored one.
    measure(exported, restore);
    for (int at = 0; at < steps; ++at) {
        for (StepFault fault : {StepFault::Fail, StepFault::Stop}) {
            SCOPED_TRACE(std::string(fault == StepFault::Fail ? "failing" : "stopped at") + " step " + std::to_string(at) +
                         " of " + std::to_string(steps));
            TestGame g(smallGame());
            exported(g);
            if (fault == StepFault::Fail) {
                HookReset reset;
                StepPlan plan{StepFault::Fail, at};
                installHook(plan);
                restore(g);
                ASSERT_EQ(g.ui.errors().size(), 1u);
            } else {
                ASSERT_EQ(runStopped([&] { restore(g); }, at), kStoppedByHook);
            }
            NextStart next(g.folder());
            expectWholeState(g.folder(), next);
            expectRestoredOrNot(g.folder());
            // What is left to restore still restores.
            ASSERT_TRUE(next.editor.dispatch([&] { restoreGameFiles(next.editor); }));
            EXPECT_TRUE(g.files() == clean);
        }
    }
}

}  // namespace
}  // namespace varnisk
