#include "core/index/IndexEntryReader.hpp"

#include <charconv>
#include <functional>
#include <initializer_list>
#include <vector>

#include "core/index/FastJson.hpp"

namespace keepsift {
namespace {

enum class Presence { required, optional, lenient };

// One key of a record: read once, from its first occurrence. Optional keys holding null
// are absent; lenient keys read whatever they hold.
struct Field {
    std::string_view name;
    Presence presence;
    std::function<void(JsonCursor&)> read;
};

void readObject(JsonCursor& c, std::initializer_list<Field> fields) {
    std::vector<bool> seen(fields.size());
    c.forEachMember([&](const std::string& key) {
        std::size_t i = 0;
        for (const Field& field : fields) {
            if (field.name == key && !seen[i]) {
                seen[i] = true;
                if (field.presence == Presence::optional && c.null()) return;
                field.read(c);
                return;
            }
            ++i;
        }
        readJsonValue(c);
    });
    std::size_t i = 0;
    for (const Field& field : fields) {
        if (field.presence == Presence::required && !seen[i])
            throw JsonError("missing key \"" + std::string(field.name) + "\"");
        ++i;
    }
}

// As the value tree reads number texts: the whole text must parse.
template <class T> T number(JsonCursor& c) {
    const std::string_view text = treeNumberText(c.numberToken());
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        throw JsonError("expected a number, found " + std::string(text));
    return value;
}

Date date(JsonCursor& c) {
    return dateFromJson(Json(c.string()), DateForm::iso8601);
}
template <class E> E enumeration(JsonCursor& c) {
    return enumFromJson<E>(Json(c.string()));
}

// Field builders for the common value kinds.
Field text(std::string_view name, std::string& to) {
    return {name, Presence::required, [&to](JsonCursor& c) { to = c.string(); }};
}
Field flag(std::string_view name, bool& to) {
    return {name, Presence::required, [&to](JsonCursor& c) { to = c.boolean(); }};
}
Field optionalFlag(std::string_view name, std::optional<bool>& to) {
    return {name, Presence::optional, [&to](JsonCursor& c) { to = c.boolean(); }};
}
Field integer(std::string_view name, std::int64_t& to) {
    return {name, Presence::required, [&to](JsonCursor& c) { to = number<std::int64_t>(c); }};
}
Field float32(std::string_view name, float& to) {
    return {name, Presence::required, [&to](JsonCursor& c) { to = number<float>(c); }};
}
Field optionalFloat32(std::string_view name, std::optional<float>& to) {
    return {name, Presence::optional, [&to](JsonCursor& c) { to = number<float>(c); }};
}
Field optionalDate(std::string_view name, std::optional<Date>& to) {
    return {name, Presence::optional, [&to](JsonCursor& c) { to = date(c); }};
}

NormalisedBounds bounds(JsonCursor& c) {
    NormalisedBounds b;
    auto real = [](std::string_view name, double& to) {
        return Field{name, Presence::required, [&to](JsonCursor& c) { to = number<double>(c); }};
    };
    readObject(c,
               {real("x", b.x), real("y", b.y), real("width", b.width), real("height", b.height)});
    return b;
}

FaceSignals face(JsonCursor& c) {
    FaceSignals f;
    readObject(c, {{"bounds", Presence::required, [&f](JsonCursor& c) { f.bounds = bounds(c); }},
                   optionalFlag("hasSmile", f.hasSmile),
                   optionalFlag("leftEyeClosed", f.leftEyeClosed),
                   optionalFlag("rightEyeClosed", f.rightEyeClosed),
                   optionalFloat32("captureQuality", f.captureQuality),
                   optionalFloat32("eyeAspectRatio", f.eyeAspectRatio),
                   optionalFloat32("yawDegrees", f.yawDegrees),
                   optionalFloat32("rollDegrees", f.rollDegrees),
                   optionalFloat32("pitchDegrees", f.pitchDegrees)});
    return f;
}

// Base64 text, or else a list of numbers.
FeaturePrint print(JsonCursor& c) {
    if (c.peek() == '"') return FeaturePrint::fromBase64(c.string());
    if (c.peek() != '[') throw JsonError("expected a list");
    std::vector<float> values;
    c.forEachItem([&] { values.push_back(number<float>(c)); });
    return FeaturePrint(values);
}

PhotoSignals signals(JsonCursor& c) {
    PhotoSignals s;
    readObject(
        c, {text("digest", s.digest),
            text("filename", s.filename),
            optionalDate("capturedAt", s.capturedAt),
            integer("pixelWidth", s.pixelWidth),
            integer("pixelHeight", s.pixelHeight),
            integer("fileSize", s.fileSize),
            {"featurePrint", Presence::required, [&s](JsonCursor& c) { s.storedPrint = print(c); }},
            text("featurePrintRevision", s.featurePrintRevision),
            {"printLongEdge", Presence::optional,
             [&s](JsonCursor& c) { s.printLongEdge = number<std::int64_t>(c); }},
            {"faces", Presence::required,
             [&s](JsonCursor& c) { c.forEachItem([&] { s.faces.push_back(face(c)); }); }},
            float32("aestheticsScore", s.aestheticsScore),
            flag("isUtility", s.isUtility),
            float32("sharpness", s.sharpness),
            flag("hasCameraMetadata", s.hasCameraMetadata),
            flag("hasCaptureMetadata", s.hasCaptureMetadata),
            flag("isFavourite", s.isFavourite),
            flag("isEdited", s.isEdited),
            flag("isInUserAlbum", s.isInUserAlbum)});
    return s;
}

Field optionalInteger(std::string_view name, std::optional<std::int64_t>& to) {
    return {name, Presence::optional, [&to](JsonCursor& c) { to = number<std::int64_t>(c); }};
}

LibraryAsset asset(JsonCursor& c) {
    LibraryAsset a;
    std::optional<std::int64_t> fileNumber, fileChanged, fileSystem;
    readObject(c, {text("id", a.id), text("filename", a.filename),
                   optionalDate("createdAt", a.createdAt), optionalDate("modifiedAt", a.modifiedAt),
                   integer("pixelWidth", a.pixelWidth), integer("pixelHeight", a.pixelHeight),
                   integer("fileSize", a.fileSize), flag("isFavourite", a.isFavourite),
                   flag("isEdited", a.isEdited), flag("isInUserAlbum", a.isInUserAlbum),
                   flag("isRejected", a.isRejected), optionalInteger("fileNumber", fileNumber),
                   optionalInteger("fileChangedNs", fileChanged),
                   optionalInteger("fileSystem", fileSystem),
                   optionalInteger("linkedNs", a.linkedNs)});
    if (fileNumber && fileChanged)
        a.file = FileIdentity{*fileNumber, *fileChanged, fileSystem.value_or(0)};
    return a;
}

// Anything but a Boolean reads as false.
void lenientFlag(JsonCursor& c, bool& to) {
    if (c.peek() == 't' || c.peek() == 'f')
        to = c.boolean();
    else
        readJsonValue(c);
}

DigestedStatus digestedStatus(JsonCursor& c) {
    DigestedStatus s;
    readObject(c, {integer("number", s.number), integer("size", s.size),
                   integer("modifiedNs", s.modifiedNs), integer("changedNs", s.changedNs)});
    return s;
}

void companions(JsonCursor& c, CompanionStatuses& to) {
    c.forEachItem([&] {
        std::string name;
        CompanionRead read;
        DigestedStatus& s = read.status;
        readObject(c, {text("name", name),
                       integer("number", s.number),
                       integer("size", s.size),
                       integer("modifiedNs", s.modifiedNs),
                       integer("changedNs", s.changedNs),
                       {"digest", Presence::optional,
                        [&read](JsonCursor& c) { read.digest = c.string(); }}});
        to.emplace(std::move(name), std::move(read));
    });
}

IndexEntry entry(JsonCursor& c) {
    IndexEntry e;
    std::optional<std::int64_t> firstListing, reviewListing, digestedModified;
    readObject(
        c,
        {{"asset", Presence::required, [&e](JsonCursor& c) { e.asset = asset(c); }},
         {"signals", Presence::optional, [&e](JsonCursor& c) { e.signals = signals(c); }},
         {"state", Presence::required,
          [&e](JsonCursor& c) { e.state = enumeration<ReviewState>(c); }},
         {"groupID", Presence::optional, [&e](JsonCursor& c) { e.groupID = c.string(); }},
         {"reason", Presence::optional, [&e](JsonCursor& c) { e.reason = enumeration<Reason>(c); }},
         {"skip", Presence::optional, [&e](JsonCursor& c) { e.skip = enumeration<SkipReason>(c); }},
         optionalDate("decidedAt", e.decidedAt),
         {"needsOriginal", Presence::lenient,
          [&e](JsonCursor& c) { lenientFlag(c, e.needsOriginal); }},
         {"formerState", Presence::optional,
          [&e](JsonCursor& c) { e.formerState = enumeration<ReviewState>(c); }},
         optionalDate("formerDecidedAt", e.formerDecidedAt),
         {"contentDigest", Presence::optional,
          [&e](JsonCursor& c) { e.contentDigest = c.string(); }},
         {"digestedAs", Presence::optional,
          [&e](JsonCursor& c) { e.digestedAs = digestedStatus(c); }},
         optionalInteger(IndexEntry::digestedModifiedKey, digestedModified),
         optionalInteger("firstListing", firstListing),
         optionalInteger("reviewListing", reviewListing),
         {"companionsAs", Presence::optional,
          [&e](JsonCursor& c) { companions(c, e.companionsAs); }},
         {"measureAgain", Presence::lenient,
          [&e](JsonCursor& c) { lenientFlag(c, e.measureAgain); }}});
    if (digestedModified && !e.digestedAs) e.takeDigestedAsListed(*digestedModified);
    e.firstListing = firstListing.value_or(0);
    e.reviewListing = reviewListing.value_or(0);
    return e;
}

} // namespace

IndexEntry readIndexEntry(std::string_view text) {
    return readWhole(text, entry);
}

} // namespace keepsift
