#include "platform/files/OpenedFile.hpp"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace keepsift {

OpenedFile::OpenedFile(const std::filesystem::path& path) {
    if (::stat(path.c_str(), &info) != 0) {
        error = errno;
        return;
    }
    if (!S_ISREG(info.st_mode)) return;
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0 || ::fstat(fd, &info) != 0) error = errno;
}

OpenedFile::~OpenedFile() {
    if (fd >= 0) ::close(fd);
}

} // namespace keepsift
