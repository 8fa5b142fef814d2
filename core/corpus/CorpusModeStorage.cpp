#include "core/corpus/CorpusModeStorage.hpp"

namespace keepsift::CorpusModeStorage {

std::vector<std::string> seed(const KeyValueStorage& source, KeyValueStorage& destination,
                              const std::vector<std::string>& keys) {
    std::vector<std::string> copied;
    for (const auto& key : keys) {
        if (destination.data(key)) continue;
        auto data = source.data(key);
        if (!data) continue;
        destination.set(data, key);
        copied.push_back(key);
    }
    return copied;
}

} // namespace keepsift::CorpusModeStorage
