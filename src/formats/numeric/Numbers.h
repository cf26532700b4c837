#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace varnisk {

// The one place where numbers meet text. Field texts are plain decimal text
// with a point as separator; conversions are exact to the last digit:
// extended precision (long double) for products and divisions, ties to even
// when rounding, truncation toward zero for integer division.

// Strict integer conversion of a field text: optional blanks in front, an
// optional sign, decimal digits, within 32 bits. Anything else (empty text, a
// lone minus, letters, a decimal point) throws ConversionError.
std::int32_t parseInt(std::string_view text);

// Floating-point conversion of a field text: optional blanks around, an
// optional sign, digits with an optional point, an optional exponent.
// Anything else throws ConversionError.
long double parseFloat(std::string_view text);

// The general text form: up to 15 significant digits, no trailing zeros, a
// point as separator; exponent form ("1E15", "1.5E-6") only for very large
// or very small magnitudes.
std::string formatGeneral(long double value);

// Rounds to the power of ten `digit` (-1: one decimal place, 0: integer),
// halves to the even neighbour, in extended precision.
long double roundTo(long double value, int digit);

// Integer division truncating toward zero.
constexpr long long divTrunc(long long a, long long b) { return a / b; }

// The low 16 bits of an integer as a signed value (two's complement
// wrap-around): 40000 gives -25536.
constexpr std::int16_t wrapInt16(long long value) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<unsigned long long>(value) & 0xFFFFu));
}

// An extended-precision value stored as a single-precision float, rounded
// to the nearest.
constexpr float toFloat32(long double value) { return static_cast<float>(value); }

}  // namespace varnisk
