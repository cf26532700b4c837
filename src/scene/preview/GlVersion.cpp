#include "preview/GlVersion.h"

#include <cstddef>

namespace varnisk {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the digits at `at` into `value` (held at 1000 so that no length of
// digits overflows); false when there is none.
bool readNumber(const std::string& text, std::size_t& at, int& value) {
    const std::size_t start = at;
    value = 0;
    while (at < text.size() && isDigit(text[at])) {
        if (value < 1000) value = value * 10 + (text[at] - '0');
        ++at;
    }
    return at > start;
}

}  // namespace

bool glVersionAtLeast11(const std::string& versionString) {
    std::size_t at = 0;
    int major = 0, minor = 0;
    if (!readNumber(versionString, at, major)) return false;
    if (at >= versionString.size() || versionString[at] != '.') return false;
    ++at;
    if (!readNumber(versionString, at, minor)) return false;
    return major > 1 || (major == 1 && minor >= 1);
}

}  // namespace varnisk
