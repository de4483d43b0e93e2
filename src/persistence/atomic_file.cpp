#include "persistence/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "base/file_descriptor.h"
#include "base/regular_file.h"

namespace kelvara {
namespace {

// Removes the temporary file unless the rename consumed it.
class TemporaryFile {
public:
    explicit TemporaryFile(std::filesystem::path path) : path_(std::move(path)) {}
    ~TemporaryFile() {
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::filesystem::path& path() const { return path_; }
    void release() { path_.clear(); }

private:
    std::filesystem::path path_;
};

// Creating a uniquely named file is retried this often when a name is taken; more
// collisions than that mean something else is wrong.
constexpr int kTemporaryNameAttempts = 64;

std::filesystem::path resolve_target(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(path, ec)) return path;
    const auto target = std::filesystem::canonical(path, ec);
    return ec ? path : target;
}

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// Flushes the folder so the rename itself survives a crash. Some file systems cannot sync a
// folder; the file is in place by then, so that is not reported.
void sync_folder(const std::filesystem::path& folder) {
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid()) ::fsync(fd.get());
}

}  // namespace

Result<void> write_file_atomically(const std::filesystem::path& path, std::string_view bytes) {
    const std::filesystem::path target = resolve_target(path);
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    const std::string description = "The file \"" + path.string() + "\" could not be saved.";
    const auto refused = [&](int errno_value) {
        return system_error(errno_value, description, path.string());
    };

    // The rename would put a regular file where a named pipe or a device was: refused first,
    // so nothing is created and the special file stays as it is.
    if (Result<void> target_kind = check_save_target(target, description); !target_kind)
        return target_kind;

    std::random_device entropy;
    int fd_value = -1;
    std::filesystem::path temporary_path;
    for (int attempt = 0; attempt < kTemporaryNameAttempts && fd_value < 0; ++attempt) {
        temporary_path =
            folder / ("." + target.filename().string() + ".saving-" + std::to_string(entropy()));
        fd_value = ::open(temporary_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_value < 0 && errno != EEXIST) break;
    }
    if (fd_value < 0) return refused(errno);
    FileDescriptor fd(fd_value);
    TemporaryFile temporary(temporary_path);

    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0) ::fchmod(fd.get(), existing.st_mode & 07777);

    if (!write_all(fd.get(), bytes) || ::fsync(fd.get()) != 0 || !fd.close()) return refused(errno);
    if (::rename(temporary.path().c_str(), target.c_str()) != 0) return refused(errno);
    temporary.release();
    sync_folder(folder);
    return {};
}

Result<std::string> read_whole_file(const std::filesystem::path& path, size_t max_bytes) {
    const std::string description = "The file \"" + path.string() + "\" could not be read.";
    const auto refused = [&](int errno_value) -> Result<std::string> {
        return system_error(errno_value, description, path.string());
    };
    Result<FileDescriptor> opened = open_regular_file_for_reading(path, description);
    if (!opened) return opened.error();
    const FileDescriptor fd = std::move(*opened);
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(fd.get(), buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) continue;
            return refused(errno);
        }
        if (count == 0) return content;
        // The size is checked as the data arrives: a file that grows, or a device without
        // a size, is bounded too.
        if (content.size() + static_cast<size_t>(count) > max_bytes) return refused(EFBIG);
        content.append(buffer, static_cast<size_t>(count));
    }
}

}  // namespace kelvara
