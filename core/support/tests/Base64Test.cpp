#include <gtest/gtest.h>

#include "core/support/Base64.hpp"

using namespace keepsift;

TEST(Base64, EncodesWithPadding) {
    const std::vector<std::uint8_t> bytes{0xFF, 0x7F, 0x01, 0x80};
    EXPECT_EQ(base64Encode(bytes), "/38BgA==");
    EXPECT_EQ(base64Encode(std::vector<std::uint8_t>{}), "");
    EXPECT_EQ(base64Encode(std::vector<std::uint8_t>{'a', 'b', 'c'}), "YWJj");
    EXPECT_EQ(base64Encode(std::vector<std::uint8_t>{'a', 'b'}), "YWI=");
}

TEST(Base64, DecodesWhatItEncodes) {
    std::vector<std::uint8_t> bytes;
    for (int n = 0; n < 300; ++n) {
        EXPECT_EQ(base64Decode(base64Encode(bytes)), bytes);
        bytes.push_back(static_cast<std::uint8_t>(n * 37));
    }
}

TEST(Base64, RefusesInvalidText) {
    for (const char* text : {"abc", "ab=c", "a===", "====", "YW*j", "YWJj\n", "=YWJ"})
        EXPECT_FALSE(base64Decode(text)) << text;
    EXPECT_EQ(base64Decode("AAAA")->size(), 3u);
}
