#include "platform/imaging/ImageFileRead.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "platform/imaging/ContainerLayout.hpp"
#include "platform/imaging/DecodeLimits.hpp"
#include "platform/imaging/FileBytes.hpp"
#include "platform/imaging/ImageFormat.hpp"
#include "platform/imaging/ImageSource.hpp"

namespace keepsift {
namespace {

// Enough to tell every format and read a PNG's size; a JPEG's frame header is looked for
// segment by segment, past metadata of any length.
constexpr std::int64_t headBytes = 64 * 1024;
// The most any format stores per pixel (16-bit RGBA, uncompressed), and room beside the
// picture for metadata, previews and depth maps.
constexpr std::int64_t bytesPerPixel = 8;
constexpr std::int64_t besidePicture = 64LL << 20;
constexpr int maximumSegments = 4096;
constexpr std::int64_t beyondDamage = 4096;

std::int64_t bigEndian(const std::uint8_t* bytes, int count) {
    std::int64_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

bool isFrameMarker(std::uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Follows a JPEG's segments by their lengths from the start, handing each marker and the
// bytes at it (up to 9) to `visit` until it answers false; the offset of the marker it
// stopped at, or of the first byte that is no marker where one should be.
template <class Visit> std::int64_t walkJpeg(int fd, Visit visit) {
    std::int64_t offset = 2;
    for (int segment = 0; segment < maximumSegments; ++segment) {
        std::uint8_t bytes[9];
        std::int64_t got = 0;
        if (!readAt(fd, offset, bytes, sizeof bytes, got) || got < 2 || bytes[0] != 0xFF)
            return offset;
        const std::uint8_t marker = bytes[1];
        if (marker == 0xFF) {
            ++offset; // fill byte
            continue;
        }
        if (!visit(marker, bytes, got)) return offset;
        if (got < 4) return offset;
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01)
            offset += 2;
        else
            offset += 2 + bigEndian(bytes + 2, 2);
    }
    return offset;
}

bool isScanOrEnd(std::uint8_t marker) {
    return marker == 0xDA || marker == 0xD9;
}

// The frame header of a JPEG, before its scan.
std::optional<PixelSize> jpegFrame(int fd) {
    std::optional<PixelSize> frame;
    walkJpeg(fd, [&](std::uint8_t marker, const std::uint8_t* bytes, std::int64_t got) {
        if (isScanOrEnd(marker)) return false;
        if (!isFrameMarker(marker)) return true;
        if (got == 9) frame = PixelSize{bigEndian(bytes + 7, 2), bigEndian(bytes + 5, 2)};
        return false;
    });
    return frame;
}

std::optional<PixelSize> pngFrame(std::span<const std::uint8_t> head) {
    if (head.size() < 24) return std::nullopt;
    return PixelSize{bigEndian(head.data() + 16, 4), bigEndian(head.data() + 20, 4)};
}

std::int64_t usableFor(PixelSize size) {
    if (!DecodeLimits::acceptsSource(size)) return 0;
    return std::min(size.width * size.height * bytesPerPixel + besidePicture,
                    ImageSource::maximumFileBytes);
}

// What the container declares it holds: its picture bounds the file as a JPEG's does, and
// no more may follow its last part than metadata beside a picture can need.
std::optional<std::int64_t> usableIn(const std::optional<ContainerLayout>& layout) {
    if (!layout || (!layout->picture && !layout->contentEnd)) return std::nullopt;
    std::int64_t usable =
        layout->picture ? usableFor(*layout->picture) : ImageSource::maximumFileBytes;
    if (layout->contentEnd) usable = std::min(usable, *layout->contentEnd + besidePicture);
    return usable;
}

std::optional<ContainerLayout> rawLayout(int fd, std::int64_t size,
                                         std::span<const std::uint8_t> head) {
    if (head.size() >= 8 && std::memcmp(head.data() + 4, "ftyp", 4) == 0)
        return isoMediaLayout(fd, size);
    if (head.size() >= 4 && std::memcmp(head.data(), "FUJI", 4) == 0) return headerLayout(fd, size);
    return tiffLayout(fd, size);
}

// 0 when the file may be read whole as the image its head shows; `head` keeps what was read.
int refusalOf(int fd, std::int64_t size, std::vector<std::uint8_t>& head) {
    if (size > ImageSource::maximumFileBytes) return EFBIG;
    head.resize(static_cast<size_t>(std::min(size, headBytes)));
    std::int64_t got = 0;
    if (!readAt(fd, 0, head.data(), static_cast<std::int64_t>(head.size()), got)) return errno;
    head.resize(static_cast<size_t>(got));
    const auto usable = usableImageBytes(fd, size, head);
    if (!usable) return EINVAL;
    return size > *usable ? EFBIG : 0;
}

} // namespace

std::optional<std::int64_t> usableImageBytes(int fd, std::int64_t size,
                                             std::span<const std::uint8_t> head) {
    switch (sniffImageFormat(head)) {
    case ImageFormat::unknown:
        return std::nullopt;
    case ImageFormat::jpeg:
        if (auto frame = jpegFrame(fd)) return usableFor(*frame);
        return std::nullopt;
    case ImageFormat::png:
        if (auto frame = pngFrame(head)) return usableFor(*frame);
        return std::nullopt;
    case ImageFormat::webp:
        return usableIn(webpLayout(fd, size));
    case ImageFormat::tiff:
        return usableIn(tiffLayout(fd, size));
    case ImageFormat::heif: {
        // libheif reads no picture without its declared size.
        auto layout = isoMediaLayout(fd, size);
        return layout && layout->picture ? usableIn(layout) : std::nullopt;
    }
    case ImageFormat::raw:
        return usableIn(rawLayout(fd, size, head));
    case ImageFormat::other:
        return usableIn(headerLayout(fd, size));
    }
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> readJpegMetadata(int fd) {
    std::uint8_t start[2];
    std::int64_t got = 0;
    if (!readAt(fd, 0, start, sizeof start, got) || got < 2 || start[0] != 0xFF || start[1] != 0xD8)
        return std::nullopt;
    bool scan = false;
    const std::int64_t end =
        walkJpeg(fd, [&](std::uint8_t marker, const std::uint8_t*, std::int64_t) {
            scan = isScanOrEnd(marker);
            return !scan;
        });
    // The marker that ends the metadata goes along; past a damaged segment, a little more,
    // as a reader may look a short way on for the next marker. Segments chained to great
    // length get no more room than metadata has beside a picture.
    const std::int64_t length = std::min(end + (scan ? 2 : beyondDamage), besidePicture);
    std::vector<std::uint8_t> bytes(static_cast<size_t>(length));
    if (!readAt(fd, 0, bytes.data(), static_cast<std::int64_t>(bytes.size()), got))
        return std::nullopt;
    bytes.resize(static_cast<size_t>(got));
    return bytes;
}

int imageFileRefusal(int fd, std::int64_t size) {
    std::vector<std::uint8_t> head;
    return refusalOf(fd, size, head);
}

ImageFileRead readImageFile(int fd, std::int64_t size) {
    ImageFileRead read;
    std::vector<std::uint8_t> bytes;
    read.error = refusalOf(fd, size, bytes);
    if (read.error != 0) return read;
    const auto got = static_cast<std::int64_t>(bytes.size());
    bytes.resize(static_cast<size_t>(size));
    std::int64_t rest = 0;
    if (!readAt(fd, got, bytes.data() + got, size - got, rest)) return read.error = errno, read;
    // A file that shrank while it was read gives what it held.
    bytes.resize(static_cast<size_t>(got + rest));
    read.bytes = std::move(bytes);
    return read;
}

} // namespace keepsift
