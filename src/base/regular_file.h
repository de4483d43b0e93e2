#pragma once
// The one check of what a path names before Kelvara reads or saves it. Kelvara's files
// (documents, scale and keyboard-mapping files, tuning dumps, recordings, banks, renders) are
// regular files: a named pipe would make an open or a read wait for another program, a device
// would be read without end or replaced by the rename of an atomic save, a folder holds no
// bytes. A symbolic link counts as what it points to.
//
// Pure functions of the file system: safe on any thread.
#include <filesystem>
#include <string>

#include "base/error.h"
#include "base/file_descriptor.h"

namespace kelvara {

// `path` open for reading (blocking reads, close-on-exec). The open itself never waits: it is
// made without blocking, and anything but a regular file is refused (ErrorKind::Refused, the
// reason says what the path is instead) before the descriptor is switched back to blocking
// reads. An operating system refusal is ErrorKind::System. `description` is the heading.
Result<FileDescriptor> open_regular_file_for_reading(const std::filesystem::path& path,
                                                     const std::string& description);

// Whether `path` may be saved over: it does not exist yet (nor does the file a symbolic link
// names), or it is a regular file. A named pipe, a device, a socket or a folder is refused,
// with `description` as the heading, before anything is created.
Result<void> check_save_target(const std::filesystem::path& path, const std::string& description);

}  // namespace kelvara
