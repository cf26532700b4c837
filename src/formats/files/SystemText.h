#pragma once

#include <filesystem>
#include <string>

namespace varnisk {

// Paths are std::string throughout the program: the system's own bytes on
// Linux, UTF-8 on Windows, where the system's calls take UTF-16.

// The path as the file system library takes it.
std::filesystem::path systemPath(const std::string& path);
// The path as the program keeps it.
std::string pathText(const std::filesystem::path& path);

#ifdef _WIN32
// UTF-8 to UTF-16 and back; invalid sequences become replacement characters.
std::wstring widen(const std::string& text);
std::string narrow(const std::wstring& text);
#endif

}  // namespace varnisk
