#include <gtest/gtest.h>

#include "core/support/Unicode.hpp"

using namespace keepsift;

TEST(Unicode, ComparesByNormalForm) {
    const std::string composed = "Caf\xC3\xA9";    // é as one code point
    const std::string decomposed = "Cafe\xCC\x81"; // e + combining acute
    EXPECT_TRUE(unicode::equal(composed, decomposed));
    EXPECT_EQ(unicode::nfc(decomposed), composed);
    EXPECT_TRUE(unicode::less("IMG_1.jpg", "IMG_2.jpg"));
    EXPECT_TRUE(unicode::less("Z", "a"));
    EXPECT_TRUE(unicode::less("zebra", decomposed + "x") == false);
}

TEST(Unicode, CountsCharactersNotBytes) {
    EXPECT_EQ(unicode::characterCount("abc"), 3u);
    EXPECT_EQ(unicode::characterCount("Gr\xC3\xB6sse"), 6u);
    EXPECT_EQ(unicode::characterCount("e\xCC\x81"), 1u);
    EXPECT_EQ(unicode::characterCount("\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD"),
              1u); // thumbs up, skin tone
    EXPECT_EQ(unicode::characterCount("a\r\nb"), 3u);
    EXPECT_EQ(unicode::characters("\xC3\xA4x").front(), "\xC3\xA4");
}

TEST(Unicode, ClassesAndCase) {
    EXPECT_EQ(unicode::lowercased("\xC3\x84PFEL"), "\xC3\xA4pfel");
    EXPECT_TRUE(unicode::isLetter(U'\u00E9'));
    EXPECT_TRUE(unicode::isNumber(U'\u0663')); // Arabic-Indic three
    EXPECT_TRUE(unicode::isWhitespace(U'\u00A0'));
    EXPECT_FALSE(unicode::isLetter(U'7'));
    EXPECT_EQ(unicode::utf8(unicode::codePoints("a\xE2\x80\x94z")), "a\xE2\x80\x94z");
}

TEST(Unicode, WellFormedReplacesEachIllFormedSequence) {
    EXPECT_TRUE(unicode::isWellFormed("plain \xC3\xA9 \xF0\x9F\x93\xB7"));
    EXPECT_FALSE(unicode::isWellFormed("\xC0\xAF"));         // overlong "/"
    EXPECT_FALSE(unicode::isWellFormed("\xED\xA0\x80"));     // a surrogate
    EXPECT_FALSE(unicode::isWellFormed("\xF4\x90\x80\x80")); // beyond U+10FFFF
    EXPECT_EQ(unicode::wellFormed("caf\xE9"), "caf\xEF\xBF\xBD");
    EXPECT_EQ(unicode::wellFormed("ok"), "ok");
}
