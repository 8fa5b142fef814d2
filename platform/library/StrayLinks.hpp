#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/library/FileSystemOps.hpp"

namespace keepsift {

// Says in the log each album link that names no photograph, once for what its text says: the
// albums are read at every listing, and a link left as it was is not told again. One put
// right and later broken again, or pointed elsewhere, is told anew.
class StrayLinks {
public:
    // The links of one read of an album that name no photograph.
    void tell(const std::string& albumFolder, const std::vector<Place>& stray);

private:
    std::mutex mutex_;
    // By album folder, then link path: the text told.
    std::map<std::string, std::map<std::string, std::string>> told_;
};

} // namespace keepsift
