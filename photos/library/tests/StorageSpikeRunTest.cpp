#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <unistd.h>

#include "photos/library/StorageSpike.hpp"
#include "photos/library/tests/ExifJpeg.hpp"
#include "photos/library/tests/ScriptedLibraryFixture.hpp"

using namespace keepsift;
using namespace keepsift::testing;
using Port = ScriptedPhotoLibraryPort;

namespace {

std::vector<std::string> ids(const StorageSpike::Sample& sample) {
    std::vector<std::string> result;
    for (const auto& a : sample.assets)
        result.push_back(a.localIdentifier);
    return result;
}

std::vector<std::string> named(std::initializer_list<int> positions) {
    std::vector<std::string> result;
    for (int p : positions)
        result.push_back("p" + std::to_string(p));
    return result;
}

std::vector<PortAsset> assets(int count) {
    std::vector<PortAsset> result;
    for (int i = 0; i < count; ++i)
        result.push_back(asset("p" + std::to_string(i), i));
    return result;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::size_t start = 0;
    for (auto end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        result.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    result.push_back(text.substr(start));
    return result;
}

Port::DataAnswer cloudAnswer(bool inCloud) {
    if (!inCloud) return {std::vector<std::uint8_t>{1}, {}};
    return {std::nullopt, {true, std::nullopt, std::nullopt}};
}

void cloudFor(Port& port, std::set<std::string> inCloud) {
    port.setDataScript(
        [inCloud](const PortAsset& a) { return cloudAnswer(inCloud.contains(a.localIdentifier)); });
}

const FixedClock noon("2026-12-06T12:00:00Z");

} // namespace

TEST(SpikeSamples, OnePhotoFillsEverySample) {
    for (const auto& sample : StorageSpike::samples(assets(1), 40))
        EXPECT_EQ(ids(sample), named({0})) << sample.name;
}

TEST(SpikeSamples, SpreadStrideStartsAtEightyForForty) {
    const auto below = StorageSpike::samples(assets(79), 40);
    EXPECT_EQ(ids(below[1]), ids(below[0]));
    const auto at = StorageSpike::samples(assets(80), 40);
    EXPECT_EQ(at[1].assets.size(), 40u);
    EXPECT_EQ(at[1].assets[1].localIdentifier, "p2");
    EXPECT_EQ(at[1].assets.back().localIdentifier, "p78");
}

TEST(SpikeSamples, ThousandPhotos) {
    const auto samples = StorageSpike::samples(assets(1000), 40);
    ASSERT_EQ(samples.size(), 3u);
    EXPECT_EQ(samples[0].name, "oldest");
    EXPECT_EQ(samples[1].name, "spread");
    EXPECT_EQ(samples[2].name, "newest");
    EXPECT_EQ(samples[1].assets[1].localIdentifier, "p25");
    EXPECT_EQ(samples[1].assets.back().localIdentifier, "p975");
    EXPECT_EQ(samples[2].assets.front().localIdentifier, "p999");
    EXPECT_EQ(samples[2].assets.back().localIdentifier, "p960");
}

TEST(SpikeSamples, SampleSizeBelowOneIsOne) {
    EXPECT_EQ(ids(StorageSpike::samples(assets(5), 0)[2]), named({4}));
}

TEST(StorageSpikeRun, NoAccessStopsAfterSevenLines) {
    auto port = portWithAssets(3);
    port->setAuthorization(2, 2);
    const auto report = lines(StorageSpike::run(*port, 40, noon));
    ASSERT_EQ(report.size(), 7u);
    EXPECT_EQ(report[1], "Keepsift storage spike \u2014 2026-12-06T12:00:00Z");
    EXPECT_EQ(report[3], "authorisation      2 (3 = authorized, 4 = limited)");
    EXPECT_EQ(report[6], "      and `tccutil reset Photos com.ambervale.keepsift` to recover.");
    EXPECT_TRUE(port->dataRequests().empty());
}

TEST(StorageSpikeRun, EmptyLibraryStopsAfterEightLines) {
    auto port = portWithAssets(0);
    port->setAuthorization(4, 4);
    const auto report = lines(StorageSpike::run(*port, 40, noon));
    ASSERT_EQ(report.size(), 8u);
    EXPECT_EQ(report[4], "library            0 photograph(s)");
    EXPECT_EQ(report[7], "                   photographs, is a different measurement.");
}

TEST(StorageSpikeRun, NothingEvictedIsNotAskableAndAsksNoMore) {
    auto port = portWithAssets(5);
    const auto report = lines(StorageSpike::run(*port, 40, noon));
    ASSERT_EQ(report.size(), 18u);
    EXPECT_EQ(report[10], "oldest    in iCloud 0/5");
    EXPECT_EQ(report[17],
              "                   Re-run when the library is large enough to force it.");
    EXPECT_EQ(port->dataRequests().size(), 15u);
    EXPECT_TRUE(port->imageRequests().empty());
}

TEST(StorageSpikeRun, UnlistableLibraryIsNotAnEmptyOne) {
    auto port = portWithAssets(5);
    port->failFetches(true);
    const auto report = lines(StorageSpike::run(*port, 40, noon));
    ASSERT_EQ(report.size(), 5u);
    EXPECT_EQ(report[4].rfind("STOP: the library could not be listed", 0), 0u);
}

TEST(StorageSpikeRun, TiesKeepTheEarlierSample) {
    auto port = portWithAssets(30);
    cloudFor(*port, {"p1", "p2", "p4", "p5", "p7", "p12", "p15", "p18", "p21", "p24", "p29"});
    const auto report = lines(StorageSpike::run(*port, 10, noon));
    EXPECT_EQ(report[10], "oldest    in iCloud 5/10");
    EXPECT_EQ(report[11], "spread    in iCloud 5/10");
    EXPECT_EQ(report[12], "newest    in iCloud 3/10");
    EXPECT_EQ(report[14], "measuring over     5 evicted asset(s) in the 'oldest' sample");
}

TEST(StorageSpikeRun, StrictlyMoreReplacesTheChoice) {
    auto port = portWithAssets(1000);
    cloudFor(*port, {"p50", "p75", "p999", "p998"});
    const auto report = lines(StorageSpike::run(*port, 40, noon));
    EXPECT_EQ(report[14], "measuring over     2 evicted asset(s) in the 'spread' sample");
}

TEST(StorageSpikeRun, EvictedOnlyInTheFirstPassMeasuresZeros) {
    auto port = portWithAssets(3);
    int asked = 0;
    port->setDataScript([&asked](auto&) { return cloudAnswer(asked++ < 3); });
    const auto report = lines(StorageSpike::run(*port, 40, noon));
    EXPECT_EQ(report[14], "measuring over     3 evicted asset(s) in the 'oldest' sample");
    EXPECT_EQ(report[17], "M1  the file            0/0   PHAssetResource.requestData");
    EXPECT_EQ(report[22], "M3  size from metadata  0/0   \u2190 needs no pixels at all");
    EXPECT_EQ(report[report.size() - 7],
              "VERDICT            NO \u2014 nothing is reachable without downloading.");
}

// Six photographs, three to a sample: p2 and p4 evicted, p2 with its file and a 2048
// rendition, p4 only a small one; the local p0 yields full size.
class StorageSpikeReportRun : public ::testing::Test {
protected:
    void SetUp() override {
        port = std::make_shared<Port>();
        for (int i = 0; i < 6; ++i) {
            auto a = asset("p" + std::to_string(i), i);
            a.resources = {{PortResourceType::photo, a.localIdentifier + ".jpg",
                            i == 2 ? std::optional<std::int64_t>(100) : std::nullopt}};
            port->addAsset(a);
        }
        cloudFor(*port, {"p2", "p4"});
        port->setResourceScript([](const PortAsset& a, auto&) {
            if (a.localIdentifier == "p2")
                return Port::ResourceAnswer{{jpegWithExif(true, true)}, std::nullopt};
            return Port::ResourceAnswer{{}, PortError::cancelled()};
        });
        port->setImageScript([](const PortAsset& a, std::int64_t t) {
            const auto& id = a.localIdentifier;
            if (id == "p2" && t <= 2048) return Port::ImageAnswer{PortImage{t, t * 3 / 4, {}}, {}};
            if (id == "p4")
                return Port::ImageAnswer{PortImage{t, t * 3 / 4, {}}, {std::nullopt, t > 512, {}}};
            if (id != "p2") return Port::ImageAnswer{PortImage{4032, 3024, {}}, {}};
            return Port::ImageAnswer{};
        });
    }

