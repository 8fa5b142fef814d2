#include "photos/extractor/LiveSignalExtractor.hpp"

#include <cmath>
#include <sys/stat.h>

#include "platform/analysis/FaceDetector.hpp"

namespace keepsift {
namespace {

struct FileFacts {
    std::int64_t size = 0;
    std::optional<Date> created;
};

// Not every filesystem keeps a birth time; like the folder library, the last change of the
// contents stands in for the creation date.
FileFacts fileFacts(const std::string& path) {
    struct stat facts {};
    if (::stat(path.c_str(), &facts) != 0) return {};
    return {static_cast<std::int64_t>(facts.st_size),
            Date::fromUnix(static_cast<double>(facts.st_mtim.tv_sec) +
                           static_cast<double>(facts.st_mtim.tv_nsec) / 1e9)};
}

// The decode size at which the smallest counted face reaches the detector's window.
std::int64_t faceDecodeTarget(std::int64_t width, std::int64_t height) {
    cv::Size size(static_cast<int>(width), static_cast<int>(height));
    double scale = scaleForSmallestFace(size, LiveSignalExtractor::smallestFaceSide);
    auto needed = static_cast<std::int64_t>(std::ceil(std::max(width, height) * scale));
    return std::min(needed, LiveSignalExtractor::faceThumbnailSize);
}

PhotoSignals record(const AssetReference& reference, VisionResult vision, float sharpness) {
    PhotoSignals signals;
    signals.digest = reference.digest;
    signals.filename = reference.filename;
    signals.setFeaturePrint(vision.print);
    signals.featurePrintRevision = std::string(PhotoSignals::printRevision);
    signals.faces = std::move(vision.faces);
    signals.aestheticsScore = vision.aestheticsScore;
    signals.isUtility = vision.isUtility;
    signals.sharpness = sharpness;
    signals.isFavourite = reference.isFavourite;
    signals.isEdited = reference.isEdited;
    signals.isInUserAlbum = reference.isInUserAlbum;
    return signals;
}

} // namespace

std::shared_ptr<const AnalysisContext> LiveSignalExtractor::makeContext() {
    return std::make_shared<const AnalysisContext>();
}

LiveSignalExtractor::LiveSignalExtractor(std::shared_ptr<const AnalysisContext> context,
                                         std::shared_ptr<ImageDataProvider> library)
    : context_(std::move(context)), library_(std::move(library)) {}

std::optional<PhotoSignals> LiveSignalExtractor::signals(const AssetReference& reference) {
    if (reference.fileURL) {
        auto source = ImageSource::fromFile(*reference.fileURL);
        if (!source) return std::nullopt;
        auto facts = fileFacts(*reference.fileURL);
        return analyse(*source, reference, facts.size, facts.created);
    }
    if (!library_) return std::nullopt;
    auto answer = library_->imageData(reference.digest);
    if (!answer) return std::nullopt;
    auto byteCount = static_cast<std::int64_t>(answer->data.size());
    auto source = ImageSource::fromData(std::move(answer->data));
    if (!source) return std::nullopt;
    return analyse(*source, reference, byteCount, answer->createdAt);
}

std::optional<PhotoSignals> LiveSignalExtractor::analyse(const ImageSource& source,
                                                         const AssetReference& reference,
                                                         std::int64_t fileSize,
                                                         std::optional<Date> fallbackDate) const {
    const auto& properties = source.properties();
    if (!properties) return std::nullopt;
    std::optional<Date> exifDate;
    if (properties->dateTimeOriginal) exifDate = captureDate(*properties->dateTimeOriginal);
    bool hasCameraMetadata = properties->model || properties->make || properties->lensModel;
    std::uint32_t orientation = properties->orientation.value_or(1);

    auto decoded = source.decode(faceDecodeTarget(properties->pixelWidth, properties->pixelHeight));
    if (!decoded) return std::nullopt;
    cv::Mat printImage = fitWithin(*decoded, visionThumbnailSize);
    cv::Mat faceImage = fitWithin(*decoded, faceThumbnailSize);
    if (faceImage.empty()) faceImage = printImage;

    UtilityEvidence evidence{
        reference.filename,     properties->software,    properties->format == ImageFormat::png,
        properties->pixelWidth, properties->pixelHeight, hasCameraMetadata};
    auto signals = record(reference, analysed(printImage, faceImage, orientation, evidence),
                          sharpness(printImage));
    signals.capturedAt = exifDate ? exifDate : fallbackDate;
    signals.pixelWidth = properties->pixelWidth;
    signals.pixelHeight = properties->pixelHeight;
    signals.fileSize = fileSize;
    signals.hasCameraMetadata = hasCameraMetadata;
    signals.hasCaptureMetadata = exifDate.has_value();
    return signals;
}

std::optional<PhotoSignals>
LiveSignalExtractor::derivativeSignals(const AssetReference& reference) {
    if (reference.fileURL || !library_) return std::nullopt;
    auto photo = library_->fetchPhoto(reference.digest);
    if (!photo) return std::nullopt;
    auto rendition = library_->offlineImage(*photo, renditionTarget);
    if (!rendition || rendition->empty()) return std::nullopt;
    return measureRendition(reference, *photo, *rendition);
}

std::optional<PhotoSignals> LiveSignalExtractor::measureRendition(const AssetReference& reference,
                                                                  const LibraryPhoto& photo,
                                                                  const cv::Mat& rendition) const {
    UtilityEvidence evidence{reference.filename, std::nullopt,      false,
                             photo.pixelWidth,   photo.pixelHeight, false};
    auto signals =
        record(reference, analysed(rendition, rendition, 1, evidence), sharpness(rendition));
    std::int64_t fileSize = 0;
    for (const auto& size : photo.resourceFileSizes)
        if (size && *size > 0) {
            fileSize = *size;
            break;
        }
    signals.capturedAt = photo.creationDate;
    signals.pixelWidth = photo.pixelWidth;
    signals.pixelHeight = photo.pixelHeight;
    signals.fileSize = fileSize;
    signals.printLongEdge = std::max(rendition.cols, rendition.rows);
    return signals;
}

} // namespace keepsift
