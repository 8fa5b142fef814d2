#include "core/index/FileAtPath.hpp"

namespace keepsift {

bool needsBytesRead(const IndexEntry& entry, const LibraryAsset& listed) {
    return entry.contentDigest && !listed.sizeChanged(entry.asset) && listed.fileMoved(entry.asset);
}

FileAtPath fileAtPath(const IndexEntry& entry, const LibraryAsset& listed,
                      const ContentDigests& read) {
    if (listed.sizeChanged(entry.asset)) return FileAtPath::other;
    if (!needsBytesRead(entry, listed)) return FileAtPath::same;
    const auto digest = read.find(listed.id);
    if (digest == read.end()) return FileAtPath::unsure;
    return digest->second == *entry.contentDigest ? FileAtPath::same : FileAtPath::other;
}

} // namespace keepsift
