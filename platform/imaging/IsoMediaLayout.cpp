#include "platform/imaging/ContainerLayout.hpp"

#include <algorithm>
#include <span>
#include <string_view>

#include "platform/imaging/FileBytes.hpp"

namespace keepsift {
namespace {

constexpr int maximumBoxes = 4096;
// Item descriptions are small; a larger meta box is not read for its picture sizes.
constexpr std::int64_t maximumMetaBytes = 16 << 20;
constexpr int maximumDepth = 4;

struct Box {
    std::string_view type;
    std::int64_t body = 0; // offset of its contents
    std::int64_t end = 0;
};

bool isType(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](std::uint8_t c) { return c >= 0x20 && c <= 0x7E; });
}

// The box at `offset` of a span ending at `limit`; a size of 0 runs to the limit.
std::optional<Box> boxAt(std::span<const std::uint8_t> bytes, std::int64_t offset,
                         std::int64_t limit, const FileBytes& file) {
    if (offset + 8 > static_cast<std::int64_t>(bytes.size())) return std::nullopt;
    const auto at = static_cast<size_t>(offset);
    std::span<const std::uint8_t> type = bytes.subspan(at + 4, 4);
    if (!isType(type)) return std::nullopt;
    auto length = static_cast<std::int64_t>(file.integerIn(bytes, at, 4));
    std::int64_t header = 8;
    if (length == 1) {
        if (offset + 16 > static_cast<std::int64_t>(bytes.size())) return std::nullopt;
        length = static_cast<std::int64_t>(file.integerIn(bytes, at + 8, 8));
        header = 16;
    }
    if (length == 0) length = limit - offset;
    if (length < header || length > limit - offset) return std::nullopt;
    return Box{{reinterpret_cast<const char*>(type.data()), 4}, offset + header, offset + length};
}

// The picture sizes (ispe) among the item properties of a meta box, held in memory.
void findSizes(std::span<const std::uint8_t> meta, std::int64_t from, std::int64_t to, int depth,
               const FileBytes& file, ContainerLayout& layout) {
    for (std::int64_t offset = from; offset < to && depth <= maximumDepth;) {
        const auto box = boxAt(meta.first(static_cast<size_t>(to)), offset, to, file);
        if (!box) return;
        if (box->type == "iprp" || box->type == "ipco")
            findSizes(meta, box->body, box->end, depth + 1, file, layout);
        if (box->type == "ispe" && box->end - box->body >= 12) {
            const auto body = static_cast<size_t>(box->body);
            keepLargerPicture(layout,
                              {static_cast<std::int64_t>(file.integerIn(meta, body + 4, 4)),
                               static_cast<std::int64_t>(file.integerIn(meta, body + 8, 4))});
        }
        offset = box->end;
    }
}

void readMeta(const FileBytes& file, const Box& meta, ContainerLayout& layout) {
    if (meta.end - meta.body > maximumMetaBytes) return;
    const auto bytes = file.at(meta.body, meta.end - meta.body);
    if (!bytes || bytes->size() < 4) return;
    // A full box: version and flags come first.
    findSizes(*bytes, 4, static_cast<std::int64_t>(bytes->size()), 0, file, layout);
}

} // namespace

std::optional<ContainerLayout> isoMediaLayout(int fd, std::int64_t size) {
    const FileBytes file(fd, size, false);
    ContainerLayout layout;
    std::int64_t offset = 0;
    for (int count = 0; count < maximumBoxes && offset < size; ++count) {
        const auto head = file.at(offset, std::min<std::int64_t>(16, size - offset));
        const auto box = head ? boxAt(*head, 0, size - offset, file) : std::nullopt;
        if (!box) break;
        if (box->type == "meta")
            readMeta(file, {box->type, offset + box->body, offset + box->end}, layout);
        offset += box->end;
    }
    if (offset == 0) return std::nullopt;
    layout.contentEnd = offset;
    return layout;
}

} // namespace keepsift
