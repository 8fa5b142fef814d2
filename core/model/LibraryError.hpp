#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace keepsift {

// The error every photo-library implementation throws; the engine passes it on unchanged.
class LibraryError : public std::runtime_error {
public:
    enum class Kind { albumWriteIncomplete, notAuthorised };

    static LibraryError albumWriteIncomplete(std::int64_t missing) {
        return LibraryError(Kind::albumWriteIncomplete, missing);
    }
    static LibraryError notAuthorised() { return LibraryError(Kind::notAuthorised, 0); }

    Kind kind() const { return kind_; }
    // How many photographs the rejects album still lacks after a failed write.
    std::int64_t missing() const { return missing_; }

    bool operator==(const LibraryError& other) const {
        return kind_ == other.kind_ && missing_ == other.missing_;
    }

private:
    LibraryError(Kind kind, std::int64_t missing)
        : std::runtime_error(kind == Kind::notAuthorised
                                 ? std::string("the library may not be read")
                                 : "the rejects album still lacks " + std::to_string(missing) +
                                       " photographs"),
          kind_(kind), missing_(missing) {}

    Kind kind_;
    std::int64_t missing_;
};

} // namespace keepsift
