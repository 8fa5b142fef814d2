#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "core/model/SignalSource.hpp"
#include "photos/extractor/FaceObservation.hpp"
#include "photos/extractor/ImageDataProvider.hpp"
#include "platform/analysis/AnalysisContext.hpp"
#include "platform/analysis/UtilityImageRule.hpp"
#include "platform/imaging/ImageSource.hpp"

namespace keepsift {

struct VisionResult {
    std::vector<FaceSignals> faces;
    std::vector<float> print;
    bool isUtility = false;
    float aestheticsScore = 0;
};

// Measures photographs: files on disk directly, library photographs through the library's
// image-data port. Never throws; every failure is an absent result or a neutral value. Holds
// only the shared analysis context and the port, so one extractor serves every thread.
class LiveSignalExtractor final : public SignalSource {
public:
    static constexpr std::int64_t visionThumbnailSize = 2048;
    static constexpr std::int64_t faceThumbnailSize = 4096;
    static constexpr int sharpnessSize = 256;
    static constexpr std::int64_t renditionTarget = 512;
    // Side in pixels the smallest counted face needs for the face detector and landmarks.
    static constexpr double smallestFaceSide = 80;

    static std::shared_ptr<const AnalysisContext> makeContext();

    LiveSignalExtractor(std::shared_ptr<const AnalysisContext> context,
                        std::shared_ptr<ImageDataProvider> library);

    std::optional<PhotoSignals> signals(const AssetReference& reference) override;
    std::optional<PhotoSignals> derivativeSignals(const AssetReference& reference) override;

    std::optional<PhotoSignals> analyse(const ImageSource& source, const AssetReference& reference,
                                        std::int64_t fileSize,
                                        std::optional<Date> fallbackDate) const;

    VisionResult runVision(const cv::Mat& printImage, const cv::Mat& faceImage,
                           std::uint32_t orientation, const UtilityEvidence& evidence) const;
    std::vector<Expression> expressions(const cv::Mat& faceImage, std::uint32_t orientation) const;
    // The analysis and the expressions together, with the faces merged; the pictures are
    // turned upright and the face picture made grey once for both.
    VisionResult analysed(const cv::Mat& printImage, const cv::Mat& faceImage,
                          std::uint32_t orientation, const UtilityEvidence& evidence) const;
    float sharpness(const cv::Mat& image) const;

    static std::vector<FaceSignals> merge(std::vector<FaceSignals> faces,
                                          const std::vector<Expression>& expressions);
    static FaceSignals faceSignals(const FaceObservation& observation,
                                   std::optional<float> quality);
    static std::optional<float> eyeAspectRatio(const FaceObservation& observation);
    static std::optional<float> aspectRatio(const std::optional<LandmarkRegion>& region);
    static std::vector<float> printValues(const std::optional<FeaturePrintObservation>& result);
    // Faces in landmark order, each with its capture quality looked up by uuid.
    static std::vector<FaceSignals> assembleFaces(const std::vector<FaceObservation>& landmarked,
                                                  const std::vector<QualityObservation>& qualities);
    // The Laplacian variance over a packed side x side grey grid, divided by 1000.
    static float sharpnessOfGrid(const std::uint8_t* grid, int side);

    static std::optional<Date> captureDate(const std::string& text);
    static std::optional<std::string> fileDigest(const std::string& path);

    const AnalysisContext& context() const { return *context_; }

private:
    // The thumbnails turned upright, the face thumbnail in grey; the print thumbnail's grey
    // too when the two are one picture.
    struct Upright {
        cv::Mat print, faceGrey, printGrey;
    };
    static Upright turnedUpright(const cv::Mat& printImage, const cv::Mat& faceImage,
                                 std::uint32_t orientation);
    VisionResult visionOf(const Upright& upright, const UtilityEvidence& evidence) const;
    std::vector<Expression> expressionsOf(const cv::Mat& uprightGrey) const;

    std::optional<PhotoSignals> measureRendition(const AssetReference& reference,
                                                 const LibraryPhoto& photo,
                                                 const cv::Mat& rendition) const;

    std::shared_ptr<const AnalysisContext> context_;
    std::shared_ptr<ImageDataProvider> library_;
};

} // namespace keepsift
