#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/corpus/CaptureManifest.hpp"

namespace keepsift::corpustool {

namespace fs = std::filesystem;

// The visible sub-folders of a folder, in name order; BadInput when it is no folder.
std::vector<fs::path> subfolders(const fs::path& folder);
// The visible image files of a folder, in name order.
std::vector<fs::path> photographFiles(const fs::path& folder);
// The folder's manifest, absent when it has none; BadInput naming it when it does not read.
std::optional<CorpusCapture::Manifest> readManifest(const fs::path& folder);

std::string fileName(const fs::path& path);
std::string readFile(const fs::path& file); // BadInput naming the file
// Replaces the file only once the new bytes are complete on disk.
void writeFileAtomically(const fs::path& file, const std::string& bytes);

} // namespace keepsift::corpustool
