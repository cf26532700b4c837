#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>

#include "GameGenerator.h"
#include "core/Editor.h"
#include "registry/Registry.h"
#include "registry/StoreRegistry.h"
#include "registry/WineRegistry.h"
#include "ui/ScriptedUi.h"

using namespace varnisk;
namespace fs = std::filesystem;

namespace {

const std::string kHeader = "[HKEY_LOCAL_MACHINE\\Software\\Infogrames\\Grand Prix 4\\1.00\\Install Dir]";
const std::string kWineHead = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n";
const std::string kWineKey = R"([Software\\Infogrames\\Grand Prix 4\\1.00\\Install Dir] 1700000000)";

void writeText(const fs::path& file, std::string_view text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

std::string readText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A fresh folder holding the home folder, the store and a Wine prefix; the
// environment (never the user's own folders) and the working folder point
// at it for the test's length.
struct RegistryTest : ::testing::Test {
    fs::path root;
    fs::path home;
    fs::path store;
    fs::path prefix;
    std::vector<std::pair<const char*, std::optional<std::string>>> saved;
    fs::path workingFolder;

    void SetUp() override {
        static int counter = 0;
        root = fs::temp_directory_path() /
               ("varnisk-registry-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::remove_all(root);
        home = root / "home";
        store = root / "config" / "varnisk" / "registry.ini";
        prefix = root / "wine";
        fs::create_directories(home);
        // Relative paths, if any were used, land in the test's folder.
        workingFolder = fs::current_path();
        fs::current_path(root);
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "WINEPREFIX", kRegistryFileVariable}) {
            const char* value = std::getenv(name);
            saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        setEnv("HOME", home.string());
        setEnv("XDG_CONFIG_HOME", (root / "xdg").string());
        setEnv("WINEPREFIX", prefix.string());
        setEnv(kRegistryFileVariable, store.string());
    }

    void TearDown() override {
        fs::current_path(workingFolder);
        for (const auto& [name, value] : saved) {
            if (value) ::setenv(name, value->c_str(), 1);
            else ::unsetenv(name);
        }
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    static void setEnv(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }

    // The prefix's drive C: (a link, as Wine makes it) holding "games/gp4",
    // and a system.reg with `reg` after the usual head.
    fs::path makeWineGame(const std::string& reg) {
        fs::create_directories(prefix / "drive_c" / "games" / "gp4");
        fs::create_directories(prefix / "dosdevices");
        fs::create_symlink("../drive_c", prefix / "dosdevices" / "c:");
        writeText(prefix / "system.reg", kWineHead + reg);
        return fs::canonical(prefix / "drive_c" / "games" / "gp4");
    }

    static std::optional<std::string> read() { return makeSystemRegistry()->readGameFolder(); }
    static RegistryWrite write(const std::string& folder) { return makeSystemRegistry()->writeGameFolder(folder); }
};

using Folder = std::optional<std::string>;

}  // namespace

TEST_F(RegistryTest, AWrittenFolderIsReadByTheNextInstanceAndTheStoreFolderIsCreated) {
    ASSERT_FALSE(fs::exists(store.parent_path()));
    EXPECT_EQ(read(), std::nullopt);
    ASSERT_TRUE(write("/games/gp4"));
    EXPECT_EQ(read(), Folder("/games/gp4"));
    EXPECT_EQ(readText(store), "; Varnisk's registry: a [section] per key, a Name=value line per value.\n" + kHeader +
                                   "\nDirectory=/games/gp4\n");
    // Writing again replaces the value and leaves no temporary file behind.
    ASSERT_TRUE(write("/other"));
    EXPECT_EQ(read(), Folder("/other"));
    EXPECT_EQ(std::distance(fs::directory_iterator(store.parent_path()), fs::directory_iterator()), 1);
}

TEST_F(RegistryTest, FoldersComeBackAsWritten) {
    for (std::string folder : {"", "/games/gp4", " /leading space", "/trailing space ", "\t", "\"/in quotes\"",
                               "\"", "/a=b;c#d [e]", "C:\\Games\\GP4", "/j\xC3\xBC/\xE4\xB8\xAD"}) {
        ASSERT_TRUE(write(folder)) << folder;
        EXPECT_EQ(read(), Folder(folder)) << folder;
    }
}

TEST_F(RegistryTest, AFolderWithALineBreakIsRefusedAndTheStoreKept) {
    ASSERT_TRUE(write("/games/gp4"));
    const std::string before = readText(store);
    for (std::string folder : {std::string("/a\nb"), std::string("/a\rb"), std::string("/a\0b", 4)}) {
        EXPECT_FALSE(write(folder));
        EXPECT_EQ(readText(store), before);
    }
}

TEST_F(RegistryTest, ReadsTheStoreText) {
    struct Case {
        std::string text;
        Folder folder;
    };
    const Case cases[] = {
        {"", std::nullopt},
        {"[HKEY_LOCAL_MACHINE\\Software\\Other]\nDirectory=/x\n", std::nullopt},
        {"[HKEY_LOCAL_MACHINE\\Software\\Infogrames\\Grand Prix 4\\1.00\\Install Dir\\Sub]\nDirectory=/x\n",
         std::nullopt},
        {"Directory=/outside/any/section\n", std::nullopt},
        {kHeader + "\n", ""},
        {kHeader + "\nOther=/x\n", ""},
        {kHeader + "\nDirectory=\n", ""},
        {kHeader + "\n[Other]\nDirectory=/belongs/to/other\n", ""},
        {kHeader + "\nDirectory=/games/gp4", "/games/gp4"},
        {"; note\n\n  [hkey_local_machine\\software\\infogrames\\grand prix 4\\1.00\\install dir]  \r\n"
         "# note\r\n  directory  =  /games/gp4  \r\n",
         "/games/gp4"},
        {kHeader + "\nDirectory=\"  /spaced  \"\n", "  /spaced  "},
        {kHeader + "\nDirectory=/first\nDirectory=/last\n", "/last"},
        {kHeader + "\nDirectory=/first\n[Other]\n" + kHeader + "\nDirectory=/again\n", "/again"},
        {"[unclosed\n" + kHeader + "\n[broken\nDirectory=/not/in/the/key\n", ""},
        // Not text: treated as no store at all.
        {kHeader + "\nDirectory=/games/gp4\n" + std::string("\0\1\2", 3), std::nullopt},
        {kHeader + "\nDirectory=/games/gp4\n" + std::string(2 << 20, ';'), std::nullopt},
    };
    for (const Case& c : cases) {
        writeText(store, c.text);
        EXPECT_EQ(read(), c.folder) << c.text.substr(0, 200);
    }
}

TEST_F(RegistryTest, WritingKeepsTheRestOfTheStore) {
    struct Case {
        std::string before;
        std::string after;
    };
    const Case cases[] = {
        {"; mine\n[Other]\nA=1", "; mine\n[Other]\nA=1\n\n" + kHeader + "\nDirectory=/new\n"},
        {"[Other]\nA=1\n\n", "[Other]\nA=1\n\n" + kHeader + "\nDirectory=/new\n"},
        {kHeader + "\nOther=1\n[Next]\nB=2\n", kHeader + "\nDirectory=/new\nOther=1\n[Next]\nB=2\n"},
        {"# top\n" + kHeader + "\nOther=1\n; the game\n directory = /old \nLast=2\n[Next]\nDirectory=/kept\n" + kHeader +
             "\nDirectory=/duplicate\n",
         "# top\n" + kHeader + "\nOther=1\n; the game\nDirectory=/new\nLast=2\n[Next]\nDirectory=/kept\n" + kHeader +
             "\n"},
        {"; dos\r\n" + kHeader + "\r\nDirectory=/old\r\n", "; dos\r\n" + kHeader + "\r\nDirectory=/new\r\n"},
        // A store that is not text is replaced.
        {std::string("\0garbage", 8), "; Varnisk's registry: a [section] per key, a Name=value line per value.\n" +
                                          kHeader + "\nDirectory=/new\n"},
    };
    for (const Case& c : cases) {
        writeText(store, c.before);
        ASSERT_TRUE(write("/new"));
        EXPECT_EQ(readText(store), c.after) << c.before;
        EXPECT_EQ(read(), Folder("/new"));
    }
}

TEST_F(RegistryTest, TheStoreFileAndWinePrefixComeFromTheEnvironment) {
    struct Case {
        const char* store;
        const char* config;
        const char* prefix;
        fs::path wantStore;
        fs::path wantPrefix;
    };
    const std::string custom = (root / "custom.ini").string();
    const std::string xdg = (root / "xdg").string();
    const std::string wine = (root / "wine64").string();
    const Case cases[] = {
        {custom.c_str(), xdg.c_str(), wine.c_str(), custom, wine},
        {"", xdg.c_str(), "", root / "xdg" / "varnisk" / "registry.ini", home / ".wine"},
        {nullptr, nullptr, nullptr, home / ".config" / "varnisk" / "registry.ini", home / ".wine"},
        {nullptr, "", nullptr, home / ".config" / "varnisk" / "registry.ini", home / ".wine"},
        {nullptr, "relative/config", nullptr, home / ".config" / "varnisk" / "registry.ini", home / ".wine"},
    };
    for (const Case& c : cases) {
        const std::pair<const char*, const char*> values[] = {
            {kRegistryFileVariable, c.store}, {"XDG_CONFIG_HOME", c.config}, {"WINEPREFIX", c.prefix}};
        for (const auto& [name, value] : values) {
            if (value) ::setenv(name, value, 1);
            else ::unsetenv(name);
        }
        EXPECT_EQ(storeFileFromEnvironment().string(), c.wantStore.string());
        EXPECT_EQ(winePrefixFromEnvironment().string(), c.wantPrefix.string());
        ASSERT_TRUE(write("/games/gp4"));
        EXPECT_TRUE(fs::is_regular_file(c.wantStore)) << c.wantStore;
    }
}

TEST_F(RegistryTest, FindsAGameInstalledUnderWine) {
    const fs::path game = makeWineGame(kWineKey + "\n#time=1da0c3f1b2e4c5a\n\"Directory\"=\"C:\\\\Games\\\\GP4\"\n");
    EXPECT_EQ(read(), Folder(game.string()));

    // A choice made by hand goes to the store, which then comes first; the
    // prefix is left as it was.
    const std::string systemReg = readText(prefix / "system.reg");
    ASSERT_TRUE(write("/elsewhere"));
    EXPECT_EQ(read(), Folder("/elsewhere"));
    EXPECT_EQ(readText(prefix / "system.reg"), systemReg);
    EXPECT_EQ(std::distance(fs::directory_iterator(prefix), fs::directory_iterator()), 3);

    // A store without the key still leaves the finding to Wine; one with
    // the key but no folder does not.
    writeText(store, "[Other]\nDirectory=/x\n");
    EXPECT_EQ(read(), Folder(game.string()));
    writeText(store, kHeader + "\n");
    EXPECT_EQ(read(), Folder(""));
}

TEST_F(RegistryTest, WineRegistryFilesThatNameNoGame) {
    static const char kBinary[] = "\x7f" "ELF\2\1\1\0\0\0\0\0\0\0\0\0\3\0>\0\1\0\xff\xfe[\"\\\n[";
    struct Case {
        std::string systemReg;
        Folder folder;
    };
    const Case cases[] = {
        {kWineHead + kWineKey + "\n", ""},
        {kWineHead + kWineKey + "\n\"Directory\"=\"\"\n", ""},
        {kWineHead + kWineKey + "\n\"Directory\"=\"C:\\\\Games", ""},  // cut short
        {kWineHead + "[Software\\\\Infogrames\\\\Grand Pr", std::nullopt},
        {kWineHead + "[Software\\\\Other] 1\n\"Directory\"=\"C:\\\\Games\\\\GP4\"\n", std::nullopt},
        {kWineKey + "\n\"Directory\"=\"C:\\\\Games\\\\GP4\"\n", std::nullopt},  // no file head
        {std::string(kBinary, sizeof kBinary - 1), std::nullopt},
    };
    fs::create_directories(prefix);
    for (const Case& c : cases) {
        writeText(prefix / "system.reg", c.systemReg);
        EXPECT_EQ(read(), c.folder) << c.systemReg;
    }
    fs::remove(prefix / "system.reg");
    EXPECT_EQ(read(), std::nullopt);
    fs::create_directory(prefix / "system.reg");
    EXPECT_EQ(read(), std::nullopt);
}

TEST(RegistryWine, FindsTheValueInWinesTextFormat) {
    struct Case {
        std::string body;  // after the file head
        Folder value;
    };
    const std::string key = R"([Software\\Infogrames\\Grand Prix 4\\1.00\\Install Dir] 1700000000)";
    const std::string wow = R"([Software\\Wow6432Node\\Infogrames\\Grand Prix 4\\1.00\\Install Dir] 1700000000)";
    const Case cases[] = {
        {key + "\n\"Directory\"=\"C:\\\\Games\\\\GP4\"\n", "C:\\Games\\GP4"},
        {"[software\\\\INFOGRAMES\\\\grand prix 4\\\\1.00\\\\install dir] 1\r\n\"DIRECTORY\"=\"x\"\r\n", "x"},
        {wow + "\n\"Directory\"=\"C:\\\\GP4\"\n", "C:\\GP4"},
        {key + "\n\"Directory\"=\"\"\n" + wow + "\n\"Directory\"=\"C:\\\\GP4\"\n", "C:\\GP4"},
        {key + "\n\"Directory\"=\"C:\\\\First\"\n" + wow + "\n\"Directory\"=\"C:\\\\Second\"\n", "C:\\First"},
        {key + "\n\"Directory\"=\"C:\\\\A \\\"b\\\" \\x00e9\\x4e2d\\xd83c\\xdfc1 \\xd83c!\"\n",
         "C:\\A \"b\" \xC3\xA9\xE4\xB8\xAD\xF0\x9F\x8F\x81 \xEF\xBF\xBD!"},
        {key + "\n\"Directory\"=\"a\\tb\\101\\0\\x9\"\n", "a\tbA"},
        {key + "\n\"Directory\"=str(2):\"%ProgramFiles%\\\\GP4\"\n", "%ProgramFiles%\\GP4"},
        {key + "\n\"Directory\"=str(7):\"C:\\\\One\\0C:\\\\Two\\0\"\n", "C:\\One"},
        {key + "\n#time=1d2\n\"Bin\"=hex:01,02,\\\n  03,04\n@=\"C:\\\\Default\"\n\"Directory\"=\"C:\\\\GP4\"\n",
         "C:\\GP4"},
        {key + "\n\"Directory\"=dword:00000001\n", ""},
        {key + "\n@=\"C:\\\\Default\"\n\"Dir\\\"ectory\"=\"C:\\\\GP4\"\n", ""},
        {key + "\n[Software\\\\Other] 1\n\"Directory\"=\"C:\\\\GP4\"\n", ""},
        {"[Software\\\\Infogrames\\\\Grand Prix 4\\\\1.00\\\\Install Dir\\\\Sub] 1\n\"Directory\"=\"C:\\\\GP4\"\n",
         std::nullopt},
        {"[Software\\\\Infogrames\\\\Grand Prix 4\\\\1.00] 1\n\"Directory\"=\"C:\\\\GP4\"\n", std::nullopt},
    };
    const std::string keyPath = kGameKey;
    const std::string wowPath = "Software\\Wow6432Node\\Infogrames\\Grand Prix 4\\1.00\\Install Dir";
    const std::string_view keys[] = {keyPath, wowPath};
    for (const Case& c : cases) {
        std::istringstream in("WINE REGISTRY Version 2\n" + c.body);
        EXPECT_EQ(wine::findValue(in, keys, kGameValue), c.value) << c.body;
    }
}

TEST_F(RegistryTest, WindowsPathsMapToNativeOnesWhateverTheirLetterCase) {
    makeWineGame("");
    fs::create_directories(prefix / "drive_c" / "data");
    fs::create_directories(prefix / "drive_c" / "Data");
    const fs::path c = fs::canonical(prefix / "drive_c");
    struct Case {
        const char* windows;
        fs::path native;
    };
    const Case cases[] = {
        {"C:\\Games\\GP4", c / "games" / "gp4"},
        {"c:/GAMES/gp4/", c / "games" / "gp4"},
        {"C:\\Games\\.\\GP4", c / "games" / "gp4"},
        {"\\Games\\GP4", c / "games" / "gp4"},
        {"\\\\?\\C:\\Games\\GP4", c / "games" / "gp4"},
        {"C:\\Games\\Missing\\Deeper", c / "games" / "Missing" / "Deeper"},
        {"C:\\data", c / "data"},
        {"C:\\DATA", c / "Data"},
        {"C:", c},
        {"D:\\GP4", prefix / "dosdevices" / "d:" / "GP4"},
    };
    for (const Case& k : cases) EXPECT_EQ(wine::nativePath(prefix, k.windows), k.native.string()) << k.windows;
}

TEST_F(RegistryTest, FindsAWineGameBelowWow6432Node) {
    const fs::path game = makeWineGame(R"([Software\\Wow6432Node\\Infogrames\\Grand Prix 4\\1.00\\Install Dir] 1700000000
"Directory"="C:\\Games\\GP4"
)");
    EXPECT_EQ(read(), Folder(game.string()));
}

TEST_F(RegistryTest, AWineGameOnADriveWithoutALinkGivesTheJoinedPath) {
    makeWineGame(kWineKey + "\n\"Directory\"=\"E:\\\\GP4\"\n");
    EXPECT_EQ(read(), Folder((prefix / "dosdevices" / "e:" / "GP4").string()));
}

TEST_F(RegistryTest, AStoreThatCannotBeWrittenGivesFalse) {
    writeText(root / "plain-file", "x");
    setEnv(kRegistryFileVariable, (root / "plain-file" / "varnisk" / "registry.ini").string());
    EXPECT_FALSE(write("/games/gp4"));

    // A folder in the store's place: nothing is left beside it.
    fs::create_directories(store);
    setEnv(kRegistryFileVariable, store.string());
    EXPECT_FALSE(write("/games/gp4"));
    EXPECT_TRUE(fs::is_directory(store));
    EXPECT_EQ(std::distance(fs::directory_iterator(store.parent_path()), fs::directory_iterator()), 1);
}

TEST(RegistryDemoFallback, ReadsGiveTheDemoWhileTheRegistryNamesNoFolder) {
    for (Folder inner : {Folder(), Folder(""), Folder("/real")}) {
        auto memory = inner ? std::make_unique<MemoryRegistry>(*inner) : std::make_unique<MemoryRegistry>();
        MemoryRegistry* wrapped = memory.get();
        auto registry = withDemoFallback(std::move(memory), "/demo");
        EXPECT_EQ(registry->readGameFolder(), Folder(inner && !inner->empty() ? *inner : "/demo"));

        EXPECT_TRUE(registry->writeGameFolder("/chosen"));
        EXPECT_EQ(wrapped->readGameFolder(), Folder("/chosen"));
        EXPECT_EQ(registry->readGameFolder(), Folder("/chosen"));
    }
}

// The folder chosen holds for the run even when the store cannot keep it;
// the next start goes without it (here: back to the demo).
TEST_F(RegistryTest, ADemoFallbackPassesOnAFailedWriteAndTheChoiceHoldsForTheRun) {
    const fs::path unwritable = root / "missing" / "registry.ini";
    setEnv(kRegistryFileVariable, unwritable.string());
    writeText(root / "missing", "a file, not a folder");
    auto registry = withDemoFallback(makeSystemRegistry(), "/demo");
    EXPECT_EQ(registry->readGameFolder(), Folder("/demo"));
    const RegistryWrite written = registry->writeGameFolder("/chosen");
    EXPECT_FALSE(written);
    EXPECT_EQ(written.reason, unwritable.string() + ": its folder " + (root / "missing").string() +
                                  " cannot be made: Not a directory");
    EXPECT_EQ(registry->readGameFolder(), Folder("/chosen"));
    EXPECT_EQ(withDemoFallback(makeSystemRegistry(), "/demo")->readGameFolder(), Folder("/demo"));

    // Once the store can be written again, a write reaches it.
    setEnv(kRegistryFileVariable, store.string());
    auto next = makeSystemRegistry();
    EXPECT_FALSE(next->writeValueSetFolder("/sets\n"));
    EXPECT_EQ(next->readValueSetFolder(), Folder("/sets\n"));
    EXPECT_TRUE(next->writeValueSetFolder("/sets"));
    EXPECT_EQ(next->readValueSetFolder(), Folder("/sets"));
    EXPECT_EQ(makeSystemRegistry()->readValueSetFolder(), Folder("/sets"));
}

// --- the value set folder, the program's own setting beside the game folder ---

namespace {
const std::string kSettingsHeader = "[HKEY_CURRENT_USER\\Software\\Varnisk]";
}  // namespace

TEST_F(RegistryTest, AStoreWrittenBeforeTheValueSetFolderWasKeptStillLoadsAndGainsIt) {
    const std::string old = "; mine\n" + kHeader + "\nDirectory=/games/gp4\n";
    writeText(store, old);
    EXPECT_EQ(read(), Folder("/games/gp4"));
    EXPECT_EQ(makeSystemRegistry()->readValueSetFolder(), std::nullopt);

    ASSERT_TRUE(makeSystemRegistry()->writeValueSetFolder("/home/me/sets"));
    EXPECT_EQ(readText(store), old + "\n" + kSettingsHeader + "\nValueSetFolder=/home/me/sets\n");
    EXPECT_EQ(makeSystemRegistry()->readValueSetFolder(), Folder("/home/me/sets"));
    EXPECT_EQ(read(), Folder("/games/gp4"));

    // Each value is written without touching the other.
    ASSERT_TRUE(write("/games/other"));
    ASSERT_TRUE(makeSystemRegistry()->writeValueSetFolder(" /spaced sets "));
    EXPECT_EQ(read(), Folder("/games/other"));
    EXPECT_EQ(makeSystemRegistry()->readValueSetFolder(), Folder(" /spaced sets "));
    EXPECT_FALSE(makeSystemRegistry()->writeValueSetFolder("/a\nb"));
    EXPECT_EQ(makeSystemRegistry()->readValueSetFolder(), Folder(" /spaced sets "));
}

TEST_F(RegistryTest, TheValueSetFolderIsReadFromItsOwnSectionOnly) {
    struct Case {
        std::string text;
        Folder folder;
    };
    const Case cases[] = {
        {"", std::nullopt},
        {kHeader + "\nValueSetFolder=/in/the/game/key\n", std::nullopt},
        {kSettingsHeader + "\n", std::nullopt},
        {kSettingsHeader + "\nValueSetFolder=\n", std::nullopt},
        {kSettingsHeader + "\nDirectory=/x\n", std::nullopt},
        {kSettingsHeader + "\nvaluesetfolder = /sets \r\n", "/sets"},
        {kHeader + "\nDirectory=/g\n" + kSettingsHeader + "\nValueSetFolder=/sets\n", "/sets"},
    };
    for (const Case& c : cases) {
        writeText(store, c.text);
        EXPECT_EQ(makeSystemRegistry()->readValueSetFolder(), c.folder) << c.text;
    }
    // A game found under Wine lends no value set folder.
    makeWineGame(kWineKey + "\n\"Directory\"=\"C:\\\\games\\\\gp4\"\n");
    fs::remove(store);
    EXPECT_NE(read(), std::nullopt);
    EXPECT_EQ(makeSystemRegistry()->readValueSetFolder(), std::nullopt);
}

// The recent files sit beside the value set folder, one numbered value each;
// a write replaces all eight at once and leaves the folder be.
TEST_F(RegistryTest, TheRecentFilesAreKeptBesideTheValueSetFolder) {
    writeText(store, kSettingsHeader + "\nValueSetFolder=/sets\n");
    EXPECT_EQ(makeSystemRegistry()->readRecentFiles(), std::vector<std::string>{});
    ASSERT_TRUE(makeSystemRegistry()->writeRecentFiles({"/sets/b.car", " /sets/spaced.cam"}));
    EXPECT_EQ(makeSystemRegistry()->readRecentFiles(), (std::vector<std::string>{"/sets/b.car", " /sets/spaced.cam"}));
    EXPECT_EQ(readText(store), kSettingsHeader +
                                   "\nRecentFile1=/sets/b.car\nRecentFile2=\" /sets/spaced.cam\"\nRecentFile3=\n"
                                   "RecentFile4=\nRecentFile5=\nRecentFile6=\nRecentFile7=\nRecentFile8=\nValueSetFolder=/sets\n");

    std::vector<std::string> ten;
    for (int i = 0; i < 10; ++i) ten.push_back("/sets/" + std::to_string(i) + ".tyr");
    ASSERT_TRUE(makeSystemRegistry()->writeRecentFiles(ten));
    EXPECT_EQ(makeSystemRegistry()->readRecentFiles(), std::vector<std::string>(ten.begin(), ten.begin() + 8));
    ASSERT_TRUE(makeSystemRegistry()->writeRecentFiles({"/sets/a.car"}));
    EXPECT_EQ(makeSystemRegistry()->readRecentFiles(), std::vector<std::string>{"/sets/a.car"});
    EXPECT_EQ(makeSystemRegistry()->readValueSetFolder(), Folder("/sets"));
    // A name the store cannot keep writes none of them.
    EXPECT_FALSE(makeSystemRegistry()->writeRecentFiles({"/sets/x.car", "/a\nb.car"}));
    EXPECT_EQ(makeSystemRegistry()->readRecentFiles(), std::vector<std::string>{"/sets/a.car"});

    // Values out of order, empty or beyond the eighth are read as the
    // numbers place them.
    writeText(store, kSettingsHeader + "\nRecentFile3=/c\nRecentFile1=/a\nRecentFile2=\nRecentFile9=/i\n");
    EXPECT_EQ(makeSystemRegistry()->readRecentFiles(), (std::vector<std::string>{"/a", "/c"}));
}

// The window's place is one more value of the program's own key, read back
// as written and never taken from Wine's registry.
TEST_F(RegistryTest, TheWindowPlaceIsKeptBesideTheOtherSettings) {
    writeText(store, kSettingsHeader + "\nValueSetFolder=/sets\n");
    EXPECT_EQ(makeSystemRegistry()->readWindowPlace(), std::nullopt);
    ASSERT_TRUE(makeSystemRegistry()->writeWindowPlace("150 40 60 700 400"));
    EXPECT_EQ(makeSystemRegistry()->readWindowPlace(), std::optional<std::string>("150 40 60 700 400"));
    EXPECT_EQ(makeSystemRegistry()->readValueSetFolder(), Folder("/sets"));
    writeText(store, kSettingsHeader + "\nWindowPlace=\n");
    EXPECT_EQ(makeSystemRegistry()->readWindowPlace(), std::nullopt);
}

TEST(RegistryDemoFallback, PassesTheValueSetFolderOn) {
    auto memory = std::make_unique<MemoryRegistry>();
    MemoryRegistry* wrapped = memory.get();
    auto registry = withDemoFallback(std::move(memory), "/demo");
    EXPECT_EQ(registry->readValueSetFolder(), std::nullopt);
    EXPECT_TRUE(registry->writeValueSetFolder("/sets"));
    EXPECT_EQ(wrapped->readValueSetFolder(), Folder("/sets"));
    EXPECT_EQ(registry->readValueSetFolder(), Folder("/sets"));
}

// --- what the store's path names: only a regular file is read or replaced ---

namespace {

struct Node {
    bool exists = false;
    mode_t type = 0;
    ino_t inode = 0;
    dev_t device = 0;
    std::string link;  // a link's target
    bool operator==(const Node&) const = default;
    friend void PrintTo(const Node& n, std::ostream* out) {
        *out << (n.exists ? "type " + std::to_string(n.type) + ", inode " + std::to_string(n.inode) + ", device " +
                                std::to_string(n.device) + (n.link.empty() ? "" : ", link to " + n.link)
                          : std::string("nothing"));
    }
};

Node nodeAt(const fs::path& p) {
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0) return {};
    Node n{true, st.st_mode & S_IFMT, st.st_ino, st.st_rdev, {}};
    if (S_ISLNK(st.st_mode)) n.link = fs::read_symlink(p).string();
    return n;
}

std::size_t entries(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Runs `use` and fails when it waits on the FIFO: the FIFO is then opened
// for writing and closed, which ends the wait.
template <typename Use>
auto withoutWaiting(const fs::path& fifo, Use use) {
    auto answer = std::async(std::launch::async, use);
    if (answer.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
        ADD_FAILURE() << "waits on " << fifo;
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
    }
    return answer.get();
}

}  // namespace

TEST_F(RegistryTest, AStoreThatIsAFifoIsNeitherReadNorReplaced) {
    const fs::path fifo = root / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directories(store.parent_path());
    fs::create_symlink(fifo, store);
    fs::create_symlink("registry.ini", store.parent_path() / "twice.ini");
    const fs::path direct = root / "direct";
    fs::create_directories(direct);
    ASSERT_EQ(::mkfifo((direct / "registry.ini").c_str(), 0600), 0);
    struct Case {
        fs::path store;
        std::string reason;
    };
    const std::string linked = "links to " + fifo.string() + ", which is not a regular file but a FIFO";
    const Case cases[] = {
        {direct / "registry.ini", "not a regular file but a FIFO"},
        {store, linked},
        {store.parent_path() / "twice.ini", linked},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.store.string());
        setEnv(kRegistryFileVariable, c.store.string());
        const Node before = nodeAt(c.store);
        const std::size_t around = entries(c.store.parent_path());
        for (RegistryWrite written :
             {withoutWaiting(c.store, [] { return makeSystemRegistry()->writeGameFolder("/games/gp4"); }),
              withoutWaiting(c.store, [] { return makeSystemRegistry()->writeValueSetFolder("/sets"); })}) {
            EXPECT_FALSE(written);
            EXPECT_EQ(written.reason, c.store.string() + ": " + c.reason);
        }
        EXPECT_EQ(nodeAt(c.store), before);
        EXPECT_TRUE(fs::is_fifo(fifo));
        EXPECT_TRUE(fs::is_fifo(direct / "registry.ini"));
        EXPECT_EQ(entries(c.store.parent_path()), around);  // no temporary file left
        EXPECT_EQ(withoutWaiting(c.store, [] { return makeSystemRegistry()->readGameFolder(); }), std::nullopt);
        EXPECT_EQ(withoutWaiting(c.store, [] { return makeSystemRegistry()->readValueSetFolder(); }),
                  std::nullopt);
    }
    // The store counts as absent: a game under Wine is still found.
    const fs::path game = makeWineGame(kWineKey + "\n\"Directory\"=\"C:\\\\Games\\\\GP4\"\n");
    EXPECT_EQ(withoutWaiting(store, [] { return makeSystemRegistry()->readGameFolder(); }), Folder(game.string()));
}

// A device in the store's place, directly or through a link. The device is
// one of the test's own where the test could write into /dev (as the
// superuser), so that no fault can ever replace /dev/null itself.
TEST_F(RegistryTest, AStoreThatIsADeviceIsNeitherReadNorReplaced) {
    fs::path device = "/dev/null";
    if (::access("/dev", W_OK) == 0) {
        device = root / "null";
        if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) GTEST_SKIP() << "no device can be made";
    }
    ASSERT_TRUE(fs::is_character_file(device));
    fs::create_directories(store.parent_path());
    fs::create_symlink(device, store);
    const Node deviceBefore = nodeAt(device);
    struct Case {
        fs::path store;
        std::string reason;
    };
    const Case cases[] = {
        {device, "not a regular file but a character device"},
        {store, "links to " + device.string() + ", which is not a regular file but a character device"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.store.string());
        setEnv(kRegistryFileVariable, c.store.string());
        const Node before = nodeAt(c.store);
        const RegistryWrite written = write("/games/gp4");
        EXPECT_FALSE(written);
        EXPECT_EQ(written.reason, c.store.string() + ": " + c.reason);
        EXPECT_EQ(nodeAt(c.store), before);
        EXPECT_EQ(nodeAt(device), deviceBefore);
        EXPECT_EQ(read(), std::nullopt);
    }
    EXPECT_EQ(entries(store.parent_path()), 1u);
}

