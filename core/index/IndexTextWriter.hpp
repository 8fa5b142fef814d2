#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/index/IndexEntry.hpp"

// Writes index entries as JSON text without a value tree, byte for byte as the value
// tree's compact dump would. Every writer runs twice over the same entries: once into a
// counter, to size the output exactly, and once into the output.
namespace keepsift::indextext {

class CountingSink {
public:
    void put(char) { ++size_; }
    void put(std::string_view text) { size_ += text.size(); }
    std::size_t size() const { return size_; }

private:
    std::size_t size_ = 0;
};

class SpanSink {
public:
    SpanSink(char* begin, char* end) : at_(begin), end_(end) {}
    void put(char c) {
        check(1);
        *at_++ = c;
    }
    void put(std::string_view text) {
        check(text.size());
        std::memcpy(at_, text.data(), text.size());
        at_ += text.size();
    }
    bool isFull() const { return at_ == end_; }

private:
    void check(std::size_t n) const {
        if (static_cast<std::size_t>(end_ - at_) < n) throw std::logic_error("index text overflow");
    }
    char* at_;
    char* end_;
};

// Writes one thread's entries; the scratch text is reused for escapes.
template <class Sink> class Writer {
public:
    explicit Writer(Sink& sink) : sink_(sink) {}

    void raw(std::string_view text) { sink_.put(text); }
    // The escapes of appendJsonString; runs that need none are copied whole.
    void text(std::string_view value) {
        sink_.put('"');
        std::size_t run = 0;
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (!needsEscape(value[i])) continue;
            sink_.put(value.substr(run, i - run));
            scratch_.clear();
            appendJsonString(scratch_, value.substr(i, 1));
            sink_.put(std::string_view(scratch_).substr(1, scratch_.size() - 2));
            run = i + 1;
        }
        sink_.put(value.substr(run));
        sink_.put('"');
    }
    void key(std::string_view name, bool first = false) {
        if (!first) sink_.put(',');
        text(name);
        sink_.put(':');
    }
    void integer(std::int64_t value) { sink_.put(std::to_string(value)); }
    void number(double value) { sink_.put(jsonNumberText(std::isfinite(value) ? value : 0.0)); }
    void number32(float value) { sink_.put(jsonNumberText(std::isfinite(value) ? value : 0.0f)); }
    void flag(bool value) { sink_.put(value ? "true" : "false"); }
    // A year of four digits always gives "YYYY-MM-DDTHH:MM:SSZ", which needs no escapes.
    void date(Date value) {
        if constexpr (std::is_same_v<Sink, CountingSink>) {
            const double unix = value.unixSeconds();
            if (unix >= -62167219200.0 && unix < 253402300800.0)
                return sink_.put(std::string_view("\"YYYY-MM-DDTHH:MM:SSZ\""));
        }
        text(value.iso8601());
    }

    template <class T, class Write>
    void optional(std::string_view name, const std::optional<T>& value, Write write) {
        if (!value) return;
        key(name);
        write(*value);
    }

    void entry(const IndexEntry& e);

private:
    static bool needsEscape(char c) {
        return c == '"' || c == '\\' || c == '/' || static_cast<unsigned char>(c) < 0x20;
    }
    void asset(const LibraryAsset& a);
    void signals(const PhotoSignals& s);
    void face(const FaceSignals& f);
    void print(const FeaturePrint& p);
    void bounds(const NormalisedBounds& b);

    Sink& sink_;
    std::string scratch_;
    std::vector<std::uint8_t> bytes_;
};

template <class Sink> void Writer<Sink>::entry(const IndexEntry& e) {
    sink_.put('{');
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
    sink_.put('}');
}

template <class Sink> void Writer<Sink>::asset(const LibraryAsset& a) {
    sink_.put('{');
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
    sink_.put('}');
}

template <class Sink> void Writer<Sink>::signals(const PhotoSignals& s) {
    sink_.put('{');
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
    sink_.put('[');
    for (std::size_t i = 0; i < s.faces.size(); ++i) {
        if (i > 0) sink_.put(',');
        face(s.faces[i]);
    }
    sink_.put(']');
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
    sink_.put('}');
}

// The print's base64 text (little-endian 16-bit quanta, "=" padding) with "/" escaped,
// made straight from the quanta.
template <class Sink> void Writer<Sink>::print(const FeaturePrint& p) {
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
    sink_.put(std::string_view(scratch_.data(), static_cast<std::size_t>(out - scratch_.data())));
}

template <class Sink> void Writer<Sink>::face(const FaceSignals& f) {
    auto yesNo = [&](bool b) { flag(b); };
    auto float32 = [&](float v) { number32(v); };
    sink_.put('{');
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
    sink_.put('}');
}

template <class Sink> void Writer<Sink>::bounds(const NormalisedBounds& b) {
    sink_.put('{');
    key("x", true);
    number(b.x);
    key("y");
    number(b.y);
    key("width");
    number(b.width);
    key("height");
    number(b.height);
    sink_.put('}');
}

} // namespace keepsift::indextext
