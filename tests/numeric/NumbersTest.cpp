#include <gtest/gtest.h>

#include <charconv>
#include <random>
#include <string>

#include "base/Errors.h"
#include "numeric/Numbers.h"

using namespace varnisk;

TEST(Numbers, IntegerFieldTexts) {
    struct Case { const char* text; int value; };
    for (Case c : {Case{"0", 0}, {"40", 40}, {"-3", -3}, {"+7", 7}, {"  12", 12}, {"007", 7},
                   {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1}}) {
        EXPECT_EQ(parseInt(c.text), c.value) << c.text;
    }
}

TEST(Numbers, TextsThatAreNoIntegerAreConversionErrors) {
    for (const char* text : {"", "-", "+", "1.5", "12 ", "abc", "1e3", "--5", "2147483648", "99999999999999999999"}) {
        EXPECT_THROW(parseInt(text), ConversionError) << text;
    }
    try {
        parseInt("x1");
        FAIL();
    } catch (const ConversionError& e) {
        EXPECT_STREQ(e.what(), "'x1' is not a valid integer value");
    }
}

TEST(Numbers, FloatFieldTexts) {
    struct Case { const char* text; long double value; };
    for (Case c : {Case{"12.5", 12.5L}, {"-0.3", -0.3L}, {"1.", 1.0L}, {".5", 0.5L}, {" 4 ", 4.0L},
                   {"1E3", 1000.0L}, {"-2.5e-1", -0.25L}, {"+3", 3.0L}}) {
        EXPECT_EQ(parseFloat(c.text), c.value) << c.text;
    }
    for (const char* text : {"", "-", ".", "1.2.3", "1,5", "inf", "nan", "0x10", "1e", "e5"}) {
        EXPECT_THROW(parseFloat(text), ConversionError) << text;
    }
}

TEST(Numbers, GeneralTextForm) {
    struct Case { long double value; const char* text; };
    for (Case c : {Case{12, "12"}, {12.5L, "12.5"}, {-0.3L, "-0.3"}, {0, "0"}, {-0.0L, "0"},
                   {0.1L + 0.2L, "0.3"}, {123456789012345.0L, "123456789012345"}, {1e15L, "1E15"},
                   {0.0001L, "0.0001"}, {0.00001L, "1E-5"}, {-1.5e-7L, "-1.5E-7"}, {-32768, "-32768"},
                   {2.0L / 3.0L, "0.666666666666667"}}) {
        EXPECT_EQ(formatGeneral(c.value), c.text);
    }
}

TEST(Numbers, RoundToGoesToTheEvenNeighbourOnTies) {
    EXPECT_EQ(roundTo(12.5L, 0), 12);
    EXPECT_EQ(roundTo(13.5L, 0), 14);
    EXPECT_EQ(roundTo(-2.5L, 0), -2);
    EXPECT_EQ(formatGeneral(roundTo(0.25L, -1)), "0.2");
    EXPECT_EQ(formatGeneral(roundTo(0.35L, -1)), "0.4");
    EXPECT_EQ(formatGeneral(roundTo(12.34L, -1)), "12.3");
}

TEST(Numbers, IntegerDivisionTruncatesTowardZero) {
    EXPECT_EQ(divTrunc(-7, 2), -3);
    EXPECT_EQ(divTrunc(364, 182), 2);
    EXPECT_EQ(divTrunc(-365, 182), -2);
}

namespace varnisk {
namespace {

// The shortcuts for whole numbers and tenths print what the full 15-digit
// form prints.
TEST(Numbers, ShortcutsAgreeWithTheFullGeneralForm) {
    auto full = [](long double value) {
        char buffer[64];
        auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
        return std::string(buffer, end);
    };
    std::mt19937_64 random(6);
    for (int i = 0; i < 20000; ++i) {
        const auto stored = static_cast<float>(static_cast<double>(random() % 4000001) / 1000000.0 - 2.0);
        const long double values[] = {roundTo(100.0L * stored, -1), roundTo(200.0L * stored + 0.6L, -1),
                                      roundTo(100.0L * stored, -1) + 90, roundTo(100.0L * stored, 0),
                                      static_cast<long double>(stored)};
        for (long double v : values) {
            if (v == 0) continue;
            const std::string expected = full(v);
            if (expected.find('e') != std::string::npos) continue;
            ASSERT_EQ(formatGeneral(v), expected) << static_cast<double>(v);
        }
    }
}

}  // namespace
}  // namespace varnisk
