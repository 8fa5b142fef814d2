#include "platform/library/ReviewedFile.hpp"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/imaging/Sha256.hpp"
#include "platform/library/BoundedRead.hpp"
#include "platform/library/ProvingStamp.hpp"

namespace keepsift {
namespace {

// Nothing written, replaced or truncated in between; st_blocks may move with allocation.
bool unchanged(const FileStamp& before, const FileStamp& after) {
    return sameFile(before, after) && before.ctimeNs == after.ctimeNs;
}

std::optional<std::string> digestRead(int fd) {
    Sha256 digest;
    if (streamDescriptor(fd, [&](std::vector<std::uint8_t> chunk) { digest.add(chunk); }) != 0)
        return std::nullopt;
    return digest.finish();
}

// Read through one descriptor, and only the file the place names when it is done: bytes
// written while it was read, or a file put in its place, make it another.
Holding holdsBytes(const Place& file, const ReviewedBytes& reviewed, const FileStamp& now) {
    if (reviewed.status && stillProvenBy(*reviewed.status, file, now)) return Holding::reviewed;
    const int fd = openFileBelow(file);
    if (fd < 0) return errno == EACCES || errno == EPERM ? Holding::unreadable : Holding::other;
    struct stat opened {
    }, done{};
    bool holds = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
                 unchanged(now, stampOf(opened)) &&
                 (reviewed.size == 0 || opened.st_size == reviewed.size) &&
                 digestRead(fd) == reviewed.digest && ::fstat(fd, &done) == 0 &&
                 unchanged(stampOf(opened), stampOf(done));
    ::close(fd);
    FileStamp after;
    return holds && stampOf(file, after) && unchanged(now, after) ? Holding::reviewed
                                                                  : Holding::other;
}

} // namespace

std::optional<CompanionRead> readWithItsStatus(const Place& file) {
    const int fd = openFileBelow(file);
    if (fd < 0) return std::nullopt;
    struct stat opened {
    }, done{};
    std::optional<std::string> digest;
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode)) digest = digestRead(fd);
    const bool stood =
        digest && ::fstat(fd, &done) == 0 && unchanged(stampOf(opened), stampOf(done));
    ::close(fd);
    if (!stood) return std::nullopt;
    return CompanionRead{digestedStatusOf(stampOf(opened)), std::move(digest)};
}

// A change time unknown on either side (a stamp of an earlier build) tells nothing; one that
// moved without the bytes to compare leaves it unsure, and so not the reviewed file.
Holding holdingOf(const Place& file, const ReviewedFile& reviewed, const FileStamp& now) {
    if (reviewed.bytes) return holdsBytes(file, *reviewed.bytes, now);
    if (!sameFile(reviewed.stamp, now)) return Holding::other;
    const auto was = reviewed.stamp.ctimeNs, is = now.ctimeNs;
    return was == 0 || is == 0 || was == is ? Holding::reviewed : Holding::other;
}

} // namespace keepsift
