#pragma once

// Writes a small DNG as a camera would store its sensor data: one 16-bit colour-filter
// mosaic (RGGB) made from a picture, with the tags libraw needs to develop it.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <opencv2/core.hpp>
#include <tiffio.h>

namespace keepsift::testing {

inline bool writeDng(const std::filesystem::path& path, const cv::Mat& bgr) {
    const int width = bgr.cols & ~1, height = bgr.rows & ~1;
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (!tiff) return false;
    const std::uint8_t version[4] = {1, 4, 0, 0};
    const std::uint16_t repeat[2] = {2, 2};
    const std::uint8_t pattern[4] = {0, 1, 1, 2}; // red, green / green, blue
    const float matrix[9] = {1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    const float neutral[3] = {1.0f, 1.0f, 1.0f};
    const std::uint32_t white[1] = {65535};
    TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, 0);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_CFA);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, height);
    TIFFSetField(tiff, TIFFTAG_MAKE, "Keepsift");
    TIFFSetField(tiff, TIFFTAG_MODEL, "Test Sensor");
    TIFFSetField(tiff, TIFFTAG_DNGVERSION, version);
    TIFFSetField(tiff, TIFFTAG_DNGBACKWARDVERSION, version);
    TIFFSetField(tiff, TIFFTAG_UNIQUECAMERAMODEL, "Keepsift Test Sensor");
    TIFFSetField(tiff, TIFFTAG_CFAREPEATPATTERNDIM, repeat);
    TIFFSetField(tiff, TIFFTAG_CFAPATTERN, 4, pattern);
    TIFFSetField(tiff, TIFFTAG_COLORMATRIX1, 9, matrix);
    TIFFSetField(tiff, TIFFTAG_CALIBRATIONILLUMINANT1, 21); // D65
    TIFFSetField(tiff, TIFFTAG_ASSHOTNEUTRAL, 3, neutral);
    TIFFSetField(tiff, TIFFTAG_WHITELEVEL, 1, white);
    std::vector<std::uint16_t> row(static_cast<size_t>(width));
    bool written = true;
    for (int y = 0; y < height && written; ++y) {
        for (int x = 0; x < width; ++x) {
            // BGR channel of the filter over this photosite.
            const int channel = y % 2 == 0 ? (x % 2 == 0 ? 2 : 1) : (x % 2 == 0 ? 1 : 0);
            row[static_cast<size_t>(x)] =
                static_cast<std::uint16_t>(bgr.at<cv::Vec3b>(y, x)[channel] * 257);
        }
        written = TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0) == 1;
    }
    TIFFClose(tiff);
    return written;
}

} // namespace keepsift::testing
