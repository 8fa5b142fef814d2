#include <gtest/gtest.h>

#include "core/support/Json.hpp"
#include "telemetry/client/Analytics.hpp"
#include "telemetry/client/Hashing.hpp"
#include "telemetry/client/SignalPostBody.hpp"

namespace keepsift::analytics {
namespace {

SignalPostBody record() {
    SignalPostBody r;
    r.receivedAt = *Date::parseIso8601("2026-12-05T17:10:42.75Z");
    r.appID = "APP/1";
    r.clientUser = sha256Hex("user", "salt");
    r.sessionID = "0A1B2C3D-0000-4000-8000-00000000000F";
    r.type = "com.ambervale.app.launched";
    r.payload = Payload(ParameterMap{{"b", "tab\there"}, {"a", "quote\" back\\ \x01"}});
    r.isTestMode = "false";
    return r;
}

TEST(PostBody, UploadBatchIsExactJson) {
    SignalPostBody second = record();
    second.floatValue = 1.5;
    second.isTestMode = "true";
    second.payload = Payload(ParameterMap{});
    const std::string expected =
        std::string(
            R"([{"receivedAt":"2026-12-05T17:10:42+0000","appID":"APP\/1","clientUser":")") +
        sha256Hex("user", "salt") +
        R"(","sessionID":"0A1B2C3D-0000-4000-8000-00000000000F","type":"com.ambervale.app.launched",)"
        R"("payload":{"a":"quote\" back\\ \u0001","b":"tab\there"},"isTestMode":"false"},)"
        R"({"receivedAt":"2026-12-05T17:10:42+0000","appID":"APP\/1","clientUser":")" +
        sha256Hex("user", "salt") +
        R"(","sessionID":"0A1B2C3D-0000-4000-8000-00000000000F","type":"com.ambervale.app.launched",)"
        R"("floatValue":1.5,"payload":{},"isTestMode":"true"}])";
    EXPECT_EQ(encodeUploadBatch({record(), second}), expected);
}

TEST(PostBody, AbsentFloatValueLeavesSevenKeysAndTestModeIsText) {
    const Json json = Json::parse(encodeUploadBatch({record()}));
    const Json& object = json.asArray().at(0);
    EXPECT_EQ(object.asObject().size(), 7u);
    EXPECT_EQ(object.find("floatValue"), nullptr);
    EXPECT_EQ(object.at("isTestMode").type(), Json::Type::string);
}

TEST(PostBody, BackupKeepsFractionsAndReadsBackEqual) {
    SignalPostBody withFloat = record();
    withFloat.floatValue = 0.1;
    const std::vector<SignalPostBody> records{record(), withFloat};
    const std::string backup = encodeBackup(records);
    EXPECT_NE(backup.find(R"("receivedAt":818183442.75)"), std::string::npos) << backup;
    EXPECT_EQ(decodeBackup(backup), records);
    EXPECT_EQ(uploadDateText(record().receivedAt), "2026-12-05T17:10:42+0000");
    EXPECT_EQ(uploadDateText(Date{-0.5}), "2000-12-31T23:59:59+0000");
}

TEST(PostBody, BackupReaderRefusesIncompleteOrMistypedRecords) {
    EXPECT_THROW(decodeBackup(R"([{"receivedAt":1}])"), JsonError);
    EXPECT_THROW(decodeBackup(R"({"receivedAt":1})"), JsonError);
    EXPECT_THROW(decodeBackup(""), JsonError);
    std::string text = encodeBackup(std::vector<SignalPostBody>{record()});
    EXPECT_THROW(decodeBackup(text.substr(0, text.size() - 3)), JsonError);
    const auto at = text.find("818183442.75");
    EXPECT_THROW(decodeBackup(text.replace(at, 12, "\"2026-12-05\"")), JsonError);
    const auto withNull =
        decodeBackup(R"([{"receivedAt":0,"appID":"a","clientUser":"u","sessionID":"s","type":"t",)"
                     R"("floatValue":null,"payload":{},"isTestMode":"false","extra":[1]}])");
    ASSERT_EQ(withNull.size(), 1u);
    EXPECT_EQ(withNull[0].floatValue, std::nullopt);
}

TEST(PostBody, ReadBackPayloadsShareTheirDefaults) {
    SignalPostBody a = record(), b = record();
    a.payload = Payload(ParameterMap{{"Analytics.Device.platform", "Linux"}, {"x", "1"}});
    b.payload = Payload(ParameterMap{{"Analytics.Device.platform", "Linux"}, {"y", "2"}});
    const auto read = decodeBackup(encodeBackup(std::vector<SignalPostBody>{a, b}));
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].payload.base(), read[1].payload.base());
    EXPECT_EQ(read[1].payload.merged(),
              (ParameterMap{{"Analytics.Device.platform", "Linux"}, {"y", "2"}}));
}

