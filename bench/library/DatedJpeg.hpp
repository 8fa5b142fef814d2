#pragma once

#include <filesystem>
#include <string>

namespace keepsift {

// A tiny JPEG with an EXIF capture date and an XMP rating, written again and again with
// another date: the date's digits are changed in place, so no file costs an encoder run.
class DatedJpeg {
public:
    DatedJpeg();
    // Written with the capture date 20YY:MM:DD hh:mm:ss.
    void write(const std::filesystem::path& path, int year, int month, int day, int hour,
               int minute, int second);

private:
    std::string bytes_;
    size_t dateAt_ = 0;
};

} // namespace keepsift
