#include "ReferenceGrouping.hpp"

#include <algorithm>
#include <limits>
#include <numeric>

#include "core/support/Unicode.hpp"

namespace keepsift::reference {
namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

bool looksLike(const PhotoSignals& c, const PhotoSignals& o, const GroupingPolicy& policy) {
    const std::int64_t areaO = o.pixelWidth * o.pixelHeight;
    const std::int64_t areaC = c.pixelWidth * c.pixelHeight;
    if (areaO < 1) return o.hasCameraMetadata && !c.hasCameraMetadata;
    const double r = double(areaC) / double(areaO);
    if (r <= policy.copyPixelRatio) return true;
    return o.hasCameraMetadata && !c.hasCameraMetadata;
}

bool close(const PhotoSignals& a, const PhotoSignals& b, const GroupingPolicy& policy) {
    const auto d = a.printDistance(b);
    return d && *d <= policy.duplicateDistance;
}

bool preferred(const PhotoSignals& a, const PhotoSignals& b) {
    if (a.hasCameraMetadata != b.hasCameraMetadata) return a.hasCameraMetadata;
    const auto areaA = a.pixelWidth * a.pixelHeight, areaB = b.pixelWidth * b.pixelHeight;
    if (areaA != areaB) return areaA > areaB;
    if (a.capturedAt.has_value() != b.capturedAt.has_value()) return a.capturedAt.has_value();
    if (a.capturedAt && *a.capturedAt != *b.capturedAt) return *a.capturedAt < *b.capturedAt;
    if (a.fileSize != b.fileSize) return a.fileSize > b.fileSize;
    return unicode::less(a.filename, b.filename);
}

size_t find(std::vector<size_t>& parent, size_t i) {
    size_t root = i;
    while (parent[root] != root)
        root = parent[root];
    while (parent[i] != root) {
        const size_t next = parent[i];
        parent[i] = root;
        i = next;
    }
    return root;
}

bool captureBefore(const PhotoSignals& a, const PhotoSignals& b) {
    if (a.capturedAt && b.capturedAt) {
        if (*a.capturedAt != *b.capturedAt) return *a.capturedAt < *b.capturedAt;
        return unicode::less(a.filename, b.filename);
    }
    if (!a.capturedAt && !b.capturedAt) return unicode::less(a.filename, b.filename);
    return a.capturedAt.has_value();
}

std::vector<std::vector<PhotoSignals>> sessionsOf(const std::vector<PhotoSignals>& photos,
                                                  const GroupingPolicy& policy) {
    std::vector<std::vector<PhotoSignals>> sessions;
    std::vector<PhotoSignals> current;
    // A plain flag and value rather than optional<Date>: gcc 12 misreads the optional as
    // maybe uninitialised in optimised builds.
    bool hasPrevious = false;
    Date previous{};
    for (const auto& p : photos) {
        if (p.capturedAt) {
            const bool gap = hasPrevious && p.capturedAt->since(previous) > policy.sessionGap;
            if (gap || std::int64_t(current.size()) >= policy.maximumSessionLength) {
                if (!current.empty()) sessions.push_back(current);
                current.clear();
            }
            current.push_back(p);
            previous = *p.capturedAt;
            hasPrevious = true;
        } else {
            if (!current.empty()) sessions.push_back(current);
            hasPrevious = false;
            sessions.push_back({p});
            current.clear();
        }
    }
    if (!current.empty()) sessions.push_back(current);
    return sessions;
}

bool veto(const std::vector<size_t>& a, const std::vector<size_t>& b,
          const std::vector<PhotoSignals>& s, const GroupingPolicy& policy) {
    if (!policy.separatesCompositions) return false;
    const auto largest = [&](const std::vector<size_t>& c) {
        double value = 0;
        for (size_t i : c)
            for (const auto& f : s[i].faces)
                value = std::max(value, f.bounds.width * f.bounds.height);
        return value;
    };
    if (policy.subjectFaceArea > largest(a) || policy.subjectFaceArea > largest(b)) return false;
    const auto count = [&](const std::vector<size_t>& c) {
        std::int64_t value = 0;
        for (size_t i : c) {
            std::int64_t n = 0;
            for (const auto& f : s[i].faces)
                if (f.bounds.width * f.bounds.height >= policy.countedFaceArea) ++n;
            value = std::max(value, n);
        }
        return value;
    };
    return count(a) != count(b);
}

std::vector<PhotoGroup> cluster(const std::vector<PhotoSignals>& s, const GroupingPolicy& policy) {
    const size_t n = s.size();
    if (n == 0) return {};
    if (n == 1) return {PhotoGroup{s[0].digest, PhotoGroup::Kind::solitary, {s[0]}, {}}};
    std::vector<std::vector<double>> D(n, std::vector<double>(n, infinity));
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 1; j < n; ++j)
            D[i][j] = D[j][i] = s[i].printDistance(s[j]).value_or(infinity);
    std::vector<std::vector<size_t>> clusters(n);
    for (size_t i = 0; i < n; ++i)
        clusters[i] = {i};
    std::vector<bool> active(n, true);
    std::vector<std::vector<double>> L(n, std::vector<double>(n, infinity));
    std::vector<std::vector<bool>> V(n, std::vector<bool>(n, false));
    const auto linkage = [&](size_t a, size_t b) {
        double sum = 0;
        for (size_t x : clusters[a])
            for (size_t y : clusters[b])
                sum += D[x][y];
        return sum / double(clusters[a].size() * clusters[b].size());
    };
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 1; j < n; ++j) {
            L[i][j] = linkage(i, j);
            V[i][j] = veto(clusters[i], clusters[j], s, policy);
        }
    for (;;) {
        std::optional<std::pair<size_t, size_t>> candidate;
        for (size_t i = 0; i < n; ++i) {
            if (!active[i]) continue;
            for (size_t j = i + 1; j < n; ++j) {
                if (!active[j] || !(L[i][j] <= policy.distanceThreshold) || V[i][j]) continue;
                if (!candidate || L[i][j] < L[candidate->first][candidate->second])
                    candidate = std::pair{i, j};
            }
        }
        if (!candidate) break;
        const auto [i, j] = *candidate;
        for (size_t m : clusters[j])
            clusters[i].push_back(m);
        active[j] = false;
        for (size_t k = 0; k < n; ++k) {
            if (k == i || !active[k]) continue;
            const size_t lo = std::min(i, k), hi = std::max(i, k);
            L[lo][hi] = linkage(lo, hi);
            V[lo][hi] = veto(clusters[lo], clusters[hi], s, policy);
        }
    }
    std::vector<PhotoGroup> groups;
    for (size_t c = 0; c < n; ++c) {
        if (!active[c]) continue;
        auto members = clusters[c];
        std::sort(members.begin(), members.end());
        PhotoGroup g{s[members[0]].digest, PhotoGroup::Kind::solitary, {}, {}};
        for (size_t m : members)
            g.photos.push_back(s[m]);
        if (members.size() > 1) {
            bool all = true;
            for (size_t a : members) {
                bool partner = false;
                for (size_t b : members)
                    if (b != a && D[a][b] <= policy.identicalDistance) partner = true;
                all = all && partner;
            }
            g.kind = all ? PhotoGroup::Kind::identical : PhotoGroup::Kind::moment;
        }
        groups.push_back(g);
    }
    std::stable_sort(groups.begin(), groups.end(), [](const PhotoGroup& a, const PhotoGroup& b) {
        const auto& x = a.photos[0].capturedAt;
        const auto& y = b.photos[0].capturedAt;
        if (x && y && *x != *y) return *x < *y;
        return unicode::less(a.id, b.id);
    });
    return groups;
}