TEST(PostBody, BackupPayloadKeysInAnyOrderAndTwiceReadAsAMap) {
    const auto read = decodeBackup(
        R"([{"receivedAt":0,"appID":"a","clientUser":"u","sessionID":"s","type":"t",)"
        R"("payload":{"z":"1","locale":"x","a":"first","a":"second","Analytics.B":"b",)"
        R"("Analytics.A":"a"},"isTestMode":"false"}])");
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].payload.merged(), (ParameterMap{{"Analytics.A", "a"},
                                                      {"Analytics.B", "b"},
                                                      {"a", "second"},
                                                      {"locale", "x"},
                                                      {"z", "1"}}));
}

TEST(PostBody, PayloadOwnParametersWinOverTheSharedOnes) {
    auto base = std::make_shared<const ParameterMap>(ParameterMap{{"a", "base"}, {"c", "base"}});
    const Payload layered(base, ParameterMap{{"b", "own"}, {"c", "own"}});
    EXPECT_EQ(layered.merged(), (ParameterMap{{"a", "base"}, {"b", "own"}, {"c", "own"}}));
    EXPECT_EQ(layered, Payload(ParameterMap{{"a", "base"}, {"b", "own"}, {"c", "own"}}));
    EXPECT_NE(layered, Payload(ParameterMap{{"a", "base"}, {"b", "own"}}));
    EXPECT_EQ(layered.size(), 3u);
}

TEST(PrefixedParameterKeys, PrefixesAllButTheClientsOwnKeys) {
    const ParameterMap parameters{{"x", "1"}, {"Analytics.Device.platform", "p"}};
    EXPECT_EQ(prefixedParameterKeys(parameters, std::nullopt), parameters);
    EXPECT_EQ(prefixedParameterKeys(parameters, std::string("app.")),
              (ParameterMap{{"app.x", "1"}, {"Analytics.Device.platform", "p"}}));
    const auto collided =
        prefixedParameterKeys({{"x", "plain"}, {"p.x", "prefixed"}}, std::string("p."));
    EXPECT_EQ(collided.size(), 2u);
    EXPECT_EQ(collided.count("p.x"), 1u);
    EXPECT_EQ(collided.count("p.p.x"), 1u);
}

TEST(Hashing, SaltedSha256IsLowerCaseHexOfTheJoinedText) {
    EXPECT_EQ(sha256Hex("", ""),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256Hex("ab", "c"), sha256Hex("a", "bc"));
    EXPECT_NE(sha256Hex("ab", "c"), sha256Hex("ab", "d"));
    for (const std::string& text :
         std::vector<std::string>{"x", "\xff\xfe", std::string(100000, 'y')}) {
        const std::string hash = sha256Hex(text, "salt");
        EXPECT_EQ(hash.size(), 64u);
        EXPECT_EQ(hash.find_first_not_of("0123456789abcdef"), std::string::npos);
    }
    const std::string uuid = randomUUIDText();
    EXPECT_EQ(uuid.size(), 36u);
    EXPECT_EQ(uuid[14], '4');
    EXPECT_NE(uuid, randomUUIDText());
}

TEST(LogHandler, PassesOnlyLevelsAtOrAboveItsOwn) {
    std::vector<std::string> passed;
    LogHandler handler{LogHandler::LogLevel::error,
                       [&](LogHandler::LogLevel, const std::string& m) { passed.push_back(m); }};
    handler.log(LogHandler::LogLevel::debug, "d");
    handler.log(LogHandler::LogLevel::info, "i");
    handler.log(LogHandler::LogLevel::error, "e");
    handler.logLevel = LogHandler::LogLevel::debug;
    handler.log(LogHandler::LogLevel::debug, "d");
    EXPECT_EQ(passed, (std::vector<std::string>{"e", "d"}));
    EXPECT_EQ(LogHandler::description(LogHandler::LogLevel::info), "INFO");
    EXPECT_EQ(LogHandler::levelFromRaw(2), LogHandler::LogLevel::error);
    EXPECT_EQ(LogHandler::levelFromRaw(3), std::nullopt);
    ::testing::internal::CaptureStdout();
    LogHandler::printOutput(LogHandler::LogLevel::info, "hello");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "[Analytics: INFO] hello\n");
}

} // namespace
} // namespace keepsift::analytics
