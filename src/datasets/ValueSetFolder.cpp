#include "datasets/ValueSetFolder.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "core/Editor.h"
#include "platform/UserFolders.h"

namespace varnisk {

namespace fs = std::filesystem;

std::string valueSetFolder(Editor& e) {
    if (std::optional<std::string> folder = e.registry.readValueSetFolder(); folder && !folder->empty()) {
        std::error_code ec;
        if (fs::is_directory(*folder, ec)) return *folder;
    }
    return documentsFolder();
}

void rememberValueSetFolder(Editor& e, const std::string& path) {
    std::error_code ec;
    const fs::path whole = fs::absolute(path, ec);
    if (ec) return;
    const std::string folder = whole.parent_path().string();
    if (folder.empty() || e.registry.readValueSetFolder() == folder) return;
    if (RegistryWrite kept = e.registry.writeValueSetFolder(folder); !kept) {
        e.ui.message("The folder of your value sets could not be kept for the next start: " + kept.reason +
                     ". It is used for this run.");
    }
}

}  // namespace varnisk
