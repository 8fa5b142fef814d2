#include "platform/library/ReviewedFile.hpp"

#include "platform/imaging/Sha256.hpp"
#include "platform/library/BoundedRead.hpp"

namespace keepsift {
namespace {

std::optional<std::string> digestOfFile(const Place& file) {
    Sha256 digest;
    if (streamWholeFile(file, [&](std::vector<std::uint8_t> chunk) { digest.add(chunk); }) != 0)
        return std::nullopt;
    return digest.finish();
}

} // namespace

std::optional<std::string> digestOf(std::span<const std::uint8_t> bytes) {
    Sha256 digest;
    digest.add(bytes);
    return digest.finish();
}

// A change time unknown on either side (a stamp of an earlier build) tells nothing.
bool stillReviewed(const Place& file, const ReviewedFile& reviewed, const FileStamp& now) {
    if (!sameFile(reviewed.stamp, now)) return false;
    const auto was = reviewed.stamp.ctimeNs, is = now.ctimeNs;
    if (was == 0 || is == 0 || was == is) return true;
    if (!reviewed.digest || digestOfFile(file) != reviewed.digest) return false;
    // Bytes written in while they were read would slip past.
    FileStamp after;
    return stampOf(file, after) && after == now;
}

} // namespace keepsift
