#include "registry/Registry.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <string_view>

#include "files/SystemText.h"
#else
#include "registry/StoreRegistry.h"
#endif

namespace varnisk {

namespace {

#ifdef _WIN32
// The system registry through the UTF-16 calls; the program keeps the
// folders as UTF-8. The 32-bit view is the one the game's installer writes
// to, whatever this program's build.
class SystemRegistry final : public Registry {
public:
    std::optional<std::string> readGameFolder() override {
        std::optional<std::string> folder = readString(HKEY_LOCAL_MACHINE, kGameKey, KEY_WOW64_32KEY, kGameValue);
        // A key without the value reads as empty text.
        if (!folder && keyExists(HKEY_LOCAL_MACHINE, kGameKey, KEY_WOW64_32KEY)) return std::string();
        return folder;
    }

    RegistryWrite writeGameFolder(const std::string& folder) override {
        return writeString(HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", kGameKey, KEY_WOW64_32KEY, kGameValue, folder);
    }

    std::optional<std::string> readValueSetFolder() override {
        return readString(HKEY_CURRENT_USER, kSettingsKey, 0, kValueSetFolderValue);
    }

    RegistryWrite writeValueSetFolder(const std::string& folder) override {
        return writeString(HKEY_CURRENT_USER, "HKEY_CURRENT_USER", kSettingsKey, 0, kValueSetFolderValue, folder);
    }

    std::vector<std::string> readRecentFiles() override {
        std::vector<std::string> files;
        for (std::size_t i = 1; i <= kRecentFileCount; ++i) {
            const std::string name = kRecentFileValue + std::to_string(i);
            std::optional<std::string> file = readString(HKEY_CURRENT_USER, kSettingsKey, 0, name.c_str());
            if (file && !file->empty()) files.push_back(*file);
        }
        return files;
    }

    RegistryWrite writeRecentFiles(const std::vector<std::string>& files) override {
        for (std::size_t i = 0; i < kRecentFileCount; ++i) {
            const std::string name = kRecentFileValue + std::to_string(i + 1);
            const std::string file = i < files.size() ? files[i] : std::string();
            RegistryWrite written =
                writeString(HKEY_CURRENT_USER, "HKEY_CURRENT_USER", kSettingsKey, 0, name.c_str(), file);
            if (!written) return written;
        }
        return {};
    }

    std::optional<std::string> readWindowPlace() override {
        return readString(HKEY_CURRENT_USER, kSettingsKey, 0, kWindowPlaceValue);
    }

    RegistryWrite writeWindowPlace(const std::string& place) override {
        return writeString(HKEY_CURRENT_USER, "HKEY_CURRENT_USER", kSettingsKey, 0, kWindowPlaceValue, place);
    }

private:
    static bool keyExists(HKEY root, const char* keyName, REGSAM view) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, widen(keyName).c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }

    // A string value; nullopt when the key or the value is missing or is not
    // a string.
    static std::optional<std::string> readString(HKEY root, const char* keyName, REGSAM view, const char* name) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, widen(keyName).c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        const std::wstring valueName = widen(name);
        std::optional<std::string> out;
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExW(key, valueName.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ)) {
            std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
            DWORD got = static_cast<DWORD>(text.size() * sizeof(wchar_t));
            if (RegQueryValueExW(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &got) ==
                ERROR_SUCCESS) {
                text.resize(std::min<std::size_t>(got / sizeof(wchar_t), text.size()));
                text.resize(std::min(text.size(), text.find(L'\0')));  // the stored terminator and beyond
                out = narrow(text);
            }
        }
        RegCloseKey(key);
        return out;
    }

