#include "core/engine/ScanEngine.hpp"
#include "core/index/FileAtPath.hpp"
#include "core/model/LibraryUnavailable.hpp"

namespace keepsift {

ContentDigests ScanEngine::readBackFoundLocked(const std::vector<LibraryAsset>& assets) const {
    ContentDigests found;
    if (readBack_.found.empty()) return found;
    for (const auto& asset : assets)
        if (const auto read = readBack_.found.find(asset.id);
            read != readBack_.found.end() && unchangedSince(read->second.first, asset))
            found.emplace(asset.id, read->second.second);
    return found;
}

// After a listing: the files it left unsure of are read back later, in steps, unless one
// could not be read as it is now. What was found before is the listing's now.
void ScanEngine::awaitReadBackLocked(const std::vector<LibraryAsset>& assets) {
    auto& [waiting, found, failed] = readBack_;
    waiting.clear();
    found.clear();
    std::map<std::string, FileIdentity> stillFailing;
    for (const auto& asset : assets) {
        const auto entry = index_.entries.find(asset.id);
        if (entry == index_.entries.end() || entry->second.state == ReviewState::deleted ||
            !needsBytesRead(entry->second, asset))
            continue;
        if (const auto failedAt = failed.find(asset.id);
            failedAt != failed.end() && asset.file == failedAt->second)
            stillFailing.insert(*failedAt);
        else
            waiting.emplace(asset.id, asset);
    }
    failed = std::move(stillFailing);
}

// One step: a file holding the bytes its review rests on takes its new identity at once; one
// holding others, or listed with a link that waits for its bytes, waits for a listing, asked
// for once every file is read back, which handles it as a replaced file or takes the link.
// The new identities are no decision: the ordinary save takes them.
DigestFill ScanEngine::readBackLocked(Lock& lock) {
    auto& waiting = readBack_.waiting;
    ReadStep step;
    while (!waiting.empty() && !step.full()) {
        step.add(waiting.begin()->second);
        waiting.erase(waiting.begin());
    }
    readFilesLocked(lock, step.chosen, [&](const LibraryAsset& listed, auto digest) {
        takeReadBackLocked(listed, std::move(digest));
    });
    if (waiting.empty() && !readBack_.found.empty()) {
        try {
            refreshLocked(lock);
        } catch (const LibraryUnavailable&) {
            // What was found waits for the listing that finds the library again.
        }
    }
    return DigestFill::more;
}

// A file read while a listing queued it again is not read twice.
void ScanEngine::takeReadBackLocked(const LibraryAsset& listed, std::optional<DigestRead> read) {
    auto& waiting = readBack_.waiting;
    if (const auto queued = waiting.find(listed.id);
        queued != waiting.end() && unchangedSince(queued->second, listed))
        waiting.erase(queued);
    if (!read) {
        readBack_.failed.insert_or_assign(listed.id, *listed.file);
        return;
    }
    const auto found = index_.entries.find(listed.id);
    // An entry changed meanwhile is looked at by the next listing.
    if (found == index_.entries.end() || found->second.state == ReviewState::deleted ||
        found->second.asset.contentChanged(listed) || !needsBytesRead(found->second, listed))
        return;
    IndexEntry& entry = found->second;
    // A link listed with the file waits for its bytes too: the listing asked for takes it.
    const bool linkWaits = listed.isRejected != entry.asset.isRejected;
    if (read->digest != *entry.contentDigest || linkWaits) {
        readBack_.found.insert_or_assign(listed.id, std::pair{listed, std::move(read->digest)});
        return;
    }
    entry.asset.file = listed.file;
    entry.takeStatusReadAgain(*read);
    notePendingLocked();
}

} // namespace keepsift
