#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <streambuf>

#include "cli/Cli.h"
#include "cli/Dump.h"

using namespace varnisk::cli;

namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun runCli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    int status = run(args, out, err);
    return {status, out.str(), err.str()};
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(Cli, AFreshSheetDumpsEveryControlOfEveryWindow) {
    CliRun r = runCli({"dump"});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.err, "");
    for (const char* part : {"\"status\": \"\"", "\"messages\": []", "\"errors\": []",
                             "\"LMDEdit12\": {\"kind\": \"edit\", \"text\": \"0\", \"enabled\": true}",
                             "\"LMDEdit103\": {\"kind\": \"edit\", \"text\": \"T-Cam Tab\", \"enabled\": false}",
                             "\"PanelAC3\": {\"kind\": \"colour\", \"colour\": 2147483663, \"enabled\": true}",
                             "\"UpDown2\": {\"kind\": \"updown\", \"position\": 0, \"min\": 0, \"max\": 2}",
                             "\"PanelTT22\": {\"kind\": \"caption\", \"caption\": \"Bridgestone\", \"enabled\": true}",
                             "\"LMDPath\": {\"kind\": \"button\", \"caption\": \"Manual GP4 Path\", \"enabled\": true, \"hint\": \"\"}",
                             "\"LMDTeam1\": {\"kind\": \"choice\", \"index\": -1, \"items\": [\"Team 1\"",
                             "\"TForm2.Button1\": {\"kind\": \"button\", \"caption\": \"OK\"",
                             "\"SheetReady\": 0", "\"CurrentCamField\": 105", "\"GameFound\": false",
                             "\"DragStartValues\": [0, 0, 0, 0, 0]", "\"DragStartFloat\": 0.0", "\"nameMask\": 0"}) {
        EXPECT_TRUE(contains(r.out, part)) << part;
    }
}

