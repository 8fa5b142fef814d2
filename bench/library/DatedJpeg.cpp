#include "bench/library/DatedJpeg.hpp"

#include <cstdio>
#include <exiv2/exiv2.hpp>
#include <fstream>
#include <turbojpeg.h>
#include <vector>

#include "platform/imaging/ExivAccess.hpp"

namespace keepsift {
namespace {

constexpr const char* templateDate = "2020:01:01 00:00:00";

std::string templateJpeg() {
    std::vector<unsigned char> pixels(16 * 16 * 3, 120);
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, pixels.data(), 16, 0, 16, TJPF_RGB, &jpeg, &size, TJSAMP_420, 75, 0);
    std::string bytes(reinterpret_cast<char*>(jpeg), size);
    tjFree(jpeg);
    tjDestroy(handle);
    auto exiv = enterExiv2();
    auto image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(bytes.data()),
                                           static_cast<long>(bytes.size()));
    image->readMetadata();
    image->exifData()["Exif.Photo.DateTimeOriginal"] = templateDate;
    image->xmpData()["Xmp.xmp.Rating"] = 2;
    image->writeMetadata();
    auto& io = image->io();
    io.seek(0, Exiv2::BasicIo::beg);
    auto buffer = io.read(static_cast<long>(io.size()));
    return std::string(reinterpret_cast<const char*>(buffer.pData_), buffer.size_);
}

} // namespace

DatedJpeg::DatedJpeg() : bytes_(templateJpeg()), dateAt_(bytes_.find(templateDate)) {}

void DatedJpeg::write(const std::filesystem::path& path, int year, int month, int day, int hour,
                      int minute, int second) {
    char date[40];
    std::snprintf(date, sizeof date, "20%02d:%02d:%02d %02d:%02d:%02d", year, month, day, hour,
                  minute, second);
    bytes_.replace(dateAt_, 19, date, 19);
    std::ofstream(path, std::ios::binary) << bytes_;
}

} // namespace keepsift
