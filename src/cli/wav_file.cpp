#include "cli/wav_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "base/regular_file.h"
#include "cli/commands.h"
#include "persistence/atomic_file.h"

namespace kelvara::cli {

namespace {
struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};

// The bytes of the WAV file as libsndfile writes them, kept in memory so that the file is
// saved the way every other file is: atomically, and never over a named pipe or a device.
struct MemoryFile {
    std::string bytes;
    sf_count_t position = 0;
};

MemoryFile& file_of(void* user_data) {
    return *static_cast<MemoryFile*>(user_data);
}

sf_count_t memory_length(void* user_data) {
    return sf_count_t(file_of(user_data).bytes.size());
}

sf_count_t memory_seek(sf_count_t offset, int whence, void* user_data) {
    MemoryFile& file = file_of(user_data);
    sf_count_t base = 0;
    if (whence == SEEK_CUR) base = file.position;
    if (whence == SEEK_END) base = sf_count_t(file.bytes.size());
    if (offset < -base || offset > std::numeric_limits<sf_count_t>::max() - base) return -1;
    file.position = base + offset;
    return file.position;
}

sf_count_t memory_read(void* into, sf_count_t count, void* user_data) {
    MemoryFile& file = file_of(user_data);
    const auto size = sf_count_t(file.bytes.size());
    if (count <= 0 || file.position >= size) return 0;
    const sf_count_t n = std::min(count, size - file.position);
    std::memcpy(into, file.bytes.data() + file.position, size_t(n));
    file.position += n;
    return n;
}

sf_count_t memory_write(const void* from, sf_count_t count, void* user_data) {
    MemoryFile& file = file_of(user_data);
    if (count <= 0) return 0;
    const auto end = size_t(file.position + count);
    if (end > file.bytes.size()) file.bytes.resize(end);
    std::memcpy(file.bytes.data() + file.position, from, size_t(count));
    file.position += count;
    return count;
}

sf_count_t memory_tell(void* user_data) {
    return file_of(user_data).position;
}

// Frames handed to libsndfile at a time: the audio is interleaved a block at a time.
constexpr size_t kFramesPerWrite = 8192;

}  // namespace

void write_wav_file(const std::string& path, const StereoBuffer& audio, int sample_rate) {
    SF_INFO info{};
    info.samplerate = sample_rate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    MemoryFile memory;
    memory.bytes.reserve(audio.left.size() * 2 * sizeof(float) + 1024);
    SF_VIRTUAL_IO io{memory_length, memory_seek, memory_read, memory_write, memory_tell};
    {
        std::unique_ptr<SNDFILE, SndfileCloser> file(
            sf_open_virtual(&io, SFM_WRITE, &info, &memory));
        if (!file) throw std::runtime_error("cannot write " + path + ": " + sf_strerror(nullptr));
        std::vector<float> interleaved(kFramesPerWrite * 2);
        for (size_t start = 0; start < audio.left.size(); start += kFramesPerWrite) {
            const size_t frames = std::min(kFramesPerWrite, audio.left.size() - start);
            for (size_t i = 0; i < frames; ++i) {
                interleaved[2 * i] = audio.left[start + i];
                interleaved[2 * i + 1] = audio.right[start + i];
            }
            if (sf_writef_float(file.get(), interleaved.data(), sf_count_t(frames)) !=
                sf_count_t(frames))
                throw std::runtime_error("cannot write " + path + ": " + sf_strerror(file.get()));
        }
    }  // closing the file completes its header
    if (const Result<void> written = write_file_atomically(path, memory.bytes); !written)
        throw DocumentFileFailure(written.error());
}

void check_wav_target(const std::string& path) {
    if (const Result<void> target =
            check_save_target(path, "The file \"" + path + "\" could not be saved.");
        !target)
        throw DocumentFileFailure(target.error());
}

void append_audio(StereoBuffer& to, const StereoBuffer& more) {
    to.left.insert(to.left.end(), more.left.begin(), more.left.end());
    to.right.insert(to.right.end(), more.right.begin(), more.right.end());
}

}  // namespace kelvara::cli
