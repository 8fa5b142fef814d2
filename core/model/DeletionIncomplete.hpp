#pragma once

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace keepsift {

// A deletion that failed part way: the photographs named here did reach the Trash, the
// others of the request did not.
class DeletionIncomplete : public std::runtime_error {
public:
    DeletionIncomplete(std::vector<std::string> deleted, const std::string& message)
        : std::runtime_error(message), deleted_(std::move(deleted)) {}

    const std::vector<std::string>& deleted() const { return deleted_; }

private:
    std::vector<std::string> deleted_;
};

} // namespace keepsift
