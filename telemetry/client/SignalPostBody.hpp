#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/support/Date.hpp"
#include "telemetry/client/Payload.hpp"

namespace keepsift::analytics {

// One signal as the client caches, backs up and uploads it.
struct SignalPostBody {
    Date receivedAt;
    std::string appID;
    std::string clientUser; // salted SHA-256 of the user identifier, 64 hex characters
    std::string sessionID;  // upper-case UUID text
    std::string type;
    std::optional<double> floatValue;
    Payload payload;
    std::string isTestMode; // "true" or "false"

    bool operator==(const SignalPostBody&) const = default;
};

// "yyyy-MM-dd'T'HH:mm:ssZ" in UTC: 2026-12-05T17:10:42+0000, seconds floored.
std::string uploadDateText(Date date);

// The upload batch: a JSON array, dates as upload texts.
std::string encodeUploadBatch(const std::vector<SignalPostBody>& batch);

// The disk backup: the same array, dates as seconds since 2001 with their fractions.
template <class Records> std::string encodeBackup(const Records& records);
// Throws JsonError when the document is not an array of complete records.
std::vector<SignalPostBody> decodeBackup(std::string_view document);

// One record's JSON object; the date written by writeDate.
void appendRecord(std::string& out, const SignalPostBody& record, bool uploadDates);

template <class Records> std::string encodeBackup(const Records& records) {
    std::string out = "[";
    bool first = true;
    for (const SignalPostBody& record : records) {
        if (!first) out += ',';
        first = false;
        appendRecord(out, record, false);
    }
    out += ']';
    return out;
}

} // namespace keepsift::analytics
