#include <gtest/gtest.h>

#include "core/support/Json.hpp"
#include "core/support/Unicode.hpp"

using namespace keepsift;

TEST(JsonNumbers, DoublesUseShortestDigitsWithoutTrailingZero) {
    EXPECT_EQ(jsonNumberText(1.0), "1");
    EXPECT_EQ(jsonNumberText(0.0001), "0.0001");
    EXPECT_EQ(jsonNumberText(0.00001), "1e-05");
    EXPECT_EQ(jsonNumberText(-0.0), "-0");
    EXPECT_EQ(jsonNumberText(0.1), "0.1");
    EXPECT_EQ(jsonNumberText(123456.75), "123456.75");
    EXPECT_EQ(jsonNumberText(9007199254740992.0), "9007199254740992");
    EXPECT_EQ(jsonNumberText(18014398509481984.0), "1.8014398509481984e+16");
    EXPECT_EQ(jsonNumberText(-2.5e-7), "-2.5e-07");
    EXPECT_EQ(jsonNumberText(1e300), "1e+300");
}

TEST(JsonNumbers, FloatsPrintTheirOwnDigitsAndReadBackExactly) {
    EXPECT_EQ(jsonNumberText(0.58f), "0.58");
    const Json parsed = Json::parse("[0.58, 1e-05, 3]");
    EXPECT_EQ(parsed.asArray()[0].asFloat(), 0.58f);
    EXPECT_EQ(parsed.asArray()[1].asDouble(), 0.00001);
    EXPECT_EQ(parsed.asArray()[2].asInt64(), 3);
}

TEST(JsonNumbers, NonFiniteValuesAreNeverWritten) {
    EXPECT_EQ(Json::number(std::numeric_limits<double>::quiet_NaN()).dump(), "0");
    EXPECT_EQ(Json::number32(std::numeric_limits<float>::infinity()).dump(), "0");
}

TEST(JsonRead, IntegersRejectFractionsAndTypesAreStrict) {
    const Json j = Json::parse(R"({"a":1.5,"b":true,"c":"x","d":1})");
    EXPECT_THROW(j.at("a").asInt64(), JsonError);
    EXPECT_THROW(j.at("d").asBool(), JsonError);
    EXPECT_THROW(j.at("c").asDouble(), JsonError);
    EXPECT_THROW(j.at("missing"), JsonError);
    EXPECT_EQ(j.find("missing"), nullptr);
    EXPECT_THROW(Json::parse("{\"a\":"), JsonError);
    EXPECT_THROW(Json::parse("[1,2] x"), JsonError);
}

TEST(JsonWrite, EscapesLikeTheReferenceWriter) {
    const Json j = Json(std::string("a\"b\\c/d\n\t\x01 é"));
    EXPECT_EQ(j.dump(), "\"a\\\"b\\\\c\\/d\\n\\t\\u0001 é\"");
    EXPECT_EQ(Json::parse(j.dump()), j);
}

TEST(JsonWrite, IllFormedBytesAreWrittenAsReplacementCharacters) {
    // A Latin-1 file name, a stray continuation byte, an encoded surrogate, a cut sequence.
    for (const std::string bytes : {"caf\xe9.jpg",
                                    "a\x80"
                                    "b",
                                    "\xed\xa0\x80", "\xe6\x97"}) {
        const std::string text = Json(bytes).dump();
        EXPECT_NE(text.find("\xef\xbf\xbd"), std::string::npos) << text;
        EXPECT_EQ(Json::parse(text).asString(), unicode::wellFormed(bytes));
    }
    EXPECT_EQ(Json(std::string("caf\xe9/x")).dump(), "\"caf\xef\xbf\xbd\\/x\"");
    EXPECT_EQ(Json(std::string("\xe6\x97\xa5")).dump(), "\"\xe6\x97\xa5\"");
}

TEST(JsonWrite, CompactKeepsDeclarationOrder) {
    Json j = Json::object();
    j.set("z", Json::integer(1)).set("a", Json::array()).set("m", Json());
    EXPECT_EQ(j.dump(), R"({"z":1,"a":[],"m":null})");
}

TEST(JsonWrite, SortedPrettyForm) {
    Json inner = Json::object();
    Json j = Json::object();
    j.set("b", Json::array({Json::integer(1), Json("x")}))
        .set("a", std::move(inner))
        .set("c", Json::array())
        .set("É", true);
    EXPECT_EQ(j.dumpSortedPretty(), "{\n"
                                    "  \"a\" : {\n\n  },\n"
                                    "  \"b\" : [\n    1,\n    \"x\"\n  ],\n"
                                    "  \"c\" : [\n\n  ],\n"
                                    "  \"É\" : true\n"
                                    "}");
}

namespace keepsift {
namespace {

std::string nested(int levels, char open = '[', char close = ']') {
    return std::string(static_cast<size_t>(levels), open) +
           std::string(static_cast<size_t>(levels), close);
}

// 300,000 levels are 600 KB of text; they once overflowed the stack on every start.
TEST(JsonDepth, DeepNestingIsRefusedAsASyntaxError) {
    EXPECT_THROW(Json::parse(nested(300000)), JsonError);
    std::string objects;
    for (int i = 0; i < 300000; ++i)
        objects += "{\"a\":";
    objects += "1" + std::string(300000, '}');
    EXPECT_THROW(Json::parse(objects), JsonError);
    EXPECT_THROW(Json::parse(nested(Json::maximumDepth + 1)), JsonError);
    EXPECT_NO_THROW(Json::parse(nested(Json::maximumDepth)));
}

TEST(JsonDepth, DeepValuesAreDestroyedWithoutExhaustingTheStack) {
    Json deep = Json::array();
    for (int i = 0; i < 300000; ++i) {
        Json outer = Json::object();
        outer.add("a", std::move(deep));
        deep = Json::array();
        deep.push(std::move(outer));
    }
    Json copy = Json::array();
    copy.push(std::move(deep));
}

TEST(JsonWrite, AddAppendsWithoutLookingForTheKey) {
    Json j = Json::object();
    j.add("b", Json::integer(1)).add("a", Json());
    EXPECT_EQ(j.dump(), R"({"b":1,"a":null})");
}

} // namespace
} // namespace keepsift
