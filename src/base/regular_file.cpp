#include "base/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

namespace kelvara {
namespace {

// What a file that is not a regular one is, as a sentence calls it.
std::string kind_of(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a named pipe (FIFO)";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

Error not_a_file(const std::filesystem::path& path, mode_t mode, const std::string& description) {
    const std::string kind = kind_of(mode);
    Error error;
    error.description = description;
    error.reason = "\"" + path.filename().string() + "\" is " + kind +
                   ", not a file: Kelvara reads and saves regular files only.";
    error.detail = "it is " + kind + ", not a file";
    error.where.file = path.string();
    return error;
}

}  // namespace

Result<FileDescriptor> open_regular_file_for_reading(const std::filesystem::path& path,
                                                     const std::string& description) {
    // O_NONBLOCK: opening a named pipe for reading would otherwise wait for a writer.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) return system_error(errno, description, path.string());
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return system_error(errno, description, path.string());
    if (!S_ISREG(info.st_mode)) return not_a_file(path, info.st_mode, description);
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return system_error(errno, description, path.string());
    return fd;
}

Result<void> check_save_target(const std::filesystem::path& path, const std::string& description) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        // Nothing there yet (or a link to nothing): the save creates it.
        if (errno == ENOENT) return {};
        return system_error(errno, description, path.string());
    }
    if (!S_ISREG(info.st_mode)) return not_a_file(path, info.st_mode, description);
    return {};
}

}  // namespace kelvara
