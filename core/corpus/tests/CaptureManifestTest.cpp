#include <gtest/gtest.h>

#include "core/corpus/CaptureManifest.hpp"

using namespace keepsift;
using namespace keepsift::CorpusCapture;

namespace {

Manifest sampleManifest() {
    Manifest manifest;
    manifest.capturedAt = Date{800000000.75};
    manifest.appVersion = "1.2";
    manifest.groupID = "g1";
    manifest.origin = Origin::appGrouped;
    manifest.humanOverrode = true;
    manifest.hint = "beach";
    manifest.scoringPolicyID = "scoring/x";
    manifest.groupingPolicyID = "grouping/y";
    manifest.entries = {
        {"a1", "IMG_1.JPG", "IMG_1 - winner.jpeg", true, false, Reason::keptSharper, 0.5, "a2"},
        {"a2", "IMG_2.JPG", "IMG_2.jpeg", false, true, std::nullopt, std::nullopt, std::nullopt},
    };
    return manifest;
}

} // namespace

TEST(CaptureManifest, RoundTripsWithSortedKeysAndWholeSeconds) {
    Manifest manifest = sampleManifest();
    const std::string bytes = manifest.encoded();
    EXPECT_TRUE(bytes.starts_with("{\n  \"appVersion\" : \"1.2\",\n  \"capturedAt\" : "
                                  "\"2026-05-0"));
    EXPECT_EQ(bytes.find("null"), std::string::npos);
    EXPECT_LT(bytes.find("\"appKept\""), bytes.find("\"assetID\""));
    const Manifest back = Manifest::decode(bytes);
    manifest.capturedAt = Date{800000000}; // written to whole seconds
    EXPECT_EQ(back, manifest);
    EXPECT_TRUE(back.humanDisagrees());
}

TEST(CaptureManifest, AgreementMeansNoDisagreement) {
    Manifest manifest = sampleManifest();
    for (auto& entry : manifest.entries)
        entry.appKept = entry.humanKeeps;
    EXPECT_FALSE(manifest.humanDisagrees());
}

TEST(CaptureManifest, RejectsUnknownOriginReasonAndMissingKeys) {
    const std::string bytes = sampleManifest().encoded();
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = bytes;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    EXPECT_THROW(Manifest::decode(replaced("\"appGrouped\"", "\"grouped\"")), JsonError);
    EXPECT_THROW(Manifest::decode(replaced("\"keptSharper\"", "\"sharper\"")), JsonError);
    EXPECT_THROW(Manifest::decode(replaced("\"hint\"", "\"note\"")), JsonError);
    EXPECT_THROW(Manifest::decode(replaced("\"humanKeeps\"", "\"keeps\"")), JsonError);
    EXPECT_THROW(Manifest::decode(replaced("\"2026", "\"yesterday")), JsonError);
    EXPECT_THROW(Manifest::decode("{"), JsonError);
}
