#include "core/index/ReviewJournal.hpp"

#include <algorithm>

#include "core/index/JsonCursor.hpp"

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
    Salvaged<ReviewJournal> read = salvage(text);
    if (read.damage) throw JsonError(*read.damage);
    return std::move(read.value);
}

namespace {

// The parts of a journal file as far as they read; the first occurrence of a key counts.
struct JournalParts {
    std::optional<std::int64_t> limit, batches;
    std::optional<std::vector<ReviewJournal::Entry>> entries;
};

template <class Read> void readPart(JsonCursor& cursor, Read read, Salvaged<JournalParts>& parts) {
    const std::string_view text = cursor.rawValue();
    try {
        read(Json::parse(text));
    } catch (const JsonError& error) {
        parts.note(error.what());
    }
}

void readEntries(JsonCursor& cursor, Salvaged<JournalParts>& parts) {
    if (cursor.peek() != '[') cursor.fail("expected a list");
    auto& entries = parts.value.entries.emplace();
    cursor.forEachItem([&] {
        readPart(
            cursor,
            [&](const Json& json) {
                entries.push_back(ReviewJournal::Entry::fromJson(json, DateForm::iso8601));
            },
            parts);
    });
}

void readJournalMember(JsonCursor& cursor, const std::string& key, Salvaged<JournalParts>& parts) {
    JournalParts& p = parts.value;
    if (key == "entries" && !p.entries) return readEntries(cursor, parts);
    std::optional<std::int64_t>* number = key == "limit"     ? &p.limit
                                          : key == "batches" ? &p.batches
                                                             : nullptr;
    if (number != nullptr && !*number)
        readPart(
            cursor, [&](const Json& json) { *number = json.asInt64(); }, parts);
    else
        readPart(
            cursor, [](const Json&) {}, parts);
}

std::int64_t largestBatch(const std::vector<ReviewJournal::Entry>& entries) {
    std::int64_t largest = 0;
    for (const auto& entry : entries)
        largest = std::max(largest, entry.batch.value_or(0));
    return largest;
}

} // namespace

Salvaged<ReviewJournal> ReviewJournal::salvage(std::string_view text) {
    Salvaged<JournalParts> parts;
    try {
        readWhole(withoutByteOrderMark(text), [&parts](JsonCursor& cursor) {
            cursor.forEachMember(
                [&](const std::string& key) { readJournalMember(cursor, key, parts); });
            return true;
        });
    } catch (const JsonError& error) {
        if (!parts.value.entries) throw;
        parts.note(error.what());
    }
    JournalParts& p = parts.value;
    if (!p.entries) throw JsonError("missing key \"entries\"");
    if (!p.limit) parts.note("missing key \"limit\"");
    if (!p.batches) parts.note("missing key \"batches\"");
    const std::int64_t limit =
        std::clamp(p.limit.value_or(defaultLimit), smallestStoredLimit, largestStoredLimit);
    const std::int64_t batches = p.batches.value_or(largestBatch(*p.entries));
    return {ReviewJournal(limit, std::move(*p.entries), batches), std::move(parts.damage)};
}

} // namespace keepsift
