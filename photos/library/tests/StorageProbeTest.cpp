#include <gtest/gtest.h>

#include <set>

#include "photos/library/StorageProbe.hpp"
#include "photos/library/tests/ScriptedLibraryFixture.hpp"

using namespace keepsift;
using namespace keepsift::testing;
using Answer = ScriptedPhotoLibraryPort::DataAnswer;

namespace {

std::vector<std::size_t> range(std::size_t from, std::size_t below, std::size_t step) {
    std::vector<std::size_t> r;
    for (auto p = from; p < below; p += step)
        r.push_back(p);
    return r;
}

Answer inCloud(std::optional<bool> flag) {
    return {std::nullopt, {flag, std::nullopt, {}}};
}
Answer delivered() {
    return {std::vector<std::uint8_t>{1, 2}, {}};
}

LibraryStorage probe(int assets, ScriptedPhotoLibraryPort::DataScript script) {
    auto port = portWithAssets(assets);
    port->setDataScript(std::move(script));
    return LivePhotoLibrary(port).storageMode();
}

} // namespace

TEST(StorageProbe, SamplesAtMostTwelveSpreadEvenly) {
    EXPECT_TRUE(StorageProbe::samplePositions(0).empty());
    EXPECT_EQ(StorageProbe::samplePositions(5), range(0, 5, 1));
    EXPECT_EQ(StorageProbe::samplePositions(12), range(0, 12, 1));
    EXPECT_EQ(StorageProbe::samplePositions(23), range(0, 12, 1));
    EXPECT_EQ(StorageProbe::samplePositions(24), range(0, 24, 2));
    EXPECT_EQ(StorageProbe::samplePositions(100), range(0, 89, 8));
}

TEST(StorageProbe, EmptyLibraryIsUnknownWithoutRequests) {
    auto port = portWithAssets(0);
    EXPECT_EQ(LivePhotoLibrary(port).storageMode(), LibraryStorage::unknown);
    EXPECT_TRUE(port->dataRequests().empty());
}

TEST(StorageProbe, AsksTheSampledPhotosWithoutNetwork) {
    auto port = portWithAssets(24);
    EXPECT_EQ(LivePhotoLibrary(port).storageMode(), LibraryStorage::local);
    std::vector<std::string> expected;
    for (auto p : range(0, 24, 2))
        expected.push_back("p" + std::to_string(p));
    EXPECT_EQ(port->dataRequests(), expected);
    for (const auto& options : port->dataRequestOptions()) {
        EXPECT_FALSE(options.networkAccessAllowed);
        EXPECT_EQ(options.deliveryMode, 1);
        EXPECT_EQ(options.version, 0);
    }
}

TEST(StorageProbe, AnswersFromTheSample) {
    EXPECT_EQ(probe(5, [](auto&) { return delivered(); }), LibraryStorage::local);
    EXPECT_EQ(probe(5,
                    [](const PortAsset& a) {
                        return a.localIdentifier == "p3" ? inCloud(true) : delivered();
                    }),
              LibraryStorage::optimised);
    EXPECT_EQ(probe(5, [](auto&) { return inCloud(std::nullopt); }), LibraryStorage::unknown);
    EXPECT_EQ(probe(5, [](auto&) { return inCloud(false); }), LibraryStorage::local);
}

TEST(StorageProbe, PhotosOutsideTheSampleDoNotCount) {
    EXPECT_EQ(probe(100,
                    [](const PortAsset& a) {
                        return a.localIdentifier == "p96" ? inCloud(true) : delivered();
                    }),
              LibraryStorage::local);
}

TEST(StorageProbe, HandlersAnsweringTwiceCountOnce) {
    for (bool otherThread : {false, true}) {
        auto port = portWithAssets(12);
        port->answerTwice(true);
        port->answerFromAnotherThread(otherThread);
        EXPECT_EQ(LivePhotoLibrary(port).storageMode(), LibraryStorage::local);
    }
}

TEST(StorageProbe, UnlistableLibraryIsUnknown) {
    auto port = portWithAssets(3);
    port->failFetches(true);
    EXPECT_EQ(LivePhotoLibrary(port).storageMode(), LibraryStorage::unknown);
}
