#include "cli/wav_file.h"

#include <sndfile.h>

#include <memory>
#include <vector>

#include "cli/commands.h"

namespace kelvara::cli {

namespace {
struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
}  // namespace

void write_wav_file(const std::string& path, const StereoBuffer& audio, int sample_rate) {
    SF_INFO info{};
    info.samplerate = sample_rate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    std::unique_ptr<SNDFILE, SndfileCloser> file(sf_open(path.c_str(), SFM_WRITE, &info));
    if (!file) throw UsageError("cannot write " + path + ": " + sf_strerror(nullptr));
    std::vector<float> interleaved(audio.left.size() * 2);
    for (size_t i = 0; i < audio.left.size(); ++i) {
        interleaved[2 * i] = audio.left[i];
        interleaved[2 * i + 1] = audio.right[i];
    }
    const auto frames = sf_count_t(audio.left.size());
    if (sf_writef_float(file.get(), interleaved.data(), frames) != frames)
        throw UsageError("cannot write " + path + ": " + sf_strerror(file.get()));
}

void append_audio(StereoBuffer& to, const StereoBuffer& more) {
    to.left.insert(to.left.end(), more.left.begin(), more.left.end());
    to.right.insert(to.right.end(), more.right.begin(), more.right.end());
}

}  // namespace kelvara::cli
