#pragma once

#include <cstdint>
#include <exiv2/exiv2.hpp>
#include <vector>

#include "platform/imaging/ExivAccess.hpp"

namespace keepsift::testing {

// The smallest JPEG stream exiv2 reads: start, one Exif segment, end.
inline std::vector<std::uint8_t> jpegWithExif(bool withDate, bool withMake) {
    auto exiv = enterExiv2();
    Exiv2::ExifData exif;
    exif["Exif.Image.Orientation"] = uint16_t(1);
    if (withDate) exif["Exif.Photo.DateTimeOriginal"] = "2024:05:01 10:00:00";
    if (withMake) exif["Exif.Image.Make"] = "Fujifilm";
    Exiv2::Blob tiff;
    Exiv2::ExifParser::encode(tiff, Exiv2::littleEndian, exif);
    const std::size_t length = 2 + 6 + tiff.size();
    std::vector<std::uint8_t> jpeg{
        0xFF, 0xD8, 0xFF, 0xE1, std::uint8_t(length >> 8), std::uint8_t(length & 0xFF), 'E', 'x',
        'i',  'f',  0,    0};
    jpeg.insert(jpeg.end(), tiff.begin(), tiff.end());
    jpeg.insert(jpeg.end(), {0xFF, 0xD9});
    return jpeg;
}

} // namespace keepsift::testing
