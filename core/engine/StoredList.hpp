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

// A list such as UnsettledAlbum or TrashIntent; nothing when it is missing or unreadable, and
// then `unreadable` tells which.
template <class List>
std::optional<List> readStoredList(const FileStorage& storage, const LibraryIndex& index,
                                   bool& unreadable) {
    auto [text, cannotRead] = readStoredListText(storage, List::fileName, index);
    unreadable = cannotRead;
    if (!text) return std::nullopt;
    auto list = List::decode(*text);
    if (!list) {
        noteUndecodableList(List::fileName);
        unreadable = true;
    }
    return list;
}

} // namespace keepsift
