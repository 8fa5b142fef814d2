#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace keepsift {

// A file's status as the read of its digest began, kept only where it proves the bytes read:
// its change time lay clearly before that read and stood through it, so that any later write
// of the file moves it.
struct DigestedStatus {
    std::int64_t number = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;

    bool operator==(const DigestedStatus&) const = default;
};

// A companion of a photograph (RAW, paired video, sidecar) as the photograph's own file was
// read: its status, and the digest of its bytes where that status proves nothing of them.
struct CompanionRead {
    DigestedStatus status;
    std::optional<std::string> digest = std::nullopt;

    bool operator==(const CompanionRead&) const = default;
};

// By file name.
using CompanionStatuses = std::map<std::string, CompanionRead>;

// A digest of a file's bytes, with the status that proves them while it stands.
struct DigestRead {
    std::string digest;
    std::optional<DigestedStatus> status = std::nullopt;
    CompanionStatuses companions = {};

    bool operator==(const DigestRead&) const = default;
};

// The bytes a photograph was reviewed with: the digest of its file as it was measured, and
// its size (0 when not known); its companions as they were then, where that was recorded.
struct ReviewedBytes {
    std::string digest;
    std::int64_t size = 0;
    std::optional<DigestedStatus> status = std::nullopt;
    CompanionStatuses companions = {};

    bool operator==(const ReviewedBytes&) const = default;
};

// By asset identifier.
using ReviewedContents = std::map<std::string, ReviewedBytes>;

} // namespace keepsift
