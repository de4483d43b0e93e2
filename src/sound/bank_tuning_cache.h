#pragma once
// Measured bank tunings kept between runs, so a bank is measured once: one text file per bank
// content (bank_tuning_text.h), named by the SHA-256 of the bank file, in the user's cache
// folder. A file that cannot be read back as a tuning is ignored, and replaced by the next
// measurement.
#include <filesystem>
#include <optional>
#include <stop_token>
#include <string>

#include "base/error.h"
#include "sound/bank_tuning.h"

namespace kelvara::sound {

class BankTuningCache {
public:
    // Files go to `folder`/bank-tuning (created when first written). An empty folder keeps
    // nothing.
    explicit BankTuningCache(std::filesystem::path folder);

    // $XDG_CACHE_HOME/kelvara when that variable holds an absolute path, else
    // $HOME/.cache/kelvara; empty when neither is known.
    static std::filesystem::path default_folder();

    const std::filesystem::path& folder() const { return folder_; }
    // The file that holds the tuning of a bank with this content hash (empty without a folder).
    std::filesystem::path file_for(const std::string& content_hash) const;

    std::optional<BankTuning> load(const std::string& content_hash) const;
    // Written to a file of its own first and then renamed into place, so another process
    // never reads half of it. False when it cannot be written.
    bool store(const std::string& content_hash, const BankTuning& tuning) const;

private:
    std::filesystem::path folder_;
};

// The SHA-256 of the file's bytes, in hex. Refused when the file cannot be read, or with
// measurement_stopped() when `stop` is requested.
Result<std::string> bank_content_hash(const std::string& path, std::stop_token stop = {});

struct TunedBank {
    BankTuning tuning;
    bool from_cache = false;
};

// The bank's tuning from the cache, or else measured (measure_bank_tuning) and then cached.
// Refused as measure_bank_tuning() refuses.
Result<TunedBank> tune_bank(const std::string& path, const BankTuningCache& cache,
                            std::stop_token stop = {});

}  // namespace kelvara::sound
