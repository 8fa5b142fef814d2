#include "core/index/ReturnMatching.hpp"

#include <algorithm>
#include <unordered_map>

namespace keepsift {
namespace {

// What must agree between a departed photograph and an arrival before their bytes are compared.
std::optional<std::string> fingerprintOf(const LibraryAsset& asset) {
    if (asset.fileSize < 1) return std::nullopt;
    return std::to_string(asset.fileSize);
}

// How many path components, from the file name up, two identifiers share.
std::size_t commonEnd(std::string_view a, std::string_view b) {
    std::size_t shared = 0;
    while (!a.empty() && !b.empty()) {
        const auto cutA = a.rfind('/'), cutB = b.rfind('/');
        const auto nameA = cutA == std::string_view::npos ? a : a.substr(cutA + 1);
        const auto nameB = cutB == std::string_view::npos ? b : b.substr(cutB + 1);
        if (nameA != nameB) break;
        ++shared;
        a = cutA == std::string_view::npos ? std::string_view() : a.substr(0, cutA);
        b = cutB == std::string_view::npos ? std::string_view() : b.substr(0, cutB);
    }
    return shared;
}

std::string_view nameOf(std::string_view id) {
    const auto cut = id.rfind('/');
    return cut == std::string_view::npos ? id : id.substr(cut + 1);
}

// One number on one known drive, as text: equal for two names of one file only.
std::optional<std::string> fileKeyOf(const LibraryAsset& asset) {
    if (!asset.file || asset.file->fileSystem == 0) return std::nullopt;
    return std::to_string(asset.file->number) + ':' + std::to_string(asset.file->fileSystem);
}

constexpr std::size_t none = static_cast<std::size_t>(-1);

// How strongly a departure claims an arrival it shares a file name with, most telling first.
// A review of the user's comes before Keepsift's own, which the regroup makes again; a flag by
// hand of a file still at its place after it, since the arrival may hold the last copy of the
// picture. Then the longest common end of the paths; a keep before a flag; a file gone before
// one rewritten in place, which is no departure of that file.
struct Preference {
    int claim = 0;
    std::size_t length = 0;
    bool kept = false, gone = false;
    auto operator<=>(const Preference&) const = default;
};

Preference preferenceOf(const Departure& departure, std::size_t length) {
    const bool kept = departure.decision == ReviewState::keptByHand;
    const int claim = kept                                               ? 2
                      : departure.decision != ReviewState::flaggedByHand ? 1
                      : departure.fileStays                              ? 0
                                                                         : 2;
    return {claim, length, kept, !departure.fileStays};
}

// The departure an arrival is best taken for. Reviews of the user's that nothing tells apart
// are one decision, and the first identifier gives it; Keepsift's own leave the arrival to none.
struct Choice {
    Preference best;
    std::size_t with = none;
    const Departure* of = nullptr;

    void offer(const Preference& preference, std::size_t d, const Departure& departure) {
        if (of && preference < best) return;
        if (of && preference == best) {
            if (!isSetByHand(departure.decision)) {
                with = none;
                return;
            }
            if (departure.id > of->id) return;
        }
        best = preference;
        with = d;
        of = &departure;
    }
};

struct Bucket {
    std::vector<Arrival> arrivals;
    std::vector<const Departure*> departures;
};

using Pairs = std::vector<std::pair<std::size_t, std::size_t>>;

// Each step looks only at the pairs that agree on a key (the identifier, the file, the file
// name), found through the departures' keys: a folder of copies of one picture pairs in time
// proportional to its size, not to its square.
class BucketPairing {
public:
    BucketPairing(Bucket& bucket, std::vector<ReturnMatch>& out) : bucket_(bucket), out_(out) {
        arrivalTaken_.assign(bucket_.arrivals.size(), false);
        departureTaken_.assign(bucket_.departures.size(), false);
    }

    void run() {
        byPairs([](std::string_view id, const LibraryAsset&) {
            return std::optional<std::string>(id);
        });
        byPairs([](std::string_view, const LibraryAsset& asset) { return fileKeyOf(asset); });
        if (takersLeft() > departuresLeft()) return;
        while (byPathEnd()) {
        }
        byLastLeft();
    }

private:
    bool open(std::size_t a, std::size_t d) const {
        return !arrivalTaken_[a] && !departureTaken_[d] &&
               mayTake(bucket_.arrivals[a], *bucket_.departures[d]);
    }

    void pair(std::size_t a, std::size_t d) {
        arrivalTaken_[a] = departureTaken_[d] = true;
        out_.push_back({bucket_.arrivals[a].asset, bucket_.departures[d]->id});
    }

    // The open pairs whose two sides have one key.
    template <class Key> Pairs openPairsSharing(Key&& key) const {
        std::unordered_multimap<std::string, std::size_t> departures;
        for (std::size_t d = 0; d < bucket_.departures.size(); ++d)
            if (!departureTaken_[d])
                if (auto k = key(bucket_.departures[d]->id, *bucket_.departures[d]->asset))
                    departures.emplace(std::move(*k), d);
        Pairs found;
        for (std::size_t a = 0; a < bucket_.arrivals.size(); ++a) {
            if (arrivalTaken_[a]) continue;
            const auto k = key(bucket_.arrivals[a].asset->id, *bucket_.arrivals[a].asset);
            if (!k) continue;
            const auto [first, last] = departures.equal_range(*k);
            for (auto it = first; it != last; ++it)
                if (open(a, it->second)) found.emplace_back(a, it->second);
        }
        return found;
    }

