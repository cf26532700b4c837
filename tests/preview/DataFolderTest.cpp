#include "preview/DataFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "preview/Textures.h"
#include "../gamedata/TestGame.h"

namespace varnisk {
namespace {

namespace fs = std::filesystem;
using testgame::TempFolder;

// Where the preview's textures come from, for a program started from `start`
// with its executable in `bin`: the start folder's CamTextures, else the one
// beside the executable (the build tree), else <prefix>/share/varnisk's (an
// installed program in <prefix>/bin).
TEST(DataFolder, TheStartFolderThenBesideTheProgramThenTheInstalledData) {
    struct Case {
        const char* what;
        std::vector<const char*> textureFolders;  // the CamTextures folders there are
        const char* expected;                     // the one the preview uses
    };
    const std::vector<Case> cases = {
        {"installed", {"usr/share/varnisk/CamTextures"}, "usr/share/varnisk/CamTextures"},
        {"build tree", {"usr/bin/CamTextures"}, "usr/bin/CamTextures"},
        {"beside the program before the installed data",
         {"usr/bin/CamTextures", "usr/share/varnisk/CamTextures"},
         "usr/bin/CamTextures"},
        {"the start folder before the installed data",
         {"start/CamTextures", "usr/share/varnisk/CamTextures"},
         "start/CamTextures"},
        {"the start folder before the build tree", {"start/CamTextures", "usr/bin/CamTextures"}, "start/CamTextures"},
        // Nothing anywhere: the installed place, where a message will say it is missing.
        {"none", {}, "usr/share/varnisk/CamTextures"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder root;
        fs::create_directories(root.path / "usr/bin");
        fs::create_directories(root.path / "start");
        for (const char* folder : c.textureFolders) fs::create_directories(root.path / folder);
        const fs::path bin = root.path / "usr/bin";
        const std::string start = (root.path / "start").string();
        EXPECT_EQ(fs::path(textureFolder(start, ownDataFolder(bin.string()))), root.path / c.expected);
        // A folder named with a slash at its end is the same folder.
        EXPECT_EQ(fs::path(textureFolder(start, ownDataFolder(bin.string() + "/"))), root.path / c.expected);
    }
}

TEST(DataFolder, AFileNamedCamTexturesBesideTheProgramIsNoDataFolder) {
    TempFolder root;
    fs::create_directories(root.path / "bin");
    testgame::writeBytes(root.path / "bin/CamTextures", {1});
    EXPECT_EQ(fs::path(ownDataFolder((root.path / "bin").string())), root.path / "share/varnisk");
}

TEST(DataFolder, TheRunningProgramsFolderIsAnAbsoluteFolder) {
    const std::string folder = executableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(fs::path(folder).is_absolute());
    EXPECT_TRUE(fs::is_directory(folder));
}

}  // namespace
}  // namespace varnisk
