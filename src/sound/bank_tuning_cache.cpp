#include "sound/bank_tuning_cache.h"

#include <glib.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>

#include "sound/bank_tuning_text.h"

namespace kelvara::sound {
namespace {

constexpr const char* kCacheSubfolder = "bank-tuning";
constexpr const char* kCacheExtension = ".txt";
constexpr std::streamsize kHashChunk = 1 << 20;
// A cache file is a few hundred kilobytes for the largest banks; anything much larger is not
// one of ours.
constexpr std::uintmax_t kMaxCacheFileBytes = 64u << 20;

struct ChecksumFree {
    void operator()(GChecksum* checksum) const { g_checksum_free(checksum); }
};

std::filesystem::path absolute_variable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return {};
    std::filesystem::path path(value);
    return path.is_absolute() ? path : std::filesystem::path();
}

}  // namespace

BankTuningCache::BankTuningCache(std::filesystem::path folder) : folder_(std::move(folder)) {}

std::filesystem::path BankTuningCache::default_folder() {
    if (auto cache_home = absolute_variable("XDG_CACHE_HOME"); !cache_home.empty())
        return cache_home / "kelvara";
    if (auto home = absolute_variable("HOME"); !home.empty()) return home / ".cache" / "kelvara";
    return {};
}

std::filesystem::path BankTuningCache::file_for(const std::string& content_hash) const {
    if (folder_.empty()) return {};
    return folder_ / kCacheSubfolder / (content_hash + kCacheExtension);
}

std::optional<BankTuning> BankTuningCache::load(const std::string& content_hash) const {
    const std::filesystem::path file = file_for(content_hash);
    std::error_code error;
    if (file.empty() || !std::filesystem::is_regular_file(file, error) ||
        std::filesystem::file_size(file, error) > kMaxCacheFileBytes || error)
        return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) return std::nullopt;
    return bank_tuning_from_text(text);
}

bool BankTuningCache::store(const std::string& content_hash, const BankTuning& tuning) const {
    const std::filesystem::path file = file_for(content_hash);
    if (file.empty()) return false;
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    if (error) return false;
    std::filesystem::path temporary = file;
    temporary +=
        ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(std::random_device{}());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << bank_tuning_to_text(tuning);
        out.close();
        if (!out) {
            std::filesystem::remove(temporary, error);
            return false;
        }
    }
    std::filesystem::rename(temporary, file, error);
    if (error) std::filesystem::remove(temporary, error);
    return !error;
}

Result<std::string> bank_content_hash(const std::string& path, std::stop_token stop) {
    const auto unreadable = [&path](int errno_value) {
        return system_error(errno_value, "The sound bank \"" + path + "\" could not be read.",
                            path);
    };
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) return unreadable(errno != 0 ? errno : EIO);
    const std::unique_ptr<GChecksum, ChecksumFree> checksum(g_checksum_new(G_CHECKSUM_SHA256));
    std::vector<char> chunk(kHashChunk);
    while (in) {
        if (stop.stop_requested()) return measurement_stopped(path);
        in.read(chunk.data(), kHashChunk);
        g_checksum_update(checksum.get(), reinterpret_cast<const guchar*>(chunk.data()),
                          gssize(in.gcount()));
    }
    if (!in.eof()) return unreadable(errno != 0 ? errno : EIO);
    return std::string(g_checksum_get_string(checksum.get()));
}

Result<TunedBank> tune_bank(const std::string& path, const BankTuningCache& cache,
                            std::stop_token stop) {
    const Result<std::string> hash = bank_content_hash(path, stop);
    if (!hash) return hash.error();
    if (auto cached = cache.load(*hash)) return TunedBank{std::move(*cached), true};
    Result<BankTuning> measured = measure_bank_tuning(path, stop);
    if (!measured) return measured.error();
    cache.store(*hash, *measured);  // a cache that cannot be written only costs time
    return TunedBank{std::move(*measured), false};
}

}  // namespace kelvara::sound
