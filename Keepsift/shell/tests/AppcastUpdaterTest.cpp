#include <atomic>
#include <gtest/gtest.h>
#include <httplib.h>
#include <memory>
#include <openssl/evp.h>
#include <thread>

#include "Keepsift/shell/Appcast.hpp"
#include "Keepsift/shell/AppcastUpdater.hpp"
#include "Keepsift/shell/FeedSignature.hpp"
#include "Keepsift/shell/tests/QtEnvironment.hpp"
#include "core/support/Base64.hpp"
#include "platform/files/tests/TemporaryFolder.hpp"

namespace keepsift::app {
namespace {

// An Ed25519 key pair made for the test.
class SigningKey {
public:
    SigningKey() {
        std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> context(
            EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr), &EVP_PKEY_CTX_free);
        EVP_PKEY_keygen_init(context.get());
        EVP_PKEY* made = nullptr;
        EVP_PKEY_keygen(context.get(), &made);
        key_.reset(made);
    }
    std::string publicKey() const {
        std::vector<std::uint8_t> raw(32);
        size_t length = raw.size();
        EVP_PKEY_get_raw_public_key(key_.get(), raw.data(), &length);
        return base64Encode(raw);
    }
    std::string sign(const std::string& text) const {
        std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                        &EVP_MD_CTX_free);
        EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key_.get());
        std::vector<std::uint8_t> signature(64);
        size_t length = signature.size();
        EVP_DigestSign(context.get(), signature.data(), &length,
                       reinterpret_cast<const unsigned char*>(text.data()), text.size());
        return base64Encode(signature);
    }

private:
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key_{nullptr, &EVP_PKEY_free};
};

std::string appcast(const std::string& items) {
    return R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
<channel><title>Keepsift</title>)" +
           items + "</channel></rss>";
}

const std::string twoReleases = appcast(R"(
<item><title>0.1.10</title><sparkle:version>0.1.10</sparkle:version>
  <sparkle:shortVersionString>0.1.10 (autumn)</sparkle:shortVersionString>
  <link>https://example.invalid/0.1.10</link></item>
<item><title>0.1.9</title><enclosure url="https://example.invalid/k.tar" sparkle:version="0.1.9"/></item>
<item><title>no version</title></item>)");

TEST(Appcast, ReadsVersionsFromElementsOrTheEnclosure) {
    const auto items = parseAppcast(twoReleases);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0],
              (AppcastItem{"0.1.10", "0.1.10 (autumn)", "https://example.invalid/0.1.10"}));
    EXPECT_EQ(items[1], (AppcastItem{"0.1.9", "0.1.9", ""}));
    EXPECT_EQ(newestAfter(items, "0.1.2")->version, "0.1.10");
    EXPECT_EQ(newestAfter(items, "0.1.10"), std::nullopt);
    EXPECT_TRUE(parseAppcast("<rss><channel><item>").empty());
    EXPECT_TRUE(parseAppcast("not xml at all").empty());
}

TEST(Appcast, VersionsCompareNumerically) {
    EXPECT_LT(compareVersions("0.9", "0.10"), 0);
    EXPECT_EQ(compareVersions("1.0", "1"), 0);
    EXPECT_EQ(compareVersions("01.2", "1.2"), 0);
    EXPECT_GT(compareVersions("1.2b", "1.2a"), 0);
    EXPECT_GT(compareVersions("100000000000000000000", "99999999999999999999"), 0);
}

TEST(FeedSignature, AcceptsOnlyTheExactSignedBytesUnderTheKey) {
    SigningKey key, other;
    const std::string signature = key.sign(twoReleases);
    EXPECT_TRUE(isSignedFeed(twoReleases, signature + "\n", key.publicKey()));
    EXPECT_FALSE(isSignedFeed(twoReleases + " ", signature, key.publicKey()));
    EXPECT_FALSE(isSignedFeed(twoReleases, signature, other.publicKey()));
    EXPECT_FALSE(isSignedFeed(twoReleases, "", key.publicKey()));
    EXPECT_FALSE(isSignedFeed(twoReleases, "not base64!", key.publicKey()));
    EXPECT_FALSE(isSignedFeed(twoReleases, signature, "c2hvcnQ="));
}

