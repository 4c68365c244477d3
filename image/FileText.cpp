#include "image/FileText.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korv {

bool FileExists(const std::string& path)
{
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool ReadFileToBuffer(const std::string& path, char* buf, size_t capacity, size_t& length, std::string& error)
{
    length = 0;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        error = std::strerror(errno);
        ::close(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        // A folder or a device is no image file.
        error = std::strerror(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
        ::close(fd);
        return false;
    }
    for (;;) {
        if (length == capacity) {
            // The buffer is full: the file fits only if nothing follows.
            char probe;
            ssize_t n = ::read(fd, &probe, 1);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                error = std::strerror(errno);
                ::close(fd);
                return false;
            }
            if (n > 0) {
                error = std::strerror(EFBIG);
                ::close(fd);
                length = 0;
                return false;
            }
            break;
        }
        ssize_t n = ::read(fd, buf + length, capacity - length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = std::strerror(errno);
            ::close(fd);
            length = 0;
            return false;
        }
        if (n == 0)
            break;
        length += static_cast<size_t>(n);
    }
    ::close(fd);
    return true;
}

} // namespace korv
