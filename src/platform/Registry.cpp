#include "platform/Registry.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#else
#include "platform/StoreRegistry.h"
#endif

namespace varnisk {

namespace {

#ifdef _WIN32
// The system registry through the ANSI calls: folders are in the system's
// code page, as std::string paths are on this platform. The 32-bit view is
// the one the game's installer writes to, whatever this program's build.
class SystemRegistry final : public Registry {
public:
    std::optional<std::string> readGameFolder() override {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kGameKey, 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        std::string folder;
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(key, kGameValue, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0) {
            folder.resize(size);
            if (RegQueryValueExA(key, kGameValue, nullptr, &type, reinterpret_cast<BYTE*>(folder.data()), &size) ==
                ERROR_SUCCESS) {
                folder.resize(std::min<std::size_t>(size, folder.size()));
                folder.resize(std::min(folder.size(), folder.find('\0')));  // the stored terminator and beyond
            } else {
                folder.clear();
            }
        }
        RegCloseKey(key);
        return folder;
    }

    bool writeGameFolder(const std::string& folder) override {
        return writeString(HKEY_LOCAL_MACHINE, kGameKey, KEY_WOW64_32KEY, kGameValue, folder);
    }

    std::optional<std::string> readValueSetFolder() override {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
        std::optional<std::string> folder;
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(key, kValueSetFolderValue, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
            type == REG_SZ && size > 0) {
            std::string text(size, '\0');
            if (RegQueryValueExA(key, kValueSetFolderValue, nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                                 &size) == ERROR_SUCCESS) {
                text.resize(std::min<std::size_t>(size, text.size()));
                text.resize(std::min(text.size(), text.find('\0')));
                folder = text;
            }
        }
        RegCloseKey(key);
        return folder;
    }

    bool writeValueSetFolder(const std::string& folder) override {
        return writeString(HKEY_CURRENT_USER, kSettingsKey, 0, kValueSetFolderValue, folder);
    }

private:
    static bool writeString(HKEY root, const char* keyName, REGSAM view, const char* name, const std::string& text) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(root, keyName, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE | view, nullptr, &key,
                            nullptr) != ERROR_SUCCESS) {
            return false;
        }
        LONG result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                     static_cast<DWORD>(text.size() + 1));
        RegCloseKey(key);
        return result == ERROR_SUCCESS;
    }
};
#endif

class DemoFallback final : public Registry {
public:
    DemoFallback(std::unique_ptr<Registry> registry, std::string demoFolder)
        : registry_(std::move(registry)), demoFolder_(std::move(demoFolder)) {}

    std::optional<std::string> readGameFolder() override {
        std::optional<std::string> folder = registry_ ? registry_->readGameFolder() : std::nullopt;
        if (!folder || folder->empty()) return demoFolder_;
        return folder;
    }

    bool writeGameFolder(const std::string& folder) override {
        return registry_ && registry_->writeGameFolder(folder);
    }

    std::optional<std::string> readValueSetFolder() override {
        return registry_ ? registry_->readValueSetFolder() : std::nullopt;
    }

    bool writeValueSetFolder(const std::string& folder) override {
        return registry_ && registry_->writeValueSetFolder(folder);
    }

private:
    std::unique_ptr<Registry> registry_;
    std::string demoFolder_;
};

}  // namespace

std::unique_ptr<Registry> makeSystemRegistry() {
#ifdef _WIN32
    return std::make_unique<SystemRegistry>();
#else
    return std::make_unique<StoreRegistry>(storeFileFromEnvironment(), winePrefixFromEnvironment());
#endif
}

std::unique_ptr<Registry> withDemoFallback(std::unique_ptr<Registry> registry, std::string demoFolder) {
    return std::make_unique<DemoFallback>(std::move(registry), std::move(demoFolder));
}

}  // namespace varnisk
