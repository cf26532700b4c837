#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// The registry of a Wine prefix, read from its text files, and the mapping of
// the prefix's Windows paths to native ones. Used to find a game installed
// under Wine while the program's own store names none.
namespace varnisk::wine {

// Reads the value `name` of a key from a registry file in Wine's text format
// ("WINE REGISTRY Version 2", sections "[Key\\Path] time", lines
// "Name"="text"). Key paths are given with single backslashes; key and value
// names compare without regard to letter case. The keys are tried in order:
// the first holding `name` as non-empty text wins. A key present without it
// (or with a value that is not text) gives empty text; none of the keys
// present, or a stream that is not such a file, gives nullopt.
std::optional<std::string> findValue(std::istream& in, std::span<const std::string_view> keys,
                                     std::string_view name);

// The native path of a Windows path in the prefix: the drive "X:" through
// the prefix's "dosdevices/x:" link (drive C: when the path names none),
// then each part as found in its folder without regard to letter case.
// Parts that cannot be found are joined as given, so the result is always
// a guess that the caller can test for existence.
std::string nativePath(const std::filesystem::path& prefix, std::string_view windowsPath);

// The game folder that the prefix's "system.reg" records, as a native path:
// nullopt when the file or the key is missing or the file is unreadable;
// empty text when the key names no folder.
std::optional<std::string> readGameFolder(const std::filesystem::path& prefix);

}  // namespace varnisk::wine