// A store that is a link to a file elsewhere stays one: the file it ends at
// is written, made when missing.
TEST_F(RegistryTest, AStoreThatLinksToAFileElsewhereStaysALink) {
    const fs::path elsewhere = root / "elsewhere";
    fs::create_directories(store.parent_path());
    struct Case {
        const char* what;
        fs::path link;       // as the store's link holds it
        fs::path target;     // the file written
        std::string before;  // its text, if it exists
        const char* second;  // a link in `elsewhere` to the target, if any
    };
    const Case cases[] = {
        {"absolute", elsewhere / "a.ini", elsewhere / "a.ini", "; mine\n", nullptr},
        {"relative", "../../elsewhere/b.ini", elsewhere / "b.ini", "; mine\n", nullptr},
        {"through a second link", "../../elsewhere/link.ini", elsewhere / "c.ini", "; mine\n", "link.ini"},
        {"to a file still missing", "../../elsewhere/new/d.ini", elsewhere / "new" / "d.ini", "", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(elsewhere);
        fs::remove(store);
        fs::create_directories(elsewhere);
        if (!c.before.empty()) writeText(c.target, c.before);
        if (c.second) fs::create_symlink(c.target.filename(), elsewhere / c.second);
        fs::create_symlink(c.link, store);

        ASSERT_TRUE(write("/games/gp4"));
        EXPECT_EQ(fs::read_symlink(store), c.link);
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(c.target)));
        EXPECT_EQ(read(), Folder("/games/gp4"));
        EXPECT_EQ(storeGameFolder(readText(c.target)), Folder("/games/gp4"));
        EXPECT_TRUE(readText(c.target).starts_with(c.before));
        if (c.second) {
            EXPECT_TRUE(fs::is_symlink(elsewhere / c.second));
        }
        EXPECT_EQ(entries(store.parent_path()), 1u);
    }
}

