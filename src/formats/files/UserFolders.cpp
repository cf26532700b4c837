#include "files/UserFolders.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shlobj.h>

#include "files/SystemText.h"
#else
#include <pwd.h>
#include <unistd.h>
#endif

namespace varnisk {

namespace fs = std::filesystem;

namespace {

// user-dirs.dirs is a few lines; a larger file is not one.
constexpr std::streamsize kMaxUserDirsSize = 64 * 1024;

[[maybe_unused]] std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool isFolder(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}

std::string_view trim(std::string_view s) {
    const std::size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// A value as the shell reads it from the file: in double quotes, a backslash
// keeps the next character as it is.
std::optional<std::string> shellValue(std::string_view value) {
    if (value.empty() || value.front() != '"') return std::string(value);
    std::string out;
    for (std::size_t i = 1; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '"') return i + 1 == value.size() ? std::optional<std::string>(out) : std::nullopt;
        if (c == '\\' && i + 1 < value.size()) {
            out += value[++i];
            continue;
        }
        out += c;
    }
    return std::nullopt;  // no closing quote
}

}  // namespace

#ifdef _WIN32
namespace {

// A folder the system knows by its id; empty when it has none.
std::string knownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::string out;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path)) && path != nullptr) out = narrow(path);
    CoTaskMemFree(path);
    return out;
}

}  // namespace

std::string homeFolder() { return knownFolder(FOLDERID_Profile); }
#else
std::string homeFolder() {
    if (std::string home = environment("HOME"); !home.empty()) return home;
    const passwd* user = ::getpwuid(::getuid());
    return user && user->pw_dir ? std::string(user->pw_dir) : std::string();
}
#endif

std::optional<std::string> userDirsDocuments(std::string_view text, const std::string& home) {
    std::optional<std::string> found;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        constexpr std::string_view kName = "XDG_DOCUMENTS_DIR=";
        if (!line.starts_with(kName)) continue;
        std::optional<std::string> value = shellValue(line.substr(kName.size()));
        if (!value) continue;
        if (*value == "$HOME" || value->starts_with("$HOME/")) {
            if (home.empty()) continue;
            found = home + value->substr(5);
        } else if (value->starts_with('/')) {
            found = *value;
        }
    }
    return found;
}

std::string documentsFolderIn(const std::string& home, const std::string& configFolder) {
    if (!configFolder.empty()) {
        std::ifstream in(fs::path(configFolder) / "user-dirs.dirs", std::ios::binary);
        std::string text;
        if (in) {
            text.resize(static_cast<std::size_t>(kMaxUserDirsSize));
            in.read(text.data(), kMaxUserDirsSize);
            text.resize(static_cast<std::size_t>(in.gcount()));
        }
        if (std::optional<std::string> named = userDirsDocuments(text, home); named && isFolder(*named)) return *named;
    }
    if (home.empty()) return {};
    const std::string documents = (fs::path(home) / "Documents").string();
    return isFolder(documents) ? documents : home;
}

std::string documentsFolder() {
#ifdef _WIN32
    // The system's own documents folder, wherever the user moved it.
    if (std::string documents = knownFolder(FOLDERID_Documents); isFolder(documents)) return documents;
    return homeFolder();
#else
    const std::string home = homeFolder();
    std::string config = environment("XDG_CONFIG_HOME");
    if (!fs::path(config).is_absolute()) config = home.empty() ? std::string() : (fs::path(home) / ".config").string();
    return documentsFolderIn(home, config);
#endif
}

}  // namespace varnisk
