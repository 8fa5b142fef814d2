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

bool sameFile(const LibraryAsset& a, const LibraryAsset& b) {
    return a.file && b.file && oneFile(*a.file, *b.file);
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
        byPairs([&](const Arrival& a, const Departure& d) { return a.asset->id == d.id; });
        byPairs([&](const Arrival& a, const Departure& d) { return sameFile(*a.asset, *d.asset); });
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

    // Each pair the predicate names, where it names only one for either side.
    template <class Same> void byPairs(Same&& same) {
        std::vector<std::pair<std::size_t, std::size_t>> found;
        std::vector<int> perArrival(bucket_.arrivals.size()),
            perDeparture(bucket_.departures.size());
        for (std::size_t a = 0; a < bucket_.arrivals.size(); ++a)
            for (std::size_t d = 0; d < bucket_.departures.size(); ++d)
                if (open(a, d) && same(bucket_.arrivals[a], *bucket_.departures[d])) {
                    found.emplace_back(a, d);
                    ++perArrival[a];
                    ++perDeparture[d];
                }
        for (const auto& [a, d] : found)
            if (perArrival[a] == 1 && perDeparture[d] == 1) pair(a, d);
    }

    // Arrivals that may still take one of the reviews left.
    std::size_t takersLeft() const {
        std::size_t takers = 0;
        for (std::size_t a = 0; a < bucket_.arrivals.size(); ++a)
            for (std::size_t d = 0; d < bucket_.departures.size(); ++d)
                if (open(a, d)) {
                    ++takers;
                    break;
                }
        return takers;
    }

    std::size_t departuresLeft() const {
        return static_cast<std::size_t>(
            std::count(departureTaken_.begin(), departureTaken_.end(), false));
    }

    // One round: each arrival and departure whose paths share the longest end with each other
    // alone, at least the file name.
    bool byPathEnd() {
        constexpr std::size_t none = static_cast<std::size_t>(-1);
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
        std::vector<Best> ofArrival(bucket_.arrivals.size()),
            ofDeparture(bucket_.departures.size());
        for (std::size_t a = 0; a < bucket_.arrivals.size(); ++a)
            for (std::size_t d = 0; d < bucket_.departures.size(); ++d) {
                if (!open(a, d)) continue;
                const auto length =
                    commonEnd(bucket_.arrivals[a].asset->id, bucket_.departures[d]->id);
                if (length == 0) continue;
                ofArrival[a].offer(length, d);
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
        std::vector<std::pair<std::size_t, std::size_t>> pairs;
        for (std::size_t a = 0; a < bucket_.arrivals.size(); ++a)
            for (std::size_t d = 0; d < bucket_.departures.size(); ++d)
                if (open(a, d)) pairs.emplace_back(a, d);
        if (pairs.size() == 1 && departuresLeft() == 1)
            pair(pairs.front().first, pairs.front().second);
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

bool mayTake(const Arrival& arrival, const Departure& departure) {
    return !arrival.firstListing ||
           (departure.passesToListed && *arrival.firstListing > departure.reviewListing);
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
