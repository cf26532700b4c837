#include <gtest/gtest.h>

#include "base/CodePage.h"

using namespace varnisk;

TEST(CodePage, EveryByteGoesToUtf8AndBack) {
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all)), all);
}

TEST(CodePage, KnownCharacters) {
    EXPECT_EQ(cp1252ToUtf8("\x80"), "\u20ac");          // euro sign
    EXPECT_EQ(cp1252ToUtf8("R\xe9gis"), "R\u00e9gis");  // e acute
    EXPECT_EQ(utf8ToCp1252("\u0160koda"), "\x8akoda");
}

TEST(CodePage, CharactersTheCodePageLacksAndBrokenUtf8BecomeQuestionMarks) {
    EXPECT_EQ(utf8ToCp1252("a\u4e2db"), "a?b");
    EXPECT_EQ(utf8ToCp1252("a\xc3"), "a?");        // cut sequence
    EXPECT_EQ(utf8ToCp1252("\xff\xfe"), "??");     // no valid lead byte
    EXPECT_EQ(utf8ToCp1252("\xe2\x82x"), "??x");   // broken continuation
}
