#include "platform/imaging/CachedRenditionSource.hpp"

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "platform/imaging/Rendition.hpp"
#include "platform/imaging/ThumbnailCache.hpp"

namespace keepsift {
namespace {

std::filesystem::path cacheHome() {
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache == '/') return cache;
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home ? home : "/tmp") / ".cache";
}

// Whole seconds of the last change, as the thumbnail specification writes them.
std::optional<std::int64_t> modificationTime(const std::filesystem::path& path) {
    struct stat facts {};
    if (::stat(path.c_str(), &facts) != 0) return std::nullopt;
    return static_cast<std::int64_t>(facts.st_mtim.tv_sec);
}

std::optional<std::vector<std::uint8_t>> readSmallFile(const std::filesystem::path& path) {
    constexpr std::uintmax_t largest = 64 << 20;
    std::error_code error;
    auto size = std::filesystem::file_size(path, error);
    if (error || size > largest) return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    std::vector<std::uint8_t> bytes(static_cast<size_t>(size));
    if (!file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size)))
        return std::nullopt;
    return bytes;
}

cv::Mat exactly(const cv::Mat& image, std::int64_t target) {
    double scale = static_cast<double>(target) / std::max(image.cols, image.rows);
    cv::Size size(std::max(1, static_cast<int>(std::lround(image.cols * scale))),
                  std::max(1, static_cast<int>(std::lround(image.rows * scale))));
    cv::Mat resized;
    cv::resize(image, resized, size, 0, 0, scale < 1.0 ? cv::INTER_AREA : cv::INTER_LINEAR);
    return resized;
}

PortImage portImage(const cv::Mat& bgr) {
    cv::Mat rgb;
    cv::cvtColor(bgr, rgb, cv::COLOR_BGR2RGB);
    if (!rgb.isContinuous()) rgb = rgb.clone();
    return {rgb.cols, rgb.rows, std::vector<std::uint8_t>(rgb.datastart, rgb.dataend)};
}

} // namespace

CachedRenditionSource::Folders CachedRenditionSource::defaultFolders() {
    auto cache = cacheHome();
    return {cache / "thumbnails", cache / "com.ambervale.keepsift" / "renditions"};
}

CachedRenditionSource::CachedRenditionSource(Folders folders) : folders_(std::move(folders)) {}

std::optional<PortImage> CachedRenditionSource::rendition(const std::string& originalPath,
                                                          bool resident, std::int64_t target) {
    if (target <= 0 || target > 16'384) return std::nullopt;
    std::error_code error;
    auto original = std::filesystem::absolute(originalPath, error);
    auto modified = modificationTime(original);
    if (error || !modified) return std::nullopt;
    auto entry = ownEntry(original, *modified);
    if (resident) {
        auto decoded = renditionOfFile(original.string(), target);
        if (!decoded) return std::nullopt;
        keep(entry, *decoded);
        return portImage(*decoded);
    }
    if (auto thumbnail = fromThumbnailCache(original, *modified))
        return portImage(exactly(*thumbnail, target));
    cv::Mat kept = cv::imread(entry.string(), cv::IMREAD_COLOR);
    if (kept.empty()) return std::nullopt;
    return portImage(exactly(kept, target));
}

std::optional<cv::Mat>
CachedRenditionSource::fromThumbnailCache(const std::filesystem::path& original,
                                          std::int64_t modified) const {
    auto uri = thumbnails::fileUri(original);
    auto name = thumbnails::uriDigest(uri) + ".png";
    for (const char* size : {"x-large", "xx-large"}) {
        auto bytes = readSmallFile(folders_.thumbnails / size / name);
        if (!bytes) continue;
        auto entries = thumbnails::pngTextEntries(*bytes);
        if (entries["Thumb::URI"] != uri || entries["Thumb::MTime"] != std::to_string(modified))
            continue;
        cv::Mat image = cv::imdecode(*bytes, cv::IMREAD_COLOR);
        if (!image.empty()) return image;
    }
    return std::nullopt;
}

// Named after the original's address and last change, so a changed original misses.
std::filesystem::path CachedRenditionSource::ownEntry(const std::filesystem::path& original,
                                                      std::int64_t modified) const {
    auto digest = thumbnails::uriDigest(thumbnails::fileUri(original));
    return folders_.own / (digest + "-" + std::to_string(modified) + ".jpg");
}

// Written to a temporary name and renamed, so a reader never sees half a file.
void CachedRenditionSource::keep(const std::filesystem::path& entry,
                                 const cv::Mat& rendition) const {
    std::error_code error;
    std::filesystem::create_directories(entry.parent_path(), error);
    std::vector<std::uint8_t> bytes;
    if (error || !cv::imencode(".jpg", rendition, bytes, {cv::IMWRITE_JPEG_QUALITY, 90})) return;
    auto temporary = entry;
    temporary += ".partial";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        if (!file) return;
    }
    std::filesystem::rename(temporary, entry, error);
}

} // namespace keepsift