std::vector<PhotoGroup> attach(const std::map<std::string, std::string>& copyMap,
                               const std::vector<PhotoSignals>& sorted,
                               std::vector<PhotoGroup> groups) {
    std::map<std::string, size_t> position;
    for (size_t g = 0; g < groups.size(); ++g)
        for (const auto& p : groups[g].photos)
            position[p.digest] = g;
    std::vector<PhotoSignals> aside;
    for (const auto& p : sorted) {
        const auto it = copyMap.find(p.digest);
        if (it == copyMap.end()) continue;
        if (const auto g = position.find(it->second); g != position.end()) {
            groups[g->second].photos.push_back(p);
            groups[g->second].copies[p.digest] = it->second;
        } else {
            aside.push_back(p);
        }
    }
    for (auto& g : groups) {
        std::stable_sort(g.photos.begin(), g.photos.end(), PhotoSignals::captureOrder);
        if (!g.copies.empty() && g.kind == PhotoGroup::Kind::solitary)
            g.kind = PhotoGroup::Kind::moment;
    }
    for (const auto& p : aside)
        groups.push_back({p.digest, PhotoGroup::Kind::solitary, {p}, {}});
    return groups;
}

} // namespace

std::map<std::string, std::string> copies(const std::vector<PhotoSignals>& photos,
                                          const GroupingPolicy& policy) {
    const size_t n = photos.size();
    if (n < 2) return {};
    std::vector<size_t> parent(n);
    std::iota(parent.begin(), parent.end(), 0);
    for (size_t i = 0; i < n; ++i) {
        if (!photos[i].capturedAt) continue;
        for (size_t j = i + 1; j < n; ++j) {
            if (!photos[j].capturedAt) break;
            if (photos[j].capturedAt->since(*photos[i].capturedAt) > policy.copyWindow) break;
            const bool looks =
                looksLike(photos[i], photos[j], policy) || looksLike(photos[j], photos[i], policy);
            if (looks && close(photos[i], photos[j], policy)) {
                const size_t a = find(parent, i), b = find(parent, j);
                if (a != b) parent[std::max(a, b)] = std::min(a, b);
            }
        }
    }
    std::vector<std::vector<size_t>> sets(n);
    for (size_t k = 0; k < n; ++k)
        sets[find(parent, k)].push_back(k);
    std::map<std::string, std::string> result;
    for (auto& set : sets) {
        if (set.size() < 2) continue;
        std::stable_sort(set.begin(), set.end(),
                         [&](size_t a, size_t b) { return preferred(photos[a], photos[b]); });
        const auto& original = photos[set[0]];
        for (size_t k = 1; k < set.size(); ++k)
            if (looksLike(photos[set[k]], original, policy) &&
                close(original, photos[set[k]], policy))
                result[photos[set[k]].digest] = original.digest;
    }
    return result;
}

std::vector<PhotoGroup> build(const std::vector<PhotoSignals>& photos,
                              const GroupingPolicy& policy) {
    auto sorted = photos;
    std::stable_sort(sorted.begin(), sorted.end(), captureBefore);
    const auto copyMap = copies(sorted, policy);
    std::vector<PhotoSignals> originals;
    for (const auto& p : sorted)
        if (!copyMap.contains(p.digest)) originals.push_back(p);
    std::vector<PhotoGroup> groups;
    for (const auto& session : sessionsOf(originals, policy))
        for (auto& g : cluster(session, policy))
            groups.push_back(std::move(g));
    if (copyMap.empty()) return groups;
    return attach(copyMap, sorted, std::move(groups));
}

} // namespace keepsift::reference
