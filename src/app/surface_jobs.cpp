// The triad surfaces computed off the user-interface thread (surface_jobs.h).
#include "app/surface_jobs.h"

#include <QCoreApplication>
#include <QtConcurrent/QtConcurrentRun>

namespace kelvara {

SurfaceJobs::SurfaceJobs(QObject* parent) : QObject(parent) {
    connect(&watcher_, &QFutureWatcher<Answer>::finished, this, &SurfaceJobs::finished);
}

SurfaceJobs::~SurfaceJobs() {
    queue_.clear();
    if (progress_) progress_->cancel = true;
    watcher_.waitForFinished();
}

SurfaceJobs::Answer SurfaceJobs::compute(const Request& request, SurfaceProgress& progress) {
    Answer answer;
    Result<SurfaceGrid> grid = sample_surface(request.curve, request.range, &progress);
    if (!grid) {
        answer.refusal = QString::fromStdString(grid.error().reason);
        return answer;
    }
    if (request.with_minima) {
        Result<std::vector<SurfaceMinimum>> minima =
            find_surface_minima(request.curve, *grid, kDefaultTriadToleranceCents, &progress);
        if (!minima) {
            answer.refusal = QString::fromStdString(minima.error().reason);
            return answer;
        }
        answer.minima = std::move(*minima);
    }
    answer.grid = std::move(*grid);
    return answer;
}

void SurfaceJobs::request(std::vector<Request> requests) {
    queue_.assign(std::make_move_iterator(requests.begin()),
                  std::make_move_iterator(requests.end()));
    if (running_)
        progress_->cancel = true;  // finished() starts what is queued
    else
        start_next();
}

void SurfaceJobs::cancel() {
    queue_.clear();
    if (progress_) progress_->cancel = true;
}

int SurfaceJobs::percent_done() const {
    if (!running_ || !progress_) return 0;
    const int32_t rows = running_->range.size;
    const int32_t minima = progress_->minima_to_refine.load();
    if (!running_->with_minima) return progress_->rows_done.load() * 100 / rows;
    // The rows first, then the minima refined, each half of the bar.
    return minima > 0 ? 50 + progress_->minima_done.load() * 50 / minima
                      : progress_->rows_done.load() * 50 / rows;
}

void SurfaceJobs::start_next() {
    if (running_ || queue_.empty()) return;
    running_ = std::move(queue_.front());
    queue_.pop_front();
    progress_ = std::make_shared<SurfaceProgress>();
    emit job_started(*running_);
    watcher_.setFuture(QtConcurrent::run(
        [request = *running_, progress = progress_] { return compute(request, *progress); }));
}

void SurfaceJobs::finished() {
    const Request done = std::move(*running_);
    running_.reset();
    const Answer answer = watcher_.result();
    // A job cancelled for the next one says nothing.
    const bool superseded = !queue_.empty() && answer.refusal == QString(kSurfaceCancelled);
    if (answer.grid)
        emit computed(done, *answer.grid, answer.minima);
    else if (!superseded)
        emit refused(answer.refusal);
    start_next();
}

void SurfaceJobs::wait_until_idle() {
    while (running_ || !queue_.empty()) {
        watcher_.waitForFinished();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

}  // namespace kelvara