    static RegistryWrite writeString(HKEY root, const char* rootName, const char* keyName, REGSAM view,
                                     const char* name, const std::string& text) {
        const std::string where = std::string(rootName) + "\\" + keyName;
        HKEY key = nullptr;
        LONG result = RegCreateKeyExW(root, widen(keyName).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_WRITE | view, nullptr, &key, nullptr);
        if (result != ERROR_SUCCESS) return RegistryWrite::failed(where + ": " + errorText(result));
        const std::wstring wide = widen(text);
        result = RegSetValueExW(key, widen(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                                static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
        if (result != ERROR_SUCCESS) return RegistryWrite::failed(where + ": " + errorText(result));
        return {};
    }

    // The system's text for an error code, without its closing full stop.
    static std::string errorText(LONG code) {
        wchar_t* buffer = nullptr;
        const DWORD length = FormatMessageW(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
            static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
        std::wstring text = length && buffer ? std::wstring(buffer, length) : std::wstring();
        if (buffer) LocalFree(buffer);
        while (!text.empty() && std::wstring_view(L"\r\n .").find(text.back()) != std::wstring_view::npos) {
            text.pop_back();
        }
        return text.empty() ? "error " + std::to_string(code) : narrow(text);
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

    RegistryWrite writeGameFolder(const std::string& folder) override {
        return registry_ ? registry_->writeGameFolder(folder) : RegistryWrite::failed("no registry");
    }

    std::optional<std::string> readValueSetFolder() override {
        return registry_ ? registry_->readValueSetFolder() : std::nullopt;
    }

    RegistryWrite writeValueSetFolder(const std::string& folder) override {
        return registry_ ? registry_->writeValueSetFolder(folder) : RegistryWrite::failed("no registry");
    }

    std::vector<std::string> readRecentFiles() override {
        return registry_ ? registry_->readRecentFiles() : std::vector<std::string>();
    }

    RegistryWrite writeRecentFiles(const std::vector<std::string>& files) override {
        return registry_ ? registry_->writeRecentFiles(files) : RegistryWrite::failed("no registry");
    }

    std::optional<std::string> readWindowPlace() override {
        return registry_ ? registry_->readWindowPlace() : std::nullopt;
    }

    RegistryWrite writeWindowPlace(const std::string& place) override {
        return registry_ ? registry_->writeWindowPlace(place) : RegistryWrite::failed("no registry");
    }

private:
    std::unique_ptr<Registry> registry_;
    std::string demoFolder_;
};

// Keeps a folder whose write failed for the rest of the run: the user chose
// it, and only the next start goes without it.
class KeptForTheRun final : public Registry {
public:
    explicit KeptForTheRun(std::unique_ptr<Registry> registry) : registry_(std::move(registry)) {}

    std::optional<std::string> readGameFolder() override {
        return gameFolder_ ? gameFolder_ : registry_->readGameFolder();
    }

    RegistryWrite writeGameFolder(const std::string& folder) override {
        return keep(registry_->writeGameFolder(folder), gameFolder_, folder);
    }

    std::optional<std::string> readValueSetFolder() override {
        return valueSetFolder_ ? valueSetFolder_ : registry_->readValueSetFolder();
    }

    RegistryWrite writeValueSetFolder(const std::string& folder) override {
        return keep(registry_->writeValueSetFolder(folder), valueSetFolder_, folder);
    }

    std::vector<std::string> readRecentFiles() override {
        return recentFiles_ ? *recentFiles_ : registry_->readRecentFiles();
    }

    RegistryWrite writeRecentFiles(const std::vector<std::string>& files) override {
        RegistryWrite result = registry_->writeRecentFiles(files);
        if (result) {
            recentFiles_.reset();
        } else {
            recentFiles_.emplace();
            for (const std::string& file : files) {
                if (recentFiles_->size() < kRecentFileCount && !file.empty()) recentFiles_->push_back(file);
            }
        }
        return result;
    }

    // Written once, as the program ends: nothing to keep for the run.
    std::optional<std::string> readWindowPlace() override { return registry_->readWindowPlace(); }
    RegistryWrite writeWindowPlace(const std::string& place) override { return registry_->writeWindowPlace(place); }

private:
    static RegistryWrite keep(RegistryWrite result, std::optional<std::string>& held, const std::string& folder) {
        if (result) held.reset();
        else held = folder;
        return result;
    }

    std::unique_ptr<Registry> registry_;
    std::optional<std::string> gameFolder_;
    std::optional<std::string> valueSetFolder_;
    std::optional<std::vector<std::string>> recentFiles_;
};

}  // namespace

std::unique_ptr<Registry> makeSystemRegistry() {
#ifdef _WIN32
    return std::make_unique<KeptForTheRun>(std::make_unique<SystemRegistry>());
#else
    return std::make_unique<KeptForTheRun>(
        std::make_unique<StoreRegistry>(storeFileFromEnvironment(), winePrefixFromEnvironment()));
#endif
}

std::unique_ptr<Registry> withDemoFallback(std::unique_ptr<Registry> registry, std::string demoFolder) {
    return std::make_unique<DemoFallback>(std::move(registry), std::move(demoFolder));
}

}  // namespace varnisk
