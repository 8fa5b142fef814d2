#include "core/corpus/CorpusMeasurement.hpp"

namespace keepsift::CorpusMeasurement {
namespace {

double ratio(std::int64_t part, std::int64_t whole) {
    return whole == 0 ? 0.0 : static_cast<double>(part) / static_cast<double>(whole);
}

} // namespace

double Result::topPickAccuracy() const {
    return ratio(topPickCorrect, foldersWithWinner);
}
double Result::topPickAccuracyAsGrouped() const {
    return ratio(topPickAsGrouped, foldersWithWinnerAsGrouped);
}
double Result::flaggedShare() const {
    return ratio(flagged, kept + flagged);
}
double Result::winnersKeptShare() const {
    return ratio(winnersKept, winnersTotal);
}

bool Result::groupingPasses() const {
    return falseMerges <= maximumFalseMerges && foldersExact >= minimumExactFolders;
}
bool Result::keeperPasses() const {
    return foldersWithWinner != 0 && topPickAccuracy() >= minimumTopPickAccuracy;
}
bool Result::winnersPass() const {
    return winnersKept >= minimumWinnersKept;
}
bool Result::hasAppGroupedFolders() const {
    return appGroupedFolders > 0;
}
bool Result::meetsBar() const {
    return groupingPasses() && keeperPasses() && winnersPass();
}

} // namespace keepsift::CorpusMeasurement
