#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace keepsift {

// Replaces the file whole: a temporary file beside it is written and flushed to disk,
// renamed over the target, and the folder is flushed. A reader sees the old file or the
// new one, never a mixture; on any failure the old file is left as it was. A link in its place
// stays where replacedPlace() says so: the file it leads to is replaced, and nothing is written
// where it says nothing. The new file is 0600.
// Throws std::system_error.
void replaceFileAtomically(const std::filesystem::path& path, std::string_view data);
// The same, with the content handed over in parts as they are made.
void replaceFileAtomically(
    const std::filesystem::path& path,
    const std::function<void(const std::function<void(std::string_view)>&)>& parts);

// The same for a file that may find anything in its place: a folder there is swapped out in
// one step, then removed.
void replaceFileOrFolderAtomically(const std::filesystem::path& path, std::string_view data);

// Whether a file name is one a replacement gives its temporary file (".NAME.XXXXXX"), which
// a process killed while it writes leaves behind.
bool isTemporaryFileName(std::string_view name);

// Renames within one folder and flushes the folder. Throws std::system_error.
void renameFile(const std::filesystem::path& from, const std::filesystem::path& to);

// The whole content of a regular file; nothing on any failure, or when a pipe or device is in
// its place (never waited for).
std::optional<std::string> readWholeFile(const std::filesystem::path& path);
// At most the first `limit` bytes of a regular file, also behind a link; nothing on any failure,
// or when a pipe or device is in its place.
std::optional<std::string> readFileHead(const std::filesystem::path& path, std::size_t limit);

// What reading one of Keepsift's own files found.
struct PrivateFileRead {
    // Nothing when it is missing or cannot be read.
    std::optional<std::string> content;
    // Why a file that is there gave nothing; empty when it was read or is missing.
    std::string problem;
};
// One of Keepsift's own files, read as readFileHead() reads: a regular file only, also behind a
// link (a link that leads nowhere is a missing file); and only when it is no larger than
// `limit` bytes.
PrivateFileRead readPrivateFile(const std::filesystem::path& path, std::size_t limit);

} // namespace keepsift
