#pragma once
// Owns one open file descriptor of the operating system and closes it when it goes.
//
// Threads: an object is used by one thread at a time.
#include <unistd.h>

#include <utility>

namespace kelvara {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            if (fd_ >= 0) ::close(fd_);
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Hands the descriptor to a new owner (a stdio stream), which closes it from then on.
    int release() { return std::exchange(fd_, -1); }
    // Closes now and reports whether the close succeeded (a close can report a write error).
    bool close() { return ::close(release()) == 0; }

private:
    int fd_;
};

}  // namespace kelvara
