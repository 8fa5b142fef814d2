#include "core/index/ReviewJournal.hpp"

namespace keepsift {

Json ReviewJournal::Entry::toJson(DateForm form) const {
    Json json = Json::object();
    json.set("at", dateToJson(at, form))
        .set("event", enumToJson(event))
        .set("assetID", assetID)
        .set("filename", filename);
    writeOptional(json, "reason", reason, enumToJson<Reason>);
    writeOptional(json, "batch", batch, Json::integer);
    return json;
}

ReviewJournal::Entry ReviewJournal::Entry::fromJson(const Json& json, DateForm form) {
    Entry entry;
    entry.at = dateFromJson(json.at("at"), form);
    entry.event = enumFromJson<Event>(json.at("event"));
    entry.assetID = json.at("assetID").asString();
    entry.filename = json.at("filename").asString();
    entry.reason = readOptional<Reason>(json, "reason", enumFromJson<Reason>);
    entry.batch =
        readOptional<std::int64_t>(json, "batch", [](const Json& j) { return j.asInt64(); });
    return entry;
}

Json ReviewJournal::toJson(DateForm form) const {
    Json list = Json::array();
    forEachInOrder([&](const Entry& entry) { list.push(entry.toJson(form)); });
    Json json = Json::object();
    json.set("limit", Json::integer(limit_))
        .set("entries", std::move(list))
        .set("batches", Json::integer(batches_));
    return json;
}

ReviewJournal ReviewJournal::fromJson(const Json& json, DateForm form) {
    const std::int64_t limit = json.at("limit").asInt64();
    std::vector<Entry> entries;
    for (const auto& item : json.at("entries").asArray())
        entries.push_back(Entry::fromJson(item, form));
    return ReviewJournal(limit, std::move(entries), json.at("batches").asInt64());
}

std::string ReviewJournal::encoded() const {
    return toJson(DateForm::iso8601).dump();
}

ReviewJournal ReviewJournal::decode(std::string_view text) {
    return fromJson(Json::parse(text), DateForm::iso8601);
}

} // namespace keepsift
