#include "core/corpus/CaptureManifest.hpp"

#include <algorithm>

#include "core/corpus/CorpusJson.hpp"

namespace keepsift::CorpusCapture {
namespace {

Json entryToJson(const Manifest::Entry& entry) {
    Json json = Json::object();
    json.set("assetID", entry.assetID)
        .set("originalFilename", entry.originalFilename)
        .set("exportedFilename", entry.exportedFilename)
        .set("humanKeeps", entry.humanKeeps)
        .set("appKept", entry.appKept);
    writeOptional(json, "reason", entry.reason, enumToJson<Reason>);
    writeOptional(json, "score", entry.score, Json::number);
    writeOptional(json, "duplicateOfAssetID", entry.duplicateOfAssetID,
                  [](const std::string& id) { return Json(id); });
    return json;
}

Manifest::Entry entryFromJson(const Json& json) {
    Manifest::Entry entry;
    entry.assetID = json.at("assetID").asString();
    entry.originalFilename = json.at("originalFilename").asString();
    entry.exportedFilename = json.at("exportedFilename").asString();
    entry.humanKeeps = json.at("humanKeeps").asBool();
    entry.appKept = json.at("appKept").asBool();
    entry.reason = readOptional<Reason>(json, "reason", enumFromJson<Reason>);
    entry.score = readOptional<double>(json, "score", [](const Json& j) { return j.asDouble(); });
    entry.duplicateOfAssetID = readOptional<std::string>(
        json, "duplicateOfAssetID", [](const Json& j) { return j.asString(); });
    return entry;
}

} // namespace

bool Manifest::humanDisagrees() const {
    return std::any_of(entries.begin(), entries.end(),
                       [](const Entry& entry) { return entry.humanKeeps != entry.appKept; });
}

std::string Manifest::encoded() const {
    Json items = Json::array();
    for (const auto& entry : entries)
        items.push(entryToJson(entry));
    Json json = Json::object();
    json.set("capturedAt", dateToJson(capturedAt, corpusjson::dateForm))
        .set("appVersion", appVersion)
        .set("groupID", groupID)
        .set("origin", enumToJson(origin))
        .set("humanOverrode", humanOverrode)
        .set("hint", hint)
        .set("scoringPolicyID", scoringPolicyID)
        .set("groupingPolicyID", groupingPolicyID)
        .set("entries", std::move(items));
    return corpusjson::write(json);
}

Manifest Manifest::decode(std::string_view bytes) {
    const Json json = corpusjson::read(bytes);
    Manifest manifest;
    manifest.capturedAt = dateFromJson(json.at("capturedAt"), corpusjson::dateForm);
    manifest.appVersion = json.at("appVersion").asString();
    manifest.groupID = json.at("groupID").asString();
    manifest.origin = enumFromJson<Origin>(json.at("origin"));
    manifest.humanOverrode = json.at("humanOverrode").asBool();
    manifest.hint = json.at("hint").asString();
    manifest.scoringPolicyID = json.at("scoringPolicyID").asString();
    manifest.groupingPolicyID = json.at("groupingPolicyID").asString();
    for (const auto& item : json.at("entries").asArray())
        manifest.entries.push_back(entryFromJson(item));
    return manifest;
}

} // namespace keepsift::CorpusCapture