// --- choosing the game when the store cannot keep it ---

TEST_F(RegistryTest, AGameChosenThatTheStoreCannotKeepIsUsedForTheRun) {
    namespace gg = varnisk::gamegen;
    const fs::path first = root / "first";
    const fs::path second = root / "second";
    gg::writeGame(first, {});
    gg::GameSpec spec;
    spec.values.names[0] = "OTHER TEAM";
    gg::writeGame(second, spec);
    // Under a regular file, no folder can be made, whoever runs the test.
    writeText(root / "plain-file", "x");
    const fs::path underAFile = root / "plain-file" / "varnisk" / "registry.ini";
    const fs::path fifo = root / "fifo.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        fs::path store;
        std::string reason;
    };
    const Case cases[] = {
        {underAFile, underAFile.string() + ": its folder " + underAFile.parent_path().string() +
                         " cannot be made: Not a directory"},
        {fifo, fifo.string() + ": not a regular file but a FIFO"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.store.string());
        setEnv(kRegistryFileVariable, c.store.string());
        const std::string lost = "The GP4 folder you chose could not be kept for the next start: " + c.reason +
                                 ". It is used for this run.";
        auto registry = makeSystemRegistry();
        ScriptedUi ui;
        Editor editor{ui, *registry, {root.string()}};
        ui.queue(ScriptedUi::OpenAnswer{(first / "GP4.exe").string()});
        ASSERT_TRUE(editor.startUp());
        EXPECT_EQ(ui.messages(), (std::vector<std::string>{"Please choose your GP4 folder", lost}));
        EXPECT_TRUE(ui.errors().empty());
        EXPECT_EQ(editor.main.get("Status").caption, "Import Done");
        EXPECT_EQ(editor.main.get("LMDSlot0").text, "Northwind Racing");
        EXPECT_EQ(editor.main.get("LMDPath").hint, "Actual Path: " + first.string());

        // "Manual GP4 Path" the same way, then "Import All" finds the game
        // chosen last.
        ui.queue(ScriptedUi::OpenAnswer{(second / "GP4.exe").string()});
        ASSERT_TRUE(editor.dispatch([&] { editor.main.userClick(editor.main.get("LMDPath")); }));
        ASSERT_TRUE(editor.dispatch([&] { editor.main.userClick(editor.main.get("ImportButton")); }));
        EXPECT_EQ(ui.messages(), (std::vector<std::string>{"Please choose your GP4 folder", lost, lost}));
        EXPECT_FALSE(editor.terminated());
        EXPECT_EQ(editor.main.get("LMDSlot0").text, "Other Team");
        EXPECT_EQ(editor.main.get("LMDPath").hint, "Actual Path: " + second.string());

        // Nothing was kept for the next start, and the FIFO is still one.
        EXPECT_EQ(makeSystemRegistry()->readGameFolder(), std::nullopt);
        EXPECT_TRUE(fs::is_fifo(fifo));
    }
}
