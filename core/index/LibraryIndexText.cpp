#include "core/index/IndexEntryReader.hpp"
#include "core/index/IndexTextWriter.hpp"
#include "core/index/JsonSpans.hpp"
#include "core/index/LibraryIndex.hpp"
#include "core/index/ParallelChunks.hpp"

namespace keepsift {

namespace {

using Member = const std::pair<const std::string, IndexEntry>*;

template <class Sink>
void writeMembers(Sink& sink, const std::vector<Member>& members, std::size_t begin,
                  std::size_t end) {
    indextext::Writer<Sink> writer(sink);
    for (std::size_t i = begin; i < end; ++i) {
        if (i > 0) writer.raw(",");
        writer.text(members[i]->first);
        writer.raw(":");
        writer.entry(members[i]->second);
    }
}

std::string head(const std::string& version) {
    std::string out = "{\"version\":";
    appendJsonString(out, version);
    return out + ",\"entries\":{";
}

std::string tail(const std::set<std::string>& groups) {
    std::string out = "},\"ignoredGroups\":[";
    for (const auto& group : groups) {
        if (out.back() != '[') out += ',';
        appendJsonString(out, group);
    }
    return out + "]}";
}

} // namespace

// Written without a value tree, in chunks on several threads: each chunk is measured
// first, so the text is allocated once at its exact size and written in place.
std::string LibraryIndex::encoded() const {
    std::vector<Member> members;
    members.reserve(entries.size());
    for (const auto& member : entries)
        members.push_back(&member);
    const std::size_t chunks = chunkCount(members.size(), 2000);
    std::vector<std::size_t> sizes(chunks);
    runChunks(chunks, [&](std::size_t c) {
        indextext::CountingSink counter;
        writeMembers(counter, members, chunkBegin(members.size(), chunks, c),
                     chunkBegin(members.size(), chunks, c + 1));
        sizes[c] = counter.size();
    });
    const std::string opening = head(version), closing = tail(ignoredGroups);
    std::vector<std::size_t> offsets{opening.size()};
    for (std::size_t size : sizes)
        offsets.push_back(offsets.back() + size);
    std::string out(offsets.back() + closing.size(), '\0');
    out.replace(0, opening.size(), opening);
    out.replace(offsets.back(), closing.size(), closing);
    runChunks(chunks, [&](std::size_t c) {
        indextext::SpanSink sink(out.data() + offsets[c], out.data() + offsets[c + 1]);
        writeMembers(sink, members, chunkBegin(members.size(), chunks, c),
                     chunkBegin(members.size(), chunks, c + 1));
        if (!sink.isFull()) throw std::logic_error("index text shorter than measured");
    });
    return out;
}

namespace {

using Span = std::pair<std::string_view, std::string_view>;

struct TopLevel {
    std::optional<std::string_view> version, ignoredGroups;
    std::optional<std::vector<Span>> entries;
};

// The first occurrence of a key counts, as with Json::find; every other value is still
// checked, so that a damaged file never reads as valid.
TopLevel topLevel(std::string_view text) {
    JsonSpans spans(text);
    TopLevel top;
    spans.expect('{');
    if (!spans.consume('}')) {
        do {
            const std::string key = JsonSpans::unquoted(spans.stringToken());
            spans.expect(':');
            if (key == "entries" && !top.entries) {
                top.entries = spans.members();
                continue;
            }
            const std::string_view value = spans.value();
            auto* slot = key == "version"         ? &top.version
                         : key == "ignoredGroups" ? &top.ignoredGroups
                                                  : nullptr;
            if (slot != nullptr && !*slot)
                *slot = value;
            else
                Json::parse(value);
        } while (spans.consume(','));
        spans.expect('}');
    }
    spans.skipSpace();
    if (!spans.atEnd()) throw JsonError("unexpected text after the index");
    return top;
}

template <class T> const T& required(const std::optional<T>& value, const char* key) {
    if (!value) throw JsonError(std::string("missing key \"") + key + "\"");
    return *value;
}

} // namespace

// Entries are parsed apart, on several threads; the index fails as a whole when any fails.
LibraryIndex LibraryIndex::decode(std::string_view text) {
    const TopLevel top = topLevel(text);
    LibraryIndex index;
    index.version = Json::parse(required(top.version, "version")).asString();
    const std::vector<Span>& members = required(top.entries, "entries");
    const std::size_t chunks = chunkCount(members.size(), 500);
    std::vector<std::vector<std::pair<std::string, IndexEntry>>> parsed(chunks);
    runChunks(chunks, [&](std::size_t c) {
        const std::size_t end = chunkBegin(members.size(), chunks, c + 1);
        for (std::size_t i = chunkBegin(members.size(), chunks, c); i < end; ++i)
            parsed[c].emplace_back(JsonSpans::unquoted(members[i].first),
                                   readIndexEntry(members[i].second));
    });
    for (auto& chunk : parsed)
        for (auto& [id, entry] : chunk)
            index.entries.insert_or_assign(index.entries.end(), std::move(id), std::move(entry));
    if (top.ignoredGroups) index.ignoredGroups = ignoredGroupsFrom(Json::parse(*top.ignoredGroups));
    return index;
}

} // namespace keepsift
