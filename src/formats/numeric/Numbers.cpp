#include "numeric/Numbers.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "base/Errors.h"

namespace varnisk {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

[[noreturn]] void notInteger(std::string_view text) {
    throw ConversionError("'" + std::string(text) + "' is not a valid integer value");
}

[[noreturn]] void notFloat(std::string_view text) {
    throw ConversionError("'" + std::string(text) + "' is not a valid floating point value");
}

}  // namespace

std::int32_t parseInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i == text.size()) notInteger(text);
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (!isDigit(text[i])) notInteger(text);
        value = value * 10 + (text[i] - '0');
        if (value > 2147483648LL) notInteger(text);
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max()) notInteger(text);
    return static_cast<std::int32_t>(value);
}

long double parseFloat(std::string_view text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && text[begin] == ' ') ++begin;
    while (end > begin && text[end - 1] == ' ') --end;
    std::string_view body = text.substr(begin, end - begin);
    // Check the shape first: from_chars alone would take "inf", "nan" or hex.
    std::size_t i = 0;
    if (i < body.size() && (body[i] == '-' || body[i] == '+')) ++i;
    std::size_t digits = 0;
    while (i < body.size() && isDigit(body[i])) ++i, ++digits;
    if (i < body.size() && body[i] == '.') {
        ++i;
        while (i < body.size() && isDigit(body[i])) ++i, ++digits;
    }
    if (digits == 0) notFloat(text);
    if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
        ++i;
        if (i < body.size() && (body[i] == '-' || body[i] == '+')) ++i;
        std::size_t expDigits = 0;
        while (i < body.size() && isDigit(body[i])) ++i, ++expDigits;
        if (expDigits == 0) notFloat(text);
    }
    if (i != body.size()) notFloat(text);
    std::string_view number = body;
    if (!number.empty() && number[0] == '+') number.remove_prefix(1);
#ifdef _WIN32
    // The C++ library of the Windows build reads a long double through double
    // precision (0.3 would lose its last eleven bits); the C library's
    // strtold is exact. Its decimal point is the locale's.
    std::string copy(number);
    const char point = *std::localeconv()->decimal_point;
    for (char& c : copy) {
        if (c == '.') c = point;
    }
    errno = 0;
    char* stop = nullptr;
    const long double value = std::strtold(copy.c_str(), &stop);
    if (stop != copy.c_str() + copy.size() || errno == ERANGE || !std::isfinite(value)) notFloat(text);
#else
    long double value = 0;
    auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec != std::errc() || ptr != number.data() + number.size() || !std::isfinite(value)) notFloat(text);
#endif
    return value;
}

std::string formatGeneral(long double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";
    // Whole numbers of up to 15 digits, most of what the sheet shows, print
    // as they are.
    if (value > -1e15L && value < 1e15L) {
        const auto whole = static_cast<long long>(value);
        if (static_cast<long double>(whole) == value) {
            char digits[24];
            auto [end, error] = std::to_chars(digits, digits + sizeof digits, whole);
            return std::string(digits, end);
        }
    }
    // Tenths, what the one-decimal fields show: a value this close to k / 10
    // (far closer than the 15th digit can tell) prints as k / 10.
    if (value > -1e13L && value < 1e13L) {
        const auto k = static_cast<long long>(std::nearbyint(value * 10));
        const long double tenths = static_cast<long double>(k) / 10;
        if (std::fabs(value - tenths) <= std::fabs(value) * 1e-17L) {
            const unsigned long long magnitude = k < 0 ? static_cast<unsigned long long>(-k) : static_cast<unsigned long long>(k);
            std::string out = k < 0 ? "-" : "";
            out += std::to_string(magnitude / 10);
            if (magnitude % 10 != 0) out += "." + std::to_string(magnitude % 10);
            return out;
        }
    }
    // 15 significant digits, correctly rounded: d.dddddddddddddde[+-]x
    char buffer[64];
    auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    std::string sci(buffer, ptr);
    bool negative = sci[0] == '-';
    if (negative) sci.erase(0, 1);
    std::size_t e = sci.find('e');
    int exponent = std::stoi(sci.substr(e + 1));
    std::string digits = sci.substr(0, 1) + sci.substr(2, e - 2);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    std::string out = negative ? "-" : "";
    int point = exponent + 1;  // digits before the decimal point
    if (point > 15 || point < -3) {
        out += digits.substr(0, 1);
        if (digits.size() > 1) out += "." + digits.substr(1);
        out += "E" + std::to_string(exponent);
    } else if (point <= 0) {
        out += "0." + std::string(static_cast<std::size_t>(-point), '0') + digits;
    } else if (static_cast<std::size_t>(point) >= digits.size()) {
        out += digits + std::string(static_cast<std::size_t>(point) - digits.size(), '0');
    } else {
        out += digits.substr(0, static_cast<std::size_t>(point)) + "." + digits.substr(static_cast<std::size_t>(point));
    }
    return out;
}

long double roundTo(long double value, int digit) {
    long double power = 1.0L;  // 10 to the |digit|, exact for the digits used
    for (int i = 0; i < (digit < 0 ? -digit : digit); ++i) power *= 10.0L;
    long double scale = digit < 0 ? 1.0L / power : power;
    long double scaled = value / scale;
    long double rounded = std::nearbyint(scaled);  // the default mode: ties to even
    return rounded * scale;
}

}  // namespace varnisk
