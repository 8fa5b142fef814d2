#include "core/index/IndexEntryReader.hpp"
#include "core/index/IndexTextWriter.hpp"
#include "core/index/JsonCursor.hpp"
#include "core/index/LibraryIndex.hpp"
#include "core/index/ParallelChunks.hpp"

namespace keepsift {

namespace {

using Member = const std::pair<const std::string, IndexEntry>*;

// About 2 MB of text: a round of chunks on all threads stays small beside the index.
constexpr std::size_t entriesPerChunk = 1000;

void writeMembers(std::string& out, const std::vector<Member>& members, std::size_t begin,
                  std::size_t end) {
    indextext::Writer writer(out);
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

// Made without a value tree, in rounds: each thread writes one chunk of entries, then the
// chunks are handed on in order, so that only one round of text is held at a time.
void LibraryIndex::encodeInParts(const std::function<void(std::string_view)>& emit) const {
    std::vector<Member> members;
    members.reserve(entries.size());
    for (const auto& member : entries)
        members.push_back(&member);
    emit(head(version));
    const std::size_t threads = chunkCount(members.size(), entriesPerChunk);
    std::vector<std::string> texts(threads);
    for (std::size_t round = 0; round < members.size(); round += threads * entriesPerChunk) {
        const std::size_t end = std::min(members.size(), round + threads * entriesPerChunk);
        const std::size_t chunks = (end - round + entriesPerChunk - 1) / entriesPerChunk;
        runChunks(chunks, [&](std::size_t c) {
            texts[c].clear();
            const std::size_t begin = round + c * entriesPerChunk;
            writeMembers(texts[c], members, begin, std::min(end, begin + entriesPerChunk));
        });
        for (std::size_t c = 0; c < chunks; ++c)
            emit(texts[c]);
    }
    emit(tail(ignoredGroups));
}

std::string LibraryIndex::encoded() const {
    std::string out;
    encodeInParts([&out](std::string_view part) { out.append(part); });
    return out;
}

namespace {

// An entry's identifier and the text of its value.
using MemberText = std::pair<std::string, std::string_view>;

struct TopLevel {
    std::optional<std::string_view> version, ignoredGroups;
    std::optional<std::vector<MemberText>> entries;
};

std::vector<MemberText> memberTexts(JsonCursor& cursor) {
    std::vector<MemberText> out;
    cursor.forEachMember([&](const std::string& key) { out.emplace_back(key, cursor.rawValue()); });
    return out;
}

// The first occurrence of a key counts, as with Json::find; every other value is still
// checked, so that a damaged file never reads as valid.
TopLevel topLevel(std::string_view text) {
    TopLevel top;
    readWhole(withoutByteOrderMark(text), [&top](JsonCursor& cursor) {
        cursor.forEachMember([&](const std::string& key) {
            if (key == "entries" && !top.entries) {
                top.entries = memberTexts(cursor);
                return;
            }
            const std::string_view value = cursor.rawValue();
            auto* slot = key == "version"         ? &top.version
                         : key == "ignoredGroups" ? &top.ignoredGroups
                                                  : nullptr;
            if (slot != nullptr && !*slot)
                *slot = value;
            else
                Json::parse(value);
        });
        return true;
    });
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
    const std::vector<MemberText>& members = required(top.entries, "entries");
    const std::size_t chunks = chunkCount(members.size(), 500);
    std::vector<std::vector<std::pair<std::string, IndexEntry>>> parsed(chunks);
    runChunks(chunks, [&](std::size_t c) {
        const std::size_t end = chunkBegin(members.size(), chunks, c + 1);
        for (std::size_t i = chunkBegin(members.size(), chunks, c); i < end; ++i)
            parsed[c].emplace_back(members[i].first, readIndexEntry(members[i].second));
    });
    for (auto& chunk : parsed)
        for (auto& [id, entry] : chunk)
            index.entries.insert_or_assign(index.entries.end(), std::move(id), std::move(entry));
    if (top.ignoredGroups) index.ignoredGroups = ignoredGroupsFrom(Json::parse(*top.ignoredGroups));
    return index;
}

} // namespace keepsift
