#pragma once
// Whole-file reads and writes for document files. A write replaces the file atomically: the
// bytes go to a new file in the same folder, which is flushed to disk and then renamed over
// the target, so at every moment the target holds either all of the old content or all of
// the new. Any failure leaves the old file as it was and removes the temporary file.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/error.h"

namespace kelvara {

// Success, or the operating system's error (ErrorKind::System).
// A new file gets the permissions the process's umask allows; a replaced file keeps its own.
// When the target is a symbolic link, the file it points to is replaced. A target that is not
// a regular file (a named pipe, a device, a folder) is refused and left as it is.
Result<void> write_file_atomically(const std::filesystem::path& path, std::string_view bytes);

// The whole file, or the operating system's error. A file longer than `max_bytes` is refused
// with EFBIG before anything is read into memory. Anything but a regular file is refused
// without waiting (base/regular_file.h).
Result<std::string> read_whole_file(const std::filesystem::path& path, size_t max_bytes);

}  // namespace kelvara
