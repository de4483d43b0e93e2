#include "document/recovery_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <utility>

#include "persistence/atomic_file.h"

namespace kelvara {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kLockExtension = ".lock";
constexpr std::string_view kDocumentExtension = ".kelvara";
constexpr std::string_view kOriginExtension = ".origin";
// A path is a few hundred bytes; anything longer in an origin file is not one.
constexpr size_t kMaxOriginBytes = 64 * 1024;
// Names tried per process before giving up: stale lock files of earlier processes with
// the same id are skipped, never reused.
constexpr int kSlotNameAttempts = 1000;

// Locks `path`'s file without waiting; the descriptor, or -1 when its lock is held by a
// live owner (or the file is gone or was replaced meanwhile).
int lock_existing(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return -1;
    struct stat held {};
    struct stat named {};
    // Locked, and still the file the name points to: a clean close unlinks the name before
    // it lets the lock go, so a lock taken on an unlinked file means nothing.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &held) != 0 ||
        ::stat(path.c_str(), &named) != 0 || held.st_ino != named.st_ino ||
        held.st_dev != named.st_dev) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void remove_quietly(const fs::path& path) {
    std::error_code ignored;
    fs::remove(path, ignored);
}

}  // namespace

fs::path recovery_folder(const char* xdg_state_home, const char* home) {
    if (xdg_state_home != nullptr && xdg_state_home[0] == '/')
        return fs::path(xdg_state_home) / "kelvara";
    if (home != nullptr && home[0] != '\0') return fs::path(home) / ".local/state/kelvara";
    return {};
}

fs::path default_recovery_folder() {
    return recovery_folder(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
}

RecoverySlot::RecoverySlot(fs::path folder, std::string name, int lock_fd)
    : folder_(std::move(folder)), name_(std::move(name)), lock_fd_(lock_fd) {}

RecoverySlot::RecoverySlot(RecoverySlot&& other) noexcept
    : folder_(std::move(other.folder_)),
      name_(std::move(other.name_)),
      lock_fd_(std::exchange(other.lock_fd_, -1)),
      written_origin_(std::move(other.written_origin_)),
      origin_written_(other.origin_written_) {}

RecoverySlot& RecoverySlot::operator=(RecoverySlot&& other) noexcept {
    if (this != &other) {
        release();
        folder_ = std::move(other.folder_);
        name_ = std::move(other.name_);
        lock_fd_ = std::exchange(other.lock_fd_, -1);
        written_origin_ = std::move(other.written_origin_);
        origin_written_ = other.origin_written_;
    }
    return *this;
}

RecoverySlot::~RecoverySlot() {
    release();
}

void RecoverySlot::release() {
    if (lock_fd_ >= 0) ::close(lock_fd_);
    lock_fd_ = -1;
}

Result<RecoverySlot> RecoverySlot::create(const fs::path& folder) {
    const std::string description = "The recovery folder \"" + folder.string() +
                                    "\" cannot be used; edits are not kept for recovery.";
    std::error_code made;
    fs::create_directories(folder, made);
    if (made) return system_error(made.value(), description, folder.string());
    ::chmod(folder.c_str(), 0700);
    const std::string prefix = "document-" + std::to_string(::getpid()) + "-";
    for (int n = 1; n <= kSlotNameAttempts; ++n) {
        std::string name = prefix + std::to_string(n);
        const fs::path lock = folder / (name + std::string(kLockExtension));
        const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return system_error(errno, description, lock.string());
        }
        // Another Kelvara looking for orphans may have locked the new file first; it leaves
        // it alone once it sees no document, and this process takes the next name.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            continue;
        }
        return RecoverySlot(folder, std::move(name), fd);
    }
    return system_error(EEXIST, description, folder.string());
}

std::vector<RecoverySlot> RecoverySlot::claim_orphans(const fs::path& folder) {
    std::vector<std::pair<fs::file_time_type, RecoverySlot>> found;
    std::error_code listing;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, listing)) {
        const fs::path& path = entry.path();
        if (path.extension() != kLockExtension) continue;
        const int fd = lock_existing(path);
        if (fd < 0) continue;
        RecoverySlot slot(folder, path.stem().string(), fd);
        std::error_code no_time;
        const fs::file_time_type written = fs::last_write_time(slot.document_path(), no_time);
        if (no_time) {
            // Its owner died before it had anything to keep.
            slot.discard();
            continue;
        }
        found.emplace_back(written, std::move(slot));
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<RecoverySlot> orphans;
    for (auto& [written, slot] : found) orphans.push_back(std::move(slot));
    return orphans;
}

fs::path RecoverySlot::path_with(std::string_view extension) const {
    return folder_ / (name_ + std::string(extension));
}

fs::path RecoverySlot::document_path() const {
    return path_with(kDocumentExtension);
}

std::string RecoverySlot::origin() const {
    Result<std::string> text = read_whole_file(path_with(kOriginExtension), kMaxOriginBytes);
    return text ? std::move(*text) : std::string();
}

bool RecoverySlot::has_document() const {
    std::error_code ignored;
    return fs::exists(document_path(), ignored);
}

Result<void> RecoverySlot::write(std::string_view document_text, const std::string& origin) {
    if (!origin_written_ || origin != written_origin_) {
        if (origin.empty()) {
            remove_quietly(path_with(kOriginExtension));
        } else if (Result<void> kept = write_file_atomically(path_with(kOriginExtension), origin);
                   !kept) {
            return kept;
        }
        written_origin_ = origin;
        origin_written_ = true;
    }
    return write_file_atomically(document_path(), document_text);
}

void RecoverySlot::remove_document() {
    remove_quietly(document_path());
}

void RecoverySlot::discard() {
    if (lock_fd_ < 0) return;
    remove_quietly(document_path());
    remove_quietly(path_with(kOriginExtension));
    // The name goes before the lock, so nobody can lock the file and take it for an orphan.
    remove_quietly(path_with(kLockExtension));
    release();
}

}  // namespace kelvara
