#include "photos/corpus-tool/FileDigest.hpp"

#include "photos/extractor/LiveSignalExtractor.hpp"

namespace keepsift::corpustool {

std::optional<std::string> fileDigest(const std::filesystem::path& file) {
    return LiveSignalExtractor::fileDigest(file.string());
}

} // namespace keepsift::corpustool
