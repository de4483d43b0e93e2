#include "persistence/audio_byte_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <system_error>

#include "base/regular_file.h"

namespace kelvara {

std::unique_ptr<FileByteSource> FileByteSource::open(const std::filesystem::path& path,
                                                     std::string& error) {
    Result<FileDescriptor> opened = open_regular_file_for_reading(path, "");
    if (!opened) {
        const Error& refused = opened.error();
        error = refused.kind == ErrorKind::System ? refused.reason : refused.detail;
        return nullptr;
    }
    auto source = std::unique_ptr<FileByteSource>(new FileByteSource());
    // The stream owns the descriptor once it is made.
    source->file_.reset(::fdopen(opened->get(), "rb"));
    if (source->file_) opened->release();
    if (!source->file_ || fseeko(source->file_.get(), 0, SEEK_END) != 0) {
        error = std::generic_category().message(errno);
        return nullptr;
    }
    source->size_ = static_cast<int64_t>(ftello(source->file_.get()));
    if (source->size_ < 0) {
        error = std::generic_category().message(errno);
        return nullptr;
    }
    return source;
}

int64_t FileByteSource::read_at(int64_t offset, void* into, int64_t count) {
    if (offset < 0 || count <= 0 || offset >= size_) return 0;
    if (fseeko(file_.get(), static_cast<off_t>(offset), SEEK_SET) != 0) {
        error_ = std::generic_category().message(errno);
        return 0;
    }
    const size_t got = std::fread(into, 1, static_cast<size_t>(count), file_.get());
    if (got < static_cast<size_t>(count) && std::ferror(file_.get())) {
        error_ = std::generic_category().message(errno);
        std::clearerr(file_.get());
    }
    return static_cast<int64_t>(got);
}

int64_t MemoryByteSource::read_at(int64_t offset, void* into, int64_t count) {
    if (offset < 0 || count <= 0 || offset >= size()) return 0;
    const int64_t n = std::min(count, size() - offset);
    std::memcpy(into, bytes_.data() + offset, static_cast<size_t>(n));
    return n;
}

namespace {

AudioByteSource& source_of(void* user_data) {
    return *static_cast<AudioByteSource*>(user_data);
}

sf_count_t io_length(void* user_data) {
    return source_of(user_data).size();
}

sf_count_t io_seek(sf_count_t offset, int whence, void* user_data) {
    AudioByteSource& source = source_of(user_data);
    int64_t base = 0;
    if (whence == SEEK_CUR) base = source.position;
    if (whence == SEEK_END) base = source.size();
    // Before the start is refused; beyond the end reads nothing.
    if (offset < 0 ? -offset > base : offset > std::numeric_limits<int64_t>::max() - base)
        return -1;
    source.position = base + offset;
    return source.position;
}

sf_count_t io_read(void* into, sf_count_t count, void* user_data) {
    AudioByteSource& source = source_of(user_data);
    const int64_t got = source.read_at(source.position, into, count);
    source.position += got;
    return got;
}

sf_count_t io_tell(void* user_data) {
    return source_of(user_data).position;
}

}  // namespace

SF_VIRTUAL_IO audio_byte_source_io() {
    return {io_length, io_seek, io_read, nullptr, io_tell};
}

}  // namespace kelvara
