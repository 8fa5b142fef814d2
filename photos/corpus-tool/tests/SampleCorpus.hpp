#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/corpus/CorpusCapture.hpp"

namespace keepsift::corpustool::testing {

namespace fs = std::filesystem;

// A folder under the system's temporary folder, removed with its contents at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// A small JPEG whose pixels follow the seed, so different seeds give different bytes.
void writeJpeg(const fs::path& file, int seed);
void writeText(const fs::path& file, const std::string& text);
// A capture folder with a manifest and one JPEG per name.
void writeCaptureFolder(const fs::path& folder, const std::vector<std::string>& names,
                        int firstSeed, CorpusCapture::Origin origin, bool humanOverrode);

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the built keepsift-corpus with its output captured in files of the scratch folder.
ToolRun tool(const ScratchFolder& scratch, const std::vector<std::string>& arguments);

} // namespace keepsift::corpustool::testing
