// The same face saved again, resized or exposed a little differently keeps its expression
// verdicts, and an open-eyed face is not called closed: measured over every face of a set of
// real photographs and every variant of each.

#include <array>
#include <cmath>
#include <cstdio>
#include <future>
#include <string>

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "platform/analysis/ExpressionDetector.hpp"
#include "platform/analysis/HeadPose.hpp"
#include "platform/analysis/tests/AnalysisSamples.hpp"
#include "platform/analysis/tests/FaceSamples.hpp"
#include "platform/analysis/tests/ImageVariants.hpp"

namespace keepsift {
namespace {

using namespace image_variants;

// A variant of a picture and where a box of the original lands in it.
struct Variant {
    std::string name;
    cv::Mat image;
    double scale = 1.0;
    bool mirrored = false;

    cv::Rect2d place(const cv::Rect2d& box, int originalWidth) const {
        cv::Rect2d placed(box.x * scale, box.y * scale, box.width * scale, box.height * scale);
        if (mirrored) placed.x = originalWidth * scale - placed.x - placed.width;
        return placed;
    }
};

// The ends and the middle of each range: copies saved at JPEG quality 60 to 95, resized by
// up to 15 % either way, exposed 0.3 EV darker or brighter, and the mirror image.
std::vector<Variant> variantsOf(const cv::Mat& image) {
    std::vector<Variant> all;
    for (int quality : {60, 75, 95})
        all.push_back({"q" + std::to_string(quality), reencoded(image, quality)});
    for (double scale : {0.85, 0.95, 1.05, 1.15}) {
        Variant variant{"x" + std::to_string(scale).substr(0, 4), resized(image, scale), scale};
        // The picture's size is whole pixels; boxes follow the size it really has.
        variant.scale = variant.image.cols / static_cast<double>(image.cols);
        all.push_back(variant);
    }
    for (double ev : {-0.3, 0.3})
        all.push_back({"ev" + std::to_string(ev).substr(0, ev < 0 ? 5 : 4), evShifted(image, ev)});
    cv::Mat mirror;
    cv::flip(image, mirror, 1);
    all.push_back({"mirror", mirror, 1.0, true});
    return all;
}

struct Verdict {
    std::optional<bool> smiling;
    bool closed = false;
    bool operator==(const Verdict&) const = default;
};

std::string text(const Verdict& verdict) {
    std::string smile = !verdict.smiling ? "?" : *verdict.smiling ? "smile" : "plain";
    return smile + (verdict.closed ? "/closed" : "/open");
}

// One face as read in one picture, with its box in that picture (origin top-left).
struct Reading {
    cv::Rect2d box;
    Verdict verdict;
};

std::vector<Reading> readingsOf(const cv::Mat& image) {
    std::vector<Reading> readings;
    for (const auto& feature : testing::installedModels().expressionDetector().detect(image)) {
        cv::Rect2d box = feature.bounds;
        box.y = image.rows - box.y - box.height;
        readings.push_back(
            {box, {feature.hasSmile, feature.leftEyeClosed || feature.rightEyeClosed}});
    }
    return readings;
}

// The reading whose box overlaps the expected one most, when any overlaps enough.
std::optional<Reading> matching(const std::vector<Reading>& readings, const cv::Rect2d& box) {
    std::optional<Reading> best;
    double bestOverlap = 0.3;
    for (const auto& reading : readings)
        if (double shared = overlap(reading.box, box); shared > bestOverlap) {
            best = reading;
            bestOverlap = shared;
        }
    return best;
}

// The measures behind a verdict, printed to explain a failure.
std::string measuresOf(const cv::Mat& image, const cv::Rect2d& box) {
    const auto landmarks = testing::installedModels().landmarks();
    if (!landmarks) return "";
    cv::Mat grey;
    cv::cvtColor(image, grey, cv::COLOR_BGR2GRAY);
    const auto shape = landmarks->landmarks(grey, box);
    const auto eyes = eyesAspect(shape);
    const auto pose = estimateHeadPose(shape, grey.size());
    char line[96];
    std::snprintf(line, sizeof line, "ear %.3f smile %.3f yaw %+.2f side %.0f", eyes ? *eyes : -1.0,
                  smileMeasure(shape), pose ? pose->yaw : 0.0, box.width);
    return line;
}

using testing::Eyes;

struct Tally {
    int faces = 0, missing = 0, readings = 0, kept = 0, lost = 0;
    // Every reading of each kind of face (the original's too), and those called closed.
    std::array<int, 3> read{}, closed{};
    std::string log;

    void count(Eyes eyes, const Verdict& verdict) {
        ++read[static_cast<size_t>(eyes)];
        closed[static_cast<size_t>(eyes)] += verdict.closed;
    }
    int readOf(Eyes eyes) const { return read[static_cast<size_t>(eyes)]; }
    int closedOf(Eyes eyes) const { return closed[static_cast<size_t>(eyes)]; }

