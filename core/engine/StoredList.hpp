#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/index/LibraryIndex.hpp"
#include "core/storage/FileStorage.hpp"

namespace keepsift {

// The text of one of the engine's lists of photographs kept beside the index, as read at start.
struct StoredListText {
    // Nothing when the file is missing or cannot be read.
    std::optional<Data> text;
    // It is there but could not be read (logged, naming the file).
    bool unreadable = false;
};

// Read only when no larger than a list naming every photograph of the index can be, with room
// for some found since the index was last saved.
StoredListText readStoredListText(const FileStorage& storage, std::string_view name,
                                  const LibraryIndex& index);
// Logs, naming the file, that what it holds is no such list.
void noteUndecodableList(std::string_view name);

// A list such as UnsettledAlbum or TrashIntent, as read at start.
template <class List> struct StoredList {
    // Nothing when it is missing or unreadable.
    std::optional<List> list;
    // It is there but could not be read or decoded (logged, naming the file).
    bool unreadable = false;
};

template <class List>
StoredList<List> readStoredList(const FileStorage& storage, const LibraryIndex& index) {
    auto [text, unreadable] = readStoredListText(storage, List::fileName, index);
    if (!text) return {std::nullopt, unreadable};
    auto list = List::decode(*text);
    if (list) return {std::move(list), false};
    noteUndecodableList(List::fileName);
    return {std::nullopt, true};
}

} // namespace keepsift
