#pragma once
// The bytes of an audio file, from a file on disk or from memory, as libsndfile reads them
// (through its virtual I/O) and as the header checks of the audio reader read them.
//
// Threads: an object is used by one thread at a time.
#include <sndfile.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace kelvara {

class AudioByteSource {
public:
    virtual ~AudioByteSource() = default;
    virtual int64_t size() const = 0;
    // Up to `count` bytes from `offset`; how many were read (fewer only at the end or on a
    // read error, which error_text() then describes).
    virtual int64_t read_at(int64_t offset, void* into, int64_t count) = 0;
    // The operating system's description of the last failure to read, if any.
    virtual std::optional<std::string> error_text() const { return std::nullopt; }

    // libsndfile's cursor over this source.
    int64_t position = 0;
};

// A regular file, open for reading while the object lives.
class FileByteSource final : public AudioByteSource {
public:
    // Nothing when the file cannot be opened or is not a regular file; `error` then says why.
    static std::unique_ptr<FileByteSource> open(const std::filesystem::path& path,
                                                std::string& error);

    int64_t size() const override { return size_; }
    int64_t read_at(int64_t offset, void* into, int64_t count) override;
    std::optional<std::string> error_text() const override { return error_; }

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    int64_t size_ = 0;
    std::optional<std::string> error_;
};

// Bytes owned by the caller, which outlive the object.
class MemoryByteSource final : public AudioByteSource {
public:
    explicit MemoryByteSource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    int64_t size() const override { return static_cast<int64_t>(bytes_.size()); }
    int64_t read_at(int64_t offset, void* into, int64_t count) override;

private:
    std::span<const uint8_t> bytes_;
};

// libsndfile's virtual I/O over an AudioByteSource (passed as its user data); reads only.
SF_VIRTUAL_IO audio_byte_source_io();

}  // namespace kelvara
