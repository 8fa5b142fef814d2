#include "photos/corpus-tool/tests/SampleCorpus.hpp"

#include <atomic>
#include <fstream>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <sys/wait.h>
#include <unistd.h>

#include "core/corpus/CaptureManifest.hpp"
#include "photos/corpus-tool/CorpusFolders.hpp"

namespace keepsift::corpustool::testing {

ScratchFolder::ScratchFolder() {
    static std::atomic<int> counter = 0;
    path_ = fs::temp_directory_path() / ("keepsift-corpus-test-" + std::to_string(::getpid()) +
                                         "-" + std::to_string(counter++));
    fs::remove_all(path_);
    fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void writeJpeg(const fs::path& file, int seed) {
    cv::Mat image(48, 64, CV_8UC3);
    cv::RNG random(static_cast<std::uint64_t>(seed) + 1);
    random.fill(image, cv::RNG::UNIFORM, 0, 256);
    cv::imwrite(file.string(), image);
}

void writeText(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

void writeCaptureFolder(const fs::path& folder, const std::vector<std::string>& names,
                        int firstSeed, CorpusCapture::Origin origin, bool humanOverrode) {
    fs::create_directories(folder);
    CorpusCapture::Manifest manifest;
    manifest.capturedAt = Date{800000000};
    manifest.appVersion = "0.1.2";
    manifest.groupID = "group";
    manifest.origin = origin;
    manifest.humanOverrode = humanOverrode;
    int seed = firstSeed;
    for (const auto& name : names) {
        writeJpeg(folder / name, seed++);
        manifest.entries.push_back({name, name, name, false, false, {}, {}, {}});
    }
    writeText(folder / std::string(CorpusCapture::manifestFilename), manifest.encoded());
}

namespace {

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

} // namespace

ToolRun tool(const ScratchFolder& scratch, const std::vector<std::string>& arguments) {
    std::string command = quoted(KEEPSIFT_CORPUS_BINARY);
    for (const auto& argument : arguments)
        command.append(" ").append(quoted(argument));
    const fs::path out = scratch.path() / "stdout.txt", err = scratch.path() / "stderr.txt";
    command.append(" >").append(quoted(out.string())).append(" 2>").append(quoted(err.string()));
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(out), readFile(err)};
}

} // namespace keepsift::corpustool::testing
