#include "core/index/IndexTextWriter.hpp"

namespace keepsift::indextext {

void Writer::entry(const IndexEntry& e) {
    put('{');
    key("asset", true);
    asset(e.asset);
    optional("signals", e.signals, [&](const PhotoSignals& s) { signals(s); });
    key("state");
    text(toString(e.state));
    optional("groupID", e.groupID, [&](const std::string& g) { text(g); });
    optional("reason", e.reason, [&](Reason r) { text(toString(r)); });
    optional("skip", e.skip, [&](SkipReason s) { text(toString(s)); });
    optional("decidedAt", e.decidedAt, [&](Date d) { date(d); });
    key("needsOriginal");
    flag(e.needsOriginal);
    optional("formerState", e.formerState, [&](ReviewState s) { text(toString(s)); });
    optional("formerDecidedAt", e.formerDecidedAt, [&](Date d) { date(d); });
    optional("contentDigest", e.contentDigest, [&](const std::string& d) { text(d); });
    if (const auto modifiedNs = e.digestedAsListedButModified()) {
        key(IndexEntry::digestedModifiedKey);
        integer(*modifiedNs);
    } else {
        optional("digestedAs", e.digestedAs, [&](const DigestedStatus& s) { digestedStatus(s); });
    }
    for (const auto& [name, listing] :
         {std::pair{"firstListing", e.firstListing}, std::pair{"reviewListing", e.reviewListing}})
        if (listing != 0) {
            key(name);
            integer(listing);
        }
    if (!e.companionsAs.empty()) {
        key("companionsAs");
        companions(e.companionsAs);
    }
    if (e.measureAgain) {
        key("measureAgain");
        flag(true);
    }
    put('}');
}

void Writer::companions(const CompanionStatuses& all) {
    put('[');
    bool first = true;
    for (const auto& [name, companion] : all) {
        if (!first) put(',');
        first = false;
        put('{');
        key("name", true);
        text(name);
        statusFields(companion.status, false);
        optional("digest", companion.digest, [&](const std::string& d) { text(d); });
        put('}');
    }
    put(']');
}

void Writer::digestedStatus(const DigestedStatus& s) {
    put('{');
    statusFields(s, true);
    put('}');
}

void Writer::statusFields(const DigestedStatus& s, bool first) {
    key("number", first);
    integer(s.number);
    key("size");
    integer(s.size);
    key("modifiedNs");
    integer(s.modifiedNs);
    key("changedNs");
    integer(s.changedNs);
}

void Writer::asset(const LibraryAsset& a) {
    put('{');
    key("id", true);
    text(a.id);
    key("filename");
    text(a.filename);
    optional("createdAt", a.createdAt, [&](Date d) { date(d); });
    optional("modifiedAt", a.modifiedAt, [&](Date d) { date(d); });
    key("pixelWidth");
    integer(a.pixelWidth);
    key("pixelHeight");
    integer(a.pixelHeight);
    key("fileSize");
    integer(a.fileSize);
    key("isFavourite");
    flag(a.isFavourite);
    key("isEdited");
    flag(a.isEdited);
    key("isInUserAlbum");
    flag(a.isInUserAlbum);
    key("isRejected");
    flag(a.isRejected);
    if (a.file) {
        key("fileNumber");
        integer(a.file->number);
        key("fileChangedNs");
        integer(a.file->changedNs);
    }
    if (a.file && a.file->fileSystem != 0) {
        key("fileSystem");
        integer(a.file->fileSystem);
    }
    if (a.linkedNs) {
        key("linkedNs");
        integer(*a.linkedNs);
    }
    put('}');
}

void Writer::signals(const PhotoSignals& s) {
    put('{');
    key("digest", true);
    text(s.digest);
    key("filename");
    text(s.filename);
    optional("capturedAt", s.capturedAt, [&](Date d) { date(d); });
    key("pixelWidth");
    integer(s.pixelWidth);
    key("pixelHeight");
    integer(s.pixelHeight);
    key("fileSize");
    integer(s.fileSize);
    key("featurePrint");
    print(s.storedPrint);
    key("featurePrintRevision");
    text(s.featurePrintRevision);
    optional("printLongEdge", s.printLongEdge, [&](std::int64_t n) { integer(n); });
    key("faces");
    put('[');
    for (std::size_t i = 0; i < s.faces.size(); ++i) {
        if (i > 0) put(',');
        face(s.faces[i]);
    }
    put(']');
    key("aestheticsScore");
    number32(s.aestheticsScore);
    key("isUtility");
    flag(s.isUtility);
    key("sharpness");
    number32(s.sharpness);
    key("hasCameraMetadata");
    flag(s.hasCameraMetadata);
    key("hasCaptureMetadata");
    flag(s.hasCaptureMetadata);
    key("isFavourite");
    flag(s.isFavourite);
    key("isEdited");
    flag(s.isEdited);
    key("isInUserAlbum");
    flag(s.isInUserAlbum);
    put('}');
}

// The print's base64 text (little-endian 16-bit quanta, "=" padding) with "/" escaped,
// made straight from the quanta.
void Writer::print(const FeaturePrint& p) {
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    bytes_.clear();
    for (const std::int16_t q : p.quanta()) {
        const auto u = static_cast<std::uint16_t>(q);
        bytes_.push_back(static_cast<std::uint8_t>(u & 0xff));
        bytes_.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    const std::size_t whole = bytes_.size() / 3 * 3, left = bytes_.size() - whole;
    // Every sextet may become two characters ("\/"), plus padding and quotes.
    scratch_.resize((bytes_.size() + 2) / 3 * 8 + 2);
    char* out = scratch_.data();
    // Branch-free: the backslash is always stored and kept only before a slash.
    auto sextet = [&out](std::uint32_t value) {
        const char c = alphabet[value & 0x3f];
        const bool slash = c == '/';
        out[0] = '\\';
        out[slash] = c;
        out += 1 + slash;
    };
    *out++ = '"';
    for (std::size_t k = 0; k < whole; k += 3) {
        const std::uint32_t group = bytes_[k] << 16 | bytes_[k + 1] << 8 | bytes_[k + 2];
        sextet(group >> 18);
        sextet(group >> 12);
        sextet(group >> 6);
        sextet(group);
    }
    if (left > 0) {
        const std::uint32_t group = bytes_[whole] << 16 | (left > 1 ? bytes_[whole + 1] << 8 : 0);
        sextet(group >> 18);
        sextet(group >> 12);
        if (left > 1)
            sextet(group >> 6);
        else
            *out++ = '=';
        *out++ = '=';
    }
    *out++ = '"';
    put(std::string_view(scratch_.data(), static_cast<std::size_t>(out - scratch_.data())));
}

void Writer::face(const FaceSignals& f) {
    auto yesNo = [&](bool b) { flag(b); };
    auto float32 = [&](float v) { number32(v); };
    put('{');
    key("bounds", true);
    bounds(f.bounds);
    optional("hasSmile", f.hasSmile, yesNo);
    optional("leftEyeClosed", f.leftEyeClosed, yesNo);
    optional("rightEyeClosed", f.rightEyeClosed, yesNo);
    optional("captureQuality", f.captureQuality, float32);
    optional("eyeAspectRatio", f.eyeAspectRatio, float32);
    optional("yawDegrees", f.yawDegrees, float32);
    optional("rollDegrees", f.rollDegrees, float32);
    optional("pitchDegrees", f.pitchDegrees, float32);
    put('}');
}

void Writer::bounds(const NormalisedBounds& b) {
    put('{');
    key("x", true);
    number(b.x);
    key("y");
    number(b.y);
    key("width");
    number(b.width);
    key("height");
    number(b.height);
    put('}');
}

} // namespace keepsift::indextext
