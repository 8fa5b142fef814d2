#include "platform/imaging/ContainerLayout.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/imaging/FileBytes.hpp"

namespace keepsift {
namespace {

// The offsets and lengths a RAF's head gives for its preview, its sensor header and its data.
constexpr std::int64_t rafDirectory = 84;
constexpr int rafParts = 3;

std::optional<ContainerLayout> gifLayout(const FileBytes& file) {
    const auto head = file.at(6, 4);
    if (!head) return std::nullopt;
    return ContainerLayout{PixelSize{static_cast<std::int64_t>(file.integerIn(*head, 0, 2)),
                                     static_cast<std::int64_t>(file.integerIn(*head, 2, 2))},
                           std::nullopt};
}

std::optional<ContainerLayout> bmpLayout(const FileBytes& file) {
    const auto head = file.at(2, 24);
    if (!head) return std::nullopt;
    const auto height = static_cast<std::int32_t>(file.integerIn(*head, 20, 4));
    return ContainerLayout{PixelSize{static_cast<std::int32_t>(file.integerIn(*head, 16, 4)),
                                     std::abs(static_cast<std::int64_t>(height))},
                           static_cast<std::int64_t>(file.integerIn(*head, 0, 4))};
}

std::optional<ContainerLayout> rafLayout(const FileBytes& file) {
    const auto head = file.at(rafDirectory, rafParts * 8);
    if (!head) return std::nullopt;
    std::int64_t end = 0;
    for (int part = 0; part < rafParts; ++part)
        end = std::max(end, static_cast<std::int64_t>(file.integerIn(*head, part * 8, 4) +
                                                      file.integerIn(*head, part * 8 + 4, 4)));
    if (end > file.size()) return std::nullopt;
    return ContainerLayout{std::nullopt, end};
}

} // namespace

std::optional<ContainerLayout> headerLayout(int fd, std::int64_t size) {
    const auto magic = FileBytes(fd, size, false).at(0, 4);
    if (!magic) return std::nullopt;
    if (std::memcmp(magic->data(), "GIF8", 4) == 0) return gifLayout(FileBytes(fd, size, true));
    if (std::memcmp(magic->data(), "BM", 2) == 0) return bmpLayout(FileBytes(fd, size, true));
    if (std::memcmp(magic->data(), "FUJI", 4) == 0) return rafLayout(FileBytes(fd, size, false));
    return std::nullopt;
}

} // namespace keepsift
