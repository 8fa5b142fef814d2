#include "core/engine/StoredList.hpp"

#include "core/engine/IdListText.hpp"
#include "core/support/Logger.hpp"

namespace keepsift {
namespace {

const Logger& log() {
    static const Logger logger("com.ambervale.keepsift", "engine");
    return logger;
}

// Room for the key, and for photographs found after the index's last save.
constexpr std::size_t spareBytes = 64 * 1024;

} // namespace

StoredListText readStoredListText(const FileStorage& storage, std::string_view name,
                                  const LibraryIndex& index) {
    std::size_t limit = spareBytes;
    for (const auto& [id, entry] : index.entries)
        limit += longestIdText(id);
    auto [text, problem] = storage.readAtMost(std::string(name), limit);
    if (problem.empty()) return {std::move(text), false};
    log().error(std::string(name) + " cannot be read, taken as unknown: " + problem);
    return {std::nullopt, true};
}

void noteUndecodableList(std::string_view name) {
    log().error(std::string(name) + " holds no list of photographs, taken as unknown");
}

} // namespace keepsift
