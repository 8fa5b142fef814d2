#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <latch>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/analysis/tests/AnalysisSamples.hpp"

namespace keepsift {
namespace {

bool sameVerdicts(const std::vector<ExpressionFeature>& a,
                  const std::vector<ExpressionFeature>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].bounds != b[i].bounds || a[i].hasSmile != b[i].hasSmile ||
            a[i].leftEyeClosed != b[i].leftEyeClosed || a[i].rightEyeClosed != b[i].rightEyeClosed)
            return false;
    return true;
}

bool modelInstalled() {
    return std::filesystem::is_regular_file(ShapeLandmarkDetector::installedModel);
}

class FlatFace : public LandmarkDetector {
public:
    FaceShape landmarks(const cv::Mat&, const cv::Rect2d&) const override { return {}; }
};

TEST(LandmarkModel, ThreadsAskingFirstTogetherShareOneReading) {
    std::atomic<int> readings{0};
    LandmarkModel model([&]() -> std::shared_ptr<const LandmarkDetector> {
        ++readings;
        // Keeps the reading open while the other threads arrive.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return std::make_shared<FlatFace>();
    });
    EXPECT_FALSE(model.isRead());
    model.forgetRemembered();
    EXPECT_EQ(readings, 0);
    constexpr int threads = 8;
    std::latch start(threads);
    std::vector<const LandmarkDetector*> seen(threads);
    std::vector<std::thread> askers;
    for (int i = 0; i < threads; ++i)
        askers.emplace_back([&, i] {
            start.arrive_and_wait();
            seen[static_cast<size_t>(i)] = model.detector().get();
        });
    for (auto& asker : askers)
        asker.join();
    EXPECT_EQ(readings, 1);
    EXPECT_TRUE(model.isRead());
    EXPECT_NE(seen[0], nullptr);
    for (const auto* detector : seen)
        EXPECT_EQ(detector, seen[0]);
}

TEST(LandmarkModel, AModelThatCannotBeReadIsTriedAgainOnlyAfterARelease) {
    int readings = 0;
    LandmarkModel model([&]() -> std::shared_ptr<const LandmarkDetector> {
        ++readings;
        return nullptr;
    });
    EXPECT_EQ(model.detector(), nullptr);
    EXPECT_EQ(model.detector(), nullptr);
    EXPECT_EQ(readings, 1);
    EXPECT_TRUE(model.isRead());
    model.release();
    EXPECT_FALSE(model.isRead());
    EXPECT_EQ(model.detector(), nullptr);
    EXPECT_EQ(readings, 2);
}

TEST(LandmarkModel, AMeasurementHoldingTheModelKeepsItThroughARelease) {
    int readings = 0;
    LandmarkModel model([&]() -> std::shared_ptr<const LandmarkDetector> {
        ++readings;
        return std::make_shared<FlatFace>();
    });
    model.release();
    EXPECT_EQ(readings, 0);
    const auto held = model.detector();
    model.release();
    EXPECT_FALSE(model.isRead());
    const cv::Mat image(20, 20, CV_8UC1, cv::Scalar(7));
    EXPECT_EQ(held->landmarks(image, {2, 2, 10, 10})[0], cv::Point2d());
    const auto again = model.detector();
    EXPECT_EQ(readings, 2);
    EXPECT_NE(again, held);
}

TEST(AnalysisContext, ReadsTheLandmarkModelOnlyWhenAFaceNeedsIt) {
    if (testing::portrait().empty()) GTEST_SKIP() << samples::unavailable;
    if (!modelInstalled()) GTEST_SKIP() << "no landmark model";
    AnalysisContext context;
    EXPECT_FALSE(context.landmarkModel().isRead());
    const cv::Mat faceless(480, 640, CV_8UC3, cv::Scalar(90, 120, 150));
    EXPECT_TRUE(context.expressionDetector().detect(faceless).empty());
    context.forgetRemembered();
    EXPECT_FALSE(context.landmarkModel().isRead());
    const auto verdicts = context.expressionDetector().detect(testing::portrait());
    EXPECT_TRUE(context.landmarkModel().isRead());
    EXPECT_TRUE(sameVerdicts(
        verdicts, testing::installedModels().expressionDetector().detect(testing::portrait())));
    context.releaseLandmarkModel();
    EXPECT_FALSE(context.landmarkModel().isRead());
    context.forgetRemembered();
    EXPECT_TRUE(sameVerdicts(context.expressionDetector().detect(testing::portrait()), verdicts));
    EXPECT_TRUE(context.landmarkModel().isRead());
}

TEST(AnalysisContext, FirstFacesOnTwoThreadsAtOnceReadTheSameModel) {
    if (testing::portrait().empty()) GTEST_SKIP() << samples::unavailable;
    if (!modelInstalled()) GTEST_SKIP() << "no landmark model";
    const auto expected =
        testing::installedModels().expressionDetector().detect(testing::portrait());
    AnalysisContext context;
    std::latch start(2);
    std::vector<ExpressionFeature> first, second;
    auto measure = [&](std::vector<ExpressionFeature>& into) {
        start.arrive_and_wait();
        into = context.expressionDetector().detect(testing::portrait().clone());
    };
    std::thread one(measure, std::ref(first)), two(measure, std::ref(second));
    one.join();
    two.join();
    ASSERT_NE(context.landmarks(), nullptr);
    EXPECT_TRUE(sameVerdicts(first, expected));
    EXPECT_TRUE(sameVerdicts(second, expected));
}

// Unreadable model files, each as the context meets them.
class UnreadableLandmarkModel : public ::testing::TestWithParam<const char*> {
protected:
    void TearDown() override { std::filesystem::remove(path); }
    std::string write(const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string path = (std::filesystem::temp_directory_path() /
                        ("keepsift-landmarks-" + std::to_string(::getpid()) + ".dat"))
                           .string();
};

std::string truncatedModel() {
    std::ifstream in(ShapeLandmarkDetector::installedModel, std::ios::binary);
    std::string start(1 << 20, '\0');
    in.read(start.data(), static_cast<std::streamsize>(start.size()));
    start.resize(static_cast<size_t>(in.gcount()));
    return start;
}

TEST_P(UnreadableLandmarkModel, LeavesExpressionsToTheCascades) {
    if (testing::portrait().empty()) GTEST_SKIP() << samples::unavailable;
    const std::string kind = GetParam();
    AnalysisModelPaths paths;
    paths.shapePredictor = "/nonexistent/shape.dat";
    if (kind == "empty") paths.shapePredictor = write("");
    if (kind == "garbage") paths.shapePredictor = write(std::string(4096, 'x'));
    if (kind == "truncated") {
        if (!modelInstalled()) GTEST_SKIP() << "no landmark model";
        paths.shapePredictor = write(truncatedModel());
    }
    AnalysisContext context(paths);
    const auto features = context.expressionDetector().detect(testing::portrait());
    EXPECT_FALSE(context.landmarks());
    EXPECT_TRUE(context.landmarkModel().isRead());
    ASSERT_EQ(features.size(), 1u);
    EXPECT_FALSE(features[0].leftEyeClosed);
    EXPECT_FALSE(features[0].rightEyeClosed);
    AnalysisModelPaths missing;
    missing.shapePredictor = "/nonexistent/shape.dat";
    EXPECT_TRUE(sameVerdicts(
        features, AnalysisContext(missing).expressionDetector().detect(testing::portrait())));
}

INSTANTIATE_TEST_SUITE_P(Files, UnreadableLandmarkModel,
                         ::testing::Values("missing", "empty", "garbage", "truncated"));

} // namespace
} // namespace keepsift
