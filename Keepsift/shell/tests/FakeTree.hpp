#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/files/tests/TemporaryFolder.hpp"

namespace keepsift::testing {

// A fake kernel attribute tree in a temporary folder.
class FakeTree {
public:
    const std::filesystem::path& root() const { return folder_.path(); }
    void write(const std::string& relative, const std::string& value) const {
        const auto file = root() / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << value << "\n";
    }

private:
    TemporaryFolder folder_;
};

} // namespace keepsift::testing
