#include "base/CodePage.h"

namespace varnisk {

namespace {

// Unicode code points of the bytes 0x80..0x9F; the other bytes are Latin-1.
constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

}  // namespace

char32_t cp1252ToUnicode(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) return kHigh[byte - 0x80];
    return byte;
}

int unicodeToCp1252(char32_t code) {
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<int>(code);
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == code) return 0x80 + i;
    }
    return -1;
}

std::string cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) appendUtf8(out, cp1252ToUnicode(static_cast<unsigned char>(ch)));
    return out;
}

std::string utf8ToCp1252(std::string_view utf8) {
    std::string out;
    std::size_t i = 0;
    while (i < utf8.size()) {
        unsigned char lead = static_cast<unsigned char>(utf8[i]);
        int extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : -1;
        char32_t code = extra == 0 ? lead : extra == 1 ? (lead & 0x1F) : extra == 2 ? (lead & 0x0F) : (lead & 0x07);
        bool ok = extra >= 0 && i + static_cast<std::size_t>(extra) < utf8.size();
        if (ok) {
            for (int k = 1; k <= extra; ++k) {
                unsigned char next = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
                if ((next & 0xC0) != 0x80) {
                    ok = false;
                    break;
                }
                code = (code << 6) | (next & 0x3F);
            }
        }
        if (!ok) {
            out.push_back('?');
            ++i;
            continue;
        }
        int byte = unicodeToCp1252(code);
        out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::string lowerCp1252(std::string_view bytes) {
    std::string out(bytes);
    for (char& ch : out) {
        const auto c = static_cast<unsigned char>(ch);
        unsigned char lower = c;
        if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) lower = static_cast<unsigned char>(c + 0x20);
        else if (c == 0x8A || c == 0x8C || c == 0x8E) lower = static_cast<unsigned char>(c + 0x10);
        else if (c == 0x9F) lower = 0xFF;
        ch = static_cast<char>(lower);
    }
    return out;
}

}  // namespace varnisk
