// The registry port on Windows, against the system's real registry (Wine's
// under CTest, in a prefix of the test run's own): the game's entry in the
// 32-bit view where the game's installer writes it, and the program's own
// value-set folder, with names outside ASCII.
#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "files/SystemText.h"
#include "registry/Registry.h"

using namespace varnisk;

namespace {

const wchar_t* kGameKeyW = L"Software\\Infogrames\\Grand Prix 4\\1.00\\Install Dir";

std::optional<std::wstring> rawValue(HKEY root, const wchar_t* key, REGSAM view, const wchar_t* name) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, key, 0, KEY_READ | view, &k) != ERROR_SUCCESS) return std::nullopt;
    wchar_t buffer[1024] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    DWORD type = 0;
    const LONG result = RegQueryValueExW(k, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(k);
    if (result != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    return std::wstring(buffer);
}

void setRaw(HKEY root, const wchar_t* key, REGSAM view, const wchar_t* name, const std::wstring& value) {
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_WRITE | view, nullptr, &k, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    RegCloseKey(k);
}

struct WindowsRegistry : ::testing::Test {
    std::unique_ptr<Registry> registry = makeSystemRegistry();
    void TearDown() override {
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kGameKeyW, KEY_WOW64_32KEY, 0);
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Varnisk");
    }
};

}  // namespace

TEST_F(WindowsRegistry, TheGamesEntryIsReadAndWrittenInThe32BitView) {
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kGameKeyW, KEY_WOW64_32KEY, 0);
    EXPECT_EQ(registry->readGameFolder(), std::nullopt);

    // "C:\Games\Grand Prix 4 – Ørsted" as the installer would write it.
    setRaw(HKEY_LOCAL_MACHINE, kGameKeyW, KEY_WOW64_32KEY, L"Directory", L"C:\\Games\\Grand Prix 4 \u2013 \u00D8rsted");
    EXPECT_EQ(registry->readGameFolder(), std::string("C:\\Games\\Grand Prix 4 \xE2\x80\x93 \xC3\x98rsted"));

    const std::string chosen = "D:\\Spiele\\GP4 \xE4\xB8\xAD";
    ASSERT_TRUE(registry->writeGameFolder(chosen));
    EXPECT_EQ(rawValue(HKEY_LOCAL_MACHINE, kGameKeyW, KEY_WOW64_32KEY, L"Directory"), std::wstring(L"D:\\Spiele\\GP4 \u4E2D"));
    EXPECT_EQ(registry->readGameFolder(), chosen);
}

TEST_F(WindowsRegistry, AKeyWithoutTheValueReadsAsEmpty) {
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kGameKeyW, 0, nullptr, 0, KEY_WRITE | KEY_WOW64_32KEY, nullptr, &k,
                              nullptr),
              ERROR_SUCCESS);
    RegCloseKey(k);
    EXPECT_EQ(registry->readGameFolder(), std::string());
}

TEST_F(WindowsRegistry, TheValueSetFolderIsTheUsersOwn) {
    EXPECT_EQ(registry->readValueSetFolder(), std::nullopt);
    const std::string folder = "C:\\Users\\me\\Documents\\S\xC3\xA4tze";
    ASSERT_TRUE(registry->writeValueSetFolder(folder));
    EXPECT_EQ(rawValue(HKEY_CURRENT_USER, L"Software\\Varnisk", 0, L"ValueSetFolder"),
              std::wstring(L"C:\\Users\\me\\Documents\\S\u00E4tze"));
    EXPECT_EQ(registry->readValueSetFolder(), folder);
}
