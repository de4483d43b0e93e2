#include "sound/bank_tuning_job.h"

#include <utility>

namespace kelvara::sound {

BankTuningJob::BankTuningJob(std::string bank_path, BankTuningCache cache, Ready ready)
    : thread_([this, path = std::move(bank_path), cache = std::move(cache),
               ready = std::move(ready)](std::stop_token stop) { run(stop, path, cache, ready); }) {
}

BankTuningJob::~BankTuningJob() {
    thread_.request_stop();
    if (thread_.joinable()) thread_.join();
}

void BankTuningJob::run(std::stop_token stop, const std::string& bank_path,
                        const BankTuningCache& cache, const Ready& ready) {
    const Result<TunedBank> tuned = tune_bank(bank_path, cache, stop);
    if (tuned && !stop.stop_requested()) ready(*tuned);
    const std::lock_guard lock(mutex_);
    done_ = true;
    if (!tuned) error_ = tuned.error();
    ended_.notify_all();
}

bool BankTuningJob::wait_for(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return ended_.wait_for(lock, timeout, [this] { return done_; });
}

std::optional<Error> BankTuningJob::error() const {
    const std::lock_guard lock(mutex_);
    return error_;
}

}  // namespace kelvara::sound