    std::shared_ptr<Port> port;
};

TEST_F(StorageSpikeReportRun, WritesTheWholeReport) {
    const std::string rule =
        "\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550"
        "\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550"
        "\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550"
        "\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550";
    const std::vector<std::string> expected{
        rule,
        "Keepsift storage spike \u2014 2026-12-06T12:00:00Z",
        rule,
        "authorisation      3 (3 = authorized, 4 = limited)",
        "library            6 photograph(s)",
        "                   \u26a0\ufe0f compare against the last run: a library still",
        "                   syncing, or one that has just gained its shared",
        "                   photographs, is a different measurement.",
        "",
        "\u2500\u2500 where the originals are",
        "oldest    in iCloud 1/3",
        "spread    in iCloud 2/3",
        "newest    in iCloud 1/3",
        "",
        "measuring over     2 evicted asset(s) in the 'spread' sample",
        "",
        "\u2500\u2500 what is available for an EVICTED photograph, network refused",
        "M1  the file            1/2   PHAssetResource.requestData",
        "M2  EXIF date           1/1",
        "    TIFF make           1/1   (Provenance reads this)",
        "M5  full-quality @2048  1/2   requestImage .highQualityFormat",
        "M6  largest from disk   2/2   requestImage ladder, .fast, degraded refused",
        "    longest edge        min 512  median 2048  max 2048",
        "    \u22651024px             1/2   (big enough to judge a face)",
        "M3  size from metadata  1/2   \u2190 needs no pixels at all",
        "",
        "\u2500\u2500 M6 per sample \u2014 never-downloaded vs evicted-after-local",
        "oldest    evicted 1  pixels 1  min 2048  median 2048  max 2048  \u22651024px 1",
        "spread    evicted 2  pixels 2  min 512  median 2048  max 2048  \u22651024px 1",
        "newest    evicted 1  pixels 1  min 512  median 512  max 512  \u22651024px 0",
        "",
        "\u2500\u2500 control: the same ladder on LOCAL assets",
        "local assets       1",
        "pixels from disk   1/1",
        "longest edge       min 4032  median 4032  max 4032",
        "\u2714 the request works \u2014 so the zeros above are about iCloud, not code",
        "",
        "\u26a0\ufe0f **Mid-sync, 'in iCloud' does not mean 'optimised'.** An asset whose",
        "   metadata has arrived but whose data has not is also in iCloud, and",
        "   has no derivative because it has never been downloaded. Those are a",
        "   different population from photographs that were downloaded and then",
        "   had their originals evicted. **This distinction cannot be made",
        "   through PhotoKit**, so a run mid-sync cannot answer the question.",
        "   Re-run when the sync has finished.",
        "",
        "VERDICT            \u26a0\ufe0f PARTIAL \u2014 2/2 yielded pixels, 1/2 at \u22651024px.",
        "                   A tail that needs the network still needs the network,",
        "                   so the download path and its batching stay whatever",
        "                   else changes.",
        "",
        "\u2500\u2500 not answered here",
        "Selection accuracy at whatever size is available is `make corpus`.",
        "Shared-library photographs cannot be told apart from personal ones",
        "(0024) \u2014 if they behave differently, it shows in the totals above."};
    EXPECT_EQ(lines(StorageSpike::run(*port, 3, noon)), expected);
}

TEST_F(StorageSpikeReportRun, HandlersAnsweringTwiceChangeNothing) {
    const auto once = StorageSpike::run(*port, 3, noon);
    port->answerTwice(true);
    port->answerFromAnotherThread(true);
    EXPECT_EQ(StorageSpike::run(*port, 3, noon), once);
}

TEST_F(StorageSpikeReportRun, NeverAllowsTheNetwork) {
    StorageSpike::run(*port, 3, noon);
    for (const auto& options : port->dataRequestOptions())
        EXPECT_FALSE(options.networkAccessAllowed);
    for (const auto& r : port->imageRequests())
        EXPECT_FALSE(r.options.networkAccessAllowed);
    for (const auto& r : port->resourceRequests())
        EXPECT_FALSE(r.networkAccessAllowed);
}

TEST(StorageSpikeRun, LaunchRunsAppendOneAfterAnother) {
    auto port = portWithAssets(0);
    const auto file = std::filesystem::temp_directory_path() /
                      ("storage-spike-" + std::to_string(::getpid()) + ".txt");
    std::filesystem::remove(file);
    const auto first = StorageSpike::runAndAppend(*port, file);
    const auto second = StorageSpike::runAndAppend(*port, file);
    std::ifstream in(file);
    const std::string written((std::istreambuf_iterator<char>(in)), {});
    std::filesystem::remove(file);
    EXPECT_EQ(written, first + "\n" + second + "\n");
    EXPECT_EQ(lines(first).size(), 8u);
}
