#pragma once

#include <QObject>

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <stop_token>
#include <thread>

namespace palshift {

// One pass over a picture's pixels at a time, on a thread of its own, for what the window shows
// but never waits for (the marks, the palette usage). Starting a pass stops the one before; a
// stopped pass's result is never delivered, so nothing stale reaches the screen.
class BackgroundPass : public QObject {
    Q_OBJECT

public:
    // work runs on the pass's thread and should return soon once stop is requested; done runs on
    // the interface thread after it, with what work threw (or null), unless the pass was stopped.
    using Work = std::function<void(std::stop_token stop)>;
    using Done = std::function<void(std::exception_ptr failure)>;

    ~BackgroundPass() override;

    void start(Work work, Done done);
    // Stops the pass and waits for its thread; its done never runs.
    void stop();
    // Started, and neither delivered nor stopped yet.
    bool isPending() const { return pending_; }
    // The pass's thread is working; false once its result, if any, is on its way.
    bool isWorking() const { return working_; }

signals:
    void delivered();

private:
    void deliver(std::uint64_t generation, const Done& done, std::exception_ptr failure);

    std::jthread worker_;
    std::uint64_t generation_ = 0;  // of the pass whose result may be delivered
    bool pending_ = false;
    std::atomic<bool> working_ = false;
};

}  // namespace palshift
