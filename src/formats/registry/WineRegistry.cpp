#include "registry/WineRegistry.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <istream>
#include <vector>

#include "registry/Registry.h"

namespace varnisk::wine {

namespace fs = std::filesystem;

namespace {

// The registry files of even very large prefixes stay far below this; a
// bigger file is taken for something else.
constexpr std::uintmax_t kMaxRegistryFileSize = std::uintmax_t{128} << 20;

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

int digitValue(char c, int base) {
    int v = -1;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    return v < base ? v : -1;
}

void appendUtf8(std::string& out, char32_t c) {
    auto put = [&out](char32_t byte) { out.push_back(static_cast<char>(static_cast<unsigned char>(byte))); };
    if (c < 0x80) {
        put(c);
    } else if (c < 0x800) {
        put(0xC0 | (c >> 6));
        put(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        put(0xE0 | (c >> 12));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    } else {
        put(0xF0 | (c >> 18));
        put(0x80 | ((c >> 12) & 0x3F));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    }
}

// Decodes escaped text from `pos` up to the unescaped `close` character and
// leaves `pos` past it; nullopt when the line ends first. Escapes: "\\" and
// "\x" for any other character x, the C letters (\n, \t, ...), "\e", up to
// three octal digits, and "\x" with up to four hex digits for a UTF-16 unit
// (surrogate pairs are joined). The result is UTF-8.
std::optional<std::string> unescape(std::string_view line, std::size_t& pos, char close) {
    std::string out;
    char32_t high = 0;  // a high surrogate waiting for its partner
    auto flushHigh = [&] {
        if (high != 0) appendUtf8(out, 0xFFFD);
        high = 0;
    };
    while (pos < line.size()) {
        char c = line[pos++];
        if (c == close) {
            flushHigh();
            return out;
        }
        if (c != '\\' || pos >= line.size()) {
            flushHigh();
            out.push_back(c);
            continue;
        }
        char e = line[pos++];
        char32_t unit = 0;
        int base = e == 'x' ? 16 : (e >= '0' && e <= '7') ? 8 : 0;
        switch (e) {
        case 'a': unit = 7; break;
        case 'b': unit = 8; break;
        case 't': unit = 9; break;
        case 'n': unit = 10; break;
        case 'v': unit = 11; break;
        case 'f': unit = 12; break;
        case 'r': unit = 13; break;
        case 'e': unit = 27; break;
        default:
            if (base == 0 || (base == 16 && (pos >= line.size() || digitValue(line[pos], 16) < 0))) {
                flushHigh();
                out.push_back(e);
                continue;
            }
            if (base == 8) --pos;  // the first digit belongs to the number
            for (int n = 0; n < (base == 16 ? 4 : 3) && pos < line.size(); ++n) {
                int d = digitValue(line[pos], base);
                if (d < 0) break;
                unit = unit * static_cast<char32_t>(base) + static_cast<char32_t>(d);
                ++pos;
            }
        }
        if (unit >= 0xD800 && unit < 0xDC00) {
            flushHigh();
            high = unit;
        } else if (unit >= 0xDC00 && unit < 0xE000) {
            appendUtf8(out, high != 0 ? 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00) : 0xFFFD);
            high = 0;
        } else {
            flushHigh();
            appendUtf8(out, unit);
        }
    }
    return std::nullopt;
}

struct ValueLine {
    std::string name;  // empty for the key's default value ("@=")
    std::optional<std::string> text;  // nullopt when the value is not text
};

// One value line: "Name"="text", "Name"=str(2):"text" and the like for the
// other string types, or "Name"=dword:..., hex:... (not text). A string
// ends at its first NUL, as a reader of the value sees it. nullopt when the
// line is malformed.
std::optional<ValueLine> parseValueLine(std::string_view line) {
    ValueLine v;
    std::size_t pos = 1;
    if (line.starts_with('"')) {
        auto name = unescape(line, pos, '"');
        if (!name) return std::nullopt;
        v.name = std::move(*name);
    } else if (!line.starts_with('@')) {
        return std::nullopt;
    }
    if (pos >= line.size() || line[pos] != '=') return std::nullopt;
    std::string_view rest = line.substr(++pos);
    if (rest.starts_with("str(")) {
        std::size_t end = rest.find("):");
        if (end == std::string_view::npos) return std::nullopt;
        pos += end + 2;
        rest = line.substr(pos);
    }
    if (!rest.starts_with('"')) return v;
    ++pos;
    auto text = unescape(line, pos, '"');
    if (!text) return std::nullopt;
    text->resize(std::min(text->size(), text->find('\0')));
    v.text = std::move(*text);
    return v;
}

// The entry of `part` in `folder`: the one of that name, else one whose name
// differs only in letter case (the first in sorted order), else `part`.
std::string entryName(const fs::path& folder, std::string_view part) {
    std::error_code ec;
    if (part == ".." || fs::exists(fs::symlink_status(folder / part, ec))) return std::string(part);
    std::string best;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (sameName(name, part) && (best.empty() || name < best)) best = std::move(name);
    }
    return best.empty() ? std::string(part) : best;
}

}  // namespace

