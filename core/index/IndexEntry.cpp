#include "core/index/IndexEntry.hpp"

namespace keepsift {
namespace {

Json statusToJson(const DigestedStatus& status, Json json = Json::object()) {
    json.set("number", Json::integer(status.number))
        .set("size", Json::integer(status.size))
        .set("modifiedNs", Json::integer(status.modifiedNs))
        .set("changedNs", Json::integer(status.changedNs));
    return json;
}

DigestedStatus statusFromJson(const Json& json) {
    return {json.at("number").asInt64(), json.at("size").asInt64(), json.at("modifiedNs").asInt64(),
            json.at("changedNs").asInt64()};
}

// Kept as a list, a file name with each status.
Json companionsToJson(const CompanionStatuses& companions) {
    Json json = Json::array();
    for (const auto& [name, companion] : companions) {
        Json one = statusToJson(companion.status, Json::object().set("name", Json(name)));
        writeOptional(one, "digest", companion.digest,
                      [](const std::string& digest) { return Json(digest); });
        json.push(std::move(one));
    }
    return json;
}

CompanionStatuses companionsFromJson(const Json& json) {
    CompanionStatuses companions;
    for (const Json& one : json.asArray())
        companions.emplace(one.at("name").asString(),
                           CompanionRead{statusFromJson(one), readOptional<std::string>(
                                                                  one, "digest", [](const Json& j) {
                                                                      return j.asString();
                                                                  })});
    return companions;
}

bool sameFileRecorded(const DigestedStatus& was, const DigestedStatus& is) {
    return was.number == is.number && was.size == is.size && was.modifiedNs == is.modifiedNs;
}

bool lenientFlag(const Json& json, std::string_view key) {
    const Json* value = json.find(key);
    return value != nullptr && value->type() == Json::Type::boolean && value->asBool();
}

} // namespace

IndexEntry IndexEntry::fresh(LibraryAsset asset) {
    IndexEntry entry;
    entry.asset = std::move(asset);
    return entry;
}

// One found unreadable under a decision by hand keeps the decision, and is not read again
// until its file changes.
bool IndexEntry::needsSignals() const {
    return !signals && !needsOriginal && state != ReviewState::deleted &&
           state != ReviewState::skipped && !(skip && isSetByHand(state));
}

void IndexEntry::dropMeasurement() {
    signals.reset();
    contentDigest.reset();
    state = ReviewState::pending;
    reason.reset();
    groupID.reset();
    needsOriginal = false;
    measureAgain = false;
}

bool IndexEntry::awaitsOriginal() const {
    return needsOriginal && state != ReviewState::deleted && state != ReviewState::skipped;
}

void IndexEntry::takeIdentity() {
    if (!signals) return;
    signals->digest = asset.id;
    signals->filename = asset.filename;
}

void IndexEntry::takeDigest(std::optional<DigestRead> read) {
    contentDigest.reset();
    digestedAs.reset();
    companionsAs.clear();
    if (!read) return;
    contentDigest = std::move(read->digest);
    digestedAs = read->status;
    companionsAs = std::move(read->companions);
}

void IndexEntry::takeStatusReadAgain(const DigestRead& read) {
    digestedAs = read.status;
    for (const auto& [name, now] : read.companions) {
        const auto [recorded, first] = companionsAs.try_emplace(name, now);
        if (first || !sameFileRecorded(recorded->second.status, now.status)) continue;
        recorded->second.status = now.status;
        if (!recorded->second.digest) recorded->second.digest = now.digest;
    }
}

std::optional<std::int64_t> IndexEntry::digestedAsListedButModified() const {
    const auto& file = asset.file;
    if (!digestedAs || !file || digestedAs->number != file->number ||
        digestedAs->changedNs != file->changedNs || digestedAs->size != asset.fileSize)
        return std::nullopt;
    return digestedAs->modifiedNs;
}

void IndexEntry::takeDigestedAsListed(std::int64_t modifiedNs) {
    if (asset.file)
        digestedAs =
            DigestedStatus{asset.file->number, asset.fileSize, modifiedNs, asset.file->changedNs};
}

Json IndexEntry::toJson(DateForm form) const {
    Json json = Json::object();
    json.set("asset", asset.toJson(form));
    writeOptional(json, "signals", signals,
                  [form](const PhotoSignals& s) { return s.toJson(form); });
    json.set("state", enumToJson(state));
    writeOptional(json, "groupID", groupID, [](const std::string& id) { return Json(id); });
    writeOptional(json, "reason", reason, enumToJson<Reason>);
    writeOptional(json, "skip", skip, enumToJson<SkipReason>);
    writeOptional(json, "decidedAt", decidedAt, [form](Date d) { return dateToJson(d, form); });
    json.set("needsOriginal", needsOriginal);
    writeOptional(json, "formerState", formerState, enumToJson<ReviewState>);
    writeOptional(json, "formerDecidedAt", formerDecidedAt,
                  [form](Date d) { return dateToJson(d, form); });
    writeOptional(json, "contentDigest", contentDigest,
                  [](const std::string& digest) { return Json(digest); });
    if (const auto modifiedNs = digestedAsListedButModified())
        json.set(std::string(digestedModifiedKey), Json::integer(*modifiedNs));
    else
        writeOptional(json, "digestedAs", digestedAs,
                      [](const DigestedStatus& s) { return statusToJson(s); });
    if (firstListing != 0) json.set("firstListing", Json::integer(firstListing));
    if (reviewListing != 0) json.set("reviewListing", Json::integer(reviewListing));
    if (!companionsAs.empty()) json.set("companionsAs", companionsToJson(companionsAs));
    if (measureAgain) json.set("measureAgain", true);
    return json;
}

IndexEntry IndexEntry::fromJson(const Json& json, DateForm form) {
    IndexEntry entry;
    entry.asset = LibraryAsset::fromJson(json.at("asset"), form);
    entry.signals = readOptional<PhotoSignals>(
        json, "signals", [form](const Json& j) { return PhotoSignals::fromJson(j, form); });
    entry.state = enumFromJson<ReviewState>(json.at("state"));
    entry.groupID =
        readOptional<std::string>(json, "groupID", [](const Json& j) { return j.asString(); });
    entry.reason = readOptional<Reason>(json, "reason", enumFromJson<Reason>);
    entry.skip = readOptional<SkipReason>(json, "skip", enumFromJson<SkipReason>);
    entry.decidedAt = readOptional<Date>(json, "decidedAt",
                                         [form](const Json& j) { return dateFromJson(j, form); });
    entry.needsOriginal = lenientFlag(json, "needsOriginal");
    entry.formerState = readOptional<ReviewState>(json, "formerState", enumFromJson<ReviewState>);
    entry.formerDecidedAt = readOptional<Date>(
        json, "formerDecidedAt", [form](const Json& j) { return dateFromJson(j, form); });
    entry.contentDigest = readOptional<std::string>(json, "contentDigest",
                                                    [](const Json& j) { return j.asString(); });
    entry.digestedAs = readOptional<DigestedStatus>(json, "digestedAs", statusFromJson);
    const auto integer = [](const Json& j) { return j.asInt64(); };
    if (const auto modifiedNs = readOptional<std::int64_t>(json, digestedModifiedKey, integer);
        modifiedNs && !entry.digestedAs)
        entry.takeDigestedAsListed(*modifiedNs);
    entry.firstListing = readOptional<std::int64_t>(json, "firstListing", integer).value_or(0);
    entry.reviewListing = readOptional<std::int64_t>(json, "reviewListing", integer).value_or(0);
    entry.companionsAs = readOptional<CompanionStatuses>(json, "companionsAs", companionsFromJson)
                             .value_or(CompanionStatuses{});
    entry.measureAgain = lenientFlag(json, "measureAgain");
    return entry;
}

} // namespace keepsift
