#include "datasets/ValueSetFolder.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

#include "core/Editor.h"
#include "files/UserFolders.h"
#include "registry/Registry.h"

namespace varnisk {

namespace fs = std::filesystem;

std::string valueSetFolder(Editor& e) {
    if (std::optional<std::string> folder = e.registry.readValueSetFolder(); folder && !folder->empty()) {
        std::error_code ec;
        if (fs::is_directory(*folder, ec)) return *folder;
    }
    return documentsFolder();
}

namespace {

// Whether two names stand for the same file: the same text, or the same file
// on disk (another letter case on Windows, a link).
bool sameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

bool isFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

}  // namespace

std::vector<std::string> recentValueSets(Editor& e) {
    std::vector<std::string> files;
    for (const std::string& file : e.registry.readRecentFiles()) {
        if (files.size() == kRecentFileCount) break;
        if (!isFile(file)) continue;
        if (std::any_of(files.begin(), files.end(), [&](const std::string& f) { return sameFile(f, file); })) continue;
        files.push_back(file);
    }
    return files;
}

void rememberValueSetFolder(Editor& e, const std::string& path) {
    std::error_code ec;
    const fs::path whole = fs::absolute(path, ec).lexically_normal();
    if (ec) return;
    const std::string folder = whole.parent_path().string();
    RegistryWrite folderKept;
    if (!folder.empty() && e.registry.readValueSetFolder() != folder) folderKept = e.registry.writeValueSetFolder(folder);

    const std::string file = whole.string();
    std::vector<std::string> recent{file};
    for (const std::string& f : recentValueSets(e)) {
        if (recent.size() < kRecentFileCount && !sameFile(f, file)) recent.push_back(f);
    }
    RegistryWrite listKept;
    if (e.registry.readRecentFiles() != recent) listKept = e.registry.writeRecentFiles(recent);
    if (listKept) e.recentFilesLossTold = false;

    // The store fails for both alike: one message says so.
    if (!folderKept) {
        e.ui.message("The folder of your value sets could not be kept for the next start: " + folderKept.reason +
                     ". It is used for this run.");
        if (!listKept) e.recentFilesLossTold = true;
    } else if (!listKept && !e.recentFilesLossTold) {
        e.recentFilesLossTold = true;
        e.ui.message("The list of your recent value set files could not be kept for the next start: " +
                     listKept.reason + ". It is used for this run.");
    }
}

}  // namespace varnisk
