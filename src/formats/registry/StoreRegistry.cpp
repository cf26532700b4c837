#include "registry/StoreRegistry.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <string_view>
#include <system_error>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "registry/WineRegistry.h"

namespace varnisk {

namespace fs = std::filesystem;

namespace {

// The store holds a handful of lines; a bigger file is taken for something
// else.
constexpr std::uintmax_t kMaxStoreSize = 1 << 20;

constexpr std::string_view kSpaces = " \t\v\f\r";

// A value of the store: its section and its name.
struct StoreValue {
    std::string section;
    std::string name;
};

const StoreValue& gameValue() {
    static const StoreValue value{std::string("HKEY_LOCAL_MACHINE\\") + kGameKey, kGameValue};
    return value;
}

const StoreValue& valueSetFolderValue() {
    static const StoreValue value{std::string("HKEY_CURRENT_USER\\") + kSettingsKey, kValueSetFolderValue};
    return value;
}

const StoreValue& windowPlaceValue() {
    static const StoreValue value{std::string("HKEY_CURRENT_USER\\") + kSettingsKey, kWindowPlaceValue};
    return value;
}

// The value of the program's own key that holds recent file i, from 0.
StoreValue recentFileValue(std::size_t i) {
    return {std::string("HKEY_CURRENT_USER\\") + kSettingsKey, kRecentFileValue + std::to_string(i + 1)};
}

bool sameName(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) { return lower(x) == lower(y); });
}

std::string_view trim(std::string_view s) {
    std::size_t first = s.find_first_not_of(kSpaces);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(kSpaces) - first + 1);
}

// One line of the store: a section header (with its name unless malformed),
// a "name=value" line, or anything else (blank, comment, stray text).
struct StoreLine {
    enum class Kind { Other, Section, Value } kind = Kind::Other;
    std::optional<std::string_view> section;
    std::string_view name;
    std::string_view value;
};

StoreLine parseLine(std::string_view line) {
    std::string_view t = trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '#') return {};
    if (t.front() == '[') {
        StoreLine s{StoreLine::Kind::Section, std::nullopt, {}, {}};
        if (t.size() >= 2 && t.back() == ']') s.section = trim(t.substr(1, t.size() - 2));
        return s;
    }
    std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) return {};
    return {StoreLine::Kind::Value, std::nullopt, trim(t.substr(0, eq)), trim(t.substr(eq + 1))};
}

bool isSection(const StoreLine& line, const StoreValue& value) {
    return line.kind == StoreLine::Kind::Section && line.section && sameName(*line.section, value.section);
}

bool isValue(const StoreLine& line, const StoreValue& value) {
    return line.kind == StoreLine::Kind::Value && sameName(line.name, value.name);
}

std::string unquote(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    return std::string(value);
}

