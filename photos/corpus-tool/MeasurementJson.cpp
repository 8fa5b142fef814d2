#include "core/corpus/CorpusJson.hpp"
#include "photos/corpus-tool/MeasureCommand.hpp"

namespace keepsift::corpustool {
namespace {

Json decisionJson(const PhotoDecision& decision) {
    Json json = Json::object();
    json.set("digest", decision.digest)
        .set("filename", decision.filename)
        .set("isKeeper", decision.isKeeper)
        .set("reason", enumToJson(decision.reason))
        .set("score", Json::number(decision.score));
    return json;
}

Json missJson(const CorpusMeasurement::Miss& miss) {
    Json ranking = Json::array();
    for (const auto& decision : miss.ranking)
        ranking.push(decisionJson(decision));
    Json json = Json::object();
    json.set("group", miss.group)
        .set("chosen", miss.chosen)
        .set("expected", corpusjson::texts(miss.expected))
        .set("hint", miss.hint)
        .set("ranking", std::move(ranking));
    return json;
}

void setCounts(Json& json, const CorpusMeasurement::Result& r) {
    const std::pair<const char*, std::int64_t> counts[] = {
        {"folders", r.folders},
        {"photographs", r.photographs},
        {"handFolderedFolders", r.handFolderedFolders},
        {"appGroupedFolders", r.appGroupedFolders},
        {"foldersExact", r.foldersExact},
        {"falseMerges", r.falseMerges},
        {"foldersWithWinner", r.foldersWithWinner},
        {"topPickCorrect", r.topPickCorrect},
        {"foldersWithTwoWinners", r.foldersWithTwoWinners},
        {"bothWinnersKept", r.bothWinnersKept},
        {"topPickAsGrouped", r.topPickAsGrouped},
        {"foldersWithWinnerAsGrouped", r.foldersWithWinnerAsGrouped},
        {"kept", r.kept},
        {"flagged", r.flagged},
        {"winnersKept", r.winnersKept},
        {"winnersTotal", r.winnersTotal},
    };
    for (const auto& [key, value] : counts)
        json.set(key, Json::integer(value));
}

void setRatesAndGates(Json& json, const CorpusMeasurement::Result& r) {
    json.set("topPickAccuracy", Json::number(r.topPickAccuracy()))
        .set("topPickAccuracyAsGrouped", Json::number(r.topPickAccuracyAsGrouped()))
        .set("flaggedShare", Json::number(r.flaggedShare()))
        .set("winnersKeptShare", Json::number(r.winnersKeptShare()))
        .set("groupingPasses", r.groupingPasses())
        .set("keeperPasses", r.keeperPasses())
        .set("winnersPass", r.winnersPass())
        .set("hasAppGroupedFolders", r.hasAppGroupedFolders())
        .set("meetsBar", r.meetsBar());
}

} // namespace

Json measurementJson(const CorpusMeasurement::Result& result) {
    Json json = Json::object();
    setCounts(json, result);
    Json misses = Json::array();
    for (const auto& miss : result.misses)
        misses.push(missJson(miss));
    json.set("notes", corpusjson::texts(result.notes))
        .set("misses", std::move(misses))
        .set("winnersFlagged", corpusjson::texts(result.winnersFlagged));
    setRatesAndGates(json, result);
    return json;
}

} // namespace keepsift::corpustool
