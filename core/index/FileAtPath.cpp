#include "core/index/FileAtPath.hpp"

namespace keepsift {
namespace {

std::int64_t sizeRestedOn(const IndexEntry& entry) {
    if (entry.asset.fileSize > 0) return entry.asset.fileSize;
    const auto& measured = entry.signals;
    return measured && !measured->madeFromRendition() ? measured->fileSize : 0;
}

} // namespace

bool sizeDiffers(const IndexEntry& entry, const LibraryAsset& listed) {
    const auto size = sizeRestedOn(entry);
    return size > 0 && listed.fileSize > 0 && size != listed.fileSize;
}

bool describesFile(const IndexEntry& entry, const LibraryAsset& listed) {
    const auto size = sizeRestedOn(entry);
    return size > 0 && size == listed.fileSize && !listed.contentChanged(entry.asset) &&
           !(listed.file && entry.asset.file && otherFiles(*listed.file, *entry.asset.file));
}

bool isFileOf(const IndexEntry& entry, const LibraryAsset& listed) {
    return entry.asset.file && listed.file && oneFile(*entry.asset.file, *listed.file);
}

// A copy only of the very size: where the index kept none, every file listed would be
// measured for every review that left.
bool mayHoldMeasured(const IndexEntry& entry, const LibraryAsset& listed) {
    if (isFileOf(entry, listed)) return describesFile(entry, listed);
    const auto size = sizeRestedOn(entry);
    return size > 0 && size == listed.fileSize;
}

bool unchangedSince(const LibraryAsset& earlier, const LibraryAsset& now) {
    return earlier.file == now.file && earlier.fileSize == now.fileSize &&
           !earlier.contentChanged(now);
}

bool needsBytesRead(const IndexEntry& entry, const LibraryAsset& listed) {
    return entry.contentDigest && !sizeDiffers(entry, listed) && listed.fileMoved(entry.asset);
}

bool provenAsHeld(const IndexEntry& entry, const DigestRead& read) {
    const auto& held = entry.asset.file;
    return !entry.measureAgain && read.status && held && read.status->number == held->number &&
           read.status->changedNs == held->changedNs && read.status->size == entry.asset.fileSize;
}

FileAtPath fileAtPath(const IndexEntry& entry, const LibraryAsset& listed,
                      const ContentDigests& read) {
    if (sizeDiffers(entry, listed)) return FileAtPath::other;
    if (!needsBytesRead(entry, listed)) return FileAtPath::same;
    const auto digest = read.find(listed.id);
    if (digest == read.end()) return FileAtPath::unsure;
    return digest->second == *entry.contentDigest ? FileAtPath::same : FileAtPath::other;
}

} // namespace keepsift
