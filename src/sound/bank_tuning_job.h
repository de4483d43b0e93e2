#pragma once
// A bank's tuning found on a thread of its own (tune_bank: from the cache, or measured), so
// that loading a bank, and the sound, never wait for it.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "sound/bank_tuning_cache.h"

namespace kelvara::sound {

class BankTuningJob {
public:
    // Called on the job's thread once the tuning is known; not when the bank cannot be
    // measured, nor when the job is stopped first.
    using Ready = std::function<void(const TunedBank&)>;

    // Starts at once.
    BankTuningJob(std::string bank_path, BankTuningCache cache, Ready ready);
    // Asks the job to stop and waits for its thread, which stops between two samples.
    ~BankTuningJob();
    BankTuningJob(const BankTuningJob&) = delete;
    BankTuningJob& operator=(const BankTuningJob&) = delete;

    // Waits up to `timeout` for the job to end; true when it has (with or without a tuning).
    bool wait_for(std::chrono::milliseconds timeout) const;
    // Why the bank could not be measured, once the job has ended without a tuning.
    std::optional<Error> error() const;

private:
    void run(std::stop_token stop, const std::string& bank_path, const BankTuningCache& cache,
             const Ready& ready);

    mutable std::mutex mutex_;  // guards done_ and error_
    mutable std::condition_variable ended_;
    bool done_ = false;
    std::optional<Error> error_;
    std::jthread thread_;  // last: it starts once everything it uses exists
};

}  // namespace kelvara::sound
