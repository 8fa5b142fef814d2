#pragma once

#include <cstdint>

namespace keepsift {

// What the file system tells of the file behind a photograph, where the library says: its
// number on its drive and when its status last changed. Either moves when the file is
// replaced or rewritten at its path, also within its modification second, and when it is
// only touched (chmod, times set back): its bytes tell which.
struct FileIdentity {
    std::int64_t number = 0;
    std::int64_t changedNs = 0;
    // The drive the number is of, kept across a remount where the system can tell; 0 where not
    // known, as in indexes of earlier builds. Numbers of two drives say nothing of each other.
    std::int64_t fileSystem = 0;

    bool operator==(const FileIdentity&) const = default;
};

// Known to be two files: other numbers, or other drives where both are known.
inline bool otherFiles(const FileIdentity& a, const FileIdentity& b) {
    return a.number != b.number ||
           (a.fileSystem != 0 && b.fileSystem != 0 && a.fileSystem != b.fileSystem);
}

// Known to be one file under two names or at two times: one number on one known drive.
inline bool oneFile(const FileIdentity& a, const FileIdentity& b) {
    return a.number == b.number && a.fileSystem != 0 && a.fileSystem == b.fileSystem;
}

} // namespace keepsift
