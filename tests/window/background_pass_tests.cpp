#include "app/background_pass.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>

namespace palshift::test {
namespace {

// Each pass records what its done was given; the bounds are reached only by a hang.
class Pass : public testing::Test {
protected:
    BackgroundPass::Done recorder(int pass)
    {
        return [this, pass](std::exception_ptr failure) {
            delivered << pass;
            onInterfaceThread = QThread::currentThread() == QCoreApplication::instance()->thread();
            try {
                if (failure)
                    std::rethrow_exception(failure);
            } catch (const std::exception& thrown) {
                message = thrown.what();
            }
        };
    }
    void settle()
    {
        const QDeadlineTimer hang(60'000);
        while (pass.isPending() && !hang.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        ASSERT_FALSE(pass.isPending());
    }
    // Until the thread has queued its result, which only the event loop delivers.
    void waitForThread()
    {
        const QDeadlineTimer hang(60'000);
        while (pass.isWorking() && !hang.hasExpired())
            QThread::yieldCurrentThread();
        ASSERT_FALSE(pass.isWorking());
    }

    BackgroundPass pass;
    QList<int> delivered;
    bool onInterfaceThread = false;
    std::string message;
};

TEST_F(Pass, DeliversOnTheInterfaceThreadWithWhatTheWorkThrew)
{
    bool workedAside = false;
    pass.start([&](std::stop_token) { workedAside = QThread::currentThread() != QCoreApplication::instance()->thread(); },
               recorder(1));
    EXPECT_TRUE(pass.isPending());
    settle();
    EXPECT_EQ(delivered, QList<int>({1}));
    EXPECT_TRUE(workedAside);
    EXPECT_TRUE(onInterfaceThread);
    EXPECT_EQ(message, "");

    pass.start([](std::stop_token) { throw std::runtime_error("no room"); }, recorder(2));
    settle();
    EXPECT_EQ(delivered, QList<int>({1, 2}));
    EXPECT_EQ(message, "no room");
}

// Stopped while working, or after its result was queued, or replaced by another: never delivered.
TEST_F(Pass, AStoppedOrReplacedPassIsNeverDelivered)
{
    pass.start(
        [](std::stop_token stop) {
            std::mutex mutex;
            std::unique_lock lock(mutex);
            std::condition_variable_any().wait_for(lock, stop, std::chrono::minutes(1), [] { return false; });
        },
        recorder(1));
    pass.stop();
    EXPECT_FALSE(pass.isPending());

    pass.start([](std::stop_token) {}, recorder(2));
    waitForThread();
    pass.stop();

    pass.start([](std::stop_token) {}, recorder(3));
    waitForThread();
    pass.start([](std::stop_token) {}, recorder(4));
    settle();
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, QList<int>({4}));
}

}  // namespace
}  // namespace palshift::test
