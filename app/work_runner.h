#pragma once

#include "convert/step_progress.h"
#include "convert/status_line.h"

#include <QObject>

#include <atomic>
#include <functional>

namespace palshift {

// Runs one long step at a time on a worker thread while the interface thread goes on painting and
// taking keys, so that the step can be cancelled. run() waits for the step in a local event loop,
// so a handler that calls it still reads as its list of steps.
class WorkRunner : public QObject {
    Q_OBJECT

public:
    // What a step is given: its progress hook (empty for a step run in place; it throws once the
    // step is cancelled) and a status line whose texts reach the interface in the order set.
    using Step = std::function<void(const StepProgress& progress, StatusLine& status)>;

    explicit WorkRunner(StatusLine& status, QObject* parent = nullptr);

    // Runs step; on the interface thread at once when it has fewer pixels than backgroundPixels(),
    // otherwise on a worker thread, between started() and finished(). True when it ran to its end,
    // false when it was cancelled; rethrows what it threw.
    bool run(const Step& step, qint64 pixels);
    // Asks the running step to stop at its next row.
    void cancel() { cancelled_ = true; }
    bool isRunning() const { return running_; }

    // Steps over this many pixels run on a worker thread; 0 sends every step there.
    qint64 backgroundPixels() const { return backgroundPixels_; }
    void setBackgroundPixels(qint64 pixels) { backgroundPixels_ = pixels; }

signals:
    void started();
    void progressed(int percent);
    void finished();

private:
    void report(std::int64_t done, std::int64_t total);

    StatusLine& status_;
    qint64 backgroundPixels_ = 1'000'000;  // about a tenth of a second for the slowest step
    bool running_ = false;
    std::atomic<bool> cancelled_ = false;
    std::atomic<int> percent_ = -1;
};

}  // namespace palshift