std::string quoteIfNeeded(const std::string& value) {
    if (value.empty()) return value;
    bool edge = kSpaces.find(value.front()) != std::string_view::npos ||
                kSpaces.find(value.back()) != std::string_view::npos || value.front() == '"' || value.back() == '"';
    return edge ? '"' + value + '"' : value;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.push_back(line);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

// The store's text, or nullopt when it is missing or not a small text file.
// Only a regular file (or a link to one) is opened: a FIFO or a device in
// the store's place is never opened, and one put there after the look is
// neither waited on nor read.
std::optional<std::string> readStoreText(const fs::path& file) {
    struct stat st {};
    if (file.empty() || ::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string text;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<std::uintmax_t>(st.st_size) <= kMaxStoreSize;
    char buffer[16384];
    while (ok) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
        ok = text.size() <= kMaxStoreSize;
    }
    ::close(fd);
    if (!ok || text.find('\0') != std::string::npos) return std::nullopt;
    return text;
}

// A value in the store's text: nullopt without its key, empty text when the
// key does not hold it; the last value wins.
std::optional<std::string> findValue(std::string_view text, const StoreValue& value) {
    bool inKey = false;
    bool found = false;
    std::string folder;
    for (std::string_view raw : splitLines(text)) {
        StoreLine line = parseLine(raw);
        if (line.kind == StoreLine::Kind::Section) {
            inKey = isSection(line, value);
            found = found || inKey;
        } else if (inKey && isValue(line, value)) {
            folder = unquote(line.value);
        }
    }
    if (!found) return std::nullopt;
    return folder;
}

// The store's text with a value set: the first value line of its key is
// replaced and any others dropped; without one, the line follows the key's
// first header; without the key, a section is added at the end. Every other
// line stays as it was.
std::string withValue(std::string_view text, const StoreValue& value, const std::string& folder) {
    const std::string eol = text.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
    const std::string entry = value.name + "=" + quoteIfNeeded(folder);
    std::vector<std::string_view> lines = splitLines(text);

    bool hasEntry = false;
    bool inKey = false;
    for (std::string_view raw : lines) {
        StoreLine line = parseLine(raw);
        if (line.kind == StoreLine::Kind::Section) inKey = isSection(line, value);
        else if (inKey && isValue(line, value)) hasEntry = true;
    }

    std::string out;
    auto add = [&](std::string_view line) { out.append(line).append(eol); };
    bool written = false;
    inKey = false;
    for (std::string_view raw : lines) {
        StoreLine line = parseLine(raw);
        if (line.kind == StoreLine::Kind::Section) {
            inKey = isSection(line, value);
            add(raw);
            if (inKey && !hasEntry && !written) {
                add(entry);
                written = true;
            }
        } else if (inKey && isValue(line, value)) {
            if (!written) add(entry);
            written = true;
        } else {
            add(raw);
        }
    }
    if (!written) {
        if (lines.empty()) add("; Varnisk's registry: a [section] per key, a Name=value line per value.");
        else if (!trim(lines.back()).empty()) add("");
        add("[" + value.section + "]");
        add(entry);
    }
    return out;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// What a file that is not a regular one is, for a message.
std::string kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "an unknown kind of file";
}

std::string systemError(int error) { return std::error_code(error, std::generic_category()).message(); }

// Writes the file through a new file in the same folder that then replaces
// it, so that a failure leaves the old file as it was. The old file's
// permissions carry over. `file` is a regular file or none. Empty when
// written, else why not.
std::string replaceFile(const fs::path& file, std::string_view text) {
    static std::atomic<unsigned> counter{0};
    const std::string stem = "." + file.filename().string() + ".tmp-" + std::to_string(::getpid()) + "-";
    fs::path temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = file.parent_path() / (stem + std::to_string(counter++));
        // Never an existing file, nor one through a link.
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return systemError(errno);
    }
    if (fd < 0) return systemError(EEXIST);
    struct stat old {};
    if (::lstat(file.c_str(), &old) == 0 && S_ISREG(old.st_mode) && ::fchmod(fd, old.st_mode & 07777) != 0) {
        // The new file keeps the default permissions.
    }
    int error = 0;
    errno = 0;
    if (!writeAll(fd, text) || ::fsync(fd) != 0) error = errno ? errno : EIO;
    if (::close(fd) != 0 && !error) error = errno;
    std::string why = error ? systemError(error) : std::string();
    // Whatever took the file's place since the first look is left alone.
    if (why.empty() && ::lstat(file.c_str(), &old) == 0 && !S_ISREG(old.st_mode)) {
        why = "not a regular file but " + kindOf(old.st_mode);
    }
    if (why.empty() && std::rename(temp.c_str(), file.c_str()) == 0) return {};
    if (why.empty()) why = systemError(errno);
    ::unlink(temp.c_str());
    return why;
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

fs::path homeFolder() {
    if (std::string home = environment("HOME"); !home.empty()) return home;
    const passwd* user = ::getpwuid(::getuid());
    return user && user->pw_dir ? fs::path(user->pw_dir) : fs::path();
}

// The file the store's path stands for: links are followed to the file they
// end at (so that a store that is a link to a file elsewhere stays one),
// which need not exist yet. Empty, with the reason, when that file is
// anything but a regular file, or the links cannot be followed.
fs::path storeTarget(const fs::path& storeFile, std::string& why) {
    fs::path file = storeFile;
    for (int links = 0; links < 40; ++links) {
        struct stat st {};
        if (::lstat(file.c_str(), &st) != 0) {
            // Made when written; a folder on the way that cannot be made
            // is told then.
            if (errno == ENOENT || errno == ENOTDIR) return file;
            why = (file == storeFile ? std::string() : "links to " + file.string() + ": ") + systemError(errno);
            return {};
        }
        if (S_ISREG(st.st_mode)) return file;
        if (!S_ISLNK(st.st_mode)) {
            why = file == storeFile ? "not a regular file but " + kindOf(st.st_mode)
                                    : "links to " + file.string() + ", which is not a regular file but " +
                                          kindOf(st.st_mode);
            return {};
        }
        // A link's relative target starts from the folder that holds it.
        std::error_code ec;
        fs::path target = fs::read_symlink(file, ec);
        fs::path folder = ec ? fs::path() : fs::canonical(file.parent_path().empty() ? "." : file.parent_path(), ec);
        if (ec) {
            why = ec.message();
            return {};
        }
        file = target.is_absolute() ? target : folder / target;
    }
    why = systemError(ELOOP);
    return {};
}

// Writes values into the store file at once, keeping the rest of it. `what`
// names the kind of text for a message ("folder", "file").
RegistryWrite writeStoreValues(const fs::path& storeFile, const std::vector<std::pair<StoreValue, std::string>>& values,
                               const char* what) {
    if (storeFile.empty()) return RegistryWrite::failed("there is no home folder to keep settings in");
    auto failed = [&](const std::string& why) { return RegistryWrite::failed(storeFile.string() + ": " + why); };
    for (const auto& [value, text] : values) {
        if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
            return failed(std::string("the ") + what + "'s name holds a line break, which the store cannot keep");
        }
    }
    std::string why;
    const fs::path file = storeTarget(storeFile, why);
    if (file.empty()) return failed(why);
    std::string text = readStoreText(file).value_or("");
    for (const auto& [value, kept] : values) text = withValue(text, value, kept);
    if (!file.parent_path().empty()) {
        std::error_code ec;
        fs::create_directories(file.parent_path(), ec);
        if (ec) return failed("its folder " + file.parent_path().string() + " cannot be made: " + ec.message());
    }
    why = replaceFile(file, text);
    if (!why.empty()) return failed(file == storeFile ? why : file.string() + ": " + why);
    return {};
}