    // Each pair that agrees on the key, where it is the only one for either side.
    template <class Key> void byPairs(Key&& key) {
        const Pairs found = openPairsSharing(key);
        std::vector<int> perArrival(bucket_.arrivals.size()),
            perDeparture(bucket_.departures.size());
        for (const auto& [a, d] : found)
            ++perArrival[a], ++perDeparture[d];
        for (const auto& [a, d] : found)
            if (perArrival[a] == 1 && perDeparture[d] == 1) pair(a, d);
    }

    // Arrivals that may still take one of the reviews left: a new file any, a listed one a
    // review that may pass to listed files and was made before it was first listed.
    std::size_t takersLeft() const {
        if (departuresLeft() == 0) return 0;
        std::optional<std::int64_t> earliest;
        for (std::size_t d = 0; d < bucket_.departures.size(); ++d)
            if (!departureTaken_[d]) earliest = earlierPassing(earliest, *bucket_.departures[d]);
        std::size_t takers = 0;
        for (std::size_t a = 0; a < bucket_.arrivals.size(); ++a)
            takers += !arrivalTaken_[a] && listedAfterReview(bucket_.arrivals[a], earliest);
        return takers;
    }

    std::size_t departuresLeft() const {
        return static_cast<std::size_t>(
            std::count(departureTaken_.begin(), departureTaken_.end(), false));
    }

    // One round: each arrival and departure that are each other's only best, at least by the
    // file name: a departure's the arrival whose path shares the longest end with its own, an
    // arrival's the departure it is best taken for.
    bool byPathEnd() {
        struct Best {
            std::size_t length = 0, with = none;
            void offer(std::size_t l, std::size_t other) {
                if (l > length) {
                    length = l;
                    with = other;
                } else if (l == length) {
                    with = none;
                }
            }
        };
        std::vector<Choice> ofArrival(bucket_.arrivals.size());
        std::vector<Best> ofDeparture(bucket_.departures.size());
        const Pairs named = openPairsSharing([](std::string_view id, const LibraryAsset&) {
            return std::optional<std::string>(nameOf(id));
        });
        for (const auto& [a, d] : named) {
            const Departure& departure = *bucket_.departures[d];
            const auto length = commonEnd(bucket_.arrivals[a].asset->id, departure.id);
            ofArrival[a].offer(preferenceOf(departure, length), d, departure);
            ofDeparture[d].offer(length, a);
        }
        bool paired = false;
        for (std::size_t a = 0; a < ofArrival.size(); ++a) {
            const auto d = ofArrival[a].with;
            if (d != none && ofDeparture[d].with == a) {
                pair(a, d);
                paired = true;
            }
        }
        return paired;
    }

    // A single open pair is the only taker left; it pairs where its review is the only one.
    void byLastLeft() {
        if (departuresLeft() != 1) return;
        const auto d = static_cast<std::size_t>(
            std::find(departureTaken_.begin(), departureTaken_.end(), false) -
            departureTaken_.begin());
        std::optional<std::size_t> only;
        for (std::size_t a = 0; a < bucket_.arrivals.size(); ++a)
            if (open(a, d)) {
                if (only) return;
                only = a;
            }
        if (only) pair(*only, d);
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
bool mayBe(const Arrival& arrival, const Departure& departure) {
    return (!departure.leftNow || departure.id != arrival.asset->id) && mayTake(arrival, departure);
}

} // namespace

std::optional<std::int64_t> passingReview(const Departure& departure) {
    if (!departure.passesToListed || departure.digest.empty()) return std::nullopt;
    return departure.reviewListing;
}

std::optional<std::int64_t> earlierPassing(std::optional<std::int64_t> earliest,
                                           const Departure& departure) {
    const auto review = passingReview(departure);
    if (!review) return earliest;
    return std::min(earliest.value_or(*review), *review);
}

bool listedAfterReview(const Arrival& arrival, std::optional<std::int64_t> review) {
    return !arrival.firstListing || (review && *arrival.firstListing > *review);
}

bool mayTake(const Arrival& arrival, const Departure& departure) {
    if (arrival.secondName && !(arrival.asset->file && departure.asset->file &&
                                oneFile(*arrival.asset->file, *departure.asset->file)))
        return false;
    return listedAfterReview(arrival, passingReview(departure));
}

std::vector<std::string> returnCandidates(const std::vector<Arrival>& arrivals,
                                          const std::vector<Departure>& departures) {
    if (arrivals.empty() || departures.empty()) return {};
    const auto departed = departedFingerprints(departures);
    std::vector<std::string> candidates;
    for (const Arrival& arrival : arrivals) {
        const auto key = fingerprintOf(*arrival.asset);
        if (!key) continue;
        const auto [first, last] = departed.equal_range(*key);
        if (std::any_of(first, last, [&](const auto& d) { return mayBe(arrival, *d.second); }))
            candidates.push_back(arrival.asset->id);
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
    for (auto& [key, bucket] : buckets)
        if (!bucket.arrivals.empty()) BucketPairing(bucket, matches).run();
    std::sort(matches.begin(), matches.end(),
              [](const auto& a, const auto& b) { return a.arrival->id < b.arrival->id; });
    return matches;
}

} // namespace keepsift