TEST(Cli, TypingPastingAndChoosingChangeTheSheet) {
    CliRun r = runCli({"type", "LMDEdit12", "40", "paste", "LMDSlot2", "ab cd", "choose", "LMDTeam1", "3",
                    "arrow", "UpDown2", "up", "arrow", "UpDown2", "up", "arrow", "UpDown2", "up", "resize", "1000", "700", "dump"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    for (const char* part : {"\"LMDEdit12\": {\"kind\": \"edit\", \"text\": \"40\"",
                             "\"LMDSlot2\": {\"kind\": \"edit\", \"text\": \"ab cd\"",
                             "\"LMDTeam1\": {\"kind\": \"choice\", \"index\": 3,",
                             "\"UpDown2\": {\"kind\": \"updown\", \"position\": 2,",
                             "\"GLView\": {\"kind\": \"view\", \"width\": 707, \"height\": 530}"}) {
        EXPECT_TRUE(contains(r.out, part)) << part;
    }
}

TEST(Cli, NamesOutsideTheCodePageAreKeptAsItsCharacters) {
    CliRun r = runCli({"paste", "LMDSlot0", "R\u00e9gis \u4e2d", "dump"});
    EXPECT_TRUE(contains(r.out, "\"LMDSlot0\": {\"kind\": \"edit\", \"text\": \"R\u00e9gis ?\"")) << r.out;
}

TEST(Cli, UsageErrorsAreReportedBeforeAnythingRuns) {
    struct Case { std::vector<std::string> args; const char* says; };
    for (const Case& c : {Case{{"click", "LMDEdit1", "frobnicate"}, "unknown command 'frobnicate'"},
                          Case{{"dump", "click", "NoSuchControl"}, "unknown control 'NoSuchControl'"},
                          Case{{"type", "UpDown2", "5"}, "UpDown2 is not a field"},
                          Case{{"choose", "LMDTeam1", "11"}, "LMDTeam1 has no item 11"},
                          Case{{"press", "LMDEdit12", "up", "1", "2"}, "left, right or middle"},
                          Case{{"move", "1", "x"}, "Y must be a whole number"},
                          Case{{"answer", "maybe"}, "answer takes open, save, colour or cancel"},
                          Case{{"--frob"}, "unknown option '--frob'"},
                          Case{{"--script", "/nonexistent/script.txt"}, "cannot read the script"}}) {
        CliRun r = runCli(c.args);
        EXPECT_EQ(r.status, kExitUsage) << c.says;
        EXPECT_TRUE(contains(r.err, c.says)) << r.err;
        EXPECT_EQ(r.out, "") << c.says;  // the leading dump did not run
    }
}

// Places are counted over every word written after the program's name,
// options included, and counts read as a person would write them.
TEST(Cli, ArgumentErrorsCountTheWordsAsWritten) {
    struct Case { std::vector<std::string> args; const char* line; };
    for (const Case& c : {
             Case{{"--game-dir", "/x", "paste", "LMDSlot2"}, "usage error: argument 3: 'paste' needs 2 arguments, 1 given"},
             Case{{"dump", "click"}, "usage error: argument 2: 'click' needs 1 argument, 0 given"},
             Case{{"--start-dir", "/tmp", "import", "frob"}, "usage error: argument 4: unknown command 'frob'"},
             Case{{"--game-dir", "/x", "import", "click", "Nope"}, "usage error: argument 4: unknown control 'Nope'"},
         }) {
        CliRun r = runCli(c.args);
        EXPECT_EQ(r.status, kExitUsage) << c.line;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')), c.line) << r.err;
    }
}

TEST(Cli, UndoAndRedoTakeStepsBackAndTheDumpListsThem) {
    CliRun r = runCli({"type", "LMDEdit12", "40", "type", "LMDEdit12", "41", "paste", "LMDSlot2", "ab", "undo", "dump",
                       "undo", "redo", "redo", "redo", "dump"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    const std::size_t second = r.out.find("{\"status\"", 1);
    ASSERT_NE(second, std::string::npos);
    const std::string first = r.out.substr(0, second), last = r.out.substr(second);
    // Both typings into one field are one step.
    for (const char* part : {"\"status\": \"Undone: Name of Team 3\"", "\"LMDSlot2\": {\"kind\": \"edit\", \"text\": \"\"",
                             "\"LMDEdit12\": {\"kind\": \"edit\", \"text\": \"41\"",
                             "\"history\": {\"undo\": [\"Camera 1 \xC2\xB7 Y\"], \"redo\": [\"Name of Team 3\"]}"}) {
        EXPECT_TRUE(contains(first, part)) << part << "\n" << first;
    }
    for (const char* part : {"\"status\": \"Nothing to redo\"", "\"LMDSlot2\": {\"kind\": \"edit\", \"text\": \"ab\"",
                             "\"history\": {\"undo\": [\"Camera 1 \xC2\xB7 Y\", \"Name of Team 3\"], \"redo\": []}"}) {
        EXPECT_TRUE(contains(last, part)) << part << "\n" << last;
    }
    EXPECT_EQ(runCli({"undo", "1"}).status, kExitUsage);
}

TEST(Cli, HelpVersionAndARunWithoutCommands) {
    const CliRun help = runCli({"--help"});
    EXPECT_EQ(help.status, kExitOk);
    EXPECT_EQ(help.out.rfind("usage: varnisk-cli [--game-dir DIR]", 0), 0u) << help.out;
    EXPECT_TRUE(contains(help.out, "render FILE"));
    // Written from the table of commands: every command, in these lines.
    EXPECT_EQ(help.out,
              "usage: varnisk-cli [--game-dir DIR] [--start-dir DIR] [--script FILE] [COMMAND ...]\n"
              "       varnisk-cli --help | --version\n"
              "--script - reads the commands from standard input and runs each line as soon as it arrives.\n"
              "commands: import, export, click NAME, double-click NAME, type NAME TEXT, paste NAME TEXT,\n"
              "  press NAME left|right|middle X Y, move X Y, release X Y, arrow NAME up|down,\n"
              "  choose NAME INDEX, resize W H, answer open PATH, answer save PATH INDEX,\n"
              "  answer colour VALUE, answer cancel, load FILE, save-car FILE, save-cam FILE, dump [FILE],\n"
              "  view (opens the preview now, so that a camera chosen next is the one rendered),\n"
              "  render FILE (draws one frame of the preview into a PNG image),\n"
              "  restore (puts the game files back as they were before the first export),\n"
              "  undo, redo (take back the last edit, apply again the last one taken back),\n"
                  "  changes [FILE] (the values Export All would write, and those changed on disk, as JSON)\n");
    const CliRun version = runCli({"--version"});
    EXPECT_EQ(version.status, kExitOk);
    EXPECT_EQ(version.out, "varnisk-cli 6.6\n");
    // Nothing to do is a mistake, not a silent success.
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, std::vector<std::string>{"--game-dir", "/x"}}) {
        const CliRun none = runCli(args);
        EXPECT_EQ(none.status, kExitUsage);
        EXPECT_EQ(none.out, "");
        EXPECT_EQ(none.err.rfind("usage: varnisk-cli", 0), 0u) << none.err;
    }
}

TEST(Cli, DataSetCommandsAnswerTheDialogsAndReportWhatFails) {
    auto dir = std::filesystem::temp_directory_path() / "varnisk-cli-datasets";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string cam = (dir / "x.cam").string();
    // Before an import the detail fields are empty: the save stops before its
    // dialog, naming the first and saying what fills them, and its answer is not left for the next dialog. A name of no
    // known kind and a missing file are reported, each naming the file.
    CliRun r = runCli({"save-cam", cam, "load", (dir / "x.txt").string(), "load", (dir / "missing.car").string(),
                       "dump"});
    EXPECT_EQ(r.status, kExitErrors);
    EXPECT_EQ(r.err,
              "error: Cockpit \xC2\xB7 Car Details Rear: '' is not a valid integer value. Nothing was saved. Import All fills "
              "the sheet from the game first.\n"
              "error: x.txt is not a value set file: its name must end in .car, .cam or .tyr.\n"
              "error: missing.car could not be read: File not found. Nothing was loaded.\n");
    EXPECT_FALSE(std::filesystem::exists(cam));
    EXPECT_TRUE(contains(r.out, "\"TFormSave.LMDButton2\": {\"kind\": \"button\", \"caption\": \"Unselect ALL\""));
    std::filesystem::remove_all(dir);
}

TEST(Cli, ScriptsRunBeforeTheCommandLineAndDumpsGoToFiles) {
    auto dir = std::filesystem::temp_directory_path() / "varnisk-cli-test";
    std::filesystem::create_directories(dir);
    auto script = dir / "script.txt";
    auto dumpFile = dir / "state.json";
    std::ofstream(script) << "# a comment\npaste LMDSlot3 \"Blue Team\"\ndump \"" << dumpFile.string() << "\"\n";
    CliRun r = runCli({"--start-dir", dir.string(), "--script", script.string(), "paste", "LMDSlot3", "x"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    std::stringstream saved;
    saved << std::ifstream(dumpFile).rdbuf();  // closed at once: an open file cannot be removed everywhere
    EXPECT_TRUE(contains(saved.str(), "\"LMDSlot3\": {\"kind\": \"edit\", \"text\": \"Blue Team\""));

    CliRun bad = runCli({"dump", (dir / "no-such-dir" / "state.json").string()});
    EXPECT_EQ(bad.status, kExitErrors);
    EXPECT_TRUE(contains(bad.err, "error: Cannot create file")) << bad.err;
    std::filesystem::remove_all(dir);
}

// With "--script -" the lines of standard input run first, one by one, then
// the command line; a usage error on a line stops there, named by its line,
// after the lines before it ran.
TEST(Cli, AScriptFromStandardInputRunsLineByLine) {
    std::istringstream in("paste LMDSlot3 \"Blue Team\"\n\n# a comment\ndump\n");
    std::ostringstream out, err;
    EXPECT_EQ(run({"--script", "-", "paste", "LMDSlot3", "x", "dump"}, in, out, err), kExitOk) << err.str();
    const std::string text = out.str();
    const std::size_t first = text.find("\"LMDSlot3\": {\"kind\": \"edit\", \"text\": \"Blue Team\"");
    const std::size_t second = text.find("\"LMDSlot3\": {\"kind\": \"edit\", \"text\": \"x\"");
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(first, second);

    std::istringstream bad("dump\nfrobnicate\ndump\n");
    std::ostringstream out2, err2;
    EXPECT_EQ(run({"--script", "-"}, bad, out2, err2), kExitUsage);
    EXPECT_EQ(err2.str(), "usage error: -:2: unknown command 'frobnicate'\n");
    EXPECT_TRUE(contains(out2.str(), "\"status\""));
}

// Input that never ends: a device, or a stream of one endless line. Reading
// stops at a limit far above any script, with a usage error naming it.
class EndlessBuffer : public std::streambuf {
protected:
    int_type underflow() override {
        std::fill(std::begin(block_), std::end(block_), 'a');
        setg(block_, block_, block_ + sizeof block_);
        return 'a';
    }

private:
    char block_[4096];
};

TEST(Cli, AScriptWithoutEndIsRefusedAtItsLimit) {
    EndlessBuffer endless;
    std::istream in(&endless);
    std::ostringstream out, err;
    EXPECT_EQ(run({"--script", "-", "dump"}, in, out, err), kExitUsage);
    EXPECT_EQ(err.str(), "usage error: -:1: the line is longer than 64 KB, far more than any command; the script stops here\n");
    EXPECT_EQ(out.str(), "");
#ifndef _WIN32
    CliRun r = runCli({"--script", "/dev/zero", "dump"});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_TRUE(contains(r.err, "the script '/dev/zero' is larger than 16 MB, far more than any script of commands: it was not run"))
        << r.err;
    EXPECT_EQ(r.out, "");
#endif
}

// "changes" lists what Export All would write; before any import nothing is
// known of the files, so nothing is.
TEST(Cli, ChangesBeforeAnImportListNothing) {
    CliRun r = runCli({"paste", "LMDEdit3", "44", "changes"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, "{\"changes\": [],\n\"onDisk\": []}\n");
}

// A folder given with --game-dir that holds no game is named, with what is
// wrong with it.
TEST(Cli, AGameFolderWithoutTheGameIsNamed) {
    const auto dir = std::filesystem::temp_directory_path() / "varnisk-cli-no-game";
    std::filesystem::create_directories(dir);
    for (const auto& [folder, why] : {std::pair{dir, "holds no GP4.exe"}, std::pair{dir / "missing", "does not exist"}}) {
        CliRun r = runCli({"--game-dir", folder.string(), "import"});
        EXPECT_EQ(r.status, kExitTerminated);
        EXPECT_EQ(r.err, "message: Please choose your GP4 folder\nmessage: Sorry but Varnisk will now terminate.\n"
                         "hint: the folder given with --game-dir, " + folder.string() + ", " + why + "\n");
    }
    std::filesystem::remove_all(dir);
}

TEST(CliDump, FloatsGiveBackTheSameSinglePrecisionValue) {
    EXPECT_EQ(jsonFloat(0.0f), "0.0");
    EXPECT_EQ(jsonFloat(0.45f), "0.45");
    EXPECT_EQ(jsonFloat(-1.8051f), "-1.8051");
    EXPECT_EQ(jsonFloat(16777216.0f), "16777216.0");
    EXPECT_EQ(jsonString("a\"b\\c\r\n\x01"), "\"a\\\"b\\\\c\\r\\n\\u0001\"");
}
