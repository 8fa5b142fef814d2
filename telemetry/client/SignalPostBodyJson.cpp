#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/index/JsonCursor.hpp"
#include "core/support/Json.hpp"
#include "telemetry/client/SignalPostBody.hpp"

namespace keepsift::analytics {
namespace {

void appendMember(std::string& out, std::string_view key) {
    out += '"';
    out += key;
    out += "\":";
}

double numberFrom(JsonCursor& cursor) {
    const std::string_view token = cursor.numberToken();
    double value = 0;
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (error != std::errc() || end != token.data() + token.size() || !std::isfinite(value))
        cursor.fail("expected a finite number");
    return value;
}

std::string stringFrom(JsonCursor& cursor) {
    if (cursor.peek() != '"') cursor.fail("expected a string");
    return cursor.string();
}

// Splits the payload into the client's default parameters, shared between records, and
// the record's own, without building a map for each record.
Payload payloadFrom(JsonCursor& cursor, SharedDefaults& defaults) {
    Payload::Entries shared, own;
    shared.reserve(64);
    cursor.forEachMember([&](const std::string& key) {
        (isDefaultParameterKey(key) ? shared : own).emplace_back(key, stringFrom(cursor));
    });
    for (Payload::Entries* entries : {&shared, &own}) {
        const auto byKey = [](const auto& a, const auto& b) { return a.first < b.first; };
        if (!std::is_sorted(entries->begin(), entries->end(), byKey))
            std::stable_sort(entries->begin(), entries->end(), byKey);
        // A key written twice reads as its last value, as a decoded map would hold it.
        if (entries->empty()) continue;
        auto out = entries->begin();
        for (auto it = std::next(out); it != entries->end(); ++it) {
            if (it->first == out->first)
                out->second = std::move(it->second);
            else if (++out != it)
                *out = std::move(*it);
        }
        entries->erase(std::next(out), entries->end());
    }
    return Payload(defaults.share(shared), std::move(own));
}

SignalPostBody recordFrom(JsonCursor& cursor, SharedDefaults& defaults) {
    SignalPostBody record;
    enum Seen {
        receivedAt = 1,
        appID = 2,
        clientUser = 4,
        sessionID = 8,
        type = 16,
        payload = 32,
        isTestMode = 64,
        all = 127
    };
    int seen = 0;
    cursor.forEachMember([&](const std::string& key) {
        if (key == "receivedAt") {
            record.receivedAt = Date{numberFrom(cursor)};
            seen |= receivedAt;
        } else if (key == "appID") {
            record.appID = stringFrom(cursor);
            seen |= appID;
        } else if (key == "clientUser") {
            record.clientUser = stringFrom(cursor);
            seen |= clientUser;
        } else if (key == "sessionID") {
            record.sessionID = stringFrom(cursor);
            seen |= sessionID;
        } else if (key == "type") {
            record.type = stringFrom(cursor);
            seen |= type;
        } else if (key == "floatValue") {
            if (cursor.null())
                record.floatValue.reset();
            else
                record.floatValue = numberFrom(cursor);
        } else if (key == "payload") {
            record.payload = payloadFrom(cursor, defaults);
            seen |= payload;
        } else if (key == "isTestMode") {
            record.isTestMode = stringFrom(cursor);
            seen |= isTestMode;
        } else {
            cursor.rawValue();
        }
    });
    if (seen != all) cursor.fail("a record misses a required key");
    return record;
}

} // namespace

std::string uploadDateText(Date date) {
    std::string text = date.iso8601();
    if (!text.empty() && text.back() == 'Z') text.pop_back();
    return text + "+0000";
}

void appendRecord(std::string& out, const SignalPostBody& record, bool uploadDates) {
    out += '{';
    appendMember(out, "receivedAt");
    if (uploadDates)
        appendJsonString(out, uploadDateText(record.receivedAt));
    else
        out += jsonNumberText(record.receivedAt.seconds);
    out += ',';
    appendMember(out, "appID");
    appendJsonString(out, record.appID);
    out += ',';
    appendMember(out, "clientUser");
    appendJsonString(out, record.clientUser);
    out += ',';
    appendMember(out, "sessionID");
    appendJsonString(out, record.sessionID);
    out += ',';
    appendMember(out, "type");
    appendJsonString(out, record.type);
    if (record.floatValue) {
        out += ',';
        appendMember(out, "floatValue");
        out += jsonNumberText(*record.floatValue);
    }
    out += ',';
    appendMember(out, "payload");
    out += '{';
    bool first = true;
    record.payload.forEach([&](const std::string& key, const std::string& value) {
        if (!first) out += ',';
        first = false;
        appendJsonString(out, key);
        out += ':';
        appendJsonString(out, value);
    });
    out += "},";
    appendMember(out, "isTestMode");
    appendJsonString(out, record.isTestMode);
    out += '}';
}

std::string encodeUploadBatch(const std::vector<SignalPostBody>& batch) {
    std::string out = "[";
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (i > 0) out += ',';
        appendRecord(out, batch[i], true);
    }
    out += ']';
    return out;
}

std::vector<SignalPostBody> decodeBackup(std::string_view document) {
    SharedDefaults defaults;
    return readWhole(withoutByteOrderMark(document), [&](JsonCursor& cursor) {
        std::vector<SignalPostBody> records;
        cursor.forEachItem([&] { records.push_back(recordFrom(cursor, defaults)); });
        return records;
    });
}

} // namespace keepsift::analytics
