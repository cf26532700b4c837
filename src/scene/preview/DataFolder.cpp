#include "preview/DataFolder.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "files/SystemText.h"
#endif

#include <filesystem>
#include <system_error>

namespace varnisk {

std::string ownDataFolder(const std::string& executableFolder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    // "/usr/bin/" is the folder "/usr/bin", whose parent is "/usr".
    fs::path here = fs::path(executableFolder).lexically_normal();
    if (!here.has_filename() && here.has_relative_path()) here = here.parent_path();
    if (fs::is_directory(here / "CamTextures", ec)) return here.string();
    return (here.parent_path() / "share" / "varnisk").string();
}

std::string executableFolder() {
#ifdef _WIN32
    std::wstring self(32768, L'\0');
    const DWORD size = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
    if (size == 0 || size >= self.size()) return {};
    self.resize(size);
    return pathText(std::filesystem::path(self).parent_path());
#else
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return self.parent_path().string();
#endif
}

}  // namespace varnisk
