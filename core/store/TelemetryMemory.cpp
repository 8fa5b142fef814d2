#include "core/store/TelemetryMemory.hpp"

namespace keepsift {

Json TelemetryMemory::toJson(DateForm form) const {
    Json json = Json::object();
    writeOptional(json, "lastHeartbeat", lastHeartbeat,
                  [form](Date d) { return dateToJson(d, form); });
    json.set("hasReportedFirstScan", hasReportedFirstScan);
    writeOptional(json, "lastPermission", lastPermission, enumToJson<LibraryAuthorization>);
    return json;
}

TelemetryMemory TelemetryMemory::fromJson(const Json& json, DateForm form) {
    TelemetryMemory memory;
    memory.lastHeartbeat = readOptional<Date>(
        json, "lastHeartbeat", [form](const Json& j) { return dateFromJson(j, form); });
    memory.hasReportedFirstScan = json.at("hasReportedFirstScan").asBool();
    memory.lastPermission = readOptional<LibraryAuthorization>(json, "lastPermission",
                                                               enumFromJson<LibraryAuthorization>);
    return memory;
}

} // namespace keepsift
