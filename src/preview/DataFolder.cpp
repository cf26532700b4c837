#include "preview/DataFolder.h"

#include <filesystem>
#include <system_error>

namespace varnisk {

std::string ownDataFolder(const std::string& executableFolder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path here(executableFolder);
    if (fs::is_directory(here / "CamTextures", ec)) return here.string();
    return (here.parent_path() / "share" / "varnisk").string();
}

std::string executableFolder() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return self.parent_path().string();
}

}  // namespace varnisk
