#pragma once

// Test helper: JPEG bytes with chosen EXIF entries, written with exiv2 in memory.

#include <map>
#include <string>
#include <vector>

#include <exiv2/exiv2.hpp>
#include <opencv2/imgcodecs.hpp>

#include "platform/imaging/ExivAccess.hpp"

namespace keepsift::testing {

inline std::vector<std::uint8_t> encodedJpeg(const cv::Mat& image, int quality = 90) {
    std::vector<std::uint8_t> bytes;
    cv::imencode(".jpg", image, bytes, {cv::IMWRITE_JPEG_QUALITY, quality});
    return bytes;
}

inline std::vector<std::uint8_t> withExif(const std::vector<std::uint8_t>& jpeg,
                                          const std::map<std::string, std::string>& entries) {
    auto exiv = enterExiv2();
    auto image = Exiv2::ImageFactory::open(jpeg.data(), static_cast<long>(jpeg.size()));
    image->readMetadata();
    Exiv2::ExifData exif;
    for (const auto& [key, value] : entries) {
        if (key == "Exif.Image.Orientation")
            exif[key] = static_cast<std::uint16_t>(std::stoi(value));
        else
            exif[key] = value;
    }
    image->setExifData(exif);
    image->writeMetadata();
    auto& io = image->io();
    io.seek(0, Exiv2::BasicIo::beg);
    auto data = io.read(static_cast<long>(io.size()));
    return {data.pData_, data.pData_ + data.size_};
}

// The same JPEG claiming 65,520 x 65,520 pixels in its frame header (SOF0).
inline std::vector<std::uint8_t> withHugeDimensions(std::vector<std::uint8_t> jpeg) {
    for (size_t i = 0; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = jpeg[i + 7] = 0xFF;
            jpeg[i + 6] = jpeg[i + 8] = 0xF0;
            break;
        }
    return jpeg;
}

} // namespace keepsift::testing
