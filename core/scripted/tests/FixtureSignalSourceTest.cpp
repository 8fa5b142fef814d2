#include <gtest/gtest.h>

#include "core/scripted/FixtureSignalSource.hpp"

namespace keepsift {
namespace {

PhotoSignals record(std::string digest, std::string filename, bool favourite = false) {
    PhotoSignals s;
    s.digest = digest;
    s.filename = filename;
    s.isFavourite = favourite;
    s.hasCameraMetadata = true;
    s.hasCaptureMetadata = true;
    s.sharpness = 0.5f;
    return s;
}

AssetReference reference(std::string digest, bool favourite = false) {
    return AssetReference{digest, digest + ".jpg", std::nullopt, favourite, false, false};
}

TEST(FixtureSignalSource, LibraryFlagsWinOverTheRecording) {
    FixtureSignalSource source({record("a", "a.jpg", false), record("b", "b.jpg", true)},
                               FixtureSignalSource::Miss::refuse);
    EXPECT_TRUE(source.signals(reference("a", true))->isFavourite);
    EXPECT_FALSE(source.signals(reference("b", false))->isFavourite);
    EXPECT_EQ(source.signals(reference("a"))->filename, "a.jpg");
}

TEST(FixtureSignalSource, FirstRecordOfADigestWins) {
    FixtureSignalSource source({record("a", "first.jpg"), record("a", "second.jpg")},
                               FixtureSignalSource::Miss::refuse);
    EXPECT_EQ(source.signals(reference("a"))->filename, "first.jpg");
    EXPECT_EQ(source.recordedSignals().size(), 1u);
}

TEST(FixtureSignalSource, MissesAreRefusedOrReportedAsFaults) {
    FixtureSignalSource refusing({}, FixtureSignalSource::Miss::refuse);
    EXPECT_FALSE(refusing.signals(reference("x")).has_value());

    std::vector<std::string> faults;
    FixtureSignalSource failing({}, FixtureSignalSource::Miss::fail, 512, {},
                                [&](const std::string& digest) { faults.push_back(digest); });
    EXPECT_FALSE(failing.signals(reference("x")).has_value());
    EXPECT_FALSE(failing.derivativeSignals(reference("y")).has_value());
    EXPECT_EQ(faults, (std::vector<std::string>{"x", "y"}));
}

TEST(FixtureSignalSource, DerivativesNeedAnEdgeAndAHeldRendition) {
    FixtureSignalSource none({record("a", "a.jpg")}, FixtureSignalSource::Miss::refuse);
    EXPECT_FALSE(none.derivativeSignals(reference("a")).has_value());

    FixtureSignalSource held({record("a", "a.jpg"), record("b", "b.jpg")},
                             FixtureSignalSource::Miss::refuse, 512, {"b"});
    auto derived = held.derivativeSignals(reference("a"));
    ASSERT_TRUE(derived.has_value());
    EXPECT_EQ(derived->printLongEdge, 512);
    EXPECT_FALSE(derived->hasCameraMetadata);
    EXPECT_FALSE(derived->hasCaptureMetadata);
    auto full = *held.signals(reference("a"));
    full.printLongEdge = 512;
    full.hasCameraMetadata = full.hasCaptureMetadata = false;
    EXPECT_EQ(*derived, full);

    EXPECT_FALSE(held.derivativeSignals(reference("b")).has_value());
    EXPECT_TRUE(held.signals(reference("b")).has_value());
}

TEST(FixtureSignalSource, RecordedSignalsAreSortedByFilename) {
    FixtureSignalSource source({record("1", "c.jpg"), record("2", "a.jpg"), record("3", "b.jpg")},
                               FixtureSignalSource::Miss::refuse);
    std::vector<std::string> names;
    for (const auto& s : source.recordedSignals())
        names.push_back(s.filename);
    EXPECT_EQ(names, (std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg"}));
}

} // namespace
} // namespace keepsift
