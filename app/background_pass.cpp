#include "app/background_pass.h"

#include <QMetaObject>

#include <utility>

namespace palshift {

BackgroundPass::~BackgroundPass()
{
    stop();
}

void BackgroundPass::start(Work work, Done done)
{
    stop();
    pending_ = true;
    working_ = true;
    worker_ = std::jthread([this, generation = generation_, work = std::move(work),
                            done = std::move(done)](std::stop_token stop) {
        std::exception_ptr failure;
        try {
            work(stop);
        } catch (...) {
            failure = std::current_exception();
        }
        // A stopped pass's result is dropped on arrival: its generation is over.
        QMetaObject::invokeMethod(
            this, [this, generation, done, failure] { deliver(generation, done, failure); }, Qt::QueuedConnection);
        working_ = false;
    });
}

void BackgroundPass::stop()
{
    ++generation_;  // a result already queued is dropped
    worker_ = {};   // asks the thread to stop, and joins it
    pending_ = false;
}

void BackgroundPass::deliver(std::uint64_t generation, const Done& done, std::exception_ptr failure)
{
    if (generation != generation_)
        return;
    worker_ = {};  // at its end already
    pending_ = false;
    done(failure);
    emit delivered();
}

}  // namespace palshift
