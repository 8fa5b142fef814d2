#pragma once

#include <filesystem>
#include <string>

namespace keepsift::bench {

// A fresh folder of its own under the temporary directory, removed with all it holds when it
// goes out of scope, when the process exits, and when the process is ended by SIGINT, SIGTERM
// or SIGHUP (a Ctrl+C, `timeout`, a closed terminal): a benchmark stopped early leaves nothing
// behind. A signal the process ignores stays ignored.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    operator const std::filesystem::path&() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& below) const {
        return path_ / below;
    }

private:
    std::filesystem::path path_;
    int slot_ = -1;
};

} // namespace keepsift::bench
