#include "app/work_runner.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QThread>

#include <exception>
#include <memory>
#include <string>

namespace palshift {

namespace {

// Thrown through the step by the progress hook once the step is cancelled.
struct Cancelled {};

// Hands each text to the interface thread's status line, in order.
class RelayedStatusLine final : public StatusLine {
public:
    RelayedStatusLine(QObject& context, StatusLine& target) : context_(context), target_(target) {}

    void setText(std::string_view text) override
    {
        QMetaObject::invokeMethod(&context_, [&target = target_, text = std::string(text)] { target.setText(text); });
    }

private:
    QObject& context_;
    StatusLine& target_;
};

}  // namespace

WorkRunner::WorkRunner(StatusLine& status, QObject* parent) : QObject(parent), status_(status) {}

bool WorkRunner::run(const Step& step, qint64 pixels)
{
    Q_ASSERT(!running_);
    cancelled_ = false;
    percent_ = -1;
    if (pixels < backgroundPixels_) {
        step({}, status_);  // over before anything could show its progress or cancel it
        return true;
    }
    const StepProgress progress = [this](std::int64_t done, std::int64_t total) { report(done, total); };

    running_ = true;
    emit started();
    RelayedStatusLine status(*this, status_);
    std::exception_ptr failure;
    bool wasCancelled = false;
    const std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            step(progress, status);
        } catch (const Cancelled&) {
            wasCancelled = true;
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QEventLoop loop;
    // Queued after the step's last status text, so the interface has shown it when run() returns.
    connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    worker->start();
    loop.exec();
    worker->wait();
    running_ = false;
    emit finished();

    if (failure)
        std::rethrow_exception(failure);
    return !wasCancelled;
}

void WorkRunner::report(std::int64_t done, std::int64_t total)
{
    if (cancelled_)
        throw Cancelled{};
    const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
    if (percent_.exchange(percent) != percent)
        emit progressed(percent);
}

}  // namespace palshift
