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

std::string tail(const LibraryIndex& index) {
    std::string out = "},\"ignoredGroups\":[";
    for (const auto& group : index.ignoredGroups) {
        if (out.back() != '[') out += ',';
        appendJsonString(out, group);
    }
    out += "],\"ownLinks\":" + index.ownLinks.toJson().dump();
    if (index.listings != 0) out += ",\"listings\":" + std::to_string(index.listings);
    return out + "}";
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
    emit(tail(*this));
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
    std::optional<std::string_view> version, ignoredGroups, ownLinks, listings;
    std::optional<std::vector<MemberText>> entries;
    // The syntax error that ended the reading early.
    std::optional<std::string> broken;
};

void readMemberTexts(JsonCursor& cursor, std::optional<std::vector<MemberText>>& out) {
    if (cursor.peek() != '{') cursor.fail("expected an object");
    out.emplace();
    cursor.forEachMember(
        [&](const std::string& key) { out->emplace_back(key, cursor.rawValue()); });
}

// The first occurrence of a key counts, as with Json::find; every other value is still
// checked, so that a damaged file never reads as valid. A break in the syntax after the
// version and the start of the entries keeps what was read before it.
TopLevel topLevel(std::string_view text) {
    TopLevel top;
    try {
        readWhole(withoutByteOrderMark(text), [&top](JsonCursor& cursor) {
            cursor.forEachMember([&](const std::string& key) {
                if (key == "entries" && !top.entries) return readMemberTexts(cursor, top.entries);
                const std::string_view value = cursor.rawValue();
                auto* slot = key == "version"         ? &top.version
                             : key == "ignoredGroups" ? &top.ignoredGroups
                             : key == "ownLinks"      ? &top.ownLinks
                             : key == "listings"      ? &top.listings
                                                      : nullptr;
                if (slot != nullptr && !*slot)
                    *slot = value;
                else
                    Json::parse(value);
            });
            return true;
        });
    } catch (const JsonError& error) {
        if (!top.version || !top.entries) throw;
        top.broken = error.what();
    }
    return top;
}

template <class T> const T& required(const std::optional<T>& value, const char* key) {
    if (!value) throw JsonError(std::string("missing key \"") + key + "\"");
    return *value;
}

// The entries of one chunk that read, and the fault of the first that did not.
struct ReadChunk {
    std::vector<std::pair<std::string, IndexEntry>> entries;
    std::size_t dropped = 0;
    std::optional<std::string> fault;
};

} // namespace

LibraryIndex LibraryIndex::decode(std::string_view text) {
    Salvaged<LibraryIndex> read = salvage(text);
    if (read.damage) throw JsonError(*read.damage);
    return std::move(read.value);
}

// Entries are parsed apart, on several threads.
Salvaged<LibraryIndex> LibraryIndex::salvage(std::string_view text) {
    const TopLevel top = topLevel(text);
    Salvaged<LibraryIndex> read;
    LibraryIndex& index = read.value;
    index.version = Json::parse(required(top.version, "version")).asString();
    const std::vector<MemberText>& members = required(top.entries, "entries");
    const std::size_t chunks = chunkCount(members.size(), 500);
    std::vector<ReadChunk> parsed(chunks);
    runChunks(chunks, [&](std::size_t c) {
        const std::size_t end = chunkBegin(members.size(), chunks, c + 1);
        for (std::size_t i = chunkBegin(members.size(), chunks, c); i < end; ++i) {
            try {
                parsed[c].entries.emplace_back(members[i].first, readIndexEntry(members[i].second));
            } catch (const JsonError& error) {
                ++parsed[c].dropped;
                if (!parsed[c].fault)
                    parsed[c].fault = "entry \"" + members[i].first + "\": " + error.what();
            }
        }
    });
    std::size_t dropped = 0;
    std::optional<std::string> fault;
    for (auto& chunk : parsed) {
        for (auto& [id, entry] : chunk.entries)
            index.entries.insert_or_assign(index.entries.end(), std::move(id), std::move(entry));
        dropped += chunk.dropped;
        if (!fault) fault = std::move(chunk.fault);
    }
    if (fault) read.note(std::to_string(dropped) + " entries dropped, the first for " + *fault);
    if (top.broken) read.note(*top.broken);
    if (top.ignoredGroups) {
        try {
            index.ignoredGroups = ignoredGroupsFrom(Json::parse(*top.ignoredGroups));
        } catch (const JsonError& error) {
            read.note(error.what());
        }
    }
    index.ownLinks = OwnLinks::seededFrom(index.entries);
    if (top.ownLinks) {
        try {
            index.ownLinks = OwnLinks::fromJson(Json::parse(*top.ownLinks));
        } catch (const JsonError& error) {
            read.note(error.what());
        }
    }
    if (top.listings) index.listings = listingsFrom(Json::parse(*top.listings));
    index.catchUpListings();
    return read;
}

} // namespace keepsift