RegistryWrite writeStoreValue(const fs::path& storeFile, const StoreValue& value, const std::string& folder) {
    return writeStoreValues(storeFile, {{value, folder}}, "folder");
}

// The eight recent file values, the last first: each value new to the key
// goes right below its header, so that they read in their order.
std::vector<std::pair<StoreValue, std::string>> recentFileValues(const std::vector<std::string>& files) {
    std::vector<std::pair<StoreValue, std::string>> values;
    for (std::size_t i = kRecentFileCount; i-- > 0;) {
        values.emplace_back(recentFileValue(i), i < files.size() ? files[i] : std::string());
    }
    return values;
}

}  // namespace

std::optional<std::string> storeGameFolder(std::string_view text) { return findValue(text, gameValue()); }

std::string storeWithGameFolder(std::string_view text, const std::string& folder) {
    return withValue(text, gameValue(), folder);
}

std::optional<std::string> storeValueSetFolder(std::string_view text) {
    std::optional<std::string> folder = findValue(text, valueSetFolderValue());
    // A key without the value names no folder.
    if (folder && folder->empty()) return std::nullopt;
    return folder;
}

std::string storeWithValueSetFolder(std::string_view text, const std::string& folder) {
    return withValue(text, valueSetFolderValue(), folder);
}

std::vector<std::string> storeRecentFiles(std::string_view text) {
    std::vector<std::string> files;
    for (std::size_t i = 0; i < kRecentFileCount; ++i) {
        std::optional<std::string> file = findValue(text, recentFileValue(i));
        if (file && !file->empty()) files.push_back(*file);
    }
    return files;
}

StoreRegistry::StoreRegistry(fs::path storeFile, fs::path winePrefix)
    : storeFile_(std::move(storeFile)), winePrefix_(std::move(winePrefix)) {}

std::optional<std::string> StoreRegistry::readGameFolder() {
    if (auto text = readStoreText(storeFile_)) {
        if (auto folder = findValue(*text, gameValue())) return folder;
    }
    if (winePrefix_.empty()) return std::nullopt;
    struct stat st {};
    if (::stat((winePrefix_ / "system.reg").c_str(), &st) != 0) {
        wine_.valid = false;
        return std::nullopt;
    }
    const bool same = wine_.valid && wine_.inode == st.st_ino && wine_.size == static_cast<unsigned long long>(st.st_size) &&
                      wine_.mtimeSeconds == st.st_mtim.tv_sec && wine_.mtimeNanoseconds == st.st_mtim.tv_nsec;
    if (!same) {
        wine_ = {true, st.st_ino, static_cast<unsigned long long>(st.st_size), st.st_mtim.tv_sec, st.st_mtim.tv_nsec,
                 wine::readGameFolder(winePrefix_)};
    }
    return wine_.folder;
}

RegistryWrite StoreRegistry::writeGameFolder(const std::string& folder) {
    return writeStoreValue(storeFile_, gameValue(), folder);
}

std::optional<std::string> StoreRegistry::readValueSetFolder() {
    // Never looked for under Wine: the setting is the program's own.
    auto text = readStoreText(storeFile_);
    return text ? storeValueSetFolder(*text) : std::nullopt;
}

RegistryWrite StoreRegistry::writeValueSetFolder(const std::string& folder) {
    return writeStoreValue(storeFile_, valueSetFolderValue(), folder);
}

std::vector<std::string> StoreRegistry::readRecentFiles() {
    auto text = readStoreText(storeFile_);
    return text ? storeRecentFiles(*text) : std::vector<std::string>();
}

RegistryWrite StoreRegistry::writeRecentFiles(const std::vector<std::string>& files) {
    return writeStoreValues(storeFile_, recentFileValues(files), "file");
}

std::optional<std::string> StoreRegistry::readWindowPlace() {
    auto text = readStoreText(storeFile_);
    if (!text) return std::nullopt;
    std::optional<std::string> place = findValue(*text, windowPlaceValue());
    if (place && place->empty()) return std::nullopt;
    return place;
}

RegistryWrite StoreRegistry::writeWindowPlace(const std::string& place) {
    return writeStoreValues(storeFile_, {{windowPlaceValue(), place}}, "window place");
}

fs::path storeFileFromEnvironment() {
    if (std::string file = environment(kRegistryFileVariable); !file.empty()) return file;
    fs::path config = environment("XDG_CONFIG_HOME");
    if (!config.is_absolute()) {
        fs::path home = homeFolder();
        if (home.empty()) return {};
        config = home / ".config";
    }
    return config / "varnisk" / "registry.ini";
}

fs::path winePrefixFromEnvironment() {
    if (std::string prefix = environment("WINEPREFIX"); !prefix.empty()) return prefix;
    fs::path home = homeFolder();
    return home.empty() ? fs::path() : home / ".wine";
}

}  // namespace varnisk
