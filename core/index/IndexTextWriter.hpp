#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/index/IndexEntry.hpp"
#include "core/support/Unicode.hpp"

// Writes index entries as JSON text without a value tree, byte for byte as the value
// tree's compact dump would.
namespace keepsift::indextext {

// Appends one thread's entries to its text; the scratch buffers are reused.
class Writer {
public:
    explicit Writer(std::string& out) : out_(out) {}

    void put(char c) { out_ += c; }
    void put(std::string_view text) { out_.append(text); }
    void raw(std::string_view text) { put(text); }
    // The escapes of appendJsonString; runs that need none are copied whole.
    void text(std::string_view value) {
        if (!unicode::isWellFormed(value)) {
            scratch_.clear();
            appendJsonString(scratch_, value);
            return put(scratch_);
        }
        put('"');
        std::size_t run = 0;
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (!needsEscape(value[i])) continue;
            put(value.substr(run, i - run));
            scratch_.clear();
            appendJsonString(scratch_, value.substr(i, 1));
            put(std::string_view(scratch_).substr(1, scratch_.size() - 2));
            run = i + 1;
        }
        put(value.substr(run));
        put('"');
    }
    void key(std::string_view name, bool first = false) {
        if (!first) put(',');
        text(name);
        put(':');
    }
    void integer(std::int64_t value) { put(std::to_string(value)); }
    void number(double value) { put(jsonNumberText(std::isfinite(value) ? value : 0.0)); }
    void number32(float value) { put(jsonNumberText(std::isfinite(value) ? value : 0.0f)); }
    void flag(bool value) { put(value ? "true" : "false"); }
    void date(Date value) { text(value.iso8601()); }

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
    void digestedStatus(const DigestedStatus& s);
    void statusFields(const DigestedStatus& s, bool first);
    void companions(const CompanionStatuses& all);
    void asset(const LibraryAsset& a);
    void signals(const PhotoSignals& s);
    void face(const FaceSignals& f);
    void print(const FeaturePrint& p);
    void bounds(const NormalisedBounds& b);

    std::string& out_;
    std::string scratch_;
    std::vector<std::uint8_t> bytes_;
};

} // namespace keepsift::indextext