TEST(UpdaterKeys, OnlyARealKeyConfiguresTheUpdater) {
    EXPECT_FALSE(UpdaterKeys::isConfigured(std::nullopt));
    EXPECT_FALSE(UpdaterKeys::isConfigured(""));
    EXPECT_FALSE(UpdaterKeys::isConfigured("$(SPARKLE_PUBLIC_KEY_WITH_A_VERY_LONG_NAME_INDEED)"));
    EXPECT_TRUE(UpdaterKeys::isConfigured("abc"));
    testing::TemporaryFolder folder;
    const auto info = folder.path() / "Info.json";
    std::ofstream(info) << R"json({"SUPublicEDKey":"$(KEY)","SUFeedURL":"http://x"})json";
    EXPECT_EQ(UpdaterKeys::read(info), std::nullopt);
    std::ofstream(info) << R"({"SUPublicEDKey":"a2V5","SUFeedURL":"http://x"})";
    ASSERT_TRUE(UpdaterKeys::read(info));
    EXPECT_EQ(UpdaterKeys::read(info)->feedURL, "http://x");
}

// An appcast and its signature served from a loopback server made for the test.
class UpdaterOverLoopback : public ::testing::Test {
protected:
    void SetUp() override {
        server.Get("/appcast.xml", [this](const httplib::Request&, httplib::Response& response) {
            if (!trickles) return response.set_content(feed, "application/rss+xml");
            // One byte now and then, for as long as anyone listens.
            response.set_chunked_content_provider(
                "application/rss+xml", [this](size_t, httplib::DataSink& sink) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    return !stopping && sink.write("<", 1);
                });
        });
        server.Get("/appcast.xml.sig",
                   [this](const httplib::Request&, httplib::Response& response) {
                       if (signature.empty())
                           response.status = 404;
                       else
                           response.set_content(signature, "text/plain");
                   });
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
    }
    void TearDown() override {
        stopping = true;
        server.stop();
        thread.join();
    }

    std::optional<UpdateAnswer> check(const std::string& publicKey) {
        std::optional<UpdateAnswer> answer;
        UpdaterKeys keys{publicKey, "http://127.0.0.1:" + std::to_string(port) + "/appcast.xml"};
        AppcastUpdater updater(keys, "0.1.2", [&](const UpdateAnswer& given) { answer = given; });
        updater.setCheckTimeLimit(checkTimeLimitMs);
        EXPECT_TRUE(updater.canCheckForUpdates());
        updater.checkForUpdates();
        EXPECT_FALSE(updater.canCheckForUpdates());
        testing::processEventsUntil([&] { return answer.has_value(); });
        EXPECT_TRUE(updater.canCheckForUpdates());
        return answer;
    }

    SigningKey key;
    std::string feed = twoReleases;
    std::string signature = key.sign(twoReleases);
    std::atomic<bool> trickles = false;
    std::atomic<bool> stopping = false;
    int checkTimeLimitMs = AppcastUpdater::checkTimeLimitMs;
    httplib::Server server;
    int port = 0;
    std::thread thread;
};

TEST_F(UpdaterOverLoopback, AnnouncesTheNewestReleaseOfASignedFeed) {
    const auto answer = check(key.publicKey());
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->kind, UpdateAnswer::Kind::newer);
    EXPECT_TRUE(answer->userInitiated);
    EXPECT_EQ(answer->item->displayVersion, "0.1.10 (autumn)");
}

TEST_F(UpdaterOverLoopback, SaysUpToDateWhenNothingIsNewer) {
    feed = appcast("<item><sparkle:version>0.1.2</sparkle:version></item>");
    signature = key.sign(feed);
    const auto answer = check(key.publicKey());
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->kind, UpdateAnswer::Kind::upToDate);
}

TEST_F(UpdaterOverLoopback, RefusesAFeedSignedByAnotherKeyOrAlteredOrUnsigned) {
    SigningKey stranger;
    EXPECT_EQ(check(stranger.publicKey())->kind, UpdateAnswer::Kind::failed);
    feed = twoReleases + "<!-- altered -->";
    EXPECT_EQ(check(key.publicKey())->kind, UpdateAnswer::Kind::failed);
    feed = twoReleases;
    signature.clear();
    EXPECT_EQ(check(key.publicKey())->kind, UpdateAnswer::Kind::failed);
}

// Each byte in time restarts the transfer timeout; the check as a whole still ends.
TEST_F(UpdaterOverLoopback, AServerThatTricklesCannotKeepTheCheckOpen) {
    trickles = true;
    checkTimeLimitMs = 500;
    const auto answer = check(key.publicKey());
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->kind, UpdateAnswer::Kind::failed);
}

TEST(AppcastUpdater, WithoutAFeedAddressNoCheckCanRun) {
    AppcastUpdater updater(UpdaterKeys{"a2V5", ""}, "0.1.2", {});
    EXPECT_FALSE(updater.canCheckForUpdates());
    EXPECT_FALSE(updater.automaticallyChecksForUpdates());
    updater.setAutomaticallyChecksForUpdates(true);
    EXPECT_TRUE(updater.automaticallyChecksForUpdates());
}

} // namespace
} // namespace keepsift::app
