#include <gtest/gtest.h>

#include "core/index/FastJson.hpp"

namespace keepsift {
namespace {

TEST(FastJson, BuildsTheSameTreeAsTheReferenceParser) {
    for (
        const char* text : {
            R"({"a":1,"b":-12,"c":0,"d":1.5,"e":-0,"f":1e-05,"g":0.58,"h":1E+2,"i":18446744073709551616})",
            R"( [ true , false , null , "x" , [ ] , { } , [[["deep"]]] ] )",
            R"({"s":"a\/b\"c\\d\n\t\b\f\r","u":"\u00e9\ud83d\ude00","raw":"é😀","k\u0031":2})",
            R"({"n":-9223372036854775808,"m":9223372036854775807,"p":123456789012345678901234567890})",
            R"({"f32":0.1234567,"big":1.7976931348623157e+308,"tiny":5e-324,"neg":-0.0})",
            "\"top\"",
            "42",
            "\xEF\xBB\xBF {\"bom\":[1]}",
        })
        EXPECT_EQ(parseJsonFast(text), Json::parse(text)) << text;
}

TEST(FastJson, RefusesWhatTheReferenceParserRefuses) {
    for (const char* text : {
             "",
             "{",
             "}",
             "{\"a\"}",
             "{\"a\":}",
             "{\"a\":1,}",
             "[1,]",
             "[1 2]",
             "{\"a\":01}",
             "{\"a\":.5}",
             "{\"a\":1.}",
             "{\"a\":+1}",
             "{\"a\":tru}",
             "{\"a\":truex}",
             "{\"a\":nan}",
             "{\"a\":\"\x01\"}",
             "{\"a\":\"\\x\"}",
             "{\"a\":\"\\u12\"}",
             "{\"a\":\"\xff\"}",
             "{\"a\":\"open}",
             "{\"a\":1} x",
             "{a:1}",
             "[\"\\\"]",
             "\xEF\xBB\xBF",
             "\xEF\xBB{}",
             "[1,\xEF\xBB\xBF 2]",
             " \xEF\xBB\xBF{}",
         }) {
        EXPECT_THROW(Json::parse(text), JsonError) << text;
        EXPECT_THROW(parseJsonFast(text), JsonError) << text;
    }
}

TEST(FastJson, KeepsTheFirstOfDuplicateKeysAsFindWould) {
    const Json json = parseJsonFast(R"({"a":1,"a":2})");
    EXPECT_EQ(json.at("a").asInt64(), 1);
    EXPECT_EQ(Json::parse(R"({"a":1,"a":2})").at("a").asInt64(), 1);
}

TEST(FastJson, RefusesRunawayNesting) {
    EXPECT_THROW(parseJsonFast(std::string(100000, '[') + std::string(100000, ']')), JsonError);
}

} // namespace
} // namespace keepsift

namespace keepsift {
namespace {

TEST(FastJson, NestsAsDeepAsTheReferenceParser) {
    const int depth = Json::maximumDepth;
    const std::string deepest = std::string(depth, '[') + std::string(depth, ']');
    EXPECT_EQ(parseJsonFast(deepest), Json::parse(deepest));
    const std::string deeper = "[" + deepest + "]";
    EXPECT_THROW(parseJsonFast(deeper), JsonError);
    EXPECT_THROW(Json::parse(deeper), JsonError);
}

// An object of 200,000 members once took minutes: each key was looked up among all before.
TEST(FastJson, LargeObjectsReadInLinearTimeAndKeepTheFirstOfDuplicates) {
    std::string text = "{";
    for (int i = 0; i < 200000; ++i)
        text += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
    text += "\"k5\":-1,\"k150000\":-1}";
    const Json json = parseJsonFast(text);
    EXPECT_EQ(json.asObject().size(), 200000u);
    EXPECT_EQ(json.at("k5").asInt64(), 5);
    EXPECT_EQ(json.at("k150000").asInt64(), 150000);
}

} // namespace
} // namespace keepsift
