#include <cstring>

#include <gtest/gtest.h>

#include "photos/extractor/LiveSignalExtractor.hpp"

namespace keepsift {
namespace {

using Extractor = LiveSignalExtractor;

template <typename Element> FeaturePrintObservation printOf(std::vector<Element> values, int type) {
    FeaturePrintObservation observation{std::vector<std::uint8_t>(values.size() * sizeof(Element)),
                                        type};
    std::memcpy(observation.data.data(), values.data(), observation.data.size());
    return observation;
}

TEST(PrintValues, ReadFloatsAndDoublesAlike) {
    auto fromFloats = Extractor::printValues(
        printOf<float>({0.25f, -0.5f, 1.f}, FeaturePrintObservation::elementTypeFloat));
    auto fromDoubles = Extractor::printValues(
        printOf<double>({0.25, -0.5, 1.0}, FeaturePrintObservation::elementTypeDouble));
    EXPECT_EQ(fromFloats, (std::vector<float>{0.25f, -0.5f, 1.f}));
    EXPECT_EQ(fromDoubles, fromFloats);
}

TEST(PrintValues, ShortDataOtherTypesAndNoResultGiveAnEmptyPrint) {
    FeaturePrintObservation threeBytes{{1, 2, 3}, FeaturePrintObservation::elementTypeFloat};
    EXPECT_TRUE(Extractor::printValues(threeBytes).empty());
    EXPECT_TRUE(Extractor::printValues(printOf<float>({1.f}, 7)).empty());
    EXPECT_TRUE(Extractor::printValues(std::nullopt).empty());
    // Only whole elements count.
    FeaturePrintObservation sixBytes{{0, 0, 0x80, 0x3F, 9, 9},
                                     FeaturePrintObservation::elementTypeFloat};
    EXPECT_EQ(Extractor::printValues(sixBytes), std::vector<float>{1.f});
}

LandmarkRegion region(std::vector<LandmarkRegion::Point> points) {
    return {std::move(points)};
}

TEST(EyeAspectRatio, OneEyeAloneGivesItsOwnValue) {
    FaceObservation face;
    face.landmarks = FaceLandmarkRegions{
        std::nullopt, region({{0.2, 0.4}, {0.8, 0.55}, {0.5, 0.45}, {0.4, 0.5}})};
    ASSERT_TRUE(Extractor::eyeAspectRatio(face));
    EXPECT_FLOAT_EQ(*Extractor::eyeAspectRatio(face), 0.25f);
}

TEST(EyeAspectRatio, NeedsFourPointsSpreadAcross) {
    EXPECT_FALSE(Extractor::aspectRatio(region({{0.1, 0.1}, {0.2, 0.3}, {0.3, 0.2}})));
    EXPECT_FALSE(Extractor::aspectRatio(region({{0.5, 0.1}, {0.5, 0.2}, {0.5, 0.3}, {0.5, 0.4}})));
    EXPECT_FALSE(Extractor::aspectRatio(std::nullopt));
    FaceObservation withoutLandmarks;
    EXPECT_FALSE(Extractor::eyeAspectRatio(withoutLandmarks));
}

TEST(EyeAspectRatio, AveragesBothEyes) {
    FaceObservation face;
    face.landmarks = FaceLandmarkRegions{region({{0, 0}, {1, 0.2}, {0.5, 0.1}, {0.2, 0.2}}),
                                         region({{0, 0}, {1, 0.4}, {0.5, 0.1}, {0.2, 0.2}})};
    EXPECT_FLOAT_EQ(*Extractor::eyeAspectRatio(face), 0.3f);
}

TEST(FaceSignalsFromObservation, AnglesBecomeDegreesAndMissingOnesStayAbsent) {
    FaceObservation observation;
    observation.boundingBox = {0.1, 0.2, 0.3, 0.4};
    observation.yaw = 0.5;
    observation.pitch = -0.25;
    auto face = Extractor::faceSignals(observation, 0.7f);
    EXPECT_EQ(face.bounds, (NormalisedBounds{0.1, 0.2, 0.3, 0.4}));
    EXPECT_NEAR(*face.yawDegrees, 28.6479f, 1e-4);
    EXPECT_FALSE(face.rollDegrees);
    EXPECT_NEAR(*face.pitchDegrees, -14.3239f, 1e-4);
    EXPECT_EQ(face.captureQuality, 0.7f);
    EXPECT_FALSE(face.hasSmile || face.leftEyeClosed || face.rightEyeClosed);
}

TEST(AssembleFaces, TakesTheFirstQualityPerFaceEvenWhenItIsAbsent) {
    FaceObservation a, b, c;
    a.uuid = 1;
    b.uuid = 2;
    c.uuid = 3;
    c.faceCaptureQuality = 0.9f;
    b.faceCaptureQuality = 0.1f;
    auto faces = Extractor::assembleFaces({a, b, c}, {{1, 0.4f}, {1, 0.8f}, {2, std::nullopt}});
    ASSERT_EQ(faces.size(), 3u);
    EXPECT_EQ(faces[0].captureQuality, 0.4f);
    EXPECT_FALSE(faces[1].captureQuality);
    EXPECT_EQ(faces[2].captureQuality, 0.9f);
}

FaceSignals faceAt(NormalisedBounds bounds) {
    FaceSignals face;
    face.bounds = bounds;
    return face;
}

TEST(Merge, IdenticalBoundsMatch) {
    auto faces =
        Extractor::merge({faceAt({0.2, 0.2, 0.2, 0.2})}, {{{0.2, 0.2, 0.2, 0.2}, true, false}});
    EXPECT_EQ(faces[0].hasSmile, true);
    EXPECT_EQ(faces[0].leftEyeClosed, false);
    EXPECT_EQ(faces[0].rightEyeClosed, false);
}

TEST(Merge, AnOverlapOfExactlyThreeTenthsIsNotEnough) {
    // Intersection 0.3, union 1 + 0.3 - 0.3 = 1.
    auto faces = Extractor::merge({faceAt({0, 0, 1, 1})}, {{{0, 0, 0.3, 1}, true, true}});
    EXPECT_FALSE(faces[0].hasSmile);
    EXPECT_FALSE(faces[0].leftEyeClosed);
    auto wider = Extractor::merge({faceAt({0, 0, 1, 1})}, {{{0, 0, 0.31, 1}, true, true}});
    EXPECT_EQ(wider[0].hasSmile, true);
}

TEST(Merge, EachFaceTakesItsLargestOverlapAndLeavesTheRest) {
    // The first face overlaps both expressions, the second only the one it does not take.
    std::vector<FaceSignals> faces = {faceAt({0.0, 0.0, 0.4, 0.4}), faceAt({0.1, 0.0, 0.4, 0.4})};
    std::vector<Expression> expressions = {{{0.12, 0.0, 0.4, 0.4}, false, false},
                                           {{0.02, 0.0, 0.4, 0.4}, true, false}};
    auto merged = Extractor::merge(faces, expressions);
    EXPECT_EQ(merged[0].hasSmile, true);
    EXPECT_EQ(merged[1].hasSmile, false);
}

TEST(Merge, OneClosedEyeMarksBothAndUnmatchedFacesKeepNothing) {
    auto merged = Extractor::merge({faceAt({0.1, 0.1, 0.2, 0.2}), faceAt({0.7, 0.7, 0.2, 0.2})},
                                   {{{0.1, 0.1, 0.2, 0.2}, false, true}});
    EXPECT_EQ(merged[0].leftEyeClosed, true);
    EXPECT_EQ(merged[0].rightEyeClosed, true);
    EXPECT_FALSE(merged[1].hasSmile || merged[1].leftEyeClosed || merged[1].rightEyeClosed);
    EXPECT_EQ(Extractor::merge(merged, {}), merged);
}

} // namespace
} // namespace keepsift
