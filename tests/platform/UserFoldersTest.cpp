#include "files/UserFolders.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace varnisk {
namespace {

namespace fs = std::filesystem;

TEST(UserFolders, TheDocumentsFolderThatUserDirsNames) {
    struct Case {
        const char* text;
        std::optional<std::string> folder;
    };
    const Case cases[] = {
        {"", std::nullopt},
        {"XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n", "/home/me/Papers"},
        {"XDG_DOCUMENTS_DIR=\"$HOME\"", "/home/me"},
        {"XDG_DOCUMENTS_DIR=\"/srv/docs\"\n", "/srv/docs"},
        {"XDG_DOCUMENTS_DIR=/srv/plain\n", "/srv/plain"},
        {"  XDG_DOCUMENTS_DIR=\"$HOME/Mit Leerzeichen\"  \r\n", "/home/me/Mit Leerzeichen"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/say \\\"hi\\\"\"\n", "/home/me/say \"hi\""},
        {"# XDG_DOCUMENTS_DIR=\"$HOME/Commented\"\n", std::nullopt},
        {"XDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n", std::nullopt},
        {"XDG_DOCUMENTS_DIR=\"$HOMEWARD/x\"\n", std::nullopt},
        {"XDG_DOCUMENTS_DIR=\"relative/docs\"\n", std::nullopt},
        {"XDG_DOCUMENTS_DIR=\"$HOME/unclosed\n", std::nullopt},
        {"XDG_DOCUMENTS_DIR=\"$HOME/first\"\nXDG_DOCUMENTS_DIR=\"$HOME/last\"\n", "/home/me/last"},
    };
    for (const Case& c : cases) EXPECT_EQ(userDirsDocuments(c.text, "/home/me"), c.folder) << c.text;
    // Without a home folder "$HOME" names nothing.
    EXPECT_EQ(userDirsDocuments("XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n", ""), std::nullopt);
}

TEST(UserFolders, TheDocumentsFolderFallsBackToDocumentsThenHome) {
    const fs::path root = fs::temp_directory_path() / ("varnisk-userfolders-" + std::to_string(::getpid()));
    fs::remove_all(root);
    const fs::path home = root / "home";
    const fs::path config = home / ".config";
    fs::create_directories(config);
    const std::string h = home.string();

    // Nothing set up: the home folder.
    EXPECT_EQ(documentsFolderIn(h, config.string()), h);
    // ~/Documents once it exists.
    fs::create_directories(home / "Documents");
    EXPECT_EQ(documentsFolderIn(h, config.string()), (home / "Documents").string());
    // The folder user-dirs.dirs names, while it exists.
    std::ofstream(config / "user-dirs.dirs") << "# written by xdg-user-dirs-update\nXDG_DOCUMENTS_DIR=\"$HOME/Papiere\"\n";
    EXPECT_EQ(documentsFolderIn(h, config.string()), (home / "Documents").string());
    fs::create_directories(home / "Papiere");
    EXPECT_EQ(documentsFolderIn(h, config.string()), (home / "Papiere").string());
    // Another configuration folder, and none.
    EXPECT_EQ(documentsFolderIn(h, (root / "elsewhere").string()), (home / "Documents").string());
    EXPECT_EQ(documentsFolderIn(h, ""), (home / "Documents").string());
    // No home at all.
    EXPECT_EQ(documentsFolderIn("", ""), "");

    // From the environment: XDG_CONFIG_HOME when absolute, else ~/.config.
    const char* savedHome = std::getenv("HOME");
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    const std::optional<std::string> oldHome = savedHome ? std::optional<std::string>(savedHome) : std::nullopt;
    const std::optional<std::string> oldConfig = savedConfig ? std::optional<std::string>(savedConfig) : std::nullopt;
    ::setenv("HOME", h.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(documentsFolder(), (home / "Papiere").string());
    ::setenv("XDG_CONFIG_HOME", (root / "elsewhere").c_str(), 1);
    EXPECT_EQ(documentsFolder(), (home / "Documents").string());
    if (oldHome) ::setenv("HOME", oldHome->c_str(), 1);
    else ::unsetenv("HOME");
    if (oldConfig) ::setenv("XDG_CONFIG_HOME", oldConfig->c_str(), 1);
    else ::unsetenv("XDG_CONFIG_HOME");
    fs::remove_all(root);
}

}  // namespace
}  // namespace varnisk
