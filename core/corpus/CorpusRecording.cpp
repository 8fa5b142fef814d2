#include "core/corpus/CorpusRecording.hpp"

#include "core/corpus/CaptureOrder.hpp"
#include "core/corpus/CorpusJson.hpp"

namespace keepsift {
namespace {

Json hintsToJson(const std::map<std::string, std::string>& hints) {
    Json json = Json::object();
    for (const auto& [name, hint] : hints)
        json.set(name, hint);
    return json;
}

std::vector<std::string> stringsFromJson(const Json& json) {
    std::vector<std::string> texts;
    for (const auto& item : json.asArray())
        texts.push_back(item.asString());
    return texts;
}

std::map<std::string, std::string> hintsFromJson(const Json& json) {
    std::map<std::string, std::string> hints;
    for (const auto& member : json.asObject())
        hints[member.key] = member.value.asString();
    return hints;
}

// A missing or unknown origin is not an error: older recordings were all hand-foldered.
CorpusCapture::Origin originFromJson(const Json& json) {
    const Json* value = json.find("origin");
    if (value == nullptr || value->type() != Json::Type::string)
        return CorpusCapture::Origin::handFoldered;
    return fromString<CorpusCapture::Origin>(value->asString())
        .value_or(CorpusCapture::Origin::handFoldered);
}

} // namespace

CorpusRecording CorpusRecording::decode(std::string_view bytes) {
    const Json json = corpusjson::read(bytes);
    CorpusRecording recording;
    recording.group = json.at("group").asString();
    recording.winners = stringsFromJson(json.at("winners"));
    recording.hints = hintsFromJson(json.at("hints"));
    for (const auto& item : json.at("photos").asArray())
        recording.photos.push_back(PhotoSignals::fromJson(item, corpusjson::dateForm));
    recording.origin = originFromJson(json);
    return recording;
}

std::string CorpusRecording::encoded() const {
    Json photoList = Json::array();
    for (const auto& photo : photos)
        photoList.push(photo.toJson(corpusjson::dateForm));
    Json json = Json::object();
    json.set("group", group)
        .set("winners", corpusjson::texts(winners))
        .set("hints", hintsToJson(hints))
        .set("photos", std::move(photoList))
        .set("origin", enumToJson(origin));
    return corpusjson::write(json);
}

std::map<std::string, std::string>
CorpusRecording::groupByDigest(const std::vector<CorpusRecording>& recordings) {
    std::map<std::string, std::string> table;
    for (const auto& recording : recordings)
        for (const auto& photo : recording.photos)
            table[photo.digest] = recording.group;
    return table;
}

std::vector<PhotoSignals>
CorpusRecording::allSignals(const std::vector<CorpusRecording>& recordings) {
    std::vector<PhotoSignals> all;
    for (const auto& recording : recordings)
        all.insert(all.end(), recording.photos.begin(), recording.photos.end());
    return inCaptureOrder(std::move(all));
}

} // namespace keepsift
