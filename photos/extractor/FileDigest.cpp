#include <fstream>

#include "photos/extractor/LiveSignalExtractor.hpp"
#include "platform/imaging/Sha256.hpp"

namespace keepsift {

std::optional<std::string> LiveSignalExtractor::fileDigest(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    Sha256 digest;
    std::vector<char> chunk(1 << 16);
    while (file) {
        file.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        if (file.bad()) return std::nullopt;
        digest.add({reinterpret_cast<const std::uint8_t*>(chunk.data()),
                    static_cast<std::size_t>(file.gcount())});
    }
    if (!file.eof()) return std::nullopt;
    return digest.finish();
}

} // namespace keepsift
