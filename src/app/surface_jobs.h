#pragma once
// SurfaceJobs: the triad surfaces a window asks for (engine/triad_surface.h and
// surface_minima.h), computed one after another on a worker of Qt's pool, never on the
// user-interface thread. Each job has its own copy of the curve and a progress the jobs
// watch and can cancel. A request replaces what is queued and cancels the job running, so
// a zoom or a drag never waits behind surfaces nobody looks at any more.
//
// Threads: the user-interface thread, except the computing itself.
#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "engine/curve_definition.h"
#include "engine/surface_minima.h"
#include "engine/triad_surface.h"

namespace kelvara {

class SurfaceJobs final : public QObject {
    Q_OBJECT

public:
    struct Request {
        CurveDefinition curve;
        SurfaceRange range;
        bool with_minima = false;
    };

    explicit SurfaceJobs(QObject* parent = nullptr);
    // A job still running is cancelled and waited for.
    ~SurfaceJobs() override;

    // These run in turn, in place of whatever was queued; the one running is cancelled.
    void request(std::vector<Request> requests);
    // Cancels the running job and forgets the queued ones.
    void cancel();
    bool running() const { return running_.has_value(); }
    // The share done of the running job, 0 to 100: its rows, then its minima.
    int percent_done() const;
    // Waits until every job has ended and its answer is out (tests, screenshots).
    void wait_until_idle();

signals:
    void job_started(const kelvara::SurfaceJobs::Request& request);
    // A job's answer: the grid, and its minima when it searched them.
    void computed(const kelvara::SurfaceJobs::Request& request, const kelvara::SurfaceGrid& grid,
                  const std::vector<kelvara::SurfaceMinimum>& minima);
    // A job refused, or cancelled by cancel() (its reason kSurfaceCancelled).
    void refused(const QString& reason);

private:
    struct Answer {
        std::optional<SurfaceGrid> grid;
        std::vector<SurfaceMinimum> minima;
        QString refusal;  // empty when computed
    };
    static Answer compute(const Request& request, SurfaceProgress& progress);
    void start_next();
    void finished();

    QFutureWatcher<Answer> watcher_;
    std::optional<Request> running_;
    std::shared_ptr<SurfaceProgress> progress_;  // of the running job
    std::deque<Request> queue_;
};

}  // namespace kelvara
