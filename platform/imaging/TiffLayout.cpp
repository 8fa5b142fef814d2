#include "platform/imaging/ContainerLayout.hpp"

#include <span>
#include <vector>

#include "platform/imaging/FileBytes.hpp"

namespace keepsift {
namespace {

constexpr int maximumDirectories = 32;
constexpr std::int64_t maximumEntries = 4096;
constexpr std::int64_t entryBytes = 12;
constexpr int maximumSubDirectories = 8;

enum Tag : std::uint64_t {
    // Panasonic's RW2 names its sensor's size with tags of its own.
    sensorWidth = 2,
    sensorHeight = 3,
    imageWidth = 256,
    imageLength = 257,
    subDirectories = 330,
};

enum Type : std::uint64_t { shortType = 3, longType = 4, directoryType = 13 };

struct Directory {
    PixelSize picture;
    std::vector<std::int64_t> next;
};

// The value of an entry of one SHORT or LONG held in the entry itself.
std::optional<std::int64_t> inlineValue(const FileBytes& file,
                                        std::span<const std::uint8_t> entry) {
    const auto type = file.integerIn(entry, 2, 2);
    if (file.integerIn(entry, 4, 4) != 1) return std::nullopt;
    if (type == shortType) return static_cast<std::int64_t>(file.integerIn(entry, 8, 2));
    if (type == longType || type == directoryType)
        return static_cast<std::int64_t>(file.integerIn(entry, 8, 4));
    return std::nullopt;
}

void addSubDirectories(const FileBytes& file, std::span<const std::uint8_t> entry,
                       Directory& directory) {
    const auto count = static_cast<std::int64_t>(file.integerIn(entry, 4, 4));
    const auto offset = static_cast<std::int64_t>(file.integerIn(entry, 8, 4));
    if (count == 1) return directory.next.push_back(offset);
    for (std::int64_t i = 0; i < count && i < maximumSubDirectories; ++i)
        if (auto sub = file.integerAt(offset + 4 * i, 4))
            directory.next.push_back(static_cast<std::int64_t>(*sub));
}

void readEntry(const FileBytes& file, std::span<const std::uint8_t> entry, bool panasonic,
               Directory& directory) {
    const auto tag = file.integerIn(entry, 0, 2);
    if (tag == subDirectories) return addSubDirectories(file, entry, directory);
    const auto value = inlineValue(file, entry);
    if (!value) return;
    if (tag == imageWidth || (panasonic && tag == sensorWidth)) directory.picture.width = *value;
    if (tag == imageLength || (panasonic && tag == sensorHeight)) directory.picture.height = *value;
}

// A directory with no entries or lying past the end of the file is no directory.
std::optional<Directory> readDirectory(const FileBytes& file, std::int64_t offset, bool panasonic) {
    const auto count = file.integerAt(offset, 2);
    if (!count || *count == 0 || static_cast<std::int64_t>(*count) > maximumEntries)
        return std::nullopt;
    const auto entries = static_cast<std::int64_t>(*count);
    const auto bytes = file.at(offset + 2, entries * entryBytes + 4);
    if (!bytes) return std::nullopt;
    Directory directory;
    for (std::int64_t i = 0; i < entries; ++i) {
        const auto start = bytes->begin() + i * entryBytes;
        readEntry(file, std::vector<std::uint8_t>(start, start + entryBytes), panasonic, directory);
    }
    if (const auto next = file.integerIn(*bytes, static_cast<size_t>(entries * entryBytes), 4))
        directory.next.push_back(static_cast<std::int64_t>(next));
    return directory;
}

} // namespace

std::optional<ContainerLayout> tiffLayout(int fd, std::int64_t size) {
    const auto order = FileBytes(fd, size, false).at(0, 4);
    if (!order || (*order)[0] != (*order)[1] || ((*order)[0] != 'I' && (*order)[0] != 'M'))
        return std::nullopt;
    const FileBytes file(fd, size, (*order)[0] == 'I');
    const bool panasonic = (*order)[2] == 'U';
    const auto first = file.integerAt(4, 4);
    if (!first) return std::nullopt;
    std::vector<std::int64_t> pending{static_cast<std::int64_t>(*first)};
    ContainerLayout layout;
    for (int read = 0; read < maximumDirectories && !pending.empty(); ++read) {
        const std::int64_t offset = pending.back();
        pending.pop_back();
        const auto directory = readDirectory(file, offset, panasonic);
        // The first directory must hold; later ones may be damaged without spoiling it.
        if (!directory && read == 0) return std::nullopt;
        if (!directory) continue;
        keepLargerPicture(layout, directory->picture);
        pending.insert(pending.end(), directory->next.begin(), directory->next.end());
    }
    if (!layout.picture) return std::nullopt;
    return layout;
}

} // namespace keepsift
