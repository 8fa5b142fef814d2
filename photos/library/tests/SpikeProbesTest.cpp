#include <gtest/gtest.h>

#include "photos/library/CaptureFacts.hpp"
#include "photos/library/SpikeProbes.hpp"
#include "photos/library/tests/ExifJpeg.hpp"
#include "photos/library/tests/ScriptedLibraryFixture.hpp"

using namespace keepsift;
using namespace keepsift::testing;
using namespace keepsift::spike_probes;
using Port = ScriptedPhotoLibraryPort;

namespace {

std::shared_ptr<Port> portWithResource(Port::ResourceAnswer answer) {
    auto port = std::make_shared<Port>();
    auto a = asset("p0");
    a.resources = {{PortResourceType::pairedVideo, "p0.mov", 10},
                   {PortResourceType::photo, "p0.jpg", std::nullopt}};
    port->addAsset(a);
    port->setResourceScript([answer](auto&, auto&) { return answer; });
    return port;
}

PortImage image(std::int64_t w, std::int64_t h) {
    return {w, h, {}};
}

} // namespace

TEST(OfflineFile, JoinsTheChunksOfThePhotoResourceWithoutNetwork) {
    auto port = portWithResource({{{1, 2}, {3}}, std::nullopt});
    EXPECT_EQ(offlineFile(*port, asset("p0")), (std::vector<std::uint8_t>{1, 2, 3}));
    const auto requests = port->resourceRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].type, PortResourceType::photo);
    EXPECT_FALSE(requests[0].networkAccessAllowed);
}

TEST(OfflineFile, EmptyOrFailedDataIsNoFile) {
    EXPECT_FALSE(offlineFile(*portWithResource({{}, std::nullopt}), asset("p0")));
    EXPECT_FALSE(offlineFile(*portWithResource({{{1}}, PortError::cancelled()}), asset("p0")));
}

TEST(OfflineFile, SecondCompletionIsIgnored) {
    auto port = portWithResource({{}, PortError::cancelled()});
    port->answerTwice(true);
    EXPECT_FALSE(offlineFile(*port, asset("p0")));
}

TEST(OfflinePixelSize, DegradedIsRefusedOnlyWhenExact) {
    auto port = std::make_shared<Port>();
    port->setImageScript([](auto&, std::int64_t t) {
        return Port::ImageAnswer{image(t, t * 3 / 4), {std::nullopt, true, std::nullopt}};
    });
    EXPECT_FALSE(offlinePixelSize(*port, asset("p0"), 2048, true));
    EXPECT_EQ(offlinePixelSize(*port, asset("p0"), 2048, false), (RenditionSize{2048, 1536}));
}

TEST(LargestOfflinePixelSize, WalksDownTheLadderPastDegradedRungs) {
    auto port = std::make_shared<Port>();
    port->setImageScript([](auto&, std::int64_t t) {
        return Port::ImageAnswer{image(t, t / 2), {std::nullopt, t > 1280, std::nullopt}};
    });
    EXPECT_EQ(largestOfflinePixelSize(*port, asset("p0")), (RenditionSize{1280, 640}));
    std::vector<std::int64_t> targets;
    for (const auto& r : port->imageRequests()) {
        targets.push_back(r.target);
        EXPECT_FALSE(r.options.networkAccessAllowed);
        EXPECT_EQ(r.options.resizeMode, 1);
    }
    EXPECT_EQ(targets, (std::vector<std::int64_t>{4032, 3024, 2048, 1600, 1440, 1280}));
}

TEST(LargestOfflinePixelSize, NothingAfterTenMisses) {
    auto port = std::make_shared<Port>();
    port->answerTwice(true);
    EXPECT_FALSE(largestOfflinePixelSize(*port, asset("p0"))) << "late answers do not count";
    EXPECT_EQ(port->imageRequests().size(), 10u);
}

TEST(CaptureFacts, ReadsDateAndMakeApart) {
    EXPECT_EQ(CaptureFacts::read(jpegWithExif(true, true)), (CaptureFacts{true, true}));
    EXPECT_EQ(CaptureFacts::read(jpegWithExif(false, true)), (CaptureFacts{false, true}));
    EXPECT_EQ(CaptureFacts::read(jpegWithExif(true, false)), (CaptureFacts{true, false}));
}

TEST(CaptureFacts, UnreadableBytesGiveNothing) {
    EXPECT_FALSE(CaptureFacts::read({}));
    EXPECT_FALSE(CaptureFacts::read({1, 2, 3, 4, 5, 6, 7, 8}));
}
