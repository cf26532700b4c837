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
    e.registry.writeValueSetFolder(folder);
}

}  // namespace varnisk
