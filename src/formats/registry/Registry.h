#pragma once

#include <memory>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace varnisk {

// What became of a write to the registry: written, or why not.
struct RegistryWrite {
    bool written = true;
    // Why not, naming where the value was to go: "<store file>: <reason>"
    // or "<key>: <reason>"; empty when written.
    std::string reason;

    explicit operator bool() const { return written; }
    static RegistryWrite failed(std::string why) { return {false, std::move(why)}; }
};

// The key below the local machine root and its value.
inline constexpr const char* kGameKey = "Software\\Infogrames\\Grand Prix 4\\1.00\\Install Dir";
inline constexpr const char* kGameValue = "Directory";

// The program's own settings: a key below the current user's root.
inline constexpr const char* kSettingsKey = "Software\\Varnisk";
inline constexpr const char* kValueSetFolderValue = "ValueSetFolder";
// The value set files used last, most recent first: the string values
// "RecentFile1" to "RecentFile8" of the program's own key.
inline constexpr const char* kRecentFileValue = "RecentFile";
inline constexpr std::size_t kRecentFileCount = 8;
// The main window's zoom, place and size at the end of the last run: the
// string value "WindowPlace" of the program's own key.
inline constexpr const char* kWindowPlaceValue = "WindowPlace";

// The game's entry in the system registry: under the local machine root,
// the key "Software\Infogrames\Grand Prix 4\1.00\Install Dir" with the string
// value "Directory", the game folder without a trailing file name.
//
// One implementation per platform (the real registry on Windows, a store of
// the program's own elsewhere), one in memory for `varnisk-cli --game-dir`
// and for tests.
class Registry {
public:
    virtual ~Registry() = default;

    // Opens the key for reading and reads "Directory". nullopt when the key
    // cannot be opened; empty text when the key exists without the value.
    virtual std::optional<std::string> readGameFolder() = 0;

    // Opens the key for writing, creating it when needed, and writes
    // "Directory". Not written, with the reason, when the key cannot be
    // opened for writing; nothing is written then.
    virtual RegistryWrite writeGameFolder(const std::string& folder) = 0;

    // The folder value set files were last loaded from or saved to: the
    // string value "ValueSetFolder" of the program's own key (kSettingsKey,
    // below the current user's root). nullopt while none was written.
    virtual std::optional<std::string> readValueSetFolder() = 0;
    // Not written, with the reason, when it cannot be; nothing is written
    // then.
    virtual RegistryWrite writeValueSetFolder(const std::string& folder) = 0;

    // The value set files loaded or saved last, most recent first: the
    // values "RecentFile1" to "RecentFile8" of the program's own key that
    // hold a name, in the order of their numbers; empty while none was
    // written.
    virtual std::vector<std::string> readRecentFiles() = 0;
    // Writes the first kRecentFileCount files into those values, the ones
    // after them emptied. Not written, with the reason, when it cannot be;
    // nothing is written then.
    virtual RegistryWrite writeRecentFiles(const std::vector<std::string>& files) = 0;

    // The text of the value "WindowPlace" of the program's own key; nullopt
    // while none was written. Not written, with the reason, when it cannot
    // be.
    virtual std::optional<std::string> readWindowPlace() = 0;
    virtual RegistryWrite writeWindowPlace(const std::string& place) = 0;
};

// A registry that lives only as long as the program: the key exists once a
// folder is given or written.
class MemoryRegistry : public Registry {
public:
    MemoryRegistry() = default;
    explicit MemoryRegistry(std::string folder) : folder_(std::move(folder)) {}

    std::optional<std::string> readGameFolder() override { return folder_; }
    RegistryWrite writeGameFolder(const std::string& folder) override {
        folder_ = folder;
        return {};
    }

    std::optional<std::string> readValueSetFolder() override { return valueSetFolder_; }
    RegistryWrite writeValueSetFolder(const std::string& folder) override {
        valueSetFolder_ = folder;
        return {};
    }

    std::vector<std::string> readRecentFiles() override { return recentFiles_; }
    RegistryWrite writeRecentFiles(const std::vector<std::string>& files) override {
        recentFiles_.clear();
        for (const std::string& file : files) {
            if (recentFiles_.size() < kRecentFileCount && !file.empty()) recentFiles_.push_back(file);
        }
        return {};
    }

    std::optional<std::string> readWindowPlace() override { return windowPlace_; }
    RegistryWrite writeWindowPlace(const std::string& place) override {
        windowPlace_ = place;
        return {};
    }

private:
    std::optional<std::string> folder_;
    std::optional<std::string> valueSetFolder_;
    std::vector<std::string> recentFiles_;
    std::optional<std::string> windowPlace_;
};

// The environment variable that points the program's own store at another
// file (tests, the demo).
inline constexpr const char* kRegistryFileVariable = "VARNISK_REGISTRY";

// The platform's registry: on Windows the real one; elsewhere the program's
// own store (the file named by VARNISK_REGISTRY, else "registry.ini" in the
// user's configuration folder "varnisk"), which also finds a game installed
// under Wine ($WINEPREFIX, else ~/.wine) while the store itself names none.
//
// A folder that could not be written still holds for the rest of the run:
// reads of this object give it until a later write of that setting
// succeeds. The write's reason says why it will be gone at the next start.
std::unique_ptr<Registry> makeSystemRegistry();

// Wraps a registry so that, while it names no game folder at all (no key, an
// empty value), reads give `demoFolder`. Writes go to the wrapped registry,
// so a real game chosen by hand is found on the next start.
std::unique_ptr<Registry> withDemoFallback(std::unique_ptr<Registry> registry, std::string demoFolder);

}  // namespace varnisk
