#include "core/index/ReturnMatching.hpp"

#include <algorithm>
#include <map>
#include <optional>
#include <unordered_map>

namespace keepsift {
namespace {

// What must agree between a departed photograph and an arrival before their bytes are compared.
std::optional<std::string> fingerprintOf(const LibraryAsset& asset) {
    if (asset.fileSize < 1) return std::nullopt;
    return std::to_string(asset.fileSize);
}

struct Bucket {
    std::vector<Arrival> arrivals;
    std::vector<const Departure*> departures;
};

class BucketPairing {
public:
    BucketPairing(Bucket& bucket, std::vector<ReturnMatch>& out) : bucket_(bucket), out_(out) {
        std::sort(bucket_.arrivals.begin(), bucket_.arrivals.end(),
                  [](const auto& a, const auto& b) { return a.asset->id < b.asset->id; });
        std::sort(bucket_.departures.begin(), bucket_.departures.end(),
                  [](auto* a, auto* b) { return a->id < b->id; });
        arrivalTaken_.assign(bucket_.arrivals.size(), false);
        departureTaken_.assign(bucket_.departures.size(), false);
    }

    void run() {
        bySameIdentifier();
        if (left(arrivalTaken_) > left(departureTaken_)) return;
        bySameFileName();
        byLastLeft();
    }

private:
    static std::ptrdiff_t left(const std::vector<bool>& taken) {
        return std::count(taken.begin(), taken.end(), false);
    }

    void pair(std::size_t a, std::size_t d) {
        const Departure& departure = *bucket_.departures[d];
        if (bucket_.arrivals[a].hasEntry &&
            !(departure.passesToListed &&
              sameFileNumber(*bucket_.arrivals[a].asset, *departure.asset)))
            return;
        arrivalTaken_[a] = departureTaken_[d] = true;
        out_.push_back({bucket_.arrivals[a].asset, bucket_.departures[d]->id});
    }

    void bySameIdentifier() {
        std::size_t a = 0, d = 0;
        while (a < bucket_.arrivals.size() && d < bucket_.departures.size()) {
            const auto& arrival = bucket_.arrivals[a].asset->id;
            const auto& departure = bucket_.departures[d]->id;
            if (arrival == departure)
                pair(a++, d++);
            else if (arrival < departure)
                ++a;
            else
                ++d;
        }
    }

    void bySameFileName() {
        std::map<std::string, std::pair<std::vector<std::size_t>, std::vector<std::size_t>>> names;
        for (std::size_t a = 0; a < bucket_.arrivals.size(); ++a)
            if (!arrivalTaken_[a]) names[bucket_.arrivals[a].asset->filename].first.push_back(a);
        for (std::size_t d = 0; d < bucket_.departures.size(); ++d)
            if (!departureTaken_[d])
                names[bucket_.departures[d]->asset->filename].second.push_back(d);
        for (const auto& [name, sides] : names)
            if (sides.first.size() == 1 && sides.second.size() == 1)
                pair(sides.first.front(), sides.second.front());
    }

    void byLastLeft() {
        if (left(arrivalTaken_) != 1 || left(departureTaken_) != 1) return;
        const auto a = std::find(arrivalTaken_.begin(), arrivalTaken_.end(), false);
        const auto d = std::find(departureTaken_.begin(), departureTaken_.end(), false);
        if (!bucket_.departures[static_cast<std::size_t>(d - departureTaken_.begin())]->leftNow)
            return;
        pair(static_cast<std::size_t>(a - arrivalTaken_.begin()),
             static_cast<std::size_t>(d - departureTaken_.begin()));
    }

    Bucket& bucket_;
    std::vector<ReturnMatch>& out_;
    std::vector<bool> arrivalTaken_, departureTaken_;
};

// The fingerprint with the digest of the bytes, which settles it.
std::optional<std::string> identityOf(const LibraryAsset& asset, std::string_view digest) {
    if (digest.empty()) return std::nullopt;
    auto key = fingerprintOf(asset);
    if (key) (*key += '|') += digest;
    return key;
}

// The departures with a known digest, by fingerprint.
std::unordered_multimap<std::string, const Departure*>
departedFingerprints(const std::vector<Departure>& departures) {
    std::unordered_multimap<std::string, const Departure*> keys;
    for (const Departure& departure : departures)
        if (!departure.digest.empty())
            if (auto key = fingerprintOf(*departure.asset))
                keys.emplace(std::move(*key), &departure);
    return keys;
}

// A file listed at its own place with other times is not read for the bytes it had there: a
// listing that finds the library touched throughout reads nothing.
bool mayBe(const LibraryAsset& arrival, const Departure& departure) {
    return !departure.leftNow || departure.id != arrival.id;
}

} // namespace

bool sameFileNumber(const LibraryAsset& a, const LibraryAsset& b) {
    return a.file && b.file && a.file->number == b.file->number;
}

std::vector<std::string> returnCandidates(const std::vector<const LibraryAsset*>& arrivals,
                                          const std::vector<Departure>& departures) {
    if (arrivals.empty() || departures.empty()) return {};
    const auto departed = departedFingerprints(departures);
    std::vector<std::string> candidates;
    for (const LibraryAsset* arrival : arrivals) {
        const auto key = fingerprintOf(*arrival);
        if (!key) continue;
        const auto [first, last] = departed.equal_range(*key);
        if (std::any_of(first, last, [&](const auto& d) { return mayBe(*arrival, *d.second); }))
            candidates.push_back(arrival->id);
    }
    std::sort(candidates.begin(), candidates.end());
    return candidates;
}

std::vector<ReturnMatch> matchReturns(const std::vector<Arrival>& arrivals,
                                      const std::vector<Departure>& departures,
                                      const ContentDigests& read) {
    if (arrivals.empty() || departures.empty() || read.empty()) return {};
    std::unordered_map<std::string, Bucket> buckets;
    for (const Departure& departure : departures)
        if (auto key = identityOf(*departure.asset, departure.digest))
            buckets[*key].departures.push_back(&departure);
    for (const Arrival& arrival : arrivals) {
        const auto digest = read.find(arrival.asset->id);
        if (digest == read.end()) continue;
        if (auto key = identityOf(*arrival.asset, digest->second))
            if (auto found = buckets.find(*key); found != buckets.end())
                found->second.arrivals.push_back(arrival);
    }
    std::vector<ReturnMatch> matches;
    for (auto& [key, bucket] : buckets) {
        // A file with an entry of its own is no candidate where one new to the listing (or in
        // the place of another) holds the same bytes, as after a folder renamed beside a copy,
        // nor for a review it may not take.
        const auto newcomer = [](const Arrival& a) { return !a.hasEntry; };
        const auto passing = [](const Departure* d) { return d->passesToListed; };
        if (std::any_of(bucket.arrivals.begin(), bucket.arrivals.end(), newcomer) ||
            std::none_of(bucket.departures.begin(), bucket.departures.end(), passing))
            std::erase_if(bucket.arrivals, [](const Arrival& a) { return a.hasEntry; });
        if (!bucket.arrivals.empty()) BucketPairing(bucket, matches).run();
    }
    std::sort(matches.begin(), matches.end(),
              [](const auto& a, const auto& b) { return a.arrival->id < b.arrival->id; });
    return matches;
}

} // namespace keepsift