    void add(const Tally& other) {
        faces += other.faces;
        missing += other.missing;
        readings += other.readings;
        kept += other.kept;
        lost += other.lost;
        for (size_t i = 0; i < read.size(); ++i) {
            read[i] += other.read[i];
            closed[i] += other.closed[i];
        }
        log += other.log;
    }
};

void note(Tally& tally, const std::string& line) {
    tally.log += line + "\n";
}

// Reads the sample's face in the picture and in every variant; the lines for variants are
// noted only where the verdict changed or the face was lost.
Tally measure(const testing::FaceSample& sample) {
    Tally tally;
    const auto original = matching(readingsOf(sample.image), sample.box);
    if (!original) {
        ++tally.missing;
        note(tally, sample.name + ": not found");
        return tally;
    }
    ++tally.faces;
    tally.count(sample.eyes, original->verdict);
    note(tally, sample.name + ": " + text(original->verdict) + "  " +
                    measuresOf(sample.image, original->box));
    for (const auto& variant : variantsOf(sample.image)) {
        const auto read =
            matching(readingsOf(variant.image), variant.place(original->box, sample.image.cols));
        if (!read) {
            ++tally.lost;
            note(tally, "    " + variant.name + " lost");
            continue;
        }
        ++tally.readings;
        tally.count(sample.eyes, read->verdict);
        if (read->verdict == original->verdict) {
            ++tally.kept;
            continue;
        }
        note(tally, "    " + variant.name + " " + text(read->verdict) + "  " +
                        measuresOf(variant.image, read->box));
    }
    return tally;
}

double percent(int part, int whole) {
    return whole > 0 ? 100.0 * part / whole : 0.0;
}

TEST(ExpressionStability, RealFacesKeepTheirVerdictsThroughCopiesRescalingAndExposure) {
    const auto& samples = testing::faceSamples();
    if (samples.empty()) GTEST_SKIP() << samples::unavailable;
    if (!testing::installedModels().landmarks()) GTEST_SKIP() << "no landmark model";
    // The detectors only read shared models, so faces are measured side by side.
    std::vector<std::future<Tally>> running;
    for (const auto& sample : samples)
        running.push_back(std::async(std::launch::async, [&sample] { return measure(sample); }));
    Tally total;
    for (auto& result : running)
        total.add(result.get());
    std::printf("%s", total.log.c_str());
    std::printf("expression verdicts: %d faces read (%d not found), %d variant readings, %.1f%% "
                "kept, %d lost; closed called on %d of %d open-eyed readings (%.1f%%), %d of %d "
                "closed-eyed, %d of %d behind sunglasses\n",
                total.faces, total.missing, total.readings, percent(total.kept, total.readings),
                total.lost, total.closedOf(Eyes::open), total.readOf(Eyes::open),
                percent(total.closedOf(Eyes::open), total.readOf(Eyes::open)),
                total.closedOf(Eyes::closed), total.readOf(Eyes::closed),
                total.closedOf(Eyes::hidden), total.readOf(Eyes::hidden));
    EXPECT_GE(total.faces, static_cast<int>(samples.size()) - 2);
    ASSERT_GT(total.readings, 0);
    // Shares are bars on the whole set of faces (see SampleScope.hpp).
    if (!samples::wholeSample) return;
    EXPECT_GE(percent(total.kept, total.readings), 98.0);
    EXPECT_LE(percent(total.closedOf(Eyes::open), total.readOf(Eyes::open)), 2.0);
    // A lost face says nothing about its verdict; too many would hide changed ones.
    EXPECT_LE(percent(total.lost, total.readings + total.lost), 2.0);
}

// The portrait's landmarks with both eyes shut, moved into whatever box is asked about.
class ShutEyes final : public LandmarkDetector {
public:
    ShutEyes(FaceShape shape, cv::Rect2d box) : shape_(shape), box_(box) {
        for (int eye : {36, 42}) {
            double centre = 0;
            for (int i = eye; i < eye + 6; ++i)
                centre += shape_[static_cast<size_t>(i)].y / 6.0;
            for (int i = eye; i < eye + 6; ++i)
                shape_[static_cast<size_t>(i)].y = centre;
        }
    }
    FaceShape landmarks(const cv::Mat&, const cv::Rect2d& face) const override {
        FaceShape moved;
        for (size_t i = 0; i < moved.size(); ++i)
            moved[i] = {face.x + (shape_[i].x - box_.x) / box_.width * face.width,
                        face.y + (shape_[i].y - box_.y) / box_.height * face.height};
        return moved;
    }

private:
    FaceShape shape_;
    cv::Rect2d box_;
};

class OneFace final : public FaceDetector {
public:
    explicit OneFace(cv::Rect2d box) : box_(box) {}
    std::vector<FaceDetection> detect(const cv::Mat&) const override { return {{box_, 1.0, 0}}; }

private:
    cv::Rect2d box_;
};

TEST(ExpressionStability, ClosedEyesAreReadOnlyOnAFaceLargeEnoughToRead) {
    if (testing::portrait().empty()) GTEST_SKIP() << samples::unavailable;
    const auto model = testing::installedModels().landmarks();
    if (!model) GTEST_SKIP() << "no landmark model";
    cv::Mat grey;
    cv::cvtColor(testing::portrait(), grey, cv::COLOR_BGR2GRAY);
    const auto found = testing::installedModels().faceDetector().detect(grey);
    ASSERT_FALSE(found.empty());
    auto shut = std::make_shared<ShutEyes>(model->landmarks(grey, found[0].box), found[0].box);
    const cv::Mat canvas(600, 600, CV_8UC3, cv::Scalar(120, 120, 120));
    auto verdictFor = [&](double side) {
        LandmarkExpressionDetector detector(
            std::make_shared<OneFace>(cv::Rect2d(200, 200, side, side)), {},
            std::make_shared<LandmarkModel>([shut] { return shut; }));
        return detector.detect(canvas).at(0);
    };
    const auto readable = verdictFor(120);
    EXPECT_TRUE(readable.leftEyeClosed);
    EXPECT_TRUE(readable.rightEyeClosed);
    const auto tooSmall = verdictFor(LandmarkExpressionDetector::smallestReadableFace - 10);
    EXPECT_FALSE(tooSmall.leftEyeClosed);
    EXPECT_FALSE(tooSmall.rightEyeClosed);
    EXPECT_FALSE(tooSmall.hasSmile.has_value());
}

} // namespace
} // namespace keepsift
