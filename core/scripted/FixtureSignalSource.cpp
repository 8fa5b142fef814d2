#include "core/scripted/FixtureSignalSource.hpp"

#include <algorithm>

#include "core/support/Logger.hpp"
#include "core/support/Unicode.hpp"

namespace keepsift {

namespace {

void logFault(const std::string& digest) {
    Logger("com.ambervale.keepsift", "fixtures").fault("no recorded signals for digest " + digest);
}

} // namespace

FixtureSignalSource::FixtureSignalSource(const std::vector<PhotoSignals>& signals, Miss onMiss,
                                         std::optional<std::int64_t> derivativeLongEdge,
                                         std::set<std::string> derivativeMissing,
                                         FaultReporter reportFault)
    : onMiss_(onMiss), derivativeLongEdge_(derivativeLongEdge),
      derivativeMissing_(std::move(derivativeMissing)),
      reportFault_(reportFault ? std::move(reportFault) : FaultReporter(logFault)) {
    for (const auto& record : signals)
        byDigest_.try_emplace(record.digest, record);
}

std::optional<PhotoSignals> FixtureSignalSource::lookUp(const AssetReference& reference) const {
    auto found = byDigest_.find(reference.digest);
    if (found == byDigest_.end()) {
        if (onMiss_ == Miss::fail) reportFault_(reference.digest);
        return std::nullopt;
    }
    PhotoSignals answer = found->second;
    // The library's current flags win over the recorded ones.
    answer.isFavourite = reference.isFavourite;
    answer.isEdited = reference.isEdited;
    answer.isInUserAlbum = reference.isInUserAlbum;
    return answer;
}

std::optional<PhotoSignals> FixtureSignalSource::signals(const AssetReference& reference) {
    return lookUp(reference);
}

std::optional<PhotoSignals>
FixtureSignalSource::derivativeSignals(const AssetReference& reference) {
    if (!derivativeLongEdge_ || derivativeMissing_.count(reference.digest)) return std::nullopt;
    auto answer = lookUp(reference);
    if (!answer) return std::nullopt;
    // A reduced rendition carries no camera or capture metadata.
    answer->printLongEdge = derivativeLongEdge_;
    answer->hasCameraMetadata = false;
    answer->hasCaptureMetadata = false;
    return answer;
}

std::vector<PhotoSignals> FixtureSignalSource::recordedSignals() const {
    std::vector<PhotoSignals> all;
    all.reserve(byDigest_.size());
    for (const auto& [digest, record] : byDigest_)
        all.push_back(record);
    std::stable_sort(all.begin(), all.end(), [](const auto& a, const auto& b) {
        return unicode::less(a.filename, b.filename);
    });
    return all;
}

} // namespace keepsift
