#include "core/grouping/GroupBuilder.hpp"
#include "core/grouping/KeeperSelector.hpp"
#include "core/scenarios/AppSnapshot.hpp"
#include "core/scenarios/Scenario.hpp"
#include "core/scenarios/StateRenderer.hpp"
#include "core/settings/QueueReadiness.hpp"

namespace keepsift {
namespace {

std::vector<PhotoSignals> seededSignals(const std::vector<Scenario::SeededPhoto>& photos) {
    std::vector<PhotoSignals> signals;
    signals.reserve(photos.size());
    for (const auto& photo : photos)
        signals.push_back(Scenario::signals(photo));
    return signals;
}

// The first record with the digest decides; a decision without one counts nothing.
std::int64_t fileSizeOf(const std::string& digest, const std::vector<PhotoSignals>& signals) {
    for (const auto& photo : signals)
        if (photo.digest == digest) return photo.fileSize;
    return 0;
}

std::int64_t flaggedBytes(const std::vector<GroupDecision>& decisions,
                          const std::vector<PhotoSignals>& signals) {
    std::int64_t total = 0;
    for (const auto& group : decisions)
        for (const auto& decision : group.flagged())
            total += fileSizeOf(decision.digest, signals);
    return total;
}

} // namespace

AppSnapshot Scenario::Definition::snapshot() const {
    const std::vector<PhotoSignals> signals = seededSignals(photos);
    const WorkConditions conditions = effectiveConditions();
    const bool runs = queueReadiness(conditions) == QueueReadiness::run;
    const std::vector<PhotoGroup> groups =
        runs ? GroupBuilder::build(signals, GroupingPolicy::standard) : std::vector<PhotoGroup>{};

    AppSnapshot snapshot;
    snapshot.scenario = name;
    snapshot.summary = summary;
    snapshot.language = language;
    snapshot.settings = settings();
    snapshot.conditions = conditions;
    snapshot.decisions = KeeperSelector::decideAll(groups, ScoringPolicy::standard);
    const bool readable = canRead(authorization);
    snapshot.waiting = runs || !readable ? 0 : static_cast<std::int64_t>(photos.size());
    snapshot.authorization = authorization;
    snapshot.flaggedBytes = flaggedBytes(snapshot.decisions, signals);
    return snapshot;
}

std::string Scenario::Definition::renderedState() const {
    return StateRenderer::render(snapshot());
}

} // namespace keepsift
