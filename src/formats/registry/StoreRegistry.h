#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registry/Registry.h"

namespace varnisk {

// The program's own registry where the system has none: a text file that a
// person can read and edit, in the form of an ini file with one section per
// key and "Name=text" lines:
//
//   [HKEY_LOCAL_MACHINE\Software\Infogrames\Grand Prix 4\1.00\Install Dir]
//   Directory=/home/me/games/gp4
//
//   [HKEY_CURRENT_USER\Software\Varnisk]
//   ValueSetFolder=/home/me/Documents/sets
//   RecentFile1=/home/me/Documents/sets/monaco.car
//   RecentFile2=/home/me/Documents/sets/cameras.cam
//
// A store without the program's own section (as every store was before it
// kept the value set folder) simply names no value set folder.
//
// Lines starting with ';' or '#' are comments. Names compare without regard
// to letter case; spaces around names and values are ignored, and a value in
// double quotes is taken as it stands between them (so it may start or end
// with spaces). Folders are native paths.
//
// While the store has no such key (or there is no store file), reads look in
// the registry of the Wine prefix, if one is given; writes only ever go to
// the store. A file that cannot be read as such text counts as absent.
//
// The store is a regular file, or a link to one (followed, so that it stays
// a link). Whatever else its path names, directly or through links (a FIFO,
// a device, a folder), is never opened and never replaced: reads find no
// store there and writes fail.
class StoreRegistry : public Registry {
public:
    StoreRegistry(std::filesystem::path storeFile, std::filesystem::path winePrefix);

    std::optional<std::string> readGameFolder() override;

    // Creates the store's folder when needed and replaces the file through a
    // temporary file beside it, keeping the rest of its content. Not
    // written, with the reason, when the file cannot be written or is not a
    // regular file, or the folder holds a line break or a NUL.
    RegistryWrite writeGameFolder(const std::string& folder) override;

    // Only ever from the store itself. Written as the game folder is.
    std::optional<std::string> readValueSetFolder() override;
    RegistryWrite writeValueSetFolder(const std::string& folder) override;
    // Only ever from the store itself; the eight values are written at once,
    // the ones without a file left empty.
    std::vector<std::string> readRecentFiles() override;
    RegistryWrite writeRecentFiles(const std::vector<std::string>& files) override;
    // Only ever from the store itself.
    std::optional<std::string> readWindowPlace() override;
    RegistryWrite writeWindowPlace(const std::string& place) override;

    const std::filesystem::path& storeFile() const { return storeFile_; }
    const std::filesystem::path& winePrefix() const { return winePrefix_; }

private:
    std::filesystem::path storeFile_;
    std::filesystem::path winePrefix_;

    // The game is looked up before every use of a game file, and a Wine
    // prefix's system.reg runs to megabytes: its answer is kept until the
    // file changes (another inode, size or modification time).
    struct WineAnswer {
        bool valid = false;
        unsigned long long inode = 0, size = 0;
        long long mtimeSeconds = 0, mtimeNanoseconds = 0;
        std::optional<std::string> folder;
    };
    WineAnswer wine_;
};

// The store's text without the file, as the class reads and writes it: the
// game folder it names (nullopt without the key, empty text when the key
// holds no value; the last value wins), and the text with the game folder
// set and the rest kept.
std::optional<std::string> storeGameFolder(std::string_view text);
std::string storeWithGameFolder(std::string_view text, const std::string& folder);

// The same for the value set folder, in the section of the program's own
// key; nullopt also when the key holds an empty value.
std::optional<std::string> storeValueSetFolder(std::string_view text);
std::string storeWithValueSetFolder(std::string_view text, const std::string& folder);

// The same for the recent files: those of "RecentFile1" to "RecentFile8"
// that hold a name, in the order of their numbers.
std::vector<std::string> storeRecentFiles(std::string_view text);

// The store file: $VARNISK_REGISTRY when set and not empty, else
// "varnisk/registry.ini" in $XDG_CONFIG_HOME (when absolute), else in
// "~/.config". Empty when there is no home folder either.
std::filesystem::path storeFileFromEnvironment();

// The Wine prefix: $WINEPREFIX when set and not empty, else "~/.wine".
// Empty when there is no home folder either.
std::filesystem::path winePrefixFromEnvironment();

}  // namespace varnisk
