#include "core/model/LibraryAsset.hpp"

#include <cmath>

namespace keepsift {

bool sameModificationSecond(const std::optional<Date>& a, const std::optional<Date>& b) {
    if (!a || !b) return a.has_value() == b.has_value();
    return std::floor(a->seconds) == std::floor(b->seconds);
}

bool LibraryAsset::contentChanged(const LibraryAsset& earlier) const {
    return !sameModificationSecond(modifiedAt, earlier.modifiedAt) ||
           pixelWidth != earlier.pixelWidth || pixelHeight != earlier.pixelHeight ||
           isEdited != earlier.isEdited;
}

bool LibraryAsset::sizeChanged(const LibraryAsset& earlier) const {
    return fileSize > 0 && earlier.fileSize > 0 && fileSize != earlier.fileSize;
}

bool LibraryAsset::fileMoved(const LibraryAsset& earlier) const {
    return file && earlier.file &&
           (otherFiles(*file, *earlier.file) || file->changedNs != earlier.file->changedNs);
}

namespace {

bool linkTimed(const LibraryAsset& asset) {
    return asset.linkedNs && asset.file && asset.file->changedNs > 0;
}

} // namespace

// A link made in the same tick of the clock as the change may have come before it.
std::optional<bool> LibraryAsset::linkedSinceChange() const {
    if (!linkTimed(*this)) return std::nullopt;
    return *linkedNs > file->changedNs;
}

bool LibraryAsset::linkedBeforeChange() const {
    return linkTimed(*this) && *linkedNs < file->changedNs;
}

AssetReference LibraryAsset::reference() const {
    return AssetReference{id, filename, std::nullopt, isFavourite, isEdited, isInUserAlbum};
}

Json LibraryAsset::toJson(DateForm form) const {
    auto date = [form](Date d) { return dateToJson(d, form); };
    Json json = Json::object();
    json.set("id", id).set("filename", filename);
    writeOptional(json, "createdAt", createdAt, date);
    writeOptional(json, "modifiedAt", modifiedAt, date);
    json.set("pixelWidth", Json::integer(pixelWidth))
        .set("pixelHeight", Json::integer(pixelHeight))
        .set("fileSize", Json::integer(fileSize))
        .set("isFavourite", isFavourite)
        .set("isEdited", isEdited)
        .set("isInUserAlbum", isInUserAlbum)
        .set("isRejected", isRejected);
    if (file)
        json.set("fileNumber", Json::integer(file->number))
            .set("fileChangedNs", Json::integer(file->changedNs));
    if (file && file->fileSystem != 0) json.set("fileSystem", Json::integer(file->fileSystem));
    if (linkedNs) json.set("linkedNs", Json::integer(*linkedNs));
    return json;
}

LibraryAsset LibraryAsset::fromJson(const Json& json, DateForm form) {
    auto date = [form](const Json& j) { return dateFromJson(j, form); };
    LibraryAsset asset;
    asset.id = json.at("id").asString();
    asset.filename = json.at("filename").asString();
    asset.createdAt = readOptional<Date>(json, "createdAt", date);
    asset.modifiedAt = readOptional<Date>(json, "modifiedAt", date);
    asset.pixelWidth = json.at("pixelWidth").asInt64();
    asset.pixelHeight = json.at("pixelHeight").asInt64();
    asset.fileSize = json.at("fileSize").asInt64();
    asset.isFavourite = json.at("isFavourite").asBool();
    asset.isEdited = json.at("isEdited").asBool();
    asset.isInUserAlbum = json.at("isInUserAlbum").asBool();
    asset.isRejected = json.at("isRejected").asBool();
    const auto integer = [](const Json& j) { return j.asInt64(); };
    const auto number = readOptional<std::int64_t>(json, "fileNumber", integer);
    const auto changed = readOptional<std::int64_t>(json, "fileChangedNs", integer);
    const auto drive = readOptional<std::int64_t>(json, "fileSystem", integer);
    if (number && changed) asset.file = FileIdentity{*number, *changed, drive.value_or(0)};
    asset.linkedNs = readOptional<std::int64_t>(json, "linkedNs", integer);
    return asset;
}

} // namespace keepsift