std::optional<std::string> findValue(std::istream& in, std::span<const std::string_view> keys,
                                     std::string_view name) {
    std::string line;
    if (!std::getline(in, line) || !line.starts_with("WINE REGISTRY Version 2")) return std::nullopt;
    std::vector<bool> present(keys.size());
    std::vector<std::string> values(keys.size());
    std::size_t current = keys.size();  // the key of the current section, if it is one of them
    while (std::getline(in, line)) {
        if (line.ends_with('\r')) line.pop_back();
        if (line.starts_with('[')) {
            std::size_t pos = 1;
            auto key = unescape(line, pos, ']');
            current = 0;
            while (current < keys.size() && !(key && sameName(*key, keys[current]))) ++current;
            if (current < keys.size()) present[current] = true;
        } else if (current < keys.size() && (line.starts_with('"') || line.starts_with('@'))) {
            auto value = parseValueLine(line);
            if (value && sameName(value->name, name)) values[current] = value->text.value_or("");
        }
    }
    if (in.bad()) return std::nullopt;
    for (const std::string& value : values) {
        if (!value.empty()) return value;
    }
    if (std::find(present.begin(), present.end(), true) != present.end()) return std::string();
    return std::nullopt;
}

std::string nativePath(const fs::path& prefix, std::string_view windowsPath) {
    std::string_view rest = windowsPath;
    if (rest.starts_with("\\\\?\\")) rest.remove_prefix(4);
    std::string drive = "c:";
    if (rest.size() >= 2 && rest[1] == ':' && lowerAscii(rest[0]) >= 'a' && lowerAscii(rest[0]) <= 'z') {
        drive[0] = lowerAscii(rest[0]);
        rest.remove_prefix(2);
    }
    fs::path link = prefix / "dosdevices" / drive;
    std::error_code ec;
    fs::path out = fs::canonical(link, ec);
    if (ec) out = link;
    while (!rest.empty()) {
        std::size_t end = std::min(rest.find('\\'), rest.find('/'));
        std::string_view part = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (!part.empty() && part != ".") out /= entryName(out, part);
    }
    return out.string();
}

std::optional<std::string> readGameFolder(const fs::path& prefix) {
    const fs::path file = prefix / "system.reg";
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return std::nullopt;
    std::uintmax_t size = fs::file_size(file, ec);
    if (ec || size > kMaxRegistryFileSize) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;

    // A 32-bit installer in a 64-bit prefix writes below Wow6432Node.
    const std::string key = kGameKey;
    const std::string wowKey = "Software\\Wow6432Node" + key.substr(key.find('\\'));
    const std::string_view keys[] = {key, wowKey};
    auto folder = findValue(in, keys, kGameValue);
    if (!folder || folder->empty()) return folder;
    return nativePath(prefix, *folder);
}

}  // namespace varnisk::wine
