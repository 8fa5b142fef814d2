#include <gtest/gtest.h>

#include "core/support/Json.hpp"
#include "core/support/Unicode.hpp"
#include "platform/library/CatalogueWalk.hpp"
#include "platform/library/NameText.hpp"

namespace keepsift {
namespace {

// U+F7E9, the text form of the lone byte 0xE9.
const std::string byteE9 = "\xEF\x9F\xA9";

bool survivesJson(const std::string& text) {
    return Json::parse(Json(text).dump()).asString() == text;
}

TEST(NameTextTest, WellFormedNamesAreTheirOwnTextForm) {
    for (std::string name : {"", "IMG_1.jpg", "café.jpg", "e\xCC\x81t\xC3\xA9", "日本.heic",
                             "\xF0\x9F\x93\xB7.jpg", "\xEF\x9C\x80 below the byte range"}) {
        EXPECT_EQ(textOfName(name), name);
        EXPECT_EQ(nameOfText(name), name);
    }
}

TEST(NameTextTest, ForeignBytesBecomePrivateUseCharactersAndComeBack) {
    EXPECT_EQ(textOfName("caf\xE9.jpg"), "caf" + byteE9 + ".jpg");
    const std::string malformed[] = {"caf\xE9.jpg",
                                     "\xFF\xFE",
                                     "\xC0\xAF overlong slash",
                                     "\xED\xA0\x80 surrogate",
                                     "\xF4\x90\x80\x80",
                                     "cut \xE2\x82",
                                     "\xC3",
                                     "\x80\x80\x80",
                                     "mixed \xC3\xA9\xE9\xC3"};
    for (const std::string& name : malformed) {
        std::string text = textOfName(name);
        EXPECT_TRUE(survivesJson(text)) << text;
        EXPECT_EQ(unicode::nfc(text), text);
        EXPECT_EQ(nameOfText(text), name);
    }
}

TEST(NameTextTest, ARealCharacterOfTheByteRangeIsEscapedSoNoTwoNamesShareAForm) {
    // U+F7E9 itself, as its own bytes, must not read back as the lone byte 0xE9.
    std::string real = byteE9 + ".jpg";
    std::string lone = "\xE9.jpg";
    EXPECT_NE(textOfName(real), textOfName(lone));
    EXPECT_EQ(nameOfText(textOfName(real)), real);
    EXPECT_EQ(nameOfText(textOfName(lone)), lone);
    EXPECT_EQ(textOfName(real), "\xEF\x9F\xAF\xEF\x9E\x9F\xEF\x9E\xA9.jpg");
}

TEST(NameTextTest, EveryOneAndTwoByteNameComesBack) {
    for (int a = 1; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            std::string name{static_cast<char>(a)};
            if (b != 0) name += static_cast<char>(b);
            std::string text = textOfName(name);
            ASSERT_EQ(nameOfText(text), name) << a << " " << b;
            ASSERT_TRUE(survivesJson(text)) << a << " " << b;
        }
    }
}

TEST(NameTextTest, IdentifiersOfForeignPathsAreTextAndNameTheirPathAgain) {
    std::string path = "Archiv M\xFCller/caf\xE9.jpg";
    std::string id = identifierOf(path);
    EXPECT_TRUE(survivesJson(id));
    EXPECT_EQ(relativePathOf(id), path);
    // A well-formed path keeps its NFC identifier.
    EXPECT_EQ(identifierOf("e\xCC\x81.jpg"), "\xC3\xA9.jpg");
    EXPECT_EQ(relativePathOf("\xC3\xA9.jpg"), "\xC3\xA9.jpg");
}

} // namespace
} // namespace keepsift
